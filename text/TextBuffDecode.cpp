#include "text/TextBuff.h"

#include "base/ByteScan.h"
#include "base/Error.h"

#include <cstring>

namespace {

// Line breaks: CR LF (-2), NUL, LF and CR.
bool IsBreakCode(int32 code)
{
    return code == -2 || code == 0 || code == 10 || code == 13;
}

// Breaks in n bytes: every NUL and LF, and every CR not followed by an LF
// (after is the byte that follows the bytes, -1 for none).
int64 CountBreakBytes(const u8* data, int64 n, int after)
{
    size_t size = static_cast<size_t>(n);
    int64 count = static_cast<int64>(CountByte(data, 0, size) + CountByte(data, 10, size));
    const u8* end = data + n;
    for (const u8* p = data; (p = FindByte(p, 13, static_cast<size_t>(end - p))) != nullptr; p++) {
        int next = p + 1 < end ? p[1] : after;
        if (next != 10)
            count++;
    }
    return count;
}

// Breaks that start in n bytes: every NUL and CR, and every LF not preceded
// by a CR (before is the byte before the bytes, -1 for none).
int64 CountBreakStartBytes(const u8* data, int64 n, int before)
{
    size_t size = static_cast<size_t>(n);
    int64 count = static_cast<int64>(CountByte(data, 0, size) + CountByte(data, 13, size));
    const u8* end = data + n;
    for (const u8* p = data; (p = FindByte(p, 10, static_cast<size_t>(end - p))) != nullptr; p++) {
        int previous = p > data ? p[-1] : before;
        if (previous != 13)
            count++;
    }
    return count;
}

}  // namespace

// ---- byte access ----

int TextBuff::ByteAtSlow(int64 offset)
{
    if (current_.block < blockCount_) {
        const BlockEntry& e = entries_[current_.block];
        int64 rel = offset - current_.start;
        if (rel >= e.bytes && current_.block + 1 < blockCount_ && rel - e.bytes < entries_[current_.block + 1].bytes) {
            // Sequential reading steps into the next block without a search.
            current_.start += e.bytes;
            current_.lines += e.lineBreaks;
            current_.block++;
            return entries_[current_.block].block->Bytes()[offset - current_.start];
        }
        if (rel < 0 && current_.block > 0 && -rel <= entries_[current_.block - 1].bytes) {
            SeekPreviousBlock();
            return entries_[current_.block].block->Bytes()[offset - current_.start];
        }
    }
    SeekOffset(offset);
    return entries_[current_.block].block->Bytes()[offset - current_.start];
}

int TextBuff::UnitAt(int64 offset)
{
    if (offset < 0 || offset + 1 >= size_)
        return -1;
    int first = ByteAt(offset), second = ByteAt(offset + 1);
    return encoding_ == EncodingUtf16BE ? (first << 8 | second) : (second << 8 | first);
}

int64 TextBuff::BlockStart(int64 index)
{
    if (current_.block == index && index < blockCount_)
        return current_.start;
    EnsureIndex();
    int64 start = 0;
    for (int64 i = index < blockCount_ ? index : blockCount_; i > 0; i -= i & -i)
        start += index_[i].bytes;
    return start;
}

// ---- decoding ----

int32 TextBuff::DecodeRaw(int64 o, int32& length, u32& display)
{
    if (o < 0 || o >= size_) {
        length = 0;
        display = 0xFFFFFFFFu;
        return -1;
    }
    if (IsUtf16Encoding(encoding_)) {
        if (o + 1 >= size_) {
            // A lone trailing byte of an odd-sized text.
            length = 1;
            display = static_cast<u32>(ByteAt(o));
            return -30;
        }
        int u = UnitAt(o);
        if (u >= 0xD800 && u <= 0xDBFF) {
            int low = o + 3 < size_ ? UnitAt(o + 2) : -1;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                length = 4;
                int32 code = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                display = static_cast<u32>(code);
                return code;
            }
            length = 2;
            display = static_cast<u32>(u);
            return -30;
        }
        if (u >= 0xDC00 && u <= 0xDFFF) {
            length = 2;
            display = static_cast<u32>(u);
            return -30;
        }
        if (u == 13 && o + 3 < size_ && UnitAt(o + 2) == 10) {
            length = 4;
            display = static_cast<u32>(-2);
            return -2;
        }
        length = 2;
        display = static_cast<u32>(u);
        return u;
    }
    int b = ByteAt(o);
    if (b < 0x80) {
        if (b == 13 && o + 1 < size_ && ByteAt(o + 1) == 10) {
            length = 2;
            display = static_cast<u32>(-2);
            return -2;
        }
        length = 1;
        display = static_cast<u32>(b);
        return b;
    }
    if (encoding_ != EncodingUtf8) {
        const CodePageTable* table = CodePageTableOf(encoding_);
        int32 code = table ? table->forward[b] : b;
        length = 1;
        display = static_cast<u32>(code);
        return code;
    }
    int need;
    int32 value;
    if ((b & 0xE0) == 0xC0) {
        need = 1;
        value = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        need = 2;
        value = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        need = 3;
        value = b & 0x07;
    } else {
        length = 1;
        display = static_cast<u32>(b);
        return -30;
    }
    for (int i = 1; i <= need; i++) {
        int c = o + i < size_ ? ByteAt(o + i) : -1;
        if (c < 0 || (c & 0xC0) != 0x80) {
            length = 1;
            display = static_cast<u32>(b);
            return -30;
        }
        value = value * 64 + (c & 0x3F);
    }
    length = 1 + need;
    // An overlong form or an encoded surrogate is no character: decoding it
    // would make line breaks that the byte counts do not see.
    static const int32 smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[need] || (value >= 0xD800 && value <= 0xDFFF)) {
        display = static_cast<u32>(b);
        return -30;
    }
    display = static_cast<u32>(value);
    return value;
}

int32 TextBuff::DecodeCharSlow(int64 offset)
{
    int32 length;
    u32 display;
    int32 code = DecodeRaw(offset, length, display);
    if (conversion_ != 0 && (code == -2 || code == 10 || code == 13)) {
        code = conversion_;
        display = static_cast<u32>(conversion_);
    }
    charLength_ = length;
    charCode_ = code;
    displayCode_ = display;
    return code;
}

int64 TextBuff::CharStart(int64 o)
{
    if (o <= 0)
        return 0;
    if (o >= size_)
        return size_;
    if (IsUtf16Encoding(encoding_)) {
        o &= ~static_cast<int64>(1);
        if (o < 2)
            return o;
        int u = UnitAt(o), before = UnitAt(o - 2);
        if (u == 10 && before == 13)
            return o - 2;
        if (u >= 0xDC00 && u <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF)
            return o - 2;
        return o;
    }
    int b = ByteAt(o);
    if (b == 10)
        return ByteAt(o - 1) == 13 ? o - 1 : o;
    if (b < 0x80 || encoding_ != EncodingUtf8)
        return o;
    int32 length;
    u32 display;
    if (DecodeRaw(o, length, display) != -30)
        return o;
    int64 limit = o - 5 > 0 ? o - 5 : 0;
    int64 q = o;
    while (q > limit && (ByteAt(q) & 0xC0) == 0x80)
        q--;
    if (ByteAt(q) < 0x80)
        return o;
    DecodeRaw(q, length, display);
    if (q + length > o)
        return q;
    return o;
}

// ---- line breaks ----

int32 TextBuff::CountBreaks8(int64 index)
{
    const BlockEntry& e = entries_[index];
    // The byte after the block decides whether a final CR pairs with an LF.
    int after = -1;
    for (int64 k = index + 1; k < blockCount_; k++) {
        if (entries_[k].bytes > 0) {
            after = entries_[k].block->Bytes()[0];
            break;
        }
    }
    return static_cast<int32>(CountBreakBytes(e.block->Bytes(), e.bytes, after));
}

int64 TextBuff::CountBreakStarts8(int64 from, int64 to)
{
    int64 count = 0;
    int before = from > 0 ? ByteAt(from - 1) : -1;
    ForEachRun(from, to, [&](const u8* data, int64 n, int64) {
        count += CountBreakStartBytes(data, n, before);
        before = data[n - 1];
        return true;
    });
    return count;
}

int32 TextBuff::CountBreaks16(int64 index, int64 start)
{
    int64 end = start + entries_[index].bytes;
    int32 count = 0;
    for (int64 q = start + (start & 1); q < end; q += 2) {
        int u = UnitAt(q);
        if (u == 0 || u == 10)
            count++;
        else if (u == 13 && UnitAt(q + 2) != 10)
            count++;
    }
    return count;
}

void TextBuff::RecountBlock(int64 index, int64 start)
{
    int32 count = IsUtf16Encoding(encoding_) ? CountBreaks16(index, start) : CountBreaks8(index);
    SetEntryLines(index, count);
}

void TextBuff::RecountBlock(int64 index)
{
    RecountBlock(index, IsUtf16Encoding(encoding_) ? BlockStart(index) : 0);
}

void TextBuff::UpdateLineCounts()
{
    if (recountSpans_ == 0)
        return;
    int64 lowest = recount_[0].first;
    bool wide = IsUtf16Encoding(encoding_);
    for (int i = 0; i < recountSpans_; i++) {
        int64 first = recount_[i].first;
        int64 last = recount_[i].last > blockCount_ ? blockCount_ : recount_[i].last;
        int64 start = wide && first < last ? BlockStart(first) : 0;
        for (int64 k = first; k < last; k++) {
            RecountBlock(k, start);
            start += entries_[k].bytes;
        }
    }
    recountSpans_ = 0;
    DropPositionsFrom(lowest);
}

int64 TextBuff::LineBreakCount()
{
    UpdateLineCounts();
    return lineBreaks_;
}

// Breaks that start in [from, to): a CR counts whether or not an LF follows
// (it starts the pair), an LF only when no CR stands before it.
int64 TextBuff::CountBreakStarts(int64 from, int64 to)
{
    int64 count = 0;
    if (IsUtf16Encoding(encoding_)) {
        int previous = UnitAt(from - 2);
        for (int64 q = from; q < to; q += 2) {
            int u = UnitAt(q);
            if (u == 0 || u == 13 || (u == 10 && previous != 13))
                count++;
            previous = u;
        }
        return count;
    }
    return CountBreakStarts8(from, to);
}

// 1 when the block starting at blockStart begins with the LF of a CR LF whose
// CR lies in the block before: the block owns that break, which starts earlier.
int64 TextBuff::PairedLineFeedAt(int64 blockStart)
{
    if (IsUtf16Encoding(encoding_)) {
        int64 q = blockStart + (blockStart & 1);
        return UnitAt(q) == 10 && UnitAt(q - 2) == 13 ? 1 : 0;
    }
    if (blockStart <= 0 || blockStart >= size_)
        return 0;
    return ByteAt(blockStart) == 10 && ByteAt(blockStart - 1) == 13 ? 1 : 0;
}

// From a block start, the offset just after the break-th break counted the
// way the blocks count them.
int64 TextBuff::OffsetAfterBreak(int64 start, int64 breaks)
{
    if (IsUtf16Encoding(encoding_)) {
        for (int64 q = start + (start & 1); q + 1 < size_; q += 2) {
            int u = UnitAt(q);
            if (u == 0 || u == 10 || (u == 13 && UnitAt(q + 2) != 10)) {
                if (--breaks == 0)
                    return q + 2;
            }
        }
        return size_;
    }
    int64 result = size_;
    ForEachRun(start, size_, [&](const u8* data, int64 n, int64 offset) {
        int after = offset + n < size_ ? ByteAt(offset + n) : -1;
        int64 here = CountBreakBytes(data, n, after);
        if (here < breaks) {
            breaks -= here;
            return true;
        }
        for (int64 i = 0; i < n; i++) {
            int c = data[i];
            if (c == 0 || c == 10 || (c == 13 && (i + 1 < n ? data[i + 1] : after) != 10)) {
                if (--breaks == 0) {
                    result = offset + i + 1;
                    break;
                }
            }
        }
        return false;
    });
    return result;
}

int64 TextBuff::LineStart(int64 line)
{
    if (line < 1)
        return 0;
    UpdateLineCounts();
    if (line > lineBreaks_)
        return size_;
    SeekLine(line);
    while (current_.block > 0 && (current_.block >= blockCount_ || current_.lines >= line))
        SeekPreviousBlock();
    return OffsetAfterBreak(current_.start, line - current_.lines);
}

int64 TextBuff::LineOfOffset(int64 offset)
{
    if (offset <= 0)
        return 0;
    UpdateLineCounts();
    if (offset >= size_)
        return lineBreaks_;
    SeekOffset(offset);
    int64 start = current_.start, lines = current_.lines;
    if (IsUtf16Encoding(encoding_))
        return lines + PairedLineFeedAt(start) + CountBreakStarts(start + (start & 1), offset);
    return lines + PairedLineFeedAt(start) + CountBreakStarts(start, offset);
}

LineColumn TextBuff::LineColumnOfOffset(int64 offset)
{
    if (offset < 0)
        offset = 0;
    if (offset > size_)
        offset = size_;
    LineColumn result;
    result.line = LineOfOffset(offset);
    result.column = ColumnOf(LineStart(result.line), offset);
    return result;
}

int64 TextBuff::LineColumnToOffset(int64 line, int64 column)
{
    int64 p = LineStart(line);
    for (int64 i = 0; i < column; i++) {
        int32 length;
        u32 display;
        int32 code = DecodeRaw(p, length, display);
        if (length == 0 || IsBreakCode(code))
            break;
        p += length;
    }
    return p;
}

// ---- UTF-16 out and in ----

int64 TextBuff::ReadUtf16(int64 offset, wchar_t* buffer, int64 room)
{
    int64 written = 0;
    while (offset < size_ && written < room) {
        int32 code = DecodeChar(offset);
        if (code == -2) {
            if (room - written < 2)
                break;
            buffer[written++] = 13;
            buffer[written++] = 10;
        } else if (code > 0x10FFFF) {
            // No surrogate pair holds it.
            buffer[written++] = 0xFFFD;
        } else if (code >= 0x10000) {
            if (room - written < 2)
                break;
            buffer[written++] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            buffer[written++] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            buffer[written++] = static_cast<wchar_t>(code < 0 ? 0xFFFD : code);
        }
        offset += charLength_;
    }
    return written;
}

int64 TextBuff::EncodedLength(const wchar_t* text, int64 n) const
{
    int64 bytes = 0, textPos = 0;
    EncodeUtf16Text(nullptr, bytes, INT64_MAX, text, textPos, n, encoding_, newLine_, nullptr);
    return bytes;
}

// ---- encoding and line ends ----

// Makes every block hold whole UTF-16 units by moving the first byte of the
// following block to the end of an odd one.
void TextBuff::EvenBlocks()
{
    for (int64 k = 0; k < blockCount_; k++) {
        if ((entries_[k].bytes & 1) == 0)
            continue;
        int64 next = k + 1;
        while (next < blockCount_ && entries_[next].bytes == 0)
            next++;
        if (next >= blockCount_)
            throw InvalidTextFormatError();
        UnshareBlock(k);
        BlockEntry* e = &entries_[k];
        if (e->bytes >= static_cast<int64>(e->block->capacity)) {
            Block* bigger = NewBlock(e->bytes + 1 + kBlockSlack);
            memcpy(bigger->Bytes(), e->block->Bytes(), static_cast<size_t>(e->bytes));
            capacity_ += bigger->capacity;
            capacity_ -= e->block->capacity;
            ReleaseBlock(e->block);
            e->block = bigger;
        }
        UnshareBlock(next);
        e = &entries_[k];
        BlockEntry& n = entries_[next];
        e->block->Bytes()[e->bytes] = n.block->Bytes()[0];
        SetEntryBytes(k, e->bytes + 1);
        memmove(n.block->Bytes(), n.block->Bytes() + 1, static_cast<size_t>(n.bytes - 1));
        SetEntryBytes(next, n.bytes - 1);
        if (n.bytes == 0)
            RemoveEntries(next, 1);
    }
}

void TextBuff::SetEncoding(EncodingId encoding)
{
    if (IsUtf16Encoding(encoding)) {
        if (size_ & 1)
            throw InvalidTextFormatError();
        try {
            EvenBlocks();
        } catch (...) {
            DropAllPositions();
            MarkForRecount(0, blockCount_ + 1);
            throw;
        }
    }
    encoding_ = encoding;
    DropAllPositions();
    MarkForRecount(0, blockCount_ + 1);
    ResetMarkers();
    NoteChange(0, size_, size_);
}

void TextBuff::DetectNewLineKind()
{
    int64 crlf = 0, lf = 0;
    if (IsUtf16Encoding(encoding_)) {
        int previous = -1;
        for (int64 q = 0; q + 1 < size_ && crlf < 10 && lf < 10; q += 2) {
            int u = UnitAt(q);
            if (u == 10)
                ++(previous == 13 ? crlf : lf);
            previous = u;
        }
    } else {
        int last = -1;
        for (int64 k = 0; k < blockCount_ && crlf < 10 && lf < 10; k++) {
            const u8* data = entries_[k].block->Bytes();
            const u8* end = data + entries_[k].bytes;
            const u8* p = data;
            while (crlf < 10 && lf < 10) {
                const u8* found = FindByte(p, 10, static_cast<size_t>(end - p));
                if (!found)
                    break;
                int before = found > data ? found[-1] : last;
                ++(before == 13 ? crlf : lf);
                p = found + 1;
            }
            if (entries_[k].bytes > 0)
                last = end[-1];
        }
    }
    newLine_ = lf > crlf ? 10 : -2;
}

// ---- writing out ----

namespace {

// Collects converted output so that the saver sees large writes.
class SaveBuffer {
public:
    explicit SaveBuffer(TextBuff::Saver& saver) : saver_(saver) {}
    void Put(const u8* bytes, int64 n)
    {
        while (n > 0) {
            int64 take = n < kSize - used_ ? n : kSize - used_;
            memcpy(data_ + used_, bytes, static_cast<size_t>(take));
            used_ += take;
            bytes += take;
            n -= take;
            if (used_ == kSize)
                Flush();
        }
    }
    void Flush()
    {
        if (used_ > 0)
            saver_.Write(data_, used_);
        used_ = 0;
    }

private:
    static constexpr int64 kSize = 0x10000;
    TextBuff::Saver& saver_;
    u8 data_[kSize];
    int64 used_ = 0;
};

}  // namespace

void TextBuff::Save(Saver& saver, int64 from, int64 to)
{
    if (from < 0)
        from = 0;
    if (to > size_)
        to = size_;
    if (from >= to)
        return;
    if (conversion_ == 0) {
        ForEachRun(from, to, [&](const u8* bytes, int64 n, int64) {
            saver.Write(bytes, n);
            return true;
        });
        return;
    }
    u8 lineEnd[4];
    int64 lineEndBytes = EncodeLineEnd(lineEnd, 4, encoding_, conversion_);
    // Kept off the stack: the staging buffer is large.
    auto buffer = new SaveBuffer(saver);
    try {
        if (IsUtf16Encoding(encoding_)) {
            for (int64 q = from; q < to; q += 2) {
                if (q + 1 >= to) {
                    u8 lone = static_cast<u8>(ByteAt(q));
                    buffer->Put(&lone, 1);
                    break;
                }
                int u = UnitAt(q);
                if (u == 10 || u == 13) {
                    if (u == 13 && q + 3 < to && UnitAt(q + 2) == 10)
                        q += 2;
                    buffer->Put(lineEnd, lineEndBytes);
                } else {
                    u8 pair[2] = {static_cast<u8>(ByteAt(q)), static_cast<u8>(ByteAt(q + 1))};
                    buffer->Put(pair, 2);
                }
            }
        } else {
            ForEachRun(from, to, [&](const u8* data, int64 n, int64 offset) {
                int64 run = 0;
                for (int64 i = 0; i < n; i++) {
                    const u8* hit = FindEitherByte(data + i, 10, 13, static_cast<size_t>(n - i));
                    if (!hit)
                        break;
                    i = hit - data;
                    u8 c = *hit;
                    buffer->Put(data + run, i - run);
                    run = i + 1;
                    // A CR before an LF is dropped; the LF writes the line end.
                    int64 next = offset + i + 1;
                    if (c == 13 && next < to && (i + 1 < n ? data[i + 1] : ByteAt(next)) == 10)
                        continue;
                    buffer->Put(lineEnd, lineEndBytes);
                }
                buffer->Put(data + run, n - run);
                return true;
            });
        }
        buffer->Flush();
    } catch (...) {
        delete buffer;
        throw;
    }
    delete buffer;
}
