// Help > Check update driven from outside against the local update server:
// the download, the question to close, the save question and the hand-over
// to a stand-in updater that records how it was started.

#include "e2e/EditorRun.h"
#include "support/UpdateServer.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace update_test;

namespace {

const wchar_t* T(const wchar_t* polish, const wchar_t* english)
{
    return PolishSystem() ? polish : english;
}

// The stand-in writes here (the editor inherits the variable, the helper
// inherits it from the editor).
std::wstring StubLog()
{
    static std::wstring path = [] {
        std::wstring log = InFolder(L"stub.log");
        SetEnvironmentVariableW(L"SCRIVEL_UPDATE_STUB_LOG", log.c_str());
        return log;
    }();
    return path;
}

std::wstring StubProgram()
{
    return driver::OwnFolder() + L"up_mgr_stub.exe";
}

std::vector<std::wstring> StubLines()
{
    std::string bytes = ReadBytes(StubLog());
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = bytes.substr(start, end - start);
        int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0], n);
        lines.push_back(wide);
    }
    return lines;
}

std::wstring TempFolderPath()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, path);
    return std::wstring(path, n);
}

// The files of the temporary folder matching pattern that hold these bytes
// (with cut, any first part of them that is shorter).
std::vector<std::wstring> TemporaryFiles(const wchar_t* pattern, const std::string& bytes, bool cut = false)
{
    std::wstring folder = TempFolderPath();
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        std::wstring path = folder + found.cFileName;
        std::string held = ReadBytes(path);
        if (cut ? held.size() < bytes.size() && bytes.compare(0, held.size(), held) == 0 : held == bytes)
            files.push_back(path);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

// Their count; removed with remove, so that leftovers never fill the 64 names.
int TemporaryCopies(const wchar_t* pattern, const std::string& bytes, bool remove)
{
    std::vector<std::wstring> files = TemporaryFiles(pattern, bytes);
    for (const std::wstring& path : files)
        if (remove)
            DeleteFileW(path.c_str());
    return static_cast<int>(files.size());
}

// The downloaded installers holding these bytes.
int DownloadedCopies(const std::string& bytes, bool remove)
{
    return TemporaryCopies(L"scrivel_up*.exe", bytes, remove);
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

// Types into the new text and waits for the title's modified mark.
void ModifyText(HWND main)
{
    REQUIRE(driver::WaitForKeyboardFocus(main, ChildWithId(main, 12300)));
    driver::TypeText(L"kept");
    REQUIRE(WaitUntil([&] { return driver::WindowText(main).rfind(L"* ", 0) == 0; }));
}

void Click(HWND window, const std::wstring& text)
{
    HWND button = ChildWithText(window, text);
    REQUIRE(button != nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
}

// Help > Check update up to a shown newer version, then Download: the
// update dialog, still open.
HWND StartDownload(EditorRun& run, HWND main)
{
    PostMessageW(main, WM_COMMAND, 11072, 0);
    HWND dialog = run.WaitForTitled(T(L"Sprawdź aktualizacje - Scrivel", L"Check updates - Scrivel"));
    REQUIRE(dialog != nullptr);
    HWND download = ChildWithId(dialog, 202);
    REQUIRE(download != nullptr);
    REQUIRE(WaitUntil([&] { return IsWindowVisible(download) != FALSE; }));
    PostMessageW(download, BM_CLICK, 0, 0);
    return dialog;
}

// The update dialog shows status, the one button left reads "OK": ends it.
void ExpectStatusThenClose(HWND dialog, const std::wstring& status)
{
    CHECK(WaitUntil([&] { return ChildWithText(dialog, status) != nullptr; }));
    HWND ok = ChildWithId(dialog, IDCANCEL);
    REQUIRE(ok != nullptr);
    // The button is relabelled after the status is shown, not with it.
    CHECK(WaitUntil([&] { return driver::WindowText(ok) == L"OK"; }));
    PostMessageW(ok, BM_CLICK, 0, 0);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
}

// After the dialog: "Close program" or "Cancel update".
void AnswerCloseQuestion(EditorRun& run, bool close)
{
    HWND question = run.WaitForTitled(T(L"Aktualizacja - Scrivel", L"Update - Scrivel"));
    REQUIRE(question != nullptr);
    Click(question, close ? T(L"&Zamknij program", L"&Close program")
                          : T(L"&Anuluj aktualizację", L"C&ancel update"));
    CHECK(WaitUntil([&] { return !IsWindow(question) || !IsWindowVisible(question); }));
}

HWND WaitForSaveQuestion(EditorRun& run)
{
    HWND question = run.WaitForTitled(T(L"Zapisz - Scrivel", L"Save - Scrivel"));
    REQUIRE(question != nullptr);
    return question;
}

// The editor still runs with its text modified and nothing started.
void ExpectStillRunning(EditorRun& run, HWND main)
{
    CHECK(run.WaitForExit(0) == STILL_ACTIVE);
    CHECK(IsWindow(main));
    CHECK(driver::WindowText(main).rfind(L"* ", 0) == 0);
    CHECK(GetFileAttributesW(StubLog().c_str()) == INVALID_FILE_ATTRIBUTES);
}

// Download, "Close program", abandon the changes: the hand-over fails with
// message, the installer is deleted and the editor keeps running.
void HandOverFails(EditorRun& run, HWND main, const std::string& installer, const std::wstring& message)
{
    CAPTURE(Narrow(message));
    HWND dialog = StartDownload(run, main);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    AnswerCloseQuestion(run, true);
    Click(WaitForSaveQuestion(run), T(L"&Odrzuć zmiany", L"&Abandon changes"));
    HWND alert = run.WaitForTitled(T(L"Instalowanie aktualizacji - Scrivel", L"Update - Scrivel"));
    REQUIRE(alert != nullptr);
    CHECK(ChildWithText(alert, message) != nullptr);
    // Read while the editor waits for the answer: a file the test holds open
    // as the editor deletes it would stay.
    std::vector<std::wstring> downloaded = TemporaryFiles(L"scrivel_up*.exe", installer);
    CHECK(downloaded.size() == 1);
    Click(alert, L"OK");
    CHECK(WaitUntil([&] { return !IsWindow(alert) || !IsWindowVisible(alert); }));
    // Deleted once the alert is answered.
    CHECK(WaitUntil([&] {
        for (const std::wstring& path : downloaded)
            if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
                return false;
        return true;
    }));
    ExpectStillRunning(run, main);
}

}  // namespace

TEST_CASE("update hand-over: the helper's temporary copy gets the program folder, the verified installer and the program; the editor ends with 0 after one save question")
{
    DeleteFileW(StubLog().c_str());
    UserDataFolders data;
    EditorRun run("", std::wstring(), false);
    std::wstring folder = run.Folder().CStr();
    REQUIRE(CopyFileW(StubProgram().c_str(), (folder + L"_up_mgr.exe").c_str(), FALSE));
    std::string installer = MakeInstaller(20002, 2501);
    SetPlan(NewerPlan("{\"file\": \"installer.bin\"}"));
    HWND main = run.WaitForMain();
    ModifyText(main);

    HWND dialog = StartDownload(run, main);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    AnswerCloseQuestion(run, true);
    HWND question = WaitForSaveQuestion(run);
    CHECK(run.CountTitled(T(L"Zapisz - Scrivel", L"Save - Scrivel")) == 1);
    Click(question, T(L"&Odrzuć zmiany", L"&Abandon changes"));
    // No second question: the editor ends by itself, as its exit does.
    CHECK(run.WaitForExit(driver::kPatience) == 0);
    CHECK(GetFileAttributesW((data.Roaming() + L"appsettings.dat").c_str()) != INVALID_FILE_ATTRIBUTES);

    REQUIRE(WaitUntil([] { return GetFileAttributesW(StubLog().c_str()) != INVALID_FILE_ATTRIBUTES; }));
    std::vector<std::wstring> lines = StubLines();
    REQUIRE(lines.size() == 4);
    // Started from its copy "_up_mgr<n>.exe" in the temporary folder.
    std::wstring self = lines[0];
    std::wstring temp = TempFolderPath();
    CHECK(SameText(self.substr(0, temp.size()), temp));
    std::wstring name = self.substr(temp.size());
    CHECK(name.rfind(L"_up_mgr", 0) == 0);
    CHECK(name.size() > 11);
    CHECK(SameText(name.substr(name.size() - 4), L".exe"));
    // The folder with exactly one trailing backslash.
    CHECK(SameText(lines[1], folder));
    CHECK(lines[1].substr(lines[1].size() - 2) != L"\\\\");
    // The installer as served (so its MD5 matched), in the temporary folder.
    CHECK(SameText(lines[2].substr(0, temp.size()), temp));
    CHECK(ReadBytes(lines[2]) == installer);
    CHECK(SameText(lines[3], folder + L"scrivel.exe"));
    std::vector<std::string> requests = Requests();
    REQUIRE(requests.size() == 3);
    CHECK(requests[2].find("/installers/scrivel_up.exe ScrivelUpdate/0.1") != std::string::npos);

    DeleteFileW(self.c_str());
    DeleteFileW(lines[2].c_str());
    DeleteFileW(StubLog().c_str());
}

TEST_CASE("update: a corrupted or cut download, Cancel update, Cancel at the save question and a helper missing or not startable keep the editor running")
{
    DeleteFileW(StubLog().c_str());
    UserDataFolders data;
    EditorRun run("", std::wstring(), false);
    std::wstring helper = std::wstring(run.Folder().CStr()) + L"_up_mgr.exe";
    REQUIRE(CopyFileW(StubProgram().c_str(), helper.c_str(), FALSE));
    std::string installer = MakeInstaller(20002, 2502);
    HWND main = run.WaitForMain();
    ModifyText(main);

    // An installer whose MD5 is another file's.
    SetPlan(NewerPlan("{\"file\": \"installer.bin\"}", true));
    ExpectStatusThenClose(StartDownload(run, main), T(L"Pobrany plik jest prawdopodobnie uszkodzony",
                                                      L"Downloaded file is corrupted"));
    ExpectStillRunning(run, main);
    DownloadedCopies(installer, true);

    // The server closes after 9000 of the announced bytes.
    SetPlan(NewerPlan("{\"file\": \"installer.bin\", \"send\": 9000}"));
    ExpectStatusThenClose(StartDownload(run, main),
                          T(L"Nie udało się pobrać nowej wersji", L"Unable to download update"));
    ExpectStillRunning(run, main);
    // The cut file stays where the editor left it; left there by every run,
    // they would fill the 64 names.
    std::vector<std::wstring> cut = TemporaryFiles(L"scrivel_up*.exe", installer, true);
    CHECK(cut.size() == 1);
    for (const std::wstring& path : cut)
        DeleteFileW(path.c_str());

    // A verified installer, but the user does not close: it stays.
    SetPlan(NewerPlan("{\"file\": \"installer.bin\"}"));
    HWND dialog = StartDownload(run, main);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    AnswerCloseQuestion(run, false);
    ExpectStillRunning(run, main);
    CHECK(DownloadedCopies(installer, true) == 1);

    // Close program, then Cancel in the save question.
    dialog = StartDownload(run, main);
    CHECK(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    AnswerCloseQuestion(run, true);
    HWND question = WaitForSaveQuestion(run);
    Click(question, T(L"&Anuluj", L"&Cancel"));
    CHECK(WaitUntil([&] { return !IsWindow(question) || !IsWindowVisible(question); }));
    ExpectStillRunning(run, main);
    DownloadedCopies(installer, true);

    // No helper beside the program: its alert, and the installer is gone.
    REQUIRE(DeleteFileW(helper.c_str()));
    HandOverFails(run, main, installer, T(L"Nieudane kopiowanie pomocnika aktualizacji", L"Unable to copy helper file"));

    // A helper that is no program: copied (the copy stays), but it cannot start.
    WriteBytes(helper, "not a program");
    TemporaryCopies(L"_up_mgr*.exe", "not a program", true);
    HandOverFails(run, main, installer, T(L"Nieudane uruchomienie pomocnika aktualizacji", L"Unable to start updater"));
    CHECK(TemporaryCopies(L"_up_mgr*.exe", "not a program", true) == 1);
    DownloadedCopies(installer, true);
}

TEST_CASE("update: a portable copy sends no request for a posted Check update")
{
    EditorRun run("");
    SetPlan(NewerPlan("{\"file\": \"installer.bin\"}"));
    HWND main = run.WaitForMain();
    HWND toolbar = ChildWithId(main, 12100);
    REQUIRE(toolbar != nullptr);
    REQUIRE(IsWindowVisible(toolbar));
    // Posted commands run in order: once the toolbar is hidden, 11072 is done.
    PostMessageW(main, WM_COMMAND, 11072, 0);
    PostMessageW(main, WM_COMMAND, 11039, 0);
    CHECK(WaitUntil([&] { return !IsWindowVisible(toolbar); }));
    CHECK(driver::ProcessWindows(run.ProcessId()).size() == 1);
    CHECK(Requests().empty());
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
