#include "base/CharStream.h"

#include "base/Array.h"
#include "base/CharUtils.h"
#include "base/Error.h"

namespace {

constexpr int32 kCR = 13;
constexpr int32 kLF = 10;
constexpr int32 kReplacement = 0xFFFD;

void AppendCodePoint(PodArray<wchar_t>& units, int32 codePoint)
{
    wchar_t u[2];
    int n = CodePointToUtf16(codePoint > 0x10FFFF ? kReplacement : codePoint, u);
    units.InsertCopies(units.Count(), u, n);
}

}  // namespace

int32 CharStream::ReadChar()
{
    u8 b[2];
    switch (encoding) {
    case kStreamUtf8: {
        if (file.Read(b, 1) != 1)
            return -1;
        if (b[0] < 0x80)
            return b[0];
        int more;
        int32 value;
        if ((b[0] & 0xE0) == 0xC0) {
            more = 1;
            value = b[0] & 0x1F;
        } else if ((b[0] & 0xF0) == 0xE0) {
            more = 2;
            value = b[0] & 0x0F;
        } else if ((b[0] & 0xF8) == 0xF0) {
            more = 3;
            value = b[0] & 0x07;
        } else {
            return 0;
        }
        for (int k = 0; k < more; k++) {
            if (file.Read(b, 1) != 1)
                return -1;
            if ((b[0] & 0xC0) != 0x80) {
                file.PushBack(b, 1);
                return value;
            }
            value = (value << 6) | (b[0] & 0x3F);
        }
        return value;
    }
    case kStreamUtf16Le:
    case kStreamUtf16Be: {
        const bool le = encoding == kStreamUtf16Le;
        auto unitOf = [le](const u8* p) { return static_cast<wchar_t>(le ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]); };
        if (file.Read(b, 2) != 2)
            return -1;
        wchar_t high = unitOf(b);
        if (!IsHighSurrogate(high))
            return high;
        int64 got = file.Read(b, 2);
        if (got == 2 && IsLowSurrogate(unitOf(b)))
            return JoinPair(high, unitOf(b));
        file.PushBack(b, got);
        return high;
    }
    case kStreamSingleByte:
        if (file.Read(b, 1) != 1)
            return -1;
        return b[0];
    default:
        return -1;
    }
}

String CharStream::ReadLine()
{
    PodArray<wchar_t> units;
    for (;;) {
        int32 c;
        if (pending != -1) {
            c = pending;
            pending = -1;
        } else {
            c = ReadChar();
        }
        lineEnd = c;
        if (c == kCR) {
            // The look-ahead applies to a CR taken from pending too, so that
            // CR CR LF keeps its first CR and ends the line at the CR LF.
            int32 next = ReadChar();
            if (crlf) {
                if (next == kLF) {
                    lineEnd = kLF;
                    break;
                }
                pending = next;
                AppendCodePoint(units, kCR);
                continue;
            }
            if (next != kLF)
                pending = next;
            break;
        }
        if (c == -1 || c == kLF)
            break;
        AppendCodePoint(units, c);
    }
    return String(units.Data(), units.Count());
}

bool CharStream::AtEnd()
{
    return pending == -1 && file.PeekByte() == -1;
}

void CharStream::WriteChar(int32 codePoint)
{
    file.CheckUsable();
    u8 out[8];
    int n = 0;
    const bool lineFeed = crlf && codePoint == kLF;
    // Values no UTF can carry (never produced by WriteText) become U+FFFD.
    const bool unicode = encoding == kStreamUtf8 || encoding == kStreamUtf16Le || encoding == kStreamUtf16Be;
    if (unicode && (codePoint < 0 || codePoint > 0x10FFFF))
        codePoint = kReplacement;
    switch (encoding) {
    case kStreamUtf8:
        if (lineFeed) {
            out[n++] = 0x0D;
            out[n++] = 0x0A;
        } else {
            n = EncodeUtf8CodePoint(out, codePoint);
        }
        break;
    case kStreamUtf16Le:
    case kStreamUtf16Be: {
        wchar_t units[2] = {kCR, kLF};
        int count = lineFeed ? 2 : CodePointToUtf16(codePoint, units);
        for (int k = 0; k < count; k++) {
            u8 lo = static_cast<u8>(units[k] & 0xFF);
            u8 hi = static_cast<u8>(units[k] >> 8);
            out[n++] = encoding == kStreamUtf16Le ? lo : hi;
            out[n++] = encoding == kStreamUtf16Le ? hi : lo;
        }
        break;
    }
    case kStreamSingleByte:
        if (lineFeed)
            out[n++] = 0x0D;
        out[n++] = static_cast<u8>(lineFeed ? 0x0A : codePoint & 0xFF);
        break;
    default:
        throw InternalError();
    }
    file.Write(out, n);
}

void CharStream::WriteText(const wchar_t* text, int64 length)
{
    for (int64 i = 0; i < length;)
        WriteChar(NextCodePoint(text, length, i));
}
