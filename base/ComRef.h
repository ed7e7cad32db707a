#pragma once

// Holds one COM interface pointer and calls its Release when done.
template <class T>
class ComRef {
public:
    ComRef() noexcept : p_(nullptr) {}
    explicit ComRef(T* p) noexcept : p_(p) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~ComRef() { Reset(nullptr); }

    void Reset(T* p) noexcept
    {
        T* old = p_;
        p_ = p;
        if (old)
            old->Release();
    }
    T* Detach() noexcept
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    // For calls that hand out a new reference: releases the held one first.
    T** Out() noexcept
    {
        Reset(nullptr);
        return &p_;
    }
    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_;
};

// Holds text allocated by COM (such as a shell item's display name) and frees
// it with CoTaskMemFree.
class CoTaskMemPtr {
public:
    CoTaskMemPtr() noexcept : p_(nullptr) {}
    CoTaskMemPtr(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;
    ~CoTaskMemPtr() { Reset(); }

    void Reset() noexcept;
    wchar_t** Out() noexcept
    {
        Reset();
        return &p_;
    }
    wchar_t* Get() const noexcept { return p_; }

private:
    wchar_t* p_;
};
