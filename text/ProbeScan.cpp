#include "text/ProbeScan.h"

#include "text/ProbeScanKernel.h"

#include <atomic>

namespace {

struct Sse2Vectors {
    using Vec = __m128i;
    static constexpr int kLanes = 16;
    static constexpr int kUnroll = 4;
    static Vec Widen(__m128i x) { return x; }
    static Vec Load(const u8* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Vec LoadAligned(const u8* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static Vec Eq(Vec a, Vec b) { return _mm_cmpeq_epi8(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static unsigned Mask(Vec x) { return static_cast<unsigned>(_mm_movemask_epi8(x)); }
};

bool HasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

// -1 until the processor has been asked.
std::atomic<int> wideScans{-1};

bool WideScans()
{
    int wide = wideScans.load(std::memory_order_relaxed);
    if (wide < 0) {
        wide = HasAvx2() ? 1 : 0;
        wideScans.store(wide, std::memory_order_relaxed);
    }
    return wide != 0;
}

}  // namespace

int64 ScanProbes(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                 const ProbeVectors& va, const ProbeVectors& vb, bool pair)
{
    // Two 16-byte compares and more a step keep the processor busier than
    // memory: wider steps let the scan keep up with it.
    if (WideScans())
        return ScanProbesAvx2(backward, pa, pb, from, to, bound, va, vb, pair);
    return ScanProbesIn<Sse2Vectors>(backward, pa, pb, from, to, bound, va, vb, pair);
}

bool UseWideProbeScans(bool on)
{
    const bool wide = on && HasAvx2();
    wideScans.store(wide ? 1 : 0, std::memory_order_relaxed);
    return wide;
}
