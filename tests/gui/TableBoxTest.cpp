#include "GuiTestSupport.h"

#include "gui/TableBox.h"

#include <commctrl.h>

#include <string>

namespace {

int ColumnWidth(TableBox* t, int column)
{
    return static_cast<int>(t->SendMsg(LVM_GETCOLUMNWIDTH, column, 0));
}

std::wstring Cell(TableBox* t, int row, int column)
{
    wchar_t text[128] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    t->SendMsg(LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void AddRow(TableBox* t, std::initializer_list<const wchar_t*> texts, int64_t data)
{
    t->AddRow(texts.begin(), static_cast<int64_t>(texts.size()), data);
}

} // namespace

TEST_CASE("a table's flags set the list view's styles; without flags it is headless and sorted")
{
    TestForm form;
    TableBox* plain = NewTableBox(&form, 200, L"hint");
    LONG s = GetWindowLongW(plain->hwnd, GWL_STYLE);
    CHECK((s & LVS_NOCOLUMNHEADER) != 0);
    CHECK((s & LVS_SORTASCENDING) != 0);
    CHECK((s & LVS_SINGLESEL) != 0);
    CHECK((s & LVS_REPORT) != 0);
    CHECK((plain->SendMsg(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT) != 0);
    CHECK(GetDlgCtrlID(plain->hwnd) == 200);
    delete plain;

    TableBox* multi = NewTableBox(&form, TableBox::MultipleSelection, 201, nullptr);
    s = GetWindowLongW(multi->hwnd, GWL_STYLE);
    CHECK((s & (LVS_NOCOLUMNHEADER | LVS_SORTASCENDING | LVS_SINGLESEL)) == 0);
    multi->AddColumn(L"Name", 100);
    for (int i = 0; i < 4; i++)
        AddRow(multi, {L"row"}, i);
    for (int i : {1, 3}) {
        LVITEMW state = {};
        state.stateMask = state.state = LVIS_SELECTED;
        multi->SendMsg(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
    }
    Array<int32_t> rows = multi->SelectedRows();
    REQUIRE(rows.Count() == 2);
    CHECK(rows.At(0) == 1);
    CHECK(rows.At(1) == 3);
    delete multi;
}

TEST_CASE("rows keep their data, fewer texts leave cells empty, selection moves once")
{
    TestForm form;
    TableBox* t = NewTableBox(&form, 0, 300, nullptr);
    t->SetBounds({0, 0, 300, 200});
    t->AddColumn(L"Name", 80);
    t->AddColumn(L"Size", 60);
    t->AddColumn(L"Date", 60);
    CHECK(t->ColumnCount() == 3);
    AddRow(t, {L"a.txt", L"12", L"today"}, 7);
    AddRow(t, {L"b.txt"}, -5);
    AddRow(t, {L"c.txt", L"3"}, 0x123456789LL);
    CHECK(t->RowCount() == 3);
    CHECK(Cell(t, 0, 2) == L"today");
    CHECK(Cell(t, 1, 1).empty());
    CHECK(Cell(t, 2, 1) == L"3");
    CHECK(Cell(t, 2, 2).empty());
    CHECK(t->RowData(0) == 7);
    CHECK(t->RowData(1) == -5);
    CHECK(t->RowData(3) == -1);
    if (sizeof(LPARAM) == 8)
        CHECK(t->RowData(2) == 0x123456789LL);

    t->SelectRow(2);
    CHECK(t->SendMsg(LVM_GETITEMSTATE, 2, LVIS_SELECTED | LVIS_FOCUSED) == (LVIS_SELECTED | LVIS_FOCUSED));
    // Selecting it again changes nothing: the focus moved elsewhere stays.
    LVITEMW focus = {};
    focus.stateMask = focus.state = LVIS_FOCUSED;
    t->SendMsg(LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
    t->SelectRow(2);
    CHECK(t->SendMsg(LVM_GETITEMSTATE, 2, LVIS_FOCUSED) == 0);
    t->SelectRow(1);
    CHECK(t->SelectedRows().Count() == 1);
    CHECK(t->SelectedRows().At(0) == 1);
    t->SelectRow(-1);
    CHECK(t->SelectedRows().Count() == 0);
    delete t;
}

TEST_CASE("columns follow the DPI and the height follows the rows")
{
    TestForm form;
    TableBox* t = NewTableBox(&form, TableBox::HeightFollowsRows, 300, nullptr);
    t->AddColumn(L"Name", 180);
    form.SetDpi(144);
    t->SetBounds({0, 0, 400, 200});
    CHECK(ColumnWidth(t, 0) == 270);
    form.SetDpi(96);
    t->SetBounds({0, 0, 400, 200});
    CHECK(ColumnWidth(t, 0) == 180);

    int line;
    {
        DeviceContext dc = t->WindowDC();
        t->SelectFontInto(dc);
        line = dc.LineHeight();
    }
    int row = line + 4;
    SizeLimits l;
    t->Measure(l);
    CHECK(l.minHeight == 4 + 2 * row + 8);
    CHECK(l.maxHeight == l.minHeight);
    for (int i = 0; i < 5; i++)
        AddRow(t, {L"x"}, i);
    t->Measure(l);
    CHECK(l.maxHeight == 4 + 6 * row + 8);
    CHECK(l.minWidth == 50);

    delete t;
    TableBox* unbounded = NewTableBox(&form, TableBox::NoHeader, 301, nullptr);
    unbounded->Measure(l);
    CHECK(l.maxHeight == Unbounded);
    delete unbounded;
}
