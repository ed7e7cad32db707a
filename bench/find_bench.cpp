// Find and replace through the real actions on a hidden view, over a UTF-8
// text of Polish-like words: finds forward and backward of an absent phrase
// (plain and without case, with ASCII and Polish first letters, regular
// expression) beside the C runtime's memchr and a memory-speed SSE2 memchr,
// forward and backward, over a fresh flat copy of the same bytes; a replace
// in the remaining text of 1,000,000 matches as one group, with its peak
// memory, then its undo and redo.
//
// find_bench [megabytes [folder]]: the text's size (default 100); with a
// folder the text is written there as find_bench.txt, so that
// bench/find_compare.sh can run grep and sed over the same bytes.

#include "actions/ActionBroker.h"
#include "actions/FindActions.h"
#include "base/AppContext.h"
#include "base/SettingsStore.h"
#include "text/ProbeScan.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include "bench/BenchTiming.h"
#include "bench/ReferenceScan.h"
#include "BenchHost.h"
#include "StringLoader.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf(value < 10 ? "%s: %.4f %s\n" : "%s: %.1f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

double PeakMemoryMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakPagefileUsage) / (1 << 20);
}

// Lines of words, some with Polish letters; "zq" planted `plants` times at
// even spacing (it occurs nowhere else).
std::string MakeText(size_t bytes, size_t plants)
{
    static const char* const words[] = {"dom", "las", "rzeka", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "g\xC4\x99\xC5\x9B",
                                        "kot", "okno", "\xC5\xBC\xC3\xB3\xC5\x82w", "droga", "most", "Kra\xC5\x9B"};
    std::mt19937 rng(4242);
    std::string text;
    text.reserve(bytes + 64);
    size_t step = plants ? bytes / plants : bytes + 1;
    size_t next = step / 2, planted = 0;
    while (text.size() < bytes) {
        if (planted < plants && text.size() >= next) {
            text += "zq ";
            planted++;
            next += step;
            continue;
        }
        text += words[rng() % (sizeof(words) / sizeof(words[0]))];
        text += rng() % 12 == 0 ? "\r\n" : " ";
    }
    text.resize(bytes);
    return text;
}

using Host = BenchHost;

int64 RunFind(ActionBroker& broker, TextView* view, int32 code, const wchar_t* phrase, int32 mode, int64 caret,
              const wchar_t* replacement = L"")
{
    view->SetCaret(view->CurrentDocument(), caret, 0, 2);
    String p(phrase), r(replacement);
    ActionRecord record;
    record.InitFind(code, view, mode, p, r);
    ExecuteAction(broker, record);
    if (record.outcome != OutcomeDone)
        throw InternalError();
    return record.result;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        AppContext context(GetModuleHandleW(nullptr));
        size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoll(argv[1])) : 100;
        const char* folder = argc > 2 ? argv[2] : nullptr;
        const size_t plants = 1000000;
        size_t bytes = megabytes * 1000000;
        SettingsStore settings;
        ActionBroker* broker = ActionBroker::Create();
        Host host(L"FindBenchHost");
        host.SetBounds(RECT{0, 0, 800, 600});
        host.view = TextView::Create(&host, 12300, &host, nullptr, settings, nullptr, broker->lexerFactory.get());
        host.view->SetBounds(RECT{0, 0, 800, 600});
        broker->AddView(host.view);
        broker->broadcastHandler = &host;
        TextView* view = host.view;

        std::string source = MakeText(bytes, plants);
        if (folder && std::strcmp(folder, "-") != 0) {
            std::string path = std::string(folder) + "\\find_bench.txt";
            FILE* f = std::fopen(path.c_str(), "wb");
            if (!f || std::fwrite(source.data(), 1, source.size(), f) != source.size())
                throw InternalError();
            std::fclose(f);
        }
        ActionRecord create;
        create.InitPlain(ActionNewText, view);
        ExecuteAction(*broker, create);
        TextDocument* doc = view->CurrentDocument();
        if (!doc)
            throw InternalError();
        {
            StringLoader loader(source);
            doc->text.Load(loader);
        }
        broker->Broadcast(BroadcastContentReplaced, doc, view);
        int64 size = doc->text.Size();
        double mb = static_cast<double>(size) / 1e6;
        std::string label = std::to_string(megabytes) + "MB";

        // The references: the C runtime's memchr and the memory-speed SSE2
        // memchr for a byte that is absent, over a fresh flat copy. The
        // forward finds are timed in turn with the SSE2 memchr, their ratios
        // the medians of the rounds.
        std::string flat(source);
        source.clear();
        source.shrink_to_fit();
        const u8* flatBytes = reinterpret_cast<const u8*>(flat.data());
        auto findByte = [&] {
            if (ReferenceMemchr(flatBytes, 0xFF, flat.size()))
                std::puts("found");
        };
        const double reference = mb / Time([&] {
            if (std::memchr(flat.data(), 0xFF, flat.size()))
                std::puts("found");
        });
        Report("reference CRT memchr " + label, reference, "MB/s");

        struct Case {
            const char* name;
            const wchar_t* phrase;
            int32 mode;
        };
        const Case cases[] = {{"plain", L"zqx", 0},
                              {"nocase", L"ZQX", FindIgnoreCase},
                              {"plain_nonascii", L"\x0119zq", 0},
                              {"nocase_nonascii", L"\x0118ZQ", FindIgnoreCase},
                              {"regex", L"zq[0-9]+x", FindRegularExpression}};
        int64 found = 0;
        std::vector<std::function<void()>> forwards = {findByte};
        std::vector<std::function<void()>> backwards = {[&] {
            if (ReferenceMemrchr(flatBytes, 0xFF, flat.size()))
                std::puts("found");
        }};
        const size_t caseCount = sizeof(cases) / sizeof(cases[0]);
        // Where the processor has 32-byte compares, the plain phrases run
        // with the 16-byte scans too, in the same turns.
        const bool wide = UseWideProbeScans(true);
        std::printf("probe scans: %s\n", wide ? "32-byte steps (AVX2)" : "16-byte steps (SSE2)");
        std::vector<Case> timed(cases, cases + caseCount);
        if (wide) {
            for (size_t i = 0; i + 1 < caseCount; i++)
                timed.push_back(cases[i]);
        }
        for (size_t i = 0; i < timed.size(); i++) {
            const Case c = timed[i];
            const bool narrow = i >= caseCount;
            auto run = [&, c, narrow](int32 action, int64 at) {
                UseWideProbeScans(!narrow);
                found += RunFind(*broker, view, action, c.phrase, c.mode, at);
                UseWideProbeScans(true);
            };
            forwards.push_back([run] { run(ActionFindFirst, 0); });
            backwards.push_back([run, size] { run(ActionFindLast, size); });
        }
        const auto t = TimeInTurn(forwards, 9);
        const auto b = TimeInTurn(backwards, 9);
        Report("reference SSE2 memchr " + label, mb / Best(t[0]), "MB/s");
        Report("reference SSE2 memchr backward " + label, mb / Best(b[0]), "MB/s");
        for (size_t i = 0; i < timed.size(); i++) {
            const std::string name = std::string(timed[i].name) + (i >= caseCount ? "_16byte_steps" : "");
            const double forward = mb / Best(t[i + 1]);
            std::printf("find_forward_%s %s: %.1f MB/s (%.2fx SSE2 memchr, %.2fx CRT memchr)\n", name.c_str(),
                        label.c_str(), forward, MedianSpeedup(t[i + 1], t[0]), forward / reference);
            std::printf("find_backward_%s %s: %.1f MB/s (%.2fx SSE2 memchr backward)\n", name.c_str(), label.c_str(),
                        mb / Best(b[i + 1]), MedianSpeedup(b[i + 1], b[0]));
        }
        if (found)
            std::puts("found an absent phrase");
        flat.clear();
        flat.shrink_to_fit();

        // Every planted "zq" met by the search steps alone, as the replace
        // meets them.
        {
            SearchPattern pattern(String(L"zq"), 0);
            int64 count = 0;
            double all = Time([&] {
                count = 0;
                for (FoundRange r = SearchForward(view, pattern, 0, size, nullptr); r.Found();
                     r = SearchForward(view, pattern, r.end, size, nullptr))
                    count++;
            }, 1);
            Report("find_all_1000000 " + label, all, "s");
            if (count != static_cast<int64>(plants))
                throw InternalError();
        }

        // One replace in the remaining text of every planted "zq".
        Clock clock;
        if (!RunFind(*broker, view, ActionReplaceRestFromStart, L"zq", 0, 0, L"yy"))
            throw InternalError();
        double replace = clock.Seconds();
        Report("replace_all_1000000 " + label, replace, "s");
        Report("replace_all_peak_memory " + label, PeakMemoryMb(), "MB");
        std::printf("text bytes: %lld\n", static_cast<long long>(doc->text.Size()));
        Clock undoClock;
        PostAction(*broker, ActionUndo, view);
        Report("undo_replace_all " + label, undoClock.Seconds(), "s");
        if (doc->text.Size() != size)
            throw InternalError();
        Clock redoClock;
        PostAction(*broker, ActionRedo, view);
        Report("redo_replace_all " + label, redoClock.Seconds(), "s");
        delete host.view;
        delete broker;
    } catch (const Error& e) {
        std::printf("failed: error %d\n", static_cast<int>(e.code));
        return 1;
    }
    return 0;
}
