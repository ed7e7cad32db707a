#pragma once

// The program's version as one number (major * 100 + minor), shown by the
// About dialog and compared with the server's by the update check.
constexpr int ProgramVersion = 103;
// Day this version was released, shown beside the version.
constexpr const wchar_t* ProgramReleaseDate = L"2026-12-09";
