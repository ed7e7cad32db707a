#include "support/DocumentText.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"

#include <doctest.h>

using namespace doctext;

namespace {

// A document that holds what its file holds.
void MakeSaved(TextDocument& doc, const wchar_t* s)
{
    SetText(doc, s);
    doc.savedPosition = doc.undoPosition;
}

// One typed character and its undo.
void TypeAndUndo(TextDocument& doc)
{
    Type(doc, 0, L"x");
    TextDocument::UndoResult u;
    doc.Undo(u);
}

}  // namespace

TEST_CASE("a changed BOM keeps the text modified through typing and undo")
{
    TextDocument doc;
    MakeSaved(doc, L"text");
    doc.SetBom(true);
    CHECK(doc.modified);
    CHECK(doc.bomLength == 3);
    TypeAndUndo(doc);
    CHECK(doc.modified);
    CHECK(doc.autosaveWanted);
}

TEST_CASE("setting the BOM it already has changes nothing about the saved state")
{
    TextDocument doc;
    doc.text.SetEncoding(EncodingWindows1250);
    MakeSaved(doc, L"text");
    doc.SetBom(true);
    CHECK(doc.bomLength == 0);
    CHECK_FALSE(doc.modified);
    TypeAndUndo(doc);
    CHECK_FALSE(doc.modified);
}

TEST_CASE("converting the encoding leaves a text that no undo marks saved")
{
    TextDocument doc;
    MakeSaved(doc, L"za\u017C\u00F3\u0142\u0107");
    Type(doc, 0, L"a");
    doc.AddBookmark(3);
    const wchar_t converted[] = L"za\u017C\u00F3\u0142\u0107";
    TextDocument::ConvertRequest request = {converted, 6, 0, 0};
    CHECK(doc.ConvertEncoding(request, EncodingUtf16LE, 0) == 12);
    CHECK(request.changed == 1);
    CHECK(doc.undoLength == 0);
    CHECK(doc.bookmarks.Count() == 0);
    CHECK(doc.modified);
    TypeAndUndo(doc);
    CHECK(doc.modified);
    CHECK(doc.text.Size() == 12);
}

TEST_CASE("clearing the history of a modified text never lets an undo mark it saved")
{
    TextDocument doc;
    MakeSaved(doc, L"text");
    Type(doc, 0, L"edit ");
    REQUIRE(doc.modified);
    // As an encoding command clears the history before it changes the text.
    doc.ClearUndo();
    CHECK(doc.savedPosition == -1);
    TypeAndUndo(doc);
    CHECK(doc.modified);
    CHECK(Bytes(doc) == "edit text");
}

TEST_CASE("clearing the history of an unmodified text keeps it at its saved state")
{
    TextDocument doc;
    MakeSaved(doc, L"text");
    Type(doc, 0, L"x");
    TextDocument::UndoResult u;
    doc.Undo(u);
    REQUIRE_FALSE(doc.modified);
    doc.ClearUndo();
    CHECK(doc.savedPosition == 0);
    TypeAndUndo(doc);
    CHECK_FALSE(doc.modified);
}
