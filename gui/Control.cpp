#include "gui/Control.h"

#include "gui/Dpi.h"
#include "gui/Form.h"

Control::Control()
    : previousProc(nullptr), id(0), style(0), collapsed(0), parent(nullptr), followsFormFont(0)
{
    kind = ControlKind;
}

Control::~Control()
{
    if (kind == ControlKind) {
        Control* top = this;
        while (top->parent)
            top = top->parent;
        if (top != this && top->kind == FormKind)
            static_cast<Form*>(top)->ForgetControl(this);
    }
    if (parent && !(style & Detached))
        parent->RemoveChild(this);
    DestroyOwnWindow();
}

void Control::DestroyOwnWindow()
{
    if (hwnd == nullptr)
        return;
    if (HoverWindow == hwnd)
        HoverWindow = nullptr;
    if (OpenPopupWindow == hwnd)
        OpenPopupWindow = nullptr;
    if (previousProc) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
        previousProc = nullptr;
    }
    RemoveFromWindowMap(this);
    DestroyWindow(hwnd);
    hwnd = nullptr;
}

void Control::Create(const wchar_t* className, DWORD extraStyle, DWORD exStyle)
{
    HINSTANCE instance = AppInstance();
    uint32_t classFlags = style & (ArrowCursor | IBeamCursor | NoCursor | DoubleClicks);
    DWORD windowStyle = 0;
    if (style & VScroll)
        windowStyle |= WS_VSCROLL;
    if (style & HScroll)
        windowStyle |= WS_HSCROLL;
    if (!(style & NoTabStop))
        windowStyle |= WS_TABSTOP;
    if (style & Border)
        windowStyle |= WS_BORDER;
    if (style & ClientEdge)
        exStyle |= WS_EX_CLIENTEDGE;

    const wchar_t* name = className;
    if (style & OwnClass) {
        name = RegisterWindowClass(instance, className, classFlags);
        tracksMouseLeave = 1;
    }
    tabStopManaged = (windowStyle & WS_TABSTOP) != 0;
    if (parent && !(style & Detached))
        parent->AddChild(this);
    if (style & Windowless)
        return;

    HWND created = CreateWindowExW(exStyle, name, nullptr,
                                   windowStyle | extraStyle | WS_CHILD | WS_CLIPSIBLINGS |
                                       WS_CLIPCHILDREN,
                                   0, 0, 0, 0, ParentHwnd(), nullptr, instance, nullptr);
    if (created == nullptr)
        ThrowLastError();
    hwnd = created;
    AddToWindowMap(this);
    SetWindowLongW(hwnd, GWL_ID, static_cast<LONG>(id));

    if (!(style & OwnClass) && previousProc == nullptr) {
        auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        previousProc = proc;
        if (proc != WindowProc)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    }
}

uint32_t Control::GetId()
{
    return id;
}

GuiBase* Control::WindowedAncestor()
{
    if (parent == nullptr)
        return nullptr;
    if (parent->hwnd)
        return parent;
    return parent->WindowedAncestor();
}

HWND Control::ParentHwnd()
{
    // A windowless parent answers for its children: a group may place them
    // in a window of its own.
    if (parent == nullptr)
        return nullptr;
    return parent->hwnd ? parent->hwnd : parent->ParentHwnd();
}

HWND Control::HwndOrParent()
{
    return hwnd ? hwnd : ParentHwnd();
}

Form* Control::OwningForm()
{
    if (kind < ControlKind)
        return nullptr;
    Control* top = this;
    while (top->parent)
        top = top->parent;
    if (top != this && top->kind == FormKind)
        return static_cast<Form*>(top);
    return nullptr;
}

bool Control::IsSpacer()
{
    return false;
}

bool Control::IsCollapsed()
{
    return collapsed != 0;
}

void Control::Collapse()
{
    if (collapsed)
        return;
    collapsed = 1;
    Hide();
}

void Control::Uncollapse()
{
    collapsed = 0;
}

bool Control::HasFocus()
{
    return hwnd && GetFocus() == hwnd;
}

void Control::SetFocus()
{
    if (hwnd)
        ::SetFocus(hwnd);
}

void Control::ApplyFont(const GdiObj& font, bool)
{
    SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), 0);
}

void Control::SetFont(const GdiObj& font)
{
    SetFontHandle(font.Font());
}

void Control::SetFontHandle(HFONT font)
{
    if (followsFormFont)
        UnfollowFormFont();
    SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
}

void Control::SelectFontInto(DeviceContext& dc)
{
    auto font = reinterpret_cast<HFONT>(SendMsg(WM_GETFONT, 0, 0));
    if (font)
        dc.SelectFontHandle(font);
}

GdiObj Control::GetFont()
{
    Form* form = OwningForm();
    return form ? form->GetFont() : GdiObj();
}

GdiObj Control::GetBoldFont()
{
    Form* form = OwningForm();
    return form ? form->GetBoldFont() : GdiObj();
}

void Control::FollowFormFont()
{
    Form* form = OwningForm();
    if (form == nullptr)
        return;
    form->AddFontUser(this);
    followsFormFont = 1;
}

void Control::UnfollowFormFont()
{
    if (!followsFormFont)
        return;
    if (Form* form = OwningForm())
        form->RemoveFontUser(this);
    followsFormFont = 0;
}

const wchar_t* Control::HintAt(POINT screenPoint)
{
    if (hwnd && shown && IsOverAt(screenPoint))
        return hint.CStr();
    return nullptr;
}

void Control::SetHint(const wchar_t* text)
{
    hint = String(text);
}

uint32_t Control::HintIdAt(POINT screenPoint)
{
    if (hwnd && shown && IsOverAt(screenPoint))
        return id;
    return 0;
}

int Control::GetDpi()
{
    // Only a form answers for itself; a control that lost its parent falls
    // back to the screen.
    return parent ? parent->GetDpi() : ScreenDpi();
}

int Control::SystemDpi()
{
    return ScreenDpi();
}

LRESULT Control::SendToParent(UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND p = ParentHwnd();
    return p ? SendMessageW(p, msg, wParam, lParam) : 0;
}

LRESULT Control::SendCommandToParent(int commandId, int code)
{
    return SendToParent(WM_COMMAND, MAKEWPARAM(commandId, code), reinterpret_cast<LPARAM>(hwnd));
}

BOOL Control::PostCommandToParent(int commandId, int code)
{
    HWND p = ParentHwnd();
    return p ? PostMessageW(p, WM_COMMAND, MAKEWPARAM(commandId, code),
                            reinterpret_cast<LPARAM>(hwnd))
             : FALSE;
}

void Control::PaintBackground(DeviceContext& dc, const RECT& rect, Control* child)
{
    if (parent) {
        parent->PaintBackground(dc, rect, child);
        return;
    }
    dc.FillRect(rect, GetSysColor(COLOR_BTNFACE));
}

DeviceContext Control::MeasureDC()
{
    if (hwnd)
        return WindowDC();
    if (parent)
        return parent->MeasureDC();
    throw InternalError();
}

namespace {

bool HasNonClientArea(HWND window)
{
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_VSCROLL | WS_HSCROLL)) != 0 ||
           (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME)) != 0;
}

} // namespace

void Control::DefaultProc(MessageRecord& m)
{
    if (m.msg == WM_GETDLGCODE && !shown && !HasFocus()) {
        m.result = DLGC_WANTCHARS;
        return;
    }
    if (previousProc) {
        m.result = CallWindowProcW(previousProc, m.hwnd, m.msg, m.wParam, m.lParam);
        return;
    }
    if (m.msg == WM_ERASEBKGND) {
        m.result = 1;
        return;
    }
    // Without a frame, edge or scroll bar there is nothing outside the client
    // area to draw; Wine's default still opens and closes a window DC.
    if (m.msg == WM_NCPAINT && !HasNonClientArea(m.hwnd)) {
        m.result = 0;
        return;
    }
    GuiBase::DefaultProc(m);
}

bool Control::HandleError(const Error& error)
{
    return parent ? parent->HandleError(error) : false;
}

void Control::SetVScrollRows(int firstRow, int rowCount)
{
    if (hwnd == nullptr)
        return;
    int total = rowCount > 8 ? rowCount : 8;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = total - 1;
    si.nPage = 8;
    si.nPos = firstRow + 8 > total ? total - 8 : firstRow;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}
