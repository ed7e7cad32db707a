#pragma once

// The words the user reads for an Error, in the interface language, and the
// alert that shows them.

#include "base/Error.h"
#include "base/String.h"

class Form;

// The three texts joined; a null piece counts as empty.
String ConcatParts(const wchar_t* a, const wchar_t* b, const wchar_t* c);
// The text for a bad pattern or replacement (code -5000, the kind as
// subcode); empty for a kind it does not know.
String RegexErrorText(const Error& error);
// The text for any error; empty means that memory ran out.
String ErrorText(const Error& error);
// Shows the error in a warning alert titled title (empty: the default
// title). Never throws: a failure to show it is dropped.
void ShowErrorAlert(Form* owner, const wchar_t* title, const Error& error);
// The same with the caller's words: textOf gives the text for the error and
// outOfMemory stands in for an empty one; title is used as given.
void ShowErrorAlertWith(Form* owner, const wchar_t* title, const Error& error, String (*textOf)(const Error&),
                        const wchar_t* outOfMemory);
