#include "base/AppContext.h"
#include "base/Error.h"

#include <doctest.h>

#include <string>

// The application object every window of these tests is made with.
static AppContext TestContext(GetModuleHandleW(nullptr));

// Shows the code of an Error that escapes a test case.
REGISTER_EXCEPTION_TRANSLATOR(const Error& e)
{
    return doctest::String(("Error " + std::to_string(e.code)).c_str());
}
