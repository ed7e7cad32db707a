#pragma once

// The editor's one top-level window: menus and accelerators, the toolbar,
// the tab strip, two text views, the find bar and the status bar. It hands
// every user action to the broker and keeps its panes in step with the
// broker's broadcasts.

#include "actions/ActionBroker.h"
#include "actions/FindActions.h"
#include "actions/EditForm.h"
#include "actions/HistoryList.h"
#include "base/Types.h"
#include "editor/HelpLink.h"
#include "gui/Form.h"
#include "gui/Gdi.h"
#include "view/TextTabs.h"
#include "view/TextView.h"

#include <memory>

class DictRegistry;
class EditLine;
class ElasticGroup;
class FileDropTarget;
class Label;
class LexerFactory;
class PopupList;
class ProgressDialog;
class SettingsStore;
class Statusbar;
class SyntaxLexer;
class TextNotify;
class TextSplitter;
class TokenText;
class Toolbar;

// Control ids of the main window.
enum MainFormIds : uint32_t {
    kToolbarId = 12100,
    kView1Id = 12300,
    kView2Id = 12301,
    kFindFieldId = 12411,
    kFindToggleCaseId = 12412,
    kReplaceFieldId = 12413,
    kFindHistoryId = 12414,
    kReplaceHistoryId = 12415,
    kFindToggleRegexId = 12416,
    kDropCommand = 9900,
    kSettingsRefreshCommand = 9901,
    kSuggestionFirstCommand = 22300,  // 22300-22309: the view menu's suggestions
};

enum MainFormResources : int {
    kMenuPolish = 10001,
    kMenuEnglish = 10004,
    kIconGroup = 101,
    kToolbarStrip = 12101,
    kToolbarStrip192 = 12102,
    kFindStrip = 12401,
    kFindStrip192 = 12402,
    kReplaceStrip = 12403,
    kReplaceStrip192 = 12404,
};

enum : UINT_PTR { kCheckTimer = 4444, kAutosaveTimer = 4445, kLateStartTimer = 4446 };

// The clock and the beep of incremental find; tests count beeps through them.
struct IncrementalFindCalls {
    DWORD(WINAPI* tickCount)();
    BOOL(WINAPI* messageBeep)(UINT kind);
};
// Null restores the system's own.
void SetIncrementalFindCalls(const IncrementalFindCalls* calls);

// The phrase of incremental find made ready to search, kept while phrase
// and flags stay the same.
struct FindPattern {
    String phrase;
    int32 flags = -1;  // -1: nothing prepared yet
    std::unique_ptr<SearchPattern> prepared;  // null for an expression that does not compile
};

// One accelerator: modifier bits 1 Shift, 2 Ctrl, 4 Alt.
struct AcceleratorEntry {
    uint32_t command;
    uint32_t key;
    uint32_t modifiers;
};

class MainForm : public EditForm {
public:
    class TextViewHandler : public TextView::Handler {
    public:
        void OnKeyDown(MessageRecord& m, TextView* view) override;
        void OnChar(MessageRecord& m, TextView* view) override;
        void OnCaretMovedByMouse(TextView* view) override;
        void OnFocus(TextView* view) override;
        void OnContextMenu(MessageRecord& m, TextView* view) override;
        void OnImeText(int32 flag, String text, TextView* view) override;
        MainForm* form = nullptr;
    };
    // Clicks, the close and save boxes and drags of tabs become actions on
    // the text of the tab.
    class TextTabsHandler : public TextTabs::Handler {
    public:
        void OnTabClicked(TextDocument* text, TextTabs* tabs) override;
        void OnCloseClicked(TextDocument* text, TextTabs* tabs) override;
        void OnSaveClicked(TextDocument* text, TextTabs* tabs) override;
        void OnTabMoved(TextDocument* text, int32 index, TextTabs* tabs) override;
        void OnContextMenu(MessageRecord& m, TextDocument* text, TextTabs* tabs) override;
        MainForm* form = nullptr;
    };
    class EditorBroadcast : public ActionBroker::BroadcastHandler {
    public:
        void OnBroadcast(BroadcastRecord& record) override;
        Form* Owner() override;
        MainForm* form = nullptr;
    };

    // Builds, initialises and shows the window; a failure deletes the half-built form.
    static MainForm* Create(ActionBroker* broker);
    MainForm();
    ~MainForm() override;

    void Init(ActionBroker* broker);
    void ApplySettings(const SettingsStore& settings, bool relayout);
    void SaveSettings();
    void Layout();
    void RestoreFindState();
    // The captions and hints of the toolbar and the find bar in the interface language.
    void SetBarTexts();
    void SetFieldHints();
    // Builds the find bar's controls on first use, with the state, texts and
    // fonts they would have had from the start; nothing when they exist.
    void EnsureFindBar();
    bool FindBarBuilt() const { return findField != nullptr; }
    // The fields' texts, also before the bar is built.
    String FindFieldText();
    String ReplaceFieldText();
    // A toggle's checked state, also before the bar is built.
    bool FindToggleOn(uint32_t button);
    void SetFindToggle(uint32_t button, bool on);
    // A history entry's mode number (1 regular expression, 2 case-sensitive)
    // sets both toggles.
    void ApplyFindModeNumber(int32 number);
    // The bar's toggles as a history mode number and as action mode flags.
    int32 FindModeNumber();
    int32 FindModeFlags();

    // ---- find bar ----
    void OnFindFieldCommand(uint32_t notification);
    void OnReplaceFieldCommand(uint32_t notification);
    void RunFindCommand(uint32_t command);
    void RunReplaceCommand(uint32_t command);
    void RememberFindPhrase(const String& phrase);
    void StepFieldHistory(EditLine* field, HistoryList& history, int32 step);
    void ShowFieldHistory(HistoryList& history, EditLine* field, Toolbar* bar, uint32_t dropId);
    void OnFindHistoryButton();
    void OnReplaceHistoryButton();
    void CheckFindPattern();
    // WM_CTLCOLOREDIT after the default processing: the fields' tint in
    // regular-expression mode.
    void TintFindField(MessageRecord& m);

    // ---- incremental find ----
    void StartIncrementalFind();
    void IncrementalFindPrevious();
    void IncrementalFindNext();
    // One idle slice; true while more idle work is wanted.
    bool ContinueIncrementalFind();
    // The match start or -1; end gets the match end. direction >= 1 searches
    // [from, limit) forward, else (limit, from) backward.
    int64 FindInRange(const String& phrase, int64 from, int64& end, int32 direction, int32 flags, int64 limit);
    void CollectVisibleMatches(int64 around);
    int64 MatchCount() const { return incrementalMatches.Count() / 2; }
    int64 MatchStart(int64 i) const;
    int64 MatchEnd(int64 i) const;
    // The first match whose start is greater than position.
    int64 MatchInsertIndex(int64 position) const;
    void AddMatch(int64 start, int64 end);
    void ActivateView(TextView* view);
    void OnBroadcast(const BroadcastRecord& record);
    void UpdateStatusbar(const BroadcastRecord& record);
    // A text coming into a view: the spell-check run ends when it leaves
    // its text, and the active view's text selects its dictionaries.
    void FollowCurrentText(const BroadcastRecord& record);
    // Marks the bracket at the caret of the record's view and its partner.
    void MarkMatchingBracket(const BroadcastRecord& record);
    void UpdateTitle();
    void UpdateMenuState();
    // What a broadcast asks of the whole window, beyond views and tabs.
    enum : u8 { kRefreshIncremental = 1, kRefreshTitle = 2, kRefreshMenu = 4, kRefreshStatus = 8 };
    // Runs them, or notes them while the broker restores a session.
    void RefreshWindow(u8 what);
    // Runs what the broadcasts of a restore noted; nothing when none.
    void RefreshDeferred();
    void RunRefresh(u8 what);
    // Stops incremental find: highlights, matches and idle search go.
    void ResetIncrementalFind();
    // Runs an action for the active view and its current text.
    void RunAction(int32 code);
    // Runs an action of a tab for its text in the active view.
    void RunTabAction(int32 code, TextDocument* text, int64 number);
    // False, after the "No texts" alert, when no text is open.
    bool RequireTexts();
    // Shows the find bar and puts the focus in its find field, all selected.
    void ShowFindBar();
    void HideFindBar();
    // Shows a collapsed bar or collapses a shown one.
    void ToggleBar(Control* bar);
    void LineEndsCommand(uint32_t command);
    void AllLineEndsCommand(uint32_t command);

    void OnCommand(MessageRecord& m) override;
    // Help on a topic (0 the contents); a failure is shown as an alert.
    void ShowHelp(int32 topic);
    // The help topic of the control at a screen point; 0 for none.
    int32 HelpTopicAt(POINT screenPoint);
    // Help key (WM_HELP) and the help viewer's messages; false for others.
    bool HandleHelpMessage(MessageRecord& m);

    // The Exit command and the close box: the save questions, then the
    // session kept or dropped by the "Hibernate" setting. Cancel keeps the
    // program running.
    void Exit();
    // The same, always keeping the session.
    void HibernateAndExit();
    // The open texts with a path, their caret and bookmarks, and the active
    // text into the data folder's "hibernation.dat".
    void WriteHibernationFile();
    // The save questions of every modified text; false after a Cancel or a
    // failure, and while such questions are already open.
    bool AskSaveAll();
    // Help > Check update; nothing in a portable copy.
    void CheckForUpdate();

    // Spelling (MainFormSpell.cpp): the commands 11048, 11049, 11095, the
    // spell-check window's 13003-13008 and the suggestions 22300-22309;
    // false for any other command.
    bool SpellCommand(uint32_t command);
    void ToggleUnderline();
    void StartSpellCheck();
    void SelectDictionary();
    // The same as its own error boundary.
    void SelectDictionaryGuarded();
    // Asks for a dictionary when none is selected; false when still none.
    bool EnsurePrimary();
    // Makes the active text's pair the selection, or gives the text the
    // current selection when it has none.
    void UseTextDictionaries();
    // Selects and shows the next unknown word, or ends the run.
    void SpellCheckStep(bool continueAfter);
    // Empty when no unknown word is left.
    String FindNextUnknownWord(TextNotify& notify, bool continueAfter);
    bool TryNextWord(SyntaxLexer& lexer, TokenText& tokenText, String& word, bool& atEnd);
    void SpellIgnore(bool addToDictionary);
    // The suggestion selected in the spell-check window; false (after the
    // alert when nothing is selected) without one.
    bool ChosenSuggestion(String& suggestion);
    void SpellReplace();
    // Every further occurrence of the word from the selection on.
    void SpellReplaceAll();
    void ReplaceWithSuggestion(int32 index);

    // ---- views, zoom, wrap, configuration, language, characters, context menus ----
    // The commands of this group; false for any other command.
    bool RunViewCommand(uint32_t command, uint32_t notification);
    TextView* OtherView() const { return activeView == view1 ? view2 : view1; }
    bool SecondViewShown() { return !view2->IsCollapsed(); }
    void Split(uint32_t flag);
    void SplitWith(uint32_t flag);
    void SwitchView();
    // Focuses a view, which makes it the active one.
    void FocusView(TextView* view);
    void CloseView(TextView* view);
    void DuplicateToOther();
    void DuplicateFromOther();
    void CopyViewInto(TextView* source, TextView* other);
    void ToggleWrap();
    void SetZoom(int32 step);
    void Configure();
    void EnterCharacters();
    void SetUiLanguage(int32 id);
    void ShowViewContextMenu(TextView* view);
    void OnImeText(int32 flag, const String& text, TextView* view);
    void ShowTabContextMenu(POINT point, TextDocument* text, TextTabs* tabs);

    void DefaultProc(MessageRecord& m) override;
    // Dropped files, system setting and DPI changes; false for others.
    bool HandleSystemMessage(MessageRecord& m);
    void OnClose(MessageRecord& m) override;
    void OnActivate(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    bool OnIdle() override;
    // Registers the drop target for the window, once.
    void RegisterDrop();
    // What the start leaves until the loop first waits: tooltip and drop target.
    void FinishStart();
    // One step of the autosave pass, or the session file at its end; true
    // while more idle work is wanted.
    bool IdleWork();
    // Offers to reload the texts whose files changed on disk.
    void CheckChangedFiles();
    bool HandleError(const Error& error) override;
    // Also hold and release the open spell-check window.
    void DisableForModal(Form* modalForm) override;
    void EnableAfterModal(Form* modalForm) override;

    // ---- members, in the order of construction ----
    ActionBroker* broker = nullptr;  // not owned
    HACCEL acceleratorTable = nullptr;  // owned
    u8 settingsRefreshPosted = 0;
    TextView* activeView = nullptr;  // always one of the two views
    TextTabs* tabs = nullptr;
    TextView* view1 = nullptr;
    TextSplitter* splitter = nullptr;
    TextView* view2 = nullptr;
    ElasticGroup* contentGroup = nullptr;
    Toolbar* toolbar = nullptr;
    ElasticGroup* findBar = nullptr;
    Label* findLabel = nullptr;
    EditLine* findField = nullptr;
    Toolbar* findToolbar = nullptr;
    Toolbar* replaceToolbar = nullptr;
    Label* replaceLabel = nullptr;
    EditLine* replaceField = nullptr;
    // What the find bar holds until its controls are built: most runs never
    // show it, so it is built on first use (EnsureFindBar).
    struct FindBarState {
        String findText;
        String replaceText;
        u8 ignoreCase = 1;  // finding ignores case from the start
        u8 regex = 0;
        u8 switchedHints = 0;  // the fields carry the language switch's hints
        u8 switchedButtons = 0;  // two buttons carry the language switch's hints
        u8 building = 0;  // the controls are being made: their notifications wait
    } findBarState;
    Statusbar* statusbar = nullptr;
    GdiObj viewFont;
    GdiObj fieldBrush1;
    GdiObj fieldBrush2;
    FileDropTarget* dropTarget = nullptr;  // one reference held
    u8 dropRegistered = 0;  // dropTarget is registered for the window
    // The first idle moment armed the timer that makes the tooltip and
    // registers the drop target.
    u8 lateStartArmed = 0;
    // The content was laid out at this client size just before the first
    // show, which repeats WM_SIZE at the same size.
    u8 laidOutBeforeShow = 0;
    RECT layoutBeforeShow = {0, 0, 0, 0};
    std::unique_ptr<DictRegistry> dictionaries;
    ProgressDialog* progressDialog = nullptr;  // owned
    u8 checkPending = 0;
    u8 autosaveDue = 0;
    u8 autosaveEnabled = 0;
    int32 autosavePass = -1;
    // Texts whose autosave could not go on in this pass (a rename refused):
    // left for the next pass instead of being stepped again at once.
    PodArray<TextDocument*> autosaveStalled;
    u8 sessionChanged = 0;
    // kRefresh* bits noted while a session was being restored: they depend
    // on nothing but the state where the restore ends, so one run of each
    // there shows what a run per text would have left.
    u8 refreshDeferred = 0;
    HistoryList findHistory;
    HistoryList replaceHistory;
    PopupList* historyPopup = nullptr;  // owned; the open history drop-down
    // Incremental find.
    u8 incrementalActive = 0;
    int64 incrementalStart = 0;  // the caret when the search began
    int64 incrementalPos = 0;  // where the next idle slice begins
    String incrementalPhrase;
    int32 incrementalFlags = 0;  // 1 without case, 64 regular expression
    // 0 no idle search; 1 forward after a restart; -1 backward after the
    // forward one reached the end; 2 forward for Down; -2 backward for Up.
    int32 incrementalState = 0;
    u8 incrementalBeep = 0;  // a fruitless end of this idle search beeps
    u32 lastBeepTime = 0;
    // (start, end) pairs sorted by start, at most 10001; shared with the view.
    Array<int64> incrementalMatches;
    FindPattern incrementalPattern;
    u8 incrementalFindOff = 1;
    u8 incrementalFindSetting = 1;  // what "IncrementalFind" said at the last apply
    int32 findPatternInvalid = 0;
    int32 replacePatternInvalid = 0;
    u8 showMatchingBracket = 1;  // caret moves and edits mark the matching bracket
    u8 exitRunning = 0;  // the exit's questions are open
    u8 quitAsked = 0;  // the exit ran: the loop ends
    // The misspelt word under the last view context menu and its suggestions.
    int64 keptWordStart = 0;
    int64 keptWordEnd = 0;
    Array<String> keptSuggestions;
    TextViewHandler viewHandler;
    TextTabsHandler tabsHandler;
    EditorBroadcast broadcastHandler;

private:
    // A spelling command's own error boundary: Abort is silent.
    template <class Body>
    void SpellGuarded(const wchar_t* title, Body body);
    void BuildContent(const SettingsStore& settings);
    void BuildToolbar();
    void BuildFindBar();
    // The find bar's texts that a language switch words otherwise than the build.
    void SetSwitchedFieldHints();
    void SetSwitchedButtonTexts();
    void ShowUpdateResult();
    // ask: the save questions first (not after a hand-over that followed them).
    void FinishRun(bool hibernate, bool ask = true);
    void SelectMatch(TextDocument* document, int64 start, int64 end);
    bool EndIncrementalSearch();
    bool GoToIncrementalHit(TextDocument* document, int64 hit);
    // Keys of a field while a history list is open steer the list; false when none is open.
    bool SteerHistoryPopup(uint32_t notification);
};

// "Hibernate" absent, empty, or beginning with "1", "t" or "y".
bool HibernateOn(const SettingsStore& settings);
// Deletes "hibernation.dat"; a missing file is no error.
void DeleteHibernationFile();
// Tells a running viewer to close, or forgets a viewer that is gone.
void CloseViewerWindow();

// Fills a view's context menu: up to ten suggestions (ids 22300 on) or a
// greyed "no suggestions", then Copy or Select all, then Cancel.
void BuildViewContextMenu(HMENU menu, TextView* view, const Array<String>& suggestions);

// The action of a File menu command; ActionNone for the other commands.
int32 CommandToAction(uint32_t command);

// The accelerators of the main window in table order.
const AcceleratorEntry* AcceleratorList(int64* count);
// A native table of the entries; MemoryError or WinError when it cannot be made.
HACCEL MakeAcceleratorTable(const AcceleratorEntry* entries, int64 count);

// The language the window starts in: the system's primary language narrowed
// to 21 (Polish) or 9, then a non-empty "UILanguage" ("polski" in any case
// is Polish, anything else English).
int32 StartLanguage(int32 systemLanguage, const SettingsStore& settings);

// The placement the settings ask for: "WindowRect" as left, top, width,
// height (10, 10, 800, 600 without it), the maximised position from
// "WindowMaximizedAnchor" and the show command from "WindowIsMaximized".
WINDOWPLACEMENT PlacementFromSettings(const SettingsStore& settings);

// The caption and hint of a toolbar button in the interface language.
struct ButtonText {
    uint32_t command;
    const wchar_t* polish;
    const wchar_t* english;
};
