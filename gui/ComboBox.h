#pragma once

// A drop-down list whose list is as tall as its items allow on the monitor.

#include "gui/Control.h"

class ComboBox : public Control {
public:
    ComboBox();

    void Measure(SizeLimits& limits) override;
    void SetBounds(const RECT& rect) override;
    // The selected item's text, empty when nothing is selected.
    String SelectedText();

    // 96-dpi units.
    int32_t verticalInset;

private:
    int32_t ItemHeight();
};

ComboBox* NewComboBox(ControlGroup* parent, uint32_t id, const wchar_t* hint);
