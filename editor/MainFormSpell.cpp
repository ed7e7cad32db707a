// The main window's side of spell checking: the dictionary pair of the
// active text, underlining, and the walk through the unknown words that the
// spell-check window steers.

#include "editor/MainForm.h"

#include "actions/FindActions.h"
#include "actions/ProgressNotify.h"
#include "base/UiLanguage.h"
#include "spell/DictRegistry.h"
#include "spell/SpellCheckDialog.h"
#include "spell/SpellingDictsDialog.h"
#include "text/TextDocument.h"
#include "view/syntax/LexerFactory.h"

namespace {

// Replace all: every later whole-word occurrence in any case, replaced in
// the case pattern of each, with frequent progress and view refreshes.
constexpr int32 kSpellReplaceAllMode =
    FindIgnoreCase | FindWholeWords | FindAdaptCase | FindFrequentReports | FindRefreshView;

// Progress is reported once for so many correct words.
constexpr int64 kWordsPerStep = 1001;

const wchar_t* SpellcheckTitle()
{
    return UiText(L"Sprawdzanie pisowni - Scrivel", L"Spellcheck - Scrivel");
}

const wchar_t* ReplaceWordTitle()
{
    return UiText(L"Zastąp słowo - Scrivel", L"Replace word - Scrivel");
}

// Keeps the main window disabled, with the wait cursor, while dictionaries load.
class BusyWindow {
public:
    explicit BusyWindow(HWND window) : window_(window)
    {
        EnableWindow(window_, FALSE);
        cursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
    ~BusyWindow()
    {
        EnableWindow(window_, TRUE);
        SetCursor(cursor_);
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    HWND window_;
    HCURSOR cursor_;
};

}  // namespace

template <class Body>
void MainForm::SpellGuarded(const wchar_t* title, Body body)
{
    try {
        body();
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowAlertOnForm(this, title, error);
    }
}

bool MainForm::SpellCommand(uint32_t command)
{
    if (command >= kSuggestionFirstCommand && command < kSuggestionFirstCommand + 10) {
        ReplaceWithSuggestion(static_cast<int32>(command - kSuggestionFirstCommand));
        return true;
    }
    switch (command) {
    case 11048:
        ToggleUnderline();
        return true;
    case 11049:
        StartSpellCheck();
        return true;
    case 11095:
        if (RequireTexts())
            SelectDictionaryGuarded();
        return true;
    case kSpellNextCommand:
        SpellCheckStep(true);
        return true;
    case kSpellIgnoreCommand:
        SpellIgnore(false);
        return true;
    case kSpellAddCommand:
        SpellIgnore(true);
        return true;
    case kSpellReplaceCommand:
        SpellReplace();
        return true;
    case kSpellReplaceAllCommand:
        SpellReplaceAll();
        return true;
    case kSpellEndCommand:
        SpellCheckDialog::CloseInstance();
        activeView->SetFocus();
        return true;
    default:
        return false;
    }
}

void MainForm::UseTextDictionaries()
{
    TextDocument* text = activeView->CurrentDocument();
    ViewState* state = text ? activeView->FindViewState(text) : nullptr;
    if (!state)
        return;
    if (state->dictPair != 0)
        dictionaries->Select(state->dictPair);
    else
        state->dictPair = dictionaries->SelectedPair();
    broker->Broadcast(BroadcastSpellingChanged, text, activeView);
}

void MainForm::SelectDictionary()
{
    TextDocument* text = activeView->CurrentDocument();
    String name = activeView->GetDictionaryName(text);
    for (int64 i = 0; i < name.Length(); i++) {
        if (name.Data()[i] == L'\r') {
            name = name.Substring(0, i);
            break;
        }
    }
    String choice;
    int32 result = SpellingDictsDialog::Run(choice, this, name);
    if (result == 2 || choice.IsEmpty())
        return;
    u32 pair;
    {
        BusyWindow busy(hwnd);
        pair = dictionaries->FindOrLoad(choice);
    }
    if (ViewState* state = text ? activeView->FindViewState(text) : nullptr)
        state->dictPair = pair;
    broker->Broadcast(BroadcastSpellingChanged, text, activeView);
    SpellCheckDialog* window = SpellCheckDialog::Instance();
    if (window && IsWindowVisible(window->GetHwnd()))
        SpellCheckStep(false);
}

void MainForm::SelectDictionaryGuarded()
{
    SpellGuarded(UiText(L"Nieudane aktywowanie słownika wyrazów - Scrivel", L"Unable to activate the spelling dictionary"),
                 [&] { SelectDictionary(); });
}

bool MainForm::EnsurePrimary()
{
    if (!dictionaries->Primary())
        SelectDictionaryGuarded();
    return dictionaries->Primary() != nullptr;
}

void MainForm::ToggleUnderline()
{
    if (!RequireTexts())
        return;
    const wchar_t* title = UiText(L"Podkreślanie wyrazów - Scrivel", L"Underlining words");
    TextDocument* text = activeView->CurrentDocument();
    ViewState* state = text ? activeView->FindViewState(text) : nullptr;
    if (state && state->spellUnderline) {
        state->spellUnderline = false;
        ::InvalidateRect(activeView->GetHwnd(), nullptr, FALSE);
        // The menu's check mark must not go on claiming underlining.
        UpdateMenuState();
        return;
    }
    if (!EnsurePrimary())
        return;
    SpellGuarded(title, [&] {
        UseTextDictionaries();
        activeView->EnableSpellUnderline(activeView->CurrentDocument());
    });
    UpdateMenuState();
}

void MainForm::StartSpellCheck()
{
    SpellGuarded(SpellcheckTitle(), [&] {
        if (!RequireTexts())
            return;
        if (!EnsurePrimary())
            return;
        UseTextDictionaries();
        int32 answer = AskOnForm(this,
                                 UiText(L"Rozpocząć sprawdzanie od bieżącej pozycji, czy od początku tekstu?",
                                        L"Shall I start spellchecking from current position or from the beginning "
                                        L"of text?"),
                                 UiText(L"Sprawdzaj pisownię - Scrivel", L"Spellchecking - Scrivel"),
                                 UiText(L"Od &bieżącej pozycji|Od &początku tekstu|-Anuluj",
                                        L"From &current position|From &beginning|-Cancel"),
                                 1);
        if (answer == 1) {
            ActionRecord record;
            record.InitPlain(ActionTextStart, activeView);
            ExecuteActionCopy(*broker, record);
        } else if (answer != 0) {
            return;
        }
        if (SpellCheckDialog* window = SpellCheckDialog::Instance()) {
            window->Show();
            window->Activate();
        } else {
            SpellCheckDialog::Create(this);
        }
        SpellCheckStep(false);
    });
}

void MainForm::SpellCheckStep(bool continueAfter)
{
    SpellGuarded(SpellcheckTitle(), [&] {
        if (!RequireTexts() || !dictionaries->Primary())
            return;
        TextDocument* text = activeView->CurrentDocument();
        String word;
        {
            String path = text ? text->GetPath() : String();
            ProgressNotify notify(progressDialog, SpellcheckTitle(),
                                  UiText(L"Stopień zaawansowania", L"Progress"), path.CStr());
            word = FindNextUnknownWord(notify, continueAfter);
        }
        if (word.IsEmpty()) {
            AskOnForm(this, UiText(L"Sprawdzanie pisowni zakończone.", L"Spell check completed"), SpellcheckTitle(),
                      L"+OK", 0);
            PostCommand(kSpellEndCommand, 0);
            if (text && activeView->FindViewState(text))
                activeView->Invalidate();
            return;
        }
        SpellCheckDialog::SetWord(word);
        Array<String> suggestions = dictionaries->Suggest(word);
        SpellCheckDialog::SetSuggestions(suggestions);
    });
}

String MainForm::FindNextUnknownWord(TextNotify& notify, bool continueAfter)
{
    TextDocument* text = activeView->CurrentDocument();
    ViewState* state = text ? activeView->FindViewState(text) : nullptr;
    if (!state || !dictionaries->Primary())
        return String();
    int64 caret = state->CaretPosition();
    int64 anchor = state->AnchorPosition();
    int64 lo = caret < anchor ? caret : anchor;
    int64 hi = caret < anchor ? anchor : caret;
    // The run of same-class characters that ends at hi.
    int64 start = hi > 0 ? activeView->WordStart(activeView->PrevCharPos(hi)) : 0;
    // The selection is the word found last: go on after it.
    if (continueAfter && start == lo && activeView->WordEnd(start) == hi)
        start = hi;
    LexerPtr lexer(broker->lexerFactory->CreateLexer(text));
    TokenText tokenText;
    lexer->Seek(start, 0, nullptr, &tokenText);
    int64 base = lexer->Position();
    int64 total = text->text.Size() - base;
    notify.SetTotal(total > 0 ? total : 0);
    notify.SetBase(0);
    int64 correct = 0;
    String word;
    for (;;) {
        bool atEnd = false;
        if (TryNextWord(*lexer, tokenText, word, atEnd))
            return word;
        if (atEnd)
            return String();
        if (correct++ % kWordsPerStep == 0)
            notify.Progress(lexer->Position() - base);
    }
}

bool MainForm::TryNextWord(SyntaxLexer& lexer, TokenText& tokenText, String& word, bool& atEnd)
{
    TokenRecord token;
    for (;;) {
        tokenText.Reset();
        lexer.NextToken(token);
        if (TokenClassOf(token.state) == kClassEndOfText) {
            atEnd = true;
            return false;
        }
        if (token.kind & kTokenLettersOnly)
            break;
    }
    const wchar_t* units = tokenText.Units() + token.textStart;
    int64 length = token.textEnd - token.textStart;
    if (dictionaries->IsCorrect(units, length))
        return false;
    TextDocument* text = activeView->CurrentDocument();
    activeView->SetCaret(text, token.start, CaretScrollIntoView, 2);
    activeView->SetCaret(text, token.end, CaretScrollIntoView | CaretKeepAnchor, 1);
    broker->Broadcast(BroadcastCaretMoved, text, activeView);
    word = String(units, length);
    return true;
}

void MainForm::SpellIgnore(bool addToDictionary)
{
    SpellGuarded(UiText(L"Dodaj słowo do słownika - Scrivel", L"Add word to spelling dictionary - Scrivel"), [&] {
        if (!RequireTexts())
            return;
        String word = SpellCheckDialog::GetWord();
        if (word.IsEmpty())
            return;
        if (CorrectorDict* primary = dictionaries->Primary()) {
            if (addToDictionary) {
                // Words added meanwhile by another run of the editor are kept.
                primary->LoadUserWords();
                primary->AddUserWord(word.CStr());
                primary->SaveUserWords();
            } else {
                primary->IgnoreWord(word.CStr());
            }
        }
        SpellCheckStep(true);
    });
}

bool MainForm::ChosenSuggestion(String& suggestion)
{
    if (!RequireTexts())
        return false;
    suggestion = SpellCheckDialog::GetSelectedSuggestion();
    if (!suggestion.IsEmpty())
        return true;
    AskOnForm(this, UiText(L"Nie zaznaczono słowa na liście sugestii.", L"Nothing selected on the suggestion list"),
              ReplaceWordTitle(), L"+OK", 1);
    return false;
}

void MainForm::SpellReplace()
{
    SpellGuarded(ReplaceWordTitle(), [&] {
        String suggestion;
        if (!ChosenSuggestion(suggestion))
            return;
        ActionRecord record;
        record.InitWithText(ActionInsertText, activeView, suggestion);
        ExecuteAction(*broker, record);
        if (record.outcome == OutcomeDone)
            SpellCheckStep(true);
    });
}

void MainForm::SpellReplaceAll()
{
    SpellGuarded(ReplaceWordTitle(), [&] {
        String word = SpellCheckDialog::GetWord();
        String suggestion;
        if (!ChosenSuggestion(suggestion) || word.IsEmpty())
            return;
        TextDocument* text = activeView->CurrentDocument();
        ViewState* state = text ? activeView->FindViewState(text) : nullptr;
        if (!state)
            return;
        int64 caret = state->CaretPosition();
        int64 anchor = state->AnchorPosition();
        int64 start = caret < anchor ? caret : anchor;
        {
            String path = text->GetPath();
            ProgressNotify notify(progressDialog, UiText(L"Trwa zastępowanie - Scrivel", L"Replacing - Scrivel"),
                                  UiText(L"Stopień zaawansowania", L"Progress"), path.CStr());
            broker->ReplaceRemaining(activeView, word, kSpellReplaceAllMode, suggestion, &notify);
            activeView->SetCaret(text, start, CaretScrollIntoView, 0);
        }
        SpellCheckStep(true);
    });
}

void MainForm::ReplaceWithSuggestion(int32 index)
{
    SpellGuarded(ReplaceWordTitle(), [&] {
        if (index >= keptSuggestions.Count())
            return;
        TextDocument* text = activeView->CurrentDocument();
        String suggestion = keptSuggestions.At(index);
        activeView->SetCaret(text, keptWordStart, 0, 2);
        activeView->SetCaret(text, keptWordEnd, CaretKeepAnchor, 1);
        ActionRecord record;
        record.InitWithText(ActionInsertText, activeView, suggestion);
        ExecuteAction(*broker, record);
        keptSuggestions.Release();
    });
}
