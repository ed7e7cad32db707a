#include "editor/AboutDialog.h"

#include "base/UiLanguage.h"
#include "editor/Version.h"
#include "gui/Form.h"
#include "support/ModalWatch.h"
#include "support/Pump.h"
#include "support/Screenshot.h"

#include <doctest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data(), static_cast<size_t>(s.Length()));
}

class OwnerForm : public Form {
public:
    OwnerForm() { Create(MainWindow | NoTooltip, L"AboutTestOwner", nullptr, 1); }
};

std::vector<std::wstring> Opened;

void RecordOpen(HWND, const wchar_t* address)
{
    Opened.push_back(address);
}

const AboutShellCalls Recording = {RecordOpen};

int RunWith(std::function<void(HWND)> action)
{
    OwnerForm owner;
    owner.SetBounds({50, 50, 750, 650});
    owner.ShowNoActivate();
    WhenShown(AboutDialog::DonateId, action);
    return RunAboutDialog(&owner);
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 12 && std::abs(GetGValue(a) - GetGValue(b)) <= 12 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 12;
}

PixelImage PaintAbout(AboutDialog& d, int width, int height)
{
    void* bits = nullptr;
    GdiObj bitmap = MakeDibSection32(width, height, &bits);
    DeviceContext screen;
    screen.FromWindow(d.GetHwnd());
    DeviceContext memory;
    memory.Compatible(&screen);
    memory.SelectBitmap(bitmap);
    d.PaintInto(memory, RECT{0, 0, width, height});
    memory.Close();
    return ReadBitmapPixels(bitmap.Bitmap());
}

}  // namespace

TEST_CASE("the version line comes from the one version number")
{
    CHECK(ProgramVersion == 103);
    CHECK(W(VersionText(ProgramVersion)) == L"1.03");
    CHECK(W(VersionText(210)) == L"2.10");
    std::wstring en = W(AboutVersionLine(false));
    std::wstring pl = W(AboutVersionLine(true));
    CHECK(en.find(L"1.03") != std::wstring::npos);
    CHECK(en.find(L"64-bit") != std::wstring::npos);
    CHECK(en.find(ProgramReleaseDate) != std::wstring::npos);
    CHECK(pl.find(L"1.03") != std::wstring::npos);
    CHECK(pl.find(L"64") != std::wstring::npos);
    CHECK(pl.find(ProgramReleaseDate) != std::wstring::npos);
}

TEST_CASE("the logo is drawn 400 x 120 at 96 dpi and 600 x 180 at 144 dpi")
{
    OwnerForm owner;
    std::unique_ptr<AboutDialog> d(NewAboutDialog(&owner));
    REQUIRE_FALSE(d->logo.IsEmpty());
    PixelImage logo = ReadBitmapPixels(d->logo.Bitmap());
    REQUIRE(logo.width == 400);
    REQUIRE(logo.height == 120);
    COLORREF white = RGB(255, 255, 255);

    d->SetDpi(96);
    PixelImage p = PaintAbout(*d, 700, 400);
    CHECK(p.At(0, 0) == logo.At(0, 0));
    CHECK(p.At(399, 119) == logo.At(399, 119));
    CHECK(p.At(200, 110) == logo.At(200, 110));
    CHECK(p.At(400, 60) == white);
    CHECK(p.At(200, 120) == white);
    CHECK(logo.At(399, 60) != white);
    CHECK(logo.At(200, 119) != white);

    d->SetDpi(144);
    p = PaintAbout(*d, 700, 400);
    CHECK(Near(p.At(597, 90), logo.At(398, 60)));
    CHECK(Near(p.At(300, 177), logo.At(200, 118)));
    CHECK(p.At(601, 90) == white);
    CHECK(p.At(300, 181) == white);

    // The button band: face colour below a line of face and shadow mixed.
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    CHECK(p.At(10, 399) == face);
    CHECK(p.At(10, 250) == white);
}

TEST_CASE("Esc, Close and the close box end the dialog with 2; the page opens through the shell call")
{
    SetAboutShellCalls(&Recording);
    Opened.clear();
    std::wstring shot;
    int result = RunWith([&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, AboutDialog::DonateId, 0);
        PixelImage image = ReadWindowPixels(dialog);
        CHECK(SaveScreenshot(image, "about.png"));
        HWND close = GetDlgItem(dialog, IDOK);
        PostMessageW(close, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(close, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    });
    CHECK(result == 2);
    REQUIRE(Opened.size() == 1);
    CHECK(Opened[0] == AuthorPageAddress);

    result = RunWith([&](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    CHECK(result == 2);
    result = RunWith([&](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    CHECK(result == 2);
    SetAboutShellCalls(nullptr);
}
