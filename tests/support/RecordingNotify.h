#pragma once

#include "base/Types.h"
#include "text/TextNotify.h"

#include <functional>
#include <string>
#include <vector>

// A TextNotify that records every call, answers questions with a chosen
// button and can cancel at a chosen Progress call.
class RecordingNotify : public TextNotify {
public:
    struct AlertCall {
        std::wstring message;
        std::wstring title;
        std::wstring buttons;
        int32 kind;
    };
    // One SetTotal ('T'), SetBase ('B') or Progress ('P') call.
    struct Call {
        char what;
        int64 value;
    };

    int32 Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind) override;
    void SetTotal(int64 total) override;
    void SetBase(int64 base) override;
    void Progress(int64 position) override;

    // The Progress positions in order.
    std::vector<int64> Positions() const;
    int64 CountOf(char what) const;

    // Runs after each SetTotal, SetBase and Progress call is recorded.
    std::function<void(const Call&)> onCall;

    int32 answer = 0;        // button index that Alert returns
    // 0-based Progress call from which on every call throws Abort, as after a
    // press of Cancel; -1 never.
    int64 cancelAt = -1;
    int64 progressCalls = 0;
    int64 total = 0;
    int64 base = 0;
    std::vector<AlertCall> alerts;
    std::vector<Call> calls;
};
