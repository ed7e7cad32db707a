// Actions that bring texts in: new, opened by dialog, list or command line,
// reloaded, and a file pasted into a text.

#include "actions/ActionBroker.h"

#include "actions/ProgressNotify.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "gui/FileDialogs.h"
#include "gui/Form.h"
#include "text/CharClass.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <vector>

namespace {

const wchar_t* Text(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

const wchar_t* OpenTitle()
{
    return Text(L"Otwórz - Scrivel", L"Open - Scrivel");
}

bool HasBackupSuffix(const String& path)
{
    int64 n = path.Length();
    return n >= 4 && EqualsNoCase(path.Data() + n - 4, 4, L".bak", 4);
}

// Where a caret stood before a reload, by line and character column.
struct CaretMemo {
    TextView* view;
    int64 line;
    int64 column;
};

bool StopsCaretWalk(TextBuff& text, int64 position)
{
    int32 code = text.DecodeChar(position);
    return text.CharLength() <= 0 || code == 0 || (CharClass(code) & ClassLineBreak);
}

}  // namespace

// Everything up to and including the last slash, colon or backslash.
String FolderPart(const String& path)
{
    for (int64 i = path.Length(); i > 0; i--) {
        wchar_t c = path.Data()[i - 1];
        if (c == L'\\' || c == L'/' || c == L':')
            return path.Substring(0, i);
    }
    return String();
}

void ActionBroker::NewText(ActionRecord& record)
{
    CheckTextLimit();
    String path = record.text;
    String location = record.text2;
    if (!path.IsEmpty() && documents.FindByPath(path))
        throw InternalError();
    if (location.IsEmpty() && !path.IsEmpty())
        location = path;
    if (location.IsEmpty() && record.document)
        location = record.document->GetLocation();
    TextDocument* text = documents.NewDocument(record.document);
    try {
        text->SetPath(path);
        text->SetLocation(location);
        Broadcast(BroadcastDocumentAdded, text, record.view);
        Broadcast(BroadcastCurrentChanged, text, record.view);
    } catch (...) {
        // The half-made text goes again, whatever stopped it; the failure
        // itself is what the caller reports.
        try {
            Broadcast(BroadcastDocumentRemoved, text, record.view);
        } catch (...) {
        }
        documents.Remove(text);
        throw;
    }
}

void ActionBroker::OpenOrActivate(ActionRecord& record)
{
    if (!record.text.IsEmpty())
        if (TextDocument* open = documents.FindByPath(record.text)) {
            ActivateText(record.view, open);
            return;
        }
    NewText(record);
}

void ActionBroker::OpenDialog(ActionRecord& record)
{
    CheckTextLimit();
    TextDocument* current = record.view ? record.view->CurrentDocument() : nullptr;
    String folder = current ? FolderPart(current->GetLocation()) : String();
    Array<String> files = OpenFilesDialog(ViewForm(record.view),
                                          Text(L"Wybierz tekst(y) do wczytania - Scrivel",
                                               L"Select text(s) to open - Scrivel"),
                                          folder.IsEmpty() ? nullptr : folder.CStr());
    if (files.Count() == 0)
        throw Abort();
    OpenFileList(record, files, false);
}

void ActionBroker::OpenFileList(ActionRecord& record, Array<String>& files, bool fromCommandLine)
{
    for (int64 i = 0; i < files.Count(); i++) {
        String path = files.At(i);
        if (path.IsEmpty())
            continue;
        try {
            OpenOrReloadFile(record.view, path, 0, false, fromCommandLine);
            continue;
        } catch (...) {
            Error error = CurrentError();
            if (error.code != Abort().code)
                ShowActionError(record, error);
        }
        if (i + 1 >= files.Count())
            break;
        int32 answer = AskOnView(record.view,
                                 Text(L"Czy kontynuować wczytywanie pozostałych tekstów?", L"Continue loading?"),
                                 OpenTitle(),
                                 Text(L"+Kontynuuj wczytywanie|-Anuluj", L"+Continue loading|-Cancel"), 0);
        if (answer != 0)
            break;
    }
    files.Release();
}

void ActionBroker::OpenOrReloadFile(TextView* view, const String& path, int32 encoding, bool quiet,
                                    bool leaveOpenAlone)
{
    TextDocument* open = documents.FindByPath(path);
    if (!open) {
        LoadFileAsNewText(view, path, encoding, quiet);
        return;
    }
    if (leaveOpenAlone)
        return;
    ActivateText(view, open);
    if (!quiet) {
        String message = StrFormat(
            Text(L"Próbujesz wczytać plik już otwarty.\n[]\n\nCzy mam go odczytać ponownie kasując wszystkie zmiany?",
                 L"You are trying to load an already open file.\n[]\n\nShould I reload it again reverting any "
                 L"changes?"),
            path);
        if (AskOnView(view, message.CStr(), OpenTitle(),
                      Text(L"+Wczytaj kasując zmiany|-Anuluj", L"+Reload reverting changes|-Cancel"), 0)
            != 0)
            throw Abort();
    }
    ReloadText(view, open, encoding);
}

void ActionBroker::LoadFileAsNewText(TextView* view, const String& path, int32 encoding, bool quiet)
{
    if (!path.IsEmpty() && documents.FindByPath(path))
        throw InternalError();
    CheckTextLimit();
    TextDocument* previous = view ? view->CurrentDocument() : nullptr;
    TextDocument* single = documents.Count() == 1 ? documents.At(0) : nullptr;
    if (!quiet && HasBackupSuffix(path)) {
        String message = StrFormat(
            Text(L"Próbujesz wczytać plik będący kopią zapasową.\n[]\nByć może chcesz go tylko przeglądnąć. Jeśli "
                 L"jednak Twoim celem jest odzyskanie poprzedniej postaci, jak najszybciej zapisz go pod inną "
                 L"nazwą.\n\nCzy mam wczytać ten plik?",
                 L"You are trying to load a backup file.\n[]\nMaybe you just want to look at it. However, if you "
                 L"want to recover it, save it as soon as possible under a different name.\n\nShould I load this "
                 L"file?"),
            path);
        if (AskOnView(view, message.CStr(), OpenTitle(), Text(L"+Wczytaj|-Anuluj", L"+Load|-Cancel"), 0) != 0)
            throw Abort();
    }

    TextDocument* text = documents.NewDocument(previous);
    try {
        text->SetPath(path);
        text->SetLocation(path);
        Broadcast(BroadcastDocumentAdded, text, view);
        if (text != previous)
            Broadcast(BroadcastCurrentChanged, text, view);
        ProgressNotify notify(ViewProgressDialog(view), Text(L"Wczytywanie tekstu - Scrivel", L"Text loading - Scrivel"),
                              Text(L"Wczytuję tekst", L"Loading"), path.CStr());
        text->LoadFile(&notify, static_cast<EncodingId>(encoding));
        Broadcast(BroadcastContentReplaced, text, view);
    } catch (...) {
        // The text goes again and the one shown before comes back; the
        // failure (a Cancel stays an Abort) is the caller's to report.
        try {
            if (previous)
                ActivateText(view, previous);
            Broadcast(BroadcastDocumentRemoved, text, view);
        } catch (...) {
        }
        documents.Remove(text);
        throw;
    }

    // The untouched text made at start goes once a file takes its place.
    if (single && single != text && documents.IndexOf(single) >= 0 && single->GetPath().IsEmpty()
        && single->text.Size() == 0 && !single->modified && single->undoLength == 0 && single->undoPosition == 0) {
        for (int64 i = 0; i < views.Count(); i++) {
            TextView* shown = views.At(i);
            if (shown->CurrentDocument() == single) {
                BroadcastRecord record{BroadcastCurrentChanged, text, shown, 0};
                shown->OnDocumentEvent(record, BroadcastCurrentChanged);
            }
        }
        Broadcast(BroadcastDocumentRemoved, single, view);
        documents.Remove(single);
    }
    if (view && view->CurrentDocument())
        recentFiles.Add(view->CurrentDocument()->GetPath(), 0);
}

void ActionBroker::ReloadText(TextView* view, TextDocument* document, int32 encoding)
{
    String path = document->GetPath();
    ProgressNotify notify(ViewProgressDialog(view), Text(L"Wczytywanie tekstu - Scrivel", L"Text loading - Scrivel"),
                          Text(L"Wczytuję tekst", L"Loading"), path.CStr());
    TextBuff& text = document->text;
    std::vector<CaretMemo> memos;
    for (int64 i = 0; i < views.Count(); i++) {
        TextView* shown = views.At(i);
        ViewState* state = shown->FindViewState(document);
        if (!state)
            continue;
        int64 caret = state->CaretPosition();
        int64 line = text.LineOfOffset(caret);
        int64 column = 0;
        for (int64 p = text.LineStart(line); p < caret && !StopsCaretWalk(text, p); p += text.CharLength())
            column++;
        memos.push_back({shown, line, column});
    }

    u8 modifiedBefore = document->modified;
    document->LoadFile(&notify, static_cast<EncodingId>(encoding));
    Broadcast(BroadcastContentReplaced, document, view);
    if (document->modified != modifiedBefore)
        Broadcast(BroadcastRepaint, document, view);

    for (int64 i = 0; i < views.Count(); i++) {
        TextView* shown = views.At(i);
        for (const CaretMemo& memo : memos) {
            if (memo.view != shown)
                continue;
            ViewState* state = shown->FindViewState(document);
            if (!state)
                break;
            int64 position = text.LineStart(memo.line);
            for (int64 n = 0; n < memo.column && !StopsCaretWalk(text, position); n++)
                position += text.CharLength();
            // Scrolls only the view that shows the text.
            shown->SetCaret(document, position, CaretScrollIntoView, 0);
            break;
        }
        shown->Invalidate();
        Broadcast(BroadcastCaretMoved, document, shown);
    }
}

void ActionBroker::PasteFile(ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* current = view->CurrentDocument();
    String folder = current ? FolderPart(current->GetLocation()) : String();
    String name = OpenFileDialog(ViewForm(view),
                                 Text(L"Wybierz plik do wstawienia - Scrivel", L"Select file to paste - Scrivel"),
                                 nullptr, folder.IsEmpty() ? nullptr : folder.CStr());
    if (name.IsEmpty())
        return;
    String pasted;
    {
        File file;
        file.Open(name, kFileRead, 0);
        int64 size = file.Size();
        std::vector<u8> bytes(static_cast<size_t>(size));
        if (size > 0 && file.Read(bytes.data(), size) != size)
            throw EofError(name.CStr());
        DecodeTextBytes(pasted, bytes.data(), size);
        file.Close();
    }
    if (!pasted.IsEmpty())
        InsertText(view, current, pasted);
}
