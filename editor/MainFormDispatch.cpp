// Menu items, accelerators, toolbar buttons and posted commands reach the
// main window here and become actions or window changes; keys typed into the
// active view and the tab strip's events go to the broker.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/Statusbar.h"
#include "editor/AboutDialog.h"
#include "editor/TextCommands.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/ErrorText.h"
#include "gui/FileDropTarget.h"
#include "gui/Toolbar.h"
#include "text/TextDocument.h"

namespace {

const wchar_t* Text(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

bool Focused(GuiBase* control)
{
    return control && GetFocus() == control->GetHwnd();
}

}  // namespace

int32 CommandToAction(uint32_t command)
{
    switch (command) {
    case 11001:
        return ActionNewText;
    case 11002:
        return ActionOpenDialog;
    case 11003:
        return ActionSave;
    case 11004:
        return ActionSaveAs;
    case 11005:
        return ActionSaveAll;
    case 11006:
        return ActionCloseText;
    case 11009:
        return ActionSaveCopy;
    case 11015:
        return ActionSaveSelection;
    case 11016:
        return ActionPasteFile;
    case 11094:
        return ActionRecentTexts;
    default:
        return ActionNone;
    }
}

// ---- the active view's keys and the tab strip ----

void MainForm::TextViewHandler::OnKeyDown(MessageRecord& m, TextView* view)
{
    if (view == form->activeView && view->CurrentDocument() && m.wParam != 0)
        RunKeyDown(*form->broker, static_cast<int32>(m.wParam), view);
}

void MainForm::TextViewHandler::OnChar(MessageRecord& m, TextView* view)
{
    if (view == form->activeView && view->CurrentDocument() && m.wParam != 0)
        RunChar(*form->broker, static_cast<wchar_t>(m.wParam), view);
}

void MainForm::RunTabAction(int32 code, TextDocument* text, int64 number)
{
    ActionRecord record;
    record.InitPlain(code, activeView);
    record.document = text;
    record.number1 = number;
    ExecuteAction(*broker, record);
}

void MainForm::TextTabsHandler::OnTabClicked(TextDocument* text, TextTabs*)
{
    form->RunTabAction(ActionActivateText, text, 0);
}

void MainForm::TextTabsHandler::OnCloseClicked(TextDocument* text, TextTabs*)
{
    form->RunTabAction(ActionCloseText, text, 0);
}

void MainForm::TextTabsHandler::OnSaveClicked(TextDocument* text, TextTabs*)
{
    form->RunTabAction(ActionSave, text, 0);
}

void MainForm::TextTabsHandler::OnTabMoved(TextDocument* text, int32 index, TextTabs*)
{
    form->RunTabAction(ActionMoveTextTo, text, index);
}

// ---- commands ----

bool MainForm::RequireTexts()
{
    if (broker->documents.Count() > 0)
        return true;
    AskOnForm(this, Text(L"Brak otwartych tekstów. Nie ma na czym wykonać operacji.",
               L"No texts, the operation could not be performed."),
          Text(L"Brak tekstu - Scrivel", L"No texts - Scrivel"), L"+OK", 1);
    return false;
}

void MainForm::ShowFindBar()
{
    EnsureFindBar();
    if (findBar->IsCollapsed()) {
        findBar->Uncollapse();
        // Collapsing hid the bar's windows; uncollapsing only lays them out.
        findBar->ShowNoActivate();
        Layout();
        UpdateMenuState();
    }
    SendMessageW(findField->GetHwnd(), EM_SETSEL, 0, -1);
    findField->SetFocus();
}

void MainForm::HideFindBar()
{
    findBar->Collapse();
    Layout();
    UpdateMenuState();
    activeView->SetFocus();
}

void MainForm::ToggleBar(Control* bar)
{
    if (bar->IsCollapsed()) {
        bar->Uncollapse();
        Layout();
        ShowWindow(bar->GetHwnd(), SW_SHOWNA);
    } else {
        bar->Collapse();
        Layout();
    }
    UpdateMenuState();
}

void MainForm::LineEndsCommand(uint32_t command)
{
    RunAction(command == 11032 ? ActionLineEndsCrLf : ActionLineEndsLf);
}

void MainForm::AllLineEndsCommand(uint32_t command)
{
    int32 answer = AskOnForm(this, Text(L"Wycofanie zmian po zamianie końców wierszy we wszystkich plikach, może być "
                              L"uciążliwe - osobno dla każdego pliku.",
                              L"Undoing replacement of line ends in all files could be tedious - separately for "
                              L"each file."),
                         Text(L"Konwersja końców wierszy we wszystkich plikach - Scrivel",
                              L"Convert line endings in all files - Scrivel"),
                         Text(L"Zamieniaj we wszystkich plikach!|-Anuluj", L"Replace in all files!|-Cancel"), 1);
    if (answer == 0)
        RunAction(command == 11030 ? ActionAllLineEndsCrLf : ActionAllLineEndsLf);
}

void MainForm::OnCommand(MessageRecord& m)
{
    uint32_t command = LOWORD(m.wParam);
    uint32_t notification = HIWORD(m.wParam);
    // Spelling commands are each their own error boundary.
    if (SpellCommand(command))
        return;
    try {
        switch (command) {
        case kSettingsRefreshCommand:
            settingsRefreshPosted = 0;
            BuildFonts(DetectDpi());
            ApplySettings(AppContext::Settings(), true);
            Layout();
            break;
        case kDropCommand:
            if (dropTarget) {
                Array<String> files = dropTarget->files;
                ActionRecord record;
                record.InitOpenFiles(activeView, false, files);
                ExecuteAction(*broker, record);
            }
            break;
        case 11001:
        case 11002:
        case 11003:
        case 11004:
        case 11005:
        case 11006:
        case 11009:
        case 11015:
        case 11016:
        case 11094:
            RunAction(CommandToAction(command));
            break;
        case 11007:
            RunAction(ActionCloseAll);
            break;
        case 11008:
            Exit();
            break;
        case 11057:
            HibernateAndExit();
            break;
        case 11010:
            RunAction(ActionUndo);
            break;
        case 11011:
            RunAction(ActionRedo);
            break;
        case 11012:
        case 11013:
        case 11014: {
            static const UINT kEditMessages[] = {WM_CUT, WM_COPY, WM_PASTE};
            static const int32 kActions[] = {ActionCut, ActionCopy, ActionPaste};
            // The find bar's fields edit their own text.
            if (Focused(findField))
                SendMessageW(findField->GetHwnd(), kEditMessages[command - 11012], 0, 0);
            else if (Focused(replaceField))
                SendMessageW(replaceField->GetHwnd(), kEditMessages[command - 11012], 0, 0);
            else
                RunAction(kActions[command - 11012]);
            break;
        }
        case 11017:
            ShowFindBar();
            break;
        case kFindFieldId:
            OnFindFieldCommand(notification);
            break;
        case kReplaceFieldId:
            OnReplaceFieldCommand(notification);
            break;
        case 11018:
        case 11019:
        case 11020:
        case 11021:
        case 11082:
            RunFindCommand(command);
            break;
        case 11023:
        case 11024:
            RunReplaceCommand(command);
            break;
        case kFindHistoryId:
            OnFindHistoryButton();
            break;
        case kReplaceHistoryId:
            OnReplaceHistoryButton();
            break;
        case 11025:
            RunAction(ActionSelectWord);
            break;
        case 11026:
            RunAction(ActionSelectLine);
            break;
        case 11027:
            RunAction(ActionSelectAll);
            break;
        case 11028:
            if (findBar->IsCollapsed())
                ShowFindBar();
            else
                HideFindBar();
            break;
        case 11030:
        case 11031:
            AllLineEndsCommand(command);
            break;
        case 11032:
        case 11033:
            LineEndsCommand(command);
            break;
        case 11037:
            RunAction(ActionGoToLine);
            break;
        case 11039:
            ToggleBar(toolbar);
            break;
        case 11040:
            ToggleBar(statusbar);
            break;
        case 11042:
            RunAction(ActionSelectLoadedText);
            break;
        case 11045:
            RunAction(ActionPreviousText);
            break;
        case 11046:
            RunAction(ActionNextText);
            break;
        case 11052:
            if (!findBar->IsCollapsed())
                HideFindBar();
            break;
        case 11034:
        case 11035:
        case 11036:
        case 11038:
        case 11053:
        case 11054:
        case 11055:
        case 11056:
        case 11081:
        case 11083:
        case 11084:
        case 11085:
        case 11092:
        case 11093:
        case 11096:
        case 11097:
            if (RequireTexts())
                RunTextCommand(*broker, activeView, this, command);
            break;
        case 11044:
            RunAboutDialog(this);
            break;
        case 11058:
        case kFindToggleRegexId:
            SetFindToggle(kFindToggleRegexId, !FindToggleOn(kFindToggleRegexId));
            break;
        case 11059:
        case kFindToggleCaseId:
            SetFindToggle(kFindToggleCaseId, !FindToggleOn(kFindToggleCaseId));
            break;
        case 11076: {
            ActionRecord record;
            record.InitPlain(ActionGoToLine, activeView);
            record.number1 = 1;
            ExecuteAction(*broker, record);
            break;
        }
        case 11077:
            RunAction(ActionPasteHtml);
            break;
        case 11086:
            RunAction(ActionToggleOverwrite);
            break;
        case 11087:
            RunAction(ActionCopyHtml);
            break;
        case 11088:
            RunAction(ActionMoveTextLeft);
            break;
        case 11089:
            RunAction(ActionMoveTextRight);
            break;
        case 11043:
            ShowHelp(0);
            break;
        case 11072:
            CheckForUpdate();
            break;
        case 11073:
            OpenProgramPage(hwnd);
            break;
        default:
            RunViewCommand(command, notification);
            break;
        }
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(this, Text(L"Niepowodzenie operacji - Scrivel", L"Failure - Scrivel"), error);
    }
}
