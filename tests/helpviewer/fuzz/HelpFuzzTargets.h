#pragma once

#include "support/Fuzz.h"

#include <vector>

// The viewer's parsers as fuzz targets, with their valid seed inputs. Each
// target ends in a result or an Error; a fault it finds in a result traps.
struct HelpFuzzTarget {
    const char* name;
    std::vector<FuzzSeed> (*seeds)();
    void (*run)(const u8* bytes, size_t count);
};

// container, LZ, UTF-8, markup (with the document's queries), GIF, PNG
const std::vector<HelpFuzzTarget>& HelpFuzzTargets();

// The picture decoders' seeds and runs (ImageFuzzTargets.cpp).
std::vector<FuzzSeed> GifFuzzSeeds();
std::vector<FuzzSeed> PngFuzzSeeds();
void RunGifFuzz(const u8* bytes, size_t count);
void RunPngFuzz(const u8* bytes, size_t count);

// The layout: mutated markup laid out at widths 0, 1, 50 and 1000 on a
// memory context (LayoutFuzzTargets.cpp). Slower than the parsers, so it
// runs apart from them.
HelpFuzzTarget LayoutFuzzTarget();
void RunLayoutFuzz(const u8* bytes, size_t count);
