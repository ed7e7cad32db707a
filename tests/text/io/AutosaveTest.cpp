#include "base/AppContext.h"
#include "base/CharStream.h"
#include "base/Error.h"
#include "base/Paths.h"
#include "support/DocumentText.h"
#include "support/FileFaults.h"
#include "support/PortableMode.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace doctext;

REGISTER_EXCEPTION_TRANSLATOR(const Error& e)
{
    char text[64];
    snprintf(text, sizeof(text), "Error {%d, %d}", static_cast<int>(e.code), static_cast<int>(e.subcode));
    return doctest::String(text);
}

namespace {

// The program in portable mode, so that autosave files go to a folder of the
// test's own.
struct AutosaveSetup {
    PortableDataFolder data;
    AppContext app{GetModuleHandleW(nullptr)};

    AutosaveSetup() { app.DetectPortable(); }

    String Folder() const { return data / L"autosave\\"; }

    // Names in the autosave folder, sorted.
    std::vector<std::wstring> Names() const
    {
        Array<String> names = ListDirectory(Folder().CStr(), L"*");
        std::vector<std::wstring> out;
        for (int64 i = 0; i < names.Count(); i++)
            out.push_back(names.At(i).CStr());
        std::sort(out.begin(), out.end());
        return out;
    }
};

// The five header lines and the body of an autosave file.
struct AutosaveFile {
    std::vector<std::wstring> lines;
    std::string body;
};

AutosaveFile ReadAutosave(const String& path)
{
    std::string bytes = ReadFileBytes(path);
    AutosaveFile out;
    size_t p = 0;
    for (int line = 0; line < 5; line++) {
        std::wstring text;
        while (p + 3 < bytes.size() && !(bytes[p] == '\r' && bytes[p + 1] == 0 && bytes[p + 2] == '\n' &&
                                         bytes[p + 3] == 0)) {
            text += static_cast<wchar_t>(static_cast<u8>(bytes[p]) | (static_cast<u8>(bytes[p + 1]) << 8));
            p += 2;
        }
        REQUIRE(p + 3 < bytes.size());
        p += 4;
        out.lines.push_back(text);
    }
    out.body = bytes.substr(p);
    return out;
}

// Size of a file that may be open for writing elsewhere.
int64 SizeOf(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    REQUIRE(GetFileAttributesExW(path.CStr(), GetFileExInfoStandard, &data));
    return (static_cast<int64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix)
{
    return s.compare(0, wcslen(prefix), prefix) == 0;
}

// Steps until the autosave is complete; returns the steps taken.
int RunAutosave(TextDocument& doc)
{
    int steps = 0;
    do {
        doc.AutosaveStep();
        steps++;
    } while (doc.autosaveRunning && steps < 1000);
    return steps;
}

}  // namespace

TEST_CASE("a text of 614400 bytes is autosaved in six steps")
{
    AutosaveSetup setup;
    TextDocument doc;
    std::wstring text(614400, L'q');
    Type(doc, 0, text.c_str());
    REQUIRE(doc.autosaveWanted);

    doc.AutosaveStep();
    CHECK(doc.autosaveRunning);
    CHECK_FALSE(doc.autosaveWanted);
    std::vector<std::wstring> names = setup.Names();
    REQUIRE(names.size() == 1);
    CHECK(StartsWith(names[0], L"t"));
    String unfinished = setup.Folder();
    unfinished.Append(names[0].c_str(), static_cast<int64>(names[0].size()));
    CHECK(unfinished.Equals(doc.autosaveUnfinishedPath));
    int64 header = SizeOf(unfinished);

    const int64 pieces[] = {262144, 262144, 90112};
    int64 written = 0;
    for (int64 piece : pieces) {
        doc.AutosaveStep();
        written += piece;
        CHECK(doc.autosaveBytesWritten == written);
        CHECK(SizeOf(unfinished) == header + written);
    }
    CHECK(doc.autosaveRunning);
    // Closing the file and giving it its name are steps of their own.
    doc.AutosaveStep();
    CHECK(doc.autosaveRunning);
    CHECK_FALSE(doc.autosaveFile.State());
    CHECK(PathExists(unfinished));
    doc.AutosaveStep();
    CHECK_FALSE(doc.autosaveRunning);

    names = setup.Names();
    REQUIRE(names.size() == 1);
    CHECK(StartsWith(names[0], L"g"));
    CHECK(names[0].substr(1) == std::wstring(unfinished.CStr()).substr(setup.Folder().Length() + 1));
    CHECK(doc.autosaveFinishedPath.Equals((setup.Folder().CStr() + names[0]).c_str()));
    CHECK(doc.autosaveUnfinishedPath.IsEmpty());
    AutosaveFile file = ReadAutosave(doc.autosaveFinishedPath);
    CHECK((file.lines[2] == L"614400"));
    CHECK(file.body == std::string(614400, 'q'));
}

TEST_CASE("autosave file names carry the time, the process and a counter")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"x");
    doc.AutosaveStep();
    std::wstring name = std::wstring(doc.autosaveNextFinishedPath.CStr()).substr(setup.Folder().Length());
    REQUIRE(name.size() == 1 + 4 * 8 + 3 + 9);
    CHECK(name[0] == L'g');
    CHECK(name.substr(name.size() - 9) == L".autosave");
    for (int i = 0; i < 4; i++) {
        std::wstring part = name.substr(1 + 9 * i, 8);
        CHECK(part.find_first_not_of(L"0123456789abcdef") == std::wstring::npos);
    }
    wchar_t pid[16];
    swprintf(pid, 16, L"%08x", static_cast<unsigned>(GetCurrentProcessId()));
    CHECK(name.substr(19, 8) == pid);
    RunAutosave(doc);

    TextDocument other;
    Type(other, 0, L"y");
    other.AutosaveStep();
    std::wstring next = std::wstring(other.autosaveNextFinishedPath.CStr()).substr(setup.Folder().Length());
    unsigned first = std::stoul(name.substr(28, 8), nullptr, 16);
    unsigned second = std::stoul(next.substr(28, 8), nullptr, 16);
    CHECK(second == first + 1);
    other.DiscardAutosave();
    doc.DiscardAutosave();
}

TEST_CASE("the autosave header describes the text")
{
    AutosaveSetup setup;
    TempFolder temp;
    TextDocument doc;

    SUBCASE("a text never saved has an empty first line")
    {
        Type(doc, 0, L"abc");
        RunAutosave(doc);
        AutosaveFile file = ReadAutosave(doc.autosaveFinishedPath);
        CHECK((file.lines[0] == L""));
        CHECK((file.lines[1] == L""));
        CHECK((file.lines[2] == L"3"));
        CHECK((file.lines[3] == L"UTF-8"));
        CHECK((file.lines[4] == L""));
        CHECK(file.body == "abc");
    }
    SUBCASE("a text with a path, a BOM, an encoding and a syntax")
    {
        String path = temp / L"z\u00F3\u0142w.java";
        WriteFileBytes(path, std::string("\xFF\xFE" "a\0", 4));
        doc.SetPath(path);
        doc.SetLocation(temp / L"elsewhere.java");
        doc.LoadFile(nullptr, 0);
        Type(doc, 2, L"\u0142");
        RunAutosave(doc);
        AutosaveFile file = ReadAutosave(doc.autosaveFinishedPath);
        CHECK((file.lines[0] == std::wstring(path.CStr())));
        CHECK((file.lines[1] == std::wstring(doc.GetLocation().CStr())));
        CHECK((file.lines[2] == L"4"));
        CHECK((file.lines[3] == L"UTF-16LE w/BOM"));
        CHECK((file.lines[4] == L"Java"));
        // The body has no BOM.
        CHECK(file.body == std::string("a\0\x42\x01", 4));
    }
    SUBCASE("the body is written as saving would write it")
    {
        Type(doc, 0, L"a\r\nb\nc");
        doc.text.SetLineEndConversion(10);
        RunAutosave(doc);
        AutosaveFile file = ReadAutosave(doc.autosaveFinishedPath);
        CHECK((file.lines[2] == L"7"));
        CHECK(file.body == "a\nb\nc");
    }
}

TEST_CASE("the header lines read back through a line stream")
{
    AutosaveSetup setup;
    TextDocument doc;
    doc.SetPath(L"C:\\texts\\a.c");
    doc.syntax = kSyntaxC;
    Type(doc, 0, L"int main;");
    RunAutosave(doc);
    File file;
    file.Open(doc.autosaveFinishedPath, kFileRead, 0);
    CharStream stream(file, kStreamUtf16Le, true);
    CHECK(stream.ReadLine().Equals(L"C:\\texts\\a.c"));
    CHECK(stream.ReadLine().Equals(L""));
    CHECK(stream.ReadLine().Equals(L"9"));
    CHECK(stream.ReadLine().Equals(L"UTF-8"));
    CHECK(stream.ReadLine().Equals(L"C"));
    char body[16] = {};
    CHECK(stream.file.Read(body, 16) == 9);
    CHECK(std::string(body) == "int main;");
}

TEST_CASE("an empty text is never autosaved")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"");
    CHECK_FALSE(doc.AutosaveStep());
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(setup.Names().empty());
}

TEST_CASE("every step that does something says so; a text emptied while its file is written still finishes it")
{
    AutosaveSetup setup;
    TextDocument doc;
    std::wstring text(300000, L'z');
    Type(doc, 0, text.c_str());
    std::string before = Bytes(doc);
    CHECK(doc.AutosaveStep());
    CHECK(doc.AutosaveStep());
    Replace(doc, 0, doc.text.Size(), L"");
    REQUIRE(doc.text.Size() == 0);
    int steps = 0;
    while (doc.autosaveRunning && steps < 10) {
        CHECK(doc.AutosaveStep());
        steps++;
    }
    // The second piece, the close and the rename.
    CHECK(steps == 3);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == before);
    CHECK(setup.Names().size() == 1);
    CHECK_FALSE(doc.AutosaveStep());
}

TEST_CASE("a new complete autosave replaces the previous one")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"first");
    RunAutosave(doc);
    String first = doc.autosaveFinishedPath;
    Type(doc, 5, L" second");
    REQUIRE(doc.autosaveWanted);
    RunAutosave(doc);
    CHECK_FALSE(doc.autosaveFinishedPath.Equals(first));
    CHECK_FALSE(PathExists(first));
    CHECK(setup.Names().size() == 1);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == "first second");
}

TEST_CASE("editing while an autosave runs does not change the file being written")
{
    AutosaveSetup setup;
    TextDocument doc;
    std::wstring text(300000, L'a');
    Type(doc, 0, text.c_str());
    doc.AutosaveStep();
    doc.AutosaveStep();
    Replace(doc, 0, 10, L"CHANGED");
    Type(doc, doc.text.Size(), L"END");
    CHECK(doc.autosaveWanted);
    RunAutosave(doc);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == std::string(300000, 'a'));
    CHECK(doc.autosaveWanted);
    RunAutosave(doc);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == Bytes(doc));
}

TEST_CASE("a failed autosave write starts afresh at a later pass")
{
    AutosaveSetup setup;
    TextDocument doc;
    std::wstring text(600000, L'w');
    Type(doc, 0, text.c_str());
    doc.AutosaveStep();
    String unfinished = doc.autosaveUnfinishedPath;

    SUBCASE("a piece of the body fails")
    {
        WriteFault fault(0, ERROR_DISK_FULL);
        doc.AutosaveStep();
    }
    SUBCASE("a piece of the body is cut short")
    {
        doc.AutosaveStep();
        WriteFault fault(1000, 0);
        doc.AutosaveStep();
    }
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(doc.autosaveWanted);
    CHECK_FALSE(PathExists(unfinished));
    CHECK(setup.Names().empty());

    RunAutosave(doc);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == Bytes(doc));
    CHECK(setup.Names().size() == 1);
}

TEST_CASE("a failed start leaves no file and the text wanted")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"text");
    {
        WriteFault fault(0, ERROR_DISK_FULL);
        doc.AutosaveStep();
    }
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(doc.autosaveWanted);
    CHECK(setup.Names().empty());
    RunAutosave(doc);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == "text");
}

TEST_CASE("a failed rename is tried again at the next step")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"text");
    doc.AutosaveStep();
    doc.AutosaveStep();
    WriteFileBytes(doc.autosaveNextFinishedPath, "in the way");
    CHECK(doc.AutosaveStep());
    CHECK_FALSE(doc.AutosaveStep());
    CHECK(doc.autosaveRunning);
    CHECK(PathExists(doc.autosaveUnfinishedPath));
    DeleteFileW(doc.autosaveNextFinishedPath.CStr());
    doc.AutosaveStep();
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == "text");
}

TEST_CASE("undoing back to the saved text deletes the autosave files")
{
    AutosaveSetup setup;
    TextDocument doc;
    Type(doc, 0, L"abc");
    RunAutosave(doc);
    Type(doc, 3, L"d");
    doc.AutosaveStep();
    REQUIRE(setup.Names().size() == 2);
    TextDocument::UndoResult u;
    doc.Undo(u);
    CHECK(doc.modified);
    CHECK(setup.Names().size() == 2);
    doc.Undo(u);
    CHECK_FALSE(doc.modified);
    CHECK(setup.Names().empty());
    CHECK_FALSE(doc.autosaveRunning);
    CHECK_FALSE(doc.autosaveWanted);
}

TEST_CASE("every save that marks the text saved discards its autosave")
{
    AutosaveSetup setup;
    TempFolder temp;
    TextDocument doc;
    Type(doc, 0, L"abc");
    RunAutosave(doc);
    REQUIRE(setup.Names().size() == 1);

    SUBCASE("save under its own name")
    {
        doc.SaveFile(temp / L"a.txt", 0, doc.text.Size(), nullptr, false, true, false);
    }
    SUBCASE("save as, adopting the new name")
    {
        doc.SaveFile(temp / L"a.txt", 0, doc.text.Size(), nullptr, false, true, true);
    }
    CHECK(setup.Names().empty());
    CHECK(doc.autosaveFinishedPath.IsEmpty());
}

TEST_CASE("a copy saved elsewhere keeps the autosave")
{
    AutosaveSetup setup;
    TempFolder temp;
    TextDocument doc;
    Type(doc, 0, L"abc");
    RunAutosave(doc);
    doc.SaveFile(temp / L"copy.txt", 0, doc.text.Size(), nullptr, false, false, false);
    CHECK(setup.Names().size() == 1);
}

TEST_CASE("loading a file discards the autosave")
{
    AutosaveSetup setup;
    TempFolder temp;
    TextDocument doc;
    Type(doc, 0, L"abc");
    RunAutosave(doc);
    Type(doc, 0, L"x");
    doc.AutosaveStep();
    REQUIRE(setup.Names().size() == 2);
    WriteFileBytes(temp / L"a.txt", "file");
    doc.SetPath(temp / L"a.txt");
    doc.LoadFile(nullptr, 0);
    CHECK(setup.Names().empty());
    CHECK_FALSE(doc.autosaveRunning);
}

namespace {

// Reads an autosave file's header and fills a fresh document from it, as
// the recovery at start-up does.
void Recover(TextDocument& doc, const String& path)
{
    File file;
    file.Open(path, kFileRead, 0);
    CharStream stream(file, kStreamUtf16Le, true);
    String docPath = stream.ReadLine();
    String location = stream.ReadLine();
    String size = stream.ReadLine();
    String encoding = stream.ReadLine();
    String syntax = stream.ReadLine();
    doc.SetPath(docPath);
    doc.SetLocation(location);
    doc.LoadAutosave(stream.file, path, nullptr, _wtoi64(size.CStr()), encoding.CStr(), syntax.CStr());
}

}  // namespace

TEST_CASE("a text recovered from an autosave file")
{
    AutosaveSetup setup;
    TextDocument original;
    original.SetPath(L"C:\\x\\page.php");
    original.text.SetEncoding(EncodingUtf16BE);
    Type(original, 0, L"<?php");
    original.SetBom(true);
    RunAutosave(original);
    String path = original.autosaveFinishedPath;
    // The recovery takes the file over.
    original.autosaveFinishedPath.Release();

    TextDocument doc;
    Recover(doc, path);
    CHECK(Bytes(doc) == Bytes(original));
    CHECK(doc.text.Encoding() == EncodingUtf16BE);
    CHECK(doc.bomLength == 2);
    CHECK(doc.syntax == 6);
    CHECK(doc.modified);
    CHECK(doc.fromAutosave);
    CHECK(doc.autosaveFinishedPath.Equals(path));
    CHECK(doc.undoLength == 0);

    SUBCASE("one typed character and Undo never make it look saved")
    {
        Type(doc, 0, L"x");
        TextDocument::UndoResult u;
        doc.Undo(u);
        CHECK(doc.modified);
        CHECK(PathExists(path));
    }
    SUBCASE("saving it deletes the adopted file")
    {
        TempFolder temp;
        doc.SaveFile(temp / L"page.php", 0, doc.text.Size(), nullptr, false, true, true);
        CHECK_FALSE(PathExists(path));
        CHECK_FALSE(doc.fromAutosave);
    }
    SUBCASE("a later complete autosave replaces the adopted file")
    {
        Type(doc, 0, L"x");
        RunAutosave(doc);
        CHECK_FALSE(PathExists(path));
        CHECK(setup.Names().size() == 1);
    }
}

TEST_CASE("unknown names in an autosave header")
{
    AutosaveSetup setup;
    TempFolder temp;
    String path = temp / L"recovered.autosave";
    WriteFileBytes(path, "caf\xE9");
    File file;
    file.Open(path, kFileRead, 0);
    TextDocument doc;
    doc.SetPath(L"C:\\x\\script.kes");
    doc.LoadAutosave(file, path, nullptr, 4, L"no such encoding", L"no such syntax");
    CHECK(doc.text.Encoding() == EncodingWindows1250);
    CHECK(doc.bomLength == 0);
    CHECK(doc.syntax == 9);
    CHECK(Bytes(doc) == "caf\xE9");
}

TEST_CASE("autosave pieces end at character starts")
{
    AutosaveSetup setup;
    TextDocument doc;

    SUBCASE("a two-byte character across the piece boundary")
    {
        std::wstring text = L"a" + std::wstring(200000, L'\u0105');
        Type(doc, 0, text.c_str());
        doc.AutosaveStep();
        doc.AutosaveStep();
        CHECK(doc.autosaveBytesWritten == 0x40000 - 1);
    }
    SUBCASE("a CR LF across the piece boundary, written with LF line ends")
    {
        std::wstring text = std::wstring(0x40000 - 1, L'x') + L"\r\n" + std::wstring(10, L'y');
        Type(doc, 0, text.c_str());
        doc.text.SetLineEndConversion(10);
        doc.AutosaveStep();
        doc.AutosaveStep();
        CHECK(doc.autosaveBytesWritten == 0x40000 - 1);
    }
    RunAutosave(doc);
    AutosaveFile file = ReadAutosave(doc.autosaveFinishedPath);
    std::string expected = Bytes(doc);
    if (doc.text.LineEndConversion() == 10)
        expected.erase(0x40000 - 1, 1);
    CHECK(file.body == expected);
}

TEST_CASE("without an application object autosaving waits for a later pass")
{
    TextDocument doc;
    Type(doc, 0, L"text");
    CHECK_THROWS_AS(AutosaveFolder(), InternalError);
    doc.AutosaveStep();
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(doc.autosaveWanted);
    CHECK(doc.autosaveUnfinishedPath.IsEmpty());
}

TEST_CASE("a replaced autosave file is cut down in pieces, then deleted, a step each")
{
    AutosaveSetup setup;
    const int64 piece = AutosaveLimits::cutPiece;
    AutosaveLimits::cutPiece = 100000;
    TextDocument doc;
    std::wstring text(450000, L'p');
    Type(doc, 0, text.c_str());
    RunAutosave(doc);
    String first = doc.autosaveFinishedPath;
    const int64 size = SizeOf(first);
    Type(doc, 0, L"!");
    // Start, two pieces of the body, close, rename.
    for (int i = 0; i < 5; i++)
        doc.AutosaveStep();
    CHECK(doc.autosaveRetiredPath.Equals(first));
    CHECK(doc.autosaveRunning);
    CHECK(ReadAutosave(doc.autosaveFinishedPath).body == Bytes(doc));
    int64 left = size;
    while (left > 100000) {
        doc.AutosaveStep();
        left -= 100000;
        CHECK(SizeOf(first) == left);
        CHECK(doc.autosaveRunning);
    }
    doc.AutosaveStep();
    CHECK_FALSE(PathExists(first));
    CHECK_FALSE(doc.autosaveRunning);
    CHECK(doc.autosaveRetiredPath.IsEmpty());
    CHECK(setup.Names().size() == 1);
    AutosaveLimits::cutPiece = piece;

    // Discarding while a file is being cut down deletes it too.
    Type(doc, 0, L"?");
    RunAutosave(doc);
    String second = doc.autosaveFinishedPath;
    Type(doc, 0, L"?");
    for (int i = 0; i < 5; i++)
        doc.AutosaveStep();
    CHECK(doc.autosaveRetiredPath.Equals(second));
    doc.DiscardAutosave();
    CHECK(setup.Names().empty());
}
