#include "SpellFixtures.h"

#include "spell/DictRegistry.h"
#include "support/CaughtError.h"

#include <doctest.h>

namespace {

bool Correct(const DictRegistry& r, const wchar_t* word)
{
    return r.IsCorrect(word, static_cast<int64>(wcslen(word)));
}

// pl (ISO 8859-2) shipped, en (UTF-8) installed by the user, and two small ones.
struct Dicts {
    SpellFolders dirs;
    Dicts()
    {
        SpellFolders::CopySystemDict(dirs.folders.shipped, L"pl_PL", L"pl");
        SpellFolders::CopySystemDict(dirs.folders.user, L"en_US", L"en");
        SpellFolders::WriteDict(dirs.folders.user, L"de", "SET UTF-8\n", "2\nHund\nKatze\n");
        SpellFolders::WriteDict(dirs.folders.user, L"bad", "SET ISO8859-15\n", "1\nabc\n");
    }
};

}  // namespace

TEST_CASE("dictionary pairs pack the primary low and the secondary high")
{
    u32 pair = PackDictPair(3, 12);
    CHECK(pair == (3u | (12u << 16)));
    CHECK(PrimaryDictId(pair) == 3);
    CHECK(SecondaryDictId(pair) == 12);
    CHECK(PrimaryDictId(PackDictPair(0x8001, 0)) == 1);  // 15 bits each
    CHECK(SecondaryDictId(0xFFFF0000u) == 0x7FFF);
    CHECK(SecondaryDictId(PackDictPair(5, 0)) == 0);
}

TEST_CASE("a registry without dictionaries accepts no word and names no pair")
{
    DictRegistry registry;
    CHECK(registry.Count() == 0);
    CHECK_FALSE(registry.IsCorrect(L"word", 4));
    CHECK_FALSE(registry.IsCorrect(L"", 0));
    CHECK(registry.DisplayName(PackDictPair(1, 0)).Length() == 0);
    CHECK(registry.DisplayName(PackDictPair(1, 2)).Length() == 0);
    CHECK(registry.DisplayName(0).Length() == 0);
    CHECK(registry.Suggest(String(L"word")).Count() == 0);
    CHECK(registry.SelectedPair() == 0);
}

TEST_CASE("FindOrLoad loads each dictionary once and selects what was asked for")
{
    Dicts d;
    DictRegistry r(d.dirs.folders);
    CHECK(r.FindOrLoad(String(L"pl")) == 1);
    CHECK(r.FindOrLoad(String(L"pl")) == 1);
    CHECK(r.FindOrLoad(String(L"PL")) == 1);
    CHECK(r.Count() == 1);

    CHECK(r.FindOrLoad(String(L"pl\ren")) == ((2u << 16) | 1u));
    CHECK(r.Primary()->Name().Equals(L"pl"));
    CHECK(r.Secondary()->Name().Equals(L"en"));
    CHECK(r.DisplayName(r.SelectedPair()).Equals(L"pl\ren"));
    // pl rejects what en accepts: correct with the pair, not with pl alone.
    CHECK(Correct(r, L"zażółć"));
    CHECK(Correct(r, L"understanding"));
    CHECK_FALSE(Correct(r, L"understnding"));
    CHECK(r.Suggest(String(L"zolw")).Count() > 0);

    // A single name changes the primary only.
    CHECK(r.FindOrLoad(String(L"de")) == 3);
    CHECK(r.Primary()->Name().Equals(L"de"));
    CHECK(r.Secondary()->Name().Equals(L"en"));
    CHECK(r.DisplayName(PackDictPair(3, 0)).Equals(L"de"));
    CHECK(r.DisplayName(PackDictPair(3, 9)).Equals(L"de"));
    CHECK(r.DisplayName(PackDictPair(9, 1)).Length() == 0);
    CHECK(r.ById(PackDictPair(2, 3))->Name().Equals(L"en"));
    CHECK(r.FindByName(L"EN") == r.ById(2));
    CHECK(r.FindByName(L"xx") == nullptr);

    r.Select(PackDictPair(1, 0));
    CHECK_FALSE(Correct(r, L"understanding"));
    r.Select(0);
    r.Select(PackDictPair(7, 2));
    CHECK(r.Primary()->Name().Equals(L"pl"));
    CHECK(r.Secondary() == nullptr);
    r.Select(PackDictPair(2, 7));
    CHECK(r.Primary()->Name().Equals(L"en"));
    CHECK(r.Secondary() == nullptr);

    r.Clear();
    CHECK(r.Count() == 0);
    CHECK(r.Primary() == nullptr);
    CHECK_FALSE(Correct(r, L"understanding"));
}

TEST_CASE("a dictionary that fails to load leaves the list and the selection as they were")
{
    Dicts d;
    DictRegistry r(d.dirs.folders);
    u32 pair = r.FindOrLoad(String(L"pl\ren"));
    CHECK(CaughtError([&] { r.FindOrLoad(String(L"bad")); }).code == -400);
    CHECK(CaughtError([&] { r.FindOrLoad(String(L"missing")); }).code == 2);
    CHECK(CaughtError([&] { r.FindOrLoad(String()); }).code == -3);
    CHECK(r.Count() == 2);
    CHECK(r.SelectedPair() == pair);

    // The second name of a pair fails: the earlier selection stays.
    r.Select(PackDictPair(2, 0));
    CHECK(CaughtError([&] { r.FindOrLoad(String(L"de\rbad")); }).code == -400);
    CHECK(r.SelectedPair() == PackDictPair(2, 0));
    CHECK(CaughtError([&] { r.FindOrLoad(String(L"missing\rpl")); }).code == 2);
    CHECK(r.SelectedPair() == PackDictPair(2, 0));
    // de loaded meanwhile keeps its id for the next request.
    CHECK(r.FindOrLoad(String(L"de")) == 3);
}

TEST_CASE("the registry's user words come from the .usr at load time")
{
    Dicts d;
    WriteFileBytes(Concat(d.dirs.folders.user, L"pl.usr"), "Qwzrt\r\n\xD0\xBA\xD0\xBE\xD1\x82\r\n");  // кот
    DictRegistry r(d.dirs.folders);
    r.FindOrLoad(String(L"pl"));
    CHECK(Correct(r, L"Qwzrt"));
    CHECK(Correct(r, L"Кот"));
    CHECK(r.Primary()->UserWords().Count() == 2);
}
