#include "editor/TextCommands.h"

#include "actions/ActionBroker.h"
#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/EncodingDialog.h"
#include "editor/SyntaxDialog.h"
#include "editor/TextConversions.h"
#include "text/CharClass.h"
#include "text/TextDocument.h"
#include "view/BroadcastRecord.h"
#include "view/TextView.h"
#include "view/ViewState.h"

#include <new>

namespace {

const wchar_t Brackets[] = L"()[]{}<>";

int BracketIndex(int32 code)
{
    for (int i = 0; i < 8; i++)
        if (Brackets[i] == code)
            return i;
    return -1;
}

const wchar_t* Pick(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

// Runs a command: Abort is silent, any other failure an alert with the title.
template <class Body> void Guarded(TextView* view, const wchar_t* polishTitle, const wchar_t* englishTitle, Body body)
{
    try {
        try {
            body();
        } catch (const std::bad_alloc&) {
            throw MemoryError();
        }
    } catch (const Abort&) {
    } catch (const Error& e) {
        ShowAlertOnView(view, Pick(polishTitle, englishTitle), e);
    }
}

void CaretAndAnchor(TextView* view, TextDocument* document, int64& caret, int64& anchor)
{
    ViewState* state = view->FindViewState(document);
    caret = state ? state->CaretPosition() : 0;
    anchor = state ? state->AnchorPosition() : 0;
}

bool HistoryEmpty(const TextDocument& document)
{
    return document.UndoGroupTag() < 0 && document.RedoGroupTag() < 0;
}

// The text an encoding command may change: none without a text, for an id
// outside 1..7, or when the user keeps a history the command would clear.
TextDocument* EncodingTarget(TextView* view, int32 encoding, bool force)
{
    TextDocument* document = view->CurrentDocument();
    if (!document || encoding < 1 || encoding > 7)
        return nullptr;
    if (HistoryEmpty(*document))
        return document;
    const wchar_t* question =
        force ? Pick(L"Zmiana kodowania spowoduje wyczyszczenie bufora zmian. Wprowadzonych do tej pory zmian nie "
                     L"będzie można cofnąć.\n\nWymazać bufor cofania?",
                     L"The encoding change will clear the undo buffer. You will be unable to undo last changes. "
                     L"Erase the undo buffer?")
              : Pick(L"Konwersja spowoduje wyczyszczenie bufora zmian. Wprowadzonych do tej pory zmian nie będzie "
                     L"można cofnąć.\n\nWymazać bufor cofania?",
                     L"The conversion will clear the undo buffer. You will be unable to undo last changes. Erase "
                     L"the undo buffer?");
    const wchar_t* title = force ? Pick(L"Wymuszenie kodowania - Scrivel", L"Force encoding - Scrivel")
                                 : Pick(L"Konwersja kodowania - Scrivel", L"Convert encoding - Scrivel");
    if (AskOnView(view, question, title, Pick(L"+Wyczyść bufor cofania|-Anuluj", L"+Erase undo buffer|-Cancel"),
                  1) != 0)
        return nullptr;
    return document;
}

// Whether any character of the text would be written as a stand-in.
bool LosesCharacters(const String& text, EncodingId encoding)
{
    const wchar_t* s = text.Data();
    int64 n = text.Length();
    for (int64 i = 0; i < n; i++) {
        int32 c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            i++;
        }
        if (c == L'\r' || c == L'\n')
            continue;
        bool fallback = false;
        EncodeCodePoint(nullptr, 16, c, encoding, fallback);
        if (fallback)
            return true;
    }
    return false;
}

void ReplaceSelectionWith(ActionBroker& broker, TextView* view, String& text)
{
    ActionRecord record;
    record.InitWithText(ActionReplaceSelection, view, text);
    ExecuteAction(broker, record);
}

void ConvertTabs(ActionBroker& broker, TextView* view, int32 tabStep, bool toSpaces)
{
    if (!view->HasSelection())
        PostAction(broker, ActionSelectAll, view);
    String text = GetSelectedText(view);
    if (text.IsEmpty())
        return;
    String converted = toSpaces ? ExpandTabs(text, tabStep) : CompressSpaces(text, tabStep);
    // Replacing the selection keeps bookmarks on their lines, in one undo step.
    ReplaceSelectionWith(broker, view, converted);
}

struct LineRange {
    int64 start;
    int64 end;
};

LineRange CaretLine(TextView* view, TextDocument* document)
{
    int64 caret, anchor;
    CaretAndAnchor(view, document, caret, anchor);
    TextBuff& text = document->text;
    int64 line = text.LineOfOffset(caret);
    LineRange r{text.LineStart(line), 0};
    int64 p = r.start;
    while (p < text.Size()) {
        int32 code = text.DecodeChar(p);
        if (code == '\r' || code == '\n' || code == 0 || code == -2)
            break;
        p += text.CharLength();
    }
    r.end = p;
    return r;
}

void GoToBookmark(ActionBroker& broker, TextView* view, int64 position)
{
    TextDocument* document = view->CurrentDocument();
    view->SetCaret(document, position, CaretScrollIntoView, 2);
    broker.Broadcast(BroadcastCaretMoved, document, view);
}

}  // namespace

int64 MatchForward(TextBuff& text, int64 pos, int32 bracket, int32 partner)
{
    int64 depth = 0;
    text.DecodeChar(pos);
    int64 p = pos + text.CharLength();
    while (p < text.Size()) {
        int32 code = text.DecodeChar(p);
        if (code == partner) {
            if (depth == 0)
                return p;
            depth--;
        } else if (code == bracket) {
            depth++;
        }
        p += text.CharLength() > 0 ? text.CharLength() : 1;
    }
    return -1;
}

int64 MatchBackward(TextBuff& text, int64 pos, int32 bracket, int32 partner)
{
    int64 depth = 0;
    int64 p = pos;
    while (p > 0) {
        p = text.CharStart(p - 1);
        int32 code = text.DecodeChar(p);
        if (code == partner) {
            if (depth == 0)
                return p;
            depth--;
        } else if (code == bracket) {
            depth++;
        }
    }
    return -1;
}

void GoToMatchingBracket(ActionBroker& broker, TextView* view, bool select)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    TextBuff& text = document->text;
    int64 caret, anchor;
    CaretAndAnchor(view, document, caret, anchor);
    if (caret >= text.Size()) {
        view->SetCaret(document, 0, select ? CaretScrollIntoView | CaretKeepAnchor : CaretScrollIntoView, 2);
    } else {
        int64 pos = caret;
        if (BracketIndex(text.DecodeChar(pos)) < 0 && caret > 0) {
            int64 before = text.CharStart(caret - 1);
            if (before != caret && BracketIndex(text.DecodeChar(before)) >= 0) {
                pos = before;
                if (caret == anchor)
                    anchor = pos;
            }
        }
        int32 code = text.DecodeChar(pos);
        while (BracketIndex(code) < 0 && !(CharClass(code) & ClassLineBreak)) {
            pos += text.CharLength();
            code = text.DecodeChar(pos);
        }
        int index = BracketIndex(code);
        if (index >= 0) {
            int64 match = index % 2 == 0 ? MatchForward(text, pos, Brackets[index], Brackets[index + 1])
                                         : MatchBackward(text, pos, Brackets[index], Brackets[index - 1]);
            if (match < 0) {
                MessageBeep(0xFFFFFFFF);
            } else if (!select) {
                view->SetCaret(document, match, CaretScrollIntoView, 2);
            } else {
                if (anchor < match)
                    match = view->NextCharPos(match);
                view->SetCaret(document, anchor, 0, anchor < match ? 2 : 1);
                view->SetCaret(document, match, CaretScrollIntoView | CaretKeepAnchor, match > anchor ? 1 : 2);
            }
        }
    }
    broker.Broadcast(BroadcastCaretMoved, document, view);
}

void ConvertCase(ActionBroker& broker, TextView* view, int32 command)
{
    Guarded(view, L"Konwersja znaków - Scrivel", L"Conversion error - Scrivel", [&] {
        bool extended = !view->HasSelection();
        if (extended)
            PostAction(broker, ActionCharRightExtend, view);
        String text = GetSelectedText(view);
        if (text.IsEmpty())
            return;
        TextDocument* document = view->CurrentDocument();
        int64 caret, anchor;
        CaretAndAnchor(view, document, caret, anchor);
        ConvertCaseText(command, text);
        ReplaceSelectionWith(broker, view, text);
        if (extended) {
            // The character stays selected, so the command can be repeated on the next.
            int64 end = view->FindViewState(document)->CaretPosition();
            view->SetCaret(document, caret < anchor ? caret : anchor, 0, 0);
            view->SetCaret(document, end, CaretKeepAnchor, 0);
            broker.Broadcast(BroadcastCaretMoved, document, view);
        }
    });
}

void ConvertTextEncoding(ActionBroker& broker, TextView* view, int32 encoding, bool bom)
{
    Guarded(view, L"Zmień kodowanie - Scrivel", L"Change encoding - Scrivel", [&] {
        TextDocument* document = EncodingTarget(view, encoding, false);
        if (!document)
            return;
        TextBuff& buffer = document->text;
        String text = GetTextRange(view, 0, buffer.Size());
        if (LosesCharacters(text, encoding) &&
            AskOnView(view,
                      Pick(L"Niektóre znaki nie mogą być prawidłowo przedstawione przy obecnym kodowaniu tekstu.",
                           L"Some characters can't be correctly represented with used text encoding."),
                      Pick(L"Konwersja kodowania - Scrivel", L"Convert encoding - Scrivel"),
                      Pick(L"+Konwertuj|-Anuluj", L"+Convert|-Cancel"), 1) != 0)
            return;
        PostAction(broker, ActionSelectAll, view);
        TextDocument::ConvertRequest request{text.Data(), text.Length(), 0, 0};
        document->ConvertEncoding(request, encoding, buffer.NewLineKind());
        document->SetBom(bom);
        PostAction(broker, ActionTextStart, view);
        broker.Broadcast(BroadcastRepaint, document, view);
        broker.Broadcast(BroadcastLineEndsChanged, document, view);
    });
}

void ForceTextEncoding(ActionBroker& broker, TextView* view, int32 encoding, bool bom)
{
    Guarded(view, L"Zmień kodowanie - Scrivel", L"Change encoding - Scrivel", [&] {
        TextDocument* document = EncodingTarget(view, encoding, true);
        if (!document)
            return;
        if (IsUtf16Encoding(encoding) && document->text.Size() % 2 != 0)
            throw InvalidTextFormatError();
        document->ClearUndo();
        bool hadBookmarks = document->bookmarks.Count() > 0;
        if (encoding != document->text.Encoding()) {
            // The reinterpretation resets every marker: bookmarks would all
            // land on the first byte, so they go as in a conversion.
            document->FreeBookmarkMarkers();
            if (hadBookmarks)
                document->bookmarks.Erase(0, document->bookmarks.Count());
            document->text.SetEncoding(encoding);
        }
        document->diskEncoding = encoding;
        document->SetBom(bom);
        PostAction(broker, ActionTextStart, view);
        if (hadBookmarks && document->bookmarks.Count() == 0)
            broker.Broadcast(BroadcastBookmarksChanged, document, view);
        broker.Broadcast(BroadcastRepaint, document, view);
        broker.Broadcast(BroadcastLineEndsChanged, document, view);
    });
}

void ToggleTextBom(ActionBroker& broker, TextView* view)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    int32 encoding = document->text.Encoding();
    if (encoding >= 1 && encoding <= 3) {
        document->SetBom(document->bomLength == 0);
        broker.Broadcast(BroadcastRepaint, document, view);
        broker.Broadcast(BroadcastLineEndsChanged, document, view);
        return;
    }
    AskOnView(view,
              Pick(L"Bieżący sposób kodowania znaków nie obsługuje BOM.",
                   L"The current character encoding method does not support BOM."),
              Pick(L"Dodaj BOM - Scrivel", L"Toggle BOM - Scrivel"), L"+OK", 1);
}

void TabsToSpaces(ActionBroker& broker, TextView* view, int32 tabStep)
{
    Guarded(view, L"Konwersja tabulacji na spacje - Scrivel", L"Convert tabs to spaces - Scrivel",
            [&] { ConvertTabs(broker, view, tabStep, true); });
}

void SpacesToTabs(ActionBroker& broker, TextView* view, int32 tabStep)
{
    Guarded(view, L"Konwersja spacji na tabulacje - Scrivel", L"Convert spaces to tabs - Scrivel",
            [&] { ConvertTabs(broker, view, tabStep, false); });
}

void ToggleBookmark(ActionBroker& broker, TextView* view)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    LineRange line = CaretLine(view, document);
    if (document->NextBookmark(line.start, line.end) >= 0)
        document->RemoveBookmarksIn(line.start, line.end);
    else
        document->AddBookmark(line.start);
    broker.Broadcast(BroadcastBookmarksChanged, document, view);
}

void NextBookmark(ActionBroker& broker, TextView* view)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    LineRange line = CaretLine(view, document);
    int64 p = document->NextBookmark(line.end + 1, document->text.Size());
    if (p < 0)
        p = document->NextBookmark(0, line.start - 1);
    if (p >= 0)
        GoToBookmark(broker, view, p);
}

void PreviousBookmark(ActionBroker& broker, TextView* view)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    LineRange line = CaretLine(view, document);
    int64 p = document->PreviousBookmark(0, line.start - 1);
    if (p < 0)
        p = document->PreviousBookmark(line.end + 1, document->text.Size());
    if (p >= 0)
        GoToBookmark(broker, view, p);
}

void ClearBookmarks(ActionBroker& broker, TextView* view)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    document->RemoveBookmarksIn(0, document->text.Size());
    broker.Broadcast(BroadcastBookmarksChanged, document, view);
}

void EncodingCommand(ActionBroker& broker, TextView* view, Form* owner, int32 mode)
{
    int32 chosen = 0;
    bool bom = false;
    int32 command = 0;
    Guarded(view, L"Zmień kodowanie - Scrivel", L"Change encoding - Scrivel", [&] {
        TextDocument* document = view->CurrentDocument();
        if (!document)
            return;
        int32 current = document->text.Encoding();
        chosen = current >= 1 && current <= 7 ? current : 0;
        bom = document->bomLength > 0;
        command = EncodingDialog::Run(owner, mode, chosen, bom);
    });
    if (command == 11084)
        ConvertTextEncoding(broker, view, chosen, bom);
    else if (command == 11083)
        ForceTextEncoding(broker, view, chosen, bom);
}

void SyntaxCommand(ActionBroker& broker, TextView* view, Form* owner)
{
    Guarded(view, L"Okno kolorowania - Scrivel", L"Syntax dialog - Scrivel", [&] {
        TextDocument* document = view->CurrentDocument();
        if (!document)
            return;
        int32 syntax = document->syntax;
        if (SyntaxDialog::Run(owner, syntax) == 1) {
            document->syntax = syntax;
            broker.Broadcast(BroadcastSyntaxChanged, document, view);
        }
    });
}

bool IsTextCommand(uint32_t command)
{
    switch (command) {
    case 11092: case 11093: case 11034: case 11035: case 11036: case 11083: case 11084: case 11038:
    case 11085: case 11096: case 11097: case 11053: case 11054: case 11055: case 11056: case 11081:
        return true;
    default:
        return false;
    }
}

void RunTextCommand(ActionBroker& broker, TextView* view, Form* owner, uint32_t command)
{
    switch (command) {
    case 11092: GoToMatchingBracket(broker, view, false); break;
    case 11093: GoToMatchingBracket(broker, view, true); break;
    case 11034: case 11035: case 11036: ConvertCase(broker, view, static_cast<int32>(command)); break;
    case 11083: case 11084: EncodingCommand(broker, view, owner, static_cast<int32>(command)); break;
    case 11038: EncodingCommand(broker, view, owner, 0); break;
    case 11085: ToggleTextBom(broker, view); break;
    case 11096: TabsToSpaces(broker, view, AppContext::Current().settings.GetTabStep()); break;
    case 11097: SpacesToTabs(broker, view, AppContext::Current().settings.GetTabStep()); break;
    case 11053: ToggleBookmark(broker, view); break;
    case 11054: PreviousBookmark(broker, view); break;
    case 11055: NextBookmark(broker, view); break;
    case 11056: ClearBookmarks(broker, view); break;
    case 11081: SyntaxCommand(broker, view, owner); break;
    default: break;
    }
}
