#include "text/RegExp.h"

#include "base/ByteScan.h"
#include "base/CharUtils.h"
#include "text/RegexRun.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

using namespace RegexKind;
using namespace RegexParts;

namespace {

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

}  // namespace

bool RegexParts::IsWordChar(int32 c)
{
    if (c < 128)
        return IsAsciiDigit(c) || IsAsciiLetter(c) || c == '_';
    return IsCharType(c, kWordTypes);
}

namespace {

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
        // Forward, the character before the assertions is c: when what they
        // leave does not depend on the character after, the step takes
        // them at once, and runs need not stop to look (a line start in
        // a new attempt at every character, which fails after all but a
        // line break).
        if (!re_.backwardOnly_ && dfa_->At(next).assertion &&
            dfa_->HasRoom(RegexDfa::KindCount, static_cast<size_t>(re_.nodeCount_) + 1)) {
            int before = KindOf(c);
            int32 resolved = Resolved(next, before, RegexDfa::KindBreak);
            if (resolved >= 0 && Resolved(next, before, RegexDfa::KindWord) == resolved &&
                Resolved(next, before, RegexDfa::KindOther) == resolved)
                next = resolved;
        }
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
    // With assertions before the first character a run never comes back to
    // the start state itself, only to what they leave of it: those states
    // too have nothing in progress but the attempt that begins there.
    int32 rests[RegexDfa::KindCount * RegexDfa::KindCount];
    int restCount = 0;
    auto findRests = [&] {
        restCount = 0;
        if (!dfa_->At(first).assertion)
            return true;
        int64 resets = dfa_->resets;
        for (int before = 0; before < RegexDfa::KindCount; before++) {
            for (int at = 0; at < RegexDfa::KindCount; at++) {
                int32 r = Resolved(first, before, at);
                if (r < 0 || dfa_->resets != resets)
                    return false;
                if (std::find(rests, rests + restCount, r) == rests + restCount)
                    rests[restCount++] = r;
            }
        }
        return true;
    };
    auto isRest = [&](int32 s) {
        return s == first || (restCount > 0 && std::find(rests, rests + restCount, s) != rests + restCount);
    };
    if (StatesWentWrong(first) || !findRests() || !Opening(true, from, state))
        return kGaveUp;
    int64 pos = from;
    if (dfa_->At(state).accept)
        return pos;
    int64 firstResets = dfa_->resets;
    int idleLimit = 16;
    // An occurrence of the literal whose reach back lived down to the
    // place asked for: it would down to any later place before it, so it
    // is not asked again.
    int64 reachedAt = -1;
    while (pos < bound) {
        if (dfa_->resets != firstResets) {
            // The cache was emptied: the start state has a new index, and
            // the one in hand must stay valid while it is made.
            firstResets = dfa_->resets;
            first = StateStart(true);
            if (first < 0 || dfa_->resets != firstResets || !findRests())
                return kGaveUp;
        }
        bool rest = isRest(state);
        // From line start to line start goes further than to the literal,
        // which most lines may hold elsewhere.
        if ((lineSkip_ ? state == first : rest) && literal_) {
            // Nothing in progress: every match from here on holds an
            // occurrence of the literal from here on, so none begins before
            // the reach back from the next one of the matches through it.
            // Only worth it when the occurrence is far.
            if (literalAt_ < pos) {
                literalAt_ = bytes_.NextLiteral(*literal_, pos, bound);
                if (literalAt_ < 0)
                    return -1;
            }
            if (literalAt_ - pos >= 64 && literalAt_ != reachedAt) {
                int64 d = behind_->BeginStates() ? behind_->ReachBack(literalAt_, pos) : kGaveUp;
                if (d == kGaveUp) {
                    literal_ = nullptr;
                } else if (d > pos) {
                    pos = d;
                    if (!Opening(true, pos, state))
                        return kGaveUp;
                    if (dfa_->At(state).accept)
                        return pos;
                    continue;
                } else {
                    reachedAt = literalAt_;
                }
            }
        }
        if (rest && skip_) {
            // Nothing in progress: only a character the start state takes
            // can begin the next attempt. Where such characters are near
            // each other the scan costs more than it saves: then the byte
            // loop below stays longer in the start state before it asks.
            int64 was = pos;
            pos = bytes_.SkipToCandidate(*skip_, pos, bound);
            if (pos >= bound)
                return -1;
            // Leading assertions are taken afresh where the scan stopped.
            if (pos > was && state != first) {
                if (!Opening(true, pos, state))
                    return kGaveUp;
                if (dfa_->At(state).accept)
                    return pos;
            }
            if (pos - was < 64)
                idleLimit = idleLimit < 1024 ? idleLimit * 2 : idleLimit;
            else
                idleLimit = idleLimit > 16 ? idleLimit / 2 : idleLimit;
        } else if (lineSkip_ && dfa_->At(state).setCount == 0) {
            // Nothing in progress, and matches begin at line starts only:
            // on to the next one whose first byte can begin one.
            int64 was = pos;
            pos = bytes_.SkipToLineStart(*lineSkip_, pos, bound);
            if (pos >= bound)
                return -1;
            if (!Opening(true, pos, state))
                return kGaveUp;
            if (pos - was < 64)
                idleLimit = idleLimit < 1024 ? idleLimit * 2 : idleLimit;
            else
                idleLimit = idleLimit > 16 ? idleLimit / 2 : idleLimit;
            continue;
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
                    // Assertions before a plain byte: the kinds on both
                    // sides are known here, and what they leave once it
                    // was worked out (as for a leading \b at every byte).
                    const RegexDfa::State& look = dfa_->At(state);
                    if (look.accept || k >= n || bytes[k] >= 0x80)
                        break;
                    int32 after = KindOf(bytes[k] == 13 ? kLineFeed : bytes[k]);
                    to = look.resolved[KindOf(last) * RegexDfa::KindCount + after];
                    if (to < 0 || dfa_->At(to).accept)
                        break;
                }
                state = to;
                at = &dfa_->At(state);
                if (lineSkip_ ? at->setCount != 0 : !(at->idle && isRest(state)))
                    idle = 0;
                else if (++idle == idleLimit && (skip_ || lineSkip_ || literal_))
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

void RegexParts::MergeNearest(std::vector<std::pair<int, int>>& runs, size_t limit)
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

// Which first bytes can begin a character that a node of the start state
// consumes, past the assertions before it, so that positions where nothing
// is in progress can be skipped. Only when the start state cannot accept at
// once, and only in UTF-8 and the 8-bit encodings, where every character
// starts at a byte that cannot lie inside another character.
void RegexRun::PrepareSkip()
{
    EncodingId encoding = text_.Encoding();
    RegExp::FirstBytes& l = re_.lineBytes_;
    if (l.encoding != encoding) {
        l.encoding = encoding;
        l.usable = ComputeLineBytes(encoding, l.bytes);
        std::vector<std::pair<int, int>> runs;
        for (int b = 0; b < 256; b++) {
            if (!l.bytes[b])
                continue;
            if (!runs.empty() && runs.back().second == b - 1)
                runs.back().second = b;
            else
                runs.emplace_back(b, b);
        }
        MergeNearest(runs, 4);
        l.pairs.singles = 0;
        l.pairs.fold = false;
        l.pairs.pairs = 0;
        for (u8 lineBreak : {u8(10), u8(13)}) {
            for (const std::pair<int, int>& run : runs) {
                u8* pair = l.pairs.pair[l.pairs.pairs++];
                pair[0] = pair[1] = lineBreak;
                pair[2] = static_cast<u8>(run.first);
                pair[3] = static_cast<u8>(run.second);
            }
        }
    }
    lineSkip_ = l.usable ? &l : nullptr;
    // From line start to line start goes further than from byte to byte.
    RegExp::FirstBytes& f = re_.firstBytes_;
    if (f.encoding != encoding) {
        f.encoding = encoding;
        f.usable = !l.usable && ComputeOpeningBytes(encoding, false, f.bytes);
        FillRanges(f);
        if (!f.usable || !ComputePairs(f.bytes, f.pairs, false))
            f.pairs.pairs = 0;
    }
    skip_ = f.usable ? &f : nullptr;
}

void RegexRun::JumpToLiteral(RegexRun& reversed)
{
    PrepareLiteral();
    if (re_.literal_.length == 0)
        return;
    behind_ = &reversed;
    literal_ = &re_.literal_;
    literalAt_ = -1;
}

// Whether every match begins at a line start, and then the bytes that can
// begin one there: the start's closure must not reach a node that takes a
// character, or the accept node, but through a line start; past line
// starts, with every assertion taken as holding, the nodes it reaches give
// the bytes. Only in UTF-8 and the 8-bit encodings, where a line break is
// a byte of its own.
bool RegexRun::ComputeLineBytes(EncodingId encoding, bool* bytes)
{
    memset(bytes, 0, 256);
    if (encoding != EncodingUtf8 && !IsCodePageEncoding(encoding))
        return false;
    const RegexNode* pool = re_.pool_.Data();
    size_t count = static_cast<size_t>(re_.nodeCount_);
    for (int pass = 0; pass < 2; pass++) {
        std::vector<u8> seen(count + 1, 0);
        std::vector<const RegexNode*> stack{re_.start_};
        while (!stack.empty()) {
            const RegexNode* n = stack.back();
            stack.pop_back();
            size_t index = n == &re_.accept_ ? count : static_cast<size_t>(n - pool);
            if (seen[index])
                continue;
            seen[index] = 1;
            if (n->kind == SPLIT) {
                stack.push_back(n->out1);
                stack.push_back(n->out);
            } else if (IsAssertion(n->kind)) {
                if (pass == 1 || n->kind != LINE_START)
                    stack.push_back(n->out);
            } else if (pass == 0 || n->kind == ACCEPT) {
                return false;
            } else if (!MarkNodeBytes(n, encoding, false, bytes)) {
                memset(bytes, 1, 256);
            }
        }
    }
    return true;
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

bool RegexParts::ClassTakesWide(const RegexClassItem* item)
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

// In UTF-8, the bytes from 0x80 on that can begin (or, with last, end) a
// character from 128 on that a class of single characters and ranges takes;
// false for a class that is negated or holds a named class or ANY, which
// can take any such character.
template <class Bytes>
bool ClassUtf8Bytes(const RegexClassItem* item, bool last, Bytes& bytes)
{
    for (;; item++) {
        if (item->first == ITEM_END)
            return true;
        if (item->first == ITEM_NEGATE || item->second == ITEM_NAMED || item->first == ANY)
            return false;
        u32 low = item->first, high = item->second == ITEM_SINGLE ? item->first : item->second;
        low = low < 128 ? 128 : low;
        high = high > 0x10FFFF ? 0x10FFFF : high;
        if (low > high)
            continue;
        u8 a[4], b[4];
        int n = EncodeUtf8CodePoint(a, static_cast<int32>(low)), m = EncodeUtf8CodePoint(b, static_cast<int32>(high));
        if (n <= 0 || m <= 0)
            return false;
        // Lead bytes grow with the code; last bytes take every value past 63 codes.
        u32 from = last ? a[n - 1] : a[0], to = last ? b[m - 1] : b[0];
        if (last && (high - low >= 63 || from > to))
            from = 0x80, to = 0xBF;
        for (u32 c = from; c <= to; c++)
            bytes[c] = true;
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
    } else if (TakesWide(node) && !(text_.Encoding() == EncodingUtf8 && IsClass(kind) &&
                                    ClassUtf8Bytes(re_.classItems_.Data() + (kind - CLASS), last, bytes))) {
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
    const std::vector<RegexNode*> takers = OpeningTakers();
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
            // Every node that may take the first (backward: last) character,
            // assertions before it taken as holding.
            for (RegexNode* node : takers)
                cur_->elements[cur_->count++] = node;
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
        } else if (!backward && b >= 0xC2 && text_.Encoding() == EncodingUtf8) {
            // A lead byte that only literals take pairs with the second
            // bytes of their encodings.
            single = !LeadPairs(static_cast<u8>(b), second);
        }
        sets.single[b] = single;
    }
    return BuildPairRanges(sets, false, out) || BuildPairRanges(sets, true, out);
}

bool RegexRun::LeadPairs(u8 lead, std::vector<bool>& second)
{
    std::vector<int32> twins;
    for (const RegexNode* node : OpeningTakers()) {
        bool bytes[256] = {};
        if (!MarkNodeBytes(node, EncodingUtf8, false, bytes))
            return false;
        if (!bytes[lead])
            continue;
        if (!IsLiteral(node->kind) || node->kind > 0x10FFFF)
            return false;
        RegexCaseTwins(node->kind, twins);
        if (!re_.ignoreCase_)
            twins.assign(1, static_cast<int32>(node->kind));
        for (int32 c : twins) {
            u8 code[4];
            if (EncodeUtf8CodePoint(code, c) >= 2 && code[0] == lead)
                second[code[1]] = true;
        }
    }
    return true;
}

bool RegexRun::MarkNodeBytes(const RegexNode* node, EncodingId encoding, bool last, bool* bytes)
{
    int32 folded = -1;
    if (Consumes(node, -30, folded))
        return false;
    for (int32 b = 0; b < 128; b++) {
        folded = -1;
        // A CR and an LF both stand for a line break.
        if (Consumes(node, b == 13 ? kLineFeed : b, folded))
            bytes[b] = true;
    }
    u32 kind = node->kind;
    if (encoding == EncodingUtf8 && IsClass(kind) && ClassUtf8Bytes(re_.classItems_.Data() + (kind - CLASS), last, bytes))
        return true;
    if (encoding == EncodingUtf8 && IsLiteral(kind) && kind <= 0x10FFFF) {
        // A character has one encoding: over-long forms decode as
        // undecodable units, which these nodes do not take. Without case a
        // literal also takes the characters that lower-case as it does.
        std::vector<int32> twins;
        if (IsLiteral(kind) && re_.ignoreCase_)
            RegexCaseTwins(kind, twins);
        else if (IsLiteral(kind) && kind >= 128)
            twins.push_back(static_cast<int32>(kind));
        for (int32 c : twins) {
            u8 code[4];
            int length = EncodeUtf8CodePoint(code, c);
            if (length > 0)
                bytes[code[last ? length - 1 : 0]] = true;
        }
    } else {
        for (int b = 128; b < 256; b++)
            bytes[b] = true;
    }
    return true;
}

const std::vector<u8>& RegexRun::OpeningNodes()
{
    RegexDfa& dfa = re_.Dfa();
    if (dfa.opening.empty()) {
        RegexDfa* was = dfa_;
        dfa_ = &dfa;
        ComputeOpening();
        dfa_ = was;
    }
    return dfa.opening;
}

std::vector<RegexNode*> RegexRun::OpeningTakers()
{
    const std::vector<u8>& opening = OpeningNodes();
    RegexNode* pool = re_.pool_.Data();
    std::vector<RegexNode*> takers;
    for (int64 i = 0; i < re_.nodeCount_; i++)
        if (opening[static_cast<size_t>(i)] && pool[i].kind != SPLIT && !IsAssertion(pool[i].kind))
            takers.push_back(pool + i);
    return takers;
}

// The bytes that can begin (last: end) a character that a node of the
// start's closure takes, with the assertions before them taken as holding:
// a run checks them where it stops.
bool RegexRun::ComputeOpeningBytes(EncodingId encoding, bool last, bool* bytes)
{
    memset(bytes, 0, 256);
    if (encoding != EncodingUtf8 && !IsCodePageEncoding(encoding))
        return false;
    if (OpeningNodes().back())
        return false;
    for (const RegexNode* node : OpeningTakers()) {
        // An undecodable byte could be any byte; keep such nodes scanning.
        if (!MarkNodeBytes(node, encoding, last, bytes))
            return false;
    }
    // What the nodes take is never undecodable, and in UTF-8 anything else
    // begins with a byte below 0x80 or a lead byte: a scan stops only at
    // the start of a character, where the assertions can be read.
    if (encoding == EncodingUtf8 && !last)
        for (int b = 0x80; b < 256; b++)
            if (b < 0xC2 || b > 0xF7)
                bytes[b] = false;
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

int64 RegexBytes::NextLiteral(const RegExp::RequiredLiteral& literal, int64 pos, int64 bound)
{
    int64 length = literal.length;
    int k = literal.rare;
    u8 rare = literal.bytes[k];
    u8 ranges[2][2] = {{rare, rare}, {rare, rare}};
    if (literal.fold && rare >= 'a' && rare <= 'z')
        ranges[1][0] = ranges[1][1] = static_cast<u8>(rare - 32);
    // Where the rare byte of an occurrence can lie.
    int64 lo = pos + k;
    int64 hi = bound + k;
    while (lo < hi) {
        if (lo < start_ || lo >= end_) {
            Fill(lo, false);
            if (lo < start_ || lo >= end_)
                return -1;
        }
        int64 to = end_ < hi ? end_ : hi;
        const u8* base = buffer_ + (lo - start_);
        size_t n = static_cast<size_t>(to - lo);
        const u8* hit = ranges[0][0] == ranges[1][0] ? FindByte(base, rare, n) : FindByteInRanges(base, n, ranges, 2);
        if (!hit) {
            lo = to;
            continue;
        }
        int64 at = lo + (hit - base);
        int64 q = at - k;
        if (q >= start_ && q + length <= end_) {
            if (LiteralEquals(literal, buffer_ + (q - start_)))
                return q;
        } else {
            u8 copy[sizeof(literal.bytes)];
            if (text_.CopyBytes(q, copy, length) == length && LiteralEquals(literal, copy))
                return q;
        }
        lo = at + 1;
    }
    return -1;
}

int64 RegexBytes::SkipToLineStart(const RegExp::FirstBytes& set, int64 pos, int64 bound)
{
    // A line break below last begins a line below bound, unless it is the
    // CR of a CR LF.
    int64 last = bound - 1;
    while (pos < last) {
        if (pos < start_ || pos >= end_) {
            Fill(pos, false);
            if (end_ <= pos)
                return bound;
        }
        const u8* bytes = buffer_ + (pos - start_);
        int64 n = (end_ < last ? end_ : last) - pos;
        const u8* hit = FindBytePairs(bytes, static_cast<size_t>(n), set.pairs);
        if (!hit) {
            pos += n;
            continue;
        }
        int64 q = pos + (hit - bytes) + 1;
        if (*hit == 13) {
            if (q >= end_)
                Fill(q, false);
            if (q < end_ && buffer_[q - start_] == 10) {
                pos = q;
                continue;
            }
        }
        return q;
    }
    return bound;
}

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
    RegexRun behind(Reversed(), document, bytes), ahead(*this, document, bytes);
    ahead.JumpToLiteral(behind);
    int64 e = ahead.RegexFirstEndForward(begin, limit);
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

