#pragma once

#include "base/Types.h"

// Every failure travels as an Error value thrown by value. The derived classes
// add nothing but their identity (and their code).
struct Error {
    int32 code = 0;
    int32 subcode = -1;
    wchar_t* message = nullptr;  // owned, NUL-terminated, or null

    Error() = default;
    Error(int32 code, int32 subcode, const wchar_t* text = nullptr);
    Error(const Error& other);
    Error(Error&& other) noexcept;
    Error& operator=(const Error& other);
    Error& operator=(Error&& other) noexcept;
    ~Error();
};

// Replaces the message with a copy of text (null frees it).
void SetErrorMessage(Error& error, const wchar_t* text);

struct IndexError : Error {
    IndexError() : Error(-2, -1) {}
};

struct InternalError : Error {
    InternalError() : Error(-3, -1) {}
};

struct EofError : Error {
    explicit EofError(const wchar_t* text = nullptr) : Error(-4, -1, text) {}
};

struct CheckFailed : Error {
    explicit CheckFailed(const wchar_t* checkName) : Error(-7, -1, checkName) {}
};

struct MemoryError : Error {
    MemoryError() : Error(8, -1) {}
};

struct WinError : Error {
    explicit WinError(unsigned long code, const wchar_t* subject = nullptr)
        : Error(static_cast<int32>(code), -1, subject) {}
};

struct Abort : Error {
    Abort() : Error(-100, -1) {}
};

struct NoTextError : Error {
    NoTextError() : Error(-101, -1) {}
};

struct TooManyTextsError : Error {
    TooManyTextsError() : Error(-102, -1) {}
};

struct TextSizeLimitError : Error {
    TextSizeLimitError() : Error(-110, -1) {}
};

struct InvalidTextFormatError : Error {
    InvalidTextFormatError() : Error(-111, -1) {}
};

struct TooManyBookmarksError : Error {
    TooManyBookmarksError() : Error(-112, -1) {}
};

struct SpellDictEncodingError : Error {
    SpellDictEncodingError() : Error(-400, -1) {}
};

struct BadRegExpError : Error {
    explicit BadRegExpError(int32 kind, const wchar_t* text = nullptr) : Error(-5000, kind, text) {}
};

// Not an Error: thrown and caught inside the dictionary installation only.
struct NoDictsInZipError {};

// Code stored (never thrown) by the text encoder for an unrepresentable character.
constexpr int32 kUnrepresentableCharCode = -113;

// Throws the error for a failed Win32 call: MemoryError for codes 8 and 14,
// otherwise WinError with the code and the subject's name.
[[noreturn]] void ThrowWinError(unsigned long code, const wchar_t* subject = nullptr);
// The same for GetLastError().
[[noreturn]] void ThrowLastError(const wchar_t* subject = nullptr);

// Checked narrowing to signed 32 bits; throws CheckFailed naming the check.
int32 AsInt(long long value);
int32 AsInt(unsigned long long value);
int32 AsInt(unsigned long value);
int32 AsInt(unsigned int value);
inline int32 AsInt(int value) { return value; }
inline int32 AsInt(long value) { return AsInt(static_cast<long long>(value)); }

// Zero-filled heap blocks, released with free().
void* AllocZeroed(size_t n);
void* AllocZeroedOrNull(size_t n);
