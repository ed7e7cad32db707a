#pragma once

// A short message flashed near a screen point for about a second, blinking,
// in a borderless pop-up that never takes the activation.

#include "gui/Form.h"

class PopupAlert : public Form {
public:
    ~PopupAlert() override;

    // Shows text centred on a screen point, inside the monitor's work area;
    // a message already shown is replaced and its second starts again.
    void ShowAt(const wchar_t* text, POINT point);

    void OnPaint(MessageRecord& m) override;
    void OnCancelMode(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;

    Form* alertOwner = nullptr;
    String message;
    // Timer ticks since the message was shown.
    int32_t ticks = 0;
    // Counts shows and ticks, never reset: every third phase hides the text.
    int32_t paintCounter = 0;
};

enum : UINT_PTR { PopupAlertTimer = 99 };

PopupAlert* NewPopupAlert(Form* owner);

// Splits text at CR, LF or CR LF and calls line(start, length) for each line.
template <class F>
void ForEachLine(const wchar_t* text, int64_t length, F line)
{
    int64_t start = 0;
    while (start < length) {
        int64_t end = start;
        while (end < length && text[end] != L'\r' && text[end] != L'\n')
            end++;
        line(text + start, end - start);
        if (end + 1 < length && text[end] == L'\r' && text[end + 1] == L'\n')
            end++;
        start = end + 1;
    }
}
