// The editor's Help and help key with the real viewer beside it: one viewer
// started and then steered, asked for the editor's window, sent a topic as
// text, reopened where it was moved, closed with the editor; without the
// viewer program the alert names where it was looked for.

#include "e2e/EditorRun.h"
#include "base/WindowHandle.h"
#include "helpviewer/ViewerStart.h"
#include "support/Screenshot.h"

#include <doctest.h>

#include <winternl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kViewerClass = L"Guidora Help Form";

std::vector<HWND> ViewerWindows()
{
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            if (driver::ClassOf(window) == kViewerClass && IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// The viewer processes the editor started for this test, held by handle from
// the moment their window is seen: when the test ends, even by a failed
// check, those still around are ended (a closed viewer waits before it
// exits), so the next test starts without one.
class StartedViewers {
public:
    StartedViewers() = default;
    StartedViewers(const StartedViewers&) = delete;
    StartedViewers& operator=(const StartedViewers&) = delete;
    ~StartedViewers()
    {
        for (const Started& s : started_) {
            if (WaitForSingleObject(s.process, 0) == WAIT_TIMEOUT)
                TerminateProcess(s.process, 99);
            WaitForSingleObject(s.process, driver::kPatience);
            CloseHandle(s.process);
        }
    }
    void Track(HWND viewer)
    {
        DWORD id = ProcessOf(viewer);
        for (const Started& s : started_) {
            if (s.id == id)
                return;
        }
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id))
            started_.push_back({id, process});
    }

private:
    struct Started {
        DWORD id;
        HANDLE process;
    };
    std::vector<Started> started_;
};

// The machine a program file is built for (IMAGE_FILE_MACHINE_I386 or
// _AMD64), from its PE header; 0 when it cannot be read.
WORD MachineOf(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    unsigned char head[4096] = {};
    DWORD got = 0;
    ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    DWORD pe = got >= 0x40 ? *reinterpret_cast<DWORD*>(head + 0x3C) : 0;
    if (pe == 0 || pe + 6 > got || memcmp(head + pe, "PE\0\0", 4) != 0)
        return 0;
    return *reinterpret_cast<WORD*>(head + pe + 4);
}

// Whether the process runs as a 32-bit program under the 64-bit system.
bool Runs32Bit(DWORD process)
{
    BOOL wow64 = FALSE;
    if (HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        IsWow64Process(h, &wow64);
        CloseHandle(h);
    }
    return wow64 != FALSE;
}

bool Shows(HWND viewer, const wchar_t* words)
{
    return driver::CopiedHelpPage(viewer).find(words) != std::wstring::npos;
}

// The command line a process was started with, read from its process
// parameters (the 64-bit ones, which the system keeps for a 32-bit process
// too, else the 32-bit ones); empty when it cannot be read.
std::wstring CommandLineOf(DWORD process)
{
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process);
    std::wstring line;
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (query && h && query(h, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(h, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(h, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(h, parameters.CommandLine.Buffer, &line[0], line.size() * sizeof(wchar_t), nullptr))
            line.clear();
    }
    // A 32-bit process whose 64-bit parameters say nothing: its own 32-bit
    // ones (the PEB's parameters at 0x10, their command line at 0x40).
    ULONG_PTR peb32 = 0;
    if (line.empty() && query && h &&
        query(h, static_cast<PROCESSINFOCLASS>(26 /* ProcessWow64Information */), &peb32, sizeof peb32, nullptr) == 0 &&
        peb32) {
        DWORD parameters32 = 0;
        struct {
            USHORT length, maximum;
            DWORD buffer;
        } command = {};
        if (ReadProcessMemory(h, reinterpret_cast<void*>(peb32 + 0x10), &parameters32, sizeof parameters32, nullptr) &&
            ReadProcessMemory(h, reinterpret_cast<void*>(ULONG_PTR(parameters32) + 0x40), &command, sizeof command,
                              nullptr)) {
            line.resize(command.length / sizeof(wchar_t));
            if (!ReadProcessMemory(h, reinterpret_cast<void*>(ULONG_PTR(command.buffer)), &line[0],
                                   line.size() * sizeof(wchar_t), nullptr))
                line.clear();
        }
    }
    if (h)
        CloseHandle(h);
    return line;
}

// The caller's window as the viewer process read it from its command line,
// with the viewer's own parser; null when there is none.
HWND CallerGivenTo(DWORD viewerProcess)
{
    std::wstring line = CommandLineOf(viewerProcess);
    int count = 0;
    wchar_t** argv = line.empty() ? nullptr : CommandLineToArgvW(line.c_str(), &count);
    if (!argv)
        return nullptr;
    Array<String> args;
    args.Reset();
    for (int i = 1; i < count; i++)
        args.Append(argv[i]);
    LocalFree(argv);
    return ReadViewerArguments(args).caller;
}

// Sends a topic id as a caller may, as UTF-8 text: six bytes a message
// (11, then 12), the last piece padded with zeros, then 13 with the length.
void SendTopicText(HWND viewer, UINT message, const std::string& bytes)
{
    std::string b = bytes;
    b.resize((b.size() + 5) / 6 * 6, '\0');
    for (size_t i = 0; i < b.size(); i += 6) {
        const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data() + i);
        WPARAM w = (i == 0 ? 11 : 12) | (WPARAM(u[0]) << 16) | (WPARAM(u[1]) << 24);
        LPARAM l = static_cast<LPARAM>(u[2] | (u[3] << 8) | (u[4] << 16) | (DWORD(u[5]) << 24));
        PostMessageW(viewer, message, w, l);
    }
    PostMessageW(viewer, message, 13, static_cast<LPARAM>(bytes.size()));
}

// The single visible viewer, once there is exactly one and it waits for
// input: it shows itself before it tells the editor (code 1), so only then
// is a command posted to the editor queued behind that code.
HWND WaitForOneViewer(StartedViewers& started)
{
    HWND viewer = nullptr;
    WaitUntil([&] {
        std::vector<HWND> windows = ViewerWindows();
        for (HWND window : windows)
            started.Track(window);
        viewer = windows.size() == 1 ? windows[0] : nullptr;
        return viewer != nullptr;
    });
    if (viewer) {
        if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(viewer))) {
            WaitForInputIdle(process, driver::kPatience);
            CloseHandle(process);
        }
    }
    return viewer;
}

// Puts the built viewer and the help file beside the run's editor; answers
// that folder.
std::wstring PlaceViewer(EditorRun& run)
{
    std::wstring built = driver::OwnFolder() + L"..\\editor\\";
    std::wstring folder = run.Folder().CStr();
    REQUIRE(CopyFileW((built + L"guidora.exe").c_str(), (folder + L"guidora.exe").c_str(), FALSE));
    REQUIRE(CopyFileW((built + L"help.ruvo").c_str(), (folder + L"help.ruvo").c_str(), FALSE));
    return folder;
}

}  // namespace

TEST_CASE("Help starts one viewer beside the editor; F1 over the toolbar shows its page in the same viewer; a moved, closed viewer reopens where it was; closing the editor closes it")
{
    REQUIRE(ViewerWindows().empty());
    StartedViewers started;
    // Room for the viewer on the editor's right.
    EditorRun run("WindowRect=10,10,600,500\r\n");
    const std::wstring folder = PlaceViewer(run);
    HWND main = run.WaitForMain();

    PostMessageW(main, WM_COMMAND, 11043, 0);
    HWND viewer = WaitForOneViewer(started);
    REQUIRE(viewer != nullptr);
    DWORD first = ProcessOf(viewer);
    // The viewer started is the program beside the editor: the shipped 32-bit
    // one, or where 32-bit programs cannot run the 64-bit build standing in.
    const WORD machine = MachineOf(folder + L"guidora.exe");
    REQUIRE((machine == IMAGE_FILE_MACHINE_I386 || machine == IMAGE_FILE_MACHINE_AMD64));
    CHECK(Runs32Bit(first) == (machine == IMAGE_FILE_MACHINE_I386));
    // Run as the 32-bit check, only the shipped 32-bit viewer will do.
    if (const char* want = std::getenv("SCRIVEL_VIEWER_32"); want && *want == '1')
        REQUIRE(machine == IMAGE_FILE_MACHINE_I386);
    // The editor's window handle, written by the 64-bit editor and read back
    // by the viewer's parser, is the handle Wine gives the editor's window.
    CHECK(CallerGivenTo(first) == main);
    RECT v, e;
    GetWindowRect(viewer, &v);
    GetWindowRect(main, &e);
    CHECK((v.left >= e.right || v.right <= e.left));
    CHECK(WaitUntil([&] { return Shows(viewer, L"spis treści"); }));

    // The help key over a toolbar button: the toolbar's page, in the same viewer.
    HWND toolbar = ChildWithId(main, 12100);
    REQUIRE(toolbar != nullptr);
    RECT bar;
    GetWindowRect(toolbar, &bar);
    // The help key goes to the focus in the front window: the editor's, not
    // the viewer's that has just been activated.
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    POINT mouse;
    GetCursorPos(&mouse);
    SetCursorPos(bar.left + 14, (bar.top + bar.bottom) / 2);
    driver::PressKey(VK_F1);
    CHECK(WaitUntil([&] { return Shows(viewer, L"Przyciski paska narzędzi"); }));
    // Away from the toolbar again: its tooltip would outlive the test.
    SetCursorPos(mouse.x, mouse.y);
    CHECK(ViewerWindows().size() == 1);

    // Help again: the contents, still in the one viewer.
    PostMessageW(main, WM_COMMAND, 11043, 0);
    CHECK(WaitUntil([&] { return Shows(viewer, L"spis treści"); }));
    CHECK(ViewerWindows().size() == 1);
    CHECK(ViewerWindows()[0] == viewer);

    // The viewer's "program window" command (code 4 to the handle it was
    // given) brings the minimised editor back.
    ShowWindow(main, SW_MINIMIZE);
    REQUIRE(WaitUntil([&] { return IsIconic(main) != FALSE; }));
    PostMessageW(viewer, WM_COMMAND, 31106, 0);
    CHECK(WaitUntil([&] { return !IsIconic(main); }));

    // The editor steers by number; a topic id may also come as UTF-8 text,
    // here with a byte-order mark and a non-ASCII letter across two pieces.
    UINT message = RegisterWindowMessageW(L"rovin WM by Vardemo");
    SendTopicText(viewer, message, "\xEF\xBB\xBFskr\xC3\xB3ty");
    CHECK(WaitUntil([&] { return Shows(viewer, L"Skr\u00F3ty klawiszowe pomocy"); }));
    CHECK(ViewerWindows().size() == 1);

    // Moved and closed, the next viewer opens at the moved rectangle.
    RECT moved{60, 70, 60 + 420, 70 + 380};
    REQUIRE(SetWindowPos(viewer, nullptr, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
                         SWP_NOZORDER | SWP_NOACTIVATE));
    // The editor takes the closing viewer's code 3 by restoring itself: the
    // next Help is queued behind that code.
    ShowWindow(main, SW_MINIMIZE);
    REQUIRE(WaitUntil([&] { return IsIconic(main) != FALSE; }));
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    REQUIRE(WaitUntil([&] { return ViewerWindows().empty() && !IsIconic(main); }));
    PostMessageW(main, WM_COMMAND, 11043, 0);
    HWND second = WaitForOneViewer(started);
    REQUIRE(second != nullptr);
    CHECK(ProcessOf(second) != first);
    RECT r;
    GetWindowRect(second, &r);
    CHECK(r.left == moved.left);
    CHECK(r.top == moved.top);
    CHECK(r.right == moved.right);
    CHECK(r.bottom == moved.bottom);

    // Closing the editor closes its viewer.
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    CHECK(WaitUntil([&] { return !IsWindow(second) || !IsWindowVisible(second); }));
}

TEST_CASE("F1 in Go to line opens the viewer; Esc in the viewer gives the keys back to the dialog, in front of the editor")
{
    REQUIRE(ViewerWindows().empty());
    StartedViewers started;
    EditorRun run("WindowRect=10,10,600,500\r\n");
    PlaceViewer(run);
    HWND main = run.WaitForMain();

    PostMessageW(main, WM_COMMAND, 11037, 0);
    HWND dialog = run.WaitForTitled(PolishSystem() ? L"Przejd\u017A do wiersza - Scrivel" : L"Go to line - Scrivel");
    REQUIRE(dialog != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(dialog, nullptr));
    driver::PressKey(VK_F1);
    HWND viewer = WaitForOneViewer(started);
    REQUIRE(viewer != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(viewer, nullptr));
    driver::PressKey(VK_ESCAPE);
    REQUIRE(WaitUntil([&] { return ViewerWindows().empty(); }));
    // Nobody here brings the dialog forward: the viewer and the editor must.
    CHECK(WaitUntil([&] {
        HWND focus = driver::FocusOf(dialog);
        return GetForegroundWindow() == dialog && focus && IsChild(dialog, focus);
    }));
    CHECK(IsWindowVisible(dialog));
    bool dialogFirst = false;
    for (HWND w = GetTopWindow(nullptr); w && w != main; w = GetWindow(w, GW_HWNDNEXT))
        dialogFirst = dialogFirst || w == dialog;
    CHECK(dialogFirst);
    // The dialog takes the user's Esc and closes; the editor is enabled again.
    driver::SettleFocusEvents(dialog);
    driver::PressKey(VK_ESCAPE);
    CHECK(WaitUntil([&] { return !IsWindowVisible(dialog) && IsWindowEnabled(main); }));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("without guidora.exe the Help window alert names its path")
{
    EditorRun run("");
    HWND main = run.WaitForMain();
    PostMessageW(main, WM_COMMAND, 11043, 0);
    HWND alert = run.WaitForTitled(PolishSystem() ? L"Okno pomocy - Scrivel" : L"Help window - Scrivel");
    REQUIRE(alert != nullptr);
    std::wstring path = std::wstring(run.Folder().CStr()) + L"guidora.exe";
    bool named = false;
    for (const std::wstring& text : driver::ChildTexts(alert))
        named = named || text.find(path) != std::wstring::npos;
    CHECK(named);
    PostMessageW(alert, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return !IsWindow(alert) || !IsWindowVisible(alert); }));
    CHECK(IsWindow(main));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

// Pages of the shipped help as the viewer shows them, for a reviewer: the
// contents, the find bar with its picture and the syntax colouring,
// under build/.../screenshots.
TEST_CASE("screenshots of three pages of the help in the viewer the editor started")
{
    REQUIRE(ViewerWindows().empty());
    StartedViewers started;
    EditorRun run("WindowRect=10,10,500,400\r\n");
    PlaceViewer(run);
    HWND main = run.WaitForMain();
    PostMessageW(main, WM_COMMAND, 11043, 0);
    HWND viewer = WaitForOneViewer(started);
    REQUIRE(viewer != nullptr);
    REQUIRE(SetWindowPos(viewer, HWND_TOP, 520, 10, 640, 720, 0));
    UINT message = RegisterWindowMessageW(L"rovin WM by Vardemo");
    struct Page {
        int topic;
        const wchar_t* words;
        const char* file;
    };
    for (const Page& page : {Page{0, L"Rozdziały pomocy", "help_contents.png"},
                             Page{12411, L"Lewa część paska", "help_find_bar.png"},
                             Page{21000, L"Pliki składni", "help_syntax.png"}}) {
        PostMessageW(viewer, message, 9, page.topic);
        CHECK(WaitUntil([&] { return Shows(viewer, page.words); }));
        // Shown once more: checking the page selected all of it.
        SendMessageW(viewer, message, 9, page.topic);
        driver::WaitUntilPainted(viewer);
        RECT r;
        GetWindowRect(viewer, &r);
        CHECK(SaveScreenshot(ReadScreenPixels(r), page.file));
    }
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    CHECK(WaitUntil([&] { return !IsWindow(viewer) || !IsWindowVisible(viewer); }));
}
