// Caret movement, selection, scrolling and mouse input of the text view.

#include "base/Error.h"
#include "text/CharClass.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"


namespace {

constexpr UINT_PTR kMouseTimer = 1;

// Classes of the runs that word moves step over.
enum WordClass { WordBlank, WordChars, WordOther };

int64 Max(int64 a, int64 b) { return a > b ? a : b; }
int64 Min(int64 a, int64 b) { return a < b ? a : b; }

u32 FlagsAt(TextBuff& text, int64 pos)
{
    return CharClass(text.DecodeChar(pos));
}

WordClass ClassOfFlags(u32 flags)
{
    if (flags & (ClassLineBreak | ClassBlank | ClassTab))
        return WordBlank;
    if (flags & (ClassDigit | ClassLetter | ClassUnderscore))
        return WordChars;
    return WordOther;
}

// A combining mark takes the class of the character it follows.
WordClass WordClassAt(TextBuff& text, int64 pos)
{
    u32 flags = FlagsAt(text, pos);
    while ((flags & ClassCombiningMark) && pos > 0) {
        pos = text.CharStart(pos - 1);
        flags = FlagsAt(text, pos);
    }
    return (flags & ClassCombiningMark) ? WordOther : ClassOfFlags(flags);
}

// Adds a wheel delta to a remainder and takes whole steps of perNotch per
// 120 out of it: negative steps for a negative remainder.
int64 WheelSteps(int32& remainder, int64 delta, int64 perNotch)
{
    int64 r = remainder + delta;
    bool negative = r < 0;
    int64 steps = (negative ? -r : r) * perNotch / 120;
    if (steps >= 1) {
        int64 back = steps * 120 / perNotch;
        r = negative ? r + back : r - back;
    }
    remainder = AsInt(r);
    return negative ? -steps : steps;
}

// Saturating n * step for scroll distances.
int64 Times(int64 n, int64 step)
{
    if (step != 0 && n > INT64_MAX / step)
        return INT64_MAX;
    return n * step;
}

}  // namespace

// A layout of the current document over the text area with a lexer of its
// own, for one operation.
class TextView::Layout {
public:
    Layout(TextView& view, ViewState& state, bool reserveBar = false)
        : lexer_(view.NewLexer(state)), dc_(view.WindowDC()), layout_(state, *view.currentStyle, lexer_.get(), dc_,
                                                                      Area(view, reserveBar))
    {
    }
    LineLayout* operator->() { return &layout_; }
    LineLayout& operator*() { return layout_; }

private:
    static RECT Area(TextView& view, bool reserveBar)
    {
        RECT area;
        view.TextArea(area);
        if (reserveBar && !(view.horzRange > view.horzPage)) {
            area.bottom -= view.HorzBarHeight();
            if (area.bottom < area.top + 1)
                area.bottom = area.top + 1;
        }
        return area;
    }

    LexerPtr lexer_;
    DeviceContext dc_;
    LineLayout layout_;
};

LexerPtr TextView::NewLexer(ViewState& state)
{
    if (!lexerFactory)
        throw InternalError();
    return LexerPtr(lexerFactory->CreateLexer(state.document));
}

int32 TextView::PageRows(LineLayout& layout) const
{
    int32 rows = layout.TextAreaHeight() / layout.LineHeight();
    return rows < 1 ? 1 : rows;
}

int64 TextView::TextTop() const
{
    return currentStyle->topMargin;
}

// ---- positions ----

int64 TextView::NextCharPos(int64 pos) const
{
    if (!currentState)
        return pos;
    TextBuff& text = currentState->Text();
    u32 flags = FlagsAt(text, pos);
    int64 next = pos + text.CharLength();
    if (flags & (ClassLetter | ClassDigit)) {
        while (next < text.Size()) {
            if (!(FlagsAt(text, next) & ClassCombiningMark))
                break;
            next += text.CharLength();
        }
    }
    return next;
}

int64 TextView::PrevCharPos(int64 pos) const
{
    if (!currentState || pos <= 0)
        return 0;
    TextBuff& text = currentState->Text();
    int64 before = text.CharStart(pos - 1);
    if (!(FlagsAt(text, before) & ClassCombiningMark))
        return before;
    int64 base = before;
    while (base > 0 && (FlagsAt(text, base) & ClassCombiningMark))
        base = text.CharStart(base - 1);
    u32 flags = FlagsAt(text, base);
    return (flags & (ClassLetter | ClassDigit)) && !(flags & ClassCombiningMark) ? base : before;
}

int64 TextView::WordStart(int64 pos) const
{
    if (!currentState)
        return 0;
    TextBuff& text = currentState->Text();
    WordClass cls = WordClassAt(text, pos);
    while (pos > 0) {
        int64 before = text.CharStart(pos - 1);
        if (WordClassAt(text, before) != cls)
            break;
        pos = before;
    }
    return pos;
}

int64 TextView::WordStartAround(int64 pos) const
{
    if (!currentState)
        return 0;
    TextBuff& text = currentState->Text();
    if (pos > 0 && WordClassAt(text, pos) != WordChars) {
        int64 before = text.CharStart(pos - 1);
        if (WordClassAt(text, before) == WordChars)
            return WordStart(before);
    }
    return WordStart(pos);
}

int64 TextView::WordEnd(int64 pos) const
{
    if (!currentState)
        return pos;
    TextBuff& text = currentState->Text();
    WordClass cls = WordClassAt(text, pos);
    while (pos < text.Size() && WordClassAt(text, pos) == cls) {
        text.DecodeChar(pos);
        pos += text.CharLength();
    }
    return pos;
}

int64 TextView::SmartHomePos(int64 pos) const
{
    if (!currentState)
        return pos;
    TextBuff& text = currentState->Text();
    int64 start = text.LineStart(text.LineOfOffset(pos));
    int64 first = start;
    while (first < text.Size()) {
        u32 flags = FlagsAt(text, first);
        if ((flags & (ClassBlank | ClassTab)) == 0 || (flags & ClassLineBreak))
            break;
        first += text.CharLength();
    }
    return pos == first ? start : first;
}

int64 TextView::LineEndPos(int64 pos) const
{
    if (!currentState)
        return pos;
    TextBuff& text = currentState->Text();
    int64 line = text.LineOfOffset(pos);
    if (line >= text.LineBreakCount())
        return text.Size();
    return text.CharStart(text.LineStart(line + 1) - 1);
}

int32 TextView::GutterWidth()
{
    RECT area;
    TextArea(area);
    int32 textHeight = currentStyle->textHeight;
    return area.right - area.left >= 2 * textHeight ? textHeight : 0;
}

int64 TextView::ClientXToTextX(int64 x)
{
    int64 origin = GutterWidth() > 0 && currentStyle->textHeight != 0 ? currentStyle->lineHeight
                                                                      : currentStyle->lineHeight - currentStyle->textHeight;
    return x - origin + (currentState ? currentState->horzOffset : 0);
}

int64 TextView::TextXToClientX(int64 x)
{
    return x - ClientXToTextX(0);
}

// ---- caret and selection ----

void TextView::SetCaret(TextDocument* document, int64 pos, u32 flags, int32 affinity)
{
    ViewState* state = FindViewState(document);
    if (!state || pos < 0)
        return;
    TextBuff& text = state->Text();
    pos = Min(pos, text.Size());
    if (affinity != 0)
        state->caretAffinity = affinity;
    if (state->CaretPosition() != state->AnchorPosition())
        Invalidate();
    text.SetMarker(state->caretMarker, pos);
    if (!(flags & CaretKeepAnchor))
        text.SetMarker(state->anchorMarker, pos);
    state->caretFlagsSeen |= flags;
    if (!(flags & CaretKeepDesiredX))
        state->desiredX = -1;
    if (state == currentState && (flags & CaretScrollIntoView)) {
        ScrollToShow(pos, state->EffectiveAffinity(), true, true);
        ScrollToShowHorizontally(pos, state->EffectiveAffinity());
    }
    Invalidate();
}

void TextView::MoveCharRight(u32 extend)
{
    if (currentState)
        SetCaret(currentDocument, NextCharPos(currentState->CaretPosition()), 1 | extend, 1);
}

void TextView::MoveWordRight(u32 extend)
{
    if (currentState)
        SetCaret(currentDocument, WordEnd(currentState->CaretPosition()), 1 | extend, 1);
}

void TextView::MoveToLineStart(u32 extend)
{
    if (!currentState)
        return;
    TextBuff& text = currentState->Text();
    SetCaret(currentDocument, text.LineStart(text.LineOfOffset(currentState->CaretPosition())), 1 | extend, 2);
}

void TextView::MoveToLineEnd(u32 extend)
{
    if (currentState)
        SetCaret(currentDocument, LineEndPos(currentState->CaretPosition()), 1 | extend, 1);
}

void TextView::MoveByRows(bool up, int64 rows, u32 extend)
{
    if (!currentState)
        return;
    ViewState& state = *currentState;
    Layout layout(*this, state);
    int64 caret = state.CaretPosition();
    int32 affinity = state.EffectiveAffinity();
    int64 x = state.desiredX >= 0 ? state.desiredX : layout->PositionToPoint(caret, affinity).x;
    if (rows < 0) {
        int32 page = PageRows(*layout) - 1;
        rows = page < 1 ? 1 : page;
    }
    PositionAffinity to = up ? layout->MoveUpLines(caret, rows, x, affinity)
                             : layout->MoveDownLines(caret, rows, x, affinity);
    if (state.desiredX < 0)
        state.desiredX = x;
    SetCaret(currentDocument, to.pos, 5 | extend, to.affinity);
}

void TextView::MoveLineUp(u32 extend)
{
    MoveByRows(true, 1, extend);
}

void TextView::MoveLineDown(u32 extend)
{
    MoveByRows(false, 1, extend);
}

void TextView::MovePageUp(u32 extend)
{
    MoveByRows(true, -1, extend);
}

void TextView::MovePageDown(u32 extend)
{
    MoveByRows(false, -1, extend);
}

void TextView::CollapseToSelectionStart()
{
    if (!currentState)
        return;
    int64 caret = currentState->CaretPosition(), anchor = currentState->AnchorPosition();
    SetCaret(currentDocument, Min(caret, anchor), 1, caret <= anchor ? currentState->EffectiveAffinity() : 2);
}

void TextView::CollapseToSelectionEnd()
{
    if (!currentState)
        return;
    int64 caret = currentState->CaretPosition(), anchor = currentState->AnchorPosition();
    SetCaret(currentDocument, Max(caret, anchor), 1, caret >= anchor ? currentState->EffectiveAffinity() : 1);
}

void TextView::CancelSelection(TextDocument* document)
{
    ViewState* state = FindViewState(document);
    if (!state)
        return;
    state->Text().SetMarker(state->anchorMarker, state->CaretPosition());
    Invalidate();
}

PositionAffinity TextView::HitTest(int64 x, int64 y)
{
    if (!currentState)
        return {0, 2};
    Layout layout(*this, *currentState);
    return layout->PointToPosition(x, y);
}

POINT TextView::PositionToPoint(int64 pos)
{
    if (!currentState)
        return POINT{0, 0};
    Layout layout(*this, *currentState);
    LayoutPoint p = layout->PositionToPoint(pos, currentState->EffectiveAffinity());
    int64 x = TextXToClientX(p.x), y = p.y + TextTop();
    auto clamp = [](int64 v) { return static_cast<LONG>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
    return POINT{clamp(x), clamp(y)};
}

// ---- scrolling ----

void TextView::SetTopPosition(int64 pos)
{
    if (!currentState)
        return;
    TextBuff& text = currentState->Text();
    pos = text.CharStart(Max(0, Min(pos, text.Size())));
    if (pos > 0) {
        int64 before = text.CharStart(pos - 1);
        text.DecodeChar(before);
        if (text.CharLength() > 1 && before + text.CharLength() > pos)
            pos = before;
    }
    text.SetMarker(currentState->topMarker, pos);
    Invalidate();
}

void TextView::ScrollToShow(int64 pos, int32 affinity, bool barsFollow, bool reserveBar)
{
    if (!currentState)
        return;
    ViewState& state = *currentState;
    state.barsFollow = barsFollow;
    int64 top = state.TopPosition();
    if (pos == 0 && top != 0) {
        SetTopPosition(0);
        return;
    }
    TextBuff& text = state.Text();
    Layout layout(*this, state, reserveBar);
    int64 rows = PageRows(*layout);
    if (state.wordWrap) {
        if (pos >= top && !(pos == top && affinity == 1)) {
            int64 line = text.LineOfOffset(pos);
            int64 from = Max(text.LineStart(Max(line - (rows + 1), 0)), top);
            Array<int64> starts = layout->LineStarts(from, pos, affinity);
            int64 n = starts.Count();
            if (n > 0) {
                int64 newTop = starts.At(Max(n - rows, 0));
                if (newTop > top)
                    SetTopPosition(newTop);
            }
        } else {
            layout->SeekTo(pos, affinity);
            SetTopPosition(layout->Current().pos);
        }
    } else {
        int64 p = text.LineOfOffset(pos), t = text.LineOfOffset(top);
        if (p >= t + rows)
            t = p - rows + 1;
        SetTopPosition(text.LineStart(Min(p, t)));
    }
}

void TextView::ScrollToShowHorizontally(int64 pos, int32 affinity)
{
    if (!currentState)
        return;
    Layout layout(*this, *currentState);
    int64 x = layout->PositionToPoint(pos, affinity).x;
    int64 w = layout->WrapWidth();
    int64 h = currentState->horzOffset;
    if (x > h + w)
        h = x - w;
    if (x < h + w / 2 + 1)
        h = x - (w / 2 + 1);
    currentState->horzOffset = Max(h, 0);
    Invalidate();
}

void TextView::ScrollByRows(bool up, int64 rows)
{
    if (!currentState)
        return;
    int64 target;
    {
        Layout layout(*this, *currentState);
        int64 page = PageRows(*layout);
        int64 top = currentState->TopPosition();
        if (up) {
            int64 n = rows < 0 ? Max(page - 1, 1) : Max(rows, 1);
            target = layout->MoveUpLines(top, n, 0, 2).pos;
        } else {
            int64 n = rows < 0 ? Max(2 * page - 2, 1) : Max(page - 1 + rows, 1);
            target = layout->MoveDownLines(top, n, 0, 2).pos;
        }
    }
    ScrollToShow(target, 2, true, up);
}

void TextView::ScrollLinesUp(int64 n)
{
    ScrollByRows(true, Max(n, 0));
}

void TextView::ScrollLinesDown(int64 n)
{
    ScrollByRows(false, Max(n, 0));
}

void TextView::ScrollPageUp()
{
    ScrollByRows(true, -1);
}

void TextView::ScrollPageDown()
{
    ScrollByRows(false, -1);
}

void TextView::SetHorzOffset(int64 offset)
{
    if (!currentState || offset == currentState->horzOffset)
        return;
    currentState->horzOffset = offset;
    Invalidate();
}

void TextView::ScrollLeftStep()
{
    ScrollLeftSteps(1);
}

void TextView::ScrollLeftSteps(int64 n)
{
    if (!currentState || n <= 0)
        return;
    int64 p = currentState->horzOffset;
    int64 to = p - Times(n, horzPage / 20);
    if (to == p)
        to = p - 1;
    SetHorzOffset(Max(to, 0));
}

void TextView::ScrollRightSteps(int64 n)
{
    if (!currentState || n <= 0)
        return;
    int64 p = currentState->horzOffset;
    int64 step = Times(n, horzPage / 20);
    int64 to = step > INT64_MAX - p ? INT64_MAX : p + step;
    if (to == p)
        to = p + 1;
    int64 most = Max(horzRange - horzPage, 0);
    SetHorzOffset(Min(to, Max(most, p)));
}

void TextView::ScrollPageLeft()
{
    if (currentState)
        SetHorzOffset(Max(currentState->horzOffset - horzPage, 0));
}

void TextView::ScrollPageRight()
{
    if (!currentState)
        return;
    int64 p = currentState->horzOffset;
    int64 to = horzPage > 0 ? p + horzPage : p + 1;
    int64 most = Max(horzRange - horzPage, 0);
    SetHorzOffset(Min(to, Max(most, p)));
}

void TextView::UpdateScrollBars(const PaintResult& result)
{
    if (!currentState) {
        horzPos = vertPos = 0;
        horzPage = vertPage = 1;
        horzRange = vertRange = 1;
        return;
    }
    ViewState& state = *currentState;
    state.paintedFirst = result.firstPainted2;
    state.paintedLast = result.lastStarted;
    if (!state.barsFollow)
        return;
    TextBuff& text = state.Text();
    int64 pos, page, range;
    if (state.wordWrap) {
        pos = result.firstPainted;
        page = result.lastFullyVisible - result.firstPainted;
        range = Max(text.Size(), page);
    } else {
        int64 lines = text.LineBreakCount() + 1;
        pos = text.LineOfOffset(state.TopPosition());
        page = Min(lines - pos, result.visibleRows);
        range = Max(lines, page);
    }
    if (pos != vertPos || page != vertPage || range != vertRange) {
        vertPos = pos;
        vertPage = page;
        vertRange = range;
    }
    bool shown = horzRange > horzPage;
    int64 hPage = result.pageWidth, hRange = Max(result.widest, hPage);
    if (state.horzOffset != horzPos || hPage != horzPage || hRange != horzRange) {
        horzPos = state.horzOffset;
        horzPage = hPage;
        horzRange = hRange;
    }
    if ((horzRange > horzPage) != shown)
        Invalidate();
}

void TextView::OnVScroll(MessageRecord& m)
{
    int32 code = LOWORD(m.wParam);
    if (!currentState || code > 7)
        return;
    ViewState& state = *currentState;
    switch (code) {
    case SB_LINEUP: ScrollLinesUp(1); break;
    case SB_LINEDOWN: ScrollLinesDown(1); break;
    case SB_PAGEUP: ScrollPageUp(); break;
    case SB_PAGEDOWN: ScrollPageDown(); break;
    case SB_TOP: ScrollToShow(0, 2, true, true); break;
    case SB_BOTTOM: ScrollToShow(state.Text().Size(), 1, true, true); break;
    default: {
        bool released = code == SB_THUMBPOSITION;
        int64 p = vertPos;
        bool shortOfEnd = state.wordWrap ? p + vertPage < vertRange : p + vertPage != vertRange;
        if (p == 0) {
            ScrollToShow(0, 2, released, true);
        } else if (shortOfEnd) {
            state.barsFollow = released;
            // A position from the thumb may fall inside a character.
            SetTopPosition(state.wordWrap ? p : state.Text().LineStart(p));
        } else {
            ScrollToShow(state.Text().Size(), 1, released, true);
        }
        Invalidate();
        break;
    }
    }
}

void TextView::OnHScroll(MessageRecord& m)
{
    int32 code = LOWORD(m.wParam);
    if (!currentState || code > 7)
        return;
    switch (code) {
    case SB_LINELEFT: ScrollLeftStep(); break;
    case SB_LINERIGHT: ScrollRightSteps(1); break;
    case SB_PAGELEFT: ScrollPageLeft(); break;
    case SB_PAGERIGHT: ScrollPageRight(); break;
    case SB_THUMBTRACK: SetHorzOffset(horzPos); break;
    case SB_LEFT: SetHorzOffset(0); break;
    case SB_RIGHT: SetHorzOffset(Max(horzRange - horzPage, 0)); break;
    default: break;
    }
}

// ---- mouse ----

void TextView::OnLButtonDown(MessageRecord& m)
{
    if (!currentState || OnBarMouseDown(m))
        return;
    if (m.msg == WM_LBUTTONDBLCLK) {
        KillTimer(kMouseTimer);
        ReleaseCaptureIfHeld();
        SendCommandToParent(11025, 2);
        return;
    }
    StartMouseSelection(MouseX(m.lParam), MouseY(m.lParam));
}

void TextView::StartMouseSelection(int32 x, int32 y)
{
    SetFocus();
    Capture();
    PositionAffinity hit = HitTest(ClientXToTextX(x), y - TextTop());
    SetCaret(currentDocument, hit.pos, CaretScrollIntoView, hit.affinity);
    handler->OnCaretMovedByMouse(this);
    mousePoint = pressPoint = POINT{x, y};
    selecting = true;
    moved = false;
    SetTimer(kMouseTimer, 50);
}

void TextView::OnMouseMove(MessageRecord& m)
{
    if (!selecting) {
        OnBarMouseMove(m);
        return;
    }
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    if (!(m.wParam & MK_LBUTTON)) {
        EndMouseSelection(x, y);
        return;
    }
    int64 distance = Max(x - pressPoint.x, pressPoint.x - x) + Max(y - pressPoint.y, pressPoint.y - y);
    if (distance > 4)
        moved = true;
    mousePoint = POINT{x, y};
}

void TextView::DragScrollStep()
{
    int64 rows, h;
    {
        Layout layout(*this, *currentState);
        rows = PageRows(*layout);
        h = layout->LineHeight();
    }
    int64 t = TextTop(), y = mousePoint.y, scroll = 0;
    if (y < -t)
        scroll = -((-t - y) / h + 1);
    else if (y >= rows * h - t)
        scroll = (y - rows * h + t) / h + 1;
    int64 x = y - t < 0 ? 0 : ClientXToTextX(mousePoint.x);
    PositionAffinity hit = HitTest(x, y - t);
    SetCaret(currentDocument, hit.pos, CaretScrollIntoView | CaretKeepAnchor, hit.affinity);
    handler->OnCaretMovedByMouse(this);
    if (scroll < 0)
        ScrollLinesUp(-scroll);
    else if (scroll > 0)
        ScrollLinesDown(scroll);
}

void TextView::OnTimer(MessageRecord& m)
{
    if (m.wParam != kMouseTimer) {
        DefaultProc(m);
        return;
    }
    if (selecting) {
        if (moved && currentState)
            DragScrollStep();
        return;
    }
    OnBarTimer();
}

void TextView::OnLButtonUp(MessageRecord& m)
{
    if (selecting)
        EndMouseSelection(MouseX(m.lParam), MouseY(m.lParam));
    OnBarMouseUp(m);
    ReleaseCaptureIfHeld();
}

void TextView::EndMouseSelection(int32 x, int32 y)
{
    KillTimer(kMouseTimer);
    ReleaseCaptureIfHeld();
    if (moved && currentState) {
        PositionAffinity hit = HitTest(ClientXToTextX(x), y - TextTop());
        SetCaret(currentDocument, hit.pos, CaretScrollIntoView | CaretKeepAnchor, hit.affinity);
        handler->OnCaretMovedByMouse(this);
    }
    selecting = false;
}

void TextView::OnRButtonDown(MessageRecord& m)
{
    SetFocus();
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    if (currentState && !IsOverBars(m)) {
        if (HasSelection()) {
            ScrollToShow(currentState->CaretPosition(), currentState->EffectiveAffinity(), true, true);
        } else {
            PositionAffinity hit = HitTest(ClientXToTextX(x), y - TextTop());
            SetCaret(currentDocument, hit.pos, CaretScrollIntoView, hit.affinity);
            handler->OnCaretMovedByMouse(this);
        }
    }
    mousePoint = pressPoint = POINT{x, y};
    DefaultProc(m);
}

void TextView::OnMouseLeave(MessageRecord&)
{
    if (hotPart != 0) {
        hotPart = 0;
        RepaintBars();
    }
}

void TextView::OnMouseWheel(MessageRecord& m)
{
    UINT setting = 3;
    if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &setting, 0))
        setting = 3;
    if (setting == 0)
        return;
    int64 lines = setting > 0x7FFFFFFFu ? 0x7FFFFFFF : setting;
    int32 keys = LOWORD(m.wParam);
    int64 delta = static_cast<short>(HIWORD(m.wParam));
    if (keys & MK_CONTROL)
        delta *= 5;
    if (keys & MK_SHIFT) {
        int64 steps = WheelSteps(horzWheelRemainder, delta, lines);
        if (steps < 0)
            ScrollRightSteps(-steps);
        else if (steps > 0)
            ScrollLeftSteps(steps);
        return;
    }
    int64 h = caretHeight < 1 ? 20 : caretHeight;
    RECT client = ClientRect();
    int64 rows = Max(Min((client.bottom - client.top) / 2 / h, lines), 1);
    int64 steps = WheelSteps(vertWheelRemainder, delta, rows);
    if (steps < 0)
        ScrollLinesDown(-steps);
    else if (steps > 0)
        ScrollLinesUp(steps);
}
