#include "helpviewer/HelpProtocol.h"

#include <doctest.h>

#include "base/CharUtils.h"
#include "base/StrFormat.h"
#include "base/WindowHandle.h"
#include "helpviewer/ViewerStart.h"

#include <cstring>
#include <string>

namespace {

// Sends text as a caller does: 11 with the first six bytes, 12 with each
// further six (the last padded with zeros), then 13 with the length.
HelpProtocol::Request Transfer(HelpProtocol& p, const std::string& bytes, int64 claimedLength, String& topic)
{
    size_t padded = (bytes.size() + 5) / 6 * 6;
    if (padded == 0)
        padded = 6;
    std::string b = bytes;
    b.resize(padded, '\0');
    for (size_t i = 0; i < padded; i += 6) {
        const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data() + i);
        WPARAM w = static_cast<WPARAM>((i == 0 ? kTextStart : kTextMore) | (u[0] << 16) | (u32(u[1]) << 24));
        LPARAM l = static_cast<LPARAM>(static_cast<int32>(u[2] | (u[3] << 8) | (u[4] << 16) | (u32(u[5]) << 24)));
        CHECK(p.Receive(w, l, topic) == HelpProtocol::kNothing);
    }
    return p.Receive(kTextEnd, static_cast<LPARAM>(claimedLength), topic);
}

}  // namespace

TEST_CASE("code 9 shows the number as a decimal topic, 10 closes, other codes nothing")
{
    HelpProtocol p;
    String topic;
    CHECK(p.Receive(kShowNumber, 0, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"0"));
    CHECK(p.Receive(kShowNumber | 0x10000, static_cast<LPARAM>(-5), topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"-5"));
    // Only the low 32 bits of lParam count.
    CHECK(p.Receive(kShowNumber, static_cast<LPARAM>(0xFFFFFFFFu), topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"-1"));
    CHECK(p.Receive(kCloseViewer, 0, topic) == HelpProtocol::kClose);
    for (int code : {0, 1, 2, 3, 4, 8, 14, 0xFFFF})
        CHECK(p.Receive(static_cast<WPARAM>(code), 0, topic) == HelpProtocol::kNothing);
}

TEST_CASE("a text transfer: seven bytes in two pieces, then the length; a wrong length changes nothing")
{
    HelpProtocol p;
    String topic;
    const std::string id = "r\xC3\xB3\xC5\xBC" "a1";  // "róża1": 7 bytes
    REQUIRE(id.size() == 7);
    CHECK(Transfer(p, id, 7, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"r\u00F3\u017Ca1"));
    CHECK(p.index == 0);

    topic = String(L"kept");
    CHECK(Transfer(p, id, 8, topic) == HelpProtocol::kNothing);
    CHECK(topic.Equals(L"kept"));
    CHECK(p.index == 12);
    // The buffer stays: a further 13 with the right length still shows it.
    CHECK(p.Receive(kTextEnd, 7, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"r\u00F3\u017Ca1"));

    // A byte-order mark is not part of the id; an empty text shows nothing.
    CHECK(Transfer(p, "\xEF\xBB\xBFidx", 6, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Equals(L"idx"));
    CHECK(Transfer(p, "", 0, topic) == HelpProtocol::kNothing);
}

TEST_CASE("bytes past 256 are dropped, so a longer text never matches its length")
{
    HelpProtocol p;
    String topic;
    std::string exact(256, 'a');
    CHECK(Transfer(p, exact, 256, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Length() == 256);
    // The terminator lands in the extra byte, not past the buffer.
    CHECK(p.buffer[256] == 0);

    std::string longer(300, 'b');
    CHECK(Transfer(p, longer, 300, topic) == HelpProtocol::kNothing);
    CHECK(p.index == 256);
    CHECK(p.buffer[256] == 0);
    CHECK(p.Receive(kTextEnd, 256, topic) == HelpProtocol::kShowTopic);
    CHECK(topic.Length() == 256);
}

TEST_CASE("posting: nothing without a caller; a caller that has gone is forgotten for good")
{
    HelpProtocol p;
    CHECK_FALSE(p.Post(kViewerStarted, nullptr));
    p.Register();
    CHECK(p.message == RegisterWindowMessageW(L"rovin WM by Vardemo"));
    CHECK_FALSE(p.Post(kViewerStarted, nullptr));

    HWND caller = CreateWindowExW(0, L"STATIC", L"caller", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    REQUIRE(caller);
    HWND viewer = reinterpret_cast<HWND>(0x1234);
    p.caller = caller;
    CHECK(p.Post(kTopicShown, viewer));
    MSG msg;
    REQUIRE(PeekMessageW(&msg, caller, p.message, p.message, PM_REMOVE));
    CHECK(msg.wParam == kTopicShown);
    CHECK(msg.lParam == reinterpret_cast<LPARAM>(viewer));

    DestroyWindow(caller);
    CHECK_FALSE(p.Post(kViewerClosing, viewer));
    CHECK(p.caller == nullptr);
}

TEST_CASE("window handles with the top bit of their 32-bit value set cross between 32- and 64-bit processes intact")
{
    HelpProtocol p;
    p.Register();
    p.caller = CreateWindowExW(0, L"STATIC", L"caller", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    REQUIRE(p.caller);
    for (u32 bits : {0x80000000u, 0x80012345u, 0xFFFFFFFEu, 0x7FFFFFFFu, 0x0002004Cu}) {
        INFO("handle bits " << bits);
        HWND handle = WindowHandleFromNumber(static_cast<int32>(bits));
        CHECK(static_cast<u32>(reinterpret_cast<uintptr_t>(handle)) == bits);
        // A 64-bit process sees handles sign-extended; a 32-bit one has no more bits.
        CHECK(WindowHandleNumber(handle) == static_cast<int32>(bits));

        // "hwnd:" as a process of either width writes it, and zero-extended:
        // the viewer reads the same handle.
        for (int64 written : {WindowHandleNumber(handle), static_cast<int64>(bits)}) {
            String arg = StrFormat(L"hwnd:[]", written);
            Array<String> args;
            args.Reset();
            args.Append(arg.CStr());
            CHECK(ReadViewerArguments(args).caller == handle);
        }

        // The viewer's handle in the lParam of its codes, read the caller's
        // way, also when it arrives zero-extended from a 32-bit sender.
        REQUIRE(p.Post(kViewerStarted, handle));
        MSG msg;
        REQUIRE(PeekMessageW(&msg, p.caller, p.message, p.message, PM_REMOVE));
        CHECK(WindowHandleFromNumber(static_cast<int64>(msg.lParam)) == handle);
        CHECK(WindowHandleFromNumber(static_cast<int64>(bits)) == handle);
    }
    DestroyWindow(p.caller);
}
