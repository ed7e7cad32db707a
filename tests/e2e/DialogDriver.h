#pragma once

// Answering the editor's dialogs and questions from outside, as a user does:
// file dialogs by their name field, alerts by their buttons, the clipboard
// read and filled by this process.

#include "e2e/EditorRun.h"
#include "support/CommonDialogs.h"

#include <doctest.h>

#include <string>
#include <vector>

inline const wchar_t* Ui(const wchar_t* polish, const wchar_t* english)
{
    return PolishSystem() ? polish : english;
}

// Waits up to timeout milliseconds for the main window's title to start with prefix.
inline bool WaitForTitleStart(HWND main, const std::wstring& prefix, DWORD timeout = 10000)
{
    DWORD start = GetTickCount();
    while (driver::WindowText(main).compare(0, prefix.size(), prefix) != 0) {
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(10);
    }
    return true;
}

// Waits up to timeout milliseconds for a window of the run with this title.
inline HWND WaitForWindow(EditorRun& run, const wchar_t* title, DWORD timeout)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = driver::FindProcessWindow(run.ProcessId(), nullptr, title))
            return window;
        if (GetTickCount() - start > timeout)
            return nullptr;
        Sleep(10);
    }
}

inline bool WaitUntilGone(HWND window, DWORD timeout = 5000)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(10);
    }
    return true;
}

// Presses the button labelled label in an alert and waits for the alert to go.
inline void AnswerAlert(HWND alert, const wchar_t* label)
{
    HWND button = ChildWithText(alert, label);
    REQUIRE(button != nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
    CHECK(WaitUntilGone(alert));
}

// The file dialog of the run (the classic one or Wine's newer one): the name
// typed into its name field, then OK.
inline void AnswerFileDialog(EditorRun& run, const String& path)
{
    HWND dialog = run.WaitForClass(L"#32770");
    REQUIRE(dialog != nullptr);
    HWND name = FileNameField(dialog);
    REQUIRE(name != nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.CStr()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    CHECK(WaitUntilGone(dialog));
}

// Brings the window to the front once it takes input again: a window stays
// disabled for a moment after its modal alert went, and keys sent to it then
// are lost.
inline void Front(HWND window)
{
    CHECK(driver::WaitForKeyboardFocus(window, nullptr, 20000));
}

// An alert's text as its Ctrl+C copies it: title, message and buttons.
inline std::wstring AlertAsText(HWND alert)
{
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    Front(alert);
    driver::PressKey('C', true);
    DWORD start = GetTickCount();
    std::wstring text;
    while (text.empty() && GetTickCount() - start < 5000) {
        Sleep(20);
        if (!OpenClipboard(nullptr))
            continue;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = p;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

// A key pressed count times, in one piece of input.
inline void PressKeys(WORD key, int count)
{
    std::vector<INPUT> inputs;
    for (int i = 0; i < count; i++) {
        for (bool up : {false, true}) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = key;
            in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Waits for control to have the keyboard focus of its thread.
inline bool WaitForFocus(HWND control, DWORD timeout = 5000)
{
    DWORD thread = GetWindowThreadProcessId(control, nullptr);
    DWORD start = GetTickCount();
    for (;;) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        if (GetGUIThreadInfo(thread, &info) && info.hwndFocus == control)
            return true;
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(5);
    }
}

// A key pressed into the window once it is in front.
inline void PressInto(HWND window, WORD key, bool ctrl = false, bool shift = false)
{
    Front(window);
    driver::PressKey(key, ctrl, shift);
}

// Ctrl+S into a modified text, then its file once the title has lost the
// modified mark: a read while the editor replaces the file could make the
// save fail.
inline std::string SavedBytes(HWND main, const String& path)
{
    REQUIRE(WaitForModifiedMark(main, true));
    PressInto(main, 'S', true);
    REQUIRE(WaitForModifiedMark(main, false));
    return ReadFileBytes(path);
}

inline std::wstring Quoted(const String& path)
{
    return L"\"" + std::wstring(path.CStr()) + L"\"";
}
