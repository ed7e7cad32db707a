#pragma once

// The dictionary manager: choose a primary and an optional secondary
// dictionary, and add (.aff/.dic or .zip), remove and rename installed ones.
// It works on files only; dictionaries already loaded stay as they are.

#include "base/Array.h"
#include "base/Error.h"
#include "base/String.h"
#include "gui/Dialog.h"
#include "spell/CorrectorDict.h"

class CheckMark;
class TableBox;

enum SpellingDictsIds : uint32_t {
    kDictsDialogId = 22200,
    kDictsPrimaryId = 22201,
    kDictsAddId = 22202,
    kDictsRemoveId = 22203,
    kDictsRenameId = 22204,
    kDictsSecondaryCheckId = 22205,
    kDictsSecondaryId = 22206,
};

class SpellingDictsDialog : public Dialog {
public:
    // 1 with the choice in out ("name" or "primary\rsecondary"), 2 when
    // cancelled, -1 when accepted without a usable row. current preselects
    // the row of that name.
    static int32 Run(String& out, Form* owner, const String& current);
    static int32 Run(String& out, Form* owner, const String& current, const DictFolders& folders);

    void OnCommand(MessageRecord& m) override;
    void OnNotify(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;

    void FillLists();
    void Add();
    void Remove();
    void Rename();
    // The name of primaryList's selected row; false when none.
    bool SelectedName(String& name);

    DictFolders folders;
    Array<String> names;  // a row's data value is its index here
    TableBox* primaryList = nullptr;
    CheckMark* secondaryCheck = nullptr;
    TableBox* secondaryList = nullptr;
};

// The manager's questions and error alerts. Tests answer and record them
// through this table; a null table (or slot) means the program's own boxes.
struct DictsDialogAlerts {
    int32 (*ask)(Form* owner, const wchar_t* message, const wchar_t* title, const wchar_t* buttons, int32 kind);
    void (*showError)(Form* owner, const wchar_t* title, const Error& error);
};
void SetDictsDialogAlerts(const DictsDialogAlerts* calls);
