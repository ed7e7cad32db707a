#pragma once

#include "base/Array.h"
#include "base/String.h"

// The UTF-16 units of a code point (0 to 0x10FFFF): one, or a surrogate pair.
int CodePointToUtf16(int32 codePoint, wchar_t* units);

inline bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

inline bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

inline int32 JoinPair(wchar_t high, wchar_t low)
{
    return 0x10000 + ((high & 0x3FF) << 10) + (low & 0x3FF);
}

// One code point from units[i], a surrogate pair within count counting as
// one, any other unit as itself; advances i.
int32 NextCodePoint(const wchar_t* units, int64 count, int64& i);

// Case mapping and classification of one code point; beyond ASCII through
// the locale services of the user's default locale.
int32 ToUpperCodePoint(int32 codePoint);
int32 ToLowerCodePoint(int32 codePoint);
// True when the code point's CT_CTYPE1 type has any bit of mask (C1_UPPER ...).
bool IsCharType(int32 codePoint, int mask);

bool EqualsNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen);
// A hash that texts equal by EqualsNoCase share.
u64 HashNoCase(const wchar_t* s, int64 n);
// The same with the caller's lower-case mapping for code points from U+0080.
bool EqualsNoCaseBy(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen, int32 (*lower)(int32));
// -1, 0 or 1 by the locale's case-insensitive ordering.
int CompareNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen);

// UTF-8 to UTF-16 ("?" for bad sequences); with a null output only counts.
int64 DecodeUtf8(wchar_t* output, const u8* bytes, int64 count);
// Skips a leading byte-order mark.
String Utf8ToString(const u8* bytes, int64 count);
inline String Utf8ToString(const char* bytes, int64 count)
{
    return Utf8ToString(reinterpret_cast<const u8*>(bytes), count);
}

// UTF-16 to UTF-8 (U+FFFD for lone surrogates); with a null output only counts.
int EncodeUtf8CodePoint(u8* output, int32 codePoint);
int64 EncodeUtf8(u8* output, const wchar_t* units, int64 count);
// The UTF-8 bytes followed by one 0 byte.
PodArray<u8> Utf16ToUtf8Bytes(const wchar_t* units, int64 count);
