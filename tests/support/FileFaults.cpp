#include "support/FileFaults.h"

namespace {

DWORD g_allowed = 0;
DWORD g_failWith = 0;
int g_passAfter = -1;
int g_faults = 0;
int g_timeCalls = 0;

BOOL FaultyWrite(HANDLE h, const void* bytes, DWORD n, DWORD* written)
{
    if (g_passAfter >= 0 && g_faults >= g_passAfter)
        return WriteFile(h, bytes, n, written, nullptr);
    g_faults++;
    if (g_failWith) {
        *written = 0;
        SetLastError(g_failWith);
        return FALSE;
    }
    return WriteFile(h, bytes, n < g_allowed ? n : g_allowed, written, nullptr);
}

BOOL RefusedTimes(HANDLE, const FILETIME*, const FILETIME*, const FILETIME*)
{
    g_timeCalls++;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

const FileSystemCalls kFaultyWrites{&FaultyWrite, nullptr};
const FileSystemCalls kRefusedTimes{nullptr, &RefusedTimes};

}  // namespace

WriteFault::WriteFault(DWORD allowed, DWORD failWith, int passAfter)
{
    g_allowed = allowed;
    g_failWith = failWith;
    g_passAfter = passAfter;
    g_faults = 0;
    SetFileSystemCalls(&kFaultyWrites);
}

WriteFault::~WriteFault()
{
    SetFileSystemCalls(nullptr);
}

int WriteFault::Faults()
{
    return g_faults;
}

TimesRefused::TimesRefused()
{
    g_timeCalls = 0;
    SetFileSystemCalls(&kRefusedTimes);
}

TimesRefused::~TimesRefused()
{
    SetFileSystemCalls(nullptr);
}

int TimesRefused::Calls()
{
    return g_timeCalls;
}
