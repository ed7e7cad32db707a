#include "helpviewer/ImageDecode.h"
#include "helpviewer/Images.h"

#include "gui/ImageStrip.h"

#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpDocument.h"
#include "support/CaughtError.h"
#include "support/ImageFixtures.h"
#include "support/TempFolder.h"

#include <doctest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>

using namespace fixtures;

namespace {

Wic& Reference()
{
    static Wic wic;
    return wic;
}

std::vector<uint8_t> RandomTable(std::mt19937& rng, int entries)
{
    std::vector<uint8_t> t(size_t(entries) * 3);
    for (auto& b : t)
        b = uint8_t(rng());
    return t;
}

// Runs of one index mixed with noise, so that long strings and fresh codes
// both occur.
std::vector<uint8_t> RandomIndexes(std::mt19937& rng, size_t n, int colours)
{
    std::vector<uint8_t> v(n);
    size_t i = 0;
    while (i < n) {
        uint8_t c = uint8_t(rng() % colours);
        size_t run = rng() % 3 == 0 ? 1 + rng() % 40 : 1;
        for (size_t k = 0; k < run && i < n; k++)
            v[i++] = rng() % 5 == 0 ? uint8_t(rng() % colours) : c;
    }
    return v;
}

// One image over the whole screen: a global table of 2^codeSize random
// colours and random indexes.
GifFile OneImageGif(std::mt19937& rng, int width, int height, int codeSize)
{
    GifFile g;
    g.width = width;
    g.height = height;
    g.globalTable = RandomTable(rng, 1 << codeSize);
    GifFrame f;
    f.width = width;
    f.height = height;
    f.codeSize = codeSize;
    f.indexes = RandomIndexes(rng, size_t(width) * height, 1 << codeSize);
    g.frames.push_back(f);
    return g;
}

std::vector<uint32_t> ThroughTable(const std::vector<uint8_t>& indexes, const std::vector<uint8_t>& table)
{
    std::vector<uint32_t> out;
    for (uint8_t i : indexes) {
        const uint8_t* p = table.data() + 3 * i;
        out.push_back((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]);
    }
    return out;
}

MemoryPixels Decode(const Bytes& bytes, bool* hasAlpha = nullptr)
{
    MemoryPixels p;
    bool alpha = DecodeImage(bytes.data(), int64(bytes.size()), p);
    if (hasAlpha)
        *hasAlpha = alpha;
    return p;
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int d = int((a >> shift) & 255) - int((b >> shift) & 255);
        if (d > tolerance || d < -tolerance)
            return false;
    }
    return true;
}

// Pixel by pixel, each channel within the tolerance; the first difference
// is reported.
void CheckSame(const MemoryPixels& ours, int width, int height, const std::vector<uint32_t>& expected,
               const char* what, int tolerance = 0)
{
    INFO(std::string(what));
    REQUIRE(ours.width == width);
    REQUIRE(ours.height == height);
    REQUIRE(expected.size() == ours.pixels.size());
    for (size_t i = 0; i < expected.size(); i++)
        if (!Near(expected[i], ours.pixels[i], tolerance)) {
            char text[120];
            std::snprintf(text, sizeof text, "pixel %d,%d: ours %08X, expected %08X", int(i % width),
                          int(i / width), ours.pixels[i], expected[i]);
            FAIL(text);
        }
}

// 16-bit samples are rounded to 8 bits where the reference cuts them (and
// premultiplies by the cut alpha).
void CheckAgainstWic(const Bytes& bytes, const MemoryPixels& ours, bool gif, const char* what,
                     int tolerance = 0)
{
    REQUIRE(Reference().Available());
    Pixels ref = Reference().Decode(bytes, gif);
    INFO(std::string(what));
    REQUIRE(ref.ok);
    CheckSame(ours, ref.width, ref.height, ref.values, "against the reference decoder", tolerance);
}

Error DecodeError(const Bytes& bytes)
{
    return CaughtError([&] { Decode(bytes); });
}

// Hand-made LZW data.
struct Codes : CodePacker {
    // One sub-block with the codes, then the terminator.
    Bytes Blocks()
    {
        Bytes out = Finish();
        out.insert(out.begin(), uint8_t(out.size()));
        out.push_back(0);
        return out;
    }
};

// A GIF with a 4-colour global table and one image of the given data.
Bytes HandMadeGif(int width, int height, int codeSize, const Bytes& blocks, const Bytes& after = {})
{
    Bytes g = {'G', 'I', 'F', '8', '9', 'a', uint8_t(width), 0, uint8_t(height), 0, 0x81, 0, 0};
    for (int i = 0; i < 4; i++)
        Append(g, {uint8_t(10 + i), uint8_t(20 + i), uint8_t(30 + i)});
    Append(g, {0x2C, 0, 0, 0, 0, uint8_t(width), 0, uint8_t(height), 0, 0});
    g.push_back(uint8_t(codeSize));
    Append(g, blocks);
    Append(g, after);
    g.push_back(0x3B);
    return g;
}

uint32_t HandColour(int i)
{
    return (uint32_t(10 + i) << 16) | (uint32_t(20 + i) << 8) | uint32_t(30 + i);
}

} // namespace

TEST_CASE("GIFs of every code size, both versions, with and without interlace, local tables and clears "
          "decode like the model and the reference decoder")
{
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    INFO("seed " << seed);
    for (int round = 0; round < 42; round++) {
        int codeSize = 2 + round % 7;
        int width = 1 + int(rng() % 70);
        GifFile g = OneImageGif(rng, width, 1 + int(rng() % 70), codeSize);
        g.gif89 = round % 2 == 0;
        GifFrame& f = g.frames[0];
        f.interlaced = (round / 7) % 2 == 1;
        f.clearEvery = round % 3 == 0 ? 1 + int(rng() % 20) : 0;
        f.subBlockSize = 1 + int(rng() % 255);
        f.leadingClear = round % 5 != 0;
        std::vector<uint8_t> table = g.globalTable;
        if (round % 4 == 1) {
            f.localTable = RandomTable(rng, 1 << codeSize);
            table = f.localTable;
        }
        Bytes bytes = EncodeGif(g);
        MemoryPixels ours = Decode(bytes);
        std::string what = "round " + std::to_string(round);
        CheckSame(ours, f.width, f.height, ThroughTable(f.indexes, table), what.c_str());
        CheckAgainstWic(bytes, ours, true, what.c_str());
    }
}

TEST_CASE("A large GIF fills the code table, with a clear when full and with a full table kept")
{
    std::mt19937 rng(77);
    for (bool clearWhenFull : {true, false}) {
        GifFile g = OneImageGif(rng, 300, 200, 8);
        GifFrame& f = g.frames[0];
        f.clearWhenFull = clearWhenFull;
        Bytes bytes = EncodeGif(g);
        MemoryPixels ours = Decode(bytes);
        CheckSame(ours, f.width, f.height, ThroughTable(f.indexes, g.globalTable),
                  clearWhenFull ? "clear when full" : "full table kept");
        if (clearWhenFull)
            CheckAgainstWic(bytes, ours, true, "clear when full");
    }
}

TEST_CASE("A GIF with several images shows the last one, in the colours of its own table")
{
    std::mt19937 rng(5);
    GifFile g;
    g.width = g.height = 20;
    g.globalTable = RandomTable(rng, 16);
    for (int i = 0; i < 3; i++) {
        GifFrame f;
        f.width = 20 - i * 3;
        f.height = 20 - i * 4;
        f.codeSize = 4;
        f.indexes = RandomIndexes(rng, size_t(f.width) * f.height, 16);
        if (i == 1)
            f.localTable = RandomTable(rng, 16);
        g.frames.push_back(f);
    }
    // A later local table does not recolour an earlier image: the last
    // image has none and keeps the palette the second one left behind.
    Bytes bytes = EncodeGif(g);
    MemoryPixels ours = Decode(bytes);
    const GifFrame& last = g.frames.back();
    CheckSame(ours, last.width, last.height, ThroughTable(last.indexes, g.frames[1].localTable), "last image");
}

TEST_CASE("GIF details: transparency ignored, interlaced row order, short local tables, no image")
{
    std::mt19937 rng(9);
    SUBCASE("a transparent colour index is drawn with its palette colour")
    {
        GifFile g = OneImageGif(rng, 8, 8, 2);
        GifFrame& f = g.frames[0];
        f.extensionsBefore.push_back(GifTransparency(f.indexes[0]));
        MemoryPixels ours = Decode(EncodeGif(g));
        CheckSame(ours, 8, 8, ThroughTable(f.indexes, g.globalTable), "transparent index");
    }
    SUBCASE("an interlaced image of 10 rows places its rows as 0, 8, 4, 2, 6, 1, 3, 5, 7, 9")
    {
        GifFile g = OneImageGif(rng, 3, 10, 4);
        for (int row = 0; row < 10; row++)
            std::fill_n(g.frames[0].indexes.begin() + 3 * row, 3, uint8_t(row));
        Bytes bytes = EncodeGif(g);
        // Marked interlaced after coding: the rows stay in the order sent.
        size_t packed = 13 + 3 * 16 + 9;
        REQUIRE(bytes[packed - 9] == 0x2C);
        bytes[packed] |= 0x40;
        MemoryPixels ours = Decode(bytes);
        static const int received[10] = {0, 5, 3, 6, 2, 7, 4, 8, 1, 9};
        std::vector<uint8_t> expected;
        for (int y = 0; y < 10; y++)
            expected.insert(expected.end(), 3, uint8_t(received[y]));
        CheckSame(ours, 3, 10, ThroughTable(expected, g.globalTable), "interlaced rows");
        CheckAgainstWic(bytes, ours, true, "interlaced rows");
    }
    SUBCASE("a local table of 4 entries replaces only the first 4 colours of the global one")
    {
        GifFile g = OneImageGif(rng, 16, 1, 8);
        GifFrame& f = g.frames[0];
        for (int i = 0; i < 16; i++)
            f.indexes[i] = uint8_t(i * 7);
        f.localTable = RandomTable(rng, 4);
        std::vector<uint8_t> merged = g.globalTable;
        std::copy(f.localTable.begin(), f.localTable.end(), merged.begin());
        MemoryPixels ours = Decode(EncodeGif(g));
        CheckSame(ours, 16, 1, ThroughTable(f.indexes, merged), "merged palette");
    }
    SUBCASE("a GIF without an image gives no picture")
    {
        GifFile g;
        g.width = g.height = 5;
        g.globalTable = RandomTable(rng, 2);
        MemoryPixels ours = Decode(EncodeGif(g));
        CHECK(ours.width == 0);
        CHECK(ours.pixels.empty());
    }
}

TEST_CASE("Damaged GIFs: bad headers, empty or huge images and oversized code sizes are internal errors")
{
    CHECK(DecodeError({'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0}).code == -3);
    CHECK(DecodeError({}).code == -3);
    Codes c;
    c.Put(4, 3);
    c.Put(1, 3);
    c.Put(5, 3);
    CHECK(DecodeError(HandMadeGif(0, 7, 2, c.Blocks())).code == -3);
    // 65535 x 65535 pixels would need 16 GiB.
    Bytes huge = HandMadeGif(1, 1, 2, c.Blocks());
    size_t image = 13 + 12;
    REQUIRE(huge[image] == 0x2C);
    for (size_t k : {image + 5, image + 6, image + 7, image + 8})
        huge[k] = 0xFF;
    MemoryPixels untouched;
    CHECK(CaughtError([&] { DecodeGif(huge.data(), int64(huge.size()), untouched); }).code == -3);
    CHECK(untouched.width == 0);
    // Above 11 the first free code lies at or past the table's end.
    for (int size : {12, 13, 255})
        CHECK(DecodeError(HandMadeGif(1, 1, size, c.Blocks())).code == -3);
    CHECK(Decode(HandMadeGif(1, 1, 11, c.Blocks())).width == 1);
}

TEST_CASE("GIF LZW faults: no colour after a clear stops, long strings are clipped, data after the end "
          "code is stepped over")
{
    SUBCASE("a table code right after a clear ends the image")
    {
        Codes c;
        c.Put(4, 3);  // clear
        c.Put(1, 3);
        c.Put(4, 3);  // clear
        c.Put(6, 3);  // not a colour: stop
        c.Put(2, 3);
        c.Put(5, 3);
        MemoryPixels ours = Decode(HandMadeGif(3, 1, 2, c.Blocks()));
        CheckSame(ours, 3, 1, {HandColour(1), HandColour(0), HandColour(0)}, "stopped after the clear");
    }
    SUBCASE("data for more pixels than the image holds fills it and goes no further")
    {
        std::mt19937 rng(3);
        GifFile g;
        g.width = 5;
        g.height = 3;
        g.globalTable = RandomTable(rng, 4);
        GifFrame first;
        first.width = 5;
        first.height = 3;
        first.codeSize = 2;
        first.indexes.assign(400, 2);  // long strings of one colour
        first.indexes[0] = 1;
        g.frames.push_back(first);
        MemoryPixels one = Decode(EncodeGif(g));
        std::vector<uint8_t> expected(first.indexes.begin(), first.indexes.begin() + 15);
        CheckSame(one, 5, 3, ThroughTable(expected, g.globalTable), "clipped");
        // The next image is found after the rest of the long data.
        GifFrame second;
        second.width = 2;
        second.height = 2;
        second.codeSize = 2;
        second.indexes = {3, 0, 1, 3};
        g.frames.push_back(second);
        MemoryPixels two = Decode(EncodeGif(g));
        CheckSame(two, 2, 2, ThroughTable(second.indexes, g.globalTable), "image after a clipped one");
    }
    SUBCASE("sub-blocks after the end code do not hide the next image")
    {
        std::mt19937 rng(4);
        GifFile g = OneImageGif(rng, 4, 4, 2);
        GifFrame f = g.frames[0];
        f.trailingData = {3, 0x2C, 0x3B, 0x21, 2, 0x3B, 0x3B};
        GifFrame next = f;
        next.trailingData.clear();
        next.indexes = RandomIndexes(rng, 16, 4);
        g.frames = {f, next};
        MemoryPixels ours = Decode(EncodeGif(g));
        CheckSame(ours, 4, 4, ThroughTable(next.indexes, g.globalTable), "image after trailing data");
    }
}

namespace {

PngSpec RandomPng(std::mt19937& rng, int colourType, int depth, bool interlaced)
{
    PngSpec s;
    s.width = 1 + int(rng() % 37);
    s.height = 1 + int(rng() % 29);
    s.colourType = colourType;
    s.depth = depth;
    s.interlaced = interlaced;
    int channels = PngChannels(colourType);
    unsigned limit = 1u << depth;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        int entries = int(std::min(limit, 1u + unsigned(rng() % 256)));
        for (int i = 0; i < entries; i++)
            s.palette.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
        limit = unsigned(entries);
    }
    s.samples.resize(size_t(s.width) * s.height * channels);
    for (size_t i = 0; i < s.samples.size(); i++) {
        bool alphaChannel = (colourType & PNG_COLOR_MASK_ALPHA) && i % channels == size_t(channels - 1);
        unsigned v = rng() % limit;
        // Plenty of fully transparent and fully opaque pixels beside the rest.
        if (alphaChannel && rng() % 3 == 0)
            v = rng() % 2 ? limit - 1 : 0;
        s.samples[i] = uint16_t(v);
    }
    return s;
}

} // namespace

TEST_CASE("PNGs of every colour type and depth, plain and Adam7, decode like the reference decoder")
{
    struct Kind {
        int colourType;
        std::vector<int> depths;
    };
    const Kind kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
                          {PNG_COLOR_TYPE_RGB, {8, 16}},
                          {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
                          {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
    const unsigned seed = 1208;
    std::mt19937 rng(seed);
    INFO("seed " << seed);
    for (const Kind& kind : kinds)
        for (int depth : kind.depths)
            for (bool interlaced : {false, true}) {
                PngSpec s = RandomPng(rng, kind.colourType, depth, interlaced);
                Bytes bytes = EncodePng(s);
                REQUIRE(!bytes.empty());
                bool hasAlpha = false;
                MemoryPixels ours = Decode(bytes, &hasAlpha);
                std::string what = "colour type " + std::to_string(kind.colourType) + ", depth " +
                                   std::to_string(depth) + (interlaced ? ", Adam7" : "");
                CHECK_MESSAGE(hasAlpha == ((kind.colourType & PNG_COLOR_MASK_ALPHA) != 0), what);
                CheckAgainstWic(bytes, ours, false, what.c_str(), depth == 16 ? 2 : 0);
            }
}

TEST_CASE("PNG transparency by tRNS carries alpha; an RGB picture without it is opaque")
{
    std::mt19937 rng(11);
    SUBCASE("palette with tRNS")
    {
        for (int depth : {1, 2, 4, 8}) {
            PngSpec s = RandomPng(rng, PNG_COLOR_TYPE_PALETTE, depth, depth == 4);
            for (size_t i = 0; i < s.palette.size(); i++)
                s.paletteAlpha.push_back(i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : uint8_t(rng()));
            Bytes bytes = EncodePng(s);
            bool hasAlpha = false;
            MemoryPixels ours = Decode(bytes, &hasAlpha);
            CHECK(hasAlpha);
            CheckAgainstWic(bytes, ours, false, "palette with tRNS");
        }
    }
    SUBCASE("grey and RGB with a transparent colour")
    {
        for (int colourType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB}) {
            PngSpec s = RandomPng(rng, colourType, 8, false);
            s.hasTrnsColour = true;
            s.trnsColour.gray = s.samples[0];
            s.trnsColour.red = s.samples[0];
            s.trnsColour.green = colourType == PNG_COLOR_TYPE_RGB ? s.samples[1] : 0;
            s.trnsColour.blue = colourType == PNG_COLOR_TYPE_RGB ? s.samples[2] : 0;
            Bytes bytes = EncodePng(s);
            bool hasAlpha = false;
            MemoryPixels ours = Decode(bytes, &hasAlpha);
            CHECK(hasAlpha);
            CHECK(ours.pixels[0] == 0);  // premultiplied and fully transparent
            CheckAgainstWic(bytes, ours, false, "colour key");
        }
    }
    SUBCASE("RGB without tRNS")
    {
        bool hasAlpha = true;
        Decode(EncodePng(RandomPng(rng, PNG_COLOR_TYPE_RGB, 8, false)), &hasAlpha);
        CHECK_FALSE(hasAlpha);
    }
}

namespace {

// Sets IHDR's width and height and mends its CRC.
void SetPngSize(Bytes& png, uint32_t width, uint32_t height)
{
    REQUIRE(memcmp(png.data() + 12, "IHDR", 4) == 0);
    for (int i = 0; i < 4; i++) {
        png[16 + i] = uint8_t(width >> (24 - 8 * i));
        png[20 + i] = uint8_t(height >> (24 - 8 * i));
    }
    uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; i++)
        png[29 + i] = uint8_t(crc >> (24 - 8 * i));
}

} // namespace

TEST_CASE("Damaged PNGs are internal errors and leave nothing behind")
{
    std::mt19937 rng(13);
    Bytes good = EncodePng(RandomPng(rng, PNG_COLOR_TYPE_RGB_ALPHA, 8, false));
    Bytes signature(good.begin(), good.begin() + 8);
    // The signature alone is taken as PNG and fails; 7 bytes of it are tried as GIF.
    CHECK(DecodeError(signature).code == -3);
    signature.pop_back();
    CHECK(DecodeError(signature).code == -3);
    for (size_t cut : {size_t(20), size_t(40), good.size() / 2, good.size() - 13, good.size() - 1}) {
        Bytes shorter(good.begin(), good.begin() + cut);
        CHECK_MESSAGE(DecodeError(shorter).code == -3, "cut at " << cut);
    }
    Bytes badCrc = good;
    badCrc[40] ^= 0x10;
    CHECK(DecodeError(badCrc).code == -3);
    // 8193 x 8193 is above 64 Mpixel: refused before any pixel is allocated.
    Bytes huge = good;
    SetPngSize(huge, 8193, 8193);
    MemoryPixels untouched;
    CHECK(CaughtError([&] { DecodePng(huge.data(), int64(huge.size()), untouched); }).code == -3);
    CHECK(untouched.width == 0);
    SetPngSize(huge, 0x7FFFFFFF, 1);
    CHECK(DecodeError(huge).code == -3);
}

TEST_CASE("Pictures become bitmaps of the same pixels; a GIF without an image gives an empty bitmap")
{
    std::mt19937 rng(17);
    DeviceContext screen;
    screen.FromWindow(nullptr);
    PngSpec s = RandomPng(rng, PNG_COLOR_TYPE_PALETTE, 8, false);
    for (size_t i = 0; i < s.palette.size(); i++)
        s.paletteAlpha.push_back(uint8_t(rng()));
    Bytes png = EncodePng(s);
    GifFile g = OneImageGif(rng, 9, 7, 3);
    for (const Bytes& bytes : {png, EncodeGif(g)}) {
        GdiObj bitmap;
        bool hasAlpha = false;
        MakeImageBitmap(bytes.data(), int64(bytes.size()), screen, bitmap, hasAlpha);
        MemoryPixels expected;
        CHECK(hasAlpha == DecodeImage(bytes.data(), int64(bytes.size()), expected));
        BITMAP info = {};
        REQUIRE(GetObjectW(bitmap.Handle(), sizeof info, &info) == sizeof info);
        REQUIRE(info.bmWidth == expected.width);
        REQUIRE(info.bmHeight == expected.height);
        BITMAPINFO bi = TopDown32Info(expected.width, expected.height);
        std::vector<uint32_t> read(expected.pixels.size());
        REQUIRE(GetDIBits(screen.Hdc(), bitmap.Bitmap(), 0, UINT(expected.height), read.data(), &bi,
                          DIB_RGB_COLORS) == expected.height);
        for (size_t i = 0; i < read.size(); i++)
            REQUIRE((read[i] & 0xFFFFFF) == (expected.pixels[i] & 0xFFFFFF));
    }
    g.frames.clear();
    Bytes empty = EncodeGif(g);
    GdiObj bitmap = MakeSolidBrush(0);
    bool hasAlpha = true;
    MakeImageBitmap(empty.data(), int64(empty.size()), screen, bitmap, hasAlpha);
    CHECK(bitmap.IsEmpty());
    CHECK_FALSE(hasAlpha);
}

TEST_CASE("Help pictures come from the container's members, missing ones are -357 and damaged ones -3")
{
    std::mt19937 rng(19);
    Bytes png = EncodePng(RandomPng(rng, PNG_COLOR_TYPE_RGB, 8, false));
    Bytes gif = EncodeGif(OneImageGif(rng, 6, 4, 2));
    const char markup[] = "<p>x</p>";
    const u8 junk[] = {'G', 'I', 'F', '9', '0', 'a', 1, 0};
    HelpContainerWriter w;
    w.AddMember(L"help.html", reinterpret_cast<const u8*>(markup), int64(sizeof markup - 1));
    w.AddMember(L"obraz.png", png.data(), int64(png.size()));
    w.AddMember(L"obraz.gif", gif.data(), int64(gif.size()));
    w.AddMember(L"zepsuty.png", junk, int64(sizeof junk));
    TempFolder folder;
    w.Save(folder / L"help.ruvo");
    HelpDocument document;
    document.Load(folder / L"help.ruvo");
    DeviceContext screen;
    screen.FromWindow(nullptr);
    GdiObj bitmap;
    bool hasAlpha = true;
    LoadHelpImage(document, L"OBRAZ.GIF and more", 9, screen, bitmap, hasAlpha);
    BITMAP info = {};
    REQUIRE(GetObjectW(bitmap.Handle(), sizeof info, &info) == sizeof info);
    CHECK(info.bmWidth == 6);
    CHECK(info.bmHeight == 4);
    CHECK_FALSE(hasAlpha);
    LoadHelpImage(document, L"obraz.png", -1, screen, bitmap, hasAlpha);
    REQUIRE(GetObjectW(bitmap.Handle(), sizeof info, &info) == sizeof info);
    MemoryPixels expected = Decode(png);
    CHECK(info.bmWidth == expected.width);
    Error missing = CaughtError([&] { LoadHelpImage(document, L"brak.gif", 8, screen, bitmap, hasAlpha); });
    CHECK(missing.code == -357);
    CHECK(HasMessage(missing, L"brak.gif"));
    CHECK(CaughtError([&] { LoadHelpImage(document, L"zepsuty.png", 11, screen, bitmap, hasAlpha); }).code == -3);
}

TEST_CASE("Tk's GIFs decode like the reference decoder")
{
    const wchar_t* folder = L"Z:\\usr\\share\\tcltk\\tk8.6\\images\\";
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((std::wstring(folder) + L"*.gif").c_str(), &found);
    REQUIRE_MESSAGE(h != INVALID_HANDLE_VALUE, "libtk8.6's pictures are missing");
    int files = 0;
    do {
        std::wstring path = std::wstring(folder) + found.cFileName;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        Bytes bytes(GetFileSize(file, nullptr));
        DWORD got = 0;
        ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr);
        CloseHandle(file);
        REQUIRE(got == bytes.size());
        std::string name(found.cFileName, found.cFileName + wcslen(found.cFileName));
        MemoryPixels ours = Decode(bytes);
        CheckAgainstWic(bytes, ours, true, name.c_str());
        files++;
    } while (FindNextFileW(h, &found));
    FindClose(h);
    CHECK(files >= 10);
}
