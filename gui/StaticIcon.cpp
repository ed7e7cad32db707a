#include "gui/StaticIcon.h"

#include "gui/NativeControl.h"

#include <algorithm>

StaticIcon::StaticIcon() : iconWidth(0), iconHeight(0) {}

void StaticIcon::SetIcon(const Icon& newIcon, int32_t width, int32_t height)
{
    iconWidth = width;
    iconHeight = height;
    SendMsg(STM_SETICON, reinterpret_cast<WPARAM>(newIcon.Handle()), 0);
    icon = newIcon;
}

void StaticIcon::Measure(SizeLimits& limits)
{
    limits = {iconWidth, iconHeight, iconWidth, iconHeight};
}

void StaticIcon::SetBounds(const RECT& rect)
{
    RECT r = rect;
    if (rect.right - rect.left > iconWidth) {
        r.left = rect.left + (rect.right - rect.left - iconWidth) / 2;
        r.right = r.left + iconWidth;
    }
    r.bottom = rect.top + std::min<LONG>(rect.bottom - rect.top, iconHeight);
    GuiBase::SetBounds(r);
}

StaticIcon* NewStaticIcon(ControlGroup* parent)
{
    return MakeControl<StaticIcon>([&](StaticIcon& control) {
        CreateNativeControl(control, parent, L"STATIC", SS_ICON, 0, NoTabStop, nullptr);
        control.Show();
    });
}
