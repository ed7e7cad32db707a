#pragma once

// A broker with two real views in one shown form, receiving the broadcasts
// the way the main window does: recorded, then handed to both views.

#include "actions/ActionBroker.h"
#include "actions/EditForm.h"
#include "base/SettingsStore.h"
#include "gui/ElasticGroup.h"
#include "gui/Form.h"
#include "gui/PopupAlert.h"
#include "support/Pump.h"
#include "support/RecordingAlerts.h"
#include "text/TextDocument.h"
#include "view/TextView.h"
#include "view/syntax/LexerFactory.h"

#include <functional>
#include <vector>


// One shown form for the whole run: hiding or destroying a shown top-level
// window costs Wine seconds without a window manager.
class BrokerHost : public EditForm {
public:
    BrokerHost()
    {
        Create(NoTooltip, L"BrokerTestHost", nullptr, 1);
        row = NewElasticGroup(1, this);
        popupAlert = NewPopupAlert(this);
        SetBounds(RECT{0, 0, 600, 300});
        ShowNoActivate();
        Pump();
    }
    static BrokerHost& Shared()
    {
        static BrokerHost* host = new BrokerHost();
        return *host;
    }
    ElasticGroup* row;
};

class BrokerBench : public ActionBroker::BroadcastHandler {
public:
    BrokerBench() : broker(ActionBroker::Create()), host(BrokerHost::Shared())
    {
        settings.SetText(L"FontAntialiasing", L"none");
        for (int i = 0; i < 2; i++) {
            views[i] = TextView::Create(host.row, 12300 + i, &host, nullptr, settings, nullptr,
                                        broker->lexerFactory.get());
            broker->AddView(views[i]);
        }
        broker->broadcastHandler = this;
        // Side by side, as the split main window shows them.
        views[0]->SetBounds(RECT{0, 0, 300, 300});
        views[1]->SetBounds(RECT{300, 0, 600, 300});
        Pump();
    }
    ~BrokerBench()
    {
        delete views[0];
        delete views[1];
        delete broker;
    }
    BrokerBench(const BrokerBench&) = delete;
    BrokerBench& operator=(const BrokerBench&) = delete;

    void OnBroadcast(BroadcastRecord& record) override
    {
        broadcasts.push_back(record);
        for (TextView* view : views)
            view->OnDocumentEvent(record, record.kind);
        if (failOn)
            failOn(record);
    }
    Form* Owner() override { return &host; }

    ActionRecord Run(int32 code, int view = 0)
    {
        ActionRecord record;
        record.InitPlain(code, views[view]);
        ExecuteAction(*broker, record);
        return record;
    }
    // A new text through the broker, shown in the view.
    TextDocument* NewText(int view = 0, const wchar_t* path = nullptr)
    {
        ActionRecord record;
        record.InitPlain(ActionNewText, views[view]);
        record.text = path;
        ExecuteAction(*broker, record);
        return record.outcome == OutcomeDone ? views[view]->CurrentDocument() : nullptr;
    }
    std::vector<int32> Kinds() const
    {
        std::vector<int32> kinds;
        for (const BroadcastRecord& r : broadcasts)
            kinds.push_back(r.kind);
        return kinds;
    }

    SettingsStore settings;
    ActionBroker* broker;
    BrokerHost& host;
    TextView* views[2] = {};
    std::vector<BroadcastRecord> broadcasts;
    std::function<void(const BroadcastRecord&)> failOn;
    RecordingAlerts alerts;
};
