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

namespace {

// What a character of a style sheet starts, outside comments and strings,
// for every ASCII code: one look-up and one jump instead of a chain of
// tests. Line ends, control characters and the rest go the long way.
enum CssStart : u8 {
    kCssOther,
    kCssBlank,
    kCssTab,
    kCssRun,  // punctuation that starts no rule
    kCssSlash,
    kCssQuote,
    kCssWord,
    kCssDigit,
    kCssHash,
    kCssColon,
    kCssLess,  // punctuation outside a page, a token alone inside one
};

struct CssStartTable {
    u8 start[128];
    constexpr CssStartTable() : start()
    {
        for (int c = 0; c < 128; c++) {
            u32 f = kAsciiClasses.flags[c];
            u8 s = kCssOther;
            if (f & ClassBlank)
                s = kCssBlank;
            else if (f & ClassTab)
                s = kCssTab;
            else if ((f & ClassAsciiLetter) || c == '-' || c == '_')
                s = kCssWord;
            else if (f & ClassDigit)
                s = kCssDigit;
            else if (c == '/')
                s = kCssSlash;
            else if (c == '"' || c == '\'')
                s = kCssQuote;
            else if (c == '#')
                s = kCssHash;
            else if (c == ':')
                s = kCssColon;
            else if (c == '<')
                s = kCssLess;
            else if (!(f & kRunEnds))
                s = kCssRun;
            start[c] = s;
        }
    }
};
constexpr CssStartTable kCssStarts{};

}  // namespace

void CssLexer::NextCssToken(TokenRecord& record)
{
    tokenState_ = state_;
    // Blanks, tabs, words and runs of punctuation first, as in code.
    if (TokenClassOf(state_) == kClassText) {
        u32 c = cursor_.code;
        switch (c < 128 ? kCssStarts.start[c] : static_cast<u8>(kCssOther)) {
        case kCssBlank:
        case kCssTab:
            if (QuickBlankToken(record))
                return;
            break;
        case kCssWord:
            Word(record);
            return;
        case kCssRun:
            CodeRunToken(record, insideHtml_ != 0);
            return;
        default:
            break;
        }
    } else if (QuickBlankToken(record)) {
        return;
    }
    OtherToken(record);
}

void CssLexer::OtherToken(TokenRecord& record)
{
    const bool inner = insideHtml_ != 0;
    if (TokenClassOf(state_) == kClassText) {
        // The common tokens, straight from the table; each case does what
        // the rules below would.
        u32 c = cursor_.code;
        switch (c < 128 ? kCssStarts.start[c] : static_cast<u8>(kCssOther)) {
        case kCssBlank:
            Single(record, kTokenBlank, state_);
            return;
        case kCssTab:
            Single(record, kTokenTab, state_);
            return;
        case kCssRun:
            CodeRunToken(record, inner);
            return;
        case kCssSlash:
            CommentOpenerToken(record, '*', kClassBlockComment);
            return;
        case kCssQuote:
            OpenQuoteToken(record);
            return;
        case kCssWord:
            Word(record);
            return;
        case kCssDigit:
            Number(record);
            return;
        case kCssHash:
            Colour(record);
            return;
        case kCssColon:
            Single(record, state_);
            return;
        case kCssLess:
            if (inner)
                Single(record, state_);
            else
                CodeRunToken(record, false);
            return;
        default:
            break;
        }
    }
    if (BlankToken(record))
        return;
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
        Word(record);
        return;
    }
    if (IsAsciiDigit(c)) {
        Number(record);
        return;
    }
    if (c == '#') {
        Colour(record);
        return;
    }
    if (c == ':') {
        Single(record, state_);
        return;
    }
    Generic(record, state_, inner ? L"/\"'<" : L"/\"'");
}

void CssLexer::Word(TokenRecord& record)
{
    auto quickKnown = [this](__m128i bytes, int32 length) {
        return tagNames_->FindAscii(bytes, length) | storage_->known.FindAscii(bytes, length);
    };
    if (!QuickWordToken(record, true, false, kClassKnown, quickKnown))
        LongWord(record);
}

void CssLexer::LongWord(TokenRecord& record)
{
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
}

// A colour is "#" and exactly 3 or 6 hexadecimal digits.
void CssLexer::Colour(TokenRecord& record)
{
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
