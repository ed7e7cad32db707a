#include "base/ByteScan.h"

#include <doctest.h>

#include <windows.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

const u8* PlainFind(const u8* p, int c, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (p[i] == static_cast<u8>(c))
            return p + i;
    return nullptr;
}

const u8* PlainFindBackward(const u8* p, int c, size_t n)
{
    for (size_t i = n; i-- > 0;)
        if (p[i] == static_cast<u8>(c))
            return p + i;
    return nullptr;
}

// Bytes that end where a no-access page begins, so a scan reading past the
// end faults.
class PageEndBuffer {
public:
    explicit PageEndBuffer(size_t n)
    {
        size_t pages = (n + 4095) / 4096 + 1;
        base_ = static_cast<u8*>(VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * 4096 - n;
    }
    ~PageEndBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
    u8* data() { return data_; }

private:
    u8* base_;
    u8* data_;
};

} // namespace

TEST_CASE("byte scans agree with a plain loop at every length, offset and density")
{
    std::mt19937 rng(20261208);
    std::vector<u8> buffer(700);
    for (int round = 0; round < 4000; round++) {
        size_t n = rng() % 600;
        size_t offset = rng() % 64;
        int alphabet = 1 + static_cast<int>(rng() % 255);
        for (auto& b : buffer)
            b = static_cast<u8>(rng() % static_cast<unsigned>(alphabet));
        const u8* p = buffer.data() + offset;
        int c = static_cast<int>(rng() % static_cast<unsigned>(alphabet + 2));
        int d = static_cast<int>(rng() % 256);
        CAPTURE(round);
        CHECK(FindByte(p, c, n) == PlainFind(p, c, n));
        CHECK(FindByteBackward(p, c, n) == PlainFindBackward(p, c, n));
        const u8* a = PlainFind(p, c, n);
        const u8* b = PlainFind(p, d, n);
        const u8* either = !a ? b : !b ? a : (a < b ? a : b);
        CHECK(FindEitherByte(p, c, d, n) == either);
        size_t count = 0;
        for (size_t i = 0; i < n; i++)
            count += p[i] == static_cast<u8>(c);
        CHECK(CountByte(p, c, n) == count);
        // High bytes come only from alphabets above 128.
        const u8* high = nullptr;
        for (size_t i = 0; i < n && !high; i++)
            if (p[i] >= 0x80 || p[i] == static_cast<u8>(c))
                high = p + i;
        CHECK(FindHighOrByte(p, c, n) == high);
    }
}

TEST_CASE("byte scans never read past the end, and count past the 255-step fold")
{
    for (size_t n : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(63), size_t(64),
                     size_t(65), size_t(4095), size_t(5000)}) {
        PageEndBuffer buffer(n);
        memset(buffer.data(), 'a', n);
        CAPTURE(n);
        CHECK(FindByte(buffer.data(), 'b', n) == nullptr);
        CHECK(FindByteBackward(buffer.data(), 'b', n) == nullptr);
        CHECK(FindEitherByte(buffer.data(), 'b', 'c', n) == nullptr);
        CHECK(FindHighOrByte(buffer.data(), 'b', n) == nullptr);
        CHECK(CountByte(buffer.data(), 'a', n) == n);
        if (n > 0) {
            buffer.data()[n - 1] = 'b';
            CHECK(FindByte(buffer.data(), 'b', n) == buffer.data() + n - 1);
            CHECK(FindByteBackward(buffer.data(), 'b', n) == buffer.data() + n - 1);
        }
    }
    std::vector<u8> big(16 * 1000 + 7, '\n');
    CHECK(CountByte(big.data(), '\n', big.size()) == big.size());
    CHECK(CountByte(big.data(), 0x80, big.size()) == 0);
}

namespace {

bool Within(u8 b, const u8* range)
{
    return b >= range[0] && b <= range[1];
}

void RandomRange(std::mt19937& rng, int alphabet, u8* range)
{
    u8 a = static_cast<u8>(rng() % static_cast<unsigned>(alphabet + 2));
    u8 b = static_cast<u8>(rng() % static_cast<unsigned>(alphabet + 2));
    range[0] = a < b ? a : b;
    range[1] = a < b ? b : a;
    if (rng() % 3 == 0)
        range[1] = range[0];
}

} // namespace

TEST_CASE("range and pair scans agree with a plain loop at every length, offset and density")
{
    std::mt19937 rng(20261209);
    std::vector<u8> buffer(700);
    for (int round = 0; round < 3000; round++) {
        size_t n = rng() % 600;
        size_t offset = rng() % 64;
        int alphabet = 1 + static_cast<int>(rng() % 255);
        for (auto& b : buffer)
            b = static_cast<u8>(rng() % static_cast<unsigned>(alphabet));
        const u8* p = buffer.data() + offset;
        CAPTURE(round);

        u8 ranges[8][2];
        int count = 1 + static_cast<int>(rng() % 8);
        for (int r = 0; r < count; r++)
            RandomRange(rng, alphabet, ranges[r]);
        const u8* inRange = nullptr;
        for (size_t i = 0; i < n && !inRange; i++)
            for (int r = 0; r < count; r++)
                if (Within(p[i], ranges[r]))
                    inRange = p + i;
        CHECK(FindByteInRanges(p, n, ranges, count) == inRange);
        const u8* lastInRange = nullptr;
        for (size_t i = n; i-- > 0 && !lastInRange;)
            for (int r = 0; r < count; r++)
                if (Within(p[i], ranges[r]))
                    lastInRange = p + i;
        CHECK(FindLastByteInRanges(p, n, ranges, count) == lastInRange);

        BytePairRanges set;
        set.singles = static_cast<int>(rng() % 5);
        set.pairs = static_cast<int>(rng() % 9);
        set.fold = rng() % 3 == 0;
        for (int s = 0; s < set.singles; s++)
            RandomRange(rng, alphabet, set.single[s]);
        for (int q = 0; q < set.pairs; q++) {
            RandomRange(rng, alphabet, set.pair[q]);
            RandomRange(rng, alphabet, set.pair[q] + 2);
        }
        // Found at i with the byte paired with it at j, or any byte there
        // when j lies outside.
        auto found = [&](size_t i, size_t j) {
            u8 fold = set.fold ? 0x20 : 0;
            u8 b = static_cast<u8>(p[i] | fold);
            for (int s = 0; s < set.singles; s++)
                if (Within(b, set.single[s]))
                    return true;
            for (int q = 0; q < set.pairs; q++)
                if (Within(b, set.pair[q]) && (j >= n || Within(static_cast<u8>(p[j] | fold), set.pair[q] + 2)))
                    return true;
            return false;
        };
        const u8* pair = nullptr;
        for (size_t i = 0; i < n && !pair; i++)
            if (found(i, i + 1))
                pair = p + i;
        CHECK(FindBytePairs(p, n, set) == pair);
        const u8* last = nullptr;
        for (size_t i = n; i-- > 0 && !last;)
            if (found(i, i > 0 ? i - 1 : n))
                last = p + i;
        CHECK(FindLastBytePairs(p, n, set) == last);
    }
}

TEST_CASE("range and pair scans never read past the end")
{
    const u8 ranges[1][2] = {{'b', 'c'}};
    BytePairRanges set = {};
    set.pairs = 1;
    const u8 pair[4] = {'a', 'a', 'b', 'b'};
    memcpy(set.pair[0], pair, 4);
    for (size_t n : {size_t(0), size_t(1), size_t(16), size_t(17), size_t(33), size_t(5000)}) {
        PageEndBuffer buffer(n);
        memset(buffer.data(), 'a', n);
        CAPTURE(n);
        CHECK(FindByteInRanges(buffer.data(), n, ranges, 1) == nullptr);
        CHECK(FindLastByteInRanges(buffer.data(), n, ranges, 1) == nullptr);
        // An "a" at the end may begin a pair with what follows.
        CHECK(FindBytePairs(buffer.data(), n, set) == (n > 0 ? buffer.data() + n - 1 : nullptr));
        if (n > 1) {
            buffer.data()[n - 1] = 'b';
            CHECK(FindBytePairs(buffer.data(), n, set) == buffer.data() + n - 2);
        }
        // Backward an "a" at the start may end a pair with what comes before.
        memset(buffer.data(), 'b', n);
        CHECK(FindLastBytePairs(buffer.data(), n, set) == nullptr);
        if (n > 0) {
            buffer.data()[0] = 'a';
            CHECK(FindLastBytePairs(buffer.data(), n, set) == buffer.data());
        }
    }
}
