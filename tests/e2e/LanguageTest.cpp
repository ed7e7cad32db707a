// The interface language chosen from the menu changes menus and title at
// once and is written to the settings.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

namespace {

// Options, UI language, then the language's item, by their shortcut letters.
void ChooseLanguage(EditorRun& run, HWND main, WORD submenu, WORD item)
{
    SetForegroundWindow(main);
    driver::PressKey('O', false, false, true);
    DWORD start = GetTickCount();
    while (!driver::FindProcessWindow(run.ProcessId(), L"#32768") && GetTickCount() - start < 5000)
        Sleep(10);
    driver::PressKey(submenu);
    Sleep(100);
    driver::PressKey(item);
    start = GetTickCount();
    while (driver::FindProcessWindow(run.ProcessId(), L"#32768") && GetTickCount() - start < 5000)
        Sleep(10);
}

bool WaitForTitle(HWND main, const std::string& title)
{
    DWORD start = GetTickCount();
    while (Narrow(driver::WindowText(main)) != title && GetTickCount() - start < 5000)
        Sleep(10);
    return Narrow(driver::WindowText(main)) == title;
}

// The settings file is written last of the switch.
bool WaitForSetting(EditorRun& run, const char* line)
{
    DWORD start = GetTickCount();
    while (run.Settings().find(line) == std::string::npos && GetTickCount() - start < 5000)
        Sleep(10);
    return run.Settings().find(line) != std::string::npos;
}

}  // namespace

TEST_CASE("switching the language from the menu renames menus and title and written to the settings at once")
{
    EditorRun run("UILanguage=english\r\n");
    HWND main = run.WaitForMain();
    ChooseLanguage(run, main, 'U', 'P');
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel"));
    CHECK(WaitForSetting(run, "UILanguage=polski"));
    CheckMenuLanguage(run, main, true);
    Screenshot(main, "switched_to_polish");

    ChooseLanguage(run, main, 'J', 'A');
    CHECK(WaitForTitle(main, "<no name> - Scrivel"));
    CHECK(WaitForSetting(run, "UILanguage=english"));
    CheckMenuLanguage(run, main, false);
    ChooseLanguage(run, main, 'U', 'P');
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel"));
    CHECK(run.CloseAndWait(main, 10000) == 0);
    CHECK(run.Settings().find("UILanguage=polski") != std::string::npos);
}
