// Commands, keys and tab events of the real main window reach the broker;
// the title follows the active view's text.

#include "MainFormTestSupport.h"

#include "editor/AboutDialog.h"
#include "editor/Statusbar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Toolbar.h"
#include "support/Pump.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

void Command(MainForm& form, uint32_t id)
{
    SendMessageW(form.hwnd, WM_COMMAND, id, 0);
}

std::string Bytes(TextDocument* doc)
{
    std::string out(static_cast<size_t>(doc->text.Size()), '\0');
    if (!out.empty())
        doc->text.CopyBytes(0, reinterpret_cast<u8*>(&out[0]), doc->text.Size());
    return out;
}

std::wstring Title(MainForm& form)
{
    form.UpdateTitle();
    return W(form.GetText());
}

struct OpenedPage {
    HWND owner;
    std::wstring address;
};
std::vector<OpenedPage> Opened;

void RecordOpen(HWND owner, const wchar_t* address)
{
    Opened.push_back({owner, address});
}

}  // namespace

TEST_CASE("Help > Open home page hands About's address to the shell, over the main window, from the menu")
{
    const AboutShellCalls recording = {RecordOpen};
    SetAboutShellCalls(&recording);
    Opened.clear();
    NoArguments noArguments;
    MainFormRun run("");
    MainForm& f = *run.form;
    // The item as the Help menu holds it.
    HMENU help = GetSubMenu(GetMenu(f.hwnd), GetMenuItemCount(GetMenu(f.hwnd)) - 1);
    REQUIRE(help != nullptr);
    CHECK(GetMenuState(help, 11073, MF_BYCOMMAND) != static_cast<UINT>(-1));
    RunCommand(f, 11073);
    SetAboutShellCalls(nullptr);
    INFO(AlertList(run.alerts));
    REQUIRE(Opened.size() == 1);
    CHECK(Opened[0].owner == f.hwnd);
    CHECK(Opened[0].address == AuthorPageAddress);
    CHECK(run.alerts.alerts.empty());
}

TEST_CASE("commands reach their actions with the active view and its text; keys of the other view are ignored")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    SetUiLanguageId(9);
    REQUIRE(run.broker->documents.Count() == 1);
    TextDocument* first = run.broker->documents.At(0);

    SendMessageW(f.view1->hwnd, WM_CHAR, L'a', 0);
    SendMessageW(f.view1->hwnd, WM_CHAR, 127, 0);
    CHECK(Bytes(first) == "a");
    CHECK(Title(f) == L"* <no name> - Scrivel");
    // The second view is not the active one: its keys go nowhere.
    f.view2->ShowDocument(first);
    SendMessageW(f.view2->hwnd, WM_CHAR, L'b', 0);
    SendMessageW(f.view2->hwnd, WM_KEYDOWN, VK_DELETE, 0);
    CHECK(Bytes(first) == "a");
    SendMessageW(f.view1->hwnd, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(f.view1->hwnd, WM_KEYDOWN, VK_DELETE, 0);
    CHECK(Bytes(first).empty());

    Command(f, 11001);  // Ctrl+N
    REQUIRE(run.broker->documents.Count() == 2);
    TextDocument* second = f.activeView->CurrentDocument();
    CHECK(second == run.broker->documents.At(1));
    Command(f, 11046);  // F6 wraps to the first
    CHECK(f.activeView->CurrentDocument() == first);
    Command(f, 11045);
    CHECK(f.activeView->CurrentDocument() == second);
    Command(f, 11088);  // the current text before the previous
    CHECK(run.broker->documents.At(0) == second);
    Command(f, 11089);
    CHECK(run.broker->documents.At(1) == second);

    Command(f, 11033);
    CHECK(second->text.NewLineKind() == 10);
    Command(f, 11032);
    CHECK(second->text.NewLineKind() == -2);
    CHECK(second->modified == 1);
    Command(f, 11010);  // undo takes the line-end change back
    CHECK(second->text.NewLineKind() == 10);

    Command(f, 11086);
    CHECK(f.activeView->currentState->overwrite);
    Command(f, 11086);

    // All texts only after the question; Cancel changes nothing.
    run.alerts.answers = {1};
    Command(f, 11030);
    REQUIRE(run.alerts.alerts.size() == 1);
    CHECK(run.alerts.alerts[0].title == L"Convert line endings in all files - Scrivel");
    CHECK(first->text.LineEndConversion() != -2);
    run.alerts.answers = {0};
    Command(f, 11030);
    CHECK(first->text.LineEndConversion() == -2);
    CHECK(second->text.LineEndConversion() == -2);

    // The tab strip's events act on the text of the tab.
    f.tabsHandler.OnTabClicked(first, f.tabs);
    CHECK(f.activeView->CurrentDocument() == first);
    f.tabsHandler.OnTabMoved(second, 0, f.tabs);
    CHECK(run.broker->documents.At(0) == second);
    CHECK(f.activeView->CurrentDocument() == first);
}

TEST_CASE("find bar and bars: Ctrl+F always shows it focused, Shift+Esc hides it only when shown, check marks follow")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    REQUIRE(f.findBar->IsCollapsed());
    Command(f, 11052);
    CHECK(f.findBar->IsCollapsed());
    for (int i = 0; i < 2; i++) {
        Command(f, 11017);
        CHECK_FALSE(f.findBar->IsCollapsed());
        CHECK(MenuChecked(hwnd, 11028));
    }
    CHECK(GetFocus() == f.findField->hwnd);
    SetWindowTextW(f.findField->hwnd, L"phrase");
    SendMessageW(f.findField->hwnd, EM_SETSEL, 0, -1);
    // Ctrl+C in the find field copies the field's selection, not the text's.
    if (OpenClipboard(hwnd)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Command(f, 11013);
    std::wstring copied;
    if (OpenClipboard(hwnd)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            copied = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    CHECK(copied == L"phrase");
    CHECK(run.alerts.alerts.empty());

    Command(f, 11052);
    CHECK(f.findBar->IsCollapsed());
    CHECK_FALSE(MenuChecked(hwnd, 11028));
    Command(f, 11028);
    CHECK_FALSE(f.findBar->IsCollapsed());
    Command(f, 11028);
    CHECK(f.findBar->IsCollapsed());

    Command(f, 11039);
    CHECK(f.toolbar->IsCollapsed());
    CHECK_FALSE(MenuChecked(hwnd, 11039));
    Command(f, 11039);
    CHECK_FALSE(f.toolbar->IsCollapsed());
    CHECK(MenuChecked(hwnd, 11039));
    Command(f, 11040);
    CHECK(f.statusbar->IsCollapsed());
    CHECK_FALSE(MenuChecked(hwnd, 11040));
    Command(f, 11040);
    CHECK(MenuChecked(hwnd, 11040));

    bool regex = f.findToolbar->IsChecked(kFindToggleRegexId);
    Command(f, 11058);
    CHECK(f.findToolbar->IsChecked(kFindToggleRegexId) != regex);
    CHECK(MenuChecked(hwnd, 11058) != regex);
    Command(f, kFindToggleRegexId);
    CHECK(MenuChecked(hwnd, 11058) == regex);
}

TEST_CASE("the title in every form, and the No texts alert")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    SetUiLanguageId(9);
    TextDocument* doc = f.activeView->CurrentDocument();
    REQUIRE(doc);
    CHECK(Title(f) == L"<no name> - Scrivel");
    doc->fromAutosave = 1;
    CHECK(Title(f) == L"<no name> - RECOVERED - Scrivel");
    doc->modified = 1;
    doc->SetPath(String(L"C:\\x.txt"));
    CHECK(Title(f) == L"* x.txt - RECOVERED - <C:\\> - Scrivel");
    doc->fromAutosave = 0;
    doc->modified = 0;
    std::wstring folder80 = L"C:\\" + std::wstring(76, L'f') + L"\\";
    REQUIRE(folder80.size() == 80);
    doc->SetPath(String((folder80 + L"n.txt").c_str()));
    CHECK(Title(f) == L"n.txt <" + folder80 + L"> - Scrivel");
    std::wstring folder81 = L"C:\\" + std::wstring(77, L'f') + L"\\";
    doc->SetPath(String((folder81 + L"n.txt").c_str()));
    CHECK(Title(f) == L"n.txt  -  Scrivel");

    doc->SetPath(String());
    run.broker->Broadcast(BroadcastDocumentRemoved, doc, f.activeView);
    run.broker->documents.Remove(doc);
    CHECK(Title(f) == L"No text - Scrivel");
    Command(f, 11053);
    REQUIRE(run.alerts.alerts.size() == 1);
    CHECK(run.alerts.alerts[0].title == L"No texts - Scrivel");
}
