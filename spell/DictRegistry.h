#pragma once

#include "base/String.h"
#include "base/Types.h"

// A pair of dictionaries named by one packed id: bits 0-14 the primary id,
// bits 16-30 the secondary id (0 = no secondary). Ids are 1-based positions
// in the registry's load order.
inline int32 PrimaryDictId(u32 pair) { return static_cast<int32>(pair & 0x7FFF); }
inline int32 SecondaryDictId(u32 pair) { return static_cast<int32>((pair >> 16) & 0x7FFF); }
inline u32 PackDictPair(int32 primary, int32 secondary)
{
    return (static_cast<u32>(primary) & 0x7FFF) | ((static_cast<u32>(secondary) & 0x7FFF) << 16);
}

// The registry of loaded spelling dictionaries, owned by the main window and
// handed to every text view. The views reach it only through these two
// questions, so they never link against the spelling engine.
class DictRegistry {
public:
    DictRegistry() = default;
    DictRegistry(const DictRegistry&) = delete;
    DictRegistry& operator=(const DictRegistry&) = delete;
    virtual ~DictRegistry() = default;

    // True when the selected primary dictionary accepts the word, else the
    // secondary's answer; false without a primary. Never throws.
    virtual bool IsCorrect(const wchar_t* word, int64 length) const noexcept;

    // The primary's name, "primary\rsecondary" when the pair also names an
    // existing secondary; empty when the primary id names no loaded dictionary.
    virtual String DisplayName(u32 pair) const;

    // Number of loaded dictionaries.
    virtual int32 Count() const noexcept { return 0; }
};
