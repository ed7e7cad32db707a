// The interface language chosen from the Options menu changes menus and title at
// once and is written to the settings.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

namespace {

// The title once it is the expected one, or whatever it is when the wait gives up.
std::string WaitForTitle(HWND main, const std::string& title)
{
    WaitUntil([&] { return Narrow(driver::WindowText(main)) == title; });
    return Narrow(driver::WindowText(main));
}

// The menu item's command, as the Options menu sends it.
void ChooseLanguage(HWND main, WPARAM command)
{
    PostMessageW(main, WM_COMMAND, command, 0);
}

}  // namespace

TEST_CASE("switching the language renames menus and title at once and writes it to the settings")
{
    EditorRun run("UILanguage=english\r\n");
    HWND main = run.WaitForMain();
    ChooseLanguage(main, 11090);
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel") == "<bez nazwy> - Scrivel");
    // The menus answer once the switch has ended: the settings are written
    // then, and read only then, since a read could make their writing fail.
    CheckMenuLanguage(run, main, true);
    CHECK(run.Settings().find("UILanguage=polski") != std::string::npos);
    Screenshot(main, "switched_to_polish");

    ChooseLanguage(main, 11091);
    CHECK(WaitForTitle(main, "<no name> - Scrivel") == "<no name> - Scrivel");
    CheckMenuLanguage(run, main, false);
    CHECK(run.Settings().find("UILanguage=english") != std::string::npos);
    ChooseLanguage(main, 11090);
    CHECK(WaitForTitle(main, "<bez nazwy> - Scrivel") == "<bez nazwy> - Scrivel");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    CHECK(run.Settings().find("UILanguage=polski") != std::string::npos);
}
