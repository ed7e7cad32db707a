#pragma once

// Windowless layout: a group stacks its children in a row or a column with
// margins and gaps and shares the space left over by weight; a Space pushes
// neighbours apart or keeps a fixed gap.

#include "base/Array.h"
#include "gui/Control.h"

// One child of a group. The limits are those of the group's last measure;
// next and size only mean something during and after one placement.
struct ElasticChild {
    Control* child;
    // Share of the left-over space: 1 for a spacer, 10000 for anything else
    // when added; 0 keeps the child at its minimum.
    uint32_t weight;
    ElasticChild* next;
    int32_t size;
    int32_t minWidth;
    int32_t minHeight;
    int32_t maxWidth;
    int32_t maxHeight;
};

class ElasticGroup : public ControlGroup {
public:
    enum Orientation : int32_t { Column = 0, Row = 1 };
    enum Alignment : int32_t { AlignStart = 0, AlignCentre = 1, AlignEnd = 2 };

    ElasticGroup();
    ~ElasticGroup() override;

    // The record of a child, so its weight can be changed; null for a stranger.
    ElasticChild* ChildOptions(Control* child);

    void AddChild(Control* child) override;
    void RemoveChild(Control* child) override;
    void Show() override;
    void ShowNoActivate() override;
    void Hide() override;
    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;

    int32_t orientation;
    // false: the group's cross maximum is the largest of its children's,
    // true: the smallest.
    uint8_t smallestCrossMax;
    int32_t alignment;
    // 96-dpi units.
    int32_t gap;
    int32_t horizontalMargin;
    int32_t verticalMargin;
    PodArray<ElasticChild> children;
};

class Space : public Control {
public:
    Space();

    bool IsSpacer() override;
    void Measure(SizeLimits& limits) override;

    // -1 stretches in that direction.
    int32_t width;
    int32_t height;
    // true: 96-dpi units, false: pixels.
    uint8_t scaled;
};

ElasticGroup* NewElasticGroup(int32_t orientation, ControlGroup* parent);
// Stretches across, fixed height in pixels.
Space* NewSpace(ControlGroup* parent, int32_t height);
// Both in 96-dpi units; -1 stretches.
Space* NewScaledSpace(ControlGroup* parent, int32_t width, int32_t height);
