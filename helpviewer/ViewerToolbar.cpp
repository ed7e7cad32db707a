#include "helpviewer/ViewerToolbar.h"

#include <new>

ViewerToolbar* NewViewerToolbar(ControlGroup* parent, uint32_t controlId)
{
    return static_cast<ViewerToolbar*>(NewToolbar(parent, controlId, new (std::nothrow) ViewerToolbar()));
}

void ViewerToolbar::AddLabel(uint32_t command, const wchar_t* text, int imageX, int imageWidth, int imageHeight,
                             int priority)
{
    AddButton(command, text, imageX, imageWidth, imageHeight, priority);
    items.At(items.Count() - 1).kind = ToolbarLabel;
}

void ViewerToolbar::Layout()
{
    const int available = ClientRect().right;
    const int total = ResetWidths();
    if (total < available)
        AddCaptions(total, available);
    else if (total > available && !fixedMinWidth)
        DropButtons(total, available);
}
