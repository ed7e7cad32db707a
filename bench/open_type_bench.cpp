// The main window opens a generated UTF-8 text of 1 GB as from the command
// line until its view has painted, beside ReadFile of the same bytes (both
// with the file in the system's cache); then 1000 characters are typed at
// the text's middle, each WM_CHAR to the view until its paint returns, in the
// 1 GB text and in a 1 MB text.
//
//   open_type_bench [megabytes]   (default 1024)

#include "actions/ActionBroker.h"
#include "base/AppContext.h"
#include "base/Error.h"
#include "editor/MainForm.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Code-like lines with some Polish letters, written in pieces.
void WriteText(const std::wstring& path, int64 bytes)
{
    static const char* const pieces[] = {
        "    if (count > limit && buffer[index] != '\\0')",
        "        total += ComputeValue(alpha, beta, 0x7F3A, \"zażółć\");",
        "    /* komentarz: gęślą jaźń, a comment that goes on */",
        "    for (int i = 0; i < n; i++) { sum += values[i] * 3.25; }",
        "#include <stdio.h>",
        "    return result;",
        "}",
        "",
        "static int helper(const char* name, size_t length) // note",
        "\tswitch (kind) { case 1: break; default: return -1; }",
    };
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::puts("cannot write the text");
        std::exit(1);
    }
    std::mt19937 rng(11);
    std::string chunk;
    int64 written = 0;
    while (written < bytes) {
        chunk.clear();
        while (chunk.size() < (8u << 20)) {
            chunk += pieces[rng() % 10];
            chunk += "\r\n";
        }
        DWORD n = static_cast<DWORD>(std::min<int64>(static_cast<int64>(chunk.size()), bytes - written));
        DWORD done = 0;
        WriteFile(file, chunk.data(), n, &done, nullptr);
        written += done;
    }
    CloseHandle(file);
}

// The whole file into fresh memory; a sum of sampled bytes keeps the read used.
u64 ReadWhole(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    u8* buffer = static_cast<u8*>(VirtualAlloc(nullptr, static_cast<size_t>(size.QuadPart), MEM_COMMIT | MEM_RESERVE,
                                               PAGE_READWRITE));
    int64 done = 0;
    while (done < size.QuadPart) {
        DWORD n = static_cast<DWORD>(std::min<int64>(size.QuadPart - done, 64 << 20));
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, n, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    u64 sum = 0;
    for (int64 i = 0; i < done; i += 4096)
        sum += buffer[i];
    VirtualFree(buffer, 0, MEM_RELEASE);
    CloseHandle(file);
    return sum + static_cast<u64>(done);
}

void Open(ActionBroker& broker, TextView* view, const std::wstring& path)
{
    Array<String> files;
    files.Reset();
    files.Insert(0, String(path.c_str()));
    ActionRecord record;
    record.InitOpenFiles(view, true, files);
    ExecuteAction(broker, record);
    if (record.outcome != OutcomeDone || !view->CurrentDocument()) {
        std::puts("the text did not open");
        std::exit(1);
    }
    RedrawWindow(view->GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// 1000 characters at the middle of the view's text, each with its paint.
void Type(MainForm& form, const char* label)
{
    TextView* view = form.activeView;
    TextDocument* text = view->CurrentDocument();
    int64 middle = text->text.LineStart(text->text.LineOfOffset(text->text.Size() / 2));
    view->SetCaret(text, middle, CaretScrollIntoView, 0);
    RedrawWindow(view->GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::vector<double> times;
    HWND hwnd = view->GetHwnd();
    for (int i = 0; i < 1000; i++) {
        wchar_t c = static_cast<wchar_t>(i % 50 == 49 ? 13 : L"zażółćgęśląjaźń"[i % 15]);
        Clock clock;
        SendMessageW(hwnd, WM_CHAR, c, 0);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW);
        times.push_back(clock.Seconds() * 1000);
        PumpMessages();
    }
    int64 grown = text->text.Size();
    std::sort(times.begin(), times.end());
    std::string name = std::string("keystroke with paint, median, ") + label;
    PrintFigure(name.c_str(), times[times.size() / 2], "ms");
    name = std::string("keystroke with paint, maximum, ") + label;
    PrintFigure(name.c_str(), times.back(), "ms");
    if (grown < 1000)
        std::puts("typing did not reach the text");
}

}  // namespace

int Run(int argc, char** argv)
{
    int64 megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    OleInitialize(nullptr);
    AppContext& context = AppContext::Current();
    context.DetectPortable();
    // The size given to the benchmark is no file for the window to open.
    context.arguments.Reset();
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring big = std::wstring(folder) + L"open_type_bench_big.txt";
    std::wstring small = std::wstring(folder) + L"open_type_bench_1mb.txt";
    WriteText(big, megabytes << 20);
    WriteText(small, 1 << 20);

    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = MainForm::Create(broker);
    PumpMessages();

    // Both measured with the file in the cache.
    u64 sum = ReadWhole(big);
    double read = Time([&] { sum += ReadWhole(big); }, 2);
    double mb = static_cast<double>(megabytes);
    Clock clock;
    Open(*broker, form->activeView, big);
    double open = clock.Seconds();
    PumpMessages();
    PrintFigure("reference ReadFile of the text", read, "s");
    PrintFigure("open as from the command line until painted", open, "s");
    PrintFigure("open / ReadFile", open / read, "x");
    PrintFigure("reference ReadFile speed", mb / read, "MB/s");

    std::string label = std::to_string(megabytes) + " MB text";
    Type(*form, label.c_str());
    Open(*broker, form->activeView, small);
    PumpMessages();
    Type(*form, "1 MB text");
    std::printf("(sum %llu)\n", static_cast<unsigned long long>(sum & 1));

    // The texts are left modified: the broker goes without questions.
    DestroyWindow(form->GetHwnd());
    PumpMessages();
    delete broker;
    DeleteFileW(big.c_str());
    DeleteFileW(small.c_str());
    OleUninitialize();
    return 0;
}

int main(int argc, char** argv)
{
    AppContext context(GetModuleHandleW(nullptr));
    try {
        return Run(argc, argv);
    } catch (const Error& error) {
        std::printf("failed with error %d\n", error.code);
        return 1;
    }
}
