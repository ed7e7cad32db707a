#include "LayoutTestSupport.h"
#include "text/SyntaxId.h"
#include "view/CharWidths.h"

#include <doctest.h>

#include <random>
#include <string>
#include <vector>

// Widths added up from the advances of units must be what GDI measures for
// the whole piece, in every face, weight and way of measuring, and a layout
// that adds them up must place every run where one measuring by GDI does.

namespace {

// Pieces of many scripts: ASCII, Polish, Cyrillic, Greek, CJK, Hangul,
// full-width forms, symbols, surrogate pairs, combining marks, Hebrew,
// Arabic, Thai, a soft hyphen and joiners.
const wchar_t* const kPieces[] = {
    L"int value", L"Wy", L"AVATAR To", L"za\u017c\u00f3\u0142\u0107", L"\u0119\u015b\u0144", L"\u0416\u0438\u0437\u043d\u044c",
    L"\u03b1\u03b2\u03b3", L"\u4e2d\u6587\u5b57", L"\ud55c\uae00", L"\uff21\uff22", L"\u2192\u2264\u20ac",
    L"\U0001F600", L"\U00020000x", L"e\u0301", L"\u05e9\u05dc\u05d5\u05dd", L"\u0645\u0631\u062d\u0628\u0627",
    L"\u0e44\u0e17\u0e22", L"a\u00adb", L"a\u200db", L"\u3042\u30a2", L" ", L"()[]{}", L"0x7F3A",
};

std::wstring RandomUnits(std::mt19937& rng, size_t pieces)
{
    std::wstring s;
    for (size_t i = 0; i < pieces; i++)
        s += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    return s;
}

// The sum from the table, filling pages as a layout does; -1 when GDI must measure.
int32 TableWidth(CharWidths& widths, HDC hdc, int32 font, const std::wstring& s)
{
    for (;;) {
        int32 missing = -1;
        int32 w = widths.Sum(font, s.data(), static_cast<int32>(s.size()), missing);
        if (w >= 0 || missing < 0)
            return w;
        widths.Fill(hdc, font, missing);
    }
}

}  // namespace

TEST_CASE("advances added up give what GDI measures, in every face and way of measuring")
{
    for (const wchar_t* face : {L"Courier New", L"Arial"}) {
        for (const wchar_t* advanced : {L"false", L"true"}) {
            LayoutBench bench("", MakeSettings({{L"FontName", face}, {L"FontAdvanced", advanced}}));
            ViewStyle& style = *bench.style;
            CharWidths widths(style.fontAdvanced, static_cast<HFONT>(style.normalFont.Handle()),
                              static_cast<HFONT>(style.boldFont.Handle()));
            HDC hdc = bench.canvas.dc.Hdc();
            u32 seed = 1234;
            std::mt19937 rng(seed);
            int known = 0;
            for (int i = 0; i < 400; i++) {
                int32 font = static_cast<int32>(rng() % 2);
                bench.canvas.dc.SelectFont(font ? style.boldFont : style.normalFont);
                std::wstring s = RandomUnits(rng, 1 + rng() % 6);
                int32 w = TableWidth(widths, hdc, font, s);
                if (w < 0)
                    continue;
                known++;
                CAPTURE(seed);
                CAPTURE(i);
                CHECK(w == MeasureTextGdi(hdc, style.fontAdvanced, s.data(), static_cast<int32>(s.size())));
            }
            // Plain Latin text always comes from the table.
            CHECK(known > 50);
            std::wstring ascii = L"The quick brown fox";
            bench.canvas.dc.SelectFont(style.normalFont);
            CHECK(TableWidth(widths, hdc, 0, ascii) >= 0);
            // Units of shaped scripts, surrogates and combining marks are left to GDI.
            for (const wchar_t* shaped : {L"\u0645", L"\U0001F600", L"e\u0301", L"\u0e44", L"a\u200db"})
                CHECK(TableWidth(widths, hdc, 0, shaped) == CharWidths::kUnknown);
        }
    }
}

TEST_CASE("a layout adding up advances places every run as one measuring by GDI")
{
    for (const wchar_t* face : {L"Courier New", L"Arial"}) {
        for (const wchar_t* advanced : {L"false", L"true"}) {
            u32 seed = 99;
            std::mt19937 rng(seed);
            // Mixed code, Polish, CJK, tabs, surrogate pairs, control
            // characters and bytes that do not decode, in C colouring (bold keywords).
            static const std::string pieces[] = {
                "int x = 42; ", "\t", "/* zaż */ ", "\"str\" ", "\x07", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80",
                "e\xCC\x81", "\x9F", "return ", "gęślą ", "\xD0\x96\xD0\xB8 ", "for ", "// note\n", "\xEF\xBC\xA1 "};
            std::string text;
            while (text.size() < 6000)
                text += pieces[rng() % (sizeof(pieces) / sizeof(pieces[0]))];
            LayoutBench bench(text, MakeSettings({{L"FontName", face}, {L"FontAdvanced", advanced}}), 96, kSyntaxC);
            LayoutBench plain(text, MakeSettings({{L"FontName", face}, {L"FontAdvanced", advanced}}), 96, kSyntaxC);
            plain.style->charWidths.reset();
            REQUIRE(static_cast<bool>(bench.style->charWidths));
            for (bool wrap : {false, true}) {
                bench.state.wordWrap = plain.state.wordWrap = wrap;
                LineLayout a = bench.Make(500, 300), b = plain.Make(500, 300);
                auto ra = bench.Runs(a, 0, 100000), rb = plain.Runs(b, 0, 100000);
                REQUIRE(ra.size() == rb.size());
                size_t differ = 0;
                for (size_t i = 0; i < ra.size(); i++)
                    if (ra[i].kind != rb[i].kind || ra[i].x != rb[i].x || ra[i].y != rb[i].y ||
                        ra[i].width != rb[i].width)
                        differ++;
                CAPTURE(seed);
                CHECK(differ == 0);
                for (int k = 0; k < 50; k++) {
                    int64 pos = bench.doc.text.CharStart(static_cast<int64>(rng() % text.size()));
                    LayoutPoint pa = a.PositionToPoint(pos, 2), pb = b.PositionToPoint(pos, 2);
                    CAPTURE(pos);
                    CHECK(pa.x == pb.x);
                    CHECK(pa.y == pb.y);
                }
            }
        }
    }
}
