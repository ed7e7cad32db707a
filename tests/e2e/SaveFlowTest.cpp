// Saving, saving as, closing, going to a line and undoing as a user does,
// with every file compared on disk.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <string>

namespace {

const wchar_t* SaveTitle()
{
    return Ui(L"Zapisz - Scrivel", L"Save - Scrivel");
}

const wchar_t* DoNotSave()
{
    return Ui(L"Nie zapisuj", L"Do not save");
}

// A title shown by the main window for a saved text named name.
std::wstring Titled(const wchar_t* name)
{
    return std::wstring(name) + L" <";
}

// Save As posted as the menu posts it, the name given in its dialog.
void SaveAs(EditorRun& run, HWND main, const String& name)
{
    PostMessageW(main, WM_COMMAND, 11004, 0);
    AnswerFileDialog(run, name);
}

}  // namespace

TEST_CASE("Ctrl+N, typing and Ctrl+S through the save dialog; undo and redo reach the file; Save As refuses backups and other texts' names and asks before overwriting")
{
    TempFolder texts;
    String other = texts / L"other.txt";
    String existing = texts / L"existing.txt";
    WriteFileBytes(other, "other\r\n");
    WriteFileBytes(existing, "existing\r\n");
    EditorRun run("", Quoted(other));
    HWND main = run.WaitForMain();
    REQUIRE(WaitForTitleStart(main, Titled(L"other.txt")));

    PressInto(main, 'N', true);
    REQUIRE(WaitForTitleStart(main, Ui(L"<bez nazwy>", L"<no name>")));
    driver::TypeText(L"abc");
    REQUIRE(WaitForTitleStart(main, L"* "));
    driver::PressKey('S', true);
    String fresh = texts / L"fresh.txt";
    AnswerFileDialog(run, fresh);
    CHECK(WaitForTitleStart(main, Titled(L"fresh.txt")));
    CHECK(ReadFileBytes(fresh) == "abc");

    // Typed characters undo one at a time; what is saved is what is shown.
    PressInto(main, 'Z', true);
    CHECK(SavedBytes(main, fresh) == "ab");
    PressInto(main, 'Y', true);
    CHECK(SavedBytes(main, fresh) == "abc");
    CHECK(ReadFileBytes(Concat(fresh, L".bak")) == "ab");

    {
        // A backup's name, in capitals: refused, nothing written.
        String backup = texts / L"x.BAK";
        SaveAs(run, main, backup);
        HWND alert = WaitForWindow(run, SaveTitle());
        REQUIRE(alert != nullptr);
        std::wstring shown = AlertAsText(alert);
        CHECK(shown.find(Ui(L"zarezerwowaną dla kopii zapasowych", L"reserved for backups")) != std::wstring::npos);
        AnswerAlert(alert, DoNotSave());
        CHECK_FALSE(PathExists(backup));
        CHECK(WaitForTitleStart(main, Titled(L"fresh.txt")));
    }
    {
        // Another open text's name: refused, its file untouched.
        SaveAs(run, main, other);
        HWND alert = WaitForWindow(run, SaveTitle());
        REQUIRE(alert != nullptr);
        std::wstring shown = AlertAsText(alert);
        CHECK(shown.find(Ui(L"używaną przez inny tekst", L"used by another text")) != std::wstring::npos);
        AnswerAlert(alert, DoNotSave());
        CHECK(ReadFileBytes(other) == "other\r\n");
        CHECK(WaitForTitleStart(main, Titled(L"fresh.txt")));
    }
    {
        // An existing file: the overwrite question, whose second button writes nothing.
        SaveAs(run, main, existing);
        HWND question = WaitForWindow(run, SaveTitle());
        REQUIRE(question != nullptr);
        CHECK(ChildWithText(question, Ui(L"Zastąp ten plik", L"Overwrite this file")) != nullptr);
        AnswerAlert(question, Ui(L"&Anuluj", L"&Cancel"));
        driver::WaitForQueueHandled(main);
        CHECK(ReadFileBytes(existing) == "existing\r\n");
        CHECK(WaitForTitleStart(main, Titled(L"fresh.txt")));
        // Asked again and answered with the first button, the text moves there.
        SaveAs(run, main, existing);
        question = WaitForWindow(run, SaveTitle());
        REQUIRE(question != nullptr);
        AnswerAlert(question, Ui(L"Zastąp ten plik", L"Overwrite this file"));
        CHECK(WaitForTitleStart(main, Titled(L"existing.txt")));
        CHECK(ReadFileBytes(existing) == "abc");
    }
    // The refusals and questions end with no other window left.
    CHECK(driver::ProcessWindows(run.ProcessId()).size() == 1);
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("Ctrl+F4 on a modified text asks; the close box and Esc leave the question up, Cancel keeps the text, Save and Abandon close it")
{
    TempFolder texts;
    String one = texts / L"one.txt";
    String two = texts / L"two.txt";
    WriteFileBytes(one, "one\r\n");
    WriteFileBytes(two, "two\r\n");
    EditorRun run("", Quoted(one) + L" " + Quoted(two));
    HWND main = run.WaitForMain();
    REQUIRE(WaitForTitleStart(main, Titled(L"two.txt")));
    Front(main);
    driver::TypeText(L"2");
    REQUIRE(WaitForTitleStart(main, L"* two.txt"));

    PressInto(main, VK_F4, true);
    HWND question = WaitForWindow(run, SaveTitle());
    REQUIRE(question != nullptr);
    CHECK(ChildWithText(question, Ui(L"&Odrzuć zmiany", L"&Abandon changes")) != nullptr);
    driver::WaitUntilPainted(question);
    Screenshot(question, "close_save_question");
    // Neither the close box nor Esc answers a question without a cancel button.
    PostMessageW(question, WM_CLOSE, 0, 0);
    PressInto(question, VK_ESCAPE);
    driver::WaitForQueueHandled(question);
    CHECK(IsWindowVisible(question));
    AnswerAlert(question, Ui(L"&Anuluj", L"&Cancel"));
    // Cancel: the text stays, modified, its file as it was.
    CHECK(WaitForTitleStart(main, L"* two.txt"));
    CHECK(ReadFileBytes(two) == "two\r\n");

    // Save: written, then closed; the neighbour is shown.
    PressInto(main, VK_F4, true);
    question = WaitForWindow(run, SaveTitle());
    REQUIRE(question != nullptr);
    AnswerAlert(question, Ui(L"Zapisz", L"Save"));
    CHECK(WaitForTitleStart(main, Titled(L"one.txt")));
    CHECK(ReadFileBytes(two) == "2two\r\n");

    // Abandon changes: closed, the file untouched.
    Front(main);
    driver::TypeText(L"1");
    REQUIRE(WaitForTitleStart(main, L"* one.txt"));
    driver::PressKey(VK_F4, true);
    question = WaitForWindow(run, SaveTitle());
    REQUIRE(question != nullptr);
    AnswerAlert(question, Ui(L"&Odrzuć zmiany", L"&Abandon changes"));
    // It was the last text: none is left.
    CHECK(WaitForTitleStart(main, Ui(L"Bez tekstów - Scrivel", L"No text - Scrivel")));
    CHECK(ReadFileBytes(one) == "one\r\n");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("Ctrl+G to line 3, character 5 puts the typed character there")
{
    TempFolder texts;
    String path = texts / L"lines.txt";
    WriteFileBytes(path, "first\r\nsecond\r\nthird line\r\nfourth\r\n");
    EditorRun run("", Quoted(path));
    HWND main = run.WaitForMain();
    REQUIRE(WaitForTitleStart(main, Titled(L"lines.txt")));
    PressInto(main, 'G', true);
    HWND dialog = WaitForWindow(run, Ui(L"Przejdź do wiersza - Scrivel", L"Go to line - Scrivel"));
    REQUIRE(dialog != nullptr);
    HWND line = ChildWithId(dialog, 20601), column = ChildWithId(dialog, 20602);
    REQUIRE(line != nullptr);
    REQUIRE(column != nullptr);
    // The line field has the focus with its number selected: typing replaces it.
    Front(dialog);
    REQUIRE(WaitForFocus(line));
    driver::TypeText(L"3");
    SendMessageW(column, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
    driver::WaitUntilPainted(dialog);
    Screenshot(dialog, "go_to_line");
    driver::PressKey(VK_RETURN);
    CHECK(WaitUntilGone(dialog));
    Front(main);
    driver::TypeText(L"#");
    CHECK(SavedBytes(main, path) == "first\r\nsecond\r\nthir#d line\r\nfourth\r\n");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
