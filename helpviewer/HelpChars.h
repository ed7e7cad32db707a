#pragma once

#include "base/Types.h"

// The viewer's text rules where they differ from the editor's: its case
// mapping turns a lone surrogate half into U+FFFD, and its number texts live
// in fixed buffers of 50 units.

// U+FFFD for negative values, surrogate halves and values above U+10FFFF;
// otherwise as the editor maps them.
int32 HelpToLowerCodePoint(int32 codePoint);
int32 HelpToUpperCodePoint(int32 codePoint);

// Equal lengths and equal code points after the viewer's lower-case mapping
// (tag, attribute and member names, ids, command-line prefixes).
bool HelpEqualsNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen);

// A number text in a fixed buffer of 50 units (ordered-list numbers).
// Anything that would not leave room for the NUL raises IndexError.
class NumberText {
public:
    static constexpr int kUnits = 50;

    NumberText() { text_[0] = 0; }
    void SetNumber(int64 value);
    void SetText(const wchar_t* text, int64 length);
    // Appends ". " after the number.
    void AppendDotSpace();

    const wchar_t* CStr() const { return text_; }
    int64 Length() const { return length_; }

private:
    wchar_t text_[kUnits];
    int64 length_ = 0;
};
