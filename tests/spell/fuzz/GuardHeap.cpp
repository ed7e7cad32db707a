#include "GuardHeap.h"

#include <windows.h>

#include <cstdint>
#include <new>

// Blocks up to a page take one slot of two pages each in a reserved region:
// the block ends where the second page, never committed, begins. Larger ones
// get their own pages with one more left uncommitted after them. A block is
// placed at the end exactly: its alignment is the largest power of two, at
// most 16, that divides its size, which is all a type that size can need
// (the engine's records with a word after them are the exception: its fuzz
// build is compiled without the alignment check, and x86 does not mind).

namespace {

constexpr size_t kPage = 4096;
constexpr size_t kSlotSize = 2 * kPage;
constexpr size_t kSlots = size_t(1) << 16;  // 512 MiB of address space
constexpr size_t kQuarantine = 4096;        // freed slots waiting before reuse
constexpr size_t kLargeMax = 4096;          // large blocks alive at once
constexpr unsigned char kPoison = 0xFD;

struct Large {
    unsigned char* block;
    unsigned char* base;
    size_t size;
};

struct Heap {
    unsigned char* region;
    size_t* sizes;       // per slot: size + 1 while in use, 0 otherwise
    size_t* freeSlots;   // stack of reusable slots
    size_t freeCount;
    size_t* quarantine;  // ring of freed slots
    size_t qHead, qCount;
    size_t fresh;        // slots never used so far start here
    Large* large;
    size_t largeCount;
    long long blocks, bytes;
};

Heap g_heap;
SRWLOCK g_lock = SRWLOCK_INIT;

[[noreturn]] void Fault()
{
    __builtin_trap();
}

void* Reserve(size_t bytes)
{
    void* p = VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
    if (!p)
        Fault();
    return p;
}

void* Commit(void* at, size_t bytes)
{
    return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE);
}

void Init(Heap& h)
{
    if (h.region)
        return;
    h.region = static_cast<unsigned char*>(Reserve(kSlots * kSlotSize));
    size_t tables = (2 * kSlots + kQuarantine) * sizeof(size_t) + kLargeMax * sizeof(Large);
    unsigned char* t = static_cast<unsigned char*>(Commit(Reserve(tables), tables));
    if (!t)
        Fault();
    h.sizes = reinterpret_cast<size_t*>(t);
    h.freeSlots = h.sizes + kSlots;
    h.quarantine = h.freeSlots + kSlots;
    h.large = reinterpret_cast<Large*>(h.quarantine + kQuarantine);
}

size_t Alignment(size_t n, size_t align)
{
    if (align)
        return align;
    size_t low = n & (~n + 1);
    return low == 0 || low > 16 ? 16 : low;
}

// The block of n bytes ending at end, aligned down as align asks.
unsigned char* EndingAt(unsigned char* end, size_t n, size_t align)
{
    uintptr_t p = reinterpret_cast<uintptr_t>(end) - n;
    return reinterpret_cast<unsigned char*>(p & ~(uintptr_t(align) - 1));
}

void* AllocLarge(Heap& h, size_t n, size_t align)
{
    if (h.largeCount == kLargeMax)
        return nullptr;
    size_t room = (n + align + kPage - 1) / kPage * kPage;
    auto* base = static_cast<unsigned char*>(VirtualAlloc(nullptr, room + kPage, MEM_RESERVE, PAGE_NOACCESS));
    if (!base)
        return nullptr;
    if (!Commit(base, room)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    unsigned char* block = EndingAt(base + room, n, align);
    h.large[h.largeCount++] = {block, base, n};
    return block;
}

void* Alloc(size_t n, size_t align)
{
    if (n > kGuardHeapLargest)
        return nullptr;
    align = Alignment(n, align);
    AcquireSRWLockExclusive(&g_lock);
    Heap& h = g_heap;
    Init(h);
    void* result = nullptr;
    if (n + align <= kPage) {
        size_t slot = kSlots;
        if (h.freeCount > 0) {
            slot = h.freeSlots[--h.freeCount];
        } else if (h.fresh < kSlots) {
            if (Commit(h.region + h.fresh * kSlotSize, kPage))
                slot = h.fresh++;
        }
        if (slot < kSlots) {
            h.sizes[slot] = n + 1;
            result = EndingAt(h.region + slot * kSlotSize + kPage, n, align);
        }
    } else {
        result = AllocLarge(h, n, align);
    }
    if (result) {
        h.blocks++;
        h.bytes += static_cast<long long>(n);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return result;
}

// The block's size; a pointer that is no block of this heap traps.
size_t SizeOf(Heap& h, void* p, size_t** slotSize, size_t* largeIndex)
{
    auto* b = static_cast<unsigned char*>(p);
    if (h.region && b >= h.region && b < h.region + kSlots * kSlotSize) {
        size_t slot = static_cast<size_t>(b - h.region) / kSlotSize;
        if (h.sizes[slot] == 0)
            Fault();  // freed twice, or never handed out
        *slotSize = &h.sizes[slot];
        return h.sizes[slot] - 1;
    }
    for (size_t i = 0; i < h.largeCount; i++)
        if (h.large[i].block == b) {
            *largeIndex = i;
            return h.large[i].size;
        }
    Fault();
}

void Release(void* p, size_t expected)
{
    if (!p)
        return;
    AcquireSRWLockExclusive(&g_lock);
    Heap& h = g_heap;
    size_t* slotSize = nullptr;
    size_t largeIndex = 0;
    size_t n = SizeOf(h, p, &slotSize, &largeIndex);
    if (expected != SIZE_MAX && expected != n)
        Fault();  // a sized delete of another size
    h.blocks--;
    h.bytes -= static_cast<long long>(n);
    if (slotSize) {
        *slotSize = 0;
        memset(p, kPoison, n);
        size_t slot = static_cast<size_t>(static_cast<unsigned char*>(p) - h.region) / kSlotSize;
        if (h.qCount == kQuarantine) {
            h.freeSlots[h.freeCount++] = h.quarantine[h.qHead];
            h.qHead = (h.qHead + 1) % kQuarantine;
            h.qCount--;
        }
        h.quarantine[(h.qHead + h.qCount) % kQuarantine] = slot;
        h.qCount++;
    } else {
        VirtualFree(h.large[largeIndex].base, 0, MEM_RELEASE);
        h.large[largeIndex] = h.large[--h.largeCount];
    }
    ReleaseSRWLockExclusive(&g_lock);
}

size_t BlockSize(void* p)
{
    AcquireSRWLockShared(&g_lock);
    size_t* slotSize = nullptr;
    size_t largeIndex = 0;
    size_t n = SizeOf(g_heap, p, &slotSize, &largeIndex);
    ReleaseSRWLockShared(&g_lock);
    return n;
}

void* NewOrThrow(size_t n, size_t align)
{
    void* p = Alloc(n, align);
    if (!p)
        throw std::bad_alloc();
    return p;
}

}  // namespace

void* GuardMalloc(size_t n)
{
    return Alloc(n, 0);
}

void* GuardCalloc(size_t count, size_t n)
{
    if (n != 0 && count > SIZE_MAX / n)
        return nullptr;
    void* p = Alloc(count * n, 0);
    if (p)
        memset(p, 0, count * n);
    return p;
}

void* GuardRealloc(void* p, size_t n)
{
    if (!p)
        return Alloc(n, 0);
    size_t old = BlockSize(p);
    void* q = Alloc(n, 0);
    if (!q)
        return nullptr;
    memcpy(q, p, old < n ? old : n);
    Release(p, SIZE_MAX);
    return q;
}

void GuardFree(void* p)
{
    Release(p, SIZE_MAX);
}

GuardHeapUse GuardHeapInUse()
{
    AcquireSRWLockShared(&g_lock);
    GuardHeapUse use{g_heap.blocks, g_heap.bytes};
    ReleaseSRWLockShared(&g_lock);
    return use;
}

void* operator new(size_t n)
{
    return NewOrThrow(n, 0);
}
void* operator new[](size_t n)
{
    return NewOrThrow(n, 0);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    return Alloc(n, 0);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    return Alloc(n, 0);
}
void* operator new(size_t n, std::align_val_t a)
{
    return NewOrThrow(n, static_cast<size_t>(a));
}
void* operator new[](size_t n, std::align_val_t a)
{
    return NewOrThrow(n, static_cast<size_t>(a));
}
void operator delete(void* p) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete[](void* p) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete(void* p, size_t n) noexcept
{
    Release(p, n);
}
void operator delete[](void* p, size_t n) noexcept
{
    Release(p, n);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    Release(p, SIZE_MAX);
}
void operator delete(void* p, size_t n, std::align_val_t) noexcept
{
    Release(p, n);
}
void operator delete[](void* p, size_t n, std::align_val_t) noexcept
{
    Release(p, n);
}
