#include "view/CustomScrollView.h"

#include "base/Error.h"
#include "base/UiLanguage.h"
#include "view/ViewStyle.h"


namespace {

constexpr UINT_PTR kRepeatTimer = 1;

// Start and end of a thumb along a bar of the given length.
void ThumbSpan(int64 length, int32 arrow, int32 minThumb, int64 pos, int64 page, int64 range, int64& start,
               int64& end)
{
    int64 p = page < 1 ? 1 : page;
    int64 r = range < p ? p : range;
    int64 at = pos < 0 ? 0 : pos > r - p ? r - p : pos;
    double available = static_cast<double>(length - 2 * static_cast<int64>(arrow) - minThumb);
    start = static_cast<int64>(available * static_cast<double>(at) / static_cast<double>(r) + 0.5);
    int64 size = static_cast<int64>(available * static_cast<double>(p) / static_cast<double>(r) + 0.5);
    end = start + size;
    if (end > available) {
        start = start - 1 < 0 ? 0 : start - 1;
        end -= 1;
    }
    if (end < start)
        end = start;
}

int32 MinThumb(int32 thickness, int64 barLength)
{
    int64 a = thickness / 2, b = barLength / 2;
    return static_cast<int32>(a < b ? a : b);
}

bool Inside(const RECT& r, int32 x, int32 y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// direction: 0 left, 1 right, 2 up, 3 down.
void DrawChevron(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke, int direction)
{
    bool horizontal = direction < 2;
    int32 across = horizontal ? box.bottom - box.top : box.right - box.left;  // the box's height for left/right
    int32 along = horizontal ? box.right - box.left : box.bottom - box.top;
    int32 d = across * 45 / 100 > 1 ? across * 45 / 100 : 1;
    int32 m = across / 2 > 1 ? across / 2 : 1;
    int32 t = stroke < 1 ? 1 : stroke;
    int32 lead = (along - d - t) / 2 > 0 ? (along - d - t) / 2 : 0;
    // Points in (along, across) coordinates with the tip pointing to lower
    // "along" values; mirrored and transposed below.
    POINT p[8];
    int n;
    int32 a0 = lead, mid = m;
    if (across % 2) {
        POINT pts[6] = {{a0, mid}, {a0 + d, mid - d}, {a0 + d + t, mid - d},
                        {a0 + t, mid}, {a0 + d + t, mid + d}, {a0 + d, mid + d}};
        for (n = 0; n < 6; n++)
            p[n] = pts[n];
    } else {
        POINT pts[8] = {{a0, mid - 1},         {a0 + d, mid - 1 - d}, {a0 + d + t, mid - 1 - d}, {a0 + t, mid - 1},
                        {a0 + t, mid},         {a0 + d + t, mid + d}, {a0 + d, mid + d},         {a0, mid}};
        for (n = 0; n < 8; n++)
            p[n] = pts[n];
    }
    for (int i = 0; i < n; i++) {
        LONG a = p[i].x, c = p[i].y;
        if (direction == 1 || direction == 3)
            a = along - a;
        p[i] = horizontal ? POINT{box.left + a, box.top + c} : POINT{box.left + c, box.top + a};
    }
    dc.SelectPen(MakeNullPen());
    dc.SelectBrush(MakeSolidBrush(colour));
    Polygon(dc.Hdc(), p, n);
    dc.RestoreBrush();
    dc.RestorePen();
}

}  // namespace

int32 CustomScrollView::VertBarWidth()
{
    return MulDiv(GetSystemMetrics(SM_CXVSCROLL), GetDpi(), SystemDpi());
}

int32 CustomScrollView::HorzBarHeight()
{
    return MulDiv(GetSystemMetrics(SM_CYHSCROLL), GetDpi(), SystemDpi());
}

CustomScrollView::BarLayout CustomScrollView::Layout(const RECT& client)
{
    BarLayout l{};
    int32 w = VertBarWidth(), h = HorzBarHeight();
    l.bars = client.right - client.left >= 4 * (w - 1);
    if (!l.bars)
        return l;
    l.horz = client.bottom - client.top >= 4 * (h - 1) && horzRange > horzPage;
    int32 vertBottom = l.horz ? client.bottom - h : client.bottom;
    l.vertBar = RECT{client.right - (w - 1), client.top, client.right, vertBottom};
    int64 vertLength = l.vertBar.bottom - l.vertBar.top;
    if (vertRange > vertPage) {
        l.vertArrow = vertLength >= 3 * (h - 1) ? h - 1 : 0;
        VertThumbRect(l.vertThumb, l.vertBar, l.vertArrow, MinThumb(w - 1, vertLength));
    }
    if (l.horz) {
        l.horzBar = RECT{client.left, client.bottom - (h - 1), client.right, client.bottom};
        int64 horzLength = l.horzBar.right - l.horzBar.left;
        l.horzArrow = horzLength >= 3 * (w - 1) ? w - 1 : 0;
        HorzThumbRect(l.horzThumb, l.horzBar, l.horzArrow, MinThumb(w - 1, horzLength));
    }
    return l;
}

void CustomScrollView::TextArea(RECT& area)
{
    RECT client = ClientRect();
    area = client;
    BarLayout l = Layout(client);
    if (!l.bars)
        return;
    area.right -= VertBarWidth();
    if (l.horz)
        area.bottom -= HorzBarHeight();
    if (area.right < area.left)
        area.right = area.left;
    if (area.bottom < area.top)
        area.bottom = area.top;
}

void CustomScrollView::HorzThumbRect(RECT& thumb, const RECT& bar, int32 arrow, int32 minThumb)
{
    int64 start, end;
    ThumbSpan(bar.right - bar.left, arrow, minThumb, horzPos, horzPage, horzRange, start, end);
    thumb = RECT{static_cast<LONG>(bar.left + arrow + start), bar.top,
                 static_cast<LONG>(bar.left + arrow + end + minThumb), bar.bottom};
}

void CustomScrollView::VertThumbRect(RECT& thumb, const RECT& bar, int32 arrow, int32 minThumb)
{
    int64 start, end;
    ThumbSpan(bar.bottom - bar.top, arrow, minThumb, vertPos, vertPage, vertRange, start, end);
    thumb = RECT{bar.left, static_cast<LONG>(bar.top + arrow + start), bar.right,
                 static_cast<LONG>(bar.top + arrow + end + minThumb)};
}

void CustomScrollView::DrawLeftArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke)
{
    DrawChevron(dc, box, colour, stroke, 0);
}

void CustomScrollView::DrawRightArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke)
{
    DrawChevron(dc, box, colour, stroke, 1);
}

void CustomScrollView::DrawUpArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke)
{
    DrawChevron(dc, box, colour, stroke, 2);
}

void CustomScrollView::DrawDownArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke)
{
    DrawChevron(dc, box, colour, stroke, 3);
}

void CustomScrollView::DrawBar(DeviceContext& dc, const RECT& bar, bool vertical, int32 arrow, const RECT& thumb,
                               COLORREF track, const COLORREF* shades, int32 stroke)
{
    // shades[k] is the blend by (k + 1) * 10 percent.
    dc.FillRect(bar, track);
    int32 first = vertical ? VertArrowUp : HorzArrowLeft;
    int32 thumbPart = vertical ? VertThumb : HorzThumb;
    int32 trackA = vertical ? VertTrackUp : HorzTrackLeft, trackB = vertical ? VertTrackDown : HorzTrackRight;
    if (arrow > 0) {
        RECT boxes[2];
        if (vertical) {
            boxes[0] = RECT{bar.left, bar.top, bar.right, bar.top + arrow};
            boxes[1] = RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
        } else {
            boxes[0] = RECT{bar.left, bar.top, bar.left + arrow, bar.bottom};
            boxes[1] = RECT{bar.right - arrow, bar.top, bar.right, bar.bottom};
        }
        for (int i = 0; i < 2; i++) {
            int32 part = first + i;
            COLORREF c = pressedPart == part && hotPart == part ? shades[2]
                         : hotPart == part && pressedPart == 0  ? shades[1]
                                                                : shades[0];
            dc.FillRect(boxes[i], c);
            if (vertical)
                (i ? DrawDownArrow : DrawUpArrow)(dc, boxes[i], glyphColor, stroke);
            else
                (i ? DrawRightArrow : DrawLeftArrow)(dc, boxes[i], glyphColor, stroke);
        }
    }
    bool trackPressedHot = (pressedPart == trackA || pressedPart == trackB) && hotPart == pressedPart;
    bool trackHot = hotPart == trackA || hotPart == trackB;
    COLORREF c;
    if (pressedPart == thumbPart && hotPart == thumbPart)
        c = shades[4];
    else if (trackPressedHot || (hotPart == thumbPart && pressedPart == 0))
        c = shades[3];
    else if (trackHot)
        c = pressedPart ? shades[1] : shades[2];
    else
        c = shades[1];
    dc.FillRect(thumb, c);
}

void CustomScrollView::PaintBars(DeviceContext& dc, const RECT& client, COLORREF base, COLORREF glyph)
{
    COLORREF track;
    if (colorMode == 1) {
        baseColor = base;
        glyphColor = glyph;
        track = BlendColors(base, glyph, 5, 1.6);
    } else {
        baseColor = GetSysColor(COLOR_BTNFACE);
        glyphColor = GetSysColor(COLOR_BTNTEXT);
        track = baseColor;
    }
    COLORREF shades[5];
    for (int i = 0; i < 5; i++)
        shades[i] = BlendColors(baseColor, glyphColor, (i + 1) * 10, 1.6);
    int32 stroke = MulDiv(3, GetDpi(), 96);

    BarLayout l = Layout(client);
    horzBar = l.horzBar;
    horzThumb = l.horzThumb;
    horzArrow = l.horzArrow;
    vertBar = l.vertBar;
    vertThumb = l.vertThumb;
    vertArrow = l.vertArrow;
    barsPainted = true;
    if (!l.bars)
        return;
    if (l.horz) {
        dc.FillRect(RECT{l.horzBar.left, l.horzBar.top - 1, l.horzBar.right, l.horzBar.top}, shades[0]);
        DrawBar(dc, l.horzBar, false, l.horzArrow, l.horzThumb, track, shades, stroke);
    }
    dc.FillRect(RECT{l.vertBar.left - 1, l.vertBar.top, l.vertBar.left, l.vertBar.bottom}, shades[0]);
    if (vertRange <= vertPage)
        dc.FillRect(l.vertBar, baseColor);
    else
        DrawBar(dc, l.vertBar, true, l.vertArrow, l.vertThumb, track, shades, stroke);
}

void CustomScrollView::RepaintBars()
{
    if (!barsPainted || !hwnd)
        return;
    RECT client = ClientRect();
    int32 w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0)
        return;
    DeviceContext window = WindowDC();
    DeviceContext memory;
    memory.Compatible(&window);
    memory.SelectBitmap(MakeCompatibleBitmap(window, w, h));
    PaintBars(memory, client, baseColor, glyphColor);
    BitBlt(window.Hdc(), vertBar.left - 1, vertBar.top, vertBar.right - vertBar.left + 1,
           vertBar.bottom - vertBar.top, memory.Hdc(), vertBar.left - 1, vertBar.top, SRCCOPY);
    if (horzBar.right > horzBar.left)
        BitBlt(window.Hdc(), horzBar.left, horzBar.top - 1, horzBar.right - horzBar.left,
               horzBar.bottom - horzBar.top + 1, memory.Hdc(), horzBar.left, horzBar.top - 1, SRCCOPY);
}

namespace {

// The part of a bar at coordinate p along it; the codes of each bar run
// low arrow, high arrow, thumb, low track, high track from first on.
int32 PartAlong(int32 p, LONG start, LONG end, int32 arrow, LONG thumbStart, LONG thumbEnd, int32 first)
{
    if (arrow > 0 && p < start + arrow)
        return first;
    if (arrow > 0 && p >= end - arrow)
        return first + 1;
    if (p < thumbStart)
        return first + 3;
    if (p >= thumbEnd)
        return first + 4;
    return first + 2;
}

}  // namespace

int32 CustomScrollView::HitTestHorz(const RECT& client, const RECT&, int32 x, int32 y)
{
    BarLayout l = Layout(client);
    if (!l.horz || !Inside(l.horzBar, x, y))
        return BarNone;
    if (horzRange <= horzPage)
        return HorzBarStill;
    return PartAlong(x, l.horzBar.left, l.horzBar.right, l.horzArrow, l.horzThumb.left, l.horzThumb.right,
                     HorzArrowLeft);
}

int32 CustomScrollView::HitTestVert(const RECT& client, const RECT&, int32 x, int32 y)
{
    BarLayout l = Layout(client);
    if (!l.bars || !Inside(l.vertBar, x, y))
        return BarNone;
    if (vertRange <= vertPage)
        return VertBarStill;
    return PartAlong(y, l.vertBar.top, l.vertBar.bottom, l.vertArrow, l.vertThumb.top, l.vertThumb.bottom,
                     VertArrowUp);
}

bool CustomScrollView::IsOverBars(const MessageRecord& m)
{
    RECT client = ClientRect(), area;
    TextArea(area);
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    return HitTestHorz(client, area, x, y) != BarNone || HitTestVert(client, area, x, y) != BarNone;
}

void CustomScrollView::Act(int32 part)
{
    switch (part) {
    case HorzArrowLeft: SendMsg(WM_HSCROLL, SB_LINELEFT, 0); break;
    case HorzArrowRight: SendMsg(WM_HSCROLL, SB_LINERIGHT, 0); break;
    case HorzTrackLeft: SendMsg(WM_HSCROLL, SB_PAGELEFT, 0); break;
    case HorzTrackRight: SendMsg(WM_HSCROLL, SB_PAGERIGHT, 0); break;
    case VertArrowUp: SendMsg(WM_VSCROLL, SB_LINEUP, 0); break;
    case VertArrowDown: SendMsg(WM_VSCROLL, SB_LINEDOWN, 0); break;
    case VertTrackUp: SendMsg(WM_VSCROLL, SB_PAGEUP, 0); break;
    case VertTrackDown: SendMsg(WM_VSCROLL, SB_PAGEDOWN, 0); break;
    default: break;
    }
}

bool CustomScrollView::OnBarMouseDown(const MessageRecord& m)
{
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    lastMouse = POINT{x, y};
    RECT client = ClientRect(), area;
    TextArea(area);
    int32 code = HitTestHorz(client, area, x, y);
    if (code == BarNone)
        code = HitTestVert(client, area, x, y);
    if (code == BarNone)
        return false;
    pressedPart = code;
    Capture();
    SetTimer(kRepeatTimer, 50);
    repeatCountdown = 5;
    if (code == HorzThumb)
        dragOffset = x - horzThumb.left;
    else if (code == VertThumb)
        dragOffset = y - vertThumb.top;
    else
        Act(code);
    Invalidate();
    return true;
}

bool CustomScrollView::PointerBeyondThumb(int32 part)
{
    BarLayout l = Layout(ClientRect());
    switch (part) {
    case HorzTrackLeft: return lastMouse.x < l.horzThumb.left;
    case HorzTrackRight: return lastMouse.x >= l.horzThumb.right;
    case VertTrackUp: return lastMouse.y < l.vertThumb.top;
    case VertTrackDown: return lastMouse.y >= l.vertThumb.bottom;
    default: return true;
    }
}

bool CustomScrollView::OnBarTimer()
{
    if (--repeatCountdown >= 1)
        return true;
    repeatCountdown = 1;
    switch (pressedPart) {
    case HorzArrowLeft:
    case HorzArrowRight:
    case VertArrowUp:
    case VertArrowDown:
        Act(pressedPart);
        break;
    case HorzTrackLeft:
    case HorzTrackRight:
    case VertTrackUp:
    case VertTrackDown:
        if (PointerBeyondThumb(pressedPart))
            Act(pressedPart);
        break;
    default:
        break;
    }
    return true;
}

bool CustomScrollView::OnBarMouseMove(const MessageRecord& m)
{
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    lastMouse = POINT{x, y};
    if (pressedPart == HorzThumb) {
        DragHorzThumb(x - dragOffset);
        return true;
    }
    if (pressedPart == VertThumb) {
        DragVertThumb(y - dragOffset);
        return true;
    }
    RECT client = ClientRect(), area;
    TextArea(area);
    int32 code = HitTestHorz(client, area, x, y);
    if (code == BarNone)
        code = HitTestVert(client, area, x, y);
    if (code != hotPart) {
        hotPart = code;
        RepaintBars();
    }
    return code != BarNone || (HasCapture() && pressedPart != 0);
}

namespace {

// The position that puts a thumb's leading edge at edge, along a track
// that starts at trackStart and leaves `free` pixels for the thumb to move.
int64 DraggedPosition(int64 edge, int64 trackStart, int64 free, int64 range, int64 page)
{
    int64 most = range - page;
    int64 p = free >= 1 ? most * (edge - trackStart) / free : 0;
    p = p > most ? most : p;
    return p < 0 ? 0 : p;
}

}  // namespace

void CustomScrollView::DragHorzThumb(int32 edge)
{
    int64 free = (horzBar.right - horzBar.left) - 2 * static_cast<int64>(horzArrow) - (horzThumb.right - horzThumb.left);
    int64 p = DraggedPosition(edge, horzBar.left + horzArrow, free, horzRange, horzPage);
    if (p != horzPos) {
        horzPos = p;
        SendMsg(WM_HSCROLL, SB_THUMBTRACK, 0);
    }
}

void CustomScrollView::DragVertThumb(int32 edge)
{
    int64 free = (vertBar.bottom - vertBar.top) - 2 * static_cast<int64>(vertArrow) - (vertThumb.bottom - vertThumb.top);
    int64 p = DraggedPosition(edge, vertBar.top + vertArrow, free, vertRange, vertPage);
    if (p != vertPos) {
        vertPos = p;
        SendMsg(WM_VSCROLL, SB_THUMBTRACK, 0);
    }
}

bool CustomScrollView::OnBarMouseUp(const MessageRecord& m)
{
    int32 released = pressedPart;
    if (HasCapture() && pressedPart != 0) {
        ReleaseCaptureIfHeld();
        KillTimer(kRepeatTimer);
    }
    pressedPart = 0;
    int32 x = MouseX(m.lParam), y = MouseY(m.lParam);
    RECT client = ClientRect(), area;
    TextArea(area);
    hotPart = HitTestHorz(client, area, x, y);
    if (hotPart == BarNone)
        hotPart = HitTestVert(client, area, x, y);
    RepaintBars();
    if (released == HorzThumb)
        SendMsg(WM_HSCROLL, SB_THUMBPOSITION, 0);
    else if (released == VertThumb)
        SendMsg(WM_VSCROLL, SB_THUMBPOSITION, 0);
    return released != 0;
}

bool CustomScrollView::ShowBarMenu(const MessageRecord& m)
{
    int32 sx = MouseX(m.lParam), sy = MouseY(m.lParam);
    if (sx == -1 && sy == -1)
        return false;
    POINT p = ScreenToClientPoint(POINT{sx, sy});
    RECT client = ClientRect(), area;
    TextArea(area);
    int32 code = HitTestHorz(client, area, p.x, p.y);
    if (code == BarNone)
        code = HitTestVert(client, area, p.x, p.y);
    if (code == BarNone)
        return false;
    bool vertical = code >= VertBarStill;
    bool pl = IsPolishUi();
    struct Entry {
        UINT id;
        const wchar_t* polish;
        const wchar_t* english;
    };
    const Entry vert[] = {{10, L"Przewiń tutaj", L"Scroll here"}, {99, nullptr, nullptr},
                          {11, L"Góra", L"Top"},                   {12, L"Dół", L"Bottom"},
                          {99, nullptr, nullptr},                  {13, L"Strona w górę", L"Page up"},
                          {14, L"Strona w dół", L"Page down"},     {99, nullptr, nullptr},
                          {15, L"Wiersz w górę", L"Line up"},      {16, L"Wiersz w dół", L"Line down"},
                          {99, nullptr, nullptr},                  {1, L"Anuluj", L"Cancel"}};
    const Entry horz[] = {{20, L"Przewiń tutaj", L"Scroll here"},      {99, nullptr, nullptr},
                          {21, L"Lewa krawędź", L"Left edge"},         {22, L"Prawa krawędź", L"Right edge"},
                          {99, nullptr, nullptr},                      {23, L"Strona w lewo", L"Page left"},
                          {24, L"Strona w prawo", L"Page right"},      {99, nullptr, nullptr},
                          {25, L"Trochę w lewo", L"A little to the left"},
                          {26, L"Trochę w prawo", L"A little to the right"},
                          {99, nullptr, nullptr},                      {1, L"Anuluj", L"Cancel"}};
    HMENU handle = CreatePopupMenu();
    if (!handle)
        throw MemoryError();
    Menu menu;
    menu.Adopt(handle);
    for (const Entry& e : vertical ? vert : horz) {
        BOOL ok = e.id == 99 ? AppendMenuW(handle, MF_SEPARATOR, 99, nullptr)
                             : AppendMenuW(handle, MF_STRING, e.id, pl ? e.polish : e.english);
        if (!ok)
            throw MemoryError();
    }
    UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(handle, TPM_RETURNCMD | TPM_NONOTIFY, sx + 15, sy + 5, 0, hwnd, nullptr));
    UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
    switch (chosen % 10) {
    case 0:
        if (chosen == 10)
            DragVertThumb(p.y - (vertThumb.bottom - vertThumb.top) / 2);
        else if (chosen == 20)
            DragHorzThumb(p.x - (horzThumb.right - horzThumb.left) / 2);
        break;
    case 1: if (chosen != 1) SendMsg(msg, SB_TOP, 0); break;
    case 2: SendMsg(msg, SB_BOTTOM, 0); break;
    case 3: SendMsg(msg, SB_PAGEUP, 0); break;
    case 4: SendMsg(msg, SB_PAGEDOWN, 0); break;
    case 5: SendMsg(msg, SB_LINEUP, 0); break;
    case 6: SendMsg(msg, SB_LINEDOWN, 0); break;
    default: break;
    }
    return true;
}
