#include "spell/SpellCheckDialog.h"

#include "base/UiLanguage.h"
#include "gui/Button.h"
#include "gui/Dpi.h"
#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ListBox.h"

#include <algorithm>

namespace {

// Posted to a window that was let go while its commands ran: by the time it
// arrives no handler of the window is on the stack any more.
constexpr UINT kDeleteLater = WM_APP + 13;

SpellCheckDialog* g_open = nullptr;
RECT g_remembered = {0, 0, 0, 0};

struct ButtonText {
    uint32_t id;
    const wchar_t* polish;
    const wchar_t* english;
    const wchar_t* polishHint;
    const wchar_t* englishHint;
};

const ButtonText kButtons[] = {
    {kSpellNextCommand, L"&Następne słowo", L"&Next word", L"Kontynuuje sprawdzanie od następnego wyrazu.",
     L"Continues checking from the next word."},
    {kSpellIgnoreCommand, L"&Ignoruj to słowo", L"&Ignore word", L"Ignoruje wszystkie wystąpienia tego słowa.",
     L"Ignores all occurrences of this word."},
    {kSpellAddCommand, L"&Dodaj do słownika", L"Add to &dictionary",
     L"Powoduje dodanie nieznanego słowa do słownika.", L"Adds an unknown word to the dictionary."},
    {kSpellReplaceCommand, L"&Zastąp", L"&Replace", L"Zastępuje słowo zaznaczonym na liście sugestii.",
     L"Replaces the word with the one selected on the list of suggestions."},
    {kSpellReplaceAllCommand, L"Zastąp &wszystkie", L"Replace &all",
     L"Zastępuje wszystkie wystąpienia słowa zaznaczonym na liście sugestii.",
     L"Replaces all instances of the word with the one selected in the suggestion list."},
    {kSpellEndCommand, L"Z&akończ", L"&End checking", L"Zamyka panel sprawdzania pisowni.",
     L"Closes the spelling checker tool window."},
};

// The outer width that shows the whole caption of a tool window: its text in
// the small caption font, the close box, the frame and some room around.
int CaptionWidth(SpellCheckDialog& window, int dpi)
{
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0))
        return 0;
    // The metrics come in the screen's DPI.
    int screen = ScreenDpi();
    LOGFONTW font = metrics.lfSmCaptionFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, screen);
    DeviceContext dc = window.WindowDC();
    dc.SelectFont(MakeFontIndirect(&font));
    String title = window.GetText();
    SIZE text = dc.MeasureLines(title.CStr(), title.Length());
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window.GetHwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window.GetHwnd(), GWL_EXSTYLE)));
    return text.cx + MulDiv(metrics.iSmCaptionWidth, dpi, screen) + MulDiv(16, dpi, 96) + (frame.right - frame.left);
}

}  // namespace

void PlaceBesideRect(const RECT& anchor, RECT& rect)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &info))
        work = info.rcWork;
    long roomLeft = anchor.left - work.left;
    long roomRight = work.right - anchor.right;
    bool right = roomRight >= roomLeft;
    long room = right ? roomRight : roomLeft;
    long w = rect.right - rect.left;
    long x;
    if (room < 1)
        x = work.right - w - 30;
    else if (right)
        x = room < w ? work.right - w : anchor.right;
    else
        x = room < w ? work.left : anchor.left - w;
    OffsetRect(&rect, x, anchor.top + 40);
}

SpellCheckDialog* SpellCheckDialog::Create(Form* owner)
{
    bool polish = IsPolishUi();
    auto pick = [polish](const wchar_t* p, const wchar_t* e) { return polish ? p : e; };
    SpellCheckDialog* dialog = MakeControl<SpellCheckDialog>([&](SpellCheckDialog& d) {
        d.commandOwner = owner;
        d.Dialog::Create(owner, ToolWindow, kSpellDialogId,
                         pick(L"Sprawdzanie pisowni - Scrivel", L"Spelling check - Scrivel"));
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &d);
        column->horizontalMargin = 4;
        column->verticalMargin = 4;
        column->gap = 4;
        NewLabel(column, pick(L"Nieznane słowo:", L"Unknown word:"));
        d.wordField = NewEditLine(column, EditReadOnly, kSpellWordId, pick(L"Nieznane słowo.", L"Unknown word."));
        NewLabel(column, pick(L"Sugestie:", L"Suggestions"));
        d.suggestionList = NewListBox(column, ListFitItems, kSpellSuggestionsId,
                                      pick(L"Lista podobnych wyrazów w słowniku.",
                                           L"List of similar words in the dictionary."));
        d.suggestionList->minRows = 12;
        for (const ButtonText& b : kButtons)
            NewButton(column, pick(b.polish, b.english), b.id, pick(b.polishHint, b.englishHint));

        d.BuildFonts(d.DetectDpi());
        SizeLimits limits;
        d.Measure(limits);
        // As narrow as the controls allow, but never cutting the caption.
        RECT rect = {0, 0, std::max(limits.minWidth, CaptionWidth(d, d.GetDpi())), limits.maxHeight};
        if (g_remembered.left != g_remembered.right)
            OffsetRect(&rect, g_remembered.left, g_remembered.top);
        else
            PlaceBesideRect(owner->WindowRect(), rect);
        ClampRectToWorkArea(rect);
        d.SetBounds(rect);
        d.Show();
        d.EnableDialogKeys();
        d.suggestionList->SetFocus();
    });
    g_open = dialog;
    return dialog;
}

SpellCheckDialog* SpellCheckDialog::Instance()
{
    return g_open;
}

void SpellCheckDialog::CloseInstance()
{
    SpellCheckDialog* dialog = g_open;
    if (!dialog)
        return;
    g_open = nullptr;
    if (dialog->running_ > 0) {
        // A handler of one of its commands runs a modal loop in which this
        // close arrived: deleting now would pull the window from under it.
        dialog->Hide();
        dialog->closing_ = true;
        return;
    }
    delete dialog;
}

String SpellCheckDialog::GetWord()
{
    return g_open ? g_open->wordField->GetText() : String();
}

String SpellCheckDialog::GetSelectedSuggestion()
{
    return g_open ? g_open->suggestionList->SelectedText() : String();
}

void SpellCheckDialog::SetWord(const String& word)
{
    if (g_open)
        g_open->wordField->SetText(word.CStr());
}

void SpellCheckDialog::SetSuggestions(const Array<String>& suggestions)
{
    if (!g_open)
        return;
    ListBox* list = g_open->suggestionList;
    list->SendMsg(LB_RESETCONTENT, 0, 0);
    for (int64 i = 0; i < suggestions.Count(); i++) {
        LRESULT added = list->SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(suggestions.At(i).CStr()));
        if (added < 0)
            throw MemoryError();
    }
    if (suggestions.Count() > 0)
        list->SendMsg(LB_SETCURSEL, 0, 0);
}

RECT SpellCheckDialog::RememberedRect()
{
    return g_remembered;
}

void SpellCheckDialog::ForgetRect()
{
    g_remembered = {0, 0, 0, 0};
}

SpellCheckDialog::~SpellCheckDialog()
{
    if (g_open == this)
        g_open = nullptr;
    if (hwnd && IsWindow(hwnd))
        GetWindowRect(hwnd, &g_remembered);
}

void SpellCheckDialog::Forward(uint32_t command)
{
    running_++;
    commandOwner->SendCommand(static_cast<int>(command), 0);
    running_--;
    if (closing_ && running_ == 0)
        PostMsg(kDeleteLater, 0, 0);
}

void SpellCheckDialog::OnCommand(MessageRecord& m)
{
    uint32_t id = LOWORD(m.wParam);
    uint32_t code = HIWORD(m.wParam);
    switch (id) {
    case kSpellNextCommand:
    case kSpellIgnoreCommand:
    case kSpellAddCommand:
    case kSpellReplaceCommand:
    case kSpellReplaceAllCommand:
        Forward(id);
        break;
    case kSpellSuggestionsId:
        if (code == LBN_DBLCLK)
            Forward(kSpellReplaceCommand);
        break;
    case kSpellEndCommand:
    case IDCANCEL:
        // Posted: its handler destroys this window.
        commandOwner->PostCommand(kSpellEndCommand, 0);
        break;
    default:
        break;
    }
}

void SpellCheckDialog::OnClose(MessageRecord&)
{
    commandOwner->PostCommand(kSpellEndCommand, 0);
}

void SpellCheckDialog::DefaultProc(MessageRecord& m)
{
    if (m.msg == kDeleteLater) {
        if (closing_ && running_ == 0)
            delete this;
        return;
    }
    Dialog::DefaultProc(m);
}
