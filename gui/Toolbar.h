#pragma once

// The owner-drawn row of image buttons of the main window and the find and
// replace bars. Wider than its images it shows captions, lowest priority
// first; narrower it drops buttons, highest priority first. Images come from
// a 96-dpi and a 192-dpi strip; other DPIs get a strip resampled from the
// 192-dpi one.

#include "base/Array.h"
#include "gui/Control.h"
#include "gui/ImageStrip.h"

enum ToolbarItemKind : int32_t {
    ToolbarButton = 0,
    // Owns two images side by side; the second is drawn while it is on.
    ToolbarToggle = 1,
    ToolbarSeparator = 3,
    ToolbarBlank = 4,
};

struct ToolbarItem {
    int32_t kind;
    uint32_t command;
    uint8_t on;
    uint8_t held;
    // Greyed: drawn from a faded copy of the strip, never lit, never clicked.
    uint8_t disabled;
    int32_t imageX;       // in the 96-dpi strip, 96-dpi units
    int32_t drawnX;       // in the current strip, pixels
    int32_t imageWidth;   // 96-dpi units
    int32_t drawnWidth;   // pixels
    int32_t advance;      // pixels taken in the row; 0 = dropped
    int32_t imageHeight;  // 96-dpi units
    int32_t drawnHeight;  // pixels
    // Lower values get their caption first and are dropped last.
    int32_t priority;
    uint8_t textShown;
    String text;  // caption and hint
};

class Toolbar : public Control {
public:
    Toolbar();
    ~Toolbar() override;

    void LoadImages(int bitmapId);
    // The 96-dpi strip now, the 192-dpi one when a DPI first needs it.
    void LoadImages(int bitmapId, int bitmapId192);
    void AddButton(uint32_t command, const wchar_t* text, int imageX, int imageWidth,
                   int imageHeight, int priority);
    void AddSeparator(bool blank);
    int FindCommand(uint32_t command);
    void SetChecked(uint32_t command, bool on);
    bool IsChecked(uint32_t command);
    void SetPressed(uint32_t command, bool held);
    void SetEnabled(uint32_t command, bool enabled);
    bool IsEnabled(uint32_t command);
    void SetButtonText(uint32_t command, const wchar_t* text);

    // Fits the items to the width: drops buttons or adds captions.
    virtual void Layout();
    int ItemAt(int clientX);
    int ItemLeft(int index);
    void InvalidateItem(int index);
    void BuildScaledImages(int dpi);

    void SetBounds(const RECT& rect) override;
    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnMouseLeave(MessageRecord& m) override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;

    Array<ToolbarItem> items;
    GdiObj strip96;
    GdiObj strip192;
    // The resource of strip192 while it is not loaded: only other DPIs than
    // 96 need it. 0 for none.
    int strip192Id = 0;
    // Shares strip96 or strip192 at their DPIs, a built strip otherwise.
    GdiObj currentStrip;
    KeyedStrip keyedStrip;
    // The current strip faded to grey for disabled items, made when first
    // drawn and again whenever the current strip changes.
    GdiObj greyStrip;
    GdiObj greyStripOf;
    KeyedStrip keyedGreyStrip;
    int32_t currentDpi;
    int32_t stripDpi;
    int32_t pressed;
    int32_t hover;
    uint8_t fixedMinWidth;
    uint8_t fixedMaxWidth;
    UINT_PTR hoverTimer;
    int32_t tallestImage;  // 96-dpi units
    int32_t tallestDrawn;  // pixels

protected:
    // Every item at its image width without caption; answers the sum.
    int ResetWidths();
    // Drops buttons until total fits available; answers the new total.
    int DropButtons(int total, int available);
    // Adds captions while each fits whole.
    void AddCaptions(int total, int available);

private:
    int TotalDrawnWidth();
    const GdiObj& GreyStrip(const DeviceContext& dc);
    bool Clickable(int index);
    void DrawItem(DeviceContext& dc, int index, int x, int bottom);
};

Toolbar* NewToolbar(ControlGroup* parent, uint32_t controlId);
// The same for a fresh object of a derived class (null = out of memory),
// deleted when its window cannot be made.
Toolbar* NewToolbar(ControlGroup* parent, uint32_t controlId, Toolbar* toolbar);
