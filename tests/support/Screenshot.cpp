#include "support/Screenshot.h"

#include "gui/ImageStrip.h"

#include <png.h>

#include <cstdio>
#include <string>

namespace {

PixelImage ReadPixels(HDC dc, HBITMAP bitmap, int width, int height)
{
    PixelImage image;
    BITMAPINFO info = TopDown32Info(width, height);
    image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), image.pixels.data(), &info,
                  DIB_RGB_COLORS) == height) {
        image.width = width;
        image.height = height;
        for (uint32_t& p : image.pixels)
            p &= 0xFFFFFF;
    } else {
        image.pixels.clear();
    }
    return image;
}

} // namespace

COLORREF PixelImage::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

PixelImage ReadWindowPixels(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    PixelImage image = ReadPixels(memory, bitmap, r.right, r.bottom);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return image;
}

PixelImage ReadBitmapPixels(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HDC dc = CreateCompatibleDC(nullptr);
    PixelImage image = ReadPixels(dc, bitmap, info.bmWidth, info.bmHeight);
    DeleteDC(dc);
    return image;
}

PixelImage ReadScreenPixels(const RECT& area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    PixelImage image = ReadPixels(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

bool SaveScreenshot(const PixelImage& image, const char* name)
{
    CreateDirectoryW(L"..\\screenshots", nullptr);
    return SavePng(image, (std::string("..\\screenshots\\") + name).c_str());
}

bool SavePng(const PixelImage& image, const char* path)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    std::vector<uint32_t> opaque(image.pixels);
    for (uint32_t& p : opaque)
        p |= 0xFF000000u;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, opaque.data(), 0, nullptr))
        return false;
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, opaque.data(), 0, nullptr))
        return false;
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool written = fwrite(bytes.data(), 1, size, file) == size;
    return fclose(file) == 0 && written;
}
