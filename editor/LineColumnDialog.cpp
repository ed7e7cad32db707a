#include "editor/LineColumnDialog.h"

#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "editor/DialogColumn.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"

#include <cstdint>
#include <memory>

namespace {

void Preset(EditLine* edit, int64 value)
{
    edit->SetText(StrFormat(L"[]", value).CStr());
    edit->SendMsg(EM_SETSEL, 0, -1);
}

// A typed value greater than 0 replaces the old one; anything else keeps it.
void TakeTyped(EditLine* edit, int64& value)
{
    bool found = false;
    int64 typed = ParseDialogNumber(edit->GetText(), found);
    if (found && typed > 0)
        value = typed;
}

}  // namespace

int64 ParseDialogNumber(const String& text, bool& found)
{
    const wchar_t* p = text.CStr();
    const wchar_t* end = p + text.Length();
    found = false;
    while (p < end && (*p == L' ' || *p == L'\t'))
        p++;
    bool negative = false;
    if (p < end && (*p == L'-' || *p == L'+')) {
        negative = *p == L'-';
        p++;
    }
    int64 value = 0;
    for (; p < end && *p >= L'0' && *p <= L'9'; p++) {
        found = true;
        int64 digit = *p - L'0';
        // Saturate: a line number past the end means the last line.
        if (value > (INT64_MAX - digit) / 10)
            value = INT64_MAX;
        else
            value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int32 LineAndColumnDialog::Run(Form* owner, int64& line, int64& column, bool focusColumn)
{
    std::unique_ptr<LineAndColumnDialog> dialog(MakeControl<LineAndColumnDialog>([&](LineAndColumnDialog& d) {
        d.result = -1;
        d.Create(owner, 0, 20600, UiText(L"Przejdź do wiersza - Scrivel", L"Go to line - Scrivel"));
        ElasticGroup* column = NewDialogColumn(d);
        ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, column);
        row->gap = 4;
        NewLabel(row, UiText(L"&Wiersz", L"&Line"));
        d.lineEdit = NewEditLine(row, EditRightAligned, 20601,
                                 UiText(L"W tym polu wpisz numer wiersza, do którego chcesz przejść.",
                                      L"Enter the number of the line to which you want to go."));
        NewLabel(row, UiText(L"     &Znak", L"     &Char"));
        d.columnEdit = NewEditLine(row, EditRightAligned, 20602,
                                   UiText(L"W tym polu wpisz numer znaku, do którego chcesz przejść.",
                                        L"Enter the number of the character in the line to which you want to go."));
        ButtonsBar* buttons = NewButtonsBar(column);
        NewButton(buttons, UiText(L"Przejdź", L"Go to"), IDOK,
                  UiText(L"Naciśnij, aby wykonać operację.", L"Press to go to the specified place."));
        NewButton(buttons, UiText(L"Anuluj", L"Cancel"), IDCANCEL,
                  UiText(L"Naciśnij, aby anulować operację.", L"Press to cancel."));
    }));
    dialog->Place();
    Preset(dialog->lineEdit, line);
    Preset(dialog->columnEdit, column);
    dialog->ShowModal(focusColumn ? dialog->columnEdit : dialog->lineEdit);
    int32 result = dialog->result;
    if (result == IDOK) {
        TakeTyped(dialog->lineEdit, line);
        TakeTyped(dialog->columnEdit, column);
    }
    return result;
}

void LineAndColumnDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
    }
}

void LineAndColumnDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}
