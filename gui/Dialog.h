#pragma once

// A form run modally over its owner: placed for the owner's monitor, the
// owner disabled while its own loop runs.

#include "gui/Form.h"

class Dialog : public Form {
public:
    Dialog();
    ~Dialog() override;

    void Create(Form* ownerForm, uint32_t style, uint32_t id, const wchar_t* title);
    void Place();
    void ShowModal(Control* focus);

    void DefaultProc(MessageRecord& m) override;
    // The close box cancels: a result left from an earlier run must not
    // count as the answer of this one.
    void OnClose(MessageRecord& m) override;
    bool HandleError(const Error& error) override;

    Form* dialogOwner;
    uint8_t ownerDisabled;
    int32_t width;
    int32_t height;
    // What the run ended with; the close box gives IDCANCEL through
    // CancelDialogOnClose.
    int32_t result;
};

// The close handler shared by dialogs: result 2 (Cancel), then the run ends.
void CancelDialogOnClose(Dialog& dialog);
