#pragma once

// How the viewer reads its command line and where it puts its window.

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

struct ViewerArguments {
    bool testMode = false;
    bool hasCallerRect = false;  // "rect:" the caller's rectangle
    RECT callerRect{};
    bool hasOwnRect = false;     // "hrect:" the viewer's rectangle of last time
    RECT ownRect{};
    bool hasId = false;          // "id:" the first topic
    String id;
    HWND caller = nullptr;       // "hwnd:" the protocol partner
};

// Every argument is tried against every prefix (ignoring case, the argument
// longer than the prefix); a later one of a kind wins. "/test" counts only
// as the single argument.
ViewerArguments ReadViewerArguments(const Array<String>& arguments);

// Exactly four decimal numbers, each started by a digit or "-"; any other
// character separates them.
bool ParseFourIntegers(const wchar_t* text, int64 length, int32 values[4]);

// A signed decimal handle as the editor writes it (64-bit): its low 32 bits,
// sign-extended, since window handles are 32-bit values in every process.
HWND ParseWindowHandle(const wchar_t* text, int64 length);

// The square of side MulDiv(500, dpi, 96) beside the caller in the work area
// of its monitor: on the side with more room, the right one on ties.
RECT SquareBesideCaller(const RECT& caller, const RECT& work, int dpi);

// Moved into the work area, then cut at its right and bottom edges.
RECT FitIntoWorkArea(RECT rect, const RECT& work);

// The work area of the monitor nearest to rect.
RECT WorkAreaNear(const RECT& rect);

// The viewer's rectangle before fitting: "hrect:", else beside a known
// caller, else (10, 10)-(500, 500) scaled to dpi.
RECT ViewerRectangle(const ViewerArguments& arguments, bool callerKnown, const RECT& caller, int dpi);

class AppContext;

// Test mode: reads and parses the container at path. Markup errors are
// listed in the errors dialog (no owner) and give exit code 4, a clean
// container 0. A container that cannot be read leaves exit code 3 and its
// error passes on, so a check never passes on a missing or damaged file.
void CheckHelpContainer(const String& path, u32& exitCode);

// The viewer's run after the entry: test mode or the help window and its
// loop. Errors end in one alert; COM is initialised around it.
void RunViewer(AppContext& app);
