#pragma once

// The probe scans, written once over a kind of vector V: its lanes
// (kLanes bytes), how many a step takes (kUnroll) and its operations. Each
// file that includes this gets its own copies, built for the instructions
// that file is compiled for.

#include "text/ProbeScan.h"

namespace {

template <class V>
struct ProbeLanes {
    using Vec = typename V::Vec;
    Vec v[4], bit, folded;

    explicit ProbeLanes(const ProbeVectors& p)
    {
        for (int k = 0; k < 4; k++)
            v[k] = V::Widen(p.v[k]);
        bit = V::Widen(p.bit);
        folded = V::Widen(p.folded);
    }
    template <int Width, bool Aligned>
    Vec Match(const u8* p) const
    {
        const Vec x = Aligned ? V::LoadAligned(p) : V::Load(p);
        if (Width == 1)
            return V::Eq(x, v[0]);
        if (Width == 2)
            return V::Eq(V::Or(x, bit), folded);
        Vec r = V::Or(V::Eq(x, v[0]), V::Eq(x, v[1]));
        if (Width > 3)
            r = V::Or(V::Or(r, V::Eq(x, v[2])), V::Eq(x, v[3]));
        return r;
    }
};

// Whether the probes accept the lanes from at: both, or a alone (WidthB 0)
// when b is left for the caller to check. Aligned when pa + at is a
// multiple of the lanes: a's loads then fold into their compares.
template <class V, int WidthA, int WidthB, bool Aligned>
inline typename V::Vec MatchProbes(const u8* pa, const u8* pb, int64 at, const ProbeLanes<V>& la,
                                   const ProbeLanes<V>& lb)
{
    if (WidthB == 0)
        return la.template Match<WidthA, Aligned>(pa + at);
    return V::And(la.template Match<WidthA, Aligned>(pa + at), lb.template Match<WidthB, false>(pb + at));
}

// How far pa + at lies past a multiple of the lanes.
template <class V>
inline int64 Skew(const u8* pa, int64 at)
{
    return static_cast<int64>(reinterpret_cast<uintptr_t>(pa + at) & (V::kLanes - 1));
}

// Whether any lane of a step's vectors is set: one test for all.
template <class V>
inline bool AnySet(const typename V::Vec* m)
{
    typename V::Vec any = m[0];
    if (V::kUnroll == 4)
        any = V::Or(V::Or(m[0], m[1]), V::Or(m[2], m[3]));
    else
        for (int j = 1; j < V::kUnroll; j++)
            any = V::Or(any, m[j]);
    return V::Mask(any) != 0;
}

template <bool Pair>
inline bool AcceptsAt(const u8* pa, const u8* pb, int64 at, const ProbeVectors& va, const ProbeVectors& vb)
{
    return va.Has(pa[at]) && (!Pair || vb.Has(pb[at]));
}

// The first offset of [i, to) that the probes accept, or to. Offsets from
// floor on may be read, so fewer than a vector's lanes left go in one step
// that overlaps those already seen.
template <class V, int WidthA, int WidthB>
int64 ScanProbesOf(const u8* pa, const u8* pb, int64 i, int64 to, int64 floor, const ProbeVectors& va,
                   const ProbeVectors& vb)
{
    constexpr int64 L = V::kLanes;
    const ProbeLanes<V> la(va), lb(vb);
    // One step from i on brings the loads of a's bytes to the lanes' multiples.
    const int64 skew = Skew<V>(pa, i);
    if (skew != 0 && i + L <= to) {
        const unsigned bits = V::Mask(MatchProbes<V, WidthA, WidthB, false>(pa, pb, i, la, lb));
        if (bits)
            return i + __builtin_ctz(bits);
        i += L - skew;
    }
    for (; i + L * V::kUnroll <= to; i += L * V::kUnroll) {
        typename V::Vec m[V::kUnroll];
        for (int j = 0; j < V::kUnroll; j++)
            m[j] = MatchProbes<V, WidthA, WidthB, true>(pa, pb, i + j * L, la, lb);
        if (!AnySet<V>(m))
            continue;
        for (int j = 0;; j++) {
            const unsigned bits = V::Mask(m[j]);
            if (bits)
                return i + j * L + __builtin_ctz(bits);
        }
    }
    for (; i + L <= to; i += L) {
        const unsigned bits = V::Mask(MatchProbes<V, WidthA, WidthB, true>(pa, pb, i, la, lb));
        if (bits)
            return i + __builtin_ctz(bits);
    }
    if (i < to && to - L >= floor) {
        const unsigned bits = V::Mask(MatchProbes<V, WidthA, WidthB, false>(pa, pb, to - L, la, lb)) >> (L - (to - i));
        return bits ? i + __builtin_ctz(bits) : to;
    }
    for (; i < to; i++) {
        if (AcceptsAt<WidthB != 0>(pa, pb, i, va, vb))
            return i;
    }
    return to;
}

// Backward like ScanProbesOf: one past the last offset of [from, to) that
// the probes accept, or from. Offsets below ceiling may be read.
template <class V, int WidthA, int WidthB>
int64 ScanProbesBackwardOf(const u8* pa, const u8* pb, int64 from, int64 to, int64 ceiling,
                           const ProbeVectors& va, const ProbeVectors& vb)
{
    constexpr int64 L = V::kLanes;
    const ProbeLanes<V> la(va), lb(vb);
    // One past the highest lane set, for a vector loaded at at.
    auto last = [](int64 at, unsigned bits) { return at + 32 - __builtin_clz(bits); };
    const int64 skew = Skew<V>(pa, to);
    if (skew != 0 && to - L >= from) {
        const unsigned bits = V::Mask(MatchProbes<V, WidthA, WidthB, false>(pa, pb, to - L, la, lb));
        if (bits)
            return last(to - L, bits);
        to -= skew;
    }
    for (; to - L * V::kUnroll >= from; to -= L * V::kUnroll) {
        const int64 i = to - L * V::kUnroll;
        typename V::Vec m[V::kUnroll];
        for (int j = 0; j < V::kUnroll; j++)
            m[j] = MatchProbes<V, WidthA, WidthB, true>(pa, pb, i + j * L, la, lb);
        if (!AnySet<V>(m))
            continue;
        for (int j = V::kUnroll - 1;; j--) {
            const unsigned bits = V::Mask(m[j]);
            if (bits)
                return last(i + j * L, bits);
        }
    }
    for (; to - L >= from; to -= L) {
        const unsigned bits = V::Mask(MatchProbes<V, WidthA, WidthB, true>(pa, pb, to - L, la, lb));
        if (bits)
            return last(to - L, bits);
    }
    if (to > from && from + L <= ceiling) {
        const unsigned bits =
            V::Mask(MatchProbes<V, WidthA, WidthB, false>(pa, pb, from, la, lb)) & ((1u << (to - from)) - 1);
        return bits ? last(from, bits) : from;
    }
    for (; to > from; to--) {
        if (AcceptsAt<WidthB != 0>(pa, pb, to - 1, va, vb))
            return to;
    }
    return from;
}

template <class V, int WidthA, int WidthB>
int64 ScanProbesWith(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                     const ProbeVectors& va, const ProbeVectors& vb)
{
    return backward ? ScanProbesBackwardOf<V, WidthA, WidthB>(pa, pb, from, to, bound, va, vb)
                    : ScanProbesOf<V, WidthA, WidthB>(pa, pb, from, to, bound, va, vb);
}

// ScanProbes with V's vectors.
template <class V>
int64 ScanProbesIn(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, int64 bound,
                   const ProbeVectors& va, const ProbeVectors& vb, bool pair)
{
    // Exact widths for the common probes of one byte or one bit apart.
    const int wide = va.width > vb.width ? va.width : vb.width;
    switch (!pair ? va.width : wide <= 2 ? va.width * 10 + vb.width : wide * 11) {
    case 1:
        return ScanProbesWith<V, 1, 0>(backward, pa, pb, from, to, bound, va, vb);
    case 2:
        return ScanProbesWith<V, 2, 0>(backward, pa, pb, from, to, bound, va, vb);
    case 3:
        return ScanProbesWith<V, 3, 0>(backward, pa, pb, from, to, bound, va, vb);
    case 4:
        return ScanProbesWith<V, 4, 0>(backward, pa, pb, from, to, bound, va, vb);
    case 11:
        return ScanProbesWith<V, 1, 1>(backward, pa, pb, from, to, bound, va, vb);
    case 12:
        return ScanProbesWith<V, 1, 2>(backward, pa, pb, from, to, bound, va, vb);
    case 21:
        return ScanProbesWith<V, 2, 1>(backward, pa, pb, from, to, bound, va, vb);
    case 22:
        return ScanProbesWith<V, 2, 2>(backward, pa, pb, from, to, bound, va, vb);
    case 33:
        return ScanProbesWith<V, 3, 3>(backward, pa, pb, from, to, bound, va, vb);
    default:
        return ScanProbesWith<V, 4, 4>(backward, pa, pb, from, to, bound, va, vb);
    }
}

}  // namespace
