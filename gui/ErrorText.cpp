#include "gui/ErrorText.h"

#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"

namespace {

enum Shape : uint8_t {
    Fixed,      // the text alone
    WithM,      // a pattern filled with the message
    AroundM,    // the first text, the message, the second text
    WithLimit,  // a pattern filled with the text size limit in MB
    NoText,     // out of memory: nothing is allocated for it
};

struct ErrorRow {
    int32 codes[3];
    Shape shape;
    const wchar_t* polish;
    const wchar_t* polishAfter;
    const wchar_t* english;
    const wchar_t* englishAfter;
};

// Codes of a row end at the first 0 after the first code.
const ErrorRow ErrorRows[] = {
    {{-113}, Fixed,
     L"Niektóre znaki nie mogą być prawidłowo przedstawione przy obecnym kodowaniu tekstu.", nullptr,
     L"Some characters can't be correctly represented with used text encoding.", nullptr},
    {{-112}, Fixed, L"Zbyt wiele markerów w tekście.", nullptr, L"Too many bookmarks.", nullptr},
    {{-111}, AroundM, L"Nieprawidłowy format pliku \"", L"\".", L"Invalid file format \"", L"\"."},
    {{-110}, WithLimit, L"Nie można wykonać operacji, osiągnięto limit rozmiaru tekstu ([] MB).",
     nullptr,
     L"The text would exceed maximum allowable size ([] MB). Operation could not be completed.",
     nullptr},
    {{-102}, Fixed, L"Zbyt wiele otwartych tekstów. Zamknij jeden z nich.", nullptr,
     L"Too many loaded texts. Please close one of them.", nullptr},
    {{-101}, Fixed, L"Brak otwartych tekstów. Nie ma na czym wykonać operacji.", nullptr,
     L"No texts, the operation could not be performed.", nullptr},
    {{-100}, Fixed, L"Przerwana operacja.", nullptr, L"Operation aborted.", nullptr},
    {{-5}, WithM, L"Zbyt duży rozmiar pliku\n[]\nMaks. 2 GB.", nullptr,
     L"File too big\n[]\nMax. 2 GB.", nullptr},
    {{-4}, WithM, L"Niespodziewany koniec pliku\n[]", nullptr, L"Unexpected end of file\n[]",
     nullptr},
    {{-3}, Fixed, L"Niespodziewany błąd wewnętrzny.", nullptr, L"Internal error.", nullptr},
    {{-2}, Fixed, L"Indeks poza dozwolonymi granicami.", nullptr, L"Index out of range.", nullptr},
    {{2, 110}, WithM, L"Nie znalazłem\n[]", nullptr, L"Not found\n[]", nullptr},
    {{3, 15}, AroundM, L"Nie znalazłem \"", L"\".", L"\"", L"\" not found."},
    {{5, 32, 33}, AroundM, L"Plik \"",
     L"\" jest niedostępny\nMoże być używany przez inny program lub zabezpieczony przed zapisem.",
     L"Access denied for file \"", L"\"\nMay be used by another program or write protected."},
    {{8, 14}, NoText, nullptr, nullptr, nullptr, nullptr},
    {{19}, AroundM, L"Plik \"", L"\" chroniony przed zapisem.", L"\"", L"\" is write protected."},
    {{29}, AroundM, L"Nieudany zapis do pliku \"", L"\".", L"Write fault, file \"", L"\"."},
    {{30}, AroundM, L"Nieudany odczyt z pliku \"", L"\".", L"Read fault, file \"", L"\"."},
    {{39, 112}, AroundM, L"Brak wolnego miejsca dla \"", L"\".", L"There is no free space for \"",
     L"\"."},
    {{80, 183}, AroundM, L"\"", L"\" już istnieje.", L"\"", L"\" already exists."},
    {{111}, Fixed, L"Przekroczono granice bufora.", nullptr, L"Buffer overflow.", nullptr},
    {{123, 161, 267}, WithM, L"Nieprawidłowa nazwa pliku lub katalogu\n[]", nullptr,
     L"Invalid file or directory name\n[]", nullptr},
    {{145}, AroundM, L"Katalog \"", L"\" musi być pusty.", L"Directory \"", L"\" is not empty."},
    {{206}, AroundM, L"Zbyt długa nazwa \"", L"\".", L"Name too long \"", L"\"."},
    {{1112}, Fixed, L"Brak dysku w napędzie.", nullptr, L"No disk.", nullptr},
};

// The details of the regular-expression kinds 0 to 19: 16 repeats 0, 17 to 19
// (the replacement's) repeat 10, 8 and 9.
const wchar_t* const RegexPolish[] = {
    L"Błąd wewnętrznej postaci wyrażenia.",
    L"Brak wzorca.",
    L"Zbyt wiele nawiasów.",
    L"Niepasujące nawiasy.",
    L"Gwiazdka bez poprzedzającego wzorca.",
    L"Plus bez poprzedzającego wzorca.",
    L"Pytajnik bez poprzedzającego wzorca.",
    L"Nie obsługuje nawiasów klamrowych.",
    L"Nieprawidłowa sekwencja znaków.",
    L"Nie obsługuje grup przechwytujących.",
    L"Nieprawidłowa sekwencja szesnastkowa.",
    L"Pusta klasa znaków.",
    L"Niedomknięta klasa znaków.",
    L"Nieznana klasa znaków.",
    L"Nieprawidłowy zakres znaków.",
    L"Zbyt skomplikowane wyrażenie.",
};

const wchar_t* const RegexEnglish[] = {
    L"Internal error.",
    L"Empty pattern.",
    L"Too many parentheses.",
    L"Parentheses mismatch.",
    L"Star without argument.",
    L"Plus without argument.",
    L"Question mark without argument.",
    L"Braces unsupported.",
    L"Invalid escape sequence.",
    L"Capture groups unsupported.",
    L"Invalid hexadecimal sequence.",
    L"Empty character class.",
    L"Unclosed character class.",
    L"Unknown character class.",
    L"Invalid character range.",
    L"Regexp too complex to handle.",
};

const int RegexDetailOf[20] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 10, 8, 9};
constexpr int FirstReplaceKind = 17;
constexpr int TextSizeLimitMb = 8192;

const ErrorRow* FindRow(int32 code)
{
    for (const ErrorRow& row : ErrorRows)
        for (int i = 0; i < 3 && (i == 0 || row.codes[i] != 0); i++)
            if (row.codes[i] == code)
                return &row;
    return nullptr;
}

const wchar_t* MessageOf(const Error& error)
{
    return error.message ? error.message : L"";
}

} // namespace

String ConcatParts(const wchar_t* a, const wchar_t* b, const wchar_t* c)
{
    String s;
    s.ConcatList({a ? a : L"", b ? b : L"", c ? c : L""});
    return s;
}

String RegexErrorText(const Error& error)
{
    int32 kind = error.subcode;
    if (kind < 0 || kind > 19)
        return String();
    bool polish = IsPolishUi();
    const wchar_t* headline;
    if (kind < FirstReplaceKind)
        headline = polish ? L"Nieprawidłowe wyrażenie regularne." : L"Bad regular expression pattern.";
    else
        headline = polish ? L"Nieprawidłowe wyrażenie zamiany." : L"Bad replace pattern.";
    int detail = RegexDetailOf[kind];
    const wchar_t* m = MessageOf(error);
    String tail = *m ? StrFormat(L"\n[]", m) : String();
    return StrFormat(L"[]\n[][]", headline, polish ? RegexPolish[detail] : RegexEnglish[detail],
                     tail);
}

String ErrorText(const Error& error)
{
    if (error.code == -5000)
        return RegexErrorText(error);
    bool polish = IsPolishUi();
    const ErrorRow* row = FindRow(error.code);
    if (row == nullptr)
        return StrFormat(polish ? L"Błąd numer []." : L"Error number [].", error.code);
    const wchar_t* text = polish ? row->polish : row->english;
    switch (row->shape) {
    case Fixed: return String(text);
    case WithM: return StrFormat(text, MessageOf(error));
    case AroundM:
        return ConcatParts(text, MessageOf(error), polish ? row->polishAfter : row->englishAfter);
    case WithLimit: return StrFormat(text, TextSizeLimitMb);
    case NoText: break;
    }
    return String();
}

void ShowErrorAlert(Form* owner, const wchar_t* title, const Error& error)
{
    bool polish = IsPolishUi();
    if (title == nullptr || *title == 0)
        title = polish ? L"Problem - Scrivel" : L"Error - Scrivel";
    ShowErrorAlertWith(owner, title, error, ErrorText,
                       polish ? L"Brak pamięci. Operacja nie może być wykonana."
                              : L"Out of memory. Operation could not be completed.");
}

void ShowErrorAlertWith(Form* owner, const wchar_t* title, const Error& error, String (*textOf)(const Error&),
                        const wchar_t* outOfMemory)
{
    try {
        String text = textOf(error);
        if (text.IsEmpty()) {
            // Reporting a lack of memory must not need any.
            ShowAlert(owner, outOfMemory, title, L"+OK", AlertWarning);
        } else {
            ShowAlertString(owner, text, title, L"+OK", AlertWarning);
        }
    } catch (...) {
        // Nothing is left to report a failure of the report with.
    }
}
