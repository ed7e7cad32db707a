#include "support/PortableMode.h"

#include "base/Error.h"

#include <cwchar>

PortableDataFolder::PortableDataFolder(const std::string& settings)
{
    mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\ScrivelTestPortableDataFolder");
    if (!mutex_)
        ThrowLastError(L"CreateMutexW");
    // An abandoned mutex is ours as well; its folder is cleared below.
    WaitForSingleObject(mutex_, INFINITE);
    try {
        wchar_t program[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            ThrowLastError(L"GetModuleFileNameW");
        wchar_t* cut = wcsrchr(program, L'\\');
        if (!cut)
            throw InternalError();
        cut[1] = 0;
        path_.ConcatList({program, L"Scrivel Data\\"});
        RemoveTree(path_.CStr());
        if (!CreateDirectoryW(path_.CStr(), nullptr))
            ThrowLastError(path_.CStr());
        WriteFileBytes(*this / L"appsettings.dat", settings);
    } catch (...) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        throw;
    }
}

PortableDataFolder::~PortableDataFolder()
{
    RemoveTree(path_.CStr());
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}
