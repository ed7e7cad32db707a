#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"
#include "spell/CorrectorDict.h"

#include <memory>
#include <vector>

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
// handed to every text view. Dictionaries are only ever appended, so an id
// names the same dictionary for the whole run. The views reach it only through
// IsCorrect and DisplayName, so they never link against the spelling engine.
class DictRegistry {
public:
    // Dictionaries from the application's folders, looked up at the first load.
    DictRegistry();
    explicit DictRegistry(const DictFolders& folders);
    DictRegistry(const DictRegistry&) = delete;
    DictRegistry& operator=(const DictRegistry&) = delete;
    virtual ~DictRegistry();

    // Destroys every dictionary in load order; nothing is selected afterwards.
    void Clear() noexcept;

    // The dictionary of the pair's primary id; null for 0 or an unknown id.
    CorrectorDict* ById(u32 pair) const noexcept;
    // The first dictionary of that name, ignoring the case of A-Z.
    CorrectorDict* FindByName(const wchar_t* name) const noexcept;
    // Loads what is not loaded of "name" or "primary\rsecondary" and selects
    // it; returns the packed pair of what was asked for. A failure leaves the
    // list and the selection as they were.
    u32 FindOrLoad(const String& text);
    // Selects a pair; an unknown primary changes nothing, an unknown
    // secondary selects the primary alone.
    void Select(u32 pair) noexcept;
    // The current selection packed (0 when no primary is selected).
    u32 SelectedPair() const noexcept;

    // True when the selected primary dictionary accepts the word, else the
    // secondary's answer; false without a primary. Never throws.
    virtual bool IsCorrect(const wchar_t* word, int64 length) const noexcept;
    // The primary's suggestions (none without a primary).
    Array<String> Suggest(const String& word) const;

    // The primary's name, "primary\rsecondary" when the pair also names an
    // existing secondary; empty when the primary id names no loaded dictionary.
    virtual String DisplayName(u32 pair) const;

    CorrectorDict* Primary() const noexcept { return primary_; }
    CorrectorDict* Secondary() const noexcept { return secondary_; }
    // Number of loaded dictionaries.
    int32 Count() const noexcept { return static_cast<int32>(dicts_.size()); }

private:
    CorrectorDict* LoadOne(const String& name);

    bool foldersKnown_;
    DictFolders folders_;
    // Invariant: primary_ and secondary_, when set, are elements of dicts_;
    // the element at index i has id i + 1.
    std::vector<std::unique_ptr<CorrectorDict>> dicts_;
    CorrectorDict* primary_ = nullptr;
    CorrectorDict* secondary_ = nullptr;
};
