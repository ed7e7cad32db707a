#include "gui/Label.h"

#include "gui/NativeControl.h"

#include <climits>

Label::Label() : horizontalInset(0), verticalInset(0), measuredWidth(0), measuredHeight(0) {}

void Label::Measure(SizeLimits& limits)
{
    limits = {50, 20, 50, 20};
    DeviceContext dc = MeasuringDC(*this);
    String text = GetText();
    SIZE size;
    if (text.IsEmpty()) {
        if (!DrawTextSize(dc, L"Wy", 2, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE, INT_MAX, INT_MAX,
                          size))
            size = {0, 20};
        size.cx = 0;
    } else if (!DrawTextSize(dc, text.CStr(), text.Length(), DT_NOCLIP | DT_SINGLELINE, 100000, 1,
                             size)) {
        size = FallbackTextSize(text.Length());
    }
    int d = GetDpi();
    measuredWidth = size.cx + MulDiv(2, d, 96) + 2 * MulDiv(horizontalInset, d, 96);
    measuredHeight = size.cy + 2 * MulDiv(verticalInset, d, 96);
    limits = {measuredWidth, measuredHeight, measuredWidth, measuredHeight};
}

void Label::SetBounds(const RECT& rect)
{
    RECT r = rect;
    if (rect.bottom - rect.top > measuredHeight) {
        r.top = rect.top + (rect.bottom - rect.top - measuredHeight) / 2;
        r.bottom = r.top + measuredHeight;
    }
    GuiBase::SetBounds(r);
}

void Label::AllowPrefix()
{
    if (!shown && hwnd)
        SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) & ~SS_NOPREFIX);
}

void Label::Show()
{
    AllowPrefix();
    GuiBase::Show();
}

void Label::ShowNoActivate()
{
    AllowPrefix();
    GuiBase::ShowNoActivate();
}

void Label::Hide()
{
    if (!shown)
        return;
    GuiBase::Hide();
    // A hidden label must not take the keys of its access key.
    if (hwnd)
        SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) | SS_NOPREFIX);
}

Label* NewLabel(ControlGroup* parent, const wchar_t* text)
{
    return MakeControl<Label>([&](Label& label) {
        CreateNativeControl(label, parent, L"STATIC", SS_LEFTNOWORDWRAP, static_cast<uint32_t>(-1),
                            NoTabStop, nullptr);
        FinishNativeControl(label, text);
    });
}
