#pragma once

// The editor's run from entry to exit: interface language, application
// object, OLE, broker, main window and message loop, torn down in reverse.

#include "base/Error.h"

#include <windows.h>

class ActionBroker;
class MainForm;

// What a run calls that tests replace: the start failure alert and the
// making of the main window. A null table (or slot) means the program's own.
struct ProgramCalls {
    void (*startFailureAlert)(const Error& error);
    MainForm* (*createMainForm)(ActionBroker* broker);
};
void SetProgramCalls(const ProgramCalls* calls);

// Creates the application object, runs the editor and answers the exit code:
// the application object's after a normal run, 3 after a failed start.
int RunEditor(HINSTANCE instance);

// The run inside the application object; a failure shows one alert and sets
// the exit code to 3.
void RunApplication();
