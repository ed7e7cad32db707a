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
        Generic(record, state_, L"");
        if (TokenClassOf(record.state) == kClassLineEnd)
            state_ = WithClass(state_, kClassText);
        return;
    case kClassString:
        QuotedToken(record, L'"', false, L'\0');
        return;
    case kClassCharacter:
        QuotedToken(record, L'\'', false, L'\0');
        return;
    default:
        break;
    }

    int32 c = Code();
    if (c == '-') {
        Begin(record);
        Take();
        if (Is('-')) {
            Take();
            state_ = WithClass(state_, kClassLineComment);
        }
        End(record, kTokenText, state_);
    } else if (c == '#') {
        Begin(record);
        TakeWhile(record, [this] { return Is('#'); });
        state_ = WithClass(state_, kClassLineComment);
        End(record, kTokenText, state_);
    } else if (c == '"' || c == '\'') {
        state_ = WithClass(state_, c == '"' ? kClassString : kClassCharacter);
        Single(record, state_);
    } else if (IsAsciiLetter(c) || c == '_') {
        Begin(record);
        wchar_t word[2 * kTokenRunLimit];
        int32 length = 0;
        TakeWordWhile(
            record,
            [this] { return (Flags() & (ClassAsciiLetter | ClassDigit | ClassUnderscore | ClassCombiningMark)) != 0; },
            word, length);
        bool keyword = !seekMode_ && storage_->keywords.Contains(word, length);
        End(record, kTokenText, WithClass(state_, keyword ? kClassKeyword : kClassIdentifier));
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
            int32 n = mark == 'h' ? TakeWhile(record, [this] { return IsHexDigit(Code()); })
                                  : TakeWhile(record, [this] { return Is('0') || Is('1'); });
            bad = n == 0 && !record.cut;
            plainDecimal = false;
        } else if (mark == 'd') {
            Take();
        } else {
            plainDecimal = false;
        }
    }
    if (plainDecimal)
        bad = ScriptDecimal(record, [this, &record] { return TakeWhile(record, [this] { return IsAsciiDigit(Code()); }); });
    NumberEnd(record, bad);
}
