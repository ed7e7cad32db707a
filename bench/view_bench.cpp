// Layout and paint of one screen of a large generated C text at its start,
// middle and end, page-down steps, caret moves and thumb jumps, with and
// without word wrap; then the same text in lines of a megabyte and in one
// line. Every figure is the time of one operation; the reference is the
// same operation in a 1 MB text of ordinary lines, so a ratio near 1 means
// the operation does not grow with the text. Then the caret to the end of
// an unwrapped 100 KB and 1 MB line, the first time and again (x counts
// from the line start, from points remembered along the line after the
// first time), and the line and column of the end of a 100 MB line against
// counting its characters one by one and one SSE2 pass over its bytes.
// Then one character typed near the start, in the middle and near the end
// of an unwrapped line of 1, 4 and 100 MB and End, against End with no edit
// since, and the line and column
// at the end of the 100 MB line after such an edit.
// Usage: view_bench [megabytes, 200 by default | edits, the edits in long
// lines only]; needs a display (Xvfb).

#include "base/AppContext.h"
#include "base/ByteScan.h"
#include "base/Error.h"
#include "base/SettingsStore.h"
#include "gui/Form.h"
#include "text/SyntaxId.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include "bench/BenchTiming.h"
#include "StringLoader.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

// Lines of C of varied length, now and then a long one; with lineBytes
// set, the lines are joined into lines of about that many bytes.
std::string MakeText(size_t bytes, size_t lineBytes = 0)
{
    static const char* const pieces[] = {
        "    if (count > limit && buffer[index] != '\\0')",
        "        total += ComputeValue(alpha, beta, 0x7F3A, \"text\");",
        "    /* a comment that goes on for a while */",
        "    for (int i = 0; i < n; i++) { sum += values[i] * 3.25; }",
        "#include <stdio.h>",
        "    return result;",
        "}",
        "",
        "static int helper(const char* name, size_t length) // trailing note",
        "\tswitch (kind) { case 1: break; default: return -1; }",
    };
    std::mt19937 rng(7);
    std::string text;
    text.reserve(bytes + 4096);
    size_t nextBreak = lineBytes;
    while (text.size() < bytes) {
        if (rng() % 997 == 0) {
            for (int i = 0; i < 40; i++)
                text += pieces[rng() % 10];
        } else {
            text += pieces[rng() % 10];
        }
        if (!lineBytes || text.size() >= nextBreak) {
            text += "\r\n";
            nextBreak = text.size() + lineBytes;
        } else {
            text += ' ';
        }
    }
    text.resize(bytes);
    return text;
}

class Host : public Form {
public:
    Host() { Create(NoTooltip, L"ViewBenchHost", nullptr, 1); }
};

// Paints the text area into a memory bitmap of the client size: the
// layout and drawing of one screen, without the copy to the window.
double PaintOnce(TextView& view)
{
    RECT client = view.ClientRect();
    DeviceContext screen = view.WindowDC();
    DeviceContext memory;
    memory.Compatible(&screen);
    memory.SelectBitmap(MakeCompatibleBitmap(screen, client.right, client.bottom));
    return Time([&] {
        PaintResult result{};
        view.PaintText(memory, result);
    }, 5);
}

// A whole WM_PAINT: text, bars, blit and caret.
void FullPaint(TextView& view)
{
    view.Invalidate();
    view.Update();
}

// Puts the top and the caret at pos (at its line start without wrapping)
// and the view fully left.
void SetTop(TextView& view, int64 pos)
{
    TextBuff& text = view.CurrentDocument()->text;
    if (!view.currentState->wordWrap)
        pos = text.LineStart(text.LineOfOffset(pos));
    view.SetTopPosition(pos);
    view.SetCaret(view.CurrentDocument(), view.currentState->TopPosition(), 0, 0);
    view.currentState->horzOffset = 0;
    FullPaint(view);
}

// Average time of n page-down steps (the caret move, the scroll it needs
// and the paint after it).
double PageDowns(TextView& view, int64 from, int n)
{
    SetTop(view, from);
    Clock clock;
    for (int i = 0; i < n; i++) {
        view.MovePageDown(0);
        FullPaint(view);
    }
    return clock.Seconds() / n;
}

double ScrollPages(TextView& view, int64 from, int n)
{
    SetTop(view, from);
    Clock clock;
    for (int i = 0; i < n; i++) {
        view.ScrollPageDown();
        FullPaint(view);
    }
    return clock.Seconds() / n;
}

double LineMoves(TextView& view, int64 from, int n, bool toLineEnd)
{
    SetTop(view, from);
    Clock clock;
    for (int i = 0; i < n; i++) {
        view.MoveLineDown(0);
        if (toLineEnd)
            view.MoveToLineEnd(0);
        FullPaint(view);
    }
    return clock.Seconds() / n;
}

// Thumb jumps to a few places spread over the text, each painted.
double ThumbJumps(TextView& view, int n)
{
    SetTop(view, 0);
    Clock clock;
    for (int i = 0; i < n; i++) {
        view.vertPos = view.vertRange / (n + 1) * (i + 1);
        SendMessageW(view.hwnd, WM_VSCROLL, SB_THUMBTRACK, 0);
        FullPaint(view);
    }
    SendMessageW(view.hwnd, WM_VSCROLL, SB_THUMBPOSITION, 0);
    return clock.Seconds() / n;
}

double EndAndHome(TextView& view)
{
    TextDocument* doc = view.CurrentDocument();
    SetTop(view, 0);
    return Time([&] {
        view.SetCaret(doc, doc->text.Size(), CaretScrollIntoView, 0);
        FullPaint(view);
        view.SetCaret(doc, 0, CaretScrollIntoView, 0);
        FullPaint(view);
    }) / 2;
}

// A line up from a caret scrolled far out of view (the caret at the end,
// the view at the start): the caret's column must be found without laying
// out everything in between.
double LineUpFromAfar(TextView& view)
{
    TextDocument* doc = view.CurrentDocument();
    return Time([&] {
        SetTop(view, 0);
        view.SetCaret(doc, doc->text.Size() - 1, 0, 0);
        view.MoveLineUp(0);
    });
}

// longLines: the text has lines far wider than the view, so without
// wrapping a caret at their ends costs a layout of the whole line (x counts
// from the line start); such moves are measured on their own.
void Measure(const std::string& label, TextView& view, bool wrap, bool longLines)
{
    TextDocument* doc = view.CurrentDocument();
    view.currentState->wordWrap = wrap;
    int64 size = doc->text.Size();
    std::string tag = label + (wrap ? ", wrapped" : "");
    const struct {
        const char* name;
        int64 pos;
    } places[] = {{"start", 0}, {"middle", size / 2}, {"end", size - 2000 > 0 ? size - 2000 : 0}};
    for (const auto& place : places) {
        // The first paint there (nothing of its lines known yet), then again.
        double first = Time([&] { SetTop(view, place.pos); }, 1);
        if (longLines)
            Report("first paint at the " + std::string(place.name) + " (" + tag + ")", first * 1e3, "ms");
        Report("paint one screen at the " + std::string(place.name) + " (" + tag + ")", PaintOnce(view) * 1e3, "ms");
    }
    Report("page down with caret (" + tag + ", middle)", PageDowns(view, size / 2, 40) * 1e3, "ms");
    Report("page down with caret (" + tag + ", start)", PageDowns(view, 0, 40) * 1e3, "ms");
    Report("scroll page down (" + tag + ", middle)", ScrollPages(view, size / 2, 40) * 1e3, "ms");
    bool unwrappedLong = longLines && !wrap;
    Report(std::string(unwrappedLong ? "line down" : "line down + end of line") + " (" + tag + ", middle)",
           LineMoves(view, size / 2, 40, !unwrappedLong) * 1e3, "ms");
    Report("thumb jump (" + tag + ")", ThumbJumps(view, 10) * 1e3, "ms");
    if (!unwrappedLong) {
        Report("caret to end of text and back (" + tag + ")", EndAndHome(view) * 1e3, "ms");
        Report("line up from a caret far below the view (" + tag + ")", LineUpFromAfar(view) * 1e3, "ms");
    }
}

// The caret to the end of a line of the given length without wrapping,
// and one paint there: both grow with the line. The joined pieces make most
// of a long line a line comment (from its first "//" on), which is crossed
// without making its tokens; with code set the "//" are blanked out, so the
// whole line is code, lexed token by token.
void MeasureColumn(const std::function<TextView*(const std::string&)>& make, size_t lineBytes, bool code = false)
{
    std::string bytes = MakeText(lineBytes * 3, lineBytes);
    for (size_t at = 0; code && (at = bytes.find("//", at)) != std::string::npos;)
        bytes.replace(at, 2, "  ");
    TextView* view = make(bytes);
    TextDocument* doc = view->CurrentDocument();
    SetTop(*view, 0);
    std::string tag = " (" + std::to_string(lineBytes / 1000) + " KB line" + (code ? " of code" : "") + ", unwrapped)";
    auto toEnd = [&] {
        Clock clock;
        view->SetCaret(doc, 0, CaretScrollIntoView, 0);
        view->MoveToLineEnd(0);
        FullPaint(*view);
        return clock.Seconds();
    };
    // The first time the whole line is laid out once; after that the walk
    // starts from a point remembered near its end.
    Report("caret to the end of a line, first time" + tag, toEnd() * 1e3, "ms");
    double again = 1e30;
    for (int i = 0; i < 3; i++)
        again = std::min(again, toEnd());
    Report("caret to the end of a line, again" + tag, again * 1e3, "ms");
    view->MoveToLineEnd(0);
    FullPaint(*view);
    Report("paint one screen scrolled to its end" + tag, PaintOnce(*view) * 1e3, "ms");
    delete view;
}

// Typing one character at the first byte, near the start (at byte 10), in
// the middle and near the end of an unwrapped line of lineBytes and
// pressing End, each painted and followed by the caret's line and column as
// the status bar asks for them, against End the same way with no edit since
// the last visit to the line's end (the reference, timed in the same turn).
// With code set the "//" are blanked out, so the whole line is lexed token
// by token where it is walked.
void MeasureEditedLine(const std::function<TextView*(const std::string&)>& make, size_t lineBytes, bool code)
{
    std::string bytes = MakeText(lineBytes, lineBytes + 1);
    for (size_t at = 0; code && (at = bytes.find("//", at)) != std::string::npos;)
        bytes.replace(at, 2, "  ");
    TextView* view = make(bytes);
    bytes.clear();
    bytes.shrink_to_fit();
    TextDocument* doc = view->CurrentDocument();
    TextBuff& text = doc->text;
    std::string tag = " (" + std::to_string(lineBytes / 1000000) + " MB line" + (code ? " of code" : "") + ", unwrapped)";
    int64 columns = 0;
    auto toEnd = [&] {
        view->MoveToLineEnd(0);
        FullPaint(*view);
        columns += text.LineColumnOfOffset(view->currentState->CaretPosition()).column;
    };
    const std::pair<const char*, int64> places[] = {
        {"at the first byte", 0}, {"at the start", 10}, {"in the middle", text.Size() / 2},
        {"at the end", text.Size() - 10}};
    for (const auto& place : places) {
        int64 at = text.CharStart(place.second);
        auto toPlace = [&] {
            view->SetCaret(doc, at, CaretScrollIntoView, 0);
            FullPaint(*view);
        };
        toPlace();
        toEnd();
        std::vector<double> again, edited;
        for (int i = 0; i < 5; i++) {
            toPlace();
            Clock clock;
            toEnd();
            again.push_back(clock.Seconds());
        }
        for (int i = 0; i < 7; i++) {
            toPlace();
            Clock clock;
            // As typing does it: the character in, the view told, the caret
            // after it and the paint; then End.
            text.Replace(at, at, reinterpret_cast<const u8*>("x"), 1);
            BroadcastRecord changed{BroadcastTextChanged, doc, view, 0};
            view->OnDocumentEvent(changed, BroadcastTextChanged);
            view->SetCaret(doc, at + 1, CaretScrollIntoView, 0);
            FullPaint(*view);
            toEnd();
            edited.push_back(clock.Seconds());
        }
        std::sort(again.begin(), again.end());
        std::sort(edited.begin(), edited.end());
        std::string what = std::string("one character typed ") + place.first;
        Report(what + ", then End, painted, median of 7" + tag, edited[3] * 1e3, "ms");
        Report(what + ", then End, painted, longest" + tag, edited.back() * 1e3, "ms");
        Report("  reference: End with no edit since, painted, median of 5" + tag, again[2] * 1e3, "ms");
    }
    if (columns == 0)
        std::printf("no column was asked for\n");
    delete view;
}

// The status bar's line and column of a caret at the end of a text of
// one line, against counting the characters one by one as it was done.
void MeasureLineColumn(const std::string& what, std::string bytes)
{
    size_t megabytes = bytes.size() / 1000000;
    TextBuff text;
    StringLoader loader(bytes);
    text.Load(loader);
    bytes.clear();
    bytes.shrink_to_fit();
    std::string tag = " (" + std::to_string(megabytes) + " MB line" + what + ")";
    int64 size = text.Size();
    int64 plain = 0;
    double reference = Time([&] {
        plain = 0;
        for (int64 p = 0; p < size; plain++)
            p = text.NextChar(p);
    }, 1);
    Report("reference: counting the characters one by one" + tag, reference * 1e3, "ms");
    // Memory speed: one SSE2 pass over the stored bytes, block by block.
    size_t zeros = 0;
    double pass = Time([&] {
        zeros = 0;
        int64 start = 0, count = 0;
        for (int64 p = 0; p < size; p = start + count) {
            // Two statements: the run's count is known only after the call.
            const u8* run = text.StoredRunAt(p, start, count);
            zeros += CountByte(run, 0, static_cast<size_t>(count));
        }
    }, 5);
    Report("reference: one SSE2 pass over the bytes, best of 5" + tag, pass * 1e3, "ms");
    // A line break put in front, a column asked in the line after it, and
    // the break taken out again: the marks of earlier counts are dropped,
    // as the line's start moved under them.
    LineColumn lc{};
    double first = 1e30;
    for (int run = 0; run < 5; run++) {
        text.Replace(0, 0, reinterpret_cast<const u8*>("\n"), 1);
        text.LineColumnOfOffset(1 + 3 * TextBuff::kColumnStep);
        text.Replace(0, 1, nullptr, 0);
        Clock clock;
        lc = text.LineColumnOfOffset(size);
        first = std::min(first, clock.Seconds());
    }
    Report("line and column at the end, first time, best of 5" + tag, first * 1e3, "ms");
    // Caret moves near the end, as the status bar asks after each.
    int64 moves = 0;
    double again = Time([&] {
        for (int i = 0; i < 100; i++)
            moves += text.LineColumnOfOffset(size - i).column;
    }) / 100;
    Report("line and column near the end, again" + tag, again * 1e3, "ms");
    // One character typed in the middle (and taken out again the next
    // time), then the end's line and column.
    int64 middle = text.CharStart(size / 2);
    std::vector<double> edited;
    bool columnsRight = true;
    for (int run = 0; run < 8; run++) {
        bool typed = run % 2 == 0;
        if (typed)
            text.Replace(middle, middle, reinterpret_cast<const u8*>("x"), 1);
        else
            text.Replace(middle, middle + 1, nullptr, 0);
        Clock clock;
        LineColumn end = text.LineColumnOfOffset(text.Size());
        edited.push_back(clock.Seconds());
        columnsRight = columnsRight && end.column == plain + (typed ? 1 : 0);
    }
    std::sort(edited.begin(), edited.end());
    Report("line and column at the end after an edit in the middle, median of 8" + tag, edited[4] * 1e3, "ms");
    Report("line and column at the end after an edit in the middle, longest" + tag, edited.back() * 1e3, "ms");
    if (!columnsRight)
        std::printf("a column after an edit differs from the count\n");
    if (lc.column != plain || moves == 0 || zeros != 0)
        std::printf("column %lld differs from the count %lld\n", static_cast<long long>(lc.column),
                    static_cast<long long>(plain));
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        AppContext context(GetModuleHandleW(nullptr));
        size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 200;
        SettingsStore settings;
        settings.SetText(L"FontAntialiasing", L"none");
        std::unique_ptr<LexerFactory> factory(LexerFactory::Create());
        Host host;
        host.SetBounds(RECT{0, 0, 1000, 800});
        host.ShowNoActivate();

        std::vector<std::unique_ptr<TextDocument>> docs;
        auto make = [&](const std::string& bytes) {
            docs.clear();
            docs.push_back(std::make_unique<TextDocument>());
            TextDocument* doc = docs.back().get();
            doc->syntax = kSyntaxC;
            StringLoader loader(bytes);
            doc->text.Load(loader);
            TextView* view = TextView::Create(&host, 9, nullptr, nullptr, settings, nullptr, factory.get());
            view->ReloadStyle(settings);
            view->SetBounds(RECT{0, 0, 1000, 800});
            BroadcastRecord added{0, doc, nullptr, 0};
            view->OnDocumentEvent(added, 0);
            BroadcastRecord shown{2, doc, view, 0};
            view->OnDocumentEvent(shown, 2);
            view->SetFocus();
            FullPaint(*view);
            return view;
        };
        auto scene = [&](const std::string& label, const std::string& bytes, bool longLines) {
            TextView* view = make(bytes);
            Measure(label, *view, false, longLines);
            Measure(label, *view, true, longLines);
            delete view;
            docs.clear();
        };

        if (argc > 1 && std::strcmp(argv[1], "edits") == 0) {
            // Only the edits in long lines.
            for (bool code : {false, true}) {
                for (size_t lineBytes : {1000000, 4000000, 100000000}) {
                    MeasureEditedLine(make, lineBytes, code);
                    docs.clear();
                }
            }
            MeasureLineColumn("", MakeText(100000000, 100000001));
            return 0;
        }
        scene("reference: 1 MB text", MakeText(1000000), false);
        std::string bytes;
        double built = Time([&] { bytes = MakeText(megabytes * 1000000); }, 1);
        Report("generating the large text", built, "s");
        Clock loading;
        TextView* view = make(bytes);
        Report("loading it and the first paint", loading.Seconds(), "s");
        bytes.clear();
        bytes.shrink_to_fit();
        std::string label = std::to_string(megabytes) + " MB text";
        Measure(label, *view, false, false);
        Measure(label, *view, true, false);
        delete view;
        docs.clear();

        scene(std::to_string(megabytes) + " MB text in 1 MB lines", MakeText(megabytes * 1000000, 1000000), true);
        scene(std::to_string(megabytes) + " MB text in one line",
              MakeText(megabytes * 1000000, megabytes * 1000000 + 1), true);

        MeasureColumn(make, 100000);
        MeasureColumn(make, 1000000);
        MeasureColumn(make, 1000000, true);
        docs.clear();
        for (bool code : {false, true}) {
            for (size_t lineBytes : {1000000, 4000000, 100000000}) {
                MeasureEditedLine(make, lineBytes, code);
                docs.clear();
            }
        }
        MeasureLineColumn("", MakeText(100000000, 100000001));
        // Words with Polish letters, a third of them two-byte characters.
        std::string polish;
        const char* words[] = {"za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 ", "g\xC4\x99\xC5\x9Bl\xC4\x85 ", "dom ",
                               "ja\xC5\xBA\xC5\x84 ", "tekst "};
        std::mt19937 rng(11);
        while (polish.size() < 100000000)
            polish += words[rng() % 5];
        MeasureLineColumn(" of Polish words", std::move(polish));
    } catch (const Error& e) {
        std::printf("failed with error %d\n", e.code);
        return 1;
    }
    return 0;
}
