// The status bar's caret fields at the end of a long line and one character
// before it, Ctrl+P from an unmatched bracket, and whole-text case and tab
// conversions, each beside a reference doing comparable work in the same run.

#include "BenchTiming.h"

#include "editor/Statusbar.h"
#include "editor/TextCommands.h"
#include "editor/TextConversions.h"
#include "text/TextDocument.h"
#include "view/ViewState.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TextDocument> OneLine(int64 bytes, char fill, char first)
{
    std::vector<u8> data(static_cast<size_t>(bytes), static_cast<u8>(fill));
    data[0] = static_cast<u8>(first);
    auto doc = std::make_unique<TextDocument>();
    doc->text.Replace(0, 0, data.data(), bytes);
    return doc;
}

// Milliseconds of the caret fields for a fresh text at its end, then after one Left.
void CaretFields(const char* name, int64 bytes)
{
    std::unique_ptr<TextDocument> doc = OneLine(bytes, 'a', 'a');
    ViewState state{};
    state.document = doc.get();
    state.caretMarker = doc->text.AddMovingMarker();
    state.anchorMarker = doc->text.AddMovingMarker();
    doc->text.SetMarker(state.caretMarker, doc->text.Size());
    StatusState s;
    Clock first;
    ReadCaretState(doc.get(), &state, s);
    double end = first.Seconds();
    int64 column = s.column;
    doc->text.SetMarker(state.caretMarker, doc->text.Size() - 1);
    Clock second;
    ReadCaretState(doc.get(), &state, s);
    double left = second.Seconds();
    std::printf("status_%s_end: %.3f ms (column %lld)\n", name, end * 1000, static_cast<long long>(column));
    std::printf("status_%s_after_left: %.3f ms (column %lld)\n", name, left * 1000, static_cast<long long>(s.column));
}

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

}  // namespace

int main()
{
    const int64 big = 100LL * 1000 * 1000;
    CaretFields("1MB_line", 1000 * 1000);
    CaretFields("100MB_line", big);

    {
        std::unique_ptr<TextDocument> doc = OneLine(big, 'x', '(');
        int64 match = 0;
        double bracket = Time([&] { match = MatchForward(doc->text, 0, '(', ')'); }, 1);
        std::vector<u8> bytes(static_cast<size_t>(big));
        doc->text.CopyBytes(0, bytes.data(), big);
        const void* found = nullptr;
        double scan = Time([&] { found = std::memchr(bytes.data(), ')', bytes.size()); }, 1);
        std::printf("ctrl_p_unmatched_100MB: %.3f s (match %lld)\n", bracket, static_cast<long long>(match));
        std::printf("ctrl_p_reference_memchr_100MB: %.3f s (%s)\n", scan, found ? "found" : "none");
    }

    {
        std::wstring units;
        units.reserve(static_cast<size_t>(big));
        for (int64 i = 0; i < big; i++)
            units.push_back(i % 61 == 0 ? L'\n' : (i % 7 == 0 ? L'\t' : L'a' + static_cast<wchar_t>(i % 26)));
        String text(units.data(), big);
        double before = PeakMegabytes();
        String upper = text;
        double upperTime = Time([&] { ConvertCaseText(CommandUpperCase, upper); }, 1);
        String expanded;
        double tabsTime = Time([&] { expanded = ExpandTabs(text, 4); }, 1);
        double after = PeakMegabytes();
        std::wstring reference(units);
        double plain = Time([&] {
            for (wchar_t& c : reference)
                c = static_cast<wchar_t>(std::towupper(c));
        }, 1);
        std::printf("upper_case_100M_units: %.3f s\n", upperTime);
        std::printf("tabs_to_spaces_100M_units: %.3f s (%lld units out)\n", tabsTime,
                    static_cast<long long>(expanded.Length()));
        std::printf("reference_towupper_100M_units: %.3f s (%d)\n", plain, reference[1]);
        std::printf("peak_memory_before_conversions: %.0f MB\n", before);
        std::printf("peak_memory_after_conversions: %.0f MB\n", after);
    }
    return 0;
}
