#include "editor/TextConversions.h"

#include "base/CharUtils.h"
#include "base/Error.h"

namespace {

int32 ConvertCodePoint(int32 command, int32 c)
{
    switch (command) {
    case CommandUpperCase:
        if (c >= 'a' && c <= 'z')
            return c - 32;
        return c > 127 ? ToUpperCodePoint(c) : c;
    case CommandLowerCase:
        if (c >= 'A' && c <= 'Z')
            return c + 32;
        return c > 127 ? ToLowerCodePoint(c) : c;
    default:
        if (c >= 'a' && c <= 'z')
            return c - 32;
        if (c < 128)
            return c >= 'A' && c <= 'Z' ? c + 32 : c;
        {
            int32 upper = ToUpperCodePoint(c);
            return upper != c ? upper : ToLowerCodePoint(c);
        }
    }
}

// Fills out (when not null) and returns the length of the expanded text.
int64 ExpandInto(const wchar_t* in, int64 n, int32 step, wchar_t* out)
{
    int64 column = 0;
    int64 k = 0;
    for (int64 i = 0; i < n; i++) {
        wchar_t c = in[i];
        if (c == L'\t') {
            do {
                if (out)
                    out[k] = L' ';
                k++;
                column++;
            } while (column % step != 0);
            continue;
        }
        if (out)
            out[k] = c;
        k++;
        column = (c == L'\r' || c == L'\n') ? 0 : column + 1;
    }
    return k;
}

bool IsLineBreakUnit(wchar_t c)
{
    return c == L'\n' || c == L'\r' || c == 0;
}

int64 CompressInto(const wchar_t* in, int64 n, int32 step, wchar_t* out)
{
    int64 column = 0;
    int64 k = 0;
    int64 i = 0;
    auto put = [&](wchar_t c) {
        if (out)
            out[k] = c;
        k++;
    };
    while (i < n) {
        wchar_t c = in[i];
        if (c == L'\t') {
            put(c);
            column = (column / step + 1) * step;
            i++;
        } else if (c == L' ') {
            int64 stop = (column / step + 1) * step;
            int64 run = 0;
            while (i + run < n && in[i + run] == L' ' && column + run < stop)
                run++;
            if (column + run == stop) {
                put(L'\t');
                column = stop;
                i += run;
            } else {
                put(L' ');
                column++;
                i++;
            }
        } else {
            // The rest of the line is copied as it is.
            while (i < n && !IsLineBreakUnit(in[i]))
                put(in[i++]);
            if (i < n) {
                wchar_t brk = in[i++];
                put(brk);
                if (brk == L'\r' && i < n && in[i] == L'\n')
                    put(in[i++]);
            }
            column = 0;
        }
    }
    return k;
}

String Produce(const String& text, int32 step, int64 (*fill)(const wchar_t*, int64, int32, wchar_t*))
{
    const wchar_t* in = text.Data();
    int64 n = text.Length();
    int64 length = fill(in, n, step, nullptr);
    if (length == 0)
        return String();
    String result;
    fill(in, n, step, result.Allocate(length));
    return result;
}

}  // namespace

void ConvertCaseText(int32 command, String& text)
{
    int64 n = text.Length();
    if (n == 0)
        return;
    // A private copy, so other holders of the text keep theirs.
    String copy;
    wchar_t* s = copy.Allocate(n);
    for (int64 i = 0; i < n; i++)
        s[i] = text.Data()[i];
    text = copy;
    for (int64 i = 0; i < n;) {
        int32 c = s[i];
        int width = 1;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            width = 2;
        }
        int32 converted = ConvertCodePoint(command, c);
        if (converted != c && converted >= 0 && converted <= 0x10FFFF && (converted >= 0x10000 ? 2 : 1) == width) {
            if (width == 1) {
                s[i] = static_cast<wchar_t>(converted);
            } else {
                int32 v = converted - 0x10000;
                s[i] = static_cast<wchar_t>(0xD800 + (v >> 10));
                s[i + 1] = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
            }
        }
        i += width;
    }
}

int32 ClampTabStep(int32 step)
{
    return step < 1 ? 1 : (step > 20 ? 20 : step);
}

String ExpandTabs(String text, int32 step)
{
    return Produce(text, ClampTabStep(step), ExpandInto);
}

String CompressSpaces(String text, int32 step)
{
    return Produce(text, ClampTabStep(step), CompressInto);
}
