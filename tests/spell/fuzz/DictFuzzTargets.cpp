#include "DictFuzzTargets.h"
#include "GuardHeap.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "spell/CorrectorDict.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

void Expect(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const char kSeparator[] = "\n#dic\n";
const char kWordsSeparator[] = "\n#words\n";

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

// The generator of shaped dictionaries.

struct Letter {
    char32_t code;
    u8 byte;  // in the 8-bit encoding; 0 for UTF-8
};

struct Encoding {
    const char* name;
    bool utf8;
    std::vector<Letter> letters;  // besides a-z
};

const std::vector<Encoding>& Encodings()
{
    static const std::vector<Encoding> encodings = {
        {"UTF-8", true,
         {{0x105, 0}, {0x107, 0}, {0x119, 0}, {0x142, 0}, {0xF3, 0}, {0x15B, 0}, {0x17C, 0}, {0x17A, 0},
          {0x43A, 0}, {0x43E, 0}, {0x442, 0}, {0xE9, 0}, {0xDF, 0}, {0x1D49C, 0}, {0x1F600, 0}, {0xFFFF, 0}}},
        {"ISO8859-2", false,
         {{0x105, 0xB1}, {0x107, 0xE6}, {0x119, 0xEA}, {0x142, 0xB3}, {0xF3, 0xF3}, {0x15B, 0xB6}, {0x17C, 0xBF},
          {0x17A, 0xBC}, {0x141, 0xA3}}},
        {"ISO8859-1", false, {{0xE9, 0xE9}, {0xF6, 0xF6}, {0xDF, 0xDF}, {0xF1, 0xF1}, {0xFF, 0xFF}}},
        {"KOI8-R", false, {{0x43A, 0xCB}, {0x43E, 0xCF}, {0x442, 0xD4}, {0x430, 0xC1}, {0x41A, 0xEB}}},
        {"CP-1250", false, {{0x105, 0xB9}, {0x15B, 0x9C}, {0x17A, 0x9F}, {0x142, 0xB3}, {0x160, 0x8A}}},
        {"ISO8859-15", false, {{0x20AC, 0xA4}}},  // no table: refused after loading
    };
    return encodings;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

using Word = std::u32string;

// A byte written as it is into an 8-bit dictionary stands in a Word as
// kRawByte + byte (asked about as the ISO 8859-1 letter of that byte).
constexpr char32_t kRawByte = 0xDC00;

enum class FlagKind { Char, Long, Num, Utf8 };

class Generator {
public:
    Generator(FuzzRandom& random) : r_(random)
    {
        const auto& all = Encodings();
        // UTF-8 half the time; the refused encoding rarely.
        size_t e = r_.Below(2) ? 0 : 1 + r_.Below(all.size() - 1);
        if (e == all.size() - 1 && r_.Below(4))
            e = 1;
        enc_ = &all[e];
        kind_ = static_cast<FlagKind>(r_.Below(4));
        size_t n = 2 + r_.Below(5);
        for (size_t i = 0; i < n; i++)
            flags_.push_back(Flag(i));
    }

    std::string Make();

private:
    bool Chance(size_t n) { return r_.Below(n) == 0; }

    // Counts as written, or one of the damaged ones.
    std::string Count(size_t real)
    {
        if (r_.Below(10) < 7)
            return std::to_string(real);
        static const char* const kCounts[] = {"0", "-1", "1", "2147483647", "2147483648", "32767", "32768",
                                              "65535", "65536", "4294967296", "99999999999", "x", ""};
        switch (r_.Below(4)) {
        case 0:
            return std::to_string(real + 1);
        case 1:
            return std::to_string(real > 0 ? real - 1 : 0);
        default:
            return kCounts[r_.Below(sizeof(kCounts) / sizeof(kCounts[0]))];
        }
    }

    char32_t Letter()
    {
        size_t extra = enc_->letters.size();
        size_t i = r_.Below(26 + extra * 2);  // the encoding's own letters weigh more
        if (i < 26)
            return static_cast<char32_t>('a' + i);
        return enc_->letters[(i - 26) % extra].code;
    }

    std::string Encode(const Word& w) const
    {
        std::string out;
        for (char32_t c : w) {
            if (!enc_->utf8 && c >= kRawByte && c < kRawByte + 0x100) {
                out += static_cast<char>(c - kRawByte);
                continue;
            }
            if (enc_->utf8 || c < 0x80) {
                AppendUtf8(out, c);
                continue;
            }
            u8 b = '?';
            for (const auto& l : enc_->letters)
                if (l.code == c)
                    b = l.byte;
            out += static_cast<char>(b);
        }
        return out;
    }

    size_t Bytes(char32_t c) const
    {
        if (!enc_->utf8 || c < 0x80)
            return 1;
        return c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }

    // A word of a short random length, or of a byte length at a limit.
    Word MakeWord()
    {
        static const size_t kLimits[] = {99, 100, 101, 127, 128, 254, 255, 256, 257, 299, 300, 301, 1000};
        size_t target = Chance(8) ? kLimits[r_.Below(sizeof(kLimits) / sizeof(kLimits[0]))] : 1 + r_.Below(9);
        Word w;
        size_t bytes = 0;
        while (bytes < target) {
            char32_t c = Letter();
            if (bytes + Bytes(c) > target)
                c = 'a' + static_cast<char32_t>(r_.Below(26));
            w += c;
            bytes += Bytes(c);
        }
        return w;
    }

    std::string Text(const Word& w) const { return Encode(w); }

    // In an 8-bit encoding, the UTF-8 bytes of letters beyond it, written
    // as they are: each byte is a letter to the engine, so a word of a few
    // letters is many bytes long.
    Word Raw(const Word& w) const
    {
        if (enc_->utf8)
            return w;
        std::string bytes;
        for (char32_t c : w)
            AppendUtf8(bytes, c);
        Word out;
        for (char b : bytes)
            out += static_cast<unsigned char>(b) < 0x80 ? static_cast<char32_t>(b)
                                                       : kRawByte + static_cast<unsigned char>(b);
        return out;
    }

    // A short word of letters many encodings lack (I with a dot, an emoji),
    // raw in an 8-bit encoding.
    Word MakeWide()
    {
        static const char32_t kWideLetters[] = {0x130, 0x105, 0x1F600, 0xE9, 0x20AC, 0x141, 0x43A};
        Word w;
        for (size_t n = 1 + r_.Below(3); n > 0; n--)
            w += Chance(2) ? kWideLetters[r_.Below(sizeof(kWideLetters) / sizeof(kWideLetters[0]))]
                           : static_cast<char32_t>('a' + r_.Below(26));
        return Raw(w);
    }

    // Hunspell's own flag values (65510 forbids, 65511 marks the hidden
    // capitalised form) in the file's notation; one-byte flags cannot say them.
    std::string Internal()
    {
        unsigned value = Chance(2) ? 65510 : 65511;
        switch (kind_) {
        case FlagKind::Num:
            return std::to_string(Chance(4) ? value + 65536 : value);  // read modulo 2^16
        case FlagKind::Long:
            return std::string(1, static_cast<char>(value >> 8)) + static_cast<char>(value & 0xFF);
        case FlagKind::Utf8: {
            std::string out;
            AppendUtf8(out, value);
            return out;
        }
        default:
            return Known();
        }
    }

    // Flag number i in the file's notation, or one at a limit.
    std::string Flag(size_t i)
    {
        static const unsigned long long kNum[] = {0, 1, 255, 256, 32767, 32768, 65510, 65511, 65535, 65536, 65537,
                                                  131047, 2147483647, 4294967297ull};
        bool edge = Chance(12);
        std::string out;
        switch (kind_) {
        case FlagKind::Char:
            out += edge ? static_cast<char>(r_.Below(2) ? 0xFF : 0x80) : static_cast<char>('A' + i % 26);
            break;
        case FlagKind::Long:
            if (edge && Chance(2))
                return Internal();
            out += static_cast<char>('A' + i % 26);
            out += edge ? static_cast<char>(0xFF) : static_cast<char>('a' + (i / 26) % 26);
            break;
        case FlagKind::Num:
            out = std::to_string(edge ? kNum[r_.Below(sizeof(kNum) / sizeof(kNum[0]))] : 1 + i);
            break;
        case FlagKind::Utf8: {
            static const char32_t kWide[] = {0xFF,   0x100,  0x7FFF,  0x8000, 0xFFE6,
                                             0xFFE7, 0xFFFF, 0x10000, 0x1F600, 0xD800};
            AppendUtf8(out, edge ? kWide[r_.Below(sizeof(kWide) / sizeof(kWide[0]))] : 0x100 + i * 0x1111);
            break;
        }
        }
        return out;
    }

    std::string Known() { return flags_[r_.Below(flags_.size())]; }

    // A flag vector: a few known flags, or as many as an 8- or 16-bit count holds.
    std::string Vector()
    {
        static const size_t kSizes[] = {0, 254, 255, 256, 257, 32767, 32768};
        size_t n = 1 + r_.Below(3);
        if (Chance(10)) {
            n = kSizes[r_.Below(sizeof(kSizes) / sizeof(kSizes[0]))];
            if (n > 300 && !Chance(8))  // the long ones rarely: they are slow to build
                n = 256;
        }
        std::string out;
        for (size_t i = 0; i < n; i++) {
            if (kind_ == FlagKind::Num && i > 0)
                out += ',';
            out += i < 4 || Chance(2) ? Known() : Flag(i);
        }
        if (Chance(8))
            out += (kind_ == FlagKind::Num && !out.empty() ? "," : "") + Internal();
        return out;
    }

    Word MakeShort()
    {
        Word w;
        for (size_t n = 1 + r_.Below(3); n > 0; n--)
            w += Letter();
        return w;
    }

    std::string Short() { return Text(MakeShort()); }

    void Table(std::string& aff, const char* name, size_t rows, const std::function<std::string()>& row)
    {
        aff += name;
        aff += ' ';
        aff += Count(rows);
        aff += '\n';
        for (size_t i = 0; i < rows; i++) {
            aff += name;
            aff += ' ';
            aff += row();
            aff += '\n';
        }
    }

    std::string Group();
    std::string PhoneRule();
    std::string CompoundRule();
    void Affixes(std::string& aff, const char* kind);

    FuzzRandom& r_;
    const Encoding* enc_;
    FlagKind kind_;
    std::vector<std::string> flags_;
    size_t aliases_ = 0;
    size_t morphAliases_ = 0;
    std::vector<Word> words_;
    std::vector<Word> suffixes_;
    std::string compoundFlag_;
    bool compoundMin_ = false;
    std::vector<std::string> breaks_;     // the BREAK table's patterns
    std::vector<Word> convSources_;       // what conversions that make break points convert
    std::vector<Word> cpdReplacements_;   // the third fields of CHECKCOMPOUNDPATTERN
};

// A MAP group: letters, parenthesised runs, or the empty and unclosed ones.
std::string Generator::Group()
{
    static const char* const kOdd[] = {"", "(", ")", "()", "(ab", "a(", "((a))", "(a)(", ")(", "(a)()", "((", "a)b"};
    if (Chance(4))
        return kOdd[r_.Below(sizeof(kOdd) / sizeof(kOdd[0]))];
    std::string g;
    for (size_t n = 1 + r_.Below(4); n > 0; n--) {
        if (Chance(3))
            g += "(" + Short() + ")";
        else
            g += Text(Word(1, Letter()));
    }
    return g;
}

// A PHONE rule: upper-case letters with (), <, -, ^, $ and digits, or a
// cut one.
std::string Generator::PhoneRule()
{
    static const char* const kOdd[] = {"", "(", "A(", "A(B", "A(BC", "()", "A()", "(A", "A(B)-", "_",
                                       "A<", "A-", "^", "$", "A(B)C(D)", "AH(AEIOUY)-^", "A0", "A9<"};
    std::string from = Chance(3) ? kOdd[r_.Below(sizeof(kOdd) / sizeof(kOdd[0]))] : "";
    if (from.empty() && !Chance(6)) {
        for (size_t n = 1 + r_.Below(3); n > 0; n--)
            from += static_cast<char>('A' + r_.Below(26));
        if (Chance(3))
            from += "(" + std::string(1, static_cast<char>('A' + r_.Below(26))) + (Chance(3) ? "" : ")");
        static const char* const kTail[] = {"", "", "<", "-", "^", "$", "1", "--", "^^"};
        from += kTail[r_.Below(sizeof(kTail) / sizeof(kTail[0]))];
    }
    std::string to = Chance(6) ? "_" : std::string(1 + r_.Below(2), static_cast<char>('A' + r_.Below(26)));
    return Chance(10) ? from : from + " " + to;
}

// A COMPOUNDRULE: flags with * and ?, parenthesised for long and numeric flags.
std::string Generator::CompoundRule()
{
    std::string rule;
    bool paren = kind_ == FlagKind::Long || kind_ == FlagKind::Num || Chance(4);
    for (size_t n = 1 + r_.Below(4); n > 0; n--) {
        std::string f = Known();
        rule += paren ? "(" + f + (Chance(10) ? "" : ")") : f;
        if (Chance(3))
            rule += Chance(2) ? "*" : "?";
    }
    return Chance(12) ? (Chance(2) ? "(" : "()") : rule;
}

void Generator::Affixes(std::string& aff, const char* kind)
{
    static const char* const kConditions[] = {".", "[^y]", "[ab]", "[", "[ab", "]", "y", "[^]", "a.b", "[^.]"};
    for (size_t a = r_.Below(3); a > 0; a--) {
        std::string flag = Known();
        size_t rows = 1 + r_.Below(3);
        aff += std::string(kind) + " " + flag + " " + (Chance(2) ? "Y" : "N") + " " + Count(rows) + "\n";
        for (size_t i = 0; i < rows; i++) {
            Word affix = MakeShort();
            if (kind[0] == 'S')
                suffixes_.push_back(affix);
            std::string line = std::string(kind) + " " + flag + " " + (Chance(2) ? "0" : Short()) + " " +
                               (Chance(8) ? "0" : Text(affix));
            if (Chance(4))
                line += "/" + Vector();
            line += " ";
            line += Chance(3) ? kConditions[r_.Below(sizeof(kConditions) / sizeof(kConditions[0]))] : ".";
            if (Chance(4))
                line += morphAliases_ ? " " + std::to_string(1 + r_.Below(morphAliases_ + 1)) : " po:x is:y";
            aff += line + "\n";
        }
    }
}

std::string Generator::Make()
{
    std::string aff;
    // ISO 8859-1 is also what a file without SET is read as.
    if (enc_->name != std::string("ISO8859-1") || Chance(2))
        aff += std::string("SET ") + enc_->name + "\n";
    static const char* const kFlagNames[] = {"", "FLAG long\n", "FLAG num\n", "FLAG UTF-8\n"};
    aff += kFlagNames[static_cast<int>(kind_)];
    if (Chance(3)) {
        std::string t;
        for (size_t n = 3 + r_.Below(10); n > 0; n--)
            t += Text(Word(1, Letter()));
        aff += "TRY " + t + "\n";
    }
    if (Chance(4))
        aff += "KEY " + Short() + "|" + Short() + "|" + Short() + "\n";
    if (Chance(8))
        aff += "WORDCHARS -'" + Short() + "\n";
    if (Chance(10))
        aff += "IGNORE " + Short() + "\n";
    if (Chance(8)) {
        static const char* const kLangs[] = {"tr_TR", "az_AZ", "hu_HU", "de_DE", "crh_UA", "x"};
        aff += std::string("LANG ") + kLangs[r_.Below(6)] + "\n";
    }
    static const char* const kFlagged[] = {"COMPOUNDFLAG", "COMPOUNDBEGIN", "COMPOUNDMIDDLE", "COMPOUNDEND",
                                           "ONLYINCOMPOUND", "NEEDAFFIX", "FORBIDDENWORD", "NOSUGGEST",
                                           "KEEPCASE", "CIRCUMFIX", "FORCEUCASE", "WARN", "SUBSTANDARD",
                                           "COMPOUNDPERMITFLAG", "COMPOUNDFORBIDFLAG", "NONGRAMSUGGEST"};
    for (const char* name : kFlagged)
        if (Chance(6)) {
            std::string flag = Chance(10) ? Flag(99) : Known();
            if (name == std::string("COMPOUNDFLAG"))
                compoundFlag_ = flag;
            aff += std::string(name) + " " + flag + "\n";
        }
    static const char* const kSwitches[] = {"CHECKCOMPOUNDDUP", "CHECKCOMPOUNDREP", "CHECKCOMPOUNDCASE",
                                            "CHECKCOMPOUNDTRIPLE", "SIMPLIFIEDTRIPLE", "NOSPLITSUGS",
                                            "SUGSWITHDOTS", "FULLSTRIP", "CHECKSHARPS", "COMPLEXPREFIXES",
                                            "ONLYMAXDIFF", "FORBIDWARN"};
    for (const char* name : kSwitches)
        if (Chance(8))
            aff += std::string(name) + "\n";
    static const char* const kNumbers[] = {"COMPOUNDMIN", "COMPOUNDWORDMAX", "MAXNGRAMSUGS", "MAXCPDSUGS",
                                           "MAXDIFF"};
    for (const char* name : kNumbers)
        if (Chance(6)) {
            compoundMin_ |= name == std::string("COMPOUNDMIN");
            aff += std::string(name) + " " + Count(1 + r_.Below(4)) + "\n";
        }
    if (Chance(10))
        aff += "COMPOUNDSYLLABLE " + Count(2) + " " + Short() + "\n";

    if (Chance(3)) {
        static const size_t kAliasCounts[] = {255, 256, 257};
        aliases_ = Chance(6) ? kAliasCounts[r_.Below(3)] : 1 + r_.Below(4);
        Table(aff, "AF", aliases_, [&] { return Vector(); });
    }
    if (Chance(4)) {
        morphAliases_ = Chance(8) ? 256 : 1 + r_.Below(3);
        Table(aff, "AM", morphAliases_, [&] { return Chance(6) ? std::string() : "po:n st:" + Short(); });
    }
    if (Chance(3))
        Table(aff, "REP", 1 + r_.Below(3), [&] {
            static const char* const kEnds[] = {"", "", "^", "$", "_"};
            std::string from = kEnds[r_.Below(3)] + Short() + kEnds[r_.Below(5) == 0 ? 3 : 0];
            return Chance(10) ? from : from + " " + Short() + (Chance(6) ? "_" + Short() : "");
        });
    if (Chance(3))
        Table(aff, "MAP", 1 + r_.Below(3), [&] { return Group(); });
    if (Chance(3))
        Table(aff, "PHONE", 1 + r_.Below(4), [&] { return PhoneRule(); });
    if (Chance(4))
        Table(aff, "BREAK", 1 + r_.Below(3), [&] {
            static const char* const kBreaks[] = {"-", "^-", "-$", "", "--", "^", "$", "'"};
            std::string b = Chance(3) ? (Chance(2) ? Text(MakeWide()) : Short()) : kBreaks[r_.Below(8)];
            breaks_.push_back(b);
            return b;
        });
    // Without a BREAK table the engine breaks at dashes, and suggests for
    // the parts between dashes.
    std::vector<std::string> breakers = breaks_;
    breakers.push_back("-");
    for (const char* conv : {"ICONV", "OCONV"})
        if (Chance(4))
            Table(aff, conv, 1 + r_.Below(3), [&] {
                // A pattern of anchors only, which are blanks inside.
                static const char* const kAnchors[] = {"_", "__", "___", "____"};
                if (Chance(6)) {
                    std::string anchors = kAnchors[r_.Below(4)];
                    return Chance(3) ? anchors + " " + Short() : Chance(2) ? Short() + " " + anchors : anchors + " " + anchors;
                }
                // A conversion whose result holds a break point and its source again.
                if (Chance(3)) {
                    Word source = Chance(2) ? Word(1, Letter()) : MakeShort();
                    convSources_.push_back(source);
                    std::string b = breakers[r_.Below(breakers.size())];
                    if (!b.empty() && b[0] == '^')
                        b.erase(0, 1);
                    if (!b.empty() && b.back() == '$')
                        b.pop_back();
                    return Text(source) + " " + (Chance(2) ? Short() : "") + b + Text(source);
                }
                static const char32_t kWide[] = {0x10000, 0x1F600, 0x1D49C, 0x10FFFF, 0x2019, 0xFFFF};
                std::string to;
                for (size_t n = 1 + r_.Below(2); n > 0; n--)
                    AppendUtf8(to, kWide[r_.Below(6)]);
                std::string from = Chance(4) ? "_" + Short() : Short();
                return Chance(3) ? from + " " + to : Chance(2) ? to + " " + from : from + " " + Short();
            });
    if (Chance(4))
        Table(aff, "COMPOUNDRULE", 1 + r_.Below(3), [&] { return CompoundRule(); });
    if (Chance(5)) {
        // Replacements are tried only in compounds.
        if (compoundFlag_.empty() && Chance(2)) {
            compoundFlag_ = Known();
            aff += "COMPOUNDFLAG " + compoundFlag_ + "\n";
        }
        if (!compoundMin_ && Chance(2))
            aff += "COMPOUNDMIN 1\n";
        Table(aff, "CHECKCOMPOUNDPATTERN", 1 + r_.Below(3), [&] {
            // Letters of several bytes in an 8-bit encoding make the
            // replacement's length differ much from the patterns'.
            bool wide = Chance(2);
            auto piece = [&] { return wide ? Text(MakeWide()) : Short(); };
            std::string p = (Chance(6) ? "0" : piece()) + (Chance(3) ? "/" + Known() : "") + " " +
                            (Chance(4) ? "0" : piece());
            if (Chance(3))
                p += "/" + Known();
            if (Chance(2)) {
                Word replacement = wide ? MakeWide() : MakeShort();
                cpdReplacements_.push_back(replacement);
                p += " " + Text(replacement);
            }
            return p;
        });
    }
    Affixes(aff, "PFX");
    Affixes(aff, "SFX");

    std::string dic;
    size_t n = 1 + r_.Below(6);
    dic += Chance(5) ? Count(n) + "\n" : std::to_string(n) + "\n";
    for (size_t i = 0; i < n; i++) {
        // A word again with other flags (a hidden capitalised form meets
        // its word), or one of wide letters.
        Word w = !words_.empty() && Chance(6) ? words_[r_.Below(words_.size())]
                 : Chance(6)                  ? MakeWide()
                                              : MakeWord();
        if (w.size() > 1 && Chance(8) && w[1] >= 'a' && w[1] <= 'z')
            w[1] = w[1] - 32;  // mixed case
        words_.push_back(w);
        std::string line = Text(w);
        if (aliases_ && !Chance(4)) {
            static const unsigned long long kEdges[] = {0, 65535, 65536, 2147483647};
            unsigned long long a = Chance(8) ? kEdges[r_.Below(4)] : 1 + r_.Below(aliases_ + 1);
            line += "/" + std::to_string(a);
        } else if (Chance(2)) {
            line += "/" + Vector();
        }
        if (morphAliases_ && Chance(2))
            line += " " + std::to_string(r_.Below(morphAliases_ + 2));
        else if (Chance(5))
            line += "\tpo:noun st:" + Short();
        dic += line + "\n";
    }

    // Words known, misspelt, inflected and joined; as UTF-8.
    std::vector<Word> asked;
    for (const Word& w : words_) {
        if (asked.size() >= 10)
            break;
        asked.push_back(w);
        Word bad = w;
        size_t at = r_.Below(bad.size() + 1);
        switch (r_.Below(4)) {
        case 0:
            if (!bad.empty())
                bad.erase(bad.begin() + static_cast<ptrdiff_t>(at % bad.size()));
            break;
        case 1:
            bad.insert(bad.begin() + static_cast<ptrdiff_t>(at), Letter());
            break;
        case 2:
            if (bad.size() > 1)
                std::swap(bad[at % (bad.size() - 1)], bad[at % (bad.size() - 1) + 1]);
            break;
        default:
            if (!bad.empty() && bad[0] >= 'a' && bad[0] <= 'z')
                bad[0] = bad[0] - 32;
            else
                bad += Letter();
        }
        asked.push_back(bad);
        if (!suffixes_.empty() && Chance(2))
            asked.push_back(w + suffixes_[r_.Below(suffixes_.size())]);
        if (Chance(3))
            asked.push_back(w + words_[r_.Below(words_.size())]);
    }
    // Compounds joined by a replacement, words holding what a conversion
    // makes break points of.
    for (const Word& r : cpdReplacements_)
        if (Chance(2))
            asked.insert(asked.begin() + static_cast<ptrdiff_t>(r_.Below(asked.size() + 1)),
                         words_[r_.Below(words_.size())] + r + words_[r_.Below(words_.size())]);
    for (const Word& source : convSources_)
        if (Chance(2))
            asked.insert(asked.begin() + static_cast<ptrdiff_t>(r_.Below(asked.size() + 1)),
                         Chance(2) ? source : words_[r_.Below(words_.size())] + source);
    std::string words;
    for (const Word& w : asked) {
        for (char32_t c : w)
            AppendUtf8(words, c >= kRawByte && c < kRawByte + 0x100 ? c - kRawByte : c);
        words += '\n';
    }
    return aff + kSeparator + dic + kWordsSeparator + words;
}

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

DictFuzzCalls& DictFuzzCallCount()
{
    static DictFuzzCalls calls;
    return calls;
}

void NextDictFuzzInput(FuzzRandom& random, std::vector<u8>& input)
{
    static const std::vector<FuzzSeed> seeds = DictFuzzSeeds();
    if (random.Below(2)) {
        const FuzzSeed& seed = seeds[random.Below(seeds.size())];
        input = seed.bytes;
        MutateInput(input, seed.sizeFields, random);
        return;
    }
    std::string text = Generator(random).Make();
    input.assign(text.begin(), text.end());
    if (random.Below(4) == 0)
        MutateInput(input, {}, random);
}

void RunDictFuzz(const u8* bytes, size_t count)
{
    static std::unique_ptr<FuzzFolder> folder(new FuzzFolder);
    const u8* end = bytes + count;
    const u8* split = std::search(bytes, end, kSeparator, kSeparator + strlen(kSeparator));
    WriteBytes(folder->aff, bytes, static_cast<size_t>(split - bytes));
    std::vector<String> asked;
    if (split == end) {
        static const char kDefault[] = "1\nkot\n";
        WriteBytes(folder->dic, reinterpret_cast<const u8*>(kDefault), strlen(kDefault));
    } else {
        const u8* dic = split + strlen(kSeparator);
        const u8* words = std::search(dic, end, kWordsSeparator, kWordsSeparator + strlen(kWordsSeparator));
        WriteBytes(folder->dic, dic, static_cast<size_t>(words - dic));
        for (const u8* p = std::min(end, words + strlen(kWordsSeparator)); p < end && asked.size() < 16;) {
            const u8* line = std::find(p, end, '\n');
            asked.push_back(Utf8ToString(p, line - p));
            p = line + (line < end);
        }
    }
    CorrectorDict dict;
    try {
        dict.Load(String(L"f"), folder->folders);
    } catch (const Error& e) {
        // Only what loading may raise: an encoding without a table, or memory.
        Expect(e.code == -400 || e.code == 8);
        throw;
    }
    DictFuzzCalls& calls = DictFuzzCallCount();
    for (const wchar_t* word : kWords)
        dict.IsCorrect(word, static_cast<int64>(wcslen(word)));
    for (const String& word : asked)
        dict.IsCorrect(word.Data(), word.Length());
    calls.spell += static_cast<long long>(std::size(kWords) + asked.size());
    // Suggestions cost the most: the first two asked words (a known one and
    // its misspelling) or two fixed ones.
    for (size_t i = 0; i < 2; i++) {
        Array<String> s = dict.Suggest(i < asked.size() ? asked[i] : String(i ? L"\u017C\u00F3lw" : L"kott"));
        Expect(s.Count() <= 15);
        calls.suggest++;
    }
    // Conversion tables may keep the engine from accepting what it was given,
    // so only that nothing breaks is checked here.
    dict.AddUserWord(L"piesek");
    dict.IgnoreWord(L"kotx");
    dict.IsCorrect(L"piesek", 6);
    dict.IsCorrect(L"kotx", 4);
    calls.spell += 3;
}

long long DictFuzzBlocksLeft(const std::vector<u8>& input, GuardedBuffer& buffer, long long& errors)
{
    const u8* p = buffer.Place(input.data(), input.size());
    long long before = GuardHeapInUse().blocks;
    try {
        RunDictFuzz(p, input.size());
    } catch (const Error&) {
        errors++;
    }
    return GuardHeapInUse().blocks - before;
}
