// Long fuzz run of the spelling dictionaries: mutated .aff/.dic pairs loaded
// through CorrectorDict and asked to spell, suggest, add and ignore words, in
// the checked build (library assertions, trapping UB checks). Prints the rate
// and the seed, so a run that stops on a trap can be repeated. The reference
// is the same pairs written to disk alone, which every input costs too.
//
//   dict_fuzz [inputs] [seed]

#include "spell/fuzz/DictFuzzTargets.h"

#include "base/Error.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void WriteOnly(const u8* bytes, size_t count)
{
    static wchar_t path[MAX_PATH + 32] = {};
    if (!path[0]) {
        GetTempPathW(MAX_PATH, path);
        wcscat(path, L"dict_fuzz_reference.aff");
    }
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path);
    DWORD written = 0;
    // An empty input lies at the guard page: not even a write of 0 bytes may see it.
    if (count > 0)
        WriteFile(h, bytes, static_cast<DWORD>(count), &written, nullptr);
    CloseHandle(h);
}

}  // namespace

int main(int argc, char** argv)
{
    long long count = argc > 1 ? atoll(argv[1]) : 100000;
    unsigned long long seed = argc > 2 ? strtoull(argv[2], nullptr, 0) : GetTickCount64() * 2654435761ull;
    printf("seed: %llu\n", seed);
    fflush(stdout);
    FuzzStats stats = RunFuzz(DictFuzzSeeds(), seed, count, RunDictFuzz);
    printf("fuzz dictionaries: %.0f inputs/s (%lld inputs, %lld errors, seed %llu)\n",
           static_cast<double>(stats.inputs) / stats.seconds, static_cast<long long>(stats.inputs),
           static_cast<long long>(stats.errors), seed);
    fflush(stdout);
    FuzzStats reference = RunFuzz(DictFuzzSeeds(), seed, count < 20000 ? count : 20000, WriteOnly);
    printf("reference writing the same pairs alone: %.0f inputs/s\n",
           static_cast<double>(reference.inputs) / reference.seconds);
    return 0;
}
