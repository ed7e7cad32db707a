#pragma once

// A check box that checks itself when clicked.

#include "gui/Control.h"

class CheckMark : public Control {
public:
    CheckMark();

    void Measure(SizeLimits& limits) override;
    bool IsChecked();
    void SetChecked(bool checked);

    // 96-dpi units.
    int32_t horizontalInset;
    int32_t verticalInset;
};

CheckMark* NewCheckMark(ControlGroup* parent, const wchar_t* caption, uint32_t id, bool checked,
                        const wchar_t* hint);
