// The context menus of the views and the tab strip, picked by keys while
// TrackPopupMenu runs, and input-method text.

#include "MainFormTestSupport.h"

#include "spell/DictRegistry.h"
#include "support/MenuWatch.h"
#include "support/Pump.h"
#include "support/TempFolder.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <string>

namespace {

std::wstring Text(TextView* view)
{
    TextDocument* d = view->CurrentDocument();
    return W(GetTextRange(view, 0, d->text.Size()));
}

void Select(TextView* view, int64 from, int64 to)
{
    view->SetCaret(view->CurrentDocument(), from, 0, 2);
    view->SetCaret(view->CurrentDocument(), to, CaretKeepAnchor, 1);
}

ViewState& State(TextView* view)
{
    return *view->FindViewState(view->CurrentDocument());
}

// The command a menu posted to the window, 0 when none.
UINT TakePostedCommand(HWND hwnd)
{
    MSG msg;
    UINT command = 0;
    while (PeekMessageW(&msg, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        command = LOWORD(msg.wParam);
    return command;
}

// A small dictionary in the portable data folder: thirteen words one letter
// away from "zat", so that word gets more than ten suggestions.
void LoadTestDictionary(MainFormRun& run)
{
    String folder = run.data / L"spellcheck\\";
    CreateDirectoryW(folder.CStr(), nullptr);
    WriteFileBytes(Concat(folder, L"test.aff"), "SET UTF-8\nTRY abcefhmoprstvwz\n");
    WriteFileBytes(Concat(folder, L"test.dic"), "13\nbat\ncat\neat\nfat\nhat\nmat\noat\npat\nrat\nsat\ntat\nvat\nwat\n");
    run.form->dictionaries->FindOrLoad(String(L"test"));
    REQUIRE(run.form->dictionaries->Primary() != nullptr);
}

}  // namespace

TEST_CASE("view menu: none while underlining is off; a correct word offers a greyed no-suggestions and Select all or Copy")
{
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    LoadTestDictionary(run);
    TextView* v = f.view1;
    TypeInto(v, L"the cat sat 42");
    menuwatch::State& watch = WatchMenu(-1);
    f.ShowViewContextMenu(v);
    Pump();
    CHECK_FALSE(watch.seen);
    StopWatchingMenu();

    State(v).spellUnderline = true;
    // A number is no word to check.
    v->SetCaret(v->CurrentDocument(), 13, 0, 2);
    WatchMenu(-1);
    f.ShowViewContextMenu(v);
    Pump();
    CHECK_FALSE(menuwatch::Current().seen);
    StopWatchingMenu();
    v->SetCaret(v->CurrentDocument(), 5, 0, 2);  // inside "cat"
    // Two downs to Select all: the greyed item can be highlighted, not chosen.
    WatchMenu(2);
    f.ShowViewContextMenu(v);
    menuwatch::State& s = menuwatch::Current();
    REQUIRE(s.seen);
    REQUIRE(s.items.size() == 5);
    CHECK(s.items[0].id == 99);
    CHECK(s.items[0].text == L"no suggestions");
    CHECK((s.items[0].state & MF_GRAYED) != 0);
    CHECK((s.items[1].state & MF_SEPARATOR) != 0);
    CHECK(s.items[2].id == 11027);
    CHECK(s.items[2].text == L"Select all");
    CHECK(s.items[4].id == 22400);
    CHECK(s.items[4].text == L"Cancel");
    CHECK(f.keptSuggestions.Count() == 0);
    CHECK(f.keptWordEnd == 0);
    Pump();
    CHECK(State(v).AnchorPosition() == 0);
    CHECK(State(v).CaretPosition() == 14);

    // With a selection the menu copies it; the menu key reaches the view's handler.
    Select(v, 4, 7);
    WatchMenu(2);
    SendMessageW(v->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(v->hwnd), MAKELPARAM(0xFFFF, 0xFFFF));
    REQUIRE(menuwatch::Current().items.size() == 5);
    CHECK(menuwatch::Current().items[2].id == 11013);
    CHECK(menuwatch::Current().items[2].text == L"Copy");
    Pump();
    std::wstring copied;
    if (OpenClipboard(f.hwnd)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            copied = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    CHECK(copied == L"cat");
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("view menu: a misspelt word keeps its range and shows the first 10 of its suggestions, each posting 22300 on")
{
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    LoadTestDictionary(run);
    TextView* v = f.view1;
    TypeInto(v, L"cat zat sat");
    State(v).spellUnderline = true;
    v->SetCaret(v->CurrentDocument(), 5, 0, 2);
    REQUIRE(f.dictionaries->Suggest(String(L"zat")).Count() >= 12);
    for (int pick : {0, 9}) {
        WatchMenu(pick + 1);
        f.ShowViewContextMenu(v);
        menuwatch::State& s = menuwatch::Current();
        REQUIRE(s.items.size() == 14);
        for (int i = 0; i < 10; i++) {
            CHECK(s.items[static_cast<size_t>(i)].id == 22300u + static_cast<UINT>(i));
            CHECK(s.items[static_cast<size_t>(i)].text == W(f.keptSuggestions.At(i)));
        }
        CHECK(s.items[11].id == 11027);
        CHECK(s.items[13].id == 22400);
        CHECK(f.keptWordStart == 4);
        CHECK(f.keptWordEnd == 7);
        CHECK(f.keptSuggestions.Count() >= 12);
        CHECK(TakePostedCommand(f.hwnd) == 22300u + static_cast<UINT>(pick));
    }
    // The tenth suggestion, chosen, replaces the misspelt word.
    String tenth = f.keptSuggestions.At(9);
    RunCommand(f, 22309);
    CHECK(Text(v) == L"cat " + W(tenth) + L" sat");
    CHECK(State(v).CaretPosition() == 4 + tenth.Length());
    CHECK(f.keptSuggestions.Count() == 0);
    // A new menu over a correct word forgets the kept one.
    v->SetCaret(v->CurrentDocument(), 0, 0, 2);
    WatchMenu(-1);
    f.ShowViewContextMenu(v);
    StopWatchingMenu();
    CHECK(f.keptSuggestions.Count() == 0);
    CHECK(f.keptWordEnd == 0);
    CHECK(Text(v) == L"cat " + W(tenth) + L" sat");
}

TEST_CASE("tab menu: the empty part of the strip shows only Cancel; each item of a tab runs its action")
{
    MainFormRun run("UILanguage=english\r\n");
    MainForm& f = *run.form;
    TempFolder temp;
    TextDocument* a = f.activeView->CurrentDocument();
    RunCommand(f, 11001);
    TextDocument* b = f.activeView->CurrentDocument();
    RunCommand(f, 11001);
    TextDocument* c = f.activeView->CurrentDocument();
    REQUIRE(run.broker->documents.Count() == 3);

    // Past the last tab, through the strip's own message.
    RECT last = f.tabs->GetTabRect(c);
    POINT empty = {last.right + 40, (last.top + last.bottom) / 2};
    ClientToScreen(f.tabs->hwnd, &empty);
    WatchMenu(0);
    SendMessageW(f.tabs->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(f.tabs->hwnd),
                 MAKELPARAM(empty.x, empty.y));
    REQUIRE(menuwatch::Current().items.size() == 1);
    CHECK(menuwatch::Current().items[0].text == L"Cancel");
    CHECK(run.broker->documents.Count() == 3);

    // Move b to the right, then back left: the downs reach items 21 and 20.
    POINT anywhere = {100, 100};
    WatchMenu(5);
    f.ShowTabContextMenu(anywhere, b, f.tabs);
    menuwatch::State& s = menuwatch::Current();
    REQUIRE(s.items.size() == 8);
    CHECK(s.items[0].text == L"Save text");
    CHECK(s.items[5].id == 21);
    CHECK(s.items[7].text == L"Cancel");
    CHECK(run.broker->documents.At(2) == b);
    WatchMenu(4);
    f.ShowTabContextMenu(anywhere, b, f.tabs);
    CHECK(run.broker->documents.At(1) == b);
    // Cancel does nothing.
    WatchMenu(6);
    f.ShowTabContextMenu(anywhere, b, f.tabs);
    CHECK(run.broker->documents.Count() == 3);

    // Save: the text gets its file.
    String path = temp / L"saved.txt";
    b->SetPath(path);
    f.activeView->ShowDocument(b);
    TypeInto(f.activeView, L"xy");
    WatchMenu(1);
    f.ShowTabContextMenu(anywhere, b, f.tabs);
    CHECK(ReadFileBytes(path) == "xy");
    CHECK(b->modified == 0);
    // Close text, then close all.
    WatchMenu(2);
    f.ShowTabContextMenu(anywhere, c, f.tabs);
    CHECK(run.broker->documents.Count() == 2);
    CHECK(run.broker->documents.IndexOf(c) < 0);
    WatchMenu(3);
    f.ShowTabContextMenu(anywhere, a, f.tabs);
    CHECK(run.broker->documents.Count() == 0);
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}

TEST_CASE("IME text: u+20ac turned into the euro sign stays as typed; other changes replace and select; flag 0 ends")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    TextView* v = f.view1;
    TypeInto(v, L"ab u+20ac");
    Select(v, 3, 9);
    f.OnImeText(1, String(L"\u20AC"), v);
    CHECK(Text(v) == L"ab u+20ac");
    CHECK(State(v).AnchorPosition() == 3);
    CHECK(State(v).CaretPosition() == 9);
    // The same text again changes nothing either.
    f.OnImeText(1, String(L"u+20ac"), v);
    CHECK(Text(v) == L"ab u+20ac");
    // A code past U+10FFFF never stands for a character, however it wraps.
    Select(v, 3, 9);
    f.OnImeText(1, String(L"u+100000041"), v);
    CHECK(Text(v) == L"ab u+100000041");
    Select(v, 3, 14);
    f.OnImeText(1, String(L"A"), v);
    CHECK(Text(v) == L"ab A");
    CHECK(State(v).AnchorPosition() == 3);
    CHECK(State(v).CaretPosition() == 4);
    // A supplementary character as a surrogate pair.
    f.OnImeText(1, String(L"u+1f600"), v);
    Select(v, 3, 10);
    f.OnImeText(1, String(L"\U0001F600"), v);
    CHECK(Text(v) == L"ab u+1f600");
    // Composing into an empty selection selects what the IME sent.
    Select(v, 0, 0);
    f.OnImeText(1, String(L"ka"), v);
    CHECK(Text(v) == L"kaab u+1f600");
    CHECK(State(v).AnchorPosition() == 0);
    CHECK(State(v).CaretPosition() == 2);
    f.OnImeText(1, String(L"\u304B"), v);
    CHECK(Text(v) == L"\u304Bab u+1f600");
    CHECK(State(v).CaretPosition() == 3);
    f.OnImeText(0, String(), v);
    CHECK(State(v).AnchorPosition() == State(v).CaretPosition());
    CHECK(Text(v) == L"\u304Bab u+1f600");
    CHECK_MESSAGE(run.alerts.alerts.empty(), AlertList(run.alerts));
}
