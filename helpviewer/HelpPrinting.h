#pragma once

// Printing a help page: the device comes through a small interface (the
// system's printer dialogs, or a test's memory contexts), and the laid-out
// lines are put on sheets in order.

#include "base/Types.h"

#include <windows.h>

#include <vector>

// Page margins and paper size as the page set-up reports them.
struct PrintSetup {
    int32 left = 0, top = 0, right = 0, bottom = 0;
    int32 paperWidth = 0, paperHeight = 0;
    bool thousandthsOfInch = false;  // else hundredths of millimetres
    bool taken = false;
};

// One print job's device. Failures of the job's steps throw; Release runs
// after every job that chose a printer, also after an error.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // The default page set-up without a dialog; false when there is none.
    virtual bool DefaultSetup(HWND owner, PrintSetup& setup) = 0;
    // The printer from its dialog; false when cancelled.
    virtual bool ChoosePrinter(HWND owner) = 0;
    // The printer's resolution and a context to measure on.
    virtual int32 DotsPerInch(bool vertical) = 0;
    virtual HDC MeasureDc() = 0;
    virtual void StartDoc(const wchar_t* name) = 0;
    // The context to draw the sheet on.
    virtual HDC StartPage() = 0;
    virtual void EndPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Release() = 0;
};

// The system's dialogs (PageSetupDlgW, PrintDlgW) and printer context.
PrintDevice& SystemPrintDevice();

// The first line of each sheet. A sheet takes lines while the bottom of the
// next stays within available pixels of its first line's top; a sheet's
// first line is never moved on, so a line taller than a sheet is printed
// alone (cut) and no sheet stays blank.
std::vector<size_t> SheetStarts(const std::vector<int32>& tops, const std::vector<int32>& heights,
                                int32 available);

// A setup value in printer pixels for the device resolution.
int32 SetupToPixels(int32 value, int32 dotsPerInch, const PrintSetup& setup);
