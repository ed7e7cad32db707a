#include "support/UpdateServer.h"

#include "base/Error.h"
#include "editor/UpdateDialog.h"
#include "editor/UpdateWorker.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace update_test;

namespace {

std::string Hex(const u8 digest[16])
{
    char text[33] = {};
    for (int i = 0; i < 16; i++)
        snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

struct CheckOutcome {
    bool failed;
    int32 version;
    int32 letter;
    std::string digest;
    size_t requests;
};

CheckOutcome Check(const std::string& plan)
{
    SetPlan(plan);
    UpdateRun* run = new UpdateRun(kUpdateCheckDone);
    CHECK(RunCommand(run, kUpdateCheckCommand) == 1);
    CheckOutcome outcome{run->failed.load(), run->version, run->letter, Hex(run->digest), Requests().size()};
    run->Release();
    return outcome;
}

const std::string kMd5 = "0123456789abcdefABCDEF0123456789";

std::string CheckPlan(const std::string& version, const std::string& md5 = Body(kMd5))
{
    return "{\"version\": " + version + ", \"md5\": " + md5 + "}";
}

}  // namespace

TEST_CASE("the check reads the version and the digest; only a higher number or this one with a letter is newer")
{
    struct Case {
        const char* body;
        int32 version;
        int32 letter;
        bool newer;
    } cases[] = {
        {"104", 104, 0, true},   {"103a", 103, 'a', true}, {"103Z\n", 103, 'Z', true}, {"103", 103, 0, false},
        {"103\n", 103, 0, false}, {"103\r\n", 103, 0, false}, {"102a", 102, 'a', false}, {"099", 99, 0, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.body);
        CheckOutcome outcome = Check(CheckPlan(Body(c.body)));
        CHECK_FALSE(outcome.failed);
        CHECK(outcome.version == c.version);
        CHECK(outcome.letter == c.letter);
        CHECK(IsNewerVersion(outcome.version, outcome.letter) == c.newer);
        CHECK(outcome.digest == "0123456789abcdefabcdef0123456789");
    }
    // The requests the server saw: the fixed resources, with our agent.
    SetPlan(CheckPlan(Body("104")));
    UpdateRun* run = new UpdateRun(kUpdateCheckDone);
    RunCommand(run, kUpdateCheckCommand);
    run->Release();
    std::vector<std::string> requests = Requests();
    REQUIRE(requests.size() == 2);
    CHECK(requests[0] == "GET http://update.scrivel.pl:80/installers/scrivel_up.version ScrivelUpdate/0.1");
    CHECK(requests[1] == "GET http://update.scrivel.pl:80/installers/scrivel_up.md5 ScrivelUpdate/0.1");
}

TEST_CASE("malformed answers fail the check: error pages, no digits, too short, a digest that is short or not hex")
{
    struct Case {
        std::string name;
        std::string plan;
        size_t requests;
    } cases[] = {
        {"404 text", CheckPlan(Body("Not Found", 404)), 1},
        {"404 with digits", CheckPlan(Body("104", 404)), 1},
        {"html", CheckPlan(Body("<html>")), 1},
        {"letters", CheckPlan(Body("abc")), 1},
        {"two bytes", CheckPlan(Body("10")), 1},
        {"digits after a blank", CheckPlan(Body(" 104")), 1},
        {"no version", "{\"md5\": " + Body(kMd5) + "}", 1},
        {"digest short", CheckPlan(Body("104"), Body("0123456789abcdef0123456789abcde")), 2},
        {"digest not hex", CheckPlan(Body("104"), Body("0123456789abcdefg123456789abcdef")), 2},
        {"digest html", CheckPlan(Body("104"), Body("<html><body>0123456789abcdef0123456789abcdef")), 2},
        {"digest 404", CheckPlan(Body("104"), Body(kMd5, 404)), 2},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        CheckOutcome outcome = Check(c.plan);
        CHECK(outcome.failed);
        CHECK(outcome.requests == c.requests);
    }
}

TEST_CASE("the download writes exactly the announced bytes; a short body, no length or an HTML page fails it")
{
    TempFolder temp;
    std::string installer = MakeInstaller(20002, 7);
    struct Case {
        std::string name;
        std::string exe;
        bool good;
    } cases[] = {
        {"whole", "{\"file\": \"installer.bin\"}", true},
        {"cut short", "{\"file\": \"installer.bin\", \"send\": 9000}", false},
        {"no length", "{\"file\": \"installer.bin\", \"length\": \"none\"}", false},
        {"html", "{\"body\": \"<html>Not here</html>\"}", false},
        {"404", "{\"status\": 404, \"file\": \"installer.bin\"}", false},
    };
    int number = 0;
    for (const Case& c : cases) {
        CAPTURE(c.name);
        SetPlan(NewerPlan(c.exe));
        String path;
        HANDLE file = CreateInstallerFileIn(temp.Path(), number++, path);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        UpdateRun* run = new UpdateRun(kUpdateDownloadNote);
        run->file = file;
        RunCommand(run, kUpdateDownloadCommand);
        CHECK(run->failed.load() == !c.good);
        // The worker let go of the file before it told of the end.
        CHECK(run->file.load() == INVALID_HANDLE_VALUE);
        run->Release();
        std::string written = ReadBytes(path.CStr());
        if (c.good)
            CHECK(written == installer);
        else
            CHECK(written.size() <= installer.size());
        CHECK(Requests().size() == 1);
    }
}

TEST_CASE("the installer file takes the first free number from the given one, going round")
{
    TempFolder temp;
    for (int i = 0; i < 63; i++) {
        String path;
        HANDLE file = CreateInstallerFileIn(temp.Path(), 5, path);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        CloseHandle(file);
        CHECK(std::wstring(path.CStr()) == std::wstring(temp.Path().CStr()) + L"scrivel_up" +
                                               std::to_wstring((5 + i) & 63) + L".exe");
    }
    String path;
    HANDLE last = CreateInstallerFileIn(temp.Path(), 17, path);
    REQUIRE(last != INVALID_HANDLE_VALUE);
    CloseHandle(last);
    CHECK(std::wstring(path.CStr()) == std::wstring(temp.Path().CStr()) + L"scrivel_up4.exe");
    // All 64 taken: no file, no path.
    CHECK(CreateInstallerFileIn(temp.Path(), 0, path) == INVALID_HANDLE_VALUE);
    CHECK(path.Length() == 0);
}

TEST_CASE("ComputeFileMd5 agrees with Python's hashlib across the piece boundaries and for 10 MB")
{
    std::istringstream digests(ReadBytes(InFolder(L"digests.txt")));
    int count = 0;
    for (std::string name, hex; digests >> name >> hex; count++) {
        CAPTURE(name);
        std::wstring wide(name.begin(), name.end());
        u8 digest[16] = {};
        ComputeFileMd5(String(InFolder(wide.c_str()).c_str()), digest);
        CHECK(Hex(digest) == hex);
    }
    CHECK(count == 6);
    u8 digest[16] = {};
    bool threw = false;
    try {
        ComputeFileMd5(String(InFolder(L"no such file.bin").c_str()), digest);
    } catch (const Error&) {
        threw = true;
    }
    CHECK(threw);
}

TEST_CASE("with the server gone the check fails at once with the connection refused")
{
    if (getenv("UPDATE_SERVER_GONE")) {
        UpdateRun* run = new UpdateRun(kUpdateCheckDone);
        RunCommand(run, kUpdateCheckCommand);
        CHECK(run->failed.load());
        CHECK(run->failure.load() == 12029u);
        run->Release();
        return;
    }
    // WinINet takes the proxy from the environment the process started with:
    // this case runs once more in a child whose proxy is the discard port,
    // where nothing listens.
    std::wstring block;
    for (const wchar_t* p = GetEnvironmentStringsW(); *p; p += wcslen(p) + 1)
        if (_wcsnicmp(p, L"http_proxy=", 11) != 0)
            block += std::wstring(p) + L'\0';
    block += std::wstring(L"http_proxy=http://127.0.0.1:9") + L'\0' + L"UPDATE_SERVER_GONE=1" + L'\0' + L'\0';
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" \"-tc=with the server gone*\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    REQUIRE(CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, &block[0], nullptr,
                           &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CHECK(code == 0);
}
