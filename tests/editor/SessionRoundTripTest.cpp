// The session written by one main window is what the next one starts with.

#include "MainFormTestSupport.h"

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
