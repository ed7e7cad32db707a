#include "text/RegexDfa.h"

#include <cstring>

namespace {

// At most about 2 MB of states and sets, and 1 MB of wide transitions;
// a search of a few states takes a few kilobytes.
constexpr size_t kMaxStates = 2048;
constexpr size_t kMaxPool = 256 * 1024;
constexpr size_t kFirstWideSlots = 256;
constexpr size_t kMaxWideSlots = 64 * 1024;  // kept at most half full

}  // namespace

RegexDfa::RegexDfa() : start{kUnknown, kUnknown}
{
    wide_.assign(kFirstWideSlots, WideSlot{kFreeKey, kUnknown});
}

void RegexDfa::Reset()
{
    states_.clear();
    pool_.clear();
    index_.clear();
    wide_.assign(kFirstWideSlots, WideSlot{kFreeKey, kUnknown});
    wideCount_ = 0;
    start[0] = start[1] = kUnknown;
    everything = kUnknown;
    resets++;
}

int32 RegexDfa::Intern(const int32* nodes, int32 count, bool anew, bool accept, bool assertion, bool idle)
{
    key_.assign(1, anew ? 'n' : 'a');
    key_.append(reinterpret_cast<const char*>(nodes), static_cast<size_t>(count) * sizeof(int32));
    auto found = index_.find(key_);
    if (found != index_.end())
        return found->second;
    if (states_.size() >= kMaxStates || pool_.size() + static_cast<size_t>(count) > kMaxPool) {
        Reset();
        return kFull;
    }
    State s;
    s.setStart = static_cast<int32>(pool_.size());
    s.setCount = count;
    s.accept = accept;
    s.assertion = assertion;
    s.anew = anew;
    s.idle = idle;
    s.plain = kUnknown;
    for (int32& r : s.resolved)
        r = kUnknown;
    for (int32& b : s.bytes)
        b = kUnknown;
    pool_.insert(pool_.end(), nodes, nodes + count);
    int32 index = static_cast<int32>(states_.size());
    states_.push_back(s);
    index_.emplace(key_, index);
    return index;
}

bool RegexDfa::HasRoom(size_t states, size_t nodes) const
{
    return states_.size() + states <= kMaxStates && pool_.size() + states * nodes <= kMaxPool;
}

void RegexDfa::SetWide(int32 state, int32 code, int32 next)
{
    if (wideCount_ >= wide_.size() / 2) {
        // Characters are many; past the bound they are simply computed again.
        if (wide_.size() >= kMaxWideSlots)
            return;
        std::vector<WideSlot> old(wide_.size() * 2, WideSlot{kFreeKey, kUnknown});
        old.swap(wide_);
        size_t mask = wide_.size() - 1;
        for (const WideSlot& slot : old) {
            if (slot.key == kFreeKey)
                continue;
            size_t i = Hash(slot.key) & mask;
            while (wide_[i].key != kFreeKey)
                i = (i + 1) & mask;
            wide_[i] = slot;
        }
    }
    u64 key = WideKey(state, code);
    size_t mask = wide_.size() - 1;
    size_t i = Hash(key) & mask;
    while (wide_[i].key != kFreeKey && wide_[i].key != key)
        i = (i + 1) & mask;
    if (wide_[i].key == kFreeKey)
        wideCount_++;
    wide_[i] = WideSlot{key, next};
}
