#pragma once

// Runs test code once a modal window of this thread is on screen: a thread
// timer looks for the first visible window that holds a control id at any depth.

#include <windows.h>

#include <functional>

namespace modalwatch {

inline std::function<void(HWND)>& Action()
{
    static std::function<void(HWND)> action;
    return action;
}

inline int& ControlId()
{
    static int id = 0;
    return id;
}

inline BOOL CALLBACK Find(HWND hwnd, LPARAM out);

}  // namespace modalwatch

// The first window inside parent, at any depth, with the control id.
inline HWND DescendantWithId(HWND parent, int id)
{
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(child) != s->id)
                return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace modalwatch {

inline BOOL CALLBACK Find(HWND hwnd, LPARAM out)
{
    if (IsWindowVisible(hwnd) && DescendantWithId(hwnd, ControlId())) {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&window));
    if (window == nullptr)
        return;
    KillTimer(nullptr, timer);
    Action()(window);
}

}  // namespace modalwatch

// Call before running the modal loop: action gets the window holding controlId.
inline void WhenShown(int controlId, std::function<void(HWND)> action)
{
    modalwatch::ControlId() = controlId;
    modalwatch::Action() = std::move(action);
    SetTimer(nullptr, 0, 20, modalwatch::Tick);
}
