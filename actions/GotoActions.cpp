#include "actions/ActionBroker.h"

#include "text/TextDocument.h"
#include "view/TextView.h"

void ActionBroker::GoToPosition(TextView* view, TextDocument* document, int64 line, int64 column)
{
    int64 position = document->text.LineColumnToOffset(line, column);
    view->SetCaret(document, position, CaretScrollIntoView, 0);
    Broadcast(BroadcastCaretMoved, document, view);
}

void ActionBroker::GoToLine(TextView* view, TextDocument* document, bool focusColumn)
{
    if (!lineColumnDialog)
        throw InternalError();
    int64 line = 0;
    int64 column = 0;
    if (ViewState* state = view->FindViewState(document)) {
        LineColumn at = document->text.LineColumnOfOffset(state->CaretPosition());
        line = at.line;
        column = at.column;
    }
    line++;
    column++;
    if (lineColumnDialog(ViewForm(view), line, column, focusColumn) == 1)
        GoToPosition(view, document, line - 1, column - 1);
}

namespace {

int32 PartnerOf(int32 code, int32& direction)
{
    switch (code) {
    case '(': direction = 1; return ')';
    case '[': direction = 1; return ']';
    case '{': direction = 1; return '}';
    case ')': direction = -1; return '(';
    case ']': direction = -1; return '[';
    case '}': direction = -1; return '{';
    default: direction = 0; return 0;
    }
}

}  // namespace

bool FindMatchingBracket(TextView* view, TextDocument* document, int64 bracketStart, int64 bracketEnd, int32 bracket,
                         int32 partner, int32 direction)
{
    TextBuff& text = document->text;
    // Forward from the bracket's end up to the window's end; backward from
    // the character before it down to the window's start.
    int64 p, stop;
    if (direction > 0) {
        p = bracketEnd;
        stop = bracketEnd + kBracketWindow < text.Size() ? bracketEnd + kBracketWindow : text.Size();
    } else {
        p = bracketStart > 0 ? text.CharStart(bracketStart - 1) : -1;
        stop = bracketStart - kBracketWindow;
    }
    int64 depth = 0;
    while (direction > 0 ? p < stop : p >= 0 && p >= stop) {
        int32 code = text.DecodeChar(p);
        int32 length = text.CharLength();
        if (code == partner) {
            if (depth == 0)
                break;
            depth--;
        } else if (code == bracket) {
            depth++;
        }
        if (direction > 0)
            p += length > 0 ? length : 1;
        else
            p = p > 0 ? text.CharStart(p - 1) : -1;
    }
    if (direction > 0 ? p >= stop : p < 0 || p < stop)
        return false;
    text.DecodeChar(p);
    Array<int64> list;
    list.Reset();
    for (int64 value : {bracketStart, bracketEnd, p, p + text.CharLength()})
        list.Insert(list.Count(), value);
    view->SetBracketHighlights(document, list);
    return true;
}

bool ShowMatchingBracket(TextView* view, TextDocument* document)
{
    ViewState* state = view->FindViewState(document);
    int64 position = state ? state->CaretPosition() : 0;
    TextBuff& text = document->text;
    int32 code = text.DecodeChar(position);
    int64 end = position + text.CharLength();
    int32 direction;
    int32 partner = PartnerOf(code, direction);
    if (direction == 0)
        return false;
    return FindMatchingBracket(view, document, position, end, code, partner, direction);
}
