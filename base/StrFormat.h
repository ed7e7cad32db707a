#pragma once

#include "base/Error.h"
#include "base/String.h"

#include <cwchar>

constexpr int kPrintfSpecSize = 50;
// Room for the rendering of one numeric placeholder; wider ones throw IndexError.
constexpr int kNumberRenderSize = 128;

// One argument of StrFormat: a kind and the slot of that kind.
struct FormatArg {
    enum : u32 { kText = 0, kString = 1, kSigned = 2, kUnsigned = 3, kReal = 4 };

    u32 kind = kText;
    const wchar_t* text = nullptr;
    int64 textLength = 0;
    String str;
    int64 signedValue = 0;
    u64 unsignedValue = 0;
    double realValue = 0;

    FormatArg() = default;
    FormatArg(const String& s) : kind(kString), str(s) {}
    FormatArg(const wchar_t* t) : kind(kText), text(t), textLength(t ? static_cast<int64>(wcslen(t)) : 0) {}
    FormatArg(const wchar_t* t, int64 length) : kind(kText), text(t), textLength(length) {}
    FormatArg(int v) : kind(kSigned), signedValue(v) {}
    FormatArg(long v) : kind(kSigned), signedValue(v) {}
    FormatArg(long long v) : kind(kSigned), signedValue(v) {}
    FormatArg(unsigned v) : kind(kUnsigned), unsignedValue(v) {}
    FormatArg(unsigned long v) : kind(kUnsigned), unsignedValue(v) {}
    FormatArg(unsigned long long v) : kind(kUnsigned), unsignedValue(v) {}
    FormatArg(double v) : kind(kReal), realValue(v) {}

    // Renders this argument at position with the placeholder spec (the text
    // after "[", up to "]" or the end); with a null output it only measures.
    // Returns the new position.
    int64 StrArg(wchar_t* output, int64 outputSize, int64 position, const wchar_t* spec) const;

    // Writes "%" with the spec's flags, width and precision into a buffer of
    // kPrintfSpecSize units, NUL-terminated; IndexError when that prefix is
    // kPrintfSpecSize units or more, or when the width or precision reaches
    // kNumberRenderSize.
    static void BuildPrintfSpec(wchar_t* output, const wchar_t* spec);
};


// Fills "[]" placeholders in order from args; "[[" is one "[".
void StrFormat(String& result, const wchar_t* format, const FormatArg* args, int64 count);
String StrFormat(const wchar_t* format, const FormatArg& a1);
String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2);
String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2, const FormatArg& a3);
String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2, const FormatArg& a3,
                 const FormatArg& a4);

// The same into a fixed buffer (null: only measure); returns the units
// written including the NUL.
int64 StrFormatInto(wchar_t* output, int64 size, const wchar_t* format, const FormatArg* args, int64 count);

constexpr int kCodePointTextSize = 50;
// "U+" and the code point in lower-case hexadecimal, then one space.
int64 FormatCodePoint(wchar_t* output, const FormatArg& codePoint);

// Copy and terminate; IndexError when the text and its NUL do not fit in n units.
void CopyToBuffer(wchar_t* buffer, int64 n, const wchar_t* text);
void CopyToBufferN(wchar_t* buffer, int64 n, const wchar_t* text, int64 length);
void Int64ToBuffer(wchar_t* buffer, int64 n, int64 value);

namespace strformat_detail {
// Checks a printf result against the buffer it was written to.
int CheckedPrintfResult(int result, size_t size);
}

// The runtime's wide printf into the caller's array; the array's size bounds
// the output and a result that does not fit throws IndexError.
template <size_t N, class... Values>
int FormatWide(wchar_t (&buffer)[N], const wchar_t* format, Values... values)
{
    return strformat_detail::CheckedPrintfResult(std::swprintf(buffer, N, format, values...), N);
}

// The counted form into a buffer of 30 units.
constexpr size_t kFormatWide30Size = 30;
template <class... Values>
int FormatWide30(wchar_t* buffer, const wchar_t* format, Values... values)
{
    return strformat_detail::CheckedPrintfResult(std::swprintf(buffer, kFormatWide30Size, format, values...),
                                                  kFormatWide30Size);
}
