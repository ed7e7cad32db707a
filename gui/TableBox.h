#pragma once

// The system list view in report view: rows of text columns with full-row
// selection and a data value per row. Column widths are kept in 96-dpi units
// and rescaled when the DPI changes. Notifications go, as for every native
// control, to the window that contains it.

#include "gui/Control.h"

class TableBox : public Control {
public:
    // Option flags.
    enum : uint32_t {
        NoHeader = 1u << 26,
        Sorted = 1u << 27,
        HeightFollowsRows = 1u << 29,
        MultipleSelection = 1u << 30,
    };

    ~TableBox() override;

    // Creates the window; subclasses pass their own flags.
    void Init(ControlGroup* parentGroup, uint32_t flags, uint32_t controlId, const wchar_t* hintText);

    int ColumnCount();
    void AddColumn(const wchar_t* title, int width);
    // texts: the first for the row, the others for the further columns; a
    // null pointer ends them early.
    void AddRow(const wchar_t* const* texts, int64_t textCount, int64_t data);
    int RowCount();
    Array<int32_t> SelectedRows();
    void SelectRow(int index);
    // -1 when the row cannot be read.
    int64_t RowData(int index);

    void SetBounds(const RECT& rect) override;
    void Measure(SizeLimits& limits) override;
    void ApplyFont(const GdiObj& font, bool deferred) override;

    uint32_t options = 0;
    int32_t frameInset = 4;
    // invariant: one width per column, in 96-dpi units.
    PodArray<int32_t> widths;
    int32_t lastDpi = 0;
    GdiObj ownFont;
};

// A table without header, sorted by the first column, one row selectable.
TableBox* NewTableBox(ControlGroup* parent, uint32_t controlId, const wchar_t* hint);
TableBox* NewTableBox(ControlGroup* parent, uint32_t flags, uint32_t controlId, const wchar_t* hint);
