#include "base/Error.h"
#include "base/String.h"

#include <doctest.h>

#include <climits>
#include <cwchar>

TEST_CASE("null and zero-length strings both read as empty")
{
    String null;
    String zero(L"");
    CHECK(null.Length() == 0);
    CHECK(zero.Length() == 0);
    CHECK(null.CStr()[0] == 0);
    CHECK(zero.CStr()[0] == 0);
    CHECK(null.Data() == nullptr);
    CHECK(zero.Data() != nullptr);
    CHECK(null.Equals(L""));
    CHECK(zero.Equals(static_cast<const wchar_t*>(nullptr)));
    CHECK(zero.Equals(null));
    String fromNull(static_cast<const wchar_t*>(nullptr));
    CHECK(fromNull.Data() != nullptr);
    CHECK(fromNull.Length() == 0);
}

TEST_CASE("copies share one block and the last release frees it")
{
    String a(L"shared text");
    CHECK(a.RefCount() == 1);
    {
        String b(a);
        String c;
        c = b;
        CHECK(a.RefCount() == 3);
        CHECK(c.SameBlock(a));
        CHECK(c.Data() == a.Data());
    }
    CHECK(a.RefCount() == 1);

    String moved(a);
    String target;
    target = static_cast<String&&>(moved);
    CHECK(moved.Data() == nullptr);
    CHECK(a.RefCount() == 2);
    target.Release();
    CHECK(target.Data() == nullptr);
    CHECK(a.RefCount() == 1);
}

TEST_CASE("self-assignment by copy or move leaves the string unchanged")
{
    String s(L"self");
    const wchar_t* before = s.Data();
    String& alias = s;
    s = alias;
    CHECK(s.Data() == before);
    CHECK(s.RefCount() == 1);
    s.Share(alias);
    s.MoveFrom(alias);
    CHECK(s.Data() == before);
    CHECK(s.Equals(L"self"));
    s = static_cast<String&&>(alias);
    CHECK(s.Equals(L"self"));
    CHECK(s.RefCount() == 1);
}

TEST_CASE("building from the target's own text")
{
    String s(L"abcdef");
    s.Assign(s.Data() + 2, 3);
    CHECK(s.Equals(L"cde"));
    s.Append(s.Data(), s.Length());
    CHECK(s.Equals(L"cdecde"));
    s.Concat3(L"<", 1, s.Data(), s.Length(), L">", 1);
    CHECK(s.Equals(L"<cdecde>"));
    s.Concat(s.Data() + 1, 3, s.Data(), 1);
    CHECK(s.Equals(L"cde<"));

    // A shared source stays intact when another holder rebuilds.
    String other(s);
    other.Append(L"!", 1);
    CHECK(s.Equals(L"cde<"));
    CHECK(other.Equals(L"cde<!"));
}

TEST_CASE("Allocate gives a terminated block for the caller to fill")
{
    String s;
    wchar_t* text = s.Allocate(3);
    text[0] = L'x';
    text[1] = L'y';
    text[2] = L'z';
    CHECK(s.Equals(L"xyz"));
    CHECK(s.CStr()[3] == 0);
    CHECK(s.RefCount() == 1);
}

TEST_CASE("strings keep any unit sequence, lone surrogates and NULs included")
{
    const wchar_t units[] = {0xD800, L'a', 0, 0xDC00};
    String s(units, 4);
    CHECK(s.Length() == 4);
    CHECK(s.Data()[0] == 0xD800);
    CHECK(s.Data()[2] == 0);
    CHECK(s.Data()[3] == 0xDC00);
    String t(units, 4);
    CHECK(s.Equals(t));
    t.Assign(units, 3);
    CHECK_FALSE(s.Equals(t));
}

TEST_CASE("ConcatList takes up to 16 parts and refuses a 17th")
{
    const wchar_t* parts[18];
    for (int i = 0; i < 17; i++)
        parts[i] = (i % 2) ? L"b" : L"a";
    parts[16] = nullptr;
    String s;
    s.ConcatList(parts);
    CHECK(s.Length() == 16);
    CHECK(s.Equals(L"abababababababab"));

    String before(L"unchanged");
    String target(before);
    parts[16] = L"c";
    parts[17] = nullptr;
    bool thrown = false;
    try {
        target.ConcatList(parts);
    } catch (const IndexError& e) {
        thrown = true;
        CHECK(e.code == -2);
    }
    CHECK(thrown);
    CHECK(target.SameBlock(before));

    const wchar_t* empty[] = {nullptr};
    target.ConcatList(empty);
    CHECK(target.Data() != nullptr);
    CHECK(target.Length() == 0);

    target.ConcatList({L"x", target.CStr(), L"yz"});
    CHECK(target.Equals(L"xyz"));
    CHECK_THROWS_AS(target.ConcatList({L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11",
                                       L"12", L"13", L"14", L"15", L"16", L"17"}),
                    IndexError);
    CHECK(target.Equals(L"xyz"));
}

TEST_CASE("Substring shares the whole range and copies any other")
{
    String s(L"hello world");
    String whole = s.Substring(0, s.Length());
    CHECK(whole.SameBlock(s));
    CHECK(s.RefCount() == 2);
    String part = s.Substring(6, 5);
    CHECK(part.Equals(L"world"));
    CHECK_FALSE(part.SameBlock(s));
    CHECK(s.Substring(11, 0).Length() == 0);
    CHECK(String().Substring(0, 0).Length() == 0);
    CHECK_THROWS_AS(s.Substring(-1, 2), IndexError);
    CHECK_THROWS_AS(s.Substring(10, 2), IndexError);
    CHECK_THROWS_AS(s.Substring(0, -1), IndexError);
}

namespace {
auto staticHello = MakeStaticString(L"hello");
}

TEST_CASE("a static block survives copies and releases untouched")
{
    {
        String a = String::FromStatic(staticHello);
        CHECK(a.Equals(L"hello"));
        CHECK(a.Length() == 5);
        String copies[50];
        for (auto& c : copies)
            c = a;
        String b(a);
        b.Append(L"!", 1);
        CHECK(b.Equals(L"hello!"));
        CHECK(b.RefCount() == 1);
    }
    CHECK(staticHello.refs == kStaticStringRefs);
    CHECK(String::FromStatic(staticHello).RefCount() == kStaticStringRefs);
}

TEST_CASE("IntToString writes signed 64-bit decimals")
{
    CHECK(IntToString(0).Equals(L"0"));
    CHECK(IntToString(-1).Equals(L"-1"));
    CHECK(IntToString(1234567890123LL).Equals(L"1234567890123"));
    CHECK(IntToString(INT64_MAX).Equals(L"9223372036854775807"));
    CHECK(IntToString(INT64_MIN).Equals(L"-9223372036854775808"));
}

TEST_CASE("negative lengths are refused")
{
    String s(L"keep");
    CHECK_THROWS_AS(s.Assign(L"x", -1), IndexError);
    CHECK_THROWS_AS(s.Allocate(-3), IndexError);
    CHECK(s.Equals(L"keep"));
}
