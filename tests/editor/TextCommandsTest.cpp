#include "editor/TextCommands.h"

#include "actions/BrokerTestSupport.h"
#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/TextConversions.h"
#include "support/DocumentText.h"

#include <doctest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data(), static_cast<size_t>(s.Length()));
}

std::wstring WholeText(BrokerBench& bench, TextDocument* doc)
{
    return W(GetTextRange(bench.views[0], 0, doc->text.Size()));
}

std::vector<int64> BookmarkLines(TextDocument* doc)
{
    std::vector<int64> lines;
    for (int64 p = doc->NextBookmark(0, doc->text.Size()); p >= 0; p = doc->NextBookmark(p + 1, doc->text.Size()))
        lines.push_back(doc->text.LineOfOffset(p));
    return lines;
}

void Caret(BrokerBench& bench, TextDocument* doc, int64 caret, int64 anchor = -1)
{
    bench.views[0]->SetCaret(doc, anchor < 0 ? caret : anchor, 0, 0);
    bench.views[0]->SetCaret(doc, caret, anchor < 0 ? 0u : static_cast<u32>(CaretKeepAnchor), 0);
}

int64 CaretOf(BrokerBench& bench, TextDocument* doc)
{
    return bench.views[0]->FindViewState(doc)->CaretPosition();
}

int64 AnchorOf(BrokerBench& bench, TextDocument* doc)
{
    return bench.views[0]->FindViewState(doc)->AnchorPosition();
}

}  // namespace

TEST_CASE("matching bracket moves and selects")
{
    SetUiLanguageId(9);
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    doctext::Type(*doc, 0, L"a(b)c\nxyz\n((x))");
    TextView* view = bench.views[0];
    Caret(bench, doc, 1);
    GoToMatchingBracket(*bench.broker, view, true);
    CHECK(AnchorOf(bench, doc) == 1);
    CHECK(CaretOf(bench, doc) == 4);
    Caret(bench, doc, 4);
    GoToMatchingBracket(*bench.broker, view, false);
    CHECK(CaretOf(bench, doc) == 1);
    int64 second = doc->text.LineStart(1) + 1;
    Caret(bench, doc, second);
    GoToMatchingBracket(*bench.broker, view, false);
    CHECK(CaretOf(bench, doc) == second);
    int64 third = doc->text.LineStart(2);
    Caret(bench, doc, third);
    GoToMatchingBracket(*bench.broker, view, false);
    CHECK(CaretOf(bench, doc) == third + 4);
    Caret(bench, doc, doc->text.Size());
    GoToMatchingBracket(*bench.broker, view, false);
    CHECK(CaretOf(bench, doc) == 0);
    CHECK(bench.broadcasts.back().kind == BroadcastCaretMoved);
}

TEST_CASE("upper case without a selection converts and selects the next character, one undo step")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    doctext::Type(*doc, 0, L"abc");
    Caret(bench, doc, 1);
    ConvertCase(*bench.broker, bench.views[0], CommandUpperCase);
    CHECK(WholeText(bench, doc) == L"aBc");
    CHECK(AnchorOf(bench, doc) != CaretOf(bench, doc));
    bench.Run(ActionUndo);
    CHECK(WholeText(bench, doc) == L"abc");
}

TEST_CASE("tab conversions of a whole text: model bytes, bookmarks keep their lines, also undone and redone")
{
    unsigned seed = 4242;
    std::mt19937 rng(seed);
    BrokerBench bench;
    for (int round = 0; round < 12; round++) {
        INFO("seed " << seed << " round " << round);
        TextDocument* doc = bench.NewText();
        std::wstring text;
        int lines = 6 + static_cast<int>(rng() % 6);
        for (int l = 0; l < lines; l++) {
            int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; k++)
                text += L" \t xa\x0105"[rng() % 6];
            text += rng() % 2 ? L"\r\n" : L"\n";
        }
        doctext::Type(*doc, 0, text.c_str());
        std::wstring before = WholeText(bench, doc);
        doc->AddBookmark(doc->text.LineStart(1));
        doc->AddBookmark(doc->text.LineStart(3));
        doc->AddBookmark(doc->text.LineStart(5));
        std::vector<int64> marked = BookmarkLines(doc);
        int32 step = static_cast<int32>(rng() % 22);  // 0 and 21 clamp
        Caret(bench, doc, 2);
        bool toSpaces = round % 2 == 0;
        if (toSpaces)
            TabsToSpaces(*bench.broker, bench.views[0], step);
        else
            SpacesToTabs(*bench.broker, bench.views[0], step);
        String expect = toSpaces ? ExpandTabs(String(before.c_str()), step) : CompressSpaces(String(before.c_str()), step);
        CHECK(WholeText(bench, doc) == W(expect));
        CHECK(BookmarkLines(doc) == marked);
        bench.Run(ActionUndo);
        CHECK(WholeText(bench, doc) == before);
        CHECK(BookmarkLines(doc) == marked);
        bench.Run(ActionRedo);
        CHECK(WholeText(bench, doc) == W(expect));
        CHECK(BookmarkLines(doc) == marked);
    }
}

TEST_CASE("convert encoding in all seven encodings; losing characters is asked first")
{
    SetUiLanguageId(9);
    BrokerBench bench;
    const std::wstring polish = L"Zażółć gęślą jaźń\r\nline two";
    for (int32 enc = 1; enc <= 7; enc++) {
        for (bool bom : {false, true}) {
            INFO("encoding " << enc << " bom " << bom);
            TextDocument* doc = bench.NewText();
            doctext::Type(*doc, 0, polish.c_str());
            std::string bytes = doctext::Bytes(*doc);
            bench.alerts.alerts.clear();
            bool lossy = enc == 4 || enc == 6;
            // Keep the history: every question declined.
            bench.alerts.answers = {1, 1};
            ConvertTextEncoding(*bench.broker, bench.views[0], enc, bom);
            CHECK(doctext::Bytes(*doc) == bytes);
            CHECK(doc->UndoGroupTag() >= 0);
            // Now agree to everything.
            bench.alerts.answers = {0, 0};
            bench.alerts.alerts.clear();
            ConvertTextEncoding(*bench.broker, bench.views[0], enc, bom);
            CHECK(doc->text.Encoding() == enc);
            CHECK((doc->bomLength > 0) == (bom && enc <= 3));
            CHECK(doc->UndoGroupTag() < 0);
            REQUIRE(bench.alerts.alerts.size() == (lossy ? 2u : 1u));
            if (lossy) {
                CHECK(bench.alerts.alerts[1].buttons == L"+Convert|-Cancel");
                CHECK(bench.alerts.alerts[1].kind == 1);
            } else {
                CHECK(WholeText(bench, doc) == polish);
            }
        }
    }
    TextDocument* doc = bench.NewText();
    doctext::Type(*doc, 0, L"abc");
    bench.alerts.alerts.clear();
    for (int32 bad : {0, -1, 8}) {
        ConvertTextEncoding(*bench.broker, bench.views[0], bad, false);
        ForceTextEncoding(*bench.broker, bench.views[0], bad, false);
    }
    CHECK(bench.alerts.alerts.empty());
    CHECK(doc->text.Encoding() == EncodingUtf8);
    CHECK(doc->UndoGroupTag() >= 0);
}

TEST_CASE("force encoding keeps the bytes and removes bookmarks with one notice")
{
    BrokerBench bench;
    for (int32 enc = 1; enc <= 7; enc++) {
        TextDocument* doc = bench.NewText();
        doctext::Type(*doc, 0, L"ab\ncd\nef\ngh");
        doc->ClearUndo();
        doc->AddBookmark(doc->text.LineStart(0));
        doc->AddBookmark(doc->text.LineStart(2));
        doc->AddBookmark(doc->text.LineStart(3));
        std::string bytes = doctext::Bytes(*doc);
        bench.broadcasts.clear();
        ForceTextEncoding(*bench.broker, bench.views[0], enc, false);
        CHECK(doctext::Bytes(*doc) == bytes);
        CHECK(doc->text.Encoding() == enc);
        CHECK(doc->diskEncoding == enc);
        std::vector<int32> kinds = bench.Kinds();
        bool marked = enc != EncodingUtf8;
        CHECK((std::find(kinds.begin(), kinds.end(), BroadcastBookmarksChanged) != kinds.end()) == marked);
        CHECK((doc->bookmarks.Count() == 0) == marked);
    }
}

TEST_CASE("bookmarks toggle, wrap and stop at 1000")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    std::wstring text;
    for (int i = 0; i < 1100; i++)
        text += L"line\n";
    doctext::Type(*doc, 0, text.c_str());
    TextView* view = bench.views[0];
    Caret(bench, doc, doc->text.LineStart(2) + 2);
    ToggleBookmark(*bench.broker, view);
    CHECK(BookmarkLines(doc) == std::vector<int64>{2});
    ToggleBookmark(*bench.broker, view);
    CHECK(BookmarkLines(doc).empty());
    Caret(bench, doc, doc->text.LineStart(5));
    ToggleBookmark(*bench.broker, view);
    Caret(bench, doc, doc->text.LineStart(9));
    ToggleBookmark(*bench.broker, view);
    NextBookmark(*bench.broker, view);
    CHECK(CaretOf(bench, doc) == doc->text.LineStart(5));
    PreviousBookmark(*bench.broker, view);
    CHECK(CaretOf(bench, doc) == doc->text.LineStart(9));
    ClearBookmarks(*bench.broker, view);
    CHECK(BookmarkLines(doc).empty());
    for (int i = 0; i <= 1000; i++)
        doc->AddBookmark(doc->text.LineStart(i));
    Caret(bench, doc, doc->text.LineStart(1050));
    int32 code = 0;
    try {
        ToggleBookmark(*bench.broker, view);
    } catch (const Error& e) {
        code = e.code;
    }
    CHECK(code == -112);
}

TEST_CASE("BOM toggles for Unicode encodings, 8-bit ones only show the alert")
{
    SetUiLanguageId(9);
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    doctext::Type(*doc, 0, L"x");
    ToggleTextBom(*bench.broker, bench.views[0]);
    CHECK(doc->bomLength == 3);
    ToggleTextBom(*bench.broker, bench.views[0]);
    CHECK(doc->bomLength == 0);
    doc->text.SetEncoding(EncodingWindows1250);
    bench.alerts.alerts.clear();
    ToggleTextBom(*bench.broker, bench.views[0]);
    CHECK(doc->bomLength == 0);
    REQUIRE(bench.alerts.alerts.size() == 1);
    CHECK(bench.alerts.alerts[0].title == L"Toggle BOM - Scrivel");
}

TEST_CASE("commands by menu id: bookmarks and tabs with the settings' step, clamped")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    doctext::Type(*doc, 0, L"\tx\ny");
    CHECK(IsTextCommand(11096));
    CHECK_FALSE(IsTextCommand(11037));
    SettingsStore& settings = AppContext::Current().settings;
    String old = settings.GetText(L"TabStep");
    settings.SetText(L"TabStep", L"0");
    Caret(bench, doc, 0);
    RunTextCommand(*bench.broker, bench.views[0], &bench.host, 11096);
    CHECK(WholeText(bench, doc).substr(0, 2) == L" x");
    settings.SetText(L"TabStep", L"99999999999");
    bench.Run(ActionUndo);
    Caret(bench, doc, 0);
    RunTextCommand(*bench.broker, bench.views[0], &bench.host, 11096);
    CHECK(WholeText(bench, doc).substr(0, 21) == std::wstring(20, L' ') + L"x");
    settings.SetText(L"TabStep", old.CStr());
    Caret(bench, doc, 0);
    RunTextCommand(*bench.broker, bench.views[0], &bench.host, 11053);
    CHECK(BookmarkLines(doc) == std::vector<int64>{0});
    RunTextCommand(*bench.broker, bench.views[0], &bench.host, 11056);
    CHECK(BookmarkLines(doc).empty());
}
