// Long fuzz runs of the viewer's parsers (the tests run 20,000 inputs each)
// and of its layout (100,000 by default; the tests run 5,000):
// helpviewer_fuzz [inputs per parser] [seed] [parser name]. Prints the rate and the seed,
// so a run that stops on a trap can be repeated.

#include "helpviewer/fuzz/HelpFuzzTargets.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    long long count = argc > 1 ? atoll(argv[1]) : 1000000;
    unsigned long long seed = argc > 2 ? strtoull(argv[2], nullptr, 0) : GetTickCount64() * 2654435761ull;
    printf("seed: %llu\n", seed);
    fflush(stdout);
    const char* only = argc > 3 ? argv[3] : nullptr;
    for (const HelpFuzzTarget& target : HelpFuzzTargets()) {
        if (only && strcmp(only, target.name) != 0)
            continue;
        FuzzStats stats = RunFuzz(target.seeds(), seed, count, target.run);
        printf("fuzz %s: %.0f inputs/s (%lld inputs, %lld errors, seed %llu)\n", target.name,
               static_cast<double>(stats.inputs) / stats.seconds, static_cast<long long>(stats.inputs),
               static_cast<long long>(stats.errors), seed);
        fflush(stdout);
    }
    // The layout costs more per input: a tenth of the count (100,000 by default).
    const HelpFuzzTarget layout = LayoutFuzzTarget();
    if (!only || strcmp(only, layout.name) == 0) {
        FuzzStats stats = RunFuzz(layout.seeds(), seed, only ? count : count / 10, layout.run);
        printf("fuzz %s: %.0f inputs/s (%lld inputs, %lld errors, seed %llu)\n", layout.name,
               static_cast<double>(stats.inputs) / stats.seconds, static_cast<long long>(stats.inputs),
               static_cast<long long>(stats.errors), seed);
    }
    return 0;
}
