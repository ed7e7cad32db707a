#pragma once

// The dictionaries the manager offers and the file changes behind its
// buttons. Everything is written into the user folder; the shipped folder is
// only read, and a shipped dictionary is hidden by an empty ".del" marker.

#include "base/Array.h"
#include "base/String.h"
#include "spell/CorrectorDict.h"

// The base names of the ".aff" files: the user folder's first, then the
// shipped ones not hidden by a marker; a name present in both (in any case)
// once, as the user folder spells it.
Array<String> ListAvailableDictionaries(const DictFolders& folders);

// True when the user folder holds name.aff (ignoring case).
bool IsUserDictionary(const DictFolders& folders, const String& name);

// Empty, beginning with a character up to "-", holding one of /\:<>~., or
// a device name (con, prn, aux, nul, com1-9, lpt1-9), which names no file.
bool IsBadDictName(const String& name);

// A user dictionary loses its .aff and .dic; a shipped one gets its marker.
// The ".usr" file stays. WinError names the file that could not be deleted.
void RemoveDictionary(const DictFolders& folders, const String& name);

// A user pair is moved (the .dic back again when the .aff cannot follow); a
// shipped pair is copied into the user folder without overwriting (neither
// copy stays when one fails) and its old name hidden by a marker. The ".usr"
// file keeps its name. WinError names the new file that failed.
void RenameDictionary(const DictFolders& folders, const String& oldName, const String& newName);
