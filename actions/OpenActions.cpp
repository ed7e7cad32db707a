#include "actions/ActionBroker.h"

#include "base/Error.h"
#include "text/TextDocument.h"

void ActionBroker::NewText(ActionRecord& record)
{
    CheckTextLimit();
    String path = record.text;
    String location = record.text2;
    if (!path.IsEmpty() && documents.FindByPath(path))
        throw InternalError();
    if (location.IsEmpty() && !path.IsEmpty())
        location = path;
    if (location.IsEmpty() && record.document)
        location = record.document->GetLocation();
    TextDocument* text = documents.NewDocument(record.document);
    try {
        text->SetPath(path);
        text->SetLocation(location);
        Broadcast(BroadcastDocumentAdded, text, record.view);
        Broadcast(BroadcastCurrentChanged, text, record.view);
    } catch (...) {
        // The half-made text goes again, whatever stopped it; the failure
        // itself is what the caller reports.
        try {
            Broadcast(BroadcastDocumentRemoved, text, record.view);
        } catch (...) {
        }
        documents.Remove(text);
        throw;
    }
}
