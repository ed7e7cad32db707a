#pragma once

#include "base/String.h"
#include "spell/CorrectorDict.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <map>
#include <string>

// Debian's dictionaries as the test machine has them (hunspell-pl, hunspell-en-us).
inline String SystemDictFile(const wchar_t* name)
{
    return Concat(String(L"Z:\\usr\\share\\hunspell\\"), name);
}

// A user folder and a shipped folder under a temporary folder whose name
// holds Polish letters, as a user's profile may.
struct SpellFolders {
    TempFolder temp;
    DictFolders folders;

    explicit SpellFolders(const wchar_t* sub = L"Użytkownik Żółć\\")
    {
        String base = temp / sub;
        CreateDirectoryW(base.CStr(), nullptr);
        folders.user = Concat(base, L"spellcheck\\");
        folders.shipped = temp / L"Program Łódź\\spellcheck\\";
        CreateDirectoryW(folders.user.CStr(), nullptr);
        CreateDirectoryW((temp / L"Program Łódź\\").CStr(), nullptr);
        CreateDirectoryW(folders.shipped.CStr(), nullptr);
    }

    // Copies a Debian dictionary into a folder under another name.
    static void CopySystemDict(const String& folder, const wchar_t* system, const wchar_t* name)
    {
        for (const wchar_t* ext : {L".aff", L".dic"}) {
            std::wstring from = std::wstring(system) + ext;
            std::wstring to = std::wstring(name) + ext;
            if (!CopyFileW(SystemDictFile(from.c_str()).CStr(), Concat(folder, to.c_str()).CStr(), FALSE))
                throw Error(static_cast<int32>(GetLastError()), -1, from.c_str());
        }
    }

    // A small dictionary of the given .aff and .dic texts.
    static void WriteDict(const String& folder, const wchar_t* name, const std::string& aff, const std::string& dic)
    {
        WriteFileBytes(Concat(folder, (std::wstring(name) + L".aff").c_str()), aff);
        WriteFileBytes(Concat(folder, (std::wstring(name) + L".dic").c_str()), dic);
    }
};

// Every file under a folder with its bytes, by relative path.
inline void SnapshotTree(const std::wstring& folder, const std::wstring& prefix,
                         std::map<std::wstring, std::string>& out)
{
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name + L"\\"] = std::string();
            SnapshotTree(folder + name + L"\\", prefix + name + L"\\", out);
        } else {
            out[prefix + name] = ReadFileBytes(String((folder + name).c_str()));
        }
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

inline std::map<std::wstring, std::string> Snapshot(const String& folder)
{
    std::map<std::wstring, std::string> out;
    SnapshotTree(folder.CStr(), L"", out);
    return out;
}
