#include "HelpFuzzTargets.h"

#include <doctest.h>

#include <cstring>

// Short fixed-seed runs; bench/helpviewer_fuzz runs a million per parser.
TEST_CASE("every parser ends each of 20,000 mutated inputs in a result or an Error")
{
    const u64 seed = 0x5EED2026;
    for (const HelpFuzzTarget& target : HelpFuzzTargets()) {
        INFO(target.name << " seed " << seed);
        FuzzStats stats = RunFuzz(target.seeds(), seed, 20000, target.run);
        CHECK(stats.inputs == 20000);
        MESSAGE(target.name << ": " << stats.inputs << " inputs, " << stats.errors << " errors, seed " << seed);
    }
}

TEST_CASE("the layout ends each of 5,000 mutated pages at widths 0, 1, 50 and 1000 in a result or an Error")
{
    const u64 seed = 0x5EED2026;
    const HelpFuzzTarget target = LayoutFuzzTarget();
    INFO("seed " << seed);
    FuzzStats stats = RunFuzz(target.seeds(), seed, 5000, target.run);
    CHECK(stats.inputs == 5000);
    MESSAGE("layout: " << stats.inputs << " inputs, " << stats.errors << " errors, seed " << seed);
}

TEST_CASE("pages with fewer fonts than their indent level lay out in the checked build")
{
    // Indent marks keep their level where words keep their font.
    for (const char* page : {"<section ctx=a><indent>x</indent></section>", "<section ctx=a><ul><li>x</li></ul></section>",
                             "<section ctx=a><indent2>x</indent2><p class='indent'>y</p></section>"}) {
        INFO(page);
        RunLayoutFuzz(reinterpret_cast<const u8*>(page), strlen(page));
    }
}
