#include "actions/ActionBroker.h"

#include "text/TextDocument.h"
#include "view/TextView.h"

int64 CommonPrefixLength(const String& a, const String& b)
{
    const wchar_t* x = a.CStr();
    const wchar_t* y = b.CStr();
    int64 n = a.Length(), m = b.Length();
    int64 i = 0;
    // A surrogate pair counts as one code point: a prefix never ends between
    // its halves.
    auto unitsAt = [](const wchar_t* s, int64 length, int64 at) -> int64 {
        if (at + 1 < length && s[at] >= 0xD800 && s[at] <= 0xDBFF && s[at + 1] >= 0xDC00 && s[at + 1] <= 0xDFFF)
            return 2;
        return 1;
    };
    while (i < n && i < m) {
        int64 units = unitsAt(x, n, i);
        if (units != unitsAt(y, m, i) || x[i] != y[i] || (units == 2 && x[i + 1] != y[i + 1]))
            break;
        i += units;
    }
    return i;
}

TextDocument* ActionBroker::ChooseSuccessorText(TextDocument* document)
{
    if (!document)
        return nullptr;
    int64 i = documents.IndexOf(document);
    if (i < 0)
        return nullptr;
    TextDocument* previous = i - 1 >= 0 ? documents.At(i - 1) : nullptr;
    TextDocument* next = i + 1 < documents.Count() ? documents.At(i + 1) : nullptr;
    String location = document->GetLocation();
    int64 a = CommonPrefixLength(location, previous ? previous->GetLocation() : String());
    int64 b = CommonPrefixLength(location, next ? next->GetLocation() : String());
    if (next && b >= a)
        return next;
    return previous;
}

void ActionBroker::SwitchViewsAwayFrom(TextDocument* document)
{
    TextDocument* successor = ChooseSuccessorText(document);
    for (int64 i = 0; i < views.Count(); i++) {
        TextView* view = views.At(i);
        if (view->CurrentDocument() != document)
            continue;
        BroadcastRecord record{BroadcastCurrentChanged, successor, view, 0};
        view->OnDocumentEvent(record, record.kind);
    }
}

void ActionBroker::CloseText(ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* document = record.document;
    // Kept before the question, so a cancelled close still remembers it;
    // a text never saved has no name worth a row in the list.
    String path = document->GetPath();
    if (!path.IsEmpty())
        recentFiles.Add(path, 0);
    AskSaveStep(view, document, view->CurrentDocument());
    RemoveText(view, document);
}

void ActionBroker::RemoveText(TextView* view, TextDocument* document)
{
    SwitchViewsAwayFrom(document);
    Broadcast(BroadcastCurrentChanged, view->CurrentDocument(), view);
    Broadcast(BroadcastDocumentRemoved, document, view);
    if (documents.IndexOf(document) >= 0)
        documents.Remove(document);
}

void ActionBroker::CloseAll(ActionRecord& record)
{
    AskSaveEach(record.view, record.view->CurrentDocument());
    while (documents.Count() > 0) {
        TextDocument* first = documents.At(0);
        // Answered already: no second question, and no autosave left behind.
        first->modified = 0;
        first->DiscardAutosave();
        ActionRecord close;
        close.InitPlain(ActionCloseText, record.view);
        close.document = first;
        CloseText(close);
    }
}
