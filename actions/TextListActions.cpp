// Actions on the list of open texts: switching, moving, and the offer to
// reload texts whose files another program changed.

#include "actions/ActionBroker.h"

#include "base/File.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

void ActionBroker::ActivateText(TextView* view, TextDocument* document)
{
    if (document && (!view || view->CurrentDocument() != document))
        Broadcast(BroadcastCurrentChanged, document, view);
}

void ActionBroker::NextText(TextView* view)
{
    int64 i = documents.IndexOf(view->CurrentDocument()) + 1;
    if (i >= documents.Count())
        i = 0;
    ActivateText(view, documents.At(i));
    view->SetFocus();
}

void ActionBroker::PreviousText(TextView* view)
{
    int64 i = documents.IndexOf(view->CurrentDocument()) - 1;
    if (i < 0)
        i = documents.Count() - 1;
    ActivateText(view, documents.At(i));
    view->SetFocus();
}

void ActionBroker::MoveTextBy(TextView* view, TextDocument* document, int32 step)
{
    int64 index = documents.IndexOf(document);
    if (index < 0)
        return;
    index += step;
    if (index >= 0 && index < documents.Count()) {
        documents.Move(document, index);
        Broadcast(BroadcastDocumentMoved, document, view);
    }
}

void ActionBroker::MoveTextTo(TextView* view, TextDocument* document, int64 target)
{
    int32 index = AsInt(target);
    if (documents.IndexOf(document) < 0 || index < 0 || index >= documents.Count())
        return;
    documents.Move(document, index);
    Broadcast(BroadcastDocumentMoved, document, view);
}

namespace {

// The file's last-write time; 0 when it cannot be read (gone, locked).
u64 FileTimeOnDisk(const String& path)
{
    try {
        File file;
        file.Open(path, kFileRead, 0);
        u64 time = FileTimeValue(file.LastWriteTime());
        file.Close();
        return time;
    } catch (...) {
        return 0;
    }
}

struct CheckGuard {
    bool& flag;
    explicit CheckGuard(bool& f) : flag(f) { flag = true; }
    ~CheckGuard() { flag = false; }
};

}  // namespace

void ActionBroker::CheckChangedOnDisk(TextView* view)
{
    if (checkingDisk)
        return;
    CheckGuard guard(checkingDisk);
    bool polish = IsPolishUi();
    const wchar_t* title = polish ? L"Wczytywanie tekstu - Scrivel" : L"Text loading - Scrivel";
    for (int32 i = 0; i < documents.Count(); i++) {
        TextDocument* document = documents.At(i);
        if (!document || document->GetPath().IsEmpty() || document->fileTime == 0)
            continue;
        String path = document->GetPath();
        u64 onDisk = FileTimeOnDisk(path);
        TextDocument* before = view->CurrentDocument();
        // An older time (a file copied back) is no change.
        if (onDisk <= document->fileTime)
            continue;
        try {
            ActivateText(view, document);
            String message = StrFormat(
                polish ? L"Tekst o nazwie\n[]\nzostał zmodyfikowany przez inny program.\n\nCzy mam go wczytać ponownie "
                         L"tracąc wprowadzone zmiany?"
                       : L"The text\n[]\nhas been modified by another program. Should I reload it again losing any "
                         L"changes?",
                path);
            int32 answer = AskOnView(view, message.CStr(), title,
                                     polish ? L"+Wczytaj ponownie|-Pozostaw" : L"+Reload|-Cancel", 0);
            if (answer == 0) {
                ActionRecord reload;
                reload.InitPlain(ActionReloadText, view);
                reload.document = document;
                ExecuteAction(*this, reload);
            } else {
                // Not asked again until the file changes once more.
                document->fileTime = onDisk;
            }
        } catch (...) {
            Error error = CurrentError();
            if (error.code != Abort().code)
                ShowAlertOnView(view, title, error);
        }
        if (before && view->CurrentDocument() != before && documents.IndexOf(before) >= 0)
            Broadcast(BroadcastCurrentChanged, before, view);
    }
}
