#pragma once

// The text transformations behind the case and tab commands, on UTF-16.

#include "base/String.h"
#include "base/Types.h"

enum : int32 { CommandUpperCase = 11034, CommandLowerCase = 11035, CommandToggleCase = 11036 };

// Converts in place by code point; a code point whose other case needs
// another number of UTF-16 units stays, so the length never changes.
void ConvertCaseText(int32 command, String& text);
// The tab step the conversions can use: 1..20, like the view's.
int32 ClampTabStep(int32 step);
// Every TAB becomes spaces up to the next multiple of the step.
String ExpandTabs(String text, int32 step);
// Runs of leading blanks that reach a tab stop become TABs.
String CompressSpaces(String text, int32 step);
