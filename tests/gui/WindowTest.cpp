#include "GuiTestSupport.h"

#include "gui/Dpi.h"
#include "support/Screenshot.h"

#include <new>
#include <string>
#include <thread>

namespace {

// A bare object for the window map: only its handle value matters there.
struct MapEntry : GuiBase {
    explicit MapEntry(uintptr_t h) { hwnd = reinterpret_cast<HWND>(h); }
};

// Counts what reaches its slots.
class CountingPanel : public Panel {
public:
    explicit CountingPanel(ControlGroup* p) : Panel(p) {}
    void OnCreate(MessageRecord& m) override
    {
        creates++;
        Panel::OnCreate(m);
    }
    void DefaultProc(MessageRecord& m) override
    {
        if (m.msg == WM_SETTEXT)
            setTexts++;
        if (m.msg == WM_ERASEBKGND)
            erases++;
        Panel::DefaultProc(m);
    }
    int creates = 0;
    int setTexts = 0;
    int erases = 0;
};

struct FormWithPanel {
    TestForm form;
    Panel* panel;
    FormWithPanel() : panel(new Panel(&form)) {}
};

LRESULT Send(GuiBase* o, UINT msg, WPARAM w = 0, LPARAM l = 0)
{
    return SendMessageW(o->hwnd, msg, w, l);
}

// A shown form whose content holds one shown child at the given place, out
// of reach of the layout that sizes the content.
template <class Child> struct ShownChild {
    TestForm form;
    Panel* content;
    Child* child;
    ShownChild(RECT formBounds, RECT childBounds)
    {
        form.SetBounds(formBounds);
        content = new Panel(&form);
        child = new Child(content);
        child->SetBounds(childBounds);
        content->Show();
        child->Show();
        form.Show();
        Pump();
    }
};

} // namespace

TEST_CASE("window map buckets follow the handle's digits in base 51")
{
    CHECK(WindowMapBucket(50) == 50);
    CHECK(WindowMapBucket(51) == 1);
    CHECK(WindowMapBucket(2601) == 1);
    CHECK(WindowMapBucket(65536) == 36);
    CHECK(WindowMapBucket(19088743) == 42);
}

TEST_CASE("objects sharing a bucket are told apart by their handle")
{
    uintptr_t a = 0x7000050;
    uintptr_t b = a + 1;
    while (WindowMapBucket(b) != WindowMapBucket(a))
        b++;
    MapEntry first(a), second(b), duplicate(a);
    AddToWindowMap(&first);
    AddToWindowMap(&second);
    AddToWindowMap(&duplicate);
    CHECK(FindWindowObject(first.hwnd) == &first);
    CHECK(FindWindowObject(second.hwnd) == &second);
    RemoveFromWindowMap(&second);
    CHECK(FindWindowObject(second.hwnd) == nullptr);
    CHECK(FindWindowObject(first.hwnd) == &first);
    RemoveFromWindowMap(&first);
    CHECK(FindWindowObject(first.hwnd) == nullptr);
    CHECK(FindWindowObject(nullptr) == nullptr);
}

TEST_CASE("a window class is registered once, under the program's prefix")
{
    HINSTANCE instance = AppInstance();
    const wchar_t* name = RegisterWindowClass(instance, L"Probe", ClassIBeamCursor);
    CHECK(lstrcmpW(name, L"Scrivel Probe") == 0);
    CHECK(RegisterWindowClass(instance, L"Probe", ClassArrowCursor) == name);
    WNDCLASSW wc;
    REQUIRE(GetClassInfoW(instance, name, &wc));
    CHECK(wc.hCursor == LoadCursorW(nullptr, IDC_IBEAM));
    bool ownProc = wc.lpfnWndProc == WindowProc;
    CHECK(ownProc);

    const wchar_t* dbl = RegisterWindowClass(instance, L"ProbeDbl",
                                             ClassNoCursor | ClassDoubleClicks | ClassDropShadow);
    REQUIRE(GetClassInfoW(instance, dbl, &wc));
    CHECK(wc.hCursor == nullptr);
    CHECK((wc.style & CS_DBLCLKS) != 0);

    SetWindowClassPrefix(L"Guidora ");
    const wchar_t* viewer = RegisterWindowClass(instance, L"Probe", 0);
    SetWindowClassPrefix(L"Scrivel ");
    CHECK(lstrcmpW(viewer, L"Guidora Probe") == 0);
    CHECK(GetClassInfoW(instance, viewer, &wc));

    // The list keeps each class once, with the flags of its first registration.
    int found = 0;
    for (int64 i = 0; i < WindowClassList.Count(); i++) {
        const WindowClassEntry& entry = WindowClassList.At(i);
        if (entry.name.Equals(L"Scrivel Probe")) {
            found++;
            CHECK(entry.flags == ClassIBeamCursor);
            CHECK(entry.name.CStr() == name);
        }
    }
    CHECK(found == 1);
}

TEST_CASE("a class the system refuses leaves the list as it was")
{
    // Someone else's class of the same name, with another procedure.
    HINSTANCE instance = AppInstance();
    WNDCLASSW foreign = {};
    foreign.lpfnWndProc = DefWindowProcW;
    foreign.hInstance = instance;
    foreign.lpszClassName = L"Scrivel Taken";
    REQUIRE(RegisterClassW(&foreign));

    int64 before = WindowClassList.Count();
    CHECK_THROWS_AS(RegisterWindowClass(instance, L"Taken", ClassDropShadow), WinError);
    CHECK(WindowClassList.Count() == before);
    // Not remembered as registered: the next try fails again.
    CHECK_THROWS_AS(RegisterWindowClass(instance, L"Taken", 0), WinError);
    CHECK(WindowClassList.Count() == before);
    UnregisterClassW(L"Scrivel Taken", instance);
    CHECK(RegisterWindowClass(instance, L"Taken", 0) != nullptr);
    CHECK(WindowClassList.Count() == before + 1);
}

TEST_CASE("messages reach their slots only while the object is mapped")
{
    FormWithPanel f;
    Panel* p = f.panel;
    Send(p, WM_COMMAND, 42);
    REQUIRE(p->commands.size() == 1);
    CHECK(p->commands[0] == 42);

    RemoveFromWindowMap(p);
    Send(p, WM_COMMAND, 43);
    CHECK(p->commands.size() == 1);
    AddToWindowMap(p);
    Send(p, WM_COMMAND, 44);
    CHECK(p->commands.size() == 2);

    CountingPanel* counted = new CountingPanel(f.panel);
    CHECK(counted->creates == 0);
}

TEST_CASE("an error thrown in a handler goes up the parent chain to the form's owner")
{
    TestForm main;
    TestForm second(0, &main);
    Panel* outer = new Panel(&second);
    Panel* inner = new Panel(outer);
    inner->onCommand = [](MessageRecord&) { throw WinError(5); };
    CHECK(Send(inner, WM_COMMAND, 1) == 0);
    CHECK(second.errors.size() == 1);
    REQUIRE(main.errors.size() == 1);
    CHECK(main.errors[0] == 5);
    CHECK_FALSE(ErrorReportActive);
}

TEST_CASE("out-of-memory becomes MemoryError, anything else is dropped silently")
{
    FormWithPanel f;
    f.panel->onCommand = [](MessageRecord&) { throw std::bad_alloc(); };
    Send(f.panel, WM_COMMAND, 1);
    REQUIRE(f.form.errors.size() == 1);
    CHECK(f.form.errors[0] == 8);

    f.panel->onCommand = [](MessageRecord& m) {
        m.result = 77;
        throw 3;
    };
    CHECK(Send(f.panel, WM_COMMAND, 1) == 0);
    CHECK(f.form.errors.size() == 1);
}

TEST_CASE("an error raised while another is reported is swallowed")
{
    FormWithPanel f;
    f.panel->onCommand = [](MessageRecord&) { throw WinError(6); };
    int nested = 0;
    f.form.onError = [&](const Error&) {
        nested++;
        CHECK(ErrorReportActive);
        Send(f.panel, WM_COMMAND, 2);
    };
    Send(f.panel, WM_COMMAND, 1);
    CHECK(nested == 1);
    CHECK(f.form.errors.size() == 1);
    CHECK_FALSE(ErrorReportActive);

    f.form.onError = [](const Error&) { throw InternalError(); };
    Send(f.panel, WM_COMMAND, 1);
    CHECK(f.form.errors.size() == 2);
    CHECK_FALSE(ErrorReportActive);
}

TEST_CASE("a paint handler that throws still leaves the window validated")
{
    FormWithPanel f;
    f.form.SetBounds({0, 0, 300, 200});
    f.form.Show();
    f.panel->SetBounds({0, 0, 100, 100});
    f.panel->Show();
    f.panel->onPaint = [](MessageRecord&) { throw WinError(1); };
    Pump();
    f.panel->Invalidate();
    f.panel->Update();
    CHECK(f.panel->paints >= 1);
    CHECK_FALSE(GetUpdateRect(f.panel->hwnd, nullptr, FALSE));
    CHECK(f.form.errors.size() >= 1);
    int paints = f.panel->paints;
    Pump();
    CHECK(f.panel->paints == paints);
}

TEST_CASE("closing a framework window never destroys it")
{
    FormWithPanel f;
    Send(f.panel, WM_CLOSE);
    CHECK(IsWindow(f.panel->hwnd));
    Send(&f.form, WM_CLOSE);
    CHECK(IsWindow(f.form.hwnd));
    CHECK(f.form.quit == 1);
}

TEST_CASE("setting the text the window already has sends nothing")
{
    TestForm form;
    CountingPanel panel(&form);
    panel.SetText(L"abc");
    CHECK(panel.setTexts == 1);
    panel.SetText(L"abc");
    CHECK(panel.setTexts == 1);
    panel.SetText(L"abd");
    CHECK(panel.setTexts == 2);
    CHECK(panel.GetText().Equals(L"abd"));
    panel.SetTextDirect(L"abd");
    CHECK(panel.setTexts == 3);
    panel.SetText(nullptr);
    CHECK(panel.GetText().Length() == 0);
}

TEST_CASE("windowless and detached controls")
{
    TestForm form;
    Panel* group = new Panel(&form, Windowless);
    CHECK(group->hwnd == nullptr);
    CHECK(form.content == group);
    CHECK(group->ParentHwnd() == form.hwnd);

    Panel* child = new Panel(group);
    CHECK(child->ParentHwnd() == form.hwnd);
    CHECK(GetParent(child->hwnd) == form.hwnd);
    CHECK(child->WindowedAncestor() == &form);
    CHECK(child->OwningForm() == &form);
    CHECK(form.OwningForm() == nullptr);
    CHECK(group->children.size() == 1);

    Panel* detached = new Panel(group, Detached);
    CHECK(group->children.size() == 1);
    delete detached;
    CHECK(group->children.size() == 1);

    CHECK(group->HwndOrParent() == form.hwnd);
    CHECK(group->ClientRect().right == 0);
    CHECK(group->SendMsg(WM_COMMAND, 1, 0) == 0);
    CHECK_FALSE(group->ContainsClientPoint({0, 0}));
    CHECK_THROWS_AS(group->GetText(), InternalError);
    CHECK_THROWS_AS(group->SetText(L"x"), InternalError);
    CHECK_THROWS_AS(group->SetTextDirect(L"x"), InternalError);
}

TEST_CASE("a native control is subclassed once and its own procedure still works")
{
    TestForm form;
    Panel* group = new Panel(&form);
    NativeControl* edit = new NativeControl(group, L"EDIT", 12);
    CHECK((edit->previousProc != nullptr));
    bool keptNative = edit->previousProc != WindowProc;
    bool subclassed =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit->hwnd, GWLP_WNDPROC)) == WindowProc;
    CHECK(keptNative);
    CHECK(subclassed);
    CHECK(GetDlgCtrlID(edit->hwnd) == 12);
    CHECK(edit->tabStopManaged == 1);
    CHECK(edit->tracksMouseLeave == 0);

    Send(edit, WM_CHAR, 'q', 1);
    CHECK(edit->GetText().Equals(L"q"));
    edit->SetText(L"hello");
    CHECK(edit->GetText().Equals(L"hello"));

    // Hidden and unfocused it wants characters only.
    CHECK(Send(edit, WM_GETDLGCODE) == DLGC_WANTCHARS);
    edit->Show();
    CHECK((Send(edit, WM_GETDLGCODE) & DLGC_HASSETSEL) != 0);

    group->commands.clear();
    edit->SendCommandToParent(77, 3);
    REQUIRE(group->commands.size() == 1);
    CHECK(group->commands[0] == 77);
}

TEST_CASE("framework controls erase nothing and answer the non-client size with a redraw")
{
    FormWithPanel f;
    CHECK(Send(f.panel, WM_ERASEBKGND) == 1);
    f.panel->SetBounds({0, 0, 50, 40});
    NCCALCSIZE_PARAMS params = {};
    WINDOWPOS pos = {};
    params.lppos = &pos;
    params.rgrc[0] = {0, 0, 50, 40};
    params.rgrc[1] = {1, 2, 3, 4};
    params.rgrc[2] = {5, 6, 7, 8};
    LRESULT r = Send(f.panel, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    CHECK(r == WVR_REDRAW);
    CHECK(params.rgrc[1].right == 0);
    CHECK(params.rgrc[2].bottom == 0);
}

TEST_CASE("a class without a cursor still gets the arrow over its client area")
{
    TestForm form;
    Panel* plain = new Panel(&form, NoCursor, L"NoCursorPanel");
    LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    CHECK(SendMessageW(plain->hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(plain->hwnd), hit) ==
          TRUE);
    CHECK(GetCursor() == LoadCursorW(nullptr, IDC_ARROW));
}

TEST_CASE("the arrow is forced only for the window the mouse is in")
{
    TestForm form;
    Panel* plain = new Panel(&form, NoCursor, L"NoCursorPanel");
    Panel* bare = new Panel(plain, NoCursor, L"NoCursorPanel");
    Panel* typed = new Panel(plain, IBeamCursor, L"IBeamPanel");
    LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    auto ask = [&](Panel* asked, Panel* under) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SendMessageW(asked->hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(under->hwnd), hit);
        return GetCursor();
    };

    // Asked on a child's behalf, the parent leaves the choice to the child.
    CHECK(ask(plain, bare) == LoadCursorW(nullptr, IDC_WAIT));
    CHECK(ask(bare, bare) == LoadCursorW(nullptr, IDC_ARROW));
    // A class cursor of its own is never replaced by the arrow.
    CHECK(ask(typed, typed) == LoadCursorW(nullptr, IDC_IBEAM));
}

TEST_CASE("invalidating, validating and updating")
{
    ShownChild<CountingPanel> shown({0, 0, 300, 200}, {0, 0, 100, 80});
    CountingPanel* panel = shown.child;
    RECT u;
    CHECK_FALSE(GetUpdateRect(panel->hwnd, &u, FALSE));

    panel->Invalidate();
    REQUIRE(GetUpdateRect(panel->hwnd, &u, FALSE));
    CHECK(u.right == 100);
    CHECK(u.bottom == 80);
    panel->Validate();
    CHECK_FALSE(GetUpdateRect(panel->hwnd, &u, FALSE));

    panel->InvalidateRect({10, 10, 20, 30});
    REQUIRE(GetUpdateRect(panel->hwnd, &u, FALSE));
    CHECK(u.left == 10);
    CHECK(u.bottom == 30);
    panel->ValidateRect({10, 10, 20, 30});
    CHECK_FALSE(GetUpdateRect(panel->hwnd, &u, FALSE));

    // Update paints at once; only the erasing request erases first.
    int paints = panel->paints;
    int erases = panel->erases;
    panel->InvalidateRect({0, 0, 10, 10});
    panel->Update();
    CHECK(panel->paints == paints + 1);
    CHECK(panel->erases == erases);
    CHECK_FALSE(GetUpdateRect(panel->hwnd, &u, FALSE));
    panel->InvalidateRectErase({0, 0, 10, 10});
    panel->Update();
    CHECK(panel->paints == paints + 2);
    CHECK(panel->erases == erases + 1);

    Panel* group = new Panel(panel, Windowless);
    group->Invalidate();
    group->InvalidateRect({0, 0, 1, 1});
    group->InvalidateRectErase({0, 0, 1, 1});
    group->Validate();
    group->ValidateRect({0, 0, 1, 1});
    group->Update();
    CHECK(group->PaintDC().Hdc() == nullptr);
    CHECK(group->WindowDC().Hdc() == nullptr);
}

TEST_CASE("the caret of a window")
{
    ShownChild<Panel> shown({0, 0, 300, 200}, {0, 0, 100, 80});
    Panel* panel = shown.child;
    panel->SetFocus();
    panel->CreateCaret(nullptr, 2, 12);
    panel->SetCaretPos(7, 9);
    POINT p;
    REQUIRE(GetCaretPos(&p));
    CHECK(p.x == 7);
    CHECK(p.y == 9);
    panel->ShowCaret();
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    REQUIRE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    CHECK(info.hwndCaret == panel->hwnd);
    panel->HideCaret();
    DestroyCaret();

    Panel* group = new Panel(panel, Windowless);
    group->CreateCaret(nullptr, 1, 1);
    group->SetCaretPos(1, 1);
    group->ShowCaret();
    group->HideCaret();
    info.hwndCaret = nullptr;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    CHECK(info.hwndCaret == nullptr);
}

TEST_CASE("commands sent and posted to the window itself and to the parent")
{
    FormWithPanel f;
    Panel* inner = new Panel(f.panel);
    std::vector<LPARAM> senders;
    inner->onCommand = [&](MessageRecord& m) { senders.push_back(m.lParam); };
    f.panel->onCommand = [&](MessageRecord& m) { senders.push_back(m.lParam); };

    inner->SendCommand(5, 9);
    REQUIRE(inner->commands.size() == 1);
    CHECK(inner->commands[0] == 5);
    CHECK(senders.back() == reinterpret_cast<LPARAM>(inner->hwnd));

    CHECK(inner->PostCommand(6, 0));
    CHECK(inner->commands.size() == 1);
    Pump();
    REQUIRE(inner->commands.size() == 2);
    CHECK(inner->commands[1] == 6);

    CHECK(inner->PostCommandToParent(8, 1));
    Pump();
    REQUIRE(f.panel->commands.size() == 1);
    CHECK(f.panel->commands[0] == 8);
    CHECK(senders.back() == reinterpret_cast<LPARAM>(inner->hwnd));

    CHECK(inner->SendToParent(WM_COMMAND, MAKEWPARAM(9, 0), 0) == 0);
    CHECK(f.panel->commands.back() == 9);

    Panel orphan(nullptr, Windowless);
    CHECK(orphan.SendCommand(1, 0) == 0);
    CHECK_FALSE(orphan.PostCommand(1, 0));
    CHECK_FALSE(orphan.PostCommandToParent(1, 0));
    CHECK(orphan.SendCommandToParent(1, 0) == 0);
}

TEST_CASE("the cursor is over a shown window only")
{
    ShownChild<Panel> shown({100, 100, 400, 300}, {10, 10, 110, 60});
    Panel* content = shown.content;
    Panel* panel = shown.child;
    POINT inside = panel->ClientToScreenPoint({20, 20});
    SetCursorPos(inside.x, inside.y);
    CHECK(panel->IsCursorOver());
    CHECK(panel->IsOverAt(inside));
    // Inside the content's rectangle, but the panel is the window there.
    CHECK_FALSE(content->IsOverAt(inside));
    SetCursorPos(inside.x + 200, inside.y);
    CHECK_FALSE(panel->IsCursorOver());
    SetCursorPos(inside.x, inside.y);
    panel->shown = 0;
    CHECK_FALSE(panel->IsCursorOver());
    panel->shown = 1;
    SetCursorPos(1000, 900);
}

namespace {

// Ends every menu loop as soon as the thread's timer ticks inside it.
struct MenuTracker : Panel {
    using Panel::Panel;
    void TrackMenu(Menu menu, uint32_t flags, int x, int y) override
    {
        tracked = menu.Handle();
        root = menu.root;
        firstSub = GetSubMenu(root, 0);
        UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
        Panel::TrackMenu(menu, flags, x, y);
        ::KillTimer(nullptr, timer);
        stillLoaded = IsMenu(root) != 0;
    }
    HMENU tracked = nullptr;
    HMENU root = nullptr;
    HMENU firstSub = nullptr;
    bool stillLoaded = false;
};

} // namespace

TEST_CASE("a menu resource is tracked by its first sub-menu and destroyed afterwards")
{
    ShownChild<MenuTracker> shown({100, 100, 400, 300}, {0, 0, 200, 100});
    MenuTracker* tracker = shown.child;
    tracker->TrackMenuResource(IDM_TEST, 1, 10, 10);
    REQUIRE(tracker->root != nullptr);
    CHECK(tracker->tracked == tracker->firstSub);
    CHECK(tracker->tracked != tracker->root);
    CHECK(tracker->stillLoaded);
    CHECK_FALSE(IsMenu(tracker->root));
    CHECK_THROWS_AS(tracker->TrackMenuResource(9999, 0, 0, 0), Error);

    Panel* group = new Panel(tracker, Windowless);
    group->TrackMenuResource(IDM_TEST, 0, 0, 0);
    Menu popup;
    popup.Adopt(CreatePopupMenu());
    group->TrackMenu(popup, 0, 0, 0);
}

TEST_CASE("show and hide keep the tab stop only while shown")
{
    TestForm form;
    Panel* group = new Panel(&form);
    NativeControl* button = new NativeControl(group, L"BUTTON", 3);
    NativeControl* label = new NativeControl(group, L"STATIC", 4, NoTabStop);
    CHECK(label->tabStopManaged == 0);
    button->Show();
    CHECK((GetWindowLongW(button->hwnd, GWL_STYLE) & WS_TABSTOP) != 0);
    CHECK(button->IsShown());
    button->Hide();
    CHECK((GetWindowLongW(button->hwnd, GWL_STYLE) & WS_TABSTOP) == 0);
    CHECK_FALSE(IsWindowVisible(button->hwnd));
    button->ShowNoActivate();
    CHECK((GetWindowLongW(button->hwnd, GWL_STYLE) & WS_TABSTOP) != 0);

    button->Collapse();
    CHECK(button->IsCollapsed());
    CHECK_FALSE(button->IsShown());
    button->Uncollapse();
    CHECK_FALSE(button->IsCollapsed());
}

TEST_CASE("hints: text under the point, an empty text without a hint, null elsewhere")
{
    TestForm form;
    form.SetBounds({100, 100, 500, 400});
    Panel* group = new Panel(&form);
    group->Show();
    Panel* tipped = new Panel(group);
    tipped->id = 31;
    tipped->SetBounds({10, 10, 110, 60});
    tipped->SetHint(L"Saves the text");
    tipped->Show();
    Panel* bare = new Panel(group);
    bare->SetBounds({10, 100, 110, 150});
    bare->Show();
    form.Show();
    Pump();

    POINT overTipped = tipped->ClientToScreenPoint({5, 5});
    POINT overBare = bare->ClientToScreenPoint({5, 5});
    REQUIRE(WindowFromPoint(overTipped) == tipped->hwnd);
    CHECK(lstrcmpW(tipped->HintAt(overTipped), L"Saves the text") == 0);
    CHECK(tipped->HintIdAt(overTipped) == 31);
    const wchar_t* none = bare->HintAt(overBare);
    REQUIRE(none != nullptr);
    CHECK(none[0] == 0);
    CHECK(tipped->HintAt(overBare) == nullptr);
    CHECK(tipped->HintIdAt(overBare) == 0);
    CHECK(form.HintIdAt(overBare) == 0);
    tipped->Hide();
    CHECK(tipped->HintAt(overTipped) == nullptr);
}

TEST_CASE("vertical scroll rows show a page of eight")
{
    FormWithPanel f;
    Panel* grid = new Panel(f.panel, VScroll);
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    grid->SetVScrollRows(0, 3);
    GetScrollInfo(grid->hwnd, SB_VERT, &si);
    CHECK(si.nMin == 0);
    CHECK(si.nMax == 7);
    CHECK(si.nPage == 8);
    CHECK(si.nPos == 0);
    grid->SetVScrollRows(10, 12);
    GetScrollInfo(grid->hwnd, SB_VERT, &si);
    CHECK(si.nMax == 11);
    CHECK(si.nPos == 4);
}

TEST_CASE("form fonts: following, following twice, and leaving by an own font")
{
    TestForm form;
    Panel* group = new Panel(&form);
    NativeControl* a = new NativeControl(group, L"STATIC", 1);
    NativeControl* b = new NativeControl(group, L"STATIC", 2);
    a->FollowFormFont();
    a->FollowFormFont();
    b->FollowFormFont();
    CHECK(a->followsFormFont == 1);
    CHECK(form.fontUsers.Count() == 2);
    CHECK(Send(a, WM_GETFONT) == reinterpret_cast<LRESULT>(form.normalFont.Handle()));

    GdiObj own = MakeFont(L"Arial", 30, 400, 0, DEFAULT_CHARSET);
    b->SetFont(own);
    CHECK(b->followsFormFont == 0);
    CHECK(form.fontUsers.Count() == 1);

    form.BuildFonts(144);
    CHECK(Send(a, WM_GETFONT) == reinterpret_cast<LRESULT>(form.normalFont.Handle()));
    CHECK(Send(b, WM_GETFONT) == reinterpret_cast<LRESULT>(own.Handle()));

    delete a;
    CHECK(form.fontUsers.Count() == 0);

    CHECK(group->GetFont().Handle() == form.normalFont.Handle());
    CHECK(group->GetBoldFont().Handle() == form.boldFont.Handle());
}

TEST_CASE("a control's font goes into a device context without being held")
{
    TestForm form;
    NativeControl* label = new NativeControl(&form, L"STATIC", 1);
    label->FollowFormFont();
    DeviceContext dc = label->MeasureDC();
    label->SelectFontInto(dc);
    CHECK(GetCurrentObject(dc.Hdc(), OBJ_FONT) == form.normalFont.Handle());
    CHECK(dc.record->font.IsEmpty());
    dc.RestoreFont();
    CHECK(GetCurrentObject(dc.Hdc(), OBJ_FONT) != form.normalFont.Handle());
}

TEST_CASE("a control without a parent answers the screen and paints the button face")
{
    Panel orphan(nullptr, Windowless);
    CHECK(orphan.GetDpi() == ScreenDpi());
    CHECK(orphan.SystemDpi() == ScreenDpi());
    CHECK(orphan.OwningForm() == nullptr);
    CHECK(orphan.GetFont().IsEmpty());
    CHECK(orphan.ParentHwnd() == nullptr);
    CHECK_THROWS_AS(orphan.MeasureDC(), InternalError);

    DeviceContext dc;
    dc.Compatible(nullptr);
    DeviceContext screen;
    screen.FromWindow(nullptr);
    dc.SelectBitmap(MakeCompatibleBitmap(screen, 4, 4));
    Panel child(&orphan, Windowless);
    child.PaintBackground(dc, {0, 0, 4, 4}, &child);
    CHECK(GetPixel(dc.Hdc(), 2, 2) == GetSysColor(COLOR_BTNFACE));
}

TEST_CASE("a destroyed control stops being the hover or pop-up window")
{
    FormWithPanel f;
    Panel* p = new Panel(f.panel);
    HoverWindow = p->hwnd;
    OpenPopupWindow = p->hwnd;
    delete p;
    CHECK(HoverWindow == nullptr);
    CHECK(OpenPopupWindow == nullptr);
    CHECK(f.panel->children.empty());
}

TEST_CASE("windows need the thread's application object")
{
    int caught = 0;
    std::thread other([&] {
        try {
            TestForm form;
        } catch (const InternalError&) {
            caught++;
        }
        try {
            Panel panel(nullptr);
        } catch (const InternalError&) {
            caught++;
        }
    });
    other.join();
    CHECK(caught == 2);
    CHECK(AppInstance() == GetModuleHandleW(nullptr));
}

namespace {

// Notes the name of every slot a message reaches.
class SlotRecorder : public Panel {
public:
    explicit SlotRecorder(ControlGroup* p) : Panel(p, 0, L"SlotRecorder") {}
    std::vector<std::string> slots;
#define SLOT(name)                                                                                 \
    void name(MessageRecord& m) override                                                           \
    {                                                                                              \
        slots.push_back(#name);                                                                    \
        m.result = 1;                                                                              \
    }
    SLOT(OnPaint) SLOT(OnPrintClient) SLOT(OnSize) SLOT(OnCreate) SLOT(OnDestroy)
    SLOT(OnDeactivate) SLOT(OnActivate) SLOT(OnAppDeactivate) SLOT(OnAppActivate) SLOT(OnShow)
    SLOT(OnHide) SLOT(OnSetFocus) SLOT(OnKillFocus) SLOT(OnCancelMode) SLOT(OnMouseMove)
    SLOT(OnLButtonDown) SLOT(OnLButtonUp) SLOT(OnRButtonDown) SLOT(OnRButtonUp)
    SLOT(OnMButtonDown) SLOT(OnMButtonUp) SLOT(OnMouseWheel) SLOT(OnMouseLeave) SLOT(OnVScroll)
    SLOT(OnHScroll) SLOT(OnChar) SLOT(OnKeyDown) SLOT(OnKeyUp) SLOT(OnTimer) SLOT(OnClose)
    SLOT(OnCommand) SLOT(OnNotify) SLOT(OnGetDlgCode) SLOT(OnContextMenu) SLOT(DefaultProc)
#undef SLOT
};

} // namespace

TEST_CASE("each message reaches its slot")
{
    struct Route {
        UINT msg;
        WPARAM wParam;
        const char* slot;
    };
    const Route routes[] = {
        {WM_CREATE, 0, "OnCreate"}, {WM_DESTROY, 0, "OnDestroy"}, {WM_SIZE, 0, "OnSize"},
        {WM_ACTIVATE, WA_INACTIVE, "OnDeactivate"}, {WM_ACTIVATE, WA_CLICKACTIVE, "OnActivate"},
        {WM_SETFOCUS, 0, "OnSetFocus"}, {WM_KILLFOCUS, 0, "OnKillFocus"},
        {WM_PAINT, 0, "OnPaint"}, {WM_CLOSE, 0, "OnClose"}, {WM_SHOWWINDOW, 1, "OnShow"},
        {WM_SHOWWINDOW, 0, "OnHide"}, {WM_ACTIVATEAPP, 1, "OnAppActivate"},
        {WM_ACTIVATEAPP, 0, "OnAppDeactivate"}, {WM_CANCELMODE, 0, "OnCancelMode"},
        {WM_NOTIFY, 0, "OnNotify"}, {WM_CONTEXTMENU, 0, "OnContextMenu"},
        {WM_GETDLGCODE, 0, "OnGetDlgCode"}, {WM_KEYDOWN, 0, "OnKeyDown"},
        {WM_KEYUP, 0, "OnKeyUp"}, {WM_CHAR, 0, "OnChar"}, {WM_COMMAND, 0, "OnCommand"},
        {WM_TIMER, 0, "OnTimer"}, {WM_HSCROLL, 0, "OnHScroll"}, {WM_VSCROLL, 0, "OnVScroll"},
        {WM_MOUSEMOVE, 0, "OnMouseMove"}, {WM_LBUTTONDOWN, 0, "OnLButtonDown"},
        {WM_LBUTTONDBLCLK, 0, "OnLButtonDown"}, {WM_LBUTTONUP, 0, "OnLButtonUp"},
        {WM_RBUTTONDOWN, 0, "OnRButtonDown"}, {WM_RBUTTONDBLCLK, 0, "OnRButtonDown"},
        {WM_RBUTTONUP, 0, "OnRButtonUp"}, {WM_MBUTTONDOWN, 0, "OnMButtonDown"},
        {WM_MBUTTONDBLCLK, 0, "OnMButtonDown"}, {WM_MBUTTONUP, 0, "OnMButtonUp"},
        {WM_MOUSEWHEEL, 0, "OnMouseWheel"}, {WM_MOUSELEAVE, 0, "OnMouseLeave"},
        {WM_PRINTCLIENT, 0, "OnPrintClient"}, {WM_SETCURSOR, 0, "DefaultProc"},
        {WM_APP + 1, 0, "DefaultProc"},
    };
    TestForm form;
    SlotRecorder* recorder = new SlotRecorder(&form);
    for (const Route& r : routes) {
        recorder->slots.clear();
        MessageRecord m = {recorder->hwnd, r.msg, r.wParam, 0, 0};
        recorder->HandleMessage(m);
        CAPTURE(r.msg);
        REQUIRE(recorder->slots.size() == 1);
        CHECK(recorder->slots[0] == r.slot);
        CHECK(m.result == 1);
    }
}

TEST_CASE("timers tick into the timer slot until killed")
{
    TestForm form;
    Panel* panel = new Panel(&form);
    int ticks = 0;
    struct Ticker : Panel {
        using Panel::Panel;
        std::function<void(MessageRecord&)> onTimer;
        void OnTimer(MessageRecord& m) override { onTimer(m); }
    };
    Ticker* ticker = new Ticker(panel);
    ticker->onTimer = [&](MessageRecord& m) {
        CHECK(m.wParam == 3);
        if (++ticks == 2) {
            ticker->KillTimer(3);
            form.Quit();
        }
    };
    ticker->SetTimer(3, 5);
    form.Run();
    CHECK(ticks == 2);
    form.PumpPending();
    CHECK(ticks == 2);
}

TEST_CASE("points and rectangles between client and screen; containment excludes the far edges")
{
    TestForm form;
    form.SetBounds({100, 100, 400, 300});
    Panel* panel = new Panel(&form);
    panel->SetBounds({10, 20, 60, 50});
    POINT origin = panel->ClientToScreenPoint({0, 0});
    POINT formOrigin = form.ClientToScreenPoint({0, 0});
    CHECK(origin.x == formOrigin.x + 10);
    CHECK(origin.y == formOrigin.y + 20);
    POINT back = panel->ScreenToClientPoint(origin);
    CHECK(back.x == 0);
    CHECK(back.y == 0);
    RECT r = panel->ClientToScreenRect({1, 2, 3, 4});
    CHECK(r.left == origin.x + 1);
    CHECK(r.bottom == origin.y + 4);
    RECT again = panel->ScreenToClientRect(r);
    CHECK(again.right == 3);
    CHECK(again.top == 2);
    RECT w = panel->WindowRect();
    CHECK(w.left == origin.x);
    CHECK(w.right - w.left == 50);

    CHECK(panel->ContainsClientPoint({0, 0}));
    CHECK(panel->ContainsClientPoint({49, 29}));
    CHECK_FALSE(panel->ContainsClientPoint({50, 10}));
    CHECK_FALSE(panel->ContainsClientPoint({10, 30}));
    CHECK_FALSE(panel->ContainsClientPoint({-1, 0}));
}

TEST_CASE("a framed control still gets its border drawn, a bare one draws nothing outside its client area")
{
    TestForm form;
    form.SetBounds({40, 40, 300, 200});
    Panel* content = new Panel(&form);
    Panel* bare = new Panel(content);
    Panel* framed = new Panel(content, Border);
    const COLORREF fill = RGB(10, 200, 30);
    for (Panel* p : {bare, framed})
        p->onPaint = [p, fill](MessageRecord&) {
            DeviceContext dc = p->PaintDC();
            dc.FillRect(p->ClientRect(), fill);
        };
    bare->SetBounds({10, 10, 90, 70});
    framed->SetBounds({110, 10, 190, 70});
    content->Show();
    bare->Show();
    framed->Show();
    form.Show();
    for (Panel* p : {bare, framed})
        RedrawWindow(p->hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();

    CHECK(SendMessageW(bare->hwnd, WM_NCPAINT, 1, 0) == 0);
    RECT r;
    GetWindowRect(bare->hwnd, &r);
    PixelImage plain = ReadScreenPixels(r);
    REQUIRE(plain.width == 80);
    CHECK(plain.At(0, 0) == fill);
    CHECK(plain.At(79, 59) == fill);

    GetWindowRect(framed->hwnd, &r);
    PixelImage edged = ReadScreenPixels(r);
    REQUIRE(edged.width == 80);
    // The content panel paints nothing: only the default frame drawing
    // gives these pixels the frame's colour.
    CHECK(edged.At(0, 30) == GetSysColor(COLOR_WINDOWFRAME));
    CHECK(edged.At(40, 0) == GetSysColor(COLOR_WINDOWFRAME));
    CHECK(edged.At(40, 30) == fill);
}
