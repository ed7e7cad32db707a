// Texts given on the command line are typed into and saved as a user does.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

struct EncodedFile {
    const wchar_t* name;
    std::string bom;
    std::string old;  // the file's bytes after the BOM
    std::string typed;  // the typed line and its CR LF as the encoding writes them
};

std::string Utf16(const std::wstring& text, bool bigEndian)
{
    std::string out;
    for (wchar_t c : text) {
        char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

}  // namespace

TEST_CASE("texts in four encodings from the command line take a typed Polish line and save it with their BOM and backup")
{
    const std::wstring line = L"zażółć gęślą jaźń ZAŻÓŁĆ";
    std::string utf8 = Narrow(line);
    std::vector<EncodedFile> files = {
        {L"utf8.txt", "\xEF\xBB\xBF", "old text\r\n", utf8 + "\r\n"},
        {L"utf16le.txt", "\xFF\xFE", Utf16(L"old text\r\n", false), Utf16(line + L"\r\n", false)},
        {L"utf16be.txt", "\xFE\xFF", Utf16(L"old text\r\n", true), Utf16(line + L"\r\n", true)},
        {L"iso2.html", "", "<meta charset=iso-8859-2>\r\n",
         "za\xBF\xF3\xB3\xE6 g\xEA\xB6l\xB1 ja\xBC\xF1 ZA\xAF\xD3\xA3\xC6\r\n"},
    };
    TempFolder texts;
    std::wstring arguments;
    for (const EncodedFile& file : files) {
        WriteFileBytes(texts / file.name, file.bom + file.old);
        arguments += L" \"" + std::wstring((texts / file.name).CStr()) + L"\"";
    }
    EditorRun run("", arguments);
    HWND main = run.WaitForMain();
    HWND view = ChildWithId(main, 12300);
    REQUIRE(view != nullptr);
    // The last file opened is the current text; F6 goes on to the first.
    std::vector<size_t> order = {3, 0, 1, 2};
    for (size_t index : order) {
        const EncodedFile& file = files[index];
        CAPTURE(Narrow(file.name));
        // The title names the text once the editor has handled the F6.
        CHECK(WaitUntil([&] { return driver::WindowText(main).find(file.name) == 0; }));
        REQUIRE(driver::WaitForKeyboardFocus(main, view, 20000));
        driver::TypeText(line);
        driver::PressKey(VK_RETURN);
        CHECK(WaitForModifiedMark(main, true));
        driver::PressKey('S', true);
        CHECK(WaitForModifiedMark(main, false));
        String path = texts / file.name;
        CHECK(WaitForFile(path, file.bom + file.typed + file.old));
        CHECK(ReadFileBytes(Concat(path, L".bak")) == file.bom + file.old);
        driver::WaitUntilPainted(main, 5000);
        if (index == 3)
            Screenshot(main, "typed_iso_8859_2");
        driver::PressKey(VK_F6);
    }
    CHECK(WaitUntil([&] { return driver::WindowText(main).find(files[3].name) == 0; }));
    driver::WaitUntilPainted(main, 5000);
    Screenshot(main, "typed_and_saved");
    CHECK(run.CloseAndWait(main, 10000) == 0);
}

TEST_CASE("Ctrl+O opens the file named in the real open dialog")
{
    TempFolder texts;
    String path = texts / L"chosen.txt";
    WriteFileBytes(path, "chosen\r\n");
    EditorRun run("");
    HWND main = run.WaitForMain();
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr, 20000));
    driver::PressKey('O', true);
    AnswerFileDialog(run, path);
    DWORD start = GetTickCount();
    while (driver::WindowText(main).find(L"chosen.txt") != 0 && GetTickCount() - start < 10000)
        Sleep(20);
    CHECK(driver::WindowText(main).find(L"chosen.txt <") == 0);
    CHECK(run.CloseAndWait(main, 10000) == 0);
}
