// The main window's idle work: every idle step while a modified 200 MB text
// is autosaved twice (the second file replacing the first), beside WriteFile
// of the same bytes in 256 KiB pieces; then the pass end that rewrites
// "hibernation.dat" for 2000 open texts and for one 200 MB text on a single
// line with the caret at its end, beside WriteFile of the file's bytes.
// What a start brings back: the main window made while "hibernation.dat"
// lists 2000 texts of about 16 KiB, beside a start opening the same files
// from the command line and ReadFile of them; and the recovery of a 200 MB
// autosave file left by a crashed run, beside ReadFile of that file (every
// file in the system's cache).
//
// The starts restoring texts are measured with 500, 1000 and 2000 texts.
//
//   idle_bench [megabytes]   (default 200)
//   idle_bench restore [texts]   (the starts restoring texts only)

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
#include <string>
#include <vector>

namespace {

void Fail(const char* what)
{
    std::printf("failed: %s\n", what);
    std::exit(1);
}

std::wstring TempFolder()
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

void WriteBytes(const std::wstring& path, const char* bytes, int64 size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("cannot write a file");
    for (int64 done = 0; done < size;) {
        DWORD n = static_cast<DWORD>(std::min<int64>(size - done, 8 << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, n, &written, nullptr) || written == 0)
            Fail("cannot write a file");
        done += written;
    }
    CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty())
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

int32 OpenAll(ActionBroker& broker, TextView* view, const std::vector<std::wstring>& paths)
{
    Array<String> files;
    files.Reset();
    for (const std::wstring& path : paths)
        files.Insert(files.Count(), String(path.c_str()));
    ActionRecord record;
    record.InitOpenFiles(view, true, files);
    ExecuteAction(broker, record);
    return broker.documents.Count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// One timer tick and every idle step of the pass; the pass end's time in
// *end when asked.
void RunPass(MainForm& form, std::vector<double>& steps, double* end)
{
    SendMessageW(form.GetHwnd(), WM_TIMER, kAutosaveTimer, 0);
    for (;;) {
        Clock clock;
        bool more = form.IdleWork();
        double t = clock.Seconds();
        steps.push_back(t);
        if (!more) {
            if (end)
                *end = t;
            return;
        }
        if (steps.size() > 100000)
            Fail("the pass does not end");
    }
}

void CloseAll(ActionBroker& broker, MainForm& form)
{
    for (int64 i = 0; i < broker.documents.Count(); i++) {
        broker.documents.At(i)->modified = 0;
        broker.documents.At(i)->DiscardAutosave();
    }
    form.RunAction(ActionCloseAll);
    PumpMessages();
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

// One autosave header line: UTF-16LE, then CR LF.
std::string Utf16Line(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text + L"\r\n") {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// A main window over a fresh broker, made as a start and destroyed as an end.
struct Start {
    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = MainForm::Create(broker);
    Start() { ShowWindow(form->GetHwnd(), SW_HIDE); }
    ~Start()
    {
        for (int64 i = 0; i < broker->documents.Count(); i++) {
            broker->documents.At(i)->modified = 0;
            broker->documents.At(i)->DiscardAutosave();
        }
        DestroyWindow(form->GetHwnd());
        PumpMessages();
        delete broker;
    }
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;
};

// A start restoring texts from the session file, beside a start opening
// them from the command line and ReadFile of the files.
void StartRestoring(const std::wstring& temp, const std::wstring& session, int texts)
{
    AppContext& context = AppContext::Current();
    std::vector<std::wstring> paths;
    std::string sessionBytes;
    std::string body;
    for (int line = 0; body.size() < 16000; line++)
        body += "    value[" + std::to_string(line) + "] = compute(alpha, beta); // za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n";
    for (int i = 0; i < texts; i++) {
        std::wstring path = temp + L"idle_bench_restore_" + std::to_wstring(i) + L".txt";
        WriteBytes(path, body.data(), static_cast<int64>(body.size()));
        paths.push_back(path);
        sessionBytes += "1:UTF-8:" + Utf8(path) + "\r\n2:\r\n3:" + std::to_string(i % 50) + ":4,17,120\r\n4:\r\n";
    }
    sessionBytes += "A:" + Utf8(paths[texts / 2]) + "\r\n";
    int64 read = 0;
    double reference = Time([&] {
        read = 0;
        for (const std::wstring& path : paths)
            read += static_cast<int64>(ReadBytes(path).size());
    });
    double restoring = 1e30;
    for (int run = 0; run < 2; run++) {
        WriteBytes(session, sessionBytes.data(), static_cast<int64>(sessionBytes.size()));
        Clock clock;
        Start start;
        double t = clock.Seconds();
        if (start.broker->documents.Count() != texts)
            Fail("the start did not restore the texts");
        if (start.form->activeView->CurrentDocument() !=
            start.broker->documents.FindByPath(String(paths[texts / 2].c_str())))
            Fail("the active text did not come back");
        restoring = std::min(restoring, t);
    }
    DeleteFileW(session.c_str());
    double commandLine = 1e30;
    for (int run = 0; run < 2; run++) {
        context.arguments.Reset();
        for (const std::wstring& path : paths)
            context.arguments.Insert(context.arguments.Count(), String(path.c_str()));
        Clock clock;
        Start start;
        double t = clock.Seconds();
        context.arguments.Reset();
        if (start.broker->documents.Count() != texts)
            Fail("the start did not open the files");
        commandLine = std::min(commandLine, t);
    }
    std::printf("%d texts of %zu bytes, %lld bytes read by the reference\n", texts, body.size(),
                static_cast<long long>(read));
    std::string n = std::to_string(texts);
    PrintFigure(("start restoring " + n + " texts").c_str(), 1000 * restoring, "ms");
    PrintFigure(("reference start opening the same " + n + " files from the command line").c_str(),
                1000 * commandLine, "ms");
    PrintFigure(("restoring / command line, " + n + " texts").c_str(), restoring / commandLine, "x");
    PrintFigure(("reference ReadFile of the " + n + " files").c_str(), 1000 * reference, "ms");
    for (const std::wstring& path : paths)
        DeleteFileW(path.c_str());
}

// The recovery of a crashed run's autosave of size bytes at a start.
void RecoveringAutosave(const std::wstring& temp, const std::wstring& data, int64 size)
{
    std::wstring textPath = temp + L"idle_bench_recovered.txt";
    WriteBytes(textPath, "old", 3);
    std::string header = Utf16Line(textPath) + Utf16Line(textPath) + Utf16Line(std::to_wstring(size)) +
                         Utf16Line(L"UTF-8") + Utf16Line(L"");
    std::string bytes = header;
    bytes.resize(header.size() + static_cast<size_t>(size));
    for (int64 i = 0; i < size; i++)
        bytes[header.size() + static_cast<size_t>(i)] =
            (i % 64 == 62) ? '\r' : (i % 64 == 63) ? '\n' : static_cast<char>('a' + i % 26);
    // Named as by a run long gone, later than the text's file.
    const std::wstring name = data + L"autosave\\gffff0000_00000000_fffffff0_00000001.autosave";
    double recovering = 1e30;
    double reference = 1e30;
    for (int run = 0; run < 2; run++) {
        // The window first: its own start would recover the file.
        Start start;
        ActionBroker& broker = *start.broker;
        while (broker.documents.Count() > 0)
            broker.RemoveText(start.form->activeView, broker.documents.At(0));
        WriteBytes(name, bytes.data(), static_cast<int64>(bytes.size()));
        reference = std::min(reference, Time([&] {
                                 if (ReadBytes(name).size() != bytes.size())
                                     Fail("the reference read fell short");
                             }, 1));
        Clock clock;
        broker.RecoverAutosaves(start.form->activeView);
        double t = clock.Seconds();
        TextDocument* text = broker.documents.FindByPath(String(textPath.c_str()));
        if (!text || text->text.Size() != size || !text->fromAutosave)
            Fail("the autosave did not come back");
        recovering = std::min(recovering, t);
    }
    double mb = static_cast<double>(size) / (1 << 20);
    std::printf("recovered autosave: %lld MB\n", static_cast<long long>(size >> 20));
    PrintFigure("recovering the autosave", 1000 * recovering, "ms");
    PrintFigure("recovering the autosave, speed", mb / recovering, "MB/s");
    PrintFigure("reference ReadFile of the autosave file", 1000 * reference, "ms");
    PrintFigure("reference ReadFile of the autosave file, speed", mb / reference, "MB/s");
    DeleteFileW(textPath.c_str());
}

}  // namespace

int Run(int argc, char** argv)
{
    int64 megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    const int64 size = megabytes << 20;
    OleInitialize(nullptr);
    AppContext& context = AppContext::Current();
    context.arguments.Reset();
    // A data folder of the benchmark's own beside it: autosaves go there.
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring data = program;
    data = data.substr(0, data.find_last_of(L'\\') + 1) + L"Scrivel Data\\";
    CreateDirectoryW(data.c_str(), nullptr);
    WriteBytes(data + L"appsettings.dat", "Hibernate=true\r\n", 16);
    context.DetectPortable();
    if (!context.portable)
        Fail("no portable data folder");

    const std::wstring temp = TempFolder();
    if (argc > 1 && std::string(argv[1]) == "restore") {
        // Only the starts restoring texts.
        if (argc > 2)
            StartRestoring(temp, data + L"hibernation.dat", std::atoi(argv[2]));
        else
            for (int texts : {500, 1000, 2000})
                StartRestoring(temp, data + L"hibernation.dat", texts);
        DeleteFileW((data + L"hibernation.dat").c_str());
        DeleteFileW((data + L"appsettings.dat").c_str());
        DeleteFileW((data + L"appsettings.dat.bak").c_str());
        RemoveDirectoryW((data + L"autosave").c_str());
        RemoveDirectoryW(data.c_str());
        OleUninitialize();
        return 0;
    }
    const std::wstring bigPath = temp + L"idle_bench_big.txt";
    std::string big(static_cast<size_t>(size), '\0');
    for (int64 i = 0; i < size; i++)
        big[static_cast<size_t>(i)] = (i % 64 == 62) ? '\r' : (i % 64 == 63) ? '\n' : static_cast<char>('a' + i % 26);
    WriteBytes(bigPath, big.data(), size);

    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = MainForm::Create(broker);
    ShowWindow(form->GetHwnd(), SW_HIDE);
    PumpMessages();

    // ---- idle steps while the 200 MB text is autosaved ----
    OpenAll(*broker, form->activeView, {bigPath});
    TextDocument* text = form->activeView->CurrentDocument();
    if (!text || text->text.Size() != size)
        Fail("the text did not open");
    std::vector<double> steps;
    for (int round = 0; round < 2; round++) {
        SendMessageW(form->activeView->GetHwnd(), WM_CHAR, L'x', 0);
        RunPass(*form, steps, nullptr);
        if (text->autosaveRunning || text->autosaveFinishedPath.IsEmpty())
            Fail("the autosave did not finish");
    }
    // Each piece written straight to a fresh file, the same bytes.
    std::vector<double> pieces;
    {
        std::wstring piecePath = data + L"idle_bench_piece.bin";
        HANDLE file = CreateFileW(piecePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        for (int64 at = 0; at < size; at += 0x40000) {
            DWORD n = static_cast<DWORD>(std::min<int64>(size - at, 0x40000));
            DWORD written = 0;
            Clock clock;
            WriteFile(file, big.data() + at, n, &written, nullptr);
            pieces.push_back(clock.Seconds());
        }
        CloseHandle(file);
        DeleteFileW(piecePath.c_str());
    }
    std::printf("idle steps of two autosaves of %lld MB: %zu\n", static_cast<long long>(megabytes), steps.size());
    PrintFigure("idle step while autosaving, median", 1000 * Median(steps), "ms");
    PrintFigure("idle step while autosaving, longest", 1000 * *std::max_element(steps.begin(), steps.end()), "ms");
    PrintFigure("reference WriteFile of 256 KiB, median", 1000 * Median(pieces), "ms");
    PrintFigure("reference WriteFile of 256 KiB, longest", 1000 * *std::max_element(pieces.begin(), pieces.end()), "ms");
    CloseAll(*broker, *form);
    DeleteFileW(bigPath.c_str());

    const std::wstring session = data + L"hibernation.dat";
    auto reference = [&](const char* name) {
        std::string bytes = ReadBytes(session);
        if (bytes.empty())
            Fail("no session file written");
        std::wstring copy = data + L"idle_bench_session.bin";
        double write = Time([&] { WriteBytes(copy, bytes.data(), static_cast<int64>(bytes.size())); });
        DeleteFileW(copy.c_str());
        std::printf("%s: %zu bytes\n", name, bytes.size());
        PrintFigure("reference WriteFile of the session file's bytes", 1000 * write, "ms");
    };

    // ---- the pass end with 2000 open texts ----
    {
        std::vector<std::wstring> paths;
        // Up to the limit of open texts: one more would be refused with an alert.
        for (int i = broker->documents.Count(); i < 2000; i++) {
            std::wstring path = temp + L"idle_bench_text_" + std::to_wstring(i) + L".txt";
            std::string body = "text " + std::to_string(i) + "\r\nsecond line\r\n";
            WriteBytes(path, body.data(), static_cast<int64>(body.size()));
            paths.push_back(path);
        }
        int32 open = OpenAll(*broker, form->activeView, paths);
        std::printf("texts open: %d\n", static_cast<int>(open));
        std::vector<double> passSteps;
        double end = 0;
        form->sessionChanged = 1;
        DeleteFileW(session.c_str());
        RunPass(*form, passSteps, &end);
        PrintFigure("pass end rewriting hibernation.dat, 2000 texts", 1000 * end, "ms");
        reference("session file of 2000 texts");
        CloseAll(*broker, *form);
        for (const std::wstring& path : paths)
            DeleteFileW(path.c_str());
    }

    // ---- the pass end with a 200 MB text on one line, the caret at its end ----
    {
        for (int64 i = 0; i < size; i++)
            big[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
        WriteBytes(bigPath, big.data(), size);
        std::string().swap(big);
        OpenAll(*broker, form->activeView, {bigPath});
        TextDocument* line = form->activeView->CurrentDocument();
        if (!line || line->text.Size() != size)
            Fail("the one-line text did not open");
        form->activeView->SetCaret(line, size, 0, 0);
        std::vector<double> passSteps;
        double end = 0;
        form->sessionChanged = 1;
        DeleteFileW(session.c_str());
        RunPass(*form, passSteps, &end);
        PrintFigure("pass end rewriting hibernation.dat, 200 MB one-line text, caret at its end", 1000 * end, "ms");
        reference("session file of the one-line text");
        std::string written = ReadBytes(session);
        std::string column = ":0:" + std::to_string(size) + "\r\n";
        if (written.find(column) == std::string::npos)
            Fail("the caret column is wrong");
        CloseAll(*broker, *form);
        DeleteFileW(bigPath.c_str());
    }

    DestroyWindow(form->GetHwnd());
    PumpMessages();
    delete broker;

    for (int texts : {500, 1000, 2000})
        StartRestoring(temp, session, texts);
    RecoveringAutosave(temp, data, size);

    DeleteFileW(session.c_str());
    DeleteFileW((data + L"appsettings.dat").c_str());
    DeleteFileW((data + L"appsettings.dat.bak").c_str());
    RemoveDirectoryW((data + L"autosave").c_str());
    RemoveDirectoryW(data.c_str());
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
