#include "text/RegExp.h"

#include "base/CharUtils.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include <windows.h>

#include <cstring>
#include <new>

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

bool IsLineBreak(int32 code)
{
    return code == -2 || code == 10 || code == 13;
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

// One simulation of an automaton over a text: the current list, the steps
// over characters and the resolution of assertions.
class RegexRun {
public:
    RegexRun(RegExp& re, TextDocument& document) : re_(re), text_(document.text), size_(document.text.Size())
    {
        re.subject_ = &document;
        re.subjectLength_ = size_;
        cur_ = &re.lists_[0];
        next_ = &re.lists_[1];
        EncodingId encoding = text_.Encoding();
        bytewise_ = encoding == EncodingUtf8 || IsCodePageEncoding(encoding);
    }

    int64 RegexLongestForward(int64 s, int64 limit);
    int64 RegexFirstEndForward(int64 from, int64 limit);
    int64 RegexLongestBackward(int64 e, int64 lower);
    int64 RegexLastStartBackward(int64 p, int64 lower);
    int64 RegexLastStartBefore(int64 p, int64 from, int64 lower);

private:
    bool Check() const { return re_.accept_.stamp == re_.generation_; }
    void NewGeneration() { Raise(re_.generation_, &RegexNode::stamp); }
    void NewMarkPass() { Raise(re_.markPass_, &RegexNode::mark); }
    void Raise(u32& counter, u32 RegexNode::*field);
    void RegexAddState(RegexList& list, RegexNode* node) { Add(list, node, &RegexNode::stamp, re_.generation_); }
    void Add(RegexList& list, RegexNode* node, u32 RegexNode::*seen, u32 value);
    void Start(int64 p);
    int64 RegexStep(int64 p, bool backward = false);
    void RegexResolve(int64 p);
    bool Consumes(const RegexNode* node, int32 c, int32& folded);
    bool AssertionHolds(u32 kind, int64 p, int32& before, int32& at);
    void Swap()
    {
        RegexList* t = cur_;
        cur_ = next_;
        next_ = t;
    }
    void PrepareSkip();
    bool ComputeFirstBytes(EncodingId encoding, bool* bytes);
    int64 SkipToCandidate(int64 pos, int64 bound);
    static int64 FirstInSet(const RegExp::FirstBytes& set, const u8* bytes, int64 n);
    int32 ReadChar(int64 p, bool backward, int64& length);
    void Fill(int64 from);

    RegExp& re_;
    TextBuff& text_;
    int64 size_;
    RegexList* cur_;
    RegexList* next_;

    // A piece of the text's bytes, for skipping and for reading ASCII
    // characters without a decode; the text does not change during a run.
    // Pieces start small, since most runs after a match are short, and
    // grow while a run goes on.
    static constexpr int64 kBufferBytes = 4096;
    int64 piece_ = 64;
    bool bytewise_;  // an encoding where a byte below 0x80 is a character
    const RegExp::FirstBytes* skip_ = nullptr;
    u8 buffer_[kBufferBytes];
    int64 bufferStart_ = 0;
    int64 bufferEnd_ = 0;
};

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

void RegexRun::Fill(int64 from)
{
    int64 want = size_ - from < piece_ ? size_ - from : piece_;
    if (piece_ < kBufferBytes)
        piece_ *= 2;
    int64 got = text_.CopyBytes(from, buffer_, want);
    bufferStart_ = from;
    bufferEnd_ = from + (got > 0 ? got : 0);
}

// The character at p as the runs read it. In UTF-8 and the 8-bit encodings
// a byte below 0x80 other than CR is the character itself.
int32 RegexRun::ReadChar(int64 p, bool backward, int64& length)
{
    if (bytewise_) {
        if (p < bufferStart_ || p >= bufferEnd_)
            Fill(backward ? (p >= piece_ ? p - piece_ + 1 : 0) : p);
        if (p >= bufferStart_ && p < bufferEnd_) {
            u8 b = buffer_[p - bufferStart_];
            if (b < 0x80 && b != 13) {
                length = 1;
                return b;
            }
        }
    }
    int32 c = text_.DecodeChar(p);
    length = text_.CharLength();
    return c == -2 || c == 13 ? kLineFeed : c;
}

// Steps the current list over the character at p; returns its byte length.
int64 RegexRun::RegexStep(int64 p, bool backward)
{
    re_.assertion_ = 0;
    NewGeneration();
    next_->count = 0;
    int64 length;
    int32 c = ReadChar(p, backward, length);
    int32 folded = -1;
    RegexNode** nodes = cur_->elements;
    int32 count = cur_->count;
    for (int32 i = 0; i < count; i++) {
        RegexNode* node = nodes[i];
        if (Consumes(node, c, folded))
            RegexAddState(*next_, node->out);
    }
    Swap();
    return length;
}

bool RegexRun::AssertionHolds(u32 kind, int64 p, int32& before, int32& at)
{
    // before and at are decoded once per resolution; -100 means not yet.
    auto codeBefore = [&]() {
        if (before == -100)
            before = p > 0 ? text_.DecodeChar(text_.CharStart(p - 1)) : -1;
        return before;
    };
    auto codeAt = [&]() {
        if (at == -100)
            at = p < size_ ? text_.DecodeChar(p) : -1;
        return at;
    };
    switch (kind) {
    case LINE_START:
        return p <= 0 || IsLineBreak(codeBefore());
    case LINE_END:
        return p >= size_ || IsLineBreak(codeAt());
    case WORD_BOUNDARY:
    case NOT_WORD_BOUNDARY: {
        int32 b = codeBefore(), a = codeAt();
        bool wordBefore = b != -1 && !IsLineBreak(b) && IsWordChar(b);
        bool wordAt = a != -1 && !IsLineBreak(a) && IsWordChar(a);
        return (wordBefore != wordAt) == (kind == WORD_BOUNDARY);
    }
    default:
        return false;
    }
}

// Replaces the assertions of the current list by what follows those that
// hold at p; the walk sees successors added during it, each node once.
void RegexRun::RegexResolve(int64 p)
{
    RegexList& list = *cur_;
    RegexList& out = *next_;
    NewMarkPass();
    for (int32 i = 0; i < list.count; i++)
        list.elements[i]->mark = re_.markPass_;
    NewGeneration();
    out.count = 0;
    u32 generation = re_.generation_;
    int32 before = -100, at = -100;
    for (int32 i = 0; i < list.count; i++) {
        RegexNode* n = list.elements[i];
        if (IsAssertion(n->kind)) {
            if (AssertionHolds(n->kind, p, before, at))
                Add(list, n->out, &RegexNode::mark, re_.markPass_);
        } else if (n->stamp != generation) {
            n->stamp = generation;
            out.elements[out.count++] = n;
        }
    }
    re_.assertion_ = 0;
    Swap();
}

int64 RegexRun::RegexLongestForward(int64 s, int64 limit)
{
    Start(s);
    int64 result = Check() ? s : -1;
    int64 pos = s;
    while (pos < size_) {
        pos += RegexStep(pos);
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

int64 RegexRun::RegexFirstEndForward(int64 from, int64 limit)
{
    int64 bound = limit < size_ ? limit : size_;
    PrepareSkip();
    int64 pos = from;
    if (skip_) {
        pos = SkipToCandidate(pos, bound);
        if (pos >= bound)
            return -1;
    }
    Start(pos);
    if (Check())
        return pos;
    while (pos < bound) {
        pos += RegexStep(pos);
        if (Check())
            return pos;
        if (skip_ && cur_->count == 0) {
            // Nothing in progress: only a character the start state takes
            // can begin the next attempt.
            pos = SkipToCandidate(pos, bound);
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

int64 RegexRun::RegexLongestBackward(int64 e, int64 lower)
{
    Start(e);
    int64 result = Check() ? e : -1;
    int64 pos = e;
    while (pos > 0 && cur_->count > 0) {
        pos = text_.CharStart(pos - 1);
        RegexStep(pos, true);
        if (re_.assertion_)
            RegexResolve(pos);
        if (pos < lower)
            break;
        if (Check())
            result = pos;
    }
    return result;
}

int64 RegexRun::RegexLastStartBackward(int64 p, int64 lower)
{
    return RegexLastStartBefore(INT64_MAX, p, lower);
}

int64 RegexRun::RegexLastStartBefore(int64 p, int64 from, int64 lower)
{
    int64 bound = lower > 0 ? lower : 0;
    Start(from);
    if (from < p && Check())
        return from;
    int64 pos = from;
    while (pos > bound) {
        pos = text_.CharStart(pos - 1);
        RegexStep(pos, true);
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
        int below = 0;
        for (int b = 0; b < 0xC0; b++) {
            if (f.bytes[b]) {
                f.primary = b;
                below++;
            }
        }
        if (below != 1)
            f.primary = -1;
    }
    skip_ = f.usable ? &f : nullptr;
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
        if (encoding == EncodingUtf8 && IsLiteral(kind) && !re_.ignoreCase_ && kind <= 0x10FFFF) {
            u8 lead[4];
            if (kind >= 128 && EncodeUtf8CodePoint(lead, static_cast<int32>(kind)) > 0)
                bytes[lead[0]] = true;
            // Over-long forms decode as the same code point.
            if (kind < 128)
                bytes[0xC0] = bytes[0xC1] = true;
            bytes[0xE0] = bytes[0xF0] = true;
        } else {
            for (int b = 128; b < 256; b++)
                bytes[b] = true;
        }
    }
    return true;
}

// Index of the first byte in the set, or n. With one byte below 0xC0 in
// the set (a literal and the leads of its over-long forms), memchr finds
// it, and only the bytes before it with both top bits set are looked at.
int64 RegexRun::FirstInSet(const RegExp::FirstBytes& set, const u8* bytes, int64 n)
{
    if (set.primary < 0) {
        for (int64 k = 0; k < n; k++)
            if (set.bytes[bytes[k]])
                return k;
        return n;
    }
    const void* hit = memchr(bytes, set.primary, static_cast<size_t>(n));
    int64 end = hit ? static_cast<const u8*>(hit) - bytes : n;
    int64 k = 0;
    while (k < end) {
        if (k + 8 <= end) {
            u64 word;
            memcpy(&word, bytes + k, 8);
            if ((word & (word << 1) & 0x8080808080808080ull) == 0) {
                k += 8;
                continue;
            }
        }
        if (set.bytes[bytes[k]])
            return k;
        k++;
    }
    return end;
}

// The first position at or after pos, below bound, whose byte may begin a
// match; bound when there is none. The bytes are copied out a piece at a
// time and the piece is kept, since a run only moves forward.
int64 RegexRun::SkipToCandidate(int64 pos, int64 bound)
{
    while (pos < bound) {
        if (pos < bufferStart_ || pos >= bufferEnd_) {
            Fill(pos);
            if (bufferEnd_ <= pos)
                return bound;
        }
        const u8* bytes = buffer_ + (pos - bufferStart_);
        int64 n = (bufferEnd_ < bound ? bufferEnd_ : bound) - pos;
        int64 k = FirstInSet(*skip_, bytes, n);
        if (k < n)
            return pos + k;
        pos += n;
    }
    return bound;
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
    if (begin < size) {
        int64 s = text.CharStart(begin);
        if (s < begin) {
            text.DecodeChar(s);
            begin = s + text.CharLength();
        }
    }
    int64 limit = AddClamped(AddClamped(begin, length), kForwardSlack);
    int64 e = RegexRun(*this, document).RegexFirstEndForward(begin, limit);
    if (e < 0)
        return -1;
    int64 s = RegexRun(Reversed(), document).RegexLongestBackward(e, begin);
    // The first end may lie past the limit inside the character that
    // straddles it; the extent must still reach it.
    stop = RegexRun(*this, document).RegexLongestForward(s, limit > e ? limit : e);
    return s;
}

int64 RegExp::FindBackward(TextDocument& document, int64 position, int64& stop, int64 window)
{
    int64 p = SearchPosition(document, position);
    int64 size = document.text.Size();
    int64 hi = AddClamped(p, kBackwardAhead);
    int64 lo = AddClamped(p, -window);
    stop = lo > 0 ? lo : 0;
    // A run never starts inside a character, or its match would end past it.
    int64 from = hi < size ? document.text.CharStart(hi) : size;
    int64 s = RegexRun(Reversed(), document).RegexLastStartBefore(p, from, AddClamped(lo, -kForwardSlack));
    if (s < 0)
        return -1;
    stop = RegexRun(*this, document).RegexLongestForward(s, hi);
    return s;
}

int64 RegExp::FindBackwardBefore(TextDocument& document, int64 position, int64& stop)
{
    int64 p = SearchPosition(document, position);
    stop = p - kBeforeWindow > 0 ? p - kBeforeWindow : 0;
    int64 from = p < document.text.Size() ? document.text.CharStart(p) : p;
    int64 s = RegexRun(Reversed(), document).RegexLastStartBackward(from, p - kBeforeWindow - kForwardSlack);
    if (s < 0)
        return -1;
    stop = RegexRun(*this, document).RegexLongestForward(s, p);
    return s;
}
