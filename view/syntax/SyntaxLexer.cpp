#include "view/syntax/SyntaxLexer.h"

#include "base/ByteScan.h"

#include <cstdlib>

SyntaxLexer::SyntaxLexer(TextDocument* document)
    : cursor_(), tokenState_(kInitialLexerState), state_(kInitialLexerState), text_(nullptr), seekMode_(0), taken_(0)
{
    cursor_.document = document;
}

void FreeLexer(SyntaxLexer* lexer)
{
    // Lexers hold no resources (every lexer class is trivially destructible).
    free(lexer);
}

void TextLexer::Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText)
{
    state_ = savedState && savedPosition == position ? *savedState : kInitialLexerState;
    tokenState_ = state_;
    text_ = tokenText;
    seekMode_ = 0;
    MoveTo(position);
}

void TextLexer::Generic(TokenRecord& record, u32 state, const wchar_t* stops)
{
    Begin(record);
    u32 f = Flags();
    if (f & ClassBlank) {
        Take();
        End(record, kTokenBlank, state);
        return;
    }
    if (f & ClassTab) {
        Take();
        End(record, kTokenTab, state);
        return;
    }
    if (f & (ClassLetter | ClassDigit | ClassUnderscore)) {
        GenericWord(record, state);
        return;
    }
    if (f & ClassEndOfText) {
        End(record, kTokenText, WithClass(state, kClassEndOfText));
        return;
    }
    if (f & ClassLineBreak) {
        Take();
        End(record, kTokenText, WithClass(state, kClassLineEnd));
        return;
    }
    if (f & ClassCombiningMark) {
        // A base for marks that have none, so they can be drawn.
        if (text_)
            text_->AppendCodePoint(0xFEFF, 0);
        while ((Flags() & ClassCombiningMark) && TakeIfRoom(record)) {
        }
        End(record, kTokenText, state);
        return;
    }
    if (f & ClassControl) {
        Take();
        End(record, kTokenControl, state);
        return;
    }
    const u32 ends = kRunEnds;
    if (IsStop(Code(), stops)) {
        End(record, kTokenEmpty, state);
        return;
    }
    TakeAsciiOthers(stops);
    while (!(Flags() & ends) && !IsStop(Code(), stops) && TakeIfRoom(record)) {
    }
    End(record, kTokenText, state);
}

void TextLexer::GenericWord(TokenRecord& record, u32 state)
{
    // Words of comments, strings and plain text: mostly short ASCII.
    __m128i x;
    int32 n;
    if (QuickWordSpan(false, true, x, n)) {
        unsigned digits = AsciiSpan::Mask(AsciiSpan::DigitOrUnderscoreBytes(x)) & ((1u << n) - 1);
        QuickTake(record, x, n, digits ? kTokenText : kTokenText | kTokenLettersOnly, state);
        return;
    }
    Begin(record);
    u16 letters = kTokenLettersOnly;
    if (TakeAsciiRun(ClassLetter | ClassDigit | ClassUnderscore, ClassDigit | ClassUnderscore))
        letters = 0;
    while (Flags() & (ClassLetter | ClassDigit | ClassUnderscore | ClassCombiningMark)) {
        if (!HasRoom()) {
            record.cut = 1;
            break;
        }
        if (Flags() & (ClassDigit | ClassUnderscore))
            letters = 0;
        Take();
    }
    End(record, kTokenText | letters, state);
}

void TextLexer::TakeAsciiOthers(const wchar_t* stops)
{
    CharCursor& c = cursor_;
    u64 rel = static_cast<u64>(c.position - c.runStart);
    if (rel >= static_cast<u64>(c.runCount) || c.runText->ChangeCount() != c.runChanges)
        return;
    const u8* p = c.run + rel;
    int64 left = c.runCount - static_cast<int64>(rel);
    int64 end = kTokenRunLimit - taken_ < left ? kTokenRunLimit - taken_ : left;
    // The stops as bits, so a byte is one test however many there are.
    u64 stopBits[2] = {0, 0};
    for (const wchar_t* s = stops; *s; s++)
        if (*s < 128)
            stopBits[*s >> 6] |= 1ull << (*s & 63);
    int32 n = 0;
    while (n < end) {
        u32 b = p[n];
        if (b >= 0x80 || (kAsciiClasses.flags[b] & kRunEnds) || ((stopBits[b >> 6] >> (b & 63)) & 1))
            break;
        n++;
    }
    if (n == 0)
        return;
    if (text_)
        text_->AppendAscii(p, n, left);
    taken_ += n;
    CharCursor::Seek(c, c.position + n);
}

void TextLexer::SeekByRelexing(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText,
                               u32 startState)
{
    int64 start = position - kSeekRelexDistance;
    if (start < 0)
        start = 0;
    start -= start % kSeekRelexGranule;
    state_ = start > 0 ? startState : kInitialLexerState;
    if (savedState && start <= savedPosition && savedPosition <= position) {
        start = savedPosition;
        state_ = *savedState;
    }
    tokenState_ = state_;
    // The token characters are not wanted while seeking.
    text_ = nullptr;
    seekMode_ = 1;
    MoveTo(start);
    TokenRecord record;
    while (cursor_.position < position) {
        // Where no token can change the state, the tokens need not be made:
        // the state where they stop is the same, and every state change
        // after them starts a token wherever the lexing goes on.
        int64 quiet = Quiet(position).count;
        if (quiet > 0) {
            PassQuiet(cursor_.position + quiet);
            continue;
        }
        NextToken(record);
        if (TokenClassOf(record.state) == kClassEndOfText)
            break;
    }
    if (cursor_.position > position)
        state_ = tokenState_;
    seekMode_ = 0;
    text_ = tokenText;
    if (text_)
        text_->Reset();
    MoveTo(position);
}

SyntaxLexer::QuietRun TextLexer::PrintableRun(int64 limit, const int32 (&stops)[4], bool toBlank, bool stateClass) const
{
    QuietRun quiet{nullptr, 0, stateClass};
    const CharCursor& c = cursor_;
    u64 rel = static_cast<u64>(c.position - c.runStart);
    if (rel >= static_cast<u64>(c.runCount) || c.runText->ChangeCount() != c.runChanges)
        return quiet;
    const u8* p = c.run + rel;
    int64 n = c.runCount - static_cast<int64>(rel);
    bool toLimit = limit - c.position <= n;
    if (toLimit)
        n = limit - c.position;
    u8 ranges[6][2] = {{0x00, 0x1F}, {0x7F, 0xFF}};
    int count = 2;
    for (int32 stop : stops) {
        if (stop >= 0) {
            ranges[count][0] = ranges[count][1] = static_cast<u8>(stop);
            count++;
        }
    }
    const u8* hit = FindByteInRanges(p, static_cast<size_t>(n), ranges, count);
    int64 i = hit ? hit - p : n;
    if (toBlank && !(toLimit && i == n)) {
        const u8* blank = FindByteBackward(p, ' ', static_cast<size_t>(i));
        i = blank ? blank - p + 1 : 0;
    }
    quiet.bytes = p;
    quiet.count = i;
    return quiet;
}

SyntaxLexer::QuietRun PlainTextLexer::Quiet(int64 limit)
{
    static const int32 kNone[4] = {-1, -1, -1, -1};
    return PrintableRun(limit, kNone, false, true);
}

namespace {

// Which bytes go on a run of punctuation in code: not the stops "/" and the
// quotes (and "<" in a page), nor what ends every run of other characters.
constexpr u8 kCodeRun = 1;
constexpr u8 kInPageCodeRun = 2;

struct CodeRunTable {
    u8 bits[256];
    constexpr CodeRunTable() : bits()
    {
        for (int b = 0; b < 128; b++) {
            if ((kAsciiClasses.flags[b] & kRunEnds) || b == '/' || b == '"' || b == '\'')
                continue;
            bits[b] = b == '<' ? kCodeRun : kCodeRun | kInPageCodeRun;
        }
    }
};
constexpr CodeRunTable kCodeRunBytes{};

}  // namespace

void TextLexer::CodeRunToken(TokenRecord& record, bool inner)
{
    Begin(record);
    CharCursor& c = cursor_;
    u64 rel = static_cast<u64>(c.position - c.runStart);
    if (rel < static_cast<u64>(c.runCount) && c.runText->ChangeCount() == c.runChanges) {
        const u8* p = c.run + rel;
        int64 left = c.runCount - static_cast<int64>(rel);
        int64 end = kTokenRunLimit - taken_ < left ? kTokenRunLimit - taken_ : left;
        const u8 in = inner ? kInPageCodeRun : kCodeRun;
        int32 n = 0;
        while (n < end && (kCodeRunBytes.bits[p[n]] & in))
            n++;
        if (text_)
            text_->AppendAscii(p, n, left);
        taken_ += n;
        u32 b = n < end ? p[n] : 0x80;
        if (b < 0x80 && b != 10 && b != 13) {
            // An ASCII character ends the run (none goes on one that ended
            // before it), and needs no decoding: the common end.
            c.position += n;
            c.code = b;
            c.length = 1;
            c.flags = kAsciiClasses.flags[b];
            End(record, kTokenText, state_);
            return;
        }
        CharCursor::Seek(c, c.position + n);
    }
    const wchar_t* stops = inner ? L"/\"'<" : L"/\"'";
    while (!(Flags() & kRunEnds) && !IsStop(Code(), stops) && TakeIfRoom(record)) {
    }
    End(record, kTokenText, state_);
}

void TextLexer::LineCommentToken(TokenRecord& record, const wchar_t* stops)
{
    Generic(record, state_, stops);
    if (TokenClassOf(record.state) == kClassLineEnd)
        state_ = WithClass(state_, kClassText);
}

void TextLexer::BlockCommentToken(TokenRecord& record, const wchar_t* stops)
{
    if (!Is('*')) {
        Generic(record, state_, stops);
        return;
    }
    Begin(record);
    Take();
    if (Is('/')) {
        Take();
        state_ = WithClass(state_, kClassText);
    }
    End(record, kTokenText, tokenState_);
}

void TextLexer::QuotedToken(TokenRecord& record, bool escapes, wchar_t extraStop, u32 afterClass)
{
    if (AtLineEnd()) {
        EndBeforeLineEnd(afterClass);
        Generic(record, state_, L"");
        return;
    }
    const wchar_t quote = TokenClassOf(state_) == kClassString ? L'"' : L'\'';
    if (escapes && Is('\\')) {
        Begin(record);
        Take();
        if (!AtLineEnd() && !(extraStop && Is(extraStop)))
            Take();
        End(record, kTokenText, state_);
        return;
    }
    if (Is(quote)) {
        Single(record, state_);
        state_ = WithClass(state_, afterClass);
        return;
    }
    wchar_t stops[4] = {};
    int n = 0;
    if (escapes)
        stops[n++] = L'\\';
    stops[n++] = quote;
    stops[n] = extraStop;
    Generic(record, state_, stops);
}

bool TextLexer::CLikeStateToken(TokenRecord& record, wchar_t stop, bool lineComments)
{
    if (stop && Is(stop)) {
        Single(record, state_);
        return true;
    }
    // The stop characters of a block comment's runs; behind the star those
    // of a line comment's.
    const wchar_t stops[3] = {L'*', stop, L'\0'};
    switch (TokenClassOf(state_)) {
    case kClassLineComment:
        if (!lineComments)
            return false;
        LineCommentToken(record, stops + 1);
        return true;
    case kClassBlockComment:
        BlockCommentToken(record, stops);
        return true;
    case kClassString:
    case kClassCharacter:
        QuotedToken(record, true, stop);
        return true;
    default:
        return false;
    }
}

bool TextLexer::CLikeCodeToken(TokenRecord& record, bool suffixes)
{
    int32 c = Code();
    if (c == '/')
        SlashToken(record);
    else if (c == '"' || c == '\'')
        OpenQuoteToken(record);
    else if (IsAsciiDigit(c))
        CNumberToken(record, suffixes);
    else if (c == '.' && IsAsciiDigit(PeekCode()))
        PointNumberToken(record);
    else if (c == '.')
        Single(record, state_);
    else
        return false;
    return true;
}

void TextLexer::CommentOpenerToken(TokenRecord& record, wchar_t second, u32 commentClass)
{
    Begin(record);
    Take();
    if (Is(second)) {
        Take();
        state_ = WithClass(state_, commentClass);
    }
    End(record, kTokenText, state_);
}

void TextLexer::MarkCommentToken(TokenRecord& record, wchar_t mark)
{
    Begin(record);
    TakeWhile(record, [this, mark] { return Is(mark); });
    state_ = WithClass(state_, kClassLineComment);
    End(record, kTokenText, state_);
}

void TextLexer::SlashToken(TokenRecord& record)
{
    Begin(record);
    Take();
    if (Is('/')) {
        state_ = WithClass(state_, kClassLineComment);
        TakeWhile(record, [this] { return Is('/'); });
        End(record, kTokenText, state_);
        return;
    }
    if (Is('*')) {
        state_ = WithClass(state_, kClassBlockComment);
        // A cut run leaves at least one star to the next token, which can
        // then still close the comment with a following "/".
        while (Is('*') && taken_ < kTokenRunLimit - 1)
            Take();
        if (Is('*')) {
            record.cut = 1;
        } else if (Is('/')) {
            Take();
            state_ = WithClass(state_, kClassText);
        }
        End(record, kTokenText, WithClass(tokenState_, kClassBlockComment));
        return;
    }
    End(record, kTokenText, state_);
}

bool TextLexer::Exponent(TokenRecord& record)
{
    if (!(Is('E') || Is('e') || Is('D') || Is('d')))
        return true;
    if (!TakeIfRoom(record))
        return true;
    if ((Is('+') || Is('-')) && !TakeIfRoom(record))
        return true;
    return TakeDigits(record) > 0 || record.cut;
}

void TextLexer::CNumberToken(TokenRecord& record, bool suffixes)
{
    Begin(record);
    bool bad = false;
    int32 next = PeekCode();
    if (Is('0') && (next == 'x' || next == 'X')) {
        Take();
        Take();
        bad = TakeHexDigits(record) == 0 && !record.cut;
        if (suffixes && !record.cut)
            Suffix(record);
    } else {
        TakeDigits(record);
        if (!record.cut && !(suffixes && Suffix(record))) {
            if (Is('.') && TakeIfRoom(record))
                TakeDigits(record);
            if (!record.cut)
                bad = !Exponent(record);
        }
    }
    NumberEnd(record, bad);
}

// Integer suffixes: U, u or L and up to two l/L; or l, then l/L, then U/u.
bool TextLexer::Suffix(TokenRecord& record)
{
    if (Is('U') || Is('u') || Is('L')) {
        if (TakeIfRoom(record))
            for (int k = 0; k < 2 && (Is('l') || Is('L')) && TakeIfRoom(record); k++) {
            }
        return true;
    }
    if (Is('l')) {
        if (TakeIfRoom(record) && (!(Is('l') || Is('L')) || TakeIfRoom(record)) && (Is('U') || Is('u')))
            TakeIfRoom(record);
        return true;
    }
    return false;
}

void TextLexer::PointNumberToken(TokenRecord& record)
{
    Begin(record);
    Take();
    TakeDigits(record);
    NumberEnd(record, !record.cut && !Exponent(record));
}
