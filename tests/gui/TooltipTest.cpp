#include "GuiTestSupport.h"

#include "gui/Tooltip.h"

namespace {

POINT fakeCursor = {0, 0};

BOOL FakeCursorPos(POINT* p)
{
    *p = fakeCursor;
    return TRUE;
}

const TooltipCalls fakeCalls = {FakeCursorPos};

// A shown, active form whose content has a hint; the tooltip's own timer is
// stopped, so only the test's WM_TIMER ticks drive it.
struct HintedForm {
    HintedForm()
    {
        SetTooltipCalls(&fakeCalls);
        LastMouseKeys = 0;
        LastClickPoint = {-5000, -5000};
        TooltipsOff = 0;
        panel = new Panel(&form);
        panel->SetHint(L"Opens a file");
        form.SetBounds({100, 100, 700, 500});
        form.Show();
        panel->Show();
        form.Activate();
        Pump();
        tip = static_cast<Tooltip*>(form.tooltip);
        REQUIRE(tip);
        KillTimer(tip->hwnd, kTooltipTimer);
        REQUIRE(form.IsActive());
        centre = panel->ClientToScreenPoint({300, 200});
    }
    ~HintedForm() { SetTooltipCalls(nullptr); }

    void Tick() { SendMessageW(tip->hwnd, WM_TIMER, kTooltipTimer, 0); }

    // Ticks at rest at p until the balloon shows: the tick that showed it
    // counted from the one at which the cursor was first seen there, or -1.
    int RestUntilShown(POINT p, int limit = 40)
    {
        fakeCursor = p;
        for (int tick = 0; tick <= limit; tick++) {
            Tick();
            if (tip->IsShown())
                return tick;
        }
        return -1;
    }

    // Runs a message through the loop's hooks as if it came from the queue.
    void Through(HWND w, UINT msg, WPARAM wParam, POINT client = {0, 0})
    {
        MSG m = {w, msg, wParam, MAKELPARAM(client.x, client.y), 0, {0, 0}};
        form.TranslateAndDispatch(m);
    }

    TestForm form;
    Panel* panel;
    Tooltip* tip;
    POINT centre;
};

POINT Offset(POINT p, int dx, int dy)
{
    return {p.x + dx, p.y + dy};
}

} // namespace

TEST_CASE("every form gets a tooltip unless it asks for none, and takes it along")
{
    TestForm plain;
    REQUIRE(plain.tooltip);
    HWND tipWindow = plain.tooltip->hwnd;
    CHECK(GetWindow(tipWindow, GW_OWNER) == plain.hwnd);
    CHECK((GetWindowLongW(tipWindow, GWL_STYLE) & (WS_POPUP | WS_CAPTION)) == WS_POPUP);
    CHECK_FALSE(IsWindowVisible(tipWindow));
    TestForm none(MainWindow | NoTooltip);
    CHECK(none.tooltip == nullptr);
    {
        TestDialog dialog(&plain);
        CHECK(dialog.tooltip);
        TestDialog quiet(&plain, NoTooltip);
        CHECK(quiet.tooltip == nullptr);
    }
    Form* tip = plain.tooltip;
    delete tip;
    CHECK(plain.tooltip == nullptr);
    CHECK_FALSE(IsWindow(tipWindow));
}

TEST_CASE("the balloon shows on the eleventh resting tick and never while the cursor moves")
{
    HintedForm f;
    fakeCursor = f.centre;
    f.Tick();
    for (int i = 1; i <= 10; i++) {
        f.Tick();
        CHECK_FALSE(f.tip->IsShown());
    }
    f.Tick();
    REQUIRE(f.tip->IsShown());
    CHECK(IsWindowVisible(f.tip->hwnd));
    CHECK(f.tip->tipText.Equals(L"Opens a file"));
    CHECK(OpenPopupWindow == f.tip->hwnd);

    // Moving more than 2 pixels between ticks hides it and never shows it.
    POINT p = Offset(f.centre, -100, -100);
    for (int i = 0; i < 40; i++) {
        fakeCursor = Offset(p, 3 * i, 0);
        f.Tick();
        CHECK_FALSE(f.tip->IsShown());
    }
    // Jitter within 2 pixels still rests.
    fakeCursor = Offset(f.centre, 50, 50);
    f.Tick();
    int shownAt = -1;
    for (int i = 1; i <= 20 && shownAt < 0; i++) {
        fakeCursor = Offset(f.centre, 50 + (i % 2 ? 2 : 0), 50 - (i % 2 ? 2 : 0));
        f.Tick();
        if (f.tip->IsShown())
            shownAt = i;
    }
    CHECK(shownAt == 11);

    // A control without a hint: nothing.
    f.panel->SetHint(nullptr);
    CHECK(f.RestUntilShown(Offset(f.centre, -60, 40)) == -1);
}

TEST_CASE("no balloon with a button, Ctrl or Shift down, under a modal run, inactive or switched off")
{
    HintedForm f;
    int dx = 0;
    auto restAgain = [&] {
        dx += 20;
        return f.RestUntilShown(Offset(f.centre, -200 + dx, 0));
    };
    for (WPARAM keys : {WPARAM(MK_LBUTTON), WPARAM(MK_RBUTTON), WPARAM(MK_CONTROL),
                        WPARAM(MK_SHIFT)}) {
        INFO(keys);
        f.Through(f.panel->hwnd, WM_MOUSEMOVE, keys, {5, 5});
        CHECK(restAgain() == -1);
        f.Through(f.panel->hwnd, WM_MOUSEMOVE, 0, {5, 5});
        CHECK(restAgain() == 11);
    }

    // A balloon already shown goes when a modal run starts over the owner.
    TestForm modal(NoTooltip);
    f.form.DisableForModal(&modal);
    f.Tick();
    CHECK_FALSE(f.tip->IsShown());
    CHECK(restAgain() == -1);
    f.form.EnableAfterModal(&modal);
    f.form.Activate();
    REQUIRE(f.form.IsActive());
    CHECK(restAgain() == 11);

    TooltipsOff = 1;
    CHECK(restAgain() == -1);
    TooltipsOff = 0;

    modal.Show();
    modal.Activate();
    if (!f.form.IsActive())
        CHECK(restAgain() == -1);
    f.form.Activate();
    CHECK(restAgain() == 11);
}

TEST_CASE("no balloon near the last click, and a hidden balloon does not return in place")
{
    HintedForm f;
    POINT click = {40, 40};
    f.Through(f.panel->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, click);
    f.Through(f.panel->hwnd, WM_LBUTTONUP, 0, click);
    POINT screenClick = f.panel->ClientToScreenPoint(click);
    CHECK(LastClickPoint.x == screenClick.x);
    CHECK(LastClickPoint.y == screenClick.y);
    CHECK(f.RestUntilShown(Offset(screenClick, 2, -2)) == -1);
    CHECK(f.RestUntilShown(Offset(screenClick, 10, 0)) == 11);

    // A key closes it through the pop-up hook; resting there again shows nothing.
    POINT here = Offset(f.centre, 30, 30);
    // (The tick that sees the cursor leave a shown balloon hides it there.)
    fakeCursor = Offset(here, -20, 0);
    f.Tick();
    CHECK_FALSE(f.tip->IsShown());
    REQUIRE(f.RestUntilShown(here) == 11);
    f.Through(f.panel->hwnd, WM_KEYDOWN, 'A');
    CHECK_FALSE(f.tip->IsShown());
    CHECK(OpenPopupWindow == nullptr);
    CHECK(f.RestUntilShown(here) == -1);
    CHECK(f.RestUntilShown(Offset(here, 1, 2)) == -1);
    // Moved away and rested, it comes back.
    CHECK(f.RestUntilShown(Offset(here, 10, 0)) == 11);
}

TEST_CASE("balloons lie beside the cursor towards the middle and stay in the work area")
{
    HintedForm f;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Tooltip& tip = *f.tip;
    const int s2 = MulDiv(2, tip.GetDpi(), 96), s6 = MulDiv(6, tip.GetDpi(), 96);
    int lineHeight;
    {
        DeviceContext dc = tip.WindowDC();
        dc.SelectFont(tip.GetFont());
        lineHeight = dc.LineHeight();
    }
    struct Corner {
        LONG x, y;
        bool left, above;
    };
    const Corner corners[] = {
        {work.left + 5, work.top + 5, false, false},
        {work.right - 5, work.top + 5, true, false},
        {work.left + 5, work.bottom - 5, false, true},
        {work.right - 5, work.bottom - 5, true, true},
    };
    for (const Corner& c : corners) {
        for (const wchar_t* text : {L"Two\r\nlines", L"A hint much wider than half of any screen "
                                                     L"this test could run on, so it is pushed "
                                                     L"back into the work area by the clamp"}) {
            INFO(c.x << "," << c.y << " " << text);
            tip.trackPoint = {c.x, c.y};
            tip.tipText = String(text);
            tip.ShowAt();
            RECT r = tip.WindowRect();
            CHECK(r.left >= work.left);
            CHECK(r.top >= work.top);
            CHECK(r.right <= work.right);
            CHECK(r.bottom <= work.bottom);
            CHECK(tip.arrowLeft == !c.left);
            CHECK(tip.below == !c.above);
            if (c.above)
                CHECK(r.bottom <= c.y);
            else
                CHECK(r.top > c.y);
            if (text[0] == L'T') {
                CHECK(r.bottom - r.top == 2 * lineHeight + s2 + 2 * s6);
                if (c.left)
                    CHECK(r.right <= c.x);
                else
                    CHECK(r.left > c.x);
            }
        }
    }

    // The accent strip lies on the arrow's side.
    tip.trackPoint = f.centre;
    tip.tipText = String(L"Strip");
    tip.ShowAt();
    RedrawWindow(tip.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client = tip.ClientRect();
    HDC dc = GetDC(tip.hwnd);
    COLORREF stripSide = GetPixel(dc, tip.arrowLeft ? 2 : client.right - 3, client.bottom / 2 + 4);
    COLORREF textSide = GetPixel(dc, tip.arrowLeft ? client.right - 3 : 2, client.bottom / 2 + 4);
    ReleaseDC(tip.hwnd, dc);
    COLORREF paper = GetSysColor(COLOR_WINDOW);
    CHECK(textSide == paper);
    CHECK(stripSide != paper);
}

TEST_CASE("the accent strip is a darker tint on bright paper and a brighter one on dark paper")
{
    COLORREF accent, border;
    TooltipColors(RGB(0, 0, 0), RGB(255, 255, 255), accent, border);
    CHECK(accent == RGB(255, 215, 175));
    CHECK(border == RGB(127, 127, 127));
    TooltipColors(RGB(230, 230, 230), RGB(30, 30, 30), accent, border);
    CHECK(accent == RGB(80, 80, 80));
    CHECK(border == RGB(130, 130, 130));
    // Channels stay inside 0..255.
    TooltipColors(RGB(0, 0, 0), RGB(250, 20, 60), accent, border);
    CHECK(accent == RGB(250, 0, 0));
    TooltipColors(RGB(255, 255, 255), RGB(220, 0, 210), accent, border);
    CHECK(accent == RGB(255, 50, 255));
}

TEST_CASE("the resting tolerance grows with the tooltip's DPI")
{
    HintedForm f;
    f.tip->SetDpi(192);
    // 4 pixels at 192 dpi still rest; 5 start over.
    fakeCursor = f.centre;
    f.Tick();
    for (int i = 1; i <= 11; i++) {
        fakeCursor = Offset(f.centre, i % 2 ? 4 : 0, i % 2 ? -4 : 0);
        f.Tick();
        CHECK(f.tip->IsShown() == (i == 11));
    }
    POINT p = Offset(f.centre, -150, 0);
    for (int i = 0; i < 30; i++) {
        fakeCursor = Offset(p, i % 2 ? 5 : 0, 0);
        f.Tick();
        CHECK_FALSE(f.tip->IsShown());
    }
}
