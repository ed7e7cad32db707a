// The toolbar's toggle buttons follow their menu items whichever way the
// state changes: the button, the menu command or the find bar's own close.

#include "MainFormTestSupport.h"

#include "gui/ElasticGroup.h"
#include "gui/Gdi.h"
#include "gui/ImageStrip.h"
#include "gui/Toolbar.h"
#include "support/Pump.h"
#include "support/Screenshot.h"

#include <doctest.h>

TEST_CASE("the find bar's toolbar button is checked exactly while the bar shows, as its menu item")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    HWND hwnd = run.Hwnd();
    auto inStep = [&](bool shown) {
        CHECK(f.findBar->IsCollapsed() == !shown);
        CHECK(f.toolbar->IsChecked(11028) == shown);
        CHECK(MenuChecked(hwnd, 11028) == shown);
    };
    inStep(false);
    // Ctrl+F, the toolbar button (its command), Shift+Esc.
    const struct {
        uint32_t command;
        bool shown;
    } steps[] = {{11017, true}, {11028, false}, {11028, true}, {11052, false}, {11052, false}, {11017, true},
                 {11017, true}, {11028, false}};
    for (const auto& step : steps) {
        CAPTURE(step.command);
        SendMessageW(hwnd, WM_COMMAND, step.command, 0);
        Pump();
        inStep(step.shown);
    }
}

// A button shows only its own cell of the strip: art that crosses a cell's
// edge is cut off there and shows as a sliver on the neighbouring button.
TEST_CASE("no button's image in the editor's strips crosses the edges of its cell, at 96 and 192 dpi")
{
    MainFormRun run("");
    MainForm& f = *run.form;
    f.EnsureFindBar();
    const struct {
        Toolbar* bar;
        int strip96;
        int strip192;
    } bars[] = {{f.toolbar, kToolbarStrip, kToolbarStrip192},
                {f.findToolbar, kFindStrip, kFindStrip192},
                {f.replaceToolbar, kReplaceStrip, kReplaceStrip192}};
    int edges = 0;
    for (const auto& b : bars) {
        for (int scale : {1, 2}) {
            GdiObj bitmap = LoadBitmapResource(scale == 1 ? b.strip96 : b.strip192);
            PixelImage strip = ReadBitmapPixels(static_cast<HBITMAP>(bitmap.Handle()));
            REQUIRE(strip.width > 0);
            auto art = [&](int x, int y) { return strip.At(x, y) != kMagenta; };
            for (int64 i = 0; i < b.bar->items.Count(); i++) {
                const ToolbarItem& item = b.bar->items.At(i);
                if (item.kind != ToolbarButton && item.kind != ToolbarToggle)
                    continue;
                // A toggle owns its "on" image beside the first.
                for (int k = 0; k <= (item.kind == ToolbarToggle ? 1 : 0); k++) {
                    int left = (item.imageX + k * item.imageWidth) * scale;
                    for (int edge : {left, left + item.imageWidth * scale}) {
                        if (edge <= 0 || edge >= strip.width)
                            continue;
                        int crossing = 0;
                        for (int y = 0; y < strip.height; y++)
                            crossing += art(edge - 1, y) && art(edge, y);
                        CHECK_MESSAGE(crossing == 0, "strip " << (scale == 1 ? b.strip96 : b.strip192)
                                                               << ": art crosses x = " << edge << " in " << crossing
                                                               << " rows");
                        edges++;
                    }
                }
            }
        }
    }
    CHECK(edges > 50);
}
