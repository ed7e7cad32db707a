#pragma once

#include "base/Error.h"
#include "base/String.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// Growth divisors: a quarter for copying insertions, a 128th for
// uninitialised ones and resizes, so big reservations are not padded much.
constexpr int64 kGrowCopy = 4;
constexpr int64 kGrowUninit = 128;

// Capacity in elements of a new buffer (header bytes 16) or block (header
// bytes 48) for newCount elements of elementSize bytes. Throws MemoryError
// when the size cannot be represented.
int64 GrowthCapacity(int64 newCount, size_t elementSize, int64 headerBytes, int64 divisor);

// Checked count + n for an insertion; IndexError for a negative n.
inline int64 CheckedNewCount(int64 count, int64 n)
{
    if (n < 0)
        throw IndexError();
    if (n > INT64_MAX - count)
        throw MemoryError();
    return count + n;
}

// The header both array kinds share; Count reads it the same way for both.
template <class T>
struct ArrayHeader {
    T* data;
    int64 count;
    int64 capacity;
    u32 refs;
};

namespace array_detail {

inline void CheckIndex(int64 i, int64 count)
{
    if (i < 0 || i >= count)
        throw IndexError();
}

inline void CheckRange(bool present, int64 i, int64 n, int64 count)
{
    if (!present || i < 0 || n < 0 || i > count || n > count - i)
        throw IndexError();
}

// Elements are moved between buffers bytewise: every element type of the
// system (plain records, pointers, records holding String handles) allows it.
template <class T>
void Relocate(T* to, const T* from, int64 n)
{
    if (n > 0)
        memmove(static_cast<void*>(to), static_cast<const void*>(from), static_cast<size_t>(n) * sizeof(T));
}

template <class T>
void DestroyBackwards(T* data, int64 from, int64 n)
{
    if (!std::is_trivially_destructible<T>::value)
        for (int64 k = n - 1; k >= 0; k--)
            data[from + k].~T();
}

// Where source element k is after a gap of n was opened at index i.
template <class T>
const T* SourceAfterShift(const T* source, const T* oldData, int64 oldCount, const T* newData, int64 i, int64 n, int64 k)
{
    const T* p = source + k;
    if (oldData && p >= oldData && p < oldData + oldCount) {
        int64 index = p - oldData;
        return newData + (index >= i ? index + n : index);
    }
    return p;
}
}  // namespace array_detail

// Growable array behind a shared header with a separate element buffer:
// every handle sharing the header sees every change, also across growth.
template <class T>
class Array {
public:
    Array() noexcept : h_(nullptr) {}
    Array(const Array& other) noexcept : h_(other.h_)
    {
        if (h_)
            h_->refs++;
    }
    Array(Array&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    ~Array() { Release(); }
    Array& operator=(const Array& other) noexcept
    {
        Assign(other);
        return *this;
    }
    Array& operator=(Array&& other) noexcept
    {
        if (this != &other) {
            Release();
            h_ = other.h_;
            other.h_ = nullptr;
        }
        return *this;
    }

    void Assign(const Array& other) noexcept
    {
        if (this == &other || h_ == other.h_)
            return;
        Release();
        h_ = other.h_;
        if (h_)
            h_->refs++;
    }

    // A fresh empty header of this handle's own.
    void Reset()
    {
        auto h = static_cast<ArrayHeader<T>*>(AllocZeroed(sizeof(ArrayHeader<T>)));
        h->refs = 1;
        Release();
        h_ = h;
    }

    void Release() noexcept
    {
        if (h_ && --h_->refs == 0) {
            DestroyElements();
            free(h_->data);
            free(h_);
        }
        h_ = nullptr;
    }

    // Destroys every element, last to first; the capacity stays.
    void DestroyElements() noexcept
    {
        if (!h_)
            return;
        array_detail::DestroyBackwards(h_->data, 0, h_->count);
        h_->count = 0;
    }

    int64 Count() const noexcept { return h_ ? h_->count : 0; }
    int64 Capacity() const noexcept { return h_ ? h_->capacity : 0; }
    T* Data() const noexcept { return h_ ? h_->data : nullptr; }
    bool SameHeader(const Array& other) const noexcept { return h_ == other.h_; }
    u32 RefCount() const noexcept { return h_ ? h_->refs : 0; }

    T& At(int64 i) const
    {
        array_detail::CheckIndex(i, Count());
        return h_->data[i];
    }

    void Insert(int64 i, const T& source) { InsertCopies(i, &source, 1); }

    // n copies of source[0..n); the source may lie inside this array.
    void InsertCopies(int64 i, const T* source, int64 n)
    {
        T* oldData = Data();
        int64 oldCount = Count();
        OpenGap(i, n, kGrowCopy);
        for (int64 k = 0; k < n; k++) {
            const T* from = array_detail::SourceAfterShift(source, oldData, oldCount, h_->data, i, n, k);
            new (static_cast<void*>(h_->data + i + k)) T(*from);
        }
        h_->count += n;
    }

    // n elements left unset (zero when the buffer grew); plain elements only.
    void InsertUninit(int64 i, int64 n)
    {
        static_assert(std::is_trivially_copyable<T>::value, "uninitialised elements must be plain");
        OpenGap(i, n, kGrowUninit);
        h_->count += n;
    }

    // n value-initialised elements: every field is zero or empty.
    void InsertDefault(int64 i, int64 n)
    {
        OpenGap(i, n, kGrowUninit);
        for (int64 k = 0; k < n; k++)
            new (static_cast<void*>(h_->data + i + k)) T();
        h_->count += n;
    }

    void Erase(int64 i, int64 n)
    {
        array_detail::CheckRange(h_ != nullptr, i, n, Count());
        array_detail::DestroyBackwards(h_->data, i, n);
        array_detail::Relocate(h_->data + i, h_->data + i + n, h_->count - i - n);
        h_->count -= n;
    }

    void RemoveAt(int64 i)
    {
        array_detail::CheckIndex(i, Count());
        Erase(i, 1);
    }

    // Resize through Erase at the tail or InsertUninit at the end; false on any failure.
    bool TryResize(int64 n) noexcept
    {
        try {
            int64 count = Count();
            if (n < 0)
                return false;
            if (n < count)
                Erase(n, count - n);
            else if (n > count)
                InsertUninit(count, n - count);
            return true;
        } catch (...) {
            return false;
        }
    }

    // Array<String>: appends a String made from text (null = empty).
    void Append(const wchar_t* text)
    {
        T s(text);
        Insert(Count(), s);
    }

    // Array<String>: index of the first entry equal to key ignoring case, or -1.
    int64 IndexOfNoCase(const String& key) const;
    int64 IndexOfNoCase(const wchar_t* key) const;

private:
    // Checks i and n, makes sure a header exists and opens a gap of n raw
    // slots at i, growing the buffer when the capacity is too small.
    void OpenGap(int64 i, int64 n, int64 divisor)
    {
        int64 count = Count();
        array_detail::CheckRange(true, i, 0, count);
        int64 newCount = CheckedNewCount(count, n);
        if (!h_)
            Reset();
        if (newCount <= h_->capacity) {
            array_detail::Relocate(h_->data + i + n, h_->data + i, count - i);
            return;
        }
        int64 capacity = GrowthCapacity(newCount, sizeof(T), 16, divisor);
        T* data = static_cast<T*>(AllocZeroed(static_cast<size_t>(capacity) * sizeof(T)));
        if (h_->data) {
            array_detail::Relocate(data, h_->data, i);
            array_detail::Relocate(data + i + n, h_->data + i, count - i);
        }
        free(h_->data);
        h_->data = data;
        h_->capacity = capacity;
    }

    ArrayHeader<T>* h_;
};

template <>
int64 Array<String>::IndexOfNoCase(const String& key) const;
template <>
int64 Array<String>::IndexOfNoCase(const wchar_t* key) const;

// Growable array of plain elements with its header in the same block.
// Holders share the block; growth gives only the growing handle a new one.
template <class T>
class PodArray {
    static_assert(std::is_trivially_copyable<T>::value, "PodArray holds plain values");

public:
    PodArray() noexcept : b_(nullptr) {}
    PodArray(const PodArray& other) noexcept : b_(other.b_)
    {
        if (b_)
            b_->refs++;
    }
    PodArray(PodArray&& other) noexcept : b_(other.b_) { other.b_ = nullptr; }
    ~PodArray() { Release(); }
    PodArray& operator=(const PodArray& other) noexcept
    {
        if (this != &other && b_ != other.b_) {
            Release();
            b_ = other.b_;
            if (b_)
                b_->refs++;
        }
        return *this;
    }
    PodArray& operator=(PodArray&& other) noexcept
    {
        if (this != &other) {
            Release();
            b_ = other.b_;
            other.b_ = nullptr;
        }
        return *this;
    }

    void Release() noexcept
    {
        if (b_ && --b_->refs == 0)
            free(b_);
        b_ = nullptr;
    }

    int64 Count() const noexcept { return b_ ? b_->count : 0; }
    int64 Capacity() const noexcept { return b_ ? b_->capacity : 0; }
    T* Data() const noexcept { return b_ ? b_->data : nullptr; }
    bool SameBlock(const PodArray& other) const noexcept { return b_ == other.b_; }
    u32 RefCount() const noexcept { return b_ ? b_->refs : 0; }

    T& At(int64 i) const
    {
        array_detail::CheckIndex(i, Count());
        return b_->data[i];
    }

    void Insert(int64 i, const T& source) { InsertCopies(i, &source, 1); }

    void InsertCopies(int64 i, const T* source, int64 n)
    {
        T* oldData = Data();
        int64 oldCount = Count();
        OpenGap(i, n, kGrowCopy);
        for (int64 k = 0; k < n; k++)
            b_->data[i + k] = *array_detail::SourceAfterShift(source, oldData, oldCount, b_->data, i, n, k);
        b_->count += n;
    }

    void InsertUninit(int64 i, int64 n)
    {
        OpenGap(i, n, kGrowUninit);
        b_->count += n;
    }

    void Erase(int64 i, int64 n)
    {
        array_detail::CheckRange(b_ != nullptr, i, n, Count());
        array_detail::Relocate(b_->data + i, b_->data + i + n, b_->count - i - n);
        b_->count -= n;
    }

    void RemoveAt(int64 i)
    {
        array_detail::CheckIndex(i, Count());
        Erase(i, 1);
    }

    // Larger: unset elements at the end; smaller: the count is cut.
    void Resize(int64 n)
    {
        if (n < 0)
            throw IndexError();
        int64 count = Count();
        if (n > count)
            InsertUninit(count, n - count);
        else if (n < count)
            b_->count = n;
    }

private:
    using Header = ArrayHeader<T>;

    static T* ElementsOf(Header* b)
    {
        return reinterpret_cast<T*>(reinterpret_cast<char*>(b) + ElementOffset());
    }
    static constexpr size_t ElementOffset()
    {
        return (sizeof(Header) + alignof(T) - 1) / alignof(T) * alignof(T);
    }

    // Checks i and n and opens a gap of n raw slots at i. On growth this
    // handle moves to a new block; other holders keep the old one.
    void OpenGap(int64 i, int64 n, int64 divisor)
    {
        int64 count = Count();
        array_detail::CheckRange(true, i, 0, count);
        int64 newCount = CheckedNewCount(count, n);
        if (b_ && newCount <= b_->capacity) {
            array_detail::Relocate(b_->data + i + n, b_->data + i, count - i);
            return;
        }
        int64 capacity = GrowthCapacity(newCount, sizeof(T), 48, divisor);
        if (static_cast<u64>(capacity) > (SIZE_MAX - ElementOffset()) / sizeof(T))
            throw MemoryError();
        auto block = static_cast<Header*>(AllocZeroed(ElementOffset() + static_cast<size_t>(capacity) * sizeof(T)));
        block->data = ElementsOf(block);
        block->count = count;
        block->capacity = capacity;
        block->refs = 1;
        if (b_) {
            array_detail::Relocate(block->data, b_->data, i);
            array_detail::Relocate(block->data + i + n, b_->data + i, count - i);
        }
        Release();
        b_ = block;
    }

    Header* b_;
};

// Deletes the owned object through its virtual destructor.
template <class T>
class OwnPtr {
public:
    OwnPtr() noexcept : p_(nullptr) {}
    explicit OwnPtr(T* p) noexcept : p_(p) {}
    OwnPtr(const OwnPtr&) = delete;
    OwnPtr& operator=(const OwnPtr&) = delete;
    OwnPtr(OwnPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    OwnPtr& operator=(OwnPtr&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~OwnPtr() { Reset(nullptr); }

    void Reset(T* p) noexcept
    {
        T* old = p_;
        p_ = p;
        delete old;
    }
    T* Detach() noexcept
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_;
};
