// The entry of the help viewer Guidora.

#include "base/AppContext.h"
#include "base/Error.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/ViewerFramework.h"
#include "helpviewer/ViewerStart.h"

#include <memory>
#include <new>

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    u32 exitCode = 0;
    try {
        UseViewerFramework();
        // The context reads the command line as it is made.
        std::unique_ptr<AppContext> app(new AppContext(instance));
        RunViewer(*app);
        exitCode = app->exitCode;
    } catch (const Error& error) {
        ShowHelpError(L"Nieudane uruchomienie programu Guidora.", nullptr, error);
    } catch (const std::bad_alloc&) {
        ShowHelpError(L"Nieudane uruchomienie programu Guidora.", nullptr, MemoryError());
    }
    return static_cast<int>(exitCode);
}
