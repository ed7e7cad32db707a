#include "gui/Gdi.h"

#include "gui/ImageStrip.h"

#include "base/AppContext.h"
#include "base/Error.h"

#include <algorithm>

// --- rings -----------------------------------------------------------------

namespace {

// The ring operations are the same for the three owner classes.
template <class T> void JoinRing(T* self, T* other)
{
    // The newcomer goes just before the owner it copies from.
    self->next = other;
    self->prev = other->prev;
    other->prev->next = self;
    other->prev = self;
}

// Answers true when the owner was the last one of its ring.
template <class T> bool LeaveRing(T* self)
{
    bool last = self->next == self;
    if (!last) {
        self->next->prev = self->prev;
        self->prev->next = self->next;
    }
    self->next = self;
    self->prev = self;
    return last;
}

} // namespace

GdiObj::GdiObj() : next(this), prev(this), handle(nullptr), extra(0) {}

GdiObj::GdiObj(const GdiObj& other) : next(this), prev(this), handle(nullptr), extra(0)
{
    Assign(other);
}

GdiObj& GdiObj::operator=(const GdiObj& other)
{
    Assign(other);
    return *this;
}

GdiObj::~GdiObj()
{
    Clear();
}

GdiObj GdiObj::Adopt(HGDIOBJ h)
{
    GdiObj owner;
    owner.handle = h;
    return owner;
}

void GdiObj::Assign(const GdiObj& other)
{
    // Leaving first would destroy the very handle about to be shared.
    if (&other == this || other.handle == handle)
        return;
    Clear();
    if (other.handle == nullptr)
        return;
    JoinRing(this, const_cast<GdiObj*>(&other));
    handle = other.handle;
    extra = other.extra;
}

void GdiObj::Clear()
{
    if (LeaveRing(this) && handle)
        DeleteObject(handle);
    handle = nullptr;
    extra = 0;
}

Icon::Icon() : next(this), prev(this), handle(nullptr), shared(1) {}

Icon::Icon(const Icon& other) : next(this), prev(this), handle(nullptr), shared(1)
{
    Assign(other);
}

Icon& Icon::operator=(const Icon& other)
{
    Assign(other);
    return *this;
}

Icon::~Icon()
{
    Clear();
}

void Icon::Assign(const Icon& other)
{
    if (&other == this || other.handle == handle)
        return;
    Clear();
    if (other.handle == nullptr)
        return;
    JoinRing(this, const_cast<Icon*>(&other));
    handle = other.handle;
    shared = other.shared;
}

void Icon::Clear()
{
    if (LeaveRing(this) && handle && !shared)
        DestroyIcon(handle);
    handle = nullptr;
    shared = 1;
}

void Icon::Adopt(HICON icon, bool isShared)
{
    Clear();
    handle = icon;
    shared = icon == nullptr || isShared;
}

Menu::Menu() : next(this), prev(this), inUse(nullptr), root(nullptr) {}

Menu::Menu(const Menu& other) : next(this), prev(this), inUse(nullptr), root(nullptr)
{
    Assign(other);
}

Menu& Menu::operator=(const Menu& other)
{
    Assign(other);
    return *this;
}

Menu::~Menu()
{
    Clear();
}

void Menu::Assign(const Menu& other)
{
    if (&other == this)
        return;
    if (other.root == root) {
        // Same ring (or both empty): only the menu acted on may differ.
        inUse = other.inUse;
        return;
    }
    Clear();
    if (other.root == nullptr)
        return;
    JoinRing(this, const_cast<Menu*>(&other));
    inUse = other.inUse;
    root = other.root;
}

void Menu::Clear()
{
    if (LeaveRing(this) && root)
        DestroyMenu(root);
    inUse = nullptr;
    root = nullptr;
}

void Menu::Adopt(HMENU menu)
{
    Clear();
    inUse = menu;
    root = menu;
}

Menu Menu::SubMenu() const
{
    if (inUse == nullptr)
        throw InternalError();
    // GetSubMenu sets no error code: a stale one must not decide the error.
    SetLastError(ERROR_SUCCESS);
    HMENU sub = GetSubMenu(inUse, 0);
    if (sub == nullptr) {
        DWORD code = GetLastError();
        ThrowWinError(code ? code : ERROR_MENU_ITEM_NOT_FOUND);
    }
    Menu owner(*this);
    owner.inUse = sub;
    return owner;
}

void Menu::AppendSeparator()
{
    if (inUse == nullptr)
        throw InternalError();
    if (!AppendMenuW(inUse, MF_SEPARATOR, 99, L""))
        throw MemoryError();
}

// --- device contexts -----------------------------------------------------------

namespace {

void RestoreSelection(DcRecord* r, HGDIOBJ& previous, GdiObj& held)
{
    if (previous) {
        if (r->hdc)
            SelectObject(r->hdc, previous);
        previous = nullptr;
    }
    held.Clear();
}

void ReleaseRecord(DcRecord* r)
{
    if (r->references == 0xFFFFFFFFu)
        return;
    if (--r->references != 0)
        return;
    // Everything selected goes back before the DC is given up, so that the
    // held objects can be deleted afterwards.
    if (r->previousFont && r->hdc)
        SelectObject(r->hdc, r->previousFont);
    if (r->previousBrush && r->hdc)
        SelectObject(r->hdc, r->previousBrush);
    if (r->previousPen && r->hdc)
        SelectObject(r->hdc, r->previousPen);
    if (r->previousBitmap && r->hdc)
        SelectObject(r->hdc, r->previousBitmap);
    if (r->hdc) {
        switch (r->kind) {
        case DeviceContext::FromGetDC: ReleaseDC(r->hwnd, r->hdc); break;
        case DeviceContext::FromBeginPaint: EndPaint(r->hwnd, &r->paint); break;
        case DeviceContext::Memory: DeleteDC(r->hdc); break;
        default: break;
        }
    }
    delete r;
}

} // namespace

DeviceContext::DeviceContext(const DeviceContext& other) : record(other.record)
{
    if (record && record->references != 0xFFFFFFFFu)
        record->references++;
}

DeviceContext& DeviceContext::operator=(const DeviceContext& other)
{
    if (other.record == record)
        return *this;
    DcRecord* old = record;
    record = other.record;
    if (record && record->references != 0xFFFFFFFFu)
        record->references++;
    if (old)
        ReleaseRecord(old);
    return *this;
}

DeviceContext::~DeviceContext()
{
    Close();
}

void DeviceContext::Close()
{
    DcRecord* r = record;
    record = nullptr;
    if (r)
        ReleaseRecord(r);
}

void DeviceContext::Open(uint32_t kind, HWND hwnd)
{
    DcRecord* r = new DcRecord();
    r->references = 1;
    r->kind = kind;
    r->hwnd = hwnd;
    r->lineHeight = -1;
    record = r;
}

void DeviceContext::FromWindow(HWND hwnd)
{
    Close();
    HDC hdc = GetDC(hwnd);
    if (hdc == nullptr)
        ThrowLastError();
    try {
        Open(FromGetDC, hwnd);
    } catch (...) {
        ReleaseDC(hwnd, hdc);
        throw;
    }
    record->hdc = hdc;
}

void DeviceContext::BeginPaint(HWND hwnd)
{
    Close();
    Open(FromBeginPaint, hwnd);
    HDC hdc = ::BeginPaint(hwnd, &record->paint);
    if (hdc == nullptr) {
        DWORD code = GetLastError();
        delete record;
        record = nullptr;
        ThrowWinError(code);
    }
    record->hdc = hdc;
}

void DeviceContext::Borrow(HDC hdc)
{
    Close();
    Open(Borrowed, nullptr);
    record->hdc = hdc;
}

void DeviceContext::Compatible(const DeviceContext* other)
{
    // The source may be this very holder: keep its DC alive across Close.
    DeviceContext source;
    if (other)
        source = *other;
    Close();
    HDC hdc = CreateCompatibleDC(source.Hdc());
    if (hdc == nullptr)
        ThrowLastError();
    try {
        Open(Memory, nullptr);
    } catch (...) {
        DeleteDC(hdc);
        throw;
    }
    record->hdc = hdc;
}

namespace {

bool Holds(const GdiObj& held, const GdiObj& object)
{
    return object.handle && held.handle == object.handle;
}

// Puts back what the record held in this part, then holds and selects the
// object, remembering what it replaced.
void SelectHeld(DcRecord* r, HGDIOBJ& previous, GdiObj& held, const GdiObj& object)
{
    RestoreSelection(r, previous, held);
    held.Assign(object);
    if (r->hdc && object.handle)
        previous = SelectObject(r->hdc, object.handle);
}

} // namespace

void DeviceContext::SelectFont(GdiObj font)
{
    if (record == nullptr || Holds(record->font, font))
        return;
    SelectHeld(record, record->previousFont, record->font, font);
    record->lineHeight = -1;
}

void DeviceContext::SelectFontHandle(HFONT font)
{
    if (record == nullptr)
        return;
    RestoreFont();
    if (record->hdc && font)
        record->previousFont = SelectObject(record->hdc, font);
}

void DeviceContext::SelectBrush(GdiObj brush)
{
    if (record && !Holds(record->brush, brush))
        SelectHeld(record, record->previousBrush, record->brush, brush);
}

void DeviceContext::SelectPen(GdiObj pen)
{
    if (record && !Holds(record->pen, pen))
        SelectHeld(record, record->previousPen, record->pen, pen);
}

void DeviceContext::SelectBitmap(GdiObj bitmap)
{
    if (record && !Holds(record->bitmap, bitmap))
        SelectHeld(record, record->previousBitmap, record->bitmap, bitmap);
}

void DeviceContext::RestoreFont()
{
    if (record == nullptr)
        return;
    RestoreSelection(record, record->previousFont, record->font);
    record->lineHeight = -1;
}

void DeviceContext::RestoreBrush()
{
    if (record)
        RestoreSelection(record, record->previousBrush, record->brush);
}

void DeviceContext::RestorePen()
{
    if (record)
        RestoreSelection(record, record->previousPen, record->pen);
}

void DeviceContext::RestoreBitmap()
{
    if (record)
        RestoreSelection(record, record->previousBitmap, record->bitmap);
}

int DeviceContext::LineHeight()
{
    if (record == nullptr)
        return 20;
    if (record->lineHeight < 0) {
        SIZE size = {0, 0};
        if (record->hdc && GetTextExtentPoint32W(record->hdc, L"Wy", 2, &size))
            record->lineHeight = size.cy;
        else
            return 20;
    }
    return record->lineHeight;
}

SIZE DeviceContext::MeasureLines(const wchar_t* text, int64_t length)
{
    SIZE result = {0, 0};
    if (text == nullptr || length <= 0)
        return result;
    int64_t lines = 0;
    int64_t start = 0;
    while (start < length) {
        int64_t end = start;
        while (end < length && text[end] != L'\r' && text[end] != L'\n')
            end++;
        int count = AsInt(end - start);
        SIZE size = {0, 0};
        LONG width;
        if (record && record->hdc && GetTextExtentPoint32W(record->hdc, text + start, count, &size))
            width = size.cx;
        else
            width = 10 * count;
        result.cx = std::max(result.cx, width);
        lines++;
        if (end < length && text[end] == L'\r' && end + 1 < length && text[end + 1] == L'\n')
            end++;
        start = end + 1;
    }
    result.cy = AsInt(lines * LineHeight());
    return result;
}

String DeviceContext::FaceName()
{
    String name;
    if (record == nullptr || record->hdc == nullptr)
        return name;
    int n = GetTextFaceW(record->hdc, 0, nullptr);
    if (n <= 0)
        return name;
    String buffer;
    wchar_t* chars = buffer.Allocate(n);
    if (GetTextFaceW(record->hdc, n, chars) <= 0)
        return name;
    // The length asked for counts the terminator.
    int length = 0;
    while (length < n && chars[length])
        length++;
    name.Assign(chars, length);
    return name;
}

void DeviceContext::GradientV(const RECT& rect, COLORREF top, COLORREF bottom)
{
    if (record == nullptr || record->hdc == nullptr)
        return;
    TRIVERTEX v[2];
    v[0].x = rect.left;
    v[0].y = rect.top;
    v[0].Red = static_cast<COLOR16>(GetRValue(top) * 257);
    v[0].Green = static_cast<COLOR16>(GetGValue(top) * 257);
    v[0].Blue = static_cast<COLOR16>(GetBValue(top) * 257);
    v[0].Alpha = 0;
    v[1].x = rect.right;
    v[1].y = rect.bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(bottom) * 257);
    v[1].Green = static_cast<COLOR16>(GetGValue(bottom) * 257);
    v[1].Blue = static_cast<COLOR16>(GetBValue(bottom) * 257);
    v[1].Alpha = 0;
    GRADIENT_RECT g = {0, 1};
    GradientFill(record->hdc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

void DeviceContext::FillRect(const RECT& rect, COLORREF colour)
{
    if (record == nullptr || record->hdc == nullptr)
        return;
    SetBkColor(record->hdc, colour);
    ExtTextOutW(record->hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void DeviceContext::FrameRect(const RECT& rect, COLORREF colour, int t)
{
    FillRect({rect.left, rect.top, rect.left + t, rect.bottom}, colour);
    FillRect({rect.right - t, rect.top, rect.right, rect.bottom}, colour);
    FillRect({rect.left + t, rect.top, rect.right - t, rect.top + t}, colour);
    FillRect({rect.left + t, rect.bottom - t, rect.right - t, rect.bottom}, colour);
}

void DeviceContext::FrameRect4(const RECT& rect, COLORREF left, COLORREF right, COLORREF top,
                               COLORREF bottom)
{
    FillRect({rect.left, rect.top, rect.left + 1, rect.bottom}, left);
    FillRect({rect.right - 1, rect.top, rect.right, rect.bottom}, right);
    FillRect({rect.left + 1, rect.top, rect.right - 1, rect.top + 1}, top);
    FillRect({rect.left + 1, rect.bottom - 1, rect.right - 1, rect.bottom}, bottom);
}

// --- creators ------------------------------------------------------------------

namespace {

GdiObj Made(HGDIOBJ handle)
{
    if (handle == nullptr)
        ThrowLastError();
    return GdiObj::Adopt(handle);
}

} // namespace

GdiObj MakeSolidBrush(COLORREF colour)
{
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    return Made(CreateBrushIndirect(&brush));
}

GdiObj MakeNullPen()
{
    return Made(CreatePen(PS_NULL, 0, 0));
}

GdiObj MakeSolidPen(COLORREF colour, int width)
{
    return Made(CreatePen(PS_SOLID, width, colour));
}

GdiObj MakeCompatibleBitmap(const DeviceContext& dc, int width, int height)
{
    if (dc.Hdc() == nullptr)
        throw InternalError();
    return Made(CreateCompatibleBitmap(dc.Hdc(), width, height));
}

GdiObj MakeDibSection32(int width, int height, void** bits)
{
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {TopDown32Info(width, height).bmiHeader, {0xFF0000, 0x00FF00, 0x0000FF}};
    info.header.biCompression = BI_BITFIELDS;
    *bits = nullptr;
    return Made(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits,
                                 nullptr, 0));
}

GdiObj LoadBitmapResource(HINSTANCE module, int resourceId)
{
    return Made(LoadBitmapW(module, MAKEINTRESOURCEW(resourceId)));
}

GdiObj LoadBitmapResource(int resourceId)
{
    return LoadBitmapResource(AppContext::Current().instance, resourceId);
}

GdiObj MakeFont(const wchar_t* face, int height, int weight, uint32_t flags, int charset)
{
    DWORD quality = DEFAULT_QUALITY;
    if (flags & FontClearType)
        quality = CLEARTYPE_QUALITY;
    else if (flags & FontAntialiased)
        quality = ANTIALIASED_QUALITY;
    else if (flags & FontNonAntialiased)
        quality = NONANTIALIASED_QUALITY;
    return Made(CreateFontW(height, 0, 0, 0, weight, (flags & FontItalic) != 0,
                            (flags & FontUnderline) != 0, (flags & FontStrikeOut) != 0,
                            static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            quality, DEFAULT_PITCH, face));
}

GdiObj MakeFontPoints(const wchar_t* face, int points, int dpi, int weight, uint32_t flags,
                      int charset)
{
    return MakeFont(face, MulDiv(points, dpi, 72), weight, flags, charset);
}

GdiObj MakeFontIndirect(const LOGFONTW* font)
{
    if (font == nullptr)
        return Made(GetStockObject(DEFAULT_GUI_FONT));
    return Made(CreateFontIndirectW(font));
}

COLORREF MixColors(COLORREF a, COLORREF b, int part, int whole)
{
    if (whole == 0)
        return a;
    // Wide products: a whole of millions must not overflow 32 bits.
    auto mix = [&](int64_t ca, int64_t cb) {
        int64_t w = whole, p = part;
        return static_cast<int>(((ca * (w - p)) / w + (cb * p) / w) & 0xFF);
    };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}
