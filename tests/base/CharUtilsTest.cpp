#include "base/CharUtils.h"

#include <doctest.h>

#include "support/CaughtError.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace {

bool EqualsNoCase(const wchar_t* a, const wchar_t* b)
{
    return ::EqualsNoCase(a, static_cast<int64>(wcslen(a)), b, static_cast<int64>(wcslen(b)));
}

int CompareNoCase(const wchar_t* a, const wchar_t* b)
{
    return ::CompareNoCase(a, static_cast<int64>(wcslen(a)), b, static_cast<int64>(wcslen(b)));
}

std::vector<u8> Encode(const wchar_t* units, int64 count)
{
    std::vector<u8> bytes(static_cast<size_t>(EncodeUtf8(nullptr, units, count)));
    EncodeUtf8(bytes.data(), units, count);
    return bytes;
}

std::vector<wchar_t> Decode(const std::vector<u8>& bytes)
{
    int64 n = static_cast<int64>(bytes.size());
    std::vector<wchar_t> units(static_cast<size_t>(DecodeUtf8(nullptr, bytes.data(), n)));
    DecodeUtf8(units.data(), bytes.data(), n);
    return units;
}

// Polish letters: lower and upper case, in alphabet order.
const wchar_t kPolishLower[] = L"\u0105\u0107\u0119\u0142\u0144\u00F3\u015B\u017A\u017C";
const wchar_t kPolishUpper[] = L"\u0104\u0106\u0118\u0141\u0143\u00D3\u015A\u0179\u017B";

}  // namespace

TEST_CASE("case mapping of ASCII, Polish letters and out-of-range values")
{
    CHECK(ToUpperCodePoint('a') == 'A');
    CHECK(ToLowerCodePoint('Z') == 'z');
    CHECK(ToUpperCodePoint('5') == '5');
    CHECK(ToLowerCodePoint('[') == '[');
    for (int i = 0; kPolishLower[i]; i++) {
        CHECK(ToUpperCodePoint(kPolishLower[i]) == kPolishUpper[i]);
        CHECK(ToLowerCodePoint(kPolishUpper[i]) == kPolishLower[i]);
        CHECK(ToUpperCodePoint(kPolishUpper[i]) == kPolishUpper[i]);
    }
    CHECK(ToUpperCodePoint(-5) == 0xFFFD);
    CHECK(ToUpperCodePoint(0x110000) == 0xFFFD);
    CHECK(ToLowerCodePoint(-1) == 0xFFFD);
    CHECK(ToUpperCodePoint(0xD800) == 0xD800);
    CHECK(ToLowerCodePoint(0xDFFF) == 0xDFFF);
    // Supplementary code points go through their surrogate pair: either
    // mapped to another supplementary letter or left as they are.
    int32 deseret = ToLowerCodePoint(0x10400);
    CHECK((deseret == 0x10428 || deseret == 0x10400));
    CHECK(ToUpperCodePoint(0x1F600) == 0x1F600);
}

TEST_CASE("character classes by the locale's C1 types")
{
    CHECK(IsCharType(L'\u0141', C1_UPPER));
    CHECK_FALSE(IsCharType(L'\u0142', C1_UPPER));
    CHECK(IsCharType(L'\u0142', C1_LOWER));
    CHECK(IsCharType(L'\u017C', 0x103));
    CHECK(IsCharType('7', C1_DIGIT));
    CHECK(IsCharType('7', 0x107));
    CHECK_FALSE(IsCharType('7', 0x103));
    CHECK(IsCharType(' ', C1_SPACE));
    CHECK_FALSE(IsCharType(0xD800, 0xFFFF));
    CHECK_FALSE(IsCharType(-1, 0xFFFF));
}

TEST_CASE("equality ignoring case")
{
    CHECK(EqualsNoCase(L"Za\u017C\u00F3\u0142\u0107 G\u0119\u015Bl\u0105", L"ZA\u017B\u00D3\u0141\u0106 g\u0118\u015AL\u0104"));
    CHECK(EqualsNoCase(kPolishLower, kPolishUpper));
    CHECK(EqualsNoCase(L"", L""));
    CHECK(::EqualsNoCase(nullptr, 0, L"", 0));
    CHECK_FALSE(EqualsNoCase(L"abc", L"ABCD"));
    CHECK_FALSE(EqualsNoCase(L"\u0105", L"a"));
    CHECK_FALSE(EqualsNoCase(L"[", L"{"));
    // A surrogate pair is one code point; lone surrogates compare as themselves.
    CHECK(EqualsNoCase(L"x\U0001F600", L"X\U0001F600"));
    const wchar_t lone[] = {0xD800, 'a'};
    const wchar_t loneUpper[] = {0xD800, 'A'};
    CHECK(::EqualsNoCase(lone, 2, loneUpper, 2));
}

TEST_CASE("ordering ignoring case follows the locale")
{
    CHECK(CompareNoCase(L"abc", L"ABD") == -1);
    CHECK(CompareNoCase(L"ABD", L"abc") == 1);
    CHECK(CompareNoCase(L"ABC", L"abc") == 0);
    CHECK(CompareNoCase(L"\u0142\u00F3d\u017A", L"\u0141\u00D3D\u0179") == 0);
    CHECK(CompareNoCase(L"a", L"\u0105") == -1);
    CHECK(CompareNoCase(L"\u0105", L"b") == -1);
    CHECK(CompareNoCase(L"", L"a") == -1);
    CHECK(::CompareNoCase(nullptr, 0, L"a", 1) == -1);
    CHECK(::CompareNoCase(nullptr, 0, nullptr, 0) == 0);
    Error tooLong = CaughtError([] { ::CompareNoCase(L"a", 0x80000000LL, L"a", 1); });
    CHECK(tooLong.code == -7);
    CHECK(HasMessage(tooLong, L"AsInt(int64)"));
}

TEST_CASE("each Polish letter sorts after its base letter and before the next letter, case ignored")
{
    // Alphabet order; the Polish letters follow the letter they are made from.
    const wchar_t alphabet[] = L"a\u0105bc\u0107de\u0119fghijkl\u0142mn\u0144o\u00F3prs\u015Btuwyz\u017A\u017C";
    for (int i = 0; alphabet[i + 1]; i++) {
        const wchar_t a[] = {alphabet[i], 0};
        const wchar_t b[] = {alphabet[i + 1], 0};
        const wchar_t bUpper[] = {static_cast<wchar_t>(ToUpperCodePoint(alphabet[i + 1])), 0};
        CAPTURE(i);
        CHECK(CompareNoCase(a, b) == -1);
        CHECK(CompareNoCase(b, a) == 1);
        CHECK(CompareNoCase(a, bUpper) == -1);
        CHECK(CompareNoCase(b, bUpper) == 0);
    }
}

TEST_CASE("under a Polish locale the Polish letters are letters of their own")
{
    if (PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) != LANG_POLISH) {
        MESSAGE("the user's locale is not Polish; run with LC_ALL=pl_PL.UTF-8 under Wine");
        return;
    }
    // A word with the Polish letter sorts after every word with its base
    // letter, whatever follows: the letter itself decides, not its accent.
    const wchar_t* pairs[][2] = {{L"\u0105a", L"az"}, {L"\u0107a", L"cz"}, {L"\u0119a", L"ez"},
                                 {L"\u0142a", L"lz"}, {L"\u0144a", L"nz"}, {L"\u00F3a", L"oz"},
                                 {L"\u015Ba", L"sz"}, {L"\u017Aa", L"zz"}, {L"\u017Ca", L"\u017Az"},
                                 {L"\u0141\u00D3D\u0179", L"LZ"}, {L"\u017Bona", L"\u0179r\u00F3d\u0142o"}};
    for (auto& pair : pairs) {
        CAPTURE(pair[1]);
        CHECK(CompareNoCase(pair[0], pair[1]) == 1);
        CHECK(CompareNoCase(pair[1], pair[0]) == -1);
    }
}

TEST_CASE("IndexOfNoCase finds the first equal entry")
{
    Array<String> list;
    list.Append(L"Alpha");
    list.Append(L"\u0141\u00F3d\u017A");
    list.Append(L"alpha");
    CHECK(list.IndexOfNoCase(String(L"ALPHA")) == 0);
    CHECK(list.IndexOfNoCase(L"\u0142\u00D3D\u0179") == 1);
    CHECK(list.IndexOfNoCase(L"\u0142\u00D3D\u017B") == -1);
    CHECK(list.IndexOfNoCase(L"alph") == -1);
    CHECK(list.IndexOfNoCase(static_cast<const wchar_t*>(nullptr)) == -1);
    String same = list.At(2);
    CHECK(list.IndexOfNoCase(same) == 0);
    Array<String> empty;
    CHECK(empty.IndexOfNoCase(L"x") == -1);
    list.Append(nullptr);
    CHECK(list.IndexOfNoCase(String()) == 3);
}

TEST_CASE("UTF-8 decoding of invalid and partial sequences")
{
    CHECK(Decode({0xC3, 0x41}) == std::vector<wchar_t>{L'?', L'A'});
    CHECK(Decode({0x80}) == std::vector<wchar_t>{L'?'});
    CHECK(Decode({0xF8, 0x41}) == std::vector<wchar_t>{L'?', L'A'});
    CHECK(Decode({0xE2, 0x82}) == std::vector<wchar_t>{0x82});
    CHECK(Decode({0xE2, 0x82, 0xAC}) == std::vector<wchar_t>{0x20AC});
    CHECK(Decode({0xF0, 0x9F, 0x98, 0x80}) == std::vector<wchar_t>{0xD83D, 0xDE00});
    CHECK(Decode({0xE2, 0x41, 0x82}) == std::vector<wchar_t>{L'?', L'A', L'?'});
    // Surrogates encoded in UTF-8 are passed through unchecked.
    CHECK(Decode({0xED, 0xA0, 0x80}) == std::vector<wchar_t>{0xD800});
}

TEST_CASE("Utf8ToString skips a byte-order mark only when complete")
{
    CHECK(Utf8ToString("\xEF\xBB\xBF", 3).Length() == 0);
    CHECK(Utf8ToString("\xEF\xBB\xBF", 3).Data() != nullptr);
    String shortMark = Utf8ToString("\xEF\xBB", 2);
    REQUIRE(shortMark.Length() == 1);
    CHECK(shortMark.Data()[0] == 0x3FB);
    CHECK(Utf8ToString("\xEF\xBB\xBFz\xC5\xBC", 6).Equals(L"z\u017C"));
    CHECK(Utf8ToString("\xC5\x82\xC3\xB3", 4).Equals(L"\u0142\u00F3"));
    CHECK(Utf8ToString("", 0).Length() == 0);
}

TEST_CASE("UTF-16 encoding replaces lone surrogates")
{
    const wchar_t highThenA[] = {0xD800, L'A'};
    CHECK(Encode(highThenA, 2) == std::vector<u8>{0xEF, 0xBF, 0xBD, 0x41});
    const wchar_t loneLow[] = {0xDC00};
    CHECK(Encode(loneLow, 1) == std::vector<u8>{0xEF, 0xBF, 0xBD});
    const wchar_t highAtEnd[] = {L'x', 0xDBFF};
    CHECK(Encode(highAtEnd, 2) == std::vector<u8>{0x78, 0xEF, 0xBF, 0xBD});
    const wchar_t pair[] = {0xD83D, 0xDE00};
    CHECK(Encode(pair, 2) == std::vector<u8>{0xF0, 0x9F, 0x98, 0x80});
    const wchar_t swapped[] = {0xDE00, 0xD83D};
    CHECK(Encode(swapped, 2).size() == 6);
}

TEST_CASE("EncodeUtf8CodePoint sizes and limits")
{
    u8 out[4];
    CHECK(EncodeUtf8CodePoint(out, 0x7F) == 1);
    CHECK(EncodeUtf8CodePoint(out, 0x80) == 2);
    CHECK(EncodeUtf8CodePoint(out, 0x7FF) == 2);
    CHECK(EncodeUtf8CodePoint(out, 0x800) == 3);
    CHECK(EncodeUtf8CodePoint(out, 0xFFFF) == 3);
    CHECK(EncodeUtf8CodePoint(nullptr, 0x10000) == 4);
    CHECK(EncodeUtf8CodePoint(out, 0x10FFFF) == 4);
    CHECK(out[0] == 0xF4);
    CHECK(out[3] == 0xBF);
    CHECK(EncodeUtf8CodePoint(out, 0x110000) == 0);
    CHECK(EncodeUtf8CodePoint(out, -1) == 0);
}

TEST_CASE("UTF-8 round trips keep every valid text")
{
    std::vector<wchar_t> text;
    for (int32 c = 1; c < 0x10FFFF; c += (c < 0x800 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c >= 0x10000) {
            text.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(c));
        }
    }
    PodArray<u8> bytes = Utf16ToUtf8Bytes(text.data(), static_cast<int64>(text.size()));
    int64 n = bytes.Count() - 1;
    CHECK(bytes.At(n) == 0);
    String back = Utf8ToString(bytes.Data(), n);
    REQUIRE(back.Length() == static_cast<int64>(text.size()));
    CHECK(wmemcmp(back.Data(), text.data(), text.size()) == 0);

    // Lone surrogates come back as U+FFFD, everything around them intact.
    const wchar_t mixed[] = {L'a', 0xD800, L'\u0142', 0xDC00, 0xD83D, 0xDE00};
    PodArray<u8> mixedBytes = Utf16ToUtf8Bytes(mixed, 6);
    String mixedBack = Utf8ToString(mixedBytes.Data(), mixedBytes.Count() - 1);
    const wchar_t expected[] = {L'a', 0xFFFD, L'\u0142', 0xFFFD, 0xD83D, 0xDE00};
    REQUIRE(mixedBack.Length() == 6);
    CHECK(wmemcmp(mixedBack.Data(), expected, 6) == 0);

    PodArray<u8> none = Utf16ToUtf8Bytes(nullptr, 0);
    CHECK(none.Count() == 1);
    CHECK(none.At(0) == 0);
}
