#pragma once

#include "base/Types.h"
#include "text/CharClass.h"
#include "view/syntax/AsciiSpan.h"
#include "view/syntax/TokenText.h"
#include "view/syntax/WordSet.h"

#include "base/Error.h"

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

class TextDocument;

// Token classes: the low byte of a lexer state; the renderer maps each to a
// colour and a font weight.
enum TokenClass : u32 {
    kClassText = 1,
    kClassLineComment = 2,
    kClassBlockComment = 3,
    kClassComment = 4,
    kClassString = 5,
    kClassCharacter = 6,
    kClassIdentifier = 7,
    kClassKeyword = 8,
    kClassKnown = 9,
    kClassKnown2 = 10,
    kClassNumber = 11,
    kClassBadNumber = 12,
    kClassTagText = 13,
    kClassTagDelimiter = 14,
    kClassTagName = 15,
    kClassAttribute = 16,
    kClassEntity = 17,
    kClassPreprocessor = 20,
    kClassLineEnd = 23,
    kClassEndOfText = 24,
};

// Regions: the second byte of a lexer state (only the HTML lexer changes it).
enum LexerRegion : u32 {
    kRegionPage = 1,
    kRegionTag = 15,
    kRegionScript = 18,
    kRegionStyle = 19,
    kRegionPhp = 21,
};

// Class 1 in region 1.
constexpr u32 kInitialLexerState = 257;

// What ends a generic run of other characters.
constexpr u32 kRunEnds = ClassControl | ClassCombiningMark | ClassUnderscore | ClassTab | ClassLetter | ClassDigit |
                         ClassBlank | ClassLineBreak;

// A run of one kind of character stops after this many characters and goes
// on in the next token, so one odd line never makes a giant token.
constexpr int32 kTokenRunLimit = 250;

// How far back a language lexer's Seek starts lexing when it has no saved
// state, and the granule that start is rounded down to.
constexpr int64 kSeekRelexDistance = 65536;
constexpr int64 kSeekRelexGranule = 4096;

inline u32 TokenClassOf(u32 state) { return state & 0xFF; }
inline u32 RegionOf(u32 state) { return (state >> 8) & 0xFF; }
inline u32 WithClass(u32 state, u32 tokenClass) { return (state & ~0xFFu) | tokenClass; }
inline u32 WithRegionAndClass(u32 state, u32 region, u32 tokenClass)
{
    return (state & 0xFFFF0000u) | (region << 8) | tokenClass;
}

// Token kinds (low byte of TokenRecord::kind).
enum TokenKind : u16 {
    kTokenBlank = 0,
    kTokenTab = 1,
    kTokenText = 2,
    kTokenControl = 3,
    kTokenEmpty = 10,
};

// High byte of TokenRecord::kind: a word of letters and combining marks only,
// the only tokens offered to the spell checker.
constexpr u16 kTokenLettersOnly = 0x100;

struct TokenRecord {
    u16 kind;
    int64 start;
    int64 end;
    int32 textStart;
    int32 textEnd;
    u8 cut;
    u8 scratch;
    u32 state;
};

// What every lexer offers the line layout. Lexers are plain memory: no
// destructor runs, the user frees them with FreeLexer.
class SyntaxLexer {
public:
    // Positions the lexer at a character boundary with the state that holds
    // there; may restart from savedPosition with *savedState.
    virtual void Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText) = 0;
    // Makes the token at the current position and moves past it.
    virtual void NextToken(TokenRecord& record) = 0;

    // Bytes ahead of a token start over which no token changes the state.
    struct QuietRun {
        const u8* bytes;
        int64 count;  // 0 when there are none
        bool stateClass;  // every token among them has the state's class
    };
    // From the current position, a token start: printable ASCII bytes ahead
    // in the stored run, before limit, over which no token changes the
    // state and every blank is a token of its own; they end at limit or at
    // a token start. None in lexers that do not say.
    virtual QuietRun Quiet(int64 limit)
    {
        (void)limit;
        return QuietRun{nullptr, 0, true};
    }
    // Moves on to a token start among or just after those bytes.
    void PassQuiet(int64 position)
    {
        CharCursor::Seek(cursor_, position);
        tokenState_ = state_;
    }

    u32 State() const { return state_; }
    // The state the last token was made in; a line-end run takes its colour.
    u32 TokenStartState() const { return tokenState_; }
    int64 Position() const { return cursor_.position; }

protected:
    explicit SyntaxLexer(TextDocument* document);
    ~SyntaxLexer() = default;

    CharCursor cursor_;
    u32 tokenState_;
    u32 state_;
    TokenText* text_;
    u8 seekMode_;
    int32 taken_;  // characters in the token being made
};

void FreeLexer(SyntaxLexer* lexer);

struct LexerDeleter {
    void operator()(SyntaxLexer* lexer) const { FreeLexer(lexer); }
};
using LexerPtr = std::unique_ptr<SyntaxLexer, LexerDeleter>;

// A lexer in zero-filled memory (MemoryError when there is none), to be
// freed with FreeLexer.
template <class L, class... Args>
L* NewLexer(Args&&... args)
{
    static_assert(std::is_trivially_destructible<L>::value, "lexers are plain memory");
    void* memory = AllocZeroed(sizeof(L));
    return new (memory) L(std::forward<Args>(args)...);
}

// The plain-text lexer. Its generic tokenizer is what every other lexer
// falls back on, and its helpers are what they scan with.
class TextLexer : public SyntaxLexer {
public:
    explicit TextLexer(TextDocument* document) : SyntaxLexer(document) {}

    // Restores a saved state only at exactly its own position: plain text
    // has no state that crosses a line end.
    void Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText) override;
    void NextToken(TokenRecord& record) override
    {
        tokenState_ = state_;
        Generic(record, state_, L"");
    }

protected:
    int32 Code() const { return static_cast<int32>(cursor_.code); }
    u32 Flags() const { return cursor_.flags; }
    bool AtLineEnd() const { return (cursor_.flags & (ClassEndOfText | ClassLineBreak)) != 0; }
    bool Is(wchar_t c) const { return cursor_.code == static_cast<u32>(c); }
    bool HasRoom() const { return taken_ < kTokenRunLimit; }
    // An identifier character of the C family, PHP and Kestin.
    bool AtIdentifierChar() const
    {
        return (cursor_.flags & (ClassAsciiLetter | ClassDigit | ClassUnderscore | ClassCombiningMark)) != 0;
    }

    // The character after the current one (the current one at the end).
    CharCursor Ahead() const
    {
        CharCursor next = cursor_;
        CharCursor::Seek(next, next.position + next.length);
        return next;
    }
    int32 PeekCode() const
    {
        // A plain ASCII byte next in the run is its own code.
        const CharCursor& c = cursor_;
        u64 rel = static_cast<u64>(c.position + c.length - c.runStart);
        if (rel < static_cast<u64>(c.runCount) && c.runText->ChangeCount() == c.runChanges) {
            u32 b = c.run[rel];
            if (b < 0x80 && b != 10 && b != 13)
                return static_cast<int32>(b);
        }
        return static_cast<int32>(Ahead().code);
    }

    void MoveTo(int64 position) { CharCursor::Seek(cursor_, position); }
    // The printable ASCII bytes from the cursor in its stored run, before
    // limit, up to the first of stops (-1 for none); with toBlank cut back
    // to just after the last blank unless they reach limit.
    QuietRun PrintableRun(int64 limit, const int32 (&stops)[4], bool toBlank, bool stateClass) const;

    // A lexer that makes tokens for this one, sharing the cursor, the
    // token text and the seek mode; its class byte comes back into the state.
    // The cursor is handed over once for a whole run of the inner lexer's
    // tokens: copying it for every token cost more than most tokens.
    void LendTo(TextLexer& inner) const
    {
        inner.cursor_ = cursor_;
        inner.state_ = state_;
        inner.tokenState_ = state_;
        inner.text_ = text_;
        inner.seekMode_ = seekMode_;
        inner.taken_ = 0;
    }
    void TakeBackFrom(const TextLexer& inner)
    {
        cursor_ = inner.cursor_;
        state_ = WithClass(state_, TokenClassOf(inner.state_));
        tokenState_ = inner.tokenState_;
    }
    // After a token the inner lexer made with the cursor still lent: what
    // the caller reads between tokens (the states and the position) follows
    // it; the rest of the cursor stays with the inner lexer.
    void FollowLent(const TextLexer& inner)
    {
        state_ = WithClass(state_, TokenClassOf(inner.state_));
        tokenState_ = inner.tokenState_;
        cursor_.position = inner.cursor_.position;
    }
    static bool LentCursorAt(const TextLexer& inner, wchar_t c) { return inner.Is(c); }

    void Begin(TokenRecord& record)
    {
        record.start = cursor_.position;
        record.textStart = text_ ? text_->Count() : 0;
        record.cut = 0;
        record.scratch = 0;
        taken_ = 0;
    }
    void Take()
    {
        if (text_)
            AppendCurrent();
        taken_++;
        CharCursor::Seek(cursor_, cursor_.position + cursor_.length);
    }
    // Takes the current character when the token has room for it; otherwise
    // marks the token cut, since the run goes on in the next token.
    bool TakeIfRoom(TokenRecord& record)
    {
        if (!HasRoom()) {
            record.cut = 1;
            return false;
        }
        Take();
        return true;
    }
    // Takes the ASCII characters of the current stored run whose class flags
    // meet mask (which holds neither line breaks nor control characters), as
    // many as the token has room for, straight from the bytes: the inner loop
    // of words. True when one of them also met seen.
    bool TakeAsciiRun(u32 mask, u32 seen = 0)
    {
        CharCursor& c = cursor_;
        u64 rel = static_cast<u64>(c.position - c.runStart);
        if (rel >= static_cast<u64>(c.runCount) || c.runText->ChangeCount() != c.runChanges)
            return false;
        const u8* p = c.run + rel;
        int64 left = c.runCount - static_cast<int64>(rel);
        int32 room = kTokenRunLimit - taken_;
        int32 n = 0;
        u32 met = 0;
        constexpr u32 kWordClasses = ClassLetter | ClassAsciiLetter | ClassDigit | ClassUnderscore | ClassHyphen;
        if (!(mask & ~kWordClasses) && (mask & (ClassLetter | ClassAsciiLetter)) && (mask & ClassDigit) &&
            (mask & ClassUnderscore) && !(seen & ~(ClassDigit | ClassUnderscore))) {
            // Letters, digits, "_" and maybe "-": sixteen at a time.
            const bool hyphen = (mask & ClassHyphen) != 0;
            bool marked = false;
            n = AsciiSpan::Span(
                p, left, room, [hyphen](__m128i x) { return AsciiSpan::WordBytes(x, hyphen); },
                [seen](__m128i x) {
                    __m128i m = _mm_setzero_si128();
                    if (seen & ClassDigit)
                        m = _mm_or_si128(m, AsciiSpan::InRange(x, '0', '9'));
                    if (seen & ClassUnderscore)
                        m = _mm_or_si128(m, AsciiSpan::Equal(x, '_'));
                    return m;
                },
                seen ? &marked : nullptr);
            met = marked ? seen : 0;
        } else {
            // Line ends and control characters are in no word's mask.
            int64 end = room < left ? room : left;
            while (n < end) {
                u32 b = p[n];
                if (b >= 0x80)
                    break;
                u32 f = kAsciiClasses.flags[b];
                if (!(f & mask))
                    break;
                met |= f;
                n++;
            }
        }
        if (n == 0)
            return false;
        if (text_)
            text_->AppendAscii(p, n, left);
        taken_ += n;
        CharCursor::Seek(c, c.position + n);
        return (met & seen) != 0;
    }
    template <class Pred>
    int32 TakeWhile(TokenRecord& record, Pred pred)
    {
        int32 n = 0;
        while (pred() && TakeIfRoom(record))
            n++;
        return n;
    }
    int32 TakeDigits(TokenRecord& record)
    {
        return TakeWhile(record, [this] { return IsAsciiDigit(Code()); });
    }
    int32 TakeHexDigits(TokenRecord& record)
    {
        return TakeWhile(record, [this] { return IsHexDigit(Code()); });
    }
    // As TakeWhile, also copying the units into word (room for two units per
    // character of one run).
    template <class Pred>
    int32 TakeWordWhile(TokenRecord& record, Pred pred, wchar_t* word, int32& length)
    {
        int32 n = 0;
        while (pred() && HasRoom()) {
            AppendUnitsOf(Code(), word, length);
            Take();
            n++;
        }
        if (pred() && !HasRoom())
            record.cut = 1;
        return n;
    }
    // At the start of a word of ASCII letters, digits and "_" ("-" too with
    // hyphen), with sixteen bytes of the stored run readable and room for
    // them in the token text: a word of fewer than sixteen characters, looked
    // up by its bytes, known(bytes, length) as WordSet::FindAscii answers —
    // the commonest token of code, made in one go. With marks a combining
    // mark would go on the word, so a byte beyond ASCII after it is left to
    // the general way. False, with nothing done, where it does not apply.
    template <class Known>
    bool QuickWordToken(TokenRecord& record, bool hyphen, bool marks, u32 knownClass, Known known)
    {
        __m128i x;
        int32 n;
        if (!QuickWordSpan(hyphen, marks, x, n))
            return false;
        int isKnown = known(x, n);
        if (isKnown > 1)
            return false;
        QuickTake(record, x, n, kTokenText, WithClass(state_, isKnown ? knownClass : kClassIdentifier));
        return true;
    }
    // The span of such a word (none unless the cursor is at one): its
    // first sixteen bytes and its length.
    bool QuickWordSpan(bool hyphen, bool marks, __m128i& x, int32& n) const
    {
        const CharCursor& c = cursor_;
        const TokenText* text = text_;
        u64 rel = static_cast<u64>(c.position - c.runStart);
        if (!text || rel >= static_cast<u64>(c.runCount) || static_cast<u64>(c.runCount) - rel < 16 ||
            c.runText->ChangeCount() != c.runChanges || text->Capacity() - text->Count() <= 16)
            return false;
        const u8* p = c.run + rel;
        x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned out = ~AsciiSpan::Mask(AsciiSpan::WordBytes(x, hyphen)) & 0xFFFF;
        if (!out)
            return false;
        n = AsciiSpan::LowBit(out);
        return n > 0 && !(marks && p[n] >= 0x80);
    }
    // Makes the token of the first n of the bytes x a span found, with its
    // kind and state.
    void QuickTake(TokenRecord& record, __m128i x, int32 n, u16 kind, u32 state)
    {
        CharCursor& c = cursor_;
        int32 count = text_->Count();
        text_->AppendAsciiOf16(x, n);
        int64 at = c.position;
        record.kind = kind;
        record.start = at;
        record.end = at + n;
        record.textStart = count;
        record.textEnd = count + n;
        record.cut = 0;
        record.scratch = 0;
        record.state = state;
        taken_ = n;
        u32 b = c.run[at - c.runStart + n];
        if (b < 0x80 && b != 10 && b != 13) {
            c.position = at + n;
            c.code = b;
            c.length = 1;
            c.flags = kAsciiClasses.flags[b];
        } else {
            CharCursor::Seek(c, at + n);
        }
    }
    // A word of the characters inWord accepts: an identifier, or of class
    // knownClass when known(chars, length) accepts it (asked outside seek
    // mode only).
    template <class InWord, class Known>
    void WordToken(TokenRecord& record, InWord inWord, u32 knownClass, Known known)
    {
        WordToken(record, inWord, 0, knownClass, known);
    }
    // The same where inWord accepts exactly the ASCII characters whose class
    // flags meet asciiMask (and maybe others): those are taken in runs.
    template <class InWord, class Known>
    void WordToken(TokenRecord& record, InWord inWord, u32 asciiMask, u32 knownClass, Known known)
    {
        Begin(record);
        bool isKnown;
        if (text_ || seekMode_) {
            // The word's units are the token text's; a seek looks nothing up.
            if (asciiMask)
                TakeAsciiRun(asciiMask);
            TakeWhile(record, inWord);
            isKnown = !seekMode_ && known(text_->Units() + record.textStart, text_->Count() - record.textStart);
        } else {
            wchar_t word[2 * kTokenRunLimit];
            int32 length = 0;
            TakeWordWhile(record, inWord, word, length);
            isKnown = !seekMode_ && known(word, length);
        }
        End(record, kTokenText, WithClass(state_, isKnown ? knownClass : kClassIdentifier));
    }
    // The same with a language's keyword set.
    template <class InWord>
    void WordToken(TokenRecord& record, InWord inWord, const WordSet& keywords)
    {
        WordToken(record, inWord, kClassKeyword,
                  [&keywords](const wchar_t* word, int32 length) { return keywords.Contains(word, length); });
    }
    void End(TokenRecord& record, u16 kind, u32 state)
    {
        record.kind = kind;
        record.end = cursor_.position;
        record.textEnd = text_ ? text_->Count() : 0;
        record.state = state;
    }
    // At a blank or a tab, which in every state of the C-like languages is
    // a token of its own with the state's class: that token; false elsewhere.
    bool BlankToken(TokenRecord& record)
    {
        if (!(Flags() & (ClassBlank | ClassTab)))
            return false;
        u16 kind = (Flags() & ClassBlank) ? kTokenBlank : kTokenTab;
        Begin(record);
        Take();
        End(record, kind, state_);
        return true;
    }
    // The same at a blank or a tab where the token text has room, with the
    // cursor moved last, so that the two tokens of most lines' start and
    // every other token of code cost no general steps; false elsewhere.
    bool QuickBlankToken(TokenRecord& record)
    {
        u32 c = cursor_.code;
        if (c != ' ' && c != '\t')
            return false;
        return QuickSingle(record, c == ' ' ? kTokenBlank : kTokenTab, state_);
    }
    // The same for the current character, of one unit, as a token of kind
    // and state (false where the token text has no room).
    bool QuickSingle(TokenRecord& record, u16 kind, u32 state)
    {
        u32 c = cursor_.code;
        TokenText* text = text_;
        int32 count = 0;
        if (text) {
            if (!text->HasRoomForUnit())
                return false;
            count = text->Count();
            text->PutUnit(c, cursor_.length);
        }
        int64 at = cursor_.position;
        record.kind = kind;
        record.start = at;
        record.end = at + cursor_.length;
        record.textStart = count;
        record.textEnd = text ? count + 1 : 0;
        record.cut = 0;
        record.scratch = 0;
        record.state = state;
        taken_ = 1;
        CharCursor::Seek(cursor_, record.end);
        return true;
    }
    // At a line break (not the end of the text): its token with the state's
    // class turned into the line end's; false elsewhere.
    bool LineEndToken(TokenRecord& record)
    {
        if ((Flags() & (ClassLineBreak | ClassEndOfText)) != ClassLineBreak)
            return false;
        Begin(record);
        Take();
        End(record, kTokenText, WithClass(state_, kClassLineEnd));
        return true;
    }
    // At a character that starts no rule of a C-like language in code: the
    // generic tokenizer's run of other characters with the stops of code
    // ("/", the quotes, and "<" inside a page), its ASCII part straight from
    // the stored run.
    void CodeRunToken(TokenRecord& record, bool inner);
    // One-character token (or a few characters taken by the caller before).
    void Single(TokenRecord& record, u32 state) { Single(record, kTokenText, state); }
    void Single(TokenRecord& record, u16 kind, u32 state)
    {
        Begin(record);
        Take();
        End(record, kind, state);
    }

    // The generic tokenizer: blanks, tabs, words, line ends, combining marks,
    // control characters and runs of anything else, which also stop at the
    // given characters.
    void Generic(TokenRecord& record, u32 state, const wchar_t* stops);
    // Its word of letters, digits and "_" (and combining marks after them),
    // at one: of kind text, marked letters-only unless it holds a digit or
    // "_".
    [[gnu::noinline]] void GenericWord(TokenRecord& record, u32 state);
    // Takes the ASCII characters of such a run of anything else straight
    // from the stored run, as many as the token has room for: comments and
    // strings are mostly made of them.
    void TakeAsciiOthers(const wchar_t* stops);

    // Scanning shared by the languages. At a line end, a state that ends
    // there takes afterClass first, so the line-end token has it too.
    void EndBeforeLineEnd(u32 afterClass = kClassText)
    {
        if (AtLineEnd()) {
            state_ = WithClass(state_, afterClass);
            tokenState_ = state_;
        }
    }
    // Inside a comment that runs to the line end: the generic tokenizer with
    // the comment's class, the line-end token included; code after it.
    void LineCommentToken(TokenRecord& record, const wchar_t* stops);
    // Inside a block comment closed by "*" and "/" (stops: the generic run's
    // stop characters, "*" among them).
    void BlockCommentToken(TokenRecord& record, const wchar_t* stops);
    // The states of the C-like languages that go on from token to token: a
    // line comment (when the language has them), a block comment, a string
    // or a character literal. stop (or 0) ends every run and is a token
    // alone in every state. False when the state is none of them.
    bool CLikeStateToken(TokenRecord& record, wchar_t stop, bool lineComments);
    // In code of the C-like languages: "/" (SlashToken), the quotes, numbers
    // (with the C family's suffixes when asked) and ".". False at any other
    // character.
    bool CLikeCodeToken(TokenRecord& record, bool suffixes);
    // At a double quote or an apostrophe: the quote alone, opening a string
    // or a character literal.
    void OpenQuoteToken(TokenRecord& record)
    {
        state_ = WithClass(state_, Is('"') ? kClassString : kClassCharacter);
        Single(record, state_);
    }
    // Inside a string (double quote) or character literal (apostrophe), which
    // ends at its quote or at the line end, and then the state's class
    // becomes afterClass; with escapes a backslash and the next character are
    // one token. extraStop (or 0) also ends runs and is never escaped.
    void QuotedToken(TokenRecord& record, bool escapes, wchar_t extraStop, u32 afterClass = kClassText);
    // At a comment's first character, taken alone unless second follows:
    // then both, and the token and the state get commentClass.
    void CommentOpenerToken(TokenRecord& record, wchar_t second, u32 commentClass);
    // A run of mark, opening a line comment.
    void MarkCommentToken(TokenRecord& record, wchar_t mark);
    // At "/" in code: "//" opens a line comment and "/*" a block comment
    // (a "/" right after the opening stars closes it at once).
    void SlashToken(TokenRecord& record);
    // The exponent of a number: E, e, D or d, an optional sign and digits;
    // false when the digits are missing.
    bool Exponent(TokenRecord& record);
    // The decimal numbers of the scripting languages: digits, a point that
    // needs a digit after it, and an exponent that needs its sign. digits
    // takes one run and returns its length. True when malformed.
    template <class Digits>
    bool ScriptDecimal(TokenRecord& record, Digits digits)
    {
        bool bad = digits() == 0 && !record.cut;
        if (!record.cut && Is('.') && TakeIfRoom(record))
            bad = (digits() == 0 && !record.cut) || bad;
        if (!bad && !record.cut && (Is('E') || Is('e')) && TakeIfRoom(record)) {
            bool sign = Is('+') || Is('-');
            if (sign && !TakeIfRoom(record))
                return false;
            bad = (digits() == 0 && !record.cut) || !sign;
        }
        return bad;
    }
    // At a digit: a number of the C family, or of PHP without suffixes:
    // "0x" and hexadecimal digits, or decimal digits with a fraction and an
    // exponent unless a suffix ends them.
    void CNumberToken(TokenRecord& record, bool suffixes);
    // At "." followed by a digit: a number that starts with the point.
    void PointNumberToken(TokenRecord& record);
    void NumberEnd(TokenRecord& record, bool bad)
    {
        record.scratch = bad ? 1 : 0;
        End(record, kTokenText, WithClass(state_, bad ? kClassBadNumber : kClassNumber));
    }

    // The language lexers' Seek: relexes from at most kSeekRelexDistance
    // back (rounded down to kSeekRelexGranule), or from a saved state.
    void SeekByRelexing(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText, u32 startState);

    static bool IsStop(int32 code, const wchar_t* stops)
    {
        for (; *stops; stops++)
            if (code == *stops)
                return true;
        return false;
    }
    static bool IsAsciiDigit(int32 c) { return c >= '0' && c <= '9'; }
    static bool IsHexDigit(int32 c) { return IsAsciiDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
    static bool IsAsciiLetter(int32 c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
    static void AppendUnitsOf(int32 code, wchar_t* word, int32& length)
    {
        if (code >= 0x10000) {
            code -= 0x10000;
            word[length++] = static_cast<wchar_t>(0xD800 + (code >> 10));
            word[length++] = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            word[length++] = static_cast<wchar_t>(code);
        }
    }

private:
    void AppendCurrent()
    {
        int32 code = Code();
        if (code == -2)
            code = '\n';  // a CR LF pair is one character of the text
        else if (code < 0)
            code = 0xFFFD;
        text_->AppendCodePoint(code, static_cast<int32>(cursor_.length));
    }
    bool Suffix(TokenRecord& record);
};

// The lexer of plain text, whose tokens never change its state.
class PlainTextLexer final : public TextLexer {
public:
    explicit PlainTextLexer(TextDocument* document) : TextLexer(document) {}

    QuietRun Quiet(int64 limit) override;
};
