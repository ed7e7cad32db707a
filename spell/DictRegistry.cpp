#include "spell/DictRegistry.h"

// The base registry has no dictionaries loaded: nothing can be selected as
// primary, so no word is accepted and no id names a dictionary.

bool DictRegistry::IsCorrect(const wchar_t*, int64) const noexcept
{
    return false;
}

String DictRegistry::DisplayName(u32) const
{
    return String();
}
