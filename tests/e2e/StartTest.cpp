// The editor started as a user starts it: a copied program with its own
// portable settings, watched from outside.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

TEST_CASE("without settings the editor opens at 10,10 in 800 x 600 in the system's language, and closing ends it with 0")
{
    EditorRun run("");
    HWND main = run.WaitForMain();
    RECT r;
    GetWindowRect(main, &r);
    CHECK(r.left == 10);
    CHECK(r.top == 10);
    CHECK(r.right - r.left == 800);
    CHECK(r.bottom - r.top == 600);
    bool polish = PolishSystem();
    CheckMenuLanguage(run, main, polish);
    CHECK(Narrow(driver::WindowText(main)) == (polish ? "<bez nazwy> - Scrivel" : "<no name> - Scrivel"));
    HWND toolbar = ChildWithId(main, 12100);
    REQUIRE(toolbar != nullptr);
    CHECK(IsWindowVisible(toolbar));
    HWND view1 = ChildWithId(main, 12300), view2 = ChildWithId(main, 12301);
    REQUIRE(view1 != nullptr);
    REQUIRE(view2 != nullptr);
    CHECK(IsWindowVisible(view1));
    CHECK_FALSE(IsWindowVisible(view2));
    CHECK_FALSE(IsWindowVisible(ChildWithId(main, 12411)));
    CHECK(driver::ProcessWindows(run.ProcessId()).size() == 1);
    Screenshot(main, "start_default");

    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    std::string settings = run.Settings();
    CHECK(settings.find("WindowRect=10,10,800,600") != std::string::npos);
    CHECK(settings.find("Toolbar=true") != std::string::npos);
}

TEST_CASE("the window opens where the settings say, in the language they name, without a toolbar when told")
{
    EditorRun run("Toolbar=false\r\nUILanguage=POLSKI\r\nWindowRect=100,50,640,480\r\n");
    HWND main = run.WaitForMain();
    RECT r;
    GetWindowRect(main, &r);
    CHECK(r.left == 100);
    CHECK(r.top == 50);
    CHECK(r.right - r.left == 640);
    CHECK(r.bottom - r.top == 480);
    CheckMenuLanguage(run, main, true);
    CHECK(Narrow(driver::WindowText(main)) == "<bez nazwy> - Scrivel");
    HWND toolbar = ChildWithId(main, 12100);
    CHECK((toolbar == nullptr || !IsWindowVisible(toolbar)));
    Screenshot(main, "start_polish_no_toolbar");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    CHECK(run.Settings().find("Toolbar=false") != std::string::npos);
}

TEST_CASE("any other UILanguage value gives English, also on a Polish system")
{
    EditorRun run("UILanguage=english\r\n");
    HWND main = run.WaitForMain();
    CheckMenuLanguage(run, main, false);
    CHECK(Narrow(driver::WindowText(main)) == "<no name> - Scrivel");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("a first argument --OPT:UPDATED shows one update alert and opens no file of that name")
{
    EditorRun run("", L"--OPT:UPDATED");
    const wchar_t* title = PolishSystem() ? L"Aktualizacja - Scrivel" : L"Update - Scrivel";
    HWND alert = run.WaitForTitled(title);
    REQUIRE(alert != nullptr);
    driver::WaitForQueueHandled(alert);
    CHECK(run.CountTitled(title) == 1);
    Screenshot(alert, "update_alert");
    REQUIRE(driver::WaitForKeyboardFocus(alert, nullptr));
    driver::PressKey(VK_RETURN);
    HWND main = run.WaitForMain();
    CHECK(WaitUntil([&] { return run.CountTitled(title) == 0; }));
    std::string caption = Narrow(driver::WindowText(main));
    CHECK(caption.find("UPDATED") == std::string::npos);
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
