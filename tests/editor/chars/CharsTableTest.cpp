#include "CharsTestSupport.h"

#include "text/Encoding.h"

#include <doctest.h>

#include <set>

TEST_CASE("cells are measured from the font's W")
{
    GridHost host(nullptr);
    CharsTableBox& g = *host.grid;
    DeviceContext dc;
    dc.FromWindow(g.hwnd);
    g.SelectFontInto(dc);
    SIZE w, header;
    GetTextExtentPoint32W(dc.Hdc(), L"W", 1, &w);
    GetTextExtentPoint32W(dc.Hdc(), L"WWW_  ", 6, &header);
    CHECK(g.cellWidth == w.cx + 5);
    CHECK(g.rowHeight == w.cy + 3);
    CHECK(g.headerWidth == header.cx);
    SizeLimits limits;
    g.Measure(limits);
    CHECK(limits.minHeight == 8 * g.rowHeight);
    CHECK(limits.minWidth == GetSystemMetrics(SM_CXVSCROLL) * g.GetDpi() / g.SystemDpi() + 16 * g.cellWidth +
                                 g.headerWidth + 5);
    CHECK(g.firstRow == 2);
    CHECK(g.currentIndex == 0);
}

TEST_CASE("Unicode grid: surrogates are never shown, selected or chosen")
{
    GridHost host(nullptr);
    CharsTableBox& g = *host.grid;
    CHECK(g.RowCount() == 69504);
    CHECK(g.IndexToCode(0xD7F0) == 0xD7F0);
    CHECK(g.IndexToCode(0xD800) == 0xE000);  // the row after "d7f0" is headed "e000"
    CHECK(g.IndexToCode(0x10F7FF) == 0x10FFFF);
    CHECK(g.IndexToCode(0x10F800) == -1);
    for (int32 code : {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x110000, -1}) {
        g.SelectCode(code);
        CHECK(g.currentIndex == 0);
    }
    g.SelectCode(0xE000);
    CHECK(g.currentIndex == 0xD800);
    CHECK(g.firstRow == 0xD800 / 16 - 7);
    // A lone half of a pair chooses nothing; a whole pair chooses its character.
    host.Char(0xDC00);
    host.Char(0xD83D);
    host.Char(L'a');
    host.Char(0xD83D);
    host.Char(0xDE00);
    CHECK(host.Codes(12) == std::vector<int32>{'a', 0x1F600});
    host.Key(VK_END);
    CHECK(g.currentIndex == 0x10F7FF);
    CHECK(host.Codes(11).back() == 0x10FFFF);
    CHECK(g.firstRow == 69504 - 8);
}

TEST_CASE("keys move the current cell with wrap inside the row and clamps at the ends")
{
    GridHost host(CodePageTableOf(EncodingWindows1250));
    CharsTableBox& g = *host.grid;
    CHECK(g.RowCount() == 16);
    host.Key(VK_END);
    CHECK(g.currentIndex == 255);
    host.Key(VK_HOME);
    CHECK(g.currentIndex == 0);
    CHECK(g.firstRow == 0);
    g.SelectCode(14 * 16 + 3);
    host.Key(VK_NEXT);
    CHECK(g.currentIndex == 15 * 16 + 3);
    host.Key(VK_PRIOR);
    CHECK(g.currentIndex == 7 * 16 + 3);
    host.Key(VK_PRIOR);
    CHECK(g.currentIndex == 3);
    host.Key(VK_UP);
    CHECK(g.currentIndex == 3);
    g.SelectCode(0x2F);
    host.Key(VK_RIGHT);
    CHECK(g.currentIndex == 0x20);
    host.Key(VK_LEFT);
    CHECK(g.currentIndex == 0x2F);
    g.SelectCode(0xF5);
    host.Key(VK_DOWN);
    CHECK(g.currentIndex == 0xF5);
    host.Key(VK_F5);
    CHECK(g.currentIndex == 0xF5);
    CHECK(host.Codes(11).back() == 0xF5);
    // A negative current index starts from 0.
    g.currentIndex = -1;
    host.Key(VK_RIGHT);
    CHECK(g.currentIndex == 1);
    host.Char(27);
    CHECK(host.notes.back().code == 10);
    host.Char(13);
    CHECK(host.Codes(12).back() == 1);
}

TEST_CASE("wheel notches turn into rows and keep the rest; the scroll bar clamps and clears it")
{
    GridHost host(nullptr);
    CharsTableBox& g = *host.grid;
    g.firstRow = 10;
    g.SendMsg(WM_MOUSEWHEEL, MAKEWPARAM(0, -100), 0);
    CHECK(g.firstRow == 12);
    CHECK(g.wheelRemainder == -20);
    g.SendMsg(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    CHECK(g.firstRow == 10);
    CHECK(g.wheelRemainder == 20);
    g.SendMsg(WM_VSCROLL, SB_LINEDOWN, 0);
    CHECK(g.firstRow == 11);
    CHECK(g.wheelRemainder == 0);
    g.SendMsg(WM_VSCROLL, SB_PAGEUP, 0);
    CHECK(g.firstRow == 3);
    g.SendMsg(WM_VSCROLL, SB_PAGEUP, 0);
    CHECK(g.firstRow == 0);
    g.SendMsg(WM_VSCROLL, SB_BOTTOM, 0);
    CHECK(g.firstRow == 69496);
    g.SendMsg(WM_VSCROLL, SB_LINEDOWN, 0);
    CHECK(g.firstRow == 69496);
    g.SendMsg(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
    CHECK(g.firstRow == 69496);
    g.SendMsg(WM_VSCROLL, SB_TOP, 0);
    CHECK(g.firstRow == 0);
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(g.hwnd, SB_VERT, &info);
    CHECK(info.nPos == 0);
}

TEST_CASE("thumb tracking past row 65535 reads the full position")
{
    GridHost host(nullptr);
    CharsTableBox& g = *host.grid;
    // Outside a drag the tracking position is the bar's position.
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, 66000, 0};
    SetScrollInfo(g.hwnd, SB_VERT, &info, FALSE);
    g.SendMsg(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 66000 & 0xFFFF), 0);
    CHECK(g.firstRow == 66000);
    POINT p = host.CellCentre(66000 * 16 + 5);
    host.Mouse(WM_MOUSEMOVE, p.x, p.y);
    CHECK(host.Codes(11).back() == 66000 * 16 + 5 + 0x800);
}

TEST_CASE("the mouse: press and release on one cell chooses it, a drag to another or the header chooses nothing")
{
    GridHost host(nullptr);
    CharsTableBox& g = *host.grid;
    POINT a = host.CellCentre(0x41);
    POINT b = host.CellCentre(0x52);
    host.Mouse(WM_LBUTTONDOWN, a.x, a.y);
    CHECK(g.pressedIndex == 0x41);
    host.Mouse(WM_LBUTTONUP, a.x, a.y);
    CHECK(host.Codes(12) == std::vector<int32>{0x41});
    CHECK(g.pressedIndex == -1);

    host.Mouse(WM_LBUTTONDOWN, a.x, a.y);
    host.Mouse(WM_MOUSEMOVE, b.x, b.y);
    CHECK(host.Codes(11).back() == 0x41);  // the pressed cell is reported while held
    host.Mouse(WM_LBUTTONUP, b.x, b.y);
    CHECK(host.Codes(12).size() == 1);
    CHECK(g.currentIndex == 0x41);

    host.Mouse(WM_LBUTTONDOWN, a.x, a.y);
    host.Mouse(WM_LBUTTONUP, 3, a.y);  // over the row header
    CHECK(host.Codes(12).size() == 1);
    host.Mouse(WM_LBUTTONDOWN, 3, a.y);
    host.Mouse(WM_LBUTTONUP, 3, a.y);
    CHECK(host.Codes(12).size() == 1);
}

TEST_CASE("a control larger than its grid hits only the 16 x 8 cells")
{
    GridHost host(CodePageTableOf(EncodingWindows1252));
    CharsTableBox& g = *host.grid;
    host.SetBounds({0, 0, 1200, 900});
    g.SetBounds({0, 0, 1100, 800});
    Pump();
    g.firstRow = 8;  // the last page: rows 8 to 15
    int32 right = g.headerWidth + 16 * g.cellWidth;
    int32 bottom = 8 * g.rowHeight;
    CHECK(g.IndexAt(right - 1, bottom - 1) == 255);
    for (POINT p : {POINT{right, 2}, POINT{right + 3 * g.cellWidth, bottom - 1}, POINT{right - 1, bottom},
                    POINT{5, bottom + 4 * g.rowHeight}, POINT{1090, 790}, POINT{-5, 2}}) {
        CAPTURE(p.x);
        CAPTURE(p.y);
        CHECK(g.IndexAt(p.x, p.y) == -1);
        host.Mouse(WM_LBUTTONDOWN, p.x, p.y);
        host.Mouse(WM_LBUTTONUP, p.x, p.y);
    }
    CHECK(host.Codes(12).empty());
    for (int32 v : host.Codes(11))
        CHECK((v >= 0 && v <= 255));
    // The same in the Unicode grid at its end: nothing beyond U+10FFFF.
    GridHost wide(nullptr);
    wide.grid->SetBounds({0, 0, 1100, 800});
    wide.grid->SendMsg(WM_VSCROLL, SB_BOTTOM, 0);
    wide.Mouse(WM_MOUSEMOVE, 1000, 700);
    wide.Mouse(WM_MOUSEMOVE, right + 5, 3);
    for (int32 v : wide.Codes(11))
        CHECK(v <= 0x10FFFF);
    CHECK(wide.grid->IndexAt(right - 1, bottom - 1) == 0x10F7FF);
}

TEST_CASE("each code page offers exactly its 256 characters; a character it lacks chooses nothing")
{
    for (EncodingId id : {EncodingWindows1252, EncodingWindows1250, EncodingIso8859_1, EncodingIso8859_2}) {
        CAPTURE(id);
        const CodePageTable* table = CodePageTableOf(id);
        REQUIRE(table != nullptr);
        GridHost host(table);
        CharsTableBox& g = *host.grid;
        CHECK(g.LastIndex() == 255);
        std::set<int32> codes;
        for (int32 i = 0; i <= 256; i++)
            codes.insert(g.IndexToCode(i));
        CHECK(codes.size() == 257);  // 0..255 and -1
        CHECK(*codes.begin() == -1);
        CHECK(*codes.rbegin() == 255);
        int chosen = 0;
        for (wchar_t c = 0; c < 0xFFFF; c++) {
            if (c == 13 || c == 27)
                continue;
            size_t before = host.notes.size();
            host.Char(c);
            // Control characters (Ctrl with a letter, Backspace, Tab) choose nothing.
            bool representable = c >= 0x20 && c != 0x7F && c < 0x4000 &&
                                 table->reverse[c] != CodePageTable::kNotRepresentable;
            if (representable != (host.notes.size() == before + 1)) {
                CAPTURE(static_cast<int>(c));
                FAIL("a typed character chose wrongly");
            }
            if (representable) {
                chosen++;
                if (table->forward[host.notes.back().value] != c) {
                    CAPTURE(static_cast<int>(c));
                    FAIL("the chosen byte does not give the typed character back");
                }
            }
        }
        CHECK(chosen == 223);  // every byte's character, less the 33 control characters
    }
}
