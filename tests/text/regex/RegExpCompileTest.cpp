#include "text/RegExp.h"

#include "RegexTestSupport.h"

#include <doctest.h>

#include <cwchar>
#include <random>

using namespace RegexKind;

namespace {

struct Parsed {
    std::vector<u32> tokens;
    std::vector<RegexClassItem> items;
};

Parsed Parse(const std::wstring& pattern)
{
    std::vector<u32> cps = CodePoints(pattern);
    PodArray<RegexClassItem> items;
    PodArray<u32> postfix;
    RegexToPostfix(cps.data(), static_cast<int64>(cps.size()), items, postfix);
    Parsed p;
    p.tokens.assign(postfix.Data(), postfix.Data() + postfix.Count());
    p.items.assign(items.Data(), items.Data() + items.Count());
    return p;
}

std::vector<u32> Postfix(const std::wstring& pattern)
{
    return Parse(pattern).tokens;
}

std::vector<u32> Reversed(const std::wstring& pattern)
{
    std::vector<u32> cps = CodePoints(pattern);
    PodArray<RegexClassItem> items;
    PodArray<u32> postfix;
    RegexToPostfix(cps.data(), static_cast<int64>(cps.size()), items, postfix);
    RegexReversePostfix(postfix);
    return std::vector<u32>(postfix.Data(), postfix.Data() + postfix.Count());
}

struct Outcome {
    bool failed = false;
    int32 code = 0;
    int32 kind = 0;
    std::string message;
};

Outcome CompileOutcome(const std::wstring& pattern)
{
    std::vector<u32> cps = CodePoints(pattern);
    RegExp re;
    Outcome o;
    try {
        re.Compile(cps.data(), static_cast<int64>(cps.size()), false);
    } catch (const Error& e) {
        o.failed = true;
        o.code = e.code;
        o.kind = e.subcode;
        o.message = MessageOf(e);
    }
    re.Clear();
    return o;
}

bool SameItems(const std::vector<RegexClassItem>& a, const std::vector<RegexClassItem>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i].first != b[i].first || a[i].second != b[i].second)
            return false;
    return true;
}

const std::wstring kDot = L"\u00B7";

}  // namespace

TEST_CASE("an empty alternative makes its level optional")
{
    std::vector<u32> quest = Postfix(L"a?");
    CHECK(quest == std::vector<u32>{'a', QUEST});
    CHECK(Postfix(L"a|") == quest);
    CHECK(Postfix(L"|a") == quest);
    CHECK(Postfix(L"(a|)") == quest);
    CHECK(Postfix(L"(|a)") == quest);
    CHECK(Postfix(L"a||b") == std::vector<u32>{'a', 'b', ALT, QUEST});
    CHECK(Postfix(L"x(a|)") == std::vector<u32>{'x', 'a', QUEST, CONCAT});
    CHECK(Postfix(L"x()y") == std::vector<u32>{'x', 'y', CONCAT});
    CHECK(Postfix(L"ab|cd") == std::vector<u32>{'a', 'b', CONCAT, 'c', 'd', CONCAT, ALT});
    CHECK(Postfix(L"a(b|c)*d") == std::vector<u32>{'a', 'b', 'c', ALT, STAR, CONCAT, 'd', CONCAT});
}

TEST_CASE("a quantifier after a group that vanished repeats nothing")
{
    std::vector<u32> ab = Postfix(L"ab");
    CHECK(Postfix(L"ab()*") == ab);
    CHECK(Postfix(L"ab()+") == ab);
    CHECK(Postfix(L"ab(|)?") == ab);
    CHECK(Postfix(L"ab(())*+?") == ab);
    CHECK(Postfix(L"a()*b") == ab);
    CHECK(Postfix(L"ab(|)?c") == Postfix(L"abc"));
    CHECK(Postfix(L"a(b()*)+") == Postfix(L"a(b)+"));
    CHECK(Postfix(L"(a|)()*") == std::vector<u32>{'a', QUEST});
    CHECK(Postfix(L"(ab)()*") == ab);
    // A quantifier after the group still counts once something follows it.
    CHECK(Postfix(L"a()b*") == std::vector<u32>{'a', 'b', STAR, CONCAT});
    // With nothing before the group the quantifier still has no argument.
    CHECK(CompileOutcome(L"()*").kind == RegexError::STAR_WITHOUT_ARGUMENT);
    CHECK(CompileOutcome(L"x|(|)+").kind == RegexError::PLUS_WITHOUT_ARGUMENT);
}

TEST_CASE("quantifiers stack and apply to anchors and boundaries")
{
    CHECK(Postfix(L"a**") == std::vector<u32>{'a', STAR, STAR});
    CHECK(Postfix(L"a+?*") == std::vector<u32>{'a', PLUS, QUEST, STAR});
    CHECK(Postfix(L"^*$+") == std::vector<u32>{LINE_START, STAR, LINE_END, PLUS, CONCAT});
    CHECK(Postfix(L"\\b?") == std::vector<u32>{WORD_BOUNDARY, QUEST});
}

TEST_CASE("escapes outside brackets")
{
    CHECK(Postfix(L"a\\") == std::vector<u32>{'a', '\\', CONCAT});
    CHECK(Postfix(L"\\r") == std::vector<u32>{'\\', 'r', CONCAT});
    CHECK(Postfix(L"\\q") == std::vector<u32>{'\\', 'q', CONCAT});
    CHECK(Postfix(L"\\x{1F600}") == std::vector<u32>{0x1F600});
    CHECK(Postfix(L"\\x{0}") == std::vector<u32>{0});
    CHECK(Postfix(L"\\u00e9\\x4A") == std::vector<u32>{0xE9, 0x4A, CONCAT});
    CHECK(Postfix(L"\\f\\n\\t\\v") == std::vector<u32>{12, 10, CONCAT, 9, CONCAT, 11, CONCAT});
    std::vector<u32> specials = Postfix(L"\\$\\(\\)\\*\\+\\.\\?\\^\\|\\[\\]\\\\");
    std::vector<u32> literals;
    for (u32 c : std::wstring(L"$()*+.?^|[]\\")) {
        literals.push_back(c);
        if (literals.size() > 1)
            literals.push_back(CONCAT);
    }
    CHECK(specials == literals);
    CHECK(Postfix(L"\\b\\B") == std::vector<u32>{WORD_BOUNDARY, NOT_WORD_BOUNDARY, CONCAT});
    CHECK(Postfix(L"\\d|\\D|\\s|\\S|\\w|\\W") ==
          std::vector<u32>{CLS_DIGIT, CLS_NOT_DIGIT, CLS_SPACE, CLS_NOT_SPACE, CLS_WORD, CLS_NOT_WORD, ALT, ALT, ALT,
                           ALT, ALT});
    CHECK(Postfix(L".^$]") == std::vector<u32>{ANY, LINE_START, CONCAT, LINE_END, CONCAT, ']', CONCAT});
    // A surrogate pair in the pattern is one literal.
    CHECK(Postfix(L"\U0001F600") == std::vector<u32>{0x1F600});
}

TEST_CASE("bracket classes hold their members as items")
{
    const RegexClassItem end{ITEM_END, ITEM_END};
    auto single = [](u32 c) { return RegexClassItem{c, ITEM_SINGLE}; };

    Parsed dot = Parse(L"[\\.]");
    CHECK(dot.tokens == std::vector<u32>{CLASS});
    CHECK(SameItems(dot.items, {single('\\'), single(ANY), end}));

    CHECK(SameItems(Parse(L"[\\]]").items, {single(']'), end}));
    CHECK(SameItems(Parse(L"[-a]").items, {single('-'), single('a'), end}));
    CHECK(SameItems(Parse(L"[a-]").items, {single('a'), single('-'), end}));
    CHECK(SameItems(Parse(L"[^-]").items, {{ITEM_NEGATE, ITEM_NEGATE}, single('-'), end}));
    CHECK(SameItems(Parse(L"[c-a]").items, {{'c', 'a'}, end}));
    CHECK(SameItems(Parse(L"[a\\-y]").items, {single('a'), {'\\', 'y'}, end}));
    CHECK(SameItems(Parse(L"[\\b\\n]").items, {single('\\'), single('b'), single(10), end}));
    CHECK(SameItems(Parse(L"[\\x00-\\x7f\\d]").items, {{0, 0x7F}, {CLS_DIGIT, ITEM_NAMED}, end}));
    CHECK(SameItems(Parse(L"[[:ALPHA:][:xdigit:]_]").items,
                    {{CLS_ALPHA, ITEM_NAMED}, {CLS_XDIGIT, ITEM_NAMED}, single('_'), end}));
    CHECK(SameItems(Parse(L"[a-\\]]").items, {{'a', ']'}, end}));

    // Each class's token names the first item of its run.
    Parsed two = Parse(L"[ab][^c]");
    CHECK(two.tokens == std::vector<u32>{CLASS, CLASS + 3, CONCAT});
    CHECK(SameItems(two.items, {single('a'), single('b'), end, {ITEM_NEGATE, ITEM_NEGATE}, single('c'), end}));
}

TEST_CASE("every compile error carries its kind and the marked pattern")
{
    struct Case {
        const wchar_t* pattern;
        int32 kind;
        std::wstring message;
    };
    std::wstring deep(101, L'(');
    const Case cases[] = {
        {L"", 1, L""},
        {L"()", 1, L""},
        {L"(|)", 1, L""},
        {L"|", 1, L""},
        {L"(()|())", 1, L""},
        {L"ab)c", 3, L"ab)" + kDot + L"c"},
        {L"(ab", 3, L"(ab" + kDot},
        {L"*a", 4, L"*" + kDot + L"a"},
        {L"a|*", 4, L"a|*" + kDot},
        {L"(*)", 4, L"(*" + kDot + L")"},
        {L"()*", 4, L"()*" + kDot},
        {L"+", 5, L"+" + kDot},
        {L"(?)", 6, L"(?" + kDot + L")"},
        {L"a{2}", 7, L"a{" + kDot + L"2}"},
        {L"\\{", 7, L"\\{" + kDot},
        {L"x}", 7, L"x}" + kDot},
        {L"[a\\", 8, L"[a\\" + kDot},
        {L"\\1", 9, L"\\1" + kDot},
        {L"\\1x", 9, L"\\1x" + kDot},
        {L"\\x{110000}", 10, L"\\x{110000}" + kDot},
        {L"\\x{}", 10, L"\\x{}" + kDot},
        {L"\\xG1", 10, L"\\xG" + kDot + L"1"},
        {L"\\u12", 10, L"\\u12" + kDot},
        {L"\\x{123456789}", 10, L"\\x{123456789" + kDot + L"}"},
        {L"\\x{12", 10, L"\\x{12" + kDot},
        {L"[]", 11, L"[]" + kDot},
        {L"[^]a", 11, L"[^]" + kDot + L"a"},
        {L"[ab", 12, L"[ab" + kDot},
        {L"[a-", 12, L"[a-" + kDot},
        {L"[", 12, L"[" + kDot},
        {L"[[:alph:]]", 13, L"[[:alph:]]" + kDot},
        {L"[[a]", 13, L"[[a" + kDot + L"]"},
        {L"[[:alpha", 13, L"[[:alpha" + kDot},
        {L"[[:alpha:x]", 13, L"[[:alpha:x" + kDot + L"]"},
        {L"[a-c-e]", 14, L"[a-c-e" + kDot + L"]"},
        {L"[.-z]", 14, L"[.-z" + kDot + L"]"},
        {L"[a-\\d]", 14, L"[a-\\d" + kDot + L"]"},
        {L"[\\w-z]", 14, L"[\\w-z" + kDot + L"]"},
        {L"[a-[:digit:]]", 14, L"[a-[:digit:]" + kDot + L"]"},
        {L"\U0001F600)", 3, L"\U0001F600)" + kDot},
    };
    for (const Case& c : cases) {
        CAPTURE(Narrow(c.pattern));
        Outcome o = CompileOutcome(c.pattern);
        REQUIRE(o.failed);
        CHECK(o.code == -5000);
        CHECK(o.kind == c.kind);
        CHECK(o.message == Narrow(c.message));
    }

    Outcome tooDeep = CompileOutcome(deep + L"a");
    CHECK(tooDeep.kind == 2);
    CHECK(tooDeep.message == Narrow(deep + kDot + L"a"));
    CHECK_FALSE(CompileOutcome(std::wstring(100, L'(') + L"a" + std::wstring(100, L')')).failed);
}

TEST_CASE("more than a thousand pending fragments is too complex")
{
    auto alternatives = [](int n) {
        std::wstring p = L"a";
        for (int i = 1; i < n; i++)
            p += L"|a";
        return p;
    };
    CHECK_FALSE(CompileOutcome(alternatives(1000)).failed);
    Outcome o = CompileOutcome(alternatives(1001));
    CHECK(o.kind == 15);
    CHECK(o.message.empty());
}

TEST_CASE("pattern error text marks the position with a middle dot")
{
    std::vector<u32> cps = CodePoints(L"ab\U0001F600c");
    CHECK(Narrow(PatternErrorText(cps.data(), 4, 2).CStr()) == Narrow(L"ab\U0001F600" + kDot + L"c"));
    CHECK(Narrow(PatternErrorText(cps.data(), 4, 4).CStr()) == Narrow(L"ab\U0001F600c" + kDot));
    CHECK(Narrow(PatternErrorText(cps.data(), 4, 9).CStr()) == Narrow(L"ab\U0001F600c" + kDot));
    CHECK(Narrow(PatternErrorText(nullptr, 0, 0).CStr()) == Narrow(kDot));
    BadRegExpError e = MakeBadRegExpError(12, String(L"x"));
    CHECK(e.code == -5000);
    CHECK(e.subcode == 12);
    CHECK(MessageOf(e) == "x");
}

TEST_CASE("reversal reverses every concatenation")
{
    CHECK(Reversed(L"abc") == std::vector<u32>{'c', 'b', 'a', CONCAT, CONCAT});
    CHECK(Reversed(L"(ab|cd)*e") == Postfix(L"e(dc|ba)*"));
    CHECK(Reversed(L"a(bc)+d?") == std::vector<u32>{'d', QUEST, 'c', 'b', CONCAT, PLUS, 'a', CONCAT, CONCAT});
    CHECK(Reversed(L"^ab$") == std::vector<u32>{LINE_END, 'b', 'a', LINE_START, CONCAT, CONCAT, CONCAT});
    CHECK(Reversed(L"[a-c]x\\b") == std::vector<u32>{WORD_BOUNDARY, 'x', CLASS, CONCAT, CONCAT});
    CHECK(Reversed(L"a") == Postfix(L"a"));

    // Reversing twice gives the original stream back.
    std::mt19937 rng(20240611);
    const wchar_t alphabet[] = L"ab.^$|()*+?";
    for (int round = 0; round < 2000; round++) {
        std::wstring p;
        int len = 1 + static_cast<int>(rng() % 10);
        for (int i = 0; i < len; i++)
            p += alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
        std::vector<u32> cps = CodePoints(p);
        PodArray<RegexClassItem> items;
        PodArray<u32> postfix;
        try {
            RegexToPostfix(cps.data(), static_cast<int64>(cps.size()), items, postfix);
        } catch (const Error&) {
            continue;
        }
        std::vector<u32> original(postfix.Data(), postfix.Data() + postfix.Count());
        RegexReversePostfix(postfix);
        RegexReversePostfix(postfix);
        CAPTURE(Narrow(p));
        CHECK(std::vector<u32>(postfix.Data(), postfix.Data() + postfix.Count()) == original);
    }
}

TEST_CASE("a malformed postfix stream cannot be reversed")
{
    PodArray<u32> postfix;
    postfix.Insert(0, CONCAT);
    CHECK_THROWS_AS(RegexReversePostfix(postfix), IndexError);
    PodArray<u32> two;
    two.Insert(0, 'a');
    two.Insert(1, 'b');
    CHECK_THROWS_AS(RegexReversePostfix(two), IndexError);
}

TEST_CASE("compiling builds a pool of exactly the needed nodes")
{
    RegExp re;
    std::vector<u32> cps = CodePoints(L"ab*|[cd]");
    re.Compile(cps.data(), static_cast<int64>(cps.size()), true);
    // a, b, SPLIT for *, class, SPLIT for |
    CHECK(re.NodeCount() == 5);
    CHECK(re.IgnoreCase());
    REQUIRE(re.StartNode() != nullptr);
    CHECK(re.StartNode()->kind == SPLIT);
    CHECK(re.AcceptNode()->kind == ACCEPT);

    std::vector<u32> other = CodePoints(L"[x]");
    re.Compile(other.data(), static_cast<int64>(other.size()), false);
    CHECK(re.NodeCount() == 1);
    CHECK(re.ClassItems().Count() == 2);
    CHECK(re.StartNode()->kind == CLASS);
    CHECK(re.StartNode()->out == re.AcceptNode());
    CHECK_FALSE(re.IgnoreCase());

    re.Clear();
    CHECK(re.NodeCount() == 0);
    CHECK(re.StartNode() == nullptr);
    CHECK(re.ClassItems().Count() == 0);
}

TEST_CASE("stacked quantifiers compile into a chain of splits")
{
    std::vector<u32> cps(50001, '*');
    cps[0] = 'a';
    RegExp re;
    re.Compile(cps.data(), static_cast<int64>(cps.size()), false);
    CHECK(re.NodeCount() == 50001);
    CHECK(re.StartNode()->kind == SPLIT);
}

TEST_CASE("literal values in the kinds' range stay literals")
{
    const u32 cps[] = {SPLIT, 'x'};
    RegExp re;
    re.Compile(cps, 2, false);
    REQUIRE(re.StartNode() != nullptr);
    CHECK(IsLiteral(re.StartNode()->kind));

    const u32 cls[] = {'[', ITEM_END, ']'};
    PodArray<RegexClassItem> items;
    PodArray<u32> postfix;
    RegexToPostfix(cls, 3, items, postfix);
    REQUIRE(items.Count() == 2);
    CHECK(IsLiteral(items.At(0).first));
    CHECK(items.At(0).second == ITEM_SINGLE);
}

TEST_CASE("a pattern longer than 32-bit counts is refused before it is read")
{
    u32 one = 'a';
    RegExp re;
    std::vector<u32> before = CodePoints(L"ab");
    re.Compile(before.data(), static_cast<int64>(before.size()), false);
    REQUIRE(re.StartNode() != nullptr);
    try {
        re.Compile(&one, 1LL << 31, false);
        FAIL("no error");
    } catch (const CheckFailed& e) {
        CHECK(MessageOf(e) == "AsInt(int64)");
    }
    // Nothing of the previous expression is left to search with.
    CHECK(re.StartNode() == nullptr);
    CHECK(re.NodeCount() == 0);
}

TEST_CASE("a failed compilation keeps nothing of the previous expression")
{
    RegExp re;
    std::vector<u32> good = CodePoints(L"[ab]c|d");
    re.Compile(good.data(), static_cast<int64>(good.size()), true);
    REQUIRE(re.ClassItems().Count() == 3);
    for (const wchar_t* bad : {L"(", L"[x", L"", L"a{"}) {
        CAPTURE(Narrow(bad));
        std::vector<u32> cps = CodePoints(bad);
        CHECK_THROWS_AS(re.Compile(cps.data(), static_cast<int64>(cps.size()), false), BadRegExpError);
        CHECK(re.StartNode() == nullptr);
        CHECK_FALSE(re.IgnoreCase());
        // The class items of the old pattern are gone; a bad class may have
        // left its own first items.
        CHECK(re.ClassItems().Count() <= 1);
        re.Compile(good.data(), static_cast<int64>(good.size()), true);
    }
}

TEST_CASE("escapes inside brackets")
{
    const RegexClassItem end{ITEM_END, ITEM_END};
    auto single = [](u32 c) { return RegexClassItem{c, ITEM_SINGLE}; };
    // The characters that an escape makes literal outside brackets stand
    // for a backslash and then themselves inside them.
    for (wchar_t c : std::wstring(L"$()*+?^|")) {
        std::wstring pattern = L"[x\\";
        pattern += c;
        pattern += L"]";
        CAPTURE(Narrow(pattern));
        CHECK(SameItems(Parse(pattern).items, {single('x'), single('\\'), single(c), end}));
    }
    CHECK(SameItems(Parse(L"[\\B]").items, {single('\\'), single('B'), end}));
    // A brace is no error inside brackets, escaped or not.
    CHECK(SameItems(Parse(L"[\\{}]").items, {single('\\'), single('{'), single('}'), end}));
    CHECK(SameItems(Parse(L"[\\[\\\\]").items, {single('['), single('\\'), end}));
    CHECK(SameItems(Parse(L"[\\f\\t\\v\\u00e9\\x{1F600}\\x41]").items,
                    {single(12), single(9), single(11), single(0xE9), single(0x1F600), single('A'), end}));
    CHECK(SameItems(Parse(L"[\\D\\S\\W]").items,
                    {{CLS_NOT_DIGIT, ITEM_NAMED}, {CLS_NOT_SPACE, ITEM_NAMED}, {CLS_NOT_WORD, ITEM_NAMED}, end}));
    // Ranges may end in an escape, and an escaped start is a range's low end.
    CHECK(SameItems(Parse(L"[\\x30-\\u0039]").items, {{'0', '9'}, end}));
    CHECK(SameItems(Parse(L"[\\t-\\]]").items, {{9, ']'}, end}));
    CHECK(SameItems(Parse(L"[--/]").items, {{'-', '/'}, end}));

    CHECK(CompileOutcome(L"[\\1]").kind == 9);
    CHECK(CompileOutcome(L"[\\xZ]").kind == 10);
    CHECK(CompileOutcome(L"[a-\\x{110000}]").kind == 10);
}

TEST_CASE("every class name is known in any ASCII case")
{
    const struct {
        const wchar_t* name;
        u32 kind;
    } names[] = {{L"alnum", CLS_ALNUM}, {L"alpha", CLS_ALPHA}, {L"ascii", CLS_ASCII},   {L"blank", CLS_BLANK},
                 {L"cntrl", CLS_CNTRL}, {L"digit", CLS_DIGIT}, {L"graph", CLS_GRAPH},   {L"lower", CLS_LOWER},
                 {L"print", CLS_PRINT}, {L"punct", CLS_PUNCT}, {L"space", CLS_SPACE},   {L"upper", CLS_UPPER},
                 {L"word", CLS_WORD},   {L"xdigit", CLS_XDIGIT}};
    for (const auto& n : names) {
        std::wstring lower = n.name, mixed = n.name;
        mixed[0] = static_cast<wchar_t>(mixed[0] - 32);
        for (const std::wstring& written : {lower, mixed}) {
            std::wstring pattern = L"[^[:" + written + L":]]";
            CAPTURE(Narrow(pattern));
            CHECK(SameItems(Parse(pattern).items,
                            {{ITEM_NEGATE, ITEM_NEGATE}, {n.kind, ITEM_NAMED}, {ITEM_END, ITEM_END}}));
        }
        // A name is matched whole: neither a prefix nor a longer name.
        std::wstring prefix = std::wstring(n.name).substr(0, wcslen(n.name) - 1);
        CHECK(CompileOutcome(L"[[:" + prefix + L":]]").kind == 13);
        CHECK(CompileOutcome(L"[[:" + std::wstring(n.name) + L"s:]]").kind == 13);
    }
    // Case is ignored for ASCII letters only.
    Outcome dotless = CompileOutcome(L"[[:D\u0131GIT:]]");
    CHECK(dotless.kind == 13);
    CHECK(dotless.message == Narrow(L"[[:D\u0131GIT:]]" + kDot));
}
