// Spelling: loading the Polish dictionary, DictRegistry::IsCorrect over a
// 20 MB Polish text made of the dictionary's own words with 5% of the letters
// altered (Polish alone, then Polish with English), suggestions, and adding a
// word to a list of 20,000 user words. References measured in the same run:
// the engine built straight from the files, its spell on bytes converted
// beforehand, and reading and writing the user-word file's bytes.

#include "base/AppContext.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/SettingsStore.h"
#include "gui/Form.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/ViewState.h"
#include "view/syntax/LexerFactory.h"
#include "spell/CorrectorDict.h"
#include "spell/DictRegistry.h"
#include "text/Encoding.h"

#include "hunspell/hunspell.hxx"

#include "bench/BenchTiming.h"
#include "StringLoader.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
}

std::string ReadWhole(const wchar_t* path)
{
    File file;
    file.Open(String(path), kFileRead, 0);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(static_cast<size_t>(file.Read(&bytes[0], static_cast<int64>(bytes.size()))));
    return bytes;
}

// The dictionary's stems (before "/"), as ISO 8859-2 bytes.
std::vector<std::string> Stems(const std::string& dic)
{
    std::vector<std::string> stems;
    size_t at = dic.find('\n') + 1;
    while (at < dic.size()) {
        size_t end = dic.find('\n', at);
        if (end == std::string::npos)
            end = dic.size();
        size_t slash = dic.find('/', at);
        size_t stop = slash < end ? slash : end;
        if (stop > at)
            stems.push_back(dic.substr(at, stop - at));
        at = end + 1;
    }
    return stems;
}

struct Temp {
    std::wstring path;
    Temp()
    {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        path = std::wstring(base) + L"scrivel-spell-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~Temp()
    {
        DeleteFileW((path + L"pl_PL.usr").c_str());
        DeleteFileW((path + L"pl_PL.usr.tmp").c_str());
        RemoveDirectoryW(path.c_str());
    }
};

class Host : public Form {
public:
    Host() { Create(NoTooltip, L"SpellBenchHost", nullptr, 1); }
};

// One screen of 1000 x 800 pixels of the words, painted into a memory
// bitmap with the unknown words underlined and without.
void MeasurePaint(const std::vector<std::wstring>& words, const DictRegistry& registry)
{
    std::wstring text;
    size_t line = 0;
    for (size_t i = 0; i < 20000 && i < words.size(); i++) {
        text += words[i];
        line += words[i].size() + 1;
        if (line > 100) {
            text += L"\r\n";
            line = 0;
        } else {
            text += L' ';
        }
    }
    PodArray<u8> utf8 = Utf16ToUtf8Bytes(text.data(), static_cast<int64>(text.size()));
    std::string bytes(reinterpret_cast<const char*>(utf8.Data()), static_cast<size_t>(utf8.Count() - 1));

    SettingsStore settings;
    settings.SetText(L"FontAntialiasing", L"none");
    std::unique_ptr<LexerFactory> factory(LexerFactory::Create());
    Host host;
    host.SetBounds(RECT{0, 0, 1000, 800});
    host.ShowNoActivate();
    TextDocument doc;
    StringLoader loader(bytes);
    doc.text.Load(loader);
    TextView* view = TextView::Create(&host, 9, nullptr, nullptr, settings, &registry, factory.get());
    view->ReloadStyle(settings);
    view->SetBounds(RECT{0, 0, 1000, 800});
    BroadcastRecord added{0, &doc, nullptr, 0};
    view->OnDocumentEvent(added, 0);
    BroadcastRecord shown{2, &doc, view, 0};
    view->OnDocumentEvent(shown, 2);

    RECT client = view->ClientRect();
    DeviceContext screen = view->WindowDC();
    DeviceContext memory;
    memory.Compatible(&screen);
    memory.SelectBitmap(MakeCompatibleBitmap(screen, client.right, client.bottom));
    auto paint = [&] {
        return Time([&] {
            PaintResult result{};
            view->PaintText(memory, result);
        }, 5);
    };
    double plain = paint();
    view->EnableSpellUnderline(&doc);
    double underlined = paint();
    Report("paint 1000x800 with unknown words underlined", underlined * 1000, "ms");
    Report("paint 1000x800 reference (underlining off)", plain * 1000, "ms");
    delete view;
}

}  // namespace

int main()
{
    const wchar_t* shipped = L"Z:\\usr\\share\\hunspell\\";
    Temp temp;
    DictFolders folders{String(temp.path.c_str()), String(shipped)};

    // Loading.
    double load = Time([&] {
        CorrectorDict d;
        d.Load(String(L"pl_PL"), folders);
    }, 3);
    double engine = Time([&] {
        Hunspell h("Z:\\usr\\share\\hunspell\\pl_PL.aff", "Z:\\usr\\share\\hunspell\\pl_PL.dic");
        if (h.get_dict_encoding().empty())
            std::printf("no encoding\n");
    }, 3);
    Report("pl_PL load (CorrectorDict::Load)", load * 1000, "ms");
    Report("pl_PL load reference (Hunspell constructor)", engine * 1000, "ms");

    // The text: dictionary words, 5% of the letters changed, about 20 MB as UTF-8.
    std::vector<std::string> stems = Stems(ReadWhole(L"Z:\\usr\\share\\hunspell\\pl_PL.dic"));
    const CodePageTable* table = CodePageTableOf(EncodingIso8859_2);
    const std::wstring letters = L"abcdefghijklmnoprstuwyząćęłńóśźż";
    std::mt19937 random(20261209);
    std::vector<std::wstring> words;
    size_t utf8Bytes = 0;
    while (utf8Bytes < 20u * 1000 * 1000) {
        const std::string& s = stems[random() % stems.size()];
        std::wstring w;
        for (char c : s) {
            wchar_t u = table->forward[static_cast<u8>(c)];
            if (random() % 100 < 5)
                u = letters[random() % letters.size()];
            w += u;
            utf8Bytes += u < 0x80 ? 1 : 2;
        }
        utf8Bytes++;
        words.push_back(w);
    }
    std::vector<std::string> converted;
    converted.reserve(words.size());
    for (const std::wstring& w : words) {
        std::string b;
        for (wchar_t u : w)
            b += static_cast<char>(table->reverse[u]);
        converted.push_back(b);
    }
    std::printf("text: %zu words, %.1f MB as UTF-8\n", words.size(), static_cast<double>(utf8Bytes) / 1e6);

    DictRegistry registry(folders);
    registry.FindOrLoad(String(L"pl_PL"));
    size_t correct = 0;
    double pl = Time([&] {
        correct = 0;
        for (const std::wstring& w : words)
            correct += registry.IsCorrect(w.data(), static_cast<int64>(w.size())) ? 1 : 0;
    }, 1);
    size_t reference = 0;
    Hunspell* h = registry.Primary()->Engine();
    double spell = Time([&] {
        reference = 0;
        for (const std::string& b : converted)
            reference += h->spell(b) ? 1 : 0;
    }, 1);
    std::printf("pl: %zu of %zu correct (engine alone: %zu)\n", correct, words.size(), reference);
    Report("IsCorrect pl", static_cast<double>(words.size()) / pl, "words/s");
    Report("IsCorrect pl reference (Hunspell spell, bytes converted beforehand)",
           static_cast<double>(words.size()) / spell, "words/s");

    registry.FindOrLoad(String(L"pl_PL\ren_US"));
    double both = Time([&] {
        correct = 0;
        for (const std::wstring& w : words)
            correct += registry.IsCorrect(w.data(), static_cast<int64>(w.size())) ? 1 : 0;
    }, 1);
    std::printf("pl+en: %zu of %zu correct\n", correct, words.size());
    Report("IsCorrect pl+en", static_cast<double>(words.size()) / both, "words/s");

    registry.FindOrLoad(String(L"pl_PL"));
    try {
        AppContext context(GetModuleHandleW(nullptr));
        MeasurePaint(words, registry);
    } catch (const Error& e) {
        std::printf("paint failed with error %d\n", e.code);
    }

    // Suggestions for misspelt words.
    std::vector<String> wrong;
    for (size_t i = 0; i < words.size() && wrong.size() < 50; i++)
        if (!registry.IsCorrect(words[i].data(), static_cast<int64>(words[i].size())))
            wrong.push_back(String(words[i].c_str()));
    size_t suggestions = 0;
    double suggest = Time([&] {
        suggestions = 0;
        for (const String& w : wrong)
            suggestions += static_cast<size_t>(registry.Suggest(w).Count());
    }, 2);
    std::vector<std::string> wrongBytes;
    for (const String& w : wrong) {
        std::string b;
        bool representable = false;
        registry.Primary()->ToDictEncoding(w.Data(), w.Length(), b, representable);
        wrongBytes.push_back(b);
    }
    size_t engineSuggestions = 0;
    double engineSuggest = Time([&] {
        engineSuggestions = 0;
        for (const std::string& b : wrongBytes)
            engineSuggestions += h->suggest(b).size();
    }, 2);
    std::printf("suggestions: %zu for %zu words (engine alone: %zu)\n", suggestions, wrong.size(), engineSuggestions);
    Report("Suggest pl", suggest * 1000 / static_cast<double>(wrong.size()), "ms/word");
    Report("Suggest pl reference (Hunspell suggest, bytes converted beforehand)",
           engineSuggest * 1000 / static_cast<double>(wrong.size()), "ms/word");

    // Add to dictionary with 20,000 user words: read the list, add, write it.
    CorrectorDict* dict = registry.Primary();
    for (int i = 0; i < 20000; i++)
        dict->AddUserWord((words[static_cast<size_t>(i)] + L"x").c_str());
    dict->SaveUserWords();
    std::wstring usr = temp.path + L"pl_PL.usr";
    int added = 0;
    double add = Time([&] {
        dict->LoadUserWords();
        dict->AddUserWord((L"słowo" + std::to_wstring(added++)).c_str());
        dict->SaveUserWords();
    }, 3);
    std::string usrBytes = ReadWhole(usr.c_str());
    double copy = Time([&] {
        std::string bytes = ReadWhole(usr.c_str());
        File out;
        out.Open(String((usr + L".copy").c_str()), kFileCreate, -16);
        out.Write(bytes.data(), static_cast<int64>(bytes.size()));
        out.Flush();
        out.Close();
    }, 3);
    DeleteFileW((usr + L".copy").c_str());
    std::printf("user words: %lld, file %zu bytes\n", static_cast<long long>(dict->UserWords().Count()),
                usrBytes.size());
    Report("Add to dictionary with 20000 user words (load, add, save)", add * 1000, "ms");
    Report("Add reference (read and write the same bytes)", copy * 1000, "ms");
    return 0;
}
