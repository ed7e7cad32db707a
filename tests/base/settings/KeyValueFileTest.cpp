#include "base/Error.h"
#include "base/SettingsStore.h"

#include "support/CaughtError.h"
#include "support/FileFaults.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

Pairs PairsOf(const SettingsStore& store)
{
    Pairs out;
    for (int64 i = 0; i < store.PairCount(); i++) {
        String key, value;
        store.PairAt(i, &key, &value);
        out.emplace_back(key.CStr(), value.CStr());
    }
    return out;
}

SettingsStore Loaded(const String& path)
{
    SettingsStore store;
    LoadKeyValueFile(store, path.CStr());
    return store;
}

// Holds a file open with no sharing at all until released.
struct Lock {
    HANDLE h;
    explicit Lock(const String& path)
        : h(CreateFileW(path.CStr(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    {
        REQUIRE(h != INVALID_HANDLE_VALUE);
    }
    void Release()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    ~Lock() { Release(); }
};

// The attempts of a load or save that is bound to fail follow each other
// quickly; how many there are stays the same.
struct QuickRetries {
    QuickRetries() { SetKeyValueRetryPause(1); }
    ~QuickRetries() { SetKeyValueRetryPause(200); }
};

SettingsStore Sample()
{
    SettingsStore store;
    store.SetText(L"b", L"two");
    store.SetText(L"A", L"one=1");
    store.SetText(L"\x017C\x00F3\x0142w", L"\x65E5\x672C \xD83D\xDE00");
    store.SetText(L"empty", L"");
    store.SetText(L"B", L"TWO");
    return store;
}

}  // namespace

TEST_CASE("a saved store is UTF-8 lines of key=value in key order, ended by CR LF")
{
    TempFolder temp;
    String path = temp / L"appsettings.dat";
    SaveKeyValueFile(Sample(), path.CStr());
    CHECK(ReadFileBytes(path) ==
          "A=one=1\r\n"
          "b=TWO\r\n"
          "empty=\r\n"
          "\xC5\xBC\xC3\xB3\xC5\x82w=\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\r\n");
    SettingsStore back = Loaded(path);
    CHECK(back.loaded == 1);
    CHECK(PairsOf(back) == PairsOf(Sample()));
    // Nothing to back up the first time.
    CHECK_FALSE(PathExists(temp / L"appsettings.dat.bak"));
}

TEST_CASE("reading splits at the first equals sign and skips lines without one")
{
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "a=b=c\r\nno equals here\r\n=x\r\nlone\rcr=v\rw\r\nlf=only\nlast=line");
    SettingsStore store = Loaded(path);
    CHECK(PairsOf(store) == Pairs{{L"", L"x"}, {L"a", L"b=c"}, {L"last", L"line"}, {L"lf", L"only"},
                                  {L"lone\rcr", L"v\rw"}});
}

TEST_CASE("keys differing only in case in a file are one key; the later value wins")
{
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "Font=first\r\nFONT=second\r\nfont=third\r\n");
    SettingsStore store = Loaded(path);
    CHECK(PairsOf(store) == Pairs{{L"Font", L"third"}});
}

TEST_CASE("a byte-order mark stays at the start of the first key")
{
    TempFolder temp;
    String path = temp / L"bom.dat";
    WriteFileBytes(path, "\xEF\xBB\xBFkey=v\r\nother=w\r\n");
    SettingsStore store = Loaded(path);
    String key;
    store.PairAt(0, &key, nullptr);
    CHECK(key.Equals(L"\xFEFFkey"));
    CHECK(store.Get(L"\xFEFFkey").Equals(L"v"));
    // Saved again, the mark goes out as it came in.
    SaveKeyValueFile(store, path.CStr());
    CHECK(ReadFileBytes(path) == "\xEF\xBB\xBFkey=v\r\nother=w\r\n");
}

TEST_CASE("a value holding a line feed does not survive the round trip")
{
    TempFolder temp;
    String path = temp / L"lf.dat";
    SettingsStore store;
    store.SetText(L"k", L"one\ntwo=2");
    SaveKeyValueFile(store, path.CStr());
    CHECK(PairsOf(Loaded(path)) == Pairs{{L"k", L"one"}, {L"two", L"2"}});
}

TEST_CASE("a missing file or folder gives an empty, loaded store; loading replaces what was there")
{
    TempFolder temp;
    SettingsStore store;
    store.SetText(L"stale", L"1");
    LoadKeyValueFile(store, (temp / L"missing.dat").CStr());
    CHECK(store.loaded == 1);
    CHECK(store.PairCount() == 0);

    SettingsStore other;
    LoadKeyValueFile(other, (temp / L"no folder\\missing.dat").CStr());
    CHECK(other.loaded == 1);

    WriteFileBytes(temp / L"s.dat", "x=1\r\n");
    store.SetText(L"stale", L"1");
    LoadKeyValueFile(store, (temp / L"s.dat").CStr());
    CHECK(PairsOf(store) == Pairs{{L"x", L"1"}});
}

TEST_CASE("a file that stays locked fails to load after the retries and leaves the store unloaded")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"locked.dat";
    WriteFileBytes(path, "x=1\r\n");
    Lock lock(path);
    SettingsStore store;
    store.SetText(L"stale", L"1");
    Error e = CaughtError([&] { LoadKeyValueFile(store, path.CStr()); });
    CHECK(e.code == ERROR_SHARING_VIOLATION);
    CHECK(store.loaded == 0);
    CHECK(store.PairCount() == 0);
}

TEST_CASE("a reload that fails takes back the loaded flag, so the emptied store is not saved")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "x=1\r\ny=2\r\n");
    SettingsStore store;
    LoadKeyValueFile(store, path.CStr());
    REQUIRE(store.loaded == 1);
    {
        Lock lock(path);
        CHECK(CaughtError([&] { LoadKeyValueFile(store, path.CStr()); }).code == ERROR_SHARING_VIOLATION);
    }
    CHECK(store.loaded == 0);
    CHECK(store.PairCount() == 0);
    LoadKeyValueFile(store, path.CStr());
    CHECK(store.loaded == 1);
    CHECK(PairsOf(store) == Pairs{{L"x", L"1"}, {L"y", L"2"}});
}

TEST_CASE("loading waits for a writer that lets the file go")
{
    TempFolder temp;
    String path = temp / L"busy.dat";
    WriteFileBytes(path, "x=1\r\n");
    Lock lock(path);
    std::thread release([&] {
        Sleep(300);
        lock.Release();
    });
    SettingsStore store;
    Error e = CaughtError([&] { LoadKeyValueFile(store, path.CStr()); });
    release.join();
    CHECK(e.code == 0);
    CHECK(store.loaded == 1);
    CHECK(PairsOf(store) == Pairs{{L"x", L"1"}});
}

TEST_CASE("saving over an existing file keeps the previous one as .bak")
{
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "old=1\r\n");
    SettingsStore store;
    store.SetText(L"new", L"2");
    SaveKeyValueFile(store, path.CStr());
    CHECK(ReadFileBytes(path) == "new=2\r\n");
    CHECK(ReadFileBytes(temp / L"s.dat.bak") == "old=1\r\n");
}

TEST_CASE("saving while a reader holds the file fails, reports it and leaves the file as it was")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"held.dat";
    WriteFileBytes(path, "keep=me\r\n");
    // The reader lets others read, so the copy to .bak is made; it does not let anyone write.
    HANDLE reader = CreateFileW(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(reader != INVALID_HANDLE_VALUE);
    Error e = CaughtError([&] { SaveKeyValueFile(Sample(), path.CStr()); });
    CloseHandle(reader);
    CHECK(e.code == ERROR_SHARING_VIOLATION);
    REQUIRE(e.message);
    CHECK(path.Equals(e.message));
    CHECK(ReadFileBytes(path) == "keep=me\r\n");
    CHECK(ReadFileBytes(temp / L"held.dat.bak") == "keep=me\r\n");
}

TEST_CASE("saving over a locked file fails before truncating anything")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"locked.dat";
    WriteFileBytes(path, "keep=me\r\n");
    {
        Lock lock(path);
        Error e = CaughtError([&] { SaveKeyValueFile(Sample(), path.CStr()); });
        CHECK(e.code == ERROR_SHARING_VIOLATION);
    }
    CHECK(ReadFileBytes(path) == "keep=me\r\n");
    CHECK_FALSE(PathExists(temp / L"locked.dat.bak"));
}

TEST_CASE("when no .bak copy can be made the existing file is not touched")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "keep=me\r\n");
    // A folder where the copy would go makes every copy fail.
    REQUIRE(CreateDirectoryW((temp / L"s.dat.bak").CStr(), nullptr));
    Error e = CaughtError([&] { SaveKeyValueFile(Sample(), path.CStr()); });
    CHECK(e.code != 0);
    CHECK(ReadFileBytes(path) == "keep=me\r\n");
}

TEST_CASE("after writes fail on every attempt the backup is put back and the error thrown")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "keep=me\r\n");
    Error e;
    {
        WriteFault fault(3, 0);
        e = CaughtError([&] { SaveKeyValueFile(Sample(), path.CStr()); });
        CHECK(WriteFault::Faults() == 20);
    }
    CHECK(e.code == ERROR_DISK_FULL);
    CHECK(ReadFileBytes(path) == "keep=me\r\n");
    CHECK(ReadFileBytes(temp / L"s.dat.bak") == "keep=me\r\n");
}

TEST_CASE("a new file whose writes always fail is not left behind empty")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"new.dat";
    WriteFault fault(0, ERROR_HANDLE_DISK_FULL);
    Error e = CaughtError([&] { SaveKeyValueFile(Sample(), path.CStr()); });
    CHECK(e.code == ERROR_HANDLE_DISK_FULL);
    CHECK_FALSE(PathExists(path));
    CHECK_FALSE(PathExists(temp / L"new.dat.bak"));
}

TEST_CASE("a save that fails twice succeeds on a later attempt")
{
    QuickRetries quick;
    TempFolder temp;
    String path = temp / L"s.dat";
    WriteFileBytes(path, "old=1\r\n");
    {
        WriteFault fault(0, ERROR_DISK_FULL, 2);
        SaveKeyValueFile(Sample(), path.CStr());
        CHECK(WriteFault::Faults() == 2);
    }
    CHECK(PairsOf(Loaded(path)) == PairsOf(Sample()));
    CHECK(ReadFileBytes(temp / L"s.dat.bak") == "old=1\r\n");
}

TEST_CASE("a save on a full disk leaves the previous backup as it was")
{
    TempFolder temp;
    QuickRetries quick;
    String path = temp / L"settings.dat";
    String bak = temp / L"settings.dat.bak";
    std::string old = "a=1\r\nlong=" + std::string(400000, 'v') + "\r\n";
    WriteFileBytes(path, old);
    WriteFileBytes(bak, "previous=1\r\n");
    SettingsStore store;
    store.SetText(L"b", L"2");
    {
        // Every copy stops half-way, as on a volume that fills up.
        CopyFault fault;
        Error e = CaughtError([&] { SaveKeyValueFile(store, path.CStr()); });
        CHECK(e.code == ERROR_DISK_FULL);
    }
    CHECK(ReadFileBytes(bak) == "previous=1\r\n");
    CHECK(ReadFileBytes(path) == old);
    CHECK_FALSE(PathExists(temp / L"settings.dat.bak.new"));

    // With room, the backup holds the previous file whole.
    SaveKeyValueFile(store, path.CStr());
    CHECK(ReadFileBytes(bak) == old);
    CHECK(ReadFileBytes(path) == "b=2\r\n");
}
