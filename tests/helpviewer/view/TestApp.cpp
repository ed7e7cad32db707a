#include "base/AppContext.h"
#include "base/Error.h"
#include "helpviewer/ViewerFramework.h"

#include <doctest.h>

#include <string>

// The application object of these tests, set up as the viewer sets up its
// framework before any window.
static AppContext TestContext(GetModuleHandleW(nullptr));
static const bool ViewerFramework = (UseViewerFramework(), true);

REGISTER_EXCEPTION_TRANSLATOR(const Error& e)
{
    return doctest::String(("Error " + std::to_string(e.code)).c_str());
}
