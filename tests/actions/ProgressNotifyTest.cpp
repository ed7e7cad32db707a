#include "BrokerTestSupport.h"

#include "actions/ProgressNotify.h"
#include "gui/Button.h"
#include "gui/Label.h"
#include "gui/ProgressBar.h"
#include "gui/ProgressDialog.h"
#include "support/CaughtError.h"

#include <doctest.h>

namespace {

DWORD fakeTicks = 0;
DWORD WINAPI FakeTicks() { return fakeTicks; }

// One dialog for the whole run, as the main window keeps one: destroying a
// shown window costs Wine seconds.
ProgressDialog& SharedDialog()
{
    static ProgressDialog* dialog = nullptr;
    if (!dialog) {
        dialog = NewProgressDialog(&BrokerHost::Shared(), L"Progress");
        dialog->tickSource = FakeTicks;
    }
    return *dialog;
}

bool Visible(GuiBase& window) { return IsWindowVisible(window.GetHwnd()) != 0; }
bool Enabled(GuiBase& window) { return IsWindowEnabled(window.GetHwnd()) != 0; }

// Reports a position at a tick count.
void ReportAt(ProgressNotify& notify, DWORD ticks, int64 position)
{
    fakeTicks = ticks;
    notify.Progress(position);
}

}  // namespace

TEST_CASE("the progress dialog stays hidden for 800 ms and goes with the operation")
{
    ProgressDialog& dialog = SharedDialog();
    BrokerHost& host = BrokerHost::Shared();
    // Ticks near the wrap of the 32-bit counter.
    const DWORD start = 0xFFFFFF00u;
    fakeTicks = start;
    {
        ProgressNotify notify(&dialog, L"Searching - Scrivel", L"Progress", L"C:\\texts\\a.txt");
        CHECK_FALSE(Enabled(host));
        notify.SetTotal(1000);
        for (DWORD t = 0; t <= 800; t += 25)
            ReportAt(notify, start + t, t);
        CHECK_FALSE(Visible(dialog));
        ReportAt(notify, start + 860, 500);
        CHECK(Visible(dialog));
        CHECK(dialog.bar->position == 500);
        CHECK(dialog.line2->GetText().Equals(L"C:\\texts\\a.txt"));
        // The base moves every later position.
        notify.SetBase(100);
        ReportAt(notify, start + 960, 700);
        CHECK(dialog.bar->position == 800);
    }
    CHECK_FALSE(Visible(dialog));
    CHECK(Enabled(host));
    CHECK(dialog.line2->GetText().IsEmpty());

    // A quick operation never shows it.
    fakeTicks = 5000;
    {
        ProgressNotify notify(&dialog, L"Searching - Scrivel", L"Progress", L"b.txt");
        notify.SetTotal(10);
        for (int i = 0; i <= 10; i++)
            ReportAt(notify, 5000 + static_cast<DWORD>(i) * 80, i);
    }
    CHECK_FALSE(Visible(dialog));
    CHECK(Enabled(host));
}

TEST_CASE("Cancel ends the operation at its next report, and an aborted action shows nothing")
{
    BrokerBench bench;
    ProgressDialog& dialog = SharedDialog();
    std::vector<int64> reported;
    // The operation runs inside a new-text action, as loading does.
    bench.failOn = [&](const BroadcastRecord& r) {
        if (r.kind != BroadcastCurrentChanged)
            return;
        fakeTicks = 100;
        ProgressNotify notify(&dialog, L"Text loading - Scrivel", L"Loading", L"big.txt");
        notify.SetTotal(100);
        for (int64 i = 0; i < 100; i++) {
            ReportAt(notify, 100 + static_cast<DWORD>(i) * 100, i);
            reported.push_back(i);
            if (i == 20) {
                REQUIRE(Visible(dialog));
                SendMessageW(dialog.cancelButton->GetHwnd(), BM_CLICK, 0, 0);
            }
        }
    };
    ActionRecord record = bench.Run(ActionNewText);
    CHECK(record.outcome == OutcomeAborted);
    CHECK(reported.size() == 21);
    CHECK(bench.alerts.alerts.empty());
    CHECK(bench.broker->documents.Count() == 0);
    CHECK_FALSE(Visible(dialog));
    CHECK(Enabled(bench.host));

    // The next operation starts uncancelled.
    bench.failOn = nullptr;
    fakeTicks = 0;
    ProgressNotify notify(&dialog, L"Text loading - Scrivel", L"Loading", L"big.txt");
    ReportAt(notify, 60, 1);
    ReportAt(notify, 900, 2);
    CHECK(Visible(dialog));
}

TEST_CASE("progress notifier: unwinding, a negative total, questions and no dialog")
{
    ProgressDialog& dialog = SharedDialog();
    BrokerHost& host = BrokerHost::Shared();
    RecordingAlerts alerts;

    fakeTicks = 0;
    Error caught = CaughtError([&] {
        ProgressNotify notify(&dialog, L"Replacing - Scrivel", L"Progress", L"c.txt");
        notify.SetTotal(-5);
        CHECK(dialog.bar->total == 0);
        CHECK(notify.Alert(L"Continue?", L"Open - Scrivel", L"+Yes|-No", 3) == 0);
        ReportAt(notify, 1000, 3);
        CHECK(Visible(dialog));
        // A negative total shows an empty bar.
        CHECK(dialog.bar->position == 0);
        alerts.answers.push_back(1);
        CHECK(notify.Alert(L"Continue?", L"Open - Scrivel", L"+Yes|-No", 3) == 1);
        throw EofError(L"c.txt");
    });
    CHECK(caught.code == -4);
    CHECK_FALSE(Visible(dialog));
    CHECK(Enabled(host));
    // Hidden, the dialog asks over its owner; shown, over itself.
    REQUIRE(alerts.alerts.size() == 2);
    CHECK(alerts.alerts[0].owner == &host);
    CHECK(alerts.alerts[1].owner == &dialog);
    CHECK(alerts.alerts[1].buttons == L"+Yes|-No");

    // A view without a progress dialog runs its operations unseen.
    ProgressNotify none(nullptr, L"t", L"1", L"2");
    none.SetTotal(5);
    none.SetBase(1);
    none.Progress(3);
    CHECK(none.Alert(L"m", L"t", L"+OK", 0) == 0);
}
