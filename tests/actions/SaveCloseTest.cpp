#include "BrokerTestSupport.h"

#include <doctest.h>

#include "base/UiLanguage.h"
#include "gui/FileDialogs.h"
#include "support/DocumentText.h"
#include "support/FileFaults.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"

#include <cwchar>
#include <deque>
#include <string>

namespace {

// The save dialog answers with the queued names (empty: cancelled) and
// remembers what it was offered.
struct SaveDialogs {
    std::deque<std::wstring> names;
    std::wstring offeredFile;
    std::wstring offeredFolder;
    int calls = 0;
};
SaveDialogs* Dialogs = nullptr;

const FileDialogCalls kSaveCalls = {
    [](REFCLSID, REFIID, void** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    },
    nullptr,
    [](OPENFILENAMEW* r) -> BOOL {
        Dialogs->calls++;
        Dialogs->offeredFile = r->lpstrFile ? r->lpstrFile : L"";
        Dialogs->offeredFolder = r->lpstrInitialDir ? r->lpstrInitialDir : L"";
        if (Dialogs->names.empty())
            return FALSE;
        std::wstring name = Dialogs->names.front();
        Dialogs->names.pop_front();
        if (name.empty() || name.size() + 1 > r->nMaxFile)
            return FALSE;
        wcscpy(r->lpstrFile, name.c_str());
        return TRUE;
    },
};

// A broker bench in English with the save dialog answered and a folder to
// save in.
struct SaveBench : BrokerBench {
    SaveBench()
    {
        saved = UiLanguageId();
        SetUiLanguageId(9);
        Dialogs = &dialogs;
        SetFileDialogCalls(&kSaveCalls);
    }
    ~SaveBench()
    {
        SetFileDialogCalls(nullptr);
        Dialogs = nullptr;
        SetUiLanguageId(saved);
    }
    // A text shown in view 0 holding s, modified.
    TextDocument* Typed(const wchar_t* s, const wchar_t* path = nullptr)
    {
        TextDocument* doc = NewText(0, path);
        REQUIRE(doc);
        doctext::Type(*doc, 0, s);
        return doc;
    }
    ActionRecord RunOn(int32 code, TextDocument* doc)
    {
        ActionRecord record;
        record.InitPlain(code, views[0]);
        record.document = doc;
        ExecuteAction(*broker, record);
        return record;
    }
    std::wstring Path(const wchar_t* name) { return (folder / name).CStr(); }

    SaveDialogs dialogs;
    TempFolder folder;
    int32 saved;
};

// Autosaves the text whole; answers the complete file's path.
String Autosave(TextDocument& doc)
{
    int steps = 0;
    do
        doc.AutosaveStep();
    while (doc.autosaveRunning && ++steps < 100);
    return doc.autosaveFinishedPath;
}

}  // namespace

TEST_CASE("an unsaved-changes question that ends without Save or Abandon loses nothing")
{
    SaveBench bench;
    TextDocument* other = bench.Typed(L"other");
    TextDocument* doc = bench.Typed(L"precious");
    String autosave = Autosave(*doc);
    REQUIRE(PathExists(autosave));
    // -1 is what an alert closed without a button answers; 2 is Cancel.
    for (int32 answer : {-1, 2, 3}) {
        CAPTURE(answer);
        bench.alerts.alerts.clear();
        bench.alerts.answers = {answer};
        CHECK(bench.RunOn(ActionCloseText, doc).outcome == OutcomeAborted);
        CHECK(bench.broker->documents.IndexOf(doc) >= 0);
        CHECK(doc->modified);

        bench.alerts.answers = {answer};
        CHECK(bench.Run(ActionCloseAll).outcome == OutcomeAborted);
        CHECK(bench.broker->documents.Count() == 2);
        CHECK(doc->modified);
        if (answer == -1)
            CHECK(other->modified);
        CHECK(PathExists(autosave));

        bench.alerts.answers = {0, answer};
        bench.dialogs.names = {bench.Path(L"other.txt")};
        ActionRecord all = bench.Run(ActionAskSaveAll);
        CHECK(all.outcome == OutcomeAborted);
        CHECK(doc->modified);
        CHECK(PathExists(autosave));

        bench.alerts.answers = {answer};
        CHECK(bench.RunOn(ActionAskSave, doc).outcome == OutcomeAborted);
        CHECK(doc->modified);
        CHECK(bench.alerts.alerts.back().message == L"Unsaved changes\n<no name>\n\nSave?");
        CHECK(bench.alerts.alerts.back().buttons == L"+Save|&Abandon changes|&Cancel");
        CHECK(bench.alerts.alerts.back().title == L"Save - Scrivel");
        CHECK(PathExists(autosave));
    }
    // The first text was saved by the first AskSaveAll and asks no more.
    CHECK_FALSE(other->modified);
    CHECK(bench.broker->documents.Count() == 2);
}

TEST_CASE("Save As checks the name: backups, other texts, existing files, in that order")
{
    SaveBench bench;
    TextDocument* open = bench.Typed(L"open", bench.Path(L"open.txt").c_str());
    TextDocument* doc = bench.Typed(L"abc");
    WriteFileBytes(bench.folder / L"exists.txt", "old");

    struct Case {
        std::wstring name;
        std::deque<int32> answers;
        std::wstring message;  // of the first alert
    } cases[] = {
        {bench.Path(L"x.BAK"), {},
         L"You are trying to save the file under the name reserved for backups. Such a file can be easily lost so "
         L"I will not let you save it."},
        {bench.Path(L"OPEN.txt"), {},
         L"You try to save the file under the name used by another text.\n" + bench.Path(L"OPEN.txt") +
             L"\nThis may result in the loss of one of them so I will not allow you to save it."},
        {bench.Path(L"exists.txt"), {1}, L"File\n" + bench.Path(L"exists.txt") + L"\nalready exists.\n\nOverwrite?"},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.name.begin(), c.name.end()));
        bench.alerts.alerts.clear();
        bench.alerts.answers = c.answers;
        bench.dialogs.names = {c.name};
        bench.broadcasts.clear();
        CHECK(bench.RunOn(ActionSaveAs, doc).outcome == OutcomeAborted);
        REQUIRE(bench.alerts.alerts.size() == 1);
        CHECK(bench.alerts.alerts[0].message == c.message);
        CHECK(bench.alerts.alerts[0].title == L"Save - Scrivel");
        CHECK(doc->modified);
        CHECK(doc->GetPath().IsEmpty());
        CHECK(bench.broadcasts.empty());
    }
    CHECK_FALSE(PathExists(bench.folder / L"x.BAK"));
    CHECK(ReadFileBytes(bench.folder / L"exists.txt") == "old");
    CHECK_FALSE(PathExists(bench.folder / L"open.txt"));

    // A backup name is refused before the name of an open text is looked at.
    bench.alerts.alerts.clear();
    bench.dialogs.names = {bench.Path(L"open.txt")};
    CHECK(bench.RunOn(ActionSaveCopy, open).outcome == OutcomeAborted);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].message.find(L"used by another text") != std::wstring::npos);

    // Overwriting when asked to: saved, named, and broadcast in order.
    bench.alerts.alerts.clear();
    bench.alerts.answers = {0};
    bench.dialogs.names = {bench.Path(L"exists.txt")};
    bench.broadcasts.clear();
    CHECK(bench.RunOn(ActionSaveAs, doc).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.size() == 1);
    CHECK(ReadFileBytes(bench.folder / L"exists.txt") == "abc");
    CHECK(doc->GetPath().Equals(bench.Path(L"exists.txt").c_str()));
    CHECK_FALSE(doc->modified);
    CHECK(bench.Kinds() == std::vector<int32>{4, 10, 5});

    // Its own name again: no question.
    doctext::Type(*doc, 3, L"d");
    bench.alerts.alerts.clear();
    bench.dialogs.names = {bench.Path(L"EXISTS.txt")};
    CHECK(bench.RunOn(ActionSaveAs, doc).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.empty());
    CHECK(ReadFileBytes(bench.folder / L"exists.txt") == "abcd");
    // The dialog offered the text's own name in its folder.
    CHECK(bench.dialogs.offeredFile == bench.Path(L"exists.txt"));

    // A copy under its own name is refused; under another it leaves the text as it is.
    doctext::Type(*doc, 4, L"e");
    bench.dialogs.names = {bench.Path(L"exists.txt")};
    CHECK(bench.RunOn(ActionSaveCopy, doc).outcome == OutcomeAborted);
    bench.dialogs.names = {bench.Path(L"copy.txt")};
    bench.broadcasts.clear();
    CHECK(bench.RunOn(ActionSaveCopy, doc).outcome == OutcomeDone);
    CHECK(ReadFileBytes(bench.folder / L"copy.txt") == "abcde");
    CHECK(doc->modified);
    // The name as it was typed.
    CHECK(doc->GetPath().Equals(bench.Path(L"EXISTS.txt").c_str()));
    CHECK(bench.broadcasts.empty());
}

TEST_CASE("Save Selection asks the name first, then finds nothing selected and writes nothing")
{
    SaveBench bench;
    TextDocument* doc = bench.Typed(L"hello world");
    bench.dialogs.names = {bench.Path(L"part.txt")};
    CHECK(bench.RunOn(ActionSaveSelection, doc).outcome == OutcomeDone);
    CHECK(bench.dialogs.calls == 1);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].message == L"Nothing selected.");
    CHECK(bench.alerts.alerts[0].title == L"Save selection to file - Scrivel");
    CHECK_FALSE(PathExists(bench.folder / L"part.txt"));

    bench.views[0]->SetCaret(doc, 6, 0, 0);
    bench.views[0]->SetCaret(doc, 11, CaretKeepAnchor, 0);
    bench.dialogs.names = {bench.Path(L"part.txt")};
    CHECK(bench.RunOn(ActionSaveSelection, doc).outcome == OutcomeDone);
    CHECK(ReadFileBytes(bench.folder / L"part.txt") == "world");
    CHECK(doc->modified);
    CHECK(doc->GetPath().IsEmpty());
}

TEST_CASE("ask-save-all: Cancel at the second of three leaves the third unasked")
{
    SaveBench bench;
    TextDocument* texts[3];
    for (int i = 0; i < 3; i++)
        texts[i] = bench.Typed(L"t", bench.Path(i == 0 ? L"a.txt" : i == 1 ? L"b.txt" : L"c.txt").c_str());
    // The first text is current: the questions bring the others forward.
    bench.broker->Broadcast(BroadcastCurrentChanged, texts[0], bench.views[0]);
    bench.broadcasts.clear();
    bench.alerts.answers = {0, 2};
    ActionRecord record = bench.Run(ActionAskSaveAll);
    CHECK(record.outcome == OutcomeAborted);
    CHECK(bench.alerts.alerts.size() == 2);
    CHECK_FALSE(texts[0]->modified);
    CHECK(texts[1]->modified);
    CHECK(texts[2]->modified);
    CHECK(bench.views[0]->CurrentDocument() == texts[0]);
}

TEST_CASE("Abandon changes keeps the text modified and deletes its autosave files")
{
    SaveBench bench;
    TextDocument* doc = bench.Typed(L"draft");
    String autosave = Autosave(*doc);
    REQUIRE(PathExists(autosave));
    bench.alerts.answers = {1};
    CHECK(bench.RunOn(ActionAskSave, doc).outcome == OutcomeDone);
    CHECK(doc->modified);
    CHECK_FALSE(PathExists(autosave));
    CHECK(bench.dialogs.calls == 0);
}

TEST_CASE("a failed write keeps the modified flag, the path, the name and the old file")
{
    SaveBench bench;
    String path = bench.folder / L"kept.txt";
    WriteFileBytes(path, "old bytes");
    TextDocument* doc = bench.Typed(L"new text that does not fit", path.CStr());
    bench.broadcasts.clear();
    {
        WriteFault fault(3, ERROR_DISK_FULL);
        ActionRecord record = bench.RunOn(ActionSave, doc);
        CHECK(record.outcome == OutcomeFailed);
    }
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].title == L"Unable to save text - Scrivel");
    CHECK(doc->modified);
    CHECK(doc->GetPath().Equals(path));
    CHECK(doc->GetLocation().Equals(path));
    CHECK(ReadFileBytes(path) == "old bytes");
    CHECK(bench.broadcasts.empty());

    // The same through Save As to a new name: the text keeps no name.
    TextDocument* unnamed = bench.Typed(L"more text that does not fit");
    bench.dialogs.names = {bench.Path(L"fresh.txt")};
    {
        WriteFault fault(3, ERROR_DISK_FULL);
        CHECK(bench.RunOn(ActionSave, unnamed).outcome == OutcomeFailed);
    }
    CHECK(unnamed->modified);
    CHECK(unnamed->GetPath().IsEmpty());
    CHECK_FALSE(PathExists(bench.folder / L"fresh.txt"));
}

TEST_CASE("closing picks the neighbour whose folder is nearest")
{
    SaveBench bench;
    auto make = [&](const wchar_t* location) {
        TextDocument* doc = bench.NewText(0);
        REQUIRE(doc);
        doc->SetLocation(location);
        return doc;
    };
    SUBCASE("the longer common start wins")
    {
        TextDocument* a = make(L"D:\\a\\x\\1.txt");
        TextDocument* b = make(L"D:\\a\\x\\2.txt");
        make(L"D:\\b\\3.txt");
        CHECK(bench.broker->ChooseSuccessorText(b) == a);
        bench.broker->Broadcast(BroadcastCurrentChanged, b, bench.views[0]);
        bench.broadcasts.clear();
        CHECK(bench.RunOn(ActionCloseText, b).outcome == OutcomeDone);
        CHECK(bench.views[0]->CurrentDocument() == a);
        CHECK(bench.Kinds() == std::vector<int32>{2, 1});
        CHECK(bench.broadcasts[0].document == a);
        CHECK(bench.broker->documents.Count() == 2);
    }
    SUBCASE("equal starts choose the next, the last goes to the previous, the only to none")
    {
        TextDocument* a = make(L"C:\\p\\a.txt");
        TextDocument* b = make(L"C:\\p\\b.txt");
        TextDocument* c = make(L"C:\\p\\c.txt");
        CHECK(bench.broker->ChooseSuccessorText(b) == c);
        CHECK(bench.broker->ChooseSuccessorText(c) == b);
        CHECK(bench.broker->ChooseSuccessorText(a) == b);
        bench.RunOn(ActionCloseText, c);
        CHECK(bench.views[0]->CurrentDocument() == b);
        bench.RunOn(ActionCloseText, b);
        bench.RunOn(ActionCloseText, a);
        CHECK(bench.broker->documents.Count() == 0);
        CHECK(bench.views[0]->CurrentDocument() == nullptr);
        CHECK(bench.views[1]->CurrentDocument() == nullptr);
    }
    SUBCASE("a surrogate pair counts whole or not at all")
    {
        // Same high halves, different low halves: the pair does not match.
        CHECK(CommonPrefixLength(String(L"ab\xD83D\xDE00"), String(L"ab\xD83D\xDE01")) == 2);
        CHECK(CommonPrefixLength(String(L"ab\xD83D\xDE00" L"c"), String(L"ab\xD83D\xDE00" L"d")) == 4);
        CHECK(CommonPrefixLength(String(L"ab\xD83D"), String(L"ab\xD83D\xDE00")) == 2);
        CHECK(CommonPrefixLength(String(), String(L"x")) == 0);
        TextDocument* a = make(L"C:\\\xD83D\xDE00\\a.txt");
        TextDocument* b = make(L"C:\\\xD83D\xDE01\\b.txt");
        TextDocument* c = make(L"C:\\\xD83D\xDE00\\c.txt");
        CHECK(bench.broker->ChooseSuccessorText(b) == c);
        CHECK(bench.broker->ChooseSuccessorText(c) == b);
        (void)a;
    }
}

TEST_CASE("closing a modified text: Cancel keeps it with its path already remembered; Abandon leaves no autosave")
{
    SaveBench bench;
    std::wstring path = bench.Path(L"keep.txt");
    TextDocument* doc = bench.Typed(L"changes", path.c_str());
    TextDocument* unnamed = bench.Typed(L"unnamed");
    String autosave = Autosave(*doc);
    String autosave2 = Autosave(*unnamed);
    REQUIRE(PathExists(autosave));

    bench.alerts.answers = {2};
    CHECK(bench.RunOn(ActionCloseText, unnamed).outcome == OutcomeAborted);
    // A text without a path leaves no empty row in the recent files.
    CHECK(bench.broker->recentFiles.items.Count() == 0);

    bench.alerts.answers = {2};
    CHECK(bench.RunOn(ActionCloseText, doc).outcome == OutcomeAborted);
    CHECK(bench.broker->documents.IndexOf(doc) >= 0);
    REQUIRE(bench.broker->recentFiles.items.Count() == 1);
    CHECK(bench.broker->recentFiles.StringAt(0).Equals(path.c_str()));

    bench.alerts.alerts.clear();
    bench.alerts.answers = {1, 1};
    CHECK(bench.Run(ActionCloseAll).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.size() == 2);
    CHECK(bench.broker->documents.Count() == 0);
    CHECK_FALSE(PathExists(autosave));
    CHECK_FALSE(PathExists(autosave2));
    CHECK_FALSE(PathExists(String(path.c_str())));
}

namespace {

// Drives the program's own question box on a timer: first Esc and WM_CLOSE,
// then, one tick later, a look and a click on "Abandon changes".
struct QuestionDriver {
    int ticks = 0;
    bool upAfterClose = false;
    bool closeGreyed = false;
    std::wstring title;
};
QuestionDriver* Driver = nullptr;

BOOL CALLBACK FindQuestion(HWND hwnd, LPARAM out)
{
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    if (IsWindowVisible(hwnd) && std::wstring(text) == L"Save - Scrivel") {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ClickAbandon(HWND child, LPARAM)
{
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) == L"&Abandon changes") {
        PostMessageW(child, BM_CLICK, 0, 0);
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DriveQuestion(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindQuestion, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    if (Driver->ticks++ == 0) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_STATE;
        GetMenuItemInfoW(GetSystemMenu(box, FALSE), SC_CLOSE, FALSE, &item);
        Driver->closeGreyed = (item.fState & MFS_GRAYED) != 0;
        PostMessageW(box, WM_CLOSE, 0, 0);
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(box, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return;
    }
    KillTimer(nullptr, timer);
    Driver->upAfterClose = true;
    SaveScreenshot(ReadWindowPixels(box), "unsaved_question.png");
    EnumChildWindows(box, ClickAbandon, 0);
}

}  // namespace

TEST_CASE("the real question about a closing text: its close box and Esc leave it up, Abandon closes the text")
{
    SaveBench bench;
    TextDocument* doc = bench.Typed(L"unsaved");
    // The program's own alert boxes from here on.
    SetActionAlertCalls(nullptr);
    QuestionDriver driver;
    Driver = &driver;
    SetTimer(nullptr, 0, 100, DriveQuestion);
    ActionRecord record = bench.RunOn(ActionCloseText, doc);
    Driver = nullptr;
    CHECK(record.outcome == OutcomeDone);
    CHECK(driver.closeGreyed);
    CHECK(driver.upAfterClose);
    CHECK(bench.broker->documents.Count() == 0);
}

TEST_CASE("save all writes the modified texts only, one without a path through the name dialog")
{
    SaveBench bench;
    TextDocument* named = bench.Typed(L"named", bench.Path(L"named.txt").c_str());
    TextDocument* clean = bench.NewText(0, bench.Path(L"clean.txt").c_str());
    REQUIRE(clean);
    TextDocument* unnamed = bench.Typed(L"unnamed");
    bench.broker->Broadcast(BroadcastCurrentChanged, clean, bench.views[0]);
    bench.dialogs.names = {bench.Path(L"given.txt")};
    CHECK(bench.Run(ActionSaveAll).outcome == OutcomeDone);
    CHECK(bench.dialogs.calls == 1);
    CHECK(ReadFileBytes(bench.folder / L"named.txt") == "named");
    CHECK(ReadFileBytes(bench.folder / L"given.txt") == "unnamed");
    CHECK_FALSE(PathExists(bench.folder / L"clean.txt"));
    CHECK_FALSE(named->modified);
    CHECK_FALSE(unnamed->modified);
    CHECK(unnamed->GetPath().Equals(bench.Path(L"given.txt").c_str()));
    CHECK(bench.views[0]->CurrentDocument() == clean);

    // Cancelling the name dialog stops the rest: outcome 2, the others unsaved.
    TextDocument* first = bench.Typed(L"first");
    doctext::Type(*named, 0, L"x");
    bench.dialogs.names = {L""};
    CHECK(bench.Run(ActionSaveAll).outcome == OutcomeAborted);
    CHECK(first->modified);

    // Save if modified: a clean text is left alone, a modified one saved.
    bench.broadcasts.clear();
    CHECK(bench.RunOn(ActionSaveIfModified, clean).outcome == OutcomeDone);
    CHECK(bench.broadcasts.empty());
    CHECK(bench.RunOn(ActionSaveIfModified, named).outcome == OutcomeDone);
    CHECK(ReadFileBytes(bench.folder / L"named.txt") == "xnamed");
}
