#include "view/syntax/WordSet.h"

#include "base/CharUtils.h"

#include <algorithm>
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

u32 WordSet::Hash(const wchar_t* chars, int32 length) const
{
    u32 h = 2166136261u ^ static_cast<u32>(length);
    for (int32 i = 0; i < length; i++)
        h = (h ^ (order_ == Folded ? FoldUnit(chars[i]) : static_cast<u32>(chars[i]))) * 16777619u;
    return h ^ (h >> 15);
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
        for (; i < count && (order_ == Folded ? FoldUnit(e[i].chars[0]) : e[i].chars[0]) == u; i++)
            lengths_[u] |= 1ull << (e[i].length < 63 ? e[i].length : 63);
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
        u32 first = order_ == Folded ? FoldUnit(chars[0]) : chars[0];
        if (first < 128 && !((lengths_[first] >> (length < 63 ? length : 63)) & 1))
            return -1;
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
