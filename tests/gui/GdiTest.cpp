#include "gui/Gdi.h"

#include "base/Error.h"

#include <doctest.h>

#include <thread>

namespace {

bool IsLive(HGDIOBJ h)
{
    return GetObjectType(h) != 0;
}

bool IconLives(HICON icon)
{
    ICONINFO info;
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

HICON MakeTestIcon()
{
    BYTE andMask[32 * 4] = {};
    BYTE xorMask[32 * 4] = {};
    return CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

LOGFONTW FontInfo(const GdiObj& font)
{
    LOGFONTW lf = {};
    GetObjectW(font.Handle(), sizeof(lf), &lf);
    return lf;
}

} // namespace

TEST_CASE("the last owner of a GDI handle deletes it, never an earlier one")
{
    HGDIOBJ h;
    GdiObj* second;
    {
        GdiObj first = MakeSolidBrush(RGB(1, 2, 3));
        h = first.Handle();
        second = new GdiObj(first);
        CHECK(second->Handle() == h);
        CHECK(first.next == second);
        CHECK(second->next == &first);
    }
    CHECK(IsLive(h));
    delete second;
    CHECK_FALSE(IsLive(h));
}

TEST_CASE("assigning an owner another handle releases the old one when it was alone")
{
    GdiObj a = MakeSolidBrush(RGB(10, 0, 0));
    GdiObj b = MakeSolidBrush(RGB(0, 10, 0));
    HGDIOBJ old = a.Handle();
    a = b;
    CHECK_FALSE(IsLive(old));
    CHECK(a.Handle() == b.Handle());

    GdiObj c = MakeSolidBrush(RGB(0, 0, 10));
    GdiObj d(c);
    HGDIOBJ shared = c.Handle();
    c = b;
    CHECK(IsLive(shared));
    CHECK(d.Handle() == shared);
    CHECK(d.next == &d);
}

TEST_CASE("assigning an owner to itself or to an owner of its own handle changes nothing")
{
    GdiObj a = MakeSolidPen(RGB(0, 0, 0), 1);
    HGDIOBJ h = a.Handle();
    GdiObj& alias = a;
    a = alias;
    CHECK(a.Handle() == h);
    CHECK(IsLive(h));

    GdiObj b(a);
    b = a;
    a = b;
    CHECK(a.Handle() == h);
    CHECK(b.Handle() == h);
    CHECK(a.next == &b);
    CHECK(b.next == &a);
    a.Clear();
    CHECK(IsLive(h));
    b.Clear();
    CHECK_FALSE(IsLive(h));
}

TEST_CASE("an empty owner copied or cleared stays empty")
{
    GdiObj empty;
    GdiObj copy(empty);
    CHECK(copy.IsEmpty());
    CHECK(copy.next == &copy);
    copy.Clear();
    CHECK(copy.IsEmpty());
    CHECK(copy.extra == 0);
}

TEST_CASE("icons: a shared system icon is never destroyed, an own icon by its last owner")
{
    HICON system = LoadIconW(nullptr, IDI_APPLICATION);
    {
        Icon a;
        a.Adopt(system, true);
        Icon b(a);
        CHECK(b.shared == 1);
    }
    CHECK(IconLives(system));

    HICON own = MakeTestIcon();
    REQUIRE(own);
    Icon* first = new Icon();
    first->Adopt(own, false);
    Icon second(*first);
    delete first;
    CHECK(IconLives(own));
    second.Clear();
    CHECK_FALSE(IconLives(own));
    CHECK(second.shared == 1);
}

TEST_CASE("menus: sub-menu owners share the ring of the loaded menu")
{
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 5, L"Item");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"Popup");

    Menu sub;
    {
        Menu root;
        root.Adopt(bar);
        sub = root.SubMenu();
        CHECK(sub.Handle() == popup);
        CHECK(sub.root == bar);
    }
    CHECK(IsMenu(bar));
    sub.AppendSeparator();
    CHECK(GetMenuItemCount(popup) == 2);
    CHECK(GetMenuItemID(popup, 1) == 99);
    sub.Clear();
    CHECK_FALSE(IsMenu(bar));
    CHECK(sub.IsEmpty());

    Menu empty;
    CHECK_THROWS_AS(empty.SubMenu(), InternalError);
    CHECK_THROWS_AS(empty.AppendSeparator(), InternalError);

    Menu leaf;
    leaf.Adopt(CreatePopupMenu());
    CHECK_THROWS_AS(leaf.SubMenu(), Error);
    // A stale out-of-memory code from an earlier call is no reason to claim
    // memory ran out.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    CHECK_THROWS_AS(leaf.SubMenu(), WinError);
}

TEST_CASE("a device context puts back what it selected and keeps held objects alive")
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    HDC hdc = dc.Hdc();
    REQUIRE(hdc);
    HGDIOBJ originalFont = GetCurrentObject(hdc, OBJ_FONT);
    HGDIOBJ originalBrush = GetCurrentObject(hdc, OBJ_BRUSH);

    HGDIOBJ font;
    {
        GdiObj f = MakeFont(L"Arial", 20, 400, 0, DEFAULT_CHARSET);
        font = f.Handle();
        dc.SelectFont(f);
        dc.SelectBrush(MakeSolidBrush(RGB(1, 1, 1)));
    }
    CHECK(GetCurrentObject(hdc, OBJ_FONT) == font);
    CHECK(IsLive(font));

    dc.RestoreFont();
    CHECK(GetCurrentObject(hdc, OBJ_FONT) == originalFont);
    CHECK_FALSE(IsLive(font));
    dc.RestoreBrush();
    CHECK(GetCurrentObject(hdc, OBJ_BRUSH) == originalBrush);
}

TEST_CASE("closing the last copy of a device context deselects before deleting")
{
    GdiObj kept;
    HGDIOBJ dropped;
    {
        DeviceContext screen;
        screen.FromWindow(nullptr);
        DeviceContext dc;
        dc.Compatible(&screen);
        kept = MakeCompatibleBitmap(screen, 8, 8);
        dc.SelectBitmap(kept);
        GdiObj pen = MakeSolidPen(RGB(9, 9, 9), 1);
        dropped = pen.Handle();
        dc.SelectPen(pen);

        DeviceContext copy(dc);
        dc.Close();
        CHECK(copy.Hdc() != nullptr);
        CHECK(GetCurrentObject(copy.Hdc(), OBJ_BITMAP) == kept.Handle());
    }
    CHECK_FALSE(IsLive(dropped));
    REQUIRE(IsLive(kept.Handle()));
    // Deselected: another memory DC can take it.
    DeviceContext other;
    other.Compatible(nullptr);
    HGDIOBJ before = SelectObject(other.Hdc(), kept.Handle());
    CHECK(before != nullptr);
    SelectObject(other.Hdc(), before);
}

TEST_CASE("a device context made compatible with itself keeps its source until made")
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    DcRecord* first = dc.record;
    dc.Compatible(&dc);
    CHECK(dc.Hdc() != nullptr);
    CHECK(dc.record != first);
    CHECK(dc.record->references == 1);
    CHECK(dc.record->kind == DeviceContext::Memory);
}

TEST_CASE("selecting the font already held keeps the measured line height")
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    GdiObj f = MakeFont(L"Arial", 30, 400, 0, DEFAULT_CHARSET);
    dc.SelectFont(f);
    int height = dc.LineHeight();
    CHECK(height > 20);
    CHECK(dc.record->lineHeight == height);
    dc.SelectFont(f);
    CHECK(dc.record->lineHeight == height);
    dc.SelectFont(MakeFont(L"Arial", 12, 400, 0, DEFAULT_CHARSET));
    CHECK(dc.record->lineHeight == -1);
    CHECK(dc.LineHeight() < height);
}

TEST_CASE("measuring lines splits at CR, LF and CR LF and ignores a final break")
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    dc.SelectFont(MakeFont(L"Arial", 16, 400, 0, DEFAULT_CHARSET));
    int line = dc.LineHeight();
    SIZE wide;
    GetTextExtentPoint32W(dc.Hdc(), L"widest line", 11, &wide);

    const wchar_t three[] = L"a\r\nwidest line\rb";
    SIZE s = dc.MeasureLines(three, 16);
    CHECK(s.cy == 3 * line);
    CHECK(s.cx == wide.cx);

    CHECK(dc.MeasureLines(L"widest line", 11).cy == line);
    CHECK(dc.MeasureLines(L"widest line\r\n", 13).cy == line);
    CHECK(dc.MeasureLines(L"a\n\nb", 4).cy == 3 * line);
    SIZE none = dc.MeasureLines(L"", 0);
    CHECK(none.cx == 0);
    CHECK(none.cy == 0);

    DeviceContext closed;
    SIZE guessed = closed.MeasureLines(L"abc\ndefgh", 9);
    CHECK(guessed.cx == 50);
    CHECK(guessed.cy == 40);
}

TEST_CASE("the face name is the one of the selected font")
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    dc.SelectFont(MakeFont(L"Liberation Sans", 16, 400, 0, DEFAULT_CHARSET));
    CHECK(dc.FaceName().Equals(L"Liberation Sans"));
    DeviceContext closed;
    CHECK(closed.FaceName().Length() == 0);
}

TEST_CASE("fonts: flags, quality and a height in points")
{
    LOGFONTW lf = FontInfo(
        MakeFont(L"Arial", -13, 700, FontItalic | FontUnderline | FontStrikeOut | FontClearType,
                 DEFAULT_CHARSET));
    CHECK(lf.lfHeight == -13);
    CHECK(lf.lfWeight == 700);
    CHECK(lf.lfItalic);
    CHECK(lf.lfUnderline);
    CHECK(lf.lfStrikeOut);
    CHECK(lf.lfQuality == CLEARTYPE_QUALITY);
    CHECK(FontInfo(MakeFont(L"Arial", 10, 400, FontAntialiased, 0)).lfQuality ==
          ANTIALIASED_QUALITY);
    CHECK(FontInfo(MakeFont(L"Arial", 10, 400, FontNonAntialiased, 0)).lfQuality ==
          NONANTIALIASED_QUALITY);
    CHECK(FontInfo(MakeFont(L"Arial", 10, 400, 0, 0)).lfQuality == DEFAULT_QUALITY);

    CHECK(FontInfo(MakeFontPoints(L"Arial", 10, 144, 400, 0, DEFAULT_CHARSET)).lfHeight == 20);
    CHECK(FontInfo(MakeFontPoints(L"Arial", -9, 96, 400, 0, DEFAULT_CHARSET)).lfHeight == -12);
    CHECK(MakeFontIndirect(nullptr).Handle() == GetStockObject(DEFAULT_GUI_FONT));
}

TEST_CASE("operations on a closed device context do nothing or throw InternalError")
{
    DeviceContext closed;
    CHECK(closed.LineHeight() == 20);
    closed.SelectFont(MakeFont(L"Arial", 10, 400, 0, 0));
    closed.RestoreFont();
    closed.FrameRect({0, 0, 5, 5}, 0, 1);
    closed.GradientV({0, 0, 5, 5}, 0, 0);
    CHECK_THROWS_AS(MakeCompatibleBitmap(closed, 4, 4), InternalError);
}

namespace {

// A 10 by 10 bitmap in a memory DC, white to start.
struct Canvas {
    DeviceContext dc;
    Canvas()
    {
        DeviceContext screen;
        screen.FromWindow(nullptr);
        dc.Compatible(&screen);
        dc.SelectBitmap(MakeCompatibleBitmap(screen, 10, 10));
        dc.FillRect({0, 0, 10, 10}, RGB(255, 255, 255));
    }
    COLORREF At(int x, int y) { return GetPixel(dc.Hdc(), x, y); }
};

} // namespace

TEST_CASE("frames are drawn as strips of the given thickness and colours")
{
    Canvas c;
    COLORREF red = RGB(255, 0, 0);
    c.dc.FrameRect({0, 0, 10, 10}, red, 2);
    CHECK(c.At(0, 0) == red);
    CHECK(c.At(1, 5) == red);
    CHECK(c.At(8, 5) == red);
    CHECK(c.At(5, 9) == red);
    CHECK(c.At(5, 1) == red);
    CHECK(c.At(2, 2) == RGB(255, 255, 255));
    CHECK(c.At(7, 7) == RGB(255, 255, 255));

    Canvas d;
    COLORREF l = RGB(255, 0, 0), r = RGB(0, 255, 0), t = RGB(0, 0, 255), b = RGB(0, 0, 0);
    d.dc.FrameRect4({0, 0, 10, 10}, l, r, t, b);
    CHECK(d.At(0, 0) == l);
    CHECK(d.At(0, 9) == l);
    CHECK(d.At(9, 0) == r);
    CHECK(d.At(5, 0) == t);
    CHECK(d.At(5, 9) == b);
    CHECK(d.At(5, 5) == RGB(255, 255, 255));
}

TEST_CASE("a vertical gradient runs from the top colour to the bottom colour")
{
    Canvas c;
    c.dc.GradientV({0, 0, 10, 10}, RGB(0, 0, 0), RGB(250, 250, 250));
    COLORREF top = c.At(5, 0), bottom = c.At(5, 9);
    CHECK(GetRValue(top) < 30);
    CHECK(GetRValue(bottom) > 200);
    CHECK(GetRValue(c.At(5, 4)) > GetRValue(top));
    CHECK(GetRValue(c.At(5, 4)) < GetRValue(bottom));
}

TEST_CASE("mixing colours")
{
    CHECK(MixColors(RGB(0, 0, 0), RGB(255, 255, 255), 1, 2) == RGB(127, 127, 127));
    CHECK(MixColors(RGB(10, 20, 30), RGB(200, 100, 50), 0, 5) == RGB(10, 20, 30));
    CHECK(MixColors(RGB(10, 20, 30), RGB(200, 100, 50), 5, 5) == RGB(200, 100, 50));
    // Each term truncates on its own: 255 * 2 / 3 + 255 * 1 / 3 = 170 + 85.
    CHECK(MixColors(RGB(255, 0, 0), RGB(255, 0, 0), 1, 3) == RGB(255, 0, 0));
    CHECK(MixColors(RGB(100, 0, 0), RGB(0, 0, 100), 1, 3) == RGB(66, 0, 33));
    CHECK(MixColors(RGB(1, 2, 3), RGB(4, 5, 6), 3, 0) == RGB(1, 2, 3));
}

TEST_CASE("mixing colours over a whole of hundreds of millions")
{
    const int whole = 400000000;
    CHECK(MixColors(RGB(200, 0, 100), RGB(0, 200, 100), whole / 2, whole) ==
          RGB(100, 100, 100));
    CHECK(MixColors(RGB(255, 255, 255), RGB(0, 0, 0), whole, whole) == RGB(0, 0, 0));
    CHECK(MixColors(RGB(255, 255, 255), RGB(0, 0, 0), 0, whole) == RGB(255, 255, 255));
}

TEST_CASE("a bitmap resource of the application")
{
    enum { IDB_TEST = 401 };
    GdiObj bitmap = LoadBitmapResource(IDB_TEST);
    REQUIRE_FALSE(bitmap.IsEmpty());
    BITMAP info = {};
    REQUIRE(GetObjectW(bitmap.Handle(), sizeof(info), &info));
    CHECK(info.bmWidth == 4);
    CHECK(info.bmHeight == 2);
    GdiObj same = LoadBitmapResource(GetModuleHandleW(nullptr), IDB_TEST);
    BITMAP other = {};
    GetObjectW(same.Handle(), sizeof(other), &other);
    CHECK(other.bmWidth == 4);

    CHECK_THROWS_AS(LoadBitmapResource(9999), Error);
    bool internal = false;
    std::thread([&] {
        try {
            LoadBitmapResource(IDB_TEST);
        } catch (const InternalError&) {
            internal = true;
        }
    }).join();
    CHECK(internal);
}
