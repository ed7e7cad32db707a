// The status bar's fields and the case command as a user reaches them.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

namespace {

// Clicks the bar at x (client coordinates) the way the mouse does.
void ClickBar(HWND bar, int x)
{
    RECT r;
    GetClientRect(bar, &r);
    LPARAM at = MAKELPARAM(x, r.bottom / 2);
    PostMessageW(bar, WM_MOUSEMOVE, 0, at);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
}

HWND FindBar(HWND main)
{
    HWND found = nullptr;
    EnumChildWindows(
        main,
        [](HWND w, LPARAM out) -> BOOL {
            if (driver::ClassOf(w) == L"Scrivel Statusbar") {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

TEST_CASE("a click on the line field opens Go to line; upper case of a Polish line is saved")
{
    const std::wstring line = L"zażółć gęślą jaźń";
    TempFolder texts;
    String path = texts / L"polish.txt";
    WriteFileBytes(path, Narrow(line) + "\r\n");
    EditorRun run("", L" \"" + std::wstring(path.CStr()) + L"\"");
    HWND main = run.WaitForMain();
    HWND bar = FindBar(main);
    REQUIRE(bar != nullptr);

    ClickBar(bar, 12);
    bool polish = PolishSystem();
    HWND dialog = run.WaitForTitled(polish ? L"Przejdź do wiersza - Scrivel" : L"Go to line - Scrivel");
    REQUIRE(dialog != nullptr);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    // The commands below go to the main window once its modal run has ended.
    REQUIRE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    REQUIRE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }));

    // Select all, upper case and save by their menu ids: no keys, so a run
    // beside this one cannot take them.
    for (WPARAM command : {11027, 11034})
        PostMessageW(main, WM_COMMAND, command, 0);
    CHECK(WaitForModifiedMark(main, true));
    PostMessageW(main, WM_COMMAND, 11003, 0);
    CHECK(WaitForModifiedMark(main, false));
    CHECK(WaitForFile(path, Narrow(L"ZAŻÓŁĆ GĘŚLĄ JAŹŃ") + "\r\n"));
    CHECK(run.CloseAndWait(main, 10000) == 0);
}
