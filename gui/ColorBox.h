#pragma once

// A row of up to 32 swatches of the colours used most recently, the current
// colour framed. A click or Left/Right makes a swatch current and tells the
// parent (command code 100); the owner reads the current colour then.

#include "gui/Control.h"

class ColorBox : public Control {
public:
    enum : int { MaxColors = 32, ChangedCode = 100, BoxId = 20111 };

    // Records a use: a known colour only gets a new stamp; a new one takes
    // the next free slot or evicts the least recently used.
    void AddRecentColor(COLORREF colour);
    void SetColor(COLORREF colour);
    COLORREF CurrentColor() const { return current; }
    // The colours in slot order (order of insertion, not of use).
    int RecentCount() const { return count; }
    COLORREF RecentColor(int slot) const { return colours[slot]; }

    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;
    void OnSetFocus(MessageRecord& m) override;
    void OnKillFocus(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnKeyDown(MessageRecord& m) override;
    void OnGetDlgCode(MessageRecord& m) override;

    COLORREF colours[MaxColors] = {};
    // Slots in use, 0 to 32.
    int32_t count = 0;
    int32_t stamps[MaxColors] = {};
    COLORREF current = 0;
    uint32_t useCounter = 0;

private:
    int SlotOf(COLORREF colour) const;
    void MakeCurrent(int slot);
};

ColorBox* NewColorBox(ControlGroup* parent, const wchar_t* hint);
