#include "TextTestSupport.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "text/CharClass.h"
#include "text/DocumentList.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

using namespace texttest;

namespace {

std::vector<TextDocument*> Order(const DocumentList& list)
{
    std::vector<TextDocument*> docs;
    for (int32 i = 0; i < list.Count(); i++)
        docs.push_back(list.At(i));
    return docs;
}

}  // namespace

TEST_CASE("a new document is an empty UTF-8 text")
{
    TextDocument doc;
    CHECK(doc.GetPath().Length() == 0);
    CHECK(doc.GetLocation().Length() == 0);
    CHECK(doc.text.Size() == 0);
    CHECK(doc.text.Encoding() == EncodingUtf8);
    CHECK(doc.text.NewLineKind() == -2);
    CHECK(doc.modified == 0);
    CHECK(doc.bomLength == 0);
    CHECK(doc.bookmarks.Count() == 0);
    doc.SetPath(L"C:\\a\\b.txt");
    doc.SetLocation(L"C:\\a\\");
    CHECK(doc.GetPath().Equals(L"C:\\a\\b.txt"));
    CHECK(doc.GetLocation().Equals(L"C:\\a\\"));
}

TEST_CASE("the document list keeps order, inserts after a document and reports absence")
{
    DocumentList none;
    CHECK(none.Count() == 0);
    CHECK(none.At(0) == nullptr);

    DocumentList list = DocumentList::Create();
    TextDocument* a = list.NewDocument(nullptr);
    TextDocument* b = list.NewDocument(nullptr);
    TextDocument* c = list.NewDocument(a);
    CHECK(Order(list) == std::vector<TextDocument*>{a, c, b});
    CHECK(list.IndexOf(b) == 2);
    CHECK(list.At(-1) == nullptr);
    CHECK(list.At(3) == nullptr);

    TextDocument outside;
    CHECK(list.IndexOf(&outside) == -1);
    TextDocument* d = list.NewDocument(&outside);
    CHECK(list.IndexOf(d) == 3);

    list.Remove(c);
    CHECK(Order(list) == std::vector<TextDocument*>{a, b, d});
    list.Remove(&outside);
    CHECK(list.Count() == 3);
    list.DeleteAll();
    CHECK(list.Count() == 0);
}

TEST_CASE("moving a document in the list")
{
    DocumentList list = DocumentList::Create();
    TextDocument* a = list.NewDocument(nullptr);
    TextDocument* b = list.NewDocument(nullptr);
    TextDocument* c = list.NewDocument(nullptr);
    list.Move(a, 7);
    CHECK(Order(list) == std::vector<TextDocument*>{b, c, a});
    list.Move(a, 0);
    CHECK(Order(list) == std::vector<TextDocument*>{a, b, c});
    list.Move(c, 1);
    CHECK(Order(list) == std::vector<TextDocument*>{a, c, b});
    list.Move(b, 2);
    CHECK(Order(list) == std::vector<TextDocument*>{a, c, b});
    CHECK_THROWS_AS(list.Move(a, -1), IndexError);
    TextDocument outside;
    CHECK_THROWS_AS(list.Move(&outside, 1), IndexError);
    CHECK(Order(list) == std::vector<TextDocument*>{a, c, b});
}

TEST_CASE("finding a document by path ignores case and skips unsaved texts")
{
    DocumentList list = DocumentList::Create();
    TextDocument* unsaved = list.NewDocument(nullptr);
    TextDocument* notes = list.NewDocument(nullptr);
    notes->SetPath(L"C:\\Docs\\Notes.txt");
    CHECK(list.FindByPath(L"c:\\docs\\NOTES.TXT") == notes);
    CHECK(list.FindByPath(L"c:\\docs\\notes.tx") == nullptr);
    CHECK(list.FindByPath(String()) == nullptr);
    CHECK(list.FindByPath(L"") == nullptr);
    (void)unsaved;
}

TEST_CASE("finding by path through random renames, inserts, moves and removals equals a scan of the list")
{
    // Few names in several spellings, so that texts share paths now and then.
    const wchar_t* const names[] = {L"C:\\a.txt",  L"c:\\A.TXT",  L"C:\\b.txt",   L"C:\\\u017C\u00F3\u0142w.txt",
                                    L"c:\\\u017B\u00D3\u0141W.TXT", L"C:\\a.tx", L"\U0001F600.txt", L""};
    const int kNames = sizeof(names) / sizeof(names[0]);
    for (unsigned seed = 1; seed <= 6; seed++) {
        CAPTURE(seed);
        std::mt19937 rng(seed);
        DocumentList list = DocumentList::Create();
        for (int step = 0; step < 400; step++) {
            int32 n = list.Count();
            TextDocument* some = n > 0 ? list.At(static_cast<int64>(rng() % static_cast<u32>(n))) : nullptr;
            switch (rng() % 8) {
            case 0:
            case 1:
                list.NewDocument(rng() % 2 ? some : nullptr);
                break;
            case 2:
            case 3:
                if (some)
                    some->SetPath(names[rng() % kNames]);
                break;
            case 4:
                if (some)
                    list.Remove(some);
                break;
            case 5:
                if (some)
                    list.Move(some, static_cast<int64>(rng() % static_cast<u32>(n)));
                break;
            case 6: {
                // A list moved to another handle takes its documents along.
                DocumentList moved(std::move(list));
                list = std::move(moved);
                break;
            }
            default:
                break;
            }
            for (int k = 0; k < kNames; k++) {
                String name(names[k]);
                TextDocument* plain = nullptr;
                for (int32 i = 0; i < list.Count() && !plain; i++) {
                    const String& path = list.At(i)->PathRef();
                    if (path.Length() > 0 && EqualsNoCase(path.Data(), path.Length(), name.Data(), name.Length()))
                        plain = list.At(i);
                }
                CAPTURE(step);
                CAPTURE(k);
                CHECK(list.FindByPath(name) == plain);
            }
        }
    }
}

TEST_CASE("the byte-order mark follows the encoding")
{
    TextDocument doc;
    doc.text.SetEncoding(EncodingWindows1250);
    doc.SetBom(true);
    CHECK(doc.bomLength == 0);
    CHECK(doc.modified == 0);
    CHECK(doc.autosaveWanted == 1);

    doc.text.SetEncoding(EncodingUtf16BE);
    doc.SetBom(true);
    CHECK(doc.bomLength == 2);
    CHECK(doc.bom[0] == 0xFE);
    CHECK(doc.bom[1] == 0xFF);
    CHECK(doc.modified == 1);

    doc.text.SetEncoding(EncodingUtf8);
    doc.SetBom(true);
    CHECK(doc.bomLength == 3);
    CHECK(doc.bom[2] == 0xBF);
    doc.modified = 0;
    doc.SetBom(true);
    CHECK(doc.modified == 0);  // the length did not change
    doc.SetBom(false);
    CHECK(doc.bomLength == 0);
    CHECK(doc.modified == 1);
}

TEST_CASE("converting a document re-encodes its text and keeps its markers")
{
    TextDocument doc;
    Put(doc.text, 0, 0, "old\ntext\n");
    doc.text.DetectNewLineKind();
    int64 caret = doc.text.AddMovingMarker();
    doc.text.SetMarker(caret, 9);
    int64 mark = doc.text.AddMovingMarker();
    doc.bookmarks.Insert(0, Bookmark{static_cast<int32>(mark), -1, -1});
    // A heap undo record that conversion must free.
    doc.undoRing.slots.InsertUninit(0, 4);
    doc.undoRing.capacity = 4;
    doc.undoRing.count = 1;
    doc.undoRing.At(0) = {-1, static_cast<int64>(reinterpret_cast<intptr_t>(malloc(64)))};
    doc.undoLength = 1;
    doc.undoPosition = 1;

    SUBCASE("with line end 0 the new text keeps the document's line-end kind")
    {
        const wchar_t source[] = L"\x0105\r\nb";
        TextDocument::ConvertRequest request = {source, 4, 0, 0};
        CHECK(doc.ConvertEncoding(request, EncodingUtf16LE, 0) == 8);
        CHECK(request.newSize == 8);
        CHECK(request.changed == 1);
        CHECK(doc.text.Encoding() == EncodingUtf16LE);
        CHECK(doc.text.NewLineKind() == 10);
        CHECK(doc.text.LineEndConversion() == 0);
        CHECK(Contents(doc.text) == Utf16LE(L"\x0105\r\nb"));
    }
    SUBCASE("with line end LF every line end becomes LF")
    {
        const wchar_t source[] = L"a\r\nb\rc";
        TextDocument::ConvertRequest request = {source, 6, 0, 0};
        CHECK(doc.ConvertEncoding(request, EncodingWindows1250, 10) == 5);
        CHECK(Contents(doc.text) == "a\nb\nc");
        CHECK(doc.text.NewLineKind() == 10);
        CHECK(doc.text.LineEndConversion() == 10);
    }
    CHECK(doc.modified == 1);
    CHECK(doc.autosaveWanted == 1);
    CHECK(doc.undoLength == 0);
    CHECK(doc.undoPosition == 0);
    CHECK(doc.bookmarks.Count() == 0);
    CHECK(doc.text.MarkerCount() == 2);
    CHECK(doc.text.MarkerPosition(mark) == -1);
    // The caret stays where it was, within the new text.
    CHECK(doc.text.MarkerPosition(caret) == doc.text.Size());
    CHECK(doc.text.GetMarker(caret).collapsed == 0);
}

TEST_CASE("markers kept by a conversion land on character starts of the new text")
{
    TextDocument doc;
    Put(doc.text, 0, 0, "abcdef");
    int64 odd = doc.text.AddMovingMarker();
    int64 even = doc.text.AddStayingMarker();
    doc.text.SetMarker(odd, 3);
    doc.text.SetMarker(even, 4);
    const wchar_t source[] = L"abc\xD83D\xDE00";
    TextDocument::ConvertRequest request = {source, 5, 0, 0};
    doc.ConvertEncoding(request, EncodingUtf16LE, 0);
    // Offset 3 is inside the unit at 2; offset 8 would be inside the pair at 6.
    CHECK(doc.text.MarkerPosition(odd) == 2);
    CHECK(doc.text.MarkerPosition(even) == 4);
    doc.text.SetMarker(odd, 8);
    TextDocument::ConvertRequest again = {source, 5, 0, 0};
    doc.ConvertEncoding(again, EncodingUtf16LE, 0);
    CHECK(doc.text.MarkerPosition(odd) == 6);
    // Typing at a kept marker never splits a character.
    TextDocument::ReplaceRequest typed = {doc.text.MarkerPosition(odd), doc.text.MarkerPosition(odd), L"x", 1, 0, 0, 0};
    doc.Replace(typed);
    CHECK(Contents(doc.text) == Utf16LE(L"abcx\xD83D\xDE00"));
}

TEST_CASE("counting UTF-16 units of a range")
{
    TextDocument doc;
    Put(doc.text, 0, 0, "a\r\n\xF0\x9F\x98\x80\xC3\xA9\x80");
    CHECK(CountUtf16Units(doc, 0, doc.text.Size()) == 1 + 2 + 2 + 1 + 1);
    CHECK(CountUtf16Units(doc, 3, 7) == 2);
    CHECK(CountUtf16Units(doc, 0, 1000) == 7);
    doc.text.SetLineEndConversion(10);
    CHECK(CountUtf16Units(doc, 0, 3) == 2);

    // A code beyond U+10FFFF is one unit, so a range read stops at its end.
    TextDocument binary;
    Put(binary.text, 0, 0, "\xF4\x90\x80\x80z");
    int64 units = CountUtf16Units(binary, 0, 4);
    CHECK(units == 1);
    wchar_t out[4] = {0, 0, 0, 0};
    CHECK(binary.text.ReadUtf16(0, out, units) == 1);
    CHECK(out[0] == 0xFFFD);
    CHECK(out[1] == 0);
}

TEST_CASE("character classes of ASCII and the special codes")
{
    CHECK(CharClass(-1) == 0x3);
    CHECK(CharClass(-2) == 0x2002);
    CHECK(CharClass(-30) == 0x2000);
    CHECK(CharClass(0) == 0x2002);
    CHECK(CharClass(9) == 0x2080);
    CHECK(CharClass(10) == 0x2002);
    CHECK(CharClass(13) == 0x2002);
    CHECK(CharClass(27) == 0x2000);
    CHECK(CharClass(' ') == 0x4);
    CHECK(CharClass('\'') == 0x400);
    CHECK(CharClass('-') == 0x200);
    CHECK(CharClass('/') == 0x800);
    CHECK(CharClass('7') == 0x18);
    CHECK(CharClass('c') == 0x70);
    CHECK(CharClass('F') == 0x70);
    CHECK(CharClass('g') == 0x60);
    CHECK(CharClass('Z') == 0x60);
    CHECK(CharClass('_') == 0x100);
    CHECK(CharClass('!') == 0);
    CHECK(CharClass('~') == 0);
    CHECK(CharClass(127) == 0);
}

TEST_CASE("character classes beyond ASCII come from the system")
{
    CHECK(CharClass(0xE9) == 0x20);
    CHECK((CharClass(0x0301) & 0x1000) != 0);
    CHECK((CharClass(0xFE2F) & 0x1000) != 0);
    CHECK((CharClass(0xFE30) & 0x1000) == 0);
    CHECK((CharClass(0xFF21) & 0x1000) == 0);
    CHECK((CharClass(0x0660) & 0x8) != 0);
    CHECK((CharClass(0x00A0) & 0x4) != 0);
    CHECK((CharClass(0x0085) & 0x2000) == 0);
    CHECK(IsCombiningMark(0x20D0));
    CHECK_FALSE(IsCombiningMark(0x20FF));
}

TEST_CASE("a character cursor loads the character at its position")
{
    TextDocument doc;
    Put(doc.text, 0, 0, "a\xC3\xA9\r\n");
    CharCursor cursor = {&doc, 0, 0, 0, 0};
    CharCursor::Seek(cursor, 1);
    CHECK(cursor.position == 1);
    CHECK(cursor.code == 0xE9);
    CHECK(cursor.length == 2);
    CHECK(cursor.flags == 0x20);
    CharCursor::Seek(cursor, 3);
    CHECK(static_cast<int32>(cursor.code) == -2);
    CHECK(cursor.length == 2);
    CHECK(cursor.flags == 0x2002);
    CharCursor::Seek(cursor, 5);
    CHECK(cursor.flags == 0x3);
    CHECK(cursor.length == 0);
}
