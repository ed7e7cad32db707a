#pragma once

#include "base/Types.h"

#include <vector>

// Fuzzing of the parsers of untrusted input: mutations of valid seed inputs,
// each placed so that its last byte lies right before a page the program may
// not touch, so a read past the end stops the program at once.

// A small fast generator (splitmix64); the same seed gives the same inputs.
class FuzzRandom {
public:
    explicit FuzzRandom(u64 seed) : state_(seed) {}
    u64 Next()
    {
        u64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (0 for n 0).
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    u64 state_;
};

// A valid input and the offsets of its 32-bit little-endian size fields,
// which mutations set to 0, -1 or INT32_MAX.
struct FuzzSeed {
    std::vector<u8> bytes;
    std::vector<size_t> sizeFields;
};

// One to four mutations: bit flips, inserted and deleted runs, truncation,
// size fields set to 0, -1 or INT32_MAX, copied runs, interesting bytes.
void MutateInput(std::vector<u8>& data, const std::vector<size_t>& sizeFields, FuzzRandom& random);

// Memory whose end borders a no-access page.
class GuardedBuffer {
public:
    GuardedBuffer() = default;
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;
    ~GuardedBuffer();

    // Room for n bytes ending at the guard page (contents unspecified).
    u8* Room(size_t n);
    // A copy of bytes[0..n) ending at the guard page.
    const u8* Place(const u8* bytes, size_t n);

private:
    u8* base_ = nullptr;
    size_t usable_ = 0;  // bytes before the guard page
};

struct FuzzStats {
    int64 inputs = 0;
    int64 errors = 0;   // inputs that ended in an Error
    double seconds = 0;
};

// Feeds count mutated seeds to target(bytes, n). Every input must end in a
// result or an Error; anything else escapes to the caller.
FuzzStats RunFuzz(const std::vector<FuzzSeed>& seeds, u64 seed, int64 count, void (*target)(const u8*, size_t));
