// Character entry, the interface language switch, the context menus of the
// views and the tab strip, and input-method text.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "editor/CharacterDialog.h"
#include "editor/Statusbar.h"
#include "gui/ErrorText.h"
#include "gui/Gdi.h"
#include "gui/Toolbar.h"
#include "spell/DictRegistry.h"
#include "spell/SpellCheckDialog.h"
#include "text/TextDocument.h"
#include "view/syntax/LexerFactory.h"

#include <cmath>

namespace {

const wchar_t* Pick(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

const wchar_t* ContextMenuTitle()
{
    return Pick(L"Menu kontekstowe - Scrivel", L"Context Menu - Scrivel");
}

HMENU NewPopupMenu(Menu& owner)
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        throw MemoryError();
    owner.Adopt(menu);
    return menu;
}

void Append(HMENU menu, UINT flags, UINT_PTR id, const wchar_t* text)
{
    if (!AppendMenuW(menu, flags, id, text))
        throw MemoryError();
}

bool IsHexDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// The value of the hexadecimal digits after "u+"; saturated just above the
// last code point, so a long run of digits never wraps into a real one.
int32 CodeAfterPrefix(const String& text)
{
    int32 value = 0;
    for (int64 i = 2; i < text.Length() && IsHexDigit(text.Data()[i]); i++) {
        wchar_t c = text.Data()[i];
        int32 digit = c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10;
        value = value > 0x10FFFF ? 0x110000 : value * 16 + digit;
    }
    return value > 0x10FFFF ? 0x110000 : value;
}

// Whether text is exactly the one character of code.
bool IsCharacter(const String& text, int32 code)
{
    if (code > 0x10FFFF)
        return false;
    if (code <= 0xFFFF)
        return text.Length() == 1 && text.Data()[0] == static_cast<wchar_t>(code);
    int32 v = code - 0x10000;
    return text.Length() == 2 && text.Data()[0] == static_cast<wchar_t>(0xD800 + (v >> 10)) &&
           text.Data()[1] == static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
}

bool SameText(const String& a, const String& b)
{
    if (a.Length() != b.Length())
        return false;
    for (int64 i = 0; i < a.Length(); i++)
        if (a.Data()[i] != b.Data()[i])
            return false;
    return true;
}

// The spell-check window is made anew in the new language by the next check.
void CloseSpellCheckWindow()
{
    SpellCheckDialog::CloseInstance();
}

}  // namespace

// ---- handlers of the views and the tab strip ----

void MainForm::TextViewHandler::OnContextMenu(MessageRecord&, TextView* view)
{
    form->ShowViewContextMenu(view);
}

void MainForm::TextViewHandler::OnImeText(int32 flag, String text, TextView* view)
{
    form->OnImeText(flag, text, view);
}

void MainForm::TextTabsHandler::OnContextMenu(MessageRecord& m, TextDocument* text, TextTabs* tabs)
{
    POINT point = {static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
    form->ShowTabContextMenu(point, text, tabs);
}

// ---- character entry ----

void MainForm::EnterCharacters()
{
    const wchar_t* title = Pick(L"Wybór znaku - Scrivel", L"Select character - Scrivel");
    try {
        if (!RequireTexts())
            return;
        AppContext& context = AppContext::Current();
        const SettingsStore& settings = context.settings;
        const wchar_t* face = settings.GetText(L"FontName");
        if (face == nullptr || face[0] == 0)
            face = L"Courier New";
        double points = std::fabs(settings.GetFontSize(10));
        points = points < 1 ? 1 : points > 100 ? 100 : points;
        // The dialog takes the view's pixel height at 96 dpi, and a little more, as points.
        double number = points * 96 / 72 * 1.2 + 0.5;
        u32 size = number >= 2147483647.0 ? 2147483647u : static_cast<u32>(number);
        TextDocument* text = activeView->CurrentDocument();
        const CodePageTable* table = text ? CodePageTableOf(text->text.Encoding()) : nullptr;
        String chosen;
        if (RunCharDialog(chosen, this, title, face, size, table) == 1 && !chosen.IsEmpty()) {
            ActionRecord record;
            record.InitWithText(ActionInsertText, activeView, chosen);
            ExecuteAction(*broker, record);
        }
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(this, title, error);
    }
}

// ---- interface language ----

void MainForm::SetUiLanguage(int32 id)
{
    try {
        AppContext& context = AppContext::Current();
        SetUiLanguageId(id);
        bool polish = IsPolishUi();
        LoadMenu(polish ? kMenuPolish : kMenuEnglish);
        if (context.portable)
            DeleteMenuItem(11072);
        CheckMenuItem(11091, !polish);
        CheckMenuItem(11090, polish);
        // A fresh menu knows none of the other marks; nor does the title its language.
        UpdateMenuState();
        UpdateTitle();
        SetBarTexts();
        CloseSpellCheckWindow();
        statusbar->Invalidate();
        ApplySettings(context.settings, true);
        Layout();
        context.settings.SetText(L"UILanguage", polish ? L"polski" : L"english");
        SaveAppSettings(context);
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(this, Pick(L"Zmiana języka interfejsu - Scrivel", L"Changing UI language - Scrivel"),
                           error);
    }
}

// ---- the view's context menu ----

void BuildViewContextMenu(HMENU menu, TextView* view, const Array<String>& suggestions)
{
    if (suggestions.Count() == 0) {
        Append(menu, MF_STRING | MF_GRAYED, 99, Pick(L"brak sugestii", L"no suggestions"));
    } else {
        for (int64 i = 0; i < suggestions.Count() && i < 10; i++)
            Append(menu, MF_STRING, 22300 + static_cast<UINT_PTR>(i), suggestions.At(i).CStr());
    }
    Append(menu, MF_SEPARATOR, 0, nullptr);
    if (view->HasSelection())
        Append(menu, MF_STRING, 11013, Pick(L"Kopiuj", L"Copy"));
    else
        Append(menu, MF_STRING, 11027, Pick(L"Zaznacz wszystko", L"Select all"));
    Append(menu, MF_SEPARATOR, 0, nullptr);
    Append(menu, MF_STRING, 22400, Pick(L"Anuluj", L"Cancel"));
}

void MainForm::ShowViewContextMenu(TextView* view)
{
    try {
        keptWordStart = 0;
        keptWordEnd = 0;
        keptSuggestions = Array<String>();
        TextDocument* text = view->CurrentDocument();
        ViewState* state = text ? view->FindViewState(text) : nullptr;
        if (state == nullptr || !state->spellUnderline)
            return;
        int64 caret = state->CaretPosition(), anchor = state->AnchorPosition();
        int64 start = view->WordStart(caret < anchor ? caret : anchor);
        if (view->lexerFactory == nullptr)
            throw InternalError();
        LexerPtr lexer(view->lexerFactory->CreateLexer(text));
        TokenText units;
        lexer->Seek(start, 0, nullptr, &units);
        TokenRecord token = {};
        lexer->NextToken(token);
        // Only the lexer's words to check are offered for correction.
        if (!(token.kind & kTokenLettersOnly))
            return;
        int32 length = token.textEnd - token.textStart;
        const wchar_t* word = units.Units() + token.textStart;
        if (!dictionaries->IsCorrect(word, length)) {
            keptWordStart = token.start;
            keptWordEnd = token.end;
            keptSuggestions = dictionaries->Suggest(String(word, length));
        }
        Menu owner;
        HMENU menu = NewPopupMenu(owner);
        BuildViewContextMenu(menu, view, keptSuggestions);

        POINT p = {static_cast<LONG>(view->TextXToClientX(view->caretX)),
                   static_cast<LONG>(view->caretY + (view->currentStyle ? view->currentStyle->topMargin : 0))};
        if (keptWordEnd > keptWordStart) {
            POINT end = view->PositionToPoint(keptWordEnd);
            if (end.x < p.x)
                p.x = end.x;
        }
        MapWindowPoints(view->hwnd, hwnd, &p, 1);
        int32 height = view->caretHeight > 0 ? view->caretHeight : 20;
        TrackPopupMenu(menu, 0, p.x + 15, p.y + height);
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(this, ContextMenuTitle(), error);
    }
}

// ---- input-method text ----

void MainForm::OnImeText(int32 flag, const String& text, TextView* view)
{
    if (flag == 0) {
        ActionRecord record;
        record.InitPlain(ActionClearSelection, view);
        ExecuteAction(*broker, record);
        return;
    }
    TextDocument* document = view->CurrentDocument();
    ViewState* state = document ? view->FindViewState(document) : nullptr;
    if (state == nullptr)
        return;
    int64 anchor = state->AnchorPosition(), caret = state->CaretPosition();
    String current = caret >= anchor ? GetTextRange(view, anchor, caret) : String();
    if (SameText(current, text))
        return;
    // "u+" and a code, turned by the input method into its character: the
    // character already stands where the code was typed.
    const wchar_t* c = current.Data();
    if (current.Length() > 2 && (c[0] == L'u' || c[0] == L'U') && c[1] == L'+' && IsHexDigit(c[2]) &&
        IsCharacter(text, CodeAfterPrefix(current)))
        return;
    if (caret == anchor && text.IsEmpty())
        return;
    String inserted = text;
    ActionRecord record;
    record.InitWithText(ActionInsertText, view, inserted);
    ExecuteAction(*broker, record);
    if (record.outcome != OutcomeDone || view->CurrentDocument() != document)
        return;
    int64 end = state->CaretPosition();
    view->SetCaret(document, anchor < caret ? anchor : caret, 0, 2);
    view->SetCaret(document, end, CaretKeepAnchor, 1);
}

// ---- the tab strip's context menu ----

void MainForm::ShowTabContextMenu(POINT point, TextDocument* text, TextTabs* tabs)
{
    try {
        Menu owner;
        HMENU menu = NewPopupMenu(owner);
        if (text) {
            Append(menu, MF_STRING, 10, Pick(L"Zapisz tekst", L"Save text"));
            Append(menu, MF_STRING, 11, Pick(L"Zamknij tekst", L"Close text"));
            Append(menu, MF_STRING, 12, Pick(L"Zamknij wszystkie teksty", L"Close all texts"));
            Append(menu, MF_SEPARATOR, 0, nullptr);
            Append(menu, MF_STRING, 20, Pick(L"Przenieś w lewo", L"Move to the left"));
            Append(menu, MF_STRING, 21, Pick(L"Przenieś w prawo", L"Move to the right"));
            Append(menu, MF_SEPARATOR, 0, nullptr);
        }
        Append(menu, MF_STRING, 1, Pick(L"Anuluj", L"Cancel"));
        if (point.x == -1 && point.y == -1 && text && tabs) {
            // The menu key: below the middle of the text's tab.
            RECT r = tabs->GetTabRect(text);
            point = {(r.left + r.right) / 2, r.bottom};
            ClientToScreen(tabs->HwndOrParent(), &point);
        }
        int chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, point.x + 15, point.y + 5, 0, hwnd,
                                      nullptr);
        int32 code = ActionNone;
        switch (chosen) {
        case 10: code = ActionSave; break;
        case 11: code = ActionCloseText; break;
        case 12: code = ActionCloseAll; break;
        case 20: code = ActionMoveTextLeft; break;
        case 21: code = ActionMoveTextRight; break;
        default: return;
        }
        RunTabAction(code, text, 0);
    } catch (...) {
        Error error = CurrentError();
        if (error.code != Abort().code)
            ShowErrorAlert(this, ContextMenuTitle(), error);
    }
}
