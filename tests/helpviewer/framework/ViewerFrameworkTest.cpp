#include "helpviewer/ViewerFramework.h"

#include "gui/Clipboard.h"

#include <doctest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ViewerForm : public Form {
public:
    explicit ViewerForm(uint32_t style = MainWindow) { Create(style, L"HelpTest", nullptr, 7); }
};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[100] = {};
    GetClassNameW(hwnd, name, 100);
    return name;
}

// Widest line and "Wy" height in the balloon's font, as its placement
// measures them.
SIZE Measure(Tooltip* tip, const wchar_t* text)
{
    DeviceContext dc = tip->WindowDC();
    dc.SelectFont(tip->GetFont());
    SIZE widest = {0, 0};
    std::wstring t = text;
    size_t start = 0;
    int lines = 0;
    while (true) {
        size_t end = t.find_first_of(L"\r\n", start);
        std::wstring line = t.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        SIZE s;
        GetTextExtentPoint32W(dc.Hdc(), line.c_str(), int(line.size()), &s);
        widest.cx = std::max(widest.cx, s.cx);
        lines++;
        if (end == std::wstring::npos)
            break;
        start = end + (t.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    widest.cy = lines * dc.LineHeight();
    return widest;
}

// The balloon painted into a 32-bit memory bitmap.
struct Painted {
    int width, height;
    std::vector<uint32_t> pixels;
    // COLORREF order, as the painting named them.
    COLORREF At(int x, int y) const
    {
        uint32_t p = pixels[size_t(y) * width + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
};

Painted Paint(ViewerTooltip* tip, int width, int height)
{
    Painted out{width, height, {}};
    void* bits = nullptr;
    GdiObj dib = MakeDibSection32(width, height, &bits);
    DeviceContext dc;
    dc.Compatible(nullptr);
    dc.SelectBitmap(dib);
    tip->PaintTo(dc, width, height);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    out.pixels.assign(p, p + size_t(width) * height);
    dc.RestoreBitmap();
    return out;
}

} // namespace

TEST_CASE("the viewer's windows are of Guidora classes and its forms get the viewer's balloon")
{
    ViewerForm form;
    CHECK(ClassOf(form.hwnd) == L"Guidora HelpTest");
    REQUIRE(form.tooltip);
    CHECK(dynamic_cast<ViewerTooltip*>(form.tooltip) != nullptr);
    CHECK(ClassOf(form.tooltip->hwnd) == L"Guidora Tooltip");
}

TEST_CASE("the balloon opens away from the mouse toward the middle of the monitor, sized in plain pixels")
{
    ViewerForm form;
    auto* tip = static_cast<ViewerTooltip*>(form.tooltip);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        POINT p;
        const wchar_t* text;
    };
    const Case cases[] = {{{100, 120}, L"Wstecz"},
                          {{screenW - 300, screenH - 200}, L"Poprzedni rozdział\nNastępny"},
                          {{200, screenH - 300}, L"jeden\r\ndwa\rtrzy\nczwarty"},
                          {{screenW - 250, 150}, L"x"}};
    // Plain pixels whatever the DPI; only the font follows it.
    for (int dpi : {96, 192}) {
        for (const Case& c : cases) {
            tip->SetDpi(dpi);
            INFO("at " << c.p.x << "," << c.p.y << ", dpi " << dpi);
            tip->trackPoint = c.p;
            tip->tipText = String(c.text);
            tip->ShowAt();
            SIZE text = Measure(tip, c.text);
            int feeds = 0;
            for (const wchar_t* q = c.text; *q; q++)
                feeds += *q == L'\n';
            const int height = text.cy + 3 * feeds + 14;
            RECT r = tip->WindowRect();
            const bool left = c.p.x < screenW / 2, top = c.p.y < screenH / 2;
            CHECK(bool(tip->arrowLeft) == left);
            CHECK(bool(tip->below) == top);
            CHECK(r.right - r.left == text.cx + 36);
            CHECK(r.bottom - r.top == height);
            CHECK(r.left == (left ? c.p.x + 8 : c.p.x - text.cx - 44));
            CHECK(r.top == (top ? c.p.y + 8 : c.p.y - height - 8));
            CHECK(IsWindowVisible(tip->hwnd));
            CHECK(OpenPopupWindow == tip->hwnd);
            CHECK(tip->StillDistance() == 2);
        }
    }
    tip->SetDpi(96);
    // Two lines with one line feed: 3 pixels more than two lines and 14.
    tip->tipText = String(L"a\nb");
    tip->trackPoint = {50, 50};
    tip->ShowAt();
    RECT r = tip->WindowRect();
    DeviceContext dc = tip->WindowDC();
    dc.SelectFont(tip->GetFont());
    CHECK(r.bottom - r.top == 2 * dc.LineHeight() + 3 + 14);
    tip->Hide();
}

TEST_CASE("the balloon is white with the stripe and the arrow on the pointer's side")
{
    ViewerForm form;
    auto* tip = static_cast<ViewerTooltip*>(form.tooltip);
    tip->tipText = String(L"Drukuj rozdział");
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const int w = 160, h = 40;
    for (int corner = 0; corner < 4; corner++) {
        tip->arrowLeft = corner % 2 == 0;
        tip->below = corner < 2;
        INFO("arrow left " << int(tip->arrowLeft) << ", pointer on top " << int(tip->below));
        Painted p = Paint(tip, w, h);
        // (x, y) measured from the arrow's corner.
        auto at = [&](int x, int y) {
            return p.At(tip->arrowLeft ? x : w - 1 - x, tip->below ? y : h - 1 - y);
        };
        CHECK(at(4, 4) == black);     // inside the head
        CHECK(at(7, 7) == black);     // on the shaft
        CHECK(at(1, 1) == kTooltipStripe);  // the 3-pixel gap from both edges
        CHECK(at(9, 2) == kTooltipStripe);  // beside the head
        CHECK(at(15, 13) == kTooltipStripe);  // past the shaft's end
        CHECK(at(19, h - 3) == kTooltipStripe);
        CHECK(at(20, h - 3) == white);  // the stripe is 20 pixels wide
        CHECK(p.At(tip->arrowLeft ? w - 2 : 1, h / 2) == white);
        // Text starts at 27 beside the stripe, 7 without it, from y 5.
        int firstInk = -1;
        for (int x = 0; x < w && firstInk < 0; x++)
            for (int y = 0; y < h; y++)
                if ((tip->arrowLeft ? x >= 20 : x < w - 20) && p.At(x, y) != white) {
                    firstInk = x;
                    break;
                }
        CHECK(firstInk >= (tip->arrowLeft ? 27 : 7));
        CHECK(firstInk <= (tip->arrowLeft ? 29 : 9));
    }
}

TEST_CASE("the viewer copies plain text with CR LF line ends and no HTML")
{
    ViewerForm form;
    struct Case {
        std::wstring in, out;
    };
    const Case cases[] = {{L"jeden\ndwa\n", L"jeden\r\ndwa\r\n"},
                          {L"jeden\r\ndwa", L"jeden\r\ndwa"},
                          {L"a\rb\r", L"a\r\nb\r\n"},
                          {std::wstring(L"przed\0po", 8), L"przed\r\npo"},
                          {L"\n\r\n\r", L"\r\n\r\n\r\n"}};
    for (const Case& c : cases) {
        Clipboard::SetText(form, c.in.data(), int64_t(c.in.size()));
        String back = Clipboard::GetText(form);
        CHECK(std::wstring(back.Data(), size_t(back.Length())) == c.out);
        CHECK_FALSE(IsClipboardFormatAvailable(Clipboard::HtmlFormat()));
    }
    Pump();
}

namespace {

class CommandForm : public ViewerForm {
public:
    void OnCommand(MessageRecord& m) override { commands.push_back(LOWORD(m.wParam)); }
    std::vector<int> commands;
};

// Picks the second item of the menu that is open when the timer fires.
void CALLBACK PickSecondItem(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

} // namespace

TEST_CASE("a context menu comes from the program's menu resource; a missing one shows nothing")
{
    CommandForm form;
    form.SetBounds({100, 100, 500, 400});
    form.Show();
    Pump();
    SetTimer(nullptr, 0, 200, PickSecondItem);
    ShowContextMenu(form, 31100, 20, 20);
    Pump();
    CHECK(form.commands == std::vector<int>{501});
    ShowContextMenu(form, 31999, 20, 20);
    Pump();
    CHECK(form.commands.size() == 1);
    ViewerForm closed;
    DestroyWindow(closed.hwnd);
    Pump();
    ShowContextMenu(closed, 31100, 20, 20);
}

TEST_CASE("control backgrounds fill plain or shaded from 90% at the top to the colour at the bottom")
{
    const COLORREF colour = RGB(200, 100, 50);
    CHECK(ShadeTop(colour) == RGB(180, 90, 45));
    CHECK(ShadeTop(RGB(255, 9, 1)) == RGB(229, 8, 0));
    void* bits = nullptr;
    GdiObj dib = MakeDibSection32(4, 50, &bits);
    DeviceContext dc;
    dc.Compatible(nullptr);
    dc.SelectBitmap(dib);
    auto at = [&](int y) {
        GdiFlush();
        uint32_t p = static_cast<const uint32_t*>(bits)[y * 4 + 1];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    };
    auto within = [](COLORREF a, COLORREF b, int d) {
        return std::abs(GetRValue(a) - GetRValue(b)) <= d && std::abs(GetGValue(a) - GetGValue(b)) <= d &&
               std::abs(GetBValue(a) - GetBValue(b)) <= d;
    };
    FillBackground(dc, {0, 0, 4, 50}, colour, false);
    CHECK(at(0) == colour);
    CHECK(at(49) == colour);
    FillBackground(dc, {0, 0, 4, 50}, colour, true);
    CHECK(within(at(0), RGB(180, 90, 45), 1));
    CHECK(within(at(25), RGB(190, 95, 47), 2));
    CHECK(within(at(49), colour, 1));
    dc.RestoreBitmap();
}
