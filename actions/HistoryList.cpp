#include "actions/HistoryList.h"

#include "base/Error.h"

namespace {

constexpr wchar_t kEsc = 27;

bool IsItemEnd(wchar_t c) { return c == kEsc || c == L'\r'; }

// Advances p over one item of [p, end) and its separator; returns the item's end.
const wchar_t* NextItem(const wchar_t*& p, const wchar_t* end)
{
    const wchar_t* itemEnd = p;
    while (itemEnd < end && !IsItemEnd(*itemEnd))
        itemEnd++;
    p = itemEnd < end ? itemEnd + 1 : end;
    return itemEnd;
}

template <class Piece>
String Join(int64 count, Piece piece)
{
    String result;
    const wchar_t esc[1] = {kEsc};
    for (int64 i = 0; i < count; i++) {
        if (i > 0)
            result.Append(esc, 1);
        String part = piece(i);
        result.Append(part.Data(), part.Length());
    }
    return result;
}

}  // namespace

int32 ParseHistoryNumber(const wchar_t* p, const wchar_t* end)
{
    bool negative = false;
    if (p < end && *p == L'-') {
        negative = true;
        p++;
    }
    if (p >= end || *p < L'0' || *p > L'9')
        return 0;
    // Accumulated as a negative value so that the smallest 32-bit number fits.
    int64 value = 0;
    for (; p < end && *p >= L'0' && *p <= L'9'; p++) {
        value = value * 10 - (*p - L'0');
        if (value < INT32_MIN)
            return 0;
    }
    if (!negative) {
        if (-value > INT32_MAX)
            return 0;
        value = -value;
    }
    return static_cast<int32>(value);
}

void HistoryList::Clear()
{
    items.Reset();
}

int64 HistoryList::FindLast(const String& text, int32 number) const
{
    for (int64 i = items.Count() - 1; i >= 0; i--) {
        const HistoryItem& item = items.At(i);
        if (item.number == number && item.text.Equals(text))
            return i;
    }
    return -1;
}

void HistoryList::Add(const String& text, int32 number)
{
    int64 found = FindLast(text, number);
    if (found >= 0 && found == items.Count() - 1)
        return;
    InsertAt(items.Count(), HistoryItem{text, number});
    changed = 1;
    if (found >= 0)
        RemoveAt(found);
    if (items.Count() > limit)
        RemoveAt(0);
}

String HistoryList::StringAt(int64 index) const
{
    return items.At(index).text;
}

int32 HistoryList::NumberAt(int64 index) const
{
    return items.At(index).number;
}

void HistoryList::InsertAt(int64 index, const HistoryItem& item)
{
    if (index < 0 || index > items.Count())
        throw IndexError();
    if (items.RefCount() == 0)
        items.Reset();
    items.Insert(index, item);
}

void HistoryList::RemoveAt(int64 index)
{
    if (index < 0 || index >= items.Count())
        throw IndexError();
    items.RemoveAt(index);
}

void HistoryList::Load(const String& texts, const String& numbers)
{
    const wchar_t* t = texts.Data();
    const wchar_t* tEnd = t + texts.Length();
    const wchar_t* n = numbers.Data();
    const wchar_t* nEnd = n + numbers.Length();
    while (t < tEnd) {
        const wchar_t* textStart = t;
        const wchar_t* textEnd = NextItem(t, tEnd);
        const wchar_t* numberStart = n;
        const wchar_t* numberEnd = NextItem(n, nEnd);
        if (textEnd == textStart)
            continue;
        InsertAt(items.Count(), HistoryItem{String(textStart, textEnd - textStart),
                                            ParseHistoryNumber(numberStart, numberEnd)});
    }
}

String HistoryList::JoinStrings() const
{
    return Join(items.Count(), [this](int64 i) { return items.At(i).text; });
}

String HistoryList::JoinNumbers() const
{
    return Join(items.Count(), [this](int64 i) { return IntToString(items.At(i).number); });
}
