#include "LayoutTestSupport.h"

#include "spell/DictRegistry.h"

#include <set>

namespace {

// A registry that accepts the words of a list and notes every question.
class ListRegistry : public DictRegistry {
public:
    explicit ListRegistry(std::set<std::wstring> known) : words(std::move(known)) {}
    bool IsCorrect(const wchar_t* word, int64 length) const noexcept override
    {
        std::wstring w(word, static_cast<size_t>(length));
        asked.push_back(w);
        return words.count(w) > 0;
    }
    std::set<std::wstring> words;
    mutable std::vector<std::wstring> asked;
};

struct Painted {
    PaintResult result;
    int32 lineHeight;
    int32 textLeft;
    int32 top;
};

Painted PaintBench(LayoutBench& bench, Canvas& canvas, int width, int height, const DictRegistry* registry = nullptr,
                   const Array<int64>& underlines = Array<int64>(), const Array<int64>& backgrounds = Array<int64>())
{
    canvas.dc.FillRect(RECT{0, 0, width, height}, bench.style->textBgColor);
    LineLayout layout = bench.Paint(canvas, width, height, registry, underlines, backgrounds);
    Painted p{};
    layout.PaintLines(p.result);
    p.lineHeight = layout.LineHeight();
    p.textLeft = layout.TextLeft();
    p.top = bench.style->topMargin;
    return p;
}

// Rows of y where a column holds a colour.
std::vector<int> RowsWith(const Canvas& canvas, int x, int top, int bottom, COLORREF c)
{
    std::vector<int> rows;
    for (int y = top; y < bottom; y++)
        if (canvas.At(x, y) == c)
            rows.push_back(y);
    return rows;
}

}  // namespace

TEST_CASE("comment and tag backgrounds reach the right edge at a line end")
{
    const int width = 320, height = 120;
    LayoutBench c("x // note\ny", MakeSettings({{L"CommentBgColor", L"#00ff00"}}), 96, 1);
    Canvas canvas(width, height);
    Painted p = PaintBench(c, canvas, width, height);
    int32 lh = p.lineHeight;
    CHECK(canvas.At(width - 2, p.top + lh / 2) == 0x00FF00);
    CHECK(canvas.At(width - 2, p.top + lh + lh / 2) == c.style->textBgColor);
    // The comment starts after "x ".
    CHECK(canvas.At(p.textLeft + c.Width(L"x") / 2, p.top + lh / 2) != 0x00FF00);

    LayoutBench html("<a\nhref=1>z", MakeSettings({{L"TagBgColor", L"#0000ff"}}), 96, 3);
    Canvas page(width, height);
    Painted q = PaintBench(html, page, width, height);
    CHECK(page.At(width - 2, q.top + q.lineHeight / 2) == html.style->tagBgColor);
    CHECK(page.At(width - 2, q.top + 2 * q.lineHeight + q.lineHeight / 2) == html.style->textBgColor);
}

TEST_CASE("a selection over a line end shows the line-end block")
{
    const int width = 320, height = 120;
    LayoutBench bench("ab\ncd", MakeSettings({{L"SelectionColor2", L"#ff00ff"}, {L"SelectionBgColor", L"#00ffff"}}));
    bench.SetCaret(4, 1);
    Canvas canvas(width, height);
    Painted p = PaintBench(bench, canvas, width, height);
    int32 lh = p.lineHeight;
    int32 endX = p.textLeft + bench.Width(L"ab");
    int32 block = std::max(lh / 2, 9);
    int y = p.top + lh / 2;
    CHECK(canvas.At(endX + 1, y) == 0xFF00FF);
    CHECK(canvas.At(endX + block - 1, y) == 0xFF00FF);
    CHECK(canvas.At(endX + block + 1, y) != 0xFF00FF);
    // The selected "b" lies on the selection background; "a" does not.
    CHECK(canvas.Any(RECT{p.textLeft + bench.Width(L"a"), p.top, endX, p.top + lh}, 0x00FFFF));
    CHECK_FALSE(canvas.Any(RECT{p.textLeft, p.top, p.textLeft + bench.Width(L"a"), p.top + lh}, 0x00FFFF));
    // The second row holds the caret and no line end.
    CHECK_FALSE(canvas.Any(RECT{0, p.top + lh, width, p.top + 2 * lh}, 0xFF00FF));
}

TEST_CASE("a malformed number is drawn in the number colour and weight")
{
    const int width = 320, height = 60;
    LayoutBench bench("0x", MakeSettings({{L"NumberColor", L"#ff0000"}, {L"NumberBold", L"true"}}), 96, 1);
    LineLayout layout = bench.Make(width, height);
    auto runs = bench.Runs(layout);
    REQUIRE(runs[1].kind == RunText);
    CHECK(runs[1].Class() == 12);
    CHECK(runs[1].width == bench.Width(L"0x", 1));
    CHECK(layout.TokenColor(12) == 0xFF0000);
    Canvas canvas(width, height);
    Painted p = PaintBench(bench, canvas, width, height);
    CHECK(canvas.Any(RECT{p.textLeft, p.top, p.textLeft + runs[1].width, p.top + p.lineHeight}, 0xFF0000));
}

TEST_CASE("misspelled words of letters are underlined, dashed on short lines and waved on tall ones")
{
    ListRegistry registry({L"good"});
    for (const wchar_t* size : {L"6", L"16"}) {
        CAPTURE(std::wstring(size).c_str());
        LayoutBench bench("good bad a x1 x_y", MakeSettings({{L"FontSize", size}, {L"UnderlinesColor", L"#ff0000"}}));
        bench.state.spellUnderline = true;
        registry.asked.clear();
        const int width = 600, height = 80;
        Canvas canvas(width, height);
        Painted p = PaintBench(bench, canvas, width, height, &registry);
        // Only words of at least two letters are offered.
        CHECK(registry.asked == std::vector<std::wstring>{L"good", L"bad"});
        int32 lh = p.lineHeight;
        int bottom = p.top + lh;
        int badX = p.textLeft + bench.Width(L"good ");
        int goodX = p.textLeft;
        CHECK_FALSE(canvas.Any(RECT{goodX, bottom - 4, goodX + bench.Width(L"good"), bottom}, 0xFF0000));
        std::vector<int> columns;
        for (int i = 0; i < 12; i++) {
            auto rows = RowsWith(canvas, badX + i, bottom - 4, bottom, 0xFF0000);
            columns.push_back(rows.empty() ? 99 : rows.front() - (bottom - 2));
        }
        if (lh < 12)
            CHECK(columns == std::vector<int>{1, 1, 99, 99, 1, 1, 99, 99, 1, 1, 99, 99});
        else if (lh >= 18)
            CHECK(columns == std::vector<int>{0, -1, -1, 0, 1, 1, 0, -1, -1, 0, 1, 1});
        else
            CHECK(columns == std::vector<int>{1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0});
    }
}

TEST_CASE("without a registry or with underlining off nothing is checked")
{
    LayoutBench bench("wrongg", MakeSettings({{L"UnderlinesColor", L"#ff0000"}}));
    bench.state.spellUnderline = true;
    Canvas canvas(300, 60);
    Painted p = PaintBench(bench, canvas, 300, 60, nullptr);
    CHECK(p.result.valid == 1);
    CHECK_FALSE(canvas.Any(RECT{0, 0, 300, 60}, 0xFF0000));

    ListRegistry registry({});
    bench.state.spellUnderline = false;
    PaintBench(bench, canvas, 300, 60, &registry);
    CHECK(registry.asked.empty());
    CHECK_FALSE(canvas.Any(RECT{0, 0, 300, 60}, 0xFF0000));

    // The base registry has no primary dictionary and accepts nothing.
    DictRegistry none;
    bench.state.spellUnderline = true;
    PaintBench(bench, canvas, 300, 60, &none);
    CHECK(canvas.Any(RECT{0, 0, 300, 60}, 0xFF0000));
}

TEST_CASE("highlights: an empty underline pair still shows a strip, backgrounds fill inside the row")
{
    const int width = 320, height = 60;
    LayoutBench bench("abcdef", MakeSettings({{L"SelectionColor3", L"#00ffff"}, {L"HighlightBgColor", L"#00ff00"}}));
    bench.SetCaret(6);
    Canvas canvas(width, height);
    Painted p = PaintBench(bench, canvas, width, height, nullptr, Pairs({2, 2}), Pairs({3, 5}));
    int32 lh = p.lineHeight;
    int x = p.textLeft + bench.Width(L"ab");
    int strip = lh / 4 + 1, reach = lh / 5 + 1;
    int stripY = p.top + lh - strip / 2 - 1;
    CHECK(canvas.At(x, stripY) == 0x00FFFF);
    CHECK(canvas.At(x - reach, stripY) == 0x00FFFF);
    CHECK(canvas.At(x + reach - 1, stripY) == 0x00FFFF);
    CHECK(canvas.At(x + reach + 1, stripY) != 0x00FFFF);
    CHECK(canvas.At(x, p.top + 1) != 0x00FFFF);

    int h0 = p.textLeft + bench.Width(L"abc"), h1 = p.textLeft + bench.Width(L"abcde");
    CHECK(canvas.Any(RECT{h0 + 1, p.top + 1, h1 - 1, p.top + lh - 1}, 0x00FF00));
    CHECK(canvas.At(h0 + 1, p.top) != 0x00FF00);  // one pixel inside the row
    CHECK_FALSE(canvas.Any(RECT{p.textLeft, p.top, h0, p.top + lh}, 0x00FF00));
}

TEST_CASE("the gutter is drawn only in views at least twice the text height wide")
{
    LayoutBench bench("one\ntwo");
    int32 textHeight = bench.style->textHeight;
    COLORREF shade = bench.style->bgShade1;
    {
        Canvas canvas(300, 80);
        Painted p = PaintBench(bench, canvas, 300, 80);
        CHECK(canvas.At(1, p.top + 2) == shade);
        CHECK(canvas.At(textHeight - 1, p.top + 2) == bench.style->bgShade2);
        CHECK(p.textLeft == bench.style->lineHeight);
    }
    {
        int narrow = 2 * textHeight - 1;
        Canvas canvas(narrow, 80);
        Painted p = PaintBench(bench, canvas, narrow, 80);
        CHECK(p.textLeft == bench.style->spacing);
        CHECK_FALSE(canvas.Any(RECT{0, 0, narrow, 80}, shade));
    }
}

TEST_CASE("runs next to the right edge are drawn at 192 dpi and when zoomed")
{
    struct Case {
        int32 dpi;
        const wchar_t* size;
        int32 zoom;
    };
    for (Case c : {Case{192, L"20", 0}, Case{96, L"20", 10}}) {
        CAPTURE(c.dpi);
        CAPTURE(c.zoom);
        LayoutBench bench("", MakeSettings({{L"FontSize", c.size}}), c.dpi, 0, c.zoom);
        int32 cell = bench.Width(L"H");
        LineLayout sizing = bench.Make(3000, 200);
        int32 left = sizing.TextLeft();
        // The room between the wrap width and the right edge, where a run
        // would be lost if the wrap width were taken for the view's width.
        int32 margin = left + bench.style->spacing + sizing.LineHeight() / 3 - 50;
        REQUIRE(margin > cell + 1);
        const int k = 30;
        SetText(bench.doc, std::string(k, ' ') + "H");
        int width = left + (k + 1) * cell + 1;
        Canvas canvas(width, 200);
        Painted p = PaintBench(bench, canvas, width, 200);
        int h = left + k * cell;
        CHECK(h > width - margin);  // beyond the wrap width plus 50
        CHECK(canvas.Any(RECT{h, p.top, h + cell, p.top + p.lineHeight}, bench.style->textColor));
    }
}

TEST_CASE("the paint reports the caret, the rows and the widest row")
{
    LayoutBench bench("abc\nlonger line\nx");
    bench.SetCaret(5);
    Canvas canvas(400, 200);
    Painted p = PaintBench(bench, canvas, 400, 200);
    CHECK(p.result.valid == 1);
    CHECK(p.result.firstPainted == 0);
    CHECK(p.result.firstPainted2 == 0);
    CHECK(p.result.caretX == bench.Width(L"l"));
    CHECK(p.result.caretY == p.lineHeight);
    CHECK(p.result.caretHeight == p.lineHeight);
    CHECK(p.result.widest == bench.Width(L"longer line"));
    CHECK(p.result.lastFullyVisible == bench.doc.text.Size());
    CHECK(p.result.visibleRows == (200 - bench.style->topMargin) / p.lineHeight);

    // A caret scrolled above the view is not met.
    bench.doc.text.SetMarker(bench.state.topMarker, 4);
    bench.SetCaret(1);
    Painted scrolled = PaintBench(bench, canvas, 400, 200);
    CHECK(scrolled.result.firstPainted == 4);
    CHECK(scrolled.result.caretX == -1);
    CHECK(scrolled.result.caretY == -1);
}

TEST_CASE("a pending indent is tinted and control boxes are framed")
{
    LayoutBench bench("a\n\x07", MakeSettings({{L"TextBgColor", L"#ffffff"}}));
    bench.state.pendingIndent = String(L"\t");
    bench.state.pendingIndentPos = 2;
    bench.SetCaret(2);
    Canvas canvas(300, 80);
    Painted p = PaintBench(bench, canvas, 300, 80);
    COLORREF tint = RGB(255 * 80 / 100 + 51, 255 * 80 / 100 + 51, 255 * 80 / 100);
    int y = p.top + p.lineHeight + p.lineHeight / 2;
    CHECK(canvas.At(p.textLeft + 1, y) == tint);
    COLORREF frame = MixColors(bench.style->textColor, bench.style->textBgColor, 50, 100);
    int boxLeft = p.textLeft + LayoutBench("").style->tabStep * bench.Width(L" ");
    CHECK(canvas.Any(RECT{boxLeft, p.top + p.lineHeight, boxLeft + 40, p.top + 2 * p.lineHeight}, frame));
}

TEST_CASE("bookmarked rows get a mark in the gutter and the text's end is marked below")
{
    LayoutBench bench("one\ntwo\nthree");
    bench.doc.AddBookmark(5);
    bench.SetCaret(0);
    Canvas canvas(300, 120);
    Painted p = PaintBench(bench, canvas, 300, 120);
    int32 lh = p.lineHeight, gutter = bench.style->textHeight;
    int32 s = lh / 2, left = (gutter - s) / 2;
    auto markAt = [&](int row) {
        int y = p.top + row * lh + lh / 4;
        return canvas.At(left + s / 2, y + s / 2) == 0xFFFF80;
    };
    CHECK_FALSE(markAt(0));
    CHECK(markAt(1));
    CHECK_FALSE(markAt(2));
    // The shadow square lies two pixels lower right.
    CHECK(canvas.At(left + s, p.top + lh + lh / 4 + s) == 0xC0C0C0);
    int below = p.top + 3 * lh;
    CHECK(canvas.At(gutter - 2, below + 3) == bench.style->bgShade2);
    CHECK(canvas.At(1, below + 2) == bench.style->bgShade1);
    CHECK(canvas.At(1, below + 4) != bench.style->bgShade1);
    CHECK(canvas.At(1, below + 6) == bench.style->bgShade1);

    // In a narrow view there is no gutter and no mark.
    int narrow = 2 * bench.style->textHeight - 1;
    Canvas small(narrow, 120);
    PaintBench(bench, small, narrow, 120);
    CHECK_FALSE(small.Any(RECT{0, 0, narrow, 120}, 0xFFFF80));
}

TEST_CASE("wrap points and continuations carry bars; scrolled rows carry overflow arrows")
{
    LayoutBench bench("aaaa bbbb", MakeSettings({{L"WrapIndicatorColor", L"#00ff00"},
                                                 {L"OverflowBgColor", L"#0000ff"},
                                                 {L"OverflowFgColor", L"#ff0000"}}));
    bench.state.wordWrap = true;
    int width = bench.ViewWidthFor(bench.Width(L"aaaa b"));
    Canvas canvas(width, 100);
    Painted p = PaintBench(bench, canvas, width, 100);
    int32 lh = p.lineHeight, bar = lh / 20 + 1;
    int wrapX = p.textLeft + bench.Width(L"aaaa ") + lh / 16;
    int mid = p.top + lh / 2;
    CHECK(canvas.At(wrapX, mid) == 0x00FF00);
    CHECK(canvas.At(wrapX + bar, mid) != 0x00FF00);
    CHECK(canvas.At(wrapX + 2 * bar, mid) == 0x00FF00);
    CHECK(canvas.At(wrapX, p.top + 1) != 0x00FF00);
    int contX = p.textLeft + bench.Width(L"    ") - lh / 16 - 1;
    CHECK(canvas.At(contX, p.top + lh + lh / 2) == 0x00FF00);

    LayoutBench wide(std::string(200, 'z'), MakeSettings({{L"OverflowBgColor", L"#0000ff"}}));
    wide.state.horzOffset = 30;
    Canvas view(300, 60);
    Painted q = PaintBench(wide, view, 300, 60);
    int y = q.top + 1;  // above the arrow heads
    CHECK(view.At(wide.style->textHeight + 1, y) == 0x0000FF);  // left, at the gutter
    CHECK(view.At(298, y) == 0x0000FF);
    CHECK(view.Any(RECT{270, q.top, 300, q.top + q.lineHeight}, wide.style->overflowFgColor));
    wide.state.horzOffset = 0;
    PaintBench(wide, view, 300, 60);
    CHECK(view.At(wide.style->textHeight + 1, y) != 0x0000FF);
}

TEST_CASE("the caret row has its own background and frame")
{
    LayoutBench bench("one\ntwo", MakeSettings({{L"LineBgColor", L"#00ff00"}, {L"LineFrameColor", L"#ff0000"}}));
    bench.SetCaret(5);
    Canvas canvas(300, 80);
    Painted p = PaintBench(bench, canvas, 300, 80);
    int32 lh = p.lineHeight, gutter = bench.style->textHeight;
    CHECK(canvas.At(200, p.top + lh + lh / 2) == 0x00FF00);
    CHECK(canvas.At(200, p.top + lh) == 0xFF0000);
    CHECK(canvas.At(200, p.top + 2 * lh - 1) == 0xFF0000);
    CHECK(canvas.At(gutter, p.top + lh + lh / 2) == 0xFF0000);
    CHECK(canvas.At(200, p.top + lh / 2) == bench.style->textBgColor);
}
