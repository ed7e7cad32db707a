// The editor's Help starts the real viewer beside it and steers it; without
// the viewer program the alert names where it was looked for.

#include "e2e/EditorRun.h"

#include <doctest.h>

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

template <class F>
bool WaitFor(F done, DWORD limit = 20000)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limit)
            return false;
        Sleep(20);
    }
    return true;
}

// Ends a viewer process that a failed test left behind.
void EndViewer(HWND viewer)
{
    DWORD id = 0;
    GetWindowThreadProcessId(viewer, &id);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
            TerminateProcess(process, 99);
        CloseHandle(process);
    }
}

}  // namespace

TEST_CASE("Help starts one viewer beside the editor; a second Help steers the same viewer")
{
    REQUIRE(ViewerWindows().empty());
    EditorRun run("");
    std::wstring built = driver::OwnFolder() + L"..\\editor\\";
    std::wstring folder = run.Folder().CStr();
    REQUIRE(CopyFileW((built + L"guidora.exe").c_str(), (folder + L"guidora.exe").c_str(), FALSE));
    REQUIRE(CopyFileW((built + L"help.ruvo").c_str(), (folder + L"help.ruvo").c_str(), FALSE));
    HWND main = run.WaitForMain();

    PostMessageW(main, WM_COMMAND, 11043, 0);
    REQUIRE(WaitFor([] { return !ViewerWindows().empty(); }));
    HWND viewer = ViewerWindows()[0];
    RECT v, e;
    GetWindowRect(viewer, &v);
    GetWindowRect(main, &e);
    CHECK((v.left >= e.right || v.right <= e.left));

    PostMessageW(main, WM_COMMAND, 11043, 0);
    Sleep(1500);
    CHECK(ViewerWindows().size() == 1);
    CHECK(ViewerWindows()[0] == viewer);

    CHECK(run.CloseAndWait(main, 20000) == 0);
    EndViewer(viewer);
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
    WaitFor([&] { return !IsWindow(alert); }, 5000);
    CHECK(run.CloseAndWait(main, 20000) == 0);
}
