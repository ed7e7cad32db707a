#pragma once

// Go to line: asks for a line and a character column, both counted from 1.

#include "base/String.h"
#include "base/Types.h"
#include "gui/Dialog.h"

class EditLine;

class LineAndColumnDialog : public Dialog {
public:
    // line and column are replaced by the typed values greater than 0 when
    // the dialog ends with Go to (1); the result is the button that ended it.
    static int32 Run(Form* owner, int64& line, int64& column, bool focusColumn);

    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    EditLine* lineEdit = nullptr;
    EditLine* columnEdit = nullptr;
};

// The decimal number at the start of text (after blanks, with an optional
// sign); a number too large for 64 bits saturates instead of wrapping.
// found is false when no digit comes.
int64 ParseDialogNumber(const String& text, bool& found);
