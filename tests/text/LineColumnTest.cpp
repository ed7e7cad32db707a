#include "text/TextBuff.h"

#include <doctest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

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

TEST_CASE("columns over any mix of bytes equal the plain count, with sequences cut at every place")
{
    // UTF-8: ASCII, Polish, CJK, four-byte and out-of-range leads, overlong
    // forms, surrogates, lone and surplus continuations, cut sequences and
    // bytes that lead nothing; now and then a line end.
    static const char* const utf8[] = {
        "plain words ", "\t", "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ", "\xE4\xB8\xAD\xE6\x96\x87",
        "\xF0\x9F\x98\x80", "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80",
        "\xED\xA0\x80", "\x80", "\xBF", "\xF8", "\xFF\x80", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC3\xA9\xA9",
        "\xF5\x80\x80", "\xF8\x80\x80\x80", "\xFC\x80\x80\x80\x80", "\r", "\r\n", "\n"};
    // UTF-16 units as code values: ASCII, Polish, CJK, a pair, lone halves,
    // a pair's halves the wrong way round; then line ends.
    static const std::vector<int> units[] = {{'a', 'b', ' '}, {9},      {0x17C, 0xF3}, {0x4E2D},
                                             {0xD83D, 0xDE00}, {0xDC00}, {0xD800},     {0xDE00, 0xD83D},
                                             {13},             {13, 10}, {10}};
    const EncodingId encodings[] = {EncodingUtf8, EncodingUtf16BE, EncodingUtf16LE};
    for (unsigned seed = 1; seed <= 12; seed++) {
        EncodingId encoding = encodings[seed % 3];
        bool utf16 = encoding != EncodingUtf8;
        CAPTURE(seed);
        std::mt19937 rng(seed);
        std::string bytes;
        int kinds = utf16 ? 11 : 25;
        // Mostly one kind at a time, so that long stretches are all ASCII,
        // all Polish or all wide as well as mixed.
        int run = 0;
        while (bytes.size() < 40000) {
            if (rng() % 50 == 0)
                run = static_cast<int>(rng() % 5);
            int k = rng() % 4 != 0 ? run : static_cast<int>(rng() % static_cast<unsigned>(kinds - 3));
            if (rng() % 2000 == 0)
                k = kinds - 1 - static_cast<int>(rng() % 3);
            if (!utf16) {
                bytes += utf8[k];
                continue;
            }
            for (int u : units[k]) {
                char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
                bytes += encoding == EncodingUtf16BE ? high : low;
                bytes += encoding == EncodingUtf16BE ? low : high;
            }
        }
        // Put in by pieces of any length, so that blocks end anywhere.
        TextBuff text;
        text.SetEncoding(encoding);
        for (size_t at = 0; at < bytes.size();) {
            size_t n = std::min(bytes.size() - at, static_cast<size_t>(1 + rng() % 3000));
            if (utf16)
                n += n % 2;
            text.Replace(text.Size(), text.Size(), reinterpret_cast<const u8*>(bytes.data() + at),
                         static_cast<int64>(n));
            at += n;
        }
        for (int i = 0; i < 60; i++) {
            int64 at = static_cast<int64>(rng() % static_cast<u64>(text.Size() + 1));
            CAPTURE(at);
            CHECK(text.LineColumnOfOffset(at).column == PlainColumn(text, at));
        }
    }
}

TEST_CASE("columns past edits deep in a long line equal the plain count, one edit or several between counts")
{
    const EncodingId encodings[] = {EncodingUtf8, EncodingWindows1250, EncodingUtf16LE};
    for (unsigned seed = 1; seed <= 9; seed++) {
        EncodingId encoding = encodings[seed % 3];
        bool utf16 = encoding == EncodingUtf16LE;
        CAPTURE(seed);
        std::mt19937 rng(seed);
        TextBuff text;
        text.SetEncoding(encoding);
        std::string bytes;
        while (bytes.size() < 120000)
            bytes += Piece(rng, encoding);
        if (utf16 && bytes.size() % 2)
            bytes += 'a';
        text.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
        for (int step = 0; step < 200; step++) {
            // A count near the end of the last line leaves marks along it.
            int64 size = text.Size();
            int64 at = size - static_cast<int64>(rng() % 3000);
            at = at < 0 ? 0 : at;
            CAPTURE(step);
            CAPTURE(at);
            CHECK(text.LineColumnOfOffset(at).column == PlainColumn(text, at));
            // Edits inside that line, before the marks: mostly one, of a
            // character or two, some of them line ends or removals.
            int64 lineStart = text.LineStart(text.LineBreakCount());
            for (int edits = rng() % 4 == 0 ? 3 : 1; edits > 0; edits--) {
                size = text.Size();
                int64 from = lineStart + static_cast<int64>(rng() % static_cast<u64>(size - lineStart + 1));
                int64 to = from + (rng() % 3 == 0 ? static_cast<int64>(rng() % 9) : 0);
                to = to > size ? size : to;
                std::string piece = rng() % 4 == 0 ? std::string() : Piece(rng, encoding);
                if (rng() % 40 == 0)
                    piece = utf16 ? std::string("\n\0", 2) : std::string("\n");
                if (utf16 && rng() % 8 != 0) {
                    from -= from % 2;
                    to -= to % 2;
                }
                text.Replace(from, to, reinterpret_cast<const u8*>(piece.data()), static_cast<int64>(piece.size()));
            }
            size = text.Size();
            at = size - static_cast<int64>(rng() % 3000);
            at = at < 0 ? 0 : at;
            CAPTURE(at);
            CHECK(text.LineColumnOfOffset(at).column == PlainColumn(text, at));
        }
    }
}

TEST_CASE("an edit in the first bytes of a long line leaves the column at its end counted on from the marks")
{
    const EncodingId encodings[] = {EncodingUtf8, EncodingWindows1250, EncodingUtf16LE};
    for (unsigned seed = 1; seed <= 6; seed++) {
        EncodingId encoding = encodings[seed % 3];
        bool utf16 = encoding == EncodingUtf16LE;
        CAPTURE(seed);
        std::mt19937 rng(seed + 50);
        TextBuff text;
        text.SetEncoding(encoding);
        std::string bytes = utf16 ? std::string("\n\0", 2) : "\n";
        while (bytes.size() < 200000) {
            std::string piece = Piece(rng, encoding);
            if (piece.find('\n') == std::string::npos && piece.find('\r') == std::string::npos)
                bytes += piece;
        }
        if (utf16 && bytes.size() % 2)
            bytes += 'a';
        text.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
        int64 lineStart = text.LineStart(text.LineBreakCount());
        for (int step = 0; step < 20; step++) {
            CAPTURE(step);
            text.LineColumnOfOffset(text.Size());
            // A character typed or taken out at one of the line's first
            // bytes (units).
            int64 at = lineStart + static_cast<int64>(rng() % 7);
            at -= utf16 ? at % 2 : 0;
            std::string piece = rng() % 3 == 0 ? std::string() : utf16 ? std::string("x\0", 2) : std::string("x");
            int64 to = piece.empty() ? at + (utf16 ? 2 : 1) : at;
            text.Replace(at, to, reinterpret_cast<const u8*>(piece.data()), static_cast<int64>(piece.size()));
            int64 before = text.ColumnBytesCounted();
            int64 column = text.LineColumnOfOffset(text.Size()).column;
            CHECK(column == PlainColumn(text, text.Size()));
            // Up to the first mark past the edit and from the last one on.
            CHECK(text.ColumnBytesCounted() - before < 4 * TextBuff::kColumnStep);
        }
    }
}
