#pragma once

// The colour elements that the text view paints, each with its settings keys,
// and the colour-theme files ("*.ScrivelColors") that hold only those keys.
// Theme files are untrusted input: keys outside the table never reach the
// settings, and a file that cannot be read changes nothing.

#include "base/SettingsStore.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

class Form;

// Kinds of element.
enum ColorElementKind : int32 {
    ElementEnd = 0,
    ElementTextClass = 1,       // colour and bold key
    ElementBackground = 2,      // background of the row before it
    ElementOverflowFg = 3,
    ElementOverflowBg = 4,
    ElementSelection = 5,       // selection or cursor line
    ElementUnderline = 6,
    ElementWrapIndicator = 7,
    ElementBracketHighlight = 8,
    ElementSearchMarker = 9,
};

struct ColorElement {
    int32 kind;
    const wchar_t* namePolish;
    const wchar_t* nameEnglish;
    const wchar_t* colorKey;
    u32 defaultColor;
    const wchar_t* boldKey;  // null when the element has none
    int32 boldDefault;
    // A syntax id, or 1000 plus a token class painted on every word.
    int32 sampleSyntax;
};

enum : int32 { kColorElementCount = 24, kTokenClassSample = 1000 };

// The table, kColorElementCount rows and an end row of kind 0.
extern const ColorElement kColorElements[kColorElementCount + 1];

// Calls f(key) for each colour key and bold key of the table, in table order.
template <class F> void ForEachElementKey(F f)
{
    for (int32 row = 0; row < kColorElementCount; row++) {
        f(kColorElements[row].colorKey);
        if (kColorElements[row].boldKey)
            f(kColorElements[row].boldKey);
    }
}

// The row's name in the interface language.
const wchar_t* ColorElementName(int32 row);
// The row's sample text ("\n" between lines), empty when it has none.
String ColorElementSample(int32 row, bool polish);

// The colour the row shows: its key or its default; the bracket background as
// the view computes it; the search marker from SelectionColor3, else
// SelectionColor2, else the marker default.
COLORREF ElementShownColor(const SettingsStore& settings, int32 row);
bool ElementShownBold(const SettingsStore& settings, int32 row);

// A colour picked for the row. Picking the text colour (row 0) or its
// background (row 1) also moves the stored colours that equalled the old one.
void ApplyPickedColor(SettingsStore& settings, int32 row, COLORREF color);
void SetElementBold(SettingsStore& settings, int32 row, bool bold);

// Removes every colour and bold key of the table.
void ResetColorTheme(SettingsStore& settings);
// Removes the colour and bold keys that are present but empty.
void RemoveEmptyColorKeys(SettingsStore& settings);

// Reads a theme file into the settings: each element key the theme sets is
// taken, each it does not set is removed. Keys of no element are ignored.
// An unreadable or missing file throws before anything changes.
void LoadColorTheme(SettingsStore& settings, const wchar_t* path);
// Writes the element keys that hold a non-empty value, sorted.
void SaveColorTheme(const SettingsStore& settings, const wchar_t* path);
// The store a theme file of these settings holds.
void BuildColorTheme(SettingsStore& theme, const SettingsStore& settings);

// The chosen name with ".ScrivelColors" appended unless it already ends so.
String ThemeFileName(const String& chosen);

// The user's "Color Schemes" folder (ending with "\"), created when missing
// (a failure is left for the dialogs to show).
String UserThemeFolder();
// Copies the themes shipped in the program's "Color Schemes\" folder into the
// user's, never over an existing file; nothing when portable. Failures are
// ignored. Answers how many files were copied.
int32 CopyShippedThemes();

// The load and save theme commands with their file dialogs; false when the
// user chose nothing (or refused to overwrite).
bool RunLoadThemeCommand(Form* owner, SettingsStore& settings);
bool RunSaveThemeCommand(Form* owner, const SettingsStore& settings);
