#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/SettingsStore.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Keys(const SettingsStore& store)
{
    std::vector<std::wstring> keys;
    for (int64 i = 0; i < store.PairCount(); i++) {
        String key;
        store.PairAt(i, &key, nullptr);
        keys.emplace_back(key.CStr());
    }
    return keys;
}

SettingsStore With(const wchar_t* key, const wchar_t* value)
{
    SettingsStore store;
    store.SetText(key, value);
    return store;
}

}  // namespace

TEST_CASE("keys stay sorted without regard to case and never repeat")
{
    SettingsStore store;
    for (const wchar_t* key : {L"b", L"C", L"a", L"B", L"d", L"A"})
        store.SetText(key, key);
    CHECK(Keys(store) == std::vector<std::wstring>{L"a", L"b", L"C", L"d"});
    CHECK(store.PairCount() == 4);
    // The first spelling stays, the last value wins.
    CHECK(store.Get(L"A").Equals(L"A"));
    CHECK(store.Find(L"a") == 0);
    CHECK(store.Find(L"c") == 4);
    CHECK(store.Find(L"e") == -1);
    CHECK(store.Find(L"") == -1);
    CHECK(store.LowerBound(String(L"bb")) == 4);
    CHECK(store.LowerBound(String(L"B")) == 2);
    CHECK(store.LowerBound(String(L"z")) == 8);
    CHECK(store.LowerBound(String()) == 0);
}

TEST_CASE("keys with Polish letters sort by the locale and are found in any case")
{
    const wchar_t* keys[] = {L"\u017Caba", L"zebra", L"\u0142\u00F3d\u017A", L"Lody", L"\u0106ma", L"cyrk",
                             L"\u017Ar\u00F3d\u0142o", L"\u0104", L"a", L"\u015Bwit", L"sowa", L"\u0119", L"e"};
    const wchar_t* upper[] = {L"\u017BABA", L"ZEBRA", L"\u0141\u00D3D\u0179", L"LODY", L"\u0107MA", L"CYRK",
                              L"\u0179R\u00D3D\u0141O", L"\u0105", L"A", L"\u015AWIT", L"SOWA", L"\u0118", L"E"};
    SettingsStore store;
    for (const wchar_t* key : keys)
        store.SetText(key, key);
    REQUIRE(store.PairCount() == 13);
    std::vector<std::wstring> sorted = Keys(store);
    for (size_t i = 0; i + 1 < sorted.size(); i++) {
        CAPTURE(i);
        CHECK(::CompareNoCase(sorted[i].c_str(), static_cast<int64>(sorted[i].size()), sorted[i + 1].c_str(),
                              static_cast<int64>(sorted[i + 1].size())) == -1);
    }
    for (size_t i = 0; i < 13; i++) {
        CAPTURE(i);
        int64 at = store.Find(upper[i]);
        REQUIRE(at >= 0);
        CHECK(store.pairs.At(at + 1).Equals(keys[i]));
        // Setting the upper-case spelling replaces the value under the stored key.
        store.SetText(upper[i], L"new");
        CHECK(store.PairCount() == 13);
        CHECK(store.pairs.At(at).Equals(keys[i]));
    }
}

TEST_CASE("setting tabstep replaces TabStep and keeps the stored spelling")
{
    SettingsStore store;
    store.SetTabStep(8);
    store.SetText(L"tabstep", L"3");
    CHECK(store.PairCount() == 1);
    CHECK(Keys(store) == std::vector<std::wstring>{L"TabStep"});
    CHECK(store.GetTabStep() == 3);
}

TEST_CASE("values are shared, absent ones are null and empty ones are empty texts")
{
    SettingsStore store;
    String value(L"shared");
    store.SetString(L"k", value);
    CHECK(store.Get(L"k").SameBlock(value));
    CHECK(store.Get(L"missing").Data() == nullptr);
    CHECK(store.GetText(L"missing") == nullptr);
    store.SetText(L"empty", nullptr);
    REQUIRE(store.GetText(L"empty") != nullptr);
    CHECK(store.GetText(L"empty")[0] == 0);
    store.SetString(L"null", String());
    REQUIRE(store.GetText(L"null") != nullptr);
    CHECK(store.GetText(L"null")[0] == 0);
}

TEST_CASE("FindString takes the very block of a stored key as equal")
{
    SettingsStore store;
    store.SetText(L"Alpha", L"1");
    store.SetText(L"beta", L"2");
    String key;
    store.PairAt(1, &key, nullptr);
    CHECK(store.FindString(key) == 2);
    CHECK(store.FindString(String(L"ALPHA")) == 0);
    CHECK(store.FindString(String(L"gamma")) == -1);
}

TEST_CASE("pairs by position: PairAt, InsertPair, RemovePairAt and their bounds")
{
    SettingsStore store;
    store.SetText(L"a", L"1");
    store.SetText(L"c", L"3");
    store.InsertPair(store.LowerBound(String(L"b")), String(L"b"), String(L"2"));
    CHECK(Keys(store) == std::vector<std::wstring>{L"a", L"b", L"c"});
    String value;
    store.PairAt(2, nullptr, &value);
    CHECK(value.Equals(L"3"));

    auto code = [](auto f) {
        try {
            f();
        } catch (const Error& e) {
            return e.code;
        }
        return 0;
    };
    CHECK(code([&] { store.PairAt(3, &value, nullptr); }) == -2);
    CHECK(code([&] { store.PairAt(-1, nullptr, nullptr); }) == -2);
    CHECK(code([&] { store.RemovePairAt(5); }) == -2);
    CHECK(code([&] { store.RemovePairAt(-2); }) == -2);
    store.RemovePairAt(2);
    CHECK(Keys(store) == std::vector<std::wstring>{L"a", L"c"});
    store.RemovePairAt(2);
    store.RemovePairAt(0);
    CHECK(store.PairCount() == 0);
    SettingsStore empty;
    CHECK(empty.PairCount() == 0);
    CHECK(code([&] { empty.RemovePairAt(0); }) == -2);
    CHECK(empty.Find(L"x") == -1);
}

TEST_CASE("Assign copies into a new array sharing the strings, not the loaded flag")
{
    SettingsStore source;
    source.SetText(L"x", L"1");
    source.SetText(L"y", L"2");
    source.loaded = 1;
    SettingsStore target;
    target.SetText(L"old", L"gone");
    target.Assign(source);
    CHECK(target.loaded == 0);
    CHECK(Keys(target) == std::vector<std::wstring>{L"x", L"y"});
    CHECK(target.Get(L"x").SameBlock(source.Get(L"x")));
    // Changing one store leaves the other as it was.
    target.SetText(L"z", L"3");
    CHECK(source.PairCount() == 2);
    target.Assign(target);
    CHECK(target.PairCount() == 3);
}

TEST_CASE("booleans: absent or empty gives the default, lower-case 1, t or y is true")
{
    for (const wchar_t* yes : {L"yes", L"true", L"1", L"t", L"y!"})
        CHECK(With(L"b", yes).GetBool(L"b", false));
    for (const wchar_t* no : {L"True", L"no", L"0", L"Y", L" true"})
        CHECK_FALSE(With(L"b", no).GetBool(L"b", true));
    CHECK(With(L"b", L"").GetBool(L"b", true));
    CHECK_FALSE(With(L"b", L"").GetBool(L"b", false));
    CHECK(SettingsStore().GetBool(L"b", true));
}

TEST_CASE("TabStep: a leading integer, else 4")
{
    CHECK(With(L"TabStep", L"8").GetTabStep() == 8);
    CHECK(With(L"TabStep", L"-2").GetTabStep() == -2);
    CHECK(With(L"TabStep", L"12abc").GetTabStep() == 12);
    CHECK(With(L"TabStep", L"x").GetTabStep() == 4);
    CHECK(With(L"TabStep", L"").GetTabStep() == 4);
    CHECK(With(L"TabStep", L"-").GetTabStep() == 4);
    CHECK(With(L"TabStep", L" 8").GetTabStep() == 4);
    CHECK(With(L"TabStep", L"+8").GetTabStep() == 4);
    CHECK(SettingsStore().GetTabStep() == 4);
    SettingsStore store;
    store.SetTabStep(-17);
    CHECK(store.Get(L"TabStep").Equals(L"-17"));
}

TEST_CASE("FontSize: a leading real number, else the caller's default")
{
    CHECK(With(L"FontSize", L"10.5").GetFontSize(9) == 10.5);
    CHECK(With(L"FontSize", L"-3pt").GetFontSize(9) == -3);
    CHECK(With(L"FontSize", L".5").GetFontSize(9) == 9);
    CHECK(With(L"FontSize", L"big").GetFontSize(9) == 9);
    CHECK(With(L"FontSize", L"").GetFontSize(7.5) == 7.5);
    SettingsStore store;
    store.SetFontSize(10.25);
    CHECK(store.Get(L"FontSize").Equals(L"10.25"));
    store.SetFontSize(1e300);
    CHECK(store.Get(L"FontSize").Equals(L"1e+300"));
    CHECK(store.GetFontSize(0) == 1e300);
}

TEST_CASE("rectangles: exactly four numbers in any separation")
{
    RECT r{};
    CHECK(With(L"R", L"10,20,300,400").GetRect(L"R", &r));
    CHECK((r.left == 10 && r.top == 20 && r.right == 300 && r.bottom == 400));
    r = RECT{};
    CHECK(With(L"R", L"10 20 300 400").GetRect(L"R", &r));
    CHECK((r.left == 10 && r.bottom == 400));

    RECT keep{1, 1, 1, 1};
    CHECK_FALSE(With(L"R", L"10,20,300").GetRect(L"R", &keep));
    CHECK_FALSE(With(L"R", L"1,2,3,4,5").GetRect(L"R", &keep));
    CHECK_FALSE(With(L"R", L"").GetRect(L"R", &keep));
    CHECK_FALSE(SettingsStore().GetRect(L"R", &keep));
    CHECK((keep.left == 1 && keep.top == 1 && keep.right == 1 && keep.bottom == 1));

    // A lone minus is the number 0; a run such as 5-3 is one number.
    CHECK(With(L"R", L"1,-,2,3").GetRect(L"R", &r));
    CHECK((r.left == 1 && r.top == 0 && r.right == 2 && r.bottom == 3));
    CHECK(With(L"R", L"5-3,-7,x8;9").GetRect(L"R", &r));
    CHECK((r.left == 5 && r.top == -7 && r.right == 8 && r.bottom == 9));
    // Numbers beyond 32 bits are clamped.
    CHECK(With(L"R", L"99999999999,-99999999999,0,0").GetRect(L"R", &r));
    CHECK((r.left == 2147483647 && r.top == -2147483647 - 1));

    SettingsStore store;
    store.SetRect(L"WindowRect", RECT{-8, 0, 1928, 1050});
    CHECK(store.Get(L"WindowRect").Equals(L"-8,0,1928,1050"));
    RECT back{};
    CHECK(store.GetRect(L"WindowRect", &back));
    CHECK((back.left == -8 && back.right == 1928 && back.bottom == 1050));
}

TEST_CASE("colours: #hex or decimal, anything else the default")
{
    CHECK(With(L"c", L"#ff8000").GetColor(L"c", 7) == 0xFF8000u);
    CHECK(With(L"c", L"16744448").GetColor(L"c", 7) == 0xFF8000u);
    CHECK(With(L"c", L"#FFF").GetColor(L"c", 7) == 0xFFFu);
    CHECK(With(L"c", L"#xyz").GetColor(L"c", 7) == 7u);
    CHECK(With(L"c", L"red").GetColor(L"c", 7) == 7u);
    CHECK(With(L"c", L"").GetColor(L"c", 7) == 7u);
    CHECK(With(L"c", L"-5").GetColor(L"c", 7) == 7u);
    CHECK(SettingsStore().GetColor(L"c", 7) == 7u);
    SettingsStore store;
    store.SetColor(L"c", 0xFF);
    CHECK(store.Get(L"c").Equals(L"#0000ff"));
    store.SetColor(L"c", 0x1234567);
    CHECK(store.Get(L"c").Equals(L"#1234567"));
    CHECK(store.GetColor(L"c", 0) == 0x1234567u);
}
