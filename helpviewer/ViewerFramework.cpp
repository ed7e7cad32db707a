#include "helpviewer/ViewerFramework.h"

#include <new>

namespace {

Tooltip* MakeViewerTooltip()
{
    return new (std::nothrow) ViewerTooltip();
}

int CountLineFeeds(const wchar_t* text, int64 length)
{
    int n = 0;
    for (int64 i = 0; i < length; i++)
        if (text[i] == L'\n')
            n++;
    return n;
}

} // namespace

void UseViewerFramework()
{
    SetWindowClassPrefix(L"Guidora ");
    SetTooltipMaker(MakeViewerTooltip);
}

int ViewerTooltip::StillDistance()
{
    return 2;
}

RECT ViewerTooltip::Placement()
{
    DeviceContext dc = WindowDC();
    dc.SelectFont(GetFont());
    SIZE text = dc.MeasureLines(tipText.Data(), tipText.Length());
    dc.Close();
    const int feeds = CountLineFeeds(tipText.Data(), tipText.Length());
    const int boxHeight = text.cy + 3 * feeds + 6;

    const POINT p = trackPoint;
    RECT monitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info))
        monitor = info.rcMonitor;

    RECT r;
    arrowLeft = p.x < (monitor.left + monitor.right) / 2;
    if (arrowLeft) {
        r.left = p.x + 8;
        r.right = p.x + text.cx + 44;
    } else {
        r.left = p.x - text.cx - 44;
        r.right = p.x - 8;
    }
    below = p.y < (monitor.top + monitor.bottom) / 2;
    if (below) {
        r.top = p.y + 8;
        r.bottom = p.y + boxHeight + 16;
    } else {
        r.top = p.y - boxHeight - 16;
        r.bottom = p.y - 8;
    }
    return r;
}

void ViewerTooltip::PaintTo(DeviceContext& dc, int width, int height)
{
    HDC hdc = dc.Hdc();
    dc.SelectFont(GetFont());
    dc.FillRect({0, 0, width, height}, RGB(255, 255, 255));
    SetTextColor(hdc, RGB(0, 0, 0));
    SetBkMode(hdc, TRANSPARENT);
    const wchar_t* t = tipText.Data();
    const int64 length = tipText.Length();
    const int x = arrowLeft ? 27 : 7;
    const int step = dc.LineHeight() + 3;
    int y = 5;
    for (int64 start = 0; t && start < length;) {
        int64 end = start;
        while (end < length && t[end] != L'\r' && t[end] != L'\n')
            end++;
        ExtTextOutW(hdc, x, y, 0, nullptr, t + start, static_cast<UINT>(end - start), nullptr);
        if (end < length && t[end] == L'\r' && end + 1 < length && t[end + 1] == L'\n')
            end++;
        start = end + 1;
        y += step;
    }

    dc.FillRect(arrowLeft ? RECT{0, 0, 20, height} : RECT{width - 20, 0, width, height}, kTooltipStripe);

    // The arrow points into the corner nearest the mouse, 3 pixels off both
    // edges.
    dc.SelectBrush(MakeSolidBrush(RGB(0, 0, 0)));
    dc.SelectPen(MakeNullPen());
    auto at = [&](int px, int py) {
        return POINT{arrowLeft ? 3 + px : width - 3 - px, below ? 3 + py : height - 3 - py};
    };
    POINT head[] = {at(0, 0), at(10, 0), at(0, 10)};
    POINT shaft[] = {at(0, 3), at(3, 0), at(12, 9), at(9, 12)};
    Polygon(hdc, head, 3);
    Polygon(hdc, shaft, 4);
    dc.RestoreBrush();
    dc.RestorePen();
    dc.RestoreFont();
}

void ViewerTooltip::OnPaint(MessageRecord&)
{
    try {
        DeviceContext dc = PaintDC();
        RECT client = ClientRect();
        PaintTo(dc, client.right, client.bottom);
    } catch (...) {
        // A broken hint never reaches the user as an alert.
    }
}

COLORREF ShadeTop(COLORREF colour)
{
    return RGB(GetRValue(colour) * 90 / 100, GetGValue(colour) * 90 / 100, GetBValue(colour) * 90 / 100);
}

void FillBackground(DeviceContext& dc, const RECT& rect, COLORREF colour, bool shaded)
{
    if (shaded)
        dc.GradientV(rect, ShadeTop(colour), colour);
    else
        dc.FillRect(rect, colour);
}

void ShowContextMenu(GuiBase& window, int menuId, int x, int y)
{
    if (window.hwnd == nullptr)
        return;
    HMENU loaded = LoadMenuW(AppInstance(), MAKEINTRESOURCEW(menuId));
    if (loaded == nullptr)
        return;
    Menu menu;
    menu.Adopt(loaded);
    window.TrackMenu(menu.SubMenu(), 0, x, y);
}

Label* NewFindWordLabel(ControlGroup* parent)
{
    return NewLabel(parent, L"&Poszukiwane słowo");
}

EditLine* NewFindWordLine(ControlGroup* parent)
{
    return NewEditLine(parent, 0, kFindWordId, L"Wpisz słowo, które chcesz znaleźć.");
}

CheckMark* NewFindEverywhereCheck(ControlGroup* parent, bool checked)
{
    return NewCheckMark(parent, L"&Szukaj we wszystkich rozdziałach", kFindEverywhereId, checked,
                        L"Jeśli zaznaczone przeszukuje wszystkie rozdziały,\nw przeciwnym przypadku tylko "
                        L"aktualnie wyświetlany.");
}
