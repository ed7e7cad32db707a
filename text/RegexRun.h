#pragma once

#include "base/ByteScan.h"
#include "text/RegExp.h"
#include "text/RegexDfa.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include <utility>
#include <vector>

// The runs of a compiled expression over a text, shared by the forward
// searches (RegExpMatch.cpp) and the backward ones (RegExpBackward.cpp).

namespace RegexParts {

constexpr int64 kForwardSlack = 5000;
constexpr int64 kBackwardAhead = 20000;
constexpr int64 kBeforeWindow = 100000;
constexpr int32 kLineFeed = 10;

bool IsWordChar(int32 c);

inline int KindOf(int32 c)
{
    return c == kLineFeed ? RegexDfa::KindBreak : IsWordChar(c) ? RegexDfa::KindWord : RegexDfa::KindOther;
}

inline int64 AddClamped(int64 a, int64 b)
{
    if (b > 0 && a > INT64_MAX - b)
        return INT64_MAX;
    if (b < 0 && a < INT64_MIN - b)
        return INT64_MIN;
    return a + b;
}

inline int64 Clamp(int64 value, int64 low, int64 high)
{
    return value < low ? low : value > high ? high : value;
}

// Merges the two nearest runs of bytes while there are more than limit;
// the merged run holds a few more bytes, which only makes a scan stop at a
// few more places.
void MergeNearest(std::vector<std::pair<int, int>>& runs, size_t limit);

// Runs of set bytes for a vector scan, at most eight.
template <class ByteSet>
void FillRanges(ByteSet& f)
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

// A class can take a character from 128 on unless it lists nothing but
// ASCII characters and ranges.
bool ClassTakesWide(const RegexClassItem* item);

}  // namespace RegexParts

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
                    return RegexParts::kLineFeed;
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
        return c == -2 || c == 13 ? RegexParts::kLineFeed : c;
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
                    return RegexParts::kLineFeed;
                }
                if (b[0] == 10 && p - 2 >= start_) {
                    start = b[-1] == 13 ? p - 2 : p - 1;
                    return RegexParts::kLineFeed;
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
        return c == -2 || c == 13 ? RegexParts::kLineFeed : c;
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
    // The first line start above pos, below bound, whose first byte may
    // begin a match (by the set's pairs of a line break and that byte);
    // bound when there is none.
    int64 SkipToLineStart(const RegExp::FirstBytes& set, int64 pos, int64 bound);
    // The last character end at or below pos, above bound, whose last byte
    // is in the set; -1 when there is none.
    int64 SkipBackToCandidate(const RegExp::FirstBytes& set, int64 pos, int64 bound);
    // The last place at or above bound where the literal lies whole below
    // pos; -1 when there is none.
    int64 LastLiteral(const RegExp::RequiredLiteral& literal, int64 pos, int64 bound);
    // The largest end at or below pos of a place at or above bound where a
    // member of the set lies whole; -1 when there is none.
    int64 LastOfSet(const RegExp::RequiredSet& set, int64 pos, int64 bound);
    // The first place at or above pos, below bound, where the literal
    // begins; -1 when there is none.
    int64 NextLiteral(const RegExp::RequiredLiteral& literal, int64 pos, int64 bound);

    // A UTF-8 character of two bytes, as the text decodes it: never
    // over-long, never a line break.
    static bool IsTwoByteLead(u8 b) { return b >= 0xC2 && b <= 0xDF; }
    static bool IsContinuation(u8 b) { return (b & 0xC0) == 0x80; }
    static int32 TwoByteCode(const u8* b) { return ((b[0] & 0x1F) << 6) | (b[1] & 0x3F); }

private:
    static bool LiteralEquals(const RegExp::RequiredLiteral& literal, const u8* bytes);
    static bool MemberEquals(const RegExp::RequiredSet::Member& member, bool fold, const u8* bytes);

    int32 Unit(int64 p) const
    {
        const u8* b = buffer_ + (p - start_);
        return bigEndian_ ? (b[0] << 8) | b[1] : b[0] | (b[1] << 8);
    }

    void Fill(int64 p, bool backward)
    {
        // A few bytes on the other side too: a look at the character
        // before or after a place, as at the start of a search or of a
        // match, then finds them in hand instead of copying a new piece in
        // the other direction, larger each time.
        int64 margin = piece_ / 8 < 64 ? piece_ / 8 : 64;
        int64 from = backward ? p + 1 - piece_ + margin : p - margin;
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
    // Only matches that begin at or above floor are looked for: floor is
    // the bound when the look back reached it, else 0.
    int64 CrossingReach(RegexRun& reversed, int64 p, int64 from, int64 lower, int64& floor);

    // Lets this backward run of the reversed expression pass over the
    // stretches without the forward expression's required literal, with
    // the forward run finding where the matches through one end.
    void UseLiteral(RegexRun& forward);
    // Lets this forward run pass over the stretches before the next
    // occurrence of the required literal, with the reversed run finding
    // where the matches through it can begin.
    void JumpToLiteral(RegexRun& reversed);

private:
    static constexpr int64 kGaveUp = INT64_MIN;
    static constexpr int64 kGoOn = INT64_MIN + 1;

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
    // Marks the bytes that can open (or, with last, close) a character the
    // node takes; false when it takes undecodable units, which can be any.
    bool MarkNodeBytes(const RegexNode* node, EncodingId encoding, bool last, bool* bytes);
    // The bytes that can begin (last: end) a first character; false when
    // any could.
    bool ComputeOpeningBytes(EncodingId encoding, bool last, bool* bytes);
    // The start's closure with every assertion taken as holding, by node
    // index (the accept node last), computed at the first call.
    const std::vector<u8>& OpeningNodes();
    // The nodes of that closure that take a character.
    std::vector<RegexNode*> OpeningTakers();
    bool ComputeLineBytes(EncodingId encoding, bool* bytes);
    void ComputeOpening();
    int32 EverythingState();
    int64 ReachBack(int64 p, int64 lower);
    int64 ReachAhead(int64 x, int64 limit);
    int64 LiteralJump(int64 pos, int64 bound);
    int64 Skip(int64& pos, int64 bound, int32& state, int& idleLimit);
    void PrepareLiteral();
    void PrepareLiteralSet();
    int64 ReachForward(int64 d, int64 p, int64 from);
    int64 PlainForward(int32& state, int64 pos, int64 bound);
    bool ComputePairs(const bool* first, BytePairRanges& out, bool backward);
    // In UTF-8, the second bytes of the first characters with that lead
    // byte; false unless only literals take such characters.
    bool LeadPairs(u8 lead, std::vector<bool>& second);
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
    const RegExp::FirstBytes* lineSkip_ = nullptr;
    RegexDfa* dfa_ = nullptr;
    // The forward run and its literal while a backward run uses them; the
    // last occurrence found and how far the matches through it can reach.
    RegexRun* ahead_ = nullptr;
    RegexRun* behind_ = nullptr;
    const RegExp::RequiredLiteral* literal_ = nullptr;
    int64 literalAt_ = -1;
    int64 literalReach_ = -1;
    // The set a backward run uses instead when there is no literal, and
    // the end of the last occurrence of either found.
    const RegExp::RequiredSet* literalSet_ = nullptr;
    int64 literalEnd_ = -1;
    int64 resumeAt_ = -1;
    int32 resumeState_ = -1;
    int32 foundState_ = -1;
    int64 resetsAtStart_ = 0;
    int64 resetsSeen_ = 0;
};
