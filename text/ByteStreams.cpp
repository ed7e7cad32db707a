#include "text/ByteStreams.h"

#include "base/Error.h"
#include "text/TextNotify.h"

#include <windows.h>

int64 ByteLoader::Read(u8* buffer, int64 n)
{
    int64 count = file_.Read(buffer, n);
    total_ += count;
    if (notify_)
        notify_->Progress(total_);
    return count;
}

void ByteSaver::Write(const u8* bytes, int64 n)
{
    if (!file_.IsUsable())
        throw InternalError();
    if (n > 0)
        file_.Write(bytes, n);
    total_ += n;
    if (notify_)
        notify_->Progress(total_);
}

namespace {

int64 g_memoryOverride = 0;

int64 MeasurePhysicalMemory()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status))
        return static_cast<int64>(status.ullTotalPhys);
    MEMORYSTATUS old = {};
    old.dwLength = sizeof(old);
    GlobalMemoryStatus(&old);
    return static_cast<int64>(old.dwTotalPhys);
}

}  // namespace

int64 PhysicalMemorySize()
{
    if (g_memoryOverride > 0)
        return g_memoryOverride;
    static const int64 size = MeasurePhysicalMemory();
    return size;
}

void OverridePhysicalMemorySize(int64 bytes)
{
    g_memoryOverride = bytes;
}

DWORD DeleteFileIfExists(const String& path)
{
    if (DeleteFileW(path.CStr()))
        return 0;
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 0 : error;
}
