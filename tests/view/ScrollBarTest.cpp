#include "ViewTestSupport.h"

#include <functional>
#include <utility>

namespace {

std::string Rows(int n, int width = 10)
{
    std::string text;
    for (int i = 0; i < n; i++)
        text += std::string(static_cast<size_t>(width), static_cast<char>('a' + i % 26)) + "\n";
    return text;
}

int32 BarWidth(TextView& view)
{
    return MulDiv(GetSystemMetrics(SM_CXVSCROLL), view.GetDpi(), view.SystemDpi());
}

int32 BarHeight(TextView& view)
{
    return MulDiv(GetSystemMetrics(SM_CYHSCROLL), view.GetDpi(), view.SystemDpi());
}

int64 TopLine(ViewBench& bench)
{
    return bench.view->currentDocument->text.LineOfOffset(bench.Top());
}

}  // namespace

TEST_CASE("a client narrower than four bar widths has no bars at all")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(100, 200));
    TextView& view = *bench.view;
    int32 w = BarWidth(view);
    bench.Resize(4 * (w - 1) - 1, 200);
    bench.Paint();
    RECT area, client = view.ClientRect();
    view.TextArea(area);
    CHECK(EqualRect(&area, &client));
    CHECK(view.HitTestVert(client, area, client.right - 1, 50) == BarNone);

    bench.Resize(4 * (w - 1), 200);
    bench.Paint();
    client = view.ClientRect();
    view.TextArea(area);
    CHECK(area.right == client.right - w);
    CHECK(area.bottom == client.bottom - BarHeight(view));  // the long rows need the horizontal bar
    CHECK(view.HitTestVert(client, area, client.right - 1, 5) != BarNone);
}

TEST_CASE("a text shorter than the page shows a plain bar that scrolls nothing")
{
    ViewBench bench(300, 200);
    bench.Add("short\ntext");
    TextView& view = *bench.view;
    bench.Paint();
    CHECK(view.vertRange <= view.vertPage);
    CHECK(view.vertArrow == 0);
    RECT client = view.ClientRect(), area;
    view.TextArea(area);
    int x = client.right - 2, y = (client.bottom - client.top) / 2;
    CHECK(view.HitTestVert(client, area, x, y) == VertBarStill);
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    CHECK(view.pressedPart == VertBarStill);
    CHECK(bench.Top() == 0);
    bench.Send(WM_LBUTTONUP, 0, Point(x, y));
    CHECK(view.pressedPart == 0);

    Canvas canvas(client.right, client.bottom);
    view.PaintBars(canvas.dc, client, 0xFFFFFF, 0);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    CHECK(canvas.All(RECT{view.vertBar.left, view.vertBar.top, view.vertBar.right, view.vertBar.bottom}, face));
    CHECK(canvas.At(view.vertBar.left - 1, y) == BlendColors(face, GetSysColor(COLOR_BTNTEXT), 10, 1.6));
}

TEST_CASE("a bar shorter than three arrow boxes has none and its track fills it")
{
    ViewBench bench(300, 300);
    bench.Add(Rows(200));
    TextView& view = *bench.view;
    int32 h = BarHeight(view);
    bench.Resize(300, 3 * (h - 1) - 1);
    bench.Paint();
    CHECK(view.vertRange > view.vertPage);
    CHECK(view.vertArrow == 0);
    bench.Resize(300, 3 * (h - 1) + 10);
    bench.Paint();
    CHECK(view.vertArrow == h - 1);
}

TEST_CASE("arrows scroll at once, repeat from the fifth tick and stop on release")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(200));
    TextView& view = *bench.view;
    bench.Paint();
    RECT bar = view.vertBar;
    int x = (bar.left + bar.right) / 2, y = bar.bottom - 2;
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    CHECK(view.pressedPart == VertArrowDown);
    CHECK(TopLine(bench) == 1);
    CHECK(view.HasCapture());
    for (int tick = 1; tick <= 4; tick++)
        bench.Send(WM_TIMER, 1, 0);
    CHECK(TopLine(bench) == 1);
    bench.Send(WM_TIMER, 1, 0);
    CHECK(TopLine(bench) == 2);
    bench.Send(WM_TIMER, 1, 0);
    CHECK(TopLine(bench) == 3);
    bench.Send(WM_LBUTTONUP, 0, Point(x, y));
    CHECK(view.pressedPart == 0);
    CHECK_FALSE(view.HasCapture());

    bench.Paint();
    bar = view.vertBar;
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, bar.top + 2));
    CHECK(view.pressedPart == VertArrowUp);
    CHECK(TopLine(bench) == 2);
    bench.Send(WM_LBUTTONUP, 0, Point(x, bar.top + 2));
}

TEST_CASE("holding the lower track pages until the thumb reaches the mouse")
{
    ViewBench bench(300, 300);
    bench.Add(Rows(400));
    TextView& view = *bench.view;
    bench.Paint();
    RECT bar = view.vertBar;
    int x = (bar.left + bar.right) / 2;
    int y = bar.top + (bar.bottom - bar.top) * 2 / 5;
    REQUIRE(y >= view.vertThumb.bottom);
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    CHECK(view.pressedPart == VertTrackDown);
    bench.Paint();
    int64 last = -1;
    for (int tick = 0; tick < 200; tick++) {
        bench.Send(WM_TIMER, 1, 0);
        bench.Paint();
        last = TopLine(bench);
    }
    bench.Send(WM_LBUTTONUP, 0, Point(x, y));
    CHECK(view.vertThumb.bottom > y);
    CHECK(view.vertThumb.top <= y + (view.vertThumb.bottom - view.vertThumb.top));
    CHECK(last < 400 - view.vertPage);  // it stopped short of the end
    CHECK(last > 0);
}

TEST_CASE("dragging the thumb tracks the text and the release lets the bars follow again")
{
    ViewBench bench(300, 300);
    bench.Add(Rows(400));
    TextView& view = *bench.view;
    bench.Paint();
    RECT thumb = view.vertThumb;
    int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    CHECK(view.pressedPart == VertThumb);
    CHECK(view.dragOffset == y - thumb.top);
    bench.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(x, y + 40));
    CHECK(view.vertPos > 0);
    CHECK(TopLine(bench) == view.vertPos);
    CHECK_FALSE(bench.State().barsFollow);
    int64 tracked = view.vertPos;
    bench.Send(WM_LBUTTONUP, 0, Point(x, y + 40));
    CHECK(bench.State().barsFollow);
    CHECK(TopLine(bench) == tracked);
}

TEST_CASE("the part under the mouse is hot until the mouse leaves")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(100));
    TextView& view = *bench.view;
    bench.Paint();
    RECT bar = view.vertBar;
    bench.Send(WM_MOUSEMOVE, 0, Point((bar.left + bar.right) / 2, bar.top + 1));
    CHECK(view.hotPart == VertArrowUp);
    bench.Send(WM_MOUSEMOVE, 0, Point(20, 20));
    CHECK(view.hotPart == BarNone);
    bench.Send(WM_MOUSEMOVE, 0, Point((bar.left + bar.right) / 2, bar.bottom - 1));
    CHECK(view.hotPart == VertArrowDown);
    bench.Send(WM_MOUSELEAVE, 0, 0);
    CHECK(view.hotPart == BarNone);
}

TEST_CASE("thumbs keep their minimum length and stay inside the track")
{
    ViewBench bench(300, 200);
    TextView& view = *bench.view;
    RECT bar{0, 0, 16, 200};
    view.vertPage = 10;
    view.vertRange = 1000000;
    view.vertPos = 999990;
    RECT thumb;
    view.VertThumbRect(thumb, bar, 16, 7);
    CHECK(thumb.bottom <= bar.bottom - 16);
    CHECK(thumb.bottom - thumb.top >= 7);
    view.vertPos = 0;
    view.VertThumbRect(thumb, bar, 16, 7);
    CHECK(thumb.top == 16);
    view.vertPos = -50;
    view.VertThumbRect(thumb, bar, 16, 7);
    CHECK(thumb.top == 16);
    view.vertPage = 500;
    view.vertRange = 1000;
    view.vertPos = 250;
    view.VertThumbRect(thumb, bar, 16, 7);
    // Half the room for half the range, starting a quarter in.
    int32 room = 200 - 32 - 7;
    CHECK(thumb.top == 16 + (room / 4 + (room % 4 >= 2 ? 1 : 0)));
}

TEST_CASE("in colour mode 1 the bars take the colours passed in, shaded by the hot and the pressed part")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(100));
    TextView& view = *bench.view;
    view.colorMode = 1;
    bench.Paint();
    RECT client = view.ClientRect();
    Canvas canvas(client.right, client.bottom);
    view.PaintBars(canvas.dc, client, 0x00FF00, 0x0000FF);
    CHECK(view.baseColor == 0x00FF00);
    CHECK(view.glyphColor == 0x0000FF);
    COLORREF track = BlendColors(0x00FF00, 0x0000FF, 5, 1.6);
    RECT t = view.vertThumb;
    CHECK(canvas.At((t.left + t.right) / 2, t.bottom + 2) == track);
    CHECK(canvas.At((t.left + t.right) / 2, (t.top + t.bottom) / 2) == BlendColors(0x00FF00, 0x0000FF, 20, 1.6));

    // Arrow boxes and thumbs take their shade from the hot and the pressed part.
    const COLORREF base = 0xFFFFFF, glyph = 0x000000;
    auto shade = [&](int percent) { return BlendColors(base, glyph, percent, 1.6); };
    auto paint = [&](int32 hot, int32 pressed) {
        view.hotPart = hot;
        view.pressedPart = pressed;
        view.PaintBars(canvas.dc, client, base, glyph);
    };
    auto boxAt = [&] { return canvas.At(view.vertBar.left + 1, view.vertBar.bottom - 1); };  // a corner of the down box
    auto thumbAt = [&] {
        RECT r = view.vertThumb;
        return canvas.At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    // The down box or the thumb, under each hot and pressed part.
    const struct {
        int32 hot, pressed;
        bool thumb;
        int percent;
    } cases[] = {
        {0, 0, false, 10},
        {0, 0, true, 20},
        {VertArrowDown, 0, false, 20},
        {VertArrowDown, VertArrowDown, false, 30},
        {VertArrowDown, VertArrowUp, false, 10},
        {VertThumb, 0, true, 40},
        {VertThumb, VertThumb, true, 50},
        {VertTrackDown, VertTrackDown, true, 40},
        {VertTrackDown, 0, true, 30},
        {VertTrackDown, VertArrowUp, true, 20},
        {0, VertThumb, true, 20},
    };
    for (const auto& c : cases) {
        CAPTURE(c.hot);
        CAPTURE(c.pressed);
        paint(c.hot, c.pressed);
        CHECK((c.thumb ? thumbAt() : boxAt()) == shade(c.percent));
    }
    view.hotPart = view.pressedPart = 0;
}

TEST_CASE("the bars' menu scrolls to the chosen place and Cancel does nothing")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(100, 300));
    TextView& view = *bench.view;
    bench.Paint();
    // Picks an entry with the keyboard. Another test program on the display
    // may take the activation away, which closes a menu early; so a choice
    // whose effect did not come is made again.
    auto choose = [&](int downs, UINT key, POINT client, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 5 && !done(); attempt++) {
            Pump();
            for (int i = 0; i < downs; i++)
                PostMessageW(view.hwnd, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(view.hwnd, WM_KEYDOWN, key, 0);
            POINT screen = view.ClientToScreenPoint(client);
            bench.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.hwnd), Point(screen.x, screen.y));
            // Keys left over when the menu closed early must not reach the handler.
            MSG msg;
            while (PeekMessageW(&msg, view.hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
            }
            bench.Paint();
        }
    };
    RECT bar = view.vertBar;
    POINT onVert{(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
    choose(3, VK_RETURN, onVert, [&] { return TopLine(bench) + view.vertPage >= 100; });  // Scroll here, Top, Bottom
    CHECK(TopLine(bench) + view.vertPage >= 100);
    choose(2, VK_RETURN, onVert, [&] { return TopLine(bench) == 0; });
    CHECK(TopLine(bench) == 0);
    int64 before = view.horzRange;
    bool shown = false;
    choose(1, VK_ESCAPE, onVert, [&] { return std::exchange(shown, true); });
    CHECK(TopLine(bench) == 0);
    CHECK(view.horzRange == before);
    CHECK(bench.handler.Count(RecordingViewHandler::ContextMenu) == 0);

    RECT horz = view.horzBar;
    REQUIRE(horz.right > horz.left);
    POINT onHorz{(horz.left + horz.right) / 2, (horz.top + horz.bottom) / 2};
    auto atRight = [&] { return bench.State().horzOffset == view.horzRange - view.horzPage; };
    choose(3, VK_RETURN, onHorz, atRight);  // Scroll here, Left edge, Right edge
    CHECK(atRight());
    choose(2, VK_RETURN, onHorz, [&] { return bench.State().horzOffset == 0; });
    CHECK(bench.State().horzOffset == 0);
}

TEST_CASE("the horizontal thumb moves the offset while dragged; a right click on a bar keeps the caret")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(Rows(50, 400));
    TextView& view = *bench.view;
    bench.Paint();
    REQUIRE(view.horzBar.right > view.horzBar.left);
    RECT thumb = view.horzThumb;
    int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    CHECK(view.pressedPart == HorzThumb);
    bench.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(x + 40, y));
    CHECK(view.horzPos > 0);
    CHECK(bench.State().horzOffset == view.horzPos);
    int64 dragged = view.horzPos;
    bench.Send(WM_LBUTTONUP, 0, Point(x + 40, y));
    CHECK(bench.State().horzOffset == dragged);
    // A released thumb alone moves nothing.
    view.horzPos = 0;
    bench.Send(WM_HSCROLL, SB_THUMBPOSITION, 0);
    CHECK(bench.State().horzOffset == dragged);

    view.SetCaret(doc, 5, 0, 0);
    bench.Paint();
    RECT bar = view.vertBar;
    bench.Send(WM_RBUTTONDOWN, MK_RBUTTON, Point((bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2));
    CHECK(bench.Caret() == 5);
    CHECK(bench.handler.Count(RecordingViewHandler::CaretMovedByMouse) == 0);
}
