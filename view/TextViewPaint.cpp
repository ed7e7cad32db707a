// Painting of the text view, its system caret, cursor shapes and the input
// method.

#include "base/Error.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include <climits>
#include <new>

namespace {

int Clamp32(int64 v)
{
    return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

void FillOpaque(DeviceContext& dc, const RECT& rect, COLORREF colour)
{
    SetBkColor(dc.Hdc(), colour);
    ExtTextOutW(dc.Hdc(), 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

void TextView::OnPaint(MessageRecord&)
{
    DeviceContext paint = PaintDC();
    RECT client = ClientRect();
    int32 width = client.right - client.left, height = client.bottom - client.top;
    PaintResult result{};
    if (width > 0 && height > 0) {
        DeviceContext memory;
        memory.Compatible(&paint);
        if (backBuffer.IsEmpty() || backWidth != width || backHeight != height) {
            backBuffer.Clear();
            backBuffer = MakeCompatibleBitmap(paint, width, height);
            backWidth = width;
            backHeight = height;
        }
        memory.SelectBitmap(backBuffer);
        PaintText(memory, result);
        if (currentDocument) {
            if (result.valid)
                UpdateScrollBars(result);
            PaintBars(memory, client, currentStyle->textBgColor, currentStyle->textColor);
        }
        BitBlt(paint.Hdc(), 0, 0, width, height, memory.Hdc(), 0, 0, SRCCOPY);
    }
    paint.Close();
    if (result.valid) {
        if (currentDocument)
            PlaceCaret(result.caretX, result.caretY, result.caretHeight, true);
        else
            PlaceCaret(0, 0, 0, false);
    }
}

void TextView::PaintPass(DeviceContext& dc, const RECT& client, PaintResult& result)
{
    ViewState& state = *currentState;
    RECT area;
    TextArea(area);
    int32 strip = client.bottom - area.bottom;
    LexerPtr lexer = NewLexer(state);
    // As the colour settings name them: matching brackets get the highlight
    // background, find matches the marker strip.
    Array<int64> underlines = findHighlights;
    Array<int64> backgrounds = state.bracketHighlights;
    FillOpaque(dc, client, currentStyle->textBgColor);
    LineLayout layout = LineLayout::ForPaint(state, *currentStyle, lexer.get(), dc, area, strip, registry, underlines,
                                             backgrounds);
    if (previewElement)
        layout.SetForcedClass(previewElement);
    layout.PaintLines(result);
    layout.ReleasePaintLists();
}

void TextView::PaintText(DeviceContext& dc, PaintResult& result)
{
    RECT client = ClientRect();
    if (!currentState) {
        result.valid = 1;
        FillOpaque(dc, client, currentStyle->textBgColor);
        return;
    }
    PaintPass(dc, client, result);
    ViewState& state = *currentState;
    // Text never stays scrolled past its right end.
    if (state.horzOffset > 0 && state.horzOffset + result.pageWidth > result.widest) {
        int64 offset = result.widest - result.pageWidth;
        state.horzOffset = offset > 0 ? offset : 0;
        result = PaintResult{};
        PaintPass(dc, client, result);
    }
}

void TextView::PlaceCaret(int64 x, int64 y, int32 height, bool rememberX)
{
    if (currentState) {
        if (rememberX && currentState->desiredX == -1)
            currentState->desiredX = x;
        caretX = x;
        caretY = y;
        caretHeight = height;
        int64 cx = TextXToClientX(x), cy = y + currentStyle->topMargin;
        RECT area;
        TextArea(area);
        bool visible = y >= 0 && cx >= area.left && cx < area.right && cx >= GutterWidth() && cy >= area.top &&
                       cy < area.bottom && cy + height - 1 >= area.top && cy + height - 1 < area.bottom && HasFocus();
        if (visible) {
            bool created = caretCreated;
            if (!created) {
                int32 w = currentState->overwrite ? 3 * caretWidth : caretWidth;
                CreateCaret(nullptr, w, height);
            }
            SetCaretPos(Clamp32(cx), Clamp32(cy));
            if (!created)
                ShowCaret();
            caretCreated = true;
            return;
        }
    }
    RemoveCaret();
}

void TextView::RemoveCaret()
{
    if (caretCreated) {
        HideCaret();
        DestroyCaret();
        caretCreated = false;
    }
}

void TextView::DefaultProc(MessageRecord& m)
{
    switch (m.msg) {
    case WM_SETCURSOR:
        if (LOWORD(m.lParam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            p = ScreenToClientPoint(p);
            RECT area;
            TextArea(area);
            bool text = currentDocument && PtInRect(&area, p) && p.x >= GutterWidth();
            SetCursor(text ? ibeamCursor : arrowCursor);
            m.result = TRUE;
            return;
        }
        break;
    case WM_IME_STARTCOMPOSITION:
        handler->OnImeText(0, String(), this);
        return;
    case WM_IME_COMPOSITION:
        OnImeComposition(m.lParam);
        return;
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_SETCONTEXT:
    case WM_IME_CONTROL:
    case WM_IME_COMPOSITIONFULL:
    case WM_IME_SELECT:
        return;
    case WM_IME_REQUEST:
        if (m.wParam == IMR_QUERYCHARPOSITION && m.lParam) {
            auto position = reinterpret_cast<IMECHARPOSITION*>(m.lParam);
            int64 lineBottom = caretY + currentStyle->topMargin + caretHeight;
            position->pt = POINT{Clamp32(TextXToClientX(caretX)), Clamp32(lineBottom + caretHeight / 2)};
            position->cLineHeight = static_cast<UINT>(caretHeight < 0 ? 0 : caretHeight);
            TextArea(position->rcDocument);
            MapWindowPoints(hwnd, nullptr, &position->pt, 1);
            MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&position->rcDocument), 2);
            m.result = 1;
        }
        return;
    default:
        break;
    }
    CustomScrollView::DefaultProc(m);
}

void TextView::OnImeComposition(LPARAM lParam)
{
    HIMC context = ImmGetContext(hwnd);
    if (!context)
        return;
    try {
        if (lParam & GCS_RESULTSTR) {
            SendImeString(context, GCS_RESULTSTR);
            handler->OnImeText(0, String(), this);
        } else if (lParam & GCS_COMPSTR) {
            SendImeString(context, GCS_COMPSTR);
        }
    } catch (...) {
        ImmReleaseContext(hwnd, context);
        throw;
    }
    ImmReleaseContext(hwnd, context);
}

void TextView::SendImeString(HIMC context, DWORD kind)
{
    handler->OnImeText(1, GetImeString(context, kind), this);
}

String TextView::GetImeString(HIMC context, DWORD kind)
{
    LONG bytes = ImmGetCompositionStringW(context, kind, nullptr, 0);
    if (bytes <= 0)
        return String();
    int64 units = (static_cast<int64>(bytes) + 1) / 2;
    String text;
    wchar_t* buffer;
    try {
        buffer = text.Allocate(units);
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    // The second call is told the room it really has, and the text is as
    // long as what it wrote.
    LONG got = ImmGetCompositionStringW(context, kind, buffer, static_cast<DWORD>(units * 2));
    if (got <= 0)
        return String();
    int64 length = got / 2;
    if (length >= units)
        return text;
    return text.Substring(0, length);
}
