// Ending the editor with typed text, as a user does: the close box, the
// save question, its answer.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <string>

TEST_CASE("closing with typed text asks to save; Abandon changes ends the run with 0")
{
    EditorRun run("");
    HWND main = run.WaitForMain();
    REQUIRE(driver::WaitForKeyboardFocus(main, ChildWithId(main, 12300)));
    driver::TypeText(L"typed");
    // The title marks the text modified once the keys arrived.
    REQUIRE(WaitForModifiedMark(main, true));
    CHECK(run.CloseAndWait(main, 300) == STILL_ACTIVE);
    bool polish = PolishSystem();
    const wchar_t* title = polish ? L"Zapisz - Scrivel" : L"Save - Scrivel";
    HWND question = run.WaitForTitled(title);
    REQUIRE(question != nullptr);
    CHECK(run.CountTitled(title) == 1);
    Screenshot(question, "exit_save_question");
    HWND abandon = ChildWithText(question, polish ? L"&Odrzuć zmiany" : L"&Abandon changes");
    REQUIRE(abandon != nullptr);
    PostMessageW(abandon, BM_CLICK, 0, 0);
    CHECK(run.WaitForExit(driver::kPatience) == 0);
}
