#include "text/TextDocument.h"

#include "base/Error.h"
#include "text/Encoding.h"
#include "text/UndoChange.h"

#include <cstdlib>
#include <cstring>
#include <utility>

int64 EditLimits::undoRecords = 0x2000000;
int64 EditLimits::undoBytes = 0x40000000;
int64 EditLimits::textSize = TextBuff::kSizeLimit;

namespace {

// Inline records keep their lengths, tag and bytes in the second word.
u8* InlineBytes(UndoRecord& record)
{
    return reinterpret_cast<u8*>(&record.second);
}

UndoChange* HeapChange(const UndoRecord& record)
{
    return reinterpret_cast<UndoChange*>(static_cast<intptr_t>(record.second));
}

bool SameRecord(const UndoRecord& x, const UndoRecord& y)
{
    return x.first == y.first && x.second == y.second;
}

}  // namespace

UndoRecordView ViewUndoRecord(UndoRecord& record)
{
    UndoRecordView view;
    if (record.first >= 0) {
        const u8* bytes = InlineBytes(record);
        view.kind = UndoChange::kReplace;
        view.position = record.first;
        view.inserted = bytes[0];
        view.removed = bytes[1];
        view.tag = bytes[2];
        view.insertedBytes = bytes + 3;
        view.removedBytes = bytes + 3 + bytes[0];
        view.change = nullptr;
    } else {
        UndoChange* change = HeapChange(record);
        view.kind = change->kind;
        view.position = change->position;
        view.inserted = change->inserted;
        view.removed = change->removed;
        view.tag = change->tag;
        view.insertedBytes = change->Data();
        view.removedBytes = change->Data() + change->inserted;
        view.change = change;
    }
    return view;
}

int64 FreeUndoRecord(UndoRecord& record)
{
    if (record.first >= 0)
        return 0;
    UndoChange* change = HeapChange(record);
    int64 held = kUndoHeapOverhead + change->inserted + change->removed;
    free(change);
    record = {0, 0};
    return held;
}

int32 TextDocument::UndoGroupTag() const
{
    if (undoPosition < 1)
        return -1;
    return ViewUndoRecord(undoRing.At(undoPosition - 1)).tag;
}

int32 TextDocument::RedoGroupTag() const
{
    if (undoPosition >= undoLength)
        return -1;
    return ViewUndoRecord(undoRing.At(undoPosition)).tag;
}

u8 TextDocument::NextUndoGroup() const
{
    if (undoPosition < 1)
        return 0;
    return static_cast<u8>(UndoGroupTag() + 1);
}

void TextDocument::DropRedo()
{
    for (int64 i = undoPosition; i < undoLength; i++)
        undoHeldBytes -= FreeUndoRecord(undoRing.At(i));
    undoLength = undoPosition;
    // The saved state lay among the dropped records: no undo can reach it again.
    if (savedPosition > undoPosition)
        savedPosition = -1;
}

void TextDocument::AppendUndo(const UndoRecord& record)
{
    DropRedo();
    if (undoLength == undoRing.count) {
        if (undoRing.count == undoRing.capacity) {
            int64 capacity = undoRing.capacity ? undoRing.capacity * 2 : 4;
            Array<UndoRecord> slots;
            slots.Reset();
            slots.InsertUninit(0, capacity);
            for (int64 i = 0; i < undoRing.count; i++)
                slots.At(i) = undoRing.At(i);
            undoRing.slots = std::move(slots);
            undoRing.start = 0;
            undoRing.capacity = capacity;
        }
        undoRing.count++;
    }
    UndoRecord& slot = undoRing.At(undoLength);
    slot = record;
    if (record.first < 0) {
        UndoChange* change = HeapChange(record);
        undoHeldBytes += kUndoHeapOverhead + change->inserted + change->removed;
    }
    undoLength++;
    undoPosition = undoLength;
}

void TextDocument::TrimUndo()
{
    if (undoPosition != undoLength)
        return;
    // The newest record always stays: it is about to be applied or filled in,
    // even when it alone is beyond the byte limit. Spare slots left behind by
    // a cleared history are no records to keep.
    while (undoRing.count >= 2 && undoLength > 1 &&
           (undoLength > EditLimits::undoRecords || undoHeldBytes > EditLimits::undoBytes)) {
        undoHeldBytes -= FreeUndoRecord(undoRing.At(0));
        undoRing.start++;
        if (undoRing.start >= undoRing.capacity)
            undoRing.start = 0;
        undoRing.count--;
        undoLength--;
        undoPosition--;
        savedPosition = savedPosition > 0 ? savedPosition - 1 : -1;
    }
}

UndoChange* TextDocument::RecordReplace(int32 kind, int64 a, int64 b, const wchar_t* newText, int64 length,
                                        int64* firstFallback)
{
    if (a > b)
        std::swap(a, b);
    int64 n = 0;
    if (kind == UndoChange::kReplace) {
        if (a < 0 || b > text.Size())
            throw IndexError();
        n = text.EncodedLength(newText, length);
    }
    return AppendReplaceRecord(kind, a, b, newText, length, n, firstFallback);
}

UndoChange* TextDocument::AppendReplaceRecord(int32 kind, int64 a, int64 b, const wchar_t* newText, int64 length,
                                              int64 n, int64* firstFallback, bool keepBookmarkLines)
{
    if (kind != UndoChange::kReplace) {
        a = b = 0;
        n = 0;
    }
    int64 o = b - a;
    u8 tag = openGroups > 0 ? openGroupTag : NextUndoGroup();

    UndoRecord record = {0, 0};
    UndoChange* change = nullptr;
    u8* insertAt;
    // Only a heap record can say that it keeps bookmark lines.
    if (kind == UndoChange::kReplace && n + o < kUndoInlineLimit && !keepBookmarkLines) {
        record.first = a;
        u8* bytes = InlineBytes(record);
        bytes[0] = static_cast<u8>(n);
        bytes[1] = static_cast<u8>(o);
        bytes[2] = tag;
        insertAt = bytes + 3;
    } else {
        u64 room = sizeof(UndoChange) + static_cast<u64>(n) + static_cast<u64>(o);
        if (room > SIZE_MAX)
            throw MemoryError();
        change = static_cast<UndoChange*>(AllocZeroed(static_cast<size_t>(room)));
        change->kind = static_cast<u32>(kind);
        change->position = a;
        change->inserted = n;
        change->removed = o;
        change->tag = tag;
        change->keepsBookmarkLines = keepBookmarkLines ? 1 : 0;
        record.first = -1;
        record.second = static_cast<int64>(reinterpret_cast<intptr_t>(change));
        insertAt = change->Data();
    }

    try {
        if (n > 0) {
            int64 written = 0;
            int64 consumed = 0;
            EncodeUtf16Text(insertAt, written, n, newText, consumed, length, text.Encoding(), text.NewLineKind(),
                            firstFallback);
            if (written != n || consumed != length)
                throw InternalError();
        }
        if (o > 0 && text.CopyBytes(a, insertAt + n, o) != o)
            throw IndexError();
        AppendUndo(record);
    } catch (...) {
        free(change);
        throw;
    }
    TrimUndo();
    return change;
}

void TextDocument::Replace(ReplaceRequest& request)
{
    if (request.a > request.b)
        std::swap(request.a, request.b);
    int64 a = request.a;
    int64 b = request.b;
    request.becameModified = 0;
    request.firstFallback = -1;
    autosaveWanted = 1;

    // Refuse before recording, so a change that cannot happen drops no redo.
    if (a < 0 || b > text.Size())
        throw IndexError();
    int64 n = text.EncodedLength(request.text, request.length);
    if (a + (text.Size() - b) + n > EditLimits::textSize)
        throw TextSizeLimitError();

    AppendReplaceRecord(UndoChange::kReplace, a, b, request.text, request.length, n, &request.firstFallback,
                        request.keepBookmarkLines != 0);
    UndoRecord record = undoRing.At(undoLength - 1);
    try {
        UndoRecordView view = ViewUndoRecord(record);
        request.newEnd = text.Replace(a, b, view.insertedBytes, n);
    } catch (...) {
        if (undoLength > 0 && SameRecord(undoRing.At(undoLength - 1), record)) {
            undoHeldBytes -= FreeUndoRecord(undoRing.At(undoLength - 1));
            undoLength--;
            undoPosition = undoLength;
        }
        throw;
    }
    request.becameModified = modified ? 0 : 1;
    modified = 1;
    RemoveDoubledBookmarks();
}

void TextDocument::ApplyLineEndMode(int32 conversion, int32 newLine)
{
    text.SetLineEndConversion(conversion);
    if (conversion == -2 || conversion == 10)
        text.SetNewLineKind(conversion);
    if (newLine == -2 || newLine == 10)
        text.SetNewLineKind(newLine);
}

void TextDocument::FinishUndoStep(UndoResult& result)
{
    u8 was = modified;
    modified = undoPosition != savedPosition ? 1 : 0;
    result.modifiedChanged = was != modified ? 1 : 0;
    if (!modified)
        DiscardAutosave();
}

int64 TextDocument::ReplaceForHistory(const UndoRecordView& view, int64 from, int64 to, const u8* bytes, int64 n)
{
    bool keep = view.change && view.change->keepsBookmarkLines;
    if (keep)
        SaveBookmarkLines(from, to);
    int64 end;
    try {
        end = text.Replace(from, to, bytes, n);
    } catch (...) {
        // No saved line may outlive the step: it would shield doubled bookmarks.
        if (keep)
            RestoreBookmarkLines();
        throw;
    }
    if (keep)
        RestoreBookmarkLines();
    RemoveDoubledBookmarks();
    return end;
}

void TextDocument::Undo(UndoResult& result)
{
    if (undoPosition < 1)
        throw InternalError();
    autosaveWanted = 1;
    UndoRecordView view = ViewUndoRecord(undoRing.At(undoPosition - 1));
    int64 p = view.position;
    if (view.kind == UndoChange::kReplace) {
        result = {p, p + view.inserted, 0, 0};
        result.newEnd = ReplaceForHistory(view, p, p + view.inserted, view.removedBytes, view.removed);
        undoPosition--;
    } else if (view.kind == UndoChange::kLineEnds) {
        ApplyLineEndMode(view.change->oldConversion, view.change->oldNewLine);
        result = {p, p, p, 0};
        undoPosition--;
    } else {
        throw InternalError();
    }
    FinishUndoStep(result);
}

void TextDocument::Redo(UndoResult& result)
{
    if (undoPosition >= undoLength)
        throw InternalError();
    autosaveWanted = 1;
    UndoRecordView view = ViewUndoRecord(undoRing.At(undoPosition));
    int64 p = view.position;
    if (view.kind == UndoChange::kReplace) {
        result = {p, p + view.removed, 0, 0};
        result.newEnd = ReplaceForHistory(view, p, p + view.removed, view.insertedBytes, view.inserted);
        undoPosition++;
    } else if (view.kind == UndoChange::kLineEnds) {
        ApplyLineEndMode(view.change->newConversion, view.change->newNewLine);
        result = {p, p, p, 0};
        undoPosition++;
    } else {
        throw InternalError();
    }
    FinishUndoStep(result);
}
