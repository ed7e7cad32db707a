#pragma once

// A one-line static text whose ampersand names the access key of the
// control after it; hidden, it gives the key up.

#include "gui/Control.h"

class Label : public Control {
public:
    Label();

    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;
    void Show() override;
    void ShowNoActivate() override;
    void Hide() override;

    // 96-dpi units on both sides of the text.
    int32_t horizontalInset;
    int32_t verticalInset;
    // Kept by the last measure.
    int32_t measuredWidth;
    int32_t measuredHeight;

private:
    void AllowPrefix();
};

Label* NewLabel(ControlGroup* parent, const wchar_t* text);
