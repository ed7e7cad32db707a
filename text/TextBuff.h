#pragma once

#include "base/Array.h"
#include "base/Types.h"
#include "text/Encoding.h"

// Line and character column of a byte offset.
struct LineColumn {
    int64 line;
    int64 column;
};

// One text as the raw bytes of its encoding, held in blocks that may be
// shared copy-on-write with other buffers (autosave snapshots). Keeps
// per-block line-break counts, an index of block positions that survives
// edits, markers that follow every change, and the last change.
class TextBuff {
public:
    // Heap block shared by reference count; the bytes follow the header.
    // Sixteen bytes long, so that the bytes start where the 64-bit heap
    // aligns: a scan of a whole block then runs in aligned steps to its end.
    struct Block {
        u32 refs;
        u32 capacity;
        u64 unused;
        u8* Bytes() { return reinterpret_cast<u8*>(this + 1); }
    };
    static_assert(sizeof(Block) == 16, "the bytes follow a 16-byte header");

    struct BlockEntry {
        Block* block;
        int32 bytes;
        int32 lineBreaks;
    };

    // A located block: its index, its first byte and the line breaks before it.
    struct Position {
        int64 block;
        int64 start;
        int64 lines;
    };

    enum MarkerKind : u32 { FreeMarkerKind = 0, StayingMarker = 1, MovingMarker = 2 };

    struct Marker {
        u32 kind;
        u32 collapsed;
        int64 position;
    };

    struct Change {
        int64 start;
        int64 removed;
        int64 inserted;
    };

    // Byte source of Load. Read returns the bytes delivered; 0 or less ends.
    class Loader {
    public:
        virtual int64 Read(u8* buffer, int64 n) = 0;

    protected:
        ~Loader() = default;
    };

    // Byte sink of Save.
    class Saver {
    public:
        virtual void Write(const u8* bytes, int64 n) = 0;

    protected:
        ~Saver() = default;
    };

    static constexpr int64 kSizeLimit = 0x200000000LL;  // 8 GiB
    static constexpr int64 kPieceBytes = 7168;
    static constexpr int64 kBlockSlack = 768;
    static constexpr int kRecountSpans = 8;
    static constexpr int64 kMaxMarkers = 100000000;
    static constexpr int64 kBackwardBeforeWindow = 100000;
    // Bytes between column marks along a long line.
    static constexpr int64 kColumnStep = 4096;
    // How many blocks a seek steps along before it walks the index.
    static constexpr int kNearBlocks = 32;

    TextBuff();
    ~TextBuff();
    TextBuff(const TextBuff&) = delete;
    TextBuff& operator=(const TextBuff&) = delete;

    // ---- storage ----
    void Clear();
    // Replaces [a, b) (ends in either order) by n bytes; returns the end of
    // the inserted bytes. IndexError unless both ends lie in 0..size.
    int64 Replace(int64 a, int64 b, const u8* bytes, int64 n);
    int64 CopyBytes(int64 offset, u8* buffer, int64 n);
    // The stored bytes of the block that holds offset: count of them from
    // start on, valid until the text changes; null past the end.
    const u8* StoredRunAt(int64 offset, int64& start, int64& count);
    void Load(Loader& loader);
    void TakeFrom(TextBuff& other);
    void ShareFrom(const TextBuff& other);
    // Makes this buffer hold the other's marker table (one shared handle),
    // so that a buffer taken over later keeps the markers of this one.
    void ShareMarkerTable(const TextBuff& other);

    int64 AddMovingMarker();
    int64 AddStayingMarker();
    void SetMarker(int64 index, int64 position);
    void FreeMarker(int64 index);
    int64 MarkerPosition(int64 index) const;
    Marker GetMarker(int64 index) const;
    int64 MarkerCount() const { return markers_.Count(); }
    void ResetMarkers();

    int64 Size() const { return size_; }
    u64 TotalCapacity() const { return capacity_; }
    int64 BlockCount() const { return blockCount_; }
    const BlockEntry& EntryAt(int64 index) const;
    const Change& LastChange() const { return change_; }
    // Counts the text's changes (replacements, loads, clears, encoding
    // switches) from a start no other text shares: a cache kept elsewhere
    // holds while this stays.
    u64 ChangeCount() const { return changeCount_; }

    // ---- encoding, line ends ----
    EncodingId Encoding() const { return encoding_; }
    int32 NewLineKind() const { return newLine_; }
    void SetNewLineKind(int32 kind) { newLine_ = kind; }
    int32 LineEndConversion() const { return conversion_; }
    void SetLineEndConversion(int32 conversion) { conversion_ = conversion; }
    // Reinterprets the stored bytes in another encoding.
    void SetEncoding(EncodingId encoding);
    void DetectNewLineKind();

    // ---- decoding and positions ----
    // Decodes the character at offset; returns its code and keeps length,
    // code and display code in the current-character fields.
    inline int32 DecodeChar(int64 offset);
    int32 CharLength() const { return charLength_; }
    int32 CharCode() const { return charCode_; }
    u32 DisplayCode() const { return displayCode_; }
    int64 CharStart(int64 offset);
    int64 NextChar(int64 offset)
    {
        DecodeChar(offset);
        return offset + charLength_;
    }
    int64 PreviousChar(int64 offset) { return CharStart(offset - 1); }

    void UpdateLineCounts();
    // Line breaks in the whole text (the line count is this plus one).
    int64 LineBreakCount();
    int64 LineStart(int64 line);
    int64 LineOfOffset(int64 offset);
    LineColumn LineColumnOfOffset(int64 offset);
    // Bytes the column counts went over so far: what the marks spare them.
    int64 ColumnBytesCounted() const { return columnBytesCounted_; }
    int64 LineColumnToOffset(int64 line, int64 column);
    int64 ReadUtf16(int64 offset, wchar_t* buffer, int64 room);
    int64 EncodedLength(const wchar_t* text, int64 n) const;
    void Save(Saver& saver, int64 from, int64 to);

    // ---- literal search ----
    int64 FindForward(int64 from, int64& end, const u32* pattern, int64 m, int64 limit);
    int64 FindForwardNoCase(int64 from, int64& end, const u32* pattern, int64 m, int64 limit);
    int64 FindBackward(int64 from, int64& end, const u32* pattern, int64 m, int64 window);
    int64 FindBackwardNoCase(int64 from, int64& end, const u32* pattern, int64 m, int64 window);
    int64 FindBackwardBefore(int64 from, int64& end, const u32* pattern, int64 m);
    int64 FindBackwardBeforeNoCase(int64 from, int64& end, const u32* pattern, int64 m);

private:
    // The character column of an offset, counted on from a column mark.
    struct ColumnMark {
        int64 offset;
        int64 column;
    };

    // storage
    static Block* NewBlock(int64 capacity);
    static void ReleaseBlock(Block* block);
    void SeekOffset(int64 offset) { Seek(offset, false); }
    void SeekLine(int64 line) { Seek(line, true); }
    void Seek(int64 target, bool byLines);
    // Calls run(bytes, n, offset) for the stored bytes of [from, to), block by
    // block, while it returns true.
    template <class Run>
    void ForEachRun(int64 from, int64 to, Run run);
    void SeekPreviousBlock();
    void DropPositionsFrom(int64 block);
    void DropAllPositions();
    void MarkForRecount(int64 first, int64 last);
    bool IsPendingRecount(int64 block) const;
    void ShiftRecountSpans(int64 index, int64 inserted, int64 removed);
    void SetEntryBytes(int64 index, int64 bytes);
    void SetEntryLines(int64 index, int32 lines);
    void AdjustIndex(int64 index, int64 bytes, int64 lines);
    void InvalidateIndexFrom(int64 index);
    void EnsureIndex();
    Position LocateBlock(int64 target, bool byLines);
    void ReleaseIndex();
    void UnshareBlock(int64 index);
    void InsertEntries(int64 index, int64 n);
    void RemoveEntries(int64 index, int64 n);
    void SplitBlock(int64 index, int64 offset);
    void InsertInBlock(int64 index, int64 offset, const u8* bytes, int64 n);
    void RemoveInBlock(int64 index, int64 offset, int64 n);
    void InsertBytes(int64 a, const u8* bytes, int64 n);
    void DeleteBytes(int64 a, int64 b);
    void ReplaceInPlace(int64 k, int64 a, int64 b, const u8* bytes, int64 n);
    void MoveMarkersForInsert(int64 p, int64 n);
    void MoveMarkersForDelete(int64 p, int64 n);
    void ClampMarkers();
    int64 AddMarker(u32 kind);
    int64 LoadPiece(Loader& loader);
    void FinishLoad();
    void ReleaseBlocks();
    void EvenBlocks();
    // Records a change: the last change, the change count, and the column
    // marks it leaves standing.
    void NoteChange(int64 start, int64 removed, int64 inserted);
    void MoveColumnMarks(int64 start, int64 removed, int64 inserted);
    void SettleColumnMarks();
    int64 ColumnOf(int64 lineStart, int64 offset);
    int64 CountColumns(int64 from, int64 to, int64& end);

    // decoding
    int ByteAt(int64 offset);
    int ByteAtSlow(int64 offset);
    int UnitAt(int64 offset);
    int32 DecodeRaw(int64 offset, int32& length, u32& display);
    int32 DecodeCharSlow(int64 offset);
    int64 BlockStart(int64 index);
    void RecountBlock(int64 index);
    void RecountBlock(int64 index, int64 start);
    int32 CountBreaks8(int64 index);
    int64 CountBreakStarts8(int64 from, int64 to);
    int32 CountBreaks16(int64 index, int64 start);
    int64 CountBreakStarts(int64 from, int64 to);
    int64 PairedLineFeedAt(int64 blockStart);
    int64 OffsetAfterBreak(int64 start, int64 breaks);

    // search
    // Bytes that a match must hold at a fixed distance from its start.
    struct SkipProbe {
        int64 offset;
        int count;
        u8 bytes[4];
    };
    // The two rarest probes of a pattern (one may be the other when the
    // pattern gives only one).
    struct SkipPlan {
        SkipProbe a;
        SkipProbe b;
        bool alone;  // scan for a's bytes alone, b checked at each
    };
    static constexpr int64 kSkipSample = 4096;
    bool MakeSkipPlan(SkipPlan& plan, const u32* pattern, int64 m, bool fold, int64 from);
    // The last plan made: a replace of every match searches for one phrase
    // a million times, a few bytes apart.
    struct SkipPlanCache {
        Array<u32> pattern;
        int64 m = 0;  // 0: none kept
        bool fold = false;
        EncodingId encoding = 0;
        int32 newLine = 0;
        bool usable = false;
        SkipPlan plan;
    };
    SkipPlanCache skipCache_;
    bool CachedSkipPlan(SkipPlan& plan, const u32* pattern, int64 m, bool fold, int64 from);
    template <class Coder>
    int64 SkipSearch(const SkipPlan& plan, int64 from, int64 stop, int64& end, const u32* pattern, int64 m,
                     Coder coder);
    template <class Coder>
    int64 SkipSearchBackward(const SkipPlan& plan, int64 from, int64 lower, bool endBefore, int64& end,
                             const u32* pattern, int64 m, Coder coder);
    int64 BoundaryAtOrAfter(int64 known, int64 stop);
    template <bool Fold>
    int64 SearchForward(int64 from, int64& end, const u32* pattern, int64 m, int64 limit);
    template <bool Fold>
    int64 SearchBackward(int64 from, int64& end, const u32* pattern, int64 m, int64 lower, bool endBefore);

    int64 size_ = 0;
    u64 capacity_ = 0;
    int64 lineBreaks_ = 0;
    u8 lineCounting_ = 1;
    EncodingId encoding_ = EncodingUtf8;
    int32 newLine_ = -2;
    int32 conversion_ = 0;
    BlockEntry* entries_ = nullptr;
    int64 blockCount_ = 0;
    int64 blockCapacity_ = 0;

    // Blocks whose line breaks are stale: up to kRecountSpans disjoint spans
    // [first, last) of entry indices, sorted, none empty. An index past the
    // last entry is allowed and clamped when recounting. Edits far apart keep
    // separate spans; a span too many merges the two nearest.
    struct Span {
        int64 first;
        int64 last;
    };
    Span recount_[kRecountSpans] = {};
    int recountSpans_ = 0;

    // Block index, a Fenwick tree over the entries: node i (1-based) holds the
    // bytes and line breaks of entries (i - lowbit(i), i]. Nodes 1..indexValid_
    // are exact; nodes above it are rebuilt before the next lookup. A change of
    // one entry's counts updates the exact nodes at once; inserting or
    // removing entries at k lowers indexValid_ to k, so the blocks before an
    // edit keep their positions. Room for blockCapacity_ + 1 nodes.
    struct IndexNode {
        int64 bytes;
        int64 lines;
    };
    IndexNode* index_ = nullptr;
    int64 indexValid_ = 0;

    // The block last located: its index, start and the line breaks before it,
    // as the entries count them now. Dropping it goes back to block 0, which
    // is always right.
    Position current_ = {};
    int32 charLength_ = 0;
    int32 charCode_ = -1;
    u32 displayCode_ = 0xFFFFFFFFu;
    Array<Marker> markers_;
    Change change_ = {};
    u64 changeCount_ = 0;
    // Column marks of one long line, the last one asked about.
    // invariant: every mark lies in the line that starts at columnLine_, at
    // a character boundary, in increasing offsets, and its column counts the
    // characters from columnLine_ to it, except that the marks from
    // columnGap_ on (when it is not -1) are all short or over by one same
    // amount. A change drops the marks within 4 bytes (a character's reach)
    // before its start and those inside it, and all of them when it starts
    // before the line start, so no kept mark counts a byte that changed;
    // the marks after it move with their bytes and wait from
    // columnGap_ on until a count across the change settles their columns.
    int64 columnLine_ = 0;
    int64 columnGap_ = -1;
    PodArray<ColumnMark> columnMarks_;
    int64 columnBytesCounted_ = 0;
};

inline int TextBuff::ByteAt(int64 offset)
{
    if (current_.block < blockCount_) {
        const BlockEntry& e = entries_[current_.block];
        u64 rel = static_cast<u64>(offset - current_.start);
        if (rel < static_cast<u64>(e.bytes))
            return e.block->Bytes()[rel];
    }
    return ByteAtSlow(offset);
}

inline int32 TextBuff::DecodeChar(int64 offset)
{
    // Plain ASCII in the current block, the common case of every scan.
    if (!IsUtf16Encoding(encoding_) && current_.block < blockCount_) {
        const BlockEntry& e = entries_[current_.block];
        u64 rel = static_cast<u64>(offset - current_.start);
        if (rel < static_cast<u64>(e.bytes)) {
            int b = e.block->Bytes()[rel];
            if (b < 0x80 && b != 13 && (b != 10 || conversion_ != -2)) {
                charLength_ = 1;
                charCode_ = b;
                displayCode_ = static_cast<u32>(b);
                return b;
            }
        }
    }
    return DecodeCharSlow(offset);
}

template <class Run>
void TextBuff::ForEachRun(int64 from, int64 to, Run run)
{
    for (int64 p = from; p < to;) {
        SeekOffset(p);
        const BlockEntry& e = entries_[current_.block];
        int64 base = current_.start;
        int64 n = (e.bytes < to - base ? e.bytes : to - base) - (p - base);
        if (!run(e.block->Bytes() + (p - base), n, p))
            return;
        p += n;
    }
}

// Appends the code points of UTF-16 text to an array: a surrogate pair is one
// code point, every other unit is appended as it is.
void AppendCodePoints(Array<u32>& array, const wchar_t* text, int64 n);

// Folds a decoded code for the no-case searches; special codes stay.
int32 FoldSearchCode(int32 code);
