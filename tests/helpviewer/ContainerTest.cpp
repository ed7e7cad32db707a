#include "helpviewer/HelpContainer.h"
#include "helpviewer/HelpContainerWriter.h"

#include <doctest.h>

#include "support/CaughtError.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<u8>;

Bytes ToVector(const PodArray<u8>& a)
{
    return Bytes(a.Data(), a.Data() + a.Count());
}

Bytes TextBytes(const char* text)
{
    return Bytes(text, text + strlen(text));
}

void PutI32(Bytes& file, int64 at, int64 value)
{
    u32 v = static_cast<u32>(value);
    for (int k = 0; k < 4; k++)
        file[static_cast<size_t>(at + k)] = static_cast<u8>(v >> (8 * k));
}

HelpContainer LoadFile(const Bytes& file)
{
    HelpContainer c;
    c.LoadBytes(file.data(), static_cast<int64>(file.size()));
    return c;
}

Bytes Extracted(const HelpContainer& c, const wchar_t* name)
{
    PodArray<u8> out = c.Extract(name, -1);
    return Bytes(out.Data(), out.Data() + out.Count() - 2);
}

// A container holding one raw entry with these fields and data, then the end tag.
Bytes RawContainer(HelpContainerWriter::EntryFields fields, const Bytes& data, const wchar_t* name = L"m")
{
    HelpContainerWriter w;
    if (fields.nameLength == 0)
        fields.nameLength = static_cast<int32>(wcslen(name));
    w.AddRawEntry(fields, name, static_cast<int64>(wcslen(name)), data.data(), static_cast<int64>(data.size()));
    w.AddEndTag();
    return ToVector(w.Build());
}

// An LZ stream given item by item, stored as a member of unpacked size n.
Bytes LzMember(const Bytes& stream, int32 unpacked)
{
    HelpContainerWriter::EntryFields f;
    f.storedSize = static_cast<int32>(stream.size());
    f.unpackedSize = unpacked;
    f.checksum = Crc32(stream.data(), static_cast<int64>(stream.size()));
    return Extracted(LoadFile(RawContainer(f, stream)), L"m");
}

Bytes RandomBytes(std::mt19937& rng, size_t n, int alphabet)
{
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<u8>(rng() % static_cast<u32>(alphabet));
    return b;
}

// Words from a small vocabulary, like help text: long repeats at all distances.
Bytes TextLike(std::mt19937& rng, size_t n)
{
    static const char* const words[] = {"<p>", "sekcja ", "the ", "help ", "\r\n", "<b>", "</b>", "Guidora ",
                                        "zakładka ", "edytor ", "plik ", "<section ctx='x'>", "."};
    Bytes b;
    while (b.size() < n) {
        const char* w = words[rng() % (sizeof(words) / sizeof(words[0]))];
        b.insert(b.end(), w, w + strlen(w));
    }
    b.resize(n);
    return b;
}

}  // namespace

TEST_CASE("members round-trip through the writer, packed or stored, and are found ignoring case")
{
    std::mt19937 rng(4242);
    Bytes text = TextLike(rng, 50000);
    Bytes noise = RandomBytes(rng, 3000, 256);
    HelpContainerWriter w;
    w.AddMember(L"help.html", text.data(), static_cast<int64>(text.size()));
    w.AddMember(L"Pic.GIF", noise.data(), static_cast<int64>(noise.size()));
    w.AddMember(L"empty", nullptr, 0);
    w.AddMember(L"plain", text.data(), 100, false);
    w.AddEndTag();
    Bytes prefix = TextBytes("MZ leading bytes");
    w.SetPrefix(prefix.data(), static_cast<int64>(prefix.size()));
    HelpContainer c = LoadFile(ToVector(w.Build()));

    CHECK(Extracted(c, L"HELP.HTML") == text);
    CHECK(Extracted(c, L"pic.gif") == noise);
    CHECK(Extracted(c, L"empty").empty());
    CHECK(Extracted(c, L"plain") == Bytes(text.begin(), text.begin() + 100));
    // The text packs; random bytes do not, so they are stored as they are.
    HelpEntry html = c.Find(L"help.html", -1);
    CHECK(html.storedSize < html.unpackedSize / 2);
    HelpEntry pic = c.Find(L"pic.gif", 7);
    CHECK(pic.storedSize == pic.unpackedSize);
    CHECK(c.Find(L"help.htm", -1).offset == -1);
    CHECK(c.Find(L"help.html ", -1).offset == -1);
    // The terminator after the bytes.
    PodArray<u8> out = c.Extract(L"help.html", 9);
    CHECK(out.Count() == static_cast<int64>(text.size()) + 2);
    CHECK(out.At(static_cast<int64>(text.size())) == 0);
}

TEST_CASE("a container file is read whole from disk; a missing one names its path")
{
    TempFolder folder;
    HelpContainerWriter w;
    Bytes data = TextBytes("<title>x</title>");
    w.AddMember(L"help.html", data.data(), static_cast<int64>(data.size()));
    w.Save(folder / L"help.ruvo");
    HelpContainer c;
    c.Load(folder / L"help.ruvo");
    CHECK(Extracted(c, L"help.html") == data);

    String missing = folder / L"none.ruvo";
    Error e = CaughtError([&] { c.Load(missing); });
    CHECK(e.code == 2);
    CHECK(HasMessage(e, missing.CStr()));
}

TEST_CASE("LZ differential: random and text-like data packed, then extracted equal")
{
    const u32 seed = 20261208;
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; round++) {
        size_t n = rng() % 3 == 0 ? rng() % 200 : rng() % 70000;
        Bytes data = round % 3 == 0 ? RandomBytes(rng, n, 256)
                   : round % 3 == 1 ? RandomBytes(rng, n, 1 + static_cast<int>(rng() % 4))
                                    : TextLike(rng, n);
        PodArray<u8> packed = PackLz(data.data(), static_cast<int64>(n));
        Bytes out(n + 1, 0xCC);
        int64 produced = UnpackLz(packed.Data(), packed.Count(), out.data(), static_cast<int64>(n));
        INFO("seed " << seed << " round " << round << " size " << n);
        REQUIRE(produced == static_cast<int64>(n));
        CHECK(std::equal(data.begin(), data.end(), out.begin()));
        CHECK(out[n] == 0xCC);
        // The writer's own bound: never more than 127 bytes per 3 stored.
        CHECK(static_cast<int64>(n) <= (packed.Count() + 2) / 3 * 127);
    }
}

TEST_CASE("the trailer and the area must lie inside the file")
{
    HelpContainerWriter w;
    Bytes data = TextBytes("abc");
    Bytes prefix = TextBytes("0123456789");
    w.SetPrefix(prefix.data(), 10);
    w.AddMember(L"m", data.data(), 3);
    w.AddEndTag();
    const Bytes good = ToVector(w.Build());
    const int64 n = static_cast<int64>(good.size());
    CHECK(Extracted(LoadFile(good), L"m") == data);

    auto codeOf = [](const Bytes& file) { return CaughtError([&] { LoadFile(file); }).code; };
    CHECK(codeOf(Bytes(good.end() - 16, good.end())) == -3);  // 16 bytes or fewer
    CHECK(codeOf(Bytes(5, 0)) == -3);
    Bytes b = good;
    b[static_cast<size_t>(n - 16)] ^= 1;  // magic
    CHECK(codeOf(b) == -3);
    b = good;
    PutI32(b, n - 4, n - 15);  // length check
    CHECK(codeOf(b) == -3);
    // Area offset and size: negative, past the trailer, or overflowing 32 bits.
    const int64 areaSize = n - 16 - 10;
    const int64 cases[][2] = {{-1, areaSize},     {10, -1},         {11, areaSize},      {10, areaSize + 1},
                              {0x7FFFFFFF, 1},    {1, 0x7FFFFFFF},  {0x7FFFFFFF, 0x7FFFFFFF}, {n, 0}};
    for (auto& c : cases) {
        b = good;
        PutI32(b, n - 12, c[0]);
        PutI32(b, n - 8, c[1]);
        INFO("offset " << c[0] << " size " << c[1]);
        CHECK(codeOf(b) == -3);
    }
    // An empty area at the very end is fine; it holds nothing.
    b = good;
    PutI32(b, n - 12, n - 16);
    PutI32(b, n - 8, 0);
    HelpContainer empty = LoadFile(b);
    Error e = CaughtError([&] { empty.Extract(L"m", 1); });
    CHECK(e.code == -357);
    CHECK(HasMessage(e, L"m"));
}

TEST_CASE("damaged entries end the walk: the member is missing")
{
    Bytes data = TextBytes("hello");
    HelpContainerWriter::EntryFields f;
    f.storedSize = 5;
    f.unpackedSize = 5;
    f.checksum = Crc32(data.data(), 5);
    CHECK(Extracted(LoadFile(RawContainer(f, data)), L"m") == data);

    auto missing = [&](HelpContainerWriter::EntryFields g) {
        Bytes file = RawContainer(g, data);
        return CaughtError([&] { Extracted(LoadFile(file), L"m"); }).code == -357;
    };
    for (int32 size : {-1, -5, INT32_MIN, 10, 100, INT32_MAX}) {
        HelpContainerWriter::EntryFields g = f;
        g.storedSize = size;
        INFO("stored size " << size);
        CHECK(missing(g));
    }
    for (int32 length : {-1, 2, 1000, INT32_MAX, INT32_MIN}) {
        HelpContainerWriter::EntryFields g = f;
        g.nameLength = length;
        INFO("name length " << length);
        CHECK(missing(g));
    }
    // A header cut by the end of the area.
    HelpContainerWriter w;
    w.AddMember(L"first", data.data(), 5);
    u8 partial[10] = {1, 0, 0, 0, 5};
    w.SetPrefix(nullptr, 0);
    Bytes file = ToVector(w.Build());
    file.insert(file.end() - 16, partial, partial + 10);
    PutI32(file, static_cast<int64>(file.size()) - 8, static_cast<int64>(file.size()) - 16);
    PutI32(file, static_cast<int64>(file.size()) - 4, static_cast<int64>(file.size()) - 16);
    HelpContainer c = LoadFile(file);
    CHECK(Extracted(c, L"first") == data);
    CHECK(CaughtError([&] { c.Extract(L"x", 1); }).code == -357);
}

TEST_CASE("an end tag hides what follows; an area without one is walked to its size")
{
    Bytes a = TextBytes("aaa");
    HelpContainerWriter w;
    w.AddMember(L"a", a.data(), 3);
    w.AddEndTag();
    w.AddMember(L"b", a.data(), 3);
    HelpContainer c = LoadFile(ToVector(w.Build()));
    CHECK(c.Find(L"a", 1).offset == 0);
    CHECK(c.Find(L"b", 1).offset == -1);

    HelpContainerWriter v;
    v.AddMember(L"a", a.data(), 3);
    v.AddMember(L"b", a.data(), 3);
    HelpContainer d = LoadFile(ToVector(v.Build()));
    CHECK(Extracted(d, L"b") == a);
    int visited = 0;
    d.ForEach([&](const HelpEntry& e) {
        CHECK(d.EntryName(e).Equals(visited == 0 ? L"a" : L"b"));
        visited++;
    });
    CHECK(visited == 2);
}

TEST_CASE("checksum and unpacked-size faults are internal errors before any allocation")
{
    Bytes stream = {3, 'a', 'b', 'c', 0x83, 3, 0};  // "abcabc"
    CHECK(LzMember(stream, 6) == TextBytes("abcabc"));

    HelpContainerWriter::EntryFields f;
    f.storedSize = 7;
    f.unpackedSize = 6;
    f.checksum = Crc32(stream.data(), 7) ^ 1;
    CHECK(CaughtError([&] { Extracted(LoadFile(RawContainer(f, stream)), L"m"); }).code == -3);

    // 7 stored bytes can produce at most 3 * 127 = 381.
    CHECK(LzMember(stream, 381).size() == 381);
    for (int32 unpacked : {-1, -7, INT32_MIN, 382, 1000000, INT32_MAX - 1, INT32_MAX}) {
        INFO("unpacked " << unpacked);
        CHECK(CaughtError([&] { LzMember(stream, unpacked); }).code == -3);
    }
}

TEST_CASE("the writer refuses a container of its trailer alone, which the reader cannot open")
{
    HelpContainerWriter w;
    CHECK(CaughtError([&] { w.Build(); }).code == -3);
    TempFolder folder;
    String path = folder / L"empty.ruvo";
    CHECK(CaughtError([&] { w.Save(path); }).code == -3);
    CHECK(GetFileAttributesW(path.CStr()) == INVALID_FILE_ATTRIBUTES);
    // The smallest it makes, an end tag alone, opens and holds nothing.
    w.AddEndTag();
    Bytes tagOnly = ToVector(w.Build());
    CHECK(tagOnly.size() == 20);
    CHECK(CaughtError([&] { LoadFile(tagOnly).Extract(L"m", 1); }).code == -357);
    HelpContainerWriter p;
    u8 prefix = 'x';
    p.SetPrefix(&prefix, 1);
    CHECK(LoadFile(ToVector(p.Build())).Area().Count() == 0);
}

TEST_CASE("a damaged LZ item keeps what was decoded and zeros after it")
{
    auto expect = [](const Bytes& got, const char* text, size_t size) {
        Bytes want = TextBytes(text);
        want.resize(size, 0);
        return got == want;
    };
    // (Unpacked sizes differ from the stored ones: equal sizes mean "not packed".)
    // Distance 0, even with length 0; distance past the start; shorter than the length.
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x80, 0, 0, 1, 'z'}, 12), "abc", 12));
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x81, 0, 0, 1, 'z'}, 12), "abc", 12));
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x81, 4, 0, 1, 'z'}, 12), "abc", 12));
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x83, 2, 0, 1, 'z'}, 12), "abc", 12));
    // A copy of length 0 appends nothing and goes on; so does an empty run.
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x80, 1, 0, 0, 1, 'z'}, 11), "abcz", 11));
    // A literal run reading past the stored bytes, a copy cut short.
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 5, 'x', 'y'}, 9), "abc", 9));
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x83, 3}, 9), "abc", 9));
    // Items writing past the unpacked size.
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 3, 'x', 'y', 'z'}, 5), "abc", 5));
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x83, 3, 0}, 5), "abc", 5));
    // The output fills exactly: decoding ends there.
    CHECK(expect(LzMember({3, 'a', 'b', 'c', 0x83, 3, 0, 0x80, 0, 0}, 6), "abcabc", 6));

    // Equal sizes: copied as they are, though the bytes would decode as LZ.
    Bytes raw = {2, 'h', 'i', 0x82, 2};
    HelpContainerWriter::EntryFields f;
    f.storedSize = 5;
    f.unpackedSize = 5;
    f.checksum = Crc32(raw.data(), 5);
    CHECK(Extracted(LoadFile(RawContainer(f, raw)), L"m") == raw);
}

TEST_CASE("the container lies beside the program; a thread without an application object has none")
{
    wchar_t module[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module, n);
    folder.resize(folder.rfind(L'\\') + 1);
    CHECK(std::wstring(HelpContainer::DefaultPath().CStr()) == folder + L"help.ruvo");

    int32 code = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) WINAPI -> DWORD {
            *static_cast<int32*>(p) = CaughtError([] { HelpContainer::DefaultPath(); }).code;
            return 0;
        },
        &code, 0, nullptr);
    REQUIRE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CHECK(code == -3);
}
