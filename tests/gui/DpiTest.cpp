#include "GuiTestSupport.h"

#include "gui/Dpi.h"

namespace {

RECT WorkArea()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

LOGFONTW FontOf(const GdiObj& font)
{
    LOGFONTW lf = {};
    GetObjectW(font.Handle(), sizeof(lf), &lf);
    return lf;
}

LOGFONTW MessageFont()
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
    return metrics.lfMessageFont;
}

SIZE Frame(GuiBase& form)
{
    RECT w = form.WindowRect(), c = form.ClientRect();
    return {(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
}

LRESULT SendDpiChanged(Form& form, int dpi, RECT suggested)
{
    return SendMessageW(form.hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                        reinterpret_cast<LPARAM>(&suggested));
}

int IconWidth(const Icon& icon)
{
    ICONINFO info;
    if (!GetIconInfo(icon.Handle(), &info))
        return -1;
    BITMAP bm;
    GetObjectW(info.hbmMask, sizeof(bm), &bm);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return bm.bmWidth;
}

} // namespace

TEST_CASE("the screen DPI is at least 96 and forms detect theirs on first use")
{
    int screen = ScreenDpi();
    CHECK(screen >= 96);
    CHECK(ScreenDpi() == screen);

    TestForm form;
    CHECK(form.dpi == 0);
    int d = form.GetDpi();
    CHECK(d >= 96);
    CHECK(form.dpi == static_cast<uint32_t>(d));
    int monitor = MonitorDpi(MonitorFromWindow(form.hwnd, MONITOR_DEFAULTTONEAREST));
    CHECK(d == (monitor ? monitor : screen));

    form.SetDpi(120);
    CHECK(form.GetDpi() == 120);
    form.SetDpi(50);
    CHECK(form.GetDpi() == d);

    Form unmade;
    CHECK(unmade.DetectDpi() == screen);
}

TEST_CASE("controls answer their form's DPI")
{
    TestForm form;
    Panel* group = new Panel(&form, Windowless);
    Panel* inner = new Panel(group);
    form.SetDpi(144);
    CHECK(inner->GetDpi() == 144);
    CHECK(inner->SystemDpi() == ScreenDpi());
}

TEST_CASE("fonts are built from the message font at the form's DPI")
{
    TestForm form;
    CHECK(form.normalFont.IsEmpty());
    GdiObj normal = form.GetFont();
    REQUIRE_FALSE(normal.IsEmpty());
    LOGFONTW system = MessageFont();
    LOGFONTW built = FontOf(normal);
    CHECK(built.lfHeight == MulDiv(system.lfHeight, form.GetDpi(), ScreenDpi()));
    CHECK(lstrcmpW(built.lfFaceName, system.lfFaceName) == 0);
    LOGFONTW bold = FontOf(form.GetBoldFont());
    CHECK(bold.lfWeight == 700);
    CHECK(bold.lfHeight == built.lfHeight);
    CHECK(form.ButtonHeight() == 0);

    // A copy handed out earlier keeps the old font alive through a rebuild.
    form.BuildFonts(192);
    CHECK(GetObjectType(normal.Handle()) == OBJ_FONT);
    CHECK(FontOf(form.normalFont).lfHeight == MulDiv(system.lfHeight, 192, ScreenDpi()));
    CHECK(form.GetDpi() == 192);
}

TEST_CASE("a move to a 144-dpi monitor rebuilds fonts and refits the window around the centre")
{
    TestForm form(SizingFrame);
    Panel* content = new Panel(&form);
    content->limits = {100, 80, 300, 200};
    NativeControl* follower = new NativeControl(content, L"STATIC", 1);
    NativeControl* own = new NativeControl(content, L"STATIC", 2);
    follower->FollowFormFont();
    own->FollowFormFont();
    GdiObj ownFont = MakeFont(L"Arial", 25, 400, 0, DEFAULT_CHARSET);
    own->SetFont(ownFont);
    form.SetBounds({10, 10, 200, 150});
    SIZE frame = Frame(form);

    RECT suggested = {100, 100, 700, 500};
    int layouts = content->layouts;
    CHECK(SendDpiChanged(form, 144, suggested) == 0);

    CHECK(form.GetDpi() == 144);
    LOGFONTW system = MessageFont();
    CHECK(FontOf(form.normalFont).lfHeight == MulDiv(system.lfHeight, 144, ScreenDpi()));
    CHECK(FontOf(form.boldFont).lfHeight == MulDiv(system.lfHeight, 144, ScreenDpi()));
    CHECK(SendMessageW(follower->hwnd, WM_GETFONT, 0, 0) ==
          reinterpret_cast<LRESULT>(form.normalFont.Handle()));
    CHECK(SendMessageW(own->hwnd, WM_GETFONT, 0, 0) ==
          reinterpret_cast<LRESULT>(ownFont.Handle()));

    RECT w = form.WindowRect();
    int width = 300 + frame.cx, height = 200 + frame.cy;
    CHECK(w.right - w.left == width);
    CHECK(w.bottom - w.top == height);
    CHECK(w.left == 100 + (600 - width) / 2);
    CHECK(w.top == 100 + (400 - height) / 2);
    // One layout at the end, over the whole client area.
    CHECK(content->layouts == layouts + 1);
    CHECK(content->bounds.right == form.ClientRect().right);
    CHECK(form.content == content);
}

TEST_CASE("a suggested rectangle below the minimum grows to it")
{
    TestForm form(SizingFrame);
    Panel* content = new Panel(&form);
    content->limits = {400, 300, Unbounded, Unbounded};
    form.SetBounds({10, 10, 600, 500});
    SIZE frame = Frame(form);
    SendDpiChanged(form, 120, {200, 200, 300, 260});
    RECT w = form.WindowRect();
    CHECK(w.right - w.left == 400 + frame.cx);
    CHECK(w.bottom - w.top == 300 + frame.cy);
    CHECK(w.left == 200 + (100 - (400 + frame.cx)) / 2);
}

TEST_CASE("failures while refitting are swallowed and the content is put back")
{
    struct Fragile : Panel {
        using Panel::Panel;
        void Measure(SizeLimits& l) override
        {
            if (armed)
                throw WinError(1450);
            Panel::Measure(l);
        }
        bool armed = false;
    };
    TestForm form(SizingFrame);
    Fragile* content = new Fragile(&form);
    form.SetBounds({10, 10, 300, 200});
    int layouts = content->layouts;
    content->armed = true;
    CHECK(SendDpiChanged(form, 144, {0, 0, 100, 100}) == 0);
    content->armed = false;
    CHECK(form.content == content);
    CHECK(form.errors.empty());
    CHECK(content->layouts == layouts);
    CHECK(form.GetDpi() == 144);
}

TEST_CASE("keeping rectangles on the work area")
{
    RECT work = WorkArea();
    RECT r = {work.right - 50, work.top + 10, work.right + 50, work.top + 110};
    ClampRectToWorkArea(r);
    CHECK(r.right == work.right);
    CHECK(r.left == work.right - 100);
    CHECK(r.top == work.top + 10);

    RECT wide = {work.left + 10, work.top - 20, work.right + 300, work.top + 30};
    ClampRectToWorkArea(wide);
    CHECK(wide.left == work.left);
    CHECK(wide.right == work.right);
    CHECK(wide.top == work.top);
    CHECK(wide.bottom == work.top + 50);

    RECT tall = {work.left, work.top + 5, work.left + 10, work.bottom + 500};
    ClampRectToWorkArea(tall);
    CHECK(tall.top == work.top);
    CHECK(tall.bottom == work.bottom);

    RECT inside = {work.left + 10, work.top + 10, work.left + 20, work.top + 20};
    RECT before = inside;
    ClampRectToWorkArea(inside);
    CHECK(EqualRect(&inside, &before));

    RECT centred = {0, 0, 201, 101};
    CentreRectOnWorkArea(centred);
    CHECK(centred.right - centred.left == 201);
    CHECK(centred.left == work.left + (work.right - work.left - 201) / 2);
    CHECK(centred.top == work.top + (work.bottom - work.top - 101) / 2);
}

TEST_CASE("icons load at the size asked for, also where the resource lacks it")
{
    HINSTANCE instance = AppInstance();
    Icon icon;
    LoadIconSized(icon, instance, MAKEINTRESOURCEW(IDI_TEST), 48, 48);
    CHECK(IconWidth(icon) == 48);
    CHECK(icon.shared == 0);
    LoadIconSized(icon, instance, MAKEINTRESOURCEW(IDI_TEST), 24, 24);
    CHECK(IconWidth(icon) == 24);
    CHECK_THROWS_AS(LoadIconSized(icon, instance, MAKEINTRESOURCEW(9999), 32, 32), Error);

    // A system icon comes shared and is never destroyed.
    Icon system;
    LoadIconSized(system, nullptr, IDI_WARNING, 32, 32);
    CHECK_FALSE(system.IsEmpty());

    HICON scaled = TryLoadIconWithScaleDown(instance, MAKEINTRESOURCEW(IDI_TEST), 20, 20);
    if (scaled) {
        Icon owner;
        owner.Adopt(scaled, false);
        CHECK(IconWidth(owner) == 20);
    }
}
