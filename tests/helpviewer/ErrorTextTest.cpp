#include "base/CharUtils.h"
#include "helpviewer/HelpChars.h"
#include "helpviewer/HelpErrors.h"

#include <doctest.h>

#include "support/CaughtError.h"

#include <cwchar>
#include <string>

namespace {

std::wstring TextOf(int32 code, const wchar_t* name = L"C:\\h\\help.ruvo")
{
    return HelpErrorText(Error(code, -1, name)).CStr();
}

}  // namespace

TEST_CASE("every error code has its Polish text, with the name in quotation marks")
{
    const std::wstring q = L"\"C:\\h\\help.ruvo\"";
    for (int32 code : {2, 3, 15, 110})
        CHECK(TextOf(code) == L"Nie znalaz\u0142em " + q + L".");
    for (int32 code : {5, 32, 33})
        CHECK(TextOf(code) == L"Plik " + q + L" jest niedost\u0119pny\nMo\u017Ce by\u0107 u\u017Cywany przez inny program.");
    CHECK(TextOf(8).empty());
    CHECK(TextOf(14).empty());
    CHECK(TextOf(19) == L"Plik " + q + L" chroniony przed zapisem.");
    CHECK(TextOf(29) == L"Nieudany zapis do pliku " + q + L".");
    CHECK(TextOf(30) == L"Nieudany odczyt z pliku " + q + L".");
    for (int32 code : {39, 112})
        CHECK(TextOf(code) == L"Brak wolnego miejsca dla " + q + L".");
    for (int32 code : {80, 183})
        CHECK(TextOf(code) == q + L" ju\u017C istnieje.");
    CHECK(TextOf(111) == L"Przekroczono granice bufora.");
    for (int32 code : {123, 161, 267})
        CHECK(TextOf(code) == L"Nieprawid\u0142owa nazwa pliku lub katalogu");
    CHECK(TextOf(145) == L"Katalog " + q + L" musi by\u0107 pusty.");
    CHECK(TextOf(206) == L"Zbyt d\u0142uga nazwa " + q + L".");
    CHECK(TextOf(1112) == L"Brak dysku w nap\u0119dzie");
    CHECK(TextOf(-357, L"help.html") == L"Brak lub uszkodzony plik pomocy \"help.html\".");
    CHECK(TextOf(-4) == L"Niespodziewany koniec pliku " + q + L".");
    CHECK(TextOf(-3) == L"Niespodziewany b\u0142\u0105d wewn\u0119trzny.");
    CHECK(TextOf(-2) == L"Indeks poza dozwolonymi granicami.");
    CHECK(TextOf(1450) == L"B\u0142\u0105d systemu numer 1450.");
    CHECK(TextOf(-7) == L"B\u0142\u0105d systemu numer -7.");
    // Without a message the quotation marks stay, empty.
    CHECK(HelpErrorText(Error(2, -1)).Equals(L"Nie znalaz\u0142em \"\"."));
}

TEST_CASE("the error list text: one CR LF line per error, in the order found")
{
    const wchar_t text[] = L"<a>\n</b>\n\n<c d>";
    MarkupErrorList list;
    list.Reset(text, static_cast<int64>(wcslen(text)));
    list.Add(5, L"first");
    list.Add(12, L"second");
    list.Add(0, L"third");
    CHECK(std::wstring(list.ListText().CStr()) == L"2: first\r\n4: second\r\n1: third\r\n");
    list.Reset(text, 0);
    CHECK(list.ListText().IsEmpty());
}

TEST_CASE("the viewer's case rules: lone surrogates map to U+FFFD, pairs join")
{
    CHECK(HelpToLowerCodePoint(0xD800) == 0xFFFD);
    CHECK(HelpToUpperCodePoint(0xDFFF) == 0xFFFD);
    CHECK(HelpToLowerCodePoint(-1) == 0xFFFD);
    CHECK(HelpToLowerCodePoint(0x110000) == 0xFFFD);
    CHECK(HelpToLowerCodePoint(L'\u0141') == L'\u0142');
    CHECK(HelpToUpperCodePoint(L'a') == L'A');
    auto eq = [](const wchar_t* a, const wchar_t* b) {
        return HelpEqualsNoCase(a, static_cast<int64>(wcslen(a)), b, static_cast<int64>(wcslen(b)));
    };
    CHECK(eq(L"SECTION", L"section"));
    CHECK(!eq(L"section", L"sections"));
    CHECK(eq(L"\u017B\u00D3\u0141W", L"\u017C\u00F3\u0142w"));
    // Two different lone halves both read as U+FFFD; the editor's rule keeps them apart.
    CHECK(eq(L"x\xD800", L"x\xDC01"));
    CHECK(!EqualsNoCase(L"x\xD800", 2, L"x\xDC01", 2));
    CHECK(!eq(L"\xD801\xDC00", L"\xD801\xDC01"));
}

TEST_CASE("number texts live in 50 units with room for the NUL")
{
    NumberText n;
    n.SetNumber(-1234567890123LL);
    n.AppendDotSpace();
    CHECK(std::wstring(n.CStr()) == L"-1234567890123. ");
    std::wstring t47(47, L'7');
    n.SetText(t47.c_str(), 47);
    n.AppendDotSpace();
    CHECK(n.Length() == 49);
    std::wstring t48(48, L'8');
    n.SetText(t48.c_str(), 48);
    CHECK(CaughtError([&] { n.AppendDotSpace(); }).code == -2);
    std::wstring t50(50, L'5');
    CHECK(CaughtError([&] { n.SetText(t50.c_str(), 50); }).code == -2);
    n.SetText(t50.c_str(), 49);
    CHECK(n.Length() == 49);
}
