// Long fuzz runs of the GIF and PNG decoders (built with undefined-behaviour
// traps): image_fuzz [inputs per decoder] [seed].

#include "bench/BenchTiming.h"
#include "tests/support/ImageFuzz.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    long long inputs = argc > 1 ? std::atoll(argv[1]) : 1000000;
    unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : unsigned(GetTickCount());
    std::printf("seed: %u\n", seed);
    for (bool png : {false, true}) {
        Clock clock;
        fixtures::FuzzCounts c =
            fixtures::FuzzDecoder(png ? fixtures::PngSeeds() : fixtures::GifSeeds(), inputs, seed, png);
        double s = clock.Seconds();
        const char* name = png ? "png" : "gif";
        std::printf("%s fuzz inputs: %lld decoded, %lld refused\n", name, (long long)c.decoded,
                    (long long)c.refused);
        std::printf("%s fuzz: %.0f inputs/s\n", name, double(inputs) / s);
    }
    return 0;
}
