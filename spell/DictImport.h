#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

// Dictionary files larger than this are not dictionaries: nothing is
// allocated or read for them.
constexpr int64 kMaxDictFileBytes = 256LL << 20;

// Fills both buffers with the .aff and .dic members of a zip archive (UTF-16
// path): the last .aff member, and the .dic member whose base name matches it,
// else the last .dic that is not a hyphenation list ("hyph_*"). Throws
// NoDictsInZipError for anything else: no such pair, an empty .dic, a broken
// archive, a member over the size limit, a read shorter than declared, a CRC
// mismatch. Member names only select members; they never name a file.
void ReadDictsFromZip(PodArray<u8>& affBytes, PodArray<u8>& dicBytes, const String& zipPath);

// Reads a dictionary chosen by one file: a .aff with the .dic beside it, a
// .dic with the .aff beside it, or a .zip archive. Any other extension, a
// file over the size limit or an empty .dic throws NoDictsInZipError; a
// missing file WinError, a short read EofError.
void ReadDictionaryFiles(PodArray<u8>& affBytes, PodArray<u8>& dicBytes, const String& path);

// Writes name.dic and name.aff into the folder (created when missing),
// replacing a pair of that name only once both new files are complete: any
// failure leaves the old pair as it was and propagates.
void InstallDictionary(const String& folder, const String& name, const PodArray<u8>& affBytes,
                       const PodArray<u8>& dicBytes);

// True when the whole name matches: "*" any run (also "/" and "\"), "?" any
// one character, ASCII letters ignoring case, other bytes exactly.
bool WildcardMatch(const char* name, const char* pattern);
// Rewrites the Polish letters of a code page 852 name as Windows-1250, in place.
void Cp852ToCp1250(char* name);
