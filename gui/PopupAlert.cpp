#include "gui/PopupAlert.h"

#include "gui/Dpi.h"

PopupAlert::~PopupAlert()
{
    if (hwnd)
        KillTimer(PopupAlertTimer);
    message.Release();
}

PopupAlert* NewPopupAlert(Form* owner)
{
    return MakeControl<PopupAlert>([&](PopupAlert& alert) {
        alert.alertOwner = owner;
        alert.Create(NoActivate | ThinBorder | NoTooltip, L"Popup Alert", owner, 99);
    });
}

void PopupAlert::ShowAt(const wchar_t* text, POINT point)
{
    message = String(text);
    SIZE size = {0, 0};
    int h = 20;
    {
        DeviceContext dc = WindowDC();
        dc.SelectFont(GetFont());
        size = dc.MeasureLines(message.Data(), message.Length());
        h = dc.LineHeight();
    }
    int width = size.cx + 4 * h;
    int height = size.cy + h;
    RECT r;
    r.left = point.x - width / 2 - 1;
    r.top = point.y - height / 2 - 1;
    r.right = r.left + width + 2;
    r.bottom = r.top + height + 2;
    ClampRectToWorkArea(r);
    SetBounds(r);

    KillTimer(PopupAlertTimer);
    SetTimer(PopupAlertTimer, 100);
    ticks = 0;
    ShowNoActivate();
    paintCounter++;
    Invalidate();
}

void PopupAlert::OnTimer(MessageRecord&)
{
    if (ticks < 10) {
        paintCounter++;
        ticks++;
        Invalidate();
        return;
    }
    KillTimer(PopupAlertTimer);
    Hide();
}

void PopupAlert::OnCancelMode(MessageRecord& m)
{
    DefaultProc(m);
    KillTimer(PopupAlertTimer);
    Hide();
}

void PopupAlert::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    dc.SelectFont(GetFont());
    HDC hdc = dc.Hdc();
    SetBkMode(hdc, TRANSPARENT);
    COLORREF top = GetSysColor(COLOR_WINDOW);
    COLORREF textColour = GetSysColor(COLOR_WINDOWTEXT);
    // Each term divided on its own, as the colours were always mixed here.
    auto mix = [](int a, int b) { return a * 80 / 100 + b * 20 / 100; };
    COLORREF bottom = RGB(mix(GetRValue(top), GetRValue(textColour)),
                          mix(GetGValue(top), GetGValue(textColour)),
                          mix(GetBValue(top), GetBValue(textColour)));
    dc.GradientV(ClientRect(), top, bottom);
    if (paintCounter % 3 == 2)
        return;
    int h = dc.LineHeight();
    SetTextColor(hdc, textColour);
    int y = h / 2;
    ForEachLine(message.Data(), message.Length(), [&](const wchar_t* line, int64_t n) {
        ExtTextOutW(hdc, 2 * h, y, 0, nullptr, line, static_cast<UINT>(AsInt(n)), nullptr);
        y += h;
    });
}
