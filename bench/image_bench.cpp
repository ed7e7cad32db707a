// Decoding 2000 x 2000 pictures, PNG and GIF, with Windows Imaging Component
// decoding the same bytes beside ours.

#include "helpviewer/ImageDecode.h"

#include "bench/BenchTiming.h"
#include "tests/support/ImageFixtures.h"

#include <cstdio>
#include <random>

using namespace fixtures;

namespace {

constexpr int kSide = 2000;

// Smooth shades with some noise, as in a screenshot or a drawing.
PngSpec MakePng()
{
    std::mt19937 rng(1);
    PngSpec s;
    s.width = s.height = kSide;
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.samples.resize(size_t(kSide) * kSide * 4);
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++) {
            uint16_t* p = &s.samples[(size_t(y) * kSide + x) * 4];
            p[0] = uint16_t((x / 8) & 255);
            p[1] = uint16_t((y / 8) & 255);
            p[2] = uint16_t((x + y + rng() % 8) & 255);
            p[3] = uint16_t(x < kSide / 2 ? 255 : (y & 255));
        }
    return s;
}

GifFile MakeGif()
{
    std::mt19937 rng(2);
    GifFile g;
    g.width = g.height = kSide;
    for (int i = 0; i < 768; i++)
        g.globalTable.push_back(uint8_t(rng()));
    GifFrame f;
    f.width = f.height = kSide;
    f.indexes.resize(size_t(kSide) * kSide);
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++)
            f.indexes[size_t(y) * kSide + x] = uint8_t(rng() % 16 ? (x / 16 + y / 16) : rng());
    g.frames.push_back(f);
    return g;
}

void Compare(const char* name, const Bytes& bytes, bool gif, Wic& wic)
{
    const double mpixels = double(kSide) * kSide / 1e6;
    uint64_t sum = 0;
    double ours = Time([&] {
        MemoryPixels p;
        DecodeImage(bytes.data(), int64(bytes.size()), p);
        sum += p.pixels[p.pixels.size() / 2];
    });
    double reference = Time([&] {
        Pixels p = wic.Decode(bytes, gif);
        sum += p.values.empty() ? 0 : p.values[p.values.size() / 2];
    });
    std::printf("%s decode: %.1f Mpixel/s\n", name, mpixels / ours);
    std::printf("%s decode WIC: %.1f Mpixel/s\n", name, mpixels / reference);
    std::printf("%s bytes: %zu (checksum %llu)\n", name, bytes.size(), (unsigned long long)sum);
}

} // namespace

int main()
{
    Wic wic;
    if (!wic.Available()) {
        std::printf("no imaging component\n");
        return 1;
    }
    Compare("png 2000x2000 rgba", EncodePng(MakePng()), false, wic);
    Compare("gif 2000x2000", EncodeGif(MakeGif()), true, wic);
    return 0;
}
