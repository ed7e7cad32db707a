#include "ViewTestSupport.h"

#include "spell/DictRegistry.h"

#include <algorithm>
#include <random>

TEST_CASE("a view follows the add, remove and current-document events")
{
    ViewBench bench;
    TextView& view = *bench.view;
    CHECK(view.CurrentDocument() == nullptr);

    TextDocument* first = bench.Add("first");
    CHECK(view.CurrentDocument() == first);
    REQUIRE(view.FindViewState(first));
    CHECK(view.FindViewState(first)->pendingIndentPos == -1);
    CHECK(view.FindViewState(first)->desiredX == -1);
    CHECK(view.FindViewState(nullptr) == nullptr);
    bench.Event(0, nullptr);
    CHECK(view.viewStates.Count() == 1);

    SUBCASE("event 2 for another view leaves a view that shows a document alone")
    {
        bench.docs.push_back(std::make_unique<TextDocument>());
        TextDocument* second = bench.docs.back().get();
        bench.Event(0, second);
        TextView* other = TextView::Create(&SharedHost(1), 10, nullptr, nullptr, bench.settings, nullptr,
                                           bench.factory.get());
        bench.Event(2, second, other);
        CHECK(view.CurrentDocument() == first);
        bench.Event(2, second, &view);
        CHECK(view.CurrentDocument() == second);
        delete other;
    }
    SUBCASE("event 2 for another view shows the document in a view that shows none")
    {
        bench.Event(1, first);
        CHECK(view.CurrentDocument() == nullptr);
        CHECK(view.currentState == nullptr);
        CHECK(view.FindViewState(first) == nullptr);
        bench.docs.push_back(std::make_unique<TextDocument>());
        TextDocument* second = bench.docs.back().get();
        bench.Event(0, second);
        bench.Event(2, second, nullptr);
        CHECK(view.CurrentDocument() == second);
    }
    SUBCASE("a document without a view state is not shown")
    {
        TextDocument stranger;
        view.ShowDocument(&stranger);
        CHECK(view.CurrentDocument() == nullptr);
        CHECK(view.currentState == nullptr);
        CHECK_FALSE(view.barsPainted);
    }
}

TEST_CASE("random adds, removals and shows keep each text's first state, in order of adding")
{
    ViewBench bench;
    TextView& view = *bench.view;
    for (int i = 0; i < 40; i++)
        bench.docs.push_back(std::make_unique<TextDocument>());
    // The model: the states in order of adding, and the shown one.
    std::vector<ViewState*> model;
    ViewState* shown = nullptr;
    auto first = [&](TextDocument* doc) -> ViewState* {
        for (ViewState* state : model)
            if (state->document == doc)
                return state;
        return nullptr;
    };
    const unsigned seed = 5150;
    INFO("seed " << seed);
    std::mt19937 rng(seed);
    for (int step = 0; step < 1500; step++) {
        INFO("step " << step);
        TextDocument* doc = bench.docs[rng() % bench.docs.size()].get();
        switch (rng() % 7) {
        case 0:
        case 1:
        case 2: {
            bench.Event(0, doc);
            REQUIRE(view.viewStates.Count() == static_cast<int64>(model.size()) + 1);
            ViewState* added = view.viewStates.At(view.viewStates.Count() - 1);
            CHECK(added->document == doc);
            CHECK(std::find(model.begin(), model.end(), added) == model.end());
            model.push_back(added);
            break;
        }
        case 3:
        case 4:
        case 5:
            if (ViewState* gone = first(doc)) {
                model.erase(std::find(model.begin(), model.end(), gone));
                if (gone == shown)
                    shown = nullptr;
            }
            bench.Event(1, doc);
            break;
        default:
            if (!shown || shown->document != doc)
                shown = first(doc);
            bench.Event(2, doc, &view);
            break;
        }
        REQUIRE(view.viewStates.Count() == static_cast<int64>(model.size()));
        for (size_t i = 0; i < model.size(); i++)
            REQUIRE(view.viewStates.At(static_cast<int64>(i)) == model[i]);
        for (auto& each : bench.docs)
            REQUIRE(view.FindViewState(each.get()) == first(each.get()));
        CHECK(view.currentState == shown);
        CHECK(view.CurrentDocument() == (shown ? shown->document : nullptr));
    }
}

TEST_CASE("a reload puts caret, anchor and top at 0 and forgets indent and brackets")
{
    ViewBench bench;
    TextDocument* doc = bench.Add(std::string(200, 'x') + "\nmore\nlines\n");
    TextView& view = *bench.view;
    view.SetCaret(doc, 150, 0, 0);
    view.SetCaret(doc, 160, CaretKeepAnchor, 0);
    doc->text.SetMarker(bench.State().topMarker, 201);
    bench.State().horzOffset = 40;
    view.SetPendingIndent(doc, String(L"\t"), 160);
    Array<int64> brackets = Pairs({3, 4});
    view.SetBracketHighlights(doc, brackets);
    CHECK(brackets.Count() == 0);  // the caller's handle is released
    view.SetFindHighlights(Pairs({1, 2}));

    bench.Event(3, doc);
    CHECK(bench.Caret() == 0);
    CHECK(bench.Anchor() == 0);
    CHECK(bench.Top() == 0);
    CHECK(bench.State().horzOffset == 0);
    CHECK(bench.State().caretFlagsSeen == 0);
    CHECK(bench.State().pendingIndentPos == -1);
    CHECK(view.GetPendingIndent(doc).Length() == 0);
    CHECK(bench.State().bracketHighlights.Count() == 0);
    CHECK(view.findHighlights.Count() == 0);
}

TEST_CASE("find highlights belong to the shown document and go with focus and edits")
{
    ViewBench bench;
    TextDocument* one = bench.Add("one");
    bench.view->SetFindHighlights(Pairs({0, 1}));
    CHECK(bench.view->findHighlights.Count() == 2);
    TextDocument* two = bench.Add("two");
    CHECK(bench.view->CurrentDocument() == two);
    CHECK(bench.view->findHighlights.Count() == 0);

    bench.view->SetFindHighlights(Pairs({0, 1}));
    bench.Send(WM_SETFOCUS);
    CHECK(bench.view->findHighlights.Count() == 0);
    CHECK(bench.handler.Count(RecordingViewHandler::Focus) == 1);

    bench.view->SetFindHighlights(Pairs({0, 1}));
    Array<int64> brackets = Pairs({0, 1});
    bench.view->SetBracketHighlights(two, brackets);
    bench.view->SetPendingIndent(two, String(L"  "), 3);
    bench.Event(7, two);
    CHECK(bench.view->findHighlights.Count() == 0);
    CHECK(bench.State().bracketHighlights.Count() == 0);
    CHECK(bench.State().pendingIndentPos == -1);
    (void)one;
}

TEST_CASE("keys reach the handler only while a document is shown")
{
    ViewBench bench;
    bench.Send(WM_KEYDOWN, VK_RIGHT, 0);
    bench.Send(WM_CHAR, 'a', 0);
    CHECK(bench.handler.events.empty());
    bench.Add("text");
    bench.Send(WM_KEYDOWN, VK_RIGHT, 1);
    bench.Send(WM_CHAR, 'a', 2);
    REQUIRE(bench.handler.Count(RecordingViewHandler::KeyDown) == 1);
    CHECK(bench.handler.Last(RecordingViewHandler::KeyDown).wParam == VK_RIGHT);
    CHECK(bench.handler.Last(RecordingViewHandler::KeyDown).view == bench.view);
    REQUIRE(bench.handler.Count(RecordingViewHandler::Char) == 1);
    CHECK(bench.handler.Last(RecordingViewHandler::Char).wParam == 'a');
}

TEST_CASE("home, end and word moves follow lines, blanks and combining marks")
{
    ViewBench bench;
    // "  ab" CR LF "e" + U+0301 + "x y_1 .." LF
    TextDocument* doc = bench.Add("  ab\r\ne\xcc\x81x y_1 ..\nlast");
    TextView& view = *bench.view;
    CHECK(view.SmartHomePos(3) == 2);
    CHECK(view.SmartHomePos(2) == 0);
    CHECK(view.SmartHomePos(0) == 2);
    CHECK(view.LineEndPos(1) == 4);  // the CR LF pair counts as one character
    CHECK(view.LineEndPos(9) == 17);
    CHECK(view.LineEndPos(20) == 22);

    CHECK(view.NextCharPos(6) == 9);  // e and its mark
    CHECK(view.PrevCharPos(9) == 6);
    CHECK(view.NextCharPos(4) == 6);
    CHECK(view.PrevCharPos(6) == 4);
    CHECK(view.WordEnd(6) == 10);
    CHECK(view.WordStart(9) == 6);
    CHECK(view.WordEnd(10) == 11);
    CHECK(view.WordEnd(11) == 14);  // y_1 is one word
    CHECK(view.WordStart(13) == 11);
    CHECK(view.WordStartAround(14) == 11);
    CHECK(view.WordStartAround(15) == 15);

    view.SetCaret(doc, 6, 0, 0);
    view.MoveCharRight(0);
    CHECK(bench.Caret() == 9);
    CHECK(bench.State().caretAffinity == 1);
    view.MoveWordRight(CaretKeepAnchor);
    CHECK(bench.Caret() == 10);
    CHECK(bench.Anchor() == 9);
    view.MoveToLineEnd(0);
    CHECK(bench.Caret() == 17);
    CHECK(bench.Anchor() == 17);
    view.MoveToLineStart(CaretKeepAnchor);
    CHECK(bench.Caret() == 6);
    CHECK(bench.State().caretAffinity == 2);
    view.CollapseToSelectionEnd();
    CHECK(bench.Caret() == 17);
    CHECK(bench.Anchor() == 17);
    view.SetCaret(doc, 20, 0, 0);
    view.MoveToLineEnd(0);
    CHECK(bench.Caret() == 22);

    view.SetCaret(doc, 2, 0, 0);
    view.SetCaret(doc, 7, CaretKeepAnchor, 0);
    CHECK(view.HasSelection());
    view.CollapseToSelectionStart();
    CHECK(bench.Caret() == 2);
    CHECK_FALSE(view.HasSelection());
    view.SetCaret(doc, -4, 0, 0);
    CHECK(bench.Caret() == 2);
    view.SetCaret(doc, 9, CaretKeepAnchor, 0);
    view.CancelSelection(doc);
    CHECK(bench.Anchor() == 9);
}

TEST_CASE("line and page moves go by visual rows and scroll only as needed")
{
    ViewBench bench(400, 200);
    // Long rows keep the horizontal bar shown, so no room is held back for it.
    std::string text;
    for (int i = 0; i < 60; i++)
        text += "line " + std::to_string(100 + i) + std::string(300, '.') + "\n";
    const int64 row = 309;
    TextDocument* doc = bench.Add(text);
    TextView& view = *bench.view;
    bench.Paint();
    int32 lh = bench.LineHeight();
    RECT area;
    view.TextArea(area);
    int32 rows = std::max<int32>((area.bottom - area.top - view.currentStyle->topMargin) / lh, 1);
    REQUIRE(rows > 3);

    view.SetCaret(doc, 2, 0, 0);
    bench.Paint();
    view.MoveLineDown(0);
    CHECK(bench.Caret() == row + 2);
    view.MoveLineUp(0);
    CHECK(bench.Caret() == 2);
    view.MovePageDown(0);
    CHECK(bench.Caret() == 2 + row * (rows - 1));
    CHECK(bench.Top() == 0);  // still on the first page
    view.MovePageDown(0);
    int64 line = doc->text.LineOfOffset(bench.Caret());
    CHECK(line == 2 * (rows - 1));
    CHECK(doc->text.LineOfOffset(bench.Top()) == line - rows + 1);
    view.MovePageUp(CaretKeepAnchor);
    CHECK(doc->text.LineOfOffset(bench.Caret()) == rows - 1);
    CHECK(view.HasSelection());
}

TEST_CASE("wheel notches scroll rows, five times with Ctrl and by twentieths with Shift")
{
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ViewBench bench(500, 400);
    std::string text;
    for (int i = 0; i < 200; i++)
        text += std::string(300, static_cast<char>('a' + i % 26)) + "\n";
    TextDocument* doc = bench.Add(text);
    bench.Paint();
    int32 h = bench.view->caretHeight;
    REQUIRE(h > 0);
    int64 r = std::max<int64>(std::min<int64>(400 / 2 / h, lines), 1);
    auto topLine = [&] { return doc->text.LineOfOffset(bench.Top()); };

    bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    CHECK(topLine() == r);
    bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    CHECK(topLine() == 0);
    bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), 0);
    CHECK(topLine() == 5 * r);
    for (int i = 0; i < 3; i++)
        bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 40), 0);
    CHECK(topLine() == 5 * r - 3 * (40 * r / 120));

    bench.Paint();
    int64 step = bench.view->horzPage / 20;
    REQUIRE(step > 0);
    bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), 0);
    CHECK(bench.State().horzOffset == static_cast<int64>(lines) * step);
    bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0);
    CHECK(bench.State().horzOffset == 0);

    SUBCASE("a window that holds fewer rows in its half scrolls fewer per notch")
    {
        bench.Resize(500, 3 * h);
        bench.view->SetTopPosition(0);
        bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
        CHECK(topLine() == 1);
    }
    SUBCASE("page-wise wheel scrolling is counted without overflow")
    {
        REQUIRE(SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, WHEEL_PAGESCROLL, nullptr, 0));
        bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), 0);
        bench.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT | MK_CONTROL, static_cast<WORD>(-120)), 0);
        SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, 0);
        CHECK(bench.State().horzOffset == bench.view->horzRange - bench.view->horzPage);
        CHECK(bench.view->horzWheelRemainder == 0);
    }
}

TEST_CASE("horizontal steps: none for zero steps, clamped at both ends")
{
    ViewBench bench(300, 200);
    bench.Add(std::string(400, 'w'));
    bench.Paint();
    TextView& view = *bench.view;
    REQUIRE(view.horzRange > view.horzPage);
    view.ScrollRightSteps(0);
    CHECK(bench.State().horzOffset == 0);
    view.ScrollLeftSteps(0);
    CHECK(bench.State().horzOffset == 0);
    view.ScrollRightSteps(2);
    CHECK(bench.State().horzOffset == 2 * (view.horzPage / 20));
    view.ScrollLeftStep();
    CHECK(bench.State().horzOffset == view.horzPage / 20);
    view.ScrollRightSteps(INT64_MAX);
    CHECK(bench.State().horzOffset == view.horzRange - view.horzPage);
    view.ScrollPageLeft();
    CHECK(bench.State().horzOffset == view.horzRange - 2 * view.horzPage);
    view.ScrollLeftSteps(INT64_MAX);
    CHECK(bench.State().horzOffset == 0);
    bench.Send(WM_HSCROLL, SB_RIGHT, 0);
    CHECK(bench.State().horzOffset == view.horzRange - view.horzPage);
    bench.Send(WM_HSCROLL, SB_LEFT, 0);
    CHECK(bench.State().horzOffset == 0);
    bench.Send(WM_HSCROLL, 99, 0);
    CHECK(bench.State().horzOffset == 0);
}

TEST_CASE("dragging the vertical thumb with wrapping puts the top on a character start")
{
    ViewBench bench(300, 200);
    std::string text;
    for (int i = 0; i < 400; i++)
        text += "\xc4\x85";  // two-byte letters
    text += "\n";
    for (int i = 0; i < 200; i++)
        text += "\xc4\x85\xc4\x85 x\n";
    TextDocument* doc = bench.Add(text);
    bench.State().wordWrap = true;
    bench.Paint();
    TextView& view = *bench.view;
    REQUIRE(view.vertRange > view.vertPage);
    view.vertPos = 301;  // an odd byte: inside a letter
    bench.Send(WM_VSCROLL, SB_THUMBTRACK, 0);
    CHECK(bench.Top() == 300);
    CHECK_FALSE(bench.State().barsFollow);
    view.vertPos = 301;
    bench.Send(WM_VSCROLL, SB_THUMBPOSITION, 0);
    CHECK(bench.Top() == 300);
    CHECK(bench.State().barsFollow);
    bench.Send(WM_VSCROLL, SB_BOTTOM, 0);
    bench.Paint();
    CHECK(bench.Top() > 300);
    bench.Send(WM_VSCROLL, SB_TOP, 0);
    CHECK(bench.Top() == 0);
    (void)doc;
}

TEST_CASE("clicks place the caret, drags extend the selection, double clicks select a word")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add("alpha beta\ngamma");
    bench.Paint();
    TextView& view = *bench.view;
    int32 lh = bench.LineHeight();
    int64 origin = view.TextXToClientX(0);
    int32 top = view.currentStyle->topMargin;
    LayoutBench measure("");
    int x6 = static_cast<int>(origin) + measure.Width(L"alpha ");

    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x6, top + lh / 2));
    CHECK(bench.Caret() == 6);
    CHECK(view.selecting);
    CHECK(bench.handler.Count(RecordingViewHandler::CaretMovedByMouse) == 1);
    bench.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(x6 + 30, top + lh + lh / 2));
    CHECK(view.moved);
    bench.Send(WM_LBUTTONUP, 0, Point(static_cast<int>(origin) + measure.Width(L"gam"), top + lh + lh / 2));
    CHECK_FALSE(view.selecting);
    CHECK(bench.Anchor() == 6);
    CHECK(bench.Caret() == 14);
    CHECK(bench.handler.Count(RecordingViewHandler::CaretMovedByMouse) == 2);

    bench.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(x6, top + lh / 2));
    REQUIRE(bench.host.commands.size() == 1);
    CHECK(LOWORD(bench.host.commands[0]) == 11025);
    CHECK(HIWORD(bench.host.commands[0]) == 2);

    SUBCASE("a right click moves the caret only without a selection")
    {
        view.SetCaret(doc, 1, 0, 0);
        bench.Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(x6, top + lh / 2));
        CHECK(bench.Caret() == 6);
        view.SetCaret(doc, 12, CaretKeepAnchor, 0);
        bench.Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(static_cast<int>(origin), top + lh / 2));
        CHECK(bench.Caret() == 12);
        CHECK(bench.Anchor() == 6);
    }
}

TEST_CASE("dragging above the text scrolls up, faster the farther, to column 0")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add(NumberedLines(100));
    TextView& view = *bench.view;
    view.SetTopPosition(doc->text.LineStart(50));
    bench.Paint();
    int32 lh = bench.LineHeight();
    int32 t = view.currentStyle->topMargin;
    bench.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(60, t + lh + 2));
    bench.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(60, -t - 1));
    bench.Send(WM_TIMER, 1, 0);
    CHECK(doc->text.LineOfOffset(bench.Top()) == 49);
    CHECK(bench.Caret() == doc->text.LineStart(50));
    bench.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(60, -t - 3 * lh - 1));
    bench.Send(WM_TIMER, 1, 0);
    CHECK(doc->text.LineOfOffset(bench.Top()) == 45);
    CHECK(bench.Caret() == doc->text.LineStart(49));
    bench.Send(WM_LBUTTONUP, 0, Point(60, -t - 1));
    CHECK_FALSE(view.selecting);
}

TEST_CASE("context menus from the keyboard or off the bars go to the handler")
{
    ViewBench bench(400, 200);
    bench.Add("x");
    bench.Paint();
    bench.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bench.view->hwnd), MAKELPARAM(0xFFFF, 0xFFFF));
    CHECK(bench.handler.Count(RecordingViewHandler::ContextMenu) == 1);
    POINT inside = bench.view->ClientToScreenPoint(POINT{30, 30});
    bench.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bench.view->hwnd), Point(inside.x, inside.y));
    CHECK(bench.handler.Count(RecordingViewHandler::ContextMenu) == 2);
}

TEST_CASE("line-end and syntax changes put the caret on a character start")
{
    ViewBench bench;
    TextDocument* doc = bench.Add("ab\r\ncd");
    doc->text.SetMarker(bench.State().caretMarker, 3);
    bench.Event(11, doc);
    CHECK(bench.Caret() == 2);
    doc->text.SetMarker(bench.State().caretMarker, 3);
    bench.Event(12, doc);
    CHECK(bench.Caret() == 2);
}

TEST_CASE("dictionary names, spelling flags and pending indents are kept per document")
{
    ViewBench bench;
    TextDocument* doc = bench.Add("x");
    TextView& view = *bench.view;
    CHECK(view.GetDictionaryName(doc).Length() == 0);
    bench.State().dictPair = PackDictPair(1, 2);
    CHECK(view.GetDictionaryName(doc).Length() == 0);  // no registry
    view.EnableSpellUnderline(doc);
    CHECK(bench.State().spellUnderline);
    view.SetPendingIndent(doc, String(L"\t\t"), 1);
    CHECK(view.GetPendingIndent(doc).Equals(L"\t\t"));
    view.ClearPendingIndent(doc, true);
    CHECK(bench.State().pendingIndentPos == -1);
    CHECK(view.GetPendingIndent(doc).Length() == 0);
}

TEST_CASE("a second view takes over the state of the first")
{
    ViewBench bench;
    TextDocument* doc = bench.Add("some words here");
    bench.view->SetCaret(doc, 5, 0, 0);
    bench.view->SetCaret(doc, 9, CaretKeepAnchor, 2);
    bench.State().wordWrap = true;

    TextView* other =
        TextView::Create(&SharedHost(1), 10, nullptr, nullptr, bench.settings, nullptr, bench.factory.get());
    BroadcastRecord added{0, doc, nullptr, 0};
    other->OnDocumentEvent(added, 0);
    other->SyncWith(*bench.view);
    CHECK(other->CurrentDocument() == doc);
    ViewState& copy = *other->currentState;
    CHECK(&copy != &bench.State());
    CHECK(copy.CaretPosition() == 9);
    CHECK(copy.AnchorPosition() == 5);
    CHECK(copy.wordWrap);
    CHECK(copy.caretAffinity == 2);
    // Its markers are its own.
    other->SetCaret(doc, 1, 0, 0);
    CHECK(bench.Caret() == 9);
    BroadcastRecord removed{1, doc, nullptr, 0};
    other->OnDocumentEvent(removed, 1);
    delete other;
}

TEST_CASE("a view measures five text heights and keeps them in its limits")
{
    ViewBench bench;
    SizeLimits limits{};
    bench.view->Measure(limits);
    CHECK(limits.minHeight == 5 * bench.view->activeStyle->textHeight);
    CHECK(limits.minWidth == 2 * limits.minHeight);
    CHECK(limits.maxWidth == Unbounded);
    CHECK(limits.maxHeight == Unbounded);
}

TEST_CASE("a caret far below the view moves by rows at its own column")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add(NumberedLines(12000, "row ", 10000));
    TextView& view = *bench.view;
    for (bool wrap : {false, true}) {
        CAPTURE(wrap);
        bench.State().wordWrap = wrap;
        view.SetTopPosition(0);
        bench.Paint();
        // Placed without scrolling, so that no paint has seen its column.
        view.SetCaret(doc, doc->text.LineStart(11000) + 6, 0, 0);
        CHECK(bench.Top() == 0);
        CHECK(bench.State().desiredX == -1);
        if (!wrap) {
            POINT p = view.PositionToPoint(bench.Caret());
            CHECK(p.y == 11000 * view.currentStyle->textHeight + view.currentStyle->topMargin);
            CHECK(p.x == view.TextXToClientX(LayoutBench("").Width(L"row 10")));
        }
        view.MoveLineUp(0);
        CHECK(bench.Caret() == doc->text.LineStart(10999) + 6);
        int64 top = doc->text.LineOfOffset(bench.Top());
        CHECK(top > 10900);
        CHECK(top <= 10999);
    }
}

TEST_CASE("the end of one long wrapped line is scrolled into view and back")
{
    ViewBench bench(400, 200);
    std::string line;
    for (int i = 0; i < 60000; i++)
        line += i % 7 ? "word " : "longer ";
    TextDocument* doc = bench.Add(line);
    TextView& view = *bench.view;
    bench.State().wordWrap = true;
    bench.Paint();
    RECT client = view.ClientRect();
    Canvas canvas(client.right, client.bottom);
    for (int64 pos = doc->text.Size(); pos > 0; pos -= 9973) {
        CAPTURE(pos);
        view.SetCaret(doc, pos, CaretScrollIntoView, 0);
        PaintResult shown = bench.PaintInto(canvas);
        CHECK(bench.Top() > 0);
        CHECK(shown.caretY >= 0);
        CHECK(shown.caretY + shown.caretHeight <= shown.textAreaHeight);
    }
    view.SetCaret(doc, 0, CaretScrollIntoView, 0);
    CHECK(bench.Top() == 0);
}

namespace {

// A registry that names every pair by its two ids.
class NamingRegistry : public DictRegistry {
public:
    String DisplayName(u32 pair) const override
    {
        std::wstring name = L"dict" + std::to_wstring(PrimaryDictId(pair));
        if (SecondaryDictId(pair))
            name += L"\rdict" + std::to_wstring(SecondaryDictId(pair));
        return String(name.c_str());
    }
};

bool NeedsPaint(TextView& view)
{
    RECT r;
    return GetUpdateRect(view.hwnd, &r, FALSE) != 0;
}

}  // namespace

TEST_CASE("the dictionary name comes from the registry for the document's pair")
{
    NamingRegistry registry;
    ViewBench bench(400, 300, MakeSettings(), &registry);
    TextDocument* doc = bench.Add("x");
    TextView& view = *bench.view;
    CHECK(view.GetDictionaryName(doc).Length() == 0);  // pair 0
    bench.State().dictPair = PackDictPair(2, 0);
    CHECK(view.GetDictionaryName(doc).Equals(L"dict2"));
    bench.State().dictPair = PackDictPair(1, 3);
    CHECK(view.GetDictionaryName(doc).Equals(L"dict1\rdict3"));
    TextDocument stranger;
    CHECK(view.GetDictionaryName(&stranger).Length() == 0);
}

TEST_CASE("repaint events repaint only a view that holds the document")
{
    ViewBench bench;
    TextDocument* doc = bench.Add("text");
    TextView& view = *bench.view;
    TextDocument stranger;
    for (int32 kind : {4, 5, 6, 10}) {
        CAPTURE(kind);
        ValidateRect(view.hwnd, nullptr);
        bench.Event(kind, doc);
        CHECK_FALSE(NeedsPaint(view));
    }
    for (int32 kind : {13, 14}) {
        CAPTURE(kind);
        ValidateRect(view.hwnd, nullptr);
        bench.Event(kind, &stranger);
        CHECK_FALSE(NeedsPaint(view));
        bench.Event(kind, doc);
        CHECK(NeedsPaint(view));
    }
}

TEST_CASE("a pending indent brings the caret into view")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add(NumberedLines(200, "line ", 0));
    TextView& view = *bench.view;
    doc->text.SetMarker(bench.State().caretMarker, doc->text.LineStart(150));
    bench.State().caretFlagsSeen = 0;
    view.SetPendingIndent(doc, String(L"\t"), doc->text.LineStart(150));
    int64 top = doc->text.LineOfOffset(bench.Top());
    CHECK(top > 100);
    CHECK(top <= 150);
    CHECK(bench.Caret() == doc->text.LineStart(150));
    CHECK((bench.State().caretFlagsSeen & CaretScrollIntoView) != 0);
}

TEST_CASE("scrolling a caret into view keeps room for a horizontal bar still to come")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add(NumberedLines(200, "line ", 0));
    TextView& view = *bench.view;
    bench.Paint();
    REQUIRE_FALSE(view.horzRange > view.horzPage);
    RECT area;
    view.TextArea(area);
    int32 lh = bench.LineHeight(), t = view.currentStyle->topMargin;
    int32 h = MulDiv(GetSystemMetrics(SM_CYHSCROLL), view.GetDpi(), view.SystemDpi());
    int64 reserved = std::max<int64>((area.bottom - area.top - h - t) / lh, 1);
    view.SetCaret(doc, doc->text.LineStart(100), CaretScrollIntoView, 0);
    CHECK(doc->text.LineOfOffset(bench.Top()) == 100 - reserved + 1);
    // Scrolling by rows without the reserve uses the whole area.
    int64 rows = std::max<int64>((area.bottom - area.top - t) / lh, 1);
    view.ScrollToShow(doc->text.LineStart(150), 2, true, false);
    CHECK(doc->text.LineOfOffset(bench.Top()) == 150 - rows + 1);
}

TEST_CASE("the horizontal offset keeps the caret half a page from the left edge")
{
    ViewBench bench(400, 200);
    TextDocument* doc = bench.Add(std::string(400, 'm') + "\nm");
    TextView& view = *bench.view;
    bench.Paint();
    int64 m = LayoutBench("").Width(L"m");
    int64 w = view.horzPage;
    REQUIRE(w > 0);
    view.SetCaret(doc, 300, CaretScrollIntoView, 0);
    CHECK(bench.State().horzOffset == 300 * m - w);
    // Moving left inside the view scrolls once the caret passes the middle.
    view.SetCaret(doc, 300 - (w / 4) / m, CaretScrollIntoView, 0);
    CHECK(bench.State().horzOffset == 300 * m - w);
    int64 x = (300 - (3 * w / 4) / m) * m;
    view.SetCaret(doc, x / m, CaretScrollIntoView, 0);
    CHECK(bench.State().horzOffset == x - (w / 2 + 1));
    view.SetCaret(doc, 402, CaretScrollIntoView, 0);
    CHECK(bench.State().horzOffset == 0);
}

TEST_CASE("the bars follow the painted rows: bytes with wrapping, lines without")
{
    ViewBench bench(300, 200);
    TextDocument* doc = bench.Add(NumberedLines(100, "line ", 0));
    TextView& view = *bench.view;
    RECT client = view.ClientRect();
    Canvas canvas(client.right, client.bottom);
    view.SetTopPosition(doc->text.LineStart(10));

    PaintResult plain = bench.PaintInto(canvas);
    view.UpdateScrollBars(plain);
    CHECK(view.vertPos == 10);
    CHECK(view.vertPage == plain.visibleRows);
    CHECK(view.vertRange == doc->text.LineBreakCount() + 1);
    CHECK(view.horzPage == plain.pageWidth);
    CHECK(view.horzRange == std::max<int64>(plain.widest, plain.pageWidth));
    CHECK(bench.State().paintedFirst == plain.firstPainted2);
    CHECK(bench.State().paintedLast == plain.lastStarted);

    bench.State().wordWrap = true;
    PaintResult wrapped = bench.PaintInto(canvas);
    view.UpdateScrollBars(wrapped);
    CHECK(view.vertPos == doc->text.LineStart(10));
    CHECK(view.vertPage == wrapped.lastFullyVisible - wrapped.firstPainted);
    CHECK(view.vertRange == doc->text.Size());

    // While a thumb is dragged only the painted positions are noted.
    bench.State().barsFollow = false;
    view.SetTopPosition(doc->text.LineStart(20));
    PaintResult dragged = bench.PaintInto(canvas);
    view.UpdateScrollBars(dragged);
    CHECK(view.vertPos == doc->text.LineStart(10));
    CHECK(bench.State().paintedFirst == doc->text.LineStart(20));

    // A horizontal bar coming or going asks for one more paint.
    bench.State().barsFollow = true;
    PaintResult wide = dragged;
    wide.widest = 10 * wide.pageWidth;
    ValidateRect(view.hwnd, nullptr);
    view.UpdateScrollBars(wide);
    CHECK(view.horzRange > view.horzPage);
    CHECK(NeedsPaint(view));
    ValidateRect(view.hwnd, nullptr);
    view.UpdateScrollBars(wide);
    CHECK_FALSE(NeedsPaint(view));

    bench.Event(1, doc);
    view.UpdateScrollBars(wide);
    CHECK(view.vertPos == 0);
    CHECK(view.vertPage == 1);
    CHECK(view.vertRange == 1);
    CHECK(view.horzRange == 1);
}
