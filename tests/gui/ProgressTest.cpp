#include "GuiTestSupport.h"

#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"
#include "gui/Button.h"
#include "gui/Label.h"
#include "gui/ProgressBar.h"
#include "gui/ProgressDialog.h"
#include "support/Screenshot.h"

#include <string>

namespace {

// The ticks the dialog sees, set by the test.
DWORD FakeNow = 0;
DWORD WINAPI FakeTicks()
{
    return FakeNow;
}

std::wstring Text(Control* c)
{
    return std::wstring(c->GetText().CStr());
}

struct ProgressFixture {
    TestForm main;
    ProgressDialog* dialog;
    explicit ProgressFixture(DWORD start)
    {
        main.SetBounds({100, 100, 700, 500});
        main.Show();
        FakeNow = start;
        dialog = NewProgressDialog(&main, L"Working");
        dialog->tickSource = FakeTicks;
    }
    ~ProgressFixture() { delete dialog; }
    bool StepAt(DWORD now, int64_t position)
    {
        FakeNow = now;
        return dialog->Step(position);
    }
};

} // namespace

TEST_CASE("progress shows after 801 ms and estimates from 4 s on, also where the ticks wrap")
{
    for (DWORD start : {DWORD(1000), DWORD(0x7FFFFF00), DWORD(0xFFFFFF00)}) {
        CAPTURE(start);
        ProgressFixture f(start);
        ProgressDialog* d = f.dialog;
        d->Start(L"Saving", L"file.txt", L"C:\\texts");
        CHECK(!IsWindowEnabled(f.main.hwnd));
        CHECK(Text(d->line1) == L"file.txt");
        CHECK(d->total == 100);
        CHECK(d->lastPosition == -1);

        CHECK(!f.StepAt(start + 100, 5));
        CHECK(!d->IsShown());
        CHECK(d->lastPosition == 5);
        CHECK(!f.StepAt(start + 750, 10));
        CHECK(!d->IsShown());
        CHECK(!f.StepAt(start + 801, 12));
        CHECK(d->IsShown());
        CHECK(d->bar->position == 12);
        CHECK(Text(d->estimate).empty());
        CHECK(GetFocus() == d->cancelButton->hwnd);
        // Within 50 ms nothing moves.
        f.StepAt(start + 840, 20);
        CHECK(d->bar->position == 12);
        CHECK(d->lastPosition == 12);

        f.StepAt(start + 4000, 20);
        CHECK(Text(d->estimate).empty());
        // 4.5 s with p = 25 of 100: 75 x 1.3 x 4 / 25 + 1 = 16.6.
        f.StepAt(start + 4500, 25);
        CHECK(Text(d->estimate) == L"Estimated remaining time 16 sec.");
        CHECK(d->bar->position == 25);
        // Next estimate no sooner than 2 s later.
        f.StepAt(start + 6000, 50);
        CHECK(Text(d->estimate) == L"Estimated remaining time 16 sec.");
        f.StepAt(start + 6501, 50);
        CHECK(Text(d->estimate) == L"Estimated remaining time 8 sec.");

        d->Finish();
        CHECK(IsWindowEnabled(f.main.hwnd));
        CHECK(!d->IsShown());
        CHECK(Text(d->line1).empty());
        CHECK(Text(d->estimate).empty());
    }
}

TEST_CASE("progress estimates: minutes above 120 s, never negative past the total")
{
    wchar_t text[100];
    FormatProgressEstimate(text, 100, 100, 25, 4);
    CHECK(std::wstring(text) == L"Estimated remaining time 16 sec.");
    // (100 - 50) x 1.3 x 1837 / 50 + 1 = 2389 s.
    FormatProgressEstimate(text, 100, 100, 50, 1837);
    CHECK(std::wstring(text) == L"Estimated remaining time 39 min.");
    // 905 x 1.3 / 10 + 1 = 118.65 stays in seconds; 1146 x 1.3 / 10 + 1 =
    // 149.98 becomes 2 minutes.
    FormatProgressEstimate(text, 100, 915, 10, 1);
    CHECK(std::wstring(text) == L"Estimated remaining time 118 sec.");
    FormatProgressEstimate(text, 100, 1156, 10, 1);
    CHECK(std::wstring(text) == L"Estimated remaining time 2 min.");
    FormatProgressEstimate(text, 100, 100, 500, 30);
    CHECK(std::wstring(text) == L"Estimated remaining time 1 sec.");
    FormatProgressEstimate(text, 100, INT64_MAX, 1, 4000000);
    CHECK(std::wstring(text) == L"Estimated remaining time 2147483647 min.");
    SetUiLanguageId(0x415);
    FormatProgressEstimate(text, 100, 100, 25, 4);
    CHECK(std::wstring(text) == L"Szacowany pozostały czas 16 sek.");
    SetUiLanguageId(0x409);
}

TEST_CASE("a short operation never shows; Cancel, Escape, Enter and the close box cancel")
{
    ProgressFixture f(5000);
    ProgressDialog* d = f.dialog;
    d->Start(L"Quick", L"", L"");
    f.StepAt(5100, 1);
    f.StepAt(5800, 2);
    d->Finish();
    CHECK(!d->IsShown());
    CHECK(IsWindowEnabled(f.main.hwnd));

    for (UINT message : {0u, 1u, 2u, 3u}) {
        CAPTURE(message);
        DWORD t = 10000 + message * 10000;
        d->Start(L"Long", L"a", L"b");
        CHECK(!f.StepAt(t + 900, 1));
        if (message == 0)
            SendMessageW(d->cancelButton->hwnd, BM_CLICK, 0, 0);
        else if (message == 1)
            PostMessageW(d->hwnd, WM_COMMAND, IDOK, 0);
        else if (message == 2)
            PostMessageW(d->hwnd, WM_COMMAND, IDCANCEL, 0);
        else
            PostMessageW(d->hwnd, WM_CLOSE, 0, 0);
        CHECK(f.StepAt(t + 1000, 2));
        CHECK(d->IsShown());
        d->Finish();
    }

    // Two reports 10 ms apart: the second runs no messages.
    d->Start(L"Pumps", L"", L"");
    f.StepAt(50000, 1);
    bool ran = false;
    f.main.onApp = [&](MessageRecord&) { ran = true; };
    PostMessageW(f.main.hwnd, WM_APP + 1, 0, 0);
    CHECK(!f.StepAt(50010, 2));
    CHECK(!ran);
    CHECK(!f.StepAt(50060, 3));
    CHECK(ran);
    d->Finish();
}

TEST_CASE("the owner stays disabled from start to finish, an alert in between; its quit flag stays")
{
    ProgressFixture f(1000);
    ProgressDialog* d = f.dialog;
    d->Start(L"Replacing", L"", L"");
    f.StepAt(2000, 10);
    // An alert of the operation, owned by the shown dialog, answered by a key.
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND box = GetActiveWindow();
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    ShowAlert(d, L"Replace all?", L"Replace", L"+OK", 0);
    CHECK(!IsWindowEnabled(f.main.hwnd));
    f.main.quit = 1;
    f.StepAt(2100, 20);
    CHECK(f.main.quit == 1);
    d->Finish();
    CHECK(IsWindowEnabled(f.main.hwnd));

    // A screenshot of the dialog at work.
    d->Start(L"Saving - Scrivel", L"Saving the text", L"C:\\texts\\long file.txt");
    d->SetTotal(1000);
    f.StepAt(3000, 250);
    f.StepAt(8000, 400);
    REQUIRE(d->IsShown());
    RedrawWindow(d->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    CHECK(SaveScreenshot(ReadWindowPixels(d->hwnd), "progress-dialog.png"));
    d->Finish();
}

TEST_CASE("the progress bar fills to its position and prints the percentage")
{
    TestForm form;
    form.SetBounds({100, 100, 500, 300});
    Panel* panel = new Panel(&form);
    panel->SetBounds({0, 0, 400, 100});
    panel->Show();
    ProgressBar* bar = NewProgressBar(panel, 150);
    form.Show();
    SizeLimits l;
    bar->Measure(l);
    SIZE full;
    {
        DeviceContext dc = bar->WindowDC();
        dc.SelectFont(bar->GetFont());
        GetTextExtentPoint32W(dc.Hdc(), L"100%", 4, &full);
    }
    CHECK(l.minWidth == full.cx + 100);
    CHECK(l.minHeight == full.cy);
    bar->SetBounds({0, 0, 300, 30});
    auto pixel = [&](int x, int y) {
        RedrawWindow(bar->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return ReadWindowPixels(bar->hwnd).At(x, y);
    };
    int innerRight = 300 - full.cx - 3;
    // Total 0: no fill at all.
    CHECK(pixel(10, 15) == RGB(204, 206, 252));
    bar->total = 200;
    bar->position = 100;
    int fillEnd = 100 * innerRight / 200;
    CHECK(pixel(5, 15) == RGB(124, 154, 220));
    CHECK(pixel(fillEnd - 1, 15) == RGB(52, 102, 204));
    CHECK(pixel(fillEnd - 21, 15) == RGB(124, 154, 220));
    CHECK(pixel(fillEnd + 1, 15) == RGB(204, 206, 252));
    CHECK(pixel(2, 15) == RGB(52, 102, 204));
    CHECK(pixel(0, 15) == GetSysColor(COLOR_BTNFACE));
    // The percentage stands on the button face, whatever was on screen.
    PixelImage image = ReadWindowPixels(bar->hwnd);
    int face = 0;
    for (int y = 0; y < full.cy; y++)
        for (int x = 300 - full.cx; x < 300; x++)
            face += image.At(x, y) == GetSysColor(COLOR_BTNFACE);
    CHECK(face > full.cx * full.cy / 2);
    delete panel;
}

TEST_CASE("the dialog built at start-up offers Cancel in the language of each later operation")
{
    const int32 language = UiLanguageId();
    SetUiLanguageId(0x415);
    ProgressFixture f(5000);
    ProgressDialog* d = f.dialog;
    // Its window and button come with the first operation.
    CHECK(d->cancelButton == nullptr);
    SetUiLanguageId(0x409);
    d->Start(L"Long", L"a", L"b");
    CHECK(Text(d->cancelButton) == L"Cancel");
    CHECK(std::wstring(d->cancelButton->hint.CStr()) == L"Press to cancel operation.");
    d->Finish();
    SetUiLanguageId(0x415);
    d->Start(L"Długo", L"a", L"b");
    CHECK(Text(d->cancelButton) == L"Przerwij");
    d->Finish();
    SetUiLanguageId(language);
}
