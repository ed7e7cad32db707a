#pragma once

// A push button; ids 1 and 6 make it the default button.

#include "gui/Control.h"

class Button : public Control {
public:
    Button();

    void Measure(SizeLimits& limits) override;

    // 96-dpi units; 0 chooses the usual padding.
    int32_t horizontalInset;
    int32_t verticalInset;
};

Button* NewButton(ControlGroup* parent, const wchar_t* caption, uint32_t id, const wchar_t* hint);
