#include "support/UpdateServer.h"

#include "base/UiLanguage.h"
#include "editor/UpdateDialog.h"
#include "editor/UpdateWorker.h"
#include "gui/Button.h"
#include "gui/Form.h"
#include "gui/Label.h"
#include "gui/ProgressBar.h"
#include "support/Pump.h"
#include "support/Screenshot.h"

#include <doctest.h>

#include <functional>
#include <string>
#include <vector>

using namespace update_test;

namespace {

Form& Owner()
{
    static Form* form = [] {
        Form* f = new Form();
        f->Create(NoTooltip, L"UpdateOwner", nullptr, 1);
        f->SetBounds(RECT{100, 100, 700, 500});
        f->ShowNoActivate();
        Pump();
        return f;
    }();
    return *form;
}

struct English {
    int32 saved = UiLanguageId();
    English() { SetUiLanguageId(9); }
    ~English() { SetUiLanguageId(saved); }
};

// Steps run on a timer while the dialog's modal loop runs; each returns true
// when it is done, and the next one waits for its turn.
using Step = std::function<bool(UpdateDialog&)>;
std::vector<Step> steps;
size_t nextStep = 0;
int ticks = 0;
bool stuck = false;

BOOL CALLBACK FindUpdateDialog(HWND hwnd, LPARAM out)
{
    if (auto* dialog = dynamic_cast<UpdateDialog*>(FindWindowObject(hwnd))) {
        *reinterpret_cast<UpdateDialog**>(out) = dialog;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK RunSteps(HWND, UINT, UINT_PTR timer, DWORD)
{
    UpdateDialog* dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindUpdateDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !dialog->IsShown())
        return;
    // A guard against a hang, not a measure: a step never met ends the dialog.
    if (++ticks > 3000) {
        stuck = true;
        KillTimer(nullptr, timer);
        PostMessageW(dialog->hwnd, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    while (nextStep < steps.size() && steps[nextStep](*dialog))
        nextStep++;
    if (nextStep == steps.size())
        KillTimer(nullptr, timer);
}

String RunDialog(std::vector<Step> script)
{
    steps = std::move(script);
    nextStep = 0;
    ticks = 0;
    stuck = false;
    SetTimer(nullptr, 0, 20, RunSteps);
    String path = UpdateDialog::Run(&Owner());
    CHECK_FALSE(stuck);
    CHECK(nextStep == steps.size());
    return path;
}

std::wstring Status(UpdateDialog& d)
{
    return d.statusLabel->IsShown() ? std::wstring(d.statusLabel->GetText().CStr()) : std::wstring();
}

Step WaitStatus(const wchar_t* text, std::wstring* seen = nullptr)
{
    return [text, seen](UpdateDialog& d) {
        if (Status(d) != text)
            return false;
        if (seen)
            *seen = d.cancelButton->GetText().CStr();
        return true;
    };
}

Step Press(int id)
{
    return [id](UpdateDialog& d) {
        PostMessageW(d.hwnd, WM_COMMAND, id, 0);
        return true;
    };
}

const std::string kWhole = "{\"file\": \"installer.bin\"}";

}  // namespace

TEST_CASE("check then download in one dialog: the newer version is offered, fetched, verified and its path returned")
{
    English english;
    std::string installer = MakeInstaller(50000, 1);
    SetPlan(NewerPlan(kWhole));
    bool checkingHidden = false, downloadShown = false;
    String path = RunDialog({
        [&](UpdateDialog& d) {
            if (Status(d) != L"New version available 1.04")
                return false;
            checkingHidden = !d.checkingLabel->IsShown();
            downloadShown = d.downloadButton->IsShown();
            SaveScreenshot(ReadWindowPixels(d.hwnd), "update_dialog_newer.png");
            return true;
        },
        Press(202),
    });
    CHECK(checkingHidden);
    CHECK(downloadShown);
    REQUIRE(path.Length() > 0);
    CHECK(ReadBytes(path.CStr()) == installer);
    std::vector<std::string> requests = Requests();
    REQUIRE(requests.size() == 3);
    CHECK(requests[2] == "GET http://update.scrivel.pl:80/installers/scrivel_up.exe ScrivelUpdate/0.1");
    DeleteFileW(path.CStr());
}

TEST_CASE("the check's outcomes shown: a letter, up to date with a line break, a failed check")
{
    English english;
    struct Case {
        std::string version;
        const wchar_t* status;
        bool download;
    } cases[] = {
        {Body("103a"), L"New version available 1.03a", true},
        {Body("103\r\n"), L"This version is up to date", false},
        {Body("102a"), L"This version is up to date", false},
        {Body("Not Found", 404), L"The version number could not be downloaded", false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.version);
        SetPlan("{\"version\": " + c.version + ", \"md5\": " + Body("0123456789abcdef0123456789abcdef") + "}");
        std::wstring cancelText;
        bool download = false;
        String path = RunDialog({WaitStatus(c.status, &cancelText),
                                 [&](UpdateDialog& d) {
                                     download = d.downloadButton->IsShown();
                                     return true;
                                 },
                                 Press(IDCANCEL)});
        CHECK(path.Length() == 0);
        CHECK(download == c.download);
        CHECK(cancelText == (c.download ? L"Cancel" : L"OK"));
    }
}

TEST_CASE("a download that fails or does not match its digest returns no path")
{
    English english;
    MakeInstaller(30000, 2);
    struct Case {
        std::string name;
        std::string plan;
        const wchar_t* status;
    } cases[] = {
        {"bad digest", NewerPlan(kWhole, true), L"Downloaded file is corrupted"},
        {"cut short", NewerPlan("{\"file\": \"installer.bin\", \"send\": 9000}"), L"Unable to download update"},
        {"no length", NewerPlan("{\"file\": \"installer.bin\", \"length\": \"none\"}"), L"Unable to download update"},
        {"html", NewerPlan("{\"body\": \"<html></html>\"}"), L"Unable to download update"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        SetPlan(c.plan);
        std::wstring cancelText;
        bool progressHidden = false;
        String partial;
        String path = RunDialog({WaitStatus(L"New version available 1.04"), Press(202), WaitStatus(c.status, &cancelText),
                                 [&](UpdateDialog& d) {
                                     progressHidden = !d.progress->IsShown();
                                     partial = d.installerPath;
                                     return true;
                                 },
                                 Press(IDCANCEL)});
        CHECK(path.Length() == 0);
        CHECK(cancelText == L"OK");
        CHECK(progressHidden);
        DeleteFileW(partial.CStr());
    }
}

TEST_CASE("Cancel while the server is silent closes at once; the next check shows its own answer")
{
    English english;
    SetPlan("{\"version\": {\"silent\": true}}");
    bool stillChecking = false;
    String path = RunDialog({[&](UpdateDialog& d) {
                                 // Wait until the request reached the server.
                                 if (Requests().empty())
                                     return false;
                                 stillChecking = d.checkingLabel->IsShown() && !d.statusLabel->IsShown();
                                 return true;
                             },
                             Press(IDCANCEL)});
    CHECK(path.Length() == 0);
    CHECK(stillChecking);
    // The new plan also lets the silent request go; its worker fails into its own run.
    SetPlan("{\"version\": " + Body("103") + ", \"md5\": " + Body("0123456789abcdef0123456789abcdef") + "}");
    std::wstring cancelText;
    path = RunDialog({WaitStatus(L"This version is up to date", &cancelText), Press(IDCANCEL)});
    CHECK(path.Length() == 0);
    CHECK(cancelText == L"OK");
}

TEST_CASE("Cancel in the middle of a download, then a fresh run downloads the whole installer to another file")
{
    English english;
    std::string installer = MakeInstaller(100000, 3);
    SetPlan(NewerPlan("{\"file\": \"installer.bin\", \"hold\": 8192}"));
    String partial;
    int64 shownTotal = 0;
    String path = RunDialog({WaitStatus(L"New version available 1.04"), Press(202),
                             [&](UpdateDialog& d) {
                                 if (d.progress->position == 0)
                                     return false;
                                 shownTotal = d.progress->total;
                                 partial = d.installerPath;
                                 return true;
                             },
                             Press(IDCANCEL)});
    CHECK(path.Length() == 0);
    CHECK(shownTotal == 100000);
    REQUIRE(partial.Length() > 0);
    SetPlan(NewerPlan(kWhole));
    path = RunDialog({WaitStatus(L"New version available 1.04"), Press(202)});
    REQUIRE(path.Length() > 0);
    CHECK(std::wstring(path.CStr()) != std::wstring(partial.CStr()));
    CHECK(ReadBytes(path.CStr()) == installer);
    // The cancelled run wrote nothing past what had come before Cancel.
    CHECK(ReadBytes(partial.CStr()).size() <= 8192);
    DeleteFileW(path.CStr());
    DeleteFileW(partial.CStr());
}
