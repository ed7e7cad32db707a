#include "gui/ListBox.h"

#include "gui/NativeControl.h"

#include <algorithm>
#include <climits>

ListBox::ListBox() : verticalInset(2), minRows(0), options(0) {}

void ListBox::Measure(SizeLimits& limits)
{
    DeviceContext dc = MeasuringDC(*this);
    int d = GetDpi();
    int64 line = dc.LineHeight();
    int64 insets = 2 * int64(MulDiv(verticalInset, d, 96));
    int32_t maxHeight = Unbounded;
    if (options & ListFitItems) {
        int64 rows = std::max<int64>({int64(SendMsg(LB_GETCOUNT, 0, 0)), minRows, 1});
        maxHeight = static_cast<int32_t>(std::min<int64>(line * rows + insets, INT_MAX));
    }
    limits = {MulDiv(50, d, 96), static_cast<int32_t>(line + insets), Unbounded, maxHeight};
    if (fitsItemWidth && dc.IsOpen()) {
        int32_t widest = 0;
        LRESULT count = SendMsg(LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; i++) {
            String text = ListItemText(hwnd, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(i));
            SIZE size;
            if (text.Length() > 0 && GetTextExtentPoint32W(dc.Hdc(), text.CStr(), AsInt(text.Length()), &size))
                widest = std::max<int32_t>(widest, size.cx);
        }
        // The item's text margins, the sunken edge and the scroll bar.
        int32_t frame = MulDiv(8, d, 96) + 2 * MulDiv(GetSystemMetrics(SM_CXEDGE), d, SystemDpi()) +
                        MulDiv(GetSystemMetrics(SM_CXVSCROLL), d, SystemDpi());
        limits.minWidth = std::max(limits.minWidth, widest + frame);
    }
}

String ListBox::SelectedText()
{
    LRESULT index = SendMsg(LB_GETCURSEL, 0, 0);
    if (index < 0)
        return String();
    return ListItemText(hwnd, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(index));
}

ListBox* NewListBox(ControlGroup* parent, uint32_t options, uint32_t id, const wchar_t* hint)
{
    DWORD windowStyle = LBS_NOTIFY;
    if (options & ListSorted)
        windowStyle |= LBS_SORT;
    if (options & ListTabStops)
        windowStyle |= LBS_USETABSTOPS;
    if (options & ListExtendedSelection)
        windowStyle |= LBS_EXTENDEDSEL;
    if (options & (ListNoIntegralHeight | ListNoEdge))
        windowStyle |= LBS_NOINTEGRALHEIGHT;
    uint32_t controlStyle = VScroll | ((options & ListNoEdge) ? 0u : uint32_t(ClientEdge));
    return MakeControl<ListBox>([&](ListBox& list) {
        list.options = options;
        CreateNativeControl(list, parent, L"LISTBOX", windowStyle, id, controlStyle, hint);
        FinishNativeControl(list, nullptr);
    });
}
