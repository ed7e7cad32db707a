#include "editor/TextConversions.h"

#include "base/CharUtils.h"

#include <doctest.h>

#include <random>
#include <string>

namespace {

std::wstring W(const String& s)
{
    return std::wstring(s.Data(), static_cast<size_t>(s.Length()));
}

String S(const std::wstring& s)
{
    return String(s.data(), static_cast<int64>(s.size()));
}

// Plain models: one line at a time, columns counted from the output.
std::wstring ModelExpand(const std::wstring& in, int step)
{
    std::wstring out;
    size_t lineStart = 0;
    for (wchar_t c : in) {
        if (c == L'\t') {
            out += L' ';
            while ((out.size() - lineStart) % static_cast<size_t>(step) != 0)
                out += L' ';
        } else {
            out += c;
            if (c == L'\r' || c == L'\n')
                lineStart = out.size();
        }
    }
    return out;
}

std::wstring ModelCompressLine(const std::wstring& line, int step)
{
    size_t lead = 0;
    while (lead < line.size() && (line[lead] == L' ' || line[lead] == L'\t'))
        lead++;
    std::wstring out;
    size_t column = 0;
    size_t i = 0;
    while (i < lead) {
        size_t stop = (column / step + 1) * step;
        if (line[i] == L'\t') {
            out += L'\t';
            column = stop;
            i++;
            continue;
        }
        size_t j = i;
        while (j < lead && line[j] == L' ' && column + (j - i) < stop)
            j++;
        if (column + (j - i) == stop) {
            out += L'\t';
            column = stop;
            i = j;
        } else {
            out += L' ';
            column++;
            i++;
        }
    }
    return out + line.substr(lead);
}

std::wstring ModelCompress(const std::wstring& in, int step)
{
    std::wstring out;
    size_t start = 0;
    for (size_t i = 0; i <= in.size(); i++) {
        bool end = i == in.size();
        if (!end && in[i] != L'\n' && in[i] != L'\r' && in[i] != 0)
            continue;
        size_t brk = i;
        if (!end && in[i] == L'\r' && i + 1 < in.size() && in[i + 1] == L'\n')
            i++;
        out += ModelCompressLine(in.substr(start, brk - start), step);
        if (!end)
            out += in.substr(brk, i + 1 - brk);
        start = i + 1;
    }
    return out;
}

std::wstring RandomText(std::mt19937& rng, bool withNul)
{
    static const wchar_t units[] = {L' ', L' ', L' ', L'\t', L'\t', L'\r', L'\n', L'a', L'B', L'z', 0x105, 0x0141};
    std::wstring s;
    int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; i++) {
        int pick = static_cast<int>(rng() % 15);
        if (pick < 12)
            s += units[pick];
        else if (pick == 12 && withNul)
            s += L'\0';
        else if (pick == 13) {
            s += static_cast<wchar_t>(0xD801);
            s += static_cast<wchar_t>(0xDC00 + rng() % 0x28);  // Deseret letters have cases
        } else
            s += static_cast<wchar_t>(0xD800 + rng() % 0x800);  // a lone surrogate unit
    }
    return s;
}

}  // namespace

TEST_CASE("tab conversions: the documented cases and a step outside 1..20")
{
    CHECK(W(ExpandTabs(S(L"a\tb"), 4)) == L"a   b");
    CHECK(W(CompressSpaces(S(L"        x  y"), 4)) == L"\t\tx  y");
    CHECK(W(CompressSpaces(S(L"   x"), 4)) == L"   x");
    CHECK(W(CompressSpaces(S(L"x    y"), 4)) == L"x    y");
    CHECK(W(ExpandTabs(S(L"\tx"), 0)) == L" x");
    CHECK(W(ExpandTabs(S(L"\tx"), -5)) == L" x");
    CHECK(W(ExpandTabs(S(L"\t"), 1000000000)) == std::wstring(20, L' '));
    CHECK(W(CompressSpaces(S(L"  x"), 0)) == L"\t\tx");
    CHECK(ClampTabStep(0) == 1);
    CHECK(ClampTabStep(21) == 20);
    CHECK(ClampTabStep(7) == 7);
    CHECK(ExpandTabs(String(), 4).IsEmpty());
}

TEST_CASE("tab conversions against plain models, steps 1-20")
{
    unsigned seed = 20261209;
    std::mt19937 rng(seed);
    for (int round = 0; round < 3000; round++) {
        int step = 1 + static_cast<int>(rng() % 20);
        std::wstring text = RandomText(rng, true);
        INFO("seed " << seed << " round " << round << " step " << step);
        std::wstring expanded = W(ExpandTabs(S(text), step));
        REQUIRE(expanded == ModelExpand(text, step));
        REQUIRE(W(CompressSpaces(S(text), step)) == ModelCompress(text, step));
        std::wstring plain = RandomText(rng, false);
        // Compressing never changes what the text looks like.
        REQUIRE(W(ExpandTabs(CompressSpaces(S(plain), step), step)) == ModelExpand(plain, step));
    }
}

TEST_CASE("case conversion by code point keeps the length and lone surrogates")
{
    String t = S(L"aB1");
    ConvertCaseText(CommandToggleCase, t);
    CHECK(W(t) == L"Ab1");
    String shared = S(L"abc");
    String copy = shared;
    ConvertCaseText(CommandUpperCase, copy);
    CHECK(W(copy) == L"ABC");
    CHECK(W(shared) == L"abc");
    String deseret = S(std::wstring{static_cast<wchar_t>(0xD801), static_cast<wchar_t>(0xDC00)});
    ConvertCaseText(CommandLowerCase, deseret);
    CHECK(W(deseret) == std::wstring{static_cast<wchar_t>(0xD801), static_cast<wchar_t>(0xDC28)});

    unsigned seed = 77;
    std::mt19937 rng(seed);
    const int32 commands[] = {CommandUpperCase, CommandLowerCase, CommandToggleCase};
    for (int round = 0; round < 2000; round++) {
        std::wstring text = RandomText(rng, true);
        int32 command = commands[rng() % 3];
        String s = S(text);
        ConvertCaseText(command, s);
        std::wstring out = W(s);
        INFO("seed " << seed << " round " << round);
        REQUIRE(out.size() == text.size());
        for (size_t i = 0; i < text.size(); i++) {
            wchar_t c = text[i];
            bool high = c >= 0xD800 && c < 0xDC00;
            bool low = c >= 0xDC00 && c < 0xE000;
            bool paired = (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ||
                          (low && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] < 0xDC00);
            if ((high || low) && !paired) {
                REQUIRE(out[i] == c);
            } else if (c < 128) {
                wchar_t expect = c;
                if (command == CommandUpperCase && c >= L'a' && c <= L'z')
                    expect = static_cast<wchar_t>(c - 32);
                if (command == CommandLowerCase && c >= L'A' && c <= L'Z')
                    expect = static_cast<wchar_t>(c + 32);
                if (command == CommandToggleCase && c >= L'a' && c <= L'z')
                    expect = static_cast<wchar_t>(c - 32);
                if (command == CommandToggleCase && c >= L'A' && c <= L'Z')
                    expect = static_cast<wchar_t>(c + 32);
                REQUIRE(out[i] == expect);
            } else if (!high && !low) {
                int32 up = ToUpperCodePoint(c), lo = ToLowerCodePoint(c);
                int32 expect = command == CommandUpperCase ? up : command == CommandLowerCase ? lo : (up != c ? up : lo);
                REQUIRE(out[i] == (expect < 0x10000 ? static_cast<wchar_t>(expect) : c));
            }
        }
    }
}
