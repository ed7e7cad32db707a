#include "LexerTestSupport.h"

#include <doctest.h>

#include <random>
#include <string>

TEST_CASE("C: keywords, identifiers, operators and numbers")
{
    CHECK(Classes(Lang::C, "int x = y_1 + 0x1Fu;") == "8:int 7:x 1:= 7:y_1 1:+ 11:0x1Fu 1:;");
    CHECK(Classes(Lang::C, "fortran constexpr Main _Pragma") == "8:fortran 8:constexpr 7:Main 8:_Pragma");
    CHECK(Classes(Lang::C, "a->b.c") == "7:a 1:-> 7:b 1:. 7:c");
    // Identifiers are never offered to the spell checker; words of comments are.
    auto t = LexAll(Lang::C, "word // word");
    CHECK(t[0].kind == kTokenText);
    CHECK(Find(t, "word", 1).kind == (kTokenText | kTokenLettersOnly));
}

TEST_CASE("C: numbers, suffixes, exponents and malformed numbers")
{
    CHECK(Classes(Lang::C, "0x 0xFFul 1e+ 1.5e3 .5 1.f") == "12:0x 11:0xFFul 12:1e+ 11:1.5e3 11:.5 11:1. 7:f");
    CHECK(Classes(Lang::C, "10UL 7LL 5lu 3lLu 9Lu 1d 2D5 .5e") == "11:10UL 11:7LL 11:5lu 11:3lLu 11:9L 7:u 12:1d 11:2D5 12:.5e");
    CHECK(Classes(Lang::C, "x.y 12.") == "7:x 1:. 7:y 11:12.");
    auto t = LexAll(Lang::C, "0x");
    CHECK(t[0].cls == kClassBadNumber);
}

TEST_CASE("C: line comments end at the line end, whose token keeps the comment's state")
{
    auto t = LexAll(Lang::C, "// int x\nint");
    CHECK(Describe(t) == "2:// 2:int 2:x 23:LF 8:int");
    const Tok& end = Find(t, "\n");
    CHECK((end.startState & 0xFF) == kClassLineComment);
    CHECK((end.after & 0xFF) == kClassText);
    CHECK(Classes(Lang::C, "x ///// y") == "7:x 2:///// 2:y");
}

TEST_CASE("C: block comments span lines; a star and a slash end them, also right after the opening star")
{
    auto t = LexAll(Lang::C, "/* a\n  b */ c");
    CHECK(Describe(t) == "3:/* 3:a 23:LF 3:b 3:*/ 7:c");
    CHECK((Find(t, "\n").startState & 0xFF) == kClassBlockComment);
    CHECK((Find(t, "\n").after & 0xFF) == kClassBlockComment);
    for (const Tok& k : t)
        if (k.start > 0 && k.end <= 10)
            CHECK((k.startState & 0xFF) == kClassBlockComment);
    CHECK(Classes(Lang::C, "/*/ x */") == "3:/*/ 7:x 1:* 1:/");
    CHECK(Classes(Lang::C, "/**/x /***/y") == "3:/**/ 7:x 3:/***/ 7:y");
    CHECK(Classes(Lang::C, "/* ** */z") == "3:/* 3:* 3:* 3:*/ 7:z");
    CHECK(Classes(Lang::C, "/* int \"x\" */") == "3:/* 3:int 3:\" 3:x 3:\" 3:*/");
}

TEST_CASE("C: strings and character literals with escapes end at the quote or the line end")
{
    CHECK(Classes(Lang::C, "\"a\\\"b\" x") == "5:\" 5:a 5:\\\" 5:b 5:\" 7:x");
    CHECK(Classes(Lang::C, "'\\'' 'c'") == "6:' 6:\\' 6:' 6:' 6:c 6:'");
    CHECK(Classes(Lang::C, "\"for // x\" y") == "5:\" 5:for 5:// 5:x 5:\" 7:y");
    auto t = LexAll(Lang::C, "\"open\nint \"a\\");
    CHECK(Describe(t) == "5:\" 5:open 23:LF 8:int 5:\" 5:a 5:\\");
    CHECK((Find(t, "\n").startState & 0xFF) == kClassText);
    CHECK((Find(t, "\n").after & 0xFF) == kClassText);
}

TEST_CASE("C: a preprocessor line starts at any # and ends at the line end")
{
    auto t = LexAll(Lang::C, "#include <a.h> // x\nx#y z\nint");
    CHECK(Describe(t) == "20:# 20:include 20:< 20:a 20:. 20:h 20:> 20:// 20:x 23:LF 7:x 20:# 20:y 20:z 23:LF 8:int");
    CHECK(Find(t, "include").kind == kTokenText);  // no spell checking on preprocessor lines
    CHECK((Find(t, "\n").startState & 0xFF) == kClassText);
}

TEST_CASE("C: words of the known set of c.skvs are keywords")
{
    CLexer::Storage storage;
    std::wstring body = L"alpha\r\nbeta\n gamma\n";
    storage.OnSection(L"known", 5, body.data(), static_cast<int32>(body.size()));
    LexDocument d("alpha beta gamma int");
    CLexer lexer(&d.doc, &storage);
    CHECK(Describe(LexFrom(lexer, d.doc, 0)) == "8:alpha 8:beta 7:gamma 8:int");
    CHECK(lexer.IsKeyword(L"beta", 4));
    CHECK_FALSE(lexer.IsKeyword(L"Beta", 4));
}

TEST_CASE("C: known words of every length are keywords, and so are neither their prefixes nor longer words")
{
    // Words that end within sixteen bytes are looked up by their bytes, the
    // rest the long way: each length on both sides of that.
    std::mt19937 rng(11);
    std::wstring body;
    std::string text, expected;
    for (int length = 1; length <= 20; length++) {
        std::string word(1, static_cast<char>('a' + length));  // no known word is another's prefix
        while (static_cast<int>(word.size()) < length)
            word += "xyz_09"[rng() % 6];
        body += std::wstring(word.begin(), word.end()) + L"\n";
        text += word + " " + word + "q " + word.substr(0, word.size() - 1) + (length > 1 ? "; " : "") + "\n";
        expected += "8:" + word + " 7:" + word + "q " + (length > 1 ? "7:" + word.substr(0, word.size() - 1) + " 1:; " : "") +
                    "23:LF ";
    }
    CLexer::Storage storage;
    storage.OnSection(L"known", 5, body.data(), static_cast<int32>(body.size()));
    LexDocument d(text + std::string(20, ' ') + "end");
    CLexer lexer(&d.doc, &storage);
    CHECK(Describe(LexFrom(lexer, d.doc, 0)) == expected + "7:end");
}

TEST_CASE("C#, Java and JavaScript keep their own word lists")
{
    // The C# list names float and int too.
    CHECK(Classes(Lang::Cs, "float int Int32 String foreach fortran") == "8:float 8:int 8:Int32 8:String 8:foreach 7:fortran");
    CHECK(Classes(Lang::Java, "@interface Integer var") == "1:@ 8:interface 8:Integer 7:var");
    CHECK(Classes(Lang::JavaScript, "function f() { return typeof x; }") ==
          "8:function 7:f 1:() 1:{ 8:return 8:typeof 7:x 1:; 1:}");
    CHECK(Classes(Lang::JavaScript, "a < b") == "7:a 1:< 7:b");
}

TEST_CASE("C: non-ASCII letters make plain words, which the spell checker may see")
{
    auto t = LexAll(Lang::C, "x = \xC5\xBC\xC3\xB3\xC5\x82w;");
    CHECK(Describe(t) == "7:x 1:= 1:\xC5\xBC\xC3\xB3\xC5\x82w 1:;");
    CHECK(Find(t, "\xC5\xBC\xC3\xB3\xC5\x82w").kind == (kTokenText | kTokenLettersOnly));
}

TEST_CASE("every number scanner marks a malformed number in the record's scratch flag")
{
    struct Case {
        Lang lang;
        const char* text;
    };
    const Case cases[] = {
        {Lang::C, "0x 1e+ 0xFF 1.5e3 .5e .5 x"},
        {Lang::Html, "<style>1. 1.5em 1e+ 2</style>"},
        {Lang::Php, "<?php 0x 0x1 1e 1.5 ?>"},
        {Lang::Morvane, "0b1 0d 1.5e3 1.5e+3 1_0"},
        {Lang::Kestin, "&H &HF 2. 2.5 & x"},
    };
    for (const Case& c : cases) {
        INFO(LangName(c.lang) << ": " << c.text);
        int numbers = 0;
        for (const Tok& t : LexAll(c.lang, c.text)) {
            if (t.cls == kClassNumber || t.cls == kClassBadNumber) {
                numbers++;
                CHECK(t.scratch == (t.cls == kClassBadNumber ? 1 : 0));
            } else {
                CHECK(t.scratch == 0);
            }
        }
        CHECK(numbers >= 4);
    }
}
