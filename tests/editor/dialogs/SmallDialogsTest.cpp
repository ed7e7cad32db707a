#include "base/UiLanguage.h"
#include "editor/EncodingDialog.h"
#include "editor/LineColumnDialog.h"
#include "editor/SyntaxDialog.h"
#include "gui/Form.h"
#include "support/AccessKeys.h"
#include "support/Pump.h"
#include "support/Screenshot.h"
#include "text/SyntaxId.h"

#include <doctest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The one owner of the dialogs: a shown top-level window costs Wine seconds
// to hide or destroy without a window manager.
Form& Owner()
{
    static Form* form = [] {
        Form* f = new Form();
        f->Create(NoTooltip, L"DialogOwner", nullptr, 1);
        f->SetBounds(RECT{100, 100, 700, 500});
        f->ShowNoActivate();
        Pump();
        return f;
    }();
    return *form;
}

// Runs once the dialog holding a control of the given id is on screen.
std::function<void(HWND)> OnDialog;
int DialogId;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM out)
{
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, DialogId)) {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WaitForDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    OnDialog(dialog);
}

void Drive(int id, std::function<void(HWND)> action)
{
    DialogId = id;
    OnDialog = action;
    SetTimer(nullptr, 0, 20, WaitForDialog);
}

void Key(HWND window, WPARAM key)
{
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

std::wstring TextOf(HWND window)
{
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

struct English {
    int32 saved = UiLanguageId();
    English() { SetUiLanguageId(9); }
    ~English() { SetUiLanguageId(saved); }
};

}  // namespace

TEST_CASE("line numbers saturate instead of wrapping; no digits is no number")
{
    bool found = false;
    CHECK(ParseDialogNumber(String(L"  42x"), found) == 42);
    CHECK(found);
    CHECK(ParseDialogNumber(String(L"9223372036854775807"), found) == INT64_MAX);
    CHECK(ParseDialogNumber(String(L"9223372036854775808"), found) == INT64_MAX);
    CHECK(ParseDialogNumber(String(L"184467440737095516170"), found) == INT64_MAX);
    CHECK(ParseDialogNumber(String(L"-5"), found) == -5);
    CHECK(ParseDialogNumber(String(L""), found) == 0);
    CHECK_FALSE(found);
    CHECK(ParseDialogNumber(String(L"abc"), found) == 0);
    CHECK_FALSE(found);
}

TEST_CASE("the go-to dialog: an emptied line keeps the line, the column moves; Esc and the close box cancel")
{
    English english;
    int64 line = 12, column = 7;
    std::wstring shownLine, shownColumn;
    bool columnFocused = false;
    Drive(20601, [&](HWND dialog) {
        HWND lineEdit = GetDlgItem(dialog, 20601);
        HWND columnEdit = GetDlgItem(dialog, 20602);
        shownLine = TextOf(lineEdit);
        shownColumn = TextOf(columnEdit);
        columnFocused = GetFocus() == columnEdit;
        SaveScreenshot(ReadWindowPixels(dialog), "goto_dialog.png");
        SetWindowTextW(lineEdit, L"");
        SetWindowTextW(columnEdit, L"3");
        Key(columnEdit, VK_RETURN);
    });
    CHECK(LineAndColumnDialog::Run(&Owner(), line, column, true) == 1);
    CHECK(shownLine == L"12");
    CHECK(shownColumn == L"7");
    CHECK(columnFocused);
    CHECK(line == 12);
    CHECK(column == 3);

    Drive(20601, [&](HWND dialog) {
        columnFocused = GetFocus() == GetDlgItem(dialog, 20602);
        SetWindowTextW(GetDlgItem(dialog, 20601), L"99999999999999999999999");
        SetWindowTextW(GetDlgItem(dialog, 20602), L"0");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    CHECK(LineAndColumnDialog::Run(&Owner(), line, column, false) == 1);
    CHECK_FALSE(columnFocused);
    CHECK(line == INT64_MAX);
    CHECK(column == 3);

    Drive(20601, [&](HWND dialog) {
        SetWindowTextW(GetDlgItem(dialog, 20601), L"5");
        Key(GetDlgItem(dialog, 20601), VK_ESCAPE);
    });
    CHECK(LineAndColumnDialog::Run(&Owner(), line, column, false) == 2);
    Drive(20601, [&](HWND dialog) {
        SetWindowTextW(GetDlgItem(dialog, 20601), L"5");
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    CHECK(LineAndColumnDialog::Run(&Owner(), line, column, false) == 2);
    CHECK(line == INT64_MAX);
}

TEST_CASE("Alt with a label's letter in the go-to dialog moves the focus to the field after the label")
{
    for (int32 language : {9, 21}) {
        int32 saved = UiLanguageId();
        SetUiLanguageId(language);
        std::vector<accesskeys::LabelKey> keys;
        HWND fields[2] = {};
        Drive(20601, [&](HWND dialog) {
            fields[0] = GetDlgItem(dialog, 20601);
            fields[1] = GetDlgItem(dialog, 20602);
            keys = accesskeys::PressLabelKeys(Owner(), dialog);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        int64 line = 1, column = 1;
        CHECK(LineAndColumnDialog::Run(&Owner(), line, column, false) == 2);
        SetUiLanguageId(saved);
        CAPTURE(language);
        REQUIRE(keys.size() == 2);
        CHECK(keys[0].key == (language == 9 ? L'L' : L'W'));
        CHECK(keys[1].key == (language == 9 ? L'C' : L'Z'));
        for (int i = 0; i < 2; i++) {
            CAPTURE(i);
            CHECK(keys[i].expected == fields[i]);
            CHECK(keys[i].focused == fields[i]);
        }
    }
}

TEST_CASE("the encoding dialog opens on the text's encoding with its BOM; Cancel changes nothing")
{
    English english;
    int32 encoding = 3;  // UTF-16BE
    bool bom = true;
    int selected = -1, count = 0;
    bool checked = false;
    std::wstring title;
    std::vector<int> buttons;
    Drive(20901, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 20901);
        selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
        count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        checked = SendMessageW(GetDlgItem(dialog, 20903), BM_GETCHECK, 0, 0) == BST_CHECKED;
        title = TextOf(dialog);
        for (int id : {11083, 11084, 2})
            if (GetDlgItem(dialog, id))
                buttons.push_back(id);
        // Another entry and the box changed, then Cancel.
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        SendMessageW(GetDlgItem(dialog, 20903), BM_SETCHECK, BST_UNCHECKED, 0);
        Key(list, VK_ESCAPE);
    });
    CHECK(EncodingDialog::Run(&Owner(), 11038, encoding, bom) == 2);
    CHECK(selected == 2);
    CHECK(count == 7);
    CHECK(checked);
    CHECK(title == L"Select text encoding - Scrivel");
    CHECK(buttons == std::vector<int>{11083, 11084, 2});
    CHECK(encoding == 3);
    CHECK(bom);

    // Force ends with the chosen entry and box.
    Drive(20901, [&](HWND dialog) {
        buttons.clear();
        for (int id : {11083, 11084, 2})
            if (GetDlgItem(dialog, id))
                buttons.push_back(id);
        SendMessageW(GetDlgItem(dialog, 20901), LB_SETCURSEL, 4, 0);
        SendMessageW(GetDlgItem(dialog, 20903), BM_SETCHECK, BST_UNCHECKED, 0);
        PostMessageW(dialog, WM_COMMAND, 11083, 0);
    });
    CHECK(EncodingDialog::Run(&Owner(), 11083, encoding, bom) == 11083);
    CHECK(buttons == std::vector<int>{11083, 2});
    CHECK(encoding == 5);
    CHECK_FALSE(bom);

    Drive(20901, [&](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    CHECK(EncodingDialog::Run(&Owner(), 11084, encoding, bom) == 2);
    CHECK(encoding == 5);
}

TEST_CASE("the syntax list is sorted, carries the ids, and selects nothing for the in-house languages")
{
    English english;
    std::vector<std::wstring> names;
    std::vector<LRESULT> ids;
    LRESULT selected = -2;
    auto read = [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 21001);
        names.clear();
        ids.clear();
        LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; i++) {
            wchar_t buffer[64] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            names.push_back(buffer);
            ids.push_back(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        }
        selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    };
    for (int32 given : {kSyntaxMorvane, kSyntaxKestin}) {
        int32 syntax = given;
        Drive(21001, [&](HWND dialog) {
            read(dialog);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        CHECK(SyntaxDialog::Run(&Owner(), syntax) == 1);
        CHECK(selected == LB_ERR);
        CHECK(syntax == given);
    }
    REQUIRE(names.size() == 7);
    for (size_t i = 1; i < names.size(); i++)
        CHECK(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, names[i - 1].c_str(), -1, names[i].c_str(), -1) !=
              CSTR_GREATER_THAN);
    for (size_t i = 0; i < names.size(); i++)
        CHECK(names[i] == SyntaxDisplayName(static_cast<SyntaxId>(ids[i])));

    // The entry of the given id is selected; a double click takes another.
    int32 syntax = kSyntaxJava;
    Drive(21001, [&](HWND dialog) {
        read(dialog);
        HWND list = GetDlgItem(dialog, 21001);
        for (LRESULT i = 0; i < static_cast<LRESULT>(ids.size()); i++)
            if (ids[i] == kSyntaxPhp)
                SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(21001, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    });
    CHECK(SyntaxDialog::Run(&Owner(), syntax) == 1);
    REQUIRE(selected >= 0);
    CHECK(ids[static_cast<size_t>(selected)] == kSyntaxJava);
    CHECK(syntax == kSyntaxPhp);

    Drive(21001, [&](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, 21001), LB_SETCURSEL, 0, 0);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    CHECK(SyntaxDialog::Run(&Owner(), syntax) == 2);
    CHECK(syntax == kSyntaxPhp);
}
