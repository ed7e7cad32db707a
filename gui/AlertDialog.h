#pragma once

// The program's own message box: up to four free button labels, one of them
// the default ("+") and one the cancel button ("-"); answers the position of
// the chosen button. Ctrl+C copies the box as text.

#include "gui/Dialog.h"

class Button;
class ButtonsBar;
class StaticIcon;

class AlertDialog : public Dialog {
public:
    enum : int32_t { MaxButtons = 4, FirstPlainId = 50 };

    AlertDialog();
    ~AlertDialog() override;

    // Builds the box, runs it over owner and answers the 0-based position of
    // the chosen button, or -1 when the run ended without one.
    int32_t Run(Form* ownerForm, const wchar_t* text, const wchar_t* title, const wchar_t* list,
                int32_t kind);
    // InternalError for an empty list, an empty label or more than four.
    void CreateButtons(ButtonsBar* bar, const wchar_t* list);
    void LoadIcon(int dpiValue);
    void CopyAsText();

    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;
    bool PreTranslate(MSG& msg) override;

    int32_t defaultPosition;
    int32_t cancelPosition;
    Button* focusButton;
    GdiObj windowBrush;
    Button* buttons[MaxButtons];
    // System icon resource, 0 for none.
    uint32_t iconId;
    StaticIcon* iconControl;
    String message;
    String buttonList;
};

// Kinds of alert: the icon and the sound.
enum AlertKind : int32_t { AlertPlain = 0, AlertWarning = 1, AlertError = 2, AlertQuestion = 3,
                           AlertInformation = 4 };

int32_t ShowAlert(Form* owner, const wchar_t* message, const wchar_t* title,
                  const wchar_t* buttonList, int32_t kind);
int32_t ShowAlertString(Form* owner, const String& message, const wchar_t* title,
                        const wchar_t* buttonList, int32_t kind);
