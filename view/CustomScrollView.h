#pragma once

#include "base/Types.h"
#include "gui/Control.h"

#include <windows.h>

// Signed client coordinates of a mouse message.
inline int32 MouseX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
inline int32 MouseY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// Hit codes of the owner-drawn scroll bars; they also name the hot and the
// pressed part.
enum ScrollBarPart : int32 {
    BarNone = 0,
    HorzBarStill = 1,  // horizontal bar that cannot scroll
    HorzArrowLeft = 2,
    HorzArrowRight = 3,
    HorzThumb = 4,
    HorzTrackLeft = 5,
    HorzTrackRight = 6,
    VertBarStill = 7,
    VertArrowUp = 8,
    VertArrowDown = 9,
    VertThumb = 10,
    VertTrackUp = 11,
    VertTrackDown = 12,
};

// A control that draws its own scroll bars inside the client area and turns
// every press, drag, repeat and menu choice on them into WM_HSCROLL or
// WM_VSCROLL sent to itself, so the derived view scrolls by one path. The
// derived view owns position, page and range and repaints.
class CustomScrollView : public Control {
public:
    // The client rect without the bars.
    void TextArea(RECT& area);
    void HorzThumbRect(RECT& thumb, const RECT& bar, int32 arrow, int32 minThumb);
    void VertThumbRect(RECT& thumb, const RECT& bar, int32 arrow, int32 minThumb);
    // Draws both bars and records their geometry; the view's paint calls it.
    void PaintBars(DeviceContext& dc, const RECT& client, COLORREF base, COLORREF glyph);
    // Redraws only the bars (hover and press changes).
    void RepaintBars();
    int32 HitTestHorz(const RECT& client, const RECT& area, int32 x, int32 y);
    int32 HitTestVert(const RECT& client, const RECT& area, int32 x, int32 y);
    bool IsOverBars(const MessageRecord& m);
    // Input handlers: true when the bars took the event.
    bool OnBarMouseDown(const MessageRecord& m);
    bool OnBarMouseMove(const MessageRecord& m);
    bool OnBarMouseUp(const MessageRecord& m);
    bool OnBarTimer();
    bool ShowBarMenu(const MessageRecord& m);
    // Position from a thumb drag to the given leading edge (client pixels).
    void DragHorzThumb(int32 edge);
    void DragVertThumb(int32 edge);

    static void DrawLeftArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke);
    static void DrawRightArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke);
    static void DrawUpArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke);
    static void DrawDownArrow(DeviceContext& dc, const RECT& box, COLORREF colour, int32 stroke);

    int64 horzPos = 0;
    int64 horzPage = 1;
    int64 horzRange = 1;
    RECT horzBar = {};
    RECT horzThumb = {};
    int32 horzArrow = 0;
    int64 vertPos = 0;
    int64 vertPage = 1;
    int64 vertRange = 1;
    RECT vertBar = {};
    RECT vertThumb = {};
    int32 vertArrow = 0;
    bool barsPainted = false;
    int32 hotPart = 0;
    int32 pressedPart = 0;
    int32 dragOffset = 0;
    POINT lastMouse = {};
    int32 repeatCountdown = 0;
    int32 colorMode = 0;  // 0 system colours, 1 the colours the view passes in
    COLORREF baseColor = 0xFFFFFF;
    COLORREF glyphColor = 0;

protected:
    // The thickness of the vertical and the horizontal bar, separator included.
    int32 VertBarWidth();
    int32 HorzBarHeight();

private:
    struct BarLayout {
        bool bars;  // wide enough for bars at all
        bool horz;  // horizontal bar shown
        RECT horzBar;  // without the separator line
        RECT vertBar;
        int32 horzArrow;
        int32 vertArrow;
        RECT horzThumb;
        RECT vertThumb;
    };
    BarLayout Layout(const RECT& client);
    void Act(int32 part);
    bool PointerBeyondThumb(int32 part);
    void DrawBar(DeviceContext& dc, const RECT& bar, bool vertical, int32 arrow, const RECT& thumb,
                 COLORREF track, const COLORREF* shades, int32 stroke);
};
