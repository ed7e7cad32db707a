#include "text/TextDocument.h"

#include "base/Error.h"
#include "text/DocumentList.h"
#include "text/TextEncoder.h"
#include "text/UndoChange.h"

#include <cstdlib>

UndoRecord& UndoRing::At(int64 i) const
{
    if (i < 0 || i >= count)
        throw IndexError();
    int64 physical = start + i;
    if (physical >= capacity)
        physical -= capacity;
    return slots.At(physical);
}

TextDocument::TextDocument()
{
    text.Clear();
    snapshot.Clear();
    undoRing.slots.Reset();
    bookmarks.Reset();
}

void TextDocument::SetPath(const String& path)
{
    if (list_)
        list_->ChangePath(this, path);
    else
        path_ = path;
}

TextDocument::~TextDocument()
{
    ClearUndo();
}

void TextDocument::ClearUndo()
{
    for (int64 i = 0; i < undoLength && i < undoRing.count; i++)
        FreeUndoRecord(undoRing.At(i));
    undoHeldBytes = 0;
    undoLength = 0;
    undoPosition = 0;
    // Only an unmodified text is at its saved state now; a modified one can
    // reach that state by no undo, and must not look saved after one.
    savedPosition = modified ? -1 : 0;
}

void TextDocument::FreeBookmarkMarkers()
{
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++)
        text.FreeMarker(bookmarks.At(i).marker);
}

void TextDocument::SetBom(bool on)
{
    u32 old = bomLength;
    bomLength = 0;
    if (on) {
        switch (text.Encoding()) {
        case EncodingUtf8:
            bom[0] = 0xEF;
            bom[1] = 0xBB;
            bom[2] = 0xBF;
            bomLength = 3;
            break;
        case EncodingUtf16LE:
            bom[0] = 0xFF;
            bom[1] = 0xFE;
            bomLength = 2;
            break;
        case EncodingUtf16BE:
            bom[0] = 0xFE;
            bom[1] = 0xFF;
            bomLength = 2;
            break;
        default:
            break;
        }
    }
    autosaveWanted = 1;
    if (bomLength != old) {
        modified = 1;
        // The file has the other BOM: undoing every edit does not make it equal.
        savedPosition = -1;
    }
}

int64 TextDocument::ConvertEncoding(ConvertRequest& request, EncodingId encoding, int32 lineEnd)
{
    request.changed = 0;
    TextBuff converted;
    converted.SetEncoding(encoding);
    TextEncoder encoder(request.text, request.length, encoding, lineEnd);
    converted.Load(encoder);
    if (lineEnd == -2 || lineEnd == 10) {
        converted.SetNewLineKind(lineEnd);
        converted.SetLineEndConversion(lineEnd);
    } else {
        int32 current = text.NewLineKind();
        if (current == -2 || current == 10)
            converted.SetNewLineKind(current);
        converted.SetLineEndConversion(0);
    }
    // History and bookmarks go only once the new text is ready.
    ClearUndo();
    FreeBookmarkMarkers();
    if (bookmarks.Count() > 0)
        bookmarks.Erase(0, bookmarks.Count());
    converted.ShareMarkerTable(text);
    text.TakeFrom(converted);
    SettleMarkers();
    // The converted text is not what its file holds: no undo may mark it saved.
    savedPosition = -1;

    request.newSize = text.Size();
    request.changed = 1;
    modified = 1;
    autosaveWanted = 1;
    return request.newSize;
}

void TextDocument::SettleMarkers()
{
    // Markers kept across a whole new text may point into the middle of one of
    // its characters (another encoding, other bytes); an edit there would
    // split the character, so each goes to the start of its own.
    for (int64 i = 0, n = text.MarkerCount(); i < n; i++) {
        TextBuff::Marker marker = text.GetMarker(i);
        if (marker.kind != TextBuff::FreeMarkerKind)
            text.SetMarker(i, text.CharStart(marker.position));
    }
}

int64 CountUtf16Units(TextDocument& document, int64 from, int64 to)
{
    TextBuff& text = document.text;
    int64 units = 0;
    for (int64 p = from; p < to;) {
        int32 code = text.DecodeChar(p);
        int32 length = text.CharLength();
        if (length == 0)
            break;
        // Codes past U+10FFFF are read out as one U+FFFD.
        units += (code == -2 || (code >= 0x10000 && code <= 0x10FFFF)) ? 2 : 1;
        p += length;
    }
    return units;
}
