#pragma once

// A list box with a vertical scroll bar; optionally as tall as its items.

#include "gui/Control.h"

// Options of NewListBox.
enum ListBoxOptions : uint32_t {
    ListNoIntegralHeight = 0x00800000,
    ListNoEdge = 0x01000000,
    ListFitItems = 0x02000000,
    ListTabStops = 0x04000000,
    ListSorted = 0x08000000,
    ListExtendedSelection = 0x40000000,
};

class ListBox : public Control {
public:
    ListBox();

    void Measure(SizeLimits& limits) override;
    // The selected item's text, empty when nothing is selected.
    String SelectedText();

    // 96-dpi units.
    int32_t verticalInset;
    // With ListFitItems: the height is kept for at least this many rows.
    int32_t minRows;
    uint32_t options;
    // Set: never narrower than its widest item beside the scroll bar.
    uint8_t fitsItemWidth = 0;
};

ListBox* NewListBox(ControlGroup* parent, uint32_t options, uint32_t id, const wchar_t* hint);
