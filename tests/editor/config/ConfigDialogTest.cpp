#include "ConfigTestSupport.h"

#include "base/AppContext.h"
#include "base/Paths.h"
#include "editor/ColorThemes.h"
#include "gui/AlertDialog.h"
#include "gui/CheckMark.h"
#include "gui/ColorBox.h"
#include "gui/ComboBox.h"
#include "gui/ListBox.h"
#include "gui/NativeControl.h"
#include "gui/TabsGroup.h"
#include "support/AccessKeys.h"
#include "support/CommonDialogs.h"
#include "support/PortableMode.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "support/ThemeFuzz.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/ViewStyle.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>

using namespace configtest;

namespace {

std::wstring Text(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

std::wstring PreviewText(ConfigPreview& preview)
{
    TextBuff& text = preview.document->text;
    std::wstring out(static_cast<size_t>(text.Size()) + 1, L'\0');
    int64 n = text.ReadUtf16(0, &out[0], text.Size() + 1);
    out.resize(static_cast<size_t>(n));
    return out;
}

bool Checked(CheckMark* mark)
{
    return mark->IsChecked();
}

void Click(Control* control)
{
    SendMessageW(control->hwnd, BM_CLICK, 0, 0);
}

AlertDialog* OpenAlert()
{
    AlertDialog* found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (IsWindowVisible(hwnd))
                if (auto* alert = dynamic_cast<AlertDialog*>(FindWindowObject(hwnd))) {
                    *reinterpret_cast<AlertDialog**>(out) = alert;
                    return FALSE;
                }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Steps that run a command opening a file dialog and answer it with a name.
void AnswerFileDialog(std::vector<Step>& steps, uint32_t command, std::wstring name, std::wstring* title = nullptr)
{
    steps.push_back([command](ConfigurationDialog& d) {
        PostMessageW(d.hwnd, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        return true;
    });
    steps.push_back([name, title](ConfigurationDialog&) {
        HWND dialog = VisibleCommonDialog();
        HWND field = dialog ? FileNameField(dialog) : nullptr;
        if (field == nullptr)
            return false;
        if (title) {
            wchar_t text[256] = {};
            GetWindowTextW(dialog, text, 256);
            *title = text;
        }
        SetWindowTextW(field, name.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    steps.push_back([](ConfigurationDialog&) { return VisibleCommonDialog() == nullptr; });
}

// Steps that press "Other" and choose the colour in the system's dialog.
void AnswerColorDialog(std::vector<Step>& steps, COLORREF color)
{
    steps.push_back([](ConfigurationDialog& d) {
        PostMessageW(d.hwnd, WM_COMMAND, MAKEWPARAM(ConfigurationDialog::OtherColorId, BN_CLICKED), 0);
        return true;
    });
    steps.push_back([color](ConfigurationDialog&) {
        HWND dialog = VisibleCommonDialog();
        if (dialog == nullptr)
            return false;
        // The full dialog's red, green and blue fields.
        HWND red = GetDlgItem(dialog, 706);
        if (red == nullptr || !IsWindowVisible(red))
            return false;
        SetDlgItemInt(dialog, 706, GetRValue(color), FALSE);
        SetDlgItemInt(dialog, 707, GetGValue(color), FALSE);
        SetDlgItemInt(dialog, 708, GetBValue(color), FALSE);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    steps.push_back([](ConfigurationDialog&) { return VisibleCommonDialog() == nullptr; });
}

// A step that waits for the program's alert, checks its title and presses a button.
Step AnswerAlert(std::wstring title, int button)
{
    return [title, button](ConfigurationDialog&) {
        AlertDialog* alert = OpenAlert();
        if (alert == nullptr)
            return false;
        CHECK(Text(alert->GetText()) == title);
        PostMessageW(alert->hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return true;
    };
}

struct OleScope {
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

void ForgetPortable()
{
    AppContext& context = AppContext::Current();
    context.portableKnown = 0;
    context.DetectPortable();
}

// Pixels of the colour that the colours page's preview paints over the
// characters [start, end) of one row: the preview painted off the screen.
int PaintedOver(ConfigurationDialog& d, int64 start, int64 end, COLORREF colour)
{
    TextView& view = *d.previews[2]->view;
    RECT client = view.ClientRect();
    DeviceContext screen;
    screen.FromWindow(nullptr);
    DeviceContext dc;
    dc.Compatible(&screen);
    dc.SelectBitmap(MakeCompatibleBitmap(screen, client.right, client.bottom));
    PaintResult result{};
    view.PaintText(dc, result);
    POINT a = view.PositionToPoint(start), b = view.PositionToPoint(end);
    int n = 0;
    for (int y = a.y; y < a.y + view.currentStyle->textHeight; y++)
        for (int x = a.x; x < b.x; x++)
            n += GetPixel(dc.Hdc(), x, y) == colour;
    return n;
}


}  // namespace

TEST_CASE("the first two pages read the settings: defaults, odd tab steps and font values")
{
    Language english(9);
    SettingsStore store = Store({{L"TabStep", L"0"}, {L"FontSize", L"abc"}, {L"FontAntialiasing", L"Clear Type"},
                                 {L"FontName", L"Liberation"}});
    int32 result = RunScript(store, {
        [](ConfigurationDialog& d) {
            // Six check marks count as on when absent; the directories one as off.
            CHECK(Checked(d.backupFiles));
            CHECK(Checked(d.autosave));
            CHECK(Checked(d.hibernate));
            CHECK(Checked(d.incrementalFind));
            CHECK(Checked(d.tooltips));
            CHECK(Checked(d.autoindent));
            CHECK_FALSE(Checked(d.textTabDirs));
            CHECK(Text(d.tabSize->SelectedText()) == L"4");
            CHECK(d.tabSize->SendMsg(CB_GETCOUNT, 0, 0) == 20);
            // Not a number: 10 points, 13 pixels at 96 DPI, the eighth item.
            CHECK(d.dpi == 96u);
            CHECK(d.sizeList->SendMsg(LB_GETCOUNT, 0, 0) == 49);
            CHECK(d.sizeList->SendMsg(LB_GETCURSEL, 0, 0) == 7);
            CHECK(Text(d.sizeList->SelectedText()) == L"13");
            CHECK(d.antialiasing->SendMsg(CB_GETCURSEL, 0, 0) == 1);
            CHECK_FALSE(Checked(d.advancedRendering));
            // The first family that begins with the name.
            CHECK(Text(d.fontList->SelectedText()).rfind(L"Liberation", 0) == 0);
            // No family is listed twice, none is vertical.
            LRESULT count = d.fontList->SendMsg(LB_GETCOUNT, 0, 0);
            CHECK(count > 3);
            std::wstring previous;
            for (LRESULT i = 0; i < count; i++) {
                wchar_t name[LF_FACESIZE + 1] = {};
                d.fontList->SendMsg(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
                CHECK(name[0] != L'@');
                CHECK(std::wstring(name) != previous);
                previous = name;
            }
            // Only the check marks' own state changes before OK.
            Click(d.hibernate);
            CHECK(Value(d.working, L"Hibernate") == L"<absent>");
            return true;
        },
        Press(IDOK),
    });
    CHECK(result == 1);
    CHECK(Value(store, L"TabStep") == L"4");
    CHECK(Value(store, L"Hibernate") == L"false");
    CHECK(Value(store, L"BackupFiles") == L"true");
    CHECK(Value(store, L"TextTabDirs") == L"false");
    // Read, not rewritten: only a change of the choice writes it.
    CHECK(Value(store, L"FontAntialiasing") == L"Clear Type");
    CHECK(Value(store, L"FontSize") == L"abc");

    SettingsStore second = Store({{L"TabStep", L"99"}, {L"FontSize", L"12"}, {L"TextTabDirs", L"yes"},
                                  {L"Tooltips", L"0"}, {L"FontAdvanced", L"t"}});
    result = RunScript(second, {
        [](ConfigurationDialog& d) {
            CHECK(Text(d.tabSize->SelectedText()) == L"4");
            CHECK(Checked(d.textTabDirs));
            CHECK_FALSE(Checked(d.tooltips));
            CHECK(Checked(d.advancedRendering));
            CHECK(d.antialiasing->SendMsg(CB_GETCURSEL, 0, 0) == 0);
            // 12 points: 16.5 pixels, truncated to 16.
            CHECK(Text(d.sizeList->SelectedText()) == L"16");
            SelectComboItem(d, d.antialiasing, ConfigurationDialog::AntialiasingId, 1);
            CHECK(Value(d.working, L"FontAntialiasing") == L"cleartype");
            SelectComboItem(d, d.antialiasing, ConfigurationDialog::AntialiasingId, 3);
            CHECK(Value(d.working, L"FontAntialiasing") == L"none");
            SelectComboItem(d, d.antialiasing, ConfigurationDialog::AntialiasingId, 1);
            // 24 pixels at 96 DPI are 18 points.
            SelectListItem(d, d.sizeList, ConfigurationDialog::SizeListId, 18);
            CHECK(Value(d.working, L"FontSize") == L"18");
            Click(d.advancedRendering);
            CHECK(Value(d.working, L"FontAdvanced") == L"false");
            SelectComboItem(d, d.tabSize, ConfigurationDialog::TabSizeId, 7);
            CHECK(Value(d.working, L"TabStep") == L"8");
            // The preview follows the working copy at once.
            CHECK(d.previews[0]->view->activeStyle->tabStep > 0);
            return true;
        },
        Press(IDOK),
    });
    CHECK(result == 1);
    CHECK(Value(second, L"FontAntialiasing") == L"cleartype");
    CHECK(Value(second, L"FontSize") == L"18");
    CHECK(Value(second, L"TabStep") == L"8");
    CHECK(Value(second, L"TextTabDirs") == L"true");
    CHECK(Value(second, L"Tooltips") == L"false");
}

TEST_CASE("Cancel and the close box leave the store identical key by key after every kind of change")
{
    Language english(9);
    OleScope ole;
    PortableDataFolder portable;
    ForgetPortable();
    String theme = portable / L"blue.ScrivelColors";
    WriteFileBytes(theme, "TextColor=#ff0000\r\nKeywordBold=false\r\n");
    for (int ending = 0; ending < 2; ending++) {
        CAPTURE(ending);
        SettingsStore store = Store({{L"FontName", L"Courier New"}, {L"FontSize", L"10"}, {L"KeywordColor", L"#000000"},
                                     {L"TextBgColor", L""}, {L"UILanguage", L"english"}, {L"TabStep", L"8"}});
        std::wstring before = Dump(store);
        std::vector<Step> steps = {
            [](ConfigurationDialog& d) {
                SelectListItem(d, d.fontList, ConfigurationDialog::FontListId, 0);
                SelectListItem(d, d.sizeList, ConfigurationDialog::SizeListId, 3);
                SelectComboItem(d, d.antialiasing, ConfigurationDialog::AntialiasingId, 2);
                SelectComboItem(d, d.tabSize, ConfigurationDialog::TabSizeId, 1);
                Click(d.advancedRendering);
                Click(d.backupFiles);
                d.SelectPage(ConfigurationDialog::ColorsPage);
                SelectElement(d, 0);
                // The colour box's own key path: Right picks the next recent colour.
                d.colorBox->SetFocus();
                SendMessageW(d.colorBox->hwnd, WM_KEYDOWN, VK_RIGHT, 0);
                CHECK(Value(d.working, L"TextColor") != L"<absent>");
                Click(d.bold);
                CHECK(Value(d.working, L"TextBold") == L"true");
                Notify(d, nullptr, ConfigurationDialog::DefaultThemeId, BN_CLICKED);
                CHECK(Value(d.working, L"TextColor") == L"<absent>");
                return true;
            },
        };
        AnswerFileDialog(steps, ConfigurationDialog::LoadThemeId, std::wstring(theme.CStr()));
        AnswerColorDialog(steps, RGB(1, 2, 3));
        steps.push_back([&](ConfigurationDialog& d) {
            CHECK(Value(d.working, L"TextColor") == L"#030201");
            CHECK(d.colorBox->CurrentColor() == RGB(1, 2, 3));
            CHECK(Value(d.working, L"KeywordBold") == L"false");
            CHECK(Dump(d.working) != before);
            CHECK(Dump(store) == before);
            return true;
        });
        steps.push_back(ending == 0 ? Press(IDCANCEL) : CloseBox());
        int32 result = RunScript(store, steps);
        CHECK(result == 2);
        CHECK(Dump(store) == before);
    }
    ForgetPortable();
}

TEST_CASE("OK removes emptied colour and bold keys and writes the check marks in words")
{
    Language english(9);
    SettingsStore store = Store({{L"TextColor", L""}, {L"KeywordBold", L""}, {L"CommentColor", L"#123456"},
                                 {L"Hibernate", L"false"}, {L"FindStrings", L""}});
    int32 result = RunScript(store, {
        [](ConfigurationDialog& d) {
            CHECK_FALSE(Checked(d.hibernate));
            Click(d.autosave);
            return true;
        },
        Press(IDOK),
    });
    CHECK(result == 1);
    CHECK(Value(store, L"TextColor") == L"<absent>");
    CHECK(Value(store, L"KeywordBold") == L"<absent>");
    CHECK(Value(store, L"CommentColor") == L"#123456");
    // An empty key that is no colour stays as it was.
    CHECK(Value(store, L"FindStrings") == L"");
    CHECK(Value(store, L"Autosave") == L"false");
    CHECK(Value(store, L"Hibernate") == L"false");
    CHECK(Value(store, L"Autoindent") == L"true");
}

TEST_CASE("page keys: Alt and the page's letter, Ctrl+Tab and Ctrl+Shift+Tab with wrap-around")
{
    struct Case {
        int32 language;
        wchar_t keys[3];
    };
    for (Case c : {Case{21, {L'U', L'C', L'K'}}, Case{9, {L'B', L'F', L'C'}}}) {
        CAPTURE(c.language);
        Language language(c.language);
        SettingsStore store;
        std::vector<Step> steps;
        // The run starts on Cancel; a page shown by a key takes the tab strip.
        auto expect = [&](int32 page, bool started = false) {
            steps.push_back([page, started](ConfigurationDialog& d) {
                CHECK(d.SelectedPage() == page);
                CHECK(ShownPage(d) == page);
                CHECK(GetFocus() == (started ? d.cancelButton->hwnd : d.tabs->tabs->hwnd));
                // The dialog grew to fit the page.
                SizeLimits limits;
                d.content->Measure(limits);
                RECT client = d.ClientRect();
                CHECK(limits.minWidth <= client.right);
                CHECK(limits.minHeight <= client.bottom);
                // The bold check mark shows only with its page and a text element.
                CHECK((IsWindowVisible(d.bold->hwnd) != FALSE) == (page == ConfigurationDialog::ColorsPage));
                return true;
            });
        };
        auto alt = [&](wchar_t key) {
            steps.push_back([key](ConfigurationDialog& d) {
                PostMessageW(d.tabs->tabs->hwnd, WM_SYSKEYDOWN, key, 0x20000001);
                return true;
            });
        };
        auto ctrlTab = [&](bool shift) {
            steps.push_back([shift](ConfigurationDialog& d) {
                BYTE state[256];
                GetKeyboardState(state);
                state[VK_CONTROL] = 0x80;
                state[VK_SHIFT] = shift ? 0x80 : 0;
                SetKeyboardState(state);
                PostMessageW(d.tabs->tabs->hwnd, WM_KEYDOWN, VK_TAB, 1);
                return true;
            });
            steps.push_back([](ConfigurationDialog&) {
                BYTE state[256];
                GetKeyboardState(state);
                state[VK_CONTROL] = 0;
                state[VK_SHIFT] = 0;
                SetKeyboardState(state);
                return true;
            });
        };
        expect(0, true);
        // Too small for any page: showing the next one grows the dialog.
        steps.push_back([](ConfigurationDialog& d) {
            RECT r = d.WindowRect();
            d.SetBounds(RECT{r.left, r.top, r.left + 150, r.top + 150});
            CHECK(d.ClientRect().bottom < 150);
            return true;
        });
        alt(c.keys[2]);
        expect(2);
        alt(c.keys[1]);
        expect(1);
        alt(c.keys[0]);
        expect(0);
        ctrlTab(true);
        expect(2);
        ctrlTab(false);
        expect(0);
        ctrlTab(false);
        expect(1);
        // A click on a tab reaches the dialog as the tab control's notification.
        steps.push_back([](ConfigurationDialog& d) {
            d.tabs->tabs->SendMsg(TCM_SETCURSEL, 2, 0);
            NMHDR header{d.tabs->tabs->hwnd, ConfigurationDialog::TabsId, static_cast<UINT>(TCN_SELCHANGE)};
            SendMessageW(d.hwnd, WM_NOTIFY, ConfigurationDialog::TabsId, reinterpret_cast<LPARAM>(&header));
            return true;
        });
        expect(2);
        // Another letter goes on to the dialog's own keys.
        alt(L'Q');
        expect(2);
        steps.push_back(Press(IDCANCEL));
        CHECK(RunScript(store, steps) == 2);
    }
}

TEST_CASE("on every page, in both languages, Alt with a label's letter focuses the control after the label")
{
    for (int32 id : {21, 9}) {
        CAPTURE(id);
        Language language(id);
        SettingsStore store;
        std::vector<Step> steps;
        size_t pressed = 0;
        for (int page = 0; page < 3; page++) {
            steps.push_back([page](ConfigurationDialog& d) {
                d.tabs->tabs->SendMsg(TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
                NMHDR header{d.tabs->tabs->hwnd, ConfigurationDialog::TabsId, static_cast<UINT>(TCN_SELCHANGE)};
                SendMessageW(d.hwnd, WM_NOTIFY, ConfigurationDialog::TabsId, reinterpret_cast<LPARAM>(&header));
                return true;
            });
            steps.push_back([page, &pressed](ConfigurationDialog& d) {
                CAPTURE(page);
                for (const accesskeys::LabelKey& k : accesskeys::PressLabelKeys(d, d.hwnd)) {
                    int key = k.key;
                    CAPTURE(key);
                    CHECK(k.expected != nullptr);
                    CHECK(k.focused == k.expected);
                    pressed++;
                }
                return true;
            });
        }
        steps.push_back(Press(IDCANCEL));
        CHECK(RunScript(store, steps) == 2);
        CHECK(pressed == 6);
    }
}

TEST_CASE("a DPI change refills the size list and selects the size again")
{
    Language english(9);
    SettingsStore store = Store({{L"FontSize", L"10"}});
    int32 result = RunScript(store, {
        [](ConfigurationDialog& d) {
            CHECK(d.sizeList->SendMsg(LB_GETCOUNT, 0, 0) == 49);
            CHECK(d.sizeList->SendMsg(LB_GETCURSEL, 0, 0) == 7);
            RECT frame = d.WindowRect();
            RECT suggested = {frame.left, frame.top, frame.left + 2 * (frame.right - frame.left),
                              frame.top + 2 * (frame.bottom - frame.top)};
            SendMessageW(d.hwnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
            return true;
        },
        [](ConfigurationDialog& d) {
            // 6 to 102 pixels; 10 points are 27 pixels at 192 DPI.
            if (d.sizeList->SendMsg(LB_GETCOUNT, 0, 0) != 97)
                return false;
            CHECK(d.dpi == 192u);
            CHECK(d.sizeList->SendMsg(LB_GETCURSEL, 0, 0) == 21);
            CHECK(Text(d.sizeList->SelectedText()) == L"27");
            // The previews were styled for the new DPI.
            int32 big = d.previews[1]->view->activeStyle->textHeight;
            SelectListItem(d, d.sizeList, ConfigurationDialog::SizeListId, 10);
            CHECK(Value(d.working, L"FontSize") == L"6");
            CHECK(d.previews[1]->view->activeStyle->textHeight < big);
            return true;
        },
        Press(IDCANCEL),
    });
    CHECK(result == 2);
    CHECK(Value(store, L"FontSize") == L"10");
}

TEST_CASE("colour following of the text colour and its background, picked in the dialog")
{
    struct Case {
        const char* name;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> stored;
        int32 row;
        COLORREF color;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> expected;
    };
    const Case cases[] = {
        {"absent keys never follow", {}, 0, 0x0000ff,
         {{L"TextColor", L"#0000ff"}, {L"KeywordColor", L"<absent>"}, {L"NumberColor", L"<absent>"}}},
        {"a stored black keyword follows an absent text colour", {{L"KeywordColor", L"#000000"}}, 0, 0x0000ff,
         {{L"KeywordColor", L"#0000ff"}}},
        {"a keyword of its own colour stays", {{L"KeywordColor", L"#b48c00"}}, 0, 0x0000ff,
         {{L"KeywordColor", L"#b48c00"}}},
        {"each follower equal to the stored text colour moves",
         {{L"TextColor", L"#102030"}, {L"CommentColor", L"#102030"}, {L"TagColor", L"#102030"},
          {L"StringColor", L"#000000"}},
         0, 0x445566,
         {{L"TextColor", L"#445566"}, {L"CommentColor", L"#445566"}, {L"TagColor", L"#445566"},
          {L"StringColor", L"#000000"}}},
        {"a text colour that does not read counts as black", {{L"TextColor", L"blue"}, {L"NumberColor", L"#000000"}},
         0, 0x00ff00, {{L"NumberColor", L"#00ff00"}, {L"TextColor", L"#00ff00"}}},
        {"a follower in decimal is compared by value", {{L"TextColor", L"#000010"}, {L"IdentifierColor", L"16"}}, 0,
         0x00ff00, {{L"IdentifierColor", L"#00ff00"}}},
        {"a follower that does not read never moves", {{L"NumberColor", L"zz"}, {L"KeywordColor", L""}}, 0, 0x00ff00,
         {{L"NumberColor", L"zz"}, {L"KeywordColor", L""}}},
        {"backgrounds follow the text background",
         {{L"LineFrameColor", L"#ffffff"}, {L"LineBgColor", L"#f4f4f4"}, {L"StringBgColor", L"#ffffff"}}, 1, 0x202020,
         {{L"TextBgColor", L"#202020"}, {L"LineFrameColor", L"#202020"}, {L"LineBgColor", L"#f4f4f4"},
          {L"StringBgColor", L"#202020"}}},
        {"absent backgrounds stay absent", {}, 1, 0x202020,
         {{L"TextBgColor", L"#202020"}, {L"LineFrameColor", L"<absent>"}, {L"CommentBgColor", L"<absent>"}}},
        {"a stored dark background is the old one",
         {{L"TextBgColor", L"#000000"}, {L"TagBgColor", L"#000000"}, {L"CommentBgColor", L"#ffffff"}}, 1, 0xeeeeee,
         {{L"TagBgColor", L"#eeeeee"}, {L"CommentBgColor", L"#ffffff"}}},
        {"other rows move nothing else", {{L"TextColor", L"#000000"}, {L"KeywordColor", L"#000000"}}, 2, 0x123456,
         {{L"IdentifierColor", L"#123456"}, {L"KeywordColor", L"#000000"}}},
        {"the text colour does not follow its background",
         {{L"TextColor", L"#ffffff"}, {L"TextBgColor", L"#ffffff"}}, 1, 0x000000, {{L"TextColor", L"#ffffff"}}},
    };
    Language english(9);
    SettingsStore store;
    std::vector<Step> steps = {[](ConfigurationDialog& d) {
        d.SelectPage(ConfigurationDialog::ColorsPage);
        return true;
    }};
    for (const Case& c : cases) {
        steps.push_back([&c](ConfigurationDialog& d) {
            CAPTURE(c.name);
            SettingsStore start;
            for (auto& p : c.stored)
                start.SetText(p.first, p.second);
            d.working.Assign(start);
            SelectElement(d, c.row);
            d.colorBox->SetColor(c.color);
            Notify(d, d.colorBox, ConfigurationDialog::ColorPickedId, ColorBox::ChangedCode);
            for (auto& p : c.expected)
                CHECK(Value(d.working, p.first) == p.second);
            return true;
        });
    }
    // The picked background fills most of the preview.
    steps.push_back([](ConfigurationDialog& d) {
        d.working.Assign(SettingsStore());
        SelectElement(d, 1);
        d.colorBox->SetColor(RGB(0, 200, 0));
        Notify(d, d.colorBox, ConfigurationDialog::ColorPickedId, ColorBox::ChangedCode);
        RedrawWindow(d.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PixelImage image = ReadWindowPixels(d.previews[2]->view->hwnd);
        size_t green = 0;
        for (uint32_t p : image.pixels)
            green += (p & 0xFFFFFF) == 0x00C800;
        CHECK(image.pixels.size() > 0);
        CHECK(green * 2 > image.pixels.size());
        return true;
    });
    steps.push_back(Press(IDCANCEL));
    CHECK(RunScript(store, steps) == 2);
    CHECK(store.PairCount() == 0);
}

TEST_CASE("the colours page: bold only for text classes, each element's sample and shown colour")
{
    Language english(9);
    SettingsStore store = Store({{L"SelectionColor2", L"#123456"}, {L"KeywordColor", L"#00ff00"},
                                 {L"KeywordBold", L"false"}, {L"FontName", L"Mono"}});
    int32 result = RunScript(store, {
        [](ConfigurationDialog& d) {
            // Every element's colour is among the recent colours.
            CHECK(d.colorBox->RecentCount() > 3);
            bool hasMarker = false;
            for (int i = 0; i < d.colorBox->RecentCount(); i++)
                hasMarker = hasMarker || d.colorBox->RecentColor(i) == 0x123456;
            CHECK(hasMarker);
            CHECK(d.elementList->SendMsg(LB_GETCOUNT, 0, 0) == kColorElementCount);
            d.SelectPage(ConfigurationDialog::ColorsPage);
            int visible = 0;
            for (int32 row = 0; row < kColorElementCount; row++) {
                CAPTURE(row);
                SelectElement(d, row);
                bool shown = IsWindowVisible(d.bold->hwnd) != FALSE;
                CHECK(shown == (kColorElements[row].kind == ElementTextClass));
                visible += shown;
                CHECK(d.colorBox->CurrentColor() == ElementShownColor(d.working, row));
            }
            CHECK(visible == 10);
            ConfigPreview& p = *d.previews[2];
            SelectElement(d, 3);
            CHECK(d.colorBox->CurrentColor() == 0x00ff00u);
            CHECK_FALSE(Checked(d.bold));
            CHECK(PreviewText(p).rfind(L"if else while for\r\n", 0) == 0);
            CHECK(p.document->syntax == 1);
            // The caret at column 6 of the last line, selected to its end.
            CHECK(p.view->currentState->AnchorPosition() == p.document->text.LineColumnToOffset(2, 6));
            CHECK(p.view->currentState->CaretPosition() == p.document->text.Size());
            SelectElement(d, 4);
            CHECK(p.view->previewElement == 9);
            CHECK(p.document->syntax == 0);
            SelectElement(d, 5);
            CHECK(p.view->previewElement == 10);
            SelectElement(d, 8);
            CHECK(PreviewText(p).rfind(L"/* C block comment */", 0) == 0);
            CHECK(p.view->previewElement == 0);
            SelectElement(d, 1);
            CHECK(PreviewText(p) == L"Some ordinary text.\r\nAnother ordinary text.\r\nLine with cursor.");
            SelectElement(d, 14);
            CHECK(PreviewText(p).rfind(L"The appearance of the text", 0) == 0);
            CHECK(p.view->currentState->AnchorPosition() == p.document->text.LineStart(1));
            CHECK(p.view->currentState->CaretPosition() == p.document->text.LineColumnToOffset(2, 4));
            SelectElement(d, 16);
            CHECK(d.colorBox->CurrentColor() == 0x123456u);
            CHECK(p.view->findHighlights.Count() == 16);
            CHECK(PreviewText(p).substr(4, 3) == L"can");
            SelectElement(d, 17);
            CHECK(p.view->currentState->spellUnderline);
            CHECK_FALSE(p.view->currentState->wordWrap);
            SelectElement(d, 22);
            CHECK(p.view->currentState->wordWrap);
            CHECK_FALSE(p.view->currentState->spellUnderline);
            CHECK(PreviewText(p).size() == 623 + 2 + 630);
            SelectElement(d, 23);
            CHECK_FALSE(p.view->currentState->wordWrap);
            CHECK(p.view->currentState->bracketHighlights.Count() == 4);
            CHECK(p.view->findHighlights.Count() == 0);
            CHECK(d.colorBox->CurrentColor() == ReadHighlightBgColor(d.working));
            // The previews repaint without errors in every state.
            RedrawWindow(d.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            // Bold of a text class goes into the working copy in words.
            SelectElement(d, 2);
            Click(d.bold);
            CHECK(Value(d.working, L"IdentifierBold") == L"true");
            Click(d.bold);
            CHECK(Value(d.working, L"IdentifierBold") == L"false");
            // The default theme removes every element key and only those.
            Notify(d, nullptr, ConfigurationDialog::DefaultThemeId, BN_CLICKED);
            for (int64 i = 0; i < d.working.PairCount(); i++) {
                String key;
                d.working.PairAt(i, &key, nullptr);
                CHECK_FALSE(themefuzz::IsElementKey(key));
            }
            CHECK(Value(d.working, L"FontName") == L"Mono");
            CHECK(d.colorBox->CurrentColor() == 0x8C6428u);
            return true;
        },
        Press(IDOK),
    });
    CHECK(result == 1);
    CHECK(Value(store, L"KeywordColor") == L"<absent>");
    CHECK(Value(store, L"SelectionColor2") == L"<absent>");
    CHECK(Value(store, L"FontName") == L"Mono");
}

TEST_CASE("the bracket row's preview shows its colour behind the brackets, the search marker's under the matches")
{
    Language english(9);
    const COLORREF green = 0x00FF00, magenta = 0xFF00FF, picked = 0x0000C8;
    SettingsStore store = Store({{L"HighlightBgColor", L"#00ff00"}, {L"SelectionColor3", L"#ff00ff"}});
    int32 result = RunScript(store, {
        [&](ConfigurationDialog& d) {
            d.SelectPage(ConfigurationDialog::ColorsPage);
            SelectElement(d, 23);
            int64 length = d.previews[2]->document->text.Size();
            for (int64 at : {int64(0), length - 1}) {
                CAPTURE(at);
                CHECK(PaintedOver(d, at, at + 1, green) > 0);
                CHECK(PaintedOver(d, at, at + 1, magenta) == 0);
            }
            // A colour picked for the row shows there at once.
            d.colorBox->SetColor(picked);
            Notify(d, d.colorBox, ConfigurationDialog::ColorPickedId, ColorBox::ChangedCode);
            CHECK(Value(d.working, L"HighlightBgColor") == L"#0000c8");
            CHECK(PaintedOver(d, 0, 1, picked) > 0);
            CHECK(PaintedOver(d, 0, 1, green) == 0);

            SelectElement(d, 16);
            // Every "can" of the sample, on both rows.
            for (int64 at : {int64(4), int64(29)}) {
                CAPTURE(at);
                CHECK(PaintedOver(d, at, at + 3, magenta) > 0);
                CHECK(PaintedOver(d, at, at + 3, picked) == 0);
            }
            return true;
        },
        Press(IDCANCEL),
    });
    CHECK(result == 2);
}

TEST_CASE("themes through the dialog: saved with the extension, loaded replacing every colour, errors shown")
{
    Language polish(21);
    OleScope ole;
    PortableDataFolder portable;
    ForgetPortable();
    // A shipped theme beside the program is not copied in portable mode.
    String shipped = GetProgramFilePath(L"Color Schemes\\");
    bool madeShipped = CreateDirectoryW(shipped.CStr(), nullptr) != FALSE;
    WriteFileBytes(Concat(shipped, L"ShippedTest.ScrivelColors"), "TextColor=#000001\r\n");
    String user = portable / L"Color Schemes\\";
    String only = portable / L"only.ScrivelColors";
    WriteFileBytes(only, "TextColor=#0000ff\r\nFontName=Evil\r\n");
    SetKeyValueRetryPause(1);
    HANDLE locked = INVALID_HANDLE_VALUE;
    std::wstring saveTitle;
    SettingsStore store = Store({{L"TextColor", L"#102030"}, {L"KeywordColor", L"#00ff00"}, {L"TagBold", L"false"},
                                 {L"FontName", L"Mono"}});
    std::vector<Step> steps = {[](ConfigurationDialog& d) {
        d.SelectPage(ConfigurationDialog::ColorsPage);
        return true;
    }};
    AnswerFileDialog(steps, ConfigurationDialog::SaveThemeId, std::wstring(Concat(user, L"dark").CStr()), &saveTitle);
    steps.push_back([&](ConfigurationDialog&) {
        CHECK(ReadFileBytes(Concat(user, L"dark.ScrivelColors")) ==
              "KeywordColor=#00ff00\r\nTagBold=false\r\nTextColor=#102030\r\n");
        CHECK_FALSE(PathExists(Concat(user, L"ShippedTest.ScrivelColors")));
        return true;
    });
    // The same name again: the user is asked first, and only the first
    // button overwrites.
    for (int button : {IDCANCEL, IDOK}) {
        steps.push_back([](ConfigurationDialog& d) {
            d.working.SetText(L"KeywordColor", L"#0a0b0c");
            return true;
        });
        AnswerFileDialog(steps, ConfigurationDialog::SaveThemeId, std::wstring(Concat(user, L"dark.ScrivelColors").CStr()));
        steps.back() = AnswerAlert(L"Zapisz schemat - Scrivel", button);
        steps.push_back([button, &user](ConfigurationDialog&) {
            if (OpenAlert())
                return false;
            CHECK(ReadFileBytes(Concat(user, L"dark.ScrivelColors")) ==
                  (button == IDOK ? "KeywordColor=#0a0b0c\r\nTagBold=false\r\nTextColor=#102030\r\n"
                                  : "KeywordColor=#00ff00\r\nTagBold=false\r\nTextColor=#102030\r\n"));
            return true;
        });
    }
    AnswerFileDialog(steps, ConfigurationDialog::LoadThemeId, std::wstring(only.CStr()));
    steps.push_back([&](ConfigurationDialog& d) {
        CHECK(Value(d.working, L"TextColor") == L"#0000ff");
        CHECK(Value(d.working, L"KeywordColor") == L"<absent>");
        CHECK(Value(d.working, L"TagBold") == L"<absent>");
        CHECK(Value(d.working, L"FontName") == L"Mono");
        CHECK(d.colorBox->CurrentColor() == 0x0000ffu);
        CHECK_FALSE(PathExists(Concat(user, L"ShippedTest.ScrivelColors")));
        // A theme that cannot be read: an alert under the dialog's title, the
        // working copy as it was and the dialog still open.
        locked = CreateFileW(only.CStr(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK(locked != INVALID_HANDLE_VALUE);
        d.working.SetText(L"KeywordColor", L"#010101");
        return true;
    });
    AnswerFileDialog(steps, ConfigurationDialog::LoadThemeId, std::wstring(only.CStr()));
    steps.back() = AnswerAlert(L"Konfigurowanie programu - Scrivel", IDCANCEL);
    steps.push_back([&](ConfigurationDialog& d) {
        if (OpenAlert())
            return false;
        CloseHandle(locked);
        CHECK(Value(d.working, L"KeywordColor") == L"#010101");
        CHECK(Value(d.working, L"TextColor") == L"#0000ff");
        return true;
    });
    steps.push_back(Press(IDOK));
    CHECK(RunScript(store, steps) == 1);
    CHECK(saveTitle == L"Wskaż lub wpisz nazwę schematu do zapisu - Scrivel");
    std::wstring colors;
    for (int64 i = 0; i < store.PairCount(); i++) {
        String key, value;
        store.PairAt(i, &key, &value);
        if (themefuzz::IsElementKey(key))
            colors += Text(key) + L"=" + Text(value) + L";";
    }
    CHECK(colors == L"KeywordColor=#010101;TextColor=#0000ff;");
    CHECK(Value(store, L"FontName") == L"Mono");
    SetKeyValueRetryPause(200);
    DeleteFileW(Concat(shipped, L"ShippedTest.ScrivelColors").CStr());
    if (madeShipped)
        RemoveDirectoryW(shipped.CStr());
    ForgetPortable();
}

TEST_CASE("at 96 and 144 DPI every element name fits the list beside its scroll bar")
{
    for (int32 language : {9, 21}) {
        Language chosen(language);
        SettingsStore store = Store({});
        // Each element's name against the list's client width (the scroll bar
        // and the edge left out).
        auto namesFit = [](ConfigurationDialog& d) {
            ListBox* list = d.elementList;
            RECT client;
            GetClientRect(list->hwnd, &client);
            DeviceContext dc;
            dc.FromWindow(list->hwnd);
            HFONT font = reinterpret_cast<HFONT>(list->SendMsg(WM_GETFONT, 0, 0));
            HGDIOBJ old = SelectObject(dc.Hdc(), font);
            int clipped = 0;
            for (int32 row = 0; row < kColorElementCount; row++) {
                std::wstring name = Text(ListItemText(list->hwnd, LB_GETTEXTLEN, LB_GETTEXT, row));
                SIZE size = {};
                GetTextExtentPoint32W(dc.Hdc(), name.c_str(), static_cast<int>(name.size()), &size);
                // The list draws its text a few pixels in from the left.
                if (size.cx + MulDiv(3, d.GetDpi(), 96) > client.right) {
                    clipped++;
                    MESSAGE(name);
                }
            }
            SelectObject(dc.Hdc(), old);
            CHECK(clipped == 0);
        };
        int32 result = RunScript(store, {
            [&](ConfigurationDialog& d) {
                d.SelectPage(ConfigurationDialog::ColorsPage);
                namesFit(d);
                RECT frame = d.WindowRect();
                SendMessageW(d.hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
                return true;
            },
            [&](ConfigurationDialog& d) {
                if (d.dpi != 144u)
                    return false;
                namesFit(d);
                return true;
            },
            Press(IDCANCEL),
        });
        CHECK(result == 2);
    }
}

TEST_CASE("the colour box's double-buffered background lines up with the page texture around it")
{
    Language english(9);
    SettingsStore store = Store({});
    int32 result = RunScript(store, {
        [](ConfigurationDialog& d) {
            d.SelectPage(ConfigurationDialog::ColorsPage);
            return true;
        },
        [](ConfigurationDialog& d) {
            TabsGroupContainer* container = d.tabs->container;
            REQUIRE(container != nullptr);
            // A texture of one row whose red channel counts the columns, in
            // place of the tab body's (a plain one hides any misalignment).
            const int period = 211;
            DeviceContext screen;
            screen.FromWindow(container->hwnd);
            GdiObj bitmap = MakeCompatibleBitmap(screen, period, 1);
            {
                DeviceContext memory;
                memory.Compatible(&screen);
                memory.SelectBitmap(bitmap);
                for (int x = 0; x < period; x++)
                    SetPixel(memory.Hdc(), x, 0, RGB(x, 0x40, 0x80));
            }
            HBRUSH brush = CreatePatternBrush(bitmap.Bitmap());
            REQUIRE(brush != nullptr);
            container->background = GdiObj::Adopt(brush);
            container->backgroundBitmap = bitmap;
            container->brushValid = 1;
            RECT box, page;
            GetWindowRect(d.colorBox->hwnd, &box);
            GetWindowRect(container->hwnd, &page);
            // Not at a multiple of the period, so an unshifted texture differs.
            REQUIRE((box.left - page.left) % period != 0);
            RedrawWindow(container->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            // The box's top row is background from edge to edge.
            PixelImage pixels = ReadWindowPixels(d.colorBox->hwnd);
            REQUIRE(pixels.width > 8);
            int wrong = 0;
            for (int x = 0; x < pixels.width; x++) {
                int column = (box.left + x - page.left) % period;
                wrong += pixels.At(x, 0) != RGB(column, 0x40, 0x80);
            }
            CHECK(wrong == 0);
            return true;
        },
        Press(IDCANCEL),
    });
    CHECK(result == 2);
}

TEST_CASE("screenshots of the three pages in Polish and English")
{
    for (int32 language : {21, 9}) {
        Language chosen(language);
        SettingsStore store = Store({{L"FontName", L"Liberation Mono"}});
        std::vector<Step> steps;
        for (int32 page = 0; page < ConfigurationDialog::PageCount; page++) {
            steps.push_back([page](ConfigurationDialog& d) {
                d.SelectPage(page);
                if (page == ConfigurationDialog::ColorsPage)
                    SelectElement(d, 3);
                return true;
            });
            steps.push_back([page, language](ConfigurationDialog& d) {
                RedrawWindow(d.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                PixelImage image = ReadWindowPixels(d.hwnd);
                static const char* const names[] = {"basic", "font", "colors"};
                std::string name = std::string("config-") + names[page] + (language == 21 ? "-pl" : "-en") + ".png";
                CHECK(SaveScreenshot(image, name.c_str()));
                // The page's preview is on screen, mostly the text's white background.
                PixelImage preview = ReadWindowPixels(d.previews[page]->view->hwnd);
                size_t white = 0;
                for (uint32_t p : preview.pixels)
                    white += (p & 0xFFFFFF) == 0xFFFFFF;
                CHECK(white * 2 > preview.pixels.size());
                return true;
            });
        }
        steps.push_back(Press(IDCANCEL));
        CHECK(RunScript(store, steps) == 2);
    }
}

TEST_CASE("the shipped themes hold only element keys, sorted, and one of them is dark")
{
    // The build places them beside the editor.
    const wchar_t* folder = L"..\\editor\\Color Schemes\\";
    Array<String> names = ListDirectory(folder, L"*.ScrivelColors");
    CHECK(names.Count() >= 2);
    int dark = 0;
    for (int64 i = 0; i < names.Count(); i++) {
        String path = Concat(String(folder), names.At(i).CStr());
        CAPTURE(Text(path));
        SettingsStore theme;
        LoadKeyValueFile(theme, path.CStr());
        CHECK(theme.PairCount() > 10);
        for (int64 k = 0; k < theme.PairCount(); k++) {
            String key, value;
            theme.PairAt(k, &key, &value);
            CHECK(themefuzz::IsElementKey(key));
            CHECK_FALSE(value.IsEmpty());
        }
        // Written as the program writes themes: the same bytes again.
        SettingsStore working = Store({{L"FontName", L"Mono"}});
        LoadColorTheme(working, path.CStr());
        SettingsStore rebuilt;
        BuildColorTheme(rebuilt, working);
        CHECK(Dump(rebuilt) == Dump(theme));
        auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
        dark += brightness(working.GetColor(L"TextBgColor", 0xFFFFFF)) < brightness(working.GetColor(L"TextColor", 0));
    }
    CHECK(dark >= 1);
}
