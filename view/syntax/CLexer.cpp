#include "view/syntax/CLexer.h"

namespace {

const wchar_t kCWords[] =
    L"alignas alignof and and_eq asm atomic_cancel atomic_commit atomic_noexcept auto bitand bitor bool "
    L"break case catch char char8_t char16_t char32_t class compl concept const consteval constexpr "
    L"constinit const_cast continue co_await co_return co_yield decltype default delete do double "
    L"dynamic_cast else enum explicit export extern false final float for fortran friend goto if inline "
    L"int import long module mutable namespace new noexcept not not_eq nullptr operator or or_eq override "
    L"private protected public reflexpr register reinterpret_cast requires restrict return short signed "
    L"sizeof static static_assert static_cast struct switch synchronized template this thread_local throw "
    L"transaction_safe transaction_safe_dynamic true try typedef typeid typename union unsigned using "
    L"virtual void volatile wchar_t while xor xor_eq _Pragma";

const wchar_t kCsWords[] =
    L"abstract add alias as ascending async await base break case catch checked class const continue "
    L"default delegate descending do dynamic else enum event explicit extern finally fixed for foreach "
    L"from get global goto group if implicit in interface internal into is lock join let namespace new "
    L"operator orderby out override params partial private protected public readonly ref remove return "
    L"sealed select set sizeof stackalloc static struct switch this throw try typeof unchecked unsafe "
    L"using value var virtual void volatile while yield Action Boolean Byte Char DateTime DateTimeOffset "
    L"Decimal Double Func Guid Int16 Int32 Int64 Object SByte Single String Task TimeSpan UInt16 UInt32 "
    L"UInt64 bool byte char decimal double false float int long object null sbyte short string true uint "
    L"ulong ushort";

const wchar_t kJavaWords[] =
    L"abstract assert boolean Boolean break byte Byte case catch char Character class const continue "
    L"default do double Double else enum extends false final finally float Float for goto if implements "
    L"import instanceof int Integer interface long Long native new null Number Object package private "
    L"protected public return short Short static strictfp String StringBuffer StringBuilder super switch "
    L"synchronized this throw throws transient true try void Void volatile while @interface";

const wchar_t kJavaScriptWords[] =
    L"abstract arguments await boolean break byte case catch char class const continue debugger default "
    L"delete do double else enum eval export extends false final finally float for function goto if "
    L"implements import in instanceof int interface let long native new null package private protected "
    L"public return short static super switch synchronized this throw throws transient true try typeof var "
    L"void volatile while with yield";

}  // namespace

CLexer::Storage::Storage()
{
    keywords.AddList(kCWords);
}

void CLexer::Storage::OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength)
{
    if (IsSectionNamed(header, headerLength, L"known"))
        known = SectionWords(body, bodyLength);
}

CsLexer::Storage::Storage()
{
    keywords.AddList(kCsWords);
}

JavaLexer::Storage::Storage()
{
    keywords.AddList(kJavaWords);
}

JavaScriptLexer::Storage::Storage()
{
    keywords.AddList(kJavaScriptWords);
}

bool CLexerBase::IsKeyword(const wchar_t* chars, int32 length) const
{
    return keywords_->Contains(chars, length) || (known_ && known_->Contains(chars, length));
}

void CLexerBase::Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText)
{
    SeekByRelexing(position, savedPosition, savedState, tokenText, kInitialLexerState);
}

SyntaxLexer::QuietRun CLexerBase::Quiet(int64 limit)
{
    QuietRun quiet{nullptr, 0, true};
    // Only a star can end a block comment, a quote or an escape a literal,
    // a line break a line comment or a directive; in code only a slash, a
    // quote or "#" start something else, and a token ends after every
    // blank. In a page "<" ends every run as well.
    int32 stops[4] = {-1, -1, -1, -1};
    bool code = false;
    switch (TokenClassOf(state_)) {
    case kClassText:
        code = true;
        quiet.stateClass = false;  // identifiers, keywords, numbers
        stops[0] = '/';
        stops[1] = '"';
        stops[2] = '\'';
        stops[3] = '#';
        break;
    case kClassLineComment:
    case kClassPreprocessor:
        break;
    case kClassBlockComment:
        stops[0] = '*';
        break;
    case kClassString:
        stops[0] = '"';
        stops[1] = '\\';
        break;
    case kClassCharacter:
        stops[0] = '\'';
        stops[1] = '\\';
        break;
    default:
        return quiet;
    }
    if (innerScript_)
        return quiet;
    return PrintableRun(limit, stops, code, quiet.stateClass);
}

void CLexerBase::IdentifierToken(TokenRecord& record)
{
    auto quickKnown = [this](__m128i bytes, int32 length) {
        return keywords_->FindAscii(bytes, length) | (known_ ? known_->FindAscii(bytes, length) : 0);
    };
    if (!QuickWordToken(record, false, true, kClassKeyword, quickKnown))
        LongIdentifierToken(record);
}

void CLexerBase::LongIdentifierToken(TokenRecord& record)
{
    WordToken(
        record, [this] { return AtIdentifierChar(); }, ClassAsciiLetter | ClassDigit | ClassUnderscore, kClassKeyword,
        [this](const wchar_t* word, int32 length) {
            return keywords_->Contains(word, length) || (known_ && known_->Contains(word, length));
        });
}

// Characters that start a token of their own rule in code.
bool CLexerBase::IsRuleStart(int32 c, bool inner)
{
    return c == '/' || c == '"' || c == '\'' || c == '.' || c == '#' || (inner && c == '<');
}

namespace {

// What a character in code starts, for every ASCII code: one look-up and
// one jump instead of a chain of tests, each of which a branch predictor
// guesses wrong now and then on tokens as varied as those of code. Control
// characters, line ends and the rest go the long way.
enum CodeStart : u8 {
    kStartOther,
    kStartBlank,
    kStartTab,
    kStartWord,
    kStartRun,  // punctuation that starts no rule
    kStartSlash,
    kStartQuote,
    kStartDigit,
    kStartPoint,
    kStartHash,
    kStartLess,  // punctuation outside a page, a token alone inside one
    kStartLineEnd,  // a line feed
};

struct CodeStartTable {
    u8 start[128];
    constexpr CodeStartTable() : start()
    {
        for (int c = 0; c < 128; c++) {
            u32 f = kAsciiClasses.flags[c];
            u8 s = kStartOther;
            if (f & ClassBlank)
                s = kStartBlank;
            else if (f & ClassTab)
                s = kStartTab;
            else if ((f & ClassAsciiLetter) || c == '_')
                s = kStartWord;
            else if (f & ClassDigit)
                s = kStartDigit;
            else if (c == '/')
                s = kStartSlash;
            else if (c == '"' || c == '\'')
                s = kStartQuote;
            else if (c == '.')
                s = kStartPoint;
            else if (c == '#')
                s = kStartHash;
            else if (c == '<')
                s = kStartLess;
            else if (c == '\n')
                s = kStartLineEnd;
            else if (!(f & kRunEnds))
                s = kStartRun;
            start[c] = s;
        }
    }
};
constexpr CodeStartTable kCodeStarts{};

}  // namespace

void CLexerBase::NextToken(TokenRecord& record)
{
    tokenState_ = state_;
    // Blanks and tabs are a token each in every state: two in five tokens
    // of indented code, so they are made before anything else is set up;
    // in code one jump tells them from the other common tokens, each made
    // by a function of its own that needs no set-up of the others'.
    if (TokenClassOf(state_) == kClassText) {
        u32 c = cursor_.code;
        switch (c < 128 ? kCodeStarts.start[c] : static_cast<u8>(kStartOther)) {
        case kStartBlank:
        case kStartTab:
            if (QuickBlankToken(record))
                return;
            break;
        case kStartWord:
            IdentifierToken(record);
            return;
        case kStartRun:
            CodeRunToken(record, innerScript_ != 0);
            return;
        case kStartLineEnd:
            // A line feed as it is: one in every few tokens of code.
            if (QuickSingle(record, kTokenText, WithClass(state_, kClassLineEnd)))
                return;
            break;
        default:
            break;
        }
    } else {
        if (QuickBlankToken(record))
            return;
        // A word in a comment or a literal: what their rules come to there.
        constexpr u32 kWordStart = ClassAsciiLetter | ClassDigit | ClassUnderscore;
        u32 tokenClass = TokenClassOf(state_);
        if ((cursor_.flags & kWordStart) && tokenClass >= kClassLineComment && tokenClass <= kClassCharacter &&
            tokenClass != kClassComment) {
            GenericWord(record, state_);
            return;
        }
    }
    OtherToken(record);
}

void CLexerBase::OtherToken(TokenRecord& record)
{
    const bool inner = innerScript_ != 0;
    if (TokenClassOf(state_) == kClassText) {
        // The other tokens of code, straight from the table; each case
        // does what the rules below would.
        u32 c = cursor_.code;
        switch (c < 128 ? kCodeStarts.start[c] : static_cast<u8>(kStartOther)) {
        case kStartBlank:
            Single(record, kTokenBlank, state_);
            return;
        case kStartTab:
            Single(record, kTokenTab, state_);
            return;
        case kStartWord:
            IdentifierToken(record);
            return;
        case kStartRun:
            CodeRunToken(record, inner);
            return;
        case kStartSlash:
            SlashToken(record);
            return;
        case kStartQuote:
            OpenQuoteToken(record);
            return;
        case kStartDigit:
            CNumberToken(record, true);
            return;
        case kStartPoint:
            if (IsAsciiDigit(PeekCode()))
                PointNumberToken(record);
            else
                Single(record, state_);
            return;
        case kStartHash:
            state_ = WithClass(state_, kClassPreprocessor);
            Single(record, state_);
            return;
        case kStartLess:
            if (inner)
                Single(record, state_);
            else
                CodeRunToken(record, false);
            return;
        case kStartLineEnd:
            LineEndToken(record);
            return;
        default:
            break;
        }
    }
    if (BlankToken(record))
        return;
    int32 first = Code();
    // An identifier in code, the other common token: none of the state or
    // punctuation rules below starts with a letter or "_".
    if (TokenClassOf(state_) == kClassText) {
        if (IsAsciiLetter(first) || first == '_') {
            IdentifierToken(record);
            return;
        }
        // A line end in code is a token of its own, and so is a run of
        // punctuation that none of the rules below starts with.
        if (LineEndToken(record))
            return;
        if (first >= 0 && first < 128 && !(Flags() & kRunEnds) && !IsRuleStart(first, inner)) {
            CodeRunToken(record, inner);
            return;
        }
    }
    // Inside a page "<" ends every run; the page looks at it.
    if (CLikeStateToken(record, inner ? L'<' : L'\0', true))
        return;
    if (TokenClassOf(state_) == kClassPreprocessor) {
        EndBeforeLineEnd();
        Generic(record, state_, inner ? L"<" : L"");
        record.kind &= ~kTokenLettersOnly;
        return;
    }
    if (CLikeCodeToken(record, true))
        return;

    int32 c = Code();
    if (IsAsciiLetter(c) || c == '_') {
        IdentifierToken(record);
    } else if (c == '#') {
        state_ = WithClass(state_, kClassPreprocessor);
        Single(record, state_);
    } else {
        Generic(record, state_, inner ? L"/\"'<" : L"/\"'");
    }
}
