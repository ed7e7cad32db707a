#include "editor/AboutDialog.h"

#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "editor/Version.h"
#include "gui/Button.h"
#include "gui/EditLine.h"
#include "gui/EditText.h"
#include "gui/ElasticGroup.h"

#include <shellapi.h>

#include <memory>

const wchar_t* const AuthorPageAddress = L"https://scrivel.example.org/support";

namespace {

void ShellOpen(HWND owner, const wchar_t* address)
{
    // No verb: whatever the system does by default with an address.
    ShellExecuteW(owner, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
}

const AboutShellCalls DefaultShellCalls = {ShellOpen};
const AboutShellCalls* ShellCalls = &DefaultShellCalls;

const wchar_t* AuthorBlock(bool polish)
{
    return polish ? L"Scrivel - edytor tekstów i kodu źródłowego.\r\n"
                    L"Autor: zespół Scrivel.\r\n"
                    L"Program jest rozwijany dzięki wsparciu użytkowników."
                  : L"Scrivel - an editor for plain texts and source code.\r\n"
                    L"Author: the Scrivel team.\r\n"
                    L"The program is developed thanks to its users' support.";
}

}  // namespace

void SetAboutShellCalls(const AboutShellCalls* calls)
{
    ShellCalls = calls ? calls : &DefaultShellCalls;
}

void OpenProgramPage(HWND owner)
{
    ShellCalls->openAddress(owner, AuthorPageAddress);
}

String VersionText(int version)
{
    return StrFormat(L"[].[][][]", version / 100, version / 10 % 10, version % 10, L"");
}

String AboutVersionLine(bool polish)
{
    String version = VersionText(ProgramVersion);
    return polish ? StrFormat(L"wersja [], edycja 64-bitowa, wydana []", version, ProgramReleaseDate)
                  : StrFormat(L"version [], 64-bit edition, released []", version, ProgramReleaseDate);
}

AboutDialog::~AboutDialog() = default;

AboutDialog* NewAboutDialog(Form* owner)
{
    bool polish = IsPolishUi();
    return MakeControl<AboutDialog>([&](AboutDialog& d) {
        d.result = -1;
        String line = AboutVersionLine(polish);
        d.Create(owner, 0, AboutDialog::DialogId, polish ? L"O programie - Scrivel" : L"About - Scrivel");
        d.logo = LoadBitmapResource(AboutDialog::LogoId);
        d.width = 400;
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &d);
        column->horizontalMargin = 8;
        column->verticalMargin = 8;
        column->gap = 0;
        NewScaledSpace(column, 384, 66);
        ElasticGroup* versionRow = NewElasticGroup(ElasticGroup::Row, column);
        EditLine* version = NewEditLine(versionRow, EditNoEdge | EditReadOnly | EditRightAligned, 0, L"");
        version->SetText(line.CStr());
        NewScaledSpace(column, -1, 16);
        ElasticGroup* textRow = NewElasticGroup(ElasticGroup::Row, column);
        d.authorText = NewEditText(textRow);
        d.authorText->SendMsg(EM_SETREADONLY, TRUE, 0);
        d.authorText->SetText(AuthorBlock(polish));
        NewScaledSpace(column, -1, 24);
        ElasticGroup* buttons = NewElasticGroup(ElasticGroup::Row, column);
        NewButton(buttons, polish ? L"Wspomóż rozwój programu" : L"Make a donation", AboutDialog::DonateId,
                  polish ? L"Otwiera stronę z informacją jak wspomóc rozwój programu."
                         : L"Opens web browser with information for donating.");
        NewScaledSpace(buttons, -1, 0);
        d.closeButton = NewButton(buttons, polish ? L"Zamknij" : L"Close", IDOK,
                  polish ? L"Naciśnij, aby zamknąć." : L"Press to close.");
    });
}

int RunAboutDialog(Form* owner)
{
    std::unique_ptr<AboutDialog> dialog(NewAboutDialog(owner));
    dialog->Place();
    dialog->ShowModal(dialog->closeButton);
    return dialog->result;
}

void AboutDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL) {
        result = 2;
        Quit();
    } else if (command == DonateId) {
        OpenProgramPage(hwnd);
    }
}

void AboutDialog::OnClose(MessageRecord&)
{
    CancelDialogOnClose(*this);
}

void AboutDialog::PaintInto(DeviceContext& dc, const RECT& client)
{
    dc.FillRect(client, RGB(255, 255, 255));
    int dpi = GetDpi();
    if (!logo.IsEmpty()) {
        DeviceContext source;
        source.Compatible(&dc);
        source.SelectBitmap(logo);
        if (dpi == 96) {
            BitBlt(dc.Hdc(), 0, 0, 400, 120, source.Hdc(), 0, 0, SRCCOPY);
        } else {
            SetStretchBltMode(dc.Hdc(), HALFTONE);
            StretchBlt(dc.Hdc(), 0, 0, MulDiv(400, dpi, 96), MulDiv(120, dpi, 96), source.Hdc(), 0, 0, 400, 120,
                       SRCCOPY);
        }
    }
    if (bandTextHeight == 0) {
        DeviceContext measure = MeasureDC();
        SelectFontInto(measure);
        SIZE size{};
        GetTextExtentPoint32W(measure.Hdc(), L"Wy", 2, &size);
        bandTextHeight = size.cy;
    }
    int y0 = client.bottom - MulDiv(27, dpi, 96) - bandTextHeight;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    dc.FillRect({client.left, y0, client.right, client.bottom}, face);
    COLORREF line = RGB(GetRValue(face) * 80 / 100 + GetRValue(shadow) * 20 / 100,
                        GetGValue(face) * 80 / 100 + GetGValue(shadow) * 20 / 100,
                        GetBValue(face) * 80 / 100 + GetBValue(shadow) * 20 / 100);
    dc.FillRect({client.left, y0, client.right, y0 + 1}, line);
}

void AboutDialog::OnPaint(MessageRecord&)
{
    DeviceContext dc = PaintDC();
    PaintInto(dc, ClientRect());
}
