#include "view/syntax/InnerPhpLexer.h"

// "?" ends every run, so the closing marker is seen wherever it stands; the
// HTML lexer makes the "?" tokens.
void InnerPhpLexer::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    if (CLikeStateToken(record, L'?', true) || CLikeCodeToken(record, false))
        return;

    int32 c = Code();
    if (IsAsciiLetter(c) || c == '_') {
        WordToken(record, [this] { return AtIdentifierChar(); }, *keywords_);
    } else if (c == '$') {
        Begin(record);
        Take();
        TakeWhile(record, [this] { return AtIdentifierChar(); });
        End(record, kTokenText, WithClass(state_, kClassIdentifier));
    } else {
        Generic(record, state_, L"/\"'$?");
    }
}
