#pragma once

// Picks an item of a pop-up menu while TrackPopupMenu runs its own loop: a
// thread timer finds the menu window (class "#32768"), records the menu's
// items and posts the keys that choose one.

#include <windows.h>

#include <string>
#include <vector>

namespace menuwatch {

struct Item {
    UINT id;
    UINT state;  // MF_GRAYED, MF_SEPARATOR...
    std::wstring text;
};

struct State {
    std::vector<Item> items;
    int downs = 0;  // Down presses before Return; -1 for Escape
    bool seen = false;
    UINT_PTR timer = 0;
};

inline State& Current()
{
    static State state;
    return state;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND window = FindWindowW(L"#32768", nullptr);
    if (window == nullptr || !IsWindowVisible(window))
        return;
    KillTimer(nullptr, timer);
    State& s = Current();
    s.timer = 0;
    s.seen = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; i++) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        s.items.push_back({GetMenuItemID(menu, i), GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION), text});
    }
    if (s.downs < 0) {
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    for (int i = 0; i < s.downs; i++)
        PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
}

}  // namespace menuwatch

// Before the code that opens a menu: the next menu shown gets downs Down
// presses and Return (Escape for -1); its items are recorded.
inline menuwatch::State& WatchMenu(int downs)
{
    menuwatch::State& s = menuwatch::Current();
    if (s.timer)
        KillTimer(nullptr, s.timer);
    s = menuwatch::State();
    s.downs = downs;
    s.timer = SetTimer(nullptr, 0, 20, menuwatch::Tick);
    return s;
}

// Stops watching (a menu that never opened leaves the timer running).
inline void StopWatchingMenu()
{
    menuwatch::State& s = menuwatch::Current();
    if (s.timer)
        KillTimer(nullptr, s.timer);
    s.timer = 0;
}
