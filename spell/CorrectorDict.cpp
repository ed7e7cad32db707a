#include "spell/CorrectorDict.h"

#include "base/AppContext.h"
#include "base/CharStream.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"
#include "spell/DictCodePages.h"
#include "text/Encoding.h"

#include "hunspell/hunspell.hxx"

#include <windows.h>

#include <cstdio>
#include <new>

namespace {

bool IsPlainFile(const String& path)
{
    DWORD attributes = GetFileAttributesW(path.CStr());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

String WithExtension(const String& folder, const String& name, const wchar_t* extension)
{
    String s;
    s.ConcatList({folder.CStr(), name.CStr(), extension});
    return s;
}

// The ANSI spelling of a path when the ANSI code page holds every character.
bool ToAnsi(const wchar_t* path, std::string& out)
{
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost)
        return false;
    out.assign(static_cast<size_t>(n), '\0');
    lost = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, &out[0], n, nullptr, &lost) != n || lost)
        return false;
    out.resize(static_cast<size_t>(n - 1));
    return true;
}

ShortPathCall g_shortPath = nullptr;

DWORD ShortPath(const wchar_t* path, wchar_t* out, DWORD room)
{
    return g_shortPath ? g_shortPath(path, out, room) : GetShortPathNameW(path, out, room);
}

// The engine opens files by narrow path only: the path itself when the ANSI
// code page holds it, else its short form when that one is plain enough.
bool NarrowPath(const String& path, std::string& out)
{
    if (ToAnsi(path.CStr(), out))
        return true;
    DWORD n = ShortPath(path.CStr(), nullptr, 0);
    if (n == 0)
        return false;
    std::wstring shortPath(n, L'\0');
    DWORD got = ShortPath(path.CStr(), &shortPath[0], n);
    if (got == 0 || got >= n)
        return false;
    shortPath.resize(got);
    return ToAnsi(shortPath.c_str(), out);
}

// Copies of a pair under plain names in the temporary folder, for folders the
// engine cannot name; removed again once the engine has read them.
class TempPairCopy {
public:
    TempPairCopy(const String& aff, const String& dic)
    {
        wchar_t folder[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, folder);
        if (n == 0 || n > MAX_PATH)
            ThrowLastError(L"GetTempPathW");
        static unsigned counter = 0;
        wchar_t name[MAX_PATH + 64];
        swprintf(name, MAX_PATH + 64, L"%lsscrivel-dict-%lu-%u", folder, GetCurrentProcessId(), ++counter);
        aff_.ConcatList({name, L".aff"});
        dic_.ConcatList({name, L".dic"});
        if (!CopyFileW(aff.CStr(), aff_.CStr(), FALSE))
            ThrowLastError(aff.CStr());
        if (!CopyFileW(dic.CStr(), dic_.CStr(), FALSE))
            ThrowLastError(dic.CStr());
    }
    ~TempPairCopy()
    {
        DeleteFileW(aff_.CStr());
        DeleteFileW(dic_.CStr());
    }
    TempPairCopy(const TempPairCopy&) = delete;
    TempPairCopy& operator=(const TempPairCopy&) = delete;
    const String& Aff() const { return aff_; }
    const String& Dic() const { return dic_; }

private:
    String aff_;
    String dic_;
};

Hunspell* NewEngine(const std::string& aff, const std::string& dic)
{
    // The engine reports only allocation failures, as exceptions that must
    // not travel further than here.
    try {
        return new Hunspell(aff.c_str(), dic.c_str());
    } catch (...) {
        throw MemoryError();
    }
}

Hunspell* OpenEngine(const String& aff, const String& dic)
{
    std::string narrowAff;
    std::string narrowDic;
    if (NarrowPath(aff, narrowAff) && NarrowPath(dic, narrowDic))
        return NewEngine(narrowAff, narrowDic);
    TempPairCopy copy(aff, dic);
    if (!NarrowPath(copy.Aff(), narrowAff) || !NarrowPath(copy.Dic(), narrowDic))
        throw WinError(ERROR_FILE_NOT_FOUND, dic.CStr());
    return NewEngine(narrowAff, narrowDic);
}

// Lower case of one UTF-16 unit by the word lists' rule, cached: the system's
// mapping is far slower than the lookups that need it.
wchar_t LowerUnit(wchar_t c)
{
    if (c < 128)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    if (IsHighSurrogate(c) || IsLowSurrogate(c))
        return c;
    static u16 cache[0x10000];  // 0 = not asked yet
    u16& slot = cache[static_cast<u16>(c)];
    if (slot == 0) {
        int32 lower = ToLowerCodePoint(c);
        slot = lower >= 0 && lower <= 0xFFFF ? static_cast<u16>(lower) : static_cast<u16>(c);
    }
    return static_cast<wchar_t>(slot);
}

}  // namespace

void SetShortPathCall(ShortPathCall call)
{
    g_shortPath = call;
}

DictFolders DictFolders::OfApplication()
{
    DictFolders folders;
    folders.user = GetDataFilePath(L"spellcheck\\");
    String program = GetProgramFolder();
    folders.shipped.ConcatList({program.CStr(), L"spellcheck\\"});
    return folders;
}

int CompareDictWords(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen)
{
    int64 common = alen < blen ? alen : blen;
    for (int64 i = 0; i < common; i++) {
        wchar_t la = LowerUnit(a[i]);
        wchar_t lb = LowerUnit(b[i]);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (alen != blen)
        return alen < blen ? -1 : 1;
    for (int64 i = 0; i < common; i++) {
        bool aChanged = LowerUnit(a[i]) != a[i];
        bool bChanged = LowerUnit(b[i]) != b[i];
        if (aChanged != bChanged)
            return aChanged ? 1 : -1;
    }
    return 0;
}

int64 FindDictWord(const Array<String>& list, const wchar_t* word, int64 length)
{
    int64 low = 0;
    int64 high = list.Count() - 1;
    const String* items = list.Data();
    while (low <= high) {
        int64 middle = (low + high) / 2;
        int c = CompareDictWords(items[middle].Data(), items[middle].Length(), word, length);
        if (c == 0)
            return middle;
        if (c < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return low;
}

void InsertDictWord(Array<String>& list, const String& word)
{
    list.Insert(FindDictWord(list, word.Data(), word.Length()), word);
}

bool ContainsDictWord(const Array<String>& list, const wchar_t* word, int64 length)
{
    int64 found = FindDictWord(list, word, length);
    for (int64 i = found - 1; i <= found + 1; i++) {
        if (i < 0 || i >= list.Count())
            continue;
        const String& e = list.At(i);
        if (e.Length() != length)
            continue;
        bool same = true;
        for (int64 k = 0; k < length && same; k++)
            same = LowerUnit(e.Data()[k]) == LowerUnit(word[k]);
        if (same)
            return true;
    }
    return false;
}

CorrectorDict::CorrectorDict() = default;
CorrectorDict::~CorrectorDict() = default;

void CorrectorDict::Load(const String& name, const DictFolders& folders)
{
    name_ = name;
    if (name.IsEmpty())
        throw InternalError();
    String userDic = WithExtension(folders.user, name, L".dic");
    String userAff = WithExtension(folders.user, name, L".aff");
    String shippedDic = WithExtension(folders.shipped, name, L".dic");
    String shippedAff = WithExtension(folders.shipped, name, L".aff");
    userWordsPath_ = WithExtension(folders.user, name, L".usr");
    // Only the .dic decides, so the pair always comes from one folder.
    bool user = IsPlainFile(userDic);
    const String& dic = user ? userDic : shippedDic;
    const String& aff = user ? userAff : shippedAff;
    if (!IsPlainFile(dic))
        throw WinError(ERROR_FILE_NOT_FOUND, dic.CStr());
    hunspell_.reset(OpenEngine(aff, dic));

    DictEncodingInfo info;
    if (!FindDictEncoding(hunspell_->get_dict_encoding().c_str(), info))
        throw SpellDictEncodingError();
    if (info.shared) {
        table_ = info.shared;
    } else if (info.high) {
        ownedTable_.reset(new (std::nothrow) CodePageTable());
        if (!ownedTable_)
            throw MemoryError();
        u16 mapping[256];
        FillDictMapping(info.high, mapping);
        BuildCodePageTable(*ownedTable_, mapping);
        table_ = ownedTable_.get();
    }
}

void CorrectorDict::ToDictEncoding(const wchar_t* word, int64 length, std::string& bytes, bool& representable) const
{
    representable = true;
    int32 n = AsInt(length);
    if (!table_) {
        bytes.resize(static_cast<size_t>(EncodeUtf8(nullptr, word, n)));
        EncodeUtf8(reinterpret_cast<u8*>(&bytes[0]), word, n);
        return;
    }
    bytes.resize(static_cast<size_t>(n));
    const u16* reverse = table_->reverse;
    for (int32 i = 0; i < n; i++) {
        wchar_t c = word[i];
        u16 b = c < 0x4000 ? reverse[c] : CodePageTable::kNotRepresentable;
        if (b == CodePageTable::kNotRepresentable) {
            representable = false;
            b = '?';
        }
        bytes[static_cast<size_t>(i)] = static_cast<char>(b);
    }
}

bool CorrectorDict::IsCorrect(const wchar_t* word, int64 length) const noexcept
{
    if (!word || length == 0)
        return true;
    try {
        if (!hunspell_)
            return false;
        bool representable = false;
        ToDictEncoding(word, length, scratch_, representable);
        if (representable)
            return hunspell_->spell(scratch_);
        return ContainsDictWord(userWords_, word, length) || ContainsDictWord(ignoredWords_, word, length);
    } catch (...) {
        return false;
    }
}

Array<String> CorrectorDict::Suggest(const String& word) const
{
    Array<String> result;
    if (word.Length() > 1000 || !hunspell_)
        return result;
    std::string bytes;
    bool representable = false;
    ToDictEncoding(word.Data(), word.Length(), bytes, representable);
    std::vector<std::string> candidates;
    try {
        candidates = hunspell_->suggest(bytes);
    } catch (...) {
        throw MemoryError();
    }
    for (const std::string& c : candidates) {
        int64 n = static_cast<int64>(c.size());
        if (!table_) {
            result.Insert(result.Count(), Utf8ToString(c.data(), n));
            continue;
        }
        String s;
        wchar_t* units = s.Allocate(n);
        for (int64 i = 0; i < n; i++)
            units[i] = static_cast<wchar_t>(table_->forward[static_cast<u8>(c[static_cast<size_t>(i)])]);
        result.Insert(result.Count(), s);
    }
    return result;
}

void CorrectorDict::AddToEngine(const std::string& bytes)
{
    int failed;
    try {
        failed = hunspell_->add(bytes);
    } catch (...) {
        throw MemoryError();
    }
    if (failed)
        throw MemoryError();
}

bool CorrectorDict::ForEngine(const String& word, std::string& bytes) const
{
    bool representable = false;
    ToDictEncoding(word.Data(), word.Length(), bytes, representable);
    return representable && hunspell_ && !bytes.empty();
}

void CorrectorDict::AddUserWord(const wchar_t* word)
{
    String w(word);
    std::string bytes;
    if (ForEngine(w, bytes))
        AddToEngine(bytes);
    InsertDictWord(userWords_, w);
}

void CorrectorDict::IgnoreWord(const wchar_t* word)
{
    String w(word);
    std::string bytes;
    if (ForEngine(w, bytes)) {
        bool known;
        try {
            known = hunspell_->spell(bytes);
        } catch (...) {
            throw MemoryError();
        }
        if (known)
            return;
        AddToEngine(bytes);
    }
    InsertDictWord(ignoredWords_, w);
}

void CorrectorDict::LoadUserWords()
{
    if (!IsPlainFile(userWordsPath_))
        return;
    File file;
    file.Open(userWordsPath_, kFileRead, -16);
    CharStream stream(file, kStreamUtf8, false);
    Array<String> fresh;
    fresh.Reset();
    std::string bytes;
    while (!stream.AtEnd()) {
        String line = stream.ReadLine();
        InsertDictWord(fresh, line);
        // Words of the list already read went into the engine then; adding
        // them once more on every reload would only pile up copies.
        int64 known = FindDictWord(userWords_, line.Data(), line.Length());
        if (known < userWords_.Count() && userWords_.At(known).Equals(line))
            continue;
        if (ForEngine(line, bytes))
            AddToEngine(bytes);
    }
    file.Close();
    userWords_ = fresh;
}

void CorrectorDict::SaveUserWords() const
{
    String folder = DirectoryPart(userWordsPath_);
    CreateDirectoryW(folder.CStr(), nullptr);
    // The words go into a file of their own first, so that a full disk or a
    // locked file never leaves the user's list cut short.
    String temporary;
    temporary.ConcatList({userWordsPath_.CStr(), L".tmp"});
    try {
        File file;
        file.Open(temporary, kFileCreate, -16);
        CharStream stream(file, kStreamUtf8, true);
        for (int64 i = 0; i < userWords_.Count(); i++) {
            const String& word = userWords_.At(i);
            if (word.Length() < 1 || word.Length() > 200)
                continue;
            stream.WriteText(word);
            stream.WriteChar('\n');
        }
        file.Flush();
        file.Close();
        if (!MoveFileExW(temporary.CStr(), userWordsPath_.CStr(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastError(userWordsPath_.CStr());
    } catch (...) {
        DeleteFileW(temporary.CStr());
        throw;
    }
}
