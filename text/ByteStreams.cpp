#include "text/ByteStreams.h"

#include "base/Error.h"
#include "text/TextNotify.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

ByteLoader::~ByteLoader()
{
    free(ahead_);
}

int64 ByteLoader::Read(u8* buffer, int64 n)
{
    int64 count = 0;
    while (count < n) {
        if (aheadAt_ == aheadFill_) {
            if (n - count >= kReadAhead) {
                // A big request goes straight to the file.
                count += file_.Read(buffer + count, n - count);
                break;
            }
            if (!ahead_) {
                ahead_ = static_cast<u8*>(malloc(static_cast<size_t>(kReadAhead)));
                if (!ahead_)
                    throw MemoryError();
            }
            aheadAt_ = 0;
            aheadFill_ = file_.Read(ahead_, kReadAhead);
            if (aheadFill_ == 0)
                break;
        }
        int64 k = std::min(n - count, aheadFill_ - aheadAt_);
        memcpy(buffer + count, ahead_ + aheadAt_, static_cast<size_t>(k));
        aheadAt_ += k;
        count += k;
    }
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
