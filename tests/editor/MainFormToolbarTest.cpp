// The toolbar's toggle buttons follow their menu items whichever way the
// state changes: the button, the menu command or the find bar's own close.

#include "MainFormTestSupport.h"

#include "gui/ElasticGroup.h"
#include "gui/Toolbar.h"
#include "support/Pump.h"

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
