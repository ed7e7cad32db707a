#include "base/Paths.h"

#include "base/Error.h"

#include <cwchar>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/' || c == L':';
}

bool IsSlash(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

int64 Measure(const wchar_t* text)
{
    return text ? static_cast<int64>(wcslen(text)) : 0;
}

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix)
{
    for (; *prefix; text++, prefix++)
        if (FoldAscii(*text) != FoldAscii(*prefix))
            return false;
    return true;
}

// Index of the last separator, or -1.
int64 LastSeparator(const wchar_t* text, int64 length)
{
    for (int64 i = length - 1; i >= 0; i--)
        if (IsSeparator(text[i]))
            return i;
    return -1;
}

// Where "\.." may climb to at most: the index of the root's "\" or 0.
int64 RootOf(const wchar_t* p)
{
    if (StartsWithNoCase(p, L"\\\\?\\UNC\\"))
        return 7;
    if (StartsWithNoCase(p, L"\\\\?\\") || StartsWithNoCase(p, L"\\\\.\\"))
        return 3;
    if (IsAsciiLetter(p[0]) && p[1] == L':')
        return p[2] == L'\\' ? 2 : 0;
    return 0;
}

bool IsRootRelative(const wchar_t* name)
{
    return IsSlash(name[0]);
}

bool IsDriveRelative(const wchar_t* name)
{
    return IsAsciiLetter(name[0]) && name[1] == L':' && !IsSlash(name[2]);
}

String FullPathName(const wchar_t* name)
{
    String result;
    DWORD size = GetFullPathNameW(name, 0, nullptr, nullptr);
    for (;;) {
        if (size == 0)
            ThrowLastError(name);
        wchar_t* out = result.Allocate(size);
        DWORD got = GetFullPathNameW(name, size, out, nullptr);
        if (got == 0)
            ThrowLastError(name);
        if (got < size)
            return result.Substring(0, got);
        size = got;  // the current folder grew in between
    }
}

// "\\..." or "//...", or a drive letter with ":" and a separator.
bool IsAbsolutePath(const wchar_t* path)
{
    if (!path)
        return false;
    if (IsSlash(path[0]) && path[1] == path[0])
        return true;
    return IsAsciiLetter(path[0]) && path[1] == L':' && IsSlash(path[2]);
}

}  // namespace

bool EndsWithNoCase(const wchar_t* text, const wchar_t* suffix)
{
    int64 n = Measure(suffix);
    if (n == 0)
        return true;
    int64 length = Measure(text);
    if (length < n)
        return false;
    const wchar_t* tail = text + (length - n);
    for (int64 i = 0; i < n; i++)
        if (FoldAscii(tail[i]) != FoldAscii(suffix[i]))
            return false;
    return true;
}

String FileNamePart(String path)
{
    int64 cut = LastSeparator(path.Data(), path.Length());
    if (cut < 0)
        return path;
    return path.Substring(cut + 1, path.Length() - cut - 1);
}

String FileNamePart(const wchar_t* path)
{
    int64 length = Measure(path);
    int64 cut = LastSeparator(path, length);
    return String(path ? path + cut + 1 : L"", length - cut - 1);
}

String DirectoryPart(String path)
{
    int64 cut = LastSeparator(path.Data(), path.Length());
    if (cut + 1 == path.Length())
        return path;
    return path.Substring(0, cut + 1);
}

String DirectoryPart(const wchar_t* path)
{
    int64 cut = LastSeparator(path, Measure(path));
    return String(path ? path : L"", cut + 1);
}

String EnsureTrailingBackslash(String path)
{
    int64 length = path.Length();
    if (length > 0 && IsSlash(path.Data()[length - 1]))
        return path;
    path.Append(L"\\", 1);
    return path;
}

void NormalizePath(PodArray<wchar_t>& path)
{
    wchar_t* p = path.Data();
    if (!p)
        return;
    for (wchar_t* q = p; *q; q++)
        if (*q == L'/')
            *q = L'\\';

    int64 start = 0;
    if (p[0] == L'\\' && p[1] == L'\\')
        start = 2;
    else if (IsAsciiLetter(p[0]) && p[1] == L':' && p[2] == L'\\')
        start = 3;

    int64 r = start;
    int64 w = start;
    while (p[r]) {
        if (p[r] == L'\\' && p[r + 1] == L'\\') {
            r++;
        } else if (p[r] == L'\\' && p[r + 1] == L'.' && p[r + 2] == L'\\') {
            r += 2;
        } else if (p[r] == L'\\' && p[r + 1] == L'.' && p[r + 2] == L'.' && p[r + 3] == L'\\') {
            int64 root = RootOf(p);
            if (root < w) {
                w--;
                while (w > root && p[w] != L'\\')
                    w--;
            }
            r += 3;
        } else {
            p[w++] = p[r++];
        }
    }
    p[w] = 0;
}

String JoinPath(const wchar_t* base, const wchar_t* relative)
{
    if (IsAbsolutePath(relative))
        return String(relative);
    int64 baseLength = Measure(base);
    int64 relativeLength = Measure(relative);
    PodArray<wchar_t> buffer;
    buffer.Resize(baseLength + relativeLength + 1);
    wchar_t* p = buffer.Data();
    wmemcpy(p, base ? base : L"", static_cast<size_t>(baseLength));
    wmemcpy(p + baseLength, relative ? relative : L"", static_cast<size_t>(relativeLength));
    p[baseLength + relativeLength] = 0;
    NormalizePath(buffer);
    return String(buffer.Data());
}

String AbsolutePath(const wchar_t* name)
{
    if (IsAbsolutePath(name))
        return String(name);
    // "\x" belongs to the current drive's root and "C:x" to drive C's own
    // current folder; joining either to the current folder would land elsewhere.
    if (name && (IsRootRelative(name) || IsDriveRelative(name)))
        return FullPathName(name);
    String folder = GetCurrentFolder();
    return JoinPath(folder.CStr(), name);
}

String GetCurrentFolder()
{
    String folder;
    for (int tries = 0;; tries++) {
        DWORD size = GetCurrentDirectoryW(0, nullptr);
        if (size == 0)
            ThrowLastError();
        PodArray<wchar_t> buffer;
        buffer.Resize(int64(size) + 1);
        DWORD got = GetCurrentDirectoryW(size, buffer.Data());
        if (got == size - 1) {
            folder.Assign(buffer.Data(), got);
            break;
        }
        // The directory changed between the two calls.
        if (got == 0 || tries == 3)
            ThrowLastError();
    }
    return EnsureTrailingBackslash(folder);
}

Array<String> ListDirectory(const wchar_t* folder, const wchar_t* pattern)
{
    Array<String> names;
    names.Reset();
    String search;
    search.Concat(folder ? folder : L"", Measure(folder), pattern ? pattern : L"", Measure(pattern));
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(search.CStr(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    try {
        do {
            const wchar_t* name = found.cFileName;
            if (wcscmp(name, L".") != 0 && wcscmp(name, L"..") != 0)
                names.Append(name);
        } while (FindNextFileW(h, &found));
    } catch (...) {
        FindClose(h);
        throw;
    }
    FindClose(h);
    return names;
}

FILETIME GetFileWriteTime(const wchar_t* name)
{
    if (!name)
        throw InternalError();
    HANDLE h = CreateFileW(name, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(name);
    FILETIME written;
    BOOL ok = GetFileTime(h, nullptr, nullptr, &written);
    DWORD error = GetLastError();
    CloseHandle(h);
    if (!ok)
        ThrowWinError(error, name);
    return written;
}
