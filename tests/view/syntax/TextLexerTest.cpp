#include "LexerTestSupport.h"
#include "view/syntax/TokenText.h"

#include <doctest.h>

#include <cstring>
#include <string>

TEST_CASE("generic tokenizer: blanks, tabs, words and runs of punctuation")
{
    auto t = LexAll(Lang::Text, "ab 12\tx_y,.. ab1");
    REQUIRE(t.size() == 9);
    CHECK(t[0].text == "ab");
    CHECK(t[0].kind == (kTokenText | kTokenLettersOnly));
    CHECK(t[1].kind == kTokenBlank);
    CHECK(t[2].text == "12");
    CHECK(t[2].kind == kTokenText);
    CHECK(t[3].kind == kTokenTab);
    CHECK(t[4].text == "x_y");
    CHECK(t[4].kind == kTokenText);  // an underscore makes it no plain word
    CHECK(t[5].text == ",..");
    CHECK(t[5].kind == kTokenText);
    CHECK(t[7].text == "ab1");
    CHECK(t[7].kind == kTokenText);
    for (size_t i = 0; i + 1 < t.size(); i++)
        CHECK(t[i].cls == kClassText);
    CHECK(t[8].cls == kClassEndOfText);
}

TEST_CASE("generic tokenizer: non-ASCII letters and combining marks make plain words")
{
    // "zo" + U+0301 + "lw", then a Polish word.
    auto t = LexAll(Lang::Text, "zo\xCC\x81lw \xC5\xBC\xC3\xB3\xC5\x82w");
    CHECK(t[0].text == "zo\xCC\x81lw");
    CHECK(t[0].kind == (kTokenText | kTokenLettersOnly));
    CHECK(t[2].kind == (kTokenText | kTokenLettersOnly));
    CHECK(t[2].units == L"\u017C\u00F3\u0142w");
    CHECK(t[2].lengths == std::vector<u8>{2, 2, 2, 1});
}

TEST_CASE("generic tokenizer: line ends, NUL and the end of text")
{
    auto t = LexAll(Lang::Text, std::string("a\r\nb\nc\rd\0e", 10));
    std::vector<std::string> texts;
    for (const Tok& k : t)
        texts.push_back(k.text);
    CHECK(texts == std::vector<std::string>{"a", "\r\n", "b", "\n", "c", "\r", "d", std::string(1, '\0'), "e", ""});
    CHECK(t[1].cls == kClassLineEnd);
    CHECK(t[1].units.size() == 1);  // CR LF is one character of the text
    CHECK(t[1].lengths == std::vector<u8>{2});
    CHECK(t[7].cls == kClassLineEnd);

    LexDocument d("x");
    auto lexer = MakeLexer(Lang::Text, d.doc);
    TokenText text;
    lexer->Seek(0, 0, nullptr, &text);
    TokenRecord r{};
    lexer->NextToken(r);
    for (int i = 0; i < 3; i++) {
        lexer->NextToken(r);
        CHECK((r.state & 0xFF) == kClassEndOfText);
        CHECK(r.start == 1);
        CHECK(r.end == 1);
        CHECK(r.textStart == r.textEnd);
    }
}

TEST_CASE("generic tokenizer: a leading combining mark gets a U+FEFF base of no bytes")
{
    auto t = LexAll(Lang::Text, "\xCC\x81\xCC\x82x");
    REQUIRE(t.size() >= 2);
    CHECK(t[0].text == "\xCC\x81\xCC\x82");
    CHECK(t[0].units == L"\uFEFF\u0301\u0302");
    CHECK(t[0].lengths == std::vector<u8>{0, 2, 2});
    CHECK(t[1].text == "x");
}

TEST_CASE("generic tokenizer: control characters and undecodable bytes are single tokens")
{
    auto t = LexAll(Lang::Text, "a\x07\x07\x80z");
    REQUIRE(t.size() == 6);
    CHECK(t[1].kind == kTokenControl);
    CHECK(t[1].text == "\x07");
    CHECK(t[2].kind == kTokenControl);
    CHECK(t[3].kind == kTokenControl);
    CHECK(t[3].text == "\x80");
    CHECK(t[3].units == L"\uFFFD");
}

TEST_CASE("generic tokenizer: a code point above U+FFFF is a surrogate pair carrying its bytes on the second unit")
{
    auto t = LexAll(Lang::Text, "\xF0\x9F\x98\x80");
    REQUIRE(t[0].units.size() == 2);
    CHECK(t[0].units == L"\xD83D\xDE00");
    CHECK(t[0].lengths == std::vector<u8>{0, 4});
}

TEST_CASE("runs are cut at 250 characters and go on in the next token")
{
    for (char c : {'w', '+'}) {
        auto t = LexAll(Lang::Text, std::string(600, c));
        REQUIRE(t.size() == 4);
        CHECK(CharsOf(t[0]) == 250);
        CHECK(t[0].cut == 1);
        CHECK(CharsOf(t[1]) == 250);
        CHECK(t[1].cut == 1);
        CHECK(CharsOf(t[2]) == 100);
        CHECK(t[2].cut == 0);
        CHECK(t[1].start == t[0].end);
    }
    // A run of exactly 250 is not cut: nothing of it goes on.
    auto t = LexAll(Lang::Text, std::string(250, 'w') + " ");
    CHECK(t[0].cut == 0);
}

TEST_CASE("plain-text seek restores a saved state only at its own position")
{
    LexDocument d("abc def");
    auto lexer = MakeLexer(Lang::Text, d.doc);
    TokenText text;
    u32 saved = 0x1502;
    lexer->Seek(4, 4, &saved, &text);
    CHECK(lexer->State() == saved);
    CHECK(lexer->Position() == 4);
    lexer->Seek(4, 3, &saved, &text);
    CHECK(lexer->State() == kInitialLexerState);
    lexer->Seek(4, 4, nullptr, &text);
    CHECK(lexer->State() == kInitialLexerState);
}

TEST_CASE("token text grows by 1024 when fewer than two entries are free, and by a run plus 65536")
{
    TokenText text;
    CHECK(text.Capacity() == 1024);
    for (int i = 0; i < 1023; i++)
        text.AppendCodePoint('a', 1);
    CHECK(text.Capacity() == 1024);
    text.AppendCodePoint('b', 1);
    CHECK(text.Capacity() == 2048);
    CHECK(text.Count() == 1024);
    CHECK(text.Units()[1023] == 'b');

    std::wstring run(1500, L'x');
    text.AppendUnits(run.data(), static_cast<int32>(run.size()));
    CHECK(text.Capacity() == 2048 + 1500 + 65536);
    CHECK(text.Count() == 2524);
    CHECK(text.ByteLengths()[2523] == 0);
    CHECK(text.ByteLengths()[0] == 1);
    text.Reset();
    CHECK(text.Count() == 0);
}

TEST_CASE("every lexer ends with an empty end-of-text token, again at every call, in whatever state the text ends")
{
    struct Case {
        Lang lang;
        const char* text;
    };
    const Case cases[] = {
        {Lang::Text, "x"},          {Lang::Text, ""},
        {Lang::C, "/* open"},       {Lang::C, "\"open"},
        {Lang::C, "'\\"},           {Lang::C, "// c"},
        {Lang::C, "#define"},       {Lang::Cs, "x /"},
        {Lang::Java, "0x"},         {Lang::JavaScript, "a."},
        {Lang::Html, "<a title=\"x"}, {Lang::Html, "<!-- c -"},
        {Lang::Html, "<script>var x"}, {Lang::Html, "<script>x<"},
        {Lang::Html, "<style>p {"}, {Lang::Html, "<a "},
        {Lang::Html, "&amp"},       {Lang::Php, "<?php $x = \"s"},
        {Lang::Php, "<?php /* c ?"}, {Lang::Morvane, "# c"},
        {Lang::Morvane, "'s\\"},    {Lang::Kestin, "-- c"},
        {Lang::Kestin, "&"},
    };
    for (const Case& c : cases) {
        INFO(LangName(c.lang) << ": " << c.text);
        LexDocument d(c.text);
        auto lexer = MakeLexer(c.lang, d.doc);
        const int64 size = static_cast<int64>(strlen(c.text));
        TokenText text;
        lexer->Seek(0, 0, nullptr, &text);
        TokenRecord r{};
        for (int n = 0; n < 100 && (r.state & 0xFF) != kClassEndOfText; n++)
            lexer->NextToken(r);
        REQUIRE((r.state & 0xFF) == kClassEndOfText);
        for (int i = 0; i < 3; i++) {
            u32 before = lexer->State();
            lexer->NextToken(r);
            CHECK((r.state & 0xFF) == kClassEndOfText);
            CHECK(r.start == size);
            CHECK(r.end == size);
            CHECK(r.textStart == r.textEnd);
            CHECK(lexer->Position() == size);
            CHECK(lexer->State() == before);
        }
    }
}
