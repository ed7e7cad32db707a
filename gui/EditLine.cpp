#include "gui/EditLine.h"

#include "gui/NativeControl.h"

EditLine::EditLine() : keyFlags(0), verticalInset(4), minWidth(0), minHeight(0) {}

void EditLine::Measure(SizeLimits& limits)
{
    DeviceContext dc = MeasuringDC(*this);
    SIZE o;
    LONG oWidth = 10;
    if (dc.IsOpen() && GetTextExtentPoint32W(dc.Hdc(), L"o", 1, &o))
        oWidth = o.cx;
    minWidth = 7 * oWidth;
    minHeight = dc.LineHeight() + 2 * MulDiv(verticalInset, GetDpi(), 96);
    limits = {minWidth, minHeight, Unbounded, minHeight};
}

void EditLine::OnGetDlgCode(MessageRecord& m)
{
    if (m.lParam && keyFlags && EditWantsKey(*reinterpret_cast<const MSG*>(m.lParam), keyFlags)) {
        m.result = DLGC_WANTALLKEYS;
        return;
    }
    DefaultProc(m);
}

void EditLine::OnKeyDown(MessageRecord& m)
{
    // The arrows never move the caret of a one-line field: the owner uses
    // them (histories, lists below the field).
    if (m.wParam == VK_UP || m.wParam == VK_DOWN) {
        SendCommandToParent(static_cast<int>(id), m.wParam == VK_UP ? EditKeyUp : EditKeyDown);
        return;
    }
    DefaultProc(m);
}

void EditLine::OnChar(MessageRecord& m)
{
    int code = 0;
    switch (m.wParam) {
    case 9: code = EditKeyTab; break;
    case 13: code = EditKeyEnter; break;
    case 27: code = EditKeyEscape; break;
    default: break;
    }
    if (code) {
        SendCommandToParent(static_cast<int>(id), code);
        return;
    }
    DefaultProc(m);
}

EditLine* NewEditLine(ControlGroup* parent, uint32_t options, uint32_t id, const wchar_t* hint)
{
    DWORD windowStyle = ES_AUTOHSCROLL;
    if (options & EditReadOnly)
        windowStyle |= ES_READONLY;
    if (options & EditRightAligned)
        windowStyle |= ES_RIGHT;
    if (options & EditPassword)
        windowStyle |= ES_PASSWORD;
    uint32_t controlStyle = options & ~uint32_t(EditNoEdge | EditReadOnly | EditRightAligned |
                                                 EditPassword);
    if (!(options & EditNoEdge))
        controlStyle |= ClientEdge;
    return MakeControl<EditLine>([&](EditLine& line) {
        CreateNativeControl(line, parent, L"EDIT", windowStyle, id, controlStyle, hint);
        line.verticalInset = 4;
        FinishNativeControl(line, nullptr);
    });
}
