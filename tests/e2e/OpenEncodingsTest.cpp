// 8-bit texts from the command line take a typed Polish line, the letters
// their code page cannot hold written as "U+x " text after the alert that
// says so; 2000 texts open, go round with F6 and refuse one more.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

const wchar_t kLine[] = L"zażółć gęślą jaźń ZAŻÓŁĆ";

struct EightBitFile {
    const wchar_t* name;
    std::string old;
    // The typed line and CR LF as the code page writes it.
    std::string typed;
    // True for the characters the code page holds.
    bool (*holds)(wchar_t c);
};

bool HoldsLatin1(wchar_t c)
{
    return c < 0x100;
}

bool HoldsPolish(wchar_t)
{
    return true;
}

// Western code pages hold only ó and Ó of the line.
const char kWesternLine[] = "zaU+17c \xF3U+142 U+107  gU+119 U+15b lU+105  jaU+17a U+144  ZAU+17b \xD3U+141 U+106 \r\n";
const char kPolishLine[] = "za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 ZA\xAF\xD3\xA3\xC6\r\n";

const wchar_t* CannotRepresentTitle()
{
    return Ui(L"Nie można zrealizować operacji - Scrivel", L"Operation can not be performed - Scrivel");
}

// Types the line a character at a time: a character the text cannot hold
// brings the alert at the next idle time, answered before the next key.
void TypeLine(EditorRun& run, HWND main, const EightBitFile& file)
{
    int alerts = 0;
    for (const wchar_t* p = kLine; *p; p++) {
        Front(main);
        driver::TypeText(std::wstring(1, *p));
        if (file.holds(*p))
            continue;
        HWND alert = WaitForWindow(run, CannotRepresentTitle());
        REQUIRE(alert != nullptr);
        if (alerts++ == 0) {
            std::wstring shown = AlertAsText(alert);
            CHECK(shown.find(Ui(L"Niektóre znaki nie mogą być", L"Some characters can't be")) != std::wstring::npos);
        }
        AnswerAlert(alert, L"OK");
    }
    driver::WaitForQueueHandled(main);
    CHECK(driver::FindProcessWindow(run.ProcessId(), nullptr, CannotRepresentTitle()) == nullptr);
}

void TypeAndSave(EditorRun& run, HWND main, const TempFolder& texts, const EightBitFile& file, const char* shot)
{
    CAPTURE(Narrow(file.name));
    REQUIRE(WaitForTitleStart(main, std::wstring(file.name) + L" <"));
    TypeLine(run, main, file);
    PressInto(main, VK_RETURN);
    String path = texts / file.name;
    CHECK(SavedBytes(main, path) == file.typed + file.old);
    CHECK(ReadFileBytes(Concat(path, L".bak")) == file.old);
    if (shot) {
        driver::WaitUntilPainted(main);
        Screenshot(main, shot);
    }
}

}  // namespace

TEST_CASE("8-bit texts: the system's Windows code page by detection and ISO 8859-1 by its declaration")
{
    // Detection takes the ANSI code page, which the editor shares with this program.
    UINT acp = GetACP();
    if (PolishSystem())
        CHECK(acp == 1250);
    std::vector<EightBitFile> files = {
        {L"latin1.html", "<meta charset=iso-8859-1>\r\ncaf\xE9\r\n", kWesternLine, &HoldsLatin1},
    };
    if (acp == 1250)
        files.push_back({L"cp1250.txt", "\xBF\xF3\xB3w\r\n", kPolishLine, &HoldsPolish});
    else if (acp == 1252)
        files.push_back({L"cp1252.txt", "caf\xE9 na\xEFve\r\n", kWesternLine, &HoldsLatin1});
    TempFolder texts;
    std::wstring arguments;
    for (const EightBitFile& file : files) {
        WriteFileBytes(texts / file.name, file.old);
        arguments += L" " + Quoted(texts / file.name);
    }
    EditorRun run("", arguments);
    HWND main = run.WaitForMain();
    // The last file opened is current; F6 goes on to the first.
    for (size_t i = files.size(); i-- > 0;) {
        TypeAndSave(run, main, texts, files[i], i == 0 ? "typed_iso_8859_1" : "typed_windows_codepage");
        PressInto(main, VK_F6);
    }
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}

TEST_CASE("2000 relative names on the command line all open; 2000 F6 presses come round; one more text is refused")
{
    // Nothing here depends on the language: the Polish run leaves it to the
    // English one, the longest case of both.
    if (PolishSystem())
        return;
    constexpr int kTexts = 2000;
    std::wstring arguments;
    for (int i = 0; i < kTexts; i++)
        arguments += L" " + std::to_wstring(i) + L".t";
    // The names are relative to the editor's folder, where the files go first.
    EditorRun run("", arguments, true, [](const String& folder) {
        for (int i = 0; i < kTexts; i++)
            WriteFileBytes(Concat(folder, (std::to_wstring(i) + L".t").c_str()), std::to_string(i));
    });
    HWND main = run.WaitForMain();
    auto titled = [](int i) { return std::to_wstring(i) + L".t <"; };
    REQUIRE(WaitForTitleStart(main, titled(kTexts - 1), 3 * driver::kPatience));
    CHECK(driver::ProcessWindows(run.ProcessId()).size() == 1);
    // F6 goes on to the next text: 1999 presses from the last reach the one
    // before it, the only moment that title shows, and one more comes round.
    Front(main);
    PressKeys(VK_F6, kTexts - 1);
    CHECK(WaitForTitleStart(main, titled(kTexts - 2), 3 * driver::kPatience));
    PressInto(main, VK_F6);
    CHECK(WaitForTitleStart(main, titled(kTexts - 1)));

    PressInto(main, 'N', true);
    HWND alert = WaitForWindow(run, Ui(L"Nowy tekst - Scrivel", L"New text - Scrivel"));
    REQUIRE(alert != nullptr);
    CHECK(AlertAsText(alert).find(Ui(L"Zbyt wiele otwartych tekstów", L"Too many loaded texts")) != std::wstring::npos);
    AnswerAlert(alert, L"OK");
    CHECK(WaitForTitleStart(main, titled(kTexts - 1)));
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
