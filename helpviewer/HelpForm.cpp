#include "helpviewer/HelpForm.h"

#include "gui/AlertDialog.h"
#include "gui/ElasticGroup.h"
#include "gui/Gdi.h"
#include "helpviewer/ErrorsDialog.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpFindDialog.h"
#include "helpviewer/HelpLayout.h"
#include "helpviewer/HelpSearch.h"
#include "helpviewer/HelpView.h"
#include "helpviewer/ViewerToolbar.h"

#include <new>

void(WINAPI* HelpForm::closeWait)(DWORD milliseconds) = Sleep;

namespace {

const wchar_t kCommandFailed[] = L"Nieudane wykonanie operacji - Guidora";
const wchar_t kFindTitle[] = L"Szukaj - Guidora";

void AddToolbarItems(ViewerToolbar* toolbar)
{
    const int cell = 21;
    toolbar->AddLabel(kCmdBack, L"Wstecz", 0, cell, cell, 0);
    toolbar->AddLabel(kCmdForward, L"Naprz\u00F3d", 42, cell, cell, 0);
    toolbar->AddSeparator(false);
    toolbar->AddButton(kCmdContents, L"Spis tre\u015Bci", 168, cell, cell, 0);
    toolbar->AddLabel(kCmdPreviousPage, L"Poprzednia strona", 84, cell, cell, 1);
    toolbar->AddLabel(kCmdNextPage, L"Nast\u0119pna strona", 126, cell, cell, 0);
    toolbar->AddSeparator(false);
    toolbar->AddButton(kCmdCopyButton, L"Kopiuj", 189, cell, cell, 2);
    toolbar->AddButton(kCmdFind, L"Szukaj", 210, cell, cell, 3);
}

String Joined(const wchar_t* text, const String& word)
{
    String s(text);
    s.Append(word.Data(), word.Length());
    return s;
}

}  // namespace

HelpDocument& HelpForm::Document()
{
    return view->Document();
}

void HelpForm::Build(const ViewerArguments& arguments, const String& path)
{
    protocol.caller = arguments.caller;
    protocol.Register();
    Create(MainWindow | SizingFrame | MinimizeBox, L"Help Form", nullptr, 0);
    SetIcons(kHelpIcon);
    LoadMenu(kHelpMenu);
    LoadAccelerators(kHelpAccelerators);

    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 0;
    column->verticalMargin = 0;
    column->gap = 0;
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, column);
    row->horizontalMargin = 4;
    row->verticalMargin = 4;
    row->gap = 0;
    toolbar = NewViewerToolbar(row, 30500);
    toolbar->LoadImages(kHelpStrip96, kHelpStrip192);
    AddToolbarItems(toolbar);
    view = NewHelpView(column, 30600);

    containerPath = path.IsEmpty() ? HelpContainer::DefaultPath() : path;
    Document().Load(containerPath);
    if (Document().Errors().Count() > 0)
        ShowMarkupErrors(Document(), this);
    SetTitle(Document().Title().CStr());
    // Printing is reached by its command only.
    DeleteMenuItem(kCmdPrint);
    view->BuildFonts();
    Place(arguments);
    view->SetFocus();
    view->ShowTopic(arguments.hasId ? arguments.id : String());
    UpdateCommandStates();
    protocol.Post(kViewerStarted, hwnd);
}

void HelpForm::Place(const ViewerArguments& arguments)
{
    bool callerKnown = arguments.hasCallerRect;
    RECT caller = arguments.callerRect;
    if (!callerKnown && arguments.caller)
        callerKnown = GetWindowRect(arguments.caller, &caller) != 0;
    // On the caller's monitor first, so the DPI is that monitor's.
    if (callerKnown)
        SetBounds(caller);
    int dpiValue = DetectDpi();
    RECT r = ViewerRectangle(arguments, callerKnown, caller, dpiValue);
    r = FitIntoWorkArea(r, WorkAreaNear(r));
    SetBounds(r);
    Show();
}

void HelpForm::ShowRequestedTopic(const String& id)
{
    if (IsMinimized())
        Restore();
    SetForegroundWindow(hwnd);
    try {
        view->ShowTopic(id);
    } catch (const Error& error) {
        ShowHelpError(L"Nieudane \u0142adowanie tekstu pomocy - Guidora", this, error);
    }
    protocol.Post(kTopicShown, hwnd);
}

void HelpForm::UpdateCommandStates()
{
    const String& id = view->CurrentId();
    bool back = view->History().BackCount() > 0;
    bool forward = view->History().ForwardCount() > 0;
    bool next = !Document().NextPage(id.Data(), id.Length()).IsEmpty();
    bool previous = !Document().PreviousPage(id.Data(), id.Length()).IsEmpty();
    EnableMenuItem(kCmdBack, back);
    EnableMenuItem(kCmdForward, forward);
    EnableMenuItem(kCmdNextPage, next);
    EnableMenuItem(kCmdPreviousPage, previous);
    toolbar->SetEnabled(kCmdBack, back);
    toolbar->SetEnabled(kCmdForward, forward);
    toolbar->SetEnabled(kCmdNextPage, next);
    toolbar->SetEnabled(kCmdPreviousPage, previous);
    int32 zoom = view->Zoom();
    CheckMenuItem(kCmdZoomSmaller, zoom < 0);
    CheckMenuItem(kCmdZoomNormal, zoom == 0);
    CheckMenuItem(kCmdZoomLarger, zoom > 0);
    CheckMenuItem(kCmdTopMost, topMost);
}

void HelpForm::ToggleTopMost()
{
    topMost = !topMost;
    SetWindowPos(hwnd, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateCommandStates();
}

void HelpForm::FindOnPage(const String& word)
{
    if (!view->FindOnPage(word))
        AlertString(Joined(L"Nie ma wi\u0119cej ", word), kFindTitle, L"+OK", AlertInformation);
}

void HelpForm::Find()
{
    try {
        String word;
        bool everywhere = false;
        if (!AskFindWord(this, lastWord, word, everywhere) || word.IsEmpty())
            return;
        if (!everywhere) {
            lastWord = word;
            FindOnPage(word);
            return;
        }
        std::vector<HelpFindHit> hits = FindInSections(Document(), word, kMaxFindResults);
        if (hits.empty()) {
            AlertString(Joined(L"Nie znalaz\u0142em ", word), kFindTitle, L"+OK", AlertInformation);
            return;
        }
        view->SetFindResults(static_cast<std::vector<HelpFindHit>&&>(hits));
        view->ShowTopic(String(HelpView::kFindResultsId));
        lastWord = word;
    } catch (const Error& error) {
        ShowHelpError(kFindTitle, this, error);
    }
}

void HelpForm::FindNext()
{
    if (lastWord.IsEmpty()) {
        Find();
        return;
    }
    try {
        FindOnPage(lastWord);
    } catch (const Error& error) {
        ShowHelpError(kFindTitle, this, error);
    }
}

void HelpForm::Print(PrintDevice& device)
{
    if (!printSetup.taken && !device.DefaultSetup(hwnd, printSetup))
        return;
    if (!device.ChoosePrinter(hwnd))
        return;
    // The printer's context goes whatever happens below.
    struct Releaser {
        PrintDevice& device;
        ~Releaser() { device.Release(); }
    } releaser{device};

    device.StartDoc(containerPath.CStr());
    const int32 dpiX = device.DotsPerInch(false);
    const int32 dpiY = device.DotsPerInch(true);
    const int32 left = SetupToPixels(printSetup.left, dpiX, printSetup);
    const int32 right = SetupToPixels(printSetup.right, dpiX, printSetup);
    const int32 top = SetupToPixels(printSetup.top, dpiY, printSetup);
    const int32 bottom = SetupToPixels(printSetup.bottom, dpiY, printSetup);
    const int32 paperWidth = SetupToPixels(printSetup.paperWidth, dpiX, printSetup);
    const int32 paperHeight = SetupToPixels(printSetup.paperHeight, dpiY, printSetup);

    // A copy laid out for the printer; the view keeps its own runs and fonts.
    HelpLayout printed = view->Layout();
    DeviceContext measure;
    measure.Borrow(device.MeasureDc());
    HelpLayoutParams params;
    params.dpi = dpiY;
    params.zoom = view->Zoom();
    params.pictureScale = PrinterPictureScale(dpiX, dpiY);
    const int32 margin = MulDiv(8, dpiY, 96);
    params.clientWidth = paperWidth - left - right + 2 * margin;
    printed.SetDevice(measure, params);
    printed.Arrange();

    std::vector<int32> tops, heights;
    for (const HelpLine& line : printed.Lines()) {
        tops.push_back(line.top);
        heights.push_back(line.height);
    }
    const int32 available = paperHeight - top - bottom;
    std::vector<size_t> starts = SheetStarts(tops, heights, available);
    for (size_t s = 0; s < starts.size(); s++) {
        size_t first = starts[s];
        size_t end = s + 1 < starts.size() ? starts[s + 1] : tops.size();
        int32 sheetTop = tops[first];
        int32 band = tops[end - 1] + heights[end - 1] - sheetTop;
        HDC dc = device.StartPage();
        int saved = SaveDC(dc);
        // Only this sheet's lines; a line taller than the sheet is cut.
        IntersectClipRect(dc, left, top, paperWidth - right, top + (band < available ? band : available));
        view->PaintPage(dc, printed, margin - left, sheetTop - top, paperWidth, paperHeight, true);
        RestoreDC(dc, saved);
        device.EndPage();
    }
    device.EndDoc();
}

void HelpForm::RunCommand(uint32_t command)
{
    switch (command) {
    case kCmdForward: view->Forward(); break;
    case kCmdBack: view->Back(); break;
    case kCmdNextPage: view->NextPage(); break;
    case kCmdPreviousPage: view->PreviousPage(); break;
    case kCmdContents: view->Contents(); break;
    case kCmdCopyButton:
    case kCmdCopy: view->Copy(); break;
    case kCmdFind: Find(); break;
    case kCmdFindNext: FindNext(); break;
    case kCmdClose: PostMsg(WM_CLOSE, 0, 0); break;
    case kCmdZoomSmaller: view->SetZoom(-1); break;
    case kCmdZoomNormal: view->SetZoom(0); break;
    case kCmdZoomLarger: view->SetZoom(1); break;
    case kCmdPrint: Print(SystemPrintDevice()); break;
    case kCmdCallerWindow:
        protocol.Post(kCallerWanted, hwnd);
        if (protocol.caller)
            BringToForeground(protocol.caller);
        break;
    case kCmdTopMost: ToggleTopMost(); break;
    case kCmdUpdateStates: UpdateCommandStates(); break;
    default: break;
    }
}
void HelpForm::OnCommand(MessageRecord& m)
{
    try {
        RunCommand(LOWORD(m.wParam));
    } catch (const Error& error) {
        ShowHelpError(kCommandFailed, this, error);
    } catch (const std::bad_alloc&) {
        ShowHelpError(kCommandFailed, this, MemoryError());
    }
}

void HelpForm::OnClose(MessageRecord&)
{
    try {
        Quit();
        Hide();
        protocol.Post(kViewerClosing, hwnd);
        if (protocol.caller)
            BringToForeground(protocol.caller);
        closeWait(5000);
    } catch (const Error& error) {
        ShowHelpError(L"Zamykanie - Guidora", this, error);
    }
}

void HelpForm::ReceiveProtocol(WPARAM wParam, LPARAM lParam)
{
    String topic;
    HelpProtocol::Request request = HelpProtocol::kNothing;
    try {
        request = protocol.Receive(wParam, lParam, topic);
    } catch (const Error& error) {
        ShowHelpError(L"Wy\u015Bwietl pomoc", this, error);
        return;
    }
    if (request == HelpProtocol::kShowTopic)
        ShowRequestedTopic(topic);
    else if (request == HelpProtocol::kClose)
        PostMsg(WM_CLOSE, 0, 0);
}

void HelpForm::DefaultProc(MessageRecord& m)
{
    if (protocol.message != 0 && m.msg == protocol.message) {
        ReceiveProtocol(m.wParam, m.lParam);
        m.result = 0;
        return;
    }
    Form::DefaultProc(m);
}
