#include "view/TextTabs.h"

#include "base/CharUtils.h"
#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "gui/ImageStrip.h"
#include "text/DocumentList.h"
#include "text/TextDocument.h"


#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

int32 PointX(LPARAM p)
{
    return static_cast<short>(LOWORD(p));
}

int32 PointY(LPARAM p)
{
    return static_cast<short>(HIWORD(p));
}

enum : UINT_PTR { kAutoScrollTimer = 1 };
enum : int32 { kArrowStep = 40, kRepeatStep = 20, kRepeatDelay = 16, kDragThreshold = 4 };

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\' || c == L':';
}

// Length of the folder part of a path: up to and including its last
// separator, the whole text when it has none.
int64 FolderLength(const String& path)
{
    const wchar_t* p = path.Data();
    for (int64 i = path.Length(); i > 0; i--)
        if (IsSeparator(p[i - 1]))
            return i;
    return path.Length();
}

const wchar_t* NoNameText()
{
    return IsPolishUi() ? L"<bez nazwy>" : L"<no name>";
}

// The file name of a path (a view into it), or the no-name text.
void NameSpan(const String& path, const wchar_t*& text, int32& length)
{
    if (path.IsEmpty()) {
        text = NoNameText();
        length = static_cast<int32>(wcslen(text));
        return;
    }
    int64 start = 0;
    const wchar_t* p = path.Data();
    for (int64 i = path.Length(); i > 0; i--)
        if (IsSeparator(p[i - 1])) {
            start = i;
            break;
        }
    text = p + start;
    length = AsInt(path.Length() - start);
}

int32 TextWidth(HDC dc, const wchar_t* text, int32 length)
{
    SIZE size;
    return GetTextExtentPoint32W(dc, text, length, &size) ? size.cx : 10 * length;
}

COLORREF HalfAndHalf(COLORREF a, COLORREF b)
{
    return RGB(GetRValue(a) / 2 + GetRValue(b) / 2, GetGValue(a) / 2 + GetGValue(b) / 2,
               GetBValue(a) / 2 + GetBValue(b) / 2);
}

COLORREF QuarterOf(COLORREF a, COLORREF b)
{
    return RGB(GetRValue(a) * 25 / 100 + GetRValue(b) * 75 / 100,
               GetGValue(a) * 25 / 100 + GetGValue(b) * 75 / 100,
               GetBValue(a) * 25 / 100 + GetBValue(b) * 75 / 100);
}

} // namespace

TextTabs::TextTabs()
    : handler(nullptr), documents(nullptr), current(nullptr), folderLabels(1), fontDpi(96),
      iconDpi(96), textColor(0), backgroundColor(0xFFFFFF), palette(), scroll(0), totalWidth(1),
      hoverItem(NoItem), pressedItem(NoItem), hoverPart(TabBody), pressedPart(TabBody),
      autoScrollDirection(0), autoScrollDelay(0), tabRowTop(0), dragAnchorX(0), lastDragX(0),
      lastDropIndex(-1), grabOffset(0), dragged(nullptr), knownFontDpi(0), knownIconDpi(0), knownPolish(false)
{
}

TextTabs::~TextTabs()
{
    strip96.Clear();
    strip192.Clear();
    stripInUse.Clear();
    tabFont.Clear();
}

TextTabs* TextTabs::Create(ControlGroup* parent, DocumentList* list)
{
    return MakeControl<TextTabs>([&](TextTabs& tabs) {
        tabs.parent = parent;
        tabs.documents = list;
        tabs.BuildFont(96);
        // The 192-dpi strip is loaded when a DPI first needs it.
        tabs.strip96 = LoadBitmapResource(TabIcons96);
        tabs.stripInUse = tabs.strip96;
        tabs.id = TextTabsId;
        tabs.style = OwnClass | ArrowCursor | NoTabStop;
        tabs.Control::Create(L"Text Tabs", 0, 0);
        tabs.Show();
    });
}

void TextTabs::ApplySettings(const SettingsStore& settings)
{
    folderLabels = settings.GetBool(L"TextTabDirs", false) ? 1 : 0;
    textColor = settings.GetColor(L"TextColor", 0x000000);
    backgroundColor = settings.GetColor(L"TextBgColor", 0xFFFFFF);
    BuildFont(GetDpi());
    Invalidate();
}

// --- names and metrics -----------------------------------------------------------------

String TextTabs::DisplayName(const TextDocument* document)
{
    String path = document->GetPath();
    const wchar_t* text;
    int32 length;
    NameSpan(path, text, length);
    return String(text, length);
}

String TextTabs::FolderOf(const TextDocument* document)
{
    String location = document->GetLocation();
    return String(location.Data(), FolderLength(location));
}

void TextTabs::BuildFont(int dpi)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 504;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 504, &metrics, 0)) {
        LOGFONTW font = metrics.lfMenuFont;
        font.lfHeight = MulDiv(font.lfHeight * 90 / 100, dpi, SystemDpi());
        tabFont = MakeFontIndirect(&font);
    } else {
        DeviceContext dc = MeasureDC();
        dc.SelectFont(GetFont());
        TEXTMETRICW tm = {};
        GetTextMetricsW(dc.Hdc(), &tm);
        String face = dc.FaceName();
        tabFont = MakeFont(face.CStr(), MulDiv(tm.tmHeight * 90 / 100, dpi, SystemDpi()), 0, 0,
                           DEFAULT_CHARSET);
    }
    fontDpi = dpi;
    ForgetWidths();
}

int32 TextTabs::BoxSize() const
{
    return MulDiv(14, iconDpi, 96);
}

int32 TextTabs::ArrowWidth() const
{
    return MulDiv(18, iconDpi, 96);
}

DeviceContext TextTabs::MeasuringDC()
{
    DeviceContext dc = MeasureDC();
    dc.SelectFont(tabFont);
    return dc;
}

int32 TextTabs::TabWidth(const DeviceContext& dc, const TextDocument* document) const
{
    String path = document->GetPath();
    const wchar_t* text;
    int32 length;
    NameSpan(path, text, length);
    int32 width = TextWidth(dc.Hdc(), text, length);
    return std::max(width + MulDiv(10, fontDpi, 96), MulDiv(60, fontDpi, 96)) + 2 * BoxSize();
}

void TextTabs::ForgetWidths()
{
    knownWidths.clear();
    placedWidths.clear();
}

std::vector<int32> TextTabs::Widths()
{
    const int64 n = documents ? documents->Count() : 0;
    const bool polish = IsPolishUi();
    // Texts removed without a notice would otherwise pile up.
    if (knownFontDpi != fontDpi || knownIconDpi != iconDpi || knownPolish != polish ||
        static_cast<int64>(knownWidths.size()) > 2 * n + 64) {
        ForgetWidths();
        knownFontDpi = fontDpi;
        knownIconDpi = iconDpi;
        knownPolish = polish;
    }
    std::vector<int32> widths(static_cast<size_t>(n));
    placedWidths.resize(static_cast<size_t>(n));
    DeviceContext dc;  // opened at the first name to measure
    for (int64 i = 0; i < n; i++) {
        const TextDocument* document = documents->At(i);
        PlacedWidth& placed = placedWidths[static_cast<size_t>(i)];
        if (placed.document != document || !placed.path.SameBlock(document->PathRef())) {
            String path = document->GetPath();
            auto known = knownWidths.find(document);
            if (known != knownWidths.end() && known->second.path.SameBlock(path)) {
                placed.width = known->second.width;
            } else {
                if (!dc.IsOpen())
                    dc = MeasuringDC();
                KnownWidth& entry = knownWidths[document];
                entry.path = path;
                entry.width = TabWidth(dc, document);
                placed.width = entry.width;
            }
            placed.document = document;
            placed.path = path;
        }
        widths[static_cast<size_t>(i)] = placed.width;
    }
    return widths;
}

TextDocument* TextTabs::DocumentAt(int64 index) const
{
    if (documents == nullptr || index < 0 || index >= documents->Count())
        return nullptr;
    return documents->At(index);
}

int32 TextTabs::TabPosition(int64 index)
{
    const std::vector<int32> widths = Widths();
    int32 x = 0;
    for (int64 i = 0; i < index && i < static_cast<int64>(widths.size()); i++)
        x += widths[static_cast<size_t>(i)];
    return x;
}

// --- scrolling -------------------------------------------------------------------------

void TextTabs::SetScroll(int32 offset)
{
    const int32 width = ClientRect().right;
    const int32 maximum = totalWidth > width ? totalWidth - width - 1 : 0;
    offset = std::clamp(offset, 0, maximum);
    if (offset != scroll) {
        scroll = offset;
        Invalidate();
    }
}

void TextTabs::EnsureVisible(int64 index)
{
    const int32 width = ClientRect().right;
    if (index < 0 || width < 1 || DocumentAt(index) == nullptr)
        return;
    const std::vector<int32> widths = Widths();
    int32 total = 0, left = 0, tab = 0;
    for (int64 i = 0, n = static_cast<int64>(widths.size()); i < n; i++) {
        int32 w = widths[static_cast<size_t>(i)];
        if (i == index) {
            left = total;
            tab = w;
        }
        total += w;
    }
    totalWidth = total + 1;
    const int32 arrow = ArrowWidth();
    SetScroll(std::min(left - arrow - 1, std::max(scroll, arrow - width + tab + left)));
}

RECT TextTabs::GetTabRect(TextDocument* document)
{
    const RECT client = ClientRect();
    const int64 index = document && documents ? documents->IndexOf(document) : -1;
    if (index < 0)
        return {0, tabRowTop, std::min<LONG>(client.right, totalWidth), client.bottom};
    const std::vector<int32> widths = Widths();
    int32 left = -scroll;
    for (int64 i = 0; i < index; i++)
        left += widths[static_cast<size_t>(i)];
    const int32 right = std::min<int32>(left + widths[static_cast<size_t>(index)], client.right);
    return {std::min(std::max(left, 0), right), tabRowTop, right, client.bottom};
}

// --- hit test and pointer --------------------------------------------------------------

TextTabs::Hit TextTabs::HitTest(int32 x)
{
    Hit hit{NoItem, TabBody, 0};
    const int32 width = ClientRect().right;
    const int32 arrow = ArrowWidth();
    if (scroll >= 1 && x < arrow) {
        hit.item = LeftArrow;
        return hit;
    }
    if (x >= width - arrow && totalWidth - scroll > width + 1) {
        hit.item = RightArrow;
        return hit;
    }
    if (x >= totalWidth - scroll || documents == nullptr)
        return hit;
    const int32 stripX = x + 1 + scroll;
    if (stripX < 0)
        return hit;
    const std::vector<int32> widths = Widths();
    const int32 box = BoxSize();
    int32 left = 0;
    for (int64 i = 0, n = static_cast<int64>(widths.size()); i < n; i++) {
        TextDocument* document = documents->At(i);
        int32 w = widths[static_cast<size_t>(i)];
        if (stripX < left + w) {
            hit.item = AsInt(i);
            hit.position = left;
            if (stripX > left + w - box - 1)
                hit.part = CloseBox;
            else if (stripX > left + w - 2 * box - 1 && document->modified)
                hit.part = SaveBox;
            return hit;
        }
        left += w;
    }
    return hit;
}

void TextTabs::StopAutoScroll()
{
    if (autoScrollDirection != 0)
        KillTimer(kAutoScrollTimer);
    autoScrollDirection = 0;
}

void TextTabs::CancelPress()
{
    dragged = nullptr;
    lastDropIndex = -1;
    pressedItem = hoverItem = NoItem;
    pressedPart = hoverPart = TabBody;
    StopAutoScroll();
    ReleaseCaptureIfHeld();
    Invalidate();
}

void TextTabs::OnLButtonDown(MessageRecord& m)
{
    const int32 x = PointX(m.lParam), y = PointY(m.lParam);
    lastDropIndex = -1;
    StopAutoScroll();
    dragged = nullptr;
    if (y >= tabRowTop && y < ClientRect().bottom) {
        Hit hit = HitTest(x);
        if (hit.item != NoItem) {
            hoverItem = pressedItem = hit.item;
            hoverPart = pressedPart = hit.part;
            dragAnchorX = lastDragX = x;
            if (hit.item >= 0) {
                EnsureVisible(hit.item);
            } else {
                autoScrollDirection = hit.item == LeftArrow ? -1 : 1;
                SetScroll(scroll + autoScrollDirection * kArrowStep);
            }
        }
    }
    Invalidate();
    Capture();
    if (autoScrollDirection != 0) {
        autoScrollDelay = kRepeatDelay;
        SetTimer(kAutoScrollTimer, 20);
    }
}

void TextTabs::OnMouseMove(MessageRecord& m)
{
    const int32 x = PointX(m.lParam), y = PointY(m.lParam);
    const RECT client = ClientRect();
    const bool inRow = x >= 0 && x < client.right && y >= tabRowTop && y < client.bottom;
    if (!HasCapture()) {
        Hit hit{NoItem, TabBody, 0};
        if (inRow)
            hit = HitTest(x);
        if (hit.item != hoverItem || hit.part != hoverPart || pressedItem != NoItem) {
            pressedItem = NoItem;
            pressedPart = TabBody;
            hoverItem = hit.item;
            hoverPart = hit.part;
            Invalidate();
        }
        StopAutoScroll();
        return;
    }
    DragStep(x);
    if (dragged)
        return;
    // While held, a press counts only over the very item and part pressed.
    const Hit hit = HitTest(x);
    const bool over = inRow && hit.item == hoverItem && hit.part == hoverPart;
    const int32 item = over ? hoverItem : NoItem;
    const int32 part = over ? hoverPart : TabBody;
    if (item != pressedItem || part != pressedPart) {
        pressedItem = item;
        pressedPart = part;
        Invalidate();
    }
}

void TextTabs::DragStep(int32 x)
{
    // During the press the hover item and part are those pressed.
    if (hoverItem < 0 || hoverPart == CloseBox || hoverPart == SaveBox)
        return;
    x = std::clamp<int32>(x, 0, std::max<int32>(ClientRect().right - 1, 0));
    if (!dragged && std::abs(x - dragAnchorX) > kDragThreshold) {
        TextDocument* pressed = DocumentAt(hoverItem);
        if (pressed == nullptr)
            return;
        dragged = pressed;
        dragAnchorX = x;
        grabOffset = x - (TabPosition(hoverItem) - scroll);
    }
    if (x != lastDragX) {
        Invalidate();
        lastDragX = x;
    }
    if (!dragged)
        return;

    const Hit hit = HitTest(x);
    const int32 direction = hit.item == LeftArrow ? -1 : hit.item == RightArrow ? 1 : 0;
    if (direction != autoScrollDirection) {
        autoScrollDirection = direction;
        autoScrollDelay = 0;
        if (direction != 0)
            SetTimer(kAutoScrollTimer, 20);
        else
            KillTimer(kAutoScrollTimer);
    }
    if (dragged != current && hit.item >= 0 && DocumentAt(hit.item) == dragged && handler) {
        handler->OnTabClicked(dragged, this);
        if (!dragged)  // the owner removed it
            return;
    }
    const int32 drop = DropIndex(x);
    if (drop != lastDropIndex) {
        lastDropIndex = drop;
        Invalidate();
        if (handler)
            handler->OnTabMoved(dragged, drop, this);
    }
}

int32 TextTabs::DropIndex(int32 x)
{
    const int32 stripX = scroll + x;
    const std::vector<int32> widths = Widths();
    TextDocument* moving = current ? current : dragged;
    const int64 movingIndex = moving ? documents->IndexOf(moving) : -1;
    int32 movingWidth = 0;
    if (movingIndex >= 0) {
        movingWidth = widths[static_cast<size_t>(movingIndex)];
    } else if (moving) {
        DeviceContext dc = MeasuringDC();
        movingWidth = TabWidth(dc, moving);
    }
    int32 left = 0;
    const int64 n = static_cast<int64>(widths.size());
    for (int64 i = 0; i < n; i++) {
        int32 w = widths[static_cast<size_t>(i)];
        if (stripX < left + w) {
            if (stripX < left + movingWidth)
                return AsInt(i);
            return AsInt(moving ? movingIndex : i);
        }
        left += w;
    }
    return AsInt(n);
}

void TextTabs::OnLButtonUp(MessageRecord& m)
{
    const int32 x = PointX(m.lParam), y = PointY(m.lParam);
    const RECT client = ClientRect();
    ReleaseCaptureIfHeld();
    const bool inRow = x >= 0 && x < client.right && y >= tabRowTop && y < client.bottom;
    TextDocument* target = nullptr;
    int32 part = TabBody;
    if (!dragged && pressedItem >= 0 && inRow) {
        const Hit hit = HitTest(x);
        if (hit.item == pressedItem && hit.part == pressedPart) {
            target = DocumentAt(pressedItem);
            part = pressedPart;
        }
    }
    TextDocument* ended = dragged;
    dragged = nullptr;
    lastDropIndex = -1;
    pressedItem = NoItem;
    pressedPart = TabBody;
    Invalidate();
    StopAutoScroll();
    if (ended)
        EnsureVisible(documents->IndexOf(ended));
    // The owner may close or move texts: the strip's state is settled first.
    if (target == nullptr || handler == nullptr)
        return;
    if (part == CloseBox)
        handler->OnCloseClicked(target, this);
    else if (part == SaveBox)
        handler->OnSaveClicked(target, this);
    else if (target != current)
        handler->OnTabClicked(target, this);
}

void TextTabs::OnMouseLeave(MessageRecord&)
{
    if (pressedItem != NoItem) {
        pressedItem = NoItem;
        pressedPart = TabBody;
        Invalidate();
    }
    if (!HasCapture() && hoverItem != NoItem) {
        hoverItem = NoItem;
        hoverPart = TabBody;
        Invalidate();
    }
}

void TextTabs::OnTimer(MessageRecord& m)
{
    if (m.wParam != kAutoScrollTimer) {
        DefaultProc(m);
        return;
    }
    if (autoScrollDirection == 0) {
        KillTimer(kAutoScrollTimer);
        return;
    }
    if (pressedItem == NoItem && !dragged)
        return;
    if (autoScrollDelay > 0) {
        autoScrollDelay--;
        return;
    }
    SetScroll(scroll + autoScrollDirection * kRepeatStep);
}

void TextTabs::OnContextMenu(MessageRecord& m)
{
    m.result = 0;
    if (LOWORD(m.lParam) == 0xFFFF && HIWORD(m.lParam) == 0xFFFF)
        return;
    POINT p = ScreenToClientPoint({PointX(m.lParam), PointY(m.lParam)});
    const Hit hit = HitTest(p.x);
    TextDocument* document = hit.item >= 0 ? DocumentAt(hit.item) : nullptr;
    if (handler)
        handler->OnContextMenu(m, document, this);
}

const wchar_t* TextTabs::HintAt(POINT screenPoint)
{
    if (hwnd == nullptr || !shown || !IsOverAt(screenPoint) || autoScrollDirection != 0)
        return nullptr;
    const Hit hit = HitTest(ScreenToClientPoint(screenPoint).x);
    TextDocument* document = hit.item >= 0 ? DocumentAt(hit.item) : nullptr;
    if (document == nullptr)
        return nullptr;
    hint = document->GetPath();
    return hint.CStr();
}

// --- broadcasts, size ------------------------------------------------------------------

void TextTabs::OnBroadcast(const BroadcastRecord& record)
{
    switch (record.kind) {
    case BroadcastDocumentAdded:
    case BroadcastRepaint:
        Invalidate();
        break;
    case BroadcastDocumentRemoved:
        // The removed text is gone: no pointer to it may stay, and a press
        // names tabs by index, which the removal shifted.
        if ((dragged && record.document == dragged) || (HasCapture() && hoverItem >= 0))
            CancelPress();
        if (current && (record.document == current || documents->IndexOf(current) < 0))
            current = nullptr;
        knownWidths.erase(record.document);
        [[fallthrough]];
    case BroadcastPathChanged:
        if (current)
            EnsureVisible(documents->IndexOf(current));
        Invalidate();
        break;
    case BroadcastCurrentChanged:
        current = record.document;
        if (current)
            EnsureVisible(documents->IndexOf(current));
        Invalidate();
        break;
    case BroadcastDocumentMoved:
        if (!HasCapture() && record.document)
            EnsureVisible(documents->IndexOf(record.document));
        Invalidate();
        break;
    default:
        break;
    }
}

void TextTabs::OnSize(MessageRecord&)
{
    if (current)
        EnsureVisible(documents->IndexOf(current));
    Invalidate();
}

void TextTabs::Measure(SizeLimits& limits)
{
    const int dpi = GetDpi();
    if (hwnd) {
        try {
            if (dpi != iconDpi) {
                if (dpi != 96 && strip192.IsEmpty())
                    strip192 = LoadBitmapResource(TabIcons192);
                if (dpi == 96) {
                    stripInUse = strip96;
                } else if (dpi == 192) {
                    stripInUse = strip192;
                } else {
                    DeviceContext dc = WindowDC();
                    ScaleImageStrip(stripInUse, dc, strip192.Bitmap(), dpi,
                                    GetSysColor(COLOR_BTNFACE));
                }
                iconDpi = dpi;
            }
            if (dpi != fontDpi)
                BuildFont(dpi);
        } catch (...) {
            // Keeps the strip and font it has.
        }
    }
    limits.minWidth = 100;
    limits.maxWidth = Unbounded;
    int32 height = folderLabels ? 30 : 20;
    try {
        DeviceContext dc = MeasuringDC();
        SIZE size;
        if (GetTextExtentPoint32W(dc.Hdc(), L"Wy", 2, &size)) {
            height = size.cy + MulDiv(8, fontDpi, 96);
            if (folderLabels)
                height += dc.LineHeight() + 4;
        }
    } catch (...) {
        // Measuring without a window or font falls back to the fixed height.
    }
    limits.minHeight = limits.maxHeight = height;
}

// --- painting --------------------------------------------------------------------------

void TextTabs::OnPaint(MessageRecord&)
{
    DeviceContext paint = PaintDC();
    try {
        const RECT client = ClientRect();
        SetScroll(scroll);
        if (client.right < 1 || client.bottom < 1)
            return;
        DeviceContext memory;
        memory.Compatible(&paint);
        memory.SelectBitmap(MakeCompatibleBitmap(paint, client.right, client.bottom));
        memory.SelectFont(tabFont);
        Paint(memory, client);
        BitBlt(paint.Hdc(), 0, 0, client.right, client.bottom, memory.Hdc(), 0, 0, SRCCOPY);
    } catch (...) {
        // A strip that cannot paint shows what it had.
    }
}

void TextTabs::ComputePalette()
{
    Palette& p = palette;
    p.line = GetSysColor(COLOR_BTNSHADOW);
    p.dimText = GetSysColor(COLOR_BTNTEXT);
    p.face = GetSysColor(COLOR_BTNFACE);
    p.hover = HalfAndHalf(p.line, p.face);
    p.dragSlot = QuarterOf(p.line, p.face);
    p.labelPen = p.hover;
    p.labelBrush = HalfAndHalf(p.hover, p.face);
    p.pressedFill = p.line;
}

void TextTabs::DrawBox(DeviceContext& dc, const RECT& box, int32 cell,
                       bool pressed, bool isArrow)
{
    const int32 m = BoxSize();
    if (pressed) {
        if (!isArrow)
            dc.FillRect(box, palette.pressedFill);
        const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
        dc.FrameRect4(box, dark, light, dark, light);
    }
    const int32 x = box.left + (box.right - box.left - m) / 2;
    const int32 y = box.top + (box.bottom - box.top - (m + 1)) / 2 - (isArrow ? 1 : 0);
    keyedStrip.Draw(dc.Hdc(), stripInUse, x, y, m, m + 1, cell * m, 0);
}

void TextTabs::DrawTab(DeviceContext& dc, int64 index, int32 x, int32 width,
                       int32 top, int32 bottom, bool asCurrent)
{
    TextDocument* document = documents->At(index);
    const RECT frame = {x - 1, top, x - 1 + width, bottom};
    const RECT inside = {frame.left + 1, frame.top + 1, frame.right - 1, bottom};
    const bool isCurrent = asCurrent || document == current;
    if (isCurrent) {
        const bool slot = !asCurrent && dragged == document;
        dc.FillRect(inside, slot ? palette.dragSlot : backgroundColor);
        dc.FillRect({frame.left, top, frame.right, top + 1}, palette.line);
        dc.FillRect({frame.left, top, frame.left + 1, bottom}, palette.line);
        dc.FillRect({frame.right - 1, top, frame.right, bottom}, palette.line);
        if (slot)
            return;
    } else {
        const bool lit = index == hoverItem && dragged == nullptr;
        dc.FillRect(inside, lit ? palette.hover : palette.face);
    }

    String path = document->GetPath();
    const wchar_t* name;
    int32 length;
    NameSpan(path, name, length);
    SIZE wy = {0, 0};
    GetTextExtentPoint32W(dc.Hdc(), L"Wy", 2, &wy);
    SetTextColor(dc.Hdc(), isCurrent ? textColor : palette.dimText);
    SetBkMode(dc.Hdc(), TRANSPARENT);
    ExtTextOutW(dc.Hdc(), frame.left + 8, top + (bottom - top - wy.cy) / 2 - 1, 0, nullptr, name,
                static_cast<UINT>(length), nullptr);

    const int32 m = BoxSize();
    const bool here = index == hoverItem;
    const RECT close = {frame.right - m, top + 1, frame.right, bottom - 1};
    DrawBox(dc, close, here && hoverPart == CloseBox ? 3 : 2,
            index == pressedItem && pressedPart == CloseBox, false);
    if (document->modified) {
        const RECT save = {frame.right - 2 * m, top + 1, frame.right - m, bottom - 1};
        DrawBox(dc, save, here && hoverPart == SaveBox ? 1 : 0,
                index == pressedItem && pressedPart == SaveBox, false);
    }
    // The frame goes over the boxes, so a box at the edge keeps the border.
    if (!isCurrent)
        dc.FrameRect(frame, palette.line, 1);
}

void TextTabs::DrawFolderLabels(DeviceContext& dc, const RECT& client, int32 rowHeight,
                                const std::vector<int32>& widths)
{
    const int64 n = documents->Count();
    GdiObj pen = MakeSolidPen(palette.labelPen, 1);
    GdiObj brush = MakeSolidBrush(palette.labelBrush);
    dc.SelectPen(pen);
    dc.SelectBrush(brush);
    SetTextColor(dc.Hdc(), palette.dimText);
    SetBkMode(dc.Hdc(), TRANSPARENT);
    int32 runStart = 0;
    int64 i = 0;
    while (i < n) {
        String folder = documents->At(i)->GetLocation();
        const int64 folderLength = FolderLength(folder);
        int32 runWidth = 0;
        int64 j = i;
        for (; j < n; j++) {
            String other = documents->At(j)->GetLocation();
            if (j > i && !EqualsNoCase(folder.Data(), folderLength, other.Data(), FolderLength(other)))
                break;
            runWidth += widths[static_cast<size_t>(j)];
        }
        const int32 x = runStart - scroll;
        const int32 textWidth = TextWidth(dc.Hdc(), folder.Data(), AsInt(folderLength));
        if (j == n && textWidth + 6 > runWidth)
            runWidth = textWidth + 12;
        if (x + runWidth > 0 && x < client.right + 3) {
            const RECT label = {x + 2, 1, x + runWidth - 3, rowHeight - 2};
            RoundRect(dc.Hdc(), label.left, label.top, label.right, label.bottom, 10, 10);
            ExtTextOutW(dc.Hdc(), std::max<int32>(label.left, 0) + 3, label.top, ETO_CLIPPED, &label,
                        folder.Data(), static_cast<UINT>(folderLength), nullptr);
            dc.FillRect({x - 2, rowHeight, x + 1, client.bottom - 1}, palette.line);
            dc.FillRect({x - 1, rowHeight, x, client.bottom - 1}, palette.face);
        }
        runStart += runWidth;
        i = j;
    }
    dc.RestorePen();
    dc.RestoreBrush();
}

void TextTabs::Paint(DeviceContext& dc, const RECT& client)
{
    const std::vector<int32> widths = Widths();
    int32 total = 1;
    for (int32 w : widths)
        total += w;
    if (total != totalWidth) {
        totalWidth = total;
        Invalidate();
    }
    ComputePalette();
    dc.FillRect(client, palette.face);
    if (current == nullptr || documents == nullptr)
        return;

    tabRowTop = 0;
    if (folderLabels) {
        tabRowTop = dc.LineHeight() + MulDiv(4, fontDpi, 96);
        DrawFolderLabels(dc, client, tabRowTop, widths);
    }
    const int32 top = tabRowTop, bottom = client.bottom;
    dc.FillRect({0, top, client.right, top + 1}, palette.line);

    int32 x = -scroll;
    for (int64 i = 0, n = documents->Count(); i < n; i++) {
        const int32 width = widths[static_cast<size_t>(i)];
        if (x - 1 >= client.right)
            break;
        if (x - 1 + width > 0)
            DrawTab(dc, i, x, width, top, bottom, false);
        x += width;
    }
    if (x - 1 < client.right)
        dc.FillRect({std::max(x - 1, 0), bottom - 1, client.right, bottom}, palette.line);

    const int32 arrow = ArrowWidth();
    auto drawArrow = [&](int32 item, int32 left, int32 cell) {
        const RECT box = {left, top + 1, left + arrow, bottom};
        dc.FillRect(box, hoverItem == item ? palette.hover : palette.face);
        dc.FillRect({box.left, bottom - 1, box.right, bottom}, palette.line);
        DrawBox(dc, box, cell + (hoverItem == item ? 1 : 0), pressedItem == item, true);
    };
    if (scroll > 0)
        drawArrow(LeftArrow, 0, 4);
    if (totalWidth - scroll > client.right + 1)
        drawArrow(RightArrow, client.right - arrow, 6);

    if (dragged) {
        const int64 index = documents->IndexOf(dragged);
        if (index >= 0)
            DrawTab(dc, index, lastDragX - grabOffset, widths[static_cast<size_t>(index)], top + 3,
                    bottom + 3, true);
    }
}
