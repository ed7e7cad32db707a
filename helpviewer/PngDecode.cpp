#include "helpviewer/ImageDecode.h"

#include "base/Error.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

// libpng reports errors by longjmp to png_jmpbuf. Only the two small steps
// below set that jump point, and they hold no C++ object that a jump could
// skip; the C++ errors are thrown after they return.

namespace {

struct PngSource {
    const u8* bytes;
    size_t length;
    size_t position;
};

void PngFail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarn(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep to, size_t n)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->length - source->position < n)
        png_error(png, "Read Error");
    memcpy(to, source->bytes + source->position, n);
    source->position += n;
}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    bool hasAlpha;
    size_t rowBytes;
};

// Reads the header and sets the transformations to 32-bit premultiplied
// BGRA. False on damage or a picture too large.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader& header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
    if (int64(width) * height > kMaxImagePixels)
        return false;
    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    png_set_scale_16(png);
    png_set_packing(png);
    png_set_alpha_mode(png, PNG_ALPHA_PREMULTIPLIED, PNG_DEFAULT_sRGB);
    // Premultiplied mode alone turns every colour linear, which draws the
    // picture far too dark; the colours stay as stored, as the screen and
    // AlphaBlend take them.
    png_set_gamma(png, PNG_GAMMA_LINEAR, PNG_GAMMA_LINEAR);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns)
        png_set_tRNS_to_alpha(png);
    if (colourType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    header.width = width;
    header.height = height;
    // A tRNS chunk gives transparent pixels as much as an alpha channel does.
    header.hasAlpha = colourType == PNG_COLOR_TYPE_RGB_ALPHA ||
                      colourType == PNG_COLOR_TYPE_GRAY_ALPHA || hasTrns;
    header.rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadPngRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytepp rows = nullptr;

    ~PngReader()
    {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        free(rows);
    }
};

} // namespace

bool HasPngSignature(const u8* bytes, int64 length)
{
    static const u8 signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    return length >= 8 && memcmp(bytes, signature, 8) == 0;
}

bool DecodePng(const u8* bytes, int64 length, PixelSink& sink)
{
    PngSource source{bytes, static_cast<size_t>(length), 0};
    PngReader reader;
    reader.png = png_create_read_struct("1.6.21", nullptr, PngFail, PngWarn);
    if (!reader.png)
        throw MemoryError();
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info)
        throw MemoryError();
    png_set_read_fn(reader.png, &source, PngRead);

    PngHeader header{};
    if (!ReadPngHeader(reader.png, reader.info, header))
        throw InternalError();
    // Every transformation above must end in 4 bytes a pixel.
    if (header.width == 0 || header.height == 0 || int64(header.rowBytes) != 4 * int64(header.width))
        throw InternalError();

    int32 width = static_cast<int32>(header.width);
    int32 height = static_cast<int32>(header.height);
    u32* pixels = sink.Allocate(width, height);
    reader.rows = static_cast<png_bytepp>(AllocZeroed(sizeof(png_bytep) * static_cast<size_t>(height)));
    for (int32 y = 0; y < height; y++)
        reader.rows[y] = reinterpret_cast<png_bytep>(pixels + int64(y) * width);
    if (!ReadPngRows(reader.png, reader.rows))
        throw InternalError();
    return header.hasAlpha;
}

bool DecodeImage(const u8* bytes, int64 length, PixelSink& sink)
{
    if (HasPngSignature(bytes, length))
        return DecodePng(bytes, length, sink);
    DecodeGif(bytes, length, sink);
    return false;
}
