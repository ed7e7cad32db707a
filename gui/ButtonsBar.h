#pragma once

// The row of buttons at the bottom of a dialog: each button at least two
// "O"s wide, placed from the right edge leftwards in the order added, so the
// last one added is the rightmost.

#include "base/Array.h"
#include "gui/Control.h"

class ButtonsBar : public ControlGroup {
public:
    struct Entry {
        Control* child;
        // Kept by the last measure.
        int32_t width;
        int32_t height;
    };

    ButtonsBar();
    ~ButtonsBar() override;

    void AddChild(Control* child) override;
    void RemoveChild(Control* child) override;
    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;

    // 96-dpi units.
    int32_t gap;
    int32_t sideMargin;
    int32_t topMargin;
    int32_t bottomMargin;
    Array<Entry> buttons;
};

ButtonsBar* NewButtonsBar(ControlGroup* parent);
