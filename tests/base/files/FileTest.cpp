#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"

#include "support/CaughtError.h"
#include "support/FileFaults.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

// Bytes whose value tells their offset, so misplaced reads show.
std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

std::string ReadAll(File& f, int64 chunk)
{
    std::string out;
    std::vector<char> buf(static_cast<size_t>(chunk));
    for (;;) {
        int64 got = f.Read(buf.data(), chunk);
        out.append(buf.data(), static_cast<size_t>(got));
        if (got < chunk)
            return out;
    }
}

}  // namespace

TEST_CASE("opening a missing file throws WinError 2 with its name and leaves no state")
{
    TempFolder temp;
    String name = temp / L"missing.txt";
    File f;
    Error e = CaughtError([&] { f.Open(name, kFileRead, -4); });
    CHECK(e.code == 2);
    CHECK(e.subcode == -1);
    REQUIRE(e.message);
    CHECK(name.Equals(e.message));
    CHECK(f.State() == nullptr);

    Error folder = CaughtError([&] { f.Open(temp / L"no folder\\x.txt", kFileRead, 0); });
    CHECK(folder.code == 3);
}

TEST_CASE("an unknown mode lets the system call fail and report")
{
    TempFolder temp;
    WriteFileBytes(temp / L"a.txt", "abc");
    File f;
    Error e = CaughtError([&] { f.Open(temp / L"a.txt", 9, 0); });
    CHECK(e.code > 0);
    CHECK(e.code != 8);
    CHECK(f.State() == nullptr);
}

TEST_CASE("buffer sizes: positive in bytes, negative in KiB, zero unbuffered")
{
    TempFolder temp;
    WriteFileBytes(temp / L"a.bin", Pattern(10));
    File f;
    f.Open(temp / L"a.bin", kFileRead, -4);
    CHECK(f.State()->buffer.Count() == 4096);
    f.Open(temp / L"a.bin", kFileRead, 100);
    CHECK(f.State()->buffer.Count() == 100);
    f.Open(temp / L"a.bin", kFileRead, 0);
    CHECK(f.State()->buffer.Count() == 0);
    CHECK(f.State()->direction == kFileReading);
    f.Open(temp / L"b.bin", kFileCreate, 0);
    CHECK(f.State()->direction == kFileWriting);
    f.Close();
}

TEST_CASE("buffered and unbuffered reads return the file in any chunk size")
{
    TempFolder temp;
    const std::string data = Pattern(10000);
    WriteFileBytes(temp / L"p.bin", data);
    for (int32 buffer : {0, 1, 16, 4096, -4, 20000}) {
        for (int64 chunk : {1, 7, 16, 17, 4096, 9999, 10000, 10001}) {
            CAPTURE(buffer);
            CAPTURE(chunk);
            File f;
            f.Open(temp / L"p.bin", kFileRead, buffer);
            CHECK(ReadAll(f, chunk) == data);
            // At the end reads return 0 and peeking reports the end.
            char c;
            CHECK(f.Read(&c, 1) == 0);
            CHECK(f.PeekByte() == -1);
        }
    }
}

TEST_CASE("peeking then reading one byte returns the same byte, also at the buffer's edge")
{
    TempFolder temp;
    const std::string data = Pattern(64);
    WriteFileBytes(temp / L"p.bin", data);
    for (int32 buffer : {0, 16}) {
        CAPTURE(buffer);
        File f;
        f.Open(temp / L"p.bin", kFileRead, buffer);
        for (size_t i = 0; i < data.size(); i++) {
            int32 peeked = f.PeekByte();
            CHECK(peeked == f.PeekByte());
            u8 b = 0;
            REQUIRE(f.Read(&b, 1) == 1);
            CHECK(peeked == b);
            CHECK(b == static_cast<u8>(data[i]));
        }
        CHECK(f.PeekByte() == -1);
    }
}

TEST_CASE("pushed-back bytes come first, in their given order, across refills and seeks")
{
    TempFolder temp;
    const std::string data = Pattern(40);
    WriteFileBytes(temp / L"p.bin", data);
    for (int32 buffer : {0, 16}) {
        CAPTURE(buffer);
        File f;
        f.Open(temp / L"p.bin", kFileRead, buffer);
        // Read up to the buffer's edge, push back across it.
        char head[16];
        REQUIRE(f.Read(head, 16) == 16);
        const u8 pushed[] = {1, 2, 3};
        f.PushBack(pushed, 3);
        f.PushBack(head + 14, 2);  // the last two bytes read go on top
        CHECK(f.PeekByte() == static_cast<u8>(head[14]));
        char got[7];
        REQUIRE(f.Read(got, 7) == 7);
        CHECK(std::string(got, 7) == std::string(head + 14, 2) + std::string("\1\2\3", 3) + data.substr(16, 2));

        // TakePushedBack pops at most what is there.
        f.PushBack(pushed, 3);
        u8 taken[5] = {};
        CHECK(f.TakePushedBack(taken, 5) == 3);
        CHECK(taken[0] == 1);
        CHECK(taken[2] == 3);

        // A seek discards pushed-back bytes and buffered data.
        f.PushBack(pushed, 3);
        f.Seek(15);
        CHECK(f.PeekByte() == static_cast<u8>(data[15]));
        CHECK(ReadAll(f, 5) == data.substr(15));
        f.Seek(0);
        CHECK(ReadAll(f, 3) == data);
    }
}

TEST_CASE("seeks before, at and after the buffer's edge read from the right place")
{
    TempFolder temp;
    const std::string data = Pattern(5000);
    WriteFileBytes(temp / L"p.bin", data);
    File f;
    f.Open(temp / L"p.bin", kFileRead, -4);
    for (int64 at : {4095, 4096, 4097, 0, 4999, 5000, 17, 4095}) {
        CAPTURE(at);
        f.Seek(at);
        CHECK(f.State()->bufferPos == static_cast<u64>(at));
        char buf[3] = {};
        int64 got = f.Read(buf, 3);
        int64 expect = at + 3 <= 5000 ? 3 : 5000 - at;
        REQUIRE(got == expect);
        CHECK(std::string(buf, static_cast<size_t>(got)) == data.substr(static_cast<size_t>(at), static_cast<size_t>(got)));
    }
}

TEST_CASE("buffered writes reach the file in order across many flushes")
{
    TempFolder temp;
    const std::string data = Pattern(10000);
    for (int32 buffer : {0, 16, -4}) {
        CAPTURE(buffer);
        File f;
        f.Open(temp / L"w.bin", kFileCreate, buffer);
        size_t at = 0;
        for (size_t step : {1, 15, 16, 17, 4096, 5000, 855}) {
            f.Write(data.data() + at, static_cast<int64>(step));
            at += step;
        }
        REQUIRE(at == data.size());
        f.Close();
        CHECK(ReadFileBytes(temp / L"w.bin") == data);
    }
}

TEST_CASE("a writer can seek back, overwrite and cut the file")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"w.bin", kFileCreate, 16);
    f.Write("0123456789abcdefghijklmnopqrstuvwxyz", 36);
    f.Seek(10);
    f.Write("ABCDEF", 6);
    f.Truncate();
    CHECK(f.Size() == 16);
    // Reading a writer goes straight through the handle after what is pending.
    f.Seek(4);
    f.Write("xy", 2);
    char rest[4] = {};
    CHECK(f.Read(rest, 4) == 4);
    CHECK(std::string(rest, 4) == "6789");
    f.Close();
    CHECK(ReadFileBytes(temp / L"w.bin") == "0123xy6789ABCDEF");
}

TEST_CASE("append mode positions at the end; open-always keeps the contents")
{
    TempFolder temp;
    WriteFileBytes(temp / L"a.txt", "first");
    File f;
    f.Open(temp / L"a.txt", kFileAppend, -4);
    f.Write(" second", 7);
    f.Close();
    CHECK(ReadFileBytes(temp / L"a.txt") == "first second");

    f.Open(temp / L"a.txt", kFileOpenAlways, 0);
    f.Write("F", 1);
    f.Close();
    CHECK(ReadFileBytes(temp / L"a.txt") == "First second");

    f.Open(temp / L"new.txt", kFileAppend, 0);
    f.Write("x", 1);
    f.Close();
    CHECK(ReadFileBytes(temp / L"new.txt") == "x");
}

TEST_CASE("copies share one state; releasing without closing drops unflushed bytes")
{
    TempFolder temp;
    File a;
    a.Open(temp / L"s.bin", kFileCreate, 64);
    {
        File b(a);
        CHECK(b.State() == a.State());
        CHECK(a.State()->refs == 2);
        b.Write("abc", 3);
        CHECK(a.State()->cursor == 3);
    }
    CHECK(a.State()->refs == 1);
    a.Release();
    CHECK(a.State() == nullptr);
    // The handle is closed (the file can be opened exclusively) and nothing was written.
    File c;
    c.Open(temp / L"s.bin", kFileOpenAlways, 0);
    CHECK(c.Size() == 0);
}

TEST_CASE("a closed file refuses work with InternalError")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"c.bin", kFileCreate, 16);
    f.Write("pending", 7);
    f.Close();
    CHECK(ReadFileBytes(temp / L"c.bin") == "pending");
    char b;
    CHECK(CaughtError([&] { f.Read(&b, 1); }).code == -3);
    CHECK(CaughtError([&] { f.PeekByte(); }).code == -3);
    CHECK(CaughtError([&] { f.Seek(0); }).code == -3);
    CHECK(CaughtError([&] { f.Size(); }).code == -3);
    CHECK(CaughtError([&] { f.Truncate(); }).code == -3);
    CHECK(CaughtError([&] { f.LastWriteTime(); }).code == -3);
    CHECK(CaughtError([&] { f.PushBack("x", 1); }).code == -3);
    CHECK(CaughtError([&] { f.Write("x", 1); }).code == -3);
    File never;
    CHECK(CaughtError([&] { never.Read(&b, 1); }).code == -3);
    CHECK(CaughtError([&] { never.Size(); }).code == -3);
}

TEST_CASE("a short buffered write is a full disk and marks the file failed")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"full.bin", kFileCreate, 16);
    {
        WriteFault fault(5, 0);
        f.Write("0123456789", 10);
        Error e = CaughtError([&] { f.Flush(); });
        CHECK(e.code == 112);
        REQUIRE(e.message);
        CHECK((temp / L"full.bin").Equals(e.message));
        CHECK(f.State()->error == 1);
        CHECK(f.State()->bufferPos == 5);
    }
    CHECK(CaughtError([&] { f.Seek(0); }).code == -3);
    CHECK(CaughtError([&] { f.Write("x", 1); }).code == -3);
    // Closing a failed file does not try to write again.
    f.Close();
    CHECK(ReadFileBytes(temp / L"full.bin") == "01234");
}

TEST_CASE("a short unbuffered write is a full disk; a failed WriteFile reports its own error")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"u.bin", kFileCreate, 0);
    {
        WriteFault fault(2, 0);
        CHECK(CaughtError([&] { f.Write("abcd", 4); }).code == 112);
    }
    CHECK(f.State()->error == 1);

    f.Open(temp / L"v.bin", kFileCreate, 0);
    {
        WriteFault fault(0, ERROR_HANDLE_DISK_FULL);
        CHECK(CaughtError([&] { f.Write("abcd", 4); }).code == ERROR_HANDLE_DISK_FULL);
    }
    f.Open(temp / L"m.bin", kFileCreate, 4);
    {
        WriteFault fault(0, ERROR_OUTOFMEMORY);
        Error e = CaughtError([&] { f.Write("abcd", 4); });
        CHECK(e.code == 8);
        CHECK(e.message == nullptr);
    }
}

TEST_CASE("closing flushes; a failing flush still closes the handle and reports")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"x.bin", kFileCreate, 64);
    f.Write("data", 4);
    {
        WriteFault fault(0, ERROR_DISK_FULL);
        CHECK(CaughtError([&] { f.Close(); }).code == ERROR_DISK_FULL);
    }
    CHECK(f.State()->handle == INVALID_HANDLE_VALUE);
    // Reopening the same File drops the failed state.
    f.Open(temp / L"x.bin", kFileRead, 0);
    CHECK(f.State()->error == 0);
    CHECK(f.Size() == 0);
}

TEST_CASE("writing to a file opened for reading fails with the system's error")
{
    TempFolder temp;
    WriteFileBytes(temp / L"r.txt", "read only");
    File f;
    f.Open(temp / L"r.txt", kFileRead, -4);
    Error e = CaughtError([&] { f.Write("x", 1); });
    CHECK(e.code == ERROR_ACCESS_DENIED);
    CHECK(ReadFileBytes(temp / L"r.txt") == "read only");
}

TEST_CASE("a reader is retried with delete sharing when another holder may delete")
{
    TempFolder temp;
    String name = temp / L"held.txt";
    WriteFileBytes(name, "held");
    HANDLE other = CreateFileW(name.CStr(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(other != INVALID_HANDLE_VALUE);
    // A plain reader is refused...
    HANDLE plain = CreateFileW(name.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(plain == INVALID_HANDLE_VALUE);
    CHECK(GetLastError() == ERROR_SHARING_VIOLATION);
    if (plain != INVALID_HANDLE_VALUE)
        CloseHandle(plain);
    // ...File is not.
    File f;
    f.Open(name, kFileRead, 0);
    char buf[8];
    CHECK(f.Read(buf, 8) == 4);
    f.Close();
    // Writers are not retried.
    CHECK(CaughtError([&] { f.Open(name, kFileOpenAlways, 0); }).code == ERROR_SHARING_VIOLATION);
    CloseHandle(other);
}

TEST_CASE("opening quietly succeeds although a read handle may not set file times")
{
    TempFolder temp;
    String name = temp / L"quiet.txt";
    WriteFileBytes(name, "quiet");
    SetFileAttributesW(name.CStr(), FILE_ATTRIBUTE_READONLY);
    TimesRefused refused;
    File f;
    f.Open(name, kFileReadQuiet, -4);
    CHECK(TimesRefused::Calls() == 1);
    CHECK(f.State()->error == 0);
    char buf[16];
    CHECK(f.Read(buf, 16) == 5);
    CHECK(std::string(buf, 5) == "quiet");
    // A plain reader does not touch the times at all.
    f.Open(name, kFileRead, -4);
    CHECK(TimesRefused::Calls() == 1);
}

TEST_CASE("size and last-write time of an open file")
{
    TempFolder temp;
    String name = temp / L"t.bin";
    WriteFileBytes(name, Pattern(1234));
    FILETIME set{0x12345678u, 0x01D00000u};
    SetFileWriteTime(name, set);

    File f;
    f.Open(name, kFileRead, 0);
    CHECK(f.Size() == 1234);
    FILETIME t = f.LastWriteTime();
    CHECK(t.dwHighDateTime == set.dwHighDateTime);
    CHECK(t.dwLowDateTime == set.dwLowDateTime);
    FILETIME byName = GetFileWriteTime(name.CStr());
    CHECK(CompareFileTime(&t, &byName) == 0);
}

TEST_CASE("file times as one 64-bit value order as the system orders them")
{
    // The later time has the smaller low part: the high part must decide.
    FILETIME earlier{0xFFFFFFF0u, 0x01D00000u};
    FILETIME later{0x00000010u, 0x01D00001u};
    CHECK(CompareFileTime(&earlier, &later) < 0);
    CHECK(FileTimeValue(earlier) < FileTimeValue(later));
    FILETIME same = earlier;
    CHECK(FileTimeValue(same) == FileTimeValue(earlier));

    TempFolder temp;
    String name = temp / L"v.bin";
    WriteFileBytes(name, "v");
    SetFileWriteTime(name, later);
    File f;
    f.Open(name, kFileRead, 0);
    CHECK(FileTimeValue(f.LastWriteTime()) == (u64(later.dwHighDateTime) << 32 | later.dwLowDateTime));
}
