#pragma once

// The owner-drawn row at the bottom of the main window: line, character,
// character code, mode, encoding, syntax and dictionary of the active text,
// with hover, a tooltip and a command per field, and a size grip.

#include "base/String.h"
#include "base/Types.h"
#include "gui/Control.h"

class TextDocument;
class TextView;
struct ViewState;

enum : int { StatusFieldCount = 7 };

// What the bar shows, taken from the active text and its caret.
struct StatusState {
    bool hasText = false;
    int64 line = 0;    // 0-based
    int64 column = 0;  // 0-based, in characters
    int32 code = -1;   // display code at the caret: -1 end of text, -2 CR LF
    bool insertMode = true;
    int32 encoding = 0;
    bool bom = false;
    int32 syntax = 0;
    String dictionary;  // short name, empty when none
};

struct StatusFieldText {
    const wchar_t* label;  // empty for the code field at the end of the text
    String value;
};

// The texts of fields 1-7 in the interface language given; the dictionary
// field's value is empty when it is not drawn.
void StatusFieldTexts(const StatusState& state, bool polish, StatusFieldText (&fields)[StatusFieldCount]);
// Command of a click on field 1-7, 0 for any other number.
int StatusFieldCommand(int field);
const wchar_t* StatusFieldHint(int field, bool polish);
// The primary name, followed by "+" when a secondary one follows a CR.
String ShortDictionaryName(const String& selection);
// The background of the encoding field: face mixed 40 in 100 with the
// encoding's colour; face itself for ids outside 1..7.
COLORREF EncodingFieldColor(int32 encoding, COLORREF face);
const wchar_t* StatusPromptText(bool polish);
// The room a text takes in the bar with the font selected into dc: its
// measured width plus what its last glyph may ink past its advance; size gets
// the measured extent when given.
int StatusTextRoom(HDC dc, const wchar_t* text, int n, SIZE* size = nullptr);
// Draws a text as the bar does, at its measured advances, with the dc's
// font, colour and background mode.
void DrawBarText(HDC dc, int x, int y, const wchar_t* text, int n);
// Line, column and code of the caret of a view state (0, 0 and the first
// character without one); hasText from the document.
void ReadCaretState(TextDocument* document, ViewState* state, StatusState& s);

class Statusbar : public Control {
public:
    enum : uint32_t { BarId = 12500 };

    Statusbar();
    ~Statusbar() override;

    using GuiBase::Update;

    void Measure(SizeLimits& limits) override;
    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnMouseLeave(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;
    const wchar_t* HintAt(POINT screenPoint) override;

    // Everything from the document (null: the prompt) and the view's caret.
    void Update(TextDocument* document, TextView* view);
    // Line, column and code only. The state changes at once; the bar is
    // drawn a timer tick later (nothing when the fields stay the same), so
    // a typed character reaches the screen before the bar's own paint:
    // under Wine a window's drawing is shown only once its thread has
    // nothing left to do.
    void UpdateCaret(TextDocument* document, TextView* view);
    // Shows a state as it is; Update and UpdateCaret end here.
    void SetState(const StatusState& next);

    bool ShowsSizeGrip();
    // Draws the whole bar into dc over the client rectangle.
    void PaintInto(DeviceContext& dc, const RECT& client);
    // Field 1-7 whose stored edge is at or right of x; 0 when none.
    int FieldAtX(int x) const;

    StatusState state;
    int32 dpi = 0;
    int32 gripWidth = 0;
    int32 edges[StatusFieldCount] = {};
    int32 hovered = 0;
    int32 pressed = 0;
    // A caret update waits for the repaint timer.
    bool repaintDue = false;

    enum : UINT_PTR { RepaintTimer = 1 };

private:
    void TrackHover(int x, int y);
    void SetHover(int field);
    void DrawLabel(DeviceContext& dc, int& x, const RECT& area, const wchar_t* text, COLORREF back);
    void DrawValue(DeviceContext& dc, int& x, int right, const RECT& area, const String& text, COLORREF back);
    void DrawSeparator(DeviceContext& dc, int& x, const RECT& area);
};

Statusbar* NewStatusbar(ControlGroup* parent);
