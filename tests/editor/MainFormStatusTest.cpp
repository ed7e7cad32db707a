// The status bar of the real main window follows its active view, and its
// clicks and the text commands come back as menu commands.

#include "MainFormTestSupport.h"

#include "editor/Statusbar.h"
#include "support/Pump.h"
#include "support/Screenshot.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <algorithm>
#include <random>

namespace {

void Type(MainForm& f, const wchar_t* text)
{
    for (const wchar_t* p = text; *p; p++)
        SendMessageW(f.view1->hwnd, WM_CHAR, *p, 0);
}

}  // namespace

TEST_CASE("the status bar shows the caret of the active view and follows its moves")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    SetUiLanguageId(9);
    Statusbar& bar = *f.statusbar;
    CHECK(bar.GetId() == Statusbar::BarId);
    REQUIRE(bar.state.hasText);
    Type(f, L"ab\rcd");
    CHECK(bar.state.line == 1);
    CHECK(bar.state.column == 2);
    CHECK(bar.state.code == -1);
    SendMessageW(f.view1->hwnd, WM_KEYDOWN, VK_HOME, 0);
    CHECK(bar.state.column == 0);
    CHECK(bar.state.code == 'c');
    CHECK(bar.state.insertMode);
    SendMessageW(f.hwnd, WM_COMMAND, 11086, 0);
    CHECK_FALSE(bar.state.insertMode);

    // Upper case through the menu id; the converted character stays selected.
    SendMessageW(f.hwnd, WM_COMMAND, 11034, 0);
    TextDocument* doc = run.broker->documents.At(0);
    std::string bytes(static_cast<size_t>(doc->text.Size()), '\0');
    doc->text.CopyBytes(0, reinterpret_cast<u8*>(&bytes[0]), doc->text.Size());
    CHECK(bytes.find("Cd") != std::string::npos);

    // A click on the mode field arrives as its command with the bar's id.
    bar.Update(doc, f.activeView);
    bar.Invalidate();
    bar.Update();
    int y = bar.ClientRect().bottom / 2;
    int x = bar.edges[3] - 3;
    SendMessageW(bar.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageW(bar.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(bar.GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    CHECK(bar.state.insertMode);
}

TEST_CASE("after every key the view and the status bar show what painting them afresh shows")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    Statusbar& bar = *f.statusbar;
    Type(f, L"int f(int a) {\r\treturn (a + 1) * [2]; // \"x\"\r}\r");
    for (int i = 0; i < 40; i++)
        Type(f, L"a line long enough to wrap ");
    unsigned seed = 20261209;
    INFO("seed " << seed);
    std::mt19937 random(seed);
    const wchar_t keys[] = L"ab (){}[]\"\t1\r\b\b";
    const WPARAM moves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
    BYTE state[256];
    for (int step = 0; step < 160; step++) {
        if (step == 80)
            RunCommand(f, 11071);  // wrapped from here on
        GetKeyboardState(state);
        state[VK_SHIFT] = random() % 4 == 0 ? 0x80 : 0;  // some moves select
        SetKeyboardState(state);
        if (random() % 2)
            SendMessageW(f.view1->hwnd, WM_CHAR, keys[random() % (sizeof keys / sizeof *keys - 1)], 0);
        else
            SendMessageW(f.view1->hwnd, WM_KEYDOWN, moves[random() % 6], 0);
        state[VK_SHIFT] = 0;
        SetKeyboardState(state);
        // The bar's repaint waits for its timer.
        for (DWORD start = GetTickCount(); bar.repaintDue && GetTickCount() - start < 10000; Sleep(1))
            Pump();
        REQUIRE_FALSE(bar.repaintDue);
        Pump();
        HideCaret(f.view1->hwnd);
        PixelImage view = ReadWindowPixels(f.view1->hwnd), shown = ReadWindowPixels(bar.GetHwnd());
        REQUIRE(std::count(view.pixels.begin(), view.pixels.end(), view.pixels[0]) < view.width * view.height);
        RedrawWindow(run.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        CHECK(ReadWindowPixels(f.view1->hwnd).pixels == view.pixels);
        CHECK(ReadWindowPixels(bar.GetHwnd()).pixels == shown.pixels);
        ShowCaret(f.view1->hwnd);
    }
}
