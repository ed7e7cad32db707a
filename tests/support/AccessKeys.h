#pragma once

// Alt with the access key of every label of a dialog, pressed through the
// framework's loop (the dialog's pre-translation runs the dialog manager),
// and where each one left the focus, beside where it should go: the first
// control after the label, in the order the windows were made, that takes
// the focus from the keyboard.

#include "gui/Form.h"

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

namespace accesskeys {

struct LabelKey {
    std::wstring text;
    wchar_t key = 0;
    HWND expected = nullptr;
    HWND focused = nullptr;
};

// The letter after a label's lone ampersand ("&&" is a plain one), upper
// case; 0 when it has none.
inline wchar_t KeyOf(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); i++) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&')
            return static_cast<wchar_t>(towupper(text[i + 1]));
        i++;
    }
    return 0;
}

inline bool TakesKeyboardFocus(HWND w)
{
    return IsWindowVisible(w) && IsWindowEnabled(w) && (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP);
}

inline std::vector<HWND> Descendants(HWND dialog)
{
    std::vector<HWND> all;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM out) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

inline void PumpThrough(Form& loop)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        loop.TranslateAndDispatch(msg);
}

// Every visible label with an access key, pressed once from a focus
// elsewhere; loop is any form (its loop routes keys to their own form).
inline std::vector<LabelKey> PressLabelKeys(Form& loop, HWND dialog)
{
    std::vector<LabelKey> pressed;
    std::vector<HWND> all = Descendants(dialog);
    for (size_t i = 0; i < all.size(); i++) {
        wchar_t name[16] = {};
        GetClassNameW(all[i], name, 16);
        wchar_t text[256] = {};
        GetWindowTextW(all[i], text, 256);
        LabelKey k;
        k.text = text;
        k.key = KeyOf(k.text);
        if (lstrcmpiW(name, L"Static") != 0 || !IsWindowVisible(all[i]) || k.key == 0)
            continue;
        for (size_t j = i + 1; j < all.size() && !k.expected; j++)
            if (TakesKeyboardFocus(all[j]))
                k.expected = all[j];
        // Start from the first other control that takes the focus.
        for (HWND w : all)
            if (w != k.expected && TakesKeyboardFocus(w)) {
                SetFocus(w);
                break;
            }
        PumpThrough(loop);
        HWND from = GetFocus();
        UINT scan = MapVirtualKeyW(k.key, MAPVK_VK_TO_VSC);
        // Bit 29: Alt is held.
        PostMessageW(from, WM_SYSKEYDOWN, k.key, static_cast<LPARAM>(0x20000001 | (scan << 16)));
        PostMessageW(from, WM_SYSKEYUP, k.key, static_cast<LPARAM>(0xE0000001 | (scan << 16)));
        PumpThrough(loop);
        k.focused = GetFocus();
        pressed.push_back(k);
    }
    return pressed;
}

}  // namespace accesskeys
