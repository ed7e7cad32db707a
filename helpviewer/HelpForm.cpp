#include "helpviewer/HelpForm.h"

#include "gui/ElasticGroup.h"
#include "gui/Gdi.h"
#include "helpviewer/ErrorsDialog.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/ViewerToolbar.h"

#include <new>

void(WINAPI* HelpForm::closeWait)(DWORD milliseconds) = Sleep;

namespace {

const wchar_t kCommandFailed[] = L"Nieudane wykonanie operacji - Guidora";

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

}  // namespace

void HelpForm::Build(const ViewerArguments& arguments, const String& containerPath)
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
    // The page fills the rest of the window.
    Space* page = NewSpace(column, -1);
    page->width = -1;
    toolbar->LoadImages(kHelpStrip96);
    toolbar->strip192 = LoadBitmapResource(kHelpStrip192);
    AddToolbarItems(toolbar);

    document.Load(containerPath.IsEmpty() ? HelpContainer::DefaultPath() : containerPath);
    if (document.Errors().Count() > 0)
        ShowMarkupErrors(document, this);
    SetTitle(document.Title().CStr());
    // Printing is reached by its command only.
    DeleteMenuItem(kCmdPrint);
    Place(arguments);
    ShowTopic(arguments.hasId ? arguments.id : String());
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

void HelpForm::ShowTopic(const String& id)
{
    const HelpNode* section = document.Resolve(id.Data(), id.Length());
    if (!section)
        section = document.FindSection(L"index", 5);
    if (!section)
        section = document.FindSection(L"0", 1);
    if (section)
        currentId = document.SectionId(section);
    UpdateCommandStates();
}

void HelpForm::ShowRequestedTopic(const String& id)
{
    if (IsMinimized())
        Restore();
    SetForegroundWindow(hwnd);
    try {
        ShowTopic(id);
    } catch (const Error& error) {
        ShowHelpError(L"Nieudane \u0142adowanie tekstu pomocy - Guidora", this, error);
    }
    protocol.Post(kTopicShown, hwnd);
}

void HelpForm::UpdateCommandStates()
{
    String next = document.NextPage(currentId.Data(), currentId.Length());
    String previous = document.PreviousPage(currentId.Data(), currentId.Length());
    EnableMenuItem(kCmdNextPage, !next.IsEmpty());
    EnableMenuItem(kCmdPreviousPage, !previous.IsEmpty());
    CheckMenuItem(kCmdTopMost, topMost);
}

void HelpForm::ToggleTopMost()
{
    topMost = !topMost;
    SetWindowPos(hwnd, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateCommandStates();
}

void HelpForm::RunCommand(uint32_t command)
{
    switch (command) {
    case kCmdNextPage: {
        String next = document.NextPage(currentId.Data(), currentId.Length());
        if (!next.IsEmpty())
            ShowTopic(next);
        break;
    }
    case kCmdPreviousPage: {
        String previous = document.PreviousPage(currentId.Data(), currentId.Length());
        if (!previous.IsEmpty())
            ShowTopic(previous);
        break;
    }
    case kCmdContents:
        ShowTopic(String());
        break;
    case kCmdClose:
        PostMsg(WM_CLOSE, 0, 0);
        break;
    case kCmdCallerWindow:
        protocol.Post(kCallerWanted, hwnd);
        if (protocol.caller)
            SetForegroundWindow(protocol.caller);
        break;
    case kCmdTopMost:
        ToggleTopMost();
        break;
    case kCmdUpdateStates:
        UpdateCommandStates();
        break;
    default:
        break;
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
            SetForegroundWindow(protocol.caller);
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
