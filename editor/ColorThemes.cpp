#include "editor/ColorThemes.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"
#include "gui/FileDialogs.h"
#include "view/ViewStyle.h"

namespace {

constexpr const wchar_t* kThemeExtension = L".ScrivelColors";
constexpr const wchar_t* kThemePattern = L"*.ScrivelColors";
constexpr const wchar_t* kThemeFolderName = L"Color Schemes\\";
constexpr u32 kSearchMarkerDefault = 0xE8A690;

}  // namespace

const ColorElement kColorElements[kColorElementCount + 1] = {
    {1, L"zwykły tekst", L"ordinary text", L"TextColor", 0x000000, L"TextBold", 0, 0},
    {2, L"  tło zwykłego tekstu", L"  ordinary text background", L"TextBgColor", 0xFFFFFF, nullptr, 0, 0},
    {1, L"identyfikator", L"identifier", L"IdentifierColor", 0x8C6428, L"IdentifierBold", 0, 1},
    {1, L"słowo kluczowe", L"keyword", L"KeywordColor", 0xB48C00, L"KeywordBold", 1, 1},
    {1, L"znane identyfikatory 1", L"known names 1", L"Known1Color", 0xB48C00, L"Known1Bold", 0, 1009},
    {1, L"znane identyfikatory 2", L"known names 2", L"Known2Color", 0xB48C00, L"Known2Bold", 0, 1010},
    {1, L"liczba", L"number", L"NumberColor", 0x000000, L"NumberBold", 0, 1},
    {1, L"komentarz", L"comment", L"CommentColor", 0x787878, L"CommentBold", 0, 1},
    {2, L"  tło komentarza", L"  comment background", L"CommentBgColor", 0xFFFFFF, nullptr, 0, 0},
    {1, L"łańcuch znaków", L"string", L"StringColor", 0x0080FF, L"StringBold", 0, 1},
    {2, L"  tło łańcucha znaków", L"  string background", L"StringBgColor", 0xFFFFFF, nullptr, 0, 0},
    {1, L"dyrektywa preprocesora", L"preprocessor directive", L"PreprocessorColor", 0x008000,
     L"PreprocessorBold", 0, 1},
    {1, L"tag HTML", L"HTML tag", L"TagColor", 0xB48C00, L"TagBold", 1, 3},
    {2, L"  tło tagu HTML", L"  HTML tag background", L"TagBgColor", 0xFFFFFF, nullptr, 0, 0},
    {5, L"tło zaznaczenia", L"selection background", L"SelectionBgColor", 0xFCCECC, nullptr, 0, 0},
    {5, L"  dodatkowe tło zaznaczenia", L"  additional selection background", L"SelectionColor2", 0xE8A690,
     nullptr, 0, 0},
    {9, L"  marker szukania przyrostowego", L"  incremental search marker", L"SelectionColor3", 0xE8A690,
     nullptr, 0, 0},
    {6, L"podkreślenia nieznanych słów", L"underlines of unknown words", L"UnderlinesColor", 0x0000FF, nullptr,
     0, 0},
    {5, L"ramka wiersza z kursorem", L"cursor line frame", L"LineFrameColor", 0xF4F4F4, nullptr, 0, 0},
    {5, L"  tło wiersza z kursorem", L"  cursor line background", L"LineBgColor", 0xF4F4F4, nullptr, 0, 0},
    {3, L"kolor znacznika długiego wiersza", L"color of long line marker", L"OverflowFgColor", 0x000000,
     nullptr, 0, 0},
    {4, L"  tło znacznika długiego wiersza", L"  background color of long line marker", L"OverflowBgColor",
     0x8080FF, nullptr, 0, 0},
    {7, L"kolor znacznika zawijania wierszy", L"color of line wrap indicator", L"WrapIndicatorColor", 0xD0D0D0,
     nullptr, 0, 0},
    {8, L"kolor podświetlenia nawiasów", L"background color of highlighted brackets", L"HighlightBgColor",
     0xC0C0FF, nullptr, 0, 0},
    {0, nullptr, nullptr, nullptr, 0, nullptr, 0, 0},
};

const wchar_t* ColorElementName(int32 row)
{
    if (row < 0 || row >= kColorElementCount)
        throw IndexError();
    return IsPolishUi() ? kColorElements[row].namePolish : kColorElements[row].nameEnglish;
}

namespace {

String RepeatedLine(const wchar_t* head, const wchar_t* word, int32 times, const wchar_t* tail)
{
    String line(head);
    int64 n = static_cast<int64>(wcslen(word));
    for (int32 i = 0; i < times; i++)
        line.Append(word, n);
    line.Append(tail, static_cast<int64>(wcslen(tail)));
    return line;
}

}  // namespace

String ColorElementSample(int32 row, bool polish)
{
    switch (row) {
    case 0:
        return polish ? String(L"Taki sobie zwyczajny tekst.\nWięcej zwykłego tekstu.\nWiersz z kursorem.")
                      : String(L"Some ordinary text.\nAnother ordinary text.\nLine with cursor.");
    case 2: return String(L"count length size position\nfirst last\nprevious next");
    case 3: return String(L"if else while for\nclass struct typedef\ntry catch throw");
    case 4:
    case 5: return String(L"sample sample sample sample");
    case 6: return String(L"0  102  0xffffffff\n11111111111ul 1.0 .5\n3e11 0xcafebabe");
    case 7:
        return String(L"/* C block comment */\n// C line comment\n/*\n<!-- HTML comment -->\n// more comments");
    case 9: return String(L"\"Hello World!\"\n'JavaScript or HTML string'\n\"another string\"");
    case 11: return String(L"#define FALSE   0\n#define TRUE\t1");
    case 12: return String(L"<div class=\"test\">\n\tTEST\n</div>\n<img src=\"images/cat.jpg\">");
    case 16: return String(L"not can can not can can\nnot can can not can can");
    case 20:
    case 21:
    case 22: {
        String first = polish ? RepeatedLine(L"Bardzo długi wiersz tekstu, naprawdę ", L"bardzo ", 83, L"długi.")
                              : RepeatedLine(L"Very long line, really ", L"very ", 118, L"long line.");
        String second = polish ? RepeatedLine(L"Drugi bardzo długi wiersz tekstu, naprawdę ", L"bardzo ", 83,
                                              L"długi.")
                               : RepeatedLine(L"Second very long line, really ", L"very ", 118, L"long line.");
        first.Append(L"\n", 1);
        first.Append(second.Data(), second.Length());
        return first;
    }
    case 23: return String(L"( alfa beta gamma )");
    default: return String();
    }
}

namespace {

const ColorElement& Element(int32 row)
{
    if (row < 0 || row >= kColorElementCount)
        throw IndexError();
    return kColorElements[row];
}

// The stored colour of a key, or -1 when the key is absent, empty or does
// not read as a colour (such a value never equals another colour).
int64 StoredColor(const SettingsStore& settings, const wchar_t* key)
{
    const wchar_t* text = settings.GetText(key);
    if (text == nullptr || text[0] == 0)
        return -1;
    bool hex = text[0] == L'#' && iswxdigit(text[1]);
    if (!hex && !(text[0] >= L'0' && text[0] <= L'9'))
        return -1;
    return settings.GetColor(key, 0);
}

void RemoveKey(SettingsStore& settings, const wchar_t* key)
{
    int64 at = settings.Find(key);
    if (at >= 0)
        settings.RemovePairAt(at);
}

bool HasValue(const SettingsStore& settings, const wchar_t* key)
{
    const wchar_t* text = settings.GetText(key);
    return text != nullptr && text[0] != 0;
}

void FollowColor(SettingsStore& settings, const wchar_t* const* keys, size_t n, int64 old, COLORREF color)
{
    for (size_t i = 0; i < n; i++)
        if (StoredColor(settings, keys[i]) == old)
            settings.SetColor(keys[i], color);
}

}  // namespace

COLORREF ElementShownColor(const SettingsStore& settings, int32 row)
{
    const ColorElement& e = Element(row);
    switch (e.kind) {
    case ElementBracketHighlight: return ReadHighlightBgColor(settings);
    case ElementSearchMarker:
        return settings.GetColor(L"SelectionColor3", settings.GetColor(L"SelectionColor2", kSearchMarkerDefault));
    default: return settings.GetColor(e.colorKey, e.defaultColor);
    }
}

bool ElementShownBold(const SettingsStore& settings, int32 row)
{
    const ColorElement& e = Element(row);
    return e.boldKey != nullptr && settings.GetBool(e.boldKey, e.boldDefault != 0);
}

void ApplyPickedColor(SettingsStore& settings, int32 row, COLORREF color)
{
    const ColorElement& e = Element(row);
    if (row == 0) {
        static const wchar_t* const followers[] = {L"IdentifierColor", L"KeywordColor", L"Known1Color",
                                                   L"Known2Color", L"NumberColor", L"CommentColor",
                                                   L"StringColor", L"PreprocessorColor", L"TagColor"};
        FollowColor(settings, followers, sizeof followers / sizeof followers[0],
                    settings.GetColor(L"TextColor", 0x000000), color);
    } else if (row == 1) {
        static const wchar_t* const followers[] = {L"CommentBgColor", L"StringBgColor", L"TagBgColor",
                                                   L"LineFrameColor", L"LineBgColor"};
        FollowColor(settings, followers, sizeof followers / sizeof followers[0],
                    settings.GetColor(L"TextBgColor", 0xFFFFFF), color);
    }
    settings.SetColor(e.colorKey, color);
}

void SetElementBold(SettingsStore& settings, int32 row, bool bold)
{
    const ColorElement& e = Element(row);
    if (e.kind == ElementTextClass && e.boldKey)
        settings.SetText(e.boldKey, bold ? L"true" : L"false");
}

void ResetColorTheme(SettingsStore& settings)
{
    ForEachElementKey([&](const wchar_t* key) { RemoveKey(settings, key); });
}

void RemoveEmptyColorKeys(SettingsStore& settings)
{
    ForEachElementKey([&](const wchar_t* key) {
        const wchar_t* text = settings.GetText(key);
        if (text != nullptr && text[0] == 0)
            RemoveKey(settings, key);
    });
}

void LoadColorTheme(SettingsStore& settings, const wchar_t* path)
{
    // The settings reader takes a missing file for an empty one, which here
    // would wipe the user's colours: a theme must be a file.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        ThrowLastError(path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        ThrowWinError(ERROR_ACCESS_DENIED, path);
    SettingsStore theme;
    LoadKeyValueFile(theme, path);
    // Every change is prepared in a copy and taken over at once, so a failure
    // half-way leaves the settings as they were.
    SettingsStore result;
    result.Assign(settings);
    ForEachElementKey([&](const wchar_t* key) {
        String value = theme.Get(key);
        if (!value.IsEmpty())
            result.SetString(key, value);
        else if (HasValue(result, key))
            RemoveKey(result, key);
    });
    settings.pairs = result.pairs;
}

void BuildColorTheme(SettingsStore& theme, const SettingsStore& settings)
{
    theme.pairs.Release();
    ForEachElementKey([&](const wchar_t* key) {
        String value = settings.Get(key);
        if (!value.IsEmpty())
            theme.SetString(key, value);
    });
    theme.loaded = 1;
}

void SaveColorTheme(const SettingsStore& settings, const wchar_t* path)
{
    SettingsStore theme;
    BuildColorTheme(theme, settings);
    SaveKeyValueFile(theme, path);
}

String ThemeFileName(const String& chosen)
{
    if (EndsWithNoCase(chosen.CStr(), kThemeExtension))
        return chosen;
    String name;
    name.Concat(chosen.Data(), chosen.Length(), kThemeExtension, static_cast<int64>(wcslen(kThemeExtension)));
    return name;
}

String UserThemeFolder()
{
    AppContext::Current().DetectPortable();
    String data = GetDataFilePath(nullptr);
    CreateDirectoryW(data.CStr(), nullptr);
    String folder = GetDataFilePath(kThemeFolderName);
    CreateDirectoryW(folder.CStr(), nullptr);
    return folder;
}

int32 CopyShippedThemes()
{
    AppContext& context = AppContext::Current();
    context.DetectPortable();
    if (context.portable)
        return 0;
    String shipped = GetProgramFilePath(kThemeFolderName);
    Array<String> names = ListDirectory(shipped.CStr(), kThemePattern);
    if (names.Count() == 0)
        return 0;
    String folder = UserThemeFolder();
    int32 copied = 0;
    for (int64 i = 0; i < names.Count(); i++) {
        String from = JoinPath(shipped.CStr(), names.At(i).CStr());
        String to = JoinPath(folder.CStr(), names.At(i).CStr());
        // FALSE: a theme the user already has (perhaps changed) stays.
        if (CopyFileW(from.CStr(), to.CStr(), TRUE))
            copied++;
    }
    return copied;
}

namespace {

const wchar_t* ThemeFilter(bool polish)
{
    return polish ? L"Schematy Scrivel\0*.ScrivelColors\0" : L"Scrivel color themes\0*.ScrivelColors\0";
}

}  // namespace

bool RunLoadThemeCommand(Form* owner, SettingsStore& settings)
{
    bool polish = IsPolishUi();
    CopyShippedThemes();
    String folder = UserThemeFolder();
    String path = OpenFileDialog(owner, polish ? L"Wskaż schemat do wczytania - Scrivel" : L"Select color theme - Scrivel",
                                 ThemeFilter(polish), folder.CStr());
    if (path.IsEmpty())
        return false;
    LoadColorTheme(settings, path.CStr());
    return true;
}

bool RunSaveThemeCommand(Form* owner, const SettingsStore& settings)
{
    bool polish = IsPolishUi();
    String folder = UserThemeFolder();
    String chosen = SaveFileDialog(owner,
                                   polish ? L"Wskaż lub wpisz nazwę schematu do zapisu - Scrivel"
                                          : L"Save color theme - Scrivel",
                                   ThemeFilter(polish), folder.CStr(), nullptr);
    if (chosen.IsEmpty())
        return false;
    String path = ThemeFileName(chosen);
    DWORD attributes = GetFileAttributesW(path.CStr());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        int32 answer = ShowAlert(owner, polish ? L"Wskazany plik już istnieje. Zastąpić go?"
                                               : L"The file already exists. Overwrite?",
                                 polish ? L"Zapisz schemat - Scrivel" : L"Save color theme - Scrivel",
                                 polish ? L"+Zastąp|-Anuluj" : L"+Overwrite|-Cancel", AlertQuestion);
        if (answer != 0)
            return false;
    }
    SaveColorTheme(settings, path.CStr());
    return true;
}
