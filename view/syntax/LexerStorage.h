#pragma once

#include "base/String.h"
#include "base/Types.h"
#include "view/syntax/WordSet.h"

// The keyword sets of one language, extended by the sections of its syntax
// file. A storage that accepts no section keeps the no-op.
class LexerStorage {
public:
    virtual void OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength);

protected:
    LexerStorage() = default;
    ~LexerStorage() = default;
};

// True when a section header is exactly name (case and length).
bool IsSectionNamed(const wchar_t* header, int32 headerLength, const wchar_t* name);

// The words of a section body: every line that is not empty and does not
// begin with a blank or a tab is one word, blanks inside it included.
WordSet SectionWords(const wchar_t* body, int32 bodyLength);

// Hands every section of a syntax file's text to the storage. A section opens
// with a line beginning with a blank or tab and "*", and its body ends at the
// next such line, which closes it.
void ApplySyntaxSections(LexerStorage& storage, const wchar_t* text, int64 length);

// Reads "syntax\" + fileName in the user data folder into the storage. A
// missing file or any failure while reading leaves the storage as it was
// (with the sections applied before the failure).
void ReadSyntaxFile(LexerStorage& storage, const wchar_t* fileName);
void ReadSyntaxFileAt(LexerStorage& storage, const String& path);
