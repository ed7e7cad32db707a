#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

// One lexer body for C/C++, C#, Java and JavaScript: comments, strings,
// character literals, numbers, identifiers and keywords, and a preprocessor
// line that starts at any "#". Only an open block comment survives a line end.
class CLexerBase : public TextLexer {
public:
    void Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText) override;
    void NextToken(TokenRecord& record) override;
    // Code up to the last blank before a comment, literal or directive
    // starts; comments, literals and directives up to what ends them.
    QuietRun Quiet(int64 limit) override;
    // True when the word is in the lexer's keyword set(s).
    bool IsKeyword(const wchar_t* chars, int32 length) const;

protected:
    CLexerBase(TextDocument* document, const WordSet* keywords, bool innerScript, const WordSet* known = nullptr)
        : TextLexer(document), innerScript_(innerScript ? 1 : 0), keywords_(keywords), known_(known)
    {
    }

private:
    // Any token but those NextToken makes itself; apart, so that those
    // need none of its set-up.
    [[gnu::noinline]] void OtherToken(TokenRecord& record);
    // An identifier, or a keyword outside seek mode.
    [[gnu::noinline]] void IdentifierToken(TokenRecord& record);
    // The same the general way, for words the quick way does not take.
    [[gnu::noinline]] void LongIdentifierToken(TokenRecord& record);
    static bool IsRuleStart(int32 c, bool inner);

    // Set while the lexer reads a script element of an HTML page: "<" then
    // ends every run, so the page's end tag is always seen.
    u8 innerScript_;
    const WordSet* keywords_;
    const WordSet* known_;  // more words of the keyword class, or null
};

class CLexer final : public CLexerBase {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        // "known" replaces the known set.
        void OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength) override;

        WordSet keywords;
        WordSet known;
    };

    CLexer(TextDocument* document, const Storage* storage)
        : CLexerBase(document, &storage->keywords, false, &storage->known)
    {
    }
};

class CsLexer final : public CLexerBase {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    CsLexer(TextDocument* document, const Storage* storage) : CLexerBase(document, &storage->keywords, false) {}
};

class JavaLexer final : public CLexerBase {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    JavaLexer(TextDocument* document, const Storage* storage) : CLexerBase(document, &storage->keywords, false) {}
};

class JavaScriptLexer final : public CLexerBase {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    JavaScriptLexer(TextDocument* document, const Storage* storage, bool innerScript = false)
        : CLexerBase(document, &storage->keywords, innerScript)
    {
    }
};
