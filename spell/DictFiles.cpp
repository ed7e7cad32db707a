#include "spell/DictFiles.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"

#include <windows.h>

namespace {

String InFolder(const String& folder, const String& name, const wchar_t* extension)
{
    String s;
    s.ConcatList({folder.CStr(), name.CStr(), extension});
    return s;
}

// The name without the part from its last ".".
String BaseName(const String& file)
{
    const wchar_t* s = file.CStr();
    for (int64 i = file.Length() - 1; i >= 0; i--)
        if (s[i] == L'.')
            return file.Substring(0, i);
    return file;
}

bool SameName(const String& a, const String& b)
{
    return EqualsNoCase(a.Data(), a.Length(), b.Data(), b.Length());
}

bool Holds(const Array<String>& list, const String& name)
{
    for (int64 i = 0; i < list.Count(); i++)
        if (SameName(list.At(i), name))
            return true;
    return false;
}

Array<String> BaseNames(const String& folder, const wchar_t* pattern)
{
    Array<String> files = ListDirectory(folder.CStr(), pattern);
    Array<String> names;
    names.Reset();
    for (int64 i = 0; i < files.Count(); i++)
        names.Insert(names.Count(), BaseName(files.At(i)));
    return names;
}

void WriteEmptyFile(const String& path)
{
    File file;
    file.Open(path, kFileCreate, 0);
    file.Flush();
    file.Close();
}

void DeleteOrThrow(const String& path)
{
    if (!DeleteFileW(path.CStr()))
        ThrowLastError(path.CStr());
}

// con, prn, aux, nul, com1-com9 and lpt1-lpt9 (also with the superscript
// digits U+00B9, U+00B2, U+00B3), conin$ and conout$, in any case, name
// devices, not files, also with an extension or trailing blanks: "nul.aff"
// opens the null device and "conin$.dic" the console's input, which cannot be
// written.
bool IsDeviceName(const String& name)
{
    int64 n = name.Length();
    const wchar_t* s = name.Data();
    for (int64 i = 0; i < n; i++)
        if (s[i] == L'.') {
            n = i;
            break;
        }
    while (n > 0 && s[n - 1] == L' ')
        n--;
    // The first characters are word, ignoring ASCII case.
    auto starts = [&](const wchar_t* word) {
        int64 i = 0;
        for (; word[i]; i++)
            if (i >= n || (s[i] >= L'A' && s[i] <= L'Z' ? s[i] + 32 : s[i]) != word[i])
                return false;
        return true;
    };
    auto is = [&](const wchar_t* word) { return static_cast<int64>(wcslen(word)) == n && starts(word); };
    if (n == 4 && ((s[3] >= L'1' && s[3] <= L'9') || s[3] == 0xB9 || s[3] == 0xB2 || s[3] == 0xB3))
        return starts(L"com") || starts(L"lpt");
    return is(L"con") || is(L"prn") || is(L"aux") || is(L"nul") || is(L"conin$") || is(L"conout$");
}

}  // namespace

Array<String> ListAvailableDictionaries(const DictFolders& folders)
{
    Array<String> names;
    names.Reset();
    Array<String> user = BaseNames(folders.user, L"*.aff");
    for (int64 i = 0; i < user.Count(); i++)
        if (!Holds(names, user.At(i)))
            names.Insert(names.Count(), user.At(i));
    Array<String> markers = ListDirectory(folders.user.CStr(), L"*.del");
    Array<String> shipped = BaseNames(folders.shipped, L"*.aff");
    for (int64 i = 0; i < shipped.Count(); i++) {
        const String& name = shipped.At(i);
        String marker;
        marker.ConcatList({name.CStr(), L".del"});
        if (!Holds(markers, marker) && !Holds(names, name))
            names.Insert(names.Count(), name);
    }
    return names;
}

bool IsUserDictionary(const DictFolders& folders, const String& name)
{
    return Holds(BaseNames(folders.user, L"*.aff"), name);
}

bool IsBadDictName(const String& name)
{
    if (name.IsEmpty() || name.Data()[0] <= L'-')
        return true;
    for (int64 i = 0; i < name.Length(); i++) {
        wchar_t c = name.Data()[i];
        if (c == L'/' || c == L'\\' || c == L':' || c == L'<' || c == L'>' || c == L'~' || c == L'.')
            return true;
    }
    return IsDeviceName(name);
}

void RemoveDictionary(const DictFolders& folders, const String& name)
{
    CreateDirectoryW(folders.user.CStr(), nullptr);
    if (IsUserDictionary(folders, name)) {
        DeleteOrThrow(InFolder(folders.user, name, L".aff"));
        DeleteOrThrow(InFolder(folders.user, name, L".dic"));
    } else {
        WriteEmptyFile(InFolder(folders.user, name, L".del"));
    }
}

void RenameDictionary(const DictFolders& folders, const String& oldName, const String& newName)
{
    CreateDirectoryW(folders.user.CStr(), nullptr);
    String newDic = InFolder(folders.user, newName, L".dic");
    String newAff = InFolder(folders.user, newName, L".aff");
    if (IsUserDictionary(folders, oldName)) {
        String oldDic = InFolder(folders.user, oldName, L".dic");
        if (!MoveFileW(oldDic.CStr(), newDic.CStr()))
            ThrowLastError(newDic.CStr());
        if (!MoveFileW(InFolder(folders.user, oldName, L".aff").CStr(), newAff.CStr())) {
            DWORD error = GetLastError();
            MoveFileW(newDic.CStr(), oldDic.CStr());
            ThrowWinError(error, newAff.CStr());
        }
        return;
    }
    if (!CopyFileW(InFolder(folders.shipped, oldName, L".dic").CStr(), newDic.CStr(), TRUE))
        ThrowLastError(newDic.CStr());
    if (!CopyFileW(InFolder(folders.shipped, oldName, L".aff").CStr(), newAff.CStr(), TRUE)) {
        DWORD error = GetLastError();
        // A lone .dic is no dictionary and would block the next attempt.
        DeleteFileW(newDic.CStr());
        ThrowWinError(error, newAff.CStr());
    }
    WriteEmptyFile(InFolder(folders.user, oldName, L".del"));
}
