#include "GuiTestSupport.h"

#include "gui/PopupAlert.h"
#include "gui/PopupList.h"

#include <functional>

namespace {

RECT WorkArea()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Pixels of a window's client area as the screen shows them.
struct ClientPixels {
    HWND hwnd;
    explicit ClientPixels(HWND h) : hwnd(h)
    {
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        GdiFlush();
    }
    COLORREF At(int x, int y) const
    {
        HDC dc = GetDC(hwnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }
    int Count(COLORREF colour) const
    {
        RECT r;
        GetClientRect(hwnd, &r);
        HDC dc = GetDC(hwnd);
        int n = 0;
        for (int y = 0; y < r.bottom; y++)
            for (int x = 0; x < r.right; x++)
                n += GetPixel(dc, x, y) == colour;
        ReleaseDC(hwnd, dc);
        return n;
    }
};

int LineHeightOf(Form& form)
{
    DeviceContext dc = form.WindowDC();
    dc.SelectFont(form.GetFont());
    return dc.LineHeight();
}

SIZE TextSize(Form& form, const wchar_t* text)
{
    DeviceContext dc = form.WindowDC();
    dc.SelectFont(form.GetFont());
    return dc.MeasureLines(text, lstrlenW(text));
}

std::function<void()> TimerAction;

void CALLBACK RunTimerAction(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (TimerAction)
        TimerAction();
}

void SendTimerTicks(PopupAlert* alert, int n)
{
    for (int i = 0; i < n; i++)
        SendMessageW(alert->hwnd, WM_TIMER, PopupAlertTimer, 0);
}

} // namespace

TEST_CASE("a pop-up alert stays in the work area, blinks for ten ticks and never activates")
{
    TestForm main;
    main.SetBounds({100, 100, 700, 500});
    main.Show();
    main.Activate();
    Pump();
    PopupAlert* alert = NewPopupAlert(&main);
    RECT work = WorkArea();

    const wchar_t* text = L"Nothing found\r\nfor this text";
    alert->ShowAt(text, {work.right - 5, 300});
    Pump();
    RECT r = alert->WindowRect();
    int h = LineHeightOf(*alert);
    SIZE size = TextSize(*alert, text);
    CHECK(r.right - r.left == size.cx + 4 * h + 2);
    CHECK(r.bottom - r.top == size.cy + h + 2);
    CHECK(r.right <= work.right);
    CHECK(r.left >= work.left);
    CHECK(IsWindowVisible(alert->hwnd));
    CHECK(GetActiveWindow() == main.hwnd);
    CHECK((GetWindowLongW(alert->hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0);
    CHECK(SendMessageW(alert->hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(alert->hwnd),
                       MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)) == MA_NOACTIVATE);

    // The text shows in two phases of three and is left out in the third.
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    int shownPhases = 0;
    for (int i = 0; i < 3; i++) {
        int inked = ClientPixels(alert->hwnd).Count(ink);
        if (alert->paintCounter % 3 == 2)
            CHECK(inked == 0);
        else
            shownPhases += inked > 20;
        SendTimerTicks(alert, 1);
    }
    CHECK(shownPhases == 2);

    // A second message restarts the second; ten ticks later it is gone.
    SendTimerTicks(alert, 5);
    alert->ShowAt(L"again", {300, 300});
    CHECK(alert->ticks == 0);
    CHECK(alert->message.Equals(L"again"));
    SendTimerTicks(alert, 10);
    CHECK(alert->IsShown());
    SendTimerTicks(alert, 1);
    CHECK(!alert->IsShown());

    alert->ShowAt(L"cancelled", {300, 300});
    SendMessageW(alert->hwnd, WM_CANCELMODE, 0, 0);
    CHECK(!alert->IsShown());
    delete alert;
}

TEST_CASE("a pop-up list opens above its anchor and returns the row picked by the mouse")
{
    TestForm main;
    main.SetBounds({100, 100, 700, 600});
    main.Show();
    main.Activate();
    Pump();
    PopupList* list = NewPopupList(&main, 321);
    RECT anchor = {200, 500, 210, 520};
    CHECK(list->Run(anchor, L"x") == -1);
    CHECK(!list->IsShown());

    // The last item equal to the current text starts highlighted.
    for (const wchar_t* t : {L"UTF-8", L"UTF-16LE", L"UTF-8"})
        list->items.Append(t);
    int highlightedAtStart = -1;
    TimerAction = [&] {
        CHECK(GetActiveWindow() == main.hwnd);
        highlightedAtStart = list->highlighted;
        int h = list->rowHeight;
        PostMessageW(list->hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, h + h / 2));
        PostMessageW(list->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, h + h / 2));
    };
    SetTimer(nullptr, 0, 10, RunTimerAction);
    CHECK(list->Run(anchor, L"UTF-8") == 1);
    CHECK(highlightedAtStart == 2);
    CHECK(list->highlighted == 1);
    CHECK(!list->IsShown());
    CHECK(!list->HasCapture());

    int h = list->rowHeight;
    RECT r = list->WindowRect();
    CHECK(r.bottom == anchor.top);
    CHECK(r.top == anchor.top - (3 * h + 2));
    CHECK(r.left == anchor.left);
    CHECK(r.right - r.left >= 44);
    CHECK(r.right - r.left == list->textWidth + 4);

    // Dismissed by a right click, a click past the width, or just above the
    // first row.
    PostMessageW(list->hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(list->Run(anchor, L"") == -2);
    PostMessageW(list->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(list->textWidth + 4, 5));
    CHECK(list->Run(anchor, L"") == -2);
    PostMessageW(list->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, -1));
    CHECK(list->Run(anchor, L"") == -2);
    PostMessageW(list->hwnd, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(list->Run(anchor, L"") == -2);

    // A wide anchor keeps its width.
    RECT wide = {100, 500, 600, 520};
    PostMessageW(list->hwnd, WM_CANCELMODE, 0, 0);
    CHECK(list->Run(wide, L"") == -2);
    r = list->WindowRect();
    CHECK(r.right - r.left == 500);
    delete list;
}

TEST_CASE("the owner moves a pop-up list's highlight and ends its run; rows paint their colours")
{
    TestForm main;
    main.SetBounds({100, 100, 700, 600});
    main.Show();
    Pump();
    PopupList* list = NewPopupList(&main, 321);
    for (const wchar_t* t : {L"one", L"two", L"three", L"four"})
        list->items.Append(t);

    COLORREF highlight = 0, plain = 0, highlightBefore = 0;
    int highlightedBefore = 0;
    TimerAction = [&] {
        highlightedBefore = list->highlighted;
        list->SelectNext();
        highlightBefore = list->highlighted;
        list->SelectNext();
        list->SelectNext();
        list->SelectNext();
        list->SelectNext();
        list->SelectPrevious();
        int h = list->rowHeight;
        ClientPixels pixels(list->hwnd);
        highlight = pixels.At(0, 2 * h + h / 2);
        plain = pixels.At(0, h / 2);
        list->result = list->highlighted;
    };
    SetTimer(nullptr, 0, 10, RunTimerAction);
    CHECK(list->Run({300, 500, 400, 520}, L"none of them") == 2);
    CHECK(highlightedBefore == -1);
    CHECK(highlightBefore == 0);
    CHECK(highlight == GetSysColor(COLOR_HIGHLIGHT));
    CHECK(plain == GetSysColor(COLOR_WINDOW));

    list->highlighted = -1;
    list->SelectPrevious();
    CHECK(list->highlighted == 0);

    // A list whose rows have no height yet finds no row without dividing by 0.
    list->rowHeight = 0;
    SendMessageW(list->hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(list->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(list->result >= -2);
    delete list;
}
