#include "gui/Tooltip.h"

#include "gui/Dpi.h"

#include <algorithm>
#include <cstdlib>
#include <new>

uint8_t TooltipsOff = 0;

namespace {

BOOL SystemCursorPos(POINT* point)
{
    return GetCursorPos(point);
}

const TooltipCalls systemCalls = {SystemCursorPos};
const TooltipCalls* calls = &systemCalls;
TooltipMaker tooltipMaker = nullptr;

int Brightness(COLORREF c)
{
    return 7 * GetGValue(c) + 3 * GetRValue(c) + GetBValue(c);
}

int Channel(int value)
{
    return std::max(0, std::min(255, value));
}

// Breaks the way the lines are measured and drawn: CR LF, CR or LF.
int CountBreaks(const wchar_t* text, int64_t length)
{
    int n = 0;
    for (int64_t i = 0; i < length; i++) {
        if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n')
            i++;
        if (text[i] == L'\r' || text[i] == L'\n')
            n++;
    }
    return n;
}

} // namespace

void TooltipColors(COLORREF text, COLORREF paper, COLORREF& accent, COLORREF& border)
{
    const int r = GetRValue(paper), g = GetGValue(paper), b = GetBValue(paper);
    // A darker tint on bright paper, a brighter one on dark paper.
    accent = Brightness(text) < Brightness(paper)
                 ? RGB(r, Channel(g - 40), Channel(b - 80))
                 : RGB(Channel(r + 50), Channel(g + 50), Channel(b + 50));
    border = RGB(GetRValue(text) * 50 / 100 + r * 50 / 100, GetGValue(text) * 50 / 100 + g * 50 / 100,
                 GetBValue(text) * 50 / 100 + b * 50 / 100);
}

void SetTooltipCalls(const TooltipCalls* replacement)
{
    calls = replacement ? replacement : &systemCalls;
}

Tooltip::Tooltip()
    : tipOwner(nullptr), timerId(0), ticks(0), arrowLeft(0), below(0), hiddenAt{0, 0},
      trackPoint{0, 0}, tracking(0), hiddenAtValid(0)
{
}

Tooltip::~Tooltip()
{
    if (tipOwner)
        tipOwner->ForgetTooltip(this);
}

void SetTooltipMaker(TooltipMaker maker)
{
    tooltipMaker = maker;
}

Tooltip* NewTooltip(Form* owner)
{
    Tooltip* tip = tooltipMaker ? tooltipMaker() : new (std::nothrow) Tooltip();
    if (tip == nullptr)
        throw MemoryError();
    try {
        tip->Create(DropShadow | NoTooltip, L"Tooltip", owner, 33);
    } catch (...) {
        delete tip;
        throw;
    }
    tip->tipOwner = owner;
    tip->SetTimer(kTooltipTimer, 100);
    tip->timerId = kTooltipTimer;
    return tip;
}

int Tooltip::Scaled(int value)
{
    return MulDiv(value, GetDpi(), 96);
}

int Tooltip::StillDistance()
{
    return Scaled(2);
}

void Tooltip::Hide()
{
    if (!shown)
        return;
    GuiBase::Hide();
    hiddenAt = trackPoint;
    hiddenAtValid = 1;
    if (OpenPopupWindow == hwnd)
        OpenPopupWindow = nullptr;
}

void Tooltip::StopTracking()
{
    tracking = 0;
    ticks = 0;
}

void Tooltip::Tick()
{
    if (tipOwner == nullptr || TooltipsOff || LastMouseKeys != 0 || !tipOwner->IsActive() ||
        tipOwner->HasModal()) {
        StopTracking();
        Hide();
        return;
    }
    POINT p;
    if (!calls->getCursorPos(&p)) {
        StopTracking();
        return;
    }
    const int d = StillDistance();
    auto isNear = [d](POINT a, POINT b) {
        return std::abs(a.x - b.x) <= d && std::abs(a.y - b.y) <= d;
    };
    // A balloon that was hidden does not come back at the same place, and
    // none shows where the user just clicked.
    if (!tracking || !isNear(p, trackPoint) || (hiddenAtValid && isNear(p, hiddenAt)) ||
        isNear(p, LastClickPoint)) {
        trackPoint = p;
        tracking = 1;
        ticks = 0;
        Hide();
        return;
    }
    if (ticks < 10) {
        ticks++;
        return;
    }
    // Asked on every further resting tick, so a changed hint is followed.
    const wchar_t* text = tipOwner->HintAt(trackPoint);
    if (text == nullptr || *text == 0) {
        Hide();
        ticks = 0;
        return;
    }
    if (shown && tipText.Equals(text))
        return;
    tipText = String(text);
    ShowAt();
}

void Tooltip::ShowAt()
{
    hiddenAtValid = 0;
    RECT r = Placement();
    ClampRectToWorkArea(r);
    SetBounds(r);

    HWND other = OpenPopupWindow;
    if (other && other != hwnd) {
        OpenPopupWindow = nullptr;
        SendMessageW(other, WM_CLOSE, 0, 0);
    }
    OpenPopupWindow = hwnd;
    if (!shown)
        ShowNoActivate();
    Update();
}

RECT Tooltip::Placement()
{
    DeviceContext dc = WindowDC();
    dc.SelectFont(GetFont());
    SIZE text = dc.MeasureLines(tipText.Data(), tipText.Length());
    dc.Close();

    int breaks = CountBreaks(tipText.Data(), tipText.Length());
    int height = text.cy + Scaled(2) * breaks + 2 * Scaled(6);

    const int x = trackPoint.x, y = trackPoint.y;
    RECT at = {x, y, x + 1, y + 1};
    MONITORINFO info;
    info.cbSize = sizeof info;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromRect(&at, MONITOR_DEFAULTTONEAREST), &info))
        work = info.rcWork;

    RECT r;
    if (x >= (work.left + work.right) / 2) {
        r.right = x - Scaled(8);
        r.left = r.right - Scaled(36) - text.cx;
        arrowLeft = 0;
    } else {
        r.left = x + Scaled(8);
        r.right = r.left + text.cx + Scaled(36);
        arrowLeft = 1;
    }
    if (y >= (work.top + work.bottom) / 2) {
        r.bottom = y - Scaled(8);
        r.top = r.bottom - height;
        below = 0;
    } else {
        r.top = y + Scaled(8);
        r.bottom = r.top + height;
        below = 1;
    }
    return r;
}

void Tooltip::OnPaint(MessageRecord&)
{
    try {
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), paper = GetSysColor(COLOR_WINDOW);
        COLORREF accent, border;
        TooltipColors(text, paper, accent, border);

        DeviceContext dc = PaintDC();
        HDC hdc = dc.Hdc();
        dc.SelectFont(GetFont());
        RECT client = ClientRect();
        dc.FillRect(client, paper);
        dc.FrameRect(client, border, 1);

        SetTextColor(hdc, text);
        SetBkMode(hdc, TRANSPARENT);
        const wchar_t* t = tipText.Data();
        const int64_t length = tipText.Length();
        const int x = arrowLeft ? Scaled(27) : Scaled(7);
        const int step = Scaled(2) + dc.LineHeight();
        int y = Scaled(6);
        for (int64_t start = 0; t && start <= length;) {
            int64_t end = start;
            while (end < length && t[end] != L'\r' && t[end] != L'\n')
                end++;
            ExtTextOutW(hdc, x, y, 0, nullptr, t + start, static_cast<UINT>(end - start), nullptr);
            if (end >= length)
                break;
            if (t[end] == L'\r' && end + 1 < length && t[end + 1] == L'\n')
                end++;
            start = end + 1;
            y += step;
        }

        RECT strip = {arrowLeft ? client.left + 1 : client.right - 1 - Scaled(20), client.top + 1,
                      arrowLeft ? client.left + 1 + Scaled(20) : client.right - 1,
                      client.bottom - 1};
        dc.FillRect(strip, accent);

        dc.SelectBrush(MakeSolidBrush(border));
        dc.SelectPen(MakeNullPen());
        const int x0 = arrowLeft ? Scaled(3) : (client.right - 1) - Scaled(3);
        const int dx = arrowLeft ? 1 : -1;
        const int y0 = below ? (client.top + 1) + Scaled(3) : (client.bottom - 1) - Scaled(3);
        const int dy = below ? 1 : -1;
        auto at = [&](int px, int py) {
            return POINT{x0 + Scaled(px) * dx, y0 + Scaled(py) * dy};
        };
        POINT head[] = {at(0, 0), at(10, 0), at(0, 10)};
        POINT shaft[] = {at(0, 3), at(3, 0), at(12, 9), at(9, 12)};
        Polygon(hdc, head, 3);
        Polygon(hdc, shaft, 4);
    } catch (...) {
        // A broken hint never reaches the user as an alert.
    }
}

void Tooltip::OnTimer(MessageRecord& m)
{
    if (m.wParam != timerId || timerId == 0) {
        Form::OnTimer(m);
        return;
    }
    try {
        Tick();
    } catch (...) {
    }
}

void Tooltip::OnClose(MessageRecord&)
{
    // Closed by the pop-up hook on keys, clicks and activation changes; the
    // window stays for the next hint.
    if (tracking) {
        hiddenAt = trackPoint;
        hiddenAtValid = 1;
    }
    StopTracking();
    Hide();
}
