#include "helpviewer/ViewerStart.h"

#include <doctest.h>

#include "base/Error.h"
#include "helpviewer/HelpContainerWriter.h"
#include "support/TempFolder.h"

#include <initializer_list>
#include <string>

namespace {

Array<String> Args(std::initializer_list<const wchar_t*> list)
{
    Array<String> a;
    a.Reset();
    for (const wchar_t* s : list)
        a.Append(s);
    return a;
}

bool SameRect(const RECT& a, int l, int t, int r, int b)
{
    return a.left == l && a.top == t && a.right == r && a.bottom == b;
}

}  // namespace

TEST_CASE("command-line arguments: prefixes ignore case and need a value, the last of a kind wins")
{
    ViewerArguments a = ReadViewerArguments(Args({L"RECT:1 2 3 4", L"rect:", L"id:", L"HRECT:5,6,7,8"}));
    CHECK(a.hasCallerRect);
    CHECK(SameRect(a.callerRect, 1, 2, 3, 4));
    CHECK(a.hasOwnRect);
    CHECK(SameRect(a.ownRect, 5, 6, 7, 8));
    CHECK_FALSE(a.hasId);
    CHECK_FALSE(a.testMode);

    a = ReadViewerArguments(Args({L"id:first", L"Id:abc def", L"rect:1 2 3", L"hrect:1 2 3 4 5"}));
    CHECK(a.hasId);
    CHECK(a.id.Equals(L"abc def"));
    CHECK_FALSE(a.hasCallerRect);
    CHECK_FALSE(a.hasOwnRect);

    // "hrect:" is not taken for "rect:" (its prefix is "h"), but "rect:" is
    // inside neither.
    a = ReadViewerArguments(Args({L"hrect:10 20 30 40"}));
    CHECK_FALSE(a.hasCallerRect);

    CHECK(ReadViewerArguments(Args({L"/TEST"})).testMode);
    CHECK_FALSE(ReadViewerArguments(Args({L"/test", L"id:x"})).testMode);
    CHECK_FALSE(ReadViewerArguments(Args({L"/tests"})).testMode);
    CHECK_FALSE(ReadViewerArguments(Args({})).testMode);
}

TEST_CASE("four integers: digits or minus start a number, exactly four are needed")
{
    int32 v[4] = {};
    REQUIRE(ParseFourIntegers(L"12,-3 400 500", 13, v));
    CHECK(v[0] == 12);
    CHECK(v[1] == -3);
    CHECK(v[2] == 400);
    CHECK(v[3] == 500);
    CHECK_FALSE(ParseFourIntegers(L"1 2 3", 5, v));
    CHECK_FALSE(ParseFourIntegers(L"1 2 3 4 5", 9, v));
    // Saturates instead of wrapping around.
    REQUIRE(ParseFourIntegers(L"99999999999 -99999999999 0 x1", 30, v));
    CHECK(v[0] == 0x7FFFFFFF);
    CHECK(v[1] == -0x7FFFFFFF - 1);
    CHECK(v[3] == 1);
}

TEST_CASE("hwnd: the editor's signed 64-bit number gives its low 32 bits, sign-extended")
{
    CHECK(ReadViewerArguments(Args({L"hwnd:1234"})).caller == reinterpret_cast<HWND>(1234));
    CHECK(ReadViewerArguments(Args({L"hwnd:-5"})).caller == reinterpret_cast<HWND>(intptr_t(-5)));
    // 0x1_0000_0001 keeps 1; 0xFFFF_FFFE is -2 as a 32-bit handle value.
    CHECK(ReadViewerArguments(Args({L"hwnd:4294967297"})).caller == reinterpret_cast<HWND>(1));
    CHECK(ReadViewerArguments(Args({L"hwnd:4294967294"})).caller == reinterpret_cast<HWND>(intptr_t(-2)));
    CHECK(ReadViewerArguments(Args({L"hwnd:-9223372036854775807"})).caller == reinterpret_cast<HWND>(1));
    CHECK(ReadViewerArguments(Args({L"hwnd:"})).caller == nullptr);
    CHECK(ReadViewerArguments(Args({L"hwnd:x"})).caller == nullptr);
}

TEST_CASE("the square beside the caller takes the side with more room, the right one on ties")
{
    const RECT work = {0, 0, 1280, 1000};
    // At the right edge: more room on the left.
    RECT caller = {900, 100, 1280, 600};
    CHECK(SameRect(SquareBesideCaller(caller, work, 96), 400, 100, 900, 600));
    // Equal room: right.
    caller = {600, 50, 1400, 500};
    CHECK(SameRect(SquareBesideCaller(caller, RECT{0, 0, 2000, 1000}, 96), 1400, 50, 1900, 550));
    caller = {300, 50, 980, 500};
    CHECK(SameRect(SquareBesideCaller(caller, work, 96), 780, 50, 1280, 550));
    // Less than a square of room on the right: against the work area's edge.
    caller = {10, 50, 1000, 500};
    CHECK(SameRect(SquareBesideCaller(caller, work, 96), 780, 50, 1280, 550));
    // Less on the left too, but the left wins: against the left edge.
    caller = {300, 50, 1200, 500};
    CHECK(SameRect(SquareBesideCaller(caller, work, 96), 0, 50, 500, 550));
    // No room on either side.
    caller = {0, 50, 1280, 500};
    CHECK(SameRect(SquareBesideCaller(caller, work, 96), 750, 90, 1250, 590));
    // The side scales with the DPI.
    caller = {0, 0, 100, 100};
    CHECK(SameRect(SquareBesideCaller(caller, work, 192), 100, 0, 1100, 1000));
}

TEST_CASE("fitting moves a rectangle into the work area and cuts one larger than it")
{
    const RECT work = {0, 0, 1280, 1000};
    CHECK(SameRect(FitIntoWorkArea({1000, 900, 1500, 1400}, work), 780, 500, 1280, 1000));
    CHECK(SameRect(FitIntoWorkArea({-50, -20, 450, 480}, work), 0, 0, 500, 500));
    CHECK(SameRect(FitIntoWorkArea({-100, -100, 2000, 2000}, work), 0, 0, 1280, 1000));
    CHECK(SameRect(FitIntoWorkArea({10, 10, 500, 500}, work), 10, 10, 500, 500));

    ViewerArguments none;
    CHECK(SameRect(ViewerRectangle(none, false, RECT{}, 96), 10, 10, 500, 500));
    CHECK(SameRect(ViewerRectangle(none, false, RECT{}, 144), 15, 15, 750, 750));
}

TEST_CASE("test mode: a clean container gives 0, an unreadable one 3 with its error")
{
    TempFolder folder;
    u32 code = 77;
    String missing = folder / L"help.ruvo";
    bool threw = false;
    try {
        CheckHelpContainer(missing, code);
    } catch (const Error& e) {
        threw = true;
        CHECK(e.code == 2);
    }
    CHECK(threw);
    CHECK(code == 3);

    WriteFileBytes(missing, "not a container at all");
    threw = false;
    try {
        CheckHelpContainer(missing, code);
    } catch (const Error&) {
        threw = true;
    }
    CHECK(threw);
    CHECK(code == 3);

    HelpContainerWriter writer;
    const char html[] = "<title>T</title><section ctx='index'>x</section>";
    writer.AddMember(L"help.html", reinterpret_cast<const u8*>(html), sizeof html - 1);
    writer.AddEndTag();
    writer.Save(missing);
    CheckHelpContainer(missing, code);
    CHECK(code == 0);
}

namespace {

void CALLBACK CloseErrorList(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowW(nullptr, L"B\u0142\u0119dy w pliku pomocy - Guidora");
    if (dialog && IsWindowVisible(dialog)) {
        KillTimer(nullptr, timer);
        PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

}  // namespace

TEST_CASE("test mode: markup errors are listed and give 4")
{
    TempFolder folder;
    HelpContainerWriter writer;
    const char html[] = "<section ctx='index'><p>x</b></p></section>";
    writer.AddMember(L"help.html", reinterpret_cast<const u8*>(html), sizeof html - 1);
    writer.AddEndTag();
    writer.Save(folder / L"help.ruvo");
    u32 code = 0;
    SetTimer(nullptr, 0, 20, CloseErrorList);
    CheckHelpContainer(folder / L"help.ruvo", code);
    CHECK(code == 4);
}
