#include "base/StrFormat.h"

#include <doctest.h>

#include "support/CaughtError.h"

#include <climits>
#include <cwchar>
#include <string>

namespace {

bool Same(const String& s, const wchar_t* text)
{
    return s.Equals(text);
}

}  // namespace

TEST_CASE("placeholders take the arguments in order")
{
    String name(L"notes.txt");
    CHECK(Same(StrFormat(L"[],[],[],[]", 10, -20, 30, 40), L"10,-20,30,40"));
    CHECK(Same(StrFormat(L"File [] has [] lines", name, 12), L"File notes.txt has 12 lines"));
    CHECK(Same(StrFormat(L"<[]>", L"wide"), L"<wide>"));
    CHECK(Same(StrFormat(L"[]", FormatArg(L"abcdef", 3)), L"abc"));
    CHECK(Same(StrFormat(L"[],[]", 1, 2, 3), L"1,2"));
    CHECK(Same(StrFormat(L"[5]|[-5x]|[05]", 42, 42, 42), L"   42|42   |00042"));
    CHECK(Same(StrFormat(L"[x]", 255), L"ff"));
    CHECK(Same(StrFormat(L"[+]", 7), L"+7"));
    // Text arguments ignore their spec.
    CHECK(Same(StrFormat(L"[10x]", name), L"notes.txt"));
}

TEST_CASE("brackets: doubled, unmatched and unterminated")
{
    String none;
    CHECK(Same(StrFormat(L"[[]", 1), L"[]"));
    FormatArg noArgs[1];
    StrFormat(none, L"[[] and ] stay", noArgs, 0);
    CHECK(Same(none, L"[] and ] stay"));
    CHECK(Same(StrFormat(L"a[", 5), L"a5"));
    CHECK(Same(StrFormat(L"a[x tail", 255), L"aff"));
    CHECK(Same(StrFormat(L"[[[]]", 3), L"[3]"));
}

TEST_CASE("integers render through their low 32 bits, 64-bit through IntToString")
{
    CHECK(Same(StrFormat(L"[]", 4294967297LL), L"1"));
    CHECK(Same(StrFormat(L"[]", -1), L"-1"));
    CHECK(Same(StrFormat(L"[]", 4294967295ULL), L"4294967295"));
    CHECK(Same(StrFormat(L"[x]", -1), L"ffffffff"));
    CHECK(Same(StrFormat(L"[]", IntToString(4294967297LL)), L"4294967297"));
}

TEST_CASE("[c] renders a character, a surrogate pair above the BMP")
{
    String s = StrFormat(L"[c]", 0x1F600);
    REQUIRE(s.Length() == 2);
    CHECK(s.Data()[0] == 0xD83D);
    CHECK(s.Data()[1] == 0xDE00);
    CHECK(Same(StrFormat(L"[c][c]", 0x41, 0x142u), L"A\u0142"));
    // Values that are no code point do not produce broken surrogates.
    CHECK(StrFormat(L"[c]", 0x110000).Data()[0] == 0xFFFD);
    CHECK(StrFormat(L"[c]", -5).Data()[0] == 0xFFFD);
}

TEST_CASE("reals use the spec's conversion letter or g")
{
    CHECK(Same(StrFormat(L"[]", 2.5), L"2.5"));
    CHECK(Same(StrFormat(L"[.3f]", 2.5), L"2.5"));
    CHECK(Same(StrFormat(L"[f]", 2.5), L"2.500000"));
    CHECK(Same(StrFormat(L"[e]", 1234.5), L"1.234500e+03"));
    CHECK(Same(StrFormat(L"[8]|", 0.25), L"    0.25|"));
}

TEST_CASE("argument errors throw CheckFailed with the check's name")
{
    String target(L"before");
    FormatArg one(1);
    Error few = CaughtError([&] { StrFormat(target, L"[] and []", &one, 1); });
    CHECK(few.code == -7);
    CHECK(HasMessage(few, L"StrFormat used too many arguments"));
    CHECK(Same(target, L"before"));

    FormatArg odd;
    odd.kind = 9;
    Error undefined = CaughtError([&] { StrFormat(target, L"[]", &odd, 1); });
    CHECK(HasMessage(undefined, L"FormatArg::StrArg got undefined argument"));
    CHECK(Same(target, L"before"));
}

TEST_CASE("a placeholder wider than its render buffer throws IndexError")
{
    wchar_t spec[20];
    FormatWide(spec, L"[%d]", kNumberRenderSize - 1);
    CHECK(StrFormat(spec, 1).Length() == kNumberRenderSize - 1);
    FormatWide(spec, L"[%d]", kNumberRenderSize);
    CHECK(CaughtError([&] { StrFormat(spec, 1); }).code == -2);
    CHECK(CaughtError([] { StrFormat(L"[99999999999999999999]", 1); }).code == -2);
    CHECK(CaughtError([] { StrFormat(L"[.500f]", 1.0); }).code == -2);
    CHECK(CaughtError([] { StrFormat(L"[.128]", 1); }).code == -2);
    CHECK(StrFormat(L"[.127]", 1).Length() == 127);
    // The rendering itself may also outgrow the buffer.
    CHECK(CaughtError([] { StrFormat(L"[f]", 1e300); }).code == -2);

    // A prefix must fit its buffer of kPrintfSpecSize units with the NUL.
    wchar_t out[kPrintfSpecSize];
    wchar_t flags[kPrintfSpecSize + 1] = {};
    for (int i = 0; i < kPrintfSpecSize - 2; i++)
        flags[i] = (i % 2) ? L'-' : L' ';
    FormatArg::BuildPrintfSpec(out, flags);
    CHECK(wcslen(out) == kPrintfSpecSize - 1);
    // The longest prefix still renders, its conversion letter after it.
    CHECK(StrFormat(std::wstring(L"[" + std::wstring(flags) + L"]").c_str(), 7).Equals(L" 7"));
    flags[kPrintfSpecSize - 2] = L'+';
    CHECK(CaughtError([&] { FormatArg::BuildPrintfSpec(out, flags); }).code == -2);
    CHECK(CaughtError([&] { StrFormat(std::wstring(L"[" + std::wstring(flags) + L"]").c_str(), 7); }).code == -2);
    FormatArg::BuildPrintfSpec(out, L"-08.3fx");
    CHECK(wcscmp(out, L"%-08.3") == 0);
    FormatArg::BuildPrintfSpec(out, L"#5.x");
    CHECK(wcscmp(out, L"%") == 0);
}

TEST_CASE("StrFormatInto measures, writes and refuses a short buffer")
{
    FormatArg args[] = {FormatArg(L"abc"), FormatArg(12)};
    int64 units = StrFormatInto(nullptr, 0, L"[]-[]", args, 2);
    CHECK(units == 7);
    wchar_t buffer[7];
    CHECK(StrFormatInto(buffer, 7, L"[]-[]", args, 2) == 7);
    CHECK(wcscmp(buffer, L"abc-12") == 0);
    for (int size = 0; size < 7; size++)
        CHECK(CaughtError([&] { StrFormatInto(buffer, size, L"[]-[]", args, 2); }).code == -2);
    CHECK(StrFormatInto(buffer, 1, L"", args, 0) == 1);
    CHECK(buffer[0] == 0);
    CHECK(StrFormat(L"", 1).Length() == 0);

    // A rendered argument needs room for a NUL after it.
    CHECK(CaughtError([&] { args[0].StrArg(buffer, 3, 0, L""); }).code == -2);
    CHECK(args[0].StrArg(buffer, 4, 0, L"") == 3);
    CHECK(args[0].StrArg(nullptr, 0, 5, L"") == 8);
}

TEST_CASE("FormatCodePoint writes U+, lower-case hex and a space")
{
    wchar_t out[kCodePointTextSize];
    CHECK(FormatCodePoint(out, 0xE9) == 6);
    CHECK(wcscmp(out, L"U+e9 ") == 0);
    FormatCodePoint(out, 0x1F600);
    CHECK(wcscmp(out, L"U+1f600 ") == 0);
}

TEST_CASE("fixed-buffer copies need room for the NUL")
{
    wchar_t buffer[4];
    CopyToBuffer(buffer, 4, L"abc");
    CHECK(wcscmp(buffer, L"abc") == 0);
    CHECK(CaughtError([&] { CopyToBuffer(buffer, 4, L"abcd"); }).code == -2);
    CopyToBufferN(buffer, 4, L"xyzzy", 2);
    CHECK(wcscmp(buffer, L"xy") == 0);
    CHECK(CaughtError([&] { CopyToBufferN(buffer, 4, L"xyzzy", -1); }).code == -2);
    Int64ToBuffer(buffer, 4, -12);
    CHECK(wcscmp(buffer, L"-12") == 0);
    CHECK(CaughtError([&] { Int64ToBuffer(buffer, 4, 1000); }).code == -2);
    wchar_t wide[21];
    Int64ToBuffer(wide, 21, INT64_MIN);
    CHECK(wcscmp(wide, L"-9223372036854775808") == 0);
}

TEST_CASE("printf wrappers are bounded by their buffers")
{
    wchar_t buffer[8];
    CHECK(FormatWide(buffer, L"#%06x", 0xABCDEFu) == 7);
    CHECK(wcscmp(buffer, L"#abcdef") == 0);
    CHECK(FormatWide(buffer, L"%g!", 123456.0) == 7);
    CHECK(CaughtError([&] { FormatWide(buffer, L"%g!", 1234567.0); }).code == -2);
    wchar_t small[kFormatWide30Size];
    CHECK(FormatWide30(small, L"%04x", 0x2Au) == 4);
    CHECK(wcscmp(small, L"002a") == 0);
    CHECK(CaughtError([&] { FormatWide30(small, L"%040x", 1u); }).code == -2);
}
