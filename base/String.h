#pragma once

#include "base/Types.h"

#include <initializer_list>

// Header of a String block; the text (length units and a NUL) follows at
// offset 12. A count of all ones marks a static block that is never freed.
struct StringBlock {
    u64 length;
    u32 refs;
};

constexpr u32 kStaticStringRefs = 0xFFFFFFFFu;

// A block laid out like a heap block, for texts that live for the whole run.
template <size_t N>
struct StaticStringBlock {
    u64 length;
    u32 refs;
    wchar_t text[N];
};

template <size_t N>
constexpr StaticStringBlock<N> MakeStaticString(const wchar_t (&text)[N])
{
    StaticStringBlock<N> block{N - 1, kStaticStringRefs, {}};
    for (size_t i = 0; i < N; i++)
        block.text[i] = text[i];
    return block;
}

// Reference-counted UTF-16 text held through one pointer; null is empty.
// Copies share the block; every building operation makes a new block.
class String {
public:
    String() noexcept : block_(nullptr) {}
    String(const wchar_t* text);
    String(const wchar_t* text, int64 length);
    String(const String& other) noexcept;
    String(String&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    ~String() { Release(); }

    String& operator=(const String& other) noexcept
    {
        Share(other);
        return *this;
    }
    String& operator=(String&& other) noexcept
    {
        MoveFrom(other);
        return *this;
    }

    template <size_t N>
    static String FromStatic(StaticStringBlock<N>& block) noexcept
    {
        String s;
        s.block_ = reinterpret_cast<StringBlock*>(&block);
        return s;
    }

    void Assign(const wchar_t* text, int64 length);
    // New block of n units, count 1, NUL at n; returns the text for the caller to fill.
    wchar_t* Allocate(int64 n);
    void Share(const String& other) noexcept;
    void MoveFrom(String& other) noexcept;
    // Drops this handle's reference; the handle becomes null.
    void Release() noexcept;

    int64 Length() const noexcept { return block_ ? static_cast<int64>(block_->length) : 0; }
    bool IsEmpty() const noexcept { return Length() == 0; }
    const wchar_t* CStr() const noexcept;
    const wchar_t* Data() const noexcept;
    bool Equals(const wchar_t* text) const noexcept;
    bool Equals(const String& other) const noexcept;
    // True when both handles designate the very same block.
    bool SameBlock(const String& other) const noexcept { return block_ == other.block_; }

    void Append(const wchar_t* text, int64 length);
    void Concat(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen);
    void Concat3(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen, const wchar_t* c, int64 clen);
    // parts: NUL-terminated texts ended by a null pointer, at most 16 of them.
    void ConcatList(const wchar_t* const* parts);
    // The same for a braced list; it ends at its end or at a null pointer.
    void ConcatList(std::initializer_list<const wchar_t*> parts);
    String Substring(int64 start, int64 count) const;

    // For tests and diagnostics: the block's reference count (0 for null).
    u32 RefCount() const noexcept { return block_ ? block_->refs : 0; }

private:
    struct Part {
        const wchar_t* text;
        int64 length;
    };
    void Build(const Part* parts, int count);
    void Take(StringBlock* block) noexcept;

    StringBlock* block_;
};

static_assert(sizeof(String) == sizeof(void*), "a String is one pointer");

String IntToString(int64 value);
