#include "editor/CharacterDialog.h"

#include "base/CharUtils.h"
#include "base/UiLanguage.h"
#include "editor/CharsTable.h"
#include "gui/AlertDialog.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/NativeControl.h"
#include "text/Encoding.h"
#include "view/ViewStyle.h"

#include <memory>

CharDialog::CharDialog()
    : grid(nullptr), codeField(nullptr), textField(nullptr), codeTable(nullptr), fontSize(0), fontBold(0),
      fontItalic(0), fontDpi(0)
{
}

void CharDialog::Build(Form* owner, const wchar_t* title, const wchar_t* face, u32 size, const CodePageTable* table)
{
    bool polish = IsPolishUi();
    fontFace = String(face);
    fontSize = size;
    codeTable = table;
    result = -1;
    Create(owner, 0, BaseId, title);
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    NewLabel(column, polish ? L"&Znaki:" : L"C&haracters:");
    grid = NewCharsTableBox(column, GridId, table);
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, column);
    row->gap = 4;
    NewLabel(row, polish ? L"&Kod znaku:" : L"&Character code:");
    codeField = NewEditLine(row, 0, CodeId, polish ? L"Kod znaku." : L"Character code");
    codeField->keyFlags = WantsEnter;
    codeField->SetText(L"0020");
    if (ElasticChild* options = row->ChildOptions(codeField))
        options->weight = 3000;
    NewLabel(row, polish ? L" &Tekst:" : L" &Text");
    textField = NewEditLine(row, 0, TextId, polish ? L"Wpisywane znaki." : L"Entered characters.");
    ButtonsBar* buttons = NewButtonsBar(column);
    NewButton(buttons, L"OK", IDOK,
              polish ? L"Naciśnij, aby zatwierdzić dane." : L"Press to enter characters into text.");
    NewButton(buttons, polish ? L"Anuluj" : L"Cancel", IDCANCEL,
              polish ? L"Naciśnij, aby zrezygnować z wprowadzania danych."
                     : L"Press to close the window without changing text.");
    width = 100;
}

bool CharDialog::IsCodeAllowed(int32 code, bool alert)
{
    bool allowed = codeTable ? code >= 0 && code <= 255
                             : (code >= 0 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0x10FFFF);
    if (!allowed && alert) {
        bool polish = IsPolishUi();
        ShowAlert(this,
                  polish ? L"Bieżące kodowanie nie zawiera tego znaku."
                         : L"Current encoding can not express this character code.",
                  polish ? L"Nieprawidłowy kod znaku - Scrivel" : L"Invalid character code - Scrivel", L"+OK",
                  AlertWarning);
    }
    return allowed;
}

int32 CharDialog::ParseHexCode(const String& text)
{
    const wchar_t* p = text.Data();
    int64 n = text.Length();
    if (n == 0)
        return -1;
    // Beyond the last code point the value is held just above it, so a long
    // run of digits cannot wrap round into a valid code.
    constexpr int32 kAboveLast = 0x110000;
    int32 value = 0;
    bool digits = false;
    for (int64 i = 0; i < n; i++) {
        wchar_t c = p[i];
        int32 digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else if (c == L' ')
            continue;
        else
            break;
        digits = true;
        value = value >= kAboveLast ? kAboveLast : value * 16 + digit;
        if (value > kAboveLast)
            value = kAboveLast;
    }
    return digits ? value : -1;
}

void CharDialog::InsertChar(int32 code)
{
    wchar_t units[3] = {};
    if (codeTable) {
        if (code < 0 || code > 255)
            return;
        units[0] = static_cast<wchar_t>(codeTable->forward[code]);
    } else {
        if (code < 0 || code > 0x10FFFF)
            return;
        CodePointToUtf16(code, units);
    }
    DWORD start = 0, end = 0;
    textField->SendMsg(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    textField->SendMsg(EM_SETSEL, end, end);
    textField->SendMsg(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(units));
}

void CharDialog::Measure(SizeLimits& limits)
{
    u32 dpi = static_cast<u32>(GetDpi());
    if (dpi != fontDpi && !fontFace.IsEmpty()) {
        try {
            int32 pixels = MulDiv(MulDiv(static_cast<int>(fontSize), 96, 72), static_cast<int>(dpi), 96);
            DeviceContext dc;
            dc.FromWindow(hwnd);
            GdiObj made;
            CreateStyleFont(dc, made, fontFace.CStr(), -pixels, fontBold ? 700 : 400, fontItalic ? u32(FontItalic) : 0u);
            if (!made.IsEmpty()) {
                dialogFont = made;
                grid->SetFont(made);
                codeField->SetFont(made);
                textField->SetFont(made);
            }
        } catch (const Error&) {
            // The form's font stays.
        }
        fontDpi = dpi;
    }
    Form::Measure(limits);
}

void CharDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

void CharDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    int code = HIWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
        return;
    }
    if (command == static_cast<int>(GridId)) {
        if (code == CharsTableBox::PointedCode) {
            wchar_t text[16];
            swprintf(text, 16, L"%04x", static_cast<unsigned>(grid->CurrentCode()));
            codeField->SetText(text);
        } else if (code == CharsTableBox::ChosenCode) {
            InsertChar(grid->CurrentCode());
        }
        return;
    }
    if (command == static_cast<int>(CodeId)) {
        if (code == EN_CHANGE) {
            String text = codeField->GetText();
            if (text.IsEmpty())
                return;
            int32 value = ParseHexCode(text);
            if (IsCodeAllowed(value, false))
                grid->SelectCode(value);
        } else if (code == EditKeyEnter) {
            String text = codeField->GetText();
            int32 value = text.IsEmpty() ? -1 : ParseHexCode(text);
            if (value >= 0 && IsCodeAllowed(value, true))
                InsertChar(value);
        }
    }
}

int32 RunCharDialog(String& text, Form* owner, const wchar_t* title, const wchar_t* face, u32 size,
                    const CodePageTable* table)
{
    std::unique_ptr<CharDialog> dialog(
        MakeControl<CharDialog>([&](CharDialog& d) { d.Build(owner, title, face, size, table); }));
    dialog->ShowModal(dialog->grid);
    int32 result = dialog->result == IDOK ? 1 : 2;
    if (result == 1)
        text = dialog->textField->GetText();
    return result;
}
