#pragma once

#include "base/Types.h"

// The program-wide interface language id: primary language 21 selects the
// Polish text of every pair, any other value the English one.
int32 UiLanguageId();
void SetUiLanguageId(int32 id);
// A full language id (0x415) counts by its primary language, as 21 does.
inline bool IsPolishUi() { return (UiLanguageId() & 0x3FF) == 21; }

// The text of a pair in the interface language.
inline const wchar_t* UiText(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}
