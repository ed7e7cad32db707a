// The status bar's fields and the case command as a user reaches them.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

// Clicks the bar at x (client coordinates) the way the mouse does.
void ClickBar(HWND bar, int x)
{
    RECT r;
    GetClientRect(bar, &r);
    LPARAM at = MAKELPARAM(x, r.bottom / 2);
    PostMessageW(bar, WM_MOUSEMOVE, 0, at);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
}

HWND FindBar(HWND main)
{
    HWND found = nullptr;
    EnumChildWindows(
        main,
        [](HWND w, LPARAM out) -> BOOL {
            if (driver::ClassOf(w) == L"Scrivel Statusbar") {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

TEST_CASE("a click on the line field opens Go to line; upper case of a Polish line is saved")
{
    const std::wstring line = L"zażółć gęślą jaźń";
    TempFolder texts;
    String path = texts / L"polish.txt";
    WriteFileBytes(path, Narrow(line) + "\r\n");
    EditorRun run("", L" \"" + std::wstring(path.CStr()) + L"\"");
    HWND main = run.WaitForMain();
    HWND bar = FindBar(main);
    REQUIRE(bar != nullptr);

    ClickBar(bar, 12);
    bool polish = PolishSystem();
    HWND dialog = run.WaitForTitled(polish ? L"Przejdź do wiersza - Scrivel" : L"Go to line - Scrivel");
    REQUIRE(dialog != nullptr);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    // The commands below go to the main window once its modal run has ended.
    REQUIRE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    REQUIRE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }));

    // Select all, upper case and save by their menu ids: no keys, so a run
    // beside this one cannot take them.
    for (WPARAM command : {11027, 11034})
        PostMessageW(main, WM_COMMAND, command, 0);
    CHECK(WaitForModifiedMark(main, true));
    PostMessageW(main, WM_COMMAND, 11003, 0);
    CHECK(WaitForModifiedMark(main, false));
    CHECK(WaitForFile(path, Narrow(L"ZAŻÓŁĆ GĘŚLĄ JAŹŃ") + "\r\n"));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

namespace {

// The bar's client area on the screen.
RECT BarOnScreen(HWND bar)
{
    RECT r;
    GetClientRect(bar, &r);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Right edges of the shown fields, in client pixels, as the bar draws them:
// each field ends in a shadow column followed by a highlight column, which
// the row just below the top border shows clear of any text.
std::vector<int> FieldEdges(HWND bar)
{
    PixelImage image = ReadScreenPixels(BarOnScreen(bar));
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    std::vector<int> edges;
    for (int x = 0; x + 1 < image.width && image.height > 3; x++)
        if (image.At(x, 3) == shadow && image.At(x + 1, 3) == light)
            edges.push_back(x);
    return edges;
}

// Moves the mouse off the bar, so that no hover or tooltip covers a field.
void MouseToView(HWND main)
{
    RECT r;
    GetWindowRect(main, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // The move has reached the editor and any tooltip has gone.
    driver::WaitForQueueHandled(main);
    DWORD process = 0;
    GetWindowThreadProcessId(main, &process);
    CHECK(WaitUntil([&] { return driver::FindProcessWindow(process, L"tooltips_class32") == nullptr; }));
    driver::WaitUntilPainted(main);
}

// A real click (SendInput) in the middle of field 1-7.
void ClickField(HWND main, HWND bar, int field)
{
    MouseToView(main);
    std::vector<int> edges = FieldEdges(bar);
    REQUIRE(edges.size() >= static_cast<size_t>(field));
    int left = field > 1 ? edges[static_cast<size_t>(field) - 2] + 2 : 0;
    RECT screen = BarOnScreen(bar);
    POINT at = {screen.left + (left + edges[static_cast<size_t>(field) - 1]) / 2, (screen.top + screen.bottom) / 2};
    REQUIRE(at.x < GetSystemMetrics(SM_CXSCREEN));
    REQUIRE(at.y < GetSystemMetrics(SM_CYSCREEN));
    SetCursorPos(at.x, at.y);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
}

// Waits until a modal dialog has gone and its run has ended.
bool WaitForClosed(HWND main, HWND dialog)
{
    return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }) &&
           WaitUntil([&] { return IsWindowEnabled(main) != FALSE; });
}

// The pixels of field 1-7 as the screen shows them now.
std::vector<uint32_t> FieldPixels(HWND main, HWND bar, int field)
{
    MouseToView(main);
    std::vector<int> edges = FieldEdges(bar);
    REQUIRE(edges.size() >= static_cast<size_t>(field));
    PixelImage image = ReadScreenPixels(BarOnScreen(bar));
    int left = field > 1 ? edges[static_cast<size_t>(field) - 2] + 2 : 0;
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.height; y++)
        for (int x = left; x < edges[static_cast<size_t>(field) - 1]; x++)
            pixels.push_back(image.At(x, y));
    return pixels;
}

}  // namespace

TEST_CASE("clicks on the encoding, code and syntax fields run their dialogs; the converted text is saved")
{
    bool polish = PolishSystem();
    TempFolder texts;
    String path = texts / L"fields.txt";
    WriteFileBytes(path, Narrow(L"zażółć gęślą jaźń") + "\r\n");
    EditorRun run("", L" \"" + std::wstring(path.CStr()) + L"\"");
    HWND main = run.WaitForMain();
    HWND bar = FindBar(main);
    REQUIRE(bar != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));

    // Encoding field: the select dialog; Convert to ISO 8859-2 (id 7).
    ClickField(main, bar, 5);
    HWND dialog = run.WaitForTitled(polish ? L"Wybierz kodowanie znaków - Scrivel" : L"Select text encoding - Scrivel");
    REQUIRE(dialog != nullptr);
    HWND list = ChildWithId(dialog, 20901);
    REQUIRE(list != nullptr);
    CHECK(SendMessageW(list, LB_GETCURSEL, 0, 0) == 0);  // UTF-8, as detected
    SendMessageW(list, LB_SETCURSEL, 6, 0);
    PostMessageW(dialog, WM_COMMAND, 11084, 0);
    REQUIRE(WaitForClosed(main, dialog));
    CHECK(WaitForModifiedMark(main, true));

    // Code field: the character dialog; its characters land at the caret,
    // which the conversion put at the start.
    ClickField(main, bar, 3);
    dialog = run.WaitForTitled(polish ? L"Wybór znaku - Scrivel" : L"Select character - Scrivel");
    REQUIRE(dialog != nullptr);
    HWND chars = ChildWithId(dialog, 20703);
    REQUIRE(chars != nullptr);
    SendMessageW(chars, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\u017B"));
    PostMessageW(ChildWithId(dialog, IDOK), BM_CLICK, 0, 0);
    REQUIRE(WaitForClosed(main, dialog));

    // Syntax field: the syntax dialog; another entry changes what the field shows.
    std::vector<uint32_t> before = FieldPixels(main, bar, 6);
    ClickField(main, bar, 6);
    dialog = run.WaitForTitled(polish ? L"Wybierz sposób kolorowania - Scrivel" : L"Select syntax coloring - Scrivel");
    REQUIRE(dialog != nullptr);
    list = ChildWithId(dialog, 21001);
    REQUIRE(list != nullptr);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    LRESULT current = SendMessageW(list, LB_GETCURSEL, 0, 0);
    REQUIRE(count > 1);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>((current + 1) % count), 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    REQUIRE(WaitForClosed(main, dialog));
    CHECK(WaitUntil([&] { return FieldPixels(main, bar, 6) != before; }));

    PostMessageW(main, WM_COMMAND, 11003, 0);
    CHECK(WaitForModifiedMark(main, false));
    // ISO 8859-2: Ż z a ż ó ł ć, g ę ś l ą, j a ź ń.
    CHECK(WaitForFile(path, "\xAF"
                            "za\xBF\xF3\xB3\xE6 g\xEA\xB6l\xB1 ja\xBC\xF1\r\n"));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
    // The mouse leaves no hover on whatever window the next test opens there.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}
