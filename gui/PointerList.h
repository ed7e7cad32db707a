#pragma once

// Lists of objects kept by address, each object at most once.

#include "base/Array.h"

template <class T> int64 IndexOfPointer(const PodArray<T*>& list, const T* item)
{
    for (int64 i = 0; i < list.Count(); i++)
        if (list.At(i) == item)
            return i;
    return -1;
}

template <class T> void AppendOnce(PodArray<T*>& list, T* item)
{
    if (IndexOfPointer(list, item) < 0)
        list.Insert(list.Count(), item);
}

// False when the item was not in the list.
template <class T> bool RemovePointer(PodArray<T*>& list, const T* item)
{
    int64 i = IndexOfPointer(list, item);
    if (i < 0)
        return false;
    list.RemoveAt(i);
    return true;
}
