// Regular-expression search speed over generated UTF-8 texts (English-like,
// Polish-like, C-like source lines, digit-heavy log lines, Polish log lines
// and C-like lines with hexadecimal numbers), searched the way the find
// commands do it, every match counted:
// forward in windows of 100000 bytes (F3), backward from the end
// with the match before each start (Find previous when the selection is no
// match) and with the match ending before it (when it is), each with and
// without case. Forward patterns run over a 10 MB and a 100 MB text; the
// two figures agree when the matcher is linear in the text. The cost of one
// backward step is printed for matches near and far apart. References
// measured in the same run: memchr over the flat bytes and a plain decode
// of every character; bench/regex_compare.sh runs grep -E (and grep -E -i)
// over the same files beside it.
//
// regex_bench [folder [name]]: with a folder, the 100 MB texts are also
// written there (regex_bench_en.txt, _pl, _src, _log, _plog, _hex), so that other
// tools can search the same bytes ("-" writes none); with a name, only that
// pattern runs; with a third, only the searches it names by letters (f
// forward, b backward, p backward before a selection), for profiling.

#include "text/RegExp.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "bench/BenchTiming.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Processor time of this process, so that figures and the grep reference,
// timed the same way, keep their ratio on a busy machine, where wall time
// mostly measures the other processes. It counts in ticks of 10 ms, so
// the work is repeated until it took half a second.
class CpuClock {
public:
    CpuClock() : start_(Now()) {}
    double Seconds() const { return Now() - start_; }

private:
    static double Now()
    {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
            return 0;
        auto value = [](const FILETIME& t) {
            return static_cast<double>((static_cast<u64>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
        };
        return value(kernel) + value(user);
    }
    double start_;
};

constexpr double kMinSeconds = 0.5;

// The generators' numbers: the same sequence for a seed on every run.
struct Lcg {
    u32 state;
    u32 operator()()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

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
    Lcg next{12345};
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

const char* const kPolishWords[] = {
    "plik", "pliku", "rozmiar", "ma", "zapisano", "na", "dysku", "w", "katalogu", "si\xC4\x99", "\xC5\xBC" "e",
    "\xC5\xBC\xC3\xB3\xC5\x82ty", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xC5\xBAr\xC3\xB3" "d\xC5\x82o",
    "cz\xC4\x99\xC5\x9B\xC4\x87", "ksi\xC4\x85\xC5\xBCka", "miasto", "Gda\xC5\x84sk", "Krak\xC3\xB3w",
    "\xC5\x9B" "cie\xC5\xBCka", "wiadomo\xC5\x9B\xC4\x87", "odczytano", "kopia", "zapasowa", "zosta\xC5\x82",
    "usuni\xC4\x99ty", "nie", "jest", "by\xC5\x82", "dzie\xC5\x84", "rok", "oko\xC5\x82o", "prawie",
    "ju\xC5\xBC", "tylko", "r\xC3\xB3wnie\xC5\xBC", "pami\xC4\x99" "ci", "danych", "strona", "z", "do",
};
constexpr int kPolishWordCount = sizeof(kPolishWords) / sizeof(kPolishWords[0]);

// Polish-like sentences: words with their diacritics, now and then a number,
// and after some numbers the word "bajtów".
std::string MakePolishText(size_t size)
{
    std::string text;
    text.reserve(size + 128);
    Lcg next{54321};
    size_t lineStart = 0;
    while (text.size() < size) {
        if (next() % 20 == 0) {
            text += std::to_string(next() % (next() % 2 ? 100 : 1000000));
            text += next() % 4 == 0 ? " bajt\xC3\xB3w" : "";
        } else {
            text += kPolishWords[next() % kPolishWordCount];
        }
        u32 r = next() % 16;
        if (r == 0)
            text += ".";
        else if (r == 1)
            text += ",";
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

const char* const kHeaders[] = {"stdio", "stdlib", "string", "windows", "assert", "math", "limits", "errno"};

// A log of C-like source lines, a line of "#include <name.h>" every few
// lines: the pattern anchored to line starts with a literal finds one on
// many lines.
std::string MakeSourceText(size_t size)
{
    std::string text;
    text.reserve(size + 128);
    Lcg next{777};
    while (text.size() < size) {
        u32 r = next() % 6;
        if (r == 0) {
            text += "#include <";
            text += kHeaders[next() % 8];
            text += ".h>";
        } else {
            text += r == 1 ? "" : "    ";
            text += r == 2 ? "int " : r == 3 ? "return " : "";
            for (int words = 1 + static_cast<int>(next() % 5); words > 0; words--) {
                text += kWords[next() % 45];
                text += words > 1 ? (next() % 3 ? " + " : "(") : ";";
            }
        }
        text += "\n";
    }
    text.resize(size);
    return text;
}

const char* const kLogWords[] = {
    "foo", "bar", "baz", "barrel", "football", "bazaar", "foobar", "harbor", "took", "ms", "bytes", "id", "user",
    "request", "done", "retry", "queue", "window", "river", "plik", "zapisano", "rozmiar", "dysku", "pami\xC4\x99" "ci",
    "\xC5\xBC\xC3\xB3\xC5\x82ty", "Krak\xC3\xB3w", "wiadomo\xC5\x9B\xC4\x87", "kopia", "danych", "strona",
};
constexpr int kLogWordCount = sizeof(kLogWords) / sizeof(kLogWords[0]);

// Log lines, digit-heavy: a timestamp, a level and English and Polish words,
// most of them followed by a number, now and then a word glued to its
// number ("bar2026"), so that the bytes a number ends with are everywhere.
std::string MakeLogText(size_t size)
{
    std::string text;
    text.reserve(size + 256);
    Lcg next{2026};
    static const char* const kLevels[] = {"INFO", "WARN", "DEBUG", "ERROR"};
    char stamp[64];
    while (text.size() < size) {
        snprintf(stamp, sizeof stamp, "2026-%02u-%02u %02u:%02u:%02u.%03u %s ", 1 + next() % 12, 1 + next() % 28,
                 next() % 24, next() % 60, next() % 60, next() % 1000, kLevels[next() % 4]);
        text += stamp;
        for (int words = 4 + static_cast<int>(next() % 6); words > 0; words--) {
            text += kLogWords[next() % kLogWordCount];
            u32 r = next() % 40;
            if (r == 0)
                text += std::to_string(next() % 10000);
            if (r < 25) {
                text += " ";
                text += std::to_string(10 + next() % (next() % 2 ? 90 : 99990));
            }
            text += words > 1 ? " " : "\n";
        }
    }
    text.resize(size);
    return text;
}

const char* const kPolishLogLines[] = {
    "\xC5\xBB\xC4\x84" "DANIE GET /pliki/", "\xC5\xBB\xC4\x84" "DANIE POST /pliki/",
    "B\xC5\x81\xC4\x84" "D PO\xC5\x81\xC4\x84" "CZENIA z w\xC4\x99z\xC5\x82" "em ",
    "B\xC5\x81\xC4\x84" "D ZAPISU pliku ", "zakleszczenie ", "zakleszczenie w\xC4\x85tku ",
    "wykryto_zakleszczenie ", "kolejka foo", "kolejka foobar", "kolejka xbar", "kolejka baz_",
};

// Polish log lines: a timestamp and Polish words, and on some lines a
// request, an error, a deadlock or a queue name with a number, each
// beside near misses (another method, another error, a word glued before
// or after).
std::string MakePolishLogText(size_t size)
{
    std::string text;
    text.reserve(size + 256);
    Lcg next{1250};
    char stamp[64];
    while (text.size() < size) {
        snprintf(stamp, sizeof stamp, "2026-%02u-%02u %02u:%02u:%02u ", 1 + next() % 12, 1 + next() % 28, next() % 24,
                 next() % 60, next() % 60);
        text += stamp;
        for (int words = 3 + static_cast<int>(next() % 8); words > 0; words--) {
            text += kPolishWords[next() % kPolishWordCount];
            text += " ";
        }
        u32 r = next() % 100;
        if (r < 11) {
            text += kPolishLogLines[r];
            text += std::to_string(next() % 5000);
        }
        text += "\n";
    }
    text.resize(size);
    return text;
}

const char* const kHexNames[] = {"flags", "mask", "value", "addr", "offset", "buffer", "reg", "status", "count", "base"};

// C-like source lines with hexadecimal literals in many of them, beside
// decimal numbers and names full of the letters a to f, so that the bytes
// a hexadecimal number ends with are everywhere.
std::string MakeHexSourceText(size_t size)
{
    std::string text;
    text.reserve(size + 128);
    Lcg next{4242};
    char number[32];
    while (text.size() < size) {
        const char* name = kHexNames[next() % 10];
        u32 r = next() % 5;
        if (r == 0) {
            snprintf(number, sizeof number, next() % 2 ? "0x%08X" : "0x%x", next() * 2654435761u);
            text += "#define ";
            text += name;
            text += "_DEFAULT ";
            text += number;
        } else {
            text += "    ";
            text += name;
            text += r == 1 ? " = " : r == 2 ? " &= " : " += ";
            text += kWords[next() % 45];
            snprintf(number, sizeof number, r == 4 ? "%u" : "0x%02x", next() % (r == 4 ? 100000 : 256));
            text += next() % 3 ? " + " : " | ";
            text += number;
            text += ";";
        }
        text += "\n";
    }
    text.resize(size);
    return text;
}

double MBps(size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / 1e6 / seconds;
}

// Code points of UTF-8 text.
std::vector<u32> CodePoints(const char* utf8)
{
    std::vector<u32> out;
    for (const u8* p = reinterpret_cast<const u8*>(utf8); *p;) {
        u32 c = *p++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more)
            c &= 0x3Fu >> more;
        for (; more > 0 && *p; more--)
            c = (c << 6) | (*p++ & 0x3Fu);
        out.push_back(c);
    }
    return out;
}

struct Result {
    double mbps;
    int64 matches;
};

enum class Way { Forward, Backward, BackwardBefore };

// Every match of the text, going on from each match end or window stop
// forward, or from each match start or window stop backward.
Result SearchAll(TextDocument& document, const char* pattern, bool ignoreCase, Way way, double* stepMicroseconds = nullptr)
{
    std::vector<u32> cps = CodePoints(pattern);
    RegExp re;
    re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
    int64 size = document.text.Size();
    int64 matches = 0, steps = 0, passes = 0;
    CpuClock clock;
    double seconds = 0;
    do {
        matches = 0;
        if (way == Way::Forward) {
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
        } else {
            int64 pos = size;
            while (pos > 0) {
                int64 stop;
                int64 s = way == Way::Backward ? re.FindBackward(document, pos, stop, 100000)
                                               : re.FindBackwardBefore(document, pos, stop);
                steps++;
                if (s >= 0) {
                    matches++;
                    pos = s < pos ? s : pos - 1;
                } else {
                    pos = stop;
                }
            }
        }
        passes++;
        seconds = clock.Seconds();
    } while (seconds < kMinSeconds);
    re.Clear();
    if (stepMicroseconds)
        *stepMicroseconds = seconds * 1e6 / static_cast<double>(steps > 0 ? steps : 1);
    return Result{MBps(static_cast<size_t>(size) * static_cast<size_t>(passes), seconds), matches};
}

// Filler words with a match of "zq[0-9]" every distance bytes.
std::string MakeSpacedText(size_t size, size_t distance)
{
    std::string text;
    text.reserve(size + 64);
    size_t next = distance;
    while (text.size() < size) {
        if (text.size() >= next) {
            text += "zq7 ";
            next += distance;
        } else {
            text += (text.size() / 8) % 10 == 9 ? "lantern\n" : "meadow ";
        }
    }
    text.resize(size);
    return text;
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
    CpuClock clock;
    int64 sum = 0, passes = 0;
    double seconds = 0;
    do {
        for (int64 pos = 0; pos < size;) {
            sum += text.DecodeChar(pos);
            pos += text.CharLength();
        }
        passes++;
        seconds = clock.Seconds();
    } while (seconds < kMinSeconds);
    if (sum == 42)
        printf("\n");
    return MBps(static_cast<size_t>(size) * static_cast<size_t>(passes), seconds);
}

// Several passes so the figure is not lost in the timer's resolution. The
// pointer goes through an empty asm statement each pass, so the compiler
// cannot merge the calls into one, and every result is used.
double MemchrAll(const std::string& text)
{
    CpuClock clock;
    uintptr_t sum = 0;
    size_t passes = 0;
    double seconds = 0;
    do {
        const char* data = text.data();
        asm volatile("" : "+r"(data));
        sum += reinterpret_cast<uintptr_t>(memchr(data, 0x01, text.size()));
        passes++;
        seconds = clock.Seconds();
    } while (seconds < kMinSeconds);
    if (sum == 1)
        printf("\n");
    return MBps(text.size() * passes, seconds);
}

struct Pattern {
    const char* name;
    const char* textName;  // "en" or "pl"
    const char* text;
};

const Pattern kPatterns[] = {
    {"word", "en", "[A-Z][a-z]+ing\\b"},
    {"literal_prefix", "en", "zephyr [a-z]+"},
    {"literal_prefix_dot", "en", "lantern.*window"},
    {"literal_prefix_wide", "en", "caf\xC3\xA9 [a-z]+"},
    {"alternation", "en", "harbor|lantern|meadow|quartz|violet"},
    {"no_match", "en", "e[0-9][0-9]q"},
    {"bajtow", "pl", "[0-9]+ bajt\xC3\xB3w"},
    {"absent_pl", "pl", "zakleszczenie [0-9]+"},
    // An alternation before classes, and a class of two Polish letters,
    // on both texts: backward they start from a class, not a literal.
    {"alt_digits", "en", "(foo|bar|baz)[0-9][0-9]+"},
    {"alt_digits_pl", "pl", "(foo|bar|baz)[0-9][0-9]+"},
    {"pl_letters", "pl", "[\xC4\x85\xC4\x99]"},
    {"pl_letters_en", "en", "[\xC4\x85\xC4\x99]"},
    // The same alternation over log lines, where the bytes a match ends with
    // follow most spaces.
    {"alt_digits_log", "log", "(foo|bar|baz)[0-9][0-9]+"},
    {"alt_word_digits_log", "log", "\\b(foo|bar|baz)[0-9]+\\b"},
    // Anchored to line starts: with a literal that starts many lines, with
    // one that starts none, with one common elsewhere but rare at line
    // starts, and with none at all.
    {"anchored_include", "src", "^#include <[a-z]+\\.h>"},
    {"anchored_include_absent", "en", "^#include <[a-z]+\\.h>"},
    {"anchored_absent", "en", "^zzz"},
    {"anchored_common", "en", "^the [a-z]+"},
    {"anchored_word", "en", "^\\w+ing\\b"},
    // Led by a word class, which every letter may begin.
    {"word_ing", "en", "\\w+ing\\b"},
    {"word_ing_rare", "pl", "\\w+ing\\b"},
    {"word_pl", "pl", "\\w+\xC3\xB3w\\b"},
    // Led by an assertion, each beside the same pattern without it: the
    // skips and the literal jump must work as well past it.
    {"return_src", "src", "return [a-z_]+;"},
    {"word_return_src", "src", "\\breturn [a-z_]+;"},
    {"nonword_return_src", "src", "\\Breturn [a-z_]+;"},
    {"alt_digits_end_log", "log", "(foo|bar|baz)[0-9]+\\b"},
    {"alt_word_digits_plog", "plog", "\\b(foo|bar|baz)[0-9]+\\b"},
    {"alt_digits_end_plog", "plog", "(foo|bar|baz)[0-9]+\\b"},
    {"word_absent_pl", "pl", "\\bzakleszczenie [0-9]+"},
    {"deadlock_plog", "plog", "zakleszczenie [0-9]+"},
    {"word_deadlock_plog", "plog", "\\bzakleszczenie [0-9]+"},
    // Anchored to line starts beside the same without: a literal that
    // starts many lines, and one common in lines but starting none.
    {"include_src", "src", "#include <[a-z]+\\.h>"},
    {"line_deadlock_plog", "plog", "^zakleszczenie [0-9]+"},
    // Two literals of wide capitals, over Polish text with and without them.
    {"pl_alternation", "plog", "\xC5\xBB\xC4\x84" "DANIE GET|B\xC5\x81\xC4\x84" "D PO\xC5\x81\xC4\x84" "CZENIA"},
    {"pl_alternation_pl", "pl", "\xC5\xBB\xC4\x84" "DANIE GET|B\xC5\x81\xC4\x84" "D PO\xC5\x81\xC4\x84" "CZENIA"},
    // A literal of two bytes before a class, for the backward searches:
    // over C-like lines with hexadecimal numbers, where the class is
    // common, and over Polish; then common two-byte literals, and literals
    // of one byte, common and rare.
    {"hex", "hex", "0x[0-9a-fA-F]+"},
    {"hex_absent", "hex", "qx[0-9a-fA-F]+"},
    {"hex_pl", "pl", "0x[0-9a-fA-F]+"},
    {"hex_absent_pl", "pl", "qx[0-9a-fA-F]+"},
    {"pair_common", "en", "th[a-z]+"},
    {"pair_common_pl", "pl", "ie[a-z]+"},
    {"one_byte", "hex", "x[0-9a-fA-F]+"},
    {"one_byte_rare", "en", "q[0-9a-f]+"},
};

bool WriteFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0)
        ok = false;
    if (!ok)
        fprintf(stderr, "cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t small = 10 * 1000 * 1000;
    const size_t large = 100 * 1000 * 1000;
    struct Texts {
        const char* name;
        std::string bytes;
        TextDocument small, large;
    } texts[6] = {{"en", MakeText(large), {}, {}}, {"pl", MakePolishText(large), {}, {}},
                  {"src", MakeSourceText(large), {}, {}}, {"log", MakeLogText(large), {}, {}},
                  {"plog", MakePolishLogText(large), {}, {}},
                  {"hex", MakeHexSourceText(large), {}, {}}};
    if (argc > 1 && strcmp(argv[1], "-") != 0) {
        for (Texts& t : texts)
            if (!WriteFile(std::string(argv[1]) + "/regex_bench_" + t.name + ".txt", t.bytes))
                return 1;
    }

    try {
        for (Texts& t : texts) {
            Load(t.small, t.bytes.substr(0, small));
            Load(t.large, t.bytes);
        }
        for (const Pattern& p : kPatterns)
            printf("pattern_%s: %s %s\n", p.name, p.textName, p.text);
        // A third argument picks the searches: f forward, b backward, p
        // backward before a selection; the references run only with all.
        const char* ways = argc > 3 ? argv[3] : "fbp";
        if (argc <= 3) {
            printf("memchr_100MB: %.0f MB/s\n", MemchrAll(texts[0].bytes));
            printf("decode_10MB: %.1f MB/s\n", DecodeAll(texts[0].small));
            printf("decode_100MB: %.1f MB/s\n", DecodeAll(texts[0].large));
        }
        for (const Pattern& p : kPatterns) {
            if (argc > 2 && strcmp(argv[2], p.name) != 0)
                continue;
            Texts* t = &texts[0];
            for (Texts& each : texts)
                if (strcmp(p.textName, each.name) == 0)
                    t = &each;
            if (strchr(ways, 'f')) {
                Result r10 = SearchAll(t->small, p.text, false, Way::Forward);
                Result r100 = SearchAll(t->large, p.text, false, Way::Forward);
                printf("regex_%s_10MB: %.1f MB/s\n", p.name, r10.mbps);
                printf("regex_%s_100MB: %.1f MB/s\n", p.name, r100.mbps);
                printf("regex_%s_matches_100MB: %lld count\n", p.name, static_cast<long long>(r100.matches));
                Result ri = SearchAll(t->large, p.text, true, Way::Forward);
                printf("regex_i_%s_100MB: %.1f MB/s\n", p.name, ri.mbps);
                printf("regex_i_%s_matches_100MB: %lld count\n", p.name, static_cast<long long>(ri.matches));
                fflush(stdout);
            }
            for (bool ignoreCase : {false, true}) {
                const char* i = ignoreCase ? "i_" : "";
                for (Way way : {Way::Backward, Way::BackwardBefore}) {
                    const char* name = way == Way::Backward ? "back" : "before";
                    if (!strchr(ways, way == Way::Backward ? 'b' : 'p'))
                        continue;
                    double step = 0;
                    Result r = SearchAll(t->large, p.text, ignoreCase, way, &step);
                    printf("regex_%s_%s%s_100MB: %.1f MB/s\n", name, i, p.name, r.mbps);
                    printf("regex_%s_%s%s_matches_100MB: %lld count\n", name, i, p.name,
                           static_cast<long long>(r.matches));
                    printf("regex_%s_%s%s_step: %.2f us\n", name, i, p.name, step);
                    fflush(stdout);
                }
            }
        }
        if (argc <= 2) {
            // One backward step costs in proportion to the distance it goes.
            for (size_t distance : {size_t(64), size_t(1024), size_t(16384)}) {
                TextDocument spaced;
                Load(spaced, MakeSpacedText(small, distance));
                for (Way way : {Way::Backward, Way::BackwardBefore}) {
                    double step = 0;
                    SearchAll(spaced, "zq[0-9]", false, way, &step);
                    printf("regex_%s_step_every_%zu_bytes: %.2f us\n", way == Way::Backward ? "back" : "before",
                           distance, step);
                }
                printf("regex_forward_every_%zu_bytes: %.1f MB/s\n", distance,
                       SearchAll(spaced, "zq[0-9]", false, Way::Forward).mbps);
                fflush(stdout);
            }
        }
    } catch (const Error& e) {
        fprintf(stderr, "error %d/%d\n", e.code, e.subcode);
        return 1;
    }
    return 0;
}
