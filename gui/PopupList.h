#pragma once

// A list of texts dropped above a rectangle of the screen (a field of the
// status bar), run in a nested loop with the mouse captured until the user
// picks a row or dismisses it. It never takes the activation, so the owner's
// keyboard handling keeps running and may end the run.

#include "gui/Form.h"

class PopupList : public Form {
public:
    ~PopupList() override;

    // The chosen row, -2 when dismissed, -1 without items (nothing shown).
    // The row equal to current (exact comparison, the last one) starts
    // highlighted.
    int Run(const RECT& anchor, const wchar_t* current);
    void SelectPrevious();
    void SelectNext();

    void OnPaint(MessageRecord& m) override;
    void OnCancelMode(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnRButtonUp(MessageRecord& m) override;
    void OnMButtonUp(MessageRecord& m) override;
    void SetFont(const GdiObj& font) override;

    // Filled by the owner before each run.
    Array<String> items;
    GdiObj ownFont;
    // -1 while running, -2 dismissed, otherwise the chosen row; the owner may
    // store one to end the run.
    int32_t result = -1;
    int32_t highlighted = -1;
    int32_t rowHeight = 20;
    int32_t textWidth = 40;

private:
    int RowAt(LPARAM lParam);
    void MoveHighlight(int64_t to);
};

PopupList* NewPopupList(Form* owner, uint32_t formId);
