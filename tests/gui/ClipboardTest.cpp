#include "GuiTestSupport.h"

#include "gui/Clipboard.h"
#include "support/CaughtError.h"

#include <cstdio>
#include <random>
#include <string>

namespace doctest {
template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text)
    {
        std::string out = "\"";
        for (wchar_t c : text) {
            char unit[12];
            if (c >= 32 && c < 127)
                snprintf(unit, sizeof unit, "%c", static_cast<char>(c));
            else
                snprintf(unit, sizeof unit, "\\u%04x", static_cast<unsigned>(c));
            out += unit;
        }
        return (out + "\"").c_str();
    }
};
} // namespace doctest

namespace {

// Bytes placed at the very end of a readable page followed by a page that
// faults on any access: whoever reads past them crashes the test.
class GuardedBytes {
public:
    explicit GuardedBytes(const void* bytes, size_t n)
    {
        base = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        REQUIRE(base);
        DWORD old;
        REQUIRE(VirtualProtect(base + kPage, kPage, PAGE_NOACCESS, &old));
        REQUIRE(n <= kPage);
        data = base + kPage - n;
        memcpy(data, bytes, n);
    }
    ~GuardedBytes() { VirtualFree(base, 0, MEM_RELEASE); }
    static constexpr size_t kPage = 4096;
    uint8_t* base;
    uint8_t* data;
};

// The text as the clipboard must hold it: every lone CR, LF or NUL a CR LF.
std::wstring Normalised(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); i++) {
        wchar_t c = text[i];
        if (c == 13 || c == 10 || c == 0) {
            out += L"\r\n";
            if (c == 13 && i + 1 < text.size() && text[i + 1] == 10)
                i++;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring Str(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

// The raw bytes of a clipboard format, as GlobalSize bounds them.
std::string RawData(Form& form, UINT format)
{
    REQUIRE(OpenClipboard(form.hwnd));
    std::string bytes;
    if (HANDLE h = GetClipboardData(format)) {
        if (void* p = GlobalLock(h)) {
            bytes.assign(static_cast<const char*>(p), GlobalSize(h));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return bytes;
}

// Puts foreign "HTML Format" bytes (exactly these, no 0 added) and
// optionally a text on the clipboard, as another program would.
void PutForeign(Form& form, const std::string& html, const wchar_t* text = nullptr)
{
    REQUIRE(OpenClipboard(form.hwnd));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, html.size());
    REQUIRE(h);
    memcpy(GlobalLock(h), html.data(), html.size());
    GlobalUnlock(h);
    REQUIRE(SetClipboardData(Clipboard::HtmlFormat(), h));
    if (text) {
        size_t bytes = (wcslen(text) + 1) * 2;
        HGLOBAL t = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(t), text, bytes);
        GlobalUnlock(t);
        REQUIRE(SetClipboardData(CF_UNICODETEXT, t));
    }
    CloseClipboard();
}

long HeaderValue(const std::string& bytes, const char* key)
{
    size_t at = bytes.find(key);
    REQUIRE(at != std::string::npos);
    return strtol(bytes.c_str() + at + strlen(key), nullptr, 10);
}

} // namespace

TEST_CASE("clipboard text and HTML round trips with every kind of line end and surrogates")
{
    TestForm form;
    Clipboard::SetText(form, L"1\r2\n3\r\n4\0005", 10);
    CHECK(Str(Clipboard::GetText(form)) == std::wstring(L"1\r\n2\r\n3\r\n4\r\n5"));
    std::string raw = RawData(form, CF_UNICODETEXT);
    REQUIRE(raw.size() >= 28);
    CHECK(raw.compare(26, 2, std::string("\0\0", 2)) == 0);

    const std::wstring pieces[] = {L"a",      L"\r",       L"\n",           L"\r\n",
                                   std::wstring(1, L'\0'), L"\u00e9", L"\u4e2d",
                                   L"\U0001F600", L"<b>",   L" "};
    unsigned seed = 20261208;
    std::mt19937 random(seed);
    for (int round = 0; round < 60; round++) {
        std::wstring text;
        int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; i++) {
            size_t k = random() % 10;
            text += pieces[k];
        }
        INFO("seed " << seed << " round " << round);
        std::wstring expected = Normalised(text);
        const int64_t count = static_cast<int64_t>(text.size());
        if (round % 2) {
            Clipboard::SetText(form, text.data(), count);
            CHECK(Str(Clipboard::GetText(form)) == expected);
            // Only text: the HTML reader gives the text.
            CHECK(Str(Clipboard::GetHtml(form)) == expected);
        } else {
            Clipboard::SetTextAndHtml(form, text.data(), count);
            CHECK(Str(Clipboard::GetText(form)) == expected);
            CHECK(Str(Clipboard::GetHtml(form)) == expected);
            std::string html = RawData(form, Clipboard::HtmlFormat());
            long sf = HeaderValue(html, "StartFragment:"), ef = HeaderValue(html, "EndFragment:");
            CHECK(static_cast<uint64_t>(ef - sf) == HtmlFragmentSize(text.data(), count));
        }
    }

    REQUIRE(OpenClipboard(form.hwnd));
    EmptyClipboard();
    CloseClipboard();
    CHECK(Clipboard::GetText(form).IsEmpty());
    CHECK(Clipboard::GetHtml(form).IsEmpty());
}

TEST_CASE("HTML Format offsets name the bytes they count")
{
    TestForm form;
    for (const wchar_t* text : {L"abc", L"", L"x\u00e9\U0001F600y"}) {
        INFO(text);
        int64_t count = static_cast<int64_t>(wcslen(text));
        Clipboard::SetTextAndHtml(form, text, count);
        std::string bytes = RawData(form, Clipboard::HtmlFormat());
        CHECK(bytes.compare(0, 23, "Version:0.9\r\nStartHTML:") == 0);
        long sh = HeaderValue(bytes, "StartHTML:"), eh = HeaderValue(bytes, "EndHTML:");
        long sf = HeaderValue(bytes, "StartFragment:"), ef = HeaderValue(bytes, "EndFragment:");
        REQUIRE(static_cast<size_t>(eh) < bytes.size());
        CHECK(bytes.compare(static_cast<size_t>(sh), 6, "<html>") == 0);
        CHECK(bytes.find("\r\n<html>") == static_cast<size_t>(sh) - 2);
        CHECK(bytes.compare(static_cast<size_t>(sf) - 20, 20, "<!--StartFragment-->") == 0);
        CHECK(bytes.compare(static_cast<size_t>(ef), 18, "<!--EndFragment-->") == 0);
        CHECK(bytes[static_cast<size_t>(eh)] == '\0');
        CHECK(bytes.compare(static_cast<size_t>(eh) - 9, 9, "</html>\r\n") == 0);
        std::string fragment = bytes.substr(static_cast<size_t>(sf), static_cast<size_t>(ef - sf));
        if (count == 0)
            CHECK(fragment.empty());
        else if (count == 3)
            CHECK(fragment == "abc");
        else
            CHECK(fragment == "x\xc3\xa9\xf0\x9f\x98\x80y");
        CHECK(Str(Clipboard::GetHtml(form)) == text);
    }

    // Offsets consistent across the lengths where their digits grow.
    char buffer[kHtmlHeaderBuffer];
    for (uint64_t b : {0ull, 9ull, 740ull, 9830ull, 99835ull, 999999ull, 2147483000ull}) {
        INFO(b);
        int p = FormatHtmlHeader(buffer, b);
        std::string header(buffer, static_cast<size_t>(p));
        CHECK(HeaderValue(header, "StartFragment:") == p);
        CHECK(static_cast<uint64_t>(HeaderValue(header, "EndFragment:")) == p + b);
        CHECK(static_cast<uint64_t>(HeaderValue(header, "EndHTML:")) == p + b + 38);
        CHECK(header.compare(static_cast<size_t>(HeaderValue(header, "StartHTML:")), 6, "<html>") == 0);
    }
    Error e = CaughtError([&] { FormatHtmlHeader(buffer, 2147483600ull); });
    CHECK(e.code == -7);
    CHECK(HasMessage(e, L"AsInt(size_t)"));
}

TEST_CASE("foreign HTML Format data is read within its block")
{
    TestForm form;
    const std::string page = "<html><body>";
    struct Case {
        const char* name;
        std::string header;
        const wchar_t* expected;  // null: the whole data
    };
    // The body starts at offset 100 of every block; "<i>q</i>" sits at 112..120.
    const Case cases[] = {
        {"plain", "Version:0.9\r\nStartFragment:112\r\nEndFragment:120\r\n", L"<i>q</i>"},
        {"end line first", "Version:0.9\r\nEndFragment:120\r\nStartFragment:112\r\n", L"<i>q</i>"},
        {"lower case, blanks", "version:0.9\r\nstartfragment: \t112\r\nendfragment:  120\r\n",
         L"<i>q</i>"},
        {"digits past 2^32", "Version:0.9\r\nStartFragment:112\r\nEndFragment:4294967416\r\n",
         L"<i>q</i></body>"},
        {"no end line", "Version:0.9\r\nStartFragment:115\r\n", L"q</i></body>"},
        {"offsets past the end", "Version:0.9\r\nStartFragment:500\r\nEndFragment:900\r\n",
         nullptr},
        {"neither line", "Version:0.9\r\n", nullptr},
        {"empty fragment", "Version:0.9\r\nStartFragment:112\r\nEndFragment:112\r\n", L""},
    };
    for (const Case& c : cases) {
        INFO(c.name);
        std::string data = c.header;
        data.resize(100, ' ');
        data += page + "<i>q</i></body>";
        // No terminating 0: the block's size is the bound.
        PutForeign(form, data, L"plain");
        std::wstring expected = c.expected ? c.expected : std::wstring(data.begin(), data.end());
        CHECK(Str(Clipboard::GetHtml(form)) == expected);
    }

    // Data cut by a 0 byte ends there.
    std::string cut = "Version:0.9\r\nStartFragment:31\r\n";
    cut += std::string("ab\0cd", 5);
    PutForeign(form, cut);
    CHECK(Str(Clipboard::GetHtml(form)) == std::wstring(L"ab"));

    // Unicode text without its NUL (Wine puts one in; other programs may
    // not) stops at the block's end.
    GuardedBytes xyz(L"xyz", 6);
    CHECK(Str(ClipboardTextOf(xyz.data, 6)) == std::wstring(L"xyz"));
    CHECK(Str(ClipboardTextOf(xyz.data, 5)) == std::wstring(L"xy"));
}

TEST_CASE("HTML Format listed without data falls back to the text")
{
    TestForm form;
    REQUIRE(OpenClipboard(form.hwnd));
    EmptyClipboard();
    HGLOBAL t = GlobalAlloc(GMEM_MOVEABLE, 10);
    memcpy(GlobalLock(t), L"text", 10);
    GlobalUnlock(t);
    REQUIRE(SetClipboardData(CF_UNICODETEXT, t));
    // Delayed rendering that the owner (a window that renders nothing) never gives,
    // or a block of no bytes.
    SetClipboardData(Clipboard::HtmlFormat(), nullptr);
    if (!IsClipboardFormatAvailable(Clipboard::HtmlFormat()))
        SetClipboardData(Clipboard::HtmlFormat(), GlobalAlloc(GMEM_MOVEABLE, 0));
    CHECK(IsClipboardFormatAvailable(Clipboard::HtmlFormat()));
    CloseClipboard();
    CHECK(Str(Clipboard::GetHtml(form)) == std::wstring(L"text"));
}

TEST_CASE("the fragment parser never reads past the data")
{
    const char* inputs[] = {
        "Version:0.9\r\nStartFragment:",
        "Version:0.9\r\nStartFragment:12",
        "Version:0.9\r\nStartFrag",
        "x\nEndFragment:  ",
        "x\nStartFragment:1\nEndFragment:3",
        "\n",
    };
    for (const char* input : inputs) {
        INFO(input);
        size_t n = strlen(input);
        GuardedBytes guarded(input, n);
        HtmlFragment f = FindHtmlFragment(guarded.data, static_cast<int64_t>(n));
        CHECK(f.start >= 0);
        CHECK(f.start <= f.end);
        CHECK(f.end <= static_cast<int64_t>(n));
    }
    GuardedBytes both("x\nStartFragment:1\nEndFragment:3", 31);
    HtmlFragment f = FindHtmlFragment(both.data, 31);
    CHECK(f.start == 1);
    CHECK(f.end == 3);

    // A text ending in CR at the edge of the page: its CR LF is written, the
    // unit after it is never read.
    const wchar_t text[] = {L'a', L'\r'};
    GuardedBytes units(text, sizeof text);
    GlobalMemory block;
    MakeClipboardText(block, reinterpret_cast<const wchar_t*>(units.data), 2);
    const wchar_t* written = static_cast<const wchar_t*>(block.Lock());
    CHECK(std::wstring(written) == std::wstring(L"a\r\n"));
    CHECK(HtmlFragmentSize(reinterpret_cast<const wchar_t*>(units.data), 2) == 3);
    block.Unlock();
}

TEST_CASE("block sizes are checked in 64 bits against the limit of a 32-bit program")
{
    const uint64_t limit32 = 0xFFFFFFFFull;
    CHECK(ClipboardTextSize(0x7FFFFFFE, 0, limit32) == 0xFFFFFFFEull);
    CHECK(ClipboardTextSize(0x40000000, 0x3FFFFFFE, limit32) == 0xFFFFFFFEull);
    // (count + ends) x 2 + 2 would wrap to 0 or 2 in 32 bits.
    CHECK(CaughtError([&] { ClipboardTextSize(0x7FFFFFFF, 0, limit32); }).code == 8);
    CHECK(CaughtError([&] { ClipboardTextSize(0x7FFFFFFF, 1, limit32); }).code == 8);
    if (sizeof(size_t) == 8)
        CHECK(ClipboardTextSize(0x7FFFFFFF, 1, kGlobalBlockLimit) == 0x100000002ull);

    CHECK(ClipboardHtmlSize(200, limit32 - 239, limit32) == limit32);
    CHECK(CaughtError([&] { ClipboardHtmlSize(200, limit32 - 238, limit32); }).code == 8);
    CHECK(CaughtError([&] { ClipboardHtmlSize(200, ~0ull, limit32); }).code == 8);

    // The blocks themselves obey the limit passed in, before any allocation.
    GlobalMemory block;
    CHECK(CaughtError([&] { MakeClipboardText(block, L"abc\n", 4, 11); }).code == 8);
    CHECK(block.IsEmpty());
    MakeClipboardText(block, L"abc\n", 4, 12);
    CHECK_FALSE(block.IsEmpty());
    GlobalMemory html;
    CHECK(CaughtError([&] { MakeClipboardHtml(html, L"abc", 3, 100); }).code == 8);
    CHECK(html.IsEmpty());

    // A text of 2^30 units or more gets no HTML block, and nothing of it is read.
    GuardedBytes nothing("", 0);
    CHECK_FALSE(MakeClipboardHtml(html, reinterpret_cast<const wchar_t*>(nothing.data),
                                  kMaxHtmlUnits));
    CHECK(html.IsEmpty());
}

TEST_CASE("a clipboard held by another thread fails at once with access denied")
{
    TestForm form;
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Events {
        HANDLE opened, release;
    } events = {opened, release};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* e = static_cast<Events*>(p);
            HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                     nullptr, nullptr);
            BOOL ok = OpenClipboard(w);
            SetEvent(e->opened);
            WaitForSingleObject(e->release, INFINITE);
            if (ok)
                CloseClipboard();
            DestroyWindow(w);
            return ok ? 0 : 1;
        },
        &events, 0, nullptr);
    REQUIRE(thread);
    WaitForSingleObject(opened, INFINITE);
    Error set = CaughtError([&] { Clipboard::SetText(form, L"x", 1); });
    Error get = CaughtError([&] { Clipboard::GetHtml(form); });
    SetEvent(release);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    CloseHandle(opened);
    CloseHandle(release);
    CHECK(code == 0);
    CHECK(set.code == 5);
    CHECK(get.code == 5);
    // And once it is free again, the clipboard works.
    Clipboard::SetText(form, L"x", 1);
    CHECK(Str(Clipboard::GetText(form)) == std::wstring(L"x"));
}
