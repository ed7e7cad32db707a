#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpDocument.h"

#include <doctest.h>

#include "support/CaughtError.h"
#include "support/TempFolder.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct Doc {
    HelpDocument d;
    explicit Doc(const wchar_t* markup) { d.SetMarkup(String(markup)); }

    std::wstring Resolved(const wchar_t* id) const
    {
        const HelpNode* s = d.Resolve(id, -1);
        return s ? std::wstring(d.SectionId(s).CStr()) : L"(none)";
    }
    std::wstring Next(const wchar_t* id) const { return d.NextPage(id, -1).CStr(); }
    std::wstring Previous(const wchar_t* id) const { return d.PreviousPage(id, -1).CStr(); }
};

}  // namespace

TEST_CASE("sections are the root's own section elements; ctx wins over id; ids ignore case")
{
    Doc doc(L"<title>Pomoc programu</title>"
            L"<section ctx='START' id='other'>a</section>"
            L"<p><section ctx='nested'>n</section></p>"
            L"<SECTION id=\"second\">b</SECTION>"
            L"<sections ctx='no'>x</sections>"
            L"<section ctx=bare>c</section>");
    CHECK(doc.d.FindSection(L"start", -1) != nullptr);
    CHECK(doc.d.FindSection(L"other", -1) == nullptr);
    CHECK(doc.d.FindSection(L"nested", -1) == nullptr);
    CHECK(doc.d.FindSection(L"no", -1) == nullptr);
    CHECK(std::wstring(doc.d.SectionId(doc.d.FindSection(L"SECOND", 6)).CStr()) == L"second");
    // A value counts only as a text node: ctx=bare has none, so the id falls back to nothing.
    const HelpNode* first = doc.d.FirstSection();
    CHECK(std::wstring(doc.d.SectionId(first).CStr()) == L"START");
    const HelpNode* second = doc.d.NextSection(first);
    const HelpNode* third = doc.d.NextSection(second);
    CHECK(std::wstring(doc.d.SectionId(third).CStr()).empty());
    CHECK(doc.d.NextSection(third) == nullptr);
    CHECK(std::wstring(doc.d.Title().CStr()) == L"Pomoc programu");
}

TEST_CASE("titles other than one plain text are \"Pomoc\"")
{
    CHECK(std::wstring(Doc(L"<title><b>x</b></title>").d.Title().CStr()) == L"Pomoc");
    CHECK(std::wstring(Doc(L"<title>a &amp; b</title>").d.Title().CStr()) == L"Pomoc");
    CHECK(std::wstring(Doc(L"<title></title><title>late</title>").d.Title().CStr()) == L"Pomoc");
    CHECK(std::wstring(Doc(L"<p><title>inner</title></p>").d.Title().CStr()) == L"Pomoc");
    CHECK(std::wstring(Doc(L"<TITLE>x &lt y</TITLE>").d.Title().CStr()) == L"x ");
    CHECK(std::wstring(Doc(L"").d.Title().CStr()) == L"Pomoc");
}

TEST_CASE("redirects are followed; empty ones are ignored; cycles resolve to none")
{
    Doc doc(L"<section ctx='a' redirect='b'>A</section>"
            L"<section ctx='b'>B</section>"
            L"<section ctx='c' redirect=''>C</section>"
            L"<section ctx='d' redirect='gone'>D</section>"
            L"<section ctx='e' redirect='f'></section><section ctx='f' redirect='g'></section>"
            L"<section ctx='g' redirect='E'></section>"
            L"<section ctx='self' redirect='SELF'></section>"
            L"<section ctx='h' redirect='e'></section>"
            L"<section ctx='long1' redirect='long2'></section><section ctx='long2' redirect='long3'></section>"
            L"<section ctx='long3' redirect='b'></section>");
    CHECK(doc.Resolved(L"a") == L"b");
    CHECK(doc.Resolved(L"c") == L"c");
    CHECK(doc.Resolved(L"d") == L"(none)");
    CHECK(doc.Resolved(L"") == L"(none)");
    CHECK(doc.Resolved(L"e") == L"(none)");
    CHECK(doc.Resolved(L"g") == L"(none)");
    CHECK(doc.Resolved(L"self") == L"(none)");
    CHECK(doc.Resolved(L"h") == L"(none)");
    CHECK(doc.Resolved(L"long1") == L"b");
    // Every section of a cycle of all sections still ends.
    Doc ring(L"<section ctx='1' redirect='2'></section><section ctx='2' redirect='3'></section>"
             L"<section ctx='3' redirect='1'></section>");
    for (const wchar_t* id : {L"1", L"2", L"3"})
        CHECK(ring.Resolved(id) == L"(none)");
}

TEST_CASE("next and previous pages follow the sections marked nav")
{
    // "nav" counts with any value or none (an unquoted value is dropped).
    Doc doc(L"<section ctx='a' nav=x>A</section><section ctx='b'>B</section>"
            L"<section ctx='c' nav=''>C</section><section id='d' NAV='1' redirect='a'>D</section>");
    CHECK(doc.Next(L"a") == L"c");
    CHECK(doc.Next(L"b") == L"c");
    CHECK(doc.Next(L"c") == L"d");
    CHECK(doc.Next(L"d").empty());
    CHECK(doc.Next(L"zzz").empty());
    CHECK(doc.Previous(L"d") == L"c");
    CHECK(doc.Previous(L"c") == L"a");
    CHECK(doc.Previous(L"b") == L"a");
    CHECK(doc.Previous(L"a").empty());
    CHECK(doc.Previous(L"zzz").empty());
}

TEST_CASE("a document loads help.html from its container once, parsing it with its errors")
{
    TempFolder folder;
    const char markup[] = "\xEF\xBB\xBF<title>Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87</title>\n<section ctx='x'>\n</b></section>";
    HelpContainerWriter w;
    w.AddMember(L"pic.gif", reinterpret_cast<const u8*>("GIF89a"), 6);
    w.AddMember(L"Help.HTML", reinterpret_cast<const u8*>(markup), static_cast<int64>(strlen(markup)));
    w.AddEndTag();
    w.Save(folder / L"help.ruvo");

    HelpDocument doc;
    doc.Load(folder / L"help.ruvo");
    CHECK(std::wstring(doc.Title().CStr()) == L"Za\u017C\u00F3\u0142\u0107");
    CHECK(doc.FindSection(L"x", 1) != nullptr);
    REQUIRE(doc.Errors().Count() == 1);
    CHECK(doc.Errors().At(0).line == 3);
    CHECK(doc.Container().Find(L"pic.gif", -1).offset >= 0);
    // Loaded already: a second call reads nothing (the path is not even tried).
    doc.Load(folder / L"missing.ruvo");
    CHECK(doc.Errors().Count() == 1);

    HelpContainerWriter empty;
    empty.AddMember(L"other", reinterpret_cast<const u8*>("x"), 1);
    empty.Save(folder / L"nohtml.ruvo");
    HelpDocument none;
    Error e = CaughtError([&] { none.Load(folder / L"nohtml.ruvo"); });
    CHECK(e.code == -357);
    CHECK(HasMessage(e, L"help.html"));
    CHECK(none.Root() == nullptr);
    CHECK(std::wstring(none.Title().CStr()) == L"Pomoc");
    CHECK(none.FirstSection() == nullptr);
    CHECK(none.Resolve(L"x", 1) == nullptr);
}
