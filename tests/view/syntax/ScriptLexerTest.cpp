#include "LexerTestSupport.h"

#include <doctest.h>

#include <string>

TEST_CASE("Morvane: a second # ends a comment and the rest of the line is code")
{
    CHECK(Classes(Lang::Morvane, "func f(x) # note # while\nwhile") == "8:func 7:f 1:( 7:x 1:) 2:# 2:note 2:# 8:while 23:LF 8:while");
    auto t = LexAll(Lang::Morvane, "### a\nb");
    CHECK(Describe(t) == "2:### 2:a 23:LF 7:b");
    CHECK(Find(t, "###").kind == kTokenText);
    CHECK(Find(t, "a").kind == (kTokenText | kTokenLettersOnly));
    CHECK((Find(t, "\n").startState & 0xFF) == kClassText);
}

TEST_CASE("Morvane: identifiers may hold apostrophes; keywords are exact")
{
    CHECK(Classes(Lang::Morvane, "it's x' 'str' While while WHILE") == "7:it's 7:x' 6:' 6:str 6:' 7:While 8:while 7:WHILE");
}

TEST_CASE("Morvane: strings with escapes end at the quote or the line end")
{
    auto t = LexAll(Lang::Morvane, "\"a\\\"b # c\" d \"open\ne");
    CHECK(Describe(t) == "5:\" 5:a 5:\\\" 5:b 5:# 5:c 5:\" 7:d 5:\" 5:open 23:LF 7:e");
    CHECK(Find(t, "\\\"").kind == kTokenText);
    CHECK((Find(t, "\n").startState & 0xFF) == kClassText);
}

TEST_CASE("Morvane: numbers with underscores, prefixes and signed exponents")
{
    CHECK(Classes(Lang::Morvane, "1_000 0d12 0d 0xF_F 0x 0b1 1.5e3 1.5e+3 1.x 2e") ==
          "11:1_000 11:0d12 12:0d 11:0xF_F 12:0x 12:0b 11:1 12:1.5e3 11:1.5e+3 12:1. 7:x 12:2e");
}

TEST_CASE("Kestin: keywords in any case, -- and # comments to the line end")
{
    CHECK(Classes(Lang::Kestin, "WHILE While while whilst") == "8:WHILE 8:While 8:while 7:whilst");
    auto t = LexAll(Lang::Kestin, "x-y -- note\n## a # b\nend");
    CHECK(Describe(t) == "7:x 1:- 7:y 2:-- 2:note 23:LF 2:## 2:a 2:# 2:b 23:LF 8:end");
    CHECK((Find(t, "\n").startState & 0xFF) == kClassLineComment);
    CHECK((Find(t, "\n").after & 0xFF) == kClassText);
}

TEST_CASE("Kestin: strings have no escapes and end at the quote or the line end")
{
    CHECK(Classes(Lang::Kestin, "\"a\\\" b 'c\\' \"d\ne") == "5:\" 5:a 5:\\ 5:\" 7:b 6:' 6:c 6:\\ 6:' 5:\" 5:d 23:LF 7:e");
}

TEST_CASE("Kestin: & numbers and decimal numbers")
{
    CHECK(Classes(Lang::Kestin, "&HFF &B102 a & b &D12 &d &H 1.5e3 1.5e+3 2.") ==
          "11:&HFF 11:&B10 11:2 7:a 11:& 7:b 11:&D12 12:&d 12:&H 12:1.5e3 11:1.5e+3 12:2.");
}

TEST_CASE("which characters go on an identifier in each language")
{
    // C, PHP and Kestin take combining marks; Morvane takes apostrophes, CSS
    // hyphens; a digit or an underscore goes on in all of them.
    const std::string mark = "\xCC\x81";
    CHECK(Classes(Lang::C, "x" + mark + "y_1 c-d") == "7:x" + mark + "y_1 7:c 1:- 7:d");
    CHECK(Classes(Lang::Php, "<?php x" + mark + "y_1 $a" + mark + "b c-d") ==
          "14:< 14:?php 7:x" + mark + "y_1 7:$a" + mark + "b 7:c 1:- 7:d");
    CHECK(Classes(Lang::Kestin, "x" + mark + "y_1 c'd") == "7:x" + mark + "y_1 7:c 6:' 6:d");
    CHECK(Classes(Lang::Morvane, "x" + mark + "y_1 c'd-e") == "7:x 1:" + mark + " 7:y_1 7:c'd 1:- 7:e");
    CHECK(Classes(Lang::Html, "<style>x" + mark + "y_1 c-d'e</style>") ==
          "14:< 15:style 14:> 7:x 1:" + mark + " 7:y_1 7:c-d 6:' 6:e 14:</ 15:style 14:>");
}
