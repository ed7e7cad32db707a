// Start of the help viewer: from CreateProcess to its first paint (the
// window shown and nothing left to paint), median of 10, for the shipped
// 32-bit viewer and the 64-bit build of the same code, beside Wine's own
// 32-bit notepad.exe (syswow64) measured the same way in the same run.
// Where 32-bit programs cannot run, the 64-bit notepad stands in and the
// 32-bit figures say so.
//
//   helpviewer_start [path of the 32-bit guidora.exe [path of the 64-bit one]]

#include "BenchTiming.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lParam)
{
    Found* f = reinterpret_cast<Found*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->process && IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER)) {
        f->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Seconds from the start of the command to a visible top-level window of the
// process with an empty update region; negative on a failure.
double StartToFirstPaint(const std::wstring& commandLine)
{
    std::wstring command = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Clock clock;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                        &pi))
        return -1;
    CloseHandle(pi.hThread);
    double seconds = -1;
    Found f{pi.dwProcessId, nullptr};
    while (clock.Seconds() < 30) {
        if (!f.window)
            EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&f));
        if (f.window && !GetUpdateRect(f.window, nullptr, FALSE)) {
            seconds = clock.Seconds();
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    return seconds;
}

double Median(const std::wstring& command, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        double t = StartToFirstPaint(command);
        if (t < 0)
            return -1;
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    return (times[runs / 2 - 1] + times[runs / 2]) / 2;
}

// The Windows path of a file under the build folder above this program's.
std::wstring Beside(const wchar_t* relative)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L'\\') + 1) + relative;
}

void Report(const wchar_t* name, double seconds, int runs)
{
    if (seconds < 0)
        wprintf(L"%ls start to first paint (median of %d): not measured (did not start)\n", name, runs);
    else
        wprintf(L"%ls start to first paint (median of %d): %.1f ms\n", name, runs, seconds * 1000);
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring viewer32 = argv && argc > 1 ? argv[1] : Beside(L"..\\..\\x86\\helpviewer\\guidora.exe");
    std::wstring viewer64 = argv && argc > 2 ? argv[2] : Beside(L"..\\helpviewer\\guidora.exe");
    wchar_t windows[MAX_PATH] = L"C:\\windows";
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring notepad32 = std::wstring(windows) + L"\\syswow64\\notepad.exe";
    const bool has32 = GetFileAttributesW(notepad32.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring reference = has32 ? notepad32 : std::wstring(windows) + L"\\system32\\notepad.exe";
    const int runs = 10;
    const std::wstring topic = L"\" \"id:20100\"";
    // One start each first, so none pays for a cold cache.
    StartToFirstPaint(L"\"" + viewer32 + topic);
    StartToFirstPaint(L"\"" + viewer64 + topic);
    StartToFirstPaint(L"\"" + reference + L"\"");
    double help32 = Median(L"\"" + viewer32 + topic, runs);
    double help64 = Median(L"\"" + viewer64 + topic, runs);
    double notepad = Median(L"\"" + reference + L"\"", runs);
    Report(L"guidora 32-bit", help32, runs);
    Report(L"guidora 64-bit build", help64, runs);
    Report(has32 ? L"reference notepad 32-bit (syswow64)" : L"reference notepad 64-bit (no syswow64 here)", notepad,
           runs);
    return help64 < 0 || notepad < 0 ? 1 : 0;
}
