#pragma once

// A grid of characters, sixteen to a row, each row headed by the code of its
// first cell: either the whole of Unicode without the surrogates or the 256
// bytes of a single-byte code page. Pointing, keys and clicks tell the parent
// through commands; the parent reads the current code then.

#include "base/Types.h"
#include "gui/Control.h"

struct CodePageTable;

class CharsTableBox : public Control {
public:
    enum : int32 {
        PointedCode = 11,  // the pointed-at character changed
        ChosenCode = 12,   // a character was chosen
        EscapeCode = 10,
        Columns = 16,
        VisibleRows = 8,
        UnicodeRows = 0x10F80,
        LastUnicodeIndex = 0x10F7FF,
    };

    CharsTableBox();

    void Init(ControlGroup* parentGroup, uint32_t controlId, const CodePageTable* table);

    // A code the grid shows becomes current and is scrolled into view;
    // any other code is ignored. No notification.
    void SelectCode(int32 code);
    int32 CurrentCode() const { return currentCode; }

    int32 RowCount() const;
    int32 LastIndex() const { return RowCount() * Columns - 1; }
    // Grid index <-> code; -1 for what the grid does not hold.
    int32 IndexToCode(int32 index) const;
    int32 CodeToIndex(int32 code) const;
    // The cell under a client point, -1 outside the grid.
    int32 IndexAt(int32 x, int32 y) const;
    // Measures cells from the font; false (sizes kept) when that fails.
    bool MeasureCells();

    void Measure(SizeLimits& limits) override;
    void OnPaint(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnSetFocus(MessageRecord& m) override;
    void OnKillFocus(MessageRecord& m) override;
    void OnMouseWheel(MessageRecord& m) override;
    void OnVScroll(MessageRecord& m) override;
    void OnChar(MessageRecord& m) override;
    void OnKeyDown(MessageRecord& m) override;
    void OnGetDlgCode(MessageRecord& m) override;
    void ApplyFont(const GdiObj& newFont, bool redraw) override;
    void SetFont(const GdiObj& newFont) override;
    void SetFontHandle(HFONT newFont) override;
    void SelectFontInto(DeviceContext& dc) override;

    GdiObj font;
    int32 firstRow;
    int32 cellWidth;
    int32 rowHeight;
    int32 headerWidth;
    int32 paddingX;
    int32 paddingY;
    int32 pressedIndex;
    int32 currentIndex;
    int32 lastX;
    int32 lastY;
    int32 currentCode;
    const CodePageTable* codeTable;
    int32 wheelRemainder;
    // The high half of a character typed as a surrogate pair, 0 when none.
    wchar_t pendingHighSurrogate;

private:
    void PointAt(int32 x, int32 y);
    void InvalidateCell(int32 index);
    void ScrollTo(int32 row);
    void ScrollIntoView(int32 index);
    void Notify(int32 code, int32 index);
};

CharsTableBox* NewCharsTableBox(ControlGroup* parent, uint32_t controlId, const CodePageTable* table);
