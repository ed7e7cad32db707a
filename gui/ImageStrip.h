#pragma once

// Image strips at any DPI: a strip drawn for 192 dpi is resampled by area
// averaging. Magenta (255, 0, 255) marks transparent pixels in strips and in
// the bitmaps built here.

#include "base/Array.h"
#include "gui/Gdi.h"

#include <windows.h>

#include <cstdint>

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 32-bit top-down pixel buffer: blue, green, red, alpha per pixel.
struct ImageDib {
    PodArray<uint8_t> pixels;
    int32_t stride;  // pixels per row
    int32_t width;
    int32_t height;

    uint8_t* Pixel(int x, int y) const { return pixels.Data() + (int64_t(y) * stride + x) * 4; }
};

// The header of 32-bit top-down pixels for GetDIBits and SetDIBits.
BITMAPINFO TopDown32Info(int width, int height);

// An image of the size, every pixel magenta and transparent.
ImageDib MakeTransparentDib(int width, int height);

// The bitmap's pixels; magenta becomes the background colour with alpha 0,
// so averaging blends edges towards the background, everything else alpha 255.
ImageDib LoadImageDib(const DeviceContext& dc, HBITMAP bitmap, COLORREF background);
// A bitmap compatible with the context; pixels with alpha below 64 become magenta.
GdiObj DibToBitmap(ImageDib& dib, const DeviceContext& dc);

// Every opaque pixel becomes its grey level mixed half and half with the
// background: the faded look of a disabled image. Transparent pixels stay.
void FadeDibToGrey(ImageDib& dib, COLORREF background);

// Area of the pixel (x, y) that the rectangle [x0, x1) x [y0, y1) covers.
double CoverageWeight(int x, int y, double x0, double x1, double y0, double y1);
// The coverage-weighted mean of the source pixels under the rectangle
// (blue, green, red, alpha); IndexError for a pixel outside the source.
void AverageArea(const ImageDib& source, double x0, double x1, double y0, double y1,
                 uint8_t colour[4]);
// Scales the source columns [sourceX, sourceX + sourceWidth), rows from 0,
// into the destination at destX.
void ScaleDibArea(ImageDib& destination, const ImageDib& source, int sourceX, int destX,
                  int sourceWidth, int destWidth, int sourceHeight, int destHeight);

// An eight-cell strip for the DPI from one of 28 x 28-pixel cells drawn for
// 192 dpi; two rows taller than a cell.
void ScaleImageStrip(GdiObj& result, const DeviceContext& dc, HBITMAP strip192, int dpi,
                     COLORREF background);

// Draws cells of a strip with its magenta pixels transparent: the pixels
// TransparentBlt gives for the magenta key, in two plain blits. Wine's
// TransparentBlt makes its masks on every call, most of a toolbar's paint;
// these are made once per strip.
class KeyedStrip {
public:
    KeyedStrip() = default;
    KeyedStrip(const KeyedStrip&) = delete;
    KeyedStrip& operator=(const KeyedStrip&) = delete;
    ~KeyedStrip();

    // The strip's area at (sourceX, sourceY) onto the target at (x, y).
    void Draw(HDC target, const GdiObj& strip, int x, int y, int width, int height, int sourceX,
              int sourceY);

private:
    void Make(HDC target, const GdiObj& strip);
    void Release();

    GdiObj source;  // held, so its handle cannot come back as another strip
    GdiObj mask;    // white where the strip is magenta, black elsewhere
    GdiObj image;   // black where the strip is magenta, the strip elsewhere
    HDC maskDc = nullptr;
    HDC imageDc = nullptr;
    HGDIOBJ maskBefore = nullptr;
    HGDIOBJ imageBefore = nullptr;
};
