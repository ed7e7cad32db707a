#pragma once

// The character picker: characters collected in a text field, chosen in the
// characters table or typed as a hexadecimal code; OK hands the text over.
// With a code page it offers exactly that page's 256 characters.

#include "base/String.h"
#include "base/Types.h"
#include "gui/Dialog.h"

struct CodePageTable;
class CharsTableBox;
class EditLine;

class CharDialog : public Dialog {
public:
    enum : uint32_t { BaseId = 20700, GridId = 20701, CodeId = 20702, TextId = 20703 };

    CharDialog();

    void Build(Form* owner, const wchar_t* title, const wchar_t* face, u32 size, const CodePageTable* table);

    // Whether the dialog's encoding holds the code; when it does not and
    // alert is set, the user is told so first.
    bool IsCodeAllowed(int32 code, bool alert);
    // Hexadecimal digits from the start, spaces skipped, up to the first
    // other character; -1 when there is no digit. Values above U+10FFFF
    // stay above it, however many digits follow.
    static int32 ParseHexCode(const String& text);
    // Adds the character after the text field's selection, which stays.
    void InsertChar(int32 code);

    void Measure(SizeLimits& limits) override;
    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;

    CharsTableBox* grid;
    EditLine* codeField;
    EditLine* textField;
    const CodePageTable* codeTable;
    String fontFace;
    u32 fontSize;
    u8 fontBold;
    u8 fontItalic;
    u32 fontDpi;
    GdiObj dialogFont;
};

// 1 (OK: text receives the collected characters) or 2 (Cancel or closed).
int32 RunCharDialog(String& text, Form* owner, const wchar_t* title, const wchar_t* face, u32 size,
                    const CodePageTable* table);
