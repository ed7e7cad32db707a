// Only this file is built for AVX2, and only after ScanProbes has found
// the processor has it. Headers come first so that their code stays
// plain: the linker may keep either file's copy of an inline function.
#include "text/ProbeScan.h"

#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

#include "text/ProbeScanKernel.h"

namespace {

struct Avx2Vectors {
    using Vec = __m256i;
    static constexpr int kLanes = 32;
    static constexpr int kUnroll = 2;
    static Vec Widen(__m128i x) { return _mm256_broadcastsi128_si256(x); }
    static Vec Load(const u8* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Vec LoadAligned(const u8* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static Vec Eq(Vec a, Vec b) { return _mm256_cmpeq_epi8(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static unsigned Mask(Vec x) { return static_cast<unsigned>(_mm256_movemask_epi8(x)); }
};

}  // namespace

int64 ScanProbesAvx2(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                     const ProbeVectors& va, const ProbeVectors& vb, bool pair)
{
    return ScanProbesIn<Avx2Vectors>(backward, pa, pb, from, to, bound, va, vb, pair);
}

#pragma GCC pop_options
