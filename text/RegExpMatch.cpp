#include "text/RegExp.h"

#include "base/ByteScan.h"
#include "base/CharUtils.h"
#include "text/TextBuff.h"
#include "text/RegexDfa.h"
#include "text/TextDocument.h"

#include <windows.h>

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

using namespace RegexKind;

namespace {

constexpr int64 kForwardSlack = 5000;
constexpr int64 kBackwardAhead = 20000;
constexpr int64 kBeforeWindow = 100000;
constexpr int32 kLineFeed = 10;
constexpr int kWordTypes = C1_UPPER | C1_LOWER | C1_DIGIT | C1_ALPHA;

bool HasType(int32 c, int mask)
{
    return c >= 0 && IsCharType(c, mask);
}

bool IsAsciiDigit(int32 c)
{
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(int32 c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsWordChar(int32 c)
{
    if (c < 128)
        return IsAsciiDigit(c) || IsAsciiLetter(c) || c == '_';
    return IsCharType(c, kWordTypes);
}

// A named class inside brackets; c is never a line break here.
bool NamedClassMatches(u32 kind, int32 c)
{
    bool ascii = c < 128;
    switch (kind) {
    case CLS_ALNUM:
        return ascii ? IsAsciiDigit(c) || IsAsciiLetter(c) : HasType(c, kWordTypes);
    case CLS_ALPHA:
        return ascii ? IsAsciiLetter(c) : HasType(c, C1_UPPER | C1_LOWER | C1_ALPHA);
    case CLS_LOWER:
        return ascii ? c >= 'a' && c <= 'z' : HasType(c, C1_LOWER);
    case CLS_UPPER:
        return ascii ? c >= 'A' && c <= 'Z' : HasType(c, C1_UPPER);
    case CLS_WORD:
        return IsWordChar(c);
    case CLS_NOT_WORD:
        return !IsWordChar(c);
    case CLS_DIGIT:
        return ascii ? IsAsciiDigit(c) : HasType(c, C1_DIGIT);
    case CLS_NOT_DIGIT:
        return ascii ? !IsAsciiDigit(c) : !HasType(c, C1_DIGIT);
    case CLS_XDIGIT:
        return ascii ? IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') : HasType(c, C1_XDIGIT);
    case CLS_SPACE:
        return ascii ? c == 9 || c == 32 : HasType(c, C1_SPACE);
    case CLS_NOT_SPACE:
        return ascii ? c != 9 && c != 32 : !HasType(c, C1_SPACE);
    case CLS_BLANK:
        return HasType(c, C1_BLANK);
    case CLS_ASCII:
        return ascii;
    case CLS_CNTRL:
        return ascii ? (c >= 0 && c <= 31) || c == 127 : HasType(c, C1_CNTRL);
    case CLS_GRAPH:
        return HasType(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_PUNCT | C1_ALPHA);
    case CLS_PRINT:
        return HasType(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_PUNCT | C1_BLANK | C1_ALPHA);
    case CLS_PUNCT:
        return HasType(c, C1_PUNCT);
    default:
        return false;
    }
}

// Line breaks match only a non-negated class that lists "\n" itself.
bool RegexClassMatches(const RegexClassItem* item, int32 c)
{
    if (c == kLineFeed) {
        for (;; item++) {
            if (item->first == ITEM_NEGATE || item->first == ITEM_END)
                return false;
            if (item->second == ITEM_SINGLE && item->first == kLineFeed)
                return true;
        }
    }
    bool negated = false;
    for (;; item++) {
        if (item->first == ITEM_NEGATE) {
            negated = true;
        } else if (item->first == ITEM_END) {
            return negated;
        } else if (item->second == ITEM_SINGLE) {
            if (item->first == ANY || static_cast<int64>(item->first) == c)
                return !negated;
        } else if (item->second == ITEM_NAMED) {
            if (NamedClassMatches(item->first, c))
                return !negated;
        } else if (c >= 0 && static_cast<u32>(c) >= item->first && static_cast<u32>(c) <= item->second) {
            return !negated;
        }
    }
}

}  // namespace

int32 RegexFoldCase(int32 code)
{
    if (code < 128)
        return code >= 'A' && code <= 'Z' ? code + 32 : code;
    // Case is mapped unit by unit in UTF-16, and a surrogate unit maps to
    // itself, so a character above U+FFFF keeps its case.
    if (code > 0xFFFF)
        return code;
    return ToLowerCodePoint(code);
}

namespace {

// The code points below 0x10000 that lower-case to another one, by what
// they lower-case to: {folded, code} pairs, sorted. Built once, with one
// call for the whole range; each unit maps alone, as RegexFoldCase has it.
const std::vector<std::pair<int32, int32>>& CaseFolds()
{
    static const std::vector<std::pair<int32, int32>> folds = [] {
        std::vector<wchar_t> in, out;
        for (int32 c = 128; c < 0x10000; c++)
            if (c < 0xD800 || c > 0xDFFF)
                in.push_back(static_cast<wchar_t>(c));
        out.resize(in.size());
        int n = static_cast<int>(in.size());
        bool bulk = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, in.data(), n, out.data(), n) == n;
        std::vector<std::pair<int32, int32>> pairs;
        for (size_t i = 0; i < in.size(); i++) {
            int32 c = in[i];
            int32 folded = bulk ? static_cast<int32>(out[i]) : RegexFoldCase(c);
            if (folded != c)
                pairs.emplace_back(folded, c);
        }
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    }();
    return folds;
}

}  // namespace

void RegexCaseTwins(u32 literal, std::vector<int32>& out)
{
    out.clear();
    int32 code = static_cast<int32>(literal);
    int32 folded = RegexFoldCase(code);
    if (code >= 128)
        out.push_back(code);
    if (folded >= 128 && folded != code && RegexFoldCase(folded) == folded)
        out.push_back(folded);
    const std::vector<std::pair<int32, int32>>& folds = CaseFolds();
    auto it = std::lower_bound(folds.begin(), folds.end(), std::make_pair(folded, INT32_MIN));
    for (; it != folds.end() && it->first == folded; ++it)
        if (it->second != code)
            out.push_back(it->second);
}

// The text's bytes as the runs of one search read them: a piece copied out
// at a time, with plain ASCII characters read straight from it and every
// other character decoded by the text. The text does not change during a
// search. Pieces start small, since most runs after a match are short, and
// grow while a run goes on.
class RegexBytes {
public:
    explicit RegexBytes(TextBuff& text) : text_(text), size_(text.Size())
    {
        EncodingId encoding = text.Encoding();
        bytewise_ = encoding == EncodingUtf8 || IsCodePageEncoding(encoding);
        codePage_ = IsCodePageEncoding(encoding);
        utf16_ = IsUtf16Encoding(encoding);
        bigEndian_ = encoding == EncodingUtf16BE;
    }

    TextBuff& Text() { return text_; }
    bool Utf8() const { return bytewise_ && !codePage_; }
    int64 Size() const { return size_; }

    // The character at p (below the size) as the runs read it: line breaks
    // as 10; length is its byte length.
    int32 Forward(int64 p, int64& length)
    {
        if (p < start_ || p + (utf16_ ? 1 : 0) >= end_)
            Fill(p, false);
        if (bytewise_) {
            if (p >= start_ && p < end_) {
                const u8* b = buffer_ + (p - start_);
                if (b[0] < 0x80 && b[0] != 13) {
                    length = 1;
                    return b[0];
                }
                if (b[0] == 13 && (p + 1 < end_ || p + 1 == size_)) {
                    length = p + 1 < end_ && b[1] == 10 ? 2 : 1;
                    return kLineFeed;
                }
                if (!codePage_ && p + 1 < end_ && IsTwoByteLead(b[0]) && IsContinuation(b[1])) {
                    length = 2;
                    return TwoByteCode(b);
                }
            }
        } else if (utf16_ && p >= start_ && p + 1 < end_) {
            int32 u = Unit(p);
            if (u < 0x80 && u != 13) {
                length = 2;
                return u;
            }
        }
        int32 c = text_.DecodeChar(p);
        length = text_.CharLength();
        return c == -2 || c == 13 ? kLineFeed : c;
    }

    // The character that ends at p (above 0), starting at start.
    int32 Backward(int64 p, int64& start)
    {
        if (p - (utf16_ ? 2 : 1) < start_ || p > end_)
            Fill(p, true);
        if (bytewise_) {
            if (p - 1 >= start_ && p - 1 < end_) {
                const u8* b = buffer_ + (p - 1 - start_);
                if (b[0] < 0x80 && b[0] != 10 && b[0] != 13) {
                    start = p - 1;
                    return b[0];
                }
                // A CR before p stands alone: p is a character boundary.
                if (b[0] == 13 || (b[0] == 10 && p == 1)) {
                    start = p - 1;
                    return kLineFeed;
                }
                if (b[0] == 10 && p - 2 >= start_) {
                    start = b[-1] == 13 ? p - 2 : p - 1;
                    return kLineFeed;
                }
                if (!codePage_ && p - 2 >= start_ && IsContinuation(b[0]) && IsTwoByteLead(b[-1])) {
                    start = p - 2;
                    return TwoByteCode(b - 1);
                }
            }
        } else if (utf16_) {
            int64 q = (p - 1) & ~static_cast<int64>(1);
            if (q >= start_ && q + 1 < end_) {
                int32 u = Unit(q);
                if (u < 0x80 && u != 10 && u != 13) {
                    start = q;
                    return u;
                }
            }
        }
        start = text_.CharStart(p - 1);
        int32 c = text_.DecodeChar(start);
        return c == -2 || c == 13 ? kLineFeed : c;
    }

    // Whether a character starts at p for certain: a byte below 0x80 other
    // than an LF, which may end a CR LF.
    bool PlainStart(int64 p)
    {
        if (!bytewise_)
            return false;
        if (p < start_ || p >= end_)
            Fill(p, false);
        return p >= start_ && p < end_ && buffer_[p - start_] < 0x80 && buffer_[p - start_] != 10;
    }

    // The bytes from p on that the piece in hand holds, when a byte below
    // 0x80 is a character; null in UTF-16.
    const u8* Span(int64 p, int64& n)
    {
        if (!bytewise_)
            return nullptr;
        if (p < start_ || p >= end_)
            Fill(p, false);
        if (p < start_ || p >= end_)
            return nullptr;
        n = end_ - p;
        return buffer_ + (p - start_);
    }

    // The bytes before p that the piece in hand holds, ending at p (n of
    // them before the pointer), when a byte below 0x80 is a character.
    const u8* SpanBefore(int64 p, int64& n)
    {
        if (!bytewise_ || p <= 0)
            return nullptr;
        if (p - 1 < start_ || p > end_)
            Fill(p, true);
        if (p - 1 < start_ || p > end_)
            return nullptr;
        n = p - start_;
        return buffer_ + (p - start_);
    }

    // The first position at or after pos, below bound, whose byte is in the
    // set; bound when there is none.
    int64 SkipToCandidate(const RegExp::FirstBytes& set, int64 pos, int64 bound);
    // The last character end at or below pos, above bound, whose last byte
    // is in the set; -1 when there is none.
    int64 SkipBackToCandidate(const RegExp::FirstBytes& set, int64 pos, int64 bound);
    // The last place at or above bound where the literal lies whole below
    // pos; -1 when there is none.
    int64 LastLiteral(const RegExp::RequiredLiteral& literal, int64 pos, int64 bound);

    // A UTF-8 character of two bytes, as the text decodes it: never
    // over-long, never a line break.
    static bool IsTwoByteLead(u8 b) { return b >= 0xC2 && b <= 0xDF; }
    static bool IsContinuation(u8 b) { return (b & 0xC0) == 0x80; }
    static int32 TwoByteCode(const u8* b) { return ((b[0] & 0x1F) << 6) | (b[1] & 0x3F); }

private:
    static bool LiteralEquals(const RegExp::RequiredLiteral& literal, const u8* bytes);

    int32 Unit(int64 p) const
    {
        const u8* b = buffer_ + (p - start_);
        return bigEndian_ ? (b[0] << 8) | b[1] : b[0] | (b[1] << 8);
    }

    void Fill(int64 p, bool backward)
    {
        int64 from = backward ? p + 1 - piece_ : p;
        if (from < 0)
            from = 0;
        int64 want = size_ - from < piece_ ? size_ - from : piece_;
        if (piece_ < kBufferBytes)
            piece_ *= 2;
        int64 got = want > 0 ? text_.CopyBytes(from, buffer_, want) : 0;
        start_ = from;
        end_ = from + (got > 0 ? got : 0);
    }

    static constexpr int64 kBufferBytes = 16384;
    TextBuff& text_;
    int64 size_;
    bool bytewise_;  // an encoding where a byte below 0x80 is a character
    bool codePage_;
    bool utf16_;
    bool bigEndian_;
    int64 piece_ = 256;
    int64 start_ = 0;
    int64 end_ = 0;
    u8 buffer_[kBufferBytes];
};

// One simulation of an automaton over a text: the current list, the steps
// over characters and the resolution of assertions. The runs go through the
// expression's cached states where they can, and through the lists where
// the states would not fit in the cache.
class RegexRun {
public:
    RegexRun(RegExp& re, TextDocument& document, RegexBytes& bytes)
        : re_(re), text_(document.text), bytes_(bytes), size_(bytes.Size())
    {
        re.subject_ = &document;
        re.subjectLength_ = size_;
        cur_ = &re.lists_[0];
        next_ = &re.lists_[1];
    }

    int64 RegexLongestForward(int64 s, int64 limit);
    int64 RegexFirstEndForward(int64 from, int64 limit);
    int64 RegexLongestBackward(int64 e, int64 lower);
    int64 RegexLastStartBackward(int64 p, int64 lower);
    int64 RegexLastStartBefore(int64 p, int64 from, int64 lower);
    // The state in which the last run through the cached states found its
    // start, -1 when none did; and a state at a position for the next run
    // to go on from instead of beginning at its from.
    int32 FoundState() const { return foundState_; }
    void ResumeAt(int64 at, int32 state)
    {
        resumeAt_ = at;
        resumeState_ = state;
    }

    // The same runs on the lists alone.
    int64 ListLongestForward(int64 s, int64 limit);
    int64 ListFirstEndForward(int64 from, int64 limit);
    int64 ListLongestBackward(int64 e, int64 lower);
    int64 ListLastStartBefore(int64 p, int64 from, int64 lower);

    // Where the matches that begin before p and end after it have ended,
    // at most from: the reversed run may start there instead of at from.
    // This run has the forward automaton, reversed that of the reversed one.
    int64 CrossingReach(RegexRun& reversed, int64 p, int64 from, int64 lower);

    // Lets this backward run of the reversed expression pass over the
    // stretches without the forward expression's required literal, with
    // the forward run finding where the matches through one end.
    void UseLiteral(RegexRun& forward);

private:
    static constexpr int64 kGaveUp = INT64_MIN;

    bool Check() const { return re_.accept_.stamp == re_.generation_; }
    void NewGeneration() { Raise(re_.generation_, &RegexNode::stamp); }
    void NewMarkPass() { Raise(re_.markPass_, &RegexNode::mark); }
    void Raise(u32& counter, u32 RegexNode::*field);
    void RegexAddState(RegexList& list, RegexNode* node) { Add(list, node, &RegexNode::stamp, re_.generation_); }
    void Add(RegexList& list, RegexNode* node, u32 RegexNode::*seen, u32 value);
    void Start(int64 p);
    void RegexStep(int32 c);
    void RegexResolve(int64 p);
    void ResolveKinds(int before, int at);
    bool Consumes(const RegexNode* node, int32 c, int32& folded);
    void Swap()
    {
        RegexList* t = cur_;
        cur_ = next_;
        next_ = t;
    }
    void PrepareSkip();
    void PrepareBackSkip();
    bool ComputeFirstBytes(EncodingId encoding, bool* bytes);
    bool ComputeLastBytes(EncodingId encoding, bool* bytes);
    void ComputeOpening();
    int64 ReachBack(int64 p, int64 lower);
    int64 ReachAhead(int64 x, int64 limit);
    int64 LiteralJump(int64 pos, int64 bound);
    void PrepareLiteral();
    int64 ReachForward(int64 d, int64 p, int64 from);
    int64 PlainForward(int32& state, int64 pos, int64 bound);
    bool ComputePairs(const bool* first, BytePairRanges& out, bool backward);
    bool TakesWide(const RegexNode* node) const;
    void WideBytes(const RegexNode* node, bool last, std::vector<bool>& bytes);

    // cached states
    int KindBefore(int64 p);
    int KindAt(int64 p);
    int32 StateStart(bool anew);
    int32 InternList(bool anew);
    void LoadState(int32 state);
    int32 StateStep(int32 state, int32 c);
    int32 StateResolve(int32 state, int before, int at);
    bool StatesWentWrong(int32 state);
    int32 Next(int32 state, int32 c)
    {
        const RegexDfa::State& s = dfa_->At(state);
        int32 n = c >= 0 && c < RegexDfa::kAsciiCodes ? s.bytes[c] : dfa_->Wide(state, c);
        return n >= 0 ? n & ~RegexDfa::kLookBit : StateStep(state, c);
    }
    int32 Resolved(int32 state, int before, int at)
    {
        int32 n = dfa_->At(state).resolved[before * RegexDfa::KindCount + at];
        return n >= 0 ? n : StateResolve(state, before, at);
    }
    bool BeginStates();
    template <class States, class Lists>
    int64 EitherWay(States states, Lists lists)
    {
        if (BeginStates()) {
            int64 r = states();
            if (r != kGaveUp)
                return r;
        }
        return lists();
    }
    bool Settle(int32& state, int before, int at);
    int64 Found(int64 pos, int32 state)
    {
        foundState_ = state;
        return pos;
    }
    bool Opening(bool anew, int64 p, int32& state);
    bool StepForward(int32& state, int32 c, int64 pos);
    bool StepBackward(int32& state, int32 c, int64 pos);
    int64 StatesFirstEnd(int64 from, int64 bound);
    int64 StatesLongestForward(int64 s, int64 limit);
    int64 StatesLongestBackward(int64 e, int64 lower);
    int64 StatesLastStartBefore(int64 p, int64 from, int64 lower);

    RegExp& re_;
    TextBuff& text_;
    RegexBytes& bytes_;
    int64 size_;
    RegexList* cur_;
    RegexList* next_;
    const RegExp::FirstBytes* skip_ = nullptr;
    const RegExp::FirstBytes* backSkip_ = nullptr;
    RegexDfa* dfa_ = nullptr;
    // The forward run and its literal while a backward run uses them; the
    // last occurrence found and how far the matches through it can reach.
    RegexRun* ahead_ = nullptr;
    const RegExp::RequiredLiteral* literal_ = nullptr;
    int64 literalAt_ = -1;
    int64 literalReach_ = -1;
    int64 resumeAt_ = -1;
    int32 resumeState_ = -1;
    int32 foundState_ = -1;
    int64 resetsAtStart_ = 0;
    int64 resetsSeen_ = 0;
};

namespace {

int KindOf(int32 c)
{
    return c == kLineFeed ? RegexDfa::KindBreak : IsWordChar(c) ? RegexDfa::KindWord : RegexDfa::KindOther;
}

}  // namespace

// Raises a generation or pass counter. A wrapped counter would make stale
// marks look current, so then every node's mark starts again from 0.
void RegexRun::Raise(u32& counter, u32 RegexNode::*field)
{
    if (++counter != 0)
        return;
    RegexNode* nodes = re_.pool_.Data();
    for (int64 i = 0; i < re_.nodeCount_; i++)
        nodes[i].*field = 0;
    re_.accept_.*field = 0;
    counter = 1;
}

// Adds the node and what its SPLITs lead to, each node once: a node whose
// seen field holds value is in already. Lists are built with the stamps;
// assertion resolution walks its list with the marks, apart from the
// stamps of the list it builds. The pending nodes wait on an explicit
// stack, so chains of SPLITs as long as the pattern cannot overflow the
// call stack.
void RegexRun::Add(RegexList& list, RegexNode* node, u32 RegexNode::*seen, u32 value)
{
    RegexNode** stack = re_.work_.Data();
    int64 top = 0;
    stack[top++] = node;
    while (top > 0) {
        RegexNode* n = stack[--top];
        if (IsAssertion(n->kind))
            re_.assertion_ = 1;
        if (n->*seen == value)
            continue;
        n->*seen = value;
        if (n->kind == SPLIT) {
            stack[top++] = n->out1;
            stack[top++] = n->out;
        } else {
            list.elements[list.count++] = n;
        }
    }
}

void RegexRun::Start(int64 p)
{
    NewGeneration();
    cur_->count = 0;
    re_.assertion_ = 0;
    RegexAddState(*cur_, re_.start_);
    if (re_.assertion_)
        RegexResolve(p);
}

bool RegexRun::Consumes(const RegexNode* node, int32 c, int32& folded)
{
    u32 kind = node->kind;
    if (IsLiteral(kind)) {
        if (c < 0)
            return false;
        if (static_cast<u32>(c) == kind)
            return true;
        if (!re_.ignoreCase_)
            return false;
        if (folded == -1)
            folded = RegexFoldCase(c);
        return folded == node->folded;
    }
    if (IsClass(kind))
        return RegexClassMatches(re_.classItems_.Data() + (kind - CLASS), c);
    if (c == kLineFeed)
        return false;
    switch (kind) {
    case ANY:
        return true;
    case CLS_WORD:
        return IsWordChar(c);
    case CLS_NOT_WORD:
        return !IsWordChar(c);
    case CLS_DIGIT:
        return c < 128 ? IsAsciiDigit(c) : HasType(c, C1_DIGIT);
    case CLS_NOT_DIGIT:
        return c < 128 ? !IsAsciiDigit(c) : !HasType(c, C1_DIGIT);
    case CLS_SPACE:
        return c < 128 ? c == 9 || c == 32 : HasType(c, C1_SPACE);
    case CLS_NOT_SPACE:
        return c < 128 ? c != 9 && c != 11 && c != 12 && c != 13 && c != 32 : !HasType(c, C1_SPACE);
    default:
        return false;
    }
}

// Steps the current list over the character c.
void RegexRun::RegexStep(int32 c)
{
    re_.assertion_ = 0;
    NewGeneration();
    next_->count = 0;
    int32 folded = -1;
    RegexNode** nodes = cur_->elements;
    int32 count = cur_->count;
    for (int32 i = 0; i < count; i++) {
        RegexNode* node = nodes[i];
        if (Consumes(node, c, folded))
            RegexAddState(*next_, node->out);
    }
    Swap();
}

// The kinds of the characters on both sides of p: a missing character reads
// as a line break, since no assertion tells the two apart.
int RegexRun::KindBefore(int64 p)
{
    if (p <= 0)
        return RegexDfa::KindBreak;
    int64 start;
    return KindOf(bytes_.Backward(p, start));
}

int RegexRun::KindAt(int64 p)
{
    if (p >= size_)
        return RegexDfa::KindBreak;
    int64 length;
    return KindOf(bytes_.Forward(p, length));
}

void RegexRun::RegexResolve(int64 p)
{
    ResolveKinds(KindBefore(p), KindAt(p));
}

// Replaces the assertions of the current list by what follows those that
// hold between characters of the given kinds; the walk sees successors
// added during it, each node once.
void RegexRun::ResolveKinds(int before, int at)
{
    RegexList& list = *cur_;
    RegexList& out = *next_;
    NewMarkPass();
    for (int32 i = 0; i < list.count; i++)
        list.elements[i]->mark = re_.markPass_;
    NewGeneration();
    out.count = 0;
    u32 generation = re_.generation_;
    bool wordBefore = before == RegexDfa::KindWord, wordAt = at == RegexDfa::KindWord;
    for (int32 i = 0; i < list.count; i++) {
        RegexNode* n = list.elements[i];
        if (IsAssertion(n->kind)) {
            bool holds = n->kind == LINE_START   ? before == RegexDfa::KindBreak
                         : n->kind == LINE_END   ? at == RegexDfa::KindBreak
                         : n->kind == WORD_BOUNDARY ? wordBefore != wordAt
                                                    : wordBefore == wordAt;
            if (holds)
                Add(list, n->out, &RegexNode::mark, re_.markPass_);
        } else if (n->stamp != generation) {
            n->stamp = generation;
            out.elements[out.count++] = n;
        }
    }
    re_.assertion_ = 0;
    Swap();
}

int64 RegexRun::ListLongestForward(int64 s, int64 limit)
{
    Start(s);
    int64 result = Check() ? s : -1;
    int64 pos = s;
    while (pos < size_) {
        int64 length;
        RegexStep(bytes_.Forward(pos, length));
        pos += length;
        if (pos > limit)
            break;
        if (Check())
            result = pos;
        if (cur_->count == 0)
            break;
        if (re_.assertion_) {
            RegexResolve(pos);
            if (Check())
                result = pos;
        }
    }
    return result;
}

int64 RegexRun::ListFirstEndForward(int64 from, int64 bound)
{
    int64 pos = from;
    if (skip_) {
        pos = bytes_.SkipToCandidate(*skip_, pos, bound);
        if (pos >= bound)
            return -1;
    }
    Start(pos);
    if (Check())
        return pos;
    while (pos < bound) {
        int64 length;
        RegexStep(bytes_.Forward(pos, length));
        pos += length;
        if (Check())
            return pos;
        if (skip_ && cur_->count == 0) {
            // Nothing in progress: only a character the start state takes
            // can begin the next attempt.
            pos = bytes_.SkipToCandidate(*skip_, pos, bound);
            if (pos >= bound)
                return -1;
        }
        RegexAddState(*cur_, re_.start_);
        if (cur_->count == 0)
            return -1;
        if (re_.assertion_)
            RegexResolve(pos);
        if (Check())
            return pos;
    }
    return -1;
}

int64 RegexRun::ListLongestBackward(int64 e, int64 lower)
{
    Start(e);
    int64 result = Check() ? e : -1;
    int64 pos = e;
    while (pos > 0 && cur_->count > 0) {
        RegexStep(bytes_.Backward(pos, pos));
        if (re_.assertion_)
            RegexResolve(pos);
        if (pos < lower)
            break;
        if (Check())
            result = pos;
    }
    return result;
}

int64 RegexRun::ListLastStartBefore(int64 p, int64 from, int64 lower)
{
    int64 bound = lower > 0 ? lower : 0;
    Start(from);
    if (from < p && Check())
        return from;
    int64 pos = from;
    while (pos > bound) {
        RegexStep(bytes_.Backward(pos, pos));
        if (pos < p && Check())
            return pos;
        RegexAddState(*cur_, re_.start_);
        if (cur_->count == 0)
            return -1;
        if (re_.assertion_)
            RegexResolve(pos);
        if (pos < p && Check())
            return pos;
    }
    return -1;
}

// ---- cached states ----

// The state of the current list; kFull only when one set alone is more
// than the cache holds.
int32 RegexRun::InternList(bool anew)
{
    std::vector<int32>& set = dfa_->scratch;
    set.clear();
    bool assertion = false;
    const RegexNode* pool = re_.pool_.Data();
    for (int32 i = 0; i < cur_->count; i++) {
        const RegexNode* n = cur_->elements[i];
        if (IsAssertion(n->kind))
            assertion = true;
        set.push_back(n == &re_.accept_ ? static_cast<int32>(re_.nodeCount_) : static_cast<int32>(n - pool));
    }
    std::sort(set.begin(), set.end());
    bool accept = !set.empty() && set.back() == re_.nodeCount_;
    bool idle = anew && !accept && !assertion && !dfa_->opening.empty() && !dfa_->opening.back();
    for (size_t i = 0; idle && i < set.size(); i++)
        idle = dfa_->opening[static_cast<size_t>(set[i])] != 0;
    int32 count = static_cast<int32>(set.size());
    int32 state = dfa_->Intern(set.data(), count, anew, accept, assertion, idle);
    if (state == RegexDfa::kFull)
        state = dfa_->Intern(set.data(), count, anew, accept, assertion, idle);
    return state;
}

void RegexRun::LoadState(int32 state)
{
    const RegexDfa::State& s = dfa_->At(state);
    const int32* nodes = dfa_->Nodes(s);
    RegexNode* pool = re_.pool_.Data();
    for (int32 i = 0; i < s.setCount; i++)
        cur_->elements[i] = nodes[i] == re_.nodeCount_ ? &re_.accept_ : pool + nodes[i];
    cur_->count = s.setCount;
}

int32 RegexRun::StateStart(bool anew)
{
    int32 start = dfa_->start[anew ? 1 : 0];
    if (start >= 0)
        return start;
    NewGeneration();
    cur_->count = 0;
    RegexAddState(*cur_, re_.start_);
    start = InternList(anew);
    if (start >= 0)
        dfa_->start[anew ? 1 : 0] = start;
    return start;
}

int32 RegexRun::StateStep(int32 state, int32 c)
{
    const RegexDfa::State& s = dfa_->At(state);
    bool anew = s.anew;
    LoadState(state);
    RegexStep(c);
    if (anew)
        RegexAddState(*cur_, re_.start_);
    int64 resets = dfa_->resets;
    int32 next = InternList(anew);
    if (next >= 0 && dfa_->resets == resets) {
        const RegexDfa::State& to = dfa_->At(next);
        int32 value = next | (to.accept || to.assertion ? RegexDfa::kLookBit : 0);
        if (c >= 0 && c < RegexDfa::kAsciiCodes)
            dfa_->At(state).bytes[c] = value;
        else
            dfa_->SetWide(state, c, value);
    }
    return next;
}

int32 RegexRun::StateResolve(int32 state, int before, int at)
{
    bool anew = dfa_->At(state).anew;
    LoadState(state);
    ResolveKinds(before, at);
    int64 resets = dfa_->resets;
    int32 next = InternList(anew);
    if (next >= 0 && dfa_->resets == resets)
        dfa_->At(state).resolved[before * RegexDfa::KindCount + at] = next;
    return next;
}

bool RegexRun::BeginStates()
{
    dfa_ = &re_.Dfa();
    if (dfa_->thrashed)
        return false;
    if (dfa_->opening.empty())
        ComputeOpening();
    resetsAtStart_ = resetsSeen_ = dfa_->resets;
    return true;
}

// After a state was looked up: whether the run must give up, because a set
// did not fit or the cache keeps being emptied under it.
bool RegexRun::StatesWentWrong(int32 state)
{
    if (state < 0)
        return true;
    if (dfa_->resets != resetsSeen_) {
        resetsSeen_ = dfa_->resets;
        if (resetsSeen_ - resetsAtStart_ > 2 || resetsSeen_ > 16) {
            dfa_->thrashed = true;
            return true;
        }
    }
    return false;
}

// Resolves the assertions of a state that has any, between characters of
// the given kinds. False when the states gave up.
bool RegexRun::Settle(int32& state, int before, int at)
{
    if (!dfa_->At(state).assertion)
        return true;
    state = Resolved(state, before, at);
    return !StatesWentWrong(state);
}

// The start state of a run at p, its assertions resolved there.
bool RegexRun::Opening(bool anew, int64 p, int32& state)
{
    state = StateStart(anew);
    if (StatesWentWrong(state))
        return false;
    return !dfa_->At(state).assertion || Settle(state, KindBefore(p), KindAt(p));
}

// One step over c, which ended at pos (forward) or began there (backward).
bool RegexRun::StepForward(int32& state, int32 c, int64 pos)
{
    state = Next(state, c);
    if (StatesWentWrong(state))
        return false;
    return !dfa_->At(state).assertion || Settle(state, KindOf(c), KindAt(pos));
}

bool RegexRun::StepBackward(int32& state, int32 c, int64 pos)
{
    state = Next(state, c);
    if (StatesWentWrong(state))
        return false;
    return !dfa_->At(state).assertion || Settle(state, KindBefore(pos), KindOf(c));
}

int64 RegexRun::StatesFirstEnd(int64 from, int64 bound)
{
    int32 first = StateStart(true);
    int32 state;
    if (StatesWentWrong(first) || !Opening(true, from, state))
        return kGaveUp;
    int64 pos = from;
    if (dfa_->At(state).accept)
        return pos;
    int64 firstResets = dfa_->resets;
    int idleLimit = 16;
    while (pos < bound) {
        if (dfa_->resets != firstResets) {
            // The cache was emptied: the start state has a new index, and
            // the one in hand must stay valid while it is made.
            firstResets = dfa_->resets;
            first = StateStart(true);
            if (first < 0 || dfa_->resets != firstResets)
                return kGaveUp;
        }
        if (state == first && skip_) {
            // Nothing in progress: only a character the start state takes
            // can begin the next attempt. Where such characters are near
            // each other the scan costs more than it saves: then the byte
            // loop below stays longer in the start state before it asks.
            int64 was = pos;
            pos = bytes_.SkipToCandidate(*skip_, pos, bound);
            if (pos >= bound)
                return -1;
            if (pos - was < 64)
                idleLimit = idleLimit < 1024 ? idleLimit * 2 : idleLimit;
            else
                idleLimit = idleLimit > 16 ? idleLimit / 2 : idleLimit;
        }
        // Plain ASCII through known transitions, until a state that needs a
        // look (accepting, or with assertions to resolve), or a long stay
        // in the start state, where the skip above goes faster.
        int64 n;
        if (const u8* bytes = bytes_.Span(pos, n)) {
            if (n > bound - pos)
                n = bound - pos;
            int64 k = 0;
            int idle = 0;
            const RegexDfa::State* at = &dfa_->At(state);
            bool utf8 = bytes_.Utf8();
            int32 last = -1;
            while (k < n) {
                u8 b = bytes[k];
                int32 to = at->bytes[b];
                if (to >= 0) {
                    last = b;
                    k++;
                } else if (utf8 && k + 1 < n && RegexBytes::IsTwoByteLead(b) && RegexBytes::IsContinuation(bytes[k + 1])) {
                    int32 code = RegexBytes::TwoByteCode(bytes + k);
                    to = dfa_->Wide(state, code);
                    if (to < 0)
                        break;
                    last = code;
                    k += 2;
                } else {
                    break;
                }
                if (to & RegexDfa::kLookBit) {
                    state = to & ~RegexDfa::kLookBit;
                    break;
                }
                state = to;
                at = &dfa_->At(state);
                if (state != first)
                    idle = 0;
                else if (++idle == idleLimit && skip_)
                    break;
            }
            if (k > 0) {
                pos += k;
                if (!Settle(state, KindOf(last), KindAt(pos)))
                    return kGaveUp;
                if (dfa_->At(state).accept)
                    return pos;
                continue;
            }
        }
        int64 length;
        int32 c = bytes_.Forward(pos, length);
        pos += length;
        if (!StepForward(state, c, pos))
            return kGaveUp;
        if (dfa_->At(state).accept)
            return pos;
    }
    return -1;
}

int64 RegexRun::StatesLongestForward(int64 s, int64 limit)
{
    int32 state;
    if (!Opening(false, s, state))
        return kGaveUp;
    int64 result = dfa_->At(state).accept ? s : -1;
    int64 pos = s;
    while (pos < size_ && dfa_->At(state).setCount > 0) {
        int64 length;
        int32 c = bytes_.Forward(pos, length);
        pos += length;
        if (pos > limit)
            break;
        if (!StepForward(state, c, pos))
            return kGaveUp;
        if (dfa_->At(state).accept)
            result = pos;
    }
    return result;
}

int64 RegexRun::StatesLongestBackward(int64 e, int64 lower)
{
    int32 state;
    if (!Opening(false, e, state))
        return kGaveUp;
    int64 result = dfa_->At(state).accept ? e : -1;
    int64 pos = e;
    while (pos > 0 && dfa_->At(state).setCount > 0) {
        int32 c = bytes_.Backward(pos, pos);
        if (!StepBackward(state, c, pos))
            return kGaveUp;
        if (pos < lower)
            break;
        if (dfa_->At(state).accept)
            result = pos;
    }
    return result;
}

int64 RegexRun::StatesLastStartBefore(int64 p, int64 from, int64 lower)
{
    int64 bound = lower > 0 ? lower : 0;
    int32 state;
    int64 pos = from;
    if (resumeState_ >= 0) {
        pos = resumeAt_;
        state = resumeState_;
    } else {
        if (!Opening(true, from, state))
            return kGaveUp;
        if (from < p && dfa_->At(state).accept)
            return Found(from, state);
    }
    bool utf8 = bytes_.Utf8();
    int idleLimit = 16;
    while (pos > bound) {
        if (literal_ && dfa_->At(state).idle) {
            // Nothing in progress: the next match found holds the literal,
            // so the run may begin again where the matches through its last
            // occurrence end. A run that reaches the bound may step below it
            // by less than a character, so it goes there as it would without
            // the literal.
            int64 to = LiteralJump(pos, bound);
            if (to < 0)
                return -1;
            if (to < pos && to > bound) {
                pos = to;
                if (!Opening(true, pos, state))
                    return kGaveUp;
                if (pos < p && dfa_->At(state).accept)
                    return Found(pos, state);
            }
        }
        if (backSkip_ && dfa_->At(state).idle) {
            // Nothing in progress but fresh attempts: only a character that
            // the start takes can lead anywhere. Where such characters lie
            // close together the byte loop stays idle longer before it asks.
            int64 was = pos;
            pos = bytes_.SkipBackToCandidate(*backSkip_, pos, bound);
            if (pos < 0)
                return -1;
            if (was - pos < 64)
                idleLimit = idleLimit < 1024 ? idleLimit * 2 : idleLimit;
            else
                idleLimit = idleLimit > 16 ? idleLimit / 2 : idleLimit;
            if (pos < was && !Opening(true, pos, state))
                return kGaveUp;
        }
        // Plain ASCII and two-byte characters through known transitions,
        // until a state that needs a look or a long idle stay.
        int64 n;
        if (const u8* end = bytes_.SpanBefore(pos, n)) {
            if (n > pos - bound)
                n = pos - bound;
            int64 k = 0;
            int idle = 0;
            const RegexDfa::State* at = &dfa_->At(state);
            int32 last = -1;
            while (k < n) {
                u8 b = end[-1 - k];
                int32 to;
                if (b < 0x80 && b != 10 && b != 13) {
                    to = at->bytes[b];
                    if (to < 0)
                        break;
                    last = b;
                    k++;
                } else if (b < 0x80 && k + 1 < n) {
                    // A line break: an LF after a CR ends the pair.
                    to = at->bytes[kLineFeed];
                    if (to < 0)
                        break;
                    last = kLineFeed;
                    k += b == 10 && end[-2 - k] == 13 ? 2 : 1;
                } else if (utf8 && k + 1 < n && RegexBytes::IsContinuation(b) && RegexBytes::IsTwoByteLead(end[-2 - k])) {
                    int32 code = RegexBytes::TwoByteCode(end - 2 - k);
                    to = dfa_->Wide(state, code);
                    if (to < 0)
                        break;
                    last = code;
                    k += 2;
                } else {
                    break;
                }
                if (to & RegexDfa::kLookBit) {
                    state = to & ~RegexDfa::kLookBit;
                    break;
                }
                state = to;
                at = &dfa_->At(state);
                if (!at->idle)
                    idle = 0;
                else if (++idle >= idleLimit && backSkip_)
                    break;
            }
            if (k > 0) {
                pos -= k;
                if (!Settle(state, KindBefore(pos), KindOf(last)))
                    return kGaveUp;
                if (pos < p && dfa_->At(state).accept)
                    return Found(pos, state);
                continue;
            }
        }
        int32 c = bytes_.Backward(pos, pos);
        if (!StepBackward(state, c, pos))
            return kGaveUp;
        if (pos < p && dfa_->At(state).accept)
            return Found(pos, state);
    }
    return -1;
}

// Back from p with every node of the reversed automaton live at once: the
// run dies below the last place where a match that is still in progress at
// p can have begun. Returns the lowest position where it was still alive
// (bound when it lived that far), or kGaveUp.
int64 RegexRun::ReachBack(int64 p, int64 lower)
{
    int64 bound = lower > 0 ? lower : 0;
    int32 state = dfa_->everything;
    if (state < 0) {
        NewGeneration();
        cur_->count = 0;
        RegexNode* pool = re_.pool_.Data();
        for (int64 i = 0; i < re_.nodeCount_; i++)
            if (pool[i].kind != SPLIT)
                cur_->elements[cur_->count++] = pool + i;
        int64 resets = dfa_->resets;
        state = InternList(false);
        if (state >= 0 && dfa_->resets == resets)
            dfa_->everything = state;
    }
    if (StatesWentWrong(state) || !Settle(state, KindBefore(p), KindAt(p)))
        return kGaveUp;
    int64 pos = p;
    while (pos > bound) {
        // Plain ASCII through known transitions that need no look.
        int64 n;
        if (const u8* end = bytes_.SpanBefore(pos, n)) {
            if (n > pos - bound)
                n = pos - bound;
            const RegexDfa::State* at = &dfa_->At(state);
            int64 k = 0;
            for (; k < n; k++) {
                u8 b = end[-1 - k];
                int32 to = b < 0x80 && b != 10 && b != 13 ? at->bytes[b] : -1;
                if (to < 0 || (to & RegexDfa::kLookBit))
                    break;
                state = to;
                at = &dfa_->At(state);
                if (at->setCount == 0)
                    return pos - k;
            }
            if (k > 0) {
                pos -= k;
                continue;
            }
        }
        int64 was = pos;
        int32 c = bytes_.Backward(pos, pos);
        if (!StepBackward(state, c, pos))
            return kGaveUp;
        if (dfa_->At(state).setCount == 0)
            return was;
    }
    return pos;
}

// Forward from x with every node of the automaton live at once: the run
// dies after the last place where a match in progress at x can end.
// Returns that place (limit when it lived that far), or kGaveUp.
int64 RegexRun::ReachAhead(int64 x, int64 limit)
{
    int32 state = dfa_->everything;
    if (state < 0) {
        NewGeneration();
        cur_->count = 0;
        RegexNode* pool = re_.pool_.Data();
        for (int64 i = 0; i < re_.nodeCount_; i++)
            if (pool[i].kind != SPLIT)
                cur_->elements[cur_->count++] = pool + i;
        int64 resets = dfa_->resets;
        state = InternList(false);
        if (state >= 0 && dfa_->resets == resets)
            dfa_->everything = state;
    }
    if (StatesWentWrong(state) || !Settle(state, KindBefore(x), KindAt(x)))
        return kGaveUp;
    int64 pos = x;
    while (pos < limit) {
        int64 k = PlainForward(state, pos, limit);
        if (k > 0) {
            pos += k;
            // The byte that emptied the set began no match's last stretch.
            if (dfa_->At(state).setCount == 0)
                return pos - 1;
            continue;
        }
        int64 length;
        int32 c = bytes_.Forward(pos, length);
        if (!StepForward(state, c, pos + length))
            return kGaveUp;
        if (dfa_->At(state).setCount == 0)
            return pos;
        pos += length;
    }
    return limit;
}

// Where a backward run that is idle at pos may begin again: below the end of
// the literal's last occurrence that lies below pos, where the matches
// through that occurrence have ended; a match holding a later one would
// end past pos. -1 when no occurrence is left that a match found above the
// bound could hold.
int64 RegexRun::LiteralJump(int64 pos, int64 bound)
{
    int64 length = literal_->length;
    if (literalAt_ < 0 || literalAt_ + length > pos) {
        int64 q = bytes_.LastLiteral(*literal_, pos, bound - 3);
        if (q < 0)
            return -1;
        int64 reach = ahead_->ReachAhead(q + length, pos);
        if (reach == kGaveUp) {
            literal_ = nullptr;
            return pos;
        }
        literalAt_ = q;
        literalReach_ = reach;
    }
    return literalReach_ < pos ? literalReach_ : pos;
}

void RegexRun::UseLiteral(RegexRun& forward)
{
    forward.PrepareLiteral();
    const RegExp::RequiredLiteral& literal = forward.re_.literal_;
    if (literal.length == 0 || !forward.BeginStates())
        return;
    ahead_ = &forward;
    literal_ = &literal;
    literalAt_ = -1;
}

namespace {

// How often a byte turns up in the texts people search, roughly: letters by
// their frequency in English, then digits, capitals and the rest.
int ByteFrequency(u8 b)
{
    static const char kLetters[] = "zqjxkvbpygfwmucldrhsnioate";
    if (b == ' ')
        return 300;
    if (b >= 'a' && b <= 'z')
        return 100 + static_cast<int>(strchr(kLetters, b) - kLetters) * 6;
    if (b >= 0x80)
        return 150;
    if (b >= '0' && b <= '9')
        return 90;
    if (b >= 'A' && b <= 'Z')
        return 60;
    return 40;
}

// The characters every match begins with, one after the other.
void LeadingLiterals(const RegexNode* node, std::vector<u32>& out)
{
    out.clear();
    for (; node && IsLiteral(node->kind) && out.size() < 64; node = node->out)
        out.push_back(node->kind);
}

}  // namespace

// The longest run of characters that every match begins or ends with,
// in bytes of the text's encoding, at least three of them. Only characters
// with one form of bytes count: no line breaks, in UTF-8 any other, in the
// 8-bit encodings ASCII, and without case ASCII without twins from 128 on.
void RegexRun::PrepareLiteral()
{
    RegExp::RequiredLiteral& literal = re_.literal_;
    EncodingId encoding = text_.Encoding();
    if (literal.encoding == encoding)
        return;
    literal.encoding = encoding;
    literal.length = 0;
    bool utf8 = encoding == EncodingUtf8;
    if (!utf8 && !IsCodePageEncoding(encoding))
        return;
    std::vector<u32> chains[2];
    LeadingLiterals(re_.start_, chains[0]);
    LeadingLiterals(re_.Reversed().start_, chains[1]);
    std::reverse(chains[1].begin(), chains[1].end());
    std::vector<int32> twins;
    for (const std::vector<u32>& chain : chains) {
        std::vector<u8> run;
        for (size_t i = 0; i <= chain.size(); i++) {
            u32 c = i < chain.size() ? chain[i] : kLineFeed;
            bool usable = c != kLineFeed && c != 13 && (c < 128 || (utf8 && !re_.ignoreCase_));
            if (usable && re_.ignoreCase_) {
                RegexCaseTwins(c, twins);
                usable = twins.empty();
            }
            u8 code[4];
            int n = usable ? EncodeUtf8CodePoint(code, static_cast<int32>(c)) : 0;
            if (n > 0 && run.size() + static_cast<size_t>(n) <= sizeof(literal.bytes)) {
                for (int j = 0; j < n; j++)
                    run.push_back(re_.ignoreCase_ && code[j] >= 'A' && code[j] <= 'Z' ? code[j] + 32 : code[j]);
                continue;
            }
            if (run.size() >= 3 && run.size() > static_cast<size_t>(literal.length)) {
                literal.length = static_cast<int>(run.size());
                memcpy(literal.bytes, run.data(), run.size());
            }
            run.clear();
        }
    }
    literal.fold = re_.ignoreCase_ != 0;
    literal.rare = 0;
    for (int i = 1; i < literal.length; i++)
        if (ByteFrequency(literal.bytes[i]) <= ByteFrequency(literal.bytes[literal.rare]))
            literal.rare = i;
}

// Steps forward over plain ASCII through known transitions that need no
// look, below bound; stops early where the state's set is empty. Returns
// how many bytes it took.
int64 RegexRun::PlainForward(int32& state, int64 pos, int64 bound)
{
    int64 n;
    const u8* bytes = bytes_.Span(pos, n);
    if (!bytes)
        return 0;
    if (n > bound - pos)
        n = bound - pos;
    const RegexDfa::State* at = &dfa_->At(state);
    int64 k = 0;
    while (k < n && at->setCount > 0) {
        u8 b = bytes[k];
        int32 to = b < 0x80 && b != 13 ? at->bytes[b] : -1;
        if (to < 0 || (to & RegexDfa::kLookBit))
            break;
        state = to;
        at = &dfa_->At(state);
        k++;
    }
    return k;
}

// Forward from d with a new attempt at every character before p, then on
// with those in progress alone: where the last of them dies, or from.
int64 RegexRun::ReachForward(int64 d, int64 p, int64 from)
{
    int32 state;
    if (!Opening(true, d, state))
        return kGaveUp;
    int64 pos = d;
    while (pos < p) {
        int64 k = PlainForward(state, pos, p);
        if (k > 0) {
            pos += k;
            continue;
        }
        int64 length;
        int32 c = bytes_.Forward(pos, length);
        pos += length;
        if (!StepForward(state, c, pos))
            return kGaveUp;
    }
    // The same nodes without the attempts that would begin from here on.
    int32 plain = dfa_->At(state).plain;
    if (plain < 0) {
        LoadState(state);
        int64 resets = dfa_->resets;
        plain = InternList(false);
        if (plain >= 0 && dfa_->resets == resets && dfa_->At(state).anew)
            dfa_->At(state).plain = plain;
    }
    state = plain;
    if (StatesWentWrong(state))
        return kGaveUp;
    while (pos < from) {
        if (dfa_->At(state).setCount == 0)
            return pos;
        int64 k = PlainForward(state, pos, from);
        if (k > 0) {
            pos += k;
            continue;
        }
        int64 length;
        int32 c = bytes_.Forward(pos, length);
        pos += length;
        if (!StepForward(state, c, pos))
            return kGaveUp;
    }
    return from;
}

int64 RegexRun::CrossingReach(RegexRun& reversed, int64 p, int64 from, int64 lower)
{
    if (!reversed.BeginStates())
        return from;
    int64 d = reversed.ReachBack(p, lower);
    if (d == kGaveUp || !BeginStates())
        return from;
    int64 reach = ReachForward(d, p, from);
    return reach == kGaveUp || reach > from ? from : reach < p ? p : reach;
}

// Each run goes through the cached states and falls back to the lists when
// the states give up; both give the same results.
int64 RegexRun::RegexLongestForward(int64 s, int64 limit)
{
    return EitherWay([&] { return StatesLongestForward(s, limit); }, [&] { return ListLongestForward(s, limit); });
}

int64 RegexRun::RegexFirstEndForward(int64 from, int64 limit)
{
    int64 bound = limit < size_ ? limit : size_;
    PrepareSkip();
    return EitherWay([&] { return StatesFirstEnd(from, bound); }, [&] { return ListFirstEndForward(from, bound); });
}

int64 RegexRun::RegexLongestBackward(int64 e, int64 lower)
{
    return EitherWay([&] { return StatesLongestBackward(e, lower); }, [&] { return ListLongestBackward(e, lower); });
}

int64 RegexRun::RegexLastStartBackward(int64 p, int64 lower)
{
    return RegexLastStartBefore(INT64_MAX, p, lower);
}

int64 RegexRun::RegexLastStartBefore(int64 p, int64 from, int64 lower)
{
    PrepareBackSkip();
    return EitherWay([&] { return StatesLastStartBefore(p, from, lower); },
                     [&] { return ListLastStartBefore(p, from, lower); });
}

namespace {

// Merges the two nearest runs of bytes while there are more than limit;
// the merged run holds a few more bytes, which only makes a scan stop at a
// few more places.
void MergeNearest(std::vector<std::pair<int, int>>& runs, size_t limit)
{
    while (runs.size() > limit) {
        size_t nearest = 0;
        for (size_t i = 1; i + 1 < runs.size(); i++)
            if (runs[i + 1].first - runs[i].second < runs[nearest + 1].first - runs[nearest].second)
                nearest = i;
        runs[nearest].second = runs[nearest + 1].second;
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(nearest) + 1);
    }
}

}  // namespace

// Runs of set bytes for a vector scan, at most eight.
template <class ByteSet>
static void FillRanges(ByteSet& f)
{
    std::vector<std::pair<int, int>> runs;
    for (int b = 0; b < 256; b++) {
        if (!f.bytes[b])
            continue;
        if (!runs.empty() && runs.back().second == b - 1)
            runs.back().second = b;
        else
            runs.emplace_back(b, b);
    }
    MergeNearest(runs, 8);
    f.ranges = static_cast<int>(runs.size());
    for (size_t i = 0; i < runs.size() && i < 8; i++) {
        f.range[i][0] = static_cast<u8>(runs[i].first);
        f.range[i][1] = static_cast<u8>(runs[i].second);
    }
}

// Which first bytes can begin a character that a node of the start state
// consumes, so that positions where nothing is in progress can be skipped.
// Only when the start state has no assertion and cannot accept at once, and
// only in UTF-8 and the 8-bit encodings, where every character starts at a
// byte that cannot lie inside another character.
void RegexRun::PrepareSkip()
{
    RegExp::FirstBytes& f = re_.firstBytes_;
    EncodingId encoding = text_.Encoding();
    if (f.encoding != encoding) {
        f.encoding = encoding;
        f.usable = ComputeFirstBytes(encoding, f.bytes);
        FillRanges(f);
        if (!f.usable || !ComputePairs(f.bytes, f.pairs, false))
            f.pairs.pairs = 0;
    }
    skip_ = f.usable ? &f : nullptr;
}

static bool ClassTakesWide(const RegexClassItem* item);

// The bytes that can end a character that a node of the start's closure
// consumes, for the backward runs of the reversed expression; assertions
// are taken as holding, so the set is wide enough whatever they say.
void RegexRun::PrepareBackSkip()
{
    RegExp::FirstBytes& f = re_.lastBytes_;
    EncodingId encoding = text_.Encoding();
    if (f.encoding != encoding) {
        f.encoding = encoding;
        f.usable = ComputeLastBytes(encoding, f.bytes);
        FillRanges(f);
        if (!f.usable || !ComputePairs(f.bytes, f.pairs, true))
            f.pairs.pairs = 0;
    }
    backSkip_ = f.usable ? &f : nullptr;
}

// The start's closure with every assertion taken as holding.
void RegexRun::ComputeOpening()
{
    std::vector<u8>& opening = dfa_->opening;
    opening.assign(static_cast<size_t>(re_.nodeCount_) + 1, 0);
    const RegexNode* pool = re_.pool_.Data();
    std::vector<const RegexNode*> stack{re_.start_};
    while (!stack.empty()) {
        const RegexNode* n = stack.back();
        stack.pop_back();
        size_t index = n == &re_.accept_ ? static_cast<size_t>(re_.nodeCount_) : static_cast<size_t>(n - pool);
        if (opening[index])
            continue;
        opening[index] = 1;
        if (n->kind == SPLIT) {
            stack.push_back(n->out1);
            stack.push_back(n->out);
        } else if (IsAssertion(n->kind)) {
            stack.push_back(n->out);
        }
    }
}

bool RegexRun::ComputeLastBytes(EncodingId encoding, bool* bytes)
{
    memset(bytes, 0, 256);
    if (encoding != EncodingUtf8 && !IsCodePageEncoding(encoding))
        return false;
    RegexDfa& dfa = re_.Dfa();
    if (dfa.opening.empty()) {
        RegexDfa* was = dfa_;
        dfa_ = &dfa;
        ComputeOpening();
        dfa_ = was;
    }
    if (dfa.opening.back())
        return false;
    const RegexNode* pool = re_.pool_.Data();
    for (int64 i = 0; i < re_.nodeCount_; i++) {
        const RegexNode* node = pool + i;
        if (!dfa.opening[static_cast<size_t>(i)] || node->kind == SPLIT || IsAssertion(node->kind))
            continue;
        int32 folded = -1;
        if (Consumes(node, -30, folded))
            return false;
        for (int32 b = 0; b < 128; b++) {
            folded = -1;
            // A CR and an LF both end a line break.
            if (Consumes(node, b == 13 ? kLineFeed : b, folded))
                bytes[b] = true;
        }
        u32 kind = node->kind;
        bool asciiClass = IsClass(kind) && !ClassTakesWide(re_.classItems_.Data() + (kind - CLASS));
        if (encoding == EncodingUtf8 && ((IsLiteral(kind) && kind <= 0x10FFFF) || asciiClass)) {
            std::vector<int32> twins;
            if (IsLiteral(kind) && re_.ignoreCase_)
                RegexCaseTwins(kind, twins);
            else if (IsLiteral(kind) && kind >= 128)
                twins.push_back(static_cast<int32>(kind));
            for (int32 c : twins) {
                u8 code[4];
                int length = EncodeUtf8CodePoint(code, c);
                if (length > 0)
                    bytes[code[length - 1]] = true;
            }
        } else {
            for (int b = 128; b < 256; b++)
                bytes[b] = true;
        }
    }
    return true;
}

// A class can take a character from 128 on unless it lists nothing but
// ASCII characters and ranges.
static bool ClassTakesWide(const RegexClassItem* item)
{
    for (;; item++) {
        if (item->first == ITEM_END)
            return false;
        if (item->first == ITEM_NEGATE || item->second == ITEM_NAMED)
            return true;
        if (item->second == ITEM_SINGLE ? item->first >= 128 : item->second >= 128)
            return true;
    }
}

// The bytes from 0x80 on that can begin (or, with last, end) a character
// the node takes: in UTF-8 for a literal, those of its encodings; else all.
void RegexRun::WideBytes(const RegexNode* node, bool last, std::vector<bool>& bytes)
{
    u32 kind = node->kind;
    if (text_.Encoding() == EncodingUtf8 && IsLiteral(kind) && kind <= 0x10FFFF) {
        std::vector<int32> twins;
        if (re_.ignoreCase_)
            RegexCaseTwins(kind, twins);
        else if (kind >= 128)
            twins.push_back(static_cast<int32>(kind));
        for (int32 c : twins) {
            u8 code[4];
            int length = EncodeUtf8CodePoint(code, c);
            if (length > 0)
                bytes[last ? code[length - 1] : code[0]] = true;
        }
    } else if (TakesWide(node)) {
        for (int c = 128; c < 256; c++)
            bytes[static_cast<size_t>(c)] = true;
    }
}

// Whether a node can take a character from 128 on, or an undecodable one.
bool RegexRun::TakesWide(const RegexNode* node) const
{
    u32 kind = node->kind;
    if (IsLiteral(kind))
        return kind >= 128 || re_.ignoreCase_;
    if (IsClass(kind))
        return ClassTakesWide(re_.classItems_.Data() + (kind - CLASS));
    return kind == ANY || IsNamedClass(kind);
}

namespace {

// Pairs of bytes as a skip looks for them: for each byte a match can begin
// (or, backward, end) with, whether it is taken on its own, and else which
// bytes may come next (backward: before it).
struct BytePairSets {
    bool first[256];
    bool single[256];
    std::vector<std::vector<bool>> next = std::vector<std::vector<bool>>(256, std::vector<bool>(256, false));
};

// The ranges of the pairs, with bytes compared as they are or with bit 0x20
// set; false when they are too many, or would not stop at fewer places than
// the first bytes alone.
bool BuildPairRanges(const BytePairSets& sets, bool fold, BytePairRanges& out)
{
    auto image = [fold](int b) { return fold ? b | 0x20 : b; };
    bool single[256] = {}, first[256] = {};
    std::vector<std::vector<bool>> second(256, std::vector<bool>(256, false));
    for (int b = 0; b < 256; b++) {
        if (!sets.first[b])
            continue;
        int i = image(b);
        if (sets.single[b]) {
            single[i] = true;
            continue;
        }
        first[i] = true;
        for (int c = 0; c < 256; c++)
            if (sets.next[static_cast<size_t>(b)][static_cast<size_t>(c)])
                second[static_cast<size_t>(i)][static_cast<size_t>(image(c))] = true;
    }
    std::vector<std::pair<int, int>> singles;
    struct Group {
        int low, high;
        std::vector<bool> second;
    };
    std::vector<Group> groups;
    for (int b = 0; b < 256; b++) {
        if (single[b]) {
            if (!singles.empty() && singles.back().second == b - 1)
                singles.back().second = b;
            else
                singles.emplace_back(b, b);
        } else if (!first[b]) {
            continue;
        } else if (!groups.empty() && groups.back().high == b - 1 && groups.back().second == second[static_cast<size_t>(b)]) {
            groups.back().high = b;
        } else {
            groups.push_back(Group{b, b, second[static_cast<size_t>(b)]});
        }
    }
    MergeNearest(singles, 4);
    out.fold = fold;
    out.singles = static_cast<int>(singles.size());
    for (size_t i = 0; i < singles.size() && i < 4; i++) {
        out.single[i][0] = static_cast<u8>(singles[i].first);
        out.single[i][1] = static_cast<u8>(singles[i].second);
    }
    // Where a first byte may be followed by another of its own run (digits
    // of a number), pairs stop at the same places as single bytes do, at a
    // higher cost per byte.
    for (const Group& g : groups)
        for (int b = g.low; b <= g.high; b++)
            if (g.second[static_cast<size_t>(b)])
                return false;
    out.pairs = 0;
    for (const Group& g : groups) {
        for (int c = 0; c < 256;) {
            if (!g.second[static_cast<size_t>(c)]) {
                c++;
                continue;
            }
            int e = c;
            while (e + 1 < 256 && g.second[static_cast<size_t>(e) + 1])
                e++;
            if (out.pairs == 8)
                return false;
            u8* pair = out.pair[out.pairs++];
            pair[0] = static_cast<u8>(g.low);
            pair[1] = static_cast<u8>(g.high);
            pair[2] = static_cast<u8>(c);
            pair[3] = static_cast<u8>(e);
            c = e + 1;
        }
    }
    return out.pairs > 0;
}

}  // namespace

// The pairs of first bytes that can begin a match, by ranges: for each
// plain ASCII first byte, the bytes that can begin the character after it.
// A first byte that may end a match by itself, or be followed by an
// assertion, and every first byte from 0x80 on (and CR, which may pair
// with an LF), is taken on its own. Backward, for the reversed expression,
// the same of the last bytes of the characters a match can end with and
// the last bytes of the characters before them. Bytes are compared without
// case where that alone keeps the pairs few enough.
bool RegexRun::ComputePairs(const bool* first, BytePairRanges& out, bool backward)
{
    BytePairSets sets;
    const std::vector<u8>& opening = re_.Dfa().opening;
    RegexNode* pool = re_.pool_.Data();
    for (int b = 0; b < 256; b++) {
        sets.first[b] = first[b];
        if (!first[b])
            continue;
        bool single = b >= 0x80 || b == 10 || b == 13;
        std::vector<bool>& second = sets.next[static_cast<size_t>(b)];
        if (!single) {
            NewGeneration();
            cur_->count = 0;
            re_.assertion_ = 0;
            if (backward) {
                // Every node that may take the last character, assertions
                // before it taken as holding.
                for (int64 i = 0; i < re_.nodeCount_; i++)
                    if (opening[static_cast<size_t>(i)] && pool[i].kind != SPLIT && !IsAssertion(pool[i].kind))
                        cur_->elements[cur_->count++] = pool + i;
            } else {
                RegexAddState(*cur_, re_.start_);
            }
            RegexStep(b);
            single = re_.assertion_ || Check();
            for (int32 i = 0; i < cur_->count && !single; i++) {
                const RegexNode* node = cur_->elements[i];
                for (int32 c = 0; c < 128; c++) {
                    int32 folded = -1;
                    if (Consumes(node, c == 13 ? kLineFeed : c, folded))
                        second[static_cast<size_t>(c)] = true;
                }
                WideBytes(node, backward, second);
            }
        }
        sets.single[b] = single;
    }
    return BuildPairRanges(sets, false, out) || BuildPairRanges(sets, true, out);
}

bool RegexRun::ComputeFirstBytes(EncodingId encoding, bool* bytes)
{
    memset(bytes, 0, 256);
    if (encoding != EncodingUtf8 && !IsCodePageEncoding(encoding))
        return false;
    NewGeneration();
    RegexList& list = *next_;
    list.count = 0;
    re_.assertion_ = 0;
    RegexAddState(list, re_.start_);
    if (re_.assertion_)
        return false;
    for (int32 i = 0; i < list.count; i++) {
        const RegexNode* node = list.elements[i];
        if (node->kind == ACCEPT)
            return false;
        int32 folded = -1;
        // An undecodable byte could be any byte; keep such nodes scanning.
        if (Consumes(node, -30, folded))
            return false;
        for (int32 b = 0; b < 128; b++) {
            folded = -1;
            if (Consumes(node, b == 13 ? kLineFeed : b, folded))
                bytes[b] = true;
        }
        u32 kind = node->kind;
        bool asciiClass = IsClass(kind) && !ClassTakesWide(re_.classItems_.Data() + (kind - CLASS));
        if (encoding == EncodingUtf8 && ((IsLiteral(kind) && kind <= 0x10FFFF) || asciiClass)) {
            // A character has one encoding: over-long forms decode as
            // undecodable units, which these nodes do not take. Without
            // case a literal also takes the characters that lower-case as
            // it does.
            std::vector<int32> twins;
            if (IsLiteral(kind) && re_.ignoreCase_)
                RegexCaseTwins(kind, twins);
            else if (IsLiteral(kind) && kind >= 128)
                twins.push_back(static_cast<int32>(kind));
            for (int32 c : twins) {
                u8 lead[4];
                if (EncodeUtf8CodePoint(lead, c) > 0)
                    bytes[lead[0]] = true;
            }
        } else {
            for (int b = 128; b < 256; b++)
                bytes[b] = true;
        }
    }
    return true;
}

int64 RegexBytes::SkipToCandidate(const RegExp::FirstBytes& set, int64 pos, int64 bound)
{
    while (pos < bound) {
        if (pos < start_ || pos >= end_) {
            Fill(pos, false);
            if (end_ <= pos)
                return bound;
        }
        const u8* bytes = buffer_ + (pos - start_);
        int64 n = (end_ < bound ? end_ : bound) - pos;
        const u8* hit = set.pairs.pairs > 0 ? FindBytePairs(bytes, static_cast<size_t>(n), set.pairs)
                                            : FindByteInRanges(bytes, static_cast<size_t>(n), set.range, set.ranges);
        int64 k = hit ? hit - bytes : n;
        if (k < n)
            return pos + k;
        pos += n;
    }
    return bound;
}

namespace {

// Last byte of [p, p + n) that lies in one of count inclusive ranges, or
// null: the backward twin of FindByteInRanges.
const u8* FindLastByteInRanges(const u8* p, size_t n, const u8 (*ranges)[2], int count)
{
    __m128i low[8], span[8];
    for (int r = 0; r < count; r++) {
        low[r] = _mm_set1_epi8(static_cast<char>(ranges[r][0]));
        span[r] = _mm_set1_epi8(static_cast<char>(ranges[r][1] - ranges[r][0]));
    }
    size_t i = n;
    for (; i >= 16; i -= 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16));
        __m128i hit = _mm_setzero_si128();
        for (int r = 0; r < count; r++) {
            __m128i t = _mm_sub_epi8(x, low[r]);
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(t, span[r]), t));
        }
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (m)
            return p + i - 16 + (31 - __builtin_clz(m));
    }
    while (i > 0) {
        i--;
        for (int r = 0; r < count; r++)
            if (p[i] >= ranges[r][0] && p[i] <= ranges[r][1])
                return p + i;
    }
    return nullptr;
}

}  // namespace

int64 RegexBytes::SkipBackToCandidate(const RegExp::FirstBytes& set, int64 pos, int64 bound)
{
    while (pos > bound) {
        if (pos - 1 < start_ || pos > end_) {
            Fill(pos, true);
            if (pos - 1 < start_ || pos > end_)
                return pos;
        }
        int64 low = start_ > bound ? start_ : bound;
        const u8* bytes = buffer_ + (low - start_);
        const u8* hit = set.pairs.pairs > 0 ? FindLastBytePairs(bytes, static_cast<size_t>(pos - low), set.pairs)
                                            : FindLastByteInRanges(bytes, static_cast<size_t>(pos - low), set.range, set.ranges);
        if (!hit) {
            pos = low;
            continue;
        }
        int64 at = low + (hit - bytes) + 1;
        // A byte from 0x80 on may end a character only part way: then the
        // character it lies in ends past it, with a last byte not in the set.
        if (*hit >= 0x80 && Utf8() && at < size_) {
            int64 s = text_.CharStart(at);
            if (s < at) {
                pos = s;
                continue;
            }
        }
        return at;
    }
    return -1;
}

bool RegexBytes::LiteralEquals(const RegExp::RequiredLiteral& literal, const u8* bytes)
{
    for (int i = 0; i < literal.length; i++) {
        u8 b = bytes[i], want = literal.bytes[i];
        if (b != want && !(literal.fold && (b | 0x20) == want && want >= 'a' && want <= 'z'))
            return false;
    }
    return true;
}

int64 RegexBytes::LastLiteral(const RegExp::RequiredLiteral& literal, int64 pos, int64 bound)
{
    int64 length = literal.length;
    int k = literal.rare;
    u8 rare = literal.bytes[k];
    u8 ranges[2][2] = {{rare, rare}, {rare, rare}};
    if (literal.fold && rare >= 'a' && rare <= 'z')
        ranges[1][0] = ranges[1][1] = static_cast<u8>(rare - 32);
    // Where the rare byte of an occurrence can lie.
    int64 hi = pos - (length - 1 - k);
    int64 lo = (bound > 0 ? bound : 0) + k;
    while (hi > lo) {
        if (hi - 1 < start_ || hi > end_) {
            Fill(hi - 1, true);
            if (hi - 1 < start_ || hi > end_)
                return -1;
        }
        int64 from = start_ > lo ? start_ : lo;
        const u8* base = buffer_ + (from - start_);
        size_t n = static_cast<size_t>(hi - from);
        const u8* hit = ranges[0][0] == ranges[1][0] ? FindByteBackward(base, rare, n)
                                                     : FindLastByteInRanges(base, n, ranges, 2);
        if (!hit) {
            hi = from;
            continue;
        }
        int64 at = from + (hit - base);
        int64 q = at - k;
        if (q >= start_ && q + length <= end_) {
            if (LiteralEquals(literal, buffer_ + (q - start_)))
                return q;
        } else {
            u8 copy[sizeof(literal.bytes)];
            if (text_.CopyBytes(q, copy, length) == length && LiteralEquals(literal, copy))
                return q;
        }
        hi = at;
    }
    return -1;
}

namespace {

int64 AddClamped(int64 a, int64 b)
{
    if (b > 0 && a > INT64_MAX - b)
        return INT64_MAX;
    if (b < 0 && a < INT64_MIN - b)
        return INT64_MIN;
    return a + b;
}

int64 Clamp(int64 value, int64 low, int64 high)
{
    return value < low ? low : value > high ? high : value;
}

}  // namespace

// The reversed expression, built at the first search that needs it.
RegExp& RegExp::Reversed()
{
    if (!reversed_) {
        RegExp* made = new (std::nothrow) RegExp();
        if (!made)
            throw MemoryError();
        reversed_.Reset(made);
        try {
            made->CompileReversed(pattern_.Data(), pattern_.Count(), ignoreCase_ != 0);
        } catch (...) {
            reversed_.Reset(nullptr);
            throw;
        }
    }
    return *reversed_;
}

// The states of this expression, kept until it is compiled again.
RegexDfa& RegExp::Dfa()
{
    if (!dfa_) {
        RegexDfa* made = new (std::nothrow) RegexDfa();
        if (!made)
            throw MemoryError();
        dfa_.Reset(made);
    }
    return *dfa_;
}

// A search's position taken to the text's ends; a search needs a compiled
// expression.
int64 RegExp::SearchPosition(TextDocument& document, int64 position) const
{
    if (!start_)
        throw InternalError();
    return Clamp(position, 0, document.text.Size());
}

int64 RegExp::FindForward(TextDocument& document, int64 from, int64& stop, int64 length)
{
    int64 begin = SearchPosition(document, from);
    TextBuff& text = document.text;
    int64 size = text.Size();
    stop = Clamp(AddClamped(begin, length), begin, size);
    // A search never starts inside a character: from there the bytes would
    // read as undecodable ones and could match on their own.
    RegexBytes bytes(text);
    if (begin < size && !bytes.PlainStart(begin)) {
        int64 s = text.CharStart(begin);
        if (s < begin) {
            text.DecodeChar(s);
            begin = s + text.CharLength();
        }
    }
    int64 limit = AddClamped(AddClamped(begin, length), kForwardSlack);
    int64 e = RegexRun(*this, document, bytes).RegexFirstEndForward(begin, limit);
    if (e < 0)
        return -1;
    int64 s = RegexRun(Reversed(), document, bytes).RegexLongestBackward(e, begin);
    // A match ends at e, so it has a start; without one the runs disagree.
    if (s < 0)
        throw InternalError();
    // The first end may lie past the limit inside the character that
    // straddles it; the extent must still reach it.
    stop = RegexRun(*this, document, bytes).RegexLongestForward(s, limit > e ? limit : e);
    return s;
}

int64 RegExp::FindBackward(TextDocument& document, int64 position, int64& stop, int64 window)
{
    int64 p = SearchPosition(document, position);
    TextBuff& text = document.text;
    int64 size = text.Size();
    int64 hi = AddClamped(p, kBackwardAhead);
    int64 lo = AddClamped(p, -window);
    stop = lo > 0 ? lo : 0;
    int64 lower = AddClamped(lo, -kForwardSlack);
    RegexBytes bytes(text);
    RegExp& reversed = Reversed();
    RegexRun back(reversed, document, bytes), ahead(*this, document, bytes);
    // A search from the start the last one found goes on with its reversed
    // run: that run began past the end of every match in progress at the
    // last position, hence at this one too, and not past where this search
    // would begin; then both find the same starts below this position.
    BackwardResume& resume = resume_;
    int64 from;
    // Whether the run begins past the end of every match in progress at p.
    bool past = true;
    if (resume.changes == text.ChangeCount() && resume.at == p && resume.from <= hi && reversed.dfa_ &&
        reversed.dfa_->resets == resume.resets) {
        from = resume.from;
        back.ResumeAt(p, resume.state);
    } else {
        // A run never starts inside a character, or its match would end past it.
        int64 furthest = hi < size ? text.CharStart(hi) : size;
        from = furthest;
        // Only a match in progress at p can end after it; where those have all
        // ended the reversed run may begin, rather than the whole way ahead: no
        // further than the longest match reaches (a character takes at most 4
        // bytes; 8 are counted), or where the runs that are alive at p die.
        if (from > p) {
            int64 longest = LongestMatchChars();
            int64 reach = longest >= 0 && longest < 4096 ? p + 8 * longest : from;
            if (reach < from && (reach = text.CharStart(reach)) > p)
                from = reach;
            else if (from > p)
                from = RegexRun(*this, document, bytes).CrossingReach(back, p, from, lower);
        }
        // A run that begins at the furthest place may leave out matches
        // that end beyond it, which a later search could see.
        past = from < furthest || furthest == size;
    }
    resume.changes = 0;
    back.UseLiteral(ahead);
    int64 s = back.RegexLastStartBefore(p, from, lower);
    if (s < 0)
        return -1;
    if (past && back.FoundState() >= 0) {
        resume.changes = text.ChangeCount();
        resume.resets = reversed.dfa_->resets;
        resume.from = from;
        resume.at = s;
        resume.state = back.FoundState();
    }
    stop = ahead.RegexLongestForward(s, hi);
    return s;
}

// The longest path from the start to the accept node, in nodes that take a
// character; -1 when a loop makes it unbounded.
int64 RegExp::LongestMatchChars()
{
    if (longest_ != -2)
        return longest_;
    std::vector<int64> longest(static_cast<size_t>(nodeCount_) + 1, -3);  // -3 unseen, -4 on the path
    auto index = [&](const RegexNode* n) {
        return n == &accept_ ? static_cast<size_t>(nodeCount_) : static_cast<size_t>(n - pool_.Data());
    };
    std::vector<const RegexNode*> stack{start_};
    while (!stack.empty()) {
        const RegexNode* n = stack.back();
        int64& mine = longest[index(n)];
        if (mine == -3) {
            mine = -4;
            if (n->kind == ACCEPT)
                continue;
            for (const RegexNode* next : {n->out, n->kind == SPLIT ? n->out1 : nullptr}) {
                if (!next)
                    continue;
                int64 seen = longest[index(next)];
                if (seen == -4) {
                    longest_ = -1;
                    return longest_;
                }
                if (seen == -3)
                    stack.push_back(next);
            }
            continue;
        }
        stack.pop_back();
        if (mine != -4)
            continue;
        if (n->kind == ACCEPT) {
            mine = 0;
        } else if (n->kind == SPLIT) {
            mine = std::max(longest[index(n->out)], longest[index(n->out1)]);
        } else {
            mine = longest[index(n->out)] + (IsAssertion(n->kind) ? 0 : 1);
        }
    }
    longest_ = longest[index(start_)];
    return longest_;
}

int64 RegExp::FindBackwardBefore(TextDocument& document, int64 position, int64& stop)
{
    int64 p = SearchPosition(document, position);
    stop = p - kBeforeWindow > 0 ? p - kBeforeWindow : 0;
    int64 from = p < document.text.Size() ? document.text.CharStart(p) : p;
    RegexBytes bytes(document.text);
    RegexRun back(Reversed(), document, bytes), ahead(*this, document, bytes);
    back.UseLiteral(ahead);
    int64 s = back.RegexLastStartBackward(from, p - kBeforeWindow - kForwardSlack);
    if (s < 0)
        return -1;
    stop = ahead.RegexLongestForward(s, p);
    return s;
}
