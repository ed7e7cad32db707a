#include "text/RegExp.h"

#include <vector>

namespace {

constexpr wchar_t kMiddleDot = 0x00B7;
// Result of an escape that stands for a backslash followed by the escaped
// character, read again on its own.
constexpr u32 kBackslashThenReread = 0xFFFFFFFF;

[[noreturn]] void Fail(int32 kind, const wchar_t* text, int64 n, int64 index)
{
    if (index < 0)
        index = 0;
    if (index > n)
        index = n;
    std::vector<wchar_t> units(text, text + index);
    units.push_back(kMiddleDot);
    units.insert(units.end(), text + index, text + n);
    throw MakeBadRegExpError(kind, String(units.data(), static_cast<int64>(units.size())));
}

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

u32 ReadHex(const wchar_t* t, int64 n, int64 from, int digits, int64& next)
{
    u32 value = 0;
    for (int k = 0; k < digits; k++) {
        int d = from + k < n ? HexValue(t[from + k]) : -1;
        if (d < 0)
            Fail(RegexError::TEMPLATE_INVALID_HEX, t, n, from + k);
        value = value * 16 + static_cast<u32>(d);
    }
    next = from + digits;
    return value;
}

// The escape at the backslash at i: a code point, or kBackslashThenReread.
u32 RegexParseReplacementEscape(const wchar_t* t, int64 n, int64 i, int64& next)
{
    if (i + 1 >= n)
        Fail(RegexError::TEMPLATE_BACKSLASH_AT_END, t, n, n);
    wchar_t c = t[i + 1];
    next = i + 2;
    switch (c) {
    case L'f':
        return 12;
    case L'n':
        return 10;
    case L't':
        return 9;
    case L'v':
        return 11;
    case L'\\':
        return '\\';
    case L'u':
        return ReadHex(t, n, i + 2, 4, next);
    case L'x': {
        if (i + 2 >= n || t[i + 2] != L'{')
            return ReadHex(t, n, i + 2, 2, next);
        int64 j = i + 3;
        u32 value = 0;
        while (j - (i + 3) < 8 && j < n && HexValue(t[j]) >= 0)
            value = value * 16 + static_cast<u32>(HexValue(t[j++]));
        if (j == i + 3 || j >= n || t[j] != L'}' || value > 0x10FFFF)
            Fail(RegexError::TEMPLATE_INVALID_HEX, t, n, j);
        next = j + 1;
        return value;
    }
    default:
        if (c >= L'0' && c <= L'9')
            Fail(RegexError::TEMPLATE_GROUP_REFERENCE, t, n, i + 1);
        next = i + 1;
        return kBackslashThenReread;
    }
}

// One pass over the template: counts the output (out null) or writes it.
// Records the "$0" places when positions is given. Returns the length.
int64 ExpandReplacement(const wchar_t* t, int64 n, PodArray<int32>* positions, wchar_t* out, bool& changed)
{
    int64 length = 0;
    auto put = [&](wchar_t u) {
        if (out)
            out[length] = u;
        length++;
    };
    int64 i = 0;
    while (i < n) {
        wchar_t u = t[i];
        if (u == L'$' && positions && i + 1 < n && t[i + 1] == L'0') {
            if (!out)
                positions->Insert(positions->Count(), AsInt(static_cast<long long>(length)));
            changed = true;
            i += 2;
        } else if (u == L'\\') {
            changed = true;
            int64 next;
            u32 c = RegexParseReplacementEscape(t, n, i, next);
            if (c == kBackslashThenReread) {
                put(L'\\');
            } else if (c > 0xFFFF) {
                put(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
                put(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
            } else {
                put(static_cast<wchar_t>(c));
            }
            i = next;
        } else {
            put(u);
            i++;
        }
    }
    return length;
}

}  // namespace

String PrepareReplacement(const String& replacement, PodArray<int32>* positions)
{
    if (positions && positions->Count() > 0)
        positions->Erase(0, positions->Count());
    const wchar_t* t = replacement.Data();
    int64 n = replacement.Length();
    bool changed = false;
    int64 length = ExpandReplacement(t, n, positions, nullptr, changed);
    if (!changed)
        return replacement;
    String result;
    wchar_t* out = result.Allocate(length);
    ExpandReplacement(t, n, positions, out, changed);
    return result;
}
