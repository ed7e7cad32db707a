#include "support/ImageFuzz.h"

#include <doctest.h>

using namespace fixtures;

TEST_CASE("Mutated GIFs and PNGs end in a picture or an error, never reading past their bytes")
{
    const uint32_t seed = 4711;
    INFO("seed " << seed);
    FuzzCounts gif = FuzzDecoder(GifSeeds(), 20000, seed, false);
    FuzzCounts png = FuzzDecoder(PngSeeds(), 20000, seed, true);
    // Both outcomes must occur, or the mutations miss the decoders (most
    // changes to a PNG break its compressed data).
    CHECK(gif.decoded > 1000);
    CHECK(gif.refused > 1000);
    CHECK(png.decoded > 100);
    CHECK(png.refused > 1000);
    MESSAGE("GIF " << gif.decoded << " decoded, " << gif.refused << " refused; PNG " << png.decoded
                   << " decoded, " << png.refused << " refused");
}
