#include "text/SyntaxId.h"

#include "base/UiLanguage.h"

#include <doctest.h>

#include <cwchar>
#include <initializer_list>

namespace {

// Sets the interface language for one scope.
struct Language {
    int32 saved;
    explicit Language(int32 id) : saved(UiLanguageId()) { SetUiLanguageId(id); }
    ~Language() { SetUiLanguageId(saved); }
};

bool Same(const wchar_t* a, const wchar_t* b)
{
    return wcscmp(a, b) == 0;
}

}  // namespace

TEST_CASE("extensions pick the syntax by the end of the name, ASCII case ignored")
{
    CHECK(SyntaxIdFromExtension(L"A.CPP") == kSyntaxC);
    CHECK(SyntaxIdFromExtension(L"a.Cpp") == kSyntaxC);
    CHECK(SyntaxIdFromExtension(L"notes.txt") == kSyntaxNone);
    CHECK(SyntaxIdFromExtension(L"x.m") == kSyntaxMorvane);
    CHECK(SyntaxIdFromExtension(L"page.HTM") == kSyntaxHtml);
    CHECK(SyntaxIdFromExtension(L"page.phtml") == kSyntaxNone);
    CHECK(SyntaxIdFromExtension(L".js") == kSyntaxJavaScript);
    CHECK(SyntaxIdFromExtension(L"js") == kSyntaxNone);
    CHECK(SyntaxIdFromExtension(L"") == kSyntaxNone);
    CHECK(SyntaxIdFromExtension(nullptr) == kSyntaxNone);
    CHECK(SyntaxIdFromExtension(L"C:\\src\\main.h++") == kSyntaxC);
    CHECK(SyntaxIdFromExtension(L"Program.cs") == kSyntaxCSharp);
    CHECK(SyntaxIdFromExtension(L"app.JavaScript") == kSyntaxJavaScript);
    CHECK(SyntaxIdFromExtension(L"Main.java") == kSyntaxJava);
    CHECK(SyntaxIdFromExtension(L"index.php") == kSyntaxPhp);
    CHECK(SyntaxIdFromExtension(L"t.PAT") == kSyntaxHtml);
    CHECK(SyntaxIdFromExtension(L"w.gkestin") == kSyntaxKestin);
    CHECK(SyntaxIdFromExtension(L"w.gke") == kSyntaxKestin);
    CHECK(SyntaxIdFromExtension(L"w.pelu") == kSyntaxKestin);
    CHECK(SyntaxIdFromExtension(L"w.morv") == kSyntaxMorvane);
    // Only the end counts: a folder with a dot does not.
    CHECK(SyntaxIdFromExtension(L"dir.cpp\\readme") == kSyntaxNone);
}

TEST_CASE("stored names are looked up whole, ASCII case ignored")
{
    CHECK(SyntaxIdFromName(L"C") == kSyntaxC);
    CHECK(SyntaxIdFromName(L"c") == kSyntaxC);
    CHECK(SyntaxIdFromName(L"c#") == kSyntaxCSharp);
    CHECK(SyntaxIdFromName(L"html") == kSyntaxHtml);
    CHECK(SyntaxIdFromName(L"JAVA") == kSyntaxJava);
    CHECK(SyntaxIdFromName(L"javascript") == kSyntaxJavaScript);
    CHECK(SyntaxIdFromName(L"Php") == kSyntaxPhp);
    CHECK(SyntaxIdFromName(L"MORVANE") == kSyntaxMorvane);
    CHECK(SyntaxIdFromName(L"Kestin") == kSyntaxKestin);
    CHECK(SyntaxIdFromName(L"") == kSyntaxUnknown);
    CHECK(SyntaxIdFromName(nullptr) == kSyntaxUnknown);
    CHECK(SyntaxIdFromName(L"C/C++") == kSyntaxUnknown);
    CHECK(SyntaxIdFromName(L"none") == kSyntaxUnknown);
    CHECK(SyntaxIdFromName(L"Jav") == kSyntaxUnknown);
    CHECK(SyntaxIdFromName(L"JavaScripts") == kSyntaxUnknown);
}

TEST_CASE("stored names read back to their ids; none and unknown ids have no name")
{
    for (SyntaxId id : {kSyntaxC, kSyntaxCSharp, kSyntaxHtml, kSyntaxJavaScript, kSyntaxJava, kSyntaxPhp,
                        kSyntaxMorvane, kSyntaxKestin}) {
        CAPTURE(id);
        CHECK(SyntaxIdFromName(SyntaxIdToName(id)) == id);
    }
    CHECK(Same(SyntaxIdToName(kSyntaxC), L"C"));
    CHECK(Same(SyntaxIdToName(kSyntaxMorvane), L"morvane"));
    for (SyntaxId id : {0, 7, -1, 10, 1000})
        CHECK(Same(SyntaxIdToName(id), L""));
}

TEST_CASE("shown names, with none in the interface language")
{
    CHECK(Same(SyntaxDisplayName(kSyntaxC), L"C/C++"));
    CHECK(Same(SyntaxDisplayName(kSyntaxKestin), L"kestin"));
    {
        Language english(9);
        CHECK(Same(SyntaxDisplayName(0), L"none"));
        CHECK(Same(SyntaxDisplayName(7), L"none"));
        CHECK(Same(SyntaxDisplayName(-1), L"none"));
    }
    {
        Language polish(21);
        CHECK(Same(SyntaxDisplayName(0), L"wy\u0142\u0105czone"));
        CHECK(Same(SyntaxDisplayName(7), SyntaxDisplayName(0)));
        CHECK(Same(SyntaxDisplayName(kSyntaxHtml), L"HTML"));
    }
}
