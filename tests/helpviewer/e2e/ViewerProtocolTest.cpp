// The real viewer program steered through its window message, as the editor
// does it: started with "id:" and this test's window as "hwnd:".

#include "e2e/ProcessDriver.h"

#include <doctest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

UINT g_message = 0;
std::vector<std::pair<WPARAM, LPARAM>> g_received;

LRESULT CALLBACK CallerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (g_message != 0 && msg == g_message) {
        g_received.emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Counts the times the window it serves is made the active window.
int g_activations = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
        ++g_activations;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

// Pumps this thread's messages until done(); false when it still fails
// after limit milliseconds (a guard against a hang, never a measure).
template <class F>
bool PumpUntil(F done, DWORD limit = driver::kPatience)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limit)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// Waits for the next code from the viewer; 0 when none came.
WPARAM NextCode(size_t& seen, LPARAM* lParam = nullptr)
{
    if (!PumpUntil([&] { return g_received.size() > seen; }))
        return 0;
    if (lParam)
        *lParam = g_received[seen].second;
    return g_received[seen++].first;
}

// Sends text as the editor does: six bytes a message, 11 then 12, then 13.
void SendText(HWND viewer, const std::string& bytes, LPARAM claimedLength)
{
    std::string b = bytes;
    b.resize((b.size() + 5) / 6 * 6, '\0');
    for (size_t i = 0; i < b.size(); i += 6) {
        const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data() + i);
        WPARAM w = (i == 0 ? 11 : 12) | (WPARAM(u[0]) << 16) | (WPARAM(u[1]) << 24);
        LPARAM l = static_cast<LPARAM>(static_cast<int32_t>(u[2] | (u[3] << 8) | (u[4] << 16) | (uint32_t(u[5]) << 24)));
        PostMessageW(viewer, g_message, w, l);
    }
    PostMessageW(viewer, g_message, 13, claimedLength);
}

// Starts the built viewer on a topic for caller, as the editor does.
PROCESS_INFORMATION StartViewerFor(HWND caller)
{
    std::wstring exe = ProgramFolder() + L"..\\helpviewer\\guidora.exe";
    REQUIRE(GetFileAttributesW(exe.c_str()) != INVALID_FILE_ATTRIBUTES);
    // The editor writes its handle as a signed 64-bit number.
    std::wstring command = L"\"" + exe + L"\" \"id:20100\" \"hwnd:" +
                           std::to_wstring(static_cast<long long>(reinterpret_cast<intptr_t>(caller))) + L"\"";
    PROCESS_INFORMATION pi{};
    DWORD error = 0;
    bool started = driver::StartProgram(exe, command.substr(exe.size() + 3), L"", pi, &error);
    INFO("CreateProcessW error " << error);
    REQUIRE(started);
    CloseHandle(pi.hThread);
    return pi;
}

}  // namespace

TEST_CASE("the viewer program answers its caller: 1 at start, 2 per shown topic, 4, then 3 and it exits")
{
    g_message = RegisterWindowMessageW(L"rovin WM by Vardemo");
    REQUIRE(g_message != 0);
    WNDCLASSW wc{};
    wc.lpfnWndProc = CallerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Help Protocol Caller";
    RegisterClassW(&wc);
    HWND caller = CreateWindowExW(0, wc.lpszClassName, L"caller", WS_OVERLAPPEDWINDOW, 50, 50, 400, 300, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    REQUIRE(caller);

    PROCESS_INFORMATION pi = StartViewerFor(caller);

    size_t seen = 0;
    LPARAM lParam = 0;
    REQUIRE(NextCode(seen, &lParam) == 1);
    HWND viewer = reinterpret_cast<HWND>(lParam);
    REQUIRE(IsWindow(viewer));
    wchar_t className[64] = {};
    GetClassNameW(viewer, className, 64);
    CHECK(std::wstring(className) == L"Guidora Help Form");
    CHECK(IsWindowVisible(viewer));
    DWORD owner = 0;
    GetWindowThreadProcessId(viewer, &owner);
    CHECK(owner == pi.dwProcessId);
    // Opened beside the caller.
    RECT r;
    GetWindowRect(viewer, &r);
    RECT c;
    GetWindowRect(caller, &c);
    CHECK(r.left == c.right);

    std::wstring first = driver::CopiedHelpPage(viewer);
    CHECK(first.find(L"Konfiguracja programu") != std::wstring::npos);

    PostMessageW(viewer, g_message, 9, 20300);
    CHECK(NextCode(seen, &lParam) == 2);
    CHECK(lParam == reinterpret_cast<LPARAM>(viewer));
    std::wstring about = driver::CopiedHelpPage(viewer);
    CHECK(about.find(L"O programie") != std::wstring::npos);
    CHECK(about.find(L"Guidora") != std::wstring::npos);
    CHECK(about.find(L"Konfiguracja") == std::wstring::npos);

    // "skróty": seven bytes of UTF-8 in two pieces.
    SendText(viewer, "skr\xC3\xB3ty", 7);
    CHECK(NextCode(seen) == 2);
    CHECK(driver::CopiedHelpPage(viewer).find(L"Skr\u00F3ty klawiszowe pomocy") != std::wstring::npos);

    // A wrong length: nothing; the 9 after it is answered alone.
    SendText(viewer, "skr\xC3\xB3ty", 6);
    PostMessageW(viewer, g_message, 9, 13000);
    CHECK(NextCode(seen) == 2);

    PostMessageW(viewer, WM_COMMAND, 31106, 0);
    CHECK(NextCode(seen) == 4);

    PostMessageW(viewer, g_message, 10, 0);
    CHECK(NextCode(seen) == 3);
    CHECK_FALSE(IsWindowVisible(viewer));
    CHECK(g_received.size() == seen);
    // It waits about 5 s before it exits, so the caller can come forward.
    DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
    CHECK(waited == WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CHECK(code == 0);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    DestroyWindow(caller);
}

namespace {

// Whether a is in front of b among the top-level windows.
bool InFront(HWND a, HWND b)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == a)
            return true;
        if (w == b)
            return false;
    }
    return false;
}

// The screen's colour at the middle of a window's client area.
COLORREF ScreenAtMiddle(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(window, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace

TEST_CASE("the viewer brings forward the caller's modal dialog, not the disabled window behind it")
{
    g_message = RegisterWindowMessageW(L"rovin WM by Vardemo");
    REQUIRE(g_message != 0);
    g_received.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = CallerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Help Modal Caller";
    // The caller white, its dialog black, so the screen tells them apart.
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
    HWND caller = CreateWindowExW(0, wc.lpszClassName, L"caller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    REQUIRE(caller);
    // A modal run over the caller: a dialog it owns, the caller disabled.
    WNDCLASSW dc = wc;
    dc.lpfnWndProc = CountingProc;
    dc.lpszClassName = L"Help Modal Dialog";
    dc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&dc);
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, dc.lpszClassName, L"modal", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                  150, 100, 200, 150, caller, nullptr, wc.hInstance, nullptr);
    REQUIRE(dialog);
    EnableWindow(caller, FALSE);
    SetForegroundWindow(dialog);
    PumpUntil([&] { return GetForegroundWindow() == dialog; });

    PROCESS_INFORMATION pi = StartViewerFor(caller);
    size_t seen = 0;
    LPARAM lParam = 0;
    REQUIRE(NextCode(seen, &lParam) == 1);
    HWND viewer = reinterpret_cast<HWND>(lParam);
    REQUIRE(IsWindow(viewer));

    // The viewer's "program window" command, then its closing: each time the
    // dialog comes to the front, shown, above the caller.
    for (WPARAM command : {WPARAM(31106), WPARAM(31101)}) {
        CAPTURE(command);
        SetForegroundWindow(viewer);
        REQUIRE(PumpUntil([&] { return GetForegroundWindow() == viewer; }));
        g_activations = 0;
        PostMessageW(viewer, WM_COMMAND, command, 0);
        CHECK(NextCode(seen) == (command == 31106 ? 4 : 3));
        // Until the dialog has been activated and is in front and shown, or
        // the wait gives up. Under Wine without a window manager a focus
        // event from the X server that comes late may then hand the
        // activation on to the desktop, so the activation is what counts.
        PumpUntil([&] {
            return g_activations > 0 && IsWindowVisible(dialog) && InFront(dialog, caller) &&
                   ScreenAtMiddle(dialog) == RGB(0, 0, 0);
        });
        CAPTURE(GetForegroundWindow());
        CAPTURE(GetDesktopWindow());
        CHECK(g_activations > 0);
        CHECK(GetForegroundWindow() != caller);
        CHECK(IsWindowVisible(dialog));
        CHECK(InFront(dialog, caller));
        CHECK(ScreenAtMiddle(dialog) == RGB(0, 0, 0));
    }
    DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
    CHECK(waited == WAIT_OBJECT_0);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    EnableWindow(caller, TRUE);
    DestroyWindow(dialog);
    DestroyWindow(caller);
}

namespace {

struct AlertOf {
    DWORD process;
    std::wstring title;
    HWND found;
};

BOOL CALLBACK FindAlert(HWND hwnd, LPARAM lParam)
{
    AlertOf* a = reinterpret_cast<AlertOf*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (pid == a->process && IsWindowVisible(hwnd) && a->title == title) {
        a->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs the viewer with "/test"; an alert titled alertTitle is closed when
// it shows, after seen (when given) looked at it. The exit code, or -1 when
// the program did not end.
long RunTestMode(const std::wstring& exe, const wchar_t* alertTitle, bool& alertSeen,
                 void (*seen)(HWND alert) = nullptr)
{
    PROCESS_INFORMATION pi{};
    if (!driver::StartProgram(exe, L"/test", L"", pi))
        return -2;
    CloseHandle(pi.hThread);
    alertSeen = false;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT && GetTickCount() - start < driver::kPatience) {
        AlertOf a{pi.dwProcessId, alertTitle, nullptr};
        EnumWindows(FindAlert, reinterpret_cast<LPARAM>(&a));
        if (a.found) {
            if (seen && !alertSeen) {
                driver::WaitUntilPainted(a.found);
                seen(a.found);
            }
            alertSeen = true;
            PostMessageW(a.found, WM_CLOSE, 0, 0);
        }
    }
    DWORD code = 0;
    bool ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

}  // namespace

TEST_CASE("/test: the shipped help checks clean; without a container the check fails with 3")
{
    std::wstring exe = ProgramFolder() + L"..\\helpviewer\\guidora.exe";
    bool alert = false;
    CHECK(RunTestMode(exe, L"Nieudane uruchomienie programu Guidora.", alert) == 0);
    CHECK_FALSE(alert);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"guidora-test-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring alone = folder + L"\\guidora.exe";
    REQUIRE(CopyFileW(exe.c_str(), alone.c_str(), FALSE));
    CHECK(RunTestMode(alone, L"Nieudane uruchomienie programu Guidora.", alert) == 3);
    CHECK(alert);
    DeleteFileW(alone.c_str());
    RemoveDirectoryW(folder.c_str());
}

namespace {

BOOL CALLBACK FindMessageControl(HWND child, LPARAM lParam)
{
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextLengthW(child) > 0) {
        *reinterpret_cast<HWND*>(lParam) = child;
        return FALSE;
    }
    return TRUE;
}

// Columns from a left edge to the rightmost dark pixel, -1 for none.
int InkRight(HDC dc, int left, int top, int width, int height)
{
    int right = -1;
    for (int x = 0; x < width; x++)
        for (int y = 0; y < height; y++) {
            COLORREF c = GetPixel(dc, left + x, top + y);
            if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 384)
                right = x;
        }
    return right;
}

std::wstring g_alertText;
int g_alertInk = -2;
int g_wholeInk = -1;

// The alert's message control: its text, how far its drawn text reaches
// on the screen, and how far the same text reaches drawn whole, unclipped,
// in the message font (the alert's font at 96 dpi).
void ReadAlertText(HWND alert)
{
    HWND text = nullptr;
    EnumChildWindows(alert, FindMessageControl, reinterpret_cast<LPARAM>(&text));
    if (!text)
        return;
    wchar_t buffer[512] = {};
    GetWindowTextW(text, buffer, 512);
    g_alertText = buffer;
    RECT onScreen = {};
    GetWindowRect(text, &onScreen);
    HDC screen = GetDC(nullptr);
    g_alertInk = InkRight(screen, onScreen.left, onScreen.top, onScreen.right - onScreen.left + 8,
                          onScreen.bottom - onScreen.top);

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 800, 60);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT all = {0, 0, 800, 60};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(dc, buffer, -1, &all, DT_WORDBREAK | DT_NOPREFIX);
    g_wholeInk = InkRight(dc, 0, 0, 800, 60);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

}  // namespace

TEST_CASE("/test: a damaged container's alert shows its whole text, the final full stop too")
{
    std::wstring exe = ProgramFolder() + L"..\\helpviewer\\guidora.exe";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"guidora-damaged-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring alone = folder + L"\\guidora.exe";
    REQUIRE(CopyFileW(exe.c_str(), alone.c_str(), FALSE));
    // 20 bytes without the trailer's magic.
    std::wstring container = folder + L"\\help.ruvo";
    HANDLE h = CreateFileW(container.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    const char bytes[20] = {};
    DWORD written = 0;
    WriteFile(h, bytes, sizeof bytes, &written, nullptr);
    CloseHandle(h);

    bool alert = false;
    CHECK(RunTestMode(alone, L"Nieudane uruchomienie programu Guidora.", alert, ReadAlertText) == 3);
    CHECK(alert);
    CHECK(g_alertText == L"Niespodziewany b\u0142\u0105d wewn\u0119trzny.");
    // Drawn as far as the whole text reaches: nothing clipped at the end.
    INFO("alert ink to " << g_alertInk << ", whole text to " << g_wholeInk);
    CHECK(g_wholeInk > 0);
    CHECK(g_alertInk >= g_wholeInk);
    DeleteFileW(alone.c_str());
    DeleteFileW(container.c_str());
    RemoveDirectoryW(folder.c_str());
}
