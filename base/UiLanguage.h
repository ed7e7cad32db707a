#pragma once

#include "base/Types.h"

// The program-wide interface language id: primary language 21 selects the
// Polish text of every pair, any other value the English one.
int32 UiLanguageId();
void SetUiLanguageId(int32 id);
inline bool IsPolishUi() { return UiLanguageId() == 21; }
