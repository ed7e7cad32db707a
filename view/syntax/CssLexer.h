#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

class HtmlLexerStorage;

// The content of style elements. As a lexer of its own it is plain text;
// the HTML lexer asks it for tokens through NextCssToken.
class CssLexer final : public TextLexer {
public:
    class Storage final : public LexerStorage {
    public:
        // "known" replaces the known set.
        void OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength) override;

        WordSet known;
    };

    // tagNames: the HTML tag names, which are coloured as known words too.
    CssLexer(TextDocument* document, const Storage* storage, const WordSet* tagNames, bool insideHtml)
        : TextLexer(document), insideHtml_(insideHtml ? 1 : 0), storage_(storage), tagNames_(tagNames)
    {
    }

    virtual void NextCssToken(TokenRecord& record);

private:
    // Any token but those NextCssToken makes itself.
    [[gnu::noinline]] void OtherToken(TokenRecord& record);
    [[gnu::noinline]] void Word(TokenRecord& record);
    // The same the general way, for words the quick way does not take.
    [[gnu::noinline]] void LongWord(TokenRecord& record);
    void Colour(TokenRecord& record);
    void Number(TokenRecord& record);
    bool Unit(TokenRecord& record);
    bool StartsHere(const char* text) const;

    // Set inside an HTML page: "<" then ends every run.
    u8 insideHtml_;
    const Storage* storage_;
    const WordSet* tagNames_;
};
