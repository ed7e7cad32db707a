#include "BrokerTestSupport.h"

#include <doctest.h>

#include "base/UiLanguage.h"
#include "support/DocumentText.h"

#include <cstring>
#include <string>

namespace {

struct EditBench : BrokerBench {
    EditBench()
    {
        saved = UiLanguageId();
        SetUiLanguageId(9);
    }
    ~EditBench() { SetUiLanguageId(saved); }
    TextDocument* Shown(const wchar_t* s)
    {
        TextDocument* doc = NewText(0);
        REQUIRE(doc);
        doctext::SetText(*doc, s);
        views[0]->SetCaret(doc, doc->text.Size(), 0, 0);
        broadcasts.clear();
        return doc;
    }
    ActionRecord Type(const wchar_t* s)
    {
        String text(s);
        ActionRecord record;
        record.InitWithText(ActionInsertText, views[0], text);
        ExecuteAction(*broker, record);
        return record;
    }
    void Select(int64 anchor, int64 caret)
    {
        views[0]->SetCaret(views[0]->CurrentDocument(), anchor, 0, 0);
        views[0]->SetCaret(views[0]->CurrentDocument(), caret, CaretKeepAnchor, 0);
    }
    int64 Caret() { return views[0]->currentState->CaretPosition(); }
    int32 saved;
};

// Puts text on the clipboard as another program would: owned by no window of the form.
void ForeignClipboard(const wchar_t* text)
{
    REQUIRE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (text) {
        size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
    }
    CloseClipboard();
}

}  // namespace

TEST_CASE("three typed characters undo one at a time and redo back")
{
    EditBench bench;
    TextDocument* doc = bench.Shown(L"");
    for (const wchar_t* c : {L"a", L"b", L"c"})
        bench.Type(c);
    bench.broadcasts.clear();
    CHECK(bench.Run(ActionUndo).outcome == OutcomeDone);
    CHECK(doctext::Bytes(*doc) == "ab");
    CHECK(bench.Caret() == 2);
    CHECK(bench.Kinds() == std::vector<int32>{7, 8});
    CHECK(bench.broadcasts[0].extra == 0);
    bench.Run(ActionUndo);
    bench.Run(ActionUndo);
    CHECK(doctext::Bytes(*doc) == "");
    CHECK_FALSE(doc->modified);
    bench.Run(ActionRedo);
    CHECK(doctext::Bytes(*doc) == "a");
    CHECK(doc->modified);

    // At the end of the history: a note, outcome 1 and no broadcast.
    bench.Run(ActionRedo);
    bench.Run(ActionRedo);
    CHECK(doctext::Bytes(*doc) == "abc");
    bench.broadcasts.clear();
    CHECK(bench.Run(ActionRedo).outcome == OutcomeNothingToDo);
    CHECK(bench.broadcasts.empty());
    TextDocument* fresh = bench.Shown(L"xyz");
    bench.host.popupAlert->message = String();
    CHECK(bench.Run(ActionUndo).outcome == OutcomeNothingToDo);
    CHECK(bench.host.popupAlert->message.Equals(L"Nothing to undo."));
    CHECK(bench.broadcasts.empty());
    CHECK(bench.alerts.alerts.empty());
    CHECK(doctext::Bytes(*fresh) == "xyz");
}

TEST_CASE("an undo stopped part-way through its group still tells the views what changed")
{
    EditBench bench;
    TextDocument* doc = bench.Shown(L"ab");
    // Two replacements in one group, the text saved between them.
    doc->openGroups = 1;
    doc->openGroupTag = doc->NextUndoGroup();
    doctext::Type(*doc, 2, L"c");
    doctext::Type(*doc, 3, L"d");
    doc->openGroups = 0;
    doc->savedPosition = 1;
    bench.views[0]->SetCaret(doc, 1, 0, 0);
    bench.broadcasts.clear();
    bench.failOn = [](const BroadcastRecord& r) {
        if (r.kind == BroadcastRepaint)
            throw EofError(L"x");
    };
    ActionRecord record = bench.Run(ActionUndo);
    bench.failOn = nullptr;
    CHECK(record.outcome == OutcomeFailed);
    CHECK(doctext::Bytes(*doc) == "abc");
    CHECK(bench.Kinds() == std::vector<int32>{5, 7});
    CHECK(bench.broadcasts[1].extra == 0);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].title == L"Undo error - Scrivel");
    // The caret stays; the rest of the group is still there to undo.
    CHECK(bench.Caret() == 1);
    CHECK(bench.Run(ActionUndo).outcome == OutcomeDone);
    CHECK(doctext::Bytes(*doc) == "ab");
}

TEST_CASE("copy, cut and paste: empty selections and clipboards say so, an own copy pastes as plain text")
{
    EditBench bench;
    TextDocument* doc = bench.Shown(L"one a<b two");

    CHECK(bench.Run(ActionCopy).outcome == OutcomeNothingToDo);
    CHECK(bench.Run(ActionCut).outcome == OutcomeNothingToDo);
    REQUIRE(bench.alerts.alerts.size() == 2);
    CHECK(bench.alerts.alerts[0].message == L"Nothing selected.");
    CHECK(bench.alerts.alerts[0].title == L"Copy - Scrivel");
    CHECK(bench.alerts.alerts[1].title == L"Cut - Scrivel.");
    CHECK(doctext::Bytes(*doc) == "one a<b two");

    bench.Select(4, 7);
    CHECK(bench.Run(ActionCopyHtml).outcome == OutcomeDone);
    CHECK(bench.broker->lastCopied.Equals(L"a<b"));
    CHECK(GetClipboardOwner() == bench.host.GetHwnd());
    bench.Select(11, 11);
    CHECK(bench.Run(ActionPasteHtml).outcome == OutcomeDone);
    CHECK(doctext::Bytes(*doc) == "one a<b twoa<b");

    bench.Select(0, 4);
    CHECK(bench.Run(ActionCut).outcome == OutcomeDone);
    CHECK(doctext::Bytes(*doc) == "a<b twoa<b");
    bench.Select(0, 0);
    bench.Run(ActionPaste);
    CHECK(doctext::Bytes(*doc) == "one a<b twoa<b");

    // Another program's clipboard: its text, or the alert when it holds none.
    ForeignClipboard(L"X");
    bench.Select(0, 0);
    CHECK(bench.Run(ActionPaste).outcome == OutcomeDone);
    CHECK(doctext::Bytes(*doc) == "Xone a<b twoa<b");
    ForeignClipboard(nullptr);
    bench.alerts.alerts.clear();
    for (int32 code : {ActionPaste, ActionPasteHtml}) {
        CHECK(bench.Run(code).outcome == OutcomeNothingToDo);
        REQUIRE_FALSE(bench.alerts.alerts.empty());
        CHECK(bench.alerts.alerts.back().message == L"The clipboard does not contain any text.");
        CHECK(bench.alerts.alerts.back().title == L"Paste - Scrivel");
    }
    CHECK(doctext::Bytes(*doc) == "Xone a<b twoa<b");
}
