#include "LexerTestSupport.h"

#include <doctest.h>

#include <string>

namespace {

u32 RegionOfToken(const std::vector<Tok>& tokens, const std::string& text)
{
    return (Find(tokens, text).state >> 8) & 0xFF;
}

}  // namespace

TEST_CASE("HTML: tags, known and unknown attributes, values and entities")
{
    auto t = LexAll(Lang::Html, "<p class=\"x\" data-id=5 bogus>A &amp; B</p>");
    CHECK(Describe(t) ==
          "14:< 15:p 16:class 13:= 5:\" 5:x 5:\" 16:data-id 13:= 13:5 1:bogus 14:> 1:A 17:&amp; 1:B 14:< 15:/p 14:>");
    CHECK(RegionOfToken(t, "class") == kRegionTag);
    CHECK(RegionOfToken(t, "A") == kRegionPage);
    CHECK(Find(t, "A").kind == (kTokenText | kTokenLettersOnly));
    CHECK(Classes(Lang::Html, "<P CLASS=x Data-Role=y data- title>") == "14:< 15:P 16:CLASS 13:= 1:x 16:Data-Role 13:= 1:y 1:data- 16:title 14:>");
    CHECK(Classes(Lang::Html, "<!DOCTYPE html>") == "13:<! 1:DOCTYPE 1:html 14:>");
}

TEST_CASE("HTML: an entity is coloured when known or numeric and ended by a semicolon")
{
    CHECK(Classes(Lang::Html, "&amp &#169; &#x; &foo; &AMP; &#xA9; &lt;&gt;") ==
          "1:&amp 17:&#169; 1:&#x; 1:&foo; 1:&AMP; 17:&#xA9; 17:&lt; 17:&gt;");
    HtmlLexer::Storage storage;
    std::wstring body = L"foo\n";
    storage.OnSection(L"entities", 8, body.data(), static_cast<int32>(body.size()));
    LexDocument d("&foo; &amp;");
    HtmlLexer lexer(&d.doc, &storage);
    CHECK(Describe(LexFrom(lexer, d.doc, 0)) == "17:&foo; 1:&amp;");
}

TEST_CASE("HTML: a comment ends at the first dash followed by >")
{
    CHECK(Classes(Lang::Html, "<!-- a -> b --> c") == "3:<!-- 3:a 3:-> 1:b 1:--> 1:c");
    CHECK(Classes(Lang::Html, "<!-- x -- y -->z") == "3:<!-- 3:x 3:- 3:- 3:y 3:- 3:-> 1:z");
    auto t = LexAll(Lang::Html, "<!--\nx-->");
    CHECK((Find(t, "\n").startState & 0xFF) == kClassBlockComment);
}

TEST_CASE("HTML: an attribute value not closed on its line ends there and the tag goes on")
{
    auto t = LexAll(Lang::Html, "<a title=\"x\ny>z");
    CHECK(Describe(t) == "14:< 15:a 16:title 13:= 5:\" 5:x 23:LF 1:y 14:> 1:z");
    CHECK((Find(t, "\n").startState & 0xFF) == kClassTagText);
}

TEST_CASE("HTML: script content is JavaScript up to the script end tag")
{
    auto t = LexAll(Lang::Html, "<script>var s = 1;</script>x");
    CHECK(Describe(t) == "14:< 15:script 14:> 8:var 7:s 1:= 11:1 1:; 14:</ 15:script 14:> 1:x");
    CHECK(RegionOfToken(t, "var") == kRegionScript);
    CHECK(RegionOfToken(t, "x") == kRegionPage);
    CHECK(Classes(Lang::Html, "<SCRIPT type=x>if</Script >y") == "14:< 15:SCRIPT 16:type 13:= 1:x 14:> 8:if 14:</ 15:Script 14:> 1:y");
    // A start tag named scripts opens no script.
    auto s = LexAll(Lang::Html, "<scripts>var</scripts>");
    CHECK(Describe(s) == "14:< 1:scripts 14:> 1:var 14:< 1:/scripts 14:>");
    CHECK(RegionOfToken(s, "var") == kRegionPage);
}

TEST_CASE("HTML: the script end tag ends JavaScript inside a string or a comment")
{
    CHECK(Classes(Lang::Html, "<script>var s = \"</script>\";</script>x") ==
          "14:< 15:script 14:> 8:var 7:s 1:= 5:\" 14:</ 15:script 14:> 1:\"; 14:< 15:/script 14:> 1:x");
    CHECK(Classes(Lang::Html, "<script>x=\")</script>y") == "14:< 15:script 14:> 7:x 1:= 5:\" 5:) 14:</ 15:script 14:> 1:y");
    CHECK(Classes(Lang::Html, "<script>// a;</script>b") == "14:< 15:script 14:> 2:// 2:a 2:; 14:</ 15:script 14:> 1:b");
    CHECK(Classes(Lang::Html, "<script>/* ;</script> */") == "14:< 15:script 14:> 3:/* 3:; 14:</ 15:script 14:> 1:*/");
    CHECK(Classes(Lang::Html, "<script>'\\</script>z") == "14:< 15:script 14:> 6:' 6:\\ 14:</ 15:script 14:> 1:z");
    CHECK(Classes(Lang::Html, "<script>#x;</script>z") == "14:< 15:script 14:> 20:# 20:x 20:; 14:</ 15:script 14:> 1:z");
    // A "<" that starts no end tag stays in the script.
    CHECK(Classes(Lang::Html, "<script>a<b</script>") == "14:< 15:script 14:> 7:a 1:< 7:b 14:</ 15:script 14:>");
}

TEST_CASE("HTML: the end tag is found across blanks and line breaks")
{
    CHECK(Classes(Lang::Html, "<script>x</\n  script\n>y") == "14:< 15:script 14:> 7:x 14:</ 23:LF 15:script 23:LF 14:> 1:y");
    CHECK(Classes(Lang::Html, "<script>x< /script>y") == "14:< 15:script 14:> 7:x 14:< 15:/script 14:> 1:y");
    CHECK(Classes(Lang::Html, "<style>p</ style>y") == "14:< 15:style 14:> 9:p 14:</ 15:style 14:> 1:y");
}

TEST_CASE("HTML: style content is CSS")
{
    auto t = LexAll(Lang::Html, "<style>p { color: #abc; width: 1.5em; x: 12PX; c: #abcd } /* c */</style>");
    CHECK(Describe(t) ==
          "14:< 15:style 14:> 9:p 1:{ 7:color 1:: 11:#abc 1:; 7:width 1:: 11:1.5em 1:; 7:x 1:: 11:12 7:PX 1:; 7:c 1:: "
          "1:# 7:abcd 1:} 3:/* 3:c 3:*/ 14:</ 15:style 14:>");
    CHECK(RegionOfToken(t, "color") == kRegionStyle);
    CHECK(Classes(Lang::Html, "<style>1e+5 1.x 2vmin 3in 4.5E-1px 5e 6em2 #123456 .b</style>") ==
          "14:< 15:style 14:> 11:1e+5 12:1. 7:x 11:2vmin 11:3in 11:4.5E-1px 11:5 7:e 11:6em 11:2 11:#123456 1:. "
          "9:b 14:</ 15:style 14:>");
    CHECK(Classes(Lang::Html, "<style>a{content:\"x)</style>b") ==
          "14:< 15:style 14:> 9:a 1:{ 7:content 1:: 5:\" 5:x 5:) 14:</ 15:style 14:> 1:b");
    CHECK(Classes(Lang::Html, "<style>/* ;</style>b") == "14:< 15:style 14:> 3:/* 3:; 14:</ 15:style 14:> 1:b");
    CHECK(Classes(Lang::Html, "<style>'a\\'b'</style>") == "14:< 15:style 14:> 6:' 6:a 6:\\' 6:b 6:' 14:</ 15:style 14:>");
}

TEST_CASE("CSS: colours, colons, slashes, percentages and identifiers with hyphens and underscores")
{
    CHECK(Classes(Lang::Html, "<style>#12345678 #1234567 #A1b2C3; a::b / --x _y-1 DIV 50% 5PX%</style>") ==
          "14:< 15:style 14:> 1:# 11:12345678 1:# 11:1234567 11:#A1b2C3 1:; 9:a 1:: 1:: 9:b 1:/ 7:--x 7:_y-1 9:DIV "
          "11:50% 11:5 7:PX 1:% "
          "14:</ 15:style 14:>");
}

TEST_CASE("HTML: a question mark after < is a PHP opening only in PHP mode")
{
    CHECK(Classes(Lang::Html, "<?xml version=1?>x") == "14:< 14:? 1:xml 16:version 13:= 13:1 13:? 14:> 1:x");
    auto t = LexAll(Lang::Php, "<?xml version=1?>x");
    CHECK(Describe(t) == "14:< 14:?xml 7:version 1:= 11:1 13:? 14:> 1:x");
    CHECK(RegionOfToken(t, "version") == kRegionPhp);
    // Elsewhere in a tag the question mark is tag text.
    CHECK(Classes(Lang::Php, "<a ?b>") == "14:< 15:a 13:? 1:b 14:>");
}

TEST_CASE("HTML: words of css.skvs are known words in style content")
{
    HtmlLexer::Storage storage;
    std::wstring body = L"color\nmargin-top\n";
    storage.css.OnSection(L"known", 5, body.data(), static_cast<int32>(body.size()));
    LexDocument d("<style>div{color:red;margin-top:0}</style>");
    HtmlLexer lexer(&d.doc, &storage);
    CHECK(Describe(LexFrom(lexer, d.doc, 0)) ==
          "14:< 15:style 14:> 9:div 1:{ 9:color 1:: 7:red 1:; 9:margin-top 1:: 11:0 1:} 14:</ 15:style 14:>");
}

TEST_CASE("PHP: text before the opening marker is HTML, code after it PHP, and the page goes on after the closing")
{
    auto t = LexAll(Lang::Php, "<b>x</b><?php echo $name; ?>tail");
    CHECK(Describe(t) == "14:< 15:b 14:> 1:x 14:< 15:/b 14:> 14:< 14:?php 8:echo 7:$name 1:; 13:? 14:> 1:tail");
    CHECK(RegionOfToken(t, "echo") == kRegionPhp);
    CHECK(RegionOfToken(t, "tail") == kRegionPage);
    CHECK(Find(t, "?php").kind == kTokenText);
}

TEST_CASE("PHP: the closing marker is found right after punctuation and inside a line comment")
{
    CHECK(Classes(Lang::Php, "<?php echo $x;?>y") == "14:< 14:?php 8:echo 7:$x 1:; 13:? 14:> 1:y");
    CHECK(Classes(Lang::Php, "<?php // c ?>y") == "14:< 14:?php 2:// 2:c 13:? 14:> 1:y");
    CHECK(Classes(Lang::Php, "<?php $a = $b ? 1 : 2;") == "14:< 14:?php 7:$a 1:= 7:$b 1:? 11:1 1:: 11:2 1:;");
}

TEST_CASE("PHP: variables, numbers without suffixes, keywords and no preprocessor")
{
    CHECK(Classes(Lang::Php, "<?php $a = 0x1F + 1.5e+3 + 0x + 2d1 + 7u # no\nfunction f() { return null; }") ==
          "14:< 14:?php 7:$a 1:= 11:0x1F 1:+ 11:1.5e+3 1:+ 12:0x 1:+ 11:2d1 1:+ 11:7 7:u 1:# 7:no 23:LF "
          "8:function 7:f 1:() 1:{ 8:return 7:null 1:; 1:}");
    CHECK(Classes(Lang::Php, "<?php 'it\\'s' \"a/*b\" /* c */ $") == "14:< 14:?php 6:' 6:it 6:\\' 6:s 6:' 5:\" 5:a 5:/* 5:b 5:\" 3:/* 3:c 3:*/ 7:$");
    // Hexadecimal numbers take no suffix either.
    CHECK(Classes(Lang::Php, "<?php 0xFFul 0XaL 1.5u") == "14:< 14:?php 11:0xFF 7:ul 11:0Xa 7:L 11:1.5 7:u");
    // A line comment ends at the line end, whose token keeps the comment's class.
    auto t = LexAll(Lang::Php, "<?php // c\n$y");
    CHECK(Describe(t) == "14:< 14:?php 2:// 2:c 23:LF 7:$y");
    CHECK((Find(t, "\n").after & 0xFF) == kClassText);
}

TEST_CASE("HTML: a < that starts no end tag cuts every run of the script and the style, in every state")
{
    // Without the cut each "%<%" would be one run and an end tag behind a
    // "<" inside it could go unseen.
    CHECK(Classes(Lang::Html, "<script>%<% // %<%\n/* %<% */ \"%<%\" '%<%' #%<%\n</script>") ==
          "14:< 15:script 14:> 1:% 1:< 1:% 2:// 2:% 2:< 2:% 23:LF 3:/* 3:% 3:< 3:% 3:*/ "
          "5:\" 5:% 5:< 5:% 5:\" 6:' 6:% 6:< 6:% 6:' 20:# 20:% 20:< 20:% 23:LF 14:</ 15:script 14:>");
    CHECK(Classes(Lang::Html, "<style>%<% /* %<% */ \"%<%\" '%<%'</style>") ==
          "14:< 15:style 14:> 1:% 1:< 1:% 3:/* 3:% 3:< 3:% 3:*/ 5:\" 5:% 5:< 5:% 5:\" 6:' 6:% 6:< 6:% 6:' "
          "14:</ 15:style 14:>");
    // An escape never takes the "<" of an end tag.
    CHECK(Classes(Lang::Html, "<style>\"\\</style>x") == "14:< 15:style 14:> 5:\" 5:\\ 14:</ 15:style 14:> 1:x");
    CHECK(Classes(Lang::Html, "<script>\"\\</script>x") == "14:< 15:script 14:> 5:\" 5:\\ 14:</ 15:script 14:> 1:x");
    // The end tag right behind a run, in each state.
    for (const char* open : {"", "// ", "/* ", "\"", "'", "#"}) {
        INFO(open);
        auto t = LexAll(Lang::Html, std::string("<script>") + open + "%%</script>z");
        CHECK(RegionOfToken(t, "z") == kRegionPage);
        CHECK(Find(t, "%%").end == Find(t, "</").start);
    }
    for (const char* open : {"", "/* ", "\"", "'"}) {
        INFO(open);
        auto t = LexAll(Lang::Html, std::string("<style>") + open + "%%</style>z");
        CHECK(RegionOfToken(t, "z") == kRegionPage);
    }
}

TEST_CASE("JavaScript and CSS outside a page: < is ordinary punctuation")
{
    CHECK(Classes(Lang::JavaScript, "a %<% \"%<%\" /* %<% */") == "7:a 1:%<% 5:\" 5:%<% 5:\" 3:/* 3:%<% 3:*/");
    HtmlLexer::Storage storage;
    LexDocument d("a %<% b");
    CssLexer css(&d.doc, &storage.css, &storage.tags, true);
    // As a lexer of its own CSS is plain text.
    CHECK(Describe(LexFrom(css, d.doc, 0)) == "1:a 1:%<% 1:b");
}
