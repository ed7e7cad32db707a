#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

// One remembered item: a path, a search phrase or a replacement, and a number
// (the find mode flags of a phrase, else 0).
struct HistoryItem {
    String text;
    int32 number;
};

// The most recently used items of one kind, newest last; stored in the
// settings as texts and numbers each joined by ESC.
// invariant: after an addition, items.Count() <= limit (loading may exceed it).
class HistoryList {
public:
    Array<HistoryItem> items;  // oldest first; shared by every copy of the handle
    int32 limit = 0;
    u8 changed = 0;  // set by every addition that changes the list

    int64 Count() const { return items.Count(); }
    // A new empty array; the old one is released.
    void Clear();
    // The newest index whose text equals text exactly (case matters) and whose
    // number equals number; -1 when none.
    int64 FindLast(const String& text, int32 number) const;
    // Moves or appends the pair to the newest place and keeps the limit.
    void Add(const String& text, int32 number);
    String StringAt(int64 index) const;
    int32 NumberAt(int64 index) const;
    void InsertAt(int64 index, const HistoryItem& item);
    void RemoveAt(int64 index);
    // Appends the items of two settings values walked in step: items end at
    // ESC or CR; empty texts are skipped with their numbers; a number that is
    // not a decimal integer of 32 bits reads as 0.
    void Load(const String& texts, const String& numbers);
    String JoinStrings() const;
    String JoinNumbers() const;
    void ReleaseArray() { items.Release(); }
};

// The decimal number at the start of [p, end): an optional minus sign and
// digits; 0 when there is none or it does not fit 32 bits.
int32 ParseHistoryNumber(const wchar_t* p, const wchar_t* end);
