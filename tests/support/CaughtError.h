#pragma once

#include "base/Error.h"

#include <cwchar>

// Runs f and returns the Error it threw; code 0 with subcode 0 when none was thrown.
template <class F>
Error CaughtError(F f)
{
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, 0);
}

inline bool HasMessage(const Error& e, const wchar_t* text)
{
    return e.message && text && wcscmp(e.message, text) == 0;
}
