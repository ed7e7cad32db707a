#include "text/RegExp.h"

#include "text/RegexDfa.h"

#include <cstring>
#include <vector>

using namespace RegexKind;

namespace {

constexpr int kMaxLevels = 100;
constexpr int kMaxFragments = 1000;
constexpr u32 kMiddleDot = 0x00B7;
// Literal values that would collide with the kinds are never produced by
// the find field; keep them below the kinds so they cannot pose as one.
constexpr u32 kLargestLiteral = ACCEPT - 1;

[[noreturn]] void Fail(int32 kind, const u32* pattern, int64 count, int64 index)
{
    throw MakeBadRegExpError(kind, PatternErrorText(pattern, count, index));
}

[[noreturn]] void FailWithoutText(int32 kind)
{
    throw MakeBadRegExpError(kind, String());
}

int HexValue(u32 c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

u32 LowerAscii(u32 c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

struct NamedClass {
    const char* name;
    u32 kind;
};

const NamedClass kNamedClasses[] = {
    {"alnum", CLS_ALNUM}, {"alpha", CLS_ALPHA}, {"ascii", CLS_ASCII}, {"blank", CLS_BLANK},
    {"cntrl", CLS_CNTRL}, {"digit", CLS_DIGIT}, {"graph", CLS_GRAPH}, {"lower", CLS_LOWER},
    {"print", CLS_PRINT}, {"punct", CLS_PUNCT}, {"space", CLS_SPACE}, {"upper", CLS_UPPER},
    {"word", CLS_WORD},   {"xdigit", CLS_XDIGIT},
};

// One escape: a token, or (backslash set) a literal backslash after which
// the escaped character is read again.
struct Escape {
    u32 token;
    bool backslash;
    int64 next;
};

class PostfixBuilder {
public:
    PostfixBuilder(const u32* pattern, int64 count, PodArray<RegexClassItem>& items, PodArray<u32>& out)
        : p_(pattern), n_(count), items_(items), out_(out)
    {
    }

    void Run();

private:
    u32 Literal(int64 i) const { return p_[i] > kLargestLiteral ? kLargestLiteral : p_[i]; }
    void Emit(u32 token) { out_.Insert(out_.Count(), token); }
    void EmitAtom(u32 token)
    {
        afterEmptyGroup_ = false;
        if (atoms_ > 1) {
            Emit(CONCAT);
            atoms_--;
        }
        Emit(token);
        atoms_++;
    }
    bool CloseLevel();
    Escape RegexParseEscape(int64 i, bool inBrackets);
    u32 ReadHex(int64 from, int digits, int64& next);
    u32 ReadBracedHex(int64 from, int64& next);
    u32 RegexParseClass(int64 i, int64& next);
    u32 ReadClassMember(int64 j, int64& next);
    u32 RegexParseNamedClass(int64 j, int64& next);
    void AddItem(u32 first, u32 second) { items_.Insert(items_.Count(), RegexClassItem{first, second}); }
    void AddMember(u32 member)
    {
        if (IsNamedClass(member))
            AddItem(member, ITEM_NAMED);
        else
            AddItem(member, ITEM_SINGLE);
    }

    const u32* p_;
    int64 n_;
    PodArray<RegexClassItem>& items_;
    PodArray<u32>& out_;
    int64 alts_ = 0;
    int64 atoms_ = 0;
    int64 empties_ = 0;
    // A group that vanished leaves nothing for a quantifier after it to
    // repeat; it must not fall on the atom before the group.
    bool afterEmptyGroup_ = false;
};

void PostfixBuilder::Run()
{
    struct Level {
        int64 alts, atoms, empties;
    };
    Level levels[kMaxLevels];
    int depth = 0;
    int64 i = 0;
    while (i < n_) {
        u32 c = p_[i];
        switch (c) {
        case '(':
            afterEmptyGroup_ = false;
            if (atoms_ > 1) {
                Emit(CONCAT);
                atoms_--;
            }
            if (depth == kMaxLevels)
                Fail(RegexError::TOO_MANY_PARENTHESES, p_, n_, i);
            levels[depth++] = Level{alts_, atoms_, empties_};
            alts_ = atoms_ = empties_ = 0;
            i++;
            break;
        case ')': {
            if (depth == 0)
                Fail(RegexError::PARENTHESES_MISMATCH, p_, n_, i);
            bool produced = CloseLevel();
            depth--;
            alts_ = levels[depth].alts;
            atoms_ = levels[depth].atoms;
            empties_ = levels[depth].empties;
            if (produced)
                atoms_++;
            afterEmptyGroup_ = !produced;
            i++;
            break;
        }
        case '|':
            afterEmptyGroup_ = false;
            if (atoms_ > 0) {
                while (--atoms_ > 0)
                    Emit(CONCAT);
                alts_++;
            } else {
                empties_++;
            }
            i++;
            break;
        case '*':
        case '+':
        case '?':
            if (atoms_ == 0)
                Fail(c == '*' ? RegexError::STAR_WITHOUT_ARGUMENT
                              : c == '+' ? RegexError::PLUS_WITHOUT_ARGUMENT : RegexError::QUEST_WITHOUT_ARGUMENT,
                     p_, n_, i);
            if (!afterEmptyGroup_)
                Emit(c == '*' ? STAR : c == '+' ? PLUS : QUEST);
            i++;
            break;
        case '{':
        case '}':
            Fail(RegexError::BRACES_UNSUPPORTED, p_, n_, i);
        case '\\':
            if (i == n_ - 1) {
                EmitAtom('\\');
                i++;
            } else {
                Escape e = RegexParseEscape(i, false);
                EmitAtom(e.token);
                i = e.next;
            }
            break;
        case '.':
            EmitAtom(ANY);
            i++;
            break;
        case '^':
            EmitAtom(LINE_START);
            i++;
            break;
        case '$':
            EmitAtom(LINE_END);
            i++;
            break;
        case '[': {
            int64 next;
            u32 token = RegexParseClass(i, next);
            EmitAtom(token);
            i = next;
            break;
        }
        default:
            EmitAtom(Literal(i));
            i++;
            break;
        }
    }
    if (depth > 0)
        Fail(RegexError::PARENTHESES_MISMATCH, p_, n_, n_);
    CloseLevel();
}

// Finishes the alternatives of one level; an empty alternative makes the
// whole level optional, and a level of nothing but empty ones vanishes.
bool PostfixBuilder::CloseLevel()
{
    bool produced = false;
    int64 e = 0;
    if (atoms_ > 0) {
        while (--atoms_ > 0)
            Emit(CONCAT);
        produced = true;
        e = empties_;
    } else if (alts_ > 0) {
        alts_--;
        produced = true;
        e = empties_ + 1;
    }
    for (; alts_ > 0; alts_--)
        Emit(ALT);
    if (produced && e > 0)
        Emit(QUEST);
    return produced;
}

Escape PostfixBuilder::RegexParseEscape(int64 i, bool inBrackets)
{
    if (i + 1 >= n_)
        Fail(RegexError::INVALID_ESCAPE, p_, n_, n_);
    u32 c = p_[i + 1];
    const Escape reread{'\\', true, i + 1};
    switch (c) {
    case '$':
    case '(':
    case ')':
    case '*':
    case '+':
    case '.':
    case '?':
    case '^':
    case '|':
        return inBrackets ? reread : Escape{c, false, i + 2};
    case 'b':
        return inBrackets ? reread : Escape{WORD_BOUNDARY, false, i + 2};
    case 'B':
        return inBrackets ? reread : Escape{NOT_WORD_BOUNDARY, false, i + 2};
    case 'd':
        return Escape{CLS_DIGIT, false, i + 2};
    case 'D':
        return Escape{CLS_NOT_DIGIT, false, i + 2};
    case 's':
        return Escape{CLS_SPACE, false, i + 2};
    case 'S':
        return Escape{CLS_NOT_SPACE, false, i + 2};
    case 'w':
        return Escape{CLS_WORD, false, i + 2};
    case 'W':
        return Escape{CLS_NOT_WORD, false, i + 2};
    case '[':
    case ']':
    case '\\':
        return Escape{c, false, i + 2};
    case 'f':
        return Escape{12, false, i + 2};
    case 'n':
        return Escape{10, false, i + 2};
    case 't':
        return Escape{9, false, i + 2};
    case 'v':
        return Escape{11, false, i + 2};
    case 'u': {
        Escape e{0, false, 0};
        e.token = ReadHex(i + 2, 4, e.next);
        return e;
    }
    case 'x': {
        Escape e{0, false, 0};
        if (i + 2 < n_ && p_[i + 2] == '{')
            e.token = ReadBracedHex(i + 3, e.next);
        else
            e.token = ReadHex(i + 2, 2, e.next);
        return e;
    }
    default:
        if (c >= '0' && c <= '9')
            Fail(RegexError::GROUPS_UNSUPPORTED, p_, n_, i + 2);
        return reread;
    }
}

u32 PostfixBuilder::ReadHex(int64 from, int digits, int64& next)
{
    u32 value = 0;
    for (int k = 0; k < digits; k++) {
        if (from + k >= n_)
            Fail(RegexError::INVALID_HEX, p_, n_, n_);
        int d = HexValue(p_[from + k]);
        if (d < 0)
            Fail(RegexError::INVALID_HEX, p_, n_, from + k);
        value = value * 16 + static_cast<u32>(d);
    }
    next = from + digits;
    return value;
}

u32 PostfixBuilder::ReadBracedHex(int64 from, int64& next)
{
    u32 value = 0;
    int64 j = from;
    while (j - from < 8 && j < n_ && HexValue(p_[j]) >= 0)
        value = value * 16 + static_cast<u32>(HexValue(p_[j++]));
    if (j == from || j >= n_ || p_[j] != '}' || value > 0x10FFFF)
        Fail(RegexError::INVALID_HEX, p_, n_, j);
    next = j + 1;
    return value;
}

// A bracket class from the '[' at i; its items go to the end of the item
// list and the token names the first of them.
u32 PostfixBuilder::RegexParseClass(int64 i, int64& next)
{
    int64 first = items_.Count();
    u32 token = static_cast<u32>(AsInt(static_cast<long long>(CLASS) + first));
    int64 j = i + 1;
    if (j < n_ && p_[j] == '^') {
        AddItem(ITEM_NEGATE, ITEM_NEGATE);
        j++;
    }
    if (j < n_ && p_[j] == ']')
        Fail(RegexError::EMPTY_CLASS, p_, n_, j);
    bool pending = false;
    u32 member = 0;
    if (j < n_ && p_[j] == '-') {
        pending = true;
        member = '-';
        j++;
    }
    for (;;) {
        if (j >= n_)
            Fail(RegexError::UNCLOSED_CLASS, p_, n_, n_);
        u32 c = p_[j];
        if (c == ']') {
            if (pending)
                AddMember(member);
            AddItem(ITEM_END, ITEM_END);
            next = j + 1;
            return token;
        }
        if (c == '-') {
            if (j + 1 >= n_)
                Fail(RegexError::UNCLOSED_CLASS, p_, n_, n_);
            if (p_[j + 1] == ']') {
                if (pending)
                    AddMember(member);
                pending = true;
                member = '-';
                j++;
                continue;
            }
            int64 after;
            u32 high = ReadClassMember(j + 1, after);
            if (!pending || member == ANY || IsNamedClass(member) || high == ANY || IsNamedClass(high))
                Fail(RegexError::INVALID_RANGE, p_, n_, after - 1);
            AddItem(member, high);
            pending = false;
            j = after;
            continue;
        }
        int64 after;
        u32 m = ReadClassMember(j, after);
        if (pending)
            AddMember(member);
        pending = true;
        member = m;
        j = after;
    }
}

u32 PostfixBuilder::ReadClassMember(int64 j, int64& next)
{
    u32 c = p_[j];
    if (c == '.') {
        next = j + 1;
        return ANY;
    }
    if (c == '\\') {
        Escape e = RegexParseEscape(j, true);
        next = e.next;
        return e.token;
    }
    if (c == '[')
        return RegexParseNamedClass(j, next);
    next = j + 1;
    return Literal(j);
}

// "[:name:]" from the inner '[' at j.
u32 PostfixBuilder::RegexParseNamedClass(int64 j, int64& next)
{
    if (j + 1 >= n_ || p_[j + 1] != ':')
        Fail(RegexError::UNKNOWN_CLASS, p_, n_, j + 1);
    int64 k = j + 2;
    while (k < n_ && p_[k] != ':')
        k++;
    if (k >= n_)
        Fail(RegexError::UNKNOWN_CLASS, p_, n_, n_);
    if (k + 1 >= n_ || p_[k + 1] != ']')
        Fail(RegexError::UNKNOWN_CLASS, p_, n_, k + 1);
    int64 length = k - (j + 2);
    for (const NamedClass& named : kNamedClasses) {
        if (static_cast<int64>(strlen(named.name)) != length)
            continue;
        int64 m = 0;
        while (m < length && LowerAscii(p_[j + 2 + m]) == static_cast<u32>(named.name[m]))
            m++;
        if (m == length) {
            next = k + 2;
            return named.kind;
        }
    }
    Fail(RegexError::UNKNOWN_CLASS, p_, n_, k + 2);
}

}  // namespace

BadRegExpError MakeBadRegExpError(int32 kind, const String& text)
{
    return BadRegExpError(kind, text.IsEmpty() ? nullptr : text.CStr());
}

String PatternErrorText(const u32* pattern, int64 count, int64 index)
{
    std::vector<wchar_t> units;
    units.reserve(static_cast<size_t>(count) + 3);
    if (index < 0)
        units.push_back(kMiddleDot);
    for (int64 i = 0; i < count; i++) {
        u32 c = pattern[i];
        if (c <= 0xFFFF) {
            units.push_back(static_cast<wchar_t>(c));
        } else if (c <= 0x10FFFF) {
            units.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(0xFFFD);
        }
        if (i == index)
            units.push_back(kMiddleDot);
    }
    if (index >= count)
        units.push_back(kMiddleDot);
    return String(units.data(), static_cast<int64>(units.size()));
}

void RegexToPostfix(const u32* pattern, int64 count, PodArray<RegexClassItem>& items, PodArray<u32>& postfix)
{
    PostfixBuilder(pattern, count, items, postfix).Run();
}

// Rewrites the stream with every concatenation's operands swapped. Each
// operand span is a linked run of token indices, so a swap costs O(1) and
// the whole rewrite stays linear in the pattern.
void RegexReversePostfix(PodArray<u32>& postfix)
{
    int64 n = postfix.Count();
    if (n == 0)
        return;
    struct Span {
        int64 head, tail;
    };
    std::vector<int64> next(static_cast<size_t>(n), -1);
    std::vector<Span> spans;
    const u32* in = postfix.Data();
    for (int64 k = 0; k < n; k++) {
        u32 t = in[k];
        if (t == STAR || t == PLUS || t == QUEST) {
            if (spans.empty())
                throw IndexError();
            next[static_cast<size_t>(spans.back().tail)] = k;
            spans.back().tail = k;
        } else if (t == CONCAT || t == ALT) {
            if (spans.size() < 2)
                throw IndexError();
            Span second = spans.back();
            spans.pop_back();
            Span first = spans.back();
            next[static_cast<size_t>(second.tail)] = first.head;
            next[static_cast<size_t>(first.tail)] = k;
            spans.back() = Span{second.head, k};
        } else {
            spans.push_back(Span{k, k});
        }
    }
    if (spans.size() != 1)
        throw IndexError();
    PodArray<u32> reversed;
    reversed.Resize(n);
    u32* out = reversed.Data();
    int64 written = 0;
    for (int64 k = spans[0].head; k >= 0; k = next[static_cast<size_t>(k)])
        out[written++] = in[k];
    postfix = reversed;
}

RegExp::RegExp() noexcept
    : subject_(nullptr),
      subjectLength_(0),
      ignoreCase_(0),
      nodeCount_(0),
      accept_{ACCEPT, nullptr, nullptr, 0, 0, 0},
      start_(nullptr),
      lists_{{nullptr, 0}, {nullptr, 0}},
      generation_(0),
      assertion_(0),
      markPass_(0),
      longest_(-2),
      firstBytes_{0, false, 0, {}, {}, {}},
      lastBytes_{0, false, 0, {}, {}, {}},
      lineBytes_{0, false, 0, {}, {}, {}},
      backwardOnly_(false),
      literal_{0, 0, 0, false, {}},
      literalSet_{0, 0, false, {}, {}},
      resume_{0, 0, 0, 0, 0, 0}
{
}

RegExp::~RegExp()
{
    Clear();
}

void RegExp::Clear() noexcept
{
    pattern_.Release();
    classItems_.Release();
    pool_.Release();
    listBuffers_[0].Release();
    listBuffers_[1].Release();
    work_.Release();
    lists_[0] = lists_[1] = RegexList{nullptr, 0};
    nodeCount_ = 0;
    start_ = nullptr;
    accept_.stamp = accept_.mark = 0;
    reversed_.Reset(nullptr);
    dfa_.Reset(nullptr);
    firstBytes_.encoding = 0;
    lastBytes_.encoding = 0;
    lineBytes_.encoding = 0;
    literal_.encoding = 0;
    literalSet_.encoding = 0;
    resume_.changes = 0;
    longest_ = -2;
}

void RegExp::Compile(const u32* pattern, int64 count, bool ignoreCase)
{
    Build(pattern, count, ignoreCase, false);
}

void RegExp::CompileReversed(const u32* pattern, int64 count, bool ignoreCase)
{
    Build(pattern, count, ignoreCase, true);
}

void RegExp::Build(const u32* pattern, int64 count, bool ignoreCase, bool reversed)
{
    // A refused pattern leaves nothing of the previous one to search with.
    try {
        AsInt(static_cast<long long>(count));
    } catch (...) {
        Clear();
        throw;
    }
    PodArray<u32> copy;
    copy.Resize(count);
    if (count > 0)
        memcpy(copy.Data(), pattern, static_cast<size_t>(count) * sizeof(u32));
    Clear();
    pattern_ = copy;
    ignoreCase_ = ignoreCase ? 1 : 0;
    backwardOnly_ = reversed;

    PodArray<u32> postfix;
    RegexToPostfix(pattern_.Data(), count, classItems_, postfix);
    if (reversed)
        RegexReversePostfix(postfix);
    RegexBuildNfa(postfix, !reversed);
    if (!start_)
        throw InternalError();
    if (ignoreCase_) {
        RegexNode* nodes = pool_.Data();
        for (int64 i = 0; i < nodeCount_; i++)
            if (IsLiteral(nodes[i].kind))
                nodes[i].folded = RegexFoldCase(static_cast<int32>(nodes[i].kind));
    }

    for (PodArray<RegexNode*>& buffer : listBuffers_)
        buffer.Resize(nodeCount_ + 1);
    work_.Resize(2 * nodeCount_ + 2);
    lists_[0] = RegexList{listBuffers_[0].Data(), 0};
    lists_[1] = RegexList{listBuffers_[1].Data(), 0};
    generation_ = 0;
    markPass_ = 0;
}

RegexNode* RegExp::RegexNewNode(u32 kind, RegexNode* out, RegexNode* out1)
{
    RegexNode& node = pool_.At(nodeCount_);
    node = RegexNode{kind, out, out1, 0, 0, static_cast<int32>(kind)};
    nodeCount_++;
    return &node;
}

// Thompson's construction. The dangling exits of a fragment are a linked
// run of slot numbers (node index * 2, plus 1 for out1). A pattern that
// leaves more than 1000 fragments pending is too complex; its reversal is
// built without that limit, since reversing turns a plain run of literals,
// which pairs up as it comes, into one that piles up a fragment each.
void RegExp::RegexBuildNfa(const PodArray<u32>& postfix, bool limited)
{
    int64 tokens = postfix.Count();
    if (tokens == 0)
        FailWithoutText(RegexError::EMPTY_PATTERN);
    int64 poolSize = 1;
    const u32* t = postfix.Data();
    for (int64 k = 0; k < tokens; k++)
        if (t[k] != CONCAT)
            poolSize++;
    pool_.Resize(poolSize);
    nodeCount_ = 0;

    struct Fragment {
        RegexNode* start;
        int64 head, tail;
    };
    std::vector<int64> nextSlot(static_cast<size_t>(2 * poolSize), -1);
    RegexNode* base = pool_.Data();
    auto slotOf = [&](RegexNode* node, int which) { return (node - base) * 2 + which; };
    auto patch = [&](const Fragment& f, RegexNode* to) {
        for (int64 s = f.head; s >= 0; s = nextSlot[static_cast<size_t>(s)]) {
            RegexNode& node = base[s / 2];
            (s % 2 ? node.out1 : node.out) = to;
        }
    };
    auto join = [&](Fragment& f, int64 head, int64 tail) {
        nextSlot[static_cast<size_t>(f.tail)] = head;
        f.tail = tail;
    };

    std::vector<Fragment> fragments(static_cast<size_t>(limited ? kMaxFragments + 1 : tokens));
    Fragment* stack = fragments.data();
    int64 depth = 0;
    for (int64 k = 0; k < tokens; k++) {
        if (limited && depth > kMaxFragments)
            FailWithoutText(RegexError::TOO_COMPLEX);
        u32 token = t[k];
        switch (token) {
        case CONCAT: {
            if (depth < 2)
                FailWithoutText(RegexError::INTERNAL);
            Fragment e2 = stack[--depth];
            Fragment& e1 = stack[depth - 1];
            patch(e1, e2.start);
            e1.head = e2.head;
            e1.tail = e2.tail;
            break;
        }
        case ALT: {
            if (depth < 2)
                FailWithoutText(RegexError::INTERNAL);
            Fragment e2 = stack[--depth];
            Fragment& e1 = stack[depth - 1];
            e1.start = RegexNewNode(SPLIT, e1.start, e2.start);
            join(e1, e2.head, e2.tail);
            break;
        }
        case STAR:
        case PLUS:
        case QUEST: {
            if (depth < 1)
                FailWithoutText(RegexError::INTERNAL);
            Fragment& e = stack[depth - 1];
            RegexNode* split = RegexNewNode(SPLIT, e.start, nullptr);
            int64 exit = slotOf(split, 1);
            if (token == QUEST) {
                join(e, exit, exit);
                e.start = split;
            } else {
                patch(e, split);
                e.head = e.tail = exit;
                if (token == STAR)
                    e.start = split;
            }
            break;
        }
        default: {
            RegexNode* node = RegexNewNode(token, nullptr, nullptr);
            int64 exit = slotOf(node, 0);
            stack[depth++] = Fragment{node, exit, exit};
            break;
        }
        }
    }
    if (depth != 1)
        FailWithoutText(RegexError::INTERNAL);
    patch(stack[0], &accept_);
    start_ = stack[0].start;
}
