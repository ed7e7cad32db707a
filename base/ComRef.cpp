#include "base/ComRef.h"

#include <windows.h>

#include <objbase.h>

void CoTaskMemPtr::Reset() noexcept
{
    if (p_)
        CoTaskMemFree(p_);
    p_ = nullptr;
}
