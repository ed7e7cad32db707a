// The interface language chosen from the menu changes menus and title at
// once and is written to the settings.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

namespace {

int OpenMenus(EditorRun& run)
{
    int n = 0;
    for (HWND window : driver::ProcessWindows(run.ProcessId()))
        n += driver::ClassOf(window) == L"#32768";
    return n;
}

bool WaitForMenus(EditorRun& run, int count, DWORD timeout = 5000)
{
    DWORD start = GetTickCount();
    while (OpenMenus(run) != count && GetTickCount() - start < timeout)
        Sleep(10);
    return OpenMenus(run) == count;
}

// Options, UI language, then the language's item, by their shortcut letters,
// each once the menu before it is open.
void ChooseLanguage(EditorRun& run, HWND main, WORD submenu, WORD item)
{
    // Alt may meet a menu bar still in its menu mode: then again.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; attempt++) {
        SetForegroundWindow(main);
        driver::PressKey('O', false, false, true);
        opened = WaitForMenus(run, 1, 2000);
        if (!opened)
            driver::PressKey(VK_ESCAPE);
    }
    REQUIRE(opened);
    driver::PressKey(submenu);
    REQUIRE(WaitForMenus(run, 2));
    driver::PressKey(item);
    REQUIRE(WaitForMenus(run, 0));
}

bool WaitForTitle(HWND main, const std::string& title)
{
    DWORD start = GetTickCount();
    while (Narrow(driver::WindowText(main)) != title && GetTickCount() - start < 5000)
        Sleep(10);
    return Narrow(driver::WindowText(main)) == title;
}

}  // namespace

TEST_CASE("switching the language from the menu renames menus and title and written to the settings at once")
{
    EditorRun run("UILanguage=english\r\n");
    HWND main = run.WaitForMain();
    ChooseLanguage(run, main, 'U', 'P');
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel"));
    // The menus answer once the switch has ended: the settings are written
    // then, and read only then, since a read could make their writing fail.
    CheckMenuLanguage(run, main, true);
    CHECK(run.Settings().find("UILanguage=polski") != std::string::npos);
    Screenshot(main, "switched_to_polish");

    ChooseLanguage(run, main, 'J', 'A');
    CHECK(WaitForTitle(main, "<no name> - Scrivel"));
    CheckMenuLanguage(run, main, false);
    CHECK(run.Settings().find("UILanguage=english") != std::string::npos);
    ChooseLanguage(run, main, 'U', 'P');
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel"));
    CHECK(run.CloseAndWait(main, 10000) == 0);
    CHECK(run.Settings().find("UILanguage=polski") != std::string::npos);
}
