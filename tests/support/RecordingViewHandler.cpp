#include "support/RecordingViewHandler.h"

void RecordingViewHandler::OnKeyDown(MessageRecord& m, TextView* view)
{
    events.push_back({KeyDown, m.msg, m.wParam, m.lParam, 0, {}, view});
}

void RecordingViewHandler::OnChar(MessageRecord& m, TextView* view)
{
    events.push_back({Char, m.msg, m.wParam, m.lParam, 0, {}, view});
}

void RecordingViewHandler::OnCaretMovedByMouse(TextView* view)
{
    events.push_back({CaretMovedByMouse, 0, 0, 0, 0, {}, view});
}

void RecordingViewHandler::OnFocus(TextView* view)
{
    events.push_back({Focus, 0, 0, 0, 0, {}, view});
}

void RecordingViewHandler::OnContextMenu(MessageRecord& m, TextView* view)
{
    events.push_back({ContextMenu, m.msg, m.wParam, m.lParam, 0, {}, view});
}

void RecordingViewHandler::OnImeText(int32 flag, String text, TextView* view)
{
    events.push_back({ImeText, 0, 0, 0, flag, std::wstring(text.CStr(), static_cast<size_t>(text.Length())), view});
}

int RecordingViewHandler::Count(Kind kind) const
{
    int n = 0;
    for (const Event& e : events)
        if (e.kind == kind)
            n++;
    return n;
}

const RecordingViewHandler::Event& RecordingViewHandler::Last(Kind kind) const
{
    for (auto it = events.rbegin(); it != events.rend(); ++it)
        if (it->kind == kind)
            return *it;
    return events.back();
}
