#pragma once

#include "base/File.h"

// Failures that the test machine cannot produce, injected into File's system
// calls for one scope. One at a time; not for threads.

// WriteFile writes at most `allowed` bytes of each call, or fails outright with
// `failWith` (when not 0). After `passAfter` failing calls (when not negative)
// writes go through again.
class WriteFault {
public:
    WriteFault(DWORD allowed, DWORD failWith, int passAfter = -1);
    ~WriteFault();
    WriteFault(const WriteFault&) = delete;
    WriteFault& operator=(const WriteFault&) = delete;

    // Calls that were cut short or failed.
    static int Faults();
};

// SetFileTime fails with access denied, as Windows does on a handle opened
// for reading only.
class TimesRefused {
public:
    TimesRefused();
    ~TimesRefused();
    TimesRefused(const TimesRefused&) = delete;
    TimesRefused& operator=(const TimesRefused&) = delete;

    static int Calls();
};

// CopyFileW stops half-way with a full disk, leaving half of the bytes in the
// target.
class CopyFault {
public:
    CopyFault();
    ~CopyFault();
    CopyFault(const CopyFault&) = delete;
    CopyFault& operator=(const CopyFault&) = delete;
};

// ReadFile gives at most half of what is asked, as from a file cut short
// after its size was taken.
class ShortRead {
public:
    ShortRead();
    ~ShortRead();
    ShortRead(const ShortRead&) = delete;
    ShortRead& operator=(const ShortRead&) = delete;

    static int Reads();
};
