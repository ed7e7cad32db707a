#pragma once

#include "base/String.h"

#include "support/TempFolder.h"

#include <windows.h>

#include <string>

// Portable mode for the running test program: the "Scrivel Data" folder beside
// the program, holding an "appsettings.dat" with the given bytes, so that data
// paths lead there and not into the Wine prefix's profile. The folder and all
// it holds are removed afterwards.
//
// All test programs share one folder, so a named mutex lets one program at a
// time hold the portable folder; one left by a crashed run is cleared first.
class PortableDataFolder {
public:
    explicit PortableDataFolder(const std::string& settings = std::string());
    ~PortableDataFolder();
    PortableDataFolder(const PortableDataFolder&) = delete;
    PortableDataFolder& operator=(const PortableDataFolder&) = delete;

    // The folder, ending with "\".
    const String& Path() const { return path_; }
    String operator/(const wchar_t* name) const { return Concat(path_, name); }

private:
    HANDLE mutex_;
    String path_;
};

// The opposite for tests of the non-portable paths: holds the same lock, so
// that no other test program makes the portable folder meanwhile, and removes
// any folder a crashed run left.
class NoPortableDataFolder {
public:
    NoPortableDataFolder();
    ~NoPortableDataFolder();
    NoPortableDataFolder(const NoPortableDataFolder&) = delete;
    NoPortableDataFolder& operator=(const NoPortableDataFolder&) = delete;

private:
    HANDLE mutex_;
};
