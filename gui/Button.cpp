#include "gui/Button.h"

#include "gui/Form.h"
#include "gui/NativeControl.h"

#include <algorithm>
#include <climits>

Button::Button() : horizontalInset(0), verticalInset(0) {}

void Button::Measure(SizeLimits& limits)
{
    DeviceContext dc = MeasuringDC(*this);
    int a = (AlphabetWidth(dc) + 26) / 52;
    String caption = GetText();
    SIZE text;
    if (!DrawTextSize(dc, caption.CStr(), caption.Length(),
                      DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE, INT_MAX, INT_MAX, text))
        text = FallbackTextSize(caption.Length());
    int d = GetDpi();
    Form* form = OwningForm();
    if (form && form->ButtonHeight() != 0)
        text.cy = MulDiv(form->ButtonHeight(), d, 96);
    int32_t width = text.cx + (horizontalInset ? 2 * MulDiv(horizontalInset, d, 96) : 4 * a);
    if (horizontalInset == 0)
        width = std::max(width, (50 * a + 2) / 4);
    int32_t height = verticalInset ? text.cy + 2 * MulDiv(verticalInset, d, 96)
                                   : (text.cy * 14 + 4) / 8;
    limits = {width, height, width, height};
}

Button* NewButton(ControlGroup* parent, const wchar_t* caption, uint32_t id, const wchar_t* hint)
{
    DWORD kind = (id == IDOK || id == IDYES) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    return MakeControl<Button>([&](Button& button) {
        CreateNativeControl(button, parent, L"BUTTON", kind, id, 0, hint);
        FinishNativeControl(button, caption);
    });
}
