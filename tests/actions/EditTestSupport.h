#pragma once

// Typing into the first view of a broker bench.

#include "BrokerTestSupport.h"

inline void Select(TextView* view, int64 anchor, int64 caret)
{
    view->SetCaret(view->CurrentDocument(), anchor, 0, 0);
    view->SetCaret(view->CurrentDocument(), caret, CaretKeepAnchor, 0);
}

// Each code unit as a typed character.
inline void TypeText(BrokerBench& bench, const wchar_t* s)
{
    for (; *s; s++)
        RunChar(*bench.broker, *s, bench.views[0]);
}

// Text put in at the caret in one step, line breaks and all.
inline void Put(BrokerBench& bench, const wchar_t* s)
{
    String text(s);
    ActionRecord record;
    record.InitWithText(ActionInsertText, bench.views[0], text);
    ExecuteAction(*bench.broker, record);
}
