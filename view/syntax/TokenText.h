#pragma once

#include "base/Types.h"

#include <emmintrin.h>

// The characters of the tokens of one line, as UTF-16 units with, for each
// unit, how many bytes of the text it stands for (0 for the high half of a
// surrogate pair and for units that are not in the text).
class TokenText {
public:
    static constexpr int32 kInitialRoom = 1024;

    TokenText();
    ~TokenText();
    TokenText(const TokenText&) = delete;
    TokenText& operator=(const TokenText&) = delete;

    int32 Count() const { return count_; }
    int32 Capacity() const { return capacity_; }
    const wchar_t* Units() const { return units_; }
    const u8* ByteLengths() const { return lengths_; }
    void Reset() { count_ = 0; }

    // A code point above U+FFFF becomes a surrogate pair whose second unit
    // carries the byte length.
    void AppendCodePoint(int32 code, int32 byteLength)
    {
        if (capacity_ - count_ < 2)
            Grow(kInitialRoom);
        if (code >= 0x10000) {
            code -= 0x10000;
            units_[count_] = static_cast<wchar_t>(0xD800 + (code >> 10));
            lengths_[count_++] = 0;
            code = 0xDC00 + (code & 0x3FF);
        }
        units_[count_] = static_cast<wchar_t>(code);
        lengths_[count_++] = static_cast<u8>(byteLength);
    }

    // Whether one more unit fits without growing.
    bool HasRoomForUnit() const { return capacity_ - count_ >= 2; }
    // A unit below U+D800 that fits (HasRoomForUnit), standing for
    // byteLength bytes.
    void PutUnit(u32 unit, u32 byteLength)
    {
        units_[count_] = static_cast<wchar_t>(unit);
        lengths_[count_++] = static_cast<u8>(byteLength);
    }

    // ASCII characters of one byte each, growing as one AppendCodePoint
    // after the other would.
    void AppendAscii(const u8* bytes, int32 n)
    {
        while (n > 0) {
            if (capacity_ - count_ < 2)
                Grow(kInitialRoom);
            int32 k = capacity_ - count_ - 1;
            if (k > n)
                k = n;
            for (int32 i = 0; i < k; i++) {
                units_[count_ + i] = static_cast<wchar_t>(bytes[i]);
                lengths_[count_ + i] = 1;
            }
            count_ += k;
            bytes += k;
            n -= k;
        }
    }

    // The same where readable bytes from bytes on may be read: while the
    // room allows, sixteen at a time, whatever n is, so a short word costs
    // no loop of unpredictable length.
    void AppendAscii(const u8* bytes, int32 n, int64 readable)
    {
        int32 whole = (n + 15) & ~15;
        if (whole > readable || capacity_ - count_ <= whole) {
            AppendAscii(bytes, n);
            return;
        }
        const __m128i zero = _mm_setzero_si128();
        const __m128i ones = _mm_set1_epi8(1);
        wchar_t* units = units_ + count_;
        u8* lengths = lengths_ + count_;
        for (int32 i = 0; i < n; i += 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(units + i), _mm_unpacklo_epi8(x, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(units + i + 8), _mm_unpackhi_epi8(x, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lengths + i), ones);
        }
        count_ += n;
    }

    // The first n (below 16) of the ASCII bytes x, where more than 16 units
    // fit: one store of each kind, whatever n is.
    void AppendAsciiOf16(__m128i x, int32 n)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units_ + count_), _mm_unpacklo_epi8(x, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units_ + count_ + 8), _mm_unpackhi_epi8(x, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lengths_ + count_), _mm_set1_epi8(1));
        count_ += n;
    }

    // Units that stand for no bytes of the text.
    void AppendUnits(const wchar_t* units, int32 n);

private:
    void Grow(int32 more);

    wchar_t* units_;
    u8* lengths_;
    int32 count_;
    int32 capacity_;
};
