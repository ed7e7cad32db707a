#include "view/syntax/WordSet.h"

#include "base/CharUtils.h"

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

int64 WordSet::Search(const wchar_t* chars, int32 length) const
{
    const Entry* e = entries_.Data();
    int64 lo = 0;
    int64 hi = entries_.Count();
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
    int64 i = Search(chars, length);
    return i >= 0 ? i : -1;
}

void WordSet::Add(const wchar_t* chars, int32 length)
{
    int64 i = Search(chars, length);
    if (i >= 0)
        return;
    entries_.Insert(-i - 1, Entry{chars, length});
}

void WordSet::AddList(const wchar_t* list)
{
    const wchar_t* p = list;
    while (*p) {
        const wchar_t* word = p;
        while (*p && *p != ' ')
            p++;
        if (p > word)
            Add(word, static_cast<int32>(p - word));
        if (*p)
            p++;
    }
}
