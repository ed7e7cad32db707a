// Key to screen, as a user sees it: the editor (a portable copy with empty
// settings) and Wine's notepad each open the same text from the command
// line, both windows 900 x 600 at the same place; then a character is typed
// at the start of the first line by SendInput, again and again, and the
// screen's pixels of that line right of the caret are read until they
// change. After each key Backspace takes the character away again, so every
// key meets the same line (characters left in place would in the end fill
// the strip with one letter, and a shifted row of it looks the same). The
// programs are left to settle between keys, and they take turns in rounds,
// so all see the same load; an earlier build of the editor, when given,
// takes its turns beside them, for a before and after from one run.
//
//   key_to_screen_bench [keys per round, 20 by default] [text size in KB, 100 by default]
//                       [an earlier build of the editor, measured in the same rounds]
//
// Run it in a Wine prefix set up as scripts/test sets one up (windows left
// unmanaged): under Xvfb no window manager raises a managed window, so the
// editor's would stay below notepad's and every key would count as missed.

#include "BenchTiming.h"
#include "tests/e2e/ProcessDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A strip of the screen, read into memory.
class ScreenStrip {
public:
    ScreenStrip(int x, int y, int width, int height) : x_(x), y_(y), width_(width), height_(height)
    {
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(memory_, bitmap_);
    }
    ~ScreenStrip()
    {
        SelectObject(memory_, old_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    ScreenStrip(const ScreenStrip&) = delete;
    ScreenStrip& operator=(const ScreenStrip&) = delete;

    std::vector<unsigned char> Read()
    {
        BitBlt(memory_, 0, 0, width_, height_, screen_, x_, y_, SRCCOPY);
        GdiFlush();
        const unsigned char* p = static_cast<const unsigned char*>(bits_);
        return std::vector<unsigned char>(p, p + static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    }

private:
    int x_, y_, width_, height_;
    HDC screen_;
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void* bits_ = nullptr;
};

struct Program {
    const char* name;
    PROCESS_INFORMATION process;
    HWND window;
    HWND control;  // the window that takes the keys
    std::vector<double> times;
    int missed = 0;
};

bool StartAndFind(Program& program, const std::wstring& exe, const std::wstring& path, const std::wstring& folder,
                  const wchar_t* className)
{
    if (!driver::StartProgram(exe, L"\"" + path + L"\"", folder, program.process))
        return false;
    program.window =
        driver::WaitForProcessWindow(program.process.hProcess, program.process.dwProcessId, className, nullptr, 30000);
    if (!program.window)
        return false;
    WaitForInputIdle(program.process.hProcess, 30000);
    SetWindowPos(program.window, HWND_TOP, 0, 0, 900, 600, SWP_SHOWWINDOW);
    driver::WaitUntilPainted(program.window, 20000);
    if (!driver::WaitForKeyboardFocus(program.window, nullptr, 20000))
        return false;
    program.control = driver::FocusOf(program.window);
    return program.control != nullptr;
}

// Waits until the program has painted everything and handled what it was sent.
void Settle(Program& program)
{
    driver::WaitUntilPainted(program.window, 5000);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(program.control, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    Sleep(40);
    driver::WaitUntilPainted(program.window, 5000);
}

void Round(Program& program, int keys)
{
    if (!driver::WaitForKeyboardFocus(program.window, program.control, 20000)) {
        program.missed += keys;
        return;
    }
    driver::PressKey(VK_HOME, true);
    Settle(program);
    RECT client;
    GetClientRect(program.control, &client);
    POINT origin = {0, 0};
    ClientToScreen(program.control, &origin);
    // The first line right of the caret: typing at the line start moves
    // all of it, while the caret itself stays out of the strip.
    int width = std::min<int>(400, client.right - 100);
    ScreenStrip strip(origin.x + 80, origin.y + 2, width, 12);
    for (int i = 0; i < keys; i++) {
        std::vector<unsigned char> before = strip.Read();
        Clock clock;
        driver::TypeText(L"x");
        double ms = -1;
        while (clock.Seconds() < 2) {
            if (strip.Read() != before) {
                ms = clock.Seconds() * 1000;
                break;
            }
        }
        if (ms < 0)
            program.missed++;
        else
            program.times.push_back(ms);
        Settle(program);
        driver::PressKey(VK_BACK);
        Settle(program);
    }
}

double Median(std::vector<double> times)
{
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const Program& program, const char* figure)
{
    std::vector<double> times = program.times;
    std::sort(times.begin(), times.end());
    double median = Median(times);
    double quartile = times.empty() ? -1 : times[times.size() / 4];
    double upper = times.empty() ? -1 : times[times.size() * 3 / 4];
    std::printf("%s: %.2f ms (median of %zu; quartiles %.2f, %.2f; %d missed)\n", figure, median, times.size(),
                quartile, upper, program.missed);
}

// A portable copy of an editor program in a folder of its own, with empty
// settings.
struct EditorCopy {
    std::wstring folder, program, settings;

    bool Make(const std::wstring& base, const std::wstring& source)
    {
        folder = base;
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"Scrivel Data").c_str(), nullptr);
        settings = folder + L"Scrivel Data\\appsettings.dat";
        HANDLE empty = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(empty);
        program = folder + L"scrivel.exe";
        if (CopyFileW(source.c_str(), program.c_str(), FALSE))
            return true;
        std::printf("the editor is not built: %ls\n", source.c_str());
        return false;
    }

    void Remove(const std::wstring& text)
    {
        DeleteFileW(program.c_str());
        DeleteFileW(text.c_str());
        DeleteFileW(settings.c_str());
        DeleteFileW((settings + L".bak").c_str());
        RemoveDirectoryW((folder + L"Scrivel Data").c_str());
        RemoveDirectoryW(folder.c_str());
    }
};

}  // namespace

int main(int argc, char** argv)
{
    int keys = argc > 1 ? std::atoi(argv[1]) : 20;
    int kilobytes = argc > 2 ? std::atoi(argv[2]) : 100;
    if (kilobytes < 1)
        kilobytes = 1;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    EditorCopy built, earlier;
    if (!built.Make(std::wstring(temp) + L"scrivel-key-bench\\", driver::BuiltEditorPath()))
        return 1;
    bool compare = argc > 3;
    if (compare) {
        wchar_t given[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, argv[3], -1, given, MAX_PATH);
        if (!earlier.Make(std::wstring(temp) + L"scrivel-key-bench-earlier\\", given))
            return 1;
    }
    std::wstring folder = built.folder;
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring notepad = std::wstring(system) + L"\\notepad.exe";

    // Code-like ASCII lines, the first one long enough to fill the strip.
    std::string text = "static int first_line_of_the_text(const char* name, size_t length, int flags, int mode) { return "
                       "compute(name, length, flags, mode) + 42; }\r\n";
    static const char* const lines[] = {"    if (count > limit && buffer[index] != 0)", "        total += value(alpha, beta);",
                                        "    /* a comment that goes on for a while */", "    return result;", "}", ""};
    for (int i = 0; text.size() < static_cast<size_t>(kilobytes) * 1000; i++)
        text += std::string(lines[i % 6]) + "\r\n";
    std::wstring path = folder + L"key_bench_text.txt";
    std::wstring earlierPath = earlier.folder + L"key_bench_text.txt";
    std::wstring notepadPath = folder + L"key_bench_text_notepad.txt";
    std::vector<std::wstring> texts = {path, notepadPath};
    if (compare)
        texts.push_back(earlierPath);
    for (const std::wstring& p : texts) {
        HANDLE file = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        CloseHandle(file);
    }

    Program scrivel{"scrivel", {}, nullptr, nullptr, {}, 0};
    Program before{"earlier", {}, nullptr, nullptr, {}, 0};
    Program pad{"notepad", {}, nullptr, nullptr, {}, 0};
    std::vector<Program*> programs = {&scrivel};
    if (compare)
        programs.push_back(&before);
    programs.push_back(&pad);
    bool started = StartAndFind(scrivel, built.program, path, folder, L"Scrivel Main Form") &&
                   (!compare || StartAndFind(before, earlier.program, earlierPath, earlier.folder, L"Scrivel Main Form")) &&
                   StartAndFind(pad, notepad, notepadPath, folder, L"Notepad");
    if (started) {
        for (int round = 0; round < 5; round++)
            for (Program* program : programs)
                Round(*program, keys);
        char figure[80];
        std::snprintf(figure, sizeof figure, "key to changed pixels, editor, %d KB text", kilobytes);
        Report(scrivel, figure);
        if (compare)
            Report(before, "key to changed pixels, the earlier editor given, the same text");
        Report(pad, "reference key to changed pixels, notepad, the same text");
        double n = Median(pad.times);
        if (n > 0) {
            std::printf("editor / notepad: %.2f x\n", Median(scrivel.times) / n);
            if (compare)
                std::printf("earlier editor / notepad: %.2f x\n", Median(before.times) / n);
        }
        if (scrivel.times.empty() || pad.times.empty())
            std::puts("no key changed a window's pixels: is the prefix's X11 driver set to leave windows unmanaged?");
    } else {
        std::puts("a program did not start or take the keyboard");
    }
    for (Program* program : programs) {
        if (!program->process.hProcess)
            continue;
        TerminateProcess(program->process.hProcess, 0);
        WaitForSingleObject(program->process.hProcess, 10000);
        CloseHandle(program->process.hThread);
        CloseHandle(program->process.hProcess);
    }
    DeleteFileW(notepadPath.c_str());
    built.Remove(path);
    if (compare)
        earlier.Remove(earlierPath);
    return started ? 0 : 1;
}
