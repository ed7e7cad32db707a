#pragma once

// The owner-drawn strip of tabs above the text views, one tab per open text
// in the order of the document list. It decides nothing: every click, drag
// and menu request goes to its handler, and the owner's changes come back as
// broadcasts. It reads the list and the current text, never changes them.

#include "base/String.h"
#include "base/Types.h"
#include "gui/Control.h"
#include "gui/ImageStrip.h"
#include "view/BroadcastRecord.h"

#include <unordered_map>
#include <vector>

class DocumentList;
class SettingsStore;
class TextDocument;

enum : uint32_t { TextTabsId = 12200 };
enum : int { TabIcons96 = 12218, TabIcons192 = 12219 };

class TextTabs : public Control {
public:
    // The owner's side of the strip. No virtual destructor: the owner keeps it.
    class Handler {
    public:
        virtual void OnTabClicked(TextDocument* document, TextTabs* tabs) = 0;
        virtual void OnCloseClicked(TextDocument* document, TextTabs* tabs) = 0;
        virtual void OnSaveClicked(TextDocument* document, TextTabs* tabs) = 0;
        virtual void OnTabMoved(TextDocument* document, int32 index, TextTabs* tabs) = 0;
        // document: the text under the point, or null.
        virtual void OnContextMenu(MessageRecord& m, TextDocument* document, TextTabs* tabs) = 0;

    protected:
        ~Handler() = default;
    };

    // Items of the hit test and of the hover and pressed state.
    enum : int32 { NoItem = -1, LeftArrow = -2, RightArrow = -3 };
    // Parts of a tab.
    enum : int32 { TabBody = -1, SaveBox = -4, CloseBox = -5 };

    struct Hit {
        int32 item;
        int32 part;
        int32 position;  // strip position of the tab hit
    };

    static TextTabs* Create(ControlGroup* parent, DocumentList* list);
    TextTabs();
    ~TextTabs() override;

    void ApplySettings(const SettingsStore& settings);
    void OnBroadcast(const BroadcastRecord& record);
    // Client coordinates, the scroll taken off and clipped to the client.
    RECT GetTabRect(TextDocument* document);
    void EnsureVisible(int64 index);
    void SetScroll(int32 offset);

    static String DisplayName(const TextDocument* document);
    static String FolderOf(const TextDocument* document);

    void BuildFont(int dpi);
    int32 BoxSize() const;
    int32 ArrowWidth() const;
    // Sets up a context for measuring names in the tab font.
    DeviceContext MeasuringDC();
    // Measures the tab of document afresh.
    int32 TabWidth(const DeviceContext& dc, const TextDocument* document) const;
    // The widths of all tabs in list order, each name measured only when its
    // path, the font, the DPI or the language changed since it last was.
    std::vector<int32> Widths();
    int32 TabPosition(int64 index);
    Hit HitTest(int32 x);
    // One captured move: starts a drag past the threshold, auto-scrolls
    // over the arrows and reports the drop index.
    void DragStep(int32 x);
    int32 DropIndex(int32 x);
    void Paint(DeviceContext& dc, const RECT& client);

    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnMouseLeave(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;
    void OnContextMenu(MessageRecord& m) override;
    const wchar_t* HintAt(POINT screenPoint) override;

    Handler* handler;
    DocumentList* documents;
    TextDocument* current;
    GdiObj tabFont;
    uint8_t folderLabels;
    GdiObj strip96;
    GdiObj strip192;
    // Shares strip96 or strip192 at their DPIs, a scaled copy otherwise.
    GdiObj stripInUse;
    KeyedStrip keyedStrip;
    int32 fontDpi;
    int32 iconDpi;
    COLORREF textColor;
    COLORREF backgroundColor;
    struct Palette {
        COLORREF dimText, face, hover, dragSlot, line, labelPen, labelBrush, pressedFill;
    } palette;
    int32 scroll;
    int32 totalWidth;
    int32 hoverItem;
    int32 pressedItem;
    int32 hoverPart;
    int32 pressedPart;
    int32 autoScrollDirection;
    int32 autoScrollDelay;  // timer ticks before a held arrow repeats
    int32 tabRowTop;
    int32 dragAnchorX;
    int32 lastDragX;
    int32 lastDropIndex;
    int32 grabOffset;
    TextDocument* dragged;  // null while no drag is in progress
    struct KnownWidth {
        String path;  // the block measured: a new path is a new block
        int32 width;
    };
    std::unordered_map<const TextDocument*, KnownWidth> knownWidths;
    // The widths of the last call in list order: a text still in its place
    // under the same path block needs neither a lookup nor a copy, so the
    // strip's many calls while thousands of texts open stay cheap.
    struct PlacedWidth {
        const TextDocument* document;
        String path;
        int32 width;
    };
    std::vector<PlacedWidth> placedWidths;
    // What every known width was measured with.
    int32 knownFontDpi;
    int32 knownIconDpi;
    bool knownPolish;

private:
    void StopAutoScroll();
    // Forgets the press and any drag; the capture is released.
    void CancelPress();
    void ComputePalette();
    void DrawTab(DeviceContext& dc, int64 index, int32 x, int32 width, int32 top,
                 int32 bottom, bool asCurrent);
    // Arrows sit a pixel higher and are not filled while pressed.
    void DrawBox(DeviceContext& dc, const RECT& box, int32 cell, bool pressed,
                 bool isArrow);
    void DrawFolderLabels(DeviceContext& dc, const RECT& client, int32 rowHeight,
                          const std::vector<int32>& widths);
    TextDocument* DocumentAt(int64 index) const;
    void ForgetWidths();
};
