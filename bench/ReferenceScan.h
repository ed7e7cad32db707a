#pragma once

// The reference of every byte search: a memchr over SSE2 that runs at the
// speed memory delivers (aligned loads, 128 bytes a step, one test a step),
// as the C library of a native system does. The C runtime's memchr under
// Wine reads a byte at a time and is no measure.

#include "base/Types.h"

#include <emmintrin.h>

#include <cstdint>

inline const u8* ReferenceMemchr(const u8* p, int c, size_t n)
{
    const u8 b = static_cast<u8>(c);
    const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
    size_t i = 0;
    const size_t head = (16 - (reinterpret_cast<uintptr_t>(p) & 15)) & 15;
    for (; i < head && i < n; i++)
        if (p[i] == b)
            return p + i;
    auto at = [&](size_t k) {
        return _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(p + k)), needle);
    };
    for (; i + 128 <= n; i += 128) {
        __m128i any = _mm_or_si128(_mm_or_si128(_mm_or_si128(at(i), at(i + 16)), _mm_or_si128(at(i + 32), at(i + 48))),
                                   _mm_or_si128(_mm_or_si128(at(i + 64), at(i + 80)),
                                                _mm_or_si128(at(i + 96), at(i + 112))));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    for (; i + 16 <= n; i += 16) {
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(at(i)));
        if (m)
            return p + i + __builtin_ctz(m);
    }
    for (; i < n; i++)
        if (p[i] == b)
            return p + i;
    return nullptr;
}

// The same scan from the end back, for the backward searches: the last
// offset of c in [p, p + n), as memrchr.
inline const u8* ReferenceMemrchr(const u8* p, int c, size_t n)
{
    const u8 b = static_cast<u8>(c);
    const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
    size_t i = n;
    const size_t tail = (reinterpret_cast<uintptr_t>(p) + n) & 15;
    for (size_t k = 0; k < tail && i > 0; k++)
        if (p[--i] == b)
            return p + i;
    auto at = [&](size_t k) {
        return _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(p + k)), needle);
    };
    for (; i >= 128; i -= 128) {
        const size_t k = i - 128;
        __m128i any = _mm_or_si128(_mm_or_si128(_mm_or_si128(at(k), at(k + 16)), _mm_or_si128(at(k + 32), at(k + 48))),
                                   _mm_or_si128(_mm_or_si128(at(k + 64), at(k + 80)),
                                                _mm_or_si128(at(k + 96), at(k + 112))));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    for (; i >= 16; i -= 16) {
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(at(i - 16)));
        if (m)
            return p + i - 16 + (31 - __builtin_clz(m));
    }
    while (i > 0)
        if (p[--i] == b)
            return p + i;
    return nullptr;
}
