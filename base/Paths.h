#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

// Windows path strings. "/", ":" and "\" all separate when splitting;
// normalising turns "/" into "\".

// True when text ends with suffix, ignoring the case of A to Z only. A null or
// empty suffix always matches; a shorter text never does.
bool EndsWithNoCase(const wchar_t* text, const wchar_t* suffix);

// The part after the last separator: empty when the path ends with one, the
// whole path (its very block) when it has none.
String FileNamePart(String path);
String FileNamePart(const wchar_t* path);

// The part up to and including the last separator; empty when there is none.
String DirectoryPart(String path);
String DirectoryPart(const wchar_t* path);

// The path unchanged when it ends with "\" or "/", otherwise with "\" appended.
String EnsureTrailingBackslash(String path);

// Rewrites a NUL-terminated path in place: "/" becomes "\", doubled
// separators collapse, "\." disappears and "\.." removes the folder before it,
// never climbing above the path's root.
void NormalizePath(PodArray<wchar_t>& path);

// base followed directly by relative (base is expected to end with a
// separator), normalised; an absolute relative part is returned unchanged.
String JoinPath(const wchar_t* base, const wchar_t* relative);

// An absolute name unchanged; a root-relative ("\x") or drive-relative ("C:x")
// name resolved as the system resolves it; any other joined to the current folder.
String AbsolutePath(const wchar_t* name);

// The current directory ending with "\".
String GetCurrentFolder();

// Names (without the folder) of the entries matching folder followed directly
// by pattern, in the system's order, without "." and "..". Empty when the
// folder is missing or nothing matches.
Array<String> ListDirectory(const wchar_t* folder, const wchar_t* pattern);

// The last-write time of the named file.
FILETIME GetFileWriteTime(const wchar_t* name);
