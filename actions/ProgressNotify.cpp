#include "actions/ProgressNotify.h"

#include "actions/ActionBroker.h"
#include "base/Error.h"
#include "gui/ProgressDialog.h"

ProgressNotify::ProgressNotify(ProgressDialog* progressDialog, const wchar_t* title, const wchar_t* line1,
                               const wchar_t* line2)
    : dialog(progressDialog)
{
    if (dialog)
        dialog->Start(title, line1, line2);
}

ProgressNotify::~ProgressNotify()
{
    if (!dialog || !started)
        return;
    try {
        dialog->Finish();
    } catch (...) {
        // Ending runs during unwinding too: nothing may escape it.
    }
}

int32 ProgressNotify::Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind)
{
    // While the dialog is not shown it is no place for a question: its owner is.
    Form* over = dialog;
    if (dialog && dialog->hidden && dialog->dialogOwner)
        over = dialog->dialogOwner;
    return AskOnForm(over, message, title, buttons, kind);
}

void ProgressNotify::SetTotal(int64 total)
{
    if (dialog)
        dialog->SetTotal(total);
}

void ProgressNotify::SetBase(int64 base)
{
    if (dialog)
        dialog->SetBase(base);
}

void ProgressNotify::Progress(int64 position)
{
    if (dialog && dialog->Step(position))
        throw Abort();
}
