#include "gui/PopupList.h"

#include "gui/Dpi.h"
#include "gui/NativeControl.h"

#include <algorithm>

PopupList::~PopupList()
{
    ownFont.Clear();
    items.Release();
}

PopupList* NewPopupList(Form* owner, uint32_t formId)
{
    return MakeControl<PopupList>([&](PopupList& list) {
        list.items.Reset();
        list.Create(NoActivate | ThinBorder | NoTooltip, L"Popup List", owner, formId);
    });
}

void PopupList::SetFont(const GdiObj& font)
{
    ownFont = font;
}

int PopupList::Run(const RECT& anchor, const wchar_t* current)
{
    int64_t count = items.Count();
    if (count == 0)
        return -1;
    rowHeight = 20;
    textWidth = 40;
    {
        DeviceContext dc = WindowDC();
        if (!ownFont.IsEmpty())
            dc.SelectFont(ownFont);
        rowHeight = dc.LineHeight();
        for (int64_t i = 0; i < count; i++) {
            const String& item = items.At(i);
            textWidth = std::max(textWidth, static_cast<int32_t>(TextExtent(dc, item.Data(), item.Length()).cx));
        }
    }
    // Every row is at least a pixel high, so finding a row never divides by 0.
    rowHeight = std::max(rowHeight, 1);

    RECT r = anchor;
    r.bottom = anchor.top;
    r.top = AsInt(static_cast<long long>(anchor.top) -
                  (static_cast<long long>(rowHeight) * count + 2));
    if (anchor.right - anchor.left < textWidth + 4)
        r.right = r.left + textWidth + 4;
    ClampRectToWorkArea(r);
    SetBounds(r);

    result = -1;
    highlighted = -1;
    for (int64_t i = 0; i < count; i++)
        if (current && items.At(i).Equals(current))
            highlighted = static_cast<int32_t>(i);

    ShowNoActivate();
    Invalidate();
    Capture();
    while (result == -1)
        RunOnce();
    ReleaseCaptureIfHeld();
    Hide();
    return result;
}

int PopupList::RowAt(LPARAM lParam)
{
    int y = static_cast<short>(HIWORD(lParam));
    int h = std::max(rowHeight, 1);
    // Floor division: a point above the list has a negative row.
    return y >= 0 ? y / h : -((-y + h - 1) / h);
}

void PopupList::MoveHighlight(int64_t to)
{
    int64_t count = AsInt(items.Count());
    to = std::max<int64_t>(std::min(to, count - 1), 0);
    if (to != highlighted) {
        highlighted = static_cast<int32_t>(to);
        Invalidate();
    }
}

void PopupList::SelectPrevious()
{
    MoveHighlight(static_cast<int64_t>(highlighted) - 1);
}

void PopupList::SelectNext()
{
    MoveHighlight(static_cast<int64_t>(highlighted) + 1);
}

void PopupList::OnMouseMove(MessageRecord& m)
{
    if (rowHeight <= 0)
        return;
    int row = RowAt(m.lParam);
    if (row >= 0 && row < items.Count() && row != highlighted) {
        highlighted = row;
        Invalidate();
    }
}

void PopupList::OnLButtonUp(MessageRecord& m)
{
    int x = static_cast<short>(LOWORD(m.lParam));
    int row = RowAt(m.lParam);
    RECT client = ClientRect();
    if (x >= 0 && x < client.right && row >= 0 && row < items.Count()) {
        result = row;
        return;
    }
    result = -2;
    DefaultProc(m);
}

void PopupList::OnRButtonUp(MessageRecord& m)
{
    result = -2;
    DefaultProc(m);
}

void PopupList::OnMButtonUp(MessageRecord& m)
{
    result = -2;
    DefaultProc(m);
}

void PopupList::OnCancelMode(MessageRecord& m)
{
    result = -2;
    DefaultProc(m);
}

void PopupList::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    if (!ownFont.IsEmpty())
        dc.SelectFont(ownFont);
    HDC hdc = dc.Hdc();
    SetBkMode(hdc, OPAQUE);
    RECT client = ClientRect();
    int64_t count = items.Count();
    for (int64_t i = 0; i < count; i++) {
        bool hot = i == highlighted;
        COLORREF back = GetSysColor(hot ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        COLORREF fore = GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        int top = AsInt(client.top + i * rowHeight);
        int bottom = top + rowHeight;
        const String& item = items.At(i);
        int n = AsInt(item.Length());
        dc.FillRect({client.left, top, client.left + 1, bottom}, back);
        SetBkColor(hdc, back);
        SetTextColor(hdc, fore);
        ExtTextOutW(hdc, client.left + 1, top, 0, nullptr, item.Data(), static_cast<UINT>(n),
                    nullptr);
        int width = TextExtent(dc, item.Data(), n).cx;
        dc.FillRect({client.left + 1 + width, top, client.right, bottom}, back);
    }
}
