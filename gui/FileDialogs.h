#pragma once

// The system's dialogs that ask for file names: the shell's item dialog when
// the system offers it, the classic common dialogs otherwise. Cancelling gives
// an empty result and is not an error. OLE must be initialised on the thread.

#include "base/Array.h"
#include "base/String.h"

#include <windows.h>

#include <commdlg.h>

class GuiBase;

// filters: name and pattern pairs, each zero-terminated, ended by an empty
// text (the lpstrFilter form); null gives the built-in "All files" list.
String OpenFileDialog(GuiBase* owner, const wchar_t* title, const wchar_t* filters,
                      const wchar_t* folder);
Array<String> OpenFilesDialog(GuiBase* owner, const wchar_t* title, const wchar_t* folder);
// No default extension and no overwrite prompt: the caller asks before
// replacing a file.
String SaveFileDialog(GuiBase* owner, const wchar_t* title, const wchar_t* filters,
                      const wchar_t* folder, const wchar_t* fileName);

// Lets tests take the classic path on a system that offers the item dialog,
// and see what the classic dialogs are given. A null member, or a null table,
// means the system's own call.
struct FileDialogCalls {
    HRESULT (*createInstance)(REFCLSID clsid, REFIID iid, void** out);
    BOOL (*getOpenFileName)(OPENFILENAMEW* record);
    BOOL (*getSaveFileName)(OPENFILENAMEW* record);
};
void SetFileDialogCalls(const FileDialogCalls* calls);
