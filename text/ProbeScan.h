#pragma once

#include "base/Types.h"

#include <emmintrin.h>

// The probes of a plain search: for a candidate offset, the bytes that may
// stand at one offset from it (a letter's cases, its lead bytes). Scans look
// for offsets whose bytes at both probes' offsets pass.

inline bool InProbe(u8 b, const u8* bytes, int count)
{
    for (int k = 0; k < count; k++) {
        if (bytes[k] == b)
            return true;
    }
    return false;
}

// The compares a probe of n bytes costs: 1 for one byte, 2 for two bytes
// one bit apart (a letter's two cases in ASCII, and often beyond: one
// compare after setting that bit), 3 for other two, 4 for more.
inline int ProbeWidth(const u8* bytes, int n)
{
    if (n <= 1)
        return 1;
    const unsigned apart = bytes[0] ^ bytes[1];
    return n > 2 ? 4 : (apart & (apart - 1)) == 0 ? 2 : 3;
}

// The bytes of one probe, each in all sixteen lanes; a probe of fewer than
// four bytes repeats its first, so comparing more lanes than it has is exact.
struct ProbeVectors {
    __m128i v[4];
    __m128i bit, folded;
    int width;  // as ProbeWidth: 1 compares v[0]; 2 compares after the bit; 3, 4 compare v
    int count;
    u8 bytes[4];

    explicit ProbeVectors(const u8* probe, int n) : count(n)
    {
        for (int k = 0; k < 4; k++) {
            bytes[k] = probe[k < n ? k : 0];
            v[k] = _mm_set1_epi8(static_cast<char>(bytes[k]));
        }
        width = ProbeWidth(probe, n);
        const u8 apart = width == 2 ? static_cast<u8>(bytes[0] ^ bytes[1]) : 0;
        bit = _mm_set1_epi8(static_cast<char>(apart));
        folded = _mm_set1_epi8(static_cast<char>(bytes[0] | apart));
    }
    bool Has(u8 b) const { return InProbe(b, bytes, count); }
};

// The scan of [from, to) for offsets the probes accept, pa and pb being the
// bytes at each probe's offset. Forward: the first such offset, or to;
// offsets from bound on may be read. Backward: one past the last, or from;
// offsets below bound may be read. pair false looks for a's bytes alone.
int64 ScanProbes(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                 const ProbeVectors& va, const ProbeVectors& vb, bool pair = true);

// The same scan in 32-byte steps; only for processors with AVX2.
int64 ScanProbesAvx2(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                     const ProbeVectors& va, const ProbeVectors& vb, bool pair);

// Scans take 32-byte steps where the processor has them, unless turned off
// here (tests run both kinds). Returns whether they take them now.
bool UseWideProbeScans(bool on);
