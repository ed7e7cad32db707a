#include "actions/ActionBroker.h"

#include "actions/EditForm.h"

#include "base/AppContext.h"
#include "base/CharUtils.h"
#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"
#include "gui/ErrorText.h"
#include "gui/Form.h"
#include "gui/PopupAlert.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include <new>

#include <cwchar>

namespace {

const ActionAlertCalls* alertCalls = nullptr;

struct TitleRange {
    int32 first;
    int32 last;
    const wchar_t* polish;
    const wchar_t* english;
};

// Codes not listed here share the general title.
const TitleRange kTitles[] = {
    {0, 27, L"Ruch kursora - Scrivel", L"Cursor movement - Scrivel"},
    {54, 57, L"Ruch kursora - Scrivel", L"Cursor movement - Scrivel"},
    {28, 35, L"Przewijanie - Scrivel", L"Scrolling - Scrivel"},
    {36, 36, L"Modyfikacja treści - Scrivel", L"Text modification - Scrivel"},
    {37, 37, L"Wstaw znaki - Scrivel", L"Insert chars - Scrivel"},
    {39, 39, L"Wstaw znaki - Scrivel", L"Insert chars - Scrivel"},
    {40, 42, L"Usuń znaki - Scrivel", L"Delete chars - Scrivel"},
    {43, 43, L"Zwiększ wcięcie - Scrivel", L"Indent - Scrivel"},
    {44, 44, L"Zmniejsz wcięcie - Scrivel", L"Deindent - Scrivel"},
    {45, 45, L"Wczytaj ponownie - Scrivel", L"Reload text - Scrivel"},
    {46, 46, L"Nieudane wklejanie z pliku - Scrivel", L"Unable to paste from file - Scrivel"},
    {-94, -93, L"Nieudane zapisywanie tekstu - Scrivel", L"Unable to save text - Scrivel"},
    {47, 52, L"Nieudane zapisywanie tekstu - Scrivel", L"Unable to save text - Scrivel"},
    {-100, -99, L"Nowy tekst - Scrivel", L"New text - Scrivel"},
    {-98, -97, L"Otwórz - Scrivel", L"Open - Scrivel"},
    {-96, -96, L"Przywracanie tekstów - Scrivel", L"Restoring texts - Scrivel"},
    {-95, -95, L"Ostatnio otwierane teksty - Scrivel", L"Recent texts - Scrivel"},
    {-92, -92, L"Zamknij wszystkie teksty - Scrivel", L"Close all texts - Scrivel"},
    {53, 53, L"Zamknij tekst - Scrivel", L"Close text - Scrivel"},
    {58, 59, L"Przejdź do wiersza - Scrivel", L"Go to line error - Scrivel"},
    {60, 60, L"Nieudane cofanie zmian - Scrivel", L"Undo error - Scrivel"},
    {61, 61, L"Nieudane ponawianie zmian - Scrivel", L"Redo error - Scrivel"},
    {62, 63, L"Nieudane kopiowanie - Scrivel", L"Copy error - Scrivel"},
    {64, 64, L"Nieudane wycinanie - Scrivel", L"Cut error - Scrivel"},
    {65, 66, L"Nieudane wstawianie - Scrivel", L"Paste error - Scrivel"},
    {68, 71, L"Zmień kodowanie końców wierszy - Scrivel", L"Change line ends - Scrivel"},
    {72, 78, L"Wyszukiwanie - Scrivel", L"Find - Scrivel"},
    {79, 81, L"Zastępowanie - Scrivel", L"Replacing - Scrivel"},
    {83, 83, L"Następny tekst - Scrivel", L"Next text - Scrivel"},
    {84, 84, L"Poprzedni tekst - Scrivel", L"Previous text - Scrivel"},
    {88, 88, L"Nieudane otwarcie dialogu wyboru tekstu - Scrivel", L"File dialog error - Scrivel"},
};

int32 DefaultAsk(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                 int32 kind)
{
    return ShowAlert(owner, message, title, buttons, kind);
}

}  // namespace

// ---- records ----

void ActionRecord::InitPlain(int32 actionCode, TextView* actionView)
{
    *this = ActionRecord();
    code = actionCode;
    view = actionView;
    document = actionView ? actionView->CurrentDocument() : nullptr;
}

void ActionRecord::InitReplaceRange(TextView* actionView, int64 start, int64 end, String& newText)
{
    InitPlain(ActionReplaceRange, actionView);
    number1 = start;
    number2 = end;
    text.MoveFrom(newText);
}

void ActionRecord::InitWithText(int32 actionCode, TextView* actionView, String& newText)
{
    InitPlain(actionCode, actionView);
    text.MoveFrom(newText);
}

void ActionRecord::InitFind(int32 actionCode, TextView* actionView, int32 findMode, String& phrase,
                            String& replacement)
{
    InitPlain(actionCode, actionView);
    mode = findMode;
    text.MoveFrom(phrase);
    text2.MoveFrom(replacement);
}

void ActionRecord::InitOpenFiles(TextView* actionView, bool fromCommandLine, Array<String>& files)
{
    InitPlain(ActionOpenFiles, actionView);
    mode = fromCommandLine ? 1 : 0;
    paths = static_cast<Array<String>&&>(files);
}

// ---- the broker ----

ActionBroker::ActionBroker() = default;

ActionBroker* ActionBroker::Create()
{
    ActionBroker* broker = new (std::nothrow) ActionBroker();
    if (!broker)
        throw MemoryError();
    try {
        broker->recentFiles.Clear();
        broker->documents = DocumentList::Create();
        broker->lexerFactory.reset(LexerFactory::Create());
        broker->recentFiles.limit = kRecentFilesLimit;
    } catch (...) {
        delete broker;
        throw;
    }
    return broker;
}

ActionBroker::~ActionBroker()
{
    // The texts go last: views and lexers may still name them until then.
    lexerFactory.reset();
    recentFiles.ReleaseArray();
    views.Release();
    documents.DeleteAll();
}

void ActionBroker::AddView(TextView* view)
{
    if (ViewIndex(view) < 0)
        views.Insert(views.Count(), view);
}

int32 ActionBroker::ViewIndex(const TextView* view) const
{
    for (int64 i = 0; i < views.Count(); i++)
        if (views.At(i) == view)
            return AsInt(i);
    return -1;
}

void ActionBroker::Broadcast(int32 kind, TextDocument* document, TextView* view, int64 extra)
{
    if (!broadcastHandler)
        return;
    BroadcastRecord record{kind, document, view, extra};
    broadcastHandler->OnBroadcast(record);
}

void ActionBroker::StorePendingError(const Error& error)
{
    pendingError = error;
}

void ActionBroker::ReportPendingError(Form* form)
{
    if (pendingError.code == -1)
        return;
    Error error = static_cast<Error&&>(pendingError);
    pendingError = Error(-1, -1);
    ShowAlertOnForm(form, ActionErrorTitle(ActionNone), error);
}

void ActionBroker::CheckTextLimit() const
{
    if (documents.Count() >= kMaxOpenTexts)
        throw TooManyTextsError();
}

void ActionBroker::ToggleOverwrite(TextView* view)
{
    view->currentState->overwrite = !view->currentState->overwrite;
    Broadcast(BroadcastOverwriteToggled, view->CurrentDocument(), view);
}

// ---- running actions ----

Error CurrentError()
{
    try {
        throw;
    } catch (const Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return MemoryError();
    } catch (...) {
        return InternalError();
    }
}

void ExecuteAction(ActionBroker& broker, ActionRecord& record)
{
    record.outcome = OutcomeDone;
    try {
        DispatchAction(broker, record);
    } catch (...) {
        RecordFailure(record);
    }
}

bool RecordFailure(ActionRecord& record)
{
    Error error = CurrentError();
    if (error.code == Abort().code) {
        record.outcome = OutcomeAborted;
        return true;
    }
    record.outcome = OutcomeFailed;
    ShowActionError(record, error);
    return false;
}

void ExecuteActionCopy(ActionBroker& broker, const ActionRecord& record)
{
    ActionRecord copy = record;
    ExecuteAction(broker, copy);
}

void PostAction(ActionBroker& broker, int32 code, TextView* view)
{
    ActionRecord record;
    record.InitPlain(code, view);
    ExecuteActionCopy(broker, record);
}

void DispatchAction(ActionBroker& broker, ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* current = view ? view->CurrentDocument() : nullptr;
    if (record.code >= 0 && (!view || !view->currentState || !current))
        throw NoTextError();
    if (record.code < ActionFirstCode || record.code > ActionLastCode)
        return;
    if (record.code >= 0 && !record.document)
        record.document = current;
    if ((record.code >= ActionCharRight && record.code <= ActionPageDownExtend) ||
        (record.code >= ActionSelectWord && record.code <= ActionSelectAll)) {
        broker.MoveCaret(view, record.code);
        return;
    }
    if (record.code >= ActionScrollLineUp && record.code <= ActionScrollPageRight) {
        broker.ScrollView(view, record.code);
        return;
    }
    switch (record.code) {
    case ActionUndo:
        broker.Undo(record);
        break;
    case ActionRedo:
        broker.Redo(record);
        break;
    case ActionCopy:
    case ActionCopyHtml:
        broker.Copy(record);
        break;
    case ActionCut:
        broker.Cut(record);
        break;
    case ActionPaste:
    case ActionPasteHtml:
        broker.Paste(record);
        break;
    case ActionClearSelection:
        broker.ClearSelection(view);
        break;
    case ActionSaveAs:
        broker.SaveTextAs(view, record.document);
        break;
    case ActionAskSave:
        broker.AskSave(record);
        break;
    case ActionSaveIfModified:
        broker.SaveIfModified(record);
        break;
    case ActionSaveCopy:
        broker.SaveCopy(record);
        break;
    case ActionSaveSelection:
        broker.SaveSelection(record);
        break;
    case ActionAskSaveAll:
        broker.AskSaveAll(record);
        break;
    case ActionSaveAll:
        broker.SaveAll(record);
        break;
    case ActionCloseText:
        broker.CloseText(record);
        break;
    case ActionCloseAll:
        broker.CloseAll(record);
        break;
    case ActionGoToPosition:
        broker.GoToPosition(view, current, record.number1, record.number2);
        break;
    case ActionGoToLine:
        broker.GoToLine(view, record.document, record.number1 != 0);
        break;
    case ActionNewText:
        broker.NewText(record);
        break;
    case ActionStartup:
        broker.StartupAction(record);
        break;
    case ActionRestoreSession:
        broker.RestoreHibernation(record);
        break;
    case ActionToggleOverwrite:
        broker.ToggleOverwrite(view);
        break;
    case ActionOpenOrActivate:
        broker.OpenOrActivate(record);
        break;
    case ActionOpenDialog:
        broker.OpenDialog(record);
        break;
    case ActionOpenFiles:
        broker.OpenFileList(record, record.paths, record.mode != 0);
        break;
    case ActionCheckChangedOnDisk:
        broker.CheckChangedOnDisk(view);
        break;
    case ActionReplaceRange:
        broker.ReplaceRange(view, current, record.number1, record.number2, record.text, 0);
        break;
    case ActionInsertText:
        broker.InsertText(view, current, record.text);
        break;
    case ActionReplaceSelection:
        broker.ReplaceSelection(view, current, record.text);
        break;
    case ActionNewLine:
        broker.NewLine(view, current);
        break;
    case ActionDeleteSelection:
        broker.InsertText(view, current, String());
        break;
    case ActionDeleteChar:
        broker.DeleteChar(view, current);
        break;
    case ActionBackspace:
        broker.Backspace(view, current);
        break;
    case ActionIndent:
    case ActionDeindent:
        broker.IndentLines(view, current, record.code == ActionIndent ? 1 : -1);
        break;
    case ActionReloadText: {
        TextDocument* document = record.document ? record.document : current;
        broker.ReloadText(view, document, document->text.Encoding());
        break;
    }
    case ActionPasteFile:
        broker.PasteFile(record);
        break;
    case ActionSave:
        broker.Save(view, record.document ? record.document : current);
        break;
    case ActionLineEndsCrLf:
    case ActionLineEndsLf:
        broker.SetLineEnds(view, current, record.code == ActionLineEndsCrLf ? -2 : 10);
        break;
    case ActionAllLineEndsCrLf:
    case ActionAllLineEndsLf:
        broker.SetAllLineEnds(view, record.code == ActionAllLineEndsCrLf ? -2 : 10);
        break;
    case ActionActivateText:
        broker.ActivateText(view, record.document ? record.document : current);
        break;
    case ActionNextText:
        broker.NextText(view);
        break;
    case ActionPreviousText:
        broker.PreviousText(view);
        break;
    case ActionMoveTextLeft:
    case ActionMoveTextRight:
        broker.MoveTextBy(view, record.document ? record.document : current,
                          record.code == ActionMoveTextLeft ? -1 : 1);
        break;
    case ActionFindFirst:
    case ActionFindFromBar:
    case ActionFindNext:
    case ActionFindVariant75:
    case ActionFindPrevious:
    case ActionFindLast:
    case ActionFindEnter:
        record.result = broker.Find(record) ? 1 : 0;
        break;
    case ActionReplaceOnce:
    case ActionReplaceRestFromCaret:
    case ActionReplaceRestFromStart:
        record.result = broker.Replace(record) ? 1 : 0;
        break;
    case ActionMoveTextTo:
        broker.MoveTextTo(view, record.document ? record.document : current, record.number1);
        break;
    case ActionSelectLoadedText:
        broker.SelectLoadedText(view);
        break;
    case ActionRecentTexts:
        broker.RecentTexts(record);
        break;
    default:
        // Codes without a handler (-89 and -88 to -1) do nothing.
        break;
    }
}

const wchar_t* ActionErrorTitle(int32 code)
{
    bool polish = IsPolishUi();
    for (const TitleRange& range : kTitles)
        if (code >= range.first && code <= range.last)
            return polish ? range.polish : range.english;
    return polish ? L"Nie można zrealizować operacji - Scrivel" : L"Operation can not be performed - Scrivel";
}

void ShowActionError(const ActionRecord& record, const Error& error)
{
    ShowAlertOnView(record.view, ActionErrorTitle(record.code), error);
}

namespace {

bool IsUpdateReport(const String& argument)
{
    static const wchar_t* const kReports[] = {L"--opt:updated", L"--opt:updatefailed"};
    for (const wchar_t* report : kReports)
        if (EqualsNoCase(argument.Data(), argument.Length(), report, static_cast<int64>(wcslen(report))))
            return true;
    return false;
}

// A full, normalised name: "C:/a/../b.txt" and "C:\\b.txt" must name one text.
String FullPathName(const String& name)
{
    String absolute = AbsolutePath(name.CStr());
    DWORD need = GetFullPathNameW(absolute.CStr(), 0, nullptr, nullptr);
    if (need == 0)
        return absolute;
    String full;
    wchar_t* out = full.Allocate(need);
    DWORD got = GetFullPathNameW(absolute.CStr(), need, out, nullptr);
    if (got == 0 || got >= need)
        return absolute;
    return String(out, got);
}

}  // namespace

Array<String> CommandLineFiles(const Array<String>& arguments)
{
    Array<String> files;
    files.Reset();
    for (int64 i = 0; i < arguments.Count(); i++) {
        const String& argument = arguments.At(i);
        // An empty argument would name the current folder.
        if (argument.IsEmpty())
            continue;
        if (argument.Length() >= 2 && argument.Data()[0] == L':' && argument.Data()[1] == L':')
            continue;
        // The main window reads these as reports of an update, never as files.
        if (i == 0 && IsUpdateReport(argument))
            continue;
        files.Insert(files.Count(), FullPathName(argument));
    }
    return files;
}

// ---- owners and alerts ----

Form* ViewForm(TextView* view)
{
    return view ? view->OwningForm() : nullptr;
}

ProgressDialog* ViewProgressDialog(TextView* view)
{
    return view ? static_cast<ProgressDialog*>(view->ownerValue2) : nullptr;
}

void ShowPopupInView(TextView* view, const wchar_t* text)
{
    try {
        auto* form = dynamic_cast<EditForm*>(ViewForm(view));
        PopupAlert* popup = form ? form->Popup() : nullptr;
        if (!popup)
            return;
        RECT client = view->ClientRect();
        POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
        popup->ShowAt(text, view->ClientToScreenPoint(centre));
    } catch (...) {
        // A note that cannot be shown is not worth an alert.
    }
}

void SetActionAlertCalls(const ActionAlertCalls* calls)
{
    alertCalls = calls;
}

int32 AskOnForm(Form* form, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                int32 kind)
{
    auto ask = alertCalls && alertCalls->ask ? alertCalls->ask : DefaultAsk;
    return ask(form, message, title, buttons, kind);
}

int32 AskOnView(TextView* view, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                int32 kind)
{
    return AskOnForm(ViewForm(view), message, title, buttons, kind);
}

void ShowAlertOnForm(Form* form, const wchar_t* title, const Error& error)
{
    auto show = alertCalls && alertCalls->showError ? alertCalls->showError : ShowErrorAlert;
    try {
        show(form, title, error);
    } catch (...) {
        // An alert that cannot be shown is dropped, as the program's own is.
    }
}

void ShowAlertOnView(TextView* view, const wchar_t* title, const Error& error)
{
    ShowAlertOnForm(ViewForm(view), title, error);
}
