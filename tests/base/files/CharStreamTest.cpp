#include "base/CharStream.h"
#include "base/Error.h"

#include "support/TempFolder.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

// A stream reading the given bytes from a file in a temporary folder.
struct Reader {
    TempFolder temp;
    CharStream stream;
    // Literals are taken whole, NUL bytes included.
    template <size_t N>
    Reader(const char (&bytes)[N], u32 encoding, bool crlf, int32 buffer = -4)
        : Reader(std::string(bytes, N - 1), encoding, crlf, buffer)
    {
    }
    Reader(const std::string& bytes, u32 encoding, bool crlf, int32 buffer = -4)
    {
        WriteFileBytes(temp / L"in.txt", bytes);
        File f;
        f.Open(temp / L"in.txt", kFileRead, buffer);
        stream = CharStream(f, encoding, crlf);
    }
    std::vector<int32> Chars()
    {
        std::vector<int32> out;
        for (int32 c; (c = stream.ReadChar()) != -1;)
            out.push_back(c);
        return out;
    }
    std::vector<std::wstring> Lines()
    {
        std::vector<std::wstring> out;
        while (!stream.AtEnd()) {
            String line = stream.ReadLine();
            out.emplace_back(line.CStr(), static_cast<size_t>(line.Length()));
        }
        return out;
    }
};

// Bytes written through a stream by f.
template <class F>
std::string Written(u32 encoding, bool crlf, F f)
{
    TempFolder temp;
    File file;
    file.Open(temp / L"out.txt", kFileCreate, -4);
    CharStream stream(file, encoding, crlf);
    f(stream);
    stream.file.Close();
    return ReadFileBytes(temp / L"out.txt");
}

using Lines = std::vector<std::wstring>;
using Chars = std::vector<int32>;

}  // namespace

TEST_CASE("UTF-16 surrogate pairs join; a lone high surrogate comes back alone")
{
    CHECK(Reader("\x3D\xD8\x00\xDE", kStreamUtf16Le, false).Chars() == Chars{0x1F600});
    CHECK(Reader("\x3D\xD8\x41\x00", kStreamUtf16Le, false).Chars() == Chars{0xD83D, 0x41});
    CHECK(Reader("\xD8\x3D\xDE\x00", kStreamUtf16Be, false).Chars() == Chars{0x1F600});
    // A high surrogate at the end, with one odd byte after it.
    CHECK(Reader("\x41\x00\x3D\xD8\x42", kStreamUtf16Le, false).Chars() == Chars{0x41, 0xD83D});
    CHECK(Reader(std::string("\x00\x41\x00", 3), kStreamUtf16Be, false).Chars() == Chars{0x41});
    CHECK(Reader(std::string("\xDC\x00\x00", 3), kStreamUtf16Be, false).Chars() == Chars{0xDC00});
}

TEST_CASE("UTF-8 reading never fails on bad data")
{
    CHECK(Reader("\xC3\xA9", kStreamUtf8, false).Chars() == Chars{0xE9});
    CHECK(Reader("\xC3" "A", kStreamUtf8, false).Chars() == Chars{3, 0x41});
    CHECK(Reader("\x80", kStreamUtf8, false).Chars() == Chars{0});
    CHECK(Reader("\xF8" "a", kStreamUtf8, false).Chars() == Chars{0, 'a'});
    CHECK(Reader("\xF0\x9F\x98\x80", kStreamUtf8, false).Chars() == Chars{0x1F600});
    CHECK(Reader("\xE2\x82\xAC", kStreamUtf8, false).Chars() == Chars{0x20AC});
    // Cut off by the end: the partial character is dropped.
    CHECK(Reader("a\xE2\x82", kStreamUtf8, false).Chars() == Chars{'a'});
    // Interrupted after two of three bytes: the partial value, then the interrupting byte.
    CHECK(Reader("\xE2\x82" "b", kStreamUtf8, false, 0).Chars() == Chars{0x82, 'b'});
}

TEST_CASE("single-byte streams read each byte as its code point")
{
    CHECK(Reader("\xE9\x00\xFF", kStreamSingleByte, false).Chars() == Chars{0xE9, 0, 0xFF});
    CHECK(Reader("abc", 7, false).Chars().empty());
}

TEST_CASE("CR LF mode ends lines only at LF or CR LF")
{
    CHECK(Reader("a\rb\r\n", kStreamUtf8, true).Lines() == Lines{L"a\rb"});
    CHECK(Reader("a\nb\r\nc", kStreamUtf8, true).Lines() == Lines{L"a", L"b", L"c"});
    CHECK(Reader("a\r", kStreamUtf8, true).Lines() == Lines{L"a\r"});
    CHECK(Reader("\r\n\r\n", kStreamUtf8, true).Lines() == Lines{L"", L""});
}

TEST_CASE("CR LF mode reads CR CR LF as a CR followed by the line end")
{
    CHECK(Reader("x\r\r\ny", kStreamUtf8, true).Lines() == Lines{L"x\r", L"y"});
    CHECK(Reader("x\r\r\r\ny\r\n", kStreamUtf8, true).Lines() == Lines{L"x\r\r", L"y"});
    Reader r("a\r\r\nb", kStreamUtf8, true);
    r.stream.ReadLine();
    CHECK(r.stream.lineEnd == 10);
}

TEST_CASE("outside CR LF mode CR, LF and CR LF all end a line")
{
    CHECK(Reader("a\rb", kStreamUtf8, false).Lines() == Lines{L"a", L"b"});
    CHECK(Reader("a\r\nb", kStreamUtf8, false).Lines() == Lines{L"a", L"b"});
    CHECK(Reader("a\n\nb", kStreamUtf8, false).Lines() == Lines{L"a", L"", L"b"});
    CHECK(Reader("a\r\r\nb\r", kStreamUtf8, false).Lines() == Lines{L"a", L"", L"b"});
    CHECK(Reader("a\n", kStreamUtf8, false).Lines() == Lines{L"a"});
    CHECK(Reader("", kStreamUtf8, false).Lines().empty());
}

TEST_CASE("the last line after a lone CR is not lost")
{
    Reader r("first\rL", kStreamUtf8, false);
    CHECK(r.stream.ReadLine().Equals(L"first"));
    CHECK(r.stream.lineEnd == 13);
    // The next line's only character is held back: the file has ended, the stream has not.
    CHECK(r.stream.file.PeekByte() == -1);
    CHECK_FALSE(r.stream.AtEnd());
    CHECK(r.stream.ReadLine().Equals(L"L"));
    CHECK(r.stream.lineEnd == -1);
    CHECK(r.stream.AtEnd());
}

TEST_CASE("lines of non-BMP characters become surrogate pairs")
{
    Lines got = Reader("\xF0\x9F\x98\x80x\r\n\xC3\xA9", kStreamUtf8, true).Lines();
    CHECK(got == Lines{L"\xD83D\xDE00x", L"\xE9"});
    got = Reader(std::string("\x3D\xD8\x00\xDE\x0D\x00\x0A\x00z\x00", 10), kStreamUtf16Le, true).Lines();
    CHECK(got == Lines{L"\xD83D\xDE00", L"z"});
}

TEST_CASE("writing a line feed in each encoding, with and without CR LF mode")
{
    auto lf = [](CharStream& s) { s.WriteChar(10); };
    CHECK(Written(kStreamUtf16Be, true, lf) == std::string("\x00\x0D\x00\x0A", 4));
    CHECK(Written(kStreamUtf16Be, false, lf) == std::string("\x00\x0A", 2));
    CHECK(Written(kStreamUtf16Le, true, lf) == std::string("\x0D\x00\x0A\x00", 4));
    CHECK(Written(kStreamUtf8, true, lf) == "\r\n");
    CHECK(Written(kStreamUtf8, false, lf) == "\n");
    CHECK(Written(kStreamSingleByte, true, lf) == "\r\n");
    // A CR is written as it is.
    CHECK(Written(kStreamUtf8, true, [](CharStream& s) { s.WriteChar(13); }) == "\r");
}

TEST_CASE("code points are written in the stream's encoding")
{
    auto some = [](CharStream& s) {
        for (int32 c : {0x41, 0xE9, 0x20AC, 0x1F600})
            s.WriteChar(c);
    };
    CHECK(Written(kStreamUtf8, false, some) == "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    CHECK(Written(kStreamUtf16Le, false, some) == std::string("A\x00\xE9\x00\xAC\x20\x3D\xD8\x00\xDE", 10));
    CHECK(Written(kStreamUtf16Be, false, some) == std::string("\x00" "A\x00\xE9\x20\xAC\xD8\x3D\xDE\x00", 10));
    CHECK(Written(kStreamSingleByte, false, some) == std::string("A\xE9\xAC\x00", 4));
}

TEST_CASE("WriteText joins surrogate pairs and keeps lone surrogates")
{
    auto text = [](const wchar_t* t, int64 n) { return [=](CharStream& s) { s.WriteText(t, n); }; };
    CHECK(Written(kStreamUtf8, false, text(L"\xDC00", 1)) == "\xED\xB0\x80");
    CHECK(Written(kStreamUtf8, false, text(L"\xD83D\xDE00", 2)) == "\xF0\x9F\x98\x80");
    // A pair split by the end of the run is two lone surrogates.
    CHECK(Written(kStreamUtf8, false, text(L"\xD83D\xDE00", 1)) == "\xED\xA0\xBD");
    CHECK(Written(kStreamUtf8, false, text(L"\xDE00\xD83D", 2)) == "\xED\xB8\x80\xED\xA0\xBD");
    CHECK(Written(kStreamUtf16Le, true, text(L"a\nb", 3)) == std::string("a\x00\x0D\x00\x0A\x00" "b\x00", 8));
}

TEST_CASE("text written in CR LF mode reads back line by line in every encoding")
{
    const wchar_t* lines[] = {L"plain", L"", L"\xE9t\xE9 \x20AC", L"with\rCR", L"\xD83D\xDE00 end"};
    for (u32 encoding : {kStreamUtf8, kStreamUtf16Le, kStreamUtf16Be, kStreamSingleByte}) {
        CAPTURE(encoding);
        TempFolder temp;
        File out;
        out.Open(temp / L"rt.txt", kFileCreate, 16);
        CharStream w(out, encoding, true);
        for (const wchar_t* line : lines) {
            w.WriteText(line, static_cast<int64>(wcslen(line)));
            w.WriteChar(10);
        }
        w.file.Close();

        File in;
        in.Open(temp / L"rt.txt", kFileRead, 16);
        CharStream r(in, encoding, true);
        for (const wchar_t* line : lines) {
            REQUIRE_FALSE(r.AtEnd());
            String got = r.ReadLine();
            std::wstring expect = line;
            if (encoding == kStreamSingleByte) {
                // One byte per code point: what does not fit keeps its low 8 bits.
                std::wstring narrowed;
                for (size_t i = 0; i < expect.size(); i++) {
                    if (expect[i] >= 0xD800 && expect[i] <= 0xDBFF && i + 1 < expect.size()) {
                        narrowed += static_cast<wchar_t>(0x1F600 & 0xFF);
                        i++;
                    } else {
                        narrowed += static_cast<wchar_t>(expect[i] & 0xFF);
                    }
                }
                expect = narrowed;
            }
            CHECK(std::wstring(got.CStr(), static_cast<size_t>(got.Length())) == expect);
            CHECK(r.lineEnd == 10);
        }
        CHECK(r.AtEnd());
    }
}

TEST_CASE("writing to a closed or failed file throws InternalError before writing")
{
    TempFolder temp;
    File f;
    f.Open(temp / L"c.txt", kFileCreate, 0);
    CharStream s(f, kStreamUtf8, true);
    s.file.Close();
    int32 code = 0;
    try {
        s.WriteChar('x');
    } catch (const Error& e) {
        code = e.code;
    }
    CHECK(code == -3);
    CharStream none;
    code = 0;
    try {
        none.WriteText(L"x", 1);
    } catch (const Error& e) {
        code = e.code;
    }
    CHECK(code == -3);

    File g;
    g.Open(temp / L"d.txt", kFileCreate, 0);
    CharStream bad(g, 9, true);
    code = 0;
    try {
        bad.WriteChar('x');
    } catch (const Error& e) {
        code = e.code;
    }
    CHECK(code == -3);
    bad.file.Close();
    CHECK(ReadFileBytes(temp / L"d.txt").empty());
}
