#include "GuiTestSupport.h"

#include "gui/Dpi.h"

namespace {

RECT WorkArea()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// A dialog with a panel as content whose limits the test sets.
struct PanelDialog : TestDialog {
    Panel* panel;
    explicit PanelDialog(Form* ownerForm) : TestDialog(ownerForm), panel(new Panel(this)) {}
};

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

} // namespace

TEST_CASE("a dialog has a caption, a trimmed system menu and dialog keys")
{
    TestForm main;
    TestDialog dialog(&main, 0, 321);
    CHECK(dialog.GetText().Equals(L"Test dialog"));
    CHECK(dialog.width == 400);
    CHECK(dialog.height == 300);
    CHECK(dialog.dialogOwner == &main);
    CHECK(dialog.GetId() == 321);
    CHECK(dialog.dialogKeys == 1);
    CHECK((dialog.formStyle & DialogFrame) != 0);
    CHECK((GetWindowLongW(dialog.hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION);
    wchar_t name[64];
    GetClassNameW(dialog.hwnd, name, 64);
    CHECK(lstrcmpW(name, L"Scrivel Dialog") == 0);
}

TEST_CASE("a dialog opens at its default size unless its content's limits say otherwise")
{
    TestForm main;
    main.SetBounds({100, 100, 900, 700});
    PanelDialog dialog(&main);
    int d = dialog.GetDpi();

    dialog.Place();
    RECT c = dialog.ClientRect();
    RECT w = dialog.WindowRect();
    CHECK(Width(w) == MulDiv(400, d, 96));
    CHECK(Height(w) == MulDiv(300, d, 96));

    dialog.panel->limits = {500, 420, Unbounded, Unbounded};
    dialog.Place();
    c = dialog.ClientRect();
    CHECK(c.right == 500);
    CHECK(c.bottom == 420);
    CHECK(dialog.panel->bounds.right == 500);

    dialog.panel->limits = {0, 0, 200, 150};
    dialog.Place();
    c = dialog.ClientRect();
    CHECK(c.right == 200);
    CHECK(c.bottom == 150);

    // Centred on the owner.
    w = dialog.WindowRect();
    RECT o = main.WindowRect();
    CHECK(w.left == o.left + (Width(o) - Width(w)) / 2);
    CHECK(w.top == o.top + (Height(o) - Height(w)) / 2);
}

TEST_CASE("a dialog over an owner near the edge is pulled into the work area")
{
    RECT work = WorkArea();
    TestForm main;
    main.SetBounds({work.right - 100, work.bottom - 80, work.right + 100, work.bottom + 80});
    TestDialog dialog(&main);
    dialog.Place();
    RECT w = dialog.WindowRect();
    CHECK(w.right == work.right);
    CHECK(w.bottom == work.bottom);
    CHECK(Width(w) == MulDiv(400, dialog.GetDpi(), 96));

    TestDialog lone(nullptr);
    lone.Place();
    w = lone.WindowRect();
    CHECK(w.left == work.left + (Width(work) - Width(w)) / 2);
    CHECK(w.top == work.top + (Height(work) - Height(w)) / 2);
}

TEST_CASE("a modal run disables the owner and gives it back enabled")
{
    TestForm main;
    main.SetBounds({0, 0, 600, 400});
    main.Show();
    PanelDialog dialog(&main);
    // Asked for the focus before the run; whether the system grants it
    // depends on which program is in the foreground.
    struct FocusTarget : Panel {
        using Panel::Panel;
        void SetFocus() override
        {
            asked++;
            Panel::SetFocus();
        }
        int asked = 0;
    };
    FocusTarget* target = new FocusTarget(dialog.panel);
    bool checked = false;
    dialog.onApp = [&](MessageRecord&) {
        checked = true;
        CHECK_FALSE(IsWindowEnabled(main.hwnd));
        CHECK(main.HasModal());
        CHECK(main.GetModal() == &dialog);
        CHECK(dialog.IsShown());
        CHECK(IsWindowVisible(dialog.hwnd));
        CHECK(target->asked == 1);
        dialog.result = 7;
        dialog.Quit();
    };
    dialog.PostMsg(WM_APP, 0, 0);
    dialog.ShowModal(target);
    CHECK(checked);
    CHECK(dialog.result == 7);
    CHECK(IsWindowEnabled(main.hwnd));
    CHECK_FALSE(main.HasModal());
    CHECK(main.GetModal() == nullptr);
    CHECK_FALSE(dialog.IsShown());
    CHECK(dialog.ownerDisabled == 0);
}

TEST_CASE("modal runs nest over the same owner")
{
    TestForm main;
    main.SetBounds({0, 0, 600, 400});
    main.Show();
    TestDialog outer(&main), inner(&main);
    std::vector<const char*> steps;
    inner.onApp = [&](MessageRecord&) {
        steps.push_back("inner");
        CHECK(main.GetModal() == &inner);
        CHECK(main.modals.Count() == 2);
        CHECK_FALSE(IsWindowEnabled(main.hwnd));
        inner.Quit();
    };
    outer.onApp = [&](MessageRecord&) {
        steps.push_back("outer");
        inner.PostMsg(WM_APP, 0, 0);
        inner.ShowModal(nullptr);
        // The outer run still goes on: its owner stays disabled.
        CHECK_FALSE(IsWindowEnabled(main.hwnd));
        CHECK(main.GetModal() == &outer);
        outer.Quit();
    };
    outer.PostMsg(WM_APP, 0, 0);
    outer.ShowModal(nullptr);
    REQUIRE(steps.size() == 2);
    CHECK(IsWindowEnabled(main.hwnd));
    CHECK(main.GetModal() == nullptr);
}

TEST_CASE("a dialog over a dialog disables the chain of owners")
{
    TestForm main;
    main.Show();
    TestDialog first(&main);
    TestDialog second(&first);
    second.onApp = [&](MessageRecord&) {
        CHECK_FALSE(IsWindowEnabled(first.hwnd));
        CHECK_FALSE(IsWindowEnabled(main.hwnd));
        CHECK(first.GetModal() == &second);
        CHECK(main.GetModal() == &first);
        second.Quit();
    };
    first.onApp = [&](MessageRecord&) {
        second.PostMsg(WM_APP, 0, 0);
        second.ShowModal(nullptr);
        CHECK(IsWindowEnabled(first.hwnd));
        first.Quit();
    };
    first.PostMsg(WM_APP, 0, 0);
    first.ShowModal(nullptr);
    CHECK(IsWindowEnabled(main.hwnd));
}

TEST_CASE("enabling after a modal run that is not recorded changes nothing")
{
    TestForm main;
    TestForm a(DialogFrame, &main), b(DialogFrame, &main);
    main.DisableForModal(&a);
    main.EnableAfterModal(&b);
    CHECK_FALSE(IsWindowEnabled(main.hwnd));
    CHECK(main.GetModal() == &a);
    main.DisableForModal(&a);
    CHECK(main.modals.Count() == 1);
    main.EnableAfterModal(&a);
    CHECK(IsWindowEnabled(main.hwnd));
    CHECK_FALSE(main.HasModal());
}

TEST_CASE("a dialog destroyed during its run gives its owner back")
{
    TestForm main;
    TestDialog* dialog = new TestDialog(&main);
    main.DisableForModal(dialog);
    dialog->ownerDisabled = 1;
    delete dialog;
    CHECK(IsWindowEnabled(main.hwnd));
    CHECK_FALSE(main.HasModal());
}

TEST_CASE("the close box cancels, Esc and Enter arrive as commands 2 and 1")
{
    TestForm main;
    main.Show();
    TestDialog dialog(&main);
    dialog.result = 5;
    dialog.PostMsg(WM_CLOSE, 0, 0);
    dialog.ShowModal(nullptr);
    CHECK(dialog.result == IDCANCEL);
    CHECK(IsWindow(dialog.hwnd));

    dialog.commands.clear();
    dialog.PostMsg(WM_KEYDOWN, VK_ESCAPE, 1);
    dialog.ShowModal(nullptr);
    REQUIRE(dialog.commands.size() == 1);
    CHECK(dialog.commands[0] == IDCANCEL);

    dialog.commands.clear();
    dialog.PostMsg(WM_KEYDOWN, VK_RETURN, 1);
    dialog.ShowModal(nullptr);
    REQUIRE(dialog.commands.size() == 1);
    CHECK(dialog.commands[0] == IDOK);
    CHECK(dialog.result == IDOK);
}

TEST_CASE("a dialog that does not handle the close box itself still cancels")
{
    // No close handler of its own: a result left from the last run must not
    // become the answer of this one.
    struct Plain : Dialog {
        explicit Plain(Form* ownerForm) { Create(ownerForm, 0, 9, L"Plain"); }
        void OnCommand(MessageRecord& m) override
        {
            result = LOWORD(m.wParam);
            Quit();
        }
    };
    TestForm main;
    main.Show();
    Plain dialog(&main);
    dialog.PostMsg(WM_KEYDOWN, VK_RETURN, 1);
    dialog.ShowModal(nullptr);
    REQUIRE(dialog.result == IDOK);
    dialog.PostMsg(WM_CLOSE, 0, 0);
    dialog.ShowModal(nullptr);
    CHECK(dialog.result == IDCANCEL);
    CHECK(IsWindow(dialog.hwnd));
    CHECK(IsWindowEnabled(main.hwnd));
}

TEST_CASE("the owner is enabled before the dialog hides, so that activation returns to it")
{
    struct Watched : TestDialog {
        using TestDialog::TestDialog;
        void OnHide(MessageRecord& m) override
        {
            hides++;
            ownerEnabled = IsWindowEnabled(dialogOwner->hwnd) != 0;
            TestDialog::OnHide(m);
        }
        int hides = 0;
        bool ownerEnabled = false;
    };
    TestForm main;
    main.Show();
    Watched dialog(&main);
    dialog.PostMsg(WM_CLOSE, 0, 0);
    dialog.ShowModal(nullptr);
    CHECK(dialog.hides == 1);
    CHECK(dialog.ownerEnabled);
}

TEST_CASE("help in a dialog asks the owner for the dialog's topic")
{
    TestForm main;
    TestDialog dialog(&main, 0, 4711);
    Panel* panel = new Panel(&dialog);
    panel->id = 12;
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = 12;
    info.hItemHandle = panel->hwnd;
    CHECK(dialog.SendMsg(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)) == 0);
    REQUIRE(main.helpIds.size() == 1);
    CHECK(main.helpIds[0] == 4711);
    CHECK(main.helpContexts[0] == HELPINFO_MENUITEM);
}

TEST_CASE("errors in a dialog reach the owner and its run goes on")
{
    TestForm main;
    main.Show();
    PanelDialog dialog(&main);
    dialog.panel->onCommand = [&](MessageRecord& m) {
        if (LOWORD(m.wParam) == 1)
            throw WinError(33);
        dialog.Quit();
    };
    dialog.panel->PostCommand(1, 0);
    dialog.panel->PostCommand(2, 0);
    dialog.ShowModal(nullptr);
    REQUIRE(main.errors.size() == 1);
    CHECK(main.errors[0] == 33);
    CHECK(dialog.panel->commands.size() == 2);
}

TEST_CASE("each run places the dialog again over where its owner is now")
{
    TestForm main;
    main.SetBounds({0, 0, 600, 500});
    main.Show();
    TestDialog dialog(&main);
    dialog.PostMsg(WM_CLOSE, 0, 0);
    dialog.ShowModal(nullptr);
    RECT first = dialog.WindowRect();

    main.SetBounds({200, 100, 800, 600});
    dialog.PostMsg(WM_CLOSE, 0, 0);
    dialog.ShowModal(nullptr);
    RECT second = dialog.WindowRect();
    CHECK(second.left == first.left + 200);
    CHECK(second.top == first.top + 100);
}
