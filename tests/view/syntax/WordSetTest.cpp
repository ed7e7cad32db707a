#include "LexerTestSupport.h"
#include "view/syntax/WordSet.h"

#include <doctest.h>

#include <cwchar>
#include <string>

namespace {

bool Has(const WordSet& set, const wchar_t* word)
{
    return set.Contains(word, static_cast<int32>(wcslen(word)));
}

std::wstring WordAt(const WordSet& set, int64 i)
{
    const WordSet::Entry& e = set.At(i);
    return std::wstring(e.chars, static_cast<size_t>(e.length));
}

}  // namespace

TEST_CASE("exact word set: sorted by units, a prefix first, no duplicates")
{
    WordSet set(WordSet::Exact);
    set.AddList(L"abc ab B a ab abd");
    REQUIRE(set.Count() == 5);
    CHECK(WordAt(set, 0) == L"B");  // capitals sort before small letters
    CHECK(WordAt(set, 1) == L"a");
    CHECK(WordAt(set, 2) == L"ab");
    CHECK(WordAt(set, 3) == L"abc");
    CHECK(WordAt(set, 4) == L"abd");
    CHECK(set.Find(L"abc", 3) == 3);
    CHECK(set.Find(L"abcd", 4) == -1);
    CHECK(set.Find(L"AB", 2) == -1);
    CHECK(set.Find(L"", 0) == -1);
}

TEST_CASE("folded word set: case does not count, the first spelling stays")
{
    WordSet set(WordSet::Folded);
    set.AddList(L"Title b title TITLE \u017B\u00F3\u0142w");
    REQUIRE(set.Count() == 3);
    CHECK(WordAt(set, 1) == L"Title");
    CHECK(Has(set, L"tItLe"));
    CHECK(Has(set, L"B"));
    CHECK(Has(set, L"\u017C\u00D3\u0141W"));
    CHECK_FALSE(Has(set, L"titles"));
}

TEST_CASE("built-in keyword lists hold their words")
{
    CHECK(CStorage().keywords.Count() == 106);
    CHECK(CStorage().known.Count() == 0);
    CHECK(CsStorage().keywords.Count() == 121);
    CHECK(JavaStorage().keywords.Count() == 68);
    CHECK(HtmlStorage().javaScript.keywords.Count() == 64);
    CHECK(HtmlStorage().tags.Count() == 158);
    CHECK(HtmlStorage().attributes.Count() == 214);  // "title" is listed twice
    CHECK(HtmlStorage().entities.Count() == 227);
    CHECK(HtmlStorage().php.keywords.Count() == 61);
    CHECK(HtmlStorage().css.known.Count() == 0);
    CHECK(MorvaneStorage().keywords.Count() == 36);
    CHECK(KestinStorage().keywords.Count() == 26);

    CHECK(Has(CStorage().keywords, L"fortran"));
    CHECK(Has(CStorage().keywords, L"_Pragma"));
    CHECK(Has(CsStorage().keywords, L"DateTimeOffset"));
    CHECK(Has(JavaStorage().keywords, L"@interface"));
    CHECK(Has(HtmlStorage().tags, L"HTTP-EQUIV"));
    CHECK(Has(HtmlStorage().entities, L"thetasym"));
    CHECK_FALSE(Has(HtmlStorage().entities, L"AMP"));
    CHECK(Has(KestinStorage().keywords, L"REPEAT"));
    CHECK_FALSE(Has(MorvaneStorage().keywords, L"While"));
}

TEST_CASE("every built-in word is found where it stands, in a strictly ordered set")
{
    const WordSet* sets[] = {&CStorage().keywords,          &CsStorage().keywords,         &JavaStorage().keywords,
                             &HtmlStorage().javaScript.keywords, &HtmlStorage().tags,        &HtmlStorage().attributes,
                             &HtmlStorage().entities,       &HtmlStorage().php.keywords,   &MorvaneStorage().keywords,
                             &KestinStorage().keywords};
    for (const WordSet* set : sets) {
        for (int64 i = 0; i < set->Count(); i++) {
            const WordSet::Entry& e = set->At(i);
            CHECK(set->Find(e.chars, e.length) == i);
            if (i > 0) {
                const WordSet::Entry& p = set->At(i - 1);
                int order = set->GetOrder() == WordSet::Folded ? WordSet::CompareFolded(p.chars, p.length, e.chars, e.length)
                                                               : WordSet::CompareExact(p.chars, p.length, e.chars, e.length);
                CHECK(order < 0);
            }
        }
    }
    CHECK(HtmlStorage().tags.GetOrder() == WordSet::Folded);
    CHECK(HtmlStorage().attributes.GetOrder() == WordSet::Folded);
    CHECK(KestinStorage().keywords.GetOrder() == WordSet::Folded);
    CHECK(HtmlStorage().entities.GetOrder() == WordSet::Exact);
    CHECK(MorvaneStorage().keywords.GetOrder() == WordSet::Exact);
}
