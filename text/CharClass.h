#pragma once

#include "base/Types.h"

class TextDocument;

// Class flags of a decoded character code (special codes included).
enum CharClassFlag : u32 {
    ClassEndOfText = 0x1,
    ClassLineBreak = 0x2,
    ClassBlank = 0x4,
    ClassDigit = 0x8,
    ClassHexDigit = 0x10,
    ClassLetter = 0x20,
    ClassAsciiLetter = 0x40,
    ClassTab = 0x80,
    ClassUnderscore = 0x100,
    ClassHyphen = 0x200,
    ClassApostrophe = 0x400,
    ClassSlash = 0x800,
    ClassCombiningMark = 0x1000,
    ClassControl = 0x2000,
};

u32 CharClass(int32 code);
// Classes of code points from 128 on, from the system's character types.
u32 CharClassOther(int32 code);
bool IsCombiningMark(int32 code);

// The character under a lexer's position in a document's main text.
struct CharCursor {
    TextDocument* document;
    int64 position;
    u32 code;
    u32 length;
    u32 flags;

    // Sets the position and loads the character there.
    static void Seek(CharCursor& cursor, int64 position);
};
