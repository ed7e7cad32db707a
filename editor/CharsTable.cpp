#include "editor/CharsTable.h"

#include "base/CharUtils.h"
#include "gui/NativeControl.h"
#include "text/Encoding.h"

#include <cwchar>

namespace {

constexpr COLORREF kMarkedFocused = 0xFCCECC;
constexpr COLORREF kMarkFrame = 0xCC6634;

int32 ClampInt(int32 value, int32 low, int32 high)
{
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

CharsTableBox::CharsTableBox()
    : firstRow(2), cellWidth(20), rowHeight(20), headerWidth(40), paddingX(5), paddingY(3), pressedIndex(-1),
      currentIndex(0), lastX(-1), lastY(-1), currentCode(0), codeTable(nullptr), wheelRemainder(0),
      pendingHighSurrogate(0)
{
}

CharsTableBox* NewCharsTableBox(ControlGroup* parent, uint32_t controlId, const CodePageTable* table)
{
    return MakeControl<CharsTableBox>([&](CharsTableBox& box) { box.Init(parent, controlId, table); });
}

void CharsTableBox::Init(ControlGroup* parentGroup, uint32_t controlId, const CodePageTable* table)
{
    parent = parentGroup;
    id = controlId;
    codeTable = table;
    style = OwnClass | ArrowCursor | VScroll;
    Create(L"Chars Table", 0, 0);
    // The form's font until the owner sets one; a DPI change brings the new one.
    FollowFormFont();
    font = GetFont();
    SetVScrollRows(firstRow, RowCount());
    Invalidate();
    Show();
}

int32 CharsTableBox::RowCount() const
{
    return codeTable ? 256 / Columns : UnicodeRows;
}

int32 CharsTableBox::IndexToCode(int32 index) const
{
    if (index < 0 || index > LastIndex())
        return -1;
    if (codeTable)
        return index;
    return index < 0xD800 ? index : index + 0x800;
}

int32 CharsTableBox::CodeToIndex(int32 code) const
{
    if (codeTable)
        return code >= 0 && code <= 255 ? code : -1;
    if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return -1;
    return code < 0xD800 ? code : code - 0x800;
}

int32 CharsTableBox::IndexAt(int32 x, int32 y) const
{
    // Only the grid itself: a control laid out larger than measured (a new
    // font or DPI) must not give cells past the row's end or the table's.
    if (cellWidth <= 0 || rowHeight <= 0 || x < headerWidth || y < 0)
        return -1;
    int32 column = (x - headerWidth) / cellWidth;
    int32 row = y / rowHeight;
    if (column >= Columns || row >= VisibleRows)
        return -1;
    int64 index = (static_cast<int64>(row) + firstRow) * Columns + column;
    return index <= LastIndex() ? static_cast<int32>(index) : -1;
}

void CharsTableBox::SelectFontInto(DeviceContext& dc)
{
    if (!font.IsEmpty())
        dc.SelectFont(font);
}

void CharsTableBox::ApplyFont(const GdiObj& newFont, bool)
{
    font = newFont;
    MeasureCells();
    Invalidate();
}

void CharsTableBox::SetFont(const GdiObj& newFont)
{
    UnfollowFormFont();
    ApplyFont(newFont, true);
}

void CharsTableBox::SetFontHandle(HFONT)
{
    // Only owned fonts: the grid keeps its font alive itself.
}

bool CharsTableBox::MeasureCells()
{
    if (hwnd == nullptr)
        return false;
    DeviceContext dc = MeasuringDC(*this);
    if (!dc.IsOpen())
        return false;
    SIZE w, header;
    if (!GetTextExtentPoint32W(dc.Hdc(), L"W", 1, &w) || !GetTextExtentPoint32W(dc.Hdc(), L"WWW_  ", 6, &header))
        return false;
    // The paddings are 5 and 3 at 96 DPI and grow with it, as the glyphs do.
    int dpi = GetDpi();
    paddingX = MulDiv(5, dpi, 96);
    paddingY = MulDiv(3, dpi, 96);
    cellWidth = w.cx + paddingX;
    rowHeight = w.cy + paddingY;
    headerWidth = header.cx;
    return true;
}

void CharsTableBox::Measure(SizeLimits& limits)
{
    if (!MeasureCells()) {
        limits = {200, 200, 200, 200};
        return;
    }
    int32 scrollBar = MulDiv(GetSystemMetrics(SM_CXVSCROLL), GetDpi(), SystemDpi());
    // A padding's room after the last column: a glyph as wide as its cell
    // would otherwise touch the scroll bar's arrows.
    int32 width = scrollBar + Columns * cellWidth + headerWidth + paddingX;
    int32 height = VisibleRows * rowHeight;
    limits = {width, height, width, height};
}

void CharsTableBox::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return;
    MeasureCells();
    DeviceContext memory;
    memory.Compatible(&dc);
    memory.SelectBitmap(MakeCompatibleBitmap(dc, client.right, client.bottom));
    SelectFontInto(memory);
    HDC h = memory.Hdc();
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    bool focused = HasFocus();
    memory.FillRect(client, face);
    SetBkMode(h, TRANSPARENT);
    SetTextColor(h, text);
    int32 rows = RowCount();
    for (int32 r = 0; r < VisibleRows && firstRow + r < rows; r++) {
        int32 top = r * rowHeight;
        int32 rowIndex = (firstRow + r) * Columns;
        wchar_t header[16];
        int n = swprintf(header, 16, L"%04x", static_cast<unsigned>(IndexToCode(rowIndex)));
        TextOutW(h, 4, top + paddingY / 2, header, n > 0 ? n : 0);
        for (int32 c = 0; c < Columns; c++) {
            int32 index = rowIndex + c;
            RECT cell = {headerWidth + c * cellWidth, top, headerWidth + (c + 1) * cellWidth, top + rowHeight};
            bool pressed = index == pressedIndex;
            bool current = index == currentIndex;
            bool marked = pressed || (pressedIndex < 0 && current);
            int32 drop = 0;
            if (marked) {
                memory.FillRect(cell, focused ? kMarkedFocused : face);
                memory.FrameRect(cell, kMarkFrame, 1);
                if (pressed && current) {
                    RECT inner = {cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
                    memory.FrameRect4(inner, dark, light, dark, light);
                    memory.FillRect({inner.left, inner.top, inner.right, inner.top + 2}, dark);
                    drop = 1;
                }
            }
            wchar_t units[2];
            int count = 1;
            if (codeTable)
                units[0] = static_cast<wchar_t>(codeTable->forward[index]);
            else
                count = CodePointToUtf16(IndexToCode(index), units);
            SIZE first = {0, 0};
            GetTextExtentPoint32W(h, units, 1, &first);
            TextOutW(h, cell.left + (cellWidth - first.cx) / 2, top + paddingY / 2 + drop, units, count);
        }
    }
    BitBlt(dc.Hdc(), 0, 0, client.right, client.bottom, h, 0, 0, SRCCOPY);
}

void CharsTableBox::InvalidateCell(int32 index)
{
    if (index < 0 || hwnd == nullptr)
        return;
    int32 row = index / Columns - firstRow;
    if (row < 0 || row >= VisibleRows)
        return;
    int32 column = index % Columns;
    InvalidateRect({headerWidth + column * cellWidth, row * rowHeight, headerWidth + (column + 1) * cellWidth,
                    (row + 1) * rowHeight});
}

void CharsTableBox::Notify(int32 code, int32 index)
{
    currentCode = IndexToCode(index);
    SendCommandToParent(static_cast<int>(id), code);
}

void CharsTableBox::PointAt(int32 x, int32 y)
{
    if (x == lastX && y == lastY)
        return;
    lastX = x;
    lastY = y;
    int32 index = IndexAt(x, y);
    if (index == currentIndex)
        return;
    if (pressedIndex >= 0) {
        // Only the pressed cell changes its look: pressed-in while the
        // pointer is on it, raised while it is elsewhere.
        InvalidateCell(pressedIndex);
    } else {
        InvalidateCell(currentIndex);
        InvalidateCell(index);
    }
    currentIndex = index;
    if (pressedIndex >= 0)
        Notify(PointedCode, pressedIndex);
    else if (currentIndex >= 0)
        Notify(PointedCode, currentIndex);
}

void CharsTableBox::OnMouseMove(MessageRecord& m)
{
    PointAt(static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam)));
}

void CharsTableBox::OnLButtonDown(MessageRecord& m)
{
    lastX = lastY = -1;
    SetFocus();
    PointAt(static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam)));
    InvalidateCell(currentIndex);
    InvalidateCell(pressedIndex);
    pressedIndex = currentIndex;
    Capture();
}

void CharsTableBox::OnLButtonUp(MessageRecord& m)
{
    // The release point counts even when no move reported it.
    PointAt(static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam)));
    int32 chosen = pressedIndex >= 0 && pressedIndex == currentIndex ? pressedIndex : -1;
    InvalidateCell(pressedIndex);
    InvalidateCell(currentIndex);
    if (pressedIndex >= 0)
        currentIndex = pressedIndex;
    pressedIndex = -1;
    ReleaseCaptureIfHeld();
    if (chosen >= 0)
        Notify(ChosenCode, chosen);
}

void CharsTableBox::OnSetFocus(MessageRecord&)
{
    Invalidate();
}

void CharsTableBox::OnKillFocus(MessageRecord&)
{
    Invalidate();
}

void CharsTableBox::ScrollTo(int32 row)
{
    int32 first = ClampInt(row, 0, RowCount() - VisibleRows);
    firstRow = first;
    SetVScrollRows(firstRow, RowCount());
    Invalidate();
}

void CharsTableBox::OnMouseWheel(MessageRecord& m)
{
    wheelRemainder += GET_WHEEL_DELTA_WPARAM(m.wParam);
    int32 rows = wheelRemainder / 40;
    if (rows == 0)
        return;
    wheelRemainder -= rows * 40;
    ScrollTo(firstRow - rows);
}

void CharsTableBox::OnVScroll(MessageRecord& m)
{
    int32 row = firstRow;
    switch (LOWORD(m.wParam)) {
    case SB_LINEUP: row -= 1; break;
    case SB_LINEDOWN: row += 1; break;
    case SB_PAGEUP: row -= VisibleRows; break;
    case SB_PAGEDOWN: row += VisibleRows; break;
    case SB_THUMBTRACK: {
        // The message carries 16 bits of position; the Unicode grid has
        // more rows than that.
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (!GetScrollInfo(hwnd, SB_VERT, &info))
            return;
        row = info.nTrackPos;
        break;
    }
    case SB_TOP: row = 0; break;
    case SB_BOTTOM: row = RowCount() - 1; break;
    default: return;
    }
    ScrollTo(row);
    wheelRemainder = 0;
}

void CharsTableBox::ScrollIntoView(int32 index)
{
    int32 row = index / Columns;
    if (row >= firstRow + VisibleRows)
        ScrollTo(row - (VisibleRows - 1));
    else if (row < firstRow)
        ScrollTo(row);
}

void CharsTableBox::SelectCode(int32 code)
{
    int32 index = CodeToIndex(code);
    if (index < 0)
        return;
    InvalidateCell(currentIndex);
    currentIndex = index;
    InvalidateCell(index);
    ScrollIntoView(index);
}

void CharsTableBox::OnKeyDown(MessageRecord& m)
{
    if (currentIndex < 0)
        currentIndex = 0;
    int32 index = currentIndex;
    int32 last = LastIndex();
    int32 column = index % Columns;
    int32 lastRowStart = last - (Columns - 1);
    switch (m.wParam) {
    case VK_PRIOR: index = index - VisibleRows * Columns >= 0 ? index - VisibleRows * Columns : column; break;
    case VK_NEXT:
        index = index + VisibleRows * Columns <= last ? index + VisibleRows * Columns : lastRowStart + column;
        break;
    case VK_END: index = last; break;
    case VK_HOME: index = 0; break;
    case VK_LEFT: index = column == 0 ? index + Columns - 1 : index - 1; break;
    case VK_RIGHT: index = column == Columns - 1 ? index - (Columns - 1) : index + 1; break;
    case VK_UP:
        if (index >= Columns)
            index -= Columns;
        break;
    case VK_DOWN:
        if (index < lastRowStart)
            index += Columns;
        break;
    default: return;
    }
    ScrollIntoView(index);
    InvalidateCell(currentIndex);
    InvalidateCell(index);
    currentIndex = index;
    Notify(PointedCode, index);
}

void CharsTableBox::OnChar(MessageRecord& m)
{
    wchar_t c = static_cast<wchar_t>(m.wParam);
    wchar_t high = pendingHighSurrogate;
    pendingHighSurrogate = 0;
    if (c == 27) {
        SendCommandToParent(static_cast<int>(id), EscapeCode);
        return;
    }
    if (c == 13) {
        if (currentIndex >= 0)
            Notify(ChosenCode, currentIndex);
        return;
    }
    // Ctrl with a letter (an accelerator of the main window, say Ctrl+F),
    // Backspace and Tab come as control characters: they choose nothing.
    if (c < 0x20 || c == 0x7F)
        return;
    int32 code;
    if (codeTable) {
        if (c >= 0x4000 || codeTable->reverse[c] == CodePageTable::kNotRepresentable)
            return;
        code = codeTable->reverse[c];
    } else if (IsHighSurrogate(c)) {
        // A character beyond U+FFFF arrives in two halves; a half alone is
        // no character.
        pendingHighSurrogate = c;
        return;
    } else if (IsLowSurrogate(c)) {
        if (high == 0)
            return;
        code = JoinPair(high, c);
    } else {
        code = c;
    }
    currentCode = code;
    SendCommandToParent(static_cast<int>(id), ChosenCode);
}

void CharsTableBox::OnGetDlgCode(MessageRecord& m)
{
    const MSG* msg = reinterpret_cast<const MSG*>(m.lParam);
    if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_CHAR) &&
        msg->wParam == VK_TAB) {
        m.result = DLGC_WANTARROWS;
        return;
    }
    m.result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
}
