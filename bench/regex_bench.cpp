// Regular-expression search speed over generated UTF-8 text, searched the
// way the find command does it: forward in windows of 100000 bytes. Each
// pattern runs over a 10 MB and a 100 MB text; the two figures agree when
// the matcher is linear in the text. References measured in the same run:
// memchr over the flat bytes and a plain decode of every character.
//
// regex_bench [file]: with a file name, the 100 MB text is also written
// there, so that other tools can search the same bytes.

#include "text/RegExp.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "bench/BenchTiming.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kWords[] = {
    "harbor", "lantern", "meadow", "quartz", "violet", "river", "stone", "window", "garden", "silver",
    "morning", "evening", "walking", "reading", "singing", "building", "thing", "king", "ring", "spring",
    "the", "a", "of", "and", "to", "in", "is", "was", "that", "with", "for", "on", "as", "by", "at",
    "quiet", "bright", "narrow", "gentle", "hollow", "distant", "golden", "simple", "ancient", "curious",
    "caf\xC3\xA9", "na\xC3\xAFve", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "Z\xC3\xBCrich", "stra\xC3\x9F" "e",
    "wandering", "falling", "rising", "keeping", "opening", "turning", "sitting", "waiting", "writing",
    "over", "under", "between", "through", "after", "before", "during", "without", "within", "around",
    "zephyr", "lingering", "ink", "bring", "sing", "wing", "thinking", "nothing", "everything", "sting",
};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// Sentences of words from the list, the first word capitalised, lines of
// about 80 bytes. The same seed gives the same text, so the 10 MB text is
// the start of the 100 MB one.
std::string MakeText(size_t size)
{
    std::string text;
    text.reserve(size + 128);
    u32 state = 12345;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    size_t lineStart = 0;
    bool sentenceStart = true;
    while (text.size() < size) {
        std::string word = kWords[next() % kWordCount];
        if (sentenceStart || next() % 9 == 0)
            word[0] = static_cast<char>(word[0] >= 'a' && word[0] <= 'z' ? word[0] - 32 : word[0]);
        sentenceStart = false;
        text += word;
        u32 r = next() % 16;
        if (r == 0) {
            text += ".";
            sentenceStart = true;
        } else if (r == 1) {
            text += ",";
        }
        if (text.size() - lineStart > 72) {
            text += "\n";
            lineStart = text.size();
        } else {
            text += " ";
        }
    }
    text.resize(size);
    return text;
}

double MBps(size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / 1e6 / seconds;
}

std::vector<u32> CodePoints(const char* ascii)
{
    std::vector<u32> out;
    for (const char* p = ascii; *p; p++)
        out.push_back(static_cast<u8>(*p));
    return out;
}

struct Result {
    double mbps;
    int64 matches;
};

// Every match of the text, going on from each match end or window stop.
Result SearchAll(TextDocument& document, const char* pattern)
{
    std::vector<u32> cps = CodePoints(pattern);
    RegExp re;
    re.Compile(cps.data(), static_cast<int64>(cps.size()), false);
    int64 size = document.text.Size();
    int64 matches = 0;
    Clock clock;
    int64 pos = 0;
    while (pos < size) {
        int64 stop;
        int64 s = re.FindForward(document, pos, stop, 100000);
        if (s >= 0) {
            matches++;
            // An empty match moves on by one byte, as a find-next would.
            pos = stop > pos ? stop : pos + 1;
        } else {
            pos = stop;
        }
    }
    double seconds = clock.Seconds();
    re.Clear();
    return Result{MBps(static_cast<size_t>(size), seconds), matches};
}

void Load(TextDocument& document, const std::string& text)
{
    document.text.Replace(0, document.text.Size(), reinterpret_cast<const u8*>(text.data()),
                          static_cast<int64>(text.size()));
}

double DecodeAll(TextDocument& document)
{
    TextBuff& text = document.text;
    int64 size = text.Size();
    Clock clock;
    int64 pos = 0;
    int64 sum = 0;
    while (pos < size) {
        sum += text.DecodeChar(pos);
        pos += text.CharLength();
    }
    double seconds = clock.Seconds();
    if (sum == 42)
        printf("\n");
    return MBps(static_cast<size_t>(size), seconds);
}

double MemchrAll(const std::string& text)
{
    Clock clock;
    int hits = 0;
    // Several passes so the figure is not lost in the timer's resolution.
    for (int pass = 0; pass < 4; pass++)
        if (memchr(text.data(), 0x01, text.size()))
            hits++;
    double seconds = clock.Seconds();
    if (hits)
        printf("\n");
    return MBps(text.size() * 4, seconds);
}

struct Pattern {
    const char* name;
    const char* text;
};

const Pattern kPatterns[] = {
    {"word", "[A-Z][a-z]+ing\\b"},
    {"literal_prefix", "zephyr [a-z]+"},
    {"alternation", "harbor|lantern|meadow|quartz|violet"},
    {"no_match", "e[0-9][0-9]q"},
};

}  // namespace

int main(int argc, char** argv)
{
    const size_t small = 10 * 1000 * 1000;
    const size_t large = 100 * 1000 * 1000;
    std::string text = MakeText(large);
    if (argc > 1) {
        FILE* f = fopen(argv[1], "wb");
        if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) {
            fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
        fclose(f);
    }

    TextDocument smallText;
    TextDocument largeText;
    try {
        Load(smallText, text.substr(0, small));
        Load(largeText, text);
        for (const Pattern& p : kPatterns)
            printf("pattern_%s: %s\n", p.name, p.text);
        printf("memchr_100MB: %.0f MB/s\n", MemchrAll(text));
        printf("decode_10MB: %.1f MB/s\n", DecodeAll(smallText));
        printf("decode_100MB: %.1f MB/s\n", DecodeAll(largeText));
        for (const Pattern& p : kPatterns) {
            Result r10 = SearchAll(smallText, p.text);
            Result r100 = SearchAll(largeText, p.text);
            printf("regex_%s_10MB: %.1f MB/s\n", p.name, r10.mbps);
            printf("regex_%s_100MB: %.1f MB/s\n", p.name, r100.mbps);
            printf("regex_%s_matches_100MB: %lld count\n", p.name, static_cast<long long>(r100.matches));
            fflush(stdout);
        }
    } catch (const Error& e) {
        fprintf(stderr, "error %d/%d\n", e.code, e.subcode);
        return 1;
    }
    return 0;
}
