#include "helpviewer/HelpPrinting.h"

#include <doctest.h>

#include <cstdlib>
#include <vector>

TEST_CASE("sheets: lines go on in order, a sheet's first line is never moved, a tall line takes a sheet alone")
{
    // Lines of 30 on sheets of 100: three a sheet.
    std::vector<int32> tops = {8, 38, 68, 98, 128, 158, 188};
    std::vector<int32> heights(7, 30);
    CHECK(SheetStarts(tops, heights, 100) == std::vector<size_t>{0, 3, 6});
    // A page starting below 0 is measured from its first line.
    for (int32& t : tops)
        t += 1000;
    CHECK(SheetStarts(tops, heights, 100) == std::vector<size_t>{0, 3, 6});

    // A first line taller than the sheet: no blank sheet before it, and the
    // next line starts the next sheet.
    CHECK(SheetStarts({0, 250, 280}, {250, 30, 30}, 100) == std::vector<size_t>{0, 1});
    CHECK(SheetStarts({0, 30, 280, 310}, {30, 250, 30, 30}, 100) == std::vector<size_t>{0, 1, 2});
    CHECK(SheetStarts({}, {}, 100).empty());
    // A line that ends exactly at the sheet's bottom stays on it.
    CHECK(SheetStarts({0, 50}, {50, 50}, 100) == std::vector<size_t>{0});
}

TEST_CASE("sheets: a random page is covered once, in order, every sheet within its height or one line")
{
    srand(20261209);
    for (int round = 0; round < 200; round++) {
        INFO("round " << round);
        std::vector<int32> tops, heights;
        int32 y = rand() % 50;
        int n = rand() % 60;
        for (int i = 0; i < n; i++) {
            int32 h = 1 + rand() % (rand() % 10 == 0 ? 400 : 40);
            tops.push_back(y);
            heights.push_back(h);
            y += h + rand() % 5;
        }
        int32 available = 50 + rand() % 300;
        std::vector<size_t> starts = SheetStarts(tops, heights, available);
        if (n == 0) {
            CHECK(starts.empty());
            continue;
        }
        REQUIRE(!starts.empty());
        CHECK(starts[0] == 0);
        for (size_t s = 0; s < starts.size(); s++) {
            size_t first = starts[s];
            size_t end = s + 1 < starts.size() ? starts[s + 1] : tops.size();
            REQUIRE(first < end);
            // Fits, unless it is one line alone.
            if (end - first > 1)
                CHECK(tops[end - 1] + heights[end - 1] - tops[first] <= available);
            // Greedy: the next sheet's first line would not have fitted.
            if (end < tops.size())
                CHECK(tops[end] + heights[end] - tops[first] > available);
        }
    }
}

TEST_CASE("set-up values become printer pixels by their unit")
{
    PrintSetup inch;
    inch.thousandthsOfInch = true;
    CHECK(SetupToPixels(1000, 300, inch) == 300);
    CHECK(SetupToPixels(500, 600, inch) == 300);
    PrintSetup mm;
    CHECK(SetupToPixels(2540, 300, mm) == 300);
    CHECK(SetupToPixels(2000, 300, mm) == 236);
}
