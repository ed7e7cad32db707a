#include "base/Error.h"
#include "support/DocumentText.h"
#include "text/TextDocument.h"
#include "text/UndoChange.h"

#include <doctest.h>

#include <string>

using namespace doctext;

namespace {

// Puts the history limits back after a test lowered them.
struct LimitGuard {
    int64 records = EditLimits::undoRecords;
    int64 bytes = EditLimits::undoBytes;
    int64 textSize = EditLimits::textSize;
    ~LimitGuard()
    {
        EditLimits::undoRecords = records;
        EditLimits::undoBytes = bytes;
        EditLimits::textSize = textSize;
    }
};

UndoRecordView LastRecord(TextDocument& doc)
{
    return ViewUndoRecord(doc.undoRing.At(doc.undoLength - 1));
}

}  // namespace

TEST_CASE("small changes are recorded inline, larger ones on the heap")
{
    TextDocument doc;
    SetText(doc, L"abcdef");

    SUBCASE("one typed character is an inline record of lengths 1 and 0")
    {
        Type(doc, 2, L"x");
        UndoRecordView view = LastRecord(doc);
        CHECK(view.change == nullptr);
        CHECK(view.position == 2);
        CHECK(view.inserted == 1);
        CHECK(view.removed == 0);
        CHECK(view.insertedBytes[0] == 'x');
        CHECK(doc.undoHeldBytes == 0);
    }
    SUBCASE("replacing 3 bytes by 3 bytes takes a heap record holding both")
    {
        Replace(doc, 1, 4, L"XYZ");
        UndoRecordView view = LastRecord(doc);
        REQUIRE(view.change != nullptr);
        CHECK(view.kind == UndoChange::kReplace);
        CHECK(std::string(reinterpret_cast<const char*>(view.insertedBytes), 3) == "XYZ");
        CHECK(std::string(reinterpret_cast<const char*>(view.removedBytes), 3) == "bcd");
        CHECK(doc.undoHeldBytes == kUndoHeapOverhead + 6);
    }
    SUBCASE("inserted text is recorded in the text's encoding and new-line kind")
    {
        doc.text.SetNewLineKind(10);
        Type(doc, 0, L"\u0105\r\n");
        UndoRecordView view = LastRecord(doc);
        CHECK(view.inserted == 3);
        CHECK(Bytes(doc) == "\xC4\x85\nabcdef");
    }
}

TEST_CASE("undo and redo replay the records and follow the saved position")
{
    TextDocument doc;
    SetText(doc, L"hello");
    REQUIRE_FALSE(doc.modified);

    TextDocument::ReplaceRequest r = Replace(doc, 0, 5, L"bye");
    CHECK(r.becameModified == 1);
    CHECK(r.newEnd == 3);
    CHECK(doc.modified);
    r = Type(doc, 3, L"!");
    CHECK(r.becameModified == 0);
    CHECK(Bytes(doc) == "bye!");

    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK(Bytes(doc) == "bye");
    CHECK(u.start == 3);
    CHECK(u.oldEnd == 4);
    CHECK(u.newEnd == 3);
    CHECK(u.modifiedChanged == 0);
    CHECK(doc.modified);

    doc.Undo(u);
    CHECK(Bytes(doc) == "hello");
    CHECK(u.start == 0);
    CHECK(u.oldEnd == 3);
    CHECK(u.newEnd == 5);
    CHECK(u.modifiedChanged == 1);
    CHECK_FALSE(doc.modified);
    CHECK(doc.UndoGroupTag() == -1);
    CHECK_THROWS_AS(doc.Undo(u), InternalError);

    doc.Redo(u);
    CHECK(Bytes(doc) == "bye");
    CHECK(u.start == 0);
    CHECK(u.oldEnd == 5);
    CHECK(u.newEnd == 3);
    CHECK(u.modifiedChanged == 1);
    CHECK(doc.modified);
    doc.Redo(u);
    CHECK(Bytes(doc) == "bye!");
    CHECK(doc.RedoGroupTag() == -1);
    CHECK_THROWS_AS(doc.Redo(u), InternalError);
}

TEST_CASE("an open group gives its records one tag and is undone as a whole")
{
    TextDocument doc;
    doc.openGroupTag = doc.NextUndoGroup();
    doc.openGroups++;
    Type(doc, 0, L"a");
    Type(doc, 1, L"b");
    Type(doc, 2, L"c");
    doc.openGroups--;
    CHECK(doc.undoLength == 3);
    CHECK(doc.UndoGroupTag() == 0);

    Type(doc, 3, L"d");
    CHECK(doc.UndoGroupTag() == 1);
    CHECK(doc.NextUndoGroup() == 2);

    UndoGroup(doc);
    CHECK(Bytes(doc) == "abc");
    UndoGroup(doc);
    CHECK(Bytes(doc) == "");
    CHECK(doc.UndoGroupTag() == -1);
    CHECK(doc.RedoGroupTag() == 0);
    CHECK(doc.NextUndoGroup() == 0);
}

TEST_CASE("group tags wrap after 255")
{
    TextDocument doc;
    doc.openGroupTag = 255;
    doc.openGroups = 1;
    Type(doc, 0, L"a");
    doc.openGroups = 0;
    CHECK(doc.NextUndoGroup() == 0);
    Type(doc, 1, L"b");
    CHECK(doc.UndoGroupTag() == 0);
}

TEST_CASE("a new edit after undo drops the redo records")
{
    TextDocument doc;
    Replace(doc, 0, 0, L"0123456789");
    Replace(doc, 0, 10, L"abcdefghij");
    int64 held = doc.undoHeldBytes;
    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK(doc.RedoGroupTag() >= 0);
    Type(doc, 0, L"x");
    CHECK(doc.RedoGroupTag() == -1);
    CHECK(doc.undoLength == 2);
    CHECK(doc.undoHeldBytes == held - (kUndoHeapOverhead + 20));
    CHECK(Bytes(doc) == "x0123456789");
}

TEST_CASE("a saved state dropped with the redo records is never reached again")
{
    TextDocument doc;
    Type(doc, 0, L"a");
    Type(doc, 1, L"b");
    Type(doc, 2, L"c");
    doc.savedPosition = doc.undoPosition;  // as a save would leave it
    doc.modified = 0;

    TextDocument::UndoResult u;
    doc.Undo(u);
    doc.Undo(u);
    Type(doc, 1, L"x");
    Type(doc, 2, L"y");
    Type(doc, 3, L"z");
    CHECK(Bytes(doc) == "axyz");
    // Back at position 3 with a text that differs from the saved "abc".
    doc.Undo(u);
    CHECK(doc.undoPosition == 3);
    CHECK(Bytes(doc) == "axy");
    CHECK(doc.modified);
    CHECK(doc.savedPosition == -1);
}

TEST_CASE("trimming drops the oldest records and can pass the saved position")
{
    LimitGuard guard;
    EditLimits::undoRecords = 4;
    TextDocument doc;
    Type(doc, 0, L"a");
    doc.savedPosition = doc.undoPosition;
    doc.modified = 0;
    for (int i = 0; i < 5; i++)
        Type(doc, doc.text.Size(), L"b");
    CHECK(doc.undoLength == 4);
    CHECK(doc.undoPosition == 4);
    CHECK(doc.savedPosition == -1);

    TextDocument::UndoResult u;
    while (doc.UndoGroupTag() >= 0) {
        doc.Undo(u);
        CHECK(doc.modified);
    }
    CHECK(Bytes(doc) == "ab");
}

TEST_CASE("trimming by held bytes keeps the saved position in step")
{
    LimitGuard guard;
    EditLimits::undoBytes = 3 * (kUndoHeapOverhead + 10);
    TextDocument doc;
    Type(doc, 0, L"0123456789");
    Type(doc, 10, L"0123456789");
    doc.savedPosition = doc.undoPosition;
    Type(doc, 20, L"0123456789");
    Type(doc, 30, L"0123456789");
    CHECK(doc.undoLength == 3);
    CHECK(doc.undoHeldBytes == 3 * (kUndoHeapOverhead + 10));
    CHECK(doc.savedPosition == 1);
    TextDocument::UndoResult u;
    doc.Undo(u);
    doc.Undo(u);
    CHECK_FALSE(doc.modified);
    CHECK(doc.text.Size() == 20);
}

TEST_CASE("one change beyond the byte limit is kept and applied, even over spare slots")
{
    LimitGuard guard;
    EditLimits::undoBytes = kUndoHeapOverhead + 20;
    TextDocument doc;
    // Earlier typing leaves slots behind that the cleared history reuses.
    for (int i = 0; i < 5; i++)
        Type(doc, 0, L"x");
    doc.ClearUndo();
    REQUIRE(doc.undoRing.count >= 2);
    Type(doc, 0, L"old text");
    std::wstring big(40, L'n');
    Replace(doc, 0, 8, big.c_str());
    CHECK(Bytes(doc) == std::string(40, 'n') + "xxxxx");
    CHECK(doc.undoLength == 1);
    CHECK(doc.undoHeldBytes == kUndoHeapOverhead + 48);
    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK(Bytes(doc) == "old textxxxxx");
    doc.Redo(u);
    CHECK(Bytes(doc) == std::string(40, 'n') + "xxxxx");

    // A line-end record appended after it survives to be filled in.
    UndoChange* change = doc.RecordReplace(UndoChange::kLineEnds, 0, 0, L"", 0, nullptr);
    REQUIRE(change != nullptr);
    change->newConversion = 10;
    CHECK(doc.undoLength == 1);
    CHECK(ViewUndoRecord(doc.undoRing.At(0)).change == change);
}

TEST_CASE("a refused replacement leaves the history as it was")
{
    TextDocument doc;
    Type(doc, 0, L"abc");
    Type(doc, 3, L"def");
    TextDocument::UndoResult u;
    doc.Undo(u);
    int64 length = doc.undoLength;

    SUBCASE("beyond the size limit")
    {
        LimitGuard guard;
        EditLimits::textSize = 5;
        CHECK_THROWS_AS(Type(doc, 3, L"xyz"), TextSizeLimitError);
    }
    SUBCASE("a range outside the text")
    {
        CHECK_THROWS_AS(Replace(doc, 2, 9, L"x"), IndexError);
    }
    CHECK(doc.undoLength == length);
    CHECK(doc.RedoGroupTag() >= 0);
    doc.Redo(u);
    CHECK(Bytes(doc) == "abcdef");
}

TEST_CASE("the size limit allows a text of exactly the limit")
{
    LimitGuard guard;
    EditLimits::textSize = 6;
    TextDocument doc;
    Type(doc, 0, L"abc");
    Type(doc, 3, L"def");
    CHECK(doc.text.Size() == 6);
    CHECK_THROWS_AS(Type(doc, 0, L"g"), TextSizeLimitError);
    CHECK_NOTHROW(Replace(doc, 0, 1, L"g"));
}

TEST_CASE("line-end mode changes undo and redo")
{
    TextDocument doc;
    Type(doc, 0, L"a\r\nb");
    UndoChange* change = doc.RecordReplace(UndoChange::kLineEnds, 5, 7, L"ignored", 7, nullptr);
    REQUIRE(change != nullptr);
    CHECK(change->position == 0);
    CHECK(change->inserted == 0);
    CHECK(change->removed == 0);
    change->oldConversion = 0;
    change->oldNewLine = -2;
    change->newConversion = 10;
    change->newNewLine = 10;
    doc.text.SetLineEndConversion(10);
    doc.text.SetNewLineKind(10);

    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK(doc.text.LineEndConversion() == 0);
    CHECK(doc.text.NewLineKind() == -2);
    CHECK(u.start == 0);
    CHECK(u.newEnd == 0);
    CHECK(Bytes(doc) == "a\r\nb");
    doc.Redo(u);
    CHECK(doc.text.LineEndConversion() == 10);
    CHECK(doc.text.NewLineKind() == 10);
}

TEST_CASE("an unknown record kind is an internal error")
{
    TextDocument doc;
    UndoChange* change = doc.RecordReplace(7, 0, 0, L"", 0, nullptr);
    REQUIRE(change != nullptr);
    TextDocument::UndoResult u;
    CHECK_THROWS_AS(doc.Undo(u), InternalError);
}

TEST_CASE("the first character that needed the fallback text is reported")
{
    TextDocument doc;
    doc.text.SetEncoding(EncodingIso8859_1);
    TextDocument::ReplaceRequest r = Type(doc, 0, L"ab\u20ACc");
    CHECK(r.firstFallback == 2);
    CHECK(Bytes(doc) == "abU+20ac c");
    r = Type(doc, 0, L"\u00E9");
    CHECK(r.firstFallback == -1);
}

TEST_CASE("clearing the history frees every record and keeps the slots")
{
    TextDocument doc;
    for (int i = 0; i < 9; i++)
        Type(doc, 0, L"0123456789");
    int64 slots = doc.undoRing.count;
    doc.ClearUndo();
    CHECK(doc.undoLength == 0);
    CHECK(doc.undoPosition == 0);
    CHECK(doc.undoHeldBytes == 0);
    CHECK(doc.undoRing.count == slots);
    Type(doc, 0, L"x");
    CHECK(doc.undoRing.count == slots);
    CHECK(doc.undoLength == 1);
}

TEST_CASE("the ring keeps logical order across wrap-around and growth")
{
    LimitGuard guard;
    EditLimits::undoRecords = 6;
    TextDocument doc;
    for (int i = 0; i < 20; i++) {
        wchar_t c[2] = {static_cast<wchar_t>(L'a' + i), 0};
        Type(doc, doc.text.Size(), c);
    }
    CHECK(doc.undoLength == 6);
    TextDocument::UndoResult u;
    for (int i = 0; i < 6; i++)
        doc.Undo(u);
    CHECK(Bytes(doc) == "abcdefghijklmn");
    for (int i = 0; i < 6; i++)
        doc.Redo(u);
    CHECK(Bytes(doc) == "abcdefghijklmnopqrst");
    CHECK_THROWS_AS(doc.undoRing.At(doc.undoRing.count), IndexError);
    CHECK_THROWS_AS(doc.undoRing.At(-1), IndexError);
}
