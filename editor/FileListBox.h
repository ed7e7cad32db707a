#pragma once

// A table of file names whose rows can also be picked by their shortcut
// character, and the dialog frame the two text-list dialogs share.

#include "base/String.h"
#include "gui/Dialog.h"
#include "gui/TableBox.h"

class FileListBox : public TableBox {
public:
    enum : int { ShortcutCode = 2 };
    void OnChar(MessageRecord& m) override;
};

FileListBox* NewFileListBox(ControlGroup* parent, uint32_t flags, uint32_t controlId, const wchar_t* hint);

// "1".."9" for rows 0-8, "0" for row 9, "A".."Z" for rows 10-35; 0 beyond.
wchar_t ShortcutOfRow(int row);
// The row a typed character stands for; -1 for any other character.
int RowOfShortcut(wchar_t c);

// Texts of one list dialog in the interface language.
struct FileListTexts {
    uint32_t dialogId;
    const wchar_t* title;
    const wchar_t* label;
    uint32_t listId;
    uint32_t listFlags;
    const wchar_t* listHint;
    const wchar_t* okHint;
    const wchar_t* cancelHint;
};

// OK, Cancel, the close box, a shortcut and a double-click end the run;
// result 1 means the selected rows were chosen.
class FileListDialog : public Dialog {
public:
    void OnCommand(MessageRecord& m) override;
    void OnNotify(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;

    // Builds label, list with its four columns and the two buttons.
    void Build(Form* owner, const FileListTexts& texts);
    // Mark, shortcut, file name and directory of a row carrying data.
    void AddFileRow(const wchar_t* mark, const String& path, const wchar_t* noName, int64 data);
    // The rows' data values of the selection, in row order.
    Array<int64> SelectedData();

    FileListBox* list = nullptr;
};
