#include "base/AppContext.h"
#include "base/Error.h"

#include "support/PortableMode.h"
#include "support/TempFolder.h"

#include <doctest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <new>
#include <string>

namespace {

template <class F>
int32 CodeOf(F f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.code;
    }
    return 0;
}

std::wstring W(const String& s)
{
    return std::wstring(s.CStr(), static_cast<size_t>(s.Length()));
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH];
    REQUIRE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)));
    return path;
}

HINSTANCE ThisProgram()
{
    return GetModuleHandleW(nullptr);
}

}  // namespace

TEST_CASE("the exit code starts at 0 whatever the memory held before")
{
    alignas(AppContext) unsigned char memory[sizeof(AppContext)];
    memset(memory, 0xCD, sizeof memory);
    auto context = new (memory) AppContext(ThisProgram());
    CHECK(context->exitCode == 0u);
    CHECK(context->portable == 0);
    CHECK(context->portableKnown == 0);
    CHECK(context->settings.loaded == 0);
    CHECK(context->settings.PairCount() == 0);
    context->~AppContext();
}

TEST_CASE("the context is reached through the thread's slot while it lives")
{
    CHECK(CodeOf([] { AppContext::Current(); }) == -3);
    {
        AppContext context(ThisProgram());
        CHECK(&AppContext::Current() == &context);
        CHECK(&AppContext::Settings() == &context.settings);
        // Another thread has no context.
        int32 code = 0;
        HANDLE t = CreateThread(
            nullptr, 0,
            [](void* out) -> DWORD {
                *static_cast<int32*>(out) = CodeOf([] { AppContext::Current(); });
                return 0;
            },
            &code, 0, nullptr);
        REQUIRE(t);
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
        CHECK(code == -3);
    }
    CHECK(CodeOf([] { AppContext::Current(); }) == -3);
    CHECK(CodeOf([] { AppContext::Settings(); }) == -3);
    CHECK(CodeOf([] { AppContext::Arguments(); }) == -3);
    CHECK(CodeOf([] { GetProgramFolder(); }) == -3);
    CHECK(CodeOf([] { GetDataFilePath(L"x"); }) == -3);
    CHECK(CodeOf([] { GetDataFolder(); }) == -3);
}

TEST_CASE("the arguments leave out the program path and are shared")
{
    AppContext context(ThisProgram());
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    REQUIRE(argv);
    REQUIRE(context.arguments.Count() == argc - 1);
    for (int i = 1; i < argc; i++)
        CHECK(context.arguments.At(i - 1).Equals(argv[i]));
    LocalFree(argv);

    Array<String> shared = AppContext::Arguments();
    CHECK(shared.SameHeader(context.arguments));
    CHECK(context.arguments.RefCount() == 2);
    Array<String> again = context.CopyArguments();
    CHECK(again.SameHeader(context.arguments));
    CHECK(context.arguments.RefCount() == 3);
}

TEST_CASE("program folder and program file paths")
{
    AppContext context(ThisProgram());
    String folder = GetProgramFolder();
    REQUIRE(folder.Length() > 0);
    CHECK(folder.CStr()[folder.Length() - 1] == L'\\');
    wchar_t self[MAX_PATH];
    REQUIRE(GetModuleFileNameW(nullptr, self, MAX_PATH) > 0);
    std::wstring name = wcsrchr(self, L'\\') + 1;
    String path = GetProgramFilePath(name.c_str());
    CHECK(PathExists(path));
    CHECK(W(GetProgramFilePath(nullptr)) == W(folder));
}

TEST_CASE("without portable data the data lives in the user's application data folders")
{
    NoPortableDataFolder absent;
    AppContext context(ThisProgram());
    context.DetectPortable();
    CHECK(context.portableKnown == 1);
    REQUIRE(context.portable == 0);
    CHECK(W(GetDataFilePath(context, L"appsettings.dat")) == ShellFolder(CSIDL_APPDATA) + L"\\Scrivel\\appsettings.dat");
    CHECK(W(GetDataFilePath(nullptr)) == ShellFolder(CSIDL_APPDATA) + L"\\Scrivel\\");
    CHECK(W(GetRoamingDataPath(L"a\\b")) == ShellFolder(CSIDL_APPDATA) + L"\\Scrivel\\a\\b");
    CHECK(W(GetDataFolder(context)) == ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Scrivel\\");
    CHECK(W(GetLocalDataFolder()) == ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Scrivel\\");
    CHECK(W(GetSpecialFolderPath(CSIDL_PROFILE, L"x")) == ShellFolder(CSIDL_PROFILE) + L"\\Scrivel\\x");
}

TEST_CASE("a settings file beside the program switches to portable mode, once per context")
{
    PortableDataFolder data;
    AppContext context(ThisProgram());
    context.DetectPortable();
    REQUIRE(context.portable == 1);
    CHECK(W(GetDataFilePath(context, L"appsettings.dat")) == W(data / L"appsettings.dat"));
    CHECK(W(GetDataFilePath(L"Color Schemes\\")) == W(data / L"Color Schemes\\"));
    CHECK(W(GetDataFilePath(nullptr)) == W(data.Path()));
    CHECK(W(GetDataFolder(context)) == W(data.Path()));
    CHECK(W(GetDataFolder()) == W(data.Path()));

    // The decision stands for the context's life.
    DeleteFileW((data / L"appsettings.dat").CStr());
    context.DetectPortable();
    CHECK(context.portable == 1);
    AppContext fresh(ThisProgram());
    fresh.DetectPortable();
    CHECK(fresh.portable == 0);
}

TEST_CASE("a folder named appsettings.dat beside the program does not count")
{
    PortableDataFolder data;
    String name = data / L"appsettings.dat";
    REQUIRE(DeleteFileW(name.CStr()));
    REQUIRE(CreateDirectoryW(name.CStr(), nullptr));
    AppContext context(ThisProgram());
    context.DetectPortable();
    CHECK(context.portableKnown == 1);
    CHECK(context.portable == 0);
}

TEST_CASE("settings that were never loaded are never saved")
{
    PortableDataFolder data("mine=1\r\n");
    AppContext context(ThisProgram());
    context.DetectPortable();
    REQUIRE(context.portable == 1);
    context.settings.SetText(L"other", L"2");
    SaveAppSettings(context);
    CHECK(ReadFileBytes(data / L"appsettings.dat") == "mine=1\r\n");
    CHECK_FALSE(PathExists(data / L"appsettings.dat.bak"));
}

TEST_CASE("the application's settings load from and save to the data folder")
{
    PortableDataFolder data("TabStep=8\r\nUILanguage=polski\r\n");
    AppContext context(ThisProgram());
    context.DetectPortable();
    REQUIRE(context.portable == 1);
    LoadKeyValueFile(context.settings, GetDataFilePath(context, kAppSettingsName).CStr());
    REQUIRE(context.settings.loaded == 1);
    CHECK(AppContext::Settings().GetTabStep() == 8);
    AppContext::Settings().SetTabStep(2);
    AppContext::Settings().SetText(L"Autosave", L"false");
    SaveAppSettings(context);
    CHECK(ReadFileBytes(data / L"appsettings.dat") == "Autosave=false\r\nTabStep=2\r\nUILanguage=polski\r\n");
    CHECK(ReadFileBytes(data / L"appsettings.dat.bak") == "TabStep=8\r\nUILanguage=polski\r\n");

    // A missing data folder is made again.
    RemoveTree(data.Path().CStr());
    SaveAppSettings(context);
    CHECK(ReadFileBytes(data / L"appsettings.dat") == "Autosave=false\r\nTabStep=2\r\nUILanguage=polski\r\n");
}

TEST_CASE("settings whose reload failed are not saved over the file")
{
    PortableDataFolder data("TabStep=8\r\n");
    AppContext context(ThisProgram());
    context.DetectPortable();
    REQUIRE(context.portable == 1);
    String path = GetDataFilePath(context, kAppSettingsName);
    LoadKeyValueFile(context.settings, path.CStr());
    REQUIRE(context.settings.loaded == 1);

    SetKeyValueRetryPause(1);
    HANDLE lock = CreateFileW(path.CStr(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(lock != INVALID_HANDLE_VALUE);
    CHECK(CodeOf([&] { LoadKeyValueFile(context.settings, path.CStr()); }) == ERROR_SHARING_VIOLATION);
    CloseHandle(lock);
    SetKeyValueRetryPause(200);

    SaveAppSettings(context);
    CHECK(ReadFileBytes(path) == "TabStep=8\r\n");
}
