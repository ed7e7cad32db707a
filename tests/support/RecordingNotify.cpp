#include "support/RecordingNotify.h"

#include "base/Error.h"

int32 RecordingNotify::Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind)
{
    alerts.push_back({message ? message : L"", title ? title : L"", buttons ? buttons : L"", kind});
    return answer;
}

void RecordingNotify::SetTotal(int64 value)
{
    calls.push_back({'T', value});
    total = value;
    base = 0;
    if (onCall)
        onCall(calls.back());
}

void RecordingNotify::SetBase(int64 value)
{
    calls.push_back({'B', value});
    base = value;
    if (onCall)
        onCall(calls.back());
}

void RecordingNotify::Progress(int64 position)
{
    calls.push_back({'P', position});
    if (onCall)
        onCall(calls.back());
    int64 index = progressCalls++;
    if (cancelAt >= 0 && index >= cancelAt)
        throw Abort();
}

std::vector<int64> RecordingNotify::Positions() const
{
    std::vector<int64> positions;
    for (const Call& call : calls)
        if (call.what == 'P')
            positions.push_back(call.value);
    return positions;
}

int64 RecordingNotify::CountOf(char what) const
{
    int64 n = 0;
    for (const Call& call : calls)
        if (call.what == what)
            n++;
    return n;
}
