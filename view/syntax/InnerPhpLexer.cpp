#include "view/syntax/InnerPhpLexer.h"

// "?" ends every run, so the closing marker is seen wherever it stands; the
// HTML lexer makes the "?" tokens.
void InnerPhpLexer::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    if (CLikeStateToken(record, L'?', true))
        return;

    int32 c = Code();
    if (c == '/') {
        SlashToken(record);
    } else if (c == '"' || c == '\'') {
        OpenQuoteToken(record);
    } else if (IsAsciiLetter(c) || c == '_') {
        WordToken(record, [this] { return AtIdentifierChar(); }, *keywords_);
    } else if (c == '$') {
        Begin(record);
        Take();
        TakeWhile(record, [this] { return AtIdentifierChar(); });
        End(record, kTokenText, WithClass(state_, kClassIdentifier));
    } else if (IsAsciiDigit(c)) {
        CNumberToken(record, false);
    } else if (c == '.' && IsAsciiDigit(PeekCode())) {
        PointNumberToken(record);
    } else if (c == '.') {
        Single(record, state_);
    } else {
        Generic(record, state_, L"/\"'$?");
    }
}
