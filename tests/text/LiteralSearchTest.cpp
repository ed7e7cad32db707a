#include "TextTestSupport.h"

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
