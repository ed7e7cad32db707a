#include "view/syntax/KestinLexer.h"

namespace {

const wchar_t kKestinWords[] =
    L"and catch div else end exist exit for func if import local me mod not opt or repeat result step then "
    L"to try until var while";

}  // namespace

KestinLexer::Storage::Storage() : keywords(WordSet::Folded)
{
    keywords.AddList(kKestinWords);
}

void KestinLexer::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    switch (TokenClassOf(state_)) {
    case kClassLineComment:
        LineCommentToken(record, L"");
        return;
    case kClassString:
    case kClassCharacter:
        QuotedToken(record, false, L'\0');
        return;
    default:
        break;
    }

    int32 c = Code();
    if (c == '-') {
        CommentOpenerToken(record, '-', kClassLineComment);
    } else if (c == '#') {
        MarkCommentToken(record, '#');
    } else if (c == '"' || c == '\'') {
        OpenQuoteToken(record);
    } else if (IsAsciiLetter(c) || c == '_') {
        WordToken(record, [this] { return AtIdentifierChar(); }, storage_->keywords);
    } else if (IsAsciiDigit(c) || c == '&') {
        Number(record);
    } else {
        Generic(record, state_, L"-\"'#");
    }
}

// "&D" decimal, "&H" hexadecimal and "&B" binary numbers, a lone "&", and
// decimal numbers whose exponent needs its sign.
void KestinLexer::Number(TokenRecord& record)
{
    Begin(record);
    bool bad = false;
    bool plainDecimal = true;
    if (Is('&')) {
        Take();
        int32 mark = Code() | 0x20;
        if (mark == 'h' || mark == 'b') {
            Take();
            int32 n = mark == 'h' ? TakeHexDigits(record) : TakeWhile(record, [this] { return Is('0') || Is('1'); });
            bad = n == 0 && !record.cut;
            plainDecimal = false;
        } else if (mark == 'd') {
            Take();
        } else {
            plainDecimal = false;
        }
    }
    if (plainDecimal)
        bad = ScriptDecimal(record, [this, &record] { return TakeDigits(record); });
    NumberEnd(record, bad);
}
