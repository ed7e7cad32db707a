#include "GuiTestSupport.h"

#include "gui/InputLineDialog.h"

#include <functional>
#include <string>

namespace {

// Runs once the dialog is on screen: gets its window and edit line.
std::function<void(HWND dialog, HWND edit)> OnDialog;

BOOL CALLBACK FindInputDialog(HWND hwnd, LPARAM out)
{
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, 99)) {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WaitForDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindInputDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr)
        return;
    KillTimer(nullptr, timer);
    OnDialog(dialog, GetDlgItem(dialog, 99));
}

int Run(String& text, const wchar_t* initial, std::function<void(HWND, HWND)> action)
{
    TestForm main;
    main.SetBounds({100, 100, 700, 500});
    main.Show();
    OnDialog = action;
    SetTimer(nullptr, 0, 20, WaitForDialog);
    return RunInputLineDialog(text, &main, L"Rename", L"New name:", initial);
}

std::wstring FieldText(HWND edit)
{
    wchar_t buffer[256] = {};
    GetWindowTextW(edit, buffer, 256);
    return buffer;
}

void Key(HWND edit, WPARAM key)
{
    PostMessageW(edit, WM_KEYDOWN, key, 1);
    PostMessageW(edit, WM_KEYUP, key, 0xC0000001);
}

} // namespace

TEST_CASE("the line dialog shows the proposal selected; Enter confirms, Escape keeps the text")
{
    String text(L"old.txt");
    std::wstring shown;
    DWORD start = 1, end = 0;
    int result = Run(text, L"proposal.txt", [&](HWND, HWND edit) {
        shown = FieldText(edit);
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        CHECK(GetFocus() == edit);
        SetWindowTextW(edit, L"typed.txt");
        Key(edit, VK_RETURN);
    });
    CHECK(result == 1);
    CHECK(shown == L"proposal.txt");
    CHECK(start == 0);
    CHECK(end == 12);
    CHECK(text.Equals(L"typed.txt"));

    result = Run(text, L"other", [&](HWND, HWND edit) {
        SetWindowTextW(edit, L"ignored");
        Key(edit, VK_ESCAPE);
    });
    CHECK(result == 2);
    CHECK(text.Equals(L"typed.txt"));
}

TEST_CASE("the line dialog: the close box cancels, an empty line confirms, no proposal means the text")
{
    String text(L"current name");
    int result = Run(text, L"x", [](HWND dialog, HWND) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    CHECK(result == 2);
    CHECK(text.Equals(L"current name"));

    std::wstring shown;
    result = Run(text, nullptr, [&](HWND dialog, HWND edit) {
        shown = FieldText(edit);
        SetWindowTextW(edit, L"");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    CHECK(shown == L"current name");
    CHECK(result == 1);
    CHECK(text.IsEmpty());
}
