#include "text/TextBuff.h"

#include "base/CharUtils.h"

#include <cstring>
#include <vector>

void AppendCodePoints(Array<u32>& array, const wchar_t* text, int64 n)
{
    for (int64 i = 0; i < n; i++) {
        u32 u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (static_cast<u32>(text[i + 1]) - 0xDC00);
            i++;
        }
        array.Insert(array.Count(), u);
    }
}

int32 FoldSearchCode(int32 code)
{
    // The special codes (CR LF, undecodable, end) are no characters to fold.
    if (code < 0)
        return code;
    if (code >= 'A' && code <= 'Z')
        return code + 32;
    if (code > 127)
        return ToLowerCodePoint(code);
    return code;
}

namespace {

// Remembers the folds of recent letters beyond ASCII: a text uses few of
// them, and each costs a call into the system's case mapping.
class FoldCache {
public:
    FoldCache()
    {
        for (int32& c : codes_)
            c = -1;
    }
    int32 Fold(int32 code)
    {
        if (code < 128)
            return FoldSearchCode(code);
        size_t slot = static_cast<u32>(code) & 255;
        if (codes_[slot] != code) {
            codes_[slot] = code;
            folded_[slot] = FoldSearchCode(code);
        }
        return folded_[slot];
    }

private:
    int32 codes_[256];
    int32 folded_[256];
};

// The code as the search compares it.
template <bool Fold>
struct SearchCoder;

template <>
struct SearchCoder<false> {
    int32 operator()(int32 code) { return code; }
};

template <>
struct SearchCoder<true> {
    FoldCache cache;
    int32 operator()(int32 code) { return cache.Fold(code); }
};

// The Knuth-Morris-Pratt failure table of m + 1 entries (the optimized form).
void BuildFailureTable(std::vector<int64>& f, const u32* p, int64 m)
{
    f.assign(static_cast<size_t>(m + 1), 0);
    f[0] = -1;
    int64 i = 0, k = -1;
    while (i < m) {
        while (k > -1 && p[i] != p[k])
            k = f[k];
        i++;
        k++;
        // At i = m there is no pattern character to compare.
        f[i] = (i < m && p[i] == p[k]) ? f[k] : k;
    }
}

}  // namespace

// Next offset in [pos, end) whose byte is a, b or at least high, or end.
// Such bytes always start characters in UTF-8 (high 0xC0 or above) and in
// the 8-bit encodings, so the scan keeps the decoding in step.
int64 TextBuff::FindStartByte(int64 pos, int64 end, int a, int b, int high)
{
    int64 found = end;
    ForEachRun(pos, end, [&](const u8* data, int64 n, int64 offset) {
        if (a == b && high > 255) {
            auto hit = static_cast<const u8*>(memchr(data, a, static_cast<size_t>(n)));
            if (hit)
                found = offset + (hit - data);
            return !hit;
        }
        for (int64 i = 0; i < n; i++) {
            int c = data[i];
            if (c == a || c == b || c >= high) {
                found = offset + i;
                return false;
            }
        }
        return true;
    });
    return found;
}

template <bool Fold>
int64 TextBuff::SearchForward(int64 from, int64& end, const u32* pattern, int64 m, int64 limit)
{
    if (from < 0)
        from = 0;
    int64 stop = limit < size_ - from ? from + limit : size_;
    if (m <= 0 || from >= stop) {
        end = m <= 0 && stop > from ? stop : from;
        return -1;
    }
    std::vector<int64> f;
    BuildFailureTable(f, pattern, m);
    // Starts of the last m characters, for the start of a match.
    std::vector<int64> starts(static_cast<size_t>(m));
    u64 decoded = 0;
    // While nothing is matched, printable ASCII first characters are found
    // by scanning the bytes.
    int skipA = -1, skipB = -1, skipHigh = 256;
    if (!IsUtf16Encoding(encoding_) && pattern[0] >= 32 && pattern[0] < 127) {
        skipA = skipB = static_cast<int>(pattern[0]);
        if (Fold) {
            // Characters beyond ASCII may fold to an ASCII letter.
            skipHigh = encoding_ == EncodingUtf8 ? 0xC0 : 0x80;
            if (skipA >= 'a' && skipA <= 'z')
                skipB = skipA - 32;
        }
    }
    SearchCoder<Fold> coder;
    int64 pos = from, k = 0;
    for (;;) {
        if (k == 0 && skipA >= 0) {
            pos = FindStartByte(pos, stop, skipA, skipB, skipHigh);
            if (pos >= stop)
                break;
        }
        starts[decoded++ % static_cast<u64>(m)] = pos;
        int32 c = coder(DecodeChar(pos));
        u32 code = static_cast<u32>(c);
        while (k > -1 && pattern[k] != code)
            k = f[k];
        k++;
        pos += charLength_;
        if (k >= m) {
            end = pos;
            return starts[(decoded - static_cast<u64>(m)) % static_cast<u64>(m)];
        }
        if (pos >= stop || charLength_ == 0)
            break;
    }
    end = pos;
    return -1;
}

template <bool Fold>
int64 TextBuff::SearchBackward(int64 from, int64& end, const u32* pattern, int64 m, int64 lower, bool endBefore)
{
    if (from > size_)
        from = size_;
    if (lower < 0)
        lower = 0;
    int64 pos = from;
    if (m <= 0) {
        end = lower < from ? lower : from;
        return -1;
    }
    SearchCoder<Fold> coder;
    while (pos > lower) {
        pos = CharStart(pos - 1);
        int64 q = pos;
        int64 j = 0;
        for (; j < m; j++) {
            int32 c = coder(DecodeChar(q));
            if (charLength_ == 0 || static_cast<u32>(c) != pattern[j])
                break;
            q += charLength_;
        }
        if (j == m && (!endBefore || q <= from)) {
            end = q;
            return pos;
        }
    }
    end = pos;
    return -1;
}

int64 TextBuff::FindForward(int64 from, int64& end, const u32* pattern, int64 m, int64 limit)
{
    return SearchForward<false>(from, end, pattern, m, limit);
}

int64 TextBuff::FindForwardNoCase(int64 from, int64& end, const u32* pattern, int64 m, int64 limit)
{
    return SearchForward<true>(from, end, pattern, m, limit);
}

int64 TextBuff::FindBackward(int64 from, int64& end, const u32* pattern, int64 m, int64 window)
{
    return SearchBackward<false>(from, end, pattern, m, from - window, false);
}

int64 TextBuff::FindBackwardNoCase(int64 from, int64& end, const u32* pattern, int64 m, int64 window)
{
    return SearchBackward<true>(from, end, pattern, m, from - window, false);
}

int64 TextBuff::FindBackwardBefore(int64 from, int64& end, const u32* pattern, int64 m)
{
    return SearchBackward<false>(from, end, pattern, m, from - kBackwardBeforeWindow, true);
}

int64 TextBuff::FindBackwardBeforeNoCase(int64 from, int64& end, const u32* pattern, int64 m)
{
    return SearchBackward<true>(from, end, pattern, m, from - kBackwardBeforeWindow, true);
}
