#pragma once

// Asks for the word to find in the help, on the current page or in every
// section.

#include "gui/Dialog.h"

class Button;
class CheckMark;
class EditLine;

class HelpFindDialog : public Dialog {
public:
    enum : uint32_t { kDialogId = 177 };

    // The edit line holds lastWord, all of it selected; the all-sections box
    // is checked while there is no last word yet.
    void Build(Form* ownerForm, const String& lastWord);
    // OK (1) and Cancel (2) end the dialog with that result.
    void OnCommand(MessageRecord& m) override;

    EditLine* word = nullptr;
    CheckMark* everywhere = nullptr;
    Button* ok = nullptr;
};

// Runs the dialog over owner; true for OK, with the word and the box.
bool AskFindWord(Form* owner, const String& lastWord, String& word, bool& everywhere);
