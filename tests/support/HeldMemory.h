#pragma once

#include "base/Types.h"

#include <windows.h>

#include <psapi.h>

// Memory this process holds: its private bytes where the system counts them.
// Wine reports none, but its working set is the Linux process's resident set
// (Z:\proc\self\status would be the wineserver's, which opens files for it).
inline int64 HeldBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return static_cast<int64>(counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.WorkingSetSize);
}
