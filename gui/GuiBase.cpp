#include "gui/GuiBase.h"

#include <new>

// --- window map ------------------------------------------------------------------

namespace {

const unsigned MapBuckets = 51;
GuiBase* WindowMap[MapBuckets];

} // namespace

unsigned WindowMapBucket(uint64_t h)
{
    uint64_t sum = h + h / 51 + h / 2601 + h / 132651 + h / 6765201;
    return static_cast<unsigned>(sum % MapBuckets);
}

static unsigned BucketOf(HWND hwnd)
{
    return WindowMapBucket(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hwnd)));
}

GuiBase* FindWindowObject(HWND hwnd)
{
    if (hwnd == nullptr)
        return nullptr;
    for (GuiBase* o = WindowMap[BucketOf(hwnd)]; o; o = o->mapNext)
        if (o->hwnd == hwnd)
            return o;
    return nullptr;
}

void AddToWindowMap(GuiBase* object)
{
    if (object->hwnd == nullptr || FindWindowObject(object->hwnd))
        return;
    GuiBase*& head = WindowMap[BucketOf(object->hwnd)];
    object->mapNext = head;
    head = object;
}

void RemoveFromWindowMap(GuiBase* object)
{
    if (object->hwnd == nullptr)
        return;
    for (GuiBase** link = &WindowMap[BucketOf(object->hwnd)]; *link; link = &(*link)->mapNext) {
        if ((*link)->hwnd == object->hwnd) {
            GuiBase* found = *link;
            *link = found->mapNext;
            found->mapNext = nullptr;
            return;
        }
    }
}

// --- error boundary ----------------------------------------------------------------

bool ErrorReportActive = false;

void ReportError(GuiBase* object, const Error& error)
{
    if (ErrorReportActive || object == nullptr)
        return;
    ErrorReportActive = true;
    try {
        object->HandleError(error);
    } catch (...) {
    }
    ErrorReportActive = false;
}

void ReportCurrentException(GuiBase* object)
{
    try {
        throw;
    } catch (const Error& error) {
        ReportError(object, error);
    } catch (const std::bad_alloc&) {
        ReportError(object, MemoryError());
    } catch (...) {
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    GuiBase* object = FindWindowObject(hwnd);
    if (object == nullptr)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    MessageRecord m = {hwnd, msg, wParam, lParam, 0};
    try {
        object->Dispatch(m);
        return m.result;
    } catch (...) {
        // A paint that failed must still validate, or WM_PAINT repeats forever.
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            if (BeginPaint(hwnd, &ps))
                EndPaint(hwnd, &ps);
        }
        // The handler may have destroyed its own object: report only to one
        // still mapped under the handle.
        if (FindWindowObject(hwnd) == object)
            ReportCurrentException(object);
    }
    return 0;
}

// --- GuiBase -----------------------------------------------------------------------

GuiBase::GuiBase()
    : kind(0), hwnd(nullptr), mapNext(nullptr), shown(0), tabStopManaged(0), tracksMouseLeave(0),
      resizable(0)
{
}

GuiBase::~GuiBase() = default;

HWND GuiBase::GetHwnd()
{
    return hwnd;
}

String GuiBase::GetText()
{
    if (hwnd == nullptr)
        throw InternalError();
    int length = GetWindowTextLengthW(hwnd);
    String text;
    if (length <= 0)
        return text;
    String buffer;
    wchar_t* chars = buffer.Allocate(length + 1);
    int got = GetWindowTextW(hwnd, chars, length + 1);
    if (got < 0)
        got = 0;
    text.Assign(chars, got < length ? got : length);
    return text;
}

void GuiBase::SetText(const wchar_t* text)
{
    if (hwnd == nullptr)
        throw InternalError();
    if (text == nullptr)
        text = L"";
    int newLength = lstrlenW(text);
    if (GetWindowTextLengthW(hwnd) == newLength) {
        String current = GetText();
        if (current.Length() == newLength &&
            (newLength == 0 || memcmp(current.Data(), text, newLength * sizeof(wchar_t)) == 0))
            return;
    }
    SetTextDirect(text);
}

void GuiBase::SetTextDirect(const wchar_t* text)
{
    if (hwnd == nullptr)
        throw InternalError();
    if (!SetWindowTextW(hwnd, text ? text : L""))
        ThrowLastError();
}

bool GuiBase::IsShown()
{
    return shown != 0;
}

void GuiBase::ShowWith(int command)
{
    if (shown)
        return;
    shown = 1;
    if (hwnd) {
        LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        if (tabStopManaged && !(style & WS_TABSTOP))
            SetWindowLongW(hwnd, GWL_STYLE, style | WS_TABSTOP);
        ShowWindow(hwnd, command);
    }
}

void GuiBase::Show()
{
    ShowWith(SW_SHOW);
}

void GuiBase::ShowNoActivate()
{
    ShowWith(SW_SHOWNA);
}

void GuiBase::Hide()
{
    if (!shown)
        return;
    shown = 0;
    if (hwnd) {
        if (tabStopManaged)
            SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) & ~WS_TABSTOP);
        ShowWindow(hwnd, SW_HIDE);
    }
}

void GuiBase::GetClientRectInto(RECT& rect)
{
    rect = {0, 0, 0, 0};
    if (hwnd)
        GetClientRect(hwnd, &rect);
}

RECT GuiBase::ClientRect()
{
    RECT rect;
    GetClientRectInto(rect);
    return rect;
}

void GuiBase::GetWindowRectInto(RECT& rect)
{
    rect = {0, 0, 0, 0};
    if (hwnd)
        GetWindowRect(hwnd, &rect);
}

RECT GuiBase::WindowRect()
{
    RECT rect;
    GetWindowRectInto(rect);
    return rect;
}

void GuiBase::SetBounds(const RECT& rect)
{
    if (hwnd)
        SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void GuiBase::Measure(SizeLimits& limits)
{
    limits = {0, 0, Unbounded, Unbounded};
}

POINT GuiBase::ScreenToClientPoint(POINT point)
{
    if (hwnd)
        ScreenToClient(hwnd, &point);
    return point;
}

POINT GuiBase::ClientToScreenPoint(POINT point)
{
    if (hwnd)
        ClientToScreen(hwnd, &point);
    return point;
}

static bool InsideRect(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool GuiBase::ContainsClientPoint(POINT point)
{
    if (hwnd == nullptr)
        return false;
    return InsideRect(ClientRect(), point);
}

bool GuiBase::IsOverAt(POINT screenPoint)
{
    if (hwnd == nullptr)
        return false;
    return InsideRect(WindowRect(), screenPoint) && WindowFromPoint(screenPoint) == hwnd;
}

RECT GuiBase::ScreenToClientRect(RECT rect)
{
    POINT a = ScreenToClientPoint({rect.left, rect.top});
    POINT b = ScreenToClientPoint({rect.right, rect.bottom});
    return {a.x, a.y, b.x, b.y};
}

RECT GuiBase::ClientToScreenRect(RECT rect)
{
    POINT a = ClientToScreenPoint({rect.left, rect.top});
    POINT b = ClientToScreenPoint({rect.right, rect.bottom});
    return {a.x, a.y, b.x, b.y};
}

bool GuiBase::IsCursorOver()
{
    POINT p;
    return shown && hwnd && GetCursorPos(&p) && IsOverAt(p);
}

void GuiBase::Invalidate()
{
    if (hwnd)
        ::InvalidateRect(hwnd, nullptr, FALSE);
}

void GuiBase::InvalidateRect(const RECT& rect)
{
    if (hwnd)
        ::InvalidateRect(hwnd, &rect, FALSE);
}

void GuiBase::InvalidateRectErase(const RECT& rect)
{
    if (hwnd)
        ::InvalidateRect(hwnd, &rect, TRUE);
}

void GuiBase::Validate()
{
    if (hwnd)
        ::ValidateRect(hwnd, nullptr);
}

void GuiBase::ValidateRect(const RECT& rect)
{
    if (hwnd)
        ::ValidateRect(hwnd, &rect);
}

void GuiBase::Update()
{
    if (hwnd)
        UpdateWindow(hwnd);
}

DeviceContext GuiBase::PaintDC()
{
    DeviceContext dc;
    if (hwnd)
        dc.BeginPaint(hwnd);
    return dc;
}

DeviceContext GuiBase::WindowDC()
{
    DeviceContext dc;
    if (hwnd)
        dc.FromWindow(hwnd);
    return dc;
}

bool GuiBase::HasCapture()
{
    return hwnd && GetCapture() == hwnd;
}

void GuiBase::Capture()
{
    if (hwnd)
        SetCapture(hwnd);
}

void GuiBase::ReleaseCaptureIfHeld()
{
    if (HasCapture())
        ReleaseCapture();
}

void GuiBase::TrackMenu(Menu menu, uint32_t flags, int x, int y)
{
    TrackPopupMenu(menu.Handle(), flags, x, y);
}

void GuiBase::TrackMenuResource(int menuId, uint32_t flags, int x, int y)
{
    if (hwnd == nullptr)
        return;
    HINSTANCE instance = AppInstance();
    HMENU loaded = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    if (loaded == nullptr)
        ThrowLastError();
    Menu menu;
    menu.Adopt(loaded);
    TrackMenu(menu.SubMenu(), flags, x, y);
}

void GuiBase::TrackPopupMenu(HMENU menu, uint32_t flags, int x, int y)
{
    if (hwnd == nullptr || menu == nullptr)
        return;
    POINT p = ClientToScreenPoint({x, y});
    UINT tpm = TPM_RIGHTBUTTON;
    if (flags & 1)
        tpm |= TPM_BOTTOMALIGN;
    if (flags & 2)
        tpm |= TPM_RIGHTALIGN;
    ::TrackPopupMenu(menu, tpm, p.x, p.y, 0, hwnd, nullptr);
}

void GuiBase::CreateCaret(HBITMAP bitmap, int width, int height)
{
    if (hwnd)
        ::CreateCaret(hwnd, bitmap, width, height);
}

void GuiBase::SetCaretPos(int x, int y)
{
    if (hwnd)
        ::SetCaretPos(x, y);
}

void GuiBase::ShowCaret()
{
    if (hwnd)
        ::ShowCaret(hwnd);
}

void GuiBase::HideCaret()
{
    if (hwnd)
        ::HideCaret(hwnd);
}

void GuiBase::SetTimer(UINT_PTR id, UINT milliseconds)
{
    if (hwnd)
        ::SetTimer(hwnd, id, milliseconds, nullptr);
}

void GuiBase::KillTimer(UINT_PTR id)
{
    if (hwnd)
        ::KillTimer(hwnd, id);
}

void GuiBase::Dispatch(MessageRecord& m)
{
    switch (m.msg) {
    case WM_CREATE: OnCreate(m); break;
    case WM_DESTROY: OnDestroy(m); break;
    case WM_SIZE: OnSize(m); break;
    case WM_ACTIVATE:
        if (LOWORD(m.wParam) == WA_INACTIVE)
            OnDeactivate(m);
        else
            OnActivate(m);
        break;
    case WM_SETFOCUS: OnSetFocus(m); break;
    case WM_KILLFOCUS: OnKillFocus(m); break;
    case WM_PAINT: OnPaint(m); break;
    case WM_CLOSE: OnClose(m); break;
    case WM_SHOWWINDOW:
        if (m.wParam)
            OnShow(m);
        else
            OnHide(m);
        break;
    case WM_ACTIVATEAPP:
        if (LOWORD(m.wParam))
            OnAppActivate(m);
        else
            OnAppDeactivate(m);
        break;
    case WM_CANCELMODE: OnCancelMode(m); break;
    case WM_NOTIFY: OnNotify(m); break;
    case WM_CONTEXTMENU: OnContextMenu(m); break;
    case WM_GETDLGCODE: OnGetDlgCode(m); break;
    case WM_KEYDOWN: OnKeyDown(m); break;
    case WM_KEYUP: OnKeyUp(m); break;
    case WM_CHAR: OnChar(m); break;
    case WM_COMMAND: OnCommand(m); break;
    case WM_TIMER: OnTimer(m); break;
    case WM_HSCROLL: OnHScroll(m); break;
    case WM_VSCROLL: OnVScroll(m); break;
    case WM_MOUSEMOVE: OnMouseMove(m); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnLButtonDown(m); break;
    case WM_LBUTTONUP: OnLButtonUp(m); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: OnRButtonDown(m); break;
    case WM_RBUTTONUP: OnRButtonUp(m); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: OnMButtonDown(m); break;
    case WM_MBUTTONUP: OnMButtonUp(m); break;
    case WM_MOUSEWHEEL: OnMouseWheel(m); break;
    case WM_MOUSELEAVE: OnMouseLeave(m); break;
    case WM_PRINTCLIENT: OnPrintClient(m); break;
    default: DefaultProc(m); break;
    }
}

void GuiBase::DefaultProc(MessageRecord& m)
{
    if (m.msg == WM_CLOSE || m.hwnd == nullptr)
        return;
    if (m.msg == WM_NCCALCSIZE && m.wParam) {
        m.result = DefWindowProcW(m.hwnd, m.msg, m.wParam, m.lParam);
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.lParam);
        params->rgrc[1] = {0, 0, 0, 0};
        params->rgrc[2] = {0, 0, 0, 0};
        m.result = WVR_REDRAW;
        return;
    }
    m.result = DefWindowProcW(m.hwnd, m.msg, m.wParam, m.lParam);
    // A class without a cursor of its own leaves the shape of whatever window
    // the mouse came from; show the arrow unless a handler chose one.
    if (m.msg == WM_SETCURSOR && !m.result && LOWORD(m.lParam) == HTCLIENT &&
        reinterpret_cast<HWND>(m.wParam) == m.hwnd &&
        GetClassLongPtrW(m.hwnd, GCLP_HCURSOR) == 0) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        m.result = TRUE;
    }
}

void GuiBase::OnPaint(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnPrintClient(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnSize(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnCreate(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnDestroy(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnDeactivate(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnActivate(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnAppDeactivate(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnAppActivate(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnShow(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnHide(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnSetFocus(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnKillFocus(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnCancelMode(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnMouseMove(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnLButtonDown(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnLButtonUp(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnRButtonDown(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnRButtonUp(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnMButtonDown(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnMButtonUp(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnMouseWheel(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnMouseLeave(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnVScroll(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnHScroll(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnChar(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnKeyDown(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnKeyUp(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnTimer(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnClose(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnCommand(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnNotify(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnGetDlgCode(MessageRecord& m) { DefaultProc(m); }
void GuiBase::OnContextMenu(MessageRecord& m) { DefaultProc(m); }

bool GuiBase::OnIdle()
{
    return false;
}

bool GuiBase::PreTranslate(MSG&)
{
    return false;
}

bool GuiBase::HandleError(const Error&)
{
    return false;
}

bool GuiBase::TracksMouseLeave()
{
    return tracksMouseLeave != 0;
}

void GuiBase::HandleMessage(MessageRecord& m)
{
    Dispatch(m);
}

LRESULT GuiBase::SendMsg(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return hwnd ? SendMessageW(hwnd, msg, wParam, lParam) : 0;
}

LRESULT GuiBase::SendCommand(int id, int code)
{
    return SendMsg(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd));
}

BOOL GuiBase::PostMsg(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return hwnd ? PostMessageW(hwnd, msg, wParam, lParam) : FALSE;
}

BOOL GuiBase::PostCommand(int id, int code)
{
    return PostMsg(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd));
}
