#pragma once

// Screen and monitor DPI, icons at a size, rectangles kept on a work area.
// Newer system functions are looked up at run time.

#include "gui/Gdi.h"

#include <windows.h>

int ScreenDpi();
// 0 when the system cannot tell the monitor's own DPI.
int MonitorDpi(HMONITOR monitor);

void LoadIconSized(Icon& icon, HINSTANCE module, const wchar_t* resource, int cx, int cy);
HICON TryLoadIconWithScaleDown(HINSTANCE module, const wchar_t* resource, int cx, int cy);

// Moves a screen rectangle into the work area of its nearest monitor,
// cutting it where it is larger.
void ClampRectToWorkArea(RECT& rect);
void CentreRectOnWorkArea(RECT& rect);
