// Files dropped on the main window through OLE, as the shell drops them:
// an open modified text is offered for reloading, the others open.

#include "MainFormTestSupport.h"

#include "gui/FileDropTarget.h"
#include "support/DocumentText.h"
#include "support/DropData.h"
#include "support/Pump.h"

#include <doctest.h>

namespace {

// OLE for this thread while the main window lives, as the program has it.
struct OleThread {
    OleThread() { REQUIRE(OleInitialize(nullptr) == S_OK); }
    ~OleThread() { OleUninitialize(); }
};

}  // namespace

TEST_CASE("an OLE drop of an open modified file and a new one: the reload question, then both texts as on disk")
{
    OleThread ole;
    HiddenEditor bench("");
    MainForm& f = bench.Form();
    // The window is registered once it has waited for input (the timer the
    // first idle step arms): a second registration is refused.
    REQUIRE(f.dropTarget != nullptr);
    f.IdleStep();
    f.FinishStart();
    CHECK(RegisterDragDrop(bench.run.Hwnd(), f.dropTarget) == DRAGDROP_E_ALREADYREGISTERED);

    TextDocument* first = bench.Open(L"first.txt", "one");
    bench.Type(L'x');
    REQUIRE(first->modified);
    String second = bench.folder / L"second.txt";
    WriteFileBytes(second, "two");
    int32 count = bench.run.broker->documents.Count();

    FileDropData data;
    data.block = WideBlock({W(first->GetPath()), W(second)});
    POINTL at = {20, 20};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    REQUIRE(f.dropTarget->DragEnter(&data, 0, at, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    REQUIRE(f.dropTarget->Drop(&data, 0, at, &effect) == S_OK);
    // Nothing runs inside the OLE call: the files open from the posted command.
    CHECK(bench.run.alerts.alerts.empty());
    CHECK(bench.run.broker->documents.Count() == count);

    bench.run.alerts.answers = {0};
    Pump();
    REQUIRE(bench.run.alerts.alerts.size() == 1);
    const RecordingAlerts::Alert& question = bench.run.alerts.alerts[0];
    CHECK(question.message.find(W(first->GetPath())) != std::wstring::npos);
    CHECK_FALSE(question.buttons.empty());
    CHECK(doctext::Bytes(*first) == "one");
    CHECK_FALSE(first->modified);
    TextDocument* opened = bench.run.broker->documents.FindByPath(second);
    REQUIRE(opened != nullptr);
    CHECK(doctext::Bytes(*opened) == "two");
    CHECK(f.activeView->CurrentDocument() == opened);
    CHECK(bench.run.broker->documents.Count() == count + 1);
}
