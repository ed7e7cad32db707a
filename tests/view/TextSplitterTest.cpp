#include "TabsTestSupport.h"

#include "base/SettingsStore.h"
#include "support/Screenshot.h"
#include "view/TextSplitter.h"
#include "view/ViewStyle.h"

namespace {

// A pane of its own class that paints itself one colour and keeps its bounds.
class Pane : public Control {
public:
    Pane(ControlGroup* parentGroup, COLORREF c, SizeLimits l = {10, 20, 300, 400}) : colour(c), limits(l)
    {
        parent = parentGroup;
        style = OwnClass | NoTabStop;
        Create(L"TestPane", 0, 0);
    }
    void SetBounds(const RECT& r) override
    {
        bounds = r;
        GuiBase::SetBounds(r);
    }
    void Measure(SizeLimits& l) override { l = limits; }
    void OnPaint(MessageRecord&) override
    {
        DeviceContext dc = PaintDC();
        dc.FillRect(ClientRect(), colour);
    }
    RECT bounds = {-1, -1, -1, -1};
    COLORREF colour;
    SizeLimits limits;
};

struct SplitBench {
    explicit SplitBench(int width = 1009, int height = 300, uint32_t orientation = SplitSideBySide,
                        int dpi = 96)
        : host(SharedHost())
    {
        host.SetDpi(dpi);
        host.SetBounds(RECT{0, 0, width + 20, height + 20});
        holder = new Holder(&host);
        holder->SetBounds(RECT{0, 0, width + 20, height + 20});
        splitter = TextSplitter::Create(holder);
        first = new Pane(splitter, RGB(200, 0, 0));
        second = new Pane(splitter, RGB(0, 0, 200));
        splitter->orientation = orientation;
        splitter->SetBounds(RECT{0, 0, width, height});
        splitter->SetSplitPosition(5000);
        Commands();
    }
    ~SplitBench()
    {
        delete holder;
        host.SetDpi(96);
    }
    SplitBench(const SplitBench&) = delete;
    SplitBench& operator=(const SplitBench&) = delete;

    // The commands posted to the holder since the last call.
    std::vector<int> Commands()
    {
        Pump();
        std::vector<int> codes;
        for (WPARAM w : holder->commands) {
            CHECK(LOWORD(w) == TextSplitterId);
            codes.push_back(HIWORD(w));
        }
        holder->commands.clear();
        return codes;
    }
    void Layout()
    {
        MessageRecord m{splitter->hwnd, WM_SIZE, 0, 0, 0};
        splitter->OnSize(m);
    }
    void Mouse(UINT msg, int x, int y, WPARAM keys)
    {
        SendMessageW(splitter->hwnd, msg, keys, Point(x, y));
    }
    bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

    ViewHost& host;
    Holder* holder;
    TextSplitter* splitter;
    Pane* first;
    Pane* second;
};

} // namespace

TEST_CASE("the ratio lays out two panes and the bar side by side and one above the other")
{
    SplitBench b;
    TextSplitter& s = *b.splitter;
    CHECK(s.GetId() == TextSplitterId);
    CHECK(s.firstPane == b.first);
    CHECK(s.secondPane == b.second);
    CHECK(b.Same(b.first->bounds, {0, 0, 500, 300}));
    CHECK(b.Same(s.barRect, {500, 0, 508, 300}));
    CHECK(b.Same(b.second->bounds, {508, 0, 1009, 300}));

    s.orientation = SplitAboveBelow;
    b.Layout();
    // 292 available: 146 and 146.
    CHECK(b.Same(b.first->bounds, {0, 0, 1009, 146}));
    CHECK(b.Same(s.barRect, {0, 146, 1009, 154}));
    CHECK(b.Same(b.second->bounds, {0, 154, 1009, 300}));

    SizeLimits l;
    s.Measure(l);
    CHECK(l.minHeight == 20 + 20 + 8);
    CHECK(l.maxHeight == 400 + 400 + 8);
    CHECK(l.minWidth == 10);
    CHECK(l.maxWidth == 300);
    s.orientation = SplitSideBySide;
    b.second->limits = {30, 50, 200, 40};
    s.Measure(l);
    CHECK(l.minWidth == 10 + 30 + 8);
    CHECK(l.maxWidth == 300 + 200 + 8);
    CHECK(l.minHeight == 50);
    CHECK(l.maxHeight == 50);  // the smaller maximum, but not below the minimum

    // A third child finds no place; removing the first moves the second up.
    Pane* third = new Pane(&s, RGB(0, 200, 0));
    CHECK(s.firstPane == b.first);
    CHECK(s.secondPane == b.second);
    delete third;
    delete b.first;
    CHECK(s.firstPane == b.second);
    CHECK(s.secondPane == nullptr);
    s.Measure(l);
    CHECK(l.minWidth == 30);
    delete b.second;
    s.Measure(l);
    CHECK(l.maxWidth == 0);
    CHECK(l.maxHeight == Unbounded);
}

TEST_CASE("the bar is 12 pixels at 144 dpi, and a tiny client gives both panes nothing")
{
    SplitBench b(600, 300, SplitSideBySide, 144);
    CHECK(b.splitter->BarThickness() == 12);
    CHECK(b.Same(b.splitter->barRect, {294, 0, 306, 300}));
    for (uint32_t orientation : {SplitSideBySide, SplitAboveBelow}) {
        INFO("orientation " << orientation);
        b.splitter->orientation = orientation;
        b.splitter->SetBounds(RECT{0, 0, 7, 7});
        b.Layout();
        RECT a = b.first->bounds, c = b.second->bounds;
        CHECK((a.right - a.left == 0 || a.bottom - a.top == 0));
        CHECK((c.right - c.left == 0 || c.bottom - c.top == 0));
    }
}

TEST_CASE("a collapsed pane gives the other the whole area; the ratio comes back with it")
{
    SplitBench b(1009, 300);
    TextSplitter& s = *b.splitter;
    s.SetSplitPosition(3000);
    b.Commands();
    b.second->Collapse();
    b.Layout();
    CHECK(b.Same(b.first->bounds, {0, 0, 1009, 300}));
    CHECK(IsRectEmpty(&s.barRect));
    CHECK(s.ratio == 3000);
    // No drag without a bar.
    b.Mouse(WM_LBUTTONDOWN, 300, 10, MK_LBUTTON);
    CHECK_FALSE(s.HasCapture());
    b.second->Uncollapse();
    b.Layout();
    CHECK(b.Same(s.barRect, {300, 0, 308, 300}));
    CHECK(IsWindowVisible(b.second->hwnd));
    // With the first collapsed the second is alone.
    b.first->Collapse();
    b.Layout();
    CHECK(b.Same(b.second->bounds, {0, 0, 1009, 300}));
    CHECK(b.Commands().empty());
}

TEST_CASE("a click on the bar posts nothing; a drag posts 2 per step and 3 at the end")
{
    SplitBench b(1009, 300);
    TextSplitter& s = *b.splitter;
    // The sizing cursor comes with the first visit to the bar.
    CHECK(s.sizeWeCursor == nullptr);
    CHECK(s.sizeNsCursor == nullptr);
    // A click.
    b.Mouse(WM_MOUSEMOVE, 503, 40, 0);
    CHECK(s.hovering);
    CHECK(GetCursor() == LoadCursorW(nullptr, IDC_SIZEWE));
    CHECK(s.sizeWeCursor == GetCursor());
    b.Mouse(WM_LBUTTONDOWN, 503, 40, MK_LBUTTON);
    CHECK(s.HasCapture());
    b.Mouse(WM_LBUTTONUP, 503, 40, 0);
    CHECK_FALSE(s.HasCapture());
    CHECK(b.Commands().empty());

    // A drag of three steps, grabbed 3 pixels inside the bar.
    b.Mouse(WM_LBUTTONDOWN, 503, 40, MK_LBUTTON);
    b.Mouse(WM_MOUSEMOVE, 403, 40, MK_LBUTTON);
    CHECK(s.ratio == 400 * 10000 / 1001);
    CHECK(b.Same(s.barRect, {399, 0, 407, 300}));
    b.Mouse(WM_MOUSEMOVE, -500, 40, MK_LBUTTON);
    CHECK(s.ratio == 0);
    CHECK(b.first->bounds.right == 0);
    CHECK(IsWindowVisible(b.first->hwnd));
    b.Mouse(WM_MOUSEMOVE, 5000, 40, MK_LBUTTON);
    CHECK(s.ratio == 10000);
    CHECK(b.second->bounds.left == 1009);
    CHECK(IsWindowVisible(b.second->hwnd));
    b.Mouse(WM_LBUTTONUP, 5000, 40, 0);
    CHECK(b.Commands() == std::vector<int>{2, 2, 2, 3});
    CHECK(s.startRatio == 5000);  // a drag leaves the outside ratio alone

    // Back where it started: steps, but no end notice.
    b.Mouse(WM_LBUTTONDOWN, 1005, 40, MK_LBUTTON);
    b.Mouse(WM_MOUSEMOVE, 600, 40, MK_LBUTTON);
    b.Mouse(WM_MOUSEMOVE, 1005, 40, MK_LBUTTON);
    b.Mouse(WM_LBUTTONUP, 1005, 40, 0);
    CHECK(b.Commands() == std::vector<int>{2, 2});
    // A move without the button ends the capture.
    b.Mouse(WM_LBUTTONDOWN, 1005, 40, MK_LBUTTON);
    b.Mouse(WM_MOUSEMOVE, 900, 40, 0);
    CHECK_FALSE(s.HasCapture());
    CHECK(s.ratio == 10000);
    SendMessageW(s.hwnd, WM_MOUSELEAVE, 0, 0);
    CHECK_FALSE(s.hovering);

    // Commands from the panes go on to the parent.
    SendMessageW(s.hwnd, WM_COMMAND, MAKEWPARAM(TextSplitterId, 77), 0);
    CHECK(b.Commands() == std::vector<int>{77});
}

TEST_CASE("the bar's colours come from the text colours, brighter face with shadow right or below")
{
    SplitBench b(400, 200);
    TextSplitter& s = *b.splitter;
    s.textColours = 1;
    SettingsStore settings;
    settings.SetText(L"TextColor", L"#203040");
    settings.SetText(L"TextBgColor", L"#zz");  // not hexadecimal: white
    s.ApplySettings(settings);
    CHECK(s.textColor == 0x203040);
    CHECK(s.backgroundColor == 0xFFFFFF);
    s.SetSplitPosition(5000);
    RedrawWindow(b.holder->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PixelImage shot = ReadWindowPixels(s.hwnd);
    REQUIRE(shot.width == 400);
    SaveScreenshot(shot, "splitter.png");
    const RECT bar = s.barRect;
    const COLORREF face = BlendColors(0x203040, 0xFFFFFF, 80, 1.6);
    const COLORREF shadow = BlendColors(0x203040, 0xFFFFFF, 70, 1.6);
    CHECK(shot.At(bar.left + 3, 50) == face);
    CHECK(shot.At(bar.left, 50) == face);  // the highlight is the face
    CHECK(shot.At(bar.right - 1, 50) == shadow);
    CHECK(shot.At(bar.left - 1, 50) == RGB(200, 0, 0));
    CHECK(shot.At(bar.right, 50) == RGB(0, 0, 200));

    // Hovered the bar darkens; system colours without the flag.
    b.Mouse(WM_MOUSEMOVE, bar.left + 2, 50, 0);
    s.Update();
    shot = ReadWindowPixels(s.hwnd);
    CHECK(shot.At(bar.left + 3, 50) == BlendColors(0x203040, 0xFFFFFF, 70, 1.6));
    CHECK(shot.At(bar.right - 1, 50) == BlendColors(0x203040, 0xFFFFFF, 60, 1.6));
    s.textColours = 0;
    s.orientation = SplitAboveBelow;
    b.Layout();
    s.Invalidate();
    s.Update();
    shot = ReadWindowPixels(s.hwnd);
    const RECT row = s.barRect;
    CHECK(shot.At(50, row.top + 3) == GetSysColor(COLOR_BTNFACE));
    CHECK(shot.At(50, row.bottom - 1) == GetSysColor(COLOR_BTNSHADOW));
    CHECK(shot.At(50, row.top) == GetSysColor(COLOR_BTNHIGHLIGHT));
}
