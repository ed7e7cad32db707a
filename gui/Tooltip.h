#pragma once

// The hint balloon of a form. It polls: every 100 ms it looks at the cursor,
// and once the cursor has rested on a control with a hint for about a second
// it asks the owner for the text and shows it beside the cursor, with an
// arrow in the corner nearest to it.

#include "gui/Form.h"

// Where the tooltip reads the cursor; tests give their own.
struct TooltipCalls {
    BOOL (*getCursorPos)(POINT* point);
};
// Null puts back the system's.
void SetTooltipCalls(const TooltipCalls* calls);

// Set by the application to switch every tooltip off.
extern uint8_t TooltipsOff;

enum : UINT_PTR { kTooltipTimer = 101 };

// The balloon's accent strip and border for the scheme's text and paper.
void TooltipColors(COLORREF text, COLORREF paper, COLORREF& accent, COLORREF& border);

class Tooltip : public Form {
public:
    Tooltip();
    ~Tooltip() override;

    // Measures, places at trackPoint and shows tipText.
    virtual void ShowAt();
    // The window rectangle for tipText at trackPoint; sets arrowLeft and below.
    virtual RECT Placement();
    // How far the cursor may move and still count as resting.
    virtual int StillDistance();
    // Remembers where it was hidden, so it does not come back there.
    void Hide() override;

    void OnPaint(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;

    Form* tipOwner;
    String tipText;
    UINT_PTR timerId;
    // Ticks the cursor has rested at trackPoint.
    int32_t ticks;
    // The balloon lies right of the point (arrow strip at its left edge).
    uint8_t arrowLeft;
    // The balloon lies below the point (arrow points up).
    uint8_t below;
    POINT hiddenAt;
    POINT trackPoint;
    uint8_t tracking;
    uint8_t hiddenAtValid;

private:
    void Tick();
    void StopTracking();
    int Scaled(int value);
};

// Makes the tooltip of a form (hidden, its timer running).
Tooltip* NewTooltip(Form* owner);

// A program whose hints look different makes its own Tooltip objects (not
// yet created as windows); null puts back the plain one.
using TooltipMaker = Tooltip* (*)();
void SetTooltipMaker(TooltipMaker maker);
