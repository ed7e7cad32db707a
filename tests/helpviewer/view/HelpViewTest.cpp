#include "helpviewer/HelpView.h"

#include "gui/Clipboard.h"
#include "gui/Form.h"
#include "support/HelpPages.h"
#include "support/Screenshot.h"

#include <doctest.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace helppages;

namespace doctest {
template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& w)
    {
        std::string s;
        for (wchar_t c : w)
            s += c == L'\r' ? std::string("\\r") : c == L'\n' ? std::string("\\n") : c < 128 ? std::string(1, char(c)) : "?";
        return String(s.c_str());
    }
};
}  // namespace doctest

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class Host : public Form {
public:
    Host() { Create(MainWindow, L"Help Host", nullptr, 7); }
    void OnCommand(MessageRecord& m) override { commands.push_back(LOWORD(m.wParam)); }
    bool HandleError(const Error& e) override
    {
        errors.push_back(e.code);
        return true;
    }
    std::vector<int> commands;
    std::vector<int32> errors;
};

struct Viewer {
    TempFolder folder;
    std::unique_ptr<Host> host = std::make_unique<Host>();
    HelpView* view;

    explicit Viewer(const std::string& markup, const std::vector<Member>& members = {}, int width = 400,
                    int height = 300)
    {
        view = NewHelpView(host.get(), 100);
        LoadHelp(view->Document(), folder, markup, members);
        RECT r = {20, 20, 20 + width, 20 + height};
        AdjustWindowRectEx(&r, GetWindowLongW(host->hwnd, GWL_STYLE), FALSE, GetWindowLongW(host->hwnd, GWL_EXSTYLE));
        host->SetBounds(r);
        host->Show();
        view->SetFocus();
        Pump();
    }
    void Show(const wchar_t* id)
    {
        view->ShowTopic(String(id));
        Pump();
    }
    std::wstring Id() const { return std::wstring(view->CurrentId().Data(), static_cast<size_t>(view->CurrentId().Length())); }
    std::wstring Copied() const
    {
        String t = view->CopyText();
        return std::wstring(t.Data(), static_cast<size_t>(t.Length()));
    }
    LRESULT Send(UINT msg, WPARAM w, LPARAM l) { return SendMessageW(view->hwnd, msg, w, l); }
    // Sends the message with Shift held or not, as GetKeyState sees it.
    void WithShift(UINT msg, WPARAM w, bool shift)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        Send(msg, w, 0);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    void Key(UINT vk, bool shift = false) { WithShift(WM_KEYDOWN, vk, shift); }
    void Char(wchar_t c, bool shift = false) { WithShift(WM_CHAR, c, shift); }
    // The client point over the middle of character offset of the first word
    // with that text.
    POINT At(const wchar_t* word, int32 offset = 0) const
    {
        const HelpLayout& l = view->Layout();
        for (int32 r = 0; r < static_cast<int32>(l.Runs().size()); r++) {
            const HelpRun& run = l.Runs()[static_cast<size_t>(r)];
            if (run.kind == HelpRun::kWord && std::wstring(run.text, static_cast<size_t>(run.length)) == word) {
                POINT scroll = view->ScrollPosition();
                return {run.x + l.CharX(r, offset) + 1 - scroll.x, run.y + run.height / 2 - scroll.y};
            }
        }
        FAIL("no word");
        return {0, 0};
    }
    void Mouse(UINT msg, POINT p, WPARAM keys = 0) { Send(msg, keys, MAKELPARAM(p.x, p.y)); }
    void Click(POINT p)
    {
        Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, p);
        Pump();
    }
};

std::string Sections(int count, const char* body)
{
    std::string s = "<title>T</title>";
    for (int i = 0; i < count; i++)
        s += "<section ctx='t" + std::to_string(i) + "'>" + body + " " + std::to_string(i) + "</section>";
    return s;
}

std::string LongPage(int paragraphs)
{
    std::string s;
    for (int i = 0; i < paragraphs; i++)
        s += "<p>Akapit " + std::to_string(i) + " z kilkoma s\xC5\x82owami, kt\xC3\xB3re zajmuj\xC4\x85 miejsce.</p>";
    return s;
}

}  // namespace

TEST_CASE("unknown topics fall back to index, then to 0; redirects show their target")
{
    Viewer v("<section ctx='0'>zero</section><section ctx='Index'>spis</section>"
             "<section ctx='a' redirect='b'>a</section><section ctx='b'>bee</section>");
    v.Show(L"nosuch");
    CHECK(v.Id() == L"Index");
    v.Show(L"A");
    CHECK(v.Id() == L"b");
    CHECK(v.Copied() == L"bee");
    CHECK(std::count(v.host->commands.begin(), v.host->commands.end(), HelpView::kPageChangedCommand) >= 2);
    Viewer w("<section ctx='0'>zero</section><section ctx='x'>x</section>");
    w.Show(L"");
    CHECK(w.Id() == L"0");
    Viewer none("<section ctx='x'>x</section>");
    none.Show(L"x");
    none.Show(L"nosuch");
    CHECK(none.Id() == L"x");
    CHECK(none.view->History().BackCount() == 0);
}

TEST_CASE("history: 25 topics leave 20 to go back to, positions come back, a repeat is kept once")
{
    Viewer v(Sections(30, LongPage(40).c_str()));
    for (int i = 0; i < 25; i++) {
        v.Show((L"t" + std::to_wstring(i)).c_str());
        v.view->ScrollTo(0, 100 + i);
    }
    CHECK(v.view->History().BackCount() == 20);
    v.view->Back();
    CHECK(v.Id() == L"t23");
    CHECK(v.view->ScrollPosition().y == 123);
    for (int i = 0; i < 25; i++)
        v.view->Back();
    CHECK(v.Id() == L"t4");
    CHECK(v.view->ScrollPosition().y == 104);
    v.view->Forward();
    CHECK(v.Id() == L"t5");
    // Backspace goes back, Shift+Backspace forward.
    v.Char(8, true);
    CHECK(v.Id() == L"t6");
    v.Char(8);
    CHECK(v.Id() == L"t5");
    // A new topic clears the forward stack; showing it again adds it once.
    const size_t before = v.view->History().BackCount();
    v.Show(L"t29");
    CHECK(v.view->History().ForwardCount() == 0);
    v.Show(L"t29");
    v.Show(L"T29");
    CHECK(v.view->History().BackCount() == before + 2);
}

TEST_CASE("scroll ranges follow the page, positions are clamped, keys and the wheel scroll")
{
    Viewer v("<section ctx='s'>" + LongPage(60) + "</section><section ctx='short'>kr\xC3\xB3tki</section>");
    v.Show(L"s");
    RECT client = v.view->ClientRect();
    const int32 pageH = v.view->Layout().PageHeight();
    REQUIRE(pageH > client.bottom);
    SCROLLINFO si = {sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(v.view->hwnd, SB_VERT, &si);
    CHECK(si.nMin == 0);
    CHECK(si.nMax == pageH - 1);
    CHECK(si.nPage == static_cast<UINT>(client.bottom - 16));
    CHECK((GetWindowLongW(v.view->hwnd, GWL_STYLE) & WS_HSCROLL) == 0);
    v.view->ScrollTo(0, 1000000);
    CHECK(v.view->ScrollPosition().y == pageH + 16 - client.bottom);
    v.view->ScrollTo(0, 0);
    v.Key(VK_DOWN);
    CHECK(v.view->ScrollPosition().y == 20);
    v.Key(VK_NEXT);
    const int32 pageStep = client.bottom - 2 * 8 - 20;
    CHECK(v.view->ScrollPosition().y == 20 + pageStep);
    v.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    CHECK(v.view->ScrollPosition().y == 20 + pageStep + 60);
    v.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0);
    CHECK(v.view->ScrollPosition().y == 80);
    v.Send(WM_VSCROLL, SB_BOTTOM, 0);
    CHECK(v.view->ScrollPosition().y == pageH + 16 - client.bottom);
    v.Send(WM_VSCROLL, SB_TOP, 0);
    CHECK(v.view->ScrollPosition().y == 0);
    // A short page cannot scroll: the bar stays, disabled.
    v.Show(L"short");
    GetScrollInfo(v.view->hwnd, SB_VERT, &si);
    CHECK(si.nMax == client.bottom - 16 - 1);
    v.Key(VK_DOWN);
    CHECK(v.view->ScrollPosition().y == 0);
    // A page wider than the client shows the horizontal bar.
    Viewer wide("<section ctx='w'>" + std::string(300, 'm') + "</section>");
    wide.Show(L"w");
    CHECK((GetWindowLongW(wide.view->hwnd, GWL_STYLE) & WS_HSCROLL) != 0);
    GetScrollInfo(wide.view->hwnd, SB_HORZ, &si);
    CHECK(si.nMax == wide.view->Layout().PageWidth() - 1);
}

TEST_CASE("the horizontal bar shows only while the page is wider than the view, never for wrapped text")
{
    std::string text;
    for (int i = 0; i < 16; i++)
        text += "<p>Akapit " + std::to_string(i) + " ma " + std::string(static_cast<size_t>(1 + i % 7), 'w') +
                " s\xC5\x82owa r\xC3\xB3\xC5\xBCnej d\xC5\x82ugo\xC5\x9B" "ci, kt\xC3\xB3re si\xC4\x99 "
                "zawijaj\xC4\x85 " + std::string(static_cast<size_t>(3 + i % 5), 'i') + " na kilka wierszy.</p>";
    Viewer v("<section ctx='s'>" + text + "</section><section ctx='w'>" + std::string(200, 'm') + "</section>");
    v.Show(L"s");
    auto resize = [&](int width) {
        RECT r = {20, 20, 20 + width, 320};
        AdjustWindowRectEx(&r, GetWindowLongW(v.host->hwnd, GWL_STYLE), FALSE, GetWindowLongW(v.host->hwnd, GWL_EXSTYLE));
        v.host->SetBounds(r);
        Pump();
    };
    auto barShown = [&] { return (GetWindowLongW(v.view->hwnd, GWL_STYLE) & WS_HSCROLL) != 0; };
    // Every width puts some line end somewhere else near the right margin.
    for (int width = 220; width <= 340; width += 2) {
        INFO("width " << width);
        resize(width);
        CHECK_FALSE(barShown());
        CHECK(v.view->ScrollPosition().x == 0);
    }
    v.Show(L"w");
    CHECK(barShown());
    SCROLLINFO si = {sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(v.view->hwnd, SB_HORZ, &si);
    CHECK(si.nMax == v.view->Layout().PageWidth() - 1);
    v.Send(WM_HSCROLL, SB_LINEDOWN, 0);
    CHECK(v.view->ScrollPosition().x == 20);
    // Back on a page that fits: hidden, at position 0.
    v.Show(L"s");
    CHECK_FALSE(barShown());
    CHECK(v.view->ScrollPosition().x == 0);
}

TEST_CASE("caret keys move by character and line, Shift selects, Tab walks the links")
{
    Viewer v("<section ctx='s'><p>alfa beta <a href='#t'>gamma delta</a></p><p>epsilon <link to='t'>zeta</link> "
             "eta</p></section><section ctx='t'>target</section>");
    v.Show(L"s");
    CHECK_FALSE(v.view->CaretActive());
    v.Key(VK_RIGHT);
    CHECK(v.view->CaretActive());
    v.Key(VK_RIGHT, true);
    v.Key(VK_RIGHT, true);
    // The page starts with the paragraph's break: the first step reaches the first letter.
    CHECK(v.Copied() == L"al");
    v.Key(VK_END, true);
    CHECK(v.Copied() == L"alfa beta gamma delta");
    v.Key(VK_HOME);
    v.Key(VK_DOWN, true);
    CHECK(v.Copied().substr(0, 20) == L"alfa beta gamma delt");
    v.Key(VK_UP);
    // Tab: the first link, then the next (the two words of a link count as one), wrapping around.
    v.Char(9);
    const HelpLayout& l = v.view->Layout();
    auto caretWord = [&] {
        const HelpRun& r = l.Runs()[static_cast<size_t>(v.view->Caret().run)];
        return std::wstring(r.text, static_cast<size_t>(r.length));
    };
    CHECK(caretWord() == L"gamma");
    v.Char(9);
    CHECK(caretWord() == L"zeta");
    v.Char(9);
    CHECK(caretWord() == L"gamma");
    v.Char(9, true);
    CHECK(caretWord() == L"zeta");
    // Enter follows the link under the caret.
    v.Char(13);
    CHECK(v.Id() == L"t");
}

TEST_CASE("a drag selects without following, a click on a link follows it on release")
{
    Viewer v("<section ctx='s'>jeden dwa <a href='#intro'>trzy</a> cztery</section><section ctx='intro'>wst\xC4\x99p"
             "</section>");
    v.Show(L"s");
    v.Mouse(WM_LBUTTONDOWN, v.At(L"jeden", 1), MK_LBUTTON);
    v.Mouse(WM_MOUSEMOVE, v.At(L"trzy", 2), MK_LBUTTON);
    v.Mouse(WM_LBUTTONUP, v.At(L"trzy", 2));
    CHECK(v.Copied() == L"eden dwa tr");
    CHECK(v.Id() == L"s");
    // Released over the link with nothing selected: the anchor's target, less its "#".
    v.Click(v.At(L"trzy", 1));
    CHECK(v.Id() == L"intro");
    // The cursor shows the hand over a link.
    v.view->Back();
    CHECK(v.Id() == L"s");
    v.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(v.At(L"cztery", 2).x, v.At(L"cztery", 2).y));
    v.Mouse(WM_LBUTTONUP, v.At(L"cztery", 2));
    CHECK(v.Copied() == L"cztery");
    CHECK(v.view->RunAt(v.At(L"trzy")) >= 0);
    CHECK(v.view->RunAt({390, 290}) == -1);
}

TEST_CASE("copy: one line end per break, pictures, bullets and numbers, to the clipboard")
{
    Viewer v("<section ctx='s'><h1>Tytu\xC5\x82</h1><p>raz <img src='p.png'> dwa</p><br><br>"
             "<ol><li>x</li><li>y</li></ol><ul><li>z</li></ul><ol type='a'><li>q</li></ol></section>",
             {{L"p.png", SolidPng(10, 10, 1, 2, 3)}});
    v.Show(L"s");
    const std::wstring page = L"Tytu\u0142\r\nraz [obrazek] dwa\r\n1. x\r\n2. y\r\n* z\r\na) q\r\n";
    CHECK(v.Copied() == page);
    v.view->Copy();
    String clip = Clipboard::GetText(*v.view);
    CHECK(std::wstring(clip.Data(), static_cast<size_t>(clip.Length())) == page);
    v.Char(1);
    CHECK(v.Copied() == page);
    // Ctrl+C copies the selection.
    v.Show(L"s");
    REQUIRE(v.view->FindOnPage(String(L"raz")));
    v.Char(3);
    clip = Clipboard::GetText(*v.view);
    CHECK(std::wstring(clip.Data(), static_cast<size_t>(clip.Length())) == L"raz");
}

TEST_CASE("find on the page: from the caret, ignoring case, spaces across run boundaries")
{
    Viewer v("<section ctx='s'><p>Pierwszy <b>ŻÓŁW</b> idzie.</p>" + LongPage(40) +
             "<p>Drugi \xC5\xBC\xC3\xB3\xC5\x82w na ko\xC5\x84" "cu.</p></section>");
    v.Show(L"s");
    CHECK(v.view->FindOnPage(String(L"żółw idzie")));
    CHECK(v.Copied() == L"\u017B\u00D3\u0141W idzie");
    CHECK(v.view->FindOnPage(String(L"\u017C\u00F3\u0142w")));
    CHECK(v.Copied() == L"\u017C\u00F3\u0142w");
    // The match was scrolled into view.
    CHECK(v.view->ScrollPosition().y > 0);
    CHECK_FALSE(v.view->FindOnPage(String(L"\u017C\u00F3\u0142w")));
    CHECK_FALSE(v.view->FindOnPage(String(L" idzie")));
    CHECK_FALSE(v.view->FindOnPage(String(L"nieobecne")));
    v.Show(L"s");
    CHECK(v.view->FindOnPage(String(L"akapit\t7 z")));
    CHECK(v.Copied() == L"Akapit 7 z");
}

TEST_CASE("zoom rebuilds the fonts and scales the position")
{
    Viewer v("<section ctx='s'>" + LongPage(80) + "</section>");
    v.Show(L"s");
    const int32 normal = v.view->Layout().PageHeight();
    v.view->ScrollTo(0, 1200);
    v.view->SetZoom(1);
    CHECK(v.view->Zoom() == 1);
    CHECK(v.view->Layout().PageHeight() > normal);
    CHECK(v.view->ScrollPosition().y == 1500);
    v.view->SetZoom(0);
    CHECK(v.view->Layout().PageHeight() == normal);
    CHECK(v.view->ScrollPosition().y == 1200);
    v.view->SetZoom(-1);
    CHECK(v.view->Layout().PageHeight() < normal);
    CHECK(v.view->ScrollPosition().y == 1000);
}

TEST_CASE("pixels: the selection, links and pictures with alpha")
{
    Viewer v("<section ctx='s'><p>zwyk\xC5\x82y <a href='#s'>odno\xC5\x9Bnik</a> tekst</p>"
             "<p><img src='alpha.png'> <img src='solid.gif'></p></section>",
             {{L"alpha.png", SolidPng(40, 30, 255, 0, 0, 128)},
              {L"solid.gif", [] {
                   fixtures::GifFile g;
                   g.width = 20;
                   g.height = 10;
                   g.globalTable = {0, 0, 255, 0, 255, 0};
                   fixtures::GifFrame f;
                   f.width = 20;
                   f.height = 10;
                   f.codeSize = 2;
                   f.indexes.assign(200, 1);
                   g.frames.push_back(f);
                   return fixtures::EncodeGif(g);
               }()}});
    v.Show(L"s");
    REQUIRE(v.view->FindOnPage(String(L"tekst")));
    UpdateWindow(v.view->hwnd);
    Pump();
    RECT client = v.view->ClientRect();
    DeviceContext dc;
    dc.Compatible(nullptr);
    void* bits = nullptr;
    GdiObj target = MakeDibSection32(client.right, client.bottom, &bits);
    dc.SelectBitmap(target);
    v.view->PaintPage(dc.Hdc(), v.view->Layout(), 0, 0, client.right, client.bottom, false);
    GdiFlush();
    PixelImage image = ReadBitmapPixels(target.Bitmap());
    const HelpLayout& l = v.view->Layout();
    auto count = [&](const HelpRun& r, auto match) {
        int n = 0;
        for (int y = r.y; y < r.y + r.height; y++)
            for (int x = r.x; x < r.x + r.width; x++)
                n += match(image.At(x, y));
        return n;
    };
    const HelpRun* selected = nullptr;
    const HelpRun* link = nullptr;
    const HelpRun* plain = nullptr;
    std::vector<const HelpRun*> pictures;
    for (const HelpRun& r : l.Runs()) {
        std::wstring t(r.text ? r.text : L"", static_cast<size_t>(r.length));
        if (t == L"tekst")
            selected = &r;
        if (r.IsLink() && r.kind == HelpRun::kWord)
            link = &r;
        if (t == L"zwyk\u0142y")
            plain = &r;
        if (r.kind == HelpRun::kPicture)
            pictures.push_back(&r);
    }
    REQUIRE(selected);
    REQUIRE(link);
    REQUIRE(plain);
    REQUIRE(pictures.size() == 2);
    CHECK(count(*selected, [](COLORREF c) { return c == HelpView::kSelection; }) > selected->width * selected->height / 2);
    CHECK(count(*plain, [](COLORREF c) { return c == HelpView::kSelection; }) == 0);
    auto bluish = [](COLORREF c) { return GetBValue(c) > 0x60 && GetRValue(c) < 0x40 && GetGValue(c) < 0x40; };
    CHECK(count(*link, bluish) > 0);
    CHECK(count(*plain, bluish) == 0);
    // Half-transparent red over white.
    const HelpRun& alpha = *pictures[0];
    COLORREF mid = image.At(alpha.x + alpha.width / 2, alpha.y + alpha.height / 2);
    CHECK(GetRValue(mid) >= 250);
    CHECK(GetGValue(mid) >= 120);
    CHECK(GetGValue(mid) <= 135);
    CHECK(GetBValue(mid) == GetGValue(mid));
    const HelpRun& gif = *pictures[1];
    CHECK(image.At(gif.x + 5, gif.y + 5) == RGB(0, 255, 0));
    SaveScreenshot(image, "helpview_pixels.png");
    SaveScreenshot(ReadWindowPixels(v.view->hwnd), "helpview_window.png");
    // A selected picture is hatched in the selection colour.
    v.Char(1);
    v.view->PaintPage(dc.Hdc(), v.view->Layout(), 0, 0, client.right, client.bottom, false);
    GdiFlush();
    image = ReadBitmapPixels(target.Bitmap());
    CHECK(count(gif, [](COLORREF c) { return c == HelpView::kSelection; }) > 0);
    // Printing draws neither the link colour nor the selection.
    v.view->PaintPage(dc.Hdc(), v.view->Layout(), 0, 0, client.right, client.bottom, true);
    GdiFlush();
    image = ReadBitmapPixels(target.Bitmap());
    CHECK(count(*link, bluish) == 0);
    CHECK(count(*selected, [](COLORREF c) { return c == HelpView::kSelection; }) == 0);
    SaveScreenshot(image, "helpview_printing.png");
}

TEST_CASE("a link's underline runs on across the spaces between its words, not past its ends")
{
    Viewer v("<section ctx='s'><p>przed <a href='#s'>jeden dwa  trzy</a> po</p></section>", {}, 500, 200);
    v.Show(L"s");
    RECT client = v.view->ClientRect();
    DeviceContext dc;
    dc.Compatible(nullptr);
    void* bits = nullptr;
    GdiObj target = MakeDibSection32(client.right, client.bottom, &bits);
    dc.SelectBitmap(target);
    v.view->PaintPage(dc.Hdc(), v.view->Layout(), 0, 0, client.right, client.bottom, false);
    GdiFlush();
    PixelImage image = ReadBitmapPixels(target.Bitmap());
    const std::vector<HelpRun>& runs = v.view->Layout().Runs();
    auto linkInk = [&](int x, int y) { return image.At(x, y) == HelpView::kLinkColour; };
    // The underline: the lowest row of the first link word holding link ink across most of it.
    const HelpRun* first = nullptr;
    const HelpRun* last = nullptr;
    for (const HelpRun& r : runs)
        if (r.kind == HelpRun::kWord && r.IsLink()) {
            if (!first)
                first = &r;
            last = &r;
        }
    REQUIRE(first);
    REQUIRE(last != first);
    int underline = -1;
    for (int y = first->y; y < first->y + first->height; y++) {
        int n = 0;
        for (int x = first->x; x < first->x + first->width; x++)
            n += linkInk(x, y);
        if (n >= first->width * 3 / 4)
            underline = y;
    }
    REQUIRE(underline >= 0);
    int gaps = 0;
    for (int x = first->x; x < last->x + last->width; x++)
        gaps += !linkInk(x, underline);
    CHECK(gaps == 0);
    // The spaces outside the link stay bare.
    int outside = 0;
    for (const HelpRun& r : runs)
        if (r.kind == HelpRun::kSpace && !r.IsLink())
            for (int x = r.x; x < r.x + r.width; x++)
                outside += linkInk(x, underline) || image.At(x, underline) == 0;
    CHECK(outside == 0);
    SaveScreenshot(image, "helpview_link_underline.png");
}

TEST_CASE("a new DPI seen at painting scales the position and lays the page out again")
{
    Viewer v("<section ctx='s'>" + LongPage(80) + "<img src='p.png'></section>", {{L"p.png", SolidPng(40, 20, 5, 5, 5)}});
    v.Show(L"s");
    const int32 height96 = v.view->Layout().PageHeight();
    v.view->ScrollTo(0, 600);
    v.host->SetDpi(192);
    InvalidateRect(v.view->hwnd, nullptr, FALSE);
    UpdateWindow(v.view->hwnd);
    CHECK(v.view->Layout().Params().dpi == 192);
    CHECK(v.view->ScrollPosition().y == 1200);
    CHECK(v.view->Layout().PageHeight() > height96);
    const HelpRun& picture = v.view->Layout().Runs().back().kind == HelpRun::kPicture
                                 ? v.view->Layout().Runs().back()
                                 : v.view->Layout().Runs()[v.view->Layout().Runs().size() - 2];
    CHECK(picture.width == 80);
}

TEST_CASE("list marks are drawn left of their items; a page of every kind of run as a screenshot")
{
    Viewer v("<section ctx='s'><h1>Nag\xC5\x82\xC3\xB3wek</h1><img src='f.png' align='right'>"
             "<p>Wz\xC3\xB3r: x<sup>2</sup> + y<sub>i</sub>, <font color='green' size='+2'>zielony</font> i "
             "<span style='color:#c00; font-size:0.8em'>ma\xC5\x82y</span> <code>kod()</code>.</p>"
             "<ul><li>pierwszy</li><li>drugi</li></ul><ol type='A'><li>alfa</li><li>beta</li></ol>"
             "<p class='indent'>Wci\xC4\x99ty akapit z <a href='#s'>odno\xC5\x9Bnikiem</a>.</p></section>",
             {{L"f.png", SolidPng(60, 60, 0, 120, 200)}}, 500, 360);
    v.Show(L"s");
    UpdateWindow(v.view->hwnd);
    PixelImage shot = ReadWindowPixels(v.view->hwnd);
    auto inkLeftOf = [&](const wchar_t* word) {
        POINT p = v.At(word);
        int ink = 0;
        for (int x = std::max(0, static_cast<int>(p.x) - 30); x < p.x - 2; x++)
            for (int y = p.y - 4; y <= p.y + 4; y++)
                ink += GetRValue(shot.At(x, y)) < 0x80;
        return ink;
    };
    CHECK(inkLeftOf(L"pierwszy") > 0);
    CHECK(inkLeftOf(L"alfa") > 0);
    // An indented paragraph has nothing before it.
    CHECK(inkLeftOf(L"Wci\u0119ty") == 0);
    CHECK(SaveScreenshot(shot, "helpview_page.png"));
}
