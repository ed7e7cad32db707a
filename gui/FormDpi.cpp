// A form's DPI, its two fonts from the system's message font, and the
// refit after a move to a monitor with another DPI.

#include "gui/Dpi.h"
#include "gui/Form.h"
#include "gui/PointerList.h"

#include <algorithm>

int Form::DetectDpi()
{
    int d = 0;
    if (hwnd)
        d = MonitorDpi(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST));
    if (d == 0)
        d = ScreenDpi();
    dpi = static_cast<uint32_t>(d);
    return d;
}

int Form::GetDpi()
{
    return dpi >= 96 ? static_cast<int>(dpi) : DetectDpi();
}

void Form::SetDpi(int value)
{
    if (value < 96)
        DetectDpi();
    else
        dpi = static_cast<uint32_t>(value);
}

int Form::ButtonHeight()
{
    return static_cast<int>(buttonHeight);
}

void Form::BuildFonts(int d)
{
    if (d < 96)
        d = DetectDpi();
    dpi = static_cast<uint32_t>(d);

    GdiObj normal, bold;
    NONCLIENTMETRICSW metrics;
    static_assert(sizeof(metrics) == 504, "the metrics include iPaddedBorderWidth");
    ZeroMemory(&metrics, sizeof(metrics));
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) {
        buttonHeight = 0;
        // The metrics come in the screen's DPI.
        LOGFONTW font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, d, ScreenDpi());
        normal = MakeFontIndirect(&font);
        font.lfWeight = FW_BOLD;
        bold = MakeFontIndirect(&font);
    } else {
        normal = MakeFontIndirect(nullptr);
        DeviceContext screen;
        screen.FromWindow(nullptr);
        screen.SelectFont(normal);
        String face = screen.FaceName();
        TEXTMETRICW tm = {};
        GetTextMetricsW(screen.Hdc(), &tm);
        bold = MakeFont(face.CStr(), tm.tmHeight, FW_BOLD, 0, DEFAULT_CHARSET);
    }
    normalFont = normal;
    boldFont = bold;

    // Re-read the count: applying a font may run code that changes the list.
    for (int64 i = 0; i < fontUsers.Count(); i++)
        fontUsers.At(i)->ApplyFont(normalFont, true);
}

GdiObj Form::GetFont()
{
    if (normalFont.IsEmpty())
        BuildFonts(static_cast<int>(dpi));
    return normalFont;
}

GdiObj Form::GetBoldFont()
{
    if (boldFont.IsEmpty())
        BuildFonts(static_cast<int>(dpi));
    return boldFont;
}

void Form::AddFontUser(Control* control)
{
    AppendOnce(fontUsers, control);
    // ApplyFont, not SetFont: SetFont would end the subscription just made.
    control->ApplyFont(GetFont(), true);
}

void Form::RemoveFontUser(Control* control)
{
    RemovePointer(fontUsers, control);
}

void Form::OnDpiChanged(MessageRecord& m)
{
    Control* saved = content;
    try {
        SetDpi(HIWORD(m.wParam));
        BuildFonts(static_cast<int>(dpi));
        RECT suggested = *reinterpret_cast<const RECT*>(m.lParam);
        int W = suggested.right - suggested.left;
        int H = suggested.bottom - suggested.top;
        // The second pass measures with the frame of the new monitor.
        for (int pass = 0; pass < 2; pass++) {
            SizeLimits limits;
            Measure(limits);
            int w = std::max(limits.minWidth, std::min(W, limits.maxWidth));
            int h = std::max(limits.minHeight, std::min(H, limits.maxHeight));
            RECT r;
            r.left = suggested.left + (W - w) / 2;
            r.top = suggested.top + (H - h) / 2;
            r.right = r.left + w;
            r.bottom = r.top + h;
            content = nullptr;
            SetBounds(r);
            content = saved;
        }
        if (content)
            content->SetBounds(ClientRect());
    } catch (...) {
        content = saved;
    }
}
