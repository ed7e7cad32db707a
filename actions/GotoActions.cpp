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
    int64 depth = 0;
    int64 found = -1;
    if (direction > 0) {
        int64 limit = bracketEnd + kBracketWindow < text.Size() ? bracketEnd + kBracketWindow : text.Size();
        for (int64 p = bracketEnd; p < limit;) {
            int32 code = text.DecodeChar(p);
            int32 length = text.CharLength();
            if (code == partner) {
                if (depth == 0) {
                    found = p;
                    break;
                }
                depth--;
            } else if (code == bracket) {
                depth++;
            }
            p += length > 0 ? length : 1;
        }
    } else {
        int64 lower = bracketStart - kBracketWindow;
        for (int64 p = bracketStart > 0 ? text.CharStart(bracketStart - 1) : -1; p >= 0 && p >= lower;) {
            int32 code = text.DecodeChar(p);
            if (code == partner) {
                if (depth == 0) {
                    found = p;
                    break;
                }
                depth--;
            } else if (code == bracket) {
                depth++;
            }
            p = p > 0 ? text.CharStart(p - 1) : -1;
        }
    }
    if (found < 0)
        return false;
    text.DecodeChar(found);
    Array<int64> list;
    list.Reset();
    for (int64 value : {bracketStart, bracketEnd, found, found + text.CharLength()})
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
