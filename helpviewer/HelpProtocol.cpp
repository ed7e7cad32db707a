#include "helpviewer/HelpProtocol.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/StrFormat.h"

const wchar_t kProtocolMessageName[] = L"rovin WM by Vardemo";

void HelpProtocol::Register()
{
    message = RegisterWindowMessageW(kProtocolMessageName);
    if (message == 0)
        throw WinError(GetLastError());
}

bool HelpProtocol::Post(int32 code, HWND viewer)
{
    if (message == 0 || !caller)
        return false;
    if (!IsWindow(caller)) {
        caller = nullptr;
        return false;
    }
    return PostMessageW(caller, message, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(viewer)) != 0;
}

void HelpProtocol::Append(WPARAM wParam, LPARAM lParam)
{
    u32 w = static_cast<u32>(wParam);
    u32 l = static_cast<u32>(lParam);
    u8 bytes[6] = {static_cast<u8>(w >> 16), static_cast<u8>(w >> 24), static_cast<u8>(l),
                   static_cast<u8>(l >> 8), static_cast<u8>(l >> 16), static_cast<u8>(l >> 24)};
    for (u8 b : bytes) {
        if (index < kBufferBytes)
            buffer[index++] = b;
    }
}

HelpProtocol::Request HelpProtocol::Receive(WPARAM wParam, LPARAM lParam, String& topic)
{
    switch (static_cast<int32>(wParam & 0xFFFF)) {
    case kShowNumber:
        topic = StrFormat(L"[]", static_cast<int64>(static_cast<int32>(lParam)));
        return kShowTopic;
    case kCloseViewer:
        return kClose;
    case kTextStart:
        index = 0;
        Append(wParam, lParam);
        return kNothing;
    case kTextMore:
        Append(wParam, lParam);
        return kNothing;
    case kTextEnd: {
        buffer[index] = 0;
        int64 length = 0;
        while (buffer[length] != 0)
            length++;
        if (length != static_cast<int64>(static_cast<int32>(lParam)))
            return kNothing;
        topic = Utf8ToString(buffer, length);  // skips a byte-order mark
        index = 0;
        return topic.IsEmpty() ? kNothing : kShowTopic;
    }
    default:
        return kNothing;
    }
}
