#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

// Morvane scripts: "#" opens a comment that the next "#" or the line end
// closes; strings end at the line end. No state crosses a line end, so the
// plain-text Seek serves.
class MorvaneLexer final : public TextLexer {
public:
    class Storage final : public LexerStorage {
    public:
        Storage();
        WordSet keywords;
    };

    MorvaneLexer(TextDocument* document, const Storage* storage) : TextLexer(document), storage_(storage) {}

    void NextToken(TokenRecord& record) override;

private:
    void Number(TokenRecord& record);

    const Storage* storage_;
};
