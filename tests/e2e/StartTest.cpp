// The editor started as a user starts it: a copied program with its own
// portable settings, watched from outside.

#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "e2e/ProcessDriver.h"

#include <doctest.h>

#include <string>

namespace {

const wchar_t* kMainClass = L"Scrivel Main Form";

bool PolishSystem()
{
    return (GetUserDefaultUILanguage() & 0x3FF) == 21;
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &s[0], n, nullptr, nullptr);
    return s;
}

// One run of a copy of the built editor in a fresh folder, portable, with
// the given settings file. The process is ended if a test leaves it running.
class EditorRun {
public:
    explicit EditorRun(const std::string& settings, const std::wstring& arguments = std::wstring())
    {
        std::wstring base = folder_.Path().CStr();
        exe_ = base + L"scrivel.exe";
        REQUIRE(CopyFileW(driver::BuiltEditorPath().c_str(), exe_.c_str(), FALSE));
        CreateDirectoryW((base + L"Scrivel Data").c_str(), nullptr);
        settingsPath_ = folder_ / L"Scrivel Data\\appsettings.dat";
        WriteFileBytes(settingsPath_, settings);
        REQUIRE(driver::StartProgram(exe_, arguments, base, process_));
    }
    ~EditorRun()
    {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    EditorRun(const EditorRun&) = delete;
    EditorRun& operator=(const EditorRun&) = delete;

    // The main window once it is shown, idle and painted.
    HWND WaitForMain()
    {
        HWND main = driver::WaitForProcessWindow(process_.hProcess, process_.dwProcessId, kMainClass, nullptr, 20000);
        REQUIRE(main != nullptr);
        WaitForInputIdle(process_.hProcess, 10000);
        driver::WaitUntilPainted(main, 5000);
        return main;
    }
    HWND WaitForTitled(const wchar_t* title)
    {
        return driver::WaitForProcessWindow(process_.hProcess, process_.dwProcessId, nullptr, title, 20000);
    }
    int CountTitled(const wchar_t* title)
    {
        int n = 0;
        for (HWND window : driver::ProcessWindows(process_.dwProcessId))
            n += driver::WindowText(window) == title;
        return n;
    }
    // Closes the window as the close box does; the exit code, or STILL_ACTIVE
    // when the process still runs after timeout milliseconds.
    DWORD CloseAndWait(HWND main, DWORD timeout)
    {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return WaitForExit(timeout);
    }
    // The exit code, or STILL_ACTIVE while the process runs after timeout milliseconds.
    DWORD WaitForExit(DWORD timeout)
    {
        WaitForSingleObject(process_.hProcess, timeout);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    std::string Settings() const { return ReadFileBytes(settingsPath_); }
    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    TempFolder folder_;
    std::wstring exe_;
    String settingsPath_;
    PROCESS_INFORMATION process_{};
};

// Menus of another process cannot be read under Wine: a menu bar title is
// found as a user finds it, by its Alt shortcut opening a pop-up menu.
bool MenuOpensWith(EditorRun& run, HWND main, WORD letter)
{
    SetForegroundWindow(main);
    driver::PressKey(letter, false, false, true);
    DWORD start = GetTickCount();
    bool opened = false;
    while (!opened && GetTickCount() - start < 1500) {
        opened = driver::FindProcessWindow(run.ProcessId(), L"#32768") != nullptr;
        Sleep(10);
    }
    driver::PressKey(VK_ESCAPE);
    driver::PressKey(VK_ESCAPE);
    start = GetTickCount();
    while (driver::FindProcessWindow(run.ProcessId(), L"#32768") && GetTickCount() - start < 2000)
        Sleep(10);
    return opened;
}

// "&Plik" or "&File" first on the menu bar.
void CheckMenuLanguage(EditorRun& run, HWND main, bool polish)
{
    CHECK(MenuOpensWith(run, main, polish ? 'P' : 'F'));
    CHECK_FALSE(MenuOpensWith(run, main, polish ? 'F' : 'P'));
}

HWND ChildWithId(HWND parent, int id)
{
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(child) == s->id) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Screenshot(HWND window, const char* name)
{
    RECT r;
    GetWindowRect(window, &r);
    CreateDirectoryW(L"..\\e2e", nullptr);
    std::string path = std::string("..\\e2e\\") + name + (PolishSystem() ? "_pl.png" : ".png");
    CHECK(SavePng(ReadScreenPixels(r), path.c_str()));
}

} // namespace

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

    CHECK(run.CloseAndWait(main, 5000) == 0);
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
    CHECK(run.CloseAndWait(main, 5000) == 0);
    CHECK(run.Settings().find("Toolbar=false") != std::string::npos);
}

TEST_CASE("any other UILanguage value gives English, also on a Polish system")
{
    EditorRun run("UILanguage=english\r\n");
    HWND main = run.WaitForMain();
    CheckMenuLanguage(run, main, false);
    CHECK(Narrow(driver::WindowText(main)) == "<no name> - Scrivel");
    CHECK(run.CloseAndWait(main, 5000) == 0);
}

TEST_CASE("a first argument --OPT:UPDATED shows one update alert and opens no file of that name")
{
    EditorRun run("", L"--OPT:UPDATED");
    const wchar_t* title = PolishSystem() ? L"Aktualizacja - Scrivel" : L"Update - Scrivel";
    HWND alert = run.WaitForTitled(title);
    REQUIRE(alert != nullptr);
    Sleep(200);
    CHECK(run.CountTitled(title) == 1);
    Screenshot(alert, "update_alert");
    SetForegroundWindow(alert);
    driver::PressKey(VK_RETURN);
    HWND main = run.WaitForMain();
    DWORD start = GetTickCount();
    while (run.CountTitled(title) > 0 && GetTickCount() - start < 5000)
        Sleep(10);
    CHECK(run.CountTitled(title) == 0);
    std::string caption = Narrow(driver::WindowText(main));
    CHECK(caption.find("UPDATED") == std::string::npos);
    CHECK(run.CloseAndWait(main, 5000) == 0);
}

namespace {

// The child of window whose text is text, or null.
HWND ChildWithText(HWND parent, const std::wstring& text)
{
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (driver::WindowText(child) == *s->text) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TEST_CASE("closing with typed text asks to save; Abandon changes ends the run with 0")
{
    EditorRun run("");
    HWND main = run.WaitForMain();
    SetForegroundWindow(main);
    driver::TypeText(L"typed");
    bool polish = PolishSystem();
    const wchar_t* title = polish ? L"Zapisz - Scrivel" : L"Save - Scrivel";
    // The title shows the text modified once the keys arrived.
    DWORD start = GetTickCount();
    while (driver::WindowText(main).rfind(L"* ", 0) != 0 && GetTickCount() - start < 5000)
        Sleep(10);
    REQUIRE(driver::WindowText(main).rfind(L"* ", 0) == 0);
    CHECK(run.CloseAndWait(main, 300) == STILL_ACTIVE);
    HWND question = run.WaitForTitled(title);
    REQUIRE(question != nullptr);
    CHECK(run.CountTitled(title) == 1);
    Screenshot(question, "exit_save_question");
    HWND abandon = ChildWithText(question, polish ? L"&Odrzuć zmiany" : L"&Abandon changes");
    REQUIRE(abandon != nullptr);
    PostMessageW(abandon, BM_CLICK, 0, 0);
    CHECK(run.WaitForExit(10000) == 0);
}
