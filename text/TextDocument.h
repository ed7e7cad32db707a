#pragma once

#include "base/Array.h"
#include "base/File.h"
#include "base/String.h"
#include "base/Types.h"
#include "text/Encoding.h"
#include "text/TextBuff.h"

// One slot of the undo ring: an inline record (first word >= 0) or, with
// first word -1, a heap UndoChange whose address is the second word.
struct UndoRecord {
    int64 first;
    int64 second;
};

// The undo history's slots in a ring: logical index i lies at physical
// (start + i) wrapped at the capacity.
struct UndoRing {
    Array<UndoRecord> slots;
    int64 count = 0;
    int64 start = 0;
    int64 capacity = 0;

    UndoRecord& At(int64 i) const;
};

// A bookmark: a moving marker of the main text, and the line and column kept
// across a whole-range replacement (-1 when none).
struct Bookmark {
    int32 marker;
    int32 savedLine;
    int32 savedColumn;
};

// One open text: its bytes, where it came from, how it is stored on disk,
// its syntax, undo history, bookmarks and autosave state.
class TextDocument {
public:
    // UTF-16 text to convert the document to; newSize and changed are results.
    struct ConvertRequest {
        const wchar_t* text;
        int64 length;
        int64 newSize;
        u8 changed;
    };

    TextDocument();
    ~TextDocument();
    TextDocument(const TextDocument&) = delete;
    TextDocument& operator=(const TextDocument&) = delete;

    String GetPath() const { return path_; }
    void SetPath(const String& path) { path_ = path; }
    String GetLocation() const { return location_; }
    void SetLocation(const String& location) { location_ = location; }

    // BOM bytes of the current encoding when on (none for 8-bit encodings).
    void SetBom(bool on);
    // Replaces the whole text by request.text encoded anew; returns the new size.
    int64 ConvertEncoding(ConvertRequest& request, EncodingId encoding, int32 lineEnd);

    // Frees every heap undo record; the ring keeps its slots.
    void ClearUndo();
    // Frees the markers of all bookmarks (the bookmarks stay in the array).
    void FreeBookmarkMarkers();

    u8 modified = 0;
    u8 fromAutosave = 0;
    TextBuff text;
    u64 fileTime = 0;  // FILETIME of the file when last loaded or saved
    u32 bomLength = 0;
    u8 bom[3] = {};
    EncodingId diskEncoding = EncodingUtf8;
    int32 syntax = 0;

    // Undo history.
    UndoRing undoRing;
    int64 undoHeldBytes = 0;
    int64 undoLength = 0;
    int64 undoPosition = 0;
    int32 openGroups = 0;
    u8 openGroupTag = 0;
    int64 savedPosition = 0;

    Array<Bookmark> bookmarks;

    // Autosave state.
    u8 autosaveRunning = 0;
    u8 autosaveWanted = 0;
    String autosaveFinishedPath;
    String autosaveUnfinishedPath;
    String autosaveNextFinishedPath;
    File autosaveFile;
    int64 autosaveBytesWritten = 0;
    TextBuff snapshot;

private:
    String path_;
    String location_;
};

// UTF-16 units that the characters of the document's main text in [from, to)
// take: 2 for a CR LF pair and above U+FFFF, 1 otherwise.
int64 CountUtf16Units(TextDocument& document, int64 from, int64 to);
