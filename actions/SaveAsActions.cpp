#include "actions/ActionBroker.h"

#include "base/CharUtils.h"
#include "base/Paths.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "gui/FileDialogs.h"
#include "gui/Form.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <windows.h>

#include <utility>

namespace {

const wchar_t* SaveTitle()
{
    return UiText(L"Zapisz - Scrivel", L"Save - Scrivel");
}

int32 AskAboutName(TextView* view, const wchar_t* polish, const wchar_t* english, const String& name,
                   const wchar_t* buttons)
{
    String message = StrFormat(UiText(polish, english), name);
    return AskOnView(view, message.CStr(), SaveTitle(), buttons, 1);
}

// The refusal of a name, whatever the answer.
[[noreturn]] void RefuseName(TextView* view, const wchar_t* polish, const wchar_t* english, const String& name)
{
    AskAboutName(view, polish, english, name, UiText(L"+Nie zapisuj", L"+Do not save"));
    throw Abort();
}

}  // namespace

String ActionBroker::AskSaveFileName(TextView* view, TextDocument* document, const wchar_t* title, bool folderOnly)
{
    String path = document->GetPath();
    String fileName;
    String folder;
    if (!path.IsEmpty()) {
        if (!folderOnly)
            fileName = FileNamePart(path);
        folder = DirectoryPart(path);
    } else {
        folder = DirectoryPart(document->GetLocation());
    }
    return SaveFileDialog(ViewForm(view), title, nullptr, folder.IsEmpty() ? nullptr : folder.CStr(),
                          fileName.IsEmpty() ? nullptr : fileName.CStr());
}

void ActionBroker::RefuseBackupName(TextView* view, const String& name)
{
    int64 n = name.Length();
    if (n < 4 || !EqualsNoCase(name.CStr() + n - 4, 4, L".bak", 4))
        return;
    RefuseName(view,
               L"Próbujesz zapisać plik pod nazwą zarezerwowaną dla kopii zapasowych.\n[]\nTaki plik można łatwo "
               L"utracić dlatego nie pozwolę Ci go zapisać.",
               L"You are trying to save the file under the name reserved for backups. Such a file can be easily "
               L"lost so I will not let you save it.",
               name);
}

void ActionBroker::RefuseNameOfOtherText(TextView* view, TextDocument* document, const String& name)
{
    TextDocument* holder = documents.FindByPath(name);
    if (!holder || holder == document)
        return;
    RefuseName(view,
               L"Próbujesz zapisać plik pod nazwą używaną przez inny tekst.\n[]\nMoże to spowodować utratę jednego "
               L"z tekstów dlatego nie pozwolę Ci go zapisać.",
               L"You try to save the file under the name used by another text.\n[]\nThis may result in the loss "
               L"of one of them so I will not allow you to save it.",
               name);
}

void ActionBroker::ConfirmOverwrite(TextView* view, TextDocument* document, const String& name)
{
    DWORD attributes = GetFileAttributesW(name.CStr());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // Saving over the text's own file is what saving means.
    TextDocument* holder = documents.FindByPath(name);
    if (holder && holder == document)
        return;
    int32 answer = AskAboutName(view, L"Plik o nazwie\n[]\njuż istnieje.\n\nNadpisać jego treść?",
                                L"File\n[]\nalready exists.\n\nOverwrite?", name,
                                UiText(L"+Zastąp ten plik|&Anuluj", L"+Overwrite this file|&Cancel"));
    if (answer != 0)
        throw Abort();
}

String ActionBroker::AskCheckedName(TextView* view, TextDocument* document, TextDocument* excepted, bool folderOnly)
{
    String name = AskSaveFileName(
        view, document, UiText(L"Podaj nazwę zapisywanego pliku - Scrivel", L"Enter the name for save - Scrivel"),
        folderOnly);
    if (name.IsEmpty())
        throw Abort();
    RefuseBackupName(view, name);
    RefuseNameOfOtherText(view, excepted, name);
    ConfirmOverwrite(view, excepted, name);
    return name;
}

void ActionBroker::SaveTextAs(TextView* view, TextDocument* document)
{
    String name = AskCheckedName(view, document, document, false);
    SaveTextTo(view, document, name, true, true);
}

void ActionBroker::SaveCopy(ActionRecord& record)
{
    String name = AskCheckedName(record.view, record.document, nullptr, false);
    SaveTextTo(record.view, record.document, name, false, false);
}

void ActionBroker::SaveSelection(ActionRecord& record)
{
    TextView* view = record.view;
    TextDocument* document = record.document;
    String name = AskCheckedName(view, document, nullptr, true);
    int64 from = 0;
    int64 to = 0;
    if (ViewState* state = view->FindViewState(document)) {
        from = state->CaretPosition();
        to = state->AnchorPosition();
    }
    if (from > to)
        std::swap(from, to);
    if (from == to) {
        AskOnView(view, UiText(L"Nic nie zaznaczono.", L"Nothing selected."),
                  UiText(L"Kopiuj fragment do pliku - Scrivel", L"Save selection to file - Scrivel"), L"+OK", 1);
        return;
    }
    WriteTextRange(view, document, name, from, to, document->GetPath(), false, false);
}

void ActionBroker::AskSaveStep(TextView* view, TextDocument* document, TextDocument* previous)
{
    if (!document->modified)
        return;
    ActivateText(view, document);
    String path = document->GetPath();
    String name = path.IsEmpty() ? String(UiText(L"<bez nazwy>", L"<no name>")) : path;
    String message = StrFormat(UiText(L"Niezapisane zmiany w tekście\n[]\n\nZapisać je?", L"Unsaved changes\n[]\n\nSave?"),
                               name);
    int32 answer = AskOnView(view, message.CStr(), SaveTitle(),
                             UiText(L"+Zapisz|&Odrzuć zmiany|&Anuluj", L"+Save|&Abandon changes|&Cancel"), 3);
    // Only the two answers that say what to do with the changes go on; any
    // other (Cancel, or an alert closed without a button) keeps the text as
    // it is, so nothing the user typed can be lost by it.
    if (answer == 0) {
        Save(view, document);
    } else if (answer == 1) {
        document->DiscardAutosave();
    } else {
        ActivateText(view, previous);
        throw Abort();
    }
    ActivateText(view, previous);
}

namespace {

// The catch clauses of the saving questions: nothing is thrown on; the
// outcome tells the caller (the exit stays running on 2 or 3).
template <class Body>
void RunGuarded(ActionBroker& broker, ActionRecord& record, Body body)
{
    TextDocument* previous = record.view->CurrentDocument();
    try {
        body(previous);
    } catch (...) {
        if (RecordFailure(record)) {
            try {
                broker.ActivateText(record.view, previous);
            } catch (...) {
            }
        }
    }
}

}  // namespace

void ActionBroker::AskSave(ActionRecord& record)
{
    RunGuarded(*this, record, [&](TextDocument* previous) { AskSaveStep(record.view, record.document, previous); });
}

void ActionBroker::SaveIfModified(ActionRecord& record)
{
    RunGuarded(*this, record, [&](TextDocument* previous) {
        if (record.document->modified)
            Save(record.view, record.document);
        ActivateText(record.view, previous);
    });
}

void ActionBroker::AskSaveEach(TextView* view, TextDocument* previous)
{
    // The count is read anew: a save may not add texts, but nothing here
    // relies on that.
    for (int32 i = 0; i < documents.Count(); i++)
        if (TextDocument* document = documents.At(i))
            AskSaveStep(view, document, previous);
    ActivateText(view, previous);
}

void ActionBroker::AskSaveAll(ActionRecord& record)
{
    RunGuarded(*this, record, [&](TextDocument* previous) { AskSaveEach(record.view, previous); });
}

void ActionBroker::SaveAll(ActionRecord& record)
{
    RunGuarded(*this, record, [&](TextDocument* previous) {
        for (int32 i = 0; i < documents.Count(); i++) {
            TextDocument* document = documents.At(i);
            if (document && document->modified)
                Save(record.view, document);
        }
        ActivateText(record.view, previous);
    });
}
