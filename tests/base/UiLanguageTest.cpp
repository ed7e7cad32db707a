#include "base/UiLanguage.h"

#include <doctest.h>

#include <windows.h>

namespace {

// Sets the interface language for one scope.
struct Language {
    int32 saved;
    explicit Language(int32 id) : saved(UiLanguageId()) { SetUiLanguageId(id); }
    ~Language() { SetUiLanguageId(saved); }
};

bool PolishWith(int32 id)
{
    Language language(id);
    return IsPolishUi();
}

}  // namespace

TEST_CASE("the primary language 21 selects Polish, whatever the sublanguage")
{
    CHECK(PolishWith(21));
    CHECK(PolishWith(MAKELANGID(LANG_POLISH, SUBLANG_POLISH_POLAND)));
    CHECK_FALSE(PolishWith(9));
    CHECK_FALSE(PolishWith(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
    CHECK_FALSE(PolishWith(0));
    CHECK_FALSE(PolishWith(22));
    CHECK_FALSE(PolishWith(MAKELANGID(22, SUBLANG_DEFAULT)));
}

TEST_CASE("the system's interface language taken whole picks the language of the user's locale")
{
    Language language(GetUserDefaultUILanguage());
    bool polishLocale = PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_POLISH;
    CHECK(IsPolishUi() == polishLocale);
}
