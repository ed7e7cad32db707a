#include "DictFuzzTargets.h"
#include "GuardHeap.h"

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
