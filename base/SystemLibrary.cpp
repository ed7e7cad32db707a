#include "base/SystemLibrary.h"

#include "base/Error.h"

#include <cwchar>

void* SystemFunctionAddress(const wchar_t* library, const char* name)
{
    // Never a library of that name beside the program.
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

void* RequiredSystemFunctionAddress(const wchar_t* library, const char* name)
{
    void* address = SystemFunctionAddress(library, name);
    if (address == nullptr) {
        DWORD code = GetLastError();
        wchar_t subject[96];
        swprintf(subject, 96, L"%hs", name);
        ThrowWinError(code, subject);
    }
    return address;
}
