#include "EditTestSupport.h"

#include <doctest.h>

#include "support/DocumentText.h"
#include "text/Encoding.h"

#include <random>
#include <string>
#include <vector>

using doctext::Bytes;

namespace {

// The text's bytes as a flat string, kept by replaying every content-change
// broadcast the way a reader of the notices would.
struct FlatCopy {
    std::string bytes;
    int32 replayed = 0;

    void Replay(const BroadcastRecord& record)
    {
        if (record.kind != BroadcastTextChanged || record.extra == 0)
            return;
        auto* request = reinterpret_cast<TextDocument::ReplaceRequest*>(static_cast<intptr_t>(record.extra));
        TextBuff& text = record.document->text;
        int64 n = 0, t = 0;
        EncodeUtf16Text(nullptr, n, INT64_MAX, request->text, t, request->length, text.Encoding(),
                        text.NewLineKind(), nullptr);
        std::string encoded(static_cast<size_t>(n), '\0');
        int64 w = 0;
        t = 0;
        EncodeUtf16Text(reinterpret_cast<u8*>(&encoded[0]), w, n, request->text, t, request->length,
                        text.Encoding(), text.NewLineKind(), nullptr);
        REQUIRE(request->a <= request->b);
        REQUIRE(request->b <= static_cast<int64>(bytes.size()));
        bytes.replace(static_cast<size_t>(request->a), static_cast<size_t>(request->b - request->a), encoded);
        CHECK(request->newEnd == request->a + n);
        replayed++;
    }
};

int64 Caret(TextView* view)
{
    return view->currentState->CaretPosition();
}

int64 Anchor(TextView* view)
{
    return view->currentState->AnchorPosition();
}

std::vector<int64> Positions(TextDocument& doc)
{
    std::vector<int64> positions;
    for (int64 i = 0; i < doc.bookmarks.Count(); i++)
        positions.push_back(doc.BookmarkPosition(i));
    return positions;
}

std::wstring Range(TextView* view, int64 a, int64 b)
{
    String s = GetTextRange(view, a, b);
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

}  // namespace

TEST_CASE("random keys and characters: the notices replay to the text's bytes, undo returns to the start")
{
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE, EncodingWindows1250}) {
        uint32_t seed = 20261209u + static_cast<uint32_t>(encoding);
        CAPTURE(seed);
        CAPTURE(encoding);
        std::mt19937 rng(seed);
        BrokerBench bench;
        bench.broker->autoindent = true;
        TextDocument* doc = bench.NewText();
        REQUIRE(doc);
        doc->text.SetEncoding(encoding);
        doc->text.SetNewLineKind(rng() % 2 ? -2 : 10);
        Put(bench, L"\tint main()\r    {\r");
        while (doc->undoPosition > 0) {
            TextDocument::UndoResult u;
            doc->Undo(u);
        }
        doc->ClearUndo();
        doc->undoLength = doc->undoPosition = 0;
        FlatCopy flat;
        flat.bytes = Bytes(*doc);
        const std::string start = flat.bytes;
        bench.failOn = [&](const BroadcastRecord& r) { flat.Replay(r); };

        const wchar_t* pieces[] = {L"a", L"ż", L"Ł", L" ", L"\t", L"x", L"\xD83D\xDE00", L"\x0301", L"é"};
        for (int step = 0; step < 400; step++) {
            CAPTURE(step);
            TextView* view = bench.views[0];
            int64 size = doc->text.Size();
            switch (rng() % 11) {
            case 0:
            case 1:
            case 2: {
                const wchar_t* piece = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
                TypeText(bench, piece);
                break;
            }
            case 3:
                RunChar(*bench.broker, 13, view);
                break;
            case 4:
                RunChar(*bench.broker, 8, view);
                break;
            case 5:
                RunKeyDown(*bench.broker, VK_DELETE, view);
                break;
            case 6:
                RunChar(*bench.broker, 9, view);
                break;
            case 7:
                PostAction(*bench.broker, rng() % 2 ? ActionIndent : ActionDeindent, view);
                break;
            case 8:
                RunKeyDown(*bench.broker, VK_INSERT, view);
                break;
            case 9:
                view->SetCaret(doc, doc->text.CharStart(static_cast<int64>(rng() % (size + 1))), 0, 0);
                break;
            default:
                Select(view, doc->text.CharStart(static_cast<int64>(rng() % (size + 1))),
                       doc->text.CharStart(static_cast<int64>(rng() % (size + 1))));
                break;
            }
            REQUIRE(bench.alerts.alerts.empty());
            REQUIRE(flat.bytes == Bytes(*doc));
            REQUIRE(Caret(view) <= doc->text.Size());
        }
        CHECK(flat.replayed > 100);
        bench.failOn = nullptr;
        while (doc->undoPosition > 0) {
            TextDocument::UndoResult u;
            doc->Undo(u);
        }
        CHECK(Bytes(*doc) == start);
    }
}

TEST_CASE("lazy auto-indent: shown after Enter, made text by the next character or Delete")
{
    BrokerBench bench;
    bench.broker->autoindent = true;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    doc->text.SetNewLineKind(10);
    TextView* view = bench.views[0];
    Put(bench, L"\t\tab\ncd");
    view->SetCaret(doc, 4, 0, 0);  // after "ab", before the line break

    RunChar(*bench.broker, 13, view);
    CHECK(Bytes(*doc) == "\t\tab\n\ncd");
    CHECK(view->currentState->pendingIndentPos == 5);
    CHECK(std::wstring(view->currentState->pendingIndent.CStr()) == L"\t\t");

    SUBCASE("Enter on the empty line carries it on; a character makes it text in one step")
    {
        RunChar(*bench.broker, 13, view);
        CHECK(Bytes(*doc) == "\t\tab\n\n\ncd");
        CHECK(view->currentState->pendingIndentPos == 6);
        int64 undoBefore = doc->undoPosition;
        TypeText(bench, L"x");
        CHECK(Bytes(*doc) == "\t\tab\n\n\t\tx\ncd");
        CHECK(doc->undoPosition == undoBefore + 1);
        CHECK(view->currentState->pendingIndentPos == -1);
    }
    SUBCASE("Backspace shortens the shown indent without touching the text")
    {
        RunChar(*bench.broker, 8, view);
        CHECK(Bytes(*doc) == "\t\tab\n\ncd");
        CHECK(std::wstring(view->currentState->pendingIndent.CStr()) == L"\t");
        RunChar(*bench.broker, 8, view);
        CHECK(view->currentState->pendingIndent.IsEmpty());
        RunChar(*bench.broker, 8, view);
        CHECK(Bytes(*doc) == "\t\tab\ncd");
    }
    SUBCASE("Delete turns the indent into text and removes the following line break")
    {
        RunKeyDown(*bench.broker, VK_DELETE, view);
        CHECK(Bytes(*doc) == "\t\tab\n\t\tcd");
    }
    SUBCASE("Enter inside a line or at the end of the text inserts the indent as text")
    {
        view->SetCaret(doc, 3, 0, 0);
        RunChar(*bench.broker, 13, view);
        CHECK(Bytes(*doc) == "\t\ta\n\t\tb\n\ncd");
        view->SetCaret(doc, doc->text.Size(), 0, 0);
        RunChar(*bench.broker, 13, view);
        CHECK(Bytes(*doc) == "\t\ta\n\t\tb\n\ncd\n");
    }
}

TEST_CASE("indent and deindent: whole lines, bookmarks kept, nothing recorded when nothing changes")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    doc->text.SetNewLineKind(10);
    TextView* view = bench.views[0];
    Put(bench, L"one\n\n   three\n    four\nfive");
    int64 history = doc->undoPosition;

    // A selection ending at the start of "five" leaves that line alone.
    Select(view, 1, 23);
    doc->AddBookmark(2);
    doc->AddBookmark(3);
    doc->AddBookmark(12);
    PostAction(*bench.broker, ActionIndent, view);
    CHECK(Bytes(*doc) == "\tone\n\n\t   three\n\t    four\nfive");
    CHECK(doc->undoPosition == history + 1);
    CHECK(Anchor(view) == 0);
    CHECK(Caret(view) == 26);
    // Each bookmark stays on its line and column: none collapsed or merged.
    CHECK(doc->bookmarks.Count() == 3);
    CHECK(doc->BookmarkAt(2) >= 0);
    CHECK(doc->BookmarkAt(3) >= 0);
    CHECK(doc->BookmarkAt(6 + 7) >= 0);
    // Undo and redo of the indent keep them the same way.
    bench.Run(ActionUndo);
    CHECK(Bytes(*doc) == "one\n\n   three\n    four\nfive");
    CHECK(Positions(*doc) == std::vector<int64>{2, 3, 12});
    bench.Run(ActionRedo);
    CHECK(Positions(*doc) == std::vector<int64>{2, 3, 13});
    Select(view, 0, 26);

    PostAction(*bench.broker, ActionDeindent, view);
    CHECK(Bytes(*doc) == "one\n\n   three\n    four\nfive");
    PostAction(*bench.broker, ActionDeindent, view);
    CHECK(Bytes(*doc) == "one\n\n   three\nfour\nfive");
    history = doc->undoPosition;
    size_t sent = bench.broadcasts.size();
    Select(view, 0, 4);
    PostAction(*bench.broker, ActionDeindent, view);
    CHECK(doc->undoPosition == history);
    CHECK(bench.broadcasts.size() == sent);
}

TEST_CASE("ShiftLines: deindent after indent gives the text back; empty lines keep no tab")
{
    std::mt19937 rng(7u);
    const wchar_t units[] = {L' ', L'\t', L'a', L'\n', L'\r', L'\0', L'ż'};
    for (int round = 0; round < 300; round++) {
        std::wstring s;
        int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; i++)
            s += units[rng() % 7];
        CAPTURE(round);
        String text(s.data(), static_cast<int64>(s.size()));
        String shifted = ShiftLines(text, 1);
        String back = ShiftLines(shifted, -1);
        CHECK(std::wstring(back.Data() ? back.Data() : L"", static_cast<size_t>(back.Length())) == s);
    }
    String mixed = ShiftLines(String(L"   x\n    y\n\n\tz"), -1);
    CHECK(std::wstring(mixed.CStr()) == L"   x\ny\n\nz");
    CHECK(std::wstring(ShiftLines(String(L"a\n\nb\r\n"), 1).CStr()) == L"\ta\n\n\tb\r\n");
}

TEST_CASE("line ends change the text's mode, undo like edits, and all texts change in list order")
{
    BrokerBench bench;
    TextDocument* first = bench.NewText();
    TextDocument* second = bench.NewText();
    REQUIRE(second);
    first->text.SetNewLineKind(10);
    second->text.SetNewLineKind(10);
    bench.broadcasts.clear();
    PostAction(*bench.broker, ActionLineEndsCrLf, bench.views[0]);
    CHECK(second->text.NewLineKind() == -2);
    CHECK(second->text.LineEndConversion() == -2);
    CHECK(second->modified == 1);
    CHECK(bench.Kinds() == std::vector<int32>{7, 11, 5});

    TextDocument::UndoResult u;
    second->Undo(u);
    CHECK(second->text.NewLineKind() == 10);
    CHECK(second->modified == 0);
    second->Redo(u);
    CHECK(second->text.NewLineKind() == -2);

    bench.broadcasts.clear();
    PostAction(*bench.broker, ActionAllLineEndsLf, bench.views[0]);
    CHECK(first->text.NewLineKind() == 10);
    CHECK(second->text.NewLineKind() == 10);
    REQUIRE(bench.broadcasts.size() == 6);
    CHECK(bench.broadcasts[0].document == first);
    CHECK(bench.broadcasts[3].document == second);
}

TEST_CASE("text of a range: either order, CR LF whole, astral characters as pairs")
{
    BrokerBench bench;
    TextDocument* doc = bench.NewText();
    REQUIRE(doc);
    doc->text.SetNewLineKind(-2);
    TypeText(bench, L"a\r\xD83D\xDE00z");
    int64 size = doc->text.Size();
    CHECK(size == 1 + 2 + 4 + 1);
    CHECK(Range(bench.views[0], size, 0) == L"a\r\n\xD83D\xDE00z");
    CHECK(Range(bench.views[0], 3, 7) == L"\xD83D\xDE00");
    CHECK(Range(bench.views[0], 2, 2).empty());
}
