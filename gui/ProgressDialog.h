#pragma once

// The dialog of long operations run on the GUI thread: invisible for the
// first 801 ms, then two lines of text, a bar with percentage, an estimate of
// the remaining time and Cancel. Each Step lets pending messages run (at
// most every 50 ms) and answers whether Cancel was pressed. Made once by the
// main form and reused; its window and controls come with the first Start,
// so a run without long operations never builds them.

#include "gui/Dialog.h"

#include <vector>

class Button;
class Label;
class ProgressBar;

class ProgressDialog : public Dialog {
public:
    enum : uint32_t { DialogId = 20200, BarId = 150 };

    void Start(const wchar_t* title, const wchar_t* line1, const wchar_t* line2);
    void SetTotal(int64_t n);
    void SetBase(int64_t n);
    // True when the user cancelled.
    bool Step(int64_t position);
    void Finish();
    // The window and its controls, once.
    void Build();

    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    Label* line1 = nullptr;
    Label* line2 = nullptr;
    ProgressBar* bar = nullptr;
    Label* estimate = nullptr;
    Button* cancelButton = nullptr;
    String firstTitle;  // the title the window is made with
    uint8_t hidden = 1;
    // Tick counts wrap after 49.7 days: only unsigned differences are compared.
    uint32_t startTick = 0;
    uint32_t lastUpdateTick = 0;
    uint32_t lastEstimateTick = 0;
    uint8_t cancelled = 0;
    int64_t lastPosition = -1;
    // The value of 100 % for the estimate.
    int64_t total = 100;
    // Added to every reported position.
    int64_t base = 0;
    // Where the ticks come from: GetTickCount unless a test gives its own.
    DWORD(WINAPI* tickSource)() = GetTickCount;

    // An operation started while another runs (a save asked for by the end
    // of the session during a replace) nests: its Finish puts back what the
    // outer one showed instead of clearing and hiding it, and the owner
    // stays disabled until the outermost ends.
    // invariant: outer.size() == running - 1 while running >= 1.
    struct Outer {
        String title, line1, line2, estimate;
        int64_t total, base, lastPosition, barTotal, barPosition;
    };
    std::vector<Outer> outer;
    int running = 0;
};

// The dialog of owner, without its window yet.
ProgressDialog* NewProgressDialog(Form* owner, const wchar_t* title);

// The estimate line: remaining work (never negative) x 1.3 x seconds / done
// + 1, in minutes above 120 seconds. Exposed for the tests.
void FormatProgressEstimate(wchar_t* buffer, int n, int64_t total, int64_t done, uint32_t seconds);
