// The main window's timers and idle time: the check for files changed on
// disk, the autosave passes with the session file at their end, the error an
// action left behind, and the system messages about drops, settings and DPI.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "gui/FileDropTarget.h"
#include "gui/PointerList.h"
#include "text/TextDocument.h"

#include <shellapi.h>

namespace {

bool MouseButtonDown()
{
    for (int key : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON})
        if (GetAsyncKeyState(key) & 0x8000)
            return true;
    return false;
}

} // namespace

void MainForm::OnActivate(MessageRecord& m)
{
    EditForm::OnActivate(m);
    checkPending = 1;
    SetTimer(kCheckTimer, 300);
}

void MainForm::OnTimer(MessageRecord& m)
{
    switch (m.wParam) {
    case kCheckTimer:
        // A question now would break into a dialog, a drag or a click: the
        // next tick tries again.
        if (checkPending && (HasModal() || (dropTarget && dropTarget->dragOver) || MouseButtonDown()))
            return;
        // Killed before the check, whose questions run their own loop.
        KillTimer(kCheckTimer);
        if (checkPending) {
            checkPending = 0;
            CheckChangedFiles();
        }
        break;
    case kLateStartTimer:
        KillTimer(kLateStartTimer);
        FinishStart();
        break;
    case kAutosaveTimer:
        autosaveDue = 1;
        if (autosavePass < 0)
            autosavePass = 0;
        break;
    default:
        EditForm::OnTimer(m);
        break;
    }
}

void MainForm::FinishStart()
{
    AddTooltip();
    RegisterDrop();
}

void MainForm::CheckChangedFiles()
{
    RunAction(ActionCheckChangedOnDisk);
}

bool MainForm::OnIdle()
{
    try {
        // Not before the loop has waited once: the window is painted and
        // answers input sooner. No hint can show within a second anyway,
        // and no drag reaches a window this young.
        if (!lateStartArmed) {
            lateStartArmed = 1;
            SetTimer(kLateStartTimer, 10);
        }
        if (broker && broker->pendingError.code != -1)
            broker->ReportPendingError(this);
        if (ContinueIncrementalFind())
            return true;
        return IdleWork();
    } catch (...) {
        return false;
    }
}

bool MainForm::IdleWork()
{
    // After the exit ran nothing may write: the texts are settled and the
    // session file is what the exit left.
    if (quitAsked || !broker || !autosaveEnabled || !autosaveDue)
        return false;
    DocumentList& texts = broker->documents;
    // Files half written are finished first.
    for (int64 i = 0; i < texts.Count(); i++) {
        TextDocument* text = texts.At(i);
        if (text && text->autosaveRunning && IndexOfPointer(autosaveStalled, text) < 0) {
            // A step that could not go on waits for the next pass, so the
            // loop does not spin and the other texts are still saved.
            if (!text->AutosaveStep())
                AppendOnce(autosaveStalled, text);
            return true;
        }
    }
    if (autosavePass >= 0 && autosavePass < texts.Count()) {
        TextDocument* text = texts.At(autosavePass);
        if (text && text->text.Size() > 0 && text->modified && (text->autosaveRunning || text->autosaveWanted))
            text->AutosaveStep();
        autosavePass++;
        return true;
    }
    if (sessionChanged) {
        sessionChanged = 0;
        try {
            WriteHibernationFile();
        } catch (...) {
            // Written again when the session changes next.
        }
    }
    autosaveDue = 0;
    autosavePass = -1;
    autosaveStalled.Release();
    return false;
}

bool MainForm::HandleSystemMessage(MessageRecord& m)
{
    auto postRefresh = [this] {
        if (settingsRefreshPosted)
            return;
        settingsRefreshPosted = 1;
        if (!PostCommand(kSettingsRefreshCommand, 0))
            settingsRefreshPosted = 0;
    };
    switch (m.msg) {
    case WM_SETTINGCHANGE:
    case WM_FONTCHANGE:
        if (settingsRefreshPosted)
            return true;
        postRefresh();
        return false;
    case WM_DPICHANGED:
        SetDpi(HIWORD(m.wParam));
        ApplySettings(AppContext::Settings(), false);
        EditForm::DefaultProc(m);
        postRefresh();
        return true;
    case WM_DROPFILES: {
        HGLOBAL block = reinterpret_cast<HGLOBAL>(m.wParam);
        Array<String> files;
        try {
            files = ReadDropBlock(block);
        } catch (...) {
            DragFinish(static_cast<HDROP>(block));
            throw;
        }
        DragFinish(static_cast<HDROP>(block));
        m.result = 0;
        if (files.Count() > 0) {
            ActionRecord record;
            record.InitOpenFiles(activeView, false, files);
            ExecuteAction(*broker, record);
        }
        return true;
    }
    default:
        return false;
    }
}
