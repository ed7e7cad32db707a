#include "base/StrFormat.h"

#include "base/CharUtils.h"

#include <cstdio>

namespace {

bool IsFlag(wchar_t c)
{
    return c == L' ' || c == L'+' || c == L'-' || c == L'0';
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The conversion letter of a spec: its first character, if the spec has one.
wchar_t ConversionLetter(const wchar_t* spec)
{
    return (spec && *spec != L']') ? *spec : 0;
}

bool IsRealConversion(wchar_t c)
{
    return c == L'e' || c == L'f' || c == L'g' || c == L'E' || c == L'F' || c == L'G';
}

// Writes or counts units of an output position by position.
class Sink {
public:
    Sink(wchar_t* output, int64 size, int64 position) : out_(output), size_(size), pos_(position) {}

    void Put(wchar_t c)
    {
        if (out_) {
            if (pos_ >= size_)
                throw IndexError();
            out_[pos_] = c;
        }
        pos_++;
    }

    // A rendered run must leave room for a NUL after it.
    void PutRun(const wchar_t* text, int64 length)
    {
        if (out_) {
            if (length < 0 || pos_ > size_ || length >= size_ - pos_)
                throw IndexError();
            if (length > 0)
                wmemcpy(out_ + pos_, text, static_cast<size_t>(length));
        }
        pos_ += length;
    }

    int64 Position() const { return pos_; }
    void MoveTo(int64 position) { pos_ = position; }

private:
    wchar_t* out_;
    int64 size_;
    int64 pos_;
};

// Runs one printf conversion into a bounded buffer; returns its length.
template <class Value>
int64 RenderNumber(wchar_t (&buffer)[kNumberRenderSize], const wchar_t* spec, const wchar_t* conversion, Value value)
{
    // The prefix fills at most kPrintfSpecSize units with its NUL; one more for the letter.
    wchar_t format[kPrintfSpecSize + 1];
    FormatArg::BuildPrintfSpec(format, spec);
    wcscat(format, conversion);
    int n = std::swprintf(buffer, kNumberRenderSize, format, value);
    return strformat_detail::CheckedPrintfResult(n, kNumberRenderSize);
}

// Not a code point: U+FFFD rather than a broken surrogate pair.
int64 RenderCharacter(wchar_t (&buffer)[kNumberRenderSize], int64 value)
{
    if (value < 0 || value > 0x10FFFF)
        value = 0xFFFD;
    return CodePointToUtf16(static_cast<int32>(value), buffer);
}

}  // namespace

int64 FormatArg::StrArg(wchar_t* output, int64 outputSize, int64 position, const wchar_t* spec) const
{
    Sink sink(output, outputSize, position);
    wchar_t buffer[kNumberRenderSize];
    wchar_t letter = ConversionLetter(spec);
    int64 n = 0;
    switch (kind) {
    case kText:
        sink.PutRun(text, text ? textLength : 0);
        return sink.Position();
    case kString:
        sink.PutRun(str.Data(), str.Length());
        return sink.Position();
    case kSigned:
        if (letter == L'c')
            n = RenderCharacter(buffer, signedValue);
        else  // deliberately the low 32 bits
            n = RenderNumber(buffer, spec, letter == L'x' ? L"x" : L"d", static_cast<int32>(signedValue));
        break;
    case kUnsigned:
        if (letter == L'c')
            n = RenderCharacter(buffer, unsignedValue > 0x10FFFF ? -1 : static_cast<int64>(unsignedValue));
        else
            n = RenderNumber(buffer, spec, letter == L'x' ? L"x" : L"u", static_cast<u32>(unsignedValue));
        break;
    case kReal: {
        wchar_t conversion[2] = {IsRealConversion(letter) ? letter : L'g', 0};
        n = RenderNumber(buffer, spec, conversion, realValue);
        break;
    }
    default:
        throw CheckFailed(L"FormatArg::StrArg got undefined argument");
    }
    sink.PutRun(buffer, n);
    return sink.Position();
}

void FormatArg::BuildPrintfSpec(wchar_t* output, const wchar_t* spec)
{
    // "%" and the prefix with its NUL must fit the buffer.
    const int limit = kPrintfSpecSize - 1;
    int n = 0;
    auto put = [&](wchar_t c) {
        if (n >= limit)
            throw IndexError();
        output[n++] = c;
    };
    // A width or precision that cannot fit the render buffer is refused
    // here: the runtime's printf does not cope with huge ones.
    auto putNumber = [&](const wchar_t*& p) {
        int64 value = 0;
        while (IsDigit(*p)) {
            value = value * 10 + (*p - L'0');
            if (value >= kNumberRenderSize)
                throw IndexError();
            put(*p++);
        }
    };
    put(L'%');
    const wchar_t* p = spec ? spec : L"";
    while (IsFlag(*p))
        put(*p++);
    putNumber(p);
    if (p[0] == L'.' && IsDigit(p[1])) {
        put(*p++);
        putNumber(p);
    }
    output[n] = 0;
}

int64 StrFormatInto(wchar_t* output, int64 size, const wchar_t* format, const FormatArg* args, int64 count)
{
    Sink sink(output, size, 0);
    int64 next = 0;
    const wchar_t* p = format ? format : L"";
    while (*p) {
        if (p[0] == L'[' && p[1] == L'[') {
            sink.Put(L'[');
            p += 2;
        } else if (p[0] == L'[') {
            if (next >= count)
                throw CheckFailed(L"StrFormat used too many arguments");
            sink.MoveTo(args[next++].StrArg(output, size, sink.Position(), p + 1));
            while (*p && *p != L']')
                p++;
            if (!*p)
                break;  // no closing bracket: the rest is dropped
            p++;
        } else {
            sink.Put(*p++);
        }
    }
    sink.Put(0);
    return sink.Position();
}

void StrFormat(String& result, const wchar_t* format, const FormatArg* args, int64 count)
{
    int64 units = StrFormatInto(nullptr, 0, format, args, count);
    String built;
    wchar_t* text = built.Allocate(units - 1);
    StrFormatInto(text, units, format, args, count);
    result.MoveFrom(built);
}

String StrFormat(const wchar_t* format, const FormatArg& a1)
{
    String result;
    StrFormat(result, format, &a1, 1);
    return result;
}

String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2)
{
    const FormatArg args[] = {a1, a2};
    String result;
    StrFormat(result, format, args, 2);
    return result;
}

String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2, const FormatArg& a3)
{
    const FormatArg args[] = {a1, a2, a3};
    String result;
    StrFormat(result, format, args, 3);
    return result;
}

String StrFormat(const wchar_t* format, const FormatArg& a1, const FormatArg& a2, const FormatArg& a3,
                 const FormatArg& a4)
{
    const FormatArg args[] = {a1, a2, a3, a4};
    String result;
    StrFormat(result, format, args, 4);
    return result;
}

int64 FormatCodePoint(wchar_t* output, const FormatArg& codePoint)
{
    return StrFormatInto(output, kCodePointTextSize, L"U+[x] ", &codePoint, 1);
}

void CopyToBufferN(wchar_t* buffer, int64 n, const wchar_t* text, int64 length)
{
    if (length < 0 || length >= n)
        throw IndexError();
    if (length > 0)
        wmemcpy(buffer, text, static_cast<size_t>(length));
    buffer[length] = 0;
}

void CopyToBuffer(wchar_t* buffer, int64 n, const wchar_t* text)
{
    CopyToBufferN(buffer, n, text, text ? static_cast<int64>(wcslen(text)) : 0);
}

void Int64ToBuffer(wchar_t* buffer, int64 n, int64 value)
{
    String text = IntToString(value);
    CopyToBufferN(buffer, n, text.Data(), text.Length());
}

namespace strformat_detail {

int CheckedPrintfResult(int result, size_t size)
{
    if (result < 0 || static_cast<size_t>(result) >= size)
        throw IndexError();
    return result;
}

}  // namespace strformat_detail
