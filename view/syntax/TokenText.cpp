#include "view/syntax/TokenText.h"

#include "base/Error.h"

#include <cstdlib>
#include <cstring>

TokenText::TokenText() : units_(nullptr), lengths_(nullptr), count_(0), capacity_(0)
{
    Grow(kInitialRoom);
}

TokenText::~TokenText()
{
    free(units_);
    free(lengths_);
}

void TokenText::AppendUnits(const wchar_t* units, int32 n)
{
    if (n <= 0)
        return;
    if (capacity_ - count_ < n)
        Grow(AsInt(static_cast<int64>(n) + 65536));
    memcpy(units_ + count_, units, static_cast<size_t>(n) * sizeof(wchar_t));
    memset(lengths_ + count_, 0, static_cast<size_t>(n));
    count_ += n;
}

void TokenText::Grow(int32 more)
{
    int32 capacity = AsInt(static_cast<int64>(capacity_) + more);
    auto units = static_cast<wchar_t*>(AllocZeroed(static_cast<size_t>(capacity) * sizeof(wchar_t)));
    auto lengths = static_cast<u8*>(AllocZeroedOrNull(static_cast<size_t>(capacity)));
    if (!lengths) {
        free(units);
        throw MemoryError();
    }
    if (count_ > 0) {
        memcpy(units, units_, static_cast<size_t>(count_) * sizeof(wchar_t));
        memcpy(lengths, lengths_, static_cast<size_t>(count_));
    }
    free(units_);
    free(lengths_);
    units_ = units;
    lengths_ = lengths;
    capacity_ = capacity;
}
