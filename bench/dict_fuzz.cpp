// Long fuzz run of the spelling dictionaries: mutated and generated .aff/.dic
// pairs loaded through CorrectorDict and asked to spell, suggest, add and
// ignore words, in the checked build (guard-page heap, library assertions,
// trapping UB checks). A pair that traps, runs past 10 s, or leaves heap
// blocks behind (twice in a row, so that first-use tables do not count) is
// saved with its seed and number into the finds folder, as name.fuzz (the
// input as it is) and name.aff / name.dic; a trap or a hang ends the run.
// Prints the seed, progress with the resident size, and the rate beside the
// reference: the same pairs written to disk alone, which every input costs.
//
//   dict_fuzz [inputs] [seed] [finds folder]
//   dict_fuzz name.fuzz     runs that one saved input again
//
// Exit codes: 0 clean, 1 leaks or growth found, 2 trap, 3 hang.

#include "spell/fuzz/DictFuzzTargets.h"
#include "spell/fuzz/GuardHeap.h"

#include "base/Error.h"
#include "support/HeldMemory.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kHangMs = 10000;

// What the handlers need, set before each pair; they use no heap.
struct Current {
    std::vector<u8> input;
    unsigned long long seed = 0;
    std::atomic<long long> index{-1};
    std::atomic<ULONGLONG> started{0};
    wchar_t folder[MAX_PATH] = L".";
    long long errors = 0;
};
Current g_now;

void WriteFileAt(const wchar_t* path, const u8* bytes, size_t count)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    if (count > 0)
        WriteFile(h, bytes, static_cast<DWORD>(count), &written, nullptr);
    CloseHandle(h);
}

// kind-seed-index.fuzz, .aff and .dic in the finds folder.
void SaveFind(const char* kind, const std::vector<u8>& input, long long index)
{
    CreateDirectoryW(g_now.folder, nullptr);
    wchar_t base[MAX_PATH + 64];
    _snwprintf(base, MAX_PATH + 64, L"%ls\\%hs-%llu-%lld", g_now.folder, kind, g_now.seed, index);
    base[MAX_PATH + 63] = 0;
    wchar_t path[MAX_PATH + 80];
    _snwprintf(path, MAX_PATH + 80, L"%ls.fuzz", base);
    WriteFileAt(path, input.data(), input.size());
    static const char kSeparator[] = "\n#dic\n";
    const u8* begin = input.data();
    const u8* end = begin + input.size();
    const u8* split = end;
    for (const u8* p = begin; p + sizeof(kSeparator) - 1 <= end; p++)
        if (memcmp(p, kSeparator, sizeof(kSeparator) - 1) == 0) {
            split = p;
            break;
        }
    _snwprintf(path, MAX_PATH + 80, L"%ls.aff", base);
    WriteFileAt(path, begin, static_cast<size_t>(split - begin));
    _snwprintf(path, MAX_PATH + 80, L"%ls.dic", base);
    if (split == end)
        WriteFileAt(path, reinterpret_cast<const u8*>("1\nkot\n"), 6);
    else
        WriteFileAt(path, split + sizeof(kSeparator) - 1, static_cast<size_t>(end - split) - sizeof(kSeparator) + 1);
    fprintf(stdout, "%s: seed %llu input %lld saved as %ls.fuzz\n", kind, g_now.seed, index, base);
    fflush(stdout);
}

// The totals up to the input that stopped the run, which is counted.
void PrintStopped()
{
    const DictFuzzCalls& calls = DictFuzzCallCount();
    fprintf(stdout, "stopped: %lld inputs, %lld errors, %lld spell, %lld suggest\n", g_now.index.load() + 1,
            g_now.errors, calls.spell, calls.suggest);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* e)
{
    fprintf(stdout, "trap: exception 0x%08lx at %p\n", e->ExceptionRecord->ExceptionCode,
            e->ExceptionRecord->ExceptionAddress);
    SaveFind("crash", g_now.input, g_now.index.load());
    PrintStopped();
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 2);
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int)
{
    fprintf(stdout, "trap: abort (a library assertion)\n");
    SaveFind("crash", g_now.input, g_now.index.load());
    PrintStopped();
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 2);
}

// Ends the run when one pair takes longer than kHangMs.
void Watch()
{
    for (;;) {
        Sleep(500);
        ULONGLONG started = g_now.started.load();
        if (started != 0 && GetTickCount64() - started > kHangMs) {
            fprintf(stdout, "hang: input %lld ran over %lu ms\n", g_now.index.load(), kHangMs);
            SaveFind("hang", g_now.input, g_now.index.load());
            PrintStopped();
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

long long RunOne(const std::vector<u8>& input, GuardedBuffer& buffer, long long& errors = g_now.errors)
{
    return DictFuzzBlocksLeft(input, buffer, errors);
}

void WriteOnly(const u8* bytes, size_t count)
{
    static wchar_t path[MAX_PATH + 32] = {};
    if (!path[0]) {
        // One file per process: parallel runs must not share it.
        GetTempPathW(MAX_PATH, path);
        size_t n = wcslen(path);
        _snwprintf(path + n, 32, L"dict_fuzz_reference%lu.aff", GetCurrentProcessId());
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

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs one saved input; a fault stops the program as in the long run.
int Replay(const char* path)
{
    std::vector<u8> input;
    if (FILE* f = fopen(path, "rb")) {
        int c;
        while ((c = fgetc(f)) != EOF)
            input.push_back(static_cast<u8>(c));
        fclose(f);
    } else {
        printf("cannot read %s\n", path);
        return 1;
    }
    GuardedBuffer buffer;
    long long errors = 0;
    long long left = RunOne(input, buffer, errors);
    if (left > 0)
        left = RunOne(input, buffer, errors);
    printf("%s: %s, %lld heap blocks left\n", path, errors ? "Error" : "loaded", left);
    return left > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && strstr(argv[1], ".fuzz"))
        return Replay(argv[1]);
    long long count = argc > 1 ? atoll(argv[1]) : 100000;
    unsigned long long seed = argc > 2 ? strtoull(argv[2], nullptr, 0) : GetTickCount64() * 2654435761ull;
    if (argc > 3)
        MultiByteToWideChar(CP_ACP, 0, argv[3], -1, g_now.folder, MAX_PATH);
    g_now.seed = seed;
    g_now.input.reserve(1 << 20);
    printf("seed: %llu\n", seed);
    fflush(stdout);
    ULONG stack = 64 * 1024;
    SetThreadStackGuarantee(&stack);  // room for the handler after a stack overflow
    SetUnhandledExceptionFilter(OnCrash);
    signal(SIGABRT, OnAbort);
    std::thread(Watch).detach();

    FuzzRandom random(seed);
    GuardedBuffer buffer;
    long long& errors = g_now.errors;
    long long leaks = 0, rssStart = 0, rssMax = 0, rss = 0;
    std::vector<u8> input;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    long long i = 0;
    for (; i < count; i++) {
        NextDictFuzzInput(random, input);
        g_now.input.assign(input.begin(), input.end());
        g_now.index = i;
        g_now.started = GetTickCount64();
        long long left = RunOne(input, buffer);
        // Tables made on first use stay; a second run of the same input shows
        // whether it leaks.
        if (left > 0 && RunOne(input, buffer) > 0) {
            leaks++;
            if (leaks <= 20)
                SaveFind("leak", input, i);
        }
        g_now.started = 0;
        if ((i + 1) % 1000 == 0) {
            rss = HeldBytes() / 1024;
            if (i + 1 == 2000)
                rssStart = rss;
            rssMax = rss > rssMax ? rss : rssMax;
        }
        if ((i + 1) % 5000 == 0) {
            const DictFuzzCalls& calls = DictFuzzCallCount();
            printf("progress: %lld inputs, %lld errors, %lld spell, %lld suggest, %lld leaks, rss %lld KiB, "
                   "heap %lld blocks\n",
                   i + 1, errors, calls.spell, calls.suggest, leaks, rss, GuardHeapInUse().blocks);
            fflush(stdout);
        }
    }
    g_now.index = -1;
    QueryPerformanceCounter(&end);
    double seconds = Seconds(start, end);
    const DictFuzzCalls& calls = DictFuzzCallCount();
    // Growth: the resident size after the first 2,000 inputs against the end,
    // beyond what the heap's quarantine and slot tables may still take.
    bool growth = rssStart > 0 && rss > rssStart + 64 * 1024;
    printf("fuzz dictionaries: %.0f inputs/s (%lld inputs, %lld errors, %lld spell, %lld suggest, seed %llu)\n",
           static_cast<double>(i) / seconds, i, errors, calls.spell, calls.suggest, seed);
    printf("faults: 0 traps, 0 hangs, %lld leaking inputs; rss %lld KiB after 2,000 inputs, %lld at most, "
           "%lld at the end%s\n",
           leaks, rssStart, rssMax, rss, growth ? " (GROWTH)" : "");
    fflush(stdout);
    FuzzRandom again(seed);
    long long written = count < 20000 ? count : 20000;
    QueryPerformanceCounter(&start);
    for (long long k = 0; k < written; k++) {
        NextDictFuzzInput(again, input);
        WriteOnly(buffer.Place(input.data(), input.size()), input.size());
    }
    QueryPerformanceCounter(&end);
    printf("reference writing the same pairs alone: %.0f inputs/s\n",
           static_cast<double>(written) / Seconds(start, end));
    return leaks > 0 || growth ? 1 : 0;
}
