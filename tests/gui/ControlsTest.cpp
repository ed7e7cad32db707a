#include "GuiTestSupport.h"

#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/CheckMark.h"
#include "gui/ComboBox.h"
#include "gui/EditLine.h"
#include "gui/EditText.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/NativeControl.h"
#include "gui/StaticIcon.h"
#include "gui/StaticText.h"

#include <algorithm>
#include <climits>
#include <string>

namespace {

int S(int v, int dpi)
{
    return MulDiv(v, dpi, 96);
}

const int Dpis[] = {96, 144, 192};

// A form at a DPI with its fonts built for it and a column to put controls in.
struct Host {
    TestForm form;
    ElasticGroup* column;
    explicit Host(int dpi)
    {
        form.SetDpi(dpi);
        form.BuildFonts(dpi);
        column = NewElasticGroup(ElasticGroup::Column, &form);
    }
};

// Measures text the way a test expects it to be measured: in the control's
// window DC with the form's font.
struct Ruler {
    HDC dc;
    HWND window;
    HGDIOBJ old;
    Ruler(Control& c, Form& form) : dc(GetDC(c.hwnd)), window(c.hwnd)
    {
        old = SelectObject(dc, form.GetFont().Handle());
    }
    ~Ruler()
    {
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    SIZE Draw(const wchar_t* text, UINT flags, LONG width = INT_MAX, LONG height = INT_MAX)
    {
        RECT r = {0, 0, width, height};
        DrawTextW(dc, text, -1, &r, flags | DT_CALCRECT);
        return {r.right, r.bottom};
    }
    SIZE Extent(const wchar_t* text)
    {
        SIZE s = {0, 0};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &s);
        return s;
    }
    LONG AverageCharWidth()
    {
        TEXTMETRICW tm = {};
        GetTextMetricsW(dc, &tm);
        return tm.tmAveCharWidth;
    }
};

SizeLimits MeasureOf(Control* c)
{
    SizeLimits l = {-1, -1, -1, -1};
    c->Measure(l);
    return l;
}

RECT ChildRect(Control* c)
{
    RECT r;
    GetWindowRect(c->hwnd, &r);
    MapWindowPoints(nullptr, GetParent(c->hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST_CASE("labels measure their text without the access-key ampersand, and centre in taller room")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        Label* empty = NewLabel(host.column, nullptr);
        Label* open = NewLabel(host.column, L"&Open file");
        CHECK(open->GetId() == static_cast<uint32_t>(-1));
        CHECK((GetWindowLongW(open->hwnd, GWL_STYLE) & WS_TABSTOP) == 0);
        Ruler ruler(*open, host.form);
        SIZE wy = ruler.Draw(L"Wy", DT_NOPREFIX | DT_SINGLELINE);
        SizeLimits l = MeasureOf(empty);
        CHECK(l.minWidth == S(2, dpi));
        CHECK(l.maxWidth == S(2, dpi));
        CHECK(l.minHeight == wy.cy);

        SIZE text = ruler.Draw(L"Open file", DT_SINGLELINE | DT_NOPREFIX);
        l = MeasureOf(open);
        CHECK(l.minWidth == text.cx + S(2, dpi));
        CHECK(l.maxHeight == text.cy);
        CHECK(text.cx < ruler.Draw(L"&Open file", DT_SINGLELINE | DT_NOPREFIX).cx);

        open->horizontalInset = 3;
        open->verticalInset = 2;
        l = MeasureOf(open);
        CHECK(l.minWidth == text.cx + S(2, dpi) + 2 * S(3, dpi));
        CHECK(l.minHeight == text.cy + 2 * S(2, dpi));

        open->SetBounds({10, 20, 300, 20 + l.minHeight + 11});
        RECT r = ChildRect(open);
        CHECK(r.top == 20 + 11 / 2);
        CHECK(r.bottom - r.top == l.minHeight);
        CHECK(r.right == 300);
    }
}

TEST_CASE("a hidden label gives up its access key")
{
    Host host(96);
    Label* label = NewLabel(host.column, L"&Name");
    CHECK((GetWindowLongW(label->hwnd, GWL_STYLE) & SS_NOPREFIX) == 0);
    label->Hide();
    CHECK((GetWindowLongW(label->hwnd, GWL_STYLE) & SS_NOPREFIX) != 0);
    CHECK(!IsWindowVisible(label->hwnd));
    label->ShowNoActivate();
    CHECK((GetWindowLongW(label->hwnd, GWL_STYLE) & SS_NOPREFIX) == 0);
}

TEST_CASE("a static text is as wide as a short message and wraps a long one at about 60 characters")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        StaticText* shortText = NewStaticText(host.column, L"Saved.");
        shortText->wrapWidth = -60;
        CHECK(shortText->GetId() == 33);
        Ruler ruler(*shortText, host.form);
        SizeLimits l = MeasureOf(shortText);
        SIZE saved = ruler.Extent(L"Saved.");
        // Wrapped text keeps an average character of room for glyphs that
        // ink past their advance widths.
        const LONG room = ruler.AverageCharWidth();
        CHECK(room > 0);
        CHECK(l.minWidth == saved.cx + room);
        CHECK(l.maxWidth == saved.cx + room);
        CHECK(l.minHeight == saved.cy);

        std::wstring words;
        for (int i = 0; i < 40; i++)
            words += L"word ";
        StaticText* longText = NewStaticText(host.column, words.c_str());
        longText->wrapWidth = -60;
        int alphabet = ruler.Extent(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz").cx;
        int wrap = (alphabet + 26) * 60 / 52;
        l = MeasureOf(longText);
        CHECK(l.minWidth <= wrap + room);
        CHECK(l.minWidth > wrap + room - ruler.Extent(L"word ").cx);
        CHECK(l.minHeight >= 3 * saved.cy);
        CHECK(l.minHeight == ruler.Draw(words.c_str(), DT_NOPREFIX | DT_WORDBREAK, wrap, 1).cy);

        // A fixed wrap width in pixels.
        longText->wrapWidth = 100;
        CHECK(MeasureOf(longText).minWidth <= 100 + room);
    }
}

TEST_CASE("buttons are at least twelve and a half average characters wide and a default when 1 or 6")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ButtonsBar* bar = NewButtonsBar(host.column);
        Button* ok = NewButton(bar, L"OK", 1, L"Closes");
        Button* yes = NewButton(bar, L"Yes", 6, nullptr);
        Button* other = NewButton(bar, L"A much longer caption than usual", 7, nullptr);
        CHECK((GetWindowLongW(ok->hwnd, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON);
        CHECK((GetWindowLongW(yes->hwnd, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON);
        CHECK((GetWindowLongW(other->hwnd, GWL_STYLE) & 0xF) == BS_PUSHBUTTON);
        CHECK(ok->hint.Equals(L"Closes"));
        CHECK(yes->hint.IsEmpty());

        Ruler ruler(*ok, host.form);
        int a = (ruler.Draw(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
                            DT_NOPREFIX | DT_SINGLELINE).cx + 26) / 52;
        SIZE okText = ruler.Draw(L"OK", DT_NOPREFIX | DT_SINGLELINE);
        SizeLimits l = MeasureOf(ok);
        CHECK(l.minWidth == (50 * a + 2) / 4);
        CHECK(l.minHeight == (okText.cy * 14 + 4) / 8);
        CHECK(l.maxWidth == l.minWidth);
        SIZE longText = ruler.Draw(L"A much longer caption than usual", DT_NOPREFIX | DT_SINGLELINE);
        CHECK(MeasureOf(other).minWidth == longText.cx + 4 * a);

        other->horizontalInset = 5;
        other->verticalInset = 3;
        l = MeasureOf(other);
        CHECK(l.minWidth == longText.cx + 2 * S(5, dpi));
        CHECK(l.minHeight == longText.cy + 2 * S(3, dpi));

        host.form.buttonHeight = 20;
        CHECK(MeasureOf(ok).minHeight == (S(20, dpi) * 14 + 4) / 8);
    }
}

TEST_CASE("a check mark measures its caption plus its box and starts as asked")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        CheckMark* on = NewCheckMark(host.column, L"&Wrap lines", 40, true, nullptr);
        CheckMark* off = NewCheckMark(host.column, L"Other", 41, false, nullptr);
        CHECK(on->IsChecked());
        CHECK(!off->IsChecked());
        Ruler ruler(*on, host.form);
        SIZE text = ruler.Extent(L"&Wrap lines");
        SizeLimits l = MeasureOf(on);
        CHECK(l.minWidth == text.cx + 20);
        CHECK(l.maxWidth == text.cx + 20);
        CHECK(l.minHeight == text.cy);
        off->SetBounds({0, 0, l.minWidth, l.minHeight});
        SendMessageW(off->hwnd, BM_CLICK, 0, 0);
        CHECK(off->IsChecked());
    }
}

TEST_CASE("edit fields measure from their font: seven o's wide, a line and insets high")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        EditLine* line = NewEditLine(host.column, EditReadOnly | EditRightAligned, 30, nullptr);
        EditLine* bare = NewEditLine(host.column, EditNoEdge | NoTabStop, 31, nullptr);
        EditText* box = NewEditText(host.column);
        DWORD style = static_cast<DWORD>(GetWindowLongW(line->hwnd, GWL_STYLE));
        CHECK((style & ES_READONLY) != 0);
        CHECK((style & ES_RIGHT) != 0);
        CHECK((GetWindowLongW(line->hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
        CHECK((GetWindowLongW(bare->hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0);
        CHECK((GetWindowLongW(bare->hwnd, GWL_STYLE) & WS_TABSTOP) == 0);
        CHECK(bare->style == NoTabStop);

        Ruler ruler(*line, host.form);
        int lineHeight = ruler.Extent(L"Wy").cy;
        SizeLimits l = MeasureOf(line);
        CHECK(l.minWidth == 7 * ruler.Extent(L"o").cx);
        CHECK(l.maxWidth == Unbounded);
        CHECK(l.minHeight == lineHeight + 2 * S(4, dpi));
        CHECK(l.maxHeight == l.minHeight);
        CHECK(line->minHeight == l.minHeight);

        box->minRows = 3;
        box->maxRows = 5;
        l = MeasureOf(box);
        CHECK(l.minWidth == 50);
        CHECK(l.minHeight == 3 * lineHeight + 2 * S(4, dpi));
        CHECK(l.maxHeight == 5 * lineHeight + 2 * S(4, dpi));
    }
}

namespace {

// A dialog with an edit line above an OK button, its commands recorded.
struct EditDialog {
    TestForm owner;
    TestDialog dialog;
    EditLine* line;
    EditText* box;
    Button* ok;
    EditDialog() : dialog(&owner, 0, 60)
    {
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &dialog);
        line = NewEditLine(column, 0, 77, nullptr);
        box = NewEditText(column);
        ButtonsBar* bar = NewButtonsBar(column);
        ok = NewButton(bar, L"OK", 1, nullptr);
        dialog.Place();
        dialog.Show();
        line->SetFocus();
    }
    // Posts a key as the keyboard would and lets the dialog's loop take it.
    void Key(HWND target, WPARAM key)
    {
        dialog.commands.clear();
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        dialog.PumpPending();
    }
};

} // namespace

TEST_CASE("an edit line takes Enter for its owner only when its key flags ask for it")
{
    EditDialog d;
    d.Key(d.line->hwnd, VK_RETURN);
    CHECK(d.dialog.commands == std::vector<int>{IDOK});

    d.line->keyFlags = WantsEnter;
    d.Key(d.line->hwnd, VK_RETURN);
    CHECK(d.dialog.commands == std::vector<int>{77});
    MSG enter = {d.line->hwnd, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    CHECK(SendMessageW(d.line->hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) ==
          DLGC_WANTALLKEYS);

    // Escape is still the dialog's until the line claims it too.
    d.Key(d.line->hwnd, VK_ESCAPE);
    CHECK(d.dialog.commands == std::vector<int>{IDCANCEL});
    d.line->keyFlags = WantsEnter | WantsEscape | WantsTab;
    d.Key(d.line->hwnd, VK_ESCAPE);
    CHECK(d.dialog.commands == std::vector<int>{77});
    d.Key(d.line->hwnd, VK_TAB);
    CHECK(d.dialog.commands == std::vector<int>{77});
    CHECK(GetFocus() == d.line->hwnd);

    // A multi-line box leaves Tab and Enter to the dialog without flags.
    d.box->SetFocus();
    d.Key(d.box->hwnd, VK_RETURN);
    CHECK(d.dialog.commands == std::vector<int>{IDOK});
    MSG tab = {d.box->hwnd, WM_CHAR, VK_TAB, 1, 0, {0, 0}};
    CHECK(SendMessageW(d.box->hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) == 0);
    d.box->keyFlags = WantsEnter;
    d.Key(d.box->hwnd, VK_RETURN);
    CHECK(std::count(d.dialog.commands.begin(), d.dialog.commands.end(), IDOK) == 0);
    CHECK(d.box->GetText().Equals(L"\r\n"));
}

TEST_CASE("up and down in an edit line go to its owner and leave the caret alone")
{
    EditDialog d;
    d.line->SetText(L"abcdef");
    d.line->SendMsg(EM_SETSEL, 2, 2);
    d.Key(d.line->hwnd, VK_DOWN);
    CHECK(d.dialog.commands == std::vector<int>{77});
    d.Key(d.line->hwnd, VK_UP);
    CHECK(d.dialog.commands == std::vector<int>{77});
    DWORD start = 0, end = 0;
    d.line->SendMsg(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    CHECK(start == 2);
    CHECK(end == 2);
}

TEST_CASE("edit lines report their keys to the parent window with their id and the key's code")
{
    Host host(96);
    Panel* panel = new Panel(host.column);
    std::vector<std::pair<int, int>> notices;
    panel->onCommand = [&](MessageRecord& m) {
        if (HIWORD(m.wParam) >= 40000)
            notices.push_back({LOWORD(m.wParam), HIWORD(m.wParam)});
    };
    EditLine* line = NewEditLine(panel, 0, 90, nullptr);
    line->SendMsg(WM_KEYDOWN, VK_UP, 1);
    line->SendMsg(WM_KEYDOWN, VK_DOWN, 1);
    line->SendMsg(WM_CHAR, 9, 1);
    line->SendMsg(WM_CHAR, 13, 1);
    line->SendMsg(WM_CHAR, 27, 1);
    line->SendMsg(WM_CHAR, 'x', 1);
    std::vector<std::pair<int, int>> expected = {
        {90, 40000}, {90, 40001}, {90, 40002}, {90, 40003}, {90, 40004}};
    CHECK(notices == expected);
    CHECK(line->GetText().Equals(L"x"));
}

TEST_CASE("list and combo boxes answer their selected text, empty when nothing is selected")
{
    Host host(96);
    ListBox* list = NewListBox(host.column, ListSorted, 10, nullptr);
    ComboBox* combo = NewComboBox(host.column, 11, nullptr);
    CHECK((GetWindowLongW(list->hwnd, GWL_STYLE) & LBS_SORT) != 0);
    CHECK((GetWindowLongW(combo->hwnd, GWL_STYLE) & 3) == CBS_DROPDOWNLIST);
    CHECK(list->SelectedText().IsEmpty());
    CHECK(combo->SelectedText().IsEmpty());
    for (const wchar_t* item : {L"pear", L"apple", L"quince \u0105\u0119"}) {
        list->SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        combo->SendMsg(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    list->SendMsg(LB_SETCURSEL, 0, 0);
    CHECK(list->SelectedText().Equals(L"apple"));
    combo->SendMsg(CB_SETCURSEL, 2, 0);
    CHECK(combo->SelectedText().Equals(L"quince \u0105\u0119"));
    combo->SendMsg(CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    CHECK(combo->SelectedText().IsEmpty());
}

TEST_CASE("a list box fitted to its items is as tall as its rows allow")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ListBox* fitted = NewListBox(host.column, ListFitItems, 10, nullptr);
        ListBox* plain = NewListBox(host.column, ListNoEdge, 12, nullptr);
        CHECK((GetWindowLongW(plain->hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0);
        CHECK((GetWindowLongW(plain->hwnd, GWL_STYLE) & LBS_NOINTEGRALHEIGHT) != 0);
        Ruler ruler(*fitted, host.form);
        int line = ruler.Extent(L"Wy").cy;
        SizeLimits l = MeasureOf(fitted);
        CHECK(l.minWidth == S(50, dpi));
        CHECK(l.minHeight == line + 2 * S(2, dpi));
        CHECK(l.maxHeight == line + 2 * S(2, dpi));
        for (int i = 0; i < 3; i++)
            fitted->SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"row"));
        CHECK(MeasureOf(fitted).maxHeight == 3 * line + 2 * S(2, dpi));
        fitted->minRows = 5;
        CHECK(MeasureOf(fitted).maxHeight == 5 * line + 2 * S(2, dpi));
        CHECK(MeasureOf(plain).maxHeight == Unbounded);
    }
}

TEST_CASE("a combo box centres its edit part and drops a list as long as the work area allows")
{
    Host host(96);
    ComboBox* combo = NewComboBox(host.column, 11, nullptr);
    Ruler ruler(*combo, host.form);
    int item = ruler.Extent(L"W").cy;
    SizeLimits l = MeasureOf(combo);
    CHECK(l.minHeight == item + 2 * S(4, 96));
    CHECK(l.minWidth == 2 * l.minHeight);
    CHECK(l.maxWidth == Unbounded);

    combo->SetBounds({0, 100, 200, 100 + item + 8 + 10});
    RECT r = ChildRect(combo);
    CHECK(r.top == 105);
    // The window reports its edit part; the rest of its height is the list.
    RECT dropped;
    combo->SendMsg(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    CHECK((r.bottom - r.top) + (dropped.bottom - dropped.top) == 50);

    for (int i = 0; i < 1000; i++)
        combo->SendMsg(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"entry"));
    combo->SetBounds({0, 0, 200, 30});
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(combo->hwnd, MONITOR_DEFAULTTONEAREST), &info);
    int expected = (info.rcWork.bottom - info.rcWork.top - 30) / 2;
    r = ChildRect(combo);
    combo->SendMsg(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    CHECK((r.bottom - r.top) + (dropped.bottom - dropped.top) == expected);
}

TEST_CASE("a static icon shows the icon it is given at that size, centred across")
{
    Host host(96);
    StaticIcon* icon = NewStaticIcon(host.column);
    CHECK(icon->GetId() == 0);
    CHECK(!icon->followsFormFont);
    Icon loaded;
    loaded.Adopt(static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32516), IMAGE_ICON, 48,
                                               48, 0)),
                 false);
    REQUIRE(!loaded.IsEmpty());
    icon->SetIcon(loaded, 48, 48);
    CHECK(reinterpret_cast<HICON>(icon->SendMsg(STM_GETICON, 0, 0)) == loaded.Handle());
    SizeLimits l = MeasureOf(icon);
    CHECK(l.minWidth == 48);
    CHECK(l.maxHeight == 48);
    icon->SetBounds({0, 10, 100, 200});
    RECT r = ChildRect(icon);
    CHECK(r.left == 26);
    CHECK(r.top == 10);
    CHECK(r.bottom == 58);
}
