#include "spell/SpellFixtures.h"

#include "gui/CheckMark.h"
#include "gui/FileDialogs.h"
#include "gui/TableBox.h"
#include "spell/DictFiles.h"
#include "spell/SpellingDictsDialog.h"
#include "support/CaughtError.h"
#include "support/ModalWatch.h"
#include "support/RecordingAlerts.h"

#include <commctrl.h>
#include <doctest.h>

#include <string>
#include <vector>

namespace {

bool MessageHas(const Error& e, const wchar_t* part)
{
    return e.message && wcsstr(e.message, part) != nullptr;
}

const char kAff[] = "SET UTF-8\n";
const char kDic[] = "2\nkot\npies\n";

std::vector<std::wstring> Names(const Array<String>& names)
{
    std::vector<std::wstring> out;
    for (int64 i = 0; i < names.Count(); i++)
        out.emplace_back(names.At(i).CStr());
    return out;
}

std::vector<std::wstring> Listed(const DictFolders& folders)
{
    return Names(ListAvailableDictionaries(folders));
}

String In(const String& folder, const wchar_t* file)
{
    return Concat(folder, file);
}

// The rows of a table box as shown.
std::vector<std::wstring> Rows(HWND table)
{
    std::vector<std::wstring> rows;
    int n = static_cast<int>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        wchar_t text[100] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 100;
        SendMessageW(table, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        rows.emplace_back(text);
    }
    return rows;
}

void SelectRow(HWND table, int row)
{
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(table, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

int SelectedRow(HWND table)
{
    return static_cast<int>(SendMessageW(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

class Owner : public Form {
public:
    Owner() { Create(MainWindow, L"DictsOwner", nullptr, 7); }
};

// User dictionaries en and PL, shipped pl, de and x; x hidden by its marker.
struct Installed {
    SpellFolders dirs;
    const DictFolders& folders = dirs.folders;
    Installed()
    {
        for (const wchar_t* name : {L"PL", L"en"})
            SpellFolders::WriteDict(folders.user, name, kAff, kDic);
        for (const wchar_t* name : {L"pl", L"de", L"x"})
            SpellFolders::WriteDict(folders.shipped, name, kAff, kDic);
        WriteFileBytes(In(folders.user, L"x.del"), "");
    }
};

// The file dialog answers with one path.
String g_chosen;
const FileDialogCalls kChooseFile = {
    [](REFCLSID, REFIID, void** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    },
    [](OPENFILENAMEW* r) -> BOOL {
        lstrcpynW(r->lpstrFile, g_chosen.CStr(), static_cast<int>(r->nMaxFile));
        return TRUE;
    },
    nullptr,
};

// Runs the manager with a script: first the dialog as shown, then the input
// line (when one is asked for) getting name, then Cancel.
int32 RunScripted(Installed& fx, Owner& owner, String& out, const String& current,
                  std::function<void(HWND)> onShown)
{
    WhenShown(kDictsPrimaryId, std::move(onShown));
    return SpellingDictsDialog::Run(out, &owner, current, fx.folders);
}

// After the button, the name typed into the input line and OK, then Cancel.
void PressWithName(HWND dialog, int button, const wchar_t* name)
{
    static std::wstring typed;
    typed = name;
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WhenShown(99, [](HWND input) {
        SetWindowTextW(GetDlgItem(input, 99), typed.c_str());
        PostMessageW(input, WM_COMMAND, IDOK, 0);
        WhenShown(kDictsPrimaryId, [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    });
}

}  // namespace

TEST_CASE("the listing puts user dictionaries first, names a pair in both folders once and honours markers")
{
    Installed fx;
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"en", L"PL", L"de"});
    CHECK(IsUserDictionary(fx.folders, String(L"pl")));
    CHECK_FALSE(IsUserDictionary(fx.folders, String(L"de")));
    // A marker never hides a user dictionary.
    WriteFileBytes(In(fx.folders.user, L"en.del"), "");
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"en", L"PL", L"de"});
}

TEST_CASE("removing hides a shipped dictionary and deletes a user pair, keeping the user's words")
{
    Installed fx;
    WriteFileBytes(In(fx.folders.user, L"PL.usr"), "słowo\r\n");
    RemoveDictionary(fx.folders, String(L"de"));
    CHECK(PathExists(In(fx.folders.user, L"de.del")));
    CHECK(PathExists(In(fx.folders.shipped, L"de.aff")));
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"en", L"PL"});

    // The user's PL shadowed the shipped pl, which comes back.
    RemoveDictionary(fx.folders, String(L"PL"));
    CHECK_FALSE(PathExists(In(fx.folders.user, L"PL.aff")));
    CHECK_FALSE(PathExists(In(fx.folders.user, L"PL.dic")));
    CHECK(ReadFileBytes(In(fx.folders.user, L"PL.usr")) == "słowo\r\n");
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"en", L"pl"});

    // A user pair whose .dic is gone: the error names it.
    SpellFolders::WriteDict(fx.folders.user, L"half", kAff, kDic);
    DeleteFileW(In(fx.folders.user, L"half.dic").CStr());
    Error e = CaughtError([&] { RemoveDictionary(fx.folders, String(L"half")); });
    CHECK(e.code == ERROR_FILE_NOT_FOUND);
    CHECK(MessageHas(e, L"half.dic"));
}

TEST_CASE("renaming moves a user pair and copies a shipped one under a marker; failures keep the old pair")
{
    Installed fx;
    RenameDictionary(fx.folders, String(L"en"), String(L"English"));
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"English", L"PL", L"de"});
    CHECK(ReadFileBytes(In(fx.folders.user, L"English.dic")) == kDic);

    RenameDictionary(fx.folders, String(L"de"), String(L"Niemiecki"));
    CHECK(PathExists(In(fx.folders.user, L"de.del")));
    CHECK(ReadFileBytes(In(fx.folders.user, L"Niemiecki.aff")) == kAff);
    CHECK(PathExists(In(fx.folders.shipped, L"de.dic")));
    CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"English", L"Niemiecki", L"PL"});

    SUBCASE("onto an existing user dictionary")
    {
        Error e = CaughtError([&] { RenameDictionary(fx.folders, String(L"English"), String(L"PL")); });
        CHECK(e.code == ERROR_ALREADY_EXISTS);
        CHECK(ReadFileBytes(In(fx.folders.user, L"English.dic")) == kDic);
        CHECK(ReadFileBytes(In(fx.folders.user, L"English.aff")) == kAff);
    }
    SUBCASE("a user pair whose .aff cannot follow moves its .dic back")
    {
        WriteFileBytes(In(fx.folders.user, L"Taken.aff"), "other");
        Error e = CaughtError([&] { RenameDictionary(fx.folders, String(L"English"), String(L"Taken")); });
        CHECK(e.code == ERROR_ALREADY_EXISTS);
        CHECK(MessageHas(e, L"Taken.aff"));
        CHECK(ReadFileBytes(In(fx.folders.user, L"English.dic")) == kDic);
        CHECK_FALSE(PathExists(In(fx.folders.user, L"Taken.dic")));
    }
    SUBCASE("a shipped pair whose .aff copy fails leaves no lone .dic")
    {
        SpellFolders::WriteDict(fx.folders.shipped, L"fr", kAff, kDic);
        WriteFileBytes(In(fx.folders.user, L"Francuski.aff"), "other");
        Error e = CaughtError([&] { RenameDictionary(fx.folders, String(L"fr"), String(L"Francuski")); });
        CHECK(e.code == ERROR_FILE_EXISTS);
        CHECK(MessageHas(e, L"Francuski.aff"));
        CHECK_FALSE(PathExists(In(fx.folders.user, L"Francuski.dic")));
        CHECK_FALSE(PathExists(In(fx.folders.user, L"fr.del")));
    }
}

TEST_CASE("dictionary names with separators, dots, tildes or a leading blank or hyphen are refused")
{
    for (const wchar_t* bad : {L"", L" pl", L"-pl", L"!x", L"pl.old", L"a/b", L"a\\b", L"c:", L"<x", L"x>", L"~pl"})
        CHECK_MESSAGE(IsBadDictName(String(bad)), std::string(bad, bad + wcslen(bad)));
    for (const wchar_t* good : {L"pl-PL", L"Polski", L"Żółw", L"0pl", L"pl_PL"})
        CHECK_FALSE(IsBadDictName(String(good)));
}

TEST_CASE("device names, the console's included, are refused as dictionary names, in any case and with an extension or blanks")
{
    for (const wchar_t* bad : {L"con", L"PRN", L"Aux", L"nul", L"com1", L"COM9", L"lpt1", L"LpT9", L"nul.aff",
                               L"con.dic", L"aux ", L"com3 .txt", L"CONIN$", L"conout$", L"Conin$  ", L"CONOUT$ ",
                               L"COM\u00B9", L"com\u00B2", L"Com\u00B3 ", L"LPT\u00B9", L"lpt\u00B2", L"lPt\u00B3  "})
        CHECK_MESSAGE(IsBadDictName(String(bad)), std::string(bad, bad + wcslen(bad)));
    for (const wchar_t* good : {L"cons", L"co", L"com", L"com0", L"com10", L"lpt", L"nula", L"auxiliary", L"prn2",
                                L"conin", L"CONOUT", L"conin$$", L"conout$1", L"xconin$", L"com\u2074", L"lpt\u00B4",
                                L"com\u00B9\u00B9", L"COM\u00B9x"})
        CHECK_MESSAGE(!IsBadDictName(String(good)), std::string(good, good + wcslen(good)));
}

TEST_CASE("the manager lists, preselects and returns the primary, or the primary and the secondary")
{
    Installed fx;
    Owner owner;
    RecordingAlerts alerts;
    String out;
    std::vector<std::wstring> rows;
    int preselected = -2;
    int32 result = RunScripted(fx, owner, out, String(L"pl"), [&](HWND d) {
        HWND primary = GetDlgItem(d, kDictsPrimaryId);
        rows = Rows(primary);
        preselected = SelectedRow(primary);
        CHECK_FALSE(IsWindowVisible(GetDlgItem(d, kDictsSecondaryId)));
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    CHECK(result == 1);
    CHECK(rows == std::vector<std::wstring>{L"en", L"PL", L"de"});
    CHECK(preselected == 1);
    CHECK(std::wstring(out.CStr()) == L"PL");

    SUBCASE("a secondary from the second list")
    {
        result = RunScripted(fx, owner, out, String(L"en"), [&](HWND d) {
            SendMessageW(GetDlgItem(d, kDictsSecondaryCheckId), BM_CLICK, 0, 0);
            CHECK(IsWindowVisible(GetDlgItem(d, kDictsSecondaryId)));
            SelectRow(GetDlgItem(d, kDictsSecondaryId), 2);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
        CHECK(result == 1);
        CHECK(std::wstring(out.CStr()) == L"en\rde");
    }
    SUBCASE("the same dictionary in both lists gives the primary alone")
    {
        result = RunScripted(fx, owner, out, String(L"en"), [&](HWND d) {
            SendMessageW(GetDlgItem(d, kDictsSecondaryCheckId), BM_CLICK, 0, 0);
            SelectRow(GetDlgItem(d, kDictsSecondaryId), 0);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
        CHECK(std::wstring(out.CStr()) == L"en");
    }
    SUBCASE("a secondary chosen but the box unticked again is not returned")
    {
        result = RunScripted(fx, owner, out, String(L"en"), [&](HWND d) {
            SendMessageW(GetDlgItem(d, kDictsSecondaryCheckId), BM_CLICK, 0, 0);
            SelectRow(GetDlgItem(d, kDictsSecondaryId), 2);
            SendMessageW(GetDlgItem(d, kDictsSecondaryCheckId), BM_CLICK, 0, 0);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
        CHECK(std::wstring(out.CStr()) == L"en");
    }
    SUBCASE("OK without a row warns and stays; Cancel ends")
    {
        out = String(L"unchanged");
        result = RunScripted(fx, owner, out, String(L"pl\ren"), [&](HWND d) {
            CHECK(SelectedRow(GetDlgItem(d, kDictsPrimaryId)) == -1);
            SendMessageW(d, WM_COMMAND, IDOK, 0);
            CHECK(IsWindowVisible(d));
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        });
        CHECK(result == 2);
        CHECK(std::wstring(out.CStr()) == L"unchanged");
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].message == L"You did not choose a dictionary.");
        CHECK(alerts.alerts[0].title == L"Dictionary selection - Scrivel");
    }
    SUBCASE("a double click without a row ends with -1")
    {
        result = RunScripted(fx, owner, out, String(), [&](HWND d) {
            NMHDR header = {GetDlgItem(d, kDictsPrimaryId), kDictsPrimaryId, static_cast<UINT>(NM_DBLCLK)};
            SendMessageW(d, WM_NOTIFY, kDictsPrimaryId, reinterpret_cast<LPARAM>(&header));
        });
        CHECK(result == -1);
    }
    SUBCASE("the close box cancels")
    {
        result = RunScripted(fx, owner, out, String(), [&](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); });
        CHECK(result == 2);
    }
}

TEST_CASE("Add installs a chosen pair under the typed name; anything but a dictionary writes nothing")
{
    Installed fx;
    Owner owner;
    RecordingAlerts alerts;
    SetFileDialogCalls(&kChooseFile);
    TempFolder source;
    SpellFolders::WriteDict(source.Path(), L"słownik", "SET ISO8859-2\n", "1\nkot\n");
    String out;

    SUBCASE("an .aff with its .dic")
    {
        g_chosen = source / L"słownik.aff";
        std::vector<std::wstring> rows;
        int32 result = RunScripted(fx, owner, out, String(), [&](HWND d) { PressWithName(d, kDictsAddId, L"Mój"); });
        CHECK(result == 2);
        CHECK(alerts.alerts.empty());
        CHECK(ReadFileBytes(In(fx.folders.user, L"Mój.aff")) == "SET ISO8859-2\n");
        CHECK(ReadFileBytes(In(fx.folders.user, L"Mój.dic")) == "1\nkot\n");
    }
    SUBCASE("the proposed name is the file's")
    {
        g_chosen = source / L"słownik.dic";
        WhenShown(kDictsPrimaryId, [](HWND d) {
            PostMessageW(d, WM_COMMAND, kDictsAddId, 0);
            WhenShown(99, [](HWND input) {
                PostMessageW(input, WM_COMMAND, IDOK, 0);
                WhenShown(kDictsPrimaryId, [](HWND d2) { PostMessageW(d2, WM_COMMAND, IDCANCEL, 0); });
            });
        });
        SpellingDictsDialog::Run(out, &owner, String(), fx.folders);
        CHECK(ReadFileBytes(In(fx.folders.user, L"słownik.dic")) == "1\nkot\n");
    }
    SUBCASE("a refused name warns and writes nothing")
    {
        g_chosen = source / L"słownik.aff";
        auto before = Snapshot(fx.folders.user);
        RunScripted(fx, owner, out, String(), [&](HWND d) { PressWithName(d, kDictsAddId, L"a.b"); });
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].message == L"The dictionary name can not contain characters /\\:<>~.");
        CHECK(alerts.alerts[0].title == L"Add dictionary - Scrivel");
        CHECK(Snapshot(fx.folders.user) == before);
    }
    SUBCASE("another extension or an empty .dic is no dictionary")
    {
        WriteFileBytes(source / L"słownik.oxt", "PK");
        WriteFileBytes(source / L"pusty.aff", "SET UTF-8\n");
        WriteFileBytes(source / L"pusty.dic", "");
        for (const wchar_t* file : {L"słownik.oxt", L"pusty.aff"}) {
            alerts.alerts.clear();
            g_chosen = source / file;
            auto before = Snapshot(fx.folders.user);
            RunScripted(fx, owner, out, String(), [&](HWND d) {
                SendMessageW(d, WM_COMMAND, kDictsAddId, 0);
                PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
            });
            REQUIRE(alerts.alerts.size() == 1);
            CHECK(alerts.alerts[0].message ==
                  L"The selected file does not contain a dictionary in the appropriate format.");
            CHECK(Snapshot(fx.folders.user) == before);
        }
    }
    SetFileDialogCalls(nullptr);
}

TEST_CASE("Remove and Rename ask first and refill the lists")
{
    Installed fx;
    Owner owner;
    RecordingAlerts alerts;
    String out;
    std::vector<std::wstring> rows;

    SUBCASE("remove without a row warns")
    {
        RunScripted(fx, owner, out, String(), [&](HWND d) {
            SendMessageW(d, WM_COMMAND, kDictsRemoveId, 0);
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        });
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].message == L"Select the dictionary to be removed.");
    }
    SUBCASE("remove answered Cancel keeps the files")
    {
        alerts.answers.push_back(1);
        RunScripted(fx, owner, out, String(L"de"), [&](HWND d) {
            SendMessageW(d, WM_COMMAND, kDictsRemoveId, 0);
            rows = Rows(GetDlgItem(d, kDictsPrimaryId));
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        });
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].message == L"Remove dictionary \"de\"?");
        CHECK(alerts.alerts[0].buttons == L"+Remove|-Cancel");
        CHECK_FALSE(PathExists(In(fx.folders.user, L"de.del")));
        CHECK(rows == std::vector<std::wstring>{L"en", L"PL", L"de"});
    }
    SUBCASE("remove answered Remove")
    {
        RunScripted(fx, owner, out, String(L"de"), [&](HWND d) {
            SendMessageW(d, WM_COMMAND, kDictsRemoveId, 0);
            rows = Rows(GetDlgItem(d, kDictsPrimaryId));
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        });
        CHECK(PathExists(In(fx.folders.user, L"de.del")));
        CHECK(rows == std::vector<std::wstring>{L"en", L"PL"});
    }
    SUBCASE("rename to a refused name warns and changes nothing")
    {
        auto before = Snapshot(fx.folders.user);
        RunScripted(fx, owner, out, String(L"en"), [&](HWND d) { PressWithName(d, kDictsRenameId, L"-en"); });
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].title == L"Rename dictionary - Scrivel");
        CHECK(Snapshot(fx.folders.user) == before);
    }
    SUBCASE("rename onto an existing name shows the system's error")
    {
        RunScripted(fx, owner, out, String(L"en"), [&](HWND d) { PressWithName(d, kDictsRenameId, L"PL"); });
        REQUIRE(alerts.alerts.size() == 1);
        CHECK(alerts.alerts[0].code == ERROR_ALREADY_EXISTS);
        CHECK(alerts.alerts[0].title == L"Rename dictionary - Scrivel");
        CHECK(PathExists(In(fx.folders.user, L"en.dic")));
    }
    SUBCASE("rename")
    {
        RunScripted(fx, owner, out, String(L"en"), [&](HWND d) { PressWithName(d, kDictsRenameId, L"Angielski"); });
        CHECK(alerts.alerts.empty());
        CHECK(Listed(fx.folders) == std::vector<std::wstring>{L"Angielski", L"PL", L"de"});
    }
}
