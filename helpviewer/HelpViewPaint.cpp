#include "helpviewer/HelpView.h"

#include "helpviewer/HelpChars.h"

#include <algorithm>

namespace {

// Draws a picture; one scaled narrower than twice its bitmap is smoothed.
void DrawPicture(HDC dc, const HelpImage& image, int32 x, int32 y, int32 width, int32 height)
{
    if (image.bitmap.IsEmpty() || width <= 0 || height <= 0)
        return;
    HDC source = CreateCompatibleDC(dc);
    if (!source)
        return;
    HGDIOBJ old = SelectObject(source, image.bitmap.Handle());
    if (image.hasAlpha) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, width, height, source, 0, 0, image.width, image.height, blend);
    } else {
        int previous = SetStretchBltMode(dc, width < 2 * image.width ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, x, y, width, height, source, 0, 0, image.width, image.height, SRCCOPY);
        SetStretchBltMode(dc, previous);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

// Diagonal lines every 3 pixels over a selected picture.
void Hatch(HDC dc, int32 x, int32 y, int32 width, int32 height, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    if (!pen)
        return;
    HGDIOBJ old = SelectObject(dc, pen);
    HRGN clip = CreateRectRgn(x, y, x + width, y + height);
    SaveDC(dc);
    ExtSelectClipRgn(dc, clip, RGN_AND);
    for (int32 d = 0; d < width + height; d += 3) {
        MoveToEx(dc, x + d, y, nullptr);
        LineTo(dc, x + d - height, y + height);
    }
    RestoreDC(dc, -1);
    DeleteObject(clip);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// A space between two words of one underlined stretch (a link) on the same
// line: drawn, so the underline runs on across it.
bool UnderlinedSpace(const std::vector<HelpRun>& runs, const std::vector<HelpFont>& fonts, int32 r,
                     int32 lineFirst, int32 lineEnd)
{
    const HelpRun& run = runs[static_cast<size_t>(r)];
    if (run.kind != HelpRun::kSpace || r <= lineFirst || r + 1 >= lineEnd ||
        !(fonts[static_cast<size_t>(run.font)].flags & kHelpUnderline))
        return false;
    for (int32 k : {r - 1, r + 1}) {
        const HelpRun& word = runs[static_cast<size_t>(k)];
        if (word.kind != HelpRun::kWord || word.line == -1 || word.link != run.link ||
            !(fonts[static_cast<size_t>(word.font)].flags & kHelpUnderline))
            return false;
    }
    return true;
}

}  // namespace

void HelpView::PaintSelection(HDC dc, const HelpLayout& layout, int32 r, int32 x, int32 y)
{
    const HelpRun& run = layout.Runs()[static_cast<size_t>(r)];
    const HelpPosition start = std::min(anchor_, caret_), end = std::max(anchor_, caret_);
    if (start == end || r < start.run || r > end.run || run.Positions() == 0)
        return;
    const int32 a = r == start.run ? start.offset : 0;
    const int32 b = r == end.run ? std::min(end.offset, run.Positions()) : run.Positions();
    if (a >= b)
        return;
    if (run.kind == HelpRun::kPicture) {
        Hatch(dc, x, y, run.width, run.height, kSelection);
        return;
    }
    const int32 left = x + layout.CharX(r, a), right = x + layout.CharX(r, b);
    const RECT rect = {left, y, right, y + run.height};
    SetBkColor(dc, kSelection);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void HelpView::PaintPage(HDC dc, const HelpLayout& layout, int32 scrollX, int32 scrollY, int32 width,
                         int32 height, bool printing)
{
    const RECT all = {0, 0, width, height};
    SetBkColor(dc, kBackground);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    const std::vector<HelpRun>& runs = layout.Runs();
    const std::vector<HelpFont>& fonts = layout.Fonts();
    HGDIOBJ oldFont = SelectObject(dc, fonts[0].font.Handle());
    auto paint = [&](int32 r, int32 lineFirst, int32 lineEnd) {
        const HelpRun& run = runs[static_cast<size_t>(r)];
        const int32 x = run.x - scrollX, y = run.y - scrollY;
        if (!printing)
            PaintSelection(dc, layout, r, x, y);
        const HelpFont& font = fonts[static_cast<size_t>(run.FontIndex())];
        const COLORREF colour = run.colour & HelpRun::kLinkColour
                                    ? (printing ? static_cast<COLORREF>(run.colour & 0xFFFFFF) : kLinkColour)
                                    : static_cast<COLORREF>(run.colour & 0xFFFFFF);
        switch (run.kind) {
        case HelpRun::kWord:
            SelectObject(dc, font.font.Handle());
            SetTextColor(dc, colour);
            ExtTextOutW(dc, x, y, 0, nullptr, run.text, static_cast<UINT>(run.length), nullptr);
            break;
        case HelpRun::kSpace:
            if (UnderlinedSpace(runs, fonts, r, lineFirst, lineEnd)) {
                // One space as wide as the run: its underline spans the gap.
                INT advance = run.width;
                SelectObject(dc, font.font.Handle());
                SetTextColor(dc, colour);
                ExtTextOutW(dc, x, y, 0, nullptr, L" ", 1, &advance);
            }
            break;
        case HelpRun::kBullet:
        case HelpRun::kNumber: {
            // Drawn left of the item's text.
            wchar_t bullet[] = L"\u25CF ";
            NumberText number;
            const wchar_t* text = bullet;
            int32 length = 2;
            if (run.kind == HelpRun::kNumber) {
                ListNumberText(run.number, number);
                text = number.CStr();
                length = static_cast<int32>(number.Length());
            }
            SelectObject(dc, font.font.Handle());
            SetTextColor(dc, colour & 0xFFFFFF);
            SIZE size = {0, 0};
            GetTextExtentPoint32W(dc, text, length, &size);
            ExtTextOutW(dc, x - size.cx, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
            break;
        }
        case HelpRun::kPicture:
            if (run.picture >= 0)
                DrawPicture(dc, layout.Images()[static_cast<size_t>(run.picture)], x, y, run.width, run.height);
            if (!printing)
                PaintSelection(dc, layout, r, x, y);
            break;
        default:
            break;
        }
    };
    const std::vector<HelpLine>& lines = layout.Lines();
    for (size_t li = static_cast<size_t>(layout.LineAtOrBelow(scrollY)); li < lines.size(); li++) {
        const HelpLine& line = lines[li];
        if (line.top - scrollY >= height)
            break;
        for (int32 r = line.first; r < line.end; r++)
            if (runs[static_cast<size_t>(r)].line != -1)
                paint(r, line.first, line.end);
    }
    for (int32 r : layout.Floats()) {
        const HelpRun& run = runs[static_cast<size_t>(r)];
        if (run.y - scrollY < height && run.y + run.height - scrollY > 0)
            paint(r, r, r);
    }
    SelectObject(dc, oldFont);
}

void HelpView::OnPaint(MessageRecord&)
{
    const int32 dpi = GetDpi();
    if (layoutDpi_ != 0 && dpi != layoutDpi_) {
        scrollX_ = MulDiv(scrollX_, dpi, layoutDpi_);
        scrollY_ = MulDiv(scrollY_, dpi, layoutDpi_);
        Rearrange();
    }
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return;
    DeviceContext memory;
    memory.Compatible(&dc);
    memory.SelectBitmap(MakeCompatibleBitmap(dc, client.right, client.bottom));
    PaintPage(memory.Hdc(), layout_, scrollX_, scrollY_, client.right, client.bottom, printing_);
    BitBlt(dc.Hdc(), 0, 0, client.right, client.bottom, memory.Hdc(), 0, 0, SRCCOPY);
}
