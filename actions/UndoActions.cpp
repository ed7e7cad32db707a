#include "actions/ActionBroker.h"

#include "base/UiLanguage.h"
#include "gui/Clipboard.h"
#include "gui/Form.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

namespace {

// Undo, redo and the clipboard are their own error boundaries, with the
// broker's outcomes and titles.
template <class Body>
void RunOwnBoundary(ActionRecord& record, Body body)
{
    try {
        body();
    } catch (...) {
        RecordFailure(record);
    }
}

GuiBase& ClipboardWindow(TextView* view)
{
    Form* form = ViewForm(view);
    if (!form)
        throw InternalError();
    return *form;
}

}  // namespace

String GetSelectedText(TextView* view)
{
    ViewState* state = view->currentState;
    int64 caret = state ? state->CaretPosition() : 0;
    int64 anchor = state ? state->AnchorPosition() : 0;
    if (caret == anchor)
        return String();
    return GetTextRange(view, caret, anchor);
}

void ActionBroker::UndoOrRedo(ActionRecord& record, bool redo)
{
    TextView* view = record.view;
    TextDocument* document = record.document;
    TextDocument& d = *document;
    if (redo ? d.undoPosition >= d.undoLength : d.undoPosition < 1) {
        record.outcome = OutcomeNothingToDo;
        ShowPopupInView(view, redo ? UiText(L"Nie ma co ponowić.", L"Nothing to redo.")
                                   : UiText(L"Nie ma co cofnąć.", L"Nothing to undo."));
        return;
    }
    int32 tag = redo ? d.RedoGroupTag() : d.UndoGroupTag();
    TextDocument::UndoResult result = {};
    bool changed = false;
    try {
        do {
            if (redo)
                d.Redo(result);
            else
                d.Undo(result);
            changed = true;
            if (result.modifiedChanged)
                Broadcast(BroadcastRepaint, document, view);
        } while ((redo ? d.RedoGroupTag() : d.UndoGroupTag()) == tag);
    } catch (...) {
        // The steps taken stay taken: the views must follow the text as it
        // now is before the alert says what stopped the rest.
        if (changed) {
            try {
                Broadcast(BroadcastTextChanged, document, view);
            } catch (...) {
            }
        }
        throw;
    }
    view->SetCaret(document, result.newEnd, CaretScrollIntoView | 8, 1);
    Broadcast(BroadcastTextChanged, document, view);
    Broadcast(BroadcastCaretMoved, document, view);
}

void ActionBroker::Undo(ActionRecord& record)
{
    RunOwnBoundary(record, [&] { UndoOrRedo(record, false); });
}

void ActionBroker::Redo(ActionRecord& record)
{
    RunOwnBoundary(record, [&] { UndoOrRedo(record, true); });
}

bool ActionBroker::CopySelection(ActionRecord& record, const wchar_t* nothingSelected, const wchar_t* title)
{
    String text = GetSelectedText(record.view);
    if (text.IsEmpty()) {
        record.outcome = OutcomeNothingToDo;
        AskOnView(record.view, nothingSelected, title, L"+OK", 1);
        return false;
    }
    lastCopied = text;
    if (record.code == ActionCopyHtml)
        Clipboard::SetTextAndHtml(ClipboardWindow(record.view), text.CStr(), text.Length());
    else
        Clipboard::SetText(ClipboardWindow(record.view), text.CStr(), text.Length());
    return true;
}

void ActionBroker::Copy(ActionRecord& record)
{
    RunOwnBoundary(record, [&] {
        CopySelection(record, UiText(L"Najpierw zaznacz, co należy skopiować.", L"Nothing selected."),
                      UiText(L"Kopiuj - Scrivel", L"Copy - Scrivel"));
    });
}

void ActionBroker::Cut(ActionRecord& record)
{
    RunOwnBoundary(record, [&] {
        // The English title keeps its full stop.
        if (CopySelection(record, UiText(L"Najpierw zaznacz, co należy wyciąć.", L"Nothing selected."),
                          UiText(L"Wytnij - Scrivel", L"Cut - Scrivel.")))
            InsertText(record.view, record.document, String());
    });
}

void ActionBroker::Paste(ActionRecord& record)
{
    RunOwnBoundary(record, [&] {
        GuiBase& window = ClipboardWindow(record.view);
        String text;
        // What the editor put there itself is pasted as it was copied, also
        // when the HTML form is asked for.
        if (GetClipboardOwner() == window.GetHwnd())
            text = lastCopied;
        else if (record.code == ActionPasteHtml)
            text = Clipboard::GetHtml(window);
        else
            text = Clipboard::GetText(window);
        if (text.IsEmpty()) {
            record.outcome = OutcomeNothingToDo;
            AskOnView(record.view, UiText(L"W schowku nie ma tekstu.", L"The clipboard does not contain any text."),
                      UiText(L"Wstaw - Scrivel", L"Paste - Scrivel"), L"+OK", 1);
            return;
        }
        lastCopied = text;
        InsertText(record.view, record.document, text);
    });
}
