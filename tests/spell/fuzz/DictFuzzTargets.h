#pragma once

#include "support/Fuzz.h"

#include <string>
#include <vector>

// Spelling dictionaries as a fuzz target: an input is a .aff text, the line
// "#dic" and a .dic text (without that line, the .dic is "1\nkot\n"). Each
// input is written to a folder, loaded through CorrectorDict and asked to
// spell, suggest, add and ignore words. It ends in a result or an Error; a
// fault it finds in a result traps.

// Valid small dictionaries of both kinds (UTF-8 and ISO8859-2) that use the
// tables the engine reads (aliases, affixes, replacements, phonetics, keys,
// compounds, breaks, conversions).
std::vector<FuzzSeed> DictFuzzSeeds();

// An input made of an .aff and a .dic text.
std::vector<u8> DictFuzzInput(const std::string& aff, const std::string& dic);

// Runs one input; the folder is made on first use and removed at exit.
void RunDictFuzz(const u8* bytes, size_t count);
