#include "gui/Dialog.h"

#include "gui/Dpi.h"
#include "gui/Tooltip.h"

#include <algorithm>

Dialog::Dialog() : dialogOwner(nullptr), ownerDisabled(0), width(400), height(300), result(0) {}

Dialog::~Dialog()
{
    // A run left by an exception still gives the owner back.
    if (ownerDisabled && dialogOwner) {
        dialogOwner->EnableAfterModal(this);
        ownerDisabled = 0;
    }
}

void Dialog::Create(Form* ownerForm, uint32_t style, uint32_t id, const wchar_t* title)
{
    dialogOwner = ownerForm;
    ownerDisabled = 0;
    width = 400;
    height = 300;
    CreateFormWindow(style | DialogFrame, L"Dialog", ownerForm, id);
    if (!(style & NoTooltip))
        AddTooltip();
    SetTitle(title);
}

void Dialog::Place()
{
    DetectDpi();
    BuildFonts(GetDpi());
    SizeLimits limits;
    Measure(limits);
    int d = GetDpi();
    int w = MulDiv(width, d, 96);
    int h = MulDiv(height, d, 96);
    w = std::max(limits.minWidth, std::min(limits.maxWidth, w));
    h = std::max(limits.minHeight, std::min(limits.maxHeight, h));
    RECT r;
    if (dialogOwner) {
        RECT o = dialogOwner->WindowRect();
        r.left = o.left + ((o.right - o.left) - w) / 2;
        r.top = o.top + ((o.bottom - o.top) - h) / 2;
        r.right = r.left + w;
        r.bottom = r.top + h;
        ClampRectToWorkArea(r);
    } else {
        RECT current = WindowRect();
        r = {current.left, current.top, current.left + w, current.top + h};
        CentreRectOnWorkArea(r);
    }
    SetBounds(r);
}

void Dialog::ShowModal(Control* focus)
{
    Place();
    Show();
    Place();
    if (dialogOwner && !ownerDisabled) {
        dialogOwner->DisableForModal(this);
        ownerDisabled = 1;
    }
    if (focus)
        focus->SetFocus();
    Run();
    // The owner comes back before the dialog goes, so activation returns to it.
    if (dialogOwner && ownerDisabled) {
        dialogOwner->EnableAfterModal(this);
        ownerDisabled = 0;
    }
    Hide();
}

void Dialog::DefaultProc(MessageRecord& m)
{
    if (m.msg == WM_HELP && dialogOwner) {
        // Help is about the dialog as a whole, whatever control has the focus.
        auto* info = reinterpret_cast<HELPINFO*>(m.lParam);
        info->iContextType = HELPINFO_MENUITEM;
        info->iCtrlId = static_cast<int>(GetId());
        dialogOwner->SendMsg(WM_HELP, m.wParam, m.lParam);
        return;
    }
    Form::DefaultProc(m);
}

void Dialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

bool Dialog::HandleError(const Error& error)
{
    return dialogOwner ? dialogOwner->HandleError(error) : false;
}

void CancelDialogOnClose(Dialog& dialog)
{
    dialog.result = IDCANCEL;
    dialog.Quit();
}
