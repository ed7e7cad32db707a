#include "GuiTestSupport.h"

#include "gui/CheckMark.h"
#include "gui/ElasticGroup.h"
#include "gui/TabsGroup.h"

#include <commctrl.h>

namespace {

// The window holding a tab group: shows the page of the selected tab, as a
// dialog does, and keeps the commands that reach it.
struct TabsHost : Panel {
    explicit TabsHost(ControlGroup* parentGroup) : Panel(parentGroup, 0, L"TabsHost") {}
    void OnNotify(MessageRecord& m) override
    {
        auto* header = reinterpret_cast<NMHDR*>(m.lParam);
        if (header->idFrom != TabsCtl::TabsId || header->code != static_cast<UINT>(TCN_SELCHANGE))
            return;
        selectionChanges++;
        int selected = static_cast<int>(group->tabs->SendMsg(TCM_GETCURSEL, 0, 0));
        for (int i = 0; i < group->container->PageCount(); i++) {
            if (i == selected)
                group->container->Page(i)->Show();
            else
                group->container->Page(i)->Hide();
        }
    }
    TabsGroup* group = nullptr;
    int selectionChanges = 0;
};

// A page of fixed limits.
struct FixedPage : Control {
    FixedPage(ControlGroup* parentGroup, SizeLimits l) : limits(l)
    {
        parent = parentGroup;
        style = OwnClass;
        Create(L"FixedPage", 0, 0);
        Show();
    }
    void Measure(SizeLimits& l) override { l = limits; }
    SizeLimits limits;
};

BOOL WINAPI NotThemed()
{
    return FALSE;
}

COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

struct TabsFixture {
    TestForm form;
    TabsHost* host;
    TabsGroup* group;
    TabsFixture()
    {
        form.SetBounds({40, 40, 560, 440});
        host = new TabsHost(&form);
        host->SetBounds({0, 0, 500, 380});
        host->Show();
        group = NewTabsGroup(host, L"Pages");
        host->group = group;
        form.Show();
    }
};

} // namespace

TEST_CASE("a tab group takes five pages into its container and refuses a sixth")
{
    TabsFixture f;
    TabsGroup* g = f.group;
    CHECK(GetParent(g->tabs->hwnd) == f.host->hwnd);
    CHECK(GetParent(g->container->hwnd) == f.host->hwnd);
    CHECK(GetDlgCtrlID(g->tabs->hwnd) == TabsCtl::TabsId);
    CHECK((GetWindowLongW(g->container->hwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0);
    FixedPage* pages[5];
    for (int i = 0; i < 5; i++) {
        g->tabs->AddTab(i == 0 ? L"General" : L"More");
        pages[i] = new FixedPage(g, {10, 10, Unbounded, Unbounded});
        CHECK(GetParent(pages[i]->hwnd) == g->container->hwnd);
    }
    CHECK(g->tabs->SendMsg(TCM_GETITEMCOUNT, 0, 0) == 5);
    CHECK(g->container->PageCount() == 5);
    SizeLimits none = {0, 0, 1, 1};
    CHECK_THROWS_AS(new FixedPage(g, none), InternalError);
    CHECK(g->container->PageCount() == 5);

    delete pages[2];
    CHECK(g->container->PageCount() == 4);
    CHECK(g->container->Page(2) == pages[3]);
    delete pages[0];
    delete pages[1];
    CHECK(g->container->Page(0) == pages[3]);
    CHECK(g->container->Page(1) == pages[4]);
}

TEST_CASE("a tab group measures strip plus pages and lays the pages over the container")
{
    TabsFixture f;
    TabsGroup* g = f.group;
    new FixedPage(g, {200, 100, 400, 300});
    FixedPage* small = new FixedPage(g, {50, 150, 250, 200});
    SizeLimits strip, l;
    g->tabs->Measure(strip);
    g->Measure(l);
    CHECK(l.minWidth == 200);
    CHECK(l.minHeight == strip.minHeight + 150);
    CHECK(l.maxWidth == Unbounded);
    CHECK(l.maxHeight == strip.maxHeight + 300);
    small->Collapse();
    g->Measure(l);
    CHECK(l.minHeight == strip.minHeight + 100);

    g->SetBounds({10, 20, 410, 320});
    RECT tabs, container, page;
    GetWindowRect(g->tabs->hwnd, &tabs);
    GetWindowRect(g->container->hwnd, &container);
    GetWindowRect(g->container->Page(0)->hwnd, &page);
    CHECK(tabs.right - tabs.left == 400);
    CHECK(tabs.bottom - tabs.top == 300);
    CHECK(container.left - tabs.left == 8);
    CHECK(container.top - tabs.top == strip.minHeight + 8);
    CHECK(container.right == tabs.right - 8);
    CHECK(container.bottom == tabs.bottom - 8);
    CHECK(page.left == tabs.left);
    CHECK(page.top == tabs.top + strip.minHeight);
    CHECK(page.right == tabs.right);
    CHECK(page.bottom == tabs.bottom);
    CHECK(GetWindow(g->tabs->hwnd, GW_HWNDNEXT) == nullptr);
}

TEST_CASE("tab pages switch on the strip's notification and pass their commands to the dialog")
{
    TabsFixture f;
    TabsGroup* g = f.group;
    g->tabs->AddTab(L"First");
    g->tabs->AddTab(L"Second");
    ElasticGroup* first = NewElasticGroup(ElasticGroup::Column, g);
    CheckMark* check = NewCheckMark(first, L"Wrap", 4040, false, nullptr);
    ElasticGroup* second = NewElasticGroup(ElasticGroup::Column, g);
    NewCheckMark(second, L"Other", 4041, false, nullptr);
    second->Hide();
    // Measured before placed, as a dialog does.
    SizeLimits limits;
    g->Measure(limits);
    g->SetBounds({0, 0, 400, 300});
    Pump();
    CHECK(GetParent(check->hwnd) == g->container->hwnd);

    SendMessageW(check->hwnd, BM_CLICK, 0, 0);
    Pump();
    REQUIRE(!f.host->commands.empty());
    CHECK(f.host->commands.back() == 4040);

    RECT item;
    g->tabs->SendMsg(TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(g->tabs->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(g->tabs->hwnd, WM_LBUTTONUP, 0, at);
    Pump();
    CHECK(f.host->selectionChanges == 1);
    CHECK(g->tabs->SendMsg(TCM_GETCURSEL, 0, 0) == 1);
    CHECK(!first->IsShown());
    CHECK(second->IsShown());
}

TEST_CASE("tab pages wear the tab body's texture when themed and the button face when plain")
{
    TabsFixture f;
    TabsGroup* g = f.group;
    g->tabs->AddTab(L"Texture");
    ElasticGroup* page = NewElasticGroup(ElasticGroup::Column, g);
    CheckMark* check = NewCheckMark(page, L"Label", 4050, false, nullptr);
    g->SetBounds({0, 0, 400, 300});
    Pump();
    HWND c = g->container->hwnd;
    HDC dc = GetDC(check->hwnd);

    // Themed: the container answers with its own pattern brush, rebuilt after
    // every resize at the next request.
    CHECK(!g->container->brushValid);
    LRESULT brush = SendMessageW(c, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(check->hwnd));
    CHECK(g->container->brushValid);
    CHECK(brush == reinterpret_cast<LRESULT>(g->container->background.Handle()));
    CHECK(GetBkMode(dc) == TRANSPARENT);
    g->SetBounds({0, 0, 380, 280});
    CHECK(!g->container->brushValid);
    SendMessageW(c, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(check->hwnd));
    CHECK(g->container->brushValid);
    // The texture is the tab body: a point of the container shows what the
    // tab control paints there.
    RECT cr, tr;
    GetWindowRect(c, &cr);
    GetWindowRect(g->tabs->hwnd, &tr);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, tr.right - tr.left, tr.bottom - tr.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(g->tabs->hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    COLORREF body = GetPixel(memory, cr.left - tr.left + 150, cr.top - tr.top + 120);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    CHECK(ScreenPixel(c, 150, 120) == body);

    // Plain: statics get the tab control's own answer, pages the button face.
    SetTabsThemeCheck(NotThemed);
    LRESULT plain = SendMessageW(c, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(check->hwnd));
    LRESULT tabsAnswer = SendMessageW(g->tabs->hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(check->hwnd));
    CHECK(plain == tabsAnswer);
    CHECK(ScreenPixel(c, 150, 120) == GetSysColor(COLOR_BTNFACE));
    SetTabsThemeCheck(nullptr);
    ReleaseDC(check->hwnd, dc);
}
