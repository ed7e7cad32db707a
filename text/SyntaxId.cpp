#include "text/SyntaxId.h"

#include "base/Paths.h"
#include "base/UiLanguage.h"

#include <cwchar>

namespace {

struct NamedSyntax {
    const wchar_t* stored;
    const wchar_t* shown;
    SyntaxId id;
};

// In lookup order; whole names are compared, so "Java" never takes "JavaScript".
const NamedSyntax kNames[] = {
    {L"C", L"C/C++", kSyntaxC},
    {L"C#", L"C#", kSyntaxCSharp},
    {L"JavaScript", L"JavaScript", kSyntaxJavaScript},
    {L"Java", L"Java", kSyntaxJava},
    {L"HTML", L"HTML", kSyntaxHtml},
    {L"PHP", L"PHP", kSyntaxPhp},
    {L"morvane", L"morvane", kSyntaxMorvane},
    {L"kestin", L"kestin", kSyntaxKestin},
};

struct Ending {
    const wchar_t* text;
    SyntaxId id;
};

// Tested in this order; the first ending that matches wins.
const Ending kEndings[] = {
    {L".morvane", kSyntaxMorvane}, {L".m", kSyntaxMorvane},      {L".morv", kSyntaxMorvane},
    {L".kestin", kSyntaxKestin},   {L".gkestin", kSyntaxKestin}, {L".kes", kSyntaxKestin},
    {L".gke", kSyntaxKestin},      {L".pelu", kSyntaxKestin},    {L".c", kSyntaxC},
    {L".cpp", kSyntaxC},           {L".c++", kSyntaxC},          {L".cxx", kSyntaxC},
    {L".h", kSyntaxC},             {L".hpp", kSyntaxC},          {L".h++", kSyntaxC},
    {L".hxx", kSyntaxC},           {L".cs", kSyntaxCSharp},      {L".js", kSyntaxJavaScript},
    {L".javascript", kSyntaxJavaScript}, {L".java", kSyntaxJava}, {L".html", kSyntaxHtml},
    {L".htm", kSyntaxHtml},        {L".pat", kSyntaxHtml},       {L".php", kSyntaxPhp},
};

const NamedSyntax* Named(SyntaxId id)
{
    for (const NamedSyntax& named : kNames)
        if (named.id == id)
            return &named;
    return nullptr;
}

}  // namespace

SyntaxId SyntaxIdFromName(const wchar_t* name)
{
    if (!name)
        return kSyntaxUnknown;
    size_t length = wcslen(name);
    // Equal lengths and an equal ending: the whole name is equal.
    for (const NamedSyntax& named : kNames)
        if (wcslen(named.stored) == length && EndsWithNoCase(name, named.stored))
            return named.id;
    return kSyntaxUnknown;
}

const wchar_t* SyntaxIdToName(SyntaxId id)
{
    const NamedSyntax* named = Named(id);
    return named ? named->stored : L"";
}

const wchar_t* SyntaxDisplayName(SyntaxId id)
{
    const NamedSyntax* named = Named(id);
    if (named)
        return named->shown;
    return IsPolishUi() ? L"wy\u0142\u0105czone" : L"none";
}

SyntaxId SyntaxIdFromExtension(const wchar_t* fileName)
{
    for (const Ending& ending : kEndings)
        if (fileName && EndsWithNoCase(fileName, ending.text))
            return ending.id;
    return kSyntaxNone;
}
