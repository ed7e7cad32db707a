#include "text/CharClass.h"

#include "text/TextDocument.h"

#include <windows.h>


bool IsCombiningMark(int32 code)
{
    return (code >= 0x300 && code <= 0x36F) || (code >= 0x1AB0 && code <= 0x1AFF) ||
           (code >= 0x1DC0 && code <= 0x1DFF) || (code >= 0x20D0 && code <= 0x20FE) ||
           (code >= 0xFE20 && code <= 0xFE2F);
}

u32 CharClassOther(int32 code)
{
    wchar_t units[2];
    int count = 1;
    if (code >= 0x10000) {
        units[0] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<wchar_t>(code);
    }
    WORD types[2] = {0, 0};
    if (!GetStringTypeW(CT_CTYPE1, units, count, types))
        return 0;
    u32 flags = 0;
    if (types[0] & C1_ALPHA)
        flags |= ClassLetter;
    if (types[0] & C1_DIGIT)
        flags |= ClassDigit;
    if (types[0] & C1_XDIGIT)
        flags |= ClassHexDigit;
    if (types[0] & (C1_SPACE | C1_BLANK))
        flags |= ClassBlank;
    if (flags == 0) {
        WORD marks[2] = {0, 0};
        if (GetStringTypeW(CT_CTYPE3, units, count, marks) && (marks[0] & (C3_DIACRITIC | C3_VOWELMARK)))
            flags |= ClassCombiningMark;
    }
    if (!(flags & ClassCombiningMark) && IsCombiningMark(code))
        flags |= ClassCombiningMark;
    return flags;
}

u32 CharClassBeyondAscii(int32 code)
{
    switch (code) {
    case -1:
        return ClassEndOfText | ClassLineBreak;
    case -2:
        return ClassControl | ClassLineBreak;
    case -30:
        return ClassControl;
    default:
        break;
    }
    if (code < 0 || code > 0x10FFFF)
        return 0;
    return CharClassOther(code);
}

void CharCursor::SeekInText(CharCursor& cursor, int64 position)
{
    TextBuff& text = cursor.document->text;
    int32 code = text.DecodeChar(position);
    cursor.code = static_cast<u32>(code);
    cursor.length = static_cast<u32>(text.CharLength());
    cursor.flags = CharClass(code);
    u64 rel = static_cast<u64>(position - cursor.runStart);
    if (IsUtf16Encoding(text.Encoding())) {
        cursor.runCount = 0;
    } else if (rel >= static_cast<u64>(cursor.runCount) || cursor.runText != &text ||
               cursor.runChanges != text.ChangeCount()) {
        cursor.run = text.StoredRunAt(position, cursor.runStart, cursor.runCount);
        cursor.runText = &text;
        cursor.runChanges = text.ChangeCount();
    }
}
