#pragma once

// Owners of GDI handles, icons and menus, and device contexts that put back
// what they selected. Every copy of an owner joins a ring of the owners of the
// same handle; the one that leaves last destroys the handle.

#include "base/String.h"

#include <windows.h>

#include <cstdint>

class GdiObj {
public:
    GdiObj();
    GdiObj(const GdiObj& other);
    GdiObj& operator=(const GdiObj& other);
    virtual ~GdiObj();

    // A lone owner of a handle just created (null gives an empty owner).
    static GdiObj Adopt(HGDIOBJ handle);

    void Assign(const GdiObj& other);
    void Clear();

    HGDIOBJ Handle() const { return handle; }
    HFONT Font() const { return static_cast<HFONT>(handle); }
    HBRUSH Brush() const { return static_cast<HBRUSH>(handle); }
    HPEN Pen() const { return static_cast<HPEN>(handle); }
    HBITMAP Bitmap() const { return static_cast<HBITMAP>(handle); }
    bool IsEmpty() const { return handle == nullptr; }

    GdiObj* next;
    GdiObj* prev;
    HGDIOBJ handle;
    uint64_t extra;
};

class Icon {
public:
    Icon();
    Icon(const Icon& other);
    Icon& operator=(const Icon& other);
    virtual ~Icon();

    void Assign(const Icon& other);
    void Clear();
    // Leaves the old ring and owns the handle alone; a shared icon is never
    // destroyed.
    void Adopt(HICON icon, bool isShared);

    HICON Handle() const { return handle; }
    bool IsEmpty() const { return handle == nullptr; }

    Icon* next;
    Icon* prev;
    HICON handle;
    uint8_t shared;
};

class Menu {
public:
    Menu();
    Menu(const Menu& other);
    Menu& operator=(const Menu& other);
    virtual ~Menu();

    void Assign(const Menu& other);
    void Clear();
    void Adopt(HMENU menu);

    Menu SubMenu() const;
    void AppendSeparator();

    HMENU Handle() const { return inUse; }
    bool IsEmpty() const { return root == nullptr; }

    Menu* next;
    Menu* prev;
    HMENU inUse;
    HMENU root;
};

struct DcRecord {
    uint32_t references;
    HDC hdc;
    HWND hwnd;
    uint32_t kind;
    PAINTSTRUCT paint;
    HGDIOBJ previousFont;
    GdiObj font;
    int32_t lineHeight;
    HGDIOBJ previousBrush;
    GdiObj brush;
    HGDIOBJ previousPen;
    GdiObj pen;
    HGDIOBJ previousBitmap;
    GdiObj bitmap;
};

class DeviceContext {
public:
    enum Kind : uint32_t { FromGetDC = 1, FromBeginPaint = 2, Memory = 3, Borrowed = 4 };

    DeviceContext() : record(nullptr) {}
    DeviceContext(const DeviceContext& other);
    DeviceContext& operator=(const DeviceContext& other);
    ~DeviceContext();

    void FromWindow(HWND hwnd);
    void BeginPaint(HWND hwnd);
    void Compatible(const DeviceContext* other);
    // A context someone else owns (a printer's): selections are undone at
    // the end, the context itself is left alone.
    void Borrow(HDC hdc);
    void Close();

    HDC Hdc() const { return record ? record->hdc : nullptr; }
    bool IsOpen() const { return record != nullptr; }
    const PAINTSTRUCT* PaintInfo() const { return record ? &record->paint : nullptr; }

    void SelectFont(GdiObj font);
    // Selects a font the context does not hold (someone else keeps it alive).
    void SelectFontHandle(HFONT font);
    void SelectBrush(GdiObj brush);
    void SelectPen(GdiObj pen);
    void SelectBitmap(GdiObj bitmap);
    void RestoreFont();
    void RestoreBrush();
    void RestorePen();
    void RestoreBitmap();

    int LineHeight();
    SIZE MeasureLines(const wchar_t* text, int64_t length);
    String FaceName();

    void GradientV(const RECT& rect, COLORREF top, COLORREF bottom);
    void FillRect(const RECT& rect, COLORREF colour);
    void FrameRect(const RECT& rect, COLORREF colour, int thickness);
    void FrameRect4(const RECT& rect, COLORREF left, COLORREF right, COLORREF top, COLORREF bottom);

    DcRecord* record;

private:
    void Open(uint32_t kind, HWND hwnd);
};

GdiObj MakeSolidBrush(COLORREF colour);
GdiObj MakeNullPen();
GdiObj MakeSolidPen(COLORREF colour, int width);
GdiObj MakeCompatibleBitmap(const DeviceContext& dc, int width, int height);
// A top-down 32-bit DIB section (blue in the lowest byte); bits receives its
// pixels, rows of 4 x width bytes.
GdiObj MakeDibSection32(int width, int height, void** bits);
GdiObj LoadBitmapResource(HINSTANCE module, int resourceId);
// From the application's own resources; InternalError without an application object.
GdiObj LoadBitmapResource(int resourceId);

enum FontFlags : uint32_t {
    FontItalic = 1,
    FontUnderline = 2,
    FontStrikeOut = 4,
    FontClearType = 16,
    FontAntialiased = 32,
    FontNonAntialiased = 64,
};

GdiObj MakeFont(const wchar_t* face, int height, int weight, uint32_t flags, int charset);
// The height is in points, turned into pixels for the given DPI.
GdiObj MakeFontPoints(const wchar_t* face, int points, int dpi, int weight, uint32_t flags,
                      int charset);
GdiObj MakeFontIndirect(const LOGFONTW* font);

COLORREF MixColors(COLORREF a, COLORREF b, int part, int whole);
