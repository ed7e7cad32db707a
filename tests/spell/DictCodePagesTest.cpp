#include "spell/DictCodePages.h"
#include "spell/DictImport.h"
#include "text/Encoding.h"

#include <doctest.h>

#include <windows.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

struct BuiltPage {
    const char* name;
    UINT codePage;     // Windows' number, for MultiByteToWideChar
    const char* iconv; // the host's name, for the pages Wine lacks
};

const BuiltPage kBuilt[] = {
    {"ISO8859-3", 28593, nullptr},  {"ISO8859-4", 28594, nullptr},  {"ISO8859-5", 28595, nullptr},
    {"ISO8859-6", 28596, nullptr},  {"ISO8859-7", 28597, nullptr},  {"ISO8859-8", 28598, nullptr},
    {"ISO8859-9", 28599, nullptr},  {"ISO8859-10", 28600, "ISO-8859-10"}, {"ISO8859-11", 28601, "ISO-8859-11"},
    {"ISO8859-14", 28604, "ISO-8859-14"}, {"CP-1251", 1251, nullptr}, {"KOI8-R", 20866, nullptr},
    {"KOI8-U", 21866, nullptr},
};

// The system's reading of one byte; -1 when it has none.
int SystemChar(UINT codePage, unsigned char byte)
{
    wchar_t out[2];
    char in = static_cast<char>(byte);
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, out, 2);
    return n == 1 ? out[0] : -1;
}

// Bytes where Windows follows another edition than the published mapping.
bool WindowsEditionDiffers(UINT codePage, int b)
{
    switch (codePage) {
    case 21866:  // KOI8-RU's ў and Ў where KOI8-U has box drawings
        return b == 0xAE || b == 0xBE;
    case 28597:  // ISO 8859-7:1987: other quotation marks; no €, ₯ or ͺ
        return b == 0xA1 || b == 0xA2 || b == 0xA4 || b == 0xA5 || b == 0xAA;
    case 28598:  // ISO 8859-8:1988: overline for macron; no LRM and RLM
        return b == 0xAF || b == 0xFD || b == 0xFE;
    default:
        return false;
    }
}

// "<page> <byte> <UTF-16 hex or ->" lines written by the build from the host's iconv.
std::map<std::string, std::map<int, int>> IconvTables()
{
    std::string path = SPELL_ICONV_TABLES;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    std::ifstream in("Z:" + path);
    std::map<std::string, std::map<int, int>> tables;
    std::string page, byte, value;
    while (in >> page >> byte >> value)
        tables[page][std::stoi(byte, nullptr, 16)] = value == "-" ? -1 : std::stoi(value, nullptr, 16);
    return tables;
}

}  // namespace

TEST_CASE("the built tables agree with Wine's code pages, and with iconv where Wine has none")
{
    auto iconv = IconvTables();
    for (const BuiltPage& page : kBuilt) {
        std::string name = page.name;
        CAPTURE(name);
        DictEncodingInfo info;
        REQUIRE(FindDictEncoding(page.name, info));
        REQUIRE(info.high != nullptr);
        u16 mapping[256];
        FillDictMapping(info.high, mapping);
        bool wine = IsValidCodePage(page.codePage) != 0;
        CHECK((wine || page.iconv != nullptr));
        int compared = 0;
        int defined = 0;
        for (int b = 128; b < 256; b++) {
            CAPTURE(b);
            if (mapping[b] == 0xFFFD)
                continue;  // undefined by the published page
            if (wine && WindowsEditionDiffers(page.codePage, b))
                continue;
            defined++;
            if (page.iconv) {
                const auto& t = iconv[page.iconv];
                REQUIRE(t.size() == 128);
                CHECK(t.at(b) == mapping[b]);
                compared++;
            }
            if (wine) {
                CHECK(SystemChar(page.codePage, static_cast<unsigned char>(b)) == mapping[b]);
                compared++;
            }
        }
        CHECK(compared >= defined);

        // Every defined character converts to its byte and back.
        CodePageTable table;
        BuildCodePageTable(table, mapping);
        for (int b = 128; b < 256; b++)
            if (mapping[b] != 0xFFFD && mapping[b] < 0x4000)
                CHECK(table.reverse[mapping[b]] == b);
    }
}

TEST_CASE("encoding names are matched exactly")
{
    DictEncodingInfo info;
    CHECK(FindDictEncoding("UTF-8", info));
    CHECK(info.shared == nullptr);
    CHECK(info.high == nullptr);
    CHECK(FindDictEncoding("ISO8859-2", info));
    CHECK(info.shared == CodePageTableOf(EncodingIso8859_2));
    CHECK(FindDictEncoding("CP-1250", info));
    CHECK(info.shared == CodePageTableOf(EncodingWindows1250));
    CHECK(FindDictEncoding("CP-1252", info));
    CHECK(FindDictEncoding("ISO8859-1", info));
    for (const char* refused : {"cp-1250", "ISO8859-15", "utf-8", "ISO-8859-2", "", "KOI8-RU"})
        CHECK_FALSE(FindDictEncoding(refused, info));
    CHECK_FALSE(FindDictEncoding(nullptr, info));
}

TEST_CASE("archive names in code page 852 become the same Polish letters in Windows-1250")
{
    const unsigned char polish852[18] = {0x86, 0x88, 0x8D, 0x8F, 0x97, 0x98, 0x9D, 0xA2, 0xA4,
                                         0xA5, 0xA8, 0xA9, 0xAB, 0xBD, 0xBE, 0xE0, 0xE3, 0xE4};
    REQUIRE(IsValidCodePage(852));
    for (unsigned char b : polish852) {
        CAPTURE(static_cast<int>(b));
        char name[2] = {static_cast<char>(b), 0};
        Cp852ToCp1250(name);
        int letter = SystemChar(852, b);
        CHECK(letter == SystemChar(1250, static_cast<unsigned char>(name[0])));
        CHECK(std::wstring(L"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ").find(static_cast<wchar_t>(letter)) != std::wstring::npos);
    }
    // Other bytes stay.
    char name[] = "s\x88ownik.aff\x80\xFF";
    Cp852ToCp1250(name);
    CHECK(std::string(name) == "s\xB3ownik.aff\x80\xFF");
}

TEST_CASE("wildcards match whole names, ASCII letters ignoring case")
{
    CHECK(WildcardMatch("pl.aff", "*.aff"));
    CHECK(WildcardMatch("PL.AFF", "*.aff"));
    CHECK(WildcardMatch("dict/pl.aff", "*.aff"));
    CHECK(WildcardMatch("a\\b.aff", "*.aff"));
    CHECK(WildcardMatch(".aff", "*.aff"));
    CHECK_FALSE(WildcardMatch("pl.aff.txt", "*.aff"));
    CHECK_FALSE(WildcardMatch("pl.af", "*.aff"));
    CHECK(WildcardMatch("abc", "a?c"));
    CHECK_FALSE(WildcardMatch("ac", "a?c"));
    CHECK(WildcardMatch("\xB3.dic", "?.DIC"));
    CHECK_FALSE(WildcardMatch("\xB3", "\xA3"));  // beyond ASCII: byte for byte
    CHECK(WildcardMatch("", "*"));
}
