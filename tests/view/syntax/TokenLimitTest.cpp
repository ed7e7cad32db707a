#include "LexerTestSupport.h"

#include <doctest.h>

#include <string>

namespace {

// Every token holds at most 250 characters, the tokens cover the text
// without gaps, and the first token that stopped at the limit says so.
void CheckBounded(Lang lang, const std::string& text)
{
    INFO(LangName(lang) << ": " << text.substr(0, 40));
    auto tokens = LexAll(lang, text);
    int64 at = 0;
    bool cut = false;
    for (const Tok& t : tokens) {
        CHECK(t.start == at);
        CHECK(CharsOf(t) <= kTokenRunLimit);
        cut = cut || t.cut;
        at = t.end;
    }
    CHECK(at == static_cast<int64>(text.size()));
    CHECK(cut);
}

const Tok& Last(const std::vector<Tok>& tokens, const std::string& text)
{
    for (size_t i = tokens.size(); i-- > 0;)
        if (tokens[i].text == text)
            return tokens[i];
    FAIL("no token " << text);
    return tokens.back();
}

}  // namespace

TEST_CASE("long runs are cut in every scanner")
{
    const std::string k(1000, 'k');
    const std::string digits(1000, '7');
    CheckBounded(Lang::C, "x " + std::string(1000, '/'));
    CheckBounded(Lang::C, "/" + std::string(1000, '*') + "/");
    CheckBounded(Lang::C, "x " + digits + "." + digits + "e+" + digits + "ul");
    CheckBounded(Lang::C, "0x" + std::string(1000, 'F'));
    CheckBounded(Lang::C, "." + digits);
    CheckBounded(Lang::C, "_" + k);
    CheckBounded(Lang::C, "\"" + std::string(1000, ' ') + std::string(1000, '%') + "\"");
    CheckBounded(Lang::Html, "&" + k + ";");
    CheckBounded(Lang::Html, "&#" + digits + ";");
    CheckBounded(Lang::Html, "&#x" + digits + ";");
    CheckBounded(Lang::Html, "<" + k + " " + k + "=1>");
    CheckBounded(Lang::Html, "<!-- " + std::string(1000, '=') + " -->");
    CheckBounded(Lang::Php, "<?" + k + " $a ?>");
    CheckBounded(Lang::Php, "<?php $" + k + " ?>");
    CheckBounded(Lang::Php, "<?php " + digits + "." + digits + " ?>");
    CheckBounded(Lang::Html, "<style>" + digits + "." + digits + "e+" + digits + "</style>");
    CheckBounded(Lang::Html, "<style>" + std::string(1000, '-') + "</style>");
    CheckBounded(Lang::Html, "<script>" + std::string(1000, '/') + "</script>");
    CheckBounded(Lang::Morvane, std::string(1000, '#') + " x");
    CheckBounded(Lang::Morvane, "0x" + std::string(1000, '1') + " " + "x" + std::string(1000, '\''));
    CheckBounded(Lang::Kestin, std::string(1000, '#') + " x");
    CheckBounded(Lang::Kestin, "&H" + std::string(1000, 'F') + " &B" + std::string(1000, '1'));
}

TEST_CASE("long runs are cut in comments, strings, preprocessor lines, tags and every number form")
{
    const std::string k(1000, 'k');
    const std::string digits(1000, '7');
    const std::string punct(1000, '%');
    for (Lang lang : {Lang::C, Lang::Cs, Lang::Java, Lang::JavaScript}) {
        CheckBounded(lang, "#" + punct);
        CheckBounded(lang, "// " + punct);
        CheckBounded(lang, "/* " + punct + " */");
        CheckBounded(lang, "'" + punct + "'");
        CheckBounded(lang, digits + "." + digits);
        CheckBounded(lang, "1." + digits + "e");
    }
    CheckBounded(Lang::Html, "<a b=\"" + punct + "\">");
    CheckBounded(Lang::Html, "<a " + punct + ">");
    CheckBounded(Lang::Html, "<!" + punct + ">");
    CheckBounded(Lang::Html, punct + " " + k);
    CheckBounded(Lang::Html, "<script>\"" + punct + "\" // " + punct + "</script>");
    CheckBounded(Lang::Html, "<script>/* " + punct + " */ #" + punct + "</script>");
    CheckBounded(Lang::Html, "<style>" + k + " " + punct + "</style>");
    CheckBounded(Lang::Html, "<style>\"" + punct + "\" '" + punct + "'</style>");
    CheckBounded(Lang::Html, "<style>/*" + punct + "*/</style>");
    CheckBounded(Lang::Html, "<style>" + digits + "px " + std::string(248, '1') + "vmin</style>");
    CheckBounded(Lang::Php, "<?php 0x" + std::string(1000, 'F') + " ?>");
    CheckBounded(Lang::Php, "<?php " + k + " " + digits + "e+" + digits + " ?>");
    CheckBounded(Lang::Php, "<?php // " + punct + " ?>");
    CheckBounded(Lang::Php, "<?php \"" + punct + "\" '" + punct + "' ?>");
    CheckBounded(Lang::Morvane, k);
    CheckBounded(Lang::Morvane, "1" + std::string(1000, '_') + " 0d" + digits);
    std::string grouped;
    for (int i = 0; i < 600; i++)
        grouped += "1_";
    CheckBounded(Lang::Morvane, grouped + "." + grouped + "e+" + grouped);
    CheckBounded(Lang::Morvane, "0x" + grouped);
    CheckBounded(Lang::Morvane, "\"" + punct + "\" '" + punct + "' # " + punct);
    CheckBounded(Lang::Kestin, k);
    CheckBounded(Lang::Kestin, digits + "." + digits + "e+" + digits);
    CheckBounded(Lang::Kestin, "&D" + digits);
    CheckBounded(Lang::Kestin, "-- " + punct);
    CheckBounded(Lang::Kestin, "'" + punct + "' \"" + punct + "\"");
    std::string marks;
    for (int i = 0; i < 600; i++)
        marks += "\xCC\x81";
    CheckBounded(Lang::Text, marks);
}

TEST_CASE("a cut run of stars still lets the comment close right after it")
{
    for (int stars : {1, 247, 248, 249, 250, 251, 1000}) {
        INFO(stars << " stars");
        auto t = LexAll(Lang::C, "/" + std::string(static_cast<size_t>(stars), '*') + "/x");
        CHECK(Last(t, "x").cls == kClassIdentifier);
        for (const Tok& k : t)
            CHECK(CharsOf(k) <= kTokenRunLimit);
    }
    auto open = LexAll(Lang::C, "/" + std::string(300, '*') + " x");
    CHECK(Last(open, "x").cls == kClassBlockComment);
}

TEST_CASE("seek into a huge line stays near the position")
{
    std::string line(300000, '/');
    LexDocument d("x " + line);
    for (Lang lang : {Lang::C, Lang::Php, Lang::Html}) {
        auto lexer = MakeLexer(lang, d.doc);
        auto t = LexFrom(*lexer, d.doc, 200000, nullptr, 0, 3);
        CHECK(t[0].start == 200000);
        for (const Tok& k : t)
            CHECK(k.end - k.start <= kTokenRunLimit);
    }
}
