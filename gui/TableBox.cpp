#include "gui/TableBox.h"

#include "gui/NativeControl.h"

#include <commctrl.h>

#include <algorithm>

namespace {

[[noreturn]] void ThrowRefused()
{
    ThrowLastError();
}

}  // namespace

TableBox::~TableBox()
{
    ownFont.Clear();
    widths.Release();
}

TableBox* NewTableBox(ControlGroup* parent, uint32_t controlId, const wchar_t* hint)
{
    return NewTableBox(parent, TableBox::NoHeader | TableBox::Sorted, controlId, hint);
}

TableBox* NewTableBox(ControlGroup* parent, uint32_t flags, uint32_t controlId, const wchar_t* hint)
{
    return MakeControl<TableBox>(
        [&](TableBox& table) { table.Init(parent, flags, controlId, hint); });
}

void TableBox::Init(ControlGroup* parentGroup, uint32_t flags, uint32_t controlId,
                    const wchar_t* hintText)
{
    InitCommonControlClasses(ICC_LISTVIEW_CLASSES);
    parent = parentGroup;
    options = flags;
    id = controlId;
    style = ClientEdge;
    SetHint(hintText);
    DWORD listStyle = LVS_REPORT | LVS_SHOWSELALWAYS;
    if (flags & NoHeader)
        listStyle |= LVS_NOCOLUMNHEADER;
    if (flags & Sorted)
        listStyle |= LVS_SORTASCENDING;
    if (!(flags & MultipleSelection))
        listStyle |= LVS_SINGLESEL;
    Create(WC_LISTVIEWW, listStyle, 0);
    SendMsg(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    FollowFormFont();
    Show();
}

int TableBox::ColumnCount()
{
    if (hwnd == nullptr)
        return 0;
    auto header = reinterpret_cast<HWND>(SendMsg(LVM_GETHEADER, 0, 0));
    if (header == nullptr)
        return 0;
    LRESULT n = SendMessageW(header, HDM_GETITEMCOUNT, 0, 0);
    return n < 0 ? 0 : AsInt(static_cast<long long>(n));
}

void TableBox::AddColumn(const wchar_t* title, int width)
{
    int n = ColumnCount();
    if (widths.Count() > n)
        widths.Erase(n, widths.Count() - n);
    while (widths.Count() < n)
        widths.Insert(widths.Count(), 0);
    widths.Insert(n, width);

    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    column.iSubItem = n;
    if (SendMsg(LVM_INSERTCOLUMNW, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&column)) == -1)
        ThrowRefused();
}

void TableBox::AddRow(const wchar_t* const* texts, int64_t textCount, int64_t data)
{
    const wchar_t* first = textCount > 0 && texts[0] ? texts[0] : L"";
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = RowCount();
    item.pszText = const_cast<wchar_t*>(first);
    item.cchTextMax = AsInt(static_cast<long long>(wcslen(first)));
    item.lParam = static_cast<LPARAM>(data);
    LRESULT row = SendMsg(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row == -1)
        ThrowRefused();
    int columns = ColumnCount();
    for (int i = 1; i < columns; i++) {
        if (i >= textCount || texts[i] == nullptr)
            break;
        LVITEMW cell = {};
        cell.iSubItem = i;
        cell.pszText = const_cast<wchar_t*>(texts[i]);
        SendMsg(LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }
}

int TableBox::RowCount()
{
    return AsInt(static_cast<long long>(SendMsg(LVM_GETITEMCOUNT, 0, 0)));
}

Array<int32_t> TableBox::SelectedRows()
{
    Array<int32_t> rows;
    rows.Reset();
    int n = RowCount();
    for (int i = 0; i < n; i++)
        if (SendMsg(LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) == LVIS_SELECTED)
            rows.Insert(rows.Count(), i);
    return rows;
}

void TableBox::SelectRow(int index)
{
    auto current = static_cast<int>(
        SendMsg(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
    if (index == current)
        return;
    LVITEMW state = {};
    if (current >= 0) {
        state.stateMask = LVIS_SELECTED;
        state.state = 0;
        SendMsg(LVM_SETITEMSTATE, static_cast<WPARAM>(current), reinterpret_cast<LPARAM>(&state));
    }
    if (index >= 0) {
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMsg(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&state));
        SendMsg(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    }
}

int64_t TableBox::RowData(int index)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMsg(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return static_cast<int64_t>(item.lParam);
}

void TableBox::Measure(SizeLimits& limits)
{
    int d = GetDpi();
    limits.minWidth = 50;
    limits.maxWidth = Unbounded;
    try {
        DeviceContext dc = MeasuringDC(*this);
        if (!ownFont.IsEmpty())
            dc.SelectFont(ownFont);
        int line = dc.LineHeight();
        int row = line + MulDiv(4, d, 96);
        int header = (options & NoHeader) ? 0 : 1;
        int frame = MulDiv(frameInset, d, 96);
        limits.minHeight = MulDiv(4, d, 96) + (header + 1) * row + 2 * frame;
        if (options & HeightFollowsRows)
            limits.maxHeight = AsInt(MulDiv(4, d, 96) +
                                     static_cast<long long>(std::max(RowCount(), 1) + header) * row +
                                     2 * frame);
        else
            limits.maxHeight = Unbounded;
        limits.maxHeight = std::max(limits.maxHeight, limits.minHeight);
    } catch (...) {
        limits.minHeight = 20;
        limits.maxHeight = (options & HeightFollowsRows) ? 200 : Unbounded;
    }
}

void TableBox::SetBounds(const RECT& rect)
{
    int d = GetDpi();
    auto place = [&] {
        SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    };
    if (d >= lastDpi)
        place();
    if (!ownFont.IsEmpty())
        SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(ownFont.Handle()), FALSE);
    if (d == lastDpi)
        return;
    int columns = ColumnCount();
    for (int i = 0; i < columns; i++)
        SendMsg(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                MAKELPARAM(MulDiv(widths.At(i), d, 96), 0));
    // Columns shrink before the window does.
    if (d < lastDpi)
        place();
    lastDpi = d;
}

void TableBox::ApplyFont(const GdiObj& font, bool deferred)
{
    if (deferred) {
        ownFont = font;
        return;
    }
    SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);
}
