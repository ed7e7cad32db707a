#pragma once

// The viewer's end of the window-message protocol with its caller: one
// registered message, always posted. The caller sends topics as numbers
// (9) or as UTF-8 text in pieces of six bytes (11 starts, 12 continues, 13
// ends with the length); the viewer reports start (1), a shown topic (2),
// closing (3) and a request for the caller's window (4).

#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

extern const wchar_t kProtocolMessageName[];

enum ProtocolCode : int32 {
    kViewerStarted = 1,
    kTopicShown = 2,
    kViewerClosing = 3,
    kCallerWanted = 4,
    kShowNumber = 9,
    kCloseViewer = 10,
    kTextStart = 11,
    kTextMore = 12,
    kTextEnd = 13,
};

class HelpProtocol {
public:
    // What a received message asks of the viewer.
    enum Request { kNothing, kShowTopic, kClose };

    // RegisterWindowMessageW; WinError when it fails.
    void Register();
    // Posts code to the caller with the viewer's window; a caller that is
    // gone is forgotten for good. False when nothing was posted.
    bool Post(int32 code, HWND viewer);

    // Decodes one message of the protocol; for kShowTopic the topic's id.
    Request Receive(WPARAM wParam, LPARAM lParam, String& topic);

    u32 message = 0;
    HWND caller = nullptr;

    enum : int32 { kBufferBytes = 256 };
    // The received bytes and room for the terminator written by code 13.
    u8 buffer[kBufferBytes + 1] = {};
    // invariant: 0 <= index <= kBufferBytes; bytes past the end are dropped
    int32 index = 0;

private:
    void Append(WPARAM wParam, LPARAM lParam);
};
