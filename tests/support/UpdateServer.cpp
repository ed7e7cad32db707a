#include "support/UpdateServer.h"

#include "editor/UpdateWorker.h"

#include <doctest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace update_test {

std::wstring Folder()
{
    static std::wstring folder = [] {
        const char* unix = getenv("UPDATE_SERVER_DIR");
        REQUIRE_MESSAGE(unix, "run through server.py");
        std::wstring path = L"Z:";
        for (const char* p = unix; *p; p++)
            path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
        return path + L"\\";
    }();
    return folder;
}

std::wstring InFolder(const wchar_t* name)
{
    return Folder() + name;
}

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    REQUIRE(out.good());
}

void SetPlan(const std::string& json)
{
    DeleteFileW(InFolder(L"requests.log").c_str());
    // Written whole, then moved in, so the server never reads half a plan.
    WriteBytes(InFolder(L"plan.tmp"), json);
    REQUIRE(MoveFileExW(InFolder(L"plan.tmp").c_str(), InFolder(L"plan.json").c_str(), MOVEFILE_REPLACE_EXISTING));
}

std::vector<std::string> Requests()
{
    std::istringstream in(ReadBytes(InFolder(L"requests.log")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Body(const std::string& text, int status)
{
    std::string escaped;
    for (char c : text) {
        if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '"')
            escaped += "\\\"";
        else
            escaped += c;
    }
    return "{\"status\": " + std::to_string(status) + ", \"body\": \"" + escaped + "\"}";
}

std::string MakeInstaller(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    // An HTML page starts with "<": keep real installers clear of it.
    if (!bytes.empty() && bytes[0] == '<')
        bytes[0] = 'M';
    WriteBytes(InFolder(L"installer.bin"), bytes);
    WriteBytes(InFolder(L"other.bin"), bytes + "x");
    return bytes;
}

std::string NewerPlan(const std::string& exe, bool badMd5)
{
    return "{\"version\": " + Body("104") + ", \"md5\": {\"md5_of\": \"" + (badMd5 ? "other.bin" : "installer.bin") +
           "\"}, \"exe\": " + exe + "}";
}

namespace {

int notes = 0;
LPARAM lastNote = -1;
WPARAM lastCommand = 0;

LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        notes++;
        lastCommand = wParam;
        lastNote = lParam;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Target()
{
    static HWND window = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TargetProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UpdateTestTarget";
        RegisterClassW(&wc);
        return CreateWindowExW(0, L"UpdateTestTarget", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }();
    return window;
}

}  // namespace

int RunCommand(UpdateRun* run, int command)
{
    notes = 0;
    lastNote = -1;
    run->target = Target();
    REQUIRE(UpdateWorker::StartCommand(run, command));
    // The check notifies once; a download ends with note 0.
    while (notes == 0 || (command == kUpdateDownloadCommand && lastNote != kDownloadEnded)) {
        MSG msg;
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        DispatchMessageW(&msg);
        if (notes)
            CHECK(HIWORD(lastCommand) == run->serial);
    }
    run->target = nullptr;
    return notes;
}

}  // namespace update_test
