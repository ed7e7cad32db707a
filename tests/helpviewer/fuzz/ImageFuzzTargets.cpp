#include "HelpFuzzTargets.h"

#include "base/Error.h"
#include "helpviewer/HelpContainer.h"
#include "helpviewer/ImageDecode.h"
#include "support/ImageFixtures.h"

#include <random>

using namespace fixtures;

namespace {

// Refuses big pictures as a failed allocation would, so that damaged sizes
// do not slow the run down; whatever is decoded must fill its room exactly.
class SmallPixels : public MemoryPixels {
public:
    u32* Allocate(int32 w, int32 h) override
    {
        if (w <= 0 || h <= 0)
            __builtin_trap();
        if (int64(w) * h > (1 << 20))
            throw MemoryError();
        return MemoryPixels::Allocate(w, h);
    }
};

FuzzSeed GifSeed(const GifFile& g)
{
    FuzzSeed s;
    s.bytes = EncodeGif(g);
    s.sizeFields = {6};
    // The valid file's blocks: image sizes, code sizes and sub-block lengths.
    const Bytes& b = s.bytes;
    size_t at = 13 + (b[10] & 0x80 ? 3 * (size_t(2) << (b[10] & 7)) : 0);
    while (at < b.size() && b[at] != 0x3B) {
        if (b[at] == 0x2C) {
            s.sizeFields.push_back(at + 5);
            at += 10 + (b[at + 9] & 0x80 ? 3 * (size_t(2) << (b[at + 9] & 7)) : 0);
            s.sizeFields.push_back(at++);
        } else {
            at += 2;
        }
        while (at < b.size() && b[at] != 0) {
            s.sizeFields.push_back(at);
            at += 1 + b[at];
        }
        at++;
    }
    return s;
}

} // namespace

std::vector<FuzzSeed> GifFuzzSeeds()
{
    std::mt19937 rng(1);
    std::vector<FuzzSeed> seeds;
    for (int k = 0; k < 8; k++) {
        GifFile g;
        g.gif89 = k % 2 == 0;
        g.width = 8 + k * 5;
        g.height = 6 + k * 3;
        int codeSize = 2 + k % 7;
        int colours = 1 << codeSize;
        for (int i = 0; i < colours * 3; i++)
            g.globalTable.push_back(uint8_t(rng()));
        for (int frame = 0; frame < 1 + k % 3; frame++) {
            GifFrame f;
            f.width = g.width - frame;
            f.height = g.height - frame;
            f.codeSize = codeSize;
            f.interlaced = (k + frame) % 3 == 0;
            f.clearEvery = k % 2 ? 9 : 0;
            f.subBlockSize = 20 + k * 30;
            for (int i = 0; i < f.width * f.height; i++)
                f.indexes.push_back(uint8_t(rng() % 3 ? (i / 5) % colours : rng() % colours));
            if (frame == 1)
                for (int i = 0; i < 4 * 3; i++)
                    f.localTable.push_back(uint8_t(rng()));
            if (k % 2 == 0)
                f.extensionsBefore.push_back(GifTransparency(1));
            g.frames.push_back(f);
        }
        seeds.push_back(GifSeed(g));
    }
    return seeds;
}

std::vector<FuzzSeed> PngFuzzSeeds()
{
    std::mt19937 rng(2);
    std::vector<FuzzSeed> seeds;
    struct Kind {
        int type, depth;
    };
    const Kind kinds[] = {{0, 1}, {0, 4}, {0, 16}, {2, 8}, {2, 16}, {3, 2}, {3, 8}, {4, 8}, {6, 8}, {6, 16}};
    int k = 0;
    for (const Kind& kind : kinds) {
        PngSpec s;
        s.width = 5 + k * 3;
        s.height = 4 + k * 2;
        s.colourType = kind.type;
        s.depth = kind.depth;
        s.interlaced = k % 3 == 1;
        unsigned limit = 1u << kind.depth;
        if (kind.type == PNG_COLOR_TYPE_PALETTE) {
            for (unsigned i = 0; i < std::min(limit, 40u); i++) {
                s.palette.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
                s.paletteAlpha.push_back(uint8_t(rng()));
            }
            limit = unsigned(s.palette.size());
        }
        if (kind.type == PNG_COLOR_TYPE_RGB) {
            s.hasTrnsColour = true;
            s.trnsColour.red = 1;
        }
        for (int i = 0; i < s.width * s.height * PngChannels(kind.type); i++)
            s.samples.push_back(uint16_t(rng() % limit));
        FuzzSeed seed;
        seed.bytes = EncodePng(s);
        // IHDR's width and height, and every chunk's length.
        seed.sizeFields = {16, 20};
        for (size_t at = 8; at + 12 <= seed.bytes.size();) {
            const uint8_t* p = seed.bytes.data() + at;
            seed.sizeFields.push_back(at);
            at += 12 + ((size_t(p[0]) << 24) | (size_t(p[1]) << 16) | (size_t(p[2]) << 8) | p[3]);
        }
        seeds.push_back(seed);
        k++;
    }
    return seeds;
}

void RunGifFuzz(const u8* bytes, size_t count)
{
    SmallPixels pixels;
    DecodeGif(bytes, int64(count), pixels);
}

namespace {

// Rewrites the CRC of every whole chunk; false when none changed.
bool MendPngCrcs(std::vector<u8>& b)
{
    bool changed = false;
    for (size_t at = 8; at + 12 <= b.size();) {
        size_t n = (size_t(b[at]) << 24) | (size_t(b[at + 1]) << 16) | (size_t(b[at + 2]) << 8) | b[at + 3];
        if (n > b.size() - at - 12)
            break;
        u32 crc = Crc32(b.data() + at + 4, int64(n + 4));
        for (int i = 0; i < 4; i++) {
            u8 v = u8(crc >> (24 - 8 * i));
            changed |= b[at + 8 + n + size_t(i)] != v;
            b[at + 8 + n + size_t(i)] = v;
        }
        at += 12 + n;
    }
    return changed;
}

void DecodeSmallPng(const u8* bytes, size_t count)
{
    SmallPixels pixels;
    DecodePng(bytes, int64(count), pixels);
    if (pixels.pixels.empty())
        __builtin_trap();
}

} // namespace

// libpng stops at a chunk whose CRC does not match, which most mutations
// cause; each input is tried once more with its CRCs mended, so the changed
// sizes and samples reach the decoding.
void RunPngFuzz(const u8* bytes, size_t count)
{
    static GuardedBuffer mendedInput;
    std::vector<u8> mended(bytes, bytes + count);
    if (MendPngCrcs(mended)) {
        try {
            DecodeSmallPng(mendedInput.Place(mended.data(), mended.size()), mended.size());
        } catch (const Error&) {
        }
    }
    DecodeSmallPng(bytes, count);
}
