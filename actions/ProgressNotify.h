#pragma once

#include "base/Types.h"
#include "text/TextNotify.h"

class ProgressDialog;

// Progress and questions of one long operation, shown in the main window's
// progress dialog: the dialog appears only when the operation takes long, and
// its Cancel turns the next progress report into Abort. Made on the stack
// around the operation; its end hides the dialog and enables the owner again,
// also when the operation ends by an exception.
class ProgressNotify : public TextNotify {
public:
    // dialog may be null (a view without a progress dialog): nothing is shown.
    // Without a start the end touches nothing: an operation that runs meanwhile
    // keeps its dialog.
    explicit ProgressNotify(ProgressDialog* dialog) : dialog(dialog), started(false) {}
    // Starts the dialog with its title and two lines of text.
    ProgressNotify(ProgressDialog* dialog, const wchar_t* title, const wchar_t* line1, const wchar_t* line2);
    ~ProgressNotify();
    ProgressNotify(const ProgressNotify&) = delete;
    ProgressNotify& operator=(const ProgressNotify&) = delete;

    int32 Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind) override;
    void SetTotal(int64 total) override;
    void SetBase(int64 base) override;
    void Progress(int64 position) override;

    ProgressDialog* dialog;  // not owned

private:
    bool started = true;
};
