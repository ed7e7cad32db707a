#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

// Kestin scripts: "--" and "#" comments to the line end, strings without
// escapes, keywords in any case and "&" numbers. No state crosses a line end,
// so the plain-text Seek serves.
class KestinLexer final : public TextLexer {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    KestinLexer(TextDocument* document, const Storage* storage) : TextLexer(document), storage_(storage) {}

    void NextToken(TokenRecord& record) override;

private:
    void Number(TokenRecord& record);

    const Storage* storage_;
};
