#include "base/UiLanguage.h"

namespace {
int32 g_uiLanguage = 0;
}

int32 UiLanguageId()
{
    return g_uiLanguage;
}

void SetUiLanguageId(int32 id)
{
    g_uiLanguage = id;
}
