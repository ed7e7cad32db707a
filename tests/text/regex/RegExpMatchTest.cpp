#include "text/RegExp.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "RegexTestSupport.h"

#include <doctest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace RegexKind;

namespace {

struct Match {
    int64 start;
    int64 stop;
    bool operator==(const Match& o) const { return start == o.start && stop == o.stop; }
};

doctest::String toString(const Match& m)
{
    return ("(" + std::to_string(m.start) + ", " + std::to_string(m.stop) + ")").c_str();
}

void SetText(TextDocument& document, const std::string& bytes, EncodingId encoding = EncodingUtf8)
{
    TextBuff& buff = document.text;
    buff.Replace(0, buff.Size(), nullptr, 0);
    buff.SetEncoding(encoding);
    buff.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
}

std::string Utf16LE(const std::wstring& text)
{
    std::string out;
    for (wchar_t w : text) {
        out += static_cast<char>(w & 0xFF);
        out += static_cast<char>((w >> 8) & 0xFF);
    }
    return out;
}

std::string Utf16BE(const std::wstring& text)
{
    std::string out;
    for (wchar_t w : text) {
        out += static_cast<char>((w >> 8) & 0xFF);
        out += static_cast<char>(w & 0xFF);
    }
    return out;
}

class Searcher {
public:
    explicit Searcher(const std::wstring& pattern, bool ignoreCase = false)
    {
        std::vector<u32> cps = CodePoints(pattern);
        re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
    }

    Match Forward(TextDocument& buff, int64 from, int64 length = 100000)
    {
        int64 stop = -7;
        int64 start = re.FindForward(buff, from, stop, length);
        return Match{start, stop};
    }
    Match Backward(TextDocument& buff, int64 position, int64 window = 100000)
    {
        int64 stop = -7;
        int64 start = re.FindBackward(buff, position, stop, window);
        return Match{start, stop};
    }
    Match Before(TextDocument& buff, int64 position)
    {
        int64 stop = -7;
        int64 start = re.FindBackwardBefore(buff, position, stop);
        return Match{start, stop};
    }

    RegExp re;
};

Match At(const std::string& pattern, const std::string& text, int64 from = 0)
{
    TextDocument buff;
    SetText(buff, text);
    std::wstring wide(pattern.begin(), pattern.end());
    return Searcher(wide).Forward(buff, from);
}

}  // namespace

TEST_CASE("the match that ends first wins, from its earliest start, at its longest")
{
    CHECK(At("abcd|c", "abcd") == Match{2, 3});
    CHECK(At("a+", "xaaay") == Match{1, 4});
    CHECK(At("a*", "aab") == Match{0, 2});
    CHECK(At("a*", "baa") == Match{0, 0});
    CHECK(At("a*", "baa", 1) == Match{1, 3});
    CHECK(At("a*", "", 0) == Match{0, 0});
    CHECK(At("b|ab", "xab") == Match{1, 3});
    CHECK(At("x*y", "xxxyxy") == Match{0, 4});
    CHECK(At("(ab)+", "abababc") == Match{0, 6});
}

TEST_CASE("anchors see every kind of line break but not NUL")
{
    CHECK(At("^b", "a\rb") == Match{2, 3});
    CHECK(At("^b", "a\nb") == Match{2, 3});
    CHECK(At("^b", std::string("a\r\nb")) == Match{3, 4});
    CHECK(At("^b", std::string("a\0b", 3)).start == -1);
    CHECK(At("^b", "b") == Match{0, 1});
    CHECK(At("a$", "a\rx") == Match{0, 1});
    CHECK(At("a$", "a\nx") == Match{0, 1});
    CHECK(At("a$", "a\r\nx") == Match{0, 1});
    CHECK(At("a$", "xa") == Match{1, 2});
    CHECK(At("a$", std::string("a\0", 2)).start == -1);
    CHECK(At("^$", "x\n\ny") == Match{2, 2});
}

TEST_CASE("line breaks match only a class that lists a line feed")
{
    CHECK(At(".", "\n") .start == -1);
    CHECK(At(".", "\r\nx") == Match{2, 3});
    CHECK(At("[^x]", "\n\r\r\ny") == Match{4, 5});
    CHECK(At("[\\n]", "a\rb") == Match{1, 2});
    CHECK(At("[\\n]", "a\nb") == Match{1, 2});
    CHECK(At("[\\n]", "a\r\nb") == Match{1, 3});
    CHECK(At("[^\\n]", "\nb") == Match{1, 2});
    CHECK(At("[\\x00-\\x7f]", "\n\r\nz") == Match{3, 4});
    CHECK(At("[\\s]", "\n ") == Match{1, 2});
    CHECK(At("\\n", "a\r\n") == Match{1, 3});
    CHECK(At("a\\nb", "a\rb") == Match{0, 3});
}

TEST_CASE("word boundaries")
{
    CHECK(At("\\bfoo\\b", "(foo)") == Match{1, 4});
    CHECK(At("\\bfoo\\b", "foobar").start == -1);
    CHECK(At("\\bfoo\\b", "foobar foo") == Match{7, 10});
    CHECK(At("\\b", "ab") == Match{0, 0});
    CHECK(At("\\b", "ab", 1) == Match{2, 2});
    CHECK(At("\\B", "ab") == Match{1, 1});
    CHECK(At("\\b", " ") .start == -1);
    CHECK(At("\\B", " ") == Match{0, 0});
    CHECK(At("x\\b", "x\ny") == Match{0, 1});
    CHECK(At("\\bz", "\xC3\xA9z").start == -1);
    CHECK(At("\\bz", "-z") == Match{1, 2});
}

TEST_CASE("case is ignored for literals but not for classes")
{
    TextDocument buff;
    SetText(buff, "xK\xC3\x89y");
    CHECK(Searcher(L"k", true).Forward(buff, 0) == Match{1, 2});
    CHECK(Searcher(L"k", false).Forward(buff, 0).start == -1);
    CHECK(Searcher(L"\u00e9", true).Forward(buff, 0) == Match{2, 4});
    CHECK(Searcher(L"[a-z]+", true).Forward(buff, 0) == Match{0, 1});
    CHECK(Searcher(L"[k]", true).Forward(buff, 0).start == -1);
    CHECK(Searcher(L"XK\u00e9Y", true).Forward(buff, 0) == Match{0, 5});
}

TEST_CASE("an undecodable byte is a character of its own")
{
    CHECK(At(".", "\x80") == Match{0, 1});
    CHECK(At("\\D", "\xFF") == Match{0, 1});
    CHECK(At("\\W", "\xFF") == Match{0, 1});
    CHECK(At("\\S", "\xFF") == Match{0, 1});
    CHECK(At("[[:ascii:]]", "\xC3\xA9\x80") == Match{2, 3});
    CHECK(At("\\w", "\x80").start == -1);
    CHECK(At("\\d", "\x80").start == -1);
    CHECK(At("[\\x00-\\xff]", "\x80").start == -1);
    CHECK(At("a.b", "a\xE2\x82" "b") == Match{-1, 4});
    CHECK(At("a..b", "a\xE2\x82" "b") == Match{0, 4});
}

TEST_CASE("named classes and escapes outside brackets")
{
    CHECK(At("\\d+", "ab123c") == Match{2, 5});
    CHECK(At("\\s", "ab\tc") == Match{2, 3});
    CHECK(At("\\s", "a\vb\fc").start == -1);
    CHECK(At("\\S", "\v\f") .start == -1);
    CHECK(At("[\\S]", "\v") == Match{0, 1});
    CHECK(At("[[:punct:]]", "ab,") == Match{2, 3});
    CHECK(At("[[:xdigit:]]+", "xyzBEEFg") == Match{3, 7});
    CHECK(At("[[:cntrl:]]", "ab\x7f") == Match{2, 3});
    CHECK(At("[[:upper:][:digit:]]+", "abC1D") == Match{2, 5});
    CHECK(At("\\w+", "--\xC3\xA9t\xC3\xA9_1 ") == Match{2, 9});
}

TEST_CASE("searches in every encoding")
{
    TextDocument buff;
    SetText(buff, Utf16LE(L"ab\u00e9\U0001F600\r\ncd"), EncodingUtf16LE);
    CHECK(Searcher(L"\U0001F600$").Forward(buff, 0) == Match{6, 10});
    CHECK(Searcher(L"^c").Forward(buff, 0) == Match{14, 16});
    CHECK(Searcher(L"\u00c9", true).Backward(buff, 16) == Match{4, 6});
    CHECK(Searcher(L"[^a]b").Forward(buff, 0).start == -1);

    SetText(buff, Utf16BE(L"x\u00e9\U0001F600y"), EncodingUtf16BE);
    CHECK(Searcher(L"\u00e9.y").Forward(buff, 0) == Match{2, 10});
    CHECK(Searcher(L"\\W").Before(buff, 10) == Match{4, 8});

    SetText(buff, "a\xE9\xC9z", EncodingWindows1250);
    CHECK(Searcher(L"\u00e9+", true).Forward(buff, 0) == Match{1, 3});
    CHECK(Searcher(L"[[:alpha:]]+").Forward(buff, 0) == Match{0, 4});

    SetText(buff, "x\x80y", EncodingWindows1252);
    CHECK(Searcher(L"\u20ac").Forward(buff, 0) == Match{1, 2});
}

TEST_CASE("backward searches pick the largest start")
{
    TextDocument buff;
    SetText(buff, "abcabcab");
    Searcher abc(L"abc");
    CHECK(abc.Backward(buff, 6) == Match{3, 6});
    CHECK(abc.Backward(buff, 3) == Match{0, 3});
    CHECK(abc.Backward(buff, 4) == Match{3, 6});
    CHECK(abc.Before(buff, 5) == Match{0, 3});
    CHECK(abc.Before(buff, 6) == Match{3, 6});
    Searcher as(L"a+b*");
    SetText(buff, "xaaabbx");
    // The largest start below 4 is 3, and from there the longest extent.
    CHECK(as.Backward(buff, 4) == Match{3, 6});
    // Before 5 the match must end by 5: "ab" from 3 is the last such match.
    CHECK(as.Before(buff, 5) == Match{3, 5});
    CHECK(Searcher(L"a*").Before(buff, 0) == Match{0, 0});
    CHECK(Searcher(L"q").Backward(buff, 0) == Match{-1, 0});
}

TEST_CASE("a backward search goes on from the last one only in the same text, unchanged")
{
    Searcher ab(L"[0-9]+ab");
    TextDocument one, two;
    SetText(one, "12ab 345ab 6789ab");
    SetText(two, "12ab 345ab 6x89ab");
    CHECK(ab.Backward(one, 17) == Match{14, 17});
    CHECK(ab.Backward(one, 14) == Match{13, 17});
    CHECK(ab.Backward(one, 13) == Match{12, 17});
    // From the same place in another text.
    CHECK(ab.Backward(two, 12) == Match{7, 10});
    // From the same place after an edit.
    CHECK(ab.Backward(one, 13) == Match{12, 17});
    one.text.Replace(12, 13, reinterpret_cast<const u8*>("x"), 1);
    CHECK(ab.Backward(one, 12) == Match{7, 10});
    // A new text where the last one was, after as many changes.
    std::optional<TextDocument> doc;
    doc.emplace();
    SetText(*doc, "x12ab");
    CHECK(ab.Backward(*doc, 5) == Match{2, 5});
    doc.reset();
    doc.emplace();
    SetText(*doc, "11xab");
    CHECK(ab.Backward(*doc, 2) == Match{-1, 0});
}

TEST_CASE("searches that find nothing say where to go on")
{
    TextDocument buff;
    SetText(buff, std::string(60000, 'x'));
    Searcher q(L"q");
    CHECK(q.Forward(buff, 100, 1000) == Match{-1, 1100});
    CHECK(q.Forward(buff, 59500, 1000) == Match{-1, 60000});
    CHECK(q.Backward(buff, 50000, 1000) == Match{-1, 49000});
    CHECK(q.Backward(buff, 500, 1000) == Match{-1, 0});
    CHECK(q.Before(buff, 50000) == Match{-1, 0});
    CHECK(q.Before(buff, 60000) == Match{-1, 0});
    SetText(buff, std::string(150000, 'x'));
    CHECK(q.Before(buff, 150000) == Match{-1, 50000});
}

TEST_CASE("matches straddling the edges of the search windows")
{
    TextDocument buff;
    std::string text(40000, '.');
    text.replace(10990, 6, "needle");
    text.replace(16500, 3, "pin");
    SetText(buff, text);
    Searcher needle(L"needle");
    // A match that begins inside the window and ends past it is found.
    CHECK(needle.Forward(buff, 10000, 1000) == Match{10990, 10996});
    // Up to 5000 bytes past the window a match is still found...
    CHECK(needle.Forward(buff, 6000, 1000) == Match{10990, 10996});
    CHECK(needle.Forward(buff, 4996, 1000) == Match{10990, 10996});
    // ...but not when it would end past that slack.
    CHECK(needle.Forward(buff, 4995, 1000) == Match{-1, 5995});
    CHECK(needle.Forward(buff, 4990, 1000) == Match{-1, 5990});
    // A match beginning before from is not seen.
    CHECK(needle.Forward(buff, 10991, 1000) == Match{-1, 11991});

    // The extent stops at the end of the window's slack.
    std::string as(30000, 'a');
    SetText(buff, as);
    CHECK(Searcher(L"a+").Forward(buff, 100, 1000) == Match{100, 6100});

    // Backward: starts below the position, within the window plus 5000.
    SetText(buff, text);
    Searcher pin(L"pin");
    CHECK(pin.Backward(buff, 16501) == Match{16500, 16503});
    CHECK(pin.Backward(buff, 16500).start == -1);
    CHECK(pin.Backward(buff, 22000, 500) == Match{16500, 16503});
    CHECK(pin.Backward(buff, 22000, 400) == Match{-1, 21600});
    // The match may end after the position, but not 20000 bytes after it.
    SetText(buff, std::string(1000, '.') + std::string(30000, 'a'));
    CHECK(Searcher(L"a+").Backward(buff, 1001) == Match{1000, 21001});

    // Before: the match must end by the position; the look-back is 105000 bytes.
    SetText(buff, text);
    CHECK(pin.Before(buff, 16503) == Match{16500, 16503});
    CHECK(pin.Before(buff, 16502).start == -1);
    std::string distant(130000, '.');
    distant.replace(10000, 3, "pin");
    distant.replace(20000, 3, "pin");
    SetText(buff, distant);
    CHECK(pin.Before(buff, 125000) == Match{20000, 20003});
    CHECK(pin.Before(buff, 125001) == Match{-1, 25001});
    CHECK(pin.Before(buff, 20002) == Match{10000, 10003});
}

TEST_CASE("a character that straddles the window end")
{
    // The window's slack ends inside the two bytes of U+00E9.
    TextDocument buff;
    std::string text = std::string(6001, '.') + "\xC3\xA9" + "....";
    SetText(buff, text);
    Searcher e(L"\u00e9");
    CHECK(e.Forward(buff, 0, 1002) == Match{6001, 6003});
    Searcher dotsE(L"\\.\u00e9");
    CHECK(dotsE.Forward(buff, 0, 1002) == Match{6000, 6003});
}

TEST_CASE("a search never starts inside a character")
{
    TextDocument buff;
    SetText(buff, "\xC3\xA9\xC3\xA9");
    CHECK(Searcher(L"\\W").Forward(buff, 1).start == -1);
    CHECK(Searcher(L".").Forward(buff, 1) == Match{2, 4});
    CHECK(Searcher(L".").Forward(buff, 3) == Match{-1, 4});
    CHECK(Searcher(L".").Backward(buff, 3) == Match{2, 4});
    CHECK(Searcher(L".").Before(buff, 3) == Match{0, 2});
    CHECK(Searcher(L"\u00e9\u00e9").Backward(buff, 1) == Match{0, 4});

    SetText(buff, Utf16LE(L"\u00e9\u00e9"), EncodingUtf16LE);
    CHECK(Searcher(L".").Forward(buff, 1) == Match{2, 4});
    CHECK(Searcher(L".").Before(buff, 3) == Match{0, 2});

    // The backward run never begins inside the character that straddles
    // the 20000-byte look-ahead.
    std::string wide = "x" + std::string(19999, '.') + "\xC3\xA9";
    SetText(buff, wide);
    CHECK(Searcher(L"x.*").Backward(buff, 1) == Match{0, 20000});
    CHECK(Searcher(L"x.*\u00e9").Backward(buff, 1) == Match{-1, 0});
}

TEST_CASE("stacked quantifiers neither overflow the stack nor slow the closure")
{
    std::wstring pattern = L"a" + std::wstring(50000, L'*');
    Searcher s(pattern);
    TextDocument buff;
    SetText(buff, "xaaay");
    CHECK(s.Forward(buff, 0) == Match{0, 0});
    CHECK(s.Forward(buff, 1) == Match{1, 4});
    CHECK(s.Backward(buff, 3) == Match{2, 4});
    CHECK(s.Before(buff, 4) == Match{4, 4});

    std::wstring plus = L"(b" + std::wstring(30000, L'+') + L")" + std::wstring(30000, L'?') + L"y";
    SetText(buff, "abbby");
    CHECK(Searcher(plus).Forward(buff, 0) == Match{1, 5});
}

TEST_CASE("assertions resolve apart from the list stamps")
{
    TextDocument buff;
    SetText(buff, "ba\nab");
    CHECK(Searcher(L"^a").Forward(buff, 0) == Match{3, 4});
    CHECK(Searcher(L"^a").Backward(buff, 5) == Match{3, 4});
    CHECK(Searcher(L"b$").Forward(buff, 0) == Match{4, 5});
    CHECK(Searcher(L"^*").Forward(buff, 0) == Match{0, 0});
    CHECK(Searcher(L"^*").Forward(buff, 2) == Match{2, 2});
    CHECK(Searcher(L"^*a").Forward(buff, 0) == Match{1, 2});
    CHECK(Searcher(L"(^|\\b|$)*a").Forward(buff, 2) == Match{3, 4});
    CHECK(Searcher(L"(^$\\b\\B)*\\n(^*\\b*)+a").Forward(buff, 0) == Match{2, 4});
    CHECK(Searcher(L"(\\B|\\b)+(a|b)$").Before(buff, 5) == Match{4, 5});

    // Every list holds each node at most once, however the assertions
    // loop back: a list overfilled past its node count + 1 places would
    // show as a wrong or missing match here.
    std::wstring loops = L"((^|\\b|$|\\B)*(^*|$*))*";
    for (int i = 0; i < 6; i++)
        loops = L"(" + loops + L"|(\\b^)*)*";
    Searcher deep(loops + L"b");
    CHECK(deep.Forward(buff, 0) == Match{0, 1});
    CHECK(deep.Forward(buff, 1) == Match{4, 5});
    CHECK(deep.Before(buff, 5) == Match{4, 5});
}

TEST_CASE("stamps stay correct when the generation counter wraps")
{
    TextDocument buff;
    SetText(buff, std::string(200, 'x') + "abab" + std::string(200, 'x'));
    Searcher s(L"(ab)+");
    Match expected = s.Forward(buff, 0);
    CHECK(expected == Match{200, 204});
    // The counters move only while the runs step their lists.
    RegexTestAccess::ListsOnly(s.re);
    RegexTestAccess::Generation(s.re) = 0xFFFFFF00u;
    CHECK(s.Forward(buff, 0) == expected);
    RegexTestAccess::Generation(s.re) = 0xFFFFFFFEu;
    CHECK(s.Forward(buff, 0) == expected);
    CHECK(RegexTestAccess::Generation(s.re) < 0x1000);

    Searcher b(L"\\bab\\b");
    SetText(buff, "xab ab");
    RegexTestAccess::ListsOnly(b.re);
    RegexTestAccess::MarkPass(b.re) = 0xFFFFFFFFu;
    CHECK(b.Forward(buff, 0) == Match{4, 6});
}

TEST_CASE("literal prefixes are found across blocks and windows")
{
    // Long enough for many storage blocks; the needles sit at block edges.
    std::string text(100000, 'x');
    std::vector<int64> places = {0, 7165, 14333, 50000, 99994};
    for (int64 p : places)
        text.replace(static_cast<size_t>(p), 6, "needle");
    text.replace(30000, 6, "NEEDLE");
    text.replace(40000, 7, "n\xC3\xA9" "edle");
    TextDocument buff;
    SetText(buff, text);
    for (bool ignoreCase : {false, true}) {
        Searcher s(L"needle", ignoreCase);
        std::vector<int64> found;
        int64 pos = 0;
        while (pos < buff.text.Size()) {
            Match m = s.Forward(buff, pos, 1000);
            if (m.start < 0) {
                pos = m.stop;
                continue;
            }
            CHECK(m.stop == m.start + 6);
            found.push_back(m.start);
            pos = m.stop;
        }
        std::vector<int64> want = places;
        if (ignoreCase)
            want.insert(want.begin() + 3, 30000);
        CHECK(found == want);
    }
    Searcher accented(L"n\u00c9e", true);
    CHECK(accented.Forward(buff, 0) == Match{40000, 40004});
}

TEST_CASE("a search needs a compiled expression")
{
    RegExp re;
    TextDocument buff;
    int64 stop;
    CHECK_THROWS_AS(re.FindForward(buff, 0, stop, 10), InternalError);
    CHECK_THROWS_AS(re.FindBackward(buff, 0, stop, 10), InternalError);
    CHECK_THROWS_AS(re.FindBackwardBefore(buff, 0, stop), InternalError);
}

TEST_CASE("codes that are no characters never equal a literal, with or without case")
{
    TextDocument buff;
    // An undecodable byte, and an over-long form beyond U+10FFFF.
    SetText(buff, "a\xFF" "b\xF4\x90\x80\x80" "c");
    for (bool ignoreCase : {false, true}) {
        Searcher replacement(L"\ufffd", ignoreCase);
        CHECK(replacement.Forward(buff, 0).start == -1);
        CHECK(replacement.Backward(buff, 8).start == -1);
    }
    CHECK(Searcher(L"b.c", true).Forward(buff, 0) == Match{2, 8});
}

TEST_CASE("positions outside the text are taken to its ends")
{
    TextDocument buff;
    SetText(buff, "abc");
    Searcher b(L"b");
    CHECK(b.Forward(buff, -5) == Match{1, 2});
    CHECK(b.Forward(buff, 10) == Match{-1, 3});
    CHECK(Searcher(L"$").Forward(buff, 10) == Match{3, 3});
    CHECK(b.Backward(buff, 10) == Match{1, 2});
    CHECK(b.Before(buff, 99) == Match{1, 2});
    CHECK(b.Backward(buff, -1) == Match{-1, 0});
}

TEST_CASE("a long literal searches although its reversal nests deeper")
{
    // Forward the literals pair up as they come; reversed they would pile up
    // a fragment each, far past the limit that bounds a compiled pattern.
    std::string word;
    for (int i = 0; i < 3000; i++)
        word += static_cast<char>('a' + i % 26);
    TextDocument buff;
    SetText(buff, "xx" + word + "yy");
    Searcher s(std::wstring(word.begin(), word.end()));
    CHECK(s.Forward(buff, 0) == Match{2, 3002});
    CHECK(s.Backward(buff, 10) == Match{2, 3002});
    CHECK(s.Before(buff, 3004) == Match{2, 3002});
}

TEST_CASE("skipping ahead passes over-long UTF-8 forms, which are undecodable units")
{
    // C1 A1 is an over-long 'a', E0 83 A9 and F0 80 83 A9 over-long U+00E9.
    TextDocument buff;
    SetText(buff, std::string("xx\xC1\xA1yy\xE0\x83\xA9zz\xF0\x80\x83\xA9" "a", 16));
    CHECK(Searcher(L"a").Forward(buff, 0) == Match{15, 16});
    CHECK(Searcher(L"\u00e9").Forward(buff, 0).start == -1);
    CHECK(Searcher(L"y").Forward(buff, 0) == Match{4, 5});
    // Far into a piece of text, among other bytes with both top bits set.
    std::string mixed;
    for (int i = 0; i < 500; i++)
        mixed += i % 3 ? "\xC3\xA9" : "xyzw";
    SetText(buff, mixed + "\xC1\xA1" + mixed + "a");
    int64 overlong = static_cast<int64>(mixed.size());
    CHECK(Searcher(L"a").Forward(buff, 0) == Match{2 * overlong + 2, 2 * overlong + 3});
    CHECK(Searcher(L"\u00e9x").Forward(buff, 7) == Match{14, 17});
    // A literal beyond Unicode matches the four-byte form of its value.
    const u32 beyond[] = {0x1FFFFF};
    RegExp re;
    re.Compile(beyond, 1, false);
    SetText(buff, "ab\xF7\xBF\xBF\xBF");
    int64 stop;
    CHECK(re.FindForward(buff, 0, stop, 100) == 2);
    CHECK(stop == 6);
}

namespace {

// One-character texts for the class tests, named for the messages.
struct Sample {
    const char* name;
    std::string bytes;
};

const Sample kSamples[] = {
    {"a", "a"},           {"Z", "Z"},           {"5", "5"},           {"_", "_"},
    {"space", " "},       {"tab", "\t"},        {"vt", "\v"},         {"ff", "\f"},
    {"del", "\x7f"},      {"!", "!"},           {"e-acute", "\xC3\xA9"}, {"E-acute", "\xC3\x89"},
    {"arabic-3", "\xD9\xA3"}, {"nbsp", "\xC2\xA0"}, {"section", "\xC2\xA7"}, {"c1-control", "\xC2\x80"},
    {"fullwidth-A", "\xEF\xBC\xA1"}, {"bad-byte", "\xFF"}, {"lf", "\n"}, {"cr", "\r"}, {"crlf", "\r\n"},
};

bool Listed(const std::vector<std::string>& names, const char* name)
{
    for (const std::string& n : names)
        if (n == name)
            return true;
    return false;
}

std::vector<std::string> AllBut(const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    for (const Sample& s : kSamples)
        if (!Listed(names, s.name))
            out.push_back(s.name);
    return out;
}

// Which samples the pattern matches as their whole text.
void CheckMatches(const std::wstring& pattern, const std::vector<std::string>& expected)
{
    Searcher s(pattern);
    TextDocument buff;
    for (const Sample& sample : kSamples) {
        SetText(buff, sample.bytes);
        CAPTURE(Narrow(pattern));
        std::string name = sample.name;
        CAPTURE(name);
        Match m = s.Forward(buff, 0);
        if (Listed(expected, sample.name))
            CHECK(m == Match{0, static_cast<int64>(sample.bytes.size())});
        else
            CHECK(m.start == -1);
    }
}

}  // namespace

TEST_CASE("named classes, in brackets and negated, by the ASCII rule below 128 and the type bits above")
{
    const std::vector<std::string> lineBreaks = {"lf", "cr", "crlf"};
    const struct {
        const wchar_t* name;
        std::vector<std::string> members;
    } classes[] = {
        {L"alnum", {"a", "Z", "5", "e-acute", "E-acute", "arabic-3", "fullwidth-A"}},
        {L"alpha", {"a", "Z", "e-acute", "E-acute", "fullwidth-A"}},
        {L"lower", {"a", "e-acute"}},
        {L"upper", {"Z", "E-acute", "fullwidth-A"}},
        {L"word", {"a", "Z", "5", "_", "e-acute", "E-acute", "arabic-3", "fullwidth-A"}},
        {L"digit", {"5", "arabic-3"}},
        {L"xdigit", {"a", "5", "fullwidth-A"}},
        {L"space", {"space", "tab", "nbsp"}},
        {L"blank", {"space", "tab", "nbsp"}},
        {L"ascii", {"a", "Z", "5", "_", "space", "tab", "vt", "ff", "del", "!", "bad-byte"}},
        {L"cntrl", {"tab", "vt", "ff", "del", "c1-control"}},
        {L"graph", {"a", "Z", "5", "_", "!", "e-acute", "E-acute", "arabic-3", "section", "fullwidth-A"}},
        {L"print",
         {"a", "Z", "5", "_", "space", "tab", "!", "e-acute", "E-acute", "arabic-3", "nbsp", "section",
          "fullwidth-A"}},
        {L"punct", {"_", "!", "section"}},
    };
    for (const auto& c : classes) {
        CheckMatches(L"[[:" + std::wstring(c.name) + L":]]", c.members);
        // A negated class takes every other character but a line break.
        std::vector<std::string> outside = c.members;
        outside.insert(outside.end(), lineBreaks.begin(), lineBreaks.end());
        CheckMatches(L"[^[:" + std::wstring(c.name) + L":]]", AllBut(outside));
    }
}

TEST_CASE("class escapes outside and inside brackets")
{
    const std::vector<std::string> lineBreaks = {"lf", "cr", "crlf"};
    auto plus = [&](std::vector<std::string> a) {
        a.insert(a.end(), lineBreaks.begin(), lineBreaks.end());
        return a;
    };
    const std::vector<std::string> digits = {"5", "arabic-3"};
    const std::vector<std::string> spaces = {"space", "tab", "nbsp"};
    const std::vector<std::string> words = {"a", "Z", "5", "_", "e-acute", "E-acute", "arabic-3", "fullwidth-A"};
    for (const wchar_t* form : {L"\\", L"[\\"}) {
        std::wstring open = form, close = form[0] == L'[' ? L"]" : L"";
        CheckMatches(open + L"d" + close, digits);
        CheckMatches(open + L"D" + close, AllBut(plus(digits)));
        CheckMatches(open + L"s" + close, spaces);
        CheckMatches(open + L"w" + close, words);
        CheckMatches(open + L"W" + close, AllBut(plus(words)));
    }
    // Vertical tab and form feed are neither \s nor \S, but [\S] takes them.
    std::vector<std::string> notSpace = plus(spaces);
    CheckMatches(L"[\\S]", AllBut(notSpace));
    notSpace.push_back("vt");
    notSpace.push_back("ff");
    CheckMatches(L"\\S", AllBut(notSpace));
    // Any character but a line break, as a class member too; negated, nothing.
    CheckMatches(L".", AllBut(lineBreaks));
    CheckMatches(L"[.]", AllBut(lineBreaks));
    CheckMatches(L"[^.]", {});
    CheckMatches(L"[^\\n]", AllBut(lineBreaks));
    CheckMatches(L"[\\n]", lineBreaks);
    CheckMatches(L"[\\n\\s]", plus(spaces));
    CheckMatches(L"[^\\n\\s]", AllBut(plus(spaces)));
}

TEST_CASE("ranges compare code points; a reversed range matches nothing")
{
    CheckMatches(L"[c-a]", {});
    CheckMatches(L"[z-a5]", {"5"});
    CheckMatches(L"[\\x00-\\x{10FFFF}]", AllBut({"bad-byte", "lf", "cr", "crlf"}));
    CheckMatches(L"[^\\x00-\\x7f]", {"e-acute", "E-acute", "arabic-3", "nbsp", "section", "c1-control",
                                     "fullwidth-A", "bad-byte"});
    CheckMatches(L"[\\u00c0-\\u00ff]", {"e-acute", "E-acute"});
    // A carriage return reads as a line feed, which no range takes.
    CheckMatches(L"[\\t-\\x0d]", {"tab", "vt", "ff"});
    // There is no \r: a backslash ends the range and r follows it.
    CheckMatches(L"[\\t-\\r]", {"Z", "5", "space", "tab", "vt", "ff", "!"});
}

TEST_CASE("case above U+FFFF is kept: UTF-16 units are lower-cased one by one")
{
    // U+10400 and U+10428 are the capital and small DESERET LONG I.
    TextDocument buff;
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
        CAPTURE(encoding);
        std::wstring text = L"x\U00010428y";
        SetText(buff, encoding == EncodingUtf8 ? std::string("x\xF0\x90\x90\xA8y") : Utf16LE(text), encoding);
        CHECK(Searcher(L"\U00010400", true).Forward(buff, 0).start == -1);
        CHECK(Searcher(L"\U00010428", true).Forward(buff, 0).start >= 0);
        CHECK(Searcher(L"X\U00010428Y", true).Backward(buff, 1).start == 0);
        CHECK(Searcher(L"\U00010400", true).Before(buff, buff.text.Size()).start == -1);
    }
}

TEST_CASE("a quantified empty group leaves the atoms before it as they are")
{
    TextDocument buff;
    SetText(buff, "ababab");
    CHECK(Searcher(L"ab()*").Forward(buff, 0) == Match{0, 2});
    CHECK(Searcher(L"ab()+").Forward(buff, 2) == Match{2, 4});
    SetText(buff, "c abc");
    // As "abc": the "ab" is not optional.
    CHECK(Searcher(L"ab(|)?c").Forward(buff, 0) == Match{2, 5});
    CHECK(Searcher(L"ab(|)?c").Before(buff, 5) == Match{2, 5});
}


TEST_CASE("the case twins of a literal are every character that lower-cases as it does")
{
    // Folded form of every code point below 0x10000, one at a time.
    std::vector<int32> folded(0x10000);
    for (int32 c = 0; c < 0x10000; c++)
        folded[static_cast<size_t>(c)] = RegexFoldCase(c);
    const u32 literals[] = {'a', 'k', 'K', 's', 'i', 'I', 'z', 0xE9, 0xC9, 0x212A, 0x130, 0x131, 0x17F,
                            0x3A3, 0x3C3, 0x3C2, 0x1E9E, 0xDF, 0x410, 0x430, 0xFF21, 0x1F600, 0x10400, 0x10428};
    std::vector<int32> twins;
    for (u32 literal : literals) {
        RegexCaseTwins(literal, twins);
        std::vector<int32> want;
        int32 target = RegexFoldCase(static_cast<int32>(literal));
        for (int32 c = 128; c < 0x10000; c++)
            if (static_cast<u32>(c) == literal || folded[static_cast<size_t>(c)] == target)
                want.push_back(c);
        if (literal >= 0x10000)
            want.push_back(static_cast<int32>(literal));
        std::sort(twins.begin(), twins.end());
        INFO("literal " << literal);
        CHECK(twins == want);
    }
}
