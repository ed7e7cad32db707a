#include "actions/ActionBroker.h"

#include "text/TextDocument.h"
#include "view/TextView.h"

void ActionBroker::SelectLoadedText(TextView* view)
{
    if (!selectTextDialog)
        throw InternalError();
    TextDocument* chosen = nullptr;
    if (selectTextDialog(ViewForm(view), documents, view->CurrentDocument(), chosen) == 1 && chosen)
        ActivateText(view, chosen);
}

void ActionBroker::RecentTexts(ActionRecord& record)
{
    CheckTextLimit();
    if (!recentTextsDialog)
        throw InternalError();
    Array<String> paths;
    paths.Reset();
    for (int64 i = recentFiles.Count() - 1; i >= 0; i--)
        paths.Insert(paths.Count(), recentFiles.StringAt(i));
    Array<String> chosen;
    chosen.Reset();
    if (recentTextsDialog(ViewForm(record.view), paths, documents, chosen) != 1 || chosen.Count() == 0)
        return;
    String last = chosen.At(chosen.Count() - 1);
    OpenFileList(record, chosen, false);
    if (record.view)
        ActivateText(record.view, documents.FindByPath(last));
}
