// Saving a text to its own file.

#include "actions/ActionBroker.h"

#include "actions/ProgressNotify.h"
#include "base/AppContext.h"
#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

void ActionBroker::Save(TextView* view, TextDocument* document)
{
    String path = document->GetPath();
    if (path.IsEmpty())
        SaveTextAs(view, document);
    else
        SaveTextTo(view, document, path, true, false);
}

void ActionBroker::SaveTextTo(TextView* view, TextDocument* document, const String& name, bool markSaved,
                              bool adoptName)
{
    u8 modifiedBefore = document->modified;
    WriteTextRange(view, document, name, 0, document->text.Size(), name, markSaved, adoptName);
    if (markSaved) {
        Broadcast(BroadcastSaved, document, view);
        Broadcast(BroadcastPathChanged, document, view);
        if (document->modified != modifiedBefore)
            Broadcast(BroadcastRepaint, document, view);
    }
}

void ActionBroker::WriteTextRange(TextView* view, TextDocument* document, const String& name, int64 from, int64 to,
                                  const String& shownName, bool markSaved, bool adoptName)
{
    // InternalError without the thread's application object.
    bool backup = AppContext::Settings().GetBool(L"BackupFiles", true);
    bool polish = IsPolishUi();
    ProgressNotify notify(ViewProgressDialog(view), polish ? L"Zapisywanie tekstu - Scrivel" : L"Text saving - Scrivel",
                          polish ? L"Zapisuję tekst" : L"Saving", shownName.CStr());
    document->SaveFile(name, from, to, &notify, backup, markSaved, adoptName);
}
