#include "TextTestSupport.h"

#include "base/UiLanguage.h"
#include "text/Encoding.h"
#include "text/TextEncoder.h"

#include <doctest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace texttest;

namespace {

EncodingId Detect(const std::string& sample)
{
    BomInfo none = {0, 0};
    return DetectEncoding(none, reinterpret_cast<const u8*>(sample.data()), static_cast<int64>(sample.size()));
}

bool ValidUtf8(const std::string& s)
{
    return IsValidUtf8(reinterpret_cast<const u8*>(s.data()), static_cast<int64>(s.size()));
}

std::string Encode(const std::wstring& text, EncodingId encoding, int32 lineEnd, int64* firstFallback = nullptr)
{
    std::string out(text.size() * 40 + 8, '\0');
    int64 pos = 0, textPos = 0;
    EncodeUtf16Text(reinterpret_cast<u8*>(&out[0]), pos, static_cast<int64>(out.size()), text.data(), textPos,
                    static_cast<int64>(text.size()), encoding, lineEnd, firstFallback);
    CHECK(textPos == static_cast<int64>(text.size()));
    out.resize(static_cast<size_t>(pos));
    return out;
}

std::string Bytes(const u8* p, int32 n)
{
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
}

}  // namespace

TEST_CASE("encoding names round-trip in any letter case")
{
    for (EncodingId id = 1; id <= 7; id++) {
        for (bool bom : {false, true}) {
            String name = EncodingName(id, bom);
            bool found = !bom;
            CHECK(EncodingFromName(name.CStr(), found) == id);
            if (id <= 3)
                CHECK(found == bom);
        }
    }
    bool bom = false;
    CHECK(EncodingFromName(L"utf-16le w/bom", bom) == EncodingUtf16LE);
    CHECK(bom);
    bom = true;
    CHECK(EncodingFromName(L"WINDOWS 1250", bom) == EncodingWindows1250);
    CHECK(bom);  // 8-bit names leave the flag alone
    CHECK(EncodingFromName(L"UTF-7", bom) == -1);
    CHECK(EncodingFromName(L"", bom) == -1);
    CHECK(EncodingName(0, false).Length() == 0);
    CHECK(EncodingName(8, true).Length() == 0);
    CHECK(EncodingName(6, true).Equals(L"ISO 8859-1"));
}

TEST_CASE("display names follow the interface language")
{
    int32 saved = UiLanguageId();
    SetUiLanguageId(9);
    CHECK(EncodingDisplayName(EncodingUtf8, true).Equals(L"UTF-8 with BOM"));
    CHECK(EncodingDisplayName(EncodingUtf16BE, false).Equals(L"UTF-16BE w/o BOM"));
    CHECK(EncodingDisplayName(-1, false).Equals(L"UTF-8 w/o BOM"));
    SetUiLanguageId(21);
    CHECK(EncodingDisplayName(EncodingUtf16LE, true).Equals(L"UTF-16LE z BOM"));
    CHECK(EncodingDisplayName(EncodingUtf8, false).Equals(L"UTF-8 bez BOM"));
    CHECK(EncodingDisplayName(EncodingWindows1250, true).Equals(L"Windows 1250"));
    SetUiLanguageId(saved);
}

TEST_CASE("a byte-order mark decides the encoding")
{
    BomInfo utf8 = {3, 0xEF};
    BomInfo le = {2, 0xFF};
    BomInfo be = {2, 0xFE};
    const u8 sample[] = {0xE9, 0x00, 0x00, 0x41};
    CHECK(DetectEncoding(utf8, sample, 4) == EncodingUtf8);
    CHECK(DetectEncoding(le, sample, 4) == EncodingUtf16LE);
    CHECK(DetectEncoding(be, sample, 4) == EncodingUtf16BE);
}

TEST_CASE("NUL bytes on one side reveal UTF-16 without a mark")
{
    CHECK(Detect(std::string("H\0e\0l\0l\0o\0", 10)) == EncodingUtf16LE);
    CHECK(Detect(std::string("\0H\0e\0l\0l\0o", 10)) == EncodingUtf16BE);
    // One NUL in a long text is not enough.
    CHECK(Detect(std::string("Hello there\0", 12)) == EncodingUtf8);
}

TEST_CASE("one bad UTF-8 sequence is forgiven per 40 good ones")
{
    std::string good;
    for (int i = 0; i < 80; i++)
        good += "\xC3\xA9";
    CHECK(ValidUtf8(good + "\xC3" "a" + "\xC3" "b"));
    CHECK_FALSE(ValidUtf8(good + "\xC3" "a" + "\xC3" "b" + "\xC3" "c"));
    CHECK(ValidUtf8(""));
    CHECK_FALSE(ValidUtf8("\x80"));
    // Continuation bytes beyond the announced length spoil a sequence.
    CHECK_FALSE(ValidUtf8("\xC3\xA9\xA9"));
    CHECK(ValidUtf8("\xF0\x9F\x98\x80"));
}

TEST_CASE("a charset declaration in the first 1000 bytes is honoured")
{
    std::string valid = "\xC3\xA9 <meta charset=ISO-8859-2>";
    CHECK(Detect(valid) == EncodingIso8859_2);
    CHECK(Detect("<meta CHARSET=iso-8859-1>\xC3\xA9") == EncodingUtf8);  // the scan starts at a small c
    CHECK(Detect("<meta cHARSET=iso-8859-1>\xC3\xA9") == EncodingIso8859_1);
    std::string late = "\xC3\xA9" + std::string(998, ' ') + "charset=iso-8859-2 ";
    CHECK(Detect(late) == EncodingUtf8);
    std::string early = "\xC3\xA9" + std::string(900, ' ') + "charset=iso-8859-2 ";
    CHECK(Detect(early) == EncodingIso8859_2);
    // Pure ASCII with a declaration takes it; a UTF-8 one too.
    CHECK(Detect("charset=iso-8859-1 ") == EncodingIso8859_1);
    CHECK(Detect("charset=utf-8 and more") == EncodingUtf8);
    CHECK(Detect("charset=koi8 charset=iso-8859-2 ") == EncodingIso8859_2);
    const u8 cut[] = {'c', 'h', 'a', 'r', 's', 'e', 't', '='};
    CHECK(FindCharsetDeclaration(cut, 8) == -1);
}

TEST_CASE("text that is not UTF-8 falls to the system's code page")
{
    EncodingId expected = GetACP() == 1250 ? EncodingWindows1250 : EncodingWindows1252;
    CHECK(Detect("caf\xE9 ok") == expected);
    CHECK(Detect("plain ascii") == EncodingUtf8);
    CHECK(Detect("") == EncodingUtf8);
}

TEST_CASE("code-page tables map every byte and encode it back")
{
    for (EncodingId id = 4; id <= 7; id++) {
        CAPTURE(id);
        const CodePageTable* table = CodePageTableOf(id);
        REQUIRE(table != nullptr);
        for (int b = 0; b < 256; b++) {
            u16 c = table->forward[b];
            CHECK(c < 0x4000);
            bool fallback = false;
            u8 out[16];
            REQUIRE(EncodeCodePoint(out, 16, c, id, fallback) == 1);
            CHECK(out[0] == b);
            CHECK_FALSE(fallback);
        }
    }
    CHECK(CodePageTableOf(EncodingUtf8) == nullptr);
    CHECK(CodePageTableOf(EncodingWindows1250)->forward[0xB9] == 0x0105);
    CHECK(CodePageTableOf(EncodingWindows1252)->forward[0x8D] == 0x8D);
    CHECK(CodePageTableOf(EncodingIso8859_2)->forward[0x85] == 0x85);
}

TEST_CASE("building a table from a caller's mapping")
{
    static CodePageTable table;
    u16 mapping[256];
    for (int b = 0; b < 256; b++)
        mapping[b] = static_cast<u16>(b < 128 ? 0xFFFD : 0x100 + b);
    mapping[0x90] = 0xFFFD;
    mapping[0x91] = 0x5000;
    mapping[0xF0] = 0x1F0;  // a later byte with the same code point wins
    BuildCodePageTable(table, mapping);
    CHECK(table.forward[0x41] == 0x41);
    CHECK(table.forward[0x90] == 0x90);
    CHECK(table.forward[0x91] == 0x91);
    CHECK(table.forward[0x80] == 0x180);
    CHECK(table.reverse[0x90] == 0x90);
    CHECK(table.reverse[0x1F0] == 0xF0);
    CHECK(table.reverse[0x41] == 0x41);
    CHECK(table.reverse[0x3FFF] == CodePageTable::kNotRepresentable);
}

TEST_CASE("the euro sign in the code pages")
{
    u8 out[16];
    bool fallback = false;
    CHECK(EncodeCodePoint(out, 16, 0x20AC, EncodingWindows1250, fallback) == 1);
    CHECK(out[0] == 0x80);
    CHECK(EncodeCodePoint(out, 16, 0x20AC, EncodingWindows1252, fallback) == 1);
    CHECK(out[0] == 0x80);
    CHECK_FALSE(fallback);
    CHECK(EncodeCodePoint(out, 16, 0x20AC, EncodingIso8859_1, fallback) == 7);
    CHECK(Bytes(out, 7) == "U+20ac ");
    CHECK(fallback);
}

TEST_CASE("fallback text is written whole or not at all")
{
    u8 out[32] = {};
    bool fallback = false;
    CHECK(EncodeCodePoint(out, 6, 0x20AC, EncodingIso8859_1, fallback) == 0);
    CHECK_FALSE(fallback);
    CHECK(out[0] == 0);
    // In UTF-16 the nine characters of "U+110000 " take 18 bytes.
    CHECK(EncodeCodePoint(out, 17, 0x110000, EncodingUtf16LE, fallback) == 0);
    CHECK_FALSE(fallback);
    CHECK(out[0] == 0);
    CHECK(EncodeCodePoint(out, 18, 0x110000, EncodingUtf16LE, fallback) == 18);
    CHECK(fallback);
    CHECK(Bytes(out, 4) == std::string("U\0+\0", 4));
}

TEST_CASE("UTF-16 code points check their room")
{
    u8 out[4];
    bool fallback = false;
    CHECK(EncodeCodePoint(out, 1, 'A', EncodingUtf16LE, fallback) == 0);
    CHECK(EncodeCodePoint(out, 3, 0x1F600, EncodingUtf16BE, fallback) == 0);
    CHECK(EncodeCodePoint(out, 4, 0x1F600, EncodingUtf16BE, fallback) == 4);
    CHECK(Bytes(out, 4) == std::string("\xD8\x3D\xDE\x00", 4));
    CHECK(EncodeCodePoint(out, 2, 0x00E9, EncodingUtf16LE, fallback) == 2);
    CHECK(Bytes(out, 2) == std::string("\xE9\x00", 2));
}

TEST_CASE("UTF-8 characters")
{
    u8 out[4];
    CHECK(EncodeUtf8Char(out, 4, 0x10FFFF) == 4);
    CHECK(Bytes(out, 4) == "\xF4\x8F\xBF\xBF");
    CHECK(EncodeUtf8Char(out, 4, 0x110000) == 3);
    CHECK(Bytes(out, 3) == "\xEF\xBF\xBD");
    CHECK(EncodeUtf8Char(out, 1, 0xE9) == 0);
    CHECK(EncodeUtf8Char(nullptr, 4, 0x800) == 3);
}

TEST_CASE("line ends in every encoding")
{
    u8 out[4];
    CHECK(EncodeLineEnd(out, 4, EncodingUtf8, -2) == 2);
    CHECK(Bytes(out, 2) == "\r\n");
    CHECK(EncodeLineEnd(out, 4, EncodingWindows1250, 13) == 1);
    CHECK(out[0] == '\n');
    CHECK(EncodeLineEnd(out, 4, EncodingUtf16LE, -2) == 4);
    CHECK(Bytes(out, 4) == std::string("\r\0\n\0", 4));
    CHECK(EncodeLineEnd(out, 4, EncodingUtf16BE, 10) == 2);
    CHECK(Bytes(out, 2) == std::string("\0\n", 2));
    CHECK(EncodeLineEnd(out, 3, EncodingUtf16BE, -2) == 0);
    CHECK(EncodeLineEnd(nullptr, 4, EncodingUtf16BE, -2) == 4);
}

TEST_CASE("encoding UTF-16 text with line ends and unrepresentable characters")
{
    CHECK(Encode(L"a\r\nb\rc\n", EncodingUtf8, 0) == "a\r\nb\nc\n");
    CHECK(Encode(L"a\r\nb\rc\n", EncodingUtf8, -2) == "a\r\nb\r\nc\r\n");
    CHECK(Encode(L"a\r\nb\rc\n", EncodingWindows1250, 10) == "a\nb\nc\n");
    int64 first = -1;
    CHECK(Encode(L"x\x0105y\x4E2D", EncodingWindows1252, 0, &first) == "xU+105 yU+4e2d ");
    CHECK(first == 1);
    first = -1;
    CHECK(Encode(L"\xD83D\xDE00\xD83D!", EncodingUtf8, 0, &first) == "\xF0\x9F\x98\x80\xED\xA0\xBD!");
    CHECK(first == -1);
    CHECK(Encode(L"\xD83D\xDE00", EncodingIso8859_2, 0) == "U+1f600 ");

    // The room ends before a character that does not fit.
    u8 out[8];
    int64 pos = 0, textPos = 0;
    EncodeUtf16Text(out, pos, 3, L"ab\x20AC", textPos, 3, EncodingUtf8, 0, nullptr);
    CHECK(pos == 2);
    CHECK(textPos == 2);
}

TEST_CASE("the encoder hands a character over several reads")
{
    const wchar_t text[] = L"\x20AC" L"ab";
    TextEncoder encoder(text, 3, EncodingUtf8, 0);
    u8 b[4];
    CHECK(encoder.Read(b, 1) == 1);
    CHECK(b[0] == 0xE2);
    CHECK(encoder.Read(b, 1) == 1);
    CHECK(b[0] == 0x82);
    CHECK(encoder.Read(b, 1) == 1);
    CHECK(b[0] == 0xAC);
    CHECK(encoder.Read(b, 4) == 2);
    CHECK(encoder.Read(b, 4) == 0);
}

TEST_CASE("the encoder fills a buffer through Load")
{
    std::wstring source;
    for (int i = 0; i < 5000; i++)
        source += L"\x0105\x20AC\n";
    TextEncoder encoder(source.data(), static_cast<int64>(source.size()), EncodingWindows1250, -2);
    TextBuff text;
    text.SetEncoding(EncodingWindows1250);
    text.Load(encoder);
    CHECK(text.Size() == 5000 * 4);
    CHECK(text.LineBreakCount() == 5000);
    CHECK(text.NewLineKind() == -2);
    CHECK(Contents(text).substr(0, 8) == "\xB9\x80\r\n\xB9\x80\r\n");

    TextEncoder wide(source.data(), static_cast<int64>(source.size()), EncodingUtf16BE, 10);
    TextBuff utf16;
    utf16.SetEncoding(EncodingUtf16BE);
    utf16.Load(wide);
    CHECK(utf16.Size() == 5000 * 6);
    CHECK(utf16.LineStart(4999) == 4999 * 6);
}

TEST_CASE("decoding dropped bytes into text")
{
    String out;
    DecodeTextBytes(out, reinterpret_cast<const u8*>("\xEF\xBB\xBFz\xC3\xA9"), 6);
    CHECK(out.Equals(L"z\xE9"));
    DecodeTextBytes(out, reinterpret_cast<const u8*>("\xFF\xFE" "a\0b\0c"), 7);
    CHECK(out.Equals(L"ab"));
    DecodeTextBytes(out, reinterpret_cast<const u8*>("\xFE\xFF\x01\x05"), 4);
    CHECK(out.Equals(L"\x0105"));
    DecodeTextBytes(out, reinterpret_cast<const u8*>("<meta charset=iso-8859-2>\xB1"), 26);
    CHECK(out.Equals(L"<meta charset=iso-8859-2>\x0105"));
    DecodeTextBytes(out, reinterpret_cast<const u8*>(""), 0);
    CHECK(out.Length() == 0);
}

TEST_CASE("every code point survives encoding and decoding in the Unicode encodings")
{
    std::wstring all;
    for (u32 c = 1; c < 0x10000; c++) {
        if (c != 10 && c != 13 && (c < 0xD800 || c > 0xDFFF))
            all += static_cast<wchar_t>(c);
    }
    for (u32 c = 0x10000; c <= 0x10FFFF; c += 0x1F3) {
        all += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        all += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    all += L"\r\nend";
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE}) {
        CAPTURE(encoding);
        TextEncoder encoder(all.data(), static_cast<int64>(all.size()), encoding, 0);
        TextBuff text;
        text.SetEncoding(encoding);
        text.Load(encoder);
        std::wstring back(all.size() + 8, L'\0');
        int64 n = text.ReadUtf16(0, &back[0], static_cast<int64>(back.size()));
        back.resize(static_cast<size_t>(n));
        CHECK(back == all);
        CHECK(text.LineBreakCount() == 1);
    }
}
