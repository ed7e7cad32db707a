// Reading along the stored runs: character columns, counted from the line
// start and along a long line from marks left by earlier counts (so that
// the status bar's column of a caret deep in a line of megabytes costs a
// few thousand bytes, not the line), and the runs a lexer reads directly.

#include "text/TextBuff.h"

#include "base/ByteScan.h"

namespace {

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
