// Changes of a text's content: every one goes through ReplaceRange, which
// records undo, moves the caret and broadcasts.

#include "actions/ActionBroker.h"

#include "text/CharClass.h"
#include "text/TextDocument.h"
#include "text/UndoChange.h"
#include "view/TextView.h"

#include <new>

namespace {

bool PendingIndentAtCaret(const ActionBroker& broker, const ViewState* state)
{
    return broker.autoindent && state && state->pendingIndentPos >= 0
           && state->pendingIndentPos == state->CaretPosition();
}

bool IsBreakUnit(wchar_t c)
{
    return c == 10 || c == 13 || c == 0;
}

}  // namespace

String GetTextRange(TextView* view, int64 a, int64 b)
{
    TextDocument* document = view ? view->CurrentDocument() : nullptr;
    if (!document)
        return String();
    if (a > b) {
        int64 t = a;
        a = b;
        b = t;
    }
    int64 units = CountUtf16Units(*document, a, b);
    if (units <= 0)
        return String();
    String result;
    wchar_t* out;
    try {
        out = result.Allocate(units);
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    if (!out)
        throw MemoryError();
    // A short conversion would put a wrong text in place of the range.
    if (document->text.ReadUtf16(a, out, units) != units)
        return String();
    return result;
}

String ShiftLines(const String& text, int32 direction)
{
    const wchar_t* s = text.Data();
    int64 n = text.Length();
    // Pass 0 measures, pass 1 fills.
    String result;
    wchar_t* out = nullptr;
    int64 size = 0;
    for (int pass = 0; pass < 2; pass++) {
        int64 w = 0;
        int64 i = 0;
        while (i < n) {
            int64 end = i;
            while (end < n && s[end] != 10)
                end++;
            if (end < n)
                end++;
            int64 from = i;
            if (!IsBreakUnit(s[i])) {
                if (direction > 0) {
                    if (out)
                        out[w] = L'\t';
                    w++;
                } else if (s[i] == L'\t') {
                    from = i + 1;
                } else if (end - i >= 4 && s[i] == L' ' && s[i + 1] == L' ' && s[i + 2] == L' ' && s[i + 3] == L' ') {
                    from = i + 4;
                }
            }
            if (out)
                for (int64 k = from; k < end; k++)
                    out[w + k - from] = s[k];
            w += end - from;
            i = end;
        }
        if (pass == 0) {
            size = w;
            if (size == 0)
                return String();
            out = result.Allocate(size);
        }
    }
    return result;
}

String LeadingBlanks(TextView* view, TextDocument* document)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return String();
    TextBuff& text = document->text;
    int64 caret = state->CaretPosition();
    int64 start = caret;
    while (start > 0) {
        int64 before = text.CharStart(start - 1);
        if (CharClass(text.DecodeChar(before)) & ClassLineBreak)
            break;
        start = before;
    }
    int64 end = start;
    while (end < caret) {
        u32 flags = CharClass(text.DecodeChar(end));
        if (!(flags & (ClassBlank | ClassTab)) || text.CharLength() <= 0)
            break;
        end += text.CharLength();
    }
    if (end > caret)
        end = caret;
    return end > start ? GetTextRange(view, start, end) : String();
}

void ActionBroker::ReplaceRange(TextView* view, TextDocument* document, int64 from, int64 to, const String& text,
                                int32 affinity, bool keepBookmarkLines)
{
    TextDocument::ReplaceRequest request;
    request.a = from;
    request.b = to;
    request.text = text.Data();
    request.length = text.Length();
    request.newEnd = to;
    request.becameModified = 0;
    request.firstFallback = -1;
    request.keepBookmarkLines = keepBookmarkLines ? 1 : 0;
    document->Replace(request);
    Broadcast(BroadcastTextChanged, document, view, static_cast<int64>(reinterpret_cast<intptr_t>(&request)));
    view->SetCaret(document, request.newEnd, CaretScrollIntoView, affinity);
    Broadcast(BroadcastCaretMoved, document, view);
    if (request.becameModified)
        Broadcast(BroadcastRepaint, document, view);
    if (request.firstFallback >= 0)
        StorePendingError(Error(-113, -1));
}

void ActionBroker::InsertText(TextView* view, TextDocument* document, const String& text)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    String inserted = text;
    if (PendingIndentAtCaret(*this, state) && !state->pendingIndent.IsEmpty())
        inserted.Concat(state->pendingIndent.Data(), state->pendingIndent.Length(), text.Data(), text.Length());
    ReplaceRange(view, document, state->CaretPosition(), state->AnchorPosition(), inserted, 1);
}

void ActionBroker::ReplaceSelection(TextView* view, TextDocument* document, const String& text)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    if (PendingIndentAtCaret(*this, state)) {
        InsertText(view, document, text);
        return;
    }
    int64 caret = state->CaretPosition();
    int64 anchor = state->AnchorPosition();
    document->SaveBookmarkLines(caret < anchor ? caret : anchor, caret < anchor ? anchor : caret);
    ReplaceRange(view, document, caret, anchor, text, 1, true);
    document->RestoreBookmarkLines();
}

void ActionBroker::NewLine(TextView* view, TextDocument* document)
{
    static const wchar_t kLineFeed[] = L"\n";
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    if (!autoindent) {
        InsertText(view, document, String(kLineFeed));
        return;
    }
    String indent;
    if (PendingIndentAtCaret(*this, state) && !state->pendingIndent.IsEmpty())
        indent = state->pendingIndent;
    else
        indent = LeadingBlanks(view, document);
    int64 caret = state->CaretPosition();
    bool atBreak = caret < document->text.Size() && (CharClass(document->text.DecodeChar(caret)) & ClassLineBreak);
    view->ClearPendingIndent(document, false);
    if (atBreak) {
        InsertText(view, document, String(kLineFeed));
        if (ViewState* after = view->FindViewState(document))
            view->SetPendingIndent(document, indent, after->CaretPosition());
        return;
    }
    String text;
    text.Concat(kLineFeed, 1, indent.Data(), indent.Length());
    InsertText(view, document, text);
}

void ActionBroker::DeleteChar(TextView* view, TextDocument* document)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    String indent;
    if (PendingIndentAtCaret(*this, state))
        indent = state->pendingIndent;
    int64 caret = state->CaretPosition();
    int64 next = view->NextCharPos(caret);
    if (!indent.IsEmpty())
        ReplaceRange(view, document, caret, next, indent, 2);
    else if (next != caret)
        ReplaceRange(view, document, caret, next, String(), 2);
}

void ActionBroker::Backspace(TextView* view, TextDocument* document)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    int64 caret = state->CaretPosition();
    if (PendingIndentAtCaret(*this, state) && !state->pendingIndent.IsEmpty()) {
        String shorter = state->pendingIndent.Substring(0, state->pendingIndent.Length() - 1);
        view->SetPendingIndent(document, shorter, caret);
        return;
    }
    int64 prev = view->PrevCharPos(caret);
    if (prev != caret)
        ReplaceRange(view, document, prev, caret, String(), 1);
}

void ActionBroker::IndentLines(TextView* view, TextDocument* document, int32 direction)
{
    ViewState* state = view->FindViewState(document);
    if (!state)
        return;
    TextBuff& text = document->text;
    int64 from = state->CaretPosition();
    int64 to = state->AnchorPosition();
    if (from > to) {
        int64 t = from;
        from = to;
        to = t;
    }
    int64 start = text.LineStart(text.LineOfOffset(from));
    if (to > 0) {
        int64 before = text.CharStart(to - 1);
        if (CharClass(text.DecodeChar(before)) & ClassLineBreak)
            to = before;
    }
    if (to < start)
        to = start;
    int64 end = text.LineStart(text.LineOfOffset(to) + 1);
    String old = GetTextRange(view, start, end);
    String shifted = ShiftLines(old, direction);
    if (shifted.Equals(old))
        return;
    // The lines are replaced whole: keep each bookmark on its line and column.
    document->SaveBookmarkLines(start, end);
    ReplaceRange(view, document, start, end, shifted, 0, true);
    document->RestoreBookmarkLines();
    int64 newEnd = view->FindViewState(document)->CaretPosition();
    view->SetCaret(document, start, 0, 2);
    view->SetCaret(document, newEnd, CaretScrollIntoView | CaretKeepAnchor, 1);
    Broadcast(BroadcastCaretMoved, document, view);
}

void ActionBroker::SetLineEnds(TextView* view, TextDocument* document, int32 value)
{
    UndoChange* change = document->RecordReplace(UndoChange::kLineEnds, 0, 0, L"", 0, nullptr);
    if (change) {
        change->oldConversion = document->text.LineEndConversion();
        change->oldNewLine = document->text.NewLineKind();
        change->newConversion = value;
        change->newNewLine = value;
    }
    document->text.SetNewLineKind(value);
    document->text.SetLineEndConversion(value);
    document->modified = 1;
    document->autosaveWanted = 1;
    Broadcast(BroadcastTextChanged, document, view);
    Broadcast(BroadcastLineEndsChanged, document, view);
    Broadcast(BroadcastRepaint, document, view);
}

void ActionBroker::SetAllLineEnds(TextView* view, int32 value)
{
    for (int32 i = 0; i < documents.Count(); i++)
        if (TextDocument* document = documents.At(i))
            SetLineEnds(view, document, value);
}
