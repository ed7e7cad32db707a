// The find bar's controls are made on its first use: until then the window
// has none of them, yet its toggles, phrases, menu marks and F3 behave as
// with the bar; once shown it has the texts, fonts and place it would have
// had from the start.

#include "FindTestSupport.h"

#include "editor/Statusbar.h"
#include "gui/Label.h"

namespace {

LONG FontHeight(HWND window)
{
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf.lfHeight;
}

std::wstring ItemText(Toolbar* bar, uint32_t command)
{
    return W(bar->items.At(bar->FindCommand(command)).text);
}

RECT PlaceIn(HWND parent, HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool StillAt(const RECT& place, HWND parent, HWND w)
{
    RECT now = PlaceIn(parent, w);
    return EqualRect(&place, &now) != 0;
}

// The bar's images are drawn at the DPI as the main toolbar's are, every
// button keeps its place, and the row holds its parts above the status bar.
void CheckBarAtDpi(MainForm& f, int dpi)
{
    REQUIRE(f.GetDpi() == dpi);
    CHECK(f.toolbar->tallestDrawn == MulDiv(2 * 28, dpi, 192));
    HWND hwnd = f.hwnd;
    RECT status = PlaceIn(hwnd, f.statusbar->hwnd);
    for (Toolbar* bar : {f.findToolbar, f.replaceToolbar}) {
        CHECK(bar->tallestDrawn == MulDiv(2 * 19, dpi, 192));
        RECT r = PlaceIn(hwnd, bar->hwnd);
        CHECK(r.bottom - r.top >= bar->tallestDrawn);
        CHECK(r.bottom <= status.top);
        // A narrow bar drops whole buttons; none is cut at its right end.
        int used = 0;
        for (int64 i = 0; i < bar->items.Count(); i++) {
            const ToolbarItem& item = bar->items.At(i);
            CAPTURE(item.command);
            CHECK(item.drawnHeight == MulDiv(2 * item.imageHeight, dpi, 192));
            CHECK((item.advance == 0 || item.advance >= item.drawnWidth));
            used += item.advance;
        }
        CHECK(used <= r.right - r.left);
    }
    // The fields leave room above the status bar and below the view.
    for (EditLine* field : {f.findField, f.replaceField}) {
        RECT r = PlaceIn(hwnd, field->hwnd);
        CHECK(r.bottom < status.top);
        CHECK(r.top >= PlaceIn(hwnd, f.view1->hwnd).bottom);
    }
}

}  // namespace

TEST_CASE("the find bar is made on first use; before it its state reads as the bar's and after it lays out in its row")
{
    NoArguments noArguments;
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    CHECK_FALSE(f.FindBarBuilt());
    CHECK((f.findLabel || f.findToolbar || f.replaceLabel || f.replaceField || f.replaceToolbar) == false);
    CHECK(FindWindowExW(hwnd, nullptr, L"Edit", nullptr) == nullptr);
    RECT viewAlone = PlaceIn(hwnd, f.view1->hwnd);

    // The menu toggles the state of a bar that does not exist yet.
    CHECK(MenuChecked(hwnd, 11059));
    RunCommand(f, 11059);
    RunCommand(f, 11058);
    CHECK_FALSE(MenuChecked(hwnd, 11059));
    CHECK(MenuChecked(hwnd, 11058));
    CHECK(f.FindModeNumber() == 3);
    RunCommand(f, 11059);
    // Settings, menu state, other bars and Shift+Esc leave it unmade.
    f.ApplySettings(AppContext::Settings(), true);
    f.UpdateMenuState();
    for (uint32_t command : {11039u, 11039u, 11052u})
        RunCommand(f, command);
    CHECK_FALSE(f.FindBarBuilt());
    CHECK(MenuChecked(hwnd, 11059));
    CHECK(MenuChecked(hwnd, 11058));
    CHECK_FALSE(MenuChecked(hwnd, 11028));

    RunCommand(f, 11017);
    REQUIRE(f.FindBarBuilt());
    CHECK(f.toolbar->IsChecked(11028));
    CHECK(GetFocus() == f.findField->hwnd);
    CHECK(f.findToolbar->IsChecked(kFindToggleCaseId));
    CHECK(f.findToolbar->IsChecked(kFindToggleRegexId));
    CHECK(W(f.findLabel->GetText()) == L"  Find ");
    CHECK(W(f.replaceField->hint) == L"A string of characters replacing the found text");
    CHECK(ItemText(f.findToolbar, kFindToggleCaseId) == L"Turns on/off case-insensitive search");
    CHECK(SendMessageW(f.replaceField->hwnd, WM_GETFONT, 0, 0) == reinterpret_cast<LRESULT>(f.viewFont.Font()));
    CHECK(SendMessageW(f.findLabel->hwnd, WM_GETFONT, 0, 0) == reinterpret_cast<LRESULT>(f.GetFont().Font()));

    // Its windows sit where the start made them: visible, in the order of the
    // row, just before the status bar.
    Control* row[] = {f.findLabel, f.findField, f.findToolbar, f.replaceLabel, f.replaceField, f.replaceToolbar};
    RECT first[6];
    HWND before = f.statusbar->hwnd;
    for (int i = 5; i >= 0; i--) {
        before = GetWindow(before, GW_HWNDPREV);
        CHECK(before == row[i]->hwnd);
        CHECK(IsWindowVisible(row[i]->hwnd));
        first[i] = PlaceIn(hwnd, row[i]->hwnd);
    }
    // Between the view, which gave up its height, and the status bar, its
    // parts left to right; hidden and shown again, every part keeps its place.
    RECT view = PlaceIn(hwnd, f.view1->hwnd);
    CHECK(view.bottom < viewAlone.bottom);
    CHECK(view.bottom <= first[1].top);
    CHECK(first[1].bottom <= PlaceIn(hwnd, f.statusbar->hwnd).top);
    for (int i = 1; i < 6; i++)
        CHECK(first[i - 1].right <= first[i].left);
    CHECK(first[1].right - first[1].left > 20);
    RunCommand(f, 11028);
    CHECK_FALSE(IsWindowVisible(f.findField->hwnd));
    CHECK(StillAt(viewAlone, hwnd, f.view1->hwnd));
    RunCommand(f, 11028);
    for (int i = 0; i < 6; i++)
        CHECK(StillAt(first[i], hwnd, row[i]->hwnd));
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("a language switch, a font setting and a DPI change before the bar exists reach it when it is made")
{
    NoArguments noArguments;
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    LOGFONTW start = {};
    GetObjectW(f.viewFont.Font(), sizeof(start), &start);
    RunCommand(f, 11090);
    AppContext::Settings().SetText(L"FontSize", L"20");
    f.ApplySettings(AppContext::Settings(), true);
    // The refresh the move posts waits: the bar is made at 144 DPI.
    RECT suggested;
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    REQUIRE(f.GetDpi() == 144);
    CHECK_FALSE(f.FindBarBuilt());
    SendMessageW(hwnd, WM_COMMAND, 11028, 0);
    REQUIRE(f.FindBarBuilt());
    // The switch's own hints, not the first build's.
    CHECK(W(f.replaceLabel->GetText()) == L"    Zastąp tekstem ");
    CHECK(W(f.findField->hint) == L"Ciąg znaków do znalezienia.");
    CHECK(ItemText(f.replaceToolbar, kReplaceHistoryId) == L"Poprzednio używane frazy do zastępowania.");
    CHECK(ItemText(f.findToolbar, 11020) == L"Znajdź następny");
    // Size 20 instead of 10, at 144 DPI.
    CHECK(std::abs(FontHeight(f.findField->hwnd)) > std::abs(start.lfHeight) * 3 - 3);
    CHECK(SendMessageW(f.findField->hwnd, WM_GETFONT, 0, 0) == reinterpret_cast<LRESULT>(f.viewFont.Font()));
    CheckBarAtDpi(f, 144);
    Pump();
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("a bar made at 96 DPI follows a change to 144 DPI and back like the main toolbar")
{
    NoArguments noArguments;
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    REQUIRE(f.GetDpi() == 96);
    RunCommand(f, 11017);
    REQUIRE(f.FindBarBuilt());
    CheckBarAtDpi(f, 96);
    for (int dpi : {144, 192, 96}) {
        CAPTURE(dpi);
        // Hidden while the DPI changes, then shown again.
        RunCommand(f, 11028);
        RECT suggested;
        GetWindowRect(hwnd, &suggested);
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        // Before the refresh the move posts, which asks the monitor again.
        SendMessageW(hwnd, WM_COMMAND, 11017, 0);
        CheckBarAtDpi(f, dpi);
    }
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("a restored phrase and its modes serve F3 and the pattern check without the bar")
{
    HiddenEditor editor("FindModesStrings=0\x1b" "1\r\nFindStrings=beta\x1b(ab\r\nReplaceStrings=with\r\n");
    MainForm& f = editor.Form();
    CHECK(MenuChecked(f.hwnd, 11058));
    CHECK(MenuChecked(f.hwnd, 11059));
    // The restored expression does not compile: the field is red once shown.
    CHECK(f.findPatternInvalid == 1);
    RunCommand(f, 11058);

    TextDocument* text = editor.Open(L"f3.txt", "alpha (ab alpha (ab\n");
    ViewState* state = f.activeView->FindViewState(text);
    RunCommand(f, 11020);
    CHECK(state->AnchorPosition() == 6);
    CHECK(state->CaretPosition() == 9);
    RunCommand(f, 11020);
    CHECK(state->AnchorPosition() == 16);
    RunCommand(f, 11019);
    CHECK(state->AnchorPosition() == 6);
    CHECK(W(f.findHistory.StringAt(2)) == L"(ab");
    CHECK(f.findHistory.NumberAt(2) == 0);
    CHECK_FALSE(f.FindBarBuilt());
    CHECK_MESSAGE(editor.run.alerts.alerts.empty(), AlertList(editor.run.alerts));

    RunCommand(f, 11058);
    RunCommand(f, 11017);
    REQUIRE(f.FindBarBuilt());
    CHECK(W(f.findField->GetText()) == L"(ab");
    CHECK(W(f.replaceField->GetText()) == L"with");
    CHECK(f.findToolbar->IsChecked(kFindToggleRegexId));
    CHECK(f.findPatternInvalid == 1);
    // Putting the texts into the new fields searched nothing.
    CHECK(state->AnchorPosition() == 6);
    CHECK(f.incrementalActive == 0);
}
