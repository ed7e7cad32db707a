// What the main window does when its views report input and when the broker
// reports a change: views, tabs, title and menu follow.

#include "editor/MainForm.h"

#include "base/UiLanguage.h"
#include "editor/Statusbar.h"
#include "gui/ElasticGroup.h"
#include "gui/ErrorText.h"
#include "gui/PointerList.h"
#include "gui/Toolbar.h"
#include "spell/DictRegistry.h"
#include "spell/SpellCheckDialog.h"
#include "text/TextDocument.h"

void MainForm::TextViewHandler::OnCaretMovedByMouse(TextView* view)
{
    form->OnBroadcast(BroadcastRecord{BroadcastCaretMoved, view->CurrentDocument(), view, 0});
}

void MainForm::TextViewHandler::OnFocus(TextView* view)
{
    form->ActivateView(view);
}

void MainForm::EditorBroadcast::OnBroadcast(BroadcastRecord& record)
{
    form->OnBroadcast(record);
}

Form* MainForm::EditorBroadcast::Owner()
{
    return form;
}

void MainForm::ActivateView(TextView* view)
{
    if (view != view1 && view != view2)
        return;
    // A run walks the text of the view it started in.
    if (view != activeView)
        SpellCheckDialog::CloseInstance();
    activeView = view;
    for (TextView* v : {view1, view2}) {
        v->currentStyle = v == activeView ? v->activeStyle.get() : v->inactiveStyle.get();
        v->Invalidate();
    }
    ResetIncrementalFind();
    OnBroadcast(BroadcastRecord{BroadcastCurrentChanged, view->CurrentDocument(), view, 0});
}

void MainForm::OnBroadcast(const BroadcastRecord& record)
{
    // What a restore left for its end comes first: this broadcast follows it.
    if (!broker->restoringSession)
        RefreshDeferred();
    if (record.kind == BroadcastCurrentChanged)
        FollowCurrentText(record);
    if (record.kind >= BroadcastDocumentAdded && record.kind <= BroadcastBookmarksChanged) {
        view1->OnDocumentEvent(record, record.kind);
        view2->OnDocumentEvent(record, record.kind);
    }
    tabs->OnBroadcast(record);
    UpdateStatusbar(record);
    switch (record.kind) {
    case BroadcastDocumentRemoved:
        SpellCheckDialog::CloseInstance();
        sessionChanged = 1;
        RemovePointer(autosaveStalled, record.document);
        break;
    case BroadcastCurrentChanged:
        RefreshWindow(kRefreshIncremental | kRefreshTitle | kRefreshMenu);
        break;
    case BroadcastContentReplaced:
    case BroadcastSyntaxChanged:
    case BroadcastSpellingChanged:
        sessionChanged = 1;
        break;
    case BroadcastSaved:
        RefreshWindow(kRefreshTitle | kRefreshMenu);
        break;
    case BroadcastRepaint:
        RefreshWindow(kRefreshTitle);
        break;
    case BroadcastTextChanged:
        RefreshWindow(kRefreshIncremental);
        MarkMatchingBracket(record);
        break;
    case BroadcastCaretMoved:
        MarkMatchingBracket(record);
        break;
    case BroadcastPathChanged:
        RefreshWindow(kRefreshTitle | kRefreshMenu);
        sessionChanged = 1;
        break;
    case BroadcastLineEndsChanged:
        RefreshWindow(kRefreshMenu);
        sessionChanged = 1;
        break;
    default:
        break;
    }
}

void MainForm::RefreshWindow(u8 what)
{
    // A restore makes each text current in turn: title, menu marks and
    // status bar would be set once per text, at a cost per text that
    // outweighs its loading, only to show the last one.
    if (broker->restoringSession) {
        refreshDeferred |= what;
        return;
    }
    RunRefresh(what);
}

void MainForm::RefreshDeferred()
{
    u8 what = refreshDeferred;
    refreshDeferred = 0;
    RunRefresh(what);
}

void MainForm::RunRefresh(u8 what)
{
    if (what & kRefreshIncremental)
        ResetIncrementalFind();
    if (what & kRefreshTitle)
        UpdateTitle();
    if (what & kRefreshMenu)
        UpdateMenuState();
    if ((what & kRefreshStatus) && activeView)
        statusbar->Update(activeView->CurrentDocument(), activeView);
}

void MainForm::FollowCurrentText(const BroadcastRecord& record)
{
    // Seen before the views switch: the active view still shows the old text.
    if (record.view != activeView || record.document != activeView->CurrentDocument())
        SpellCheckDialog::CloseInstance();
    // The text about to be shown in the active view brings its own
    // dictionaries, so its underlines are painted against them.
    if (record.view != activeView || !record.document)
        return;
    ViewState* state = activeView->FindViewState(record.document);
    if (state && state->dictPair != 0 && dictionaries)
        dictionaries->Select(state->dictPair);
}

void MainForm::MarkMatchingBracket(const BroadcastRecord& record)
{
    // The views dropped the old marks on this broadcast; the caret's new
    // place may earn new ones.
    if (showMatchingBracket && record.document && (record.view == view1 || record.view == view2))
        ShowMatchingBracket(record.view, record.document);
}

void MainForm::UpdateStatusbar(const BroadcastRecord& record)
{
    if (!activeView || record.view != activeView || record.document != activeView->CurrentDocument())
        return;
    switch (record.kind) {
    case BroadcastCurrentChanged:
    case BroadcastContentReplaced:
    case BroadcastSaved:
    case BroadcastOverwriteToggled:
    case BroadcastLineEndsChanged:
    case BroadcastSyntaxChanged:
    case BroadcastSpellingChanged:
        RefreshWindow(kRefreshStatus);
        break;
    case BroadcastCaretMoved:
        // In a restore the whole bar follows the text it ends in.
        if (broker->restoringSession)
            RefreshWindow(kRefreshStatus);
        else
            statusbar->UpdateCaret(record.document, activeView);
        break;
    default:
        break;
    }
}

void MainForm::UpdateTitle()
{
    try {
        bool polish = IsPolishUi();
        TextDocument* text = activeView ? activeView->CurrentDocument() : nullptr;
        if (text == nullptr) {
            SetTitle(polish ? L"Bez tekstów - Scrivel" : L"No text - Scrivel");
            return;
        }
        String title(text->modified ? L"* " : L"");
        const wchar_t* recovered = text->fromAutosave ? (polish ? L" - ODZYSKANY -" : L" - RECOVERED -") : L"";
        String path = text->GetPath();
        if (path.IsEmpty()) {
            title = ConcatParts(title.CStr(), polish ? L"<bez nazwy>" : L"<no name>", recovered);
            title = ConcatParts(title.CStr(), text->fromAutosave ? L" " : L" - ", L"Scrivel");
        } else {
            int64 split = path.Length();
            while (split > 0 && path.Data()[split - 1] != L'\\' && path.Data()[split - 1] != L'/' &&
                   path.Data()[split - 1] != L':')
                split--;
            String folder = path.Substring(0, split);
            String name = path.Substring(split, path.Length() - split);
            if (split <= 80) {
                title = ConcatParts(title.CStr(), name.CStr(), recovered);
                title = ConcatParts(title.CStr(), L" <", folder.CStr());
                title = ConcatParts(title.CStr(), L"> - Scrivel", nullptr);
            } else {
                title = ConcatParts(title.CStr(), name.CStr(), L"  -  Scrivel");
            }
        }
        SetTitle(title.CStr());
    } catch (...) {
        // A title that cannot be built keeps the old one.
    }
}

void MainForm::UpdateMenuState()
{
    CheckMenuItem(11059, FindToggleOn(kFindToggleCaseId));
    CheckMenuItem(11058, FindToggleOn(kFindToggleRegexId));
    bool findShown = !findBar->IsCollapsed();
    CheckMenuItem(11028, findShown);
    toolbar->SetChecked(11028, findShown);
    CheckMenuItem(11039, !toolbar->IsCollapsed());
    CheckMenuItem(11040, !statusbar->IsCollapsed());
    TextDocument* text = activeView->CurrentDocument();
    ViewState* state = text ? activeView->FindViewState(text) : nullptr;
    bool underline = state && state->spellUnderline;
    CheckMenuItem(11048, underline);
    toolbar->SetChecked(11048, underline);
    CheckMenuItem(11085, text && text->bomLength > 0);
    CheckMenuItem(11071, state && state->wordWrap);
}
