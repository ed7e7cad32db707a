#pragma once

// Text and "HTML Format" through the Windows clipboard. Every write makes the
// line ends CR LF; the blocks are built before the clipboard is opened, so a
// failed build leaves the clipboard as it was.

#include "base/String.h"
#include "gui/GuiBase.h"

#include <windows.h>

#include <cstdint>

// The window for which the clipboard is open, or none; closing (also by the
// destructor, when an error passes) releases the clipboard.
class ClipboardHolder {
public:
    ClipboardHolder() : window(nullptr) {}
    ~ClipboardHolder() { Close(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    void Open(GuiBase& owner);
    void Close();
    bool IsOpen() const { return window != nullptr; }

    GuiBase* window;
};

// A movable, zero-filled global block, freed by the destructor unless the
// clipboard took it (Forget).
class GlobalMemory {
public:
    GlobalMemory() : handle(nullptr), pointer(nullptr) {}
    ~GlobalMemory();
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;

    void Alloc(size_t size);
    void* Lock();
    void Unlock();
    // The clipboard owns the block now.
    void Forget();
    bool IsEmpty() const { return handle == nullptr; }

    HGLOBAL handle;
    void* pointer;
};

// What one GlobalAlloc can be asked for on this platform; the 32-bit viewer
// shares the code, where sizes of big texts pass 2^32.
constexpr uint64_t kGlobalBlockLimit = SIZE_MAX;

// Sizes in 64 bits, MemoryError when above the limit.
// The Unicode-text block: the text with `widened` line ends made two units, and its NUL.
uint64_t ClipboardTextSize(int64_t count, int64_t widened, uint64_t limit);
// The CF_HTML block: prefix, fragment, end part and the 0 byte.
uint64_t ClipboardHtmlSize(int64_t prefix, uint64_t fragment, uint64_t limit);

// Line ends (lone CR, LF, NUL) that become CR LF.
int64_t CountWidenedEnds(const wchar_t* text, int64_t count);
// Bytes of the text as the UTF-8 fragment with CR LF line ends.
uint64_t HtmlFragmentSize(const wchar_t* text, int64_t count);

void MakeClipboardText(GlobalMemory& block, const wchar_t* text, int64_t count,
                       uint64_t limit = kGlobalBlockLimit);

enum : int { kHtmlHeaderBuffer = 4000 };
// Writes the header, document start and start comment for a fragment of
// `fragment` bytes into buffer (kHtmlHeaderBuffer bytes); answers their
// length. CheckFailed when the offsets do not fit 31 bits.
int FormatHtmlHeader(char* buffer, uint64_t fragment);

// Texts this long get no HTML block (two units can make up to 6 bytes).
constexpr int64_t kMaxHtmlUnits = 0x40000000;
// False, leaving the block empty, when the text is too long for CF_HTML.
bool MakeClipboardHtml(GlobalMemory& block, const wchar_t* text, int64_t count,
                       uint64_t limit = kGlobalBlockLimit);

// The fragment of CF_HTML bytes, data of `size` bytes (no 0 byte needed).
struct HtmlFragment {
    int64_t start;
    int64_t end;
    // Both lines found with SF = EF inside the data: an empty text.
    bool empty;
};
HtmlFragment FindHtmlFragment(const uint8_t* data, int64_t size);

// Unicode text up to its NUL or the end of a block of `bytes` bytes.
String ClipboardTextOf(const void* data, size_t bytes);

// Readers of the open clipboard.
String ReadClipboardText();
String ReadClipboardHtml();

namespace Clipboard {

// The registered number of "HTML Format".
UINT HtmlFormat();

void SetText(GuiBase& window, const wchar_t* text, int64_t count);
void SetTextAndHtml(GuiBase& window, const wchar_t* text, int64_t count);
String GetText(GuiBase& window);
// The HTML fragment's markup; the plain text when there is no HTML.
String GetHtml(GuiBase& window);
void Empty(ClipboardHolder& holder);

} // namespace Clipboard
