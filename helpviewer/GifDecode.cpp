#include "helpviewer/ImageDecode.h"

#include "base/Error.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
using Block = std::unique_ptr<u8, FreeDeleter>;

// A read past the end gives what remains and zeros for the rest.
struct ByteReader {
    const u8* bytes;
    int64 length;
    int64 position;

    bool AtEnd() const { return position >= length; }
    int Byte() { return position < length ? bytes[position++] : 0; }
    int U16()
    {
        int low = Byte();
        return low | (Byte() << 8);
    }
    void Skip(int64 n) { position = n < length - position ? position + n : length; }
    void Read(u8* to, int64 n)
    {
        int64 have = length - position < n ? length - position : n;
        memcpy(to, bytes + position, static_cast<size_t>(have));
        memset(to + have, 0, static_cast<size_t>(n - have));
        position += have;
    }
};

// Skips data sub-blocks up to and including the zero length that ends them.
void SkipSubBlocks(ByteReader& r)
{
    for (;;) {
        int n = r.Byte();
        if (n == 0)
            return;
        r.Skip(n);
    }
}

void ReadPalette(ByteReader& r, int packed, u8* palette)
{
    int64 entries = int64(1) << ((packed & 7) + 1);
    r.Read(palette, 3 * entries);
}

// LZW codes, least significant bit first, across the image's sub-blocks.
class CodeReader {
public:
    explicit CodeReader(ByteReader& reader) : r(reader) {}

    // The next code of size bits, or -1 when the image data ended.
    int Next(int size)
    {
        while (held < size) {
            if (blockLeft == 0) {
                if (ended || r.AtEnd()) {
                    ended = true;
                    return -1;
                }
                blockLeft = r.Byte();
                if (blockLeft == 0) {
                    ended = true;
                    return -1;
                }
            }
            if (r.AtEnd()) {
                ended = true;
                return -1;
            }
            bits |= u32(r.Byte()) << held;
            held += 8;
            blockLeft--;
        }
        int code = static_cast<int>(bits & ((1u << size) - 1));
        bits >>= size;
        held -= size;
        return code;
    }

    // Steps past what is left of the image data, so that the next block is
    // read from its own first byte.
    void SkipRest()
    {
        if (ended)
            return;
        r.Skip(blockLeft);
        SkipSubBlocks(r);
        ended = true;
    }

private:
    ByteReader& r;
    int blockLeft = 0;
    bool ended = false;
    u32 bits = 0;
    int held = 0;
};

constexpr int kTableSize = 4096;

// Index rows of one image: each row starts at a multiple of 4 bytes.
struct IndexImage {
    int32 width = 0;
    int32 height = 0;
    int64 stride = 0;
    Block indexes;
};

// Puts the pixels of one decoded string into the rows, stopping at the
// image's last pixel.
class RowWriter {
public:
    RowWriter(IndexImage& image) : out(image.indexes.get()), width(image.width), stride(image.stride),
        left(int64(image.width) * image.height) {}

    bool Full() const { return left == 0; }

    // Room for n pixels in the current row (not past the last pixel): where
    // they go, or null. The caller fills them all.
    u8* Claim(int64 n)
    {
        if (n > left || n > width - x)
            return nullptr;
        u8* at = out + row + x;
        left -= n;
        x += n;
        if (x == width) {
            x = 0;
            row += stride;
        }
        return at;
    }

    void Write(const u8* s, int64 n)
    {
        if (n > left)
            n = left;
        left -= n;
        while (n > 0) {
            int64 part = width - x < n ? width - x : n;
            memcpy(out + row + x, s, static_cast<size_t>(part));
            s += part;
            n -= part;
            x += part;
            if (x == width) {
                x = 0;
                row += stride;
            }
        }
    }

private:
    u8* out;
    int64 width;
    int64 stride;
    int64 left;
    int64 x = 0;
    int64 row = 0;
};

struct Dictionary {
    u16 prefix[kTableSize];
    u16 length[kTableSize];
    u8 last[kTableSize];
    u8 first[kTableSize];
};

void DecodeLzw(ByteReader& r, IndexImage& image, Dictionary& d)
{
    int minSize = r.Byte();
    // Larger sizes would start the table at or past its end.
    if (minSize > 11)
        throw InternalError();
    const int clear = 1 << minSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; i++) {
        // Colour codes above 255 (code sizes 9-11) are cut to a byte.
        d.last[i] = d.first[i] = static_cast<u8>(i);
        d.length[i] = 1;
        d.prefix[i] = 0;
    }
    int size = minSize + 1;
    int next = clear + 2;
    int previous = -1;
    u8 text[kTableSize];
    CodeReader codes(r);
    RowWriter rows(image);
    while (!rows.Full()) {
        int code = codes.Next(size);
        if (code < 0 || code == end)
            break;
        if (code == clear) {
            size = minSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            // The table is empty after a clear: only a colour can come.
            if (code >= clear)
                break;
            u8 c = static_cast<u8>(code);
            rows.Write(&c, 1);
            previous = code;
            continue;
        }
        if (code > next)
            break;
        if (next < kTableSize) {
            // code == next is the previous string and its own first byte.
            u8 firstByte = code == next ? d.first[previous] : d.first[code];
            d.prefix[next] = static_cast<u16>(previous);
            d.last[next] = firstByte;
            d.first[next] = d.first[previous];
            d.length[next] = static_cast<u16>(d.length[previous] + 1);
            next++;
            if (next >= (1 << size) && size < 12)
                size++;
        }
        // Strings are spelled from their end; most fit their row and go there
        // directly.
        int n = d.length[code];
        u8* to = rows.Claim(n);
        u8* spell = to ? to : text;
        int c = code;
        for (int i = n - 1; i >= 0; i--) {
            spell[i] = d.last[c];
            c = d.prefix[c];
        }
        if (!to)
            rows.Write(text, n);
        previous = code;
    }
    codes.SkipRest();
}

// Rows arrive in the passes 0, 8, 16...; 4, 12...; 2, 6...; 1, 3, 5...
void Deinterlace(IndexImage& image)
{
    int64 bytes = image.stride * image.height;
    Block sorted(static_cast<u8*>(AllocZeroed(static_cast<size_t>(bytes))));
    static const int starts[4] = {0, 4, 2, 1};
    static const int steps[4] = {8, 8, 4, 2};
    const u8* from = image.indexes.get();
    for (int pass = 0; pass < 4; pass++)
        for (int64 y = starts[pass]; y < image.height; y += steps[pass]) {
            memcpy(sorted.get() + y * image.stride, from, static_cast<size_t>(image.stride));
            from += image.stride;
        }
    image.indexes = std::move(sorted);
}

void WritePixels(const IndexImage& image, const u8* palette, u32* out)
{
    u32 colours[256];
    for (int i = 0; i < 256; i++) {
        const u8* p = palette + 3 * i;
        colours[i] = (u32(p[0]) << 16) | (u32(p[1]) << 8) | p[2];
    }
    const u8* row = image.indexes.get();
    for (int32 y = 0; y < image.height; y++, row += image.stride)
        for (int32 x = 0; x < image.width; x++)
            *out++ = colours[row[x]];
}

// Every image replaces the sink's pixels, so the last one is what remains.
void ReadImage(ByteReader& r, u8* palette, Dictionary& d, PixelSink& sink)
{
    r.Skip(4);
    int64 width = r.U16();
    int64 height = r.U16();
    int64 pixels = width * height;
    if (pixels == 0 || pixels > kMaxImagePixels)
        throw InternalError();
    int packed = r.Byte();
    if (packed & 0x80)
        ReadPalette(r, packed, palette);
    u32* out = sink.Allocate(static_cast<int32>(width), static_cast<int32>(height));
    IndexImage image;
    image.width = static_cast<int32>(width);
    image.height = static_cast<int32>(height);
    image.stride = (width + 3) & ~int64(3);
    image.indexes.reset(static_cast<u8*>(AllocZeroed(static_cast<size_t>(image.stride * height))));
    DecodeLzw(r, image, d);
    if (packed & 0x40)
        Deinterlace(image);
    WritePixels(image, palette, out);
}

} // namespace

void DecodeGif(const u8* bytes, int64 length, PixelSink& sink)
{
    ByteReader r{bytes, length, 0};
    u8 header[6];
    r.Read(header, 6);
    if (memcmp(header, "GIF87", 5) != 0 && memcmp(header, "GIF89", 5) != 0)
        throw InternalError();
    u8 screen[7];
    r.Read(screen, 7);
    u8 palette[768] = {};
    if (screen[4] & 0x80)
        ReadPalette(r, screen[4], palette);

    std::unique_ptr<Dictionary> dictionary(new (std::nothrow) Dictionary);
    if (!dictionary)
        throw MemoryError();
    while (!r.AtEnd()) {
        int b = r.Byte();
        if (b == 0x3B)
            break;
        if (b == 0x21) {
            // No extension changes the picture, not even a transparent colour.
            r.Byte();
            SkipSubBlocks(r);
        } else if (b == 0x2C) {
            ReadImage(r, palette, *dictionary, sink);
        }
    }
}

u32* MemoryPixels::Allocate(int32 w, int32 h)
{
    try {
        pixels.assign(static_cast<size_t>(int64(w) * h), 0);
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    width = w;
    height = h;
    return pixels.data();
}
