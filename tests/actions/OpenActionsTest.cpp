#include "BrokerTestSupport.h"

#include <doctest.h>

#include "base/Paths.h"
#include "gui/FileDialogs.h"
#include "support/DocumentText.h"
#include "support/FileFaults.h"
#include "support/TempFolder.h"

#include <string>
#include <vector>

using doctext::Bytes;

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

// Runs -97 with the given names, as a drop (false) or the command line (true).
ActionRecord OpenList(BrokerBench& bench, std::vector<String> names, bool fromCommandLine, int view = 0)
{
    Array<String> files;
    files.Reset();
    for (const String& name : names)
        files.Insert(files.Count(), name);
    ActionRecord record;
    record.InitOpenFiles(bench.views[view], fromCommandLine, files);
    ExecuteAction(*bench.broker, record);
    return record;
}

size_t Questions(const BrokerBench& bench)
{
    size_t n = 0;
    for (const auto& alert : bench.alerts.alerts)
        n += alert.buttons.empty() ? 0 : 1;
    return n;
}

// The classic open dialog, answered with a fixed name buffer.
std::wstring dialogAnswer;
std::wstring dialogFolder;
const FileDialogCalls kAnsweredDialogs = {
    [](REFCLSID, REFIID, void** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    },
    [](OPENFILENAMEW* r) -> BOOL {
        dialogFolder = r->lpstrInitialDir ? r->lpstrInitialDir : L"";
        if (dialogAnswer.empty())
            return FALSE;
        memcpy(r->lpstrFile, dialogAnswer.data(), (dialogAnswer.size() + 1) * sizeof(wchar_t));
        return TRUE;
    },
    nullptr,
};

struct AnsweredDialogs {
    explicit AnsweredDialogs(std::wstring answer)
    {
        dialogAnswer = std::move(answer);
        SetFileDialogCalls(&kAnsweredDialogs);
    }
    ~AnsweredDialogs() { SetFileDialogCalls(nullptr); }
};

FILETIME Later(FILETIME time, int64 seconds)
{
    u64 value = FileTimeValue(time) + static_cast<u64>(seconds * 10000000);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

}  // namespace

TEST_CASE("the backup question goes by the last four characters only")
{
    TempFolder folder;
    BrokerBench bench;
    for (const wchar_t* name : {L"a.BAK", L"x.bak.txt", L"b.Bak"})
        WriteFileBytes(folder / name, "bytes");
    bench.alerts.answers = {1};  // Cancel
    OpenList(bench, {folder / L"a.BAK"}, false);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].buttons.find(L"|") != std::wstring::npos);
    CHECK(bench.broker->documents.Count() == 0);

    bench.alerts.alerts.clear();
    OpenList(bench, {folder / L"x.bak.txt"}, false);
    CHECK(bench.alerts.alerts.empty());
    CHECK(bench.broker->documents.Count() == 1);

    bench.alerts.answers = {0};
    OpenList(bench, {folder / L"b.Bak"}, false);
    CHECK(Questions(bench) == 1);
    CHECK(bench.broker->documents.Count() == 2);

    // Too short to end in ".bak": a failure of its own, never the question.
    bench.alerts.alerts.clear();
    OpenList(bench, {String(L"bak")}, false);
    CHECK(Questions(bench) == 0);
    CHECK(bench.alerts.alerts.size() == 1);
}

TEST_CASE("the untouched start-up text gives way to the first file; a touched one stays")
{
    TempFolder folder;
    WriteFileBytes(folder / L"one.txt", "one");
    BrokerBench bench;
    SUBCASE("untouched")
    {
        REQUIRE(bench.NewText());
        OpenList(bench, {folder / L"one.txt"}, true);
        REQUIRE(bench.broker->documents.Count() == 1);
        CHECK(W(bench.views[0]->CurrentDocument()->GetPath()) == W(folder / L"one.txt"));
        CHECK(bench.views[1]->CurrentDocument() == bench.broker->documents.At(0));
        CHECK(bench.broker->recentFiles.FindLast(folder / L"one.txt", 0) >= 0);
    }
    SUBCASE("typed into and emptied again: it has history")
    {
        TextDocument* start = bench.NewText();
        RunChar(*bench.broker, L'x', bench.views[0]);
        RunChar(*bench.broker, 8, bench.views[0]);
        start->modified = 0;
        OpenList(bench, {folder / L"one.txt"}, true);
        CHECK(bench.broker->documents.Count() == 2);
    }
    SUBCASE("named")
    {
        REQUIRE(bench.NewText(0, L"C:\\nowhere\\named.txt"));
        OpenList(bench, {folder / L"one.txt"}, true);
        CHECK(bench.broker->documents.Count() == 2);
    }
}

TEST_CASE("a list with failing files: alert, then Continue loading? only while files remain")
{
    TempFolder folder;
    WriteFileBytes(folder / L"1.txt", "1");
    WriteFileBytes(folder / L"3.txt", "3");
    BrokerBench bench;
    TextDocument* previous = bench.NewText(0, L"C:\\x\\kept.txt");
    REQUIRE(previous);
    size_t before = bench.broker->documents.Count();

    bench.alerts.answers = {0};
    OpenList(bench, {folder / L"1.txt", folder / L"missing.txt", folder / L"3.txt"}, false);
    REQUIRE(bench.alerts.alerts.size() == 2);
    CHECK(bench.alerts.alerts[0].buttons.empty());
    CHECK(bench.alerts.alerts[0].title == L"Open - Scrivel");
    CHECK(bench.alerts.alerts[1].message == L"Continue loading?");
    CHECK(static_cast<size_t>(bench.broker->documents.Count()) == before + 2);
    CHECK(W(bench.views[0]->CurrentDocument()->GetPath()) == W(folder / L"3.txt"));

    // The last one fails: no question; the half-made text goes and the text
    // shown before comes back.
    bench.alerts.alerts.clear();
    bench.broker->ActivateText(bench.views[0], previous);
    OpenList(bench, {folder / L"missing2.txt"}, false);
    CHECK(bench.alerts.alerts.size() == 1);
    CHECK(static_cast<size_t>(bench.broker->documents.Count()) == before + 2);
    CHECK(bench.views[0]->CurrentDocument() == previous);
    CHECK(bench.broker->documents.FindByPath(folder / L"missing2.txt") == nullptr);
}

TEST_CASE("an open file: the command line leaves it alone, a drop asks to reload it; carets keep line and column")
{
    TempFolder folder;
    String path = folder / L"r.txt";
    WriteFileBytes(path, "first line\nsecond line here\nthird");
    BrokerBench bench;
    OpenList(bench, {path}, false);
    TextDocument* doc = bench.views[0]->CurrentDocument();
    REQUIRE(doc);
    TextDocument* other = bench.NewText();
    REQUIRE(other);
    bench.views[1]->OnDocumentEvent(BroadcastRecord{BroadcastCurrentChanged, doc, bench.views[1], 0},
                                    BroadcastCurrentChanged);
    bench.views[1]->SetCaret(doc, 11 + 14, 0, 0);  // line 1, column 14
    bench.views[0]->ShowDocument(doc);
    bench.views[0]->SetCaret(doc, 3, 0, 0);
    bench.broker->ActivateText(bench.views[0], other);
    REQUIRE(bench.views[0]->CurrentDocument() == other);

    bench.alerts.alerts.clear();
    OpenList(bench, {path}, true);
    CHECK(bench.alerts.alerts.empty());
    CHECK(bench.views[0]->CurrentDocument() == other);

    WriteFileBytes(path, "fir\nsecond\nthird");
    RunChar(*bench.broker, L'z', bench.views[1]);  // a change the reload reverts
    bench.alerts.answers = {0};
    OpenList(bench, {path}, false);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].message.find(W(path)) != std::wstring::npos);
    CHECK(bench.views[0]->CurrentDocument() == doc);
    CHECK(Bytes(*doc) == "fir\nsecond\nthird");
    CHECK(doc->modified == 0);
    CHECK(bench.views[0]->FindViewState(doc)->CaretPosition() == 3);
    CHECK(bench.views[1]->FindViewState(doc)->CaretPosition() == 4 + 6);  // clamped to the line's end

    // Cancel at the question keeps the text as it is.
    RunChar(*bench.broker, L'q', bench.views[0]);
    bench.alerts.answers = {1};
    OpenList(bench, {path}, false);
    CHECK(doc->modified == 1);
}

TEST_CASE("2000 open texts: adding one more is refused")
{
    BrokerBench bench;
    REQUIRE(bench.NewText());
    while (bench.broker->documents.Count() < kMaxOpenTexts)
        bench.broker->documents.NewDocument(nullptr);
    ActionRecord record = bench.Run(ActionNewText);
    CHECK(record.outcome == OutcomeFailed);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].code == -102);
    CHECK(bench.broker->documents.Count() == kMaxOpenTexts);
    {
        AnsweredDialogs dialogs(L"C:\\x.txt");
        CHECK(bench.Run(ActionOpenDialog).outcome == OutcomeFailed);
        CHECK(bench.alerts.alerts.back().code == -102);
    }
}

TEST_CASE("the open dialog starts in the current text's folder and opens every chosen file")
{
    TempFolder folder;
    WriteFileBytes(folder / L"a.txt", "a");
    WriteFileBytes(folder / L"b.txt", "b");
    BrokerBench bench;
    REQUIRE(bench.NewText(0, (folder / L"current.txt").CStr()));
    std::wstring answer = W(folder.Path());
    answer.pop_back();
    answer += std::wstring(L"\0a.txt\0b.txt\0", 13);
    {
        AnsweredDialogs dialogs(answer);
        CHECK(bench.Run(ActionOpenDialog).outcome == OutcomeDone);
    }
    CHECK(dialogFolder == W(folder.Path()));
    CHECK(bench.broker->documents.Count() == 3);
    {
        AnsweredDialogs nothing(L"");
        CHECK(bench.Run(ActionOpenDialog).outcome == OutcomeAborted);
    }
    CHECK(bench.alerts.alerts.empty());
}

TEST_CASE("paste file: decoded by its BOM and put in place of the selection; an empty file changes nothing")
{
    TempFolder folder;
    WriteFileBytes(folder / L"p.txt", std::string("\xFF\xFE" "z\0\x7C\x01", 6));
    WriteFileBytes(folder / L"empty.txt", "");
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    RunChar(*bench.broker, L'a', bench.views[0]);
    {
        AnsweredDialogs dialogs(W(folder / L"p.txt"));
        CHECK(bench.Run(ActionPasteFile).outcome == OutcomeDone);
    }
    CHECK(Bytes(*doc) == "az\xC5\xBC");
    int64 history = doc->undoPosition;
    {
        AnsweredDialogs dialogs(W(folder / L"empty.txt"));
        CHECK(bench.Run(ActionPasteFile).outcome == OutcomeDone);
    }
    CHECK(doc->undoPosition == history);
    CHECK(bench.alerts.alerts.empty());
}

TEST_CASE("paste file: a file shorter when read than when sized is an end-of-file error, nothing pasted")
{
    TempFolder folder;
    String path = folder / L"cut.txt";
    WriteFileBytes(path, "whole file\r\n");
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    RunChar(*bench.broker, L'a', bench.views[0]);
    int64 history = doc->undoPosition;
    {
        AnsweredDialogs dialogs(W(path));
        ShortRead cut;
        CHECK(bench.Run(ActionPasteFile).outcome == OutcomeFailed);
        CHECK(ShortRead::Reads() >= 1);
    }
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].code == -4);
    CHECK(bench.alerts.alerts[0].message.find(W(path)) != std::wstring::npos);
    CHECK(Bytes(*doc) == "a");
    CHECK(doc->undoPosition == history);
}

TEST_CASE("command-line files: switches skipped, names made full and normal")
{
    Array<String> arguments;
    arguments.Reset();
    for (const wchar_t* a : {L"--OPT:Updated", L"::x", L"C:/a/../b.txt", L"--opt:updated", L"", L"rel.txt"})
        arguments.Insert(arguments.Count(), String(a));
    Array<String> files = CommandLineFiles(arguments);
    REQUIRE(files.Count() == 3);
    CHECK(W(files.At(0)) == L"C:\\b.txt");
    // Only the first argument is a report of an update.
    CHECK(W(files.At(1)).find(L"--opt:updated") != std::wstring::npos);
    CHECK(W(files.At(2)).size() > 3);

    Array<String> failed;
    failed.Reset();
    failed.Insert(0, String(L"--opt:UPDATEFAILED"));
    CHECK(CommandLineFiles(failed).Count() == 0);
}

TEST_CASE("changed on disk: a newer time asks once, Cancel waits for the next change, older or gone is quiet")
{
    TempFolder folder;
    String one = folder / L"one.txt";
    String two = folder / L"two.txt";
    WriteFileBytes(one, "one");
    WriteFileBytes(two, "two");
    BrokerBench bench;
    OpenList(bench, {one, two}, false);
    TextDocument* first = bench.broker->documents.FindByPath(one);
    TextDocument* second = bench.broker->documents.FindByPath(two);
    REQUIRE(first);
    REQUIRE(second);
    TextDocument* shown = bench.NewText();
    REQUIRE(shown);
    bench.alerts.alerts.clear();

    FILETIME base = GetFileWriteTime(one.CStr());
    SUBCASE("newer: one question; Cancel is not asked again until the next change")
    {
        SetFileWriteTime(one, Later(base, 60));
        bench.alerts.answers = {1};
        bench.Run(ActionCheckChangedOnDisk);
        REQUIRE(bench.alerts.alerts.size() == 1);
        CHECK(bench.alerts.alerts[0].title == L"Text loading - Scrivel");
        CHECK(bench.views[0]->CurrentDocument() == shown);
        bench.Run(ActionCheckChangedOnDisk);
        CHECK(bench.alerts.alerts.size() == 1);
        SetFileWriteTime(one, Later(base, 120));
        WriteFileBytes(one, "changed");
        SetFileWriteTime(one, Later(base, 120));
        bench.alerts.answers = {0};
        bench.Run(ActionCheckChangedOnDisk);
        CHECK(bench.alerts.alerts.size() == 2);
        CHECK(Bytes(*first) == "changed");
        bench.Run(ActionCheckChangedOnDisk);
        CHECK(bench.alerts.alerts.size() == 2);
    }
    SUBCASE("older or deleted: nothing")
    {
        SetFileWriteTime(one, Later(base, -3600));
        DeleteFileW(two.CStr());
        bench.Run(ActionCheckChangedOnDisk);
        CHECK(bench.alerts.alerts.empty());
        CHECK(second->fileTime != 0);
    }
    SUBCASE("two changed texts: two questions in list order, the current text back after each")
    {
        SetFileWriteTime(one, Later(base, 60));
        SetFileWriteTime(two, Later(base, 60));
        std::vector<TextDocument*> asked;
        bench.failOn = [&](const BroadcastRecord& r) {
            if (r.kind == BroadcastCurrentChanged && r.document != shown)
                asked.push_back(r.document);
        };
        bench.alerts.answers = {1, 1};
        bench.broadcasts.clear();
        bench.Run(ActionCheckChangedOnDisk);
        bench.failOn = nullptr;
        REQUIRE(bench.alerts.alerts.size() == 2);
        CHECK(bench.alerts.alerts[0].message.find(W(one)) != std::wstring::npos);
        CHECK(bench.alerts.alerts[1].message.find(W(two)) != std::wstring::npos);
        CHECK(asked == std::vector<TextDocument*>{first, second});
        CHECK(bench.Kinds() == std::vector<int32>{2, 2, 2, 2});
        CHECK(bench.views[0]->CurrentDocument() == shown);
    }
}

TEST_CASE("next, previous and moves wrap and stay inside the list")
{
    BrokerBench bench;
    TextDocument* a = bench.NewText();
    TextDocument* b = bench.NewText();
    TextDocument* c = bench.NewText();
    REQUIRE(c);
    bench.Run(ActionNextText);
    CHECK(bench.views[0]->CurrentDocument() == a);
    bench.Run(ActionPreviousText);
    CHECK(bench.views[0]->CurrentDocument() == c);
    bench.broadcasts.clear();
    for (int64 index : {3, -1, 100})
    {
        ActionRecord record;
        record.InitPlain(ActionMoveTextTo, bench.views[0]);
        record.number1 = index;
        ExecuteAction(*bench.broker, record);
    }
    CHECK(bench.broadcasts.empty());
    ActionRecord move;
    move.InitPlain(ActionMoveTextTo, bench.views[0]);
    move.document = a;
    move.number1 = 2;
    ExecuteAction(*bench.broker, move);
    CHECK(bench.broker->documents.At(2) == a);
    CHECK(bench.Kinds() == std::vector<int32>{15});
    // [b, c, a]: c, the current text, goes right, then stays at the end.
    bench.Run(ActionMoveTextRight);
    CHECK(bench.broker->documents.At(2) == c);
    bench.Run(ActionMoveTextRight);
    CHECK(bench.broker->documents.At(2) == c);
    bench.Run(ActionMoveTextLeft);
    CHECK(bench.broker->documents.At(1) == c);
    CHECK(bench.broker->documents.At(0) == b);
}

TEST_CASE("save of a text with a file: written with its backup, then saved, path and repaint notices")
{
    TempFolder folder;
    String path = folder / L"s.txt";
    WriteFileBytes(path, "old\n");
    BrokerBench bench;
    OpenList(bench, {path}, false);
    TextDocument* doc = bench.views[0]->CurrentDocument();
    REQUIRE(doc);
    RunChar(*bench.broker, L'ż', bench.views[0]);
    bench.broadcasts.clear();
    CHECK(bench.Run(ActionSave).outcome == OutcomeDone);
    CHECK(ReadFileBytes(path) == "\xC5\xBCold\n");
    CHECK(ReadFileBytes(folder / L"s.txt.bak") == "old\n");
    CHECK(doc->modified == 0);
    CHECK(bench.Kinds() == std::vector<int32>{4, 10, 5});

    // Saved again unchanged: no repaint notice, the flag did not change.
    bench.broadcasts.clear();
    CHECK(bench.Run(ActionSave).outcome == OutcomeDone);
    CHECK(bench.Kinds() == std::vector<int32>{4, 10});
    CHECK(bench.alerts.alerts.empty());
}
