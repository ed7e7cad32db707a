#include "base/Array.h"
#include "base/ComRef.h"

#include <doctest.h>

#include <windows.h>

#include <objbase.h>

namespace {

struct Counted {
    int releases = 0;
    unsigned long Release()
    {
        releases++;
        return 0;
    }
};

struct Base {
    virtual ~Base() = default;
};

struct Derived : Base {
    explicit Derived(int* counter) : counter(counter) {}
    ~Derived() override { ++*counter; }
    int* counter;
};

}  // namespace

TEST_CASE("OwnPtr deletes through the virtual destructor")
{
    int deleted = 0;
    {
        OwnPtr<Base> p(new Derived(&deleted));
        p.Reset(new Derived(&deleted));
        CHECK(deleted == 1);
        OwnPtr<Base> q(static_cast<OwnPtr<Base>&&>(p));
        CHECK(p.Get() == nullptr);
        CHECK(deleted == 1);
    }
    CHECK(deleted == 2);
    OwnPtr<Base> empty;
    CHECK_FALSE(empty);
}

TEST_CASE("ComRef releases its interface once, and only when set")
{
    Counted a;
    Counted b;
    {
        ComRef<Counted> ref(&a);
        *ref.Out() = &b;
        CHECK(a.releases == 1);
        Counted* detached = ref.Detach();
        CHECK(detached == &b);
        ref.Reset(&b);
    }
    CHECK(a.releases == 1);
    CHECK(b.releases == 1);
    ComRef<Counted> none;
    CHECK_FALSE(none);
}

TEST_CASE("CoTaskMemPtr frees what COM allocated")
{
    CoTaskMemPtr p;
    CHECK(p.Get() == nullptr);
    *p.Out() = static_cast<wchar_t*>(CoTaskMemAlloc(16));
    CHECK(p.Get() != nullptr);
    p.Reset();
    CHECK(p.Get() == nullptr);
    *p.Out() = static_cast<wchar_t*>(CoTaskMemAlloc(16));
}
