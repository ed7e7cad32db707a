#pragma once

// Help > Check update: asks the update server for a newer version, downloads
// its installer with a progress bar and checks its MD5; the caller then
// hands over to the updater helper.

#include "base/String.h"
#include "base/Types.h"
#include "gui/Dialog.h"

class Button;
class Label;
class ProgressBar;
class UpdateRun;

class UpdateDialog : public Dialog {
public:
    UpdateDialog();
    ~UpdateDialog() override;

    // The path of the verified installer; empty when cancelled or anything failed.
    static String Run(Form* owner);

    String Execute(Form* owner);
    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    void StartCheck();
    void OnCheckDone();
    void StartDownload();
    void OnDownloadProgress(int32 note);
    void VerifyInstaller();
    bool CreateInstallerFile();
    // Stops listening to the current run; its worker writes nothing more.
    void DropRun();
    void ShowStatus(const wchar_t* text, bool done);

    Label* checkingLabel = nullptr;
    Label* statusLabel = nullptr;
    Button* downloadButton = nullptr;
    ProgressBar* progress = nullptr;
    Button* cancelButton = nullptr;
    String installerPath;
    // The run whose notifications count; older ones' are ignored.
    UpdateRun* run = nullptr;
    u8 expectedDigest[16] = {};
};

// Creates "scrivel_up<n>.exe" in folder for the first n from first (0-63,
// going round) that is not taken; INVALID_HANDLE_VALUE when none could be.
HANDLE CreateInstallerFileIn(const String& folder, int32 first, String& path);

// Starts a temporary copy of the updater helper with its three arguments;
// false after an alert when that fails.
bool RunUpdater(Form* form, const String& installerPath);
