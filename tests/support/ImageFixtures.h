#pragma once

// Pictures made by the tests and the benchmarks: a small GIF encoder, PNGs
// written by libpng, and Windows Imaging Component as the reference decoder.
// Header-only, so that bench programs can use it too.

#include <png.h>
#include <wincodec.h>
#include <windows.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<uint8_t>;

// Byte by byte: GCC 12 warns wrongly about inlined range inserts.
inline void Append(Bytes& out, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; i++)
        out.push_back(p[i]);
}

inline void Append(Bytes& out, const Bytes& b)
{
    Append(out, b.data(), b.size());
}

// --- GIF ---------------------------------------------------------------------

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indexes;  // width x height, rows in display order
    std::vector<uint8_t> localTable;  // RGB triples; empty = none
    bool interlaced = false;
    int codeSize = 8;  // minimum code size written before the data
    int clearEvery = 0;  // a clear code after that many data codes (0 = only when full)
    bool clearWhenFull = true;  // false: keep coding with a full table
    bool leadingClear = true;
    bool endCode = true;
    int subBlockSize = 255;
    Bytes trailingData;  // extra sub-blocks after the end code
    std::vector<Bytes> extensionsBefore;  // whole extension blocks
};

struct GifFile {
    bool gif89 = true;
    int width = 0, height = 0;
    std::vector<uint8_t> globalTable;  // RGB triples; empty = none
    std::vector<GifFrame> frames;
    bool trailer = true;
};

// Size bits of a colour table of n entries (n rounded up to a power of two).
inline int TableBits(size_t triples)
{
    int bits = 0;
    while ((size_t(2) << bits) < triples)
        bits++;
    return bits;
}

inline void PutTable(Bytes& out, const std::vector<uint8_t>& table)
{
    size_t entries = size_t(2) << TableBits(table.size() / 3);
    Append(out, table);
    out.resize(out.size() + 3 * entries - table.size(), 0);
}

inline void Put16(Bytes& out, int v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

// LZW codes packed least significant bit first.
struct CodePacker {
    Bytes data;
    uint32_t bits = 0;
    int held = 0;

    void Put(int code, int size)
    {
        bits |= uint32_t(code) << held;
        held += size;
        while (held >= 8) {
            data.push_back(uint8_t(bits));
            bits >>= 8;
            held -= 8;
        }
    }
    // The bytes with the last partial one.
    Bytes Finish() const
    {
        Bytes out = data;
        if (held > 0)
            out.push_back(uint8_t(bits));
        return out;
    }
};

// LZW as GIF wants it: codes grow when the next free entry passes the
// largest code of the current size.
inline Bytes GifLzw(const GifFrame& f, const std::vector<uint8_t>& pixels)
{
    const int m = f.codeSize;
    const int clear = 1 << m, end = clear + 1;
    std::vector<int> table(4096 * 256, -1);  // (prefix, byte) -> code
    std::vector<int> used;
    CodePacker packer;
    int size = m + 1, next = clear + 2, codes = 0;
    auto emit = [&](int code) { packer.Put(code, size); };
    auto reset = [&] {
        for (int i : used)
            table[i] = -1;
        used.clear();
        size = m + 1;
        next = clear + 2;
    };
    if (f.leadingClear)
        emit(clear);
    int prefix = -1;
    for (uint8_t p : pixels) {
        if (prefix < 0) {
            prefix = p;
            continue;
        }
        int& slot = table[prefix * 256 + p];
        if (slot >= 0) {
            prefix = slot;
            continue;
        }
        emit(prefix);
        codes++;
        if (next < 4096) {
            slot = next++;
            used.push_back(prefix * 256 + p);
            if (next - 1 == (1 << size) && size < 12)
                size++;
        }
        prefix = p;
        bool full = next == 4096 && f.clearWhenFull;
        if (full || (f.clearEvery > 0 && codes % f.clearEvery == 0)) {
            emit(clear);
            reset();
        }
    }
    if (prefix >= 0)
        emit(prefix);
    if (f.endCode) {
        // The decoder adds one more entry for the last code before it reads
        // the end code.
        if (prefix >= 0 && next < 4096 && next == (1 << size) && size < 12)
            size++;
        emit(end);
    }
    return packer.Finish();
}

inline Bytes EncodeGif(const GifFile& g)
{
    Bytes out;
    const char* sig = g.gif89 ? "GIF89a" : "GIF87a";
    Append(out, reinterpret_cast<const uint8_t*>(sig), 6);
    Put16(out, g.width);
    Put16(out, g.height);
    uint8_t packed = 0x70;
    if (!g.globalTable.empty())
        packed |= uint8_t(0x80 | TableBits(g.globalTable.size() / 3));
    out.push_back(packed);
    out.push_back(0);
    out.push_back(0);
    if (!g.globalTable.empty())
        PutTable(out, g.globalTable);
    for (const GifFrame& f : g.frames) {
        for (const Bytes& e : f.extensionsBefore)
            Append(out, e);
        out.push_back(0x2C);
        Put16(out, f.left);
        Put16(out, f.top);
        Put16(out, f.width);
        Put16(out, f.height);
        uint8_t fp = f.interlaced ? 0x40 : 0;
        if (!f.localTable.empty())
            fp |= uint8_t(0x80 | TableBits(f.localTable.size() / 3));
        out.push_back(fp);
        if (!f.localTable.empty())
            PutTable(out, f.localTable);
        std::vector<uint8_t> stream = f.indexes;
        if (f.interlaced) {
            // Rows go out pass by pass.
            stream.clear();
            static const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; pass++)
                for (int y = starts[pass]; y < f.height; y += steps[pass])
                    Append(stream, f.indexes.data() + size_t(y) * f.width, size_t(f.width));
        }
        out.push_back(uint8_t(f.codeSize));
        Bytes data = GifLzw(f, stream);
        for (size_t i = 0; i < data.size(); i += size_t(f.subBlockSize)) {
            size_t n = std::min(data.size() - i, size_t(f.subBlockSize));
            out.push_back(uint8_t(n));
            Append(out, data.data() + i, n);
        }
        Append(out, f.trailingData);
        out.push_back(0);
    }
    if (g.trailer)
        out.push_back(0x3B);
    return out;
}

// A graphic control extension with a transparent colour index.
inline Bytes GifTransparency(int index)
{
    return {0x21, 0xF9, 4, 0x01, 0, 0, uint8_t(index), 0};
}

// --- PNG ---------------------------------------------------------------------

struct PngSpec {
    int width = 0, height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    // Samples per pixel in the file's order, each 0 .. 2^depth - 1 (palette: the index).
    std::vector<uint16_t> samples;
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;  // tRNS of a palette picture
    bool hasTrnsColour = false;
    png_color_16 trnsColour = {};
};

inline int PngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

inline void PngWriteToVector(png_structp png, png_bytep data, size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    Append(*out, data, n);
}

inline void PngNoFlush(png_structp) {}

// Packs the samples as the file stores them and lets libpng write them.
inline Bytes EncodePng(const PngSpec& s, int compression = 6)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = PngChannels(s.colourType);
    const size_t rowBytes = (size_t(s.width) * channels * s.depth + 7) / 8;
    std::vector<uint8_t> rows(rowBytes * s.height, 0);
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++)
            for (int c = 0; c < channels; c++) {
                size_t i = (size_t(y) * s.width + x) * channels + c;
                unsigned v = s.samples[i];
                uint8_t* row = rows.data() + y * rowBytes;
                size_t bit = (size_t(x) * channels + c) * s.depth;
                if (s.depth == 16) {
                    row[bit / 8] = uint8_t(v >> 8);
                    row[bit / 8 + 1] = uint8_t(v);
                } else if (s.depth == 8) {
                    row[bit / 8] = uint8_t(v);
                } else {
                    int shift = 8 - s.depth - int(bit % 8);
                    row[bit / 8] |= uint8_t(v << shift);
                }
            }
    std::vector<png_bytep> pointers(s.height);
    for (int y = 0; y < s.height; y++)
        pointers[y] = rows.data() + y * rowBytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWriteToVector, PngNoFlush);
    png_set_compression_level(png, compression);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.hasTrnsColour)
        png_set_tRNS(png, info, nullptr, 0, &s.trnsColour);
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// --- the reference decoder ------------------------------------------------------

struct Pixels {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<uint32_t> values;  // rows top-down, 0xAARRGGBB
};

template <class T>
struct ComHold {
    T* p = nullptr;
    ~ComHold()
    {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

class Wic {
public:
    Wic()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&factory.p));
    }

    bool Available() const { return factory.p != nullptr; }

    // PNG as premultiplied BGRA; GIF as the last frame's palette colours with
    // the alpha byte cleared (the viewer draws GIFs opaque).
    Pixels Decode(const Bytes& bytes, bool gif)
    {
        Pixels result;
        if (!factory.p)
            return result;
        ComHold<IWICStream> stream;
        if (FAILED(factory->CreateStream(&stream)) ||
            FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()))))
            return result;
        ComHold<IWICBitmapDecoder> decoder;
        if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                    &decoder)))
            return result;
        UINT frames = 0;
        decoder->GetFrameCount(&frames);
        if (frames == 0)
            return result;
        ComHold<IWICBitmapFrameDecode> frame;
        if (FAILED(decoder->GetFrame(frames - 1, &frame)))
            return result;
        UINT w = 0, h = 0;
        frame->GetSize(&w, &h);
        result.width = int(w);
        result.height = int(h);
        result.values.assign(size_t(w) * h, 0);
        if (gif) {
            ComHold<IWICPalette> palette;
            factory->CreatePalette(&palette);
            if (FAILED(frame->CopyPalette(palette.p)))
                return result;
            WICColor colours[256] = {};
            UINT count = 0;
            palette->GetColors(256, colours, &count);
            std::vector<uint8_t> indexes(size_t(w) * h);
            if (FAILED(frame->CopyPixels(nullptr, w, UINT(indexes.size()), indexes.data())))
                return result;
            for (size_t i = 0; i < indexes.size(); i++)
                result.values[i] = colours[indexes[i]] & 0xFFFFFF;
        } else {
            ComHold<IWICFormatConverter> converter;
            if (FAILED(factory->CreateFormatConverter(&converter)) ||
                FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                             nullptr, 0, WICBitmapPaletteTypeCustom)) ||
                FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4,
                                             reinterpret_cast<BYTE*>(result.values.data()))))
                return result;
        }
        result.ok = true;
        return result;
    }

private:
    ComHold<IWICImagingFactory> factory;
};

} // namespace fixtures
