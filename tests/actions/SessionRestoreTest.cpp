// Reading "hibernation.dat": the texts of the last session come back in
// their order with encoding, BOM, syntax, caret and bookmarks; damaged lines
// cost only themselves.

#include "PortableBench.h"

#include <doctest.h>

#include "base/CharUtils.h"
#include "base/UiLanguage.h"
#include "support/DocumentText.h"
#include "text/SyntaxId.h"
#include "view/ViewState.h"

#include <string>
#include <vector>

using doctext::Bytes;

namespace {

std::string Utf8(const String& text)
{
    PodArray<u8> bytes = Utf16ToUtf8Bytes(text.Data(), text.Length());
    return std::string(reinterpret_cast<const char*>(bytes.Data()), static_cast<size_t>(bytes.Count() - 1));
}

struct SessionBench : PortableBench {
    String File(const wchar_t* name, const std::string& bytes)
    {
        String path = texts / name;
        WriteFileBytes(path, bytes);
        return path;
    }
    std::string P(const wchar_t* name) { return Utf8(texts / name); }
    ActionRecord Restore(const std::string& session)
    {
        WriteFileBytes(data / L"hibernation.dat", session);
        return bench.Run(ActionRestoreSession);
    }
    TextView* View() { return bench.views[0]; }
    int64 Caret(TextDocument* doc) { return View()->FindViewState(doc)->CaretPosition(); }
    std::vector<int64> Bookmarks(TextDocument* doc)
    {
        std::vector<int64> out;
        for (int64 i = 0; i < doc->bookmarks.Count(); i++)
            out.push_back(doc->BookmarkPosition(i));
        return out;
    }
};

std::string Lines(int n)
{
    std::string out;
    for (int i = 0; i < n; i++)
        out += "line number " + std::to_string(i) + "\r\n";
    return out;
}

}  // namespace

TEST_CASE("a caret line and column with bookmarks; a line without column; items cut at 19 characters")
{
    SessionBench s;
    std::string body = Lines(200);
    s.File(L"a.txt", body);
    s.File(L"b.txt", body);
    s.File(L"c.txt", body);
    ActionRecord record = s.Restore("1:UTF-8:" + s.P(L"a.txt") + "\r\n2:\r\n3:12:7,100,2500\r\n4:\r\n" +
                                    "1:UTF-8:" + s.P(L"b.txt") + "\r\n3:12\r\n" + "1:UTF-8:" + s.P(L"c.txt") +
                                    "\r\n3:1:2,00000000000000000000000042,0000000000000000007\r\nA:" +
                                    s.P(L"a.txt") + "\r\n");
    CHECK(record.outcome == OutcomeDone);
    REQUIRE(s.Documents().Count() == 3);
    TextDocument* a = s.Documents().At(0);
    TextDocument* b = s.Documents().At(1);
    TextDocument* c = s.Documents().At(2);
    CHECK(s.View()->CurrentDocument() == a);
    CHECK(s.Caret(a) == a->text.LineStart(12) + 7);
    CHECK(s.Bookmarks(a) == std::vector<int64>{100, 2500});
    CHECK(s.Caret(b) == b->text.LineStart(12));
    CHECK(s.Bookmarks(b).empty());
    // The first 19 characters are all zeros: a bookmark at 0; the second item fits.
    CHECK(s.Bookmarks(c) == std::vector<int64>{0, 7});
    CHECK(s.bench.alerts.alerts.empty());
    for (TextDocument* doc : {a, b, c})
        CHECK_FALSE(doc->modified);
}

TEST_CASE("restored texts keep the file's order; an open text is only activated and does not count")
{
    SessionBench s;
    String two = s.File(L"two.txt", "2");
    s.File(L"one.txt", "1");
    s.File(L"three.txt", "3");
    Array<String> files;
    files.Insert(0, two);
    ActionRecord open;
    open.InitOpenFiles(s.View(), false, files);
    ExecuteAction(*s.bench.broker, open);
    TextDocument* openBefore = s.bench.NewText(0);
    REQUIRE(s.Documents().Count() == 2);
    s.Restore("1:UTF-8:" + s.P(L"one.txt") + "\r\n1:UTF-8:" + s.P(L"two.txt") + "\r\n3:0:1\r\n1:UTF-8:" +
              s.P(L"three.txt") + "\r\n");
    REQUIRE(s.Documents().Count() == 4);
    CHECK(Bytes(*s.Documents().At(0)) == "1");
    CHECK(Bytes(*s.Documents().At(1)) == "3");
    // The text open before keeps its content and takes the line's caret.
    TextDocument* kept = s.Documents().FindByPath(two);
    CHECK(s.Caret(kept) == 1);
    CHECK(s.Documents().IndexOf(openBefore) >= 2);
    CHECK(s.View()->CurrentDocument() == s.Documents().At(1));
}

TEST_CASE("damaged lines cost only themselves; every missing file gives one alert")
{
    SessionBench s;
    std::string body = Lines(10);
    int64 size = static_cast<int64>(body.size());
    s.File(L"ok.txt", body);
    s.File(L"after.txt", std::string(5000, 'x'));
    std::string utf16le("\xFF\xFE", 2);
    for (char ch : std::string("ab\r\ncd\r\n")) {
        utf16le += ch;
        utf16le += '\0';
    }
    s.File(L"wide.txt", utf16le);
    std::string bookmarks;
    for (int i = 0; i < 1010; i++)
        bookmarks += "," + std::to_string(i);
    std::string session =
        "1:UTF-8:" + s.P(L"ok.txt") + "\r\n" +
        // Past the end, negative, 19 and 20 digits, no digits, the end itself.
        "3:99999999999999999999:1," + std::to_string(size + 1) + ",-5,9999999999999999999,99999999999999999999,x," +
        std::to_string(size) + ",3\r\n" +
        // No second colon: ignored, and so are its lines.
        "1:no colon here\r\n2:Java\r\n3:0:0,7\r\n" +
        "1:UTF-8:" + s.P(L"missing1.txt") + "\r\n2:C\r\n3:0:0,1\r\n" +
        "1:UTF-16LE w/BOM:" + s.P(L"wide.txt") + "\r\n3:1:1,1,3,5,6,99\r\n" +
        "1:UTF-8:" + s.P(L"missing2.txt") + "\r\n" +
        "1:UTF-8:" + s.P(L"after.txt") + "\r\n2:PHP\r\n3:0:0" + bookmarks + "\r\n" +
        "A:" + s.P(L"missing2.txt") + "\r\n";
    ActionRecord record = s.Restore(session);
    CHECK(record.outcome == OutcomeDone);

    REQUIRE(s.Documents().Count() == 3);
    TextDocument* ok = s.Documents().At(0);
    TextDocument* wide = s.Documents().At(1);
    TextDocument* after = s.Documents().At(2);
    CHECK(Bytes(*ok) == body);
    // An unreadable caret leaves it; only the offsets within 0..size stay.
    CHECK(s.Caret(ok) == 0);
    CHECK(s.Bookmarks(ok) == std::vector<int64>{3, size});
    CHECK(ok->syntax == kSyntaxNone);
    // Odd offsets in UTF-16 and one inside a CR LF move to their character's start.
    CHECK(wide->text.Encoding() == EncodingUtf16LE);
    CHECK(s.Bookmarks(wide) == std::vector<int64>{0, 2, 4});
    CHECK(s.Caret(wide) == wide->text.LineStart(1) + 2);
    // The text's bookmark limit ends the line's bookmarks, nothing more.
    CHECK(after->bookmarks.Count() == 1001);
    CHECK(after->syntax == kSyntaxPhp);

    int missing = 0;
    for (const RecordingAlerts::Alert& alert : s.bench.alerts.alerts) {
        CHECK(alert.title == (IsPolishUi() ? L"Przywracanie tekstów - Scrivel" : L"Restoring texts - Scrivel"));
        missing++;
    }
    CHECK(missing == 2);
    for (TextDocument* doc : {ok, wide, after})
        CHECK_FALSE(doc->modified);
}

TEST_CASE("the BOM follows a known encoding name only; an unknown name loads by detection")
{
    SessionBench s;
    std::string withBom = "\xEF\xBB\xBFzaz\xC3\xB3\xC5\x82\xC4\x87\r\n";
    s.File(L"unknown.txt", withBom);
    s.File(L"empty-name.txt", withBom);
    s.File(L"known.txt", withBom);
    s.File(L"cp.txt", "za\xBF\xF3\xB3\xE6");
    s.File(L"syntax.c", "int x;");
    s.Restore("1:no such encoding:" + s.P(L"unknown.txt") + "\r\n1::" + s.P(L"empty-name.txt") +
              "\r\n1:UTF-8:" + s.P(L"known.txt") + "\r\n1:Windows 1250:" + s.P(L"cp.txt") + "\r\n1:UTF-8:" +
              s.P(L"syntax.c") + "\r\n2:\r\n");
    REQUIRE(s.Documents().Count() == 5);
    for (int i = 0; i < 2; i++) {
        TextDocument* doc = s.Documents().At(i);
        CHECK(doc->text.Encoding() == EncodingUtf8);
        CHECK(doc->bomLength == 3);
        CHECK_FALSE(doc->modified);
    }
    // The session knew the text without its BOM.
    TextDocument* known = s.Documents().At(2);
    CHECK(known->bomLength == 0);
    CHECK(known->modified);
    CHECK(s.Documents().At(3)->text.Encoding() == EncodingWindows1250);
    // An empty syntax name is the writer's "none", not an unknown name.
    CHECK(s.Documents().At(4)->syntax == kSyntaxNone);
    CHECK(s.bench.alerts.alerts.empty());
}

TEST_CASE("no session file restores nothing, silently; an A: line of a text not open does nothing")
{
    SessionBench s;
    ActionRecord record = s.bench.Run(ActionRestoreSession);
    CHECK(record.outcome == OutcomeDone);
    CHECK(s.Documents().Count() == 0);
    TextDocument* only = s.bench.NewText(0);
    s.Restore("A:" + s.P(L"nothing.txt") + "\r\n4:\r\nX: whatever\r\n");
    CHECK(s.Documents().Count() == 1);
    CHECK(s.View()->CurrentDocument() == only);
    CHECK(s.bench.alerts.alerts.empty());
}
