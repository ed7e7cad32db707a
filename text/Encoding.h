#pragma once

#include "base/String.h"
#include "base/Types.h"

class TextNotify;

// Encodings a text can be held in. The BOM is a separate flag.
using EncodingId = int32;
enum : EncodingId {
    EncodingUnknown = -1,
    EncodingUtf8 = 1,
    EncodingUtf16LE = 2,
    EncodingUtf16BE = 3,
    EncodingWindows1252 = 4,
    EncodingWindows1250 = 5,
    EncodingIso8859_1 = 6,
    EncodingIso8859_2 = 7,
};

inline bool IsUtf16Encoding(EncodingId id) { return id == EncodingUtf16LE || id == EncodingUtf16BE; }
inline bool IsCodePageEncoding(EncodingId id) { return id >= EncodingWindows1252 && id <= EncodingIso8859_2; }

// A single-byte code page in one block: byte -> code point, then code
// point (below 0x4000) -> byte, 0xFFE2 where the page lacks the character.
struct CodePageTable {
    static constexpr u16 kNotRepresentable = 0xFFE2;
    u16 forward[256];
    u16 reverse[0x4000];
};

// Builds a table from a 256-entry byte -> code point mapping (U+FFFD marks an
// undefined byte, which then decodes as its own value and encodes back).
void BuildCodePageTable(CodePageTable& table, const u16* mapping);
// The built-in table of an 8-bit encoding; null for the others.
const CodePageTable* CodePageTableOf(EncodingId id);

String EncodingName(EncodingId id, bool bom);
EncodingId EncodingFromName(const wchar_t* name, bool& bom);
String EncodingDisplayName(EncodingId id, bool bom);

struct BomInfo {
    int32 length;  // 0, 2 or 3
    u8 firstByte;
};

EncodingId DetectEncoding(const BomInfo& bom, const u8* sample, int64 n);
bool IsValidUtf8(const u8* bytes, int64 n);
EncodingId FindCharsetDeclaration(const u8* bytes, int64 n);

// Encoders: each returns the bytes written, or 0 when the room is short (and
// then writes nothing). A null out only measures.
int32 EncodeLineEnd(u8* out, int64 room, EncodingId encoding, int32 lineEnd);
int32 EncodeUtf8Char(u8* out, int64 room, int32 codePoint);
int32 EncodeCodePoint(u8* out, int64 room, int32 codePoint, EncodingId encoding, bool& fallback);
// Encodes text[textPos..textLength) into out[pos..limit) until the text or the
// room ends; both positions are advanced. firstFallback (optional) receives the
// text position of the first character written as its "U+x " text.
void EncodeUtf16Text(u8* out, int64& pos, int64 limit, const wchar_t* text, int64& textPos, int64 textLength,
                     EncodingId encoding, int32 lineEnd, int64* firstFallback);

// Decodes a whole byte buffer (a BOM decides, else detection) into out.
void DecodeTextBytes(String& out, const u8* bytes, int64 n);
