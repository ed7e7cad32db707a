#pragma once

// The viewer's main window: menu, accelerators, toolbar and the help page;
// it runs the viewer's commands and is the viewer's end of the message
// protocol with its caller.

#include "gui/Form.h"
#include "helpviewer/HelpPrinting.h"
#include "helpviewer/HelpProtocol.h"
#include "helpviewer/ViewerStart.h"

class HelpDocument;
class HelpView;
class ViewerToolbar;

enum HelpCommand : uint32_t {
    kCmdForward = 30101,
    kCmdBack = 30102,
    kCmdNextPage = 30103,
    kCmdPreviousPage = 30104,
    kCmdContents = 30105,
    kCmdCopyButton = 30106,
    kCmdFind = 30107,
    kCmdCopy = 30108,
    kCmdFindNext = 30109,
    kCmdClose = 31101,
    kCmdZoomSmaller = 31102,
    kCmdZoomNormal = 31103,
    kCmdZoomLarger = 31104,
    kCmdPrint = 31105,
    kCmdCallerWindow = 31106,
    kCmdTopMost = 31108,
    kCmdUpdateStates = 151,
};

enum HelpResource : int {
    kHelpIcon = 30200,
    kHelpAccelerators = 30301,
    kHelpStrip96 = 30501,
    kHelpStrip192 = 30502,
    kHelpMenu = 31100,
};

class HelpForm : public Form {
public:
    HelpForm() = default;

    // How long the closing viewer waits before its loop returns, so the
    // caller can take the foreground first.
    static void(WINAPI* closeWait)(DWORD milliseconds);

    // Builds, places and shows the window on the "id:" topic, then tells
    // the caller (code 1). The container is the one beside the program
    // unless containerPath is given.
    void Build(const ViewerArguments& arguments, const String& containerPath = String());
    // Placement beside the caller or where the arguments say, fitted into
    // the work area.
    void Place(const ViewerArguments& arguments);

    // A topic asked for by the caller: restored, brought forward, shown,
    // then code 2.
    void ShowRequestedTopic(const String& id);
    void UpdateCommandStates();
    void ToggleTopMost();
    // Asks for a word and finds it on the page or in every section.
    void Find();
    // The last word again on the page, or Find without one.
    void FindNext();
    // Prints the current page on the device's sheets.
    void Print(PrintDevice& device);

    void OnCommand(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;
    void DefaultProc(MessageRecord& m) override;

    ViewerToolbar* toolbar = nullptr;
    HelpView* view = nullptr;
    String containerPath;
    String lastWord;
    PrintSetup printSetup;
    HelpProtocol protocol;
    bool topMost = false;

private:
    void RunCommand(uint32_t command);
    HelpDocument& Document();
    // Finds word on the page from the caret; says so when there is no more.
    void FindOnPage(const String& word);
    void ReceiveProtocol(WPARAM wParam, LPARAM lParam);
};
