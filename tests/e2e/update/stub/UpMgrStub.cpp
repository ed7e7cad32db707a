// Stands in for the updater helper "_up_mgr.exe": writes the path it runs
// from and then each argument, one a line in UTF-8, into the file named by
// SCRIVEL_UPDATE_STUB_LOG, which it inherits from the editor.

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    return bytes;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t log[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"SCRIVEL_UPDATE_STUB_LOG", log, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring text(self, length);
    text += L"\n";
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments && i < count; i++)
        text += std::wstring(arguments[i]) + L"\n";
    LocalFree(arguments);
    // Written whole under another name first: the test never reads half a log.
    std::wstring part = std::wstring(log) + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    std::string bytes = Utf8(text);
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size() || !MoveFileExW(part.c_str(), log, MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
