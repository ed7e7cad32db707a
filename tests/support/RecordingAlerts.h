#pragma once

// Answers and records the alerts of the editor's actions while it lives.

#include "actions/ActionBroker.h"

#include <deque>
#include <string>
#include <vector>

class RecordingAlerts {
public:
    struct Alert {
        Form* owner;
        std::wstring title;
        std::wstring message;  // the question, or the error's words
        std::wstring buttons;  // empty for error alerts
        int32 kind;
        int32 code;  // the error's code; 0 for questions
    };

    RecordingAlerts();
    ~RecordingAlerts();
    RecordingAlerts(const RecordingAlerts&) = delete;
    RecordingAlerts& operator=(const RecordingAlerts&) = delete;

    std::vector<Alert> alerts;
    // Answers to the next questions in order; 0 once they run out.
    std::deque<int32> answers;

private:
    static RecordingAlerts* active;
    static int32 Ask(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                     int32 kind);
    static void ShowError(Form* owner, const wchar_t* title, const Error& error);
};
