// The session written by one main window is what the next one starts with.

#include "MainFormTestSupport.h"

#include "editor/Statusbar.h"
#include "support/DocumentText.h"
#include "support/TempFolder.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/ViewState.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

// What the test remembers of one open text.
struct Seen {
    std::wstring path;
    EncodingId encoding;
    u32 bomLength;
    int32 syntax;
    int64 caret;
    std::vector<int64> bookmarks;
    std::string bytes;
};

std::vector<Seen> Look(ActionBroker& broker, TextView* view)
{
    std::vector<Seen> seen;
    for (int64 i = 0; i < broker.documents.Count(); i++) {
        TextDocument* doc = broker.documents.At(i);
        Seen s{W(doc->GetPath()), doc->text.Encoding(), doc->bomLength, doc->syntax, -1, {}, doctext::Bytes(*doc)};
        if (ViewState* state = view->FindViewState(doc))
            s.caret = state->CaretPosition();
        for (int64 b = 0; b < doc->bookmarks.Count(); b++)
            s.bookmarks.push_back(doc->BookmarkPosition(b));
        seen.push_back(s);
    }
    return seen;
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

struct Window {
    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = MainForm::Create(broker);
    Window() { ShowWindow(form->GetHwnd(), SW_HIDE); }
    ~Window()
    {
        delete form;
        delete broker;
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
};

}  // namespace

TEST_CASE("exit and start: order, encoding, BOM, syntax, caret, bookmarks and the active text come back")
{
    PortableDataFolder data("");
    AppContext& context = AppContext::Current();
    Array<String> arguments = context.arguments;
    context.arguments = Array<String>();
    context.portableKnown = 0;
    context.DetectPortable();
    RecordingAlerts alerts;
    TempFolder folder;

    std::string lines;
    for (int i = 0; i < 30; i++)
        lines += "line " + std::to_string(i) + " zażółć\r\n";
    std::string wide("\xFF\xFE", 2);
    for (char c : std::string("first\r\nsecond line\r\nthird\r\n")) {
        wide += c;
        wide += '\0';
    }
    WriteFileBytes(folder / L"a.txt", lines);
    WriteFileBytes(folder / L"b.txt", wide);
    WriteFileBytes(folder / L"c.c", "int main() { return 0; }\r\n");
    WriteFileBytes(folder / L"d.txt", "\xEF\xBB\xBFwith a BOM\r\n");

    std::vector<Seen> before;
    {
        Window first;
        TextView* view = first.form->activeView;
        Array<String> files;
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.c", L"d.txt"})
            files.Insert(files.Count(), folder / name);
        ActionRecord open;
        open.InitOpenFiles(view, false, files);
        ExecuteAction(*first.broker, open);
        REQUIRE(first.broker->documents.Count() == 4);
        DocumentList& list = first.broker->documents;
        TextDocument* a = list.FindByPath(folder / L"a.txt");
        TextDocument* b = list.FindByPath(folder / L"b.txt");
        TextDocument* c = list.FindByPath(folder / L"c.c");
        TextDocument* d = list.FindByPath(folder / L"d.txt");
        REQUIRE(c->syntax == kSyntaxC);
        // Another order, a syntax taken away, a BOM added and one removed.
        ActionRecord move;
        move.InitPlain(ActionMoveTextTo, view);
        move.document = d;
        move.number1 = 0;
        ExecuteAction(*first.broker, move);
        c->syntax = kSyntaxNone;
        a->SetBom(true);
        d->SetBom(false);
        auto place = [&](TextDocument* doc, int64 line, int64 column) {
            ActionRecord activate;
            activate.InitPlain(ActionActivateText, view);
            activate.document = doc;
            ExecuteAction(*first.broker, activate);
            view->SetCaret(doc, doc->text.LineColumnToOffset(line, column), 0, 0);
        };
        place(a, 17, 9);
        place(c, 0, 5);
        place(d, 0, 0);
        place(b, 1, 4);
        for (int64 at : {0, 40, 200, 350})
            a->AddBookmark(a->text.CharStart(at));
        b->AddBookmark(14);
        b->AddBookmark(20);
        before = Look(*first.broker, view);
        REQUIRE(view->CurrentDocument() == b);
        first.form->WriteHibernationFile();
    }

    Window second;
    TextView* view = second.form->activeView;
    std::vector<Seen> after = Look(*second.broker, view);
    REQUIRE(after.size() == before.size());
    for (size_t i = 0; i < before.size(); i++) {
        CAPTURE(i);
        CHECK(after[i].path == before[i].path);
        CHECK(after[i].encoding == before[i].encoding);
        CHECK(after[i].bomLength == before[i].bomLength);
        CHECK(after[i].syntax == before[i].syntax);
        CHECK(after[i].caret == before[i].caret);
        CHECK(after[i].bookmarks == before[i].bookmarks);
        CHECK(after[i].bytes == before[i].bytes);
    }
    CHECK(W(view->CurrentDocument()->GetPath()) == W(folder / L"b.txt"));
    CHECK(alerts.alerts.empty());
    context.arguments = arguments;
    context.portableKnown = 0;
}

namespace {

// What a user sees of the texts and the window, one line per text and one for the rest.
std::string Seen(MainForm& form, ActionBroker& broker)
{
    std::wstring seen;
    auto add = [&](std::initializer_list<int64> numbers) {
        for (int64 n : numbers)
            seen += std::to_wstring(n) + L" ";
    };
    for (int64 i = 0; i < broker.documents.Count(); i++) {
        ViewState* state = form.view1->FindViewState(broker.documents.At(i));
        seen += W(broker.documents.At(i)->GetPath()) + L" " + W(broker.recentFiles.StringAt(i)) + L" ";
        add({state->CaretPosition(), state->AnchorPosition(), state->TopPosition(), state->horzOffset});
        seen += L"\n";
    }
    wchar_t title[512] = {};
    GetWindowTextW(form.hwnd, title, 512);
    const StatusState& bar = form.statusbar->state;
    seen += title + W(form.view2->CurrentDocument()->GetPath());
    add({bar.line, bar.column, bar.code, bar.encoding, bar.bom, bar.syntax, MenuChecked(form.hwnd, 11085)});
    return Utf8(seen);
}

}  // namespace

// Run as an action, the restore gets no focus change afterwards to refresh
// the window: it must refresh title, menu and status bar itself.
TEST_CASE("a restore run in a running window shows what opening its texts from the command line and placing each caret shows")
{
    TempFolder files;
    Array<String> paths;
    std::string session;
    std::string placed;
    for (int i = 0; i < 16; i++) {
        String path = files / (L"t" + std::to_wstring(i) + (i % 3 ? L".txt" : L".c")).c_str();
        std::string bytes;
        for (int line = 0; line < 80; line++)
            bytes += "{line " + std::to_string(line) + "}" + std::string((i + line) % 4 ? 0 : 300, 'w') + "\r\n";
        WriteFileBytes(path, bytes);
        paths.Insert(i, path);
    }
    {
        Array<String> arguments = AppContext::Current().arguments;
        AppContext::Current().arguments = paths;
        MainFormRun run("");
        AppContext::Current().arguments = arguments;
        ActionBroker& broker = *run.broker;
        TextView* view = run.form->activeView;
        REQUIRE(broker.documents.Count() == 16);
        // The restore's steps for each text, each broadcast answered at once.
        for (int64 i = 0; i < 16; i++) {
            TextDocument* text = broker.documents.At(i);
            std::wstring caret = std::to_wstring(i * 37 % 80) + L":" + std::to_wstring(i * 11 % 320);
            broker.ActivateText(view, text);
            broker.RestoreCaretFromSession(view, String(caret.c_str()));
            session += "1:UTF-8:" + Utf8(W(text->GetPath())) + "\r\n2:" + Utf8(SyntaxIdToName(text->syntax)) +
                       "\r\n3:" + Utf8(caret) + "\r\n4:\r\n";
        }
        broker.ActivateText(view, broker.documents.At(6));
        session += "A:" + Utf8(W(broker.documents.At(6)->GetPath())) + "\r\n";
        placed = Seen(*run.form, broker);
    }
    HiddenEditor editor("");
    WriteFileBytes(editor.Hibernation(), session);
    editor.Form().RunAction(ActionRestoreSession);
    CHECK(editor.run.broker->restoringSession == 0);
    CHECK(Seen(editor.Form(), *editor.run.broker) == placed);
    CHECK(AlertList(editor.run.alerts).empty());
}
