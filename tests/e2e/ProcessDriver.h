#pragma once

// Starting a GUI program as a user would and watching its windows from
// outside: used by the end-to-end tests and the start-up benchmark.

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// How long a wait for something that must come may take before the test
// gives up: a guard against a hang on a machine loaded many times over,
// never a measure. Waits return as soon as their state is there.
constexpr DWORD kPatience = 60000;

// Polls done every 10 ms; false when it still fails after limit milliseconds.
template <class F>
bool WaitUntil(F done, DWORD limit = kPatience)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limit)
            return false;
        Sleep(10);
    }
    return true;
}

// The folder of the running program, ending with "\".
inline std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// The editor in the build tree: the tests and benchmarks live one folder
// below the tree's root, the editor in its "editor" folder.
inline std::wstring BuiltEditorPath()
{
    return OwnFolder() + L"..\\editor\\scrivel.exe";
}

// Errors with which Wine's CreateProcessW fails now and then on a busy
// machine, the new process having died while it started (1359, and the
// resource and time-out errors seen with it); another try usually works.
inline bool TransientStartError(DWORD error)
{
    switch (error) {
    case ERROR_INTERNAL_ERROR:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_COMMITMENT_LIMIT:
    case ERROR_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_PROCESS_ABORTED:
        return true;
    default:
        return false;
    }
}

// Starts exe with the arguments in folder, once more after a pause (up to
// attempts in all) while it fails with a transient error; false when it
// cannot be started, error then holding the last error.
inline bool StartProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                         PROCESS_INFORMATION& process, DWORD* error = nullptr, int attempts = 5)
{
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    DWORD last = 0;
    for (int attempt = 0; attempt < attempts; attempt++) {
        if (attempt > 0)
            Sleep(500u << attempt);
        std::wstring mutableLine = line;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        process = {};
        if (CreateProcessW(exe.c_str(), &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
            if (error)
                *error = 0;
            return true;
        }
        last = GetLastError();
        if (!TransientStartError(last))
            break;
    }
    if (error)
        *error = last;
    return false;
}

inline std::wstring WindowText(HWND window)
{
    wchar_t text[512];
    int n = GetWindowTextW(window, text, 512);
    return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

inline std::wstring ClassOf(HWND window)
{
    wchar_t name[256];
    int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// The visible top-level windows of a process, in z-order.
inline std::vector<HWND> ProcessWindows(DWORD processId)
{
    struct Search {
        DWORD id;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->id && IsWindowVisible(window))
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first visible top-level window of the process whose class is
// className (any class when null) or whose title is title (when not null).
inline HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr)
{
    for (HWND window : ProcessWindows(processId)) {
        if (className && ClassOf(window) != className)
            continue;
        if (title && WindowText(window) != title)
            continue;
        return window;
    }
    return nullptr;
}

// Waits for such a window; null after timeout milliseconds or when the
// process ended.
inline HWND WaitForProcessWindow(HANDLE process, DWORD processId, const wchar_t* className,
                                 const wchar_t* title, DWORD timeout)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindProcessWindow(processId, className, title))
            return window;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0 || GetTickCount() - start > timeout)
            return nullptr;
        Sleep(5);
    }
}

// True while the window or one of its visible children waits for WM_PAINT.
inline bool NeedsPaint(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return true;
    bool pending = false;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) WINAPI -> BOOL {
            if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
                *reinterpret_cast<bool*>(data) = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Waits until nothing of the window is left to paint.
inline bool WaitUntilPainted(HWND window, DWORD timeout = kPatience)
{
    DWORD start = GetTickCount();
    while (NeedsPaint(window)) {
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(1);
    }
    return true;
}

// The texts of a window's children, in order (an alert's message and buttons).
inline std::vector<std::wstring> ChildTexts(HWND window)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) WINAPI -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(WindowText(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The window holding the keyboard focus in the thread of window, or null.
inline HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// Under Wine the X server answers a window's activation with focus events,
// and on them the X driver resets the thread's key state to the X keyboard's,
// which never saw keys sent with SendInput: a Ctrl held down in a sent chord
// is dropped when those events arrive between its keys. Returns once they
// have arrived and been handled: the window's thread has flushed its requests
// (a sent message comes back only from its loop), a screen read makes a round
// trip through the X server behind them, and two more sent messages come back
// only after the thread has read its queue of X events.
inline void SettleFocusEvents(HWND window)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result);
    if (HDC screen = GetDC(nullptr)) {
        GetPixel(screen, 0, 0);
        ReleaseDC(nullptr, screen);
    }
    for (int i = 0; i < 2; i++)
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result);
}

// Returns once the thread of window has handled the few keys and messages
// queued for it before the call, and had its idle time between them: a
// message sent to it is answered only from its loop, which lets at least one
// queued message through before it takes the next sent one. A check that
// something did not happen is made after this rather than after a pause.
inline void WaitForQueueHandled(HWND window, int rounds = 8)
{
    DWORD_PTR result = 0;
    for (int i = 0; i < rounds; i++)
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result);
}

// Brings window to the front as a click would and waits until its thread
// has taken the activation with the focus on target (on window or one of its
// children when target is null): only then do sent keys reach target, since
// the system gives a key to the focus it finds when the key is queued.
// The front is asked for again only after a pause: each request makes the X
// server send focus events, and one arriving after the settling would drop
// a held Ctrl. False when that has not happened after timeout milliseconds.
inline bool WaitForKeyboardFocus(HWND window, HWND target, DWORD timeout = kPatience)
{
    DWORD start = GetTickCount();
    DWORD asked = 0;
    bool everAsked = false;
    for (;;) {
        if (GetForegroundWindow() != window && (!everAsked || GetTickCount() - asked > 1000)) {
            SetForegroundWindow(window);
            asked = GetTickCount();
            everAsked = true;
        }
        HWND focus = FocusOf(window);
        bool ready = target ? focus == target : focus && (focus == window || IsChild(window, focus));
        if (ready && IsWindowEnabled(window) && GetForegroundWindow() == window) {
            SettleFocusEvents(window);
            return true;
        }
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(5);
    }
}

// Keys as a user types them into the foreground window.
inline void PressKey(WORD key, bool ctrl = false, bool shift = false, bool alt = false)
{
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    if (ctrl)
        add(VK_CONTROL, false);
    if (shift)
        add(VK_SHIFT, false);
    if (alt)
        add(VK_MENU, false);
    add(key, false);
    add(key, true);
    if (alt)
        add(VK_MENU, true);
    if (shift)
        add(VK_SHIFT, true);
    if (ctrl)
        add(VK_CONTROL, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline void TypeText(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        for (bool up : {false, true}) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The page a help viewer shows, as Ctrl+A, Ctrl+C in its view put it on
// the clipboard; "(no view)" when the window holds none.
inline std::wstring CopiedHelpPage(HWND viewer)
{
    HWND view = nullptr;
    EnumChildWindows(
        viewer,
        [](HWND child, LPARAM data) WINAPI -> BOOL {
            if (ClassOf(child) == L"Guidora Help View") {
                *reinterpret_cast<HWND*>(data) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&view));
    if (!view)
        return L"(no view)";
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    // Sent, so the copy is done when the call returns.
    SendMessageW(view, WM_CHAR, 1, 0);
    SendMessageW(view, WM_CHAR, 3, 0);
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = p;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

} // namespace driver
