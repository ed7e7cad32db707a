#include "DictFuzzTargets.h"

#include "base/Error.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <string>
#include <utility>

// The damaged dictionaries that once crashed the engine, run as they are
// through the checked build (library assertions and trapping UB checks).
TEST_CASE("damaged dictionaries load and suggest: aliases out of range, a cut phonetic table, a bad TRY byte, a NUL")
{
    const std::pair<std::string, std::string> inputs[] = {
        {"SET UTF-8\nAM 1\nAM po:noun\n", "1\nkot\t2\n"},
        {"PHONE 1\n", "1\nkot\n"},
        {"SET UTF-8\nTRY a\xff\n", "1\nkot\n"},
        {"SET UTF-8\nTRY \xf8\xf0" "a\n", "1\nkot\n"},
        {"SET UTF-8\nKEY a\xfe|b\n", "1\nkot\n"},
        {"REP 2147483647\n", "1\nkot\n"},
        {std::string("REP 1\nREP \0x y\n", 16), "1\nkot\n"},  // a NUL in a line
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
    for (const wchar_t* name : {L"map_empty", L"phone_paren", L"iconv_nonbmp_phone", L"am_longword", L"af_32768",
                                L"hang2", L"hang_cpd"}) {
        std::wstring folder = std::wstring(L"" SPELL_DAMAGED_DICTS) + name + L"\\";
        std::vector<u8> bytes = DictFuzzInput(ReadFileBytes(String((folder + L"d.aff").c_str())),
                                              ReadFileBytes(String((folder + L"d.dic").c_str())));
        RunDictFuzz(bytes.data(), bytes.size());
    }
}

// Short fixed-seed run; bench/dict_fuzz runs as many as it is asked to.
TEST_CASE("every mutated dictionary of 1,500 ends in a loaded dictionary or an Error")
{
    const u64 seed = 0x5EED2026;
    INFO("seed " << seed);
    FuzzStats stats = RunFuzz(DictFuzzSeeds(), seed, 1500, RunDictFuzz);
    CHECK(stats.inputs == 1500);
    MESSAGE("dictionaries: " << stats.inputs << " inputs, " << stats.errors << " errors, seed " << seed);
}
