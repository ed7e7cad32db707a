// Copy as HTML and the two pastes, with the clipboard read and filled by
// this process as another program would.

#include "e2e/DialogDriver.h"

#include <doctest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

UINT HtmlFormat()
{
    return RegisterClipboardFormatW(L"HTML Format");
}

// The clipboard's bytes in a format; empty when it has none.
std::string ClipboardBytes(UINT format)
{
    std::string bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            bytes.assign(p, GlobalSize(data));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return bytes;
}

std::wstring ClipboardText()
{
    std::string bytes = ClipboardBytes(CF_UNICODETEXT);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// The number after "name:" in an HTML Format header; -1 when missing.
long HeaderNumber(const std::string& block, const char* name)
{
    size_t at = block.find(name);
    return at == std::string::npos ? -1 : std::atol(block.c_str() + at + std::strlen(name));
}

// The bytes an HTML Format block frames as its fragment.
std::string Fragment(const std::string& block)
{
    long start = HeaderNumber(block, "StartFragment:"), end = HeaderNumber(block, "EndFragment:");
    if (start < 0 || end < start || static_cast<size_t>(end) > block.size())
        return "<no fragment>";
    return block.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

HGLOBAL GlobalBytes(const void* bytes, size_t n)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
    memcpy(GlobalLock(h), bytes, n);
    GlobalUnlock(h);
    return h;
}

// Plain text and an HTML fragment, as a browser's copy leaves them.
void PutTextAndHtml(const std::wstring& text, const std::string& fragment)
{
    const char* head = "<html><body><!--StartFragment-->";
    const char* tail = "<!--EndFragment--></body></html>";
    const size_t headerLength = 105;  // five lines, ten digits each number
    size_t startFragment = headerLength + std::strlen(head);
    size_t endFragment = startFragment + fragment.size();
    size_t endHtml = endFragment + std::strlen(tail);
    char header[160];
    std::snprintf(header, sizeof(header),
                  "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\nEndFragment:%010zu\r\n",
                  headerLength, endHtml, startFragment, endFragment);
    REQUIRE(std::strlen(header) == headerLength);
    std::string block = std::string(header) + head + fragment + tail;
    REQUIRE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, GlobalBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    SetClipboardData(HtmlFormat(), GlobalBytes(block.c_str(), block.size() + 1));
    CloseClipboard();
}

}  // namespace

TEST_CASE("Ctrl+A, Ctrl+Shift+C leaves CR LF text and an HTML block framing it; Ctrl+V and Ctrl+Shift+V paste another program's text and tags")
{
    TempFolder texts;
    String path = texts / L"clip.txt";
    WriteFileBytes(path, "za\xC5\xBC\nline 2");
    EditorRun run("", Quoted(path));
    HWND main = run.WaitForMain();
    REQUIRE(WaitForTitleStart(main, L"clip.txt <"));
    ClearClipboard();
    PressInto(main, 'A', true);
    driver::PressKey('C', true, true);
    // Opened only once the copy is there: held open here, it would make the
    // editor's copy fail.
    CHECK(WaitUntil([] { return IsClipboardFormatAvailable(CF_UNICODETEXT) && IsClipboardFormatAvailable(HtmlFormat()); }));
    CHECK(ClipboardText() == L"za\u017C\r\nline 2");
    std::string html = ClipboardBytes(HtmlFormat());
    CHECK(html.compare(0, 8, "Version:") == 0);
    CHECK(Fragment(html) == "za\xC5\xBC\r\nline 2");

    PutTextAndHtml(L" plain", "<b>bold</b>");
    PressInto(main, VK_END, true);
    driver::PressKey('V', true);
    driver::PressKey('V', true, true);
    CHECK(SavedBytes(main, path) == "za\xC5\xBC\nline 2 plain<b>bold</b>");
    CHECK(run.CloseAndWait(main, driver::kPatience) == 0);
}
