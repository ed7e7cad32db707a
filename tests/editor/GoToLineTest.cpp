// Go to line through the real main window: the broker asks the main
// window's own dialog.

#include "base/AppContext.h"
#include "editor/MainForm.h"
#include "support/DocumentText.h"
#include "support/PortableMode.h"
#include "support/RecordingAlerts.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <doctest.h>

namespace {

void CALLBACK TypeLineAndColumn(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, 20601)) {
                *reinterpret_cast<HWND*>(out) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    SetWindowTextW(GetDlgItem(dialog, 20601), L"3");
    SetWindowTextW(GetDlgItem(dialog, 20602), L"5");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_CASE("the main window lends its go-to dialog: line 3, character 5, then a typed character lands there")
{
    PortableDataFolder data;
    AppContext& context = AppContext::Current();
    context.portableKnown = 0;
    context.DetectPortable();
    context.settings.pairs.Release();
    context.settings.loaded = 0;
    ActionBroker* broker = ActionBroker::Create();
    MainForm* form = nullptr;
    {
        // Answers whatever the start asks.
        RecordingAlerts alerts;
        form = MainForm::Create(broker);
        size_t startAlerts = alerts.alerts.size();
        TextView* view = form->activeView;
        TextDocument* doc = view->CurrentDocument();
        REQUIRE(doc);
        String text(L"first\r\nsecond\r\nthird line\r\n");
        ActionRecord insert;
        insert.InitWithText(ActionInsertText, view, text);
        ExecuteAction(*broker, insert);

        SetTimer(nullptr, 0, 50, TypeLineAndColumn);
        ActionRecord go;
        go.InitPlain(ActionGoToLine, view);
        ExecuteAction(*broker, go);
        CHECK(go.outcome == OutcomeDone);
        CHECK(view->currentState->CaretPosition() == 19);

        String mark(L"#");
        ActionRecord type;
        type.InitWithText(ActionInsertText, view, mark);
        ExecuteAction(*broker, type);
        CHECK(doctext::Bytes(*doc) == "first\r\nsecond\r\nthir#d line\r\n");
        CHECK(alerts.alerts.size() == startAlerts);
    }
    delete form;
    delete broker;
}
