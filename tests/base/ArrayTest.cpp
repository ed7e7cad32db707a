#include "base/Array.h"

#include <doctest.h>

#include <climits>

namespace {

struct Record16 {
    int64 a;
    int32 b;
    int32 c;
};
static_assert(sizeof(Record16) == 16, "a 16-byte plain record");

struct Item {
    int32 command;
    int32 image;
    int64 width;
    String text;
};

struct Record72 {
    u8 bytes[72];
};

// Mirrors the growth rule independently: for the new count, element size,
// header bytes and divisor, the capacity the buffer or block should get.
int64 Expected(int64 n, int64 s, int64 header, int64 divisor)
{
    int64 needed = n * s + header;
    int64 g = 16;
    while (needed > 16 && needed / divisor >= g)
        g *= 2;
    int64 rounded = (needed + g - 1) / g * g;
    return (rounded - header) / s;
}

}  // namespace

TEST_CASE("growth capacities of Array<String> follow the quarter rule")
{
    Array<String> a;
    int64 capacities[1001] = {};
    for (int i = 1; i <= 1000; i++) {
        a.Append(L"x");
        capacities[i] = a.Capacity();
    }
    CHECK(capacities[1] == 2);
    CHECK(capacities[2] == 2);
    CHECK(capacities[3] == 4);
    CHECK(capacities[5] == 6);
    CHECK(capacities[9] == 10);
    CHECK(capacities[1000] == 1022);
    // Every growth step lands on the rule's value for the count reached.
    int64 last = 0;
    for (int i = 1; i <= 1000; i++) {
        if (capacities[i] != last) {
            CHECK(capacities[i] == Expected(i, 8, 16, 4));
            last = capacities[i];
        }
        CHECK(capacities[i] >= i);
    }
}

TEST_CASE("growth capacities of PodArray for resizes and reservations")
{
    PodArray<u8> bytes;
    bytes.Resize(4096);
    CHECK(bytes.Count() == 4096);
    CHECK(bytes.Capacity() == 4112);

    PodArray<wchar_t> units;
    units.InsertUninit(0, 70000);
    CHECK(units.Capacity() == 70632);

    PodArray<int32> ints;
    int32 v = 7;
    ints.Insert(0, v);
    CHECK(ints.Capacity() == Expected(1, 4, 48, 4));

    Array<Record16> records;
    records.InsertUninit(0, 1000);
    CHECK(records.Capacity() == Expected(1000, 16, 16, 128));
    CHECK(GrowthCapacity(1, 72, 16, 128) == 1);
}

TEST_CASE("growth arithmetic that cannot be represented throws MemoryError")
{
    CHECK_THROWS_AS(GrowthCapacity(INT64_MAX / 2, 8, 16, 4), MemoryError);
    CHECK_THROWS_AS(GrowthCapacity(INT64_MAX, 1, 48, 128), MemoryError);

    PodArray<u8> bytes;
    bytes.Resize(10);
    CHECK_THROWS_AS(bytes.InsertUninit(0, INT64_MAX), MemoryError);
    CHECK_THROWS_AS(bytes.Resize(INT64_MAX - 5), MemoryError);
    CHECK(bytes.Count() == 10);

    PodArray<Record72> big;
    CHECK_THROWS_AS(big.InsertUninit(0, INT64_MAX / 72 + 1), MemoryError);
    CHECK(big.Count() == 0);

    Array<Record16> records;
    records.InsertUninit(0, 3);
    CHECK_THROWS_AS(records.InsertUninit(3, INT64_MAX / 8), MemoryError);
    CHECK(records.Count() == 3);
    CHECK_FALSE(records.TryResize(INT64_MAX / 2));
    CHECK(records.Count() == 3);
}

TEST_CASE("a null handle counts 0 and is created by the first insertion")
{
    Array<String> a;
    CHECK(a.Count() == 0);
    CHECK_THROWS_AS(a.At(0), IndexError);
    CHECK_THROWS_AS(a.Erase(0, 0), IndexError);
    a.Append(nullptr);
    CHECK(a.Count() == 1);
    CHECK(a.At(0).Length() == 0);

    PodArray<u8> p;
    CHECK(p.Count() == 0);
    CHECK(p.Data() == nullptr);
    CHECK_THROWS_AS(p.At(0), IndexError);
    u8 b = 5;
    p.Insert(0, b);
    CHECK(p.At(0) == 5);
}

TEST_CASE("bounds of insert, erase and remove")
{
    PodArray<int32> a;
    int32 values[] = {1, 2, 3, 4};
    a.InsertCopies(0, values, 4);
    int32 v = 9;
    a.Insert(4, v);
    CHECK(a.At(4) == 9);
    CHECK_THROWS_AS(a.Insert(6, v), IndexError);
    CHECK_THROWS_AS(a.Insert(-1, v), IndexError);
    CHECK_THROWS_AS(a.Erase(3, 3), IndexError);
    a.Erase(3, 2);
    CHECK(a.Count() == 3);
    CHECK_THROWS_AS(a.RemoveAt(3), IndexError);
    a.RemoveAt(0);
    CHECK(a.At(0) == 2);
    CHECK(a.At(1) == 3);
}

TEST_CASE("negative counts are refused before anything changes")
{
    PodArray<int32> p;
    int32 values[] = {1, 2, 3};
    p.InsertCopies(0, values, 3);
    CHECK_THROWS_AS(p.Erase(2, -1), IndexError);
    CHECK_THROWS_AS(p.Erase(0, -3), IndexError);
    CHECK_THROWS_AS(p.InsertCopies(1, values, -2), IndexError);
    CHECK_THROWS_AS(p.InsertUninit(0, -1), IndexError);
    CHECK_THROWS_AS(p.Resize(-1), IndexError);
    CHECK(p.Count() == 3);
    CHECK(p.At(2) == 3);

    Array<String> s;
    s.Append(L"a");
    s.Append(L"b");
    CHECK_THROWS_AS(s.Erase(1, -1), IndexError);
    CHECK_THROWS_AS(s.InsertCopies(0, &s.At(0), -1), IndexError);
    Array<Record16> r;
    CHECK_THROWS_AS(r.InsertUninit(0, -5), IndexError);
    CHECK_THROWS_AS(r.InsertDefault(0, -5), IndexError);
    CHECK_FALSE(r.TryResize(-1));
    CHECK(s.Count() == 2);
    CHECK(s.At(1).Equals(L"b"));
}

TEST_CASE("Array handles sharing a header see every change, also across growth")
{
    Array<String> a;
    a.Append(L"first");
    Array<String> b(a);
    CHECK(a.RefCount() == 2);
    for (int i = 0; i < 100; i++)
        b.Append(L"more");
    CHECK(a.Count() == 101);
    CHECK(a.Data() == b.Data());
    a.Erase(0, 100);
    CHECK(b.Count() == 1);
    b.Reset();
    CHECK(b.Count() == 0);
    CHECK(a.Count() == 1);
    CHECK(a.RefCount() == 1);
    a = a;
    CHECK(a.RefCount() == 1);
}

TEST_CASE("PodArray holders share in-place insertions and part on growth")
{
    PodArray<int32> a;
    int32 first[] = {1, 2};
    a.InsertCopies(0, first, 2);
    PodArray<int32> b(a);
    int32 v = 3;
    a.Insert(2, v);
    CHECK(b.Count() == 3);
    CHECK(b.At(2) == 3);
    CHECK(a.SameBlock(b));

    while (a.Count() < a.Capacity())
        a.Insert(a.Count(), v);
    int64 shared = a.Count();
    CHECK(b.Count() == shared);
    a.Insert(0, v);
    CHECK_FALSE(a.SameBlock(b));
    CHECK(a.Count() == shared + 1);
    CHECK(b.Count() == shared);
    CHECK(b.At(0) == 1);
    CHECK(a.RefCount() == 1);
    CHECK(b.RefCount() == 1);
}

TEST_CASE("a copy source inside the array is the element it designated before the shift")
{
    Array<String> a;
    a.Append(L"zero");
    a.Append(L"one");
    a.Append(L"last");
    a.Insert(0, a.At(0));
    CHECK(a.At(0).Equals(L"zero"));
    CHECK(a.At(1).Equals(L"zero"));
    a.Insert(0, a.At(a.Count() - 1));
    CHECK(a.At(0).Equals(L"last"));
    CHECK(a.Count() == 5);
    // Growth while the source lies in the old buffer.
    while (a.Count() < a.Capacity())
        a.Append(L"fill");
    a.Insert(1, a.At(2));
    CHECK(a.At(1).Equals(L"zero"));

    PodArray<int32> p;
    int32 values[] = {10, 20, 30, 40};
    p.InsertCopies(0, values, 4);
    // A run straddling the insertion point: elements before it stay, the rest moved up.
    p.InsertCopies(2, &p.At(1), 2);
    int32 expected[] = {10, 20, 20, 30, 30, 40};
    REQUIRE(p.Count() == 6);
    for (int i = 0; i < 6; i++)
        CHECK(p.At(i) == expected[i]);
    while (p.Count() < p.Capacity())
        p.Insert(p.Count(), values[0]);
    p.InsertCopies(0, &p.At(p.Count() - 2), 2);
    CHECK(p.At(0) == 10);
    CHECK(p.At(1) == 10);
    CHECK(p.At(2) == 10);
}

TEST_CASE("String elements are shared on copy and released by erase and the last handle")
{
    String s(L"payload");
    {
        Array<String> a;
        a.InsertCopies(0, &s, 1);
        a.InsertCopies(1, &s, 1);
        CHECK(s.RefCount() == 3);
        a.RemoveAt(0);
        CHECK(s.RefCount() == 2);
        Array<String> b(a);
        a.Release();
        CHECK(s.RefCount() == 2);
    }
    CHECK(s.RefCount() == 1);

    Array<String> c;
    c.InsertCopies(0, &s, 1);
    c.DestroyElements();
    CHECK(c.Count() == 0);
    CHECK(s.RefCount() == 1);
}

TEST_CASE("InsertDefault leaves no field unset, in place or after growth")
{
    Array<Item> items;
    items.InsertDefault(0, 3);
    for (int i = 0; i < 3; i++) {
        items.At(i).command = 100 + i;
        items.At(i).image = 7;
        items.At(i).width = 99;
        items.At(i).text = String(L"label");
    }
    items.Erase(1, 2);
    // The slots freed by Erase still hold old bytes; a default item must not show them.
    items.InsertDefault(1, 2);
    REQUIRE(items.Count() == 3);
    for (int i = 1; i < 3; i++) {
        CHECK(items.At(i).command == 0);
        CHECK(items.At(i).image == 0);
        CHECK(items.At(i).width == 0);
        CHECK(items.At(i).text.Data() == nullptr);
    }
    CHECK(items.At(0).command == 100);
    CHECK(items.At(0).text.Equals(L"label"));
}

TEST_CASE("PodArray<u8>::Resize keeps the first bytes and the capacity when shrinking")
{
    PodArray<u8> p;
    p.Resize(100);
    for (int i = 0; i < 100; i++)
        p.At(i) = static_cast<u8>(i);
    int64 capacity = p.Capacity();
    p.Resize(10);
    CHECK(p.Count() == 10);
    CHECK(p.Capacity() == capacity);
    CHECK(p.At(9) == 9);
    p.Resize(10);
    CHECK(p.Count() == 10);
    p.Resize(0);
    CHECK(p.Count() == 0);
}

TEST_CASE("grown storage is zero-filled")
{
    PodArray<u8> p;
    p.Resize(5000);
    bool zero = true;
    for (int64 i = 0; i < p.Count(); i++)
        zero = zero && p.At(i) == 0;
    CHECK(zero);

    Array<Record72> r;
    CHECK(r.TryResize(3));
    CHECK(r.Count() == 3);
    CHECK(r.At(2).bytes[71] == 0);
    CHECK(r.TryResize(1));
    CHECK(r.Count() == 1);
}
