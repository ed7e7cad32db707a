#pragma once

// Chooses one or more of the recently closed texts.

#include "editor/FileListBox.h"

class DocumentList;

class RecentTextsDialog : public FileListDialog {
public:
    enum : uint32_t { DialogId = 22100, ListId = 22101 };
    // Result 1 with the chosen paths (in row order) in chosen, else 2.
    static int Run(Form* owner, const Array<String>& paths, const DocumentList& documents, Array<String>& chosen);
};
