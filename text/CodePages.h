#pragma once

#include "base/Types.h"

// Upper halves (bytes 0x80-0xFF) of the published code-page mappings.
extern const u16 kWindows1252High[128];
extern const u16 kWindows1250High[128];
extern const u16 kIso8859_1High[128];
extern const u16 kIso8859_2High[128];
