#include "editor/UpdateDialog.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "editor/UpdateWorker.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ProgressBar.h"

#include <shellapi.h>

#include <cstring>
#include <ctime>
#include <memory>

namespace {

const wchar_t* Text(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

constexpr int32 kDownloadButton = 202;

}  // namespace

UpdateDialog::UpdateDialog() = default;

UpdateDialog::~UpdateDialog()
{
    DropRun();
}

String UpdateDialog::Run(Form* owner)
{
    std::unique_ptr<UpdateDialog> dialog(MakeControl<UpdateDialog>([](UpdateDialog&) {}));
    return dialog->Execute(owner);
}

String UpdateDialog::Execute(Form* owner)
{
    result = -1;
    Create(owner, 0, 99, Text(L"Sprawdź aktualizacje - Scrivel", L"Check updates - Scrivel"));
    width = 300;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    checkingLabel = NewLabel(column, Text(L"Sprawdzam dostępność aktualizacji.                    ",
                                          L"Checking updates.                    "));
    statusLabel = NewLabel(column, L"");
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, column);
    downloadButton = NewButton(row, Text(L"Pobierz i zainstaluj", L"Download and install"), kDownloadButton,
                               Text(L"Pobierze nowy plik instalacyjny i uruchomi go.",
                                    L"Downloads installer and starts it"));
    progress = NewProgressBar(column, 0);
    ButtonsBar* buttons = NewButtonsBar(column);
    cancelButton = NewButton(buttons, Text(L"Anuluj", L"Cancel"), IDCANCEL,
                             Text(L"Anuluje aktualizację.", L"Cancels update"));
    statusLabel->Hide();
    downloadButton->Hide();
    progress->Hide();
    StartCheck();
    ShowModal(cancelButton);
    DropRun();
    String path;
    if (result == kDownloadButton)
        path = installerPath;
    installerPath = String();
    return path;
}

void UpdateDialog::DropRun()
{
    if (!run)
        return;
    run->target = nullptr;
    run->workerWindow = nullptr;
    run->cancelled = true;
    run->Release();
    run = nullptr;
}

void UpdateDialog::StartCheck()
{
    DropRun();
    run = new UpdateRun(kUpdateCheckDone);
    run->target = hwnd;
    UpdateWorker::StartCommand(run, kUpdateCheckCommand);
}

void UpdateDialog::ShowStatus(const wchar_t* text, bool done)
{
    statusLabel->SetText(text);
    statusLabel->Show();
    if (done)
        cancelButton->SetText(L"OK");
}

void UpdateDialog::OnCheckDone()
{
    checkingLabel->Hide();
    if (run->failed.load()) {
        ShowStatus(Text(L"Nie udało się pobrać numeru wersji", L"The version number could not be downloaded"), true);
    } else if (IsNewerVersion(run->version, run->letter)) {
        std::memcpy(expectedDigest, run->digest, sizeof(expectedDigest));
        wchar_t letter[2] = {static_cast<wchar_t>(run->letter), 0};
        String status = StrFormat(Text(L"Dostępna nowsza wersja []", L"New version available []"),
                                  StrFormat(L"[].[][][]", run->version / 100, (run->version / 10) % 10,
                                            run->version % 10, letter));
        ShowStatus(status.CStr(), false);
        downloadButton->Show();
    } else {
        ShowStatus(Text(L"Masz aktualną wersję", L"This version is up to date"), true);
    }
}

HANDLE CreateInstallerFileIn(const String& folder, int32 first, String& path)
{
    for (int32 i = 0; i < 64; i++) {
        // A leftover of an earlier download may hold a number: try the others.
        path = StrFormat(L"[]scrivel_up[].exe", folder, (first + i) & 63);
        HANDLE file = CreateFileW(path.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            break;
    }
    path = String();
    return INVALID_HANDLE_VALUE;
}

bool UpdateDialog::CreateInstallerFile()
{
    HANDLE file = CreateInstallerFileIn(GetTempFolder(), static_cast<int32>(time(nullptr) & 63), installerPath);
    if (file == INVALID_HANDLE_VALUE) {
        Alert(Text(L"Nieudane utworzenie pliku", L"Unable to create file"),
              Text(L"Pobieranie aktualizacji - Scrivel", L"Update - Scrivel"), L"+OK", 1);
        result = IDCANCEL;
        Quit();
        return false;
    }
    run->file = file;
    return true;
}

void UpdateDialog::StartDownload()
{
    downloadButton->Hide();
    ShowStatus(Text(L"Pobieranie", L"Downloading"), false);
    progress->total = 0;
    progress->position = 0;
    progress->Show();
    DropRun();
    run = new UpdateRun(kUpdateDownloadNote);
    if (!CreateInstallerFile())
        return;
    run->target = hwnd;
    UpdateWorker::StartCommand(run, kUpdateDownloadCommand);
}

void UpdateDialog::OnDownloadProgress(int32 note)
{
    if (run->failed.load()) {
        ShowStatus(Text(L"Nie udało się pobrać nowej wersji", L"Unable to download update"), true);
        progress->Hide();
        return;
    }
    if (note == kDownloadStarted) {
        int64 size = run->installerSize.load();
        progress->total = size > 0 ? size : 0;
    }
    int64 done = run->downloaded.load();
    progress->position = done < 0 ? 0 : done > progress->total ? progress->total : done;
    progress->Invalidate();
    if (note == kDownloadEnded) {
        progress->Hide();
        run->CloseFile();
        VerifyInstaller();
    }
}

void UpdateDialog::VerifyInstaller()
{
    u8 digest[16] = {};
    try {
        ComputeFileMd5(installerPath, digest);
    } catch (...) {
        ShowStatus(Text(L"Nie udało się pobrać nowej wersji", L"Unable to download update"), true);
        throw;
    }
    if (std::memcmp(digest, expectedDigest, sizeof(digest)) == 0) {
        result = kDownloadButton;
        Quit();
        return;
    }
    ShowStatus(Text(L"Pobrany plik jest prawdopodobnie uszkodzony", L"Downloaded file is corrupted"), true);
}

void UpdateDialog::OnCommand(MessageRecord& m)
{
    int32 command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = command;
        Quit();
    } else if (command == kDownloadButton) {
        StartDownload();
    } else if (command == kUpdateCheckDone || command == kUpdateDownloadNote) {
        // A message of an older run, still queued, is not this run's answer.
        if (run && run->notification == command && HIWORD(m.wParam) == run->serial) {
            if (command == kUpdateCheckDone)
                OnCheckDone();
            else
                OnDownloadProgress(static_cast<int32>(LOWORD(m.lParam)));
        }
    }
}

void UpdateDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

bool RunUpdater(Form* form, const String& installerPath)
{
    String programPath = GetProgramPath();
    String folder = GetProgramFolder();
    String helper = StrFormat(L"[]_up_mgr[].exe", GetTempFolder(), static_cast<int32>(time(nullptr) & 63));
    String source = StrFormat(L"[]_up_mgr.exe", folder);
    const wchar_t* title = Text(L"Instalowanie aktualizacji - Scrivel", L"Update - Scrivel");
    if (!CopyFileW(source.CStr(), helper.CStr(), FALSE)) {
        form->Alert(Text(L"Nieudane kopiowanie pomocnika aktualizacji", L"Unable to copy helper file"), title, L"+OK",
                    1);
        return false;
    }
    // The extra backslash keeps the folder's own from escaping the closing quote.
    String parameters = StrFormat(L"\"[]\\\" \"[]\" \"[]\"", folder, installerPath, programPath);
    HINSTANCE started = ShellExecuteW(nullptr, nullptr, helper.CStr(), parameters.CStr(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        form->Alert(Text(L"Nieudane uruchomienie pomocnika aktualizacji", L"Unable to start updater"), title, L"+OK",
                    1);
        return false;
    }
    return true;
}
