#include "editor/Statusbar.h"

#include <uxtheme.h>
#include <vssym32.h>

Statusbar* NewStatusbar(ControlGroup* parent)
{
    return MakeControl<Statusbar>([&](Statusbar& bar) {
        bar.parent = parent;
        bar.id = 0;
        bar.style = OwnClass | ArrowCursor | NoTabStop;
        bar.Create(L"Statusbar", 0, 0);
        bar.Show();
    });
}

void Statusbar::Measure(SizeLimits& limits)
{
    int height = MulDiv(22, GetDpi(), 96);
    limits.minWidth = 0;
    limits.maxWidth = Unbounded;
    limits.minHeight = limits.maxHeight = height;
}

void Statusbar::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    bool themed = false;
    if (HTHEME theme = OpenThemeData(hwnd, L"Status")) {
        themed = SUCCEEDED(DrawThemeBackground(theme, dc.Hdc(), 0, 0, &client, nullptr));
        CloseThemeData(theme);
    }
    if (!themed)
        dc.FillRect(client, GetSysColor(COLOR_BTNFACE));
    RECT line = {client.left, client.top, client.right, client.top + 1};
    dc.FillRect(line, GetSysColor(COLOR_BTNSHADOW));
}
