#include "gui/Toolbar.h"

#include "gui/ImageStrip.h"

#include <algorithm>
#include <new>

namespace {

enum : UINT_PTR { kHoverTimer = 101 };
constexpr COLORREF kLitFill = 0xFCCECC;
constexpr COLORREF kLitFrame = 0xCC6634;

bool IsButton(const ToolbarItem& item)
{
    return item.kind >= ToolbarButton && item.kind <= 2;
}

// Toggles keep their second image beside the first.
int ImageCount(const ToolbarItem& item)
{
    return item.kind == ToolbarToggle || item.kind == 2 ? 2 : 1;
}

COLORREF Darker(COLORREF c, int percent)
{
    return RGB(GetRValue(c) * percent / 100, GetGValue(c) * percent / 100,
               GetBValue(c) * percent / 100);
}

} // namespace

Toolbar::Toolbar()
    : currentDpi(96), stripDpi(96), pressed(-1), hover(-1), fixedMinWidth(0), fixedMaxWidth(0),
      hoverTimer(0), tallestImage(0), tallestDrawn(0)
{
}

Toolbar::~Toolbar() = default;

Toolbar* NewToolbar(ControlGroup* parent, uint32_t controlId)
{
    return NewToolbar(parent, controlId, new (std::nothrow) Toolbar());
}

Toolbar* NewToolbar(ControlGroup* parent, uint32_t controlId, Toolbar* toolbar)
{
    if (toolbar == nullptr)
        throw MemoryError();
    try {
        toolbar->parent = parent;
        toolbar->id = controlId;
        toolbar->style = OwnClass | ArrowCursor;
        toolbar->Create(L"Toolbar", 0, 0);
        toolbar->Show();
    } catch (...) {
        delete toolbar;
        throw;
    }
    return toolbar;
}

// --- content ---------------------------------------------------------------------------

void Toolbar::LoadImages(int bitmapId)
{
    strip96 = LoadBitmapResource(bitmapId);
    currentStrip = strip96;
}

void Toolbar::LoadImages(int bitmapId, int bitmapId192)
{
    LoadImages(bitmapId);
    strip192Id = bitmapId192;
}

void Toolbar::AddButton(uint32_t command, const wchar_t* text, int imageX, int imageWidth,
                        int imageHeight, int priority)
{
    ToolbarItem item{};
    item.kind = ToolbarButton;
    item.command = command;
    item.imageX = item.drawnX = imageX;
    item.imageWidth = item.drawnWidth = item.advance = imageWidth;
    item.imageHeight = item.drawnHeight = imageHeight;
    item.priority = priority;
    item.text = String(text);
    items.Insert(items.Count(), item);
    if (imageHeight > tallestImage) {
        tallestImage = imageHeight;
        tallestDrawn = imageHeight;
    }
}

void Toolbar::AddSeparator(bool blank)
{
    ToolbarItem item{};
    item.kind = blank ? ToolbarBlank : ToolbarSeparator;
    item.imageWidth = item.drawnWidth = item.advance = 5;
    items.Insert(items.Count(), item);
}

int Toolbar::FindCommand(uint32_t command)
{
    for (int64_t i = 0; i < items.Count(); i++)
        if (items.At(i).command == command)
            return static_cast<int>(i);
    return -1;
}

void Toolbar::SetChecked(uint32_t command, bool on)
{
    int i = FindCommand(command);
    if (i < 0 || (items.At(i).on != 0) == on)
        return;
    items.At(i).on = on;
    InvalidateItem(i);
}

void Toolbar::SetEnabled(uint32_t command, bool enabled)
{
    int i = FindCommand(command);
    if (i < 0 || (items.At(i).disabled == 0) == enabled)
        return;
    items.At(i).disabled = !enabled;
    // A button greyed while held or lit loses that at once.
    if (!enabled && pressed == i) {
        pressed = -1;
        ReleaseCaptureIfHeld();
    }
    InvalidateItem(i);
}

bool Toolbar::IsEnabled(uint32_t command)
{
    int i = FindCommand(command);
    return i >= 0 && !items.At(i).disabled;
}

bool Toolbar::Clickable(int index)
{
    return index >= 0 && index < items.Count() && IsButton(items.At(index)) &&
           !items.At(index).disabled;
}

bool Toolbar::IsChecked(uint32_t command)
{
    int i = FindCommand(command);
    return i >= 0 && items.At(i).on;
}

void Toolbar::SetPressed(uint32_t command, bool held)
{
    int i = FindCommand(command);
    if (i < 0)
        return;
    items.At(i).held = held;
    Invalidate();
}

void Toolbar::SetButtonText(uint32_t command, const wchar_t* text)
{
    int i = FindCommand(command);
    if (i < 0)
        return;
    items.At(i).text = String(text);
    Layout();
    Invalidate();
}

// --- size and layout -------------------------------------------------------------------

int Toolbar::TotalDrawnWidth()
{
    int total = 0;
    for (int64_t i = 0; i < items.Count(); i++)
        total += items.At(i).drawnWidth;
    return total;
}

void Toolbar::BuildScaledImages(int dpi)
{
    DeviceContext dc = WindowDC();
    ImageDib source = LoadImageDib(dc, strip192.Bitmap(), GetSysColor(COLOR_BTNFACE));
    int width = 0, height = 0;
    for (int64_t i = 0; i < items.Count(); i++) {
        const ToolbarItem& item = items.At(i);
        width += MulDiv(item.imageWidth, dpi, 96) * ImageCount(item);
        height = std::max(height, MulDiv(item.imageHeight, dpi, 96));
    }
    ImageDib built = MakeTransparentDib(width, height + 2);
    int x = 0;
    for (int64_t i = 0; i < items.Count(); i++) {
        const ToolbarItem& item = items.At(i);
        int w = MulDiv(item.imageWidth, dpi, 96), h = MulDiv(item.imageHeight, dpi, 96);
        for (int k = 0; k < ImageCount(item); k++) {
            ScaleDibArea(built, source, 2 * (item.imageX + k * item.imageWidth), x,
                         2 * item.imageWidth, w, 2 * item.imageHeight, h);
            x += w;
        }
    }
    currentStrip = DibToBitmap(built, dc);
}

void Toolbar::Measure(SizeLimits& limits)
{
    if (!strip192.IsEmpty() || strip192Id) {
        int dpi = GetDpi();
        if (dpi == stripDpi) {
            currentDpi = dpi;
        } else {
            if (dpi != 96 && strip192.IsEmpty()) {
                strip192 = LoadBitmapResource(strip192Id);
                strip192Id = 0;
            }
            if (dpi == 96 || dpi == 192) {
                currentStrip = dpi == 96 ? strip96 : strip192;
                int scale = dpi / 96;
                for (int64_t i = 0; i < items.Count(); i++) {
                    ToolbarItem& item = items.At(i);
                    item.drawnX = item.imageX * scale;
                    item.drawnWidth = item.imageWidth * scale;
                    item.drawnHeight = item.imageHeight * scale;
                }
            } else {
                BuildScaledImages(dpi);
                int x = 0;
                for (int64_t i = 0; i < items.Count(); i++) {
                    ToolbarItem& item = items.At(i);
                    item.drawnWidth = MulDiv(2 * item.imageWidth, dpi, 192);
                    item.drawnHeight = MulDiv(2 * item.imageHeight, dpi, 192);
                    item.drawnX = x;
                    x += item.drawnWidth * ImageCount(item);
                }
            }
            tallestDrawn = 0;
            for (int64_t i = 0; i < items.Count(); i++)
                tallestDrawn = std::max(tallestDrawn, items.At(i).drawnHeight);
            stripDpi = currentDpi = dpi;
            Invalidate();
        }
    }
    int total = fixedMinWidth || fixedMaxWidth ? TotalDrawnWidth() : 0;
    limits.minWidth = fixedMinWidth ? total : 0;
    limits.minHeight = tallestDrawn;
    limits.maxWidth = std::max(fixedMaxWidth ? total : int(Unbounded), limits.minWidth);
    limits.maxHeight = tallestDrawn;
}

void Toolbar::SetBounds(const RECT& rect)
{
    if (hwnd)
        SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    Layout();
}

int Toolbar::ResetWidths()
{
    int total = 0;
    for (int64_t i = 0; i < items.Count(); i++) {
        ToolbarItem& item = items.At(i);
        item.advance = item.drawnWidth;
        item.textShown = 0;
        total += item.drawnWidth;
    }
    return total;
}

int Toolbar::DropButtons(int total, int available)
{
    // Drop the highest priority first, the later one among equals.
    while (total > available && total >= 1) {
        int drop = -1;
        for (int64_t i = 0; i < items.Count(); i++) {
            const ToolbarItem& item = items.At(i);
            if (IsButton(item) && item.advance >= 1 &&
                (drop < 0 || item.priority >= items.At(drop).priority))
                drop = static_cast<int>(i);
        }
        if (drop < 0)
            break;
        total -= items.At(drop).advance;
        items.At(drop).advance = 0;
    }
    return total;
}

void Toolbar::AddCaptions(int total, int available)
{
    DeviceContext dc = WindowDC();
    dc.SelectFont(GetFont());
    const int gap = MulDiv(8, currentDpi, 96);
    while (available > total) {
        // Captions go to the lowest priority first, the earlier among equals;
        // a dropped button gets none.
        int next = -1;
        for (int64_t i = 0; i < items.Count(); i++) {
            const ToolbarItem& item = items.At(i);
            if (IsButton(item) && item.advance >= 1 && !item.textShown && !item.text.IsEmpty() &&
                (next < 0 || item.priority < items.At(next).priority))
                next = static_cast<int>(i);
        }
        if (next < 0)
            break;
        ToolbarItem& item = items.At(next);
        int length = AsInt(item.text.Length());
        SIZE size;
        int width = GetTextExtentPoint32W(dc.Hdc(), item.text.Data(), length, &size)
                        ? size.cx
                        : 10 * length;
        int add = width + gap;
        total += add;
        // A caption that does not fit ends the process, even if a later,
        // shorter one would.
        if (total > available)
            break;
        item.advance += add;
        item.textShown = 1;
    }
}

void Toolbar::Layout()
{
    const int available = ClientRect().right;
    int total = ResetWidths();
    // Fixed widths neither drop buttons nor show captions.
    if (fixedMinWidth || fixedMaxWidth)
        return;
    total = DropButtons(total, available);
    if (available > total)
        AddCaptions(total, available);
}

int Toolbar::ItemAt(int clientX)
{
    if (clientX < 0)
        return -1;
    for (int64_t i = 0; i < items.Count(); i++) {
        clientX -= items.At(i).advance;
        if (clientX < 0)
            return static_cast<int>(i);
    }
    return -1;
}

int Toolbar::ItemLeft(int index)
{
    int x = 0;
    for (int64_t i = 0; i < index && i < items.Count(); i++)
        x += items.At(i).advance;
    return x;
}

void Toolbar::InvalidateItem(int index)
{
    if (index < 0 || index >= items.Count())
        return;
    RECT r = ClientRect();
    r.left = ItemLeft(index);
    r.right = r.left + items.At(index).advance;
    InvalidateRect(r);
}

// --- painting --------------------------------------------------------------------------

const GdiObj& Toolbar::GreyStrip(const DeviceContext& dc)
{
    if (greyStrip.IsEmpty() || greyStripOf.Handle() != currentStrip.Handle()) {
        ImageDib dib = LoadImageDib(dc, currentStrip.Bitmap(), GetSysColor(COLOR_BTNFACE));
        FadeDibToGrey(dib, GetSysColor(COLOR_BTNFACE));
        greyStrip = DibToBitmap(dib, dc);
        // Held, so a new strip can never come back under the old handle.
        greyStripOf = currentStrip;
    }
    return greyStrip;
}

void Toolbar::DrawItem(DeviceContext& dc, int index, int x, int bottom)
{
    const ToolbarItem& item = items.At(index);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (!IsButton(item)) {
        RECT column = {x, 0, x + item.drawnWidth, bottom};
        dc.FillRect(column, face);
        if (item.kind == ToolbarSeparator) {
            int m = (column.left + column.right) / 2;
            dc.FillRect({m, MulDiv(3, stripDpi, 96), m + MulDiv(1, stripDpi, 96),
                         bottom - MulDiv(3, stripDpi, 96)},
                        Darker(face, 70));
        }
        return;
    }
    const bool enabled = !item.disabled;
    const bool lit = enabled && (index == pressed || (pressed < 0 && index == hover));
    const bool down = enabled && index == pressed && index == hover;
    const int s2 = MulDiv(2, currentDpi, 96);
    RECT column = {x, 0, x + item.advance, bottom};
    if (lit || (item.held && enabled)) {
        dc.FillRect(column, kLitFill);
        dc.FrameRect(column, kLitFrame, 1);
    } else {
        dc.FillRect(column, face);
    }
    int top = std::max((bottom - item.drawnHeight) / 2, 0) + (down ? 2 : 0);
    const int sourceX = item.drawnX + (item.on ? item.drawnWidth : 0);
    if (enabled || currentStrip.IsEmpty())
        keyedStrip.Draw(dc.Hdc(), currentStrip, x, top, item.drawnWidth, item.drawnHeight + 1,
                        sourceX, 0);
    else
        keyedGreyStrip.Draw(dc.Hdc(), GreyStrip(dc), x, top, item.drawnWidth,
                            item.drawnHeight + 1, sourceX, 0);
    if (item.textShown) {
        SIZE w = {0, 20};
        GetTextExtentPoint32W(dc.Hdc(), L"W", 1, &w);
        SetTextColor(dc.Hdc(), GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        ExtTextOutW(dc.Hdc(), x + s2 + item.drawnWidth, (down ? s2 : 0) + (bottom - w.cy) / 2, 0,
                    nullptr, item.text.Data(), static_cast<UINT>(item.text.Length()), nullptr);
    }
    if (lit && down) {
        COLORREF shadow = GetSysColor(COLOR_3DDKSHADOW);
        dc.FrameRect4(column, shadow, GetSysColor(COLOR_BTNHIGHLIGHT), shadow,
                      GetSysColor(COLOR_BTNHIGHLIGHT));
        dc.FillRect({column.left, 0, column.right, 2}, shadow);
    }
}

void Toolbar::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    dc.SelectFont(GetFont());
    SetBkMode(dc.Hdc(), TRANSPARENT);
    RECT client = ClientRect();
    int x = 0;
    for (int64_t i = 0; i < items.Count(); i++) {
        int advance = items.At(i).advance;
        if (advance < 1)
            continue;
        DrawItem(dc, static_cast<int>(i), x, client.bottom);
        x += advance;
    }
    if (x < client.right)
        dc.FillRect({x, 0, client.right, client.bottom}, GetSysColor(COLOR_BTNFACE));
}

// --- mouse -----------------------------------------------------------------------------

void Toolbar::OnMouseMove(MessageRecord& m)
{
    if (!hoverTimer) {
        // Its ticks keep the loop's hover tracking going until the mouse leaves.
        SetTimer(kHoverTimer, 100);
        hoverTimer = kHoverTimer;
    }
    int item = IsCursorOver() ? ItemAt(static_cast<short>(LOWORD(m.lParam))) : -1;
    if (item == hover)
        return;
    if (pressed < 0) {
        InvalidateItem(hover);
        hover = -1;
        if (item >= 0) {
            InvalidateItem(item);
            hover = item;
        }
    } else if (item == pressed || hover == pressed) {
        // While a button is held only moving onto or off it counts.
        InvalidateItem(pressed);
        hover = item;
    }
}

void Toolbar::OnLButtonDown(MessageRecord& m)
{
    OnMouseMove(m);
    // A greyed button takes no press.
    if (hover >= 0 && items.At(hover).disabled)
        return;
    pressed = hover;
    InvalidateItem(pressed);
    Capture();
}

void Toolbar::OnLButtonUp(MessageRecord&)
{
    uint32_t command = 0;
    if (pressed >= 0 && pressed == hover && Clickable(pressed))
        command = items.At(pressed).command;
    InvalidateItem(pressed);
    InvalidateItem(hover);
    pressed = -1;
    ReleaseCaptureIfHeld();
    if (command)
        SendCommandToParent(static_cast<int>(command), static_cast<int>(id));
}

void Toolbar::OnMouseLeave(MessageRecord&)
{
    InvalidateItem(hover);
    hover = -1;
    KillTimer(kHoverTimer);
    hoverTimer = 0;
}

// --- hints -----------------------------------------------------------------------------

const wchar_t* Toolbar::HintAt(POINT screenPoint)
{
    if (!IsOverAt(screenPoint))
        return nullptr;
    int i = ItemAt(ScreenToClientPoint(screenPoint).x);
    // Nothing while a button is held down.
    if (i < 0 || pressed >= 0)
        return nullptr;
    return items.At(i).text.CStr();
}

uint32_t Toolbar::HintIdAt(POINT screenPoint)
{
    if (!IsOverAt(screenPoint))
        return 0;
    int i = ItemAt(ScreenToClientPoint(screenPoint).x);
    return i >= 0 ? items.At(i).command : 0;
}
