#pragma once

#include "base/String.h"

#include <windows.h>

#include <string>

// folder followed directly by name.
String Concat(const String& folder, const wchar_t* name);

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with "\".
    const String& Path() const { return path_; }
    // The folder followed by name.
    String operator/(const wchar_t* name) const { return Concat(path_, name); }

private:
    String path_;
};

// Deletes a folder and everything in it, read-only files included.
void RemoveTree(const wchar_t* folder);

// Whole-file helpers for setting up and checking fixtures; failures throw Error.
void WriteFileBytes(const String& path, const std::string& bytes);
std::string ReadFileBytes(const String& path);
bool PathExists(const String& path);
// Sets a file's last-write time; failures throw Error.
void SetFileWriteTime(const String& path, FILETIME time);
