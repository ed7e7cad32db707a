#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <emmintrin.h>

#include <vector>

// A sorted set of words without duplicates, searched by binary search. The
// words' characters live in the set's pool (or in static lists) and are not
// NUL-terminated. A folded set orders and searches ignoring case.
class WordSet {
public:
    enum Order : u8 { Exact, Folded };

    struct Entry {
        const wchar_t* chars;
        int32 length;
    };

    explicit WordSet(Order order = Exact) : order_(order) {}

    Order GetOrder() const { return order_; }
    int64 Count() const { return entries_.Count(); }
    const Entry& At(int64 index) const { return entries_.At(index); }

    // Adds the words of a static list of words separated by single blanks,
    // in their order.
    void AddList(const wchar_t* list);
    // Adds one word; its characters must live as long as the set. A word
    // already present is not added again.
    void Add(const wchar_t* chars, int32 length);
    // Adds many words at once: one sort instead of a sorted insert each, so
    // a syntax file of a few hundred thousand words takes no time. Of equal
    // words the one added first stays, as with Add.
    void AddAll(const Entry* words, int64 n);
    // Index of the word, or -1.
    int64 Find(const wchar_t* chars, int32 length) const;
    bool Contains(const wchar_t* chars, int32 length) const { return Find(chars, length) >= 0; }
    // Whether a word of 1 to 15 ASCII characters, the first bytes of bytes
    // (the rest may be anything), is in the set: 1 when it is, 0 when not, 2
    // when only Contains can tell (the word is kShortLimit long or longer,
    // the index is not built or the word's bucket overflowed). One bucket of a table of the short
    // ASCII words is compared without a branch on what is found, since
    // whether a word of code is a keyword is what no branch predictor
    // guesses; and nothing is called, so a lexer's quick path needs no
    // registers saved.
    static constexpr int32 kShortLimit = 15;
    int FindAscii(__m128i bytes, int32 length) const
    {
        if (length >= kShortLimit || indexedCount_ != entries_.Count() || indexedData_ != entries_.Data())
            return 2;
        // The bytes past the word cleared and the length last, as in the table.
        static const u8 kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        __m128i key = _mm_and_si128(bytes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 16 - length)));
        if (order_ == Folded) {
            __m128i t = _mm_sub_epi8(key, _mm_set1_epi8('A'));
            __m128i upper = _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8('Z' - 'A')), t);
            key = _mm_or_si128(key, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
        }
        // Bytes 14 and 15 are clear: the length goes in the last.
        key = _mm_insert_epi16(key, length << 8, 7);
        // Through memory, which 32-bit builds have as well.
        alignas(16) u64 halves[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(halves), key);
        const u64 lo = halves[0], hi = halves[1];
        size_t at = static_cast<size_t>(ShortHash(lo, hi) >> shortShift_);
        const __m128i* k = reinterpret_cast<const __m128i*>(shortBuckets_[at].keys);
        u32 m0 = static_cast<u32>(_mm_movemask_epi8(_mm_cmpeq_epi8(key, _mm_load_si128(k))));
        u32 m1 = static_cast<u32>(_mm_movemask_epi8(_mm_cmpeq_epi8(key, _mm_load_si128(k + 1))));
        u32 m2 = static_cast<u32>(_mm_movemask_epi8(_mm_cmpeq_epi8(key, _mm_load_si128(k + 2))));
        u32 m3 = static_cast<u32>(_mm_movemask_epi8(_mm_cmpeq_epi8(key, _mm_load_si128(k + 3))));
        int found = (m0 == 0xFFFF) | (m1 == 0xFFFF) | (m2 == 0xFFFF) | (m3 == 0xFFFF);
        // A bucket some word did not fit in (every bucket of a set too big
        // for the table) may hold more.
        return found | (shortOverflow_[at] << 1);
    }

    // The set keeps the pool its words point into.
    void KeepPool(const String& pool) { pool_ = pool; }

    // Orders two runs of units: negative, zero or positive.
    static int CompareExact(const wchar_t* a, int32 alen, const wchar_t* b, int32 blen);
    static int CompareFolded(const wchar_t* a, int32 alen, const wchar_t* b, int32 blen);

private:
    int Compare(const wchar_t* a, int32 alen, const wchar_t* b, int32 blen) const
    {
        return order_ == Folded ? CompareFolded(a, alen, b, blen) : CompareExact(a, alen, b, blen);
    }
    // Index of the word, or -(insertion point) - 1.
    int64 Search(const wchar_t* chars, int32 length) const;
    // The range of entries whose first unit, folded in a folded set, is
    // that of the word: every ASCII first unit has its own, the rest share
    // the one past them.
    void FirstUnitRange(const wchar_t* chars, int32 length, int64& lo, int64& hi) const;
    // Builds the index below unless it is that of the entries as they are.
    void Index() const
    {
        if (indexedCount_ != entries_.Count() || indexedData_ != entries_.Data())
            BuildIndex();
    }
    void BuildIndex() const;
    static u64 ShortHash(u64 lo, u64 hi) { return (lo * 0x9E3779B97F4A7C15ull) ^ (hi * 0xC2B2AE3D27D4EB4Full); }
    // Sets of more short words than this look them all up the long way.
    static constexpr size_t kShortTableWords = 1024;
    // A hash of the (folded) units: equal words hash alike. Four units go
    // in at a time, so a long word costs a quarter of the multiplies in
    // a row.
    u32 Hash(const wchar_t* chars, int32 length) const;
    u32 Fold(wchar_t unit) const;

    Array<Entry> entries_;
    String pool_;
    Order order_;
    // invariant: while indexedCount_ and indexedData_ are the entries'
    // count and storage, the entries whose first unit (folded when the set
    // is) is u < 128 are [firstStart_[u], firstStart_[u + 1]), the empty
    // word and those of larger first units lie below firstStart_[0] and
    // from firstStart_[128] on; bit min(length, 63) of lengths_[u] is set
    // when one of the words of first unit u is that long (and lasts_ says
    // how they end); slots_ hash every entry. Any other count or storage means unbuilt.
    mutable int64 indexedCount_ = -1;
    mutable const Entry* indexedData_ = nullptr;
    mutable int64 firstStart_[129] = {};
    mutable u64 lengths_[128] = {};
    // Bit (last unit, folded when the set is, mod 128) of lasts_[u] is set
    // when one of the words of first unit u ends with it.
    mutable u64 lasts_[128][2] = {};
    // Open addressing over the entries: each slot holds an entry's index
    // plus one, or 0; its size is a power of two, at least twice the count.
    mutable std::vector<u32> slots_;
    // The words of 1 to kShortLimit - 1 units whose (folded) units are all
    // ASCII, as their bytes with the length in the last byte, four to a
    // bucket (a power of two of them), chosen by the top bits of
    // ShortHash; a word that found its bucket full sets the bucket's
    // overflow flag, and a word not found in such a bucket is looked up the
    // long way. Built with the index.
    struct ShortBucket {
        alignas(16) u8 keys[4][16];
    };
    mutable std::vector<ShortBucket> shortBuckets_;
    mutable std::vector<u8> shortOverflow_;
    mutable int shortShift_ = 64;
};
