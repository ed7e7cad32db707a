#pragma once

#include "base/Array.h"
#include "base/ByteScan.h"
#include "base/Error.h"
#include "base/String.h"

#include <vector>

class TextDocument;
class RegexDfa;

// Token and node kinds share one value space with the literal code points,
// which all lie below ACCEPT.
namespace RegexKind {
constexpr u32 ACCEPT = 0x70000000;
constexpr u32 SPLIT = 0x70000001;
constexpr u32 CONCAT = 0x70000002;
constexpr u32 ALT = 0x70000003;
constexpr u32 STAR = 0x70000007;
constexpr u32 PLUS = 0x70000008;
constexpr u32 QUEST = 0x70000009;
constexpr u32 ANY = 0x7000000B;
constexpr u32 LINE_START = 0x7000000E;
constexpr u32 LINE_END = 0x7000000F;
constexpr u32 WORD_BOUNDARY = 0x70000010;
constexpr u32 NOT_WORD_BOUNDARY = 0x70000011;
constexpr u32 CLS_ALNUM = 0x70000014;
constexpr u32 CLS_ALPHA = 0x70000015;
constexpr u32 CLS_LOWER = 0x70000016;
constexpr u32 CLS_UPPER = 0x70000017;
constexpr u32 CLS_WORD = 0x70000018;
constexpr u32 CLS_NOT_WORD = 0x70000019;
constexpr u32 CLS_DIGIT = 0x7000001A;
constexpr u32 CLS_NOT_DIGIT = 0x7000001B;
constexpr u32 CLS_XDIGIT = 0x7000001C;
constexpr u32 CLS_SPACE = 0x7000001D;
constexpr u32 CLS_NOT_SPACE = 0x7000001E;
constexpr u32 CLS_BLANK = 0x7000001F;
constexpr u32 CLS_ASCII = 0x70000020;
constexpr u32 CLS_CNTRL = 0x70000021;
constexpr u32 CLS_GRAPH = 0x70000022;
constexpr u32 CLS_PRINT = 0x70000023;
constexpr u32 CLS_PUNCT = 0x70000024;
constexpr u32 ITEM_END = 0x70000026;
constexpr u32 ITEM_SINGLE = 0x70000027;
constexpr u32 ITEM_NEGATE = 0x70000028;
constexpr u32 ITEM_NAMED = 0x70000029;
constexpr u32 CLASS = 0x7000002A;

inline bool IsLiteral(u32 kind) { return kind < ACCEPT; }
inline bool IsAssertion(u32 kind) { return kind >= LINE_START && kind <= NOT_WORD_BOUNDARY; }
inline bool IsNamedClass(u32 kind) { return kind >= CLS_ALNUM && kind <= CLS_PUNCT; }
inline bool IsClass(u32 kind) { return kind >= CLASS; }
}  // namespace RegexKind

// Error kinds of a bad pattern or replacement template (the subcode of BadRegExpError).
namespace RegexError {
constexpr int32 EMPTY_PATTERN = 1;
constexpr int32 TOO_MANY_PARENTHESES = 2;
constexpr int32 PARENTHESES_MISMATCH = 3;
constexpr int32 STAR_WITHOUT_ARGUMENT = 4;
constexpr int32 PLUS_WITHOUT_ARGUMENT = 5;
constexpr int32 QUEST_WITHOUT_ARGUMENT = 6;
constexpr int32 BRACES_UNSUPPORTED = 7;
constexpr int32 INVALID_ESCAPE = 8;
constexpr int32 GROUPS_UNSUPPORTED = 9;
constexpr int32 INVALID_HEX = 10;
constexpr int32 EMPTY_CLASS = 11;
constexpr int32 UNCLOSED_CLASS = 12;
constexpr int32 UNKNOWN_CLASS = 13;
constexpr int32 INVALID_RANGE = 14;
constexpr int32 TOO_COMPLEX = 15;
constexpr int32 INTERNAL = 16;
constexpr int32 TEMPLATE_INVALID_HEX = 17;
constexpr int32 TEMPLATE_BACKSLASH_AT_END = 18;
constexpr int32 TEMPLATE_GROUP_REFERENCE = 19;
}  // namespace RegexError

struct RegexNode {
    u32 kind;
    RegexNode* out;
    RegexNode* out1;  // SPLIT only
    u32 stamp;        // list generation in which the node was last added
    u32 mark;         // pass of assertion resolution that last added it
    int32 folded;     // a literal lower-cased, for matching without case
};

// A class's run of items: {ITEM_NEGATE, ITEM_NEGATE} first when negated,
// {code or ANY, ITEM_SINGLE}, {named kind, ITEM_NAMED}, {low, high} for a
// range, and {ITEM_END, ITEM_END} last.
struct RegexClassItem {
    u32 first;
    u32 second;
};

struct RegexList {
    RegexNode** elements;
    int32 count;
};

// Pattern code points to the postfix token stream; class members are
// appended to items. Throws BadRegExpError for a syntax error.
void RegexToPostfix(const u32* pattern, int64 count, PodArray<RegexClassItem>& items, PodArray<u32>& postfix);
// The postfix stream of the same expression with every concatenation reversed.
void RegexReversePostfix(PodArray<u32>& postfix);

// A code point lower-cased as the matching without case compares them.
int32 RegexFoldCase(int32 code);
// The code points from 128 on that a literal takes without case: itself
// when it is one, and every other that lower-cases as it does.
void RegexCaseTwins(u32 literal, std::vector<int32>& out);

BadRegExpError MakeBadRegExpError(int32 kind, const String& text);
// The pattern with U+00B7 inserted directly after the code point at index.
String PatternErrorText(const u32* pattern, int64 count, int64 index);

// A compiled search pattern: a Thompson automaton run with two state lists.
// Held by value and never copied: nodes point at the accept node inside it.
class RegExp {
public:
    RegExp() noexcept;
    ~RegExp();
    RegExp(const RegExp&) = delete;
    RegExp& operator=(const RegExp&) = delete;

    void Compile(const u32* pattern, int64 count, bool ignoreCase);
    void CompileReversed(const u32* pattern, int64 count, bool ignoreCase);
    void Clear() noexcept;

    // Among matches starting at or after from, the one that ends first, from
    // its earliest start, at its longest. Returns the start; stop is the match
    // end, or on failure min(text length, from + length) where the caller goes on.
    int64 FindForward(TextDocument& document, int64 from, int64& stop, int64 length);
    // The match with the largest start below position; stop is its end, or
    // on failure max(position - window, 0).
    int64 FindBackward(TextDocument& document, int64 position, int64& stop, int64 window);
    // The last match that ends at or before position; stop is its end, or on
    // failure max(position - 100000, 0).
    int64 FindBackwardBefore(TextDocument& document, int64 position, int64& stop);

    const RegexNode* StartNode() const { return start_; }
    const RegexNode* AcceptNode() const { return &accept_; }
    int64 NodeCount() const { return nodeCount_; }
    const PodArray<RegexClassItem>& ClassItems() const { return classItems_; }
    bool IgnoreCase() const { return ignoreCase_ != 0; }

private:
    friend class RegexRun;
    friend class RegexBytes;
    friend struct RegexTestAccess;

    void Build(const u32* pattern, int64 count, bool ignoreCase, bool reversed);
    void RegexBuildNfa(const PodArray<u32>& postfix, bool limited);
    RegexNode* RegexNewNode(u32 kind, RegexNode* out, RegexNode* out1);
    RegExp& Reversed();
    RegexDfa& Dfa();
    int64 SearchPosition(TextDocument& document, int64 position) const;
    int64 LongestMatchChars();

    TextDocument* subject_;
    int64 subjectLength_;
    u8 ignoreCase_;
    PodArray<u32> pattern_;
    PodArray<RegexNode> pool_;
    int64 nodeCount_;
    RegexNode accept_;
    RegexNode* start_;
    PodArray<RegexClassItem> classItems_;
    PodArray<RegexNode*> listBuffers_[2];
    RegexList lists_[2];
    u32 generation_;
    u8 assertion_;
    // Pending nodes of the closure walk and the resolution pass counter; the
    // walk is iterative so that no pattern can exhaust the call stack.
    PodArray<RegexNode*> work_;
    u32 markPass_;
    // Kept from search to search until the pattern changes: the reversed
    // expression, the states met so far, and the bytes that can begin a
    // match in one encoding.
    OwnPtr<RegExp> reversed_;
    OwnPtr<RegexDfa> dfa_;
    // The most characters a match can hold; -1 when unbounded, -2 until
    // computed.
    int64 longest_;
    struct FirstBytes {
        int32 encoding;  // 0 until computed
        bool usable;
        int ranges;  // runs of such bytes for a vector scan, near ones merged
        u8 range[8][2];
        // Sharper when there are few: the first two bytes a match can
        // begin with (pairs.pairs 0 when unused).
        BytePairRanges pairs;
        bool bytes[256];
    } firstBytes_;
    // The same for backward runs of the reversed expression: the last bytes
    // of the characters that can end a match, read from its end.
    FirstBytes lastBytes_;
    // When every match begins at a line start: pairs of a line-break byte
    // and a byte that can begin a match after it (usable false otherwise).
    FirstBytes lineBytes_;
    // Compiled as the reversed copy, whose states are run backward only;
    // the forward states may fold a step and the resolution after it.
    bool backwardOnly_;
    // Characters every match holds in a row (from its start or up to its
    // end), as bytes in one encoding, so that a backward run can pass over
    // the stretches without them.
    struct RequiredLiteral {
        int32 encoding;  // 0 until computed
        int length;      // 0 when there is none
        int rare;        // the byte looked for first, by index
        bool fold;       // ASCII letters compared without case
        u8 bytes[64];
    } literal_;
    // When there is no such literal: literals one of which every match
    // holds, one for each branch of an alternation that every match begins
    // (or ends) with, and a pair of bytes of each for a backward scan; or
    // the one literal of one or two bytes every match begins with.
    struct RequiredSet {
        int32 encoding;  // 0 until computed
        int count;       // 0 when there is none
        bool fold;       // ASCII letters compared without case
        BytePairRanges pairs;
        struct Member {
            int length;
            int pair;  // where the scanned pair of bytes begins; -1 for one byte alone
            u8 bytes[16];
        } members[8];
    } literalSet_;
    // Where the reversed run of the last backward search found its start,
    // so that the next search, from that start, goes on from there: the
    // text by its change count, the state there, and where the run began,
    // past the end of every match in progress at the search's position
    // that begins at or above floor (the bound that cut short the look for
    // such matches, 0 when none did).
    struct BackwardResume {
        u64 changes;  // 0 when there is nothing to go on from
        int64 resets;
        int64 from;
        int64 floor;
        int64 at;
        int32 state;
    } resume_;
};

// Expands a replacement template: escapes, and with positions, each "$0"
// removed and its output offset recorded for the caller to insert the match.
String PrepareReplacement(const String& replacement, PodArray<int32>* positions);
