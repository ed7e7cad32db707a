#include "ViewTestSupport.h"

namespace {

// Gives the view the keyboard focus. Windows of other test programs on the
// same display may take the activation while queued events are processed,
// so the focus is set last, after the queue was emptied.
void Focus(ViewBench& bench)
{
    for (int attempt = 0; attempt < 50; attempt++) {
        Pump();
        SetActiveWindow(bench.host.hwnd);
        bench.view->SetFocus();
        if (bench.view->HasFocus())
            return;
        Sleep(20);
    }
}

RECT CaretRect()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    return info.rcCaret;
}

HWND CaretWindow()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    return info.hwndCaret;
}

std::string Rows(int n)
{
    return NumberedLines(n);
}

}  // namespace

TEST_CASE("a view without a document paints only its background")
{
    ViewBench bench(200, 120);
    RECT client = bench.view->ClientRect();
    Canvas canvas(client.right, client.bottom);
    PaintResult result = bench.PaintInto(canvas);
    CHECK(result.valid == 1);
    CHECK(canvas.All(client, bench.view->currentStyle->textBgColor));
    bench.Paint();
    CHECK_FALSE(bench.view->barsPainted);
    CHECK_FALSE(bench.view->caretCreated);

    // Removing the shown document brings the background back.
    TextDocument* doc = bench.Add("text");
    bench.Paint();
    CHECK(bench.view->barsPainted);
    bench.Event(1, doc);
    CHECK(bench.view->currentState == nullptr);
    PaintResult after = bench.PaintInto(canvas);
    CHECK(after.valid == 1);
    CHECK(canvas.All(client, bench.view->currentStyle->textBgColor));
}

TEST_CASE("the painted text and bars follow the document")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(Rows(100));
    bench.Paint();
    TextView& view = *bench.view;
    CHECK(view.vertPos == 0);
    CHECK(view.vertRange == doc->text.LineBreakCount() + 1);
    int32 lh = bench.LineHeight();
    RECT area;
    view.TextArea(area);
    CHECK(view.vertPage == (area.bottom - area.top - view.currentStyle->topMargin) / lh);
    CHECK(bench.State().paintedFirst == 0);
    CHECK(bench.State().paintedLast > 0);
    view.SetTopPosition(doc->text.LineStart(30));
    bench.Paint();
    CHECK(view.vertPos == 30);
    CHECK(bench.State().paintedFirst == doc->text.LineStart(30));

    // The top never lands in the middle of a CR LF pair.
    TextDocument* crlf = bench.Add("a\r\nb\r\nc");
    view.SetTopPosition(2);
    CHECK(bench.Top() == 1);
    (void)crlf;
}

TEST_CASE("a view scrolled past the right end of its text is pulled back")
{
    ViewBench bench(300, 200);
    bench.Add(std::string(100, 'm'));
    bench.State().horzOffset = 100000;
    RECT client = bench.view->ClientRect();
    Canvas canvas(client.right, client.bottom);
    PaintResult result = bench.PaintInto(canvas);
    CHECK(bench.State().horzOffset == std::max<int64>(result.widest - result.pageWidth, 0));
    CHECK(bench.State().horzOffset < 100000);
    CHECK(result.widest > result.pageWidth);
}

TEST_CASE("the system caret follows focus and hides when scrolled out of view")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(Rows(100));
    Focus(bench);
    REQUIRE(bench.view->HasFocus());
    CHECK(bench.handler.Count(RecordingViewHandler::Focus) >= 1);
    bench.view->SetCaret(doc, doc->text.LineStart(2), 0, 0);
    bench.Paint();
    CHECK(bench.view->caretCreated);
    CHECK(CaretWindow() == bench.view->hwnd);
    int32 lh = bench.LineHeight();
    RECT caret = CaretRect();
    CHECK(caret.top == 2 * lh + bench.view->currentStyle->topMargin);
    CHECK(caret.bottom - caret.top == lh);
    CHECK(caret.right - caret.left == bench.view->caretWidth);

    bench.view->ScrollLinesDown(10);
    bench.Paint();
    CHECK_FALSE(bench.view->caretCreated);
    bench.view->ScrollToShow(0, 2, true, true);
    bench.Paint();
    CHECK(bench.view->caretCreated);

    SUBCASE("overwrite mode makes the caret three times as wide")
    {
        bench.State().overwrite = true;
        bench.Event(9, doc);
        RECT wide = CaretRect();
        CHECK(wide.right - wide.left == 3 * bench.view->caretWidth);
        CHECK(bench.view->caretCreated);
    }
    SUBCASE("losing the focus removes the caret")
    {
        SetFocus(bench.host.hwnd);
        CHECK_FALSE(bench.view->HasFocus());
        CHECK_FALSE(bench.view->caretCreated);
        CHECK(CaretWindow() != bench.view->hwnd);
    }
}

TEST_CASE("the input-method candidate window opens half a line below the caret row")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add("abc\ndef");
    bench.view->SetCaret(doc, 6, 0, 0);
    bench.Paint();
    IMECHARPOSITION position{};
    position.dwSize = sizeof position;
    LRESULT answered = bench.Send(WM_IME_REQUEST, IMR_QUERYCHARPOSITION, reinterpret_cast<LPARAM>(&position));
    CHECK(answered == 1);
    TextView& view = *bench.view;
    int32 lh = bench.LineHeight();
    POINT expected{static_cast<LONG>(view.TextXToClientX(view.caretX)),
                   static_cast<LONG>(lh + view.currentStyle->topMargin + lh + lh / 2)};
    expected = view.ClientToScreenPoint(expected);
    CHECK(position.pt.x == expected.x);
    CHECK(position.pt.y == expected.y);
    CHECK(position.cLineHeight == static_cast<UINT>(lh));
    RECT area;
    view.TextArea(area);
    RECT screen = view.ClientToScreenRect(area);
    CHECK(EqualRect(&position.rcDocument, &screen));
    CHECK(bench.Send(WM_IME_REQUEST, IMR_RECONVERTSTRING, 0) == 0);
}

TEST_CASE("input-method messages reach the handler as strings")
{
    ViewBench bench(300, 200);
    bench.Add("x");
    Focus(bench);
    bench.Send(WM_IME_STARTCOMPOSITION, 0, 0);
    REQUIRE(bench.handler.Count(RecordingViewHandler::ImeText) == 1);
    CHECK(bench.handler.Last(RecordingViewHandler::ImeText).flag == 0);
    CHECK(bench.handler.Last(RecordingViewHandler::ImeText).text.empty());
    bench.Send(WM_IME_ENDCOMPOSITION, 0, 0);
    bench.Send(WM_IME_SETCONTEXT, 1, 0);
    CHECK(bench.handler.Count(RecordingViewHandler::ImeText) == 1);

    // A composition with a letter outside the basic plane, then its result.
    HIMC context = ImmGetContext(bench.view->hwnd);
    REQUIRE(context);
    const wchar_t text[] = L"\u0105b\U0001F600";
    bench.handler.events.clear();
    CHECK(ImmSetCompositionStringW(context, SCS_SETSTR, const_cast<wchar_t*>(text), sizeof text - sizeof(wchar_t),
                                   nullptr, 0));
    std::vector<std::pair<int32, std::wstring>> seen;
    for (const auto& e : bench.handler.events)
        seen.emplace_back(e.flag, e.text);
    REQUIRE(seen.size() >= 2);
    CHECK(seen.front() == std::make_pair(0, std::wstring()));
    CHECK(seen.back() == std::make_pair(1, std::wstring(text)));
    bench.handler.events.clear();
    CHECK(ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    ImmReleaseContext(bench.view->hwnd, context);
    seen.clear();
    for (const auto& e : bench.handler.events)
        seen.emplace_back(e.flag, e.text);
    REQUIRE(seen.size() >= 2);
    CHECK(seen[seen.size() - 2] == std::make_pair(1, std::wstring(text)));
    CHECK(seen.back() == std::make_pair(0, std::wstring()));
}

TEST_CASE("the cursor is an I-beam over the text and an arrow elsewhere")
{
    ViewBench bench(300, 200);
    bench.Add(Rows(100));
    bench.Paint();
    TextView& view = *bench.view;
    POINT text = view.ClientToScreenPoint(POINT{100, 50});
    SetCursorPos(text.x, text.y);
    POINT at{};
    GetCursorPos(&at);
    if (at.x == text.x && at.y == text.y) {
        CHECK(bench.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(view.hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) ==
              TRUE);
        CHECK(GetCursor() == view.ibeamCursor);
        POINT bar = view.ClientToScreenPoint(POINT{view.vertBar.left + 2, 50});
        SetCursorPos(bar.x, bar.y);
        bench.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(view.hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        CHECK(GetCursor() == view.arrowCursor);
    }
}

TEST_CASE("the inactive style fades the painted background")
{
    ViewBench bench(200, 100);
    bench.Add("x");
    TextView& view = *bench.view;
    view.currentStyle = view.inactiveStyle.get();
    RECT client = view.ClientRect();
    Canvas canvas(client.right, client.bottom);
    bench.PaintInto(canvas);
    CHECK(canvas.At(client.right - 30, client.bottom - 5) == view.inactiveStyle->textBgColor);
    CHECK(view.inactiveStyle->textBgColor == 0xF7F7F7);
}

TEST_CASE("reloading the style removes a caret that its new rows leave out of view")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(Rows(100));
    Focus(bench);
    REQUIRE(bench.view->HasFocus());
    TextView& view = *bench.view;
    RECT area;
    view.TextArea(area);
    int32 rows = (area.bottom - area.top - view.currentStyle->topMargin) / bench.LineHeight();
    view.SetCaret(doc, doc->text.LineStart(rows - 1), 0, 0);
    bench.Paint();
    REQUIRE(view.caretCreated);
    REQUIRE(CaretWindow() == view.hwnd);

    view.ReloadStyle(MakeSettings({{L"FontSize", L"30"}}));
    CHECK_FALSE(view.caretCreated);
    bench.Paint();
    CHECK_FALSE(view.caretCreated);
    CHECK(CaretWindow() != view.hwnd);

    // Back at the old size the caret row is in view again and gets a caret.
    view.ReloadStyle(bench.settings);
    bench.Paint();
    CHECK(view.caretCreated);
    CHECK(CaretWindow() == view.hwnd);
}

TEST_CASE("the off-screen image is kept while the size stays and made anew for a new size")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(Rows(50));
    bench.Paint();
    TextView& view = *bench.view;
    HGDIOBJ first = view.backBuffer.Handle();
    REQUIRE(first != nullptr);
    CHECK(view.backWidth == 300);
    CHECK(view.backHeight == 200);
    // Scrolled and painted again: the same image, the new rows.
    view.SetTopPosition(doc->text.LineStart(20));
    bench.Paint();
    CHECK(view.backBuffer.Handle() == first);
    CHECK(bench.State().paintedFirst == doc->text.LineStart(20));
    view.SetBounds(RECT{0, 0, 260, 150});
    bench.Paint();
    CHECK(view.backWidth == 260);
    CHECK(view.backHeight == 150);
    BITMAP info = {};
    REQUIRE(GetObjectW(view.backBuffer.Handle(), sizeof info, &info) == sizeof info);
    CHECK(info.bmWidth == 260);
    CHECK(info.bmHeight == 150);
}

TEST_CASE("matching brackets are painted in the highlight background, find matches as strips in selection colour 3")
{
    const COLORREF green = 0x00FF00, magenta = 0xFF00FF;
    ViewBench bench(300, 100, MakeSettings({{L"HighlightBgColor", L"#00ff00"}, {L"SelectionColor3", L"#ff00ff"}}));
    TextDocument* doc = bench.Add("(ab) cd ef\nx");
    TextView& view = *bench.view;
    view.SetCaret(doc, doc->text.Size(), 0, 2);
    Array<int64> brackets = Pairs({0, 1, 3, 4});
    view.SetBracketHighlights(doc, brackets);
    view.SetFindHighlights(Pairs({5, 7}));
    RECT client = view.ClientRect();
    Canvas canvas(client.right, client.bottom);
    bench.PaintInto(canvas);
    int32 lh = bench.LineHeight();
    // Pixels of the colour over the characters [start, end) of the first row,
    // and how many of them lie above the row's bottom strip.
    struct Count {
        int total = 0;
        int aboveStrip = 0;
    };
    auto count = [&](int64 start, int64 end, COLORREF c) {
        POINT a = view.PositionToPoint(start), b = view.PositionToPoint(end);
        Count n;
        for (int y = a.y; y < a.y + lh; y++)
            for (int x = a.x; x < b.x; x++)
                if (canvas.At(x, y) == c) {
                    n.total++;
                    n.aboveStrip += y < a.y + lh - (lh / 4 + 1);
                }
        return n;
    };
    for (int64 bracket : {0, 3}) {
        CAPTURE(bracket);
        POINT a = view.PositionToPoint(bracket), b = view.PositionToPoint(bracket + 1);
        CHECK(count(bracket, bracket + 1, green).total * 3 > (b.x - a.x) * lh);
        CHECK(count(bracket, bracket + 1, magenta).total == 0);
    }
    Count found = count(5, 7, magenta);
    CHECK(found.total > 0);
    CHECK(found.aboveStrip == 0);
    CHECK(count(5, 7, green).total == 0);
    // Nothing of either colour between them.
    CHECK(count(1, 3, green).total + count(1, 3, magenta).total == 0);
}
