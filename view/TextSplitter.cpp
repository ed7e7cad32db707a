#include "view/TextSplitter.h"

#include "base/SettingsStore.h"
#include "view/ViewStyle.h"


#include <algorithm>

namespace {

int32 PointX(LPARAM p)
{
    return static_cast<short>(LOWORD(p));
}

int32 PointY(LPARAM p)
{
    return static_cast<short>(HIWORD(p));
}

int Luminance(COLORREF c)
{
    return (30 * GetRValue(c) + 59 * GetGValue(c) + 11 * GetBValue(c)) / 100;
}

bool IsEmptyRect(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

TextSplitter::TextSplitter()
    : firstPane(nullptr), secondPane(nullptr), orientation(SplitAboveBelow), barSize(8),
      ratio(10000), startRatio(10000), barRect(), sizeNsCursor(nullptr),
      sizeWeCursor(nullptr), dragOffset(), hovering(0), textColours(0),
      textColor(0), backgroundColor(0xFFFFFF)
{
}

TextSplitter::~TextSplitter()
{
    // Each pane takes itself out of its place as it goes.
    Control* second = secondPane;
    Control* first = firstPane;
    delete second;
    delete first;
}

TextSplitter* TextSplitter::Create(ControlGroup* parent)
{
    return MakeControl<TextSplitter>([&](TextSplitter& splitter) {
        splitter.parent = parent;
        splitter.id = TextSplitterId;
        splitter.style = OwnClass | NoCursor;
        splitter.Control::Create(L"Splitter", 0, 0);
        splitter.Show();
    });
}

void TextSplitter::ApplySettings(const SettingsStore& settings)
{
    textColor = settings.GetColor(L"TextColor", 0x000000);
    backgroundColor = settings.GetColor(L"TextBgColor", 0xFFFFFF);
    Invalidate();
}

void TextSplitter::SetSplitPosition(int32 value)
{
    DragTo(value);
    startRatio = ratio;
}

void TextSplitter::DragTo(int32 value)
{
    ratio = std::clamp(value, 0, 10000);
    PostCommandToParent(TextSplitterId, SplitRatioSet);
    MessageRecord m{hwnd, WM_SIZE, 0, 0, 0};
    OnSize(m);
    Invalidate();
}

// --- children --------------------------------------------------------------------------

void TextSplitter::AddChild(Control* child)
{
    if (firstPane == nullptr)
        firstPane = child;
    else if (secondPane == nullptr)
        secondPane = child;
}

void TextSplitter::RemoveChild(Control* child)
{
    if (child == firstPane) {
        firstPane = secondPane;
        secondPane = nullptr;
    } else if (child == secondPane) {
        secondPane = nullptr;
    }
}

int TextSplitter::VisiblePanes(Control** panes)
{
    int n = 0;
    if (firstPane && !firstPane->IsCollapsed())
        panes[n++] = firstPane;
    if (secondPane && !secondPane->IsCollapsed())
        panes[n++] = secondPane;
    return n;
}

// --- layout ----------------------------------------------------------------------------

int32 TextSplitter::BarThickness()
{
    return MulDiv(barSize, GetDpi(), 96);
}

void TextSplitter::OnSize(MessageRecord&)
{
    barRect = {0, 0, 0, 0};
    Control* panes[2];
    const int n = VisiblePanes(panes);
    if (n == 0)
        return;
    const RECT r = ClientRect();
    if (n == 1) {
        panes[0]->SetBounds(r);
        panes[0]->Show();
        return;
    }
    const int32 bar = BarThickness();
    if (!(orientation & SplitAboveBelow)) {
        const int32 available = std::max<int32>(r.right - r.left - bar, 0);
        const int32 first = static_cast<int32>(int64(ratio) * available / 10000);
        panes[0]->SetBounds({r.left, r.top, r.left + first, r.bottom});
        panes[1]->SetBounds({r.left + first + bar, r.top, r.left + available + bar, r.bottom});
        barRect = {r.left + first, r.top, r.left + first + bar, r.bottom};
    } else {
        const int32 available = std::max<int32>(r.bottom - r.top - bar, 0);
        const int32 first = static_cast<int32>(int64(ratio) * available / 10000);
        const int32 second = available - first;
        panes[0]->SetBounds({r.left, r.top, r.right, r.top + first});
        panes[1]->SetBounds({r.left, r.bottom - second, r.right, r.bottom});
        barRect = {r.left, r.top + first, r.right, r.bottom - second};
    }
    panes[0]->Show();
    panes[1]->Show();
    // A drag redraws smoothly when everything paints at once.
    panes[0]->Update();
    panes[1]->Update();
    Update();
}

void TextSplitter::Measure(SizeLimits& limits)
{
    Control* panes[2];
    const int n = VisiblePanes(panes);
    const bool sideBySide = !(orientation & SplitAboveBelow);
    if (n == 1) {
        panes[0]->Measure(limits);
        return;
    }
    if (n == 0) {
        limits = {0, 0, sideBySide ? 0 : int32(Unbounded), sideBySide ? int32(Unbounded) : 0};
        return;
    }
    SizeLimits a, b;
    panes[0]->Measure(a);
    panes[1]->Measure(b);
    const int32 bar = BarThickness();
    if (sideBySide) {
        limits.minWidth = a.minWidth + b.minWidth + bar;
        limits.maxWidth = a.maxWidth + b.maxWidth + bar;
        limits.minHeight = std::max(a.minHeight, b.minHeight);
        limits.maxHeight = std::max(std::min(a.maxHeight, b.maxHeight), limits.minHeight);
    } else {
        limits.minHeight = a.minHeight + b.minHeight + bar;
        limits.maxHeight = a.maxHeight + b.maxHeight + bar;
        limits.minWidth = std::max(a.minWidth, b.minWidth);
        limits.maxWidth = std::max(std::min(a.maxWidth, b.maxWidth), limits.minWidth);
    }
}

// --- mouse -----------------------------------------------------------------------------

void TextSplitter::SetSizeCursor()
{
    // Loaded when the mouse first reaches the bar, not with the window.
    const bool aboveBelow = orientation & SplitAboveBelow;
    HCURSOR& cursor = aboveBelow ? sizeNsCursor : sizeWeCursor;
    if (cursor == nullptr)
        cursor = LoadCursorW(nullptr, aboveBelow ? IDC_SIZENS : IDC_SIZEWE);
    SetCursor(cursor);
}

void TextSplitter::OnLButtonDown(MessageRecord& m)
{
    Control* panes[2];
    if (VisiblePanes(panes) != 2 || secondPane == nullptr)
        return;
    const POINT p = {PointX(m.lParam), PointY(m.lParam)};
    if (!PtInRect(&barRect, p))
        return;
    dragOffset = {p.x - barRect.left, p.y - barRect.top};
    Capture();
    startRatio = ratio;
}

void TextSplitter::OnMouseMove(MessageRecord& m)
{
    Control* panes[2];
    if (VisiblePanes(panes) != 2)
        return;
    if (!hovering) {
        hovering = 1;
        Invalidate();
    }
    const POINT p = {PointX(m.lParam), PointY(m.lParam)};
    if (!HasCapture()) {
        if (!PtInRect(&barRect, p))
            return;
    } else if (m.wParam & MK_LBUTTON) {
        const RECT client = ClientRect();
        const bool sideBySide = !(orientation & SplitAboveBelow);
        const int32 available = (sideBySide ? client.right : client.bottom) - BarThickness();
        int32 value = 0;
        if (available > 0)
            value = static_cast<int32>(int64(sideBySide ? p.x - dragOffset.x : p.y - dragOffset.y) *
                                       10000 / available);
        DragTo(value);
    } else {
        ReleaseCaptureIfHeld();
    }
    SetSizeCursor();
}

void TextSplitter::OnLButtonUp(MessageRecord&)
{
    if (!HasCapture())
        return;
    if (ratio != startRatio)
        PostCommandToParent(TextSplitterId, SplitDragEnded);
    ReleaseCaptureIfHeld();
}

void TextSplitter::OnMouseLeave(MessageRecord&)
{
    if (hovering) {
        hovering = 0;
        Invalidate();
    }
}

void TextSplitter::DefaultProc(MessageRecord& m)
{
    // Over the bar the sizing cursor shows from the first move on.
    if (m.msg == WM_SETCURSOR && reinterpret_cast<HWND>(m.wParam) == hwnd &&
        LOWORD(m.lParam) == HTCLIENT) {
        POINT p;
        if (GetCursorPos(&p) && PtInRect(&barRect, ScreenToClientPoint(p))) {
            SetSizeCursor();
            m.result = TRUE;
            return;
        }
    }
    ControlGroup::DefaultProc(m);
}

// --- commands and hints ----------------------------------------------------------------

void TextSplitter::OnCommand(MessageRecord& m)
{
    m.result = SendToParent(m.msg, m.wParam, m.lParam);
}

void TextSplitter::OnNotify(MessageRecord& m)
{
    m.result = SendToParent(m.msg, m.wParam, m.lParam);
}

const wchar_t* TextSplitter::HintAt(POINT screenPoint)
{
    if (!IsOverAt(screenPoint))
        return nullptr;
    const wchar_t* text = firstPane ? firstPane->HintAt(screenPoint) : nullptr;
    if (text == nullptr && secondPane)
        text = secondPane->HintAt(screenPoint);
    return text;
}

uint32_t TextSplitter::HintIdAt(POINT screenPoint)
{
    if (!IsOverAt(screenPoint))
        return 0;
    uint32_t found = firstPane ? firstPane->HintIdAt(screenPoint) : 0;
    if (found == 0 && secondPane)
        found = secondPane->HintIdAt(screenPoint);
    return found;
}

// --- painting --------------------------------------------------------------------------

void TextSplitter::BarColours(COLORREF& face, COLORREF& shadow, COLORREF& highlight)
{
    if (!textColours) {
        face = GetSysColor(COLOR_BTNFACE);
        shadow = GetSysColor(COLOR_BTNSHADOW);
        highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        return;
    }
    face = BlendColors(textColor, backgroundColor, hovering ? 70 : 80, 1.6);
    shadow = BlendColors(textColor, backgroundColor, hovering ? 60 : 70, 1.6);
    highlight = face;
}

void TextSplitter::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    const RECT r = ClientRect();
    const RECT b = barRect;
    const COLORREF system = GetSysColor(COLOR_BTNFACE);
    COLORREF face, shadow, highlight;
    BarColours(face, shadow, highlight);
    const bool shadowLast = Luminance(face) > Luminance(shadow);
    if (!(orientation & SplitAboveBelow)) {
        dc.FillRect({r.left, r.top, b.left, r.bottom}, system);
        dc.FillRect({b.right, r.top, r.right, r.bottom}, system);
        if (IsEmptyRect(b))
            return;
        dc.FillRect({b.left + 1, b.top, b.right - 1, b.bottom}, face);
        dc.FillRect({b.left, b.top, b.left + 1, b.bottom}, shadowLast ? highlight : shadow);
        dc.FillRect({b.right - 1, b.top, b.right, b.bottom}, shadowLast ? shadow : highlight);
    } else {
        dc.FillRect({r.left, r.top, r.right, b.top}, system);
        dc.FillRect({r.left, b.bottom, r.right, r.bottom}, system);
        if (IsEmptyRect(b))
            return;
        dc.FillRect({b.left, b.top + 1, b.right, b.bottom - 1}, face);
        dc.FillRect({b.left, b.top, b.right, b.top + 1}, shadowLast ? highlight : shadow);
        dc.FillRect({b.left, b.bottom - 1, b.right, b.bottom}, shadowLast ? shadow : highlight);
    }
}
