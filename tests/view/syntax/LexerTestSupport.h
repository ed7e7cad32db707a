#pragma once

#include "text/TextDocument.h"
#include "view/syntax/CLexer.h"
#include "view/syntax/HtmlLexer.h"
#include "view/syntax/KestinLexer.h"
#include "view/syntax/MorvaneLexer.h"
#include "view/syntax/SyntaxLexer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A document whose main text holds the given bytes (UTF-8 unless an encoding
// is set afterwards).
struct LexDocument {
    explicit LexDocument(const std::string& bytes, int32 syntax = 0);
    TextDocument doc;
};

// One token as a test looks at it.
struct Tok {
    u32 cls;           // class byte of the token's state
    u32 state;         // the token's whole state
    u32 startState;    // the lexer's state at the token's start
    u32 after;         // the lexer's state after the token
    u16 kind;
    u8 cut;
    u8 scratch;        // set by the number scanners for a malformed number
    int64 start;
    int64 end;
    std::string text;  // the token's bytes
    std::wstring units;  // the token's TokenText units
    std::vector<u8> lengths;
};

// Seeks the lexer to position (optionally with a saved state) and collects
// the tokens up to and including the end-of-text token, at most limit.
std::vector<Tok> LexFrom(SyntaxLexer& lexer, TextDocument& doc, int64 position, const u32* savedState = nullptr,
                         int64 savedPosition = 0, size_t limit = SIZE_MAX);

// The nth token whose bytes are text (a failed check when there is none).
const Tok& Find(const std::vector<Tok>& tokens, const std::string& text, int nth = 0);

// The characters of the text a token holds (units with a byte length).
int32 CharsOf(const Tok& t);

// "class:text" for every token but blanks, tabs and the end of text; line
// ends show as "23:LF" (with their class).
std::string Describe(const std::vector<Tok>& tokens);

// The storages with the built-in words only, made once per program.
const CLexer::Storage& CStorage();
const CsLexer::Storage& CsStorage();
const JavaLexer::Storage& JavaStorage();
const HtmlLexer::Storage& HtmlStorage();
const MorvaneLexer::Storage& MorvaneStorage();
const KestinLexer::Storage& KestinStorage();

// The languages by syntax id, each with a lexer over a document.
enum class Lang { Text, C, Cs, Java, JavaScript, Html, Php, Morvane, Kestin };
const char* LangName(Lang lang);
LexerPtr MakeLexer(Lang lang, TextDocument& doc);

// The files of a folder that match the pattern, as full paths.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern);

// The tokens of source in a language, described.
std::string Classes(Lang lang, const std::string& source);
std::vector<Tok> LexAll(Lang lang, const std::string& source);
