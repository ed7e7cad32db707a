#include "text/TextBuff.h"

#include "base/Error.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

TextBuff::TextBuff()
{
    // Each text counts its changes from a start of its own, so that a cache
    // keyed by the count cannot take a new text at the same address for
    // the one it was made from.
    static std::atomic<u64> texts{0};
    changeCount_ = (texts.fetch_add(1) + 1) << 32;
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
    ReleaseIndex();
}

void TextBuff::Clear()
{
    ResetMarkers();
    NoteChange(0, size_, 0);
    ReleaseBlocks();
    size_ = 0;
    capacity_ = 0;
    lineBreaks_ = 0;
    recountSpans_ = 0;
    DropAllPositions();
    lineCounting_ = 1;
    encoding_ = EncodingUtf8;
    newLine_ = -2;
    conversion_ = 0;
}

// ---- block position index ----

namespace {

inline int64 LowBit(int64 i)
{
    return i & -i;
}

}  // namespace

void TextBuff::DropAllPositions()
{
    current_ = {};
}

void TextBuff::DropPositionsFrom(int64 block)
{
    if (current_.block >= block)
        current_ = {};
}

void TextBuff::ReleaseIndex()
{
    free(index_);
    index_ = nullptr;
    indexValid_ = 0;
}

void TextBuff::InvalidateIndexFrom(int64 index)
{
    if (index < indexValid_)
        indexValid_ = index < 0 ? 0 : index;
}

void TextBuff::AdjustIndex(int64 index, int64 bytes, int64 lines)
{
    for (int64 i = index + 1; i <= indexValid_; i += LowBit(i)) {
        index_[i].bytes += bytes;
        index_[i].lines += lines;
    }
}

void TextBuff::SetEntryBytes(int64 index, int64 bytes)
{
    BlockEntry& e = entries_[index];
    AdjustIndex(index, bytes - e.bytes, 0);
    e.bytes = static_cast<int32>(bytes);
}

void TextBuff::SetEntryLines(int64 index, int32 lines)
{
    BlockEntry& e = entries_[index];
    AdjustIndex(index, 0, static_cast<int64>(lines) - e.lineBreaks);
    lineBreaks_ += lines - e.lineBreaks;
    e.lineBreaks = lines;
}

// Rebuilds the nodes above the exact part: each is its own entry plus its
// children j - 1, j - 2, j - 4, ... below j, which are exact or rebuilt
// already. About two additions a node.
void TextBuff::EnsureIndex()
{
    if (indexValid_ >= blockCount_)
        return;
    for (int64 j = indexValid_ + 1; j <= blockCount_; j++) {
        IndexNode node = {entries_[j - 1].bytes, entries_[j - 1].lineBreaks};
        for (int64 c = 1; c < LowBit(j); c <<= 1) {
            node.bytes += index_[j - c].bytes;
            node.lines += index_[j - c].lines;
        }
        index_[j] = node;
    }
    indexValid_ = blockCount_;
}

// The first block whose end lies beyond target (a byte offset, or a count of
// line breaks), with its start and the line breaks before it; the end of the
// text when there is none.
TextBuff::Position TextBuff::LocateBlock(int64 target, bool byLines)
{
    EnsureIndex();
    Position p = {0, 0, 0};
    int64 step = 1;
    while (step * 2 <= blockCount_)
        step *= 2;
    for (; step > 0; step /= 2) {
        int64 next = p.block + step;
        if (next > blockCount_)
            continue;
        const IndexNode& node = index_[next];
        int64 key = byLines ? p.lines + node.lines : p.start + node.bytes;
        if (key <= target) {
            p.block = next;
            p.start += node.bytes;
            p.lines += node.lines;
        }
    }
    return p;
}

// Locates the block holding a byte offset, or the line break of a line.
void TextBuff::Seek(int64 target, bool byLines)
{
    if (current_.block < blockCount_) {
        const BlockEntry& e = entries_[current_.block];
        int64 key = byLines ? current_.lines : current_.start;
        int64 span = byLines ? e.lineBreaks : e.bytes;
        if (target >= key && target < key + span)
            return;
        // Reading on into the next block, the common case of every scan.
        if (target >= key + span && current_.block + 1 < blockCount_ &&
            target < key + span + (byLines ? entries_[current_.block + 1].lineBreaks : entries_[current_.block + 1].bytes)) {
            current_.start += e.bytes;
            current_.lines += e.lineBreaks;
            current_.block++;
            return;
        }
        // A few blocks away (a search window, the start of a line): stepping
        // along the entries beats walking the index, whose nodes a long scan
        // has pushed out of the cache.
        Position p = current_;
        for (int step = 0; step < kNearBlocks; step++) {
            if (target < key) {
                if (p.block == 0)
                    break;
                p.block--;
                const BlockEntry& before = entries_[p.block];
                p.start -= before.bytes;
                p.lines -= before.lineBreaks;
                key = byLines ? p.lines : p.start;
                if (target >= key) {
                    current_ = p;
                    return;
                }
            } else {
                const BlockEntry& here = entries_[p.block];
                p.start += here.bytes;
                p.lines += here.lineBreaks;
                p.block++;
                key = byLines ? p.lines : p.start;
                if (p.block == blockCount_)
                    break;
                span = byLines ? entries_[p.block].lineBreaks : entries_[p.block].bytes;
                if (target < key + span) {
                    current_ = p;
                    return;
                }
            }
        }
    }
    current_ = LocateBlock(target, byLines);
}

void TextBuff::SeekPreviousBlock()
{
    if (current_.block <= 0)
        return;
    current_.block--;
    current_.start -= entries_[current_.block].bytes;
    current_.lines -= entries_[current_.block].lineBreaks;
}

// ---- pending line counts ----

void TextBuff::MarkForRecount(int64 first, int64 last)
{
    if (!lineCounting_)
        return;
    if (first < 0)
        first = 0;
    if (last <= first)
        return;
    // Merge with every span it touches, then insert in order.
    int out = 0;
    Span kept[kRecountSpans + 1];
    int at = -1;
    for (int i = 0; i < recountSpans_; i++) {
        const Span& s = recount_[i];
        if (s.last < first || s.first > last) {
            if (at < 0 && s.first > last)
                at = out;
            kept[out++] = s;
        } else {
            first = s.first < first ? s.first : first;
            last = s.last > last ? s.last : last;
        }
    }
    if (at < 0)
        at = out;
    for (int i = out; i > at; i--)
        kept[i] = kept[i - 1];
    kept[at] = {first, last};
    out++;
    if (out > kRecountSpans) {
        int nearest = 0;
        for (int i = 1; i + 1 < out; i++) {
            if (kept[i + 1].first - kept[i].last < kept[nearest + 1].first - kept[nearest].last)
                nearest = i;
        }
        kept[nearest].last = kept[nearest + 1].last;
        for (int i = nearest + 1; i + 1 < out; i++)
            kept[i] = kept[i + 1];
        out--;
    }
    for (int i = 0; i < out; i++)
        recount_[i] = kept[i];
    recountSpans_ = out;
}

bool TextBuff::IsPendingRecount(int64 block) const
{
    for (int i = 0; i < recountSpans_; i++) {
        if (block >= recount_[i].first && block < recount_[i].last)
            return true;
    }
    return false;
}

// Keeps the spans on their blocks when entries are inserted or removed at
// index. Removed entries leave no span behind; their neighbours are marked
// by the change that removed them.
void TextBuff::ShiftRecountSpans(int64 index, int64 inserted, int64 removed)
{
    auto map = [&](int64 x) {
        if (x < index)
            return x;
        if (x < index + removed)
            return index;
        return x - removed + inserted;
    };
    int out = 0;
    for (int i = 0; i < recountSpans_; i++) {
        Span s = recount_[i];
        // A span that ends at the insertion point grows with it, as one that
        // holds it does.
        s.first = map(s.first);
        s.last = s.last == index && inserted > 0 ? s.last + inserted : map(s.last);
        if (s.first < s.last)
            recount_[out++] = s;
    }
    recountSpans_ = out;
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
        if (static_cast<u64>(capacity) + 1 > SIZE_MAX / sizeof(IndexNode))
            throw MemoryError();
        auto nodes = static_cast<IndexNode*>(realloc(index_, static_cast<size_t>(capacity + 1) * sizeof(IndexNode)));
        if (!nodes)
            throw MemoryError();
        index_ = nodes;
        auto entries = static_cast<BlockEntry*>(realloc(entries_, static_cast<size_t>(capacity) * sizeof(BlockEntry)));
        if (!entries)
            throw MemoryError();
        entries_ = entries;
        blockCapacity_ = capacity;
    }
    memmove(entries_ + index + n, entries_ + index, static_cast<size_t>(blockCount_ - index) * sizeof(BlockEntry));
    memset(static_cast<void*>(entries_ + index), 0, static_cast<size_t>(n) * sizeof(BlockEntry));
    blockCount_ += n;
    InvalidateIndexFrom(index);
    ShiftRecountSpans(index, n, 0);
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
    InvalidateIndexFrom(index);
    ShiftRecountSpans(index, 0, n);
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
    SetEntryBytes(index, offset);
    capacity_ += block->capacity;
}

void TextBuff::InsertInBlock(int64 index, int64 offset, const u8* bytes, int64 n)
{
    BlockEntry& e = entries_[index];
    u8* data = e.block->Bytes();
    memmove(data + offset + n, data + offset, static_cast<size_t>(e.bytes - offset));
    memcpy(data + offset, bytes, static_cast<size_t>(n));
    SetEntryBytes(index, e.bytes + n);
    size_ += n;
}

void TextBuff::RemoveInBlock(int64 index, int64 offset, int64 n)
{
    UnshareBlock(index);
    BlockEntry& e = entries_[index];
    u8* data = e.block->Bytes();
    memmove(data + offset, data + offset + n, static_cast<size_t>(e.bytes - offset - n));
    SetEntryBytes(index, e.bytes - n);
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
            SetEntryBytes(k, off);
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
    SetEntryBytes(k, e.bytes + n - (b - a));
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
    SetEntryBytes(index, r);
    size_ += r;
    if (size_ > kSizeLimit) {
        size_ -= r;
        RemoveEntries(index, 1);
        throw TextSizeLimitError();
    }
    DropAllPositions();
    // The block before may end with a CR that pairs with an LF starting this
    // one; a block still waiting for its recount gets it anyway.
    if (index > 0 && !IsPendingRecount(index - 1))
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
    index_ = other.index_;
    indexValid_ = other.indexValid_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    lineBreaks_ = other.lineBreaks_;
    lineCounting_ = other.lineCounting_;
    for (int i = 0; i < other.recountSpans_; i++)
        recount_[i] = other.recount_[i];
    recountSpans_ = other.recountSpans_;
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
    other.index_ = nullptr;
    other.indexValid_ = 0;
    other.size_ = 0;
    other.capacity_ = 0;
    other.lineBreaks_ = 0;
    other.recountSpans_ = 0;
    other.DropAllPositions();
    // Whatever read the other's blocks must see that they are gone.
    other.changeCount_++;
    other.columnMarks_.Resize(0);
    other.columnGap_ = -1;
    DropAllPositions();
    ClampMarkers();
    NoteChange(0, size_, size_);
}

void TextBuff::ShareFrom(const TextBuff& other)
{
    if (&other == this)
        return;
    BlockEntry* entries = nullptr;
    IndexNode* nodes = nullptr;
    if (other.blockCount_ > 0) {
        entries = static_cast<BlockEntry*>(malloc(static_cast<size_t>(other.blockCount_) * sizeof(BlockEntry)));
        nodes = static_cast<IndexNode*>(malloc(static_cast<size_t>(other.blockCount_ + 1) * sizeof(IndexNode)));
        if (!entries || !nodes) {
            free(entries);
            free(nodes);
            throw MemoryError();
        }
    }
    Array<Marker> markers;
    try {
        markers.Reset();
        if (other.markers_.Count() > 0)
            markers.InsertCopies(0, other.markers_.Data(), other.markers_.Count());
    } catch (...) {
        free(entries);
        free(nodes);
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
    index_ = nodes;
    indexValid_ = other.indexValid_;
    if (indexValid_ > 0)
        memcpy(nodes + 1, other.index_ + 1, static_cast<size_t>(indexValid_) * sizeof(IndexNode));
    size_ = other.size_;
    capacity_ = other.capacity_;
    lineBreaks_ = other.lineBreaks_;
    lineCounting_ = other.lineCounting_;
    for (int i = 0; i < other.recountSpans_; i++)
        recount_[i] = other.recount_[i];
    recountSpans_ = other.recountSpans_;
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
