#pragma once

// A one-line edit field that can take Enter, Tab, Escape and the arrows
// from the dialog manager and report them to its parent.

#include "gui/Control.h"

// Options of NewEditLine; the other bits become the control style word.
enum EditLineOptions : uint32_t {
    EditNoEdge = 0x10000,
    EditReadOnly = 0x20000,
    EditRightAligned = 0x40000,
    EditPassword = 0x80000,
};

class EditLine : public Control {
public:
    EditLine();

    void Measure(SizeLimits& limits) override;
    void OnGetDlgCode(MessageRecord& m) override;
    void OnKeyDown(MessageRecord& m) override;
    void OnChar(MessageRecord& m) override;

    // EditKeyFlags: the dialog keys the line takes for itself.
    uint32_t keyFlags;
    // 96-dpi units above and below the text.
    int32_t verticalInset;
    // Kept by the last measure.
    int32_t minWidth;
    int32_t minHeight;
};

EditLine* NewEditLine(ControlGroup* parent, uint32_t options, uint32_t id, const wchar_t* hint);
