#include "gui/ColorBox.h"

ColorBox* NewColorBox(ControlGroup* parent, const wchar_t* hint)
{
    return MakeControl<ColorBox>([&](ColorBox& box) {
        box.parent = parent;
        box.id = ColorBox::BoxId;
        box.style = OwnClass | ArrowCursor;
        box.SetHint(hint);
        box.Create(L"Color Box", 0, 0);
        box.Show();
    });
}

int ColorBox::SlotOf(COLORREF colour) const
{
    for (int i = 0; i < count; i++)
        if (colours[i] == colour)
            return i;
    return -1;
}

void ColorBox::AddRecentColor(COLORREF colour)
{
    int slot = SlotOf(colour);
    if (slot >= 0) {
        stamps[slot] = static_cast<int32_t>(useCounter++);
        return;
    }
    if (count < MaxColors) {
        slot = count++;
    } else {
        slot = 0;
        for (int i = 1; i < MaxColors; i++)
            if (stamps[i] < stamps[slot])
                slot = i;
    }
    colours[slot] = colour;
    stamps[slot] = static_cast<int32_t>(useCounter++);
    Invalidate();
}

void ColorBox::SetColor(COLORREF colour)
{
    AddRecentColor(colour);
    current = colour;
    Invalidate();
}

void ColorBox::Measure(SizeLimits& limits)
{
    int d = GetDpi();
    limits.minWidth = MaxColors * MulDiv(4, d, 96);
    limits.maxWidth = Unbounded;
    limits.minHeight = limits.maxHeight = MulDiv(24, d, 96);
}

void ColorBox::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    RECT client = ClientRect();
    DeviceContext memory;
    memory.Compatible(&dc);
    memory.SelectBitmap(MakeCompatibleBitmap(dc, client.right, client.bottom));
    PaintBackground(memory, client, this);
    int w = client.right;
    bool dark = GetRValue(current) + GetGValue(current) + GetBValue(current) < 240;
    for (int i = 0; i < count; i++) {
        int left = i * w / count;
        int right = (i + 1) * w / count;
        memory.FillRect({left, client.top + 2, right, client.bottom - 2}, colours[i]);
    }
    for (int i = 0; i < count; i++) {
        if (colours[i] != current)
            continue;
        int left = i * w / count;
        int right = (i + 1) * w / count;
        RECT frame = {left > 0 ? left - 1 : left, client.top + 1, right < w ? right + 1 : right,
                      client.bottom - 1};
        if (dark) {
            memory.FrameRect(frame, RGB(255, 255, 255), 2);
            memory.FrameRect(frame, RGB(0, 0, 0), 1);
        } else {
            memory.FrameRect(frame, RGB(0, 0, 0), 2);
        }
    }
    BitBlt(dc.Hdc(), 0, 0, client.right, client.bottom, memory.Hdc(), 0, 0, SRCCOPY);
    if (HasFocus() && !(SendMsg(WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
        DrawFocusRect(dc.Hdc(), &client);
}

void ColorBox::MakeCurrent(int slot)
{
    current = colours[slot];
    Invalidate();
    SendCommandToParent(static_cast<int>(id), ChangedCode);
}

void ColorBox::OnLButtonDown(MessageRecord& m)
{
    SetFocus();
    int x = static_cast<short>(LOWORD(m.lParam));
    int w = ClientRect().right;
    int index = x <= 0 ? 0 : (x < w ? count * x / w : count);
    if (index >= 0 && index < count)
        MakeCurrent(index);
}

void ColorBox::OnKeyDown(MessageRecord& m)
{
    int i = SlotOf(current);
    if (i < 0)
        i = 0;
    if (m.wParam == VK_LEFT && i >= 1)
        MakeCurrent(i - 1);
    else if (m.wParam == VK_RIGHT && i + 1 < count)
        MakeCurrent(i + 1);
}

void ColorBox::OnSetFocus(MessageRecord&)
{
    Invalidate();
}

void ColorBox::OnKillFocus(MessageRecord&)
{
    Invalidate();
}

void ColorBox::OnGetDlgCode(MessageRecord& m)
{
    m.result = DLGC_WANTARROWS;
}
