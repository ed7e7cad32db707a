#include "editor/EncodingDialog.h"

#include "base/UiLanguage.h"
#include "editor/DialogColumn.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/CheckMark.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "text/Encoding.h"

#include <memory>

namespace {

// In encoding id order, from 1.
const wchar_t* const kEncodingNames[] = {L"UTF-8",        L"UTF-16LE",   L"UTF-16BE",  L"Windows 1252",
                                         L"Windows 1250", L"ISO 8859-1", L"ISO 8859-2"};

const wchar_t* TitleOf(int32 mode)
{
    switch (mode) {
    case EncodingDialog::ForceCommand:
        return UiText(L"Wymuś kodowanie znaków - Scrivel", L"Force text encoding - Scrivel");
    case EncodingDialog::ConvertCommand:
        return UiText(L"Konwertuj kodowanie znaków - Scrivel", L"Convert text encoding - Scrivel");
    case EncodingDialog::SaveCopyCommand:
        return UiText(L"Wybierz kodowanie dla zapisywanego pliku - Scrivel", L"Select encoding for saving - Scrivel");
    default:
        return UiText(L"Wybierz kodowanie znaków - Scrivel", L"Select text encoding - Scrivel");
    }
}

void AddButtons(ButtonsBar* buttons, int32 mode)
{
    if (mode == EncodingDialog::SaveCopyCommand) {
        NewButton(buttons, UiText(L"&Zapisz kopię", L"&Save copy"), EncodingDialog::ForceCommand,
                  UiText(L"Naciśnij, aby zapisać kopię z wybranym kodowaniem.",
                       L"Press to save copy with selected encoding."));
    } else {
        if (mode != EncodingDialog::ForceCommand)
            NewButton(buttons, UiText(L"&Konwertuj", L"&Convert"), EncodingDialog::ConvertCommand,
                      UiText(L"Naciśnij, aby przekonwertować na wybrany sposób kodowania znaków.",
                           L"Press to convert text"));
        if (mode != EncodingDialog::ConvertCommand)
            NewButton(buttons, UiText(L"&Wymuś kodowanie", L"&Force encoding"), EncodingDialog::ForceCommand,
                      UiText(L"Naciśnij, aby wymusić wybrany sposób kodowania znaków.",
                           L"Press to force selected encoding."));
    }
    NewButton(buttons, UiText(L"Anuluj", L"Cancel"), IDCANCEL,
              UiText(L"Naciśnij, aby anulować operację.", L"Press to close the window."));
}

}  // namespace

int32 EncodingDialog::Run(Form* owner, int32 mode, int32& encoding, bool& bom)
{
    std::unique_ptr<EncodingDialog> dialog(MakeControl<EncodingDialog>([&](EncodingDialog& d) {
        d.result = -1;
        d.Create(owner, 0, 20900, TitleOf(mode));
        ElasticGroup* column = NewDialogColumn(d);
        NewLabel(column, UiText(L"&Dostępne sposoby kodowania:", L"&Available encodings:"));
        d.list = NewListBox(column, ListFitItems, 20901,
                            UiText(L"Wybierz sposób kodowania z tej listy.", L"Select text encoding from this list."));
        d.list->minRows = 7;
        for (const wchar_t* name : kEncodingNames) {
            LRESULT added = d.list->SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            if (added == LB_ERR || added == LB_ERRSPACE)
                throw MemoryError();
        }
        d.bomBox = NewCheckMark(column,
                                UiText(L"Dodaj niewidoczny &BOM (Byte Order Mark) na początku tekstu.",
                                     L"Add invisible &Byte Order Mark at the beginning of the text"),
                                20903, bom,
                                UiText(L"Jeśli zaznaczone, przy zapisie tekstu, zostanie na samym początku dodany\n"
                                     L"BOM (Byte Order Mark).",
                                     L"If checked, when writing the text, BOM (Byte Order Mark) will be added at the "
                                     L"very beginning."));
        AddButtons(NewButtonsBar(column), mode);
    }));
    dialog->Place();
    dialog->list->SendMsg(LB_SETCURSEL, static_cast<WPARAM>(encoding - 1), 0);
    dialog->ShowModal(dialog->list);
    int32 result = dialog->result;
    if (result == ForceCommand || result == ConvertCommand) {
        LRESULT selected = dialog->list->SendMsg(LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            encoding = AsInt(static_cast<int64>(selected)) + 1;
        bom = dialog->bomBox->IsChecked();
    }
    return result;
}

void EncodingDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL || command == ForceCommand || command == ConvertCommand) {
        result = command;
        Quit();
    }
}

void EncodingDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}
