#pragma once

// A static icon whose owner loads the icon at the size it wants.

#include "gui/Control.h"

class StaticIcon : public Control {
public:
    StaticIcon();

    // Shows the icon at that size in pixels and keeps it (the previous one is
    // released).
    void SetIcon(const Icon& newIcon, int32_t width, int32_t height);

    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;

    Icon icon;
    int32_t iconWidth;
    int32_t iconHeight;
};

StaticIcon* NewStaticIcon(ControlGroup* parent);
