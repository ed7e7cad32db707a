#include "CharsTestSupport.h"

#include "editor/CharacterDialog.h"
#include "gui/EditLine.h"
#include "support/AccessKeys.h"
#include "support/Screenshot.h"
#include "text/Encoding.h"

#include <doctest.h>

#include <algorithm>
#include <memory>

namespace {

// Answers the alerts that come up inside a modal run, remembering their titles.
std::vector<std::wstring> AlertTitles;

void CALLBACK AnswerAlert(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
            wchar_t title[200] = {};
            GetWindowTextW(w, title, 200);
            if (IsWindowVisible(w) && (wcsstr(title, L"Invalid character code") != nullptr ||
                                       wcsstr(title, L"Nieprawidłowy kod znaku") != nullptr)) {
                AlertTitles.push_back(title);
                PostMessageW(w, WM_COMMAND, IDOK, 0);
            }
            return TRUE;
        },
        0);
}

struct AlertAnswerer {
    UINT_PTR timer;
    AlertAnswerer()
    {
        AlertTitles.clear();
        timer = SetTimer(nullptr, 0, 40, AnswerAlert);
    }
    ~AlertAnswerer() { KillTimer(nullptr, timer); }
};

struct Owner : Form {
    Owner()
    {
        Create(MainWindow, L"CharOwner", nullptr, 6);
        SetBounds({0, 0, 300, 200});
        Show();
    }
};

struct OpenDialog {
    std::unique_ptr<CharDialog> dialog;
    explicit OpenDialog(Form* owner, const CodePageTable* table, const wchar_t* face = L"Courier New")
    {
        // The grid follows the pointer: one left over the dialog by an earlier
        // test program would pick a cell.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        dialog.reset(MakeControl<CharDialog>(
            [&](CharDialog& d) { d.Build(owner, L"Select character - Scrivel", face, 16, table); }));
        dialog->Place();
        dialog->Show();
        dialog->grid->SetFocus();
        Pump();
    }
    CharDialog* operator->() { return dialog.get(); }
    std::wstring Text() { return dialog->textField->GetText().CStr(); }
    std::wstring Code() { return dialog->codeField->GetText().CStr(); }
    // The code typed into the field, then Enter there.
    void Enter(const wchar_t* code)
    {
        dialog->codeField->SetText(code);
        dialog->codeField->SendMsg(WM_CHAR, 13, 0);
        Pump();
    }
};

int32 Parse(const wchar_t* text)
{
    return CharDialog::ParseHexCode(String(text));
}

}  // namespace

TEST_CASE("Alt with a label's letter moves the focus to the grid or field after the label, in both languages")
{
    for (int32 language : {9, 21}) {
        SetUiLanguageId(language);
        Owner owner;
        OpenDialog d(&owner, nullptr);
        std::vector<accesskeys::LabelKey> keys = accesskeys::PressLabelKeys(*d.dialog, d->hwnd);
        CAPTURE(language);
        REQUIRE(keys.size() == 3);
        const wchar_t* letters = language == 9 ? L"HCT" : L"ZKT";
        const HWND targets[3] = {d->grid->hwnd, d->codeField->hwnd, d->textField->hwnd};
        for (int i = 0; i < 3; i++) {
            CAPTURE(i);
            CHECK(keys[i].key == letters[i]);
            CHECK(keys[i].expected == targets[i]);
            CHECK(keys[i].focused == targets[i]);
        }
    }
    SetUiLanguageId(9);
}

TEST_CASE("hexadecimal codes: spaces skipped, the first other character ends, long runs saturate")
{
    CHECK(Parse(L"") == -1);
    CHECK(Parse(L"xyz") == -1);
    CHECK(Parse(L"  4 1") == 0x41);
    CHECK(Parse(L"41g2") == 0x41);
    CHECK(Parse(L"00E9") == 0xE9);
    CHECK(Parse(L"10ffff") == 0x10FFFF);
    CHECK(Parse(L"110000") > 0x10FFFF);
    // Wrapping within 32 bits would make these valid codes.
    CHECK(Parse(L"100000041") > 0x10FFFF);
    CHECK(Parse(L"ffffffff") > 0x10FFFF);
    CHECK(Parse(L"fffffffffffffffffffff0041") > 0x10FFFF);
}

TEST_CASE("the dialog opens at 0020 with code 0x20 in the grid's first row")
{
    Owner owner;
    OpenDialog d(&owner, nullptr);
    CHECK(d.Code() == L"0020");
    CHECK(d->grid->firstRow == 2);
    CHECK(d->grid->currentIndex == 0x20);
    CHECK(d->grid->IndexToCode(d->grid->firstRow * 16) == 0x20);
    // The font follows the record: the face asked for, at its size.
    LOGFONTW font = {};
    GetObjectW(d->dialogFont.Handle(), sizeof font, &font);
    CHECK(font.lfHeight == -MulDiv(MulDiv(16, 96, 72), d->GetDpi(), 96));
}

TEST_CASE("Unicode: Enter in the code field inserts, surrogates and codes past U+10FFFF get the alert")
{
    SetUiLanguageId(9);
    Owner owner;
    OpenDialog d(&owner, nullptr);
    AlertAnswerer alerts;
    d.Enter(L"1f600");
    CHECK(d.Text() == L"\xD83D\xDE00");
    CHECK(d->grid->currentIndex == 0x1F600 - 0x800);
    for (const wchar_t* bad : {L"d800", L"dfff", L"110000", L"100000041"}) {
        size_t before = AlertTitles.size();
        d.Enter(bad);
        CHECK(AlertTitles.size() == before + 1);
        CHECK(d.Text() == L"\xD83D\xDE00");
    }
    CHECK(AlertTitles.back() == L"Invalid character code - Scrivel");
    // Typing follows the grid only for allowed codes, silently.
    d->codeField->SetText(L"d800");
    CHECK(d->grid->currentIndex == 0x1F600 - 0x800);
    d->codeField->SetText(L"41");
    CHECK(d->grid->currentIndex == 0x41);
    size_t before = AlertTitles.size();
    d.Enter(L"xyz");
    d.Enter(L"");
    CHECK(AlertTitles.size() == before);
    CHECK(d.Text() == L"\xD83D\xDE00");
}

TEST_CASE("a code page: 0100 gets the alert, 00e9 inserts the page's character for byte 0xE9")
{
    SetUiLanguageId(21);
    Owner owner;
    const CodePageTable* table = CodePageTableOf(EncodingWindows1250);
    OpenDialog d(&owner, table);
    AlertAnswerer alerts;
    d.Enter(L"0100");
    REQUIRE(AlertTitles.size() == 1);
    CHECK(AlertTitles[0] == L"Nieprawidłowy kod znaku - Scrivel");
    CHECK(d.Text().empty());
    d.Enter(L"00e9");
    CHECK(d.Text() == std::wstring(1, static_cast<wchar_t>(table->forward[0xE9])));
    CHECK(d.Text() == L"\u00E9");
    // Pointing in the grid writes the byte into the code field.
    d->grid->SendMsg(WM_KEYDOWN, VK_END, 0);
    CHECK(d.Code() == L"00ff");
    d->grid->SendMsg(WM_CHAR, 13, 0);
    CHECK(d.Text() == L"\u00E9\u02D9");  // 0xFF in Windows-1250 is the dot above
    SetUiLanguageId(9);
}

TEST_CASE("choosing with a selection in the text field adds after it and keeps it")
{
    Owner owner;
    OpenDialog d(&owner, nullptr);
    d->textField->SetText(L"abcd");
    d->textField->SendMsg(EM_SETSEL, 1, 3);
    d->grid->SelectCode(0x263A);
    d->grid->SendMsg(WM_CHAR, 13, 0);
    CHECK(d.Text() == L"abc\u263Ad");
    d->grid->SendMsg(WM_CHAR, L'x', 0);
    CHECK(d.Text() == L"abc\u263Axd");
    // The grid's Escape is no answer of the dialog.
    d->grid->SendMsg(WM_CHAR, 27, 0);
    CHECK(d->result == -1);
}

namespace {

std::wstring RunWith(void (*drive)(HWND), int32& result, const std::wstring& preset)
{
    static void (*Drive)(HWND) = nullptr;
    Drive = drive;
    Owner owner;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM out) -> BOOL {
                wchar_t title[100] = {};
                GetWindowTextW(w, title, 100);
                if (IsWindowVisible(w) && wcscmp(title, L"Pick - Scrivel") == 0)
                    *reinterpret_cast<HWND*>(out) = w;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
            KillTimer(nullptr, id);
            Drive(found);
        }
    });
    String text(preset.c_str());
    result = RunCharDialog(text, &owner, L"Pick - Scrivel", L"Courier New", 12, nullptr);
    KillTimer(nullptr, timer);
    return text.CStr();
}

void TypeAndThen(HWND dialog, UINT msg, WPARAM wParam)
{
    HWND textField = GetDlgItem(dialog, CharDialog::TextId);
    SetWindowTextW(textField, L"typed");
    PostMessageW(dialog, msg, wParam, 0);
}

}  // namespace

TEST_CASE("OK hands the text over; Cancel and the close box return 2 and leave it alone")
{
    int32 result = 0;
    CHECK(RunWith([](HWND w) { TypeAndThen(w, WM_COMMAND, IDOK); }, result, L"old") == L"typed");
    CHECK(result == 1);
    CHECK(RunWith([](HWND w) { TypeAndThen(w, WM_COMMAND, IDCANCEL); }, result, L"old") == L"old");
    CHECK(result == 2);
    CHECK(RunWith([](HWND w) { TypeAndThen(w, WM_CLOSE, 0); }, result, L"old") == L"old");
    CHECK(result == 2);
}

TEST_CASE("screenshots of the dialog, Unicode and Windows-1250, Polish and English")
{
    struct Shot {
        int32 language;
        const CodePageTable* table;
        const char* name;
    };
    const Shot shots[] = {
        {21, nullptr, "char-dialog-unicode-pl.png"},
        {9, nullptr, "char-dialog-unicode-en.png"},
        {21, CodePageTableOf(EncodingWindows1250), "char-dialog-1250-pl.png"},
        {9, CodePageTableOf(EncodingWindows1250), "char-dialog-1250-en.png"},
    };
    for (const Shot& s : shots) {
        SetUiLanguageId(s.language);
        Owner owner;
        OpenDialog d(&owner, s.table);
        d->textField->SetText(L"zażółć");
        d->codeField->SetText(L"00b9");
        RedrawWindow(d->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        PixelImage image = ReadWindowPixels(d->hwnd);
        CHECK(SaveScreenshot(image, s.name));
        // The marked cell is painted in the focused mark colour.
        POINT c = {d->grid->headerWidth + 9 * d->grid->cellWidth + 2, 0};
        int32 row = 0xB9 / 16 - d->grid->firstRow;
        c.y = row * d->grid->rowHeight + d->grid->rowHeight - 3;
        POINT screen = d->grid->ClientToScreenPoint(c);
        POINT origin = {0, 0};
        ClientToScreen(d->hwnd, &origin);
        CHECK(image.At(screen.x - origin.x, screen.y - origin.y) == 0xFCCECC);
    }
    SetUiLanguageId(9);
}

TEST_CASE("at 96 and 144 DPI the grid's last glyphs keep clear of the scroll bar")
{
    SetUiLanguageId(9);
    Owner owner;
    for (int dpi : {96, 144}) {
        CAPTURE(dpi);
        OpenDialog d(&owner, nullptr);
        if (dpi != d->GetDpi()) {
            RECT suggested = d->WindowRect();
            SendMessageW(d->hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
        REQUIRE(d->GetDpi() == dpi);
        CharsTableBox* grid = d->grid;
        // Rows 0x20 to 0x9f: their last column holds "/", "?", "O", "_" and "o".
        grid->Invalidate();
        RedrawWindow(grid->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
        PixelImage pixels = ReadWindowPixels(grid->hwnd);
        REQUIRE(pixels.width >= grid->headerWidth + 16 * grid->cellWidth);
        COLORREF face = GetSysColor(COLOR_BTNFACE);
        int rightmost = -1;
        for (int y = 0; y < pixels.height; y++)
            for (int x = grid->headerWidth; x < pixels.width; x++)
                if (pixels.At(x, y) != face)
                    rightmost = std::max(rightmost, x);
        REQUIRE(rightmost > grid->headerWidth + 15 * grid->cellWidth);
        CHECK(pixels.width - 1 - rightmost >= MulDiv(4, dpi, 96));
    }
}
