#include "TabsTestSupport.h"

#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "support/Screenshot.h"

#include <random>
#include <string>

namespace {

std::wstring Wide(const String& s)
{
    return std::wstring(s.Data(), static_cast<size_t>(s.Length()));
}

// The client rectangle a tab's frame takes, scroll subtracted.
RECT Frame(TabsBench& b, int64 index)
{
    int left = b.FrameLeft(index);
    return {left, b.tabs->tabRowTop, left + b.Width(index), b.height};
}

bool Dark(COLORREF c)
{
    return GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110;
}

} // namespace

TEST_CASE("tab names and folders come from the path and location")
{
    TextDocument doc;
    doc.SetPath(String(L"D:\\a\\b.txt"));
    doc.SetLocation(String(L"D:\\a\\b.txt"));
    CHECK(Wide(TextTabs::DisplayName(&doc)) == L"b.txt");
    CHECK(Wide(TextTabs::FolderOf(&doc)) == L"D:\\a\\");
    doc.SetPath(String(L"x:name"));
    doc.SetLocation(String(L"nofolder"));
    CHECK(Wide(TextTabs::DisplayName(&doc)) == L"name");
    CHECK(Wide(TextTabs::FolderOf(&doc)) == L"nofolder");
    doc.SetPath(String(L"a/b/c.h"));
    CHECK(Wide(TextTabs::DisplayName(&doc)) == L"c.h");

    TextDocument unnamed;
    const int32 language = UiLanguageId();
    SetUiLanguageId(9);
    CHECK(Wide(TextTabs::DisplayName(&unnamed)) == L"<no name>");
    SetUiLanguageId(21);
    CHECK(Wide(TextTabs::DisplayName(&unnamed)) == L"<bez nazwy>");
    SetUiLanguageId(language);
}

TEST_CASE("tab widths, and hits at the edges of tabs and boxes")
{
    TabsBench b(4);
    TextTabs& t = *b.tabs;
    const int m = 14;
    CHECK(t.BoxSize() == m);
    CHECK(t.ArrowWidth() == 18);
    {
        DeviceContext dc = t.MeasuringDC();
        TextDocument shortName;
        shortName.SetPath(String(L"C:\\a"));
        CHECK(t.TabWidth(dc, &shortName) == 60 + 2 * m);
        SIZE size;
        String name = TextTabs::DisplayName(b.list.At(3));
        GetTextExtentPoint32W(dc.Hdc(), name.Data(), static_cast<int>(name.Length()), &size);
        CHECK(b.Width(3) == std::max<int>(size.cx + 10, 60) + 2 * m);
    }
    CHECK(t.totalWidth == 1 + b.Width(0) + b.Width(1) + b.Width(2) + b.Width(3));
    b.list.At(2)->modified = 1;

    for (int i = 0; i < 4; i++) {
        INFO("tab " << i);
        const RECT f = Frame(b, i);
        const bool modified = i == 2;
        CHECK(t.HitTest(f.left).item == i);
        CHECK(t.HitTest(f.left - 1).item == (i == 0 ? TextTabs::NoItem : i - 1));
        CHECK(t.HitTest(f.left + 1).item == i);
        CHECK(t.HitTest(f.left + 1).part == TextTabs::TabBody);
        CHECK(t.HitTest(f.left + 1).position == t.TabPosition(i));
        // The close box is the frame's last M pixels, the save box the M before.
        CHECK(t.HitTest(f.right - m).part == TextTabs::CloseBox);
        CHECK(t.HitTest(f.right - 1).part == TextTabs::CloseBox);
        CHECK(t.HitTest(f.right - 1).item == i);
        CHECK(t.HitTest(f.right - m - 1).part == (modified ? TextTabs::SaveBox : TextTabs::TabBody));
        CHECK(t.HitTest(f.right - 2 * m).part == (modified ? TextTabs::SaveBox : TextTabs::TabBody));
        CHECK(t.HitTest(f.right - 2 * m - 1).part == TextTabs::TabBody);
    }
    // Past the last tab, and all fitting: no arrows.
    CHECK(t.HitTest(t.totalWidth).item == TextTabs::NoItem);
    CHECK(t.HitTest(b.ClientWidth() - 1).item == TextTabs::NoItem);
    CHECK(b.MaxScroll() == 0);
    t.SetScroll(50);
    CHECK(t.scroll == 0);

    // A keyboard request for the menu is ignored; a click names the tab.
    SendMessageW(t.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(t.hwnd), MAKELPARAM(0xFFFF, 0xFFFF));
    CHECK(b.handler.log.empty());
    POINT screen = t.ClientToScreenPoint({Frame(b, 1).left + 5, b.Y()});
    SendMessageW(t.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(t.hwnd), MAKELPARAM(screen.x, screen.y));
    REQUIRE(b.handler.log.size() == 1);
    CHECK(b.handler.log[0] == "menu t0001w.txt");

    // The hint is the full path, none past the tabs or while scrolling.
    const wchar_t* hint = t.HintAt(screen);
    REQUIRE(hint != nullptr);
    CHECK(std::wstring(hint) == L"C:\\work\\dir0\\t0001w.txt");
    CHECK(t.HintAt(t.ClientToScreenPoint({t.totalWidth + 5, b.Y()})) == nullptr);
    t.autoScrollDirection = 1;
    CHECK(t.HintAt(screen) == nullptr);
    t.autoScrollDirection = 0;
}

TEST_CASE("2000 texts: far tabs land between the arrows, GetTabRect is scrolled")
{
    TabsBench b(2000, 1200);
    TextTabs& t = *b.tabs;
    const int arrow = t.ArrowWidth(), width = b.ClientWidth();
    CHECK(t.scroll == 0);
    for (int64 index : {1500, 1999, 700, 3, 0, 1234}) {
        INFO("text " << index);
        TextDocument* doc = b.list.At(index);
        b.Broadcast(BroadcastCurrentChanged, doc);
        CHECK(t.current == doc);
        const int left = t.TabPosition(index) - t.scroll;
        if (index > 0)
            CHECK(left >= arrow + 1);
        // The last tab may end at the edge: at the end no right arrow shows.
        if (index < 1999)
            CHECK(left + b.Width(index) <= width - arrow);
        else
            CHECK(left + b.Width(index) == width);
        CHECK(t.scroll <= b.MaxScroll());
        RECT r = t.GetTabRect(doc);
        CHECK(r.left == left);
        CHECK(r.right == left + b.Width(index));
        CHECK(r.top == 0);
        CHECK(r.bottom == b.height);
    }
    // A tab partly scrolled off the left is cut at 0; one far off is empty.
    t.SetScroll(t.TabPosition(1234) + 10);
    RECT cut = t.GetTabRect(b.list.At(1234));
    CHECK(cut.left == 0);
    CHECK(cut.right == b.Width(1234) - 10);
    RECT offRight = t.GetTabRect(b.list.At(1999));
    CHECK(offRight.left == offRight.right);
    CHECK(offRight.right == width);
    TextDocument stranger;
    RECT none = t.GetTabRect(&stranger);
    CHECK(none.left == 0);
    CHECK(none.right == width);

    // Both arrows show in the middle of the strip.
    CHECK(t.HitTest(arrow - 1).item == TextTabs::LeftArrow);
    CHECK(t.HitTest(width - arrow).item == TextTabs::RightArrow);
    CHECK(t.HitTest(width - arrow - 1).item >= 0);
}

TEST_CASE("arrows scroll 40 at once, then 20 a tick after 16 ticks, never past the maximum")
{
    TabsBench b(2000, 1200);
    TextTabs& t = *b.tabs;
    const int width = b.ClientWidth();
    const int32 maximum = b.MaxScroll();
    CHECK(maximum == t.totalWidth - width - 1);
    t.SetScroll(1000);
    b.Mouse(WM_LBUTTONDOWN, width - 3, b.Y());
    CHECK(t.scroll == 1040);
    CHECK(t.autoScrollDirection == 1);
    CHECK(t.HasCapture());
    b.Timer(16);
    CHECK(t.scroll == 1040);
    b.Timer();
    CHECK(t.scroll == 1060);
    b.Timer(3);
    CHECK(t.scroll == 1120);
    // Off the arrow the held press pauses; back on it goes on.
    b.Mouse(WM_MOUSEMOVE, width / 2, b.Y());
    CHECK(t.pressedItem == TextTabs::NoItem);
    b.Timer(2);
    CHECK(t.scroll == 1120);
    b.Mouse(WM_MOUSEMOVE, width - 3, b.Y());
    b.Timer();
    CHECK(t.scroll == 1140);
    b.Mouse(WM_LBUTTONUP, width - 3, b.Y());
    CHECK(t.autoScrollDirection == 0);
    CHECK_FALSE(t.HasCapture());
    b.Timer(5);
    CHECK(t.scroll == 1140);
    CHECK(b.handler.log.empty());

    // Near the end: the hold stops at the maximum, and the arrow goes away.
    t.SetScroll(maximum - 50);
    b.Mouse(WM_LBUTTONDOWN, width - 3, b.Y());
    CHECK(t.scroll == maximum - 10);
    for (int i = 0; i < 40; i++) {
        b.Timer();
        CHECK(t.scroll <= maximum);
    }
    CHECK(t.scroll == maximum);
    b.Mouse(WM_LBUTTONUP, width - 3, b.Y());
    CHECK(t.HitTest(width - 3).item != TextTabs::RightArrow);

    // The left arrow stops at 0.
    t.SetScroll(30);
    b.Mouse(WM_LBUTTONDOWN, 2, b.Y());
    CHECK(t.scroll == 0);
    b.Timer(20);
    CHECK(t.scroll == 0);
    b.Mouse(WM_LBUTTONUP, 2, b.Y());
    CHECK(b.handler.log.empty());
}

TEST_CASE("a drag starts after 5 pixels, not 4, and reports drop indexes as the texts move")
{
    TabsBench b(6, 900);
    TextTabs& t = *b.tabs;
    TextDocument* a = b.list.At(1);
    const int y = b.Y();
    const int x0 = Frame(b, 1).left + 10;
    b.Mouse(WM_LBUTTONDOWN, x0, y);
    CHECK(t.pressedItem == 1);
    b.Mouse(WM_MOUSEMOVE, x0 + 4, y);
    CHECK(t.dragged == nullptr);
    b.Mouse(WM_MOUSEMOVE, x0 - 4, y);
    CHECK(t.dragged == nullptr);
    CHECK(b.handler.log.empty());
    b.Mouse(WM_MOUSEMOVE, x0 + 5, y);
    CHECK(t.dragged == a);
    // The dragged text becomes current; the drop index is its own place.
    REQUIRE(b.handler.log.size() == 2);
    CHECK(b.handler.log[0] == "click t0001w.txt");
    CHECK(b.handler.log[1] == "move t0001w.txt 1");
    CHECK(t.current == a);
    CHECK(t.grabOffset == x0 + 5 - t.TabPosition(1));

    // Into the next tab, but no further than the dragged tab's width: it moves.
    const int wa = b.Width(1);
    const int next = t.TabPosition(2);
    b.handler.log.clear();
    b.Mouse(WM_MOUSEMOVE, next + wa - 1, y);
    REQUIRE(b.handler.log.size() == 1);
    CHECK(b.handler.log[0] == "move t0001w.txt 2");
    CHECK(b.list.IndexOf(a) == 2);
    // Moving on inside its new place reports nothing new.
    b.Mouse(WM_MOUSEMOVE, t.TabPosition(2) + 3, y);
    b.Mouse(WM_MOUSEMOVE, t.TabPosition(2) + wa - 3, y);
    CHECK(b.handler.log.size() == 1);
    // One pixel into the next tab's first wa pixels moves it on.
    b.Mouse(WM_MOUSEMOVE, t.TabPosition(3), y);
    REQUIRE(b.handler.log.size() == 2);
    CHECK(b.handler.log[1] == "move t0001w.txt 3");
    b.handler.log.pop_back();
    // Past the last tab: the number of texts.
    b.Mouse(WM_MOUSEMOVE, t.totalWidth + 20, y);
    REQUIRE(b.handler.log.size() == 2);
    CHECK(b.handler.log[1] == "move t0001w.txt 6");
    CHECK(b.list.IndexOf(a) == 5);
    // Back to the very left: index 0.
    b.Mouse(WM_MOUSEMOVE, -30, y);
    REQUIRE(b.handler.log.size() == 3);
    CHECK(b.handler.log[2] == "move t0001w.txt 0");
    CHECK(b.list.IndexOf(a) == 0);

    b.Mouse(WM_LBUTTONUP, 0, y);
    CHECK(t.dragged == nullptr);
    CHECK(t.lastDropIndex == -1);
    CHECK_FALSE(t.HasCapture());
    // The release ended a drag: it is no click.
    CHECK(b.handler.log.size() == 3);
    std::vector<std::string> order;
    for (int64 i = 0; i < b.list.Count(); i++)
        order.push_back(b.handler.Name(b.list.At(i)));
    CHECK(order == std::vector<std::string>{"t0001w.txt", "t0000.txt", "t0002ww.txt", "t0003www.txt",
                                             "t0004wwww.txt", "t0005.txt"});
}

TEST_CASE("dragging over the arrows of 2000 texts scrolls at once; a screenshot of the drag")
{
    TabsBench b(2000, 1200, 7);
    TextTabs& t = *b.tabs;
    const int y = b.Y(), width = b.ClientWidth();
    b.Broadcast(BroadcastCurrentChanged, b.list.At(1000));
    const int x0 = Frame(b, 1000).left + 30;
    b.Mouse(WM_LBUTTONDOWN, x0, y);
    b.Mouse(WM_MOUSEMOVE, x0 + 40, y);
    REQUIRE(t.dragged == b.list.At(1000));
    b.Mouse(WM_MOUSEMOVE, width - 2, y);
    CHECK(t.autoScrollDirection == 1);
    const int32 before = t.scroll;
    b.Timer(3);
    CHECK(t.scroll == before + 60);
    b.Mouse(WM_MOUSEMOVE, width - 2, y + 1);
    CHECK(b.list.IndexOf(t.dragged) > 1000);
    b.Mouse(WM_MOUSEMOVE, width / 2, y);
    CHECK(t.autoScrollDirection == 0);
    b.Paint();
    PixelImage shot = ReadWindowPixels(t.hwnd);
    REQUIRE(shot.width == width);
    SaveScreenshot(shot, "tabs-drag.png");
    // The ghost tab is drawn 3 pixels lower, in the text background.
    const int ghost = t.lastDragX - t.grabOffset;
    CHECK(shot.At(ghost + 4, b.height - 1) == t.backgroundColor);
    b.Mouse(WM_LBUTTONUP, width / 2, y);
    CHECK(t.dragged == nullptr);
}

TEST_CASE("a close box left before release reports nothing; released on it, it closes")
{
    TabsBench b(5, 900);
    TextTabs& t = *b.tabs;
    const int y = b.Y();
    b.list.At(3)->modified = 1;
    const RECT f = Frame(b, 3);
    b.Mouse(WM_LBUTTONDOWN, f.right - 5, y);
    CHECK(t.pressedPart == TextTabs::CloseBox);
    b.Mouse(WM_MOUSEMOVE, f.right - 20, y);  // onto the save box
    CHECK(t.pressedItem == TextTabs::NoItem);
    b.Mouse(WM_MOUSEMOVE, f.left - 20, y);  // far enough to drag a tab
    CHECK(t.dragged == nullptr);
    b.Mouse(WM_LBUTTONUP, f.left + 20, y);
    CHECK(b.handler.log.empty());

    // Pressed on the save box and released there.
    b.Mouse(WM_LBUTTONDOWN, f.right - 20, y);
    b.Mouse(WM_LBUTTONUP, f.right - 20, y);
    REQUIRE(b.handler.log.size() == 1);
    CHECK(b.handler.log[0] == "save t0003www.txt");

    // A click on a tab's body selects it; on the current one nothing.
    b.Mouse(WM_LBUTTONDOWN, f.left + 5, y);
    b.Mouse(WM_LBUTTONUP, f.left + 5, y);
    CHECK(b.handler.log.back() == "click t0003www.txt");
    CHECK(t.current == b.list.At(3));
    b.Mouse(WM_LBUTTONDOWN, f.left + 5, y);
    b.Mouse(WM_LBUTTONUP, f.left + 5, y);
    CHECK(b.handler.log.size() == 2);

    // Closing the current text: the strip forgets it and paints without it.
    b.Mouse(WM_LBUTTONDOWN, f.right - 5, y);
    b.Mouse(WM_MOUSEMOVE, f.right - 4, y);
    b.Mouse(WM_LBUTTONUP, f.right - 4, y);
    CHECK(b.handler.log.back() == "close t0003www.txt");
    CHECK(b.list.Count() == 4);
    CHECK(t.current == nullptr);
    b.Paint();
    CHECK(t.HitTest(Frame(b, 3).left + 5).item == 3);
}

TEST_CASE("a removed text leaves no pointer behind, even without a following current-text notice")
{
    TabsBench b(8, 900);
    TextTabs& t = *b.tabs;
    const int y = b.Y();

    SUBCASE("the current text")
    {
        TextDocument* doc = b.list.At(0);
        b.list.Remove(doc);
        b.Broadcast(BroadcastDocumentRemoved, doc);
        CHECK(t.current == nullptr);
        b.Paint();
        CHECK(b.host.errors.empty());
        b.Broadcast(BroadcastCurrentChanged, b.list.At(2));
        b.Paint();
        CHECK(t.current == b.list.At(2));
    }
    SUBCASE("the dragged text, in the middle of a drag")
    {
        const int x0 = Frame(b, 4).left + 10;
        b.Mouse(WM_LBUTTONDOWN, x0, y);
        b.Mouse(WM_MOUSEMOVE, x0 + 10, y);
        TextDocument* doc = t.dragged;
        REQUIRE(doc == b.list.At(4));
        b.list.Remove(doc);
        b.Broadcast(BroadcastDocumentRemoved, doc);
        CHECK(t.dragged == nullptr);
        CHECK(t.current == nullptr);
        CHECK_FALSE(t.HasCapture());
        b.Paint();
        b.handler.log.clear();
        b.Mouse(WM_MOUSEMOVE, x0 + 40, y);
        b.Mouse(WM_LBUTTONUP, x0 + 40, y);
        CHECK(b.handler.log.empty());
        CHECK(b.host.errors.empty());
    }
    SUBCASE("a text that is neither keeps the current one")
    {
        TextDocument* doc = b.list.At(5);
        b.list.Remove(doc);
        b.Broadcast(BroadcastDocumentRemoved, doc);
        CHECK(t.current == b.list.At(0));
    }
}

TEST_CASE("the strip paints tabs, boxes, arrows and folder labels at 96, 144 and 192 dpi")
{
    for (int dpi : {96, 144, 192}) {
        INFO("dpi " << dpi);
        TabsBench b(60, 900, 4, dpi);
        TextTabs& t = *b.tabs;
        SettingsStore settings;
        settings.SetText(L"TextTabDirs", L"yes");
        settings.SetText(L"TextBgColor", L"#D0F0FF");
        t.ApplySettings(settings);
        b.Place(900);
        CHECK(t.iconDpi == dpi);
        CHECK(t.fontDpi == dpi);
        // Only other DPIs than 96 load the 192-dpi strip.
        CHECK(t.strip192.IsEmpty() == (dpi == 96));
        const int m = MulDiv(14, dpi, 96);
        CHECK(t.BoxSize() == m);
        {
            DeviceContext dc = t.MeasuringDC();
            SIZE wy;
            GetTextExtentPoint32W(dc.Hdc(), L"Wy", 2, &wy);
            CHECK(b.height == wy.cy + MulDiv(8, dpi, 96) + dc.LineHeight() + 4);
        }
        b.list.At(1)->modified = 1;
        b.Broadcast(BroadcastCurrentChanged, b.list.At(1));
        b.Paint();
        const int top = t.tabRowTop;
        CHECK(top > 0);
        PixelImage shot = ReadWindowPixels(t.hwnd);
        REQUIRE(shot.width == 900);
        if (dpi == 96)
            SaveScreenshot(shot, "tabs-labels.png");
        const COLORREF line = GetSysColor(COLOR_BTNSHADOW), face = GetSysColor(COLOR_BTNFACE);

        // The current tab: text background inside, frame on three sides.
        const RECT cur = Frame(b, 1);
        CHECK(shot.At(cur.left + 3, top + 3) == RGB(0xFF, 0xF0, 0xD0));
        CHECK(shot.At(cur.left, top + 3) == line);
        CHECK(shot.At(cur.left + 3, top) == line);
        // Another tab: face inside, closed frame.
        const RECT other = Frame(b, 2);
        CHECK(shot.At(other.left + 3, top + 3) == face);
        CHECK(shot.At(other.left + 3, b.height - 1) == line);
        // The close and save boxes of the current tab: their icons' middles.
        const int boxTop = top + 1, boxHeight = b.height - 2 - top;
        const int iconY = boxTop + (boxHeight - (m + 1)) / 2;
        CHECK(Dark(shot.At(cur.right - m + m / 2, iconY + m / 2)));
        // The diskette's white label in its lower half.
        CHECK(shot.At(cur.right - 2 * m + m / 2, iconY + m * 9 / 14) == RGB(255, 255, 255));
        // No save box on an unmodified tab.
        CHECK(shot.At(other.right - 2 * m + m / 2, iconY + m * 9 / 14) == face);
        // The right arrow, drawn a pixel higher.
        const int arrow = t.ArrowWidth();
        CHECK(Dark(shot.At(900 - arrow + (arrow - m) / 2 + m / 2, top + 1 + (b.height - top - 1 - (m + 1)) / 2 - 1 + m / 2)));
        CHECK(t.HitTest(900 - arrow).item == TextTabs::RightArrow);
        // Folder labels: texts 0 to 3 share one, the next run starts at text 4
        // with its label's edge 2 pixels in.
        const COLORREF hover = MixColors(line, face, 1, 2);
        const int run = t.TabPosition(4) - t.scroll;
        CHECK(shot.At(run + 2, top / 2) == hover);
        CHECK(shot.At(run + 3, top / 2) == MixColors(hover, face, 1, 2));
        CHECK(shot.At(run - 4, top / 2) == hover);
        CHECK(shot.At(run - 2, top / 2) == face);
        CHECK(shot.At(run, top / 2) == face);
    }
}

TEST_CASE("the kept tab widths equal a fresh measurement after random inserts, removals, renames, moves, language and dpi changes")
{
    const unsigned seed = 20261209;
    INFO("seed " << seed);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int32 language = UiLanguageId();
    TabsBench b(40, 600);
    TextTabs& t = *b.tabs;
    auto rename = [&](TextDocument* doc) {
        if (pick(8) == 0) {
            doc->SetPath(String());
            return;
        }
        std::wstring name(static_cast<size_t>(1 + pick(24)), L'x');
        for (wchar_t& c : name)
            c = pick(4) == 0 ? L'W' : static_cast<wchar_t>(L'a' + pick(26));
        doc->SetPath(String((L"C:\\d" + std::to_wstring(pick(3)) + L"\\" + name + L".txt").c_str()));
    };
    for (int step = 0; step < 300; step++) {
        INFO("step " << step);
        const int n = b.list.Count();
        TextDocument* any = n ? b.list.At(pick(n)) : nullptr;
        const bool notice = pick(3) != 0;
        switch (n < 8 ? 0 : n > 70 ? 2 : pick(8)) {
        case 0:
        case 1: {
            TextDocument* doc = b.list.NewDocument(any);
            rename(doc);
            b.Broadcast(BroadcastDocumentAdded, doc);
            any = doc;
            break;
        }
        case 2:
            b.list.Remove(any);
            if (notice)
                b.Broadcast(BroadcastDocumentRemoved, any);
            any = b.list.At(0);
            break;
        case 3:
        case 4:
            rename(any);
            if (notice)
                b.Broadcast(BroadcastPathChanged, any);
            break;
        case 5:
            b.list.Move(any, pick(n));
            b.Broadcast(BroadcastDocumentMoved, any);
            break;
        case 6:
            SetUiLanguageId(pick(2) ? 21 : 9);
            break;
        default:
            if (pick(6) == 0) {
                b.host.SetDpi(pick(2) ? 144 : 96);
                b.Place(600);
            }
            break;
        }
        b.Broadcast(BroadcastCurrentChanged, any);
        if (pick(10) == 0)
            b.Paint();
        std::vector<int32> fresh;
        int32 sum = 0;
        for (int64 i = 0; i < b.list.Count(); i++) {
            fresh.push_back(b.Width(i));
            sum += fresh.back();
        }
        REQUIRE(t.Widths() == fresh);
        CHECK(t.totalWidth == sum + 1);
        const int64 index = b.list.IndexOf(any);
        int32 left = -t.scroll;
        for (int64 i = 0; i < index; i++)
            left += fresh[static_cast<size_t>(i)];
        CHECK(t.TabPosition(index) - t.scroll == left);
        RECT r = t.GetTabRect(any);
        CHECK(r.right == std::min<int32>(left + fresh[static_cast<size_t>(index)], b.ClientWidth()));
        const TextTabs::Hit hit = t.HitTest(std::max<int32>(left, t.ArrowWidth()) + 3);
        CHECK(hit.item == index);
    }
    CHECK(t.knownWidths.size() <= static_cast<size_t>(2 * b.list.Count() + 64));
    SetUiLanguageId(language);
}
