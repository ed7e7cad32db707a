#include "LayoutTestSupport.h"
#include "text/SyntaxId.h"

#include <doctest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// A view state that remembers points along long lines and lexer seeks must
// lay out, hit-test, move and paint exactly as one that remembers nothing:
// the same points, positions, affinities and pixels, through random scrolls,
// caret moves and edits in and around the long lines.

namespace {

// Lines of tens of kilobytes among short ones, of code, comments, literals
// and directives left open to the line end, tabs, control characters, wide
// characters, surrogate pairs, combining marks and bytes that do not decode.
std::string LongLinesText(std::mt19937& rng)
{
    static const std::string pieces[] = {"int x = 42; ", "\t", "/* c */ ", "\"str\" ", "\x07", "\xE4\xB8\xAD\xE6\x96\x87",
                                         "\xF0\x9F\x98\x80", "e\xCC\x81", "\x9F", "<b> ", "&amp; ", "for ", "//",
                                         "/* a comment of words, * and / */ ", "\"say \\\"hi\\\" twice\" ", "'\\'' ",
                                         "/* ** open ", "\"open ", "zaż\xC3\xB3\xC5\x82\xC4\x87 ", "#if 1 "};
    std::string text;
    for (int line = 0; line < 7; line++) {
        size_t length = line % 2 ? 20000 + rng() % 30000 : rng() % 60;
        std::string s;
        while (s.size() < length)
            s += pieces[rng() % (sizeof(pieces) / sizeof(pieces[0]))];
        text += s + (line % 3 ? "\n" : "\r\n");
    }
    return text;
}

// The pixels of a canvas.
std::vector<u32> Pixels(Canvas& canvas, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<u32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(canvas.dc.Hdc(), OBJ_BITMAP));
    GetDIBits(canvas.dc.Hdc(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

struct Views {
    explicit Views(LayoutBench& b) : bench(b)
    {
        TextBuff& text = bench.doc.text;
        cached.document = &bench.doc;
        cached.caretMarker = text.AddMovingMarker();
        cached.anchorMarker = text.AddMovingMarker();
        cached.topMarker = text.AddStayingMarker();
        cached.pendingIndentPos = -1;
        cached.desiredX = -1;
        cached.longLines.reset(new LongLineCache());
    }

    // Both states alike but for the cache.
    void Set(int64 top, int64 caret, int64 anchor, int64 horz, bool wrap)
    {
        TextBuff& text = bench.doc.text;
        for (ViewState* s : {&bench.state, &cached}) {
            text.SetMarker(s->topMarker, top);
            text.SetMarker(s->caretMarker, caret);
            text.SetMarker(s->anchorMarker, anchor);
            s->horzOffset = horz;
            s->wordWrap = wrap;
            s->caretAffinity = 2;
        }
    }

    LineLayout Make(ViewState& s, LexerPtr& lexer)
    {
        lexer.reset(bench.factory->CreateLexer(&bench.doc));
        return LineLayout(s, *bench.style, lexer.get(), bench.canvas.dc, RECT{0, 0, kWidth, kHeight});
    }

    static constexpr int kWidth = 420;
    static constexpr int kHeight = 260;
    LayoutBench& bench;
    ViewState cached{};
    LexerPtr lexerA, lexerB;
};

void CheckSame(Views& v, std::mt19937& rng)
{
    TextBuff& text = v.bench.doc.text;
    int64 size = text.Size();
    int64 pos = static_cast<int64>(rng() % static_cast<u64>(size + 1));
    pos = text.CharStart(pos);
    int32 affinity = 1 + static_cast<int32>(rng() % 2);
    switch (rng() % 5) {
    case 0: {
        LineLayout a = v.Make(v.bench.state, v.lexerA), b = v.Make(v.cached, v.lexerB);
        LayoutPoint pa = a.PositionToPoint(pos, affinity), pb = b.PositionToPoint(pos, affinity);
        CAPTURE(pos);
        CHECK(pa.x == pb.x);
        CHECK(pa.y == pb.y);
        break;
    }
    case 1: {
        int64 x = static_cast<int64>(rng() % 400000), y = static_cast<int64>(rng() % Views::kHeight);
        LineLayout a = v.Make(v.bench.state, v.lexerA), b = v.Make(v.cached, v.lexerB);
        PositionAffinity pa = a.PointToPosition(x, y), pb = b.PointToPosition(x, y);
        CAPTURE(x);
        CAPTURE(y);
        CHECK(pa.pos == pb.pos);
        CHECK(pa.affinity == pb.affinity);
        break;
    }
    case 2: {
        int64 x = static_cast<int64>(rng() % 400000), n = static_cast<int64>(rng() % 12);
        bool up = rng() % 2;
        LineLayout a = v.Make(v.bench.state, v.lexerA), b = v.Make(v.cached, v.lexerB);
        PositionAffinity pa = up ? a.MoveUpLines(pos, n, x, affinity) : a.MoveDownLines(pos, n, x, affinity);
        PositionAffinity pb = up ? b.MoveUpLines(pos, n, x, affinity) : b.MoveDownLines(pos, n, x, affinity);
        CAPTURE(pos);
        CAPTURE(x);
        CAPTURE(n);
        CHECK(pa.pos == pb.pos);
        CHECK(pa.affinity == pb.affinity);
        break;
    }
    default: {
        Canvas ca(Views::kWidth, Views::kHeight), cb(Views::kWidth, Views::kHeight);
        PaintResult ra{}, rb{};
        {
            v.lexerA.reset(v.bench.factory->CreateLexer(&v.bench.doc));
            LineLayout a = LineLayout::ForPaint(v.bench.state, *v.bench.style, v.lexerA.get(), ca.dc,
                                                RECT{0, 0, Views::kWidth, Views::kHeight}, 0, nullptr,
                                                Array<int64>(), Array<int64>());
            a.PaintLines(ra);
        }
        {
            v.lexerB.reset(v.bench.factory->CreateLexer(&v.bench.doc));
            LineLayout b = LineLayout::ForPaint(v.cached, *v.bench.style, v.lexerB.get(), cb.dc,
                                                RECT{0, 0, Views::kWidth, Views::kHeight}, 0, nullptr,
                                                Array<int64>(), Array<int64>());
            b.PaintLines(rb);
        }
        CHECK(ra.firstPainted == rb.firstPainted);
        CHECK(ra.lastFullyVisible == rb.lastFullyVisible);
        CHECK(ra.lastStarted == rb.lastStarted);
        CHECK(ra.caretX == rb.caretX);
        CHECK(ra.caretY == rb.caretY);
        CHECK(ra.widest == rb.widest);
        CHECK(Pixels(ca, Views::kWidth, Views::kHeight) == Pixels(cb, Views::kWidth, Views::kHeight));
        break;
    }
    }
}

}  // namespace

TEST_CASE("remembered points and seeks along long lines change no point, position, move or pixel")
{
    const int32 syntaxes[] = {kSyntaxC, kSyntaxHtml, kSyntaxNone, kSyntaxJavaScript};
    for (unsigned seed = 1; seed <= 8; seed++) {
        CAPTURE(seed);
        std::mt19937 rng(seed);
        // Half the code texts in a face whose bold letters are wider, with
        // comments and strings bold, so a run's class changes its width.
        bool arial = seed % 4 == 0 || seed % 4 == 3;
        SettingsStore settings = !arial ? MakeSettings({{L"KeywordBold", L"true"}})
                                        : MakeSettings({{L"KeywordBold", L"true"}, {L"FontName", L"Arial"},
                                                          {L"CommentBold", L"true"}, {L"StringBold", L"true"}});
        LayoutBench bench(LongLinesText(rng), settings, 96, syntaxes[seed % 4]);
        if (seed == 3)
            bench.doc.text.SetLineEndConversion(10);
        Views views(bench);
        TextBuff& text = bench.doc.text;
        for (int step = 0; step < 40; step++) {
            CAPTURE(step);
            int64 size = text.Size();
            int64 lines = text.LineBreakCount() + 1;
            unsigned what = rng() % 10;
            if (what < 2) {
                // An edit in or near a long line, mostly far into it.
                int64 line = static_cast<int64>(rng() % static_cast<u64>(lines));
                int64 start = text.LineStart(line), end = text.LineStart(line + 1);
                int64 at = start + static_cast<int64>(rng() % static_cast<u64>(end - start + 1));
                if (rng() % 4 == 0)
                    at = end - static_cast<int64>(rng() % 50);
                at = text.CharStart(at < 0 ? 0 : at > size ? size : at);
                int64 to = text.CharStart(at + static_cast<int64>(rng() % 8) > size ? size : at + static_cast<int64>(rng() % 8));
                static const std::string inserts[] = {"x", "\t", "\n", "/*", "*/", "\"", "\xE4\xB8\xAD", "\x07", ""};
                const std::string& piece = inserts[rng() % 9];
                text.Replace(at, to < at ? at : to, reinterpret_cast<const u8*>(piece.data()),
                             static_cast<int64>(piece.size()));
                continue;
            }
            // A view placed anywhere: top at a line start (or anywhere with
            // wrapping), scrolled right as far as a long line goes.
            bool wrap = rng() % 5 == 0;
            int64 topLine = static_cast<int64>(rng() % static_cast<u64>(lines));
            int64 top = text.LineStart(topLine);
            int64 caret = text.CharStart(static_cast<int64>(rng() % static_cast<u64>(size + 1)));
            if (rng() % 2) {
                int64 caretLine = topLine + static_cast<int64>(rng() % 4);
                int64 from = text.LineStart(caretLine), to = text.LineStart(caretLine + 1);
                caret = text.CharStart(from + static_cast<int64>(rng() % static_cast<u64>(to - from + 1)));
            }
            int64 anchor = rng() % 3 ? caret : text.CharStart(static_cast<int64>(rng() % static_cast<u64>(size + 1)));
            int64 horz = rng() % 4 == 0 ? 0 : static_cast<int64>(rng() % 300000);
            views.Set(top, caret, anchor, horz, wrap);
            CheckSame(views, rng);
        }
    }
}

TEST_CASE("a click at every pixel along long lines of comment, literal, directive and code finds the same place")
{
    std::string words = "int alpha = beta + 42; ";
    std::string line;
    while (line.size() < 12000)
        line += words;
    const std::string text = "// " + line + "\n\"" + line + "\n#if " + line + "\n" + line + "\n";
    for (bool arial : {false, true}) {
        CAPTURE(arial);
        SettingsStore settings = !arial ? MakeSettings()
                                        : MakeSettings({{L"FontName", L"Arial"}, {L"CommentBold", L"true"},
                                                        {L"StringBold", L"true"}});
        LayoutBench bench(text, settings, 96, kSyntaxC);
        Views views(bench);
        TextBuff& text = bench.doc.text;
        for (int64 lineNo = 0; lineNo < 4; lineNo++) {
            views.Set(text.LineStart(lineNo), 0, 0, 0, false);
            for (int64 x0 : {int64(0), int64(40000)}) {
                for (int64 x = x0; x < x0 + 400; x++) {
                    LineLayout a = views.Make(bench.state, views.lexerA), b = views.Make(views.cached, views.lexerB);
                    PositionAffinity pa = a.PointToPosition(x, 0), pb = b.PointToPosition(x, 0);
                    CAPTURE(lineNo);
                    CAPTURE(x);
                    CHECK(pa.pos == pb.pos);
                    CHECK(pa.affinity == pb.affinity);
                }
            }
        }
    }
}

TEST_CASE("points moved by edits inside a long line give the same points, positions and pixels as none")
{
    // Lines of code and text with tabs or without, walked to their end
    // before each edit, so that points lie on both sides of it.
    const int32 syntaxes[] = {kSyntaxC, kSyntaxNone, kSyntaxJavaScript, kSyntaxC};
    for (unsigned seed = 1; seed <= 8; seed++) {
        CAPTURE(seed);
        std::mt19937 rng(seed + 100);
        bool arial = seed % 3 == 0;
        SettingsStore settings = !arial ? MakeSettings({{L"KeywordBold", L"true"}})
                                        : MakeSettings({{L"KeywordBold", L"true"}, {L"FontName", L"Arial"},
                                                          {L"CommentBold", L"true"}, {L"StringBold", L"true"}});
        std::string text = LongLinesText(rng);
        if (seed % 2 == 0)
            std::replace(text.begin(), text.end(), '\t', ' ');
        LayoutBench bench(text, settings, 96, syntaxes[seed % 4]);
        Views views(bench);
        TextBuff& buff = bench.doc.text;
        for (int step = 0; step < 30; step++) {
            CAPTURE(step);
            int64 line = 1 + 2 * static_cast<int64>(rng() % 3);
            int64 start = buff.LineStart(line), end = buff.LineStart(line + 1) - 1;
            u8 last = 0;
            buff.CopyBytes(end - 1, &last, 1);
            if (last == '\r')
                end--;
            views.Set(start, start, start, 0, false);
            {
                LineLayout b = views.Make(views.cached, views.lexerB);
                b.PositionToPoint(end, 2);
            }
            // Typing, a tab, a quote or a comment opened, a deletion; now
            // and then two edits before the next layout.
            for (int edits = rng() % 5 == 0 ? 2 : 1; edits > 0; edits--) {
                static const std::string inserts[] = {"x", "x", "ab", "\t", "\"", "/*", "\xC5\xBC", ""};
                const std::string& piece = inserts[rng() % 8];
                // Anywhere, in the line's first bytes, or around a step of
                // the points or a lexer's reach past one.
                int64 offset = static_cast<int64>(rng() % static_cast<u64>(end - start));
                unsigned where = rng() % 4;
                if (where == 0)
                    offset = static_cast<int64>(rng() % 11);
                else if (where == 1)
                    offset = offset / LongLineCache::kPointStep * LongLineCache::kPointStep +
                             static_cast<int64>(rng() % 9) - 4;
                offset = offset < 0 ? 0 : offset >= end - start ? end - start - 1 : offset;
                int64 at = buff.CharStart(start + offset);
                int64 to = piece.empty() || rng() % 4 == 0 ? buff.CharStart(at + 1 + static_cast<int64>(rng() % 3)) : at;
                to = to > end ? end : to;
                buff.Replace(at, to, reinterpret_cast<const u8*>(piece.data()), static_cast<int64>(piece.size()));
                end += static_cast<int64>(piece.size()) - (to - at);
            }
            // The line's end as End asks for it, places along it and near
            // its end, and the screen scrolled there.
            for (int check = 0; check < 4; check++) {
                int64 pos = check == 0 ? end : buff.CharStart(start + static_cast<int64>(rng() % static_cast<u64>(end - start + 1)));
                if (check == 1)
                    pos = buff.CharStart(end - static_cast<int64>(rng() % 200));
                LineLayout a = views.Make(bench.state, views.lexerA), b = views.Make(views.cached, views.lexerB);
                LayoutPoint pa = a.PositionToPoint(pos, 2), pb = b.PositionToPoint(pos, 2);
                CAPTURE(pos);
                CHECK(pa.x == pb.x);
                CHECK(pa.y == pb.y);
                if (check == 0) {
                    views.Set(start, end, end, pa.x > 200 ? pa.x - 200 : 0, false);
                    int64 column = 0;
                    for (int64 p = start; p < end; column++)
                        p = buff.NextChar(p);
                    CHECK(buff.LineColumnOfOffset(end).column == column);
                }
            }
            CheckSame(views, rng);
            Canvas ca(Views::kWidth, Views::kHeight), cb(Views::kWidth, Views::kHeight);
            PaintResult ra{}, rb{};
            for (int k = 0; k < 2; k++) {
                ViewState& s = k == 0 ? bench.state : views.cached;
                LexerPtr& lexer = k == 0 ? views.lexerA : views.lexerB;
                lexer.reset(bench.factory->CreateLexer(&bench.doc));
                LineLayout l = LineLayout::ForPaint(s, *bench.style, lexer.get(), k == 0 ? ca.dc : cb.dc,
                                                    RECT{0, 0, Views::kWidth, Views::kHeight}, 0, nullptr,
                                                    Array<int64>(), Array<int64>());
                l.PaintLines(k == 0 ? ra : rb);
            }
            CHECK(ra.caretX == rb.caretX);
            CHECK(ra.widest == rb.widest);
            CHECK(Pixels(ca, Views::kWidth, Views::kHeight) == Pixels(cb, Views::kWidth, Views::kHeight));
        }
    }
}

TEST_CASE("End after an edit in the first bytes of a long line walks only up to the points past the edit")
{
    // Words, tabs, wide letters, a pair and a combining mark, all made into
    // tokens one by one by the counting lexer.
    static const std::string pieces[] = {"word ", "\t", "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 ", "\xE4\xB8\xAD\xE6\x96\x87",
                                         "\xF0\x9F\x98\x80", "e\xCC\x81 ", "x"};
    std::mt19937 rng(17);
    std::string line;
    while (line.size() < 200000)
        line += pieces[rng() % 7];
    LayoutBench bench(line + "\nafter\n");
    Views views(bench);
    views.Set(0, 0, 0, 0, false);
    TextBuff& text = bench.doc.text;
    auto endX = [&](ViewState& s, int64& tokens) {
        CountingLexer lexer(&bench.doc, &tokens);
        LineLayout layout(s, *bench.style, &lexer, bench.canvas.dc, RECT{0, 0, Views::kWidth, Views::kHeight});
        return layout.PositionToPoint(text.LineStart(1) - 1, 2).x;
    };
    for (int round = 0; round < 12; round++) {
        CAPTURE(round);
        int64 tokens = 0;
        endX(views.cached, tokens);
        static const std::string inserts[] = {"x", "\t", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", ""};
        const std::string& piece = inserts[rng() % 5];
        int64 at = text.CharStart(static_cast<int64>(rng() % 11));
        int64 to = piece.empty() ? text.NextChar(at) : at;
        text.Replace(at, to, reinterpret_cast<const u8*>(piece.data()), static_cast<int64>(piece.size()));
        int64 fresh = 0, cached = 0;
        int64 x = endX(bench.state, fresh);
        CHECK(endX(views.cached, cached) == x);
        // A fresh walk makes every token of the line.
        CHECK(cached * 50 < fresh);
    }
}
