#pragma once

#include "base/Types.h"

// Progress and questions of a long text operation (loading, saving, search and
// replace). The caller implements it over its progress dialog.
class TextNotify {
public:
    // Shows a question or message during the operation; returns the index of
    // the chosen button (0 = first). buttons is an alert button list such as
    // "+Continue loading|-Cancel".
    virtual int32 Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                        int32 kind) = 0;
    // Total amount of work; also resets the base to 0.
    virtual void SetTotal(int64 total) = 0;
    // Offset added to every later Progress position.
    virtual void SetBase(int64 base) = 0;
    // Position reached; throws Abort when the user cancelled.
    virtual void Progress(int64 position) = 0;

protected:
    ~TextNotify() = default;
};
