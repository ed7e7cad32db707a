#pragma once

#include "base/Types.h"

struct CodePageTable;

// The 8-bit encodings a dictionary may declare ("SET" of its .aff file, as
// the engine reports it). Four share the text model's tables; the others
// are built from the published mapping carried here.
struct DictEncodingInfo {
    const CodePageTable* shared;  // a text model table, or null
    const u16* high;              // bytes 0x80-0xFF of a mapping to build, or null
};

// Looks the name up exactly (case-sensitive). False for UTF-8 and for names
// no table exists for; info tells the two apart: UTF-8 has a true result
// with both members null.
bool FindDictEncoding(const char* name, DictEncodingInfo& info);

// The full 256-entry byte -> code point mapping of a built table (bytes below
// 0x80 map to themselves; U+FFFD marks an undefined byte).
void FillDictMapping(const u16* high, u16* mapping);
