// From CreateProcessW until the first window is shown, idle and fully
// painted: the editor (a portable copy with empty settings) against Wine's
// notepad, started alternately, ten times each.

#include "BenchTiming.h"
#include "tests/e2e/ProcessDriver.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Milliseconds to a painted window, or -1 when it never came.
double StartToPaint(const std::wstring& exe, const std::wstring& folder, const wchar_t* className)
{
    PROCESS_INFORMATION process;
    Clock clock;
    if (!driver::StartProgram(exe, L"", folder, process))
        return -1;
    double ms = -1;
    HWND window = driver::WaitForProcessWindow(process.hProcess, process.dwProcessId, className, nullptr, 20000);
    if (window) {
        WaitForInputIdle(process.hProcess, 20000);
        if (driver::WaitUntilPainted(window, 20000))
            ms = clock.Seconds() * 1000;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ms;
}

void Report(const char* name, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    double median = times.empty() ? -1 : times[times.size() / 2];
    double maximum = times.empty() ? -1 : times.back();
    std::printf("%s: %.1f ms (median of %zu)\n", name, median, times.size());
    std::printf("%s_max: %.1f ms\n", name, maximum);
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"scrivel-startup-bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"Scrivel Data").c_str(), nullptr);
    std::wstring settings = folder + L"Scrivel Data\\appsettings.dat";
    std::wstring editor = folder + L"scrivel.exe";
    if (!CopyFileW(driver::BuiltEditorPath().c_str(), editor.c_str(), FALSE)) {
        std::printf("the editor is not built: %ls\n", driver::BuiltEditorPath().c_str());
        return 1;
    }
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring notepad = std::wstring(system) + L"\\notepad.exe";

    std::vector<double> editorTimes, notepadTimes;
    for (int i = 0; i < 10; i++) {
        // Every start sees the same empty settings, not those of the last exit.
        HANDLE file = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        double e = StartToPaint(editor, folder, L"Scrivel Main Form");
        double n = StartToPaint(notepad, folder, L"Notepad");
        if (e >= 0)
            editorTimes.push_back(e);
        if (n >= 0)
            notepadTimes.push_back(n);
    }
    Report("start_to_paint_scrivel", editorTimes);
    Report("start_to_paint_notepad", notepadTimes);
    DeleteFileW(editor.c_str());
    DeleteFileW(settings.c_str());
    DeleteFileW((settings + L".bak").c_str());
    RemoveDirectoryW((folder + L"Scrivel Data").c_str());
    RemoveDirectoryW(folder.c_str());
    return editorTimes.size() == 10 && notepadTimes.size() == 10 ? 0 : 1;
}
