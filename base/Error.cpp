#include "base/Error.h"

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <cwchar>

Error::Error(int32 code, int32 subcode, const wchar_t* text) : code(code), subcode(subcode)
{
    if (text)
        SetErrorMessage(*this, text);
}

Error::Error(const Error& other) : code(other.code), subcode(other.subcode)
{
    SetErrorMessage(*this, other.message);
}

Error::Error(Error&& other) noexcept : code(other.code), subcode(other.subcode), message(other.message)
{
    other.message = nullptr;
}

Error& Error::operator=(const Error& other)
{
    if (this != &other) {
        SetErrorMessage(*this, other.message);
        code = other.code;
        subcode = other.subcode;
    }
    return *this;
}

Error& Error::operator=(Error&& other) noexcept
{
    if (this != &other) {
        free(message);
        code = other.code;
        subcode = other.subcode;
        message = other.message;
        other.message = nullptr;
    }
    return *this;
}

Error::~Error()
{
    free(message);
    message = nullptr;
}

void SetErrorMessage(Error& error, const wchar_t* text)
{
    if (!text) {
        free(error.message);
        error.message = nullptr;
        return;
    }
    size_t n = wcslen(text);
    auto copy = static_cast<wchar_t*>(AllocZeroed((n + 1) * sizeof(wchar_t)));
    wmemcpy(copy, text, n);
    free(error.message);
    error.message = copy;
}

void ThrowWinError(unsigned long code, const wchar_t* subject)
{
    if (code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY)
        throw MemoryError();
    throw WinError(code, subject);
}

void ThrowLastError(const wchar_t* subject)
{
    ThrowWinError(GetLastError(), subject);
}

int32 AsInt(long long value)
{
    if (value < INT32_MIN || value > INT32_MAX)
        throw CheckFailed(L"AsInt(int64)");
    return static_cast<int32>(value);
}

int32 AsInt(unsigned long long value)
{
    if (value > static_cast<unsigned long long>(INT32_MAX))
        throw CheckFailed(L"AsInt(size_t)");
    return static_cast<int32>(value);
}

int32 AsInt(unsigned int value)
{
    // size_t on 32-bit targets.
    return AsInt(static_cast<unsigned long long>(value));
}

int32 AsInt(unsigned long value)
{
    if (value > static_cast<unsigned long>(INT32_MAX))
        throw CheckFailed(L"AsInt(unsigned long)");
    return static_cast<int32>(value);
}

void* AllocZeroed(size_t n)
{
    void* p = AllocZeroedOrNull(n);
    if (!p)
        throw MemoryError();
    return p;
}

void* AllocZeroedOrNull(size_t n)
{
    return calloc(n ? n : 1, 1);
}
