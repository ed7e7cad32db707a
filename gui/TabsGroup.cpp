#include "gui/TabsGroup.h"

#include "gui/NativeControl.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

namespace {

BOOL(WINAPI* ThemeCheck)() = nullptr;

bool Themed()
{
    return (ThemeCheck ? ThemeCheck() : IsAppThemed()) != FALSE;
}

// Offset that lines a pattern up with the container when drawn for another
// window: container's screen origin minus the other's.
POINT OffsetFrom(HWND container, HWND other)
{
    RECT a, b;
    GetWindowRect(container, &a);
    GetWindowRect(other, &b);
    return {a.left - b.left, a.top - b.top};
}

}  // namespace

void SetTabsThemeCheck(BOOL(WINAPI* isAppThemed)())
{
    ThemeCheck = isAppThemed;
}

// --- TabsCtl ------------------------------------------------------------------

TabsCtl* NewTabsCtl(ControlGroup* parent, const wchar_t* hint)
{
    InitCommonControlClasses(ICC_TAB_CLASSES);
    return MakeControl<TabsCtl>([&](TabsCtl& t) {
        t.parent = parent;
        t.id = TabsCtl::TabsId;
        t.style = 0;
        t.SetHint(hint);
        t.Create(WC_TABCONTROLW, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0);
        t.FollowFormFont();
        t.Show();
    });
}

void TabsCtl::AddTab(const wchar_t* text)
{
    String copy(text);
    auto index = SendMsg(TCM_GETITEMCOUNT, 0, 0);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(copy.CStr());
    if (SendMsg(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) < 0)
        ThrowLastError();
}

void TabsCtl::Measure(SizeLimits& limits)
{
    int line = 20;
    try {
        DeviceContext dc = MeasuringDC(*this);
        line = dc.LineHeight();
    } catch (const Error&) {
    }
    limits.minWidth = 50;
    limits.maxWidth = Unbounded;
    limits.minHeight = limits.maxHeight = line + 10;
}

void TabsCtl::OnCommand(MessageRecord& m)
{
    m.result = SendToParent(m.msg, m.wParam, m.lParam);
}

// --- TabsGroupContainer ---------------------------------------------------------

TabsGroupContainer* NewTabsGroupContainer(ControlGroup* parent, TabsCtl* tabs)
{
    return MakeControl<TabsGroupContainer>([&](TabsGroupContainer& c) {
        c.parent = parent;
        c.tabs = tabs;
        c.style = OwnClass;
        c.Create(L"Tabs Group Container", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
        EnableThemeDialogTexture(c.hwnd, ETDT_ENABLETAB);
        c.Show();
    });
}

TabsGroupContainer::~TabsGroupContainer()
{
    while (pageCount > 0) {
        Control* page = pages[--pageCount];
        pages[pageCount] = nullptr;
        delete page;
    }
    background.Clear();
    backgroundBitmap.Clear();
}

void TabsGroupContainer::AddChild(Control* child)
{
    if (pageCount >= MaxPages)
        throw InternalError();
    pages[pageCount++] = child;
}

void TabsGroupContainer::RemoveChild(Control* child)
{
    for (int i = 0; i < pageCount; i++) {
        if (pages[i] != child)
            continue;
        for (int k = i + 1; k < pageCount; k++)
            pages[k - 1] = pages[k];
        pages[--pageCount] = nullptr;
        return;
    }
}

void TabsGroupContainer::Measure(SizeLimits& limits)
{
    limits = {0, 0, 0, 0};
    for (int i = 0; i < pageCount; i++) {
        if (pages[i]->IsCollapsed())
            continue;
        SizeLimits page;
        pages[i]->Measure(page);
        limits.minWidth = std::max(limits.minWidth, page.minWidth);
        limits.minHeight = std::max(limits.minHeight, page.minHeight);
        limits.maxWidth = std::max(limits.maxWidth, page.maxWidth);
        limits.maxHeight = std::max(limits.maxHeight, page.maxHeight);
    }
}

void TabsGroupContainer::SetBounds(const RECT& rect)
{
    brushValid = 0;
    int w = rect.right - rect.left - 2 * Inset;
    int h = rect.bottom - rect.top - 2 * Inset;
    SetWindowPos(hwnd, nullptr, rect.left + Inset, rect.top + Inset, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    // Pages cover the group's rectangle again: their own margins of 8 put
    // their controls flush with the container.
    for (int i = 0; i < pageCount; i++)
        pages[i]->SetBounds({-Inset, -Inset, w + Inset, h + Inset});
}

void TabsGroupContainer::BuildBackgroundBrush()
{
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return;
    DeviceContext window = WindowDC();
    DeviceContext memory;
    memory.Compatible(&window);
    GdiObj bitmap = MakeCompatibleBitmap(window, client.right, client.bottom);
    memory.SelectBitmap(bitmap);
    SendMsg(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Hdc()), PRF_CLIENT);
    memory.RestoreBitmap();
    HBRUSH brush = CreatePatternBrush(bitmap.Bitmap());
    if (brush == nullptr)
        return;
    background = GdiObj::Adopt(brush);
    backgroundBitmap = bitmap;
    brushValid = 1;
    Invalidate();
}

void TabsGroupContainer::DefaultProc(MessageRecord& m)
{
    switch (m.msg) {
    case WM_ERASEBKGND:
        m.result = 1;
        return;
    case WM_NOTIFY:
    case WM_COMMAND:
        // The pages' notifications belong to the dialog.
        m.result = SendMessageW(GetParent(hwnd), m.msg, m.wParam, m.lParam);
        return;
    case WM_CTLCOLORSTATIC: {
        LRESULT answer = tabs ? SendMessageW(tabs->hwnd, m.msg, m.wParam, m.lParam) : 0;
        m.result = answer;
        if (!Themed())
            return;
        if (!brushValid)
            BuildBackgroundBrush();
        if (background.IsEmpty())
            return;
        auto dc = reinterpret_cast<HDC>(m.wParam);
        SetBkMode(dc, TRANSPARENT);
        POINT offset = OffsetFrom(hwnd, reinterpret_cast<HWND>(m.lParam));
        SetBrushOrgEx(dc, offset.x, offset.y, nullptr);
        m.result = reinterpret_cast<LRESULT>(background.Handle());
        return;
    }
    case WM_PRINTCLIENT: {
        if (tabs == nullptr)
            break;
        // The tab control paints the part of its body under the container.
        auto dc = reinterpret_cast<HDC>(m.wParam);
        POINT offset = OffsetFrom(hwnd, tabs->hwnd);
        POINT old;
        SetWindowOrgEx(dc, offset.x, offset.y, &old);
        m.result = SendMessageW(tabs->hwnd, WM_PRINTCLIENT, m.wParam, m.lParam);
        SetWindowOrgEx(dc, old.x, old.y, nullptr);
        return;
    }
    default:
        break;
    }
    Control::DefaultProc(m);
}

void TabsGroupContainer::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    if (Themed() && !background.IsEmpty())
        ::FillRect(dc.Hdc(), &client, background.Brush());
    else
        dc.FillRect(client, GetSysColor(COLOR_BTNFACE));
}

void TabsGroupContainer::PaintBackground(DeviceContext& dc, const RECT& rect, Control* child)
{
    if (!Themed() || background.IsEmpty()) {
        dc.FillRect(rect, GetSysColor(COLOR_BTNFACE));
        return;
    }
    HDC hdc = dc.Hdc();
    POINT old;
    GetBrushOrgEx(hdc, &old);
    // The rectangle is in the asking child's window; a windowless child
    // paints in the window that holds it.
    HWND under = child ? child->HwndOrParent() : nullptr;
    POINT offset = under ? OffsetFrom(hwnd, under) : POINT{0, 0};
    SetBrushOrgEx(hdc, offset.x, offset.y, nullptr);
    ::FillRect(hdc, &rect, background.Brush());
    SetBrushOrgEx(hdc, old.x, old.y, nullptr);
}

const wchar_t* TabsGroupContainer::HintAt(POINT screenPoint)
{
    for (int i = 0; i < pageCount; i++)
        if (const wchar_t* hintText = pages[i]->HintAt(screenPoint))
            if (*hintText)
                return hintText;
    return nullptr;
}

uint32_t TabsGroupContainer::HintIdAt(POINT screenPoint)
{
    for (int i = 0; i < pageCount; i++)
        if (uint32_t found = pages[i]->HintIdAt(screenPoint))
            return found;
    return 0;
}

// --- TabsGroup ------------------------------------------------------------------

TabsGroup* NewTabsGroup(ControlGroup* parent, const wchar_t* hint)
{
    return MakeControl<TabsGroup>([&](TabsGroup& g) {
        g.parent = parent;
        g.style = Windowless;
        g.SetHint(hint);
        g.Create(L"Tabs Group", 0, 0);
        g.tabs = NewTabsCtl(&g, g.hint.CStr());
        g.container = NewTabsGroupContainer(&g, g.tabs);
        g.Show();
    });
}

TabsGroup::~TabsGroup()
{
    TabsGroupContainer* c = container;
    delete c;
    container = nullptr;
    TabsCtl* t = tabs;
    delete t;
    tabs = nullptr;
}

void TabsGroup::AddChild(Control* child)
{
    if (tabs && container)
        container->AddChild(child);
}

void TabsGroup::RemoveChild(Control* child)
{
    if (child != tabs && child != container && container)
        container->RemoveChild(child);
}

HWND TabsGroup::ParentHwnd()
{
    if (tabs && container)
        return container->hwnd;
    return Control::ParentHwnd();
}

void TabsGroup::SetFocus()
{
    if (tabs)
        tabs->SetFocus();
}

void TabsGroup::Measure(SizeLimits& limits)
{
    SizeLimits strip = {0, 0, 0, 0}, pages = {0, 0, 0, 0};
    if (tabs)
        tabs->Measure(strip);
    if (container)
        container->Measure(pages);
    limits.minWidth = std::max(strip.minWidth, pages.minWidth);
    limits.maxWidth = std::max(strip.maxWidth, pages.maxWidth);
    limits.minHeight = strip.minHeight + pages.minHeight;
    limits.maxHeight = strip.maxHeight + pages.maxHeight;
}

void TabsGroup::SetBounds(const RECT& rect)
{
    if (tabs == nullptr || container == nullptr)
        return;
    SizeLimits strip;
    tabs->Measure(strip);
    SetWindowPos(tabs->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    tabs->SetBounds(rect);
    container->SetBounds({rect.left, rect.top + strip.minHeight, rect.right, rect.bottom});
}

const wchar_t* TabsGroup::HintAt(POINT screenPoint)
{
    if (container)
        if (const wchar_t* hintText = container->HintAt(screenPoint))
            return hintText;
    return tabs ? tabs->HintAt(screenPoint) : nullptr;
}

uint32_t TabsGroup::HintIdAt(POINT screenPoint)
{
    if (container)
        if (uint32_t found = container->HintIdAt(screenPoint))
            return found;
    return tabs ? tabs->HintIdAt(screenPoint) : 0;
}

void TabsGroup::PaintBackground(DeviceContext& dc, const RECT& rect, Control* child)
{
    if (container)
        container->PaintBackground(dc, rect, child);
    else
        Control::PaintBackground(dc, rect, child);
}
