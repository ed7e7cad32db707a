// The main window's side of the help viewer link: a fake viewer window
// receives what the editor posts, and the editor takes the viewer's codes.

#include "MainFormTestSupport.h"

#include "editor/HelpLink.h"
#include "editor/Statusbar.h"
#include "gui/Toolbar.h"
#include "support/Pump.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

struct Posted {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Posted> posted;
UINT viewerMessage = 0;

LRESULT CALLBACK FakeViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (viewerMessage != 0 && msg == viewerMessage)
        posted.push_back({msg, wParam, lParam});
    return DefWindowProcW(window, msg, wParam, lParam);
}

// A top-level window standing in for the viewer, at a known place.
HWND CreateFakeViewer(int left, int top, int right, int bottom)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = FakeViewerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FakeHelpViewer";
        RegisterClassW(&wc);
        registered = true;
    }
    HWND window = CreateWindowExW(0, L"FakeHelpViewer", L"viewer", WS_OVERLAPPEDWINDOW, left, top, right - left,
                                  bottom - top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(window != nullptr);
    return window;
}

// WM_HELP for a menu item (or a dialog) with id, or over a screen point.
void SendHelp(HWND editor, int contextType, int id, POINT screenPoint)
{
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = contextType;
    info.iCtrlId = id;
    info.MousePos = screenPoint;
    SendMessageW(editor, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void SendHelpForItem(HWND editor, int id)
{
    SendHelp(editor, HELPINFO_MENUITEM, id, POINT{});
}

void SendHelpAt(HWND editor, POINT screenPoint)
{
    SendHelp(editor, HELPINFO_WINDOW, 0, screenPoint);
}

POINT Centre(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::wstring HelpTitle()
{
    return IsPolishUi() ? L"Okno pomocy - Scrivel" : L"Help window - Scrivel";
}

}  // namespace

TEST_CASE("help link: a running viewer gets the topics; codes 1-4 remember it, its rectangle and bring the editor forward")
{
    MainFormRun run("");
    HelpViewerLink() = ViewerLink();
    posted.clear();
    viewerMessage = RegisterWindowMessageW(L"rovin WM by Vardemo");
    REQUIRE(viewerMessage != 0);
    HelpViewerLink().message = viewerMessage;
    HWND editor = run.Hwnd();

    // Code 1 with something that is no window is ignored.
    PostMessageW(editor, viewerMessage, 1, 12345);
    Pump();
    CHECK(HelpViewerLink().window == nullptr);

    HWND viewer = CreateFakeViewer(100, 120, 500, 420);
    PostMessageW(editor, viewerMessage, 1, reinterpret_cast<LPARAM>(viewer));
    Pump();
    CHECK(HelpViewerLink().window == viewer);

    // Help and a menu item's or dialog's help each post code 9 with the topic.
    SendMessageW(editor, WM_COMMAND, 11043, 0);
    SendHelpForItem(editor, 20100);
    Pump();
    REQUIRE(posted.size() == 2);
    CHECK(posted[0].wParam == 9);
    CHECK(posted[0].lParam == 0);
    CHECK(posted[1].wParam == 9);
    CHECK(posted[1].lParam == 20100);

    // The help key over a control asks for the control's id; over a toolbar
    // button for the toolbar's page, not the button's command.
    posted.clear();
    SetForegroundWindow(editor);
    SetWindowPos(editor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Pump();
    SendHelpAt(editor, Centre(run.form->statusbar->hwnd));
    RECT bar;
    GetWindowRect(run.form->toolbar->hwnd, &bar);
    POINT firstButton{bar.left + run.form->toolbar->ItemLeft(0) + 4, (bar.top + bar.bottom) / 2};
    REQUIRE(run.form->toolbar->HintIdAt(firstButton) == 11001);
    SendHelpAt(editor, firstButton);
    Pump();
    REQUIRE(posted.size() == 2);
    CHECK(posted[0].lParam == Statusbar::BarId);
    CHECK(posted[1].lParam == kToolbarId);
    CHECK(run.alerts.alerts.empty());

    // Code 4 restores a minimised editor while the viewer runs.
    ShowWindow(editor, SW_MINIMIZE);
    Pump();
    REQUIRE(IsIconic(editor));
    SendMessageW(editor, viewerMessage, 4, 0);
    Pump();
    CHECK_FALSE(IsIconic(editor));

    // Code 3: the rectangle is kept, the viewer forgotten, a minimised editor restored.
    ShowWindow(editor, SW_MINIMIZE);
    Pump();
    SendMessageW(editor, viewerMessage, 3, 0);
    Pump();
    CHECK_FALSE(IsIconic(editor));
    CHECK(HelpViewerLink().window == nullptr);
    REQUIRE(HelpViewerLink().rectKnown == 1);
    RECT kept = HelpViewerLink().rect;
    RECT actual;
    GetWindowRect(viewer, &actual);
    CHECK(EqualRect(&kept, &actual));
    String line = ViewerCommandLine(L"C:\\p\\guidora.exe", L"0", reinterpret_cast<HWND>(static_cast<intptr_t>(-2)));
    std::wstring expected = L"\"C:\\p\\guidora.exe\" \"id:0\" \"hwnd:-2\" \"hrect:" + std::to_wstring(actual.left) +
                            L" " + std::to_wstring(actual.top) + L" " + std::to_wstring(actual.right) + L" " +
                            std::to_wstring(actual.bottom) + L"\"";
    CHECK(W(line) == expected);

    // Code 4 without a viewer leaves a minimised editor alone; 2 with none does nothing.
    ShowWindow(editor, SW_MINIMIZE);
    Pump();
    SendMessageW(editor, viewerMessage, 4, 0);
    SendMessageW(editor, viewerMessage, 2, 0);
    Pump();
    CHECK(IsIconic(editor));
    ShowWindow(editor, SW_RESTORE);
    Pump();

    // A maximised viewer never replaces the kept rectangle.
    PostMessageW(editor, viewerMessage, 1, reinterpret_cast<LPARAM>(viewer));
    Pump();
    REQUIRE(HelpViewerLink().window == viewer);
    ShowWindow(viewer, SW_MAXIMIZE);
    Pump();
    if (IsZoomed(viewer)) {
        RECT r;
        CHECK(RememberViewerRect(r));
        CHECK(EqualRect(&r, &kept));
        HelpViewerLink().rectKnown = 0;
        CHECK_FALSE(RememberViewerRect(r));
        CHECK(HelpViewerLink().rectKnown == 0);
    }
    DestroyWindow(viewer);
    HelpViewerLink() = ViewerLink();
    viewerMessage = 0;
}

TEST_CASE("help link: without the viewer program the alert names its path; a vanished viewer is forgotten")
{
    MainFormRun run("");
    HelpViewerLink() = ViewerLink();
    String path = GetProgramFilePath(L"guidora.exe");
    REQUIRE(GetFileAttributesW(path.CStr()) == INVALID_FILE_ATTRIBUTES);

    // A viewer window that went away without code 3 is detected; the start fails visibly.
    HWND viewer = CreateFakeViewer(0, 0, 200, 200);
    HelpViewerLink().message = RegisterWindowMessageW(L"rovin WM by Vardemo");
    HelpViewerLink().window = viewer;
    DestroyWindow(viewer);

    SendMessageW(run.Hwnd(), WM_COMMAND, 11043, 0);
    Pump();
    REQUIRE(run.alerts.alerts.size() == 1);
    const RecordingAlerts::Alert& alert = run.alerts.alerts[0];
    CHECK(alert.title == HelpTitle());
    CHECK(alert.code == ERROR_FILE_NOT_FOUND);
    CHECK(alert.message.find(W(path)) != std::wstring::npos);
    CHECK(HelpViewerLink().window == nullptr);
    CHECK(HelpViewerLink().message != 0);

    // WM_HELP for a dialog id takes the same way.
    SendHelpForItem(run.Hwnd(), 20300);
    Pump();
    CHECK(run.alerts.alerts.size() == 2);
    HelpViewerLink() = ViewerLink();
}

TEST_CASE("help link: with a modal dialog over the editor, codes 3 and 4 bring that dialog forward, not the editor")
{
    MainFormRun run("");
    HelpViewerLink() = ViewerLink();
    viewerMessage = RegisterWindowMessageW(L"rovin WM by Vardemo");
    HelpViewerLink().message = viewerMessage;
    HWND editor = run.Hwnd();
    HWND viewer = CreateFakeViewer(600, 100, 900, 400);
    ShowWindow(viewer, SW_SHOWNORMAL);
    // A modal run over the editor: a dialog it owns, the editor disabled.
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, L"STATIC", L"modal", WS_POPUP | WS_CAPTION | WS_VISIBLE, 150,
                                  150, 200, 120, editor, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(dialog != nullptr);
    SetForegroundWindow(dialog);
    EnableWindow(editor, FALSE);
    Pump();
    for (WPARAM code : {WPARAM(4), WPARAM(3)}) {
        CAPTURE(code);
        HelpViewerLink().window = viewer;
        SetForegroundWindow(viewer);
        Pump();
        REQUIRE(GetForegroundWindow() == viewer);
        SendMessageW(editor, viewerMessage, code, 0);
        Pump();
        CHECK(GetForegroundWindow() == dialog);
    }
    EnableWindow(editor, TRUE);
    DestroyWindow(dialog);
    DestroyWindow(viewer);
    HelpViewerLink() = ViewerLink();
    viewerMessage = 0;
}
