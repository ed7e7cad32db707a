#include "base/ByteScan.h"

#include <emmintrin.h>

#include <cstdint>

namespace {

inline unsigned LowBit(unsigned mask)
{
    return static_cast<unsigned>(__builtin_ctz(mask));
}

inline unsigned HighBit(unsigned mask)
{
    return 31u - static_cast<unsigned>(__builtin_clz(mask));
}

inline __m128i Load(const u8* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

} // namespace

// The lanes of the sixteen bytes at p equal to the needle; aligned when p is
// a multiple of sixteen, so that the load folds into the compare.
template <bool Aligned>
inline unsigned Lanes(const u8* p, __m128i needle)
{
    const __m128i x = Aligned ? _mm_load_si128(reinterpret_cast<const __m128i*>(p)) : Load(p);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, needle)));
}

const u8* FindByte(const u8* p, int c, size_t n)
{
    const u8 b = static_cast<u8>(c);
    const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
    if (n < 16) {
        for (size_t i = 0; i < n; i++)
            if (p[i] == b)
                return p + i;
        return nullptr;
    }
    // One unaligned step, then aligned ones from the next multiple of
    // sixteen: the scan runs at the speed memory delivers.
    unsigned m = Lanes<false>(p, needle);
    if (m)
        return p + LowBit(m);
    size_t i = 16 - (reinterpret_cast<uintptr_t>(p) & 15);
    auto at = [&](size_t k) {
        return _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(p + k)), needle);
    };
    // Four vectors a step: one test of the combined mask, the exact lane
    // only once something matched.
    for (; i + 64 <= n; i += 64) {
        __m128i e0 = at(i), e1 = at(i + 16), e2 = at(i + 32), e3 = at(i + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(e0, e1), _mm_or_si128(e2, e3))) == 0)
            continue;
        break;
    }
    for (; i + 16 <= n; i += 16) {
        m = Lanes<true>(p + i, needle);
        if (m)
            return p + i + LowBit(m);
    }
    // The last bytes in one step that overlaps those already seen.
    if (i < n) {
        m = Lanes<false>(p + n - 16, needle) >> (16 - (n - i));
        if (m)
            return p + i + LowBit(m);
    }
    return nullptr;
}

const u8* FindByteBackward(const u8* p, int c, size_t n)
{
    const u8 b = static_cast<u8>(c);
    const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
    if (n < 16) {
        while (n > 0)
            if (p[--n] == b)
                return p + n;
        return nullptr;
    }
    unsigned m = Lanes<false>(p + n - 16, needle);
    if (m)
        return p + n - 16 + HighBit(m);
    size_t end = n - (reinterpret_cast<uintptr_t>(p + n) & 15);
    if (end == n)
        end -= 16;
    auto at = [&](size_t k) {
        return _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(p + k)), needle);
    };
    for (; end >= 64; end -= 64) {
        __m128i e0 = at(end - 64), e1 = at(end - 48), e2 = at(end - 32), e3 = at(end - 16);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(e0, e1), _mm_or_si128(e2, e3))) == 0)
            continue;
        break;
    }
    for (; end >= 16; end -= 16) {
        m = Lanes<true>(p + end - 16, needle);
        if (m)
            return p + end - 16 + HighBit(m);
    }
    if (end > 0) {
        m = Lanes<false>(p, needle) & ((1u << end) - 1);
        if (m)
            return p + HighBit(m);
    }
    return nullptr;
}

const u8* FindEitherByte(const u8* p, int a, int b, size_t n)
{
    const __m128i na = _mm_set1_epi8(static_cast<char>(static_cast<u8>(a)));
    const __m128i nb = _mm_set1_epi8(static_cast<char>(static_cast<u8>(b)));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i v = Load(p + i);
        unsigned m = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, na), _mm_cmpeq_epi8(v, nb))));
        if (m)
            return p + i + LowBit(m);
    }
    for (; i < n; i++)
        if (p[i] == static_cast<u8>(a) || p[i] == static_cast<u8>(b))
            return p + i;
    return nullptr;
}

size_t CountByte(const u8* p, int c, size_t n)
{
    const __m128i needle = _mm_set1_epi8(static_cast<char>(static_cast<u8>(c)));
    const __m128i zero = _mm_setzero_si128();
    size_t count = 0, i = 0;
    while (i + 16 <= n) {
        // Byte counters are subtracted from (each match is -1) for at most
        // 255 vectors, then summed into 64-bit lanes.
        __m128i acc = _mm_setzero_si128();
        size_t steps = (n - i) / 16;
        if (steps > 255)
            steps = 255;
        for (size_t s = 0; s < steps; s++, i += 16)
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(Load(p + i), needle));
        __m128i sums = _mm_sad_epu8(acc, zero);
        count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
    for (; i < n; i++)
        count += p[i] == static_cast<u8>(c);
    return count;
}

const u8* FindHighOrByte(const u8* p, int c, size_t n)
{
    const u8 b = static_cast<u8>(c);
    const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
    size_t i = 0;
    // The sign bit of each byte is the high test; movemask reads it directly.
    for (; i + 32 <= n; i += 32) {
        __m128i v0 = Load(p + i), v1 = Load(p + i + 16);
        __m128i m0 = _mm_or_si128(v0, _mm_cmpeq_epi8(v0, needle));
        __m128i m1 = _mm_or_si128(v1, _mm_cmpeq_epi8(v1, needle));
        if (_mm_movemask_epi8(_mm_or_si128(m0, m1)) == 0)
            continue;
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(m0));
        if (m)
            return p + i + LowBit(m);
        return p + i + 16 + LowBit(static_cast<unsigned>(_mm_movemask_epi8(m1)));
    }
    for (; i + 16 <= n; i += 16) {
        __m128i v = Load(p + i);
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(v, needle))));
        if (m)
            return p + i + LowBit(m);
    }
    for (; i < n; i++)
        if (p[i] >= 0x80 || p[i] == b)
            return p + i;
    return nullptr;
}

namespace {

// Up to eight inclusive byte ranges as vectors: x lies in [low, high] when
// x - low, as an unsigned byte, is at most high - low: min(x - low, span)
// == x - low.
struct RangeTests {
    __m128i low[8], span[8];
    int count;

    RangeTests(const u8 (*ranges)[2], int n) : count(n)
    {
        for (int r = 0; r < count; r++) {
            low[r] = _mm_set1_epi8(static_cast<char>(ranges[r][0]));
            span[r] = _mm_set1_epi8(static_cast<char>(ranges[r][1] - ranges[r][0]));
        }
    }
    // The lanes of the sixteen bytes at p that lie in a range.
    unsigned Hits(const u8* p) const
    {
        __m128i x = Load(p);
        __m128i hit = _mm_setzero_si128();
        for (int r = 0; r < count; r++) {
            __m128i t = _mm_sub_epi8(x, low[r]);
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(t, span[r]), t));
        }
        return static_cast<unsigned>(_mm_movemask_epi8(hit));
    }
};

bool InRanges(u8 b, const u8 (*ranges)[2], int count)
{
    for (int r = 0; r < count; r++)
        if (b >= ranges[r][0] && b <= ranges[r][1])
            return true;
    return false;
}

}  // namespace

const u8* FindByteInRanges(const u8* p, size_t n, const u8 (*ranges)[2], int count)
{
    const RangeTests tests(ranges, count);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        unsigned m = tests.Hits(p + i);
        if (m)
            return p + i + LowBit(m);
    }
    for (; i < n; i++)
        if (InRanges(p[i], ranges, count))
            return p + i;
    return nullptr;
}

const u8* FindLastByteInRanges(const u8* p, size_t n, const u8 (*ranges)[2], int count)
{
    const RangeTests tests(ranges, count);
    size_t i = n;
    for (; i >= 16; i -= 16) {
        unsigned m = tests.Hits(p + i - 16);
        if (m)
            return p + i - 16 + HighBit(m);
    }
    while (i > 0) {
        i--;
        if (InRanges(p[i], ranges, count))
            return p + i;
    }
    return nullptr;
}

namespace {

// The vector tests of a pair scan, set up once per call.
struct PairTests {
    explicit PairTests(const BytePairRanges& set) : pairs(set.pairs), singles(set.singles)
    {
        for (int s = 0; s < singles; s++) {
            low[s] = _mm_set1_epi8(static_cast<char>(set.single[s][0]));
            span[s] = _mm_set1_epi8(static_cast<char>(set.single[s][1] - set.single[s][0]));
        }
        for (int q = 0; q < pairs; q++) {
            firstLow[q] = _mm_set1_epi8(static_cast<char>(set.pair[q][0]));
            firstSpan[q] = _mm_set1_epi8(static_cast<char>(set.pair[q][1] - set.pair[q][0]));
            secondLow[q] = _mm_set1_epi8(static_cast<char>(set.pair[q][2]));
            secondSpan[q] = _mm_set1_epi8(static_cast<char>(set.pair[q][3] - set.pair[q][2]));
            // Pairs of two single bytes, the common case of words, take one
            // compare a side.
            exact[q] = set.pair[q][0] == set.pair[q][1] && set.pair[q][2] == set.pair[q][3];
        }
        foldBits = _mm_set1_epi8(set.fold ? 0x20 : 0);
    }

    static __m128i In(__m128i x, __m128i l, __m128i w)
    {
        __m128i t = _mm_sub_epi8(x, l);
        return _mm_cmpeq_epi8(_mm_min_epu8(t, w), t);
    }

    // The lanes of x0 that are found, x1 holding the bytes paired with them.
    unsigned Hits(const u8* at, const u8* paired) const
    {
        __m128i x0 = _mm_or_si128(Load(at), foldBits), x1 = _mm_or_si128(Load(paired), foldBits);
        __m128i hit = _mm_setzero_si128();
        for (int s = 0; s < singles; s++)
            hit = _mm_or_si128(hit, In(x0, low[s], span[s]));
        for (int q = 0; q < pairs; q++) {
            if (exact[q])
                hit = _mm_or_si128(hit, _mm_and_si128(_mm_cmpeq_epi8(x0, firstLow[q]), _mm_cmpeq_epi8(x1, secondLow[q])));
            else
                hit = _mm_or_si128(hit, _mm_and_si128(In(x0, firstLow[q], firstSpan[q]), In(x1, secondLow[q], secondSpan[q])));
        }
        return static_cast<unsigned>(_mm_movemask_epi8(hit));
    }

    int pairs, singles;
    __m128i low[4], span[4];
    __m128i firstLow[8], firstSpan[8], secondLow[8], secondSpan[8];
    bool exact[8];
    __m128i foldBits;
};

// The same test for one byte; paired is null where any byte may come.
bool PairHit(const BytePairRanges& set, u8 b, const u8* paired)
{
    auto within = [](u8 x, const u8* range) { return x >= range[0] && x <= range[1]; };
    u8 fold = set.fold ? 0x20 : 0;
    b |= fold;
    for (int s = 0; s < set.singles; s++)
        if (within(b, set.single[s]))
            return true;
    for (int q = 0; q < set.pairs; q++)
        if (within(b, set.pair[q]) && (!paired || within(static_cast<u8>(*paired | fold), set.pair[q] + 2)))
            return true;
    return false;
}

} // namespace

const u8* FindBytePairs(const u8* p, size_t n, const BytePairRanges& set)
{
    PairTests tests(set);
    size_t i = 0;
    for (; i + 17 <= n; i += 16) {
        unsigned m = tests.Hits(p + i, p + i + 1);
        if (m)
            return p + i + LowBit(m);
    }
    for (; i < n; i++)
        if (PairHit(set, p[i], i + 1 < n ? p + i + 1 : nullptr))
            return p + i;
    return nullptr;
}

const u8* FindLastBytePairs(const u8* p, size_t n, const BytePairRanges& set)
{
    PairTests tests(set);
    size_t i = n;
    for (; i >= 17; i -= 16) {
        unsigned m = tests.Hits(p + i - 16, p + i - 17);
        if (m)
            return p + i - 16 + HighBit(m);
    }
    while (i > 0) {
        i--;
        if (PairHit(set, p[i], i > 0 ? p + i - 1 : nullptr))
            return p + i;
    }
    return nullptr;
}
