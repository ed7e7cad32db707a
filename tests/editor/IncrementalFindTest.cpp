// Incremental find on the real main window: typing selects the nearest shown
// match and highlights every shown one, idle slices search the rest of the
// text, Up and Down walk the matches and beep at most once a second.

#include "FindTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

// Lines of filler that hold no letter of the phrases below.
std::string Filler(size_t bytes)
{
    std::string s;
    s.reserve(bytes);
    while (s.size() < bytes)
        s += (s.size() % 60 == 59) ? '\n' : '.';
    return s;
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Utf16Le(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

struct BeepCounter {
    static DWORD WINAPI Tick() { return now; }
    static BOOL WINAPI Beep(UINT) { beeps++; return TRUE; }
    static DWORD now;
    static int beeps;
    BeepCounter()
    {
        now = 50000;
        beeps = 0;
        SetIncrementalFindCalls(&calls);
    }
    ~BeepCounter() { SetIncrementalFindCalls(nullptr); }
    IncrementalFindCalls calls{Tick, Beep};
};
DWORD BeepCounter::now = 0;
int BeepCounter::beeps = 0;

std::vector<int64> Highlights(TextView* view)
{
    std::vector<int64> out;
    for (int64 i = 0; i < view->findHighlights.Count(); i++)
        out.push_back(view->findHighlights.At(i));
    return out;
}

// Every (start, end) of phrase in the ASCII bytes that starts in [from, to).
std::vector<int64> Occurrences(const std::string& bytes, const std::string& phrase, int64 from, int64 to)
{
    std::vector<int64> out;
    for (size_t at = bytes.find(phrase, static_cast<size_t>(from)); at != std::string::npos && static_cast<int64>(at) < to;
         at = bytes.find(phrase, at + phrase.size())) {
        out.push_back(static_cast<int64>(at));
        out.push_back(static_cast<int64>(at + phrase.size()));
    }
    return out;
}

}  // namespace

TEST_CASE("typing selects the shown match nearest the caret and highlights every shown one; Up and Down walk them")
{
    FindBench bench;
    // "cat" three times on each of the first lines, far more lines than shown.
    std::string text;
    for (int line = 0; line < 400; line++)
        text += "a cat, " + std::to_string(line) + " Cat and the caT.\n";
    int64 caret = static_cast<int64>(text.find("12 Cat")) + 1;
    TextDocument* doc = bench.Load(text, EncodingUtf8, caret);
    ViewState* state = bench.View()->FindViewState(doc);
    int64 first = state->paintedFirst, last = state->paintedLast;
    REQUIRE(first < caret);
    REQUIRE(last > caret);
    REQUIRE(last < static_cast<int64>(text.size()));

    bench.SetField(bench.Form().findField, L"cat");
    // Case is ignored by default: every spelling counts.
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    std::vector<int64> expected = Occurrences(lower, "cat", first, last);
    REQUIRE(expected.size() > 6);
    CHECK(Highlights(bench.View()) == expected);
    CHECK(bench.View()->findHighlights.SameHeader(bench.Form().incrementalMatches));
    int64 nearest = static_cast<int64>(text.find("Cat", static_cast<size_t>(caret) - 1));
    CHECK(bench.Anchor() == nearest);
    CHECK(bench.Caret() == nearest + 3);
    CHECK(bench.Form().incrementalState == 0);

    // Down and Up move between the known matches.
    bench.Key(bench.Form().findField, VK_DOWN);
    CHECK(bench.Anchor() == static_cast<int64>(text.find("caT", static_cast<size_t>(nearest))));
    bench.Key(bench.Form().findField, VK_UP);
    bench.Key(bench.Form().findField, VK_UP);
    CHECK(bench.Anchor() == static_cast<int64>(text.find("cat", static_cast<size_t>(nearest) - 10)));
    CHECK(bench.Caret() == bench.Anchor() + 3);

    // A longer phrase searches again from where typing began.
    bench.SetField(bench.Form().findField, L"cat,");
    CHECK(bench.Form().incrementalStart == caret);
    CHECK(bench.Anchor() == static_cast<int64>(text.find("a cat, 12")) + 2);
    CHECK(Highlights(bench.View()) == Occurrences(text, "cat,", first, last));

    // With case: only the exact spelling.
    bench.Command(kFindToggleCaseId);
    bench.SetField(bench.Form().findField, L"caT");
    CHECK(Highlights(bench.View()) == Occurrences(text, "caT", first, last));

    // An emptied field stops: no highlights, nothing searched while idle.
    bench.SetField(bench.Form().findField, L"");
    CHECK(bench.View()->findHighlights.Count() == 0);
    CHECK(bench.Form().incrementalActive == 0);
    CHECK(bench.Idle() == 0);
}

TEST_CASE("idle slices find a far match across a slice edge inside a character, then turn backward from the start")
{
    BeepCounter counter;
    FindBench bench;
    // The phrase begins 3 bytes before the second slice edge, which falls
    // inside its second letter.
    std::wstring phrase = L"żółw";
    std::string text = Filler(200000 - 3) + Utf8(phrase) + Filler(150000);
    TextDocument* doc = bench.Load(text, EncodingUtf8, 0);
    REQUIRE(bench.View()->FindViewState(doc)->paintedLast < 100000);
    bench.SetField(bench.Form().findField, phrase.c_str());
    CHECK(bench.Form().incrementalState == 1);
    CHECK(bench.Caret() == 0);
    int calls = bench.Idle();
    CHECK(calls >= 1);
    CHECK(calls <= 3);
    CHECK(bench.Anchor() == 200000 - 3);
    CHECK(bench.Caret() == 200000 - 3 + 7);
    CHECK(Highlights(bench.View()) == std::vector<int64>{200000 - 3, 200000 + 4});
    // The view shows the hit.
    ViewState* state = bench.View()->FindViewState(doc);
    CHECK(state->paintedFirst <= 200000 - 3);
    CHECK(state->paintedLast >= 200000 + 4);

    // The only match lies before the caret: forward to the end, then back.
    std::string back = Filler(1000) + "needle" + Filler(330000);
    bench.Load(back, EncodingUtf8, static_cast<int64>(back.size()) - 10);
    bench.SetField(bench.Form().findField, L"needle");
    CHECK(bench.Form().incrementalState == 1);
    bench.Idle();
    CHECK(bench.Anchor() == 1000);
    CHECK(bench.Caret() == 1006);
    CHECK(counter.beeps == 0);

    // A phrase found nowhere ends silently.
    bench.SetField(bench.Form().findField, L"absent");
    bench.Idle();
    CHECK(bench.Form().incrementalState == 0);
    CHECK(counter.beeps == 0);
    CHECK(bench.Anchor() == 1000);
}

TEST_CASE("Down past the last match and Up before the first search the text while idle and beep at most once a second")
{
    BeepCounter counter;
    FindBench bench;
    std::string text = "x key x key\n" + Filler(150000) + "key far\n" + Filler(150000);
    int64 farAt = static_cast<int64>(text.find("key far"));
    bench.Load(text, EncodingUtf8, 0);
    EditLine* field = bench.Form().findField;
    bench.SetField(field, L"key");
    CHECK(bench.Anchor() == 2);
    bench.Key(field, VK_DOWN);
    CHECK(bench.Anchor() == 8);
    // No known match further: the idle search goes on from the last one.
    bench.Key(field, VK_DOWN);
    CHECK(bench.Form().incrementalState == 2);
    CHECK(bench.Anchor() == 8);
    // While it runs, Up and Down do nothing.
    bench.Key(field, VK_UP);
    CHECK(bench.Anchor() == 8);
    bench.Idle();
    CHECK(bench.Anchor() == farAt);
    CHECK(bench.Caret() == farAt + 3);
    CHECK(bench.Form().MatchCount() == 3);
    CHECK(counter.beeps == 0);

    // Nothing after it: one beep, and within the second no other.
    bench.Key(field, VK_DOWN);
    bench.Idle();
    CHECK(counter.beeps == 1);
    CHECK(bench.Anchor() == farAt);
    counter.now += 1000;
    bench.Key(field, VK_DOWN);
    bench.Idle();
    CHECK(counter.beeps == 1);
    counter.now += 1;
    bench.Key(field, VK_DOWN);
    bench.Idle();
    CHECK(counter.beeps == 2);

    // Up walks back over the known matches, then searches backward.
    bench.Key(field, VK_UP);
    CHECK(bench.Anchor() == 8);
    bench.Key(field, VK_UP);
    CHECK(bench.Anchor() == 2);
    bench.Key(field, VK_UP);
    CHECK(bench.Form().incrementalState == -2);
    bench.Idle();
    CHECK(bench.Anchor() == 2);
    CHECK(counter.beeps == 2);
    counter.now += 5000;
    bench.Key(field, VK_UP);
    bench.Idle();
    CHECK(counter.beeps == 3);

    // The same phrase in UTF-16: a far match is still found by Down.
    std::wstring wide = L"ąkey ";
    for (int i = 0; i < 70000; i++)
        wide += L'.';
    wide += L"żkey.";
    bench.Load(Utf16Le(wide), EncodingUtf16LE, 0);
    bench.SetField(field, L"KEY");
    CHECK(bench.Anchor() == 2);
    bench.Key(field, VK_DOWN);
    bench.Idle();
    CHECK(bench.Anchor() == static_cast<int64>(wide.find(L"key.")) * 2);
}

TEST_CASE("incremental find stays off with \"IncrementalFind\" false; highlights go with a change of the text")
{
    {
        FindBench bench("IncrementalFind=false\r\n");
        bench.Load("one two one\n", EncodingUtf8, 0);
        bench.SetField(bench.Form().findField, L"two");
        CHECK(bench.Caret() == 0);
        CHECK(bench.Anchor() == 0);
        bench.Key(bench.Form().findField, VK_DOWN);
        bench.Key(bench.Form().findField, VK_UP);
        CHECK(bench.Caret() == 0);
        CHECK(bench.Form().incrementalActive == 0);
        CHECK(bench.Idle() == 0);
    }
    FindBench bench;
    bench.Load("one two one\n", EncodingUtf8, 11);
    bench.SetField(bench.Form().findField, L"one");
    CHECK(bench.Anchor() == 8);
    CHECK(Highlights(bench.View()) == (std::vector<int64>{0, 3, 8, 11}));
    // A change of the text (kind 7) drops the highlights and the search.
    ActionRecord record;
    String typed(L"Z");
    record.InitWithText(ActionInsertText, bench.View(), typed);
    ExecuteAction(*bench.run.broker, record);
    CHECK(bench.View()->findHighlights.Count() == 0);
    CHECK(bench.Form().incrementalActive == 0);
    CHECK(bench.Form().MatchCount() == 0);
    // Esc gives the focus to the text, which stops the search as well.
    bench.SetField(bench.Form().findField, L"two");
    CHECK(bench.View()->findHighlights.Count() == 2);
    bench.Char(bench.Form().findField, 27);
    CHECK(GetFocus() == bench.View()->GetHwnd());
    CHECK(bench.View()->findHighlights.Count() == 0);
    CHECK(bench.Form().incrementalActive == 0);
}

TEST_CASE("expressions: an empty match does not loop, a bad one finds nothing and says nothing")
{
    FindBench bench;
    bench.Load("ab12cd345\nxyz\n", EncodingUtf8, 0);
    bench.Command(kFindToggleRegexId);
    bench.SetField(bench.Form().findField, L"[0-9]*");
    CHECK(bench.Form().MatchCount() > 0);
    CHECK(bench.Form().MatchStart(0) == 0);
    bench.SetField(bench.Form().findField, L"[0-9]+");
    CHECK(Highlights(bench.View()) == (std::vector<int64>{2, 4, 6, 9}));
    bench.SetField(bench.Form().findField, L"(ab");
    CHECK(bench.Form().MatchCount() == 0);
    CHECK(bench.Form().incrementalState == 1);
    bench.Idle();
    CHECK(bench.run.alerts.alerts.empty());
}

TEST_CASE("the match list stays sorted, holds each start once and stops at 10001 matches")
{
    FindBench bench;
    bench.Load("text\n", EncodingUtf8, 0);
    MainForm& f = bench.Form();
    unsigned seed = 1234;
    CAPTURE(seed);
    std::mt19937 random(seed);
    std::map<int64, int64> model;
    for (int i = 0; i < 30000; i++) {
        int64 start = static_cast<int64>(random() % 40000);
        int64 end = start + static_cast<int64>(random() % 5);
        bool room = static_cast<int64>(model.size()) * 2 < 20001;
        f.AddMatch(start, end);
        if (room)
            model.emplace(start, end);
    }
    REQUIRE(f.MatchCount() == 10001);
    REQUIRE(static_cast<int64>(model.size()) == 10001);
    int64 i = 0;
    for (const auto& pair : model) {
        REQUIRE(f.MatchStart(i) == pair.first);
        REQUIRE(f.MatchEnd(i) == pair.second);
        i++;
    }
    CHECK(f.MatchStart(-1) == -1);
    CHECK(f.MatchEnd(10001) == -1);
    CHECK(f.MatchInsertIndex(-5) == 0);
    CHECK(f.MatchInsertIndex(f.MatchStart(10000)) == 10001);
}

TEST_CASE("random texts in UTF-8 and UTF-16: the idle search finds a phrase put anywhere near a slice edge")
{
    unsigned seed = 20261209;
    std::mt19937 random(seed);
    FindBench bench;
    const wchar_t* phrases[] = {L"żółć", L"ĄbŻ", L"x\xD83D\xDE00y", L"łódź"};
    for (int round = 0; round < 12; round++) {
        CAPTURE(seed);
        CAPTURE(round);
        bool wide = round % 3 == 2;
        std::wstring phrase = phrases[random() % 4];
        // The phrase starts up to 12 bytes before an edge of the first
        // slices, or just after it.
        int64 edge = 100000 * (1 + static_cast<int64>(random() % 2));
        int64 at = edge - static_cast<int64>(random() % 13);
        std::wstring before;
        // Filler of two-byte and one-byte characters in UTF-8.
        int64 bytes = 0;
        while (bytes < at - 1) {
            wchar_t c = (random() % 4 == 0) ? L'ę' : (random() % 20 == 0 ? L'\n' : L'-');
            before += c;
            bytes += wide ? 2 : (c == L'ę' ? 2 : 1);
        }
        std::wstring text = before + phrase + std::wstring(5000, L'-');
        int64 start = bytes;
        bench.Load(wide ? Utf16Le(text) : Utf8(text), wide ? EncodingUtf16LE : EncodingUtf8, 0);
        bench.SetField(bench.Form().findField, phrase.c_str());
        bench.Idle();
        CHECK(bench.Anchor() == start);
        std::string matched = wide ? Utf16Le(phrase) : Utf8(phrase);
        CHECK(bench.Caret() == start + static_cast<int64>(matched.size()));
    }
}

TEST_CASE("on one long line a keystroke searches only the part the view shows, also scrolled far to the right")
{
    FindBench bench;
    std::string line = "seek" + std::string(150000, '.') + "seek" + std::string(150000, '.') + "seek" +
                       std::string(50000, '.');
    TextDocument* doc = bench.Load(line, EncodingUtf8, 0);
    ViewState* state = bench.View()->FindViewState(doc);
    CHECK(state->paintedFirst == 0);
    CHECK(state->paintedLast < 10000);
    bench.SetField(bench.Form().findField, L"seek");
    CHECK(Highlights(bench.View()) == (std::vector<int64>{0, 4}));
    bench.SetField(bench.Form().findField, L"");
    bench.View()->SetCaret(doc, 150004 + 100, CaretScrollIntoView, 0);
    bench.Paint();
    CHECK(state->paintedFirst > 140000);
    CHECK(state->paintedFirst <= 150004);
    CHECK(state->paintedLast < 160000);
    bench.SetField(bench.Form().findField, L"seek");
    CHECK(Highlights(bench.View()) == (std::vector<int64>{150004, 150008}));
}
