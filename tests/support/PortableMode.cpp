#include "support/PortableMode.h"

#include "base/Error.h"

#include <cwchar>

namespace {

// The lock every test program takes before it makes or expects the absence
// of the portable folder.
HANDLE LockPortableFolder()
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\ScrivelTestPortableDataFolder");
    if (!mutex)
        ThrowLastError(L"CreateMutexW");
    // An abandoned mutex is ours as well; its folder is cleared by the caller.
    WaitForSingleObject(mutex, INFINITE);
    return mutex;
}

void UnlockPortableFolder(HANDLE mutex)
{
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

String PortableFolderPath()
{
    wchar_t program[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        ThrowLastError(L"GetModuleFileNameW");
    wchar_t* cut = wcsrchr(program, L'\\');
    if (!cut)
        throw InternalError();
    cut[1] = 0;
    String path;
    path.ConcatList({program, L"Scrivel Data\\"});
    return path;
}

}  // namespace

PortableDataFolder::PortableDataFolder(const std::string& settings)
{
    mutex_ = LockPortableFolder();
    try {
        path_ = PortableFolderPath();
        RemoveTree(path_.CStr());
        if (!CreateDirectoryW(path_.CStr(), nullptr))
            ThrowLastError(path_.CStr());
        WriteFileBytes(*this / L"appsettings.dat", settings);
    } catch (...) {
        UnlockPortableFolder(mutex_);
        throw;
    }
}

PortableDataFolder::~PortableDataFolder()
{
    RemoveTree(path_.CStr());
    UnlockPortableFolder(mutex_);
}

NoPortableDataFolder::NoPortableDataFolder()
{
    mutex_ = LockPortableFolder();
    try {
        RemoveTree(PortableFolderPath().CStr());
    } catch (...) {
        UnlockPortableFolder(mutex_);
        throw;
    }
}

NoPortableDataFolder::~NoPortableDataFolder()
{
    UnlockPortableFolder(mutex_);
}
