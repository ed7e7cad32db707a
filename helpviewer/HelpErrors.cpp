#include "helpviewer/HelpErrors.h"

#include "base/StrFormat.h"
#include "gui/ErrorText.h"

#include <cwchar>

namespace {

constexpr wchar_t kQuote[] = L"\"";

// prefix + name in quotation marks + suffix
String Quoted(const wchar_t* prefix, const Error& error, const wchar_t* suffix)
{
    const wchar_t* name = error.message ? error.message : L"";
    String text;
    text.ConcatList({prefix, kQuote, name, kQuote, suffix, nullptr});
    return text;
}

int64 CountFeeds(const wchar_t* p, int64 n)
{
    int64 feeds = 0;
    for (int64 i = 0; i < n; i++)
        feeds += p[i] == L'\n';
    return feeds;
}

}  // namespace

String HelpErrorText(const Error& error)
{
    switch (error.code) {
    case 2:
    case 3:
    case 15:
    case 110:
        return Quoted(L"Nie znalaz\u0142em ", error, L".");
    case 5:
    case 32:
    case 33:
        return Quoted(L"Plik ", error, L" jest niedost\u0119pny\nMo\u017Ce by\u0107 u\u017Cywany przez inny program.");
    case 8:
    case 14:
        return String();
    case 19:
        return Quoted(L"Plik ", error, L" chroniony przed zapisem.");
    case 29:
        return Quoted(L"Nieudany zapis do pliku ", error, L".");
    case 30:
        return Quoted(L"Nieudany odczyt z pliku ", error, L".");
    case 39:
    case 112:
        return Quoted(L"Brak wolnego miejsca dla ", error, L".");
    case 80:
    case 183:
        return Quoted(L"", error, L" ju\u017C istnieje.");
    case 111:
        return String(L"Przekroczono granice bufora.");
    case 123:
    case 161:
    case 267:
        return String(L"Nieprawid\u0142owa nazwa pliku lub katalogu");
    case 145:
        return Quoted(L"Katalog ", error, L" musi by\u0107 pusty.");
    case 206:
        return Quoted(L"Zbyt d\u0142uga nazwa ", error, L".");
    case 1112:
        return String(L"Brak dysku w nap\u0119dzie");
    case -357:
        return Quoted(L"Brak lub uszkodzony plik pomocy ", error, L".");
    case -4:
        return Quoted(L"Niespodziewany koniec pliku ", error, L".");
    case -3:
        return String(L"Niespodziewany b\u0142\u0105d wewn\u0119trzny.");
    case -2:
        return String(L"Indeks poza dozwolonymi granicami.");
    default:
        return StrFormat(L"B\u0142\u0105d systemu numer [].", error.code);
    }
}

void ShowHelpError(const wchar_t* title, Form* owner, const Error& error)
{
    if (!title || !*title)
        title = L"Problem - Guidora";
    ShowErrorAlertWith(owner, title, error, HelpErrorText, L"Brak pami\u0119ci. Operacja nie mo\u017Ce by\u0107 wykonana.");
}

void MarkupErrorList::Reset(const wchar_t* text, int64 length)
{
    records_.Resize(0);
    text_ = text;
    const wchar_t* nul = length > 0 ? wmemchr(text, 0, static_cast<size_t>(length)) : nullptr;
    limit_ = nul ? nul - text : length;
    countedTo_ = 0;
    countedFeeds_ = 0;
}

void MarkupErrorList::Add(int64 position, const wchar_t* message)
{
    int64 to = position < 0 ? 0 : position > limit_ ? limit_ : position;
    if (to >= countedTo_)
        countedFeeds_ += CountFeeds(text_ + countedTo_, to - countedTo_);
    else
        countedFeeds_ -= CountFeeds(text_ + to, countedTo_ - to);
    countedTo_ = to;
    MarkupError record{AsInt(countedFeeds_ + 1), message};
    records_.Insert(records_.Count(), record);
}

String MarkupErrorList::ListText() const
{
    String text;
    PodArray<wchar_t> units;
    for (int64 i = 0; i < records_.Count(); i++) {
        const MarkupError& e = records_.At(i);
        String line = StrFormat(L"[]: []\r\n", e.line, e.message);
        units.InsertCopies(units.Count(), line.Data(), line.Length());
    }
    text.Assign(units.Data(), units.Count());
    return text;
}
