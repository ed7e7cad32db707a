#pragma once

// The local update server started by server.py around this program: its
// folder (plan, log, fixtures) and a few fixtures' helpers.

#include "base/String.h"

#include <windows.h>

class UpdateRun;

#include <string>
#include <vector>

namespace update_test {

// The server's folder as a Windows path ending with "\" (Wine's Z: drive).
std::wstring Folder();
// The file name in the server's folder.
std::wstring InFolder(const wchar_t* name);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Replaces the plan the server answers by (JSON) and forgets earlier requests.
void SetPlan(const std::string& json);
// The requests since the last plan, "GET url agent" each.
std::vector<std::string> Requests();
// The plan entry of a small resource with body.
std::string Body(const std::string& text, int status = 200);
// Random installer bytes written to "installer.bin"; returns them.
std::string MakeInstaller(size_t size, unsigned seed);

// A plan whose version and MD5 are good for the installer in "installer.bin"
// (or, with badMd5, for other bytes) and whose installer entry is exe.
std::string NewerPlan(const std::string& exe, bool badMd5 = false);

// Runs one worker command for run and waits for its notification (the last
// one for a download); returns how many notifications came.
int RunCommand(UpdateRun* run, int command);

}  // namespace update_test
