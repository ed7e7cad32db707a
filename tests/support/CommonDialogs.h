#pragma once

// Finding the system's common dialogs ("#32770") that a test answers from a
// thread timer running inside their loops.

#include <windows.h>

// The first visible common dialog of this thread, or null.
inline HWND VisibleCommonDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
            wchar_t name[32];
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 32) && lstrcmpW(name, L"#32770") == 0) {
                *reinterpret_cast<HWND*>(out) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The name field of an open or save dialog: the shell's edit 1152, or the
// edit inside combo 1148 of the classic dialogs (which may itself sit inside
// an extended combo box); null when it has neither.
inline HWND FileNameField(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, 1152);
    if (edit && IsWindowVisible(edit))
        return edit;
    HWND found = nullptr;
    if (HWND combo = GetDlgItem(dialog, 1148))
        EnumChildWindows(
            combo,
            [](HWND child, LPARAM out) -> BOOL {
                wchar_t name[16];
                if (GetClassNameW(child, name, 16) && lstrcmpW(name, L"Edit") == 0) {
                    *reinterpret_cast<HWND*>(out) = child;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
    return found;
}
