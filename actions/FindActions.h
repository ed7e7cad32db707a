#pragma once

// The search steps shared by the find and replace actions and by the find
// bar: a phrase prepared once, forward and backward searches over a byte
// range in windows with progress, and the replacement text of a match.

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"
#include "text/RegExp.h"
#include "text/TextNotify.h"

class ActionBroker;
class TextView;

// The mode flags of the find and replace records.
enum FindModeFlags : int32 {
    FindIgnoreCase = 1,
    FindWholeWords = 2,
    FindAdaptCase = 4,
    FindFrequentReports = 8,  // the spell check's replace-all: report every 10000
    FindRefreshView = 32,  // a long replace brings the view up to date now and then
    FindRegularExpression = 64,
};

// How many bytes one search call covers between progress reports.
constexpr int64 kSearchWindow = 100000;

// A match [start, end); start -1 when there is none.
struct FoundRange {
    int64 start = -1;
    int64 end = -1;
    bool Found() const { return start >= 0; }
    bool Is(int64 a, int64 b) const { return start == a && end == b; }
};

// A phrase ready to search for: its code points (folded when case is
// ignored), or its compiled expression. BadRegExpError for a bad pattern.
class SearchPattern {
public:
    SearchPattern(const String& phrase, int32 mode);
    SearchPattern(const SearchPattern&) = delete;
    SearchPattern& operator=(const SearchPattern&) = delete;

    int32 mode;
    Array<u32> codes;
    RegExp regex;
};

// The first match (the one a search from each position meets) whose start
// lies in [lower, upper] of the view's current text; its end may lie beyond.
// Reports each window's end to notify, which may throw Abort.
FoundRange SearchForward(TextView* view, SearchPattern& pattern, int64 lower, int64 upper, TextNotify* notify);
// Stepping down from upper: with before, the last match ending in
// [lower, upper]; otherwise the match with the largest start in [lower, upper).
// Reports negated positions.
FoundRange SearchBackward(TextView* view, SearchPattern& pattern, int64 lower, int64 upper, bool before,
                          TextNotify* notify);
// [start, end) is one whole run of word characters (or of others).
bool IsWholeWord(TextView* view, int64 start, int64 end);
// A forward search of the selection finds exactly the selection.
bool SelectionIsMatch(TextView* view, SearchPattern& pattern, TextNotify* notify);

// Runs a find variant (codes 72 to 78) and selects what it found. onlyMatch
// tells the failure note that the selection is the only match.
bool RunFindVariant(ActionBroker& broker, TextView* view, int32 code, SearchPattern& pattern, TextNotify* notify,
                    bool& onlyMatch);
// The pop-up note of a search that found nothing, followed by the phrase.
void ShowFindFailure(TextView* view, int32 code, const String& phrase, bool onlyMatch);

// Lets a step inside a longer operation search with progress and cancel
// without resetting the outer operation's range.
class ReplaceProgressHelper : public TextNotify {
public:
    explicit ReplaceProgressHelper(TextNotify* wrapped) : wrapped(wrapped) {}
    int32 Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind) override;
    void SetTotal(int64) override {}
    void SetBase(int64) override {}
    void Progress(int64 position) override;

    TextNotify* wrapped;
};

// The replacement of one action, prepared once: escapes decoded and the
// places of "$0" noted in regular-expression mode.
class ReplacementPlan {
public:
    ReplacementPlan(const String& replacement, int32 mode);
    // Whether Form needs the found text at all.
    bool NeedsFound() const { return wholeMatchAt.Count() > 0 || adaptCase; }
    String Form(const String& found) const;

    String text;
    PodArray<int32> wholeMatchAt;  // output offsets of "$0"
    bool adaptCase;
};

// The replacement with the case of found: all upper when found is, first
// upper when found starts so; only for replacements of 1 to 30 units.
String AdaptCase(const String& replacement, const String& found);
// text cut at the sorted positions with found put between the pieces.
String InsertAtPositions(const String& text, const PodArray<int32>& positions, const String& found);
