#include "FindTestSupport.h"

#include "support/RecordingNotify.h"

#include <doctest.h>

#include <cstdio>
#include <memory>

using namespace findtest;
using oracle::Node;
using oracle::NodePtr;

namespace {

NodePtr Make(Node::Kind kind, u32 value = 0, std::vector<NodePtr> kids = {})
{
    auto n = std::make_shared<Node>();
    n->kind = kind;
    n->value = value;
    n->kids = std::move(kids);
    return n;
}

NodePtr Lit(u32 c)
{
    return Make(Node::Literal, c);
}

struct Expression {
    const wchar_t* pattern;
    NodePtr tree;
    bool bounded;  // no match reaches past a few characters
};

std::vector<Expression> Expressions()
{
    using namespace RegexKind;
    return {
        {L"a", Lit('a'), true},
        {L"\x0105|b", Make(Node::Alt, 0, {Lit(0x105), Lit('b')}), true},
        {L"ab|\x0105" L"b", Make(Node::Alt, 0, {Make(Node::Concat, 0, {Lit('a'), Lit('b')}),
                                                 Make(Node::Concat, 0, {Lit(0x105), Lit('b')})}), true},
        {L"b.", Make(Node::Concat, 0, {Lit('b'), Make(Node::AnyChar)}), true},
        {L"^", Make(Node::Assertion, LINE_START), true},
        {L"\x0142\\b", Make(Node::Concat, 0, {Lit(0x142), Make(Node::Assertion, WORD_BOUNDARY)}), true},
        {L"x*", Make(Node::Star, 0, {Lit('x')}), false},
        {L"\\w+", Make(Node::Plus, 0, {Make(Node::Named, CLS_WORD)}), false},
        {L"a$", Make(Node::Concat, 0, {Lit('a'), Make(Node::Assertion, LINE_END)}), true},
    };
}

const int32 kCodes[] = {ActionFindFirst, ActionFindFromBar, ActionFindNext, ActionFindVariant75,
                        ActionFindPrevious, ActionFindLast, ActionFindEnter};

struct Outcome {
    bool found;
    bool onlyMatch;
    int64 anchor, caret;
};

// The variant as its table reads, over the model's searches.
Outcome ModelVariant(const Model& m, int32 code, int64 lo, int64 hi, int64 anchor, int64 caret)
{
    int64 size = m.chars.offsets.back();
    Outcome out{false, false, anchor, caret};
    bool isMatch = m.Forward(lo, hi).Is(lo, hi);
    FoundRange r;
    switch (code) {
    case ActionFindFirst:
        r = m.Forward(0, size);
        break;
    case ActionFindEnter:
        if (isMatch) {
            out.found = true;
            return out;
        }
        r = m.Forward(0, size);
        break;
    case ActionFindLast:
        r = m.Backward(0, size, true);
        break;
    case ActionFindFromBar:
    case ActionFindNext: {
        int64 p = isMatch ? hi : lo;
        r = m.Forward(p, size);
        if (r.Is(lo, hi) && p < size)
            r = m.Forward(m.chars.Next(p), size);
        if (!r.Found() && code == ActionFindNext) {
            r = m.Forward(0, p);
            if (r.Is(lo, hi)) {
                out.onlyMatch = true;
                return out;
            }
        }
        break;
    }
    default: {
        int64 p = isMatch ? lo : hi;
        r = m.Backward(0, p, isMatch);
        if (code == ActionFindPrevious) {
            out.onlyMatch = isMatch;
            if (r.Is(lo, hi) && p >= 1)
                r = m.Backward(0, m.Off(m.chars.IndexAtOrAfter(p) - 1), isMatch);
            if (!r.Found()) {
                r = m.Backward(p, size, isMatch);
                if (r.Is(lo, hi))
                    return out;
            }
        }
        break;
    }
    }
    if (r.Found()) {
        out.found = true;
        out.anchor = r.start;
        out.caret = r.end;
    }
    return out;
}

// Runs every variant from random selections (half of them on a match) and
// compares answer, selection and only-match flag with the model.
void CompareVariants(BrokerBench& bench, std::mt19937& rng, const Chars& chars, const MatchList& all,
                     const std::wstring& phrase, int32 mode, int runs, const std::string& what,
                     int32 onlyCode = -1)
{
    TextView* view = bench.views[0];
    TextDocument* document = view->CurrentDocument();
    SearchPattern pattern(String(phrase.c_str(), static_cast<int64>(phrase.size())), mode);
    Model model{chars, all, view, (mode & FindWholeWords) != 0};
    std::vector<size_t> starts;
    for (size_t s = 0; s < all.size(); s++)
        if (!all[s].empty())
            starts.push_back(s);
    size_t n = chars.Count();
    for (int run = 0; run < runs; run++) {
        int64 anchor, caret;
        if (!starts.empty() && rng() % 2) {
            size_t s = starts[rng() % starts.size()];
            anchor = chars.offsets[s];
            caret = chars.offsets[all[s][rng() % all[s].size()]];
        } else {
            anchor = chars.offsets[rng() % (n + 1)];
            caret = rng() % 3 ? chars.offsets[rng() % (n + 1)] : anchor;
        }
        if (rng() % 2)
            std::swap(anchor, caret);
        int32 code = onlyCode >= 0 ? onlyCode : kCodes[rng() % 7];
        view->SetCaret(document, anchor, 0, 0);
        view->SetCaret(document, caret, CaretKeepAnchor, 0);
        int64 lo = std::min(anchor, caret), hi = std::max(anchor, caret);
        Outcome want = ModelVariant(model, code, lo, hi, anchor, caret);
        bool onlyMatch = false;
        RecordingNotify notify;
        bool found = RunFindVariant(*bench.broker, view, code, pattern, &notify, onlyMatch);
        ViewState* state = view->currentState;
        bool same = found == want.found && onlyMatch == want.onlyMatch &&
                    state->AnchorPosition() == want.anchor && state->CaretPosition() == want.caret;
        if (!same) {
            INFO(what, " code ", code, " mode ", mode, " selection ", anchor, "..", caret);
            INFO("want ", want.found, " ", want.anchor, "..", want.caret, " only ", want.onlyMatch);
            INFO("got ", found, " ", state->AnchorPosition(), "..", state->CaretPosition(), " only ", onlyMatch);
            CHECK(same);
            return;
        }
    }
}

std::wstring Wide(const std::vector<Piece>& pieces)
{
    std::wstring out;
    for (Piece p : pieces) {
        if (p < 0)
            continue;
        wchar_t units[2];
        int k = CodePointToUtf16(p, units);
        out.append(units, static_cast<size_t>(k));
    }
    return out;
}

}  // namespace

TEST_CASE("the find variants agree with a brute-force model in every encoding")
{
    BrokerBench bench;
    unsigned seed = 18072;
    std::mt19937 rng(seed);
    INFO("seed ", seed);
    std::vector<Expression> expressions = Expressions();
    for (int round = 0; round < 70; round++) {
        EncodingId encoding = kEncodings[round % 7];
        std::vector<Piece> pieces = RandomPieces(rng, 10 + rng() % 110);
        std::string bytes = Encode(pieces, encoding);
        NewTextWith(bench, encoding, bytes);
        TextView* view = bench.views[0];
        Chars chars = ReadChars(view->CurrentDocument()->text);
        std::string what = std::string("round ") + std::to_string(round) + " " + EncodingLabel(encoding);
        // Plain phrases: a piece of the text itself, and fixed ones.
        std::vector<std::wstring> phrases = {L"ab", L"\x0104", L"\U0001F600", L"A"};
        if (pieces.size() > 3) {
            size_t at = rng() % (pieces.size() - 2);
            std::vector<Piece> cut(pieces.begin() + static_cast<long>(at),
                                   pieces.begin() + static_cast<long>(at + 1 + rng() % 2));
            std::wstring w = Wide(cut);
            if (!w.empty())
                phrases.push_back(w);
        }
        for (const std::wstring& phrase : phrases) {
            for (int32 mode : std::vector<int32>{0, FindIgnoreCase, FindWholeWords, FindIgnoreCase | FindWholeWords}) {
                MatchList all = PlainMatches(chars, phrase, (mode & FindIgnoreCase) != 0);
                CompareVariants(bench, rng, chars, all, phrase, mode, 12, what + " plain");
            }
        }
        for (const Expression& e : expressions) {
            for (int32 mode : std::vector<int32>{FindRegularExpression, FindRegularExpression | FindIgnoreCase,
                                                 FindRegularExpression | FindWholeWords}) {
                bool fold = (mode & FindIgnoreCase) != 0;
                oracle::Text text;
                for (size_t i = 0; i < chars.Count(); i++)
                    text.chars.push_back({chars.offsets[i], RegexCode(chars.codes[i])});
                text.size = chars.offsets.back();
                std::vector<oracle::Ends> ends = oracle::AllMatches(*e.tree, text, fold);
                MatchList all(ends.size());
                for (size_t s = 0; s < ends.size(); s++)
                    for (size_t k = s; k < ends[s].size(); k++)
                        if (ends[s][k])
                            all[s].push_back(k);
                CompareVariants(bench, rng, chars, all, e.pattern, mode, 12, what + " regex " + Narrow(e.pattern));
            }
        }
        bench.Run(ActionCloseText);
    }
}

TEST_CASE("searches meet matches that straddle the search windows, in every encoding")
{
    BrokerBench bench;
    unsigned seed = 100018;
    std::mt19937 rng(seed);
    INFO("seed ", seed);
    std::vector<Expression> expressions = Expressions();
    for (EncodingId encoding : kEncodings) {
        // ASCII filler, so the byte offsets of the planted matches are known.
        int unit = IsUtf16Encoding(encoding) ? 2 : 1;
        size_t count = static_cast<size_t>(230000 / unit);
        std::vector<Piece> pieces(count);
        for (Piece& p : pieces)
            p = rng() % 9 == 0 ? ' ' : (rng() % 50 == 0 ? 10 : 'x');
        // "ab" or "ąb" across the first window of a forward search from the
        // start and across that of a backward one from the end; others before.
        for (int64 edge : {int64(100000), int64(130000)}) {
            size_t at = static_cast<size_t>(edge / unit) - 1;
            pieces[at] = edge == 130000 || rng() % 2 ? 'a' : 0x105;
            pieces[at + 1] = 'b';
            pieces[at + 2] = ' ';
            pieces[at - 1] = ' ';
        }
        for (int k = 0; k < 6; k++) {
            size_t at = 1 + rng() % static_cast<size_t>(90000 / unit);
            pieces[at] = 'A';
            pieces[at + 1] = 'b';
        }
        NewTextWith(bench, encoding, Encode(pieces, encoding));
        TextView* view = bench.views[0];
        Chars chars = ReadChars(view->CurrentDocument()->text);
        std::string what = std::string("long ") + EncodingLabel(encoding);
        for (int32 mode : std::vector<int32>{0, FindIgnoreCase, FindIgnoreCase | FindWholeWords}) {
            MatchList all = PlainMatches(chars, L"ab", (mode & FindIgnoreCase) != 0);
            CompareVariants(bench, rng, chars, all, L"ab", mode, 14, what + " plain");
            CompareVariants(bench, rng, chars, all, L"ab", mode, 2, what + " plain last", ActionFindLast);
        }
        for (size_t e : {size_t(2), size_t(3)}) {
            for (int32 mode : std::vector<int32>{FindRegularExpression, FindRegularExpression | FindIgnoreCase}) {
                MatchList all = RegexMatches(chars, *expressions[e].tree, (mode & FindIgnoreCase) != 0, 4);
                CompareVariants(bench, rng, chars, all, expressions[e].pattern, mode, 8,
                                what + " regex " + Narrow(expressions[e].pattern));
                CompareVariants(bench, rng, chars, all, expressions[e].pattern, mode, 1,
                                what + " regex last " + Narrow(expressions[e].pattern), ActionFindLast);
            }
        }
        bench.Run(ActionCloseText);
    }
}

namespace {

struct FindRun {
    ActionRecord record;
    std::wstring popup;
};

FindRun RunFind(BrokerBench& bench, int32 code, const wchar_t* phrase, int32 mode)
{
    bench.host.popupAlert->message = String();
    FindRun run;
    String p(phrase), r;
    run.record.InitFind(code, bench.views[0], mode, p, r);
    ExecuteAction(*bench.broker, run.record);
    const String& m = bench.host.popupAlert->message;
    run.popup.assign(m.Data() ? m.Data() : L"", static_cast<size_t>(m.Length()));
    return run;
}

int64 Caret(BrokerBench& bench)
{
    return bench.views[0]->currentState->CaretPosition();
}

int64 Anchor(BrokerBench& bench)
{
    return bench.views[0]->currentState->AnchorPosition();
}

}  // namespace

TEST_CASE("find actions select, wrap and say what they missed")
{
    BrokerBench bench;
    NewTextWith(bench, EncodingUtf8, "a cat. concat cats cat");
    TextView* view = bench.views[0];
    TextDocument* document = view->CurrentDocument();

    SUBCASE("find next wraps without a word; the only match says no more")
    {
        Select(view, 0, 0);
        FindRun run = RunFind(bench, ActionFindNext, L"cat", FindWholeWords);
        CHECK(run.record.result == 1);
        CHECK(Anchor(bench) == 2);
        CHECK(Caret(bench) == 5);
        run = RunFind(bench, ActionFindNext, L"cat", FindWholeWords);
        CHECK(Anchor(bench) == 19);
        run = RunFind(bench, ActionFindNext, L"cat", FindWholeWords);
        CHECK(run.record.result == 1);
        CHECK(Anchor(bench) == 2);
        CHECK(run.popup.empty());
        // "concat" is the only match of "conc".
        Select(view, 7, 11);
        run = RunFind(bench, ActionFindNext, L"conc", 0);
        CHECK(run.record.result == 0);
        CHECK(run.popup == L"No more\nconc");
        CHECK(Anchor(bench) == 7);
        run = RunFind(bench, ActionFindNext, L"dog", 0);
        CHECK(run.popup == L"Not found\ndog");
        run = RunFind(bench, ActionFindFromBar, L"dog", 0);
        CHECK(run.popup == L"No more\ndog");
    }
    SUBCASE("enter keeps a selected match without a broadcast, else takes the first")
    {
        Select(view, 19, 22);
        bench.broadcasts.clear();
        FindRun run = RunFind(bench, ActionFindEnter, L"cat", 0);
        CHECK(run.record.result == 1);
        CHECK(bench.broadcasts.empty());
        Select(view, 0, 1);
        bench.broadcasts.clear();
        run = RunFind(bench, ActionFindEnter, L"cat", 0);
        CHECK(Anchor(bench) == 2);
        CHECK(bench.Kinds() == std::vector<int32>{BroadcastCaretMoved});
    }
    SUBCASE("find previous from a selection that is no match starts at its upper end")
    {
        Select(view, 0, 6);
        FindRun run = RunFind(bench, ActionFindPrevious, L"cat", 0);
        CHECK(Anchor(bench) == 2);
        CHECK(Caret(bench) == 5);
        run = RunFind(bench, ActionFindPrevious, L"cat", 0);
        CHECK(Anchor(bench) == 19);  // wrapped to the last
        run = RunFind(bench, ActionFindLast, L"CAT", FindIgnoreCase);
        CHECK(Anchor(bench) == 19);
        CHECK(Caret(bench) == 22);
    }
    SUBCASE("a bad expression ends in the find alert; a cancel shows nothing and keeps the selection")
    {
        Select(view, 1, 2);
        bench.alerts.alerts.clear();
        FindRun run = RunFind(bench, ActionFindFirst, L"a(", FindRegularExpression);
        CHECK(run.record.outcome == OutcomeFailed);
        REQUIRE(bench.alerts.alerts.size() == 1);
        CHECK(bench.alerts.alerts[0].title == L"Find - Scrivel");
        CHECK(bench.alerts.alerts[0].code == -5000);

        // Far matches need many windows; a cancel at the first report ends it.
        std::string big(350000, 'x');
        big += "cat";
        NewTextWith(bench, EncodingUtf8, big);
        Select(view, 0, 1);
        SearchPattern pattern(String(L"cat"), 0);
        RecordingNotify notify;
        notify.cancelAt = 0;
        bool onlyMatch;
        bool aborted = false;
        try {
            RunFindVariant(*bench.broker, view, ActionFindNext, pattern, &notify, onlyMatch);
        } catch (const Error& e) {
            aborted = e.code == Abort().code;
        }
        CHECK(aborted);
        CHECK(Anchor(bench) == 0);
        CHECK(Caret(bench) == 1);
        // Uncancelled, the bar runs over the searched range.
        RecordingNotify counted;
        CHECK(RunFindVariant(*bench.broker, view, ActionFindNext, pattern, &counted, onlyMatch));
        CHECK(Anchor(bench) == 350000);
        CHECK(counted.total == 350003);
        REQUIRE(!counted.Positions().empty());
        CHECK(counted.Positions().back() >= 299000);
    }
    (void)document;
}
