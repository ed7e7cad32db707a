#pragma once

// What the wrappers of the system's control classes share: making the
// subclassed window and measuring text in the control's own font.

#include "gui/Control.h"

// Fills the fields every wrapper has and makes its native window.
void CreateNativeControl(Control& control, ControlGroup* parent, const wchar_t* className,
                         DWORD windowStyle, uint32_t id, uint32_t controlStyle,
                         const wchar_t* hint);
// Subscribes the control to its form's font, sets the caption when one is
// given and shows it.
void FinishNativeControl(Control& control, const wchar_t* caption);

// InitCommonControlsEx once per process for each class set (ICC_ flags);
// InternalError when the system refuses.
void InitCommonControlClasses(DWORD classes);

// The control's window DC with the control's font selected.
DeviceContext MeasuringDC(Control& control);

// DrawTextW with DT_CALCRECT in {0, 0, width, height}; false when it fails.
bool DrawTextSize(DeviceContext& dc, const wchar_t* text, int64 length, UINT flags, LONG width,
                  LONG height, SIZE& size);
// Width of the 52 ASCII letters on one line, 520 when it cannot be measured.
int AlphabetWidth(DeviceContext& dc);
// GetTextExtentPoint32W; the fallback is 10 per character by 20.
SIZE TextExtent(DeviceContext& dc, const wchar_t* text, int64 length);
// The size assumed for a text that could not be measured: 10 per character
// by 20; measuring never fails.
SIZE FallbackTextSize(int64 length);

// The text of item index of a list or combo box, read with the given length
// and text messages; MemoryError when either fails.
String ListItemText(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index);

// Whether an edit control takes a dialog key for itself, by its key flags
// (1 Enter, 2 Tab, 4 Escape, 8 Up and Down).
bool EditWantsKey(const MSG& msg, uint32_t keyFlags);

enum EditKeyFlags : uint32_t { WantsEnter = 1, WantsTab = 2, WantsEscape = 4, WantsUpDown = 8 };

// Notification codes an edit control sends its parent for the keys it takes.
enum EditKeyCode : int { EditKeyUp = 40000, EditKeyDown = 40001, EditKeyTab = 40002,
                         EditKeyEnter = 40003, EditKeyEscape = 40004 };
