#include "editor/SelectTextDialog.h"

#include "base/UiLanguage.h"
#include "text/DocumentList.h"
#include "text/TextDocument.h"

#include <memory>

int SelectTextDialog::Run(Form* owner, const DocumentList& documents, TextDocument* active, TextDocument*& chosen)
{
    chosen = nullptr;
    bool polish = IsPolishUi();
    FileListTexts texts = {
        DialogId,
        polish ? L"Wybierz spośród wczytanych - Scrivel" : L"Select loaded text - Scrivel",
        polish ? L"&Wczytane teksty:" : L"&Loaded texts:",
        ListId,
        0,  // one row at a time; the list fills the dialog rather than follow its rows
        polish ? L"Lista nazw wczytanych plików.\nKliknij, aby wybrać jeden z nich.\nGwiazdką oznaczono pliki "
                 L"zmodyfikowane."
               : L"List of loaded files.\nClick to choose one of them.\nModified files are marked by the star.",
        polish ? L"Naciśnij, aby wybrać tekst do edycji." : L"Press to select the text to edit.",
        polish ? L"Naciśnij, aby zamknąć okno bez wprowadzania zmian."
               : L"Press to close the window without making changes.",
    };
    std::unique_ptr<SelectTextDialog> dialog(
        MakeControl<SelectTextDialog>([&](SelectTextDialog& d) { d.Build(owner, texts); }));
    int activeRow = -1;
    for (int32 i = 0; i < documents.Count(); i++) {
        TextDocument* document = documents.At(i);
        if (document == active)
            activeRow = i;
        dialog->AddFileRow(document->modified ? L"*" : L"", document->GetPath(),
                           polish ? L"<bez nazwy>" : L"<no name>", i);
    }
    dialog->Place();
    if (activeRow >= 0)
        dialog->list->SelectRow(activeRow);
    dialog->ShowModal(dialog->list);
    if (dialog->result == IDOK) {
        Array<int64> rows = dialog->SelectedData();
        TextDocument* document = rows.Count() > 0 ? documents.At(rows.At(0)) : nullptr;
        if (document)
            chosen = document;
        else
            dialog->result = -1;
    }
    return dialog->result;
}
