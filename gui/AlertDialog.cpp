#include "gui/AlertDialog.h"

#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/Clipboard.h"
#include "gui/Dpi.h"
#include "gui/ElasticGroup.h"
#include "gui/StaticIcon.h"
#include "gui/StaticText.h"

#include <string>

namespace {

struct KindInfo {
    uint32_t icon;
    UINT beep;
};

// By kind modulo 8; 5 to 7 are plain.
const KindInfo Kinds[8] = {
    {0, 0},
    {32515 /* IDI_EXCLAMATION */, MB_ICONEXCLAMATION},
    {32513 /* IDI_HAND */, MB_ICONHAND},
    {32514 /* IDI_QUESTION */, MB_ICONQUESTION},
    {32516 /* IDI_ASTERISK */, MB_ICONASTERISK},
    {0, 0},
    {0, 0},
    {0, 0},
};

const wchar_t Dashes[] = L"---------------------------";

} // namespace

AlertDialog::AlertDialog()
    : defaultPosition(-1), cancelPosition(-1), focusButton(nullptr), buttons{}, iconId(0),
      iconControl(nullptr)
{
    result = -1;
}

AlertDialog::~AlertDialog() = default;

int32_t AlertDialog::Run(Form* ownerForm, const wchar_t* text, const wchar_t* title,
                         const wchar_t* list, int32_t kind)
{
    message = String(text);
    buttonList = String(list);
    result = -1;
    defaultPosition = -1;
    cancelPosition = -1;
    focusButton = nullptr;
    iconControl = nullptr;
    const KindInfo& info = Kinds[static_cast<uint32_t>(kind) % 8];
    iconId = info.icon;

    Create(ownerForm, 0, 51, title);
    windowBrush = MakeSolidBrush(GetSysColor(COLOR_WINDOW));

    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->gap = 8;
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, column);
    row->gap = 16;
    row->horizontalMargin = 16;
    row->verticalMargin = 12;
    if (iconId)
        iconControl = NewStaticIcon(row);
    StaticText* textControl = NewStaticText(row, message.CStr());
    textControl->wrapWidth = -60;
    CreateButtons(NewButtonsBar(column), buttonList.CStr());
    width = 100;

    if (info.beep)
        MessageBeep(info.beep);
    LoadIcon(GetDpi());
    ShowModal(focusButton);

    if (result == -1)
        return -1;
    if (result == IDOK && defaultPosition >= 0)
        return defaultPosition;
    if (result == IDCANCEL && cancelPosition >= 0)
        return cancelPosition;
    return result - FirstPlainId;
}

void AlertDialog::CreateButtons(ButtonsBar* bar, const wchar_t* list)
{
    if (list == nullptr || *list == 0)
        throw InternalError();
    // The whole list is checked before the first button is made.
    int count = 0;
    const wchar_t* start = list;
    for (const wchar_t* p = list;; p++) {
        if (*p != L'|' && *p != 0)
            continue;
        if (p == start || ++count > MaxButtons)
            throw InternalError();
        if (*p == 0)
            break;
        start = p + 1;
    }
    const wchar_t* p = list;
    for (int position = 0; position < count; position++) {
        const wchar_t* end = p;
        while (*end && *end != L'|')
            end++;
        uint32_t commandId = static_cast<uint32_t>(FirstPlainId + position);
        if (*p == L'+') {
            commandId = IDOK;
            defaultPosition = position;
            p++;
        } else if (*p == L'-') {
            commandId = IDCANCEL;
            cancelPosition = position;
            p++;
        }
        String caption(p, end - p);
        buttons[position] = NewButton(bar, caption.CStr(), commandId, nullptr);
        p = *end ? end + 1 : end;
    }
    if (count == 1 && defaultPosition == 0)
        cancelPosition = defaultPosition;
    if (cancelPosition < 0 && hwnd)
        ::EnableMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    if (defaultPosition >= 0)
        focusButton = buttons[defaultPosition];
    else if (cancelPosition >= 0)
        focusButton = buttons[cancelPosition];
    else
        focusButton = buttons[0];
}

void AlertDialog::LoadIcon(int dpiValue)
{
    if (iconId == 0 || iconControl == nullptr)
        return;
    int system = SystemDpi();
    int w = MulDiv(GetSystemMetrics(SM_CXICON), dpiValue, system);
    int h = MulDiv(GetSystemMetrics(SM_CYICON), dpiValue, system);
    Icon icon;
    LoadIconSized(icon, nullptr, MAKEINTRESOURCEW(iconId), w, h);
    iconControl->SetIcon(icon, w, h);
}

void AlertDialog::CopyAsText()
{
    std::wstring text;
    text.append(Dashes).append(L"\r\n");
    String title = GetText();
    text.append(title.CStr()).append(L"\r\n").append(Dashes).append(L"\r\n");
    text.append(message.CStr(), static_cast<size_t>(message.Length()));
    text.append(L"\r\n").append(Dashes).append(L"\r\n");
    const wchar_t* p = buttonList.CStr();
    for (int position = 0; position < MaxButtons && *p; position++) {
        const wchar_t* end = p;
        while (*end && *end != L'|')
            end++;
        if (end == p)
            break;
        if (*p == L'+' || *p == L'-')
            p++;
        if (position > 0)
            text.append(L"   ");
        text.append(p, static_cast<size_t>(end - p));
        p = *end ? end + 1 : end;
    }
    text.append(L"\r\n").append(Dashes).append(L"\r\n");
    Clipboard::SetText(*this, text.data(), static_cast<int64>(text.size()));
}

void AlertDialog::DefaultProc(MessageRecord& m)
{
    switch (m.msg) {
    case WM_CTLCOLORSTATIC: {
        // The icon and the message sit on the window colour.
        auto dc = reinterpret_cast<HDC>(m.wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        m.result = reinterpret_cast<LRESULT>(windowBrush.Brush());
        return;
    }
    case WM_DPICHANGED:
        try {
            LoadIcon(HIWORD(m.wParam));
        } catch (const Error&) {
            // The old icon stays; the box is still placed for the new DPI.
        }
        Dialog::DefaultProc(m);
        return;
    default:
        Dialog::DefaultProc(m);
        return;
    }
}

void AlertDialog::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    dc.SelectFont(GetFont());
    int h = 20;
    SIZE o;
    if (GetTextExtentPoint32W(dc.Hdc(), L"O", 1, &o))
        h = o.cy;
    RECT c = ClientRect();
    LONG y = c.bottom - h - MulDiv(30, GetDpi(), 96);
    dc.FillRect({c.left, c.top, c.right, y}, GetSysColor(COLOR_WINDOW));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    dc.FillRect({c.left, y, c.right, c.bottom}, face);
    dc.FillRect({c.left, y, c.right, y + 1}, MixColors(face, GetSysColor(COLOR_BTNSHADOW), 20, 100));
}

void AlertDialog::OnClose(MessageRecord&)
{
    // Without a cancel button only a button ends the box.
    if (cancelPosition < 0)
        return;
    result = IDCANCEL;
    Quit();
}

void AlertDialog::OnCommand(MessageRecord& m)
{
    int id = LOWORD(m.wParam);
    // Escape and Enter arrive from the dialog manager as 2 and 1.
    if ((id == IDCANCEL && cancelPosition < 0) || (id == IDOK && defaultPosition < 0))
        return;
    result = id;
    Quit();
}

bool AlertDialog::PreTranslate(MSG& msg)
{
    if (msg.message == WM_KEYDOWN && msg.wParam == 'C' && GetKeyState(VK_CONTROL) < 0) {
        CopyAsText();
        return true;
    }
    return Dialog::PreTranslate(msg);
}

int32_t ShowAlert(Form* owner, const wchar_t* message, const wchar_t* title,
                  const wchar_t* buttonList, int32_t kind)
{
    OwnPtr<AlertDialog> dialog;
    try {
        dialog.Reset(new AlertDialog());
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    return dialog->Run(owner, message ? message : L"", title, buttonList ? buttonList : L"", kind);
}

int32_t ShowAlertString(Form* owner, const String& message, const wchar_t* title,
                        const wchar_t* buttonList, int32_t kind)
{
    return ShowAlert(owner, message.CStr(), title, buttonList, kind);
}
