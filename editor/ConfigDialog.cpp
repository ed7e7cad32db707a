// The configuration dialog's frame, its first two pages, the previews, the
// page keys and OK. The colours page lives in ConfigColorsPage.cpp.

#include "editor/ConfigDialog.h"

#include "base/Error.h"
#include "base/UiLanguage.h"
#include "editor/ColorThemes.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/CheckMark.h"
#include "gui/ComboBox.h"
#include "gui/ElasticGroup.h"
#include "gui/ErrorText.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/TabsGroup.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <commctrl.h>

#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const wchar_t* const kAntialiasingValues[] = {L"system", L"cleartype", L"standard", L"none"};

// Adds a list or combo item; a refused item means the control ran out of memory.
LRESULT AddItem(Control* control, UINT message, const wchar_t* text)
{
    LRESULT index = control->SendMsg(message, 0, reinterpret_cast<LPARAM>(text));
    if (index < 0)
        throw MemoryError();
    return index;
}

ElasticChild* Options(ElasticGroup* group, Control* child)
{
    ElasticChild* options = group->ChildOptions(child);
    if (options == nullptr)
        throw InternalError();
    return options;
}

void StoreCheck(SettingsStore& settings, const wchar_t* key, CheckMark* mark)
{
    settings.SetText(key, mark->IsChecked() ? L"true" : L"false");
}

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data)
{
    // Nothing may leave a system callback: a name that cannot be kept is skipped.
    try {
        auto* names = reinterpret_cast<std::vector<std::wstring>*>(data);
        const wchar_t* name = font->lfFaceName;
        if (name[0] == 0 || name[0] == L'@')
            return 1;
        for (const std::wstring& known : *names)
            if (known == name)
                return 1;
        names->emplace_back(name);
    } catch (...) {
    }
    return 1;
}

}  // namespace

// ---- previews ----

ConfigPreview::ConfigPreview(ControlGroup* parent, const SettingsStore& settings, const DictRegistry* registry,
                             LexerFactory* lexers)
    : view(nullptr), document(nullptr)
{
    view = TextView::Create(parent, ViewId, nullptr, nullptr, settings, registry, lexers);
    // The bars take the text's own colours, so a dark theme shows as dark.
    view->colorMode = 1;
    try {
        document = documents.NewDocument(nullptr);
        BroadcastRecord added{BroadcastDocumentAdded, document, view, 0};
        view->OnDocumentEvent(added, BroadcastDocumentAdded);
        BroadcastRecord current{BroadcastCurrentChanged, document, view, 0};
        view->OnDocumentEvent(current, BroadcastCurrentChanged);
    } catch (...) {
        delete view;
        throw;
    }
    view->Invalidate();
    view->Update();
}

ConfigPreview::~ConfigPreview()
{
    // The view keeps markers in the document: it goes first.
    delete view;
    view = nullptr;
    documents.DeleteAll();
    document = nullptr;
}

void ConfigPreview::SetSample(const String& text, int32 syntax)
{
    int32 forcedClass = 0;
    if (syntax >= kTokenClassSample) {
        forcedClass = syntax - kTokenClassSample;
        syntax = 0;
    }
    document->syntax = syntax;
    BroadcastRecord syntaxChanged{BroadcastSyntaxChanged, document, view, 0};
    view->OnDocumentEvent(syntaxChanged, BroadcastSyntaxChanged);
    view->ClearFindHighlights();
    view->ClearBracketHighlights(document);
    view->previewElement = forcedClass;
    TextDocument::ReplaceRequest request{};
    request.a = 0;
    request.b = document->text.Size();
    request.text = text.Data();
    request.length = text.Length();
    document->Replace(request);
    // Samples are replaced at every refresh: no history may pile up.
    document->ClearUndo();
    BroadcastRecord replaced{BroadcastLineEndsChanged, document, view, 0};
    view->OnDocumentEvent(replaced, BroadcastLineEndsChanged);
}

void ConfigPreview::SetDefaultSample()
{
    bool polish = IsPolishUi();
    String text;
    text.ConcatList({polish ? L"Wygląd tekstu po zastosowaniu zmian. -> >="
                            : L"The appearance of the text after applying changes. -> >=",
                     L"\r\n", polish ? L"Zaznaczony tekst." : L"Selected text", L"\r\n",
                     polish ? L"Wiersz z kursorem." : L"Cursor line", L"\r\n\t",
                     polish ? L"Wcięcie tabulacji." : L"Tabulation indent.", L"\r\n",
                     polish ? L"Oto polskie litery ąćęłńóśźżĄĆĘŁŃÓŚŹŻ."
                            : L"Here are the Polish letters ąćęłńóśźżĄĆĘŁŃÓŚŹŻ."});
    SetSample(text, 0);
    MoveCaret(1, 0, false);
    MoveCaret(2, 4, true);
}

void ConfigPreview::MoveCaret(int64 line, int64 column, bool extend)
{
    int64 position = document->text.LineColumnToOffset(line, column);
    view->SetCaret(document, position, extend ? u32(CaretKeepAnchor) : 0u, 0);
    BroadcastRecord moved{BroadcastCaretMoved, document, view, 0};
    view->OnDocumentEvent(moved, BroadcastCaretMoved);
}

void ConfigPreview::SetWrap(bool on)
{
    if (ViewState* state = view->FindViewState(document)) {
        state->wordWrap = on;
        view->Invalidate();
    }
}

void ConfigPreview::SetSpellUnderline(bool on)
{
    if (on) {
        view->EnableSpellUnderline(document);
    } else if (ViewState* state = view->FindViewState(document)) {
        state->spellUnderline = false;
        view->Invalidate();
    }
}

// ---- the dialog ----

ConfigurationDialog::ConfigurationDialog(const DictRegistry* dictRegistry, LexerFactory* lexerFactory)
    : dpi(96), registry(dictRegistry), lexers(lexerFactory), tabs(nullptr), pages{}, cancelButton(nullptr),
      backupFiles(nullptr), autosave(nullptr), hibernate(nullptr), textTabDirs(nullptr),
      incrementalFind(nullptr), tooltips(nullptr), autoindent(nullptr), tabSize(nullptr), fontList(nullptr),
      sizeList(nullptr), antialiasing(nullptr), advancedRendering(nullptr), elementList(nullptr),
      colorBox(nullptr), bold(nullptr), boldVisible(1), previews{}
{
}

ConfigurationDialog::~ConfigurationDialog()
{
    for (ConfigPreview*& preview : previews) {
        delete preview;
        preview = nullptr;
    }
    working.pairs.Release();
}

void ConfigurationDialog::Build(Form* ownerForm, const SettingsStore& settings)
{
    bool polish = IsPolishUi();
    result = -1;
    working.Assign(settings);
    Create(ownerForm, 0, DialogId, polish ? L"Konfiguracja - Scrivel" : L"Configuration - Scrivel");
    dpi = static_cast<u32>(GetDpi());

    ElasticGroup* frame = NewElasticGroup(ElasticGroup::Column, this);
    frame->horizontalMargin = 8;
    frame->verticalMargin = 8;
    frame->gap = 8;
    tabs = NewTabsGroup(frame, polish ? L"Wybór grupy opcji konfiguracyjnych." : L"Configuration dialog page selection.");
    const wchar_t* titles[PageCount] = {
        polish ? L"&Ustawienia główne  " : L"&Basic settings  ",
        polish ? L"&Czcionki  " : L"&Font  ",
        polish ? L"&Kolory  " : L"&Colors  ",
    };
    for (int32 i = 0; i < PageCount; i++) {
        tabs->tabs->AddTab(titles[i]);
        ElasticGroup* page = NewElasticGroup(ElasticGroup::Column, tabs);
        page->horizontalMargin = 12;
        page->verticalMargin = 12;
        pages[i] = page;
    }
    BuildBasicPage(static_cast<ControlGroup*>(pages[BasicPage]), polish);
    BuildFontPage(static_cast<ControlGroup*>(pages[FontPage]), polish);
    BuildColorsPage(static_cast<ControlGroup*>(pages[ColorsPage]), polish);

    ButtonsBar* buttons = NewButtonsBar(frame);
    NewButton(buttons, L"OK", IDOK,
              polish ? L"Naciśnięcie tego przycisku spowoduje\nprzeniesienie ustawień do programu."
                     : L"Press to accept all changes.");
    cancelButton = NewButton(buttons, polish ? L"Anuluj" : L"Cancel", IDCANCEL,
                             polish ? L"Po naciśnięciu tego przycisku, wszystkie zmiany\nw ustawieniach zostaną "
                                      L"zapomniane."
                                    : L"Press to abandon all changes.");
    Options(frame, buttons)->weight = 0;

    FillControls();

    width = 480;
    height = 500;
    RefreshPreviews();
    Place();
    PostCommand(FillFontPageId, 0);
    elementList->SendMsg(LB_SETCURSEL, 0, 0);
    ShowSelectedElement();
    for (ConfigPreview* preview : previews)
        preview->SetDefaultSample();
    RefreshPreviews();
    pages[FontPage]->Collapse();
    pages[ColorsPage]->Collapse();
}

void ConfigurationDialog::BuildBasicPage(ControlGroup* group, bool polish)
{
    auto* page = static_cast<ElasticGroup*>(group);
    page->gap = 8;
    auto check = [&](const wchar_t* pl, const wchar_t* en, uint32_t id, const wchar_t* hintPl,
                     const wchar_t* hintEn) {
        return NewCheckMark(page, polish ? pl : en, id, false, polish ? hintPl : hintEn);
    };
    backupFiles = check(L"Twórz kopie &zapasowe", L"Create &backup files", BackupFilesId,
                        L"Zaznacz jeśli chcesz, aby program tworzył\nkopie zapasowe przy zapisywaniu tekstów.",
                        L"If checked, the program creates backup copies when saving.");
    autosave = check(L"&Automatycznie zapisuj i odzyskuj kopie bezpieczeństwa", L"&Autosave", AutosaveId,
                     L"Zaznacz jeśli chcesz, aby program co jakiś czas\nzapisywał tymczasowe kopie "
                     L"bezpieczeństwa\numożliwiające odzyskanie treści w razie awarii.",
                     L"If checked, the program periodically saves temporary backups\nto recover content in the "
                     L"event of a failure.");
    hibernate = check(L"Zawsze &hibernuj przy zamykaniu", L"&Hibernate when closing", HibernateId,
                      L"Zaznacz jeśli chcesz, aby przy uruchomieniu program\nwczytywał teksty otwarte przy "
                      L"poprzednim zamknięciu.",
                      L"If checked, the program restores edited texts in the next application run.");
    incrementalFind = check(L"&Wyszukiwanie przyrostowe", L"Incremental &search", IncrementalFindId,
                            L"Gdy zaznaczone, program realizuje wyszukiwanie przyrostowe.",
                            L"When checked, the program performs an incremental search.");
    NewScaledSpace(page, 0, 4);
    textTabDirs = check(L"Pokazuj katalogi &na pasku wyboru tekstu", L"Show &directories on the text selection bar.",
                        TextTabDirsId,
                        L"Gdy zaznaczone, nad zakładkami wyboru tekstu pojawią\nsię ścieżki katalogów "
                        L"zawierających pliki.",
                        L"When checked, the program shows directory paths on the text selection bar.");
    tooltips = check(L"&Pokazuj krótkie podpowiedzi dla elementów okien", L"Show toolti&ps", TooltipsId,
                     L"Gdy zaznaczone, zatrzymanie wskaźnika nad niektórymi elementami okien\nwyświetli krótki "
                     L"opis jego działania.",
                     L"When checked, the program shows short descriptions when hovering pointer over controls.");
    NewScaledSpace(page, 0, 4);
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, page);
    row->gap = 8;
    row->alignment = ElasticGroup::AlignCentre;
    Label* label = NewLabel(row, polish ? L"&Skok tabulacji:" : L"&Tab size");
    Options(row, label)->weight = 0;
    tabSize = NewComboBox(row, TabSizeId,
                          polish ? L"Wybierz przybliżony skok tabulacji (w znakach)." : L"Select tab size");
    Options(row, tabSize)->weight = 0;
    NewScaledSpace(row, -1, 0);
    Options(page, row)->weight = 0;
    autoindent = check(L"P&owielaj wcięcia z poprzedniego wiersza", L"Copy &indentation from previous line",
                       AutoindentId,
                       L"Gdy zaznaczone, naciśnięcie klawisza Enter powiela wcięcie z poprzedniego wiersza.",
                       L"When checked, pressing the Enter key duplicates the indent from the previous line.");
    for (CheckMark* mark : {backupFiles, autosave, hibernate, incrementalFind, textTabDirs, tooltips, autoindent})
        Options(page, mark)->weight = 0;
    NewScaledSpace(page, 0, -1);
    previews[BasicPage] = new ConfigPreview(page, working, registry, lexers);
}

void ConfigurationDialog::BuildFontPage(ControlGroup* group, bool polish)
{
    auto* page = static_cast<ElasticGroup*>(group);
    ElasticGroup* lists = NewElasticGroup(ElasticGroup::Row, page);
    lists->gap = 8;
    ElasticGroup* fonts = NewElasticGroup(ElasticGroup::Column, lists);
    Options(fonts, NewLabel(fonts, polish ? L"&Dostępne czcionki:" : L"&Available fonts:"))->weight = 0;
    fontList = NewListBox(fonts, ListSorted | ListNoIntegralHeight, FontListId,
                          polish ? L"Wybierz czcionkę jaką ma być wyświetlany tekst." : L"Select font for text.");
    ElasticGroup* sizes = NewElasticGroup(ElasticGroup::Column, lists);
    Options(sizes, NewLabel(sizes, polish ? L"&Rozmiary:" : L"&Size:"))->weight = 0;
    sizeList = NewListBox(sizes, ListNoIntegralHeight, SizeListId,
                          polish ? L"Wybierz rozmiar czcionki jaką ma być wyświetlany tekst." : L"Select font size.");
    Options(lists, sizes)->weight = 0;

    ElasticGroup* settingsRow = NewElasticGroup(ElasticGroup::Row, page);
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, settingsRow);
    column->verticalMargin = 8;
    column->gap = 4;
    ElasticGroup* aliasRow = NewElasticGroup(ElasticGroup::Row, column);
    aliasRow->gap = 8;
    aliasRow->alignment = ElasticGroup::AlignCentre;
    Options(aliasRow, NewLabel(aliasRow, polish ? L"&Wygładzanie czcionek:" : L"A&ntialiasing:"))->weight = 0;
    antialiasing = NewComboBox(aliasRow, AntialiasingId,
                               polish ? L"Zmienia sposób wygładzania czcionek." : L"Sets font antialiasing mode.");
    advancedRendering = NewCheckMark(column,
                                     polish ? L"&Zaawansowane renderowanie czcionek (eksperymentalne)"
                                            : L"A&dvanced font rendering (experimental)",
                                     AdvancedRenderingId, false,
                                     polish ? L"Włącza tryb umożliwiający wyświetlanie bardziej skomplikowanych "
                                              L"czcionek (np. ligatury)."
                                            : L"Activates some advanced font effects (eg. ligatures).");
    Options(page, settingsRow)->weight = 0;
    previews[FontPage] = new ConfigPreview(page, working, registry, lexers);
    Options(page, previews[FontPage]->view)->weight = 1000;
}

void ConfigurationDialog::FillControls()
{
    bool polish = IsPolishUi();
    backupFiles->SetChecked(working.GetBool(L"BackupFiles", true));
    autosave->SetChecked(working.GetBool(L"Autosave", true));
    hibernate->SetChecked(working.GetBool(L"Hibernate", true));
    incrementalFind->SetChecked(working.GetBool(L"IncrementalFind", true));
    textTabDirs->SetChecked(working.GetBool(L"TextTabDirs", false));
    tooltips->SetChecked(working.GetBool(L"Tooltips", true));
    autoindent->SetChecked(working.GetBool(L"Autoindent", true));

    for (int n = 1; n <= 20; n++)
        AddItem(tabSize, CB_ADDSTRING, std::to_wstring(n).c_str());
    tabSize->SendMsg(CB_SETCURSEL, 3, 0);
    const wchar_t* step = working.GetText(L"TabStep");
    if (step && step[0]) {
        LRESULT found = tabSize->SendMsg(CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(step));
        if (found >= 0)
            tabSize->SendMsg(CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }

    FillFontList();
    FillSizeList();
    AddItem(antialiasing, CB_ADDSTRING, polish ? L"domyślne (jak inne programy)" : L"default (as other applications)");
    AddItem(antialiasing, CB_ADDSTRING, L"Clear Type");
    AddItem(antialiasing, CB_ADDSTRING, polish ? L"standardowe" : L"standard");
    AddItem(antialiasing, CB_ADDSTRING, polish ? L"wyłączone" : L"off");

    for (int32 row = 0; row < kColorElementCount; row++)
        AddItem(elementList, LB_ADDSTRING, ColorElementName(row));
    AddElementColors();
}

void ConfigurationDialog::FillFontList()
{
    std::vector<std::wstring> names;
    {
        DeviceContext dc = WindowDC();
        LOGFONTW pattern = {};
        pattern.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc.Hdc(), &pattern, CollectFamily, reinterpret_cast<LPARAM>(&names), 0);
    }
    for (size_t i = 0; i < names.size(); i++) {
        LRESULT index = AddItem(fontList, LB_ADDSTRING, names[i].c_str());
        fontList->SendMsg(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(i));
    }
}

void ConfigurationDialog::FillSizeList()
{
    // Pixel heights from 6 up to half the DPI plus 6.
    int32 last = static_cast<int32>(dpi / 2 + 6);
    if (sizeList->SendMsg(LB_GETCOUNT, 0, 0) == last - 5)
        return;
    sizeList->SendMsg(LB_RESETCONTENT, 0, 0);
    for (int32 h = 6; h <= last; h++)
        AddItem(sizeList, LB_ADDSTRING, std::to_wstring(h).c_str());
}

void ConfigurationDialog::FillFontPage()
{
    FillSizeList();
    String name = working.Get(L"FontName");
    if (name.IsEmpty())
        name = String(L"Courier New");
    LRESULT font = fontList->SendMsg(LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.CStr()));
    fontList->SendMsg(LB_SETCURSEL, static_cast<WPARAM>(font < 0 ? -1 : font), 0);

    double points = working.GetFontSize(10.0);
    double pixels = std::fabs(static_cast<double>(dpi) * points / 72.0) + 0.5;
    // NaN and values past the 32-bit range both select nothing.
    int64 height = pixels < 2147483647.0 ? static_cast<int64>(pixels) : INT32_MAX;
    int64 index = height - 6;
    LRESULT count = sizeList->SendMsg(LB_GETCOUNT, 0, 0);
    sizeList->SendMsg(LB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < count ? index : -1), 0);

    const wchar_t* mode = working.GetText(L"FontAntialiasing");
    if (mode == nullptr || mode[0] == 0)
        mode = L"system";
    int item = 0;
    if (_wcsicmp(mode, L"clear type") == 0 || _wcsicmp(mode, L"cleartype") == 0)
        item = 1;
    else if (_wcsicmp(mode, L"standard") == 0)
        item = 2;
    else if (_wcsicmp(mode, L"none") == 0 || _wcsicmp(mode, L"off") == 0)
        item = 3;
    antialiasing->SendMsg(CB_SETCURSEL, static_cast<WPARAM>(item), 0);

    advancedRendering->SetChecked(working.GetBool(L"FontAdvanced", false));
}

void ConfigurationDialog::FontPageChanged(uint32_t command)
{
    switch (command) {
    case FontListId: {
        String name = fontList->SelectedText();
        if (!name.IsEmpty())
            working.SetString(L"FontName", name);
        break;
    }
    case SizeListId: {
        LRESULT index = sizeList->SendMsg(LB_GETCURSEL, 0, 0);
        if (dpi >= 1 && index >= 0)
            working.SetFontSize(static_cast<double>(index + 6) * 72.0 / static_cast<double>(dpi));
        break;
    }
    case AntialiasingId: {
        LRESULT index = antialiasing->SendMsg(CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < 4)
            working.SetText(L"FontAntialiasing", kAntialiasingValues[index]);
        break;
    }
    default:
        working.SetText(L"FontAdvanced", advancedRendering->IsChecked() ? L"true" : L"false");
        break;
    }
    RefreshPreviews();
}

void ConfigurationDialog::StoreTabSize()
{
    String text = tabSize->SelectedText();
    int n = text.IsEmpty() ? 0 : _wtoi(text.CStr());
    if (n >= 21)
        n = 20;
    else if (n < 1)
        n = 4;
    working.SetTabStep(n);
}

void ConfigurationDialog::Accept(SettingsStore& settings)
{
    StoreCheck(working, L"BackupFiles", backupFiles);
    StoreCheck(working, L"Autosave", autosave);
    StoreCheck(working, L"Hibernate", hibernate);
    StoreCheck(working, L"Tooltips", tooltips);
    StoreCheck(working, L"IncrementalFind", incrementalFind);
    StoreCheck(working, L"TextTabDirs", textTabDirs);
    StoreCheck(working, L"Autoindent", autoindent);
    StoreTabSize();
    settings.Assign(working);
    // An emptied colour means the element's default: the key goes.
    RemoveEmptyColorKeys(settings);
}

void ConfigurationDialog::RefreshPreviews()
{
    for (ConfigPreview* preview : previews)
        if (preview)
            preview->view->ReloadStyle(working);
    if (previews[ColorsPage]) {
        previews[ColorsPage]->SetDefaultSample();
        ShowElementSample();
    }
}

// ---- pages and keys ----

int32 ConfigurationDialog::SelectedPage()
{
    return static_cast<int32>(tabs->tabs->SendMsg(TCM_GETCURSEL, 0, 0));
}

void ConfigurationDialog::SelectPage(int32 page)
{
    tabs->tabs->SendMsg(TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    ShowPage(page);
}

void ConfigurationDialog::ShowPage(int32 page)
{
    if (page < 0 || page >= PageCount)
        return;
    for (int32 i = 0; i < PageCount; i++)
        if (i != page && !pages[i]->IsCollapsed())
            pages[i]->Collapse();
    Control* chosen = pages[page];
    if (!chosen->IsCollapsed() && chosen->IsShown()) {
        tabs->SetFocus();
        return;
    }
    chosen->Uncollapse();
    GrowToFit();
    chosen->Show();
    if (page == ColorsPage)
        SetBoldVisible(boldVisible != 0);
    tabs->SetFocus();
}

void ConfigurationDialog::GrowToFit()
{
    if (content == nullptr)
        return;
    SizeLimits limits;
    content->Measure(limits);
    RECT client = ClientRect();
    int32 shortWidth = limits.minWidth - (client.right - client.left);
    int32 shortHeight = limits.minHeight - (client.bottom - client.top);
    if (shortWidth <= 0 && shortHeight <= 0) {
        content->SetBounds(client);
        return;
    }
    RECT frame = WindowRect();
    if (shortWidth > 0)
        frame.right += shortWidth;
    if (shortHeight > 0)
        frame.bottom += shortHeight;
    SetBounds(frame);
    content->SetBounds(ClientRect());
}

bool ConfigurationDialog::PreTranslate(MSG& msg)
{
    if (msg.message == WM_SYSKEYDOWN) {
        static const wchar_t polishKeys[PageCount] = {L'U', L'C', L'K'};
        static const wchar_t englishKeys[PageCount] = {L'B', L'F', L'C'};
        const wchar_t* keys = IsPolishUi() ? polishKeys : englishKeys;
        for (int32 i = 0; i < PageCount; i++)
            if (msg.wParam == static_cast<WPARAM>(keys[i])) {
                SelectPage(i);
                return true;
            }
    } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        int32 step = GetKeyState(VK_SHIFT) < 0 ? PageCount - 1 : 1;
        SelectPage((SelectedPage() + step) % PageCount);
        return true;
    }
    return Dialog::PreTranslate(msg);
}

void ConfigurationDialog::OnNotify(MessageRecord& m)
{
    auto* header = reinterpret_cast<NMHDR*>(m.lParam);
    if (header && header->idFrom == TabsId && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
        try {
            ShowPage(SelectedPage());
        } catch (const Error& error) {
            ShowErrorAlert(this, IsPolishUi() ? L"Konfigurowanie programu - Scrivel" : L"Configuration - Scrivel",
                           error);
        }
    }
    Dialog::OnNotify(m);
}

void ConfigurationDialog::Measure(SizeLimits& limits)
{
    u32 now = static_cast<u32>(GetDpi());
    if (now != dpi && previews[ColorsPage]) {
        dpi = now;
        try {
            for (ConfigPreview* preview : previews)
                preview->view->ReloadStyle(working);
            PostCommand(FillFontPageId, 0);
        } catch (const Error&) {
            // The old styles stay until the next refresh.
        }
    }
    Form::Measure(limits);
}

void ConfigurationDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

void ConfigurationDialog::OnCommand(MessageRecord& m)
{
    uint32_t command = LOWORD(m.wParam);
    uint32_t code = HIWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = static_cast<int32>(command);
        Quit();
        return;
    }
    try {
        try {
            HandleCommand(command, code);
        } catch (const std::bad_alloc&) {
            throw MemoryError();
        }
    } catch (const Error& error) {
        ShowErrorAlert(this, IsPolishUi() ? L"Konfigurowanie programu - Scrivel" : L"Configuration - Scrivel",
                       error);
    }
}

void ConfigurationDialog::HandleCommand(uint32_t command, uint32_t code)
{
    switch (command) {
    case TabSizeId:
        if (code == CBN_SELCHANGE) {
            StoreTabSize();
            RefreshPreviews();
        }
        break;
    case FontListId:
    case SizeListId:
        if (code == LBN_SELCHANGE)
            FontPageChanged(command);
        break;
    case AntialiasingId:
        if (code == CBN_SELCHANGE)
            FontPageChanged(command);
        break;
    case AdvancedRenderingId:
        if (code == BN_CLICKED)
            FontPageChanged(command);
        break;
    case FillFontPageId:
        FillFontPage();
        break;
    default:
        HandleColorsCommand(command, code);
        break;
    }
}

int32 RunConfigurationDialog(Form* owner, SettingsStore& settings, DictRegistry* registry, LexerFactory* lexers)
{
    std::unique_ptr<ConfigurationDialog> dialog;
    try {
        dialog.reset(new ConfigurationDialog(registry, lexers));
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    dialog->Build(owner, settings);
    dialog->ShowModal(dialog->cancelButton);
    if (dialog->result != IDOK)
        return IDCANCEL;
    dialog->Accept(settings);
    return IDOK;
}
