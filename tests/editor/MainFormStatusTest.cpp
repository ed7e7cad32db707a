// The status bar of the real main window follows its active view, and its
// clicks and the text commands come back as menu commands.

#include "MainFormTestSupport.h"

#include "editor/Statusbar.h"
#include "text/TextDocument.h"

#include <doctest.h>

namespace {

void Type(MainForm& f, const wchar_t* text)
{
    for (const wchar_t* p = text; *p; p++)
        SendMessageW(f.view1->hwnd, WM_CHAR, *p, 0);
}

}  // namespace

TEST_CASE("the status bar shows the caret of the active view and follows its moves")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    SetUiLanguageId(9);
    Statusbar& bar = *f.statusbar;
    CHECK(bar.GetId() == Statusbar::BarId);
    REQUIRE(bar.state.hasText);
    Type(f, L"ab\rcd");
    CHECK(bar.state.line == 1);
    CHECK(bar.state.column == 2);
    CHECK(bar.state.code == -1);
    SendMessageW(f.view1->hwnd, WM_KEYDOWN, VK_HOME, 0);
    CHECK(bar.state.column == 0);
    CHECK(bar.state.code == 'c');
    CHECK(bar.state.insertMode);
    SendMessageW(f.hwnd, WM_COMMAND, 11086, 0);
    CHECK_FALSE(bar.state.insertMode);

    // Upper case through the menu id; the converted character stays selected.
    SendMessageW(f.hwnd, WM_COMMAND, 11034, 0);
    TextDocument* doc = run.broker->documents.At(0);
    std::string bytes(static_cast<size_t>(doc->text.Size()), '\0');
    doc->text.CopyBytes(0, reinterpret_cast<u8*>(&bytes[0]), doc->text.Size());
    CHECK(bytes.find("Cd") != std::string::npos);

    // A click on the mode field arrives as its command with the bar's id.
    bar.Update(doc, f.activeView);
    bar.Invalidate();
    bar.Update();
    int y = bar.ClientRect().bottom / 2;
    int x = bar.edges[3] - 3;
    SendMessageW(bar.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageW(bar.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(bar.GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    CHECK(bar.state.insertMode);
}
