#include "helpviewer/ErrorsDialog.h"

#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/EditText.h"
#include "gui/ElasticGroup.h"
#include "helpviewer/HelpDocument.h"

#include <new>

void ErrorsDialog::Build(Form* ownerForm, const String& listText)
{
    Create(ownerForm, 0, kDialogId, L"B\u0142\u0119dy w pliku pomocy - Guidora");
    width = 400;
    height = 300;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 0;
    list = NewEditText(column);
    list->SetText(listText.CStr());
    ButtonsBar* bar = NewButtonsBar(column);
    bar->sideMargin = 0;
    bar->topMargin = 24;
    bar->bottomMargin = 0;
    bar->gap = 8;
    ok = NewButton(bar, L"OK", IDOK, L"Naci\u015Bnij, aby zamkn\u0105\u0107.");
}

void ErrorsDialog::OnCommand(MessageRecord& m)
{
    UINT id = LOWORD(m.wParam);
    if (id == IDOK || id == IDCANCEL)
        CancelDialogOnClose(*this);
}

int32_t ShowMarkupErrors(const HelpDocument& document, Form* owner)
{
    String text = document.Errors().ListText();
    OwnPtr<ErrorsDialog> dialog(new (std::nothrow) ErrorsDialog);
    if (!dialog)
        throw MemoryError();
    dialog->Build(owner, text);
    dialog->ShowModal(dialog->ok);
    return dialog->result;
}
