#include "DictFuzzTargets.h"

#include "base/Error.h"
#include "spell/CorrectorDict.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

void Expect(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const char kSeparator[] = "\n#dic\n";

const char kUtf8Aff[] =
    "SET UTF-8\n"
    "TRY aeiouykotzrsn\xC5\xBA\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\xC4\x99\n"
    "KEY qwertyuiop|asdfghjkl|zxcvbnm\n"
    "WORDCHARS -'\n"
    "AF 3\nAF AB\nAF C\nAF ABZ\n"
    "AM 2\nAM po:noun ph:kott\nAM po:verb st:kot\n"
    "REP 2\nREP k c\nREP \xC3\xB3 u\n"
    "MAP 2\nMAP u\xC3\xB3\nMAP z\xC5\xBC\xC5\xBA\n"
    "PHONE 3\nPHONE K C\nPHONE \xC3\x93 U\nPHONE SZ S\n"
    "BREAK 2\nBREAK -\nBREAK ^-\n"
    "ICONV 1\nICONV ' \xE2\x80\x99\n"
    "OCONV 1\nOCONV \xE2\x80\x99 '\n"
    "COMPOUNDMIN 2\nCOMPOUNDFLAG Z\n"
    "COMPOUNDRULE 1\nCOMPOUNDRULE ZZ\n"
    "CHECKCOMPOUNDPATTERN 1\nCHECKCOMPOUNDPATTERN t k\n"
    "MAXNGRAMSUGS 4\n"
    "PFX A Y 1\nPFX A 0 prze .\n"
    "SFX B Y 2\nSFX B 0 y [^y]\nSFX B t ci t\n"
    "SFX C N 1\nSFX C 0 ek/B .\n";

const char kUtf8Dic[] =
    "6\n"
    "kot/1\t1\n"
    "pies/2 2\n"
    "\xC5\xBC\xC3\xB3\xC5\x82w\n"
    "rush/3\n"
    "dom/1\n"
    "kotek\n";

// ISO8859-2 with two-letter flags: żółw is BF F3 B3 77.
const char kLatin2Aff[] =
    "SET ISO8859-2\n"
    "FLAG long\n"
    "TRY aeiouyk\xBF\xF3\xB3\n"
    "KEY qwe|asd\n"
    "NEEDAFFIX Nn\nFORBIDDENWORD Xx\nNOSUGGEST Ns\n"
    "REP 1\nREP w f\n"
    "PFX Aa Y 1\nPFX Aa 0 nie .\n"
    "SFX Bb Y 2\nSFX Bb 0 a [^a]\nSFX Bb w wie w\n"
    "COMPOUNDBEGIN Cb\nCOMPOUNDEND Ce\n"
    "PHONE 2\nPHONE \xD3 U\nPHONE W F\n";

const char kLatin2Dic[] =
    "4\n"
    "\xBF\xF3\xB3w/AaBb\n"
    "kot/BbCb\n"
    "pies/Ce\n"
    "zly/Xx\n";

// Numeric flags and a word list of one line each way.
const char kNumAff[] = "SET UTF-8\nFLAG num\nSFX 1 Y 1\nSFX 1 0 s .\nCOMPOUNDFLAG 2\nONLYINCOMPOUND 3\n";
const char kNumDic[] = "3\nkot/1,2\nrush/2\nek/3\n";

// The words every input is asked about: plain, misspelt, with letters the
// encodings differ on, empty-looking and long.
const wchar_t* const kWords[] = {L"kot",  L"kott", L"rush", L"\u017C\u00F3\u0142w", L"Kot-dom", L"przekoty",
                                 L"a",    L"kot\u2019s", L"KOT", L"\u043A\u043E\u0442",
                                 L"kotkotkotkotkotkotkotkotkotkotkotkot"};

struct FuzzFolder {
    TempFolder temp;
    DictFolders folders;
    String aff, dic;
    FuzzFolder()
    {
        folders.user = temp / L"user\\";
        folders.shipped = temp / L"shipped\\";
        CreateDirectoryW(folders.user.CStr(), nullptr);
        CreateDirectoryW(folders.shipped.CStr(), nullptr);
        aff = Concat(folders.user, L"f.aff");
        dic = Concat(folders.user, L"f.dic");
    }
};

void WriteBytes(const String& path, const u8* bytes, size_t count)
{
    HANDLE h = CreateFileW(path.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path.CStr());
    DWORD written = 0;
    BOOL ok = count == 0 || WriteFile(h, bytes, static_cast<DWORD>(count), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != count)
        ThrowWinError(ERROR_WRITE_FAULT, path.CStr());
}

}  // namespace

std::vector<u8> DictFuzzInput(const std::string& aff, const std::string& dic)
{
    std::string all = aff + kSeparator + dic;
    return std::vector<u8>(all.begin(), all.end());
}

std::vector<FuzzSeed> DictFuzzSeeds()
{
    return {{DictFuzzInput(kUtf8Aff, kUtf8Dic), {}},
            {DictFuzzInput(kLatin2Aff, kLatin2Dic), {}},
            {DictFuzzInput(kNumAff, kNumDic), {}}};
}

void RunDictFuzz(const u8* bytes, size_t count)
{
    static std::unique_ptr<FuzzFolder> folder(new FuzzFolder);
    const u8* end = bytes + count;
    const u8* split = std::search(bytes, end, kSeparator, kSeparator + strlen(kSeparator));
    WriteBytes(folder->aff, bytes, static_cast<size_t>(split - bytes));
    if (split == end) {
        static const char kDefault[] = "1\nkot\n";
        WriteBytes(folder->dic, reinterpret_cast<const u8*>(kDefault), strlen(kDefault));
    } else {
        const u8* dic = split + strlen(kSeparator);
        WriteBytes(folder->dic, dic, static_cast<size_t>(end - dic));
    }
    CorrectorDict dict;
    try {
        dict.Load(String(L"f"), folder->folders);
    } catch (const Error& e) {
        // Only what loading may raise: an encoding without a table, or memory.
        Expect(e.code == -400 || e.code == 8);
        throw;
    }
    for (const wchar_t* word : kWords)
        dict.IsCorrect(word, static_cast<int64>(wcslen(word)));
    for (const wchar_t* word : {L"kott", L"rush", L"\u017C\u00F3lw", L"kotdom"}) {
        Array<String> s = dict.Suggest(String(word));
        Expect(s.Count() <= 15);
    }
    // Conversion tables may keep the engine from accepting what it was given,
    // so only that nothing breaks is checked here.
    dict.AddUserWord(L"piesek");
    dict.IgnoreWord(L"kotx");
    dict.IsCorrect(L"piesek", 6);
    dict.IsCorrect(L"kotx", 4);
}
