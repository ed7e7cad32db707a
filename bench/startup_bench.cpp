// From CreateProcessW until the first window is shown, idle and fully
// painted: the editor (a portable copy with empty settings) against Wine's
// notepad, started alternately, ten times each.
//
// "startup_bench open [megabytes]" (default 1024): a generated UTF-8 text
// given on the editor's command line, from CreateProcessW until the title
// names it and the window is idle and painted, against a process that only
// reads the same file into fresh memory and ends ("startup_bench read
// <path>"), started alternately, five times each, the file in the system's
// cache.

#include "BenchTiming.h"
#include "base/Types.h"
#include "tests/e2e/ProcessDriver.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
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

// Reads the whole file into fresh memory, as the reference process does.
int ReadOnly(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    u8* buffer = static_cast<u8*>(
        VirtualAlloc(nullptr, static_cast<size_t>(size.QuadPart), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    int64 done = 0;
    DWORD got = 0;
    while (done < size.QuadPart &&
           ReadFile(file, buffer + done, static_cast<DWORD>(std::min<int64>(size.QuadPart - done, 64 << 20)), &got,
                    nullptr) &&
           got > 0)
        done += got;
    CloseHandle(file);
    return done == size.QuadPart ? 0 : 1;
}

// Lines of code-like text with some Polish letters, about bytes long.
void WriteText(const std::wstring& path, int64 bytes)
{
    static const char* const lines[] = {
        "    if (count > limit && buffer[index] != '\\0')\r\n",
        "        total += ComputeValue(alpha, beta, 0x7F3A, \"za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\");\r\n",
        "    /* komentarz: g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84, a comment that goes on */\r\n",
        "    return result;\r\n", "}\r\n", "\r\n"};
    std::mt19937 rng(11);
    std::string chunk;
    while (chunk.size() < (8u << 20))
        chunk += lines[rng() % 6];
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    for (int64 written = 0; written < bytes;) {
        DWORD n = static_cast<DWORD>(std::min<int64>(static_cast<int64>(chunk.size()), bytes - written)), done = 0;
        WriteFile(file, chunk.data(), n, &done, nullptr);
        written += done;
    }
    CloseHandle(file);
}

// Milliseconds from CreateProcessW to the editor's window naming the text,
// holding its bytes, idle and painted, or -1.
double OpenToPaint(const std::wstring& exe, const std::wstring& folder, const std::wstring& path,
                   const std::wstring& name, int64 bytes)
{
    PROCESS_INFORMATION process;
    Clock clock;
    if (!driver::StartProgram(exe, L"\"" + path + L"\"", folder, process))
        return -1;
    double ms = -1;
    HWND window = driver::WaitForProcessWindow(process.hProcess, process.dwProcessId, L"Scrivel Main Form", nullptr,
                                               120000);
    if (window) {
        // The title names the text before it is read; the text is in when
        // the process holds its bytes.
        auto loaded = [&] {
            PROCESS_MEMORY_COUNTERS counters = {};
            counters.cb = sizeof(counters);
            GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters));
            return driver::WindowText(window).find(name) == 0 && static_cast<int64>(counters.PagefileUsage) >= bytes;
        };
        DWORD start = GetTickCount();
        while (!loaded() && GetTickCount() - start < 300000)
            Sleep(1);
        WaitForInputIdle(process.hProcess, 120000);
        if (loaded() && driver::WaitUntilPainted(window, 120000))
            ms = clock.Seconds() * 1000;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ms;
}

double ReadToExit(const std::wstring& self, const std::wstring& path)
{
    PROCESS_INFORMATION process;
    Clock clock;
    if (!driver::StartProgram(self, L"read \"" + path + L"\"", L"", process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double ms = clock.Seconds() * 1000;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0 ? ms : -1;
}

int BenchOpen(const std::wstring& folder, const std::wstring& editor, const std::wstring& settings, int64 megabytes)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring name = L"startup_bench_open.txt";
    const std::wstring path = folder + name;
    WriteText(path, megabytes << 20);
    ReadToExit(self, path);
    std::vector<double> opens, reads, ratios;
    for (int i = 0; i < 5; i++) {
        HANDLE file = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        double r = ReadToExit(self, path);
        double o = OpenToPaint(editor, folder, path, name, megabytes << 20);
        if (r > 0 && o > 0) {
            reads.push_back(r);
            opens.push_back(o);
            ratios.push_back(o / r);
        }
    }
    DeleteFileW(path.c_str());
    std::string size = std::to_string(megabytes) + " MB";
    Report(("reference process that only reads the " + size + " text").c_str(), reads);
    Report(("editor opening the " + size + " text until painted").c_str(), opens);
    std::sort(ratios.begin(), ratios.end());
    std::printf("editor open / reading process, %s: %.2fx (median of the rounds)\n", size.c_str(),
                ratios.empty() ? -1.0 : ratios[ratios.size() / 2]);
    return ratios.size() == 5 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "read") == 0) {
        int n = MultiByteToWideChar(CP_ACP, 0, argv[2], -1, nullptr, 0);
        std::wstring path(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, argv[2], -1, &path[0], n);
        return ReadOnly(path.c_str());
    }
    const bool open = argc > 1 && std::strcmp(argv[1], "open") == 0;
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
    if (open) {
        int rc = BenchOpen(folder, editor, settings, argc > 2 ? std::atoll(argv[2]) : 1024);
        DeleteFileW(editor.c_str());
        DeleteFileW(settings.c_str());
        DeleteFileW((settings + L".bak").c_str());
        RemoveDirectoryW((folder + L"Scrivel Data").c_str());
        RemoveDirectoryW(folder.c_str());
        return rc;
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
