#include "base/CharUtils.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr int32 kReplacement = 0xFFFD;

bool IsSurrogate(int32 c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

int32 MapCase(int32 codePoint, DWORD flags)
{
    if (IsSurrogate(codePoint))
        return codePoint;
    wchar_t in[2];
    wchar_t out[2];
    int n = CodePointToUtf16(codePoint, in);
    if (LCMapStringW(LOCALE_USER_DEFAULT, flags, in, n, out, n) != n)
        return codePoint;
    if (n == 1)
        return out[0];
    return (IsHighSurrogate(out[0]) && IsLowSurrogate(out[1])) ? JoinPair(out[0], out[1]) : codePoint;
}

int32 FoldCase(int32 c, int32 (*lower)(int32))
{
    if (c >= L'A' && c <= L'Z')
        return c + 32;
    return c > 127 ? lower(c) : c;
}

}  // namespace

int32 NextCodePoint(const wchar_t* units, int64 count, int64& i)
{
    wchar_t c = units[i++];
    if (IsHighSurrogate(c) && i < count && IsLowSurrogate(units[i]))
        return JoinPair(c, units[i++]);
    return c;
}

int CodePointToUtf16(int32 codePoint, wchar_t* units)
{
    if (codePoint < 0x10000) {
        units[0] = static_cast<wchar_t>(codePoint);
        return 1;
    }
    int32 v = codePoint - 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (v >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
    return 2;
}

int32 ToUpperCodePoint(int32 codePoint)
{
    if (codePoint < 0 || codePoint > 0x10FFFF)
        return kReplacement;
    if (codePoint < 128)
        return (codePoint >= 'a' && codePoint <= 'z') ? codePoint - 32 : codePoint;
    return MapCase(codePoint, LCMAP_UPPERCASE);
}

int32 ToLowerCodePoint(int32 codePoint)
{
    if (codePoint < 0 || codePoint > 0x10FFFF)
        return kReplacement;
    if (codePoint < 128)
        return (codePoint >= 'A' && codePoint <= 'Z') ? codePoint + 32 : codePoint;
    return MapCase(codePoint, LCMAP_LOWERCASE);
}

bool IsCharType(int32 codePoint, int mask)
{
    if (codePoint < 0 || codePoint > 0x10FFFF || IsSurrogate(codePoint))
        return false;
    wchar_t units[2];
    WORD types[2] = {};
    int n = CodePointToUtf16(codePoint, units);
    if (!GetStringTypeW(CT_CTYPE1, units, n, types))
        return false;
    return (types[0] & mask) != 0;
}

bool EqualsNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen)
{
    return EqualsNoCaseBy(a, alen, b, blen, ToLowerCodePoint);
}

u64 HashNoCase(const wchar_t* s, int64 n)
{
    // FNV-1a over the folded code points and the length.
    u64 hash = 14695981039346656037ull ^ static_cast<u64>(n);
    for (int64 i = 0; i < n;) {
        hash ^= static_cast<u64>(static_cast<u32>(FoldCase(NextCodePoint(s, n, i), ToLowerCodePoint)));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool EqualsNoCaseBy(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen, int32 (*lower)(int32))
{
    if (alen != blen)
        return false;
    int64 i = 0;
    int64 j = 0;
    while (i < alen && j < blen) {
        if (FoldCase(NextCodePoint(a, alen, i), lower) != FoldCase(NextCodePoint(b, blen, j), lower))
            return false;
    }
    return i == alen && j == blen;
}

int CompareNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen)
{
    int na = AsInt(alen);
    int nb = AsInt(blen);
    int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, na ? a : L"", na, nb ? b : L"", nb);
    if (result == CSTR_LESS_THAN)
        return -1;
    if (result == CSTR_GREATER_THAN)
        return 1;
    return 0;
}

template <>
int64 Array<String>::IndexOfNoCase(const String& key) const
{
    for (int64 i = 0; i < Count(); i++) {
        const String& entry = h_->data[i];
        if (entry.SameBlock(key) || EqualsNoCase(entry.Data(), entry.Length(), key.Data(), key.Length()))
            return i;
    }
    return -1;
}

template <>
int64 Array<String>::IndexOfNoCase(const wchar_t* key) const
{
    int64 length = key ? static_cast<int64>(wcslen(key)) : 0;
    for (int64 i = 0; i < Count(); i++) {
        const String& entry = h_->data[i];
        if (EqualsNoCase(entry.Data(), entry.Length(), key, length))
            return i;
    }
    return -1;
}

int64 DecodeUtf8(wchar_t* output, const u8* bytes, int64 count)
{
    int64 n = 0;
    auto emit = [&](int32 value) {
        if (value > 0xFFFF) {
            if (output)
                CodePointToUtf16(value, output + n);
            n += 2;
        } else {
            if (output)
                output[n] = static_cast<wchar_t>(value);
            n++;
        }
    };
    int64 i = 0;
    while (i < count) {
        u8 lead = bytes[i++];
        int more;
        int32 value;
        if (lead < 0x80) {
            emit(lead);
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            value = lead & 0x07;
        } else {
            emit(L'?');
            continue;
        }
        bool bad = false;
        for (; more > 0 && i < count; more--) {
            if ((bytes[i] & 0xC0) != 0x80) {
                bad = true;  // read again as a lead byte
                break;
            }
            value = (value << 6) | (bytes[i++] & 0x3F);
        }
        emit(bad ? L'?' : value);
    }
    return n;
}

String Utf8ToString(const u8* bytes, int64 count)
{
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        count -= 3;
    }
    String result;
    wchar_t* text = result.Allocate(DecodeUtf8(nullptr, bytes, count));
    DecodeUtf8(text, bytes, count);
    return result;
}

int EncodeUtf8CodePoint(u8* output, int32 codePoint)
{
    u8 bytes[4];
    int n;
    if (codePoint < 0 || codePoint > 0x10FFFF) {
        return 0;
    } else if (codePoint < 0x80) {
        bytes[0] = static_cast<u8>(codePoint);
        n = 1;
    } else if (codePoint < 0x800) {
        bytes[0] = static_cast<u8>(0xC0 | (codePoint >> 6));
        bytes[1] = static_cast<u8>(0x80 | (codePoint & 0x3F));
        n = 2;
    } else if (codePoint < 0x10000) {
        bytes[0] = static_cast<u8>(0xE0 | (codePoint >> 12));
        bytes[1] = static_cast<u8>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<u8>(0x80 | (codePoint & 0x3F));
        n = 3;
    } else {
        bytes[0] = static_cast<u8>(0xF0 | (codePoint >> 18));
        bytes[1] = static_cast<u8>(0x80 | ((codePoint >> 12) & 0x3F));
        bytes[2] = static_cast<u8>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[3] = static_cast<u8>(0x80 | (codePoint & 0x3F));
        n = 4;
    }
    if (output)
        for (int k = 0; k < n; k++)
            output[k] = bytes[k];
    return n;
}

int64 EncodeUtf8(u8* output, const wchar_t* units, int64 count)
{
    int64 n = 0;
    int64 i = 0;
    while (i < count) {
        int32 c = NextCodePoint(units, count, i);
        if (IsSurrogate(c))
            c = kReplacement;
        n += EncodeUtf8CodePoint(output ? output + n : nullptr, c);
    }
    return n;
}

PodArray<u8> Utf16ToUtf8Bytes(const wchar_t* units, int64 count)
{
    int64 n = EncodeUtf8(nullptr, units, count);
    PodArray<u8> bytes;
    bytes.Resize(n + 1);
    EncodeUtf8(bytes.Data(), units, count);
    bytes.At(n) = 0;
    return bytes;
}
