// Painting of the visible rows of a view, layer by layer.

#include "base/Error.h"
#include "spell/DictRegistry.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/LineLayout.h"
#include "view/ViewState.h"
#include "view/ViewStyle.h"

#include <climits>
#include <cstdint>

namespace {

int Clamp32(int64 v)
{
    return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

int64 Max(int64 a, int64 b) { return a > b ? a : b; }
int64 Min(int64 a, int64 b) { return a < b ? a : b; }

bool IsCommentClass(int32 cls) { return cls >= 2 && cls <= 4; }
bool IsStringClass(int32 cls) { return cls == 5 || cls == 6; }

// The tint that marks auto-indent not yet typed.
COLORREF IndentTint(COLORREF c)
{
    return RGB(GetRValue(c) * 80 / 100 + 51, GetGValue(c) * 80 / 100 + 51, GetBValue(c) * 80 / 100);
}

}  // namespace

LineLayout LineLayout::ForPaint(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer, const DeviceContext& dc,
                                const RECT& rect, int32 yOffset, const DictRegistry* registry,
                                const Array<int64>& underlines, const Array<int64>& backgrounds)
{
    return LineLayout(state, style, lexer, dc, rect, yOffset, registry, underlines, backgrounds);
}

LineLayout::LineLayout(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer, const DeviceContext& dc,
                       const RECT& rect, int32 yOffset, const DictRegistry* registry,
                       const Array<int64>& underlines, const Array<int64>& backgrounds)
    : LineLayout(state, style, lexer, dc, rect)
{
    yOffset_ = yOffset;
    registry_ = registry;
    spellUnderline_ = state.spellUnderline;
    underlines_ = underlines;
    backgrounds_ = backgrounds;
    caretAffinity_ = state.EffectiveAffinity();
    int64 anchor = state.AnchorPosition();
    selStart_ = Min(caretPos_, anchor);
    selEnd_ = Max(caretPos_, anchor);
}

void LineLayout::ReleasePaintLists()
{
    underlines_.Release();
    backgrounds_.Release();
    lineRuns_.Release();
    lineUnits_.Release();
    lineLengths_.Release();
}

void LineLayout::Fill(int64 left, int64 top, int64 right, int64 bottom, COLORREF colour)
{
    if (right <= left || bottom <= top)
        return;
    RECT r{Clamp32(left), Clamp32(top), Clamp32(right), Clamp32(bottom)};
    dc_.FillRect(r, colour);
}

int64 LineLayout::ScreenX(const LayoutRun& run) const
{
    return rect_.left + textLeft_ - state_.horzOffset + run.x;
}

void LineLayout::FindCaret(const LayoutRun& run)
{
    if (caretPos_ < run.pos || caretPos_ > run.End())
        return;
    int64 x;
    if (caretPos_ == run.pos) {
        if (caretAffinity_ == 1 && run.kind != RunLineStart && run.kind != RunLineEnd && run.kind != RunEndOfText)
            return;
        x = run.x;
    } else if (caretPos_ == run.End()) {
        if (caretAffinity_ == 2 || run.kind == RunLineEnd)
            return;
        x = run.x + run.width;
    } else {
        x = RunPositionToX(run, caretPos_);
    }
    result_.caretX = x;
    result_.caretY = run.y;
}

void LineLayout::StoreRun(const LayoutRun& run)
{
    LayoutRun copy = run;
    copy.textStart = AsInt(lineUnits_.Count());
    if (run.textCount > 0) {
        lineUnits_.InsertCopies(lineUnits_.Count(), tokenText_.Units() + run.textStart, run.textCount);
        lineLengths_.InsertCopies(lineLengths_.Count(), tokenText_.ByteLengths() + run.textStart, run.textCount);
    }
    lineRuns_.Insert(lineRuns_.Count(), copy);
}

void LineLayout::PaintLines(PaintResult& result)
{
    result_ = PaintResult();
    result_.caretX = -1;
    result_.caretY = -1;
    SeekTo(state_.TopPosition(), 2);
    result_.firstPainted = run_.pos;
    result_.lastFullyVisible = run_.pos;
    result_.lastStarted = run_.pos;
    lineRuns_.Resize(0);
    lineUnits_.Resize(0);
    lineLengths_.Resize(0);
    firstLineDrawn_ = false;
    rowShownEnd_ = -1;
    bool topRow = true;
    int64 shownFrom = -1;
    // Runs far off to either side are not kept; the right margin is taken
    // from the view's own width so that nothing near the edge is lost.
    int64 width = static_cast<int64>(rect_.right) - rect_.left;
    int64 limit = static_cast<int64>(textAreaHeight_) + yOffset_;
    while (run_.y < limit) {
        const LayoutRun& r = run_;
        FindCaret(r);
        int64 x = textLeft_ + r.x - state_.horzOffset;
        if ((r.kind >= RunLineStart && r.kind <= RunEndOfText) || (x < width + 50 && x + r.width > -50))
            StoreRun(r);
        else if (x >= width + 50) {
            int64 at = r.pos;
            if (SkipRestOfLine(INT64_MAX) && rowShownEnd_ < 0)
                rowShownEnd_ = at;
        }
        // Runs ending 50 pixels left of the view are neither kept nor drawn:
        // a row scrolled far right goes on at a point near its left edge,
        // short of the caret, which a run it holds must still find.
        if (r.kind == RunLineStart && state_.horzOffset > 0) {
            const LongLineCache::Point* point =
                JumpAlongRow(caretPos_ >= r.pos ? caretPos_ : INT64_MAX, state_.horzOffset - textLeft_ - 50);
            // The top row shows nothing before the point it jumped to.
            if (point && topRow)
                shownFrom = point->pos;
        }
        if (r.kind == RunLineEnd || r.kind == RunWrap) {
            DrawLine();
            rowShownEnd_ = -1;
            topRow = false;
            lineRuns_.Resize(0);
            lineUnits_.Resize(0);
            lineLengths_.Resize(0);
        } else if (r.kind == RunEndOfText) {
            DrawLine();
            break;
        }
        NextRun();
    }
    result_.valid = 1;
    result_.firstPainted2 = shownFrom > result_.firstPainted ? shownFrom : result_.firstPainted;
    result_.caretHeight = lineHeight_;
    int32 rows = textAreaHeight_ / lineHeight_;
    result_.visibleRows = rows < 1 ? 1 : rows;
    result_.pageWidth = wrapWidth_;
    result_.textAreaHeight = textAreaHeight_;
    result = result_;
}

int64 LineLayout::LineX(int64 position)
{
    int64 n = lineRuns_.Count();
    const LayoutRun* runs = lineRuns_.Data();
    if (position <= runs[0].pos)
        return runs[0].x;
    if (position >= runs[n - 1].pos)
        return runs[n - 1].x;
    for (int64 i = 0; i < n; i++) {
        const LayoutRun& r = runs[i];
        if (r.pos > position)
            return r.x;  // inside a run left out as off screen
        if (r.length > 0 && position < r.End())
            return PositionToXIn(r, position, lineUnits_.Data(), lineLengths_.Data());
    }
    return runs[n - 1].x;
}

void LineLayout::DrawControlFrame(const LayoutRun& run, int64 x, int64 y)
{
    int32 pad = lineHeight_ / 5 > 1 ? lineHeight_ / 5 : 1;
    int32 frame = pad / 3 > 1 ? pad / 3 : 1;
    int32 inset = lineHeight_ >= 10 ? 1 : 0;
    RECT r{Clamp32(x + frame), Clamp32(y + inset), Clamp32(x + run.width - frame), Clamp32(y + lineHeight_ - inset)};
    dc_.FrameRect(r, MixColors(TokenColor(run.Class()), style_.textBgColor, 50, 100), frame);
}

void LineLayout::DrawMisspelling(int64 x, int32 width, int64 bottom)
{
    static const int8_t kDashed[12] = {1, 1, 9, 9, 1, 1, 9, 9, 1, 1, 9, 9};  // 9: no pixel
    static const int8_t kFlat[12] = {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
    static const int8_t kWave[12] = {0, -1, -1, 0, 1, 1, 0, -1, -1, 0, 1, 1};
    const int8_t* offsets = lineHeight_ < 12 ? kDashed : lineHeight_ < 18 ? kFlat : kWave;
    int64 from = Max(0, rect_.left - x), to = Min(width, rect_.right - x);
    for (int64 i = from; i < to; i++) {
        int8_t off = offsets[i % 12];
        if (off != 9)
            SetPixelV(dc_.Hdc(), Clamp32(x + i), Clamp32(bottom - 2 + off), style_.underlinesColor);
    }
}

void LineLayout::DrawWrapBars(int64 x, int64 y, int32 direction)
{
    int32 lh = lineHeight_;
    int32 bar = lh / 20 + 1;
    int64 top = y + lh / 3, bottom = y + lh - lh / 3;
    for (int32 i = 0; i < 16; i++) {
        if (direction > 0) {
            int64 left = x + lh / 16 + static_cast<int64>(i) * 2 * bar;
            Fill(left, top, left + bar, bottom, style_.wrapIndicatorColor);
        } else {
            int64 right = x - lh / 16 - static_cast<int64>(i) * 2 * bar;
            Fill(right - bar, top, right, bottom, style_.wrapIndicatorColor);
        }
    }
}

void LineLayout::DrawOverflow(int64 edge, int64 y, int32 direction)
{
    int32 lh = lineHeight_;
    int32 width = lh / 3 > 4 ? lh / 3 : 4;
    int64 left = direction < 0 ? edge : edge - width;
    Fill(left, y, left + width, y + lh, style_.overflowBgColor);
    // Two nested chevrons pointing out of the view.
    int32 size = lh / 6 > 2 ? lh / 6 : 2;
    int64 cy = y + lh / 2;
    int64 tip = direction < 0 ? left + (width - size) / 2 : left + (width + size) / 2;
    dc_.SelectPen(MakeSolidPen(style_.overflowFgColor, 1));
    for (int32 k = 0; k < 2; k++) {
        int64 t = tip - direction * k;
        int64 back = t - direction * size;
        POINT points[3] = {{Clamp32(back), Clamp32(cy - size)},
                           {Clamp32(t), Clamp32(cy)},
                           {Clamp32(back), Clamp32(cy + size)}};
        Polyline(dc_.Hdc(), points, 3);
    }
    dc_.RestorePen();
}

void LineLayout::DrawGutter(int64 y, bool firstLine, bool endOfText, int64 first, int64 last)
{
    int64 left = rect_.left, width = gutterWidth_, lh = lineHeight_;
    int64 top = firstLine ? rect_.top : y;
    Fill(left, top, left + width, y + lh, style_.bgShade1);
    Fill(left + width - 1, top, left + width, y + lh, style_.bgShade2);
    if (document_ && document_->BookmarkInRange(first, last) >= 0) {
        int64 s = lh / 2, mark = left + (width - s) / 2, markTop = y + lh / 4;
        Fill(mark + 1, markTop + 1, mark + 1 + s, markTop + 1 + s, 0xC0C0C0);
        Fill(mark - 1, markTop - 1, mark - 1 + s, markTop - 1 + s, 0xFFFF80);
    }
    if (endOfText) {
        int64 areaBottom = static_cast<int64>(rect_.bottom) + yOffset_;
        for (int64 band = y + lh + 2; band < areaBottom; band += 4)
            Fill(left, band, left + width, Min(band + 2, areaBottom), style_.bgShade1);
        Fill(left + width - 4, y + lh, left + width + 3, y + lh + 7, style_.bgShade2);
    }
}

void LineLayout::DrawRunText(int64 x, int64 y, const wchar_t* units, int32 count, int32 cls)
{
    SelectTokenFont(cls);
    if (advanced_) {
        RECT r{Clamp32(x), Clamp32(y), INT_MAX, INT_MAX};
        DrawTextW(dc_.Hdc(), units, count, &r, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
    } else {
        ExtTextOutW(dc_.Hdc(), Clamp32(x), Clamp32(y), 0, nullptr, units, static_cast<UINT>(count), nullptr);
    }
}

void LineLayout::DrawLine()
{
    int64 n = lineRuns_.Count();
    if (n == 0)
        return;
    const LayoutRun* runs = lineRuns_.Data();
    const LayoutRun& first = runs[0];
    const LayoutRun& last = runs[n - 1];
    HDC hdc = dc_.Hdc();
    int64 lh = lineHeight_;
    int64 y = rect_.top + style_.topMargin + first.y;
    int64 left = rect_.left + gutterWidth_, right = rect_.right;
    int64 firstPos = first.pos, lastPos = last.pos, lastEnd = last.End();
    int64 caret = caretPos_;

    bool caretLine = (firstPos < caret && caret < lastPos) ||
                     (caret == firstPos && (first.kind == RunLineStart || caretAffinity_ == 2)) ||
                     (caret == lastPos && (last.kind == RunLineEnd || caretAffinity_ == 1 || caret == Text().Size()));

    if (first.y + lh <= textAreaHeight_)
        result_.lastFullyVisible = lastEnd;
    if (first.y <= textAreaHeight_)
        result_.lastStarted = rowShownEnd_ >= 0 ? rowShownEnd_ : lastEnd;

    COLORREF textBg = style_.textBgColor;
    Fill(left, y, right, y + lh, caretLine && style_.lineBgColor != textBg ? style_.lineBgColor : textBg);

    // Region and class backgrounds.
    for (int64 i = 0; i < n; i++) {
        const LayoutRun& r = runs[i];
        int64 sx = ScreenX(r);
        int64 end = r.kind == RunLineEnd ? right : sx + r.width;
        if (r.kind == RunIndent) {
            Fill(sx, y, sx + r.width, y + lh, IndentTint(textBg));
            continue;
        }
        if (r.Region() == 15 && style_.tagBgColor != textBg)
            Fill(sx, y, end, y + lh, style_.tagBgColor);
        int32 cls = r.Class();
        if (IsCommentClass(cls) && style_.commentBgColor != textBg)
            Fill(sx, y, end, y + lh, style_.commentBgColor);
        else if (IsStringClass(cls) && r.kind != RunLineEnd && style_.stringBgColor != textBg)
            Fill(sx, y, sx + r.width, y + lh, style_.stringBgColor);
    }

    int64 originX = rect_.left + textLeft_ - state_.horzOffset;
    for (int64 i = 0; i + 1 < backgrounds_.Count(); i += 2) {
        int64 s = backgrounds_.At(i), e = backgrounds_.At(i + 1);
        if (s > lastEnd || e < firstPos)
            continue;
        int64 xs = LineX(s), xe = LineX(e);
        if (xe > xs)
            Fill(originX + xs + 1, y + 1, originX + xe - 1, y + lh - 1, style_.highlightBgColor);
    }

    if (selStart_ < selEnd_ && selStart_ <= lastEnd && selEnd_ >= firstPos) {
        int64 xs = LineX(selStart_), xe = LineX(selEnd_);
        if (xe > xs)
            Fill(originX + xs, y, originX + xe, y + lh, style_.selectionBgColor);
        if (last.kind == RunLineEnd && selStart_ <= last.pos && lastEnd <= selEnd_) {
            int64 w = Max(lh / 2, 9);
            Fill(ScreenX(last), y, ScreenX(last) + w, y + lh, style_.selectionColor2);
        }
    }

    if (caretLine && style_.lineFrameColor != style_.lineBgColor) {
        RECT frame{Clamp32(left), Clamp32(y), Clamp32(right), Clamp32(y + lh)};
        dc_.FrameRect(frame, style_.lineFrameColor, 1);
    }

    SetBkMode(hdc, TRANSPARENT);
    bool framesDrawn = false;
    if (underlines_.Count() > 0) {
        for (int64 i = 0; i < n; i++)
            if (runs[i].kind == RunControl)
                DrawControlFrame(runs[i], ScreenX(runs[i]), y);
        framesDrawn = true;
        int64 strip = lh / 4 + 1;
        for (int64 i = 0; i + 1 < underlines_.Count(); i += 2) {
            int64 s = underlines_.At(i), e = underlines_.At(i + 1);
            if (s > lastEnd || e < firstPos)
                continue;
            int64 xs = originX + LineX(s), xe = originX + LineX(e);
            if (xe == xs) {
                int64 d = lh / 5 + 1;
                xs -= d;
                xe += d;
            }
            Fill(xs, y + lh - strip, xe, y + lh, style_.selectionColor3);
        }
    }

    const wchar_t* units = lineUnits_.Data();
    for (int64 i = 0; i < n; i++) {
        const LayoutRun& r = runs[i];
        int64 sx = ScreenX(r);
        bool inside = sx < right && sx + r.width > rect_.left;
        if (r.kind == RunText && inside) {
            const wchar_t* word = units + r.textStart;
            if (spellUnderline_ && registry_ && r.lettersOnly && r.textCount >= 2 &&
                !registry_->IsCorrect(word, r.textCount))
                DrawMisspelling(sx, r.width, y + lh);
            SetTextColor(hdc, TokenColor(r.Class()));
            DrawRunText(sx, y, word, r.textCount, r.Class());
        } else if (r.kind == RunControl && inside) {
            if (!framesDrawn)
                DrawControlFrame(r, sx, y);
            Text().DecodeChar(r.pos);
            int32 length = 0;
            const wchar_t* name = ControlCharName(Text().DisplayCode(), length);
            int32 pad = lineHeight_ / 5 > 1 ? lineHeight_ / 5 : 1;
            SelectFontIndex(2);
            SetTextColor(hdc, TokenColor(r.Class()));
            ExtTextOutW(hdc, Clamp32(sx + pad), Clamp32(y + normalAscent_ - smallAscent_), 0, nullptr, name,
                        static_cast<UINT>(length), nullptr);
        } else if (r.kind == RunContinuation) {
            DrawWrapBars(sx, y, -1);
        } else if (r.kind == RunWrap) {
            DrawWrapBars(sx, y, 1);
        }
    }

    int64 endX = ScreenX(last) + last.width;
    if (last.x + last.width > first.x) {
        if (state_.horzOffset > 0)
            DrawOverflow(left, y, -1);
        if (endX >= right)
            DrawOverflow(right, y, 1);
    }

    if (gutterWidth_ > 0)
        DrawGutter(y, !firstLineDrawn_, last.kind == RunEndOfText, firstPos, lastPos);
    firstLineDrawn_ = true;
    result_.widest = Max(result_.widest, last.x + last.width);
}
