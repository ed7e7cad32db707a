// Finding and replacing as a user does it in the real editor: Ctrl+F, the
// phrase typed (incremental find highlights it), F3, a replacement and
// Shift+F4 from the start, Ctrl+S, then Ctrl+Z and Ctrl+S again.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <string>

namespace {

// The first visible window of the class among all descendants.
HWND ChildOfClass(HWND parent, const wchar_t* className)
{
    struct Search {
        const wchar_t* name;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (IsWindowVisible(child) && driver::ClassOf(child) == s->name) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Separate runs of columns that changed between two pictures, in the rows
// [top, bottom).
int ChangedRuns(const PixelImage& before, const PixelImage& after, int top, int bottom)
{
    int runs = 0;
    int gap = 100;
    for (int x = 0; x < before.width && x < after.width; x++) {
        bool changed = false;
        for (int y = top; y < bottom && y < before.height && y < after.height; y++)
            changed = changed || before.At(x, y) != after.At(x, y);
        if (changed && gap > 3)
            runs++;
        gap = changed ? 0 : gap + 1;
    }
    return runs;
}

// The first row that differs, or -1.
int FirstChangedRow(const PixelImage& before, const PixelImage& after)
{
    for (int y = 0; y < before.height && y < after.height; y++)
        for (int x = 0; x < before.width && x < after.width; x++)
            if (before.At(x, y) != after.At(x, y))
                return y;
    return -1;
}

// The row after the band of changed rows that starts at top.
int ChangedBandEnd(const PixelImage& before, const PixelImage& after, int top)
{
    int y = top;
    while (y < before.height && y < after.height && ChangedRuns(before, after, y, y + 1) > 0)
        y++;
    return y;
}

// Waits until the keyboard focus of the editor has left from.
bool WaitForFocusMoved(HWND main, HWND from)
{
    return WaitUntil([&] {
        HWND focus = driver::FocusOf(main);
        return focus && focus != from && IsChild(main, focus);
    });
}

}  // namespace

TEST_CASE("Ctrl+F and a typed phrase highlight its matches; F3, Shift+F4 from the start, Ctrl+S and Ctrl+Z")
{
    TempFolder texts;
    String path = texts / L"find.txt";
    const std::string original = Narrow(L"teh cat teh dog\r\nzażółć teh\r\n");
    WriteFileBytes(path, original);
    EditorRun run("", L"\"" + std::wstring(path.CStr()) + L"\"");
    HWND main = run.WaitForMain();
    HWND view = ChildOfClass(main, L"Scrivel Text View");
    REQUIRE(view != nullptr);
    REQUIRE(driver::WaitForKeyboardFocus(main, view));

    driver::PressKey('F', true);
    REQUIRE(WaitForFocusMoved(main, view));
    HWND findField = driver::FocusOf(main);
    driver::WaitUntilPainted(main);
    RECT area;
    GetWindowRect(view, &area);
    PixelImage before = ReadScreenPixels(area);
    driver::TypeText(L"teh");
    // The first line shows the selected match and, apart from it, the
    // second one marked by a strip along the line's bottom, once the
    // incremental find has painted them; the selection spans the line's height.
    int top = -1;
    CHECK(WaitUntil([&] {
        driver::WaitUntilPainted(main);
        PixelImage after = ReadScreenPixels(area);
        top = FirstChangedRow(before, after);
        return top >= 0 && ChangedRuns(before, after, top, ChangedBandEnd(before, after, top)) >= 2;
    }));
    Screenshot(main, "incremental_find_highlights");

    // F3 leaves the keyboard with the text; Ctrl+F and Tab reach the
    // replacement field.
    driver::PressKey(VK_F3);
    REQUIRE(driver::WaitForKeyboardFocus(main, view));
    driver::PressKey('F', true);
    REQUIRE(driver::WaitForKeyboardFocus(main, findField));
    driver::PressKey(VK_TAB);
    REQUIRE(WaitForFocusMoved(main, findField));
    driver::TypeText(L"the");
    driver::PressKey(VK_F4, false, true);
    HWND question = run.WaitForTitled(PolishSystem() ? L"Zastąp w pozostałym tekście - Scrivel"
                                                     : L"Replace in remaining text - Scrivel");
    REQUIRE(question != nullptr);
    // The second button: from the beginning of the text.
    PostMessageW(question, WM_COMMAND, 51, 0);
    // The file is read only once the save has ended: a read while the
    // editor writes it could make the save fail.
    CHECK(WaitForModifiedMark(main, true));
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::PressKey('S', true);
    CHECK(WaitForModifiedMark(main, false));
    CHECK(WaitForFile(path, Narrow(L"the cat the dog\r\nzażółć the\r\n")));
    CHECK(ReadFileBytes(Concat(path, L".bak")) == original);
    driver::WaitUntilPainted(main);
    Screenshot(main, "replaced_from_start");

    // One undo takes every replacement back.
    driver::PressKey('Z', true);
    CHECK(WaitForModifiedMark(main, true));
    driver::PressKey('S', true);
    CHECK(WaitForModifiedMark(main, false));
    CHECK(WaitForFile(path, original));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
