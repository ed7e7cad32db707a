#include "GuiTestSupport.h"

#include "gui/ColorBox.h"

#include <random>
#include <vector>

namespace {

// What the box must hold: distinct colours in slots, each with its last use.
struct RecentModel {
    std::vector<COLORREF> colours;
    std::vector<long> uses;
    COLORREF current = 0;
    long clock = 0;

    void Add(COLORREF c)
    {
        for (size_t i = 0; i < colours.size(); i++)
            if (colours[i] == c) {
                uses[i] = clock++;
                return;
            }
        if (colours.size() < 32) {
            colours.push_back(c);
            uses.push_back(clock++);
            return;
        }
        size_t oldest = 0;
        for (size_t i = 1; i < uses.size(); i++)
            if (uses[i] < uses[oldest])
                oldest = i;
        colours[oldest] = c;
        uses[oldest] = clock++;
    }
};

COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

int CountCode(const std::vector<WPARAM>& words, int code)
{
    int n = 0;
    for (WPARAM w : words)
        n += LOWORD(w) == ColorBox::BoxId && HIWORD(w) == code;
    return n;
}

struct BoxFixture {
    TestForm form;
    Panel* panel;
    ColorBox* box;
    std::vector<WPARAM> commands;
    BoxFixture()
    {
        form.SetBounds({50, 50, 450, 250});
        panel = new Panel(&form);
        panel->SetBounds({0, 0, 300, 100});
        panel->Show();
        panel->onCommand = [this](MessageRecord& m) { commands.push_back(m.wParam); };
        box = NewColorBox(panel, L"Recent colours");
        box->SetBounds({0, 0, 100, 24});
        form.Show();
        Pump();
    }
};

} // namespace

TEST_CASE("recent colours keep their slots and evict the least recently used, against a model")
{
    BoxFixture f;
    unsigned seed = 20261208;
    std::mt19937 random(seed);
    RecentModel model;
    for (int step = 0; step < 3000; step++) {
        COLORREF c = RGB(random() % 48, 0, 0);
        if (random() % 3 == 0) {
            f.box->SetColor(c);
            model.Add(c);
            model.current = c;
        } else {
            f.box->AddRecentColor(c);
            model.Add(c);
        }
        REQUIRE(f.box->RecentCount() == static_cast<int>(model.colours.size()));
        for (int i = 0; i < f.box->RecentCount(); i++) {
            CAPTURE(seed);
            CAPTURE(step);
            REQUIRE(f.box->RecentColor(i) == model.colours[i]);
        }
        REQUIRE(f.box->CurrentColor() == model.current);
    }
}

TEST_CASE("a colour box paints three swatches across its width and frames the current one")
{
    BoxFixture f;
    COLORREF dark = RGB(10, 20, 30), bright = RGB(250, 240, 200), mid = RGB(0, 128, 0);
    f.box->AddRecentColor(bright);
    f.box->AddRecentColor(dark);
    f.box->AddRecentColor(mid);
    HWND h = f.box->hwnd;
    CHECK(ScreenPixel(h, 10, 12) == bright);
    CHECK(ScreenPixel(h, 40, 12) == dark);
    CHECK(ScreenPixel(h, 90, 12) == mid);
    // No current colour among them: nothing framed.
    CHECK(ScreenPixel(h, 33, 12) == dark);

    // A dark current colour: black outside, white inside; swatch 1 spans 33-66.
    f.box->SetColor(dark);
    CHECK(f.box->RecentCount() == 3);
    CHECK(ScreenPixel(h, 32, 12) == RGB(0, 0, 0));
    CHECK(ScreenPixel(h, 33, 12) == RGB(255, 255, 255));
    CHECK(ScreenPixel(h, 34, 12) == dark);
    CHECK(ScreenPixel(h, 65, 12) == RGB(255, 255, 255));
    CHECK(ScreenPixel(h, 66, 12) == RGB(0, 0, 0));
    // A bright one: black only.
    f.box->SetColor(bright);
    CHECK(ScreenPixel(h, 0, 12) == RGB(0, 0, 0));
    CHECK(ScreenPixel(h, 1, 12) == RGB(0, 0, 0));
    CHECK(ScreenPixel(h, 2, 12) == bright);
    CHECK(ScreenPixel(h, 33, 12) == RGB(0, 0, 0));
    CHECK(ScreenPixel(h, 34, 12) == dark);
}

TEST_CASE("clicks and arrow keys make a swatch current and notify with code 100")
{
    BoxFixture f;
    HWND h = f.box->hwnd;
    // An empty box ignores both.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK(f.commands.empty());

    COLORREF a = RGB(1, 1, 1), b = RGB(2, 2, 2), c = RGB(3, 3, 3);
    for (COLORREF x : {a, b, c})
        f.box->AddRecentColor(x);
    CHECK(f.box->CurrentColor() == 0);
    // Current not in the list: Right counts from slot 0.
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK(f.box->CurrentColor() == b);
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK(f.box->CurrentColor() == c);
    CHECK(CountCode(f.commands, ColorBox::ChangedCode) == 2);
    SendMessageW(h, WM_KEYDOWN, VK_LEFT, 0);
    CHECK(f.box->CurrentColor() == b);

    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, 10));
    CHECK(f.box->CurrentColor() == a);
    CHECK(f.box->HasFocus());
    SendMessageW(h, WM_KEYDOWN, VK_LEFT, 0);
    CHECK(f.box->CurrentColor() == a);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 10));
    CHECK(f.box->CurrentColor() == c);
    CHECK(CountCode(f.commands, ColorBox::ChangedCode) == 5);
    // Right of the last swatch: nothing.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
    CHECK(CountCode(f.commands, ColorBox::ChangedCode) == 5);
    CHECK(SendMessageW(h, WM_GETDLGCODE, 0, 0) == DLGC_WANTARROWS);

    SizeLimits limits;
    f.box->Measure(limits);
    int d = f.box->GetDpi();
    CHECK(limits.minWidth == 32 * MulDiv(4, d, 96));
    CHECK(limits.minHeight == MulDiv(24, d, 96));
    CHECK(limits.maxHeight == limits.minHeight);
}
