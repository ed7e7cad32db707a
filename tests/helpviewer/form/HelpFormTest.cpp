#include "helpviewer/HelpForm.h"

#include <doctest.h>

#include "base/AppContext.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpView.h"
#include "helpviewer/ViewerFramework.h"
#include "helpviewer/ViewerToolbar.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <string>

namespace {

AppContext g_context(GetModuleHandleW(nullptr));

struct FrameworkOnce {
    FrameworkOnce() { UseViewerFramework(); }
} g_framework;

int g_waited = -1;
void WINAPI RecordWait(DWORD milliseconds)
{
    g_waited = static_cast<int>(milliseconds);
}

const char kMarkup[] =
    "<title>Pomoc testowa</title>"
    "<section ctx='index' nav='1'>Spis</section>"
    "<section ctx='a' nav='1'>A</section>"
    "<section ctx='b'>B</section>"
    "<section ctx='c' nav='1'>C</section>";

// A container beside the test and a caller window that collects what the
// viewer posts to it.
struct Fixture {
    TempFolder folder;
    String path;
    HWND caller;
    UINT message;

    Fixture()
    {
        HelpContainerWriter writer;
        writer.AddMember(L"help.html", reinterpret_cast<const u8*>(kMarkup), sizeof kMarkup - 1);
        writer.AddEndTag();
        path = folder / L"help.ruvo";
        writer.Save(path);
        caller = CreateWindowExW(0, L"STATIC", L"caller", WS_POPUP, 100, 100, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        message = RegisterWindowMessageW(L"rovin WM by Vardemo");
        HelpForm::closeWait = RecordWait;
    }
    ~Fixture()
    {
        DestroyWindow(caller);
        HelpForm::closeWait = Sleep;
    }

    // The codes posted to the caller so far, with the lParam of the last.
    std::wstring Codes(LPARAM* last = nullptr)
    {
        std::wstring codes;
        MSG msg;
        while (PeekMessageW(&msg, caller, message, message, PM_REMOVE)) {
            codes += std::to_wstring(msg.wParam) + L";";
            if (last)
                *last = msg.lParam;
        }
        return codes;
    }
};

ViewerArguments WithCaller(HWND caller, const wchar_t* id)
{
    ViewerArguments a;
    a.caller = caller;
    if (id) {
        a.hasId = true;
        a.id = String(id);
    }
    return a;
}

UINT MenuState(HelpForm& form, UINT command)
{
    return GetMenuState(GetMenu(form.GetHwnd()), command, MF_BYCOMMAND);
}

// Pixels of the toolbar item whose channels differ by more than a grey's:
// the images are coloured, a greyed item has none.
int ColouredPixels(HelpForm& form, uint32_t command)
{
    Toolbar& bar = *form.toolbar;
    RedrawWindow(bar.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PixelImage shot = ReadWindowPixels(bar.hwnd);
    const int i = bar.FindCommand(command);
    const int left = bar.ItemLeft(i);
    int n = 0;
    for (int y = 0; y < shot.height; y++)
        for (int x = left; x < left + bar.items.At(i).advance && x < shot.width; x++) {
            COLORREF c = shot.At(x, y);
            int hi = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
            int lo = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
            n += hi - lo > 24;
        }
    return n;
}

}  // namespace

TEST_CASE("the help window starts on the id topic, titled by the document, and tells its caller")
{
    Fixture f;
    HelpForm form;
    form.Build(WithCaller(f.caller, L"A"), f.path);
    LPARAM last = 0;
    CHECK(f.Codes(&last) == L"1;");
    CHECK(last == reinterpret_cast<LPARAM>(form.GetHwnd()));
    CHECK(form.view->CurrentId().Equals(L"a"));
    CHECK(form.GetText().Equals(L"Pomoc testowa"));
    CHECK(IsWindowVisible(form.GetHwnd()));
    // Printing is reached by its command only.
    CHECK(MenuState(form, kCmdPrint) == UINT(-1));
    CHECK(MenuState(form, kCmdCopy) != UINT(-1));
    // Placed beside the caller (right of it: more room there).
    RECT r = form.WindowRect();
    CHECK(r.left == 400);
    CHECK(r.top == 100);
}

TEST_CASE("command states follow the reading order; always on top toggles and is checked")
{
    Fixture f;
    HelpForm form;
    form.Build(WithCaller(nullptr, L"index"), f.path);
    CHECK((MenuState(form, kCmdPreviousPage) & MF_GRAYED) != 0);
    CHECK((MenuState(form, kCmdNextPage) & MF_GRAYED) == 0);
    CHECK((MenuState(form, kCmdBack) & MF_GRAYED) != 0);
    CHECK((MenuState(form, kCmdForward) & MF_GRAYED) != 0);
    // The toolbar follows: greyed images, no colour left in them.
    ViewerToolbar& bar = *form.toolbar;
    CHECK_FALSE(bar.IsEnabled(kCmdBack));
    CHECK_FALSE(bar.IsEnabled(kCmdForward));
    CHECK_FALSE(bar.IsEnabled(kCmdPreviousPage));
    CHECK(bar.IsEnabled(kCmdNextPage));
    CHECK(bar.IsEnabled(kCmdContents));
    CHECK(ColouredPixels(form, kCmdBack) == 0);
    CHECK(ColouredPixels(form, kCmdPreviousPage) == 0);
    CHECK(ColouredPixels(form, kCmdNextPage) > 0);
    SaveScreenshot(ReadWindowPixels(bar.hwnd), "helpform_toolbar_start.png");
    form.SendCommand(kCmdNextPage, 0);
    form.PumpPending();
    CHECK((MenuState(form, kCmdBack) & MF_GRAYED) == 0);
    CHECK(bar.IsEnabled(kCmdBack));
    CHECK(bar.IsEnabled(kCmdPreviousPage));
    CHECK(ColouredPixels(form, kCmdBack) > 0);
    CHECK(form.view->CurrentId().Equals(L"a"));
    form.SendCommand(kCmdNextPage, 0);
    form.PumpPending();
    CHECK(form.view->CurrentId().Equals(L"c"));
    CHECK((MenuState(form, kCmdNextPage) & MF_GRAYED) != 0);
    CHECK((MenuState(form, kCmdPreviousPage) & MF_GRAYED) == 0);
    CHECK_FALSE(bar.IsEnabled(kCmdNextPage));
    CHECK(ColouredPixels(form, kCmdNextPage) == 0);
    // A click on the greyed button reaches nothing.
    const int next = bar.FindCommand(kCmdNextPage);
    const LPARAM at = MAKELPARAM(bar.ItemLeft(next) + 3, 5);
    SendMessageW(bar.hwnd, WM_MOUSEMOVE, 0, at);
    SendMessageW(bar.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    CHECK(bar.pressed == -1);
    SendMessageW(bar.hwnd, WM_LBUTTONUP, 0, at);
    CHECK(form.view->CurrentId().Equals(L"c"));
    form.SendCommand(kCmdBack, 0);
    form.PumpPending();
    CHECK(form.view->CurrentId().Equals(L"a"));
    CHECK((MenuState(form, kCmdForward) & MF_GRAYED) == 0);
    CHECK(bar.IsEnabled(kCmdForward));
    form.SendCommand(kCmdContents, 0);
    form.PumpPending();
    CHECK(form.view->CurrentId().Equals(L"index"));
    CHECK((MenuState(form, kCmdForward) & MF_GRAYED) != 0);
    CHECK_FALSE(bar.IsEnabled(kCmdForward));

    CHECK((MenuState(form, kCmdZoomNormal) & MF_CHECKED) != 0);
    form.SendCommand(kCmdZoomLarger, 0);
    form.PumpPending();
    CHECK((MenuState(form, kCmdZoomLarger) & MF_CHECKED) != 0);
    CHECK((MenuState(form, kCmdZoomNormal) & MF_CHECKED) == 0);
    form.SendCommand(kCmdZoomNormal, 0);
    form.PumpPending();
    CHECK((MenuState(form, kCmdZoomNormal) & MF_CHECKED) != 0);
    CHECK(form.view->Zoom() == 0);

    form.SendCommand(kCmdTopMost, 0);
    // (Wine keeps this window's extended style as it is, so the z-order
    // itself is not read back here.)
    CHECK(form.topMost);
    CHECK((MenuState(form, kCmdTopMost) & MF_CHECKED) != 0);
    form.SendCommand(kCmdTopMost, 0);
    CHECK_FALSE(form.topMost);
    CHECK((MenuState(form, kCmdTopMost) & MF_CHECKED) == 0);
}

TEST_CASE("placement: hrect off the work area is moved in, an oversized one cut, the caller's right edge")
{
    Fixture f;
    RECT work = WorkAreaNear(RECT{0, 0, 10, 10});
    {
        ViewerArguments a;
        a.hasOwnRect = true;
        a.ownRect = {work.right - 100, work.bottom - 50, work.right + 300, work.bottom + 250};
        HelpForm form;
        form.Build(a, f.path);
        RECT r = form.WindowRect();
        CHECK(r.right == work.right);
        CHECK(r.bottom == work.bottom);
        CHECK(r.right - r.left == 400);
        CHECK(r.bottom - r.top == 300);
    }
    {
        ViewerArguments a;
        a.hasOwnRect = true;
        a.ownRect = {work.left - 50, work.top - 50, work.right + 500, work.bottom + 500};
        HelpForm form;
        form.Build(a, f.path);
        RECT r = form.WindowRect();
        CHECK(r.left == work.left);
        CHECK(r.top == work.top);
        CHECK(r.right == work.right);
        CHECK(r.bottom == work.bottom);
    }
    {
        // A caller against the right edge with more room on its left.
        ViewerArguments a;
        a.hasCallerRect = true;
        a.callerRect = {work.right - 400, work.top + 20, work.right, work.top + 420};
        HelpForm form;
        form.Build(a, f.path);
        RECT r = form.WindowRect();
        CHECK(r.right == work.right - 400);
        CHECK(r.left == work.right - 900);
        CHECK(r.top == work.top + 20);
    }
}

TEST_CASE("the protocol: 9 and a text transfer show topics and answer 2, 31106 gives 4, 10 closes with 3")
{
    Fixture f;
    HelpForm form;
    form.Build(WithCaller(f.caller, nullptr), f.path);
    CHECK(form.view->CurrentId().Equals(L"index"));
    CHECK(f.Codes() == L"1;");

    SendMessageW(form.GetHwnd(), f.message, kShowNumber, 12345);
    // An unknown number falls back to the contents, and is still answered.
    CHECK(form.view->CurrentId().Equals(L"index"));
    CHECK(f.Codes() == L"2;");

    // "c" by 11 and 13; then a wrong length: nothing.
    SendMessageW(form.GetHwnd(), f.message, kTextStart | ('c' << 16), 0);
    SendMessageW(form.GetHwnd(), f.message, kTextEnd, 1);
    CHECK(form.view->CurrentId().Equals(L"c"));
    CHECK(f.Codes() == L"2;");
    SendMessageW(form.GetHwnd(), f.message, kTextStart | ('a' << 16), 0);
    SendMessageW(form.GetHwnd(), f.message, kTextEnd, 2);
    CHECK(form.view->CurrentId().Equals(L"c"));
    CHECK(f.Codes() == L"");

    form.SendCommand(kCmdCallerWindow, 0);
    CHECK(f.Codes() == L"4;");

    g_waited = -1;
    SendMessageW(form.GetHwnd(), f.message, kCloseViewer, 0);
    form.Run();
    CHECK(f.Codes() == L"3;");
    CHECK_FALSE(IsWindowVisible(form.GetHwnd()));
    CHECK(g_waited == 5000);
}
