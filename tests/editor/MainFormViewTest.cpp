// Splitting, closing, switching and duplicating the two views, wrap and zoom,
// the configuration command and the interface language switch, on the real
// main window.

#include "MainFormTestSupport.h"

#include "base/SettingsStore.h"
#include "editor/ConfigDialog.h"
#include "editor/Statusbar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/Toolbar.h"
#include "spell/SpellCheckDialog.h"
#include "support/ModalWatch.h"
#include "support/Pump.h"
#include "support/TempFolder.h"
#include "text/TextDocument.h"
#include "view/TextSplitter.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

int64 Caret(TextView* view)
{
    return view->FindViewState(view->CurrentDocument())->CaretPosition();
}

std::wstring SettingOf(const String& file, const wchar_t* key)
{
    SettingsStore store;
    LoadKeyValueFile(store, file.CStr());
    return W(store.Get(key));
}

// The marked ranges of a view's state of its text.
std::vector<int64> Marks(TextView* view)
{
    const Array<int64>& list = view->FindViewState(view->CurrentDocument())->bracketHighlights;
    std::vector<int64> marks;
    for (int64 i = 0; i < list.Count(); i++)
        marks.push_back(list.At(i));
    return marks;
}

void Key(TextView* view, WPARAM key)
{
    SendMessageW(view->hwnd, WM_KEYDOWN, key, 0);
}

}  // namespace

TEST_CASE("the bracket at the caret of the view that moved is marked with its partner, not with the flag off")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    using Marked = std::vector<int64>;
    TypeInto(f.view1, L"f(a[1]) x");
    CHECK(Marks(f.view1).empty());
    for (int i = 0; i < 4; i++)
        Key(f.view1, VK_LEFT);
    // A closing bracket finds its opening one backwards.
    CHECK(Marks(f.view1) == Marked{5, 6, 3, 4});
    RunCommand(f, 11068);  // F8: view 2 opens at the same place
    REQUIRE(f.activeView == f.view2);
    Key(f.view2, VK_RIGHT);
    CHECK(Marks(f.view2) == Marked{6, 7, 1, 2});
    CHECK(Marks(f.view1).empty());
    Key(f.view2, VK_DELETE);
    CHECK(Marks(f.view2).empty());
    f.showMatchingBracket = 0;
    Key(f.view2, VK_LEFT);
    CHECK(Marks(f.view2).empty());
}

TEST_CASE("F8 splits once and then switches; Shift+F8 on view 1 keeps what view 2 showed; Ctrl+F8 closes the other")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    TextDocument* first = f.activeView->CurrentDocument();
    TypeInto(f.view1, L"one two three");
    REQUIRE(f.view2->IsCollapsed());
    // Closing a view while there is only one does nothing.
    RunCommand(f, 11066);
    RunCommand(f, 11067);
    CHECK(f.view2->IsCollapsed());
    CHECK(f.activeView == f.view1);

    RunCommand(f, 11068);
    REQUIRE_FALSE(f.view2->IsCollapsed());
    CHECK(f.splitter->orientation == SplitSideBySide);
    CHECK(f.splitter->ratio == 5000);
    CHECK(f.activeView == f.view2);
    CHECK(f.view2->CurrentDocument() == first);
    CHECK(Caret(f.view2) == 13);
    RECT r1, r2;
    GetWindowRect(f.view1->hwnd, &r1);
    GetWindowRect(f.view2->hwnd, &r2);
    CHECK(r2.left > r1.right - 1);
    CHECK(r1.top == r2.top);
    RunCommand(f, 11068);
    CHECK(f.activeView == f.view1);
    RunCommand(f, 11068);
    CHECK(f.activeView == f.view2);

    // View 2 elsewhere, with another text and zoom; closing view 1 brings them there.
    RunCommand(f, 11001);
    TextDocument* second = f.activeView->CurrentDocument();
    REQUIRE(f.activeView == f.view2);
    REQUIRE(second != first);
    TypeInto(f.view2, L"abc");
    SendMessageW(f.view2->hwnd, WM_KEYDOWN, VK_LEFT, 0);
    RunCommand(f, 11062);
    RunCommand(f, 11062);
    REQUIRE(f.view2->zoomSteps == 2);
    CHECK(f.view1->zoomSteps == 0);
    RunCommand(f, 11068);
    REQUIRE(f.activeView == f.view1);
    RunCommand(f, 11066);
    CHECK(f.view2->IsCollapsed());
    CHECK(f.activeView == f.view1);
    CHECK(f.view1->CurrentDocument() == second);
    CHECK(Caret(f.view1) == 2);
    CHECK(f.view1->zoomSteps == 2);

    // Shift+F9 splits above and below; Ctrl+F8 closes the view without the focus.
    RunCommand(f, 11065);
    REQUIRE_FALSE(f.view2->IsCollapsed());
    CHECK(f.splitter->orientation == SplitAboveBelow);
    GetWindowRect(f.view1->hwnd, &r1);
    GetWindowRect(f.view2->hwnd, &r2);
    CHECK(r2.top > r1.bottom - 1);
    // A split while split only turns the bar.
    RunCommand(f, 11064);
    CHECK(f.splitter->orientation == SplitSideBySide);
    CHECK(f.activeView == f.view2);
    RunCommand(f, 11067);
    CHECK(f.view2->IsCollapsed());
    CHECK(f.activeView == f.view1);
    CHECK(f.view1->CurrentDocument() == second);
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("Ctrl+F9 with one view opens view 2 at the same place; duplicating copies caret, text and zoom either way")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    TextDocument* first = f.activeView->CurrentDocument();
    TypeInto(f.view1, L"hello world");
    SendMessageW(f.view1->hwnd, WM_KEYDOWN, VK_HOME, 0);
    RunCommand(f, 11069);
    REQUIRE_FALSE(f.view2->IsCollapsed());
    CHECK(f.view2->CurrentDocument() == first);
    CHECK(Caret(f.view2) == 0);
    CHECK(f.activeView == f.view2);

    // Another text with a zoom in view 2, copied back into view 1.
    RunCommand(f, 11001);
    TextDocument* second = f.view2->CurrentDocument();
    TypeInto(f.view2, L"xyz");
    RunCommand(f, 11063);
    REQUIRE(f.view2->zoomSteps == -1);
    RunCommand(f, 11069);
    CHECK(f.view1->CurrentDocument() == second);
    CHECK(Caret(f.view1) == 3);
    CHECK(f.view1->zoomSteps == -1);
    CHECK(f.activeView == f.view2);

    // Ctrl+Shift+F9 brings the other view's text into the active one.
    RunCommand(f, 11046);  // view 2 to the first text
    REQUIRE(f.view2->CurrentDocument() == first);
    RunCommand(f, 11070);
    CHECK(f.view2->CurrentDocument() == second);
    CHECK(f.view1->CurrentDocument() == second);
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("dragging the splitter bar fully to one side closes the view on that side")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    TextDocument* first = f.activeView->CurrentDocument();
    RunCommand(f, 11001);
    TextDocument* second = f.activeView->CurrentDocument();
    RunCommand(f, 11064);
    REQUIRE(f.view2->CurrentDocument() == second);
    RunCommand(f, 11046);
    REQUIRE(f.view2->CurrentDocument() == first);
    REQUIRE(f.view1->CurrentDocument() == second);

    auto drag = [&](int toX) {
        RECT bar = f.splitter->barRect;
        int x = (bar.left + bar.right) / 2, y = (bar.top + bar.bottom) / 2;
        SendMessageW(f.splitter->hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        SendMessageW(f.splitter->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(f.splitter->hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, y));
        SendMessageW(f.splitter->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(toX, y));
        Pump();
    };
    // To the left edge: view 1 goes, what view 2 showed stays in it.
    drag(-50);
    CHECK(f.view2->IsCollapsed());
    CHECK(f.view1->CurrentDocument() == first);

    RunCommand(f, 11064);
    REQUIRE_FALSE(f.view2->IsCollapsed());
    CHECK(f.splitter->ratio == 5000);
    RunCommand(f, 11045);
    REQUIRE(f.view2->CurrentDocument() == second);
    RECT client;
    GetClientRect(f.splitter->hwnd, &client);
    drag(client.right + 50);
    CHECK(f.view2->IsCollapsed());
    CHECK(f.view1->CurrentDocument() == first);
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("zoom: eleven steps up stop at 10, Ctrl+0 returns to 0, only the active view changes size")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    RunCommand(f, 11064);
    RunCommand(f, 11068);
    REQUIRE(f.activeView == f.view1);
    int32 height0 = f.view1->activeStyle->lineHeight;
    int32 other0 = f.view2->activeStyle->lineHeight;
    int32 last = height0;
    for (int i = 0; i < 11; i++) {
        RunCommand(f, 11062);
        CHECK(f.view1->activeStyle->lineHeight >= last);
        last = f.view1->activeStyle->lineHeight;
    }
    CHECK(f.view1->zoomSteps == 10);
    CHECK(last > height0);
    CHECK(f.view2->zoomSteps == 0);
    CHECK(f.view2->activeStyle->lineHeight == other0);
    RunCommand(f, 11061);
    CHECK(f.view1->zoomSteps == 0);
    CHECK(f.view1->activeStyle->lineHeight == height0);
    for (int i = 0; i < 12; i++)
        RunCommand(f, 11063);
    CHECK(f.view1->zoomSteps == -10);
    CHECK(f.view1->activeStyle->lineHeight < height0);
    CHECK(f.view2->zoomSteps == 0);
}

TEST_CASE("F10 wraps the text in the active view only: not in the other view, not another text")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    TextDocument* first = f.activeView->CurrentDocument();
    RunCommand(f, 11064);
    RunCommand(f, 11068);
    REQUIRE(f.activeView == f.view1);
    REQUIRE(f.view2->CurrentDocument() == first);
    bool before = f.view1->FindViewState(first)->wordWrap;
    RunCommand(f, 11071);
    CHECK(f.view1->FindViewState(first)->wordWrap != before);
    CHECK(f.view2->FindViewState(first)->wordWrap == before);
    CHECK(MenuChecked(hwnd, 11071) != before);
    RunCommand(f, 11001);
    TextDocument* second = f.view1->CurrentDocument();
    CHECK(f.view1->FindViewState(second)->wordWrap == before);
    CHECK(MenuChecked(hwnd, 11071) == before);
    RunCommand(f, 11045);
    CHECK(MenuChecked(hwnd, 11071) != before);
    RunCommand(f, 11071);
    CHECK(f.view1->FindViewState(first)->wordWrap == before);
}

TEST_CASE("Configure: OK applies and writes appsettings.dat; Cancel and the close box leave the file as it was")
{
    MainFormRun run("TabStep=4\r\n");
    MainForm& f = *run.form;
    String file = run.data / L"appsettings.dat";
    std::string before = ReadFileBytes(file);
    REQUIRE(f.autosaveEnabled == 1);
    // Autosave turned off in the dialog, then the dialog ended by one of three ways.
    for (int ending : {IDCANCEL, 0, IDOK}) {
        CAPTURE(ending);
        WhenShown(ConfigurationDialog::AutosaveId, [ending](HWND dialog) {
            SendMessageW(DescendantWithId(dialog, ConfigurationDialog::AutosaveId), BM_CLICK, 0, 0);
            if (ending == 0)
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            else
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(ending, BN_CLICKED), 0);
        });
        RunCommand(f, 11041);
        if (ending != IDOK) {
            CHECK(ReadFileBytes(file) == before);
            CHECK(f.autosaveEnabled == 1);
        }
    }
    CHECK(SettingOf(file, L"Autosave") == L"false");
    CHECK(SettingOf(file, L"TabStep") == L"4");
    CHECK(f.autosaveEnabled == 0);
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("the language switch: menus, kept check marks, bar texts, title, UILanguage written, spell-check window closed")
{
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    REQUIRE_FALSE(IsPolishUi());
    String file = run.data / L"appsettings.dat";
    RunCommand(f, 11017);  // find bar shown
    RunCommand(f, 11039);  // toolbar hidden
    RunCommand(f, 11071);  // wrap on
    RunCommand(f, 11058);  // regular expressions on
    const UINT kept[] = {11028, 11039, 11040, 11071, 11058, 11059};
    bool marks[6];
    for (int i = 0; i < 6; i++)
        marks[i] = MenuChecked(hwnd, kept[i]);
    CHECK(marks[0]);
    CHECK_FALSE(marks[1]);
    CHECK(marks[3]);

    SpellCheckDialog::Create(&f);
    REQUIRE(SpellCheckDialog::Instance() != nullptr);
    RunCommand(f, 11090);
    CHECK(IsPolishUi());
    // The spell-check window goes; the next check makes it in the new language.
    CHECK(SpellCheckDialog::Instance() == nullptr);
    CHECK(MenuTitle(hwnd, 0) == L"&Plik");
    CHECK(MenuChecked(hwnd, 11090));
    CHECK_FALSE(MenuChecked(hwnd, 11091));
    for (int i = 0; i < 6; i++)
        CHECK(MenuChecked(hwnd, kept[i]) == marks[i]);
    // Portable: no update check in the new menu either.
    CHECK(GetMenuState(GetMenu(hwnd), 11072, MF_BYCOMMAND) == UINT(-1));
    CHECK(W(f.toolbar->items.At(0).text) == L"Nowy");
    CHECK(W(f.findLabel->GetText()) == L"  Szukany tekst ");
    CHECK(W(f.findField->hint) == L"Ciąg znaków do znalezienia.");
    CHECK(W(f.replaceField->hint) == L"Ciąg znaków zastępujących znaleziony tekst.");
    CHECK(W(f.findToolbar->items.At(f.findToolbar->FindCommand(12412)).text).rfind(L"Decyduje, czy", 0) == 0);
    CHECK(W(f.replaceToolbar->items.At(f.replaceToolbar->FindCommand(12415)).text) ==
          L"Poprzednio używane frazy do zastępowania.");
    CHECK(W(f.GetText()) == L"<bez nazwy> - Scrivel");
    CHECK(SettingOf(file, L"UILanguage") == L"polski");

    RunCommand(f, 11091);
    CHECK_FALSE(IsPolishUi());
    CHECK(MenuTitle(hwnd, 0) == L"&File");
    CHECK(MenuChecked(hwnd, 11091));
    CHECK_FALSE(MenuChecked(hwnd, 11090));
    for (int i = 0; i < 6; i++)
        CHECK(MenuChecked(hwnd, kept[i]) == marks[i]);
    CHECK(W(f.toolbar->items.At(0).text) == L"New");
    CHECK(W(f.replaceLabel->GetText()) == L"    Replace with ");
    CHECK(W(f.findField->hint) == L"Search phrase.");
    CHECK(W(f.findToolbar->items.At(f.findToolbar->FindCommand(11020)).text) == L"Find next");
    CHECK(W(f.GetText()) == L"<no name> - Scrivel");
    CHECK(SettingOf(file, L"UILanguage") == L"english");
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("Ctrl+E is the Enter characters accelerator")
{
    int64 count = 0;
    const AcceleratorEntry* entries = AcceleratorList(&count);
    int found = 0;
    for (int64 i = 0; i < count; i++)
        if (entries[i].key == 'E' && entries[i].modifiers == 2) {
            CHECK(entries[i].command == 11075);
            found++;
        }
    CHECK(found == 1);
}
