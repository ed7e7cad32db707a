#pragma once

#include "base/Error.h"
#include "base/Types.h"
#include "text/Encoding.h"
#include "text/RegExp.h"
#include "text/RegexDfa.h"

#include <string>
#include <vector>

// Code points of UTF-16 text: a surrogate pair is one code point.
inline std::vector<u32> CodePoints(const std::wstring& text)
{
    std::vector<u32> out;
    for (size_t i = 0; i < text.size(); i++) {
        u32 u = static_cast<u16>(text[i]);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((u - 0xD800) << 10) + (static_cast<u16>(text[i + 1]) - 0xDC00));
            i++;
        } else {
            out.push_back(u);
        }
    }
    return out;
}

// UTF-8 for doctest's messages.
inline std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t w : text) {
        u32 c = static_cast<u16>(w);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::string MessageOf(const Error& e)
{
    return e.message ? Narrow(e.message) : std::string();
}

struct RegexTestAccess {
    static u32& Generation(RegExp& re) { return re.generation_; }
    static u32& MarkPass(RegExp& re) { return re.markPass_; }
    // Every later search of this compiled expression runs on the lists
    // alone, as when its states do not fit in their cache.
    static void ListsOnly(RegExp& re)
    {
        re.Dfa().thrashed = true;
        re.Reversed().Dfa().thrashed = true;
    }
    // As ListsOnly, and the forward searches in a text of this encoding
    // step over every character instead of skipping to likely ones: the
    // plain automaton.
    static void PlainOnly(RegExp& re, EncodingId encoding)
    {
        ListsOnly(re);
        re.firstBytes_.encoding = encoding;
        re.firstBytes_.usable = false;
    }
};
