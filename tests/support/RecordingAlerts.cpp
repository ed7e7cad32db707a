#include "support/RecordingAlerts.h"

#include "gui/ErrorText.h"
#include "spell/SpellingDictsDialog.h"

RecordingAlerts* RecordingAlerts::active = nullptr;

namespace {

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

}  // namespace

RecordingAlerts::RecordingAlerts()
{
    static const ActionAlertCalls calls = {Ask, ShowError};
    static const DictsDialogAlerts dictCalls = {Ask, ShowError};
    active = this;
    SetActionAlertCalls(&calls);
    SetDictsDialogAlerts(&dictCalls);
}

RecordingAlerts::~RecordingAlerts()
{
    SetActionAlertCalls(nullptr);
    SetDictsDialogAlerts(nullptr);
    active = nullptr;
}

int32 RecordingAlerts::Ask(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                           int32 kind)
{
    active->alerts.push_back(Alert{owner, Text(title), Text(message), Text(buttons), kind, 0});
    if (active->answers.empty())
        return 0;
    int32 answer = active->answers.front();
    active->answers.pop_front();
    return answer;
}

void RecordingAlerts::ShowError(Form* owner, const wchar_t* title, const Error& error)
{
    String words = ErrorText(error);
    active->alerts.push_back(Alert{owner, Text(title), Text(words.CStr()), L"", 0, error.code});
}
