// Caret keys, go to line and saving through the action broker, in a large
// text and in a 1 MB text of the same kind: Ctrl+End from the top until
// painted, go to the middle line (action 58) until painted, a caret move
// onto a bracket without partner (the whole 10000-byte search) beside a
// plain caret move, and Save (action 47) beside WriteFile of the same
// bytes. The main window is the real one, with its views, tabs and title
// following every broadcast.
// Usage: move_save_bench [megabytes, 1024 by default]; needs a display (Xvfb).

#include "actions/ActionBroker.h"
#include "base/AppContext.h"
#include "base/Error.h"
#include "editor/MainForm.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include "bench/BenchTiming.h"
#include "StringLoader.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

// Lines of 20 to 99 characters, CR LF ended, without brackets.
std::string MakeText(size_t bytes)
{
    std::mt19937 rng(11);
    std::string text;
    text.reserve(bytes + 128);
    while (text.size() < bytes) {
        size_t n = 20 + rng() % 80;
        for (size_t i = 0; i < n; i++)
            text += static_cast<char>(i % 7 == 6 ? ' ' : 'a' + rng() % 26);
        text += "\r\n";
    }
    text.resize(bytes);
    return text;
}

void Painted(TextView& view)
{
    view.Invalidate();
    view.Update();
}

String TempName(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    String path;
    path.Concat(folder, n, name, static_cast<int64>(wcslen(name)));
    return path;
}

double WriteFileOnce(const std::string& bytes, const String& path)
{
    return Time([&] {
        HANDLE file = CreateFileW(path.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            ThrowLastError(path.CStr());
        size_t at = 0;
        while (at < bytes.size()) {
            DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 20));
            DWORD written = 0;
            if (!WriteFile(file, bytes.data() + at, piece, &written, nullptr) || written != piece) {
                CloseHandle(file);
                ThrowLastError(path.CStr());
            }
            at += piece;
        }
        CloseHandle(file);
    }, 1);
}

void Measure(const std::string& label, ActionBroker& broker, MainForm& form, const std::string& bytes)
{
    // A new text through the broker, filled with the bytes as a load would.
    TextView* active = form.activeView;
    ActionRecord record;
    record.InitPlain(ActionNewText, active);
    String path = TempName(L"move_save_bench.txt");
    record.text = path;
    ExecuteAction(broker, record);
    TextDocument* doc = active->CurrentDocument();
    if (record.outcome != OutcomeDone || !doc)
        throw InternalError();
    StringLoader loader(bytes);
    doc->text.Load(loader);
    broker.Broadcast(BroadcastContentReplaced, doc, active);
    TextView& view = *active;
    PumpMessages();
    Painted(view);

    // Best of a few runs, each from the top of a painted view.
    auto fromTop = [&](const std::function<void()>& work) {
        double best = 1e30;
        for (int i = 0; i < 3; i++) {
            view.SetCaret(doc, 0, CaretScrollIntoView, 2);
            Painted(view);
            Clock clock;
            work();
            Painted(view);
            best = std::min(best, clock.Seconds());
        }
        return best;
    };
    double end = fromTop([&] { PostAction(broker, ActionTextEnd, &view); });
    if (view.currentState->CaretPosition() != doc->text.Size())
        throw InternalError();
    Report(label + " ctrl_end_until_painted", end * 1000, "ms");

    int64 middle = doc->text.LineBreakCount() / 2;
    double go = fromTop([&] {
        ActionRecord to;
        to.InitPlain(ActionGoToPosition, &view);
        to.number1 = middle;
        to.number2 = 5;
        ExecuteAction(broker, to);
    });
    if (doc->text.LineOfOffset(view.currentState->CaretPosition()) != middle)
        throw InternalError();
    Report(label + " go_to_middle_line_until_painted", go * 1000, "ms");

    // A "(" with no ")" after it: the search reads its whole window.
    String open(L"(");
    int64 at = doc->text.LineStart(middle);
    ActionRecord put;
    put.InitReplaceRange(&view, at, at, open);
    ExecuteAction(broker, put);
    int runs = 2000;
    double plain = Time([&] {
        for (int i = 0; i < runs; i++) {
            view.SetCaret(doc, at + 3, 0, 0);
            PostAction(broker, ActionCharLeft, &view);
            ShowMatchingBracket(&view, doc);
        }
    });
    double bracket = Time([&] {
        for (int i = 0; i < runs; i++) {
            view.SetCaret(doc, at + 1, 0, 0);
            PostAction(broker, ActionCharLeft, &view);
            if (ShowMatchingBracket(&view, doc))
                throw InternalError();
        }
    });
    Report(label + " caret_move_onto_unmatched_bracket", bracket / runs * 1e6, "us");
    Report(label + " reference: caret_move_without_bracket", plain / runs * 1e6, "us");

    // The first save makes the file; the timed one replaces it with the
    // backup steps the default settings ask for.
    PostAction(broker, ActionSave, &view);
    double save = Time([&] {
        doc->modified = 1;
        PostAction(broker, ActionSave, &view);
        if (doc->modified)
            throw InternalError();
    }, 1);
    Report(label + " save_with_backup", save * 1000, "ms");
    std::string written(static_cast<size_t>(doc->text.Size()), '\0');
    doc->text.CopyBytes(0, reinterpret_cast<u8*>(&written[0]), doc->text.Size());
    String reference = TempName(L"move_save_bench_reference.txt");
    Report(label + " reference: WriteFile_same_bytes", WriteFileOnce(written, reference) * 1000, "ms");

    DeleteFileW(reference.CStr());
    DeleteFileW(path.CStr());
    String backup;
    backup.Concat(path.CStr(), path.Length(), L".bak", 4);
    DeleteFileW(backup.CStr());
    ActionRecord close;
    close.InitPlain(ActionCloseText, &view);
    ExecuteAction(broker, close);
    PumpMessages();
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        AppContext context(GetModuleHandleW(nullptr));
        size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 1024;
        OleInitialize(nullptr);
        AppContext::Current().DetectPortable();
        // The size given to the benchmark is no file for the window to open.
        AppContext::Current().arguments.Reset();
        AppContext::Settings().SetText(L"FontAntialiasing", L"none");
        ActionBroker* broker = ActionBroker::Create();
        MainForm* form = MainForm::Create(broker);
        SetWindowPos(form->GetHwnd(), nullptr, 0, 0, 1000, 800, SWP_NOZORDER | SWP_NOACTIVATE);
        PumpMessages();

        Measure("1 MB", *broker, *form, MakeText(1000000));
        Measure(std::to_string(megabytes) + " MB", *broker, *form, MakeText(megabytes * 1000000));
        DestroyWindow(form->GetHwnd());
        PumpMessages();
        delete broker;
        OleUninitialize();
    } catch (const Error& e) {
        std::printf("failed: error %d\n", static_cast<int>(e.code));
        return 1;
    }
    return 0;
}
