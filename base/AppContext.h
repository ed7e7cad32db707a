#pragma once

#include "base/Array.h"
#include "base/SettingsStore.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

// The word that names the program's data folders.
constexpr const wchar_t* kProgramWord = L"Scrivel";
// The settings file in the data folder.
constexpr const wchar_t* kAppSettingsName = L"appsettings.dat";

// The application object of the GUI thread, registered in a thread-local slot
// by its constructor and reached from anywhere through it.
class AppContext {
public:
    u8 portable = 0;
    u8 portableKnown = 0;
    u32 exitCode = 0;
    HINSTANCE instance = nullptr;
    Array<String> arguments;  // the command line without the program path
    SettingsStore settings;

    explicit AppContext(HINSTANCE instance);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    void ReadArguments();
    // The arguments shared, not copied: the same header with one more reference.
    Array<String> CopyArguments() const { return arguments; }
    // Portable when "appsettings.dat" is a file in the "Scrivel Data" folder
    // beside the program; decided once per context.
    void DetectPortable();

    // The thread's context; InternalError when it has none.
    static AppContext& Current();
    // A shared copy of the thread's arguments.
    static Array<String> Arguments();
    static SettingsStore& Settings();
};

// The running program's folder, ending with "\".
String GetProgramFolder();
// The program folder followed directly by name (null: the folder).
String GetProgramFilePath(const wchar_t* name);
// The shell folder, "\", the program word, "\" and name (null: ending with the second "\").
String GetSpecialFolderPath(int csidl, const wchar_t* name);
String GetRoamingDataPath(const wchar_t* name);
String GetLocalDataFolder();
// The user's data file or folder (null name: the folder, ending with "\"):
// beside the program when portable, else in the roaming application data.
String GetDataFilePath(const AppContext& context, const wchar_t* name);
String GetDataFilePath(const wchar_t* name);
// The folder for autosave files: beside the program when portable, else in
// the local application data.
String GetDataFolder(const AppContext& context);
String GetDataFolder();
// Writes "appsettings.dat" into the data folder, only when the settings were loaded.
void SaveAppSettings(AppContext& context);
