#pragma once

// Asks for one line of text: a prompt, an edit line preset with a proposal
// (fully selected, so typing replaces it), OK and Cancel.

#include "gui/Dialog.h"

class EditLine;

class InputLineDialog : public Dialog {
public:
    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    EditLine* edit = nullptr;
};

// 1 when confirmed (text then holds the line), 2 when cancelled (text is
// left alone). Without an initial text the field starts with text itself.
int RunInputLineDialog(String& text, Form* owner, const wchar_t* title, const wchar_t* prompt,
                       const wchar_t* initialText = nullptr);
