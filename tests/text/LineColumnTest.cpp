#include "text/TextBuff.h"

#include <doctest.h>

#include <random>
#include <string>

// Columns far into long lines are counted on from marks that earlier counts
// left; edits in and around the line drop the marks they could move. Every
// answer must be the plain count from the line start.

namespace {

// The characters from the start of offset's line up to offset, one by one.
int64 PlainColumn(TextBuff& text, int64 offset)
{
    int64 start = text.LineStart(text.LineOfOffset(offset));
    int64 column = 0;
    for (int64 p = start; p < offset; column++)
        p = text.NextChar(p);
    return column;
}

// A piece of a long line in the buffer's encoding: mostly ASCII, with tabs,
// control characters, wide and undecodable characters, surrogates, and now
// and then a line end.
std::string Piece(std::mt19937& rng, EncodingId encoding)
{
    static const std::string utf8[] = {"abc ", "\t", "\x07", "\xC5\xBC", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                       "\x80", "\xE2\x82", "\xC0\x8A", "x\r", "\r\n", "\n", std::string(1, '\0'),
                                       "\xED\xA0\x80", "0123456789"};
    // UTF-16LE units: ASCII, tab, BEL, a wide letter, a pair, a lone low
    // and a lone high surrogate; then the line ends CR, CR LF, LF.
    static const std::string units[] = {std::string("a\0", 2),         std::string("\t\0", 2),
                                        std::string("\x07\0", 2),      std::string("\x7C\x01", 2),
                                        std::string("\x3D\xD8\x00\xDE", 4), std::string("\x00\xDC", 2),
                                        std::string("\x3D\xD8", 2),    std::string("\r\0", 2),
                                        std::string("\r\0\n\0", 4),   std::string("\n\0", 2)};
    std::string s;
    bool breaks = rng() % 3000 == 0;
    if (encoding == EncodingUtf16LE) {
        s = units[breaks ? 7 + rng() % 3 : rng() % 7];
        if (s[0] == 'a')
            for (int i = static_cast<int>(rng() % 40); i > 0; i--)
                s += units[0];
        return s;
    }
    if (breaks)
        return utf8[9 + rng() % 4];
    int k = static_cast<int>(rng() % 11);
    if (k >= 9)
        k += 4;  // skip the line ends
    s = utf8[k];
    // Runs of ASCII, of digits and of two-byte letters.
    if (k == 0 || k == 3 || k == 14)
        for (int i = static_cast<int>(rng() % 40); i > 0; i--)
            s += utf8[k];
    return s;
}

}  // namespace

TEST_CASE("columns deep in long lines equal the plain count, across edits in and around the line")
{
    const EncodingId encodings[] = {EncodingUtf8, EncodingWindows1250, EncodingUtf16LE};
    for (unsigned seed = 1; seed <= 9; seed++) {
        EncodingId encoding = encodings[seed % 3];
        CAPTURE(seed);
        std::mt19937 rng(seed);
        TextBuff text;
        text.SetEncoding(encoding);
        std::string bytes;
        while (bytes.size() < 150000)
            bytes += Piece(rng, encoding);
        if (encoding == EncodingUtf16LE && bytes.size() % 2)
            bytes += 'a';
        text.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
        for (int step = 0; step < 300; step++) {
            int64 size = text.Size();
            unsigned what = rng() % 10;
            if (what < 7) {
                // Mostly far into a line, near where marks were left.
                int64 at = static_cast<int64>(rng() % static_cast<u64>(size + 1));
                if (what < 3)
                    at = size - static_cast<int64>(rng() % 5000);
                if (at < 0)
                    at = 0;
                LineColumn lc = text.LineColumnOfOffset(at);
                CAPTURE(at);
                CHECK(lc.line == text.LineOfOffset(at));
                CHECK(lc.column == PlainColumn(text, at));
            } else {
                // An edit anywhere, of a few bytes (even in UTF-16 but now
                // and then, which moves every unit after it).
                int64 at = static_cast<int64>(rng() % static_cast<u64>(size + 1));
                int64 to = at + static_cast<int64>(rng() % 6);
                if (to > size)
                    to = size;
                std::string piece = Piece(rng, encoding);
                if (encoding == EncodingUtf16LE && rng() % 4 != 0) {
                    at -= at % 2;
                    to -= to % 2;
                }
                text.Replace(at, to, reinterpret_cast<const u8*>(piece.data()), static_cast<int64>(piece.size()));
            }
        }
    }
}
