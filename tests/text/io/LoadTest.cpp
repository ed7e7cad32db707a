#include "base/Error.h"
#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "support/DocumentText.h"
#include "support/RecordingNotify.h"
#include "support/TempFolder.h"
#include "text/ByteStreams.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace doctext;

namespace {

constexpr int64 kMiB = 0x100000;

// Stands in a machine with the given memory for one scope.
struct MemoryGuard {
    explicit MemoryGuard(int64 bytes) { OverridePhysicalMemorySize(bytes); }
    ~MemoryGuard() { OverridePhysicalMemorySize(0); }
};

struct LanguageGuard {
    int32 old = UiLanguageId();
    explicit LanguageGuard(int32 id) { SetUiLanguageId(id); }
    ~LanguageGuard() { SetUiLanguageId(old); }
};

void LoadBytes(TextDocument& doc, const TempFolder& temp, const wchar_t* name, const std::string& bytes,
               EncodingId encoding = 0)
{
    String path = temp / name;
    WriteFileBytes(path, bytes);
    doc.SetPath(path);
    doc.LoadFile(nullptr, encoding);
}

u64 FileTimeOf(const String& path)
{
    FILETIME t = GetFileWriteTime(path.CStr());
    return (static_cast<u64>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

TEST_CASE("loading detects the encoding and the byte-order mark")
{
    TempFolder temp;
    struct Case {
        const char* what;
        std::string bytes;
        EncodingId encoding;
        u32 bom;
    };
    EncodingId ansi = GetACP() == 1250 ? EncodingWindows1250 : EncodingWindows1252;
    const Case cases[] = {
        {"UTF-8 with BOM", std::string("\xEF\xBB\xBF" "abc", 6), EncodingUtf8, 3},
        {"UTF-16LE with BOM", std::string("\xFF\xFE" "a\0b\0", 6), EncodingUtf16LE, 2},
        {"UTF-16BE with BOM", std::string("\xFE\xFF" "\0a\0b", 6), EncodingUtf16BE, 2},
        {"UTF-16LE without BOM", std::string("a\0b\0c\0", 6), EncodingUtf16LE, 0},
        {"UTF-16BE without BOM", std::string("\0a\0b\0c", 6), EncodingUtf16BE, 0},
        {"UTF-8 without BOM", "z\xC3\xB3\xC5\x82w", EncodingUtf8, 0},
        {"declared ISO-8859-2", "<meta charset=iso-8859-2>\xB1", EncodingIso8859_2, 0},
        {"declared ISO-8859-1", "<meta charset=ISO-8859-1>\xE9", EncodingIso8859_1, 0},
        {"valid UTF-8 declared ISO-8859-2", "<meta charset=iso-8859-2>\xC5\x82", EncodingIso8859_2, 0},
        {"8-bit text of the system code page", "caf\xE9", ansi, 0},
        {"pure ASCII", "plain text", EncodingUtf8, 0},
        {"an empty file", "", EncodingUtf8, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        TextDocument doc;
        LoadBytes(doc, temp, L"sample.txt", c.bytes);
        CHECK(doc.text.Encoding() == c.encoding);
        CHECK(doc.diskEncoding == c.encoding);
        CHECK(doc.bomLength == c.bom);
        CHECK(std::string(reinterpret_cast<const char*>(doc.bom), c.bom) == c.bytes.substr(0, c.bom));
        CHECK(Bytes(doc) == c.bytes.substr(c.bom));
        CHECK_FALSE(doc.modified);
    }
}

TEST_CASE("an empty file loads as UTF-8 with CR LF line ends; LF texts keep LF")
{
    TempFolder temp;
    TextDocument doc;
    LoadBytes(doc, temp, L"empty.txt", "");
    CHECK(doc.text.Size() == 0);
    CHECK(doc.text.NewLineKind() == -2);
    LoadBytes(doc, temp, L"lf.txt", "a\nb\nc\r\n");
    CHECK(doc.text.NewLineKind() == 10);
}

TEST_CASE("a requested encoding takes the place of detection")
{
    TempFolder temp;
    TextDocument doc;
    LoadBytes(doc, temp, L"a.txt", std::string("a\0b\0", 4), EncodingWindows1252);
    CHECK(doc.text.Encoding() == EncodingWindows1252);
    CHECK(doc.text.Size() == 4);
}

TEST_CASE("loading takes the syntax from the extension and the file time")
{
    TempFolder temp;
    TextDocument doc;
    LoadBytes(doc, temp, L"main.CPP", "int x;");
    CHECK(doc.syntax == 1);
    CHECK(doc.fileTime == FileTimeOf(temp / L"main.CPP"));
    LoadBytes(doc, temp, L"notes.txt", "x");
    CHECK(doc.syntax == 0);
}

TEST_CASE("loading clears the history and leaves the text unmodified")
{
    TempFolder temp;
    TextDocument doc;
    Type(doc, 0, L"typed");
    doc.AddBookmark(2);
    LoadBytes(doc, temp, L"a.txt", "loaded");
    CHECK(Bytes(doc) == "loaded");
    CHECK(doc.undoLength == 0);
    CHECK(doc.UndoGroupTag() == -1);
    CHECK_FALSE(doc.modified);
    CHECK(doc.savedPosition == 0);
    Type(doc, 0, L"x");
    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK_FALSE(doc.modified);
}

TEST_CASE("files beyond twice the memory are refused, big ones are asked about")
{
    TempFolder temp;
    MemoryGuard memory(kMiB);  // the limit is then 2 MiB
    LanguageGuard english(9);
    TextDocument doc;
    SetText(doc, L"kept");
    String path = temp / L"big.txt";
    doc.SetPath(path);
    RecordingNotify notify;

    SUBCASE("larger than the limit: told, then cancelled")
    {
        WriteFileBytes(path, std::string(static_cast<size_t>(2 * kMiB + 1), 'x'));
        CHECK_THROWS_AS(doc.LoadFile(&notify, 0), Abort);
        REQUIRE(notify.alerts.size() == 1);
        std::wstring expected = L"The file " + std::wstring(path.CStr()) +
                                L"\nsize 2 MB exceeds the maximum supported value (2 MB). Loading is not possible.";
        CHECK((notify.alerts[0].message == expected));
        CHECK((notify.alerts[0].title == L"Text loading - Scrivel"));
        CHECK((notify.alerts[0].buttons == L"+OK"));
        CHECK(notify.alerts[0].kind == 1);
        CHECK(Bytes(doc) == "kept");
    }
    SUBCASE("exactly the limit: asked, as it is half the memory or more")
    {
        WriteFileBytes(path, std::string(static_cast<size_t>(2 * kMiB), 'x'));
        notify.answer = 1;
        CHECK_THROWS_AS(doc.LoadFile(&notify, 0), Abort);
        REQUIRE(notify.alerts.size() == 1);
        CHECK((notify.alerts[0].buttons == L"+Continue loading|-Cancel"));
    }
    SUBCASE("half the memory: the question, refused")
    {
        WriteFileBytes(path, std::string(static_cast<size_t>(kMiB / 2), 'x'));
        notify.answer = 1;
        CHECK_THROWS_AS(doc.LoadFile(&notify, 0), Abort);
        REQUIRE(notify.alerts.size() == 1);
        std::wstring expected = L"The file " + std::wstring(path.CStr()) +
                                L"\nis very big (0 MB). Loading and processing this file may be slow.\n\nShould I "
                                L"continue loading?";
        CHECK((notify.alerts[0].message == expected));
        CHECK(Bytes(doc) == "kept");
    }
    SUBCASE("half the memory: the question, accepted")
    {
        WriteFileBytes(path, std::string(static_cast<size_t>(kMiB / 2), 'x'));
        notify.answer = 0;
        doc.LoadFile(&notify, 0);
        CHECK(notify.alerts.size() == 1);
        CHECK(doc.text.Size() == kMiB / 2);
    }
    SUBCASE("below half the memory: no question")
    {
        WriteFileBytes(path, std::string(static_cast<size_t>(kMiB / 2 - 1), 'x'));
        doc.LoadFile(&notify, 0);
        CHECK(notify.alerts.empty());
        CHECK(doc.text.Size() == kMiB / 2 - 1);
    }
}

TEST_CASE("the loading messages follow the interface language")
{
    TempFolder temp;
    MemoryGuard memory(kMiB);
    LanguageGuard polish(21);
    TextDocument doc;
    String path = temp / L"big.txt";
    doc.SetPath(path);
    WriteFileBytes(path, std::string(static_cast<size_t>(kMiB), 'x'));
    RecordingNotify notify;
    notify.answer = 1;
    CHECK_THROWS_AS(doc.LoadFile(&notify, 0), Abort);
    REQUIRE(notify.alerts.size() == 1);
    CHECK((notify.alerts[0].title == L"Wczytywanie tekstu - Scrivel"));
    CHECK((notify.alerts[0].buttons == L"+Kontynuuj wczytywanie|-Anuluj"));
}

TEST_CASE("loading reports the bytes read against the file size")
{
    TempFolder temp;
    TextDocument doc;
    String path = temp / L"progress.txt";
    WriteFileBytes(path, "\xEF\xBB\xBF" + std::string(20000, 'p'));
    doc.SetPath(path);
    RecordingNotify notify;
    doc.LoadFile(&notify, 0);
    REQUIRE(!notify.calls.empty());
    CHECK(notify.calls[0].what == 'T');
    CHECK(notify.calls[0].value == 20003);
    std::vector<int64> positions = notify.Positions();
    REQUIRE(positions.size() >= 3);
    for (size_t i = 1; i < positions.size(); i++)
        CHECK(positions[i] >= positions[i - 1]);
    CHECK(positions.back() == 20000);
    CHECK(doc.text.Size() == 20000);
}

TEST_CASE("a failed or cancelled load leaves the document as it was")
{
    TempFolder temp;
    TextDocument doc;
    std::wstring long_text(1000, L'a');
    SetText(doc, long_text.c_str());
    Type(doc, 1000, L"b");
    int64 caret = doc.text.AddMovingMarker();
    doc.text.SetMarker(caret, 900);
    String path = temp / L"short.txt";
    doc.SetPath(path);

    SUBCASE("cancelled while reading")
    {
        WriteFileBytes(path, std::string(30000, 's'));
        RecordingNotify notify;
        notify.cancelAt = 1;
        CHECK_THROWS_AS(doc.LoadFile(&notify, 0), Abort);
    }
    SUBCASE("a missing file")
    {
        try {
            doc.LoadFile(nullptr, 0);
            FAIL("no error");
        } catch (const Error& e) {
            CHECK(e.code == ERROR_FILE_NOT_FOUND);
        }
    }
    CHECK(doc.text.Size() == 1001);
    CHECK(doc.text.MarkerPosition(caret) == 900);
    CHECK(doc.undoLength == 1);
    CHECK(doc.modified);
}

TEST_CASE("markers keep their places when a text is loaded, within the new text and at character starts")
{
    TempFolder temp;
    TextDocument doc;
    std::wstring long_text(1000, L'a');
    SetText(doc, long_text.c_str());
    int64 caret = doc.text.AddMovingMarker();
    int64 inside = doc.text.AddStayingMarker();
    int64 freed = doc.text.AddMovingMarker();
    doc.text.SetMarker(caret, 900);
    doc.text.SetMarker(inside, 2);
    doc.text.FreeMarker(freed);
    // "x" then a two-byte character: offset 2 is its second byte.
    LoadBytes(doc, temp, L"short.txt", "x\xC3\xA9yz");
    CHECK(doc.text.MarkerPosition(caret) == 5);
    CHECK(doc.text.MarkerPosition(inside) == 1);
    CHECK(doc.text.GetMarker(inside).collapsed == 0);
    CHECK(doc.text.MarkerPosition(freed) == -1);
}

TEST_CASE("bookmarks survive a reload where the text still reaches, and never double")
{
    TempFolder temp;
    TextDocument doc;
    LoadBytes(doc, temp, L"log.txt", "line 1\nline 2\nline 3\nline 4\n");
    doc.AddBookmark(7);
    doc.AddBookmark(14);
    doc.AddBookmark(21);
    REQUIRE(doc.bookmarks.Count() == 3);

    SUBCASE("the file grew: every bookmark stays on its line")
    {
        LoadBytes(doc, temp, L"log.txt", "line 1\nline 2\nline 3\nline 4\nline 5\n");
        CHECK(doc.bookmarks.Count() == 3);
        CHECK(doc.BookmarkPosition(0) == 7);
        CHECK(doc.BookmarkPosition(1) == 14);
        CHECK(doc.BookmarkPosition(2) == 21);
    }
    SUBCASE("the file shrank: the bookmarks beyond its end become one at the end")
    {
        LoadBytes(doc, temp, L"log.txt", "line 1\nline");
        CHECK(doc.bookmarks.Count() == 2);
        CHECK(doc.BookmarkPosition(0) == 7);
        CHECK(doc.BookmarkPosition(1) == 11);
        CHECK(doc.BookmarkAt(11) == 1);
    }
    // Every remaining bookmark holds a marker of its own.
    for (int64 i = 1; i < doc.bookmarks.Count(); i++)
        CHECK(doc.bookmarks.At(i).marker != doc.bookmarks.At(i - 1).marker);
}

TEST_CASE("files around the read-ahead's pieces load into the same blocks, bytes, lines and progress as piece by piece")
{
    // The loader reads ahead in pieces of its own; what the text gets must
    // not show it: blocks of 7168 bytes, the progress of each block, the
    // line breaks of CR LF pairs split across any boundary.
    const int64 ahead = ByteLoader::kReadAhead;
    std::vector<int64> sizes = {0, 1, 7167, 7168, 7169, ahead - 1, ahead, ahead + 1, 2 * ahead + 3 * 7168 + 5};
    std::mt19937 rng(35);
    for (int i = 0; i < 4; i++)
        sizes.push_back(static_cast<int64>(rng() % (3 * ahead)));
    TempFolder temp;
    for (int64 size : sizes) {
        CAPTURE(size);
        std::string bytes(static_cast<size_t>(size), 'x');
        const char pool[] = {'a', '\r', '\n', '\0', 'z', ' '};
        for (char& c : bytes)
            c = pool[rng() % 6];
        String path = temp / L"ahead.txt";
        WriteFileBytes(path, bytes);
        TextDocument doc;
        doc.SetPath(path);
        RecordingNotify notify;
        doc.LoadFile(&notify, EncodingWindows1250);
        CHECK(Bytes(doc) == bytes);
        int64 breaks = 0;
        for (size_t k = 0; k < bytes.size(); k++)
            breaks += bytes[k] == '\n' || bytes[k] == '\0' || (bytes[k] == '\r' && (k + 1 == bytes.size() || bytes[k + 1] != '\n'));
        CHECK(doc.text.LineBreakCount() == breaks);
        std::vector<int64> expected;
        for (int64 at = 7168; at < size + 7168; at += 7168)
            expected.push_back(std::min(at, size));
        expected.push_back(size);  // the read that finds the end
        CHECK(notify.Positions() == expected);
        for (int64 k = 0; k < doc.text.BlockCount(); k++)
            CHECK(doc.text.EntryAt(k).bytes == (k + 1 < doc.text.BlockCount() ? 7168 : size - 7168 * k));
    }
}
