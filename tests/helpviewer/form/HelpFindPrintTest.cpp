#include "helpviewer/HelpForm.h"

#include <doctest.h>

#include "base/Error.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpLayout.h"
#include "helpviewer/HelpView.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"

#include <string>
#include <vector>

// The help window's find dialog, its searches and printing, driven as a user
// would: the dialog and the alerts are answered from a timer.

namespace {

// A container of the markup in a temporary folder.
struct Container {
    TempFolder folder;
    String path;
    explicit Container(const std::string& markup)
    {
        HelpContainerWriter writer;
        writer.AddMember(L"help.html", reinterpret_cast<const u8*>(markup.data()), static_cast<int64>(markup.size()));
        writer.AddEndTag();
        path = folder / L"help.ruvo";
        writer.Save(path);
    }
};

ViewerArguments NoArguments()
{
    return ViewerArguments();
}

// What the timer saw and how it answers.
struct DialogScript {
    std::wstring typeWord;     // put into the edit line; empty: cancel
    bool everywhere = true;    // the box as it is left
    // Seen:
    bool dialogSeen = false;
    std::wstring shownWord;
    bool boxChecked = false;
    std::vector<std::wstring> alerts;  // "title|message"
};
DialogScript* g_script = nullptr;

std::wstring TextOf(HWND hwnd)
{
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lParam)
{
    std::wstring* out = reinterpret_cast<std::wstring*>(lParam);
    std::wstring t = TextOf(hwnd);
    if (!t.empty() && IsWindowVisible(hwnd))
        *out += t + L"\n";
    return TRUE;
}

void CALLBACK Answer(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_script)
        return;
    HWND dialog = FindWindowW(nullptr, L"Znajd\u017A w pomocy - Guidora");
    if (dialog && IsWindowVisible(dialog) && IsWindowEnabled(dialog)) {
        g_script->dialogSeen = true;
        HWND edit = GetDlgItem(dialog, 178);
        HWND box = GetDlgItem(dialog, 179);
        g_script->shownWord = TextOf(edit);
        g_script->boxChecked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (g_script->typeWord.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetWindowTextW(edit, g_script->typeWord.c_str());
        SendMessageW(box, BM_SETCHECK, g_script->everywhere ? BST_CHECKED : BST_UNCHECKED, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    HWND alert = FindWindowW(nullptr, L"Szukaj - Guidora");
    if (alert && IsWindowVisible(alert)) {
        std::wstring texts;
        EnumChildWindows(alert, CollectStatic, reinterpret_cast<LPARAM>(&texts));
        g_script->alerts.push_back(texts);
        // Answered by a key, as a user would.
        PostMessageW(alert, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(alert, WM_CLOSE, 0, 0);
    }
}

struct Answering {
    UINT_PTR timer;
    explicit Answering(DialogScript& script)
    {
        g_script = &script;
        timer = SetTimer(nullptr, 0, 20, Answer);
    }
    ~Answering()
    {
        KillTimer(nullptr, timer);
        g_script = nullptr;
    }
};

bool AnyAlertSays(const DialogScript& s, const std::wstring& text)
{
    for (const std::wstring& a : s.alerts)
        if (a.find(text) != std::wstring::npos)
            return true;
    return false;
}

}  // namespace

TEST_CASE("find: the first dialog is empty with all sections checked; 150 matching sections give 100 results")
{
    std::string markup = "<section ctx='index'>Spis</section>";
    for (int i = 0; i < 150; i++)
        markup += "<section ctx='s" + std::to_string(i) + "'>Rozdzia\xC5\x82 " + std::to_string(i) +
                  "\nTu jest klucz. I tyle.</section>";
    Container c(markup);
    HelpForm form;
    form.Build(NoArguments(), c.path);

    DialogScript script;
    script.typeWord = L"KLUCZ";
    {
        Answering answering(script);
        form.SendCommand(kCmdFind, 0);
    }
    CHECK(script.dialogSeen);
    CHECK(script.shownWord.empty());
    CHECK(script.boxChecked);
    CHECK(script.alerts.empty());
    CHECK(form.view->CurrentId().Equals(HelpView::kFindResultsId));
    CHECK(form.view->FindResults().size() == 100);
    CHECK(form.lastWord.Equals(L"KLUCZ"));

    // The next dialog shows the word; a word found nowhere is said so and
    // does not become the last word.
    DialogScript again;
    again.typeWord = L"brak";
    {
        Answering answering(again);
        form.SendCommand(kCmdFind, 0);
    }
    CHECK(again.shownWord == L"KLUCZ");
    CHECK_FALSE(again.boxChecked);
    CHECK(AnyAlertSays(again, L"Nie znalaz\u0142em brak"));
    CHECK(form.lastWord.Equals(L"KLUCZ"));

    // Cancel changes nothing.
    DialogScript cancel;
    {
        Answering answering(cancel);
        form.SendCommand(kCmdFind, 0);
    }
    CHECK(cancel.dialogSeen);
    CHECK(cancel.alerts.empty());
    CHECK(form.view->CurrentId().Equals(HelpView::kFindResultsId));
}

TEST_CASE("find on the page and find next: past the last match comes \"Nie ma wi\u0119cej\" with the word")
{
    Container c("<section ctx='index'>alfa beta alfa gamma</section>");
    HelpForm form;
    form.Build(NoArguments(), c.path);

    DialogScript script;
    script.typeWord = L"alfa";
    script.everywhere = false;
    {
        Answering answering(script);
        form.SendCommand(kCmdFind, 0);
        CHECK(script.alerts.empty());
        CHECK(form.view->CopyText().Length() > 0);
        form.SendCommand(kCmdFindNext, 0);
        CHECK(script.alerts.empty());
        form.SendCommand(kCmdFindNext, 0);
    }
    CHECK(form.lastWord.Equals(L"alfa"));
    REQUIRE(script.alerts.size() == 1);
    CHECK(AnyAlertSays(script, L"Nie ma wi\u0119cej alfa"));
}

namespace {

// A 300-dpi printer made of memory contexts: each sheet is a fresh white
// bitmap; the calls are recorded and the sheets kept.
class RecordingPrinter : public PrintDevice {
public:
    std::vector<std::string> calls;
    std::vector<PixelImage> sheets;
    bool choose = true;
    int failAtSheet = -1;
    int live = 0;  // contexts not yet released

    // Thousandths of an inch: one inch left and right, paper 4 x 3 inches.
    PrintSetup paper = {1000, 500, 1000, 700, 4000, 3000, true, true};

    bool DefaultSetup(HWND, PrintSetup& setup) override
    {
        calls.push_back("setup");
        setup = paper;
        return true;
    }
    bool ChoosePrinter(HWND) override
    {
        calls.push_back("choose");
        if (!choose)
            return false;
        measure_ = CreateCompatibleDC(nullptr);
        live++;
        return true;
    }
    int32 DotsPerInch(bool) override { return 300; }
    HDC MeasureDc() override { return measure_; }
    void StartDoc(const wchar_t*) override { calls.push_back("StartDoc"); }
    HDC StartPage() override
    {
        calls.push_back("StartPage");
        if (static_cast<int>(sheets.size()) == failAtSheet)
            throw Error(5, -1);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        const int width = paper.paperWidth * 300 / 1000, height = paper.paperHeight * 300 / 1000;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        sheet_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(sheet_, bitmap_);
        RECT all = {0, 0, width, height};
        FillRect(sheet_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return sheet_;
    }
    void EndPage() override
    {
        calls.push_back("EndPage");
        SelectObject(sheet_, old_);
        sheets.push_back(ReadBitmapPixels(bitmap_));
        DeleteDC(sheet_);
        DeleteObject(bitmap_);
    }
    void EndDoc() override { calls.push_back("EndDoc"); }
    void Release() override
    {
        calls.push_back("Release");
        DeleteDC(measure_);
        live--;
    }

private:
    HDC measure_ = nullptr;
    HDC sheet_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

std::string Joined(const std::vector<std::string>& calls)
{
    std::string s;
    for (const std::string& c : calls)
        s += c + ";";
    return s;
}

bool IsWhite(COLORREF c)
{
    return (c & 0xFFFFFF) == 0xFFFFFF;
}

}  // namespace

TEST_CASE("printing: sheets in order within the margins, no link colour or selection, the view as it was")
{
    std::string markup = "<section ctx='index'><h1>Drukowanie</h1><p><a href='#x'>odno\xC5\x9Bnik</a> na pocz\xC4\x85tku.</p>";
    for (int i = 0; i < 60; i++)
        markup += "<p>Akapit " + std::to_string(i) + " z kilkoma s\xC5\x82owami, kt\xC3\xB3re wype\xC5\x82niaj\xC4\x85 wiersz.</p>";
    markup += "</section><section ctx='x'>x</section>";
    Container c(markup);
    HelpForm form;
    form.Build(NoArguments(), c.path);
    form.view->SelectAll();
    const HelpLayout& before = form.view->Layout();
    const size_t runs = before.Runs().size();
    const int32 dpi = before.Params().dpi;
    const int32 width = before.PageWidth();
    const int32 height = before.PageHeight();

    RecordingPrinter printer;
    form.Print(printer);
    std::string calls = Joined(printer.calls);
    INFO(calls);
    REQUIRE(printer.sheets.size() >= 2);
    std::string expected = "setup;choose;StartDoc;";
    for (size_t i = 0; i < printer.sheets.size(); i++)
        expected += "StartPage;EndPage;";
    expected += "EndDoc;Release;";
    CHECK(calls == expected);
    CHECK(printer.live == 0);

    // Margins: 300 left and right, 150 at the top, 210 at the bottom, on
    // sheets of 1200 x 900.
    for (size_t s = 0; s < printer.sheets.size(); s++) {
        const PixelImage& sheet = printer.sheets[s];
        int ink = 0, outside = 0, linkColour = 0, selection = 0;
        for (int y = 0; y < sheet.height; y++) {
            for (int x = 0; x < sheet.width; x++) {
                COLORREF p = sheet.At(x, y);
                if (IsWhite(p))
                    continue;
                ink++;
                if (x < 300 || x >= 900 || y < 150 || y >= 690)
                    outside++;
                if ((p & 0xFFFFFF) == HelpView::kLinkColour)
                    linkColour++;
                if ((p & 0xFFFFFF) == HelpView::kSelection)
                    selection++;
            }
        }
        INFO("sheet " << s);
        CHECK(ink > 0);
        CHECK(outside == 0);
        CHECK(linkColour == 0);
        CHECK(selection == 0);
        SaveScreenshot(sheet, ("help_print_sheet" + std::to_string(s + 1) + ".png").c_str());
    }

    // The view's own layout is untouched.
    const HelpLayout& after = form.view->Layout();
    CHECK(after.Runs().size() == runs);
    CHECK(after.Params().dpi == dpi);
    CHECK(after.PageWidth() == width);
    CHECK(after.PageHeight() == height);

    // The set-up is taken once; a cancelled printer dialog prints nothing.
    RecordingPrinter cancelled;
    cancelled.choose = false;
    form.Print(cancelled);
    CHECK(Joined(cancelled.calls) == "choose;");
}

TEST_CASE("printing: an error on a sheet passes on and the printer's context is still released")
{
    std::string markup = "<section ctx='index'>";
    for (int i = 0; i < 80; i++)
        markup += "<p>Wiersz " + std::to_string(i) + "</p>";
    markup += "</section>";
    Container c(markup);
    HelpForm form;
    form.Build(NoArguments(), c.path);
    RecordingPrinter printer;
    printer.failAtSheet = 1;
    bool threw = false;
    try {
        form.Print(printer);
    } catch (const Error& e) {
        threw = true;
        CHECK(e.code == 5);
    }
    CHECK(threw);
    CHECK(printer.live == 0);
    CHECK(printer.calls.back() == "Release");
    CHECK(printer.sheets.size() == 1);
}

TEST_CASE("printing: a line taller than a sheet is printed cut on its own sheet, no blank sheet before it")
{
    // Sheets with 150 pixels of room; the big letter's line is taller.
    Container c("<section ctx='index'>Przed<br><span style='font-size:60em'>W</span><br>Po</section>");
    HelpForm form;
    form.Build(NoArguments(), c.path);
    RecordingPrinter printer;
    printer.paper = {1000, 500, 1000, 500, 4000, 1500, true, true};
    form.Print(printer);
    REQUIRE(printer.sheets.size() == 3);
    for (const PixelImage& sheet : printer.sheets) {
        bool ink = false;
        for (uint32_t p : sheet.pixels)
            ink = ink || !IsWhite(p);
        CHECK(ink);
    }
}
