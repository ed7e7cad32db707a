#include "GuiTestSupport.h"

#include "gui/Dpi.h"

namespace {

LRESULT Send(GuiBase* o, UINT msg, WPARAM w = 0, LPARAM l = 0)
{
    return SendMessageW(o->hwnd, msg, w, l);
}

bool HasCommand(HMENU menu, UINT command)
{
    return GetMenuState(menu, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

SIZE Frame(GuiBase& form)
{
    RECT w = form.WindowRect(), c = form.ClientRect();
    return {(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
}

// A panel that notes its own destruction.
class WatchedPanel : public Panel {
public:
    WatchedPanel(ControlGroup* p, bool& gone) : Panel(p), flag(gone) {}
    ~WatchedPanel() override { flag = true; }
    bool& flag;
};

} // namespace

TEST_CASE("a form that is not resizable trims its system menu and ignores sizing commands")
{
    TestForm dialogLike(DialogFrame);
    HMENU system = GetSystemMenu(dialogLike.hwnd, FALSE);
    REQUIRE(system);
    CHECK_FALSE(HasCommand(system, SC_SIZE));
    CHECK_FALSE(HasCommand(system, SC_MINIMIZE));
    CHECK_FALSE(HasCommand(system, SC_MAXIMIZE));
    CHECK_FALSE(HasCommand(system, SC_RESTORE));
    CHECK(HasCommand(system, SC_CLOSE));
    CHECK((GetMenuState(system, 1, MF_BYPOSITION) & MF_SEPARATOR) == 0);
    CHECK(dialogLike.resizable == 0);
    CHECK(dialogLike.dialogKeys == 1);

    dialogLike.SetBounds({10, 10, 310, 210});
    dialogLike.Show();
    dialogLike.Maximize();
    CHECK_FALSE(dialogLike.IsMaximized());
    dialogLike.Minimize();
    CHECK_FALSE(dialogLike.IsMinimized());

    TestForm sizable(SizingFrame);
    CHECK(sizable.resizable == 1);
    CHECK(HasCommand(GetSystemMenu(sizable.hwnd, FALSE), SC_SIZE));

    TestForm main;
    CHECK(main.resizable == 1);
    CHECK((GetWindowLongW(main.hwnd, GWL_STYLE) & WS_THICKFRAME) != 0);
    CHECK((GetWindowLongW(main.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0);
    main.Show();
    main.Maximize();
    CHECK(main.IsMaximized());
    main.Unmaximize();
    CHECK_FALSE(main.IsMaximized());
}

TEST_CASE("a form made with the class text first")
{
    struct Plain : Form {
    } form;
    TestForm owner;
    form.CreateHwnd(L"PlainForm", SizingFrame, &owner, 12);
    REQUIRE(form.hwnd);
    wchar_t name[64];
    GetClassNameW(form.hwnd, name, 64);
    CHECK(lstrcmpW(name, L"Scrivel PlainForm") == 0);
    CHECK(form.resizable == 1);
    CHECK(form.GetId() == 12);
    CHECK(form.Owner() == &owner);
    CHECK(FindWindowObject(form.hwnd) == &form);

    Form main;
    main.CreateHwnd(L"PlainForm", MainWindow);
    CHECK((GetWindowLongW(main.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0);
    CHECK(main.Owner() == nullptr);
}

TEST_CASE("form styles become window styles")
{
    TestForm popup(ThinBorder | TopMost | NoActivate | MinimizeBox | ToolWindow | NoTooltip);
    LONG ws = GetWindowLongW(popup.hwnd, GWL_STYLE);
    LONG ex = GetWindowLongW(popup.hwnd, GWL_EXSTYLE);
    CHECK((ws & WS_POPUP) != 0);
    CHECK((ws & WS_CAPTION) == WS_CAPTION);
    CHECK((ws & WS_MINIMIZEBOX) != 0);
    CHECK((ws & WS_CLIPCHILDREN) != 0);
    CHECK((ex & WS_EX_TOOLWINDOW) != 0);
    CHECK((ex & WS_EX_TOPMOST) != 0);
    CHECK((ex & WS_EX_NOACTIVATE) != 0);
    CHECK((ex & WS_EX_DLGMODALFRAME) == 0);
    CHECK(popup.dialogKeys == 0);

    TestForm framed(ModalFrame);
    CHECK((GetWindowLongW(framed.hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0);

    TestForm shadowed(DropShadow, nullptr, 9);
    CHECK(shadowed.GetId() == 9);
}

TEST_CASE("size limits are the content's limits plus the frame")
{
    TestForm form(SizingFrame);
    Panel* content = new Panel(&form);
    content->limits = {200, 100, 400, 300};
    form.SetBounds({50, 50, 350, 250});
    SIZE frame = Frame(form);

    MINMAXINFO info = {};
    CHECK(Send(&form, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)) == 0);
    CHECK(info.ptMinTrackSize.x == 200 + frame.cx);
    CHECK(info.ptMinTrackSize.y == 100 + frame.cy);
    CHECK(info.ptMaxTrackSize.x == 400 + frame.cx);
    CHECK(info.ptMaxTrackSize.y == 300 + frame.cy);

    TestForm empty(SizingFrame);
    SizeLimits limits;
    empty.Measure(limits);
    CHECK(limits.maxWidth >= Unbounded);
    CHECK(limits.minWidth == Frame(empty).cx);
}

TEST_CASE("a minimised form measures its frame from its styles")
{
    TestForm form(MainWindow);
    Panel* content = new Panel(&form);
    content->limits = {200, 100, 400, 300};
    form.SetBounds({50, 50, 450, 350});
    form.Show();
    form.Minimize();
    Pump();
    REQUIRE(form.IsMinimized());
    SizeLimits limits;
    form.Measure(limits);
    RECT wr = form.WindowRect();
    if (wr.left <= -30000 || wr.top <= -30000) {
        RECT r = {0, 0, 0, 0};
        AdjustWindowRectEx(&r, GetWindowLongW(form.hwnd, GWL_STYLE), FALSE,
                           GetWindowLongW(form.hwnd, GWL_EXSTYLE));
        int d = form.GetDpi();
        CHECK(limits.minWidth == 200 + MulDiv(r.right, d, 96) - MulDiv(r.left, d, 96));
        CHECK(limits.minHeight == 100 + MulDiv(r.bottom, d, 96) - MulDiv(r.top, d, 96));
    } else {
        CHECK(limits.minWidth == 200 + Frame(form).cx);
    }
    CHECK(limits.minWidth > 200);
    CHECK(limits.maxHeight > 300);
    form.Restore();
    CHECK_FALSE(form.IsMinimized());
}

TEST_CASE("the content is laid out once per size change")
{
    TestForm form(SizingFrame);
    Panel* content = new Panel(&form);
    form.SetBounds({0, 0, 300, 200});
    int layouts = content->layouts;
    CHECK(layouts >= 1);
    RECT client = form.ClientRect();
    CHECK(content->bounds.right == client.right);
    CHECK(content->bounds.bottom == client.bottom);

    // The same size sends no WM_SIZE: SetBounds lays out itself.
    form.SetBounds({20, 20, 320, 220});
    CHECK(content->layouts == layouts + 1);
    form.SetBounds({20, 20, 420, 220});
    CHECK(content->layouts == layouts + 2);
    CHECK(content->bounds.right == form.ClientRect().right);
}

TEST_CASE("a form holds one content control")
{
    TestForm form;
    Panel* first = new Panel(&form);
    CHECK(form.content == first);
    Panel second(nullptr, Windowless);
    CHECK_THROWS_AS(form.AddChild(&second), InternalError);
    delete first;
    CHECK(form.content == nullptr);
    form.AddChild(&second);
    CHECK(form.content == &second);
    form.RemoveChild(&second);
    CHECK(form.content == nullptr);
}

TEST_CASE("an owned form starts over its owner's rectangle")
{
    TestForm owner;
    owner.SetBounds({40, 60, 540, 460});
    TestForm owned(DialogFrame, &owner);
    RECT a = owner.WindowRect(), b = owned.WindowRect();
    CHECK(a.left == b.left);
    CHECK(a.top == b.top);
    CHECK(a.right == b.right);
    CHECK(a.bottom == b.bottom);
    CHECK(GetWindow(owned.hwnd, GW_OWNER) == owner.hwnd);
    CHECK(owned.Owner() == &owner);
}

namespace {

// An active form with an edit control inside its content.
struct FormWithEdit {
    TestForm form;
    NativeControl* edit;
    FormWithEdit()
    {
        form.SetBounds({0, 0, 300, 200});
        Panel* group = new Panel(&form);
        group->Show();
        edit = new NativeControl(group, L"EDIT", 5);
        edit->SetBounds({5, 5, 100, 25});
        edit->Show();
        form.Show();
        form.Activate();
        Pump();
    }
};

} // namespace

TEST_CASE("after deactivation and activation the focus returns to the control that had it")
{
    FormWithEdit f;
    TestForm& form = f.form;
    NativeControl* edit = f.edit;

    edit->SetFocus();
    REQUIRE(edit->HasFocus());
    Send(&form, WM_ACTIVATE, WA_INACTIVE);
    CHECK(form.focusControl == edit);
    SetFocus(form.hwnd);
    CHECK_FALSE(edit->HasFocus());
    Send(&form, WM_ACTIVATE, WA_ACTIVE);
    CHECK(edit->HasFocus());

    // Being minimised does not count.
    SetFocus(form.hwnd);
    Send(&form, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1));
    CHECK(form.focusControl == edit);

    // The form's own window is no control to come back to.
    Send(&form, WM_ACTIVATE, WA_INACTIVE);
    CHECK(form.focusControl == edit);
    edit->SetFocus();
    Send(&form, WM_ACTIVATE, WA_INACTIVE);
    CHECK(form.focusControl == edit);
    delete edit;
    CHECK(form.focusControl == nullptr);
    Send(&form, WM_ACTIVATE, WA_ACTIVE);
    CHECK(GetFocus() == form.hwnd);
}

TEST_CASE("a form activated while minimised keeps the focus on its own window")
{
    FormWithEdit f;
    TestForm& form = f.form;
    NativeControl* edit = f.edit;
    edit->SetFocus();
    Send(&form, WM_ACTIVATE, WA_INACTIVE);
    REQUIRE(form.focusControl == edit);

    Send(&form, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1));
    CHECK(GetFocus() == form.hwnd);
    CHECK(form.focusControl == edit);
    // Restored, the control gets its focus back.
    Send(&form, WM_ACTIVATE, WA_ACTIVE);
    CHECK(edit->HasFocus());
}

TEST_CASE("menus: loading, check marks, enabling and deleting items")
{
    TestForm form;
    CHECK_FALSE(form.IsMenuItemChecked(1001));
    form.LoadMenu(IDM_TEST);
    HMENU first = GetMenu(form.hwnd);
    REQUIRE(first);
    CHECK(form.menu.Handle() == first);

    CHECK_FALSE(form.IsMenuItemChecked(1002));
    form.SetMenuItemChecked(1002);
    CHECK(form.IsMenuItemChecked(1002));
    form.SetMenuItemUnchecked(1002);
    CHECK_FALSE(form.IsMenuItemChecked(1002));
    form.CheckMenuItem(1002, true);
    CHECK(form.IsMenuItemChecked(1002));
    // An item that is not there has no check mark.
    CHECK_FALSE(form.IsMenuItemChecked(4242));

    form.EnableMenuItem(1001, false);
    CHECK((GetMenuState(first, 1001, MF_BYCOMMAND) & MF_GRAYED) != 0);
    form.EnableMenuItem(1001, true);
    CHECK((GetMenuState(first, 1001, MF_BYCOMMAND) & MF_GRAYED) == 0);
    form.DeleteMenuItem(1001);
    CHECK_FALSE(HasCommand(first, 1001));

    form.LoadMenuAlt(IDM_TEST);
    CHECK(GetMenu(form.hwnd) != first);
    CHECK_FALSE(IsMenu(first));
    CHECK_THROWS_AS(form.LoadMenu(9999), Error);
}

TEST_CASE("icons are loaded at the sizes for the form's DPI")
{
    TestForm form;
    form.SetIcons(IDI_TEST);
    REQUIRE_FALSE(form.bigIcon.IsEmpty());
    CHECK(Send(&form, WM_GETICON, ICON_BIG) == reinterpret_cast<LRESULT>(form.bigIcon.Handle()));
    CHECK(Send(&form, WM_GETICON, ICON_SMALL) ==
          reinterpret_cast<LRESULT>(form.smallIcon.Handle()));
    ICONINFO info;
    REQUIRE(GetIconInfo(form.bigIcon.Handle(), &info));
    BITMAP bm;
    GetObjectW(info.hbmMask, sizeof(bm), &bm);
    CHECK(bm.bmWidth == MulDiv(form.GetDpi(), GetSystemMetrics(SM_CXICON), form.SystemDpi()));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    HICON old = form.bigIcon.Handle();
    form.SetIconsAlt(IDI_TEST);
    CHECK(form.bigIcon.Handle() != old);
    CHECK_THROWS_AS(form.SetIcons(9999), Error);
}

TEST_CASE("accelerators are translated for the top-level window a key arrives in")
{
    TestForm form;
    Panel* panel = new Panel(&form);
    CHECK_THROWS_AS(form.LoadAccelerators(9999), Error);
    form.LoadAcceleratorsAlt(IDA_TEST);
    REQUIRE(form.accelerators);
    PostMessageW(panel->hwnd, WM_KEYDOWN, VK_F5, 1);
    form.PumpPending();
    REQUIRE(form.commands.size() == 1);
    CHECK(form.commands[0] == 1004);

    form.SetAccelerators(nullptr);
    PostMessageW(panel->hwnd, WM_KEYDOWN, VK_F5, 1);
    form.PumpPending();
    CHECK(form.commands.size() == 1);
}

TEST_CASE("a form paints its client area with the button face")
{
    TestForm form;
    form.SetBounds({0, 0, 200, 150});
    form.Show();
    form.Update();
    Pump();
    DeviceContext dc = form.WindowDC();
    CHECK(GetPixel(dc.Hdc(), 20, 20) == GetSysColor(COLOR_BTNFACE));
    CHECK(Send(&form, WM_ERASEBKGND) == 1);
}

TEST_CASE("destroying a form destroys its control tree, window and hooks")
{
    bool gone = false;
    HWND window;
    {
        TestForm form;
        window = form.hwnd;
        Panel* group = new Panel(&form);
        new WatchedPanel(group, gone);
        AppMessageHook = &form;
        HoverWindow = form.hwnd;
        form.LoadMenu(IDM_TEST);
    }
    CHECK(gone);
    CHECK_FALSE(IsWindow(window));
    CHECK(AppMessageHook == nullptr);
    CHECK(HoverWindow == nullptr);
    CHECK(FindWindowObject(window) == nullptr);

    Form unmade;
    CHECK_THROWS_AS(unmade.MeasureDC(), InternalError);
    CHECK(unmade.HintAt({0, 0}) == nullptr);
}

TEST_CASE("activation of a form")
{
    TestForm a, b;
    a.SetBounds({0, 0, 200, 100});
    b.SetBounds({300, 0, 500, 100});
    a.Show();
    b.Show();
    a.Activate();
    CHECK(a.IsActive());
    b.Activate();
    CHECK(b.IsActive());
    CHECK_FALSE(a.IsActive());
}
