#include "text/TextBuff.h"

#include "base/CharUtils.h"
#include "text/ProbeScan.h"

#include <windows.h>

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

// Reads one byte of every cache line of a block's room after its bytes,
// upward or downward as the scan goes. A scan that skips that room breaks
// the stream the processor's prefetcher follows from one block into the
// next (they mostly lie one after another), and then reads at a third of
// memory speed; the room is the block's own memory, so reading it is safe.
inline void TouchRoom(const TextBuff::Block* block, int64 bytes, bool downward)
{
    const u8* p = reinterpret_cast<const u8*>(block + 1);
    const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + static_cast<uintptr_t>(bytes) + 63) & ~uintptr_t(63);
    const uintptr_t end = reinterpret_cast<uintptr_t>(p) + block->capacity;
    if (first >= end)
        return;
    const uintptr_t last = (end - 1) & ~uintptr_t(63);
    u8 sink = 0;
    if (downward) {
        for (uintptr_t line = last; line >= first; line -= 64)
            sink |= *reinterpret_cast<const volatile u8*>(line);
    } else {
        for (uintptr_t line = first; line <= last; line += 64)
            sink |= *reinterpret_cast<const volatile u8*>(line);
    }
    (void)sink;
}

// The byte at offset, which lies in entries[k] (from base on) or in the
// entries after it; -1 past the last of the count.
inline int BlockByte(const TextBuff::BlockEntry* entries, int64 count, int64 k, int64 base, int64 offset)
{
    int64 rel = offset - base;
    for (; k < count; k++) {
        if (rel < entries[k].bytes)
            return entries[k].block->Bytes()[rel];
        rel -= entries[k].bytes;
    }
    return -1;
}

// Where a block's last offsets meet the next blocks: the probes of such an
// offset reach past the block's bytes, so they are read one by one.
struct Seam {
    const TextBuff::BlockEntry* entries;
    int64 count;
    int64 k;  // the block, from base on
    int64 base;
    int64 aOffset, bOffset;
    const ProbeVectors& va;
    const ProbeVectors& vb;

    // 1 when the probes accept offset c, 0 when not, -1 when they reach past
    // the end of the text.
    int Accepts(int64 c) const
    {
        const int x = BlockByte(entries, count, k, base, c + aOffset);
        if (x < 0)
            return -1;
        if (!va.Has(static_cast<u8>(x)))
            return 0;
        const int y = BlockByte(entries, count, k, base, c + bOffset);
        return y < 0 ? -1 : vb.Has(static_cast<u8>(y)) ? 1 : 0;
    }
    // The first offset of [at, to) the probes accept; to when none, -1 when
    // none and the probes of the rest reach past the end of the text.
    int64 First(int64 at, int64 to) const
    {
        for (int64 c = at; c < to; c++) {
            const int r = Accepts(c);
            if (r != 0)
                return r > 0 ? c : -1;
        }
        return to;
    }
    // The last offset of [at, to) the probes accept, -1 when none.
    int64 Last(int64 at, int64 to) const
    {
        for (int64 c = to - 1; c >= at; c--) {
            if (Accepts(c) > 0)
                return c;
        }
        return -1;
    }
};

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
    int bestWidth = 0;
    for (size_t x = 0; x < probes.size(); x++) {
        for (size_t y = x + 1; y < probes.size(); y++) {
            const SkipProbe& a = probes[x];
            const SkipProbe& b = probes[y];
            int64 seen = 0;
            for (int64 i = 0; i + std::max(a.offset, b.offset) < got; i++)
                seen += InProbe(bytes[i + a.offset], a.bytes, a.count) &&
                        InProbe(bytes[i + b.offset], b.bytes, b.count);
            // Of pairs seen alike, the one with fewer compares.
            const int width = ProbeWidth(a.bytes, a.count) + ProbeWidth(b.bytes, b.count);
            if (bestSeen < 0 || seen < bestSeen || (seen == bestSeen && width < bestWidth)) {
                bestSeen = seen;
                bestWidth = width;
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
    // Any length: making a plan samples four kilobytes, as long as a
    // window of a long phrase's search takes to scan.
    if (c.m != m || c.fold != fold || c.encoding != encoding_ || c.newLine != newLine_ ||
        std::memcmp(c.pattern.Data(), pattern, static_cast<size_t>(m) * sizeof(u32)) != 0) {
        c.m = 0;
        c.usable = MakeSkipPlan(c.plan, pattern, m, fold, from);
        c.pattern.Release();
        c.pattern.InsertCopies(0, pattern, m);
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
    SeekOffset(from);
    int64 k = current_.block;  // the block that holds c, from base on
    int64 base = current_.start;
    int64 lines = current_.lines;
    int64 c = from;
    while (c < stop) {
        const BlockEntry& e = entries_[k];
        const u8* bytes = e.block->Bytes();
        const int64 blockEnd = std::min(stop, base + e.bytes);
        // Before fastEnd every probe lies in this block: scanned in place.
        const int64 fastEnd = std::min(blockEnd, base + e.bytes - reach);
        if (c < fastEnd) {
            const int64 i = ScanProbes(false, bytes + plan.a.offset, bytes + plan.b.offset, c - base, fastEnd - base,
                                       0, va, vb, !plan.alone);
            c = base + i;
            if (c < fastEnd && plan.alone && !vb.Has(bytes[i + plan.b.offset])) {
                c++;
                continue;
            }
        }
        if (c >= fastEnd) {
            // The seam: probes reach into the blocks after this one.
            const Seam seam = {entries_, blockCount_, k, base, plan.a.offset, plan.b.offset, va, vb};
            c = seam.First(std::max(c, fastEnd), blockEnd);
            if (c < 0)
                break;  // the probes lie past the end of the text
            if (c >= blockEnd) {
                if (blockEnd == stop)
                    break;
                TouchRoom(e.block, e.bytes, false);
                base += e.bytes;
                lines += e.lineBreaks;
                k++;
                continue;
            }
        }
        int found = verify(c);
        if (found > 0)
            return c;
        if (found < 0)
            break;
        c++;
    }
    // The next window starts where this one stopped: left on the block
    // reached, it needs no walk of the index, whose nodes the scan has
    // pushed out of the cache.
    current_ = Position{k, base, lines};
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
// the start of the character that holds lower, each taken only where CharStart puts a character start, the same
// starts that stepping back character by character from `from` meets.
template <class Coder>
int64 TextBuff::SkipSearchBackward(const SkipPlan& plan, int64 from, int64 lower, bool endBefore, int64& end,
                                   const u32* pattern, int64 m, Coder coder)
{
    const int64 reach = std::max(plan.a.offset, plan.b.offset);
    const ProbeVectors va(plan.a.bytes, plan.a.count), vb(plan.b.bytes, plan.b.count);
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
    SeekOffset(from - 1);
    int64 k = current_.block;  // the block that holds hi - 1, from base on
    int64 base = current_.start;
    int64 lines = current_.lines;
    int64 hi = from;  // candidates below hi are left
    // Stepping back ends at the start of the character that holds lower;
    // read once the scan has come down to it, when its bytes are cached.
    int64 low = lower > 0 ? -1 : 0;
    for (;;) {
        if (low < 0 && (base <= lower || hi <= lower))
            low = CharStart(lower);
        if (hi <= (low < 0 ? lower : low))
            break;
        if (hi == base) {
            k--;
            base -= entries_[k].bytes;
            lines -= entries_[k].lineBreaks;
            // The room of the block before lies below this one's bytes.
            TouchRoom(entries_[k].block, entries_[k].bytes, true);
            continue;
        }
        const BlockEntry& e = entries_[k];
        const u8* bytes = e.block->Bytes();
        const int64 bottom = std::max(base, std::max(low, int64(0)));
        // Below fast every probe lies in this block: scanned in place.
        const int64 fast = std::max(bottom, std::min(hi, base + e.bytes - reach));
        int64 c = -1;
        if (hi > fast) {
            // The seam: probes reach into the blocks after this one.
            const Seam seam = {entries_, blockCount_, k, base, plan.a.offset, plan.b.offset, va, vb};
            c = seam.Last(fast, hi);
            if (c < 0) {
                hi = fast;
                continue;
            }
        } else {
            int64 i = ScanProbes(true, bytes + plan.a.offset, bytes + plan.b.offset, bottom - base, hi - base,
                                 e.bytes - reach, va, vb, !plan.alone);
            if (i == bottom - base) {
                hi = bottom;
                continue;
            }
            i--;
            if (plan.alone && !vb.Has(bytes[i + plan.b.offset])) {
                hi = base + i;
                continue;
            }
            c = base + i;
        }
        if (verify(c))
            return c;
        hi = c;
    }
    current_ = Position{k, base, lines};
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
        SkipPlan plan;
        if (CachedSkipPlan(plan, pattern, m, Fold, std::max(lower, from - kSkipSample)))
            return SkipSearchBackward(plan, from, lower, endBefore, end, pattern, m,
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
