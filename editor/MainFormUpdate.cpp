// Help > Check update: the update dialog, then, once the user agrees to
// close, the save questions and the hand-over to the updater helper.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/UpdateDialog.h"

void MainForm::CheckForUpdate()
{
    const wchar_t* title = UiText(L"Aktualizacja - Scrivel", L"Update - Scrivel");
    try {
        // A portable copy is updated by hand: the item is not even offered.
        if (AppContext::Current().portable)
            return;
        String installer = UpdateDialog::Run(this);
        if (installer.IsEmpty())
            return;
        int32 answer = AskOnForm(this,
                                 UiText(L"Do rozpoczęcia aktualizacji wymagane jest zamknięcie programu.",
                                        L"The program must be closed to start the update"),
                                 title, UiText(L"&Zamknij program|&Anuluj aktualizację", L"&Close program|C&ancel update"),
                                 1);
        if (answer != 0)
            return;
        if (quitAsked || !AskSaveAll())
            return;
        if (!RunUpdater(this, installer)) {
            DeleteFileW(installer.CStr());
            return;
        }
        // The texts were offered for saving a moment ago; asking again would
        // let a Cancel keep the editor running while the updater replaces it.
        FinishRun(HibernateOn(AppContext::Settings()), false);
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowAlertOnForm(this, title, error);
    }
}
