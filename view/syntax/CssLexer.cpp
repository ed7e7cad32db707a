#include "view/syntax/CssLexer.h"

namespace {

const char* const kCssUnits[] = {"vmin", "vmax", "rem", "px", "pt", "pc", "em", "ex",
                                 "cm",   "mm",   "in",  "vw", "vh", "%"};

}  // namespace

void CssLexer::Storage::OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength)
{
    if (IsSectionNamed(header, headerLength, L"known"))
        known = SectionWords(body, bodyLength);
}

void CssLexer::NextCssToken(TokenRecord& record)
{
    tokenState_ = state_;
    if (BlankToken(record))
        return;
    const bool inner = insideHtml_ != 0;
    // Inside a page "<" ends every run; the page looks at it. CSS has no
    // line comments.
    if (CLikeStateToken(record, inner ? L'<' : L'\0', false))
        return;

    int32 c = Code();
    // Line ends and runs of punctuation, as in the C family.
    if (TokenClassOf(state_) == kClassText) {
        if (LineEndToken(record))
            return;
        if (c >= 0 && c < 128 && !(Flags() & kRunEnds) && c != '/' && c != '"' && c != '\'' && c != '-' &&
            c != '#' && c != ':' && !(inner && c == '<')) {
            CodeRunToken(record, inner);
            return;
        }
    }
    if (c == '/') {
        CommentOpenerToken(record, '*', kClassBlockComment);
        return;
    }
    if (c == '"' || c == '\'') {
        OpenQuoteToken(record);
        return;
    }
    if (IsAsciiLetter(c) || c == '-' || c == '_') {
        WordToken(
            record,
            [this] {
                int32 k = Code();
                return IsAsciiLetter(k) || IsAsciiDigit(k) || k == '-' || k == '_';
            },
            ClassAsciiLetter | ClassDigit | ClassHyphen | ClassUnderscore, kClassKnown,
            [this](const wchar_t* word, int32 length) {
                return tagNames_->Contains(word, length) || storage_->known.Contains(word, length);
            });
        return;
    }
    if (IsAsciiDigit(c)) {
        Number(record);
        return;
    }
    if (c == '#') {
        // A colour is "#" and exactly 3 or 6 hexadecimal digits.
        CharCursor look = Ahead();
        int digits = 0;
        while (digits < 8 && IsHexDigit(static_cast<int32>(look.code))) {
            digits++;
            CharCursor::Seek(look, look.position + look.length);
        }
        Begin(record);
        Take();
        if (digits == 3 || digits == 6) {
            for (int k = 0; k < digits; k++)
                Take();
            End(record, kTokenText, WithClass(state_, kClassNumber));
            return;
        }
        End(record, kTokenText, state_);
        return;
    }
    if (c == ':') {
        Single(record, state_);
        return;
    }
    Generic(record, state_, inner ? L"/\"'<" : L"/\"'");
}

void CssLexer::Number(TokenRecord& record)
{
    Begin(record);
    TakeDigits(record);
    bool bad = false;
    if (!record.cut && Is('.') && TakeIfRoom(record))
        bad = TakeDigits(record) == 0 && !record.cut;
    if (!record.cut && (Is('E') || Is('e'))) {
        int32 next = PeekCode();
        if (next == '+' || next == '-' || IsAsciiDigit(next)) {
            if (TakeIfRoom(record) && (!(Is('+') || Is('-')) || TakeIfRoom(record)))
                bad = (TakeDigits(record) == 0 && !record.cut) || bad;
        }
    }
    if (!bad && !record.cut)
        Unit(record);
    NumberEnd(record, bad);
}

// Takes the first unit of the list that follows, in small letters only.
bool CssLexer::Unit(TokenRecord& record)
{
    for (const char* unit : kCssUnits) {
        if (StartsHere(unit)) {
            for (const char* p = unit; *p; p++)
                if (!TakeIfRoom(record))
                    break;
            return true;
        }
    }
    return false;
}

bool CssLexer::StartsHere(const char* text) const
{
    // Most numbers have no unit: the first letter decides before a copy.
    if (cursor_.code != static_cast<u32>(static_cast<unsigned char>(*text)))
        return false;
    CharCursor look = cursor_;
    for (; *text; text++) {
        if (look.code != static_cast<u32>(static_cast<unsigned char>(*text)))
            return false;
        CharCursor::Seek(look, look.position + look.length);
    }
    return true;
}
