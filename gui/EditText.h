#pragma once

// A multi-line edit box; in a dialog Tab and Enter stay dialog keys unless
// its key flags claim them.

#include "gui/Control.h"

class EditText : public Control {
public:
    EditText();

    void Measure(SizeLimits& limits) override;
    void OnGetDlgCode(MessageRecord& m) override;

    // EditKeyFlags (Enter, Tab, Escape).
    uint32_t keyFlags;
    // 96-dpi units.
    int32_t verticalInset;
    int32_t minRows;
    int32_t maxRows;
};

EditText* NewEditText(ControlGroup* parent);
