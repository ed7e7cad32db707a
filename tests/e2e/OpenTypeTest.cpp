// Texts given on the command line are typed into and saved as a user does.

#include "e2e/DialogDriver.h"

#include <commctrl.h>
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

// How many pixels of the image have the colour, and in how many separate
// runs of columns they stand.
struct ColourSpread {
    int pixels = 0;
    int runs = 0;
};

ColourSpread SpreadOf(const PixelImage& image, COLORREF colour)
{
    ColourSpread spread;
    int gap = 100;
    for (int x = 0; x < image.width; x++) {
        bool has = false;
        for (int y = 0; y < image.height; y++) {
            if (image.At(x, y) == colour) {
                has = true;
                spread.pixels++;
            }
        }
        if (has && gap > 3)
            spread.runs++;
        gap = has ? 0 : gap + 1;
    }
    return spread;
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
        REQUIRE(driver::WaitForKeyboardFocus(main, view));
        driver::TypeText(line);
        driver::PressKey(VK_RETURN);
        CHECK(WaitForModifiedMark(main, true));
        driver::PressKey('S', true);
        CHECK(WaitForModifiedMark(main, false));
        String path = texts / file.name;
        CHECK(WaitForFile(path, file.bom + file.typed + file.old));
        CHECK(ReadFileBytes(Concat(path, L".bak")) == file.bom + file.old);
        driver::WaitUntilPainted(main);
        if (index == 3)
            Screenshot(main, "typed_iso_8859_2");
        driver::PressKey(VK_F6);
    }
    CHECK(WaitUntil([&] { return driver::WindowText(main).find(files[3].name) == 0; }));
    driver::WaitUntilPainted(main);
    Screenshot(main, "typed_and_saved");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("Ctrl+O opens the file named in the real open dialog")
{
    TempFolder texts;
    String path = texts / L"chosen.txt";
    WriteFileBytes(path, "chosen\r\n");
    EditorRun run("");
    HWND main = run.WaitForMain();
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::PressKey('O', true);
    AnswerFileDialog(run, path);
    CHECK(WaitForTitleStart(main, L"chosen.txt <"));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("the caret on a bracket marks it and its partner in the bracket colour, before and after Ctrl+P, until it "
          "leaves or the bracket goes")
{
    TempFolder texts;
    String path = texts / L"brackets.c";
    WriteFileBytes(path, "int f(int a) { return g(a); }\r\n");
    const COLORREF colour = RGB(0xFF, 0xC0, 0x40);
    EditorRun run("HighlightBgColor=#40c0ff\r\n", L"\"" + std::wstring(path.CStr()) + L"\"");
    HWND main = run.WaitForMain();
    HWND view = ChildWithId(main, 12300);
    REQUIRE(view != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(main, view));
    RECT area;
    GetWindowRect(view, &area);
    ColourSpread seen;
    auto shows = [&](int runs) {
        return WaitUntil([&] {
            driver::WaitUntilPainted(main);
            seen = SpreadOf(ReadScreenPixels(area), colour);
            return seen.runs == runs;
        });
    };
    CHECK(shows(0));
    for (int i = 0; i < 5; i++)
        driver::PressKey(VK_RIGHT);
    CHECK(shows(2));
    Screenshot(main, "matching_brackets");
    driver::PressKey(VK_END);
    CHECK(shows(0));
    driver::PressKey(VK_HOME);
    for (int i = 0; i < 5; i++)
        driver::PressKey(VK_RIGHT);
    CHECK(shows(2));
    // Ctrl+P goes to the partner, which marks the pair again; deleting it
    // leaves nothing to mark.
    driver::PressKey('P', true);
    driver::PressKey(VK_DELETE);
    CHECK(WaitForModifiedMark(main, true));
    CHECK(shows(0));
    CAPTURE(seen.pixels);
    driver::PressKey('S', true);
    CHECK(WaitForModifiedMark(main, false));
    CHECK(WaitForFile(path, "int f(int a { return g(a); }\r\n"));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("Ctrl+T and Ctrl+Shift+O open their lists 580 x 480 at 96 dpi, the list filling the room")
{
    TempFolder texts;
    std::wstring arguments;
    for (const wchar_t* name : {L"one.txt", L"two.txt", L"three.txt"}) {
        WriteFileBytes(texts / name, "text\r\n");
        arguments += L" \"" + std::wstring((texts / name).CStr()) + L"\"";
    }
    EditorRun run("", arguments);
    HWND main = run.WaitForMain();
    struct Shown {
        WORD key;
        bool shift;
        const wchar_t* polish;
        const wchar_t* english;
        int list;
        int rows;  // -1: not counted
    };
    for (const Shown& s : {Shown{'T', false, L"Wybierz spośród wczytanych - Scrivel", L"Select loaded text - Scrivel",
                                 20501, 3},
                           Shown{'O', true, L"Poprzednie teksty - Scrivel", L"Recent texts - Scrivel", 22101, -1}}) {
        CAPTURE(Narrow(s.english));
        REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
        driver::PressKey(s.key, true, s.shift);
        HWND dialog = run.WaitForTitled(PolishSystem() ? s.polish : s.english);
        REQUIRE(dialog != nullptr);
        HWND list = GetDlgItem(dialog, s.list);
        REQUIRE(list != nullptr);
        if (s.rows >= 0)
            CHECK(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == s.rows);
        RECT r, l;
        GetWindowRect(dialog, &r);
        GetWindowRect(list, &l);
        CHECK(r.right - r.left == 580);
        CHECK(r.bottom - r.top == 480);
        // Label and buttons take the rest: the list has room for many rows.
        CHECK(l.bottom - l.top > 300);
        driver::WaitUntilPainted(dialog);
        Screenshot(dialog, s.shift ? "recent_texts" : "select_text");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    }
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
