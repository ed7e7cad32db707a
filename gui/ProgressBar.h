#pragma once

// An owner-drawn bar with the percentage right of it. Position and total are
// plain fields: write them, then invalidate the control.

#include "gui/Control.h"

class ProgressBar : public Control {
public:
    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;

    // The value of 100 %.
    int64_t total = 0;
    // Expected between 0 and total.
    int64_t position = 0;
    uint8_t showPercentage = 1;
};

ProgressBar* NewProgressBar(ControlGroup* parent, uint32_t controlId);
