#pragma once

// Holds the two text panes side by side or one above the other with a bar
// between them. The bar's place is a ratio (0..10000 of the length left
// after the bar), so it keeps its proportion when the window is resized.
// Ratio changes reach the parent as WM_COMMAND with the splitter's id:
// code 2 whenever the ratio is set, code 3 when a drag ends with a ratio
// other than the one it started with.

#include "base/Types.h"
#include "gui/Control.h"

class SettingsStore;

enum : uint32_t { TextSplitterId = 12330 };

enum SplitOrientation : uint32_t {
    SplitSideBySide = 1,  // vertical bar, first pane on the left
    SplitAboveBelow = 2,  // horizontal bar, first pane on top
};

enum : int { SplitRatioSet = 2, SplitDragEnded = 3 };

class TextSplitter : public ControlGroup {
public:
    static TextSplitter* Create(ControlGroup* parent);
    TextSplitter();
    ~TextSplitter() override;

    void ApplySettings(const SettingsStore& settings);
    // Sets the ratio from outside: code 2, a new layout, and the start ratio.
    void SetSplitPosition(int32 ratio);
    // The same while dragging, without touching the start ratio.
    void DragTo(int32 ratio);

    int32 BarThickness();
    // The panes shown: a collapsed or missing one is left out.
    int VisiblePanes(Control** panes);

    void Measure(SizeLimits& limits) override;
    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnMouseLeave(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;
    void OnNotify(MessageRecord& m) override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;
    void RemoveChild(Control* child) override;
    void AddChild(Control* child) override;

    Control* firstPane;
    Control* secondPane;
    uint32_t orientation;
    int32 barSize;  // 96-dpi units
    int32 ratio;
    int32 startRatio;
    RECT barRect;  // client coordinates; empty while no bar is shown
    HCURSOR sizeNsCursor;
    HCURSOR sizeWeCursor;
    POINT dragOffset;
    uint8_t hovering;
    uint8_t textColours;
    COLORREF textColor;
    COLORREF backgroundColor;

private:
    void SetSizeCursor();
    void BarColours(COLORREF& face, COLORREF& shadow, COLORREF& highlight);
};
