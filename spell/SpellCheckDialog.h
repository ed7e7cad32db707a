#pragma once

// The modeless tool window of a spell-check run: the unknown word, the
// dictionary's suggestions and six buttons. It decides nothing: each button
// becomes a command of its owner, whose run finds, ignores, adds and
// replaces words. At most one is open at a time.

#include "base/Array.h"
#include "base/String.h"
#include "gui/Dialog.h"

class EditLine;
class ListBox;

enum SpellCheckIds : uint32_t {
    kSpellDialogId = 13000,
    kSpellWordId = 13001,
    kSpellSuggestionsId = 13002,
    kSpellNextCommand = 13003,
    kSpellIgnoreCommand = 13004,
    kSpellAddCommand = 13005,
    kSpellReplaceCommand = 13006,
    kSpellReplaceAllCommand = 13007,
    kSpellEndCommand = 13008,
};

class SpellCheckDialog : public Dialog {
public:
    // Builds and shows the window beside owner (or where the last one stood)
    // and makes it the open instance.
    static SpellCheckDialog* Create(Form* owner);
    // The open window, or null.
    static SpellCheckDialog* Instance();
    // Destroys the open window. While one of its commands is still being
    // handled it is only hidden and let go; it deletes itself once that
    // handler has returned.
    static void CloseInstance();

    // Both are empty when no window is open.
    static String GetWord();
    static String GetSelectedSuggestion();
    static void SetWord(const String& word);
    static void SetSuggestions(const Array<String>& suggestions);

    // Where the last window stood when it was destroyed; left == right is none.
    static RECT RememberedRect();
    static void ForgetRect();

    ~SpellCheckDialog() override;

    void OnCommand(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;
    void DefaultProc(MessageRecord& m) override;

    Form* commandOwner = nullptr;  // not owned
    EditLine* wordField = nullptr;
    ListBox* suggestionList = nullptr;

private:
    void Forward(uint32_t command);

    int32 running_ = 0;  // owner's handlers of our commands on the stack
    bool closing_ = false;  // let go while running: delete when they return
};

// Moves rect (placed at 0, 0 with the window's size) beside anchor, on the
// side of the nearest monitor's work area with more room (right on a tie),
// its top 40 pixels below the anchor's.
void PlaceBesideRect(const RECT& anchor, RECT& rect);
