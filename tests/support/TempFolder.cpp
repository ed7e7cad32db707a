#include "support/TempFolder.h"

#include "base/Error.h"

#include <windows.h>

#include <cwchar>

TempFolder::TempFolder()
{
    wchar_t base[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH)
        ThrowLastError(L"GetTempPathW");
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; attempt++) {
        wchar_t name[MAX_PATH + 64];
        swprintf(name, MAX_PATH + 64, L"%lsscrivel-test-%lu-%lu-%u\\", base, GetCurrentProcessId(), GetTickCount(),
                 ++counter);
        if (CreateDirectoryW(name, nullptr)) {
            path_ = String(name);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            ThrowLastError(name);
    }
    throw InternalError();
}

TempFolder::~TempFolder()
{
    RemoveTree(path_.CStr());
}

String Concat(const String& folder, const wchar_t* name)
{
    String s(folder);
    s.Append(name, static_cast<int64>(wcslen(name)));
    return s;
}

void RemoveTree(const wchar_t* folder)
{
    std::wstring base(folder);
    if (!base.empty() && base.back() != L'\\')
        base += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((base + L"*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full.c_str());
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(base.c_str());
}

void WriteFileBytes(const String& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path.CStr());
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD error = GetLastError();
    CloseHandle(h);
    if (!ok || written != bytes.size())
        ThrowWinError(ok ? ERROR_WRITE_FAULT : error, path.CStr());
}

std::string ReadFileBytes(const String& path)
{
    HANDLE h = CreateFileW(path.CStr(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path.CStr());
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

bool PathExists(const String& path)
{
    return GetFileAttributesW(path.CStr()) != INVALID_FILE_ATTRIBUTES;
}

void SetFileWriteTime(const String& path, FILETIME time)
{
    HANDLE h = CreateFileW(path.CStr(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path.CStr());
    BOOL ok = SetFileTime(h, nullptr, nullptr, &time);
    DWORD error = GetLastError();
    CloseHandle(h);
    if (!ok)
        ThrowWinError(error, path.CStr());
}
