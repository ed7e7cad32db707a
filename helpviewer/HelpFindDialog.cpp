#include "helpviewer/HelpFindDialog.h"

#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/CheckMark.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "helpviewer/ViewerFramework.h"

#include <new>

void HelpFindDialog::Build(Form* ownerForm, const String& lastWord)
{
    Create(ownerForm, 0, kDialogId, L"Znajd\u017A w pomocy - Guidora");
    width = 250;
    height = 0;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    NewFindWordLabel(column);
    word = NewFindWordLine(column);
    word->SetText(lastWord.CStr());
    word->SendMsg(EM_SETSEL, 0, -1);
    everywhere = NewFindEverywhereCheck(column, lastWord.IsEmpty());
    ButtonsBar* bar = NewButtonsBar(column);
    bar->sideMargin = 0;
    bar->topMargin = 16;
    bar->bottomMargin = 0;
    bar->gap = 8;
    ok = NewButton(bar, L"OK", IDOK, L"Naci\u015Bnij, aby wykona\u0107 operacj\u0119.");
    NewButton(bar, L"Anuluj", IDCANCEL, L"Naci\u015Bnij, aby anulowa\u0107 operacj\u0119.");
}

void HelpFindDialog::OnCommand(MessageRecord& m)
{
    UINT id = LOWORD(m.wParam);
    if (id == IDOK || id == IDCANCEL) {
        result = static_cast<int32_t>(id);
        Quit();
    }
}

bool AskFindWord(Form* owner, const String& lastWord, String& word, bool& everywhere)
{
    OwnPtr<HelpFindDialog> dialog(new (std::nothrow) HelpFindDialog);
    if (!dialog)
        throw MemoryError();
    dialog->Build(owner, lastWord);
    dialog->ShowModal(dialog->word);
    if (dialog->result != IDOK)
        return false;
    word = dialog->word->GetText();
    everywhere = dialog->everywhere->IsChecked();
    return true;
}
