#include "LayoutTestSupport.h"

#include <algorithm>

namespace {

const LayoutRun* FindRun(const std::vector<LayoutRun>& runs, int32 kind, int nth = 0)
{
    for (const LayoutRun& r : runs)
        if (r.kind == kind && nth-- == 0)
            return &r;
    return nullptr;
}

int CountKind(const std::vector<LayoutRun>& runs, int32 kind)
{
    return static_cast<int>(std::count_if(runs.begin(), runs.end(), [&](const LayoutRun& r) { return r.kind == kind; }));
}

}  // namespace

TEST_CASE("control characters and undecodable bytes become named boxes")
{
    int32 length = 0;
    CHECK(std::wstring(ControlCharName(7, length)) == L"BEL");
    CHECK(length == 3);
    CHECK(std::wstring(ControlCharName(0, length)) == L"NUL");
    CHECK(std::wstring(ControlCharName(31, length)) == L"US");
    CHECK(std::wstring(ControlCharName(0x9F, length)) == L"9f");
    CHECK(length == 2);
    CHECK(std::wstring(ControlCharName(0xDE00, length)) == L"de00");
    CHECK(std::wstring(ControlCharName(-5, length)) == L"-05");

    LayoutBench bench("a\x07" "b\x9f");
    LineLayout layout = bench.Make(600, 200);
    auto runs = bench.Runs(layout);
    CHECK(Kinds(runs) == std::vector<int32>{RunLineStart, RunText, RunControl, RunText, RunControl, RunEndOfText});
    int32 pad = std::max(layout.LineHeight() / 5, 1);
    CHECK(runs[2].width == bench.Width(L"BEL", 2) + 2 * pad);
    CHECK(runs[4].width == bench.Width(L"9f", 2) + 2 * pad);
    CHECK(runs[3].x == runs[2].x + runs[2].width);
}

TEST_CASE("a NUL ends the line and a tab is never a box")
{
    LayoutBench bench(std::string("a\0b\tc", 5));
    LineLayout layout = bench.Make(600, 200);
    auto runs = bench.Runs(layout);
    CHECK(Kinds(runs) ==
          std::vector<int32>{RunLineStart, RunText, RunLineEnd, RunLineStart, RunText, RunTab, RunText, RunEndOfText});
    CHECK(runs[3].y == layout.LineHeight());
    CHECK(runs[3].pos == 2);
}

TEST_CASE("a tab reaches the next stop and is never narrower than a blank")
{
    // A proportional face gives stops that fall at any distance.
    LayoutBench bench("", MakeSettings({{L"FontName", L"Arial"}, {L"TabStep", L"2"}}));
    int32 blank = bench.Width(L" ");
    bool pushedOn = false;
    for (int n = 0; n < 24; n++) {
        std::string text(static_cast<size_t>(n), 'i');
        SetText(bench.doc, text + "\tx");
        LineLayout layout = bench.Make(2000, 100);
        auto runs = bench.Runs(layout);
        const LayoutRun* tab = FindRun(runs, RunTab);
        REQUIRE(tab);
        int32 stop = layout.TabWidth();
        CHECK(stop == 2 * blank);
        CHECK((tab->x + tab->width) % stop == 0);
        CHECK(tab->width >= blank);
        CHECK(tab->width < stop + blank);
        if (tab->width > stop)
            pushedOn = true;
    }
    CHECK(pushedOn);  // some prefix ended less than a blank before a stop
}

TEST_CASE("wrapping forces a wide first token and indents the continuation")
{
    LayoutBench bench("abcdefghijkl mn op");
    int32 word = bench.Width(L"abcdefghijkl");
    bench.state.wordWrap = true;
    LineLayout layout = bench.Make(bench.ViewWidthFor(word / 2), 200);
    auto runs = bench.Runs(layout);
    REQUIRE(runs.size() > 4);
    CHECK(runs[1].kind == RunText);
    CHECK(runs[1].width == word);  // forced although wider than the wrap width
    CHECK(runs[2].kind == RunWrap);
    CHECK(runs[2].pos == 12);
    CHECK(runs[3].kind == RunContinuation);
    CHECK(runs[3].x == layout.TabWidth());
    CHECK(runs[3].y == layout.LineHeight());
    // Every row start is a line start or a continuation after a wrap point.
    for (size_t i = 1; i < runs.size(); i++)
        if (runs[i].kind == RunContinuation)
            CHECK(runs[i - 1].kind == RunWrap);
}

TEST_CASE("without wrapping no continuation or wrap runs are made")
{
    LayoutBench bench(std::string(300, 'w') + " " + std::string(300, 'v'));
    LineLayout layout = bench.Make(60, 200);
    auto runs = bench.Runs(layout);
    CHECK(CountKind(runs, RunWrap) == 0);
    CHECK(CountKind(runs, RunContinuation) == 0);
    // A long word comes in pieces of at most 250 characters.
    CHECK(FindRun(runs, RunText, 0)->length == 250);
}

TEST_CASE("a caret at a wrap point shows at the upper row's end or the lower row's start")
{
    LayoutBench bench("aaaa bbbb");
    bench.state.wordWrap = true;
    int32 first = bench.Width(L"aaaa ");
    LineLayout layout = bench.Make(bench.ViewWidthFor(first + bench.Width(L"b")), 200);
    auto runs = bench.Runs(layout);
    const LayoutRun* wrap = FindRun(runs, RunWrap);
    REQUIRE(wrap);
    REQUIRE(wrap->pos == 5);
    LayoutPoint upper = layout.PositionToPoint(5, 1);
    CHECK(upper.y == 0);
    CHECK(upper.x == first);
    LayoutPoint lower = layout.PositionToPoint(5, 2);
    CHECK(lower.y == layout.LineHeight());
    CHECK(lower.x == layout.TabWidth());

    layout.SeekTo(5, 1);
    CHECK(layout.Current().kind == RunLineStart);
    layout.SeekTo(5, 2);
    CHECK(layout.Current().kind == RunContinuation);
    CHECK(layout.Current().pos == 5);
}

TEST_CASE("after the end of text the end run comes again and again")
{
    LayoutBench bench("xy");
    LineLayout layout = bench.Make(300, 100);
    layout.SeekTo(0, 2);
    while (layout.Current().kind != RunEndOfText)
        layout.NextRun();
    for (int i = 0; i < 3; i++) {
        layout.NextRun();
        CHECK(layout.Current().kind == RunEndOfText);
        CHECK(layout.Current().pos == 2);
    }
}

TEST_CASE("points map to positions inside runs, at line ends and below the text")
{
    LayoutBench bench("abc\nxyz");
    LineLayout layout = bench.Make(400, 300);
    int32 lh = layout.LineHeight();
    int32 a = bench.Width(L"a"), ab = bench.Width(L"ab");

    PositionAffinity right = layout.PointToPosition(1000, 1);
    CHECK(right.pos == 3);
    CHECK(right.affinity == 1);
    CHECK(layout.ResultAffinity() == 1);

    PositionAffinity below = layout.PointToPosition(5, lh * 5);
    CHECK(below.pos == 7);
    CHECK(below.affinity == 1);

    CHECK(layout.PointToPosition(-3, 0).pos == 0);
    CHECK(layout.PointToPosition(-3, 0).affinity == 2);
    // Nearer the right half of "b" than its left: after it.
    CHECK(layout.PointToPosition(a + (ab - a) * 3 / 4, 0).pos == 2);
    CHECK(layout.PointToPosition(a + (ab - a) / 4, 0).pos == 1);
    CHECK(layout.PointToPosition(ab, lh + 1).pos == 6);

    LayoutPoint p = layout.PositionToPoint(6, 2);
    CHECK(p.x == ab);
    CHECK(p.y == lh);
}

TEST_CASE("moving by visual rows keeps the x and stops at the text's ends")
{
    LayoutBench bench("first line\nsecond line\nthird");
    LineLayout layout = bench.Make(500, 300);
    int32 x = bench.Width(L"fir");
    PositionAffinity down = layout.MoveDownLines(3, 1, x, 2);
    CHECK(down.pos == 14);
    PositionAffinity two = layout.MoveDownLines(3, 2, x, 2);
    CHECK(two.pos == 26);
    PositionAffinity past = layout.MoveDownLines(3, 10, x, 2);
    CHECK(past.pos == 26);
    PositionAffinity up = layout.MoveUpLines(26, 1, x, 2);
    CHECK(up.pos == 14);
    PositionAffinity top = layout.MoveUpLines(26, 9, x, 2);
    CHECK(top.pos == 3);
    // Past the end of a short row the caret goes to that row's end.
    PositionAffinity shortRow = layout.MoveDownLines(19, 1, bench.Width(L"second lin"), 2);
    CHECK(shortRow.pos == 28);
    CHECK(shortRow.affinity == 1);
    PositionAffinity first = layout.MoveUpLines(3, 1, x, 2);
    CHECK(first.pos == 3);  // nothing above the first row
}

TEST_CASE("visual row starts are listed up to a position with its affinity")
{
    LayoutBench bench("aaaa bbbb cccc\ndddd");
    bench.state.wordWrap = true;
    // Rows: "aaaa bbbb" | " cccc" (after the continuation indent) | "dddd".
    LineLayout layout = bench.Make(bench.ViewWidthFor(bench.Width(L"aaaa bbbb")), 300);
    auto list = [&](int64 from, int64 to, int32 affinity) {
        Array<int64> found = layout.LineStarts(from, to, affinity);
        std::vector<int64> starts;
        for (int64 i = 0; i < found.Count(); i++)
            starts.push_back(found.At(i));
        return starts;
    };
    CHECK(list(0, 19, 2) == std::vector<int64>{0, 9, 15});
    CHECK(list(0, 9, 2) == std::vector<int64>{0, 9});
    CHECK(list(0, 9, 1) == std::vector<int64>{0});
    CHECK(list(9, 19, 2) == std::vector<int64>{9, 15});
    CHECK(list(0, 15, 1) == std::vector<int64>{0, 9, 15});
}

TEST_CASE("a very long line is entered near the target, not from its start")
{
    LayoutBench bench(std::string(70000, 'q'));
    LineLayout layout = bench.Make(600, 200);
    layout.SeekTo(60000, 2);
    CHECK(layout.Current().kind == RunLineStart);
    CHECK(layout.Current().pos == 16384);
    layout.NextRun();
    CHECK(layout.Current().pos == 16384);

    bench.state.wordWrap = true;
    LineLayout wrapped = bench.Make(bench.ViewWidthFor(bench.Width(L"qqqq")), 200);
    wrapped.SeekTo(60000, 2);
    CHECK(wrapped.Current().pos >= 16384);
    CHECK(wrapped.Current().pos <= 60000);
    wrapped.NextRun();
    CHECK(wrapped.Current().pos <= 60000);
    CHECK(wrapped.Current().End() > 60000);
}

TEST_CASE("a pending indent is shown once, also in panes narrower than itself")
{
    for (int width : {0, 1, 40, 600}) {
        CAPTURE(width);
        LayoutBench bench("if (x)\n");
        bench.state.wordWrap = true;
        bench.state.pendingIndent = String(L"\t\t ");
        bench.state.pendingIndentPos = 7;
        bench.SetCaret(7);
        LineLayout layout = bench.Make(width, 200);
        auto runs = bench.Runs(layout);
        REQUIRE(runs.back().kind == RunEndOfText);
        CHECK(CountKind(runs, RunIndent) == 3);
        const LayoutRun* indent = FindRun(runs, RunIndent, 2);
        REQUIRE(indent);
        CHECK(indent->width == layout.BlankWidth());
        // Every mapping that walks the rows comes back.
        layout.PositionToPoint(7, 2);
        layout.PositionToPoint(7, 1);
        layout.LineStarts(0, 7, 1);
        layout.LineStarts(0, 7, 2);
        layout.SeekTo(7, 2);
        layout.SeekTo(7, 1);
        layout.MoveDownLines(0, 5, 0, 2);
        layout.MoveUpLines(7, 5, 0, 2);
        layout.PointToPosition(50, 500);
    }
}

TEST_CASE("the indent sits before the caret's token and moves its x")
{
    LayoutBench bench("a\n");
    bench.state.pendingIndent = String(L"\t");
    bench.state.pendingIndentPos = 2;
    bench.SetCaret(2);
    LineLayout layout = bench.Make(600, 200);
    auto runs = bench.Runs(layout, 2);
    CHECK(Kinds(runs) == std::vector<int32>{RunLineStart, RunIndent, RunEndOfText});
    CHECK(runs[1].width == layout.TabWidth());
    CHECK(runs[2].x == layout.TabWidth());

    // Without auto-indent in the style nothing is shown.
    LayoutBench off("a\n", MakeSettings({{L"Autoindent", L"false"}}));
    off.state.pendingIndent = String(L"\t");
    off.state.pendingIndentPos = 2;
    off.SetCaret(2);
    LineLayout plain = off.Make(600, 200);
    CHECK(CountKind(off.Runs(plain), RunIndent) == 0);
}

TEST_CASE("zero and one pixel panes with wrapping put one token per row and end")
{
    for (int width : {0, 1}) {
        CAPTURE(width);
        LayoutBench bench("ab cd\tef\x07gh");
        bench.state.wordWrap = true;
        LineLayout layout = bench.Make(width, 0);
        CHECK(layout.WrapWidth() == 1);
        CHECK(layout.TextAreaHeight() == 1);
        auto runs = bench.Runs(layout);
        REQUIRE(runs.back().kind == RunEndOfText);
        int texts = 0;
        for (size_t i = 1; i + 1 < runs.size(); i++)
            if (runs[i].kind == RunText || runs[i].kind == RunBlank || runs[i].kind == RunTab ||
                runs[i].kind == RunControl) {
                texts++;
                CHECK((runs[i - 1].kind == RunLineStart || runs[i - 1].kind == RunContinuation));
            }
        CHECK(texts == 7);
        Array<int64> starts = layout.LineStarts(0, bench.doc.text.Size(), 2);
        CHECK(starts.Count() == 7);
        CHECK(layout.PositionToPoint(bench.doc.text.Size(), 2).y == 6 * layout.LineHeight());
        CHECK(layout.PointToPosition(0, 0).pos == 0);
    }
}

TEST_CASE("positions inside a text run map to measured prefix widths")
{
    LayoutBench bench("hello", MakeSettings({{L"FontName", L"Arial"}}));
    LineLayout layout = bench.Make(600, 100);
    layout.SeekTo(0, 2);
    layout.NextRun();
    const LayoutRun& run = layout.Current();
    REQUIRE(run.kind == RunText);
    CHECK(layout.RunPositionToX(run, 0) == run.x);
    CHECK(layout.RunPositionToX(run, 2) == run.x + bench.Width(L"he"));
    CHECK(layout.RunPositionToX(run, 5) == run.x + run.width);
    CHECK(layout.RunXToPosition(run, 0) == 0);
    CHECK(layout.RunXToPosition(run, run.width + 3) == 5);
    int32 he = bench.Width(L"he"), hel = bench.Width(L"hel");
    CHECK(layout.RunXToPosition(run, he + 1) == 2);
    CHECK(layout.RunXToPosition(run, hel) == 3);
}

TEST_CASE("unwrapped rows far wider than the view are not laid out to their ends")
{
    // A line of 300000 bytes ("ab " over and over), a short one, another
    // long one and a last short one.
    std::string longLine;
    for (int i = 0; i < 100000; i++)
        longLine += "ab ";
    const int64 second = static_cast<int64>(longLine.size()) + 1;
    const int64 third = second + 4;
    const int64 fourth = third + static_cast<int64>(longLine.size()) + 1;
    int64 tokens = 0;
    LayoutBench bench(longLine + "\nxyz\n" + longLine + "\nend");
    bench.tokens = &tokens;
    LineLayout layout = bench.Make(400, 300);
    const int32 lh = layout.LineHeight();
    // Every long line is 200000 tokens; a walk through one would show.
    const int64 bound = 20000;

    LayoutPoint y = layout.PositionToPoint(second + 1, 2);
    CHECK(y.y == lh);
    CHECK(y.x == bench.Width(L"x"));
    LayoutPoint e = layout.PositionToPoint(fourth + 2, 2);
    CHECK(e.y == 3 * lh);
    CHECK(e.x == bench.Width(L"en"));
    CHECK(tokens < bound);

    tokens = 0;
    PositionAffinity hit = layout.PointToPosition(bench.Width(L"xy"), lh + lh / 2);
    CHECK(hit.pos == second + 2);
    hit = layout.PointToPosition(bench.Width(L"e"), 3 * lh + 1);
    CHECK(hit.pos == fourth + 1);
    CHECK(tokens < bound);

    tokens = 0;
    int32 x = bench.Width(L"ab ab ");
    PositionAffinity down = layout.MoveDownLines(0, 1, x, 2);
    CHECK(down.pos == second + 3);  // the end of "xyz", left of x
    CHECK(down.affinity == 1);
    down = layout.MoveDownLines(second, 1, x, 2);
    CHECK(down.pos == third + 6);
    down = layout.MoveDownLines(0, 3, 0, 2);
    CHECK(down.pos == fourth);
    CHECK(tokens < bound);

    // A position inside a long line is still mapped from the line's start.
    LayoutPoint deep = layout.PositionToPoint(150000, 2);
    CHECK(deep.y == 0);
    CHECK(deep.x == 50000 * static_cast<int64>(bench.Width(L"ab ")));
}

TEST_CASE("positions far below the view keep their column and, unwrapped, their row")
{
    int64 tokens = 0;
    LayoutBench bench(NumberedLines(12000, "row ", 10000));  // 10 bytes a line
    bench.tokens = &tokens;
    LineLayout layout = bench.Make(400, 200);
    const int32 lh = layout.LineHeight();
    const int64 target = bench.doc.text.LineStart(11000) + 6;

    LayoutPoint p = layout.PositionToPoint(target, 2);
    CHECK(p.x == bench.Width(L"row 10"));
    CHECK(p.y == 11000 * static_cast<int64>(lh));
    CHECK(tokens < 2000);

    bench.state.wordWrap = true;
    LineLayout wrapped = bench.Make(400, 200);
    tokens = 0;
    LayoutPoint w = wrapped.PositionToPoint(target, 2);
    CHECK(w.x == bench.Width(L"row 10"));
    CHECK(w.y > wrapped.TextAreaHeight());  // only known to lie below the view
    CHECK(tokens < 30000);
    // Within reach the row is walked to and exact.
    LayoutPoint reached = wrapped.PositionToPoint(bench.doc.text.LineStart(30) + 2, 2);
    CHECK(reached.y == 30 * static_cast<int64>(lh));
}
