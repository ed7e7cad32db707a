#pragma once

// The viewer's toolbar: the framework's row of image buttons, fitted to its
// width in one direction only. With room to spare it shows captions,
// smallest priority first; too narrow, it hides buttons, largest priority
// first, and shows no caption at all.

#include "gui/Toolbar.h"

// A button shown mainly by its caption.
enum : int32_t { ToolbarLabel = 2 };

class ViewerToolbar : public Toolbar {
public:
    void AddLabel(uint32_t command, const wchar_t* text, int imageX, int imageWidth, int imageHeight,
                  int priority);
    void Layout() override;
};

ViewerToolbar* NewViewerToolbar(ControlGroup* parent, uint32_t controlId);
