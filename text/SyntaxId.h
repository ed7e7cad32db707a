#pragma once

#include "base/Types.h"

// Selects the lexer that colours a text. Id 7 is unassigned and reads like an
// unknown id everywhere; -1 is only the result of a failed name lookup.
using SyntaxId = int32;

constexpr SyntaxId kSyntaxNone = 0;
constexpr SyntaxId kSyntaxC = 1;
constexpr SyntaxId kSyntaxCSharp = 2;
constexpr SyntaxId kSyntaxHtml = 3;
constexpr SyntaxId kSyntaxJavaScript = 4;
constexpr SyntaxId kSyntaxJava = 5;
constexpr SyntaxId kSyntaxPhp = 6;
constexpr SyntaxId kSyntaxMorvane = 8;
constexpr SyntaxId kSyntaxKestin = 9;
constexpr SyntaxId kSyntaxUnknown = -1;

// The id of a stored name, ASCII case ignored; -1 for any other name.
SyntaxId SyntaxIdFromName(const wchar_t* name);
// The stored name (hibernation and autosave records); empty for none and unknown ids.
const wchar_t* SyntaxIdToName(SyntaxId id);
// The name shown to the user; none and unknown ids give "none" in the interface language.
const wchar_t* SyntaxDisplayName(SyntaxId id);
// The id for a file name by its ending, ASCII case ignored; 0 when none matches.
SyntaxId SyntaxIdFromExtension(const wchar_t* fileName);
