// Incremental find: while the find field changes, the matches in the part
// of the text the active view shows are highlighted and the nearest one is
// selected; the rest of the text is searched a slice at a time while the
// program is idle, so typing never waits for a long search.

#include "editor/MainForm.h"

#include "gui/EditLine.h"
#include "gui/Toolbar.h"
#include "text/TextDocument.h"

#include <algorithm>

namespace {

// Bytes one idle call searches.
constexpr int64 kSliceBytes = 100000;
// Pairs are added while the list holds fewer positions than this, so it
// never holds more than 10001 matches.
constexpr int64 kMatchPositionLimit = 20001;
// The most bytes one code point takes in any encoding of the text.
constexpr int64 kMaxCharBytes = 4;

const IncrementalFindCalls kSystemCalls = {GetTickCount, MessageBeep};
const IncrementalFindCalls* findCalls = &kSystemCalls;

}  // namespace

void SetIncrementalFindCalls(const IncrementalFindCalls* calls)
{
    findCalls = calls ? calls : &kSystemCalls;
}

// ---- the match list ----

int64 MainForm::MatchStart(int64 i) const
{
    return i >= 0 && i < MatchCount() ? incrementalMatches.At(2 * i) : -1;
}

int64 MainForm::MatchEnd(int64 i) const
{
    return i >= 0 && i < MatchCount() ? incrementalMatches.At(2 * i + 1) : -1;
}

int64 MainForm::MatchInsertIndex(int64 position) const
{
    int64 low = 0, high = MatchCount();
    while (low < high) {
        int64 middle = low + (high - low) / 2;
        if (MatchStart(middle) > position)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void MainForm::AddMatch(int64 start, int64 end)
{
    if (incrementalMatches.Count() >= kMatchPositionLimit)
        return;
    int64 at = MatchInsertIndex(start);
    if (at > 0 && MatchStart(at - 1) == start)
        return;
    const int64 pair[2] = {start, end};
    incrementalMatches.InsertCopies(2 * at, pair, 2);
}

// ---- searching ----

int64 MainForm::FindInRange(const String& phrase, int64 from, int64& end, int32 direction, int32 flags,
                            int64 limit)
{
    end = from;
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (!document || phrase.IsEmpty())
        return -1;
    FindPattern& pattern = incrementalPattern;
    if (pattern.flags != flags || !pattern.phrase.Equals(phrase)) {
        pattern.flags = -1;
        pattern.prepared.reset();
        try {
            pattern.prepared.reset(new SearchPattern(phrase, flags));
        } catch (const Error& error) {
            if (error.code != BadRegExpError(0).code)
                throw;
        }
        pattern.phrase = phrase;
        pattern.flags = flags;
    }
    if (!pattern.prepared)
        return -1;
    SearchPattern& prepared = *pattern.prepared;
    TextBuff& text = document->text;
    bool regex = (flags & 64) != 0, fold = (flags & 1) != 0;
    const u32* codes = prepared.codes.Data();
    int64 m = std::min<int64>(prepared.codes.Count(), INT32_MAX);
    if (direction >= 1) {
        if (limit <= from)
            return -1;
        int64 start;
        if (regex) {
            start = prepared.regex.FindForward(*document, from, end, limit - from);
        } else {
            // A literal search reads only whole characters from a character
            // start, and a match that begins before the limit may end past it.
            int64 first = text.CharStart(from);
            int64 window = limit - first + m * kMaxCharBytes;
            start = fold ? text.FindForwardNoCase(first, end, codes, m, window)
                         : text.FindForward(first, end, codes, m, window);
        }
        // A match that begins at the limit or later belongs to the next range.
        if (start >= limit) {
            end = limit;
            return -1;
        }
        return start;
    }
    if (from <= 0 || limit >= from)
        return -1;
    if (regex)
        return prepared.regex.FindBackward(*document, from, end, from - limit);
    return fold ? text.FindBackwardNoCase(from, end, codes, m, from - limit)
                : text.FindBackward(from, end, codes, m, from - limit);
}

void MainForm::CollectVisibleMatches(int64 around)
{
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (!incrementalActive || !document)
        return;
    ViewState* state = activeView->FindViewState(document);
    if (!state)
        return;
    TextBuff& text = document->text;
    int64 size = text.Size();
    // What the view painted last; an edit since may have shortened the text.
    int64 first = std::min(std::max<int64>(state->paintedFirst, 0), size);
    int64 last = std::min(std::max(state->paintedLast, first), size);
    int64 pos = first;
    for (;;) {
        int64 end = 0;
        int64 start = FindInRange(incrementalPhrase, pos, end, 1, incrementalFlags, last);
        if (start < 0) {
            incrementalPos = pos;
            break;
        }
        AddMatch(start, end);
        int64 next = end;
        if (end <= start) {
            // An empty match: one character on.
            text.DecodeChar(end);
            next = end + text.CharLength();
        }
        if (next <= pos) {
            incrementalPos = pos;
            break;
        }
        pos = next;
    }
    int64 count = MatchCount();
    if (count > 0) {
        int64 best = 0;
        int64 bestDistance = -1;
        for (int64 i = 0; i < count; i++) {
            int64 start = MatchStart(i);
            int64 distance = start > around ? start - around : around - start;
            if (bestDistance < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
            if (start > around)
                break;
        }
        SelectMatch(document, MatchStart(best), MatchEnd(best));
    }
    activeView->SetFindHighlights(incrementalMatches);
    if (activeView->GetHwnd())
        activeView->Invalidate();
}

void MainForm::SelectMatch(TextDocument* document, int64 start, int64 end)
{
    activeView->SetCaret(document, start, CaretScrollIntoView, 2);
    activeView->SetCaret(document, end, CaretScrollIntoView | CaretKeepAnchor, 1);
    OnBroadcast(BroadcastRecord{BroadcastCaretMoved, document, activeView, 0});
}

// ---- starting and stopping ----

void MainForm::ResetIncrementalFind()
{
    // The highlights may sit in the view that was active before.
    for (TextView* view : {view1, view2})
        if (view)
            view->ClearFindHighlights();
    incrementalActive = 0;
    incrementalMatches = Array<int64>();
    incrementalState = 0;
    incrementalBeep = 0;
}

void MainForm::StartIncrementalFind()
{
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (incrementalFindOff || !document)
        return;
    String phrase = FindFieldText();
    if (phrase.IsEmpty()) {
        ResetIncrementalFind();
        return;
    }
    int32 flags = (FindToggleOn(kFindToggleCaseId) ? 1 : 0) + (FindToggleOn(kFindToggleRegexId) ? 64 : 0);
    if (!incrementalActive) {
        ViewState* state = activeView->FindViewState(document);
        incrementalStart = state ? state->CaretPosition() : 0;
    }
    ResetIncrementalFind();
    incrementalPhrase = phrase;
    incrementalFlags = flags;
    incrementalActive = 1;
    incrementalPos = incrementalStart;
    incrementalBeep = 0;
    CollectVisibleMatches(incrementalStart);
    if (MatchCount() == 0) {
        incrementalState = 1;
        // A caret above the shown part: the forward search starts there, so
        // nothing between the caret and the shown part is left out.
        incrementalPos = std::min(incrementalPos, incrementalStart);
    }
}

// ---- Up and Down ----

void MainForm::IncrementalFindPrevious()
{
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (incrementalFindOff || !incrementalActive || !document || incrementalState != 0)
        return;
    ViewState* state = activeView->FindViewState(document);
    int64 anchor = state ? state->AnchorPosition() : 0;
    for (int64 i = MatchCount() - 1; i >= 0; i--) {
        if (MatchStart(i) < anchor) {
            SelectMatch(document, MatchStart(i), MatchEnd(i));
            return;
        }
    }
    // The backward search finds matches that start before its position.
    incrementalPos = MatchCount() > 0 ? MatchStart(0) : document->text.Size();
    incrementalState = -2;
    incrementalBeep = 1;
}

void MainForm::IncrementalFindNext()
{
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (incrementalFindOff || !incrementalActive || !document || incrementalState != 0)
        return;
    ViewState* state = activeView->FindViewState(document);
    int64 caret = state ? state->CaretPosition() : 0;
    for (int64 i = 0; i < MatchCount(); i++) {
        if (MatchEnd(i) > caret) {
            SelectMatch(document, MatchStart(i), MatchEnd(i));
            return;
        }
    }
    incrementalPos = MatchCount() > 0 ? MatchEnd(MatchCount() - 1) : 0;
    incrementalState = 2;
    incrementalBeep = 1;
}

// ---- idle slices ----

bool MainForm::GoToIncrementalHit(TextDocument* document, int64 hit)
{
    activeView->SetCaret(document, hit, CaretScrollIntoView, 2);
    OnBroadcast(BroadcastRecord{BroadcastCaretMoved, document, activeView, 0});
    // The painted range must be the one around the hit.
    activeView->Update();
    CollectVisibleMatches(hit);
    incrementalState = 0;
    return false;
}

bool MainForm::EndIncrementalSearch()
{
    incrementalState = 0;
    if (incrementalBeep) {
        u32 now = findCalls->tickCount();
        if (now - lastBeepTime > 1000) {
            lastBeepTime = now;
            findCalls->messageBeep(0xFFFFFFFF);
        }
    }
    return false;
}

bool MainForm::ContinueIncrementalFind()
{
    TextDocument* document = activeView ? activeView->CurrentDocument() : nullptr;
    if (incrementalFindOff || !incrementalActive || !document || incrementalState == 0)
        return false;
    int64 size = document->text.Size();
    int64 end = 0;
    if (incrementalState > 0) {
        int64 limit = incrementalPos + kSliceBytes;
        int64 hit = FindInRange(incrementalPhrase, incrementalPos, end, 1, incrementalFlags, limit);
        if (hit >= 0)
            return GoToIncrementalHit(document, hit);
        incrementalPos = limit;
        if (limit < size)
            return true;
        if (incrementalState == 1) {
            // The text before the start is searched backward next.
            incrementalState = -1;
            incrementalPos = incrementalStart;
            return true;
        }
        return EndIncrementalSearch();
    }
    int64 lower = std::max<int64>(incrementalPos - kSliceBytes, 0);
    int64 hit = FindInRange(incrementalPhrase, incrementalPos, end, -1, incrementalFlags, lower);
    if (hit >= 0)
        return GoToIncrementalHit(document, hit);
    incrementalPos = lower;
    if (lower > 0)
        return true;
    return EndIncrementalSearch();
}
