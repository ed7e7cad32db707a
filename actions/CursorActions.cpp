#include "actions/ActionBroker.h"

#include "text/TextDocument.h"
#include "view/TextView.h"

namespace {

// A shown auto-indent waits at the caret: Left, Ctrl+Left and Home work on
// it before they move anything.
bool PendingIndentAtCaret(const ViewState& state)
{
    return state.pendingIndentPos == state.CaretPosition() && !state.pendingIndent.IsEmpty();
}

}  // namespace

void ActionBroker::MoveCaret(TextView* view, int32 code)
{
    ViewState& state = *view->currentState;
    TextDocument* document = view->CurrentDocument();
    // The odd code of each pair keeps the anchor.
    u32 extend = (code <= ActionPageDownExtend && (code & 1)) ? u32(CaretKeepAnchor) : 0u;
    int64 caret = state.CaretPosition();
    int64 size = document->text.Size();
    switch (code) {
    case ActionCharRight:
    case ActionCharRightExtend:
        view->MoveCharRight(extend);
        break;
    case ActionCharLeft:
    case ActionCharLeftExtend:
        if (PendingIndentAtCaret(state)) {
            String shorter = state.pendingIndent.Substring(0, state.pendingIndent.Length() - 1);
            view->SetPendingIndent(document, shorter, state.pendingIndentPos);
        } else {
            view->SetCaret(document, view->PrevCharPos(caret), CaretScrollIntoView | extend, 2);
        }
        break;
    case ActionWordRight:
    case ActionWordRightExtend:
        view->MoveWordRight(extend);
        break;
    case ActionWordLeft:
    case ActionWordLeftExtend:
        if (PendingIndentAtCaret(state))
            view->ClearPendingIndent(document, true);
        else
            view->SetCaret(document, view->WordStart(view->PrevCharPos(caret)), CaretScrollIntoView | extend, 2);
        break;
    case ActionCollapseToStart:
        view->CollapseToSelectionStart();
        break;
    case ActionCollapseToEnd:
        view->CollapseToSelectionEnd();
        break;
    case ActionLineStart:
    case ActionLineStartExtend:
        if (PendingIndentAtCaret(state))
            view->ClearPendingIndent(document, true);
        else
            view->MoveToLineStart(extend);
        break;
    case ActionSmartHome:
    case ActionSmartHomeExtend:
        if (PendingIndentAtCaret(state))
            view->ClearPendingIndent(document, true);
        else
            view->SetCaret(document, view->SmartHomePos(caret), CaretScrollIntoView | extend, 2);
        break;
    case ActionLineEnd:
    case ActionLineEndExtend:
        view->MoveToLineEnd(extend);
        break;
    case ActionTextStart:
    case ActionTextStartExtend:
        view->SetCaret(document, 0, CaretScrollIntoView | extend, 2);
        break;
    case ActionTextEnd:
    case ActionTextEndExtend:
        // Affinity 1: a text ending in a soft-wrapped row shows the caret at
        // that row's end, not on an empty row below.
        view->SetCaret(document, size, CaretScrollIntoView | extend, 1);
        break;
    case ActionLineUp:
    case ActionLineUpExtend:
        view->MoveLineUp(extend);
        break;
    case ActionLineDown:
    case ActionLineDownExtend:
        view->MoveLineDown(extend);
        break;
    case ActionPageUp:
    case ActionPageUpExtend:
        view->MovePageUp(extend);
        break;
    case ActionPageDown:
    case ActionPageDownExtend:
        view->MovePageDown(extend);
        break;
    case ActionSelectWord:
        view->SetCaret(document, view->WordStartAround(caret), CaretScrollIntoView, 2);
        view->SetCaret(document, view->WordEnd(state.CaretPosition()), CaretScrollIntoView | CaretKeepAnchor, 1);
        break;
    case ActionSelectLine:
        view->MoveToLineStart(0);
        view->SetCaret(document, view->LineEndPos(state.CaretPosition()), CaretScrollIntoView | CaretKeepAnchor, 1);
        break;
    case ActionSelectAll:
        view->SetCaret(document, 0, CaretScrollIntoView, 2);
        view->SetCaret(document, size, CaretScrollIntoView | CaretKeepAnchor, 1);
        break;
    default:
        return;
    }
    Broadcast(BroadcastCaretMoved, document, view);
}

void ActionBroker::ScrollView(TextView* view, int32 code)
{
    switch (code) {
    case ActionScrollLineUp:
        view->ScrollLinesUp(1);
        break;
    case ActionScrollLineDown:
        view->ScrollLinesDown(1);
        break;
    case ActionScrollLeft:
        view->ScrollLeftStep();
        break;
    case ActionScrollRight:
        view->ScrollRightSteps(1);
        break;
    case ActionScrollPageUp:
        view->ScrollPageUp();
        break;
    case ActionScrollPageDown:
        view->ScrollPageDown();
        break;
    case ActionScrollPageLeft:
        view->ScrollPageLeft();
        break;
    case ActionScrollPageRight:
        view->ScrollPageRight();
        break;
    default:
        break;
    }
}

void ActionBroker::ClearSelection(TextView* view)
{
    view->CancelSelection(view->CurrentDocument());
}
