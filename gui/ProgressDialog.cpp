#include "gui/ProgressDialog.h"

#include "base/UiLanguage.h"
#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ProgressBar.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

const wchar_t* CancelCaption()
{
    return IsPolishUi() ? L"Przerwij" : L"Cancel";
}

const wchar_t* CancelHint()
{
    return IsPolishUi() ? L"Naciśnij, aby przerwać wykonanie operacji." : L"Press to cancel operation.";
}

int64_t Clamped(int64_t value, int64_t high)
{
    return std::max<int64_t>(0, std::min(value, high));
}

}  // namespace

ProgressDialog* NewProgressDialog(Form* owner, const wchar_t* title)
{
    return MakeControl<ProgressDialog>([&](ProgressDialog& d) {
        d.dialogOwner = owner;
        d.firstTitle = String(title);
        uint32_t now = d.tickSource();
        d.startTick = d.lastUpdateTick = d.lastEstimateTick = now;
        d.hidden = 1;
        d.cancelled = 0;
        d.lastPosition = -1;
        d.total = 0;
        d.base = 0;
    });
}

void ProgressDialog::Build()
{
    if (hwnd)
        return;
    Create(dialogOwner, 0, DialogId, firstTitle.CStr());
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, this);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    const wchar_t* widthGiver = L"=================";
    line1 = NewLabel(column, widthGiver);
    line2 = NewLabel(column, widthGiver);
    bar = NewProgressBar(column, BarId);
    estimate = NewLabel(column, widthGiver);
    ButtonsBar* buttons = NewButtonsBar(column);
    cancelButton = NewButton(buttons, CancelCaption(), IDCANCEL, CancelHint());
}

void ProgressDialog::Start(const wchar_t* title, const wchar_t* text1, const wchar_t* text2)
{
    Build();
    if (running > 0) {
        // The outer operation keeps its clock, its place on screen and the
        // disabled owner; only what it shows is lent to the inner one.
        outer.push_back({GetText(), line1->GetText(), line2->GetText(), estimate->GetText(), total, base,
                         lastPosition, bar->total, bar->position});
        running++;
        SetTitle(title);
        line1->SetText(text1);
        line2->SetText(text2);
        estimate->SetText(L"");
        base = 0;
        lastPosition = -1;
        total = 100;
        bar->total = 100;
        bar->position = 0;
        bar->Invalidate();
        return;
    }
    running = 1;
    SetTitle(title);
    line1->SetText(text1);
    line2->SetText(text2);
    // The language may have changed since the last operation.
    cancelButton->SetText(CancelCaption());
    cancelButton->SetHint(CancelHint());
    hidden = 1;
    startTick = lastUpdateTick = lastEstimateTick = tickSource();
    base = 0;
    cancelled = 0;
    lastPosition = -1;
    total = 100;
    bar->total = 100;
    bar->position = 0;
    if (dialogOwner && !ownerDisabled) {
        dialogOwner->DisableForModal(this);
        ownerDisabled = 1;
    }
}

void ProgressDialog::SetTotal(int64_t n)
{
    Build();
    total = n;
    base = 0;
    bar->position = 0;
    bar->total = n < 0 ? 0 : n;
}

void ProgressDialog::SetBase(int64_t n)
{
    base = n;
}

void FormatProgressEstimate(wchar_t* buffer, int n, int64_t totalWork, int64_t done, uint32_t seconds)
{
    // Work past the total (a pass that reports more than it announced) leaves
    // nothing to wait for, never a negative time.
    double remaining = std::max(static_cast<double>(totalWork) - static_cast<double>(done), 0.0);
    double estimate = remaining * 1.3 * seconds / static_cast<double>(done) + 1.0;
    const wchar_t* unit = IsPolishUi() ? L"sek." : L"sec.";
    if (estimate > 120.0) {
        estimate /= 60.0;
        unit = L"min.";
    }
    int shown = estimate >= 2147483647.0    ? INT_MAX
                : estimate <= -2147483648.0 ? INT_MIN
                                            : static_cast<int>(estimate);
    swprintf(buffer, static_cast<size_t>(n),
             IsPolishUi() ? L"Szacowany pozostały czas %d %ls" : L"Estimated remaining time %d %ls",
             shown, unit);
}

bool ProgressDialog::Step(int64_t position)
{
    Build();
    uint32_t now = tickSource();
    // Reports come at most every 50 ms; one within that time does nothing else.
    if (now - lastUpdateTick < 50)
        return cancelled != 0;
    lastUpdateTick = now;
    uint32_t elapsed = now - startTick;
    int64_t p = position + base;

    if (hidden && elapsed > 800) {
        // The room the estimate will need is reserved before the placement.
        estimate->SetText(IsPolishUi() ? L"Szacowany pozostały czas                   ."
                                       : L"Estimated remaining time                   .");
        hidden = 0;
        Place();
        Place();
        estimate->SetText(L"");
        bar->position = Clamped(p, bar->total);
        bar->Invalidate();
        Show();
        cancelButton->SetFocus();
    }
    // Against what the bar holds, not the last report: a new total between
    // two reports of one position has set the bar back to 0.
    if (!hidden && bar->position != Clamped(p, bar->total)) {
        bar->position = Clamped(p, bar->total);
        bar->Invalidate();
    }
    lastPosition = p;

    if (elapsed > 4000 && p >= 1 && now - lastEstimateTick > 2000) {
        wchar_t text[100];
        FormatProgressEstimate(text, 100, total, p, elapsed / 1000);
        estimate->SetText(text);
        lastEstimateTick = now;
    }
    // The dialog's own loop state: the main form's quit flag stays as it is.
    PumpPending();
    return cancelled != 0;
}

void ProgressDialog::Finish()
{
    if (running > 1 && !outer.empty()) {
        Outer o = outer.back();
        outer.pop_back();
        running--;
        SetTitle(o.title.CStr());
        line1->SetText(o.line1.CStr());
        line2->SetText(o.line2.CStr());
        estimate->SetText(o.estimate.CStr());
        total = o.total;
        base = o.base;
        lastPosition = o.lastPosition;
        bar->total = o.barTotal;
        bar->position = o.barPosition;
        bar->Invalidate();
        return;
    }
    running = 0;
    outer.clear();
    if (ownerDisabled) {
        if (dialogOwner)
            dialogOwner->EnableAfterModal(this);
        ownerDisabled = 0;
    }
    if (!hwnd)
        return;
    line1->SetText(L"");
    line2->SetText(L"");
    estimate->SetText(L"");
    Hide();
}

void ProgressDialog::OnClose(MessageRecord&)
{
    cancelled = 1;
}

void ProgressDialog::OnCommand(MessageRecord& m)
{
    int command = LOWORD(m.wParam);
    if (command == IDOK || command == IDCANCEL)
        cancelled = 1;
}
