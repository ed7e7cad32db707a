#pragma once

#include "view/syntax/CLexer.h"
#include "view/syntax/CssLexer.h"
#include "view/syntax/InnerPhpLexer.h"
#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

// HTML pages with their tags, attributes, entities and comments; the content
// of script elements goes to a JavaScript lexer, that of style elements to a
// CSS lexer and, in PHP mode, PHP code to the inner PHP lexer. The region of
// the page is the state's second byte, the tag flags its upper 16 bits.
class HtmlLexer : public TextLexer {
public:
    class Storage;

    // Tag flags.
    static constexpr u32 kScriptOpen = 1u << 16;
    static constexpr u32 kScriptClosing = 1u << 17;
    static constexpr u32 kStyleOpen = 1u << 18;
    static constexpr u32 kStyleClosing = 1u << 19;

    HtmlLexer(TextDocument* document, const Storage* storage, bool phpMode = false);

    void Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText) override;
    void NextToken(TokenRecord& record) override;

private:
    bool EndTagFollows(const char* name) const;
    void PageToken(TokenRecord& record);
    void EntityToken(TokenRecord& record);
    void CommentToken(TokenRecord& record);
    void TagToken(TokenRecord& record);
    void NameToken(TokenRecord& record);

    // With the cursor lent to an inner lexer: its token, or false (and the
    // cursor back) at the character the page looks at itself.
    bool InnerToken(TokenRecord& record);

    enum Lent : u8 { kLentNone, kLentScript, kLentStyle, kLentPhp };

    u8 phpMode_;
    // invariant: while an inner lexer holds the cursor, this lexer's states
    // and cursor position are that lexer's after its last token (so State,
    // TokenStartState and Position answer right), and the rest of this
    // cursor is stale; no Quiet run is offered, so PassQuiet never moves it.
    u8 lent_;
    const Storage* storage_;
    // The lexers of script, style and PHP content, lent the cursor for the
    // run of their tokens; made once, as every token in those regions needs
    // one.
    JavaScriptLexer script_;
    CssLexer style_;
    InnerPhpLexer php_;
};

// PHP files: HTML with PHP code, starting in the page.
class PhpLexer final : public HtmlLexer {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    PhpLexer(TextDocument* document, const HtmlLexer::Storage* storage) : HtmlLexer(document, storage, true) {}
};

class HtmlLexer::Storage final : public LexerStorage {
public:
    Storage();
    // "entities" replaces the entity names.
    void OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength) override;

    WordSet tags;
    WordSet attributes;
    WordSet entities;
    CssLexer::Storage css;
    JavaScriptLexer::Storage javaScript;
    PhpLexer::Storage php;
};
