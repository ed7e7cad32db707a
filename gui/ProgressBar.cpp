#include "gui/ProgressBar.h"

#include "base/UiLanguage.h"
#include "gui/NativeControl.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

// a x b / c for a bar: exact while the product fits, else in double
// precision, clamped to 32 bits either way.
int ScaledClamped(int64_t a, int64_t b, int64_t c)
{
    double value;
    if (b == 0 || (a <= INT64_MAX / b && a >= INT64_MIN / b))
        value = static_cast<double>(a * b / c);
    else
        value = static_cast<double>(a) * static_cast<double>(b) / static_cast<double>(c);
    return static_cast<int>(std::max<double>(INT_MIN, std::min<double>(INT_MAX, value)));
}

}  // namespace

ProgressBar* NewProgressBar(ControlGroup* parent, uint32_t controlId)
{
    return MakeControl<ProgressBar>([&](ProgressBar& bar) {
        bar.parent = parent;
        bar.id = controlId;
        bar.style = OwnClass | ArrowCursor;
        bar.SetHint(IsPolishUi() ? L"Wyświetla stopień zaawansowania operacji."
                                 : L"Displays operation progress.");
        bar.Create(L"Progress Bar", 0, 0);
        bar.Show();
    });
}

void ProgressBar::Measure(SizeLimits& limits)
{
    DeviceContext dc = WindowDC();
    dc.SelectFont(GetFont());
    SIZE size = TextExtent(dc, L"100%", 4);
    limits.minWidth = size.cx + 100;
    limits.maxWidth = Unbounded;
    limits.minHeight = limits.maxHeight = size.cy;
}

void ProgressBar::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    HDC hdc = dc.Hdc();
    RECT r = ClientRect();
    RECT bar = r;
    if (showPercentage) {
        wchar_t text[200];
        int percent = total >= 1 ? ScaledClamped(position, 100, total) : 0;
        swprintf(text, 200, L"%d%%", percent);
        dc.SelectFont(GetFont());
        int n = static_cast<int>(wcslen(text));
        SIZE size = TextExtent(dc, text, n);
        SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
        // Opaque: the window erases no background of its own, so the text's
        // cell would keep whatever was on screen.
        RECT cell = {r.right - size.cx, r.top, r.right, r.bottom};
        ExtTextOutW(hdc, r.right - size.cx, 0, ETO_OPAQUE, &cell, text, static_cast<UINT>(n), nullptr);
        SIZE full = TextExtent(dc, L"100%", 4);
        dc.FillRect({r.right - full.cx, r.top, r.right - size.cx, r.bottom},
                    GetSysColor(COLOR_BTNFACE));
        bar.right = r.right - full.cx;
    }
    dc.FrameRect(bar, GetSysColor(COLOR_BTNFACE), 2);
    dc.FrameRect({bar.left + 2, bar.top + 2, bar.right - 2, bar.bottom - 2}, RGB(52, 102, 204), 1);
    RECT inner = {bar.left + 3, bar.top + 3, bar.right - 3, bar.bottom - 3};
    int fillEnd = inner.left;
    if (total >= 1)
        fillEnd = std::min(std::max(ScaledClamped(position, inner.right, total),
                                    static_cast<int>(inner.left)),
                           static_cast<int>(inner.right));
    dc.FillRect({inner.left, inner.top, fillEnd, inner.bottom}, RGB(124, 154, 220));
    dc.FillRect({std::max(fillEnd - 20, static_cast<int>(inner.left)), inner.top, fillEnd, inner.bottom},
                RGB(52, 102, 204));
    dc.FillRect({fillEnd, inner.top, inner.right, inner.bottom}, RGB(204, 206, 252));
}
