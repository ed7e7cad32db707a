#include "actions/HistoryList.h"

#include "support/CaughtError.h"

#include <doctest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Model = std::vector<std::pair<std::wstring, int32>>;

std::wstring Str(const String& s) { return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length())); }

Model Items(const HistoryList& list)
{
    Model items;
    for (int64 i = 0; i < list.Count(); i++)
        items.emplace_back(Str(list.StringAt(i)), list.NumberAt(i));
    return items;
}

HistoryList EmptyList(int32 limit)
{
    HistoryList list;
    list.Clear();
    list.limit = limit;
    return list;
}

HistoryList Loaded(const wchar_t* texts, const wchar_t* numbers)
{
    HistoryList list = EmptyList(10);
    list.Load(String(texts), String(numbers));
    return list;
}

}  // namespace

TEST_CASE("random additions keep the newest items in order, like a plain model")
{
    const unsigned seed = 20261209;
    CAPTURE(seed);
    std::mt19937 rng(seed);
    for (int round = 0; round < 40; round++) {
        HistoryList list = EmptyList(1 + static_cast<int32>(rng() % 12));
        Model model;
        for (int step = 0; step < 200; step++) {
            // Few distinct texts and numbers, so that repeats and moves are common.
            std::wstring text(1 + rng() % 2, static_cast<wchar_t>(L'a' + rng() % 4));
            if (rng() % 5 == 0)
                text[0] = static_cast<wchar_t>(towupper(text[0]));
            int32 number = static_cast<int32>(rng() % 3);

            list.changed = 0;
            bool newest = !model.empty() && model.back() == std::make_pair(text, number);
            if (!newest) {
                for (size_t i = model.size(); i-- > 0;)
                    if (model[i] == std::make_pair(text, number)) {
                        model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
                        break;
                    }
                model.emplace_back(text, number);
                if (model.size() > static_cast<size_t>(list.limit))
                    model.erase(model.begin());
            }
            list.Add(String(text.c_str()), number);
            CAPTURE(round);
            CAPTURE(step);
            REQUIRE(Items(list) == model);
            CHECK(list.changed == (newest ? 0 : 1));
        }
    }
}

TEST_CASE("history additions: repeats, modes and the limit")
{
    HistoryList list = EmptyList(100);
    list.Add(String(L"a"), 0);
    list.Add(String(L"b"), 0);
    list.changed = 0;
    list.Add(String(L"b"), 0);
    CHECK(list.changed == 0);
    list.Add(String(L"a"), 0);
    CHECK(Items(list) == Model{{L"b", 0}, {L"a", 0}});
    list.Add(String(L"a"), 4);
    CHECK(Items(list) == Model{{L"b", 0}, {L"a", 0}, {L"a", 4}});
    CHECK(list.FindLast(String(L"A"), 0) == -1);

    list.Clear();
    for (int i = 0; i < 101; i++)
        list.Add(IntToString(i), 0);
    CHECK(list.Count() == 100);
    CHECK(Str(list.StringAt(0)) == L"1");
    CHECK(Str(list.StringAt(99)) == L"100");

    CHECK(CaughtError([&] { list.StringAt(100); }).code == -2);
    CHECK(CaughtError([&] { list.RemoveAt(-1); }).code == -2);
    CHECK(CaughtError([&] { list.InsertAt(101, HistoryItem{String(L"x"), 0}); }).code == -2);
    list.InsertAt(100, HistoryItem{String(L"end"), 0});
    list.InsertAt(0, HistoryItem{String(L"start"), 0});
    CHECK(Str(list.StringAt(0)) == L"start");
    CHECK(Str(list.StringAt(101)) == L"end");
}

TEST_CASE("loading the settings values")
{
    const wchar_t esc[] = {27, 0};
    std::wstring texts = std::wstring(L"a") + esc + esc + L"b";
    CHECK(Items(Loaded(texts.c_str(), L"")) == Model{{L"a", 0}, {L"b", 0}});
    CHECK(Items(Loaded(texts.c_str(), L"5")) == Model{{L"a", 5}, {L"b", 0}});
    // An empty text skips its number too; CR separates like ESC.
    std::wstring numbers = std::wstring(L"1") + esc + L"2\r3";
    CHECK(Items(Loaded(texts.c_str(), numbers.c_str())) == Model{{L"a", 1}, {L"b", 3}});
    CHECK(Items(Loaded(L"x\ry\r", L"-7\rjunk")) == Model{{L"x", -7}, {L"y", 0}});
    CHECK(Loaded(L"", L"1").Count() == 0);
    // Loading neither checks the limit nor marks the list changed.
    HistoryList many = Loaded(L"1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r1", L"");
    CHECK(many.Count() == 12);
    CHECK(many.changed == 0);

    SUBCASE("numbers beyond 32 bits read as 0")
    {
        struct Case {
            const wchar_t* text;
            int32 value;
        } cases[] = {
            {L"2147483647", 2147483647},     {L"2147483648", 0},
            {L"-2147483648", INT32_MIN},     {L"-2147483649", 0},
            {L"99999999999999999999999", 0}, {L"4294967301", 0},
            {L"12abc", 12},                  {L"-", 0},
            {L"+5", 0},                      {L"007", 7},
        };
        for (const Case& c : cases) {
            CAPTURE(Str(String(c.text)).size());
            CHECK(ParseHistoryNumber(c.text, c.text + wcslen(c.text)) == c.value);
        }
        CHECK(Items(Loaded(L"q", L"18446744073709551621")) == Model{{L"q", 0}});
    }
}

TEST_CASE("joined texts and numbers load back to the same list")
{
    const unsigned seed = 77;
    CAPTURE(seed);
    std::mt19937 rng(seed);
    for (int round = 0; round < 50; round++) {
        HistoryList list = EmptyList(30);
        int n = static_cast<int>(rng() % 20);
        for (int i = 0; i < n; i++) {
            std::wstring text;
            int len = 1 + static_cast<int>(rng() % 6);
            for (int k = 0; k < len; k++)
                text += static_cast<wchar_t>(rng() % 3 == 0 ? 0x105 + rng() % 50 : L' ' + rng() % 90);
            int32 number = static_cast<int32>(static_cast<u32>(rng()));
            list.Add(String(text.c_str()), number);
        }
        HistoryList back = EmptyList(30);
        back.Load(list.JoinStrings(), list.JoinNumbers());
        CAPTURE(round);
        CHECK(Items(back) == Items(list));
    }
    HistoryList empty = EmptyList(10);
    CHECK(empty.JoinStrings().IsEmpty());
    CHECK(empty.JoinNumbers().IsEmpty());
}
