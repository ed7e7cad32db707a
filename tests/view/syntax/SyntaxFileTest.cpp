#include "LexerTestSupport.h"
#include "support/TempFolder.h"
#include "view/syntax/LexerStorage.h"

#include <doctest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Records every section a syntax file hands over.
class SectionRecorder final : public LexerStorage {
public:
    void OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength) override
    {
        sections.emplace_back(std::wstring(header, static_cast<size_t>(headerLength)),
                              std::wstring(body, static_cast<size_t>(bodyLength)));
    }
    std::vector<std::pair<std::wstring, std::wstring>> sections;
};

std::vector<std::pair<std::wstring, std::wstring>> SectionsOf(const std::wstring& text)
{
    SectionRecorder recorder;
    ApplySyntaxSections(recorder, text.data(), static_cast<int64>(text.size()));
    return recorder.sections;
}

bool Known(const CLexer::Storage& storage, const wchar_t* word)
{
    return storage.known.Contains(word, static_cast<int32>(wcslen(word)));
}

}  // namespace

TEST_CASE("a section opens at a blank-star line and its body ends at the next one, which closes it")
{
    auto s = SectionsOf(L"skipped\n *known\nalpha\nbeta\n gamma\n *\nafter\n");
    REQUIRE(s.size() == 1);
    CHECK(s[0].first == L"known");
    CHECK(s[0].second == L"alpha\nbeta\n gamma\n");

    // A header right after a body only closes it.
    s = SectionsOf(L" *known\na\n *known\nb\n *entities\nc\n");
    REQUIRE(s.size() == 2);
    CHECK(s[0].second == L"a\n");
    CHECK(s[1].first == L"entities");
    CHECK(s[1].second == L"c\n");

    // Tab-star headers, CR LF line ends, a last section without its closing line.
    s = SectionsOf(L"\t*known\r\nx\r\n\t*\r\n\t*second\r\ny");
    REQUIRE(s.size() == 2);
    CHECK(s[0].first == L"known");
    CHECK(s[0].second == L"x\r\n");
    CHECK(s[1].first == L"second");
    CHECK(s[1].second == L"y");

    // Not headers: no blank first, two blanks, a star without a blank.
    CHECK(SectionsOf(L"*known\nx\n  *known\ny\nknown*\n").empty());
}

TEST_CASE("only a header of exactly the section name is accepted")
{
    for (const wchar_t* text : {L" *Known\nalpha\n *\n", L" *known \nalpha\n *\n", L" * known\nalpha\n *\n"}) {
        CLexer::Storage storage;
        ApplySyntaxSections(storage, text, static_cast<int64>(wcslen(text)));
        CHECK(storage.known.Count() == 0);
    }
}

TEST_CASE("section words: one per line, blanks inside kept, lines beginning with a blank ignored")
{
    CLexer::Storage storage;
    const wchar_t* text = L" *known\r\nalpha\r\nbeta\r\n gamma\r\n\tdelta\r\n\r\ntwo words\r\nalpha\r\n *\r\nafter\r\n";
    ApplySyntaxSections(storage, text, static_cast<int64>(wcslen(text)));
    CHECK(Known(storage, L"alpha"));
    CHECK(Known(storage, L"beta"));
    CHECK(Known(storage, L"two words"));
    CHECK_FALSE(Known(storage, L"gamma"));
    CHECK_FALSE(Known(storage, L"delta"));
    CHECK_FALSE(Known(storage, L""));
    CHECK(storage.known.Count() == 3);
    // The second section replaced the first.
    const wchar_t* late = L" *known\nlate\n";
    ApplySyntaxSections(storage, late, static_cast<int64>(wcslen(late)));
    CHECK(storage.known.Count() == 1);
    CHECK(Known(storage, L"late"));
}

TEST_CASE("a known section with nothing in it empties the known set")
{
    CLexer::Storage storage;
    const wchar_t* full = L" *known\nalpha\n *\n";
    ApplySyntaxSections(storage, full, static_cast<int64>(wcslen(full)));
    REQUIRE(storage.known.Count() == 1);
    for (const wchar_t* empty : {L" *known\n *\n", L" *known"}) {
        ApplySyntaxSections(storage, empty, static_cast<int64>(wcslen(empty)));
        CHECK(storage.known.Count() == 0);
    }
}

TEST_CASE("syntax files are read as UTF-8 with or without a byte-order mark, with CR LF or LF")
{
    TempFolder folder;
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"bom-crlf.skvs", "\xEF\xBB\xBF *known\r\nalpha\r\nza\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n *\r\n"},
        {"bom-lf.skvs", "\xEF\xBB\xBF *known\nalpha\nza\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\n *\n"},
        {"crlf.skvs", " *known\r\nalpha\r\nza\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n *\r\n"},
        {"lf.skvs", " *known\nalpha\nza\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\n"},
    };
    for (const Case& c : cases) {
        INFO(c.name);
        String path = folder / std::wstring(c.name, c.name + strlen(c.name)).c_str();
        WriteFileBytes(path, c.bytes);
        CLexer::Storage storage;
        ReadSyntaxFileAt(storage, path);
        CHECK(storage.known.Count() == 2);
        CHECK(Known(storage, L"alpha"));
        CHECK(Known(storage, L"za\u017C\u00F3\u0142\u0107"));
    }
}

TEST_CASE("a missing syntax file or a folder in its place changes nothing")
{
    TempFolder folder;
    CLexer::Storage storage;
    ReadSyntaxFileAt(storage, folder / L"missing.skvs");
    CHECK(storage.known.Count() == 0);
    CHECK(storage.keywords.Count() == 106);
    String sub = folder / L"c.skvs";
    REQUIRE(CreateDirectoryW(sub.CStr(), nullptr));
    ReadSyntaxFileAt(storage, sub);
    CHECK(storage.known.Count() == 0);
}

TEST_CASE("an entities section of html.skvs replaces every built-in entity name")
{
    TempFolder folder;
    String path = folder / L"html.skvs";
    WriteFileBytes(path, " *entities\nfoo\nbar\n *\n *known\nignored\n");
    HtmlLexer::Storage storage;
    ReadSyntaxFileAt(storage, path);
    CHECK(storage.entities.Count() == 2);
    CHECK(storage.entities.Contains(L"foo", 3));
    CHECK_FALSE(storage.entities.Contains(L"amp", 3));
    CHECK(storage.tags.Count() == 158);
    CHECK(storage.css.known.Count() == 0);
}
