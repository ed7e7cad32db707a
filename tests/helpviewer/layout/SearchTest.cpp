#include "helpviewer/HelpSearch.h"

#include "helpviewer/HelpLayout.h"

#include <doctest.h>

#include <string>

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

}  // namespace

TEST_CASE("search in all sections: the first hit of each section with its sentences around")
{
    HelpDocument d;
    d.SetMarkup(String(L"<section ctx='a'>\r\n\r\nTytu\u0142 A\r\nRaz. Dwa... trzy. Cztery <b>S\u0141OWO</b> pi\u0119\u0107. "
                       L"Sze\u015B\u0107. Siedem.</section><section>s\u0142owo bez id</section>"
                       L"<section id='b'>S\u0142owo<br>na pocz\u0105tku</section><section ctx='c'>nic</section>"
                       L"<section ctx='d'><p></p>a.b.s\u0142owo</section>"));
    std::vector<HelpFindHit> hits = FindInSections(d, String(L"s\u0142owo"), 100);
    REQUIRE(hits.size() == 3);
    CHECK(W(hits[0].title) == L"Tytu\u0142 A");
    // Back to the second full stop ("..." is not one), and past the space after it.
    CHECK(W(hits[0].before) == L"Dwa... trzy. Cztery ");
    CHECK(W(hits[0].word) == L"S\u0141OWO");
    CHECK(W(hits[0].after) == L" pi\u0119\u0107. Sze\u015B\u0107.");
    CHECK(std::wstring(d.Markup().Data() + hits[0].idStart, static_cast<size_t>(hits[0].idLength)) == L"a");
    CHECK(W(hits[1].title) == L"S\u0142owo na pocz\u0105tku");
    CHECK(W(hits[1].before).empty());
    CHECK(W(hits[1].after) == L" na pocz\u0105tku");
    CHECK(std::wstring(d.Markup().Data() + hits[1].idStart, static_cast<size_t>(hits[1].idLength)) == L"b");
    CHECK(W(hits[2].title) == L" a.b.s\u0142owo");
    CHECK(W(hits[2].before) == L"b.");
    CHECK(FindInSections(d, String(L"s\u0142owo"), 2).size() == 2);
    CHECK(FindInSections(d, String(L"brak"), 100).empty());
    CHECK(FindInSections(d, String(), 100).empty());
    HelpDocument e;
    e.SetMarkup(String(L"<section ctx='x'>\r\n\r\n</section>"));
    CHECK(FindInSections(e, String(L"\r"), 100).size() == 1);
    CHECK(W(FindInSections(e, String(L"\r"), 100)[0].title) == L"Zobacz");
}

TEST_CASE("the results page: titles as links to their sections, the word in bold")
{
    HelpDocument d;
    d.SetMarkup(String(L"<section ctx='pierwszy'>Pierwszy\nJest tu klucz w zdaniu.</section>"
                       L"<section ctx='drugi'>Drugi\nI tu KLUCZ.</section>"));
    std::vector<HelpFindHit> hits = FindInSections(d, String(L"klucz"), 100);
    REQUIRE(hits.size() == 2);
    DeviceContext dc;
    dc.Compatible(nullptr);
    HelpLayout layout;
    layout.SetDevice(dc, HelpLayoutParams());
    layout.Clear();
    AddFindResults(layout, d, hits);
    layout.Arrange();
    const std::vector<HelpRun>& runs = layout.Runs();
    REQUIRE(runs.size() > 4);
    const HelpRun& title = runs[0];
    CHECK(std::wstring(title.text, static_cast<size_t>(title.length)) == L"Pierwszy");
    REQUIRE(title.IsLink());
    CHECK(std::wstring(layout.Markup().Data() + title.link, static_cast<size_t>(title.linkLength)) == L"pierwszy");
    CHECK(layout.Fonts()[static_cast<size_t>(title.font)].size == 130);
    CHECK(layout.Fonts()[static_cast<size_t>(title.font)].flags == (kHelpBold | kHelpUnderline));
    int bold = 0, paragraphs = 0;
    for (const HelpRun& r : runs) {
        if (r.kind == HelpRun::kWord && !r.IsLink() && layout.Fonts()[static_cast<size_t>(r.font)].flags == kHelpBold) {
            bold++;
            CHECK(std::wstring(r.text, 5) != L"Pierw");
        }
        paragraphs += r.kind == HelpRun::kParagraph;
    }
    CHECK(bold == 2);
    CHECK(paragraphs == 2);
}
