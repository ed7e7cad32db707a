#pragma once

#include "base/Types.h"

#include <emmintrin.h>

// How far a run of ASCII characters of one kind goes, sixteen bytes a step
// with SSE2. Words and runs of punctuation end at lengths no branch
// predictor guesses: a loop testing byte after byte pays for a mispredicted
// exit on nearly every token, a test of sixteen at once only where a run is
// longer than that.
namespace AsciiSpan {

// 0xFF in every byte of x that lies in [low, high].
inline __m128i InRange(__m128i x, u8 low, u8 high)
{
    __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(low)));
    return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(static_cast<char>(high - low))), t);
}

inline __m128i Equal(__m128i x, char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); }

// ASCII letters, digits and "_"; "-" too with hyphen.
inline __m128i WordBytes(__m128i x, bool hyphen)
{
    // Or-ing in 0x20 makes capitals small and moves nothing else into a-z.
    __m128i letters = InRange(_mm_or_si128(x, _mm_set1_epi8(0x20)), 'a', 'z');
    __m128i r = _mm_or_si128(_mm_or_si128(letters, InRange(x, '0', '9')), Equal(x, '_'));
    return hyphen ? _mm_or_si128(r, Equal(x, '-')) : r;
}

inline __m128i DigitOrUnderscoreBytes(__m128i x) { return _mm_or_si128(InRange(x, '0', '9'), Equal(x, '_')); }

inline unsigned Mask(__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); }

inline int32 LowBit(unsigned m) { return __builtin_ctz(m); }

// Length of the run at p of the bytes test accepts (0xFF for each accepted
// byte of sixteen), at most limit, reading only the avail bytes from p on.
// With marked, *marked tells whether mark accepts one of the run's bytes.
template <class Test, class Mark>
inline int32 Span(const u8* p, int64 avail, int32 limit, Test test, Mark mark, bool* marked)
{
    int32 n = 0;
    unsigned seen = 0;
    while (n < limit) {
        int64 left = avail - n;
        if (left < 16) {
            // The last few bytes of a stored run, one at a time.
            if (left <= 0)
                break;
            __m128i x = _mm_set1_epi8(static_cast<char>(p[n]));
            if (!(Mask(test(x)) & 1))
                break;
            if (marked)
                seen |= Mask(mark(x)) & 1;
            n++;
            continue;
        }
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n));
        unsigned out = ~Mask(test(x)) & 0xFFFF;
        int32 k = out ? LowBit(out) : 16;
        if (k > limit - n)
            k = limit - n;
        if (marked)
            seen |= Mask(mark(x)) & ((1u << k) - 1);
        n += k;
        if (out)
            break;
    }
    if (marked)
        *marked = seen != 0;
    return n;
}

}  // namespace AsciiSpan
