#include "TextTestSupport.h"

#include "base/Error.h"
#include "text/TextBuff.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace texttest;

namespace {

struct Decoded {
    int32 code;
    int32 length;
    u32 display;
};

Decoded At(TextBuff& text, int64 offset)
{
    int32 code = text.DecodeChar(offset);
    CHECK(code == text.CharCode());
    return {code, text.CharLength(), text.DisplayCode()};
}

std::vector<int32> Codes(TextBuff& text)
{
    std::vector<int32> codes;
    for (int64 p = 0; p < text.Size(); p = text.NextChar(p))
        codes.push_back(text.DecodeChar(p));
    return codes;
}

}  // namespace

TEST_CASE("UTF-8 CR LF is one character and positions map around it")
{
    TextBuff text;
    LoadText(text, "a\r\nb");
    Decoded crlf = At(text, 1);
    CHECK(crlf.code == -2);
    CHECK(crlf.length == 2);
    CHECK(text.NextChar(0) == 1);
    CHECK(text.NextChar(1) == 3);
    CHECK(text.CharStart(2) == 1);
    CHECK(text.PreviousChar(3) == 1);
    CHECK(text.LineStart(1) == 3);
    CHECK(text.LineOfOffset(2) == 1);
    CHECK(text.LineOfOffset(1) == 0);
    CHECK(text.LineBreakCount() == 1);
}

TEST_CASE("UTF-8 sequences decode and bad ones give undecodable single bytes")
{
    TextBuff text;
    LoadText(text, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    CHECK(Codes(text) == std::vector<int32>{0xE9, 0x20AC, 0x1F600});
    CHECK(At(text, 5).length == 4);

    LoadText(text, "\x80");
    Decoded lone = At(text, 0);
    CHECK(lone.code == -30);
    CHECK(lone.length == 1);
    CHECK(lone.display == 0x80);

    LoadText(text, "x\xE2\x82");
    Decoded cut = At(text, 1);
    CHECK(cut.code == -30);
    CHECK(cut.length == 1);
    CHECK(cut.display == 0xE2);

    LoadText(text, "\xC3" "A\xFF");
    CHECK(Codes(text) == std::vector<int32>{-30, 'A', -30});
}

TEST_CASE("UTF-8 character starts are found from inside a sequence")
{
    TextBuff text;
    LoadText(text, "a\xE2\x82\xAC" "b\x80\x80");
    CHECK(text.CharStart(2) == 1);
    CHECK(text.CharStart(3) == 1);
    CHECK(text.CharStart(4) == 4);
    CHECK(text.CharStart(5) == 5);
    CHECK(text.CharStart(6) == 6);
    CHECK(text.CharStart(-3) == 0);
    CHECK(text.CharStart(100) == text.Size());
}

TEST_CASE("decoding at or past the end gives the end code")
{
    TextBuff text;
    LoadText(text, "ab");
    Decoded end = At(text, 2);
    CHECK(end.code == -1);
    CHECK(end.length == 0);
    CHECK(end.display == 0xFFFFFFFFu);
    CHECK(At(text, 50).code == -1);
    CHECK(At(text, -1).code == -1);
}

TEST_CASE("UTF-16 decoding in both byte orders")
{
    TextBuff text;
    std::wstring units = {L'a', 0xD83D, 0xDE00, 0xDE00, L'\r', L'\n', 0xD800, L'b'};
    for (EncodingId encoding : {EncodingUtf16LE, EncodingUtf16BE}) {
        CAPTURE(encoding);
        LoadText(text, encoding == EncodingUtf16LE ? Utf16LE(units) : Utf16BE(units), encoding);
        CHECK(Codes(text) == std::vector<int32>{'a', 0x1F600, -30, -2, -30, 'b'});
        CHECK(At(text, 2).length == 4);
        CHECK(At(text, 6).display == 0xDE00);
        CHECK(At(text, 8).length == 4);
        CHECK(At(text, 12).display == 0xD800);
        CHECK(text.CharStart(4) == 2);
        CHECK(text.CharStart(5) == 2);
        CHECK(text.CharStart(10) == 8);
        CHECK(text.LineStart(1) == 12);
        CHECK(text.LineBreakCount() == 1);
    }
}

TEST_CASE("an odd-sized UTF-16 text ends with one undecodable byte")
{
    TextBuff text;
    std::string bytes = Utf16LE(L"a\r") + std::string(1, '\x0A');
    // Loaded as it comes: the stray byte stays.
    text.SetEncoding(EncodingUtf16LE);
    PieceLoader loader(bytes, {});
    text.Load(loader);
    REQUIRE(text.Size() == 5);
    CHECK(Codes(text) == std::vector<int32>{'a', 13, -30});
    Decoded last = At(text, 4);
    CHECK(last.length == 1);
    CHECK(last.display == 0x0A);
    // The CR is not taken as the start of a CR LF pair with the half unit.
    CHECK(text.LineBreakCount() == 1);
    CHECK(text.LineStart(1) == 4);
    CHECK(text.CharStart(5) == 5);
    CHECK(text.CharStart(4) == 4);

    // A high surrogate before the stray byte stays undecodable.
    LoadText(text, std::string("\xD8\x3D\xDE"), EncodingUtf16BE);
    CHECK(Codes(text) == std::vector<int32>{-30, -30});
    CHECK(At(text, 0).length == 2);
}

TEST_CASE("8-bit encodings decode every byte through their table")
{
    TextBuff text;
    LoadText(text, "\x80\xB9\r\n\xE9", EncodingWindows1250);
    CHECK(Codes(text) == std::vector<int32>{0x20AC, 0x0105, -2, 0x00E9});
    LoadText(text, "\x80\xB1", EncodingIso8859_2);
    CHECK(Codes(text) == std::vector<int32>{0x80, 0x0105});
    LoadText(text, "\x81\x8D", EncodingWindows1252);
    // Undefined bytes read as their own values.
    CHECK(Codes(text) == std::vector<int32>{0x81, 0x8D});
    LoadText(text, "\xA4", EncodingIso8859_1);
    CHECK(Codes(text) == std::vector<int32>{0xA4});
}

TEST_CASE("NUL, LF, lone CR and CR LF all break lines")
{
    TextBuff text;
    LoadText(text, std::string("a\0b\nc\rd\r\ne", 10));
    CHECK(text.LineBreakCount() == 4);
    CHECK(text.LineStart(0) == 0);
    CHECK(text.LineStart(1) == 2);
    CHECK(text.LineStart(2) == 4);
    CHECK(text.LineStart(3) == 6);
    CHECK(text.LineStart(4) == 9);
    CHECK(text.LineStart(5) == 10);
    CHECK(text.LineStart(-1) == 0);
    CHECK(text.LineOfOffset(9) == 4);
    CHECK(text.LineOfOffset(8) == 4);
    CHECK(text.LineOfOffset(7) == 3);
    CHECK(text.LineOfOffset(100) == 4);
    LineColumn lc = text.LineColumnOfOffset(7);
    CHECK(lc.line == 3);
    CHECK(lc.column == 1);
    CHECK(text.LineColumnToOffset(3, 5) == 7);
    CHECK(text.LineColumnToOffset(4, 5) == 10);
    CHECK(text.LineColumnToOffset(2, 0) == 4);
}

TEST_CASE("a CR LF split across blocks counts once and maps to one line start")
{
    TextBuff text;
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
        CAPTURE(encoding);
        bool wide = encoding == EncodingUtf16LE;
        int64 unit = wide ? 2 : 1;
        std::wstring s = L"ab\r\ncd\r";
        std::string bytes = wide ? Utf16LE(s) : std::string(s.begin(), s.end());
        // The first block ends right after the CR.
        LoadText(text, bytes, encoding, {3 * unit});
        REQUIRE(text.BlockCount() == 2);
        CHECK(text.LineBreakCount() == 2);
        CHECK(text.LineStart(1) == 4 * unit);
        CHECK(text.LineStart(2) == 7 * unit);
        CHECK(text.LineOfOffset(3 * unit) == 1);
        CHECK(text.LineOfOffset(2 * unit) == 0);
        CHECK(text.LineOfOffset(4 * unit) == 1);
        CHECK(text.CharStart(3 * unit) == 2 * unit);
        CHECK(At(text, 2 * unit).code == -2);

        // Editing so that the pair breaks up and forms again.
        Put(text, 3 * unit, 3 * unit, wide ? Utf16LE(L"x") : "x");
        CHECK(text.LineBreakCount() == 3);
        Put(text, 3 * unit, 4 * unit, "");
        CHECK(text.LineBreakCount() == 2);
    }
}

TEST_CASE("UTF-16 counts units on even offsets even when blocks are odd")
{
    TextBuff text;
    std::string bytes = Utf16LE(L"a\nb\r\nc\n");
    LoadText(text, bytes, EncodingUtf16LE, {3, 5, 1, 2});
    CHECK(text.LineBreakCount() == 3);
    CHECK(text.LineStart(1) == 4);
    CHECK(text.LineStart(2) == 10);
    CHECK(text.LineStart(3) == 14);
    CHECK(text.LineOfOffset(5) == 1);
    CHECK(text.LineOfOffset(7) == 2);
}

TEST_CASE("line-end conversion changes how line ends read")
{
    TextBuff text;
    LoadText(text, "a\r\nb\nc\rd");
    text.SetLineEndConversion(10);
    Decoded crlf = At(text, 1);
    CHECK(crlf.code == 10);
    CHECK(crlf.length == 2);
    CHECK(crlf.display == 10);
    wchar_t out[16];
    int64 n = text.ReadUtf16(0, out, 16);
    CHECK(std::wstring(out, static_cast<size_t>(n)) == L"a\nb\nc\nd");

    text.SetLineEndConversion(-2);
    n = text.ReadUtf16(0, out, 16);
    CHECK(std::wstring(out, static_cast<size_t>(n)) == L"a\r\nb\r\nc\r\nd");
    CHECK(text.LineBreakCount() == 3);
}

TEST_CASE("ReadUtf16 copies whole characters only")
{
    TextBuff text;
    LoadText(text, "\xF0\x9F\x98\x80x\r\n\x80");
    wchar_t out[8];
    CHECK(text.ReadUtf16(0, out, 1) == 0);
    CHECK(text.ReadUtf16(0, out, 3) == 3);
    CHECK(out[0] == 0xD83D);
    CHECK(out[1] == 0xDE00);
    CHECK(out[2] == L'x');
    CHECK(text.ReadUtf16(5, out, 1) == 0);
    CHECK(text.ReadUtf16(5, out, 8) == 3);
    CHECK(out[2] == 0xFFFD);
}

TEST_CASE("EncodedLength counts line ends in the new-line kind")
{
    TextBuff text;
    CHECK(text.EncodedLength(L"a\r\nb\nc\r", 7) == 3 + 3 * 2);
    text.SetNewLineKind(10);
    CHECK(text.EncodedLength(L"a\r\nb\nc\r", 7) == 3 + 3);
    text.SetEncoding(EncodingUtf16LE);
    CHECK(text.EncodedLength(L"\xD83D\xDE00\n", 3) == 4 + 2);
    text.SetEncoding(EncodingIso8859_1);
    // The euro sign becomes its "U+20ac " text.
    CHECK(text.EncodedLength(L"\x20AC", 1) == 7);
}

TEST_CASE("SetEncoding to UTF-16 refuses an odd size and keeps the encoding")
{
    TextBuff text;
    LoadText(text, "abc");
    CHECK_THROWS_AS(text.SetEncoding(EncodingUtf16LE), InvalidTextFormatError);
    CHECK(text.Encoding() == EncodingUtf8);
    CHECK(Contents(text) == "abc");
}

TEST_CASE("SetEncoding evens blocks that are shared or full")
{
    TextBuff text;
    std::string bytes = Utf16LE(L"ab\ncd\nef");
    // Odd blocks: 3, 7 and 6 bytes.
    LoadText(text, bytes, EncodingUtf8, {3, 7});
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 5);
    TextBuff snapshot;
    snapshot.ShareFrom(text);
    text.SetEncoding(EncodingUtf16LE);
    CHECK(text.Encoding() == EncodingUtf16LE);
    CHECK(Contents(text) == bytes);
    CHECK(Contents(snapshot) == bytes);
    for (int64 i = 0; i < text.BlockCount(); i++)
        CHECK(text.EntryAt(i).bytes % 2 == 0);
    CHECK(text.LineBreakCount() == 2);
    CHECK(text.LineStart(2) == 12);
    CHECK(text.MarkerPosition(m) == 0);
    CHECK(text.GetMarker(m).collapsed == 1);
    CHECK(text.LastChange().inserted == text.Size());

    // An odd block filled to its capacity gets a bigger one.
    TextBuff full;
    Put(full, 0, 0, "x");
    Put(full, 0, 0, std::string(768, 'y'));
    REQUIRE(full.EntryAt(0).bytes == static_cast<int32>(full.EntryAt(0).block->capacity));
    Put(full, full.Size(), full.Size(), "z");
    REQUIRE(full.BlockCount() == 2);
    TextBuff shared;
    shared.ShareFrom(full);
    std::string before = Contents(full);
    full.SetEncoding(EncodingUtf16BE);
    CHECK(full.Encoding() == EncodingUtf16BE);
    CHECK(Contents(full) == before);
    CHECK(Contents(shared) == before);
    CHECK(full.BlockCount() == 1);
}

TEST_CASE("the new-line kind is guessed from the first line ends")
{
    TextBuff text;
    LoadText(text, "a\nb\nc\r\nd");
    CHECK(text.NewLineKind() == 10);
    LoadText(text, "abc");
    CHECK(text.NewLineKind() == -2);
    LoadText(text, "a\r\nb\nc\r\n\r\r\r");
    CHECK(text.NewLineKind() == -2);
    LoadText(text, Utf16LE(L"a\nb\n\r\n"), EncodingUtf16LE);
    CHECK(text.NewLineKind() == 10);
    // An LF that starts a block pairs with the CR ending the one before.
    LoadText(text, "a\r\nb\r\nc\n", EncodingUtf8, {2});
    CHECK(text.NewLineKind() == -2);
}

TEST_CASE("saving writes the range with or without line-end conversion")
{
    TextBuff text;
    std::string bytes = std::string(7000, 'a') + "\r\n" + std::string(300, 'b') + "\rc\nd";
    LoadText(text, bytes);
    StringSaver plain;
    text.Save(plain, 0, text.Size());
    CHECK(plain.data == bytes);
    CHECK(plain.writes == 2);

    StringSaver part;
    text.Save(part, 6999, 7003);
    CHECK(part.data == "a\r\nb");

    text.SetLineEndConversion(10);
    StringSaver lf;
    text.Save(lf, 0, text.Size());
    CHECK(lf.data == std::string(7000, 'a') + "\n" + std::string(300, 'b') + "\nc\nd");

    // A CR at a block end whose LF starts the next block.
    LoadText(text, "x\r\ny", EncodingUtf8, {2});
    text.SetLineEndConversion(-2);
    StringSaver crlf;
    text.Save(crlf, 0, text.Size());
    CHECK(crlf.data == "x\r\ny");

    LoadText(text, Utf16BE(L"a\rb\r\nc\n"), EncodingUtf16BE);
    text.SetLineEndConversion(10);
    StringSaver wide;
    text.Save(wide, 0, text.Size());
    CHECK(wide.data == Utf16BE(L"a\nb\nc\n"));
}

TEST_CASE("overlong UTF-8 forms and encoded surrogates are undecodable units of their own length")
{
    TextBuff text;
    LoadText(text, std::string("\xC0\x8A" "\xE0\x80\x8D" "\xC0\x80" "\xED\xA0\x80" "\xC3\xA9", 12));
    Decoded d = At(text, 0);
    CHECK(d.code == -30);
    CHECK(d.length == 2);
    CHECK(d.display == 0xC0u);
    CHECK(At(text, 2).code == -30);
    CHECK(At(text, 2).length == 3);
    CHECK(At(text, 5).length == 2);
    CHECK(At(text, 7).code == -30);
    CHECK(At(text, 7).length == 3);
    CHECK(At(text, 10).code == 0xE9);
    CHECK(text.CharStart(1) == 0);
    CHECK(text.CharStart(9) == 7);
    CHECK(Contents(text) == std::string("\xC0\x8A" "\xE0\x80\x8D" "\xC0\x80" "\xED\xA0\x80" "\xC3\xA9", 12));

    // Forty lines with ten overlong line breaks: the rows that decoding sees
    // are the lines that the counts see.
    std::string lines;
    for (int i = 0; i < 40; i++)
        lines += i % 4 == 0 ? "ab\xC0\x8A" "cd\n" : "line\n";
    LoadText(text, lines);
    int64 breaks = 0;
    for (int64 p = 0; p < text.Size(); p = text.NextChar(p)) {
        int32 c = text.DecodeChar(p);
        breaks += c == 10 || c == 13 || c == 0 || c == -2;
    }
    CHECK(text.LineBreakCount() == 40);
    CHECK(breaks == 40);
    CHECK(text.LineStart(1) == 7);
}

TEST_CASE("a decoded code above U+10FFFF is copied out as U+FFFD")
{
    TextBuff text;
    LoadText(text, "a\xF4\x90\x80\x80" "b");
    CHECK(At(text, 1).length == 4);
    wchar_t out[8] = {};
    CHECK(text.ReadUtf16(0, out, 8) == 3);
    CHECK(out[0] == L'a');
    CHECK(out[1] == 0xFFFD);
    CHECK(out[2] == L'b');
}
