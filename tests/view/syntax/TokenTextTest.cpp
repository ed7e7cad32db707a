#include "view/syntax/TokenText.h"

#include <doctest.h>

#include <random>
#include <vector>

TEST_CASE("ASCII appended sixteen at a time gives the units, lengths and room of appends one by one")
{
    for (unsigned seed = 1; seed <= 40; seed++) {
        std::mt19937 rng(seed);
        TokenText fast, slow;
        std::vector<u8> bytes(600);
        for (int step = 0; step < 400; step++) {
            for (u8& b : bytes)
                b = static_cast<u8>(32 + rng() % 95);
            int32 n = static_cast<int32>(rng() % 5 == 0 ? rng() % 300 : rng() % 20);
            int64 readable = n + static_cast<int64>(rng() % 40);
            size_t at = rng() % (bytes.size() - 340);
            fast.AppendAscii(bytes.data() + at, n, readable);
            for (int32 i = 0; i < n; i++)
                slow.AppendCodePoint(bytes[at + i], 1);
            if (rng() % 50 == 0) {
                fast.Reset();
                slow.Reset();
            }
        }
        INFO("seed " << seed);
        REQUIRE(fast.Count() == slow.Count());
        CHECK(fast.Capacity() == slow.Capacity());
        bool same = true;
        for (int32 i = 0; i < fast.Count(); i++)
            same = same && fast.Units()[i] == slow.Units()[i] && fast.ByteLengths()[i] == slow.ByteLengths()[i];
        CHECK(same);
    }
}
