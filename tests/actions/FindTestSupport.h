#pragma once

// Texts in every encoding for the find and replace tests, and a brute-force
// model of their matches: every match of a phrase or expression is listed,
// and the searches are picked from that list by their rules.

#include "EditTestSupport.h"
#include "actions/FindActions.h"
#include "base/CharUtils.h"
#include "text/CharClass.h"
#include "text/Encoding.h"
#include "text/regex/RegexOracle.h"
#include "text/regex/RegexTestSupport.h"

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace findtest {

constexpr EncodingId kEncodings[] = {EncodingUtf8,        EncodingUtf16LE,    EncodingUtf16BE,  EncodingWindows1252,
                                     EncodingWindows1250, EncodingIso8859_1, EncodingIso8859_2};

inline const char* EncodingLabel(EncodingId e)
{
    static const char* const names[] = {"?", "UTF-8", "UTF-16LE", "UTF-16BE", "1252", "1250", "8859-1", "8859-2"};
    return e >= 1 && e <= 7 ? names[e] : "?";
}

inline UINT CodePageOf(EncodingId e)
{
    switch (e) {
    case EncodingWindows1252: return 1252;
    case EncodingWindows1250: return 1250;
    case EncodingIso8859_1: return 28591;
    default: return 28592;
    }
}

// One piece of a random text: a code point, or (negative) a byte or unit
// that does not decode.
using Piece = int32;
constexpr Piece kBad = -1;
constexpr Piece kCrLf = -2;

inline void PutUnit(std::string& out, u32 unit, bool bigEndian)
{
    char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

// The bytes of the pieces; a code point the encoding cannot hold is left out.
inline std::string Encode(const std::vector<Piece>& pieces, EncodingId e)
{
    std::string out;
    for (size_t i = 0; i < pieces.size(); i++) {
        Piece p = pieces[i];
        if (p == kCrLf) {
            if (IsUtf16Encoding(e)) {
                PutUnit(out, 13, e == EncodingUtf16BE);
                PutUnit(out, 10, e == EncodingUtf16BE);
            } else {
                out += "\r\n";
            }
        } else if (p == kBad) {
            if (IsUtf16Encoding(e))
                PutUnit(out, 0xDC00 + static_cast<u32>(i % 7), e == EncodingUtf16BE);
            else if (e == EncodingUtf8)
                out += i % 2 ? '\x80' : '\xFF';
            else
                out += '\x81';
        } else if (IsUtf16Encoding(e)) {
            wchar_t units[2];
            int n = CodePointToUtf16(p, units);
            for (int k = 0; k < n; k++)
                PutUnit(out, static_cast<u16>(units[k]), e == EncodingUtf16BE);
        } else if (e == EncodingUtf8) {
            wchar_t units[2];
            int n = CodePointToUtf16(p, units);
            char buf[8];
            int got = WideCharToMultiByte(CP_UTF8, 0, units, n, buf, sizeof(buf), nullptr, nullptr);
            out.append(buf, static_cast<size_t>(got));
        } else {
            if (p > 0xFFFF)
                continue;
            wchar_t unit = static_cast<wchar_t>(p);
            char byte;
            BOOL usedDefault = FALSE;
            int got = WideCharToMultiByte(CodePageOf(e), WC_NO_BEST_FIT_CHARS, &unit, 1, &byte, 1, nullptr,
                                          &usedDefault);
            if (got == 1 && !usedDefault)
                out += byte;
        }
    }
    return out;
}

// Random text: letters with and without Polish marks in both cases, line
// ends of every kind, an astral letter with case, an emoji and bad bytes.
inline std::vector<Piece> RandomPieces(std::mt19937& rng, size_t count)
{
    static const Piece alphabet[] = {'a', 'b', 'a', 'b', 'A', 'B', ' ', ' ', 'x', '_', '1', '.', 0x105, 0x104,
                                     0x142, 0x141, 0x17C, 0xE9, 0xC9, 0x1F600, 0x10428, 0x10400, 10, 13, kCrLf,
                                     kBad, '\t'};
    std::vector<Piece> out;
    for (size_t i = 0; i < count; i++)
        out.push_back(alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]))]);
    return out;
}

inline void Fill(TextDocument& document, EncodingId encoding, const std::string& bytes)
{
    TextBuff& buff = document.text;
    buff.Replace(0, buff.Size(), nullptr, 0);
    buff.SetEncoding(encoding);
    if (!bytes.empty())
        buff.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
}

// A new text in view 0 holding the bytes.
inline TextDocument* NewTextWith(BrokerBench& bench, EncodingId encoding, const std::string& bytes)
{
    TextDocument* document = bench.NewText();
    Fill(*document, encoding, bytes);
    bench.broker->Broadcast(BroadcastContentReplaced, document, bench.views[0]);
    return document;
}

// The characters of the text as the search reads them from its start.
struct Chars {
    std::vector<int64> offsets;  // one more than characters: the size last
    std::vector<int32> codes;  // as decoded (CR LF -2, bad bytes negative)

    size_t Count() const { return codes.size(); }
    size_t IndexAtOrAfter(int64 offset) const
    {
        return static_cast<size_t>(std::lower_bound(offsets.begin(), offsets.end(), offset) - offsets.begin());
    }
    int64 Next(int64 offset) const
    {
        size_t i = IndexAtOrAfter(offset);
        if (i < Count() && offsets[i] == offset)
            return offsets[i + 1];
        return offsets[std::min(i, Count())];
    }
};

inline Chars ReadChars(TextBuff& text)
{
    Chars c;
    int64 pos = 0;
    while (pos < text.Size()) {
        c.offsets.push_back(pos);
        c.codes.push_back(text.DecodeChar(pos));
        int32 n = text.CharLength();
        pos += n > 0 ? n : 1;
    }
    c.offsets.push_back(text.Size());
    return c;
}

// Every match: for each start index, the sorted end indexes.
using MatchList = std::vector<std::vector<size_t>>;

inline MatchList PlainMatches(const Chars& chars, const std::wstring& phrase, bool fold)
{
    std::vector<u32> p = CodePoints(phrase);
    for (u32& c : p)
        c = static_cast<u32>(fold ? FoldSearchCode(static_cast<int32>(c)) : static_cast<int32>(c));
    MatchList all(chars.Count() + 1);
    size_t m = p.size();
    for (size_t s = 0; m > 0 && s + m <= chars.Count(); s++) {
        size_t j = 0;
        while (j < m) {
            int32 code = chars.codes[s + j];
            if (static_cast<u32>(fold ? FoldSearchCode(code) : code) != p[j])
                break;
            j++;
        }
        if (j == m)
            all[s].push_back(s + m);
    }
    return all;
}

// The code the expression reads: every line break 10, bad bytes negative.
inline int32 RegexCode(int32 code)
{
    if (code == -2 || code == 10 || code == 13)
        return 10;
    return code < 0 ? -30 : code;
}

// Matches of an expression that never reaches past width characters, found
// by the oracle on a slice of the text around each start.
inline MatchList RegexMatches(const Chars& chars, const oracle::Node& root, bool ignoreCase, size_t width)
{
    size_t n = chars.Count();
    MatchList all(n + 1);
    for (size_t s = 0; s <= n; s++) {
        size_t from = s > 0 ? s - 1 : 0;
        size_t to = std::min(n, s + width);
        oracle::Text slice;
        for (size_t i = from; i < to; i++)
            slice.chars.push_back({chars.offsets[i], RegexCode(chars.codes[i])});
        slice.size = chars.offsets[to];
        oracle::Matcher matcher(slice, ignoreCase);
        oracle::Ends ends = matcher.From(root, s - from);
        // A slice that ends inside the text says nothing of its own end.
        for (size_t e = s - from; e < ends.size(); e++)
            if (ends[e] && (from + e < to || to == n))
                all[s].push_back(from + e);
    }
    return all;
}

// The model of the searches over the full list, without windows.
struct Model {
    const Chars& chars;
    const MatchList& all;
    TextView* view;
    bool wholeWords;

    int64 Off(size_t i) const { return chars.offsets[i]; }

    // Among matches starting at or after pos: the one that ends first, from
    // its earliest start, at its longest.
    FoundRange ForwardOnce(int64 pos) const
    {
        size_t first = chars.IndexAtOrAfter(pos);
        size_t bestEnd = SIZE_MAX, bestStart = 0;
        for (size_t s = first; s < all.size(); s++) {
            if (all[s].empty() || all[s].front() >= bestEnd)
                continue;
            bestEnd = all[s].front();
            bestStart = s;
            if (bestEnd == s)
                break;
        }
        FoundRange r;
        if (bestEnd != SIZE_MAX) {
            r.start = Off(bestStart);
            r.end = Off(all[bestStart].back());
        }
        return r;
    }
    // before: the match with the largest start among those ending at or
    // before pos, at its longest such end; else the largest start below pos.
    FoundRange BackwardOnce(int64 pos, bool before) const
    {
        FoundRange r;
        for (size_t s = all.size(); s-- > 0;) {
            for (size_t k = all[s].size(); k-- > 0;) {
                size_t e = all[s][k];
                if (before ? Off(e) <= pos : Off(s) < pos) {
                    r.start = Off(s);
                    r.end = Off(e);
                    return r;
                }
            }
        }
        return r;
    }
    bool Whole(const FoundRange& r) const { return !wholeWords || IsWholeWord(view, r.start, r.end); }

    FoundRange Forward(int64 lower, int64 upper) const
    {
        FoundRange none;
        int64 size = chars.offsets.back();
        if (upper < lower)
            return none;
        upper = std::min(upper, size);
        for (int64 pos = lower;;) {
            FoundRange r = ForwardOnce(pos);
            if (!r.Found())
                return none;
            if (r.start <= upper && Whole(r))
                return r;
            if (r.end >= upper)
                return none;
            pos = r.end > pos ? r.end : chars.Next(pos);
        }
    }
    FoundRange Backward(int64 lower, int64 upper, bool before) const
    {
        FoundRange none;
        upper = std::min(upper, chars.offsets.back());
        if (upper < lower)
            return none;
        for (int64 pos = upper;;) {
            FoundRange r = BackwardOnce(pos, before);
            if (!r.Found())
                return none;
            int64 at = before ? r.end : r.start;
            if (at >= lower && at <= upper && Whole(r))
                return r;
            if (r.start <= lower)
                return none;
            pos = r.start < pos ? r.start : Off(chars.IndexAtOrAfter(pos) - 1);
        }
    }
};

}  // namespace findtest
