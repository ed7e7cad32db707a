// Reading along the stored runs: character columns, counted from the line
// start and along a long line from marks left by earlier counts (so that
// the status bar's column of a caret deep in a line of megabytes costs a
// few thousand bytes, not the line), and the runs a lexer reads directly.

#include "text/TextBuff.h"

#include "base/ByteScan.h"

#include <emmintrin.h>

namespace {

// Counts the characters of UTF-8 bytes from a character start, sixteen
// bytes a step, while a step holds only ASCII other than CR and whole
// two-byte sequences (leads C2 to DF): there every byte but a continuation
// starts a character. A lead in the last byte ends the step before it.
// Returns the bytes counted; adds their characters to count.
int64 CountTwoByteUtf8(const u8* p, int64 n, int64& count)
{
    const __m128i cr = _mm_set1_epi8(13);
    const __m128i belowLead = _mm_set1_epi8(static_cast<char>(0xC0));   // signed: 80..BF lie below
    const __m128i aboveC1 = _mm_set1_epi8(static_cast<char>(0xC1));
    const __m128i fromE0 = _mm_set1_epi8(static_cast<char>(0xE0));
    int64 i = 0;
    while (i + 16 <= n) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned high = static_cast<unsigned>(_mm_movemask_epi8(x));
        unsigned cont = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(x, belowLead)));
        unsigned lead = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(x, aboveC1), _mm_cmplt_epi8(x, fromE0))));
        unsigned breaks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, cr)));
        if (breaks != 0 || (high & ~(cont | lead)) != 0 || cont != ((lead << 1) & 0xFFFFu))
            break;
        int64 take = (lead & 0x8000u) ? 15 : 16;
        count += take - __builtin_popcount(cont);
        i += take;
    }
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
    DropColumnMarksFrom(start);
}

void TextBuff::DropColumnMarksFrom(int64 start)
{
    int64 keep = columnMarks_.Count();
    if (keep == 0)
        return;
    if (start < columnLine_ + kDecodeReach) {
        columnMarks_.Resize(0);
        return;
    }
    while (keep > 0 && columnMarks_.At(keep - 1).offset + kDecodeReach > start)
        keep--;
    columnMarks_.Resize(keep);
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
    bool utf16 = IsUtf16Encoding(encoding_);
    bool utf8 = encoding_ == EncodingUtf8;
    while (p < to) {
        if (!utf16) {
            // Every byte below 0x80 but CR is a character of its own (every
            // byte but CR in the 8-bit codes): skip such runs in the block.
            SeekOffset(p);
            const BlockEntry& e = entries_[current_.block];
            int64 base = current_.start;
            int64 stop = to < base + e.bytes ? to : base + e.bytes;
            const u8* bytes = e.block->Bytes() + (p - base);
            size_t n = static_cast<size_t>(stop - p);
            const u8* hit = utf8 ? FindHighOrByte(bytes, 13, n) : FindByte(bytes, 13, n);
            int64 plain = hit ? hit - bytes : static_cast<int64>(n);
            column += plain;
            p += plain;
            if (utf8 && p < stop) {
                int64 counted = CountTwoByteUtf8(bytes + plain, stop - p, column);
                p += counted;
                if (counted > 0)
                    continue;
            }
            if (p >= stop)
                continue;
        }
        int32 length;
        u32 display;
        DecodeRaw(p, length, display);
        p += length > 0 ? length : 1;
        column++;
    }
    end = p;
    return column;
}

int64 TextBuff::ColumnOf(int64 lineStart, int64 offset)
{
    int64 end;
    if (offset - lineStart < 2 * kColumnStep)
        return CountColumns(lineStart, offset, end);
    if (columnLine_ != lineStart) {
        columnMarks_.Resize(0);
        columnLine_ = lineStart;
    }
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
