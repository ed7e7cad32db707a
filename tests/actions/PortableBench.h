#pragma once

// A broker with its views over a portable data folder of the test's own, so
// that autosave files and the session file lie there, and a folder for texts.

#include "BrokerTestSupport.h"

#include "base/AppContext.h"
#include "support/PortableMode.h"
#include "support/TempFolder.h"

struct PortableBench {
    PortableDataFolder data;
    BrokerBench bench;
    TempFolder texts;

    PortableBench()
    {
        AppContext& context = AppContext::Current();
        context.portableKnown = 0;
        context.DetectPortable();
    }
    ~PortableBench() { AppContext::Current().portableKnown = 0; }
    PortableBench(const PortableBench&) = delete;
    PortableBench& operator=(const PortableBench&) = delete;

    DocumentList& Documents() { return bench.broker->documents; }
};
