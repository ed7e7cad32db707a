// The real main window built from a settings file, under the system's own
// language (this program also runs on a Polish system).

#include "MainFormTestSupport.h"

#include "actions/ProgressNotify.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/MainForm.h"
#include "editor/ProgramRun.h"
#include "editor/Statusbar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/PopupAlert.h"
#include "gui/ProgressDialog.h"
#include "gui/Toolbar.h"
#include "gui/Tooltip.h"
#include "support/PortableMode.h"
#include "support/RecordingAlerts.h"

#include <doctest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>


TEST_CASE("without settings the window opens at 10,10 in 800 x 600 with toolbar, status bar, one view and one new text")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    REQUIRE(GetWindowPlacement(hwnd, &placement));
    CHECK(placement.rcNormalPosition.left == 10);
    CHECK(placement.rcNormalPosition.top == 10);
    CHECK(placement.rcNormalPosition.right == 810);
    CHECK(placement.rcNormalPosition.bottom == 610);
    CHECK_FALSE(IsZoomed(hwnd));
    CHECK(IsWindowVisible(hwnd));

    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    CHECK(std::wstring(className) == L"Scrivel Main Form");

    CHECK_FALSE(f.toolbar->IsCollapsed());
    CHECK_FALSE(f.statusbar->IsCollapsed());
    CHECK(f.findBar->IsCollapsed());
    CHECK_FALSE(f.view1->IsCollapsed());
    CHECK(f.view2->IsCollapsed());
    CHECK(f.activeView == f.view1);
    CHECK(IsWindowVisible(f.view1->hwnd));
    // The find bar's controls come with its first use.
    CHECK_FALSE(f.FindBarBuilt());
    // Laid out once before the show, which repeats WM_SIZE at the same size:
    // the rows fill the client area from the toolbar to the status bar.
    {
        auto rectIn = [&](HWND child) {
            RECT r;
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        RECT client;
        GetClientRect(hwnd, &client);
        RECT bar = rectIn(f.toolbar->hwnd), view = rectIn(f.view1->hwnd), status = rectIn(f.statusbar->hwnd);
        CHECK(bar.bottom - bar.top >= 20);
        CHECK(view.top >= bar.bottom);
        CHECK(view.bottom - view.top > client.bottom / 2);
        CHECK(status.top >= view.bottom);
        CHECK(status.bottom == client.bottom);
        // A real change of size lays the content out again.
        SetWindowPos(hwnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(hwnd, &client);
        CHECK(rectIn(f.statusbar->hwnd).bottom == client.bottom);
        SetWindowPos(hwnd, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    REQUIRE(run.broker->documents.Count() == 1);
    CHECK(f.view1->CurrentDocument() == run.broker->documents.At(0));
    CHECK(run.broker->ViewIndex(f.view1) >= 0);
    CHECK(run.broker->ViewIndex(f.view2) >= 0);
    CHECK(f.view1->ownerValue2 == f.progressDialog);
    CHECK(f.view1->handler == &f.viewHandler);

    bool polish = PolishSystem();
    CHECK(IsPolishUi() == polish);
    CHECK(MenuTitle(hwnd, 0) == (polish ? L"&Plik" : L"&File"));
    CHECK(MenuChecked(hwnd, polish ? 11090 : 11091));
    CHECK_FALSE(MenuChecked(hwnd, polish ? 11091 : 11090));
    // Portable: no online update.
    CHECK(GetMenuState(GetMenu(hwnd), 11072, MF_BYCOMMAND) == static_cast<UINT>(-1));
    CHECK(GetMenuState(GetMenu(hwnd), 11073, MF_BYCOMMAND) != static_cast<UINT>(-1));
    // Finding ignores case from the start.
    CHECK(MenuChecked(hwnd, 11059));
    f.EnsureFindBar();
    CHECK(f.findBar->IsCollapsed());
    CHECK_FALSE(IsWindowVisible(f.findField->hwnd));
    CHECK(f.findToolbar->IsChecked(kFindToggleCaseId));
    CHECK_FALSE(f.findToolbar->IsChecked(kFindToggleRegexId));
    CHECK(W(f.GetText()) == std::wstring(polish ? L"<bez nazwy> - Scrivel" : L"<no name> - Scrivel"));
    CHECK(f.accelerators != nullptr);
    CHECK(f.autosaveEnabled == 1);
    CHECK(f.incrementalFindOff == 0);
    CHECK(run.broker->autoindent);
    CHECK(TooltipsOff == 0);
    CHECK(run.alerts.alerts.empty());
}

TEST_CASE("the progress dialog, the pop-up and the tooltip come with their first use and work then")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    REQUIRE(f.progressDialog != nullptr);
    CHECK(f.progressDialog->hwnd == nullptr);
    CHECK(f.popupAlert == nullptr);
    CHECK(f.tooltip == nullptr);

    // The first long operation builds the dialog, owned by the window it disables.
    {
        ProgressNotify notify(f.progressDialog, L"Searching - Scrivel", L"Progress", L"a.txt");
        REQUIRE(f.progressDialog->hwnd != nullptr);
        CHECK(GetWindow(f.progressDialog->hwnd, GW_OWNER) == f.hwnd);
        CHECK_FALSE(IsWindowEnabled(f.hwnd));
        CHECK(W(f.progressDialog->GetText()) == L"Searching - Scrivel");
        CHECK(W(f.progressDialog->line2->GetText()) == L"a.txt");
        notify.SetTotal(10);
        notify.Progress(5);
    }
    CHECK(IsWindowEnabled(f.hwnd));
    CHECK_FALSE(IsWindowVisible(f.progressDialog->hwnd));

    // The first note makes the pop-up.
    ShowPopupInView(f.activeView, L"Not found");
    REQUIRE(f.popupAlert != nullptr);
    CHECK(IsWindowVisible(f.popupAlert->hwnd));
    CHECK(W(f.popupAlert->message) == L"Not found");

    // The first idle step arms a timer; its tick, after the loop has
    // waited, gives the window its tooltip and drop target, once.
    f.IdleStep();
    CHECK(f.tooltip == nullptr);
    CHECK_FALSE(f.dropRegistered);
    MSG tick;
    DWORD start = GetTickCount();
    while (!f.tooltip && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&tick, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&tick);
    }
    REQUIRE(f.tooltip != nullptr);
    CHECK(f.dropRegistered);
    Form* tip = f.tooltip;
    CHECK(GetWindow(tip->hwnd, GW_OWNER) == f.hwnd);
    f.IdleStep();
    f.FinishStart();
    CHECK(f.tooltip == tip);
    CHECK(run.alerts.alerts.empty());
}

TEST_CASE("UILanguage: polski in any case gives Polish, any other value English, empty the system's")
{
    struct Case {
        const char* settings;
        int expected;  // 21, 9, or 0 for the system's choice
    };
    for (const Case& c : {Case{"UILanguage=POLSKI\r\n", 21}, Case{"UILanguage=english\r\n", 9},
                          Case{"UILanguage=deutsch\r\n", 9}, Case{"UILanguage=\r\n", 0}}) {
        CAPTURE(c.settings);
        MainFormRun run(c.settings);
        int expected = c.expected ? c.expected : (PolishSystem() ? 21 : 9);
        CHECK(UiLanguageId() == expected);
        CHECK(MenuTitle(run.Hwnd(), 0) == (expected == 21 ? L"&Plik" : L"&File"));
        CHECK(MenuTitle(run.Hwnd(), 6) == (expected == 21 ? L"Pomo&c" : L"&Help"));
        CHECK(MenuChecked(run.Hwnd(), expected == 21 ? 11090 : 11091));
        HMENU menu = GetMenu(run.Hwnd());
        wchar_t item[64] = {};
        GetMenuStringW(menu, 11001, item, 64, MF_BYCOMMAND);
        CHECK(std::wstring(item) == (expected == 21 ? L"&Nowy\tCtrl+N" : L"&New\tCtrl+N"));
        int i = run.form->toolbar->FindCommand(11001);
        REQUIRE(i >= 0);
        CHECK(W(run.form->toolbar->items.At(i).text) == std::wstring(expected == 21 ? L"Nowy" : L"New"));
    }
}

TEST_CASE("settings decide placement, bars, switches and the find fields")
{
    SUBCASE("a rectangle, hidden bars and switches that are off")
    {
        MainFormRun run("Autoindent=0\r\nAutosave=no\r\nIncrementalFind=false\r\nStatusbar=nein\r\n"
                        "Toolbar=false\r\nTooltips=f\r\nWindowRect=100,50,640,480\r\n");
        MainForm& f = *run.form;
        RECT r;
        GetWindowRect(run.Hwnd(), &r);
        CHECK(r.left == 100);
        CHECK(r.top == 50);
        CHECK(r.right - r.left == 640);
        CHECK(r.bottom - r.top == 480);
        CHECK(f.toolbar->IsCollapsed());
        CHECK(f.statusbar->IsCollapsed());
        CHECK_FALSE(IsWindowVisible(f.toolbar->hwnd));
        CHECK_FALSE(run.broker->autoindent);
        CHECK(f.autosaveEnabled == 0);
        CHECK(f.incrementalFindOff == 1);
        CHECK(TooltipsOff == 1);
        // The tab strip moves up into the room the toolbar left.
        RECT client = f.ClientRect(), strip = f.tabs->WindowRect();
        POINT topLeft = {strip.left, strip.top};
        ScreenToClient(run.Hwnd(), &topLeft);
        CHECK(topLeft.y == client.top);
    }
    SUBCASE("bars that are on, a maximised window, restored find phrases")
    {
        MainFormRun run("FindModesStrings=0\x1b" "3\r\nFindStrings=old\x1bnewest\r\nReplaceStrings=with\r\n"
                        "Statusbar=yes\r\nToolbar=\r\nWindowIsMaximized=true\r\nWindowRect=20,30,500,400\r\n");
        MainForm& f = *run.form;
        CHECK_FALSE(f.toolbar->IsCollapsed());
        CHECK_FALSE(f.statusbar->IsCollapsed());
        CHECK(IsZoomed(run.Hwnd()));
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        GetWindowPlacement(run.Hwnd(), &placement);
        CHECK(placement.rcNormalPosition.left == 20);
        CHECK(placement.rcNormalPosition.right == 520);
        f.EnsureFindBar();
        CHECK(W(f.findField->GetText()) == std::wstring(L"newest"));
        CHECK(W(f.replaceField->GetText()) == std::wstring(L"with"));
        // Mode 3: regular expression on, case matters.
        CHECK(f.findToolbar->IsChecked(kFindToggleRegexId));
        CHECK(MenuChecked(run.Hwnd(), 11058));
        CHECK_FALSE(f.findToolbar->IsChecked(kFindToggleCaseId));
        CHECK_FALSE(MenuChecked(run.Hwnd(), 11059));
        CHECK(f.findHistory.Count() == 2);
    }
    TooltipsOff = 0;
}

TEST_CASE("saved settings give the same window again")
{
    std::string saved;
    {
        MainFormRun run("WindowRect=30,40,700,500\r\nToolbar=false\r\n");
        MoveWindow(run.Hwnd(), 60, 70, 650, 450, TRUE);
        run.form->findHistory.Add(String(L"phrase"), 2);
        run.form->SaveSettings();
        SettingsStore& s = AppContext::Settings();
        CHECK(W(String(s.GetText(L"WindowRect"))) == std::wstring(L"60,70,650,450"));
        CHECK(W(String(s.GetText(L"WindowIsMaximized"))) == std::wstring(L"false"));
        CHECK(W(String(s.GetText(L"Toolbar"))) == std::wstring(L"false"));
        CHECK(W(String(s.GetText(L"Statusbar"))) == std::wstring(L"true"));
        CHECK(W(String(s.GetText(L"FindStrings"))) == std::wstring(L"phrase"));
        CHECK(W(String(s.GetText(L"FindModesStrings"))) == std::wstring(L"2"));
        for (int64 i = 0; i < s.PairCount(); i++) {
            String key, value;
            s.PairAt(i, &key, &value);
            int n = WideCharToMultiByte(CP_UTF8, 0, value.CStr(), -1, nullptr, 0, nullptr, nullptr);
            std::string v(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
            WideCharToMultiByte(CP_UTF8, 0, value.CStr(), -1, &v[0], n, nullptr, nullptr);
            int k = WideCharToMultiByte(CP_UTF8, 0, key.CStr(), -1, nullptr, 0, nullptr, nullptr);
            std::string kk(static_cast<size_t>(k > 0 ? k - 1 : 0), '\0');
            WideCharToMultiByte(CP_UTF8, 0, key.CStr(), -1, &kk[0], k, nullptr, nullptr);
            saved += kk + "=" + v + "\r\n";
        }
    }
    MainFormRun again(saved);
    RECT r;
    GetWindowRect(again.Hwnd(), &r);
    CHECK(r.left == 60);
    CHECK(r.top == 70);
    CHECK(r.right - r.left == 650);
    CHECK(again.form->toolbar->IsCollapsed());
    RunCommand(*again.form, 11017);
    CHECK(W(again.form->findField->GetText()) == std::wstring(L"phrase"));
    CHECK_FALSE(again.form->findToolbar->IsChecked(kFindToggleCaseId));
}

TEST_CASE("a narrow window drops toolbar buttons by falling priority, the later of equal ones first, Help last")
{
    MainFormRun run("");
    Toolbar* bar = run.form->toolbar;
    // The expected order of dropping: highest priority first, later first among equals.
    std::vector<int> order;
    for (int64 i = 0; i < bar->items.Count(); i++)
        if (bar->items.At(i).kind != ToolbarSeparator)
            order.push_back(static_cast<int>(i));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int pa = bar->items.At(a).priority, pb = bar->items.At(b).priority;
        return pa != pb ? pa > pb : a > b;
    });
    CHECK(bar->items.At(order.front()).command == 11063);
    CHECK(bar->items.At(order.back()).command == 11043);

    RECT full = bar->WindowRect();
    int height = full.bottom - full.top;
    size_t lastDropped = 0;
    for (int width = full.right - full.left; width >= 20; width -= 7) {
        bar->SetBounds(RECT{0, 0, width, height});
        std::vector<int> dropped;
        for (int index : order)
            if (bar->items.At(index).advance == 0)
                dropped.push_back(index);
        CAPTURE(width);
        // What is dropped is always the first part of the order, and it only grows.
        REQUIRE(dropped.size() >= lastDropped);
        for (size_t k = 0; k < dropped.size(); k++)
            REQUIRE(dropped[k] == order[k]);
        lastDropped = dropped.size();
    }
    CHECK(lastDropped >= order.size() - 1);
    run.form->Layout();
}

TEST_CASE("--opt:updated and ::UPDATEFAILED each show one information alert after start")
{
    AppContext& context = AppContext::Current();
    Array<String> kept = context.arguments;
    for (const wchar_t* argument : {L"--OPT:UPDATED", L"::updatefailed", L"::other"}) {
        CAPTURE(std::wstring(argument).size());
        context.arguments = Array<String>();
        context.arguments.Insert(0, String(argument));
        MainFormRun run("");
        bool other = std::wstring(argument) == L"::other";
        REQUIRE(run.alerts.alerts.size() == (other ? 0u : 1u));
        if (!other) {
            const auto& alert = run.alerts.alerts[0];
            bool polish = IsPolishUi();
            CHECK(alert.title == (polish ? L"Aktualizacja - Scrivel" : L"Update - Scrivel"));
            CHECK(alert.kind == 4);
            CHECK(alert.buttons == L"+OK");
            bool success = argument[0] == L'-';
            CHECK((alert.message.find(polish ? L"pomyślnie" : L"successfully") != std::wstring::npos) == success);
        }
        // No text named after the argument.
        REQUIRE(run.broker->documents.Count() == 1);
        CHECK(run.broker->documents.At(0)->GetPath().IsEmpty());
    }
    context.arguments = kept;
}

namespace {

int startAlerts = 0;
int startAlertCode = 0;

void CountStartAlert(const Error& error)
{
    startAlerts++;
    startAlertCode = error.code;
}

MainForm* FailingMainForm(ActionBroker*)
{
    throw WinError(ERROR_CLASS_ALREADY_EXISTS);
}

MainForm* ClosingMainForm(ActionBroker* broker)
{
    MainForm* form = MainForm::Create(broker);
    form->PostMsg(WM_CLOSE, 0, 0);
    return form;
}

// A whole run on its own thread, which gets its own application object.
int RunOnThread(MainForm* (*create)(ActionBroker*))
{
    ProgramCalls calls = {CountStartAlert, create};
    SetProgramCalls(&calls);
    int code = -1;
    std::thread([&] { code = RunEditor(GetModuleHandleW(nullptr)); }).join();
    SetProgramCalls(nullptr);
    return code;
}

} // namespace

TEST_CASE("a main window that cannot be made ends the run with one alert and exit code 3; closing ends it with 0")
{
    PortableDataFolder data("");
    startAlerts = 0;
    CHECK(RunOnThread(FailingMainForm) == 3);
    CHECK(startAlerts == 1);
    CHECK(startAlertCode == ERROR_CLASS_ALREADY_EXISTS);

    startAlerts = 0;
    CHECK(RunOnThread(ClosingMainForm) == 0);
    CHECK(startAlerts == 0);
    SetUiLanguageId(static_cast<int32>(GetUserDefaultUILanguage() & 0x3FF));
}

TEST_CASE("every accelerator makes its native entry and no key combination leads to two commands")
{
    int64 count = 0;
    const AcceleratorEntry* entries = AcceleratorList(&count);
    CHECK(count == 64);
    HACCEL table = MakeAcceleratorTable(entries, count);
    REQUIRE(table != nullptr);
    std::vector<ACCEL> copied(static_cast<size_t>(count));
    CHECK(CopyAcceleratorTableW(table, copied.data(), static_cast<int>(count)) == count);
    for (int64 i = 0; i < count; i++) {
        const ACCEL& a = copied[static_cast<size_t>(i)];
        CHECK(a.cmd == entries[i].command);
        CHECK(a.key == entries[i].key);
        CHECK(((a.fVirt & FSHIFT) != 0) == ((entries[i].modifiers & 1) != 0));
        CHECK(((a.fVirt & FCONTROL) != 0) == ((entries[i].modifiers & 2) != 0));
    }
    // No key and modifier pair leads to two commands.
    for (int64 i = 0; i < count; i++)
        for (int64 j = i + 1; j < count; j++)
            CHECK_FALSE((entries[i].key == entries[j].key && entries[i].modifiers == entries[j].modifiers));
    DestroyAcceleratorTable(table);
}
