#include "editor/Statusbar.h"

#include "base/UiLanguage.h"
#include "gui/Form.h"
#include "support/Pump.h"
#include "support/Screenshot.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data(), static_cast<size_t>(s.Length()));
}

// A top-level form whose only content is the bar; it keeps the commands the
// bar sends it.
class BarHost : public Form {
public:
    BarHost()
    {
        Create(MainWindow | NoTooltip, L"StatusbarTestHost", nullptr, 1);
        bar = NewStatusbar(this);
        SetBounds(RECT{10, 10, 710, 110});
        ShowNoActivate();
        Pump();
    }
    void OnCommand(MessageRecord& m) override { commands.push_back(m.wParam); }
    Statusbar* bar = nullptr;
    std::vector<WPARAM> commands;
};

BarHost& Host()
{
    static BarHost* host = new BarHost();
    return *host;
}

StatusState SampleState()
{
    StatusState s;
    s.hasText = true;
    s.line = 11;
    s.column = 4;
    s.code = 'A';
    s.encoding = EncodingUtf8;
    s.syntax = 1;
    return s;
}

struct Painted {
    PixelImage image;
    RECT client;
};

// The bar drawn into a memory bitmap of its client size.
Painted PaintBar(Statusbar& bar)
{
    Painted p;
    p.client = bar.ClientRect();
    void* bits = nullptr;
    GdiObj bitmap = MakeDibSection32(p.client.right, p.client.bottom, &bits);
    DeviceContext screen;
    screen.FromWindow(bar.GetHwnd());
    DeviceContext memory;
    memory.Compatible(&screen);
    memory.SelectBitmap(bitmap);
    bar.PaintInto(memory, p.client);
    memory.Close();
    p.image = ReadBitmapPixels(bitmap.Bitmap());
    return p;
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// The last column from left to right with a dark pixel; -1 when none.
int InkRight(const PixelImage& image, int left, int right, int top, int bottom)
{
    int ink = -1;
    for (int x = left; x < right; x++)
        for (int y = top; y < bottom; y++) {
            COLORREF c = image.At(x, y);
            ink = GetRValue(c) + GetGValue(c) + GetBValue(c) < 384 ? x : ink;
        }
    return ink;
}

// How far a text drawn alone as the bar draws it, from x = 10 on white, inks.
int InkRightAlone(Statusbar& bar, HFONT font, const std::wstring& text)
{
    DeviceContext screen;
    screen.FromWindow(bar.GetHwnd());
    DeviceContext dc;
    dc.Compatible(&screen);
    void* bits = nullptr;
    GdiObj bitmap = MakeDibSection32(1400, 40, &bits);
    dc.SelectBitmap(bitmap);
    dc.SelectFontHandle(font);
    dc.FillRect({0, 0, 1400, 40}, RGB(255, 255, 255));
    SetBkMode(dc.Hdc(), TRANSPARENT);
    DrawBarText(dc.Hdc(), 10, 5, text.c_str(), static_cast<int>(text.size()));
    dc.Close();
    return InkRight(ReadBitmapPixels(bitmap.Bitmap()), 0, 1400, 0, 40);
}

}  // namespace

TEST_CASE("field texts in both languages")
{
    StatusFieldText f[StatusFieldCount];
    StatusState s = SampleState();
    StatusFieldTexts(s, false, f);
    CHECK(W(f[0].value) == L"12");
    CHECK(W(f[1].value) == L"5");
    CHECK(std::wstring(f[2].label) == L"code: ");
    CHECK(W(f[2].value) == L"65  41");
    CHECK(W(f[3].value) == L"insertion");
    CHECK_FALSE(W(f[4].value).empty());
    CHECK(f[6].value.IsEmpty());

    s.code = -2;
    s.insertMode = false;
    s.line = 2999999999LL;
    s.column = 4000000000LL;
    StatusFieldTexts(s, true, f);
    CHECK(std::wstring(f[0].label) == L"wiersz: ");
    CHECK(W(f[0].value) == L"3000000000");
    CHECK(W(f[1].value) == L"4000000001");
    CHECK(W(f[2].value) == L"13,10  0D,0A");
    CHECK(W(f[3].value) == L"zastępowanie");

    s.code = -1;
    StatusFieldTexts(s, true, f);
    CHECK(std::wstring(f[2].label).empty());
    CHECK(W(f[2].value) == L"koniec tekstu");
    StatusFieldTexts(s, false, f);
    CHECK(std::wstring(f[2].label).empty());
    CHECK(W(f[2].value) == L"end of text");

    s.code = 7;
    StatusFieldTexts(s, false, f);
    CHECK(W(f[2].value) == L"7  07");

    CHECK(W(ShortDictionaryName(String(L"pl_PL\ren_US"))) == L"pl_PL+");
    CHECK(W(ShortDictionaryName(String(L"a\rb"))) == L"a+");
    CHECK(W(ShortDictionaryName(String(L"pl_PL"))) == L"pl_PL");
    CHECK(ShortDictionaryName(String()).IsEmpty());

    CHECK(StatusFieldCommand(1) == 11037);
    CHECK(StatusFieldCommand(7) == 11095);
    CHECK(StatusFieldCommand(0) == 0);
    CHECK(StatusFieldCommand(8) == 0);
}

TEST_CASE("the bar reads line, column, code, mode and encoding from a text")
{
    BarHost& host = Host();
    TextDocument doc;
    const char bytes[] = "ab\r\nA";
    doc.text.Replace(0, 0, reinterpret_cast<const u8*>(bytes), 5);
    doc.syntax = 3;
    host.bar->Update(&doc, nullptr);
    CHECK(host.bar->state.hasText);
    CHECK(host.bar->state.line == 0);
    CHECK(host.bar->state.code == 'a');
    CHECK_FALSE(host.bar->state.insertMode);
    CHECK(host.bar->state.syntax == 3);
    host.bar->Update(nullptr, nullptr);
    CHECK_FALSE(host.bar->state.hasText);
}

TEST_CASE("field edges only grow until the dpi changes")
{
    Statusbar& bar = *Host().bar;
    StatusState s = SampleState();
    s.line = 123456788;
    bar.SetState(s);
    PaintBar(bar);
    int wide = bar.edges[0];
    int wideCode = bar.edges[2];
    s.line = 0;
    bar.SetState(s);
    PaintBar(bar);
    CHECK(bar.edges[0] == wide);
    CHECK(bar.edges[2] == wideCode);
    for (int i = 1; i < StatusFieldCount; i++)
        CHECK(bar.edges[i] >= bar.edges[i - 1]);
    // No dictionary: the last edge follows the syntax field's.
    CHECK(bar.edges[6] == bar.edges[5]);
    bar.dpi = 1;
    PaintBar(bar);
    CHECK(bar.edges[0] < wide);
}

TEST_CASE("tint, hover and the pushed frame by pixels")
{
    Statusbar& bar = *Host().bar;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF lit = RGB(GetRValue(face) * 5 / 10 + GetRValue(shadow) * 5 / 10,
                       GetGValue(face) * 5 / 10 + GetGValue(shadow) * 5 / 10,
                       GetBValue(face) * 5 / 10 + GetBValue(shadow) * 5 / 10);
    for (int32 enc = 1; enc <= 7; enc++) {
        StatusState s = SampleState();
        s.encoding = enc;
        bar.SetState(s);
        bar.hovered = bar.pressed = 0;
        Painted p = PaintBar(bar);
        int x = bar.edges[3] + 4;  // inside the pad before the encoding label
        int y = p.client.bottom - 2;
        CHECK(p.image.At(x, y) == MixColors(face, std::vector<COLORREF>{RGB(128, 255, 255), RGB(255, 128, 255),
                                                                        RGB(255, 144, 144), RGB(128, 255, 0),
                                                                        RGB(128, 255, 128), RGB(255, 255, 0),
                                                                        RGB(255, 255, 128)}[enc - 1],
                                                40, 100));
        CHECK(p.image.At(bar.edges[0] + 4, y) == face);
    }
    bar.hovered = 2;
    Painted p = PaintBar(bar);
    int y = p.client.bottom - 2;
    CHECK(p.image.At(bar.edges[0] + 4, y) == lit);
    CHECK(p.image.At(4, y) == face);
    // Held and hovered: the field looks pushed in.
    bar.pressed = 2;
    p = PaintBar(bar);
    int left = bar.edges[0] + 1;
    CHECK(p.image.At(left, y - 2) == GetSysColor(COLOR_3DDKSHADOW));
    CHECK(p.image.At(bar.edges[1], y - 2) == GetSysColor(COLOR_BTNHIGHLIGHT));
    // Held but not hovered: lit, no frame.
    bar.hovered = 0;
    p = PaintBar(bar);
    CHECK(p.image.At(left + 3, y - 2) == lit);
    CHECK(p.image.At(left, y - 2) == GetSysColor(COLOR_BTNHIGHLIGHT));
    bar.pressed = 0;
}

TEST_CASE("a click sends the field's command, a release elsewhere nothing")
{
    BarHost& host = Host();
    Statusbar& bar = *host.bar;
    bar.SetState(SampleState());
    PaintBar(bar);
    HWND w = bar.GetHwnd();
    int y = bar.ClientRect().bottom / 2;
    int fields[] = {1, 3, 5, 6};
    for (int field : fields) {
        host.commands.clear();
        int x = bar.edges[field - 1] - 3;
        SendMessageW(w, WM_MOUSEMOVE, 0, At(x, y));
        CHECK(bar.hovered == field);
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        CHECK(bar.pressed == field);
        SendMessageW(w, WM_LBUTTONUP, 0, At(x, y));
        CHECK(bar.pressed == 0);
        REQUIRE(host.commands.size() == 1);
        CHECK(LOWORD(host.commands[0]) == StatusFieldCommand(field));
        CHECK(HIWORD(host.commands[0]) == 12500);
    }
    host.commands.clear();
    int x = bar.edges[0] - 3;
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(bar.edges[2] - 3, y));
    CHECK(bar.hovered == 0);
    SendMessageW(w, WM_LBUTTONUP, 0, At(bar.edges[2] - 3, y));
    CHECK(host.commands.empty());
    // Down and up again on the field sends once more; down outside any field nothing.
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(bar.edges[6] + 20, y));
    SendMessageW(w, WM_LBUTTONUP, 0, At(bar.edges[6] + 20, y));
    CHECK(host.commands.empty());
    SendMessageW(w, WM_MOUSELEAVE, 0, 0);
    CHECK(bar.hovered == 0);
    // Without a text there are no fields to click.
    bar.Update(nullptr, nullptr);
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(5, y));
    SendMessageW(w, WM_LBUTTONUP, 0, At(5, y));
    CHECK(host.commands.empty());
}

TEST_CASE("hints per field, none while the prompt shows")
{
    Statusbar& bar = *Host().bar;
    SetUiLanguageId(9);
    bar.SetState(SampleState());
    PaintBar(bar);
    int y = bar.ClientRect().bottom / 2;
    for (int field = 1; field <= 6; field++) {
        POINT p = bar.ClientToScreenPoint(POINT{bar.edges[field - 1] - 1, y});
        const wchar_t* hint = bar.HintAt(p);
        REQUIRE(hint != nullptr);
        CHECK(std::wstring(hint) == StatusFieldHint(field, false));
    }
    POINT past = bar.ClientToScreenPoint(POINT{bar.edges[6] + 5, y});
    REQUIRE(bar.HintAt(past) != nullptr);
    CHECK(std::wstring(bar.HintAt(past)).empty());
    POINT outside = bar.ClientToScreenPoint(POINT{5, -40});
    CHECK(bar.HintAt(outside) == nullptr);
    bar.Update(nullptr, nullptr);
    POINT first = bar.ClientToScreenPoint(POINT{3, y});
    REQUIRE(bar.HintAt(first) != nullptr);
    CHECK(std::wstring(bar.HintAt(first)).empty());
}

TEST_CASE("the size grip answers only when flush with the corner and not maximised")
{
    BarHost& host = Host();
    Statusbar& bar = *host.bar;
    RECT r = bar.WindowRect();
    LPARAM corner = MAKELPARAM(static_cast<WORD>(r.right - 2), static_cast<WORD>(r.bottom - 2));
    LPARAM middle = MAKELPARAM(static_cast<WORD>(r.left + 5), static_cast<WORD>(r.bottom - 2));
    CHECK(bar.ShowsSizeGrip());
    CHECK(SendMessageW(bar.GetHwnd(), WM_NCHITTEST, 0, corner) == HTBOTTOMRIGHT);
    CHECK(SendMessageW(bar.GetHwnd(), WM_NCHITTEST, 0, middle) != HTBOTTOMRIGHT);
    RECT client = host.ClientRect();
    bar.SetBounds(RECT{0, 0, client.right - 10, client.bottom});
    CHECK_FALSE(bar.ShowsSizeGrip());
    r = bar.WindowRect();
    corner = MAKELPARAM(static_cast<WORD>(r.right - 2), static_cast<WORD>(r.bottom - 2));
    CHECK(SendMessageW(bar.GetHwnd(), WM_NCHITTEST, 0, corner) != HTBOTTOMRIGHT);
    bar.SetBounds(client);
    CHECK(bar.ShowsSizeGrip());
    ShowWindow(host.GetHwnd(), SW_MAXIMIZE);
    Pump();
    CHECK_FALSE(bar.ShowsSizeGrip());
    ShowWindow(host.GetHwnd(), SW_RESTORE);
    Pump();
}

TEST_CASE("screenshots of the bar in both languages")
{
    Statusbar& bar = *Host().bar;
    StatusState s = SampleState();
    s.line = 2999999999LL;
    s.dictionary = String(L"pl_PL+");
    s.encoding = 5;
    for (int32 lang : {9, 21}) {
        SetUiLanguageId(lang);
        bar.dpi = 0;
        bar.SetState(s);
        Painted p = PaintBar(bar);
        CHECK(p.image.width > 0);
        CHECK(SaveScreenshot(p.image, lang == 9 ? "statusbar-en.png" : "statusbar-pl.png"));
        bar.Update(nullptr, nullptr);
        p = PaintBar(bar);
        CHECK(SaveScreenshot(p.image, lang == 9 ? "statusbar-prompt-en.png" : "statusbar-prompt-pl.png"));
    }
    SetUiLanguageId(9);
}

TEST_CASE("every text of the bar, and random Polish text, inks within the room the bar gives it")
{
    Statusbar& bar = *Host().bar;
    std::vector<std::wstring> texts;
    StatusState s = SampleState();
    s.line = 2999999999LL;
    s.dictionary = String(L"pl_PL+");
    for (bool polish : {false, true}) {
        texts.push_back(StatusPromptText(polish));
        for (int32 code : {-1, -2, 0x10FFFF}) {
            s.code = code;
            s.insertMode = code != -1;
            StatusFieldText f[StatusFieldCount];
            StatusFieldTexts(s, polish, f);
            for (const StatusFieldText& t : f)
                texts.insert(texts.end(), {t.label, W(t.value)});
        }
    }
    for (EncodingId e = EncodingUtf8; e <= EncodingIso8859_2; e++)
        texts.push_back(W(EncodingDisplayName(e, true)));
    for (SyntaxId id = kSyntaxNone; id <= kSyntaxKestin; id++)
        texts.push_back(SyntaxDisplayName(id));
    std::mt19937 random(20261209);
    const std::wstring letters = L"aąbcćdeęfghijklłmnńoóprsśtuwyzźżAĄĆĘŁŃÓŚŹŻ :,.0123456789";
    for (int i = 0; i < 60; i++) {
        texts.emplace_back();
        for (size_t k = 1 + random() % 90; k > 0; k--)
            texts.back() += letters[random() % letters.size()];
    }
    for (GdiObj font : {bar.GetFont(), bar.GetBoldFont()}) {
        DeviceContext dc = bar.MeasureDC();
        dc.SelectFontHandle(font.Font());
        for (size_t i = 0; i < texts.size(); i++) {
            CAPTURE(i);
            int room = StatusTextRoom(dc.Hdc(), texts[i].c_str(), static_cast<int>(texts[i].size()));
            CHECK(InkRightAlone(bar, font.Font(), texts[i]) < 10 + room);
        }
    }
}

TEST_CASE("the prompt shows its last letter: the bar's ink reaches as far as the prompt's own, in both languages")
{
    Statusbar& bar = *Host().bar;
    for (int32 lang : {9, 21}) {
        CAPTURE(lang);
        SetUiLanguageId(lang);
        bar.Update(nullptr, nullptr);
        Painted p = PaintBar(bar);
        int alone = InkRightAlone(bar, bar.GetFont().Font(), StatusPromptText(lang == 21));
        // The prompt starts at the left edge; the grip stays out of it.
        CHECK(InkRight(p.image, 0, p.client.right - bar.gripWidth - 4, 2, p.client.bottom) >= alone - 10);
    }
    SetUiLanguageId(9);
}
