// Line counting, line lookup, decoding and literal search over a text of
// about 100 MB, with memchr and std::search over the same bytes as reference;
// loading and saving that text as a file, with plain ReadFile and WriteFile as
// reference.

#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

void Report(const char* name, double value, const char* unit)
{
    std::printf("%s: %.1f %s\n", name, value, unit);
}

class StringLoader : public TextBuff::Loader {
public:
    explicit StringLoader(const std::string& s) : s_(s) {}
    int64 Read(u8* buffer, int64 n) override
    {
        int64 take = std::min<int64>(n, static_cast<int64>(s_.size()) - pos_);
        memcpy(buffer, s_.data() + pos_, static_cast<size_t>(take));
        pos_ += take;
        return take;
    }

private:
    const std::string& s_;
    int64 pos_ = 0;
};

// Log-like lines of words and numbers, LF ends with some CR LF.
std::string MakeText(size_t bytes)
{
    static const char* words[] = {"INFO", "request", "served", "user", "cache", "miss", "latency", "ms", "id",
                                  "GET", "/index.html", "200", "connection", "closed", "retry", "queue"};
    std::mt19937 rng(1);
    std::string s;
    s.reserve(bytes + 200);
    while (s.size() < bytes) {
        int n = 4 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; i++) {
            s += words[rng() % 16];
            s += ' ';
            if (rng() % 4 == 0)
                s += std::to_string(rng() % 100000);
        }
        s += (rng() % 10 == 0) ? "\r\n" : "\n";
    }
    return s;
}

}  // namespace

int main()
{
    const std::string s = MakeText(100u << 20);
    const double mb = static_cast<double>(s.size()) / (1 << 20);
    std::printf("text: %.1f MB\n", mb);

    TextBuff text;
    double load = Time([&] {
        StringLoader loader(s);
        text.Clear();
        text.Load(loader);
    });
    Report("load", mb / load, "MB/s");
    Report("reference memcpy", mb / Time([&] {
               std::string copy(s);
               if (copy.empty())
                   std::puts("");
           }),
           "MB/s");

    int64 breaks = 0;
    double count = Time([&] {
        text.SetEncoding(EncodingUtf8);
        breaks = text.LineBreakCount();
    });
    Report("line counting", mb / count, "MB/s");
    size_t lf = 0;
    double memchrCount = Time([&] {
        lf = 0;
        const char* p = s.data();
        const char* end = p + s.size();
        while ((p = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
            lf++;
            p++;
        }
    });
    Report("reference memchr line counting", mb / memchrCount, "MB/s");
    if (static_cast<size_t>(breaks) != lf)
        std::printf("mismatch: %lld breaks, %zu LF\n", static_cast<long long>(breaks), lf);

    std::mt19937 rng(2);
    const int lookups = 200000;
    double lineStart = Time([&] {
        for (int i = 0; i < lookups; i++)
            text.LineStart(static_cast<int64>(rng() % static_cast<u32>(breaks)));
    });
    Report("random LineStart", lookups / lineStart / 1000, "thousand/s");
    double lineOf = Time([&] {
        for (int i = 0; i < lookups; i++)
            text.LineOfOffset(static_cast<int64>(rng() % static_cast<u32>(text.Size())));
    });
    Report("random LineOfOffset", lookups / lineOf / 1000, "thousand/s");

    double decode = Time([&] {
        int64 sum = 0;
        for (int64 p = 0; p < text.Size(); p = text.NextChar(p))
            sum += text.CharCode();
        if (sum == 42)
            std::puts("");
    }, 1);
    Report("DecodeChar scan", mb / decode, "MB/s");

    // A pattern that never occurs: every search scans the whole text.
    const std::wstring needle = L"request served user cache hit";
    Array<u32> pattern;
    AppendCodePoints(pattern, needle.data(), static_cast<int64>(needle.size()));
    const int64 m = pattern.Count();
    int64 end = 0;
    double forward = Time([&] { text.FindForward(0, end, pattern.Data(), m, text.Size()); });
    Report("FindForward", mb / forward, "MB/s");
    double forwardNoCase = Time([&] { text.FindForwardNoCase(0, end, pattern.Data(), m, text.Size()); });
    Report("FindForwardNoCase", mb / forwardNoCase, "MB/s");
    const std::string narrow(needle.begin(), needle.end());
    double stdSearch = Time([&] {
        if (std::search(s.begin(), s.end(), narrow.begin(), narrow.end()) != s.end())
            std::puts("found");
    });
    Report("reference std::search", mb / stdSearch, "MB/s");
    double boyerMoore = Time([&] {
        std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher(narrow.begin(), narrow.end());
        if (std::search(s.begin(), s.end(), searcher) != s.end())
            std::puts("found");
    });
    Report("reference std::search Boyer-Moore-Horspool", mb / boyerMoore, "MB/s");

    // Letters beyond ASCII are folded through the system's case mapping.
    std::string polish;
    const char* words[] = {"za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 ", "g\xC4\x99\xC5\x9Bl\xC4\x85 ",
                           "ja\xC5\xBA\xC5\x84 ", "\xC5\x81\xC3\x93" "D\xC5\xB9 ", "tekst\n"};
    while (polish.size() < (20u << 20))
        polish += words[rng() % 5];
    TextBuff polishText;
    StringLoader polishLoader(polish);
    polishText.Load(polishLoader);
    const std::wstring word = L"\x017C\x00F3\x0142w";
    Array<u32> polishPattern;
    AppendCodePoints(polishPattern, word.data(), static_cast<int64>(word.size()));
    const double polishMb = static_cast<double>(polish.size()) / (1 << 20);
    double folded = Time([&] {
        polishText.FindForwardNoCase(0, end, polishPattern.Data(), polishPattern.Count(), polishText.Size());
    });
    Report("FindForwardNoCase, Polish text", polishMb / folded, "MB/s");
    double exact = Time([&] {
        polishText.FindForward(0, end, polishPattern.Data(), polishPattern.Count(), polishText.Size());
    });
    Report("FindForward, Polish text", polishMb / exact, "MB/s");

    // The same text as a file: loaded and saved through the document, against
    // reading and writing its bytes in 1 MiB pieces.
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring source = std::wstring(folder) + L"scrivel_text_bench.txt";
    const std::wstring target = std::wstring(folder) + L"scrivel_text_bench_saved.txt";
    std::vector<char> piece(1 << 20);
    auto writeAll = [&](const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        for (size_t at = 0; at < s.size(); at += piece.size()) {
            DWORD n = static_cast<DWORD>(std::min(piece.size(), s.size() - at));
            WriteFile(file, s.data() + at, n, &written, nullptr);
        }
        CloseHandle(file);
    };
    writeAll(source);
    TextDocument document;
    document.SetPath(String(source.c_str()));
    Report("LoadFile", mb / Time([&] { document.LoadFile(nullptr, 0); }), "MB/s");
    Report("reference ReadFile", mb / Time([&] {
               HANDLE file = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                         nullptr);
               DWORD got = 0;
               while (ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) && got > 0) {
               }
               CloseHandle(file);
           }),
           "MB/s");
    const String saved(target.c_str());
    Report("SaveFile", mb / Time([&] { document.SaveFile(saved, 0, document.text.Size(), nullptr, false, true, false); }),
           "MB/s");
    Report("reference WriteFile", mb / Time([&] { writeAll(target); }), "MB/s");
    DeleteFileW(source.c_str());
    DeleteFileW(target.c_str());

    // Backward searches walk character by character in windows.
    const int64 window = 8 << 20;
    double backward = Time([&] { text.FindBackward(text.Size(), end, pattern.Data(), m, window); }, 1);
    Report("FindBackward", static_cast<double>(window) / (1 << 20) / backward, "MB/s");
    return 0;
}
