#include "gui/Dpi.h"

#include "base/Error.h"

namespace {

int CachedScreenDpi = 0;

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);

// Looks a function up once; a missing library or function stays missing.
template <class Fn> Fn Lookup(bool& looked, Fn& cached, const wchar_t* library, const char* name)
{
    if (!looked) {
        looked = true;
        if (HMODULE module = LoadLibraryW(library))
            cached = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    return cached;
}

bool DpiLooked = false;
GetDpiForMonitorFn DpiForMonitor = nullptr;
bool ScaleDownLooked = false;
LoadIconWithScaleDownFn ScaleDown = nullptr;

RECT WorkAreaOf(const RECT& rect)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (!GetMonitorInfoW(monitor, &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

void ClampAxis(LONG& low, LONG& high, LONG workLow, LONG workHigh)
{
    if (high > workHigh) {
        low -= high - workHigh;
        high = workHigh;
    }
    if (low < workLow) {
        high += workLow - low;
        low = workLow;
    }
    if (high > workHigh)
        high = workHigh;
}

} // namespace

int ScreenDpi()
{
    if (CachedScreenDpi)
        return CachedScreenDpi;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return 96;
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    CachedScreenDpi = dpi < 96 ? 96 : dpi;
    return CachedScreenDpi;
}

int MonitorDpi(HMONITOR monitor)
{
    GetDpiForMonitorFn fn = Lookup(DpiLooked, DpiForMonitor, L"Shcore.dll", "GetDpiForMonitor");
    if (fn == nullptr)
        return 0;
    UINT x = 0, y = 0;
    if (fn(monitor, 0, &x, &y) != S_OK)
        return 0;
    return static_cast<int>(y);
}

HICON TryLoadIconWithScaleDown(HINSTANCE module, const wchar_t* resource, int cx, int cy)
{
    LoadIconWithScaleDownFn fn =
        Lookup(ScaleDownLooked, ScaleDown, L"Comctl32.dll", "LoadIconWithScaleDown");
    if (fn == nullptr)
        return nullptr;
    HICON icon = nullptr;
    if (fn(module, resource, cx, cy, &icon) != S_OK)
        return nullptr;
    return icon;
}

void LoadIconSized(Icon& icon, HINSTANCE module, const wchar_t* resource, int cx, int cy)
{
    bool shared = false;
    HICON h = TryLoadIconWithScaleDown(module, resource, cx, cy);
    if (h == nullptr)
        h = static_cast<HICON>(LoadImageW(module, resource, IMAGE_ICON, cx, cy, 0));
    if (h == nullptr) {
        h = LoadIconW(module, resource);
        shared = true;
    }
    if (h == nullptr)
        ThrowLastError();
    icon.Adopt(h, shared);
}

void ClampRectToWorkArea(RECT& rect)
{
    RECT work = WorkAreaOf(rect);
    ClampAxis(rect.left, rect.right, work.left, work.right);
    ClampAxis(rect.top, rect.bottom, work.top, work.bottom);
}

void CentreRectOnWorkArea(RECT& rect)
{
    RECT work = WorkAreaOf(rect);
    LONG width = rect.right - rect.left;
    LONG height = rect.bottom - rect.top;
    rect.left = work.left + (work.right - work.left - width) / 2;
    rect.top = work.top + (work.bottom - work.top - height) / 2;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
}
