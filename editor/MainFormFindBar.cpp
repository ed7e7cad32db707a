// The find bar: keys of its two fields, the find and replace commands built
// from its state, the histories with their drop-down lists, the two mode
// toggles and the tint of a regular expression that does not compile.

#include "editor/MainForm.h"

#include "base/UiLanguage.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/NativeControl.h"
#include "gui/PopupList.h"
#include "gui/Toolbar.h"

namespace {

const wchar_t* Text(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

bool ShiftHeld()
{
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

// Puts text into a field with the caret at its end.
void PutFieldText(EditLine* field, const String& text)
{
    field->SetText(text.CStr());
    WPARAM end = static_cast<WPARAM>(text.Length());
    SendMessageW(field->GetHwnd(), EM_SETSEL, end, static_cast<LPARAM>(end));
}

// One channel moved 15 parts in 100 towards the tint's.
int Blend(int channel, int tint)
{
    return channel * 85 / 100 + tint * 15 / 100;
}

// Runs a find or replace command; errors end in one alert titled by it and
// give the focus back to the text.
template <class Body>
void FindBoundary(MainForm& form, const wchar_t* title, Body body)
{
    try {
        body();
    } catch (...) {
        Error error = CurrentError();
        if (error.code == Abort().code)
            return;
        ShowAlertOnForm(&form, title, error);
        if (form.activeView)
            form.activeView->SetFocus();
    }
}

}  // namespace

// ---- toggles ----

bool MainForm::FindToggleOn(uint32_t button)
{
    if (FindBarBuilt())
        return findToolbar->IsChecked(button);
    return (button == kFindToggleRegexId ? findBarState.regex : findBarState.ignoreCase) != 0;
}

String MainForm::FindFieldText()
{
    return FindBarBuilt() ? findField->GetText() : findBarState.findText;
}

String MainForm::ReplaceFieldText()
{
    return FindBarBuilt() ? replaceField->GetText() : findBarState.replaceText;
}

void MainForm::SetFindToggle(uint32_t button, bool on)
{
    if (FindToggleOn(button) == on)
        return;
    if (FindBarBuilt())
        findToolbar->SetChecked(button, on);
    else
        (button == kFindToggleRegexId ? findBarState.regex : findBarState.ignoreCase) = on ? 1 : 0;
    CheckMenuItem(button == kFindToggleRegexId ? 11058 : 11059, on);
    if (button == kFindToggleRegexId) {
        CheckFindPattern();
        if (FindBarBuilt()) {
            findField->Invalidate();
            replaceField->Invalidate();
        }
    }
}

void MainForm::ApplyFindModeNumber(int32 number)
{
    SetFindToggle(kFindToggleRegexId, (number & 1) != 0);
    SetFindToggle(kFindToggleCaseId, (number & 2) == 0);
}

int32 MainForm::FindModeNumber()
{
    return (FindToggleOn(kFindToggleRegexId) ? 1 : 0) + (FindToggleOn(kFindToggleCaseId) ? 0 : 2);
}

int32 MainForm::FindModeFlags()
{
    return 32 + (FindToggleOn(kFindToggleCaseId) ? 1 : 0) + (FindToggleOn(kFindToggleRegexId) ? 64 : 0);
}

// ---- the fields' keys ----

bool MainForm::SteerHistoryPopup(uint32_t notification)
{
    if (!historyPopup)
        return false;
    switch (notification) {
    case EditKeyUp:
        historyPopup->SelectPrevious();
        break;
    case EditKeyDown:
        historyPopup->SelectNext();
        break;
    case EditKeyEnter:
        // Nothing highlighted: Enter only closes the list.
        historyPopup->result = historyPopup->highlighted >= 0 ? historyPopup->highlighted : -2;
        break;
    case EditKeyTab:
    case EditKeyEscape:
        historyPopup->result = -2;
        break;
    default:
        return false;
    }
    return true;
}

void MainForm::OnFindFieldCommand(uint32_t notification)
{
    // Texts put into the fields while the bar is built are no typing.
    if (findBarState.building)
        return;
    EnsureFindBar();
    if (SteerHistoryPopup(notification))
        return;
    switch (notification) {
    case EditKeyUp:
    case EditKeyDown: {
        bool up = notification == EditKeyUp;
        if (ShiftHeld()) {
            StepFieldHistory(findField, findHistory, up ? -1 : 1);
            break;
        }
        if (!incrementalActive)
            StartIncrementalFind();
        if (up)
            IncrementalFindPrevious();
        else
            IncrementalFindNext();
        break;
    }
    case EditKeyTab:
        if (!findBar->IsCollapsed())
            replaceField->SetFocus();
        break;
    case EditKeyEnter:
        RunFindCommand(11082);
        break;
    case EditKeyEscape:
        activeView->SetFocus();
        break;
    case EN_CHANGE:
        StartIncrementalFind();
        CheckFindPattern();
        break;
    default:
        break;
    }
}

void MainForm::OnReplaceFieldCommand(uint32_t notification)
{
    if (findBarState.building)
        return;
    EnsureFindBar();
    if (SteerHistoryPopup(notification))
        return;
    switch (notification) {
    case EditKeyUp:
    case EditKeyDown:
        StepFieldHistory(replaceField, replaceHistory, notification == EditKeyUp ? -1 : 1);
        break;
    case EditKeyTab:
        if (!findBar->IsCollapsed())
            findField->SetFocus();
        break;
    case EditKeyEnter:
        // Enter searches from either field; it never replaces.
        RunFindCommand(11082);
        break;
    case EditKeyEscape:
        activeView->SetFocus();
        break;
    default:
        break;
    }
}

// ---- find and replace commands ----

void MainForm::RememberFindPhrase(const String& phrase)
{
    findHistory.Add(phrase, FindModeNumber());
}

void MainForm::RunFindCommand(uint32_t command)
{
    FindBoundary(*this, Text(L"Wyszukiwanie - Scrivel", L"Find - Scrivel"), [&] {
        if (!RequireTexts())
            return;
        String phrase = FindFieldText();
        int32 mode = FindModeFlags();
        if (phrase.IsEmpty()) {
            ShowFindBar();
            return;
        }
        RememberFindPhrase(phrase);
        int32 code;
        switch (command) {
        case 11018: code = ActionFindFirst; break;
        case 11019: code = ActionFindPrevious; break;
        case 11020: code = ActionFindNext; break;
        case 11021: code = ActionFindLast; break;
        default: code = ActionFindEnter; break;
        }
        String none;
        ActionRecord record;
        record.InitFind(code, activeView, mode, phrase, none);
        ExecuteAction(*broker, record);
    });
}

void MainForm::RunReplaceCommand(uint32_t command)
{
    FindBoundary(*this, Text(L"Zastępowanie - Scrivel", L"Replacing - Scrivel"), [&] {
        if (!RequireTexts())
            return;
        String phrase = FindFieldText();
        int32 mode = FindModeFlags();
        String replacement = ReplaceFieldText();
        if (phrase.IsEmpty()) {
            if (findBar->IsCollapsed())
                ShowFindBar();
            EnsureFindBar();
            findField->SetFocus();
            return;
        }
        RememberFindPhrase(phrase);
        if (!replacement.IsEmpty())
            replaceHistory.Add(replacement, 0);
        int32 code = ActionReplaceOnce;
        if (command == 11024) {
            int32 answer = AskOnForm(
                this,
                Text(L"Rozpocząć zamianę od bieżącej pozycji, czy od początku tekstu?",
                     L"Shall I start replacement from current position or from the beginning of text?"),
                Text(L"Zastąp w pozostałym tekście - Scrivel", L"Replace in remaining text - Scrivel"),
                Text(L"Od &bieżącej pozycji|Od &początku tekstu|-Anuluj",
                     L"From &current position|From &beginning|-Cancel"),
                1);
            if (answer == 0)
                code = ActionReplaceRestFromCaret;
            else if (answer == 1)
                code = ActionReplaceRestFromStart;
            else
                return;
        }
        ActionRecord record;
        record.InitFind(code, activeView, mode, phrase, replacement);
        ExecuteAction(*broker, record);
    });
}

// ---- histories ----

void MainForm::StepFieldHistory(EditLine* field, HistoryList& history, int32 step)
{
    bool find = field == findField;
    int32 current = find ? FindModeNumber() : 0;
    String text = field->GetText();
    int64 found = history.FindLast(text, current);
    if (found < 0) {
        history.Add(text, current);
        found = history.FindLast(text, current);
        if (found < 0)
            return;
    }
    int64 target = found + step;
    if (target > history.Count() - 1)
        target = history.Count() - 1;
    if (target < 0)
        target = 0;
    String entry = history.StringAt(target);
    if (!entry.Equals(text))
        PutFieldText(field, entry);
    int32 number = history.NumberAt(target);
    if (find && number != current)
        ApplyFindModeNumber(number);
}

void MainForm::ShowFieldHistory(HistoryList& history, EditLine* field, Toolbar* bar, uint32_t dropId)
{
    bar->SetPressed(dropId, true);
    try {
        RECT area = field->WindowRect();
        // The list also covers the drop-down button beside the field.
        area.right += MulDiv(19, GetDpi(), 96);
        if (history.Count() > 0) {
            delete historyPopup;
            historyPopup = nullptr;
            historyPopup = NewPopupList(this, dropId);
            historyPopup->SetFont(GetFont());
            int64 rows = history.Count() < 10 ? history.Count() : 10;
            for (int64 i = 0; i < rows; i++)
                historyPopup->items.Insert(i, history.StringAt(i));
            String current = field->GetText();
            int chosen = historyPopup->Run(area, current.CStr());
            if (chosen >= 0 && chosen < history.Count()) {
                PutFieldText(field, history.StringAt(chosen));
                field->SetFocus();
                if (field == findField)
                    ApplyFindModeNumber(history.NumberAt(chosen));
            }
        }
    } catch (...) {
        delete historyPopup;
        historyPopup = nullptr;
        bar->SetPressed(dropId, false);
        throw;
    }
    delete historyPopup;
    historyPopup = nullptr;
    bar->SetPressed(dropId, false);
}

void MainForm::OnFindHistoryButton()
{
    EnsureFindBar();
    ShowFieldHistory(findHistory, findField, findToolbar, kFindHistoryId);
}

void MainForm::OnReplaceHistoryButton()
{
    EnsureFindBar();
    ShowFieldHistory(replaceHistory, replaceField, replaceToolbar, kReplaceHistoryId);
}

// ---- pattern check and tint ----

void MainForm::CheckFindPattern()
{
    if (!FindToggleOn(kFindToggleRegexId))
        return;
    bool valid = true;
    try {
        SearchPattern compiled(FindFieldText(), FindRegularExpression);
    } catch (const Error& error) {
        if (error.code != BadRegExpError(0).code)
            throw;
        valid = false;
    }
    if (valid == (findPatternInvalid == 0))
        return;
    findPatternInvalid = valid ? 0 : 1;
    if (FindBarBuilt())
        findField->Invalidate();
}

void MainForm::TintFindField(MessageRecord& m)
{
    if (!FindBarBuilt() || !findToolbar->IsChecked(kFindToggleRegexId))
        return;
    HWND edit = reinterpret_cast<HWND>(m.lParam);
    bool isFind = edit == findField->GetHwnd();
    if (!isFind && edit != replaceField->GetHwnd())
        return;
    bool invalid = (isFind ? findPatternInvalid : replacePatternInvalid) != 0;
    COLORREF window = GetSysColor(COLOR_WINDOW);
    int r = GetRValue(window), g = GetGValue(window), b = GetBValue(window);
    // Towards yellow, or towards red for an expression that does not compile.
    COLORREF tint = invalid ? RGB(Blend(r, 255), Blend(g, 0), Blend(b, 0)) : RGB(Blend(r, 255), Blend(g, 255), Blend(b, 0));
    SetBkColor(reinterpret_cast<HDC>(m.wParam), tint);
    m.result = reinterpret_cast<LRESULT>((invalid ? fieldBrush2 : fieldBrush1).Brush());
}
