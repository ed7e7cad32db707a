#include "base/WindowHandle.h"

int64 WindowHandleNumber(HWND window)
{
    return static_cast<int64>(reinterpret_cast<intptr_t>(window));
}

HWND WindowHandleFromNumber(int64 value)
{
    int32 low = static_cast<int32>(static_cast<u32>(static_cast<u64>(value)));
    return reinterpret_cast<HWND>(static_cast<intptr_t>(low));
}
