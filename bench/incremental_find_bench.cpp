// Incremental find on the real main window: one keystroke's search (the
// field's text changes, the shown part is searched and highlighted) and one
// idle slice of 100000 bytes, for a plain, a case-folded and a regular-
// expression phrase that occurs nowhere, beside the vectorised byte scan
// over the same 100000 bytes; on a generated code-like UTF-8 text and on a
// 20 MB text of one line.
//
//   incremental_find_bench [megabytes]   (default 200)

#include "actions/ActionBroker.h"
#include "base/AppContext.h"
#include "base/ByteScan.h"
#include "base/Error.h"
#include "editor/MainForm.h"
#include "gui/EditLine.h"
#include "gui/Toolbar.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.4f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    size_t at = 0;
    while (file != INVALID_HANDLE_VALUE && at < bytes.size()) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 64u << 20));
        if (!WriteFile(file, bytes.data() + at, n, &done, nullptr) || done == 0)
            break;
        at += done;
    }
    if (file == INVALID_HANDLE_VALUE || at != bytes.size()) {
        std::puts("cannot write the text");
        std::exit(1);
    }
    CloseHandle(file);
}

// Code-like lines with Polish letters; lineBreaks false gives one line.
std::string MakeText(int64 bytes, bool lineBreaks)
{
    static const char* const pieces[] = {
        "    if (count > limit && buffer[index] != '\\0')",
        "        total += ComputeValue(alpha, beta, 0x7F3A, \"zażółć\");",
        "    /* komentarz: gęślą jaźń, a comment that goes on */",
        "    for (int i = 0; i < n; i++) { sum += values[i] * 3.25; }",
        "    return result;",
        "static int helper(const char* name, size_t length) // note",
    };
    std::mt19937 rng(7);
    std::string s;
    s.reserve(static_cast<size_t>(bytes) + 200);
    while (static_cast<int64>(s.size()) < bytes) {
        s += pieces[rng() % 6];
        s += lineBreaks ? "\r\n" : " ";
    }
    s.resize(static_cast<size_t>(bytes));
    return s;
}

void Open(ActionBroker& broker, MainForm& form, const std::wstring& path)
{
    Array<String> files;
    files.Reset();
    files.Insert(0, String(path.c_str()));
    ActionRecord record;
    record.InitOpenFiles(form.activeView, true, files);
    ExecuteAction(broker, record);
    if (record.outcome != OutcomeDone || !form.activeView->CurrentDocument()) {
        std::puts("the text did not open");
        std::exit(1);
    }
    TextView* view = form.activeView;
    view->SetCaret(view->CurrentDocument(), 0, CaretScrollIntoView, 0);
    RedrawWindow(view->GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

struct Mode {
    const char* label;
    bool noCase;
    bool regex;
    const wchar_t* absent;
};

const Mode kModes[] = {
    {"plain", false, false, L"zqxjv"},
    {"without case", true, false, L"ZQXJV"},
    {"regular expression", false, true, L"zq[xy]j+v"},
};

void SetModes(MainForm& form, const Mode& mode)
{
    form.SetFindToggle(kFindToggleCaseId, mode.noCase);
    form.SetFindToggle(kFindToggleRegexId, mode.regex);
}

// The median and the largest of the times, in ms.
void ReportTimes(const std::string& name, std::vector<double>& times)
{
    std::sort(times.begin(), times.end());
    Report(name + ", median", times[times.size() / 2], "ms");
    Report(name + ", maximum", times.back(), "ms");
}

void Measure(MainForm& form, const std::string& label)
{
    TextDocument* text = form.activeView->CurrentDocument();
    HWND field = form.findField->GetHwnd();
    ViewState* state = form.activeView->FindViewState(text);
    Report("shown bytes (the range a keystroke searches), " + label,
           static_cast<double>(state->paintedLast - state->paintedFirst), "bytes");
    for (const Mode& mode : kModes) {
        SetModes(form, mode);
        std::string name = std::string(mode.label) + ", " + label;
        // Keystrokes: the phrase typed one letter more each time, each
        // searching the shown part.
        std::vector<double> keys;
        std::wstring phrase = mode.absent;
        for (int round = 0; round < 20; round++) {
            for (size_t n = 1; n <= phrase.size(); n++) {
                SetWindowTextW(field, L"");
                form.ResetIncrementalFind();
                std::wstring typed = phrase.substr(0, n);
                Clock clock;
                SetWindowTextW(field, typed.c_str());
                keys.push_back(clock.Seconds() * 1000);
            }
        }
        ReportTimes("keystroke search, " + name, keys);
        // A phrase that is shown: highlights and the selection too.
        std::vector<double> shown;
        for (int round = 0; round < 20; round++) {
            SetWindowTextW(field, L"");
            form.ResetIncrementalFind();
            Clock clock;
            SetWindowTextW(field, mode.regex ? L"val[a-z]es" : L"values");
            shown.push_back(clock.Seconds() * 1000);
            PumpMessages();
        }
        ReportTimes("keystroke search of a shown phrase, " + name, shown);

        // Idle slices of the absent phrase over the whole text.
        SetWindowTextW(field, L"");
        form.ResetIncrementalFind();
        SetWindowTextW(field, phrase.c_str());
        std::vector<double> slices;
        std::vector<int64> starts;
        bool more = true;
        while (more) {
            starts.push_back(form.incrementalPos);
            Clock clock;
            more = form.ContinueIncrementalFind();
            slices.push_back(clock.Seconds() * 1000);
        }
        double total = 0;
        for (double t : slices)
            total += t;
        ReportTimes("idle slice, " + name, slices);
        Report("idle slices in all, " + name, static_cast<double>(slices.size()), "slices");
        Report("idle search speed, " + name,
               static_cast<double>(text->text.Size()) / (1 << 20) / (total / 1000), "MB/s");

        // The reference: the byte scan over the same 100000 bytes of one
        // slice in fresh memory, for a byte that is not there.
        std::vector<double> scans;
        size_t found = 0;
        for (size_t i = 0; i < starts.size() && i < 200; i++) {
            int64 from = std::min<int64>(starts[i], std::max<int64>(text->text.Size() - 100000, 0));
            int64 n = std::min<int64>(100000, text->text.Size() - from);
            u8* copy = static_cast<u8*>(VirtualAlloc(nullptr, static_cast<size_t>(n), MEM_COMMIT | MEM_RESERVE,
                                                     PAGE_READWRITE));
            text->text.CopyBytes(from, copy, n);
            Clock clock;
            const u8* hit = FindByte(copy, 0x01, static_cast<size_t>(n));
            scans.push_back(clock.Seconds() * 1000);
            found += hit ? 1 : 0;
            VirtualFree(copy, 0, MEM_RELEASE);
        }
        ReportTimes("reference FindByte over one slice's bytes, " + name, scans);
        if (found)
            std::puts("(the reference byte was found)");
    }
    SetWindowTextW(field, L"");
}

}  // namespace

int Run(int argc, char** argv)
{
    int64 megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    OleInitialize(nullptr);
    AppContext& context = AppContext::Current();
    context.DetectPortable();
    context.arguments.Reset();
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring lines = std::wstring(folder) + L"incremental_find_bench_lines.txt";
    std::wstring oneLine = std::wstring(folder) + L"incremental_find_bench_line.txt";
    WriteBytes(lines, MakeText(megabytes << 20, true));
    WriteBytes(oneLine, MakeText(20 << 20, false));

    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = MainForm::Create(broker);
    form->ShowFindBar();
    PumpMessages();

    Open(*broker, *form, lines);
    PumpMessages();
    Measure(*form, std::to_string(megabytes) + " MB text");
    Open(*broker, *form, oneLine);
    PumpMessages();
    Measure(*form, "20 MB one-line text");
    // The same line shown from its middle, scrolled far to the right.
    TextView* view = form->activeView;
    view->SetCaret(view->CurrentDocument(), view->CurrentDocument()->text.Size() / 2, CaretScrollIntoView, 0);
    RedrawWindow(view->GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
    Measure(*form, "20 MB one-line text at its middle");

    DestroyWindow(form->GetHwnd());
    PumpMessages();
    delete broker;
    DeleteFileW(lines.c_str());
    DeleteFileW(oneLine.c_str());
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
