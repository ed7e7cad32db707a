#pragma once

#include "support/Fuzz.h"

#include <string>
#include <vector>

// Spelling dictionaries as a fuzz target: an input is a .aff text, the line
// "#dic" and a .dic text (without that line, the .dic is "1\nkot\n"),
// optionally followed by the line "#words" and UTF-8 words, one a line. Each
// input is written to a folder, loaded through CorrectorDict and asked to
// spell its words and some fixed ones, to suggest for a few, to add and to
// ignore. It ends in a result or an Error; a fault it finds in a result traps.

// Valid small dictionaries of both kinds (UTF-8 and ISO8859-2) that use the
// tables the engine reads (aliases, affixes, replacements, phonetics, keys,
// compounds, breaks, conversions).
std::vector<FuzzSeed> DictFuzzSeeds();

// An input made of an .aff and a .dic text.
std::vector<u8> DictFuzzInput(const std::string& aff, const std::string& dic);

// Runs one input; the folder is made on first use and removed at exit.
void RunDictFuzz(const u8* bytes, size_t count);

// Runs one input placed at the end of buffer, counting an Error in errors;
// answers the heap blocks it took and did not give back.
long long DictFuzzBlocksLeft(const std::vector<u8>& input, GuardedBuffer& buffer, long long& errors);

// The next input of a run: half the time a mutated seed, else a generated
// dictionary of the shapes that have broken the engine: flag vectors and
// aliases at the 8- and 16-bit limits or holding the engine's own flag values
// (65510, 65511), words of 255 and 256 bytes, empty and unclosed groups in
// MAP, PHONE and COMPOUNDRULE, conversions to characters beyond U+FFFF, to
// break points or dashes with their source again, and of patterns that are
// only anchors, CHECKCOMPOUNDPATTERN replacements of letters of several bytes
// in 8-bit encodings, and huge or wrong counts on every counted table, in
// UTF-8 and 8-bit encodings, with words it knows and misspelt ones to ask
// about (a quarter of these mutated once more).
void NextDictFuzzInput(FuzzRandom& random, std::vector<u8>& input);

// Engine questions asked by RunDictFuzz so far.
struct DictFuzzCalls {
    long long spell = 0;
    long long suggest = 0;
};
DictFuzzCalls& DictFuzzCallCount();
