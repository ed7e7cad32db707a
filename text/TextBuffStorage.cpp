#include "text/TextBuff.h"

#include "base/Error.h"

#include <cstdlib>
#include <cstring>

TextBuff::TextBuff()
{
    markers_.Reset();
}

TextBuff::~TextBuff()
{
    Clear();
}

TextBuff::Block* TextBuff::NewBlock(int64 capacity)
{
    AsInt(capacity);
    auto block = static_cast<Block*>(malloc(sizeof(Block) + static_cast<size_t>(capacity)));
    if (!block)
        throw MemoryError();
    block->refs = 1;
    block->capacity = static_cast<u32>(capacity);
    return block;
}

void TextBuff::ReleaseBlock(Block* block)
{
    if (block && --block->refs == 0)
        free(block);
}

const TextBuff::BlockEntry& TextBuff::EntryAt(int64 index) const
{
    if (index < 0 || index >= blockCount_)
        throw IndexError();
    return entries_[index];
}

void TextBuff::ReleaseBlocks()
{
    for (int64 i = 0; i < blockCount_; i++)
        ReleaseBlock(entries_[i].block);
    free(entries_);
    entries_ = nullptr;
    blockCount_ = 0;
    blockCapacity_ = 0;
}

void TextBuff::Clear()
{
    ResetMarkers();
    NoteChange(0, size_, 0);
    ReleaseBlocks();
    size_ = 0;
    capacity_ = 0;
    lineBreaks_ = 0;
    recountFirst_ = recountLast_ = 0;
    DropAllPositions();
    lineCounting_ = 1;
    encoding_ = EncodingUtf8;
    newLine_ = -2;
    conversion_ = 0;
}

// ---- position cache ----

void TextBuff::DropAllPositions()
{
    for (Position& p : cache_)
        p = {};
    current_ = {};
}

void TextBuff::DropPositionsFrom(int64 block)
{
    for (Position& p : cache_) {
        if (p.block >= block)
            p = {};
    }
    if (current_.block >= block)
        current_ = {};
}

void TextBuff::StoreCurrent()
{
    cache_[current_.block % kCacheSlots] = current_;
}

// Locates the block holding a byte offset, or the line break of a line,
// from the current block or the nearest remembered one below the target.
void TextBuff::Seek(int64 target, bool byLines)
{
    auto key = [byLines](const Position& p) { return byLines ? p.lines : p.start; };
    auto span = [this, byLines](int64 block) {
        return static_cast<int64>(byLines ? entries_[block].lineBreaks : entries_[block].bytes);
    };
    if (current_.block < blockCount_ && target >= key(current_) && target < key(current_) + span(current_.block))
        return;
    current_ = {};
    for (const Position& p : cache_) {
        if (p.block > current_.block && p.block < blockCount_ && key(p) <= target)
            current_ = p;
    }
    while (current_.block < blockCount_ && target >= key(current_) + span(current_.block)) {
        current_.start += entries_[current_.block].bytes;
        current_.lines += entries_[current_.block].lineBreaks;
        current_.block++;
    }
    StoreCurrent();
}

void TextBuff::SeekPreviousBlock()
{
    if (current_.block <= 0)
        return;
    current_.block--;
    current_.start -= entries_[current_.block].bytes;
    current_.lines -= entries_[current_.block].lineBreaks;
    StoreCurrent();
}

void TextBuff::MarkForRecount(int64 first, int64 last)
{
    if (!lineCounting_)
        return;
    if (first < 0)
        first = 0;
    if (last <= first)
        return;
    if (recountFirst_ == recountLast_) {
        recountFirst_ = first;
        recountLast_ = last;
        return;
    }
    if (first < recountFirst_)
        recountFirst_ = first;
    if (last > recountLast_)
        recountLast_ = last;
}

// ---- block vector ----

void TextBuff::InsertEntries(int64 index, int64 n)
{
    if (blockCount_ + n > blockCapacity_) {
        // Grow by at least half again, so that loading a big text does not
        // copy the vector over and over.
        int64 grow = n > 64 ? n : 64;
        if (grow < blockCapacity_ / 2)
            grow = blockCapacity_ / 2;
        int64 capacity = blockCapacity_ + grow;
        if (static_cast<u64>(capacity) > SIZE_MAX / sizeof(BlockEntry))
            throw MemoryError();
        auto entries = static_cast<BlockEntry*>(realloc(entries_, static_cast<size_t>(capacity) * sizeof(BlockEntry)));
        if (!entries)
            throw MemoryError();
        entries_ = entries;
        blockCapacity_ = capacity;
    }
    memmove(entries_ + index + n, entries_ + index, static_cast<size_t>(blockCount_ - index) * sizeof(BlockEntry));
    memset(static_cast<void*>(entries_ + index), 0, static_cast<size_t>(n) * sizeof(BlockEntry));
    blockCount_ += n;
    if (recountFirst_ != recountLast_ && index <= recountLast_)
        recountLast_ += n;
}

void TextBuff::RemoveEntries(int64 index, int64 n)
{
    if (n <= 0)
        return;
    for (int64 i = index; i < index + n; i++) {
        BlockEntry& e = entries_[i];
        lineBreaks_ -= e.lineBreaks;
        if (e.block) {
            capacity_ -= e.block->capacity;
            ReleaseBlock(e.block);
        }
    }
    memmove(entries_ + index, entries_ + index + n, static_cast<size_t>(blockCount_ - index - n) * sizeof(BlockEntry));
    blockCount_ -= n;
}

void TextBuff::UnshareBlock(int64 index)
{
    BlockEntry& e = entries_[index];
    if (e.block->refs < 2)
        return;
    Block* copy = NewBlock(e.block->capacity);
    memcpy(copy->Bytes(), e.block->Bytes(), static_cast<size_t>(e.bytes));
    e.block->refs--;
    e.block = copy;
}

void TextBuff::SplitBlock(int64 index, int64 offset)
{
    int64 tail = entries_[index].bytes - offset;
    Block* block = NewBlock(tail + kBlockSlack);
    memcpy(block->Bytes(), entries_[index].block->Bytes() + offset, static_cast<size_t>(tail));
    try {
        InsertEntries(index + 1, 1);
    } catch (...) {
        free(block);
        throw;
    }
    entries_[index + 1] = {block, static_cast<int32>(tail), 0};
    entries_[index].bytes = static_cast<int32>(offset);
    capacity_ += block->capacity;
}

void TextBuff::InsertInBlock(int64 index, int64 offset, const u8* bytes, int64 n)
{
    BlockEntry& e = entries_[index];
    u8* data = e.block->Bytes();
    memmove(data + offset + n, data + offset, static_cast<size_t>(e.bytes - offset));
    memcpy(data + offset, bytes, static_cast<size_t>(n));
    e.bytes += static_cast<int32>(n);
    size_ += n;
}

void TextBuff::RemoveInBlock(int64 index, int64 offset, int64 n)
{
    UnshareBlock(index);
    BlockEntry& e = entries_[index];
    u8* data = e.block->Bytes();
    memmove(data + offset, data + offset + n, static_cast<size_t>(e.bytes - offset - n));
    e.bytes -= static_cast<int32>(n);
}

// ---- changes ----

void TextBuff::InsertBytes(int64 a, const u8* bytes, int64 n)
{
    if (n <= 0)
        return;
    SeekOffset(a);
    if (a == current_.start && current_.block >= 1)
        SeekPreviousBlock();
    int64 k = current_.block, s = current_.start;
    if (k < blockCount_) {
        BlockEntry& e = entries_[k];
        if (e.block->refs == 1 && static_cast<int64>(e.block->capacity) - e.bytes > n) {
            DropPositionsFrom(k);
            InsertInBlock(k, a - s, bytes, n);
            MarkForRecount(k - 1, k + 2);
            MoveMarkersForInsert(a, n);
            return;
        }
        if (a < size_ && a - s > 0 && a - s < e.bytes) {
            DropPositionsFrom(k);
            SplitBlock(k, a - s);
            for (int64 j = k; j <= k + 1; j++) {
                BlockEntry& half = entries_[j];
                if (half.block->refs == 1 && static_cast<int64>(half.block->capacity) - half.bytes >= n) {
                    InsertInBlock(j, j == k ? half.bytes : 0, bytes, n);
                    MarkForRecount(k - 1, k + 3);
                    MoveMarkersForInsert(a, n);
                    return;
                }
            }
            k++;
            s = a;
        }
    }
    int64 at = (k < blockCount_ && a > s) ? k + 1 : (a == size_ ? blockCount_ : k);
    int64 pieces = (n + kPieceBytes - 1) / kPieceBytes;
    // Every block is made before the vector changes, so a failure leaves the
    // text as it was.
    auto blocks = static_cast<Block**>(calloc(static_cast<size_t>(pieces), sizeof(Block*)));
    if (!blocks)
        throw MemoryError();
    u64 added = 0;
    try {
        for (int64 i = 0; i < pieces; i++) {
            int64 piece = i + 1 < pieces ? kPieceBytes : n - i * kPieceBytes;
            blocks[i] = NewBlock(piece + kBlockSlack);
            memcpy(blocks[i]->Bytes(), bytes + i * kPieceBytes, static_cast<size_t>(piece));
            added += blocks[i]->capacity;
        }
        InsertEntries(at, pieces);
    } catch (...) {
        for (int64 i = 0; i < pieces; i++)
            free(blocks[i]);
        free(blocks);
        throw;
    }
    for (int64 i = 0; i < pieces; i++) {
        int64 piece = i + 1 < pieces ? kPieceBytes : n - i * kPieceBytes;
        entries_[at + i] = {blocks[i], static_cast<int32>(piece), 0};
    }
    free(blocks);
    DropPositionsFrom(at < k ? at : k);
    size_ += n;
    capacity_ += added;
    MarkForRecount(at - 1, at + pieces + 2);
    MoveMarkersForInsert(a, n);
}

void TextBuff::DeleteBytes(int64 a, int64 b)
{
    if (b <= a || a < 0 || b > size_)
        return;
    SeekOffset(a);
    int64 k = current_.block, s = current_.start, length = entries_[k].bytes;
    int64 off = a - s;
    DropPositionsFrom(k);
    if (b <= s + length) {
        if (b - a == length)
            RemoveEntries(k, 1);
        else
            RemoveInBlock(k, off, b - a);
        MarkForRecount(k - 1, k + 1);
    } else {
        int64 r = b - a;
        int64 first = k;
        if (off > 0) {
            entries_[k].bytes = static_cast<int32>(off);
            r -= length - off;
            first = k + 1;
        }
        int64 j = first;
        while (r > 0 && j < blockCount_) {
            if (entries_[j].bytes > r) {
                RemoveInBlock(j, 0, r);
                r = 0;
            } else {
                r -= entries_[j].bytes;
                j++;
            }
        }
        RemoveEntries(first, j - first);
        MarkForRecount(first - 1, first + 2);
    }
    size_ -= b - a;
    MoveMarkersForDelete(a, b - a);
}

void TextBuff::ReplaceInPlace(int64 k, int64 a, int64 b, const u8* bytes, int64 n)
{
    BlockEntry& e = entries_[k];
    int64 s = current_.start;
    u8* data = e.block->Bytes();
    DropPositionsFrom(k);
    memmove(data + (a - s) + n, data + (b - s), static_cast<size_t>(e.bytes - (b - s)));
    if (n > 0)
        memcpy(data + (a - s), bytes, static_cast<size_t>(n));
    e.bytes += static_cast<int32>(n - (b - a));
    size_ += n - (b - a);
    if (e.bytes == 0)
        RemoveEntries(k, 1);
    MarkForRecount(k - 1, k + 2);
    if (n > 0)
        MoveMarkersForInsert(b, n);
    if (b > a)
        MoveMarkersForDelete(a, b - a);
}

int64 TextBuff::Replace(int64 a, int64 b, const u8* bytes, int64 n)
{
    if (a > b) {
        int64 t = a;
        a = b;
        b = t;
    }
    if (a < 0 || b > size_ || n < 0)
        throw IndexError();
    if (a + (size_ - b) + n > kSizeLimit)
        throw TextSizeLimitError();
    // An odd change in UTF-16 moves the unit boundaries of everything after it.
    bool realign = IsUtf16Encoding(encoding_) && ((n - (b - a)) & 1) != 0;
    SeekOffset(a);
    int64 k = current_.block;
    if (k < blockCount_)
        UnshareBlock(k);
    if (b != a) {
        SeekOffset(b);
        if (current_.block < blockCount_)
            UnshareBlock(current_.block);
        SeekOffset(a);
    }
    if (k < blockCount_) {
        BlockEntry& e = entries_[k];
        if (b <= current_.start + e.bytes && e.block->refs == 1 &&
            n - (b - a) <= static_cast<int64>(e.block->capacity) - e.bytes) {
            ReplaceInPlace(k, a, b, bytes, n);
            if (realign)
                MarkForRecount(k - 1, blockCount_ + 1);
            NoteChange(a, b - a, n);
            return a + n;
        }
    }
    InsertBytes(a, bytes, n);
    DeleteBytes(a + n, b + n);
    if (realign) {
        SeekOffset(a);
        MarkForRecount(current_.block - 1, blockCount_ + 1);
    }
    NoteChange(a, b - a, n);
    return a + n;
}

int64 TextBuff::CopyBytes(int64 offset, u8* buffer, int64 n)
{
    if (offset < 0 || offset > size_ || n < 1)
        return 0;
    int64 copied = 0;
    int64 to = n < size_ - offset ? offset + n : size_;
    ForEachRun(offset, to, [&](const u8* bytes, int64 count, int64) {
        memcpy(buffer + copied, bytes, static_cast<size_t>(count));
        copied += count;
        return true;
    });
    return copied;
}

// ---- loading, taking over, sharing ----

int64 TextBuff::LoadPiece(Loader& loader)
{
    Block* block = NewBlock(kPieceBytes + kBlockSlack);
    try {
        InsertEntries(blockCount_, 1);
    } catch (...) {
        free(block);
        throw;
    }
    int64 index = blockCount_ - 1;
    entries_[index] = {block, 0, 0};
    capacity_ += block->capacity;
    int64 r = loader.Read(block->Bytes(), kPieceBytes);
    if (r <= 0) {
        RemoveEntries(index, 1);
        return r;
    }
    if (r > kPieceBytes)
        r = kPieceBytes;
    entries_[index].bytes = static_cast<int32>(r);
    size_ += r;
    if (size_ > kSizeLimit) {
        size_ -= r;
        RemoveEntries(index, 1);
        throw TextSizeLimitError();
    }
    DropAllPositions();
    // The block before may end with a CR that pairs with an LF starting this
    // one; a block still waiting for its recount gets it anyway.
    if (index > 0 && (index - 1 < recountFirst_ || index - 1 >= recountLast_))
        RecountBlock(index - 1);
    MarkForRecount(index, index + 1);
    ResetMarkers();
    return r;
}

void TextBuff::FinishLoad()
{
    UpdateLineCounts();
    DetectNewLineKind();
    DropAllPositions();
    NoteChange(0, 0, size_);
}

void TextBuff::Load(Loader& loader)
{
    try {
        while (LoadPiece(loader) > 0) {
        }
        FinishLoad();
    } catch (...) {
        Clear();
        throw;
    }
}

void TextBuff::TakeFrom(TextBuff& other)
{
    if (&other == this)
        return;
    ReleaseBlocks();
    entries_ = other.entries_;
    blockCount_ = other.blockCount_;
    blockCapacity_ = other.blockCapacity_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    lineBreaks_ = other.lineBreaks_;
    lineCounting_ = other.lineCounting_;
    recountFirst_ = other.recountFirst_;
    recountLast_ = other.recountLast_;
    encoding_ = other.encoding_;
    newLine_ = other.newLine_;
    conversion_ = other.conversion_;
    if (!markers_.SameHeader(other.markers_)) {
        markers_ = static_cast<Array<Marker>&&>(other.markers_);
    } else {
        // The other lets go of the table: clearing or destroying it later must
        // not reset the markers that now belong to this text.
        other.markers_.Release();
    }
    other.entries_ = nullptr;
    other.blockCount_ = other.blockCapacity_ = 0;
    other.size_ = 0;
    other.capacity_ = 0;
    other.lineBreaks_ = 0;
    other.recountFirst_ = other.recountLast_ = 0;
    other.DropAllPositions();
    // Whatever read the other's blocks must see that they are gone.
    other.changeCount_++;
    other.DropColumnMarksFrom(0);
    DropAllPositions();
    ClampMarkers();
    NoteChange(0, size_, size_);
}

void TextBuff::ShareFrom(const TextBuff& other)
{
    if (&other == this)
        return;
    BlockEntry* entries = nullptr;
    if (other.blockCount_ > 0) {
        entries = static_cast<BlockEntry*>(malloc(static_cast<size_t>(other.blockCount_) * sizeof(BlockEntry)));
        if (!entries)
            throw MemoryError();
    }
    Array<Marker> markers;
    try {
        markers.Reset();
        if (other.markers_.Count() > 0)
            markers.InsertCopies(0, other.markers_.Data(), other.markers_.Count());
    } catch (...) {
        free(entries);
        throw;
    }
    int64 oldSize = size_;
    ReleaseBlocks();
    if (other.blockCount_ > 0)
        memcpy(entries, other.entries_, static_cast<size_t>(other.blockCount_) * sizeof(BlockEntry));
    for (int64 i = 0; i < other.blockCount_; i++)
        entries[i].block->refs++;
    entries_ = entries;
    blockCount_ = blockCapacity_ = other.blockCount_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    lineBreaks_ = other.lineBreaks_;
    lineCounting_ = other.lineCounting_;
    recountFirst_ = other.recountFirst_;
    recountLast_ = other.recountLast_;
    encoding_ = other.encoding_;
    newLine_ = other.newLine_;
    conversion_ = other.conversion_;
    markers_ = static_cast<Array<Marker>&&>(markers);
    DropAllPositions();
    NoteChange(0, oldSize, size_);
}

void TextBuff::ShareMarkerTable(const TextBuff& other)
{
    markers_.Assign(other.markers_);
}

// ---- markers ----

int64 TextBuff::AddMarker(u32 kind)
{
    int64 count = markers_.Count();
    if (count > kMaxMarkers)
        throw InternalError();
    Marker* m = markers_.Data();
    for (int64 i = 0; i < count; i++) {
        if (m[i].kind == FreeMarkerKind) {
            m[i] = {kind, 0, 0};
            return i;
        }
    }
    markers_.Insert(count, Marker{kind, 0, 0});
    return count;
}

int64 TextBuff::AddMovingMarker()
{
    return AddMarker(MovingMarker);
}

int64 TextBuff::AddStayingMarker()
{
    return AddMarker(StayingMarker);
}

void TextBuff::SetMarker(int64 index, int64 position)
{
    Marker& m = markers_.At(index);
    m.position = position < 0 ? 0 : position > size_ ? size_ : position;
}

void TextBuff::FreeMarker(int64 index)
{
    if (index < 0 || index >= markers_.Count())
        return;
    Marker& m = markers_.At(index);
    m.kind = FreeMarkerKind;
    m.position = -1;
}

int64 TextBuff::MarkerPosition(int64 index) const
{
    return markers_.At(index).position;
}

TextBuff::Marker TextBuff::GetMarker(int64 index) const
{
    return markers_.At(index);
}

void TextBuff::ResetMarkers()
{
    Marker* m = markers_.Data();
    for (int64 i = 0, count = markers_.Count(); i < count; i++) {
        if (m[i].kind != FreeMarkerKind) {
            m[i].position = 0;
            m[i].collapsed = 1;
        }
    }
}

void TextBuff::ClampMarkers()
{
    Marker* m = markers_.Data();
    for (int64 i = 0, count = markers_.Count(); i < count; i++) {
        if (m[i].kind == FreeMarkerKind)
            continue;
        if (m[i].position > size_)
            m[i].position = size_;
        else if (m[i].position < 0)
            m[i].position = 0;
    }
}

void TextBuff::MoveMarkersForInsert(int64 p, int64 n)
{
    Marker* m = markers_.Data();
    for (int64 i = 0, count = markers_.Count(); i < count; i++) {
        Marker& mk = m[i];
        if (mk.position < p)
            continue;
        if (mk.kind == FreeMarkerKind)
            mk.position = -1;
        else if (mk.kind == MovingMarker || mk.position > p)
            mk.position += n;
    }
}

void TextBuff::MoveMarkersForDelete(int64 p, int64 n)
{
    int64 e = p + n;
    Marker* m = markers_.Data();
    for (int64 i = 0, count = markers_.Count(); i < count; i++) {
        Marker& mk = m[i];
        if (mk.position < p)
            continue;
        if (mk.kind == FreeMarkerKind) {
            mk.position = -1;
        } else if (mk.kind == StayingMarker) {
            if (mk.position > e) {
                mk.position -= n;
            } else if (mk.position > p) {
                mk.position = p;
                mk.collapsed = 1;
            }
        } else if (mk.position >= e) {
            mk.position -= n;
        } else {
            mk.position = p;
            mk.collapsed = 1;
        }
    }
}
