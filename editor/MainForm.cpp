// Construction, initialisation, settings and layout of the main window.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/CharUtils.h"
#include "base/UiLanguage.h"
#include "editor/LineColumnDialog.h"
#include "editor/RecentTextsDialog.h"
#include "editor/SelectTextDialog.h"
#include "editor/Statusbar.h"
#include "gui/AlertDialog.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/FileDropTarget.h"
#include "gui/Label.h"
#include "gui/PopupAlert.h"
#include "gui/PopupList.h"
#include "gui/ProgressDialog.h"
#include "gui/Toolbar.h"
#include "gui/Tooltip.h"
#include "spell/DictRegistry.h"
#include "spell/SpellCheckDialog.h"
#include "view/TextSplitter.h"
#include "view/syntax/LexerFactory.h"

#include <new>

namespace {

const wchar_t* Pick(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

// Main toolbar: command, image x, hide priority, Polish, English; command 0
// is a separator. 11028 and 11048 are toggles with their "on" image beside.
struct ToolbarSpec {
    uint32_t command;
    int imageX;
    int priority;
    const wchar_t* polish;
    const wchar_t* english;
};

const ToolbarSpec kMainButtons[] = {
    {11001, 0, 23, L"Nowy", L"New"},
    {11002, 28, 21, L"Otwórz...", L"Open..."},
    {11003, 56, 20, L"Zapisz", L"Save"},
    {11005, 84, 22, L"Zapisz wszystkie teksty", L"Save all"},
    {11006, 504, 20, L"Zamknij", L"Close"},
    {11042, 420, 24, L"Wybierz wczytany tekst...", L"Select text..."},
    {0, 0, 0, nullptr, nullptr},
    {11010, 112, 25, L"Cofnij", L"Undo"},
    {11011, 140, 26, L"Ponów", L"Redo"},
    {0, 0, 0, nullptr, nullptr},
    {11012, 168, 30, L"Wytnij", L"Cut"},
    {11013, 196, 10, L"Kopiuj", L"Copy"},
    {11014, 224, 11, L"Wstaw", L"Paste"},
    {0, 0, 0, nullptr, nullptr},
    {11028, 252, 31, L"Pasek szukania", L"Find bar"},
    {0, 0, 0, nullptr, nullptr},
    {11048, 308, 50, L"Podkreślanie nieznanych słów", L"Underline unknown words"},
    {11049, 364, 51, L"Panel sprawdzania pisowni", L"Check spelling"},
    {0, 0, 0, nullptr, nullptr},
    {11067, 532, 52, L"Jeden widok", L"Single view"},
    {11064, 560, 52, L"Podziel widok w pionie", L"Split view vertically"},
    {11065, 588, 53, L"Podziel widok w poziomie", L"Split view horizontally"},
    {11062, 616, 55, L"Większa czcionka", L"Bigger font"},
    {11063, 644, 56, L"Mniejsza czcionka", L"Smaller font"},
    {11061, 672, 54, L"Domyślny rozmiar czcionki", L"Default font size"},
    {0, 0, 0, nullptr, nullptr},
    {11041, 448, 40, L"Konfiguracja programu...", L"Configuration..."},
    {0, 0, 0, nullptr, nullptr},
    {11043, 476, 0, L"Pomoc", L"Help"},
};

// Find and replace bars: command, image x, width, height, priority, texts;
// command 0 is a separator.
struct BarSpec {
    uint32_t command;
    int imageX;
    int width;
    int priority;
    const wchar_t* polish;
    const wchar_t* english;
};

const BarSpec kFindButtons[] = {
    {kFindHistoryId, 96, 19, 2, L"Poprzednio wyszukiwane frazy", L"Previous search phrases"},
    {0, 0, 0, 0, nullptr, nullptr},
    {kFindToggleCaseId, 120, 24, 2,
     L"Włącza lub wyłącza rozróżnianie małych i wielkich liter przy wyszukiwaniu",
     L"Turns on/off case-insensitive search"},
    {kFindToggleRegexId, 168, 24, 2, L"Włącza obsługę wyrażeń regularnych",
     L"Activates regular expression mode"},
    {0, 0, 0, 0, nullptr, nullptr},
    {11018, 0, 24, 2, L"Znajdź pierwszy", L"Find first"},
    {11019, 24, 24, 1, L"Znajdź poprzedni", L"Find previous"},
    {11020, 48, 24, 0, L"Znajdź następny", L"Find next"},
    {11021, 72, 24, 3, L"Znajdź ostatni", L"Find last"},
};

const BarSpec kReplaceButtons[] = {
    {kReplaceHistoryId, 96, 19, 2, L"Poprzednio używane frazy do zastępowania",
     L"Previous replacement phrases"},
    {0, 0, 0, 0, nullptr, nullptr},
    {11023, 0, 24, 0, L"Zastąp jedno wystąpienie", L"Replace once"},
    {11024, 24, 24, 0, L"Zastąp wszystkie wystąpienia w pozostałym tekście",
     L"Replace all in the following text"},
    {0, 0, 0, 0, nullptr, nullptr},
    {11028, 48, 14, 0, L"Ukrywa pasek szukania", L"Close find bar"},
};

void AddBarButtons(Toolbar* bar, const BarSpec* specs, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const BarSpec& s = specs[i];
        if (s.command == 0) {
            bar->AddSeparator(false);
            continue;
        }
        bar->AddButton(s.command, Pick(s.polish, s.english), s.imageX, s.width, 19, s.priority);
        if (s.command == kFindToggleCaseId || s.command == kFindToggleRegexId)
            bar->items.At(bar->items.Count() - 1).kind = ToolbarToggle;
    }
}

const wchar_t* FindLabelText()
{
    return Pick(L"  Szukany tekst ", L"  Find ");
}

const wchar_t* ReplaceLabelText()
{
    return Pick(L"    Zastąp tekstem ", L"    Replace with ");
}

// A bar toggled by the settings: collapsed only for a non-empty value that
// does not begin with "1", "t" or "y".
bool BarWanted(const SettingsStore& settings, const wchar_t* key)
{
    return settings.GetBool(key, true);
}

// One colour channel of the find-field backgrounds.
int Shade(int channel, int add)
{
    return channel * 85 / 100 + add;
}

} // namespace

int32 StartLanguage(int32 systemLanguage, const SettingsStore& settings)
{
    int32 language = (systemLanguage & 0x3FF) == 21 ? 21 : 9;
    String value = settings.Get(L"UILanguage");
    if (!value.IsEmpty())
        language = EqualsNoCase(value.Data(), value.Length(), L"polski", 6) ? 21 : 9;
    return language;
}

WINDOWPLACEMENT PlacementFromSettings(const SettingsStore& settings)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    // Stored as left, top, width, height.
    RECT stored = {10, 10, 800, 600};
    settings.GetRect(L"WindowRect", &stored);
    placement.rcNormalPosition = {stored.left, stored.top, stored.left + stored.right,
                                  stored.top + stored.bottom};
    RECT anchor = {stored.left, stored.top, 0, 0};
    settings.GetRect(L"WindowMaximizedAnchor", &anchor);
    placement.ptMaxPosition = {anchor.left, anchor.top};
    placement.ptMinPosition = {-1, -1};
    const wchar_t* maximized = settings.GetText(L"WindowIsMaximized");
    bool isMaximized = maximized && (maximized[0] == L'1' || maximized[0] == L't' || maximized[0] == L'y');
    placement.showCmd = isMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    return placement;
}

MainForm::MainForm()
{
    findHistory.Clear();
    findHistory.limit = 10;
    replaceHistory.Clear();
    replaceHistory.limit = 10;
    viewHandler.form = this;
    tabsHandler.form = this;
    broadcastHandler.form = this;
}

MainForm* MainForm::Create(ActionBroker* broker)
{
    MainForm* form = new (std::nothrow) MainForm();
    if (form == nullptr)
        throw MemoryError();
    try {
        form->Init(broker);
    } catch (...) {
        delete form;
        throw;
    }
    return form;
}

MainForm::~MainForm()
{
    KillTimer(kAutosaveTimer);
    KillTimer(kCheckTimer);
    if (dropTarget) {
        if (hwnd && dropRegistered)
            RevokeDragDrop(hwnd);
        dropTarget->Release();
        dropTarget = nullptr;
    }
    if (broker && broker->broadcastHandler == &broadcastHandler)
        broker->broadcastHandler = nullptr;
    RemoveIdleHandler(this);
    // The spell-check window is owned by this window and sends it commands.
    if (SpellCheckDialog* window = SpellCheckDialog::Instance())
        if (window->commandOwner == this)
            SpellCheckDialog::CloseInstance();
    // The views hold pointers to the registry: they go with the content first.
    if (Control* c = content) {
        content = nullptr;
        delete c;
    }
    if (broker) {
        for (int64 i = broker->views.Count() - 1; i >= 0; i--)
            if (broker->views.At(i) == view1 || broker->views.At(i) == view2)
                broker->views.RemoveAt(i);
    }
    dictionaries.reset();
    delete historyPopup;
    historyPopup = nullptr;
    delete progressDialog;
    progressDialog = nullptr;
    findHistory.ReleaseArray();
    replaceHistory.ReleaseArray();
    accelerators = nullptr;
    if (acceleratorTable)
        DestroyAcceleratorTable(acceleratorTable);
    acceleratorTable = nullptr;
}

void MainForm::Init(ActionBroker* brokerIn)
{
    AppContext& context = AppContext::Current();
    settingsRefreshPosted = 0;
    broker = brokerIn;
    autosaveDue = 0;
    sessionChanged = 0;
    incrementalFindOff = 1;  // nothing may search while the window is built
    showMatchingBracket = 1;
    broker->broadcastHandler = &broadcastHandler;
    broker->lineColumnDialog = &LineAndColumnDialog::Run;
    broker->selectTextDialog = SelectTextDialog::Run;
    broker->recentTextsDialog = RecentTextsDialog::Run;
    dropTarget = nullptr;

    SetUiLanguageId((GetUserDefaultUILanguage() & 0x3FF) == 21 ? 21 : 9);
    try {
        LoadKeyValueFile(context.settings, GetDataFilePath(context, kAppSettingsName).CStr());
    } catch (...) {
        // A missing or locked file leaves the store as it is.
    }
    SetUiLanguageId(StartLanguage(UiLanguageId(), context.settings));
    bool polish = IsPolishUi();

    dictionaries.reset(new DictRegistry());

    // Made where the settings place it and with its menu: no move and no
    // frame change before it is shown. The tooltip comes when the window
    // first waits for input: no hint shows sooner than a second after that.
    WINDOWPLACEMENT placement = PlacementFromSettings(context.settings);
    createBounds = placement.rcNormalPosition;
    createAtBounds = 1;
    createMenuId = polish ? kMenuPolish : kMenuEnglish;
    CreateHwnd(L"Main Form", MainWindow | NoTooltip);
    SetTitle(L"Scrivel");
    if (context.portable)
        DeleteMenuItem(11072);
    CheckMenuItem(polish ? 11090 : 11091, true);
    // The icons come with the settings below.

    int64 count = 0;
    const AcceleratorEntry* entries = AcceleratorList(&count);
    HACCEL table = MakeAcceleratorTable(entries, count);
    if (acceleratorTable)
        DestroyAcceleratorTable(acceleratorTable);
    acceleratorTable = table;
    SetAccelerators(table);

    // Its window comes with the first long operation.
    progressDialog = NewProgressDialog(this, Pick(L"Postęp operacji - Scrivel", L"Progress - Scrivel"));
    // Made with the first note: most runs show none.
    popupOnDemand = 1;

    // The content reads a shared copy: applying may change the store.
    SettingsStore settings;
    settings.Assign(context.settings);
    // Made at its place, the window gets its content built and laid out
    // once, at its final size, before it is shown.
    BuildContent(settings);
    ApplySettings(settings, false);
    // Showing at the placement applies the size limits, so the content only
    // needs laying out; the groups use what they measured last.
    SizeLimits limits;
    Measure(limits);
    layoutBeforeShow = ClientRect();
    content->SetBounds(layoutBeforeShow);
    laidOutBeforeShow = 1;
    SetWindowPlacement(hwnd, &placement);
    shown = 1;
    laidOutBeforeShow = 0;

    RestoreFindState();

    RunAction(ActionStartup);
    sessionChanged = 0;  // what the start-up opened is no change
    if (broker->documents.Count() == 0)
        RunAction(ActionNewText);
    activeView->SetFocus();

    SetTimer(kAutosaveTimer, 30000);
    AddIdleHandler(this);
    incrementalFindOff = incrementalFindSetting ? 0 : 1;

    dropTarget = new (std::nothrow) FileDropTarget(this, kDropCommand);
    if (dropTarget == nullptr)
        throw MemoryError();
    dropTarget->AddRef();
    // Registered when the window first waits for input (OLE's marshalling is
    // a noticeable part of the start); no drag can reach it sooner.

    ShowUpdateResult();
}

void MainForm::RegisterDrop()
{
    if (dropRegistered || dropTarget == nullptr || hwnd == nullptr)
        return;
    dropRegistered = 1;
    // Without drag and drop (no OLE on this thread) the editor still works.
    RegisterDragDrop(hwnd, dropTarget);
}

void MainForm::BuildContent(const SettingsStore& settings)
{
    contentGroup = NewElasticGroup(ElasticGroup::Column, this);
    contentGroup->gap = 0;
    contentGroup->horizontalMargin = 0;
    contentGroup->verticalMargin = 0;

    BuildToolbar();

    tabs = TextTabs::Create(contentGroup, &broker->documents);
    tabs->handler = &tabsHandler;
    splitter = TextSplitter::Create(contentGroup);
    LexerFactory* lexers = broker->lexerFactory.get();
    view1 = TextView::Create(splitter, kView1Id, this, progressDialog, settings, dictionaries.get(), lexers);
    if (broker->ViewIndex(view1) < 0)
        broker->AddView(view1);
    view1->handler = &viewHandler;
    activeView = view1;
    view2 = TextView::Create(splitter, kView2Id, this, progressDialog, settings, dictionaries.get(), lexers);
    if (broker->ViewIndex(view2) < 0)
        broker->AddView(view2);
    view2->handler = &viewHandler;
    view2->Collapse();

    BuildFindBar();
    statusbar = NewStatusbar(contentGroup);

    if (!BarWanted(settings, L"Toolbar"))
        toolbar->Collapse();
    if (!BarWanted(settings, L"Statusbar"))
        statusbar->Collapse();

    findHistory.Load(settings.Get(L"FindStrings"), settings.Get(L"FindModesStrings"));
    replaceHistory.Load(settings.Get(L"ReplaceStrings"), String());
    broker->recentFiles.Load(settings.Get(L"RecentFiles"), String());
}

void MainForm::BuildToolbar()
{
    toolbar = NewToolbar(contentGroup, kToolbarId);
    toolbar->LoadImages(kToolbarStrip, kToolbarStrip192);
    for (const ToolbarSpec& s : kMainButtons) {
        if (s.command == 0) {
            toolbar->AddSeparator(false);
            continue;
        }
        toolbar->AddButton(s.command, Pick(s.polish, s.english), s.imageX, 28, 28, s.priority);
        if (s.command == 11028 || s.command == 11048)
            toolbar->items.At(toolbar->items.Count() - 1).kind = ToolbarToggle;
    }
}

void MainForm::BuildFindBar()
{
    // Only the row: its controls come with the bar's first use.
    findBar = NewElasticGroup(ElasticGroup::Row, contentGroup);
    findBar->alignment = ElasticGroup::AlignCentre;
    // The fields keep clear of the view above and the status bar below.
    findBar->verticalMargin = 2;
    CheckMenuItem(11059, findBarState.ignoreCase != 0);
    // The row starts hidden.
    findBar->Collapse();
}

void MainForm::EnsureFindBar()
{
    if (FindBarBuilt())
        return;
    // Only a form whose content is made has the row; made twice at once is a fault.
    if (findBar == nullptr || findBarState.building)
        throw InternalError();
    findBarState.building = 1;
    // Made in the order of the row; published together once all exist.
    Control* made[6] = {};
    // One half of the row: label, field and toolbar from slot on.
    auto makeHalf = [&](int slot, const wchar_t* labelText, uint32_t fieldId, int strip, int strip192,
                        const BarSpec* specs, size_t count) {
        made[slot] = NewLabel(findBar, labelText);
        made[slot + 1] = NewEditLine(findBar, 0, fieldId, L"");
        Toolbar* bar = NewToolbar(findBar, 0);
        made[slot + 2] = bar;
        bar->LoadImages(strip, strip192);
        AddBarButtons(bar, specs, count);
    };
    try {
        makeHalf(0, FindLabelText(), kFindFieldId, kFindStrip, kFindStrip192, kFindButtons,
                 sizeof kFindButtons / sizeof kFindButtons[0]);
        makeHalf(3, ReplaceLabelText(), kReplaceFieldId, kReplaceStrip, kReplaceStrip192, kReplaceButtons,
                 sizeof kReplaceButtons / sizeof kReplaceButtons[0]);
        auto* newFindField = static_cast<EditLine*>(made[1]);
        auto* newFindToolbar = static_cast<Toolbar*>(made[2]);
        auto* newReplaceField = static_cast<EditLine*>(made[4]);

        // The row is still collapsed: its new controls stay hidden with it.
        if (findBar->IsCollapsed())
            for (Control* c : made)
                c->Hide();
        // Among the form's windows the bar keeps its place before the status
        // bar, as if made with the rest of the content.
        if (statusbar && statusbar->hwnd) {
            HWND before = GetWindow(statusbar->hwnd, GW_HWNDPREV);
            HWND insertAfter = before ? before : HWND_TOP;
            for (Control* c : made) {
                if (c->hwnd == nullptr)
                    continue;
                SetWindowPos(c->hwnd, insertAfter, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
                insertAfter = c->hwnd;
            }
        }

        newFindToolbar->SetChecked(kFindToggleCaseId, findBarState.ignoreCase != 0);
        newFindToolbar->SetChecked(kFindToggleRegexId, findBarState.regex != 0);
        if (!viewFont.IsEmpty()) {
            newFindField->SetFont(viewFont);
            newReplaceField->SetFont(viewFont);
        }
        // Setting a text notifies the form, which ignores the bar while it is built.
        if (!findBarState.findText.IsEmpty())
            newFindField->SetText(findBarState.findText.CStr());
        if (!findBarState.replaceText.IsEmpty())
            newReplaceField->SetText(findBarState.replaceText.CStr());

        findLabel = static_cast<Label*>(made[0]);
        findField = newFindField;
        findToolbar = newFindToolbar;
        replaceLabel = static_cast<Label*>(made[3]);
        replaceField = newReplaceField;
        replaceToolbar = static_cast<Toolbar*>(made[5]);
    } catch (...) {
        for (int i = 5; i >= 0; i--)
            delete made[i];
        findBarState.building = 0;
        throw;
    }
    findBarState.building = 0;
    if (findBarState.switchedHints)
        SetSwitchedFieldHints();
    else
        SetFieldHints();
    if (findBarState.switchedButtons)
        SetSwitchedButtonTexts();
    findBarState.findText = String();
    findBarState.replaceText = String();
}

void MainForm::SetBarTexts()
{
    for (const ToolbarSpec& s : kMainButtons)
        if (s.command != 0)
            toolbar->SetButtonText(s.command, Pick(s.polish, s.english));
    // A bar not built yet gets these texts when it is built.
    findBarState.switchedHints = 1;
    findBarState.switchedButtons = 1;
    if (!FindBarBuilt())
        return;
    for (const BarSpec& s : kFindButtons)
        if (s.command != 0)
            findToolbar->SetButtonText(s.command, Pick(s.polish, s.english));
    for (const BarSpec& s : kReplaceButtons)
        if (s.command != 0)
            replaceToolbar->SetButtonText(s.command, Pick(s.polish, s.english));
    findLabel->SetText(FindLabelText());
    replaceLabel->SetText(ReplaceLabelText());
    SetSwitchedFieldHints();
    SetSwitchedButtonTexts();
}

// A switch of language words four hints otherwise than the first build.
void MainForm::SetSwitchedFieldHints()
{
    findField->hint = String(Pick(L"Ciąg znaków do znalezienia.", L"Search phrase."));
    replaceField->hint = String(Pick(L"Ciąg znaków zastępujących znaleziony tekst.",
                                     L"A string of characters replacing the found text."));
}

void MainForm::SetSwitchedButtonTexts()
{
    findToolbar->SetButtonText(
        kFindToggleCaseId,
        Pick(L"Decyduje, czy wyszukiwanie traktuje małe i wielkie litery jako identyczne. Kliknij, aby zmienić stan.",
             L"Decides whether the search treats uppercase and lowercase letters as identical. Click to change it."));
    replaceToolbar->SetButtonText(kReplaceHistoryId, Pick(L"Poprzednio używane frazy do zastępowania.",
                                                          L"Previous replacement phrases."));
}

void MainForm::SetFieldHints()
{
    findBarState.switchedHints = 0;
    if (!FindBarBuilt())
        return;
    findField->hint = String(Pick(L"Ciąg znaków do znalezienia", L"Search phrase"));
    replaceField->hint = String(Pick(L"Ciąg znaków zastępujących znaleziony tekst",
                                     L"A string of characters replacing the found text"));
}

void MainForm::ApplySettings(const SettingsStore& settings, bool relayout)
{
    SetIcons(kIconGroup);
    TooltipsOff = settings.GetBool(L"Tooltips", true) ? 0 : 1;
    broker->autoindent = settings.GetBool(L"Autoindent", true);
    autosaveEnabled = settings.GetBool(L"Autosave", true) ? 1 : 0;
    incrementalFindSetting = settings.GetBool(L"IncrementalFind", true) ? 1 : 0;
    incrementalFindOff = incrementalFindSetting ? 0 : 1;
    if (incrementalFindOff && broker->documents.Count() > 0)
        ResetIncrementalFind();

    view1->ReloadStyle(settings);
    view2->ReloadStyle(settings);
    splitter->ApplySettings(settings);
    TextView::ReadFontSettings(viewFont, GetDpi(), settings);
    if (FindBarBuilt()) {
        findField->SetFont(viewFont);
        replaceField->SetFont(viewFont);
    }
    tabs->ApplySettings(settings);

    COLORREF window = GetSysColor(COLOR_WINDOW);
    int r = GetRValue(window), g = GetGValue(window), b = GetBValue(window);
    fieldBrush1 = MakeSolidBrush(RGB(Shade(r, 38), Shade(g, 38), Shade(b, 0)));
    fieldBrush2 = MakeSolidBrush(RGB(Shade(r, 38), Shade(g, 0), Shade(b, 0)));
    if (relayout)
        Layout();
}

void MainForm::OnSize(MessageRecord& m)
{
    if (laidOutBeforeShow) {
        laidOutBeforeShow = 0;
        RECT client = ClientRect();
        if (EqualRect(&client, &layoutBeforeShow)) {
            DefaultProc(m);
            return;
        }
    }
    EditForm::OnSize(m);
}

void MainForm::Layout()
{
    // Measured first: a window of unchanged size is placed without asking
    // for its limits, and a bar shown again (or made just now) must not be
    // laid out from what it measured while hidden, at another DPI.
    SizeLimits limits;
    Measure(limits);
    SetBounds(WindowRect());
    if (content)
        content->SetBounds(ClientRect());
}

void MainForm::SaveSettings()
{
    try {
        SettingsStore& settings = AppContext::Settings();
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        if (GetWindowPlacement(hwnd, &placement)) {
            const RECT& n = placement.rcNormalPosition;
            settings.SetRect(L"WindowRect", RECT{n.left, n.top, n.right - n.left, n.bottom - n.top});
            settings.SetRect(L"WindowMaximizedAnchor",
                             RECT{placement.ptMaxPosition.x, placement.ptMaxPosition.y, 0, 0});
            settings.SetText(L"WindowIsMaximized", placement.showCmd == SW_SHOWMAXIMIZED ? L"true" : L"false");
        }
        settings.SetText(L"Toolbar", toolbar->IsCollapsed() ? L"false" : L"true");
        settings.SetText(L"Statusbar", statusbar->IsCollapsed() ? L"false" : L"true");
        settings.SetString(L"FindStrings", findHistory.JoinStrings());
        settings.SetString(L"FindModesStrings", findHistory.JoinNumbers());
        settings.SetString(L"ReplaceStrings", replaceHistory.JoinStrings());
        settings.SetString(L"RecentFiles", broker->recentFiles.JoinStrings());
    } catch (...) {
        // Settings that cannot be stored are not worth stopping the exit for.
    }
}

void MainForm::RestoreFindState()
{
    if (findHistory.Count() > 0) {
        int64 newest = findHistory.Count() - 1;
        if (FindBarBuilt())
            findField->SetText(findHistory.StringAt(newest).CStr());
        else
            findBarState.findText = findHistory.StringAt(newest);
        ApplyFindModeNumber(findHistory.NumberAt(newest));
    }
    if (replaceHistory.Count() > 0) {
        String newest = replaceHistory.StringAt(replaceHistory.Count() - 1);
        if (FindBarBuilt())
            replaceField->SetText(newest.CStr());
        else
            findBarState.replaceText = newest;
    }
}

void MainForm::RunAction(int32 code)
{
    ActionRecord record;
    record.InitPlain(code, activeView);
    ExecuteAction(*broker, record);
    // A restore ends with the action that ran it.
    RefreshDeferred();
}

void MainForm::ShowUpdateResult()
{
    Array<String> arguments = AppContext::Arguments();
    if (arguments.Count() == 0)
        return;
    const String& first = arguments.At(0);
    auto is = [&](const wchar_t* word) {
        return EqualsNoCase(first.Data(), first.Length(), word, lstrlenW(word));
    };
    const wchar_t* message = nullptr;
    if (is(L"::UPDATED") || is(L"--opt:updated"))
        message = Pick(L"Aktualizacja przebiegła pomyślnie.", L"Program successfully updated.");
    else if (is(L"::UPDATEFAILED") || is(L"--opt:updatefailed"))
        message = Pick(L"Aktualizacja zakończona niepowodzeniem. Spróbuj ponownie później.\n"
                       L"Możesz też ręcznie pobrać instalator i uruchomić go.",
                       L"Update failed. Try again later. Alternatively download full\n"
                       L"installer and reinstall new version.");
    if (message) {
        // The alert's own loop runs before the window first waits for input.
        RegisterDrop();
        AskOnForm(this, message, Pick(L"Aktualizacja - Scrivel", L"Update - Scrivel"), L"+OK", 4);
    }
}
