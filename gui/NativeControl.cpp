#include "gui/NativeControl.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

void CreateNativeControl(Control& control, ControlGroup* parent, const wchar_t* className,
                         DWORD windowStyle, uint32_t id, uint32_t controlStyle,
                         const wchar_t* hint)
{
    control.parent = parent;
    control.id = id;
    control.style = controlStyle;
    if (hint && *hint)
        control.SetHint(hint);
    control.Create(className, windowStyle, 0);
}

void FinishNativeControl(Control& control, const wchar_t* caption)
{
    control.FollowFormFont();
    if (caption)
        control.SetText(caption);
    control.Show();
}

void InitCommonControlClasses(DWORD classes)
{
    static DWORD done = 0;
    if ((done & classes) == classes)
        return;
    INITCOMMONCONTROLSEX init = {sizeof(init), classes};
    if (!InitCommonControlsEx(&init))
        throw InternalError();
    done |= classes;
}

DeviceContext MeasuringDC(Control& control)
{
    DeviceContext dc = control.WindowDC();
    if (dc.IsOpen())
        control.SelectFontInto(dc);
    return dc;
}

bool DrawTextSize(DeviceContext& dc, const wchar_t* text, int64 length, UINT flags, LONG width,
                  LONG height, SIZE& size)
{
    if (!dc.IsOpen() || length > INT_MAX)
        return false;
    RECT r = {0, 0, width, height};
    if (DrawTextW(dc.Hdc(), text, static_cast<int>(length), &r, flags | DT_CALCRECT) == 0)
        return false;
    size = {r.right - r.left, r.bottom - r.top};
    return true;
}

int AlphabetWidth(DeviceContext& dc)
{
    static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size;
    if (DrawTextSize(dc, letters, 52, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE, INT_MAX, INT_MAX,
                     size))
        return size.cx;
    return 520;
}

SIZE TextExtent(DeviceContext& dc, const wchar_t* text, int64 length)
{
    SIZE size = {0, 0};
    if (dc.IsOpen() && length <= INT_MAX &&
        GetTextExtentPoint32W(dc.Hdc(), text, static_cast<int>(length), &size))
        return size;
    return FallbackTextSize(length);
}

SIZE FallbackTextSize(int64 length)
{
    return {static_cast<LONG>(10 * std::min<int64>(std::max<int64>(length, 0), INT_MAX / 10)), 20};
}

String ListItemText(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index)
{
    LRESULT length = SendMessageW(window, lengthMessage, index, 0);
    if (length < 0)
        throw MemoryError();
    String text;
    wchar_t* chars = text.Allocate(length);
    LRESULT copied = SendMessageW(window, textMessage, index, reinterpret_cast<LPARAM>(chars));
    if (copied < 0)
        throw MemoryError();
    if (copied < length)
        return text.Substring(0, copied);
    return text;
}

bool EditWantsKey(const MSG& msg, uint32_t keyFlags)
{
    bool keyMessage = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
    if (!keyMessage && msg.message != WM_CHAR)
        return false;
    switch (msg.wParam) {
    case VK_RETURN: return (keyFlags & WantsEnter) != 0;
    case VK_TAB: return (keyFlags & WantsTab) != 0;
    case VK_ESCAPE: return (keyFlags & WantsEscape) != 0;
    case VK_UP:
    case VK_DOWN: return keyMessage && (keyFlags & WantsUpDown) != 0;
    default: return false;
    }
}
