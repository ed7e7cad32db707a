#include "EditTestSupport.h"

#include <doctest.h>

#include "support/DocumentText.h"

using doctext::Bytes;

TEST_CASE("key-down map: a selection collapses before any move, Shift extends it")
{
    CHECK(KeyDownActionCode(VK_LEFT, false, true, true) == ActionCharLeftExtend);
    CHECK(KeyDownActionCode(VK_LEFT, false, false, true) == ActionCollapseToStart);
    CHECK(KeyDownActionCode(VK_LEFT, true, false, true) == ActionCollapseToStart);
    CHECK(KeyDownActionCode(VK_RIGHT, true, false, true) == ActionCollapseToEnd);
    CHECK(KeyDownActionCode(VK_RIGHT, true, false, false) == ActionWordRight);
    CHECK(KeyDownActionCode(VK_LEFT, true, true, true) == ActionWordLeftExtend);
    CHECK(KeyDownActionCode(VK_UP, true, true, false) == ActionScrollLeft);
    CHECK(KeyDownActionCode(VK_DOWN, true, true, false) == ActionScrollRight);
    CHECK(KeyDownActionCode(VK_PRIOR, true, true, false) == ActionScrollPageLeft);
    CHECK(KeyDownActionCode(VK_HOME, false, false, false) == ActionSmartHome);
    CHECK(KeyDownActionCode(VK_END, true, true, false) == ActionTextEndExtend);
    CHECK(KeyDownActionCode(VK_INSERT, true, true, true) == ActionToggleOverwrite);
    CHECK(KeyDownActionCode(VK_DELETE, true, false, true) == ActionDeleteSelection);
    CHECK(KeyDownActionCode(VK_DELETE, false, true, false) == ActionDeleteChar);
    for (int32 key : {41, 42, 43, 44, int32('A'), int32(VK_F6), int32(VK_TAB), int32(VK_RETURN)})
        CHECK(KeyDownActionCode(key, false, false, false) == -1);
}

TEST_CASE("character map: control characters and DEL type nothing, a surrogate pair is one insertion")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    for (wchar_t c : {wchar_t(2), wchar_t(4), wchar_t(31), wchar_t(127)})
        RunChar(*bench.broker, c, bench.views[0]);
    CHECK(doc->text.Size() == 0);
    CHECK(doc->undoLength == 0);

    RunChar(*bench.broker, 0xD83D, bench.views[0]);
    CHECK(doc->text.Size() == 0);
    CHECK(bench.broker->pendingHighSurrogate == 0xD83D);
    RunChar(*bench.broker, 0xDE00, bench.views[0]);
    CHECK(Bytes(*doc) == "\xF0\x9F\x98\x80");
    CHECK(doc->undoLength == 1);
    CHECK(bench.broker->pendingHighSurrogate == 0);
}

TEST_CASE("overwrite replaces a character of the line, inserts at a line end and at the end of the text")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    doc->text.SetNewLineKind(-2);
    Put(bench, L"ab\rc");
    RunKeyDown(*bench.broker, VK_INSERT, bench.views[0]);
    REQUIRE(bench.views[0]->currentState->overwrite);
    bench.views[0]->SetCaret(doc, 1, 0, 0);
    TypeText(bench, L"XY");
    CHECK(Bytes(*doc) == "aXY\r\nc");
    bench.views[0]->SetCaret(doc, doc->text.Size(), 0, 0);
    TypeText(bench, L"ż");
    CHECK(Bytes(*doc) == "aXY\r\nc\xC5\xBC");
    // A selection is replaced whatever the mode.
    Select(bench.views[0], 0, 2);
    TypeText(bench, L"-");
    CHECK(Bytes(*doc) == "-Y\r\nc\xC5\xBC");
}

TEST_CASE("Tab indents when the selection covers lines, else it is typed")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    doc->text.SetNewLineKind(10);
    Put(bench, L"one\ntwo\nthree");
    TextView* view = bench.views[0];

    Select(view, 5, 6);  // inside "two"
    CHECK_FALSE(SelectionCoversLines(view));
    RunChar(*bench.broker, 9, view);
    CHECK(Bytes(*doc) == "one\nt\to\nthree");

    Select(view, 4, 7);  // "t\to" from its start to its line break
    CHECK(SelectionCoversLines(view));
    RunChar(*bench.broker, 9, view);
    CHECK(Bytes(*doc) == "one\n\tt\to\nthree");

    Select(view, 2, 6);  // holds a line break
    CHECK(SelectionCoversLines(view));
    RunChar(*bench.broker, 9, view);
    CHECK(Bytes(*doc) == "\tone\n\t\tt\to\nthree");

    Select(view, 11, 16);  // "three" whole, to the end of the text
    CHECK(SelectionCoversLines(view));
    Select(view, 12, 16);
    CHECK_FALSE(SelectionCoversLines(view));
}
