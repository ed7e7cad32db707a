#pragma once

#include "base/Types.h"
#include "text/TextDocument.h"

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

// Flags of the codes 0-127, made by the compiler.
struct AsciiClassTable {
    u32 flags[128];
    constexpr AsciiClassTable() : flags()
    {
        for (int c = 0; c < 32; c++)
            flags[c] = ClassControl;
        flags[0] = flags[10] = flags[13] = ClassControl | ClassLineBreak;
        flags[9] = ClassControl | ClassTab;
        flags[' '] = ClassBlank;
        flags['\''] = ClassApostrophe;
        flags['-'] = ClassHyphen;
        flags['/'] = ClassSlash;
        flags['_'] = ClassUnderscore;
        for (int c = '0'; c <= '9'; c++)
            flags[c] = ClassDigit | ClassHexDigit;
        for (int c = 'A'; c <= 'Z'; c++) {
            u32 hex = c <= 'F' ? static_cast<u32>(ClassHexDigit) : 0u;
            flags[c] = ClassLetter | ClassAsciiLetter | hex;
            flags[c + 32] = ClassLetter | ClassAsciiLetter | hex;
        }
    }
};
inline constexpr AsciiClassTable kAsciiClasses{};

// Flags of the special codes and of code points from 128 on.
u32 CharClassBeyondAscii(int32 code);
// Every lexer asks this of every character: ASCII is one table look-up.
inline u32 CharClass(int32 code)
{
    return static_cast<u32>(code) < 128 ? kAsciiClasses.flags[code] : CharClassBeyondAscii(code);
}
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
    // The stored run the last character came from, read directly while the
    // text has not changed since (runChanges); empty until the first load.
    const u8* run = nullptr;
    int64 runStart = 0;
    int64 runCount = 0;
    const TextBuff* runText = nullptr;
    u64 runChanges = 0;

    // Sets the position and loads the character there. A plain ASCII byte
    // of the current run (not a line end, whose CR LF and conversion need
    // the text) is read directly: this is every lexer's inner step.
    static void Seek(CharCursor& cursor, int64 position)
    {
        cursor.position = position;
        u64 rel = static_cast<u64>(position - cursor.runStart);
        if (rel < static_cast<u64>(cursor.runCount) && cursor.runText->ChangeCount() == cursor.runChanges) {
            u32 b = cursor.run[rel];
            if (b < 0x80 && b != 10 && b != 13) {
                cursor.code = b;
                cursor.length = 1;
                cursor.flags = kAsciiClasses.flags[b];
                return;
            }
            // A line feed where the text reads line ends as they are, the
            // common case: one in every few tokens of code.
            if (b == 10 && cursor.runText->LineEndConversion() == 0) {
                cursor.code = 10;
                cursor.length = 1;
                cursor.flags = ClassControl | ClassLineBreak;
                return;
            }
            if (b == 13 && rel + 1 < static_cast<u64>(cursor.runCount) && cursor.run[rel + 1] == 10 &&
                cursor.runText->LineEndConversion() == 0) {
                cursor.code = static_cast<u32>(-2);
                cursor.length = 2;
                cursor.flags = ClassControl | ClassLineBreak;
                return;
            }
        }
        SeekInText(cursor, position);
    }
    // The same through the text's decoding; takes the run of position.
    static void SeekInText(CharCursor& cursor, int64 position);
};
