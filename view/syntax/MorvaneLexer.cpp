#include "view/syntax/MorvaneLexer.h"

namespace {

const wchar_t kMorvaneWords[] =
    L"alias and attr break catch class const continue current each else extends extern finally for func if "
    L"implements in interface match merge not of or private public readonly return shared super this throw "
    L"try uses while";

}  // namespace

MorvaneLexer::Storage::Storage()
{
    keywords.AddList(kMorvaneWords);
}

void MorvaneLexer::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    switch (TokenClassOf(state_)) {
    case kClassLineComment:
        if (Is('#')) {
            Single(record, state_);
            state_ = WithClass(state_, kClassText);
        } else {
            EndBeforeLineEnd();
            Generic(record, state_, L"#");
        }
        return;
    case kClassString:
    case kClassCharacter:
        QuotedToken(record, true, L'\0');
        return;
    default:
        break;
    }

    int32 c = Code();
    if (c == '#') {
        // The comment runs to the next "#" or the line end.
        MarkCommentToken(record, '#');
    } else if (c == '"' || c == '\'') {
        OpenQuoteToken(record);
    } else if (IsAsciiLetter(c) || c == '_') {
        WordToken(
            record,
            [this] {
                int32 k = Code();
                return IsAsciiLetter(k) || IsAsciiDigit(k) || k == '_' || k == '\'';
            },
            storage_->keywords);
    } else if (IsAsciiDigit(c)) {
        Number(record);
    } else {
        Generic(record, state_, L"#\"'");
    }
}

// Digits may each be followed by one "_" (1_000); "0d" and "0x" prefixes;
// "0b" is not recognised and makes the number malformed; an exponent needs
// its sign.
void MorvaneLexer::Number(TokenRecord& record)
{
    Begin(record);
    bool bad = false;
    auto digitsWith = [this, &record](bool hex) {
        int32 n = 0;
        while ((hex ? IsHexDigit(Code()) : IsAsciiDigit(Code())) && TakeIfRoom(record)) {
            n++;
            if (Is('_') && !TakeIfRoom(record))
                break;
        }
        return n;
    };
    int32 next = PeekCode();
    bool decimal = true;
    if (Is('0') && (next == 'd' || next == 'D' || next == 'x' || next == 'X' || next == 'b' || next == 'B')) {
        Take();
        Take();
        if (next == 'x' || next == 'X') {
            bad = digitsWith(true) == 0 && !record.cut;
            decimal = false;
        } else if (next == 'b' || next == 'B') {
            bad = true;
            decimal = false;
        }
    }
    if (decimal)
        bad = ScriptDecimal(record, [&digitsWith] { return digitsWith(false); });
    NumberEnd(record, bad);
}
