#include "base/Error.h"
#include "base/Paths.h"

#include "support/TempFolder.h"

#include <doctest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Normalized(const wchar_t* path)
{
    PodArray<wchar_t> buffer;
    int64 n = static_cast<int64>(wcslen(path));
    buffer.InsertCopies(0, path, n + 1);
    NormalizePath(buffer);
    return buffer.Data();
}

std::wstring W(const String& s)
{
    return std::wstring(s.CStr(), static_cast<size_t>(s.Length()));
}

std::vector<std::wstring> Sorted(const Array<String>& names)
{
    std::vector<std::wstring> out;
    for (int64 i = 0; i < names.Count(); i++)
        out.push_back(W(names.At(i)));
    std::sort(out.begin(), out.end());
    return out;
}

// Sets the current directory for one scope.
struct CurrentDirectory {
    std::wstring saved;
    explicit CurrentDirectory(const wchar_t* to)
    {
        wchar_t buf[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, buf);
        saved = buf;
        REQUIRE(SetCurrentDirectoryW(to));
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(saved.c_str()); }
};

}  // namespace

TEST_CASE("normalising collapses separators and dot segments without climbing above the root")
{
    CHECK(Normalized(L"D:/a//b/./c/../d") == L"D:\\a\\b\\d");
    CHECK(Normalized(L"D:\\a\\..\\..\\b") == L"D:\\b");
    CHECK(Normalized(L"D:\\..\\x") == L"D:\\..\\x");
    CHECK(Normalized(L"\\\\?\\UNC\\server\\share\\..\\x") == L"\\\\?\\UNC\\server\\x");
    CHECK(Normalized(L"\\\\?\\unc\\server\\share\\..\\..\\..\\x") == L"\\\\?\\unc\\x");
    CHECK(Normalized(L"\\\\?\\D:\\a\\..\\b") == L"\\\\?\\D:\\b");
    CHECK(Normalized(L"\\\\.\\D:\\a\\..\\..\\..\\b") == L"\\\\.\\b");
    CHECK(Normalized(L"\\\\server\\share\\..\\x") == L"\\\\server\\x");
    CHECK(Normalized(L"//server/share/./x") == L"\\\\server\\share\\x");
    CHECK(Normalized(L"a\\b\\..\\c") == L"a\\c");
    CHECK(Normalized(L"a\\.\\.\\b\\") == L"a\\b\\");
    CHECK(Normalized(L"a\\..") == L"a\\..");
    CHECK(Normalized(L"") == L"");
    PodArray<wchar_t> none;
    NormalizePath(none);
    CHECK(none.Count() == 0);
}

TEST_CASE("joining appends directly and returns absolute parts unchanged")
{
    CHECK(W(JoinPath(L"D:\\dir\\", L"sub\\file.txt")) == L"D:\\dir\\sub\\file.txt");
    CHECK(W(JoinPath(L"D:\\dir", L"file.txt")) == L"D:\\dirfile.txt");
    CHECK(W(JoinPath(L"D:\\dir\\", L"..\\up/x")) == L"D:\\up\\x");
    CHECK(W(JoinPath(L"D:\\dir\\", L"D:\\x")) == L"D:\\x");
    CHECK(W(JoinPath(L"D:\\dir\\", L"D:/a/../x")) == L"D:/a/../x");
    CHECK(W(JoinPath(L"D:\\dir\\", L"\\\\srv\\s")) == L"\\\\srv\\s");
    CHECK(W(JoinPath(L"D:\\dir\\", L"//srv/s")) == L"//srv/s");
    CHECK(W(JoinPath(L"D:\\dir\\", L"")) == L"D:\\dir\\");
    CHECK(W(JoinPath(nullptr, L"a/b")) == L"a\\b");
    CHECK(W(JoinPath(L"D:\\dir\\", nullptr)) == L"D:\\dir\\");
}

TEST_CASE("splitting into folder and file name")
{
    CHECK(W(FileNamePart(String(L"D:\\dir\\"))).empty());
    CHECK(W(FileNamePart(String(L"name.txt"))) == L"name.txt");
    CHECK(W(FileNamePart(String(L"D:name"))) == L"name");
    CHECK(W(FileNamePart(String(L"a/b\\c:d/e"))) == L"e");
    CHECK(W(FileNamePart(L"D:\\dir\\file.txt")) == L"file.txt");
    CHECK(W(FileNamePart(L"D:\\dir\\")).empty());
    CHECK(FileNamePart(static_cast<const wchar_t*>(nullptr)).Length() == 0);

    CHECK(DirectoryPart(String(L"name.txt")).Length() == 0);
    CHECK(W(DirectoryPart(String(L"D:\\dir\\name.txt"))) == L"D:\\dir\\");
    CHECK(W(DirectoryPart(String(L"D:name"))) == L"D:");
    CHECK(W(DirectoryPart(L"x/y/z")) == L"x/y/");
    CHECK(DirectoryPart(L"plain").Length() == 0);
    CHECK(DirectoryPart(static_cast<const wchar_t*>(nullptr)).Length() == 0);

    // A path without separator is handed on as the very block.
    String whole(L"whole.txt");
    CHECK(FileNamePart(whole).SameBlock(whole));
    String folder(L"C:\\f\\");
    CHECK(DirectoryPart(folder).SameBlock(folder));
}

TEST_CASE("a trailing backslash is added only when missing")
{
    CHECK(W(EnsureTrailingBackslash(String(L"C:\\a"))) == L"C:\\a\\");
    CHECK(W(EnsureTrailingBackslash(String(L"C:\\a/"))) == L"C:\\a/");
    CHECK(W(EnsureTrailingBackslash(String())) == L"\\");
    String done(L"C:\\a\\");
    CHECK(EnsureTrailingBackslash(done).SameBlock(done));
}

TEST_CASE("suffix tests ignore the case of A to Z only")
{
    CHECK(EndsWithNoCase(L"FILE.TXT", L".txt"));
    CHECK(EndsWithNoCase(L"file.txt", L".TXT"));
    CHECK_FALSE(EndsWithNoCase(L"file.txt", L".tx"));
    CHECK(EndsWithNoCase(L"x", L""));
    CHECK(EndsWithNoCase(L"x", nullptr));
    CHECK(EndsWithNoCase(nullptr, nullptr));
    CHECK_FALSE(EndsWithNoCase(L"txt", L".txt"));
    CHECK_FALSE(EndsWithNoCase(nullptr, L"a"));
    CHECK(EndsWithNoCase(L".txt", L".txt"));
    // Letters beyond ASCII must match exactly.
    CHECK_FALSE(EndsWithNoCase(L"\x00C9T\x00C9", L"\x00E9t\x00E9"));
    CHECK(EndsWithNoCase(L"\x00E9T\x00E9", L"\x00E9t\x00E9"));
}

TEST_CASE("the current folder ends with a backslash and anchors relative names")
{
    TempFolder temp;
    CurrentDirectory cd(temp.Path().CStr());
    String current = GetCurrentFolder();
    REQUIRE(current.Length() > 0);
    CHECK(current.CStr()[current.Length() - 1] == L'\\');
    CHECK(W(current).size() == W(temp.Path()).size());

    CHECK(W(AbsolutePath(L"a\\..\\b.txt")) == W(current) + L"b.txt");
    CHECK(W(AbsolutePath(L"C:\\x\\..\\y")) == L"C:\\x\\..\\y");
    CHECK(W(AbsolutePath(L"\\\\server\\share")) == L"\\\\server\\share");

    {
        CurrentDirectory root(L"C:\\");
        CHECK(W(GetCurrentFolder()) == L"C:\\");
    }
}

TEST_CASE("root-relative and drive-relative names resolve as the system resolves them")
{
    TempFolder temp;
    CreateDirectoryW((temp / L"sub").CStr(), nullptr);
    CurrentDirectory cd((temp / L"sub").CStr());
    String current = GetCurrentFolder();
    REQUIRE(current.Length() >= 3);
    std::wstring drive = W(current).substr(0, 2);

    // "\x" is the root of the current drive, not a folder below the current one.
    CHECK(W(AbsolutePath(L"\\x.txt")) == drive + L"\\x.txt");
    CHECK(W(AbsolutePath(L"\\a/../x.txt")) == drive + L"\\x.txt");
    // Wine takes a name starting with "/" for a Unix path; whatever the system says holds.
    wchar_t system[MAX_PATH];
    REQUIRE(GetFullPathNameW(L"/a/../x.txt", MAX_PATH, system, nullptr) > 0);
    CHECK(W(AbsolutePath(L"/a/../x.txt")) == system);
    // "C:x" on the current drive is relative to the current folder.
    CHECK(W(AbsolutePath((drive + L"x.txt").c_str())) == W(current) + L"x.txt");
    CHECK(W(AbsolutePath((drive + L"..\\y.txt").c_str())) == W(temp.Path()) + L"y.txt");

    // Another drive's name keeps its drive.
    wchar_t other = drive[0] == L'Z' || drive[0] == L'z' ? L'Y' : L'Z';
    std::wstring otherName = std::wstring(1, other) + L":name.txt";
    wchar_t expect[MAX_PATH];
    REQUIRE(GetFullPathNameW(otherName.c_str(), MAX_PATH, expect, nullptr) > 0);
    CHECK(W(AbsolutePath(otherName.c_str())) == expect);
    CHECK(W(AbsolutePath(otherName.c_str())).substr(0, 3) == std::wstring(1, other) + L":\\");
}

TEST_CASE("listing a folder gives names without dot entries, non-ASCII names intact")
{
    TempFolder temp;
    const wchar_t* names[] = {L"plain.txt", L"\x017C\x00F3\x0142w.txt", L"\x65E5\x672C.aff", L"\xD83D\xDE00.txt"};
    for (const wchar_t* n : names)
        WriteFileBytes(temp / n, "x");
    CreateDirectoryW((temp / L"folder.txt").CStr(), nullptr);

    std::vector<std::wstring> all = Sorted(ListDirectory(temp.Path().CStr(), L"*"));
    std::vector<std::wstring> expect(std::begin(names), std::end(names));
    expect.push_back(L"folder.txt");
    std::sort(expect.begin(), expect.end());
    CHECK(all == expect);

    std::vector<std::wstring> aff = Sorted(ListDirectory(temp.Path().CStr(), L"*.aff"));
    CHECK(aff == std::vector<std::wstring>{L"\x65E5\x672C.aff"});

    CHECK(ListDirectory(temp.Path().CStr(), L"*.none").Count() == 0);
    CHECK(ListDirectory((temp / L"missing\\").CStr(), L"*").Count() == 0);
    // The pattern follows the folder directly.
    CHECK(ListDirectory((temp / L"plain").CStr(), L".txt").Count() == 1);
}

TEST_CASE("a file's last-write time by name; failures name the file")
{
    TempFolder temp;
    String name = temp / L"\x00E9t\x00E9.txt";
    WriteFileBytes(name, "x");
    FILETIME set{0x9ABCDEF0u, 0x01D12345u};
    SetFileWriteTime(name, set);

    FILETIME t = GetFileWriteTime(name.CStr());
    CHECK(t.dwLowDateTime == set.dwLowDateTime);
    CHECK(t.dwHighDateTime == set.dwHighDateTime);
    // The handle was closed: the file can be deleted at once.
    CHECK(DeleteFileW(name.CStr()));

    int32 code = 0;
    String message;
    try {
        GetFileWriteTime(name.CStr());
    } catch (const Error& e) {
        code = e.code;
        message = String(e.message);
    }
    CHECK(code == 2);
    CHECK(message.Equals(name));

    code = 0;
    try {
        GetFileWriteTime(nullptr);
    } catch (const Error& e) {
        code = e.code;
    }
    CHECK(code == -3);
}
