#pragma once

#include "base/File.h"
#include "base/String.h"
#include "base/Types.h"

// Encodings of a CharStream.
constexpr u32 kStreamUtf8 = 0;
constexpr u32 kStreamUtf16Le = 1;
constexpr u32 kStreamUtf16Be = 2;
constexpr u32 kStreamSingleByte = 3;  // each byte one code point 0 to 255

// Code points read from and written to a File, split into lines. In CR LF
// mode a line ends only at LF or CR LF, and LF is written as CR LF. No
// byte-order signature is read or written.
struct CharStream {
    File file;
    u32 encoding = kStreamUtf8;
    int32 pending = -1;  // a code point read ahead by ReadLine, or -1
    u8 crlf = 0;
    int32 lineEnd = -1;  // what ended the last line: 10, 13 or -1

    CharStream() = default;
    CharStream(const File& file, u32 encoding, bool crlf) : file(file), encoding(encoding), crlf(crlf ? 1 : 0) {}

    // The next code point, or -1 at the end of the input. Bad data never fails.
    int32 ReadChar();
    // The next line without its line end; empty at the end of the input.
    String ReadLine();
    // True when no more input follows: nothing read ahead and the file ended.
    // Readers of lines test this, not the file, since ReadLine may hold a code
    // point of the next line.
    bool AtEnd();

    void WriteChar(int32 codePoint);
    // UTF-16 units; a surrogate pair is written as one code point, lone
    // surrogates as code points of their own value.
    void WriteText(const wchar_t* text, int64 length);
    void WriteText(const String& text) { WriteText(text.Data(), text.Length()); }
};
