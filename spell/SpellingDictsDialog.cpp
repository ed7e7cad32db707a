#include "spell/SpellingDictsDialog.h"

#include "base/Paths.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "gui/AlertDialog.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/CheckMark.h"
#include "gui/ElasticGroup.h"
#include "gui/ErrorText.h"
#include "gui/FileDialogs.h"
#include "gui/InputLineDialog.h"
#include "gui/Label.h"
#include "gui/TableBox.h"
#include "spell/DictFiles.h"
#include "spell/DictImport.h"

#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <new>

namespace {

const DictsDialogAlerts* g_alerts = nullptr;

int32 Ask(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind)
{
    if (g_alerts && g_alerts->ask)
        return g_alerts->ask(owner, message, title, buttons, kind);
    return ShowAlert(owner, message, title, buttons, kind);
}

void Warn(Form* owner, const wchar_t* message, const wchar_t* title)
{
    Ask(owner, message, title, L"+OK", AlertWarning);
}

void ShowError(Form* owner, const wchar_t* title, const Error& error)
{
    if (g_alerts && g_alerts->showError)
        g_alerts->showError(owner, title, error);
    else
        ShowErrorAlert(owner, title, error);
}

// Runs one of the manager's buttons: Abort is silent, any other failure is
// shown under title and the dialog stays open.
template <class Body>
void Guarded(Form* owner, const wchar_t* title, Body body)
{
    try {
        body();
    } catch (const Error& error) {
        if (error.code != Abort().code)
            ShowError(owner, title, error);
    } catch (const std::bad_alloc&) {
        ShowError(owner, title, MemoryError());
    }
}

const wchar_t* BadNameText()
{
    return UiText(L"Nazwa słownika nie może zawierać znaków /\\:<>~.",
                  L"The dictionary name can not contain characters /\\:<>~.");
}

// The user's profile folder, where the file dialog starts.
String ProfileFolder()
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROFILE, &list)) || !list)
        throw MemoryError();
    wchar_t path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    if (!ok)
        throw MemoryError();
    return String(path);
}

ElasticGroup* Group(int32_t orientation, ControlGroup* parent, int32_t margin)
{
    ElasticGroup* group = NewElasticGroup(orientation, parent);
    group->horizontalMargin = margin;
    group->verticalMargin = margin;
    group->gap = 8;
    return group;
}

int SelectedRow(TableBox* table)
{
    return static_cast<int>(
        table->SendMsg(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

}  // namespace

void SetDictsDialogAlerts(const DictsDialogAlerts* calls)
{
    g_alerts = calls;
}

int32 SpellingDictsDialog::Run(String& out, Form* owner, const String& current)
{
    return Run(out, owner, current, DictFolders::OfApplication());
}

int32 SpellingDictsDialog::Run(String& out, Form* owner, const String& current, const DictFolders& dictFolders)
{
    bool polish = IsPolishUi();
    auto pick = [polish](const wchar_t* p, const wchar_t* e) { return polish ? p : e; };
    std::unique_ptr<SpellingDictsDialog> dialog(MakeControl<SpellingDictsDialog>([&](SpellingDictsDialog& d) {
        d.result = -1;
        d.folders = dictFolders;
        d.Create(owner, 0, kDictsDialogId, pick(L"Wybierz słownik - Scrivel", L"Select spelling dictionary."));
        ElasticGroup* outer = Group(ElasticGroup::Column, &d, 8);
        ElasticGroup* row = Group(ElasticGroup::Row, outer, 0);
        ElasticGroup* left = Group(ElasticGroup::Column, row, 0);
        NewLabel(left, pick(L"&Podstawowy", L"&Primary"));
        d.primaryList = NewTableBox(left, 0, kDictsPrimaryId,
                                    pick(L"Lista dostępnych słowników sprawdzania pisowni.\nKliknij dwa razy jeden "
                                         L"z nich lub zaznacz i naciśnij OK.",
                                         L"List of available spelling dictionaries.\nDouble-click one of them or "
                                         L"select and press OK button."));
        d.primaryList->AddColumn(pick(L"Nazwa pliku", L"File name"), 180);
        d.secondaryCheck = NewCheckMark(left, pick(L"&Uzupełniający", L"&Secondary"), kDictsSecondaryCheckId, false,
                                        pick(L"Pokaż listę do wybrania słownika uzupełniającego",
                                             L"Show list for secondary dictionary selection"));
        d.secondaryList = NewTableBox(left, 0, kDictsSecondaryId,
                                      pick(L"Lista wyboru słownika uzupełniającego.\nZaznacz i naciśnij OK.",
                                           L"List for selection of secondary spelling dictionary.\nSelect and press "
                                           L"OK button."));
        d.secondaryList->AddColumn(pick(L"Nazwa pliku", L"File name"), 180);
        d.secondaryList->Collapse();
        d.secondaryList->Hide();
        ElasticGroup* right = Group(ElasticGroup::Column, row, 0);
        NewButton(right, pick(L"&Dodaj słownik...", L"&Add dictionary..."), kDictsAddId,
                  pick(L"Naciśnij, aby zaimportować słownik wskazując plik.",
                       L"Press to import the dictionary from the file."));
        NewButton(right, pick(L"&Skasuj słownik", L"&Remove dictionary"), kDictsRemoveId,
                  pick(L"Naciśnij, aby usunąć zaznaczony słownik.", L"Press to remove selected dictionary."));
        NewButton(right, pick(L"&Zmień nazwę...", L"Re&name..."), kDictsRenameId,
                  pick(L"Naciśnij, aby zmienić nazwę słownika.", L"Press to change the name of the dictionary."));
        ButtonsBar* buttons = NewButtonsBar(outer);
        NewButton(buttons, L"OK", IDOK,
                  pick(L"Naciśnij, aby wybrać zaznaczony słownik.", L"Press to use the selected dictionary."));
        NewButton(buttons, pick(L"Anuluj", L"Cancel"), IDCANCEL,
                  pick(L"Naciśnij, aby zamknąć okno bez wprowadzania zmian.",
                       L"Close the window. Do not change current dictionary."));
        d.width = 360;
        d.height = 300;
        d.FillLists();
        d.Place();
    }));
    if (!current.IsEmpty()) {
        int64 index = dialog->names.IndexOfNoCase(current);
        if (index >= 0)
            dialog->primaryList->SelectRow(static_cast<int>(index));
    }
    dialog->ShowModal(dialog->primaryList);
    int32 result = dialog->result;
    if (result != 1)
        return result;
    int64 i = -1;
    int row = SelectedRow(dialog->primaryList);
    if (row >= 0)
        i = dialog->primaryList->RowData(row);
    if (i < 0 || i >= dialog->names.Count())
        return -1;
    int64 j = -1;
    if (dialog->secondaryCheck->IsChecked()) {
        int secondRow = SelectedRow(dialog->secondaryList);
        if (secondRow >= 0)
            j = dialog->secondaryList->RowData(secondRow);
    }
    if (j >= 0 && j != i && j < dialog->names.Count())
        out = StrFormat(L"[]\r[]", dialog->names.At(i), dialog->names.At(j));
    else
        out = dialog->names.At(i);
    return 1;
}

void SpellingDictsDialog::FillLists()
{
    names = ListAvailableDictionaries(folders);
    primaryList->SendMsg(LVM_DELETEALLITEMS, 0, 0);
    secondaryList->SendMsg(LVM_DELETEALLITEMS, 0, 0);
    for (int64 i = 0; i < names.Count(); i++) {
        const wchar_t* text = names.At(i).CStr();
        primaryList->AddRow(&text, 1, i);
    }
    for (int64 i = 0; i < names.Count(); i++) {
        const wchar_t* text = names.At(i).CStr();
        secondaryList->AddRow(&text, 1, i);
    }
}

bool SpellingDictsDialog::SelectedName(String& name)
{
    int row = SelectedRow(primaryList);
    if (row < 0)
        return false;
    int64 i = primaryList->RowData(row);
    if (i < 0 || i >= names.Count())
        return false;
    name = names.At(i);
    return true;
}

void SpellingDictsDialog::OnCommand(MessageRecord& m)
{
    switch (LOWORD(m.wParam)) {
    case IDOK:
        if (SelectedRow(primaryList) < 0) {
            Warn(this, UiText(L"Nie wybrałeś słownika.", L"You did not choose a dictionary."),
                 UiText(L"Wybór słownika - Scrivel", L"Dictionary selection - Scrivel"));
            return;
        }
        result = 1;
        Quit();
        break;
    case IDCANCEL:
        result = 2;
        Quit();
        break;
    case kDictsAddId:
        Add();
        break;
    case kDictsRemoveId:
        Remove();
        break;
    case kDictsRenameId:
        Rename();
        break;
    case kDictsSecondaryCheckId:
        if (secondaryCheck->IsChecked()) {
            secondaryList->Uncollapse();
            secondaryList->Show();
        } else {
            secondaryList->Collapse();
            secondaryList->Hide();
        }
        Place();
        break;
    default:
        break;
    }
}

void SpellingDictsDialog::OnNotify(MessageRecord& m)
{
    auto* header = reinterpret_cast<const NMHDR*>(m.lParam);
    if (header && header->idFrom == kDictsPrimaryId && header->code == static_cast<UINT>(NM_DBLCLK)) {
        result = 1;
        Quit();
        return;
    }
    Dialog::OnNotify(m);
}

void SpellingDictsDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

void SpellingDictsDialog::Add()
{
    const wchar_t* title = UiText(L"Dodaj słownik - Scrivel", L"Add dictionary - Scrivel");
    try {
        Guarded(this, UiText(L"Dodawanie słownika pisowni - Scrivel", L"Adding spelling dictionary - Scrivel"), [&] {
            String folder = ProfileFolder();
            String filters = UiText(L"Zalecane pliki", L"Recommended files");
            filters.Append(L"\0*.AFF;*.ZIP\0", 13);
            String path = OpenFileDialog(this, UiText(L"Wybierz plik zawierający słownik - Scrivel",
                                                      L"Select dictionary file - Scrivel"),
                                         filters.CStr(), folder.CStr());
            if (path.IsEmpty())
                return;
            PodArray<u8> aff;
            PodArray<u8> dic;
            ReadDictionaryFiles(aff, dic, path);
            String file = FileNamePart(path);
            String name = file.Length() > 4 ? file.Substring(0, file.Length() - 4) : String();
            if (RunInputLineDialog(name, this, UiText(L"Nazwa słownika - Scrivel", L"Dictionary name - Scrivel"),
                                   UiText(L"Pod jaką nazwą ma być widoczny ten słownik?",
                                          L"Under what name is this dictionary supposed to be displayed?")) != 1)
                return;
            if (IsBadDictName(name)) {
                Warn(this, BadNameText(), title);
                return;
            }
            InstallDictionary(folders.user, name, aff, dic);
            FillLists();
        });
    } catch (const NoDictsInZipError&) {
        Warn(this, UiText(L"Wskazany plik nie zawiera słownika w odpowiednim formacie.",
                          L"The selected file does not contain a dictionary in the appropriate format."),
             title);
    }
}

void SpellingDictsDialog::Remove()
{
    const wchar_t* title = UiText(L"Usuń słownik - Scrivel", L"Remove dictionary - Scrivel");
    Guarded(this, title, [&] {
        String name;
        if (!SelectedName(name)) {
            Warn(this, UiText(L"Kliknij najpierw słownik do usunięcia.", L"Select the dictionary to be removed."),
                 title);
            return;
        }
        String question = StrFormat(UiText(L" Usunąć słownik \"[]\"?", L"Remove dictionary \"[]\"?"), name);
        if (Ask(this, question.CStr(), title, UiText(L"+Usuń|-Anuluj", L"+Remove|-Cancel"), AlertWarning) != 0)
            return;
        RemoveDictionary(folders, name);
    });
    // Also after a failure: the files may have changed half-way.
    Guarded(this, title, [&] { FillLists(); });
}

void SpellingDictsDialog::Rename()
{
    const wchar_t* title = UiText(L"Zmień nazwę słownika - Scrivel", L"Rename dictionary - Scrivel");
    Guarded(this, title, [&] {
        String oldName;
        if (!SelectedName(oldName)) {
            Warn(this, UiText(L"Kliknij najpierw słownik którego nazwę chcesz zmienić.",
                              L"Select the dictionary whose name you want to change."),
                 title);
            return;
        }
        String newName = oldName;
        if (RunInputLineDialog(newName, this, title, UiText(L"Nowa nazwa słownika:", L"New dictionary name:")) != 1)
            return;
        if (IsBadDictName(newName)) {
            Warn(this, BadNameText(), title);
            return;
        }
        RenameDictionary(folders, oldName, newName);
        FillLists();
    });
}
