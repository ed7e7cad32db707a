// Help viewer: restoring a 10 MB packed member against memcpy of the same
// bytes, and parsing 10 MB of markup (clean, and with 100,000 errors) against
// decoding the same bytes from UTF-8.

#include "BenchTiming.h"

#include "base/CharUtils.h"
#include "helpviewer/HelpContainer.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpMarkup.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kSize = 10 * 1000 * 1000;

double MBps(size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / 1e6 / seconds;
}

// Help-like text: sections of paragraphs with markup, Polish words and entities.
std::string Markup(size_t size, int errors, std::mt19937& rng)
{
    static const char* const words[] = {"edytor ", "pliku ", "zak\xC5\x82" "adka ", "tekst ", "okno ", "Scrivel ",
                                        "kodowanie ", "wyszukiwanie ", "\xC5\xBC\xC3\xB3\xC5\x82w ", "&amp; "};
    std::string out = "<title>Pomoc</title>\r\n";
    int section = 0;
    size_t errorEvery = errors ? size / static_cast<size_t>(errors) : 0;
    size_t nextError = errorEvery;
    int made = 0;
    while (out.size() < size) {
        out += "<section ctx='s" + std::to_string(section++) + "' nav=''>\r\n<h1>Rozdzia\xC5\x82</h1>\r\n";
        for (int p = 0; p < 8; p++) {
            out += "<p>";
            for (int w = 0; w < 40; w++) {
                if (w % 13 == 5)
                    out += "<b>wa\xC5\xBCne</b> ";
                out += words[rng() % (sizeof(words) / sizeof(words[0]))];
                if (errorEvery && out.size() >= nextError && made < errors) {
                    out += "</zle> ";  // an unexpected closing tag
                    made++;
                    nextError += errorEvery;
                }
            }
            out += "<br><img src='obraz.gif'></p>\r\n";
        }
        out += "</section>\r\n";
    }
    return out;
}

void MarkupFigures(const char* name, const std::string& markup)
{
    size_t n = markup.size();
    int64 units = 0;
    double decode = Time([&] {
        String text = Utf8ToString(markup.data(), static_cast<int64>(n));
        units = text.Length();
    });
    String text = Utf8ToString(markup.data(), static_cast<int64>(n));
    int64 errors = 0;
    int64 nodes = 0;
    double freeing = 1e30;
    double parse = Time([&] {
        MarkupErrorList list;
        HelpNode* root = ParseHelpMarkup(text.Data(), text.Length(), list);
        errors = list.Count();
        nodes = 0;
        for (const HelpNode* n = root; n; n = NextHelpNode(n, root))
            nodes++;
        double spent = Time([&] { FreeHelpNodes(root); }, 1);
        if (spent < freeing)
            freeing = spent;
    });
    parse -= freeing;
    printf("%s parse: %.1f MB/s (%lld errors, %lld nodes)\n", name, MBps(n, parse), static_cast<long long>(errors),
           static_cast<long long>(nodes));
    printf("%s free: %.1f MB/s\n", name, MBps(n, freeing));
    printf("%s Utf8ToString: %.1f MB/s (%lld units)\n", name, MBps(n, decode), static_cast<long long>(units));
}

}  // namespace

int main()
{
    std::mt19937 rng(2026);
    std::string clean = Markup(kSize, 0, rng);

    HelpContainerWriter writer;
    writer.AddMember(L"help.html", reinterpret_cast<const u8*>(clean.data()), static_cast<int64>(clean.size()));
    PodArray<u8> file = writer.Build();
    HelpContainer container;
    container.LoadBytes(file.Data(), file.Count());
    HelpEntry entry = container.Find(L"help.html", -1);
    int64 checksum = 0;
    double extract = Time([&] {
        PodArray<u8> out = container.Extract(entry);
        checksum += out.At(out.Count() / 2);
    });
    printf("extract packed member: %.1f MB/s (%lld bytes from %lld)\n", MBps(clean.size(), extract),
           static_cast<long long>(entry.unpackedSize), static_cast<long long>(entry.storedSize));
    double copyAll = Time([&] {
        PodArray<u8> out;
        out.Resize(entry.unpackedSize + 2);
        memcpy(out.Data(), clean.data(), clean.size());
        checksum += out.At(entry.unpackedSize / 2);
    });
    printf("memcpy of the unpacked bytes into a fresh array: %.1f MB/s\n", MBps(clean.size(), copyAll));

    MarkupFigures("clean markup", clean);
    MarkupFigures("markup with 100000 errors", Markup(kSize, 100000, rng));
    printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
