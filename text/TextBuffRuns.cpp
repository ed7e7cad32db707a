// Reading along the stored runs: character columns, counted from the line
// start and along a long line from marks left by earlier counts (so that
// the status bar's column of a caret deep in a line of megabytes costs a
// few thousand bytes, not the line), and the runs a lexer reads directly.

#include "text/TextBuff.h"

#include "base/ByteScan.h"

#include <emmintrin.h>

namespace {

inline __m128i Load(const u8* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Adds up the per-byte tallies of a step counter.
int64 SumBytes(__m128i tally)
{
    __m128i sums = _mm_sad_epu8(tally, _mm_setzero_si128());
    return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
}

// Counts the characters of UTF-8 bytes from a character start, sixteen
// bytes a step, while a step is plainly well formed: no CR (an LF after it
// would join it), no byte F8 or above, and its continuation bytes exactly
// those that the leads before them ask for (C0 to DF one, E0 to EF two, F0
// to F7 three). There every byte but a continuation starts a character, as
// decoding goes; overlong forms and surrogates are characters of their
// full length too. A lead whose continuations lie past the last step is
// left to the next count. Returns the bytes counted; adds their characters
// to count.
int64 CountUtf8(const u8* p, int64 n, int64& count)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstLead = _mm_set1_epi8(static_cast<char>(0xC0));  // signed: 80..BF lie below
    const __m128i lastLead = _mm_set1_epi8(static_cast<char>(0xF7));
    const __m128i wants1 = _mm_set1_epi8(static_cast<char>(0xBF));
    const __m128i wants2 = _mm_set1_epi8(static_cast<char>(0xDF));
    const __m128i wants3 = _mm_set1_epi8(static_cast<char>(0xEF));
    const __m128i cr = _mm_set1_epi8(13);
    const __m128i lastTwoByte = _mm_set1_epi8(static_cast<char>(0xDF));
    // All ones where a byte of x is a continuation exactly when a lead one,
    // two or three bytes back asks for one (then the subtraction of its
    // least lead from it is nonzero); continuation gets all ones at
    // continuation bytes.
    auto wantedOnly = [&](__m128i x, __m128i wanted, __m128i& continuation) {
        continuation = _mm_cmplt_epi8(x, firstLead);
        return _mm_xor_si128(continuation, _mm_cmpeq_epi8(wanted, zero));
    };
    auto leads = [&](__m128i x, __m128i back1, __m128i back2, __m128i back3, __m128i& continuation) {
        __m128i wanted = _mm_or_si128(_mm_subs_epu8(back1, wants1),
                                      _mm_or_si128(_mm_subs_epu8(back2, wants2), _mm_subs_epu8(back3, wants3)));
        return wantedOnly(x, wanted, continuation);
    };
    // The same, and no CR and no byte F8 or above.
    auto check = [&](__m128i x, __m128i back1, __m128i back2, __m128i back3, __m128i& continuation) {
        __m128i good = leads(x, back1, back2, back3, continuation);
        good = _mm_and_si128(good, _mm_cmpeq_epi8(_mm_min_epu8(x, lastLead), x));
        return _mm_andnot_si128(_mm_cmpeq_epi8(x, cr), good);
    };
    int64 i = 0;
    int64 continuations = 0;
    __m128i tally = zero;
    __m128i continuation;
    // The first step has no bytes before it that belong to the count.
    if (n >= 16) {
        __m128i x = Load(p);
        __m128i good = check(x, _mm_slli_si128(x, 1), _mm_slli_si128(x, 2), _mm_slli_si128(x, 3), continuation);
        if (_mm_movemask_epi8(good) == 0xFFFF) {
            tally = _mm_sub_epi8(tally, continuation);
            i = 16;
        }
    }
    // Then four steps at a time. CR, bytes F8 and above, and leads of three
    // and four bytes are looked for once a round, with the three bytes
    // before it; a tally byte grows by at most four a round: add them up
    // before 255.
    for (int rounds = 0; i > 0 && i + 64 <= n; i += 64) {
        const u8* q = p + i;
        __m128i x0 = Load(q), x1 = Load(q + 16), x2 = Load(q + 32), x3 = Load(q + 48);
        __m128i top = _mm_max_epu8(_mm_max_epu8(_mm_max_epu8(x0, x1), _mm_max_epu8(x2, x3)), Load(q - 3));
        __m128i crs = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x0, cr), _mm_cmpeq_epi8(x1, cr)),
                                   _mm_or_si128(_mm_cmpeq_epi8(x2, cr), _mm_cmpeq_epi8(x3, cr)));
        if (_mm_movemask_epi8(_mm_or_si128(top, crs)) == 0)
            continue;  // ASCII without CR, and no lead just before it
        if (_mm_movemask_epi8(_mm_andnot_si128(crs, _mm_cmpeq_epi8(_mm_min_epu8(top, lastLead), top))) != 0xFFFF)
            break;
        __m128i c0, c1, c2, c3, good;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(top, lastTwoByte), top)) == 0xFFFF) {
            // Only leads of two bytes: a continuation is wanted by the byte
            // just before it.
            good = _mm_and_si128(_mm_and_si128(wantedOnly(x0, _mm_subs_epu8(Load(q - 1), wants1), c0),
                                               wantedOnly(x1, _mm_subs_epu8(Load(q + 15), wants1), c1)),
                                 _mm_and_si128(wantedOnly(x2, _mm_subs_epu8(Load(q + 31), wants1), c2),
                                               wantedOnly(x3, _mm_subs_epu8(Load(q + 47), wants1), c3)));
        } else {
            good = _mm_and_si128(_mm_and_si128(leads(x0, Load(q - 1), Load(q - 2), Load(q - 3), c0),
                                               leads(x1, Load(q + 15), Load(q + 14), Load(q + 13), c1)),
                                 _mm_and_si128(leads(x2, Load(q + 31), Load(q + 30), Load(q + 29), c2),
                                               leads(x3, Load(q + 47), Load(q + 46), Load(q + 45), c3)));
        }
        if (_mm_movemask_epi8(good) != 0xFFFF)
            break;
        tally = _mm_sub_epi8(tally, _mm_add_epi8(_mm_add_epi8(c0, c1), _mm_add_epi8(c2, c3)));
        if (++rounds == 63) {
            continuations += SumBytes(tally);
            tally = zero;
            rounds = 0;
        }
    }
    continuations += SumBytes(tally);
    // The rest a step at a time, up to the first step that is not plain.
    for (; i > 0 && i + 16 <= n; i += 16) {
        const u8* q = p + i;
        if (_mm_movemask_epi8(check(Load(q), Load(q - 1), Load(q - 2), Load(q - 3), continuation)) != 0xFFFF)
            break;
        continuations += __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(continuation)));
    }
    if (i == 0)
        return 0;
    count += i - continuations;
    // At most one lead in the last three bytes can want bytes past them.
    for (int64 back = 1; back <= 3; back++) {
        static const u8 wants[4] = {0, 0xC0, 0xE0, 0xF0};
        if (p[i - back] >= wants[back]) {
            count--;
            return i - back;
        }
    }
    return i;
}

// Counts the characters of UTF-16 units from a character start, eight
// units a step, while a step holds no surrogate and no CR: there every unit
// is a character. Returns the bytes counted; adds their characters to count.
int64 CountUtf16(const u8* p, int64 n, bool bigEndian, int64& count)
{
    const __m128i surrogateBits = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
    const __m128i cr = _mm_set1_epi16(13);
    int64 i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i x = Load(p + i);
        if (bigEndian)
            x = _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
        __m128i bad = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(x, surrogateBits), surrogate),
                                   _mm_cmpeq_epi16(x, cr));
        if (_mm_movemask_epi8(bad) != 0)
            break;
    }
    count += i / 2;
    return i;
}

// The bytes decoding a character may read from its start on: a UTF-8 lead
// and three continuations, a CR and its LF, a UTF-16 pair or CR LF.
constexpr int64 kDecodeReach = 4;

}  // namespace

void TextBuff::NoteChange(int64 start, int64 removed, int64 inserted)
{
    change_ = {start, removed, inserted};
    changeCount_++;
    MoveColumnMarks(start, removed, inserted);
}

void TextBuff::MoveColumnMarks(int64 start, int64 removed, int64 inserted)
{
    int64 count = columnMarks_.Count();
    if (count == 0)
        return;
    // An odd change in UTF-16 moves every unit boundary after it.
    bool realign = IsUtf16Encoding(encoding_) && ((inserted - removed) & 1) != 0;
    // A change before the line moves its start; one at or after its start
    // leaves the marks after it, even right at the start, to be settled by
    // a count from the line start.
    if (start < columnLine_) {
        columnMarks_.Resize(0);
        columnGap_ = -1;
        return;
    }
    ColumnMark* marks = columnMarks_.Data();
    int64 gap = columnGap_ >= 0 ? columnGap_ : count;
    int64 keep = 0;
    while (keep < gap && marks[keep].offset + kDecodeReach <= start)
        keep++;
    // The marks past the change keep their bytes: they move with them and
    // wait for one count across the change to learn how far their columns
    // moved. Those already waiting moved by an amount not known yet, the
    // others only by this change's: when both are there only the ones
    // waiting are kept, so that all moved alike.
    int64 after = keep;
    while (after < count && marks[after].offset < start + removed)
        after++;
    if (after < gap && gap < count)
        after = gap;
    if (realign)
        after = count;
    int64 moved = count - after;
    for (int64 i = 0; i < moved; i++)
        marks[keep + i] = ColumnMark{marks[after + i].offset + inserted - removed, marks[after + i].column};
    columnMarks_.Resize(keep + moved);
    columnGap_ = moved > 0 ? keep : -1;
}

void TextBuff::SettleColumnMarks()
{
    int64 gap = columnGap_;
    columnGap_ = -1;
    if (gap < 0 || gap >= columnMarks_.Count())
        return;
    ColumnMark from = gap > 0 ? columnMarks_.At(gap - 1) : ColumnMark{columnLine_, 0};
    int64 to = columnMarks_.At(gap).offset;
    int64 end;
    int64 column = from.column + CountColumns(from.offset, to, end);
    // The waiting marks hold when the count lands on the first of them and
    // no line break came in between.
    if (end != to || CountBreakStarts(from.offset, to) != 0) {
        columnMarks_.Resize(gap);
        return;
    }
    int64 shift = column - columnMarks_.At(gap).column;
    ColumnMark* marks = columnMarks_.Data();
    for (int64 i = gap; i < columnMarks_.Count(); i++)
        marks[i].column += shift;
}

const u8* TextBuff::StoredRunAt(int64 offset, int64& start, int64& count)
{
    if (offset < 0 || offset >= size_) {
        start = offset;
        count = 0;
        return nullptr;
    }
    SeekOffset(offset);
    const BlockEntry& e = entries_[current_.block];
    start = current_.start;
    count = e.bytes;
    return e.block->Bytes();
}

// Counts the characters that start in [from, to), from a character start;
// end receives the offset after the last one counted.
int64 TextBuff::CountColumns(int64 from, int64 to, int64& end)
{
    int64 column = 0;
    int64 p = from;
    while (p < to) {
        SeekOffset(p);
        const BlockEntry& e = entries_[current_.block];
        int64 base = current_.start;
        int64 stop = to < base + e.bytes ? to : base + e.bytes;
        const u8* bytes = e.block->Bytes() + (p - base);
        int64 n = stop - p;
        if (encoding_ == EncodingUtf8) {
            p += CountUtf8(bytes, n, column);
        } else if (IsUtf16Encoding(encoding_)) {
            p += CountUtf16(bytes, n, encoding_ == EncodingUtf16BE, column);
        } else {
            // Every byte but CR is a character of its own.
            const u8* hit = FindByte(bytes, 13, static_cast<size_t>(n));
            int64 plain = hit ? hit - bytes : n;
            column += plain;
            p += plain;
        }
        if (p >= stop)
            continue;
        // Decode what the quick count could not take, at least one character
        // and on past the step it stopped at, so that text that is mostly
        // undecodable is not tried sixteen bytes at a time for each byte.
        int64 until = p + 16 < to ? p + 16 : to;
        do {
            int32 length;
            u32 display;
            DecodeRaw(p, length, display);
            p += length > 0 ? length : 1;
            column++;
        } while (p < until);
    }
    end = p;
    columnBytesCounted_ += p - from;
    return column;
}

int64 TextBuff::ColumnOf(int64 lineStart, int64 offset)
{
    int64 end;
    if (offset - lineStart < 2 * kColumnStep)
        return CountColumns(lineStart, offset, end);
    if (columnLine_ != lineStart) {
        columnMarks_.Resize(0);
        columnGap_ = -1;
        columnLine_ = lineStart;
    }
    SettleColumnMarks();
    // The last mark at or before offset.
    int64 lo = 0, hi = columnMarks_.Count();
    while (lo < hi) {
        int64 mid = lo + (hi - lo) / 2;
        if (columnMarks_.At(mid).offset <= offset)
            lo = mid + 1;
        else
            hi = mid;
    }
    ColumnMark from = lo > 0 ? columnMarks_.At(lo - 1) : ColumnMark{lineStart, 0};
    // Between marks the count goes straight on; past the last one it leaves
    // new marks behind it, each short of offset and so inside the line.
    if (lo < columnMarks_.Count())
        return from.column + CountColumns(from.offset, offset, end);
    int64 p = from.offset, column = from.column;
    while (offset - p > kColumnStep + kDecodeReach) {
        column += CountColumns(p, p + kColumnStep, end);
        p = end;
        columnMarks_.Insert(columnMarks_.Count(), ColumnMark{p, column});
    }
    return column + CountColumns(p, offset, end);
}
