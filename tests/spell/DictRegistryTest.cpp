#include "spell/DictRegistry.h"

#include <doctest.h>

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
}
