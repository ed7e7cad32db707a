#include "TextTestSupport.h"

#include "text/ProbeScan.h"
#include "text/TextBuff.h"

#include <doctest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace texttest;

namespace {

std::vector<u32> Pattern(const std::wstring& s)
{
    Array<u32> array;
    AppendCodePoints(array, s.data(), static_cast<int64>(s.size()));
    return std::vector<u32>(array.Data(), array.Data() + array.Count());
}

struct Hit {
    int64 start;
    int64 end;
};

Hit Forward(TextBuff& text, int64 from, const std::wstring& s, int64 limit = 1 << 30, bool fold = false)
{
    std::vector<u32> p = Pattern(s);
    int64 end = -7;
    int64 start = fold ? text.FindForwardNoCase(from, end, p.data(), static_cast<int64>(p.size()), limit)
                       : text.FindForward(from, end, p.data(), static_cast<int64>(p.size()), limit);
    return {start, end};
}

Hit Backward(TextBuff& text, int64 from, const std::wstring& s, int64 window = 1 << 30, bool fold = false)
{
    std::vector<u32> p = Pattern(s);
    int64 end = -7;
    int64 start = fold ? text.FindBackwardNoCase(from, end, p.data(), static_cast<int64>(p.size()), window)
                       : text.FindBackward(from, end, p.data(), static_cast<int64>(p.size()), window);
    return {start, end};
}

Hit Before(TextBuff& text, int64 from, const std::wstring& s, bool fold = false)
{
    std::vector<u32> p = Pattern(s);
    int64 end = -7;
    int64 start = fold ? text.FindBackwardBeforeNoCase(from, end, p.data(), static_cast<int64>(p.size()))
                       : text.FindBackwardBefore(from, end, p.data(), static_cast<int64>(p.size()));
    return {start, end};
}

}  // namespace

TEST_CASE("code points are taken from UTF-16 with pairs joined")
{
    CHECK(Pattern(L"\xD83D\xDE00") == std::vector<u32>{0x1F600});
    CHECK(Pattern(L"\xD83D" L"A") == std::vector<u32>{0xD83D, 'A'});
    CHECK(Pattern(L"\xDE00\xD83D") == std::vector<u32>{0xDE00, 0xD83D});
}

TEST_CASE("forward search resumes the table after a partial match")
{
    TextBuff text;
    LoadText(text, "aaab");
    Hit hit = Forward(text, 0, L"aab");
    CHECK(hit.start == 1);
    CHECK(hit.end == 4);
    LoadText(text, "abababca");
    hit = Forward(text, 0, L"ababc");
    CHECK(hit.start == 2);
    CHECK(hit.end == 7);
}

TEST_CASE("forward search within a window")
{
    TextBuff text;
    LoadText(text, "xxabcxxabc");
    Hit hit = Forward(text, 2, L"abc", 3);
    CHECK(hit.start == 2);
    CHECK(hit.end == 5);
    hit = Forward(text, 3, L"abc", 4);
    CHECK(hit.start == -1);
    CHECK(hit.end == 7);
    hit = Forward(text, 7, L"abc", 3);
    CHECK(hit.start == 7);
    hit = Forward(text, 10, L"abc", 10);
    CHECK(hit.start == -1);
    CHECK(hit.end == 10);
    hit = Forward(text, 0, L"", 10);
    CHECK(hit.start == -1);
}

TEST_CASE("backward search from a position and before it")
{
    TextBuff text;
    LoadText(text, "abcabca");
    Hit hit = Backward(text, 6, L"abc");
    CHECK(hit.start == 3);
    CHECK(hit.end == 6);
    hit = Before(text, 5, L"abc");
    CHECK(hit.start == 0);
    CHECK(hit.end == 3);
    // Without the end rule the nearest start wins even past the position.
    hit = Backward(text, 5, L"abc");
    CHECK(hit.start == 3);
    CHECK(hit.end == 6);
    hit = Backward(text, 6, L"abc", 2);
    CHECK(hit.start == -1);
    CHECK(hit.end == 4);
    hit = Before(text, 0, L"abc");
    CHECK(hit.start == -1);
    hit = Backward(text, 7, L"");
    CHECK(hit.start == -1);
}

TEST_CASE("searches decode the text: CR LF is one character")
{
    TextBuff text;
    LoadText(text, "one\r\ntwo\nthree");
    const u32 pair[] = {'e', static_cast<u32>(-2), 't'};
    int64 end = 0;
    CHECK(text.FindForward(0, end, pair, 3, 100) == 2);
    CHECK(end == 6);
    CHECK(text.FindBackward(text.Size(), end, pair + 1, 1, 100) == 3);
    CHECK(end == 5);
    CHECK(Forward(text, 0, L"e\r").start == -1);
    CHECK(Forward(text, 0, L"e\r\nt").start == -1);
    CHECK(Forward(text, 0, L"o\nt").start == 7);
    // With conversion every line end reads as LF.
    text.SetLineEndConversion(10);
    CHECK(Forward(text, 0, L"e\nt").start == 2);
    CHECK(Forward(text, 0, L"e\nt").end == 6);
}

TEST_CASE("a search for the replacement character does not find line breaks or bad bytes")
{
    TextBuff text;
    LoadText(text, "a\r\nb\x80" "c\xEF\xBF\xBD");
    for (bool fold : {false, true}) {
        CAPTURE(fold);
        Hit hit = Forward(text, 0, L"\xFFFD", 1 << 20, fold);
        CHECK(hit.start == 6);
        CHECK(hit.end == 9);
        hit = Backward(text, text.Size(), L"\xFFFD", 1 << 20, fold);
        CHECK(hit.start == 6);
        CHECK(Backward(text, 6, L"\xFFFD", 1 << 20, fold).start == -1);
    }
}

TEST_CASE("case-folding search finds capitals in and beyond ASCII")
{
    TextBuff text;
    LoadText(text, "Cafe CAF\xC3\x89 caf\xC3\xA9");
    Hit hit = Forward(text, 0, L"caf\xE9", 1 << 20, true);
    CHECK(hit.start == 5);
    CHECK(hit.end == 10);
    CHECK(Forward(text, 0, L"caf\xE9").start == 11);
    CHECK(Forward(text, 0, L"cafe", 1 << 20, true).start == 0);
    hit = Backward(text, text.Size(), L"caf\xE9", 1 << 20, true);
    CHECK(hit.start == 11);
    hit = Before(text, 11, L"caf\xE9", true);
    CHECK(hit.start == 5);
    LoadText(text, "\xC9T\xC9", EncodingWindows1250);
    CHECK(Forward(text, 0, L"t\xE9", 1 << 20, true).start == 1);
    LoadText(text, Utf16LE(L"xX\x0104"), EncodingUtf16LE);
    CHECK(Forward(text, 0, L"x\x0105", 1 << 20, true).start == 2);
}

TEST_CASE("the failure table never reads past the pattern")
{
    // The pattern ends exactly where readable memory ends.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    auto base = static_cast<u8*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    REQUIRE(base != nullptr);
    DWORD old;
    REQUIRE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
    u32* pattern = reinterpret_cast<u32*>(base + page) - 3;
    pattern[0] = 'a';
    pattern[1] = 'b';
    pattern[2] = 'a';
    TextBuff text;
    LoadText(text, "xxababa");
    int64 end = 0;
    CHECK(text.FindForward(0, end, pattern, 3, 100) == 2);
    CHECK(end == 5);
    CHECK(text.FindForwardNoCase(3, end, pattern, 3, 100) == 4);
    VirtualFree(base, 0, MEM_RELEASE);
}

TEST_CASE("random searches agree with std::search")
{
    const uint32_t seed = 5150u;
    CAPTURE(seed);
    std::mt19937 rng(seed);
    const char alphabet[] = {'a', 'b', 'A', '\r', '\n'};
    for (int round = 0; round < 60; round++) {
        CAPTURE(round);
        std::string s(static_cast<size_t>(rng() % 20000), 'a');
        for (auto& c : s)
            c = alphabet[rng() % 5];
        TextBuff text;
        LoadText(text, s, EncodingUtf8, {static_cast<int64>(1 + rng() % 7000)});
        // Patterns are drawn from the text, cut at character boundaries.
        size_t from = s.empty() ? 0 : rng() % s.size();
        size_t len = 1 + rng() % 4;
        std::string needle = s.substr(from, len);
        // A pattern of UTF-16 units never holds the one code of a CR LF pair.
        if (needle.empty() || needle.find('\r') != std::string::npos || needle.front() == '\n')
            continue;
        std::wstring wide(needle.begin(), needle.end());
        int64 start = static_cast<int64>(rng() % (s.size() + 1));
        if (start > 0 && s[start - 1] == '\r' && start < static_cast<int64>(s.size()) && s[start] == '\n')
            start--;
        auto it = std::search(s.begin() + start, s.end(), needle.begin(), needle.end());
        // A match may not begin inside a CR LF pair.
        while (it != s.end() && it != s.begin() && *it == '\n' && it[-1] == '\r')
            it = std::search(it + 1, s.end(), needle.begin(), needle.end());
        Hit hit = Forward(text, start, wide);
        CHECK(hit.start == (it == s.end() ? -1 : it - s.begin()));

        std::string lower = s;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c == 'A' ? 'a' : c; });
        std::string folded = needle;
        std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) { return c == 'A' ? 'a' : c; });
        std::wstring wideFolded(folded.begin(), folded.end());
        int64 expected = -1;
        for (int64 p = std::min<int64>(start, static_cast<int64>(s.size())) - 1; p >= 0; p--) {
            if (p > 0 && s[p] == '\n' && s[p - 1] == '\r')
                continue;
            if (lower.compare(static_cast<size_t>(p), folded.size(), folded) == 0) {
                expected = p;
                break;
            }
        }
        CHECK(Backward(text, start, wideFolded, 1 << 30, true).start == expected);
    }
}

namespace {

// The forward search the slow and obvious way: try every character start
// read from `from` on; a match counts when its last character starts before
// the window's end. Without a match, the end is the first character start at
// or after the window's end.
Hit PlainForward(TextBuff& text, int64 from, const std::vector<u32>& p, int64 limit, bool fold)
{
    int64 stop = std::min(text.Size(), from + limit);
    int64 m = static_cast<int64>(p.size());
    auto code = [&](int64 q) {
        int32 c = text.DecodeChar(q);
        return static_cast<u32>(fold ? FoldSearchCode(c) : c);
    };
    int64 c = from;
    while (c < stop) {
        int64 q = c;
        int64 j = 0;
        for (; j < m && q < stop; j++) {
            if (code(q) != p[j] || text.CharLength() == 0)
                break;
            q += text.CharLength();
        }
        if (j == m)
            return {c, q};
        text.DecodeChar(c);
        c += text.CharLength();
    }
    return {-1, c};
}

// The backward search the slow and obvious way: step back a character at
// a time from `from`, down to the character that holds lower, and try each.
Hit PlainBackward(TextBuff& text, int64 from, const std::vector<u32>& p, int64 lower, bool endBefore, bool fold)
{
    int64 m = static_cast<int64>(p.size());
    int64 pos = from;
    while (pos > std::max<int64>(lower, 0)) {
        pos = text.PreviousChar(pos);
        int64 q = pos;
        int64 j = 0;
        for (; j < m; j++) {
            int32 c = text.DecodeChar(q);
            if (text.CharLength() == 0 || static_cast<u32>(fold ? FoldSearchCode(c) : c) != p[j])
                break;
            q += text.CharLength();
        }
        if (j == m && (!endBefore || q <= from))
            return {pos, q};
    }
    return {-1, pos};
}

std::string Utf8(const std::wstring& s)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

TEST_CASE("searches that skip to the pattern's rarest bytes agree with the plain loops, both ways")
{
    // Letters with and without marks in both cases, line breaks, and bytes
    // that do not decode.
    const std::wstring letters = L"abcxyzABCXYZ \r\n\x0105\x0104\x017c\x017b\x0142\x0141\x00f3\x00d3\x015b\x015a\x212a"
                                 L"k\x20ac\x0130i\x00c9\x00e9\xd83d\xde00";
    const char* badBytes[] = {"\x80", "\xC0\x8A", "\xE0\x80\x8D", "\xED\xA0\x80", "\xC5", "\xF4\x90\x80\x80"};
    const EncodingId encodings[] = {EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE, EncodingWindows1250};
    std::mt19937 rng(8080);
    for (int round = 0; round < 240; round++) {
        EncodingId encoding = encodings[round % 4];
        CAPTURE(round);
        // Some texts hold the other letters rarely, so that a skip looks
        // for one rare byte alone.
        const bool skewed = round % 3 == 2;
        std::wstring chars;
        int length = 50 + static_cast<int>(rng() % 20000);
        for (int i = 0; i < length; i++) {
            wchar_t c = skewed && rng() % 3000 ? letters[rng() % 6] : letters[rng() % letters.size()];
            if (c >= 0xD800 && c <= 0xDBFF)
                chars += L"\xd83d\xde00";
            else if (c < 0xD800 || c > 0xDFFF)
                chars += c;
        }
        std::string bytes;
        if (encoding == EncodingUtf8) {
            bytes = Utf8(chars);
            for (int i = 0; i < 20; i++)
                bytes.insert(rng() % bytes.size(), badBytes[rng() % 6]);
        } else if (encoding == EncodingUtf16LE) {
            bytes = Utf16LE(chars);
            bytes.push_back('\x01');
        } else if (encoding == EncodingUtf16BE) {
            bytes = Utf16BE(chars);
        } else {
            for (wchar_t c : chars)
                bytes += c == 0x0105 ? '\xB9' : c == 0x0104 ? '\xA5' : c == 0x0142 ? '\xB3' : c < 128 ? char(c) : '\xBF';
        }
        // Small pieces put block ends inside characters and CR LF pairs;
        // tiny ones make a long phrase's probes reach over several blocks;
        // whole ones give the blocks of a loaded file, whose unused room a
        // forward scan reads past.
        std::vector<int64> pieces;
        const int64 pieceBytes = round % 5 == 1 ? 40 : 3000;
        for (size_t at = 0; at < bytes.size(); at += pieces.back())
            pieces.push_back(round % 5 == 3 ? 7168 : 1 + static_cast<int64>(rng() % pieceBytes));
        TextBuff text;
        LoadText(text, bytes, encoding, pieces);
        for (int probe = 0; probe < 12; probe++) {
            bool fold = rng() % 2 == 0;
            // A phrase from the text itself, or from the letters.
            std::wstring phrase;
            size_t n = rng() % 4 ? 1 + rng() % 6 : 1 + rng() % 40;
            const size_t rare = skewed ? chars.find_first_not_of(L"abcxyz", rng() % chars.size()) : std::wstring::npos;
            if (rare != std::wstring::npos && rng() % 2) {
                phrase = chars.substr(rare - std::min<size_t>(rare, rng() % n), n);
            } else if (rng() % 3) {
                size_t at = rng() % chars.size();
                phrase = chars.substr(at, n);
            } else {
                for (size_t i = 0; i < n; i++)
                    phrase += letters[rng() % 14 + 12];
            }
            std::vector<u32> p = Pattern(phrase);
            if (fold) {
                for (u32& c : p)
                    c = static_cast<u32>(FoldSearchCode(static_cast<int32>(c)));
            }
            int64 from = static_cast<int64>(rng() % (bytes.size() + 1));
            int64 limit = rng() % 2 ? (1 << 30) : static_cast<int64>(rng() % 5000);
            CAPTURE(fold);
            CAPTURE(from);
            CAPTURE(limit);
            int64 end = -7;
            int64 m = static_cast<int64>(p.size());
            int64 start = fold ? text.FindForwardNoCase(from, end, p.data(), m, limit)
                               : text.FindForward(from, end, p.data(), m, limit);
            Hit plain = PlainForward(text, from, p, limit, fold);
            CHECK(start == plain.start);
            CHECK(end == plain.end);

            // Backward from anywhere, also from inside a character.
            int64 window = rng() % 2 ? (1 << 30) : static_cast<int64>(rng() % 5000);
            CAPTURE(window);
            end = -7;
            start = fold ? text.FindBackwardNoCase(from, end, p.data(), m, window)
                         : text.FindBackward(from, end, p.data(), m, window);
            plain = PlainBackward(text, from, p, from - window, false, fold);
            CHECK(start == plain.start);
            CHECK(end == plain.end);
            end = -7;
            start = fold ? text.FindBackwardBeforeNoCase(from, end, p.data(), m)
                         : text.FindBackwardBefore(from, end, p.data(), m);
            plain = PlainBackward(text, from, p, from - TextBuff::kBackwardBeforeWindow, true, fold);
            CHECK(start == plain.start);
            CHECK(end == plain.end);
        }
    }
}

TEST_CASE("probe scans of both widths agree with a byte loop and read nothing past their bounds")
{
    // The bytes fill one page between two that may not be read, so a scan
    // that reads one byte too far or too early faults.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int64 page = info.dwPageSize;
    u8* region = static_cast<u8*>(VirtualAlloc(nullptr, static_cast<SIZE_T>(3 * page), MEM_COMMIT, PAGE_READWRITE));
    REQUIRE(region != nullptr);
    DWORD old = 0;
    REQUIRE(VirtualProtect(region, static_cast<SIZE_T>(page), PAGE_NOACCESS, &old));
    REQUIRE(VirtualProtect(region + 2 * page, static_cast<SIZE_T>(page), PAGE_NOACCESS, &old));
    u8* data = region + page;
    const bool wideUsable = UseWideProbeScans(true);
    if (!wideUsable)
        MESSAGE("this processor has no AVX2: only the 16-byte scans run");
    std::mt19937 rng(2612);
    // A few byte values, so that probes pass often and rarely.
    const u8 alphabet[] = {'a', 'A', 'q', 'Q', 0xC4, 0xE4, 0x99, 0x19, '\n', 0};
    for (int round = 0; round < 3000; round++) {
        CAPTURE(round);
        const int spread = 2 + static_cast<int>(rng() % 10);
        for (int64 i = 0; i < page; i++)
            data[i] = rng() % 40 ? alphabet[spread - 1 - rng() % 2] : alphabet[rng() % spread];
        // Probes of one byte, of two one bit apart, of other two, of four.
        u8 probes[2][4];
        int counts[2];
        for (int t = 0; t < 2; t++) {
            counts[t] = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < 4; k++)
                probes[t][k] = alphabet[rng() % spread];
            if (counts[t] == 2 && rng() % 2)
                probes[t][1] = static_cast<u8>(probes[t][0] ^ (1u << (rng() % 8)));
        }
        const ProbeVectors va(probes[0], counts[0]), vb(probes[1], counts[1]);
        const int64 offA = rng() % 4, offB = rng() % 4, reach = std::max(offA, offB);
        const u8* pa = data + offA;
        const u8* pb = data + offB;
        const int64 room = page - reach;  // offsets whose probes lie on the page
        // Windows short and long, often against one edge of the page.
        const int64 length = rng() % 3 ? static_cast<int64>(rng() % 80) : static_cast<int64>(rng() % room);
        const int edge = static_cast<int>(rng() % 3);
        const int64 from = edge == 0   ? 0
                           : edge == 1 ? room - length
                                       : static_cast<int64>(rng() % (room - length + 1));
        const int64 to = from + length;
        const bool pair = rng() % 4 != 0;
        const bool backward = rng() % 2 != 0;
        if (round % 3 == 0 && length > 0) {
            // A byte no probe takes, with a match or two planted, mostly
            // within a vector's reach of the window's ends.
            std::fill(data, data + page, u8('z'));
            for (int n = 1 + static_cast<int>(rng() % 2); n > 0; n--) {
                const int64 inset = static_cast<int64>(rng() % std::min<int64>(length, 70));
                const int64 at = rng() % 4 == 0 ? from + static_cast<int64>(rng() % length)
                                 : backward     ? to - 1 - inset
                                                : from + inset;
                data[at + offA] = probes[0][rng() % counts[0]];
                if (pair)
                    data[at + offB] = probes[1][rng() % counts[1]];
            }
        }
        // The bound may be the window's own edge or the page's.
        const int64 bound = backward ? (rng() % 2 ? to : room) : (rng() % 2 ? from : 0);
        CAPTURE(from);
        CAPTURE(to);
        CAPTURE(bound);
        CAPTURE(backward);
        auto accepts = [&](int64 i) { return va.Has(pa[i]) && (!pair || vb.Has(pb[i])); };
        int64 expected = backward ? from : to;
        if (backward) {
            for (int64 i = to; i > from; i--) {
                if (accepts(i - 1)) {
                    expected = i;
                    break;
                }
            }
        } else {
            for (int64 i = from; i < to; i++) {
                if (accepts(i)) {
                    expected = i;
                    break;
                }
            }
        }
        for (bool wide : {false, true}) {
            if (UseWideProbeScans(wide) != wide)
                continue;
            CAPTURE(wide);
            CHECK(ScanProbes(backward, pa, pb, from, to, bound, va, vb, pair) == expected);
        }
    }
    UseWideProbeScans(true);
    VirtualFree(region, 0, MEM_RELEASE);
}

TEST_CASE("a forward search without a match stops after the character the window ends in")
{
    TextBuff text;
    LoadText(text, "a\xC5\xBC" "b");
    Hit hit = Forward(text, 0, L"q", 2);
    CHECK(hit.start == -1);
    CHECK(hit.end == 3);
    CHECK(Forward(text, 0, L"\x017c", 2).end == 3);
    LoadText(text, "ab\r\ncd");
    CHECK(Forward(text, 0, L"x", 3).end == 4);
    CHECK(Forward(text, 0, L"x", 2).end == 2);
}

TEST_CASE("a search after another phrase, case mode or encoding finds by the new one")
{
    // The probes of the last phrase are kept; each change must renew them.
    TextBuff text;
    LoadText(text, "xx\xC4\x84x \xC4\x85 ", EncodingUtf8);  // "xxĄx ą "
    CHECK(Forward(text, 0, L"\x0105").start == 6);
    CHECK(Forward(text, 0, L"\x0105", 1 << 30, true).start == 2);
    CHECK(Forward(text, 0, L"\x0105").start == 6);
    CHECK(Forward(text, 0, L"\x0104").start == 2);
    std::string repeated;
    for (int i = 0; i < 300; i++)
        repeated += "ab \xB9 ";  // "ab ą " in Windows-1250
    LoadText(text, repeated, EncodingWindows1250);
    for (int64 from = 0, k = 0; k < 300; k++) {
        Hit hit = Forward(text, from, L"\x0105");
        REQUIRE(hit.start == 5 * k + 3);
        from = hit.end;
    }
    // Long phrases that differ only in their last letters.
    std::string words;
    for (int i = 0; i < 40; i++)
        words += "word ";
    LoadText(text, words + "first " + words + "second");
    CHECK(Forward(text, 0, std::wstring(words.begin(), words.end()) + L"second").start == 206);
    CHECK(Forward(text, 0, std::wstring(words.begin(), words.end()) + L"first").start == 0);
    CHECK(Backward(text, text.Size(), std::wstring(words.begin(), words.end()) + L"second").start == 206);
    LoadText(text, "\xB1", EncodingIso8859_2);  // "ą" in ISO 8859-2
    CHECK(Forward(text, 0, L"\x0105").start == 0);
    LoadText(text, "\xB9", EncodingWindows1252);  // "¹" in Windows-1252
    CHECK(Forward(text, 0, L"\x0105").start == -1);
}

TEST_CASE("searches both ways find no match across the units of UTF-16")
{
    // "ab" lies at the odd offset 1, across the first units.
    for (EncodingId encoding : {EncodingUtf16LE, EncodingUtf16BE}) {
        std::wstring units = encoding == EncodingUtf16LE ? std::wstring(L"\x6100\x6200\x0100 ab")
                                                         : std::wstring(L"\x0100\x6100\x6200 ab");
        std::string bytes = encoding == EncodingUtf16LE ? Utf16LE(units) : Utf16BE(units);
        TextBuff text;
        LoadText(text, bytes, encoding);
        for (bool fold : {false, true}) {
            CAPTURE(fold);
            CHECK(Forward(text, 0, L"ab", 1 << 20, fold).start == 8);
            CHECK(Backward(text, 8, L"ab", 1 << 20, fold).start == -1);
            CHECK(Before(text, 8, L"ab", fold).start == -1);
            CHECK(Backward(text, text.Size(), L"ab", 1 << 20, fold).start == 8);
        }
    }
}

namespace {

std::string Encoded(const std::wstring& s, EncodingId encoding)
{
    if (encoding == EncodingUtf16LE)
        return Utf16LE(s);
    UINT page = encoding == EncodingUtf8 ? CP_UTF8 : 1250;
    int n = WideCharToMultiByte(page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(page, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// Every match from the start on, or from the end back, one search after
// another, by the skipping searches or by the plain loops.
std::vector<std::pair<int64, int64>> AllMatches(TextBuff& text, const std::vector<u32>& p, bool fold, bool backward,
                                                bool plain)
{
    std::vector<std::pair<int64, int64>> found;
    const int64 m = static_cast<int64>(p.size());
    for (int64 at = backward ? text.Size() : 0;;) {
        Hit hit;
        if (plain) {
            hit = backward ? PlainBackward(text, at, p, 0, false, fold) : PlainForward(text, at, p, 1 << 30, fold);
        } else if (backward) {
            hit.start = fold ? text.FindBackwardNoCase(at, hit.end, p.data(), m, 1 << 30)
                             : text.FindBackward(at, hit.end, p.data(), m, 1 << 30);
        } else {
            hit.start = fold ? text.FindForwardNoCase(at, hit.end, p.data(), m, 1 << 30)
                             : text.FindForward(at, hit.end, p.data(), m, 1 << 30);
        }
        if (hit.start < 0)
            return found;
        found.push_back({hit.start, hit.end});
        at = backward ? hit.start : text.NextChar(hit.start);
    }
}

}  // namespace

TEST_CASE("every match is found both ways across block seams, at block ends and beside stale bytes in the room")
{
    // Phrases with first letters in and beyond ASCII, whose cases differ in
    // one bit (A a, Ą ą) or in more (Ł ł), planted densely; deletions at
    // block ends leave phrase bytes in the room after a block's text, and
    // insertions there fill blocks to the brim.
    const std::wstring phrases[] = {L"zq", L"\x0105zq", L"\x0141\x00f3" L"d\x017a", L"Xy", L"\x0104", L"q\x0119"};
    const std::wstring filler = L"abcz \x0105\x0119\x00f3\x0142\r\n";
    const EncodingId encodings[] = {EncodingUtf8, EncodingUtf16LE, EncodingWindows1250};
    const uint32_t seed = 4711u;
    CAPTURE(seed);
    std::mt19937 rng(seed);
    for (int round = 0; round < 36; round++) {
        CAPTURE(round);
        const EncodingId encoding = encodings[round % 3];
        const std::wstring& phrase = phrases[(round / 3) % 6];
        auto variant = [&] {
            std::wstring v = phrase;
            for (wchar_t& c : v) {
                if (rng() % 2)
                    CharUpperBuffW(&c, 1);
            }
            return v;
        };
        std::wstring chars;
        const int length = 2000 + static_cast<int>(rng() % 8000);
        while (static_cast<int>(chars.size()) < length)
            chars += rng() % 6 ? std::wstring(1, filler[rng() % filler.size()]) : variant();
        std::string bytes = Encoded(chars, encoding);
        std::vector<int64> pieces;
        const int64 pieceBytes = round % 2 ? 60 : 7168;
        for (size_t at = 0; at < bytes.size(); at += pieces.back())
            pieces.push_back(round % 4 == 0 ? pieceBytes : 1 + static_cast<int64>(rng() % pieceBytes));
        TextBuff text;
        LoadText(text, bytes, encoding, pieces);
        for (int edit = 0; edit < 40; edit++) {
            const std::vector<int32> sizes = BlockSizes(text);
            const size_t k = rng() % sizes.size();
            int64 blockEnd = 0;
            for (size_t i = 0; i <= k; i++)
                blockEnd += sizes[i];
            const int64 unit = encoding == EncodingUtf16LE ? 2 : 1;
            if (rng() % 2) {
                const int64 n = std::min<int64>(sizes[k], unit * (1 + static_cast<int64>(rng() % 12)));
                Put(text, blockEnd - n, blockEnd, "");
            } else {
                Put(text, blockEnd, blockEnd, Encoded(variant(), encoding));
            }
        }
        std::vector<u32> p = Pattern(variant());
        for (bool fold : {false, true}) {
            CAPTURE(fold);
            if (fold) {
                for (u32& c : p)
                    c = static_cast<u32>(FoldSearchCode(static_cast<int32>(c)));
            }
            for (bool backward : {false, true}) {
                CAPTURE(backward);
                const auto expected = AllMatches(text, p, fold, backward, true);
                CHECK(AllMatches(text, p, fold, backward, false) == expected);
                CHECK(!expected.empty());
            }
            // From around each seam, within short windows.
            const std::vector<int32> sizes = BlockSizes(text);
            const int64 m = static_cast<int64>(p.size());
            int64 seam = 0;
            for (size_t i = 0; i + 1 < sizes.size() && i < 60; i++) {
                seam += sizes[i];
                const int64 from = std::max<int64>(0, seam - static_cast<int64>(rng() % 8));
                const int64 window = 1 + static_cast<int64>(rng() % 40);
                CAPTURE(from);
                CAPTURE(window);
                int64 end = -7;
                int64 start = fold ? text.FindForwardNoCase(from, end, p.data(), m, window)
                                   : text.FindForward(from, end, p.data(), m, window);
                Hit plain = PlainForward(text, from, p, window, fold);
                CHECK(start == plain.start);
                CHECK(end == plain.end);
                const int64 upper = std::min(text.Size(), seam + static_cast<int64>(rng() % 8));
                end = -7;
                start = fold ? text.FindBackwardNoCase(upper, end, p.data(), m, window)
                             : text.FindBackward(upper, end, p.data(), m, window);
                plain = PlainBackward(text, upper, p, upper - window, false, fold);
                CHECK(start == plain.start);
                CHECK(end == plain.end);
                end = -7;
                start = fold ? text.FindBackwardBeforeNoCase(upper, end, p.data(), m)
                             : text.FindBackwardBefore(upper, end, p.data(), m);
                plain = PlainBackward(text, upper, p, upper - TextBuff::kBackwardBeforeWindow, true, fold);
                CHECK(start == plain.start);
                CHECK(end == plain.end);
            }
        }
    }
}
