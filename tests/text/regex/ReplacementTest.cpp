#include "text/RegExp.h"

#include "RegexTestSupport.h"

#include <doctest.h>

namespace {

std::string Text(const String& s)
{
    return Narrow(std::wstring(s.CStr(), static_cast<size_t>(s.Length())));
}

std::vector<int32> Positions(const PodArray<int32>& a)
{
    return std::vector<int32>(a.Data(), a.Data() + a.Count());
}

struct Failure {
    int32 kind = 0;
    std::string message;
};

Failure ExpandFailure(const wchar_t* text, bool withPositions)
{
    PodArray<int32> positions;
    Failure f;
    try {
        PrepareReplacement(String(text), withPositions ? &positions : nullptr);
        f.kind = -1;
    } catch (const BadRegExpError& e) {
        CHECK(e.code == -5000);
        f.kind = e.subcode;
        f.message = MessageOf(e);
    }
    return f;
}

const std::wstring kDot = L"\u00B7";

}  // namespace

TEST_CASE("$0 is recorded only when the caller asks for positions")
{
    PodArray<int32> positions;
    positions.Insert(0, 77);
    String out = PrepareReplacement(String(L"<$0>"), &positions);
    CHECK(Text(out) == "<>");
    CHECK(Positions(positions) == std::vector<int32>{1});

    String tmpl(L"<$0>");
    String kept = PrepareReplacement(tmpl, nullptr);
    CHECK(kept.SameBlock(tmpl));

    CHECK(Text(PrepareReplacement(String(L"a$0b$0$0"), &positions)) == "ab");
    CHECK(Positions(positions) == std::vector<int32>{1, 2, 2});

    // Other dollars stay literal and leave the template as it is.
    String dollars(L"$1 $ $$ cost$");
    String same = PrepareReplacement(dollars, &positions);
    CHECK(same.SameBlock(dollars));
    CHECK(positions.Count() == 0);

    // Positions count UTF-16 units of the output, escapes expanded.
    CHECK(Text(PrepareReplacement(String(L"\\x{1F600}$0\\n$0"), &positions)) == Narrow(L"\U0001F600\n"));
    CHECK(Positions(positions) == std::vector<int32>{2, 3});
}

TEST_CASE("escapes of the replacement template")
{
    CHECK(Text(PrepareReplacement(String(L"\\x41\\u0042"), nullptr)) == "AB");
    CHECK(Text(PrepareReplacement(String(L"\\f\\n\\t\\v"), nullptr)) == "\f\n\t\v");
    CHECK(Text(PrepareReplacement(String(L"a\\\\b"), nullptr)) == "a\\b");
    CHECK(Text(PrepareReplacement(String(L"\\x{1F600}"), nullptr)) == Narrow(L"\U0001F600"));
    CHECK(Text(PrepareReplacement(String(L"\\x{00e9}\\xE9"), nullptr)) == Narrow(L"\u00e9\u00e9"));

    String q(L"\\q");
    String expanded = PrepareReplacement(q, nullptr);
    CHECK(Text(expanded) == "\\q");
    CHECK_FALSE(expanded.SameBlock(q));
    // A backslash before a dollar is itself literal; the $0 is still recorded.
    PodArray<int32> positions;
    CHECK(Text(PrepareReplacement(String(L"\\$0"), &positions)) == "\\");
    CHECK(Positions(positions) == std::vector<int32>{1});

    String plain(L"no escapes here");
    CHECK(PrepareReplacement(plain, nullptr).SameBlock(plain));
    CHECK(PrepareReplacement(String(), nullptr).Length() == 0);
}

TEST_CASE("template errors mark the place before the offending unit")
{
    struct Case {
        const wchar_t* text;
        int32 kind;
        std::wstring message;
    };
    const Case cases[] = {
        {L"\\", 18, L"\\" + kDot},
        {L"ab\\", 18, L"ab\\" + kDot},
        {L"\\1", 19, L"\\" + kDot + L"1"},
        {L"x\\9y", 19, L"x\\" + kDot + L"9y"},
        {L"\\x4", 17, L"\\x4" + kDot},
        {L"\\xG1", 17, L"\\x" + kDot + L"G1"},
        {L"\\u12x4", 17, L"\\u12" + kDot + L"x4"},
        {L"\\x{}", 17, L"\\x{" + kDot + L"}"},
        {L"\\x{110000}", 17, L"\\x{110000" + kDot + L"}"},
        {L"\\x{123456789}", 17, L"\\x{12345678" + kDot + L"9}"},
        {L"\\x{12", 17, L"\\x{12" + kDot},
    };
    for (const Case& c : cases) {
        CAPTURE(Narrow(c.text));
        for (bool withPositions : {false, true}) {
            Failure f = ExpandFailure(c.text, withPositions);
            CHECK(f.kind == c.kind);
            CHECK(f.message == Narrow(c.message));
        }
    }
}
