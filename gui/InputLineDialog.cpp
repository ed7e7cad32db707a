#include "gui/InputLineDialog.h"

#include "base/UiLanguage.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/StaticText.h"

#include <memory>

int RunInputLineDialog(String& text, Form* owner, const wchar_t* title, const wchar_t* prompt,
                       const wchar_t* initialText)
{
    bool polish = IsPolishUi();
    std::unique_ptr<InputLineDialog> dialog(MakeControl<InputLineDialog>([&](InputLineDialog& d) {
        d.result = -1;
        d.Create(owner, 0, 98, title);
        d.width = 250;
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &d);
        column->horizontalMargin = 8;
        column->verticalMargin = 8;
        column->gap = 8;
        NewStaticText(column, prompt);
        d.edit = NewEditLine(column, 0, 99, L"");
        ButtonsBar* buttons = NewButtonsBar(column);
        NewButton(buttons, L"OK", IDOK,
                  polish ? L"Naciśnij, aby zatwierdzić tekst." : L"Press to accept the text field contents.");
        NewButton(buttons, polish ? L"Anuluj" : L"Cancel", IDCANCEL,
                  polish ? L"Naciśnij, aby anulować operację." : L"Press to cancel operation.");
    }));
    dialog->Place();
    String proposal = initialText ? String(initialText) : text;
    dialog->edit->SetText(proposal.CStr());
    dialog->edit->SendMsg(EM_SETSEL, 0, -1);
    dialog->ShowModal(dialog->edit);
    int result = dialog->result;
    if (result == IDOK)
        text = dialog->edit->GetText();
    return result;
}

void InputLineDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
    }
}

void InputLineDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}
