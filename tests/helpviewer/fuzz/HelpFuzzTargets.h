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

// container, LZ, UTF-8, markup (with the document's queries)
const std::vector<HelpFuzzTarget>& HelpFuzzTargets();
