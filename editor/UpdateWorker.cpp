#include "editor/UpdateWorker.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/SystemLibrary.h"
#include "editor/Version.h"

#include <wincrypt.h>
#include <wininet.h>

#include <type_traits>
#include <vector>

namespace {

std::atomic<u16> nextSerial{1};

constexpr const wchar_t* kWorkerClass = L"Scrivel Update";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS |
                                INTERNET_FLAG_NO_UI;

// WinINet, loaded with the first request: most runs check for no update.
struct NetCalls {
    decltype(&InternetOpenW) open;
    decltype(&InternetConnectW) connect;
    decltype(&HttpOpenRequestW) openRequest;
    decltype(&HttpSendRequestA) sendRequest;
    decltype(&HttpQueryInfoA) queryInfo;
    decltype(&InternetQueryDataAvailable) dataAvailable;
    decltype(&InternetReadFile) read;
    decltype(&InternetCloseHandle) close;
    DWORD loadError;  // 0 when every function was found
};

NetCalls LoadNetCalls()
{
    NetCalls c = {};
    auto get = [&c](auto& slot, const char* name) {
        using Fn = std::remove_reference_t<decltype(slot)>;
        slot = SystemFunction<Fn>(L"wininet.dll", name);
        if (slot == nullptr && c.loadError == 0)
            c.loadError = GetLastError() ? GetLastError() : ERROR_PROC_NOT_FOUND;
    };
    get(c.open, "InternetOpenW");
    get(c.connect, "InternetConnectW");
    get(c.openRequest, "HttpOpenRequestW");
    get(c.sendRequest, "HttpSendRequestA");
    get(c.queryInfo, "HttpQueryInfoA");
    get(c.dataAvailable, "InternetQueryDataAvailable");
    get(c.read, "InternetReadFile");
    get(c.close, "InternetCloseHandle");
    return c;
}

// Loaded once, by whichever thread asks first.
const NetCalls& Net()
{
    static const NetCalls calls = LoadNetCalls();
    return calls;
}

class NetHandle {
public:
    NetHandle() = default;
    NetHandle(const NetHandle&) = delete;
    NetHandle& operator=(const NetHandle&) = delete;
    ~NetHandle() { Close(); }
    void Close()
    {
        if (h)
            Net().close(h);
        h = nullptr;
    }
    HINTERNET h = nullptr;
};

// One GET of a resource on the update server; the request handle closes first.
class Request {
public:
    ~Request() { request.Close(); }

    // True when the server answered 200; failure holds the system's code otherwise.
    bool Send(const wchar_t* resource, UpdateRun& run)
    {
        const NetCalls& net = Net();
        if (net.loadError) {
            run.failure = net.loadError;
            return false;
        }
        session.h = net.open(kUpdateAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (session.h)
            connection.h = net.connect(session.h, kUpdateServerHost, INTERNET_DEFAULT_HTTP_PORT, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0);
        if (connection.h)
            request.h = net.openRequest(connection.h, L"GET", resource, nullptr, nullptr, nullptr, kRequestFlags, 0);
        if (!request.h || !net.sendRequest(request.h, nullptr, 0, nullptr, 0)) {
            run.failure = GetLastError();
            return false;
        }
        // A 404 page would otherwise be read as the resource.
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (!net.queryInfo(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
            status != 200) {
            run.failure = 0;
            return false;
        }
        return true;
    }

    // Fills buffer with up to room bytes; false on any failure or short read.
    bool Fill(char* buffer, DWORD room, DWORD& stored, UpdateRun& run)
    {
        stored = 0;
        for (;;) {
            DWORD available = 0;
            if (!Net().dataAvailable(request.h, &available, 0, 0)) {
                run.failure = GetLastError();
                return false;
            }
            DWORD ask = available < room - stored ? available : room - stored;
            DWORD got = 0;
            if (ask && !Net().read(request.h, buffer + stored, ask, &got)) {
                run.failure = GetLastError();
                return false;
            }
            if (got == 0)
                return true;
            if (got < ask) {
                run.failure = 0;
                return false;
            }
            stored += got;
        }
    }

    NetHandle session;
    NetHandle connection;
    NetHandle request;
};

// Reads a small resource whole (at most 128 bytes kept).
bool FetchSmall(const wchar_t* resource, UpdateRun& run, char (&buffer)[129], DWORD& stored)
{
    Request request;
    return request.Send(resource, run) && request.Fill(buffer, 128, stored, run);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

[[noreturn]] void ThrowCryptError(const wchar_t* function)
{
    DWORD code = GetLastError();
    if (code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY)
        throw MemoryError();
    throw WinError(code, function);
}

class CryptProvider {
public:
    ~CryptProvider()
    {
        if (hash)
            CryptDestroyHash(hash);
        if (provider)
            CryptReleaseContext(provider, 0);
    }
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
};

}  // namespace

UpdateRun::UpdateRun(int32 notificationId) : serial(nextSerial.fetch_add(1)), notification(notificationId) {}

UpdateRun::~UpdateRun()
{
    CloseFile();
}

void UpdateRun::Release()
{
    if (refs.fetch_sub(1) == 1)
        delete this;
}

void UpdateRun::Notify(LPARAM note)
{
    HWND to = target.load();
    if (to)
        PostMessageW(to, WM_COMMAND, MAKEWPARAM(notification, serial), note);
}

void UpdateRun::CloseFile()
{
    HANDLE h = file.exchange(INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

bool ParseUpdateVersion(const char* bytes, int64 count, int32& version, int32& letter)
{
    if (count < 3)
        return false;
    for (int i = 0; i < 3; i++)
        if (bytes[i] < '0' || bytes[i] > '9')
            return false;
    version = (bytes[0] - '0') * 100 + (bytes[1] - '0') * 10 + (bytes[2] - '0');
    // A line break or anything else after the digits is no letter.
    letter = count > 3 && IsAsciiLetter(bytes[3]) ? bytes[3] : 0;
    return true;
}

bool IsNewerVersion(int32 version, int32 letter)
{
    return version > ProgramVersion || (version == ProgramVersion && letter != 0);
}

bool ParseUpdateMd5(const char* bytes, int64 count, u8 digest[16])
{
    if (count < 32)
        return false;
    for (int i = 0; i < 32; i++)
        if (HexValue(bytes[i]) < 0)
            return false;
    for (int i = 0; i < 16; i++)
        digest[i] = static_cast<u8>(HexValue(bytes[2 * i]) * 16 + HexValue(bytes[2 * i + 1]));
    return true;
}

HWND UpdateWorker::Start(UpdateRun* run)
{
    run->workerWindow = nullptr;
    run->instance = AppContext::Current().instance;
    run->AddRef();
    HANDLE thread = CreateThread(nullptr, 1 << 20, ThreadMain, run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
        run->Release();
        return nullptr;
    }
    CloseHandle(thread);
    for (int i = 0; i < 100; i++) {
        if (HWND window = run->workerWindow.load())
            return window;
        Sleep(10);
    }
    // A worker that comes up later finds its run given up and ends.
    run->cancelled = true;
    return nullptr;
}

bool UpdateWorker::StartCommand(UpdateRun* run, int32 command)
{
    HWND window = Start(run);
    return window && PostMessageW(window, WM_COMMAND, command, 0);
}

DWORD WINAPI UpdateWorker::ThreadMain(void* parameter)
{
    UpdateRun* run = static_cast<UpdateRun*>(parameter);
    HWND window = nullptr;
    try {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = run->instance;
        wc.lpszClassName = kWorkerClass;
        // The class outlives the first worker.
        if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
            window = CreateWindowExW(0, kWorkerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, run->instance,
                                     nullptr);
        if (window) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(run));
            run->workerWindow = window;
            MSG msg;
            while (!run->cancelled.load() && GetMessageW(&msg, nullptr, 0, 0) > 0)
                DispatchMessageW(&msg);
        }
    } catch (...) {
        run->failed = true;
    }
    if (window)
        DestroyWindow(window);
    run->CloseFile();
    run->Release();
    return 0;
}

LRESULT CALLBACK UpdateWorker::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    UpdateRun* run = reinterpret_cast<UpdateRun*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (run) {
        try {
            OnCommand(*run, LOWORD(wParam));
        } catch (...) {
            run->failed = true;
        }
    }
    // Each worker serves one command.
    PostQuitMessage(0);
    return 0;
}

void UpdateWorker::OnCommand(UpdateRun& run, int32 command)
{
    if (command == kUpdateCheckCommand) {
        run.failed = !(FetchVersion(run) && FetchMd5(run));
        run.Notify(0);
    } else if (command == kUpdateDownloadCommand) {
        bool good = false;
        try {
            good = DownloadInstaller(run);
        } catch (...) {
        }
        run.failed = !good;
        // The dialog reads the file as soon as it hears of the end.
        run.CloseFile();
        run.Notify(kDownloadEnded);
    }
}

bool UpdateWorker::FetchVersion(UpdateRun& run)
{
    char buffer[129] = {};
    DWORD stored = 0;
    return FetchSmall(L"installers/scrivel_up.version", run, buffer, stored) &&
           ParseUpdateVersion(buffer, stored, run.version, run.letter);
}

bool UpdateWorker::FetchMd5(UpdateRun& run)
{
    char buffer[129] = {};
    DWORD stored = 0;
    return FetchSmall(L"installers/scrivel_up.md5", run, buffer, stored) &&
           ParseUpdateMd5(buffer, stored, run.digest);
}

bool UpdateWorker::DownloadInstaller(UpdateRun& run)
{
    Request request;
    if (!request.Send(L"installers/scrivel_up.exe", run))
        return false;
    DWORD length = 0;
    DWORD size = sizeof(length);
    if (!Net().queryInfo(request.request.h, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                        nullptr)) {
        run.failure = GetLastError();
        return false;
    }
    run.installerSize = length;
    run.downloaded = 0;
    run.Notify(kDownloadStarted);
    std::vector<char> block(4096);
    for (bool first = true;; first = false) {
        DWORD stored = 0;
        if (!request.Fill(block.data(), static_cast<DWORD>(block.size()), stored, run))
            return false;
        if (stored == 0)
            break;
        if (first && block[0] == '<')
            return false;
        // A cancelled dialog wants nothing more written.
        HANDLE file = run.file.load();
        DWORD written = 0;
        if (run.cancelled.load() || file == INVALID_HANDLE_VALUE ||
            !WriteFile(file, block.data(), stored, &written, nullptr) || written != stored)
            return false;
        run.downloaded += stored;
        run.Notify(kDownloadBlock);
    }
    // A connection closed early ends like a whole body.
    return run.downloaded.load() == run.installerSize.load();
}

void ComputeFileMd5(const String& path, u8 digest[16])
{
    File file;
    file.Open(path, kFileRead, 0);
    int64 left = file.Size();
    CryptProvider crypt;
    if (!CryptAcquireContextW(&crypt.provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        ThrowCryptError(L"CryptAcquireContext");
    if (!CryptCreateHash(crypt.provider, CALG_MD5, 0, 0, &crypt.hash))
        ThrowCryptError(L"CryptCreateHash");
    std::vector<u8> buffer(65536);
    while (left > 0) {
        int64 piece = left < 65536 ? left : 65536;
        if (file.Read(buffer.data(), piece) != piece)
            throw EofError(path.CStr());
        if (!CryptHashData(crypt.hash, buffer.data(), static_cast<DWORD>(piece), 0))
            ThrowCryptError(L"CryptHashData");
        left -= piece;
    }
    DWORD size = 16;
    if (!CryptGetHashParam(crypt.hash, HP_HASHVAL, digest, &size, 0))
        ThrowCryptError(L"CryptGetHashParam");
}

String GetTempFolder()
{
    std::vector<wchar_t> buffer(10001);
    DWORD n = GetTempPathW(10000, buffer.data());
    if (n == 0 || n >= 10000)
        ThrowLastError(L"GetTempPath");
    String folder(buffer.data(), n);
    if (buffer[n - 1] != L'\\')
        folder.Append(L"\\", 1);
    return folder;
}

String GetProgramPath()
{
    std::vector<wchar_t> buffer(10001);
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), 10000);
    if (n == 0 || n >= 10000)
        ThrowLastError(L"GetModuleFileName");
    return String(buffer.data(), n);
}
