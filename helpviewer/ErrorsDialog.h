#pragma once

#include "gui/Dialog.h"

class Button;
class EditText;
class HelpDocument;

// The list of markup errors of the help text, one "line: message" per row.
class ErrorsDialog : public Dialog {
public:
    enum : uint32_t { kDialogId = 30001 };

    ErrorsDialog() = default;

    // Creates the window and its controls, the list text in the edit box.
    void Build(Form* ownerForm, const String& listText);
    // OK and Esc close it like the close box.
    void OnCommand(MessageRecord& m) override;

    EditText* list = nullptr;
    Button* ok = nullptr;
};

// Builds the list of the document's errors and runs the dialog modally over
// owner (or none); returns the dialog's result.
int32_t ShowMarkupErrors(const HelpDocument& document, Form* owner);
