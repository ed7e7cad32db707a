#include "BrokerTestSupport.h"

#include <doctest.h>

#include "base/Paths.h"
#include "base/UiLanguage.h"

#include <new>
#include <stdexcept>

namespace {

// Runs the body under an interface language and puts the old one back.
template <class F>
void UnderLanguage(int32 id, F body)
{
    int32 saved = UiLanguageId();
    SetUiLanguageId(id);
    try {
        body();
    } catch (...) {
        SetUiLanguageId(saved);
        throw;
    }
    SetUiLanguageId(saved);
}

}  // namespace

TEST_CASE("actions that need a text refuse without one, titled by the action")
{
    BrokerBench bench;
    UnderLanguage(9, [&] {
        struct Case {
            int32 code;
            const wchar_t* title;
        } cases[] = {
            {ActionCharRight, L"Cursor movement - Scrivel"},
            {ActionReplaceRange, L"Text modification - Scrivel"},
            {ActionReplaceSelection, L"Operation can not be performed - Scrivel"},
            {ActionSelectAll, L"Cursor movement - Scrivel"},
            {ActionSave, L"Unable to save text - Scrivel"},
            {89, L"Operation can not be performed - Scrivel"},
        };
        for (const Case& c : cases) {
            CAPTURE(c.code);
            bench.alerts.alerts.clear();
            ActionRecord record = bench.Run(c.code);
            CHECK(record.outcome == OutcomeFailed);
            REQUIRE(bench.alerts.alerts.size() == 1);
            CHECK(bench.alerts.alerts[0].code == -101);
            CHECK(bench.alerts.alerts[0].title == c.title);
            CHECK(bench.alerts.alerts[0].owner == &bench.host);
        }
    });
    // Codes below 0 need no text: -101 is outside the table, -89 and -50 have no handler.
    bench.alerts.alerts.clear();
    for (int32 code : {-101, -89, -50, -1})
        CHECK(bench.Run(code).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.empty());
    CHECK(bench.broadcasts.empty());

    // With a text shown, 89 does nothing at all.
    REQUIRE(bench.NewText());
    bench.broadcasts.clear();
    CHECK(bench.Run(89).outcome == OutcomeDone);
    CHECK(bench.Run(-101).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.empty());
    CHECK(bench.broadcasts.empty());
}

TEST_CASE("every title ends in the program's name, in both languages")
{
    for (int32 id : {9, 21}) {
        UnderLanguage(id, [&] {
            for (int32 code = -102; code <= 90; code++) {
                std::wstring title = ActionErrorTitle(code);
                CAPTURE(code);
                REQUIRE(title.size() > 10);
                CHECK(title.compare(title.size() - 10, 10, L" - Scrivel") == 0);
            }
        });
    }
    UnderLanguage(21, [] {
        CHECK(std::wstring(ActionErrorTitle(38)) == L"Nie można zrealizować operacji - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(36)) == L"Modyfikacja treści - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(-100)) == L"Nowy tekst - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(88)) == L"Nieudane otwarcie dialogu wyboru tekstu - Scrivel");
    });
    UnderLanguage(9, [] {
        CHECK(std::wstring(ActionErrorTitle(-94)) == L"Unable to save text - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(-93)) == L"Unable to save text - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(-91)) == L"Operation can not be performed - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(57)) == L"Cursor movement - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(82)) == L"Operation can not be performed - Scrivel");
        CHECK(std::wstring(ActionErrorTitle(59)) == L"Go to line error - Scrivel");
    });
}

TEST_CASE("a new text is added after the record's text and shown in the asking view only")
{
    BrokerBench bench;
    TextDocument* first = bench.NewText(0, L"C:\\work\\first.txt");
    REQUIRE(first);
    CHECK(bench.Kinds() == std::vector<int32>{0, 2});
    CHECK(bench.broadcasts[1].view == bench.views[0]);
    CHECK(first->GetPath().Equals(L"C:\\work\\first.txt"));
    CHECK(first->GetLocation().Equals(L"C:\\work\\first.txt"));
    // The other view showed nothing, so it shows the new text too.
    CHECK(bench.views[1]->CurrentDocument() == first);

    TextDocument* last = bench.NewText(1);
    REQUIRE(last);
    TextDocument* middle = bench.NewText(0);
    REQUIRE(middle);
    CHECK(bench.broker->documents.Count() == 3);
    CHECK(bench.broker->documents.At(0) == first);
    CHECK(bench.broker->documents.At(1) == middle);
    CHECK(bench.broker->documents.At(2) == last);
    CHECK(bench.views[0]->CurrentDocument() == middle);
    CHECK(bench.views[1]->CurrentDocument() == last);
    // A text without a path takes the location of the record's text.
    CHECK(middle->GetPath().IsEmpty());
    CHECK(middle->GetLocation().Equals(L"C:\\work\\first.txt"));
    CHECK(bench.alerts.alerts.empty());

    SUBCASE("a path that is open already is an internal error under the action's title")
    {
        UnderLanguage(9, [&] {
            TextDocument* again = bench.NewText(1, L"c:\\WORK\\first.txt");
            CHECK(again == nullptr);
            REQUIRE(bench.alerts.alerts.size() == 1);
            CHECK(bench.alerts.alerts[0].code == -3);
            CHECK(bench.alerts.alerts[0].title == L"New text - Scrivel");
            CHECK(bench.broker->documents.Count() == 3);
        });
    }
    SUBCASE("the 2000th open text is the last")
    {
        while (bench.broker->documents.Count() < kMaxOpenTexts - 1)
            bench.broker->documents.NewDocument(nullptr);
        CHECK(bench.NewText());
        bench.broadcasts.clear();
        CHECK(bench.NewText() == nullptr);
        REQUIRE(bench.alerts.alerts.size() == 1);
        CHECK(bench.alerts.alerts[0].code == -102);
        CHECK(bench.broadcasts.empty());
        CHECK(bench.broker->documents.Count() == kMaxOpenTexts);
    }
}

TEST_CASE("a new text is taken back when a broadcast fails, and the failure is reported once")
{
    BrokerBench bench;
    TextDocument* first = bench.NewText();
    REQUIRE(first);
    struct Case {
        const char* name;
        std::function<void()> fail;
        int32 outcome;
        int32 code;  // of the alert, 0 for none
    } cases[] = {
        {"Abort", [] { throw Abort(); }, OutcomeAborted, 0},
        {"Error", [] { throw EofError(L"x"); }, OutcomeFailed, -4},
        {"bad_alloc", [] { throw std::bad_alloc(); }, OutcomeFailed, 8},
        {"other exception", [] { throw std::runtime_error("x"); }, OutcomeFailed, -3},
    };
    for (const Case& c : cases) {
        for (int32 failingKind : {0, 2}) {
            CAPTURE(c.name);
            CAPTURE(failingKind);
            bench.broadcasts.clear();
            bench.alerts.alerts.clear();
            bench.failOn = [&](const BroadcastRecord& r) {
                if (r.kind == failingKind)
                    c.fail();
            };
            ActionRecord record;
            record.InitPlain(ActionNewText, bench.views[0]);
            ExecuteAction(*bench.broker, record);
            bench.failOn = nullptr;

            CHECK(record.outcome == c.outcome);
            CHECK(bench.alerts.alerts.size() == (c.code ? 1u : 0u));
            if (c.code && !bench.alerts.alerts.empty())
                CHECK(bench.alerts.alerts[0].code == c.code);
            std::vector<int32> expected = failingKind == 0 ? std::vector<int32>{0, 1} : std::vector<int32>{0, 2, 1};
            CHECK(bench.Kinds() == expected);
            // The removal names the text that was made, which is gone again.
            CHECK(bench.broadcasts.back().document == bench.broadcasts.front().document);
            CHECK(bench.broker->documents.Count() == 1);
            CHECK(bench.broker->documents.At(0) == first);
            CHECK(bench.views[0]->FindViewState(bench.broadcasts.front().document) == nullptr);
        }
    }
    // The broker stays usable.
    CHECK(bench.NewText());
    CHECK(bench.broker->documents.Count() == 2);
}

TEST_CASE("ExecuteActionCopy and PostAction leave the caller's record as it was")
{
    BrokerBench bench;
    ActionRecord record;
    record.InitPlain(ActionCharRight, bench.views[0]);
    record.text = L"kept";
    ExecuteActionCopy(*bench.broker, record);
    CHECK(record.outcome == OutcomeDone);
    CHECK(record.text.Equals(L"kept"));
    CHECK(record.text.RefCount() == 1);
    CHECK(bench.alerts.alerts.size() == 1);

    PostAction(*bench.broker, ActionNewText, bench.views[1]);
    CHECK(bench.broker->documents.Count() == 1);
    CHECK(bench.views[1]->CurrentDocument() == bench.broker->documents.At(0));
}

TEST_CASE("builders take over the caller's texts and zero the rest")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    ActionRecord record;
    record.result = 5;
    record.outcome = 3;
    String phrase(L"needle");
    String replacement(L"pin");
    record.InitFind(ActionFindNext, bench.views[0], 12, phrase, replacement);
    CHECK(phrase.IsEmpty());
    CHECK(replacement.IsEmpty());
    CHECK(record.text.Equals(L"needle"));
    CHECK(record.text2.Equals(L"pin"));
    CHECK(record.mode == 12);
    CHECK(record.document == doc);
    CHECK(record.result == 0);
    CHECK(record.outcome == 0);

    String piece(L"abc");
    record.InitReplaceRange(bench.views[0], 4, 9, piece);
    CHECK(piece.IsEmpty());
    CHECK(record.code == ActionReplaceRange);
    CHECK(record.number1 == 4);
    CHECK(record.number2 == 9);
    CHECK(record.text2.IsEmpty());
    CHECK(record.mode == 0);

    Array<String> files;
    files.Append(L"a.txt");
    record.InitOpenFiles(bench.views[1], true, files);
    CHECK(files.Count() == 0);
    CHECK(record.paths.Count() == 1);
    CHECK(record.mode == 1);
    CHECK(record.code == ActionOpenFiles);
    CHECK(record.document == doc);

    ActionRecord copy;
    copy.CopyFrom(record);
    CHECK(copy.paths.SameHeader(record.paths));
}

TEST_CASE("the overwrite toggle flips the view's state and says so")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    bench.broadcasts.clear();
    CHECK_FALSE(bench.views[0]->currentState->overwrite);
    CHECK(bench.Run(ActionToggleOverwrite).outcome == OutcomeDone);
    CHECK(bench.views[0]->currentState->overwrite);
    REQUIRE(bench.broadcasts.size() == 1);
    CHECK(bench.broadcasts[0].kind == BroadcastOverwriteToggled);
    CHECK(bench.broadcasts[0].document == doc);
    CHECK(bench.broadcasts[0].view == bench.views[0]);
    // The other view's state for the same text is its own.
    CHECK_FALSE(bench.views[1]->FindViewState(doc)->overwrite);
    bench.Run(ActionToggleOverwrite);
    CHECK_FALSE(bench.views[0]->currentState->overwrite);
}

TEST_CASE("the kept error is reported once, under the general title, at the next idle step")
{
    BrokerBench bench;
    UnderLanguage(9, [&] {
        bench.broker->ReportPendingError(&bench.host);
        CHECK(bench.alerts.alerts.empty());
        bench.broker->StorePendingError(Error(-113, -1));
        bench.broker->StorePendingError(Error(kUnrepresentableCharCode, 7));
        bench.broker->ReportPendingError(&bench.host);
        REQUIRE(bench.alerts.alerts.size() == 1);
        CHECK(bench.alerts.alerts[0].title == L"Operation can not be performed - Scrivel");
        CHECK(bench.alerts.alerts[0].message ==
              L"Some characters can't be correctly represented with used text encoding.");
        CHECK(bench.alerts.alerts[0].owner == &bench.host);
        CHECK(bench.broker->pendingError.code == -1);
        bench.broker->ReportPendingError(&bench.host);
        CHECK(bench.alerts.alerts.size() == 1);
    });
}

TEST_CASE("start-up finishes without alerts; command-line switches are never opened")
{
    BrokerBench bench;
    CHECK(bench.Run(ActionStartup).outcome == OutcomeDone);
    CHECK(bench.alerts.alerts.empty());

    Array<String> arguments;
    for (const wchar_t* a : {L"::UPDATED", L"notes.txt", L":x", L"::", L"C:\\abs\\file.txt", L""})
        arguments.Append(a);
    Array<String> files = CommandLineFiles(arguments);
    REQUIRE(files.Count() == 3);
    CHECK(files.At(0).Equals(AbsolutePath(L"notes.txt")));
    CHECK(files.At(0).Length() > 9);
    CHECK(files.At(1).Equals(AbsolutePath(L":x")));
    CHECK(files.At(2).Equals(L"C:\\abs\\file.txt"));
}

TEST_CASE("a short note pops up at the centre of the view that asked")
{
    BrokerBench bench;
    PopupAlert* popup = bench.host.popupAlert;
    for (int i = 0; i < 2; i++) {
        TextView* view = bench.views[i];
        RECT client = view->ClientRect();
        POINT centre = view->ClientToScreenPoint(POINT{client.right / 2, client.bottom / 2});
        ShowPopupInView(view, i ? L"Nothing to undo." : L"Not found");
        CHECK(IsWindowVisible(popup->GetHwnd()));
        CHECK(popup->message.Equals(i ? L"Nothing to undo." : L"Not found"));
        RECT shown = popup->WindowRect();
        CHECK(PtInRect(&shown, centre));
        // Each view's centre is in its own half of the form.
        CHECK((centre.x < 300) == (i == 0));
    }
    // A view in a form without a pop-up shows nothing and throws nothing.
    ShowPopupInView(nullptr, L"x");
    bench.broker->broadcastHandler = nullptr;
    CHECK(bench.Run(ActionNewText).outcome == OutcomeDone);
    popup->Hide();
}
