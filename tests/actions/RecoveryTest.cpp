// Autosave recovery at start: which files come back, which stay, which go.

#include "PortableBench.h"

#include <doctest.h>

#include "base/Paths.h"
#include "support/DocumentText.h"
#include "text/SyntaxId.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using doctext::Bytes;

namespace {

// An id no process has: its files belong to a run that ended.
constexpr unsigned kGoneProcess = 0xFFFFFFF0u;

std::wstring W(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

std::wstring AutosaveName(wchar_t first, u64 time, unsigned process, unsigned counter)
{
    wchar_t name[64];
    swprintf(name, 64, L"%c%08x_%08x_%08x_%08x.autosave", first, static_cast<unsigned>(time >> 32),
             static_cast<unsigned>(time), process, counter);
    return name;
}

u64 Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

constexpr u64 kSecond = 10000000;

std::string Utf16Line(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text + L"\r\n") {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// Autosave files as the text model writes them, in a portable data folder.
struct RecoveryBench : PortableBench {
    RecoveryBench() { CreateDirectoryW(Folder().CStr(), nullptr); }

    String Folder() const { return data / L"autosave\\"; }
    String InFolder(const std::wstring& name) const { return Concat(Folder(), name.c_str()); }

    void Write(const std::wstring& name, const std::wstring& path, const std::string& body,
               const wchar_t* encoding = L"UTF-8", const wchar_t* syntax = L"", const wchar_t* location = nullptr)
    {
        std::string bytes = Utf16Line(path) + Utf16Line(location ? location : path) +
                            Utf16Line(std::to_wstring(body.size())) + Utf16Line(encoding) + Utf16Line(syntax) + body;
        WriteFileBytes(InFolder(name), bytes);
    }
    // A saved file whose last write lies at time.
    String SavedFile(const wchar_t* name, const std::string& bytes, u64 time)
    {
        String path = texts / name;
        WriteFileBytes(path, bytes);
        SetFileWriteTime(path, FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)});
        return path;
    }
    std::vector<std::wstring> Names() const
    {
        Array<String> names = ListDirectory(Folder().CStr(), L"*");
        std::vector<std::wstring> out;
        for (int64 i = 0; i < names.Count(); i++)
            out.push_back(W(names.At(i)));
        std::sort(out.begin(), out.end());
        return out;
    }
    bool Has(const std::wstring& name) const { return PathExists(InFolder(name)); }
    void Recover() { bench.broker->RecoverAutosaves(bench.views[0]); }
};

// The listing of the recovery in an order the test chooses.
std::vector<int> g_order;
Array<String> ListInOrder(const wchar_t* folder, const wchar_t* pattern)
{
    Array<String> sorted = ListDirectory(folder, pattern);
    Array<String> out;
    out.Reset();
    for (int64 i = 0; i < sorted.Count(); i++) {
        int64 k = i < static_cast<int64>(g_order.size()) ? g_order[static_cast<size_t>(i)] : i;
        out.Insert(out.Count(), sorted.At(k < sorted.Count() ? k : i));
    }
    return out;
}
const RecoveryCalls kOrderedListing = {ListInOrder};

struct ListingOrder {
    explicit ListingOrder(std::vector<int> order)
    {
        g_order = std::move(order);
        SetRecoveryCalls(&kOrderedListing);
    }
    ~ListingOrder() { SetRecoveryCalls(nullptr); }
};

bool IsOwnName(const std::wstring& name)
{
    wchar_t pid[16];
    swprintf(pid, 16, L"_%08x_", static_cast<unsigned>(GetCurrentProcessId()));
    return name.size() == 45 && name[0] == L'g' && name.find(pid) == 18;
}

}  // namespace

TEST_CASE("of several autosaves of one file only the newest comes back, in any listing order; the older stay on disk")
{
    unsigned seed = static_cast<unsigned>(GetTickCount());
    INFO("seed " << seed);
    std::mt19937 random(seed);
    std::vector<std::vector<int>> orders = {{0, 1, 2, 3}, {3, 2, 1, 0}, {0, 1, 2, 3}};
    std::shuffle(orders[2].begin(), orders[2].end(), random);
    for (const std::vector<int>& order : orders) {
        CAPTURE(order);
        RecoveryBench r;
        u64 base = Now() - 3600 * kSecond;
        String path = r.SavedFile(L"a.txt", "on disk", base);
        std::vector<std::wstring> names;
        for (unsigned k = 1; k <= 3; k++) {
            names.push_back(AutosaveName(L'g', base + k * kSecond, kGoneProcess, k));
            r.Write(names.back(), W(path), "version " + std::to_string(k));
        }
        // A text never saved, listed among them: it always comes back.
        std::wstring unsaved = AutosaveName(L'g', base + 2 * kSecond, kGoneProcess + 4, 9);
        r.Write(unsaved, L"", "never saved", L"UTF-8", L"", L"C:\\work\\notes");
        ListingOrder listing(order);
        r.Recover();

        REQUIRE(r.Documents().Count() == 2);
        TextDocument* file = r.Documents().FindByPath(path);
        REQUIRE(file != nullptr);
        CHECK(Bytes(*file) == "version 3");
        CHECK(file->modified);
        CHECK(file->fromAutosave);
        // The older two are untouched; the newest now has a name of this run.
        CHECK(r.Has(names[0]));
        CHECK(r.Has(names[1]));
        CHECK_FALSE(r.Has(names[2]));
        CHECK_FALSE(r.Has(unsaved));
        std::wstring adopted = W(FileNamePart(file->autosaveFinishedPath));
        CHECK(IsOwnName(adopted));
        CHECK(r.Has(adopted));
        CHECK(ReadFileBytes(path) == "on disk");

        TextDocument* other = r.Documents().At(0) == file ? r.Documents().At(1) : r.Documents().At(0);
        CHECK(other->GetPath().IsEmpty());
        CHECK(W(other->GetLocation()) == L"C:\\work\\notes");
        CHECK(Bytes(*other) == "never saved");
        CHECK(IsOwnName(W(FileNamePart(other->autosaveFinishedPath))));
        CHECK(r.bench.alerts.alerts.empty());
    }
}

TEST_CASE("a locked autosave and a folder with an autosave name are passed over; the rest come back and t files go")
{
    RecoveryBench r;
    u64 base = Now() - 3600 * kSecond;
    String one = r.SavedFile(L"one.txt", "1", base);
    String two = r.SavedFile(L"two.txt", "2", base);
    std::wstring locked = AutosaveName(L'g', base + kSecond, kGoneProcess, 1);
    std::wstring folder = AutosaveName(L'g', base + 2 * kSecond, kGoneProcess, 2);
    std::wstring good = AutosaveName(L'g', base + 3 * kSecond, kGoneProcess, 3);
    std::wstring unfinished = AutosaveName(L't', base + 4 * kSecond, kGoneProcess, 4);
    r.Write(locked, W(one), "locked body");
    REQUIRE(CreateDirectoryW(r.InFolder(folder).CStr(), nullptr));
    r.Write(good, W(two), "good body");
    r.Write(unfinished, W(two), "half");
    HANDLE hold = CreateFileW(r.InFolder(locked).CStr(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(hold != INVALID_HANDLE_VALUE);
    // The locked one is listed first: it must stop nothing.
    r.Recover();
    CloseHandle(hold);

    REQUIRE(r.Documents().Count() == 1);
    CHECK(Bytes(*r.Documents().At(0)) == "good body");
    CHECK(r.Has(locked));
    CHECK(r.Has(folder));
    CHECK_FALSE(r.Has(unfinished));
    CHECK(r.bench.alerts.alerts.empty());
    RemoveDirectoryW(r.InFolder(folder).CStr());
}

TEST_CASE("an autosave older than its file's last write is deleted, a newer one comes back, a gone file's comes back")
{
    RecoveryBench r;
    u64 base = Now() - 3600 * kSecond;
    String newer = r.SavedFile(L"newer.txt", "saved later", base + 10 * kSecond);
    String older = r.SavedFile(L"older.txt", "saved before", base);
    std::wstring stale = AutosaveName(L'g', base + 5 * kSecond, kGoneProcess, 1);
    std::wstring fresh = AutosaveName(L'g', base + 5 * kSecond, kGoneProcess, 2);
    std::wstring orphan = AutosaveName(L'g', base + 6 * kSecond, kGoneProcess, 3);
    r.Write(stale, W(newer), "stale");
    r.Write(fresh, W(older), "fresh");
    r.Write(orphan, W(r.texts / L"gone.txt"), "orphan");
    r.Recover();

    CHECK_FALSE(r.Has(stale));
    CHECK(r.Documents().FindByPath(newer) == nullptr);
    REQUIRE(r.Documents().FindByPath(older) != nullptr);
    CHECK(Bytes(*r.Documents().FindByPath(older)) == "fresh");
    REQUIRE(r.Documents().FindByPath(r.texts / L"gone.txt") != nullptr);
    CHECK(ReadFileBytes(newer) == "saved later");
}

TEST_CASE("the files of an editor that still runs are left alone; a reused process id does not make a file live")
{
    RecoveryBench r;
    FILETIME created, exited, kernel, user;
    REQUIRE(GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user));
    u64 start = FileTimeValue(created);
    unsigned self = static_cast<unsigned>(GetCurrentProcessId());
    std::wstring live = AutosaveName(L'g', Now(), self, 1);
    std::wstring liveUnfinished = AutosaveName(L't', Now(), self, 2);
    // Written by an earlier process that had this id.
    std::wstring reused = AutosaveName(L'g', start - 60 * kSecond, self, 3);
    r.Write(live, L"", "live text");
    r.Write(liveUnfinished, L"", "live, half");
    r.Write(reused, L"", "earlier run");

    CHECK(AutosaveOwnerRunning(String(live.c_str())));
    CHECK_FALSE(AutosaveOwnerRunning(String(reused.c_str())));
    CHECK_FALSE(AutosaveOwnerRunning(String(AutosaveName(L'g', Now(), kGoneProcess, 1).c_str())));
    CHECK_FALSE(AutosaveOwnerRunning(String(L"gnot-a-number.autosave")));

    r.Recover();
    REQUIRE(r.Documents().Count() == 1);
    CHECK(Bytes(*r.Documents().At(0)) == "earlier run");
    CHECK(r.Has(live));
    CHECK(r.Has(liveUnfinished));
    CHECK_FALSE(r.Has(reused));

    // A second recovery in the same run finds only files of a live editor.
    r.Recover();
    CHECK(r.Documents().Count() == 1);
}

TEST_CASE("a failure after the load removes the text without a question and keeps the file")
{
    RecoveryBench r;
    u64 base = Now() - 3600 * kSecond;
    String path = r.SavedFile(L"a.txt", "disk", base);
    std::wstring name = AutosaveName(L'g', base + kSecond, kGoneProcess, 1);
    std::wstring unsaved = AutosaveName(L'g', base + 2 * kSecond, kGoneProcess, 2);
    r.Write(name, W(path), "recovered words");
    r.Write(unsaved, L"", "second");
    int failures = 0;
    r.bench.failOn = [&](const BroadcastRecord& record) {
        if (record.kind == BroadcastContentReplaced && failures++ == 0)
            throw Error(-77, 0);
    };
    r.Recover();
    r.bench.failOn = nullptr;

    // The first text went again, silently; the second still came back.
    REQUIRE(r.Documents().Count() == 1);
    CHECK(r.Documents().FindByPath(path) == nullptr);
    CHECK(Bytes(*r.Documents().At(0)) == "second");
    CHECK(r.bench.alerts.alerts.empty());
    // Its file is kept, under the name it was claimed with.
    std::vector<std::wstring> names = r.Names();
    REQUIRE(names.size() == 2);
    int kept = 0;
    for (const std::wstring& n : names) {
        std::string bytes = ReadFileBytes(r.InFolder(n));
        kept += bytes.size() >= 15 && bytes.compare(bytes.size() - 15, 15, "recovered words") == 0;
    }
    CHECK(kept == 1);
    CHECK(ReadFileBytes(path) == "disk");
}

TEST_CASE("the header: UTF-16LE lines, the body after the fifth CR LF; encoding, syntax and location come back")
{
    RecoveryBench r;
    u64 base = Now() - 3600 * kSecond;
    String path = r.SavedFile(L"script.txt", "x", base);
    // The body starts with bytes that look like a line end in UTF-16.
    std::string body("\r\0\n\0A\0\x04\x01", 8);
    std::wstring name = AutosaveName(L'g', base + kSecond, kGoneProcess, 1);
    r.Write(name, W(path), body, L"UTF-16LE w/BOM", L"Java", L"D:\\elsewhere\\x");
    // Cut inside its header: passed over, left where it is.
    std::wstring cut = AutosaveName(L'g', base + 2 * kSecond, kGoneProcess, 2);
    WriteFileBytes(r.InFolder(cut), Utf16Line(L"C:\\cut.txt") + std::string("C\0:\0", 4));
    r.Recover();

    REQUIRE(r.Documents().Count() == 1);
    TextDocument* doc = r.Documents().At(0);
    CHECK(Bytes(*doc) == body);
    CHECK(doc->text.Encoding() == EncodingUtf16LE);
    CHECK(doc->bomLength == 2);
    CHECK(doc->syntax == kSyntaxJava);
    CHECK(W(doc->GetLocation()) == L"D:\\elsewhere\\x");
    CHECK(r.Has(cut));
}

TEST_CASE("decimal numbers of the session and autosave files are read with overflow checks")
{
    struct Case {
        const wchar_t* text;
        bool ok;
        int64 value;
    };
    const Case cases[] = {
        {L"0", true, 0},
        {L"  42abc", true, 42},
        {L"+7", true, 7},
        {L"-12", true, -12},
        {L"9223372036854775807", true, 0x7FFFFFFFFFFFFFFFLL},
        {L"9223372036854775808", false, 0},
        {L"-9223372036854775808", true, static_cast<int64>(0x8000000000000000ULL)},
        {L"9999999999999999999", false, 0},
        {L"99999999999999999999", false, 0},
        {L"", false, 0},
        {L"x1", false, 0},
        {L"-", false, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(std::wstring(c.text));
        int64 value = -1;
        bool ok = ParseDecimal(c.text, static_cast<int64>(wcslen(c.text)), value);
        CHECK(ok == c.ok);
        if (c.ok)
            CHECK(value == c.value);
    }
}
