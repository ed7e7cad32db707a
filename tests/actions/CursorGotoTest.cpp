#include "BrokerTestSupport.h"

#include <doctest.h>

#include "support/DocumentText.h"

#include <string>

namespace {

struct CursorBench : BrokerBench {
    // A text in view 0 holding s, caret at the start.
    TextDocument* Shown(const std::wstring& s, EncodingId encoding = EncodingUtf8)
    {
        TextDocument* doc = NewText(0);
        REQUIRE(doc);
        if (encoding != EncodingUtf8)
            doc->text.SetEncoding(encoding);
        doctext::SetText(*doc, s.c_str());
        views[0]->SetCaret(doc, 0, 0, 0);
        broadcasts.clear();
        return doc;
    }
    ViewState& State() { return *views[0]->currentState; }
    int64 Caret() { return State().CaretPosition(); }
    int64 Anchor() { return State().AnchorPosition(); }
    void Place(int64 caret, int64 anchor)
    {
        views[0]->SetCaret(views[0]->CurrentDocument(), anchor, 0, 0);
        views[0]->SetCaret(views[0]->CurrentDocument(), caret, CaretKeepAnchor, 0);
        broadcasts.clear();
    }
    std::vector<int64> Brackets() const
    {
        std::vector<int64> out;
        const Array<int64>& list = views[0]->currentState->bracketHighlights;
        for (int64 i = 0; i < list.Count(); i++)
            out.push_back(list.At(i));
        return out;
    }
    // The bracket highlight at a caret position, the list cleared first.
    std::vector<int64> MatchAt(int64 caret)
    {
        TextDocument* doc = views[0]->CurrentDocument();
        views[0]->ClearBracketHighlights(doc);
        views[0]->SetCaret(doc, caret, 0, 0);
        ShowMatchingBracket(views[0], doc);
        return Brackets();
    }
};

}  // namespace

TEST_CASE("Left, Ctrl+Left and Home work on a shown indent before they move")
{
    CursorBench bench;
    TextDocument* doc = bench.Shown(L"\tabc\r\n  xyz");
    bench.views[0]->SetCaret(doc, 8, 0, 0);
    bench.views[0]->SetPendingIndent(doc, String(L"\t\t"), 8);
    bench.broadcasts.clear();

    CHECK(bench.Run(ActionCharLeft).outcome == OutcomeDone);
    CHECK(bench.Caret() == 8);
    CHECK(bench.State().pendingIndent.Equals(L"\t"));
    CHECK(bench.Kinds() == std::vector<int32>{8});
    // Right is not held back by the indent.
    bench.Run(ActionCharRight);
    CHECK(bench.Caret() == 9);
    CHECK(bench.State().pendingIndent.Equals(L"\t"));

    for (int32 code : {ActionWordLeft, ActionSmartHome, ActionLineStart}) {
        CAPTURE(code);
        bench.views[0]->SetCaret(doc, 8, 0, 0);
        bench.views[0]->SetPendingIndent(doc, String(L"\t"), 8);
        bench.Run(code);
        CHECK(bench.Caret() == 8);
        CHECK(bench.State().pendingIndentPos == -1);
        // Without an indent the same key moves.
        bench.Run(code);
        CHECK(bench.Caret() < 8);
        if (code != ActionWordLeft)
            CHECK(bench.Caret() == 6);
    }
    // An indent kept for another position does not stop Left.
    bench.views[0]->SetCaret(doc, 10, 0, 0);
    bench.views[0]->SetPendingIndent(doc, String(L"\t"), 8);
    bench.Run(ActionCharLeftExtend);
    CHECK(bench.Caret() == 9);
    CHECK(bench.Anchor() == 10);
}

TEST_CASE("Ctrl+End on a soft-wrapped last row shows the caret at that row's end")
{
    CursorBench bench;
    std::wstring words;
    for (int i = 0; i < 60; i++)
        words += L"word ";
    words += L"end";
    TextDocument* doc = bench.Shown(words);
    bench.State().wordWrap = true;
    bench.views[0]->Invalidate();
    Pump();
    bench.Run(ActionTextEnd);
    CHECK(bench.Caret() == doc->text.Size());
    CHECK(bench.Anchor() == doc->text.Size());
    CHECK(bench.State().caretAffinity == 1);
    POINT end = bench.views[0]->PositionToPoint(doc->text.Size());
    POINT start = bench.views[0]->PositionToPoint(0);
    CHECK(end.y > start.y);
    CHECK(end.x > start.x);

    bench.Run(ActionTextStartExtend);
    CHECK(bench.Caret() == 0);
    CHECK(bench.Anchor() == doc->text.Size());
    CHECK(bench.Kinds() == std::vector<int32>{8, 8});
}

TEST_CASE("select word takes the word before a space; select line leaves the break; select all and Esc")
{
    CursorBench bench;
    TextDocument* doc = bench.Shown(L"abc def\r\nsecond line\r\n");
    bench.Place(3, 3);
    bench.Run(ActionSelectWord);
    CHECK(bench.Anchor() == 0);
    CHECK(bench.Caret() == 3);
    bench.Place(5, 5);
    bench.Run(ActionSelectWord);
    CHECK(bench.Anchor() == 4);
    CHECK(bench.Caret() == 7);

    bench.Place(12, 12);
    bench.Run(ActionSelectLine);
    CHECK(bench.Anchor() == 9);
    CHECK(bench.Caret() == 20);
    CHECK(bench.State().caretAffinity == 1);

    bench.Run(ActionSelectAll);
    CHECK(bench.Anchor() == 0);
    CHECK(bench.Caret() == doc->text.Size());
    CHECK(bench.Kinds() == std::vector<int32>{8, 8});
    bench.broadcasts.clear();
    bench.Run(ActionClearSelection);
    CHECK(bench.Anchor() == doc->text.Size());
    CHECK(bench.broadcasts.empty());

    // Collapsing goes to the selection's ends without going further.
    bench.Place(2, 6);
    bench.Run(ActionCollapseToStart);
    CHECK(bench.Caret() == 2);
    CHECK(bench.Anchor() == 2);
    bench.Place(2, 6);
    bench.Run(ActionCollapseToEnd);
    CHECK(bench.Caret() == 6);
}

TEST_CASE("scrolling leaves caret and selection alone and broadcasts nothing")
{
    CursorBench bench;
    std::wstring text;
    for (int i = 0; i < 300; i++)
        text += L"a fairly long line of text that runs past the right edge of a narrow view " + std::to_wstring(i) + L"\n";
    TextDocument* doc = bench.Shown(text);
    bench.Place(40, 10);
    Pump();
    int64 top = bench.State().TopPosition();
    for (int32 code = ActionScrollLineUp; code <= ActionScrollPageRight; code++) {
        CAPTURE(code);
        CHECK(bench.Run(code).outcome == OutcomeDone);
        CHECK(bench.Caret() == 40);
        CHECK(bench.Anchor() == 10);
    }
    bench.Run(ActionScrollLineDown);
    CHECK(bench.State().TopPosition() > top);
    bench.Run(ActionScrollPageRight);
    CHECK(bench.State().horzOffset > 0);
    CHECK(bench.broadcasts.empty());
    (void)doc;
}

TEST_CASE("go to a line and column: beyond the line's end stops before its break; the dialog counts from 1")
{
    CursorBench bench;
    TextDocument* doc = bench.Shown(L"one\r\ntwo two\r\nthree");
    ActionRecord record;
    record.InitPlain(ActionGoToPosition, bench.views[0]);
    record.number1 = 1;
    record.number2 = 100;
    ExecuteAction(*bench.broker, record);
    CHECK(bench.Caret() == 12);
    CHECK(bench.Anchor() == 12);
    CHECK(bench.Kinds() == std::vector<int32>{8});

    // The dialog is lent by the owner: it sees the caret's place from 1 and answers.
    static int64 seenLine, seenColumn, answerLine, answerColumn;
    static bool seenFocus;
    static int32 answer;
    bench.broker->lineColumnDialog = [](Form*, int64& line, int64& column, bool focusColumn) -> int32 {
        seenLine = line;
        seenColumn = column;
        seenFocus = focusColumn;
        if (answer == 1) {
            line = answerLine;
            column = answerColumn;
        }
        return answer;
    };
    bench.Place(7, 7);
    answer = 1;
    answerLine = 3;
    answerColumn = 2;
    record.InitPlain(ActionGoToLine, bench.views[0]);
    record.number1 = 1;
    ExecuteAction(*bench.broker, record);
    CHECK(seenLine == 2);
    CHECK(seenColumn == 3);
    CHECK(seenFocus);
    CHECK(bench.Caret() == 15);

    // A line past the end goes to the last line; Cancel moves nothing.
    answerLine = INT64_MAX;
    answerColumn = INT64_MAX;
    bench.Run(ActionGoToLine);
    CHECK(bench.Caret() == doc->text.Size());
    answer = 2;
    bench.Place(1, 1);
    bench.broadcasts.clear();
    bench.Run(ActionGoToLine);
    CHECK(bench.Caret() == 1);
    CHECK(bench.broadcasts.empty());
}

TEST_CASE("matching brackets: nesting, other kinds ignored, a window of 10000 bytes both ways")
{
    CursorBench bench;
    bench.Shown(L"((x)) ( ] ) [(])");
    CHECK(bench.MatchAt(0) == std::vector<int64>{0, 1, 4, 5});
    CHECK(bench.MatchAt(4) == std::vector<int64>{4, 5, 0, 1});
    CHECK(bench.MatchAt(1) == std::vector<int64>{1, 2, 3, 4});
    CHECK(bench.MatchAt(6) == std::vector<int64>{6, 7, 10, 11});
    CHECK(bench.MatchAt(12) == std::vector<int64>{12, 13, 14, 15});
    CHECK(bench.MatchAt(2).empty());
    CHECK(bench.MatchAt(8).empty());  // "]" finds no "[" before it

    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE}) {
        CAPTURE(encoding);
        int64 unit = encoding == EncodingUtf8 ? 1 : 2;
        // The partner starts exactly at the window's last byte, then one character further.
        int64 inside = 10000 / unit - 1;
        std::wstring inWindow = L"(" + std::wstring(static_cast<size_t>(inside), L'x') + L")";
        bench.Shown(inWindow, encoding);
        CHECK(bench.MatchAt(0) == std::vector<int64>{0, unit, (inside + 1) * unit, (inside + 2) * unit});
        CHECK(bench.MatchAt((inside + 1) * unit) == std::vector<int64>{(inside + 1) * unit, (inside + 2) * unit, 0, unit});
        std::wstring outside = L"(" + std::wstring(static_cast<size_t>(inside + 1), L'x') + L")";
        bench.Shown(outside, encoding);
        CHECK(bench.MatchAt(0).empty());
        CHECK(bench.MatchAt((inside + 2) * unit).empty());
    }
}

