#include "view/syntax/InnerPhpLexer.h"

// "?" ends every run, so the closing marker is seen wherever it stands; the
// HTML lexer makes the "?" tokens.
void InnerPhpLexer::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    if (Is('?')) {
        Single(record, state_);
        return;
    }
    switch (TokenClassOf(state_)) {
    case kClassLineComment:
        Generic(record, state_, L"?");
        if (TokenClassOf(record.state) == kClassLineEnd)
            state_ = WithClass(state_, kClassText);
        return;
    case kClassBlockComment:
        BlockCommentToken(record, L"*?");
        return;
    case kClassString:
        QuotedToken(record, L'"', true, L'?');
        return;
    case kClassCharacter:
        QuotedToken(record, L'\'', true, L'?');
        return;
    default:
        break;
    }

    int32 c = Code();
    auto identifierChar = [this] {
        return (Flags() & (ClassAsciiLetter | ClassDigit | ClassUnderscore | ClassCombiningMark)) != 0;
    };
    if (c == '/') {
        SlashToken(record);
    } else if (c == '"' || c == '\'') {
        state_ = WithClass(state_, c == '"' ? kClassString : kClassCharacter);
        Single(record, state_);
    } else if (IsAsciiLetter(c) || c == '_') {
        Begin(record);
        wchar_t word[2 * kTokenRunLimit];
        int32 length = 0;
        TakeWordWhile(record, identifierChar, word, length);
        bool keyword = !seekMode_ && keywords_->Contains(word, length);
        End(record, kTokenText, WithClass(state_, keyword ? kClassKeyword : kClassIdentifier));
    } else if (c == '$') {
        Begin(record);
        Take();
        TakeWhile(record, identifierChar);
        End(record, kTokenText, WithClass(state_, kClassIdentifier));
    } else if (IsAsciiDigit(c)) {
        Number(record);
    } else if (c == '.' && IsAsciiDigit(PeekCode())) {
        PointNumberToken(record);
    } else if (c == '.') {
        Single(record, state_);
    } else {
        Generic(record, state_, L"/\"'$?");
    }
}

// No suffixes: "0x" and hexadecimal digits, or decimal digits, an optional
// fraction and an exponent.
void InnerPhpLexer::Number(TokenRecord& record)
{
    Begin(record);
    bool bad = false;
    auto decimal = [this] { return IsAsciiDigit(Code()); };
    int32 next = PeekCode();
    if (Is('0') && (next == 'x' || next == 'X')) {
        Take();
        Take();
        bad = TakeWhile(record, [this] { return IsHexDigit(Code()); }) == 0 && !record.cut;
    } else {
        TakeWhile(record, decimal);
        if (!record.cut && Is('.') && TakeIfRoom(record))
            TakeWhile(record, decimal);
        if (!record.cut)
            bad = !Exponent(record);
    }
    NumberEnd(record, bad);
}
