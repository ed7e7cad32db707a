#pragma once

#include "base/Types.h"

struct UndoRecord;

// Heap part of an undo record, owned by its slot; the inserted bytes and then
// the removed bytes follow it.
struct UndoChange {
    enum : u32 { kReplace = 1, kLineEnds = 2 };

    u32 kind;
    int64 position;
    int64 inserted;
    int64 removed;
    u8 tag;
    // The replacement kept bookmarks on their line and column; undo and
    // redo keep them the same way.
    u8 keepsBookmarkLines;
    // Line-end mode before and after (0 for a text replacement); the line-end
    // action fills them right after recording.
    int32 oldConversion;
    int32 oldNewLine;
    int32 newConversion;
    int32 newNewLine;

    u8* Data() { return reinterpret_cast<u8*>(this + 1); }
};

// Bytes that a heap record counts against the history's limit besides its data.
constexpr int64 kUndoHeapOverhead = 58;
// An inline record holds inserted and removed bytes of fewer than this many together.
constexpr int64 kUndoInlineLimit = 6;

// Limits of the history and of a text's size; tests lower them to reach
// trimming and refusal with small texts.
struct EditLimits {
    static int64 undoRecords;
    static int64 undoBytes;
    static int64 textSize;
};

// One record's contents, whichever form it is stored in.
struct UndoRecordView {
    u32 kind;
    int64 position;
    int64 inserted;
    int64 removed;
    u8 tag;
    const u8* insertedBytes;
    const u8* removedBytes;
    UndoChange* change;  // null for an inline record
};

UndoRecordView ViewUndoRecord(UndoRecord& record);
// Frees the heap part of a record, if any; returns the bytes it counted.
int64 FreeUndoRecord(UndoRecord& record);
