// The commands that split, close, switch and synchronise the two views, word
// wrap, zoom and the configuration command.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/ConfigDialog.h"
#include "gui/ErrorText.h"
#include "view/TextSplitter.h"

namespace {

const wchar_t* Pick(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

const wchar_t* ViewTitle(const wchar_t* polish)
{
    return Pick(polish, L"View management - Scrivel");
}

}  // namespace

// Each command is its own error boundary: Abort is silent, any other error
// one alert under the command's title.
template <class F>
static void Guarded(Form* form, const wchar_t* title, F&& body)
{
    try {
        body();
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(form, title, error);
    }
}

bool MainForm::RunViewCommand(uint32_t command, uint32_t notification)
{
    switch (command) {
    case 11041:
        Configure();
        return true;
    case 11061:
        SetZoom(0);
        return true;
    case 11062:
        SetZoom(1);
        return true;
    case 11063:
        SetZoom(-1);
        return true;
    case 11064:
        Split(SplitSideBySide);
        return true;
    case 11065:
        Split(SplitAboveBelow);
        return true;
    case 11066:
        Guarded(this, ViewTitle(L"Zamknij widok - Scrivel"), [&] { CloseView(activeView); });
        return true;
    case 11067:
        Guarded(this, ViewTitle(L"Zamknij widok - Scrivel"), [&] { CloseView(OtherView()); });
        return true;
    case 11068:
        SwitchView();
        return true;
    case 11069:
        DuplicateToOther();
        return true;
    case 11070:
        DuplicateFromOther();
        return true;
    case 11071:
        ToggleWrap();
        return true;
    case 11075:
        EnterCharacters();
        return true;
    case 11090:
        SetUiLanguage(21);
        return true;
    case 11091:
        SetUiLanguage(9);
        return true;
    case TextSplitterId:
        // A drag that ends at one edge closes the view on that side.
        if (notification == SplitDragEnded && (splitter->ratio == 0 || splitter->ratio == 10000)) {
            TextView* closed = splitter->ratio == 0 ? view1 : view2;
            Guarded(this, ViewTitle(L"Zamknij widok - Scrivel"), [&] { CloseView(closed); });
        }
        return true;
    case 99:
    case 22400:
        return true;  // the context menu's greyed item and Cancel
    default:
        return false;
    }
}

void MainForm::CopyViewInto(TextView* source, TextView* other)
{
    if (source == other)
        return;
    TextView* target = source == view1 ? view2 : view1;
    if (target->zoomSteps != source->zoomSteps) {
        target->zoomSteps = source->zoomSteps;
        target->ReloadStyle(AppContext::Settings());
    }
    target->SyncWith(*source);
    if (TextDocument* text = target->CurrentDocument())
        if (target->FindViewState(text))
            target->Invalidate();
}

void MainForm::SplitWith(uint32_t flag)
{
    uint32_t orientation = flag == SplitAboveBelow ? SplitAboveBelow : SplitSideBySide;
    MessageRecord size{splitter->hwnd, WM_SIZE, 0, 0, 0};
    if (SecondViewShown()) {
        splitter->orientation = orientation;
        splitter->OnSize(size);
        splitter->Invalidate();
        Layout();
        return;
    }
    view2->SyncWith(*view1);
    if (view2->zoomSteps != view1->zoomSteps) {
        view2->zoomSteps = view1->zoomSteps;
        view2->ReloadStyle(AppContext::Settings());
    }
    splitter->orientation = orientation;
    splitter->OnSize(size);
    splitter->Invalidate();
    view2->Uncollapse();
    view2->Show();
    Layout();
    // Every split starts in the middle, whatever an earlier one left.
    splitter->SetSplitPosition(5000);
    Layout();
    FocusView(view2);
}

void MainForm::Split(uint32_t flag)
{
    Guarded(this, ViewTitle(L"Podziel widok - Scrivel"), [&] { SplitWith(flag); });
}

void MainForm::SwitchView()
{
    Guarded(this, ViewTitle(L"Przełącz widok - Scrivel"), [&] {
        if (!SecondViewShown())
            SplitWith(SplitSideBySide);
        else
            FocusView(OtherView());
    });
}

void MainForm::CloseView(TextView* view)
{
    if (!SecondViewShown())
        return;
    // View 1 stays: closing it keeps what view 2 showed there.
    if (view == view1)
        CopyViewInto(view2, view1);
    FocusView(view1);
    view2->Collapse();
    splitter->SetSplitPosition(splitter->ratio);
}

void MainForm::DuplicateToOther()
{
    Guarded(this, ViewTitle(L"Synchronizuj widok - Scrivel"), [&] {
        if (!SecondViewShown())
            SplitWith(SplitSideBySide);
        else
            CopyViewInto(activeView, OtherView());
    });
}

void MainForm::DuplicateFromOther()
{
    Guarded(this, ViewTitle(L"Synchronizuj widok - Scrivel"), [&] {
        if (!SecondViewShown())
            SplitWith(SplitSideBySide);
        else
            CopyViewInto(OtherView(), activeView);
    });
}

void MainForm::FocusView(TextView* view)
{
    view->SetFocus();
    // Without the focus (a window in the background) the view still becomes
    // the one the commands work on.
    if (activeView != view)
        ActivateView(view);
}

void MainForm::ToggleWrap()
{
    Guarded(this, Pick(L"Zmiana konfiguracji - Scrivel", L"Configuration - Scrivel"), [&] {
        TextDocument* text = activeView->CurrentDocument();
        ViewState* state = text ? activeView->FindViewState(text) : nullptr;
        if (state == nullptr)
            return;
        state->wordWrap = !state->wordWrap;
        state->longLines->Clear();
        if (state->wordWrap) {
            state->horzOffset = 0;  // wrapped rows never scroll sideways
        } else {
            // Unwrapped, the top row starts a line.
            TextBuff& buff = state->Text();
            activeView->SetTopPosition(buff.LineStart(buff.LineOfOffset(state->TopPosition())));
        }
        state->barsFollow = true;
        activeView->Invalidate();
        UpdateMenuState();
    });
}

void MainForm::SetZoom(int32 step)
{
    Guarded(this, Pick(L"Zmiana rozmiaru czcionki - Scrivel", L"Font size change - Scrivel"), [&] {
        int32 zoom = step == 0 ? 0 : activeView->zoomSteps + (step > 0 ? 1 : -1);
        activeView->zoomSteps = zoom < -10 ? -10 : zoom > 10 ? 10 : zoom;
        ApplySettings(AppContext::Settings(), true);
    });
}

void MainForm::Configure()
{
    Guarded(this, Pick(L"Zmiana konfiguracji - Scrivel", L"Configuration - Scrivel"), [&] {
        AppContext& context = AppContext::Current();
        if (RunConfigurationDialog(this, context.settings, dictionaries.get(), broker->lexerFactory.get()) != 1)
            return;
        ApplySettings(context.settings, true);
        SaveAppSettings(context);
    });
}
