#pragma once

// Functions of system libraries that most runs never call (the common
// dialogs, WinINet). Importing them would load each library, and those it
// needs, at every start; here the library is loaded from the system folder
// with the first call and stays loaded.

#include <windows.h>

// The function's address, or null (GetLastError tells why) when the library
// or the function is missing.
void* SystemFunctionAddress(const wchar_t* library, const char* name);

template <class Fn> Fn SystemFunction(const wchar_t* library, const char* name)
{
    // Through a plain function pointer, which converts to any other.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemFunctionAddress(library, name)));
}

// The same; a missing one throws WinError naming it.
void* RequiredSystemFunctionAddress(const wchar_t* library, const char* name);

template <class Fn> Fn RequiredSystemFunction(const wchar_t* library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(RequiredSystemFunctionAddress(library, name)));
}
