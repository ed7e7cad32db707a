#include "base/Error.h"

#include <doctest.h>

#include "support/CaughtError.h"

#include <windows.h>

#include <climits>
#include <cwchar>

TEST_CASE("error classes carry their codes")
{
    CHECK(IndexError().code == -2);
    CHECK(InternalError().code == -3);
    CHECK(EofError().code == -4);
    CHECK(CheckFailed(L"x").code == -7);
    CHECK(MemoryError().code == 8);
    CHECK(WinError(5).code == 5);
    CHECK(Abort().code == -100);
    CHECK(NoTextError().code == -101);
    CHECK(TooManyTextsError().code == -102);
    CHECK(TextSizeLimitError().code == -110);
    CHECK(InvalidTextFormatError().code == -111);
    CHECK(TooManyBookmarksError().code == -112);
    CHECK(SpellDictEncodingError().code == -400);
    BadRegExpError re(7);
    CHECK(re.code == -5000);
    CHECK(re.subcode == 7);
    CHECK(IndexError().subcode == -1);
    CHECK(IndexError().message == nullptr);
}

TEST_CASE("error messages are owned and copied independently")
{
    Error a(-7, -1, L"first");
    Error b(a);
    REQUIRE(b.message != nullptr);
    CHECK(b.message != a.message);
    CHECK(HasMessage(b, L"first"));
    SetErrorMessage(a, L"second");
    CHECK(HasMessage(b, L"first"));
    CHECK(HasMessage(a, L"second"));

    Error none(-2, -1);
    Error noneCopy(none);
    CHECK(noneCopy.message == nullptr);

    SetErrorMessage(a, nullptr);
    CHECK(a.message == nullptr);

    b = none;
    CHECK(b.message == nullptr);
    CHECK(b.code == -2);
}

TEST_CASE("a thrown error keeps its message through catch by value and base")
{
    Error e = CaughtError([] { throw WinError(2, L"C:\\missing.txt"); });
    CHECK(e.code == 2);
    CHECK(HasMessage(e, L"C:\\missing.txt"));

    bool abortSeen = false;
    try {
        throw Abort();
    } catch (const Abort&) {
        abortSeen = true;
    } catch (const Error&) {
        FAIL("Abort must be catchable before Error");
    }
    CHECK(abortSeen);
}

TEST_CASE("AsInt narrows exactly or throws CheckFailed naming the check")
{
    CHECK(AsInt(static_cast<long long>(INT32_MAX)) == INT32_MAX);
    CHECK(AsInt(static_cast<long long>(INT32_MIN)) == INT32_MIN);
    Error high = CaughtError([] { AsInt(static_cast<long long>(INT32_MAX) + 1); });
    CHECK(high.code == -7);
    CHECK(HasMessage(high, L"AsInt(int64)"));
    Error low = CaughtError([] { AsInt(static_cast<long long>(INT32_MIN) - 1); });
    CHECK(HasMessage(low, L"AsInt(int64)"));

    CHECK(AsInt(static_cast<size_t>(12)) == 12);
    Error size = CaughtError([] { AsInt(static_cast<unsigned long long>(0x80000000u)); });
    CHECK(HasMessage(size, L"AsInt(size_t)"));
    CHECK(AsInt(static_cast<unsigned long long>(INT32_MAX)) == INT32_MAX);

    DWORD count = 0x80000000u;
    Error win = CaughtError([&] { AsInt(count); });
    CHECK(HasMessage(win, L"AsInt(unsigned long)"));
    CHECK(AsInt(static_cast<DWORD>(INT32_MAX)) == INT32_MAX);
}

TEST_CASE("Win32 failures become MemoryError for 8 and 14, else WinError")
{
    CHECK(CaughtError([] { ThrowWinError(14, L"x"); }).code == 8);
    CHECK(CaughtError([] { ThrowWinError(8); }).message == nullptr);
    Error e = CaughtError([] {
        SetLastError(ERROR_ACCESS_DENIED);
        ThrowLastError(L"file.txt");
    });
    CHECK(e.code == 5);
    CHECK(HasMessage(e, L"file.txt"));
}

TEST_CASE("AllocZeroed gives zero-filled memory")
{
    auto p = static_cast<unsigned char*>(AllocZeroed(100));
    bool allZero = true;
    for (int i = 0; i < 100; i++)
        allZero = allZero && p[i] == 0;
    CHECK(allZero);
    free(p);
    CHECK(CaughtError([] { AllocZeroed(SIZE_MAX); }).code == 8);
    CHECK(AllocZeroedOrNull(SIZE_MAX) == nullptr);
}
