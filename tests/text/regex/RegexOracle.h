#pragma once

// A slow, obviously correct matcher for the differential test: a pattern is
// a tree, and the ends reachable from each character index are computed as
// sets, so every match of the text is known. The searches are then picked
// from the full set of matches by their selection rules.

#include "base/CharUtils.h"
#include "base/Types.h"
#include "text/RegExp.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oracle {

// One character of a text: its first byte and its code as the matcher
// reads it (every line break 10, undecodable units negative).
struct Char {
    int64 offset;
    int32 code;
};

struct Text {
    std::vector<Char> chars;  // followed by nothing; size is the byte length
    int64 size = 0;

    int64 OffsetOf(size_t index) const { return index < chars.size() ? chars[index].offset : size; }
};

using Ends = std::vector<bool>;  // indexed by character index 0..n

struct ClassMember {
    enum Kind { Single, AnyChar, Range, Named } kind;
    u32 low, high;
};

struct Node {
    enum Kind { Literal, AnyChar, Named, Class, Assertion, Empty, Concat, Alt, Star, Plus, Quest } kind;
    u32 value = 0;
    bool negated = false;
    std::vector<ClassMember> members;
    std::vector<std::shared_ptr<Node>> kids;
};
using NodePtr = std::shared_ptr<Node>;

inline bool IsWord(int32 c)
{
    if (c < 128)
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    return IsCharType(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_ALPHA);
}

inline bool Bits(int32 c, int mask)
{
    return c >= 0 && IsCharType(c, mask);
}

inline int32 Fold(int32 c)
{
    if (c < 128)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    // UTF-16 units are lower-cased one by one: surrogates stay as they are.
    return c > 0xFFFF ? c : ToLowerCodePoint(c);
}

inline bool NamedInBrackets(u32 kind, int32 c)
{
    using namespace RegexKind;
    bool a = c < 128;
    bool digit = c >= '0' && c <= '9';
    bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
    switch (kind) {
    case CLS_ALNUM: return a ? digit || upper || lower : Bits(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_ALPHA);
    case CLS_ALPHA: return a ? upper || lower : Bits(c, C1_UPPER | C1_LOWER | C1_ALPHA);
    case CLS_LOWER: return a ? lower : Bits(c, C1_LOWER);
    case CLS_UPPER: return a ? upper : Bits(c, C1_UPPER);
    case CLS_WORD: return IsWord(c);
    case CLS_NOT_WORD: return !IsWord(c);
    case CLS_DIGIT: return a ? digit : Bits(c, C1_DIGIT);
    case CLS_NOT_DIGIT: return !(a ? digit : Bits(c, C1_DIGIT));
    case CLS_XDIGIT: return a ? digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') : Bits(c, C1_XDIGIT);
    case CLS_SPACE: return a ? c == 9 || c == 32 : Bits(c, C1_SPACE);
    case CLS_NOT_SPACE: return !(a ? c == 9 || c == 32 : Bits(c, C1_SPACE));
    case CLS_BLANK: return Bits(c, C1_BLANK);
    case CLS_ASCII: return a;
    case CLS_CNTRL: return a ? (c >= 0 && c <= 31) || c == 127 : Bits(c, C1_CNTRL);
    case CLS_GRAPH: return Bits(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_PUNCT | C1_ALPHA);
    case CLS_PRINT: return Bits(c, C1_UPPER | C1_LOWER | C1_DIGIT | C1_PUNCT | C1_BLANK | C1_ALPHA);
    case CLS_PUNCT: return Bits(c, C1_PUNCT);
    }
    return false;
}

// Named kinds written outside brackets (\d \D \s \S \w \W).
inline bool NamedOutside(u32 kind, int32 c)
{
    using namespace RegexKind;
    if (c == 10)
        return false;
    switch (kind) {
    case CLS_NOT_SPACE:
        return c < 128 ? c != 9 && c != 11 && c != 12 && c != 13 && c != 32 : !Bits(c, C1_SPACE);
    default:
        return NamedInBrackets(kind, c);
    }
}

inline bool ClassMatches(const Node& n, int32 c)
{
    if (c == 10) {
        if (n.negated)
            return false;
        for (const ClassMember& m : n.members)
            if (m.kind == ClassMember::Single && m.low == 10)
                return true;
        return false;
    }
    bool hit = false;
    for (const ClassMember& m : n.members) {
        switch (m.kind) {
        case ClassMember::Single: hit = hit || (c >= 0 && static_cast<u32>(c) == m.low); break;
        case ClassMember::AnyChar: hit = true; break;
        case ClassMember::Range: hit = hit || (c >= 0 && static_cast<u32>(c) >= m.low && static_cast<u32>(c) <= m.high); break;
        case ClassMember::Named: hit = hit || NamedInBrackets(m.low, c); break;
        }
    }
    return hit != n.negated;
}

class Matcher {
public:
    Matcher(const Text& text, bool ignoreCase) : t_(text), n_(text.chars.size()), ignoreCase_(ignoreCase) {}

    // Ends of the matches of node that begin at character index i.
    Ends From(const Node& node, size_t i) const
    {
        Ends out(n_ + 1, false);
        switch (node.kind) {
        case Node::Empty:
            out[i] = true;
            break;
        case Node::Literal:
        case Node::AnyChar:
        case Node::Named:
        case Node::Class:
            if (i < n_ && Consumes(node, t_.chars[i].code))
                out[i + 1] = true;
            break;
        case Node::Assertion:
            if (Holds(node.value, i))
                out[i] = true;
            break;
        case Node::Concat: {
            Ends cur(n_ + 1, false);
            cur[i] = true;
            for (const NodePtr& kid : node.kids) {
                Ends next(n_ + 1, false);
                for (size_t j = 0; j <= n_; j++)
                    if (cur[j])
                        Or(next, From(*kid, j));
                cur = next;
            }
            out = cur;
            break;
        }
        case Node::Alt:
            for (const NodePtr& kid : node.kids)
                Or(out, From(*kid, i));
            break;
        case Node::Quest:
            out = From(*node.kids[0], i);
            out[i] = true;
            break;
        case Node::Star:
        case Node::Plus: {
            // Closure by fixpoint: repeated iterations of the body.
            Ends reach = From(*node.kids[0], i);
            if (node.kind == Node::Star)
                reach[i] = true;
            std::vector<bool> done(n_ + 1, false);
            bool changed = true;
            while (changed) {
                changed = false;
                for (size_t j = 0; j <= n_; j++) {
                    if (reach[j] && !done[j]) {
                        done[j] = true;
                        Ends more = From(*node.kids[0], j);
                        for (size_t k = 0; k <= n_; k++)
                            if (more[k] && !reach[k])
                                reach[k] = changed = true;
                    }
                }
            }
            out = reach;
            break;
        }
        }
        return out;
    }

private:
    static void Or(Ends& a, const Ends& b)
    {
        for (size_t k = 0; k < a.size(); k++)
            a[k] = a[k] || b[k];
    }

    bool Consumes(const Node& node, int32 c) const
    {
        switch (node.kind) {
        case Node::Literal:
            if (c < 0)
                return false;
            return static_cast<u32>(c) == node.value || (ignoreCase_ && Fold(c) == Fold(static_cast<int32>(node.value)));
        case Node::AnyChar:
            return c != 10;
        case Node::Named:
            return NamedOutside(node.value, c);
        case Node::Class:
            return ClassMatches(node, c);
        default:
            return false;
        }
    }

    bool Holds(u32 kind, size_t i) const
    {
        using namespace RegexKind;
        int32 before = i > 0 ? t_.chars[i - 1].code : -1;
        int32 at = i < n_ ? t_.chars[i].code : -1;
        switch (kind) {
        case LINE_START: return i == 0 || before == 10;
        case LINE_END: return i == n_ || at == 10;
        case WORD_BOUNDARY:
        case NOT_WORD_BOUNDARY: {
            bool wb = before != -1 && before != 10 && IsWord(before);
            bool wa = at != -1 && at != 10 && IsWord(at);
            return (wb != wa) == (kind == WORD_BOUNDARY);
        }
        }
        return false;
    }

    const Text& t_;
    size_t n_;
    bool ignoreCase_;
};

struct Found {
    int64 start;
    int64 stop;
};

// All matches as (start index -> ends).
inline std::vector<Ends> AllMatches(const Node& root, const Text& text, bool ignoreCase)
{
    Matcher m(text, ignoreCase);
    std::vector<Ends> all;
    for (size_t i = 0; i <= text.chars.size(); i++)
        all.push_back(m.From(root, i));
    return all;
}

// First character index whose offset is at or after the byte offset.
inline size_t IndexAtOrAfter(const Text& t, int64 offset)
{
    size_t i = 0;
    while (i < t.chars.size() && t.chars[i].offset < offset)
        i++;
    return i;
}

// Forward search on a short text (the window and its slack reach past the end).
inline Found FindForward(const std::vector<Ends>& all, const Text& t, int64 from, int64 length)
{
    size_t n = t.chars.size();
    size_t first = IndexAtOrAfter(t, from);
    for (size_t e = first; e <= n; e++) {
        for (size_t s = first; s <= e; s++) {
            if (all[s][e]) {
                size_t longest = e;
                for (size_t k = e; k <= n; k++)
                    if (all[s][k])
                        longest = k;
                return Found{t.OffsetOf(s), t.OffsetOf(longest)};
            }
        }
    }
    int64 stop = from + length < t.size ? from + length : t.size;
    return Found{-1, stop};
}

inline Found FindBackward(const std::vector<Ends>& all, const Text& t, int64 position, int64 window)
{
    size_t n = t.chars.size();
    for (size_t s = n + 1; s-- > 0;) {
        if (t.OffsetOf(s) >= position)
            continue;
        for (size_t e = n + 1; e-- > s;)
            if (all[s][e])
                return Found{t.OffsetOf(s), t.OffsetOf(e)};
    }
    return Found{-1, position - window > 0 ? position - window : 0};
}

inline Found FindBackwardBefore(const std::vector<Ends>& all, const Text& t, int64 position)
{
    size_t n = t.chars.size();
    for (size_t s = n + 1; s-- > 0;) {
        for (size_t e = n + 1; e-- > s;)
            if (all[s][e] && t.OffsetOf(e) <= position)
                return Found{t.OffsetOf(s), t.OffsetOf(e)};
    }
    return Found{-1, position - 100000 > 0 ? position - 100000 : 0};
}

}  // namespace oracle
