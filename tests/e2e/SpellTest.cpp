// A Polish text checked as a user checks it: underlining, the dictionary
// manager, the spell-check window's Ignore, Add and Replace, and saving.

#include "e2e/EditorRun.h"

#include "spell/CorrectorDict.h"

#include <commctrl.h>
#include <doctest.h>

#include <map>
#include <string>

namespace {

// The process's visible top-level window holding a control of that id.
HWND WindowWith(EditorRun& run, int id, int without = 0)
{
    for (HWND w : driver::ProcessWindows(run.ProcessId()))
        if (GetDlgItem(w, id) && !(without && GetDlgItem(w, without)))
            return w;
    return nullptr;
}

HWND WaitForWindowWith(EditorRun& run, int id, int without = 0)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = WindowWith(run, id, without)) != nullptr; });
    return found;
}

void Click(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::string FileOrNone(const String& path)
{
    try {
        return ReadFileBytes(path);
    } catch (...) {
        return "-";
    }
}

// Rows of the view where at least six pixels differ between two images: a
// misspelling line, not the caret's column. Each row with its colours.
std::map<int, std::map<COLORREF, int>> ChangedRows(const PixelImage& a, const PixelImage& b)
{
    std::map<int, std::map<COLORREF, int>> rows;
    if (a.width != b.width || a.height != b.height)
        return rows;
    for (int y = 0; y < a.height; y++) {
        std::map<COLORREF, int> colours;
        int n = 0;
        for (int x = 0; x < a.width; x++) {
            if (a.At(x, y) != b.At(x, y)) {
                colours[b.At(x, y)]++;
                n++;
            }
        }
        if (n >= 6)
            rows[y] = colours;
    }
    return rows;
}

// An edit field's text; another process's edit keeps it from GetWindowText.
std::wstring FieldText(HWND field)
{
    wchar_t text[256] = {};
    SendMessageW(field, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

// Whether the tool window's whole caption fits between its left frame and
// its close box, in the small caption font the system draws it with.
bool CaptionFits(HWND window)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    REQUIRE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
    HFONT font = CreateFontIndirectW(&metrics.lfSmCaptionFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring title = driver::WindowText(window);
    SIZE text = {};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    RECT r;
    GetWindowRect(window, &r);
    int room = (r.right - r.left) - (frame.right - frame.left) - GetSystemMetrics(SM_CXSMSIZE);
    CAPTURE(Narrow(title));
    CAPTURE(room);
    CAPTURE(text.cx);
    return !title.empty() && text.cx < room;
}

// The view as the screen shows it.
PixelImage ViewPixels(HWND view)
{
    RECT r;
    GetWindowRect(view, &r);
    return ReadScreenPixels(r);
}

}  // namespace

TEST_CASE("a Polish text: underlined, then checked from the beginning with Ignore, Add and Replace, and saved")
{
    TempFolder texts;
    String path = texts / L"list.txt";
    const std::string bom = "\xEF\xBB\xBF";
    WriteFileBytes(path, bom + Narrow(L"Ala ma kotta.\r\nKot pjie mleko.\r\nŻółw je trawke.\r\n"));
    EditorRun run("", L"\"" + std::wstring(path.CStr()) + L"\"");
    String spellFolder = Concat(run.Folder(), L"Scrivel Data\\spellcheck\\");
    CreateDirectoryW(spellFolder.CStr(), nullptr);
    for (const wchar_t* ext : {L".aff", L".dic"})
        REQUIRE(CopyFileW((std::wstring(L"Z:\\usr\\share\\hunspell\\pl_PL") + ext).c_str(),
                          Concat(spellFolder, (std::wstring(L"pl") + ext).c_str()).CStr(), FALSE));
    // What the program will offer for the third word, asked of the same engine here.
    DictFolders folders{spellFolder, spellFolder};
    CorrectorDict dict;
    dict.Load(String(L"pl"), folders);
    Array<String> offered = dict.Suggest(String(L"trawke"));
    REQUIRE(offered.Count() > 0);
    std::wstring replacement = offered.At(0).CStr();

    HWND main = run.WaitForMain();
    HWND view = ChildWithId(main, 12300);
    REQUIRE(view != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::WaitUntilPainted(view);
    PixelImage plain = ViewPixels(view);

    // Ctrl+K without a dictionary asks for one first.
    driver::PressKey('K', true);
    HWND dicts = WaitForWindowWith(run, 22201);
    REQUIRE(dicts != nullptr);
    HWND table = GetDlgItem(dicts, 22201);
    CHECK(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) == 1);
    REQUIRE(driver::WaitForKeyboardFocus(dicts, nullptr));
    SetFocus(table);
    driver::PressKey(VK_HOME);
    CHECK(WaitUntil([&] { return SendMessageW(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 0; }));
    PostMessageW(dicts, WM_COMMAND, IDOK, 0);
    CHECK(WaitUntil([&] { return !IsWindow(dicts); }));
    // Three words on three lines: one line under each, once checked and painted.
    REQUIRE(plain.width > 0);
    std::map<int, std::map<COLORREF, int>> rows;
    CHECK(WaitUntil([&] {
        driver::WaitUntilPainted(view);
        rows = ChangedRows(plain, ViewPixels(view));
        return rows.size() >= 3;
    }));
    Screenshot(main, "spell_underlined");
    std::map<COLORREF, int> colours;
    for (auto& row : rows)
        for (auto& c : row.second)
            colours[c.first] += c.second;
    REQUIRE_FALSE(colours.empty());
    // Nearly all in the misspelling colour (a blinking caret may add a few).
    COLORREF lineColour = colours.begin()->first;
    int total = 0;
    for (auto& c : colours) {
        total += c.second;
        if (c.second > colours[lineColour])
            lineColour = c.first;
    }
    CHECK(colours[lineColour] * 10 >= total * 9);

    // Ctrl+J from the beginning.
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::PressKey('J', true);
    HWND question = WaitForWindowWith(run, 51);
    REQUIRE(question != nullptr);
    Click(question, 51);
    HWND spell = WaitForWindowWith(run, 13001);
    REQUIRE(spell != nullptr);
    HWND word = GetDlgItem(spell, 13001);
    CHECK(WaitUntil([&] { return FieldText(word) == L"kotta"; }));
    CHECK(CaptionFits(spell));
    driver::WaitUntilPainted(spell);
    Screenshot(spell, "spell_check_window");

    Click(spell, 13004);  // ignore
    CHECK(WaitUntil([&] { return FieldText(word) == L"pjie"; }));
    String userWords = Concat(spellFolder, L"pl.usr");
    CHECK(FileOrNone(userWords) == "-");

    Click(spell, 13005);  // add to dictionary
    CHECK(WaitUntil([&] { return FieldText(word) == L"trawke"; }));
    CHECK(FileOrNone(userWords) == "pjie\r\n");
    CHECK(SendDlgItemMessageW(spell, 13002, LB_GETCURSEL, 0, 0) == 0);

    Click(spell, 13006);  // replace with the first suggestion
    const wchar_t* doneTitle = PolishSystem() ? L"Sprawdzanie pisowni - Scrivel" : L"Spellcheck - Scrivel";
    HWND done = nullptr;
    CHECK(WaitUntil([&] {
        for (HWND w : driver::ProcessWindows(run.ProcessId()))
            if (driver::WindowText(w) == doneTitle && GetDlgItem(w, IDOK) && !GetDlgItem(w, 13001))
                done = w;
        return done != nullptr;
    }));
    if (done)
        PostMessageW(done, WM_COMMAND, IDOK, 0);
    // The completion closes the window.
    CHECK(WaitUntil([&] { return !IsWindow(spell); }));

    // Ignored and added words are no longer underlined.
    int lineLeft = -1;
    CHECK(WaitUntil([&] {
        driver::WaitUntilPainted(view);
        lineLeft = 0;
        for (auto& row : ChangedRows(plain, ViewPixels(view)))
            lineLeft += row.second.count(lineColour) ? row.second.at(lineColour) : 0;
        return lineLeft == 0;
    }));
    CHECK(lineLeft == 0);
    Screenshot(main, "spell_checked");

    // The spell-check window has just gone: the keys wait for the view's focus.
    REQUIRE(driver::WaitForKeyboardFocus(main, view));
    driver::PressKey('S', true);
    std::string expected = bom + Narrow(L"Ala ma kotta.\r\nKot pjie mleko.\r\nŻółw je " + replacement + L".\r\n");
    CHECK(WaitUntil([&] { return FileOrNone(path) == expected; }));
    CHECK(FileOrNone(userWords) == "pjie\r\n");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
