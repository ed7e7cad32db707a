#pragma once

// Fuzzing of the picture decoders, shared by the short fixed-seed test and
// the long bench run: mutations of valid pictures, each handed to the decoder
// so that its last byte sits just before a page that may not be read.

#include "helpviewer/ImageDecode.h"

#include "base/Error.h"
#include "ImageFixtures.h"

#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace fixtures {

// Input bytes placed to end at a no-access page.
class GuardedInput {
public:
    explicit GuardedInput(size_t capacity)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page = si.dwPageSize;
        room = (capacity + page - 1) / page * page;
        base = static_cast<uint8_t*>(VirtualAlloc(nullptr, room + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (!base || !VirtualProtect(base + room, page, PAGE_NOACCESS, &old))
            throw std::runtime_error("no guarded input");
    }
    ~GuardedInput() { VirtualFree(base, 0, MEM_RELEASE); }
    GuardedInput(const GuardedInput&) = delete;
    GuardedInput& operator=(const GuardedInput&) = delete;

    const uint8_t* Place(const Bytes& bytes)
    {
        size_t n = bytes.size() < room ? bytes.size() : room;
        uint8_t* at = base + room - n;
        memcpy(at, bytes.data(), n);
        return at;
    }

private:
    uint8_t* base = nullptr;
    size_t page = 0;
    size_t room = 0;
};

// A place where a size is stored in the seed.
struct SizeField {
    size_t offset;
    int bytes;
    bool bigEndian;
};

struct Seed {
    Bytes bytes;
    std::vector<SizeField> sizes;
    bool pngChunks = false;  // mend chunk CRCs after some mutations
};

inline void PutSize(Bytes& b, const SizeField& f, uint32_t v)
{
    for (int i = 0; i < f.bytes; i++) {
        size_t at = f.offset + size_t(f.bigEndian ? f.bytes - 1 - i : i);
        if (at < b.size())
            b[at] = uint8_t(v >> (8 * i));
    }
}

// Rewrites the CRC of every whole chunk, so that mutations reach past
// libpng's checks.
inline void MendPngCrcs(Bytes& b)
{
    size_t at = 8;
    while (at + 12 <= b.size()) {
        uint32_t n = (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
        if (n > b.size() - at - 12)
            return;
        uLong crc = crc32(0, b.data() + at + 4, uInt(n + 4));
        for (int i = 0; i < 4; i++)
            b[at + 8 + n + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        at += 12 + n;
    }
}

// One to three of: bit flips, inserts, deletes, truncation, a size field
// set to 0, -1 or INT32_MAX, a byte set to a value parsers look for.
inline Bytes Mutate(const Seed& seed, std::mt19937& rng)
{
    Bytes b = seed.bytes;
    int steps = 1 + int(rng() % 3);
    for (int s = 0; s < steps; s++) {
        size_t n = b.size();
        switch (rng() % 7) {
        case 0:
            for (int k = 1 + int(rng() % 8); k > 0 && n; k--)
                b[rng() % n] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1: {
            size_t at = n ? rng() % (n + 1) : 0;
            Bytes extra(1 + rng() % 16);
            for (auto& e : extra)
                e = uint8_t(rng());
            b.insert(b.begin() + at, extra.begin(), extra.end());
            break;
        }
        case 2:
            if (n) {
                size_t at = rng() % n;
                size_t len = std::min(n - at, size_t(1 + rng() % 32));
                b.erase(b.begin() + at, b.begin() + at + len);
            }
            break;
        case 3:
            b.resize(n ? rng() % n : 0);
            break;
        case 4:
        case 5:
            if (!seed.sizes.empty()) {
                static const uint32_t values[3] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu};
                PutSize(b, seed.sizes[rng() % seed.sizes.size()], values[rng() % 3]);
            }
            break;
        default: {
            static const uint8_t values[] = {0, 1, 0xFF, 0x2C, 0x21, 0x3B, 12, 255, 0x80};
            if (n)
                b[rng() % n] = values[rng() % sizeof values];
            break;
        }
        }
    }
    if (seed.pngChunks && rng() % 2)
        MendPngCrcs(b);
    return b;
}

inline Seed GifSeed(const GifFile& g)
{
    Seed s;
    s.bytes = EncodeGif(g);
    s.sizes = {{6, 2, false}, {8, 2, false}};
    // Walk the blocks of the valid file for its images' sizes and the
    // lengths of sub-blocks.
    const Bytes& b = s.bytes;
    size_t at = 13 + (b[10] & 0x80 ? 3 * (size_t(2) << (b[10] & 7)) : 0);
    while (at < b.size() && b[at] != 0x3B) {
        if (b[at] == 0x2C) {
            s.sizes.push_back({at + 5, 2, false});
            s.sizes.push_back({at + 7, 2, false});
            s.sizes.push_back({at + 9, 1, false});
            at += 10 + (b[at + 9] & 0x80 ? 3 * (size_t(2) << (b[at + 9] & 7)) : 0);
            s.sizes.push_back({at, 1, false});  // minimum code size
            at++;
        } else {
            at += 2;
        }
        while (at < b.size() && b[at] != 0) {
            s.sizes.push_back({at, 1, false});
            at += 1 + b[at];
        }
        at++;
    }
    return s;
}

inline Seed PngSeed(const PngSpec& spec)
{
    Seed s;
    s.bytes = EncodePng(spec);
    s.pngChunks = true;
    s.sizes = {{16, 4, true}, {20, 4, true}};
    for (size_t at = 8; at + 12 <= s.bytes.size();) {
        const uint8_t* p = s.bytes.data() + at;
        uint32_t n = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        s.sizes.push_back({at, 4, true});
        at += 12 + n;
    }
    return s;
}

// Small valid pictures of every kind the decoders know.
inline std::vector<Seed> GifSeeds()
{
    std::mt19937 rng(1);
    std::vector<Seed> seeds;
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

inline std::vector<Seed> PngSeeds()
{
    std::mt19937 rng(2);
    std::vector<Seed> seeds;
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
        int channels = PngChannels(kind.type);
        unsigned limit = 1u << kind.depth;
        if (kind.type == 3) {
            for (unsigned i = 0; i < std::min(limit, 40u); i++) {
                s.palette.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
                s.paletteAlpha.push_back(uint8_t(rng()));
            }
            limit = unsigned(s.palette.size());
        }
        if (kind.type == 2) {
            s.hasTrnsColour = true;
            s.trnsColour.red = 1;
        }
        for (int i = 0; i < s.width * s.height * channels; i++)
            s.samples.push_back(uint16_t(rng() % limit));
        seeds.push_back(PngSeed(s));
        k++;
    }
    return seeds;
}

// Refuses big pictures as a failed allocation would, so that damaged sizes
// do not slow the run down.
class SmallPixels : public MemoryPixels {
public:
    u32* Allocate(int32 w, int32 h) override
    {
        if (int64(w) * h > (1 << 20))
            throw MemoryError();
        return MemoryPixels::Allocate(w, h);
    }
};

struct FuzzCounts {
    int64_t decoded = 0;
    int64_t refused = 0;
};

// Each input ends in a picture or an Error; anything else escapes.
inline FuzzCounts FuzzDecoder(const std::vector<Seed>& seeds, int64_t inputs, uint32_t seed, bool png)
{
    std::mt19937 rng(seed);
    GuardedInput input(1 << 20);
    FuzzCounts counts;
    for (int64_t i = 0; i < inputs; i++) {
        Bytes b = Mutate(seeds[rng() % seeds.size()], rng);
        const uint8_t* data = input.Place(b);
        SmallPixels pixels;
        try {
            if (png)
                DecodePng(data, int64(b.size()), pixels);
            else
                DecodeGif(data, int64(b.size()), pixels);
            counts.decoded++;
        } catch (const Error&) {
            counts.refused++;
        }
    }
    return counts;
}

} // namespace fixtures
