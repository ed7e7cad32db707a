#include "text/TextBuff.h"

#include "base/CharUtils.h"

#include <windows.h>

#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
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

namespace {

// How often a byte turns up in text, roughly; a search skips to the rarest
// bytes of its pattern.
int ByteRank(u8 b)
{
    static const char letters[] = "etaoinsrhldcumfpgwybvkxjqz";
    if (b == ' ')
        return 255;
    if (b >= 'a' && b <= 'z')
        return 230 - 4 * static_cast<int>(strchr(letters, b) - letters);
    if (b >= 'A' && b <= 'Z')
        return 120 - 2 * static_cast<int>(strchr(letters, b + 32) - letters);
    if (b >= '0' && b <= '9')
        return 140;
    // One continuation byte belongs to few letters; their leads to many.
    if (b >= 0x80 && b <= 0xBF)
        return 80;
    // Leads of the Latin letters with marks.
    if (b >= 0xC3 && b <= 0xC5)
        return 200;
    if (b >= 0xC0)
        return 100;
    if (b == '.' || b == ',' || b == '-' || b == '/' || b == '_' || b == '\t')
        return 150;
    return 90;
}

// Code points of the basic plane from U+0080 that the search's folding
// changes, as (folded, original) pairs sorted: one pass of the system's
// lower-case mapping, the same one that folds a single character.
struct FoldSources {
    std::vector<std::pair<u32, u32>> pairs;
    bool usable = false;

    FoldSources()
    {
        std::vector<wchar_t> in, out;
        for (u32 u = 0x80; u < 0x10000; u++) {
            if (u < 0xD800 || u > 0xDFFF)
                in.push_back(static_cast<wchar_t>(u));
        }
        out.resize(in.size());
        int n = static_cast<int>(in.size());
        if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, in.data(), n, out.data(), n) != n)
            return;
        for (size_t i = 0; i < in.size(); i++) {
            if (out[i] != in[i])
                pairs.push_back({static_cast<u32>(out[i]), static_cast<u32>(in[i])});
        }
        std::sort(pairs.begin(), pairs.end());
        usable = true;
    }
};

// The codes a text character may have to match the pattern code p; false
// when they are not known or may hold line breaks, surrogates or special
// codes, which the byte skip does not handle.
bool MatchingCodes(u32 p, bool fold, std::vector<u32>& codes)
{
    codes.clear();
    auto plain = [](u32 c) { return c <= 0x10FFFF && c != 10 && c != 13 && (c < 0xD800 || c > 0xDFFF); };
    if (!plain(p))
        return false;
    if (!fold) {
        codes.push_back(p);
        return true;
    }
    // Codes beyond the plane fold through the system one by one, and codes
    // above U+10FFFF fold to U+FFFD.
    if (p >= 0x10000 || p == 0xFFFD)
        return false;
    static const FoldSources sources;
    if (!sources.usable)
        return false;
    if (static_cast<u32>(FoldSearchCode(static_cast<int32>(p))) == p)
        codes.push_back(p);
    if (p >= 'a' && p <= 'z')
        codes.push_back(p - 32);
    auto it = std::lower_bound(sources.pairs.begin(), sources.pairs.end(), std::make_pair(p, 0u));
    for (; it != sources.pairs.end() && it->first == p; ++it) {
        if (!plain(it->second))
            return false;
        codes.push_back(it->second);
    }
    return true;
}

inline __m128i LoadBytes(const u8* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The bytes of one probe, each in all sixteen lanes; a probe of fewer than
// four bytes repeats its first, so comparing more lanes than it has is exact.
struct ProbeVectors {
    __m128i v[4];
    int width;  // compares that cover the bytes: 1, 2 or 4

    explicit ProbeVectors(const u8* bytes, int n) : width(n <= 1 ? 1 : n == 2 ? 2 : 4)
    {
        for (int k = 0; k < 4; k++)
            v[k] = _mm_set1_epi8(static_cast<char>(bytes[k < n ? k : 0]));
    }
    template <int Width>
    __m128i Match(const u8* p) const
    {
        __m128i x = LoadBytes(p);
        __m128i r = _mm_cmpeq_epi8(x, v[0]);
        if (Width > 1)
            r = _mm_or_si128(r, _mm_cmpeq_epi8(x, v[1]));
        if (Width > 2)
            r = _mm_or_si128(_mm_or_si128(r, _mm_cmpeq_epi8(x, v[2])), _mm_cmpeq_epi8(x, v[3]));
        return r;
    }
};

// How far ahead of a scan the bytes are asked for: blocks are separate
// allocations a few pages long, where the processor's own prefetch loses
// its stream at every page.
constexpr int64 kPrefetchAhead = 1024;

inline void Prefetch(const u8* p, int64 ahead)
{
    // Only an address: the bytes there may not belong to us, and a prefetch
    // never faults.
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + static_cast<uintptr_t>(ahead)),
                 _MM_HINT_T0);
}

// Asks for the bytes a scan reads first in the block it comes to next: the
// first ones forward, the last ones backward.
inline void PrefetchBlock(const u8* p, int64 n, bool backward)
{
    const int64 first = backward && n > kPrefetchAhead ? n - kPrefetchAhead : 0;
    for (int64 i = first; i < n && i < first + kPrefetchAhead; i += 64)
        Prefetch(p, i);
}

// Whether the probes accept the sixteen offsets from at: both, or a alone
// when b is left for the caller to check.
template <int Width, bool Pair>
inline __m128i MatchProbes(const u8* pa, const u8* pb, int64 at, const ProbeVectors& va, const ProbeVectors& vb)
{
    if (!Pair)
        return va.Match<Width>(pa + at);
    return _mm_and_si128(va.Match<Width>(pa + at), vb.Match<Width>(pb + at));
}

// The first offset from i on that the probes accept, or where the whole
// steps of sixteen end before to; four vectors a step, one test for all.
template <int Width, bool Pair>
int64 ScanProbesOf(const u8* pa, const u8* pb, int64 i, int64 to, const ProbeVectors& va, const ProbeVectors& vb)
{
    auto match = [&](int64 at) { return MatchProbes<Width, Pair>(pa, pb, at, va, vb); };
    for (; i + 64 <= to; i += 64) {
        __m128i m0 = match(i), m1 = match(i + 16), m2 = match(i + 32), m3 = match(i + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(m0, m1), _mm_or_si128(m2, m3))) == 0)
            continue;
        u64 bits = static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m0))) |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m1))) << 16 |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m2))) << 32 |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m3))) << 48;
        return i + __builtin_ctzll(bits);
    }
    for (; i + 16 <= to; i += 16) {
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(match(i)));
        if (bits)
            return i + __builtin_ctz(bits);
    }
    return i;
}

// Backward like ScanProbesOf: below to, down to whole steps of sixteen above
// from. Returns one past the last offset the probes accept, or where the
// steps stopped, so that [from, result) remains to be looked at.
template <int Width, bool Pair>
int64 ScanProbesBackwardOf(const u8* pa, const u8* pb, int64 from, int64 to, const ProbeVectors& va,
                           const ProbeVectors& vb)
{
    auto match = [&](int64 at) { return MatchProbes<Width, Pair>(pa, pb, at, va, vb); };
    for (; to - 64 >= from; to -= 64) {
        int64 i = to - 64;
        Prefetch(pa + i, -kPrefetchAhead);
        __m128i m0 = match(i), m1 = match(i + 16), m2 = match(i + 32), m3 = match(i + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(m0, m1), _mm_or_si128(m2, m3))) == 0)
            continue;
        u64 bits = static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m0))) |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m1))) << 16 |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m2))) << 32 |
                   static_cast<u64>(static_cast<unsigned>(_mm_movemask_epi8(m3))) << 48;
        return i + 64 - __builtin_clzll(bits);
    }
    for (; to - 16 >= from; to -= 16) {
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(match(to - 16)));
        if (bits)
            return to + 16 - __builtin_clz(bits);
    }
    return to;
}

template <int Width, bool Pair>
int64 ScanProbesWith(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, const ProbeVectors& va,
                     const ProbeVectors& vb)
{
    return backward ? ScanProbesBackwardOf<Width, Pair>(pa, pb, from, to, va, vb)
                    : ScanProbesOf<Width, Pair>(pa, pb, from, to, va, vb);
}

// The scan of [from, to) that fits the probes: forward as ScanProbesOf,
// backward as ScanProbesBackwardOf; pair false looks for a's bytes alone.
int64 ScanProbes(bool backward, const u8* pa, const u8* pb, int64 from, int64 to, const ProbeVectors& va,
                 const ProbeVectors& vb, bool pair = true)
{
    switch (pair ? std::max(va.width, vb.width) : va.width + 8) {
    case 1:
        return ScanProbesWith<1, true>(backward, pa, pb, from, to, va, vb);
    case 2:
        return ScanProbesWith<2, true>(backward, pa, pb, from, to, va, vb);
    case 9:
        return ScanProbesWith<1, false>(backward, pa, pb, from, to, va, vb);
    case 10:
        return ScanProbesWith<2, false>(backward, pa, pb, from, to, va, vb);
    case 12:
        return ScanProbesWith<4, false>(backward, pa, pb, from, to, va, vb);
    default:
        return ScanProbesWith<4, true>(backward, pa, pb, from, to, va, vb);
    }
}

// Reads one byte of every cache line of a block's room after its bytes. A
// scan that skips that room breaks the stream the processor's prefetcher
// follows from one block into the next (they lie one after another), and
// then reads at a quarter of memory speed; the room is the block's own
// memory, so reading it is safe.
inline void TouchRoom(const TextBuff::Block* block, int64 bytes)
{
    const u8* p = reinterpret_cast<const u8*>(block + 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(p) + block->capacity;
    uintptr_t line = (reinterpret_cast<uintptr_t>(p) + static_cast<uintptr_t>(bytes) + 63) & ~static_cast<uintptr_t>(63);
    u8 sink = 0;
    for (; line < end; line += 64)
        sink |= *reinterpret_cast<const volatile u8*>(line);
    (void)sink;
}

inline bool InProbe(u8 b, const u8* bytes, int count)
{
    for (int k = 0; k < count; k++) {
        if (bytes[k] == b)
            return true;
    }
    return false;
}

}  // namespace

bool TextBuff::MakeSkipPlan(SkipPlan& plan, const u32* pattern, int64 m, bool fold, int64 from)
{
    // How often each byte occurs in the text where the search starts.
    u8 bytes[kSkipSample];
    const int64 got = CopyBytes(from, bytes, kSkipSample);
    int64 sample[256] = {};
    for (int64 i = 0; i < got; i++)
        sample[bytes[i]]++;
    const CodePageTable* table = CodePageTableOf(encoding_);
    std::vector<SkipProbe> probes;
    std::vector<u32> codes;
    std::vector<std::vector<u8>> forms;
    int64 offset = 0;
    for (int64 j = 0; j < m && offset < 64; j++) {
        if (!MatchingCodes(pattern[j], fold, codes) || codes.empty())
            break;
        // Every byte sequence that decodes to one of the codes.
        forms.clear();
        for (u32 c : codes) {
            std::vector<u8> f;
            if (encoding_ == EncodingUtf8) {
                wchar_t units[2];
                int n = CodePointToUtf16(static_cast<int32>(c), units);
                u8 bytes[4];
                int64 written = 0, consumed = 0;
                EncodeUtf16Text(bytes, written, 4, units, consumed, n, EncodingUtf8, newLine_, nullptr);
                f.assign(bytes, bytes + written);
                forms.push_back(f);
            } else if (IsUtf16Encoding(encoding_)) {
                wchar_t units[2];
                int n = CodePointToUtf16(static_cast<int32>(c), units);
                for (int i = 0; i < n; i++) {
                    u8 lo = static_cast<u8>(units[i] & 0xFF), hi = static_cast<u8>(units[i] >> 8);
                    f.push_back(encoding_ == EncodingUtf16BE ? hi : lo);
                    f.push_back(encoding_ == EncodingUtf16BE ? lo : hi);
                }
                forms.push_back(f);
            } else {
                for (int b = 0; b < 256; b++) {
                    u32 decoded = b < 0x80 || !table ? static_cast<u32>(b) : table->forward[b];
                    if (decoded == c)
                        forms.push_back(std::vector<u8>(1, static_cast<u8>(b)));
                }
            }
        }
        if (forms.empty())
            break;
        size_t shortest = forms[0].size(), longest = forms[0].size();
        for (const auto& f : forms) {
            shortest = std::min(shortest, f.size());
            longest = std::max(longest, f.size());
        }
        for (size_t i = 0; i < shortest; i++) {
            SkipProbe probe = {offset + static_cast<int64>(i), 0, {}};
            for (const auto& f : forms) {
                if (InProbe(f[i], probe.bytes, probe.count))
                    continue;
                if (probe.count == 4) {
                    probe.count = 0;
                    break;
                }
                probe.bytes[probe.count++] = f[i];
            }
            if (probe.count > 0)
                probes.push_back(probe);
        }
        // Later characters lie at a fixed distance only after forms of one length.
        if (shortest != longest)
            break;
        offset += static_cast<int64>(shortest);
    }
    if (probes.empty())
        return false;
    auto cost = [&sample](const SkipProbe& p) {
        int64 sum = 0;
        for (int k = 0; k < p.count; k++)
            sum += sample[p.bytes[k]] * 256 + ByteRank(p.bytes[k]);
        return sum;
    };
    // The rarest probes, and of those the pair seen together least often
    // in the sample.
    std::stable_sort(probes.begin(), probes.end(),
                     [&cost](const SkipProbe& x, const SkipProbe& y) { return cost(x) < cost(y); });
    if (probes.size() > 6)
        probes.resize(6);
    size_t bestA = 0, bestB = 0;
    int64 bestSeen = -1;
    for (size_t x = 0; x < probes.size(); x++) {
        for (size_t y = x + 1; y < probes.size(); y++) {
            const SkipProbe& a = probes[x];
            const SkipProbe& b = probes[y];
            int64 seen = 0;
            for (int64 i = 0; i + std::max(a.offset, b.offset) < got; i++)
                seen += InProbe(bytes[i + a.offset], a.bytes, a.count) &&
                        InProbe(bytes[i + b.offset], b.bytes, b.count);
            if (bestSeen < 0 || seen < bestSeen) {
                bestSeen = seen;
                bestA = x;
                bestB = y;
            }
        }
    }
    if (probes.size() == 1)
        bestB = 0;
    plan.a = probes[bestA];
    plan.b = probes[bestB];
    // Looking for one byte alone pays while it turns up less than about once
    // a kilobyte.
    int64 seen = 0;
    for (int k = 0; k < plan.a.count; k++)
        seen += sample[plan.a.bytes[k]];
    plan.alone = plan.a.count <= 2 && seen * 1024 <= got;
    return true;
}

// The offset after the character that stop falls in (stop itself when a
// character starts there), for characters read from known on.
int64 TextBuff::BoundaryAtOrAfter(int64 known, int64 stop)
{
    if (stop >= size_)
        return size_;
    int64 q = stop;
    if (IsUtf16Encoding(encoding_)) {
        q -= (q - known) & 1;
        while (q > known) {
            int u = UnitAt(q), before = UnitAt(q - 2);
            if (!((u == 10 && before == 13) || (u >= 0xDC00 && u <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF)))
                break;
            q -= 2;
        }
    } else {
        while (q > known) {
            int b = ByteAt(q);
            if (!((encoding_ == EncodingUtf8 && b >= 0x80 && b < 0xC0) || (b == 10 && ByteAt(q - 1) == 13)))
                break;
            q--;
        }
    }
    while (q < stop) {
        DecodeChar(q);
        if (charLength_ == 0)
            break;
        q += charLength_;
    }
    return q;
}

// Finds candidates by their probe bytes, sixteen offsets at a time, and
// compares only there. Probe bytes are those of characters that always start
// where a character starts, so a candidate is one of the positions that
// reading character by character from `from` meets.
bool TextBuff::CachedSkipPlan(SkipPlan& plan, const u32* pattern, int64 m, bool fold, int64 from)
{
    SkipPlanCache& c = skipCache_;
    if (m > SkipPlanCache::kMaxPattern)
        return MakeSkipPlan(plan, pattern, m, fold, from);
    if (c.m != m || c.fold != fold || c.encoding != encoding_ || c.newLine != newLine_ ||
        std::memcmp(c.pattern, pattern, static_cast<size_t>(m) * sizeof(u32)) != 0) {
        c.m = 0;
        c.usable = MakeSkipPlan(c.plan, pattern, m, fold, from);
        std::memcpy(c.pattern, pattern, static_cast<size_t>(m) * sizeof(u32));
        c.m = m;
        c.fold = fold;
        c.encoding = encoding_;
        c.newLine = newLine_;
    }
    plan = c.plan;
    return c.usable;
}

template <class Coder>
int64 TextBuff::SkipSearch(const SkipPlan& plan, int64 from, int64 stop, int64& end, const u32* pattern, int64 m,
                           Coder coder)
{
    const bool wide = IsUtf16Encoding(encoding_);
    const int64 reach = std::max(plan.a.offset, plan.b.offset);
    const ProbeVectors va(plan.a.bytes, plan.a.count), vb(plan.b.bytes, plan.b.count);
    const u8* aBytes = plan.a.bytes;
    const u8* bBytes = plan.b.bytes;
    // 1: a match at c; 0: none at c; -1: none at c or later within the window.
    auto verify = [&](int64 c) -> int {
        if (wide && ((c - from) & 1) != 0)
            return 0;
        int64 q = c;
        for (int64 j = 0; j < m; j++) {
            if (q >= stop)
                return -1;
            u32 code = static_cast<u32>(coder(DecodeChar(q)));
            if (charLength_ == 0 || code != pattern[j])
                return 0;
            q += charLength_;
        }
        end = q;
        return 1;
    };
    // The first of the n offsets from c whose probes match, c + n when none,
    // -1 when none and the probes of the rest lie past the end of the text.
    // The seam between blocks: these bytes are copied with those the probes
    // reach in the next blocks and scanned sixteen offsets at a time; n is
    // below 16 + reach, so the copy and its zero padding fit.
    u8 seam[256];
    auto seamScan = [&](int64 at, int64 n) -> int64 {
        const int64 got = CopyBytes(at, seam, n + reach);
        const int64 valid = std::min(n, got - reach);
        if (valid <= 0)
            return -1;
        const int64 steps = (valid + 15) & ~static_cast<int64>(15);
        if (steps + reach > got)
            std::memset(seam + got, 0, static_cast<size_t>(steps + reach - got));
        const u8* pa = seam + plan.a.offset;
        const u8* pb = seam + plan.b.offset;
        const int64 k = ScanProbes(false, pa, pb, 0, steps, va, vb);
        if (k < valid)
            return at + k;
        return valid < n ? -1 : at + n;
    };
    int64 c = from;
    while (c < stop) {
        SeekOffset(c);
        const BlockEntry& e = entries_[current_.block];
        const int64 base = current_.start;
        const int64 blockEnd = std::min(stop, base + e.bytes);
        const int64 fastEnd = std::min(stop, base + e.bytes - reach);
        if (c == base && current_.block + 1 < blockCount_ && fastEnd < stop) {
            const BlockEntry& next = entries_[current_.block + 1];
            PrefetchBlock(next.block->Bytes(), next.bytes, false);
        }
        bool candidate = false;
        if (c + 16 <= fastEnd) {
            // Every probe of these offsets lies in this block.
            int64 i = c - base, to = fastEnd - base;
            const u8* pa = e.block->Bytes() + plan.a.offset;
            const u8* pb = e.block->Bytes() + plan.b.offset;
            // Whole steps of sixteen; fewer offsets left go with the seam.
            // The rarest probe alone when it is rare enough to look for on
            // its own, the other checked where it turns up.
            i = ScanProbes(false, pa, pb, i, to, va, vb, !plan.alone);
            c = base + i;
            if (i < to && InProbe(pa[i], aBytes, plan.a.count)) {
                if (!InProbe(pb[i], bBytes, plan.b.count)) {
                    c++;
                    continue;
                }
                candidate = true;
            } else if (fastEnd < stop) {
                TouchRoom(e.block, e.bytes);
            }
        }
        if (!candidate) {
            if (c < blockEnd) {
                const int64 k = seamScan(c, blockEnd - c);
                if (k < 0)
                    break;  // the probes lie past the end of the text
                c = k;
            }
            if (c >= blockEnd)
                continue;
        }
        int found = verify(c);
        if (found > 0)
            return c;
        if (found < 0)
            break;
        c++;
    }
    end = BoundaryAtOrAfter(from, stop);
    return -1;
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
    SearchCoder<Fold> coder;
    SkipPlan plan;
    if (CachedSkipPlan(plan, pattern, m, Fold, from))
        return SkipSearch(plan, from, stop, end, pattern, m, [&coder](int32 c) { return coder(c); });
    std::vector<int64> f;
    BuildFailureTable(f, pattern, m);
    // Starts of the last m characters, for the start of a match.
    std::vector<int64> starts(static_cast<size_t>(m));
    u64 decoded = 0;
    int64 pos = from, k = 0;
    for (;;) {
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

// Backward like SkipSearch: candidates from the highest below from down to
// low, each taken only where CharStart puts a character start, the same
// starts that stepping back character by character from `from` meets.
template <class Coder>
int64 TextBuff::SkipSearchBackward(const SkipPlan& plan, int64 from, int64 low, bool endBefore, int64& end,
                                   const u32* pattern, int64 m, Coder coder)
{
    const int64 reach = std::max(plan.a.offset, plan.b.offset);
    const ProbeVectors va(plan.a.bytes, plan.a.count), vb(plan.b.bytes, plan.b.count);
    const u8* aBytes = plan.a.bytes;
    const u8* bBytes = plan.b.bytes;
    auto verify = [&](int64 c) {
        if (CharStart(c) != c)
            return false;
        int64 q = c;
        for (int64 j = 0; j < m; j++) {
            u32 code = static_cast<u32>(coder(DecodeChar(q)));
            if (charLength_ == 0 || code != pattern[j])
                return false;
            q += charLength_;
        }
        if (endBefore && q > from)
            return false;
        end = q;
        return true;
    };
    // The last of the n offsets from at whose probes match, or -1. As the
    // forward seam: the bytes are copied with those the probes reach in the
    // next blocks (n is below 16 + reach) and scanned sixteen offsets at a
    // time, down from the last offset whose probes lie in the text; the
    // steps may start up to fifteen offsets before at, in the front room.
    u8 seam[16 + 256] = {};
    u8* const copy = seam + 16;
    auto seamScan = [&](int64 at, int64 n) -> int64 {
        const int64 got = CopyBytes(at, copy, n + reach);
        const int64 valid = std::min(n, got - reach);
        if (valid <= 0)
            return -1;
        const int64 first = valid - ((valid + 15) & ~static_cast<int64>(15));
        const u8* pa = copy + plan.a.offset;
        const u8* pb = copy + plan.b.offset;
        const int64 r = ScanProbes(true, pa, pb, first, valid, va, vb);
        return r > first && r > 0 ? at + r - 1 : -1;
    };
    int64 hi = from;  // candidates below hi are left
    while (hi > low) {
        SeekOffset(hi - 1);
        const BlockEntry& e = entries_[current_.block];
        const int64 base = current_.start;
        const int64 bottom = std::max(base, low);
        // Below fast every probe lies in this block.
        const int64 fast = std::min(hi, base + e.bytes - reach);
        if (hi == base + e.bytes && current_.block > 0 && bottom == base) {
            const BlockEntry& previous = entries_[current_.block - 1];
            PrefetchBlock(previous.block->Bytes(), previous.bytes, true);
        }
        int64 c = -1;
        if (hi > fast || hi - bottom < 16) {
            // The seam with the next blocks, or the last few offsets down to
            // the block's start.
            const int64 first = hi > fast ? std::max(fast, bottom) : bottom;
            c = seamScan(first, hi - first);
            if (c < 0) {
                hi = first;
                continue;
            }
        } else {
            const int64 lo = bottom - base;
            int64 i = hi - base;
            const u8* pa = e.block->Bytes() + plan.a.offset;
            const u8* pb = e.block->Bytes() + plan.b.offset;
            // Whole steps of sixteen; fewer offsets left go with the seam.
            i = ScanProbes(true, pa, pb, lo, i, va, vb, !plan.alone);
            if (!(i > lo && InProbe(pa[i - 1], aBytes, plan.a.count))) {
                hi = base + i;
                continue;
            }
            i--;
            if (!InProbe(pb[i], bBytes, plan.b.count)) {
                hi = base + i;
                continue;
            }
            c = base + i;
        }
        if (verify(c))
            return c;
        hi = c;
    }
    end = low;
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
    if (from > lower) {
        // Stepping back ends at the start of the character that holds lower.
        int64 low = lower > 0 ? CharStart(lower) : 0;
        SkipPlan plan;
        if (CachedSkipPlan(plan, pattern, m, Fold, std::max(low, from - kSkipSample)))
            return SkipSearchBackward(plan, from, low, endBefore, end, pattern, m,
                                      [&coder](int32 c) { return coder(c); });
    }
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
