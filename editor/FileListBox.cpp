#include "editor/FileListBox.h"

#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"

#include <commctrl.h>

wchar_t ShortcutOfRow(int row)
{
    if (row >= 0 && row < 9)
        return static_cast<wchar_t>(L'1' + row);
    if (row == 9)
        return L'0';
    if (row >= 10 && row < 36)
        return static_cast<wchar_t>(L'A' + row - 10);
    return 0;
}

int RowOfShortcut(wchar_t c)
{
    if (c >= L'1' && c <= L'9')
        return c - L'1';
    if (c == L'0')
        return 9;
    if (c >= L'A' && c <= L'Z')
        return 10 + (c - L'A');
    if (c >= L'a' && c <= L'z')
        return 10 + (c - L'a');
    return -1;
}

FileListBox* NewFileListBox(ControlGroup* parent, uint32_t flags, uint32_t controlId, const wchar_t* hint)
{
    return MakeControl<FileListBox>([&](FileListBox& box) { box.Init(parent, flags, controlId, hint); });
}

void FileListBox::OnChar(MessageRecord& m)
{
    int row = RowOfShortcut(static_cast<wchar_t>(m.wParam));
    if (row >= 0 && row < RowCount()) {
        SelectRow(row);
        SendCommandToParent(static_cast<int>(id), ShortcutCode);
        return;
    }
    TableBox::DefaultProc(m);
}

void FileListDialog::Build(Form* owner, const FileListTexts& t)
{
    bool polish = IsPolishUi();
    result = -1;
    Create(owner, 0, t.dialogId, t.title);
    width = 580;
    height = 480;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    NewLabel(column, t.label);
    list = NewFileListBox(column, t.listFlags, t.listId, t.listHint);
    list->AddColumn(L"", 20);
    list->AddColumn(L"", 25);
    list->AddColumn(polish ? L"Nazwa pliku" : L"File name", 140);
    list->AddColumn(polish ? L"Katalog" : L"Directory", 340);
    ButtonsBar* buttons = NewButtonsBar(column);
    NewButton(buttons, L"OK", IDOK, t.okHint);
    NewButton(buttons, polish ? L"Anuluj" : L"Cancel", IDCANCEL, t.cancelHint);
}

void FileListDialog::AddFileRow(const wchar_t* mark, const String& path, const wchar_t* noName, int64 data)
{
    wchar_t shortcut[2] = {ShortcutOfRow(list->RowCount()), 0};
    String name = path.IsEmpty() ? String(noName) : FileNamePart(path);
    String folder = path.IsEmpty() ? String() : DirectoryPart(path);
    const wchar_t* cells[4] = {mark, shortcut, name.CStr(), folder.CStr()};
    list->AddRow(cells, 4, data);
}

Array<int64> FileListDialog::SelectedData()
{
    Array<int64> data;
    data.Reset();
    Array<int32_t> rows = list->SelectedRows();
    for (int64 i = 0; i < rows.Count(); i++)
        data.Insert(data.Count(), list->RowData(rows.At(i)));
    return data;
}

void FileListDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    int code = HIWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
    } else if (list && command == static_cast<int>(list->id) && code == FileListBox::ShortcutCode) {
        result = IDOK;
        Quit();
    }
}

void FileListDialog::OnNotify(MessageRecord& m)
{
    auto* header = reinterpret_cast<const NMHDR*>(m.lParam);
    if (list && header && header->idFrom == list->id && header->code == static_cast<UINT>(NM_DBLCLK)) {
        result = IDOK;
        Quit();
        return;
    }
    Dialog::OnNotify(m);
}

void FileListDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}
