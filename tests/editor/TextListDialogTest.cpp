#include "editor/RecentTextsDialog.h"
#include "editor/SelectTextDialog.h"

#include "base/UiLanguage.h"
#include "gui/Form.h"
#include "support/ModalWatch.h"
#include "support/Pump.h"
#include "text/DocumentList.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <commctrl.h>

#include <functional>
#include <string>

namespace {

class ListOwner : public Form {
public:
    ListOwner() { Create(MainWindow | NoTooltip, L"ListTestOwner", nullptr, 1); }
};

void Char(HWND list, wchar_t c)
{
    PostMessageW(list, WM_CHAR, c, 1);
}

int Rows(HWND list)
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring Cell(HWND list, int row, int column)
{
    wchar_t buffer[300] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

void Select(HWND list, int row)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

struct Texts {
    DocumentList list = DocumentList::Create();
    Texts(int n)
    {
        for (int i = 0; i < n; i++) {
            TextDocument* d = list.NewDocument(nullptr);
            if (i != 3)
                d->SetPath(String((L"C:\\work\\file" + std::to_wstring(i) + L".txt").c_str()));
            d->modified = i % 2;
        }
    }
};

// Runs a list dialog over a shown owner; action gets the dialog and its list.
template <class Run> int RunList(int listId, std::function<void(HWND, HWND)> action, Run run)
{
    ListOwner owner;
    owner.SetBounds({40, 40, 800, 700});
    owner.ShowNoActivate();
    WhenShown(listId, [=](HWND dialog) { action(dialog, GetDlgItem(dialog, listId)); });
    return run(&owner);
}

int RunSelect(Texts& t, TextDocument* active, TextDocument*& chosen, std::function<void(HWND, HWND)> action)
{
    return RunList(SelectTextDialog::ListId, action,
                   [&](Form* owner) { return SelectTextDialog::Run(owner, t.list, active, chosen); });
}

int RunRecent(const Array<String>& paths, const DocumentList& list, Array<String>& chosen,
              std::function<void(HWND, HWND)> action)
{
    return RunList(RecentTextsDialog::ListId, action,
                   [&](Form* owner) { return RecentTextsDialog::Run(owner, paths, list, chosen); });
}

Array<String> PathList(std::initializer_list<const wchar_t*> items)
{
    Array<String> a;
    a.Reset();
    for (const wchar_t* p : items)
        a.Insert(a.Count(), String(p));
    return a;
}

}  // namespace

TEST_CASE("shortcut characters by row")
{
    CHECK(ShortcutOfRow(0) == L'1');
    CHECK(ShortcutOfRow(8) == L'9');
    CHECK(ShortcutOfRow(9) == L'0');
    CHECK(ShortcutOfRow(10) == L'A');
    CHECK(ShortcutOfRow(35) == L'Z');
    CHECK(ShortcutOfRow(36) == 0);
    for (int row = 0; row < 36; row++)
        CHECK(RowOfShortcut(ShortcutOfRow(row)) == row);
    CHECK(RowOfShortcut(L'z') == 35);
    CHECK(RowOfShortcut(L'-') == -1);
}

TEST_CASE("select loaded text: rows, the active row, shortcuts, Esc and the close box")
{
    SetUiLanguageId(9);
    Texts t(40);
    TextDocument* chosen = nullptr;
    int selectedAtStart = -2;
    int result = RunSelect(t, t.list.At(5), chosen, [&](HWND, HWND list) {
        CHECK(Rows(list) == 40);
        CHECK(Cell(list, 1, 0) == L"*");
        CHECK(Cell(list, 0, 0).empty());
        CHECK(Cell(list, 0, 1) == L"1");
        CHECK(Cell(list, 9, 1) == L"0");
        CHECK(Cell(list, 10, 1) == L"A");
        CHECK(Cell(list, 36, 1).empty());
        CHECK(Cell(list, 2, 2) == L"file2.txt");
        CHECK(Cell(list, 2, 3) == L"C:\\work\\");
        CHECK(Cell(list, 3, 2) == L"<no name>");
        selectedAtStart = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        Char(list, L'9');
    });
    CHECK(selectedAtStart == 5);
    CHECK(result == 1);
    CHECK(chosen == t.list.At(8));

    Texts few(3);
    result = RunSelect(few, few.list.At(0), chosen, [&](HWND, HWND list) {
        Char(list, L'7');  // past the end: ignored
        Char(list, L'2');
    });
    CHECK(result == 1);
    CHECK(chosen == few.list.At(1));

    result = RunSelect(few, few.list.At(0), chosen, [&](HWND, HWND list) {
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    });
    CHECK(result == 2);
    CHECK(chosen == nullptr);
    result = RunSelect(few, few.list.At(0), chosen, [&](HWND dialog, HWND) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    CHECK(result == 2);
    CHECK(chosen == nullptr);
    result = RunSelect(few, few.list.At(2), chosen, [&](HWND dialog, HWND) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    CHECK(result == 1);
    CHECK(chosen == few.list.At(2));
}

TEST_CASE("recent texts: empty paths skipped, every row opens its own path")
{
    SetUiLanguageId(9);
    Texts open(3);
    Array<String> paths = PathList({L"D:\\a.txt", L"", L"C:\\work\\file1.txt", L"", L"D:\\x\\b.txt"});
    Array<String> chosen;
    int result = RunRecent(paths, open.list, chosen, [&](HWND, HWND list) {
        CHECK(Rows(list) == 3);
        CHECK(Cell(list, 1, 0) == L"+");
        CHECK(Cell(list, 0, 0).empty());
        CHECK(Cell(list, 2, 1) == L"3");
        CHECK(Cell(list, 2, 2) == L"b.txt");
        Char(list, L'3');
    });
    CHECK(result == 1);
    REQUIRE(chosen.Count() == 1);
    CHECK(chosen.At(0).Equals(L"D:\\x\\b.txt"));

    // Several rows at once; a double-click takes the rows selected then.
    result = RunRecent(paths, open.list, chosen, [&](HWND dialog, HWND list) {
        Select(list, 0);
        Select(list, 2);
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = list;
        n.hdr.idFrom = RecentTextsDialog::ListId;
        n.hdr.code = static_cast<UINT>(NM_DBLCLK);
        n.iItem = 2;
        SendMessageW(dialog, WM_NOTIFY, RecentTextsDialog::ListId, reinterpret_cast<LPARAM>(&n));
    });
    CHECK(result == 1);
    REQUIRE(chosen.Count() == 2);
    CHECK(chosen.At(0).Equals(L"D:\\a.txt"));
    CHECK(chosen.At(1).Equals(L"D:\\x\\b.txt"));

    chosen.Reset();
    result = RunRecent(paths, open.list, chosen, [&](HWND, HWND list) {
        Char(list, L'4');  // only three rows
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    CHECK(result == 2);
    CHECK(chosen.Count() == 0);
}
