#include "gui/ComboBox.h"

#include "gui/NativeControl.h"

#include <commctrl.h>

#include <algorithm>

ComboBox::ComboBox() : verticalInset(4) {}

int32_t ComboBox::ItemHeight()
{
    DeviceContext dc = MeasuringDC(*this);
    SIZE size;
    if (dc.IsOpen() && GetTextExtentPoint32W(dc.Hdc(), L"W", 1, &size))
        return size.cy;
    return 20;
}

void ComboBox::Measure(SizeLimits& limits)
{
    int32_t h = ItemHeight() + 2 * MulDiv(verticalInset, GetDpi(), 96);
    limits = {2 * h, h, Unbounded, h};
}

void ComboBox::SetBounds(const RECT& rect)
{
    if (hwnd == nullptr)
        return;
    // The window of a drop-down list includes its list: the edit part is
    // centred and the window reaches down as far as the list should.
    int32_t item = ItemHeight();
    LONG top = rect.top;
    LONG excess = rect.bottom - rect.top - item - 8;
    if (excess >= 1)
        top = rect.top + excess / 2;
    int64 count = AsInt(static_cast<int64>(SendMsg(CB_GETCOUNT, 0, 0)));
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    LONG workHeight = 0;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info))
        workHeight = info.rcWork.bottom - info.rcWork.top;
    int64 height = std::max<int64>(std::min<int64>((workHeight - 30) / 2, item * count + 20), 50);
    SetWindowPos(hwnd, nullptr, rect.left, top, rect.right - rect.left, static_cast<int>(height),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    if (item > 0)
        SendMsg(CB_SETMINVISIBLE, static_cast<WPARAM>(height / item), 0);
}

String ComboBox::SelectedText()
{
    LRESULT index = SendMsg(CB_GETCURSEL, 0, 0);
    if (index < 0)
        return String();
    return ListItemText(hwnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(index));
}

ComboBox* NewComboBox(ControlGroup* parent, uint32_t id, const wchar_t* hint)
{
    return MakeControl<ComboBox>([&](ComboBox& box) {
        CreateNativeControl(box, parent, L"COMBOBOX", CBS_DROPDOWNLIST, id, VScroll | ClientEdge,
                            hint);
        FinishNativeControl(box, nullptr);
    });
}
