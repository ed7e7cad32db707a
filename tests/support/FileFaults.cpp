#include "support/FileFaults.h"

#include <vector>

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

// A copy that runs out of room half-way: the target holds the first half.
BOOL HalfCopy(const wchar_t* from, const wchar_t* to)
{
    HANDLE in = CreateFileW(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return FALSE;
    HANDLE out = CreateFileW(to, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD size = GetFileSize(in, nullptr);
        std::vector<char> bytes(size / 2 + 1);
        DWORD got = 0, written = 0;
        if (ReadFile(in, bytes.data(), size / 2, &got, nullptr))
            WriteFile(out, bytes.data(), got, &written, nullptr);
        CloseHandle(out);
    }
    CloseHandle(in);
    g_faults++;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// A file that lost its second half since its size was taken: each read
// gives at most half of what is asked.
BOOL HalfRead(HANDLE h, void* bytes, DWORD n, DWORD* read)
{
    g_faults++;
    return ReadFile(h, bytes, n / 2, read, nullptr);
}

const FileSystemCalls kFaultyWrites{&FaultyWrite, nullptr, nullptr, nullptr};
const FileSystemCalls kRefusedTimes{nullptr, &RefusedTimes, nullptr, nullptr};
const FileSystemCalls kHalfCopies{nullptr, nullptr, &HalfCopy, nullptr};
const FileSystemCalls kHalfReads{nullptr, nullptr, nullptr, &HalfRead};

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

CopyFault::CopyFault()
{
    g_faults = 0;
    SetFileSystemCalls(&kHalfCopies);
}

CopyFault::~CopyFault()
{
    SetFileSystemCalls(nullptr);
}

ShortRead::ShortRead()
{
    g_faults = 0;
    SetFileSystemCalls(&kHalfReads);
}

ShortRead::~ShortRead()
{
    SetFileSystemCalls(nullptr);
}

int ShortRead::Reads()
{
    return g_faults;
}
