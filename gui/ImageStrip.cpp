#include "gui/ImageStrip.h"

#include "base/Error.h"

#include <algorithm>
#include <cmath>

namespace {

ImageDib EmptyDib(int width, int height)
{
    if (width < 0 || height < 0)
        throw InternalError();
    ImageDib dib;
    dib.stride = width;
    dib.width = width;
    dib.height = height;
    dib.pixels.InsertUninit(0, int64_t(width) * height * 4);
    return dib;
}

void SetBgra(uint8_t* p, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha)
{
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    p[3] = alpha;
}

bool IsMagenta(const uint8_t* p)
{
    return p[0] == 255 && p[1] == 0 && p[2] == 255;
}

double Overlap(int pixel, double from, double to)
{
    return std::max(0.0, std::min(pixel + 1.0, to) - std::max(static_cast<double>(pixel), from));
}

} // namespace

BITMAPINFO TopDown32Info(int width, int height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

ImageDib MakeTransparentDib(int width, int height)
{
    ImageDib dib = EmptyDib(width, height);
    for (int64_t i = 0, n = int64_t(width) * height; i < n; i++)
        SetBgra(dib.pixels.Data() + i * 4, 255, 0, 255, 0);
    return dib;
}

ImageDib LoadImageDib(const DeviceContext& dc, HBITMAP bitmap, COLORREF background)
{
    BITMAP info;
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0)
        throw InternalError();
    ImageDib dib = EmptyDib(info.bmWidth, info.bmHeight);
    BITMAPINFO format = TopDown32Info(dib.width, dib.height);
    int rows = GetDIBits(dc.Hdc(), bitmap, 0, static_cast<UINT>(dib.height), dib.pixels.Data(),
                         &format, DIB_RGB_COLORS);
    if (rows != dib.height)
        throw InternalError();
    for (int64_t i = 0, n = int64_t(dib.width) * dib.height; i < n; i++) {
        uint8_t* p = dib.pixels.Data() + i * 4;
        if (IsMagenta(p))
            SetBgra(p, GetBValue(background), GetGValue(background), GetRValue(background), 0);
        else
            p[3] = 255;
    }
    return dib;
}

void FadeDibToGrey(ImageDib& dib, COLORREF background)
{
    for (int y = 0; y < dib.height; y++)
        for (int x = 0; x < dib.width; x++) {
            uint8_t* p = dib.Pixel(x, y);
            if (p[3] < 64)
                continue;
            const int grey = (p[2] * 299 + p[1] * 587 + p[0] * 114) / 1000;
            p[0] = static_cast<uint8_t>((grey + GetBValue(background)) / 2);
            p[1] = static_cast<uint8_t>((grey + GetGValue(background)) / 2);
            p[2] = static_cast<uint8_t>((grey + GetRValue(background)) / 2);
            // Never the transparent key by accident.
            if (IsMagenta(p))
                p[1] = 1;
        }
}

GdiObj DibToBitmap(ImageDib& dib, const DeviceContext& dc)
{
    for (int y = 0; y < dib.height; y++)
        for (int x = 0; x < dib.width; x++) {
            uint8_t* p = dib.Pixel(x, y);
            if (p[3] < 64)
                SetBgra(p, 255, 0, 255, 0);
        }
    GdiObj bitmap = MakeCompatibleBitmap(dc, dib.width, dib.height);
    BITMAPINFO format = TopDown32Info(dib.width, dib.height);
    int rows = SetDIBits(dc.Hdc(), bitmap.Bitmap(), 0, static_cast<UINT>(dib.height),
                         dib.pixels.Data(), &format, DIB_RGB_COLORS);
    if (rows != dib.height)
        throw InternalError();
    return bitmap;
}

double CoverageWeight(int x, int y, double x0, double x1, double y0, double y1)
{
    return Overlap(x, x0, x1) * Overlap(y, y0, y1);
}

void AverageArea(const ImageDib& source, double x0, double x1, double y0, double y1,
                 uint8_t colour[4])
{
    double sum[4] = {0, 0, 0, 0}, total = 0;
    for (int y = static_cast<int>(y0); y < y1; y++) {
        for (int x = static_cast<int>(x0); x < x1; x++) {
            if (x < 0 || y < 0 || x >= source.width || y >= source.height)
                throw IndexError();
            double w = CoverageWeight(x, y, x0, x1, y0, y1);
            const uint8_t* p = source.Pixel(x, y);
            for (int k = 0; k < 4; k++)
                sum[k] += w * p[k];
            total += w;
        }
    }
    for (int k = 0; k < 4; k++) {
        // Truncated, but a uniform area summed in thirds keeps its value
        // (159.9999 is 160 here).
        double v = total > 0 ? sum[k] / total + 1e-7 : 0;
        colour[k] = static_cast<uint8_t>(std::max(0.0, std::min(255.0, std::trunc(v))));
    }
}

void ScaleDibArea(ImageDib& destination, const ImageDib& source, int sourceX, int destX,
                  int sourceWidth, int destWidth, int sourceHeight, int destHeight)
{
    if (destWidth <= 0 || destHeight <= 0)
        return;
    // Edges as exact quotients of integers, so the last column ends on the
    // area's edge and never reaches into the next one.
    auto edge = [](int i, int from, int to) {
        return static_cast<double>(int64_t(i) * from) / to;
    };
    for (int r = 0; r < destHeight; r++) {
        double y0 = edge(r, sourceHeight, destHeight), y1 = edge(r + 1, sourceHeight, destHeight);
        for (int c = 0; c < destWidth; c++) {
            double x0 = sourceX + edge(c, sourceWidth, destWidth);
            double x1 = sourceX + edge(c + 1, sourceWidth, destWidth);
            uint8_t colour[4];
            AverageArea(source, x0, x1, y0, y1, colour);
            int x = destX + c;
            if (x < 0 || x >= destination.width || r >= destination.height)
                throw IndexError();
            uint8_t* p = destination.Pixel(x, r);
            if (colour[3] < 64)
                SetBgra(p, 255, 0, 255, 0);
            else
                SetBgra(p, colour[0], colour[1], colour[2], 255);
        }
    }
}

void ScaleImageStrip(GdiObj& result, const DeviceContext& dc, HBITMAP strip192, int dpi,
                     COLORREF background)
{
    ImageDib source = LoadImageDib(dc, strip192, background);
    const int cell = MulDiv(28, dpi, 192);
    ImageDib destination = MakeTransparentDib(8 * cell, cell + 2);
    for (int i = 0; i < 8; i++)
        ScaleDibArea(destination, source, 28 * i, cell * i, 28, cell, 28, cell);
    result = DibToBitmap(destination, dc);
}

KeyedStrip::~KeyedStrip()
{
    Release();
}

void KeyedStrip::Release()
{
    // A context that could not be made, or got no bitmap, has nothing to put back.
    if (maskDc) {
        if (maskBefore)
            SelectObject(maskDc, maskBefore);
        DeleteDC(maskDc);
    }
    if (imageDc) {
        if (imageBefore)
            SelectObject(imageDc, imageBefore);
        DeleteDC(imageDc);
    }
    maskDc = imageDc = nullptr;
    maskBefore = imageBefore = nullptr;
    mask.Clear();
    image.Clear();
    source.Clear();
}

void KeyedStrip::Make(HDC target, const GdiObj& strip)
{
    Release();
    BITMAP info;
    if (GetObjectW(strip.Handle(), sizeof info, &info) != sizeof info)
        throw InternalError();
    const int width = info.bmWidth, height = info.bmHeight;
    PodArray<uint32_t> pixels;
    pixels.InsertUninit(0, int64_t(width) * height);
    BITMAPINFO format = TopDown32Info(width, height);
    if (GetDIBits(target, strip.Bitmap(), 0, static_cast<UINT>(height), pixels.Data(), &format,
                  DIB_RGB_COLORS) != height)
        throw InternalError();
    void* maskBits = nullptr;
    void* imageBits = nullptr;
    GdiObj madeMask = MakeDibSection32(width, height, &maskBits);
    GdiObj madeImage = MakeDibSection32(width, height, &imageBits);
    if (madeMask.IsEmpty() || madeImage.IsEmpty() || !maskBits || !imageBits)
        throw InternalError();
    uint32_t* m = static_cast<uint32_t*>(maskBits);
    uint32_t* c = static_cast<uint32_t*>(imageBits);
    for (int64_t i = 0, n = int64_t(width) * height; i < n; i++) {
        const uint32_t p = pixels.Data()[i] & 0xFFFFFF;
        const bool key = p == 0xFF00FF;
        m[i] = key ? 0xFFFFFF : 0;
        c[i] = key ? 0 : p;
    }
    GdiFlush();
    maskDc = CreateCompatibleDC(target);
    imageDc = CreateCompatibleDC(target);
    if (!maskDc || !imageDc) {
        Release();
        throw InternalError();
    }
    maskBefore = SelectObject(maskDc, madeMask.Handle());
    imageBefore = SelectObject(imageDc, madeImage.Handle());
    mask = madeMask;
    image = madeImage;
    source = strip;
}

void KeyedStrip::Draw(HDC target, const GdiObj& strip, int x, int y, int width, int height,
                      int sourceX, int sourceY)
{
    if (strip.IsEmpty())
        return;
    if (source.Handle() != strip.Handle() || !maskDc)
        Make(target, strip);
    BitBlt(target, x, y, width, height, maskDc, sourceX, sourceY, SRCAND);
    BitBlt(target, x, y, width, height, imageDc, sourceX, sourceY, SRCPAINT);
}
