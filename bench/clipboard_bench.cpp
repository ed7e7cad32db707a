// Putting a text of 100 MB (UTF-16) on the clipboard as Unicode text and as
// Unicode text with "HTML Format", and reading it back both ways, against
// memcpy of the same bytes into fresh memory; the building of the two blocks
// is timed alone as well. Needs a display (a window opens the clipboard).

#include "base/AppContext.h"
#include "gui/Clipboard.h"
#include "gui/Form.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

void Report(const char* name, double value, const char* unit)
{
    std::printf("%s: %.1f %s\n", name, value, unit);
}

// Source-like lines, CR LF ends with some lone LF, a few accented letters.
std::wstring MakeText(size_t units)
{
    static const wchar_t* words[] = {L"int", L"return", L"value", L"<div>", L"zażółć",
                                     L"=", L"0x1F", L"for", L"(i = 0;", L"\"text\"", L"}"};
    std::mt19937 rng(1);
    std::wstring s;
    s.reserve(units + 200);
    while (s.size() < units) {
        int n = 3 + static_cast<int>(rng() % 10);
        for (int i = 0; i < n; i++) {
            s += words[rng() % 11];
            s += L' ';
        }
        s += (rng() % 10 == 0) ? L"\n" : L"\r\n";
    }
    s.resize(units);
    return s;
}

} // namespace

int main()
{
    AppContext context(GetModuleHandleW(nullptr));
    try {
        Form window;
        window.Create(NoTooltip, L"ClipboardBench", nullptr, 1);

        const std::wstring text = MakeText(50u * 1024 * 1024);
        const int64_t count = static_cast<int64_t>(text.size());
        const size_t bytes = text.size() * sizeof(wchar_t);
        const double mb = static_cast<double>(bytes) / 1e6;
        uint64_t used = 0;

        double copy = Time([&] {
            char* fresh = static_cast<char*>(malloc(bytes));
            memcpy(fresh, text.data(), bytes);
            used += static_cast<unsigned char>(fresh[bytes / 2]);
            free(fresh);
        });
        // The blocks alone, to tell our share from the system clipboard's copies.
        double makeText = Time([&] {
            GlobalMemory block;
            MakeClipboardText(block, text.data(), count);
            used += static_cast<uint64_t>(GlobalSize(block.handle));
        });
        double makeHtml = Time([&] {
            GlobalMemory block;
            MakeClipboardHtml(block, text.data(), count);
            used += static_cast<uint64_t>(GlobalSize(block.handle));
        });
        double setText = Time([&] { Clipboard::SetText(window, text.data(), count); });
        double getText = Time([&] { used += static_cast<uint64_t>(Clipboard::GetText(window).Length()); });
        double setBoth = Time([&] { Clipboard::SetTextAndHtml(window, text.data(), count); });
        double getHtml = Time([&] { used += static_cast<uint64_t>(Clipboard::GetHtml(window).Length()); });

        Report("text_mb", mb, "MB");
        Report("memcpy", mb / copy, "MB/s");
        Report("MakeClipboardText", mb / makeText, "MB/s");
        Report("MakeClipboardHtml", mb / makeHtml, "MB/s");
        Report("SetText", mb / setText, "MB/s");
        Report("SetTextAndHtml", mb / setBoth, "MB/s");
        Report("GetText", mb / getText, "MB/s");
        Report("GetHtml", mb / getHtml, "MB/s");
        std::printf("checksum: %llu\n", static_cast<unsigned long long>(used));
    } catch (const Error& e) {
        std::printf("error %d\n", e.code);
        return 1;
    }
    return 0;
}
