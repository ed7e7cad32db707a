#include "HelpFuzzTargets.h"

#include "base/CharUtils.h"
#include "helpviewer/HelpContainer.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpDocument.h"

#include <cstring>

namespace {

// A fault seen in a result: stops the program like a sanitizer trap.
void Expect(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const char kMarkup[] =
    "\xEF\xBB\xBF<title>Pomoc programu Scrivel</title>\r\n"
    "<section ctx='start' nav><h1>Pocz\xC4\x85tek</h1><p>Tekst &amp; <b>pogrubiony</b>, &&, &<, "
    "<a href='#dalej'>link</a><br><img src=\"obraz.gif\" alt='x'></p>\n"
    "<ol><li>jeden<li>dwa</ol><ignore>ukryte <b>x</b></ignore></section>\n"
    "<section id='dalej' NAV='1' redirect='koniec'><p>\xE2\x82\xAC \xF0\x9F\x98\x80 zaż\xC3\xB3\xC5\x82\xC4\x87</p>"
    "</section>\n<section ctx='koniec' nav=''><code>a < b</code><font color='red'>r</font></section>\n"
    "<section ctx='petla' redirect='petla2'></section><section ctx='petla2' redirect='PETLA'></section>\n"
    "<p x=bez y z='brak></p></b>";

std::vector<u8> Bytes(const char* text)
{
    return std::vector<u8>(text, text + strlen(text));
}

std::vector<u8> Words(size_t n, u64 seed)
{
    static const char* const words[] = {"<p>", "sekcja ", "help ", "\r\n", "<b>", "</b>", "plik ", "."};
    FuzzRandom random(seed);
    std::vector<u8> b;
    while (b.size() < n) {
        const char* w = words[random.Below(8)];
        b.insert(b.end(), w, w + strlen(w));
    }
    b.resize(n);
    return b;
}

FuzzSeed ContainerSeed(bool withPrefix, bool endTag)
{
    HelpContainerWriter w;
    std::vector<u8> html = Bytes(kMarkup);
    std::vector<u8> words = Words(600, 7);
    w.AddMember(L"help.html", html.data(), static_cast<int64>(html.size()));
    w.AddMember(L"tekst.txt", words.data(), static_cast<int64>(words.size()));
    w.AddMember(L"surowe.bin", words.data(), 40, false);
    w.AddMember(L"puste", nullptr, 0);
    if (endTag)
        w.AddEndTag();
    if (withPrefix)
        w.SetPrefix(reinterpret_cast<const u8*>("MZ\x90\0prefix"), 10);
    PodArray<u8> file = w.Build();
    FuzzSeed seed;
    seed.bytes.assign(file.Data(), file.Data() + file.Count());
    for (int64 i = 0; i < w.EntryCount(); i++)
        for (int64 field : {4, 8, 24})
            seed.sizeFields.push_back(static_cast<size_t>(w.EntryOffset(i) + field));
    size_t n = seed.bytes.size();
    for (size_t back : {12, 8, 4})
        seed.sizeFields.push_back(n - back);
    return seed;
}

std::vector<FuzzSeed> ContainerSeeds()
{
    // The third is an entry area alone: whole under the trailer the target adds.
    FuzzSeed area = ContainerSeed(false, true);
    area.bytes.resize(area.bytes.size() - 16);
    area.sizeFields.resize(area.sizeFields.size() - 3);
    return {ContainerSeed(false, true), ContainerSeed(true, false), area};
}

void WalkContainer(const u8* bytes, size_t count)
{
    HelpContainer c;
    c.LoadBytes(bytes, static_cast<int64>(count));
    c.ForEach([&](const HelpEntry& entry) {
        Expect(entry.dataOffset + entry.storedSize <= c.Area().Count());
        try {
            PodArray<u8> out = c.Extract(entry);
            Expect(out.Count() == entry.unpackedSize + 2 && out.At(entry.unpackedSize) == 0);
        } catch (const Error& e) {
            Expect(e.code == -3 || e.code == 8);
        }
        c.EntryName(entry);
    });
    PodArray<u8> html = c.Extract(L"help.html", -1);
    HelpDocument doc;
    doc.SetMarkup(Utf8ToString(html.Data(), html.Count() - 2));
}

// The input as a whole file, then as an entry area under a sound trailer, so
// that mutations which broke the trailer still reach the entries.
void RunContainer(const u8* bytes, size_t count)
{
    try {
        WalkContainer(bytes, count);
    } catch (const Error&) {
    }
    static GuardedBuffer wrapped;
    u8* file = wrapped.Room(count + 16);
    if (count > 0)
        memcpy(file, bytes, count);
    u32 trailer[4] = {0x5C9F3A6Eu, 0, static_cast<u32>(count), static_cast<u32>(count)};
    memcpy(file + count, trailer, 16);
    WalkContainer(file, count + 16);
}

// LZ input: the unpacked size (16 bits) and then the stream.
std::vector<FuzzSeed> LzSeeds()
{
    std::vector<FuzzSeed> seeds;
    for (int k = 0; k < 3; k++) {
        std::vector<u8> data = k == 0 ? Bytes(kMarkup) : Words(k == 1 ? 3000 : 200, static_cast<u64>(k));
        PodArray<u8> packed = PackLz(data.data(), static_cast<int64>(data.size()));
        FuzzSeed seed;
        u32 n = static_cast<u32>(data.size());
        seed.bytes = {static_cast<u8>(n), static_cast<u8>(n >> 8), 0, 0};
        seed.bytes.insert(seed.bytes.end(), packed.Data(), packed.Data() + packed.Count());
        seed.sizeFields = {0};
        seeds.push_back(seed);
    }
    return seeds;
}

void RunLz(const u8* bytes, size_t count)
{
    if (count < 4)
        return;
    static GuardedBuffer output;
    int64 size = bytes[0] | bytes[1] << 8;
    u8* out = output.Room(static_cast<size_t>(size));
    int64 produced = UnpackLz(bytes + 4, static_cast<int64>(count) - 4, out, size);
    Expect(produced >= 0 && produced <= size);
}

std::vector<FuzzSeed> Utf8Seeds()
{
    return {{Bytes(kMarkup), {}},
            {Bytes("\xEF\xBB\xBF\xC3\x28\xE2\x82\xF0\x9F\x98\x80\xED\xA0\x80\xFF\xFE\xC0\xAF\xE2\x82"), {}},
            {Bytes("a\xEF\xBB\xBFz\xF4\x8F\xBF\xBF\xF7\xBF\xBF\xBF"), {}}};
}

void RunUtf8(const u8* bytes, size_t count)
{
    String text = Utf8ToString(bytes, static_cast<int64>(count));
    // Each byte gives at most one unit, a four-byte sequence two.
    Expect(text.Length() <= static_cast<int64>(count));
    Expect(text.Data() == nullptr || text.Data()[text.Length()] == 0);
}

std::vector<FuzzSeed> MarkupSeeds()
{
    std::vector<u8> deep;
    for (int i = 0; i < 1100; i++) {
        const char* tag = i % 3 ? "<b>" : "<section ctx='s'>";
        deep.insert(deep.end(), tag, tag + strlen(tag));
    }
    return {{Bytes(kMarkup), {}}, {deep, {}}};
}

void RunMarkup(const u8* bytes, size_t count)
{
    HelpDocument doc;
    doc.SetMarkup(Utf8ToString(bytes, static_cast<int64>(count)));
    const String& text = doc.Markup();
    int64 feeds = 0;
    for (int64 i = 0; i < text.Length(); i++)
        feeds += text.Data()[i] == L'\n';
    for (int64 i = 0; i < doc.Errors().Count(); i++)
        Expect(doc.Errors().At(i).line >= 1 && doc.Errors().At(i).line <= feeds + 1);
    doc.Title();
    if (const HelpNode* root = doc.Root())
        for (const HelpNode* n = NextHelpNode(root, root); n; n = NextHelpNode(n, root))
            Expect(n->start >= 0 && n->length >= 0 && n->start + int64(n->length) <= text.Length());
    for (const HelpNode* s = doc.FirstSection(); s; s = doc.NextSection(s)) {
        String id = doc.SectionId(s);
        const HelpNode* target = doc.Resolve(id.Data(), id.Length());
        Expect(!target || doc.FindSection(doc.SectionId(target).Data(), doc.SectionId(target).Length()));
        doc.NextPage(id.Data(), id.Length());
        doc.PreviousPage(id.Data(), id.Length());
    }
}

}  // namespace

const std::vector<HelpFuzzTarget>& HelpFuzzTargets()
{
    static const std::vector<HelpFuzzTarget> targets = {
        {"container", ContainerSeeds, RunContainer},
        {"lz", LzSeeds, RunLz},
        {"utf8", Utf8Seeds, RunUtf8},
        {"markup", MarkupSeeds, RunMarkup},
        {"gif", GifFuzzSeeds, RunGifFuzz},
        {"png", PngFuzzSeeds, RunPngFuzz},
    };
    return targets;
}
