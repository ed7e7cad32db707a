#pragma once

// The fuzz build's heap: every block of the program's operator new and of the
// engine's malloc family ends right before a page that may not be touched, so
// a read or write past a block's end stops the program at once, as the
// input's guard page does for the input. Freed blocks are poisoned and wait in
// a queue before their slot is used again. The engine's C calls come here
// through this header, which its fuzz build includes ahead of every source.

#include <cstddef>
#include <cstdlib>
#include <cstring>

void* GuardMalloc(size_t n);
void* GuardCalloc(size_t count, size_t n);
void* GuardRealloc(void* p, size_t n);
void GuardFree(void* p);

// Blocks and bytes in use, for finding what an input leaves behind.
struct GuardHeapUse {
    long long blocks;
    long long bytes;
};
GuardHeapUse GuardHeapInUse();

// Larger blocks are refused (null, or std::bad_alloc from operator new), as a
// machine with little memory would: a damaged count must not page the
// machine out.
constexpr size_t kGuardHeapLargest = size_t(256) << 20;

#ifdef SCRIVEL_GUARD_C_HEAP
// The engine built over this heap also checks its string indexes (an index
// past the end of a std::string aborts there instead of reading on).
#ifndef _GLIBCXX_ASSERTIONS
#error "the checked build of the engine needs _GLIBCXX_ASSERTIONS"
#endif
#define malloc(n) GuardMalloc(n)
#define calloc(c, n) GuardCalloc(c, n)
#define realloc(p, n) GuardRealloc(p, n)
#define free(p) GuardFree(p)
#endif
