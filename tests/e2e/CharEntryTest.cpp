// Characters picked by code in the character dialog land in the text and
// are saved in its encoding.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <cstring>
#include <string>

namespace {

// The text of another process's edit control: GetWindowText does not ask it.
std::wstring FieldText(HWND field)
{
    wchar_t text[64] = {};
    SendMessageW(field, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    return text;
}

// Ctrl+E, the code typed over the code field's text, Enter, then OK.
void EnterByCode(EditorRun& run, HWND main, const wchar_t* code)
{
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::PressKey('E', true);
    HWND dialog = run.WaitForTitled(PolishSystem() ? L"Wybór znaku - Scrivel" : L"Select character - Scrivel");
    REQUIRE(dialog != nullptr);
    HWND field = ChildWithId(dialog, 20702);
    HWND text = ChildWithId(dialog, 20703);
    REQUIRE(field != nullptr);
    REQUIRE(text != nullptr);
    CHECK(FieldText(field) == L"0020");
    // The grid has the focus; Tab moves on to the code field, all selected.
    REQUIRE(driver::WaitForKeyboardFocus(dialog, ChildWithId(dialog, 20701)));
    driver::PressKey(VK_TAB);
    REQUIRE(driver::WaitForKeyboardFocus(dialog, field));
    driver::TypeText(code);
    // A sent WM_GETTEXT is answered before queued keys are handled: the
    // field reads the code only once all of them have arrived.
    REQUIRE(WaitUntil([&] { return FieldText(field) == code; }));
    driver::PressKey(VK_RETURN);
    CHECK(WaitUntil([&] { return !FieldText(text).empty(); }));
    PostMessageW(ChildWithId(dialog, IDOK), BM_CLICK, 0, 0);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    // Back in the text once the modal run has ended.
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
}

// A text of the given bytes opened, the code entered at its start and the
// text saved: the file's bytes then. No deferred alert may show.
std::string SavedAfterCode(const char* name, const std::string& bytes, const wchar_t* code)
{
    TempFolder texts;
    String path = texts / std::wstring(name, name + strlen(name)).c_str();
    WriteFileBytes(path, bytes);
    EditorRun run("", Quoted(path));
    HWND main = run.WaitForMain();
    EnterByCode(run, main, code);
    std::string saved = SavedBytes(main, path);
    driver::WaitUntilPainted(main);
    driver::WaitForQueueHandled(main);
    CHECK(run.CountTitled(PolishSystem() ? L"Nie można zrealizować operacji - Scrivel"
                                         : L"Operation can not be performed - Scrivel") == 0);
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    return saved;
}

}  // namespace

TEST_CASE("Ctrl+E in an 8-bit text: code 00b9 is saved as the byte 0xB9 with no alert")
{
    // High bytes without a declaration: Windows-1250 on a Polish system,
    // whose code page the editor shares with this program.
    if (PolishSystem())
        CHECK(GetACP() == 1250);
    CHECK(SavedAfterCode("cp.txt", "z\xB3y\r\n", L"00b9") == "\xB9z\xB3y\r\n");
}

TEST_CASE("Ctrl+E in a UTF-8 text: code 1f600 is saved as F0 9F 98 80")
{
    CHECK(SavedAfterCode("utf8.txt", "\xEF\xBB\xBFx\r\n", L"1f600") == "\xEF\xBB\xBF\xF0\x9F\x98\x80x\r\n");
}

TEST_CASE("Ctrl+F, Ctrl+W and Backspace in the character dialog type nothing: OK then inserts nothing")
{
    TempFolder texts;
    String path = texts / L"ctrl.txt";
    WriteFileBytes(path, "abc\r\n");
    EditorRun run("", Quoted(path));
    HWND main = run.WaitForMain();
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::PressKey('E', true);
    HWND dialog = run.WaitForTitled(PolishSystem() ? L"Wybór znaku - Scrivel" : L"Select character - Scrivel");
    REQUIRE(dialog != nullptr);
    HWND grid = ChildWithId(dialog, 20701);
    HWND field = ChildWithId(dialog, 20702);
    HWND text = ChildWithId(dialog, 20703);
    REQUIRE(driver::WaitForKeyboardFocus(dialog, grid));
    // In the grid, then in the code field and in the text field.
    for (HWND target : {grid, field, text}) {
        if (target != grid) {
            driver::PressKey(VK_TAB);
            REQUIRE(driver::WaitForKeyboardFocus(dialog, target));
        }
        driver::PressKey('F', true);
        driver::PressKey('W', true);
    }
    driver::PressKey(VK_TAB, false, true);
    driver::PressKey(VK_TAB, false, true);
    REQUIRE(driver::WaitForKeyboardFocus(dialog, grid));
    driver::PressKey(VK_BACK);
    driver::PressKey(VK_TAB);
    driver::PressKey(VK_TAB);
    REQUIRE(driver::WaitForKeyboardFocus(dialog, text));
    // A typed letter behind the keys: once it has arrived, so have they.
    driver::TypeText(L"q");
    REQUIRE(WaitUntil([&] { return FieldText(text) == L"q"; }));
    CHECK(FieldText(field) == L"0020");
    PostMessageW(ChildWithId(dialog, IDOK), BM_CLICK, 0, 0);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    CHECK(SavedBytes(main, path) == "qabc\r\n");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
