#pragma once

// Chooses the syntax colouring of a text from the lexers offered to users.

#include "base/Types.h"
#include "gui/Dialog.h"

class ListBox;

class SyntaxDialog : public Dialog {
public:
    enum : uint32_t { ListId = 21001 };

    // Ended with 1 (button or double click) and an entry selected: syntax
    // takes its id.
    static int32 Run(Form* owner, int32& syntax);

    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    ListBox* list = nullptr;
};
