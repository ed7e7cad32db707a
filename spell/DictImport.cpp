#include "spell/DictImport.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"

#include "unzip.h"
// after unzip.h, which brings what it needs
#include "iowin32.h"

#include <windows.h>

#include <new>
#include <string>
#include <vector>

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool SameAsciiNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// The member's name after its last "/" or "\", without the extension.
std::string BaseName(const std::string& member)
{
    size_t start = member.find_last_of("/\\");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = member.find_last_of('.');
    if (dot == std::string::npos || dot < start)
        dot = member.size();
    return member.substr(start, dot - start);
}

bool IsHyphenationList(const std::string& member)
{
    std::string base = BaseName(member);
    return base.size() >= 5 && SameAsciiNoCase(base.substr(0, 5), "hyph_");
}

struct Member {
    unz64_file_pos position;
    std::string name;
};

class ZipReader {
public:
    explicit ZipReader(const String& path)
    {
        zlib_filefunc64_def calls;
        fill_win32_filefunc64W(&calls);
        zip_ = unzOpen2_64(path.CStr(), &calls);
        if (!zip_)
            throw NoDictsInZipError();
    }
    ~ZipReader()
    {
        if (entryOpen_)
            unzCloseCurrentFile(zip_);
        unzClose(zip_);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Lists the members whose names match the two patterns.
    void Collect(std::vector<Member>& affs, std::vector<Member>& dics)
    {
        int result = unzGoToFirstFile(zip_);
        while (result == UNZ_OK) {
            unz_file_info64 info;
            // minizip leaves a name that fills the buffer unterminated.
            char name[257];
            if (unzGetCurrentFileInfo64(zip_, &info, name, 256, nullptr, 0, nullptr, 0) != UNZ_OK)
                throw NoDictsInZipError();
            name[256] = 0;
            // A longer name was cut short and matches nothing reliably.
            if (info.size_filename <= 256) {
                Cp852ToCp1250(name);
                Member m;
                if (unzGetFilePos64(zip_, &m.position) != UNZ_OK)
                    throw NoDictsInZipError();
                m.name = name;
                if (WildcardMatch(name, "*.aff"))
                    affs.push_back(m);
                else if (WildcardMatch(name, "*.dic"))
                    dics.push_back(m);
            }
            result = unzGoToNextFile(zip_);
        }
        if (result != UNZ_END_OF_LIST_OF_FILE)
            throw NoDictsInZipError();
    }

    // Reads one member whole; anything but exactly its declared bytes with a
    // matching CRC is no dictionary.
    void Extract(const Member& member, PodArray<u8>& out)
    {
        if (unzGoToFilePos64(zip_, &member.position) != UNZ_OK)
            throw NoDictsInZipError();
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw NoDictsInZipError();
        if (info.uncompressed_size > static_cast<ZPOS64_T>(kMaxDictFileBytes))
            throw NoDictsInZipError();
        int64 size = static_cast<int64>(info.uncompressed_size);
        try {
            out.Resize(size);
        } catch (const Error&) {
            throw NoDictsInZipError();
        }
        if (unzOpenCurrentFile(zip_) != UNZ_OK)
            throw NoDictsInZipError();
        entryOpen_ = true;
        int64 done = 0;
        while (done < size) {
            int64 step = size - done < (1 << 20) ? size - done : (1 << 20);
            int got = unzReadCurrentFile(zip_, out.Data() + done, static_cast<unsigned>(step));
            if (got <= 0)
                throw NoDictsInZipError();  // short: minizip would skip the CRC check
            done += got;
        }
        entryOpen_ = false;
        if (unzCloseCurrentFile(zip_) != UNZ_OK)
            throw NoDictsInZipError();
    }

private:
    unzFile zip_ = nullptr;
    bool entryOpen_ = false;
};

// The .dic of the chosen .aff: the same base name, else the last one that is
// not a hyphenation list; null when only those are there.
const Member* ChooseDic(const std::vector<Member>& dics, const Member& aff)
{
    std::string base = BaseName(aff.name);
    const Member* fallback = nullptr;
    for (const Member& d : dics) {
        if (IsHyphenationList(d.name))
            continue;
        if (SameAsciiNoCase(BaseName(d.name), base))
            return &d;
        fallback = &d;
    }
    return fallback;
}

void ReadWholeFile(PodArray<u8>& out, const String& path)
{
    File file;
    file.Open(path, kFileRead, 0);
    int64 size = file.Size();
    if (size > kMaxDictFileBytes)
        throw NoDictsInZipError();
    out.Resize(size);
    if (size > 0 && file.Read(out.Data(), size) < size)
        throw EofError(path.CStr());
    file.Close();
}

String ReplaceLastThree(const String& path, const wchar_t* extension)
{
    String s = path.Substring(0, path.Length() - 3);
    s.Append(extension, 3);
    return s;
}

String FileInFolder(const String& folder, const String& name, const wchar_t* extension)
{
    String s;
    s.ConcatList({folder.CStr(), name.CStr(), extension});
    return s;
}

void WriteWholeFile(const String& path, const PodArray<u8>& bytes)
{
    File file;
    file.Open(path, kFileCreate, 0);
    if (bytes.Count() > 0)
        file.Write(bytes.Data(), bytes.Count());
    file.Flush();
    file.Close();
}

bool Exists(const String& path)
{
    return GetFileAttributesW(path.CStr()) != INVALID_FILE_ATTRIBUTES;
}

void MoveReplacing(const String& from, const String& to)
{
    if (!MoveFileExW(from.CStr(), to.CStr(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError(to.CStr());
}

}  // namespace

bool WildcardMatch(const char* name, const char* pattern)
{
    for (;; name++, pattern++) {
        if (*pattern == '*') {
            for (const char* rest = name;; rest++) {
                if (WildcardMatch(rest, pattern + 1))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*pattern)
            return !*name;
        if (!*name)
            return false;
        if (*pattern == '?')
            continue;
        char a = *name;
        char b = *pattern;
        bool ascii = static_cast<unsigned char>(a) < 0x80 && static_cast<unsigned char>(b) < 0x80;
        if (ascii ? AsciiLower(a) != AsciiLower(b) : a != b)
            return false;
    }
}

void Cp852ToCp1250(char* name)
{
    static const unsigned char kFrom[18] = {0x86, 0x88, 0x8D, 0x8F, 0x97, 0x98, 0x9D, 0xA2, 0xA4,
                                            0xA5, 0xA8, 0xA9, 0xAB, 0xBD, 0xBE, 0xE0, 0xE3, 0xE4};
    static const unsigned char kTo[18] = {0xE6, 0xB3, 0x8F, 0xC6, 0x8C, 0x9C, 0xA3, 0xF3, 0xA5,
                                          0xB9, 0xCA, 0xEA, 0x9F, 0xAF, 0xBF, 0xD3, 0xD1, 0xF1};
    for (; *name; name++) {
        for (int i = 0; i < 18; i++) {
            if (static_cast<unsigned char>(*name) == kFrom[i]) {
                *name = static_cast<char>(kTo[i]);
                break;
            }
        }
    }
}

void ReadDictsFromZip(PodArray<u8>& affBytes, PodArray<u8>& dicBytes, const String& zipPath)
{
    std::vector<Member> affs;
    std::vector<Member> dics;
    try {
        ZipReader zip(zipPath);
        zip.Collect(affs, dics);
        if (affs.empty())
            throw NoDictsInZipError();
        const Member& aff = affs.back();
        const Member* dic = ChooseDic(dics, aff);
        if (!dic)
            throw NoDictsInZipError();
        PodArray<u8> aBytes;
        PodArray<u8> dBytes;
        zip.Extract(aff, aBytes);
        zip.Extract(*dic, dBytes);
        if (dBytes.Count() == 0)
            throw NoDictsInZipError();
        affBytes = aBytes;
        dicBytes = dBytes;
    } catch (const std::bad_alloc&) {
        throw NoDictsInZipError();
    }
}

void ReadDictionaryFiles(PodArray<u8>& affBytes, PodArray<u8>& dicBytes, const String& path)
{
    PodArray<u8> aff;
    PodArray<u8> dic;
    if (EndsWithNoCase(path.CStr(), L".aff")) {
        ReadWholeFile(aff, path);
        ReadWholeFile(dic, ReplaceLastThree(path, L"dic"));
    } else if (EndsWithNoCase(path.CStr(), L".dic")) {
        ReadWholeFile(aff, ReplaceLastThree(path, L"aff"));
        ReadWholeFile(dic, path);
    } else if (EndsWithNoCase(path.CStr(), L".zip")) {
        ReadDictsFromZip(aff, dic, path);
    } else {
        throw NoDictsInZipError();
    }
    if (dic.Count() == 0)
        throw NoDictsInZipError();
    affBytes = aff;
    dicBytes = dic;
}

void InstallDictionary(const String& folder, const String& name, const PodArray<u8>& affBytes,
                       const PodArray<u8>& dicBytes)
{
    CreateDirectoryW(folder.CStr(), nullptr);
    String dic = FileInFolder(folder, name, L".dic");
    String aff = FileInFolder(folder, name, L".aff");
    String newDic = FileInFolder(folder, name, L".dic.new");
    String newAff = FileInFolder(folder, name, L".aff.new");
    String oldDic = FileInFolder(folder, name, L".dic.old");
    String oldAff = FileInFolder(folder, name, L".aff.old");
    try {
        WriteWholeFile(newDic, dicBytes);
        WriteWholeFile(newAff, affBytes);
    } catch (...) {
        DeleteFileW(newDic.CStr());
        DeleteFileW(newAff.CStr());
        throw;
    }
    // The old pair steps aside first, so that it can come back whole when
    // either new file cannot take its place.
    bool hadDic = Exists(dic);
    bool hadAff = Exists(aff);
    bool movedDic = false;
    bool movedAff = false;
    bool placedDic = false;
    try {
        if (hadDic) {
            MoveReplacing(dic, oldDic);
            movedDic = true;
        }
        if (hadAff) {
            MoveReplacing(aff, oldAff);
            movedAff = true;
        }
        MoveReplacing(newDic, dic);
        placedDic = true;
        MoveReplacing(newAff, aff);
    } catch (...) {
        if (placedDic)
            DeleteFileW(dic.CStr());
        if (movedDic)
            MoveFileExW(oldDic.CStr(), dic.CStr(), MOVEFILE_REPLACE_EXISTING);
        if (movedAff)
            MoveFileExW(oldAff.CStr(), aff.CStr(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(newDic.CStr());
        DeleteFileW(newAff.CStr());
        throw;
    }
    DeleteFileW(oldDic.CStr());
    DeleteFileW(oldAff.CStr());
}
