#pragma once

// A tabbed page set for dialogs: the system tab control draws the strip and
// the page frame, a container of our own lies over the page area and paints
// the pages with the tab body's themed texture, and a windowless group lays
// both out and makes every control created inside it a page. The group does
// not switch pages: TCN_SELCHANGE reaches the window holding the group.

#include "gui/Control.h"

class TabsCtl : public Control {
public:
    enum : uint32_t { TabsId = 20117 };

    void AddTab(const wchar_t* text);

    void Measure(SizeLimits& limits) override;
    void OnCommand(MessageRecord& m) override;
};

class TabsGroupContainer : public ControlGroup {
public:
    enum : int { MaxPages = 5, Inset = 8 };

    ~TabsGroupContainer() override;
    void SetBounds(const RECT& rect) override;
    void Measure(SizeLimits& limits) override;
    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;
    void PaintBackground(DeviceContext& dc, const RECT& rect, Control* child) override;
    void RemoveChild(Control* child) override;
    void AddChild(Control* child) override;

    int PageCount() const { return pageCount; }
    Control* Page(int index) const { return pages[index]; }
    // Made from the tab body at the next colour request after a resize.
    void BuildBackgroundBrush();

    TabsCtl* tabs = nullptr;
    Control* pages[MaxPages] = {};
    int32_t pageCount = 0;
    GdiObj background;
    // The brush's pattern; kept with it for as long as the brush lives.
    GdiObj backgroundBitmap;
    uint8_t brushValid = 0;
};

class TabsGroup : public ControlGroup {
public:
    ~TabsGroup() override;
    void SetBounds(const RECT& rect) override;
    void Measure(SizeLimits& limits) override;
    HWND ParentHwnd() override;
    void SetFocus() override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;
    void PaintBackground(DeviceContext& dc, const RECT& rect, Control* child) override;
    void RemoveChild(Control* child) override;
    void AddChild(Control* child) override;

    TabsCtl* tabs = nullptr;
    TabsGroupContainer* container = nullptr;
};

TabsGroup* NewTabsGroup(ControlGroup* parent, const wchar_t* hint);
TabsCtl* NewTabsCtl(ControlGroup* parent, const wchar_t* hint);
TabsGroupContainer* NewTabsGroupContainer(ControlGroup* parent, TabsCtl* tabs);

// Lets tests paint the pages as without visual styles, which Wine cannot
// turn off. Null restores the system's IsAppThemed.
void SetTabsThemeCheck(BOOL(WINAPI* isAppThemed)());
