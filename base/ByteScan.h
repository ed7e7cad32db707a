#pragma once

#include "base/Types.h"

// Byte scans with SSE2, sixteen bytes a step. The C runtime's memchr under
// Wine walks a byte at a time; every x86 target of ours has SSE2.

// First byte equal to c in [p, p + n), or null.
const u8* FindByte(const u8* p, int c, size_t n);

// Last byte equal to c in [p, p + n), or null.
const u8* FindByteBackward(const u8* p, int c, size_t n);

// First byte equal to a or b in [p, p + n), or null.
const u8* FindEitherByte(const u8* p, int a, int b, size_t n);

// How many bytes of [p, p + n) equal c.
size_t CountByte(const u8* p, int c, size_t n);

// First byte of [p, p + n) that is 0x80 or above or equals c, or null.
const u8* FindHighOrByte(const u8* p, int c, size_t n);

// First byte of [p, p + n) that lies in one of count inclusive ranges
// {low, high} (at most eight), or null.
const u8* FindByteInRanges(const u8* p, size_t n, const u8 (*ranges)[2], int count);

// Last byte of [p, p + n) that lies in one of count inclusive ranges (at
// most eight), or null.
const u8* FindLastByteInRanges(const u8* p, size_t n, const u8 (*ranges)[2], int count);

// Byte pairs for a scan: a position is found when its byte lies in one of
// the single ranges, or when it and the byte after it (before it, in a
// backward scan) lie in the two ranges of one pair {first low, first high,
// second low, second high}. With fold set every byte is compared with bit
// 0x20 set, so that ASCII letters of either case take one range; the ranges
// then hold such bytes.
struct BytePairRanges {
    int singles;
    u8 single[4][2];
    int pairs;
    u8 pair[8][4];
    bool fold;
};

// First such position of [p, p + n), or null. Past the end any byte may
// follow, so a last byte that can begin a pair is found.
const u8* FindBytePairs(const u8* p, size_t n, const BytePairRanges& set);

// Last such position of [p, p + n), the second byte of a pair being the one
// before; or null. Before p any byte may come, so a first byte at p that
// can begin a pair is found.
const u8* FindLastBytePairs(const u8* p, size_t n, const BytePairRanges& set);
