#include "SpellFixtures.h"

#include "base/Error.h"
#include "spell/DictImport.h"
#include "support/CaughtError.h"
#include "support/FileFaults.h"

#include "zip.h"
// after zip.h, which brings what it needs
#include "iowin32.h"

#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Member {
    std::string name;
    std::string bytes;
};

// A zip archive written by minizip's own writer.
void WriteZip(const String& path, const std::vector<Member>& members, int method = Z_DEFLATED)
{
    zlib_filefunc64_def calls;
    fill_win32_filefunc64W(&calls);
    zipFile zip = zipOpen2_64(path.CStr(), APPEND_STATUS_CREATE, nullptr, &calls);
    REQUIRE(zip != nullptr);
    for (const Member& m : members) {
        zip_fileinfo info{};
        REQUIRE(zipOpenNewFileInZip64(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                      Z_DEFAULT_COMPRESSION, 0) == ZIP_OK);
        if (!m.bytes.empty())
            REQUIRE(zipWriteInFileInZip(zip, m.bytes.data(), static_cast<unsigned>(m.bytes.size())) == ZIP_OK);
        REQUIRE(zipCloseFileInZip(zip) == ZIP_OK);
    }
    REQUIRE(zipClose(zip, nullptr) == ZIP_OK);
}

void Put32(std::string& s, size_t at, u32 v)
{
    for (int i = 0; i < 4; i++)
        s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

u32 Get32(const std::string& s, size_t at)
{
    u32 v = 0;
    for (int i = 3; i >= 0; i--)
        v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

u32 Get16(const std::string& s, size_t at)
{
    return static_cast<unsigned char>(s[at]) | (static_cast<u32>(static_cast<unsigned char>(s[at + 1])) << 8);
}

// Rewrites the CRC (field 0) or the uncompressed size (field 1) of a member
// in its central directory entry and in its local header alike, so that only
// the reading of the data can notice.
void PatchMember(const String& zipPath, const std::string& name, int field, u32 value)
{
    std::string s = ReadFileBytes(zipPath);
    bool found = false;
    for (size_t at = 0; at + 46 <= s.size(); at++) {
        if (Get32(s, at) != 0x02014b50)
            continue;
        size_t nameLength = Get16(s, at + 28);
        if (s.compare(at + 46, nameLength, name) != 0)
            continue;
        size_t local = Get32(s, at + 42);
        Put32(s, at + (field == 0 ? 16 : 24), value);
        Put32(s, local + (field == 0 ? 14 : 22), value);
        found = true;
    }
    REQUIRE(found);
    WriteFileBytes(zipPath, s);
}

bool ThrowsNoDicts(const String& path, const String& folder)
{
    try {
        PodArray<u8> aff;
        PodArray<u8> dic;
        ReadDictionaryFiles(aff, dic, path);
        InstallDictionary(folder, String(L"nowy"), aff, dic);
    } catch (const NoDictsInZipError&) {
        return true;
    }
    return false;
}

const std::string kAff = "SET UTF-8\nTRY abc\n";
const std::string kDic = "2\nkot\npies\n";

// A source folder with the archives and a user folder holding an installed pair.
struct ImportBench {
    SpellFolders dirs;
    String source;
    ImportBench() : source(dirs.temp / L"źródło\\")
    {
        CreateDirectoryW(source.CStr(), nullptr);
        SpellFolders::WriteDict(dirs.folders.user, L"stary", "SET UTF-8\n", "1\nstary\n");
    }
    String Zip(const wchar_t* name, const std::vector<Member>& members, int method = Z_DEFLATED)
    {
        String path = Concat(source, name);
        WriteZip(path, members, method);
        return path;
    }
    // Imports under the name "nowy" and returns the installed .aff and .dic.
    std::pair<std::string, std::string> Import(const String& path)
    {
        PodArray<u8> aff;
        PodArray<u8> dic;
        ReadDictionaryFiles(aff, dic, path);
        InstallDictionary(dirs.folders.user, String(L"nowy"), aff, dic);
        return {ReadFileBytes(Concat(dirs.folders.user, L"nowy.aff")),
                ReadFileBytes(Concat(dirs.folders.user, L"nowy.dic"))};
    }
    // The archive is refused and nothing changes in the temporary tree.
    bool Refused(const String& path)
    {
        auto before = Snapshot(dirs.temp.Path());
        bool refused = ThrowsNoDicts(path, dirs.folders.user);
        return refused && Snapshot(dirs.temp.Path()) == before;
    }
};

}  // namespace

TEST_CASE("archives as dictionaries ship them import their pair")
{
    ImportBench b;
    using P = std::pair<std::string, std::string>;
    CHECK(b.Import(b.Zip(L"upper.zip", {{"PL.AFF", kAff}, {"PL.DIC", kDic}})) == P(kAff, kDic));
    CHECK(b.Import(b.Zip(L"sub.zip", {{"dict/pl.aff", kAff}, {"dict/pl.dic", kDic}})) == P(kAff, kDic));
    CHECK(b.Import(b.Zip(L"stored.zip", {{"pl.aff", kAff}, {"pl.dic", kDic}}, 0)) == P(kAff, kDic));

    // An extension's layout: hyphenation and thesaurus beside the pair.
    std::vector<Member> oxt = {{"META-INF/manifest.xml", "<manifest/>"},
                               {"dictionaries/hyph_pl_PL.dic", "ISO8859-2\nLEFTHYPHENMIN 2\n"},
                               {"dictionaries/pl_PL.aff", kAff},
                               {"dictionaries/pl_PL.dic", kDic},
                               {"dictionaries/th_pl_PL_v2.dat", "ISO8859-2\n"},
                               {"description.xml", "<d/>"}};
    CHECK(b.Import(b.Zip(L"pl_PL.zip", oxt)) == P(kAff, kDic));
    // The hyphenation list after the pair is not taken either.
    std::vector<Member> hyphLast = {{"pl_PL.aff", kAff}, {"pl_PL.dic", kDic}, {"hyph_pl_PL.dic", "x\n"}};
    CHECK(b.Import(b.Zip(L"hyph.zip", hyphLast)) == P(kAff, kDic));
    // Named .oxt it is a file of unknown kind.
    String oxtPath = b.Zip(L"pl_PL.oxt", oxt);
    CHECK(b.Refused(oxtPath));

    // Two .dic: the one named like the .aff, else the later one.
    CHECK(b.Import(b.Zip(L"two.zip", {{"pl.aff", kAff}, {"pl.dic", kDic}, {"en.dic", "1\nx\n"}})) == P(kAff, kDic));
    CHECK(b.Import(b.Zip(L"two2.zip", {{"x.aff", kAff}, {"a.dic", "1\na\n"}, {"b.dic", kDic}})) == P(kAff, kDic));

    // An empty .aff is still a valid (empty) buffer.
    CHECK(b.Import(b.Zip(L"emptyaff.zip", {{"pl.aff", ""}, {"pl.dic", kDic}})) == P("", kDic));

    // Names in code page 852 (ł = 0x88) match like any other.
    CHECK(b.Import(b.Zip(L"cp852.zip", {{"s\x88ownik.aff", kAff}, {"s\x88ownik.dic", kDic}})) == P(kAff, kDic));

    // Member names select members only: nothing is written where they point.
    CHECK(b.Import(b.Zip(L"escape.zip", {{"../../x.aff", kAff}, {"C:\\x.dic", kDic}})) == P(kAff, kDic));
    CHECK_FALSE(PathExists(b.dirs.temp / L"x.aff"));
    CHECK_FALSE(PathExists(String(L"C:\\x.dic")));
}

TEST_CASE("archives without a usable pair are refused and change nothing")
{
    ImportBench b;
    CHECK(b.Refused(b.Zip(L"onlyaff.zip", {{"pl.aff", kAff}})));
    CHECK(b.Refused(b.Zip(L"onlydic.zip", {{"pl.dic", kDic}})));
    CHECK(b.Refused(b.Zip(L"emptydic.zip", {{"pl.aff", kAff}, {"pl.dic", ""}})));
    CHECK(b.Refused(b.Zip(L"onlyhyph.zip", {{"pl.aff", kAff}, {"hyph_pl.dic", kDic}})));
    CHECK(b.Refused(b.Zip(L"empty.zip", {})));
    String notZip = Concat(b.source, L"notzip.zip");
    WriteFileBytes(notZip, "PK\x03\x04 this is not an archive at all");
    CHECK(b.Refused(notZip));
    CHECK(b.Refused(Concat(b.source, L"missing.zip")));

    // A name longer than the name buffer is never taken for a shorter one.
    std::string longName = std::string(252, 'a') + ".dic" + std::string(40, 'b') + ".txt";
    REQUIRE(longName.size() == 300);
    CHECK(b.Refused(b.Zip(L"long.zip", {{"pl.aff", kAff}, {longName, kDic}})));
    std::string longAff = std::string(296, 'c') + ".aff";
    CHECK(b.Refused(b.Zip(L"longaff.zip", {{longAff, kAff}, {"pl.dic", kDic}})));
    using P = std::pair<std::string, std::string>;
    CHECK(b.Import(b.Zip(L"longlast.zip", {{"x.aff", kAff}, {"pl.dic", kDic}, {longName, "1\nzle\n"}})) ==
          P(kAff, kDic));
}

TEST_CASE("members whose data does not match their entry are refused")
{
    ImportBench b;
    std::string big(100000, 'k');
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = '\n';
    for (int method : {Z_DEFLATED, 0}) {
        CAPTURE(method);
        String larger = b.Zip(L"larger.zip", {{"pl.aff", kAff}, {"pl.dic", big}}, method);
        PatchMember(larger, "pl.dic", 1, static_cast<u32>(big.size() + 10));
        CHECK(b.Refused(larger));

        String huge = b.Zip(L"huge.zip", {{"pl.aff", kAff}, {"pl.dic", big}}, method);
        PatchMember(huge, "pl.dic", 1, 0xFFFFFFF0u);
        CHECK(b.Refused(huge));

        String over = b.Zip(L"over.zip", {{"pl.aff", kAff}, {"pl.dic", big}}, method);
        PatchMember(over, "pl.dic", 1, (256u << 20) + 1);
        CHECK(b.Refused(over));

        String smaller = b.Zip(L"smaller.zip", {{"pl.aff", kAff}, {"pl.dic", big}}, method);
        PatchMember(smaller, "pl.dic", 1, static_cast<u32>(big.size() - 10));
        CHECK(b.Refused(smaller));

        String crc = b.Zip(L"crc.zip", {{"pl.aff", kAff}, {"pl.dic", big}}, method);
        PatchMember(crc, "pl.aff", 0, 0x12345678u);
        CHECK(b.Refused(crc));
    }
}

TEST_CASE("pairs chosen by their .aff or .dic are read whole, within the size limit")
{
    ImportBench b;
    WriteFileBytes(Concat(b.source, L"words.aff"), kAff);
    WriteFileBytes(Concat(b.source, L"words.dic"), kDic);
    using P = std::pair<std::string, std::string>;
    CHECK(b.Import(Concat(b.source, L"words.aff")) == P(kAff, kDic));
    CHECK(b.Import(Concat(b.source, L"words.DIC")) == P(kAff, kDic));

    WriteFileBytes(Concat(b.source, L"alone.aff"), kAff);
    PodArray<u8> aff;
    PodArray<u8> dic;
    CHECK(CaughtError([&] { ReadDictionaryFiles(aff, dic, Concat(b.source, L"alone.aff")); }).code == 2);

    WriteFileBytes(Concat(b.source, L"empty.aff"), kAff);
    WriteFileBytes(Concat(b.source, L"empty.dic"), "");
    CHECK(b.Refused(Concat(b.source, L"empty.aff")));
    WriteFileBytes(Concat(b.source, L"words.txt"), kDic);
    CHECK(b.Refused(Concat(b.source, L"words.txt")));

    // A .dic one byte over the limit: refused before anything is allocated.
    WriteFileBytes(Concat(b.source, L"big.aff"), kAff);
    String big = Concat(b.source, L"big.dic");
    HANDLE h = CreateFileW(big.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = kMaxDictFileBytes + 1;
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    CHECK(b.Refused(Concat(b.source, L"big.aff")));
}

TEST_CASE("installing over a pair replaces it only when both new files are complete")
{
    ImportBench b;
    String folder = b.dirs.folders.user;
    auto before = Snapshot(folder);
    PodArray<u8> aff;
    PodArray<u8> dic;
    aff.Resize(static_cast<int64>(kAff.size()));
    std::memcpy(aff.Data(), kAff.data(), kAff.size());
    dic.Resize(200000);
    std::memset(dic.Data(), 'x', 200000);
    {
        WriteFault fault(0, ERROR_DISK_FULL);
        CHECK(CaughtError([&] { InstallDictionary(folder, String(L"stary"), aff, dic); }).code == ERROR_DISK_FULL);
    }
    CHECK(Snapshot(folder) == before);

    // The new .dic is written, the new .aff cannot be created.
    REQUIRE(CreateDirectoryW(Concat(folder, L"stary.aff.new").CStr(), nullptr));
    auto blocked = Snapshot(folder);
    CHECK(CaughtError([&] { InstallDictionary(folder, String(L"stary"), aff, dic); }).code != 0);
    CHECK(Snapshot(folder) == blocked);
    RemoveDirectoryW(Concat(folder, L"stary.aff.new").CStr());

    // The old .aff is held open by another program: it cannot step aside.
    HANDLE locked = CreateFileW(Concat(folder, L"stary.aff").CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    REQUIRE(locked != INVALID_HANDLE_VALUE);
    CHECK(CaughtError([&] { InstallDictionary(folder, String(L"stary"), aff, dic); }).code != 0);
    CloseHandle(locked);
    CHECK(Snapshot(folder) == before);

    InstallDictionary(folder, String(L"stary"), aff, dic);
    CHECK(ReadFileBytes(Concat(folder, L"stary.aff")) == kAff);
    CHECK(ReadFileBytes(Concat(folder, L"stary.dic")).size() == 200000);
    CHECK(Snapshot(folder).size() == 2);
}
