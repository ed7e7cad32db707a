#include "editor/RecentTextsDialog.h"

#include "base/UiLanguage.h"
#include "text/DocumentList.h"

#include <memory>

int RecentTextsDialog::Run(Form* owner, const Array<String>& paths, const DocumentList& documents,
                           Array<String>& chosen)
{
    bool polish = IsPolishUi();
    FileListTexts texts = {
        DialogId,
        polish ? L"Poprzednie teksty - Scrivel" : L"Recent texts - Scrivel",
        polish ? L"&Lista poprzednich tekstów:" : L"&Recent texts:",
        ListId,
        TableBox::MultipleSelection,  // the list fills the dialog rather than follow its rows
        polish ? L"Lista nazw ostatnio zamkniętych tekstów.\nKliknij dwa razy jeden z nich lub zaznacz kilka i "
                 L"naciśnij OK.\nPlusem oznaczono teksty aktualnie wczytane."
               : L"List of recently closed texts.\nDouble-click one of them or select multiple and press OK.\nThe "
                 L"currently loaded texts are marked with a plus.",
        polish ? L"Naciśnij, aby wczytać wybrane teksty do edycji." : L"Press to load selected texts.",
        polish ? L"Naciśnij, aby zamknąć okno bez wprowadzania zmian." : L"Press to close the window without loading.",
    };
    std::unique_ptr<RecentTextsDialog> dialog(
        MakeControl<RecentTextsDialog>([&](RecentTextsDialog& d) { d.Build(owner, texts); }));
    // Empty paths get no row; each row keeps its path's index, so a row
    // always opens its own path.
    for (int64 i = 0; i < paths.Count(); i++) {
        const String& path = paths.At(i);
        if (path.IsEmpty())
            continue;
        dialog->AddFileRow(documents.FindByPath(path) ? L"+" : L"", path, L"", i);
    }
    dialog->Place();
    dialog->ShowModal(dialog->list);
    if (dialog->result == IDOK) {
        chosen.Reset();
        Array<int64> rows = dialog->SelectedData();
        for (int64 k = 0; k < rows.Count(); k++) {
            int64 index = rows.At(k);
            if (index >= 0 && index < paths.Count())
                chosen.Insert(chosen.Count(), paths.At(index));
        }
    }
    return dialog->result;
}
