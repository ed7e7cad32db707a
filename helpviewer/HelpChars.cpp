#include "helpviewer/HelpChars.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/StrFormat.h"

#include <cwchar>

namespace {

constexpr int32 kReplacement = 0xFFFD;

bool IsSurrogateHalf(int32 c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

}  // namespace

int32 HelpToLowerCodePoint(int32 codePoint)
{
    return IsSurrogateHalf(codePoint) ? kReplacement : ToLowerCodePoint(codePoint);
}

int32 HelpToUpperCodePoint(int32 codePoint)
{
    return IsSurrogateHalf(codePoint) ? kReplacement : ToUpperCodePoint(codePoint);
}

bool HelpEqualsNoCase(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen)
{
    return EqualsNoCaseBy(a, alen, b, blen, HelpToLowerCodePoint);
}

void NumberText::SetNumber(int64 value)
{
    Int64ToBuffer(text_, kUnits, value);
    length_ = static_cast<int64>(wcslen(text_));
}

void NumberText::SetText(const wchar_t* text, int64 length)
{
    CopyToBufferN(text_, kUnits, text, length);
    length_ = length;
}

void NumberText::AppendDotSpace()
{
    if (length_ + 2 >= kUnits)
        throw IndexError();
    text_[length_++] = L'.';
    text_[length_++] = L' ';
    text_[length_] = 0;
}
