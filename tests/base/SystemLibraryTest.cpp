#include "base/SystemLibrary.h"

#include "support/CaughtError.h"

#include <doctest.h>

using ExtendedErrorFn = DWORD(WINAPI*)();

TEST_CASE("a system function is found in a library loaded on the first call; missing ones are null or an error naming them")
{
    // comdlg32 is none of this program's imports.
    REQUIRE(SystemFunctionAddress(L"comdlg32.dll", "CommDlgExtendedError") != nullptr);
    auto extendedError = SystemFunction<ExtendedErrorFn>(L"comdlg32.dll", "CommDlgExtendedError");
    CHECK(extendedError() == 0);
    CHECK(GetModuleHandleW(L"comdlg32.dll") != nullptr);

    CHECK(SystemFunctionAddress(L"comdlg32.dll", "NoSuchFunction") == nullptr);
    CHECK(SystemFunctionAddress(L"no-such-library.dll", "CommDlgExtendedError") == nullptr);

    Error missing = CaughtError([] { RequiredSystemFunction<ExtendedErrorFn>(L"comdlg32.dll", "NoSuchFunction"); });
    CHECK(missing.code == ERROR_PROC_NOT_FOUND);
    CHECK(HasMessage(missing, L"NoSuchFunction"));
    CHECK(CaughtError([] { RequiredSystemFunction<ExtendedErrorFn>(L"no-such-library.dll", "X"); }).code != 0);
}
