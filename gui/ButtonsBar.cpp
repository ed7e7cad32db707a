#include "gui/ButtonsBar.h"

#include "gui/ChildRecords.h"

#include <algorithm>

ButtonsBar::ButtonsBar() : gap(8), sideMargin(0), topMargin(8), bottomMargin(0) {}

ButtonsBar::~ButtonsBar()
{
    DeleteChildRecords(buttons);
}

void ButtonsBar::AddChild(Control* child)
{
    buttons.Insert(buttons.Count(), Entry{child, 0, 0});
}

void ButtonsBar::RemoveChild(Control* child)
{
    RemoveChildRecord(buttons, child);
}

void ButtonsBar::Measure(SizeLimits& limits)
{
    limits = {0, 0, 0, 0};
    if (IsCollapsed())
        return;
    int32_t least = 10;
    {
        DeviceContext dc = MeasureDC();
        SIZE o;
        if (dc.IsOpen() && GetTextExtentPoint32W(dc.Hdc(), L"O", 1, &o))
            least = o.cx;
    }
    least *= 2;
    int d = GetDpi();
    int32_t g = MulDiv(gap, d, 96);
    bool first = true;
    for (int64 i = 0; i < buttons.Count(); i++) {
        Control* child = buttons.At(i).child;
        if (child->IsCollapsed())
            continue;
        SizeLimits l = {0, 0, 0, 0};
        child->Measure(l);
        Entry& e = buttons.At(i);
        e.width = std::max(l.minWidth, least);
        e.height = l.minHeight;
        limits.minWidth += e.width + (first ? 0 : g);
        limits.minHeight = std::max(limits.minHeight, e.height);
        first = false;
    }
    limits.minWidth += 2 * MulDiv(sideMargin, d, 96);
    limits.minHeight += MulDiv(topMargin, d, 96) + MulDiv(bottomMargin, d, 96);
    // Exact; a stretching parent still hands the bar a wider rectangle.
    limits.maxWidth = limits.minWidth;
    limits.maxHeight = limits.minHeight;
}

void ButtonsBar::SetBounds(const RECT& rect)
{
    int d = GetDpi();
    int32_t side = MulDiv(sideMargin, d, 96);
    int32_t top = rect.top + MulDiv(topMargin, d, 96);
    int32_t bottom = rect.bottom - MulDiv(bottomMargin, d, 96);
    int32_t g = MulDiv(gap, d, 96);
    int32_t x = rect.right - side;
    for (int64 i = buttons.Count() - 1; i >= 0; i--) {
        const Entry& e = buttons.At(i);
        if (e.child->IsCollapsed())
            continue;
        Control* child = e.child;
        int32_t left = x - e.width;
        child->SetBounds({left, top, x, bottom});
        x = left - g;
    }
}

const wchar_t* ButtonsBar::HintAt(POINT screenPoint)
{
    return FirstChildHint(buttons, screenPoint);
}

uint32_t ButtonsBar::HintIdAt(POINT screenPoint)
{
    return FirstChildHintId(buttons, screenPoint);
}

ButtonsBar* NewButtonsBar(ControlGroup* parent)
{
    return MakeControl<ButtonsBar>([&](ButtonsBar& bar) {
        bar.parent = parent;
        bar.style = Windowless;
        bar.Create(L"Buttons Bar", 0, 0);
        bar.Show();
    });
}
