#include "base/AppContext.h"

#include "base/Error.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

namespace {

// Allocated once per process, never freed.
DWORD g_contextSlot = TLS_OUT_OF_INDEXES;

constexpr int64 kPathBufferUnits = 70000;
constexpr const wchar_t* kPortableSuffix = L" Data\\";

String Join(const wchar_t* a, const wchar_t* b, const wchar_t* c = nullptr)
{
    String s;
    s.ConcatList({a ? a : L"", b ? b : L"", c ? c : L""});
    return s;
}

String PortableFolder()
{
    return Join(GetProgramFolder().CStr(), kProgramWord, kPortableSuffix);
}

// Frees a shell item list however the caller leaves.
struct ItemList {
    LPITEMIDLIST p = nullptr;
    ~ItemList() { CoTaskMemFree(p); }
};

}  // namespace

AppContext::AppContext(HINSTANCE instance) : exitCode(0), instance(instance)
{
    if (g_contextSlot == TLS_OUT_OF_INDEXES) {
        DWORD slot = TlsAlloc();
        if (slot == TLS_OUT_OF_INDEXES)
            ThrowLastError();
        g_contextSlot = slot;
    }
    if (!TlsSetValue(g_contextSlot, this)) {
        DWORD error = GetLastError();
        TlsSetValue(g_contextSlot, nullptr);
        ThrowWinError(error);
    }
    try {
        ReadArguments();
    } catch (...) {
        TlsSetValue(g_contextSlot, nullptr);
        throw;
    }
}

AppContext::~AppContext()
{
    if (g_contextSlot != TLS_OUT_OF_INDEXES && TlsGetValue(g_contextSlot) == this)
        TlsSetValue(g_contextSlot, nullptr);
}

void AppContext::ReadArguments()
{
    Array<String> list;
    list.Reset();
    if (__wargv) {
        for (int i = 1; i < __argc; i++)
            list.Append(__wargv[i]);
    } else {
        // A program started through a narrow entry has no wide vector of its own.
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        if (!argv)
            ThrowLastError();
        try {
            for (int i = 1; i < argc; i++)
                list.Append(argv[i]);
        } catch (...) {
            LocalFree(argv);
            throw;
        }
        LocalFree(argv);
    }
    arguments = static_cast<Array<String>&&>(list);
}

void AppContext::DetectPortable()
{
    if (portableKnown)
        return;
    String path = Join(PortableFolder().CStr(), kAppSettingsName);
    DWORD attributes = GetFileAttributesW(path.CStr());
    portable = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    portableKnown = 1;
}

AppContext& AppContext::Current()
{
    if (g_contextSlot == TLS_OUT_OF_INDEXES)
        throw InternalError();
    auto context = static_cast<AppContext*>(TlsGetValue(g_contextSlot));
    if (!context)
        throw InternalError();
    return *context;
}

Array<String> AppContext::Arguments()
{
    return Current().CopyArguments();
}

SettingsStore& AppContext::Settings()
{
    return Current().settings;
}

String GetProgramFolder()
{
    AppContext& context = AppContext::Current();
    PodArray<wchar_t> buffer;
    buffer.InsertUninit(0, kPathBufferUnits);
    DWORD n = GetModuleFileNameW(context.instance, buffer.Data(), static_cast<DWORD>(kPathBufferUnits - 1));
    int32 length = AsInt(n);
    if (length < 1 || length >= kPathBufferUnits - 1)
        throw InternalError();
    const wchar_t* p = buffer.Data();
    int32 cut = length - 1;
    while (cut >= 0 && p[cut] != L'\\')
        cut--;
    if (cut < 0)
        throw InternalError();
    return String(p, cut + 1);
}

String GetProgramFilePath(const wchar_t* name)
{
    return Join(GetProgramFolder().CStr(), name);
}

String GetSpecialFolderPath(int csidl, const wchar_t* name)
{
    ItemList items;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items.p)))
        throw InternalError();
    PodArray<wchar_t> buffer;
    buffer.InsertUninit(0, kPathBufferUnits);
    if (!SHGetPathFromIDListW(items.p, buffer.Data()))
        throw InternalError();
    String s;
    s.ConcatList({buffer.Data(), L"\\", kProgramWord, L"\\", name ? name : L""});
    return s;
}

String GetRoamingDataPath(const wchar_t* name)
{
    return GetSpecialFolderPath(CSIDL_APPDATA, name);
}

String GetLocalDataFolder()
{
    return GetSpecialFolderPath(CSIDL_LOCAL_APPDATA, nullptr);
}

String GetDataFilePath(const AppContext& context, const wchar_t* name)
{
    if (context.portable)
        return Join(PortableFolder().CStr(), name);
    return GetRoamingDataPath(name);
}

String GetDataFilePath(const wchar_t* name)
{
    return GetDataFilePath(AppContext::Current(), name);
}

String GetDataFolder(const AppContext& context)
{
    if (context.portable)
        return PortableFolder();
    return GetLocalDataFolder();
}

String GetDataFolder()
{
    return GetDataFolder(AppContext::Current());
}

void SaveAppSettings(AppContext& context)
{
    if (!context.settings.loaded)
        return;
    String folder = GetDataFilePath(context, nullptr);
    // Only the last level may be missing; a failure shows when the file is written.
    CreateDirectoryW(folder.CStr(), nullptr);
    SaveKeyValueFile(context.settings, Join(folder.CStr(), kAppSettingsName).CStr());
}
