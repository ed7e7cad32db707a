#include "editor/ProgramRun.h"

#include "actions/ActionBroker.h"
#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/MainForm.h"
#include "gui/ErrorText.h"

#include <ole2.h>

#include <clocale>
#include <new>

namespace {

const ProgramCalls* programCalls = nullptr;

void ShowStartFailure(const Error& error)
{
    if (programCalls && programCalls->startFailureAlert) {
        programCalls->startFailureAlert(error);
        return;
    }
    ShowErrorAlert(nullptr, IsPolishUi() ? L"Nieudane uruchomienie programu Scrivel." : L"Scrivel failed to start.",
                   error);
}

MainForm* CreateMainForm(ActionBroker* broker)
{
    if (programCalls && programCalls->createMainForm)
        return programCalls->createMainForm(broker);
    return MainForm::Create(broker);
}

} // namespace

void SetProgramCalls(const ProgramCalls* calls)
{
    programCalls = calls;
}

void RunApplication()
{
    _wsetlocale(LC_ALL, L"");
    if (OleInitialize(nullptr) != S_OK)
        throw InternalError();
    ActionBroker* broker = nullptr;
    MainForm* form = nullptr;
    try {
        AppContext& context = AppContext::Current();
        context.DetectPortable();
        broker = ActionBroker::Create();
        form = CreateMainForm(broker);
        form->Run();
        MainForm* done = form;
        form = nullptr;
        delete done;
        ActionBroker* finished = broker;
        broker = nullptr;
        delete finished;
    } catch (...) {
        Error error = CurrentError();
        delete form;
        delete broker;
        // The failure decides the exit code, whatever the context held.
        try {
            AppContext::Current().exitCode = 3;
        } catch (...) {
        }
        ShowStartFailure(error);
    }
    OleUninitialize();
}

int RunEditor(HINSTANCE instance)
{
    SetUiLanguageId(static_cast<int32>(GetUserDefaultUILanguage() & 0x3FF));
    int exitCode = 3;
    AppContext* context = nullptr;
    try {
        context = new (std::nothrow) AppContext(instance);
        if (context == nullptr)
            throw MemoryError();
        RunApplication();
        exitCode = static_cast<int>(context->exitCode);
        delete context;
        context = nullptr;
    } catch (...) {
        Error error = CurrentError();
        exitCode = 3;
        // The alert's window needs the application object's instance.
        ShowStartFailure(error);
        delete context;
    }
    return exitCode;
}
