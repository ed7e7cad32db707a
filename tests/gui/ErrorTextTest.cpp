#include "GuiTestSupport.h"

#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"
#include "gui/ErrorText.h"

#include <string>

namespace {

// Switches the interface language for one test and back.
struct Language {
    int32 saved;
    explicit Language(int32 id) : saved(UiLanguageId()) { SetUiLanguageId(id); }
    ~Language() { SetUiLanguageId(saved); }
};

const int32 Polish = 0x415;
const int32 English = 0x409;

std::string Utf8(const String& s)
{
    const wchar_t* w = s.CStr();
    int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(s.Length()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(s.Length()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Utf8(const wchar_t* w)
{
    return Utf8(String(w));
}

// One row: the code, the Polish and English text for the message "M".
struct Row {
    int32 code;
    const wchar_t* polish;
    const wchar_t* english;
};

const Row Rows[] = {
    {-113, L"Niektóre znaki nie mogą być prawidłowo przedstawione przy obecnym kodowaniu tekstu.",
     L"Some characters can't be correctly represented with used text encoding."},
    {-112, L"Zbyt wiele markerów w tekście.", L"Too many bookmarks."},
    {-111, L"Nieprawidłowy format pliku \"M\".", L"Invalid file format \"M\"."},
    {-110, L"Nie można wykonać operacji, osiągnięto limit rozmiaru tekstu (8192 MB).",
     L"The text would exceed maximum allowable size (8192 MB). Operation could not be completed."},
    {-102, L"Zbyt wiele otwartych tekstów. Zamknij jeden z nich.",
     L"Too many loaded texts. Please close one of them."},
    {-101, L"Brak otwartych tekstów. Nie ma na czym wykonać operacji.",
     L"No texts, the operation could not be performed."},
    {-100, L"Przerwana operacja.", L"Operation aborted."},
    {-5, L"Zbyt duży rozmiar pliku\nM\nMaks. 2 GB.", L"File too big\nM\nMax. 2 GB."},
    {-4, L"Niespodziewany koniec pliku\nM", L"Unexpected end of file\nM"},
    {-3, L"Niespodziewany błąd wewnętrzny.", L"Internal error."},
    {-2, L"Indeks poza dozwolonymi granicami.", L"Index out of range."},
    {2, L"Nie znalazłem\nM", L"Not found\nM"},
    {110, L"Nie znalazłem\nM", L"Not found\nM"},
    {3, L"Nie znalazłem \"M\".", L"\"M\" not found."},
    {15, L"Nie znalazłem \"M\".", L"\"M\" not found."},
    {5,
     L"Plik \"M\" jest niedostępny\nMoże być używany przez inny program lub zabezpieczony przed "
     L"zapisem.",
     L"Access denied for file \"M\"\nMay be used by another program or write protected."},
    {32,
     L"Plik \"M\" jest niedostępny\nMoże być używany przez inny program lub zabezpieczony przed "
     L"zapisem.",
     L"Access denied for file \"M\"\nMay be used by another program or write protected."},
    {33,
     L"Plik \"M\" jest niedostępny\nMoże być używany przez inny program lub zabezpieczony przed "
     L"zapisem.",
     L"Access denied for file \"M\"\nMay be used by another program or write protected."},
    {8, L"", L""},
    {14, L"", L""},
    {19, L"Plik \"M\" chroniony przed zapisem.", L"\"M\" is write protected."},
    {29, L"Nieudany zapis do pliku \"M\".", L"Write fault, file \"M\"."},
    {30, L"Nieudany odczyt z pliku \"M\".", L"Read fault, file \"M\"."},
    {39, L"Brak wolnego miejsca dla \"M\".", L"There is no free space for \"M\"."},
    {112, L"Brak wolnego miejsca dla \"M\".", L"There is no free space for \"M\"."},
    {80, L"\"M\" już istnieje.", L"\"M\" already exists."},
    {183, L"\"M\" już istnieje.", L"\"M\" already exists."},
    {111, L"Przekroczono granice bufora.", L"Buffer overflow."},
    {123, L"Nieprawidłowa nazwa pliku lub katalogu\nM", L"Invalid file or directory name\nM"},
    {161, L"Nieprawidłowa nazwa pliku lub katalogu\nM", L"Invalid file or directory name\nM"},
    {267, L"Nieprawidłowa nazwa pliku lub katalogu\nM", L"Invalid file or directory name\nM"},
    {145, L"Katalog \"M\" musi być pusty.", L"Directory \"M\" is not empty."},
    {206, L"Zbyt długa nazwa \"M\".", L"Name too long \"M\"."},
    {1112, L"Brak dysku w napędzie.", L"No disk."},
    {-7, L"Błąd numer -7.", L"Error number -7."},
    {-400, L"Błąd numer -400.", L"Error number -400."},
    {1234, L"Błąd numer 1234.", L"Error number 1234."},
    {0, L"Błąd numer 0.", L"Error number 0."},
};

// The text expected without a message: "M" stands for the message.
std::wstring WithMessage(const wchar_t* text, const wchar_t* message)
{
    std::wstring out;
    for (const wchar_t* p = text; *p; p++) {
        if (*p == L'M' && (p == text || p[-1] == L'"' || p[-1] == L'\n') &&
            (p[1] == 0 || p[1] == L'"' || p[1] == L'\n'))
            out += message;
        else
            out += *p;
    }
    return out;
}

const wchar_t* const RegexPolish[] = {
    L"Błąd wewnętrznej postaci wyrażenia.", L"Brak wzorca.", L"Zbyt wiele nawiasów.",
    L"Niepasujące nawiasy.", L"Gwiazdka bez poprzedzającego wzorca.",
    L"Plus bez poprzedzającego wzorca.", L"Pytajnik bez poprzedzającego wzorca.",
    L"Nie obsługuje nawiasów klamrowych.", L"Nieprawidłowa sekwencja znaków.",
    L"Nie obsługuje grup przechwytujących.", L"Nieprawidłowa sekwencja szesnastkowa.",
    L"Pusta klasa znaków.", L"Niedomknięta klasa znaków.", L"Nieznana klasa znaków.",
    L"Nieprawidłowy zakres znaków.", L"Zbyt skomplikowane wyrażenie.",
    L"Błąd wewnętrznej postaci wyrażenia.", L"Nieprawidłowa sekwencja szesnastkowa.",
    L"Nieprawidłowa sekwencja znaków.", L"Nie obsługuje grup przechwytujących."};

const wchar_t* const RegexEnglish[] = {
    L"Internal error.", L"Empty pattern.", L"Too many parentheses.", L"Parentheses mismatch.",
    L"Star without argument.", L"Plus without argument.", L"Question mark without argument.",
    L"Braces unsupported.", L"Invalid escape sequence.", L"Capture groups unsupported.",
    L"Invalid hexadecimal sequence.", L"Empty character class.", L"Unclosed character class.",
    L"Unknown character class.", L"Invalid character range.", L"Regexp too complex to handle.",
    L"Internal error.", L"Invalid hexadecimal sequence.", L"Invalid escape sequence.",
    L"Capture groups unsupported."};

} // namespace

TEST_CASE("every error code reads in Polish and in English, with and without a message")
{
    const wchar_t* path = L"C:\\dir\\[x] name.txt";
    for (const Row& row : Rows) {
        CAPTURE(row.code);
        for (int32 language : {Polish, English}) {
            Language switched(language);
            const wchar_t* text = language == Polish ? row.polish : row.english;
            Error withMessage(row.code, -1, path);
            Error without(row.code, -1);
            CHECK(Utf8(ErrorText(withMessage)) == Utf8(WithMessage(text, path).c_str()));
            CHECK(Utf8(ErrorText(without)) == Utf8(WithMessage(text, L"").c_str()));
        }
    }
    Language english(English);
    CHECK(ErrorText(MemoryError()).IsEmpty());
    CHECK(Utf8(ErrorText(Abort())) == "Operation aborted.");
    CHECK(Utf8(ErrorText(CheckFailed(L"AsInt(int64)"))) == "Error number -7.");
    CHECK(Utf8(ErrorText(WinError(5, L"C:\\a.txt"))) ==
          "Access denied for file \"C:\\a.txt\"\nMay be used by another program or write protected.");
}

TEST_CASE("regular-expression errors read a headline, the kind's detail and the pattern")
{
    for (int32 language : {Polish, English}) {
        Language switched(language);
        bool polish = language == Polish;
        for (int32 kind = 0; kind < 20; kind++) {
            CAPTURE(kind);
            std::wstring headline =
                kind < 17 ? (polish ? L"Nieprawidłowe wyrażenie regularne." : L"Bad regular expression pattern.")
                          : (polish ? L"Nieprawidłowe wyrażenie zamiany." : L"Bad replace pattern.");
            std::wstring detail = polish ? RegexPolish[kind] : RegexEnglish[kind];
            BadRegExpError bare(kind);
            BadRegExpError withPattern(kind, L"(a\u00B7");
            CHECK(Utf8(ErrorText(bare)) == Utf8((headline + L"\n" + detail).c_str()));
            CHECK(Utf8(RegexErrorText(withPattern)) ==
                  Utf8((headline + L"\n" + detail + L"\n(a\u00B7").c_str()));
        }
        CHECK(ErrorText(BadRegExpError(20, L"x")).IsEmpty());
        CHECK(ErrorText(BadRegExpError(-1)).IsEmpty());
    }
}

TEST_CASE("ConcatParts joins three pieces, a missing one counting as empty")
{
    CHECK(ConcatParts(L"a", L"bc", L"d").Equals(L"abcd"));
    CHECK(ConcatParts(nullptr, L"b", nullptr).Equals(L"b"));
    CHECK(ConcatParts(nullptr, nullptr, nullptr).IsEmpty());
}

namespace {

// Shows an error alert over a form and reads the box it made.
struct ErrorAlertRun {
    TestForm owner;
    String title;
    String message;
    int32_t kind = -1;
    bool shown = false;
    ErrorAlertRun()
    {
        owner.onApp = [this](MessageRecord&) {
            auto* box = dynamic_cast<AlertDialog*>(owner.GetModal());
            if (box == nullptr)
                return;
            shown = true;
            title = box->GetText();
            message = box->message;
            kind = box->iconId == 32515 ? 1 : 0;
            PostMessageW(box->hwnd, WM_KEYDOWN, VK_RETURN, 1);
        };
    }
    void Show(const wchar_t* titleText, const Error& error)
    {
        shown = false;
        PostMessageW(owner.hwnd, WM_APP, 0, 0);
        ShowErrorAlert(&owner, titleText, error);
        Pump();
    }
};

} // namespace

TEST_CASE("the error alert picks the default title by language and shows out of memory in words")
{
    ErrorAlertRun run;
    {
        Language english(English);
        run.Show(L"", Abort());
        CHECK(run.shown);
        CHECK(Utf8(run.title) == "Error - Scrivel");
        CHECK(Utf8(run.message) == "Operation aborted.");
        CHECK(run.kind == 1);

        run.Show(L"Undo error - Scrivel", MemoryError());
        CHECK(Utf8(run.title) == "Undo error - Scrivel");
        CHECK(Utf8(run.message) == "Out of memory. Operation could not be completed.");

        run.Show(nullptr, BadRegExpError(25));
        CHECK(Utf8(run.message) == "Out of memory. Operation could not be completed.");
    }
    {
        Language polish(Polish);
        run.Show(nullptr, WinError(2, L"plik.txt"));
        CHECK(Utf8(run.title) == "Problem - Scrivel");
        CHECK(Utf8(run.message) == Utf8(L"Nie znalazłem\nplik.txt"));
        run.Show(L"", WinError(14));
        CHECK(Utf8(run.message) == Utf8(L"Brak pamięci. Operacja nie może być wykonana."));
    }
}
