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
