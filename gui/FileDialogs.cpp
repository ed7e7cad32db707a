#include "gui/FileDialogs.h"

#include "base/ComRef.h"
#include "base/Error.h"
#include "base/StrFormat.h"
#include "base/SystemLibrary.h"
#include "base/UiLanguage.h"
#include "gui/GuiBase.h"

#include <shobjidl.h>

#include <cwchar>
#include <vector>

namespace {

const FileDialogCalls* Calls = nullptr;

using ParseNameFn = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);

// Looked up once per process; shell32 stays loaded.
ParseNameFn ItemParser()
{
    static const ParseNameFn parser = SystemFunction<ParseNameFn>(L"shell32.dll", "SHCreateItemFromParsingName");
    return parser;
}

using FileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);

// One buffer for every classic dialog: one dialog runs at a time on the GUI
// thread. Two spare units stay zero, so reading the name list always stops.
constexpr DWORD kNameUnits = 34000;
wchar_t NameBuffer[kNameUnits + 2];

void Check(HRESULT hr)
{
    if (FAILED(hr))
        throw MemoryError();
}

HWND OwnerHwnd(GuiBase* owner)
{
    return owner ? owner->hwnd : nullptr;
}

// Walks name and pattern pairs; stops at an empty name or a name without a
// pattern.
std::vector<COMDLG_FILTERSPEC> FilterSpecs(const wchar_t* filters)
{
    std::vector<COMDLG_FILTERSPEC> specs;
    if (filters == nullptr)
        return specs;
    const wchar_t* p = filters;
    while (*p) {
        const wchar_t* name = p;
        p += wcslen(p) + 1;
        if (*p == 0)
            break;
        specs.push_back({name, p});
        p += wcslen(p) + 1;
    }
    return specs;
}

template <class T>
bool CreateItemDialog(REFCLSID clsid, ComRef<T>& dialog)
{
    if (ItemParser() == nullptr)
        return false;
    void* out = nullptr;
    HRESULT hr = Calls && Calls->createInstance
                     ? Calls->createInstance(clsid, __uuidof(T), &out)
                     : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), &out);
    if (FAILED(hr) || out == nullptr)
        return false;
    dialog.Reset(static_cast<T*>(out));
    return true;
}

// A folder that cannot be parsed is ignored.
void SetItemFolder(IFileDialog* dialog, const wchar_t* folder)
{
    if (folder == nullptr || *folder == 0)
        return;
    ComRef<IShellItem> item;
    if (SUCCEEDED(ItemParser()(folder, nullptr, IID_IShellItem,
                               reinterpret_cast<void**>(item.Out()))) &&
        item)
        dialog->SetFolder(item.Get());
}

void SetFileTypes(IFileDialog* dialog, const std::vector<COMDLG_FILTERSPEC>& specs)
{
    if (!specs.empty())
        Check(dialog->SetFileTypes(static_cast<UINT>(AsInt(specs.size())), specs.data()));
}

// False when the user cancelled.
bool ShowItemDialog(IFileDialog* dialog, GuiBase* owner)
{
    HRESULT hr = dialog->Show(OwnerHwnd(owner));
    if (hr == HRESULT_FROM_WIN32(ERROR_CANCELLED))
        return false;
    Check(hr);
    return true;
}

String ItemPath(IShellItem* item)
{
    CoTaskMemPtr name;
    Check(item->GetDisplayName(SIGDN_FILESYSPATH, name.Out()));
    return String(name.Get());
}

// The one chosen path, empty when cancelled.
String RunForOnePath(IFileDialog* dialog, GuiBase* owner)
{
    if (!ShowItemDialog(dialog, owner))
        return String();
    ComRef<IShellItem> item;
    Check(dialog->GetResult(item.Out()));
    return ItemPath(item.Get());
}

void ConfigureOpen(IFileOpenDialog* dialog, const wchar_t* title, const wchar_t* filters,
                   const wchar_t* folder, bool several)
{
    std::vector<COMDLG_FILTERSPEC> specs = FilterSpecs(filters);
    FILEOPENDIALOGOPTIONS options = 0;
    Check(dialog->GetOptions(&options));
    if (several)
        options |= FOS_ALLOWMULTISELECT;
    Check(dialog->SetOptions(options | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST |
                             FOS_FORCEFILESYSTEM));
    if (!specs.empty()) {
        SetFileTypes(dialog, specs);
        Check(dialog->SetFileTypeIndex(1));
    }
    SetItemFolder(dialog, folder);
    dialog->SetTitle(title);
}

const wchar_t* BuiltInFilter()
{
    return IsPolishUi() ? L"Wszystkie pliki\0*.*\0" : L"All files\0*.*\0";
}

void FillRecord(OPENFILENAMEW& record, GuiBase* owner, const wchar_t* title,
                const wchar_t* filters, const wchar_t* folder, DWORD flags)
{
    record = OPENFILENAMEW();
    record.lStructSize = sizeof(record);
    record.hwndOwner = OwnerHwnd(owner);
    record.lpstrFilter = filters ? filters : BuiltInFilter();
    record.nFilterIndex = 1;
    record.lpstrFile = NameBuffer;
    record.nMaxFile = kNameUnits;
    record.lpstrInitialDir = folder;
    record.lpstrTitle = title;
    record.Flags = flags;
}

void ClearNameBuffer()
{
    NameBuffer[0] = 0;
    NameBuffer[kNameUnits] = 0;
    NameBuffer[kNameUnits + 1] = 0;
}

// False when cancelled or failed.
bool RunClassic(OPENFILENAMEW& record, bool save)
{
    BOOL ok;
    // comdlg32 is loaded with the first classic dialog.
    if (save)
        ok = Calls && Calls->getSaveFileName
                 ? Calls->getSaveFileName(&record)
                 : RequiredSystemFunction<FileNameFn>(L"comdlg32.dll", "GetSaveFileNameW")(&record);
    else
        ok = Calls && Calls->getOpenFileName
                 ? Calls->getOpenFileName(&record)
                 : RequiredSystemFunction<FileNameFn>(L"comdlg32.dll", "GetOpenFileNameW")(&record);
    NameBuffer[kNameUnits] = 0;
    NameBuffer[kNameUnits + 1] = 0;
    return ok != 0;
}

constexpr DWORD kOpenFlags =
    OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY;

}  // namespace

void SetFileDialogCalls(const FileDialogCalls* calls)
{
    Calls = calls;
}

String OpenFileDialog(GuiBase* owner, const wchar_t* title, const wchar_t* filters,
                      const wchar_t* folder)
{
    ComRef<IFileOpenDialog> dialog;
    if (CreateItemDialog(CLSID_FileOpenDialog, dialog)) {
        ConfigureOpen(dialog.Get(), title, filters, folder, false);
        return RunForOnePath(dialog.Get(), owner);
    }
    ClearNameBuffer();
    OPENFILENAMEW record;
    FillRecord(record, owner, title, filters, folder, kOpenFlags);
    if (!RunClassic(record, false))
        return String();
    return String(NameBuffer);
}

Array<String> OpenFilesDialog(GuiBase* owner, const wchar_t* title, const wchar_t* folder)
{
    Array<String> paths;
    paths.Reset();
    ComRef<IFileOpenDialog> dialog;
    if (CreateItemDialog(CLSID_FileOpenDialog, dialog)) {
        ConfigureOpen(dialog.Get(), title, nullptr, folder, true);
        if (!ShowItemDialog(dialog.Get(), owner))
            return paths;
        ComRef<IShellItemArray> items;
        Check(dialog->GetResults(items.Out()));
        DWORD count = 0;
        Check(items->GetCount(&count));
        for (DWORD i = 0; i < count; i++) {
            ComRef<IShellItem> item;
            Check(items->GetItemAt(i, item.Out()));
            String path = ItemPath(item.Get());
            paths.Insert(paths.Count(), path);
        }
        return paths;
    }
    ClearNameBuffer();
    OPENFILENAMEW record;
    FillRecord(record, owner, title, nullptr, folder, kOpenFlags | OFN_ALLOWMULTISELECT);
    if (!RunClassic(record, false) || NameBuffer[0] == 0)
        return paths;
    // The folder, then the names, each ended by a zero, then an empty text;
    // a lone path when only one file was chosen.
    const wchar_t* first = NameBuffer;
    size_t firstLength = wcslen(first);
    const wchar_t* name = first + firstLength + 1;
    if (*name == 0) {
        paths.Append(first);
        return paths;
    }
    bool endsInSeparator = first[firstLength - 1] == L'\\';
    const wchar_t* separator = endsInSeparator ? L"" : L"\\";
    while (*name) {
        size_t length = wcslen(name);
        String path;
        path.Concat3(first, static_cast<int64>(firstLength), separator, endsInSeparator ? 0 : 1,
                     name, static_cast<int64>(length));
        paths.Insert(paths.Count(), path);
        name += length + 1;
    }
    return paths;
}

String SaveFileDialog(GuiBase* owner, const wchar_t* title, const wchar_t* filters,
                      const wchar_t* folder, const wchar_t* fileName)
{
    ComRef<IFileSaveDialog> dialog;
    if (CreateItemDialog(CLSID_FileSaveDialog, dialog)) {
        std::vector<COMDLG_FILTERSPEC> specs = FilterSpecs(filters);
        FILEOPENDIALOGOPTIONS options = 0;
        Check(dialog->GetOptions(&options));
        options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_OVERWRITEPROMPT);
        Check(dialog->SetOptions(options | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM));
        SetFileTypes(dialog.Get(), specs);
        SetItemFolder(dialog.Get(), folder);
        if (fileName)
            dialog->SetFileName(fileName);
        dialog->SetTitle(title);
        return RunForOnePath(dialog.Get(), owner);
    }

    // A joined path short enough for the old limit goes in whole; a longer
    // one as folder and bare name. Callers pass folders ending in "\".
    ClearNameBuffer();
    const wchar_t* initialFolder = folder;
    if (fileName && *fileName) {
        String path;
        path.Concat(folder ? folder : L"", folder ? static_cast<int64>(wcslen(folder)) : 0,
                    fileName, static_cast<int64>(wcslen(fileName)));
        if (path.Length() < MAX_PATH) {
            initialFolder = nullptr;
            CopyToBuffer(NameBuffer, kNameUnits, path.CStr());
        } else {
            CopyToBuffer(NameBuffer, kNameUnits, fileName);
        }
    }
    OPENFILENAMEW record;
    FillRecord(record, owner, title, filters, initialFolder,
               OFN_LONGNAMES | OFN_EXPLORER | OFN_PATHMUSTEXIST);
    if (!RunClassic(record, true))
        return String();
    return String(NameBuffer);
}
