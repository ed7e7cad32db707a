#include "support/Fuzz.h"

#include "base/Error.h"

#include <windows.h>

#include <climits>
#include <cstring>

namespace {

constexpr size_t kPage = 4096;

void SetField(std::vector<u8>& data, size_t at, u32 value)
{
    for (size_t k = 0; k < 4 && at + k < data.size(); k++)
        data[at + k] = static_cast<u8>(value >> (8 * k));
}

}  // namespace

void MutateInput(std::vector<u8>& data, const std::vector<size_t>& sizeFields, FuzzRandom& random)
{
    static const u32 kSizes[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu};
    static const u8 kBytes[] = {0, 0x7F, 0x80, 0xFF, '<', '>', '&', ';', '=', '\'', '"', '/', '\n', 0xC3, 0xED, 0xF4};
    size_t steps = 1 + random.Below(4);
    for (size_t s = 0; s < steps; s++) {
        size_t n = data.size();
        switch (random.Below(8)) {
        case 0:  // bit flips
            for (size_t k = random.Below(4) + 1; k > 0 && n > 0; k--)
                data[random.Below(n)] ^= static_cast<u8>(1u << random.Below(8));
            break;
        case 1: {  // insert a run
            size_t at = random.Below(n + 1);
            size_t len = 1 + random.Below(16);
            std::vector<u8> run(len);
            for (auto& b : run)
                b = random.Below(2) ? kBytes[random.Below(sizeof(kBytes))] : static_cast<u8>(random.Next());
            data.insert(data.begin() + static_cast<ptrdiff_t>(at), run.begin(), run.end());
            break;
        }
        case 2:  // delete a run
            if (n > 0) {
                size_t at = random.Below(n);
                size_t len = 1 + random.Below(n - at < 64 ? n - at : 64);
                data.erase(data.begin() + static_cast<ptrdiff_t>(at), data.begin() + static_cast<ptrdiff_t>(at + len));
            }
            break;
        case 3:  // truncate
            data.resize(random.Below(n + 1));
            break;
        case 4:
        case 5: {  // a size field (or any word) set to 0, -1 or INT32_MAX
            size_t at = !sizeFields.empty() && random.Below(4) ? sizeFields[random.Below(sizeFields.size())]
                                                               : random.Below(n + 1);
            SetField(data, at, kSizes[random.Below(3)]);
            break;
        }
        case 6:  // copy a run elsewhere
            if (n > 1) {
                size_t from = random.Below(n);
                size_t len = 1 + random.Below(n - from < 256 ? n - from : 256);
                std::vector<u8> run(data.begin() + static_cast<ptrdiff_t>(from),
                                    data.begin() + static_cast<ptrdiff_t>(from + len));
                size_t at = random.Below(n + 1);
                data.insert(data.begin() + static_cast<ptrdiff_t>(at), run.begin(), run.end());
            }
            break;
        default:  // an interesting byte
            if (n > 0)
                data[random.Below(n)] = kBytes[random.Below(sizeof(kBytes))];
        }
    }
}

GuardedBuffer::~GuardedBuffer()
{
    if (base_)
        VirtualFree(base_, 0, MEM_RELEASE);
}

u8* GuardedBuffer::Room(size_t n)
{
    if (n > usable_) {
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
        size_t usable = (n + kPage - 1) / kPage * kPage;
        if (usable < 16 * kPage)
            usable = 16 * kPage;
        base_ = static_cast<u8*>(VirtualAlloc(nullptr, usable + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base_)
            throw MemoryError();
        DWORD old;
        if (!VirtualProtect(base_ + usable, kPage, PAGE_NOACCESS, &old))
            ThrowLastError(L"VirtualProtect");
        usable_ = usable;
    }
    return base_ + usable_ - n;
}

const u8* GuardedBuffer::Place(const u8* bytes, size_t n)
{
    u8* p = Room(n);
    if (n > 0)
        memcpy(p, bytes, n);
    return p;
}

FuzzStats RunFuzz(const std::vector<FuzzSeed>& seeds, u64 seed, int64 count, void (*target)(const u8*, size_t))
{
    FuzzRandom random(seed);
    GuardedBuffer buffer;
    FuzzStats stats;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<u8> input;
    for (int64 i = 0; i < count; i++) {
        const FuzzSeed& s = seeds[random.Below(seeds.size())];
        input = s.bytes;
        MutateInput(input, s.sizeFields, random);
        const u8* p = buffer.Place(input.data(), input.size());
        try {
            target(p, input.size());
        } catch (const Error&) {
            stats.errors++;
        }
        stats.inputs++;
    }
    QueryPerformanceCounter(&end);
    stats.seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    return stats;
}
