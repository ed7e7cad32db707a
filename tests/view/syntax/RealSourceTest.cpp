#include "LexerTestSupport.h"
#include "base/Paths.h"
#include "support/TempFolder.h"
#include "view/syntax/TokenText.h"

#include <doctest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

// Sources no one here wrote, from the packages installed for the tests, read
// through Wine's drive Z: (the machine's root).

namespace {

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

// Lexes the whole text and checks that the tokens cover every byte exactly
// once, in order, each holding something and at most 250 characters.
// Returns the number of tokens.
int64 CheckCoverage(Lang lang, const std::string& bytes, const std::wstring& name)
{
    INFO(LangName(lang) << " " << Narrow(name));
    LexDocument d(bytes);
    auto lexer = MakeLexer(lang, d.doc);
    TokenText text;
    lexer->Seek(0, 0, nullptr, &text);
    int64 at = 0;
    int64 count = 0;
    int64 size = static_cast<int64>(bytes.size());
    for (;;) {
        text.Reset();
        TokenRecord r{};
        lexer->NextToken(r);
        count++;
        if (r.start != at) {
            FAIL_CHECK("token at " << r.start << " after one ending at " << at);
            return count;
        }
        if ((r.state & 0xFF) == kClassEndOfText)
            break;
        if (r.end <= r.start) {
            FAIL_CHECK("empty token at " << r.start);
            return count;
        }
        int32 chars = 0;
        for (int32 i = r.textStart; i < r.textEnd; i++)
            if (text.ByteLengths()[i] != 0)
                chars++;
        if (chars > kTokenRunLimit) {
            FAIL_CHECK("token of " << chars << " characters at " << r.start);
            return count;
        }
        at = r.end;
    }
    CHECK(at == size);
    return count;
}

// Seeks to random token starts with the state saved a few tokens earlier and
// compares the next tokens with those of the full lex.
void CheckSeeks(Lang lang, const std::string& bytes, unsigned seed)
{
    LexDocument d(bytes);
    auto lexer = MakeLexer(lang, d.doc);
    std::vector<Tok> full = LexFrom(*lexer, d.doc, 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, full.size() - 1);
    for (int round = 0; round < 25; round++) {
        size_t i = pick(rng);
        size_t j = i >= 7 ? i - 7 : 0;
        u32 saved = j == 0 ? kInitialLexerState : full[j - 1].after;
        std::vector<Tok> got = LexFrom(*lexer, d.doc, full[i].start, &saved, full[j].start, 30);
        INFO(LangName(lang) << " seek to " << full[i].start << ", seed " << seed);
        for (size_t k = 0; k < got.size(); k++) {
            REQUIRE(i + k < full.size());
            CHECK(got[k].start == full[i + k].start);
            CHECK(got[k].end == full[i + k].end);
            CHECK(got[k].state == full[i + k].state);
        }
    }
}

std::string Read(const std::wstring& path)
{
    return ReadFileBytes(String(path.c_str()));
}

const std::wstring kMingwInclude = L"Z:\\usr\\x86_64-w64-mingw32\\include\\";
const std::wstring kJavaScript = L"Z:\\usr\\share\\javascript\\";

}  // namespace

TEST_CASE("C headers of the MinGW runtime lex into covering, bounded tokens")
{
    std::vector<std::wstring> headers = FilesIn(kMingwInclude, L"*.h");
    REQUIRE(headers.size() > 500);
    int64 tokens = 0;
    for (const std::wstring& h : headers)
        tokens += CheckCoverage(Lang::C, Read(h), h);
    CHECK(tokens > 1000000);
    CheckSeeks(Lang::C, Read(kMingwInclude + L"windows.h"), 1);
    CheckSeeks(Lang::C, Read(kMingwInclude + L"winuser.h"), 2);
}

TEST_CASE("JavaScript libraries lex into covering, bounded tokens")
{
    const std::wstring files[] = {kJavaScript + L"jquery\\jquery.js", kJavaScript + L"jquery\\jquery.min.js",
                                  kJavaScript + L"underscore\\underscore.js", kJavaScript + L"jquery-ui\\jquery-ui.js"};
    unsigned seed = 10;
    for (const std::wstring& f : files) {
        std::string bytes = Read(f);
        REQUIRE(bytes.size() > 10000);
        for (Lang lang : {Lang::JavaScript, Lang::Java, Lang::Cs})
            CheckCoverage(lang, bytes, f);
        CheckSeeks(Lang::JavaScript, bytes, seed++);
    }
}

TEST_CASE("style sheets inside a page lex into covering, bounded tokens")
{
    std::vector<std::wstring> sheets = FilesIn(kJavaScript + L"jquery-ui\\themes\\base\\", L"*.css");
    REQUIRE(sheets.size() > 10);
    for (const std::wstring& s : sheets) {
        std::string page = "<style>\n" + Read(s) + "\n</style>\n";
        CheckCoverage(Lang::Html, page, s);
        CheckSeeks(Lang::Html, page, static_cast<unsigned>(page.size()));
    }
}

TEST_CASE("HTML pages with style and script elements lex into covering, bounded tokens")
{
    std::vector<std::wstring> pages = {L"Z:\\usr\\share\\doc\\libjs-underscore\\index.html",
                                       L"Z:\\usr\\share\\doc\\ninja-build\\manual.html"};
    for (const std::wstring& p : FilesIn(L"Z:\\usr\\share\\doc\\doctest-dev\\", L"*.html"))
        pages.push_back(p);
    REQUIRE(pages.size() > 10);
    unsigned seed = 100;
    for (const std::wstring& p : pages) {
        std::string bytes = Read(p);
        for (Lang lang : {Lang::Html, Lang::Php})
            CheckCoverage(lang, bytes, p);
        CheckSeeks(Lang::Html, bytes, seed++);
        // The same bytes as Morvane and Kestin scripts, for their scanners.
        CheckCoverage(Lang::Morvane, bytes, p);
        CheckCoverage(Lang::Kestin, bytes, p);
    }
}
