// The find bar of the real main window: the keys of its fields, the find and
// replace commands, the histories with their drop-down lists and across a
// restart, the mode toggles and the tint of the fields.

#include "FindTestSupport.h"

#include "base/UiLanguage.h"
#include "gui/Label.h"
#include "gui/PopupList.h"
#include "gui/ProgressDialog.h"
#include "support/Screenshot.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace {

std::wstring Entries(const HistoryList& history)
{
    std::wstring out;
    for (int64 i = 0; i < history.Count(); i++)
        out += W(history.StringAt(i)) + L":" + std::to_wstring(history.NumberAt(i)) + L" ";
    return out;
}

DWORD FieldSelectionEnd(EditLine* field)
{
    DWORD start = 0, end = 0;
    SendMessageW(field->GetHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == end ? end : 0xFFFFFFFF;
}

bool RegexOn(MainForm& f)
{
    return f.findToolbar->IsChecked(kFindToggleRegexId);
}

bool NoCaseOn(MainForm& f)
{
    return f.findToolbar->IsChecked(kFindToggleCaseId);
}

// Steps run one per timer tick while a history list runs its own loop.
class PopupScript {
public:
    explicit PopupScript(std::vector<std::function<void(PopupList*)>> s) : steps(std::move(s))
    {
        current = this;
        timer = SetTimer(nullptr, 0, 30, Tick);
    }
    ~PopupScript()
    {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    std::vector<std::function<void(PopupList*)>> steps;
    size_t done = 0;
    MainForm* form = nullptr;
    UINT_PTR timer = 0;
    static PopupScript* current;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        PopupScript* script = current;
        if (!script || !script->form || script->done >= script->steps.size())
            return;
        PopupList* popup = script->form->historyPopup;
        if (!popup)
            return;
        script->steps[script->done++](popup);
    }
};
PopupScript* PopupScript::current = nullptr;

std::string History12()
{
    std::string texts = "FindStrings=", modes = "FindModesStrings=";
    for (int i = 0; i < 12; i++) {
        texts += (i ? "\x1b" : "") + std::string("p") + std::to_string(i);
        modes += (i ? "\x1b" : "") + std::string(i == 4 ? "3" : "0");
    }
    return modes + "\r\n" + texts + "\r\nReplaceStrings=r1\x1br2\r\n";
}

COLORREF Blended(COLORREF tint)
{
    COLORREF w = GetSysColor(COLOR_WINDOW);
    auto mix = [](int c, int t) { return c * 85 / 100 + t * 15 / 100; };
    return RGB(mix(GetRValue(w), GetRValue(tint)), mix(GetGValue(w), GetGValue(tint)), mix(GetBValue(w), GetBValue(tint)));
}

// The background of a field, right of its text.
COLORREF FieldColor(EditLine* field)
{
    InvalidateRect(field->GetHwnd(), nullptr, TRUE);
    UpdateWindow(field->GetHwnd());
    Pump();
    PixelImage image = ReadWindowPixels(field->GetHwnd());
    REQUIRE(image.width > 20);
    return image.At(image.width - 6, image.height / 2);
}

}  // namespace

TEST_CASE("Enter in either field finds and remembers the phrase with its mode; an empty phrase only shows the bar")
{
    FindBench bench;
    MainForm& f = bench.Form();
    bench.Load("alpha beta alpha\n", EncodingUtf8, 0);
    bench.SetField(f.findField, L"alpha");
    bench.Char(f.findField, 13);
    CHECK(Entries(f.findHistory) == L"alpha:0 ");
    // F3 and its variants run from the bar's phrase.
    CHECK(bench.Anchor() == 0);
    CHECK(bench.Caret() == 5);
    bench.Command(11020);
    CHECK(bench.Anchor() == 11);
    bench.Command(11019);
    CHECK(bench.Anchor() == 0);
    bench.Command(11021);
    CHECK(bench.Anchor() == 11);
    CHECK(bench.Caret() == 16);
    bench.Command(11018);
    CHECK(bench.Anchor() == 0);
    // Regular expression, case matters: mode 1 + 2.
    bench.Command(11058);
    bench.Command(11059);
    CHECK(RegexOn(f));
    CHECK(MenuChecked(bench.run.Hwnd(), 11058));
    CHECK_FALSE(NoCaseOn(f));
    CHECK_FALSE(MenuChecked(bench.run.Hwnd(), 11059));
    bench.SetField(f.replaceField, L"with");
    bench.Char(f.replaceField, 13);
    CHECK(Entries(f.findHistory) == L"alpha:0 alpha:3 ");
    // Enter in the replacement field never replaces.
    CHECK(f.replaceHistory.Count() == 0);
    CHECK(doctext::Bytes(*bench.Doc()) == "alpha beta alpha\n");
    bench.Command(kFindToggleRegexId);
    bench.Command(kFindToggleCaseId);
    CHECK_FALSE(RegexOn(f));
    CHECK_FALSE(MenuChecked(bench.run.Hwnd(), 11058));
    CHECK(NoCaseOn(f));

    // An empty phrase never reaches the broker: the bar shows, focused.
    bench.SetField(f.findField, L"");
    bench.Command(11028);
    REQUIRE(f.findBar->IsCollapsed());
    for (uint32_t command : {11020u, 11019u, 11018u, 11021u, 11023u}) {
        CAPTURE(command);
        bench.Command(command);
        CHECK_FALSE(f.findBar->IsCollapsed());
        CHECK(GetFocus() == f.findField->GetHwnd());
        bench.Command(11028);
    }
    CHECK(f.findHistory.Count() == 2);
    CHECK(f.replaceHistory.Count() == 0);
    for (const auto& alert : bench.run.alerts.alerts)
        FAIL_CHECK(Narrow(alert.title + L": " + alert.message));
}

TEST_CASE("Tab, Esc and the history keys of both fields: Shift walks the find history and sets both toggles")
{
    FindBench bench("FindModesStrings=0\x1b" "3\x1b" "1\r\nFindStrings=one\x1btwo\x1bthree\r\n"
                    "ReplaceStrings=r1\x1br2\r\n");
    MainForm& f = bench.Form();
    EditLine* find = f.findField;
    EditLine* replace = f.replaceField;
    REQUIRE(bench.FieldText(find) == L"three");
    CHECK(RegexOn(f));
    CHECK(NoCaseOn(f));

    bench.ShiftKey(find, VK_UP);
    CHECK(bench.FieldText(find) == L"two");
    CHECK(FieldSelectionEnd(find) == 3);
    CHECK(RegexOn(f));
    CHECK_FALSE(NoCaseOn(f));
    bench.ShiftKey(find, VK_UP);
    CHECK(bench.FieldText(find) == L"one");
    CHECK_FALSE(RegexOn(f));
    CHECK(NoCaseOn(f));
    CHECK_FALSE(MenuChecked(bench.run.Hwnd(), 11058));
    CHECK(MenuChecked(bench.run.Hwnd(), 11059));
    bench.ShiftKey(find, VK_UP);
    CHECK(bench.FieldText(find) == L"one");
    bench.ShiftKey(find, VK_DOWN);
    bench.ShiftKey(find, VK_DOWN);
    bench.ShiftKey(find, VK_DOWN);
    CHECK(bench.FieldText(find) == L"three");
    CHECK(RegexOn(f));

    // A text not in the history joins it first, so the walk comes back to it.
    bench.SetField(find, L"four");
    bench.ShiftKey(find, VK_UP);
    CHECK(bench.FieldText(find) == L"three");
    CHECK(Entries(f.findHistory) == L"one:0 two:3 three:1 four:1 ");
    bench.ShiftKey(find, VK_DOWN);
    CHECK(bench.FieldText(find) == L"four");
    // Without Shift the arrows search; the history stays.
    bench.Key(find, VK_UP);
    bench.Key(find, VK_DOWN);
    CHECK(bench.FieldText(find) == L"four");

    // The replacement field walks its history with the plain arrows.
    REQUIRE(bench.FieldText(replace) == L"r2");
    bench.Key(replace, VK_UP);
    CHECK(bench.FieldText(replace) == L"r1");
    CHECK(FieldSelectionEnd(replace) == 2);
    bench.Key(replace, VK_UP);
    CHECK(bench.FieldText(replace) == L"r1");
    bench.ShiftKey(replace, VK_DOWN);
    CHECK(bench.FieldText(replace) == L"r2");
    bench.Key(replace, VK_DOWN);
    CHECK(bench.FieldText(replace) == L"r2");
    CHECK(RegexOn(f));

    // Tab moves between the fields, Esc goes back to the text.
    find->SetFocus();
    bench.Char(find, 9);
    CHECK(GetFocus() == replace->GetHwnd());
    bench.Char(replace, 9);
    CHECK(GetFocus() == find->GetHwnd());
    bench.Char(find, 27);
    CHECK(GetFocus() == bench.View()->GetHwnd());
    replace->SetFocus();
    bench.Char(replace, 27);
    CHECK(GetFocus() == bench.View()->GetHwnd());
    // A collapsed bar takes no Tab.
    bench.Command(11028);
    REQUIRE(f.findBar->IsCollapsed());
    bench.Char(find, 9);
    CHECK(GetFocus() == bench.View()->GetHwnd());
}

TEST_CASE("the history drop-down lists at most ten entries oldest first; arrows, Enter, Esc and Tab steer it")
{
    FindBench bench(History12());
    MainForm& f = bench.Form();
    EditLine* find = f.findField;
    REQUIRE(bench.FieldText(find) == L"p11");
    std::vector<std::wstring> rows;
    std::vector<int> highlights;
    bool held = false;
    auto record = [&](PopupList* popup) {
        highlights.push_back(popup->highlighted);
        rows.clear();
        for (int64 i = 0; i < popup->items.Count(); i++)
            rows.push_back(W(popup->items.At(i)));
        held = f.findToolbar->items.At(f.findToolbar->FindCommand(kFindHistoryId)).held != 0;
    };
    auto key = [&](UINT vk) {
        return [&, vk](PopupList* popup) {
            record(popup);
            PostMessageW(find->GetHwnd(), WM_KEYDOWN, vk, 0);
        };
    };
    auto chr = [&](wchar_t c) {
        return [&, c](PopupList* popup) {
            record(popup);
            PostMessageW(find->GetHwnd(), WM_CHAR, c, 0);
        };
    };
    {
        PopupScript script({key(VK_DOWN), key(VK_DOWN), key(VK_DOWN), key(VK_DOWN), key(VK_DOWN), key(VK_UP),
                            key(VK_DOWN), chr(13)});
        script.form = &f;
        bench.Command(kFindHistoryId);
        CHECK(script.done == script.steps.size());
    }
    REQUIRE(rows.size() == 10);
    CHECK(rows.front() == L"p0");
    CHECK(rows.back() == L"p9");
    CHECK(held);
    CHECK(f.findToolbar->items.At(f.findToolbar->FindCommand(kFindHistoryId)).held == 0);
    // p11 is not listed: nothing starts highlighted.
    CHECK(highlights == (std::vector<int>{-1, 0, 1, 2, 3, 4, 3, 4}));
    CHECK(bench.FieldText(find) == L"p4");
    CHECK(FieldSelectionEnd(find) == 2);
    CHECK(GetFocus() == find->GetHwnd());
    CHECK(RegexOn(f));
    CHECK_FALSE(NoCaseOn(f));
    CHECK(f.historyPopup == nullptr);

    // Esc and Tab dismiss; Enter without a highlighted row too.
    for (wchar_t dismiss : {L'\x1b', L'\t', L'\r'}) {
        CAPTURE(static_cast<int>(dismiss));
        bench.SetField(find, dismiss == L'\r' ? L"none" : L"p4");
        highlights.clear();
        // Up would highlight a row, so Enter goes alone.
        std::vector<std::function<void(PopupList*)>> steps;
        if (dismiss != L'\r')
            steps.push_back(key(VK_UP));
        steps.push_back(chr(dismiss));
        size_t count = steps.size();
        PopupScript script(std::move(steps));
        script.form = &f;
        bench.Command(kFindHistoryId);
        CHECK(script.done == count);
        CHECK(bench.FieldText(find) == (dismiss == L'\r' ? L"none" : L"p4"));
        CHECK(highlights == (dismiss == L'\r' ? std::vector<int>{-1} : std::vector<int>{4, 3}));
        CHECK(f.historyPopup == nullptr);
    }

    // The replacement list: the chosen text, the toggles untouched.
    EditLine* replace = f.replaceField;
    auto replaceKey = [&](UINT vk) {
        return [&, vk](PopupList* popup) {
            record(popup);
            PostMessageW(replace->GetHwnd(), WM_KEYDOWN, vk, 0);
        };
    };
    {
        PopupScript script({replaceKey(VK_UP), [&](PopupList* popup) {
                                record(popup);
                                PostMessageW(replace->GetHwnd(), WM_CHAR, 13, 0);
                            }});
        script.form = &f;
        bench.Command(kReplaceHistoryId);
        CHECK(script.done == 2);
    }
    CHECK(rows == (std::vector<std::wstring>{L"r1", L"r2"}));
    CHECK(bench.FieldText(replace) == L"r1");
    CHECK(RegexOn(f));
    CHECK(f.replaceToolbar->items.At(f.replaceToolbar->FindCommand(kReplaceHistoryId)).held == 0);

    // An empty history shows no list.
    f.replaceHistory.Clear();
    bench.Command(kReplaceHistoryId);
    CHECK(f.historyPopup == nullptr);
}

TEST_CASE("the find, find-mode and replace histories come back after the window is closed and made again")
{
    std::string saved;
    {
        FindBench bench;
        MainForm& f = bench.Form();
        bench.SetField(f.findField, L"alpha");
        bench.Command(11020);
        bench.Command(11058);
        bench.SetField(f.findField, L"b+");
        bench.Command(11018);
        bench.SetField(f.replaceField, L"gamma");
        bench.Command(11023);
        SendMessageW(bench.run.Hwnd(), WM_CLOSE, 0, 0);
        REQUIRE(f.quitAsked);
        saved = ReadFileBytes(bench.run.data / L"appsettings.dat");
    }
    CHECK(saved.find("FindStrings=alpha\x1b" "b+\r\n") != std::string::npos);
    CHECK(saved.find("FindModesStrings=0\x1b" "1\r\n") != std::string::npos);
    CHECK(saved.find("ReplaceStrings=gamma\r\n") != std::string::npos);
    FindBench again(saved);
    MainForm& f = again.Form();
    CHECK(again.FieldText(f.findField) == L"b+");
    CHECK(again.FieldText(f.replaceField) == L"gamma");
    CHECK(RegexOn(f));
    CHECK(NoCaseOn(f));
    CHECK(Entries(f.findHistory) == L"alpha:0 b+:1 ");
    CHECK(Entries(f.replaceHistory) == L"gamma:0 ");
}

TEST_CASE("Replace in remaining text asks where to start; Cancel or a closed question runs nothing")
{
    FindBench bench;
    MainForm& f = bench.Form();
    bench.Load("teh cat teh\n", EncodingUtf8, 0);
    bench.SetField(f.findField, L"teh");
    bench.SetField(f.replaceField, L"the");
    for (int32 answer : {2, -1}) {
        CAPTURE(answer);
        bench.run.alerts.alerts.clear();
        bench.run.alerts.answers = {answer};
        bench.Command(11024);
        REQUIRE(bench.run.alerts.alerts.size() == 1);
        const auto& alert = bench.run.alerts.alerts[0];
        CHECK(alert.title == Lang(L"Zastąp w pozostałym tekście - Scrivel", L"Replace in remaining text - Scrivel"));
        CHECK(alert.message == Lang(L"Rozpocząć zamianę od bieżącej pozycji, czy od początku tekstu?",
                                    L"Shall I start replacement from current position or from the beginning of text?"));
        CHECK(alert.buttons == Lang(L"Od &bieżącej pozycji|Od &początku tekstu|-Anuluj",
                                    L"From &current position|From &beginning|-Cancel"));
        CHECK(alert.kind == 1);
        CHECK(doctext::Bytes(*bench.Doc()) == "teh cat teh\n");
    }
    // The phrase and the replacement were remembered before the question.
    CHECK(Entries(f.findHistory) == L"teh:0 ");
    CHECK(Entries(f.replaceHistory) == L"the:0 ");

    // From the caret after the first match, then from the start; one undo each.
    bench.View()->SetCaret(bench.Doc(), 5, 0, 0);
    bench.run.alerts.answers = {0};
    bench.Command(11024);
    CHECK(doctext::Bytes(*bench.Doc()) == "teh cat the\n");
    bench.run.alerts.answers = {1};
    bench.Command(11024);
    CHECK(doctext::Bytes(*bench.Doc()) == "the cat the\n");
    bench.Command(11010);
    CHECK(doctext::Bytes(*bench.Doc()) == "teh cat the\n");
    bench.Command(11010);
    CHECK(doctext::Bytes(*bench.Doc()) == "teh cat teh\n");
    // F4 replaces a selected match and selects the next one.
    bench.SetField(f.replaceField, L"THE");
    bench.Command(11018);
    bench.Command(11023);
    CHECK(doctext::Bytes(*bench.Doc()) == "THE cat teh\n");
    CHECK(bench.Anchor() == 8);
    CHECK(bench.Caret() == 11);
}

TEST_CASE("in regular-expression mode the fields turn yellowish, the find field reddish while its pattern is bad")
{
    FindBench bench;
    MainForm& f = bench.Form();
    bench.Load("abc\n", EncodingUtf8, 0);
    COLORREF window = GetSysColor(COLOR_WINDOW);
    COLORREF yellow = Blended(RGB(255, 255, 0));
    COLORREF red = Blended(RGB(255, 0, 0));
    REQUIRE(yellow != window);
    bench.SetField(f.findField, L"(");
    bench.SetField(f.replaceField, L"x");
    CHECK(FieldColor(f.findField) == window);
    CHECK(FieldColor(f.replaceField) == window);

    // Turning the mode on checks the pattern at once.
    bench.Command(kFindToggleRegexId);
    CHECK(f.findPatternInvalid != 0);
    CHECK(FieldColor(f.findField) == red);
    CHECK(FieldColor(f.replaceField) == yellow);
    bench.SetField(f.findField, L"(a+)");
    CHECK(f.findPatternInvalid == 0);
    CHECK(FieldColor(f.findField) == yellow);
    bench.SetField(f.findField, L"a[");
    CHECK(FieldColor(f.findField) == red);
    // A bad replacement template never turns its field red.
    bench.SetField(f.replaceField, L"\\");
    CHECK(FieldColor(f.replaceField) == yellow);
    bench.Command(11058);
    CHECK(FieldColor(f.findField) == window);
    CHECK(FieldColor(f.replaceField) == window);
}

namespace {

// What the progress dialog showed at each of its reports, seen through its
// clock: every report asks for the time once.
struct ProgressProbe {
    static ProgressProbe* active;
    ProgressDialog* dialog = nullptr;
    TextDocument* text = nullptr;
    int64 startSize = 0;
    DWORD now = 0;
    struct Seen {
        int64 replaced;
        bool shown;
        std::wstring line1, line2;
        int64 position, total;
        bool ownerEnabled;
    };
    std::vector<Seen> seen;
    // At this report the system asks to end the session (0: never).
    size_t endSessionAt = 0;

    static DWORD WINAPI Tick()
    {
        ProgressProbe& p = *active;
        // Each report is 30 ms of work later than the one before.
        p.now += 30;
        if (p.dialog->line1) {
            p.seen.push_back({p.startSize - p.text->text.Size(), IsWindowVisible(p.dialog->hwnd) != 0,
                              W(p.dialog->line1->GetText()), W(p.dialog->line2->GetText()), p.dialog->lastPosition,
                              p.dialog->total, IsWindowEnabled(GetWindow(p.dialog->hwnd, GW_OWNER)) != 0});
            // Handled by the dialog's pump, as it comes from the system.
            if (p.seen.size() == p.endSessionAt)
                PostMessageW(GetWindow(p.dialog->hwnd, GW_OWNER), WM_QUERYENDSESSION, 0, 0);
        }
        return p.now;
    }
};
ProgressProbe* ProgressProbe::active = nullptr;

// A replace of every "alpha" by the one byte shorter "beta" from the
// beginning, the probe watching the dialog: the text's size counts the
// replacements made. The alerts get the answers given.
void WatchedReplace(FindBench& bench, ProgressProbe& probe, TextDocument* doc, std::deque<int32> answers)
{
    MainForm& f = bench.Form();
    probe.dialog = f.progressDialog;
    probe.text = doc;
    probe.startSize = doc->text.Size();
    ProgressProbe::active = &probe;
    probe.dialog->tickSource = ProgressProbe::Tick;
    bench.SetField(f.findField, L"alpha");
    bench.SetField(f.replaceField, L"beta");
    bench.run.alerts.answers = std::move(answers);
    bench.Command(11024);
    probe.dialog->tickSource = GetTickCount;
    ProgressProbe::active = nullptr;
}

}  // namespace

TEST_CASE("replacing many matches reports every few of them and the dialog keeps its texts and order")
{
    FindBench bench;
    const int lines = 40000;
    std::string bytes;
    bytes.reserve(static_cast<size_t>(lines) * 11);
    for (int i = 0; i < lines; i++)
        bytes += "x = alpha;\n";
    TextDocument* doc = bench.Load(bytes, EncodingUtf8, 0);
    ProgressProbe probe;
    WatchedReplace(bench, probe, doc, {1});
    REQUIRE(doc->text.Size() == probe.startSize - lines);
    REQUIRE(probe.seen.size() > 2);
    int64 lastReplaced = 0, maxGap = 0, lastPercent = 0, blank = 0, backwards = 0, away = 0;
    bool everShown = false;
    for (const ProgressProbe::Seen& s : probe.seen) {
        maxGap = std::max(maxGap, s.replaced - lastReplaced);
        lastReplaced = s.replaced;
        everShown = everShown || s.shown;
        blank += s.line1.empty() || s.line2.empty();
        if (s.total > 0 && s.position >= 0) {
            int64 percent = s.position * 100 / s.total;
            backwards += percent < lastPercent;
            // The bar follows the work done: the replaced lines' bytes (10
            // each now) of the whole text.
            int64 done = 10 * s.replaced;
            away += std::abs(percent - done * 100 / (done + 11 * (lines - s.replaced))) > 1;
            lastPercent = percent;
        }
    }
    CHECK(everShown);
    CHECK(maxGap <= 64);
    CHECK(blank == 0);
    CHECK(backwards == 0);
    CHECK(away == 0);
    CHECK_MESSAGE(bench.run.alerts.alerts.size() == 1, AlertList(bench.run.alerts));
}

TEST_CASE("a save asked for by the session's end during a replace leaves the replace's dialog shown and filled")
{
    FindBench bench;
    MainForm& f = bench.Form();
    const int lines = 40000;
    std::string bytes;
    for (int i = 0; i < lines; i++)
        bytes += "x = alpha;\n";
    TextDocument* doc = bench.Load(bytes, EncodingUtf8, 0);
    ProgressProbe probe;
    probe.endSessionAt = 60;
    // From the beginning; then Save for the question of the session's end.
    WatchedReplace(bench, probe, doc, {1, 0});
    REQUIRE(doc->text.Size() == probe.startSize - lines);
    REQUIRE(probe.seen.size() > probe.endSessionAt + 10);
    CHECK(bench.run.alerts.alerts.size() == 2);
    // The save wrote the text as it stood; the replace went on to the end.
    CHECK(ReadFileBytes(doc->GetPath()).size() < bytes.size());
    size_t first = 0;
    while (first < probe.seen.size() && !probe.seen[first].shown)
        first++;
    REQUIRE(first < probe.endSessionAt);
    int hidden = 0, blank = 0, enabled = 0;
    for (size_t i = first; i < probe.seen.size(); i++) {
        const ProgressProbe::Seen& s = probe.seen[i];
        hidden += !s.shown;
        blank += s.line1.empty() || s.line2.empty();
        enabled += s.ownerEnabled;
    }
    CHECK(hidden == 0);
    CHECK(blank == 0);
    CHECK(enabled == 0);
    CHECK(probe.seen.back().line1 == (IsPolishUi() ? L"Stopień zaawansowania" : L"Progress"));
    CHECK_FALSE(IsWindowVisible(f.progressDialog->hwnd));
    CHECK(IsWindowEnabled(f.hwnd));
}
