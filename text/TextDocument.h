#pragma once

#include "base/Array.h"
#include "base/File.h"
#include "base/String.h"
#include "base/Types.h"
#include "text/Encoding.h"
#include "text/TextBuff.h"

class TextNotify;
struct UndoChange;
struct UndoRecordView;

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
class DocumentList;

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
    // The path without a copy, for checks run over every open text.
    const String& PathRef() const { return path_; }
    // Keeps the list that holds the document able to find it by path.
    void SetPath(const String& path);
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

    // A replacement of [a, b) (ends in either order) by UTF-16 text.
    struct ReplaceRequest {
        int64 a;
        int64 b;
        const wchar_t* text;
        int64 length;
        int64 newEnd;          // end of the inserted bytes
        u8 becameModified;     // the text was not modified before
        int64 firstFallback;   // first character written as its "U+x " text; -1 for none
        // The caller keeps bookmark lines across it (SaveBookmarkLines):
        // undo and redo of it keep them too.
        u8 keepBookmarkLines = 0;
    };

    // What one undo or redo changed: [start, oldEnd) became [start, newEnd).
    struct UndoResult {
        int64 start;
        int64 oldEnd;
        int64 newEnd;
        u8 modifiedChanged;
    };

    // ---- undo history ----
    // Replaces a byte range of the main text, recording the change for undo.
    void Replace(ReplaceRequest& request);
    // Appends a record of kind 1 (text replacement) or 2 (line-end mode
    // change, filled in by the caller); returns its heap part, or null for an
    // inline record.
    UndoChange* RecordReplace(int32 kind, int64 a, int64 b, const wchar_t* text, int64 length,
                              int64* firstFallback);
    void Undo(UndoResult& result);
    void Redo(UndoResult& result);
    // Tag of the record that Undo / Redo would take; -1 when none.
    int32 UndoGroupTag() const;
    int32 RedoGroupTag() const;
    // Tag for a new group: the tag before the undo position plus 1.
    u8 NextUndoGroup() const;
    void AppendUndo(const UndoRecord& record);
    void DropRedo();
    void TrimUndo();

    // ---- bookmarks ----
    void AddBookmark(int64 position);
    // Index of the bookmark at the position; -1 when none.
    int64 BookmarkAt(int64 position) const;
    int64 BookmarkPosition(int64 index) const;
    // Position of the first bookmark (array order) within [from, to]; -1 when none.
    int64 BookmarkInRange(int64 from, int64 to) const;
    // Smallest / largest bookmark position within [from, to]; -1 when none.
    int64 NextBookmark(int64 from, int64 to) const;
    int64 PreviousBookmark(int64 from, int64 to) const;
    void RemoveBookmarksIn(int64 from, int64 to);
    void RemoveDoubledBookmarks();
    // Keep bookmarks on their line and column across a whole-range replacement.
    void SaveBookmarkLines(int64 from, int64 to);
    int64 RestoreBookmarkLines();

    // ---- loading and saving ----
    // Loads the document's path; encoding 0 or below means detect.
    void LoadFile(TextNotify* notify, EncodingId encoding);
    // Fills the document from an opened autosave file whose header was read.
    void LoadAutosave(File& file, const String& autosavePath, TextNotify* notify, int64 byteCount,
                      const wchar_t* encodingName, const wchar_t* syntaxName);
    // Writes [from, to) with the BOM to path, with ".bak.bak" and ".bak" copies.
    void SaveFile(const String& path, int64 from, int64 to, TextNotify* notify, bool backup, bool markSaved,
                  bool adoptPath);
    void WriteTo(File& file, int64 from, int64 to, TextNotify* notify);
    // The file time becomes the path's last-write time, or now when unknown.
    void RefreshFileTime(const String& path);

    // ---- autosave ----
    void StartAutosave();
    // One idle step: starts a file, writes a piece or completes it. Never
    // throws. False when the step could do nothing (an empty text, a refused
    // rename): calling again at once would only spin.
    bool AutosaveStep() noexcept;
    // Stops autosaving and deletes the text's autosave files.
    void DiscardAutosave() noexcept;

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
    // The previous complete file, replaced by a newer one: cut down in
    // pieces, then deleted, one idle step each, while running stays 1.
    String autosaveRetiredPath;
    File autosaveFile;
    int64 autosaveBytesWritten = 0;
    TextBuff snapshot;

private:
    UndoChange* AppendReplaceRecord(int32 kind, int64 a, int64 b, const wchar_t* text, int64 length, int64 n,
                                    int64* firstFallback, bool keepBookmarkLines = false);
    // Replaces [from, to) of the main text by bytes while undoing or redoing.
    int64 ReplaceForHistory(const UndoRecordView& view, int64 from, int64 to, const u8* bytes, int64 n);
    void ApplyLineEndMode(int32 conversion, int32 newLine);
    void FinishUndoStep(UndoResult& result);
    void RemoveBookmarkAt(int64 index);
    void TakeLoadedText(TextBuff& loaded, File& file);
    void SettleMarkers();
    void AbandonAutosave() noexcept;
    bool RetireAutosaveStep() noexcept;
    void DropRetiredAutosave() noexcept;

    String path_;
    String location_;
    DocumentList* list_ = nullptr;  // the list that holds the document, if any
    friend class DocumentList;
};

// Bytes that one idle step cuts off a replaced autosave file before it is
// deleted: deleting a large file at once stalls the program.
struct AutosaveLimits {
    static int64 cutPiece;
};

// The autosave folder in the data folder, created when missing.
String AutosaveFolder();
// A name of this process for an autosave begun now, without its first letter
// ("t" while written, "g" when complete): "%08x_%08x_%08x_%08x.autosave" of
// the time's high and low words, the process id and a counter of the run.
String NewAutosaveName();

// UTF-16 units that the characters of the document's main text in [from, to)
// take: 2 for a CR LF pair and above U+FFFF, 1 otherwise.
int64 CountUtf16Units(TextDocument& document, int64 from, int64 to);
