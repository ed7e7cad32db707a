// Line counting, line lookup, decoding and literal search over a text of
// about 100 MB, with a memory-speed SSE2 memchr, the C runtime's memchr and
// std::search over the same bytes as reference; loading and saving that text as a file, with plain
// ReadFile and WriteFile as reference; edits, groups of ten thousand to a
// million changes with their undo and redo, and line queries after edits in a text of 1 GB;
// the autosave of a 200 MB text step by step.

#include "base/AppContext.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "bench/BenchTiming.h"
#include "bench/ReferenceScan.h"
#include "StringLoader.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const char* name, double value, const char* unit)
{
    std::printf(value < 10 ? "%s: %.4f %s\n" : "%s: %.1f %s\n", name, value, unit);
}

double PeakMemoryMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakPagefileUsage) / (1 << 20);
}

// Scans for a byte that never occurs, as a search for an absent phrase
// must: the memory-speed memchr over one flat copy of the bytes, the same
// over the text's own blocks, where the search reads them, and the C
// runtime's memchr over the flat copy. Every result is used.
struct SearchReferences {
    std::function<void()> flat, blocks, crt;

    SearchReferences(const std::string& s, const TextBuff& text)
    {
        const u8* p = reinterpret_cast<const u8*>(s.data());
        const size_t n = s.size();
        flat = [p, n] {
            if (ReferenceMemchr(p, 0xFF, n))
                std::puts("found");
        };
        crt = [p, n] {
            if (memchr(p, 0xFF, n))
                std::puts("found");
        };
        blocks = [&text] {
            bool found = false;
            for (int64 i = 0; i < text.BlockCount(); i++) {
                const TextBuff::BlockEntry& e = text.EntryAt(i);
                found |= ReferenceMemchr(e.block->Bytes(), 0xFF, static_cast<size_t>(e.bytes)) != nullptr;
            }
            if (found)
                std::puts("found");
        };
    }
};

// Each search beside the memchr references, all timed in turn; the ratios
// to those are medians of the ratios measured in the same round. The C
// runtime's byte loop is timed on its own, after them.
void ReportSearches(const SearchReferences& refs, double mb,
                    const std::vector<std::pair<const char*, std::function<void()>>>& searches)
{
    std::vector<std::function<void()>> works = {refs.flat, refs.blocks};
    for (const auto& s : searches)
        works.push_back(s.second);
    const auto t = TimeInTurn(works);
    const double crt = mb / Time(refs.crt);
    std::printf("reference SSE2 memchr over a flat copy: %.1f MB/s; over the blocks: %.1f MB/s; CRT memchr: %.1f MB/s\n",
                mb / Best(t[0]), mb / Best(t[1]), crt);
    for (size_t i = 0; i < searches.size(); i++) {
        const std::vector<double>& own = t[2 + i];
        std::printf("%s: %.1f MB/s (%.2fx SSE2 memchr over a flat copy, %.2fx over the blocks, %.2fx CRT memchr)\n",
                    searches[i].first, mb / Best(own), MedianSpeedup(own, t[0]), MedianSpeedup(own, t[1]),
                    mb / Best(own) / crt);
    }
    std::fflush(stdout);
}

void Type(TextDocument& document, int64 a, int64 b, const wchar_t* text, int64 n)
{
    TextDocument::ReplaceRequest request = {a, b, text, n, 0, 0, -1};
    document.Replace(request);
}

// Log-like lines of words and numbers, LF ends with some CR LF.
std::string MakeText(size_t bytes)
{
    static const char* words[] = {"INFO", "request", "served", "user", "cache", "miss", "latency", "ms", "id",
                                  "GET", "/index.html", "200", "connection", "closed", "retry", "queue"};
    std::mt19937 rng(1);
    std::string s;
    s.reserve(bytes + 200);
    while (s.size() < bytes) {
        int n = 4 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; i++) {
            s += words[rng() % 16];
            s += ' ';
            if (rng() % 4 == 0)
                s += std::to_string(rng() % 100000);
        }
        s += (rng() % 10 == 0) ? "\r\n" : "\n";
    }
    return s;
}

// A file of about 1 GB loaded through the document, in turn with ReadFile
// of the same file into fresh memory; the ratio is the median of the rounds.
// The text is cleared before each load, so one copy lives at a time.
void BenchLoadGigabyte(const std::string& s)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"scrivel_text_bench_1gb.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    int64 size = 0;
    for (int i = 0; i < 10; i++) {
        DWORD written = 0;
        WriteFile(file, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
        size += written;
    }
    CloseHandle(file);
    const double mb = static_cast<double>(size) / (1 << 20);
    TextDocument document;
    document.SetPath(String(path.c_str()));
    int64 sum = 0;
    auto readFile = [&] {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        u8* whole = static_cast<u8*>(VirtualAlloc(nullptr, static_cast<size_t>(size), MEM_COMMIT | MEM_RESERVE,
                                                  PAGE_READWRITE));
        int64 at = 0;
        DWORD got = 0;
        while (at < size && ReadFile(f, whole + at, static_cast<DWORD>(std::min<int64>(size - at, 64 << 20)), &got,
                                     nullptr) &&
               got > 0)
            at += got;
        CloseHandle(f);
        sum += at + whole[at / 2];
        VirtualFree(whole, 0, MEM_RELEASE);
    };
    auto load = [&] {
        document.text.Clear();
        document.LoadFile(nullptr, 0);
        sum += document.text.LineBreakCount();
    };
    readFile();
    const auto t = TimeInTurn({readFile, load}, 5);
    std::printf("reference ReadFile of 1 GB into fresh memory: %.3f s (%.1f MB/s)\n", Best(t[0]), mb / Best(t[0]));
    std::printf("LoadFile of 1 GB: %.3f s (%.1f MB/s), %.2fx ReadFile (median of the rounds)\n", Best(t[1]),
                mb / Best(t[1]), 1 / MedianSpeedup(t[1], t[0]));
    document.text.Clear();
    DeleteFileW(path.c_str());
    if (sum == 42)
        std::puts("");
    std::fflush(stdout);
}

}  // namespace

// "text_bench search" stops after the searches; "text_bench autosave" runs
// only the autosave; "text_bench load" only the load of 1 GB.
int main(int argc, char** argv)
{
    const bool searchOnly = argc > 1 && strcmp(argv[1], "search") == 0;
    const bool autosaveOnly = argc > 1 && strcmp(argv[1], "autosave") == 0;
    const std::string s = MakeText(100u << 20);
    if (argc > 1 && strcmp(argv[1], "load") == 0) {
        BenchLoadGigabyte(s);
        return 0;
    }
    const double mb = static_cast<double>(s.size()) / (1 << 20);
    std::printf("text: %.1f MB\n", mb);

    TextBuff text;
    double load = Time([&] {
        StringLoader loader(s);
        text.Clear();
        text.Load(loader);
    });
    Report("load", mb / load, "MB/s");
    Report("reference memcpy", mb / Time([&] {
               std::string copy(s);
               if (copy.empty())
                   std::puts("");
           }),
           "MB/s");

    int64 breaks = 0;
    double count = Time([&] {
        text.SetEncoding(EncodingUtf8);
        breaks = text.LineBreakCount();
    });
    Report("line counting", mb / count, "MB/s");
    size_t lf = 0;
    double memchrCount = Time([&] {
        lf = 0;
        const char* p = s.data();
        const char* end = p + s.size();
        while ((p = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
            lf++;
            p++;
        }
    });
    Report("reference memchr line counting", mb / memchrCount, "MB/s");
    if (static_cast<size_t>(breaks) != lf)
        std::printf("mismatch: %lld breaks, %zu LF\n", static_cast<long long>(breaks), lf);

    std::mt19937 rng(2);
    const int lookups = 200000;
    double lineStart = Time([&] {
        for (int i = 0; i < lookups; i++)
            text.LineStart(static_cast<int64>(rng() % static_cast<u32>(breaks)));
    });
    Report("random LineStart", lookups / lineStart / 1000, "thousand/s");
    double lineOf = Time([&] {
        for (int i = 0; i < lookups; i++)
            text.LineOfOffset(static_cast<int64>(rng() % static_cast<u32>(text.Size())));
    });
    Report("random LineOfOffset", lookups / lineOf / 1000, "thousand/s");

    double decode = Time([&] {
        int64 sum = 0;
        for (int64 p = 0; p < text.Size(); p = text.NextChar(p))
            sum += text.CharCode();
        if (sum == 42)
            std::puts("");
    }, 1);
    Report("DecodeChar scan", mb / decode, "MB/s");

    // A pattern that never occurs: every search scans the whole text.
    const std::wstring needle = L"request served user cache hit";
    Array<u32> pattern;
    AppendCodePoints(pattern, needle.data(), static_cast<int64>(needle.size()));
    const int64 m = pattern.Count();
    int64 end = 0;
    ReportSearches(SearchReferences(s, text), mb,
                   {{"FindForward", [&] { text.FindForward(0, end, pattern.Data(), m, text.Size()); }},
                    {"FindForwardNoCase", [&] { text.FindForwardNoCase(0, end, pattern.Data(), m, text.Size()); }},
                    {"FindForward in windows of 100000 bytes, as the find actions search", [&] {
                         for (int64 at = 0; at < text.Size() && text.FindForward(at, end, pattern.Data(), m, 100000) < 0;)
                             at = end;
                     }}});
    const std::string narrow(needle.begin(), needle.end());
    double stdSearch = Time([&] {
        if (std::search(s.begin(), s.end(), narrow.begin(), narrow.end()) != s.end())
            std::puts("found");
    });
    Report("reference std::search", mb / stdSearch, "MB/s");
    double boyerMoore = Time([&] {
        std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher(narrow.begin(), narrow.end());
        if (std::search(s.begin(), s.end(), searcher) != s.end())
            std::puts("found");
    });
    Report("reference std::search Boyer-Moore-Horspool", mb / boyerMoore, "MB/s");

    // Letters beyond ASCII are folded through the system's case mapping.
    std::string polish;
    const char* words[] = {"za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 ", "g\xC4\x99\xC5\x9Bl\xC4\x85 ",
                           "ja\xC5\xBA\xC5\x84 ", "\xC5\x81\xC3\x93" "D\xC5\xB9 ", "tekst\n"};
    while (polish.size() < (100u << 20))
        polish += words[rng() % 5];
    TextBuff polishText;
    StringLoader polishLoader(polish);
    polishText.Load(polishLoader);
    const std::wstring word = L"\x017C\x00F3\x0142w";
    Array<u32> polishPattern;
    AppendCodePoints(polishPattern, word.data(), static_cast<int64>(word.size()));
    const double polishMb = static_cast<double>(polish.size()) / (1 << 20);
    const std::wstring asciiWord = L"tekstx";
    Array<u32> asciiPattern;
    AppendCodePoints(asciiPattern, asciiWord.data(), static_cast<int64>(asciiWord.size()));
    ReportSearches(SearchReferences(polish, polishText), polishMb,
                   {{"FindForward, Polish text, non-ASCII first letter",
                     [&] {
                         polishText.FindForward(0, end, polishPattern.Data(), polishPattern.Count(), polishText.Size());
                     }},
                    {"FindForwardNoCase, Polish text, non-ASCII first letter",
                     [&] {
                         polishText.FindForwardNoCase(0, end, polishPattern.Data(), polishPattern.Count(),
                                                      polishText.Size());
                     }},
                    {"FindForwardNoCase, Polish text, ASCII first letter", [&] {
                         polishText.FindForwardNoCase(0, end, asciiPattern.Data(), asciiPattern.Count(),
                                                      polishText.Size());
                     }}});
    polishText.Clear();
    polish.clear();
    polish.shrink_to_fit();
    if (searchOnly)
        return 0;

    // The same text as a file: loaded and saved through the document, against
    // reading the whole file into one fresh buffer and writing its bytes in
    // 1 MiB pieces.
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring source = std::wstring(folder) + L"scrivel_text_bench.txt";
    const std::wstring target = std::wstring(folder) + L"scrivel_text_bench_saved.txt";
    auto writeAll = [&](const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const size_t piece = 1 << 20;
        for (size_t at = 0; at < s.size(); at += piece) {
            DWORD n = static_cast<DWORD>(std::min(piece, s.size() - at));
            WriteFile(file, s.data() + at, n, &written, nullptr);
        }
        CloseHandle(file);
    };
    writeAll(source);
    {
        TextDocument document;
        document.SetPath(String(source.c_str()));
        Report("LoadFile", mb / Time([&] { document.LoadFile(nullptr, 0); }), "MB/s");
        Report("reference ReadFile", mb / Time([&] {
                   HANDLE file = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             0, nullptr);
                   LARGE_INTEGER size;
                   GetFileSizeEx(file, &size);
                   u8* whole = static_cast<u8*>(malloc(static_cast<size_t>(size.QuadPart)));
                   size_t at = 0;
                   DWORD got = 0;
                   while (at < static_cast<size_t>(size.QuadPart) &&
                          ReadFile(file, whole + at,
                                   static_cast<DWORD>(std::min<size_t>(static_cast<size_t>(size.QuadPart) - at,
                                                                       1u << 30)),
                                   &got, nullptr) &&
                          got > 0)
                       at += got;
                   CloseHandle(file);
                   if (at != s.size() || memcmp(whole + at / 2, s.data() + at / 2, 1) != 0)
                       std::puts("short read");
                   free(whole);
               }),
               "MB/s");
        const String saved(target.c_str());
        Report("SaveFile",
               mb / Time([&] { document.SaveFile(saved, 0, document.text.Size(), nullptr, false, true, false); }),
               "MB/s");
        Report("reference WriteFile", mb / Time([&] { writeAll(target); }), "MB/s");
    }
    DeleteFileW(source.c_str());
    DeleteFileW(target.c_str());

    // Backward searches walk character by character in windows.
    const int64 window = 8 << 20;
    double backward = Time([&] { text.FindBackward(text.Size(), end, pattern.Data(), m, window); }, 1);
    Report("FindBackward", static_cast<double>(window) / (1 << 20) / backward, "MB/s");
    text.Clear();

    // ---- 1 GB ----
    std::string big;
    big.reserve(10 * s.size());
    while (big.size() < (autosaveOnly ? 200u << 20 : 1000u << 20))
        big += s;
    const double bigMb = static_cast<double>(big.size()) / (1 << 20);
    std::printf("big text: %.1f MB\n", bigMb);
    Report("reference memcpy of the big text", 1000 * Time([&] {
               std::string copy(big);
               if (copy[copy.size() / 2] == 0)
                   std::puts("");
           }, 1),
           "ms");
    if (!autosaveOnly) {
        TextDocument document;
        StringLoader loader(big);
        document.text.Load(loader);
        const int64 lines = document.text.LineBreakCount();

        // Keystrokes: one character typed, then the caret's line, as the
        // status bar asks.
        const int keys = 2000;
        int64 sum = 0;
        double atEnd = Time([&] {
            for (int i = 0; i < keys; i++) {
                int64 at = document.text.Size();
                Type(document, at, at, L"x", 1);
                sum += document.text.LineOfOffset(at + 1);
            }
        }, 1);
        Report("keystroke at the end of 1 GB", 1000 * atEnd / keys, "ms");
        std::mt19937 keyRng(3);
        double anywhere = Time([&] {
            for (int i = 0; i < keys; i++) {
                int64 at = document.text.CharStart(static_cast<int64>(keyRng() % static_cast<u32>(document.text.Size())));
                Type(document, at, at, L"x", 1);
                sum += document.text.LineOfOffset(at + 1);
            }
        }, 1);
        Report("keystroke anywhere in 1 GB", 1000 * anywhere / keys, "ms");

        // An edit near each end, then a line query between them.
        const int rounds = 200;
        double farEdits = Time([&] {
            for (int i = 0; i < rounds; i++) {
                Type(document, 10, 10, L"y", 1);
                int64 at = document.text.Size() - 10;
                Type(document, at, at, L"y", 1);
                sum += document.text.LineStart(lines / 2);
            }
        }, 1);
        Report("two far edits + line query in 1 GB", 1000 * farEdits / rounds, "ms");

        // Groups of ten thousand, a hundred thousand and a million
        // replacements spread over the text, each with its undo and redo.
        for (const int64 changes : {10000, 100000, 1000000}) {
            const std::string count = changes == 10000 ? "10,000" : changes == 100000 ? "100,000" : "1,000,000";
            const int64 stride = document.text.Size() / changes - 8;
            document.openGroupTag = document.NextUndoGroup();
            document.openGroups++;
            double group = Time([&] {
                for (int64 i = 0; i < changes; i++) {
                    int64 at = document.text.CharStart(i * (stride + 1));
                    Type(document, at, at + 1, L"ab", 2);
                }
            }, 1);
            document.openGroups--;
            Report(("group of " + count + " changes in 1 GB").c_str(), group, "s");
            if (changes == 1000000)
                Report("peak memory after the group", PeakMemoryMb(), "MB");
            const int32 tag = document.UndoGroupTag();
            TextDocument::UndoResult result;
            double undo = Time([&] {
                while (document.UndoGroupTag() == tag) {
                    document.Undo(result);
                    sum += result.newEnd;
                }
            }, 1);
            Report(("undo of the group of " + count).c_str(), undo, "s");
            double redo = Time([&] {
                while (document.RedoGroupTag() == tag) {
                    document.Redo(result);
                    sum += result.newEnd;
                }
            }, 1);
            Report(("redo of the group of " + count).c_str(), redo, "s");
        }
        Report("peak memory after undo and redo", PeakMemoryMb(), "MB");
        if (sum == 42)
            std::puts("");
    }

    // ---- autosave of 200 MB, one idle step at a time ----
    big.resize(200u << 20);
    {
        AppContext app{GetModuleHandleW(nullptr)};
        TextDocument document;
        StringLoader loader(big);
        document.text.Load(loader);
        document.modified = 1;
        // The second autosave also replaces the first one's file.
        int steps = 0;
        double longest = 0, total = 0;
        const char* longestKind = "";
        for (int round = 0; round < 2; round++) {
            steps = 0;
            longest = total = 0;
            document.modified = 1;
            do {
                const char* kind = !document.autosaveRetiredPath.IsEmpty() ? "cut or delete"
                                   : !document.autosaveRunning                ? "start"
                                   : document.autosaveBytesWritten < document.snapshot.Size() ? "write"
                                   : document.autosaveFile.State()                             ? "close"
                                                                                              : "rename";
                Clock clock;
                document.AutosaveStep();
                double t = clock.Seconds();
                if (t > longest)
                    longestKind = kind;
                longest = std::max(longest, t);
                total += t;
                steps++;
            } while (document.autosaveRunning && steps < 100000);
        }
        std::printf("autosave of 200 MB replacing the previous one: %d steps, longest %.1f ms (%s), total %.3f s\n",
                    steps, 1000 * longest, longestKind, total);
        if (document.autosaveWanted)
            std::puts("autosave failed");
        // Writing a 256 KiB piece straight to a file, as a reference step.
        const std::wstring piecePath = std::wstring(folder) + L"scrivel_text_bench_piece.txt";
        HANDLE file = CreateFileW(piecePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        double piece = Time([&] {
            DWORD written = 0;
            WriteFile(file, big.data(), 0x40000, &written, nullptr);
        });
        CloseHandle(file);
        DeleteFileW(piecePath.c_str());
        Report("reference WriteFile of 256 KiB", 1000 * piece, "ms");
        document.DiscardAutosave();
    }
    return 0;
}
