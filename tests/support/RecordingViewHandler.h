#pragma once

#include "view/TextView.h"

#include <string>
#include <vector>

// A TextView::Handler that only notes what it was told, in order.
class RecordingViewHandler : public TextView::Handler {
public:
    enum Kind { KeyDown, Char, CaretMovedByMouse, Focus, ContextMenu, ImeText };

    struct Event {
        Kind kind;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        int32 flag;
        std::wstring text;
        TextView* view;
    };

    void OnKeyDown(MessageRecord& m, TextView* view) override;
    void OnChar(MessageRecord& m, TextView* view) override;
    void OnCaretMovedByMouse(TextView* view) override;
    void OnFocus(TextView* view) override;
    void OnContextMenu(MessageRecord& m, TextView* view) override;
    void OnImeText(int32 flag, String text, TextView* view) override;

    // How many events of a kind arrived.
    int Count(Kind kind) const;
    // The last event of a kind; a test must check Count first.
    const Event& Last(Kind kind) const;

    std::vector<Event> events;
};
