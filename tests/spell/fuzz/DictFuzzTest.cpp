#include "DictFuzzTargets.h"
#include "GuardHeap.h"

#include "spell/SpellFixtures.h"

#include "base/Error.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <string>
#include <utility>

// The damaged dictionaries that once crashed the engine, run as they are
// through the checked build (library assertions and trapping UB checks).
TEST_CASE("damaged dictionaries load and suggest: aliases out of range, a cut phonetic table, a bad TRY byte, a NUL, no case table")
{
    const std::pair<std::string, std::string> inputs[] = {
        {"SET UTF-8\nAM 1\nAM po:noun\n", "1\nkot\t2\n"},
        {"PHONE 1\n", "1\nkot\n"},
        {"SET UTF-8\nTRY a\xff\n", "1\nkot\n"},
        {"SET UTF-8\nTRY \xf8\xf0" "a\n", "1\nkot\n"},
        {"SET UTF-8\nKEY a\xfe|b\n", "1\nkot\n"},
        {"REP 2147483647\n", "1\nkot\n"},
        {std::string("REP 1\nREP \0x y\n", 16), "1\nkot\n"},  // a NUL in a line
        // Reading stops at the second COMPOUNDFLAG, before the case table is set.
        {"SET ISO8859-2\nCHECKCOMPOUNDCASE\nCOMPOUNDFLAG A\nCOMPOUNDFLAG A\n", "2\nkot/A\ndom/A\n#words\nkotdom\n"},
    };
    for (const auto& input : inputs) {
        INFO(input.first);
        std::vector<u8> bytes = DictFuzzInput(input.first, input.second);
        try {
            RunDictFuzz(bytes.data(), bytes.size());
        } catch (const Error& e) {
            CHECK(e.code == 8);  // only the huge table: out of memory
        }
    }
}

namespace {

// The .dic word of cpdpattern_index, its UTF-8 bytes read as ISO 8859-1.
const char kCpdPatternWord[] = "\u00C4\u00B2\u00F0\u009F\u0098\u0080ala";

bool Correct(const CorrectorDict& d, const std::wstring& word)
{
    return d.IsCorrect(word.c_str(), static_cast<int64>(word.size()));
}

}  // namespace

TEST_CASE("the damaged pairs kept beside the spelling tests run through the checked build")
{
    // Each with the words asked beside the fixed ones, if any.
    const std::pair<const wchar_t*, std::string> pairs[] = {
        {L"map_empty", ""}, {L"phone_paren", ""}, {L"iconv_nonbmp_phone", ""}, {L"am_longword", ""},
        {L"af_32768", ""}, {L"hang2", ""}, {L"hang_cpd", ""},
        {L"hidden_capital_32768_flags", ""},  // "koT" with 32,768 flags
        // COMPLEXPREFIXES: reversing shortens the characters above U+FFFF.
        {L"twosfx_complexprefixes_nonbmp",
         "dy\u017Al\u00DFc\u0119\u0105\uFFFFp\u0107\u0105n\u015Bt\u0142e\u015B\u0119\u017C\u017As\u043Eosfs"
         "\U0001F600bzr\u017A\U0001F600xjq\u00DF"},
        // A first part with COMPOUNDFORBIDFLAG beside a replacing CHECKCOMPOUNDPATTERN.
        {L"hang_checkcompoundpattern", "\u0119\u015B\u0119bdk\u0119\u015B\u0119bdk"},
        {L"af_onlyupcase", "Kot\nKOT"},      // the internal only-upper-case flag in an alias
        {L"iconv_break", "\u0130stanbul"},   // ICONV u -> x\u0130u, BREAK \u0130
        {L"cpdpattern_index", kCpdPatternWord},
        {L"conv_anchor_only", ""},           // ICONV _ x
    };
    for (const auto& pair : pairs) {
        std::wstring folder = std::wstring(L"" SPELL_DAMAGED_DICTS) + pair.first + L"\\";
        std::string dic = ReadFileBytes(String((folder + L"d.dic").c_str()));
        if (!pair.second.empty())
            dic += "#words\n" + pair.second + "\n";
        std::vector<u8> bytes = DictFuzzInput(ReadFileBytes(String((folder + L"d.aff").c_str())), dic);
        RunDictFuzz(bytes.data(), bytes.size());
    }
}

// The hidden upper-case form's copy of the flags, with a flag above the
// only-upper-case one, was searched unsorted and never freed.
TEST_CASE("a mixed-case word whose aliased flags pass the only-upper-case flag gives its flag copy back")
{
    for (const char* aff : {"FLAG num\nAF 1\nAF 65535\n", "FLAG UTF-8\nAF 1\nAF \xEF\xBF\xBF\n"}) {
        std::vector<u8> bytes = DictFuzzInput(aff, "1\nkoT/1\n");
        RunDictFuzz(bytes.data(), bytes.size());  // the tables made on first use
        long long before = GuardHeapInUse().blocks;
        RunDictFuzz(bytes.data(), bytes.size());
        CHECK(GuardHeapInUse().blocks == before);
    }
}

// Short fixed-seed run of mutated seeds and generated shapes; bench/dict_fuzz
// runs as many as it is asked to. An input that keeps heap blocks the second
// time too (the first may make tables kept for later) leaks.
TEST_CASE("every dictionary of 600 ends in a loaded dictionary or an Error and leaves no heap block behind")
{
    const u64 seed = 0x5EED2026;
    INFO("seed " << seed);
    FuzzRandom random(seed);
    GuardedBuffer buffer;
    std::vector<u8> input;
    long long errors = 0, leaking = 0;
    for (int i = 0; i < 600; i++) {
        NextDictFuzzInput(random, input);
        if (DictFuzzBlocksLeft(input, buffer, errors) > 0 && DictFuzzBlocksLeft(input, buffer, errors) > 0 && ++leaking <= 3)
            FAIL_CHECK("input " << i << " leaks: " << std::string(input.begin(), input.end()));
    }
    CHECK(leaking == 0);
    const DictFuzzCalls& calls = DictFuzzCallCount();
    MESSAGE("dictionaries: 600 inputs, " << errors << " errors, " << calls.spell << " spell, " << calls.suggest
                                          << " suggest, seed " << seed);
}

// The later finds, each with the answer it must give in this build (string
// indexes checked, blocks over 256 MB refused, a block freed twice traps).
TEST_CASE("the later damaged pairs check as they should: a double free, break points from a conversion, a compound replacement, a pattern of anchors")
{
    const struct {
        const wchar_t* folder;
        std::wstring word;
        bool correct;
    } pairs[] = {
        {L"af_onlyupcase", L"Kot", true},          // freed with the word and with the alias table
        {L"iconv_break", L"\u0130stanbul", false},  // each part converted grew a new break point
        {L"cpdpattern_index", L"\u00C4\u00B2\u00F0\u009F\u0098\u0080ala", true},  // past the string's end
        {L"conv_anchor_only", L"kot", true},        // an empty pattern never advanced
    };
    for (const auto& pair : pairs) {
        INFO(std::string(pair.word.begin(), pair.word.end()));
        DictFolders f;
        f.user = String((std::wstring(L"" SPELL_DAMAGED_DICTS) + pair.folder + L"\\").c_str());
        f.shipped = f.user;
        CorrectorDict d;
        d.Load(String(L"d"), f);
        CHECK(Correct(d, pair.word) == pair.correct);
        CHECK(d.Suggest(String(pair.word.c_str())).Count() <= 15);
    }
}

// Variants of those shapes: the internal flags (65510, 65511) of every flag
// type in alias vectors and in word flags, conversions that make break
// points or dashes, ICONV and OCONV rows whose pattern is only anchors.
TEST_CASE("variants of internal flag values, conversions making break points and anchor-only patterns")
{
    SpellFolders dirs;
    // Loaded, used and destroyed twice: what the first time keeps (tables
    // made on first use) is the same the second time.
    const std::pair<std::string, std::string> flagPairs[] = {
        {"FLAG num\nAF 2\nAF 65511\nAF 1,65510\n", "3\nkot/1\nKot/2\npies/1\n"},
        {"FLAG num\n", "2\nkot/65511\nkot/1,65510\n"},
        {"FLAG UTF-8\nAF 1\nAF \xEF\xBF\xA7\xEF\xBF\xA6\n", "2\nkot/1\nkOT/1\n"},
        {"FLAG long\nAF 1\nAF \xFF\xE7\n", "2\nkot/1\nkot\n"},
        {"FLAG long\n", "1\nkOt/\xFF\xE7\xFF\xE6\n"},
    };
    for (const auto& pair : flagPairs) {
        INFO(pair.first << pair.second);
        std::vector<u8> bytes = DictFuzzInput(pair.first, pair.second + "#words\nKot\nKOT\nkot\n");
        GuardedBuffer buffer;
        long long errors = 0;
        DictFuzzBlocksLeft(bytes, buffer, errors);
        CHECK(DictFuzzBlocksLeft(bytes, buffer, errors) == 0);
        CHECK(errors == 0);
    }
    // A known word stays known; the word whose parts keep growing is not.
    const std::pair<std::string, std::wstring> convPairs[] = {
        {"SET UTF-8\nICONV 1\nICONV a a-a\n", L"a"},  // a dash for each part suggested for
        {"SET UTF-8\nICONV 2\nICONV a a-b-a\nICONV b b.a\nBREAK 3\nBREAK -\nBREAK .\nBREAK ^-\n", L"ab"},
        {"SET UTF-8\nICONV 3\nICONV __ x\nICONV _ y\nICONV ___ z\nOCONV 2\nOCONV _ q\nOCONV __ r\n", L"kto"},
        {"ICONV 2\nICONV _ x\nICONV _\xE9 y\nOCONV 1\nOCONV _ \xE9\n", L"kto"},  // ISO 8859-1
    };
    for (const auto& pair : convPairs) {
        INFO(pair.first);
        SpellFolders::WriteDict(dirs.folders.user, L"conv", pair.first, "1\nkot\n");
        CorrectorDict d;
        d.Load(String(L"conv"), dirs.folders);
        CHECK(Correct(d, L"kot"));
        CHECK_FALSE(Correct(d, pair.second));
        CHECK(d.Suggest(String(pair.second.c_str())).Count() <= 15);
    }
}

// CHECKCOMPOUNDPATTERN replacements longer and shorter than the parts they
// stand for, with letters of several bytes read as 8-bit letters: the
// compound the replacement makes is known, and nothing is read from past
// the end of the word or of its replaced form.
TEST_CASE("compound replacements of other lengths than the parts they stand for")
{
    SpellFolders dirs;
    const struct {
        std::string aff, dic;
        std::wstring good, bad;
    } pairs[] = {
        // 8-bit: the six bytes of "\u0130\u0130\u0130" stand for "o" + "b".
        {"COMPOUNDFLAG C\nCOMPOUNDMIN 1\nCHECKCOMPOUNDPATTERN 1\n"
         "CHECKCOMPOUNDPATTERN o b \xC4\xB0\xC4\xB0\xC4\xB0\n",
         "2\nko/C\nbt/C\n", L"k\u00C4\u00B0\u00C4\u00B0\u00C4\u00B0t",
         L"k\u00C4\u00B0\u00C4\u00B0\u00C4\u00B0\u00C4\u00B0\u00C4\u00B0\u00C4\u00B0t"},
        // 8-bit: "a" stands for an emoji's four bytes and two more.
        {"COMPOUNDFLAG C\nCOMPOUNDMIN 1\nCHECKCOMPOUNDPATTERN 2\n"
         "CHECKCOMPOUNDPATTERN \xF0\x9F\x98\x80 \xC4\xB0 a\n"
         "CHECKCOMPOUNDPATTERN 0/C 0/C \xC4\xB0\xF0\x9F\x98\x80\n",
         "3\nk\xF0\x9F\x98\x80/C\n\xC4\xB0t/C\nko/C\n", L"kat", L"k\u00C4\u00B0\u00F0\u009F\u0098\u0080t"},
        // UTF-8: "x" stands for five letters of two bytes.
        {"SET UTF-8\nCOMPOUNDFLAG C\nCOMPOUNDMIN 1\nCHECKCOMPOUNDPATTERN 1\n"
         "CHECKCOMPOUNDPATTERN \xC4\xB0\xC4\xB0\xC4\xB0 \xC4\xB0\xC4\xB0 x\n",
         "2\nk\xC4\xB0\xC4\xB0\xC4\xB0/C\n\xC4\xB0\xC4\xB0t/C\n", L"kxt", L"kx\u0130\u0130t"},
    };
    for (const auto& pair : pairs) {
        INFO(pair.aff);
        SpellFolders::WriteDict(dirs.folders.user, L"cpd", pair.aff, pair.dic);
        CorrectorDict d;
        d.Load(String(L"cpd"), dirs.folders);
        CHECK(Correct(d, pair.good));
        CHECK_FALSE(Correct(d, pair.bad));
        CHECK(d.Suggest(String(pair.good.c_str())).Count() <= 15);
        CHECK(d.Suggest(String(pair.bad.c_str())).Count() <= 15);
    }
}
