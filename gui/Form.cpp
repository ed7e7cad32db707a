#include "gui/Form.h"

#include "gui/AlertDialog.h"
#include "gui/Dpi.h"
#include "gui/PointerList.h"
#include "gui/Tooltip.h"

Form::Form()
    : formStyle(0), formId(0), owner(nullptr), content(nullptr), laidOutBySize(0),
      focusControl(nullptr), quit(0), accelerators(nullptr), dialogKeys(0), tooltip(nullptr),
      dpi(0), buttonHeight(0)
{
    kind = FormKind;
}

Form::~Form()
{
    if (AppMessageHook == this)
        AppMessageHook = nullptr;
    if (hwnd && HoverWindow == hwnd)
        HoverWindow = nullptr;
    if (hwnd && OpenPopupWindow == hwnd)
        OpenPopupWindow = nullptr;
    if (Form* tip = tooltip) {
        tooltip = nullptr;
        delete tip;
    }
    // The content leaves through RemoveChild while it is destroyed.
    if (Control* c = content)
        delete c;
    content = nullptr;
    if (hwnd)
        SetMenu(hwnd, nullptr);
    DestroyOwnWindow();
}

void Form::Create(uint32_t style, const wchar_t* classText, Form* ownerForm, uint32_t id)
{
    CreateFormWindow(style, classText, ownerForm, id);
    if (!(style & NoTooltip))
        AddTooltip();
}

void Form::AddTooltip()
{
    if (tooltip == nullptr && hwnd)
        tooltip = NewTooltip(this);
}

void Form::CreateHwnd(const wchar_t* classText, uint32_t style, Form* ownerForm, uint32_t id)
{
    Create(style, classText, ownerForm, id);
}

void Form::CreateFormWindow(uint32_t style, const wchar_t* classText, Form* ownerForm,
                            uint32_t id)
{
    content = nullptr;
    focusControl = nullptr;
    modals.Release();
    tooltip = nullptr;
    dpi = 0;
    formStyle = style;
    resizable = 0;
    buttonHeight = 0;
    kind = FormKind;
    formId = id;
    owner = ownerForm;

    HINSTANCE instance = AppInstance();
    DWORD ws = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD ex = 0;
    uint32_t s = formStyle;
    if (s & MainWindow) {
        ws |= WS_OVERLAPPEDWINDOW;
        ex |= WS_EX_APPWINDOW;
        if (s & ToolWindow)
            ex |= WS_EX_TOOLWINDOW;
    } else {
        ws |= WS_POPUP;
        if (s & (DialogFrame | SizingFrame))
            ws |= WS_CAPTION | WS_SYSMENU;
        if (s & SizingFrame)
            ws |= WS_THICKFRAME;
        if (s & ModalFrame)
            ws |= WS_DLGFRAME;
        if (s & ToolWindow) {
            ws |= WS_CAPTION | WS_SYSMENU;
            ex |= WS_EX_TOOLWINDOW;
        }
        if (s & (DialogFrame | SizingFrame | ModalFrame))
            ex |= WS_EX_DLGMODALFRAME;
    }
    if (s & (DialogFrame | SizingFrame))
        dialogKeys = 1;
    if (s & ThinBorder)
        ws |= WS_BORDER;
    if (s & TopMost)
        ex |= WS_EX_TOPMOST;
    if (s & NoActivate)
        ex |= WS_EX_NOACTIVATE;
    if (s & MinimizeBox)
        ws |= WS_MINIMIZEBOX;

    uint32_t classFlags = ClassArrowCursor | ((s & DropShadow) ? uint32_t(ClassDropShadow) : 0u);
    const wchar_t* className = RegisterWindowClass(instance, classText, classFlags);

    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, w = CW_USEDEFAULT, h = CW_USEDEFAULT;
    if (createAtBounds) {
        x = createBounds.left;
        y = createBounds.top;
        w = createBounds.right - createBounds.left;
        h = createBounds.bottom - createBounds.top;
    } else if (owner) {
        RECT r = owner->WindowRect();
        x = r.left;
        y = r.top;
        w = r.right - r.left;
        h = r.bottom - r.top;
    }
    HMENU bar = nullptr;
    if (createMenuId) {
        bar = ::LoadMenuW(instance, MAKEINTRESOURCEW(createMenuId));
        if (bar == nullptr)
            ThrowLastError();
    }
    HWND created = CreateWindowExW(ex, className, nullptr, ws, x, y, w, h,
                                   owner ? owner->hwnd : nullptr, bar, instance, nullptr);
    if (created == nullptr) {
        DWORD error = GetLastError();
        if (bar)
            DestroyMenu(bar);
        SetLastError(error);
        ThrowLastError();
    }
    hwnd = created;
    if (bar)
        menu.Adopt(bar);
    AddToWindowMap(this);

    resizable = (s & (MainWindow | SizingFrame)) != 0;
    if (!resizable) {
        if (HMENU system = GetSystemMenu(hwnd, FALSE)) {
            for (UINT command : {SC_RESTORE, SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE})
                ::DeleteMenu(system, command, MF_BYCOMMAND);
            if (GetMenuState(system, 1, MF_BYPOSITION) & MF_SEPARATOR &&
                GetMenuState(system, 1, MF_BYPOSITION) != static_cast<UINT>(-1))
                ::DeleteMenu(system, 1, MF_BYPOSITION);
        }
    }
}

Form* Form::Owner()
{
    return owner;
}

void Form::SetTitle(const wchar_t* text)
{
    SetText(text);
}

bool Form::IsMenuItemChecked(UINT command)
{
    HMENU bar = hwnd ? GetMenu(hwnd) : nullptr;
    if (bar == nullptr)
        return false;
    UINT state = GetMenuState(bar, command, MF_BYCOMMAND);
    // A missing item answers all ones, which is no check mark.
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void Form::CheckMenuItem(UINT command, bool checked)
{
    if (HMENU bar = hwnd ? GetMenu(hwnd) : nullptr)
        ::CheckMenuItem(bar, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Form::SetMenuItemChecked(UINT command)
{
    CheckMenuItem(command, true);
}

void Form::SetMenuItemUnchecked(UINT command)
{
    CheckMenuItem(command, false);
}

void Form::EnableMenuItem(UINT command, bool enabled)
{
    if (HMENU bar = hwnd ? GetMenu(hwnd) : nullptr)
        ::EnableMenuItem(bar, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Form::DeleteMenuItem(UINT command)
{
    if (HMENU bar = hwnd ? GetMenu(hwnd) : nullptr)
        ::DeleteMenu(bar, command, MF_BYCOMMAND);
}

void Form::LoadMenu(int menuId)
{
    if (hwnd == nullptr)
        return;
    HMENU loaded = ::LoadMenuW(AppInstance(), MAKEINTRESOURCEW(menuId));
    if (loaded == nullptr)
        ThrowLastError();
    SetMenu(hwnd, loaded);
    menu.Adopt(loaded);
}

void Form::LoadMenuAlt(int menuId)
{
    LoadMenu(menuId);
}

void Form::SetIcons(int iconId)
{
    if (hwnd == nullptr)
        return;
    int d = GetDpi();
    int system = SystemDpi();
    HINSTANCE instance = AppInstance();
    Icon big, small;
    LoadIconSized(big, instance, MAKEINTRESOURCEW(iconId),
                  MulDiv(d, GetSystemMetrics(SM_CXICON), system),
                  MulDiv(d, GetSystemMetrics(SM_CYICON), system));
    LoadIconSized(small, instance, MAKEINTRESOURCEW(iconId),
                  MulDiv(d, GetSystemMetrics(SM_CXSMICON), system),
                  MulDiv(d, GetSystemMetrics(SM_CYSMICON), system));
    SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Handle()));
    SendMsg(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Handle()));
    bigIcon = big;
    smallIcon = small;
}

void Form::SetIconsAlt(int iconId)
{
    SetIcons(iconId);
}

void Form::LoadAccelerators(int tableId)
{
    HACCEL table = ::LoadAcceleratorsW(AppInstance(), MAKEINTRESOURCEW(tableId));
    if (table == nullptr)
        ThrowLastError();
    accelerators = table;
}

void Form::LoadAcceleratorsAlt(int tableId)
{
    LoadAccelerators(tableId);
}

int32_t Form::AlertString(const String& message, const wchar_t* title, const wchar_t* buttons,
                          int32_t kind)
{
    return ShowAlertString(this, message, title, buttons, kind);
}

int32_t Form::Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                    int32_t kind)
{
    return ShowAlert(this, message, title, buttons, kind);
}

void Form::SetAccelerators(HACCEL table)
{
    accelerators = table;
}

bool Form::IsMaximized()
{
    return hwnd && IsZoomed(hwnd);
}

void Form::Maximize()
{
    SendMsg(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void Form::Unmaximize()
{
    SendMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
}

bool Form::IsMinimized()
{
    return hwnd && IsIconic(hwnd);
}

void Form::Minimize()
{
    SendMsg(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void Form::Restore()
{
    SendMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
}

bool Form::IsActive()
{
    return hwnd && GetActiveWindow() == hwnd;
}

void Form::Activate()
{
    if (hwnd)
        SetActiveWindow(hwnd);
}

// --- modal runs over this form -------------------------------------------------------

bool Form::HasModal()
{
    return modals.Count() > 0;
}

Form* Form::GetModal()
{
    int64 n = modals.Count();
    return n ? modals.At(n - 1) : nullptr;
}

void Form::DisableForModal(Form* modalForm)
{
    AppendOnce(modals, modalForm);
    if (hwnd)
        EnableWindow(hwnd, FALSE);
}

void Form::EnableAfterModal(Form* modalForm)
{
    // The owner stays disabled while any other run still goes on over it.
    if (RemovePointer(modals, modalForm) && modals.Count() == 0 && hwnd)
        EnableWindow(hwnd, TRUE);
}

// --- children, layout, painting --------------------------------------------------------

void Form::ForgetControl(Control* control)
{
    RemoveFontUser(control);
    if (focusControl == control)
        focusControl = nullptr;
    RemoveIdleHandler(control);
}

void Form::ForgetTooltip(Form* tip)
{
    if (tooltip == tip)
        tooltip = nullptr;
}

void Form::EnableDialogKeys()
{
    dialogKeys = 1;
}

void Form::RemoveChild(Control* child)
{
    if (content == child)
        content = nullptr;
}

void Form::AddChild(Control* child)
{
    if (content)
        throw InternalError();
    content = child;
}

void Form::Measure(SizeLimits& limits)
{
    if (dpi < 96)
        DetectDpi();
    GetFont();
    RECT wr = WindowRect();
    RECT cr = ClientRect();
    int frameWidth, frameHeight;
    if (wr.left <= -30000 || wr.top <= -30000) {
        RECT r = {0, 0, 0, 0};
        DWORD ws = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        DWORD ex = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
        AdjustWindowRectEx(&r, ws, GetMenu(hwnd) != nullptr, ex);
        int d = static_cast<int>(dpi);
        frameWidth = MulDiv(r.right, d, 96) - MulDiv(r.left, d, 96);
        frameHeight = MulDiv(r.bottom, d, 96) - MulDiv(r.top, d, 96);
    } else {
        frameWidth = (wr.right - wr.left) - (cr.right - cr.left);
        frameHeight = (wr.bottom - wr.top) - (cr.bottom - cr.top);
    }
    if (content) {
        limits = {0, 0, 0, 0};
        content->Measure(limits);
    } else {
        limits = {0, 0, Unbounded, Unbounded};
    }
    limits.minWidth += frameWidth;
    limits.maxWidth += frameWidth;
    limits.minHeight += frameHeight;
    limits.maxHeight += frameHeight;
}

void Form::SetBounds(const RECT& rect)
{
    laidOutBySize = 0;
    GuiBase::SetBounds(rect);
    // No WM_SIZE came when the size stayed the same: lay out here.
    if (content && !laidOutBySize)
        content->SetBounds(ClientRect());
}

void Form::OnSize(MessageRecord& m)
{
    GuiBase::DefaultProc(m);
    if (content) {
        laidOutBySize = 1;
        content->SetBounds(ClientRect());
    }
}

void Form::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    dc.FillRect(ClientRect(), GetSysColor(COLOR_BTNFACE));
}

void Form::DefaultProc(MessageRecord& m)
{
    switch (m.msg) {
    case WM_ERASEBKGND:
        m.result = 1;
        return;
    case WM_GETMINMAXINFO: {
        SizeLimits limits;
        Measure(limits);
        auto* info = reinterpret_cast<MINMAXINFO*>(m.lParam);
        info->ptMinTrackSize = {limits.minWidth, limits.minHeight};
        info->ptMaxTrackSize = {limits.maxWidth, limits.maxHeight};
        return;
    }
    case WM_MOUSEACTIVATE:
        // A click must not activate a form that never takes the activation
        // (pop-ups over the main window), whatever the system's default.
        if (formStyle & NoActivate) {
            m.result = MA_NOACTIVATE;
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if (!resizable) {
            WPARAM command = m.wParam & 0xFFF0;
            if (command == SC_SIZE || command == SC_MINIMIZE || command == SC_MAXIMIZE ||
                command == SC_RESTORE)
                return;
        }
        break;
    case WM_DPICHANGED:
        OnDpiChanged(m);
        return;
    case WM_NEXTDLGCTL:
        if (dialogKeys) {
            MoveDialogFocus(m.wParam, m.lParam);
            m.result = 0;
            return;
        }
        break;
    default:
        break;
    }
    GuiBase::DefaultProc(m);
}

// The dialog manager moves the focus with this message (a label's access key
// focuses the label, then asks for the next control), but only the system's
// dialog class answers it, and forms are windows of their own classes.
void Form::MoveDialogFocus(WPARAM wParam, LPARAM lParam)
{
    HWND target = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0);
    if (target == nullptr || target == hwnd || !IsChild(hwnd, target))
        return;
    // An edit line reached by the keyboard has its text selected, as in any dialog.
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(target, EM_SETSEL, 0, -1);
    ::SetFocus(target);
}

void BringToForeground(HWND window)
{
    if (window == nullptr)
        return;
    HWND popup = GetLastActivePopup(window);
    if (popup == nullptr || !IsWindowVisible(popup))
        popup = window;
    SetForegroundWindow(popup);
}

void Form::OnClose(MessageRecord&)
{
    quit = 1;
}

bool Form::IsInsideThis(GuiBase* object)
{
    if (object == nullptr || object->kind != ControlKind)
        return false;
    for (Control* c = static_cast<Control*>(object)->parent; c; c = c->parent)
        if (c == this)
            return true;
    return false;
}

void Form::OnDeactivate(MessageRecord& m)
{
    if (HIWORD(m.wParam) == 0) {
        HWND focus = GetFocus();
        GuiBase* object = FindWindowObject(focus);
        if (object && IsInsideThis(object))
            focusControl = static_cast<Control*>(object);
    }
    DefaultProc(m);
}

void Form::OnActivate(MessageRecord& m)
{
    DefaultProc(m);
    // A minimised form keeps the keys on its own window until it is restored.
    bool minimised = HIWORD(m.wParam) != 0;
    Control* c = focusControl;
    if (!minimised && c && c->hwnd && FindWindowObject(c->hwnd) == c && IsInsideThis(c))
        c->SetFocus();
    else if (hwnd)
        ::SetFocus(hwnd);
}

bool Form::PreTranslate(MSG& msg)
{
    if (accelerators && hwnd && TranslateAcceleratorW(hwnd, accelerators, &msg))
        return true;
    if (dialogKeys && hwnd)
        return IsDialogMessageW(hwnd, &msg) != 0;
    return false;
}

bool Form::HandleError(const Error& error)
{
    return owner ? owner->HandleError(error) : false;
}

uint32_t Form::GetId()
{
    return formId;
}

const wchar_t* Form::HintAt(POINT screenPoint)
{
    return content ? content->HintAt(screenPoint) : nullptr;
}

uint32_t Form::HintIdAt(POINT screenPoint)
{
    return content ? content->HintIdAt(screenPoint) : 0;
}

DeviceContext Form::MeasureDC()
{
    if (hwnd == nullptr)
        throw InternalError();
    return WindowDC();
}
