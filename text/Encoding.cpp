#include "text/Encoding.h"

#include "base/StrFormat.h"
#include "base/CharUtils.h"
#include "base/UiLanguage.h"
#include "text/CodePages.h"

#include <windows.h>

#include <cstring>

namespace {

struct CodePageTables {
    CodePageTable windows1252;
    CodePageTable windows1250;
    CodePageTable iso8859_1;
    CodePageTable iso8859_2;

    CodePageTables()
    {
        Build(windows1252, kWindows1252High);
        Build(windows1250, kWindows1250High);
        Build(iso8859_1, kIso8859_1High);
        Build(iso8859_2, kIso8859_2High);
    }

    static void Build(CodePageTable& table, const u16* high)
    {
        u16 mapping[256];
        for (int b = 0; b < 128; b++)
            mapping[b] = static_cast<u16>(b);
        std::memcpy(mapping + 128, high, 128 * sizeof(u16));
        BuildCodePageTable(table, mapping);
    }
};

// Built at program start, read-only afterwards.
const CodePageTables g_codePages;

struct EncodingNames {
    const wchar_t* withBom;
    const wchar_t* withoutBom;
    const wchar_t* shownWithBomPl;
    const wchar_t* shownWithBomEn;
    const wchar_t* shownWithoutBomPl;
    const wchar_t* shownWithoutBomEn;
};

const EncodingNames kNames[7] = {
    {L"UTF-8 w/BOM", L"UTF-8", L"UTF-8 z BOM", L"UTF-8 with BOM", L"UTF-8 bez BOM", L"UTF-8 w/o BOM"},
    {L"UTF-16LE w/BOM", L"UTF-16LE", L"UTF-16LE z BOM", L"UTF-16LE with BOM", L"UTF-16LE bez BOM",
     L"UTF-16LE w/o BOM"},
    {L"UTF-16BE w/BOM", L"UTF-16BE", L"UTF-16BE z BOM", L"UTF-16BE with BOM", L"UTF-16BE bez BOM",
     L"UTF-16BE w/o BOM"},
    {L"Windows 1252", L"Windows 1252", L"Windows 1252", L"Windows 1252", L"Windows 1252", L"Windows 1252"},
    {L"Windows 1250", L"Windows 1250", L"Windows 1250", L"Windows 1250", L"Windows 1250", L"Windows 1250"},
    {L"ISO 8859-1", L"ISO 8859-1", L"ISO 8859-1", L"ISO 8859-1", L"ISO 8859-1", L"ISO 8859-1"},
    {L"ISO 8859-2", L"ISO 8859-2", L"ISO 8859-2", L"ISO 8859-2", L"ISO 8859-2", L"ISO 8859-2"},
};

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool EqualsAsciiNoCase(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; a++, b++) {
        if (AsciiLower(*a) != AsciiLower(*b))
            return false;
    }
    return *a == *b;
}

// n bytes against an ASCII text of the same length, ignoring ASCII case.
bool BytesEqualNoCase(const u8* bytes, const char* text, int64 n)
{
    for (int64 i = 0; i < n; i++) {
        u8 c = bytes[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<u8>(c + 32);
        if (c != static_cast<u8>(text[i]))
            return false;
    }
    return true;
}

void PutUnit(u8* out, u32 unit, bool bigEndian)
{
    out[bigEndian ? 0 : 1] = static_cast<u8>(unit >> 8);
    out[bigEndian ? 1 : 0] = static_cast<u8>(unit);
}

// The "U+x " text of an unrepresentable character, written whole or not at all.
int32 EncodeFallback(u8* out, int64 room, int32 codePoint, EncodingId encoding, bool& fallback)
{
    wchar_t text[50];
    FormatArg arg;
    arg.kind = 3;
    arg.unsignedValue = static_cast<u32>(codePoint);
    FormatCodePoint(text, arg);
    int64 length = static_cast<int64>(std::wcslen(text));
    // Measure first so that a short room writes nothing.
    int64 need = 0, textPos = 0;
    EncodeUtf16Text(nullptr, need, INT64_MAX, text, textPos, length, encoding, 0, nullptr);
    if (need > room)
        return 0;
    int64 pos = 0;
    textPos = 0;
    EncodeUtf16Text(out, pos, room, text, textPos, length, encoding, 0, nullptr);
    int32 written = pos > INT32_MAX ? INT32_MAX : static_cast<int32>(pos);
    if (written >= 1)
        fallback = true;
    return written;
}

}  // namespace

void BuildCodePageTable(CodePageTable& table, const u16* mapping)
{
    for (int b = 0; b < 256; b++) {
        u16 c = mapping[b];
        table.forward[b] = (c == 0xFFFD || c >= 0x4000) ? static_cast<u16>(b) : c;
    }
    for (int b = 0; b < 128; b++)
        table.forward[b] = static_cast<u16>(b);
    for (int c = 0; c < 0x4000; c++)
        table.reverse[c] = c < 128 ? static_cast<u16>(c) : CodePageTable::kNotRepresentable;
    // Undefined bytes first: where one's own value is a character another
    // byte stands for (ISO 8859-8 has × at 0xAA, 0xD7 undefined), the
    // character must encode as the byte that defines it.
    for (int pass = 0; pass < 2; pass++) {
        for (int b = 128; b < 256; b++) {
            bool defined = mapping[b] != 0xFFFD && mapping[b] < 0x4000;
            if (defined == (pass == 1))
                table.reverse[table.forward[b]] = static_cast<u16>(b);
        }
    }
}

const CodePageTable* CodePageTableOf(EncodingId id)
{
    switch (id) {
    case EncodingWindows1252:
        return &g_codePages.windows1252;
    case EncodingWindows1250:
        return &g_codePages.windows1250;
    case EncodingIso8859_1:
        return &g_codePages.iso8859_1;
    case EncodingIso8859_2:
        return &g_codePages.iso8859_2;
    default:
        return nullptr;
    }
}

String EncodingName(EncodingId id, bool bom)
{
    if (id < 1 || id > 7)
        return String();
    const EncodingNames& names = kNames[id - 1];
    return String(bom ? names.withBom : names.withoutBom);
}

EncodingId EncodingFromName(const wchar_t* name, bool& bom)
{
    if (!name)
        return EncodingUnknown;
    for (int i = 0; i < 7; i++) {
        const EncodingNames& names = kNames[i];
        bool utf = i < 3;
        if (EqualsAsciiNoCase(name, names.withBom)) {
            if (utf)
                bom = true;
            return i + 1;
        }
        if (EqualsAsciiNoCase(name, names.withoutBom)) {
            if (utf)
                bom = false;
            return i + 1;
        }
    }
    return EncodingUnknown;
}

String EncodingDisplayName(EncodingId id, bool bom)
{
    if (id < 2 || id > 7)
        id = EncodingUtf8;
    const EncodingNames& names = kNames[id - 1];
    bool polish = IsPolishUi();
    if (bom)
        return String(polish ? names.shownWithBomPl : names.shownWithBomEn);
    return String(polish ? names.shownWithoutBomPl : names.shownWithoutBomEn);
}

bool IsValidUtf8(const u8* bytes, int64 n)
{
    int64 valid = 0, invalid = 0;
    int64 i = 0;
    while (i < n) {
        u8 b = bytes[i];
        if (b < 0x80) {
            i++;
            continue;
        }
        int64 announced = 0;
        if ((b & 0xE0) == 0xC0)
            announced = 2;
        else if ((b & 0xF0) == 0xE0)
            announced = 3;
        else if ((b & 0xF8) == 0xF0)
            announced = 4;
        int64 length = 1;
        while (i + length < n && (bytes[i + length] & 0xC0) == 0x80)
            length++;
        if (length == announced)
            valid++;
        else
            invalid++;
        i += length;
    }
    return invalid <= valid / 40;
}

EncodingId FindCharsetDeclaration(const u8* bytes, int64 n)
{
    for (int64 p = 0; p < n; p++) {
        if (bytes[p] != 'c' || p + 8 >= n || !BytesEqualNoCase(bytes + p, "charset=", 8))
            continue;
        p += 8;
        if (p + 5 <= n && BytesEqualNoCase(bytes + p, "utf-8", 5))
            return EncodingUtf8;
        if (p + 10 <= n) {
            if (BytesEqualNoCase(bytes + p, "iso-8859-2", 10))
                return EncodingIso8859_2;
            if (BytesEqualNoCase(bytes + p, "iso-8859-1", 10))
                return EncodingIso8859_1;
        }
        p--;  // the loop steps on to the value
    }
    return EncodingUnknown;
}

EncodingId DetectEncoding(const BomInfo& bom, const u8* sample, int64 n)
{
    if (bom.length == 3)
        return EncodingUtf8;
    if (bom.length == 2) {
        if (bom.firstByte == 0xFE)
            return EncodingUtf16BE;
        if (bom.firstByte == 0xFF)
            return EncodingUtf16LE;
    }
    bool high = false;
    for (int64 i = 0; i < n && !high; i++)
        high = sample[i] >= 0x80;
    EncodingId candidate = EncodingUnknown;
    if (high && IsValidUtf8(sample, n)) {
        candidate = EncodingUtf8;
    } else {
        int64 even = 0, odd = 0;
        for (int64 i = 0; i < n; i++) {
            if (sample[i] == 0)
                ++((i & 1) ? odd : even);
        }
        if (even + odd > 0 && (even > n / 4 || odd > n / 4))
            candidate = odd < even ? EncodingUtf16BE : EncodingUtf16LE;
    }
    EncodingId declared = FindCharsetDeclaration(sample, n < 1000 ? n : 1000);
    if (candidate == EncodingUtf8) {
        if (declared == EncodingIso8859_2 || declared == EncodingIso8859_1)
            return declared;
        return EncodingUtf8;
    }
    if (candidate != EncodingUnknown)
        return candidate;
    if (declared != EncodingUnknown)
        return declared;
    if (high)
        return GetACP() == 1250 ? EncodingWindows1250 : EncodingWindows1252;
    return EncodingUtf8;
}

int32 EncodeLineEnd(u8* out, int64 room, EncodingId encoding, int32 lineEnd)
{
    bool crlf = lineEnd == -2;
    bool wide = IsUtf16Encoding(encoding);
    int32 n = (crlf ? 2 : 1) * (wide ? 2 : 1);
    if (room < n)
        return 0;
    if (!out)
        return n;
    if (wide) {
        bool be = encoding == EncodingUtf16BE;
        if (crlf) {
            PutUnit(out, 13, be);
            PutUnit(out + 2, 10, be);
        } else {
            PutUnit(out, 10, be);
        }
    } else if (crlf) {
        out[0] = 13;
        out[1] = 10;
    } else {
        out[0] = 10;
    }
    return n;
}

int32 EncodeUtf8Char(u8* out, int64 room, int32 codePoint)
{
    u32 cp = static_cast<u32>(codePoint);
    if (cp > 0x10FFFF)
        cp = 0xFFFD;
    int32 n = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (room < n)
        return 0;
    if (!out)
        return n;
    switch (n) {
    case 1:
        out[0] = static_cast<u8>(cp);
        break;
    case 2:
        out[0] = static_cast<u8>(0xC0 | (cp >> 6));
        out[1] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    case 3:
        out[0] = static_cast<u8>(0xE0 | (cp >> 12));
        out[1] = static_cast<u8>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    default:
        out[0] = static_cast<u8>(0xF0 | (cp >> 18));
        out[1] = static_cast<u8>(0x80 | ((cp >> 12) & 0x3F));
        out[2] = static_cast<u8>(0x80 | ((cp >> 6) & 0x3F));
        out[3] = static_cast<u8>(0x80 | (cp & 0x3F));
        break;
    }
    return n;
}

int32 EncodeCodePoint(u8* out, int64 room, int32 codePoint, EncodingId encoding, bool& fallback)
{
    u32 cp = static_cast<u32>(codePoint);
    if (IsUtf16Encoding(encoding)) {
        if (cp > 0x10FFFF)
            return EncodeFallback(out, room, codePoint, encoding, fallback);
        bool be = encoding == EncodingUtf16BE;
        if (cp < 0x10000) {
            if (room < 2)
                return 0;
            if (out)
                PutUnit(out, cp, be);
            return 2;
        }
        if (room < 4)
            return 0;
        if (out) {
            u32 v = cp - 0x10000;
            PutUnit(out, 0xD800 + (v >> 10), be);
            PutUnit(out + 2, 0xDC00 + (v & 0x3FF), be);
        }
        return 4;
    }
    if (const CodePageTable* table = CodePageTableOf(encoding)) {
        if (room < 1)
            return 0;
        if (cp < 128) {
            if (out)
                out[0] = static_cast<u8>(cp);
            return 1;
        }
        if (cp >= 0x4000 || table->reverse[cp] == CodePageTable::kNotRepresentable)
            return EncodeFallback(out, room, codePoint, encoding, fallback);
        if (out)
            out[0] = static_cast<u8>(table->reverse[cp]);
        return 1;
    }
    if (cp < 128) {
        if (room < 1)
            return 0;
        if (out)
            out[0] = static_cast<u8>(cp);
        return 1;
    }
    if (cp < 0x110000)
        return EncodeUtf8Char(out, room, codePoint);
    return EncodeFallback(out, room, codePoint, encoding, fallback);
}

void EncodeUtf16Text(u8* out, int64& pos, int64 limit, const wchar_t* text, int64& textPos, int64 textLength,
                     EncodingId encoding, int32 lineEnd, int64* firstFallback)
{
    int64 p = pos, t = textPos;
    while (t < textLength) {
        u32 u = text[t];
        int64 consumed = 1;
        int32 written;
        u8* dest = out ? out + p : nullptr;
        if (u == 13 || u == 10) {
            int32 kind = u == 10 ? 10 : 13;
            if (u == 13 && t + 1 < textLength && text[t + 1] == 10) {
                kind = -2;
                consumed = 2;
            }
            written = EncodeLineEnd(dest, limit - p, encoding, lineEnd != 0 ? lineEnd : kind);
        } else {
            u32 cp = u;
            if (u >= 0xD800 && u <= 0xDBFF && t + 1 < textLength && text[t + 1] >= 0xDC00 && text[t + 1] <= 0xDFFF) {
                cp = 0x10000 + ((u - 0xD800) << 10) + (text[t + 1] - 0xDC00);
                consumed = 2;
            }
            bool fallback = false;
            written = EncodeCodePoint(dest, limit - p, static_cast<int32>(cp), encoding, fallback);
            if (written > 0 && fallback && firstFallback && *firstFallback < 0)
                *firstFallback = t;
        }
        if (written == 0)
            break;
        p += written;
        t += consumed;
    }
    pos = p;
    textPos = t;
}

void DecodeTextBytes(String& out, const u8* bytes, int64 n)
{
    BomInfo bom = {0, 0};
    if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        bom.length = 3;
    else if (n >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        bom.length = 2;
    if (bom.length > 0)
        bom.firstByte = bytes[0];
    EncodingId id = DetectEncoding(bom, bytes + bom.length, n - bom.length);
    const u8* p = bytes + bom.length;
    int64 count = n - bom.length;
    if (id == EncodingUtf8) {
        // Utf8ToString skips the BOM itself.
        out = Utf8ToString(bytes, n);
    } else if (IsUtf16Encoding(id)) {
        int64 units = count / 2;
        wchar_t* dest = out.Allocate(units);
        bool be = id == EncodingUtf16BE;
        for (int64 i = 0; i < units; i++) {
            u8 first = p[2 * i], second = p[2 * i + 1];
            dest[i] = static_cast<wchar_t>(be ? (first << 8 | second) : (second << 8 | first));
        }
    } else if (const CodePageTable* table = CodePageTableOf(id)) {
        wchar_t* dest = out.Allocate(count);
        for (int64 i = 0; i < count; i++)
            dest[i] = static_cast<wchar_t>(table->forward[p[i]]);
    }
}
