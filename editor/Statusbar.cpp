#include "editor/Statusbar.h"

#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "gui/Form.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/ViewState.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <vector>

namespace {

struct FieldInfo {
    const wchar_t* labelPl;
    const wchar_t* labelEn;
    int command;
    const wchar_t* hintPl;
    const wchar_t* hintEn;
};

const FieldInfo Fields[StatusFieldCount] = {
    {L"wiersz: ", L"line: ", 11037,
     L"W tym polu wyświetlany jest numer wiersza wskazywanego karetką.\nKliknij, aby uzyskać możliwość "
     L"wpisania numeru wiersza, do\nktórego ma być przeniesiona karetka.",
     L"This field displays the line number of the line with the cursor.\nClick to enter the line number "
     L"to which the cursor should be moved."},
    {L"znak: ", L"char: ", 11076,
     L"W tym polu wyświetlany jest numer znaku w wierszu na prawo od karetki.\nKliknij, aby uzyskać "
     L"możliwość wpisania numeru znaku w wierszu, do\nktórego ma być przeniesiona karetka.",
     L"This field displays the character number of the character after the cursor.\nClick to enter the "
     L"character number before which the cursor should be placed."},
    {L"kod znaku: ", L"code: ", 11075,
     L"W tym polu wyświetlany jest kod znaku na prawo od karetki\n(dziesiętnie i szesnastkowo). Kliknij, "
     L"aby uzyskać możliwość\nwpisania kodu (lub kodów) znaku, który ma być wstawiony\nw miejscu karetki.",
     L"This field displays the character code of the character after the cursor.\nClick to open the "
     L"dialog window with all available characters."},
    {L"tryb: ", L"mode: ", 11086,
     L"W tym polu wyświetlany jest stan przełącznika wstawianie/nadpisywanie.\nKliknięcie zmieni stan "
     L"przełącznika na przeciwny.",
     L"This field displays the state of the insertion/overtype switch.\nClick to toggle it."},
    {L"kodowanie: ", L"encoding: ", 11038,
     L"W tym polu wyświetlany jest wybrany sposób dekodowania przy\nwyświetlaniu tekstu i kodowania przy "
     L"wprowadzaniu. Kliknięcie\nudostępni listę umożliwiającą jego zmianę.",
     L"This field displays the current character encoding.\nClick to convert or change it."},
    {L"kolorowanie: ", L"syntax: ", 11081,
     L"W tym polu wyświetlany jest wybrany sposób kolorowania tekstu.\nKliknięcie udostępni listę "
     L"umożliwiającą jego zmianę.",
     L"This field displays the current syntax setting.\nClick to change it."},
    {L"słownik: ", L"dictionary: ", 11095,
     L"W tym polu wyświetlany jest wybrany słownik do sprawdzania pisowni.\nKliknięcie udostępni listę "
     L"umożliwiającą jego zmianę.",
     L"This field displays the current spelling dictionary.\nClick to select another one."},
};

// Space before a label and after a value, in pixels as drawn.
constexpr int FieldPad = 8;

int MouseX(const MessageRecord& m)
{
    return static_cast<short>(LOWORD(m.lParam));
}

int MouseY(const MessageRecord& m)
{
    return static_cast<short>(HIWORD(m.lParam));
}

int TextHeight(DeviceContext& dc)
{
    SIZE size{};
    GetTextExtentPoint32W(dc.Hdc(), L"Wy", 2, &size);
    return size.cy;
}

// The advances a text was measured with, each from the one before, so it is
// drawn where it was measured: left to itself, drawing may place the glyphs
// at unrounded advances that add up to more than the measured width (four
// pixels over the Polish prompt), and the fill after the text cut off its
// last letter. Empty when measuring failed.
std::vector<INT> MeasuredAdvances(HDC dc, const wchar_t* text, int n, SIZE& size)
{
    std::vector<INT> advances;
    size = {};
    if (n > 0) {
        advances.resize(static_cast<size_t>(n));
        int fit = 0;
        if (GetTextExtentExPointW(dc, text, n, 0, &fit, advances.data(), &size)) {
            for (int i = n - 1; i > 0; i--)
                advances[i] -= advances[i - 1];
            return advances;
        }
        advances.clear();
    }
    GetTextExtentPoint32W(dc, text, n, &size);
    return advances;
}

}  // namespace

int StatusTextRoom(HDC dc, const wchar_t* text, int n, SIZE* size)
{
    SIZE extent{};
    MeasuredAdvances(dc, text, n, extent);
    if (size)
        *size = extent;
    // The smoothed edge of the last glyph may take a pixel past its advance,
    // a negative right bearing more.
    int room = n > 0 ? extent.cx + 1 : 0;
    ABC abc;
    if (n > 0 && GetCharABCWidthsW(dc, text[n - 1], text[n - 1], &abc) && abc.abcC < 0)
        room -= abc.abcC;
    return room;
}

void DrawBarText(HDC dc, int x, int y, const wchar_t* text, int n)
{
    SIZE size;
    std::vector<INT> advances = MeasuredAdvances(dc, text, n, size);
    ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(n), advances.empty() ? nullptr : advances.data());
}

void StatusFieldTexts(const StatusState& s, bool polish, StatusFieldText (&fields)[StatusFieldCount])
{
    for (int i = 0; i < StatusFieldCount; i++) {
        fields[i].label = polish ? Fields[i].labelPl : Fields[i].labelEn;
        fields[i].value = String();
    }
    wchar_t buffer[64];
    FormatWide(buffer, L"%lld", static_cast<long long>(s.line) + 1);
    fields[0].value = String(buffer);
    FormatWide(buffer, L"%lld", static_cast<long long>(s.column) + 1);
    fields[1].value = String(buffer);
    if (s.code == -1) {
        fields[2].label = L"";
        fields[2].value = String(polish ? L"koniec tekstu" : L"end of text");
    } else if (s.code == -2) {
        fields[2].value = String(L"13,10  0D,0A");
    } else {
        FormatWide(buffer, L"%d  %02X", static_cast<int>(s.code), static_cast<unsigned>(s.code));
        fields[2].value = String(buffer);
    }
    if (s.insertMode)
        fields[3].value = String(polish ? L"wstawianie" : L"insertion");
    else
        fields[3].value = String(polish ? L"zastępowanie" : L"overtype");
    fields[4].value = EncodingDisplayName(static_cast<EncodingId>(s.encoding), s.bom);
    const wchar_t* syntax = SyntaxDisplayName(static_cast<SyntaxId>(s.syntax));
    fields[5].value = String(syntax ? syntax : L"");
    fields[6].value = s.dictionary;
}

int StatusFieldCommand(int field)
{
    return field >= 1 && field <= StatusFieldCount ? Fields[field - 1].command : 0;
}

const wchar_t* StatusFieldHint(int field, bool polish)
{
    if (field < 1 || field > StatusFieldCount)
        return nullptr;
    return polish ? Fields[field - 1].hintPl : Fields[field - 1].hintEn;
}

const wchar_t* StatusPromptText(bool polish)
{
    return polish ? L"  proszę wczytaj lub utwórz nowy tekst" : L"  open or create text";
}

String ShortDictionaryName(const String& selection)
{
    const wchar_t* text = selection.Data();
    int64 n = selection.Length();
    for (int64 i = 0; i < n; i++)
        if (text[i] == L'\r') {
            String result;
            wchar_t* out = result.Allocate(i + 1);
            for (int64 k = 0; k < i; k++)
                out[k] = text[k];
            out[i] = L'+';
            return result;
        }
    return selection;
}

COLORREF EncodingFieldColor(int32 encoding, COLORREF face)
{
    static const COLORREF tints[7] = {RGB(128, 255, 255), RGB(255, 128, 255), RGB(255, 144, 144),
                                      RGB(128, 255, 0),   RGB(128, 255, 128), RGB(255, 255, 0),
                                      RGB(255, 255, 128)};
    if (encoding < 1 || encoding > 7)
        return face;
    return MixColors(face, tints[encoding - 1], 40, 100);
}

Statusbar* NewStatusbar(ControlGroup* parent)
{
    return MakeControl<Statusbar>([&](Statusbar& bar) {
        bar.parent = parent;
        bar.id = Statusbar::BarId;
        bar.style = OwnClass | ArrowCursor | NoTabStop | DoubleClicks;
        bar.Create(L"Statusbar", 0, 0);
        bar.Show();
    });
}

Statusbar::Statusbar()
{
    tracksMouseLeave = 1;
}

Statusbar::~Statusbar() = default;

void Statusbar::Measure(SizeLimits& limits)
{
    DeviceContext dc = MeasureDC();
    GdiObj font = GetFont();
    if (!font.IsEmpty())
        dc.SelectFontHandle(font.Font());
    int height = TextHeight(dc) + 7;
    limits.minWidth = 50;
    limits.maxWidth = Unbounded;
    limits.minHeight = limits.maxHeight = height;
    gripWidth = MulDiv(GetSystemMetrics(SM_CXVSCROLL), GetDpi(), SystemDpi());
}

bool Statusbar::ShowsSizeGrip()
{
    HWND top = hwnd;
    while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD))
        top = GetParent(top);
    if (!top || IsZoomed(top))
        return false;
    RECT client{};
    GetClientRect(top, &client);
    POINT corner = {client.right, client.bottom};
    ClientToScreen(top, &corner);
    RECT bar = WindowRect();
    return bar.right == corner.x && bar.bottom == corner.y;
}

void Statusbar::DefaultProc(MessageRecord& m)
{
    if (m.msg == WM_NCHITTEST && ShowsSizeGrip()) {
        RECT bar = WindowRect();
        if (static_cast<short>(LOWORD(m.lParam)) >= bar.right - gripWidth) {
            m.result = HTBOTTOMRIGHT;
            return;
        }
    }
    Control::DefaultProc(m);
}

void ReadCaretState(TextDocument* document, ViewState* state, StatusState& s)
{
    s.hasText = document != nullptr;
    if (!document)
        return;
    int64 caret = state ? state->CaretPosition() : 0;
    if (state) {
        LineColumn lc = document->text.LineColumnOfOffset(caret);
        s.line = lc.line;
        s.column = lc.column;
    } else {
        s.line = 0;
        s.column = 0;
    }
    int32 code = document->text.DecodeChar(caret);
    s.code = code < 0 ? code : static_cast<int32>(document->text.DisplayCode());
}

void Statusbar::Update(TextDocument* document, TextView* view)
{
    StatusState next;
    ReadCaretState(document, view && document ? view->FindViewState(document) : nullptr, next);
    if (document) {
        ViewState* vs = view ? view->FindViewState(document) : nullptr;
        next.insertMode = vs && !vs->overwrite;
        next.encoding = document->text.Encoding();
        next.bom = document->bomLength > 0;
        next.syntax = document->syntax;
        if (view)
            next.dictionary = ShortDictionaryName(view->GetDictionaryName(document));
    }
    SetState(next);
}

void Statusbar::UpdateCaret(TextDocument* document, TextView* view)
{
    StatusState next = state;
    ReadCaretState(document, view && document ? view->FindViewState(document) : nullptr, next);
    if (!next.hasText || !state.hasText) {
        SetState(next);
        return;
    }
    if (next.line == state.line && next.column == state.column && next.code == state.code)
        return;
    state = next;
    if (!repaintDue) {
        repaintDue = true;
        SetTimer(RepaintTimer, USER_TIMER_MINIMUM);
    }
}

void Statusbar::OnTimer(MessageRecord& m)
{
    if (m.wParam != RepaintTimer) {
        Control::OnTimer(m);
        return;
    }
    KillTimer(RepaintTimer);
    if (repaintDue) {
        repaintDue = false;
        Invalidate();
    }
}

void Statusbar::SetState(const StatusState& next)
{
    state = next;
    if (!state.hasText) {
        hovered = 0;
        pressed = 0;
    }
    Invalidate();
}

int Statusbar::FieldAtX(int x) const
{
    for (int i = 0; i < StatusFieldCount; i++)
        if (edges[i] >= x)
            return i + 1;
    return 0;
}

void Statusbar::DrawLabel(DeviceContext& dc, int& x, const RECT& area, const wchar_t* text, COLORREF back)
{
    int n = static_cast<int>(wcslen(text));
    SIZE size{};
    int room = StatusTextRoom(dc.Hdc(), text, n, &size);
    RECT cell = {x, area.top, x + room, area.bottom};
    dc.FillRect(cell, back);
    int y = area.top + (area.bottom - area.top - size.cy) / 2;
    SetBkMode(dc.Hdc(), TRANSPARENT);
    DrawBarText(dc.Hdc(), x, y, text, n);
    x += room;
}

void Statusbar::DrawValue(DeviceContext& dc, int& x, int right, const RECT& area, const String& text,
                          COLORREF back)
{
    int n = static_cast<int>(text.Length());
    SIZE size{};
    int room = StatusTextRoom(dc.Hdc(), text.Data(), n, &size);
    int width = room > right - x ? room : right - x;
    RECT cell = {x, area.top, x + width, area.bottom};
    dc.FillRect(cell, back);
    int y = area.top + (area.bottom - area.top - size.cy) / 2;
    SetBkMode(dc.Hdc(), TRANSPARENT);
    DrawBarText(dc.Hdc(), x + width - room, y, text.Data(), n);
    x += width;
}

void Statusbar::DrawSeparator(DeviceContext& dc, int& x, const RECT& area)
{
    dc.FillRect({x, area.top, x + 1, area.bottom}, GetSysColor(COLOR_BTNSHADOW));
    dc.FillRect({x + 1, area.top, x + 2, area.bottom}, GetSysColor(COLOR_BTNHIGHLIGHT));
    x += 2;
}

void Statusbar::PaintInto(DeviceContext& dc, const RECT& client)
{
    int current = GetDpi();
    if (current != dpi) {
        dpi = current;
        for (int32& edge : edges)
            edge = 0;
    }
    GdiObj normal = GetFont();
    GdiObj bold = GetBoldFont();
    if (!normal.IsEmpty())
        dc.SelectFontHandle(normal.Font());
    SetTextColor(dc.Hdc(), GetSysColor(COLOR_BTNTEXT));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF highlight = RGB(GetRValue(face) * 5 / 10 + GetRValue(shadow) * 5 / 10,
                             GetGValue(face) * 5 / 10 + GetGValue(shadow) * 5 / 10,
                             GetBValue(face) * 5 / 10 + GetBValue(shadow) * 5 / 10);
    int lit = pressed ? pressed : hovered;
    bool grip = ShowsSizeGrip();
    RECT area = client;
    area.top += 2;
    if (grip)
        area.right -= gripWidth + 1;
    bool polish = IsPolishUi();
    int x = area.left;
    if (!state.hasText) {
        DrawLabel(dc, x, area, StatusPromptText(polish), face);
        dc.FillRect({x, area.top, area.right, area.bottom}, face);
    } else {
        StatusFieldText texts[StatusFieldCount];
        StatusFieldTexts(state, polish, texts);
        int last = state.dictionary.IsEmpty() ? StatusFieldCount - 1 : StatusFieldCount;
        for (int i = 0; i < last; i++) {
            COLORREF back = i + 1 == lit ? highlight : face;
            if (i == 4)
                back = EncodingFieldColor(state.encoding, back);
            dc.FillRect({x, area.top, x + FieldPad, area.bottom}, back);
            x += FieldPad;
            DrawLabel(dc, x, area, texts[i].label, back);
            if (!bold.IsEmpty())
                dc.SelectFontHandle(bold.Font());
            DrawValue(dc, x, edges[i] - FieldPad, area, texts[i].value, back);
            if (!normal.IsEmpty())
                dc.SelectFontHandle(normal.Font());
            if (edges[i] < x + FieldPad)
                edges[i] = x + FieldPad;
            dc.FillRect({x, area.top, edges[i], area.bottom}, back);
            x = edges[i];
            if (i + 1 < last)
                DrawSeparator(dc, x, area);
        }
        if (last < StatusFieldCount && edges[6] < edges[5])
            edges[6] = edges[5];
        DrawSeparator(dc, x, area);
        if (x < area.right)
            dc.FillRect({x, area.top, area.right, area.bottom}, face);
        if (pressed && pressed == hovered) {
            int left = pressed > 1 ? edges[pressed - 2] : 0;
            if (left != 0)
                left += 1;
            RECT frame = {left, area.top, edges[pressed - 1] + 1, area.bottom};
            dc.FrameRect4(frame, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT),
                          GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        }
    }
    if (grip) {
        RECT box = {client.right - gripWidth, area.top, client.right, client.bottom};
        dc.FillRect(box, face);
        bool themed = false;
        Form* form = OwningForm();
        HWND themeWindow = form ? form->GetHwnd() : hwnd;
        if (HTHEME theme = OpenThemeData(themeWindow, L"SCROLLBAR")) {
            themed = SUCCEEDED(DrawThemeBackground(theme, dc.Hdc(), SBP_SIZEBOX, SZB_RIGHTALIGN, &box, nullptr));
            CloseThemeData(theme);
        }
        if (!themed)
            DrawFrameControl(dc.Hdc(), &box, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
        int sx = box.left - 2;
        DrawSeparator(dc, sx, area);
    }
    dc.FillRect({client.left, client.top, client.right, client.top + 1}, face);
    dc.FillRect({client.left, client.top + 1, client.right, client.top + 2}, GetSysColor(COLOR_BTNHIGHLIGHT));
}

void Statusbar::OnPaint(MessageRecord&)
{
    // This paint shows the state the timer was waiting for.
    if (repaintDue) {
        repaintDue = false;
        KillTimer(RepaintTimer);
    }
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return;
    // Drawn off screen first, so fields do not flicker as the caret moves.
    DeviceContext memory;
    memory.Compatible(&dc);
    memory.SelectBitmap(MakeCompatibleBitmap(dc, client.right, client.bottom));
    PaintInto(memory, client);
    BitBlt(dc.Hdc(), 0, 0, client.right, client.bottom, memory.Hdc(), 0, 0, SRCCOPY);
}

void Statusbar::SetHover(int field)
{
    if (field == hovered)
        return;
    hovered = field;
    Invalidate();
}

void Statusbar::TrackHover(int x, int y)
{
    RECT client = ClientRect();
    bool over = x >= client.left && x < client.right && y >= client.top && y < client.bottom;
    int field = over && state.hasText ? FieldAtX(x) : 0;
    if (field == hovered)
        return;
    // While a field is held, only moving onto or off it matters.
    if (pressed && field != pressed && hovered != pressed)
        return;
    if (pressed && field != pressed)
        field = 0;
    SetHover(field);
}

void Statusbar::OnMouseMove(MessageRecord& m)
{
    TrackHover(MouseX(m), MouseY(m));
}

void Statusbar::OnMouseLeave(MessageRecord&)
{
    Invalidate();
    hovered = 0;
}

void Statusbar::OnLButtonDown(MessageRecord& m)
{
    TrackHover(MouseX(m), MouseY(m));
    pressed = hovered;
    Invalidate();
    Capture();
}

void Statusbar::OnLButtonUp(MessageRecord& m)
{
    TrackHover(MouseX(m), MouseY(m));
    int command = pressed && pressed == hovered ? StatusFieldCommand(pressed) : 0;
    Invalidate();
    pressed = 0;
    ReleaseCaptureIfHeld();
    if (command)
        SendCommandToParent(command, static_cast<int>(BarId));
}

const wchar_t* Statusbar::HintAt(POINT screenPoint)
{
    if (!IsOverAt(screenPoint))
        return nullptr;
    // The prompt has no fields to explain.
    if (!state.hasText)
        return L"";
    POINT p = ScreenToClientPoint(screenPoint);
    for (int i = 0; i < StatusFieldCount; i++)
        if (edges[i] > p.x)
            return StatusFieldHint(i + 1, IsPolishUi());
    return L"";
}
