#include "FindTestSupport.h"

#include "support/DocumentText.h"
#include "support/RecordingNotify.h"

#include <doctest.h>

#include <functional>

using namespace findtest;

namespace {

// ---- the model: replace in the remaining text on UTF-16 strings ----

std::u32string Points(const std::wstring& s)
{
    std::u32string out;
    for (u32 c : CodePoints(s))
        out += static_cast<char32_t>(c);
    return out;
}

std::wstring Units(const std::u32string& s)
{
    std::wstring out;
    for (char32_t c : s) {
        wchar_t u[2];
        int n = CodePointToUtf16(static_cast<int32>(c), u);
        out.append(u, static_cast<size_t>(n));
    }
    return out;
}

// The longest match at unit i, or -1: a phrase (folded or not) or one of
// a few expressions whose leftmost longest match is the one the search takes.
using MatchAt = std::function<int64(const std::wstring&, size_t)>;

MatchAt Phrase(const std::wstring& phrase, bool fold)
{
    auto key = [fold](const std::wstring& s) {
        std::u32string p = Points(s);
        if (fold)
            for (char32_t& c : p)
                c = static_cast<char32_t>(FoldSearchCode(static_cast<int32>(c)));
        return p;
    };
    std::u32string want = key(phrase);
    return [=](const std::wstring& text, size_t i) -> int64 {
        if (i > 0 && IsHighSurrogate(text[i - 1]) && i < text.size() && IsLowSurrogate(text[i]))
            return -1;
        size_t end = i;
        std::wstring piece;
        for (size_t k = 0; k < want.size(); k++) {
            if (end >= text.size())
                return -1;
            size_t n = IsHighSurrogate(text[end]) && end + 1 < text.size() ? 2 : 1;
            piece.append(text, end, n);
            end += n;
        }
        return !want.empty() && key(piece) == want ? static_cast<int64>(end) : -1;
    };
}

// "x*": a run of x, empty too.
int64 RunOfX(const std::wstring& text, size_t i)
{
    if (i > 0 && IsHighSurrogate(text[i - 1]) && i < text.size() && IsLowSurrogate(text[i]))
        return -1;
    while (i < text.size() && text[i] == L'x')
        i++;
    return static_cast<int64>(i);
}

struct ReplaceModel {
    std::wstring text;
    MatchAt match;

    // The first match starting at or after pos.
    bool Find(size_t pos, size_t& start, size_t& end) const
    {
        for (size_t i = pos; i <= text.size(); i++) {
            int64 e = match(text, i);
            if (e >= 0) {
                start = i;
                end = static_cast<size_t>(e);
                return true;
            }
        }
        return false;
    }
    size_t Next(size_t i) const
    {
        return i + (i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]) ? 2 : 1);
    }
    // The find-from-selection step after the caret came to pos.
    bool FindOn(size_t pos, size_t& start, size_t& end) const
    {
        if (!Find(pos, start, end))
            return false;
        if (start == pos && end == pos && pos < text.size())
            return Find(Next(pos), start, end);
        return true;
    }
};

std::wstring FormText(const std::wstring& replacement, const std::wstring& found, int32 mode)
{
    if (mode & FindRegularExpression) {
        size_t at = replacement.find(L"$0");
        if (at != std::wstring::npos) {
            std::wstring out;
            size_t from = 0;
            while (at != std::wstring::npos) {
                out += replacement.substr(from, at - from) + found;
                from = at + 2;
                at = replacement.find(L"$0", from);
            }
            return out + replacement.substr(from);
        }
    }
    if (!(mode & FindAdaptCase) || replacement.empty() || replacement.size() >= 31 || found.empty())
        return replacement;
    std::u32string f = Points(found), r = Points(replacement);
    auto upper = [](char32_t c) { return static_cast<char32_t>(ToUpperCodePoint(static_cast<int32>(c))); };
    bool all = true;
    for (char32_t c : f)
        all = all && upper(c) == c;
    if (all) {
        for (char32_t& c : r)
            c = upper(c);
    } else if (upper(f[0]) == f[0]) {
        r[0] = upper(r[0]);
    }
    return Units(r);
}

struct ModelResult {
    bool found = false;
    std::wstring text;
    size_t caret = 0;
};

ModelResult ModelReplaceRest(ReplaceModel m, size_t lo, size_t hi, const std::wstring& replacement, int32 mode)
{
    ModelResult out;
    size_t s, e;
    bool isMatch = m.Find(lo, s, e) && s == lo && e == hi;
    bool replaced = false;
    size_t caret = lo;
    bool next;
    if (isMatch) {
        std::wstring r = FormText(replacement, m.text.substr(lo, hi - lo), mode);
        m.text.replace(lo, hi - lo, r);
        caret = lo + r.size();
        replaced = true;
        next = m.FindOn(caret, s, e);
    } else {
        next = m.Find(lo, s, e);
        if (next)
            caret = e;
    }
    out.found = replaced || next;
    while (next) {
        std::wstring r = FormText(replacement, m.text.substr(s, e - s), mode);
        m.text.replace(s, e - s, r);
        size_t end = s + r.size();
        caret = end;
        next = m.Find(end, s, e);
        if (next && s == end && e == end) {
            next = end < m.text.size() && m.Find(m.Next(end), s, e);
        }
    }
    out.text = m.text;
    out.caret = caret;
    return out;
}

std::wstring DocumentUnits(TextDocument& document)
{
    std::string bytes = doctext::Bytes(document);
    std::wstring out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<wchar_t>(static_cast<u8>(bytes[i]) | (static_cast<u8>(bytes[i + 1]) << 8));
    return out;
}

std::string Utf16Bytes(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s)
        PutUnit(out, static_cast<u16>(c), false);
    return out;
}

ActionRecord RunReplace(BrokerBench& bench, int32 code, const wchar_t* phrase, const wchar_t* replacement,
                        int32 mode)
{
    bench.host.popupAlert->message = String();
    String p(phrase), r(replacement);
    ActionRecord record;
    record.InitFind(code, bench.views[0], mode, p, r);
    ExecuteAction(*bench.broker, record);
    return record;
}

}  // namespace

TEST_CASE("replace in the remaining text agrees with a model on UTF-16 strings; one undo takes it back")
{
    BrokerBench bench;
    unsigned seed = 1809;
    std::mt19937 rng(seed);
    INFO("seed ", seed);
    const std::wstring alphabet[] = {L"a", L"x", L"x", L"\x0105", L"b", L"t", L"e", L"h", L"T", L"E", L"H",
                                     L"\U00010428", L"\U00010400", L" ", L"\n", L"D", L"o", L"m"};
    const std::wstring thirtyOne(31, L'w');
    const std::wstring replacements[] = {L"",      L"the",       L"house",    L"[$0]",     L"\U00010428z",
                                         L"aa",    thirtyOne,    L"$0$0",     L"\x0142\x00f3d\x017a"};
    struct Search {
        const wchar_t* phrase;
        int32 mode;
        MatchAt match;
    };
    const Search searches[] = {
        {L"teh", 0, Phrase(L"teh", false)},
        {L"teh", FindIgnoreCase | FindAdaptCase, Phrase(L"teh", true)},
        {L"a", FindAdaptCase, Phrase(L"a", false)},
        {L"\U00010428", FindIgnoreCase | FindAdaptCase, Phrase(L"\U00010428", true)},
        {L"dom", FindIgnoreCase | FindAdaptCase, Phrase(L"dom", true)},
        {L"x*", FindRegularExpression, RunOfX},
        {L"x*", FindRegularExpression | FindAdaptCase, RunOfX},
        {L"a", FindRegularExpression | FindIgnoreCase | FindAdaptCase, Phrase(L"a", true)},
    };
    for (int round = 0; round < 160; round++) {
        std::wstring text;
        int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; i++)
            text += alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]))];
        if (rng() % 3 == 0)
            text += L"Teh dom DOM Dom";
        const Search& search = searches[rng() % (sizeof(searches) / sizeof(searches[0]))];
        const std::wstring& replacement = replacements[rng() % (sizeof(replacements) / sizeof(replacements[0]))];
        bool fromStart = rng() % 2;
        ReplaceModel model{text, search.match};
        // Selections at code point starts; often an exact match.
        auto at = [&](size_t i) { return i < text.size() && IsLowSurrogate(text[i]) && i > 0 ? i - 1 : i; };
        size_t lo = at(rng() % (text.size() + 1)), hi = lo;
        size_t s, e;
        if (rng() % 2 && model.Find(lo, s, e)) {
            lo = s;
            hi = e;
        } else if (rng() % 2) {
            hi = at(lo + rng() % (text.size() - lo + 1));
        }
        ModelResult want = ModelReplaceRest(model, fromStart ? 0 : lo, fromStart ? 0 : hi, replacement, search.mode);

        TextDocument* document = NewTextWith(bench, EncodingUtf16LE, Utf16Bytes(text));
        Select(bench.views[0], static_cast<int64>(2 * lo), static_cast<int64>(2 * hi));
        ActionRecord record = RunReplace(bench, fromStart ? ActionReplaceRestFromStart : ActionReplaceRestFromCaret,
                                         search.phrase, replacement.c_str(), search.mode);
        std::string what = Narrow(text) + " | " + Narrow(search.phrase) + " -> " + Narrow(replacement);
        INFO("round ", round, ": ", what, " mode ", search.mode, " from ", fromStart ? 0 : lo, "..", hi);
        CHECK(record.outcome == OutcomeDone);
        CHECK(record.result == (want.found ? 1 : 0));
        std::wstring got = DocumentUnits(*document);
        CHECK(Narrow(got) == Narrow(want.text));
        CHECK(got == want.text);
        if (want.found)
            CHECK(bench.views[0]->currentState->CaretPosition() == static_cast<int64>(2 * want.caret));
        if (got != text) {
            bench.Run(ActionUndo);
            CHECK(DocumentUnits(*document) == text);
            bench.Run(ActionRedo);
            CHECK(DocumentUnits(*document) == want.text);
        }
        // Closed unmodified: no question about saving.
        document->modified = 0;
        bench.Run(ActionCloseText);
        bench.alerts.alerts.clear();
    }
}

TEST_CASE("replacing the last match ends there: teh does not become thethe")
{
    BrokerBench bench;
    TextDocument* document = NewTextWith(bench, EncodingUtf8, "teh");
    Select(bench.views[0], 0, 3);
    ActionRecord record = RunReplace(bench, ActionReplaceRestFromCaret, L"teh", L"the", 0);
    CHECK(record.result == 1);
    CHECK(doctext::Bytes(*document) == "the");
    CHECK(bench.views[0]->currentState->CaretPosition() == 3);

    // "^" on one line: the line start is replaced once.
    NewTextWith(bench, EncodingUtf8, "line");
    document = bench.views[0]->CurrentDocument();
    record = RunReplace(bench, ActionReplaceRestFromStart, L"^", L"> ", FindRegularExpression);
    CHECK(doctext::Bytes(*document) == "> line");
    record = RunReplace(bench, ActionReplaceRestFromStart, L"^", L"> ", FindRegularExpression);
    CHECK(doctext::Bytes(*document) == "> > line");

    // Nothing anywhere: the caret went to the start, the note says so.
    Select(bench.views[0], 4, 5);
    record = RunReplace(bench, ActionReplaceRestFromStart, L"zzz", L"y", 0);
    CHECK(record.result == 0);
    CHECK(bench.views[0]->currentState->CaretPosition() == 0);
    CHECK(bench.host.popupAlert->message.Equals(L"Not found\nzzz"));
    record = RunReplace(bench, ActionReplaceRestFromCaret, L"zzz", L"y", 0);
    CHECK(bench.host.popupAlert->message.Equals(L"Reached end of text\nzzz"));
}

TEST_CASE("replace once replaces only a selected match and selects the next")
{
    BrokerBench bench;
    TextDocument* document = NewTextWith(bench, EncodingUtf8, "dom Dom DOM");
    Select(bench.views[0], 1, 1);
    int32 mode = FindIgnoreCase | FindAdaptCase;
    ActionRecord record = RunReplace(bench, ActionReplaceOnce, L"dom", L"house", mode);
    CHECK(record.result == 1);
    CHECK(doctext::Bytes(*document) == "dom Dom DOM");
    CHECK(bench.views[0]->currentState->AnchorPosition() == 4);
    record = RunReplace(bench, ActionReplaceOnce, L"dom", L"house", mode);
    CHECK(doctext::Bytes(*document) == "dom House DOM");
    CHECK(bench.views[0]->currentState->AnchorPosition() == 10);
    CHECK(bench.views[0]->currentState->CaretPosition() == 13);
    record = RunReplace(bench, ActionReplaceOnce, L"dom", L"house", mode);
    CHECK(doctext::Bytes(*document) == "dom House HOUSE");
    CHECK(record.result == 1);
    record = RunReplace(bench, ActionReplaceOnce, L"dom", L"house", mode);
    CHECK(record.result == 0);
    CHECK(bench.host.popupAlert->message.Equals(L"Reached end of text\ndom"));
    // A regular-expression replacement wraps each match in brackets.
    record = RunReplace(bench, ActionReplaceRestFromStart, L"[A-Z]+", L"($0)", FindRegularExpression);
    CHECK(doctext::Bytes(*document) == "dom (H)ouse (HOUSE)");
}

TEST_CASE("a character the encoding cannot hold is kept as an error for the idle report")
{
    BrokerBench bench;
    TextDocument* document = NewTextWith(bench, EncodingWindows1250, "a b a b a");
    bench.broker->pendingError = Error(-1, -1);
    ActionRecord record = RunReplace(bench, ActionReplaceRestFromStart, L"b", L"\x4E2D", 0);
    CHECK(record.result == 1);
    CHECK(bench.broker->pendingError.code == -113);
    CHECK(doctext::Bytes(*document).find('b') == std::string::npos);
    bench.broker->pendingError = Error(-1, -1);
}

TEST_CASE("a cancel keeps the replacements made as one group, the caret on the last")
{
    BrokerBench bench;
    std::string text;
    for (int i = 0; i < 25000; i++)
        text += "ab ";
    TextDocument* document = NewTextWith(bench, EncodingUtf8, text);
    TextView* view = bench.views[0];
    for (int k : {0, 1}) {
        Select(view, 0, 0);
        RecordingNotify notify;
        // Every replacement is reported: the cancel comes after 10000 or 20000.
        notify.cancelAt = 10000 * (k + 1) - 1;
        bench.broadcasts.clear();
        bool aborted = false;
        try {
            bench.broker->ReplaceRemaining(view, String(L"ab"), FindFrequentReports, String(L"c"), &notify);
        } catch (const Error& e) {
            aborted = e.code == Abort().code;
        }
        CHECK(aborted);
        std::string after = doctext::Bytes(*document);
        size_t replaced = static_cast<size_t>(10000 * (k + 1));
        std::string done;
        for (size_t i = 0; i < replaced; i++)
            done += "c ";
        CHECK(after.substr(0, 2 * replaced) == done);
        CHECK(after.substr(2 * replaced, 3) == "ab ");
        CHECK(view->currentState->CaretPosition() == static_cast<int64>(2 * replaced - 1));
        CHECK(view->currentState->AnchorPosition() == static_cast<int64>(2 * replaced - 1));
        // The view was brought up to date: 7, 8, 5 at the end.
        std::vector<int32> kinds = bench.Kinds();
        REQUIRE(kinds.size() >= 3);
        CHECK(std::vector<int32>(kinds.end() - 3, kinds.end()) ==
              std::vector<int32>{BroadcastTextChanged, BroadcastCaretMoved, BroadcastRepaint});
        CHECK(document->openGroups == 0);
        bench.Run(ActionUndo);
        CHECK(doctext::Bytes(*document) == text);
    }
}

TEST_CASE("broadcasts of find and replace reach both views")
{
    BrokerBench bench;
    TextDocument* document = NewTextWith(bench, EncodingUtf8, "one two one two one");
    bench.broker->ActivateText(bench.views[1], document);
    REQUIRE(bench.views[1]->CurrentDocument() == document);
    Select(bench.views[0], 0, 0);
    bench.broadcasts.clear();
    String phrase(L"two"), none;
    ActionRecord find;
    find.InitFind(ActionFindNext, bench.views[0], 0, phrase, none);
    ExecuteAction(*bench.broker, find);
    CHECK(bench.Kinds() == std::vector<int32>{BroadcastCaretMoved});
    bench.broadcasts.clear();
    ExecuteActionCopy(*bench.broker, [&] {
        ActionRecord enter;
        String p(L"two"), r;
        enter.InitFind(ActionFindEnter, bench.views[0], 0, p, r);
        return enter;
    }());
    CHECK(bench.broadcasts.empty());

    Select(bench.views[0], 0, 0);
    Pump();
    HWND second = bench.views[1]->GetHwnd();
    ValidateRect(second, nullptr);
    bench.broadcasts.clear();
    ActionRecord record = RunReplace(bench, ActionReplaceRestFromStart, L"one", L"1", 0);
    CHECK(record.result == 1);
    CHECK(doctext::Bytes(*document) == "1 two 1 two 1");
    std::vector<int32> kinds = bench.Kinds();
    REQUIRE(kinds.size() >= 3);
    CHECK(std::vector<int32>(kinds.end() - 3, kinds.end()) ==
          std::vector<int32>{BroadcastTextChanged, BroadcastCaretMoved, BroadcastRepaint});
    CHECK(bench.broadcasts.back().view == bench.views[0]);
    RECT dirty;
    CHECK(GetUpdateRect(second, &dirty, FALSE));
}
