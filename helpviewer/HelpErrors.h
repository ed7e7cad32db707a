#pragma once

#include "base/Array.h"
#include "base/Error.h"
#include "base/String.h"

// The viewer speaks Polish only: error texts by code, and the list of markup
// errors with their line numbers.

// The viewer's Polish text for an error; its message (a file or member name) goes
// where the text names it, in quotation marks. Codes 8 and 14 give an empty
// text (the alert then shows the out-of-memory text).
String HelpErrorText(const Error& error);

class Form;
// Shows the error's text in a warning alert with one OK button over owner
// (or none); a null or empty title is "Problem - Guidora". Never throws.
void ShowHelpError(const wchar_t* title, Form* owner, const Error& error);

// One recorded markup error: line counted from 1, message one of the
// parser's constant texts.
struct MarkupError {
    int32 line;
    const wchar_t* message;
};

// The markup errors of one text in the order found. Lines are counted as
// errors arrive: from the previous error's position, never from the start
// again, so many errors cost one pass over the text.
class MarkupErrorList {
public:
    // Forgets the errors; lines are counted in text[0..length) from now on.
    void Reset(const wchar_t* text, int64 length);
    // Records message at position: line 1 + the line feeds before it (the
    // count stops at a NUL).
    void Add(int64 position, const wchar_t* message);

    int64 Count() const { return records_.Count(); }
    const MarkupError& At(int64 i) const { return records_.At(i); }
    // Each error as "line: message" and CR LF, in order.
    String ListText() const;

private:
    PodArray<MarkupError> records_;
    const wchar_t* text_ = nullptr;
    int64 limit_ = 0;       // counting stops here: the length or the first NUL
    int64 countedTo_ = 0;   // invariant: line feeds in text_[0..countedTo_) == countedFeeds_
    int64 countedFeeds_ = 0;
};
