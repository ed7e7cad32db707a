#include "gui/Clipboard.h"

#include "base/ByteScan.h"
#include "base/CharUtils.h"
#include "base/Error.h"

#include <cstring>

namespace {

const char kDocumentStart[] =
    "<html>\r\n<head>\r\n<title>clipboard</title>\r\n</head>\r\n<body>\r\n<!--StartFragment-->";
const char kDocumentEnd[] = "<!--EndFragment-->\r\n</body>\r\n</html>\r\n";
constexpr int kEndLength = static_cast<int>(sizeof(kDocumentEnd) - 1);

UINT htmlFormat = 0;

bool IsLineEnd(wchar_t c)
{
    return c == 13 || c == 10 || c == 0;
}

// Locked foreign data, bounded by the size of its block.
class LockedData {
public:
    explicit LockedData(HANDLE data)
        : handle(data), pointer(data ? GlobalLock(data) : nullptr),
          size(pointer ? GlobalSize(data) : 0)
    {
    }
    ~LockedData()
    {
        if (pointer)
            GlobalUnlock(handle);
    }
    LockedData(const LockedData&) = delete;
    LockedData& operator=(const LockedData&) = delete;

    HANDLE handle;
    void* pointer;
    size_t size;
};

void PutOnClipboard(ClipboardHolder& holder, UINT format, GlobalMemory& block)
{
    if (!holder.IsOpen() || block.IsEmpty())
        throw InternalError();
    block.Unlock();
    // Never a null block: that would ask for delayed rendering.
    if (SetClipboardData(format, block.handle) == nullptr)
        ThrowLastError();
    block.Forget();
}

char* AppendText(char* out, const char* text)
{
    size_t n = strlen(text);
    memcpy(out, text, n);
    return out + n;
}

char* AppendNumber(char* out, uint64_t value)
{
    AsInt(static_cast<unsigned long long>(value));
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        *out++ = digits[--n];
    return out;
}

int FormatHeaderText(char* buffer, uint64_t sh, uint64_t eh, uint64_t sf, uint64_t ef,
                     bool withDocumentStart)
{
    char* out = AppendText(buffer, "Version:0.9\r\nStartHTML:");
    out = AppendNumber(out, sh);
    out = AppendText(out, "\r\nEndHTML:");
    out = AppendNumber(out, eh);
    out = AppendText(out, "\r\nStartFragment:");
    out = AppendNumber(out, sf);
    out = AppendText(out, "\r\nEndFragment:");
    out = AppendNumber(out, ef);
    out = AppendText(out, "\r\n");
    if (withDocumentStart)
        out = AppendText(out, kDocumentStart);
    return static_cast<int>(out - buffer);
}

// A line of the CF_HTML header at pos (the LF before it), key compared
// without regard to ASCII case.
bool MatchesKey(const uint8_t* data, int64_t n, int64_t pos, const char* key)
{
    int64_t length = static_cast<int64_t>(strlen(key));
    if (n - pos < 1 + length || data[pos] != '\n')
        return false;
    for (int64_t i = 0; i < length; i++) {
        uint8_t c = data[pos + 1 + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<uint8_t>(c + 32);
        uint8_t k = static_cast<uint8_t>(key[i]);
        if (k >= 'A' && k <= 'Z')
            k = static_cast<uint8_t>(k + 32);
        if (c != k)
            return false;
    }
    return true;
}

// Reads blanks and a decimal number saturated at 2^31 - 1 into value (left
// alone without digits); answers the position after them.
int64_t ReadOffset(const uint8_t* data, int64_t n, int64_t pos, int64_t& value)
{
    while (pos < n && (data[pos] == ' ' || data[pos] == '\t'))
        pos++;
    if (pos >= n || data[pos] < '0' || data[pos] > '9')
        return pos;
    int64_t number = 0;
    while (pos < n && data[pos] >= '0' && data[pos] <= '9') {
        number = number * 10 + (data[pos] - '0');
        if (number > INT32_MAX)
            number = INT32_MAX;
        pos++;
    }
    value = number;
    return pos;
}

} // namespace

// --- holders ---------------------------------------------------------------------------

void ClipboardHolder::Open(GuiBase& owner)
{
    Close();
    HWND w = owner.GetHwnd();
    if (w == nullptr)
        throw InternalError();
    // No retry: a clipboard held by someone else fails at once.
    if (!OpenClipboard(w))
        ThrowLastError();
    window = &owner;
}

void ClipboardHolder::Close()
{
    if (window) {
        window = nullptr;
        CloseClipboard();
    }
}

GlobalMemory::~GlobalMemory()
{
    Unlock();
    if (handle)
        GlobalFree(handle);
}

void GlobalMemory::Alloc(size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
        ThrowLastError();
    Unlock();
    if (handle)
        GlobalFree(handle);
    handle = block;
}

void* GlobalMemory::Lock()
{
    if (handle == nullptr || pointer)
        throw InternalError();
    pointer = GlobalLock(handle);
    if (pointer == nullptr)
        ThrowLastError();
    return pointer;
}

void GlobalMemory::Unlock()
{
    if (pointer) {
        pointer = nullptr;
        GlobalUnlock(handle);
    }
}

void GlobalMemory::Forget()
{
    handle = nullptr;
    pointer = nullptr;
}

// --- building the blocks ---------------------------------------------------------------

uint64_t ClipboardTextSize(int64_t count, int64_t widened, uint64_t limit)
{
    if (count < 0 || widened < 0 || limit < 2)
        throw InternalError();
    uint64_t units = static_cast<uint64_t>(count) + static_cast<uint64_t>(widened);
    if (units > (limit - 2) / 2)
        throw MemoryError();
    return units * 2 + 2;
}

uint64_t ClipboardHtmlSize(int64_t prefix, uint64_t fragment, uint64_t limit)
{
    if (prefix < 0)
        throw InternalError();
    uint64_t fixed = static_cast<uint64_t>(prefix) + kEndLength + 1;
    if (fixed > limit || fragment > limit - fixed)
        throw MemoryError();
    return fixed + fragment;
}

int64_t CountWidenedEnds(const wchar_t* text, int64_t count)
{
    int64_t n = 0;
    for (int64_t i = 0; i < count; i++) {
        wchar_t c = text[i];
        if (c > 13 || !IsLineEnd(c))
            continue;
        if (c == 13 && i + 1 < count && text[i + 1] == 10)
            i++;
        else
            n++;
    }
    return n;
}

uint64_t HtmlFragmentSize(const wchar_t* text, int64_t count)
{
    uint64_t n = 0;
    for (int64_t i = 0; i < count; i++) {
        wchar_t c = text[i];
        if (c < 0x80) {
            if (!IsLineEnd(c)) {
                n += 1;
                continue;
            }
            if (c == 13 && i + 1 < count && text[i + 1] == 10)
                i++;
            n += 2;
        } else if (c < 0x800) {
            n += 2;
        } else if (IsHighSurrogate(c) && i + 1 < count && IsLowSurrogate(text[i + 1])) {
            n += 4;
            i++;
        } else {
            n += 3;
        }
    }
    return n;
}

void MakeClipboardText(GlobalMemory& block, const wchar_t* text, int64_t count, uint64_t limit)
{
    uint64_t size = ClipboardTextSize(count, CountWidenedEnds(text, count), limit);
    block.Alloc(static_cast<size_t>(size));
    wchar_t* out = static_cast<wchar_t*>(block.Lock());
    for (int64_t i = 0; i < count; i++) {
        wchar_t c = text[i];
        if (c > 13 || !IsLineEnd(c)) {
            *out++ = c;
            continue;
        }
        if (c == 13 && i + 1 < count && text[i + 1] == 10)
            i++;
        *out++ = 13;
        *out++ = 10;
    }
    // The terminating NUL is the block's own zero fill.
    block.Unlock();
}

int FormatHtmlHeader(char* buffer, uint64_t fragment)
{
    // The offsets are written in the header they count, and their digits
    // change its length: format until the lengths stop moving.
    const uint64_t b = fragment, e = kEndLength;
    char header[kHtmlHeaderBuffer];
    int h = FormatHeaderText(header, 0, b + e, 0, b, false);
    int s = 0, p = 0, previousH = 0, previousP = 0;
    for (int pass = 0; pass < 16; pass++) {
        int formatted = FormatHeaderText(buffer, static_cast<uint64_t>(s),
                                         b + e + static_cast<uint64_t>(p),
                                         static_cast<uint64_t>(p), static_cast<uint64_t>(p) + b,
                                         true);
        s = h;
        p = formatted;
        if (h == previousH && p == previousP)
            return p;
        previousH = h;
        previousP = p;
        h = FormatHeaderText(header, static_cast<uint64_t>(h), b + e + static_cast<uint64_t>(p),
                             static_cast<uint64_t>(p), static_cast<uint64_t>(p) + b, false);
    }
    throw InternalError();
}

bool MakeClipboardHtml(GlobalMemory& block, const wchar_t* text, int64_t count, uint64_t limit)
{
    if (count >= kMaxHtmlUnits)
        return false;
    uint64_t fragment = HtmlFragmentSize(text, count);
    char prefix[kHtmlHeaderBuffer];
    int prefixLength;
    try {
        prefixLength = FormatHtmlHeader(prefix, fragment);
    } catch (const CheckFailed&) {
        // Offsets past 31 bits cannot be written: the text goes alone.
        return false;
    }
    uint64_t size = ClipboardHtmlSize(prefixLength, fragment, limit);
    block.Alloc(static_cast<size_t>(size));
    uint8_t* out = static_cast<uint8_t*>(block.Lock());
    memcpy(out, prefix, static_cast<size_t>(prefixLength));
    out += prefixLength;
    for (int64_t i = 0; i < count; i++) {
        uint32_t c = text[i];
        if (c < 0x80) {
            if (!IsLineEnd(static_cast<wchar_t>(c))) {
                *out++ = static_cast<uint8_t>(c);
                continue;
            }
            if (c == 13 && i + 1 < count && text[i + 1] == 10)
                i++;
            *out++ = 13;
            *out++ = 10;
        } else if (c < 0x800) {
            *out++ = static_cast<uint8_t>(0xC0 | (c >> 6));
            *out++ = static_cast<uint8_t>(0x80 | (c & 0x3F));
        } else if (IsHighSurrogate(static_cast<wchar_t>(c)) && i + 1 < count &&
                   IsLowSurrogate(text[i + 1])) {
            uint32_t code = static_cast<uint32_t>(JoinPair(static_cast<wchar_t>(c), text[i + 1]));
            i++;
            *out++ = static_cast<uint8_t>(0xF0 | (code >> 18));
            *out++ = static_cast<uint8_t>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | (code & 0x3F));
        } else {
            // Unpaired surrogates too, as the sequence of their own value.
            *out++ = static_cast<uint8_t>(0xE0 | (c >> 12));
            *out++ = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | (c & 0x3F));
        }
    }
    memcpy(out, kDocumentEnd, kEndLength);
    block.Unlock();
    return true;
}

// --- reading ---------------------------------------------------------------------------

HtmlFragment FindHtmlFragment(const uint8_t* data, int64_t size)
{
    int64_t n = size > 0 ? size : 0;
    if (const uint8_t* zero = FindByte(data, 0, static_cast<size_t>(n)))
        n = zero - data;
    int64_t start = -1, end = -1;
    int64_t pos = 0;
    while (pos < n) {
        const uint8_t* lf = FindByte(data + pos, '\n', static_cast<size_t>(n - pos));
        if (lf == nullptr)
            break;
        pos = lf - data;
        if (start == -1 && MatchesKey(data, n, pos, "StartFragment:")) {
            pos = ReadOffset(data, n, pos + 15, start);
            continue;
        }
        if (start != -1 && end != -1)
            break;
        if (end == -1 && MatchesKey(data, n, pos, "EndFragment:")) {
            pos = ReadOffset(data, n, pos + 13, end);
            continue;
        }
        pos++;
    }
    bool both = start >= 0 && end >= 0;
    HtmlFragment result = {start < 0 ? 0 : start, end, false};
    if (end >= 0 && end <= n) {
        if (result.start > end)
            result.start = end;
        result.empty = both && result.start == end;
    } else {
        result.end = n;
        if (result.start > n)
            result.start = n;
    }
    return result;
}

String ClipboardTextOf(const void* data, size_t bytes)
{
    const wchar_t* text = static_cast<const wchar_t*>(data);
    size_t units = bytes / 2, length = 0;
    while (length < units && text[length])
        length++;
    return String(text, static_cast<int64_t>(length));
}

String ReadClipboardText()
{
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr)
        return String();
    LockedData locked(data);
    if (locked.pointer == nullptr)
        return String();
    return ClipboardTextOf(locked.pointer, locked.size);
}

String ReadClipboardHtml()
{
    UINT format = Clipboard::HtmlFormat();
    if (IsClipboardFormatAvailable(format)) {
        // Listed but yielding nothing: the plain text serves.
        LockedData locked(GetClipboardData(format));
        if (locked.pointer && locked.size > 0) {
            const uint8_t* bytes = static_cast<const uint8_t*>(locked.pointer);
            HtmlFragment f = FindHtmlFragment(bytes, static_cast<int64_t>(locked.size));
            if (f.empty)
                return String();
            if (f.start == f.end) {
                f.start = 0;
                const uint8_t* zero = FindByte(bytes, 0, locked.size);
                f.end = zero ? zero - bytes : static_cast<int64_t>(locked.size);
            }
            return Utf8ToString(bytes + f.start, f.end - f.start);
        }
    }
    return ReadClipboardText();
}

// --- the operations --------------------------------------------------------------------

namespace Clipboard {

UINT HtmlFormat()
{
    if (htmlFormat == 0) {
        UINT format = RegisterClipboardFormatW(L"HTML Format");
        if (format == 0)
            ThrowLastError();
        htmlFormat = format;
    }
    return htmlFormat;
}

void Empty(ClipboardHolder& holder)
{
    if (!holder.IsOpen())
        throw InternalError();
    if (!EmptyClipboard())
        ThrowLastError();
}

void SetText(GuiBase& window, const wchar_t* text, int64_t count)
{
    GlobalMemory block;
    MakeClipboardText(block, text, count);
    ClipboardHolder holder;
    holder.Open(window);
    Empty(holder);
    PutOnClipboard(holder, CF_UNICODETEXT, block);
    holder.Close();
}

void SetTextAndHtml(GuiBase& window, const wchar_t* text, int64_t count)
{
    UINT format = HtmlFormat();
    GlobalMemory html;
    MakeClipboardHtml(html, text, count);
    GlobalMemory plain;
    MakeClipboardText(plain, text, count);
    ClipboardHolder holder;
    holder.Open(window);
    Empty(holder);
    PutOnClipboard(holder, CF_UNICODETEXT, plain);
    // A text too long for CF_HTML goes alone.
    if (!html.IsEmpty())
        PutOnClipboard(holder, format, html);
    holder.Close();
}

String GetText(GuiBase& window)
{
    ClipboardHolder holder;
    holder.Open(window);
    return ReadClipboardText();
}

String GetHtml(GuiBase& window)
{
    ClipboardHolder holder;
    holder.Open(window);
    return ReadClipboardHtml();
}

} // namespace Clipboard
