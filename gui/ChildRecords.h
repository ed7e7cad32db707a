#pragma once

// What the layout groups do alike over their arrays of child records, each
// record holding its control in `child`.

#include "gui/Control.h"

// Deletes the children last to first; each child's destructor takes its
// record out through RemoveChild (a detached one is taken out here).
template <class Records> void DeleteChildRecords(Records& records)
{
    while (records.Count() > 0) {
        int64 last = records.Count() - 1;
        Control* child = records.At(last).child;
        delete child;
        if (records.Count() > last && records.At(last).child == child)
            records.RemoveAt(last);
    }
    records.Release();
}

// The first non-null hint the children give for the point, in order.
template <class Records> const wchar_t* FirstChildHint(const Records& records, POINT screenPoint)
{
    for (int64 i = 0; i < records.Count(); i++)
        if (const wchar_t* text = records.At(i).child->HintAt(screenPoint))
            return text;
    return nullptr;
}

// The first nonzero identity the children give for the point, in order.
template <class Records> uint32_t FirstChildHintId(const Records& records, POINT screenPoint)
{
    for (int64 i = 0; i < records.Count(); i++)
        if (uint32_t found = records.At(i).child->HintIdAt(screenPoint))
            return found;
    return 0;
}

// Takes out the first record of the child; nothing when it is not there.
template <class Records> void RemoveChildRecord(Records& records, Control* child)
{
    for (int64 i = 0; i < records.Count(); i++)
        if (records.At(i).child == child) {
            records.RemoveAt(i);
            return;
        }
}
