// Replace actions: the selected match once, or every further match as one
// undo group that the views see only at its end.

#include "actions/FindActions.h"

#include "actions/ActionBroker.h"
#include "actions/ProgressNotify.h"
#include "base/CharUtils.h"
#include "base/UiLanguage.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <algorithm>
#include <string>
#include <vector>

int32 ReplaceProgressHelper::Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind)
{
    return wrapped ? wrapped->Alert(message, title, buttons, kind) : 0;
}

void ReplaceProgressHelper::Progress(int64 position)
{
    if (wrapped)
        wrapped->Progress(position);
}

namespace {

// Calls each code point of text with its index, a surrogate pair as one.
template <class Visit>
void ForEachCodePoint(const String& text, Visit visit)
{
    const wchar_t* s = text.Data();
    int64 n = text.Length();
    for (int64 i = 0; i < n;) {
        int64 at = i;
        int32 c = NextCodePoint(s, n, i);
        if (!visit(c, at, i - at))
            return;
    }
}

// Every code point of text, or only its first, equals its upper case
// (characters without case do).
bool IsUpper(const String& text, bool firstOnly)
{
    bool upper = false;
    ForEachCodePoint(text, [&](int32 c, int64, int64) {
        upper = ToUpperCodePoint(c) == c;
        return upper && !firstOnly;
    });
    return upper;
}

// The code points of text that start before upTo upper-cased.
String ToUpperFrom(const String& text, int64 upTo)
{
    std::wstring out;
    out.reserve(static_cast<size_t>(text.Length()) + 2);
    ForEachCodePoint(text, [&](int32 c, int64 at, int64 units) {
        wchar_t pair[2];
        if (at < upTo) {
            int n = CodePointToUtf16(ToUpperCodePoint(c), pair);
            out.append(pair, static_cast<size_t>(n));
        } else {
            out.append(text.Data() + at, static_cast<size_t>(units));
        }
        return true;
    });
    return String(out.data(), static_cast<int64>(out.size()));
}

}  // namespace

String AdaptCase(const String& replacement, const String& found)
{
    if (replacement.IsEmpty() || replacement.Length() >= 31 || found.IsEmpty())
        return replacement;
    if (IsUpper(found, false))
        return ToUpperFrom(replacement, replacement.Length());
    if (IsUpper(found, true))
        return ToUpperFrom(replacement, 1);
    return replacement;
}

String InsertAtPositions(const String& text, const PodArray<int32>& positions, const String& found)
{
    std::vector<int32> cuts(positions.Data(), positions.Data() + positions.Count());
    std::sort(cuts.begin(), cuts.end());
    int64 n = text.Length();
    int64 total = n + static_cast<int64>(cuts.size()) * found.Length();
    if (total == 0)
        return String();
    String result;
    wchar_t* out = result.Allocate(total);
    int64 w = 0, from = 0;
    for (int32 cut : cuts) {
        int64 at = std::min<int64>(std::max<int64>(cut, from), n);
        std::copy(text.Data() + from, text.Data() + at, out + w);
        w += at - from;
        std::copy(found.Data(), found.Data() + found.Length(), out + w);
        w += found.Length();
        from = at;
    }
    std::copy(text.Data() + from, text.Data() + n, out + w);
    return result;
}

ReplacementPlan::ReplacementPlan(const String& replacement, int32 mode)
    : text(replacement), adaptCase(false)
{
    if (mode & FindRegularExpression)
        text = PrepareReplacement(replacement, &wholeMatchAt);
    adaptCase = wholeMatchAt.Count() == 0 && (mode & FindAdaptCase) && !text.IsEmpty() && text.Length() < 31;
}

String ReplacementPlan::Form(const String& found) const
{
    if (wholeMatchAt.Count() > 0)
        return InsertAtPositions(text, wholeMatchAt, found);
    return adaptCase ? AdaptCase(text, found) : text;
}

namespace {

void LowHigh(TextView* view, int64& lo, int64& hi)
{
    lo = view->currentState->CaretPosition();
    hi = view->currentState->AnchorPosition();
    if (lo > hi)
        std::swap(lo, hi);
}

// Lowers the text's open-group counter when the replacements end.
class UndoGroup {
public:
    explicit UndoGroup(TextDocument* document) : document(document)
    {
        if (document->openGroups == 0)
            document->openGroupTag = document->NextUndoGroup();
        document->openGroups++;
    }
    ~UndoGroup() { document->openGroups--; }
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;

private:
    TextDocument* document;
};

}  // namespace

bool ActionBroker::ReplaceOnceStep(TextView* view, SearchPattern& pattern, const ReplacementPlan& plan,
                                   TextNotify* notify, bool& nextSelected)
{
    bool onlyMatch;
    nextSelected = false;
    if (!SelectionIsMatch(view, pattern, notify)) {
        nextSelected = RunFindVariant(*this, view, ActionFindFromBar, pattern, notify, onlyMatch);
        return nextSelected;
    }
    int64 lo, hi;
    LowHigh(view, lo, hi);
    String text = plan.Form(plan.NeedsFound() ? GetTextRange(view, lo, hi) : String());
    ActionRecord insert;
    insert.InitWithText(ActionInsertText, view, text);
    ExecuteActionCopy(*this, insert);
    nextSelected = RunFindVariant(*this, view, ActionFindFromBar, pattern, notify, onlyMatch);
    return true;
}

bool ActionBroker::ReplaceOnce(TextView* view, const String& phrase, int32 mode, const String& replacement,
                               TextNotify* notify)
{
    SearchPattern pattern(phrase, mode);
    ReplacementPlan plan(replacement, mode);
    bool nextSelected;
    return ReplaceOnceStep(view, pattern, plan, notify, nextSelected);
}

void ActionBroker::ReplaceFinish(TextView* view, TextDocument* document, int64 position)
{
    view->SetCaret(document, position, CaretScrollIntoView, 1);
    // The other view and the find highlights follow the whole change at once.
    Broadcast(BroadcastTextChanged, document, view);
    Broadcast(BroadcastCaretMoved, document, view);
    Broadcast(BroadcastRepaint, document, view);
}

bool ActionBroker::ReplaceRemaining(TextView* view, const String& phrase, int32 mode, const String& replacement,
                                    TextNotify* notify)
{
    TextDocument* document = view->CurrentDocument();
    if (!document || !view->currentState)
        return false;
    SearchPattern pattern(phrase, mode);
    ReplacementPlan plan(replacement, mode);
    UndoGroup group(document);
    const int64 interval = (mode & (FindWholeWords | FindAdaptCase | FindFrequentReports)) ? 10000 : 100000;
    int64 count = 1, reports = 0;
    int64 lo, hi;
    LowHigh(view, lo, hi);
    const int64 start = lo;
    if (notify) {
        notify->SetTotal(document->text.Size() - start);
        notify->SetBase(-start);
    }
    ReplaceProgressHelper helper(notify);
    bool nextSelected;
    if (!ReplaceOnceStep(view, pattern, plan, &helper, nextSelected))
        return false;
    // Only a selected match is replaced: after the last one the selection
    // is an empty caret, and replacing it would insert the text again.
    if (!nextSelected)
        return true;
    FoundRange match;
    LowHigh(view, match.start, match.end);
    int64 reached = match.start;
    int64 lastSize = document->text.Size();
    try {
        for (;;) {
            String text = plan.Form(plan.NeedsFound() ? GetTextRange(view, match.start, match.end) : String());
            TextDocument::ReplaceRequest request;
            request.a = match.start;
            request.b = match.end;
            request.text = text.Data();
            request.length = text.Length();
            request.newEnd = match.end;
            request.becameModified = 0;
            request.firstFallback = -1;
            document->Replace(request);
            if (request.firstFallback >= 0)
                StorePendingError(Error(-113, -1));
            int64 end = request.newEnd;
            reached = end;
            int64 size = document->text.Size();
            if (notify && size != lastSize) {
                notify->SetTotal(size - start);
                notify->SetBase(-start);
            }
            lastSize = size;
            // Every replacement is reported: the notifier lets one report in
            // 50 ms through, so a text of many quick matches still shows its
            // progress in time and answers Cancel.
            if (count % interval == 0 && ++reports == 10) {
                if (mode & FindRefreshView)
                    ReplaceFinish(view, document, end);
                reports = 0;
            }
            if (notify)
                notify->Progress(end);
            count++;
            match = SearchForward(view, pattern, end, size, notify);
            if (match.Is(end, end)) {
                if (end >= size)
                    break;
                match = SearchForward(view, pattern, document->text.NextChar(end), size, notify);
            }
            if (!match.Found())
                break;
        }
    } catch (...) {
        ReplaceFinish(view, document, reached);
        throw;
    }
    ReplaceFinish(view, document, reached);
    return true;
}

bool ActionBroker::Replace(ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* document = view->CurrentDocument();
    bool found;
    {
        ProgressNotify notify(ViewProgressDialog(view), UiText(L"Trwa zastępowanie - Scrivel", L"Replacing - Scrivel"),
                              UiText(L"Stopień zaawansowania", L"Progress"), document->GetPath().CStr());
        if (record.code == ActionReplaceOnce) {
            found = ReplaceOnce(view, record.text, record.mode, record.text2, &notify);
        } else {
            if (record.code == ActionReplaceRestFromStart) {
                view->SetCaret(document, 0, CaretScrollIntoView, 2);
                Broadcast(BroadcastCaretMoved, document, view);
            }
            found = ReplaceRemaining(view, record.text, record.mode, record.text2, &notify);
        }
    }
    if (!found)
        ShowFindFailure(view, record.code, record.text, false);
    view->SetFocus();
    return found;
}
