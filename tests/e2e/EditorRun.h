#pragma once

// A copy of the built editor run in a fresh folder with its own portable
// settings, watched and driven from outside.

#include "support/ModalWatch.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "e2e/ProcessDriver.h"

#include <doctest.h>

#include <climits>
#include <functional>
#include <initializer_list>
#include <string>

constexpr const wchar_t* kMainClass = L"Scrivel Main Form";

inline bool PolishSystem()
{
    return (GetUserDefaultUILanguage() & 0x3FF) == 21;
}

inline std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &s[0], n, nullptr, nullptr);
    return s;
}

// The prefix's per-user application data folders (roaming and local) lead
// into a fresh folder while this lives, so that an editor run outside
// portable mode has its own user data folder.
class UserDataFolders {
public:
    UserDataFolders()
    {
        REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) == ERROR_SUCCESS);
        for (Saved& value : saved_) {
            DWORD size = sizeof(value.data);
            value.present = RegQueryValueExW(key_, value.name, nullptr, &value.type,
                                             reinterpret_cast<BYTE*>(value.data), &size) == ERROR_SUCCESS;
            value.size = size;
            std::wstring path = std::wstring(folder_.Path().CStr()) + value.name;
            CreateDirectoryW(path.c_str(), nullptr);
            REQUIRE(RegSetValueExW(key_, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS);
        }
    }
    ~UserDataFolders()
    {
        for (Saved& value : saved_) {
            if (value.present)
                RegSetValueExW(key_, value.name, 0, value.type, reinterpret_cast<const BYTE*>(value.data), value.size);
            else
                RegDeleteValueW(key_, value.name);
        }
        RegCloseKey(key_);
    }
    UserDataFolders(const UserDataFolders&) = delete;
    UserDataFolders& operator=(const UserDataFolders&) = delete;

    // The editor's data folder, ending with "\\".
    std::wstring Roaming() const { return std::wstring(folder_.Path().CStr()) + L"AppData\\Scrivel\\"; }

private:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    struct Saved {
        const wchar_t* name;
        bool present = false;
        DWORD type = 0;
        DWORD size = 0;
        wchar_t data[1024] = {};
    };
    TempFolder folder_;
    HKEY key_ = nullptr;
    Saved saved_[2] = {{L"AppData"}, {L"Local AppData"}};
};

// One run of a copy of the built editor in a fresh folder, portable with
// the given settings file (or, with portable false, using the user's data
// folder; see UserDataFolders). The process is ended if a test leaves it
// running.
class EditorRun {
public:
    // prepare, when given, fills the run's folder before the editor starts in it.
    explicit EditorRun(const std::string& settings, const std::wstring& arguments = std::wstring(),
                       bool portable = true, const std::function<void(const String& folder)>& prepare = nullptr)
    {
        std::wstring base = folder_.Path().CStr();
        exe_ = base + L"scrivel.exe";
        REQUIRE(CopyFileW(driver::BuiltEditorPath().c_str(), exe_.c_str(), FALSE));
        if (portable) {
            CreateDirectoryW((base + L"Scrivel Data").c_str(), nullptr);
            settingsPath_ = folder_ / L"Scrivel Data\\appsettings.dat";
            WriteFileBytes(settingsPath_, settings);
        }
        if (prepare)
            prepare(folder_.Path());
        Start(arguments);
    }
    ~EditorRun()
    {
        End(99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    EditorRun(const EditorRun&) = delete;
    EditorRun& operator=(const EditorRun&) = delete;

    // The main window once it is shown, idle and painted.
    HWND WaitForMain()
    {
        HWND main = WaitForWindowOfRun(kMainClass, nullptr);
        REQUIRE(main != nullptr);
        WaitForInputIdle(process_.hProcess, driver::kPatience);
        driver::WaitUntilPainted(main);
        return main;
    }
    HWND WaitForTitled(const wchar_t* title) { return WaitForWindowOfRun(nullptr, title); }
    HWND WaitForClass(const wchar_t* className) { return WaitForWindowOfRun(className, nullptr); }
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
    // Ends the process at once, as a crash does: by its own handle, never by name.
    void Kill()
    {
        TerminateProcess(process_.hProcess, 9);
        WaitForSingleObject(process_.hProcess, driver::kPatience);
    }
    // Starts the editor once more in the same folder, after the last run ended.
    void Restart(const std::wstring& arguments = std::wstring())
    {
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        Start(arguments);
    }
    const std::wstring& ProgramPath() const { return exe_; }
    std::string Settings() const { return ReadFileBytes(settingsPath_); }
    DWORD ProcessId() const { return process_.dwProcessId; }
    // The run's folder, ending with "\\"; files to open can be put there.
    const String& Folder() const { return folder_.Path(); }

private:
    void Start(const std::wstring& arguments)
    {
        arguments_ = arguments;
        windowSeen_ = false;
        DWORD startError = 0;
        bool started = driver::StartProgram(exe_, arguments, folder_.Path().CStr(), process_, &startError);
        INFO("CreateProcessW error " << startError);
        REQUIRE(started);
    }
    void End(UINT code)
    {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, code);
            WaitForSingleObject(process_.hProcess, driver::kPatience);
        }
    }
    // Waits for a window of the run. Until the run has shown any window
    // nothing of it has been driven, and the editor answers even a failed
    // start with an alert: a process that ends before that, or shows nothing
    // for long, died in Wine's own start on a busy machine, and is started
    // afresh a few times before the wait gives up.
    HWND WaitForWindowOfRun(const wchar_t* className, const wchar_t* title)
    {
        for (int start = 1;; start++) {
            HWND window = nullptr;
            bool died = false;
            driver::WaitUntil([&] {
                window = driver::FindProcessWindow(process_.dwProcessId, className, title);
                died = WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
                return window || died;
            });
            if (window || windowSeen_ || !driver::ProcessWindows(process_.dwProcessId).empty()) {
                windowSeen_ = windowSeen_ || window;
                return window;
            }
            if (start == 3)
                return nullptr;
            DWORD code = STILL_ACTIVE;
            GetExitCodeProcess(process_.hProcess, &code);
            MESSAGE("the editor " << (died ? "ended with " : "showed no window, still running: ") << code
                                  << " before any window showed; started again");
            End(98);
            Restart(arguments_);
        }
    }

    TempFolder folder_;
    std::wstring exe_;
    String settingsPath_;
    std::wstring arguments_;
    bool windowSeen_ = false;
    PROCESS_INFORMATION process_{};
};

// Waits for a file to hold exactly these bytes.
inline bool WaitForFile(const String& path, const std::string& bytes)
{
    return driver::WaitUntil([&] {
        try {
            return ReadFileBytes(path) == bytes;
        } catch (...) {
            return false;
        }
    });
}

// Waits for the title to show or lose its modified mark: the inserting or
// the save has ended. The file is read only then, since a read while the
// editor replaces it could make the save fail.
inline bool WaitForModifiedMark(HWND main, bool shown)
{
    return driver::WaitUntil([&] {
        std::wstring title = driver::WindowText(main);
        return !title.empty() && (title.compare(0, 2, L"* ") == 0) == shown;
    });
}

using driver::WaitUntil;

// Menus of another process cannot be read under Wine: a menu bar title is
// found as a user finds it, by its Alt shortcut opening a pop-up menu.
// Presses Alt with each letter in turn into the main window and returns the
// left edge of the first pop-up menu that opens (LONG_MIN when none opens
// within the hang guard), then closes it and waits until it is gone.
inline LONG FirstMenuLeft(EditorRun& run, HWND main, std::initializer_list<WORD> letters)
{
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    for (WORD letter : letters)
        driver::PressKey(letter, false, false, true);
    LONG left = LONG_MIN;
    WaitUntil([&] {
        HWND popup = driver::FindProcessWindow(run.ProcessId(), L"#32768");
        RECT r;
        if (popup && GetWindowRect(popup, &r))
            left = r.left;
        return popup != nullptr;
    });
    // The first closes the pop-up, the second leaves the menu bar.
    driver::PressKey(VK_ESCAPE);
    driver::PressKey(VK_ESCAPE);
    REQUIRE(WaitUntil([&] { return driver::FindProcessWindow(run.ProcessId(), L"#32768") == nullptr; }));
    return left;
}

// "&Plik" or "&File" first on the menu bar, "&Edycja" or "&Edit" second.
// The other language's first letter must open nothing: Alt+E pressed after
// it then opens the first pop-up seen, the second title's.
inline void CheckMenuLanguage(EditorRun& run, HWND main, bool polish)
{
    WORD letter = polish ? 'P' : 'F', other = polish ? 'F' : 'P';
    LONG first = FirstMenuLeft(run, main, {letter});
    CHECK(first != LONG_MIN);
    LONG afterOther = FirstMenuLeft(run, main, {other, 'E'});
    CHECK(afterOther != LONG_MIN);
    CHECK(afterOther > first);
}

inline HWND ChildWithId(HWND parent, int id)
{
    return DescendantWithId(parent, id);
}

// The child of parent whose text is text, or null.
inline HWND ChildWithText(HWND parent, const std::wstring& text)
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

inline void Screenshot(HWND window, const char* name)
{
    RECT r;
    GetWindowRect(window, &r);
    CreateDirectoryW(L"..\\e2e", nullptr);
    std::string path = std::string("..\\e2e\\") + name + (PolishSystem() ? "_pl.png" : ".png");
    CHECK(SavePng(ReadScreenPixels(r), path.c_str()));
}
