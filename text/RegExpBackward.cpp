#include "text/RegexRun.h"

#include "base/CharUtils.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

// Backward searches: the reversed expression run back from ahead of the
// position, with new attempts at every character, finds the largest start;
// the forward expression fixes the match's extent from there.

using namespace RegexKind;
using namespace RegexParts;

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

// Nothing in progress but fresh attempts: only a character that the start
// takes can lead anywhere. Where such characters lie close together the
// byte loop stays idle longer before it asks. Returns kGoOn, or what the
// run returns.
int64 RegexRun::Skip(int64& pos, int64 bound, int32& state, int& idleLimit)
{
    if (!backSkip_ || !dfa_->At(state).idle)
        return kGoOn;
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
    return kGoOn;
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
        // A single literal is looked for by one rare byte, which goes faster
        // than the skip's pairs of bytes. A set is looked for by pairs, and
        // then the skip goes first: where the bytes that end a match are
        // rare it goes further at a lower cost, where they are common it
        // stops at once and the set takes over.
        int64 done = literalSet_ ? Skip(pos, bound, state, idleLimit) : kGoOn;
        if (done == kGoOn && (literal_ || literalSet_) && dfa_->At(state).idle) {
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
        if (done == kGoOn && !literalSet_)
            done = Skip(pos, bound, state, idleLimit);
        if (done != kGoOn)
            return done;
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
                // Idle below the end of the literal's occurrence found last,
                // the run asks for the one before it at once.
                if (!at->idle)
                    idle = 0;
                else if ((++idle >= idleLimit && backSkip_) ||
                         ((literal_ || literalSet_) && (literalEnd_ < 0 || pos - k <= literalEnd_)))
                    break;
            }
            if (k > 0) {
                pos -= k;
                // The kinds around pos are read only when they count.
                if (dfa_->At(state).assertion && !Settle(state, KindBefore(pos), KindOf(last)))
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

// The state with every node of the automaton live, kept in the automaton
// while its states last.
int32 RegexRun::EverythingState()
{
    int32 state = dfa_->everything;
    if (state >= 0)
        return state;
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
    return state;
}

// Back from p with every node of the reversed automaton live at once: the
// run dies below the last place where a match that is still in progress at
// p can have begun. Returns the lowest position where it was still alive
// (bound when it lived that far), or kGaveUp.
int64 RegexRun::ReachBack(int64 p, int64 lower)
{
    int64 bound = lower > 0 ? lower : 0;
    int32 state = EverythingState();
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
    int32 state = EverythingState();
    if (StatesWentWrong(state) || (dfa_->At(state).assertion && !Settle(state, KindBefore(x), KindAt(x))))
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
    // The occurrence that ends last below pos stays so while pos goes down
    // to its end. With a set, a match through another occurrence that ends
    // later either holds the end of the one found, or begins past it, and
    // then that occurrence would have been met first.
    if (literalEnd_ < 0 || literalEnd_ > pos) {
        int64 end;
        if (literalSet_) {
            end = bytes_.LastOfSet(*literalSet_, pos, bound - 3);
        } else {
            int64 q = bytes_.LastLiteral(*literal_, pos, bound - 3);
            end = q < 0 ? -1 : q + literal_->length;
        }
        if (end < 0)
            return -1;
        int64 reach = ahead_->ReachAhead(end, pos);
        if (reach == kGaveUp) {
            literal_ = nullptr;
            literalSet_ = nullptr;
            return pos;
        }
        literalEnd_ = end;
        literalReach_ = reach;
    }
    return literalReach_ < pos ? literalReach_ : pos;
}

void RegexRun::UseLiteral(RegexRun& forward)
{
    forward.PrepareLiteral();
    const RegExp::RequiredLiteral& literal = forward.re_.literal_;
    if (literal.length == 0)
        forward.PrepareLiteralSet();
    const RegExp::RequiredSet& set = forward.re_.literalSet_;
    if ((literal.length == 0 && set.count == 0) || !forward.BeginStates())
        return;
    ahead_ = &forward;
    literal_ = literal.length > 0 ? &literal : nullptr;
    literalSet_ = literal.length > 0 ? nullptr : &set;
    literalEnd_ = -1;
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

// The characters every match begins with, one after the other; the
// assertions among them take none.
void LeadingLiterals(const RegexNode* node, std::vector<u32>& out)
{
    out.clear();
    for (; node && (IsLiteral(node->kind) || IsAssertion(node->kind)) && out.size() < 64; node = node->out)
        if (IsLiteral(node->kind))
            out.push_back(node->kind);
}

// The nodes that take the first character of a match, past the splits and
// assertions before them: false unless all are literals, at most eight.
bool BranchLiterals(const RegexNode* start, std::vector<const RegexNode*>& out)
{
    out.clear();
    std::vector<const RegexNode*> stack{start}, seen;
    while (!stack.empty()) {
        const RegexNode* n = stack.back();
        stack.pop_back();
        if (std::find(seen.begin(), seen.end(), n) != seen.end())
            continue;
        seen.push_back(n);
        if (n->kind == SPLIT) {
            stack.push_back(n->out1);
            stack.push_back(n->out);
        } else if (IsAssertion(n->kind)) {
            stack.push_back(n->out);
        } else if (!IsLiteral(n->kind) || out.size() == 8) {
            return false;
        } else {
            out.push_back(n);
        }
    }
    return !out.empty();
}

// The longest run of a chain's characters that have one form of bytes (see
// PrepareLiteral), at most cap bytes, lower-cased without case, into out;
// answers its length.
int LongestLiteralRun(const std::vector<u32>& chain, bool utf8, bool fold, u8* out, size_t cap,
                      std::vector<int32>& twins)
{
    std::vector<u8> run;
    int best = 0;
    for (size_t i = 0; i <= chain.size(); i++) {
        u32 c = i < chain.size() ? chain[i] : kLineFeed;
        bool usable = c != kLineFeed && c != 13 && (c < 128 || (utf8 && !fold));
        if (usable && fold) {
            RegexCaseTwins(c, twins);
            usable = twins.empty();
        }
        u8 code[4];
        int n = usable ? EncodeUtf8CodePoint(code, static_cast<int32>(c)) : 0;
        if (n > 0 && run.size() + static_cast<size_t>(n) <= cap) {
            for (int j = 0; j < n; j++)
                run.push_back(fold && code[j] >= 'A' && code[j] <= 'Z' ? code[j] + 32 : code[j]);
            continue;
        }
        if (run.size() > static_cast<size_t>(best)) {
            best = static_cast<int>(run.size());
            memcpy(out, run.data(), run.size());
        }
        run.clear();
    }
    return best;
}

}  // namespace

// For each branch of an alternation that every match begins with (or, by
// the reversed expression, ends with), the longest run of its characters
// with one form of bytes, as for the single literal; all of them at least
// three bytes long, or a lone one of one or two bytes that every match
// begins with (too short for the single literal). The side whose shortest
// member is longer is taken.
void RegexRun::PrepareLiteralSet()
{
    RegExp::RequiredSet& set = re_.literalSet_;
    EncodingId encoding = text_.Encoding();
    if (set.encoding == encoding)
        return;
    set.encoding = encoding;
    set.count = 0;
    bool utf8 = encoding == EncodingUtf8;
    if (!utf8 && !IsCodePageEncoding(encoding))
        return;
    set.fold = re_.ignoreCase_ != 0;
    int best = 0;
    std::vector<const RegexNode*> branches;
    std::vector<u32> chain;
    std::vector<int32> twins;
    RegExp::RequiredSet::Member members[8];
    for (int side = 0; side < 2; side++) {
        if (!BranchLiterals(side == 0 ? re_.start_ : re_.Reversed().start_, branches))
            continue;
        int shortest = INT32_MAX;
        for (size_t m = 0; m < branches.size(); m++) {
            LeadingLiterals(branches[m], chain);
            if (side == 1)
                std::reverse(chain.begin(), chain.end());
            RegExp::RequiredSet::Member& member = members[m];
            member.length = LongestLiteralRun(chain, utf8, re_.ignoreCase_ != 0, member.bytes, sizeof(member.bytes),
                                              twins);
            shortest = std::min(shortest, member.length);
        }
        // A lone literal of one or two bytes that every match begins with
        // is looked for too: the scan for its bytes beats a crawl through a
        // common class after it. One byte only when it is rare, or the
        // look for each of its many occurrences costs more than the crawl.
        // Where every match ends with such a literal, the skip to the bytes
        // a match ends with finds it as well.
        bool lone = side == 0 && branches.size() == 1;
        if (shortest < (lone ? 1 : 3) || shortest <= best ||
            (shortest == 1 && ByteFrequency(members[0].bytes[0]) > ByteFrequency('k')))
            continue;
        best = shortest;
        set.count = static_cast<int>(branches.size());
        std::copy(members, members + set.count, set.members);
    }
    // Each member is looked for by its pair of bytes that is rarest, in
    // the order of a backward scan: its second byte, then the one before.
    BytePairRanges& pairs = set.pairs;
    pairs.singles = 0;
    pairs.pairs = 0;
    pairs.fold = set.fold;
    for (int m = 0; m < set.count; m++) {
        RegExp::RequiredSet::Member& member = set.members[m];
        if (member.length == 1) {
            // A byte alone, found where the pair's second byte would be.
            member.pair = -1;
            u8 b = set.fold ? member.bytes[0] | 0x20 : member.bytes[0];
            pairs.single[pairs.singles][0] = pairs.single[pairs.singles][1] = b;
            pairs.singles++;
            continue;
        }
        member.pair = 0;
        for (int i = 1; i + 1 < member.length; i++)
            if (ByteFrequency(member.bytes[i]) + ByteFrequency(member.bytes[i + 1]) <
                ByteFrequency(member.bytes[member.pair]) + ByteFrequency(member.bytes[member.pair + 1]))
                member.pair = i;
        u8 second = member.bytes[member.pair + 1], first = member.bytes[member.pair];
        if (set.fold) {
            second |= 0x20;
            first |= 0x20;
        }
        bool known = false;
        for (int k = 0; k < pairs.pairs; k++)
            known = known || (pairs.pair[k][0] == second && pairs.pair[k][2] == first);
        if (!known) {
            u8* pair = pairs.pair[pairs.pairs++];
            pair[0] = pair[1] = second;
            pair[2] = pair[3] = first;
        }
    }
}

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
        u8 run[sizeof(literal.bytes)];
        int n = LongestLiteralRun(chain, utf8, re_.ignoreCase_ != 0, run, sizeof(run), twins);
        if (n >= 3 && n > literal.length) {
            literal.length = n;
            memcpy(literal.bytes, run, static_cast<size_t>(n));
        }
    }
    literal.fold = re_.ignoreCase_ != 0;
    literal.rare = 0;
    for (int i = 1; i < literal.length; i++)
        if (ByteFrequency(literal.bytes[i]) <= ByteFrequency(literal.bytes[literal.rare]))
            literal.rare = i;
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

int64 RegexRun::CrossingReach(RegexRun& reversed, int64 p, int64 from, int64 lower, int64& floor)
{
    floor = 0;
    if (!reversed.BeginStates())
        return from;
    int64 d = reversed.ReachBack(p, lower);
    if (d == kGaveUp || !BeginStates())
        return from;
    int64 reach = ReachForward(d, p, from);
    if (reach == kGaveUp || reach >= from)
        return from;
    // A look back that lived down to the bound passed over the matches that
    // begin below it: a search that reaches lower must look again.
    if (lower > 0 && d <= lower)
        floor = lower;
    return reach < p ? p : reach;
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

// The bytes that can end a character that a node of the start's closure
// consumes, for the backward runs of the reversed expression; assertions
// are taken as holding, so the set is wide enough whatever they say.
void RegexRun::PrepareBackSkip()
{
    RegExp::FirstBytes& f = re_.lastBytes_;
    EncodingId encoding = text_.Encoding();
    if (f.encoding != encoding) {
        f.encoding = encoding;
        f.usable = ComputeOpeningBytes(encoding, true, f.bytes);
        FillRanges(f);
        if (!f.usable || !ComputePairs(f.bytes, f.pairs, true))
            f.pairs.pairs = 0;
    }
    backSkip_ = f.usable ? &f : nullptr;
}

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

bool RegexBytes::MemberEquals(const RegExp::RequiredSet::Member& member, bool fold, const u8* bytes)
{
    for (int i = 0; i < member.length; i++) {
        u8 b = bytes[i], want = member.bytes[i];
        if (b != want && !(fold && (b | 0x20) == want && want >= 'a' && want <= 'z'))
            return false;
    }
    return true;
}

int64 RegexBytes::LastOfSet(const RegExp::RequiredSet& set, int64 pos, int64 bound)
{
    int64 low = bound > 0 ? bound : 0;
    // Where the second byte of a member's pair can lie. The first
    // occurrence met going down ends last, or one that ends later begins
    // past its end and so has its pair further up.
    int64 hi = 0, lo = INT64_MAX;
    for (int m = 0; m < set.count; m++) {
        const RegExp::RequiredSet::Member& member = set.members[m];
        hi = std::max(hi, pos - member.length + member.pair + 2);
        lo = std::min(lo, low + member.pair + 1);
    }
    while (hi > lo) {
        if (hi - 1 < start_ || hi > end_) {
            Fill(hi - 1, true);
            if (hi - 1 < start_ || hi > end_)
                return -1;
        }
        int64 from = start_ > lo ? start_ : lo;
        const u8* base = buffer_ + (from - start_);
        const u8* hit = FindLastBytePairs(base, static_cast<size_t>(hi - from), set.pairs);
        if (!hit) {
            hi = from;
            continue;
        }
        int64 at = from + (hit - base);
        for (int m = 0; m < set.count; m++) {
            const RegExp::RequiredSet::Member& member = set.members[m];
            int64 q = at - member.pair - 1, end = q + member.length;
            if (q < low || end > pos)
                continue;
            bool equal;
            if (q >= start_ && end <= end_) {
                equal = MemberEquals(member, set.fold, buffer_ + (q - start_));
            } else {
                u8 copy[sizeof(member.bytes)];
                equal = text_.CopyBytes(q, copy, member.length) == member.length && MemberEquals(member, set.fold, copy);
            }
            if (equal)
                return end;
        }
        hi = at;
    }
    return -1;
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
    // A look for those matches that stopped at a bound above this search's
    // own may have passed over some that this search can find.
    BackwardResume& resume = resume_;
    int64 from;
    int64 floor = 0;
    // Whether the run begins past the end of every match in progress at p.
    bool past = true;
    if (resume.changes == text.ChangeCount() && resume.at == p &&
        resume.from <= hi && (lower > 0 ? lower : 0) >= resume.floor && reversed.dfa_ &&
        reversed.dfa_->resets == resume.resets) {
        from = resume.from;
        floor = resume.floor;
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
                from = RegexRun(*this, document, bytes).CrossingReach(back, p, from, lower, floor);
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
        resume.floor = floor;
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
