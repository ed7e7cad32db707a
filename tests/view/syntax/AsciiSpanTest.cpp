#include "view/syntax/AsciiSpan.h"

#include <doctest.h>

#include <random>
#include <vector>

namespace {

bool IsWordByte(u8 b, bool hyphen)
{
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
           (hyphen && b == '-');
}

}  // namespace

TEST_CASE("word spans sixteen bytes at a time end where a byte-by-byte scan ends")
{
    // Word bytes mostly, so runs often pass sixteen; every byte value now
    // and then; the readable bytes and the limit cut runs anywhere.
    const char common[] = "aZz_09-Q7 .@[`{/\x80\xC5\xBC";
    for (unsigned seed = 1; seed <= 3000; seed++) {
        std::mt19937 rng(seed);
        std::vector<u8> bytes(1 + rng() % 80);
        for (u8& b : bytes)
            b = rng() % 8 == 0 ? static_cast<u8>(rng()) : static_cast<u8>(common[rng() % 9 == 0 ? rng() % 18 : rng() % 5]);
        int64 avail = static_cast<int64>(rng() % (bytes.size() + 1));
        int32 limit = static_cast<int32>(rng() % 90);
        bool hyphen = seed % 2 == 0;
        int32 expected = 0;
        bool digit = false;
        while (expected < limit && expected < avail && IsWordByte(bytes[expected], hyphen)) {
            digit = digit || (bytes[expected] >= '0' && bytes[expected] <= '9');
            expected++;
        }
        bool marked = !digit;
        int32 got = AsciiSpan::Span(
            bytes.data(), avail, limit, [hyphen](__m128i x) { return AsciiSpan::WordBytes(x, hyphen); },
            [](__m128i x) { return AsciiSpan::InRange(x, '0', '9'); }, &marked);
        INFO("seed " << seed);
        CHECK(got == expected);
        CHECK(marked == digit);
    }
}
