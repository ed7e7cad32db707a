#include "LexerTestSupport.h"

#include <doctest.h>

#include <random>
#include <string>

namespace {

struct Sample {
    Lang lang;
    const char* text;
};

const Sample kSamples[] = {
    {Lang::C,
     "#include <stdio.h>\n/* block\n   comment */ int main(void) {\n  char* s = \"a\\\"b // c\"; // line\n"
     "  long n = 0xFFul + 1.5e3 + .5; x#y\n  /*/ odd */ return 'c' /* two\n\n lines **/ ;\n}\n\"open\n"},
    {Lang::Cs, "using System;\nclass A { Int32 f(int x) { return x * 2; } } // done\n/* c\n# not */ string s = @\"x\";\n"},
    {Lang::Java, "package a;\n@interface B {}\nclass C { String s = \"q\\n\"; /** doc\n * more */ }\n"},
    {Lang::JavaScript, "function f(a) {\n  return a < 3 ? 'x' : \"y\"; // c\n}\n/* multi\nline */ var r = /re/g;\n"},
    {Lang::Html,
     "<!DOCTYPE html>\n<html><head><style>\np { color: #abc; } /* c\n*/ a:hover { width: 1.5em }\n</style>\n"
     "<script>\nvar s = \"</scr\" + 'ipt>'; /* x\n y */ if (a < b) {}\n</script></head>\n<body class=\"m\n"
     "x\" data-v='1'>A &amp; B &copy &#x41; <!-- c -> d --> e\n<p>text</p></body></html>\n"},
    {Lang::Php,
     "<html><body>\n<?php\n  $x = 1; /* c\n  ?> still */ echo \"a?>b\";\n  // line ?>\n<b>bold</b><?= $y ?>\n"
     "<script>var z = 1;</script>\n<?php function f() { return 0x1F; } ?>\n</body></html>\n"},
    {Lang::Morvane, "func f(x) # c # while x\n  \"s\\\"t\" it's 1_000 0xFF\n### all\n'open\nend\n"},
    {Lang::Kestin, "WHILE x -- c\n  \"s\\\" &HFF &B10 # c\nlocal y = 1.5e+3\n'open\nend\n"},
};

bool Relexes(Lang lang)
{
    return lang != Lang::Morvane && lang != Lang::Kestin && lang != Lang::Text;
}

// The lexer's state just before token i of a full lex.
u32 StateBefore(const std::vector<Tok>& tokens, size_t i)
{
    return i == 0 ? kInitialLexerState : tokens[i - 1].after;
}

void CheckSameTokens(const std::vector<Tok>& expected, size_t from, const std::vector<Tok>& got)
{
    REQUIRE(got.size() == expected.size() - from);
    for (size_t k = 0; k < got.size(); k++) {
        const Tok& e = expected[from + k];
        const Tok& g = got[k];
        INFO("token " << k << " '" << e.text << "' at " << e.start);
        CHECK(g.start == e.start);
        CHECK(g.end == e.end);
        CHECK(g.state == e.state);
        CHECK(g.kind == e.kind);
        CHECK(g.cut == e.cut);
        CHECK(g.after == e.after);
        CHECK(g.units == e.units);
    }
}

}  // namespace

TEST_CASE("seek to any token start gives the same tokens as lexing from the start")
{
    std::mt19937 rng(20240611);
    for (const Sample& sample : kSamples) {
        INFO(LangName(sample.lang));
        LexDocument d(sample.text);
        auto lexer = MakeLexer(sample.lang, d.doc);
        std::vector<Tok> full = LexFrom(*lexer, d.doc, 0);
        REQUIRE(full.size() > 10);
        std::uniform_int_distribution<size_t> pick(0, full.size() - 1);
        for (int round = 0; round < 40; round++) {
            size_t i = pick(rng);
            int64 position = full[i].start;
            INFO("round " << round << ", position " << position);
            // With the state saved right there.
            u32 saved = StateBefore(full, i);
            CheckSameTokens(full, i, LexFrom(*lexer, d.doc, position, &saved, position));
            if (!Relexes(sample.lang))
                continue;
            // The language lexers relex from a state saved at an earlier
            // token, or from before without one.
            size_t j = std::uniform_int_distribution<size_t>(0, i)(rng);
            u32 earlier = StateBefore(full, j);
            CheckSameTokens(full, i, LexFrom(*lexer, d.doc, position, &earlier, full[j].start));
            CheckSameTokens(full, i, LexFrom(*lexer, d.doc, position));
        }
        // The scripting languages need no saved state at a line start.
        for (size_t i = 1; i < full.size(); i++)
            if (full[i - 1].cls == kClassLineEnd)
                CheckSameTokens(full, i, LexFrom(*lexer, d.doc, full[i].start));
    }
}

TEST_CASE("a saved state outside the relexing window or past the position is not used")
{
    std::string text = "x\n" + std::string(70000, 'x') + "\nint y;\n";
    LexDocument d(text);
    auto lexer = MakeLexer(Lang::C, d.doc);
    int64 at = static_cast<int64>(text.find("int"));
    u32 comment = WithClass(kInitialLexerState, kClassBlockComment);
    // Saved more than 64 KiB back: not used, or "int" would be in a comment.
    CHECK(LexFrom(*lexer, d.doc, at, &comment, 0, 1)[0].cls == kClassKeyword);
    CHECK(LexFrom(*lexer, d.doc, at, &comment, at - 100, 1)[0].cls == kClassBlockComment);
    // Saved after the position: not used either.
    CHECK(LexFrom(*lexer, d.doc, 10, &comment, 20, 1)[0].cls == kClassIdentifier);
    CHECK(LexFrom(*lexer, d.doc, 10, &comment, 10, 1)[0].cls == kClassBlockComment);
}

TEST_CASE("seek relexes from 64 KiB back rounded down to a 4 KiB boundary")
{
    // A comment opener that only a relex from far enough back sees.
    const int64 opener = 57350;
    const int64 first = 4096 * 30 + 100;  // first - 65536 rounds down to 57344
    const int64 second = first + 4096;    // second - 65536 rounds down to 61440
    std::string text(static_cast<size_t>(second + 10), ' ');
    text.replace(static_cast<size_t>(opener), 2, "/*");
    text.replace(static_cast<size_t>(first), 3, "int");
    text.replace(static_cast<size_t>(second), 3, "int");
    LexDocument d(text);
    for (Lang lang : {Lang::C, Lang::JavaScript}) {
        auto lexer = MakeLexer(lang, d.doc);
        CHECK(LexFrom(*lexer, d.doc, first, nullptr, 0, 1)[0].cls == kClassBlockComment);
        CHECK(LexFrom(*lexer, d.doc, second, nullptr, 0, 1)[0].cls == kClassKeyword);
    }
}

TEST_CASE("seek far into a long text without long-range state matches lexing from the start")
{
    std::string text;
    std::mt19937 rng(77);
    const char* lines[] = {"int x = 0x1F; // note\n", "char* s = \"a b\";\n", "y = x#z\n", "f(1.5e3, 'c');\n",
                           "  return a->b;\n"};
    while (text.size() < 300000)
        text += lines[rng() % 5];
    LexDocument d(text);
    auto lexer = MakeLexer(Lang::C, d.doc);
    std::vector<Tok> full = LexFrom(*lexer, d.doc, 0);
    std::uniform_int_distribution<size_t> pick(full.size() / 3, full.size() - 20);
    for (int round = 0; round < 20; round++) {
        size_t i = pick(rng);
        std::vector<Tok> got = LexFrom(*lexer, d.doc, full[i].start, nullptr, 0, 20);
        std::vector<Tok> expected(full.begin() + static_cast<std::ptrdiff_t>(i), full.begin() + static_cast<std::ptrdiff_t>(i) + 20);
        CheckSameTokens(expected, 0, got);
    }
}

TEST_CASE("HTML and PHP seeks without a saved state start in page text and in PHP code")
{
    std::string text = "<?php\n";
    while (text.size() < 200000)
        text += "$a = 1; // x\n";
    LexDocument d(text);
    int64 at = static_cast<int64>(text.find("$a", 150000));
    auto php = MakeLexer(Lang::Php, d.doc);
    auto t = LexFrom(*php, d.doc, at, nullptr, 0, 1);
    CHECK(t[0].cls == kClassIdentifier);
    CHECK(RegionOf(t[0].state) == kRegionPhp);
    auto html = MakeLexer(Lang::Html, d.doc);
    t = LexFrom(*html, d.doc, at, nullptr, 0, 1);
    CHECK(t[0].cls == kClassText);
    CHECK(RegionOf(t[0].state) == kRegionPage);
}

TEST_CASE("seek positions the lexer exactly and resets the token text")
{
    LexDocument d("int abc = 1;");
    auto lexer = MakeLexer(Lang::C, d.doc);
    TokenText text;
    text.AppendCodePoint('z', 1);
    lexer->Seek(5, 0, nullptr, &text);  // inside the identifier
    CHECK(lexer->Position() == 5);
    CHECK(text.Count() == 0);
    CHECK(lexer->State() == kInitialLexerState);
    TokenRecord r{};
    lexer->NextToken(r);
    CHECK(r.start == 5);
    CHECK(r.end == 7);
}

TEST_CASE("a seek into the middle of a token takes the state at that token's start")
{
    struct Case {
        Lang lang;
        const char* text;
        int64 inside;     // a position inside the first token
        int64 behind;     // the end of the first token
        u32 behindClass;  // the state's class there
    };
    const Case cases[] = {
        {Lang::C, "/** x */", 1, 3, kClassBlockComment},
        {Lang::C, "//// x", 2, 4, kClassLineComment},
        {Lang::JavaScript, "/*/ x", 2, 3, kClassText},
        {Lang::Html, "<!-- x -->", 2, 4, kClassBlockComment},
        {Lang::Html, "<!DOCTYPE x>", 1, 2, kClassTagText},
    };
    for (const Case& c : cases) {
        INFO(LangName(c.lang) << ": " << c.text);
        LexDocument d(c.text);
        auto lexer = MakeLexer(c.lang, d.doc);
        TokenText text;
        lexer->Seek(c.inside, 0, nullptr, &text);
        CHECK(lexer->State() == kInitialLexerState);
        CHECK(lexer->Position() == c.inside);
        lexer->Seek(c.behind, 0, nullptr, &text);
        CHECK(TokenClassOf(lexer->State()) == c.behindClass);
        CHECK(lexer->Position() == c.behind);
    }
}

TEST_CASE("the tag flags travel in the saved state")
{
    // Restarting inside the script's content with the state saved there,
    // and from a state saved before the start tag, both see JavaScript.
    std::string text = "<p>x</p><script type=a>\nvar s;\n</script>\nvar";
    LexDocument d(text);
    auto lexer = MakeLexer(Lang::Html, d.doc);
    std::vector<Tok> full = LexFrom(*lexer, d.doc, 0);
    int64 at = static_cast<int64>(text.find("var"));
    size_t i = 0;
    while (full[i].start != at)
        i++;
    u32 saved = full[i - 1].after;
    CHECK((saved & HtmlLexer::kScriptOpen) != 0);
    CHECK(RegionOf(saved) == kRegionScript);
    auto t = LexFrom(*lexer, d.doc, at, &saved, at, 1);
    CHECK(t[0].cls == kClassKeyword);
    // Without the flag the end tag would not bring the page back.
    auto rest = LexFrom(*lexer, d.doc, at, &saved, at);
    CHECK(rest[rest.size() - 2].cls == kClassText);
    CHECK(RegionOf(rest[rest.size() - 2].state) == kRegionPage);
    u32 page = kInitialLexerState;
    t = LexFrom(*lexer, d.doc, at, &page, 4);
    CHECK(t[0].cls == kClassKeyword);
    CHECK(RegionOf(t[0].state) == kRegionScript);
}

TEST_CASE("random mixes of every language's delimiters: covering tokens, and seeks that agree with the full lex")
{
    const std::string pieces[] = {"<", ">", "</", "script", "style", "<script>", "</script>", "<style>", "</style>",
                                  "<?php", "?>", "?", "\"", "'", "\\", "/", "*", "/*", "*/", "//", "#", "-", "--",
                                  "->", "<!--", "-->", "<!", "&", "&amp;", "&#", "x", ";", "0x", "1", "e", "+", ".",
                                  "_", " ", "\t", "\n", "\r\n", "\r", "$", "abc", "&H", "&B", "0d", "0b", "%",
                                  "\xCC\x81", "\xC5\xBC", "\x80", "\x07", "data-x", "=", "{", ":", "px", "#abc", "'s",
                                  "\xF0\x9F\x98\x80", std::string(1, '\0'), "words of a comment, or a string ",
                                  "a/b*c'd\"e\\f "};
    std::mt19937 rng(5);
    for (int round = 0; round < 150; round++) {
        std::string text;
        for (int n = static_cast<int>(rng() % 80); n > 0; n--)
            text += pieces[rng() % (sizeof(pieces) / sizeof(pieces[0]))];
        for (Lang lang : {Lang::Text, Lang::C, Lang::Cs, Lang::JavaScript, Lang::Html, Lang::Php, Lang::Morvane,
                          Lang::Kestin}) {
            INFO(LangName(lang) << ", round " << round);
            LexDocument d(text);
            auto lexer = MakeLexer(lang, d.doc);
            std::vector<Tok> full = LexFrom(*lexer, d.doc, 0);
            REQUIRE(full.back().cls == kClassEndOfText);
            int64 at = 0;
            for (const Tok& t : full) {
                CHECK(t.start == at);
                CHECK((t.end > t.start || t.cls == kClassEndOfText));
                at = t.end;
            }
            CHECK(at == static_cast<int64>(text.size()));
            // A seek anywhere in code takes the state before the token it
            // lands in.
            if (lang == Lang::C || lang == Lang::Cs || lang == Lang::JavaScript) {
                size_t i = 0;
                for (int64 p = 0; p < static_cast<int64>(text.size()); p = d.doc.text.NextChar(p)) {
                    while (full[i].end <= p)
                        i++;
                    TokenText tt;
                    lexer->Seek(p, 0, nullptr, &tt);
                    CAPTURE(p);
                    CHECK(lexer->State() == StateBefore(full, i));
                    CHECK(lexer->Position() == p);
                }
            }
            for (size_t i = 0; i < full.size(); i++) {
                u32 saved = StateBefore(full, i);
                CheckSameTokens(full, i, LexFrom(*lexer, d.doc, full[i].start, &saved, full[i].start));
                if (Relexes(lang))
                    CheckSameTokens(full, i, LexFrom(*lexer, d.doc, full[i].start));
            }
        }
    }
}
