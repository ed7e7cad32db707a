// Closing the real main window: the save questions, the settings, the
// session file and the help viewer, each step run even when one fails.

#include "MainFormTestSupport.h"

#include "base/SettingsStore.h"
#include "gui/Toolbar.h"
#include "support/DocumentText.h"
#include "support/TempFolder.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <string>

namespace {

const wchar_t* SaveTitle()
{
    return PolishSystem() ? L"Zapisz - Scrivel" : L"Save - Scrivel";
}

const wchar_t* FailureTitle()
{
    return PolishSystem() ? L"Niepowodzenie operacji - Scrivel" : L"Failure - Scrivel";
}

std::string Utf8(const String& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.Data(), static_cast<int>(text.Length()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.Data(), static_cast<int>(text.Length()), &out[0], n, nullptr, nullptr);
    return out;
}

} // namespace

TEST_CASE("closing with a modified text: Cancel or a question closed without a button keeps it running and the text as typed")
{
    for (int32 answer : {2, -1, 7}) {
        CAPTURE(answer);
        HiddenEditor bench("Hibernate=true\r\n");
        TextDocument* doc = bench.Open(L"a.txt", "abc");
        bench.Type(L'x');
        REQUIRE(doc->modified);
        std::string typed = doctext::Bytes(*doc);
        std::string settingsBefore = ReadFileBytes(bench.SettingsFile());
        bench.run.alerts.answers = {answer};
        bench.Close();
        REQUIRE(bench.run.alerts.alerts.size() == 1);
        CHECK(bench.run.alerts.alerts[0].title == SaveTitle());
        CHECK_FALSE(bench.Exited());
        CHECK(bench.Form().quit == 0);
        REQUIRE(bench.run.broker->documents.IndexOf(doc) >= 0);
        CHECK(doc->modified);
        CHECK(doctext::Bytes(*doc) == typed);
        CHECK(ReadFileBytes(bench.folder / L"a.txt") == "abc");
        // Nothing of the exit ran.
        CHECK_FALSE(PathExists(bench.Hibernation()));
        CHECK(ReadFileBytes(bench.SettingsFile()) == settingsBefore);

        // The Exit command asks the same again: this time the changes go.
        bench.run.alerts.answers = {1};
        SendMessageW(bench.run.Hwnd(), WM_COMMAND, 11008, 0);
        CHECK(bench.run.alerts.alerts.size() == 2);
        CHECK(bench.Exited());
        CHECK(bench.Form().quit == 1);
        CHECK(ReadFileBytes(bench.folder / L"a.txt") == "abc");
        CHECK(PathExists(bench.Hibernation()));
    }
}

TEST_CASE("Save at the exit question writes the file, then the exit stores the settings; a second close asks nothing")
{
    HiddenEditor bench("Hibernate=no\r\nToolbar=true\r\n");
    TextDocument* doc = bench.Open(L"b.txt", "hello");
    bench.Type(L'!');
    std::string typed = doctext::Bytes(*doc);
    WriteFileBytes(bench.Hibernation(), "1:UTF-8:C:\\old.txt\r\n");
    bench.Form().toolbar->Collapse();
    bench.run.alerts.answers = {0};
    bench.Close();
    REQUIRE(bench.run.alerts.alerts.size() == 1);
    CHECK(bench.run.alerts.alerts[0].title == SaveTitle());
    CHECK(bench.Exited());
    CHECK(ReadFileBytes(bench.folder / L"b.txt") == typed);
    CHECK_FALSE(doc->modified);
    CHECK(ReadFileBytes(bench.SettingsFile()).find("Toolbar=false") != std::string::npos);
    // "Hibernate" off: the old session is gone.
    CHECK_FALSE(PathExists(bench.Hibernation()));

    bench.Type(L'?');
    bench.Close();
    CHECK(bench.run.alerts.alerts.size() == 1);
}

TEST_CASE("the Hibernate setting is on when absent, empty or beginning with 1, t or y")
{
    struct Case {
        const wchar_t* value;  // null: absent
        bool on;
    } cases[] = {{nullptr, true}, {L"", true},      {L"1", true},   {L"true", true}, {L"yes", true},
                 {L"t", true},    {L"false", false}, {L"0", false}, {L"no", false},  {L"on", false},
                 {L"True", false}};
    for (const Case& c : cases) {
        CAPTURE(std::wstring(c.value ? c.value : L"(absent)"));
        SettingsStore settings;
        settings.SetText(L"Other", L"x");
        if (c.value)
            settings.SetText(L"Hibernate", c.value);
        CHECK(HibernateOn(settings) == c.on);
    }
}

TEST_CASE("hibernation: two saved texts, the second active with caret and bookmarks, byte for byte")
{
    HiddenEditor bench("");
    TextDocument* first = bench.Open(L"one.txt", "first\r\n");
    std::string body;
    for (int i = 0; i < 8; i++)
        body += "line " + std::to_string(i) + " of the second text, long enough\r\n";
    REQUIRE(body.size() > 121);
    TextDocument* second = bench.Open(L"two.txt", body);
    MainForm& f = bench.Form();
    REQUIRE(f.activeView->CurrentDocument() == second);
    f.activeView->SetCaret(second, second->text.LineStart(4) + 3, 0, 0);
    second->AddBookmark(0);
    second->AddBookmark(120);
    bench.Close();
    CHECK(bench.run.alerts.alerts.empty());
    REQUIRE(bench.Exited());
    std::string expected = "1:UTF-8:" + Utf8(first->GetPath()) + "\r\n2:\r\n3:0:0\r\n4:\r\n" + "1:UTF-8:" +
                           Utf8(second->GetPath()) + "\r\n2:\r\n3:4:3,0,120\r\n4:\r\n" + "A:" +
                           Utf8(second->GetPath()) + "\r\n";
    CHECK(ReadFileBytes(bench.Hibernation()) == expected);
    CHECK_FALSE(PathExists(bench.run.data / L"hibernation.dat.new"));
}

TEST_CASE("hibernation: UTF-16 bookmarks are even byte offsets, columns count characters, a never-saved active text ends in A:")
{
    HiddenEditor bench("Hibernate=false\r\n");
    // "ab" + U+1F600 + "cd" on the second line, UTF-16LE with BOM.
    std::string bytes = "\xFF\xFE" + std::string("x\0\r\0\n\0a\0b\0\x3D\xD8\x00\xDE" "c\0d\0", 20);
    TextDocument* doc = bench.Open(L"wide.txt", bytes);
    MainForm& f = bench.Form();
    int64 lineStart = doc->text.LineStart(1);
    // After "ab", the pair and "c": four characters.
    f.activeView->SetCaret(doc, lineStart + 10, 0, 0);
    doc->AddBookmark(lineStart);
    doc->AddBookmark(lineStart + 4);
    SendMessageW(bench.run.Hwnd(), WM_COMMAND, 11001, 0);
    REQUIRE(f.activeView->CurrentDocument() != doc);
    // The File menu's Hibernate keeps the session whatever the setting says.
    SendMessageW(bench.run.Hwnd(), WM_COMMAND, 11057, 0);
    REQUIRE(bench.Exited());
    std::string expected = "1:UTF-16LE w/BOM:" + Utf8(doc->GetPath()) + "\r\n2:\r\n3:1:4," +
                           std::to_string(lineStart) + "," + std::to_string(lineStart + 4) + "\r\n4:\r\nA:\r\n";
    std::string written = ReadFileBytes(bench.Hibernation());
    CHECK(written == expected);
}

TEST_CASE("a settings file that cannot be written: the other exit steps still run and one alert shows the first error")
{
    for (bool hibernate : {false, true}) {
        CAPTURE(hibernate);
        HiddenEditor bench(hibernate ? "Hibernate=yes\r\n" : "Hibernate=0\r\n");
        bench.Open(L"c.txt", "text");
        WriteFileBytes(bench.Hibernation(), "old session\r\n");
        // A viewer window that is gone is forgotten.
        HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        REQUIRE(gone != nullptr);
        DestroyWindow(gone);
        HelpViewerLink().message = RegisterWindowMessageW(L"exit test viewer");
        HelpViewerLink().window = gone;
        HANDLE held = CreateFileW(bench.SettingsFile().CStr(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        bench.Close();
        CloseHandle(held);
        CHECK(bench.Exited());
        REQUIRE(bench.run.alerts.alerts.size() == 1);
        CHECK(bench.run.alerts.alerts[0].title == FailureTitle());
        CHECK(bench.run.alerts.alerts[0].code == ERROR_SHARING_VIOLATION);
        CHECK(HelpViewerLink().window == nullptr);
        if (hibernate)
            CHECK(ReadFileBytes(bench.Hibernation()).rfind("1:UTF-8:", 0) == 0);
        else
            CHECK_FALSE(PathExists(bench.Hibernation()));
        HelpViewerLink() = ViewerLink();
    }
}

TEST_CASE("a session file that cannot be written keeps the last one whole and is reported once after the settings error")
{
    HiddenEditor bench("");
    bench.Open(L"d.txt", "text");
    WriteFileBytes(bench.Hibernation(), "last session\r\n");
    // The fresh copy cannot be made: a folder stands in its place.
    REQUIRE(CreateDirectoryW((bench.run.data / L"hibernation.dat.new").CStr(), nullptr));
    bench.Close();
    CHECK(bench.Exited());
    REQUIRE(bench.run.alerts.alerts.size() == 1);
    CHECK(bench.run.alerts.alerts[0].title == FailureTitle());
    CHECK(ReadFileBytes(bench.Hibernation()) == "last session\r\n");
    // The settings were stored all the same.
    CHECK(ReadFileBytes(bench.SettingsFile()).find("WindowRect=") != std::string::npos);
    RemoveDirectoryW((bench.run.data / L"hibernation.dat.new").CStr());

    // Both failing: only the first one is shown.
    HiddenEditor second("");
    second.Open(L"e.txt", "text");
    REQUIRE(CreateDirectoryW((second.run.data / L"hibernation.dat.new").CStr(), nullptr));
    HANDLE held = CreateFileW(second.SettingsFile().CStr(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    second.Close();
    CloseHandle(held);
    REQUIRE(second.run.alerts.alerts.size() == 1);
    CHECK(second.run.alerts.alerts[0].code == ERROR_SHARING_VIOLATION);
    RemoveDirectoryW((second.run.data / L"hibernation.dat.new").CStr());
}

TEST_CASE("the end of a session asks to save; Cancel refuses it, and nothing else of the exit happens")
{
    HiddenEditor bench("");
    TextDocument* doc = bench.Open(L"f.txt", "abc");
    bench.Type(L'z');
    std::string settingsBefore = ReadFileBytes(bench.SettingsFile());
    bench.run.alerts.answers = {2};
    CHECK(SendMessageW(bench.run.Hwnd(), WM_QUERYENDSESSION, 0, 0) == FALSE);
    CHECK(bench.run.alerts.alerts.size() == 1);
    bench.run.alerts.answers = {-1};
    CHECK(SendMessageW(bench.run.Hwnd(), WM_QUERYENDSESSION, 0, 0) == FALSE);
    CHECK(doc->modified);
    bench.run.alerts.answers = {0};
    CHECK(SendMessageW(bench.run.Hwnd(), WM_QUERYENDSESSION, 0, 0) == TRUE);
    CHECK(bench.run.alerts.alerts.size() == 3);
    CHECK_FALSE(doc->modified);
    CHECK(ReadFileBytes(bench.folder / L"f.txt") == doctext::Bytes(*doc));
    CHECK_FALSE(bench.Exited());
    CHECK_FALSE(PathExists(bench.Hibernation()));
    CHECK(ReadFileBytes(bench.SettingsFile()) == settingsBefore);
}
