#include "actions/ActionBroker.h"

#include "base/AppContext.h"
#include "view/TextView.h"

void ActionBroker::StartupAction(ActionRecord& record)
{
    // Every step swallows its own failure: the editor always finishes starting.
    try {
        RecoverAutosaves(record.view);
    } catch (...) {
    }
    try {
        ActionRecord restore;
        restore.InitPlain(ActionRestoreSession, record.view);
        RestoreHibernation(restore);
    } catch (...) {
    }
    try {
        Array<String> files = CommandLineFiles(AppContext::Arguments());
        ActionRecord open;
        open.InitOpenFiles(record.view, true, files);
        OpenFileList(open, open.paths, true);
    } catch (...) {
    }
}

// The recovery of autosaved texts and the hibernation restore come with their
// own actions; until then these steps find nothing to do.
void ActionBroker::RecoverAutosaves(TextView*) {}

void ActionBroker::RestoreHibernation(ActionRecord&) {}
