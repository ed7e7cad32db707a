#include "text/TextDocument.h"

#include "base/Error.h"

#include <climits>

namespace {

constexpr int64 kMostBookmarksBeforeAdding = 1000;

bool FitsInt32(int64 value)
{
    return value >= INT_MIN && value <= INT_MAX;
}

}  // namespace

int64 TextDocument::BookmarkPosition(int64 index) const
{
    return text.MarkerPosition(bookmarks.At(index).marker);
}

int64 TextDocument::BookmarkAt(int64 position) const
{
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++)
        if (BookmarkPosition(i) == position)
            return i;
    return -1;
}

void TextDocument::AddBookmark(int64 position)
{
    if (BookmarkAt(position) >= 0)
        return;
    int64 count = bookmarks.Count();
    if (count > kMostBookmarksBeforeAdding)
        throw TooManyBookmarksError();
    int64 marker = text.AddMovingMarker();
    try {
        text.SetMarker(marker, position);
        int64 at = 0;
        while (at < count && BookmarkPosition(at) <= position)
            at++;
        Bookmark bookmark = {AsInt(marker), -1, -1};
        bookmarks.InsertUninit(at, 1);
        bookmarks.At(at) = bookmark;
    } catch (...) {
        text.FreeMarker(marker);
        throw;
    }
}

int64 TextDocument::BookmarkInRange(int64 from, int64 to) const
{
    if (to < from)
        return -1;
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++) {
        int64 p = BookmarkPosition(i);
        if (p >= from && p <= to)
            return p;
    }
    return -1;
}

int64 TextDocument::NextBookmark(int64 from, int64 to) const
{
    int64 best = -1;
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++) {
        int64 p = BookmarkPosition(i);
        if (p >= from && p <= to && (best < 0 || p < best))
            best = p;
    }
    return best;
}

int64 TextDocument::PreviousBookmark(int64 from, int64 to) const
{
    int64 best = -1;
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++) {
        int64 p = BookmarkPosition(i);
        if (p >= from && p <= to && p > best)
            best = p;
    }
    return best;
}

void TextDocument::RemoveBookmarkAt(int64 index)
{
    text.FreeMarker(bookmarks.At(index).marker);
    bookmarks.Erase(index, 1);
}

void TextDocument::RemoveBookmarksIn(int64 from, int64 to)
{
    for (int64 i = bookmarks.Count() - 1; i >= 0; i--) {
        int64 p = BookmarkPosition(i);
        if (p >= from && p <= to)
            RemoveBookmarkAt(i);
    }
}

void TextDocument::RemoveDoubledBookmarks()
{
    // Markers collapse onto one position when the text between them goes.
    for (int64 i = 1; i < bookmarks.Count();) {
        if (bookmarks.At(i).savedLine < 0 && BookmarkPosition(i) == BookmarkPosition(i - 1))
            RemoveBookmarkAt(i);
        else
            i++;
    }
}

void TextDocument::SaveBookmarkLines(int64 from, int64 to)
{
    for (int64 i = 0, n = bookmarks.Count(); i < n; i++) {
        int64 p = BookmarkPosition(i);
        if (p < from || p > to)
            continue;
        LineColumn lc = text.LineColumnOfOffset(p);
        if (FitsInt32(lc.line) && FitsInt32(lc.column)) {
            Bookmark& bookmark = bookmarks.At(i);
            bookmark.savedLine = static_cast<int32>(lc.line);
            bookmark.savedColumn = static_cast<int32>(lc.column);
        }
    }
}

int64 TextDocument::RestoreBookmarkLines()
{
    int64 n = bookmarks.Count();
    for (int64 i = 0; i < n; i++) {
        Bookmark& bookmark = bookmarks.At(i);
        if (bookmark.savedLine >= 0 && bookmark.savedColumn >= 0)
            text.SetMarker(bookmark.marker, text.LineColumnToOffset(bookmark.savedLine, bookmark.savedColumn));
        bookmark.savedLine = -1;
        bookmark.savedColumn = -1;
    }
    return n;
}
