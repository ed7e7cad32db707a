#pragma once

// Chooses one of the open texts from a list with shortcut keys.

#include "editor/FileListBox.h"

class DocumentList;
class TextDocument;

class SelectTextDialog : public FileListDialog {
public:
    enum : uint32_t { DialogId = 20500, ListId = 20501 };
    // Result 1 with chosen set, or 2 (cancelled) or -1 (nothing valid chosen).
    static int Run(Form* owner, const DocumentList& documents, TextDocument* active, TextDocument*& chosen);
};
