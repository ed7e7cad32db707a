#include "editor/SyntaxDialog.h"

#include "base/UiLanguage.h"
#include "editor/DialogColumn.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "text/SyntaxId.h"

#include <memory>

namespace {

// The lexers offered in the list: ids 0 to 6; the in-house languages are
// chosen by their files' endings only.
constexpr SyntaxId kLastListed = kSyntaxPhp;

}  // namespace

int32 SyntaxDialog::Run(Form* owner, int32& syntax)
{
    std::unique_ptr<SyntaxDialog> dialog(MakeControl<SyntaxDialog>([&](SyntaxDialog& d) {
        d.result = -1;
        d.Create(owner, 0, 21000, UiText(L"Wybierz sposób kolorowania - Scrivel", L"Select syntax coloring - Scrivel"));
        ElasticGroup* column = NewDialogColumn(d);
        NewLabel(column, UiText(L"&Dostępne sposoby kolorowania:", L"&Available syntax lexers:"));
        d.list = NewListBox(column, ListSorted | ListFitItems, ListId,
                            UiText(L"Wybierz sposób kolorowania z tej listy.", L"Select syntax lexer from this list."));
        d.list->minRows = kLastListed + 1;
        for (SyntaxId id = kSyntaxNone; id <= kLastListed; id++) {
            LRESULT index = d.list->SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SyntaxDisplayName(id)));
            if (index == LB_ERR || index == LB_ERRSPACE)
                throw MemoryError();
            d.list->SendMsg(LB_SETITEMDATA, static_cast<WPARAM>(index), id);
        }
        ButtonsBar* buttons = NewButtonsBar(column);
        NewButton(buttons, UiText(L"Zmień kolorowanie", L"Change syntax coloring"), IDOK,
                  UiText(L"Naciśnij, aby wykonać operację.", L"Press to select current syntax lexer."));
        NewButton(buttons, UiText(L"Anuluj", L"Cancel"), IDCANCEL,
                  UiText(L"Naciśnij, aby anulować operację.", L"Press to close the window."));
    }));
    dialog->Place();
    LRESULT count = dialog->list->SendMsg(LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++)
        if (dialog->list->SendMsg(LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == syntax)
            dialog->list->SendMsg(LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    dialog->ShowModal(dialog->list);
    int32 result = dialog->result;
    if (result == IDOK) {
        LRESULT selected = dialog->list->SendMsg(LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            syntax = AsInt(static_cast<int64>(dialog->list->SendMsg(LB_GETITEMDATA, static_cast<WPARAM>(selected), 0)));
    }
    return result;
}

void SyntaxDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
    } else if (command == ListId && HIWORD(m.wParam) == LBN_DBLCLK) {
        result = IDOK;
        Quit();
    }
}

void SyntaxDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}
