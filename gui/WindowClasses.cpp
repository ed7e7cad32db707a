#include "gui/GuiBase.h"

#include "base/AppContext.h"
#include "base/Array.h"

Array<WindowClassEntry> WindowClassList;

namespace {

String& ClassPrefix()
{
    static String prefix(L"Scrivel ");
    return prefix;
}

} // namespace

void SetWindowClassPrefix(const wchar_t* prefix)
{
    ClassPrefix() = String(prefix);
}

HINSTANCE AppInstance()
{
    return AppContext::Current().instance;
}

const wchar_t* RegisterWindowClass(HINSTANCE instance, const wchar_t* classText, uint32_t flags)
{
    const String& prefix = ClassPrefix();
    String name;
    name.Concat(prefix.Data(), prefix.Length(), classText, classText ? lstrlenW(classText) : 0);
    for (int64 i = 0; i < WindowClassList.Count(); i++) {
        const WindowClassEntry& entry = WindowClassList.At(i);
        if (entry.name.Equals(name))
            return entry.name.CStr();
    }

    WindowClassEntry entry{flags, name};
    int64 index = WindowClassList.Count();
    WindowClassList.Insert(index, entry);

    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    if (flags & ClassDoubleClicks)
        wc.style |= CS_DBLCLKS;
    if (flags & ClassDropShadow)
        wc.style |= CS_DROPSHADOW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    if (flags & ClassArrowCursor)
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    else if (flags & ClassIBeamCursor)
        wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    else if (flags & ClassNoCursor)
        wc.hCursor = nullptr;
    else
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = WindowClassList.At(index).name.CStr();
    if (!RegisterClassW(&wc)) {
        // Some systems refuse the drop shadow; the class is still useful without.
        wc.style &= ~CS_DROPSHADOW;
        if (!RegisterClassW(&wc)) {
            DWORD code = GetLastError();
            WindowClassList.RemoveAt(index);
            ThrowWinError(code);
        }
    }
    return WindowClassList.At(index).name.CStr();
}
