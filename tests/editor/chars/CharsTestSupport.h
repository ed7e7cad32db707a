#pragma once

#include "base/UiLanguage.h"
#include "editor/CharsTable.h"
#include "gui/Form.h"
#include "support/Pump.h"

#include <functional>
#include <string>
#include <vector>

// A window holding one characters table, recording its notifications with
// the code the table reported.
class GridHost : public Form {
public:
    struct Note {
        int id;
        int code;
        int32 value;
    };

    explicit GridHost(const CodePageTable* table)
    {
        Create(MainWindow, L"GridHost", nullptr, 5);
        BuildFonts(GetDpi());
        grid = NewCharsTableBox(this, 20701, table);
        SizeLimits limits;
        grid->Measure(limits);
        SetBounds({0, 0, limits.minWidth + 40, limits.minHeight + 60});
        grid->SetBounds({0, 0, limits.minWidth, limits.minHeight});
        Show();
        Pump();
    }
    void OnCommand(MessageRecord& m) override
    {
        notes.push_back({LOWORD(m.wParam), HIWORD(m.wParam), grid->CurrentCode()});
    }
    // The notifications with the code, after the given one.
    std::vector<int32> Codes(int code) const
    {
        std::vector<int32> out;
        for (const Note& n : notes)
            if (n.code == code)
                out.push_back(n.value);
        return out;
    }
    void Key(WPARAM key) { grid->SendMsg(WM_KEYDOWN, key, 0); }
    void Char(WPARAM c) { grid->SendMsg(WM_CHAR, c, 0); }
    void Mouse(UINT msg, int x, int y) { grid->SendMsg(msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(x, y)); }
    // The centre of a visible cell.
    POINT CellCentre(int32 index) const
    {
        int32 row = index / 16 - grid->firstRow;
        return {grid->headerWidth + (index % 16) * grid->cellWidth + grid->cellWidth / 2,
                row * grid->rowHeight + grid->rowHeight / 2};
    }

    CharsTableBox* grid = nullptr;
    std::vector<Note> notes;
};
