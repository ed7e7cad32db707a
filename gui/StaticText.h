#pragma once

// A word-wrapping static text, as wide as its text up to a wrap width.

#include "gui/Control.h"

class StaticText : public Control {
public:
    StaticText();

    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;

    // 96-dpi units.
    int32_t horizontalInset;
    int32_t verticalInset;
    // 0: no wrapping; above 0: pixels; below 0: that many average characters.
    int32_t wrapWidth;
};

StaticText* NewStaticText(ControlGroup* parent, const wchar_t* text);
