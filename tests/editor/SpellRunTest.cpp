#include "MainFormTestSupport.h"

#include "spell/DictRegistry.h"
#include "spell/SpellCheckDialog.h"
#include "spell/SpellingDictsDialog.h"
#include "support/DocumentText.h"
#include "support/ModalWatch.h"
#include "text/TextDocument.h"

#include <commctrl.h>
#include <doctest.h>

#include <string>

namespace {

// The main window with Debian's Polish dictionary installed by the user as "pl".
struct SpellRun {
    MainFormRun run{"UILanguage=english\r\n"};
    MainForm& form = *run.form;
    String folder;

    SpellRun()
    {
        folder = run.data / L"spellcheck\\";
        CreateDirectoryW(folder.CStr(), nullptr);
        Install(L"pl_PL", L"pl");
        run.alerts.alerts.clear();
    }
    // One of Debian's dictionaries under the user's name for it.
    void Install(const wchar_t* system, const wchar_t* name)
    {
        for (const wchar_t* ext : {L".aff", L".dic"}) {
            std::wstring from = std::wstring(L"Z:\\usr\\share\\hunspell\\") + system + ext;
            std::wstring to = std::wstring(name) + ext;
            REQUIRE(CopyFileW(from.c_str(), Concat(folder, to.c_str()).CStr(), FALSE));
        }
    }
    ~SpellRun() { SpellCheckDialog::CloseInstance(); }

    TextDocument* Text() { return form.activeView->CurrentDocument(); }
    void SetText(const wchar_t* text) { doctext::Type(*Text(), 0, text); }
    std::wstring Selected() { return W(GetSelectedText(form.activeView)); }
    std::wstring Whole() { return W(GetTextRange(form.activeView, 0, Text()->text.Size())); }
    void Command(int id) { SendMessageW(form.hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void Caret(int64 pos) { form.activeView->SetCaret(Text(), pos, 0, 0); }
    std::string UserWords() { return PathExists(Concat(folder, L"pl.usr")) ? ReadFileBytes(Concat(folder, L"pl.usr")) : "-"; }
    void PumpAll()
    {
        for (int i = 0; i < 5; i++)
            form.PumpPending();
    }
    bool LastAlertIs(const wchar_t* message)
    {
        return !run.alerts.alerts.empty() && run.alerts.alerts.back().message == message;
    }
};

}  // namespace

TEST_CASE("a run from the beginning walks the unknown words: ignore, add, replace, then completion closes the window")
{
    SpellRun s;
    s.SetText(L"Ala ma kotta. Kot pjie mleko. Żółw je trawke. Kotta pjie.");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    s.Caret(20);
    s.run.alerts.answers.push_back(1);  // from the beginning
    s.Command(11049);
    REQUIRE(s.run.alerts.alerts.size() == 1);
    CHECK(s.run.alerts.alerts[0].title == L"Spellchecking - Scrivel");
    CHECK(s.run.alerts.alerts[0].buttons == L"From &current position|From &beginning|-Cancel");
    REQUIRE(SpellCheckDialog::Instance() != nullptr);
    CHECK(s.Selected() == L"kotta");
    CHECK(W(SpellCheckDialog::GetWord()) == L"kotta");
    String first = SpellCheckDialog::GetSelectedSuggestion();
    CHECK_FALSE(first.IsEmpty());
    // The text keeps the registry's choice.
    ViewState* state = s.form.activeView->FindViewState(s.Text());
    CHECK(state->dictPair == 1);

    s.Command(13004);  // ignore: nothing is written
    CHECK(s.Selected() == L"pjie");
    CHECK(s.UserWords() == "-");

    s.Command(13005);  // add: saved at once
    CHECK(s.UserWords() == "pjie\r\n");
    CHECK(s.Selected() == L"trawke");

    String suggestion = SpellCheckDialog::GetSelectedSuggestion();
    REQUIRE_FALSE(suggestion.IsEmpty());
    s.Command(13006);
    std::wstring expected = L"Ala ma kotta. Kot pjie mleko. Żółw je " + W(suggestion) + L". Kotta pjie.";
    CHECK(s.Whole() == expected);
    // The ignored and the added word count in any case.
    CHECK(s.LastAlertIs(L"Spell check completed"));
    CHECK(s.run.alerts.alerts.back().title == L"Spellcheck - Scrivel");
    CHECK(SpellCheckDialog::Instance() != nullptr);
    s.PumpAll();
    CHECK(SpellCheckDialog::Instance() == nullptr);
}

TEST_CASE("the walk continues after the word it found, and from inside a word at that word's start")
{
    SpellRun s;
    s.SetText(L"kotta mleko kotta mleko");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    s.Caret(14);  // inside the second kotta
    s.run.alerts.answers.push_back(0);  // from the current position
    s.Command(11049);
    CHECK(s.Selected() == L"kotta");
    CHECK(s.form.activeView->FindViewState(s.Text())->AnchorPosition() == 12);
    s.Command(13003);
    CHECK(s.LastAlertIs(L"Spell check completed"));
    s.PumpAll();

    // Next word with the first kotta selected goes on to the second.
    s.form.activeView->SetCaret(s.Text(), 0, 0, 2);
    s.form.activeView->SetCaret(s.Text(), 5, CaretKeepAnchor, 1);
    s.run.alerts.answers.push_back(0);
    s.Command(11049);
    CHECK(s.form.activeView->FindViewState(s.Text())->AnchorPosition() == 0);
    s.Command(13003);
    CHECK(s.form.activeView->FindViewState(s.Text())->AnchorPosition() == 12);
    CHECK(s.Selected() == L"kotta");

    SUBCASE("Replace with nothing on the list warns")
    {
        SpellCheckDialog::SetSuggestions(Array<String>());
        s.Command(13006);
        CHECK(s.LastAlertIs(L"Nothing selected on the suggestion list"));
        CHECK(s.run.alerts.alerts.back().title == L"Replace word - Scrivel");
        CHECK(s.Whole() == L"kotta mleko kotta mleko");
    }
    SUBCASE("Cancel in the question starts nothing")
    {
        SpellCheckDialog::CloseInstance();
        s.run.alerts.answers.push_back(2);
        s.Command(11049);
        CHECK(SpellCheckDialog::Instance() == nullptr);
    }
}

TEST_CASE("underlining takes the registry's pair into the text and keeps it when toggled off and on")
{
    SpellRun s;
    s.SetText(L"kotta");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    ViewState* state = s.form.activeView->FindViewState(s.Text());
    s.Command(11048);
    CHECK(state->spellUnderline);
    CHECK(state->dictPair == 1);
    CHECK(MenuChecked(s.run.Hwnd(), 11048));
    s.Command(11048);
    CHECK_FALSE(state->spellUnderline);
    CHECK_FALSE(MenuChecked(s.run.Hwnd(), 11048));
    CHECK(state->dictPair == 1);
    s.Command(11048);
    CHECK(state->spellUnderline);
    CHECK(state->dictPair == 1);
}

TEST_CASE("a dictionary that fails to load is reported and leaves the text's choice as it was")
{
    SpellRun s;
    s.SetText(L"kotta");
    WriteFileBytes(Concat(s.folder, L"zly.aff"), "SET ISO8859-15\n");
    WriteFileBytes(Concat(s.folder, L"zly.dic"), "1\nabc\n");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    ViewState* state = s.form.activeView->FindViewState(s.Text());
    state->dictPair = 1;
    // The manager lists pl and zly; zly is chosen.
    WhenShown(kDictsPrimaryId, [](HWND d) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendDlgItemMessageW(d, kDictsPrimaryId, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    s.Command(11095);
    REQUIRE_FALSE(s.run.alerts.alerts.empty());
    CHECK(s.run.alerts.alerts.back().title == L"Unable to activate the spelling dictionary");
    CHECK(s.run.alerts.alerts.back().code == -400);
    CHECK(state->dictPair == 1);
    CHECK(s.form.dictionaries->Count() == 1);
    CHECK(IsWindowEnabled(s.run.Hwnd()));
}

TEST_CASE("damaged dictionaries, one with a table count beyond its file, are chosen and suggest")
{
    SpellRun s;
    s.SetText(L"kott");
    // The count is refused before anything is reserved: the dictionary works
    // without that table.
    WriteFileBytes(Concat(s.folder, L"duzy.aff"), "REP 2147483647\n");
    WriteFileBytes(Concat(s.folder, L"duzy.dic"), "1\nkot\n");
    WriteFileBytes(Concat(s.folder, L"fon.aff"), "PHONE 1\n");
    WriteFileBytes(Concat(s.folder, L"fon.dic"), "1\nkot\n");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    ViewState* state = s.form.activeView->FindViewState(s.Text());
    state->dictPair = 1;
    // The manager lists duzy, fon and pl; each chosen one is loaded after pl.
    auto choose = [&](int row) {
        WhenShown(kDictsPrimaryId, [row](HWND d) {
            LVITEMW item = {};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            SendDlgItemMessageW(d, kDictsPrimaryId, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(&item));
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
        s.Command(11095);
    };
    for (int row : {0, 1}) {
        INFO("row " << row);
        choose(row);
        CHECK(s.run.alerts.alerts.empty());
        CHECK(state->dictPair == row + 2);
        CHECK(s.form.dictionaries->Count() == row + 2);
        Array<String> suggestions = s.form.dictionaries->Suggest(String(L"kott"));
        REQUIRE(suggestions.Count() >= 1);
        CHECK(suggestions.At(0).Equals(L"kot"));
    }
}

TEST_CASE("a suggestion from the view's menu replaces the kept word")
{
    SpellRun s;
    s.SetText(L"Ala ma kotta.");
    s.form.keptWordStart = 7;
    s.form.keptWordEnd = 12;
    s.form.keptSuggestions.Append(L"kota");
    s.form.keptSuggestions.Append(L"kotka");
    s.Command(22302);  // beyond the list: nothing
    CHECK(s.Whole() == L"Ala ma kotta.");
    s.Command(22301);
    CHECK(s.Whole() == L"Ala ma kotka.");
    CHECK(s.form.keptSuggestions.Count() == 0);
    s.Command(22300);
    CHECK(s.Whole() == L"Ala ma kotka.");
}

TEST_CASE("a user-word file that cannot be written is reported under Add to dictionary and the walk stays")
{
    SpellRun s;
    s.SetText(L"Kot pjie mleko.");
    // A folder where the word file belongs: it can be read as missing, never replaced.
    CreateDirectoryW(Concat(s.folder, L"pl.usr").CStr(), nullptr);
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    s.run.alerts.answers.push_back(1);
    s.Command(11049);
    REQUIRE(s.Selected() == L"pjie");
    s.Command(13005);
    REQUIRE_FALSE(s.run.alerts.alerts.empty());
    CHECK(s.run.alerts.alerts.back().title == L"Add word to spelling dictionary - Scrivel");
    CHECK(s.run.alerts.alerts.back().code != 0);
    CHECK(s.Selected() == L"pjie");
    RemoveDirectoryW(Concat(s.folder, L"pl.usr").CStr());
}

TEST_CASE("Replace all replaces every later whole-word occurrence in the case pattern of each")
{
    SpellRun s;
    s.SetText(L"mleko kotta mleko Kotta kottax KOTTA.");
    s.form.dictionaries->FindOrLoad(String(L"pl"));
    s.run.alerts.answers.push_back(1);
    s.Command(11049);
    REQUIRE(s.Selected() == L"kotta");
    Array<String> offered;
    offered.Append(L"kota");
    SpellCheckDialog::SetSuggestions(offered);
    s.Command(13007);
    CHECK(s.Whole() == L"mleko kota mleko Kota kottax KOTA.");
    // The walk goes on from where the selection was: kottax is next.
    CHECK(s.Selected() == L"kottax");
    s.Command(11010);  // one undo step takes back the whole replacement
    CHECK(s.Whole() == L"mleko kotta mleko Kotta kottax KOTTA.");
}

TEST_CASE("a modal window over the main window holds the open spell-check window too, and gives both back")
{
    SpellRun s;
    SpellCheckDialog* spell = SpellCheckDialog::Create(&s.form);
    REQUIRE(IsWindowEnabled(spell->hwnd));
    bool mainHeld = false, spellHeld = false;
    WhenShown(kDictsPrimaryId, [&](HWND d) {
        mainHeld = !IsWindowEnabled(s.run.Hwnd());
        spellHeld = !IsWindowEnabled(SpellCheckDialog::Instance()->hwnd);
        PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    });
    s.Command(11095);
    CHECK(mainHeld);
    CHECK(spellHeld);
    CHECK(IsWindowEnabled(s.run.Hwnd()));
    REQUIRE(SpellCheckDialog::Instance() == spell);
    CHECK(IsWindowEnabled(spell->hwnd));
    // Only the window that ran releases them.
    Form modal, other;
    s.form.DisableForModal(&modal);
    s.form.EnableAfterModal(&other);
    CHECK_FALSE(IsWindowEnabled(s.run.Hwnd()));
    CHECK_FALSE(IsWindowEnabled(spell->hwnd));
    s.form.EnableAfterModal(&modal);
    CHECK(IsWindowEnabled(s.run.Hwnd()));
    CHECK(IsWindowEnabled(spell->hwnd));
}

TEST_CASE("each text brings its own dictionaries; leaving the checked text or view closes the spell-check window")
{
    SpellRun s;
    s.Install(L"en_US", L"en");
    s.SetText(L"kotta");
    TextDocument* polish = s.Text();
    u32 pl = s.form.dictionaries->FindOrLoad(String(L"pl"));
    s.form.activeView->FindViewState(polish)->dictPair = pl;
    s.Command(11001);
    TextDocument* english = s.Text();
    u32 en = s.form.dictionaries->FindOrLoad(String(L"en"));
    s.form.activeView->FindViewState(english)->dictPair = en;
    REQUIRE(pl != en);

    s.Command(11045);  // Shift+F6
    REQUIRE(s.Text() == polish);
    CHECK(s.form.dictionaries->SelectedPair() == pl);
    s.Command(11046);  // F6
    REQUIRE(s.Text() == english);
    CHECK(s.form.dictionaries->SelectedPair() == en);
    // A text without a choice of its own keeps the selection.
    s.Command(11001);
    CHECK(s.form.dictionaries->SelectedPair() == en);
    s.form.tabsHandler.OnTabClicked(polish, s.form.tabs);
    CHECK(s.form.dictionaries->SelectedPair() == pl);

    auto startRun = [&] {
        s.run.alerts.answers.push_back(1);  // from the beginning
        s.Command(11049);
        REQUIRE(SpellCheckDialog::Instance() != nullptr);
        REQUIRE(s.Selected() == L"kotta");
    };
    startRun();
    s.Command(11046);  // another text
    CHECK(SpellCheckDialog::Instance() == nullptr);
    s.form.tabsHandler.OnTabClicked(polish, s.form.tabs);
    startRun();
    s.Command(11068);  // F8: the other view becomes the active one
    REQUIRE(s.form.activeView == s.form.view2);
    CHECK(SpellCheckDialog::Instance() == nullptr);
    startRun();
    // Clicking into the view that runs it keeps the window.
    s.form.ActivateView(s.form.view2);
    CHECK(SpellCheckDialog::Instance() != nullptr);
    s.run.alerts.answers.push_back(1);  // abandon the changes
    s.Command(11006);  // Ctrl+F4 closes the checked text
    CHECK(s.run.broker->documents.IndexOf(polish) < 0);
    CHECK(SpellCheckDialog::Instance() == nullptr);
}
