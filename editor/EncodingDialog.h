#pragma once

// Chooses an encoding for forcing, converting or saving a copy, with the BOM.

#include "base/Types.h"
#include "gui/Dialog.h"

class CheckMark;
class ListBox;

class EncodingDialog : public Dialog {
public:
    // The calling commands, which are also the ids of its buttons.
    enum : int32 { ForceCommand = 11083, ConvertCommand = 11084, SaveCopyCommand = 11009 };

    // Ended by Force (11083) or Convert (11084): encoding and bom take the
    // choice. Any other mode than the three commands selects.
    static int32 Run(Form* owner, int32 mode, int32& encoding, bool& bom);

    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    ListBox* list = nullptr;
    CheckMark* bomBox = nullptr;
};
