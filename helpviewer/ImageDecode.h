#pragma once

// Decoders of the help's pictures: PNG through libpng, GIF by our own LZW.
// Both write 32-bit pixels, rows top-down, blue in the lowest byte (the
// layout of a 32-bit DIB); PNG colours are premultiplied by their alpha, GIF
// pixels are opaque colours with a zero top byte. Damage is InternalError.

#include "base/Types.h"

#include <vector>

// Sizes of a picture are taken from its bytes in 64 bits and refused above
// this many pixels, so 4 bytes a pixel stay well inside 32 bits.
constexpr int64 kMaxImagePixels = int64(64) * 1024 * 1024;

// Where a decoder puts its pixels.
class PixelSink {
public:
    virtual ~PixelSink() = default;
    // Zeroed room for width x height pixels, rows of 4 x width bytes, asked
    // for once the sizes were checked and before the pixels are decoded. A
    // GIF asks again for each of its images; the last room holds the picture.
    virtual u32* Allocate(int32 width, int32 height) = 0;
};

// Pixels kept in memory (tests, benchmarks, fuzzing).
class MemoryPixels : public PixelSink {
public:
    u32* Allocate(int32 width, int32 height) override;

    int32 width = 0;
    int32 height = 0;
    std::vector<u32> pixels;
};

// The PNG signature 89 50 4E 47 0D 0A 1A 0A in the first 8 bytes.
bool HasPngSignature(const u8* bytes, int64 length);

// Returns whether the picture carries alpha (an alpha channel or tRNS).
bool DecodePng(const u8* bytes, int64 length, PixelSink& sink);

// The last image of the file reaches the sink; a file without any image
// leaves the sink untouched.
void DecodeGif(const u8* bytes, int64 length, PixelSink& sink);

// PNG when the signature is there, else GIF. Returns has-alpha.
bool DecodeImage(const u8* bytes, int64 length, PixelSink& sink);
