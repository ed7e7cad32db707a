#pragma once

// A hidden main-window stand-in for benchmarks that run real actions: it
// lends its form to the broker and hands every broadcast to its one view.

#include "actions/ActionBroker.h"
#include "actions/EditForm.h"
#include "view/TextView.h"

class BenchHost : public EditForm, public ActionBroker::BroadcastHandler {
public:
    explicit BenchHost(const wchar_t* name) { Create(NoTooltip, name, nullptr, 1); }
    void OnBroadcast(BroadcastRecord& record) override
    {
        if (view)
            view->OnDocumentEvent(record, record.kind);
    }
    Form* Owner() override { return this; }
    TextView* view = nullptr;
};
