#pragma once

// The one broker of the editor's texts: it owns the open documents, runs
// every action inside one error boundary, reports failures under the
// action's title and tells its owner what changed through broadcasts.

#include "actions/HistoryList.h"
#include "base/Array.h"
#include "base/Error.h"
#include "base/String.h"
#include "base/Types.h"
#include "text/DocumentList.h"
#include "view/BroadcastRecord.h"

#include <memory>

class Form;
class LexerFactory;
class ProgressDialog;
class ReplacementPlan;
class SearchPattern;
class TextNotify;
class TextDocument;
class TextView;

// Every action the broker runs. Negative codes work without an open text;
// codes from 0 up need the view's current text.
enum ActionCode : int32 {
    ActionNewText = -100,
    ActionOpenOrActivate = -99,
    ActionOpenDialog = -98,
    ActionOpenFiles = -97,
    ActionRestoreSession = -96,
    ActionRecentTexts = -95,
    ActionAskSaveAll = -94,
    ActionSaveAll = -93,
    ActionCloseAll = -92,
    ActionStartup = -91,
    ActionCheckChangedOnDisk = -90,
    ActionNone = -89,  // no handler; the idle-time error is titled by it
    // -88 to -1: no action
    ActionCharRight = 0,
    ActionCharRightExtend,
    ActionCharLeft,
    ActionCharLeftExtend,
    ActionWordRight,
    ActionWordRightExtend,
    ActionWordLeft,
    ActionWordLeftExtend,
    ActionCollapseToStart,
    ActionCollapseToEnd,
    ActionLineStart,
    ActionLineStartExtend,
    ActionSmartHome,
    ActionSmartHomeExtend,
    ActionLineEnd,
    ActionLineEndExtend,
    ActionTextStart,
    ActionTextStartExtend,
    ActionTextEnd,
    ActionTextEndExtend,
    ActionLineUp,
    ActionLineUpExtend,
    ActionLineDown,
    ActionLineDownExtend,
    ActionPageUp,
    ActionPageUpExtend,
    ActionPageDown,
    ActionPageDownExtend,  // 27
    ActionScrollLineUp = 28,
    ActionScrollLineDown,
    ActionScrollLeft,
    ActionScrollRight,
    ActionScrollPageUp,
    ActionScrollPageDown,
    ActionScrollPageLeft,
    ActionScrollPageRight,  // 35
    ActionReplaceRange = 36,
    ActionInsertText = 37,
    ActionReplaceSelection = 38,
    ActionNewLine = 39,
    ActionDeleteSelection = 40,
    ActionDeleteChar = 41,
    ActionBackspace = 42,
    ActionIndent = 43,
    ActionDeindent = 44,
    ActionReloadText = 45,
    ActionPasteFile = 46,
    ActionSave = 47,  // a text without a path is saved as 48
    ActionSaveAs = 48,
    ActionAskSave = 49,
    ActionSaveIfModified = 50,
    ActionSaveCopy = 51,
    ActionSaveSelection = 52,
    ActionCloseText = 53,
    ActionSelectWord = 54,
    ActionSelectLine = 55,
    ActionSelectAll = 56,
    ActionClearSelection = 57,
    ActionGoToPosition = 58,
    ActionGoToLine = 59,
    ActionUndo = 60,
    ActionRedo = 61,
    ActionCopy = 62,
    ActionCopyHtml = 63,
    ActionCut = 64,
    ActionPaste = 65,
    ActionPasteHtml = 66,
    ActionToggleOverwrite = 67,
    ActionLineEndsCrLf = 68,
    ActionLineEndsLf = 69,
    ActionAllLineEndsCrLf = 70,
    ActionAllLineEndsLf = 71,
    ActionFindFirst = 72,
    ActionFindFromBar = 73,
    ActionFindNext = 74,
    ActionFindVariant75 = 75,
    ActionFindPrevious = 76,
    ActionFindLast = 77,
    ActionFindEnter = 78,
    ActionReplaceOnce = 79,
    ActionReplaceRestFromCaret = 80,
    ActionReplaceRestFromStart = 81,
    ActionActivateText = 82,
    ActionNextText = 83,
    ActionPreviousText = 84,
    ActionMoveTextLeft = 85,
    ActionMoveTextRight = 86,
    ActionMoveTextTo = 87,
    ActionSelectLoadedText = 88,
    ActionFirstCode = ActionNewText,
    ActionLastCode = ActionSelectLoadedText,
};

// How a run ended.
enum ActionOutcome : int32 {
    OutcomeDone = 0,
    OutcomeNothingToDo = 1,  // refused with a short note (undo, redo, clipboard)
    OutcomeAborted = 2,  // the user cancelled: nothing shown
    OutcomeFailed = 3,  // one alert shown
};

// One action for the broker. Copies share the texts and the path list.
struct ActionRecord {
    int32 code = 0;
    TextDocument* document = nullptr;  // the view's current text when built
    TextView* view = nullptr;  // the view that asked; never null when run
    int64 number1 = 0;  // 36: range start; 58: line; 59: flag; 87: target index
    int64 number2 = 0;  // 36: range end; 58: column
    String text;  // 36-38: the new text; 72-81: the phrase; -100, -99: the path
    String text2;  // 79-81: the replacement; -100, -99: the location
    Array<String> paths;  // -97: the files
    int32 mode = 0;  // 72-81: find mode flags; -97: from the command line
    int64 result = 0;  // 72-81: 1 when something was found
    int32 outcome = OutcomeDone;

    // The builders take over the caller's texts and list (its handles are
    // emptied) and zero every field they do not set.
    void InitReplaceRange(TextView* view, int64 start, int64 end, String& newText);
    void InitWithText(int32 code, TextView* view, String& newText);
    void InitFind(int32 code, TextView* view, int32 mode, String& phrase, String& replacement);
    void InitOpenFiles(TextView* view, bool fromCommandLine, Array<String>& files);
    // Only code, document (the view's current text) and view.
    void InitPlain(int32 code, TextView* view);
    void CopyFrom(const ActionRecord& other) { *this = other; }
};

class ActionBroker {
public:
    // The owner's side of the broadcasts. No virtual destructor: the owner
    // keeps it.
    class BroadcastHandler {
    public:
        virtual void OnBroadcast(BroadcastRecord& record) = 0;
        // The form the handler reports to.
        virtual Form* Owner() = 0;

    protected:
        ~BroadcastHandler() = default;
    };

    static ActionBroker* Create();
    ~ActionBroker();
    ActionBroker(const ActionBroker&) = delete;
    ActionBroker& operator=(const ActionBroker&) = delete;

    DocumentList documents;  // the open texts in tab order; owns them
    Array<TextView*> views;  // registered by the main window
    HistoryList recentFiles;  // (path, 0), newest last
    std::unique_ptr<LexerFactory> lexerFactory;
    BroadcastHandler* broadcastHandler = nullptr;
    bool autoindent = false;
    String lastCopied;
    u16 pendingHighSurrogate = 0;
    Error pendingError{-1, -1};  // code -1: none
    // Set while RestoreHibernation runs: its broadcasts make one text after
    // another current, and the owner may bring what shows only the current
    // text (title, menu marks, status bar) up to date once, at the end.
    u8 restoringSession = 0;

    void AddView(TextView* view);
    // The view's registration index, or -1.
    int32 ViewIndex(const TextView* view) const;
    // Sends one broadcast to the handler (none set: nobody listens).
    void Broadcast(int32 kind, TextDocument* document, TextView* view, int64 extra = 0);
    // Keeps error for the idle report; a later one replaces it.
    void StorePendingError(const Error& error);
    // Shows and forgets the kept error, titled as action -89, over form.
    void ReportPendingError(Form* form);
    // TooManyTextsError once 2000 texts are open.
    void CheckTextLimit() const;

    // Actions.
    void NewText(ActionRecord& record);
    void StartupAction(ActionRecord& record);
    void ToggleOverwrite(TextView* view);

    // Text modification: every change goes through ReplaceRange. With
    // keepBookmarkLines the caller keeps bookmark lines across the change
    // (SaveBookmarkLines), and its undo and redo keep them too.
    void ReplaceRange(TextView* view, TextDocument* document, int64 from, int64 to, const String& text,
                      int32 affinity, bool keepBookmarkLines = false);
    void InsertText(TextView* view, TextDocument* document, const String& text);
    void ReplaceSelection(TextView* view, TextDocument* document, const String& text);
    void NewLine(TextView* view, TextDocument* document);
    void DeleteChar(TextView* view, TextDocument* document);
    void Backspace(TextView* view, TextDocument* document);
    // direction +1 indents, -1 deindents.
    void IndentLines(TextView* view, TextDocument* document, int32 direction);
    // value -2 for CR LF, 10 for LF; undoable, applied when the text is saved.
    void SetLineEnds(TextView* view, TextDocument* document, int32 value);
    void SetAllLineEnds(TextView* view, int32 value);

    // Opening and loading.
    void OpenOrActivate(ActionRecord& record);
    void OpenDialog(ActionRecord& record);
    void OpenOrReloadFile(TextView* view, const String& path, int32 encoding, bool quiet, bool leaveOpenAlone);
    void LoadFileAsNewText(TextView* view, const String& path, int32 encoding, bool quiet);
    void ReloadText(TextView* view, TextDocument* document, int32 encoding);
    void PasteFile(ActionRecord& record);

    // The list of texts.
    void ActivateText(TextView* view, TextDocument* document);
    void NextText(TextView* view);
    void PreviousText(TextView* view);
    void MoveTextBy(TextView* view, TextDocument* document, int32 step);
    void MoveTextTo(TextView* view, TextDocument* document, int64 index);
    void CheckChangedOnDisk(TextView* view);
    bool checkingDisk = false;  // CheckChangedOnDisk runs

    // Saving to a text's own file.
    void Save(TextView* view, TextDocument* document);
    void SaveTextTo(TextView* view, TextDocument* document, const String& name, bool markSaved, bool adoptName);

    // The steps of the start-up action; each one's failure is swallowed.
    void RecoverAutosaves(TextView* view);
    void RestoreHibernation(ActionRecord& record);
    void OpenFileList(ActionRecord& record, Array<String>& files, bool fromCommandLine);
    // One autosave file made an open text again; a failure after the text
    // was made removes it without a question and leaves the file on disk.
    void RecoverAutosaveFile(TextView* view, const String& fullPath);
    // "line:column" (column 0 when absent) of the view's current text.
    void RestoreCaretFromSession(TextView* view, const String& text);
    // Takes a text out of the list and its views without any question.
    void RemoveText(TextView* view, TextDocument* document);

    // Caret, selection and scrolling; scrolling and clearing broadcast nothing.
    void MoveCaret(TextView* view, int32 code);
    void ScrollView(TextView* view, int32 code);
    void ClearSelection(TextView* view);

    // Saving under a chosen name, the unsaved-changes questions.
    // [from, to) of the text to a file with the backup steps and the progress
    // dialog, which shows shownName.
    void WriteTextRange(TextView* view, TextDocument* document, const String& name, int64 from, int64 to,
                        const String& shownName, bool markSaved, bool adoptName);
    void SaveTextAs(TextView* view, TextDocument* document);
    // The save dialog; empty when cancelled.
    String AskSaveFileName(TextView* view, TextDocument* document, const wchar_t* title, bool folderOnly);
    // The name checks in their order; each refusal is Abort. excepted is the
    // text whose own name may be used (none: no text).
    void RefuseBackupName(TextView* view, const String& name);
    void RefuseNameOfOtherText(TextView* view, TextDocument* excepted, const String& name);
    void ConfirmOverwrite(TextView* view, TextDocument* excepted, const String& name);
    String AskCheckedName(TextView* view, TextDocument* document, TextDocument* excepted, bool folderOnly);
    // The question about a modified text: Save, Abandon (autosave files go,
    // the text stays modified); every other answer is Abort, after previous
    // is shown again.
    void AskSaveStep(TextView* view, TextDocument* document, TextDocument* previous);
    void AskSaveEach(TextView* view, TextDocument* previous);
    // These never throw: the outcome says 2 (cancelled) or 3 (failed, shown).
    void AskSave(ActionRecord& record);
    void SaveIfModified(ActionRecord& record);
    void AskSaveAll(ActionRecord& record);
    void SaveAll(ActionRecord& record);
    void SaveCopy(ActionRecord& record);
    void SaveSelection(ActionRecord& record);

    // Closing.
    void CloseText(ActionRecord& record);
    void CloseAll(ActionRecord& record);
    void SwitchViewsAwayFrom(TextDocument* document);
    // The neighbour whose location shares the longer start; next on a tie.
    TextDocument* ChooseSuccessorText(TextDocument* document);

    // Undo, redo and the clipboard: each its own error boundary; outcome 1
    // when there is nothing to do.
    void UndoOrRedo(ActionRecord& record, bool redo);
    void Undo(ActionRecord& record);
    void Redo(ActionRecord& record);
    void Copy(ActionRecord& record);
    // The selection to the clipboard and lastCopied; false (after the
    // alert, outcome 1) when nothing is selected.
    bool CopySelection(ActionRecord& record, const wchar_t* nothingSelected, const wchar_t* title);
    void Cut(ActionRecord& record);
    void Paste(ActionRecord& record);

    // Find and replace (codes 72-81); each answers whether something was
    // found (or replaced).
    bool Find(ActionRecord& record);
    bool Replace(ActionRecord& record);
    // Replaces the selection when it is a match, then selects the next one.
    bool ReplaceOnce(TextView* view, const String& phrase, int32 mode, const String& replacement, TextNotify* notify);
    // Every further match from the selection's start on, as one undo group;
    // the views hear of it at the end (and with FindRefreshView now and then).
    // A cancel or failure keeps what was replaced, the caret after the last.
    bool ReplaceRemaining(TextView* view, const String& phrase, int32 mode, const String& replacement,
                          TextNotify* notify);
    // Caret to position, the text as changed, and the broadcasts 7, 8, 5.
    void ReplaceFinish(TextView* view, TextDocument* document, int64 position);
    // nextSelected: the step left the following match selected.
    bool ReplaceOnceStep(TextView* view, SearchPattern& pattern, const ReplacementPlan& plan, TextNotify* notify,
                         bool& nextSelected);

    // Go to line.
    void GoToPosition(TextView* view, TextDocument* document, int64 line, int64 column);
    void GoToLine(TextView* view, TextDocument* document, bool focusColumn);
    // The go-to dialog, lent by the main window: line and column are 1-based
    // in and out; answers the dialog's result (1 = go).
    int32 (*lineColumnDialog)(Form* owner, int64& line, int64& column, bool focusColumn) = nullptr;

    // The text-list dialogs, lent by the main window like the go-to dialog.
    void SelectLoadedText(TextView* view);
    void RecentTexts(ActionRecord& record);
    int32 (*selectTextDialog)(Form* owner, const DocumentList& list, TextDocument* active,
                              TextDocument*& chosen) = nullptr;
    int32 (*recentTextsDialog)(Form* owner, const Array<String>& paths, const DocumentList& list,
                               Array<String>& chosen) = nullptr;

private:
    ActionBroker();
};

enum : int32 { kMaxOpenTexts = 2000, kRecentFilesLimit = 100 };

// Runs the record inside the error boundary and writes its outcome: Abort
// ends it silently, any other failure (an exhausted heap, any other C++
// exception) with one alert titled by the action.
void ExecuteAction(ActionBroker& broker, ActionRecord& record);
// The same on a copy: the caller's record is left as it was.
void ExecuteActionCopy(ActionBroker& broker, const ActionRecord& record);
void PostAction(ActionBroker& broker, int32 code, TextView* view);
// The switch from code to handler; throws what the handler throws.
void DispatchAction(ActionBroker& broker, ActionRecord& record);

// The caught exception as an Error: std::bad_alloc becomes MemoryError, any
// other non-Error InternalError. Call only inside a catch block.
Error CurrentError();

// The outcome of the exception being caught: Abort is 2 and shown nowhere
// (answers true), any other failure 3 with its alert. Only inside a catch block.
bool RecordFailure(ActionRecord& record);

// The title of an action's alerts in the interface language.
const wchar_t* ActionErrorTitle(int32 code);
void ShowActionError(const ActionRecord& record, const Error& error);

// One complete autosave file found at start: its name, its full path and its
// five header lines (path, location, byte count, encoding, syntax).
struct AutosaveHeader {
    String name;
    String fullPath;
    String lines[5];
};
// Reads the header; an unreadable file, or one that ends inside the
// header, throws.
AutosaveHeader ReadAutosaveHeader(const String& fullPath, const String& name);

// True while the process that the autosave name belongs to runs: its id
// names a running process created no later than the autosave began. Such
// files belong to another editor on the same data folder.
bool AutosaveOwnerRunning(const String& name);

// The directory listing of recovery. Tests list in other orders than Wine,
// which lists sorted. A null table (or slot) means ListDirectory.
struct RecoveryCalls {
    Array<String> (*listDirectory)(const wchar_t* folder, const wchar_t* pattern);
};
void SetRecoveryCalls(const RecoveryCalls* calls);

// A decimal number as the session and autosave files hold it: leading
// blanks and a sign, then digits up to the first other character. False when
// there is no digit or the value does not fit in 64 bits.
bool ParseDecimal(const wchar_t* text, int64 length, int64& value);

// The files of a start-up command line: every argument but the "::" switches
// and a first "--opt:updated" or "--opt:updatefailed", made full and normal.
Array<String> CommandLineFiles(const Array<String>& arguments);

// How far a bracket's partner is looked for, in bytes either way.
constexpr int64 kBracketWindow = 10000;
// Marks the bracket at the caret and its partner in the view; false when the
// caret is on no bracket or the partner lies outside the window.
bool ShowMatchingBracket(TextView* view, TextDocument* document);
bool FindMatchingBracket(TextView* view, TextDocument* document, int64 bracketStart, int64 bracketEnd, int32 bracket,
                         int32 partner, int32 direction);
// The text between the caret and the anchor of the view's current text.
String GetSelectedText(TextView* view);
// Common start of two texts in UTF-16 units; a surrogate pair is never split.
int64 CommonPrefixLength(const String& a, const String& b);

// Everything up to and including the last slash, colon or backslash.
String FolderPart(const String& path);

// The UTF-16 text of [a, b) of the view's current text (ends in either
// order); empty when the text cannot be read whole.
String GetTextRange(TextView* view, int64 a, int64 b);
// Each line of text with one tab more (direction > 0) or one tab or four
// spaces fewer; empty lines stay as they are.
String ShiftLines(const String& text, int32 direction);
// The blanks and tabs that start the caret's line, up to the caret.
String LeadingBlanks(TextView* view, TextDocument* document);

// Key maps of the active view. The code of a key going down, or -1.
int32 KeyDownActionCode(int32 key, bool ctrl, bool shift, bool selection);
// The selection holds a line break, or runs from a line start to a line end.
bool SelectionCoversLines(TextView* view);
// Run the mapped action at once; modifiers are read as the key arrives.
void RunKeyDown(ActionBroker& broker, int32 key, TextView* view);
void RunChar(ActionBroker& broker, wchar_t unit, TextView* view);

// Shows a short note in the pop-up alert of the form that holds the view, at
// the centre of the view. Never throws.
void ShowPopupInView(TextView* view, const wchar_t* text);

// The form that holds a view (owner of its alerts), or null.
Form* ViewForm(TextView* view);
// The progress dialog a view's owner lent it, or null.
ProgressDialog* ViewProgressDialog(TextView* view);

// Alerts of the actions. Tests answer and record them through this table;
// a null table (or slot) means the program's own alert boxes.
struct ActionAlertCalls {
    int32 (*ask)(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                 int32 kind);
    void (*showError)(Form* owner, const wchar_t* title, const Error& error);
};
void SetActionAlertCalls(const ActionAlertCalls* calls);

// A question or message over a form or over the form that holds a view;
// the 0-based button chosen.
int32 AskOnForm(Form* form, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                int32 kind);
int32 AskOnView(TextView* view, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                int32 kind);
// The error alert over a form, or over the form that holds a view. Never throws.
void ShowAlertOnForm(Form* form, const wchar_t* title, const Error& error);
void ShowAlertOnView(TextView* view, const wchar_t* title, const Error& error);
