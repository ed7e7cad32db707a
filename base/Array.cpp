#include "base/Array.h"

#include <climits>

int64 GrowthCapacity(int64 newCount, size_t elementSize, int64 headerBytes, int64 divisor)
{
    const int64 s = static_cast<int64>(elementSize);
    // Keep every intermediate below what both int64 and size_t can hold.
    const int64 limit = static_cast<int64>(SIZE_MAX < static_cast<u64>(INT64_MAX) ? SIZE_MAX : INT64_MAX) / 2;
    if (newCount < 0 || newCount > (limit - headerBytes) / s)
        throw MemoryError();
    const int64 needed = newCount * s + headerBytes;
    int64 granularity = 16;
    const int64 q = needed / divisor;
    if (needed > 16 && q >= 16)
        while (granularity <= q)
            granularity *= 2;
    if (needed > limit - granularity)
        throw MemoryError();
    const int64 rounded = (needed + granularity - 1) / granularity * granularity;
    return (rounded - headerBytes) / s;
}
