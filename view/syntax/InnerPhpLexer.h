#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/WordSet.h"

// PHP code between the opening and the closing marker, for the HTML lexer
// in PHP mode: C-like comments, strings and numbers, "$" variables, no
// preprocessor.
class InnerPhpLexer final : public TextLexer {
public:
    InnerPhpLexer(TextDocument* document, const WordSet* keywords) : TextLexer(document), keywords_(keywords) {}

    void NextToken(TokenRecord& record) override;

private:
    const WordSet* keywords_;
};
