#pragma once

// The row at the bottom of the main window that shows the state of the
// current text; for now an empty band in the status-bar look.

#include "gui/Control.h"

class Statusbar : public Control {
public:
    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;
};

Statusbar* NewStatusbar(ControlGroup* parent);
