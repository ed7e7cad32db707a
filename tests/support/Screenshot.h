#pragma once

// Pixels of a window as the screen shows them, and PNG screenshots of them.

#include <windows.h>

#include <cstdint>
#include <vector>

// A copy of pixels, 0x00RRGGBB each, rows from the top.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    COLORREF At(int x, int y) const;
};

// The window's client area copied from the screen (what PrintWindow cannot give
// under Wine), read back with GetDIBits.
PixelImage ReadWindowPixels(HWND window);
// The bitmap's pixels, read back with GetDIBits.
PixelImage ReadBitmapPixels(HBITMAP bitmap);

// A rectangle of the screen as it shows now (any process's windows).
PixelImage ReadScreenPixels(const RECT& area);

// Writes the image as a PNG file at path; answers false on failure.
bool SavePng(const PixelImage& image, const char* path);

// Writes the image as a PNG file into the build folder's "screenshots"
// folder (beside the tests' working folder); answers false on failure.
bool SaveScreenshot(const PixelImage& image, const char* name);
