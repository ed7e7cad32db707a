// The message loop every form runs, its two hooks and the idle handlers.

#include "gui/Form.h"
#include "gui/PointerList.h"

#include <windowsx.h>

HWND OpenPopupWindow = nullptr;
HWND HoverWindow = nullptr;
WPARAM LastMouseKeys = 0;
POINT LastClickPoint = {0, 0};
Form* AppMessageHook = nullptr;

namespace {

bool IsClientButton(UINT msg)
{
    switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
        return true;
    default:
        return false;
    }
}

bool IsNonClientButton(UINT msg)
{
    switch (msg) {
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN: case WM_NCMBUTTONUP:
        return true;
    default:
        return false;
    }
}

bool ClosesPopup(UINT msg)
{
    switch (msg) {
    case WM_ACTIVATE: case WM_CANCELMODE:
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR:
    case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_SYSCHAR: case WM_SYSCOMMAND:
        return true;
    default:
        return false;
    }
}

void ClosePopup()
{
    HWND popup = OpenPopupWindow;
    OpenPopupWindow = nullptr;
    SendMessageW(popup, WM_CLOSE, 0, 0);
}

// Closes an open pop-up on keys and clicks and remembers the mouse keys and
// the last click for the tooltip.
void PopupHook(const MSG& msg)
{
    bool client = IsClientButton(msg.message);
    bool nonClient = IsNonClientButton(msg.message);
    if (client || nonClient) {
        if (OpenPopupWindow)
            ClosePopup();
        LastMouseKeys = msg.wParam;
        POINT p = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        if (client && msg.hwnd)
            ClientToScreen(msg.hwnd, &p);
        LastClickPoint = p;
    } else if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        LastMouseKeys = msg.wParam;
    } else if (OpenPopupWindow && ClosesPopup(msg.message)) {
        ClosePopup();
    }
}

// Sends WM_MOUSELEAVE to framework controls without the system's tracking.
void HoverHook(const MSG& msg)
{
    if ((msg.message == WM_MOUSEMOVE && msg.hwnd) || msg.message == WM_NCMOUSEMOVE) {
        GuiBase* object = FindWindowObject(msg.hwnd);
        if (object && object->TracksMouseLeave() && HoverWindow != msg.hwnd) {
            HWND previous = HoverWindow;
            HoverWindow = msg.hwnd;
            if (previous)
                SendMessageW(previous, WM_MOUSELEAVE, 0, 0);
        }
    } else if (msg.message == WM_TIMER && HoverWindow) {
        if (GetCapture() == HoverWindow)
            return;
        POINT p;
        if (GetCursorPos(&p) && WindowFromPoint(p) == HoverWindow)
            return;
        HWND left = HoverWindow;
        HoverWindow = nullptr;
        SendMessageW(left, WM_MOUSELEAVE, 0, 0);
    }
}

// The object of the top-level window a message arrives in, or null.
GuiBase* TopLevelObject(HWND w)
{
    while (w && (GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) {
        w = GetParent(w);
        if (w == nullptr)
            return nullptr;
    }
    return FindWindowObject(w);
}

} // namespace

void Form::TranslateAndDispatch(MSG& msg)
{
    // Nothing thrown by a hook or a pre-translation leaves the loop; it is
    // reported like an error in a window procedure.
    GuiBase* reporter = this;
    try {
        PopupHook(msg);
        HoverHook(msg);
        if (AppMessageHook) {
            reporter = AppMessageHook;
            if (AppMessageHook->PreTranslateForApp(msg))
                return;
        }
        if (msg.hwnd) {
            reporter = this;
            if (GuiBase* top = TopLevelObject(msg.hwnd)) {
                reporter = top;
                if (top->PreTranslate(msg))
                    return;
            }
        }
    } catch (...) {
        ReportCurrentException(reporter);
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Form::RunOnce()
{
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateAndDispatch(msg);
        return;
    }
    if (quit)
        return;
    if (IdleStep())
        return;
    WaitMessage();
}

void Form::Run()
{
    quit = 0;
    while (!quit)
        RunOnce();
}

void Form::PumpPending()
{
    quit = 0;
    MSG msg;
    while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        TranslateAndDispatch(msg);
}

void Form::Quit()
{
    quit = 1;
    // Wakes a loop that waits in WaitMessage.
    PostMsg(WM_NULL, 0, 0);
}

bool Form::IdleStep()
{
    if (HasModal())
        return false;
    bool more = false;
    // The count is read again at every step: a handler may add or remove
    // handlers, itself included.
    for (int64 i = 0; i < idleHandlers.Count(); i++) {
        GuiBase* handler = idleHandlers.At(i);
        try {
            if (handler->OnIdle())
                more = true;
        } catch (...) {
            ReportCurrentException(handler);
        }
    }
    return more;
}

void Form::AddIdleHandler(GuiBase* handler)
{
    AppendOnce(idleHandlers, handler);
}

void Form::RemoveIdleHandler(GuiBase* handler)
{
    RemovePointer(idleHandlers, handler);
}

bool Form::PreTranslateForApp(MSG&)
{
    return false;
}
