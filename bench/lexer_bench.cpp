// Tokens per second and MB/s of each lexer over a few MB of real source of
// its language (read through Wine's drive Z:), and the time of a seek into
// the middle of a 50 MB text; and a syntax file's word list of 320,000
// words. References measured in the same run: memchr over the same bytes,
// walking the text character by character with the cursor every lexer reads
// through, and the word list built one sorted insert at a time.
// Usage: lexer_bench [part of a lexer's name, or "words"] [timed passes,
// 3 unless given: the best of them is reported] [MB of source per lexer,
// 8 unless given; on a busy machine many short passes find a quiet one].

#include "base/File.h"
#include "base/Paths.h"
#include "text/CharClass.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/syntax/LexerFactory.h"
#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/TokenText.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.2f %s\n", name.c_str(), value, unit);
}

// The whole file, or nothing when it cannot be read.
std::string ReadWhole(const std::wstring& path)
{
    try {
        File file;
        file.Open(String(path.c_str()), kFileRead, 0);
        std::string bytes(static_cast<size_t>(file.Size()), '\0');
        bytes.resize(static_cast<size_t>(file.Read(&bytes[0], static_cast<int64>(bytes.size()))));
        return bytes;
    } catch (const Error&) {
        return std::string();
    }
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern)
{
    Array<String> names = ListDirectory(folder.c_str(), pattern);
    std::vector<std::wstring> files;
    for (int64 i = 0; i < names.Count(); i++)
        files.push_back(folder + names.At(i).CStr());
    std::sort(files.begin(), files.end());
    return files;
}

// The files one after another (each wrapped), repeated until there are at
// least `bytes` bytes.
std::string Gather(const std::vector<std::wstring>& files, size_t bytes, const std::string& before = std::string(),
                   const std::string& after = std::string())
{
    std::string all;
    for (int pass = 0; pass < 1000 && all.size() < bytes; pass++) {
        size_t was = all.size();
        for (const std::wstring& f : files) {
            all += before + ReadWhole(f) + after + "\n";
            if (all.size() >= bytes)
                break;
        }
        if (all.size() == was)
            break;
    }
    return all;
}

// Scripts of the two in-house languages, made of their own constructs.
std::string MakeScript(bool forKestin, size_t bytes)
{
    static const char* morvane[] = {"func f(a, b) # adds # return a + b\n", "while x < 1_000 do 'it''s' end\n",
                                    "shared v = 0xFF_FF; # note\n", "match s \"esc\\\"aped\" 1.5e+3\n",
                                    "class Point extends Base implements Shape\n"};
    static const char* kestin[] = {"IF x THEN y = &HFF -- hex\n", "repeat until done \"no escapes\\\"\n",
                                   "local total = 1.5E-3 # note\n", "for i = 1 to 10 step &B101\n",
                                   "func Result(me) result = me mod 7 end\n"};
    std::mt19937 rng(5);
    std::string s;
    while (s.size() < bytes)
        s += (forKestin ? kestin : morvane)[rng() % 5];
    return s;
}

struct Counted {
    int64 tokens = 0;
};

// Lexes the whole document as the line layout does: token text reset per
// token, every token asked for.
Counted LexWhole(SyntaxLexer& lexer)
{
    TokenText text;
    lexer.Seek(0, 0, nullptr, &text);
    TokenRecord record;
    Counted c;
    for (;;) {
        text.Reset();
        lexer.NextToken(record);
        c.tokens++;
        if ((record.state & 0xFF) == kClassEndOfText)
            break;
    }
    return c;
}

void Fill(TextDocument& doc, const std::string& bytes, int32 syntax)
{
    doc.text.Replace(0, doc.text.Size(), reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
    doc.syntax = syntax;
}

// Only the lexers whose name holds this (all when empty).
std::string g_only;
int g_passes = 3;

void BenchLexer(LexerFactory& factory, const std::string& name, const std::string& bytes, int32 syntax)
{
    if (name.find(g_only) == std::string::npos)
        return;
    if (bytes.empty()) {
        std::printf("%s: no source found\n", name.c_str());
        return;
    }
    TextDocument doc;
    Fill(doc, bytes, syntax);
    LexerPtr lexer(factory.CreateLexer(&doc));
    Counted counted;
    double seconds = Time([&] { counted = LexWhole(*lexer); }, g_passes);
    double mb = static_cast<double>(bytes.size()) / 1e6;
    Report(name + " source", mb, "MB");
    Report(name + " tokens", static_cast<double>(counted.tokens) / seconds / 1e6, "M tokens/s");
    Report(name + " speed", mb / seconds, "MB/s");
}

// A syntax file's section of 320,000 words in random order made into a word
// set, against the same words put one by one into a sorted array at their
// place, as the sets were once built.
void BenchWordList()
{
    std::mt19937 rng(3);
    std::wstring body;
    for (int i = 0; i < 320000; i++) {
        for (unsigned n = 4 + rng() % 9; n > 0; n--)
            body += static_cast<wchar_t>(L'a' + rng() % 26);
        body += L'\n';
    }
    int64 count = 0;
    double sorted = Time([&] { count = SectionWords(body.data(), static_cast<int32>(body.size())).Count(); }, 1);
    size_t inserted = 0;
    double oneByOne = Time([&] {
        std::vector<WordSet::Entry> set;
        auto less = [](const WordSet::Entry& a, const WordSet::Entry& b) {
            return WordSet::CompareExact(a.chars, a.length, b.chars, b.length) < 0;
        };
        for (size_t at = 0; at < body.size();) {
            size_t end = body.find(L'\n', at);
            WordSet::Entry e{body.data() + at, static_cast<int32>(end - at)};
            auto it = std::lower_bound(set.begin(), set.end(), e, less);
            if (it == set.end() || less(e, *it))
                set.insert(it, e);
            at = end + 1;
        }
        inserted = set.size();
    }, 1);
    Report("word list of 320,000 words, sorted once", sorted * 1e3, "ms");
    Report("reference: the same words put in one by one", oneByOne * 1e3, "ms");
    if (static_cast<size_t>(count) != inserted)
        std::printf("the two sets differ: %lld and %llu words\n", static_cast<long long>(count),
                    static_cast<unsigned long long>(inserted));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_only = argv[1];
    if (argc > 2 && std::atoi(argv[2]) > 0)
        g_passes = std::atoi(argv[2]);
    const std::wstring include = L"Z:\\usr\\x86_64-w64-mingw32\\include\\";
    const std::wstring js = L"Z:\\usr\\share\\javascript\\";
    size_t target = 8000000;
    if (argc > 3 && std::atof(argv[3]) > 0)
        target = static_cast<size_t>(std::atof(argv[3]) * 1e6);

    std::string headers = Gather(FilesIn(include, L"*.h"), target);
    std::vector<std::wstring> scripts = {js + L"jquery\\jquery.js", js + L"underscore\\underscore.js",
                                         js + L"jquery-ui\\jquery-ui.js"};
    std::string javaScript = Gather(scripts, target);
    std::vector<std::wstring> sheets = FilesIn(js + L"jquery-ui\\themes\\base\\", L"*.css");
    for (const std::wstring& s : FilesIn(L"Z:\\usr\\share\\doc\\python3\\_static\\", L"*.css"))
        sheets.push_back(s);
    std::string styles = Gather(sheets, target, "<style>\n", "\n</style>");
    std::vector<std::wstring> pages;
    for (const wchar_t* folder : {L"Z:\\usr\\share\\doc\\nodejs\\api\\", L"Z:\\usr\\share\\doc\\doctest-dev\\",
                                  L"Z:\\usr\\share\\doc\\libjs-underscore\\", L"Z:\\usr\\share\\doc\\ninja-build\\"})
        for (const std::wstring& p : FilesIn(folder, L"*.html"))
            pages.push_back(p);
    std::string html = Gather(pages, target);

    // References over the C headers.
    {
        TextDocument doc;
        Fill(doc, headers, kSyntaxNone);
        double mb = static_cast<double>(headers.size()) / 1e6;
        size_t lines = 0;
        double scan = Time([&] {
            lines = 0;
            const char* p = headers.data();
            const char* end = p + headers.size();
            while ((p = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
                lines++;
                p++;
            }
        });
        Report("reference memchr line scan", mb / scan, "MB/s");
        int64 chars = 0;
        double walk = Time([&] {
            CharCursor cursor{&doc, 0, 0, 0, 0};
            CharCursor::Seek(cursor, 0);
            chars = 0;
            while (!(cursor.flags & ClassEndOfText)) {
                CharCursor::Seek(cursor, cursor.position + cursor.length);
                chars++;
            }
        });
        Report("reference character walk", mb / walk, "MB/s");
        Report("reference character walk", static_cast<double>(chars) / walk / 1e6, "M chars/s");
    }

    if (g_only.empty() || g_only == "words")
        BenchWordList();
    LexerFactory* factory = LexerFactory::Create();
    BenchLexer(*factory, "plain text (C headers)", headers, kSyntaxNone);
    BenchLexer(*factory, "C/C++ (C headers)", headers, kSyntaxC);
    BenchLexer(*factory, "C# (C headers, no C# source here)", headers, kSyntaxCSharp);
    BenchLexer(*factory, "Java (C headers, no Java source here)", headers, kSyntaxJava);
    BenchLexer(*factory, "JavaScript (jQuery, jQuery UI, Underscore)", javaScript, kSyntaxJavaScript);
    BenchLexer(*factory, "HTML (Debian HTML documentation)", html, kSyntaxHtml);
    BenchLexer(*factory, "CSS in style elements (jQuery UI themes)", styles, kSyntaxHtml);
    BenchLexer(*factory, "PHP (the HTML pages, no PHP source here)", html, kSyntaxPhp);
    BenchLexer(*factory, "Morvane (generated)", MakeScript(false, target), kSyntaxMorvane);
    BenchLexer(*factory, "Kestin (generated)", MakeScript(true, target), kSyntaxKestin);

    // A seek into the middle of a 50 MB text, without a saved state: the
    // lexer relexes up to 64 KiB before the position.
    for (int32 syntax : {kSyntaxC, kSyntaxHtml}) {
        if (!g_only.empty())
            break;
        const std::string& unit = syntax == kSyntaxC ? headers : html;
        std::string big;
        big.reserve(50000000 + unit.size());
        while (big.size() < 50000000)
            big += unit;
        big.resize(50000000);
        TextDocument doc;
        Fill(doc, big, syntax);
        LexerPtr lexer(factory->CreateLexer(&doc));
        TokenText text;
        std::mt19937 rng(9);
        const int seeks = 200;
        std::vector<int64> positions;
        for (int i = 0; i < seeks; i++)
            positions.push_back(25000000 + static_cast<int64>(rng() % 1000000));
        double seconds = Time([&] {
            TokenRecord record;
            for (int64 p : positions) {
                lexer->Seek(doc.text.CharStart(p), 0, nullptr, &text);
                lexer->NextToken(record);
            }
        });
        const char* name = syntax == kSyntaxC ? "seek into the middle of 50 MB of C" : "seek into the middle of 50 MB of HTML";
        Report(name, seconds / seeks * 1e3, "ms");
    }
    delete factory;
    return 0;
}
