#pragma once

// The network side of the online update: one worker thread per command, with
// a message-only window that receives the command and posts the outcome to
// the dialog that asked.

#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

#include <atomic>

// Worker commands and the notifications posted back (WM_COMMAND, the id in
// the low word of wParam, the run's serial in the high word).
constexpr int32 kUpdateCheckCommand = 100;
constexpr int32 kUpdateDownloadCommand = 101;
constexpr int32 kUpdateCheckDone = 200;
constexpr int32 kUpdateDownloadNote = 201;
// lParam of kUpdateDownloadNote.
constexpr int32 kDownloadEnded = 0;
constexpr int32 kDownloadStarted = 1;
constexpr int32 kDownloadBlock = 2;

// Where the update resources live; tests reach it through http_proxy.
constexpr const wchar_t* kUpdateServerHost = L"update.scrivel.pl";
constexpr const wchar_t* kUpdateAgent = L"ScrivelUpdate/0.1";

// One command's shared state. Each run has its own, so a worker that is
// still waiting on the network after its dialog went away (or moved on to a
// newer run) can only write into its own run. Both threads hold a
// reference; the last one closes the installer file.
class UpdateRun {
public:
    explicit UpdateRun(int32 notification);
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    void AddRef() { refs.fetch_add(1); }
    void Release();

    // Posts one notification to the target, unless the dialog let go of it.
    void Notify(LPARAM note);
    // Closes the installer file once; the first caller wins.
    void CloseFile();

    std::atomic<int32> refs{1};
    // Told apart from older runs' messages by this number.
    const u16 serial;
    const int32 notification;
    // Cleared by the dialog when it no longer wants notifications.
    std::atomic<HWND> target{nullptr};
    std::atomic<HWND> workerWindow{nullptr};
    // Set by the dialog: the worker writes nothing more.
    std::atomic<bool> cancelled{false};
    std::atomic<bool> failed{false};
    // The last failure's system code (0 for a refused response).
    std::atomic<u32> failure{0};
    // Results, written by the worker before the notification that announces them.
    int32 version = 0;
    int32 letter = 0;
    u8 digest[16] = {};
    std::atomic<int64> installerSize{0};
    std::atomic<int64> downloaded{0};
    // The installer file the download writes to, owned by the run.
    std::atomic<HANDLE> file{INVALID_HANDLE_VALUE};
    // The module whose instance registers the worker's window class.
    HINSTANCE instance = nullptr;

private:
    ~UpdateRun();
};

class UpdateWorker {
public:
    // Starts a worker thread for run and waits (up to about a second) for its
    // window; returns that window, or null when it never appeared.
    static HWND Start(UpdateRun* run);
    // Start and post command; false when the worker did not come up.
    static bool StartCommand(UpdateRun* run, int32 command);

    static DWORD WINAPI ThreadMain(void* parameter);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void OnCommand(UpdateRun& run, int32 command);
    static bool FetchVersion(UpdateRun& run);
    static bool FetchMd5(UpdateRun& run);
    static bool DownloadInstaller(UpdateRun& run);
};

// The program's version as the server writes it: true when bytes (count of
// them) name an accepted version; version and letter are set then.
bool ParseUpdateVersion(const char* bytes, int64 count, int32& version, int32& letter);
// Newer than this program: a higher number, or the same number with a letter.
bool IsNewerVersion(int32 version, int32 letter);
// 32 hexadecimal digits (anything may follow) into digest.
bool ParseUpdateMd5(const char* bytes, int64 count, u8 digest[16]);

// The MD5 of a file's bytes.
void ComputeFileMd5(const String& path, u8 digest[16]);
// The temporary folder, ending with "\".
String GetTempFolder();
// The running program's full path.
String GetProgramPath();
