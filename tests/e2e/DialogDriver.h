#pragma once

// Answering the editor's dialogs and questions from outside, as a user does:
// file dialogs by their name field, alerts by their buttons, the clipboard
// read and filled by this process.

#include "e2e/EditorRun.h"
#include "support/CommonDialogs.h"

#include <doctest.h>

#include <cwchar>
#include <string>
#include <vector>

inline const wchar_t* Ui(const wchar_t* polish, const wchar_t* english)
{
    return PolishSystem() ? polish : english;
}

// Waits for the main window's title to start with prefix.
inline bool WaitForTitleStart(HWND main, const std::wstring& prefix, DWORD timeout = driver::kPatience)
{
    return WaitUntil([&] { return driver::WindowText(main).compare(0, prefix.size(), prefix) == 0; }, timeout);
}

// Waits for a window of the run with this title.
inline HWND WaitForWindow(EditorRun& run, const wchar_t* title, DWORD timeout = driver::kPatience)
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = driver::FindProcessWindow(run.ProcessId(), nullptr, title)) != nullptr; },
              timeout);
    return window;
}

inline bool WaitUntilGone(HWND window, DWORD timeout = driver::kPatience)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
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
    CHECK(driver::WaitForKeyboardFocus(window, nullptr));
}

// The clipboard's text, or empty. The clipboard is opened only once the text
// is there: held open by this process, it would make another's copy fail.
inline std::wstring ClipboardTextNow()
{
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

inline void ClearClipboard()
{
    WaitUntil([] { return OpenClipboard(nullptr) != FALSE; });
    EmptyClipboard();
    CloseClipboard();
}

// An alert's text as its Ctrl+C copies it: title, message and buttons. A
// copy does nothing else, so the keys go again while none has come: a
// copy can still fail when the clipboard is busy.
inline std::wstring AlertAsText(HWND alert)
{
    ClearClipboard();
    std::wstring text;
    for (int attempt = 0; attempt < 4 && text.empty() && IsWindow(alert); attempt++) {
        Front(alert);
        driver::PressKey('C', true);
        WaitUntil([&] { return !(text = ClipboardTextNow()).empty(); }, driver::kPatience / 4);
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
inline bool WaitForFocus(HWND control, DWORD timeout = driver::kPatience)
{
    return WaitUntil([&] { return driver::FocusOf(control) == control; }, timeout);
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
