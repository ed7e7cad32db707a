#include "helpviewer/ViewerStart.h"

#include "base/AppContext.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/WindowHandle.h"
#include "helpviewer/ErrorsDialog.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpForm.h"

#include <new>

namespace {

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The part after prefix when arg is longer than it and starts with it
// ignoring case.
bool AfterPrefix(const String& arg, const wchar_t* prefix, const wchar_t*& rest, int64& restLength)
{
    int64 n = static_cast<int64>(wcslen(prefix));
    if (arg.Length() <= n || !EqualsNoCase(arg.Data(), n, prefix, n))
        return false;
    rest = arg.Data() + n;
    restLength = arg.Length() - n;
    return true;
}

RECT ToRect(const int32 v[4])
{
    RECT r;
    r.left = v[0];
    r.top = v[1];
    r.right = v[2];
    r.bottom = v[3];
    return r;
}

}  // namespace

bool ParseFourIntegers(const wchar_t* text, int64 length, int32 values[4])
{
    int found = 0;
    int64 i = 0;
    while (i < length) {
        wchar_t c = text[i];
        if (!IsDigit(c) && c != L'-') {
            i++;
            continue;
        }
        // Converted like a C decimal: an optional minus, then digits; the
        // value saturates rather than wrapping.
        int64 j = i;
        bool negative = false;
        if (text[j] == L'-') {
            negative = true;
            j++;
        }
        int64 value = 0;
        while (j < length && IsDigit(text[j])) {
            if (value < 0x80000000LL)
                value = value * 10 + (text[j] - L'0');
            j++;
        }
        if (negative)
            value = -value;
        if (value > 0x7FFFFFFFLL)
            value = 0x7FFFFFFFLL;
        if (value < -0x80000000LL)
            value = -0x80000000LL;
        if (found == 4)
            return false;
        values[found++] = static_cast<int32>(value);
        while (i < length && (IsDigit(text[i]) || text[i] == L'-'))
            i++;
    }
    return found == 4;
}

HWND ParseWindowHandle(const wchar_t* text, int64 length)
{
    int64 i = 0;
    bool negative = false;
    if (i < length && text[i] == L'-') {
        negative = true;
        i++;
    }
    u64 value = 0;  // wraps: only the low 32 bits matter
    for (; i < length && IsDigit(text[i]); i++)
        value = value * 10 + static_cast<u64>(text[i] - L'0');
    if (negative)
        value = 0 - value;
    return WindowHandleFromNumber(static_cast<int64>(value));
}

ViewerArguments ReadViewerArguments(const Array<String>& arguments)
{
    ViewerArguments result;
    int64 count = arguments.Count();
    if (count == 1) {
        const String& only = arguments.At(0);
        if (EqualsNoCase(only.Data(), only.Length(), L"/test", 5))
            result.testMode = true;
    }
    for (int64 k = 0; k < count; k++) {
        const String& arg = arguments.At(k);
        const wchar_t* rest;
        int64 n;
        int32 v[4];
        if (AfterPrefix(arg, L"rect:", rest, n) && ParseFourIntegers(rest, n, v)) {
            result.hasCallerRect = true;
            result.callerRect = ToRect(v);
        }
        if (AfterPrefix(arg, L"hrect:", rest, n) && ParseFourIntegers(rest, n, v)) {
            result.hasOwnRect = true;
            result.ownRect = ToRect(v);
        }
        if (AfterPrefix(arg, L"id:", rest, n)) {
            result.hasId = true;
            result.id = String(rest, n);
        }
        if (AfterPrefix(arg, L"hwnd:", rest, n))
            result.caller = ParseWindowHandle(rest, n);
    }
    return result;
}

RECT SquareBesideCaller(const RECT& caller, const RECT& work, int dpi)
{
    int a = MulDiv(500, dpi, 96);
    int64 roomRight = static_cast<int64>(work.right) - caller.right;
    int64 roomLeft = static_cast<int64>(caller.left) - work.left;
    RECT r;
    if (roomRight >= roomLeft) {
        if (roomRight <= 0) {
            r.left = work.right - a - 30;
            r.top = caller.top + 40;
        } else {
            r.left = a < roomRight ? caller.right : work.right - a;
            r.top = caller.top;
        }
    } else {
        if (roomLeft <= 0) {
            r.left = work.right - a - 30;
            r.top = caller.top + 40;
        } else {
            r.left = a < roomLeft ? caller.left - a : work.left;
            r.top = caller.top;
        }
    }
    r.right = r.left + a;
    r.bottom = r.top + a;
    return r;
}

namespace {

// One axis of the fitting: moved back by the excess, then forward by the
// shortfall, then cut at the far edge.
void FitSpan(LONG& low, LONG& high, LONG workLow, LONG workHigh)
{
    if (high > workHigh) {
        LONG excess = high - workHigh;
        low -= excess;
        high -= excess;
    }
    if (low < workLow) {
        LONG shortfall = workLow - low;
        low += shortfall;
        high += shortfall;
    }
    if (high > workHigh)
        high = workHigh;
}

}  // namespace

RECT FitIntoWorkArea(RECT r, const RECT& work)
{
    FitSpan(r.left, r.right, work.left, work.right);
    FitSpan(r.top, r.bottom, work.top, work.bottom);
    return r;
}

RECT WorkAreaNear(const RECT& rect)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info))
        return info.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT ViewerRectangle(const ViewerArguments& arguments, bool callerKnown, const RECT& caller, int dpi)
{
    if (arguments.hasOwnRect)
        return arguments.ownRect;
    if (callerKnown)
        return SquareBesideCaller(caller, WorkAreaNear(caller), dpi);
    RECT r;
    r.left = r.top = MulDiv(10, dpi, 96);
    r.right = r.bottom = MulDiv(500, dpi, 96);
    return r;
}

void CheckHelpContainer(const String& path, u32& exitCode)
{
    exitCode = 3;
    HelpDocument document;
    document.Load(path);
    if (document.Errors().Count() > 0) {
        exitCode = 4;
        ShowMarkupErrors(document, nullptr);
    } else {
        exitCode = 0;
    }
}

void RunViewer(AppContext& app)
{
    HRESULT com = CoInitialize(nullptr);
    try {
        ViewerArguments arguments = ReadViewerArguments(app.arguments);
        if (arguments.testMode) {
            CheckHelpContainer(HelpContainer::DefaultPath(), app.exitCode);
        } else {
            HelpForm* form = new HelpForm();
            try {
                form->Build(arguments);
                form->Run();
            } catch (...) {
                delete form;
                throw;
            }
            delete form;
        }
    } catch (const Error& error) {
        ShowHelpError(L"Nieudane uruchomienie programu Guidora.", nullptr, error);
    } catch (const std::bad_alloc&) {
        ShowHelpError(L"Nieudane uruchomienie programu Guidora.", nullptr, MemoryError());
    }
    if (SUCCEEDED(com))
        CoUninitialize();
}
