#include "base/AppContext.h"
#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "editor/ColorThemes.h"
#include "gui/FileDialogs.h"
#include "support/PortableMode.h"
#include "support/TempFolder.h"
#include "support/ThemeFuzz.h"
#include "view/ViewStyle.h"

#include <doctest.h>

#include <string>

namespace {

std::string Text(const String& s)
{
    return themefuzz::Utf8(s.CStr());
}

std::string Value(const SettingsStore& store, const wchar_t* key)
{
    const wchar_t* text = store.GetText(key);
    return text ? themefuzz::Utf8(text) : std::string("<absent>");
}

// Every pair, "key=value" joined by ";", to compare whole stores.
std::string Dump(const SettingsStore& store)
{
    std::string out;
    for (int64 i = 0; i < store.PairCount(); i++) {
        String key, value;
        store.PairAt(i, &key, &value);
        out += Text(key) + "=" + Text(value) + ";";
    }
    return out;
}

SettingsStore Store(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
{
    SettingsStore store;
    for (auto& p : pairs)
        store.SetText(p.first, p.second);
    store.loaded = 1;
    return store;
}

// The classic dialogs answer with a fixed name and remember what they were given.
std::wstring DialogAnswer;
std::wstring DialogFolder;
std::wstring DialogTitle;
int DialogCalls = 0;

BOOL Answer(OPENFILENAMEW* r)
{
    DialogCalls++;
    DialogFolder = r->lpstrInitialDir ? r->lpstrInitialDir : L"";
    DialogTitle = r->lpstrTitle ? r->lpstrTitle : L"";
    if (DialogAnswer.empty())
        return FALSE;
    wcsncpy(r->lpstrFile, DialogAnswer.c_str(), r->nMaxFile - 1);
    r->lpstrFile[r->nMaxFile - 1] = 0;
    return TRUE;
}

const FileDialogCalls AnsweringCalls = {
    [](REFCLSID, REFIID, void** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    },
    Answer,
    Answer,
};

struct AnsweringDialogs {
    explicit AnsweringDialogs(const std::wstring& answer)
    {
        DialogAnswer = answer;
        DialogCalls = 0;
        SetFileDialogCalls(&AnsweringCalls);
    }
    ~AnsweringDialogs() { SetFileDialogCalls(nullptr); }
};

void ForgetPortable()
{
    AppContext& context = AppContext::Current();
    context.portableKnown = 0;
    context.DetectPortable();
}

}  // namespace

TEST_CASE("the element table: 24 rows, ten with bold keys, samples as long as shown")
{
    CHECK(kColorElements[kColorElementCount].kind == 0);
    int bold = 0;
    for (int32 row = 0; row < kColorElementCount; row++) {
        CHECK(kColorElements[row].kind > 0);
        if (kColorElements[row].boldKey) {
            CHECK(kColorElements[row].kind == ElementTextClass);
            bold++;
        }
    }
    CHECK(bold == 10);
    for (bool polish : {false, true}) {
        String s = ColorElementSample(20, polish);
        const wchar_t* p = s.CStr();
        int64 first = static_cast<int64>(wcschr(p, L'\n') - p);
        CHECK(first == (polish ? 624 : 623));
        CHECK(s.Length() - first - 1 == 630);
    }
    CHECK(ColorElementSample(1, false).IsEmpty());
    int32 saved = UiLanguageId();
    SetUiLanguageId(21);
    CHECK(Text(String(ColorElementName(4))) == "znane identyfikatory 1");
    SetUiLanguageId(9);
    CHECK(Text(String(ColorElementName(4))) == "known names 1");
    SetUiLanguageId(saved);
}

TEST_CASE("picking the text colour moves the stored colours that equalled it")
{
    struct Case {
        const char* name;
        SettingsStore before;
        int32 row;
        COLORREF picked;
        std::vector<std::pair<const wchar_t*, const char*>> expected;
    };
    std::vector<Case> cases;
    cases.push_back({"black text absent: stored black keyword follows, absent and other stay",
                     Store({{L"KeywordColor", L"#000000"}, {L"StringColor", L"#b48c00"}}), 0, 0x123456,
                     {{L"TextColor", "#123456"}, {L"KeywordColor", "#123456"}, {L"StringColor", "#b48c00"},
                      {L"NumberColor", "<absent>"}}});
    cases.push_back({"stored text colour: decimal and hex spellings of it follow, junk never",
                     Store({{L"TextColor", L"#00ff00"}, {L"TagColor", L"65280"}, {L"NumberColor", L"zz"},
                            {L"CommentColor", L""}, {L"IdentifierColor", L"#000000"}}),
                     0, 0xABCDEF,
                     {{L"TagColor", "#abcdef"}, {L"NumberColor", "zz"}, {L"CommentColor", ""},
                      {L"IdentifierColor", "#000000"}}});
    cases.push_back({"junk text colour counts as black",
                     Store({{L"TextColor", L"junk"}, {L"KeywordColor", L"#0"}}), 0, 0x0000FF,
                     {{L"TextColor", "#0000ff"}, {L"KeywordColor", "#0000ff"}}});
    cases.push_back({"background: frame and line follow only when stored and equal",
                     Store({{L"LineFrameColor", L"#ffffff"}, {L"CommentBgColor", L"#fffffe"}}), 1, 0x202020,
                     {{L"TextBgColor", "#202020"}, {L"LineFrameColor", "#202020"}, {L"LineBgColor", "<absent>"},
                      {L"CommentBgColor", "#fffffe"}}});
    cases.push_back({"background followers ignore a text-colour pick",
                     Store({{L"LineBgColor", L"#000000"}}), 0, 0x111111,
                     {{L"LineBgColor", "#000000"}}});
    cases.push_back({"another row moves nothing else",
                     Store({{L"KeywordColor", L"#000000"}}), 7, 0x111111,
                     {{L"CommentColor", "#111111"}, {L"KeywordColor", "#000000"}, {L"TextColor", "<absent>"}}});
    for (Case& c : cases) {
        CAPTURE(c.name);
        ApplyPickedColor(c.before, c.row, c.picked);
        for (auto& e : c.expected) {
            CAPTURE(themefuzz::Utf8(e.first));
            CHECK(Value(c.before, e.first) == e.second);
        }
    }
}

TEST_CASE("shown colours: the search marker falls back to the second selection colour, brackets are computed")
{
    SettingsStore s;
    CHECK(ElementShownColor(s, 16) == 0xE8A690);
    s.SetText(L"SelectionColor2", L"#010203");
    CHECK(ElementShownColor(s, 16) == 0x010203);
    s.SetText(L"SelectionColor3", L"#0a0b0c");
    CHECK(ElementShownColor(s, 16) == 0x0A0B0C);
    CHECK(ElementShownColor(s, 23) == ReadHighlightBgColor(s));
    CHECK(ElementShownBold(s, 3));
    CHECK_FALSE(ElementShownBold(s, 0));
    CHECK_FALSE(ElementShownBold(s, 1));
    SetElementBold(s, 1, true);  // a background has no bold key
    SetElementBold(s, 3, false);
    CHECK_FALSE(ElementShownBold(s, 3));
    CHECK(Value(s, L"KeywordBold") == "false");
}

TEST_CASE("a theme round trip keeps the working copy; the file holds only non-empty element keys, sorted")
{
    TempFolder folder;
    String path = folder / L"mine.ScrivelColors";
    SettingsStore working = Store({{L"TextColor", L"#112233"}, {L"KeywordBold", L"false"}, {L"FontName", L"Arial"},
                                   {L"TagBgColor", L""}, {L"HighlightBgColor", L"#abcdef"},
                                   {L"Hibernate", L"false"}, {L"SelectionColor3", L"#000001"}});
    SaveColorTheme(working, path.CStr());
    CHECK(ReadFileBytes(path) ==
          "HighlightBgColor=#abcdef\r\nKeywordBold=false\r\nSelectionColor3=#000001\r\nTextColor=#112233\r\n");

    SettingsStore other = Store({{L"TextColor", L"#ffffff"}, {L"CommentColor", L"#000000"}, {L"FontName", L"Arial"},
                                 {L"TagBgColor", L""}, {L"Hibernate", L"false"}, {L"KeywordBold", L"true"}});
    LoadColorTheme(other, path.CStr());
    CHECK(Dump(other) == Dump(working));

    SaveColorTheme(SettingsStore(), (folder / L"empty.ScrivelColors").CStr());
    CHECK(ReadFileBytes(folder / L"empty.ScrivelColors").empty());
}

TEST_CASE("a theme that sets only the text colour removes every other colour and bold key")
{
    TempFolder folder;
    String path = folder / L"t.ScrivelColors";
    WriteFileBytes(path, "TextColor=#010101\r\nFontName=Evil\r\nUILanguage=polski\r\n");
    SettingsStore working = Store({{L"KeywordColor", L"#000000"}, {L"TagBold", L"true"}, {L"FontName", L"Mono"},
                                   {L"SelectionColor3", L"#ff"}});
    LoadColorTheme(working, path.CStr());
    CHECK(Dump(working) == "FontName=Mono;TextColor=#010101;");

    // A file without element keys resets every element.
    WriteFileBytes(path, "no equals sign\r\n");
    LoadColorTheme(working, path.CStr());
    CHECK(Dump(working) == "FontName=Mono;");
}

TEST_CASE("an unreadable theme leaves the working copy as it was")
{
    SetKeyValueRetryPause(1);
    TempFolder folder;
    SettingsStore working = Store({{L"TextColor", L"#123456"}, {L"KeywordBold", L"false"}});
    std::string before = Dump(working);
    CHECK_THROWS(LoadColorTheme(working, (folder / L"missing.ScrivelColors").CStr()));
    CHECK(Dump(working) == before);
    CHECK_THROWS(LoadColorTheme(working, folder.Path().CStr()));
    CHECK(Dump(working) == before);
    String locked = folder / L"locked.ScrivelColors";
    WriteFileBytes(locked, "TextColor=#000000\r\n");
    HANDLE h = CreateFileW(locked.CStr(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    CHECK_THROWS(LoadColorTheme(working, locked.CStr()));
    CloseHandle(h);
    CHECK(Dump(working) == before);
    SetKeyValueRetryPause(200);
}

TEST_CASE("theme names get the extension unless they end in it in any case")
{
    CHECK(Text(ThemeFileName(String(L"C:\\t\\dark"))) == "C:\\t\\dark.ScrivelColors");
    CHECK(Text(ThemeFileName(String(L"C:\\t\\Dark.sCRIVELcOLORS"))) == "C:\\t\\Dark.sCRIVELcOLORS");
    CHECK(Text(ThemeFileName(String(L"x.ScrivelColors.txt"))) == "x.ScrivelColors.txt.ScrivelColors");
}

TEST_CASE("reset removes every element key and nothing else; OK's clean-up removes only empty ones")
{
    SettingsStore s = Store({{L"TextColor", L"#1"}, {L"TextBold", L""}, {L"FontName", L"A"},
                             {L"WrapIndicatorColor", L""}, {L"TabStep", L""}});
    SettingsStore cleaned;
    cleaned.Assign(s);
    RemoveEmptyColorKeys(cleaned);
    CHECK(Dump(cleaned) == "FontName=A;TabStep=;TextColor=#1;");
    ResetColorTheme(s);
    CHECK(Dump(s) == "FontName=A;TabStep=;");
}

TEST_CASE("shipped themes are copied without overwriting, and never when portable")
{
    String shipped = GetProgramFilePath(L"Color Schemes\\");
    CreateDirectoryW(shipped.CStr(), nullptr);
    WriteFileBytes(Concat(shipped, L"A.ScrivelColors"), "TextColor=#000001\r\n");
    WriteFileBytes(Concat(shipped, L"B.ScrivelColors"), "TextColor=#000002\r\n");
    WriteFileBytes(Concat(shipped, L"notatheme.txt"), "x");
    {
        PortableDataFolder portable;
        ForgetPortable();
        CHECK(CopyShippedThemes() == 0);
        CHECK_FALSE(PathExists(portable / L"Color Schemes"));
        // The dialogs still open at the user's own folder, made first.
        AnsweringDialogs dialogs(L"");
        SettingsStore s;
        CHECK_FALSE(RunLoadThemeCommand(nullptr, s));
        CHECK(DialogCalls == 1);
        CHECK(PathExists(portable / L"Color Schemes"));
        CHECK(DialogFolder == std::wstring((portable / L"Color Schemes\\").CStr()));
        CHECK_FALSE(PathExists(portable / L"Color Schemes\\A.ScrivelColors"));
    }
    {
        NoPortableDataFolder lock;
        ForgetPortable();
        String user = GetDataFilePath(L"Color Schemes\\");
        RemoveTree(user.CStr());
        CreateDirectoryW(GetDataFilePath(nullptr).CStr(), nullptr);
        CreateDirectoryW(user.CStr(), nullptr);
        WriteFileBytes(Concat(user, L"B.ScrivelColors"), "TextColor=#0000ff\r\n");
        CHECK(CopyShippedThemes() == 1);
        CHECK(ReadFileBytes(Concat(user, L"A.ScrivelColors")) == "TextColor=#000001\r\n");
        CHECK(ReadFileBytes(Concat(user, L"B.ScrivelColors")) == "TextColor=#0000ff\r\n");
        CHECK_FALSE(PathExists(Concat(user, L"notatheme.txt")));

        // Loading through the command: the file the dialog answers is read.
        AnsweringDialogs dialogs(Concat(user, L"A.ScrivelColors").CStr());
        SettingsStore s = Store({{L"KeywordColor", L"#ff"}});
        CHECK(RunLoadThemeCommand(nullptr, s));
        CHECK(Dump(s) == "TextColor=#000001;");
        CHECK(DialogFolder == std::wstring(user.CStr()));

        // Saving through the command adds the extension to a new name.
        DialogAnswer = std::wstring(Concat(user, L"fresh").CStr());
        CHECK(RunSaveThemeCommand(nullptr, s));
        CHECK(ReadFileBytes(Concat(user, L"fresh.ScrivelColors")) == "TextColor=#000001\r\n");
        RemoveTree(user.CStr());
    }
    RemoveTree(shipped.CStr());
    ForgetPortable();
}

TEST_CASE("fuzzed theme files: only element keys change, exactly as the file reads")
{
    const unsigned long long seed = 20261209;
    themefuzz::Random random{seed};
    TempFolder folder;
    String path = folder / L"fuzz.ScrivelColors";
    SettingsStore base = Store({{L"FontName", L"Mono"}, {L"Hibernate", L"false"}, {L"UILanguage", L"english"},
                                {L"TextColor", L"#123456"}, {L"KeywordBold", L"false"}, {L"TagBgColor", L""}});
    std::string valid = "KeywordColor=#00ff00\r\nTextBgColor=#ffffff\r\nTextBold=true\r\nTextColor=#000000\r\n";
    int loaded = 0;
    for (int i = 0; i < 10000; i++) {
        // Megabyte values are rare here; the benchmark program has them throughout.
        std::string bytes = random.Below(2) ? themefuzz::RandomTheme(random, i % 100 == 0)
                                            : themefuzz::MutatedTheme(random, valid);
        WriteFileBytes(path, bytes);
        SettingsStore working;
        working.Assign(base);
        try {
            LoadColorTheme(working, path.CStr());
            loaded++;
        } catch (const Error&) {
            CHECK(Dump(working) == Dump(base));
            continue;
        }
        std::string fault = themefuzz::CheckLoaded(base, working, path.CStr());
        if (!fault.empty()) {
            CAPTURE(seed);
            CAPTURE(i);
            FAIL(fault);
        }
    }
    CHECK(loaded == 10000);
}
