// Help viewer: restoring a 10 MB packed member (markup, and short repeated
// patterns that pack into copies from fewer than 16 bytes back) against
// memcpy of the same bytes; parsing 10 MB of markup (clean, and with 100,000 errors) against
// decoding the same bytes from UTF-8; laying out and painting one screen of a
// 5 MB section (and of the largest shipped one) against GDI measuring and
// drawing the same words alone; finding a word across the sections of a
// 10 MB help against wcsstr over its markup.

#include "BenchTiming.h"

#include "base/CharUtils.h"
#include "helpviewer/HelpContainer.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpMarkup.h"
#include "helpviewer/HelpSearch.h"
#include "helpviewer/HelpView.h"

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


// --- layout, painting and find ------------------------------------------------

// One section of about `size` bytes: paragraphs of words with bold words,
// links and list items.
std::string Section(const char* id, size_t size, std::mt19937& rng)
{
    static const char* const words[] = {"edytor ", "pliku ", "zak\xC5\x82" "adka ", "tekst ", "okno ", "Scrivel ",
                                        "kodowanie ", "wyszukiwanie ", "\xC5\xBC\xC3\xB3\xC5\x82w ", "&amp; "};
    std::string out = std::string("<section ctx='") + id + "'><h1>Rozdzia\xC5\x82 " + id + "</h1>";
    while (out.size() < size) {
        out += "<p>";
        for (int w = 0; w < 60; w++) {
            if (w % 17 == 3)
                out += "<b>wa\xC5\xBCne</b> ";
            if (w % 23 == 7)
                out += "<a href='#s0'>odno\xC5\x9Bnik</a> ";
            out += words[rng() % (sizeof(words) / sizeof(words[0]))];
        }
        out += "</p><ul><li>punkt pierwszy</li><li>punkt drugi</li></ul>";
    }
    return out + "</section>";
}

void LayoutFigures(const char* name, const HelpDocument& doc, const HelpNode* section, size_t bytes)
{
    DeviceContext dc = MemoryMeasureDc();
    HelpLayoutParams params;
    params.clientWidth = 1000;
    HelpLayout layout;
    int64 runs = 0;
    double lay = Time([&] {
        HelpLayout fresh;
        fresh.SetDevice(dc, params);
        fresh.Clear();
        fresh.AddSection(doc, section);
        fresh.Arrange();
        runs = static_cast<int64>(fresh.Runs().size());
        layout = fresh;
    });
    // The same words measured by GDI alone, in the same fonts.
    int64 widths = 0;
    double measure = Time([&] {
        HGDIOBJ old = SelectObject(dc.Hdc(), layout.Fonts()[0].font.Handle());
        int32 current = 0;
        for (const HelpRun& r : layout.Runs()) {
            if (r.kind != HelpRun::kWord && r.kind != HelpRun::kSpace)
                continue;
            if (r.font != current) {
                SelectObject(dc.Hdc(), layout.Fonts()[static_cast<size_t>(r.font)].font.Handle());
                current = r.font;
            }
            SIZE s;
            GetTextExtentPoint32W(dc.Hdc(), r.text, r.length, &s);
            widths += s.cx;
        }
        SelectObject(dc.Hdc(), old);
    });
    printf("%s layout: %.1f ms (%.1f MB, %lld runs, %zu lines, page %d px)\n", name, lay * 1000,
           static_cast<double>(bytes) / 1e6, static_cast<long long>(runs), layout.Lines().size(), layout.PageHeight());
    printf("%s GetTextExtentPoint32W of every word alone: %.1f ms (%lld px)\n", name, measure * 1000,
           static_cast<long long>(widths));

    // One screen of 1000 x 800 in the middle of the page.
    const int32 w = 1000, h = 800, y = layout.PageHeight() / 2;
    DeviceContext screen;
    screen.Compatible(nullptr);
    void* bits = nullptr;
    GdiObj target = MakeDibSection32(w, h, &bits);
    screen.SelectBitmap(target);
    HelpView view;
    double paint = Time([&] {
        view.PaintPage(screen.Hdc(), layout, 0, y, w, h, false);
        GdiFlush();
    }, 10);
    const u32* pixels = static_cast<const u32*>(bits);
    int64 ink = 0;
    for (int32 i = 0; i < w * h; i++)
        ink += pixels[i] != 0xFFFFFF;
    // Reference: the same visible words drawn by GDI alone on a filled screen.
    double draw = Time([&] {
        RECT all = {0, 0, w, h};
        SetBkColor(screen.Hdc(), 0xFFFFFF);
        ExtTextOutW(screen.Hdc(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
        SetBkMode(screen.Hdc(), TRANSPARENT);
        const std::vector<HelpLine>& lines = layout.Lines();
        for (size_t li = static_cast<size_t>(layout.LineAtOrBelow(y)); li < lines.size() && lines[li].top < y + h; li++)
            for (int32 r = lines[li].first; r < lines[li].end; r++) {
                const HelpRun& run = layout.Runs()[static_cast<size_t>(r)];
                if (run.kind != HelpRun::kWord)
                    continue;
                SelectObject(screen.Hdc(), layout.Fonts()[static_cast<size_t>(run.font)].font.Handle());
                ExtTextOutW(screen.Hdc(), run.x, run.y - y, 0, nullptr, run.text, static_cast<UINT>(run.length), nullptr);
            }
        GdiFlush();
    }, 10);
    printf("%s one painted screen (1000x800): %.2f ms (%lld inked pixels)\n", name, paint * 1000,
           static_cast<long long>(ink));
    printf("%s the same words by ExtTextOutW alone: %.2f ms\n", name, draw * 1000);
}

void ViewFigures(std::mt19937& rng)
{
    // A generated section of 5 MB.
    std::string markup = "<title>Pomoc</title>" + Section("s0", 5 * 1000 * 1000, rng);
    HelpDocument doc;
    doc.SetMarkup(Utf8ToString(markup.data(), static_cast<int64>(markup.size())));
    LayoutFigures("5 MB section", doc, doc.FirstSection(), markup.size());

    // The largest shipped section, once the project ships its help.
    FILE* shipped = fopen("../../resources/help/help.html", "rb");
    if (!shipped)
        shipped = fopen("resources/help/help.html", "rb");
    if (shipped) {
        std::string text;
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, shipped)) > 0)
            text.append(buffer, n);
        fclose(shipped);
        HelpDocument help;
        help.SetMarkup(Utf8ToString(text.data(), static_cast<int64>(text.size())));
        const HelpNode* largest = nullptr;
        int32 largestSize = -1;
        for (const HelpNode* s = help.FirstSection(); s; s = help.NextSection(s)) {
            const HelpNode* last = s;
            for (const HelpNode* n = s; n; n = NextHelpNode(n, s))
                last = n;
            if (last->start - s->start > largestSize) {
                largestSize = last->start - s->start;
                largest = s;
            }
        }
        if (largest)
            LayoutFigures("largest shipped section", help, largest, static_cast<size_t>(largestSize));
    } else {
        printf("largest shipped section: skipped (no resources/help/help.html)\n");
    }

    // Find across sections of a generated 10 MB help: a word only the last
    // section holds, so every section is searched.
    std::string big = "<title>Pomoc</title>";
    int sections = 0;
    while (big.size() < kSize)
        big += Section(("s" + std::to_string(sections++)).c_str(), 20000, rng);
    big += "<section ctx='ostatni'><p>Tu jest Zdanie. Drugie zdanie. Szukane S\xC5\x81OWO w \xC5\x9Brodku. Dalej.</p></section>";
    HelpDocument help;
    help.SetMarkup(Utf8ToString(big.data(), static_cast<int64>(big.size())));
    const String word(L"szukane s\u0142owo");
    size_t hits = 0;
    double find = Time([&] { hits = FindInSections(help, word, 100).size(); });
    // Reference: a case-sensitive scan of the same markup for the word as written.
    const String& text = help.Markup();
    const wchar_t* at = nullptr;
    double scan = Time([&] { at = wcsstr(text.CStr(), L"Szukane S\u0141OWO"); });
    printf("find across %d sections (10 MB, ignoring case): %.1f ms, %.1f MB/s (%zu hits)\n", sections + 1,
           find * 1000, MBps(big.size(), find), hits);
    printf("wcsstr over the same markup (case kept): %.1f ms, %.1f MB/s (found %d)\n", scan * 1000,
           MBps(big.size(), scan), at != nullptr);
}

}  // namespace

// Runs of short repeated patterns (4 to 15 bytes), which pack into copies
// from fewer than 16 bytes back, where a chunk overlaps what it writes.
std::string ShortRepeats(size_t size, std::mt19937& rng)
{
    std::string out;
    while (out.size() < size) {
        size_t period = 4 + rng() % 12;
        std::string pattern;
        for (size_t k = 0; k < period; k++)
            pattern += static_cast<char>('a' + rng() % 26);
        for (size_t k = 0; k < 300 / period; k++)
            out += pattern;
    }
    out.resize(size);
    return out;
}

void ExtractFigures(const char* name, const std::string& bytes, int64& checksum)
{
    HelpContainerWriter writer;
    writer.AddMember(L"help.html", reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
    PodArray<u8> file = writer.Build();
    HelpContainer container;
    container.LoadBytes(file.Data(), file.Count());
    HelpEntry entry = container.Find(L"help.html", -1);
    double extract = Time([&] {
        PodArray<u8> out = container.Extract(entry);
        checksum += out.At(out.Count() / 2);
    });
    printf("extract packed member%s: %.1f MB/s (%lld bytes from %lld)\n", name, MBps(bytes.size(), extract),
           static_cast<long long>(entry.unpackedSize), static_cast<long long>(entry.storedSize));
    double copyAll = Time([&] {
        PodArray<u8> out;
        out.Resize(entry.unpackedSize + 2);
        memcpy(out.Data(), bytes.data(), bytes.size());
        checksum += out.At(entry.unpackedSize / 2);
    });
    printf("memcpy of the unpacked bytes into a fresh array%s: %.1f MB/s\n", name, MBps(bytes.size(), copyAll));
}

int main()
{
    std::mt19937 rng(2026);
    std::string clean = Markup(kSize, 0, rng);
    int64 checksum = 0;
    ExtractFigures("", clean, checksum);
    ExtractFigures(" of short repeats", ShortRepeats(kSize, rng), checksum);

    MarkupFigures("clean markup", clean);
    MarkupFigures("markup with 100000 errors", Markup(kSize, 100000, rng));
    ViewFigures(rng);
    printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
