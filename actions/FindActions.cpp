// Find actions: forward and backward searches in windows of the encoded
// bytes, the variants behind F3 and the find bar, and their failure notes.

#include "actions/FindActions.h"

#include "actions/ActionBroker.h"
#include "actions/ProgressNotify.h"
#include "base/UiLanguage.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

SearchPattern::SearchPattern(const String& phrase, int32 searchMode) : mode(searchMode)
{
    AppendCodePoints(codes, phrase.Data(), phrase.Length());
    if (mode & FindRegularExpression) {
        regex.Compile(codes.Data(), AsInt(codes.Count()), (mode & FindIgnoreCase) != 0);
        return;
    }
    if (mode & FindIgnoreCase)
        for (int64 i = 0; i < codes.Count(); i++)
            codes.At(i) = static_cast<u32>(FoldSearchCode(static_cast<int32>(codes.At(i))));
}

bool IsWholeWord(TextView* view, int64 start, int64 end)
{
    return end > start && view->WordStart(start) == start && view->WordEnd(start) == end;
}

namespace {

// The pattern's next match from pos within one window: its start (negative
// when none) and where the call stopped.
int64 FindOnceForward(TextDocument& document, SearchPattern& pattern, int64 pos, int64& stop)
{
    if (pattern.mode & FindRegularExpression)
        return pattern.regex.FindForward(document, pos, stop, kSearchWindow);
    TextBuff& text = document.text;
    const u32* codes = pattern.codes.Data();
    int64 m = pattern.codes.Count();
    if (pattern.mode & FindIgnoreCase)
        return text.FindForwardNoCase(pos, stop, codes, m, kSearchWindow);
    return text.FindForward(pos, stop, codes, m, kSearchWindow);
}

int64 FindOnceBackward(TextDocument& document, SearchPattern& pattern, int64 pos, bool before, int64& stop)
{
    TextBuff& text = document.text;
    const u32* codes = pattern.codes.Data();
    int64 m = pattern.codes.Count();
    bool fold = (pattern.mode & FindIgnoreCase) != 0;
    if (pattern.mode & FindRegularExpression)
        return before ? pattern.regex.FindBackwardBefore(document, pos, stop)
                      : pattern.regex.FindBackward(document, pos, stop, kSearchWindow);
    if (before)
        return fold ? text.FindBackwardBeforeNoCase(pos, stop, codes, m) : text.FindBackwardBefore(pos, stop, codes, m);
    return fold ? text.FindBackwardNoCase(pos, stop, codes, m, kSearchWindow)
                : text.FindBackward(pos, stop, codes, m, kSearchWindow);
}

// A window of the literal search holds only matches whose last character
// starts inside it: the next window starts early enough to meet a match
// across the edge, but after pos.
int64 OverlapBack(TextBuff& text, const SearchPattern& pattern, int64 pos, int64 stop)
{
    int64 back = stop;
    for (int64 k = 1; k < pattern.codes.Count() && back > pos; k++)
        back = text.PreviousChar(back);
    return back > pos ? back : stop;
}

// The same for a backward search of matches that end at or before a
// position: the next one may end up to m - 1 characters past the window.
int64 OverlapForward(TextBuff& text, const SearchPattern& pattern, int64 reached, int64 pos)
{
    int64 ahead = reached;
    for (int64 k = 1; k < pattern.codes.Count() && ahead < pos; k++)
        ahead = text.NextChar(ahead);
    return ahead < pos ? ahead : reached;
}

// The view's text with upper clamped to its size; null when there is
// nothing to search.
TextDocument* SearchedText(TextView* view, int64 lower, int64& upper)
{
    TextDocument* document = view->CurrentDocument();
    if (!document || upper < lower)
        return nullptr;
    if (upper > document->text.Size())
        upper = document->text.Size();
    return document;
}

bool Acceptable(TextView* view, const SearchPattern& pattern, int64 start, int64 end)
{
    return !(pattern.mode & FindWholeWords) || IsWholeWord(view, start, end);
}

}  // namespace

FoundRange SearchForward(TextView* view, SearchPattern& pattern, int64 lower, int64 upper, TextNotify* notify)
{
    FoundRange found;
    TextDocument* document = SearchedText(view, lower, upper);
    if (!document)
        return found;
    TextBuff& text = document->text;
    int64 pos = lower;
    for (;;) {
        int64 stop = pos;
        int64 start = FindOnceForward(*document, pattern, pos, stop);
        if (start >= 0 && start >= lower && start <= upper && Acceptable(view, pattern, start, stop)) {
            found.start = start;
            found.end = stop;
            return found;
        }
        if (stop >= upper)
            return found;
        if (start < 0 && !(pattern.mode & FindRegularExpression))
            stop = OverlapBack(text, pattern, pos, stop);
        if (stop <= pos)
            stop = text.NextChar(pos);
        if (stop <= pos)
            return found;  // the end of the text: nothing more to read
        pos = stop;
        if (notify)
            notify->Progress(pos);
    }
}

FoundRange SearchBackward(TextView* view, SearchPattern& pattern, int64 lower, int64 upper, bool before,
                          TextNotify* notify)
{
    FoundRange found;
    TextDocument* document = SearchedText(view, lower, upper);
    if (!document)
        return found;
    TextBuff& text = document->text;
    int64 pos = upper;
    for (;;) {
        int64 stop = pos;
        int64 start = FindOnceBackward(*document, pattern, pos, before, stop);
        int64 reached = stop;
        if (start >= 0) {
            reached = start;
            int64 at = before ? stop : start;
            if (at >= lower && at <= upper && Acceptable(view, pattern, start, stop)) {
                found.start = start;
                found.end = stop;
                return found;
            }
        }
        if (reached <= lower)
            return found;
        if (start < 0 && before && !(pattern.mode & FindRegularExpression))
            reached = OverlapForward(text, pattern, reached, pos);
        if (reached >= pos)
            reached = text.PreviousChar(pos);
        if (reached >= pos)
            return found;
        pos = reached;
        if (notify)
            notify->Progress(-pos);
    }
}

bool SelectionIsMatch(TextView* view, SearchPattern& pattern, TextNotify* notify)
{
    ViewState* state = view->currentState;
    if (!state)
        return false;
    int64 lo = state->CaretPosition(), hi = state->AnchorPosition();
    if (lo > hi) {
        int64 t = lo;
        lo = hi;
        hi = t;
    }
    return SearchForward(view, pattern, lo, hi, notify).Is(lo, hi);
}

namespace {

void SelectFound(ActionBroker& broker, TextView* view, const FoundRange& match)
{
    TextDocument* document = view->CurrentDocument();
    view->SetCaret(document, match.start, CaretScrollIntoView, 2);
    view->SetCaret(document, match.end, CaretScrollIntoView | CaretKeepAnchor, 1);
    broker.Broadcast(BroadcastCaretMoved, document, view);
}

void SetRange(TextNotify* notify, int64 total, int64 base)
{
    if (!notify)
        return;
    notify->SetTotal(total);
    notify->SetBase(base);
}

}  // namespace

bool RunFindVariant(ActionBroker& broker, TextView* view, int32 code, SearchPattern& pattern, TextNotify* notify,
                    bool& onlyMatch)
{
    onlyMatch = false;
    TextDocument* document = view->CurrentDocument();
    ViewState* state = view->currentState;
    if (!document || !state)
        return false;
    TextBuff& text = document->text;
    int64 size = text.Size();
    int64 lo = state->CaretPosition(), hi = state->AnchorPosition();
    if (lo > hi) {
        int64 t = lo;
        lo = hi;
        hi = t;
    }
    FoundRange found;
    switch (code) {
    case ActionFindFirst:
        SetRange(notify, size, 0);
        found = SearchForward(view, pattern, 0, size, notify);
        break;
    case ActionFindEnter:
        if (SelectionIsMatch(view, pattern, notify))
            return true;
        SetRange(notify, size, 0);
        found = SearchForward(view, pattern, 0, size, notify);
        break;
    case ActionFindLast:
        SetRange(notify, size, size);
        found = SearchBackward(view, pattern, 0, size, true, notify);
        break;
    case ActionFindFromBar:
    case ActionFindNext: {
        bool isMatch = SelectionIsMatch(view, pattern, notify);
        int64 p = isMatch ? hi : lo;
        // A wrapping search covers the whole text in two parts.
        SetRange(notify, code == ActionFindNext ? size : size - p, -p);
        found = SearchForward(view, pattern, p, size, notify);
        if (found.Is(lo, hi) && p < size)
            found = SearchForward(view, pattern, text.NextChar(p), size, notify);
        if (!found.Found() && code == ActionFindNext) {
            SetRange(notify, size, size - p);
            found = SearchForward(view, pattern, 0, p, notify);
            if (found.Is(lo, hi)) {
                onlyMatch = true;
                return false;
            }
        }
        break;
    }
    case ActionFindVariant75:
    case ActionFindPrevious: {
        bool isMatch = SelectionIsMatch(view, pattern, notify);
        int64 p = isMatch ? lo : hi;
        SetRange(notify, code == ActionFindPrevious ? size : p, p);
        found = SearchBackward(view, pattern, 0, p, isMatch, notify);
        if (code == ActionFindPrevious) {
            onlyMatch = isMatch;
            if (found.Is(lo, hi) && p >= 1)
                found = SearchBackward(view, pattern, 0, text.PreviousChar(p), isMatch, notify);
            if (!found.Found()) {
                SetRange(notify, size, size + p);
                found = SearchBackward(view, pattern, p, size, isMatch, notify);
                if (found.Is(lo, hi))
                    return false;
            }
        }
        break;
    }
    default:
        return false;
    }
    if (!found.Found())
        return false;
    SelectFound(broker, view, found);
    return true;
}

void ShowFindFailure(TextView* view, int32 code, const String& phrase, bool onlyMatch)
{
    const wchar_t* note;
    if (code == ActionReplaceOnce || code == ActionReplaceRestFromCaret)
        note = UiText(L"Osiągnięto koniec tekstu\n", L"Reached end of text\n");
    else if (code == ActionFindFromBar || code == ActionFindVariant75 ||
             ((code == ActionFindNext || code == ActionFindPrevious) && onlyMatch))
        note = UiText(L"Nie ma więcej\n", L"No more\n");
    else
        note = UiText(L"Nie ma\n", L"Not found\n");
    String message;
    message.Concat(note, static_cast<int64>(wcslen(note)), phrase.Data(), phrase.Length());
    ShowPopupInView(view, message.CStr());
}

bool ActionBroker::Find(ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* document = view->CurrentDocument();
    SearchPattern pattern(record.text, record.mode);
    bool onlyMatch = false;
    bool found;
    {
        ProgressNotify notify(ViewProgressDialog(view), UiText(L"Trwa wyszukiwanie - Scrivel", L"Searching - Scrivel"),
                              UiText(L"Stopień zaawansowania", L"Progress"), document->GetPath().CStr());
        found = RunFindVariant(*this, view, record.code, pattern, &notify, onlyMatch);
    }
    if (found)
        view->SetFocus();
    else
        ShowFindFailure(view, record.code, record.text, onlyMatch);
    return found;
}
