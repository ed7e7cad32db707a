// Keys and characters of the active view, turned into actions and run at once.

#include "actions/ActionBroker.h"

#include "base/CharUtils.h"
#include "text/CharClass.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <windows.h>

namespace {

bool Held(int key)
{
    return GetKeyState(key) < 0;
}

// Codes of PageUp (33) to Down (40) by modifiers: none, Shift, Ctrl, Ctrl+Shift.
const int32 kNavigation[8][4] = {
    {ActionPageUp, ActionPageUpExtend, ActionScrollPageUp, ActionScrollPageLeft},
    {ActionPageDown, ActionPageDownExtend, ActionScrollPageDown, ActionScrollPageRight},
    {ActionLineEnd, ActionLineEndExtend, ActionTextEnd, ActionTextEndExtend},
    {ActionSmartHome, ActionSmartHomeExtend, ActionTextStart, ActionTextStartExtend},
    {ActionCharLeft, ActionCharLeftExtend, ActionWordLeft, ActionWordLeftExtend},
    {ActionLineUp, ActionLineUpExtend, ActionScrollLineUp, ActionScrollLeft},
    {ActionCharRight, ActionCharRightExtend, ActionWordRight, ActionWordRightExtend},
    {ActionLineDown, ActionLineDownExtend, ActionScrollLineDown, ActionScrollRight},
};

}  // namespace

int32 KeyDownActionCode(int32 key, bool ctrl, bool shift, bool selection)
{
    if (key == VK_INSERT)
        return ActionToggleOverwrite;
    if (key == VK_DELETE)
        return selection ? ActionDeleteSelection : ActionDeleteChar;
    if (key < VK_PRIOR || key > VK_DOWN)
        return -1;
    // A selection collapses before any move, with or without Ctrl.
    if (selection && !shift && key == VK_LEFT)
        return ActionCollapseToStart;
    if (selection && !shift && key == VK_RIGHT)
        return ActionCollapseToEnd;
    return kNavigation[key - VK_PRIOR][(shift ? 1 : 0) + (ctrl ? 2 : 0)];
}

bool SelectionCoversLines(TextView* view)
{
    ViewState* state = view->currentState;
    TextDocument* document = view->CurrentDocument();
    if (!state || !document)
        return false;
    int64 from = state->CaretPosition();
    int64 to = state->AnchorPosition();
    if (from == to)
        return false;
    if (from > to) {
        int64 t = from;
        from = to;
        to = t;
    }
    TextBuff& text = document->text;
    for (int64 p = from; p < to;) {
        if (CharClass(text.DecodeChar(p)) & ClassLineBreak)
            return true;
        int32 length = text.CharLength();
        p += length > 0 ? length : 1;
    }
    bool atLineStart = from == 0 || (CharClass(text.DecodeChar(text.CharStart(from - 1))) & ClassLineBreak);
    return atLineStart && (CharClass(text.DecodeChar(to)) & (ClassLineBreak | ClassEndOfText));
}

void RunKeyDown(ActionBroker& broker, int32 key, TextView* view)
{
    int32 code = KeyDownActionCode(key, Held(VK_CONTROL), Held(VK_SHIFT), view->HasSelection());
    if (code >= 0)
        PostAction(broker, code, view);
}

void RunChar(ActionBroker& broker, wchar_t unit, TextView* view)
{
    bool shift = Held(VK_SHIFT);
    bool selection = view->HasSelection();
    int32 code = -1;
    switch (unit) {
    case 1:
        code = ActionSelectAll;
        break;
    case 3:
        code = shift ? ActionCopyHtml : ActionCopy;
        break;
    case 8:
        code = selection ? ActionDeleteSelection : ActionBackspace;
        break;
    case 13:
        code = ActionNewLine;
        break;
    case 22:
        code = shift ? ActionPasteHtml : ActionPaste;
        break;
    case 24:
        code = ActionCut;
        break;
    case 27:
        code = ActionClearSelection;
        break;
    case 9:
        if (SelectionCoversLines(view))
            code = shift ? ActionDeindent : ActionIndent;
        break;
    default:
        break;
    }
    if (code >= 0) {
        PostAction(broker, code, view);
        return;
    }
    // Control characters, and DEL (Ctrl+Backspace), type nothing.
    if (unit != 9 && (unit < 32 || unit == 127))
        return;

    if (!broker.pendingHighSurrogate && IsHighSurrogate(unit)) {
        broker.pendingHighSurrogate = unit;
        return;
    }
    String text;
    if (broker.pendingHighSurrogate) {
        wchar_t pair[2] = {static_cast<wchar_t>(broker.pendingHighSurrogate), unit};
        text.Assign(pair, 2);
        broker.pendingHighSurrogate = 0;
    } else {
        text.Assign(&unit, 1);
    }

    ActionRecord record;
    ViewState* state = view->currentState;
    TextDocument* document = view->CurrentDocument();
    if (state && document && state->overwrite && !selection) {
        int64 caret = state->CaretPosition();
        int32 c = document->text.DecodeChar(caret);
        if (c >= 1 && c != 13 && c != 10) {
            record.InitReplaceRange(view, caret, view->NextCharPos(caret), text);
            ExecuteActionCopy(broker, record);
            return;
        }
    }
    record.InitWithText(ActionInsertText, view, text);
    ExecuteActionCopy(broker, record);
}
