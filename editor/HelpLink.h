#pragma once

// The editor's side of the help viewer link: starts "guidora.exe" beside the
// editor, steers a running viewer by the registered message, and keeps the
// viewer's last rectangle so that the next viewer opens where it stood.

#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

class Form;

// The running help viewer as the editor knows it: the registered message
// (0 until registered), the viewer's window, and its last rectangle.
struct ViewerLink {
    UINT message = 0;
    HWND window = nullptr;
    RECT rect = {};
    u8 rectKnown = 0;
};
ViewerLink& HelpViewerLink();

// Posts the topic to a running viewer, else starts one on it.
void ShowViewerTopic(Form* owner, int32 topic);
// Starts the viewer process; throws WinError (with the viewer's path) or MemoryError.
void StartViewer(Form* owner, const String& topic);
// The command line StartViewer uses.
String ViewerCommandLine(const String& path, const String& topic, HWND owner);
// Takes the viewer's rectangle unless it is maximised; false when none is known.
bool RememberViewerRect(RECT& r);
// The main window's handling of the viewer's codes 1-4; false for other messages.
bool HandleViewerMessage(Form* editor, UINT msg, WPARAM code, LPARAM lParam);
