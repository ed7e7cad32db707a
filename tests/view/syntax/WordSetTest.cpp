#include "LexerTestSupport.h"
#include "view/syntax/LexerStorage.h"
#include "view/syntax/WordSet.h"

#include <doctest.h>

#include <algorithm>
#include <cwchar>
#include <random>
#include <set>
#include <string>
#include <vector>

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

namespace {

// The set as single adds would make it: the first of equal words stays.
struct WordModel {
    explicit WordModel(WordSet::Order order) : order(order) {}
    bool Less(const std::wstring& a, const std::wstring& b) const
    {
        int32 al = static_cast<int32>(a.size()), bl = static_cast<int32>(b.size());
        return (order == WordSet::Folded ? WordSet::CompareFolded(a.data(), al, b.data(), bl)
                                         : WordSet::CompareExact(a.data(), al, b.data(), bl)) < 0;
    }
    void Add(const std::wstring& w)
    {
        for (const std::wstring& have : words)
            if (!Less(have, w) && !Less(w, have))
                return;
        words.push_back(w);
    }
    void Sort()
    {
        std::sort(words.begin(), words.end(), [this](const std::wstring& a, const std::wstring& b) { return Less(a, b); });
    }
    WordSet::Order order;
    std::vector<std::wstring> words;
};

std::wstring RandomWord(std::mt19937& rng)
{
    static const wchar_t letters[] = L"aAbBcz_-\u00F3\u00D3\u017C\u017B\u0142";
    std::wstring w;
    size_t n = 1 + rng() % 4;
    for (size_t i = 0; i < n; i++)
        w += letters[rng() % (sizeof(letters) / sizeof(letters[0]) - 1)];
    return w;
}

}  // namespace

TEST_CASE("words added in bulk make the set single adds make: same words, first spelling, same lookups")
{
    for (unsigned seed = 1; seed <= 40; seed++) {
        INFO("seed " << seed);
        std::mt19937 rng(seed);
        WordSet::Order order = seed % 2 ? WordSet::Folded : WordSet::Exact;
        WordSet set(order);
        WordModel model(order);
        std::vector<std::wstring> pool;  // the characters must outlive the set
        pool.reserve(2000);
        for (int batch = 0; batch < 6; batch++) {
            size_t from = pool.size();
            size_t n = rng() % 60;
            for (size_t i = 0; i < n; i++)
                pool.push_back(RandomWord(rng));
            std::vector<WordSet::Entry> entries;
            for (size_t i = from; i < pool.size(); i++) {
                entries.push_back(WordSet::Entry{pool[i].data(), static_cast<int32>(pool[i].size())});
                model.Add(pool[i]);
            }
            if (batch % 3 == 2) {
                for (const WordSet::Entry& e : entries)
                    set.Add(e.chars, e.length);
            } else {
                set.AddAll(entries.data(), static_cast<int64>(entries.size()));
            }
        }
        model.Sort();
        REQUIRE(set.Count() == static_cast<int64>(model.words.size()));
        for (size_t i = 0; i < model.words.size(); i++)
            CHECK(WordAt(set, static_cast<int64>(i)) == model.words[i]);
        for (int probe = 0; probe < 300; probe++) {
            std::wstring w = RandomWord(rng);
            auto it = std::lower_bound(model.words.begin(), model.words.end(), w,
                                       [&model](const std::wstring& a, const std::wstring& b) { return model.Less(a, b); });
            bool present = it != model.words.end() && !model.Less(w, *it);
            int64 expected = present ? static_cast<int64>(it - model.words.begin()) : -1;
            CHECK(set.Find(w.data(), static_cast<int32>(w.size())) == expected);
        }
    }
}

TEST_CASE("a section of 320,000 words in random order with repeats holds each word once, sorted")
{
    std::mt19937 rng(17);
    std::set<std::wstring> model;
    std::wstring body;
    for (int i = 0; i < 320000; i++) {
        std::wstring w;
        unsigned n = 3 + rng() % 8;
        for (unsigned k = 0; k < n; k++)
            w += static_cast<wchar_t>(L'a' + rng() % 26);
        if (rng() % 10 == 0)
            w += L" x";  // blanks inside a line stay
        model.insert(w);
        body += w + (i % 2 ? L"\r\n" : L"\n");
        if (rng() % 50 == 0)
            body += L" ignored\n";
    }
    WordSet set = SectionWords(body.data(), static_cast<int32>(body.size()));
    REQUIRE(set.Count() == static_cast<int64>(model.size()));
    int64 i = 0;
    for (const std::wstring& w : model) {
        CHECK(WordAt(set, i) == w);
        CHECK(set.Find(w.data(), static_cast<int32>(w.size())) == i);
        i++;
    }
    CHECK_FALSE(Has(set, L"ignored"));
}

namespace {

// The answer of the short-word table for an ASCII word, with other bytes
// after it in the sixteen it is given.
int FindAscii(const WordSet& set, const std::string& word, std::mt19937& rng)
{
    u8 bytes[16];
    for (u8& b : bytes)
        b = static_cast<u8>(rng());
    std::copy(word.begin(), word.end(), bytes);
    return set.FindAscii(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), static_cast<int32>(word.size()));
}

}  // namespace

TEST_CASE("the short-word table answers as the set does, or says it cannot")
{
    // Small sets, sets crowded with words of one spelling in many cases,
    // and sets past the table's size; in a folded set the Kelvin sign
    // stands for "k".
    const char letters[] = "kKaAzZ_09-";
    for (unsigned seed = 1; seed <= 24; seed++) {
        INFO("seed " << seed);
        std::mt19937 rng(seed);
        WordSet::Order order = seed % 2 ? WordSet::Folded : WordSet::Exact;
        WordSet set(order);
        std::vector<std::wstring> pool;
        size_t count = seed % 3 == 0 ? 1500 : 10 + rng() % 300;
        pool.reserve(count);
        auto randomWord = [&](bool kelvin) {
            std::wstring units;
            for (size_t n = 1 + rng() % (rng() % 4 == 0 ? 17 : 5); n > 0; n--)
                units += static_cast<wchar_t>(letters[rng() % (sizeof letters - 1)]);
            if (kelvin && rng() % 4 == 0)
                units[0] = L'\u212A';
            return units;
        };
        std::vector<WordSet::Entry> entries;
        for (size_t i = 0; i < count; i++) {
            // A big set's words all differ, so that it stays too big.
            static const wchar_t kDistinct[] = L"kaz_09-";
            std::wstring distinct;
            for (size_t k = 0, v = i; k < 4; k++, v /= 7)
                distinct += kDistinct[v % 7];
            pool.push_back(count > 1024 ? distinct : randomWord(true));
            entries.push_back(WordSet::Entry{pool.back().data(), static_cast<int32>(pool.back().size())});
        }
        set.AddAll(entries.data(), static_cast<int64>(entries.size()));
        CHECK(FindAscii(set, "k", rng) == 2);  // not indexed yet
        set.Contains(L"k", 1);
        int definite = 0, probes = 0;
        for (int probe = 0; probe < 2000; probe++) {
            std::wstring units = probe % 2 ? randomWord(false) : pool[rng() % pool.size()];
            if (units.size() >= static_cast<size_t>(WordSet::kShortLimit) ||
                std::any_of(units.begin(), units.end(), [](wchar_t c) { return c >= 128; }))
                continue;
            std::string w(units.begin(), units.end());
            int got = FindAscii(set, w, rng);
            bool expected = set.Contains(units.data(), static_cast<int32>(units.size()));
            probes++;
            if (got == 2)
                continue;
            definite++;
            CHECK(got == (expected ? 1 : 0));
        }
        // Only a set too big for the table leaves every word to the long way.
        if (count > 1024)
            CHECK(definite == 0);
        else
            CHECK(definite == probes);
    }
}

TEST_CASE("every built-in keyword is found in the short-word table")
{
    HtmlLexer::Storage html;
    const WordSet* sets[] = {&html.javaScript.keywords, &html.tags, &html.php.keywords};
    std::mt19937 rng(5);
    for (const WordSet* set : sets) {
        set->Contains(L"x", 1);
        for (int64 i = 0; i < set->Count(); i++) {
            const WordSet::Entry& e = set->At(i);
            if (e.length >= WordSet::kShortLimit)
                continue;
            std::string w(e.chars, e.chars + e.length);
            INFO(w);
            CHECK(FindAscii(*set, w, rng) == 1);
        }
    }
}
