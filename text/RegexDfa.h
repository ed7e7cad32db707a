#pragma once

#include "base/Types.h"

#include <string>
#include <unordered_map>
#include <vector>

// States of a compiled expression's automaton, built lazily as the runs
// meet them: each is a set of automaton nodes, with its transitions on
// characters cached, so a run costs one table look-up per character once
// the states it needs exist. Memory is bounded: a full cache is emptied and
// built again; a run that keeps emptying it goes back to the automaton.
//
// A state is the set of live nodes after a step (in a run that starts a new
// attempt at every character, with the start node's closure added), with any
// assertion nodes still in it. Resolving the assertions depends only on the
// kinds of the characters on both sides, so it is cached per kind pair.
class RegexDfa {
public:
    // The kinds of character an assertion looks at: a line break or no
    // character at all, a word character, anything else.
    enum Kind { KindBreak = 0, KindWord = 1, KindOther = 2, KindCount = 3 };

    static constexpr int32 kUnknown = -1;
    static constexpr int32 kFull = -2;
    static constexpr int kAsciiCodes = 128;
    // Set in a byte transition whose target accepts or has assertions, so
    // the scan of plain bytes stops there without looking at the target.
    static constexpr int32 kLookBit = 0x40000000;

    struct State {
        int32 setStart;  // in the node pool
        int32 setCount;
        bool accept;
        bool assertion;
        bool anew;  // a new attempt begins at every character
        // An anew state, assertions resolved, holding nothing but nodes of
        // the start's closure: a character none of those takes leads back
        // to the start, so a run may skip to the next one that can.
        bool idle;
        // The same nodes in a run without new attempts (of an anew state),
        // kUnknown until asked for.
        int32 plain;
        int32 resolved[KindCount * KindCount];
        // Transitions on the characters below 128, by code, with kLookBit;
        // the upper half stays unknown, so that a byte from 0x80 on (and
        // a CR, which may pair with an LF) leaves the byte scan.
        int32 bytes[256];
    };

    RegexDfa();

    // The state of the sorted node indices (the accept node has index
    // node count), or kFull when the cache has no room left: it is then
    // emptied, and the caller starts over from its own copy of the set.
    int32 Intern(const int32* nodes, int32 count, bool anew, bool accept, bool assertion, bool idle);
    // Whether states more states of at most nodes nodes each fit without
    // emptying the cache.
    bool HasRoom(size_t states, size_t nodes) const;
    // A state stays where it is only until the next Intern.
    State& At(int32 state) { return states_[static_cast<size_t>(state)]; }
    const int32* Nodes(const State& s) const { return pool_.data() + s.setStart; }

    // Transitions on characters from 128 on (and undecodable ones), with
    // kLookBit as for bytes.
    int32 Wide(int32 state, int32 code) const
    {
        u64 key = WideKey(state, code);
        size_t mask = wide_.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            if (wide_[i].key == key)
                return wide_[i].next;
            if (wide_[i].key == kFreeKey)
                return kUnknown;
        }
    }
    void SetWide(int32 state, int32 code, int32 next);

    // The start state of each kind of run, kUnknown until built.
    int32 start[2];
    // The state of every node at once, kUnknown until built.
    int32 everything = kUnknown;
    // Room for the node set being looked up, kept from run to run.
    std::vector<int32> scratch;
    // How many times the cache has been emptied; a run compares it with the
    // count it began with.
    int64 resets = 0;
    // The nodes of the start's closure with every assertion taken as
    // holding (by index, the accept node last); empty until computed.
    std::vector<u8> opening;
    // Set when a run gave up: the expression makes more states than the
    // cache holds, so the automaton serves its searches from then on.
    bool thrashed = false;

private:
    static constexpr u64 kFreeKey = ~static_cast<u64>(0);
    static u64 WideKey(int32 state, int32 code)
    {
        return (static_cast<u64>(static_cast<u32>(state)) << 32) | static_cast<u32>(code);
    }
    static size_t Hash(u64 key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 40); }
    void Reset();

    std::vector<State> states_;
    std::vector<int32> pool_;
    std::unordered_map<std::string, int32> index_;
    // Open addressing on keys of state and code; a free slot has key ~0.
    struct WideSlot {
        u64 key;
        int32 next;
    };
    std::vector<WideSlot> wide_;
    size_t wideCount_ = 0;
    std::string key_;
};
