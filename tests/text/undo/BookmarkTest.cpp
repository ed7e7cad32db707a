#include "base/Error.h"
#include "support/DocumentText.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <vector>

using namespace doctext;

namespace {

std::vector<int64> Positions(TextDocument& doc)
{
    std::vector<int64> positions;
    for (int64 i = 0; i < doc.bookmarks.Count(); i++)
        positions.push_back(doc.BookmarkPosition(i));
    return positions;
}

}  // namespace

TEST_CASE("bookmarks are kept in position order and never doubled")
{
    TextDocument doc;
    SetText(doc, L"0123456789");
    doc.AddBookmark(7);
    doc.AddBookmark(2);
    doc.AddBookmark(5);
    doc.AddBookmark(5);
    CHECK(Positions(doc) == std::vector<int64>{2, 5, 7});
    CHECK(doc.BookmarkAt(5) == 1);
    CHECK(doc.BookmarkAt(6) == -1);
}

TEST_CASE("bookmarks follow the text")
{
    TextDocument doc;
    SetText(doc, L"aaaa\r\nbbbb\r\ncccc");
    doc.AddBookmark(6);
    doc.AddBookmark(12);

    SUBCASE("an insertion before them moves them on")
    {
        Type(doc, 0, L"xyz");
        CHECK(Positions(doc) == std::vector<int64>{9, 15});
        TextDocument::UndoResult u;
        doc.Undo(u);
        CHECK(Positions(doc) == std::vector<int64>{6, 12});
    }
    SUBCASE("an insertion at a bookmark moves it behind the new text")
    {
        Type(doc, 6, L"new ");
        CHECK(Positions(doc) == std::vector<int64>{10, 16});
    }
    SUBCASE("deleting the text between two bookmarks leaves one")
    {
        Replace(doc, 6, 12, L"");
        CHECK(Positions(doc) == std::vector<int64>{6});
        int64 markers = 0;
        for (int64 i = 0; i < doc.text.MarkerCount(); i++)
            if (doc.text.GetMarker(i).kind != TextBuff::FreeMarkerKind)
                markers++;
        CHECK(markers == 1);
    }
}

TEST_CASE("a text holds at most 1001 bookmarks")
{
    TextDocument doc;
    std::wstring spaces(1100, L' ');
    SetText(doc, spaces.c_str());
    for (int i = 0; i < 1001; i++)
        doc.AddBookmark(i);
    CHECK(doc.bookmarks.Count() == 1001);
    CHECK_THROWS_AS(doc.AddBookmark(1050), TooManyBookmarksError);
    CHECK(doc.bookmarks.Count() == 1001);
    // One that exists is no new bookmark.
    CHECK_NOTHROW(doc.AddBookmark(1000));
}

TEST_CASE("bookmarks are found within ranges")
{
    TextDocument doc;
    SetText(doc, L"0123456789abcdef");
    doc.AddBookmark(3);
    doc.AddBookmark(8);
    doc.AddBookmark(12);

    CHECK(doc.NextBookmark(4, 15) == 8);
    CHECK(doc.NextBookmark(3, 15) == 3);
    CHECK(doc.NextBookmark(13, 15) == -1);
    CHECK(doc.PreviousBookmark(0, 11) == 8);
    CHECK(doc.PreviousBookmark(0, 12) == 12);
    CHECK(doc.PreviousBookmark(0, 2) == -1);
    CHECK(doc.BookmarkInRange(4, 12) == 8);
    CHECK(doc.BookmarkInRange(9, 11) == -1);
    CHECK(doc.BookmarkInRange(12, 3) == -1);

    doc.RemoveBookmarksIn(3, 8);
    CHECK(Positions(doc) == std::vector<int64>{12});
}

TEST_CASE("bookmarks keep line and column across a whole-range replacement")
{
    TextDocument doc;
    SetText(doc, L"one\r\ntwo\r\nthree\r\n");
    doc.AddBookmark(6);   // line 1, column 1
    doc.AddBookmark(12);  // line 2, column 2
    doc.SaveBookmarkLines(0, doc.text.Size());
    CHECK(doc.bookmarks.At(0).savedLine == 1);
    CHECK(doc.bookmarks.At(0).savedColumn == 1);

    Replace(doc, 0, doc.text.Size(), L"ONE\r\nTWO\r\nTHREE\r\n");
    // Collapsed onto one spot, but kept while their lines are saved.
    CHECK(doc.bookmarks.Count() == 2);
    CHECK(doc.RestoreBookmarkLines() == 2);
    CHECK(Positions(doc) == std::vector<int64>{6, 12});
    CHECK(doc.bookmarks.At(1).savedLine == -1);
    CHECK(doc.bookmarks.At(1).savedColumn == -1);
}

TEST_CASE("a replacement that keeps bookmark lines keeps them when undone and redone; a plain one does not")
{
    for (int keep = 0; keep < 2; keep++) {
        INFO("keep " << keep);
        TextDocument doc;
        SetText(doc, L"\ta\r\n\tb\r\nc");
        doc.AddBookmark(4);  // line 1
        doc.AddBookmark(8);  // line 2
        doc.SaveBookmarkLines(0, doc.text.Size());
        TextDocument::ReplaceRequest request = {};
        request.a = 0;
        request.b = doc.text.Size();
        request.text = L"  a\r\n  b\r\nc";
        request.length = 11;
        request.keepBookmarkLines = static_cast<u8>(keep);
        doc.Replace(request);
        doc.RestoreBookmarkLines();
        CHECK(Positions(doc) == std::vector<int64>{5, 10});

        TextDocument::UndoResult result;
        doc.Undo(result);
        CHECK(Bytes(doc) == "\ta\r\n\tb\r\nc");
        if (keep)
            CHECK(Positions(doc) == std::vector<int64>{4, 8});
        else
            CHECK(doc.bookmarks.Count() == 1);  // collapsed, as for any edit
        doc.Redo(result);
        CHECK(Bytes(doc) == "  a\r\n  b\r\nc");
        if (keep)
            CHECK(Positions(doc) == std::vector<int64>{5, 10});
        CHECK(doc.bookmarks.At(0).savedLine == -1);
    }
}

TEST_CASE("a restored column never passes the end of a shorter line")
{
    TextDocument doc;
    SetText(doc, L"abcdef\r\nxy");
    doc.AddBookmark(5);
    doc.SaveBookmarkLines(0, 10);
    Replace(doc, 0, doc.text.Size(), L"ab\r\nxy");
    doc.RestoreBookmarkLines();
    CHECK(Positions(doc) == std::vector<int64>{2});
}

TEST_CASE("freeing the bookmark markers releases them in the text")
{
    TextDocument doc;
    SetText(doc, L"abc");
    doc.AddBookmark(1);
    int32 marker = doc.bookmarks.At(0).marker;
    doc.FreeBookmarkMarkers();
    CHECK(doc.text.GetMarker(marker).kind == TextBuff::FreeMarkerKind);
}
