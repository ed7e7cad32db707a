// The entry of the editor program.

#include "editor/ProgramRun.h"
#include "gui/GuiBase.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    int exitCode = RunEditor(instance);
    // The class names registered by the run; every window is gone now.
    WindowClassList.Release();
    return exitCode;
}
