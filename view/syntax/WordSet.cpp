#include "view/syntax/WordSet.h"

#include "base/CharUtils.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

u32 FoldUnit(wchar_t unit)
{
    if (unit >= 'A' && unit <= 'Z')
        return unit + 32u;
    if (unit < 128)
        return unit;
    return static_cast<u32>(ToLowerCodePoint(unit));
}

}  // namespace

int WordSet::CompareExact(const wchar_t* a, int32 alen, const wchar_t* b, int32 blen)
{
    int32 n = alen < blen ? alen : blen;
    for (int32 i = 0; i < n; i++)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return alen == blen ? 0 : (alen < blen ? -1 : 1);
}

int WordSet::CompareFolded(const wchar_t* a, int32 alen, const wchar_t* b, int32 blen)
{
    int32 n = alen < blen ? alen : blen;
    for (int32 i = 0; i < n; i++) {
        if (a[i] == b[i])
            continue;
        u32 x = FoldUnit(a[i]);
        u32 y = FoldUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return alen == blen ? 0 : (alen < blen ? -1 : 1);
}

u32 WordSet::Fold(wchar_t unit) const
{
    return order_ == Folded ? FoldUnit(unit) : static_cast<u32>(unit);
}

namespace {

// Four units of a folded word: small letters for capital ones, where all
// four are ASCII without a branch per unit.
u64 FoldFour(u64 x)
{
    if (!(x & 0xFF80FF80FF80FF80ull)) {
        // Bit 7 of each unit: at least "A" and not past "Z".
        u64 upper = (x + 0x003F003F003F003Full) & ~(x + 0x0025002500250025ull) & 0x0080008000800080ull;
        return x | (upper >> 2);
    }
    u64 folded = 0;
    for (int k = 0; k < 4; k++)
        folded |= static_cast<u64>(FoldUnit(static_cast<wchar_t>(x >> (16 * k))) & 0xFFFF) << (16 * k);
    return folded;
}

u64 Mix(u64 h, u64 x)
{
    h = (h ^ x) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

}  // namespace

u32 WordSet::Hash(const wchar_t* chars, int32 length) const
{
    static_assert(sizeof(wchar_t) == 2, "units of 16 bits");
    const bool folded = order_ == Folded;
    u64 h = 0xCBF29CE484222325ull ^ static_cast<u64>(static_cast<u32>(length));
    int32 i = 0;
    for (; i + 4 <= length; i += 4) {
        u64 x;
        memcpy(&x, chars + i, sizeof x);
        h = Mix(h, folded ? FoldFour(x) : x);
    }
    if (i < length) {
        u64 x = 0;
        for (int32 k = 0; i + k < length; k++)
            x |= static_cast<u64>(Fold(chars[i + k]) & 0xFFFF) << (16 * k);
        h = Mix(h, x);
    }
    h *= 0xFF51AFD7ED558CCDull;
    return static_cast<u32>(h ^ (h >> 32));
}

void WordSet::BuildIndex() const
{
    const Entry* e = entries_.Data();
    int64 count = entries_.Count();
    // Entries sort by their (folded) first unit before anything else.
    int64 i = 0;
    while (i < count && e[i].length == 0)
        i++;
    for (u32 u = 0; u < 128; u++) {
        firstStart_[u] = i;
        lengths_[u] = 0;
        lasts_[u][0] = lasts_[u][1] = 0;
        for (; i < count && Fold(e[i].chars[0]) == u; i++) {
            lengths_[u] |= 1ull << (e[i].length < 63 ? e[i].length : 63);
            u32 last = Fold(e[i].chars[e[i].length - 1]) & 127;
            lasts_[u][last >> 6] |= 1ull << (last & 63);
        }
    }
    firstStart_[128] = i;
    size_t size = 16;
    while (size < static_cast<size_t>(count) * 2)
        size *= 2;
    slots_.assign(size, 0);
    for (int64 k = 0; k < count; k++) {
        size_t at = Hash(e[k].chars, e[k].length) & (size - 1);
        while (slots_[at])
            at = (at + 1) & (size - 1);
        slots_[at] = static_cast<u32>(k + 1);
    }
    // Words of 14 ASCII units at most, as the keys of the short table.
    std::vector<std::pair<u64, u64>> shorts;
    for (int64 k = 0; k < count; k++) {
        if (e[k].length == 0 || e[k].length >= kShortLimit)
            continue;
        u8 key[16] = {};
        int32 j = 0;
        for (; j < e[k].length && j < kShortLimit - 1; j++) {
            u32 u = Fold(e[k].chars[j]);
            if (u >= 128)
                break;
            key[j] = static_cast<u8>(u);
        }
        if (j < e[k].length)
            continue;
        key[15] = static_cast<u8>(j);
        u64 lo, hi;
        memcpy(&lo, key, 8);
        memcpy(&hi, key + 8, 8);
        shorts.emplace_back(lo, hi);
    }
    // About one word to a bucket; a set whose words crowd a bucket gets a
    // bigger table, a set too big for one looks every word up the long way.
    int bits = 4;
    while ((size_t{1} << bits) < shorts.size())
        bits++;
    const bool tooMany = shorts.size() > kShortTableWords;
    if (tooMany) {
        bits = 1;
        shorts.clear();
    }
    for (int tries = 0;; tries++, bits++) {
        shortShift_ = 64 - bits;
        shortBuckets_.assign(size_t{1} << bits, ShortBucket{});
        shortOverflow_.assign(size_t{1} << bits, tooMany ? 1 : 0);
        bool overflow = false;
        for (const auto& w : shorts) {
            size_t at = static_cast<size_t>(ShortHash(w.first, w.second) >> shortShift_);
            ShortBucket& bucket = shortBuckets_[at];
            int slot = 0;
            while (slot < 4 && bucket.keys[slot][15])
                slot++;
            if (slot == 4) {
                shortOverflow_[at] = 1;
                overflow = true;
                continue;
            }
            memcpy(bucket.keys[slot], &w.first, 8);
            memcpy(bucket.keys[slot] + 8, &w.second, 8);
        }
        if (!overflow || tries == 3)
            break;
    }
    indexedCount_ = count;
    indexedData_ = e;
}

void WordSet::FirstUnitRange(const wchar_t* chars, int32 length, int64& lo, int64& hi) const
{
    Index();
    lo = 0;
    hi = entries_.Count();
    if (length == 0)
        return;
    u32 first = order_ == Folded ? FoldUnit(chars[0]) : chars[0];
    if (first < 128) {
        lo = firstStart_[first];
        hi = firstStart_[first + 1];
    } else {
        lo = firstStart_[128];
    }
}

int64 WordSet::Search(const wchar_t* chars, int32 length) const
{
    const Entry* e = entries_.Data();
    int64 lo, hi;
    FirstUnitRange(chars, length, lo, hi);
    while (lo < hi) {
        int64 mid = lo + (hi - lo) / 2;
        int c = Compare(chars, length, e[mid].chars, e[mid].length);
        if (c == 0)
            return mid;
        if (c < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return -lo - 1;
}

int64 WordSet::Find(const wchar_t* chars, int32 length) const
{
    Index();
    // Most words asked about are not there: no word of that first unit has
    // their length.
    if (length > 0) {
        u32 first = Fold(chars[0]);
        if (first < 128) {
            if (!((lengths_[first] >> (length < 63 ? length : 63)) & 1))
                return -1;
            u32 last = Fold(chars[length - 1]) & 127;
            if (!((lasts_[first][last >> 6] >> (last & 63)) & 1))
                return -1;
        }
    }
    const Entry* e = entries_.Data();
    size_t mask = slots_.size() - 1;
    for (size_t at = Hash(chars, length) & mask; slots_[at]; at = (at + 1) & mask) {
        const Entry& x = e[slots_[at] - 1];
        if (x.length == length && Compare(chars, length, x.chars, x.length) == 0)
            return slots_[at] - 1;
    }
    return -1;
}

void WordSet::Add(const wchar_t* chars, int32 length)
{
    int64 i = Search(chars, length);
    if (i >= 0)
        return;
    entries_.Insert(-i - 1, Entry{chars, length});
}

void WordSet::AddAll(const Entry* words, int64 n)
{
    if (n <= 0)
        return;
    int64 old = entries_.Count();
    entries_.InsertCopies(old, words, n);
    Entry* e = entries_.Data();
    auto less = [this](const Entry& a, const Entry& b) { return Compare(a.chars, a.length, b.chars, b.length) < 0; };
    // The words already held stay ahead of equal new ones: a stable sort of
    // the new words, then a stable merge with the old.
    std::stable_sort(e + old, e + old + n, less);
    std::inplace_merge(e, e + old, e + old + n, less);
    Entry* end = std::unique(e, e + old + n, [this](const Entry& a, const Entry& b) {
        return Compare(a.chars, a.length, b.chars, b.length) == 0;
    });
    int64 kept = end - e;
    entries_.Erase(kept, old + n - kept);
}

void WordSet::AddList(const wchar_t* list)
{
    std::vector<Entry> words;
    const wchar_t* p = list;
    while (*p) {
        const wchar_t* word = p;
        while (*p && *p != ' ')
            p++;
        if (p > word)
            words.push_back(Entry{word, static_cast<int32>(p - word)});
        if (*p)
            p++;
    }
    AddAll(words.data(), static_cast<int64>(words.size()));
}
