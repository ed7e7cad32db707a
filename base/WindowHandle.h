#pragma once

// Window handles between the editor (64-bit) and the help viewer (32-bit):
// a handle has 32 significant bits in a process of either width, and a
// 64-bit process sees it sign-extended. Written as a signed decimal number
// ("hwnd:") or carried in an lParam, it may arrive from the other width
// sign- or zero-extended; reading keeps the low 32 bits, so both meet.

#include "base/Types.h"

#include <windows.h>

// The handle as the signed number this process sees.
int64 WindowHandleNumber(HWND window);

// The handle a number or an lParam stands for: its low 32 bits, sign-extended.
HWND WindowHandleFromNumber(int64 value);
