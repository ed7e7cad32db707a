#include "GuiTestSupport.h"

#include "gui/ImageStrip.h"
#include "gui/Toolbar.h"
#include "support/CaughtError.h"
#include "support/Screenshot.h"

#include <random>
#include <string>
#include <vector>

namespace {

// The test strips: eight cells (14 pixels at 96 dpi, 28 at 192), each a
// square of its colour inside a magenta border of 2 (4) pixels, two magenta
// rows below; the 96-dpi cells have a 2 x 2 white dot in the middle.
const COLORREF cellColours[8] = {RGB(200, 30, 30), RGB(30, 160, 30), RGB(30, 30, 200),
                                 RGB(220, 180, 0), RGB(0, 170, 170), RGB(120, 60, 160),
                                 RGB(90, 90, 90),  RGB(250, 120, 40)};
const COLORREF white = RGB(255, 255, 255);

enum : uint32_t { CmdOpen = 1001, CmdSave, CmdWrap, CmdFind, CmdPrint };

// Open (cell 0, priority 1), Save (1, 5), Wrap toggle (2 and 3, 3), a line,
// Find (4, 5), a blank, Print (5, 2).
struct ToolbarForm {
    explicit ToolbarForm(int dpi, bool withStrip192 = true)
    {
        form.SetDpi(dpi);
        panel = new Panel(&form);
        panel->onCommand = [this](MessageRecord& m) { reports.push_back(m.wParam); };
        toolbar = NewToolbar(panel, 12100);
        // The 192-dpi strip comes when a DPI first needs it.
        if (withStrip192)
            toolbar->LoadImages(IDB_STRIP, IDB_STRIP + 1);
        else
            toolbar->LoadImages(IDB_STRIP);
        toolbar->AddButton(CmdOpen, L"Open", 0, 14, 14, 1);
        toolbar->AddButton(CmdSave, L"Save", 14, 14, 14, 5);
        toolbar->AddButton(CmdWrap, L"Wrap", 28, 14, 14, 3);
        toolbar->items.At(2).kind = ToolbarToggle;
        toolbar->AddSeparator(false);
        toolbar->AddButton(CmdFind, L"Find", 56, 14, 14, 5);
        toolbar->AddSeparator(true);
        toolbar->AddButton(CmdPrint, L"Print", 70, 14, 14, 2);
        form.SetBounds({50, 50, 650, 250});
        form.Show();
        panel->Show();
    }

    // Measures and places the toolbar at the panel's top-left.
    SizeLimits Place(int width)
    {
        SizeLimits limits;
        toolbar->Measure(limits);
        toolbar->SetBounds({0, 0, width, limits.minHeight + 4});
        return limits;
    }

    int TextWidth(const wchar_t* text)
    {
        DeviceContext dc = toolbar->WindowDC();
        dc.SelectFont(toolbar->GetFont());
        SIZE size;
        GetTextExtentPoint32W(dc.Hdc(), text, static_cast<int>(wcslen(text)), &size);
        return size.cx;
    }

    void MouseAt(UINT msg, int index, int dy = 0)
    {
        int x = toolbar->ItemLeft(index) + 3;
        int y = 5 + dy;
        POINT screen = toolbar->ClientToScreenPoint({x, y});
        SetCursorPos(screen.x, screen.y);
        SendMessageW(toolbar->hwnd, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                     MAKELPARAM(x, y));
    }

    TestForm form;
    Panel* panel;
    Toolbar* toolbar;
    std::vector<WPARAM> reports;
};

} // namespace

TEST_CASE("area averaging weighs the covered part of each pixel")
{
    CHECK(CoverageWeight(3, 5, 3.0, 4.0, 5.0, 6.0) == 1.0);
    CHECK(CoverageWeight(3, 5, 3.25, 3.75, 5.0, 6.0) == 0.5);
    CHECK(CoverageWeight(3, 5, 3.5, 9.0, 4.0, 5.25) == 0.125);
    CHECK(CoverageWeight(3, 5, 4.0, 9.0, 5.0, 6.0) == 0.0);

    ImageDib two = MakeTransparentDib(2, 1);
    uint8_t* a = two.Pixel(0, 0);
    uint8_t* b = two.Pixel(1, 0);
    a[0] = a[1] = a[2] = 0;
    a[3] = 255;
    b[0] = b[1] = b[2] = 255;
    b[3] = 255;
    uint8_t colour[4];
    AverageArea(two, 0.5, 1.5, 0.0, 1.0, colour);
    CHECK(colour[0] == 127);
    CHECK(colour[3] == 255);
    AverageArea(two, 0.0, 1.75, 0.0, 1.0, colour);
    CHECK(colour[1] == 109);  // 255 x 0.75 / 1.75, truncated
    CHECK(CaughtError([&] { AverageArea(two, 1.5, 2.5, 0.0, 1.0, colour); }).code == -2);
}

TEST_CASE("ScaleImageStrip makes eight cells for the DPI from the 192-dpi strip")
{
    TestForm form;
    DeviceContext dc = form.WindowDC();
    GdiObj strip = LoadBitmapResource(IDB_STRIP + 1);
    const COLORREF background = RGB(10, 20, 30);
    for (int dpi : {96, 144, 192}) {
        INFO(dpi);
        GdiObj scaled;
        ScaleImageStrip(scaled, dc, strip.Bitmap(), dpi, background);
        PixelImage image = ReadBitmapPixels(scaled.Bitmap());
        const int cell = MulDiv(28, dpi, 192), border = MulDiv(4, dpi, 192);
        REQUIRE(image.width == 8 * cell);
        REQUIRE(image.height == cell + 2);
        for (int i = 0; i < 8; i++) {
            int left = i * cell;
            CHECK(image.At(left + cell / 2, cell / 2) == cellColours[i]);
            CHECK(image.At(left + border, border) == cellColours[i]);
            CHECK(image.At(left + cell - border - 1, cell - border - 1) == cellColours[i]);
            CHECK(image.At(left + border - 1, cell / 2) == kMagenta);
            CHECK(image.At(left, 0) == kMagenta);
            CHECK(image.At(left + cell / 2, cell) == kMagenta);
            CHECK(image.At(left + cell / 2, cell + 1) == kMagenta);
        }
    }
    // 96 dpi: cells of 14 pixels in 112 x 16.
    GdiObj small;
    ScaleImageStrip(small, dc, strip.Bitmap(), 96, background);
    BITMAP info;
    GetObjectW(small.Bitmap(), sizeof info, &info);
    CHECK(info.bmWidth == 112);
    CHECK(info.bmHeight == 16);
}

TEST_CASE("the toolbar draws its images at 96, 144 and 192 dpi")
{
    for (int dpi : {96, 144, 192}) {
        INFO(dpi);
        ToolbarForm f(dpi);
        SizeLimits limits = f.Place(MulDiv(280, dpi, 96));
        const int size = MulDiv(14, dpi, 96);
        CHECK(limits.minHeight == size);
        CHECK(limits.maxHeight == size);
        CHECK(f.toolbar->currentDpi == dpi);
        // 96 dpi never loads the other strip.
        CHECK(f.toolbar->strip192.IsEmpty() == (dpi == 96));
        if (dpi == 96)
            CHECK(f.toolbar->currentStrip.Handle() == f.toolbar->strip96.Handle());
        else if (dpi == 192)
            CHECK(f.toolbar->currentStrip.Handle() == f.toolbar->strip192.Handle());
        for (int64_t i = 0; i < f.toolbar->items.Count(); i++)
            if (f.toolbar->items.At(i).kind <= ToolbarToggle)
                CHECK(f.toolbar->items.At(i).drawnWidth == size);

        // The toggle is on: its second image (cell 3) is drawn.
        f.toolbar->SetChecked(CmdWrap, true);
        // Hover over Save shows it lit.
        f.MouseAt(WM_MOUSEMOVE, 1);
        RedrawWindow(f.toolbar->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PixelImage shot = ReadWindowPixels(f.toolbar->hwnd);
        REQUIRE(shot.width > 0);
        SaveScreenshot(shot, ("toolbar-" + std::to_string(dpi) + "dpi.png").c_str());

        const int top = (shot.height - size) / 2;
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const int cells[] = {0, 1, 3, -1, 4, -1, 5};
        for (int i = 0; i < 7; i++) {
            if (cells[i] < 0)
                continue;
            INFO("item " << i);
            int left = f.toolbar->ItemLeft(i);
            COLORREF middle = shot.At(left + size / 2, top + size / 2);
            // The 96-dpi strip has its dot; the others come from the 192-dpi one.
            CHECK(middle == (dpi == 96 ? white : cellColours[cells[i]]));
            CHECK(shot.At(left + size / 2, top + size / 2 + 2 * size / 7) == cellColours[cells[i]]);
            COLORREF paper = i == 1 ? COLORREF(0xFCCECC) : face;
            CHECK(shot.At(left + 1, top + 1) == paper);
        }
        // A caption is drawn beside Open's image, lowest priority first.
        CHECK(f.toolbar->items.At(0).textShown);
    }
}

TEST_CASE("without a 192-dpi strip every DPI draws the 96-dpi images")
{
    ToolbarForm f(144, false);
    SizeLimits limits = f.Place(600);
    CHECK(limits.minHeight == 14);
    CHECK(f.toolbar->items.At(1).drawnWidth == 14);
    CHECK(f.toolbar->currentStrip.Handle() == f.toolbar->strip96.Handle());
}

TEST_CASE("narrow toolbars drop the highest priority first, wide ones caption the lowest first")
{
    ToolbarForm f(96);
    auto advances = [&] {
        std::vector<int> a;
        for (int64_t i = 0; i < f.toolbar->items.Count(); i++)
            a.push_back(f.toolbar->items.At(i).advance);
        return a;
    };
    // 5 x 14 + 2 x 5 = 80 pixels of images.
    f.Place(70);
    CHECK(advances() == std::vector<int>{14, 14, 14, 5, 0, 5, 14});
    f.Place(50);
    CHECK(advances() == std::vector<int>{14, 0, 0, 5, 0, 5, 14});
    f.Place(3);
    CHECK(advances() == std::vector<int>{0, 0, 0, 5, 0, 5, 0});

    const int open = f.TextWidth(L"Open") + 8, print = f.TextWidth(L"Print") + 8;
    f.Place(80 + open + print);
    CHECK(advances() == std::vector<int>{14 + open, 14, 14, 5, 14, 5, 14 + print});
    // One pixel short for Print's caption: it stops there, although Wrap's
    // (next in order) might have fitted.
    f.toolbar->SetButtonText(CmdPrint, L"Print the whole text");
    const int longPrint = f.TextWidth(L"Print the whole text") + 8;
    f.Place(80 + open + longPrint - 1);
    CHECK(advances() == std::vector<int>{14 + open, 14, 14, 5, 14, 5, 14});
    CHECK(f.toolbar->ItemAt(0) == 0);
    CHECK(f.toolbar->ItemAt(14 + open) == 1);
    CHECK(f.toolbar->ItemAt(80 + open) == -1);

    // Both fixed widths: exactly the images, never captions.
    f.toolbar->fixedMinWidth = f.toolbar->fixedMaxWidth = 1;
    SizeLimits limits = f.Place(400);
    CHECK(limits.minWidth == 80);
    CHECK(limits.maxWidth == 80);
    CHECK(advances() == std::vector<int>{14, 14, 14, 5, 14, 5, 14});
}

TEST_CASE("pressing, moving off and releasing sends nothing; moving back on sends once")
{
    ToolbarForm f(96);
    f.Place(80);
    Toolbar& t = *f.toolbar;
    f.MouseAt(WM_MOUSEMOVE, 0);
    REQUIRE(t.hover == 0);
    POINT over = t.ClientToScreenPoint({3, 5});
    CHECK(std::wstring(t.HintAt(over)) == L"Open");
    CHECK(t.HintIdAt(over) == CmdOpen);

    f.MouseAt(WM_LBUTTONDOWN, 0);
    CHECK(t.pressed == 0);
    CHECK(t.HasCapture());
    CHECK(t.HintAt(over) == nullptr);
    // Off the toolbar, then over another button: neither counts as the pressed one.
    f.MouseAt(WM_MOUSEMOVE, 0, 40);
    CHECK(t.hover == -1);
    f.MouseAt(WM_MOUSEMOVE, 1);
    f.MouseAt(WM_LBUTTONUP, 1);
    CHECK(f.reports.empty());
    CHECK(t.pressed == -1);
    CHECK_FALSE(t.HasCapture());

    f.MouseAt(WM_LBUTTONDOWN, 6);
    f.MouseAt(WM_MOUSEMOVE, 6, 40);
    f.MouseAt(WM_MOUSEMOVE, 6);
    f.MouseAt(WM_LBUTTONUP, 6);
    REQUIRE(f.reports.size() == 1);
    CHECK(LOWORD(f.reports[0]) == CmdPrint);
    CHECK(HIWORD(f.reports[0]) == 12100);

    // A toggle set twice repaints only the first time.
    ValidateRect(t.hwnd, nullptr);
    t.SetChecked(CmdWrap, true);
    CHECK(GetUpdateRect(t.hwnd, nullptr, FALSE));
    ValidateRect(t.hwnd, nullptr);
    t.SetChecked(CmdWrap, true);
    CHECK_FALSE(GetUpdateRect(t.hwnd, nullptr, FALSE));
    CHECK(t.IsChecked(CmdWrap));
    CHECK_FALSE(t.IsChecked(4242));
    t.SetChecked(4242, true);
    CHECK(t.FindCommand(4242) == -1);
}

TEST_CASE("a disabled button is drawn greyed from the same strip, never lit, and takes no click")
{
    for (int dpi : {96, 144}) {
        INFO(dpi);
        ToolbarForm f(dpi);
        f.Place(MulDiv(80, dpi, 96));
        Toolbar& t = *f.toolbar;
        t.SetEnabled(CmdSave, false);
        t.SetEnabled(CmdSave, false);
        CHECK_FALSE(t.IsEnabled(CmdSave));
        CHECK(t.IsEnabled(CmdOpen));
        CHECK_FALSE(t.IsEnabled(4242));
        // Hovered and pressed: no lit paper, no capture, nothing sent.
        f.MouseAt(WM_MOUSEMOVE, 1);
        f.MouseAt(WM_LBUTTONDOWN, 1);
        CHECK(t.pressed == -1);
        CHECK_FALSE(t.HasCapture());
        f.MouseAt(WM_LBUTTONUP, 1);
        CHECK(f.reports.empty());
        RedrawWindow(t.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PixelImage shot = ReadWindowPixels(t.hwnd);
        SaveScreenshot(shot, ("toolbar-disabled-" + std::to_string(dpi) + "dpi.png").c_str());
        const int size = MulDiv(14, dpi, 96), top = (shot.height - size) / 2;
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const int left = t.ItemLeft(1);
        CHECK(shot.At(left + 1, top + 1) == face);
        // The cell's colour as a grey level, halfway to the face colour.
        const COLORREF c = cellColours[1];
        const int grey = (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000;
        const COLORREF faded = RGB((grey + GetRValue(face)) / 2, (grey + GetGValue(face)) / 2,
                                   (grey + GetBValue(face)) / 2);
        CHECK(shot.At(left + size / 2, top + size / 2 + 2 * size / 7) == faded);
        // The border stays transparent; the neighbours keep their colours.
        CHECK(shot.At(left, top + size / 2) == face);
        CHECK(shot.At(t.ItemLeft(0) + size / 2, top + size / 2 + 2 * size / 7) == cellColours[0]);
        // Enabled again, it is drawn and clicked as before.
        t.SetEnabled(CmdSave, true);
        RedrawWindow(t.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        shot = ReadWindowPixels(t.hwnd);
        CHECK(shot.At(left + size / 2, top + size / 2 + 2 * size / 7) == c);
        f.MouseAt(WM_LBUTTONDOWN, 1);
        f.MouseAt(WM_LBUTTONUP, 1);
        REQUIRE(f.reports.size() == 1);
        CHECK(LOWORD(f.reports[0]) == CmdSave);
        // Greyed while held: the press is dropped and the release sends nothing.
        f.MouseAt(WM_LBUTTONDOWN, 1);
        t.SetEnabled(CmdSave, false);
        CHECK(t.pressed == -1);
        CHECK_FALSE(t.HasCapture());
        f.MouseAt(WM_LBUTTONUP, 1);
        CHECK(f.reports.size() == 1);
    }
}

namespace {

// A screen-compatible strip of random pixels, about a third of them magenta.
GdiObj RandomStrip(const DeviceContext& dc, std::mt19937& random, int width, int height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (uint32_t& p : pixels)
        p = random() % 3 == 0 ? 0xFF00FF : random() & 0xFFFFFF;
    GdiObj strip = MakeCompatibleBitmap(dc, width, height);
    BITMAPINFO format = TopDown32Info(width, height);
    REQUIRE(SetDIBits(dc.Hdc(), strip.Bitmap(), 0, static_cast<UINT>(height), pixels.data(), &format,
                      DIB_RGB_COLORS) == height);
    return strip;
}

// A 32-bit canvas of random pixels.
GdiObj RandomCanvas(std::mt19937& random, int width, int height)
{
    void* bits = nullptr;
    GdiObj canvas = MakeDibSection32(width, height, &bits);
    uint32_t* p = static_cast<uint32_t*>(bits);
    for (int i = 0; i < width * height; i++)
        p[i] = random() & 0xFFFFFF;
    return canvas;
}

} // namespace

TEST_CASE("a keyed strip draws the pixels TransparentBlt draws with the magenta key")
{
    TestForm form;
    DeviceContext dc = form.WindowDC();
    std::mt19937 random(20261209);
    KeyedStrip keyed;
    GdiObj strip;
    const int canvasWidth = 60, canvasHeight = 40;
    for (int round = 0; round < 6; round++) {
        INFO(round);
        // A new strip every other round: the drawer must notice the change.
        if (round % 2 == 0)
            strip = RandomStrip(dc, random, 40 + round, 20 + round);
        GdiObj canvas = RandomCanvas(random, canvasWidth, canvasHeight);
        PixelImage before = ReadBitmapPixels(canvas.Bitmap());
        GdiObj expected = RandomCanvas(random, canvasWidth, canvasHeight);
        HDC expectedDc = CreateCompatibleDC(dc.Hdc());
        HDC canvasDc = CreateCompatibleDC(dc.Hdc());
        HDC stripDc = CreateCompatibleDC(dc.Hdc());
        HGDIOBJ a = SelectObject(expectedDc, expected.Handle());
        HGDIOBJ b = SelectObject(canvasDc, canvas.Handle());
        BitBlt(expectedDc, 0, 0, canvasWidth, canvasHeight, canvasDc, 0, 0, SRCCOPY);
        for (int k = 0; k < 8; k++) {
            int w = 1 + static_cast<int>(random() % 16), h = 1 + static_cast<int>(random() % 16);
            int sx = static_cast<int>(random() % (40 - 16)), sy = static_cast<int>(random() % (20 - 16));
            int x = static_cast<int>(random() % (canvasWidth - 16)), y = static_cast<int>(random() % (canvasHeight - 16));
            HGDIOBJ c = SelectObject(stripDc, strip.Handle());
            TransparentBlt(expectedDc, x, y, w, h, stripDc, sx, sy, w, h, kMagenta);
            SelectObject(stripDc, c);
            keyed.Draw(canvasDc, strip, x, y, w, h, sx, sy);
        }
        SelectObject(expectedDc, a);
        SelectObject(canvasDc, b);
        DeleteDC(expectedDc);
        DeleteDC(canvasDc);
        DeleteDC(stripDc);
        PixelImage drawn = ReadBitmapPixels(canvas.Bitmap());
        PixelImage wanted = ReadBitmapPixels(expected.Bitmap());
        REQUIRE(drawn.pixels.size() == wanted.pixels.size());
        int differing = 0, changed = 0;
        for (size_t i = 0; i < drawn.pixels.size(); i++) {
            differing += (drawn.pixels[i] & 0xFFFFFF) != (wanted.pixels[i] & 0xFFFFFF);
            changed += (drawn.pixels[i] & 0xFFFFFF) != (before.pixels[i] & 0xFFFFFF);
        }
        CHECK(differing == 0);
        CHECK(changed > 0);
    }
}

