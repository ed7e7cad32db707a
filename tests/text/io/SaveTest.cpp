#include "base/Error.h"
#include "base/Paths.h"
#include "support/CaughtError.h"
#include "support/DocumentText.h"
#include "support/FileFaults.h"
#include "support/RecordingNotify.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <windows.h>

#include <memory>
#include <string>

using namespace doctext;

namespace {

String Suffixed(const String& path, const wchar_t* suffix)
{
    String s(path);
    s.Append(suffix, static_cast<int64>(wcslen(suffix)));
    return s;
}

// Loads a file into a fresh document.
void Load(TextDocument& doc, const String& path)
{
    doc.SetPath(path);
    doc.LoadFile(nullptr, 0);
}

void SaveWhole(TextDocument& doc, const String& path, TextNotify* notify, bool backup, bool markSaved = true,
               bool adopt = false)
{
    doc.SaveFile(path, 0, doc.text.Size(), notify, backup, markSaved, adopt);
}

// Text of a given size whose bytes differ from place to place, so that a
// misplaced piece shows.
std::wstring Pattern(size_t n, wchar_t first)
{
    std::wstring s(n, L' ');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<wchar_t>(first + i % 23);
    return s;
}

std::string PatternBytes(size_t n, char first)
{
    std::string s(n, ' ');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>(first + i % 23);
    return s;
}

}  // namespace

TEST_CASE("loading and saving gives back the same bytes in every encoding")
{
    TempFolder temp;
    const std::string files[] = {
        std::string("\xEF\xBB\xBF" "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n", 13),
        std::string("\xFF\xFE" "a\0\r\0\n\0", 8),
        std::string("\xFE\xFF" "\0a\0\n", 6),
        std::string("a\0b\0", 4),
        "<meta charset=iso-8859-2>\xB1\xE6\r\n",
        "plain\nlines\n",
    };
    for (const std::string& bytes : files) {
        CAPTURE(bytes);
        String path = temp / L"round.txt";
        WriteFileBytes(path, bytes);
        TextDocument doc;
        Load(doc, path);
        String copy = temp / L"copy.txt";
        SaveWhole(doc, copy, nullptr, false, false);
        CHECK(ReadFileBytes(copy) == bytes);
    }
}

TEST_CASE("saving writes the byte-order mark before the text")
{
    TempFolder temp;
    String path = temp / L"bom.txt";
    TextDocument doc;
    doc.text.SetEncoding(EncodingUtf16LE);
    Type(doc, 0, L"hi");
    doc.SetBom(true);
    SaveWhole(doc, path, nullptr, false);
    CHECK(ReadFileBytes(path) == std::string("\xFF\xFE" "h\0i\0", 6));
}

TEST_CASE("saving applies the line-end conversion")
{
    TempFolder temp;
    String path = temp / L"ends.txt";
    TextDocument doc;
    // Mixed line ends, as a file may bring them.
    std::string mixed = "a\r\nb\nc\rd";
    WriteFileBytes(path, mixed);
    Load(doc, path);

    doc.text.SetLineEndConversion(10);
    SaveWhole(doc, temp / L"lf.txt", nullptr, false, false);
    CHECK(ReadFileBytes(temp / L"lf.txt") == "a\nb\nc\nd");
    doc.text.SetLineEndConversion(-2);
    SaveWhole(doc, temp / L"crlf.txt", nullptr, false, false);
    CHECK(ReadFileBytes(temp / L"crlf.txt") == "a\r\nb\r\nc\r\nd");
}

TEST_CASE("a range of the text can be saved")
{
    TempFolder temp;
    TextDocument doc;
    SetText(doc, L"0123456789");
    doc.SaveFile(temp / L"part.txt", 2, 6, nullptr, false, false, false);
    CHECK(ReadFileBytes(temp / L"part.txt") == "2345");
    CHECK(doc.GetPath().IsEmpty());
}

TEST_CASE("backup files of a save")
{
    TempFolder temp;
    String path = temp / L"doc.txt";
    String bak = Suffixed(path, L".bak");
    String bakbak = Suffixed(path, L".bak.bak");
    TextDocument doc;
    SetText(doc, L"new content");

    SUBCASE("with backup over an existing file the old content goes to .bak")
    {
        WriteFileBytes(path, "old content that was longer");
        WriteFileBytes(bak, "older");
        SaveWhole(doc, path, nullptr, true);
        CHECK(ReadFileBytes(path) == "new content");
        CHECK(ReadFileBytes(bak) == "old content that was longer");
        CHECK_FALSE(PathExists(bakbak));
    }
    SUBCASE("without backup no copy stays and an old .bak is left alone")
    {
        WriteFileBytes(path, "old");
        WriteFileBytes(bak, "older");
        SaveWhole(doc, path, nullptr, false);
        CHECK(ReadFileBytes(path) == "new content");
        CHECK(ReadFileBytes(bak) == "older");
        CHECK_FALSE(PathExists(bakbak));
    }
    SUBCASE("a new file makes no copy; with backup an old .bak is deleted")
    {
        WriteFileBytes(bak, "stale");
        SaveWhole(doc, path, nullptr, true);
        CHECK(ReadFileBytes(path) == "new content");
        CHECK_FALSE(PathExists(bak));
        CHECK_FALSE(PathExists(bakbak));
    }
    SUBCASE("when .bak cannot be deleted the copy stays beside the new file")
    {
        WriteFileBytes(path, "old");
        REQUIRE(CreateDirectoryW(bak.CStr(), nullptr));
        SaveWhole(doc, path, nullptr, true);
        CHECK(ReadFileBytes(path) == "new content");
        CHECK(ReadFileBytes(bakbak) == "old");
        RemoveDirectoryW(bak.CStr());
    }
}

TEST_CASE("marking saved and adopting the name")
{
    TempFolder temp;
    String path = temp / L"saved.txt";
    TextDocument doc;
    doc.text.SetEncoding(EncodingWindows1250);
    Type(doc, 0, L"abc");
    REQUIRE(doc.modified);

    SUBCASE("a save that marks the text saved clears modified; undo sets it again")
    {
        SaveWhole(doc, path, nullptr, false, true, true);
        CHECK_FALSE(doc.modified);
        CHECK(doc.diskEncoding == EncodingWindows1250);
        CHECK(doc.savedPosition == doc.undoPosition);
        CHECK(doc.GetPath().Equals(path));
        CHECK(doc.GetLocation().Equals(path));
        FILETIME t = GetFileWriteTime(path.CStr());
        CHECK(doc.fileTime == ((static_cast<u64>(t.dwHighDateTime) << 32) | t.dwLowDateTime));

        TextDocument::UndoResult u;
        doc.Undo(u);
        CHECK(doc.modified);
        CHECK(u.modifiedChanged);
        doc.Redo(u);
        CHECK_FALSE(doc.modified);
    }
    SUBCASE("a copy saved elsewhere changes nothing of the document")
    {
        SaveWhole(doc, path, nullptr, false, false, false);
        CHECK(doc.modified);
        CHECK(doc.GetPath().IsEmpty());
        CHECK(doc.fileTime == 0);
        CHECK(ReadFileBytes(path) == "abc");
    }
}

TEST_CASE("saving reports the copy and the write against the whole work")
{
    TempFolder temp;
    String path = temp / L"progress.txt";
    WriteFileBytes(path, std::string(300000, 'o'));
    TextDocument doc;
    std::wstring text(100000, L'n');
    SetText(doc, text.c_str());
    RecordingNotify notify;
    SaveWhole(doc, path, &notify, true);

    REQUIRE(notify.calls.size() >= 4);
    CHECK(notify.calls[0].what == 'T');
    CHECK(notify.calls[0].value == 400000);
    // Two pieces of the copy, then the base moves past the old size.
    CHECK(notify.calls[1].what == 'P');
    CHECK(notify.calls[1].value == 0x40000);
    CHECK(notify.calls[2].what == 'P');
    CHECK(notify.calls[2].value == 300000);
    CHECK(notify.calls[3].what == 'B');
    CHECK(notify.calls[3].value == 300000);
    CHECK(notify.Positions().back() == 100000);
}

TEST_CASE("a failed or cancelled save puts the old bytes back exactly")
{
    TempFolder temp;
    String path = temp / L"precious.txt";
    String bak = Suffixed(path, L".bak");
    String bakbak = Suffixed(path, L".bak.bak");
    TextDocument doc;
    RecordingNotify notify;
    std::unique_ptr<WriteFault> fault;
    std::string old;
    std::wstring text;

    SUBCASE("cancelled half-way, the old file longer than the new text")
    {
        old = PatternBytes(1000000, 'A');
        text = Pattern(600000, L'a');
        notify.cancelAt = 60;  // after about 420 KB of the write: one flush is out
    }
    SUBCASE("cancelled half-way, the old file shorter than what was written")
    {
        old = PatternBytes(10000, 'A');
        text = Pattern(600000, L'a');
        notify.cancelAt = 50;
    }
    SUBCASE("a write cut short half-way")
    {
        old = PatternBytes(700000, 'A');
        text = Pattern(900000, L'a');
        // Once 300 KB are out, the next flush writes only 100 bytes.
        notify.onCall = [&](const RecordingNotify::Call& call) {
            if (call.what == 'P' && call.value > 300000 && !fault && notify.base > 0)
                fault.reset(new WriteFault(100, 0, 1));
        };
    }
    SUBCASE("the very first write fails")
    {
        old = PatternBytes(5000, 'A');
        text = Pattern(400000, L'a');
        notify.onCall = [&](const RecordingNotify::Call& call) {
            if (call.what == 'B' && !fault)
                fault.reset(new WriteFault(0, ERROR_DISK_FULL, 1));
        };
    }

    WriteFileBytes(path, old);
    WriteFileBytes(bak, "previous backup");
    SetText(doc, text.c_str());
    Type(doc, 0, L"!");
    bool failed = false;
    try {
        SaveWhole(doc, path, &notify, true, true, true);
    } catch (const Error&) {
        failed = true;
    }
    fault.reset();
    CHECK(failed);
    std::string now = ReadFileBytes(path);
    CHECK(now.size() == old.size());
    CHECK(now == old);
    CHECK(ReadFileBytes(bakbak) == old);
    CHECK(ReadFileBytes(bak) == "previous backup");
    CHECK(doc.modified);
    CHECK(doc.GetPath().IsEmpty());
}

TEST_CASE("the error of the failed write is the one reported")
{
    TempFolder temp;
    String path = temp / L"full.txt";
    WriteFileBytes(path, "old");
    TextDocument doc;
    std::wstring text(300000, L'x');
    SetText(doc, text.c_str());
    RecordingNotify notify;
    std::unique_ptr<WriteFault> fault;
    notify.onCall = [&](const RecordingNotify::Call& call) {
        if (call.what == 'B' && !fault)
            fault.reset(new WriteFault(0, ERROR_HANDLE_DISK_FULL, 1));
    };
    try {
        SaveWhole(doc, path, &notify, false);
        FAIL("no error");
    } catch (const Error& e) {
        CHECK(e.code == ERROR_HANDLE_DISK_FULL);
    }
    fault.reset();
    CHECK(ReadFileBytes(path) == "old");
}

TEST_CASE("Cancel during the safety copy deletes the copy and leaves the file")
{
    TempFolder temp;
    String path = temp / L"copy.txt";
    String bakbak = Suffixed(path, L".bak.bak");
    std::string old = PatternBytes(600000, 'A');
    WriteFileBytes(path, old);
    TextDocument doc;
    SetText(doc, L"new");
    RecordingNotify notify;
    notify.cancelAt = 1;
    CHECK_THROWS_AS(SaveWhole(doc, path, &notify, true), Abort);
    CHECK(ReadFileBytes(path) == old);
    CHECK_FALSE(PathExists(bakbak));
    CHECK(notify.CountOf('B') == 0);
}

TEST_CASE("writing to a file that is not open is an internal error")
{
    TextDocument doc;
    File file;
    CHECK_THROWS_AS(doc.WriteTo(file, 0, 0, nullptr), InternalError);
}

TEST_CASE("a failed first save of a new file leaves no file behind")
{
    TempFolder temp;
    String path = temp / L"new.txt";
    TextDocument doc;
    std::wstring text = Pattern(500000, L'a');
    SetText(doc, text.c_str());
    for (DWORD allowed : {0u, 100u}) {
        CAPTURE(allowed);
        RecordingNotify notify;
        std::unique_ptr<WriteFault> fault;
        // The first flush goes out whole; a later one finds the disk full.
        notify.onCall = [&](const RecordingNotify::Call& call) {
            if (call.what == 'P' && call.value > 200000 && !fault)
                fault.reset(new WriteFault(allowed, allowed ? 0 : ERROR_DISK_FULL, 1));
        };
        Error e = CaughtError([&] { SaveWhole(doc, path, &notify, true); });
        fault.reset();
        CHECK(e.code == 112);
        CHECK_FALSE(PathExists(path));
        CHECK_FALSE(PathExists(Suffixed(path, L".bak.bak")));
    }
}

TEST_CASE("a full disk during the safety copy is reported as a full disk")
{
    TempFolder temp;
    String path = temp / L"old.txt";
    std::string old = PatternBytes(600000, 'A');
    WriteFileBytes(path, old);
    TextDocument doc;
    SetText(doc, L"new");
    {
        WriteFault fault(1000, 0, 1);
        CHECK(CaughtError([&] { SaveWhole(doc, path, nullptr, true); }).code == 112);
    }
    CHECK(ReadFileBytes(path) == old);
    CHECK_FALSE(PathExists(Suffixed(path, L".bak.bak")));
}
