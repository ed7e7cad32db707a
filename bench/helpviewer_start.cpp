// Start of the help viewer: from CreateProcess to its first paint (the
// window shown and nothing left to paint), median of 10, beside Wine's
// notepad.exe measured the same way in the same run.
//
//   helpviewer_start [path of guidora.exe]

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

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring viewer;
    if (argv && argc > 1) {
        viewer = argv[1];
    } else {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring self(path, n);
        viewer = self.substr(0, self.find_last_of(L'\\') + 1) + L"..\\helpviewer\\guidora.exe";
    }
    const int runs = 10;
    // One start each first, so neither pays for a cold cache.
    StartToFirstPaint(L"\"" + viewer + L"\" \"id:20100\"");
    StartToFirstPaint(L"notepad.exe");
    double help = Median(L"\"" + viewer + L"\" \"id:20100\"", runs);
    double notepad = Median(L"notepad.exe", runs);
    wprintf(L"guidora start to first paint (median of %d): %.1f ms\n", runs, help * 1000);
    wprintf(L"reference notepad start to first paint (median of %d): %.1f ms\n", runs, notepad * 1000);
    return help < 0 || notepad < 0 ? 1 : 0;
}
