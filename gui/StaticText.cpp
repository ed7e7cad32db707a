#include "gui/StaticText.h"

#include "gui/NativeControl.h"

#include <climits>

StaticText::StaticText() : horizontalInset(0), verticalInset(0), wrapWidth(0) {}

void StaticText::Measure(SizeLimits& limits)
{
    limits = {50, 20, 250, 100};
    DeviceContext dc = MeasuringDC(*this);
    LONG width = INT_MAX;
    if (wrapWidth > 0)
        width = wrapWidth;
    else if (wrapWidth < 0)
        width = AsInt((int64(AlphabetWidth(dc)) + 26) * -int64(wrapWidth) / 52);
    String text = GetText();
    SIZE size;
    if (!DrawTextSize(dc, text.CStr(), text.Length(), DT_NOPREFIX | DT_WORDBREAK, width, 1, size))
        size = {0, 0};
    // Glyphs may ink past the advance widths the measure adds up (letters
    // taken from a fallback font, antialiased rendering), and the control
    // clips at its edge: wrapped text keeps an average character of room, so
    // the last character is not cut off.
    TEXTMETRICW metrics;
    if (wrapWidth != 0 && size.cx > 0 && dc.IsOpen() && GetTextMetricsW(dc.Hdc(), &metrics))
        size.cx += metrics.tmAveCharWidth;
    int d = GetDpi();
    int32_t w = size.cx + 2 * MulDiv(horizontalInset, d, 96);
    int32_t h = size.cy + 2 * MulDiv(verticalInset, d, 96);
    limits = {w, h, w, h};
}

void StaticText::SetBounds(const RECT& rect)
{
    int d = GetDpi();
    int32_t h = MulDiv(horizontalInset, d, 96);
    // The bottom keeps its place: the last line may use the inset below it.
    GuiBase::SetBounds({rect.left + h, rect.top + MulDiv(verticalInset, d, 96), rect.right - h,
                        rect.bottom});
}

StaticText* NewStaticText(ControlGroup* parent, const wchar_t* text)
{
    return MakeControl<StaticText>([&](StaticText& control) {
        CreateNativeControl(control, parent, L"STATIC", SS_LEFT, 33, NoTabStop, nullptr);
        FinishNativeControl(control, text);
    });
}
