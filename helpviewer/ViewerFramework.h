#pragma once

// The widget framework as the help viewer uses it. The viewer registers its
// window classes as "Guidora " ones and shows its hints in its own balloon:
// white, with a light orange stripe on the pointer's side, measured and
// placed in plain pixels. Copies are plain text (Clipboard::SetText).

#include "gui/CheckMark.h"
#include "gui/EditLine.h"
#include "gui/Label.h"
#include "gui/Tooltip.h"

// Once at the viewer's start, before its first window.
void UseViewerFramework();

class ViewerTooltip : public Tooltip {
public:
    RECT Placement() override;
    int StillDistance() override;
    void OnPaint(MessageRecord& m) override;

    // Draws the balloon into dc over a client area of width x height.
    void PaintTo(DeviceContext& dc, int width, int height);
};

// The stripe along the pointer's side.
constexpr COLORREF kTooltipStripe = 0x87C3FF;

// The colour of a shaded control background at its top: each channel 90%.
COLORREF ShadeTop(COLORREF colour);
// A control background: plain, or shaded from ShadeTop at the top down to
// the colour itself.
void FillBackground(DeviceContext& dc, const RECT& rect, COLORREF colour, bool shaded);

// Tracks the first submenu of a menu resource of the program at a client
// point of window; nothing happens without a window or without that menu.
void ShowContextMenu(GuiBase& window, int menuId, int x, int y);

// The find dialog's controls with the viewer's texts.
enum : uint32_t { kFindWordId = 178, kFindEverywhereId = 179 };
Label* NewFindWordLabel(ControlGroup* parent);
EditLine* NewFindWordLine(ControlGroup* parent);
CheckMark* NewFindEverywhereCheck(ControlGroup* parent, bool checked);
