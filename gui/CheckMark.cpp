#include "gui/CheckMark.h"

#include "gui/NativeControl.h"

CheckMark::CheckMark() : horizontalInset(0), verticalInset(0) {}

void CheckMark::Measure(SizeLimits& limits)
{
    limits = {50, 20, Unbounded, 20};
    DeviceContext dc = MeasuringDC(*this);
    String caption = GetText();
    SIZE text = TextExtent(dc, caption.CStr(), caption.Length());
    int d = GetDpi();
    // 20 pixels for the box itself.
    int32_t width = text.cx + 2 * MulDiv(horizontalInset, d, 96) + 20;
    int32_t height = text.cy + 2 * MulDiv(verticalInset, d, 96);
    limits = {width, height, width, height};
}

bool CheckMark::IsChecked()
{
    return SendMsg(BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckMark::SetChecked(bool checked)
{
    SendMsg(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

CheckMark* NewCheckMark(ControlGroup* parent, const wchar_t* caption, uint32_t id, bool checked,
                        const wchar_t* hint)
{
    return MakeControl<CheckMark>([&](CheckMark& mark) {
        CreateNativeControl(mark, parent, L"BUTTON", BS_AUTOCHECKBOX, id, 0, hint);
        mark.SetChecked(checked);
        FinishNativeControl(mark, caption);
    });
}
